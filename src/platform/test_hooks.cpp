// Test builds only: the fault plan and the stand-ins, and the functions
// through which tests set them and read how many calls were made.
#if defined(_WIN32)
#include "platform/win32/win32_api.h"
#define CT_FAULT_API extern "C" __declspec(dllexport)
#else
#include "platform/posix/win32_api.h"
#define CT_FAULT_API extern "C" __attribute__((visibility("default")))
#endif
#include "platform/test_hooks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

const char *const apc_call_names[] = {
#define CT_CALL_NAME(name) #name,
    CT_FAULTABLE_CALLS(CT_CALL_NAME)
#undef CT_CALL_NAME
};

const int n_any_call = -1;

struct FaultPlan {
    bool b_active = false;
    int n_call = n_any_call;
    unsigned n_nth = 0; // the first call to fail, counting from 1
    unsigned n_error = 0;
    bool b_persistent = false; // every matching call from the n-th on
    unsigned n_seen = 0;
};

std::mutex o_lock;
FaultPlan o_plan;
unsigned an_counts[ct_hooks::e_CallCount];

std::map<std::string, void *> &o_StandIns() {
    static std::map<std::string, void *> o_stand_ins;
    return o_stand_ins;
}

// The call of that name (null: any call); a name that is not a faultable
// call stops the test program, so that it cannot pass by failing nothing.
int n_CallNamed(const char *pc_call, const char *pc_asker) {
    if (!pc_call) return n_any_call;
    for (int i = 0; i < ct_hooks::e_CallCount; ++i)
        if (std::strcmp(apc_call_names[i], pc_call) == 0) return i;
    std::fprintf(stderr, "%s: \"%s\" is not a call that the test build can make fail\n", pc_asker,
                 pc_call);
    std::abort();
}

} // namespace

bool ct_hooks::b_Fails(et_Call eo_call) {
    std::lock_guard<std::mutex> o_hold(o_lock);
    ++an_counts[eo_call];
    if (!o_plan.b_active || (o_plan.n_call != n_any_call && o_plan.n_call != eo_call)) return false;
    ++o_plan.n_seen;
    if (o_plan.n_seen < o_plan.n_nth || (o_plan.n_seen > o_plan.n_nth && !o_plan.b_persistent))
        return false;
    SetLastError(o_plan.n_error);
    return true;
}

void *ct_hooks::pv_StandIn(const char *pc_call) {
    std::lock_guard<std::mutex> o_hold(o_lock);
    const auto o_found = o_StandIns().find(pc_call);
    return o_found == o_StandIns().end() ? nullptr : o_found->second;
}

// Sends the call of that name to a function of the same signature instead
// of the system (null: to the system again).
CT_FAULT_API void ct_SetStandIn(const char *pc_call, void *pv_function) {
    std::lock_guard<std::mutex> o_hold(o_lock);
    if (pv_function)
        o_StandIns()[pc_call] = pv_function;
    else
        o_StandIns().erase(pc_call);
}

// Makes the n-th call of that name (null: of any name) fail with the error,
// once or, when persistent, from then on.
CT_FAULT_API void ct_FailCall(const char *pc_call, unsigned n_nth, unsigned n_error,
                              int b_persistent) {
    const int n_call = n_CallNamed(pc_call, "ct_FailCall");
    std::lock_guard<std::mutex> o_hold(o_lock);
    o_plan = FaultPlan();
    o_plan.b_active = true;
    o_plan.n_call = n_call;
    o_plan.n_nth = n_nth;
    o_plan.n_error = n_error;
    o_plan.b_persistent = b_persistent != 0;
}

// No more faults and no stand-ins; the call counts start again from zero.
CT_FAULT_API void ct_ClearFaults() {
    std::lock_guard<std::mutex> o_hold(o_lock);
    o_plan = FaultPlan();
    std::memset(an_counts, 0, sizeof an_counts);
    o_StandIns().clear();
}

// The calls of that name (null: of any name) made since the last clear.
CT_FAULT_API unsigned ct_CountCalls(const char *pc_call) {
    const int n_call = n_CallNamed(pc_call, "ct_CountCalls");
    std::lock_guard<std::mutex> o_hold(o_lock);
    if (n_call != n_any_call) return an_counts[n_call];
    unsigned n_all = 0;
    for (unsigned n_count : an_counts)
        n_all += n_count;
    return n_all;
}

// The name of the i-th faultable call, or null past the last, so that a
// test can sweep every one of them.
CT_FAULT_API const char *ct_CallName(unsigned n_index) {
    return n_index < ct_hooks::e_CallCount ? apc_call_names[n_index] : nullptr;
}
