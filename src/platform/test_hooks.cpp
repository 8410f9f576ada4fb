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

// The n-th call of a name (or of any name), counting from 1, that a plan
// acts at.
struct Trigger {
    bool b_active = false;
    int n_call = n_any_call;
    unsigned n_nth = 0;
    unsigned n_seen = 0;

    void v_Arm(int n_at_call, unsigned n_at_nth) {
        *this = Trigger();
        b_active = true;
        n_call = n_at_call;
        n_nth = n_at_nth;
    }
    // Counts the call if it matches; its number among the matching calls,
    // or 0.
    unsigned n_Count(ct_hooks::et_Call eo_call) {
        if (!b_active || (n_call != n_any_call && n_call != eo_call)) return 0;
        return ++n_seen;
    }
};

struct FaultPlan {
    Trigger o_at;
    unsigned n_error = 0;
    bool b_persistent = false; // every matching call from the n-th on
};

// Another program's step, run just before the n-th matching call is made,
// once: a race with another program, at a chosen moment.
struct StepPlan {
    Trigger o_at;
    void (*pf_step)(void *) = nullptr;
    void *pv_context = nullptr;
};

std::mutex o_lock;
FaultPlan o_plan;
StepPlan o_step;
unsigned an_counts[ct_hooks::e_CallCount];
std::size_t n_read_room = 0; // of the read buffer made last

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

namespace {

// Whether the fault plan makes this call fail; its error in *pn_error.
bool b_PlannedFailure(ct_hooks::et_Call eo_call, unsigned *pn_error) {
    const unsigned n_seen = o_plan.o_at.n_Count(eo_call);
    if (n_seen == 0 || n_seen < o_plan.o_at.n_nth ||
        (n_seen > o_plan.o_at.n_nth && !o_plan.b_persistent))
        return false;
    *pn_error = o_plan.n_error;
    return true;
}

} // namespace

bool ct_hooks::b_Fails(et_Call eo_call) {
    bool b_fails = false;
    unsigned n_error = 0;
    void (*pf_step)(void *) = nullptr;
    void *pv_context = nullptr;
    {
        std::lock_guard<std::mutex> o_hold(o_lock);
        ++an_counts[eo_call];
        const unsigned n_step_seen = o_step.o_at.n_Count(eo_call);
        if (n_step_seen != 0 && n_step_seen == o_step.o_at.n_nth) {
            o_step.o_at.b_active = false;
            pf_step = o_step.pf_step;
            pv_context = o_step.pv_context;
        }
        b_fails = b_PlannedFailure(eo_call, &n_error);
    }
    // Outside the lock: the step may make calls of its own, which count.
    if (pf_step) {
        const DWORD n_before = GetLastError();
        pf_step(pv_context);
        SetLastError(n_before);
    }
    if (b_fails) SetLastError(n_error);
    return b_fails;
}

void ct_hooks::v_NoteReadRoom(std::size_t n_room) {
    std::lock_guard<std::mutex> o_hold(o_lock);
    n_read_room = n_room;
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
    o_plan.o_at.v_Arm(n_call, n_nth);
    o_plan.n_error = n_error;
    o_plan.b_persistent = b_persistent != 0;
}

// No more faults and no stand-ins; the call counts and the read room start
// again from zero.
CT_FAULT_API void ct_ClearFaults() {
    std::lock_guard<std::mutex> o_hold(o_lock);
    o_plan = FaultPlan();
    o_step = StepPlan();
    std::memset(an_counts, 0, sizeof an_counts);
    n_read_room = 0;
    o_StandIns().clear();
}

// Runs pf_step(pv_context) once, just before the n-th call of that name
// (null: of any name) is made, as another program's step at that moment.
CT_FAULT_API void ct_OnCall(const char *pc_call, unsigned n_nth, void (*pf_step)(void *),
                            void *pv_context) {
    const int n_call = n_CallNamed(pc_call, "ct_OnCall");
    std::lock_guard<std::mutex> o_hold(o_lock);
    o_step = StepPlan();
    o_step.o_at.v_Arm(n_call, n_nth);
    o_step.pf_step = pf_step;
    o_step.pv_context = pv_context;
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

// The room, in bytes, of the read buffer that a file object made last (0:
// none since the last clear), so that a test sees a buffer grown for a long
// line shrink again.
CT_FAULT_API unsigned ct_ReadRoom() {
    std::lock_guard<std::mutex> o_hold(o_lock);
    return static_cast<unsigned>(n_read_room);
}

// The name of the i-th faultable call, or null past the last, so that a
// test can sweep every one of them.
CT_FAULT_API const char *ct_CallName(unsigned n_index) {
    return n_index < ct_hooks::e_CallCount ? apc_call_names[n_index] : nullptr;
}
