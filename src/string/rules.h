// What the other classes may use of CT_String's own rules: the double-byte
// characters, the room that a string is given, and the scans of a text.
// They include this header, never the string's inner ones.
#ifndef CTCOMMON_STRING_RULES_H
#define CTCOMMON_STRING_RULES_H

#include "string/buffer.h"
#include "string/characters.h"
#include "string/decimal.h"
#include "string/scan.h"

#include <cstddef>
#include <cstdint>

namespace ct_string {

// 2 when the byte at pc starts a two-byte character, else 1.
inline unsigned n_CharSize(const char *pc) { return ct_chars::n_GetCharSize(pc); }

// The bytes of the whole characters at the start of a text that fit into
// n_bytes: a character that the limit would cut is left out.
inline std::size_t n_WholeCharsWithin(const char *pc_text, std::size_t n_bytes) {
    std::uint64_t n_stepped = 0;
    return static_cast<std::size_t>(
        ct_chars::pc_StepChars(pc_text, pc_text + n_bytes, UINT64_MAX, &n_stepped) - pc_text);
}

// The capacity that a string asked for a room of n_size bytes gets.
inline unsigned n_CapacityFor(std::uint64_t n_size) { return ct_buffer::n_CapacityFor(n_size); }

// The bytes before the first zero byte of a text.
inline std::size_t n_ZeroTerminatedSize(const char *pc) {
    return ct_scan::n_ZeroTerminatedSize(pc);
}

// The first byte c in [pc, pc_end), or null.
inline const char *pc_FindByte(const char *pc, const char *pc_end, char c) {
    return ct_scan::pc_FindByte(pc, pc_end, c);
}

} // namespace ct_string

#endif
