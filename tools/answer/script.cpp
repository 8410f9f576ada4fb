// The answer script: one step a line, "#" starts a comment line.
#include "script.h"

#include <cstdio>
#include <fstream>

namespace ct_answer {

namespace {

// Words separated by blanks; a word in double quotes may hold blanks.
bool b_SplitWords(const std::string &s_line, std::vector<std::string> *pas_words) {
    std::size_t i = 0;
    while (i < s_line.size()) {
        if (s_line[i] == ' ' || s_line[i] == '\t') {
            ++i;
            continue;
        }
        std::string s_word;
        if (s_line[i] == '"') {
            const std::size_t n_end = s_line.find('"', i + 1);
            if (n_end == std::string::npos) return false;
            s_word = s_line.substr(i + 1, n_end - i - 1);
            i = n_end + 1;
        } else {
            while (i < s_line.size() && s_line[i] != ' ' && s_line[i] != '\t')
                s_word.push_back(s_line[i++]);
        }
        pas_words->push_back(s_word);
    }
    return true;
}

std::string s_Trimmed(const std::string &s_text) {
    const std::size_t n_first = s_text.find_first_not_of(" \t\r");
    if (n_first == std::string::npos) return "";
    return s_text.substr(n_first, s_text.find_last_not_of(" \t\r") - n_first + 1);
}

// A step from its words, or a message saying what is wrong with them.
std::string s_MakeStep(const std::vector<std::string> &as_words, const std::string &s_rest,
                       Step *po_step) {
    const std::string &s_verb = as_words[0];
    const std::vector<std::string> as_names(as_words.begin() + 1, as_words.end());
    const std::size_t n_names = as_names.size();
    if (s_verb == "file") {
        if (n_names != 1) return "\"file\" takes one name (quote a name with blanks)";
        po_step->eo_action = Action::e_File;
    } else if (s_verb == "files") {
        if (n_names == 0) return "\"files\" takes one name or more";
        po_step->eo_action = Action::e_Files;
    } else if (s_verb == "folder") {
        if (n_names > 1) return "\"folder\" takes one name or none (the current folder)";
        po_step->eo_action = Action::e_Folder;
    } else if (s_verb == "cancel") {
        if (n_names != 0) return "\"cancel\" takes nothing";
        po_step->eo_action = Action::e_Cancel;
    } else if (s_verb == "ok") {
        po_step->eo_action = Action::e_Ok;
        po_step->s_text = s_rest;
        return "";
    } else if (s_verb == "replace") {
        if (n_names != 1 || (as_names[0] != "yes" && as_names[0] != "no"))
            return "\"replace\" takes yes or no";
        po_step->eo_action = as_names[0] == "yes" ? Action::e_Replace : Action::e_KeepExisting;
        return "";
    } else {
        return "unknown step \"" + s_verb + "\" (file, files, folder, cancel, ok, replace)";
    }
    po_step->as_names = as_names;
    return "";
}

} // namespace

bool b_ReadScript(const std::string &s_path, std::vector<Step> *pao_steps, std::string *ps_error) {
    std::ifstream o_file(s_path, std::ios::binary);
    if (!o_file) {
        *ps_error = "cannot read the script " + s_path;
        return false;
    }
    std::string s_line;
    for (unsigned n_line = 1; std::getline(o_file, s_line); ++n_line) {
        const std::string s_step = s_Trimmed(s_line);
        if (s_step.empty() || s_step[0] == '#') continue;
        std::vector<std::string> as_words;
        Step o_step{Action::e_Cancel, {}, "", n_line, s_step};
        const std::size_t n_verb_end = s_step.find_first_of(" \t");
        const std::string s_rest =
            n_verb_end == std::string::npos ? "" : s_Trimmed(s_step.substr(n_verb_end));
        const std::string s_problem = b_SplitWords(s_step, &as_words)
                                          ? s_MakeStep(as_words, s_rest, &o_step)
                                          : "a quote is not closed";
        if (!s_problem.empty()) {
            *ps_error = s_path + ":" + std::to_string(n_line) + ": " + s_problem;
            return false;
        }
        pao_steps->push_back(o_step);
    }
    return true;
}

bool b_Answers(const Step &o_step, Window eo_window) {
    switch (o_step.eo_action) {
    case Action::e_File:
        return eo_window == Window::e_FileDialog || eo_window == Window::e_MultipleFileDialog;
    case Action::e_Files:
        return eo_window == Window::e_MultipleFileDialog ||
               (eo_window == Window::e_FileDialog && o_step.as_names.size() == 1);
    case Action::e_Folder:
        return eo_window == Window::e_FolderDialog;
    case Action::e_Cancel:
        return eo_window == Window::e_FileDialog || eo_window == Window::e_MultipleFileDialog ||
               eo_window == Window::e_FolderDialog;
    case Action::e_Ok:
        return eo_window == Window::e_MessageBox;
    case Action::e_Replace:
    case Action::e_KeepExisting:
        return eo_window == Window::e_Question;
    }
    return false;
}

const char *pc_WindowName(Window eo_window) {
    switch (eo_window) {
    case Window::e_FileDialog:
        return "file dialog";
    case Window::e_MultipleFileDialog:
        return "multiple-file dialog";
    case Window::e_FolderDialog:
        return "folder dialog";
    case Window::e_MessageBox:
        return "message box";
    case Window::e_Question:
        return "question";
    }
    return "window";
}

bool b_FullNames(const Step &o_step, std::vector<std::string> *pas_full, std::string *ps_error) {
    std::vector<std::string> as_names = o_step.as_names;
    if (as_names.empty()) as_names.push_back("."); // a folder step without a name
    for (const std::string &s_name : as_names) {
        pas_full->push_back(s_FullPath(s_name));
        if (pas_full->back().empty()) {
            *ps_error = "cannot make a full path of " + s_name;
            return false;
        }
        if (s_FolderOf(pas_full->back()) != s_FolderOf(pas_full->front())) {
            *ps_error = "the files of one answer must be in one folder: " + pas_full->back() +
                        " is not in " + s_FolderOf(pas_full->front());
            return false;
        }
    }
    return true;
}

void v_Log(const std::string &s_line) {
    std::fputs((s_line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void v_Fail(const std::string &s_line) {
    std::fflush(stdout);
    std::fputs(("ctcommon-answer: " + s_line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

} // namespace ct_answer
