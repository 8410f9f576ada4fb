// Windows: the host's dialogs and message boxes are worked from outside
// its process, as a person would: names typed into the file dialogs'
// name box, the folder dialog's selection set, buttons pressed.
#include "host.h"

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <set>

namespace ct_answer {

struct Host::State {
    PROCESS_INFORMATION o_process = {};
    HWND ho_shown = nullptr;     // the window last returned
    std::set<HWND> aho_answered; // answered, perhaps not closed yet
    bool b_ended = false;
};

namespace {

// The controls by which the common dialogs are told apart.
const int n_file_name_combo = 0x47C; // the file dialog's name box (Explorer style)
const int n_file_name_edit = 0x480;  // the same in the old style
const int n_message_text = 0xFFFF;   // a message box's text

struct Search {
    DWORD n_process;
    const std::set<HWND> *paho_skip;
    HWND ho_found;
};

BOOL CALLBACK b_FindShownDialog(HWND ho_window, LPARAM n_search) {
    Search *po_search = reinterpret_cast<Search *>(n_search);
    DWORD n_process = 0;
    GetWindowThreadProcessId(ho_window, &n_process);
    char ac_class[16] = {0};
    GetClassNameA(ho_window, ac_class, sizeof ac_class);
    if (n_process != po_search->n_process || std::strcmp(ac_class, "#32770") != 0 ||
        !IsWindowVisible(ho_window) || po_search->paho_skip->count(ho_window))
        return TRUE;
    po_search->ho_found = ho_window;
    return FALSE;
}

std::string s_WindowText(HWND ho_window) {
    std::string s_text(static_cast<std::size_t>(GetWindowTextLengthA(ho_window)) * 2 + 1, 0);
    s_text.resize(static_cast<std::size_t>(
        GetWindowTextA(ho_window, &s_text[0], static_cast<int>(s_text.size()))));
    return s_text;
}

HWND ho_FileNameBox(HWND ho_dialog) {
    const HWND ho_combo = GetDlgItem(ho_dialog, n_file_name_combo);
    return ho_combo ? ho_combo : GetDlgItem(ho_dialog, n_file_name_edit);
}

// A file dialog that takes one file lists its files with single selection.
bool b_TakesSeveralFiles(HWND ho_dialog) {
    const HWND ho_view = FindWindowExA(ho_dialog, nullptr, "SHELLDLL_DefView", nullptr);
    const HWND ho_list = ho_view ? FindWindowExA(ho_view, nullptr, "SysListView32", nullptr)
                                 : GetDlgItem(ho_dialog, 0x460);
    return ho_list && !(GetWindowLongA(ho_list, GWL_STYLE) & LVS_SINGLESEL);
}

Shown o_Classify(HWND ho_dialog) {
    Shown o_shown{Window::e_MessageBox, s_WindowText(ho_dialog), ""};
    if (ho_FileNameBox(ho_dialog)) {
        o_shown.eo_window =
            b_TakesSeveralFiles(ho_dialog) ? Window::e_MultipleFileDialog : Window::e_FileDialog;
    } else if (FindWindowExA(ho_dialog, nullptr, "SysTreeView32", nullptr)) {
        o_shown.eo_window = Window::e_FolderDialog;
    } else {
        o_shown.s_text = s_WindowText(GetDlgItem(ho_dialog, n_message_text));
        if (GetDlgItem(ho_dialog, IDYES)) o_shown.eo_window = Window::e_Question;
    }
    return o_shown;
}

void v_Press(HWND ho_dialog, int i_button) {
    PostMessageA(ho_dialog, WM_COMMAND, MAKEWPARAM(i_button, BN_CLICKED), 0);
}

// Types a text into the file dialog's name box and presses its OK button.
void v_TypeAndOk(HWND ho_dialog, const std::string &s_text) {
    SetWindowTextA(ho_FileNameBox(ho_dialog), s_text.c_str());
    v_Press(ho_dialog, IDOK);
}

// Several files: the dialog first goes to their folder, then takes their
// names in quotes, as a person types them.
bool b_ChooseFiles(HWND ho_dialog, const std::vector<std::string> &as_full) {
    const std::string &s_first = as_full.front();
    const std::string s_folder = s_FolderOf(s_first);
    v_TypeAndOk(ho_dialog, s_folder);
    // The dialog empties its name box once it has gone there.
    for (int i = 0; i < 200 && !s_WindowText(ho_FileNameBox(ho_dialog)).empty(); ++i)
        Sleep(10);
    if (!s_WindowText(ho_FileNameBox(ho_dialog)).empty()) return false;
    std::string s_names;
    for (const std::string &s : as_full)
        s_names += "\"" + s.substr(s_folder.size()) + "\" ";
    v_TypeAndOk(ho_dialog, s_names);
    return true;
}

// The folder dialog selects a folder given by its path, which must lie in
// the host's own memory: it is copied there first.
bool b_SelectFolder(HANDLE ho_process, HWND ho_dialog, const std::string &s_folder) {
    void *po_remote = VirtualAllocEx(ho_process, nullptr, s_folder.size() + 1,
                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!po_remote) return false;
    DWORD_PTR n_result = 0;
    const bool b_done =
        WriteProcessMemory(ho_process, po_remote, s_folder.c_str(), s_folder.size() + 1, nullptr) &&
        SendMessageTimeoutA(ho_dialog, BFFM_SETSELECTIONA, TRUE,
                            reinterpret_cast<LPARAM>(po_remote), SMTO_NORMAL, 5000, &n_result);
    VirtualFreeEx(ho_process, po_remote, 0, MEM_RELEASE);
    return b_done;
}

std::string s_CommandLine(const std::vector<std::string> &as_command) {
    std::string s_line;
    for (const std::string &s_word : as_command) {
        if (!s_line.empty()) s_line += ' ';
        s_line += '"';
        std::size_t n_slashes = 0;
        for (char c : s_word) {
            if (c == '\\') {
                ++n_slashes;
            } else {
                // Backslashes before a quote are doubled, and the quote escaped.
                if (c == '"') s_line.append(n_slashes + 1, '\\');
                n_slashes = 0;
            }
            s_line += c;
        }
        s_line.append(n_slashes, '\\'); // before the closing quote
        s_line += '"';
    }
    return s_line;
}

} // namespace

Host::Host() : po_state(new State) {}

Host::~Host() {
    if (po_state->o_process.hProcess) {
        CloseHandle(po_state->o_process.hThread);
        CloseHandle(po_state->o_process.hProcess);
    }
    delete po_state;
}

bool Host::b_Start(const std::vector<std::string> &as_command, std::string *ps_error) {
    std::string s_line = s_CommandLine(as_command);
    STARTUPINFOA o_startup = {};
    o_startup.cb = sizeof o_startup;
    if (!CreateProcessA(nullptr, &s_line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &o_startup, &po_state->o_process)) {
        *ps_error =
            "cannot start " + as_command[0] + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

Wait Host::eo_WaitForWindow(unsigned n_seconds, Shown *po_shown) {
    State &o = *po_state;
    const ULONGLONG n_deadline = GetTickCount64() + n_seconds * 1000ull;
    for (;;) {
        // Answered windows are skipped until they are gone.
        for (auto it = o.aho_answered.begin(); it != o.aho_answered.end();)
            it = IsWindow(*it) && IsWindowVisible(*it) ? std::next(it) : o.aho_answered.erase(it);
        Search o_search = {o.o_process.dwProcessId, &o.aho_answered, nullptr};
        EnumWindows(b_FindShownDialog, reinterpret_cast<LPARAM>(&o_search));
        if (o_search.ho_found) {
            Sleep(100); // let it finish setting itself up
            o.ho_shown = o_search.ho_found;
            *po_shown = o_Classify(o.ho_shown);
            return Wait::e_Shown;
        }
        if (WaitForSingleObject(o.o_process.hProcess, 20) == WAIT_OBJECT_0) {
            DWORD n_exit = 0;
            GetExitCodeProcess(o.o_process.hProcess, &n_exit);
            i_exit = static_cast<int>(n_exit);
            return Wait::e_Ended;
        }
        if (GetTickCount64() >= n_deadline) return Wait::e_TimedOut;
    }
}

bool Host::b_Answer(const Step &o_step, const std::vector<std::string> &as_full,
                    std::string *ps_error) {
    const HWND ho_dialog = po_state->ho_shown;
    po_state->aho_answered.insert(ho_dialog);
    switch (o_step.eo_action) {
    case Action::e_File:
        v_TypeAndOk(ho_dialog, as_full.front());
        return true;
    case Action::e_Files:
        if (as_full.size() == 1) {
            v_TypeAndOk(ho_dialog, as_full.front());
            return true;
        }
        if (b_ChooseFiles(ho_dialog, as_full)) return true;
        *ps_error = "the dialog did not go to the folder " + s_FolderOf(as_full.front());
        return false;
    case Action::e_Folder:
        if (!b_SelectFolder(po_state->o_process.hProcess, ho_dialog, as_full.front())) {
            *ps_error = "cannot select the folder " + as_full.front();
            return false;
        }
        v_Press(ho_dialog, IDOK);
        return true;
    case Action::e_Cancel:
        v_Press(ho_dialog, IDCANCEL);
        return true;
    case Action::e_Ok:
        v_Press(ho_dialog, IDOK);
        return true;
    case Action::e_Replace:
        v_Press(ho_dialog, IDYES);
        return true;
    case Action::e_KeepExisting: // the file dialog asks again
        v_Press(ho_dialog, IDNO);
        po_state->aho_answered.erase(GetWindow(ho_dialog, GW_OWNER));
        return true;
    }
    return false;
}

void Host::v_Dismiss() {
    const HWND ho_dialog = po_state->ho_shown;
    po_state->aho_answered.insert(ho_dialog);
    const Window eo_window = o_Classify(ho_dialog).eo_window;
    v_Press(ho_dialog, eo_window == Window::e_MessageBox ? IDOK
                       : eo_window == Window::e_Question ? IDNO
                                                         : IDCANCEL);
}

void Host::v_EndAnswers() {}

void Host::v_Kill() {
    if (WaitForSingleObject(po_state->o_process.hProcess, 0) == WAIT_OBJECT_0) return;
    TerminateProcess(po_state->o_process.hProcess, n_ExitHung);
    WaitForSingleObject(po_state->o_process.hProcess, INFINITE);
}

std::string s_FullPath(const std::string &s_name) {
    std::string s_windows = s_name;
    for (char &c : s_windows)
        if (c == '/') c = '\\';
    char ac_full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(s_windows.c_str(), sizeof ac_full, ac_full, nullptr);
    return n == 0 || n >= sizeof ac_full ? "" : std::string(ac_full, n);
}

std::string s_FolderOf(const std::string &s_full) {
    return s_full.substr(0, s_full.rfind('\\') + 1);
}

} // namespace ct_answer
