// The choosers as a user answers them: on Windows the real common dialogs,
// driven by a watcher thread; on Linux the terminal choosers, answered on
// standard input.
#include "support/platform_support.h"
#include "support/raised.h"
#include "support/string_views.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

#if defined(_WIN32)
const std::string s_sep = "\\";
#else
const std::string s_sep = "/";
#endif

CT_String AllFiles() {
    CT_String co_filter;
    co_filter.v_AddElement("All files");
    co_filter.v_AddElement("*.*");
    return co_filter;
}

class RealChoosers : public ::testing::Test {
  protected:
    TempFolder o_folder;
};

// A host asks for an export file from its window, as a rewrite of one
// begins.
TEST_F(RealChoosers, TheSaveChooserAddsTheDefaultExtension) {
    CT_String co_file; // 512, no initial name
    const std::string s_typed = o_folder.Path("report");
    HWND ho_host = NewWindow("host");
    int b_chosen = 0;
    EXPECT_TRUE(AnswerChooser({e_FileChooser, "Select Export File", {s_typed}}, [&] {
        b_chosen = CT_FilesDialog::b_ChooseSaveFile(co_file, AllFiles(), ho_host);
    }));
    DeleteWindow(ho_host);
    EXPECT_NE(0, b_chosen);
    EXPECT_EQ(s_typed + ".kdw", Text(co_file));
}

TEST_F(RealChoosers, TheImportChooserReturnsTheChosenFilesFullPath) {
    const std::string s_existing = o_folder.Path("import.txt");
    WriteWholeFile(s_existing, "x");
    CT_String co_file;
    int b_chosen = 0;
    EXPECT_TRUE(AnswerChooser({e_FileChooser, "Select Import File", {s_existing}}, [&] {
        b_chosen = CT_FilesDialog::b_ChooseOpenFile(co_file, AllFiles(), nullptr);
    }));
    EXPECT_NE(0, b_chosen);
    EXPECT_EQ(s_existing, Text(co_file));
}

TEST_F(RealChoosers, ConfirmingKeepsARelativeInitialName) {
    // A name relative to the current folder, with a folder of its own. The
    // platform's chooser may move the current folder to the chosen file's.
    const std::filesystem::path o_current = std::filesystem::current_path();
    const std::filesystem::path o_relative =
        std::filesystem::path("ctcommon-initial-" + std::to_string(std::rand())) / "initial.txt";
    const std::string s_expected = std::filesystem::absolute(o_relative).string();
    std::filesystem::create_directories(o_relative.parent_path());
    WriteWholeFile(o_relative.string(), "x");
    CT_String co_file(o_relative.string().c_str());
    int b_chosen = 0;
    EXPECT_TRUE(AnswerChooser({e_FileChooser, "Select Import File", {}}, [&] {
        b_chosen = CT_FilesDialog::b_ChooseOpenFile(co_file, AllFiles(), nullptr);
    }));
    std::filesystem::current_path(o_current);
    EXPECT_NE(0, b_chosen);
    EXPECT_EQ(s_expected, Text(co_file));
    std::filesystem::remove_all(o_relative.parent_path());
}

TEST_F(RealChoosers, CancellingReturnsZeroAndRaisesNothing) {
    CT_String co_file, co_names("untouched");
    int n_results = 0;
    const Raised o_raised = RaisedBy([&] {
        AnswerChooser({e_FileChooser, "Select Export File", {}, true}, [&] {
            n_results += CT_FilesDialog::b_ChooseSaveFile(co_file, AllFiles(), nullptr);
        });
        AnswerChooser({e_FileChooser, "Select Import File", {}, true}, [&] {
            n_results += CT_FilesDialog::b_ChooseOpenFile(co_file, AllFiles(), nullptr);
        });
        AnswerChooser({e_ManyFilesChooser, "Add Files", {}, true}, [&] {
            n_results +=
                CT_FilesDialog::b_ChooseOpenMultipleFile(co_file, co_names, AllFiles(), nullptr);
        });
    });
    EXPECT_EQ(-1, o_raised.n_code);
    EXPECT_EQ(0, n_results);
    EXPECT_EQ("untouched", Text(co_names));
}

TEST_F(RealChoosers, TwoFilesComeBackAsTheFolderAndTheirNames) {
    WriteWholeFile(o_folder.Path("a.txt"), "a");
    WriteWholeFile(o_folder.Path("b.txt"), "b");
    CT_String co_files(o_folder.Path("a.txt").c_str()); // starts in the folder
    co_files.b_ReSize(600);
    CT_String co_names;
    co_names.v_AddElement("earlier.txt");
    int b_chosen = 0;
    EXPECT_TRUE(AnswerChooser({e_ManyFilesChooser, "Add Files", {"b.txt", "a.txt"}}, [&] {
        b_chosen =
            CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, AllFiles(), nullptr);
    }));
    EXPECT_EQ(1, b_chosen);
    EXPECT_EQ(o_folder.Folder(), Text(co_files));
    EXPECT_EQ(std::string("earlier.txt\0b.txt\0a.txt\0\0", 25), ListBytes(co_names));
}

TEST_F(RealChoosers, AnAnswerTooLongForTheFirstArgumentRaisesTooManyFiles) {
    // A path of 257 characters: within what the system takes, but with its
    // terminator beyond a room of 256 bytes.
    const std::string s_folder = o_folder.Folder();
    const std::string s_path = s_folder + std::string(257 - s_folder.size() - 4, 'n') + ".txt";
    WriteWholeFile(s_path, "x");
    ASSERT_TRUE(FileExists(s_path));
    CT_String co_files(""), co_names("untouched"); // a room of 256
    const Raised o_raised = RaisedBy([&] {
        AnswerChooser({e_ManyFilesChooser, "Add Files", {s_path}}, [&] {
            CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, AllFiles(), nullptr);
        });
    });
    EXPECT_EQ(e_TooManyFiles, o_raised.n_code);
    EXPECT_EQ("untouched", Text(co_names));
}

TEST_F(RealChoosers, TheFolderChooser) {
    CT_String co_folder;
    int b_chosen = 1;
    EXPECT_TRUE(
        AnswerChooser({e_FolderChooser, "Please select a folder below and click OK.", {}, true},
                      [&] { b_chosen = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr); }));
    EXPECT_EQ(0, b_chosen);
#if defined(_WIN32)
    // Confirmed as it opens: the folder selected at first.
    EXPECT_TRUE(AnswerChooser({e_FolderChooser, "", {}}, [&] {
        b_chosen = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr);
    }));
    EXPECT_EQ(1, b_chosen);
    EXPECT_EQ(1, CT_Files::b_Exist(co_folder));
#else
    const std::string s_wanted = o_folder.Folder();
    EXPECT_TRUE(
        AnswerChooser({e_FolderChooser, "Please select a folder below and click OK.", {s_wanted}},
                      [&] { b_chosen = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr); }));
    EXPECT_EQ(1, b_chosen);
    EXPECT_EQ(s_wanted.substr(0, s_wanted.size() - 1), Text(co_folder)); // no separator added
#endif
}

} // namespace
