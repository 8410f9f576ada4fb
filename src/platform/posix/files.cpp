// Linux: the file calls, on file descriptors.
#include "platform/posix/file_names.h"
#include "platform/posix/system_calls.h"
#include "platform/posix/texts.h"
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

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

// True when some open of another holds the file, with any lock: a Windows
// file open without delete sharing can be neither replaced nor deleted.
bool b_HeldByAnother(const char *pc_name) {
    const int n_fd = ::open(pc_name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (n_fd < 0) return false;
    const bool b_held = ::flock(n_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(n_fd);
    return b_held;
}

// Writes all of the bytes, going on after short writes.
bool b_WriteAll(int n_fd, const char *pc_bytes, std::size_t n_count, std::size_t *pn_written) {
    *pn_written = 0;
    while (*pn_written < n_count) {
        const ssize_t n = CT_SYSCALL(write, n_fd, pc_bytes + *pn_written, n_count - *pn_written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        *pn_written += static_cast<std::size_t>(n);
    }
    return true;
}

// Gives a new file the owner and group of the file in o_stat, as far as the
// process may, and returns the permission bits that the new file may carry:
// the file's own, without the group's when the group could not be given, as
// another group than the file's must not gain its access.
mode_t n_TakeOwnership(int n_fd, const struct stat &o_stat) {
    const mode_t n_mode = o_stat.st_mode & 07777;
    if (CT_SYSCALL(fchown, n_fd, o_stat.st_uid, o_stat.st_gid) == 0 ||
        CT_SYSCALL(fchown, n_fd, static_cast<uid_t>(-1), o_stat.st_gid) == 0)
        return n_mode;
    return n_mode & ~static_cast<mode_t>(02070);
}

// Puts the folder that holds pc_name on the disk, and with it the names in
// it. A file system that cannot flush a folder has nothing to put there.
bool b_FlushFolderOf(const char *pc_name) {
    const std::string s_folder = ct_posix::s_FolderOf(pc_name);
    const int n_fd = CT_SYSCALL(open, s_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (n_fd < 0) return false;
    const bool b_flushed = CT_SYSCALL(fsync, n_fd) == 0 || errno == EINVAL;
    const int n_error = errno;
    ::close(n_fd);
    errno = n_error;
    return b_flushed;
}

// Whether two stats describe one file.
bool b_SameFile(const struct stat &o_one, const struct stat &o_other) {
    return o_one.st_dev == o_other.st_dev && o_one.st_ino == o_other.st_ino;
}

// The permission bits that the attributes give a file of that mode:
// read-only takes every write permission away; anything else gives the
// owner's back to a file that has none (a file with any write permission is
// not read-only, and keeps its bits).
mode_t n_ModeFor(DWORD n_attributes, mode_t n_mode) {
    n_mode &= 07777;
    if (n_attributes & FILE_ATTRIBUTE_READONLY) return n_mode & ~0222u;
    return n_mode & 0222u ? n_mode : n_mode | S_IWUSR;
}

// Windows counts time in 100-nanosecond steps from 1601.
const std::uint64_t n_ticks_per_second = 10000000u;
const std::uint64_t n_seconds_from_1601_to_1970 = 11644473600u;

FILETIME o_FileTime(const struct timespec &o_time) {
    const std::uint64_t n_ticks =
        (static_cast<std::uint64_t>(o_time.tv_sec) + n_seconds_from_1601_to_1970) *
            n_ticks_per_second +
        static_cast<std::uint64_t>(o_time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(n_ticks), static_cast<DWORD>(n_ticks >> 32)};
}

struct timespec o_TimeSpec(const FILETIME &o_time) {
    const std::uint64_t n_ticks =
        (static_cast<std::uint64_t>(o_time.dwHighDateTime) << 32) | o_time.dwLowDateTime;
    struct timespec o_spec;
    o_spec.tv_sec = static_cast<time_t>(n_ticks / n_ticks_per_second - n_seconds_from_1601_to_1970);
    o_spec.tv_nsec = static_cast<long>(n_ticks % n_ticks_per_second * 100);
    return o_spec;
}

// The rights that read or write the file's bytes; the others (DELETE and
// the attributes) touch only what the file system keeps about it.
const DWORD n_data_rights =
    ~static_cast<DWORD>(DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);

// The name by which each open descriptor was opened, as Windows knows the
// name of every handle: where /proc is not mounted (a container, a chroot)
// it is the only way from a descriptor back to its name, which a delete
// through a hold needs.
std::mutex o_names_lock;
std::unordered_map<int, std::string> &o_Names() {
    static std::unordered_map<int, std::string> o_names;
    return o_names;
}

void v_RememberName(int n_fd, const char *pc_name) {
    try {
        std::lock_guard<std::mutex> o_hold(o_names_lock);
        o_Names()[n_fd] = pc_name;
    } catch (const std::bad_alloc &) {
        // Unknown then: a delete through this descriptor without /proc fails.
    }
}

void v_ForgetName(int n_fd) {
    std::lock_guard<std::mutex> o_hold(o_names_lock);
    o_Names().erase(n_fd);
}

bool b_NameGiven(int n_fd, std::string *ps_name) {
    std::lock_guard<std::mutex> o_hold(o_names_lock);
    const auto o_found = o_Names().find(n_fd);
    if (o_found == o_Names().end()) return false;
    *ps_name = o_found->second;
    return true;
}

// An open without data access: a look at what the name designates, holding
// nothing.
HANDLE ho_LookAt(LPCSTR pc_name, DWORD n_flags) {
    int n_open = O_PATH | O_CLOEXEC;
    if (n_flags & FILE_FLAG_OPEN_REPARSE_POINT) n_open |= O_NOFOLLOW;
    const int n_fd = CT_SYSCALL(open, pc_name, n_open);
    if (n_fd < 0) return INVALID_HANDLE_VALUE;
    if (!(n_flags & FILE_FLAG_BACKUP_SEMANTICS)) {
        struct stat o_stat;
        if (CT_SYSCALL(fstat, n_fd, &o_stat) != 0)
            return o_FailClosing(n_fd, errno, INVALID_HANDLE_VALUE);
        if (S_ISDIR(o_stat.st_mode)) return o_FailClosing(n_fd, EISDIR, INVALID_HANDLE_VALUE);
    }
    v_RememberName(n_fd, pc_name);
    return ho_FromDescriptor(n_fd);
}

// Opens the name, making the file where CREATE_ALWAYS or OPEN_ALWAYS finds
// none, and only a new one for CREATE_NEW; says whether it made it. Through
// a dangling link the target is made, as Windows makes it, but not counted
// as made here.
int n_OpenOrMake(LPCSTR pc_name, int n_flags, DWORD n_disposition, mode_t n_mode, bool *pb_made) {
    *pb_made = false;
    if (n_disposition == OPEN_EXISTING) return CT_SYSCALL(open, pc_name, n_flags);
    if (n_disposition == CREATE_NEW) {
        const int n_fd = CT_SYSCALL(open, pc_name, n_flags | O_CREAT | O_EXCL | O_NOFOLLOW, n_mode);
        *pb_made = n_fd >= 0;
        return n_fd;
    }
    for (;;) {
        int n_fd = CT_SYSCALL(open, pc_name, n_flags | O_CREAT | O_EXCL, n_mode);
        if (n_fd >= 0 || errno != EEXIST) {
            *pb_made = n_fd >= 0;
            return n_fd;
        }
        n_fd = CT_SYSCALL(open, pc_name, n_flags);
        if (n_fd >= 0 || errno != ENOENT) return n_fd;
        // Gone meanwhile, or a dangling link: made through the link.
        struct stat o_link;
        if (::lstat(pc_name, &o_link) == 0 && S_ISLNK(o_link.st_mode))
            return CT_SYSCALL(open, pc_name, n_flags | O_CREAT, n_mode);
    }
}

// An open that failed after it made the file: the file goes again, so that
// a failed open leaves nothing.
HANDLE ho_FailUnmaking(int n_fd, const char *pc_name, bool b_made, int n_error) {
    if (b_made) {
        struct stat o_held, o_named;
        if (::fstat(n_fd, &o_held) == 0 && ::lstat(pc_name, &o_named) == 0 &&
            b_SameFile(o_held, o_named))
            ::unlink(pc_name);
    }
    return o_FailClosing(n_fd, n_error, INVALID_HANDLE_VALUE);
}

} // namespace

HANDLE CreateFileA(LPCSTR pc_name, DWORD n_access, DWORD n_share, LPSECURITY_ATTRIBUTES,
                   DWORD n_disposition, DWORD n_flags_and_attributes, HANDLE ho_template) {
    if (!ct_posix::b_UsableName(pc_name)) return INVALID_HANDLE_VALUE;
    if (n_disposition != CREATE_ALWAYS && n_disposition != OPEN_EXISTING &&
        n_disposition != CREATE_NEW && n_disposition != OPEN_ALWAYS) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    const DWORD n_data = n_access & n_data_rights;
    if (n_data == 0 && n_disposition == OPEN_EXISTING)
        return ho_LookAt(pc_name, n_flags_and_attributes);
    const bool b_read = n_data & GENERIC_READ;
    const bool b_write = n_data & ~GENERIC_READ;
    const int n_flags = O_CLOEXEC | O_NOCTTY |
                        (b_read && b_write ? O_RDWR
                         : b_write         ? O_WRONLY
                                           : O_RDONLY);
    // A file made after a template is the owner's alone until it carries
    // the template's owner and protection.
    struct stat o_template;
    const bool b_template = ho_template && ho_template != INVALID_HANDLE_VALUE &&
                            CT_SYSCALL(fstat, n_Descriptor(ho_template), &o_template) == 0;
    bool b_made = false;
    const int n_fd =
        n_OpenOrMake(pc_name, n_flags, n_disposition, b_template ? 0600 : 0666, &b_made);
    if (n_fd < 0) return INVALID_HANDLE_VALUE;
    struct stat o_stat;
    if (CT_SYSCALL(fstat, n_fd, &o_stat) != 0) return ho_FailUnmaking(n_fd, pc_name, b_made, errno);
    if (S_ISDIR(o_stat.st_mode)) return o_FailClosing(n_fd, EISDIR, INVALID_HANDLE_VALUE);
    if (CT_SYSCALL(flock, n_fd, (n_share == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
        return ho_FailUnmaking(n_fd, pc_name, b_made, errno == EWOULDBLOCK ? EBUSY : errno);
    if (b_made && b_template && CT_SYSCALL(fchmod, n_fd, n_TakeOwnership(n_fd, o_template)) != 0)
        return ho_FailUnmaking(n_fd, pc_name, b_made, errno);
    // Emptied only once held: a file that another holds keeps its content.
    if (n_disposition == CREATE_ALWAYS && S_ISREG(o_stat.st_mode) &&
        CT_SYSCALL(ftruncate, n_fd, 0) != 0)
        return ho_FailUnmaking(n_fd, pc_name, b_made, errno);
    v_RememberName(n_fd, pc_name);
    errno =
        !b_made && (n_disposition == CREATE_ALWAYS || n_disposition == OPEN_ALWAYS) ? EEXIST : 0;
    return ho_FromDescriptor(n_fd);
}

BOOL CloseHandle(HANDLE ho_object) {
    v_ForgetName(n_Descriptor(ho_object));
    return ::close(n_Descriptor(ho_object)) == 0;
}

BOOL ReadFile(HANDLE ho_file, LPVOID pv_buffer, DWORD n_count, LPDWORD pn_read, LPOVERLAPPED) {
    ssize_t n;
    do {
        n = CT_SYSCALL(read, n_Descriptor(ho_file), pv_buffer, n_count);
    } while (n < 0 && errno == EINTR);
    if (pn_read) *pn_read = n < 0 ? 0 : static_cast<DWORD>(n);
    return n >= 0;
}

BOOL WriteFile(HANDLE ho_file, LPCVOID pv_bytes, DWORD n_count, LPDWORD pn_written, LPOVERLAPPED) {
    std::size_t n_written = 0;
    bool b_done;
    if (n_count == 0) // still checks that the handle may write
        b_done = CT_SYSCALL(write, n_Descriptor(ho_file), pv_bytes, 0) == 0;
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
    const off_t n_position = CT_SYSCALL(lseek, n_Descriptor(ho_file), n_offset, n_whence);
    if (n_position < 0) return INVALID_SET_FILE_POINTER;
    if (pn_distance_high) *pn_distance_high = static_cast<LONG>(n_position >> 32);
    return static_cast<DWORD>(n_position);
}

BOOL SetEndOfFile(HANDLE ho_file) {
    const int n_fd = n_Descriptor(ho_file);
    const off_t n_position = CT_SYSCALL(lseek, n_fd, 0, SEEK_CUR);
    return n_position >= 0 && CT_SYSCALL(ftruncate, n_fd, n_position) == 0;
}

BOOL FlushFileBuffers(HANDLE ho_file) { return CT_SYSCALL(fdatasync, n_Descriptor(ho_file)) == 0; }

DWORD GetFileType(HANDLE ho_file) {
    struct stat o_stat;
    if (CT_SYSCALL(fstat, n_Descriptor(ho_file), &o_stat) != 0) return FILE_TYPE_UNKNOWN;
    if (S_ISREG(o_stat.st_mode) || S_ISBLK(o_stat.st_mode) || S_ISDIR(o_stat.st_mode))
        return FILE_TYPE_DISK;
    return S_ISCHR(o_stat.st_mode) ? FILE_TYPE_CHAR : FILE_TYPE_PIPE;
}

BOOL GetFileInformationByHandle(HANDLE ho_file, BY_HANDLE_FILE_INFORMATION *po_information) {
    struct stat o_stat;
    if (CT_SYSCALL(fstat, n_Descriptor(ho_file), &o_stat) != 0) return FALSE;
    DWORD n_attributes = FILE_ATTRIBUTE_NORMAL;
    if (S_ISDIR(o_stat.st_mode))
        n_attributes = FILE_ATTRIBUTE_DIRECTORY;
    else if (S_ISLNK(o_stat.st_mode))
        n_attributes = FILE_ATTRIBUTE_REPARSE_POINT;
    else if (!S_ISREG(o_stat.st_mode))
        n_attributes = FILE_ATTRIBUTE_DEVICE;
    else if (!(o_stat.st_mode & 0222))
        n_attributes = FILE_ATTRIBUTE_READONLY;
    const std::uint64_t n_device = o_stat.st_dev, n_inode = o_stat.st_ino,
                        n_size = static_cast<std::uint64_t>(o_stat.st_size);
    po_information->dwFileAttributes = n_attributes;
    po_information->ftCreationTime = o_FileTime(o_stat.st_ctim);
    po_information->ftLastAccessTime = o_FileTime(o_stat.st_atim);
    po_information->ftLastWriteTime = o_FileTime(o_stat.st_mtim);
    po_information->dwVolumeSerialNumber = static_cast<DWORD>(n_device ^ (n_device >> 32));
    po_information->nFileSizeHigh = static_cast<DWORD>(n_size >> 32);
    po_information->nFileSizeLow = static_cast<DWORD>(n_size);
    po_information->nNumberOfLinks = static_cast<DWORD>(o_stat.st_nlink);
    po_information->nFileIndexHigh = static_cast<DWORD>(n_inode >> 32);
    po_information->nFileIndexLow = static_cast<DWORD>(n_inode);
    return TRUE;
}

namespace {

// The name that a descriptor's file has now, from /proc; where /proc is not
// there, the name that it was opened by. False when neither is known.
bool b_CurrentName(int n_fd, std::string *ps_name) {
    char ac_link[64];
    std::snprintf(ac_link, sizeof ac_link, "/proc/self/fd/%d", n_fd);
    ps_name->assign(4096, '\0');
    const ssize_t n_length = CT_SYSCALL(readlink, ac_link, &(*ps_name)[0], ps_name->size());
    if (n_length < 0 && errno == ENOENT) return b_NameGiven(n_fd, ps_name);
    if (n_length <= 0 || static_cast<std::size_t>(n_length) >= ps_name->size()) {
        if (n_length >= 0) errno = ENAMETOOLONG;
        return false;
    }
    ps_name->resize(static_cast<std::size_t>(n_length));
    return true;
}

// Deletes the file that the descriptor holds at the name that it has now,
// while that name still designates it (the same device and inode).
bool b_DeleteHeldFile(int n_fd) {
    struct stat o_held;
    if (CT_SYSCALL(fstat, n_fd, &o_held) != 0) return false;
    if (o_held.st_nlink == 0) return true; // every name gone already
    std::string s_name;
    if (!b_CurrentName(n_fd, &s_name)) return false;
    struct stat o_named;
    if (::lstat(s_name.c_str(), &o_named) != 0 || !b_SameFile(o_named, o_held)) {
        errno = ENOENT; // its name has come to mean another file
        return false;
    }
    return CT_SYSCALL(unlink, s_name.c_str()) == 0;
}

} // namespace

BOOL SetFileInformationByHandle(HANDLE ho_file, FILE_INFO_BY_HANDLE_CLASS eo_class,
                                LPVOID pv_information, DWORD n_size) {
    const int n_fd = n_Descriptor(ho_file);
    if (eo_class == FileDispositionInfo && n_size >= sizeof(FILE_DISPOSITION_INFO)) {
        if (!static_cast<FILE_DISPOSITION_INFO *>(pv_information)->DeleteFile) return TRUE;
        return b_DeleteHeldFile(n_fd);
    }
    if (eo_class == FileBasicInfo && n_size >= sizeof(FILE_BASIC_INFO)) {
        const DWORD n_attributes = static_cast<FILE_BASIC_INFO *>(pv_information)->FileAttributes;
        const LONGLONG n_written =
            static_cast<FILE_BASIC_INFO *>(pv_information)->LastWriteTime.QuadPart;
        if (n_written != 0) {
            const FILETIME o_written = {
                static_cast<DWORD>(n_written),
                static_cast<DWORD>(static_cast<ULONGLONG>(n_written) >> 32)};
            const struct timespec ao_times[2] = {{0, UTIME_OMIT}, o_TimeSpec(o_written)};
            if (CT_SYSCALL(futimens, n_fd, ao_times) != 0) return FALSE;
        }
        if (n_attributes == 0) return TRUE; // no attribute to change
        struct stat o_stat;
        return CT_SYSCALL(fstat, n_fd, &o_stat) == 0 &&
               CT_SYSCALL(fchmod, n_fd, n_ModeFor(n_attributes, o_stat.st_mode)) == 0;
    }
    errno = EINVAL;
    return FALSE;
}

BOOL MoveFileExA(LPCSTR pc_existing, LPCSTR pc_new, DWORD n_flags) {
    if (!ct_posix::b_UsableName(pc_existing) || !ct_posix::b_UsableName(pc_new)) return FALSE;
    if (!(n_flags & MOVEFILE_REPLACE_EXISTING) && ::access(pc_new, F_OK) == 0) {
        errno = EEXIST;
        return FALSE;
    }
    if (b_HeldByAnother(pc_existing) || b_HeldByAnother(pc_new)) {
        errno = EBUSY;
        return FALSE;
    }
    if (CT_SYSCALL(rename, pc_existing, pc_new) != 0) return FALSE;
    return !(n_flags & MOVEFILE_WRITE_THROUGH) || b_FlushFolderOf(pc_new);
}
