// Windows: the real calls, under Wine in the test runs.
#include "platform_support.h"

#include <cstring>

HINSTANCE LibraryModule() { return GetModuleHandleA("ctcommon.dll"); }

HINSTANCE ProgramModule() { return GetModuleHandleA(nullptr); }

HWND NewWindow(const char *pc_text) {
    return CreateWindowExA(0, "STATIC", pc_text, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void DeleteWindow(HWND ho_window) { DestroyWindow(ho_window); }

std::string PlatformWindowText(HWND ho_window) {
    char ac_text[4096] = {0};
    GetWindowTextA(ho_window, ac_text, sizeof ac_text);
    return ac_text;
}

void SetSystemError(unsigned n_error) { SetLastError(n_error); }

std::string SystemErrorText(unsigned n_error) {
    char *pc_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, n_error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&pc_text), 0, nullptr);
    std::string s_text = pc_text ? pc_text : "";
    LocalFree(pc_text);
    return s_text;
}

unsigned AccessDeniedError() { return ERROR_ACCESS_DENIED; }

namespace {

struct Watch {
    DWORD n_thread;
    ShownNotice o_notice;
};

BOOL CALLBACK b_FindShownDialog(HWND ho_window, LPARAM n_found) {
    char ac_class[64] = {0};
    GetClassNameA(ho_window, ac_class, sizeof ac_class);
    if (std::strcmp(ac_class, "#32770") != 0 || !IsWindowVisible(ho_window)) return TRUE;
    *reinterpret_cast<HWND *>(n_found) = ho_window;
    return FALSE;
}

// Polls the tested thread's windows for a shown dialog, reads it and
// closes it with OK.
DWORD WINAPI n_WatchForBox(LPVOID pv_watch) {
    Watch *po_watch = static_cast<Watch *>(pv_watch);
    for (int i = 0; i < 500; ++i) {
        HWND ho_box = nullptr;
        EnumThreadWindows(po_watch->n_thread, b_FindShownDialog, reinterpret_cast<LPARAM>(&ho_box));
        if (ho_box) {
            char ac_text[4096] = {0};
            GetWindowTextA(ho_box, ac_text, sizeof ac_text);
            po_watch->o_notice.s_caption = ac_text;
            std::memset(ac_text, 0, sizeof ac_text);
            GetDlgItemTextA(ho_box, 0xFFFF, ac_text, sizeof ac_text);
            po_watch->o_notice.s_text = ac_text;
            po_watch->o_notice.ho_owner = GetWindow(ho_box, GW_OWNER);
            po_watch->o_notice.b_shown = true;
            PostMessageA(ho_box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

} // namespace

ShownNotice ShowAndRead(const std::function<void()> &action) {
    Watch o_watch = {GetCurrentThreadId(), ShownNotice()};
    HANDLE ho_thread = CreateThread(nullptr, 0, n_WatchForBox, &o_watch, 0, nullptr);
    try {
        action();
    } catch (...) {
        WaitForSingleObject(ho_thread, INFINITE);
        CloseHandle(ho_thread);
        throw;
    }
    WaitForSingleObject(ho_thread, INFINITE);
    CloseHandle(ho_thread);
    return o_watch.o_notice;
}
