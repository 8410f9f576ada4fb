// CT_Files: existence, full paths and their parts, extensions.
#include "ctcommon.h"
#include "files/full_path.h"
#include "platform/platform.h"

bool ct_files::b_FullPath(const char *pc_name, CT_String &co_full, char **ppc_final) {
    for (;;) {
        char *pc_final = nullptr;
        const DWORD n_size = GetFullPathNameA(pc_name, co_full.n_GetSize(), co_full, &pc_final);
        if (n_size == 0) return false;
        if (n_size < co_full.n_GetSize()) {
            if (ppc_final) *ppc_final = pc_final;
            return true;
        }
        co_full.b_ReSize(n_size); // the size that it asked for, terminator included
    }
}

namespace {

// Makes the path absolute in co_full and returns its final component (null
// when the full path ends in a separator).
char *pc_FullPath(const CT_String &co_path, CT_String &co_full) {
    char *pc_final = nullptr;
    if (!ct_files::b_FullPath(co_path, co_full, &pc_final))
        CT_Errors::v_ThrowError(e_WindowsError, "GetFullPathName\r\n");
    return pc_final;
}

} // namespace

int CT_Files::b_Exist(CT_String co_name) {
    WIN32_FIND_DATAA o_found;
    const HANDLE ho_search = FindFirstFileA(co_name, &o_found);
    if (ho_search == INVALID_HANDLE_VALUE) return 0;
    FindClose(ho_search);
    return 1;
}

CT_String CT_Files::co_GetFileName(CT_String co_path) {
    CT_String co_full;
    CT_String co_result;
    const char *pc_final = pc_FullPath(co_path, co_full);
    co_result = pc_final ? pc_final : "";
    return CT_String(co_result);
}

void CT_Files::v_GetFolder(CT_String co_path, CT_String &co_folder) {
    CT_String co_full;
    char *pc_final = pc_FullPath(co_path, co_full);
    if (pc_final) { // cut the final component off, keeping its separator
        pc_final[0] = 0;
        pc_final[1] = 0;
    }
    co_folder = co_full;
}

void CT_Files::v_RemoveExtension(CT_String &co_name) { co_name.v_ReplaceChar('.', 0); }
