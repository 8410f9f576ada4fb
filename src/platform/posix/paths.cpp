// Linux: directory searches and full paths.
#include "platform/posix/file_names.h"
#include "platform/posix/texts.h"
#include "platform/posix/wildcards.h"
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A search that found something; it holds nothing further.
struct FindSearch {
    int n_unused;
};

bool b_FindEntry(const std::string &s_folder, const char *pc_pattern, std::string *ps_found) {
    if (!std::strpbrk(pc_pattern, "*?")) { // a plain name: look it up
        struct stat o_stat;
        const std::string s_path = s_folder + "/" + pc_pattern;
        if (::fstatat(AT_FDCWD, s_path.c_str(), &o_stat, AT_SYMLINK_NOFOLLOW) != 0) return false;
        *ps_found = pc_pattern;
        return true;
    }
    DIR *po_dir = ::opendir(s_folder.c_str());
    if (!po_dir) return false;
    bool b_found = false;
    while (const struct dirent *po_entry = ::readdir(po_dir)) {
        if (ct_posix::b_WildMatch(pc_pattern, po_entry->d_name)) {
            *ps_found = po_entry->d_name;
            b_found = true;
            break;
        }
    }
    ::closedir(po_dir);
    if (!b_found) errno = ENOENT;
    return b_found;
}

} // namespace

HANDLE FindFirstFileA(LPCSTR pc_pattern, LPWIN32_FIND_DATAA po_found) {
    if (!ct_posix::b_UsableName(pc_pattern)) return INVALID_HANDLE_VALUE;
    // Wildcards count in the final component only.
    const std::string s_folder = ct_posix::s_FolderOf(pc_pattern);
    const char *pc_name = ct_posix::pc_NameOf(pc_pattern);
    std::string s_found;
    if (!*pc_name) errno = ENOENT;
    if (!*pc_name || !b_FindEntry(s_folder, pc_name, &s_found)) return INVALID_HANDLE_VALUE;
    if (po_found) {
        po_found->dwFileAttributes = 0;
        ct_posix::n_CopyCut(po_found->cFileName, MAX_PATH, s_found.data(), s_found.size());
    }
    return reinterpret_cast<HANDLE>(new FindSearch());
}

BOOL FindClose(HANDLE ho_search) {
    delete reinterpret_cast<FindSearch *>(ho_search);
    return TRUE;
}

DWORD GetFullPathNameA(LPCSTR pc_name, DWORD n_size, LPSTR pc_buffer, LPSTR *ppc_file_part) {
    if (!pc_name || !*pc_name) {
        errno = ENOENT;
        return 0;
    }
    std::string s_joined;
    if (pc_name[0] != '/') {
        std::vector<char> ac_current(4096);
        while (!::getcwd(ac_current.data(), ac_current.size())) {
            if (errno != ERANGE) return 0;
            ac_current.resize(ac_current.size() * 2);
        }
        s_joined = ac_current.data();
        s_joined += '/';
    }
    s_joined += pc_name;

    // "." and ".." by the text alone; ".." above the root stays at the root.
    std::vector<std::string> as_parts;
    std::size_t n_at = 0;
    while (n_at <= s_joined.size()) {
        std::size_t n_end = s_joined.find('/', n_at);
        if (n_end == std::string::npos) n_end = s_joined.size();
        const std::string s_part = s_joined.substr(n_at, n_end - n_at);
        if (s_part == "..") {
            if (!as_parts.empty()) as_parts.pop_back();
        } else if (!s_part.empty() && s_part != ".") {
            as_parts.push_back(s_part);
        }
        n_at = n_end + 1;
    }
    std::string s_full;
    for (const std::string &s_part : as_parts)
        s_full += "/" + s_part;
    const bool b_final_component = !as_parts.empty() && s_joined.back() != '/';
    if (!b_final_component) s_full += "/"; // a folder named with its separator, or the root

    if (s_full.size() + 1 > n_size) return static_cast<DWORD>(s_full.size() + 1);
    std::memcpy(pc_buffer, s_full.c_str(), s_full.size() + 1);
    if (ppc_file_part)
        *ppc_file_part = b_final_component ? pc_buffer + s_full.rfind('/') + 1 : nullptr;
    return static_cast<DWORD>(s_full.size());
}

bool ct_platform::b_SystemPath(const char *pc_name, const char *, std::string *ps_path) {
    if (!ct_posix::b_UsableName(pc_name)) return false;
    const char *pc_final = ct_posix::pc_NameOf(pc_name);
    if (!*pc_final || std::strcmp(pc_final, ".") == 0 || std::strcmp(pc_final, "..") == 0) {
        errno = EISDIR;
        return false;
    }
    char *pc_folder = ::realpath(ct_posix::s_FolderOf(pc_name).c_str(), nullptr);
    if (!pc_folder) return false;
    std::string s_path = pc_folder;
    std::free(pc_folder);
    if (s_path.back() != '/') s_path += '/';
    *ps_path = s_path + pc_final;
    return true;
}
