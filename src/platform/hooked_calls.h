// Test builds only: the library's logic reaches the faultable calls and the
// replaceable ones through the hooks. A call that is not in the list of
// faultable_calls.h does not compile here.
#ifndef CTCOMMON_PLATFORM_HOOKED_CALLS_H
#define CTCOMMON_PLATFORM_HOOKED_CALLS_H

#include "platform/test_hooks.h"

#define CT_FAULTABLE(call, failed, ...)                                                            \
    (ct_hooks::b_Fails(ct_hooks::e_##call) ? (failed) : ::call(__VA_ARGS__))
#define CT_REPLACEABLE(call, ...)                                                                  \
    (ct_hooks::pv_StandIn(#call)                                                                   \
         ? reinterpret_cast<decltype(&::call)>(ct_hooks::pv_StandIn(#call))(__VA_ARGS__)           \
         : ::call(__VA_ARGS__))

#define CreateFileA(...) CT_FAULTABLE(CreateFileA, INVALID_HANDLE_VALUE, __VA_ARGS__)
// A close that fails has still released the handle, as a close whose
// error is reported late does.
#define CloseHandle(...) (::CloseHandle(__VA_ARGS__) && !ct_hooks::b_Fails(ct_hooks::e_CloseHandle))
#define ReadFile(...) CT_FAULTABLE(ReadFile, FALSE, __VA_ARGS__)
#define WriteFile(...) CT_FAULTABLE(WriteFile, FALSE, __VA_ARGS__)
#define SetFilePointer(...) CT_FAULTABLE(SetFilePointer, INVALID_SET_FILE_POINTER, __VA_ARGS__)
#define SetEndOfFile(...) CT_FAULTABLE(SetEndOfFile, FALSE, __VA_ARGS__)
#define FlushFileBuffers(...) CT_FAULTABLE(FlushFileBuffers, FALSE, __VA_ARGS__)
#define GetFileType(...) CT_FAULTABLE(GetFileType, FILE_TYPE_UNKNOWN, __VA_ARGS__)
#define GetFileInformationByHandle(...) CT_FAULTABLE(GetFileInformationByHandle, FALSE, __VA_ARGS__)
#define SetFileInformationByHandle(...) CT_FAULTABLE(SetFileInformationByHandle, FALSE, __VA_ARGS__)
#define MoveFileExA(...) CT_FAULTABLE(MoveFileExA, FALSE, __VA_ARGS__)
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
