#include "characters.h"
#include "string/scan.h"

#include <algorithm>
#include <cstring>

namespace ct_chars {

namespace {

// True when the byte just before pc_at starts a two-byte character, so that
// the byte at pc_at is its second byte. pc_start must be a character
// boundary. Any byte outside the lead ranges ends a character, so only the
// run of lead-range bytes right before pc_at matters: its bytes pair up from
// its start, and an odd run leaves the last one starting a character.
bool b_EndsInLead(const char *pc_start, const char *pc_at) {
    const char *pc = pc_at;
    while (pc > pc_start && b_IsLeadByte(pc[-1]))
        --pc;
    return ((pc_at - pc) & 1) != 0;
}

// The first zero byte at or behind pc within [pc, pc_end), or null.
const char *pc_FindZero(const char *pc, const char *pc_end) {
    return ct_scan::pc_FindByte(pc, pc_end, 0);
}

// Calls o_visit(pc_block, n_offset, n_starts) for each block of 64 of the
// n_bytes bytes at pc, a character boundary: pc_block holds the block's
// bytes and at least one byte behind them (for the last block a copy,
// padded with zeros), n_offset is where the block starts and n_starts has
// a bit for each of its bytes that starts a character.
template <typename Visit> void v_ForEachBlock(const char *pc, std::size_t n_bytes, Visit o_visit) {
    bool b_second = false;
    std::size_t n_at = 0;
    for (; n_bytes - n_at > 64; n_at += 64)
        o_visit(pc + n_at, n_at, ct_scan::n_CharStarts(ct_scan::n_LeadMask(pc + n_at), &b_second));
    if (n_at == n_bytes) return;
    const std::size_t n_left = n_bytes - n_at;
    char ac_last[128] = {};
    std::memcpy(ac_last, pc + n_at, n_left);
    const std::uint64_t n_valid = n_left == 64 ? ~0ull : (1ull << n_left) - 1;
    o_visit(static_cast<const char *>(ac_last), n_at,
            ct_scan::n_CharStarts(ct_scan::n_LeadMask(ac_last), &b_second) & n_valid);
}

// Whether some character can have the value: a single byte of 0x80 or
// above reads sign-extended, so 0x00A9, for one, is no character's value.
bool b_IsSomeValue(unsigned short w_value) {
    const char c_low = static_cast<char>(w_value & 0xFF);
    return b_IsLeadByte(c_low) ||
           w_value == static_cast<unsigned short>(static_cast<signed char>(c_low));
}

// The characters of the value in a block, among those that start there.
std::uint64_t n_ValueMask(const char *pc_block, std::uint64_t n_starts, unsigned short w_value) {
    const char c_low = static_cast<char>(w_value & 0xFF);
    std::uint64_t n_mask = n_starts & ct_scan::n_ByteMask(pc_block, c_low);
    if (n_mask && b_IsLeadByte(c_low))
        n_mask &= ct_scan::n_ByteMask(pc_block + 1, static_cast<char>(w_value >> 8));
    return n_mask;
}

} // namespace

// Lead bytes: 0x81 to 0x9F and 0xE0 to 0xEF.
const bool lead_byte[256] = {
#define IS_LEAD(b) ((b) >= 0x81 && (b) <= 0x9F) || ((b) >= 0xE0 && (b) <= 0xEF)
#define R4(b) IS_LEAD(b), IS_LEAD(b + 1), IS_LEAD(b + 2), IS_LEAD(b + 3)
#define R16(b) R4(b), R4(b + 4), R4(b + 8), R4(b + 12)
#define R64(b) R16(b), R16(b + 16), R16(b + 32), R16(b + 48)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R16
#undef R4
#undef IS_LEAD
};

std::uint64_t n_SkipChars(const char *pc_pos, const char *pc_end, unsigned n_count) {
    if (!pc_pos) return n_count;
    std::uint64_t n_stepped = 0;
    const char *pc = pc_StepChars(pc_pos, pc_end, n_count, &n_stepped);
    std::uint64_t n_left = n_count - n_stepped;
    if (n_left && pc < pc_end) { // a lead byte on the last byte: its character ends behind
        pc += 2;
        --n_left;
    }
    return static_cast<std::uint64_t>(pc - pc_pos) + n_left;
}

const char *pc_StepChars(const char *pc, const char *pc_to, std::uint64_t n_max,
                         std::uint64_t *pn_stepped) {
    std::uint64_t n_stepped = 0;
    // Blocks of 64 bytes while 64 characters or more are left to step over,
    // so that none ends inside one, and while the byte behind the block lies
    // inside the range: a block may end on a lead byte.
    // A block has at least 32 characters, so each run of blocks takes at
    // least half of those left, and few runs reach the last blocks.
    bool b_second = false;
    while (pc_to - pc > 64) {
        const std::uint64_t n_blocks = std::min<std::uint64_t>(
            static_cast<std::uint64_t>(pc_to - pc - 1) / 64, (n_max - n_stepped) / 64);
        if (n_blocks == 0) break;
        n_stepped += ct_scan::n_CountChars(pc, static_cast<std::size_t>(n_blocks), &b_second);
        pc += 64 * n_blocks;
    }
    if (b_second) ++pc;
    // The rest, a character at a time.
    while (n_stepped < n_max && pc < pc_to) {
        if (n_max - n_stepped >= 8 && pc_to - pc >= 8 && b_EightSingleBytes(pc)) {
            pc += 8;
            n_stepped += 8;
            continue;
        }
        const unsigned n_width = n_GetCharSize(pc);
        if (pc_to - pc < static_cast<std::ptrdiff_t>(n_width)) break;
        pc += n_width;
        ++n_stepped;
    }
    *pn_stepped = n_stepped;
    return pc;
}

const char *pc_CharStartAtOrAfter(const char *pc_start, const char *pc_at) {
    return b_EndsInLead(pc_start, pc_at) ? pc_at + 1 : pc_at;
}

unsigned short w_GetCharAt(const char *pc_pos, const char *pc_end, std::uint64_t n_offset) {
    if (!pc_pos || n_offset >= static_cast<std::uint64_t>(pc_end - pc_pos)) return 0;
    const char *pc = pc_pos + n_offset;
    const unsigned char c_second = pc + 1 < pc_end ? static_cast<unsigned char>(pc[1]) : 0;
    return w_CharValue(static_cast<unsigned char>(pc[0]), c_second);
}

std::size_t n_TextSize(const char *pc_pos, const char *pc_end) {
    if (!pc_pos) return 0;
    if (!pc_end) {
        // A caller's text: its first zero byte ends it, taken as the second
        // byte of a character when a lead byte starts one just before it.
        const std::size_t n_size = ct_scan::n_ZeroTerminatedSize(pc_pos);
        return n_size + (b_EndsInLead(pc_pos, pc_pos + n_size) ? 1 : 0);
    }
    if (pc_pos >= pc_end) return 0;
    const char *pc_from = pc_pos;
    for (;;) {
        const char *pc_zero = pc_FindZero(pc_from, pc_end);
        if (!pc_zero) // no terminator: the text ends with the buffer, less a cut character
            return static_cast<std::size_t>(pc_end - pc_pos) -
                   (b_EndsInLead(pc_pos, pc_end) ? 1 : 0);
        if (!b_EndsInLead(pc_pos, pc_zero)) return static_cast<std::size_t>(pc_zero - pc_pos);
        pc_from = pc_zero + 1; // that zero was the second byte of a character
    }
}

unsigned n_TextLength(const char *pc_pos, const char *pc_end) {
    // The characters of the text that n_TextSize measures; in a caller's
    // text a lead byte may take the terminator, which lies inside that size.
    if (!pc_pos) return 0;
    std::uint64_t n_counted = 0;
    pc_StepChars(pc_pos, pc_pos + n_TextSize(pc_pos, pc_end), UINT64_MAX, &n_counted);
    return static_cast<unsigned>(n_counted);
}

unsigned n_NextChar(const char *pc, const char *pc_end, unsigned short *w) {
    if (!pc || pc >= pc_end || !*pc) return 0;
    const unsigned n_width = n_GetCharSize(pc);
    if (pc + n_width > pc_end) return 0;
    *w = w_CharValue(static_cast<unsigned char>(pc[0]),
                     static_cast<unsigned char>(n_width == 2 ? pc[1] : 0));
    return n_width;
}

int b_AtTextEnd(const char *pc_pos, const char *pc_end) {
    unsigned short w_value;
    return n_NextChar(pc_pos, pc_end, &w_value) == 0;
}

int b_SameText(const char *pc_a, const char *pc_a_end, const char *pc_b, const char *pc_b_end) {
    // Texts that start on character boundaries have the same characters
    // exactly when they have the same bytes: the bytes decide the parse.
    const std::size_t n_size = n_TextSize(pc_a, pc_a_end);
    if (!pc_b) return n_size == 0; // a string whose buffer was given back
    const std::size_t n_b_avail = pc_b < pc_b_end ? static_cast<std::size_t>(pc_b_end - pc_b) : 0;
    if (n_b_avail <= n_size)
        return n_size == n_TextSize(pc_b, pc_b_end) && ct_scan::b_SameBytes(pc_a, pc_b, n_size);
    // The other text holds those bytes and then ends: behind them, where a
    // character of theirs starts, a zero, or a lead byte that the end cuts.
    return ct_scan::b_SameBytes(pc_a, pc_b, n_size) &&
           (pc_b[n_size] == 0 || (n_size + 1 == n_b_avail && b_IsLeadByte(pc_b[n_size])));
}

namespace {

// The bytes from pc up to and including the zero character that ends the
// text starting there; up to pc_end when no terminator lies before it.
std::size_t n_ThroughTerminator(const char *pc, const char *pc_end) {
    if (pc >= pc_end) return 0;
    const std::size_t n_size = n_TextSize(pc, pc_end);
    return pc + n_size < pc_end ? n_size + 1 : static_cast<std::size_t>(pc_end - pc);
}

} // namespace

std::uint64_t n_RoomToWrite(const char *pc_pos, const char *pc_end, std::uint64_t n_offset,
                            unsigned short w_value) {
    if (!b_IsLeadByte(static_cast<char>(w_value & 0xFF))) return n_offset + 1;
    const std::uint64_t n_avail = pc_pos ? static_cast<std::uint64_t>(pc_end - pc_pos) : 0;
    if (n_offset + 1 < n_avail && b_IsLeadByte(pc_pos[n_offset])) return n_offset + 2;
    // A one-byte character becomes two: the rest of the text moves one place
    // on, and its terminator must stay inside the room. Behind the buffer
    // every byte reads as zero.
    std::uint64_t n_terminator = n_offset + 1;
    if (n_terminator < n_avail) n_terminator += n_TextSize(pc_pos + n_terminator, pc_end);
    return n_terminator + 1;
}

void v_InsertByte(char *pc_char, const char *pc_end) {
    // The rest of the text, to its terminator, moves one place on; a zero
    // byte that is the second byte of a character does not stop it.
    const char *pc_terminator = pc_char + 1 + n_TextSize(pc_char + 1, pc_end);
    if (pc_terminator + 1 >= pc_end) return; // no room: callers make it first
    std::memmove(pc_char + 1, pc_char, static_cast<std::size_t>(pc_terminator - pc_char) + 1);
}

void v_WriteChar(char *pc_char, const char *pc_end, unsigned short w_value) {
    const char c_low = static_cast<char>(w_value & 0xFF);
    const bool b_two_bytes_now = pc_char + 1 < pc_end && b_IsLeadByte(*pc_char);
    if (!b_IsLeadByte(c_low)) {
        if (b_two_bytes_now) { // drop the old second byte: the rest moves back
            char *pc_behind = pc_char + 2;
            std::memmove(pc_char + 1, pc_behind, n_ThroughTerminator(pc_behind, pc_end));
        }
        pc_char[0] = c_low;
        return;
    }
    if (!b_two_bytes_now) v_InsertByte(pc_char, pc_end);
    pc_char[0] = c_low;
    pc_char[1] = static_cast<char>(w_value >> 8);
}

std::size_t n_CountValue(const char *pc_pos, std::size_t n_bytes, unsigned short w_value) {
    if (!b_IsSomeValue(w_value)) return 0;
    std::size_t n_found = 0;
    v_ForEachBlock(pc_pos, n_bytes, [&](const char *pc_block, std::size_t, std::uint64_t n_starts) {
        n_found += ct_scan::n_CountBits(n_ValueMask(pc_block, n_starts, w_value));
    });
    return n_found;
}

namespace {

// Writes a value's bytes at pc_out and returns how many: two when its low
// byte is a lead byte, else one.
unsigned n_PutValue(char *pc_out, unsigned short w_value) {
    pc_out[0] = static_cast<char>(w_value & 0xFF);
    if (!b_IsLeadByte(pc_out[0])) return 1;
    pc_out[1] = static_cast<char>(w_value >> 8);
    return 2;
}

unsigned short w_ValueAt(const char *pc, unsigned n_width) {
    return w_CharValue(static_cast<unsigned char>(pc[0]),
                       static_cast<unsigned char>(n_width == 2 ? pc[1] : 0));
}

} // namespace

void v_ReplaceSameWidth(char *pc_pos, std::size_t n_bytes, unsigned short w_old,
                        unsigned short w_new) {
    if (!b_IsSomeValue(w_old)) return;
    // Each block's characters are found before any of them is written, and
    // a write at its last byte reaches only the second byte of the next.
    v_ForEachBlock(pc_pos, n_bytes,
                   [&](const char *pc_block, std::size_t n_offset, std::uint64_t n_starts) {
                       for (std::uint64_t n_found = n_ValueMask(pc_block, n_starts, w_old); n_found;
                            n_found &= n_found - 1)
                           n_PutValue(pc_pos + n_offset + ct_scan::n_LowestBit(n_found), w_new);
                   });
}

void v_ReplaceNarrowing(char *pc_pos, const char *pc_end, std::size_t n_bytes, unsigned short w_old,
                        unsigned short w_new) {
    std::size_t n_out = 0;
    for (std::size_t n_in = 0; n_in < n_bytes;) {
        const unsigned n_width = n_GetCharSize(pc_pos + n_in);
        if (w_ValueAt(pc_pos + n_in, n_width) == w_old) {
            n_out += n_PutValue(pc_pos + n_out, w_new);
        } else {
            for (unsigned k = 0; k < n_width; ++k)
                pc_pos[n_out++] = pc_pos[n_in + k];
        }
        n_in += n_width;
    }
    // Zero what the text gave up, its old terminator included when the
    // buffer holds one there.
    const std::size_t n_through = pc_pos + n_bytes < pc_end ? n_bytes + 1 : n_bytes;
    std::memset(pc_pos + n_out, 0, n_through - n_out);
}

void v_ReplaceWidening(char *pc_pos, std::size_t n_bytes, std::size_t n_found, unsigned short w_old,
                       unsigned short w_new) {
    // Built aside, since the text grows under itself.
    char *pc_out = static_cast<char *>(::operator new(n_bytes + n_found));
    std::size_t n_out = 0;
    for (std::size_t n_in = 0; n_in < n_bytes;) {
        const unsigned n_width = n_GetCharSize(pc_pos + n_in);
        if (w_ValueAt(pc_pos + n_in, n_width) == w_old) {
            n_out += n_PutValue(pc_out + n_out, w_new);
        } else {
            std::memcpy(pc_out + n_out, pc_pos + n_in, n_width);
            n_out += n_width;
        }
        n_in += n_width;
    }
    std::memcpy(pc_pos, pc_out, n_out);
    pc_pos[n_out] = 0;
    ::operator delete(pc_out);
}

} // namespace ct_chars
