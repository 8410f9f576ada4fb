// The scanning primitives on machine words: eight bytes at a time where a
// word can be tested whole, a byte at a time to place what it holds.
#include "string/scan.h"

#include <cstring>

namespace ct_scan {
namespace portable {

namespace {

const std::uint64_t n_ones = 0x0101010101010101ull;
const std::uint64_t n_highs = 0x8080808080808080ull;

// A word read aligned in a text whose end is not known; the type may alias
// anything.
typedef std::uint64_t __attribute__((may_alias)) AliasedWord;

std::uint64_t n_LoadWord(const char *pc) {
    std::uint64_t n_word;
    std::memcpy(&n_word, pc, sizeof n_word);
    return n_word;
}

// True when some byte of the word is zero.
bool b_HasZeroByte(std::uint64_t n_word) { return ((n_word - n_ones) & ~n_word & n_highs) != 0; }

bool b_IsLead(char c_byte) {
    const unsigned char b = static_cast<unsigned char>(c_byte);
    return static_cast<unsigned char>(b - 0x81) < 0x1F ||
           static_cast<unsigned char>(b - 0xE0) < 0x10;
}

} // namespace

const char *pc_FindByte(const char *pc, const char *pc_end, char c) {
    if (!pc || pc >= pc_end) return nullptr;
    const std::uint64_t n_pattern = n_ones * static_cast<unsigned char>(c);
    while (pc_end - pc >= 8 && !b_HasZeroByte(n_LoadWord(pc) ^ n_pattern))
        pc += 8;
    for (; pc < pc_end; ++pc)
        if (*pc == c) return pc;
    return nullptr;
}

__attribute__((no_sanitize("address"))) std::size_t n_ZeroTerminatedSize(const char *pc) {
    const char *pc_at = pc;
    for (; reinterpret_cast<std::uintptr_t>(pc_at) % 8; ++pc_at)
        if (!*pc_at) return static_cast<std::size_t>(pc_at - pc);
    while (!b_HasZeroByte(*reinterpret_cast<const AliasedWord *>(pc_at)))
        pc_at += 8;
    while (*pc_at)
        ++pc_at;
    return static_cast<std::size_t>(pc_at - pc);
}

bool b_SameBytes(const char *pc_a, const char *pc_b, std::size_t n) {
    std::size_t i = 0;
    for (; n - i >= 8; i += 8)
        if (n_LoadWord(pc_a + i) != n_LoadWord(pc_b + i)) return false;
    for (; i < n; ++i)
        if (pc_a[i] != pc_b[i]) return false;
    return true;
}

std::uint64_t n_LeadMask(const char *pc) {
    std::uint64_t n_mask = 0;
    for (unsigned i = 0; i < 64; ++i)
        n_mask |= static_cast<std::uint64_t>(b_IsLead(pc[i])) << i;
    return n_mask;
}

std::uint64_t n_ByteMask(const char *pc, char c) {
    std::uint64_t n_mask = 0;
    for (unsigned i = 0; i < 64; ++i)
        n_mask |= static_cast<std::uint64_t>(pc[i] == c) << i;
    return n_mask;
}

std::uint64_t n_CountChars(const char *pc, std::size_t n_blocks, bool *pb_second) {
    std::uint64_t n_chars = 0;
    for (; n_blocks; --n_blocks, pc += 64) {
        bool b_single_bytes = !*pb_second;
        for (unsigned i = 0; b_single_bytes && i < 64; i += 8)
            b_single_bytes = (n_LoadWord(pc + i) & n_highs) == 0;
        n_chars += b_single_bytes ? 64 : n_CountBits(n_CharStarts(n_LeadMask(pc), pb_second));
    }
    return n_chars;
}

} // namespace portable
} // namespace ct_scan
