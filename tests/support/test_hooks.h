// The hooks of the library's test build (ctcommon_testbuild): makes a given
// file call fail, counts the calls made, sends a dialog, help or
// active-window call to a stand-in of the test's, runs another program's
// step at a chosen call, and tells the room of the read buffer made last.
#ifndef CTCOMMON_TESTS_TEST_HOOKS_H
#define CTCOMMON_TESTS_TEST_HOOKS_H

#if defined(_WIN32)
#define CT_FAULT_IMPORT __declspec(dllimport)
#else
#define CT_FAULT_IMPORT
#endif

extern "C" {
// The n-th call of that name (null: of any name) fails with the error,
// once or, when persistent, from then on.
CT_FAULT_IMPORT void ct_FailCall(const char *pc_call, unsigned n_nth, unsigned n_error,
                                 int b_persistent);
// Runs pf_step(pv_context) once, just before the n-th call of that name
// (null: of any name) is made: another program's step at that moment.
CT_FAULT_IMPORT void ct_OnCall(const char *pc_call, unsigned n_nth, void (*pf_step)(void *),
                               void *pv_context);
// No more faults, steps or stand-ins; the call counts and the read room
// start again.
CT_FAULT_IMPORT void ct_ClearFaults();
// Sends the call of that name to a function of the same signature (null:
// to the system again).
CT_FAULT_IMPORT void ct_SetStandIn(const char *pc_call, void *pv_function);
// The calls of that name (null: of any name) since the last clear. A name
// that is not a faultable call stops the program, here and above.
CT_FAULT_IMPORT unsigned ct_CountCalls(const char *pc_call);
// The name of the n-th faultable call, or null past the last.
CT_FAULT_IMPORT const char *ct_CallName(unsigned n_index);
// The room, in bytes, of the read buffer that a file object made last (0:
// none since the last clear).
CT_FAULT_IMPORT unsigned ct_ReadRoom();
}

#endif
