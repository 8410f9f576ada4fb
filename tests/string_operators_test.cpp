// CT_String's operators as a host writes them: comparisons with texts on
// either side, numbers of any integer type appended, characters read with
// any integer index. This program is built for C++17 and for C++20 with
// -Wall -Wextra -pedantic -Werror, so each form must also compile cleanly.
#include "support/string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

TEST(StringOperators, ComparisonsCompareTextsOnEitherSide) {
    const struct {
        const char *pc_left;
        const char *pc_right;
        int b_equal;
    } cases[] = {
        {"pages", "pages", 1},
        {"pages", "page", 0},
        {"page", "pages", 0},
        {"", "", 1},
        {"", "x", 0},
        {"\x82\x41", "\x82\x41", 1},
        {"\x82\x41", "\x82", 0},
        {"a\x82", "a\x82\x41", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.pc_left) + " | " + c.pc_right);
        CT_String co(c.pc_left);
        const CT_String co_other(c.pc_right);
        const std::string s_copy(c.pc_right); // the same text at another address
        const char *pc_text = s_copy.c_str();
        EXPECT_EQ(c.b_equal, co == pc_text);
        EXPECT_EQ(c.b_equal, pc_text == co);
        EXPECT_EQ(!c.b_equal, co != pc_text);
        EXPECT_EQ(!c.b_equal, pc_text != co);
        EXPECT_EQ(c.b_equal, co == co_other);
        EXPECT_EQ(!c.b_equal, co != co_other);
    }
    CT_String co_empty;
    EXPECT_EQ(1, co_empty == static_cast<const char *>(nullptr)); // null counts as empty
    EXPECT_EQ(1, "pages" == CT_String("pages"));
    EXPECT_EQ(1, CT_String("pages") != CT_String("x"));
}

TEST(StringOperators, ComparingWithATextLooksAtTheCurrentElement) {
    CT_String co_list;
    co_list.v_AddElement("first");
    co_list.v_AddElement("second");
    EXPECT_EQ(1, co_list == "first");
    co_list.b_NextElement();
    EXPECT_EQ(1, co_list == "second");
    EXPECT_EQ(1, "second" == co_list);
}

TEST(StringOperators, AnyIntegerIsAppendedAsASigned32BitNumber) {
    const CT_String co("n=");
    const std::size_t n_size = 42;
    const long i_long = -7;
    const std::int64_t i_wide = (std::int64_t{1} << 32) + 3; // its low 32 bits: 3
    const unsigned n = 9;
    EXPECT_EQ("n=7", Text(co + 7));
    EXPECT_EQ("n=-5", Text(co + -5));
    EXPECT_EQ("n=10", Text(co + (n + 1)));
    EXPECT_EQ("n=7", Text(co + 7u));
    EXPECT_EQ("n=42", Text(co + n_size));
    EXPECT_EQ("n=-7", Text(co + i_long));
    EXPECT_EQ("n=3", Text(co + i_wide));
    EXPECT_EQ("n=-1", Text(co + 4294967295u));
    EXPECT_EQ("n=2147483647", Text(co + 2147483647));
    EXPECT_EQ("n=-2147483648", Text(co + (-2147483647 - 1)));
}

TEST(StringOperators, AnyIntegerIndexReadsTheSameCharacter) {
    const CT_String co("a\x82\x41z");
    const unsigned short w_double = static_cast<unsigned short>(0x82 | (0x41 << 8));
    const std::size_t n_one = 1;
    const long i_two = 2;
    EXPECT_EQ('a', co[0]);
    EXPECT_EQ(co[0u], co[0]);
    EXPECT_EQ(w_double, co[n_one]);
    EXPECT_EQ('z', co[i_two]);
    EXPECT_EQ('z', co[2LL]);
    EXPECT_EQ(co[3u], co[3]);
    EXPECT_EQ(0, co[-1]);
    EXPECT_EQ(0, co[-1L]);
    EXPECT_EQ(0, co[std::int64_t{1} << 32]); // not index 0 again
    CT_String co_mutable("b");
    EXPECT_EQ('b', co_mutable[0]);
}

} // namespace
