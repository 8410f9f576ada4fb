// The running host, as each system lets the driver see and answer it.
#ifndef CTCOMMON_ANSWER_HOST_H
#define CTCOMMON_ANSWER_HOST_H

#include "script.h"

#include <string>
#include <vector>

namespace ct_answer {

// A window that the host shows, or on Linux the terminal dialog it asks.
struct Shown {
    Window eo_window;
    std::string s_caption;
    std::string s_text; // a message box's or question's text
};

enum class Wait { e_Shown, e_TimedOut, e_Ended };

class Host {
  public:
    Host();
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    bool b_Start(const std::vector<std::string> &as_command, std::string *ps_error);
    // The next window of the host, waited for up to n_seconds.
    Wait eo_WaitForWindow(unsigned n_seconds, Shown *po_shown);
    // Answers the window last shown as the step says, the names full.
    bool b_Answer(const Step &o_step, const std::vector<std::string> &as_full,
                  std::string *ps_error);
    // Closes the window last shown as a person who has no answer would.
    void v_Dismiss();
    // The script is done: no answer comes any more.
    void v_EndAnswers();
    void v_Kill();
    // The host's exit code, once it has ended.
    int i_ExitCode() const { return i_exit; }

    struct State; // what each system keeps of the host

  private:
    State *po_state;
    int i_exit = 0;
};

} // namespace ct_answer

#endif
