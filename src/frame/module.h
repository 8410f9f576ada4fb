// The module's own state: its instance handle and the process-wide strings
// that the classes share. They live from the module's load to its unload.
#ifndef CTCOMMON_FRAME_MODULE_H
#define CTCOMMON_FRAME_MODULE_H

#include "ctcommon.h"
#include "platform/platform.h"

// The order of the module's static objects. On Windows the loader calls the
// entry after all of them are constructed and before any is destroyed. On
// Linux a static object stands in for the entry (entry_posix.cpp): the
// module's own objects are constructed before it and destroyed after it.
#if defined(_WIN32)
#define CT_STATIC_ORDER
#else
#define CT_STATIC_ORDER __attribute__((init_priority(1000)))
#define CT_ENTRY_ORDER __attribute__((init_priority(1001)))
#endif

// The library's own module: its string table holds every text it shows.
extern HINSTANCE ho_instance;
// "%": the place of an error's parameter in a message.
extern CT_String co_marker;
// Carriage return and line feed: the end of a written line.
extern CT_String co_lineend;

// The module entry, called by the loader (or its stand-in) with the
// module's handle and the reason: on process attach it keeps the handle and
// loads the caption of error messages. It never refuses the load.
BOOL b_ModuleEntry(HINSTANCE ho_module, DWORD n_reason);

#endif
