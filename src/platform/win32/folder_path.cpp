// Windows: telling a folder's whole path from one that the system cut.
#include "platform/win32/win32_api.h"

#include <cstring>
#include <string>

namespace {

// The item's own name in its parent folder, as the file system spells it.
bool b_OwnName(PCIDLIST_ABSOLUTE po_item, std::string *ps_name) {
    IShellFolder *po_parent = nullptr;
    PCUITEMID_CHILD po_last = nullptr;
    if (FAILED(SHBindToParent(po_item, IID_IShellFolder, reinterpret_cast<void **>(&po_parent),
                              &po_last)))
        return false;
    STRRET o_name;
    const HRESULT n_result =
        po_parent->GetDisplayNameOf(po_last, SHGDN_INFOLDER | SHGDN_FORPARSING, &o_name);
    po_parent->Release();
    if (FAILED(n_result)) return false;
    switch (o_name.uType) {
    case STRRET_CSTR:
        *ps_name = o_name.cStr;
        return true;
    case STRRET_OFFSET:
        *ps_name = reinterpret_cast<const char *>(po_last) + o_name.uOffset;
        return true;
    case STRRET_WSTR: {
        char ac_name[4 * MAX_PATH];
        const int n_bytes = WideCharToMultiByte(CP_ACP, 0, o_name.pOleStr, -1, ac_name,
                                                sizeof ac_name, nullptr, nullptr);
        IMalloc *po_allocator = nullptr; // the task allocator, which holds the text
        if (SHGetMalloc(&po_allocator) == S_OK && po_allocator) {
            po_allocator->Free(o_name.pOleStr);
            po_allocator->Release();
        }
        if (n_bytes == 0) return false;
        *ps_name = ac_name;
        return true;
    }
    }
    return false;
}

// The path of the folder that holds the item; false when that folder has
// none (a virtual folder such as a library) or it does not fit.
bool b_ParentPath(PCIDLIST_ABSOLUTE po_item, std::string *ps_path) {
    LPITEMIDLIST po_parent = ILClone(po_item);
    if (!po_parent) return false;
    char ac_path[MAX_PATH + 1] = {0};
    const bool b_found = ILRemoveLastID(po_parent) && SHGetPathFromIDListA(po_parent, ac_path);
    ILFree(po_parent);
    if (b_found) *ps_path = ac_path;
    return b_found;
}

} // namespace

bool ct_platform::b_IsWholeFolderPath(PCIDLIST_ABSOLUTE po_item, const char *pc_path) {
    // A cut path fills the buffer, up to a double-byte character that did
    // not fit: anything shorter is whole.
    const std::size_t n_length = std::strlen(pc_path);
    if (n_length + 2 < MAX_PATH) return true;
    // It is whole when it is the folder's own name behind the path of the
    // folder that holds it, itself shorter and so never cut.
    std::string s_name;
    if (!b_OwnName(po_item, &s_name) || s_name.empty() || s_name.size() >= n_length) return false;
    const std::size_t n_name_at = n_length - s_name.size();
    if (std::strcmp(pc_path + n_name_at, s_name.c_str()) != 0 || pc_path[n_name_at - 1] != '\\')
        return false;
    std::string s_parent;
    if (!b_ParentPath(po_item, &s_parent)) return true; // the name is all there is to compare
    if (s_parent.empty() || s_parent.back() != '\\') s_parent += '\\';
    return s_parent.size() == n_name_at && std::memcmp(pc_path, s_parent.data(), n_name_at) == 0;
}
