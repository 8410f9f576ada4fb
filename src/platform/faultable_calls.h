// The calls that the test build can make fail, in one list. The hooks are
// built from it, and every name that a test gives is checked against it, so
// that a misspelt name is refused instead of failing nothing.
//
// First the Win32 calls that the library's file logic makes; on Linux, then
// the system calls that the POSIX layer makes inside them, so that a test
// reaches each step of one Win32 call (a copy's temporary file, its clean-up,
// the flush of a folder).
#ifndef CTCOMMON_PLATFORM_FAULTABLE_CALLS_H
#define CTCOMMON_PLATFORM_FAULTABLE_CALLS_H

#define CT_WIN32_FAULTABLE_CALLS(X)                                                                \
    X(CreateFileA)                                                                                 \
    X(CloseHandle)                                                                                 \
    X(ReadFile)                                                                                    \
    X(WriteFile)                                                                                   \
    X(SetFilePointer)                                                                              \
    X(SetEndOfFile)                                                                                \
    X(FlushFileBuffers)                                                                            \
    X(GetFileType)                                                                                 \
    X(GetFileInformationByHandle)                                                                  \
    X(SetFileInformationByHandle)                                                                  \
    X(MoveFileExA)                                                                                 \
    X(FindFirstFileA)                                                                              \
    X(GetFullPathNameA)

#if defined(_WIN32)
#define CT_POSIX_FAULTABLE_CALLS(X)
#else
#define CT_POSIX_FAULTABLE_CALLS(X)                                                                \
    X(open)                                                                                        \
    X(read)                                                                                        \
    X(write)                                                                                       \
    X(lseek)                                                                                       \
    X(fstat)                                                                                       \
    X(flock)                                                                                       \
    X(ftruncate)                                                                                   \
    X(fsync)                                                                                       \
    X(fdatasync)                                                                                   \
    X(futimens)                                                                                    \
    X(fchown)                                                                                      \
    X(fchmod)                                                                                      \
    X(rename)                                                                                      \
    X(unlink)                                                                                      \
    X(readlink)
#endif

#define CT_FAULTABLE_CALLS(X) CT_WIN32_FAULTABLE_CALLS(X) CT_POSIX_FAULTABLE_CALLS(X)

#endif
