// Linux: the Windows request records of the file and folder dialogs, read
// and answered as the system does; the user is asked on the terminal
// (terminal.cpp).
#include "platform/posix/terminal.h"
#include "platform/posix/texts.h"
#include "platform/posix/win32_api.h"

#include <cstring>
#include <string>
#include <vector>

struct _ITEMIDLIST {
    std::string s_path;
};

namespace {

thread_local DWORD n_dialog_error = 0;

// The answer, its terminators included, into the request's file buffer.
BOOL b_Answer(LPOPENFILENAMEA po_request, const std::string &s_answer) {
    if (s_answer.size() > po_request->nMaxFile) {
        n_dialog_error = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(po_request->lpstrFile, s_answer.data(), s_answer.size());
    return TRUE;
}

ct_terminal::FileQuestion o_Question(LPOPENFILENAMEA po_request, bool b_saving) {
    const char *pc_initial = po_request->lpstrFile;
    ct_terminal::FileQuestion o_question;
    o_question.s_caption = po_request->lpstrTitle ? po_request->lpstrTitle
                           : b_saving             ? "Save As"
                                                  : "Open";
    o_question.s_initial =
        pc_initial ? std::string(pc_initial, strnlen(pc_initial, po_request->nMaxFile)) : "";
    o_question.s_default_extension =
        b_saving && po_request->lpstrDefExt ? po_request->lpstrDefExt : "";
    o_question.b_saving = b_saving;
    o_question.b_must_exist = (po_request->Flags & OFN_FILEMUSTEXIST) != 0;
    o_question.b_ask_before_replacing = (po_request->Flags & OFN_OVERWRITEPROMPT) != 0;
    return o_question;
}

// Several files as the explorer-style multiple selection answers them: one
// full path, or the folder and then the names; each ended by a zero, and
// the list by one more.
std::string s_ListAnswer(const std::vector<std::string> &as_full) {
    if (as_full.size() == 1) return as_full[0] + std::string(2, '\0');
    std::string s_answer = ct_posix::s_FolderOf(as_full[0].c_str()) + '\0';
    for (const std::string &s_full : as_full)
        s_answer += std::string(ct_posix::pc_NameOf(s_full.c_str())) + '\0';
    return s_answer + '\0';
}

BOOL b_ChooseFiles(LPOPENFILENAMEA po_request, bool b_saving) {
    n_dialog_error = 0;
    const ct_terminal::FileQuestion o_question = o_Question(po_request, b_saving);
    if (!b_saving && (po_request->Flags & OFN_ALLOWMULTISELECT)) {
        const std::vector<std::string> as_full = ct_terminal::as_AskFiles(o_question);
        return !as_full.empty() && b_Answer(po_request, s_ListAnswer(as_full));
    }
    const std::string s_full = ct_terminal::s_AskFile(o_question);
    return !s_full.empty() && b_Answer(po_request, s_full + '\0');
}

// The allocator of the folder dialog's answers.
struct ShellAllocator : IMalloc {
    void Free(void *pv_memory) override { delete static_cast<_ITEMIDLIST *>(pv_memory); }
    ULONG Release() override { return 1; }
};

} // namespace

BOOL GetSaveFileNameA(LPOPENFILENAMEA po_request) { return b_ChooseFiles(po_request, true); }

BOOL GetOpenFileNameA(LPOPENFILENAMEA po_request) { return b_ChooseFiles(po_request, false); }

DWORD CommDlgExtendedError() { return n_dialog_error; }

HRESULT SHGetMalloc(IMalloc **ppo_allocator) {
    static ShellAllocator o_allocator;
    *ppo_allocator = &o_allocator;
    return S_OK;
}

LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA po_request) {
    const std::string s_folder = ct_terminal::s_AskFolder(
        po_request->lpszTitle ? po_request->lpszTitle : "Browse for Folder");
    if (s_folder.empty()) return nullptr;
    if (po_request->pszDisplayName) {
        const char *pc_name = ct_posix::pc_NameOf(s_folder.c_str());
        ct_posix::n_CopyCut(po_request->pszDisplayName, MAX_PATH, pc_name, std::strlen(pc_name));
    }
    return new _ITEMIDLIST{s_folder};
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE po_item, LPSTR pc_path) {
    if (!po_item || po_item->s_path.size() >= MAX_PATH) return FALSE;
    std::memcpy(pc_path, po_item->s_path.c_str(), po_item->s_path.size() + 1);
    return TRUE;
}
