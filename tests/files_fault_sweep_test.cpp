// A rewrite with a backup, ended by a close or by a cancel, with the n-th
// system call failing, for n = 1, 2, ... until the rewrite runs through:
// once, and from then on. After every run the right code was raised with
// the file's name, no handle is left open, and the disk holds the complete
// old content or the complete new content at the file's name (the old one
// possibly in the backup), never a mixture.
#include "support/raised.h"
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/temp_files.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string s_old = "old line 1\r\nold line 2\r\n";
const std::string s_new = "new line 1\r\nnew line 2\r\nnew line 3\r\n";

enum et_Ending { e_Close, e_Cancel };

// A host's rewrite: open with a backup, write the lines, end it; on an
// error, roll back as a host's handler does.
Raised Rewrite(const std::string &s_file, et_Ending eo_ending) {
    CT_Files co_file;
    return RaisedBy([&] {
        try {
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            co_file.v_Writeln("new line 1");
            co_file.v_Writeln("new line 2");
            co_file.v_Writeln("new line 3");
            if (eo_ending == e_Close)
                co_file.v_Close();
            else
                co_file.v_Cancel();
        } catch (et_ErrorCode) {
            co_file.v_Cancel();
            throw;
        }
    });
}

class FaultSweep : public ::testing::TestWithParam<std::tuple<et_Ending, bool>> {};

TEST_P(FaultSweep, EveryFailureLeavesWholeContent) {
    const et_Ending eo_ending = std::get<0>(GetParam());
    const bool b_persistent = std::get<1>(GetParam());
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";
    const long n_handles = OpenHandles();
    bool b_ran_through = false;
    for (unsigned n_fail = 1; !b_ran_through && n_fail < 1000; ++n_fail) {
        WriteWholeFile(s_file, s_old);
        std::filesystem::remove(s_backup);
        ct_ClearFaults();
        ct_FailCall(nullptr, n_fail, n_io_error, b_persistent);
        const Raised o_raised = Rewrite(s_file, eo_ending);
        b_ran_through = ct_CountCalls(nullptr) < n_fail;
        ct_ClearFaults();

        const std::string s_run = "call " + std::to_string(n_fail);
        if (o_raised.n_code != -1) {
            EXPECT_TRUE(o_raised.n_code == e_FileOpenFailed || o_raised.n_code == e_FileWriteFailed)
                << s_run << ": raised " << o_raised.n_code;
            EXPECT_EQ(s_file, o_raised.s_parameter) << s_run;
        }
        // Nothing holds the file any more.
        EXPECT_TRUE(CanOpen(s_file)) << s_run;
        EXPECT_EQ(n_handles, OpenHandles()) << s_run;

        const std::string s_now = FileExists(s_file) ? ReadWholeFile(s_file) : "(no file)";
        const std::string s_kept = FileExists(s_backup) ? ReadWholeFile(s_backup) : "(no backup)";
        EXPECT_TRUE(s_now == s_old || s_now == s_new || s_kept == s_old)
            << s_run << ": the file holds \"" << s_now << "\", the backup \"" << s_kept << "\"";
        if (b_ran_through) {
            EXPECT_EQ(-1, o_raised.n_code);
            EXPECT_EQ(eo_ending == e_Close ? s_new : s_old, s_now);
            EXPECT_FALSE(FileExists(s_backup));
        }
    }
    EXPECT_TRUE(b_ran_through);
}

INSTANTIATE_TEST_SUITE_P(Rewrites, FaultSweep,
                         ::testing::Combine(::testing::Values(e_Close, e_Cancel),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<et_Ending, bool>> &o_info) {
                             return std::string(std::get<0>(o_info.param) == e_Close ? "Close"
                                                                                     : "Cancel") +
                                    (std::get<1>(o_info.param) ? "Persistent" : "Once");
                         });

} // namespace
