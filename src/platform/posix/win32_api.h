// POSIX: the Win32 types, constants and operations that the library's logic
// uses, with their Windows sizes and values. Each operation is defined in
// this folder with the effects that the library relies on, as
// platform/platform.h lists them.
#ifndef CTCOMMON_PLATFORM_POSIX_WIN32_API_H
#define CTCOMMON_PLATFORM_POSIX_WIN32_API_H

#include "ctcommon.h" // HWND, HINSTANCE, HANDLE

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <string>

typedef int BOOL;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef unsigned int UINT;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef void *HLOCAL;
typedef std::int32_t LONG;
typedef LONG *PLONG;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef DWORD *LPDWORD;
typedef struct SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;
typedef struct OVERLAPPED *LPOVERLAPPED;
typedef std::intptr_t LPARAM;
typedef std::uintptr_t ULONG_PTR;
typedef std::int32_t HRESULT;
typedef std::uint32_t ULONG;
typedef unsigned char BOOLEAN;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
// Access rights beside the data: none of them reads or writes a byte.
#define DELETE 0x00010000u
#define FILE_READ_ATTRIBUTES 0x00000080u
#define FILE_WRITE_ATTRIBUTES 0x00000100u
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000u

// No error: what a caller sets before a call whose result alone cannot
// tell failure (SetFilePointer with a high part).
#define NO_ERROR 0
// The last errors that say that a name does not exist.
#define ERROR_FILE_NOT_FOUND ENOENT
#define ERROR_PATH_NOT_FOUND ENOTDIR
#define ERROR_ACCESS_DENIED EACCES
#define ERROR_FILE_EXISTS EEXIST
#define ERROR_ALREADY_EXISTS EEXIST
// Windows' failure of a read of a pipe whose writer has gone; a read of
// such a pipe here returns 0 bytes instead, and never fails so.
#define ERROR_BROKEN_PIPE EPIPE

#define FILE_ATTRIBUTE_READONLY 0x00000001u
// Carried as Windows carries them, and without an effect here.
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_DEVICE 0x00000040u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define FILE_TYPE_UNKNOWN 0x0000u
#define FILE_TYPE_DISK 0x0001u
#define FILE_TYPE_CHAR 0x0002u
#define FILE_TYPE_PIPE 0x0003u
#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

// Facts of the platform's paths that the logic needs.
namespace ct_platform {
// The separator between the components of a full path.
const char c_path_separator = '/';
// The longest path, in bytes without its terminator, that the file calls
// take whole.
const unsigned n_longest_path = 4095;
// No file name is read as a device here.
const char *const pc_device_namespace = nullptr;
// The path of the file that the system opens for a name whose full path
// the text makes pc_full: the system follows the links of the folder part
// before it applies "..", so the folder is resolved on the disk and the
// final component kept as written (paths.cpp). False for a name whose
// folder cannot be resolved, or whose final component names a folder.
bool b_SystemPath(const char *pc_name, const char *pc_full, std::string *ps_path);
} // namespace ct_platform

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

#define MB_OK 0x00000000u
#define MB_ICONEXCLAMATION 0x00000030u
#define IDOK 1

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))

// Modules (modules.cpp): a module's handle is its dlopen() handle, its
// link map. Only the flags below are taken: the module that holds an
// address, its reference count unchanged.
typedef HINSTANCE HMODULE;
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004u
BOOL GetModuleHandleExA(DWORD n_flags, LPCSTR pc_address, HMODULE *pho_module);

// String tables (string_table.cpp): a module's handle is its dlopen()
// handle, null for the main program; its table is the one it declares with
// CT_STRING_TABLE. Copies at most n_max - 1 bytes and a terminator; 0 when
// the module has no text, or an empty one, under the id.
int LoadStringA(HINSTANCE ho_module, UINT n_id, LPSTR pc_buffer, int n_max);

// Windows and message boxes (windows.cpp). There is no window system: each
// non-null window handle names a text kept in this process, there is never
// an active window, and a message box is a notice on standard error.
BOOL SetWindowTextA(HWND ho_window, LPCSTR pc_text);
int GetWindowTextA(HWND ho_window, LPSTR pc_buffer, int n_max);
HWND GetActiveWindow();
int MessageBoxA(HWND ho_owner, LPCSTR pc_text, LPCSTR pc_caption, UINT n_type);

// Files (files.cpp). A file handle is a file descriptor. An open that asks
// for no data access (only DELETE or attributes, or nothing) holds nothing:
// it looks at what the name designates, a link itself with
// FILE_FLAG_OPEN_REPARSE_POINT, a folder with FILE_FLAG_BACKUP_SEMANTICS.
// CREATE_ALWAYS and OPEN_ALWAYS set the last error to ERROR_ALREADY_EXISTS
// when the file was there, and to 0 when they made it; CREATE_NEW makes a
// new file only, never through a link, and a template handle gives the new
// file its permission bits, owner and group (as far as the process may set
// them). An open that fails after making a file deletes it again. Share
// mode 0 is an
// exclusive flock() lock taken without waiting, so that no other opener, in
// this process or another, opens a file that a handle holds, nor copies it;
// any other share mode is a shared lock, which lets others read. A file
// held either way can be neither replaced by a move nor deleted by these
// calls; the lock is advisory, so other programs that take no lock can.
// CREATE_ALWAYS empties a file only once it holds it. FlushFileBuffers puts
// a file's data on the disk. A move replaces the name, never writing through a link planted there;
// with MOVEFILE_WRITE_THROUGH the folder is flushed after it, so that the new name survives a power
// loss as a journalled NTFS name does. A name with a control character is refused, as on Windows.
// Each system call inside can be made to fail in the test build (system_calls.h).
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
HANDLE CreateFileA(LPCSTR pc_name, DWORD n_access, DWORD n_share, LPSECURITY_ATTRIBUTES po_security,
                   DWORD n_disposition, DWORD n_flags, HANDLE ho_template);
BOOL CloseHandle(HANDLE ho_object);
BOOL ReadFile(HANDLE ho_file, LPVOID pv_buffer, DWORD n_count, LPDWORD pn_read,
              LPOVERLAPPED po_overlapped);
BOOL WriteFile(HANDLE ho_file, LPCVOID pv_bytes, DWORD n_count, LPDWORD pn_written,
               LPOVERLAPPED po_overlapped);
DWORD SetFilePointer(HANDLE ho_file, LONG n_distance, PLONG pn_distance_high, DWORD n_method);
BOOL SetEndOfFile(HANDLE ho_file);
BOOL FlushFileBuffers(HANDLE ho_file);
// FILE_TYPE_DISK for a file that can move back; pipes, sockets and devices
// cannot.
DWORD GetFileType(HANDLE ho_file);
// The file's identity (the device as the volume, the inode as the index),
// its size, last-write time and links; a folder, a link or anything but a
// regular file carries FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_REPARSE_POINT
// or FILE_ATTRIBUTE_DEVICE, a regular file without write permission
// FILE_ATTRIBUTE_READONLY.
struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};
BOOL GetFileInformationByHandle(HANDLE ho_file, BY_HANDLE_FILE_INFORMATION *po_information);
// FileDispositionInfo deletes the very file that the handle holds, at the
// name that it has now (found through /proc/self/fd; without /proc, the
// name that it was opened by), and only while that name still designates
// it (the same device and inode); a file whose every name is gone counts as
// deleted. Windows deletes it once the handle closes, here it goes at once.
// FileBasicInfo sets the last-write time where it is not 0 (the other times
// are left as they are) and the read-only attribute: read-only takes every
// write permission away, anything else gives the owner's back to a file
// that has none; attributes 0 change nothing, as on Windows.
enum FILE_INFO_BY_HANDLE_CLASS { FileBasicInfo = 0, FileDispositionInfo = 4 };
struct FILE_DISPOSITION_INFO {
    BOOLEAN DeleteFile;
};
union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};
struct FILE_BASIC_INFO {
    LARGE_INTEGER CreationTime;
    LARGE_INTEGER LastAccessTime;
    LARGE_INTEGER LastWriteTime;
    LARGE_INTEGER ChangeTime;
    DWORD FileAttributes;
};
BOOL SetFileInformationByHandle(HANDLE ho_file, FILE_INFO_BY_HANDLE_CLASS eo_class,
                                LPVOID pv_information, DWORD n_size);
BOOL MoveFileExA(LPCSTR pc_existing, LPCSTR pc_new, DWORD n_flags);

// Paths (paths.cpp): a directory search that honours * and ? in the final
// component, files and folders alike; and the textual absolute path against
// the current directory, "." and ".." resolved without the disk.
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    char cFileName[MAX_PATH];
};
typedef WIN32_FIND_DATAA *LPWIN32_FIND_DATAA;
HANDLE FindFirstFileA(LPCSTR pc_pattern, LPWIN32_FIND_DATAA po_found);
BOOL FindClose(HANDLE ho_search);
DWORD GetFullPathNameA(LPCSTR pc_name, DWORD n_size, LPSTR pc_buffer, LPSTR *ppc_file_part);

// Dialogs: dialogs.cpp reads and answers the request records as the
// system does (the multiple dialog's answer is one full path, or the folder
// and then the names; an answer that does not fit nMaxFile fails with
// FNERR_BUFFERTOOSMALL), and terminal.cpp asks the user, as the public
// header says under CT_FilesDialog.
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_SHOWHELP 0x00000010u
#define OFN_ALLOWMULTISELECT 0x00000200u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_EXPLORER 0x00080000u
#define FNERR_BUFFERTOOSMALL 0x3003u
#define BIF_RETURNONLYFSDIRS 0x0001u
#define S_OK 0
#define E_FAIL static_cast<HRESULT>(0x80004005u)

struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    void *lpfnHook;
    LPCSTR lpTemplateName;
};
typedef tagOFNA OPENFILENAMEA;
typedef tagOFNA *LPOPENFILENAMEA;

namespace ct_platform {
// The size of the record before the fields of later Windows versions, as
// 32-bit Windows gives it: the stand-ins take any size.
const DWORD n_open_request_size_400 = 76;
} // namespace ct_platform

struct _ITEMIDLIST;
typedef _ITEMIDLIST *LPITEMIDLIST;
typedef const _ITEMIDLIST *PCIDLIST_ABSOLUTE;
struct _browseinfoA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName;
    LPCSTR lpszTitle;
    UINT ulFlags;
    void *lpfn;
    LPARAM lParam;
    int iImage;
};
typedef _browseinfoA BROWSEINFOA;
typedef _browseinfoA *LPBROWSEINFOA;

// The shell's allocator, with the two methods that the library calls.
struct IMalloc {
    virtual void Free(void *pv_memory) = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IMalloc() = default;
};

BOOL GetSaveFileNameA(LPOPENFILENAMEA po_request);
BOOL GetOpenFileNameA(LPOPENFILENAMEA po_request);
DWORD CommDlgExtendedError();
HRESULT SHGetMalloc(IMalloc **ppo_allocator);
LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA po_request);
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE po_item, LPSTR pc_path);

namespace ct_platform {
// Whether the path that SHGetPathFromIDListA gave for the item is all of
// it. The stand-in above refuses a path that does not fit, never cuts one.
inline bool b_IsWholeFolderPath(PCIDLIST_ABSOLUTE, const char *) { return true; }
} // namespace ct_platform

// Help (help.cpp): a request is written to standard error.
#define HELP_CONTEXT 0x0001u
#define HELP_FINDER 0x000Bu
BOOL WinHelpA(HWND ho_window, LPCSTR pc_file, UINT n_command, ULONG_PTR n_data);

// System errors (system_errors.cpp): the thread's last error is errno, and
// its text is strerror's.
DWORD GetLastError();
void SetLastError(DWORD n_error);
DWORD FormatMessageA(DWORD n_flags, LPCVOID pv_source, DWORD n_message, DWORD n_language,
                     LPSTR pc_buffer, DWORD n_size, va_list *po_arguments);
HLOCAL LocalFree(HLOCAL ho_memory);

#endif
