// Linux: windows and message boxes, where there is no window system.
#include "platform/posix/texts.h"
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

// The text of each window handle that a text was set for.
std::mutex o_texts_lock;
std::map<HWND, std::string> &o_WindowTexts() {
    static std::map<HWND, std::string> o_texts;
    return o_texts;
}

} // namespace

BOOL SetWindowTextA(HWND ho_window, LPCSTR pc_text) {
    if (!ho_window) {
        errno = EBADF;
        return FALSE;
    }
    std::lock_guard<std::mutex> o_hold(o_texts_lock);
    o_WindowTexts()[ho_window] = pc_text ? pc_text : "";
    return TRUE;
}

int GetWindowTextA(HWND ho_window, LPSTR pc_buffer, int n_max) {
    if (n_max <= 0) return 0;
    std::lock_guard<std::mutex> o_hold(o_texts_lock);
    const auto o_found = o_WindowTexts().find(ho_window);
    const std::string s_none;
    const std::string &s_text = o_found != o_WindowTexts().end() ? o_found->second : s_none;
    return static_cast<int>(ct_posix::n_CopyCut(pc_buffer, static_cast<std::size_t>(n_max),
                                                s_text.data(), s_text.size()));
}

HWND GetActiveWindow() { return nullptr; }

int MessageBoxA(HWND, LPCSTR pc_text, LPCSTR pc_caption, UINT) {
    // The notice: its caption on one line, then its text, then the button
    // that a box of one button is closed with.
    std::fprintf(stderr, "%s\n%s\n[OK]\n", pc_caption ? pc_caption : "", pc_text ? pc_text : "");
    std::fflush(stderr);
    return IDOK;
}
