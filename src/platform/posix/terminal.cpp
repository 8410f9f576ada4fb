// Linux: the dialogs' conversation on the terminal.
#include "platform/posix/terminal.h"
#include "platform/posix/texts.h"
#include "platform/posix/win32_api.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace ct_terminal {

namespace {

enum class Answer { e_Line, e_Cancel, e_End };

// One line of standard input without its line end. Esc alone on a line
// cancels the dialog, as Esc does a window; so does the end of the input.
Answer eo_ReadLine(std::string *ps_line) {
    ps_line->clear();
    int c;
    while ((c = std::getchar()) != EOF && c != '\n')
        ps_line->push_back(static_cast<char>(c));
    if (c == EOF && ps_line->empty()) {
        std::fputs("[Cancel: the input has ended]\n", stderr);
        std::fflush(stderr);
        return Answer::e_End;
    }
    if (!ps_line->empty() && ps_line->back() == '\r') ps_line->pop_back();
    const bool b_cancel = *ps_line == "\x1b";
    if (!::isatty(0)) { // an answer piped in: shown after its prompt as if typed
        std::fputs(b_cancel ? "[Cancel]\n" : (*ps_line + "\n").c_str(), stderr);
        std::fflush(stderr);
    }
    return b_cancel ? Answer::e_Cancel : Answer::e_Line;
}

bool b_ReadLine(std::string *ps_line) { return eo_ReadLine(ps_line) == Answer::e_Line; }

void v_Say(const std::string &s_text) {
    std::fputs(s_text.c_str(), stderr);
    std::fflush(stderr);
}

std::string s_FullPath(const std::string &s_name) {
    std::vector<char> ac_full(4096);
    for (;;) {
        const DWORD n = GetFullPathNameA(s_name.c_str(), static_cast<DWORD>(ac_full.size()),
                                         ac_full.data(), nullptr);
        if (n == 0) return "";
        if (n < ac_full.size()) return ac_full.data();
        ac_full.resize(n);
    }
}

bool b_Is(const std::string &s_path, mode_t n_type) {
    struct stat o_stat;
    return ::stat(s_path.c_str(), &o_stat) == 0 && (o_stat.st_mode & S_IFMT) == n_type;
}

bool b_HasExtension(const std::string &s_name) {
    return std::string(ct_posix::pc_NameOf(s_name.c_str())).find('.') != std::string::npos;
}

// A typed name as a full path. As a dialog starts in the folder of its
// initial name, a relative name is taken from there when the initial name
// has a folder.
std::string s_Chosen(const std::string &s_initial, const std::string &s_name) {
    if (s_name.empty() || s_name[0] == '/' || s_name == s_initial ||
        s_initial.find('/') == std::string::npos)
        return s_FullPath(s_name);
    const std::string s_start = s_FullPath(s_initial);
    return s_FullPath(s_start.substr(0, s_start.rfind('/') + 1) + s_name);
}

} // namespace

std::string s_AskFile(const FileQuestion &o_question) {
    v_Say(o_question.s_caption + "\n");
    const std::string &s_initial = o_question.s_initial;
    for (;;) {
        v_Say(s_initial.empty() ? "File name: " : "File name [" + s_initial + "]: ");
        std::string s_name;
        if (!b_ReadLine(&s_name)) return "";
        if (s_name.empty()) s_name = s_initial;
        if (s_name.empty()) return "";
        if (o_question.b_saving && !o_question.s_default_extension.empty() &&
            !b_HasExtension(s_name))
            s_name += "." + o_question.s_default_extension;
        const std::string s_full = s_Chosen(s_initial, s_name);
        if (s_full.empty() || b_Is(s_full, S_IFDIR)) {
            v_Say(s_name + " is not a file name.\n");
            continue;
        }
        const bool b_exists = b_Is(s_full, S_IFREG);
        if (o_question.b_must_exist && !b_exists) {
            v_Say(s_full + " does not exist.\n");
            continue;
        }
        if (o_question.b_saving && o_question.b_ask_before_replacing && b_exists) {
            v_Say(s_full + " already exists. Replace it? [y/N] ");
            std::string s_yes;
            if (!b_ReadLine(&s_yes)) return "";
            if (s_yes != "y" && s_yes != "Y" && s_yes != "yes") continue;
        }
        return s_full;
    }
}

std::vector<std::string> as_AskFiles(const FileQuestion &o_question) {
    v_Say(o_question.s_caption + "\n");
    const std::string &s_initial = o_question.s_initial;
    v_Say("File names, one a line, then an empty line" +
          (s_initial.empty() ? std::string() : " [" + s_initial + "]") + ":\n");
    std::vector<std::string> as_full;
    std::string s_first_folder; // every name must be in the first one's folder
    std::string s_name;
    Answer eo_answer;
    while ((eo_answer = eo_ReadLine(&s_name)) == Answer::e_Line && !s_name.empty()) {
        const std::string s_full = s_Chosen(s_initial, s_name);
        if (!b_Is(s_full, S_IFREG)) {
            v_Say(s_name + " is not an existing file.\n");
        } else if (!as_full.empty() && ct_posix::s_FolderOf(s_full.c_str()) != s_first_folder) {
            v_Say(s_full + " is not in " + s_first_folder + ".\n");
        } else {
            if (as_full.empty()) s_first_folder = ct_posix::s_FolderOf(s_full.c_str());
            as_full.push_back(s_full);
        }
    }
    if (eo_answer == Answer::e_Cancel) return {};
    if (as_full.empty()) { // an empty first line keeps the initial name
        const std::string s_full = s_initial.empty() ? "" : s_FullPath(s_initial);
        if (eo_answer == Answer::e_Line && b_Is(s_full, S_IFREG)) as_full.push_back(s_full);
    }
    return as_full;
}

std::string s_AskFolder(const std::string &s_caption) {
    v_Say(s_caption + "\n");
    for (;;) {
        v_Say("Folder: ");
        std::string s_name;
        if (!b_ReadLine(&s_name) || s_name.empty()) return "";
        const std::string s_full = s_FullPath(s_name);
        if (b_Is(s_full, S_IFDIR))
            return s_full.size() > 1 && s_full.back() == '/' ? s_full.substr(0, s_full.size() - 1)
                                                             : s_full;
        v_Say(s_name + " is not an existing folder.\n");
    }
}

} // namespace ct_terminal
