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

#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

struct FaultPlan {
    bool b_active = false;
    std::string s_call; // empty: any call
    unsigned n_nth = 0; // the first call to fail, counting from 1
    unsigned n_error = 0;
    bool b_persistent = false; // every matching call from the n-th on
    unsigned n_seen = 0;
};

std::mutex o_lock;
FaultPlan o_plan;
std::map<std::string, void *> &o_StandIns() {
    static std::map<std::string, void *> o_stand_ins;
    return o_stand_ins;
}
std::map<std::string, unsigned> &o_Counts() {
    static std::map<std::string, unsigned> o_counts;
    return o_counts;
}

} // namespace

bool ct_hooks::b_Fails(const char *pc_call) {
    std::lock_guard<std::mutex> o_hold(o_lock);
    ++o_Counts()[pc_call];
    if (!o_plan.b_active || (!o_plan.s_call.empty() && o_plan.s_call != pc_call)) return false;
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
    std::lock_guard<std::mutex> o_hold(o_lock);
    o_plan = FaultPlan();
    o_plan.b_active = true;
    o_plan.s_call = pc_call ? pc_call : "";
    o_plan.n_nth = n_nth;
    o_plan.n_error = n_error;
    o_plan.b_persistent = b_persistent != 0;
}

// No more faults and no stand-ins; the call counts start again from zero.
CT_FAULT_API void ct_ClearFaults() {
    std::lock_guard<std::mutex> o_hold(o_lock);
    o_plan = FaultPlan();
    o_Counts().clear();
    o_StandIns().clear();
}

// The calls of that name (null: of any name) made since the last clear.
CT_FAULT_API unsigned ct_CountCalls(const char *pc_call) {
    std::lock_guard<std::mutex> o_hold(o_lock);
    if (pc_call) return o_Counts()[pc_call];
    unsigned n_all = 0;
    for (const auto &o_count : o_Counts())
        n_all += o_count.second;
    return n_all;
}
