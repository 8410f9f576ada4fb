// Linux: small text helpers that several stand-ins share.
#ifndef CTCOMMON_PLATFORM_POSIX_TEXTS_H
#define CTCOMMON_PLATFORM_POSIX_TEXTS_H

#include <cstddef>
#include <cstring>
#include <string>

namespace ct_posix {

// The folder part of a path: "." without a separator, "/" for a name at
// the root.
inline std::string s_FolderOf(const char *pc_path) {
    const char *pc_slash = std::strrchr(pc_path, '/');
    if (!pc_slash) return ".";
    return pc_slash == pc_path ? "/" : std::string(pc_path, pc_slash);
}

// The final component of a path.
inline const char *pc_NameOf(const char *pc_path) {
    const char *pc_slash = std::strrchr(pc_path, '/');
    return pc_slash ? pc_slash + 1 : pc_path;
}

// Copies the text into a buffer of n_room bytes as the Win32 calls do: at
// most n_room - 1 bytes and a terminator (n_room must be 1 or more). The
// bytes copied.
inline std::size_t n_CopyCut(char *pc_out, std::size_t n_room, const char *pc_text,
                             std::size_t n_text) {
    const std::size_t n_copied = n_text < n_room - 1 ? n_text : n_room - 1;
    std::memcpy(pc_out, pc_text, n_copied);
    pc_out[n_copied] = 0;
    return n_copied;
}

} // namespace ct_posix

#endif
