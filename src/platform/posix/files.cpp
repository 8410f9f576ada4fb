// Linux: the file calls, on file descriptors.
#include "platform/posix/file_names.h"
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int n_Descriptor(HANDLE ho_file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(ho_file));
}

HANDLE ho_FromDescriptor(int n_fd) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(n_fd));
}

// Closes a descriptor and fails with the error that came before.
template <typename T> T o_FailClosing(int n_fd, int n_error, T o_result) {
    ::close(n_fd);
    errno = n_error;
    return o_result;
}

// True when some open of another holds the file with share mode 0, as a
// Windows file held so cannot be copied or deleted.
bool b_HeldByAnother(const char *pc_name) {
    const int n_fd = ::open(pc_name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (n_fd < 0) return false;
    const bool b_held = ::flock(n_fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(n_fd);
    return b_held;
}

// Writes all of the bytes, going on after short writes.
bool b_WriteAll(int n_fd, const char *pc_bytes, std::size_t n_count, std::size_t *pn_written) {
    *pn_written = 0;
    while (*pn_written < n_count) {
        const ssize_t n = ::write(n_fd, pc_bytes + *pn_written, n_count - *pn_written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        *pn_written += static_cast<std::size_t>(n);
    }
    return true;
}

// A new file beside pc_name, created exclusively with the given mode.
int n_CreateBeside(const std::string &s_name, mode_t n_mode, std::string *ps_created) {
    std::random_device o_random;
    for (int n_try = 0; n_try < 100; ++n_try) {
        char ac_suffix[24];
        std::snprintf(ac_suffix, sizeof ac_suffix, ".%08x.tmp", static_cast<unsigned>(o_random()));
        *ps_created = s_name + ac_suffix;
        const int n_fd = ::open(ps_created->c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, n_mode);
        if (n_fd >= 0 || errno != EEXIST) return n_fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives a new file the owner and group of the file in o_stat, as far as the
// process may, and returns the permission bits that the new file may carry:
// the file's own, without the group's when the group could not be given, as
// another group than the file's must not gain its access.
mode_t n_TakeOwnership(int n_fd, const struct stat &o_stat) {
    const mode_t n_mode = o_stat.st_mode & 07777;
    if (::fchown(n_fd, o_stat.st_uid, o_stat.st_gid) == 0 ||
        ::fchown(n_fd, static_cast<uid_t>(-1), o_stat.st_gid) == 0)
        return n_mode;
    return n_mode & ~static_cast<mode_t>(02070);
}

// Puts the folder that holds pc_name on the disk, and with it the names in
// it. A file system that cannot flush a folder has nothing to put there.
bool b_FlushFolderOf(const char *pc_name) {
    const char *pc_slash = std::strrchr(pc_name, '/');
    const std::string s_folder = !pc_slash             ? std::string(".")
                                 : pc_slash == pc_name ? std::string("/")
                                                       : std::string(pc_name, pc_slash);
    const int n_fd = ::open(s_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (n_fd < 0) return false;
    const bool b_flushed = ::fsync(n_fd) == 0 || errno == EINVAL;
    const int n_error = errno;
    ::close(n_fd);
    errno = n_error;
    return b_flushed;
}

} // namespace

HANDLE CreateFileA(LPCSTR pc_name, DWORD n_access, DWORD n_share, LPSECURITY_ATTRIBUTES,
                   DWORD n_disposition, DWORD, HANDLE) {
    if (!ct_posix::b_UsableName(pc_name)) return INVALID_HANDLE_VALUE;
    const bool b_read = n_access & GENERIC_READ;
    const bool b_write = n_access & ~GENERIC_READ;
    int n_flags = O_CLOEXEC | O_NOCTTY |
                  (b_read && b_write ? O_RDWR
                   : b_write         ? O_WRONLY
                                     : O_RDONLY);
    if (n_disposition == CREATE_ALWAYS) {
        n_flags |= O_CREAT;
    } else if (n_disposition != OPEN_EXISTING) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    const int n_fd = ::open(pc_name, n_flags, 0666);
    if (n_fd < 0) return INVALID_HANDLE_VALUE;
    struct stat o_stat;
    if (::fstat(n_fd, &o_stat) != 0) return o_FailClosing(n_fd, errno, INVALID_HANDLE_VALUE);
    if (S_ISDIR(o_stat.st_mode)) return o_FailClosing(n_fd, EISDIR, INVALID_HANDLE_VALUE);
    if (::flock(n_fd, (n_share == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
        return o_FailClosing(n_fd, errno == EWOULDBLOCK ? EBUSY : errno, INVALID_HANDLE_VALUE);
    // Emptied only once held: a file that another holds keeps its content.
    if (n_disposition == CREATE_ALWAYS && S_ISREG(o_stat.st_mode) && ::ftruncate(n_fd, 0) != 0)
        return o_FailClosing(n_fd, errno, INVALID_HANDLE_VALUE);
    return ho_FromDescriptor(n_fd);
}

BOOL CloseHandle(HANDLE ho_object) { return ::close(n_Descriptor(ho_object)) == 0; }

BOOL ReadFile(HANDLE ho_file, LPVOID pv_buffer, DWORD n_count, LPDWORD pn_read, LPOVERLAPPED) {
    ssize_t n;
    do {
        n = ::read(n_Descriptor(ho_file), pv_buffer, n_count);
    } while (n < 0 && errno == EINTR);
    if (pn_read) *pn_read = n < 0 ? 0 : static_cast<DWORD>(n);
    return n >= 0;
}

BOOL WriteFile(HANDLE ho_file, LPCVOID pv_bytes, DWORD n_count, LPDWORD pn_written, LPOVERLAPPED) {
    std::size_t n_written = 0;
    bool b_done;
    if (n_count == 0) // still checks that the handle may write
        b_done = ::write(n_Descriptor(ho_file), pv_bytes, 0) == 0;
    else
        b_done = b_WriteAll(n_Descriptor(ho_file), static_cast<const char *>(pv_bytes), n_count,
                            &n_written);
    if (pn_written) *pn_written = static_cast<DWORD>(n_written);
    // A handle opened for reading refuses writes as access denied, as on
    // Windows; a closed one stays a bad handle.
    if (!b_done && errno == EBADF && ::fcntl(n_Descriptor(ho_file), F_GETFD) != -1) errno = EACCES;
    return b_done;
}

DWORD SetFilePointer(HANDLE ho_file, LONG n_distance, PLONG pn_distance_high, DWORD n_method) {
    off_t n_offset = n_distance;
    if (pn_distance_high)
        n_offset = static_cast<off_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*pn_distance_high)) << 32) |
            static_cast<std::uint32_t>(n_distance));
    const int n_whence = n_method == FILE_BEGIN ? SEEK_SET
                         : n_method == FILE_END ? SEEK_END
                                                : SEEK_CUR;
    const off_t n_position = ::lseek(n_Descriptor(ho_file), n_offset, n_whence);
    if (n_position < 0) return INVALID_SET_FILE_POINTER;
    if (pn_distance_high) *pn_distance_high = static_cast<LONG>(n_position >> 32);
    return static_cast<DWORD>(n_position);
}

BOOL FlushFileBuffers(HANDLE ho_file) { return ::fdatasync(n_Descriptor(ho_file)) == 0; }

BOOL CopyFileA(LPCSTR pc_existing, LPCSTR pc_new, BOOL b_fail_if_exists) {
    if (!ct_posix::b_UsableName(pc_existing) || !ct_posix::b_UsableName(pc_new)) return FALSE;
    const int n_in = ::open(pc_existing, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (n_in < 0) return FALSE;
    struct stat o_stat;
    if (::fstat(n_in, &o_stat) != 0) return o_FailClosing(n_in, errno, FALSE);
    if (!S_ISREG(o_stat.st_mode)) return o_FailClosing(n_in, EISDIR, FALSE);
    if (::flock(n_in, LOCK_SH | LOCK_NB) != 0 || b_HeldByAnother(pc_new))
        return o_FailClosing(n_in, EBUSY, FALSE);

    // The copy is made whole beside the destination, with the source's
    // protection from its creation on, and only then takes its name: a link
    // planted at the name is replaced, never written through.
    std::string s_temporary;
    const int n_out = n_CreateBeside(pc_new, o_stat.st_mode & 0700, &s_temporary);
    if (n_out < 0) return o_FailClosing(n_in, errno, FALSE);
    const mode_t n_mode = n_TakeOwnership(n_out, o_stat);
    int n_error = ::fchmod(n_out, n_mode) == 0 ? 0 : errno;
    char ac_block[65536];
    while (!n_error) {
        const ssize_t n = ::read(n_in, ac_block, sizeof ac_block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) n_error = errno;
        if (n <= 0) break;
        std::size_t n_written;
        if (!b_WriteAll(n_out, ac_block, static_cast<std::size_t>(n), &n_written)) n_error = errno;
    }
    if (::close(n_out) != 0 && !n_error) n_error = errno;
    ::close(n_in);
    if (!n_error) {
        const int n_named = b_fail_if_exists ? ::link(s_temporary.c_str(), pc_new)
                                             : ::rename(s_temporary.c_str(), pc_new);
        if (n_named != 0 || !b_FlushFolderOf(pc_new)) n_error = errno;
    }
    ::unlink(s_temporary.c_str()); // gone after a rename; after a link, the spare name
    errno = n_error;
    return n_error == 0;
}

BOOL DeleteFileA(LPCSTR pc_name) {
    if (!ct_posix::b_UsableName(pc_name)) return FALSE;
    if (b_HeldByAnother(pc_name)) {
        errno = EBUSY;
        return FALSE;
    }
    return ::unlink(pc_name) == 0;
}

BOOL SetFileAttributesA(LPCSTR pc_name, DWORD n_attributes) {
    if (!ct_posix::b_UsableName(pc_name)) return FALSE;
    struct stat o_stat;
    if (::stat(pc_name, &o_stat) != 0) return FALSE;
    const mode_t n_mode = o_stat.st_mode & 07777;
    return ::chmod(pc_name, n_attributes & FILE_ATTRIBUTE_READONLY ? n_mode & ~0222u
                                                                   : n_mode | S_IWUSR) == 0;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL DuplicateHandle(HANDLE, HANDLE ho_source, HANDLE, HANDLE *pho_target, DWORD, BOOL, DWORD) {
    const int n_fd = ::fcntl(n_Descriptor(ho_source), F_DUPFD_CLOEXEC, 0);
    if (n_fd < 0) return FALSE;
    *pho_target = ho_FromDescriptor(n_fd);
    return TRUE;
}
