// CT_FilesDialog: the folder dialog and the save, open and multiple-open
// file dialogs.
#include "ctcommon.h"
#include "frame/module.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstring>

namespace {

const DWORD n_save_flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_SHOWHELP;   // 0x16
const DWORD n_open_flags = OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_FILEMUSTEXIST;     // 0x1014
const DWORD n_open_many_flags = n_open_flags | OFN_ALLOWMULTISELECT | OFN_EXPLORER; // 0x81214

// The separator, as a text to append.
const char ac_separator[] = {ct_platform::c_path_separator, 0};

// A caption from the library's string table, loaded afresh for each call.
CT_String co_Caption(unsigned n_id) {
    return CT_String(ho_instance, n_id, CT_String(), static_cast<const char *>(nullptr));
}

// Whether a list answer ends inside the n_room bytes that it was given: a
// system that cuts an answer to fit leaves it without its end.
bool b_ListEndsWithin(const char *pc_answer, DWORD n_room) {
    for (DWORD n_at = 0; n_at < n_room;) {
        const char *pc_zero =
            static_cast<const char *>(std::memchr(pc_answer + n_at, 0, n_room - n_at));
        if (!pc_zero) return false;
        if (pc_zero == pc_answer + n_at) return true; // an empty element: the end
        n_at = static_cast<DWORD>(pc_zero - pc_answer) + 1;
    }
    return false;
}

// What a file dialog's request says of its answer: the buffer where it
// goes and its room, under which caption and with which options.
void v_SetAnswer(OPENFILENAMEA *po_request, CT_String &co_file, const CT_String &co_caption,
                 DWORD n_flags) {
    po_request->lpstrFile = co_file;
    po_request->nMaxFile = co_file.n_GetSize();
    po_request->lpstrTitle = co_caption;
    po_request->Flags = n_flags;
}

// Gives the shell's allocator back on every way out.
class AllocatorHold {
  public:
    explicit AllocatorHold(IMalloc *po_allocator) : po(po_allocator) {}
    ~AllocatorHold() { po->Release(); }
    AllocatorHold(const AllocatorHold &) = delete;
    AllocatorHold &operator=(const AllocatorHold &) = delete;
    IMalloc *po;
};

// The save or the open dialog for one file: its caption from the string
// table, the request made by v_Init (the class's own setup), the answer
// into co_file.
template <typename Init>
int b_AskForOneFile(bool b_saving, unsigned n_caption_id, DWORD n_flags, CT_String &co_file,
                    Init v_Init) {
    const CT_String co_caption = co_Caption(n_caption_id);
    OPENFILENAMEA o_request;
    v_Init(&o_request);
    v_SetAnswer(&o_request, co_file, co_caption, n_flags);
    return b_saving ? GetSaveFileNameA(&o_request) : GetOpenFileNameA(&o_request);
}

} // namespace

HWND CT_FilesDialog::v_ChooseParent(HWND ho_owner) {
    return ho_owner ? ho_owner : GetActiveWindow();
}

void CT_FilesDialog::v_InitStructure(struct tagOFNA *po_request, const CT_String &co_filter,
                                     HWND ho_owner) {
    std::memset(po_request, 0, sizeof *po_request);
    po_request->lStructSize = ct_platform::n_open_request_size_400;
    po_request->hwndOwner = v_ChooseParent(ho_owner);
    po_request->hInstance = ho_instance;
    po_request->lpstrFilter = co_filter;
    po_request->lpstrDefExt = "kdw";
}

void CT_FilesDialog::v_InitStructure(struct _browseinfoA *po_request, HWND ho_owner) {
    std::memset(po_request, 0, sizeof *po_request);
    po_request->hwndOwner = v_ChooseParent(ho_owner);
    po_request->ulFlags = BIF_RETURNONLYFSDIRS;
}

int CT_FilesDialog::b_BrowseForFolder(CT_String &co_folder, HWND ho_owner) {
    const CT_String co_caption = co_Caption(1);
    IMalloc *po_allocator = nullptr;
    if (SHGetMalloc(&po_allocator) != S_OK || !po_allocator)
        CT_Errors::v_ThrowError(e_UnknownError, nullptr);
    const AllocatorHold o_hold(po_allocator);
    BROWSEINFOA o_request;
    v_InitStructure(&o_request, ho_owner);
    char ac_display_name[MAX_PATH];
    o_request.pszDisplayName = ac_display_name;
    o_request.lpszTitle = co_caption;
    LPITEMIDLIST po_item = SHBrowseForFolderA(&o_request);
    if (!po_item) return 0;
    // The path comes into a buffer of ours first: a folder that has none,
    // or whose path does not fit, leaves the caller's string as it was.
    char ac_path[MAX_PATH + 1];
    ac_path[0] = 0;
    ac_path[MAX_PATH] = 0; // also behind a cut answer that lost its end
    const bool b_found = SHGetPathFromIDListA(po_item, ac_path) && ac_path[0] &&
                         ct_platform::b_IsWholeFolderPath(po_item, ac_path);
    po_allocator->Free(po_item);
    if (!b_found) return 0;
    co_folder.b_ReSize(MAX_PATH); // room for any path the platform gives
    std::memcpy(static_cast<char *>(co_folder), ac_path, std::strlen(ac_path) + 1);
    return 1;
}

int CT_FilesDialog::b_ChooseSaveFile(CT_String &co_file, CT_String co_filter, HWND ho_owner) {
    return b_AskForOneFile(true, 2, n_save_flags, co_file, [&](OPENFILENAMEA *po_request) {
        v_InitStructure(po_request, co_filter, ho_owner);
    });
}

int CT_FilesDialog::b_ChooseOpenFile(CT_String &co_file, CT_String co_filter, HWND ho_owner) {
    return b_AskForOneFile(false, 3, n_open_flags, co_file, [&](OPENFILENAMEA *po_request) {
        v_InitStructure(po_request, co_filter, ho_owner);
    });
}

int CT_FilesDialog::b_ChooseOpenMultipleFile(CT_String &co_files, CT_String &co_names,
                                             CT_String co_filter, HWND ho_owner) {
    const CT_String co_caption = co_Caption(4);
    OPENFILENAMEA o_request;
    v_InitStructure(&o_request, co_filter, ho_owner);
    v_SetAnswer(&o_request, co_files, co_caption, n_open_many_flags);
    if (GetOpenFileNameA(&o_request)) {
        // Some systems cut an answer that does not fit and report success:
        // without its end inside the room, it is the same overflow.
        if (!b_ListEndsWithin(o_request.lpstrFile, o_request.nMaxFile))
            CT_Errors::v_ThrowError(e_TooManyFiles, nullptr);
        v_BuildResult(co_files, co_names);
        return 1;
    }
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
        CT_Errors::v_ThrowError(e_TooManyFiles, nullptr);
    return 0;
}

void CT_FilesDialog::v_BuildResult(CT_String &co_files, CT_String &co_names) {
    CT_String co_answer(co_files); // all the elements, from the current one on
    CT_String co_folder;
    if (co_files.n_GetNumberOfElement() == 1) {
        co_names = CT_Files::co_GetFileName(co_files);
        CT_Files::v_GetFolder(co_files, co_files);
        return;
    }
    co_files.v_ResetArray();
    co_folder = co_answer + ac_separator; // also behind a folder that ends in one
    co_files.v_Empty();
    while (co_answer.b_NextElement())
        co_names.v_AddElement(co_answer);
    co_files = co_folder;
}

// A class without data copies nothing when assigned.
CT_FilesDialog &CT_FilesDialog::operator=(const CT_FilesDialog &) { return *this; }
