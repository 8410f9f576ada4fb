// A backup keeps the protection of the file that it copies, and a restore
// gives it back; on Linux no link planted at the backup's name is followed
// or written through, and a link that the caller names is used as named.
#include "support/raised.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class FileProtection : public ::testing::Test {
  protected:
    void SetUp() override { WriteWholeFile(s_file, "old\r\n"); }
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("private.kdw");
    const std::string s_backup = s_file + ".old";
};

#if defined(_WIN32)

// Rewrites the file with a backup and cancels; the raised code, or -1.
int RewriteAndCancel(const std::string &s_file) {
    CT_Files co_file;
    const int n_code = RaisedBy([&] {
                           co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
                           co_file.v_Write("new", 3);
                       }).n_code;
    co_file.v_Cancel();
    return n_code;
}

DWORD Attributes(const std::string &s_path) { return GetFileAttributesA(s_path.c_str()); }

TEST_F(FileProtection, ABackupKeepsReadOnlyAndHiddenAndIsStillRemoved) {
    for (DWORD n_attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN}) {
        SCOPED_TRACE("attribute " + std::to_string(n_attribute));
        ASSERT_TRUE(SetFileAttributesA(s_file.c_str(), n_attribute));
        {
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 1);
            EXPECT_TRUE(Attributes(s_backup) & n_attribute);
            co_file.v_Close();
            EXPECT_FALSE(FileExists(s_backup));
        }
        // Rewriting may be refused by the system (a read-only file, or a
        // hidden one re-created without the attribute); either way the old
        // content and the attribute stay, and no backup is left.
        const int n_code = RewriteAndCancel(s_file);
        EXPECT_TRUE(n_code == -1 || n_code == e_FileOpenFailed) << n_code;
        EXPECT_EQ("old\r\n", ReadWholeFile(s_file));
        EXPECT_TRUE(Attributes(s_file) & n_attribute);
        EXPECT_FALSE(FileExists(s_backup));
        SetFileAttributesA(s_file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

#else

mode_t Mode(const std::string &s_path) {
    struct stat o_stat;
    return ::lstat(s_path.c_str(), &o_stat) == 0 ? o_stat.st_mode & 07777 : 0;
}

// The backup has the file's mode whatever the umask, and a cancel leaves
// the file with that mode too.
TEST_F(FileProtection, ABackupAndARestoreKeepThePermissionBits) {
    const mode_t n_umask = ::umask(0);
    for (mode_t n_mask : {0000, 0022, 0077})
        for (mode_t n_mode : {0600, 0640, 0644, 0755}) {
            SCOPED_TRACE("mode " + std::to_string(n_mode) + ", umask " + std::to_string(n_mask));
            ::umask(n_mask);
            ::chmod(s_file.c_str(), n_mode);
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            EXPECT_EQ(n_mode, Mode(s_backup));
            co_file.v_Cancel();
            EXPECT_EQ(n_mode, Mode(s_file));
            EXPECT_EQ("old\r\n", ReadWholeFile(s_file));
        }
    ::umask(n_umask);
}

TEST_F(FileProtection, ABackupAndARestoreKeepTheOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "only a privileged process may give files away";
    ASSERT_EQ(0, ::chown(s_file.c_str(), 1234, 5678));
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    struct stat o_stat;
    ASSERT_EQ(0, ::stat(s_backup.c_str(), &o_stat));
    EXPECT_EQ(1234u, o_stat.st_uid);
    EXPECT_EQ(5678u, o_stat.st_gid);
    co_file.v_Cancel();
    ASSERT_EQ(0, ::stat(s_file.c_str(), &o_stat));
    EXPECT_EQ(1234u, o_stat.st_uid);
    EXPECT_EQ(5678u, o_stat.st_gid);
}

// A link that the caller names is followed on opening, as on Windows. A
// cancel without a backup deletes neither the link nor its target, and
// leaves no byte of the new content in the target.
TEST_F(FileProtection, ALinkThatTheCallerNamesIsFollowedAndKeptByACancel) {
    const std::string s_link = o_folder.Path("link.kdw");
    std::filesystem::create_symlink(s_file, s_link);
    {
        CT_Files co_file;
        co_file.v_Open(s_link.c_str(), CT_Files::e_Write, 0);
        co_file.v_Write("new", 3);
        co_file.v_Close();
    }
    EXPECT_EQ("new", ReadWholeFile(s_file));
    EXPECT_TRUE(std::filesystem::is_symlink(s_link));
    CT_Files co_file;
    co_file.v_Open(s_link.c_str(), CT_Files::e_Write, 0);
    co_file.v_Write("partial", 7);
    co_file.v_Cancel();
    EXPECT_TRUE(std::filesystem::is_symlink(s_link));
    EXPECT_EQ("", ReadWholeFile(s_file));
}

#endif

// Another file, and on Linux a dangling target, planted at the backup's
// name: the backup is a new file of its own, on both builds.
TEST_F(FileProtection, ALinkPlantedAtTheBackupsNameIsReplacedNeverWrittenThrough) {
    const std::string s_victim = o_folder.Path("victim.txt");
    const std::string s_nowhere = o_folder.Path("nowhere.txt");
    enum { e_Symbolic, e_Hard, e_Dangling };
#if defined(_WIN32)
    for (int n_kind : {e_Hard})
#else
    for (int n_kind : {e_Symbolic, e_Hard, e_Dangling})
#endif
        for (bool b_cancel : {false, true}) {
            SCOPED_TRACE("link kind " + std::to_string(n_kind) +
                         (b_cancel ? ", cancel" : ", close"));
            WriteWholeFile(s_file, "old\r\n");
            WriteWholeFile(s_victim, "victim\r\n");
            std::filesystem::remove(s_backup);
            if (n_kind == e_Hard)
                std::filesystem::create_hard_link(s_victim, s_backup);
            else
                std::filesystem::create_symlink(n_kind == e_Symbolic ? s_victim : s_nowhere,
                                                s_backup);
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            co_file.v_Write("new", 3);
            if (b_cancel)
                co_file.v_Cancel();
            else
                co_file.v_Close();
            EXPECT_EQ(b_cancel ? "old\r\n" : "new", ReadWholeFile(s_file));
            EXPECT_EQ("victim\r\n", ReadWholeFile(s_victim));
            EXPECT_FALSE(FileExists(s_nowhere));
            EXPECT_FALSE(std::filesystem::is_symlink(s_backup) || FileExists(s_backup));
        }
}

} // namespace
