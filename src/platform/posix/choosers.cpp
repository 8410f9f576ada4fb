// Linux: the choosers and help requests on the terminal. Prompts go to
// standard error, answers come from standard input.
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct _ITEMIDLIST {
    std::string s_path;
};

namespace {

thread_local DWORD n_chooser_error = 0;

// One line of standard input without its line end; false at the end of
// the input.
bool b_ReadLine(std::string *ps_line) {
    ps_line->clear();
    int c;
    while ((c = std::getchar()) != EOF && c != '\n')
        ps_line->push_back(static_cast<char>(c));
    if (c == EOF && ps_line->empty()) {
        std::fputc('\n', stderr);
        return false;
    }
    if (!ps_line->empty() && ps_line->back() == '\r') ps_line->pop_back();
    if (!::isatty(0)) { // an answer piped in: shown after its prompt as if typed
        std::fputs((*ps_line + "\n").c_str(), stderr);
        std::fflush(stderr);
    }
    return true;
}

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

std::string s_FolderOf(const std::string &s_full) {
    const std::size_t n_slash = s_full.rfind('/');
    return n_slash == 0 ? "/" : s_full.substr(0, n_slash);
}

std::string s_NameOf(const std::string &s_full) { return s_full.substr(s_full.rfind('/') + 1); }

bool b_HasExtension(const std::string &s_name) {
    return s_NameOf(s_name).find('.') != std::string::npos;
}

// The answer, its terminators included, into the request's file buffer.
BOOL b_Answer(LPOPENFILENAMEA po_request, const std::string &s_answer) {
    if (s_answer.size() > po_request->nMaxFile) {
        n_chooser_error = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(po_request->lpstrFile, s_answer.data(), s_answer.size());
    return TRUE;
}

// A typed name as a full path. As a chooser starts in the folder of its
// initial name, a relative name is taken from there when the initial name
// has a folder.
std::string s_Chosen(const std::string &s_initial, const std::string &s_name) {
    if (s_name.empty() || s_name[0] == '/' || s_name == s_initial ||
        s_initial.find('/') == std::string::npos)
        return s_FullPath(s_name);
    const std::string s_start = s_FullPath(s_initial);
    return s_FullPath(s_start.substr(0, s_start.rfind('/') + 1) + s_name);
}

std::string s_InitialName(LPOPENFILENAMEA po_request) {
    const char *pc = po_request->lpstrFile;
    return pc ? std::string(pc, strnlen(pc, po_request->nMaxFile)) : std::string();
}

// Asks until a name is acceptable; "" when the user cancels.
std::string s_AskOneFile(LPOPENFILENAMEA po_request, bool b_saving) {
    const std::string s_initial = s_InitialName(po_request);
    for (;;) {
        v_Say(s_initial.empty() ? "File name: " : "File name [" + s_initial + "]: ");
        std::string s_name;
        if (!b_ReadLine(&s_name)) return "";
        if (s_name.empty()) s_name = s_initial;
        if (s_name.empty()) return "";
        if (b_saving && po_request->lpstrDefExt && *po_request->lpstrDefExt &&
            !b_HasExtension(s_name))
            s_name += std::string(".") + po_request->lpstrDefExt;
        const std::string s_full = s_Chosen(s_initial, s_name);
        if (s_full.empty() || b_Is(s_full, S_IFDIR)) {
            v_Say(s_name + " is not a file name.\n");
            continue;
        }
        const bool b_exists = b_Is(s_full, S_IFREG);
        if ((po_request->Flags & OFN_FILEMUSTEXIST) && !b_exists) {
            v_Say(s_full + " does not exist.\n");
            continue;
        }
        if (b_saving && (po_request->Flags & OFN_OVERWRITEPROMPT) && b_exists) {
            v_Say(s_full + " already exists. Replace it? [y/N] ");
            std::string s_yes;
            if (!b_ReadLine(&s_yes)) return "";
            if (s_yes != "y" && s_yes != "Y" && s_yes != "yes") continue;
        }
        return s_full;
    }
}

// Names until an empty line (or the end of the input), as the platform's
// explorer-style multiple selection answers them; "" when the user cancels.
std::string s_AskManyFiles(LPOPENFILENAMEA po_request) {
    const std::string s_initial = s_InitialName(po_request);
    v_Say("File names, one a line, then an empty line" +
          (s_initial.empty() ? std::string() : " [" + s_initial + "]") + ":\n");
    std::vector<std::string> as_full;
    std::string s_name;
    bool b_input_left;
    while ((b_input_left = b_ReadLine(&s_name)) && !s_name.empty()) {
        const std::string s_full = s_Chosen(s_initial, s_name);
        if (!b_Is(s_full, S_IFREG))
            v_Say(s_name + " is not an existing file.\n");
        else if (!as_full.empty() && s_FolderOf(s_full) != s_FolderOf(as_full[0]))
            v_Say(s_full + " is not in " + s_FolderOf(as_full[0]) + ".\n");
        else
            as_full.push_back(s_full);
    }
    if (as_full.empty()) { // an empty first line keeps the initial name
        const std::string s_full = s_initial.empty() ? "" : s_FullPath(s_initial);
        if (!b_input_left || !b_Is(s_full, S_IFREG)) return "";
        as_full.push_back(s_full);
    }
    if (as_full.size() == 1) return as_full[0] + std::string(2, '\0');
    std::string s_answer = s_FolderOf(as_full[0]) + '\0';
    for (const std::string &s_full : as_full)
        s_answer += s_NameOf(s_full) + '\0';
    return s_answer + '\0';
}

BOOL b_ChooseFiles(LPOPENFILENAMEA po_request, bool b_saving) {
    n_chooser_error = 0;
    v_Say(std::string(po_request->lpstrTitle ? po_request->lpstrTitle
                      : b_saving             ? "Save As"
                                             : "Open") +
          "\n");
    const bool b_many = !b_saving && (po_request->Flags & OFN_ALLOWMULTISELECT);
    const std::string s_answer =
        b_many ? s_AskManyFiles(po_request) : s_AskOneFile(po_request, b_saving);
    if (s_answer.empty()) return FALSE;
    return b_Answer(po_request, b_many ? s_answer : s_answer + '\0');
}

// The allocator of the folder chooser's answers.
struct ShellAllocator : IMalloc {
    void Free(void *pv_memory) override { delete static_cast<_ITEMIDLIST *>(pv_memory); }
    ULONG Release() override { return 1; }
};

} // namespace

BOOL GetSaveFileNameA(LPOPENFILENAMEA po_request) { return b_ChooseFiles(po_request, true); }

BOOL GetOpenFileNameA(LPOPENFILENAMEA po_request) { return b_ChooseFiles(po_request, false); }

DWORD CommDlgExtendedError() { return n_chooser_error; }

HRESULT SHGetMalloc(IMalloc **ppo_allocator) {
    static ShellAllocator o_allocator;
    *ppo_allocator = &o_allocator;
    return S_OK;
}

LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA po_request) {
    v_Say(std::string(po_request->lpszTitle ? po_request->lpszTitle : "Browse for Folder") + "\n");
    for (;;) {
        v_Say("Folder: ");
        std::string s_name;
        if (!b_ReadLine(&s_name) || s_name.empty()) return nullptr;
        const std::string s_full = s_FullPath(s_name);
        if (b_Is(s_full, S_IFDIR)) {
            if (po_request->pszDisplayName) {
                std::strncpy(po_request->pszDisplayName, s_NameOf(s_full).c_str(), MAX_PATH - 1);
                po_request->pszDisplayName[MAX_PATH - 1] = 0;
            }
            return new _ITEMIDLIST{s_full.size() > 1 && s_full.back() == '/'
                                       ? s_full.substr(0, s_full.size() - 1)
                                       : s_full};
        }
        v_Say(s_name + " is not an existing folder.\n");
    }
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE po_item, LPSTR pc_path) {
    if (!po_item || po_item->s_path.size() >= MAX_PATH) return FALSE;
    std::memcpy(pc_path, po_item->s_path.c_str(), po_item->s_path.size() + 1);
    return TRUE;
}

BOOL WinHelpA(HWND, LPCSTR pc_file, UINT n_command, ULONG_PTR n_data) {
    std::fprintf(stderr, "Help: file \"%s\", command %u, data %lu\n", pc_file ? pc_file : "",
                 n_command, static_cast<unsigned long>(n_data));
    std::fflush(stderr);
    return TRUE;
}
