// Linux: the thread's last system error is errno, and its text strerror's.
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

DWORD GetLastError() { return static_cast<DWORD>(errno); }

void SetLastError(DWORD n_error) { errno = static_cast<int>(n_error); }

DWORD FormatMessageA(DWORD n_flags, LPCVOID, DWORD n_message, DWORD, LPSTR pc_buffer, DWORD,
                     va_list *) {
    // Only what the library asks: the system's text for an error code, in a
    // buffer allocated for the caller (released with LocalFree).
    if (!(n_flags & FORMAT_MESSAGE_FROM_SYSTEM) || !(n_flags & FORMAT_MESSAGE_ALLOCATE_BUFFER))
        return 0;
    const char *pc_text = std::strerror(static_cast<int>(n_message));
    const std::size_t n_size = std::strlen(pc_text);
    char *pc_copy = static_cast<char *>(std::malloc(n_size + 1));
    if (!pc_copy) return 0;
    std::memcpy(pc_copy, pc_text, n_size + 1);
    *reinterpret_cast<char **>(pc_buffer) = pc_copy;
    return static_cast<DWORD>(n_size);
}

HLOCAL LocalFree(HLOCAL ho_memory) {
    std::free(ho_memory);
    return nullptr;
}
