// The library's own scanning primitives: the end of a text, the next
// occurrence of a byte, the comparison of two runs of bytes, and the masks
// from which the double-byte character boundaries of 64 bytes follow.
//
// The hot paths use these rather than the C runtime's memchr, strlen and
// memcmp, whose speed depends on which runtime the process loads (some are
// one-byte loops). Where the compiler targets SSE2 they work on 16 bytes at
// a time, and on 32 with AVX2 where a 64-bit Linux processor has it;
// elsewhere on machine words. Every form is compiled, so the tests
// can hold each against a plain walk.
#ifndef CTCOMMON_STRING_SCAN_H
#define CTCOMMON_STRING_SCAN_H

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#define CTCOMMON_SCAN_SSE2 1
#endif
#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__)
#define CTCOMMON_SCAN_AVX2 1
#endif

namespace ct_scan {

namespace portable {
#include "string/scan_primitives.inc"
}
#if defined(CTCOMMON_SCAN_SSE2)
namespace sse2 {
#include "string/scan_primitives.inc"
}
namespace best = sse2;
#else
namespace best = portable;
#endif

#if defined(CTCOMMON_SCAN_AVX2)
// The byte scans and the character count again with AVX2 (scan_avx2.cpp),
// used where the processor has it.
namespace avx2 {
const char *pc_FindByte(const char *pc, const char *pc_end, char c);
std::size_t n_ZeroTerminatedSize(const char *pc);
bool b_SameBytes(const char *pc_a, const char *pc_b, std::size_t n);
std::uint64_t n_CountChars(const char *pc, std::size_t n_blocks, bool *pb_second);
} // namespace avx2
bool b_ProcessorHasAvx2();
inline bool b_UseAvx2() {
    static const bool b_has = b_ProcessorHasAvx2();
    return b_has;
}
#else
inline bool b_UseAvx2() { return false; }
#endif

inline const char *pc_FindByte(const char *pc, const char *pc_end, char c) {
#if defined(CTCOMMON_SCAN_AVX2)
    if (b_UseAvx2()) return avx2::pc_FindByte(pc, pc_end, c);
#endif
    return best::pc_FindByte(pc, pc_end, c);
}
inline std::size_t n_ZeroTerminatedSize(const char *pc) {
#if defined(CTCOMMON_SCAN_AVX2)
    if (b_UseAvx2()) return avx2::n_ZeroTerminatedSize(pc);
#endif
    return best::n_ZeroTerminatedSize(pc);
}
inline bool b_SameBytes(const char *pc_a, const char *pc_b, std::size_t n) {
#if defined(CTCOMMON_SCAN_AVX2)
    if (b_UseAvx2()) return avx2::b_SameBytes(pc_a, pc_b, n);
#endif
    return best::b_SameBytes(pc_a, pc_b, n);
}
inline std::uint64_t n_CountChars(const char *pc, std::size_t n_blocks, bool *pb_second) {
#if defined(CTCOMMON_SCAN_AVX2)
    if (b_UseAvx2()) return avx2::n_CountChars(pc, n_blocks, pb_second);
#endif
    return best::n_CountChars(pc, n_blocks, pb_second);
}
inline std::uint64_t n_LeadMask(const char *pc) { return best::n_LeadMask(pc); }
inline std::uint64_t n_ByteMask(const char *pc, char c) { return best::n_ByteMask(pc, c); }

// The bytes of a block of 64 that start characters, from its lead mask;
// *pb_second says on entry whether the block's first byte is the second
// byte of a character begun before it, and on return the same of the next
// block.
//
// No step per byte: a run of lead-range bytes begins on a character
// boundary (any other byte ends a character), so its real lead bytes are
// those at even distances from its start. Adding each run's start bit to
// the mask clears exactly the runs that start at even positions; those take
// the even bits, the others the odd ones. A real lead's next byte is a
// second byte, and every other byte starts a character.
inline std::uint64_t n_CharStarts(std::uint64_t n_leads, bool *pb_second) {
    const std::uint64_t n_even = 0x5555555555555555ull;
    const std::uint64_t n_leads_free = n_leads & ~static_cast<std::uint64_t>(*pb_second);
    const std::uint64_t n_run_starts = n_leads_free & ~(n_leads_free << 1);
    const std::uint64_t n_even_runs = n_leads_free & ~(n_leads_free + (n_run_starts & n_even));
    const std::uint64_t n_real_leads =
        (n_even_runs & n_even) | (n_leads_free & ~n_even_runs & ~n_even);
    const std::uint64_t n_seconds = (n_real_leads << 1) | static_cast<std::uint64_t>(*pb_second);
    *pb_second = (n_real_leads >> 63) != 0;
    return ~n_seconds;
}

// The set bits of a mask, counted in parallel: pairs, then nibbles, then
// bytes summed by a multiply. Without the POPCNT instruction the compiler's
// builtin is a call into its runtime, once per block. The 32-bit form is
// for processors without a 64-bit multiply; both are always built, so the
// tests check both.
inline unsigned n_CountBitsInWords(std::uint64_t n_bits) {
    n_bits -= (n_bits >> 1) & 0x5555555555555555ull;
    n_bits = (n_bits & 0x3333333333333333ull) + ((n_bits >> 2) & 0x3333333333333333ull);
    n_bits = (n_bits + (n_bits >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<unsigned>((n_bits * 0x0101010101010101ull) >> 56);
}

inline unsigned n_CountBitsInHalves(std::uint64_t n_bits) {
    std::uint32_t n_low = static_cast<std::uint32_t>(n_bits);
    std::uint32_t n_high = static_cast<std::uint32_t>(n_bits >> 32);
    n_low -= (n_low >> 1) & 0x55555555u;
    n_high -= (n_high >> 1) & 0x55555555u;
    n_low = (n_low & 0x33333333u) + ((n_low >> 2) & 0x33333333u);
    n_high = (n_high & 0x33333333u) + ((n_high >> 2) & 0x33333333u);
    const std::uint32_t n_bytes =
        ((n_low + (n_low >> 4)) & 0x0F0F0F0Fu) + ((n_high + (n_high >> 4)) & 0x0F0F0F0Fu);
    return (n_bytes * 0x01010101u) >> 24;
}

inline unsigned n_CountBits(std::uint64_t n_bits) {
#if defined(__POPCNT__)
    return static_cast<unsigned>(__builtin_popcountll(n_bits));
#elif UINTPTR_MAX > 0xFFFFFFFFu
    return n_CountBitsInWords(n_bits);
#else
    return n_CountBitsInHalves(n_bits);
#endif
}

inline unsigned n_LowestBit(std::uint64_t n_bits) {
    return static_cast<unsigned>(__builtin_ctzll(n_bits));
}

} // namespace ct_scan

#endif
