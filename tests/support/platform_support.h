// What the tests need of the platform, with one interface for both builds:
// module handles, windows, the thread's last system error and the error
// notice that the library shows.
#ifndef CTCOMMON_TESTS_PLATFORM_SUPPORT_H
#define CTCOMMON_TESTS_PLATFORM_SUPPORT_H

#include <ctcommon.h>

#include <functional>
#include <string>
#include <vector>

// The library's own module, as a host gets it: GetModuleHandleA or
// dlopen(..., RTLD_NOLOAD | RTLD_NOW) with CTCOMMON_LIBRARY_NAME.
HINSTANCE LibraryModule();
// The test program's own module, which carries a string table of its own.
HINSTANCE ProgramModule();

// A window of the test's, with a text; on Linux a handle of the library's
// window-text stand-in.
HWND NewWindow(const char *pc_text);
void DeleteWindow(HWND ho_window);
// The window's text as the platform holds it.
std::string PlatformWindowText(HWND ho_window);

// The calling thread's last system error, and the system's text for a code.
void SetSystemError(unsigned n_error);
std::string SystemErrorText(unsigned n_error);
// A system error code that has a text: access denied.
unsigned AccessDeniedError();

// The error notice that an action showed: on Windows the message box, found
// and closed by a watcher thread; on Linux the notice on standard error.
struct ShownNotice {
    bool b_shown = false;
    std::string s_caption;
    std::string s_text;
    HWND ho_owner = nullptr;
};
ShownNotice ShowAndRead(const std::function<void()> &action);

// Answers the dialog that an action shows, as a user would: types the
// names into it and confirms, or cancels. On Windows a watcher thread
// finds the dialog by its caption ("Browse for Folder" for the folder
// dialog) and drives it; on Linux the names are the lines of standard
// input that the terminal dialog reads. Returns whether the dialog with
// that caption was seen.
enum et_DialogKind { e_FileDialog, e_ManyFilesDialog, e_FolderDialog };
struct DialogAnswer {
    et_DialogKind eo_kind;
    std::string s_caption;
    std::vector<std::string> as_names; // none: confirm what the dialog shows
    bool b_cancel = false;
};
bool AnswerDialog(const DialogAnswer &o_answer, const std::function<void()> &action);

#endif
