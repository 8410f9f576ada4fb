// CT_Files: existence, full paths and their parts, extensions.
#include "ctcommon.h"
#include "files/full_path.h"
#include "platform/platform.h"
#include "string/rules.h"

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

// Whether the text starts with the prefix, a '/' in it standing for the
// separator, as the system reads it.
bool b_StartsWithPath(const char *pc_text, const char *pc_prefix) {
    for (; *pc_prefix; ++pc_text, ++pc_prefix)
        if (*pc_text != *pc_prefix &&
            !(*pc_prefix == ct_platform::c_path_separator && *pc_text == '/'))
            return false;
    return true;
}

} // namespace

bool ct_files::b_MadeADevice(const char *pc_name, const char *pc_full) {
    const char *pc_devices = ct_platform::pc_device_namespace;
    return pc_devices && b_StartsWithPath(pc_full, pc_devices) &&
           !b_StartsWithPath(pc_name, pc_devices);
}

namespace {

void v_ThrowNoFullPath() { CT_Errors::v_ThrowError(e_WindowsError, "GetFullPathName\r\n"); }

// The first character after the last separator in [pc_begin, pc_end).
char *pc_AfterLastSeparator(char *pc_begin, const char *pc_end) {
    char *pc_after = pc_begin;
    for (char *pc = pc_begin; pc < pc_end; pc += ct_string::n_CharSize(pc))
        if (*pc == ct_platform::c_path_separator) pc_after = pc + 1;
    return pc_after;
}

// The full path of a name that the system reads as a device, as the text
// says it: behind one more component the name is no device, so the system
// makes that path full, and the component is taken off again.
char *pc_FullPathAsWritten(const CT_String &co_path, CT_String &co_full) {
    const char ac_one_more[] = {ct_platform::c_path_separator, 'x', 0};
    char *pc_added = nullptr;
    if (!ct_files::b_FullPath(co_path + ac_one_more, co_full, &pc_added) || !pc_added)
        v_ThrowNoFullPath();
    pc_added[-1] = 0; // the separator in front of it
    return pc_AfterLastSeparator(co_full, pc_added - 1);
}

// Makes the path absolute in co_full and returns its final component (null
// when the full path ends in a separator).
char *pc_FullPath(const CT_String &co_path, CT_String &co_full) {
    char *pc_final = nullptr;
    if (!ct_files::b_FullPath(co_path, co_full, &pc_final)) v_ThrowNoFullPath();
    if (ct_files::b_MadeADevice(co_path, co_full)) return pc_FullPathAsWritten(co_path, co_full);
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
