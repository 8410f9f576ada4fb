// Linux: the system calls that the file stand-ins make, each of which the
// test build can make fail as the system would (-1, with errno set), so that
// a test reaches every step inside one Win32 call.
#ifndef CTCOMMON_PLATFORM_POSIX_SYSTEM_CALLS_H
#define CTCOMMON_PLATFORM_POSIX_SYSTEM_CALLS_H

#if defined(CTCOMMON_TEST_HOOKS)
#include "platform/test_hooks.h"
#define CT_SYSCALL(call, ...) (ct_hooks::b_Fails(ct_hooks::e_##call) ? -1 : ::call(__VA_ARGS__))
#else
#define CT_SYSCALL(call, ...) ::call(__VA_ARGS__)
#endif

#endif
