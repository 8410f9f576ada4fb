// A rewrite with a backup killed at random moments (Linux). A child process
// rewrites the file, ending with a close or a cancel, and is killed after a
// random delay; the parent then finds the old content whole at the file's
// name or in its backup, or the new content whole at the file's name. The
// kills fall across the whole rewrite, and then across the two steps that
// copy a whole file: the making of the backup and the rollback.
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const int n_lines = 2000;

std::string Lines(const char *pc_word) {
    std::string s_text;
    for (int i = 0; i < n_lines; ++i)
        s_text += std::string(pc_word) + " line " + std::to_string(i) + "\r\n";
    return s_text;
}

const std::string s_old = Lines("old");
const std::string s_new = Lines("new");

// The moment from which a child's delay counts.
enum et_From { e_FromStart, e_FromOpen, e_FromCancel };

// Tells the parent that the child has reached its moment.
void Signal(int n_pipe) {
    if (::write(n_pipe, "!", 1) != 1) _exit(3);
}

// The child's whole life: one rewrite, line by line, then the ending.
[[noreturn]] void RewriteAndExit(const std::string &s_file, bool b_cancel, et_From eo_from,
                                 int n_pipe) {
    try {
        CT_Files co_file;
        if (eo_from == e_FromOpen) Signal(n_pipe);
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        for (int i = 0; i < n_lines; ++i)
            co_file.v_Writeln(CT_String(("new line " + std::to_string(i)).c_str()));
        if (eo_from == e_FromCancel) Signal(n_pipe);
        if (b_cancel)
            co_file.v_Cancel();
        else
            co_file.v_Close();
    } catch (...) {
        _exit(2);
    }
    _exit(0);
}

// Starts the child and kills it once the delay has passed from its moment,
// unless it ended before; true when it ran through.
bool RunChild(const std::string &s_file, bool b_cancel, std::chrono::microseconds o_delay,
              et_From eo_from = e_FromStart) {
    int an_pipe[2];
    if (::pipe(an_pipe) != 0) return false;
    const pid_t n_child = fork();
    if (n_child == 0) RewriteAndExit(s_file, b_cancel, eo_from, an_pipe[1]);
    ::close(an_pipe[1]);
    char c_signal;
    const bool b_reached = eo_from == e_FromStart || ::read(an_pipe[0], &c_signal, 1) == 1;
    ::close(an_pipe[0]);
    const auto o_deadline =
        std::chrono::steady_clock::now() + (b_reached ? o_delay : std::chrono::microseconds(0));
    int n_status = 0;
    while (waitpid(n_child, &n_status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= o_deadline) {
            kill(n_child, SIGKILL);
            waitpid(n_child, &n_status, 0);
            break;
        }
        std::this_thread::yield();
    }
    return WIFEXITED(n_status) && WEXITSTATUS(n_status) == 0;
}

// Leaves only the file with its old content in the folder.
void StartAgain(const TempFolder &o_folder, const std::string &s_file) {
    for (const auto &o_entry : std::filesystem::directory_iterator(o_folder.Folder()))
        std::filesystem::remove(o_entry.path());
    WriteWholeFile(s_file, s_old);
}

// How long a step takes here, timed in this process.
long SpanOf(const std::string &s_file, et_From eo_from) {
    CT_Files co_file;
    const auto o_start = std::chrono::steady_clock::now();
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    auto o_end = std::chrono::steady_clock::now();
    for (int i = 0; i < n_lines; ++i)
        co_file.v_Writeln(CT_String(("new line " + std::to_string(i)).c_str()));
    if (eo_from == e_FromCancel) {
        const auto o_cancel = std::chrono::steady_clock::now();
        co_file.v_Cancel();
        return static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - o_cancel)
                                     .count());
    }
    co_file.v_Cancel();
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(o_end - o_start).count());
}

class FilesCrash : public ::testing::TestWithParam<et_From> {};

TEST_P(FilesCrash, AKilledRewriteLeavesTheOldOrTheNewContentWhole) {
    const et_From eo_from = GetParam();
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";

    // How long the stretch takes here; the kills fall across twice that.
    StartAgain(o_folder, s_file);
    long n_span = 0;
    if (eo_from == e_FromStart) {
        const auto o_start = std::chrono::steady_clock::now();
        ASSERT_TRUE(RunChild(s_file, false, std::chrono::seconds(60)));
        n_span = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::steady_clock::now() - o_start)
                                       .count());
    } else {
        n_span = SpanOf(s_file, eo_from);
    }

    const unsigned n_seed = std::random_device()();
    std::mt19937 o_random(n_seed);
    std::uniform_int_distribution<long> o_delay(0, 2 * n_span);
    int n_old_at_name = 0, n_old_in_backup = 0, n_new = 0, n_ran_through = 0;
    for (int n_run = 0; n_run < 200; ++n_run) {
        const bool b_cancel = eo_from == e_FromCancel || n_run % 2 == 1;
        StartAgain(o_folder, s_file);
        if (RunChild(s_file, b_cancel, std::chrono::microseconds(o_delay(o_random)), eo_from))
            ++n_ran_through;

        const std::string s_now = FileExists(s_file) ? ReadWholeFile(s_file) : "(no file)";
        const std::string s_kept = FileExists(s_backup) ? ReadWholeFile(s_backup) : "(no backup)";
        n_new += s_now == s_new;
        n_old_at_name += s_now == s_old;
        n_old_in_backup += s_now != s_new && s_now != s_old && s_kept == s_old;
        ASSERT_TRUE(s_now == s_old || s_now == s_new || s_kept == s_old)
            << "run " << n_run << " (seed " << n_seed << ", " << (b_cancel ? "cancel" : "close")
            << "): the file holds " << s_now.size() << " bytes, the backup " << s_kept.size();
    }
    std::printf("seed %u, the stretch %ld us: old content at the name %d, only in the backup %d, "
                "new content %d; ran through %d of 200\n",
                n_seed, n_span, n_old_at_name, n_old_in_backup, n_new, n_ran_through);
}

INSTANTIATE_TEST_SUITE_P(Stretches, FilesCrash,
                         ::testing::Values(e_FromStart, e_FromOpen, e_FromCancel),
                         [](const ::testing::TestParamInfo<et_From> &o_info) {
                             return std::string(o_info.param == e_FromStart  ? "WholeRewrite"
                                                : o_info.param == e_FromOpen ? "MakingTheBackup"
                                                                             : "RollingBack");
                         });

} // namespace
