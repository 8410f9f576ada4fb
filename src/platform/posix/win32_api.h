// POSIX: the Win32 types and constants that the library's logic uses, with
// their Windows sizes and values. The operations themselves are defined in
// this folder, one source file per group of calls, as the library comes to
// use them.
#ifndef CTCOMMON_PLATFORM_POSIX_WIN32_API_H
#define CTCOMMON_PLATFORM_POSIX_WIN32_API_H

#include "ctcommon.h" // HWND, HINSTANCE, HANDLE

#include <cstdint>

typedef int BOOL;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef char *LPSTR;
typedef const char *LPCSTR;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

#endif
