// Windows: the library calls the system directly.
#ifndef CTCOMMON_PLATFORM_WIN32_API_H
#define CTCOMMON_PLATFORM_WIN32_API_H

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <cstddef>
#include <string>

// Facts of the platform's paths that the logic needs.
namespace ct_platform {
// The separator between the components of a full path.
const char c_path_separator = '\\';
// The size of OPENFILENAMEA as it was before the three fields that later
// versions of the system added (OPENFILENAME_SIZE_VERSION_400A): what the
// dialogs hand over, so that every version takes the record.
const DWORD n_open_request_size_400 = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void *) != 4 || n_open_request_size_400 == 76, "the 4.00 record size");
// The longest path, in bytes without its terminator, that the file calls
// take whole.
const unsigned n_longest_path = MAX_PATH - 1;
// The prefix of device paths: the full path of a name that the system reads
// as a device (aux.txt, con.kdw, nul in any folder) is \\.\aux and the like.
const char *const pc_device_namespace = "\\\\.\\";

// The path of the file that the system opens for a name: its full path,
// which the system makes from the text alone.
inline bool b_SystemPath(const char *, const char *pc_full, std::string *ps_path) {
    *ps_path = pc_full;
    return true;
}

// Whether the path that SHGetPathFromIDListA gave for the item, at most
// MAX_PATH bytes, is all of it. Windows refuses a folder whose path does
// not fit; some systems (Wine) cut the path to fit and report success.
bool b_IsWholeFolderPath(PCIDLIST_ABSOLUTE po_item, const char *pc_path);
} // namespace ct_platform

#endif
