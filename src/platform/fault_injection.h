// Test builds only: every file call of the library's logic first asks the
// fault plan whether it is to fail. A failing call sets the thread's last
// error to the plan's and returns what the system returns on failure,
// without being made. Tests set the plan through the functions that the
// test build of the library exports (fault_injection.cpp).
#ifndef CTCOMMON_PLATFORM_FAULT_INJECTION_H
#define CTCOMMON_PLATFORM_FAULT_INJECTION_H

namespace ct_faults {
// Counts the call; true when the plan makes it fail (its error then set).
bool b_Fails(const char *pc_call);
} // namespace ct_faults

#define CT_FAULTABLE(call, failed, ...) (ct_faults::b_Fails(#call) ? (failed) : ::call(__VA_ARGS__))

#define CreateFileA(...) CT_FAULTABLE(CreateFileA, INVALID_HANDLE_VALUE, __VA_ARGS__)
#define CloseHandle(...) CT_FAULTABLE(CloseHandle, FALSE, __VA_ARGS__)
#define ReadFile(...) CT_FAULTABLE(ReadFile, FALSE, __VA_ARGS__)
#define WriteFile(...) CT_FAULTABLE(WriteFile, FALSE, __VA_ARGS__)
#define SetFilePointer(...) CT_FAULTABLE(SetFilePointer, INVALID_SET_FILE_POINTER, __VA_ARGS__)
#define CopyFileA(...) CT_FAULTABLE(CopyFileA, FALSE, __VA_ARGS__)
#define DeleteFileA(...) CT_FAULTABLE(DeleteFileA, FALSE, __VA_ARGS__)
#define DuplicateHandle(...) CT_FAULTABLE(DuplicateHandle, FALSE, __VA_ARGS__)
#define FindFirstFileA(...) CT_FAULTABLE(FindFirstFileA, INVALID_HANDLE_VALUE, __VA_ARGS__)
#define GetFullPathNameA(...) CT_FAULTABLE(GetFullPathNameA, 0, __VA_ARGS__)

#endif
