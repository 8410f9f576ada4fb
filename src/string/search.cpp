// CT_String: search, replace and substring.
//
// Positions and counts are characters, compared by their 16-bit values, so
// a match always starts and ends on character boundaries. Every operation
// walks the text once from where it starts: nothing steps from the start of
// the text again for each character.
#include "ctcommon.h"
#include "string/buffer.h"
#include "string/characters.h"
#include "string/decimal.h"
#include "string/scan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace ct_chars;
using namespace ct_buffer;

namespace {

struct Match {
    bool b_found;
    std::size_t n_byte;  // where the occurrence starts, in bytes from the scan's start
    std::size_t n_chars; // the same in characters, when counted
};

// A pattern: its text, the end of its buffer and its characters.
struct Pattern {
    const char *pc_text;
    const char *pc_end;
    unsigned n_length;
};

// The single forward pass over the text from pc_from (a character
// boundary) to pc_text_end, the end of its text: a mismatch sends the
// pattern back to its first character for the next text character, without
// trying the mismatching character again. "ab" is therefore not found in
// "aab".
//
// While no match is under way only a character whose first byte is the
// pattern's first byte can start one, so the pass jumps from one such byte
// to the next and keeps those that start a character. pc_known, the last
// character boundary passed, bounds the look back that tells; every byte is
// looked at a bounded number of times. The characters before the match are
// counted once it is found, when b_count asks for them.
Match o_FindFrom(const char *pc_from, const char *pc_end, const char *pc_text_end,
                 const Pattern &o_pattern, bool b_count) {
    const char c_first = o_pattern.pc_text[0];
    const char *pc_known = pc_from;
    for (;;) {
        const char *pc_candidate = ct_scan::pc_FindByte(pc_known, pc_text_end, c_first);
        if (!pc_candidate) return Match{false, 0, 0};
        const char *pc_start = pc_CharStartAtOrAfter(pc_known, pc_candidate);
        pc_known = pc_start;
        if (pc_start != pc_candidate) continue; // a second byte: no character starts there

        // Compare character by character from the candidate.
        const char *pc_text = pc_start;
        const char *pc_want = o_pattern.pc_text;
        unsigned n_matched = 0;
        while (n_matched < o_pattern.n_length) {
            unsigned short w_text = 0, w_want = 0;
            const unsigned n_text_width = n_NextChar(pc_text, pc_end, &w_text);
            if (!n_text_width) return Match{false, 0, 0};
            const unsigned n_want_width = n_NextChar(pc_want, o_pattern.pc_end, &w_want);
            pc_text += n_text_width;
            if (w_text != w_want) break;
            ++n_matched;
            pc_want += n_want_width;
        }
        if (n_matched == o_pattern.n_length) {
            std::uint64_t n_chars = 0;
            if (b_count) pc_StepChars(pc_from, pc_start, UINT64_MAX, &n_chars);
            return Match{true, static_cast<std::size_t>(pc_start - pc_from),
                         static_cast<std::size_t>(n_chars)};
        }
        pc_known = pc_text; // the characters compared, the mismatching one included
    }
}

// The room of a working string that starts at 512 and takes appends of the
// given total size: an append that outgrows the room makes it 512 bytes
// larger than the text.
unsigned n_RoomAfterAppend(unsigned n_room, std::uint64_t n_total) {
    return n_total > n_room ? n_RequireUnsigned(n_total + 512) : n_room;
}

} // namespace

int CT_String::i_Search(CT_String co_pattern, int i_start) {
    if (co_pattern.b_IsEmpty() || i_start < 0) return -1;
    const char *pc_end = pc_AllocEnd(pc_buffer, n_capacity);
    const char *pc_text_end = pc_current + n_TextSize(pc_current, pc_end);
    // Step to the start position; a start behind the text finds nothing.
    std::uint64_t n_stepped = 0;
    const char *pc_from =
        pc_StepChars(pc_current, pc_text_end, static_cast<std::uint64_t>(i_start), &n_stepped);
    if (n_stepped < static_cast<std::uint64_t>(i_start)) return -1;
    const char *pc_pattern_end = pc_AllocEnd(co_pattern.pc_buffer, co_pattern.n_capacity);
    const Pattern o_pattern{co_pattern.pc_current, pc_pattern_end, co_pattern.n_GetLength()};
    const Match o_match = o_FindFrom(pc_from, pc_end, pc_text_end, o_pattern, true);
    return o_match.b_found ? i_start + static_cast<int>(o_match.n_chars) : -1;
}

void CT_String::v_Replace(CT_String co_pattern, const char *pc_replacement) {
    if (co_pattern.b_IsEmpty()) return;
    const char *pc_end = pc_AllocEnd(pc_buffer, n_capacity);
    const char *pc_pattern_end = pc_AllocEnd(co_pattern.pc_buffer, co_pattern.n_capacity);
    const std::size_t n_pattern_bytes = n_TextSize(co_pattern.pc_current, pc_pattern_end);
    const Pattern o_pattern{co_pattern.pc_current, pc_pattern_end, co_pattern.n_GetLength()};
    const std::size_t n_text = n_TextSize(pc_current, pc_end);

    // Every occurrence, each search resuming behind the last one.
    std::vector<std::size_t> an_found;
    for (std::size_t n_from = 0;;) {
        const Match o_match =
            o_FindFrom(pc_current + n_from, pc_end, pc_current + n_text, o_pattern, false);
        if (!o_match.b_found) break;
        an_found.push_back(n_from + o_match.n_byte);
        n_from += o_match.n_byte + n_pattern_bytes;
    }
    if (an_found.empty()) return; // the string is not touched at all

    // The result is built as a working string of 512 would be built by
    // appending, piece after piece, and then assigned: its room follows the
    // same growth, so the string ends with the same capacity.
    CT_String co_replacement(pc_replacement);
    const std::size_t n_replacement =
        n_TextSize(co_replacement.pc_current,
                   pc_AllocEnd(co_replacement.pc_buffer, co_replacement.n_capacity));
    unsigned n_room = 512;
    std::uint64_t n_total = 0;
    std::size_t n_kept_from = 0;
    for (std::size_t n_at : an_found) {
        n_total += n_at - n_kept_from;
        n_room = n_RoomAfterAppend(n_room, n_total);
        n_total += n_replacement;
        n_room = n_RoomAfterAppend(n_room, n_total);
        n_kept_from = n_at + n_pattern_bytes;
    }
    n_total += n_text - n_kept_from;
    n_room = n_RoomAfterAppend(n_room, n_total);

    CT_String co_result;
    if (n_room > 512) co_result.b_ReSize(n_room - 512);
    char *pc_out = co_result.pc_current;
    n_kept_from = 0;
    for (std::size_t n_at : an_found) {
        pc_out = std::copy(pc_current + n_kept_from, pc_current + n_at, pc_out);
        pc_out =
            std::copy(co_replacement.pc_current, co_replacement.pc_current + n_replacement, pc_out);
        n_kept_from = n_at + n_pattern_bytes;
    }
    std::copy(pc_current + n_kept_from, pc_current + n_text, pc_out);
    *this = co_result;
}

void CT_String::v_Replace(CT_String co_pattern, unsigned n_number) {
    CT_String co_digits;
    ct_decimal::v_WriteSigned(co_digits.pc_current, n_number);
    v_Replace(co_pattern, co_digits.pc_current);
}

CT_String CT_String::co_GetMid(int i_start, int i_count) {
    // The characters are copied as writes that grow a working string of 512
    // would copy them, and the result is a copy of that string: 256 bytes
    // above its room. What lies behind the text (its terminator, then
    // whatever the buffer holds) is copied like any character, up to the
    // end of the buffer; a negative start gives an empty text.
    CT_String co_mid;
    if (i_start < 0 || i_count <= 0) return CT_String(co_mid);
    const char *pc_end = pc_AllocEnd(pc_buffer, n_capacity);
    const std::uint64_t n_avail = static_cast<std::uint64_t>(pc_end - pc_current);
    const std::uint64_t n_from = n_SkipChars(pc_current, pc_end, static_cast<unsigned>(i_start));
    unsigned n_room = 512;
    std::uint64_t n_bytes = 0;
    const std::uint64_t n_count = static_cast<std::uint64_t>(i_count);
    for (std::uint64_t i = 0; i < n_count && n_from + n_bytes < n_avail;) {
        // The characters that end before the room's last byte and before the
        // buffer's last byte need no growth: stepped over at once.
        const std::uint64_t n_at = n_from + n_bytes;
        const std::uint64_t n_bulk_end = std::min<std::uint64_t>(n_from + n_room - 1, n_avail - 1);
        if (n_at < n_bulk_end) {
            std::uint64_t n_stepped = 0;
            const char *pc_reached =
                pc_StepChars(pc_current + n_at, pc_current + n_bulk_end, n_count - i, &n_stepped);
            n_bytes = static_cast<std::uint64_t>(pc_reached - pc_current) - n_from;
            i += n_stepped;
            if (n_stepped) continue;
        }
        // One character as a write would take it: the room grows when the
        // character and a terminator do not fit.
        n_room = n_RoomAfterAppend(n_room, n_bytes + 2);
        n_bytes +=
            n_from + n_bytes + 1 < n_avail ? n_GetCharSize(pc_current + n_from + n_bytes) : 1;
        ++i;
    }
    n_room = n_RoomAfterAppend(n_room, n_bytes + 2); // the closing zero character
    if (n_room > 512) co_mid.b_ReSize(n_room - 512);
    if (n_bytes) std::copy(pc_current + n_from, pc_current + n_from + n_bytes, co_mid.pc_current);
    return CT_String(co_mid);
}
