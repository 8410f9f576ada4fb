// The operating-system layer: the Win32 operations that the library's logic
// calls, under their Win32 names and with their Win32 types. Logic includes
// this header and never an OS header itself.
//
// On Windows these are the system's own calls (win32/). Elsewhere posix/
// declares the same names and provides each one with the effects listed
// below, and nothing more. The tests that run on both builds hold the
// Windows calls to the same list under Wine.
//
// What the logic relies on beyond names and types:
//
// Files
// - CreateFileA(name, access, share, disposition, flags, template): share 0
//   holds the file, and what the hold keeps out differs:
//   - Windows: while held, no other opener, in this process or another,
//     opens it, copies it, replaces it by a move or deletes it.
//   - Linux: the hold is an advisory lock. It keeps out the library's own
//     opens, moves and deletes and those of programs that lock; any process
//     may still write without a lock, delete the name, or rename another
//     file over it. What the logic needs beyond that it checks itself.
//   FILE_SHARE_READ lets others read, nothing more. OPEN_EXISTING opens a
//   file that is there; OPEN_ALWAYS opens it, or makes it if it is absent,
//   and never empties it; CREATE_NEW makes a new file only (a name that is
//   taken fails with ERROR_FILE_EXISTS), giving it the attributes of a
//   template handle where one is passed (on Linux the template's permission
//   bits, owner and group); CREATE_ALWAYS empties a file only once it holds
//   it, so a file that another holds keeps its content. OPEN_ALWAYS and
//   CREATE_ALWAYS set the last error to ERROR_ALREADY_EXISTS on success when
//   the file was there. A folder, and a name with a control character, are
//   refused. An open with no data access (0, or only DELETE and the
//   attributes) holds nothing and is refused by no holder:
//   FILE_FLAG_OPEN_REPARSE_POINT looks at a link itself,
//   FILE_FLAG_BACKUP_SEMANTICS at a folder too.
// - GetFileInformationByHandle: the volume and index that identify the
//   file, its size, last-write time, number of names (0 once every name is
//   gone) and attributes (a link, a folder or a device by its attribute).
// - SetFileInformationByHandle(FileDispositionInfo) deletes the very file
//   that the handle holds, which needs DELETE access, and fails when it
//   cannot; FileBasicInfo sets the last-write time (0: unchanged) and the
//   read-only, hidden and system attributes (0: unchanged), and clears the
//   read-only attribute that keeps Windows from deleting a file. The logic
//   sets a time only together with the attributes: Wine 10 clears the
//   attributes of a file whose time alone is set.
// - ReadFile: TRUE with the bytes delivered, 0 at the end of the file. A
//   pipe whose writer has closed its end fails the read with
//   ERROR_BROKEN_PIPE on Windows, which the logic reads as its end.
//   WriteFile: every byte or FALSE. A write of zero bytes on a handle
//   opened for reading fails with ERROR_ACCESS_DENIED.
// - SetFilePointer with FILE_CURRENT and a negative distance moves back on a
//   file that GetFileType calls FILE_TYPE_DISK; the logic moves back on no
//   other handle (pipes and devices cannot). With a high part the distance
//   and the position are 64-bit; a low part of all ones is then a failure
//   only when the last error is not NO_ERROR, which the caller sets before.
//   SetEndOfFile cuts the file at the position.
// - FlushFileBuffers returns once the file's data is on the disk.
//   MoveFileExA with MOVEFILE_WRITE_THROUGH returns once the new name is.
// - MoveFileExA(MOVEFILE_REPLACE_EXISTING) replaces the name, never writing
//   through a link planted there.
//
// Names and paths
// - FindFirstFileA honours * and ? in the final component and finds files
//   and folders alike. It fails with ERROR_FILE_NOT_FOUND or
//   ERROR_PATH_NOT_FOUND when nothing is there; any other error means that
//   it cannot tell. The logic branches on exactly these two.
// - GetFullPathNameA makes a path full from its text, "." and ".." included,
//   without the disk. With too small a buffer it returns the size needed;
//   it returns 0 only for a path it cannot make. ct_platform's facts (the
//   separator, the longest path, the device prefix) describe its answers.
//
// Strings, windows, dialogs, errors
// - LoadStringA copies at most n_max - 1 bytes and a terminator. It returns
//   0 for an id without a text, or with an empty one, and leaves the last
//   error alone when it succeeds.
// - The file dialogs answer in the request's own buffer and fail with
//   CommDlgExtendedError() == FNERR_BUFFERTOOSMALL when the answer does not
//   fit. The multiple dialog's answer is one full path, or the folder and
//   then the names, each ended by a zero and the list by one more.
//   SHGetPathFromIDListA gives at most MAX_PATH bytes (see
//   ct_platform::b_IsWholeFolderPath).
// - MessageBoxA returns once the user has answered. GetLastError is the
//   calling thread's own, and FormatMessageA gives its text in memory that
//   LocalFree releases.
#ifndef CTCOMMON_PLATFORM_H
#define CTCOMMON_PLATFORM_H

#if defined(_WIN32)
#include "platform/win32/win32_api.h"
#else
#include "platform/posix/win32_api.h"
#endif

#if defined(CTCOMMON_TEST_HOOKS)
#include "platform/hooked_calls.h"
#endif

#endif
