// What an action raised through the library's error record.
#ifndef CTCOMMON_TESTS_RAISED_H
#define CTCOMMON_TESTS_RAISED_H

#include <ctcommon.h>

#include <string>

// The code that an action raised and the parameter that was recorded with
// it; code -1 when the action raised nothing.
struct Raised {
    int n_code = -1;
    std::string s_parameter;
};

template <typename Action> Raised RaisedBy(Action action) {
    Raised o_raised;
    try {
        action();
    } catch (et_ErrorCode eo_code) {
        o_raised.n_code = eo_code;
        o_raised.s_parameter = static_cast<const char *>(CT_Errors::co_GetLastParameter());
    }
    return o_raised;
}

// Whether another opener can have the file now: opening it for reading,
// with nothing else held, raises nothing.
inline bool CanOpen(const std::string &s_path) {
    CT_Files co_probe;
    return RaisedBy([&] { co_probe.v_Open(s_path.c_str(), CT_Files::e_Read, 0); }).n_code == -1;
}

#endif
