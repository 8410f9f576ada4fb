// Linux: the library asks its dialogs on the terminal, so the host runs
// with its standard input and error on pipes. What it writes to standard
// error is passed on and read for the prompts of the dialogs, the
// question before replacing a file and the notice of a message box; the
// answers are written as a person would type them.
#include "host.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ct_answer {

struct Host::State {
    pid_t n_pid = -1;
    int i_input = -1;   // the host's standard input
    int i_prompts = -1; // the host's standard error
    bool b_ended = false;
    std::string s_seen;        // standard error since the last window
    std::string s_echo;        // answers not yet echoed back by the host
    std::size_t n_scanned = 0; // of s_seen, found to end no window
    std::string s_caption;     // of the last file dialog, which a question belongs to
    Window eo_last = Window::e_FileDialog;
};

namespace {

const char *const pc_multiple_prompt = "File names, one a line, then an empty line";
const char *const pc_question_end = "Replace it? [y/N] ";
const char *const pc_box_end = "[OK]\n";

bool b_EndsWith(const std::string &s_text, const std::string &s_end) {
    return s_text.size() >= s_end.size() &&
           s_text.compare(s_text.size() - s_end.size(), s_end.size(), s_end) == 0;
}

// The complete line before position n_end (which starts a line).
std::string s_LineBefore(const std::string &s_text, std::size_t n_end) {
    if (n_end < 2) return "";
    const std::size_t n_start = s_text.rfind('\n', n_end - 2);
    const std::size_t n_from = n_start == std::string::npos ? 0 : n_start + 1;
    return s_text.substr(n_from, n_end - 1 - n_from);
}

// The window that the text since the last one shows, if it is complete.
bool b_Recognise(const std::string &s_seen, Shown *po_shown) {
    const std::size_t n_line = s_seen.rfind('\n') + 1; // 0 when there is none
    const std::string s_partial = s_seen.substr(n_line);
    if (s_partial == "File name: " ||
        (s_partial.compare(0, 11, "File name [") == 0 && b_EndsWith(s_partial, "]: "))) {
        *po_shown = {Window::e_FileDialog, s_LineBefore(s_seen, n_line), ""};
        return true;
    }
    if (s_partial == "Folder: ") {
        *po_shown = {Window::e_FolderDialog, s_LineBefore(s_seen, n_line), ""};
        return true;
    }
    if (b_EndsWith(s_partial, pc_question_end)) {
        *po_shown = {Window::e_Question, "", s_partial.substr(0, s_partial.size() - 1)};
        return true;
    }
    if (n_line == 0) return false;
    const std::string s_last = s_LineBefore(s_seen, n_line);
    if (s_last.compare(0, std::strlen(pc_multiple_prompt), pc_multiple_prompt) == 0) {
        *po_shown = {Window::e_MultipleFileDialog, s_LineBefore(s_seen, n_line - s_last.size() - 1),
                     ""};
        return true;
    }
    if (b_EndsWith(s_seen, std::string("\n") + pc_box_end) || s_seen == pc_box_end) {
        // The notice: its caption line, then its text.
        std::string s_box = s_seen.substr(0, s_seen.size() - std::strlen(pc_box_end));
        while (!s_box.empty() && s_box.back() == '\n')
            s_box.pop_back();
        const std::size_t n_caption_end = s_box.find('\n');
        *po_shown = {Window::e_MessageBox, s_box.substr(0, n_caption_end),
                     n_caption_end == std::string::npos ? "" : s_box.substr(n_caption_end + 1)};
        return true;
    }
    return false;
}

// The first window that the text since the last one shows, which is then
// dropped from it. Every prompt ends in a blank or a line end, so only the
// text up to each of those is looked at, once.
bool b_NextWindow(Host::State *po, Shown *po_shown) {
    for (; po->n_scanned < po->s_seen.size(); ++po->n_scanned) {
        const char c = po->s_seen[po->n_scanned];
        if (c != ' ' && c != '\n') continue;
        const std::size_t n_end = po->n_scanned + 1;
        if (!b_Recognise(po->s_seen.substr(0, n_end), po_shown)) continue;
        po->s_seen.erase(0, n_end);
        po->n_scanned = 0;
        po->eo_last = po_shown->eo_window;
        if (po_shown->eo_window == Window::e_FileDialog ||
            po_shown->eo_window == Window::e_MultipleFileDialog)
            po->s_caption = po_shown->s_caption;
        if (po_shown->eo_window == Window::e_Question) po_shown->s_caption = po->s_caption;
        // Without input left, the host answers its own prompt with this.
        if (po->i_input < 0 && po_shown->eo_window != Window::e_MessageBox)
            po->s_echo += "[Cancel: the input has ended]\n";
        return true;
    }
    return false;
}

// Drops from the start of the text what the host echoes of the answers.
void v_DropEcho(Host::State *po) {
    std::string *ps_seen = &po->s_seen, *ps_echo = &po->s_echo;
    std::size_t n = 0;
    while (n < ps_seen->size() && n < ps_echo->size() && (*ps_seen)[n] == (*ps_echo)[n])
        ++n;
    if (n < ps_seen->size() && n < ps_echo->size()) { // not an echo after all
        ps_echo->clear();
        return;
    }
    ps_seen->erase(0, n);
    ps_echo->erase(0, n);
    po->n_scanned -= std::min(n, po->n_scanned);
}

bool b_Write(int i_input, const std::string &s_lines, std::string *ps_error) {
    if (::write(i_input, s_lines.data(), s_lines.size()) == static_cast<ssize_t>(s_lines.size()))
        return true;
    *ps_error = std::string("cannot write the answer to the host: ") + std::strerror(errno);
    return false;
}

} // namespace

Host::Host() : po_state(new State) {}

Host::~Host() {
    v_Kill();
    if (po_state->i_input >= 0) ::close(po_state->i_input);
    if (po_state->i_prompts >= 0) ::close(po_state->i_prompts);
    delete po_state;
}

bool Host::b_Start(const std::vector<std::string> &as_command, std::string *ps_error) {
    int ai_input[2], ai_prompts[2];
    if (::pipe(ai_input) != 0 || ::pipe(ai_prompts) != 0) {
        *ps_error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    std::signal(SIGPIPE, SIG_IGN); // a host that ends early must not end the driver
    const pid_t n_pid = ::fork();
    if (n_pid < 0) {
        *ps_error = std::string("cannot start the host: ") + std::strerror(errno);
        return false;
    }
    if (n_pid == 0) {
        ::dup2(ai_input[0], 0);
        ::dup2(ai_prompts[1], 2);
        ::close(ai_input[0]);
        ::close(ai_input[1]);
        ::close(ai_prompts[0]);
        ::close(ai_prompts[1]);
        std::vector<char *> apc_arguments;
        for (const std::string &s : as_command)
            apc_arguments.push_back(const_cast<char *>(s.c_str()));
        apc_arguments.push_back(nullptr);
        ::execvp(apc_arguments[0], apc_arguments.data());
        const std::string s_failed =
            "ctcommon-answer: cannot run " + as_command[0] + ": " + std::strerror(errno) + "\n";
        if (::write(2, s_failed.data(), s_failed.size()) < 0) _exit(127);
        _exit(127);
    }
    ::close(ai_input[0]);
    ::close(ai_prompts[1]);
    ::fcntl(ai_input[1], F_SETFD, FD_CLOEXEC);
    ::fcntl(ai_prompts[0], F_SETFD, FD_CLOEXEC);
    po_state->n_pid = n_pid;
    po_state->i_input = ai_input[1];
    po_state->i_prompts = ai_prompts[0];
    return true;
}

Wait Host::eo_WaitForWindow(unsigned n_seconds, Shown *po_shown) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point o_deadline = Clock::now() + std::chrono::seconds(n_seconds);
    State &o = *po_state;
    for (;;) {
        v_DropEcho(&o);
        if (b_NextWindow(&o, po_shown)) return Wait::e_Shown;
        if (o.b_ended) return Wait::e_Ended;
        const auto n_left =
            std::chrono::duration_cast<std::chrono::milliseconds>(o_deadline - Clock::now())
                .count();
        if (n_left <= 0) return Wait::e_TimedOut;
        pollfd o_poll = {o.i_prompts, POLLIN, 0};
        if (::poll(&o_poll, 1, static_cast<int>(n_left < INT_MAX ? n_left : INT_MAX)) <= 0)
            continue;
        char ac_block[4096];
        const ssize_t n = ::read(o.i_prompts, ac_block, sizeof ac_block);
        if (n > 0) {
            if (::write(2, ac_block, static_cast<std::size_t>(n)) < 0) {
            } // passing it on is best effort
            o.s_seen.append(ac_block, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) { // standard error closed: the host has ended
            int i_status = 0;
            ::waitpid(o.n_pid, &i_status, 0);
            o.n_pid = -1;
            i_exit = WIFEXITED(i_status) ? WEXITSTATUS(i_status) : 128 + WTERMSIG(i_status);
            o.b_ended = true;
        }
    }
}

bool Host::b_Answer(const Step &o_step, const std::vector<std::string> &as_full,
                    std::string *ps_error) {
    std::string s_lines;
    switch (o_step.eo_action) {
    case Action::e_File:
    case Action::e_Files:
    case Action::e_Folder:
        for (const std::string &s : as_full)
            s_lines += s + "\n";
        // The multiple dialog reads names until an empty line.
        if (po_state->eo_last == Window::e_MultipleFileDialog) s_lines += "\n";
        break;
    case Action::e_Cancel: // Esc on a line of its own, which the host echoes so
        po_state->s_echo += "[Cancel]\n";
        s_lines = "\x1b\n";
        return b_Write(po_state->i_input, s_lines, ps_error);
    case Action::e_Replace:
        s_lines = "y\n";
        break;
    case Action::e_KeepExisting:
        s_lines = "n\n";
        break;
    case Action::e_Ok: // the notice asks nothing
        return true;
    }
    po_state->s_echo += s_lines;
    return b_Write(po_state->i_input, s_lines, ps_error);
}

void Host::v_Dismiss() {} // the end of the input has cancelled it already

void Host::v_EndAnswers() {
    if (po_state->i_input >= 0) ::close(po_state->i_input);
    po_state->i_input = -1;
}

void Host::v_Kill() {
    if (po_state->n_pid <= 0) return;
    ::kill(po_state->n_pid, SIGKILL);
    ::waitpid(po_state->n_pid, nullptr, 0);
    po_state->n_pid = -1;
    po_state->b_ended = true;
}

std::string s_FullPath(const std::string &s_name) {
    // "." and ".." steps are resolved by their text, as the dialogs take them.
    std::error_code o_error;
    const std::filesystem::path o_full =
        std::filesystem::absolute(s_name.empty() ? "." : s_name, o_error);
    if (o_error) return "";
    std::string s_full = o_full.lexically_normal().string();
    if (s_full.size() > 1 && s_full.back() == '/') s_full.pop_back();
    return s_full;
}

std::string s_FolderOf(const std::string &s_full) {
    return s_full.substr(0, s_full.rfind('/') + 1);
}

} // namespace ct_answer
