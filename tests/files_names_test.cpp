// Names that cannot be files: opening one raises 17 with the name, in every
// mode, and leaves the folder exactly as it was (nothing created, no
// backup); the path utilities raise 2 or give their text-only result.
#include "support/raised.h"
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

// Every entry under the folder, with the content of each file.
std::set<std::string> Listing(const TempFolder &o_folder) {
    std::set<std::string> o_entries;
    for (const auto &o_entry : std::filesystem::recursive_directory_iterator(o_folder.Folder()))
        o_entries.insert(
            o_entry.path().string() +
            (o_entry.is_regular_file() ? "=" + ReadWholeFile(o_entry.path().string()) : "/"));
    return o_entries;
}

struct HostileName {
    const char *pc_label;
    std::string s_name;
};

class HostileNames : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteWholeFile(o_folder.Path("existing.txt"), "kept\r\n");
        std::filesystem::create_directory(o_folder.Path("sub"));
    }
    TempFolder o_folder;
    const std::string s_dir = o_folder.Folder();
    const HostileName o_names[8] = {
        {"empty", ""},
        {"control character", s_dir + "bad\x01name.txt"},
        {"trailing separator", s_dir + "new.txt" + s_sep},
        {"existing file with a trailing separator", s_dir + "existing.txt" + s_sep},
        {"component longer than allowed", s_dir + std::string(300, 'n') + ".txt"},
        {"missing folder", s_dir + "missing" + s_sep + "new.txt"},
        {"folder", s_dir + "sub"},
        {"folder with a trailing separator", s_dir + "sub" + s_sep},
    };
};

TEST_F(HostileNames, OpeningRaises17AndLeavesNothingBehind) {
    const std::set<std::string> o_before = Listing(o_folder);
    struct Mode {
        CT_Files::et_OpenMode eo_mode;
        int b_backup;
    } o_modes[] = {{CT_Files::e_Write, 1}, {CT_Files::e_Write, 0}, {CT_Files::e_Read, 1}};
    for (const HostileName &o_name : o_names)
        for (const Mode &o_mode : o_modes) {
            SCOPED_TRACE(std::string(o_name.pc_label) + ", mode " + std::to_string(o_mode.eo_mode) +
                         ", backup " + std::to_string(o_mode.b_backup));
            CT_Files co_file;
            const Raised o_raised = RaisedBy(
                [&] { co_file.v_Open(o_name.s_name.c_str(), o_mode.eo_mode, o_mode.b_backup); });
            EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
            EXPECT_EQ(o_name.s_name, o_raised.s_parameter);
            co_file.v_Cancel(); // a host's handler rolls back
            EXPECT_EQ(o_before, Listing(o_folder));
        }
}

#if defined(_WIN32)
// Names that the system reads as devices (elsewhere they are plain names)
// name no file: opening one raises 17 in every mode and writes to no device.
TEST_F(HostileNames, DeviceNamesCannotBeOpened) {
    const std::set<std::string> o_before = Listing(o_folder);
    const std::string as_names[] = {s_dir + "aux.txt", s_dir + "con.kdw", s_dir + "nul", "COM1.txt",
                                    s_dir + "sub" + s_sep + "prn"};
    for (const std::string &s_name : as_names)
        for (const CT_Files::et_OpenMode eo_mode : {CT_Files::e_Write, CT_Files::e_Read})
            for (const int b_backup : {0, 1}) {
                SCOPED_TRACE(s_name + ", mode " + std::to_string(eo_mode) + ", backup " +
                             std::to_string(b_backup));
                CT_Files co_file;
                const Raised o_raised =
                    RaisedBy([&] { co_file.v_Open(s_name.c_str(), eo_mode, b_backup); });
                EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
                EXPECT_EQ(s_name, o_raised.s_parameter);
                co_file.v_Cancel();
                EXPECT_EQ(o_before, Listing(o_folder));
            }
}
#endif

TEST_F(HostileNames, ThePathUtilitiesWorkOnTheTextAlone) {
    EXPECT_EQ(e_WindowsError, RaisedBy([] { CT_Files::co_GetFileName(""); }).n_code);
    EXPECT_EQ("bad\x01name.txt", Text(CT_Files::co_GetFileName(o_names[1].s_name.c_str())));
    EXPECT_EQ("", Text(CT_Files::co_GetFileName(o_names[2].s_name.c_str())));
    CT_String co_folder;
    CT_Files::v_GetFolder(o_names[5].s_name.c_str(), co_folder);
    EXPECT_EQ(s_dir + "missing" + s_sep, Text(co_folder));
    // Only the folder, named without a separator, is found.
    for (const HostileName &o_name : o_names)
        EXPECT_EQ(&o_name == &o_names[6], CT_Files::b_Exist(o_name.s_name.c_str()))
            << o_name.pc_label;
}

} // namespace
