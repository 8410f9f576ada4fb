// Rewrites while other programs use the same file: whatever another program
// saves is never lost, and a rewrite never acts on a file that it did not
// make or hold. Each race is made deterministic: the other program's step
// runs just before the k-th system call of the library, for every k. Runs
// against the library's test build.
#include "support/other_program.h"
#include "support/raised.h"
#include "support/system_facts.h"
#include "support/temp_files.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <cerrno>
#endif

namespace {

const std::string s_old = "old content\r\n";
const std::string s_theirs = "their save\r\n";
const std::string s_mine = "my rewrite\r\n";

// A file's content, or "(no file)".
std::string Content(const std::string &s_path) {
    return FileExists(s_path) ? ReadWholeFile(s_path) : "(no file)";
}

class OtherPrograms : public ::testing::Test {
  protected:
    void SetUp() override { ct_ClearFaults(); }
    void TearDown() override { ct_ClearFaults(); }
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";
};

// The other program's step, and whether the system let it through.
struct Save {
    enum et_How { e_ByRename, e_InPlace, e_BackupByRename } eo_how;
    std::string s_file;
    bool b_done = false;
    bool b_saved = false;
    static void Run(void *pv_save) {
        Save &o_save = *static_cast<Save *>(pv_save);
        o_save.b_done = true;
        switch (o_save.eo_how) {
        case e_ByRename:
            o_save.b_saved = SaveByRename(o_save.s_file, s_theirs);
            break;
        case e_InPlace:
            o_save.b_saved = SaveInPlace(o_save.s_file, s_theirs);
            break;
        case e_BackupByRename:
            o_save.b_saved = SaveByRename(o_save.s_file + ".old", s_theirs);
            break;
        }
    }
};

// Another program saves the file at the k-th call of an open with a backup,
// for every k: by renaming a new file over it, or in place. A rollback then
// leaves their save at the name: it was either there before the open held
// the file (and so it is what the backup keeps), or it came after and went
// to the name, never into the held file; then the rollback finds the name
// taken by another file, raises 18 and keeps the backup. A commit does the
// same when the name has been taken; otherwise the rewrite replaces a save
// that came before the open, and a save after the commit stays.
TEST_F(OtherPrograms, ASaveDuringTheOpenIsNeverLost) {
    for (Save::et_How eo_how : {Save::e_ByRename, Save::e_InPlace})
        for (bool b_cancel : {true, false}) {
            bool b_ran_through = false;
            for (unsigned n_call = 1; !b_ran_through; ++n_call) {
                const std::string s_trace =
                    std::string(eo_how == Save::e_ByRename ? "by rename" : "in place") +
                    (b_cancel ? ", cancel" : ", close") + ", their save at call " +
                    std::to_string(n_call);
                SCOPED_TRACE(s_trace);
                ASSERT_LT(n_call, 200u);
                WriteWholeFile(s_file, s_old);
                ct_ClearFaults();
                Save o_save{eo_how, s_file};
                ct_OnCall(nullptr, n_call, &Save::Run, &o_save);
                Raised o_raised;
                {
                    CT_Files co_file;
                    o_raised = RaisedBy([&] {
                        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
                        co_file.v_Write(s_mine);
                        if (b_cancel)
                            co_file.v_Cancel();
                        else
                            co_file.v_Close();
                    });
                    b_ran_through = !o_save.b_done;
                    ct_ClearFaults();
                    co_file.v_Close(); // after a raise: lets the rewrite go
                }
                const std::string s_now = Content(s_file);
                if (o_raised.n_code != -1) {
                    // Only a save that took the name from the held file stops
                    // the ending, and the backup then stays whole.
                    EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
                    EXPECT_TRUE(o_save.b_saved);
                    EXPECT_EQ(s_theirs, s_now);
                    EXPECT_EQ(s_old, Content(s_backup));
                } else if (b_cancel) {
                    EXPECT_EQ(o_save.b_saved ? s_theirs : s_old, s_now);
                    EXPECT_FALSE(FileExists(s_backup));
                } else {
                    // Their save came before the open held the file, and the
                    // rewrite replaced it; or after the commit.
                    EXPECT_TRUE(s_now == s_mine || (o_save.b_saved && s_now == s_theirs)) << s_now;
                    EXPECT_FALSE(FileExists(s_backup));
                }
                std::filesystem::remove(s_backup);
                const std::vector<std::string> as_names = o_folder.Names();
                EXPECT_EQ(std::vector<std::string>{"export.kdw"}, as_names);
            }
        }
}

// A file put at the backup's name by another program, at any moment of the
// open, is never taken for the backup: a cancel puts back the content that
// the file had when the open held it, and a foreign file that the rewrite
// did not make stays where it was put.
TEST_F(OtherPrograms, AFileAtTheBackupsNameIsNeverTakenForIt) {
    bool b_ran_through = false;
    for (unsigned n_call = 1; !b_ran_through; ++n_call) {
        SCOPED_TRACE("a file put at the backup's name at call " + std::to_string(n_call));
        ASSERT_LT(n_call, 200u);
        WriteWholeFile(s_file, s_old);
        ct_ClearFaults();
        Save o_save{Save::e_BackupByRename, s_file};
        ct_OnCall(nullptr, n_call, &Save::Run, &o_save);
        CT_Files co_file;
        const Raised o_opened =
            RaisedBy([&] { co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1); });
        b_ran_through = !o_save.b_done;
        ct_ClearFaults();
        if (o_opened.n_code == -1) {
            co_file.v_Write(s_mine);
            co_file.v_Cancel();
        } else {
            EXPECT_EQ(e_FileOpenFailed, o_opened.n_code);
        }
        EXPECT_EQ(s_old, Content(s_file));
        // Their file stays, unless the open's own backup replaced it as a
        // stale one, before the backup was named.
        if (FileExists(s_backup)) {
            EXPECT_EQ(s_theirs, Content(s_backup));
        }
        std::filesystem::remove(s_backup);
    }
}

// Another opener takes the file at the k-th call of an open with a backup,
// for every k, and so makes the open fail. Such an open makes no backup, so
// its cancel writes nothing: a save that another program makes after the
// holder has let go stays, and no backup is left.
struct TakeHold {
    explicit TakeHold(const std::string &s_name) : s_file(s_name) {}
    std::string s_file;
    OtherHold o_hold;
    bool b_done = false;
    static void Run(void *pv_take) {
        TakeHold &o_take = *static_cast<TakeHold *>(pv_take);
        o_take.b_done = true;
        o_take.o_hold.Take(o_take.s_file);
    }
};

TEST_F(OtherPrograms, ACancelAfterAFailedOpenKeepsALaterSave) {
    for (CT_Files::et_OpenMode eo_mode : {CT_Files::e_Write, CT_Files::e_Read}) {
        bool b_ran_through = false;
        for (unsigned n_call = 1; !b_ran_through; ++n_call) {
            SCOPED_TRACE(std::string(eo_mode == CT_Files::e_Write ? "write" : "read") +
                         ", another opener takes the file at call " + std::to_string(n_call));
            ASSERT_LT(n_call, 200u);
            WriteWholeFile(s_file, s_old);
            ct_ClearFaults();
            TakeHold o_take(s_file);
            ct_OnCall(nullptr, n_call, &TakeHold::Run, &o_take);
            CT_Files co_file;
            const Raised o_raised = RaisedBy([&] { co_file.v_Open(s_file.c_str(), eo_mode, 1); });
            b_ran_through = !o_take.b_done;
            ct_ClearFaults();
            o_take.o_hold.LetGo();
            if (o_raised.n_code == -1) continue; // opened before the other could take it
            EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
            EXPECT_EQ(s_old, Content(s_file));
            ASSERT_TRUE(SaveInPlace(s_file, s_theirs));
            co_file.v_Cancel();
            EXPECT_EQ(s_theirs, Content(s_file));
            EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
        }
    }
}

#if !defined(_WIN32)

// Linux lets another process delete the held file, or rename another file
// over its name, while a rewrite with a backup is open: the old content
// then lives only in the backup. Neither a cancel nor a close writes it
// into the file that has lost its name, nor deletes the backup: both raise
// 18 with the name and leave the backup on the disk, and a second close
// lets the rewrite go.
TEST_F(OtherPrograms, AFileThatLostItsNameKeepsItsBackup) {
    enum et_Loss { e_Deleted, e_RenamedOver };
    for (et_Loss eo_loss : {e_Deleted, e_RenamedOver})
        for (bool b_cancel : {true, false}) {
            SCOPED_TRACE(std::string(eo_loss == e_Deleted ? "deleted" : "renamed over") +
                         (b_cancel ? ", cancel" : ", close"));
            WriteWholeFile(s_file, s_old);
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            co_file.v_Write(s_mine);
            if (eo_loss == e_Deleted)
                std::filesystem::remove(s_file);
            else
                ASSERT_TRUE(SaveByRename(s_file, s_theirs));
            const Raised o_raised = RaisedBy([&] {
                if (b_cancel)
                    co_file.v_Cancel();
                else
                    co_file.v_Close();
            });
            EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
            EXPECT_EQ(s_file, o_raised.s_parameter);
            co_file.v_Close();
            EXPECT_EQ(s_old, Content(s_backup));
            EXPECT_EQ(eo_loss == e_Deleted ? "(no file)" : s_theirs, Content(s_file));
            std::filesystem::remove(s_backup);
            std::filesystem::remove(s_file);
        }
}

// Without /proc (a container, a chroot) a file held by the library is
// still deleted through its hold, by the name that it was opened by, once
// that name is checked to be the same file: the backup at a commit, and a
// file that the rewrite made at a cancel.
TEST_F(OtherPrograms, DeletesWorkWithoutProc) {
    WriteWholeFile(s_file, s_old);
    ct_FailCall("readlink", 1, ENOENT, 1);
    {
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        co_file.v_Write(s_mine);
        co_file.v_Close();
    }
    EXPECT_EQ(s_mine, Content(s_file));
    EXPECT_FALSE(FileExists(s_backup));
    const std::string s_new = o_folder.Path("new.kdw");
    {
        CT_Files co_file;
        co_file.v_Open(s_new.c_str(), CT_Files::e_Write, 0);
        co_file.v_Write(s_mine);
        co_file.v_Cancel();
    }
    EXPECT_FALSE(FileExists(s_new));
    EXPECT_LT(0u, ct_CountCalls("readlink"));
    // A name that has come to mean another file is not deleted: a cancel
    // raises 18 and the other file stays.
    {
        CT_Files co_file;
        co_file.v_Open(s_new.c_str(), CT_Files::e_Write, 0);
        std::filesystem::rename(s_new, s_new + ".moved");
        WriteWholeFile(s_new, s_theirs);
        EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_file.v_Cancel(); }).n_code);
        co_file.v_Close();
    }
    EXPECT_EQ(s_theirs, Content(s_new));
}

#endif

} // namespace
