// The scanning primitives with SSE2: sixteen bytes compared at once, and
// the results of four such blocks gathered into a 64-bit mask.
#include "string/scan.h"

#if defined(CTCOMMON_SCAN_SSE2)

#include <emmintrin.h>

namespace ct_scan {
namespace sse2 {

namespace {

__m128i o_Load(const char *pc) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(pc)); }

// An aligned load written as a plain read (__m128i may alias anything), so
// that a function that must not be instrumented is not, where an inlined
// intrinsic would be.
__attribute__((no_sanitize("address"))) inline __m128i o_LoadAligned(const char *pc) {
    return *reinterpret_cast<const __m128i *>(pc);
}

unsigned n_Mask(__m128i o_bytes) { return static_cast<unsigned>(_mm_movemask_epi8(o_bytes)); }

std::uint64_t n_Gather(unsigned n_0, unsigned n_1, unsigned n_2, unsigned n_3) {
    return static_cast<std::uint64_t>(n_0) | static_cast<std::uint64_t>(n_1) << 16 |
           static_cast<std::uint64_t>(n_2) << 32 | static_cast<std::uint64_t>(n_3) << 48;
}

// 0xFF where a byte is in the lead ranges. Each range test is one signed
// comparison: subtracting moves the range to the bottom of the signed
// bytes, from -128 on.
__m128i o_Leads(__m128i o_bytes) {
    const __m128i o_first = _mm_cmplt_epi8(_mm_sub_epi8(o_bytes, _mm_set1_epi8(0x01)),
                                           _mm_set1_epi8(static_cast<char>(-128 + 0x1F)));
    const __m128i o_second = _mm_cmplt_epi8(_mm_sub_epi8(o_bytes, _mm_set1_epi8(0x60)),
                                            _mm_set1_epi8(static_cast<char>(-128 + 0x10)));
    return _mm_or_si128(o_first, o_second);
}

} // namespace

const char *pc_FindByte(const char *pc, const char *pc_end, char c) {
    if (!pc || pc >= pc_end) return nullptr;
    const std::size_t n = static_cast<std::size_t>(pc_end - pc);
    const __m128i o_c = _mm_set1_epi8(c);
    std::size_t i = 0;
    for (; n - i >= 64; i += 64) {
        const __m128i o_0 = _mm_cmpeq_epi8(o_Load(pc + i), o_c);
        const __m128i o_1 = _mm_cmpeq_epi8(o_Load(pc + i + 16), o_c);
        const __m128i o_2 = _mm_cmpeq_epi8(o_Load(pc + i + 32), o_c);
        const __m128i o_3 = _mm_cmpeq_epi8(o_Load(pc + i + 48), o_c);
        if (n_Mask(_mm_or_si128(_mm_or_si128(o_0, o_1), _mm_or_si128(o_2, o_3))))
            return pc + i +
                   n_LowestBit(n_Gather(n_Mask(o_0), n_Mask(o_1), n_Mask(o_2), n_Mask(o_3)));
    }
    for (; n - i >= 16; i += 16)
        if (const unsigned n_mask = n_Mask(_mm_cmpeq_epi8(o_Load(pc + i), o_c)))
            return pc + i + n_LowestBit(n_mask);
    if (i == n) return nullptr;
    if (n >= 16) { // the last 16 bytes, less those already looked at
        const unsigned n_mask = n_Mask(_mm_cmpeq_epi8(o_Load(pc_end - 16), o_c)) >> (16 - (n - i));
        return n_mask ? pc + i + n_LowestBit(n_mask) : nullptr;
    }
    for (; i < n; ++i)
        if (pc[i] == c) return pc + i;
    return nullptr;
}

__attribute__((no_sanitize("address"))) std::size_t n_ZeroTerminatedSize(const char *pc) {
    const __m128i o_zero = _mm_setzero_si128();
    const std::uintptr_t n_skip = reinterpret_cast<std::uintptr_t>(pc) & 15;
    const char *pc_block = pc - n_skip;
    unsigned n_mask = n_Mask(_mm_cmpeq_epi8(o_LoadAligned(pc_block), o_zero)) >> n_skip;
    if (n_mask) return n_LowestBit(n_mask);
    // Sixteen bytes at a time up to a 64-byte boundary, then 64 at a time.
    for (pc_block += 16; reinterpret_cast<std::uintptr_t>(pc_block) & 63; pc_block += 16)
        if ((n_mask = n_Mask(_mm_cmpeq_epi8(o_LoadAligned(pc_block), o_zero))))
            return static_cast<std::size_t>(pc_block - pc) + n_LowestBit(n_mask);
    for (;; pc_block += 64) {
        const __m128i o_0 = o_LoadAligned(pc_block);
        const __m128i o_1 = o_LoadAligned(pc_block + 16);
        const __m128i o_2 = o_LoadAligned(pc_block + 32);
        const __m128i o_3 = o_LoadAligned(pc_block + 48);
        const __m128i o_least = _mm_min_epu8(_mm_min_epu8(o_0, o_1), _mm_min_epu8(o_2, o_3));
        if (n_Mask(_mm_cmpeq_epi8(o_least, o_zero)))
            return static_cast<std::size_t>(pc_block - pc) +
                   n_LowestBit(n_Gather(
                       n_Mask(_mm_cmpeq_epi8(o_0, o_zero)), n_Mask(_mm_cmpeq_epi8(o_1, o_zero)),
                       n_Mask(_mm_cmpeq_epi8(o_2, o_zero)), n_Mask(_mm_cmpeq_epi8(o_3, o_zero))));
    }
}

bool b_SameBytes(const char *pc_a, const char *pc_b, std::size_t n) {
    std::size_t i = 0;
    for (; n - i >= 64; i += 64) {
        const __m128i o_0 = _mm_cmpeq_epi8(o_Load(pc_a + i), o_Load(pc_b + i));
        const __m128i o_1 = _mm_cmpeq_epi8(o_Load(pc_a + i + 16), o_Load(pc_b + i + 16));
        const __m128i o_2 = _mm_cmpeq_epi8(o_Load(pc_a + i + 32), o_Load(pc_b + i + 32));
        const __m128i o_3 = _mm_cmpeq_epi8(o_Load(pc_a + i + 48), o_Load(pc_b + i + 48));
        if (n_Mask(_mm_and_si128(_mm_and_si128(o_0, o_1), _mm_and_si128(o_2, o_3))) != 0xFFFF)
            return false;
    }
    for (; n - i >= 16; i += 16)
        if (n_Mask(_mm_cmpeq_epi8(o_Load(pc_a + i), o_Load(pc_b + i))) != 0xFFFF) return false;
    if (i == n) return true;
    if (n >= 16)
        return n_Mask(_mm_cmpeq_epi8(o_Load(pc_a + n - 16), o_Load(pc_b + n - 16))) == 0xFFFF;
    for (; i < n; ++i)
        if (pc_a[i] != pc_b[i]) return false;
    return true;
}

std::uint64_t n_LeadMask(const char *pc) {
    const __m128i o_0 = o_Load(pc), o_1 = o_Load(pc + 16);
    const __m128i o_2 = o_Load(pc + 32), o_3 = o_Load(pc + 48);
    // No byte of 0x80 or above, as in most of an ASCII text: no lead byte.
    if (!n_Mask(_mm_or_si128(_mm_or_si128(o_0, o_1), _mm_or_si128(o_2, o_3)))) return 0;
    return n_Gather(n_Mask(o_Leads(o_0)), n_Mask(o_Leads(o_1)), n_Mask(o_Leads(o_2)),
                    n_Mask(o_Leads(o_3)));
}

std::uint64_t n_ByteMask(const char *pc, char c) {
    const __m128i o_c = _mm_set1_epi8(c);
    return n_Gather(
        n_Mask(_mm_cmpeq_epi8(o_Load(pc), o_c)), n_Mask(_mm_cmpeq_epi8(o_Load(pc + 16), o_c)),
        n_Mask(_mm_cmpeq_epi8(o_Load(pc + 32), o_c)), n_Mask(_mm_cmpeq_epi8(o_Load(pc + 48), o_c)));
}

std::uint64_t n_CountChars(const char *pc, std::size_t n_blocks, bool *pb_second) {
    std::uint64_t n_chars = 0;
    for (; n_blocks; --n_blocks, pc += 64) {
        const std::uint64_t n_leads = n_LeadMask(pc); // 0 at once for ASCII
        n_chars += n_leads || *pb_second ? n_CountBits(n_CharStarts(n_leads, pb_second)) : 64;
    }
    return n_chars;
}

} // namespace sse2
} // namespace ct_scan

#endif
