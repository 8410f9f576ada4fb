// CT_String: search, replace and substring, by characters.
#include "support/string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(StringSearch, FindsByOneForwardPass) {
    const struct {
        const char *text, *pattern;
        int i_start, i_found;
    } cases[] = {
        {"abc", "b", 0, 1},
        {"abcbc", "bc", 0, 1},
        {"abcbc", "bc", 2, 3},
        {"abcbc", "bc", 4, -1},
        {"aab", "ab", 0, -1}, // the partial "a" fails on the second 'a', which is not retried
        {"xab", "ab", 0, 1},
        {"abab", "ab", 0, 0},
        {"abc", "c", 2, 2},
        {"abc", "c", 3, -1},
        {"abc", "a", 4, -1},
        {"abc", "a", -1, -1},
        {"abc", "", 0, -1},
        {"ab", "abc", 0, -1},
        {"\x82"
         "A",
         "A", 0, -1}, // the two bytes are one character
        {"\x82\xA0\x82\xA1x", "x", 0, 2},
        {"\x82\xA0\x82\xA1x\x82\xA1", "\x82\xA1", 2, 3},
        // The pattern's first byte as a second byte is no start.
        {"\x81\x82\x82\x82", "\x82\x82", 0, 1},
        {"\x82\x82\x82\x82", "\x82\x82", 1, 1},
        {"\x82\x82\x82", "\x82", 0, 1}, // the last lead takes the terminator
    };
    for (const auto &c : cases) {
        CT_String co(c.text);
        EXPECT_EQ(c.i_found, co.i_Search(CT_String(c.pattern), c.i_start))
            << c.text << " / " << c.pattern << " from " << c.i_start;
    }
}

// Long texts: positions count characters over whole runs of one-byte and
// of two-byte characters.
TEST(StringSearch, CountsCharactersAcrossLongRuns) {
    std::string s_double;
    for (int i = 0; i < 100; ++i)
        s_double += "\x82\xA0";
    const std::string s_single(130, 'a');
    const struct {
        std::string text;
        const char *pattern;
        int i_start, i_found;
    } cases[] = {
        {s_double + "x", "x", 0, 100},
        {s_double + "x", "x", 99, 100},
        {s_single + s_double + "x" + s_single, "x", 3, 230},
        {s_double + s_single + "\xA0", "\xA0", 0, 230}, // 0xA0 after the pairs is one character
        {s_double, "\xA0", 0, -1},
    };
    for (const auto &c : cases) {
        CT_String co(c.text.c_str());
        EXPECT_EQ(c.i_found, co.i_Search(CT_String(c.pattern), c.i_start))
            << c.text.size() << " bytes / " << c.pattern << " from " << c.i_start;
    }
}

TEST(StringReplace, ReplacesEveryOccurrenceLeftToRightWithoutOverlap) {
    const struct {
        const char *text, *pattern, *replacement, *result;
    } cases[] = {
        {"a%b%c", "%", "x", "axbxc"},
        {"%", "%", "%%", "%%"}, // the replacement is not searched again
        {"%abc", "%", "", "abc"},
        {"%abc", "%", nullptr, "abc"},
        {"%", "%", "", ""},
        {"aaa", "aa", "b", "ba"},
        {"aab", "ab", "X", "aab"}, // not found by the forward pass
        {"x\x82\xA0y\x82\xA0", "\x82\xA0", "-", "x-y-"},
        {"\x82%", "%", "!", "\x82%"}, // 0x82 0x25 is one character
    };
    for (const auto &c : cases) {
        CT_String co(c.text);
        co.v_Replace(CT_String(c.pattern), c.replacement);
        EXPECT_EQ(c.result, Text(co)) << c.text << " / " << c.pattern;
    }
}

TEST(StringReplace, ReplacesByANumberAsSigned32Bit) {
    CT_String co("Error %");
    co.v_Replace(CT_String("%"), 7u);
    EXPECT_EQ("Error 7", Text(co));
    CT_String co_negative("[%]");
    co_negative.v_Replace(CT_String("%"), 4294967291u);
    EXPECT_EQ("[-5]", Text(co_negative));
}

TEST(StringReplace, WithoutAnOccurrenceTheStringIsNotTouched) {
    const char *patterns[] = {"", "zz"};
    for (const char *pc_pattern : patterns) {
        CT_String co("abc");
        std::memcpy(static_cast<char *>(co) + 4, "tail", 4);
        const char *pc_before = co;
        co.v_Replace(CT_String(pc_pattern), "x");
        EXPECT_EQ(pc_before, static_cast<const char *>(co));
        EXPECT_EQ(256u, co.n_GetSize());
        EXPECT_EQ(0, std::memcmp(pc_before, "abc\0tail", 8));
    }
}

TEST(StringReplace, TheResultIsAssignedWithTheGrowthOfAppendedPieces) {
    CT_String co; // 512
    std::strcpy(co, "a%b");
    co.v_Replace(CT_String("%"), "x");
    EXPECT_EQ(768u, co.n_GetSize()); // the result's room of 512 reaches its own

    // 600 'a', then the marker: the working string grows to 600 + 512 for
    // the first piece and to 1200 + 512 for the replacement behind it, and
    // the string, whose room is smaller, is reallocated 256 above that.
    const std::string s_text = std::string(600, 'a') + "%";
    CT_String co_long(s_text.c_str());
    co_long.v_Replace(CT_String("%"), std::string(600, 'b').c_str());
    EXPECT_EQ(std::string(600, 'a') + std::string(600, 'b'), Text(co_long));
    EXPECT_EQ(1712u + 256u, co_long.n_GetSize());
}

TEST(StringMid, TakesAtMostTheCountFromTheStart) {
    const struct {
        const char *text;
        int i_start, i_count;
        const char *result;
    } cases[] = {
        {"abcd", 1, 2, "bc"},
        {"abcd", 2, 10, "cd"},
        {"abcd", 0, 4, "abcd"},
        {"abcd", 1, 0, ""},
        {"abcd", 1, -3, ""},
        {"abcd", -1, 3, ""},
        {"abcd", 6, 2, ""},
        {"\x82\xA0xy", 0, 2, "\x82\xA0x"},
        {"a\x82\xA0y", 1, 1, "\x82\xA0"},
    };
    for (const auto &c : cases) {
        CT_String co(c.text);
        CT_String co_mid = co.co_GetMid(c.i_start, c.i_count);
        EXPECT_EQ(c.result, Text(co_mid)) << c.text << " " << c.i_start << "+" << c.i_count;
        EXPECT_EQ(768u, co_mid.n_GetSize()) << c.text << " " << c.i_start << "+" << c.i_count;
    }
}

TEST(StringMid, CopiesWhatLiesBehindTheTextWithinTheCount) {
    CT_String co("ab\0cd", 5); // a list: "ab", then "cd"
    CT_String co_mid = co.co_GetMid(1, 4);
    EXPECT_EQ("b", Text(co_mid));
    EXPECT_EQ(0, std::memcmp(static_cast<const char *>(co_mid), "b\0cd\0", 5));
}

TEST(StringMid, ALongStretchGrowsTheWorkingStringAsCharacterWritesWould) {
    const std::string s_text(1000, 'm');
    CT_String co(s_text.c_str());
    CT_String co_mid = co.co_GetMid(0, 1000);
    EXPECT_EQ(s_text, Text(co_mid));
    // The write at byte 511 needs 513 bytes: the working string grows to
    // 1025 and the result is 256 above that.
    EXPECT_EQ(1025u + 256u, co_mid.n_GetSize());
}

TEST(StringMid, ACountBeyondTheBufferStopsAtItsEnd) {
    CT_String co("abc"); // capacity 256
    CT_String co_mid = co.co_GetMid(1, 0x7FFFFFFF);
    EXPECT_EQ("bc", Text(co_mid));
}

} // namespace
