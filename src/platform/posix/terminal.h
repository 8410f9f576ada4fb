// Linux: the dialogs' conversation on the terminal, with no Windows record
// in it. Prompts go to standard error, answers come from standard input a
// line at a time; an answer piped in is shown after its prompt as if typed.
#ifndef CTCOMMON_PLATFORM_POSIX_TERMINAL_H
#define CTCOMMON_PLATFORM_POSIX_TERMINAL_H

#include <string>
#include <vector>

namespace ct_terminal {

// What a file dialog asks for.
struct FileQuestion {
    std::string s_caption;
    std::string s_initial;           // the initial name, may be empty
    std::string s_default_extension; // added to a saved name without one
    bool b_saving;                   // the save dialog: a new or a replaced file
    bool b_must_exist;               // only existing files
    bool b_ask_before_replacing;     // a saved name that exists is confirmed
};

// One file's full path, asked until acceptable; "" when the user cancels (the
// end of the input, or an empty line without an initial name).
std::string s_AskFile(const FileQuestion &o_question);

// Existing files, all in one folder, one a line until an empty line; an
// empty first line keeps the initial name. Their full paths; none when the
// user cancels.
std::vector<std::string> as_AskFiles(const FileQuestion &o_question);

// An existing folder's full path, without a final separator but the root's;
// "" when the user cancels (an empty line or the end of the input).
std::string s_AskFolder(const std::string &s_caption);

} // namespace ct_terminal

#endif
