// CT_String characters: the lead-byte rule, 16-bit values, indices that run
// behind the text, character writes and replacement, and writes that would
// leave the buffer.
#include "support/string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The bytes of the string from its current text up to and including the
// first zero byte at or after n_at_least bytes.
std::string Bytes(const CT_String &co, std::size_t n_at_least = 0) {
    const char *pc = co;
    std::size_t n = n_at_least;
    while (pc[n])
        ++n;
    return std::string(pc, n + 1);
}

// A string holding exactly these bytes (zeros included) at its start.
CT_String Holding(const std::string &s_bytes) {
    return CT_String(s_bytes.data(), static_cast<unsigned>(s_bytes.size()));
}

TEST(StringCharacters, ValuesFollowTheLeadByteTable) {
    const struct {
        unsigned char c_byte;
        bool b_lead;
    } edges[] = {{0x7F, false}, {0x80, false}, {0x81, true},  {0x9F, true},
                 {0xA0, false}, {0xDF, false}, {0xE0, true},  {0xEF, true},
                 {0xF0, false}, {0xFF, false}, {0x41, false}, {0x01, false}};
    for (const auto &e : edges) {
        const std::string s_bytes{static_cast<char>(e.c_byte), '\x41', '\0'};
        CT_String co = Holding(s_bytes);
        const unsigned short w_expected =
            e.b_lead ? static_cast<unsigned short>(e.c_byte | 0x4100)
                     : static_cast<unsigned short>(static_cast<signed char>(e.c_byte));
        EXPECT_EQ(w_expected, co[0u]) << std::hex << int(e.c_byte);
        EXPECT_EQ(e.b_lead ? 1u : 2u, co.n_GetLength()) << std::hex << int(e.c_byte);
    }
}

TEST(StringCharacters, IndicesCountCharactersAndGoOnBehindTheText) {
    CT_String co = Holding(std::string("a\x82\xA0z\0qr", 7));
    EXPECT_EQ(3u, co.n_GetLength());
    EXPECT_EQ(4u, co.n_GetStringSize());
    const unsigned short expected[] = {0x0061, 0xA082, 0x007A, 0, 0x0071, 0x0072, 0, 0};
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], co[i]) << i;
}

TEST(StringCharacters, IndicesPastTheBufferReadZero) {
    CT_String co("abc"); // capacity 256
    EXPECT_EQ(0, co[256u]);
    EXPECT_EQ(0, co[257u]);
    EXPECT_EQ(0, co[4000000000u]);
}

TEST(StringCharacters, SetCharKeepsTheNumberOfCharacters) {
    const struct {
        const char *name;
        std::string s_before;
        unsigned n_index;
        unsigned short w_value;
        std::string s_after; // up to and including the terminator
    } cases[] = {
        {"OneByteBecomesTwo", "abz", 1, 0x4081, std::string("a\x81\x40z\0", 5)},
        {"TwoBytesBecomeOne", "a\x81\x40z", 1, 0x0078, std::string("axz\0", 4)},
        {"TwoBytesStayTwo", "a\x81\x40z", 1, 0xA082, std::string("a\x82\xA0z\0", 5)},
        {"HighBitsOfASingleByteIgnored", "abc", 2, 0xFFA9, std::string("ab\xA9\0", 4)},
        {"SingleByteWithoutSign", "abc", 2, 0x00A9, std::string("ab\xA9\0", 4)},
        {"Dot", "abc", 0, 0x002E, std::string(".bc\0", 4)},
        {"LeadWithZeroHighByte", "abc", 1, 0x0081, std::string("a\x81\0c\0", 5)},
        {"LastCharacter", "abc", 2, 0x4081, std::string("ab\x81\x40\0", 5)},
        {"OverTheTerminator", "ab", 2, 0x0063, std::string("abc\0", 4)},
    };
    for (const auto &c : cases) {
        CT_String co(c.s_before.c_str());
        const unsigned n_length = co.n_GetLength();
        co.v_SetChar(c.n_index, c.w_value);
        EXPECT_EQ(c.s_after, Bytes(co, c.s_after.size() - 1)) << c.name;
        if (c.n_index < n_length) {
            EXPECT_EQ(n_length, co.n_GetLength()) << c.name;
        }
    }
}

TEST(StringCharacters, ALeadByteWithAZeroHighByteReadsBackAsOneCharacter) {
    CT_String co("abc");
    co.v_SetChar(1, 0x0081);
    EXPECT_EQ(0x0081, co[1u]);
    EXPECT_EQ(0x0063, co[2u]);
    EXPECT_EQ(3u, co.n_GetLength());
}

TEST(StringCharacters, ReplaceCharMatchesWholeValues) {
    const struct {
        const char *name;
        std::string s_before;
        unsigned short w_old, w_new;
        std::string s_after; // the bytes up to the terminator of the result
    } cases[] = {
        {"SignExtendedByteNotFoundAsPlain", "x\xA9y", 0x00A9, 0x002D, "x\xA9y"},
        {"SignExtendedByteFound", "x\xA9y", 0xFFA9, 0x002D, "x-y"},
        {"NotInsideATwoByteCharacter", "\x82ZZ", 0x005A, 0x0059, "\x82ZY"},
        {"EveryOccurrence", "abab", 0x0062, 0x0079, "ayay"},
        {"LengthensEach", "bbb", 0x0062, 0x4081, "\x81\x40\x81\x40\x81\x40"},
        {"ShortensEach", "\x82\xA0x\x82\xA0", 0xA082, 0x0079, "yxy"},
        {"ZeroIsNeverAnOccurrence", "abc", 0x0000, 0x0078, "abc"},
        {"SameValue", "abc", 0x0062, 0x0062, "abc"},
    };
    for (const auto &c : cases) {
        CT_String co(c.s_before.c_str());
        co.v_ReplaceChar(c.w_old, c.w_new);
        EXPECT_EQ(c.s_after, Text(co)) << c.name;
    }
}

TEST(StringCharacters, ALeadByteWithAZeroSecondByteInsideTheTextStopsNoMove) {
    // 'b', 'c', 0x81 with a zero second byte, 'd': four characters.
    const std::string s_text("bc\x81\0d", 5);
    CT_String co_set = Holding(s_text);
    co_set.v_SetChar(0, 0x4081);
    EXPECT_EQ(std::string("\x81\x40"
                          "c\x81\0d\0",
                          7),
              Bytes(co_set, 6));
    EXPECT_EQ(4u, co_set.n_GetLength());

    CT_String co_replaced = Holding(s_text);
    co_replaced.v_ReplaceChar(0x0062, 0x4081);
    EXPECT_EQ(Bytes(co_set, 6), Bytes(co_replaced, 6));

    CT_String co_narrowed = Holding(std::string("\x82\xA0\x81\0d", 5));
    co_narrowed.v_ReplaceChar(0xA082, 0x0079);
    EXPECT_EQ(std::string("y\x81\0d\0", 5), Bytes(co_narrowed, 4));
    EXPECT_EQ(0x0064, co_narrowed[2u]);
}

TEST(StringCharacters, ReplacingInATextThatEndsOnTheReservedByteStaysInside) {
    // The room ends in 'y' and a lead byte whose second byte is the reserved
    // terminator byte: 512 characters in 513 bytes.
    CT_String co_narrowed;
    char *pc = co_narrowed;
    std::memset(pc, 'x', 510);
    pc[510] = 'y';
    pc[511] = '\x81';
    CT_String co_widened(co_narrowed);

    co_narrowed.v_ReplaceChar(0x0081, 0x007A);
    EXPECT_EQ(std::string(510, 'x') + "yz", Text(co_narrowed));
    EXPECT_EQ(512u, co_narrowed.n_GetSize());

    co_widened.v_ReplaceChar(0x0079, 0x4082);
    EXPECT_EQ(512u, co_widened.n_GetLength());
    EXPECT_EQ(514u, co_widened.n_GetStringSize());
    EXPECT_EQ(0x4082, co_widened[510u]);
    EXPECT_EQ(0x0081, co_widened[511u]);

    // Rewriting that last character in place: its new second byte needs the
    // buffer to grow, as v_SetChar grows it, and the reserved byte stays zero.
    CT_String co_same;
    pc = co_same;
    std::memset(pc, 'x', 511);
    pc[511] = '\x81';
    co_same.v_ReplaceChar(0x0081, 0x4082);
    EXPECT_EQ(std::string(511, 'x') + "\x82\x40", Text(co_same));
    EXPECT_EQ(512u + 1 + 512, co_same.n_GetSize());
}

TEST(StringCharacters, ReplacingDotsByZeroCutsAtTheFirstAndZeroesTheOthers) {
    CT_String co("a.b.c");
    co.v_ReplaceChar(0x002E, 0);
    EXPECT_EQ(std::string("a\0b\0c\0", 6), Bytes(co, 5));
    EXPECT_EQ(1u, co.n_GetLength());
}

TEST(StringCharacters, AWriteOverTheTerminatorJoinsWhatFollows) {
    CT_String co("file.txt");
    co.v_ReplaceChar(0x002E, 0);
    EXPECT_EQ("file", Text(co));
    co.v_SetChar(4, 0x002E);
    EXPECT_EQ("file.txt", Text(co));
}

TEST(StringCharacters, LengtheningATextThatFillsItsRoomGrowsTheBuffer) {
    CT_String co;
    std::memset(static_cast<char *>(co), 'x', co.n_GetSize()); // 512 bytes, no room left
    co.v_SetChar(0, 0x4081);
    EXPECT_EQ(512u, co.n_GetLength());
    EXPECT_EQ(513u, co.n_GetStringSize());
    EXPECT_GE(co.n_GetSize(), 514u);
    EXPECT_EQ(std::string("\x81\x40") + std::string(511, 'x'), Text(co));

    CT_String co_replaced;
    std::memset(static_cast<char *>(co_replaced), 'b', co_replaced.n_GetSize());
    co_replaced.v_ReplaceChar(0x0062, 0x4081);
    EXPECT_EQ(512u, co_replaced.n_GetLength());
    std::string s_expected;
    for (int i = 0; i < 512; ++i)
        s_expected += "\x81\x40";
    EXPECT_EQ(s_expected, Text(co_replaced));
}

TEST(StringCharacters, AWriteOnTheReservedTerminatorGrowsTheBuffer) {
    CT_String co;
    std::memset(static_cast<char *>(co), 'x', co.n_GetSize());
    co.v_SetChar(512, 0x0079); // the terminator of a text that fills the room
    EXPECT_EQ(std::string(512, 'x') + "y", Text(co));
    EXPECT_GE(co.n_GetSize(), 514u);
}

TEST(StringCharacters, AWritePastTheBufferGrowsItInsteadOfWritingOutside) {
    CT_String co("ab"); // capacity 256
    co.v_SetChar(1000, 0x007A);
    EXPECT_EQ("ab", Text(co));
    EXPECT_EQ(0x007A, co[1000u]);
    EXPECT_EQ(0, co[999u]);
    EXPECT_GE(co.n_GetSize(), 1001u);

    CT_String co_two("ab");
    co_two.v_SetChar(300, 0xA082);
    EXPECT_EQ(0xA082, co_two[300u]);
    EXPECT_EQ(0, co_two[301u]);
}

} // namespace
