// ctcommon-answer: answers the library's dialogs and message boxes of a
// running host from a script, on Windows by working the real windows from
// outside the host's process, on Linux by answering the terminal dialogs
// on the host's standard input. One script serves both.
#ifndef CTCOMMON_ANSWER_SCRIPT_H
#define CTCOMMON_ANSWER_SCRIPT_H

#include <string>
#include <vector>

namespace ct_answer {

// What a step answers, and how.
enum class Action { e_File, e_Files, e_Folder, e_Cancel, e_Ok, e_Replace, e_KeepExisting };

struct Step {
    Action eo_action;
    std::vector<std::string> as_names; // file, files, folder: names as written
    std::string s_text;                // ok: a text that the message must contain
    unsigned n_line;                   // in the script, for messages
    std::string s_source;              // the step as written
};

// The windows that a host of the library shows.
enum class Window { e_FileDialog, e_MultipleFileDialog, e_FolderDialog, e_MessageBox, e_Question };

// Reads a script; false with a message naming the line for a bad one.
bool b_ReadScript(const std::string &s_path, std::vector<Step> *pao_steps, std::string *ps_error);

// Whether a step answers a window of that kind.
bool b_Answers(const Step &o_step, Window eo_window);

const char *pc_WindowName(Window eo_window);

// The names of a step as full paths, in the system's spelling; false with
// a message when the files of a multiple answer are not in one folder.
bool b_FullNames(const Step &o_step, std::vector<std::string> *pas_full, std::string *ps_error);

// The system's full path of a name (OS part).
std::string s_FullPath(const std::string &s_name);
// The folder part of a full path, with its final separator (OS part).
std::string s_FolderOf(const std::string &s_full);

// The driver's report of what it did, on standard output.
void v_Log(const std::string &s_line);
// A failure of the driver, on standard error.
void v_Fail(const std::string &s_line);

// What the driver returns for its own failures; otherwise the host's exit
// code.
enum Exit {
    n_ExitUsage = 120,       // bad arguments or script, or the host would not start
    n_ExitNoWindow = 121,    // a step's window did not come in time, or the host ended first
    n_ExitWrongWindow = 122, // another window came than the step answers
    n_ExitUnanswered = 123,  // a dialog came after the script's last step
    n_ExitHung = 124         // the host did not end in time after the last step
};

} // namespace ct_answer

#endif
