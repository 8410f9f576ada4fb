// Windows: the library calls the system directly.
#ifndef CTCOMMON_PLATFORM_WIN32_API_H
#define CTCOMMON_PLATFORM_WIN32_API_H

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

// The module's static objects need no ordering mark: DllMain, the entry,
// runs after all of them.
#define CT_STATIC_ORDER

#endif
