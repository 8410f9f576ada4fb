// The dialogs as a user answers them: on Windows the real common dialogs,
// driven by a watcher thread; on Linux the terminal dialogs, answered on
// standard input.
#include "support/platform_support.h"
#include "support/raised.h"
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

CT_String AllFiles() {
    CT_String co_filter;
    co_filter.v_AddElement("All files");
    co_filter.v_AddElement("*.*");
    return co_filter;
}

class RealDialogs : public ::testing::Test {
  protected:
    TempFolder o_folder;
};

// A host asks for an export file from its window, as a rewrite of one
// begins.
TEST_F(RealDialogs, TheSaveDialogAddsTheDefaultExtension) {
    CT_String co_file; // 512, no initial name
    const std::string s_typed = o_folder.Path("report");
    HWND ho_host = NewWindow("host");
    int b_chosen = 0;
    EXPECT_TRUE(AnswerDialog({e_FileDialog, "Select Export File", {s_typed}}, [&] {
        b_chosen = CT_FilesDialog::b_ChooseSaveFile(co_file, AllFiles(), ho_host);
    }));
    DeleteWindow(ho_host);
    EXPECT_NE(0, b_chosen);
    EXPECT_EQ(s_typed + ".kdw", Text(co_file));
}

TEST_F(RealDialogs, TheImportDialogReturnsTheChosenFilesFullPath) {
    const std::string s_existing = o_folder.Path("import.txt");
    WriteWholeFile(s_existing, "x");
    CT_String co_file;
    int b_chosen = 0;
    EXPECT_TRUE(AnswerDialog({e_FileDialog, "Select Import File", {s_existing}}, [&] {
        b_chosen = CT_FilesDialog::b_ChooseOpenFile(co_file, AllFiles(), nullptr);
    }));
    EXPECT_NE(0, b_chosen);
    EXPECT_EQ(s_existing, Text(co_file));
}

TEST_F(RealDialogs, ConfirmingKeepsARelativeInitialName) {
    // A name relative to the current folder, with a folder of its own. The
    // platform's dialog may move the current folder to the chosen file's.
    const std::filesystem::path o_current = std::filesystem::current_path();
    const std::filesystem::path o_relative =
        std::filesystem::path("ctcommon-initial-" + std::to_string(std::rand())) / "initial.txt";
    const std::string s_expected = std::filesystem::absolute(o_relative).string();
    std::filesystem::create_directories(o_relative.parent_path());
    WriteWholeFile(o_relative.string(), "x");
    CT_String co_file(o_relative.string().c_str());
    int b_chosen = 0;
    EXPECT_TRUE(AnswerDialog({e_FileDialog, "Select Import File", {}}, [&] {
        b_chosen = CT_FilesDialog::b_ChooseOpenFile(co_file, AllFiles(), nullptr);
    }));
    std::filesystem::current_path(o_current);
    EXPECT_NE(0, b_chosen);
    EXPECT_EQ(s_expected, Text(co_file));
    std::filesystem::remove_all(o_relative.parent_path());
}

TEST_F(RealDialogs, CancellingReturnsZeroAndRaisesNothing) {
    CT_String co_file, co_names("untouched");
    int n_results = 0;
    const Raised o_raised = RaisedBy([&] {
        AnswerDialog({e_FileDialog, "Select Export File", {}, true}, [&] {
            n_results += CT_FilesDialog::b_ChooseSaveFile(co_file, AllFiles(), nullptr);
        });
        AnswerDialog({e_FileDialog, "Select Import File", {}, true}, [&] {
            n_results += CT_FilesDialog::b_ChooseOpenFile(co_file, AllFiles(), nullptr);
        });
        AnswerDialog({e_ManyFilesDialog, "Add Files", {}, true}, [&] {
            n_results +=
                CT_FilesDialog::b_ChooseOpenMultipleFile(co_file, co_names, AllFiles(), nullptr);
        });
    });
    EXPECT_EQ(-1, o_raised.n_code);
    EXPECT_EQ(0, n_results);
    EXPECT_EQ("untouched", Text(co_names));
}

TEST_F(RealDialogs, TwoFilesComeBackAsTheFolderAndTheirNames) {
    WriteWholeFile(o_folder.Path("a.txt"), "a");
    WriteWholeFile(o_folder.Path("b.txt"), "b");
    CT_String co_files(o_folder.Path("a.txt").c_str()); // starts in the folder
    co_files.b_ReSize(600);
    CT_String co_names;
    co_names.v_AddElement("earlier.txt");
    int b_chosen = 0;
    EXPECT_TRUE(AnswerDialog({e_ManyFilesDialog, "Add Files", {"b.txt", "a.txt"}}, [&] {
        b_chosen =
            CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, AllFiles(), nullptr);
    }));
    EXPECT_EQ(1, b_chosen);
    EXPECT_EQ(o_folder.Folder(), Text(co_files));
    EXPECT_EQ(std::string("earlier.txt\0b.txt\0a.txt\0\0", 25), ListBytes(co_names));
}

TEST_F(RealDialogs, AnAnswerTooLongForTheFirstArgumentRaisesTooManyFiles) {
    // A path of 257 characters: within what the system takes, but with its
    // terminator beyond a room of 256 bytes.
    const std::string s_folder = o_folder.Folder();
    const std::string s_path = s_folder + std::string(257 - s_folder.size() - 4, 'n') + ".txt";
    WriteWholeFile(s_path, "x");
    ASSERT_TRUE(FileExists(s_path));
    CT_String co_files(""), co_names("untouched"); // a room of 256
    const Raised o_raised = RaisedBy([&] {
        AnswerDialog({e_ManyFilesDialog, "Add Files", {s_path}}, [&] {
            CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, AllFiles(), nullptr);
        });
    });
    EXPECT_EQ(e_TooManyFiles, o_raised.n_code);
    EXPECT_EQ("untouched", Text(co_names));
}

TEST_F(RealDialogs, TheFolderDialog) {
    const char *pc_caption = "Please select a folder below and click OK.";
    CT_String co_folder("kept");
    int b_chosen = 1;
    EXPECT_TRUE(AnswerDialog({e_FolderDialog, pc_caption, {}, true}, [&] {
        b_chosen = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr);
    }));
    EXPECT_EQ(0, b_chosen);
    EXPECT_EQ("kept", Text(co_folder));
    const std::string s_wanted = o_folder.Path("chosen");
    std::filesystem::create_directory(s_wanted);
    EXPECT_TRUE(AnswerDialog({e_FolderDialog, pc_caption, {s_wanted}}, [&] {
        b_chosen = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr);
    }));
    EXPECT_EQ(1, b_chosen);
    EXPECT_EQ(s_wanted, Text(co_folder)); // no separator added
}

// A folder whose path does not fit into MAX_PATH bytes is no answer: some
// systems cut its path to fit, which names another folder or none.
TEST_F(RealDialogs, TheFolderDialogNeverAnswersWithACutPath) {
    for (const bool b_sibling : {false, true})
        for (const std::size_t n_length : {258u, 259u, 260u, 270u, 300u}) {
            std::string s_chosen = o_folder.Path(std::to_string(n_length) + (b_sibling ? "s" : ""));
            while (s_chosen.size() < 230)
                s_chosen += s_sep + std::string(20, 'd');
            s_chosen += s_sep + std::string(n_length - s_chosen.size() - 1, 'f');
            ASSERT_EQ(n_length, s_chosen.size());
            std::filesystem::create_directories(s_chosen);
            // The folder that the path cut to MAX_PATH bytes would name.
            if (b_sibling && n_length > 259)
                std::filesystem::create_directory(s_chosen.substr(0, 259));
            SCOPED_TRACE(std::to_string(n_length) + (b_sibling ? ", with its cut sibling" : ""));
            CT_String co_folder("kept");
            int b_chosen = -1;
            EXPECT_TRUE(AnswerDialog(
                {e_FolderDialog, "Please select a folder below and click OK.", {s_chosen}},
                [&] { b_chosen = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr); }));
            EXPECT_EQ(n_length < 260, b_chosen);
            EXPECT_EQ(n_length < 260 ? s_chosen : "kept", Text(co_folder));
        }
    // A path whose first 259 bytes end in the chosen folder's own name: cut
    // there, it would name the folder's parent of the same name.
    std::string s_chosen = o_folder.Path("twice");
    while (s_chosen.size() < 254)
        s_chosen += s_sep + std::string(std::min<std::size_t>(20, 253 - s_chosen.size()), 'd');
    s_chosen += s_sep + "same" + s_sep + "same";
    ASSERT_EQ(259u, s_chosen.size() - 5);
    std::filesystem::create_directories(s_chosen);
    CT_String co_folder("kept");
    EXPECT_TRUE(AnswerDialog(
        {e_FolderDialog, "Please select a folder below and click OK.", {s_chosen}},
        [&] { EXPECT_EQ(0, CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr)); }));
    EXPECT_EQ("kept", Text(co_folder));
}

} // namespace
