// The operating-system layer: the Win32 operations that the library's logic
// calls, under their Win32 names and with their Win32 types. Logic includes
// this header and never an OS header itself.
//
// On Windows these are the system's own calls (win32/). Elsewhere posix/
// declares the same names and provides each one with the effects that the
// library relies on, and nothing more.
#ifndef CTCOMMON_PLATFORM_H
#define CTCOMMON_PLATFORM_H

#if defined(_WIN32)
#include "platform/win32/win32_api.h"
#else
#include "platform/posix/win32_api.h"
#endif

#if defined(CTCOMMON_TEST_HOOKS)
#include "platform/hooked_calls.h"
#endif

#endif
