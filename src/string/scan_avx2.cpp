// The byte scans and the character count with AVX2, for 64-bit Linux
// processors that have it (asked once, at the first scan): 32 bytes
// compared at once, 128 a loop. Runs shorter than a vector or two take
// 16-byte steps.
//
// Not on Windows: there the stack is aligned to 16 bytes only, and the
// compiler may spill a 32-byte register to it with an aligned store.
#include "string/scan.h"

#if defined(CTCOMMON_SCAN_AVX2)

#include <immintrin.h>

namespace ct_scan {

bool b_ProcessorHasAvx2() {
    __builtin_cpu_init(); // it may run before the compiler's own initialisation
    return __builtin_cpu_supports("avx2");
}

namespace avx2 {

namespace {

#define CT_AVX2 __attribute__((target("avx2")))

CT_AVX2 inline __m256i o_Load(const char *pc) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(pc));
}

// A plain read (__m256i may alias anything) so that a function that must
// not be instrumented is not.
CT_AVX2 __attribute__((no_sanitize("address"))) inline __m256i o_LoadAligned(const char *pc) {
    return *reinterpret_cast<const __m256i *>(pc);
}

CT_AVX2 inline std::uint32_t n_Mask(__m256i o_bytes) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(o_bytes));
}

// The first set bit of four 32-bit masks in a row.
inline unsigned n_FirstOfFour(std::uint32_t n_0, std::uint32_t n_1, std::uint32_t n_2,
                              std::uint32_t n_3) {
    const std::uint64_t n_low = n_0 | static_cast<std::uint64_t>(n_1) << 32;
    if (n_low) return n_LowestBit(n_low);
    return 64 + n_LowestBit(n_2 | static_cast<std::uint64_t>(n_3) << 32);
}

// Under 32 bytes: two 16-byte halves that may overlap, or single bytes.
// Short gaps are common (the next candidate of a search), so no call.
inline const char *pc_FindInShort(const char *pc, std::size_t n, char c) {
    if (n < 16) {
        for (std::size_t i = 0; i < n; ++i)
            if (pc[i] == c) return pc + i;
        return nullptr;
    }
    const __m128i o_c = _mm_set1_epi8(c);
    const unsigned n_first = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pc)), o_c)));
    if (n_first) return pc + n_LowestBit(n_first);
    const unsigned n_last = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(pc + n - 16)), o_c)));
    return n_last ? pc + n - 16 + n_LowestBit(n_last) : nullptr;
}

} // namespace

CT_AVX2 const char *pc_FindByte(const char *pc, const char *pc_end, char c) {
    if (!pc || pc >= pc_end) return nullptr;
    const std::size_t n = static_cast<std::size_t>(pc_end - pc);
    if (n < 32) return pc_FindInShort(pc, n, c);
    const __m256i o_c = _mm256_set1_epi8(c);
    std::size_t i = 0;
    for (; n - i >= 128; i += 128) {
        const __m256i o_0 = _mm256_cmpeq_epi8(o_Load(pc + i), o_c);
        const __m256i o_1 = _mm256_cmpeq_epi8(o_Load(pc + i + 32), o_c);
        const __m256i o_2 = _mm256_cmpeq_epi8(o_Load(pc + i + 64), o_c);
        const __m256i o_3 = _mm256_cmpeq_epi8(o_Load(pc + i + 96), o_c);
        if (n_Mask(_mm256_or_si256(_mm256_or_si256(o_0, o_1), _mm256_or_si256(o_2, o_3))))
            return pc + i + n_FirstOfFour(n_Mask(o_0), n_Mask(o_1), n_Mask(o_2), n_Mask(o_3));
    }
    for (; n - i >= 32; i += 32)
        if (const std::uint32_t n_mask = n_Mask(_mm256_cmpeq_epi8(o_Load(pc + i), o_c)))
            return pc + i + n_LowestBit(n_mask);
    if (i == n) return nullptr;
    // The last 32 bytes, less those already looked at.
    const std::uint32_t n_mask =
        n_Mask(_mm256_cmpeq_epi8(o_Load(pc_end - 32), o_c)) >> (32 - (n - i));
    return n_mask ? pc + i + n_LowestBit(n_mask) : nullptr;
}

CT_AVX2 __attribute__((no_sanitize("address"))) std::size_t n_ZeroTerminatedSize(const char *pc) {
    const __m256i o_zero = _mm256_setzero_si256();
    const std::uintptr_t n_skip = reinterpret_cast<std::uintptr_t>(pc) & 31;
    const char *pc_block = pc - n_skip;
    std::uint32_t n_mask = n_Mask(_mm256_cmpeq_epi8(o_LoadAligned(pc_block), o_zero)) >> n_skip;
    if (n_mask) return n_LowestBit(n_mask);
    // 32 bytes at a time up to a 128-byte boundary, then 128 at a time.
    for (pc_block += 32; reinterpret_cast<std::uintptr_t>(pc_block) & 127; pc_block += 32)
        if ((n_mask = n_Mask(_mm256_cmpeq_epi8(o_LoadAligned(pc_block), o_zero))))
            return static_cast<std::size_t>(pc_block - pc) + n_LowestBit(n_mask);
    for (;; pc_block += 128) {
        const __m256i o_0 = o_LoadAligned(pc_block);
        const __m256i o_1 = o_LoadAligned(pc_block + 32);
        const __m256i o_2 = o_LoadAligned(pc_block + 64);
        const __m256i o_3 = o_LoadAligned(pc_block + 96);
        const __m256i o_least =
            _mm256_min_epu8(_mm256_min_epu8(o_0, o_1), _mm256_min_epu8(o_2, o_3));
        if (n_Mask(_mm256_cmpeq_epi8(o_least, o_zero)))
            return static_cast<std::size_t>(pc_block - pc) +
                   n_FirstOfFour(n_Mask(_mm256_cmpeq_epi8(o_0, o_zero)),
                                 n_Mask(_mm256_cmpeq_epi8(o_1, o_zero)),
                                 n_Mask(_mm256_cmpeq_epi8(o_2, o_zero)),
                                 n_Mask(_mm256_cmpeq_epi8(o_3, o_zero)));
    }
}

CT_AVX2 bool b_SameBytes(const char *pc_a, const char *pc_b, std::size_t n) {
    if (n < 64) return sse2::b_SameBytes(pc_a, pc_b, n);
    std::size_t i = 0;
    for (; n - i >= 128; i += 128) {
        const __m256i o_0 = _mm256_cmpeq_epi8(o_Load(pc_a + i), o_Load(pc_b + i));
        const __m256i o_1 = _mm256_cmpeq_epi8(o_Load(pc_a + i + 32), o_Load(pc_b + i + 32));
        const __m256i o_2 = _mm256_cmpeq_epi8(o_Load(pc_a + i + 64), o_Load(pc_b + i + 64));
        const __m256i o_3 = _mm256_cmpeq_epi8(o_Load(pc_a + i + 96), o_Load(pc_b + i + 96));
        if (n_Mask(_mm256_and_si256(_mm256_and_si256(o_0, o_1), _mm256_and_si256(o_2, o_3))) !=
            0xFFFFFFFFu)
            return false;
    }
    for (; n - i >= 32; i += 32)
        if (n_Mask(_mm256_cmpeq_epi8(o_Load(pc_a + i), o_Load(pc_b + i))) != 0xFFFFFFFFu)
            return false;
    return i == n ||
           n_Mask(_mm256_cmpeq_epi8(o_Load(pc_a + n - 32), o_Load(pc_b + n - 32))) == 0xFFFFFFFFu;
}

// With POPCNT too, which every processor with AVX2 has.
__attribute__((target("avx2,popcnt"))) std::uint64_t
n_CountChars(const char *pc, std::size_t n_blocks, bool *pb_second) {
    const __m256i o_one = _mm256_set1_epi8(0x01), o_0x60 = _mm256_set1_epi8(0x60);
    const __m256i o_below_1f = _mm256_set1_epi8(static_cast<char>(-128 + 0x1F));
    const __m256i o_below_10 = _mm256_set1_epi8(static_cast<char>(-128 + 0x10));
    std::uint64_t n_chars = 0;
    for (; n_blocks; --n_blocks, pc += 64) {
        const __m256i o_low = o_Load(pc), o_high = o_Load(pc + 32);
        if (!*pb_second && !n_Mask(_mm256_or_si256(o_low, o_high))) { // ASCII
            n_chars += 64;
            continue;
        }
        // The lead ranges, each one signed comparison as in the SSE2 form.
        const __m256i o_low_leads =
            _mm256_or_si256(_mm256_cmpgt_epi8(o_below_1f, _mm256_sub_epi8(o_low, o_one)),
                            _mm256_cmpgt_epi8(o_below_10, _mm256_sub_epi8(o_low, o_0x60)));
        const __m256i o_high_leads =
            _mm256_or_si256(_mm256_cmpgt_epi8(o_below_1f, _mm256_sub_epi8(o_high, o_one)),
                            _mm256_cmpgt_epi8(o_below_10, _mm256_sub_epi8(o_high, o_0x60)));
        const std::uint64_t n_leads =
            n_Mask(o_low_leads) | static_cast<std::uint64_t>(n_Mask(o_high_leads)) << 32;
        n_chars +=
            static_cast<std::uint64_t>(__builtin_popcountll(n_CharStarts(n_leads, pb_second)));
    }
    return n_chars;
}

#undef CT_AVX2

} // namespace avx2
} // namespace ct_scan

#endif
