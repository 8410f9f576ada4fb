// Windows: finding the dialogs that a test, or a driver outside the tested
// process, answers: message boxes and common dialogs alike are shown
// windows of the dialog class.
#ifndef CTCOMMON_TESTS_WIN32_DIALOGS_H
#define CTCOMMON_TESTS_WIN32_DIALOGS_H

#include <windows.h>

#include <cstring>
#include <string>

// A shown dialog; with a caption given, only one of that caption.
inline bool b_IsShownDialog(HWND ho_window, const char *pc_caption) {
    char ac_class[64] = {0};
    GetClassNameA(ho_window, ac_class, sizeof ac_class);
    if (std::strcmp(ac_class, "#32770") != 0 || !IsWindowVisible(ho_window)) return false;
    if (!pc_caption) return true;
    char ac_caption[256] = {0};
    GetWindowTextA(ho_window, ac_caption, sizeof ac_caption);
    return std::strcmp(ac_caption, pc_caption) == 0;
}

// The text of a message box.
inline std::string s_DialogText(HWND ho_dialog) {
    const HWND ho_text = GetDlgItem(ho_dialog, 0xFFFF);
    std::string s_text(static_cast<std::size_t>(GetWindowTextLengthA(ho_text)) * 2 + 1, 0);
    s_text.resize(static_cast<std::size_t>(
        GetWindowTextA(ho_text, &s_text[0], static_cast<int>(s_text.size()))));
    return s_text;
}

#endif
