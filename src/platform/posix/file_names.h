// Linux: which file names the file calls take. Windows refuses a name that
// holds a control character, and so do the calls here, so that a name that
// a Windows build cannot use gets the same answer on both builds.
#ifndef CTCOMMON_PLATFORM_POSIX_FILE_NAMES_H
#define CTCOMMON_PLATFORM_POSIX_FILE_NAMES_H

#include <cerrno>

namespace ct_posix {

// False (errno set) for a null or empty name, or one with a byte from 1 to 31.
inline bool b_UsableName(const char *pc_name) {
    if (!pc_name || !*pc_name) {
        errno = ENOENT;
        return false;
    }
    for (const char *pc = pc_name; *pc; ++pc)
        if (static_cast<unsigned char>(*pc) < 0x20) {
            errno = EINVAL;
            return false;
        }
    return true;
}

} // namespace ct_posix

#endif
