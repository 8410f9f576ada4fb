// Linux: the module that holds an address, by its link map, which is also
// the handle that dlopen() gives for it.
#include "platform/posix/win32_api.h"

#include <cerrno>
#include <dlfcn.h>
#include <link.h>

BOOL GetModuleHandleExA(DWORD n_flags, LPCSTR pc_address, HMODULE *pho_module) {
    *pho_module = nullptr;
    const DWORD n_taken =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (n_flags != n_taken) { // not provided: the library asks only this
        errno = EINVAL;
        return FALSE;
    }
    Dl_info o_info;
    struct link_map *po_map = nullptr;
    if (!dladdr1(pc_address, &o_info, reinterpret_cast<void **>(&po_map), RTLD_DL_LINKMAP) ||
        !po_map) {
        errno = ENOENT;
        return FALSE;
    }
    *pho_module = reinterpret_cast<HMODULE>(po_map);
    return TRUE;
}
