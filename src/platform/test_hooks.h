// Test builds only: the fault plan and the stand-ins, as the library's code
// asks them. Every call of faultable_calls.h first asks whether it is to
// fail: a failing call sets the thread's last error to the plan's and
// returns what the system returns on failure, without being made. The
// dialog, help and active-window calls go to a stand-in when a test has set
// one, so that a test can record the exact requests. The read buffer's room
// is noted each time it is made, so that a test can see it shrink. Tests
// reach all of it through the functions that the test build exports
// (test_hooks.cpp).
#ifndef CTCOMMON_PLATFORM_TEST_HOOKS_H
#define CTCOMMON_PLATFORM_TEST_HOOKS_H

#include "platform/faultable_calls.h"

#include <cstddef>

namespace ct_hooks {

enum et_Call {
#define CT_CALL_ENUMERATOR(name) e_##name,
    CT_FAULTABLE_CALLS(CT_CALL_ENUMERATOR)
#undef CT_CALL_ENUMERATOR
        e_CallCount
};

// Counts the call; true when the plan makes it fail (its error then set).
bool b_Fails(et_Call eo_call);
// The stand-in that a test set for the call, or null.
void *pv_StandIn(const char *pc_call);
// Notes the room of the read buffer just made, for tests to read back.
void v_NoteReadRoom(std::size_t n_room);

} // namespace ct_hooks

#endif
