// CT_Files when the system fails: each failure raises the right code with
// the file's name and leaves the file and its backup as the rewrite's
// outcome allows; and how many system calls a line read costs. Runs against
// the library's test build, whose file calls can be made to fail.
#include "support/raised.h"
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/temp_files.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

class FileFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        ct_ClearFaults();
        WriteWholeFile(s_file, "old content\r\n");
    }
    void TearDown() override { ct_ClearFaults(); }
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";
};

// Each open of an open with a backup failing, once or from then on: the
// open raises 17 and the file keeps its content. The rewrite holds the file
// before it makes the backup, so a failed open holds nothing and leaves no
// backup for a close or a cancel to deal with: both leave the file as it
// is. Only when every open fails from the backup's own hold on can the
// backup not be taken away again; it stays whole, as a stale backup would.
TEST_F(FileFaults, AFailedOpenRaises17AndLeavesTheFileAsItWas) {
    for (CT_Files::et_OpenMode eo_mode : {CT_Files::e_Write, CT_Files::e_Read})
        for (int b_persistent = 0; b_persistent < 2; ++b_persistent)
            for (int b_cancel = 0; b_cancel < 2; ++b_cancel) {
                ct_ClearFaults();
                {
                    CT_Files co_count;
                    co_count.v_Open(s_file.c_str(), eo_mode, 1);
                }
                const unsigned n_opens = ct_CountCalls("CreateFileA");
                for (unsigned n_open = 1; n_open <= n_opens; ++n_open) {
                    SCOPED_TRACE(std::string(eo_mode == CT_Files::e_Write ? "write" : "read") +
                                 (b_cancel ? ", cancel" : ", close") + ", open " +
                                 std::to_string(n_open) +
                                 (b_persistent ? " failing from then on" : " failing"));
                    WriteWholeFile(s_file, "old content\r\n");
                    ct_ClearFaults();
                    ct_FailCall("CreateFileA", n_open, n_access_denied_error, b_persistent);
                    CT_Files co_file;
                    const Raised o_raised =
                        RaisedBy([&] { co_file.v_Open(s_file.c_str(), eo_mode, 1); });
                    ct_ClearFaults();
                    if (o_raised.n_code == -1) continue; // a look whose failure costs nothing
                    EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
                    EXPECT_EQ(s_file, o_raised.s_parameter);
                    EXPECT_TRUE(CanOpen(s_file)); // nothing held
                    if (b_cancel)
                        co_file.v_Cancel();
                    else
                        co_file.v_Close();
                    EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
                    const std::vector<std::string> as_names = o_folder.Names();
                    EXPECT_TRUE(
                        as_names == std::vector<std::string>{"export.kdw"} ||
                        (b_persistent &&
                         as_names == std::vector<std::string>{"export.kdw", "export.kdw.old"} &&
                         ReadWholeFile(s_backup) == "old content\r\n"));
                    std::filesystem::remove(s_backup);
                }
            }
}

// A look at the file that fails for a moment as if the file were missing
// (on Linux ENOENT or ENOTDIR from a name that another program is just
// replacing) never lets the open empty the file without a backup: each open
// of an open with a backup, and on Linux each open() inside, failing so
// once. The open either fails, the file as it was, or backs up what it
// empties, so a cancel puts the old content back.
TEST_F(FileFaults, AFileThatSeemsMissingForAMomentIsNeverEmptiedWithoutABackup) {
#if defined(_WIN32)
    const unsigned an_missing[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND};
    const char *const apc_calls[] = {"CreateFileA"};
#else
    const unsigned an_missing[] = {ENOENT, ENOTDIR};
    const char *const apc_calls[] = {"CreateFileA", "open"};
#endif
    for (const char *pc_call : apc_calls)
        for (unsigned n_missing : an_missing) {
            bool b_ran_through = false;
            for (unsigned n_nth = 1; !b_ran_through; ++n_nth) {
                SCOPED_TRACE(std::string(pc_call) + " " + std::to_string(n_nth) + " failing with " +
                             std::to_string(n_missing));
                ASSERT_LT(n_nth, 100u);
                WriteWholeFile(s_file, "old content\r\n");
                ct_ClearFaults();
                ct_FailCall(pc_call, n_nth, n_missing, 0);
                CT_Files co_file;
                const Raised o_raised =
                    RaisedBy([&] { co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1); });
                b_ran_through = ct_CountCalls(pc_call) < n_nth;
                ct_ClearFaults();
                if (o_raised.n_code == -1) {
                    co_file.v_Write("new", 3);
                } else {
                    EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
                }
                co_file.v_Cancel();
                EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
                EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
            }
        }
}

// A backup that cannot be made, put on the disk, given its name or held,
// and a file that cannot be emptied once it is, stop the open before the
// file is emptied and leave nothing behind: neither a backup nor its
// temporary copy. The calls in the order the open makes them: the file's
// hold and a look at its name, then the copy's.
TEST_F(FileFaults, AFailedBackupStopsTheOpenBeforeTheFileIsEmptied) {
    const struct {
        const char *pc_call;
        unsigned n_nth;
    } o_cases[] = {
        {"GetFileInformationByHandle", 1}, // the held file's, which the copy carries
        {"CreateFileA", 3},                // the copy
        {"ReadFile", 1},
        {"WriteFile", 1},
        {"SetFileInformationByHandle", 1}, // the copy's time and attributes
        {"FlushFileBuffers", 1},
        {"GetFileInformationByHandle", 3}, // the copy's identity
        {"MoveFileExA", 1},
        {"CreateFileA", 4},                // the backup's hold
        {"GetFileInformationByHandle", 4}, // the hold's identity
        {"SetEndOfFile", 1},               // the file emptied, once backed up
#if !defined(_WIN32)
        {"fsync", 1}, // the folder's flush, once the copy has the backup's name
#endif
    };
    for (const auto &o_case : o_cases)
        for (bool b_cancel : {false, true}) {
            SCOPED_TRACE(std::string(o_case.pc_call) + " " + std::to_string(o_case.n_nth) +
                         (b_cancel ? ", cancel" : ", close"));
            ct_ClearFaults();
            WriteWholeFile(s_backup, "stale backup"); // replaced, and never left unrecorded
            ct_FailCall(o_case.pc_call, o_case.n_nth, n_disk_full_error, 0);
            CT_Files co_file;
            const Raised o_raised =
                RaisedBy([&] { co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1); });
            EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
            EXPECT_EQ(s_file, o_raised.s_parameter);
            EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
            if (b_cancel)
                co_file.v_Cancel(); // nothing of this object's to roll back
            else
                co_file.v_Close();
            EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
            const std::vector<std::string> as_names = o_folder.Names();
            EXPECT_TRUE(as_names == std::vector<std::string>{"export.kdw"} ||
                        (as_names == std::vector<std::string>{"export.kdw", "export.kdw.old"} &&
                         ReadWholeFile(s_backup) == "stale backup"));
            std::filesystem::remove(s_backup);
        }
}

// An open for writing that fails after the system made the file (its
// identity cannot be read; on Linux the lock, the size query or the
// emptying fails, as flock does on a network file system without a lock
// manager) leaves no file that was not there before, and empties none that
// was. Over a file that was there, an identity that cannot be read fails
// nothing: the file is open, emptied, and a cancel does not delete it.
TEST_F(FileFaults, AFailedOpenLeavesNoFileThatItMade) {
    const struct {
        const char *pc_call;
        unsigned n_nth;
    } o_cases[] = {
        {"GetFileInformationByHandle", 1},
#if !defined(_WIN32)
        {"fstat", 1},
        {"flock", 1},
        {"ftruncate", 1},
#endif
    };
    const std::string s_new = o_folder.Path("new.kdw");
    for (const auto &o_case : o_cases)
        for (bool b_existed : {false, true}) {
            SCOPED_TRACE(std::string(o_case.pc_call) + (b_existed ? ", over a file" : ""));
            if (b_existed) WriteWholeFile(s_new, "there before");
            ct_ClearFaults();
            ct_FailCall(o_case.pc_call, o_case.n_nth, n_io_error, 0);
            CT_Files co_file;
            const Raised o_raised =
                RaisedBy([&] { co_file.v_Open(s_new.c_str(), CT_Files::e_Write, 0); });
            ct_ClearFaults();
            const bool b_opened = b_existed && o_case.n_nth == 1 &&
                                  std::string(o_case.pc_call) == "GetFileInformationByHandle";
            EXPECT_EQ(b_opened ? -1 : e_FileOpenFailed, o_raised.n_code);
            EXPECT_EQ(b_existed, FileExists(s_new));
            if (b_existed && !b_opened) {
                EXPECT_EQ("there before", ReadWholeFile(s_new));
            }
            co_file.v_Cancel();
            EXPECT_EQ(b_existed, FileExists(s_new));
            std::filesystem::remove(s_new);
        }
}

TEST_F(FileFaults, AWriteOnAFullDiskRaises18AndCancelRestores) {
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    co_file.v_Writeln("first line");
    ct_FailCall("WriteFile", 1, n_disk_full_error, 0);
    const Raised o_raised = RaisedBy([&] { co_file.v_Writeln("second line"); });
    EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    co_file.v_Cancel();
    EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
    EXPECT_FALSE(FileExists(s_backup));
}

TEST_F(FileFaults, AFailedReadRaises19) {
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    ct_FailCall("ReadFile", 1, n_access_denied_error, 0);
    CT_String co_line("kept");
    const Raised o_raised = RaisedBy([&] { co_file.v_ReadUntil(co_line, "\r\n"); });
    EXPECT_EQ(e_FileReadFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    EXPECT_EQ("kept", Text(co_line));
    co_file.v_ReadUntil(co_line, "\r\n"); // the position did not move
    EXPECT_EQ("old content", Text(co_line));
}

// A read of the file that fails delivers nothing: the delimiter reads raise
// 19, their target untouched, and the same call then reads what it would
// have read.
TEST_F(FileFaults, AFailedReadKeepsEveryByteForTheNextCall) {
    WriteWholeFile(s_file, "abc\r\ndef\r\n");
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    CT_String co_line("kept");
    const std::function<void()> ao_reads[] = {
        [&] { co_file.v_ReadUntil(co_line, "\r\n"); },
        [&] { co_file.v_MoveUntil("\r\n"); },
        [&] { co_file.n_CountUntil("\r\n"); },
    };
    for (const auto &read : ao_reads) {
        ct_ClearFaults();
        ct_FailCall("ReadFile", 1, n_io_error, 0);
        const Raised o_raised = RaisedBy(read);
        EXPECT_EQ(e_FileReadFailed, o_raised.n_code);
        EXPECT_EQ(s_file, o_raised.s_parameter);
        EXPECT_EQ("kept", Text(co_line));
        co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    }
    ct_FailCall("ReadFile", 1, n_io_error, 0);
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_file.n_CountUntil("\r\n"); }).n_code);
    EXPECT_EQ(3u, co_file.n_CountUntil("\r\n"));
    co_file.v_ReadUntil(co_line, "\r\n");
    EXPECT_EQ("abc", Text(co_line));
}

// A name that is not a call of the fault plan's list stops the test
// program, so that a misspelt name cannot make a test pass by failing
// nothing.
TEST(FaultPlan, ANameOutsideTheListIsRefused) {
    EXPECT_DEATH(ct_FailCall("CreateFile", 1, n_io_error, 0), "not a call that the test build");
    EXPECT_DEATH(ct_CountCalls("WriteFiles"), "not a call that the test build");
    for (unsigned n = 0; const char *pc_name = ct_CallName(n); ++n)
        EXPECT_EQ(0u, ct_CountCalls(pc_name)) << pc_name; // every listed name is taken
}

// A delete or an emptying that a close or a cancel cannot do raises 18 with
// the name and keeps the rewrite, for another try: the backup stays held
// after a commit, and a file that the rollback must take away stays held.
// A second close or cancel finishes.
TEST_F(FileFaults, AFailedDeleteOrEmptyingRaises18AndCanBeTriedAgain) {
    const std::string s_fresh = o_folder.Path("fresh.txt");
    const struct {
        const char *pc_call;
        bool b_backup;
        bool b_cancel;
    } o_cases[] = {
        {"SetFileInformationByHandle", true, false}, // the backup's delete
        {"SetFileInformationByHandle", false, true}, // the made file's delete
        {"SetEndOfFile", false, true},               // the made file's emptying
    };
    for (const auto &o_case : o_cases) {
        SCOPED_TRACE(std::string(o_case.pc_call) + (o_case.b_cancel ? ", cancel" : ", close"));
        const std::string &s_name = o_case.b_backup ? s_file : s_fresh;
        CT_Files co_file;
        co_file.v_Open(s_name.c_str(), CT_Files::e_Write, o_case.b_backup);
        co_file.v_Write("new", 3);
        ct_FailCall(o_case.pc_call, 1, n_access_denied_error, 1);
        const auto end = [&] {
            if (o_case.b_cancel)
                co_file.v_Cancel();
            else
                co_file.v_Close();
        };
        const Raised o_raised = RaisedBy(end);
        ct_ClearFaults();
        EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
        EXPECT_EQ(s_name, o_raised.s_parameter);
        EXPECT_FALSE(CanOpen(s_name)); // still held, for the next try
        if (o_case.b_backup) {
            EXPECT_TRUE(FileExists(s_backup));
        }
        end();
        EXPECT_EQ(!o_case.b_cancel, FileExists(s_name));
        EXPECT_FALSE(FileExists(s_backup));
        WriteWholeFile(s_file, "old content\r\n");
    }
}

// Each step of putting the old content back, failing: the cancel raises 18
// with the file's name and keeps the backup, whole and held, as the only
// good copy. Nothing deletes it later: a close lets it stay on the disk,
// and an open of the same file by the same object takes it over instead of
// replacing it. A second cancel tries again.
TEST_F(FileFaults, ARestoreThatFailsRaises18AndKeepsTheBackup) {
    enum et_Then { e_CancelAgain, e_CloseIt, e_OpenAgain };
    for (const char *pc_call :
         {"SetFilePointer", "SetEndOfFile", "ReadFile", "WriteFile", "GetFileInformationByHandle",
          "SetFileInformationByHandle", "FlushFileBuffers"})
        for (et_Then eo_then : {e_CancelAgain, e_CloseIt, e_OpenAgain}) {
            SCOPED_TRACE(std::string(pc_call) + " failing, then " +
                         std::to_string(static_cast<int>(eo_then)));
            WriteWholeFile(s_file, "old content\r\n");
            ct_ClearFaults();
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            co_file.v_Write("new", 3);
            ct_FailCall(pc_call, 1, n_disk_full_error, 1);
            const Raised o_raised = RaisedBy([&] { co_file.v_Cancel(); });
            ct_ClearFaults();
            EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
            EXPECT_EQ(s_file, o_raised.s_parameter);
            EXPECT_EQ("old content\r\n", ReadWholeFile(s_backup));
            CT_Files co_other; // the backup stays held: no other rewrite replaces it
            EXPECT_EQ(e_FileOpenFailed, RaisedBy([&] {
                                            co_other.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
                                        }).n_code);
            EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_file.v_Write("x", 1); }).n_code);
            switch (eo_then) {
            case e_CancelAgain:
                co_file.v_Cancel();
                EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
                EXPECT_FALSE(FileExists(s_backup));
                break;
            case e_CloseIt:
                co_file.v_Close();
                EXPECT_EQ("old content\r\n", ReadWholeFile(s_backup));
                std::filesystem::remove(s_backup);
                break;
            case e_OpenAgain:
                co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
                co_file.v_Write("newer", 5);
                EXPECT_EQ("old content\r\n", ReadWholeFile(s_backup));
                co_file.v_Cancel();
                EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
                EXPECT_FALSE(FileExists(s_backup));
                break;
            }
        }
}

// A backup made ahead of the open, put back after another object rewrote
// the file, with each call of the copy back failing in turn: the cancel
// either finishes or raises 18 with the backup whole, and a second cancel
// then finishes.
TEST_F(FileFaults, EachFailureOfACopyBackAtTheNameIsReportedAndCanBeRetried) {
    bool b_ran_through = false;
    for (unsigned n_fail = 1; !b_ran_through && n_fail < 200; ++n_fail) {
        SCOPED_TRACE("call " + std::to_string(n_fail) + " of the cancel failing");
        WriteWholeFile(s_file, "old content\r\n");
        ct_ClearFaults();
        CT_Files co_keeper, co_writer;
        co_keeper.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
        co_keeper.v_Close();
        co_keeper.v_SaveOldFile();
        co_writer.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
        co_writer.v_Write("another's", 9);
        co_writer.v_Close();
        ct_ClearFaults();
        ct_FailCall(nullptr, n_fail, n_disk_full_error, 0);
        const Raised o_raised = RaisedBy([&] { co_keeper.v_Cancel(); });
        b_ran_through = ct_CountCalls(nullptr) < n_fail;
        ct_ClearFaults();
        if (o_raised.n_code != -1) {
            EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
            EXPECT_EQ(s_file, o_raised.s_parameter);
            EXPECT_EQ("old content\r\n", ReadWholeFile(s_backup));
            co_keeper.v_Cancel();
        }
        EXPECT_EQ("old content\r\n", ReadWholeFile(s_file));
        const std::vector<std::string> as_names = o_folder.Names();
        // A failed delete of the backup leaves it, and raises nothing.
        EXPECT_TRUE(as_names == std::vector<std::string>{"export.kdw"} ||
                    (o_raised.n_code == -1 && as_names.size() == 2 &&
                     ReadWholeFile(s_backup) == "old content\r\n"));
        std::filesystem::remove(s_backup);
    }
    EXPECT_TRUE(b_ran_through);
}

// A rewrite with a backup puts the backup on the disk before the file is
// emptied, and the content that it ends with before the backup is deleted.
// When that last flush fails, the close or the cancel raises 18 and keeps
// the backup: a close that follows commits once the flush succeeds, and
// after a failed cancel it keeps the backup on the disk.
TEST_F(FileFaults, EachFlushComesBeforeTheStepThatNeedsIt) {
    struct Case {
        bool b_cancel;
        bool b_flush_fails;  // the last flush of the rewrite fails, once
        const char *pc_file; // at the file's name afterwards
        const char *pc_kept; // in the backup afterwards, or null
    } o_cases[] = {
        {false, false, "new", nullptr},
        {true, false, "old content\r\n", nullptr},
        {false, true, "new", nullptr},
        {true, true, "old content\r\n", "old content\r\n"},
    };
    for (const Case &o_case : o_cases) {
        SCOPED_TRACE(std::string(o_case.b_cancel ? "cancel" : "close") +
                     (o_case.b_flush_fails ? ", its flush failing" : ""));
        WriteWholeFile(s_file, "old content\r\n");
        ct_ClearFaults();
        if (o_case.b_flush_fails) ct_FailCall("FlushFileBuffers", 2, n_disk_full_error, 0);
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        co_file.v_Write("new", 3);
        const Raised o_raised = RaisedBy([&] {
            if (o_case.b_cancel)
                co_file.v_Cancel();
            else
                co_file.v_Close();
        });
        EXPECT_EQ(2u, ct_CountCalls("FlushFileBuffers"));
        EXPECT_EQ(o_case.b_flush_fails ? e_FileWriteFailed : -1, o_raised.n_code);
        EXPECT_EQ(o_case.b_flush_fails, FileExists(s_backup));
        co_file.v_Close();
        EXPECT_EQ(o_case.pc_file, ReadWholeFile(s_file));
        EXPECT_EQ(o_case.pc_kept != nullptr, FileExists(s_backup));
        if (o_case.pc_kept) {
            EXPECT_EQ(o_case.pc_kept, ReadWholeFile(s_backup));
        }
        std::filesystem::remove(s_backup);
    }
}

TEST_F(FileFaults, OnlyARewriteWithABackupWaitsForTheDisk) {
    for (int b_backup = 0; b_backup < 2; ++b_backup)
        for (CT_Files::et_OpenMode eo_mode : {CT_Files::e_Read, CT_Files::e_Write}) {
            ct_ClearFaults();
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), eo_mode, b_backup);
            co_file.v_Close();
            EXPECT_EQ(b_backup && eo_mode == CT_Files::e_Write ? 2u : 0u,
                      ct_CountCalls("FlushFileBuffers"))
                << "backup " << b_backup << ", mode " << eo_mode;
        }
}

TEST_F(FileFaults, AFullPathThatCannotBeFormedRaisesWindowsError) {
    ct_FailCall("GetFullPathNameA", 1, n_access_denied_error, 0);
    const Raised o_raised = RaisedBy([&] { CT_Files::co_GetFileName(s_file.c_str()); });
    EXPECT_EQ(e_WindowsError, o_raised.n_code);
    EXPECT_EQ("GetFullPathName\r\n", o_raised.s_parameter);
}

// A host rewrites an export file: the typical request, with a write that
// fails half way.
TEST_F(FileFaults, ARewriteThatFailsIsRolledBackByteForByte) {
    const std::string s_before = "line one\r\nline two\r\n\x82\xA0 kanji\r\n";
    WriteWholeFile(s_file, s_before);
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    bool b_caught = false;
    try {
        co_file.v_Writeln("replacement one");
        co_file.v_Writeln("replacement two");
        ct_FailCall("WriteFile", 1, n_disk_full_error, 0);
        co_file.v_Writeln("replacement three");
    } catch (et_ErrorCode eo_code) {
        b_caught = eo_code == e_FileWriteFailed;
        co_file.v_Cancel();
    }
    EXPECT_TRUE(b_caught);
    EXPECT_EQ(e_FileWriteFailed, CT_Errors::set_GetLastError());
    EXPECT_EQ(s_file, Text(CT_Errors::co_GetLastParameter()));
    EXPECT_EQ(s_before, ReadWholeFile(s_file));
    EXPECT_FALSE(FileExists(s_backup));
}

} // namespace
