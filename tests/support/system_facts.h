// The path separator and the system's error numbers that the tests name,
// and the handles that the process holds, for programs of both library
// builds (header only: a test of the test build links no other support
// code).
#ifndef CTCOMMON_TESTS_SYSTEM_FACTS_H
#define CTCOMMON_TESTS_SYSTEM_FACTS_H

#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <dirent.h>
#endif

// The separator between the components of a full path, as the library's
// platform layer has it.
#if defined(_WIN32)
const char c_path_separator = '\\';
#else
const char c_path_separator = '/';
#endif
const std::string s_sep(1, c_path_separator);

#if defined(_WIN32)
const unsigned n_disk_full_error = ERROR_DISK_FULL;
const unsigned n_access_denied_error = ERROR_ACCESS_DENIED;
const unsigned n_io_error = ERROR_WRITE_FAULT;
#else
const unsigned n_disk_full_error = ENOSPC;
const unsigned n_access_denied_error = EACCES;
const unsigned n_io_error = EIO;
#endif

// The handles (Windows) or file descriptors (Linux) that the process holds
// open; -1 where the system does not tell (Wine counts none). Where it does
// not, a handle left open still shows: the file it holds stays held.
inline long OpenHandles() {
#if defined(_WIN32)
    DWORD n_count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &n_count) && n_count > 0
               ? static_cast<long>(n_count)
               : -1;
#else
    long n_count = 0;
    if (DIR *po_dir = ::opendir("/proc/self/fd")) {
        while (::readdir(po_dir))
            ++n_count;
        ::closedir(po_dir);
    }
    return n_count;
#endif
}

#endif
