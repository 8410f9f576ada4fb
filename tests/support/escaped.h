// What an action let escape, named so that a table of cases can expect it.
#ifndef CTCOMMON_TESTS_ESCAPED_H
#define CTCOMMON_TESTS_ESCAPED_H

#include <ctcommon.h>

#include <stdexcept>
#include <string>

// "" when nothing escaped, else the exception's kind and value: "code 17"
// (a library error), "int 42", "runtime_error".
template <typename Action> std::string EscapedFrom(Action action) {
    try {
        action();
    } catch (et_ErrorCode eo_code) {
        return "code " + std::to_string(static_cast<int>(eo_code));
    } catch (int n_value) {
        return "int " + std::to_string(n_value);
    } catch (const std::runtime_error &) {
        return "runtime_error";
    } catch (...) {
        return "another exception";
    }
    return "";
}

#endif
