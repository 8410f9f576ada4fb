// The string scanning primitives held against plain walks over the bytes,
// for each of their forms: the word-at-a-time one, the SSE2 one where the
// compiler targets it, and the AVX2 one where the processor has it. Used by
// the unit test and the fuzz harness.
//
// Each text is placed at a chosen distance from the start of an allocation
// (new[] aligns it to 16 bytes here) that ends exactly with the text, so
// that AddressSanitizer reports any read behind it.
#ifndef CTCOMMON_TESTS_SCAN_CHECKS_H
#define CTCOMMON_TESTS_SCAN_CHECKS_H

#include "string/scan.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace scan_checks {

inline bool IsLead(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}

// The byte-by-byte answers.
inline const char *Find(const char *pc, const char *pc_end, char c) {
    for (; pc < pc_end; ++pc)
        if (*pc == c) return pc;
    return nullptr;
}

inline std::uint64_t Mask(const char *pc, bool (*pb_take)(char, char), char c) {
    std::uint64_t n_mask = 0;
    for (unsigned i = 0; i < 64; ++i)
        if (pb_take(pc[i], c)) n_mask |= std::uint64_t(1) << i;
    return n_mask;
}

// Which bytes of a text start characters, walking from its first byte.
inline std::vector<bool> Starts(const char *pc, std::size_t n) {
    std::vector<bool> ab_starts(n, false);
    for (std::size_t i = 0; i < n; i += IsLead(pc[i]) ? 2 : 1)
        ab_starts[i] = true;
    return ab_starts;
}

// One form's primitives.
struct Form {
    const char *pc_name;
    const char *(*pc_FindByte)(const char *, const char *, char);
    std::size_t (*n_ZeroTerminatedSize)(const char *);
    bool (*b_SameBytes)(const char *, const char *, std::size_t);
    std::uint64_t (*n_LeadMask)(const char *);
    std::uint64_t (*n_ByteMask)(const char *, char);
    std::uint64_t (*n_CountChars)(const char *, std::size_t, bool *);
};

inline std::vector<Form> Forms() {
    std::vector<Form> ao_forms;
    ao_forms.push_back(Form{"portable", ct_scan::portable::pc_FindByte,
                            ct_scan::portable::n_ZeroTerminatedSize, ct_scan::portable::b_SameBytes,
                            ct_scan::portable::n_LeadMask, ct_scan::portable::n_ByteMask,
                            ct_scan::portable::n_CountChars});
#if defined(CTCOMMON_SCAN_SSE2)
    ao_forms.push_back(Form{"sse2", ct_scan::sse2::pc_FindByte, ct_scan::sse2::n_ZeroTerminatedSize,
                            ct_scan::sse2::b_SameBytes, ct_scan::sse2::n_LeadMask,
                            ct_scan::sse2::n_ByteMask, ct_scan::sse2::n_CountChars});
#endif
#if defined(CTCOMMON_SCAN_AVX2)
    // The byte scans of AVX2 with the masks of SSE2, where the processor has it.
    if (ct_scan::b_ProcessorHasAvx2())
        ao_forms.push_back(Form{"avx2", ct_scan::avx2::pc_FindByte,
                                ct_scan::avx2::n_ZeroTerminatedSize, ct_scan::avx2::b_SameBytes,
                                ct_scan::sse2::n_LeadMask, ct_scan::sse2::n_ByteMask,
                                ct_scan::avx2::n_CountChars});
#endif
    return ao_forms;
}

// Every check on a text of n bytes at the given alignment, with c as the
// byte looked for; "" when all agree, else what differs first.
inline std::string Check(const char *pc_text, std::size_t n, std::size_t n_align, char c,
                         std::size_t n_flip) {
    // The text alone, ending its allocation; then with a terminator.
    std::unique_ptr<char[]> ac_exact(new char[n_align + n]);
    char *pc = ac_exact.get() + n_align;
    if (n) std::memcpy(pc, pc_text, n);
    const char *pc_end = pc + n;
    std::unique_ptr<char[]> ac_zeroed(new char[n_align + n + 1]);
    char *pc_z = ac_zeroed.get() + n_align;
    if (n) std::memcpy(pc_z, pc_text, n);
    pc_z[n] = 0;
    // The same bytes elsewhere, at another alignment.
    std::unique_ptr<char[]> ac_other(new char[n + 8]);
    char *pc_other = ac_other.get() + (n_align + 5) % 8;
    if (n) std::memcpy(pc_other, pc_text, n);

    const std::string s_where =
        " (length " + std::to_string(n) + ", alignment " + std::to_string(n_align) + ")";
    const std::vector<bool> ab_starts = Starts(pc, n);
    for (const Form &o : Forms()) {
        const std::string s_form = std::string(o.pc_name) + ": ";
        const std::size_t an_from[] = {0, 1, 15, 16, 17, 63, 64, 65};
        for (std::size_t n_from : an_from) {
            if (n_from > n) break;
            for (char c_wanted : {c, '\0', '\x81'})
                if (o.pc_FindByte(pc + n_from, pc_end, c_wanted) !=
                    Find(pc + n_from, pc_end, c_wanted))
                    return s_form + "pc_FindByte from " + std::to_string(n_from) + s_where;
        }
        if (o.n_ZeroTerminatedSize(pc_z) != std::strlen(pc_z))
            return s_form + "n_ZeroTerminatedSize" + s_where;
        if (!o.b_SameBytes(pc, pc_other, n)) return s_form + "b_SameBytes of equal bytes" + s_where;
        if (n) {
            const std::size_t n_at = n_flip % n;
            pc_other[n_at] = static_cast<char>(pc_other[n_at] ^ 0x01);
            const bool b_same = o.b_SameBytes(pc, pc_other, n);
            pc_other[n_at] = static_cast<char>(pc_other[n_at] ^ 0x01);
            if (b_same) return s_form + "b_SameBytes missed byte " + std::to_string(n_at) + s_where;
            if (!o.b_SameBytes(pc, pc_other, n_at))
                return s_form + "b_SameBytes of the bytes before a difference" + s_where;
        }
        // The characters of the text's whole blocks, and whether the byte
        // behind them is a second byte.
        bool b_carry = false;
        const std::uint64_t n_counted = o.n_CountChars(pc, n / 64, &b_carry);
        std::uint64_t n_expected = 0;
        const std::size_t n_behind = n / 64 * 64;
        for (std::size_t i = 0; i < n_behind; ++i)
            n_expected += ab_starts[i];
        const bool b_lead_last =
            n_behind > 0 && ab_starts[n_behind - 1] && IsLead(pc[n_behind - 1]);
        if (n_counted != n_expected || b_carry != b_lead_last)
            return s_form + "n_CountChars" + s_where;
        // The masks of every block of 64 inside the text, and the character
        // starts that chained blocks give from the text's first byte.
        bool b_second = false;
        for (std::size_t n_at = 0; n_at + 64 <= n; ++n_at) {
            if (o.n_LeadMask(pc + n_at) !=
                Mask(
                    pc + n_at, [](char b, char) { return IsLead(b); }, 0))
                return s_form + "n_LeadMask at " + std::to_string(n_at) + s_where;
            if (o.n_ByteMask(pc + n_at, c) !=
                Mask(
                    pc + n_at, [](char b, char c_want) { return b == c_want; }, c))
                return s_form + "n_ByteMask at " + std::to_string(n_at) + s_where;
            if (n_at % 64) continue;
            const std::uint64_t n_starts =
                ct_scan::n_CharStarts(o.n_LeadMask(pc + n_at), &b_second);
            unsigned n_counted = 0;
            for (unsigned i = 0; i < 64; ++i) {
                if (((n_starts >> i) & 1) != ab_starts[n_at + i])
                    return s_form + "n_CharStarts at byte " + std::to_string(n_at + i) + s_where;
                n_counted += ab_starts[n_at + i];
            }
            if (ct_scan::n_CountBitsInWords(n_starts) != n_counted ||
                ct_scan::n_CountBitsInHalves(n_starts) != n_counted)
                return s_form + "n_CountBits at " + std::to_string(n_at) + s_where;
        }
    }
    return std::string();
}

} // namespace scan_checks

#endif
