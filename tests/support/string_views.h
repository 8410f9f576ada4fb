// The texts of strings as the tests compare them.
#ifndef CTCOMMON_TESTS_STRING_VIEWS_H
#define CTCOMMON_TESTS_STRING_VIEWS_H

#include <ctcommon.h>

#include <cstring>
#include <string>

// The current text.
inline std::string Text(const CT_String &co) { return static_cast<const char *>(co); }

// A list's bytes from its first element through its end-of-list zero byte;
// the cursor goes back to the first element.
inline std::string ListBytes(CT_String &co) {
    co.v_ResetArray();
    const char *pc = co;
    std::size_t n = 0;
    while (pc[n])
        n += std::strlen(pc + n) + 1;
    return std::string(pc, n + 1);
}

#endif
