// Windows: the library calls the system directly.
#ifndef CTCOMMON_PLATFORM_WIN32_API_H
#define CTCOMMON_PLATFORM_WIN32_API_H

#include <windows.h>

#endif
