// ctcommon-answer [--timeout SECONDS] SCRIPT HOST [ARGUMENTS...]
// Starts the host and answers its dialogs and message boxes, one script
// step a window, in order. Returns the host's exit code, or 120 to 124 for
// its own failures (script.h), each explained on standard error.
#include "host.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace ct_answer;

const char *const pc_usage =
    "usage: ctcommon-answer [--timeout SECONDS] SCRIPT HOST [ARGUMENTS...]\n"
    "  Runs HOST and answers each dialog or message box of the library that it shows\n"
    "  with the next step of SCRIPT; each step waits up to SECONDS (60) for its window.\n";

std::string s_Quoted(const std::string &s_text) { return "\"" + s_text + "\""; }

std::string s_Joined(const std::vector<std::string> &as_texts) {
    std::string s_all;
    for (const std::string &s : as_texts)
        s_all += (s_all.empty() ? "" : ", ") + s;
    return s_all;
}

std::string s_Describe(const Shown &o_shown) {
    std::string s =
        std::string(pc_WindowName(o_shown.eo_window)) + " " + s_Quoted(o_shown.s_caption);
    return o_shown.s_text.empty() ? s : s + ": " + o_shown.s_text;
}

std::string s_StepName(const Step &o_step) {
    return "line " + std::to_string(o_step.n_line) + " (" + o_step.s_source + ")";
}

// What the driver reports of an answered window.
std::string s_Answered(const Step &o_step, const Shown &o_shown,
                       const std::vector<std::string> &as_full) {
    const std::string s_window =
        std::string(pc_WindowName(o_shown.eo_window)) + " " + s_Quoted(o_shown.s_caption) + ": ";
    switch (o_step.eo_action) {
    case Action::e_Cancel:
        return s_window + "cancelled";
    case Action::e_Ok:
        return s_window + o_shown.s_text;
    case Action::e_Replace:
        return s_window + o_shown.s_text + " yes";
    case Action::e_KeepExisting:
        return s_window + o_shown.s_text + " no";
    default:
        return s_window + s_Joined(as_full);
    }
}

int i_Answer(const std::vector<Step> &ao_steps, unsigned n_seconds, Host *po_host) {
    for (const Step &o_step : ao_steps) {
        Shown o_shown;
        const Wait eo_wait = po_host->eo_WaitForWindow(n_seconds, &o_shown);
        if (eo_wait == Wait::e_Ended) {
            v_Fail("the host ended (exit code " + std::to_string(po_host->i_ExitCode()) +
                   ") before the window of " + s_StepName(o_step));
            return n_ExitNoWindow;
        }
        if (eo_wait == Wait::e_TimedOut) {
            v_Fail("no window came within " + std::to_string(n_seconds) + " s for " +
                   s_StepName(o_step));
            po_host->v_Kill();
            return n_ExitNoWindow;
        }
        if (!b_Answers(o_step, o_shown.eo_window) ||
            (o_step.eo_action == Action::e_Ok &&
             o_shown.s_text.find(o_step.s_text) == std::string::npos)) {
            v_Fail(s_StepName(o_step) + " does not answer the " + s_Describe(o_shown));
            po_host->v_Kill();
            return n_ExitWrongWindow;
        }
        std::vector<std::string> as_full;
        std::string s_error;
        if ((!o_step.as_names.empty() || o_step.eo_action == Action::e_Folder) &&
            !b_FullNames(o_step, &as_full, &s_error)) {
            v_Fail(s_StepName(o_step) + ": " + s_error);
            po_host->v_Kill();
            return n_ExitUsage;
        }
        // Said before it is given: once answered, the host goes on and its
        // own output would race this line on a shared terminal or pipe.
        v_Log(s_Answered(o_step, o_shown, as_full));
        if (!po_host->b_Answer(o_step, as_full, &s_error)) {
            v_Fail(s_StepName(o_step) + ": " + s_error);
            po_host->v_Kill();
            return n_ExitWrongWindow;
        }
    }
    po_host->v_EndAnswers();
    // Whatever comes now has no answer: it is closed, and reported.
    bool b_unanswered = false;
    for (;;) {
        Shown o_shown;
        const Wait eo_wait = po_host->eo_WaitForWindow(n_seconds, &o_shown);
        if (eo_wait == Wait::e_Ended) break;
        if (eo_wait == Wait::e_TimedOut) {
            v_Fail("the host did not end within " + std::to_string(n_seconds) +
                   " s after the script's last step");
            po_host->v_Kill();
            return n_ExitHung;
        }
        v_Fail("the script has no step left for the " + s_Describe(o_shown) + "; closed");
        po_host->v_Dismiss();
        b_unanswered = true;
    }
    return b_unanswered ? n_ExitUnanswered : po_host->i_ExitCode();
}

} // namespace

int main(int argc, char **argv) {
    int i_arg = 1;
    unsigned n_seconds = 60;
    if (i_arg + 1 < argc && std::strcmp(argv[i_arg], "--timeout") == 0) {
        char *pc_end = nullptr;
        const unsigned long n = std::strtoul(argv[i_arg + 1], &pc_end, 10);
        if (*pc_end || n == 0 || n > 86400) {
            v_Fail("--timeout takes a number of seconds from 1 to 86400");
            return n_ExitUsage;
        }
        n_seconds = static_cast<unsigned>(n);
        i_arg += 2;
    }
    if (argc - i_arg < 2) {
        std::fputs(pc_usage, stderr);
        return n_ExitUsage;
    }
    std::vector<Step> ao_steps;
    std::string s_error;
    if (!b_ReadScript(argv[i_arg], &ao_steps, &s_error)) {
        v_Fail(s_error);
        return n_ExitUsage;
    }
    Host o_host;
    if (!o_host.b_Start(std::vector<std::string>(argv + i_arg + 1, argv + argc), &s_error)) {
        v_Fail(s_error);
        return n_ExitUsage;
    }
    return i_Answer(ao_steps, n_seconds, &o_host);
}
