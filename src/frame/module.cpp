// The module's static objects and its entry.
//
// The objects are defined here, in one translation unit, so that they are
// constructed in this order and destroyed in the reverse order, each once
// per load. The entry runs after all of them are constructed (DllMain on
// Windows, the load hook on Linux) and before any is destroyed.
#include "frame/module.h"

HINSTANCE ho_instance = nullptr;

CT_STATIC_ORDER CT_String co_marker("%");
CT_STATIC_ORDER CT_String CT_Errors::co_parameter;
CT_STATIC_ORDER CT_String CT_Errors::co_title;
CT_STATIC_ORDER CT_String co_lineend("\r\n");
CT_STATIC_ORDER CT_String CT_Help::co_helppath;
et_ErrorCode CT_Errors::eo_lasterror = e_UnknownError; // no construction: 1 from the start

BOOL b_ModuleEntry(HINSTANCE ho_module, DWORD n_reason) {
    if (n_reason == DLL_PROCESS_ATTACH) {
        ho_instance = ho_module;
        CT_Errors::co_title.v_Load(ho_instance, 1000, CT_String(),
                                   static_cast<const char *>(nullptr));
    }
    return TRUE;
}
