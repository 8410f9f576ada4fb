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
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace ct_answer {

struct Host::State {
    pid_t n_pid = -1;
    int i_input = -1;   // the host's standard input
    int i_prompts = -1; // the host's standard error
    bool b_ended = false;
    std::string s_seen;           // standard error since the last window
    std::string s_echo;           // answers not yet echoed back by the host
    std::size_t n_scanned = 0;    // of s_seen, found to end no window
    std::size_t n_line = 0;       // where the line being scanned starts
    std::size_t n_line_above = 0; // where the line above it starts
    std::string s_caption;        // of the last file dialog, which a question belongs to
    Window eo_last = Window::e_FileDialog;
};

namespace {

const std::string_view s_multiple_prompt = "File names, one a line, then an empty line";
const std::string_view s_question_end = "Replace it? [y/N] ";

std::string_view s_Slice(const std::string &s_text, std::size_t n_from, std::size_t n_to) {
    return std::string_view(s_text).substr(n_from, n_to - n_from);
}

bool b_StartsWith(std::string_view s_text, std::string_view s_start) {
    return s_text.substr(0, s_start.size()) == s_start;
}

bool b_EndsWith(std::string_view s_text, std::string_view s_end) {
    return s_text.size() >= s_end.size() && s_text.substr(s_text.size() - s_end.size()) == s_end;
}

// A prompt that the line so far ends with, the line above it being the
// dialog's caption.
bool b_PromptShown(std::string_view s_partial, std::string_view s_above, Shown *po_shown) {
    if (s_partial == "File name: " ||
        (b_StartsWith(s_partial, "File name [") && b_EndsWith(s_partial, "]: ")))
        *po_shown = {Window::e_FileDialog, std::string(s_above), ""};
    else if (s_partial == "Folder: ")
        *po_shown = {Window::e_FolderDialog, std::string(s_above), ""};
    else if (b_EndsWith(s_partial, s_question_end))
        *po_shown = {Window::e_Question, "",
                     std::string(s_partial.substr(0, s_partial.size() - 1))};
    else
        return false;
    return true;
}

// A window that a line just ended shows: the multiple dialog's prompt, the
// line above being its caption, or the last line of a message box's
// notice, all that came before it being its caption line and its text.
bool b_LineShown(std::string_view s_line, std::string_view s_above, std::string_view s_before,
                 Shown *po_shown) {
    if (b_StartsWith(s_line, s_multiple_prompt)) {
        *po_shown = {Window::e_MultipleFileDialog, std::string(s_above), ""};
        return true;
    }
    if (s_line != "[OK]") return false;
    while (!s_before.empty() && s_before.back() == '\n')
        s_before.remove_suffix(1);
    const std::size_t n_caption_end = s_before.find('\n');
    *po_shown = {Window::e_MessageBox, std::string(s_before.substr(0, n_caption_end)),
                 n_caption_end == std::string_view::npos
                     ? ""
                     : std::string(s_before.substr(n_caption_end + 1))};
    return true;
}

// Drops n bytes from the start of the text seen, keeping the places in it.
void v_DropFront(Host::State *po, std::size_t n) {
    po->s_seen.erase(0, n);
    for (std::size_t *pn : {&po->n_scanned, &po->n_line, &po->n_line_above})
        *pn -= std::min(n, *pn);
}

// The first window that the text since the last one shows, which is then
// dropped from it. Every prompt ends in a blank or a line end; the text is
// walked once, keeping where its last two lines start.
bool b_NextWindow(Host::State *po, Shown *po_shown) {
    const std::string &s = po->s_seen;
    for (; po->n_scanned < s.size(); ++po->n_scanned) {
        const char c = s[po->n_scanned];
        const std::size_t n_end = po->n_scanned + 1;
        const std::string_view s_above =
            s_Slice(s, po->n_line_above, po->n_line == 0 ? 0 : po->n_line - 1);
        bool b_shown = false;
        if (c == ' ') {
            b_shown = b_PromptShown(s_Slice(s, po->n_line, n_end), s_above, po_shown);
        } else if (c == '\n') {
            b_shown = b_LineShown(s_Slice(s, po->n_line, po->n_scanned), s_above,
                                  s_Slice(s, 0, po->n_line), po_shown);
            po->n_line_above = po->n_line;
            po->n_line = n_end;
        }
        if (!b_shown) continue;
        v_DropFront(po, n_end);
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
    std::size_t n = 0;
    while (n < po->s_seen.size() && n < po->s_echo.size() && po->s_seen[n] == po->s_echo[n])
        ++n;
    if (n < po->s_seen.size() && n < po->s_echo.size()) { // not an echo after all
        po->s_echo.clear();
        return;
    }
    v_DropFront(po, n);
    po->s_echo.erase(0, n);
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
