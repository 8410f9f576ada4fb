// Linux: a help request, written to standard error for the user to see.
#include "platform/posix/win32_api.h"

#include <cstdio>

BOOL WinHelpA(HWND, LPCSTR pc_file, UINT n_command, ULONG_PTR n_data) {
    std::fprintf(stderr, "Help: file \"%s\", command %u, data %lu\n", pc_file ? pc_file : "",
                 n_command, static_cast<unsigned long>(n_data));
    std::fflush(stderr);
    return TRUE;
}
