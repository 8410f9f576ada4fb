// CT_String's operators as a host writes them: comparisons with texts on
// either side, numbers of any integer type appended, characters read with
// any integer index, and the standard library's strings and streams. This
// program is built for C++17 and for C++20 with -Wall -Wextra -pedantic
// -Werror, so each form must also compile cleanly; the forms that must not
// compile are checked by detection below.
#include "support/string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace {

// Whether an expression compiles, for operand types L and R.
template <class L, class R, class = void> struct Adds : std::false_type {};
template <class L, class R>
struct Adds<L, R, std::void_t<decltype(std::declval<L>() + std::declval<R>())>> : std::true_type {};
template <class L, class R, class = void> struct AddsTo : std::false_type {};
template <class L, class R>
struct AddsTo<L, R, std::void_t<decltype(std::declval<L &>() += std::declval<R>())>>
    : std::true_type {};
template <class L, class R, class = void> struct Compares : std::false_type {};
template <class L, class R>
struct Compares<L, R,
                std::void_t<decltype(std::declval<L>() == std::declval<R>()),
                            decltype(std::declval<L>() != std::declval<R>())>> : std::true_type {};
template <class T, class = void> struct Negates : std::false_type {};
template <class T> struct Negates<T, std::void_t<decltype(!std::declval<T>())>> : std::true_type {};
template <class T, class = void> struct Streams : std::false_type {};
template <class T>
struct Streams<T, std::void_t<decltype(std::declval<std::ostream &>() << std::declval<T>())>>
    : std::true_type {};
// The literal 0 on the left, which is also a null pointer constant.
template <class T, class = void> struct ZeroPlus : std::false_type {};
template <class T>
struct ZeroPlus<T, std::void_t<decltype(0 + std::declval<T>())>> : std::true_type {};

using Co = CT_String &;
using CoConst = const CT_String &;

// Numbers of every integer type, the small ones (signed and unsigned
// char) too, and char itself.
template <class... T> constexpr bool b_AllAppend() {
    return ((Adds<Co, T>::value && Adds<CoConst, T>::value && AddsTo<CT_String, T>::value) && ...);
}
static_assert(b_AllAppend<bool, short, unsigned short, int, unsigned, long, unsigned long,
                          long long, unsigned long long, std::size_t, std::int64_t, signed char,
                          unsigned char, std::int8_t, std::uint8_t, char>());
static_assert(std::is_same<decltype(std::declval<Co>() + 'x'), CT_String>::value);
// Characters of no byte character set.
template <class... T> constexpr bool b_NoneAppends() {
    return ((!Adds<Co, T>::value && !Adds<CoConst, T>::value && !AddsTo<CT_String, T>::value) &&
            ...);
}
static_assert(b_NoneAppends<wchar_t, char16_t, char32_t, double, int *>());
#if defined(__cpp_char8_t)
static_assert(b_NoneAppends<char8_t>());
#endif
// Texts on the left give a CT_String, a std::string a std::string; a
// number on the left is no text.
static_assert(std::is_same<decltype("pre" + std::declval<CoConst>()), CT_String>::value);
static_assert(
    std::is_same<decltype(std::declval<char *>() + std::declval<Co>()), CT_String>::value);
static_assert(std::is_same<decltype(std::declval<const std::string &>() + std::declval<Co>()),
                           std::string>::value);
static_assert(std::is_same<decltype(std::declval<Co>() + std::declval<const std::string &>()),
                           CT_String>::value);
static_assert(std::is_same<decltype(std::declval<Co>() + std::declval<Co>()), CT_String>::value);
static_assert(!ZeroPlus<Co>::value && !Adds<int, Co>::value && !Adds<const wchar_t *, Co>::value);
static_assert(AddsTo<CT_String, const std::string &>::value &&
              AddsTo<CT_String, std::nullptr_t>::value && AddsTo<CT_String, CoConst>::value);
// Comparisons with every kind of text, either way round.
template <class... T> constexpr bool b_AllCompare() {
    return ((Compares<Co, T>::value && Compares<T, Co>::value && Compares<CoConst, T>::value &&
             Compares<T, CoConst>::value) &&
            ...);
}
static_assert(b_AllCompare<const char *, const char (&)[4], CT_String, std::string,
                           const std::string &, std::string_view>());
// !co reads the text; if (co) does not compile.
static_assert(Negates<Co>::value && Negates<CoConst>::value);
static_assert(std::is_same<decltype(!std::declval<CoConst>()), int>::value);
static_assert(!std::is_constructible<bool, Co>::value &&
              !std::is_constructible<bool, CoConst>::value);
// Streams, conversions and constructions.
static_assert(Streams<Co>::value && Streams<CoConst>::value);
static_assert(std::is_convertible<Co, std::string_view>::value &&
              std::is_convertible<CoConst, std::string_view>::value);
static_assert(std::is_constructible<std::string_view, Co>::value &&
              std::is_constructible<std::string_view, CoConst>::value);
static_assert(std::is_constructible<std::string, Co>::value &&
              std::is_constructible<std::string, CoConst>::value);
static_assert(!std::is_convertible<Co, std::string>::value); // std::string s = co
static_assert(std::is_assignable<std::string &, Co>::value &&
              std::is_assignable<std::string &, CoConst>::value);
static_assert(std::is_convertible<const std::string &, CT_String>::value &&
              std::is_convertible<std::string_view, CT_String>::value);
static_assert(std::is_convertible<Co, const char *>::value &&
              std::is_convertible<Co, char *>::value);

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

// co + x and co += x append the same, whatever x is.
template <class T>
void ExpectAppends(const char *pc_what, const T &o_value, const std::string &s_tail) {
    SCOPED_TRACE(pc_what);
    const CT_String co("n=");
    EXPECT_EQ("n=" + s_tail, Text(co + o_value));
    CT_String co_target("n=");
    co_target += o_value;
    EXPECT_EQ("n=" + s_tail, Text(co_target));
}

TEST(StringOperators, PlusAndPlusAssignAppendNumbersCharactersAndTexts) {
    ExpectAppends("int", 7, "7");
    ExpectAppends("literal 0, a number", 0, "0");
    ExpectAppends("negative", -5, "-5");
    ExpectAppends("unsigned, as signed 32-bit", 4294967295u, "-1");
    ExpectAppends("short", static_cast<short>(-3), "-3");
    ExpectAppends("unsigned short", static_cast<unsigned short>(65535), "65535");
    ExpectAppends("long", -7L, "-7");
    ExpectAppends("size_t", std::size_t{42}, "42");
    ExpectAppends("64 bits, the low 32", (std::int64_t{1} << 32) + 3, "3");
    ExpectAppends("uint8_t, a number", std::uint8_t{7}, "7");
    ExpectAppends("int8_t, a number", std::int8_t{-5}, "-5");
    ExpectAppends("true", true, "1");
    ExpectAppends("false", false, "0");
    ExpectAppends("char", 'x', "x");
    ExpectAppends("char 0", '\0', "");
    ExpectAppends("char above 0x7F", '\xA9', "\xA9");
    ExpectAppends("text", "ab", "ab");
    ExpectAppends("null text", static_cast<const char *>(nullptr), "");
    ExpectAppends("nullptr", nullptr, "");
    ExpectAppends("std::string", std::string("ab"), "ab");
    ExpectAppends("std::string, up to its zero", std::string("a\0b", 3), "a");
    ExpectAppends("CT_String", CT_String("ab"), "ab");
}

TEST(StringOperators, NumbersAndCharactersAreAppendedAsTheirTextsAreToAList) {
    // On a list the current element grows as with the text itself.
    const struct {
        const char *pc_what;
        void (*v_Append)(CT_String &);
        void (*v_AppendText)(CT_String &);
    } cases[] = {
        {"7", [](CT_String &co) { co += 7; }, [](CT_String &co) { co += "7"; }},
        {"0", [](CT_String &co) { co += 0; }, [](CT_String &co) { co += "0"; }},
        {"x", [](CT_String &co) { co += 'x'; }, [](CT_String &co) { co += "x"; }},
        {"s", [](CT_String &co) { co += std::string("s"); }, [](CT_String &co) { co += "s"; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pc_what);
        CT_String co_list, co_expected;
        for (CT_String *pco : {&co_list, &co_expected}) {
            pco->v_AddElement("first");
            pco->v_AddElement("second");
            pco->b_NextElement();
        }
        c.v_Append(co_list);
        c.v_AppendText(co_expected);
        EXPECT_EQ(Text(co_expected), Text(co_list));
        EXPECT_EQ(ListBytes(co_expected), ListBytes(co_list));
    }
}

TEST(StringOperators, ATextOnTheLeftComesFirst) {
    const struct {
        const char *pc_left;
        const char *pc_right;
        const char *pc_joined;
    } cases[] = {
        {"pre", "fix", "prefix"}, {"", "fix", "fix"},
        {"pre", "", "pre"},       {"\x82\x41", "\x82", "\x82\x41\x82"},
        {nullptr, "fix", "fix"}, // a null text counts as empty
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pc_joined);
        const CT_String co(c.pc_right);
        EXPECT_EQ(c.pc_joined, Text(c.pc_left + co));
        EXPECT_EQ(c.pc_joined, std::string(c.pc_left ? c.pc_left : "") + co);
        EXPECT_EQ(c.pc_right, Text(co)); // unchanged
    }
    CT_String co_list;
    co_list.v_AddElement("first");
    co_list.v_AddElement("second");
    co_list.b_NextElement();
    EXPECT_EQ("pre-second", Text("pre-" + co_list));
    char ac_mutable[] = "pre";
    EXPECT_EQ("pre-second", Text(ac_mutable + ("-" + co_list)));
}

TEST(StringOperators, StandardStringsCompareAsTheTextThatStdStringWouldHold) {
    const struct {
        const char *pc_text;
        std::string s_other;
        int b_equal;
    } cases[] = {
        {"pages", "pages", 1},
        {"pages", "page", 0},
        {"page", "pages", 0},
        {"", "", 1},
        {"", std::string(1, '\0'), 0},
        {"a", std::string("a\0", 2), 0}, // a zero byte is no part of a text
        {"a", std::string("a\0b", 3), 0},
        {"\x82\x41", "\x82\x41", 1},
        {"\x82\x41", "\x82", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pc_text);
        CT_String co(c.pc_text);
        const CT_String &co_const = co;
        const std::string_view o_view = c.s_other;
        EXPECT_EQ(c.b_equal, co == c.s_other);
        EXPECT_EQ(c.b_equal, c.s_other == co_const);
        EXPECT_EQ(!c.b_equal, co_const != c.s_other);
        EXPECT_EQ(!c.b_equal, c.s_other != co);
        EXPECT_EQ(c.b_equal, co == o_view);
        EXPECT_EQ(c.b_equal, o_view == co_const);
        EXPECT_EQ(!c.b_equal, co_const != o_view);
        EXPECT_EQ(!c.b_equal, o_view != co);
        EXPECT_EQ(c.b_equal, std::string(co) == c.s_other);
    }
}

// A host's function that takes a CT_String.
std::string Passed(CT_String co) { return Text(co); }

TEST(StringOperators, StandardStringsConvertBothWays) {
    CT_String co("report");
    const CT_String &co_const = co;
    // To the standard library: the current text.
    const std::string s_direct(co), s_braced{co_const};
    const std::string_view o_view = co_const;
    std::string s_assigned;
    s_assigned = co;
    EXPECT_EQ("report", s_direct);
    EXPECT_EQ("report", s_braced);
    EXPECT_EQ("report", std::string(co_const));
    EXPECT_EQ("report", o_view);
    EXPECT_EQ(static_cast<const char *>(co_const), o_view.data()); // a view of the text itself
    EXPECT_EQ("report", std::string_view(co));
    EXPECT_EQ("report", s_assigned);

    // From it: every byte, a list too, and a view that stops short of its
    // array's zero.
    const std::string s_list("a\0bc\0", 5);
    CT_String co_list = s_list;
    EXPECT_EQ(std::string("a\0bc\0\0", 6), ListBytes(co_list));
    const std::string_view o_middle = std::string_view("abcdef").substr(1, 3);
    EXPECT_EQ("bcd", Text(CT_String(o_middle)));
    EXPECT_EQ("", Text(CT_String(std::string_view("abc", 0)))); // empty, not "abc"
    EXPECT_EQ("", Text(CT_String(std::string())));
    EXPECT_EQ("report", Passed(std::string("report")));
    EXPECT_EQ("bcd", Passed(o_middle));
    CT_String co_target;
    co_target = std::string("held");
    EXPECT_EQ("held", Text(co_target));
}

TEST(StringOperators, StreamsWriteTheTextAndNotTellsAnEmptyOne) {
    CT_String co_list;
    co_list.v_AddElement("first");
    co_list.v_AddElement("second");
    co_list.b_NextElement();
    std::ostringstream o_out;
    o_out << co_list << '|' << CT_String("\x82\x41") << '|' << std::setw(4) << CT_String("ab")
          << '|';
    EXPECT_EQ("second|\x82\x41|  ab|", o_out.str());

    const struct {
        const char *pc_text;
        int b_empty;
    } cases[] = {{"", 1}, {nullptr, 1}, {"x", 0}, {"\x82\x41", 0}};
    for (const auto &c : cases) {
        const CT_String co(c.pc_text);
        EXPECT_EQ(c.b_empty, !co) << (c.pc_text ? c.pc_text : "null");
    }
    EXPECT_EQ(0, !co_list);
    co_list.b_NextElement(); // past the last element: nothing is current
    EXPECT_EQ(1, !co_list);
}

} // namespace
