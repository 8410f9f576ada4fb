// A rewrite acts on the one file that its name designated at the open: the
// name is resolved once, as the system resolves it, and that file is backed
// up, restored or taken away, never a namesake elsewhere, even when its
// folder is replaced meanwhile (then a backup is kept rather than put back
// at a name that means another file). A cancel without a backup takes away only a
// regular file that the open made. A rollback that cannot put the content
// back keeps the backup whole, to try again. A backup whose name fits is
// made, and a backup made ahead of the open is the one the rewrite keeps.
#include "support/raised.h"
#include "support/system_facts.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

using Names = std::vector<std::string>;

void End(CT_Files &co_file, bool b_cancel) {
    if (b_cancel)
        co_file.v_Cancel();
    else
        co_file.v_Close();
}

// A file's content, or s_none where there is no file.
const std::string s_none = "(no file)";
std::string Content(const std::string &s_path) {
    return FileExists(s_path) ? ReadWholeFile(s_path) : s_none;
}

#if !defined(_WIN32)

// "lnk/../f" with lnk a link to real/sub: the system follows the link before
// "..", so the name designates real/f. That file is backed up as real/f.old,
// restored or taken away by a cancel, and keeps the new content after a
// close; the textual namesake beside lnk is never touched.
TEST(NameResolvedOnce, ALinkBeforeDotDotLeadsToTheFileThatIsRewritten) {
    const struct {
        int b_backup;
        bool b_real_exists;
        bool b_cancel;
        std::string s_after; // real/f afterwards
    } ao_cases[] = {
        {0, false, false, "new"}, {0, false, true, s_none}, {0, true, false, "new"},
        {0, true, true, s_none},  {1, false, false, "new"}, {1, false, true, s_none},
        {1, true, false, "new"},  {1, true, true, "old"},
    };
    for (const auto &o_case : ao_cases)
        for (bool b_namesake : {false, true}) {
            SCOPED_TRACE("backup " + std::to_string(o_case.b_backup) +
                         (o_case.b_real_exists ? ", real/f there" : ", no real/f") +
                         (b_namesake ? ", namesake there" : ", no namesake") +
                         (o_case.b_cancel ? ", cancel" : ", close"));
            TempFolder o_folder;
            const std::string s_real = o_folder.Path("real/f");
            const std::string s_namesake = o_folder.Path("f");
            std::filesystem::create_directories(o_folder.Path("real/sub"));
            std::filesystem::create_directory_symlink("real/sub", o_folder.Path("lnk"));
            if (o_case.b_real_exists) WriteWholeFile(s_real, "old");
            if (b_namesake) WriteWholeFile(s_namesake, "namesake");

            CT_Files co_file;
            co_file.v_Open(o_folder.Path("lnk/../f").c_str(), CT_Files::e_Write, o_case.b_backup);
            const bool b_backed_up = o_case.b_backup && o_case.b_real_exists;
            EXPECT_EQ(b_backed_up ? "old" : s_none, Content(s_real + ".old"));
            co_file.v_Write("new", 3);
            End(co_file, o_case.b_cancel);

            EXPECT_EQ(o_case.s_after, Content(s_real));
            EXPECT_EQ(b_namesake ? "namesake" : s_none, Content(s_namesake));
            // Nothing else: no backup or temporary copy left anywhere.
            EXPECT_EQ((o_case.s_after == s_none ? Names{"sub"} : Names{"f", "sub"}),
                      NamesIn(o_folder.Path("real")));
            EXPECT_EQ((b_namesake ? Names{"f", "lnk", "real"} : Names{"lnk", "real"}),
                      o_folder.Names());
        }
}

#else

// A "\\?\" name is taken as it is, so "doc.kdw." may be a name of its own.
// Whichever file it designates is the one backed up and rewritten: a
// rollback leaves the folder as it was; a commit leaves the new content
// under one name, no backup, and the old content only in doc.kdw when that
// was not the file rewritten.
TEST(NameResolvedOnce, AVerbatimNameWithATrailingDotIsOneFile) {
    for (bool b_cancel : {false, true}) {
        SCOPED_TRACE(b_cancel ? "cancel" : "close");
        TempFolder o_folder;
        const std::string s_verbatim = "\\\\?\\" + o_folder.Folder();
        WriteWholeFile(o_folder.Path("doc.kdw"), "old");
        CT_Files co_file;
        co_file.v_Open((s_verbatim + "doc.kdw.").c_str(), CT_Files::e_Write, 1);
        co_file.v_Write("NEW", 3);
        End(co_file, b_cancel);

        std::map<std::string, std::string> ms_content;
        for (const std::string &s_name : o_folder.Names())
            ms_content[s_name] = ReadWholeFile(s_verbatim + s_name);
        const auto o_doc = ms_content.find("doc.kdw");
        if (b_cancel) {
            EXPECT_EQ((std::map<std::string, std::string>{{"doc.kdw", "old"}}), ms_content);
        } else if (o_doc != ms_content.end() && o_doc->second == "NEW") {
            EXPECT_EQ(1u, ms_content.size()); // doc.kdw itself was rewritten
        } else {
            EXPECT_EQ("old", ms_content["doc.kdw"]); // a name of its own was rewritten
            ms_content.erase("doc.kdw");
            ASSERT_EQ(1u, ms_content.size());
            EXPECT_EQ("NEW", ms_content.begin()->second) << ms_content.begin()->first;
        }
        for (const std::string &s_name : o_folder.Names())
            DeleteFileA((s_verbatim + s_name).c_str()); // names a plain path cannot reach
    }
}

#endif

// A cancel without a backup takes away a regular file that the open created
// or emptied; whatever else the name designates stays as it was.
class CancelWithoutBackup : public ::testing::Test {
  protected:
    // Opens the name for writing without a backup, writes and cancels.
    void WriteAndCancel(const std::string &s_name) {
        CT_Files co_file;
        co_file.v_Open(s_name.c_str(), CT_Files::e_Write, 0);
        co_file.v_Write("partial", 7);
        co_file.v_Cancel();
    }
    TempFolder o_folder;
    const std::string s_name = o_folder.Path("x.kdw");
    const std::string s_target = o_folder.Path("target.kdw");
};

// A FIFO keeps its kind and passed on what was written; a link stays, and
// its target, emptied, is not deleted. Of a file with two names, the name
// opened goes and the other keeps the file, emptied.
TEST_F(CancelWithoutBackup, TakesAwayOnlyARegularFileThatTheOpenMade) {
    enum et_Kind { e_New, e_Existing, e_HardLink, e_Fifo, e_Link };
    const struct {
        et_Kind eo_kind;
        const char *pc_kind;
        bool b_stays;
    } ao_cases[] = {
        {e_New, "new file", false},
        {e_Existing, "existing file", false},
        {e_HardLink, "second name of the target", false},
#if !defined(_WIN32)
        {e_Fifo, "FIFO", true},
        {e_Link, "link to a file", true},
#endif
    };
    for (const auto &o_case : ao_cases) {
        SCOPED_TRACE(o_case.pc_kind);
        std::filesystem::remove(s_name);
        WriteWholeFile(s_target, "target");
#if !defined(_WIN32)
        int n_reader = -1;
        if (o_case.eo_kind == e_Fifo) {
            ASSERT_EQ(0, ::mkfifo(s_name.c_str(), 0600));
            // A reader that is there already: the open for writing need not wait.
            n_reader = ::open(s_name.c_str(), O_RDONLY | O_NONBLOCK);
            ASSERT_LE(0, n_reader);
        }
        if (o_case.eo_kind == e_Link) std::filesystem::create_symlink(s_target, s_name);
#endif
        if (o_case.eo_kind == e_Existing) WriteWholeFile(s_name, "old");
        if (o_case.eo_kind == e_HardLink) std::filesystem::create_hard_link(s_target, s_name);
        const auto eo_type = std::filesystem::symlink_status(s_name).type();
        WriteAndCancel(s_name);

        EXPECT_TRUE((o_case.b_stays ? eo_type : std::filesystem::file_type::not_found) ==
                    std::filesystem::symlink_status(s_name).type());
        const bool b_target_opened = o_case.eo_kind == e_Link || o_case.eo_kind == e_HardLink;
        EXPECT_EQ(b_target_opened ? "" : "target", Content(s_target));
#if !defined(_WIN32)
        if (n_reader >= 0) {
            char ac_passed[16] = {};
            EXPECT_EQ(7, ::read(n_reader, ac_passed, sizeof ac_passed));
            EXPECT_STREQ("partial", ac_passed);
            ::close(n_reader);
        }
#endif
    }
}

#if !defined(_WIN32)
// A twin of /dev/null in the test's folder stays the device it was.
TEST_F(CancelWithoutBackup, KeepsADevice) {
    if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    ASSERT_EQ(0, ::mknod(s_name.c_str(), S_IFCHR | 0666, makedev(1, 3)));
    WriteAndCancel(s_name);
    struct stat o_stat;
    ASSERT_EQ(0, ::lstat(s_name.c_str(), &o_stat));
    EXPECT_TRUE(S_ISCHR(o_stat.st_mode));
    EXPECT_EQ(makedev(1, 3), o_stat.st_rdev);
}
#endif

#if !defined(_WIN32)

// The file's folder is renamed and a new one with namesakes of the file and
// of its backup takes its place while the rewrite is open. The namesakes
// are never touched. Without a backup the commit or rollback follows the
// file into its new folder. With one, the file's name now designates
// another file: the close or cancel raises 18 and the backup stays whole
// beside the file that was rewritten, and a second close lets it go.
TEST(ReplacedFolder, NamesakesStayAndABackupIsKeptWhenTheNameMovedOn) {
    const struct {
        int b_backup;
        bool b_cancel;
        int n_raised;
        std::string s_after; // moved/f afterwards
        std::string s_kept;  // moved/f.old afterwards
    } ao_cases[] = {{1, false, e_FileWriteFailed, "new", "old"},
                    {1, true, e_FileWriteFailed, "new", "old"},
                    {0, false, -1, "new", s_none},
                    {0, true, -1, s_none, s_none}};
    for (const auto &o_case : ao_cases) {
        SCOPED_TRACE("backup " + std::to_string(o_case.b_backup) +
                     (o_case.b_cancel ? ", cancel" : ", close"));
        TempFolder o_folder;
        const std::string s_folder = o_folder.Path("d"), s_moved = o_folder.Path("moved");
        std::filesystem::create_directory(s_folder);
        WriteWholeFile(s_folder + "/f", "old");
        CT_Files co_file;
        co_file.v_Open((s_folder + "/f").c_str(), CT_Files::e_Write, o_case.b_backup);
        co_file.v_Write("new", 3);
        std::filesystem::rename(s_folder, s_moved);
        std::filesystem::create_directory(s_folder);
        WriteWholeFile(s_folder + "/f", "namesake");
        WriteWholeFile(s_folder + "/f.old", "namesake backup");
        const Raised o_raised = RaisedBy([&] { End(co_file, o_case.b_cancel); });
        EXPECT_EQ(o_case.n_raised, o_raised.n_code);
        co_file.v_Close();

        EXPECT_EQ((Names{"f", "f.old"}), NamesIn(s_folder));
        EXPECT_EQ("namesake", ReadWholeFile(s_folder + "/f"));
        EXPECT_EQ("namesake backup", ReadWholeFile(s_folder + "/f.old"));
        EXPECT_EQ(o_case.s_after, Content(s_moved + "/f"));
        EXPECT_EQ(o_case.s_kept, Content(s_moved + "/f.old"));
    }
}

// A small tmpfs of its own, which the tests fill.
class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
        std::filesystem::create_directory(s_disk);
        if (::mount("tmpfs", s_disk.c_str(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        b_mounted = true;
    }
    void TearDown() override {
        if (b_mounted) ::umount2(s_disk.c_str(), MNT_DETACH);
    }
    // Takes what room is left on the disk, with a file of its own.
    void Fill() {
        const int n_fd = ::open(s_filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_LE(0, n_fd);
        const char ac_block[4096] = {};
        while (::write(n_fd, ac_block, sizeof ac_block) > 0 || ::write(n_fd, ac_block, 1) > 0)
            continue;
        EXPECT_EQ(ENOSPC, errno);
        ::close(n_fd);
    }
    // Whether the file holds the old content, whole.
    bool HoldsTheOldContent(const std::string &s_path) { return ReadWholeFile(s_path) == s_old; }
    TempFolder o_folder;
    const std::string s_disk = o_folder.Path("disk");
    const std::string s_file = s_disk + "/big.kdw", s_backup = s_file + ".old";
    const std::string s_filler = s_disk + "/filler";
    const std::string s_old = std::string(87381, 'o'); // a third of the disk
    bool b_mounted = false;
};

// The new content is shorter, so putting the old back needs room that the
// filler took: the cancel raises 18 with the name and keeps the backup
// whole. Then a close lets the rewrite go and leaves the backup for anyone
// to read, or, once there is room, a second cancel puts the old content
// back and removes the backup.
TEST_F(FullDisk, ARollbackWithoutRoomKeepsTheBackupToTryAgain) {
    for (bool b_make_room : {false, true}) {
        SCOPED_TRACE(b_make_room ? "room made, cancelled again" : "closed");
        for (const std::string &s_name : NamesIn(s_disk))
            std::filesystem::remove(s_disk + "/" + s_name);
        WriteWholeFile(s_file, s_old);
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        co_file.v_Write("new", 3);
        Fill();
        const Raised o_raised = RaisedBy([&] { co_file.v_Cancel(); });
        EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
        EXPECT_EQ(s_file, o_raised.s_parameter);
        EXPECT_TRUE(HoldsTheOldContent(s_backup));
        if (b_make_room) {
            std::filesystem::remove(s_filler);
            co_file.v_Cancel();
            EXPECT_TRUE(HoldsTheOldContent(s_file));
            EXPECT_EQ(Names{"big.kdw"}, NamesIn(s_disk));
        } else {
            co_file.v_Close(); // lets the backup go, whole, to any opener
            CT_Files co_reader;
            co_reader.v_Open(s_backup.c_str(), CT_Files::e_Read, 0);
            std::string s_read(s_old.size() + 1, '\0');
            s_read.resize(co_reader.n_Read(&s_read[0], unsigned(s_read.size())));
            EXPECT_TRUE(s_read == s_old) << s_read.size() << " bytes read";
        }
    }
}

// A backup that cannot be made for lack of room stops the open with 17: the
// file keeps its content, and neither a backup nor a temporary copy stays.
TEST_F(FullDisk, ABackupWithoutRoomStopsTheOpenAndLeavesNothing) {
    WriteWholeFile(s_file, s_old);
    Fill();
    CT_Files co_file;
    const Raised o_raised = RaisedBy([&] { co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1); });
    EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    EXPECT_TRUE(HoldsTheOldContent(s_file));
    EXPECT_EQ((Names{"big.kdw", "filler"}), NamesIn(s_disk));
}

#endif

// Backups whose full names reach the system's limit and no further are
// made: on Windows a.kdw in folders whose full path, with its closing
// separator, has 247 to 250 characters (a.kdw.old then has 256 to 259, the
// longest path with its terminator within MAX_PATH); on Linux final
// components of 248 to 251 bytes (with ".old" up to NAME_MAX).
TEST(LongNames, ABackupWhoseNameFitsIsMadeAndRestored) {
    TempFolder o_folder;
    std::vector<std::pair<std::string, std::string>> ao_places; // folder, file name
#if defined(_WIN32)
    for (std::size_t n_length = 247; n_length <= 250; ++n_length) {
        std::string s_folder = o_folder.Folder() + std::to_string(n_length) + s_sep;
        ASSERT_TRUE(CreateDirectoryA(("\\\\?\\" + s_folder).c_str(), nullptr));
        while (s_folder.size() < n_length) {
            std::size_t n_take = std::min<std::size_t>(n_length - s_folder.size(), 101);
            if (n_length - s_folder.size() - n_take == 1) --n_take;
            s_folder += std::string(n_take - 1, 'd') + s_sep;
            ASSERT_TRUE(CreateDirectoryA(("\\\\?\\" + s_folder).c_str(), nullptr)) << s_folder;
        }
        char ac_full[1024];
        ASSERT_EQ(n_length, GetFullPathNameA(s_folder.c_str(), sizeof ac_full, ac_full, nullptr));
        ao_places.emplace_back(s_folder, "a.kdw");
    }
#else
    for (std::size_t n_length = 248; n_length <= 251; ++n_length)
        ao_places.emplace_back(o_folder.Folder(), std::string(n_length - 4, 'x') + ".kdw");
#endif
    for (const auto &o_place : ao_places) {
        const std::string s_file = o_place.first + o_place.second;
        SCOPED_TRACE("path of " + std::to_string(s_file.size()) + ", name of " +
                     std::to_string(o_place.second.size()));
        WriteWholeFile(s_file, "old");
        CT_Files co_file;
        const Raised o_raised = RaisedBy([&] {
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            co_file.v_Write("new", 3);
        });
        EXPECT_EQ(-1, o_raised.n_code);
        EXPECT_EQ("old", ReadWholeFile(s_file + ".old"));
        co_file.v_Cancel();
        EXPECT_EQ("old", ReadWholeFile(s_file));
        EXPECT_EQ(Names{o_place.second}, NamesIn(o_place.first));
        std::filesystem::remove(s_file);
    }
}

// A backup made by v_SaveOldFile on a closed object that last named the
// file: it is the content that a cancel of that object puts back, and a
// close deletes it.
class BackupAhead : public ::testing::Test {
  protected:
    void SetUp() override { WriteWholeFile(s_file, "old"); }
    void SaveAhead(CT_Files &co_file) {
        co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
        co_file.v_Close();
        co_file.v_SaveOldFile();
        EXPECT_EQ("old", ReadWholeFile(s_backup));
    }
    // Opens the file for writing without a backup and writes the text.
    static void Rewrite(CT_Files &co_file, const std::string &s_file, const char *pc_text) {
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
        co_file.v_Write(pc_text, unsigned(std::strlen(pc_text)));
    }
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("doc.kdw");
    const std::string s_backup = s_file + ".old";
};

// The rewrite that follows, by the same object or by another, is undone by
// the cancel and kept by the close; no backup stays either way.
TEST_F(BackupAhead, ItIsWhatACancelPutsBackAfterARewriteByAnyObject) {
    for (bool b_same_object : {true, false})
        for (bool b_cancel : {false, true}) {
            SCOPED_TRACE(std::string(b_same_object ? "same object" : "another object") +
                         (b_cancel ? ", cancel" : ", close"));
            WriteWholeFile(s_file, "old");
            CT_Files co_saver;
            SaveAhead(co_saver);
            const char *pc_new = b_same_object ? "NEW" : "B";
            if (b_same_object) {
                Rewrite(co_saver, s_file, pc_new);
            } else {
                CT_Files co_other;
                Rewrite(co_other, s_file, pc_new);
                co_other.v_Close();
            }
            End(co_saver, b_cancel);
            EXPECT_EQ(b_cancel ? "old" : pc_new, ReadWholeFile(s_file));
            EXPECT_EQ(Names{"doc.kdw"}, o_folder.Names());
        }
}

// While another object holds the file, the cancel raises 18 and keeps the
// backup; once the other has closed it, a second cancel puts the content
// back.
TEST_F(BackupAhead, ACancelWhileAnotherHoldsTheFileCanBeTriedAgain) {
    CT_Files co_saver, co_other;
    SaveAhead(co_saver);
    Rewrite(co_other, s_file, "B");
    const Raised o_raised = RaisedBy([&] { co_saver.v_Cancel(); });
    EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    EXPECT_EQ("old", ReadWholeFile(s_backup));
    co_other.v_Close();
    EXPECT_EQ("B", ReadWholeFile(s_file));
    co_saver.v_Cancel();
    EXPECT_EQ("old", ReadWholeFile(s_file));
    EXPECT_EQ(Names{"doc.kdw"}, o_folder.Names());
}

// After such a cancel the backup is the only whole copy of the old content:
// a close lets it go but leaves it on the disk, also when the file has
// gone meanwhile.
TEST_F(BackupAhead, ACloseAfterAFailedCancelKeepsTheBackup) {
    CT_Files co_saver, co_other;
    SaveAhead(co_saver);
    co_other.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
    EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_saver.v_Cancel(); }).n_code);
    co_other.v_Cancel(); // takes the file away
    co_saver.v_Close();
    EXPECT_EQ(Names{"doc.kdw.old"}, o_folder.Names());
    EXPECT_EQ("old", ReadWholeFile(s_backup));
}

} // namespace
