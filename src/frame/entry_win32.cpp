// Windows: the loader calls DllMain after the module's static objects are
// constructed and before they are destroyed, with the module's handle.
#include "frame/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE ho_module, DWORD n_reason, LPVOID) {
    return b_ModuleEntry(ho_module, n_reason);
}
