// Test builds only. Every file call of the library's logic first asks the
// fault plan whether it is to fail: a failing call sets the thread's last
// error to the plan's and returns what the system returns on failure,
// without being made. The chooser, help and active-window calls go to a
// stand-in when a test has set one, so that a test can record the exact
// requests. Tests reach both through the functions that the test build
// exports (test_hooks.cpp).
#ifndef CTCOMMON_PLATFORM_TEST_HOOKS_H
#define CTCOMMON_PLATFORM_TEST_HOOKS_H

namespace ct_hooks {
// Counts the call; true when the plan makes it fail (its error then set).
bool b_Fails(const char *pc_call);
// The stand-in that a test set for the call, or null.
void *pv_StandIn(const char *pc_call);
} // namespace ct_hooks

#define CT_FAULTABLE(call, failed, ...) (ct_hooks::b_Fails(#call) ? (failed) : ::call(__VA_ARGS__))
#define CT_REPLACEABLE(call, ...)                                                                  \
    (ct_hooks::pv_StandIn(#call)                                                                   \
         ? reinterpret_cast<decltype(&::call)>(ct_hooks::pv_StandIn(#call))(__VA_ARGS__)           \
         : ::call(__VA_ARGS__))

#define CreateFileA(...) CT_FAULTABLE(CreateFileA, INVALID_HANDLE_VALUE, __VA_ARGS__)
// A close that fails has still released the handle, as a close whose
// error is reported late does.
#define CloseHandle(...) (::CloseHandle(__VA_ARGS__) && !ct_hooks::b_Fails("CloseHandle"))
#define ReadFile(...) CT_FAULTABLE(ReadFile, FALSE, __VA_ARGS__)
#define WriteFile(...) CT_FAULTABLE(WriteFile, FALSE, __VA_ARGS__)
#define SetFilePointer(...) CT_FAULTABLE(SetFilePointer, INVALID_SET_FILE_POINTER, __VA_ARGS__)
#define FlushFileBuffers(...) CT_FAULTABLE(FlushFileBuffers, FALSE, __VA_ARGS__)
#define CopyFileA(...) CT_FAULTABLE(CopyFileA, FALSE, __VA_ARGS__)
#define DeleteFileA(...) CT_FAULTABLE(DeleteFileA, FALSE, __VA_ARGS__)
#define SetFileAttributesA(...) CT_FAULTABLE(SetFileAttributesA, FALSE, __VA_ARGS__)
#define DuplicateHandle(...) CT_FAULTABLE(DuplicateHandle, FALSE, __VA_ARGS__)
#define FindFirstFileA(...) CT_FAULTABLE(FindFirstFileA, INVALID_HANDLE_VALUE, __VA_ARGS__)
#define GetFullPathNameA(...) CT_FAULTABLE(GetFullPathNameA, 0, __VA_ARGS__)

#define GetActiveWindow(...) CT_REPLACEABLE(GetActiveWindow, __VA_ARGS__)
#define GetSaveFileNameA(...) CT_REPLACEABLE(GetSaveFileNameA, __VA_ARGS__)
#define GetOpenFileNameA(...) CT_REPLACEABLE(GetOpenFileNameA, __VA_ARGS__)
#define CommDlgExtendedError(...) CT_REPLACEABLE(CommDlgExtendedError, __VA_ARGS__)
#define SHGetMalloc(...) CT_REPLACEABLE(SHGetMalloc, __VA_ARGS__)
#define SHBrowseForFolderA(...) CT_REPLACEABLE(SHBrowseForFolderA, __VA_ARGS__)
#define SHGetPathFromIDListA(...) CT_REPLACEABLE(SHGetPathFromIDListA, __VA_ARGS__)
#define WinHelpA(...) CT_REPLACEABLE(WinHelpA, __VA_ARGS__)

#endif
