// A rewrite is one transaction on exactly the files that it opened, whoever
// holds it: copies and assignments share it and end it once; a rollback
// puts the old content back into the very file that was emptied; the
// current folder may move meanwhile; a second backup request keeps the
// first; names the system cannot handle whole and files that cannot move
// back are handled without losing anything.
#include "support/long_lines.h"
#include "support/platform_support.h"
#include "support/raised.h"
#include "support/string_views.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class SharedRewrite : public ::testing::Test {
  protected:
    void SetUp() override { WriteWholeFile(s_file, "old\r\n"); }
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";
};

enum et_End { e_CloseIt, e_CancelIt, e_DestroyIt };

// Three holders of one rewrite end in every order and every way. It is
// rolled back by the first cancel, and from then on the others hold
// nothing: their writes raise 18 and their endings touch nothing. Without a
// cancel it is committed by the last holder, and not before.
TEST_F(SharedRewrite, HoldersEndItOnceInAnyOrder) {
    std::vector<int> an_order = {0, 1, 2};
    do {
        for (int n_ways = 0; n_ways < 27; ++n_ways) {
            const et_End ao_end[3] = {et_End(n_ways % 3), et_End(n_ways / 3 % 3),
                                      et_End(n_ways / 9)};
            std::string s_case = "order";
            for (int n : an_order)
                s_case += " " + std::to_string(n) + ":" + "cld"[ao_end[n]];
            SCOPED_TRACE(s_case);
            WriteWholeFile(s_file, "old\r\n");
            std::optional<CT_Files> ao_holders[3];
            ao_holders[0].emplace();
            ao_holders[0]->v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            ao_holders[0]->v_Write("new ", 4);
            ao_holders[1].emplace(*ao_holders[0]);
            ao_holders[1]->v_Write("and ", 4); // one file, one position
            ao_holders[2].emplace();
            *ao_holders[2] = *ao_holders[1];
            ao_holders[2]->v_Write("more", 4);

            bool b_cancelled = false;
            for (std::size_t n_step = 0; n_step < 3; ++n_step) {
                const int n = an_order[n_step];
                if (b_cancelled) {
                    const Raised o_raised = RaisedBy([&] { ao_holders[n]->v_Write("late", 4); });
                    EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
                    EXPECT_EQ(s_file, o_raised.s_parameter);
                }
                if (ao_end[n] == e_CloseIt) ao_holders[n]->v_Close();
                if (ao_end[n] == e_CancelIt) ao_holders[n]->v_Cancel();
                if (ao_end[n] == e_DestroyIt) ao_holders[n].reset();
                b_cancelled = b_cancelled || ao_end[n] == e_CancelIt;
                if (b_cancelled) {
                    EXPECT_TRUE(CanOpen(s_file));
                    EXPECT_EQ("old\r\n", ReadWholeFile(s_file));
                    EXPECT_FALSE(FileExists(s_backup));
                } else if (n_step < 2) {
                    EXPECT_TRUE(FileExists(s_backup)); // not committed yet
                    EXPECT_FALSE(CanOpen(s_file));
                }
            }
            EXPECT_EQ(b_cancelled ? "old\r\n" : "new and more", ReadWholeFile(s_file));
            EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
        }
    } while (std::next_permutation(an_order.begin(), an_order.end()));
}

// A helper that takes the object by value and writes a header.
void WriteHeader(CT_Files co_file) { co_file.v_Writeln("header"); }

TEST_F(SharedRewrite, AHelperTakingTheObjectByValueCommitsNothing) {
    for (bool b_cancel : {false, true}) {
        WriteWholeFile(s_file, "old\r\n");
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        WriteHeader(co_file);
        co_file.v_Writeln("body");
        EXPECT_TRUE(FileExists(s_backup));
        if (b_cancel)
            co_file.v_Cancel();
        else
            co_file.v_Close();
        EXPECT_EQ(b_cancel ? "old\r\n" : "header\r\nbody\r\n", ReadWholeFile(s_file));
        EXPECT_FALSE(FileExists(s_backup));
    }
}

// Assigning to an object ends its own part of its rewrite first, as opening
// again does: here it held the rewrite alone, which is committed.
TEST_F(SharedRewrite, AssignmentOverAHolderCommitsItsOwnRewrite) {
    const std::string s_other = o_folder.Path("other.kdw");
    CT_Files co_target, co_source;
    co_target.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    co_target.v_Write("new", 3);
    co_source.v_Open(s_other.c_str(), CT_Files::e_Write, 0);
    co_target = co_source;
    EXPECT_EQ("new", ReadWholeFile(s_file));
    EXPECT_FALSE(FileExists(s_backup));
    co_target = co_target; // itself: nothing changes
    co_target.v_Write("x", 1);
    co_target.v_Cancel(); // shared with co_source: the other file goes
    EXPECT_FALSE(FileExists(s_other));
    EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_source.v_Write("y", 1); }).n_code);
}

// A backup held is never replaced by a later request: the content from
// before the rewrite stays the one that a rollback puts back.
TEST_F(SharedRewrite, ASecondBackupRequestKeepsTheFirst) {
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    co_file.v_Write("partial", 7);
    co_file.v_SaveOldFile();
    EXPECT_EQ("old\r\n", ReadWholeFile(s_backup));
    co_file.v_Cancel();
    EXPECT_EQ("old\r\n", ReadWholeFile(s_file));
    EXPECT_FALSE(FileExists(s_backup));

    // Rewriting without a backup, there is no old content left to keep.
    CT_Files co_plain;
    co_plain.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
    co_plain.v_Write("new", 3);
    const Raised o_raised = RaisedBy([&] { co_plain.v_SaveOldFile(); });
    EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    EXPECT_FALSE(FileExists(s_backup));
    co_plain.v_Write("er", 2); // still open
    co_plain.v_Close();
    EXPECT_EQ("newer", ReadWholeFile(s_file));
}

// A backup that one object holds is neither replaced nor deleted by
// another's rewrite.
TEST_F(SharedRewrite, ABackupHeldByOneObjectIsSafeFromAnother) {
    CT_Files co_keeper;
    co_keeper.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    co_keeper.v_Close();
    co_keeper.v_SaveOldFile(); // the file it last named, copied and held
    EXPECT_EQ("old\r\n", ReadWholeFile(s_backup));
    CT_Files co_other;
    const Raised o_raised =
        RaisedBy([&] { co_other.v_Open(s_file.c_str(), CT_Files::e_Write, 1); });
    EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
    EXPECT_EQ("old\r\n", ReadWholeFile(s_file)); // never emptied
    EXPECT_EQ("old\r\n", ReadWholeFile(s_backup));
    co_keeper.v_Cancel(); // it wrote nothing: only its backup goes
    EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
}

// A rollback writes the old content back through the hold that the object
// has on the file: every name of the file sees it, a link stays a link, and
// the file's protection and last-write time are its own again.
TEST_F(SharedRewrite, ARollbackRestoresTheVeryFileThatWasEmptied) {
    const std::string s_other_name = o_folder.Path("hard.kdw");
    std::filesystem::create_hard_link(s_file, s_other_name);
    // Whole seconds, which every platform's file times hold exactly.
    const std::filesystem::file_time_type o_then = std::chrono::floor<std::chrono::seconds>(
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(49));
    std::filesystem::last_write_time(s_file, o_then);
    std::vector<std::string> as_names = {s_file, s_other_name};
#if !defined(_WIN32)
    const std::string s_link = o_folder.Path("link.kdw");
    std::filesystem::create_symlink(s_file, s_link);
    as_names.push_back(s_link);
    ::chmod(s_file.c_str(), 0640);
#endif
    for (const std::string &s_name : as_names) {
        SCOPED_TRACE("opened as " + s_name);
        CT_Files co_file;
        co_file.v_Open(s_name.c_str(), CT_Files::e_Write, 1);
        co_file.v_Write(std::string(100000, 'n').c_str(), 100000);
        co_file.v_Cancel();
        EXPECT_EQ("old\r\n", ReadWholeFile(s_file));
        EXPECT_EQ("old\r\n", ReadWholeFile(s_other_name));
        EXPECT_TRUE(std::filesystem::equivalent(s_file, s_other_name));
        EXPECT_TRUE(o_then == std::filesystem::last_write_time(s_file));
        EXPECT_FALSE(FileExists(s_name + ".old"));
#if !defined(_WIN32)
        EXPECT_TRUE(std::filesystem::is_symlink(s_link));
        struct stat o_stat;
        ASSERT_EQ(0, ::stat(s_file.c_str(), &o_stat));
        EXPECT_EQ(0640u, o_stat.st_mode & 07777);
#endif
    }
}

// An object opened under a relative name keeps acting on that file when the
// current folder moves, here by a real dialog (which makes the chosen
// file's folder current on Windows) and by the program itself: a namesake
// and its backup in the new folder are never touched.
class MovingFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(s_here);
        std::filesystem::create_directories(s_there);
        o_start = std::filesystem::current_path();
        std::filesystem::current_path(s_here);
    }
    void TearDown() override { std::filesystem::current_path(o_start); }

    // Moves the current folder to s_there: by choosing a file there, or
    // directly.
    void MoveAway(bool b_by_dialog) {
        if (!b_by_dialog) return std::filesystem::current_path(s_there);
        const std::string s_import = (std::filesystem::path(s_there) / "import.txt").string();
        WriteWholeFile(s_import, "import");
        CT_String co_chosen(nullptr, 1024);
        EXPECT_TRUE(AnswerDialog({e_FileDialog, "Select Import File", {s_import}}, [&] {
            CT_String co_filter;
            co_filter.v_AddElement("All files");
            co_filter.v_AddElement("*.*");
            EXPECT_NE(0, CT_FilesDialog::b_ChooseOpenFile(co_chosen, co_filter, nullptr));
        }));
        EXPECT_EQ(s_import, Text(co_chosen));
        std::filesystem::current_path(s_there); // on Linux the terminal dialog moves nothing
    }

    TempFolder o_folder;
    const std::string s_here = o_folder.Path("here");
    const std::string s_there = o_folder.Path("there");
    std::filesystem::path o_start;
};

TEST_F(MovingFolder, CommitAndRollbackActOnTheFileThatWasOpened) {
    const std::string s_mine = (std::filesystem::path(s_here) / "export.kdw").string();
    const std::string s_namesake = (std::filesystem::path(s_there) / "export.kdw").string();
    const struct {
        int b_backup;
        bool b_cancel;
        const char *pc_after; // null: the file is gone
    } o_cases[] = {{1, true, "old"}, {1, false, "new"}, {0, true, nullptr}, {0, false, "new"}};
    for (bool b_by_dialog : {false, true})
        for (const auto &o_case : o_cases) {
            SCOPED_TRACE(std::string(b_by_dialog ? "dialog" : "direct") + ", backup " +
                         std::to_string(o_case.b_backup) +
                         (o_case.b_cancel ? ", cancel" : ", close"));
            std::filesystem::current_path(s_here);
            WriteWholeFile(s_mine, "old");
            WriteWholeFile(s_namesake, "namesake");
            WriteWholeFile(s_namesake + ".old", "namesake's backup");
            CT_Files co_file;
            co_file.v_Open("export.kdw", CT_Files::e_Write, o_case.b_backup);
            co_file.v_Write("new", 3);
            MoveAway(b_by_dialog);
            const Raised o_raised = RaisedBy([&] { co_file.v_Write("", 0); });
            EXPECT_EQ(-1, o_raised.n_code); // still open
            if (o_case.b_cancel)
                co_file.v_Cancel();
            else
                co_file.v_Close();
            EXPECT_EQ(o_case.pc_after != nullptr, FileExists(s_mine));
            if (o_case.pc_after) {
                EXPECT_EQ(o_case.pc_after, ReadWholeFile(s_mine));
            }
            EXPECT_FALSE(FileExists(s_mine + ".old"));
            EXPECT_EQ("namesake", ReadWholeFile(s_namesake));
            EXPECT_EQ("namesake's backup", ReadWholeFile(s_namesake + ".old"));
        }
}

// Names at the edge of what the system's file calls handle whole: a rewrite
// either works or raises 17 before anything is created, and never leaves a
// backup or a temporary copy behind.
TEST(LongNames, ABackupNameTooLongStopsTheOpenAndLeavesNothing) {
    TempFolder o_folder;
#if defined(_WIN32)
    // Full paths of MAX_PATH - 12 to MAX_PATH - 1 characters.
    const std::size_t n_folder = o_folder.Folder().size();
    std::vector<std::size_t> an_lengths;
    for (std::size_t n_path = MAX_PATH - 12; n_path < MAX_PATH; ++n_path)
        an_lengths.push_back(n_path - n_folder);
#else
    // Final components of NAME_MAX - 12 to NAME_MAX bytes.
    std::vector<std::size_t> an_lengths;
    for (std::size_t n_name = 255 - 12; n_name <= 255; ++n_name)
        an_lengths.push_back(n_name);
#endif
    for (std::size_t n_length : an_lengths)
        for (CT_Files::et_OpenMode eo_mode : {CT_Files::e_Write, CT_Files::e_Read}) {
            const std::string s_name = std::string(n_length - 4, 'n') + ".kdw";
            const std::string s_file = o_folder.Path(s_name);
            SCOPED_TRACE("name of " + std::to_string(n_length) + ", path of " +
                         std::to_string(s_file.size()));
            {
                CT_Files co_make;
                co_make.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
                co_make.v_Write("old", 3);
            }
            for (bool b_cancel : {false, true}) {
                CT_Files co_file;
                const Raised o_raised = RaisedBy([&] {
                    co_file.v_Open(s_file.c_str(), eo_mode, 1);
                    if (eo_mode == CT_Files::e_Write) co_file.v_Write("new", 3);
                });
                EXPECT_TRUE(o_raised.n_code == -1 || o_raised.n_code == e_FileOpenFailed);
                if (o_raised.n_code == e_FileOpenFailed) {
                    EXPECT_EQ("old", ReadWholeFile(s_file));
                }
                const bool b_rewritten = o_raised.n_code == -1 && eo_mode == CT_Files::e_Write;
                if (b_cancel)
                    co_file.v_Cancel();
                else
                    co_file.v_Close();
                EXPECT_EQ(b_rewritten && !b_cancel ? "new" : "old", ReadWholeFile(s_file));
                EXPECT_EQ(std::vector<std::string>{s_name}, o_folder.Names());
                if (b_rewritten && !b_cancel) WriteWholeFile(s_file, "old");
            }
            std::filesystem::remove(s_file);
        }
}

// A file that cannot move back (a pipe): the object reads ahead into its
// buffer all the same, so counting answers and what follows a delimiter
// waits there for the next read.
class Unseekable : public ::testing::Test {
  protected:
    // Serves the content through a new pipe that the object then opens by
    // name; the writer closes its end after the last byte.
    void Serve(const std::string &s_content);
    void TearDown() override {
        if (o_writer.joinable()) o_writer.join();
    }
    TempFolder o_folder;
    std::string s_name;
    std::thread o_writer;
    unsigned n_served = 0;
};

#if defined(_WIN32)
void Unseekable::Serve(const std::string &s_content) {
    if (o_writer.joinable()) o_writer.join();
    s_name = "\\\\.\\pipe\\ctcommon-test-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(++n_served);
    const HANDLE ho_pipe = CreateNamedPipeA(s_name.c_str(), PIPE_ACCESS_OUTBOUND,
                                            PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, ho_pipe);
    o_writer = std::thread([ho_pipe, s_content] {
        ConnectNamedPipe(ho_pipe, nullptr);
        DWORD n_written = 0;
        if (!s_content.empty())
            WriteFile(ho_pipe, s_content.data(), static_cast<DWORD>(s_content.size()), &n_written,
                      nullptr);
        // Closed, not disconnected: the reader still gets every byte, and
        // then ERROR_BROKEN_PIPE.
        CloseHandle(ho_pipe);
    });
}
#else
void Unseekable::Serve(const std::string &s_content) {
    if (o_writer.joinable()) o_writer.join();
    s_name = o_folder.Path("fifo" + std::to_string(++n_served));
    ASSERT_EQ(0, ::mkfifo(s_name.c_str(), 0600));
    o_writer = std::thread([this, s_content] {
        const int n_fd = ::open(s_name.c_str(), O_WRONLY);
        if (n_fd < 0) return;
        if (::write(n_fd, s_content.data(), s_content.size()) < 0) std::perror("write");
        ::close(n_fd);
    });
}
#endif

TEST_F(Unseekable, DelimiterReadingKeepsWhatFollowsTheDelimiter) {
    Serve("abc\r\ndef\r\nghi;jk");
    CT_Files co_pipe;
    co_pipe.v_Open(s_name.c_str(), CT_Files::e_Read, 0);
    EXPECT_EQ(3u, co_pipe.n_CountUntil("\r\n"));
    CT_String co_line;
    co_pipe.v_ReadUntil(co_line, "\r\n");
    EXPECT_EQ("abc", Text(co_line));
    co_pipe.v_MoveUntil("\r\n");
    co_pipe.v_ReadUntil(co_line, ";");
    EXPECT_EQ("ghi", Text(co_line));
    char ac_rest[2] = {0, 0};
    co_pipe.v_Read(ac_rest, 2); // nothing after the delimiter was lost
    EXPECT_EQ("jk", std::string(ac_rest, 2));
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_pipe.v_Read(ac_rest, 1); }).n_code);
}

// Lines longer than the pipe's own buffer and than the object's arrive in
// many pieces; each is counted and read whole, and the writer's close ends
// them.
TEST_F(Unseekable, LongLinesArriveInPiecesAndAreReadWhole) {
    const LongLines o_lines = MakeLongLines({30000u, 1u, 100000u, 70000u, 5u});
    Serve(o_lines.s_content);
    CT_Files co_pipe;
    co_pipe.v_Open(s_name.c_str(), CT_Files::e_Read, 0);
    ExpectLinesReadWhole(co_pipe, o_lines.as_lines);
    if (HasFatalFailure()) return;
    CT_String co_line;
    int b_more = -1;
    EXPECT_EQ(-1, RaisedBy([&] { b_more = co_pipe.b_ReadLine(co_line, "\r\n"); }).n_code);
    EXPECT_EQ(0, b_more);
}

// The writer closing its end of the pipe (Windows then fails the read with
// ERROR_BROKEN_PIPE, Linux reads 0 bytes) is the end of the file, as the
// end of a disk file is: the lines are read, the last one without a
// delimiter too, and then b_ReadLine returns 0, its target untouched, and
// n_Read returns 0, each as often as asked; v_Read raises 19. n_Read takes
// the bytes in small pieces through the object's buffer and in a large
// one straight into the caller's.
TEST_F(Unseekable, TheWriterClosingItsEndIsTheEndOfTheFile) {
    const std::string s_long(100000, 'z');
    const struct {
        std::string s_content;
        std::vector<std::string> as_lines;
    } o_cases[] = {
        {"", {}},
        {"abc\r\n", {"abc"}},
        {"last", {"last"}},
        {"abc\r\n\r\nlast", {"abc", "", "last"}},
        {"abc\r\n" + s_long, {"abc", s_long}},
    };
    for (const auto &o_case : o_cases) {
        SCOPED_TRACE("lines of " + std::to_string(o_case.s_content.size()) + " bytes");
        Serve(o_case.s_content);
        CT_Files co_pipe;
        co_pipe.v_Open(s_name.c_str(), CT_Files::e_Read, 0);
        std::vector<std::string> as_lines;
        CT_String co_line("before");
        char ac_byte = 0;
        const Raised o_raised = RaisedBy([&] {
            while (as_lines.size() <= o_case.as_lines.size() && co_pipe.b_ReadLine(co_line, "\r\n"))
                as_lines.push_back(Text(co_line));
            EXPECT_EQ(0, co_pipe.b_ReadLine(co_line, "\r\n"));
            EXPECT_EQ(0u, co_pipe.n_Read(&ac_byte, 1));
        });
        EXPECT_EQ(-1, o_raised.n_code);
        EXPECT_EQ(o_case.as_lines, as_lines);
        EXPECT_EQ(as_lines.empty() ? "before" : as_lines.back(), Text(co_line));
        EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_pipe.v_Read(&ac_byte, 1); }).n_code);
    }
    const std::string s_content = "abc\r\n\r\nlast" + s_long;
    for (unsigned n_count : {7u, 200000u}) {
        SCOPED_TRACE("n_Read of " + std::to_string(n_count));
        Serve(s_content);
        CT_Files co_pipe;
        co_pipe.v_Open(s_name.c_str(), CT_Files::e_Read, 0);
        std::vector<char> ac_buffer(n_count);
        std::string s_read;
        const Raised o_raised = RaisedBy([&] {
            for (unsigned n_got = 1; n_got != 0 && s_read.size() <= s_content.size();) {
                n_got = co_pipe.n_Read(ac_buffer.data(), n_count);
                s_read.append(ac_buffer.data(), n_got);
            }
            EXPECT_EQ(0u, co_pipe.n_Read(ac_buffer.data(), n_count));
            CT_String co_line("before");
            EXPECT_EQ(0, co_pipe.b_ReadLine(co_line, "\r\n"));
        });
        EXPECT_EQ(-1, o_raised.n_code);
        EXPECT_TRUE(s_content == s_read) << s_read.size() << " bytes read";
        EXPECT_EQ(e_FileReadFailed,
                  RaisedBy([&] { co_pipe.v_Read(ac_buffer.data(), n_count); }).n_code);
    }
}

} // namespace
