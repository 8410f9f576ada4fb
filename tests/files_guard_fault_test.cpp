// CT_RewriteScope when the system fails: a commit that raises 18 leaves the
// scope uncommitted, so its end rolls the rewrite back; a rollback that
// fails at the scope's end records 18 and keeps the backup, and raises
// nothing, so that the exception in flight, if any, goes on. Runs against
// the library's test build, whose file calls can be made to fail.
#include "support/escaped.h"
#include "support/system_facts.h"
#include "support/temp_files.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char ac_old[] = "old content\r\n";

// How the scope's code ends.
enum et_End { e_Commit, e_HostThrows, e_ReturnEarly };

struct Case {
    const char *pc_name;
    et_End eo_end;
    const char *pc_escaped; // what leaves the scope (EscapedFrom)
    const char *pc_backup;  // the backup kept, or null
};

// The second flush of a rewrite with a backup is its last: the close's or
// the cancel's (the first puts the backup on the disk).
const Case ao_cases[] = {
    {"a commit whose flush fails", e_Commit, "code 18", nullptr},
    {"a host exception, the rollback's flush failing", e_HostThrows, "runtime_error", ac_old},
    {"an early return, the rollback's flush failing", e_ReturnEarly, "", ac_old},
};

void Rewrite(const std::string &s_file, et_End eo_end) {
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    CT_RewriteScope o_scope(co_file);
    co_file.v_Write("new", 3);
    if (eo_end == e_ReturnEarly) return;
    if (eo_end == e_HostThrows) throw std::runtime_error("host");
    o_scope.v_Commit();
}

TEST(RewriteScopeFaults, AFailedCommitRollsBackAndAFailedRollbackKeepsTheBackup) {
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    for (const Case &o_case : ao_cases) {
        SCOPED_TRACE(o_case.pc_name);
        WriteWholeFile(s_file, ac_old);
        CT_Errors::v_ResetError();
        ct_ClearFaults();
        ct_FailCall("FlushFileBuffers", 2, n_disk_full_error, 0);
        EXPECT_EQ(o_case.pc_escaped, EscapedFrom([&] { Rewrite(s_file, o_case.eo_end); }));
        ct_ClearFaults();
        EXPECT_EQ(e_FileWriteFailed, CT_Errors::set_GetLastError());
        EXPECT_EQ(ac_old, ReadWholeFile(s_file));
        if (o_case.pc_backup) {
            EXPECT_EQ(o_case.pc_backup, ReadWholeFile(s_file + ".old"));
            std::filesystem::remove(s_file + ".old");
        } else {
            EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
        }
    }
}

} // namespace
