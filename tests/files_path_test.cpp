// CT_Files path utilities: existence with wildcards, full paths, their
// final component and folder, and extension removal.
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

#if defined(_WIN32)
const std::string s_root = "D:\\";
#else
const std::string s_root = "/";
#endif

std::string FileName(const std::string &s_path) {
    return Text(CT_Files::co_GetFileName(s_path.c_str()));
}

std::string Folder(const std::string &s_path) {
    CT_String co_folder("previous");
    CT_Files::v_GetFolder(s_path.c_str(), co_folder);
    return Text(co_folder);
}

std::string CurrentFolder() {
    std::string s_current = std::filesystem::current_path().string();
    if (s_current.back() != s_sep[0]) s_current += s_sep;
    return s_current;
}

TEST(PathExist, FilesFoldersAndPatterns) {
    TempFolder o_folder;
    WriteWholeFile(o_folder.Path("paper.doc"), "x");
    std::filesystem::create_directory(o_folder.Path("sub"));
    const struct {
        std::string s_name;
        int b_exists;
    } cases[] = {
        {o_folder.Path("paper.doc"), 1},
        {o_folder.Path("sub"), 1},
        {o_folder.Path("missing"), 0},
        {o_folder.Path("*.doc"), 1},
        {o_folder.Path("?aper.*"), 1},
        {o_folder.Path("*.xls"), 0},
        {o_folder.Path("s?b"), 1},
        {o_folder.Path("paper.doc") + s_sep, 0},
        {"", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.b_exists, CT_Files::b_Exist(c.s_name.c_str())) << c.s_name;
}

TEST(PathParts, TheFinalComponentAndTheFolder) {
    const std::string s_current = CurrentFolder();
    const struct {
        std::string s_path, s_name, s_folder;
    } cases[] = {
        {s_root + "data" + s_sep + "paper.doc", "paper.doc", s_root + "data" + s_sep},
        {s_root + "data" + s_sep + "sub", "sub", s_root + "data" + s_sep},
        {"data" + s_sep + "paper.doc", "paper.doc", s_current + "data" + s_sep},
        {"paper.doc", "paper.doc", s_current},
        {"a" + s_sep + "." + s_sep + "b" + s_sep + ".." + s_sep + "c.txt", "c.txt",
         s_current + "a" + s_sep},
        {s_root + "data" + s_sep + "x", "x", s_root + "data" + s_sep},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.s_name, FileName(c.s_path)) << c.s_path;
        EXPECT_EQ(c.s_folder, Folder(c.s_path)) << c.s_path;
    }
}

// Names that Windows reads as devices in any folder (aux, con, prn, nul,
// com1, lpt1, with any extension): the utilities answer for the text as
// written, as for any other name.
TEST(PathParts, DeviceNamesAreTakenAsWritten) {
    const std::string s_current = CurrentFolder();
    const std::string s_r4 = s_root + "r4" + s_sep;
    const struct {
        std::string s_path, s_name, s_folder;
    } cases[] = {
        {s_r4 + "aux.txt", "aux.txt", s_r4},
        {s_root + "exports" + s_sep + "con.kdw", "con.kdw", s_root + "exports" + s_sep},
        {s_r4 + "sub" + s_sep + ".." + s_sep + "PRN.doc", "PRN.doc", s_r4},
        {s_r4 + "nul", "nul", s_r4},
        {s_r4 + "COM1.txt", "COM1.txt", s_r4},
        {"lpt1.txt", "lpt1.txt", s_current},
        {"aux", "aux", s_current},
        {s_r4 + "auxiliary.txt", "auxiliary.txt", s_r4},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.s_name, FileName(c.s_path)) << c.s_path;
        EXPECT_EQ(c.s_folder, Folder(c.s_path)) << c.s_path;
    }
#if defined(_WIN32)
    // A device path written as one is the system's to answer.
    EXPECT_EQ("aux", FileName("\\\\.\\aux"));
    EXPECT_EQ("\\\\.\\", Folder("\\\\.\\aux"));
#endif
}

TEST(PathParts, TheFolderMayReplaceThePathItCameFrom) {
    const std::string s_path = s_root + "data" + s_sep + "paper.doc";
    CT_String co_path(s_path.c_str());
    CT_Files::v_GetFolder(co_path, co_path);
    EXPECT_EQ(s_root + "data" + s_sep, Text(co_path));
}

TEST(PathParts, APathEndingInASeparatorHasNoFinalComponent) {
    const std::string s_path = s_root + "data" + s_sep;
    EXPECT_EQ("", FileName(s_path));
    EXPECT_EQ(s_path, Folder(s_path));
}

TEST(PathParts, AFullPathLongerThanTheDefaultRoomIsGrownFor) {
    std::string s_path = s_root;
    for (int i = 0; i < 70; ++i)
        s_path += "folder" + std::to_string(i % 10) + s_sep;
    s_path += "final.txt";
    ASSERT_GT(s_path.size(), 511u);
#if defined(_WIN32)
    // The system's ANSI call takes names of at most MAX_PATH characters: a
    // clear error, not a cut path.
    try {
        FileName(s_path);
        ADD_FAILURE() << "nothing raised";
    } catch (et_ErrorCode eo_code) {
        EXPECT_EQ(e_WindowsError, eo_code);
        EXPECT_EQ("GetFullPathName\r\n", Text(CT_Errors::co_GetLastParameter()));
    }
#else
    EXPECT_EQ("final.txt", FileName(s_path));
    EXPECT_EQ(s_path.substr(0, s_path.size() - 9), Folder(s_path));
#endif
}

TEST(PathParts, AnEmptyPathRaisesWindowsErrorWithTheCallsName) {
    for (int n_operation = 0; n_operation < 2; ++n_operation) {
        CT_String co_folder("kept");
        try {
            if (n_operation == 0)
                CT_Files::co_GetFileName("");
            else
                CT_Files::v_GetFolder("", co_folder);
            ADD_FAILURE() << "nothing raised";
        } catch (et_ErrorCode eo_code) {
            EXPECT_EQ(e_WindowsError, eo_code);
            EXPECT_EQ("GetFullPathName\r\n", Text(CT_Errors::co_GetLastParameter()));
        }
        EXPECT_EQ("kept", Text(co_folder));
    }
}

TEST(PathExtension, CutsAtTheFirstDotOfTheWholePath) {
    const struct {
        std::string s_name, s_after;
    } cases[] = {
        {"paper.doc", "paper"},
        {"archive.tar.gz", "archive"},
        {s_root + "my.data" + s_sep + "paper.doc", s_root + "my"},
        {"." + s_sep + "paper.doc", ""},
        {"paper", "paper"},
        {"\x82.x.y", "\x82.x"}, // 0x82 0x2E is one character, not a dot
    };
    for (const auto &c : cases) {
        CT_String co_name(c.s_name.c_str());
        CT_Files::v_RemoveExtension(co_name);
        EXPECT_EQ(c.s_after, Text(co_name)) << c.s_name;
    }
}

} // namespace
