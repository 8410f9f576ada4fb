// CT_Help: the product's help file and requests to show it.
#include "ctcommon.h"
#include "platform/platform.h"

void CT_Help::v_DefineHelpPath(CT_String co_path) { co_helppath = co_path; }

void CT_Help::v_Display(HWND ho_window, unsigned int n_context) {
    WinHelpA(ho_window, co_helppath, HELP_CONTEXT, n_context);
}

void CT_Help::v_Display(HWND ho_window) { WinHelpA(ho_window, co_helppath, HELP_FINDER, 0); }

// A class without data copies nothing when assigned.
CT_Help &CT_Help::operator=(const CT_Help &) { return *this; }
