// Linux: a shared object has no entry point that the loader calls with its
// handle. A static object constructed after the module's others (its
// CT_ENTRY_ORDER), and destroyed before them, makes the entry's two calls,
// with the handle of the module that holds it.
#include "frame/module.h"

namespace {

HINSTANCE ho_ThisModule();

struct ModuleEntry {
    ModuleEntry() { b_ModuleEntry(ho_ThisModule(), DLL_PROCESS_ATTACH); }
    ~ModuleEntry() { b_ModuleEntry(ho_ThisModule(), DLL_PROCESS_DETACH); }
};

CT_ENTRY_ORDER ModuleEntry o_module_entry;

HINSTANCE ho_ThisModule() {
    HMODULE ho_module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&o_module_entry), &ho_module);
    return ho_module;
}

} // namespace
