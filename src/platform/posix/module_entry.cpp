// Linux: a shared object has no entry point that the loader calls with its
// handle, so a static object constructed after the module's others, and
// destroyed before them, makes the entry's calls with the handle that
// dlopen() gives for this object: its link map.
#include "frame/module.h"

#include <dlfcn.h>
#include <link.h>

namespace {

HINSTANCE ho_ThisModule() {
    Dl_info o_info;
    struct link_map *po_map = nullptr;
    dladdr1(reinterpret_cast<void *>(&ho_ThisModule), &o_info, reinterpret_cast<void **>(&po_map),
            RTLD_DL_LINKMAP);
    return reinterpret_cast<HINSTANCE>(po_map);
}

struct ModuleEntry {
    ModuleEntry() { b_ModuleEntry(ho_ThisModule(), DLL_PROCESS_ATTACH); }
    ~ModuleEntry() { b_ModuleEntry(ho_ThisModule(), DLL_PROCESS_DETACH); }
};

CT_ENTRY_ORDER ModuleEntry o_module_entry;

} // namespace
