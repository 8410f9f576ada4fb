// The fault plan of the library's test build (ctcommon_faults): makes a
// given platform call fail, and counts the calls made.
#ifndef CTCOMMON_TESTS_FAULT_PLAN_H
#define CTCOMMON_TESTS_FAULT_PLAN_H

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
// No more faults; the call counts start again.
CT_FAULT_IMPORT void ct_ClearFaults();
// The calls of that name (null: of any name) since the last clear.
CT_FAULT_IMPORT unsigned ct_CountCalls(const char *pc_call);
}

#endif
