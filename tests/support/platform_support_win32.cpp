// Windows: the real calls, under Wine in the test runs.
#include "platform_support.h"
#include "win32_dialogs.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

HINSTANCE LibraryModule() { return GetModuleHandleA(CTCOMMON_LIBRARY_NAME); }

HINSTANCE ProgramModule() { return GetModuleHandleA(nullptr); }

HWND NewWindow(const char *pc_text) {
    return CreateWindowExA(0, "STATIC", pc_text, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void DeleteWindow(HWND ho_window) { DestroyWindow(ho_window); }

std::string PlatformWindowText(HWND ho_window) {
    char ac_text[4096] = {0};
    GetWindowTextA(ho_window, ac_text, sizeof ac_text);
    return ac_text;
}

void SetSystemError(unsigned n_error) { SetLastError(n_error); }

std::string SystemErrorText(unsigned n_error) {
    char *pc_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, n_error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&pc_text), 0, nullptr);
    std::string s_text = pc_text ? pc_text : "";
    LocalFree(pc_text);
    return s_text;
}

unsigned AccessDeniedError() { return ERROR_ACCESS_DENIED; }

namespace {

struct Watch {
    DWORD n_thread;
    ShownNotice o_notice;
};

// A shown dialog of a thread other than ho_except; with a caption given,
// only one of that caption.
struct DialogSearch {
    const char *pc_caption;
    HWND ho_except;
    HWND ho_found;
};

BOOL CALLBACK b_FindDialog(HWND ho_window, LPARAM n_search) {
    DialogSearch *po_search = reinterpret_cast<DialogSearch *>(n_search);
    if (ho_window == po_search->ho_except || !b_IsShownDialog(ho_window, po_search->pc_caption))
        return TRUE;
    po_search->ho_found = ho_window;
    return FALSE;
}

HWND ho_ShownDialog(DWORD n_thread, const char *pc_caption, HWND ho_except = nullptr) {
    DialogSearch o_search = {pc_caption, ho_except, nullptr};
    EnumThreadWindows(n_thread, b_FindDialog, reinterpret_cast<LPARAM>(&o_search));
    return o_search.ho_found;
}

// Polls the tested thread's windows for a shown dialog, reads it and
// closes it with OK.
DWORD WINAPI n_WatchForBox(LPVOID pv_watch) {
    Watch *po_watch = static_cast<Watch *>(pv_watch);
    for (int i = 0; i < 500; ++i) {
        const HWND ho_box = ho_ShownDialog(po_watch->n_thread, nullptr);
        if (ho_box) {
            po_watch->o_notice.s_caption = PlatformWindowText(ho_box);
            po_watch->o_notice.s_text = s_DialogText(ho_box);
            po_watch->o_notice.ho_owner = GetWindow(ho_box, GW_OWNER);
            po_watch->o_notice.b_shown = true;
            PostMessageA(ho_box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

} // namespace

// Runs the action on this thread while a watcher thread works its windows,
// and waits for the watcher, also when the action raises.
static void v_RunWatched(LPTHREAD_START_ROUTINE pfn_watcher, void *pv_watch,
                         const std::function<void()> &action) {
    HANDLE ho_thread = CreateThread(nullptr, 0, pfn_watcher, pv_watch, 0, nullptr);
    try {
        action();
    } catch (...) {
        WaitForSingleObject(ho_thread, INFINITE);
        CloseHandle(ho_thread);
        throw;
    }
    WaitForSingleObject(ho_thread, INFINITE);
    CloseHandle(ho_thread);
}

ShownNotice ShowAndRead(const std::function<void()> &action) {
    Watch o_watch = {GetCurrentThreadId(), ShownNotice()};
    v_RunWatched(n_WatchForBox, &o_watch, action);
    return o_watch.o_notice;
}

namespace {

struct DialogWatch {
    DWORD n_thread;
    const DialogAnswer *po_answer;
    bool b_seen;
};

// The names as the file name field takes them: one as it is, several each
// in quotation marks.
std::string s_Typed(const std::vector<std::string> &as_names) {
    if (as_names.size() == 1) return as_names[0];
    std::string s_typed;
    for (const std::string &s_name : as_names)
        s_typed += "\"" + s_name + "\" ";
    return s_typed;
}

HWND ho_FolderTree(HWND ho_dialog) {
    return FindWindowExA(ho_dialog, nullptr, WC_TREEVIEWA, nullptr);
}

std::string s_ItemText(HWND ho_tree, HTREEITEM ho_item) {
    TVITEMA o_item = {};
    char ac_text[1024] = {0};
    o_item.mask = TVIF_TEXT;
    o_item.hItem = ho_item;
    o_item.pszText = ac_text;
    o_item.cchTextMax = sizeof ac_text;
    if (!ho_item || !SendMessageA(ho_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&o_item)))
        return "";
    return ac_text;
}

HTREEITEM ho_Selected(HWND ho_tree) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(ho_tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

// The child of the item that shows the name, once the item is opened.
HTREEITEM ho_ChildNamed(HWND ho_tree, HTREEITEM ho_parent, const std::string &s_name) {
    SendMessageA(ho_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(ho_parent));
    HTREEITEM ho_child = reinterpret_cast<HTREEITEM>(
        SendMessageA(ho_tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(ho_parent)));
    while (ho_child && s_ItemText(ho_tree, ho_child) != s_name)
        ho_child = reinterpret_cast<HTREEITEM>(
            SendMessageA(ho_tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(ho_child)));
    return ho_child;
}

// Selects the folder in the folder dialog's tree as a user does: the
// dialog is sent to the folder that holds it, and the folder is picked
// among that one's children. (Sending it to a folder whose path is longer
// than MAX_PATH goes astray.)
void v_SelectFolder(HWND ho_dialog, const std::string &s_folder) {
    const std::size_t n_cut = s_folder.find_last_of('\\');
    const std::string s_parent = s_folder.substr(0, n_cut);
    const std::string s_parent_name = s_parent.substr(s_parent.find_last_of('\\') + 1);
    const std::string s_name = s_folder.substr(n_cut + 1);
    const HWND ho_tree = ho_FolderTree(ho_dialog);
    for (int n_try = 0; n_try < 50; ++n_try) {
        if (s_ItemText(ho_tree, ho_Selected(ho_tree)) == s_parent_name) {
            const HTREEITEM ho_child = ho_ChildNamed(ho_tree, ho_Selected(ho_tree), s_name);
            if (ho_child)
                SendMessageA(ho_tree, TVM_SELECTITEM, TVGN_CARET,
                             reinterpret_cast<LPARAM>(ho_child));
            if (s_ItemText(ho_tree, ho_Selected(ho_tree)) == s_name) return;
        } else {
            SendMessageA(ho_dialog, BFFM_SETSELECTIONA, TRUE,
                         reinterpret_cast<LPARAM>(s_parent.c_str()));
        }
        Sleep(100);
    }
    std::fprintf(stderr, "the dialog did not select %s\n", s_folder.c_str());
}

DWORD WINAPI n_WatchForDialog(LPVOID pv_watch) {
    DialogWatch *po_watch = static_cast<DialogWatch *>(pv_watch);
    const DialogAnswer &o_answer = *po_watch->po_answer;
    const char *pc_caption =
        o_answer.eo_kind == e_FolderDialog ? "Browse for Folder" : o_answer.s_caption.c_str();
    for (int i = 0; i < 500; ++i) {
        const HWND ho_dialog = ho_ShownDialog(po_watch->n_thread, pc_caption);
        if (ho_dialog) {
            po_watch->b_seen = true;
            Sleep(100); // let the dialog finish filling itself
            if (!o_answer.b_cancel && !o_answer.as_names.empty()) {
                if (o_answer.eo_kind == e_FolderDialog)
                    v_SelectFolder(ho_dialog, o_answer.as_names[0]);
                else
                    SetDlgItemTextA(ho_dialog, 0x47C, s_Typed(o_answer.as_names).c_str());
            }
            PostMessageA(ho_dialog, WM_COMMAND, o_answer.b_cancel ? IDCANCEL : IDOK, 0);
            // A dialog that refuses the answer shows a message and stays:
            // the message is closed and the dialog cancelled, so that the
            // test goes on and fails on its result.
            for (int n_wait = 0; n_wait < 100 && IsWindow(ho_dialog); ++n_wait) {
                Sleep(20);
                const HWND ho_message = ho_ShownDialog(po_watch->n_thread, nullptr, ho_dialog);
                if (!ho_message) continue;
                std::fprintf(stderr, "the dialog said: %s\n", s_DialogText(ho_message).c_str());
                PostMessageA(ho_message, WM_COMMAND, IDOK, 0);
                Sleep(100);
                PostMessageA(ho_dialog, WM_COMMAND, IDCANCEL, 0);
            }
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

} // namespace

bool AnswerDialog(const DialogAnswer &o_answer, const std::function<void()> &action) {
    DialogWatch o_watch = {GetCurrentThreadId(), &o_answer, false};
    v_RunWatched(n_WatchForDialog, &o_watch, action);
    return o_watch.b_seen;
}
