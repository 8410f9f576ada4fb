// The string scanning primitives against plain walks, in both forms: every
// length up to 200 bytes at every alignment from 0 to 15, so that texts end
// before, at and after each vector width, with the byte looked for at each
// place; then seeded random double-byte texts for the character masks.
#include "support/scan_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

TEST(StringScan, EveryLengthAndAlignmentAgreesWithAPlainWalk) {
    for (std::size_t n = 0; n <= 200; ++n) {
        // The byte looked for appears once, at a place that moves with the length.
        std::string s_text(n, 'a');
        if (n) s_text[(n * 7) % n] = 'x';
        for (std::size_t n_align = 0; n_align < 16; ++n_align) {
            const std::string s_differs = scan_checks::Check(s_text.data(), n, n_align, 'x', n * 3);
            ASSERT_EQ("", s_differs);
        }
    }
}

TEST(StringScan, TheByteLookedForAtEveryPlace) {
    for (std::size_t n : {15u, 16u, 17u, 63u, 64u, 65u, 130u}) {
        for (std::size_t n_at = 0; n_at < n; ++n_at) {
            std::string s_text(n, '\xE0');
            s_text[n_at] = '\0';
            ASSERT_EQ("", scan_checks::Check(s_text.data(), n, n_at % 16, '\0', n_at));
        }
    }
}

TEST(StringScan, RandomDoubleByteTextsGiveTheCharacterStartsOfAWalk) {
    const unsigned n_seed = std::random_device{}();
    std::printf("seed %u\n", n_seed);
    SCOPED_TRACE("seed " + std::to_string(n_seed));
    std::mt19937 o_random(n_seed);
    // Bytes drawn mostly from the lead ranges, so that long runs of them
    // cross block boundaries, with zeros and plain bytes between.
    const char ac_bytes[] = {'\x81', '\x9F', '\xE0', '\xEF', '\x80',
                             '\xA0', '\xF0', 'a',    '\0',   '%'};
    for (int i_text = 0; i_text < 300; ++i_text) {
        const std::size_t n = o_random() % 400;
        const unsigned n_lead_share = o_random() % 100;
        std::string s_text(n, ' ');
        for (char &c : s_text)
            c = o_random() % 100 < n_lead_share ? ac_bytes[o_random() % 4]
                                                : ac_bytes[4 + o_random() % 6];
        ASSERT_EQ("", scan_checks::Check(s_text.data(), n, o_random() % 16,
                                         ac_bytes[o_random() % 10], o_random()));
    }
}

} // namespace
