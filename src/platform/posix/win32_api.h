// POSIX: the Win32 types, constants and operations that the library's logic
// uses, with their Windows sizes and values. Each operation is defined in
// this folder with the effects that the library relies on.
#ifndef CTCOMMON_PLATFORM_POSIX_WIN32_API_H
#define CTCOMMON_PLATFORM_POSIX_WIN32_API_H

#include "ctcommon.h" // HWND, HINSTANCE, HANDLE

#include <cstdarg>
#include <cstdint>

typedef int BOOL;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef unsigned int UINT;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef void *HLOCAL;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

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

// The module's static objects are constructed before the object that
// stands in for the loader's entry call (module_entry.cpp), and destroyed
// after it.
#define CT_STATIC_ORDER __attribute__((init_priority(1000)))
#define CT_ENTRY_ORDER __attribute__((init_priority(1001)))

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

// System errors (system_errors.cpp): the thread's last error is errno, and
// its text is strerror's.
DWORD GetLastError();
void SetLastError(DWORD n_error);
DWORD FormatMessageA(DWORD n_flags, LPCVOID pv_source, DWORD n_message, DWORD n_language,
                     LPSTR pc_buffer, DWORD n_size, va_list *po_arguments);
HLOCAL LocalFree(HLOCAL ho_memory);

#endif
