// The Linux stand-ins for three Windows facilities, built from their own
// sources: the wildcards of a directory search, the textual full path, and
// the search for a module's string table. Tables of cases, each as Windows
// answers it where the stand-in claims to answer alike.
#include "platform/posix/wildcards.h"
#include "platform/posix/win32_api.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

CT_STRING_TABLE({7, "seven"}, {8, ""}, {9, "nine and more"});

namespace {

TEST(PosixStandIns, WildcardsMatchAsTheSearchTakesThem) {
    const struct {
        const char *pc_pattern;
        const char *pc_name;
        bool b_match;
    } cases[] = {
        {"*", "", true},
        {"*", "export.kdw", true},
        {"*.kdw", "export.kdw", true},
        {"*.kdw", "export.kdwx", false},
        {"ex*.k?w", "export.kdw", true},
        {"?", "", false},
        {"?", "a", true},
        {"??", "a", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY", false},
        {"*a*a", "aaa", true},
        {"*aab", "aaaab", true},
        {"export.kdw", "export.kdw", true},
        {"export.kdw", "Export.kdw", false},
        {"[ab]", "a", false},
        {"[ab]", "[ab]", true},
        {"**", "x", true},
        {"*.", "name", false},
        {"", "", true},
        {"", "x", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.b_match, ct_posix::b_WildMatch(c.pc_pattern, c.pc_name))
            << c.pc_pattern << " / " << c.pc_name;
}

// The full path as GetFullPathNameA gives it, with the size it returns and
// the final component it points at ("" when it points at none).
struct FullPath {
    DWORD n_result;
    std::string s_path;
    std::string s_final;
};

FullPath o_FullPath(const char *pc_name, DWORD n_size = 4096) {
    std::string s_buffer(n_size ? n_size : 1, '#');
    LPSTR pc_final = nullptr;
    const DWORD n = GetFullPathNameA(pc_name, n_size, &s_buffer[0], &pc_final);
    return FullPath{n, n && n < n_size ? s_buffer.c_str() : "", pc_final ? pc_final : ""};
}

TEST(PosixStandIns, FullPathsAreMadeFromTheTextAlone) {
    char ac_current[PATH_MAX];
    ASSERT_NE(nullptr, ::getcwd(ac_current, sizeof ac_current));
    const std::string s_current = ac_current;
    const char *pc_current_name = s_current == "/" ? "" : std::strrchr(ac_current, '/') + 1;
    const struct {
        const char *pc_name;
        std::string s_path;
        const char *pc_final;
    } cases[] = {
        {"/a/b/../c", "/a/c", "c"},
        {"/a/./b/", "/a/b/", ""},
        {"/a//b", "/a/b", "b"},
        {"/..", "/", ""},
        {"/../../x", "/x", "x"},
        {"/", "/", ""},
        {"/no/such/folder/file.kdw", "/no/such/folder/file.kdw", "file.kdw"},
        {"x", s_current + "/x", "x"},
        {"x/../y/", s_current + "/y/", ""},
        {".", s_current, pc_current_name}, // the folder itself, as Windows names it
        {"a b/ü.kdw", s_current + "/a b/ü.kdw", "ü.kdw"},
    };
    for (const auto &c : cases) {
        const FullPath o = o_FullPath(c.pc_name);
        EXPECT_EQ(c.s_path, o.s_path) << c.pc_name;
        EXPECT_EQ(c.s_path.size(), o.n_result) << c.pc_name;
        EXPECT_EQ(c.pc_final, o.s_final) << c.pc_name;
    }
    // Too small a buffer: the size needed, terminator included, and no text.
    EXPECT_EQ(DWORD(5), o_FullPath("/a/c", 4).n_result);
    EXPECT_EQ(DWORD(4), o_FullPath("/a/c", 5).n_result);
    // No name: 0, as "not found".
    errno = 0;
    EXPECT_EQ(DWORD(0), o_FullPath("").n_result);
    EXPECT_EQ(ENOENT, errno);
}

// LoadStringA into a buffer of n_max bytes: the count it returns and the
// text, or "<none>" when it returns 0.
std::string s_Load(HINSTANCE ho_module, UINT n_id, int n_max = 256) {
    std::string s_buffer(n_max > 0 ? n_max : 1, '#');
    const int n = LoadStringA(ho_module, n_id, &s_buffer[0], n_max);
    return n ? std::to_string(n) + ":" + s_buffer.c_str() : "<none>";
}

TEST(PosixStandIns, AModulesStringTableIsFoundThroughItsHandle) {
    void *pv_library = dlopen(CTCOMMON_LIBRARY_NAME, RTLD_NOLOAD | RTLD_NOW);
    ASSERT_NE(nullptr, pv_library);
    const HINSTANCE ho_library = static_cast<HINSTANCE>(pv_library);
    int i_anything = 0;
    const struct {
        const char *pc_what;
        HINSTANCE ho_module;
        UINT n_id;
        int n_max;
        std::string s_loaded;
    } cases[] = {
        {"the program's own text", nullptr, 7, 256, "5:seven"},
        {"an empty text", nullptr, 8, 256, "<none>"},
        {"an id the program lacks", nullptr, 2, 256, "<none>"},
        {"cut to the buffer less one", nullptr, 9, 5, "4:nine"},
        {"a buffer of one byte", nullptr, 9, 1, "<none>"},
        {"a buffer of none", nullptr, 9, 0, "<none>"},
        {"the library's text by its handle", ho_library, 2, 256, "18:Select Export File"},
        {"an id the library lacks", ho_library, 7, 256, "<none>"},
        {"a handle that is no module", reinterpret_cast<HINSTANCE>(&i_anything), 2, 256, "<none>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.s_loaded, s_Load(c.ho_module, c.n_id, c.n_max)) << c.pc_what;
    dlclose(pv_library);
}

} // namespace
