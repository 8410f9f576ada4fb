// CT_String storage: the size policy, construction, copying, assignment,
// concatenation, comparison and measures, and the cases where a text runs
// to the edge of its buffer.
#include "support/string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace {

// The bytes of the room, from the current text to the end of the capacity.
std::string Room(const CT_String &co) {
    return std::string(static_cast<const char *>(co), co.n_GetSize());
}

bool RoomIsZeroFrom(const CT_String &co, std::size_t n_from) {
    const std::string s_room = Room(co);
    return s_room.find_first_not_of('\0', n_from) == std::string::npos;
}

// A string whose room is filled to its last byte by the caller, as the
// platform may fill it; the byte at the end of the room is the last byte.
void FillRoom(CT_String &co, char c_fill, char c_last) {
    char *pc = co;
    const unsigned n_room = co.n_GetSize();
    std::memset(pc, c_fill, n_room);
    pc[n_room - 1] = c_last;
}

// A string built from an array of n_size bytes that starts with the text
// and is zero behind it.
CT_String Sized(const char *text, unsigned n_size) {
    std::string s_array(n_size, '\0');
    s_array.replace(0, std::strlen(text), text);
    return CT_String(s_array.data(), n_size);
}

struct CapacityCase {
    const char *name;
    std::function<CT_String()> make;
    unsigned n_room;
    const char *text;
};

class SizePolicy : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(SizePolicy, GivesTheTabledCapacity) {
    const CapacityCase &c = GetParam();
    CT_String co = c.make();
    EXPECT_EQ(c.n_room, co.n_GetSize());
    EXPECT_EQ(c.text, Text(co));
    EXPECT_TRUE(RoomIsZeroFrom(co, std::strlen(c.text)));
}

const std::string s_255(255, 'a'), s_256(256, 'b'), s_300(300, 'c');

INSTANTIATE_TEST_SUITE_P(
    Construction, SizePolicy,
    ::testing::Values(
        CapacityCase{"Default", [] { return CT_String(); }, 512, ""},
        CapacityCase{"NullTextIgnoresSize", [] { return CT_String(nullptr, 1000); }, 512, ""},
        CapacityCase{"ShortText", [] { return CT_String("abc"); }, 256, "abc"},
        CapacityCase{"EmptyText", [] { return CT_String(""); }, 256, ""},
        CapacityCase{"Text255", [] { return CT_String(s_255.c_str()); }, 256, s_255.c_str()},
        CapacityCase{"Text256", [] { return CT_String(s_256.c_str()); }, 512, s_256.c_str()},
        CapacityCase{"Text300", [] { return CT_String(s_300.c_str()); }, 556, s_300.c_str()},
        CapacityCase{"SizeCutsText", [] { return CT_String("abcdef", 3); }, 256, "abc"},
        CapacityCase{"SizeAboveText", [] { return Sized("abc", 600); }, 856, "abc"},
        CapacityCase{"CopyOfDefault",
                     [] {
                         CT_String co;
                         return CT_String(co);
                     },
                     768, ""},
        CapacityCase{"CopyOfShort",
                     [] {
                         CT_String co("abc");
                         return CT_String(co);
                     },
                     512, "abc"},
        CapacityCase{"CopyOfCopy",
                     [] {
                         CT_String co("abc");
                         CT_String co_copy(co);
                         return CT_String(co_copy);
                     },
                     768, "abc"}),
    [](const ::testing::TestParamInfo<CapacityCase> &info) { return info.param.name; });

TEST(StringStorage, DefaultStringIsAnEmptyZeroedRoomOf512) {
    CT_String aco[3u]; // host modules allocate arrays of them too
    for (const CT_String &co : aco) {
        EXPECT_EQ(512u, co.n_GetSize());
        EXPECT_EQ(0u, co.n_GetLength());
        EXPECT_EQ(0u, co.n_GetStringSize());
        EXPECT_EQ(1, co.b_IsEmpty());
        EXPECT_TRUE(RoomIsZeroFrom(co, 0));
    }
}

TEST(StringStorage, SizeAboveTheTextCopiesTheCallersBytesZerosIncluded) {
    const char ac_list[] = "a\0bc\0";
    CT_String co(ac_list, sizeof ac_list);
    EXPECT_EQ(0, std::memcmp(static_cast<const char *>(co), ac_list, sizeof ac_list));
    EXPECT_EQ("a", Text(co));
}

TEST(StringStorage, SetSizeEmptiesAndReallocatesOnlyWhenTheRequestReachesTheRoom) {
    CT_String co = Sized("some text", 300); // capacity 556
    const char *pc_before = co;
    co.v_SetSize(100);
    EXPECT_EQ(pc_before, static_cast<const char *>(co));
    EXPECT_EQ(556u, co.n_GetSize());
    EXPECT_TRUE(RoomIsZeroFrom(co, 0));

    CT_String co_default;
    std::strcpy(co_default, "text");
    co_default.v_SetSize(512); // equal to the room: reallocates
    EXPECT_EQ(768u, co_default.n_GetSize());
    EXPECT_TRUE(RoomIsZeroFrom(co_default, 0));
}

TEST(StringStorage, ReSizeGrowsOnlyWhenNeededAndKeepsEverything) {
    CT_String co("abc");
    char *pc = co;
    std::memcpy(pc + 4, "def", 3); // bytes behind the text are kept too
    EXPECT_EQ(0, co.b_ReSize(10));
    EXPECT_EQ(pc, static_cast<char *>(co));

    CT_String co_default;
    std::memcpy(static_cast<char *>(co_default), "abc\0def", 7);
    EXPECT_EQ(1, co_default.b_ReSize(600));
    EXPECT_EQ(1112u, co_default.n_GetSize());
    EXPECT_EQ("abc", Text(co_default));
    EXPECT_EQ(0, std::memcmp(static_cast<const char *>(co_default) + 4, "def", 4));
}

// Growth keeps every byte of the room, small buffers and large ones alike
// (a large one may grow in place), and gives zeros behind it: a seeded
// sequence of growths and writes through the pointer, against the bytes a
// model room holds.
TEST(StringStorage, GrowingKeepsTheRoomAtEverySize) {
    const unsigned n_seed = std::random_device{}();
    std::printf("seed %u\n", n_seed);
    SCOPED_TRACE("seed " + std::to_string(n_seed));
    std::mt19937 o_random(n_seed);
    for (int i_run = 0; i_run < 20; ++i_run) {
        CT_String co;
        std::vector<char> ac_model(co.n_GetSize(), 0);
        for (int i_step = 0; i_step < 40; ++i_step) {
            if (o_random() % 2) {
                const unsigned n_size = o_random() % (o_random() % 4 ? 9000 : 70000);
                const int b_grown = co.b_ReSize(n_size);
                ASSERT_EQ(n_size > ac_model.size(), b_grown != 0);
                if (b_grown) ac_model.resize(n_size + 512, 0);
            } else { // a few bytes written anywhere in the room
                char *pc = co;
                for (int k = 0; k < 8; ++k) {
                    const std::size_t n_at = o_random() % ac_model.size();
                    pc[n_at] = ac_model[n_at] = static_cast<char>(o_random());
                }
            }
            ASSERT_EQ(ac_model.size(), co.n_GetSize());
            ASSERT_EQ(0,
                      std::memcmp(static_cast<const char *>(co), ac_model.data(), ac_model.size()));
            ASSERT_EQ(0, static_cast<const char *>(co)[ac_model.size()]); // the reserved byte
        }
    }
}

TEST(StringStorage, AppendFillsTheRoomExactlyBeforeItGrows) {
    CT_String co;
    const std::string s_part(64, 'x');
    for (int i = 0; i < 8; ++i)
        co += s_part.c_str();
    EXPECT_EQ(512u, co.n_GetStringSize());
    EXPECT_EQ(512u, co.n_GetSize()); // the terminator takes the reserved byte
    EXPECT_EQ(std::string(512, 'x'), Text(co));

    co += "y";
    EXPECT_EQ(513u + 512u, co.n_GetSize());
    EXPECT_EQ(std::string(512, 'x') + "y", Text(co));
    EXPECT_TRUE(RoomIsZeroFrom(co, 513));
}

TEST(StringStorage, AppendClearsWhatLayBehindTheText) {
    CT_String co("ab");
    std::memcpy(static_cast<char *>(co) + 3, "zzz", 3);
    co += "c";
    EXPECT_EQ("abc", Text(co));
    EXPECT_TRUE(RoomIsZeroFrom(co, 3));
}

TEST(StringStorage, AppendingTextFromTheStringsOwnBufferWorks) {
    CT_String co("abc");
    co += co;
    EXPECT_EQ("abcabc", Text(co));
    co += static_cast<const char *>(co) + 4; // "bc", from inside the text
    EXPECT_EQ("abcabcbc", Text(co));

    // The buffer grows under the text that is being appended.
    const std::string s_long(400, 'q');
    CT_String co_long(s_long.c_str()); // capacity 656
    co_long += co_long;
    EXPECT_EQ(s_long + s_long, Text(co_long));
}

TEST(StringStorage, AssigningTextFromTheStringsOwnBufferWorks) {
    CT_String co("hello world");
    co = static_cast<const char *>(co) + 6;
    EXPECT_EQ("world", Text(co));
    EXPECT_TRUE(RoomIsZeroFrom(co, 5));
}

TEST(StringStorage, NullTextsCountAsEmpty) {
    CT_String co("abc");
    co += static_cast<const char *>(nullptr);
    EXPECT_EQ("abc", Text(co));
    CT_String co_joined = co + static_cast<const char *>(nullptr);
    EXPECT_EQ("abc", Text(co_joined));
    co = static_cast<const char *>(nullptr);
    EXPECT_EQ(1, co.b_IsEmpty());
    EXPECT_TRUE(RoomIsZeroFrom(co, 0));
}

TEST(StringStorage, JoiningWithTextCopiesAWorkingStringOf512) {
    CT_String co("abc");
    CT_String co_joined = co + "def";
    EXPECT_EQ("abcdef", Text(co_joined));
    EXPECT_EQ(768u, co_joined.n_GetSize());
    EXPECT_EQ("abc", Text(co)); // the operand is unchanged

    const std::string s_300(300, 'p');
    CT_String co_long(s_300.c_str());
    CT_String co_longer = co_long + s_300.c_str(); // working string grows to 600 + 512
    EXPECT_EQ(s_300 + s_300, Text(co_longer));
    EXPECT_EQ(1112u + 256u, co_longer.n_GetSize());
}

TEST(StringStorage, JoiningWithANumberWritesItAsSigned32Bit) {
    const struct {
        unsigned n_number;
        const char *text;
    } cases[] = {{0u, "n=0"},
                 {7u, "n=7"},
                 {2147483647u, "n=2147483647"},
                 {2147483648u, "n=-2147483648"},
                 {4294967295u, "n=-1"},
                 {4294967290u, "n=-6"}};
    const CT_String co("n=");
    for (const auto &c : cases) {
        CT_String co_joined = co + c.n_number;
        EXPECT_EQ(c.text, Text(co_joined)) << c.n_number;
        EXPECT_EQ(768u, co_joined.n_GetSize());
    }
}

TEST(StringStorage, ComparisonIsByCharacterValue) {
    const struct {
        const char *a, *b;
        int b_equal;
    } cases[] = {{"abc", "abc", 1},
                 {"abc", "ABC", 0},
                 {"abc", "ab", 0},
                 {"ab", "abc", 0},
                 {"", "", 1},
                 {"\x82\xA0x", "\x82\xA0x", 1},
                 {"\x82\xA0", "\x82\xA1", 0},
                 {"\x82\xA0", "\x82", 0}};
    for (const auto &c : cases) {
        CT_String co_a(c.a);
        EXPECT_EQ(c.b_equal, co_a == CT_String(c.b)) << c.a << " vs " << c.b;
    }
}

TEST(StringStorage, MeasuresCountCharactersAndBytes) {
    const struct {
        const char *text;
        unsigned n_length, n_size;
    } cases[] = {{"", 0, 0},
                 {"abc", 3, 3},
                 {"\x82\xA0", 1, 2},
                 {"a\x82\xA0z", 3, 4},
                 {"\x80\xA0\xF0", 3, 3},
                 {"a\x81", 2, 3}}; // the lead byte takes the terminator
    for (const auto &c : cases) {
        CT_String co(c.text);
        EXPECT_EQ(c.n_length, co.n_GetLength()) << c.text;
        EXPECT_EQ(c.n_size, co.n_GetStringSize()) << c.text;
        EXPECT_EQ(c.n_length == 0, co.b_IsEmpty() == 1) << c.text;
        EXPECT_EQ(c.n_size, co.n_GetStringSize(c.text)) << c.text;
    }
}

TEST(StringStorage, ALeadByteBeforeTheTerminatorJoinsTheTextBehindIt) {
    // 'a', then 0x81 with the zero as its second byte, then 'b'.
    CT_String co("a\x81\0b", 4);
    EXPECT_EQ(4u, co.n_GetStringSize());
    EXPECT_EQ(3u, co.n_GetLength());
    CT_String co_copy(static_cast<const char *>(co));
    EXPECT_EQ(3u, co_copy.n_GetStringSize()); // a caller's text: its terminator ends it
}

TEST(StringStorage, ACallersTextEndingInALeadByteIsNotReadPastItsTerminator) {
    // Exactly three bytes on the heap: any read behind them is reported.
    std::unique_ptr<char[]> ac(new char[3]{'a', '\x81', '\0'});
    CT_String co;
    EXPECT_EQ(3u, co.n_GetStringSize(ac.get()));
    EXPECT_EQ(2u, co.n_GetLength(ac.get()));
    co = ac.get();
    EXPECT_EQ(3u, co.n_GetStringSize());
    co += ac.get();
    EXPECT_EQ(6u, co.n_GetStringSize());
    CT_String co_built(ac.get());
    EXPECT_EQ(256u, co_built.n_GetSize());
}

TEST(StringStorage, ATextThatFillsItsRoomIsMeasuredWithinTheBuffer) {
    CT_String co;
    FillRoom(co, 'x', 'x');
    EXPECT_EQ(512u, co.n_GetStringSize());
    EXPECT_EQ(512u, co.n_GetLength());
    EXPECT_EQ(0, co.b_IsEmpty());

    CT_String co_copy(co);
    EXPECT_EQ(std::string(512, 'x'), Text(co_copy));
    CT_String co_joined = co + "y";
    EXPECT_EQ(std::string(512, 'x') + "y", Text(co_joined));
    CT_String co_assigned;
    co_assigned = static_cast<const char *>(co);
    EXPECT_EQ(512u, co_assigned.n_GetStringSize());
    co += "z";
    EXPECT_EQ(std::string(512, 'x') + "z", Text(co));
}

TEST(StringStorage, ALeadByteOnTheLastByteOfTheRoomStaysInsideTheBuffer) {
    CT_String co;
    FillRoom(co, 'x', '\x81');
    // The lead byte takes the reserved terminator byte as its second byte.
    EXPECT_EQ(513u, co.n_GetStringSize());
    EXPECT_EQ(512u, co.n_GetLength());
    EXPECT_EQ(0, co[512u]);

    CT_String co_copy(co);
    EXPECT_EQ(512u, co_copy.n_GetLength());
    EXPECT_EQ(1, co_copy == co);
    CT_String co_assigned;
    co_assigned = static_cast<const char *>(co);
    EXPECT_EQ(513u, co_assigned.n_GetStringSize());
    CT_String co_joined = co + "y";
    EXPECT_EQ(514u, co_joined.n_GetStringSize());
    EXPECT_EQ('y', co_joined[512u]);
}

TEST(StringStorage, ConversionsHandOutTheWritableCurrentText) {
    CT_String co;
    char *pc = co;
    EXPECT_EQ(static_cast<void *>(pc), static_cast<void *>(static_cast<unsigned char *>(co)));
    const CT_String &co_const = co;
    EXPECT_EQ(pc, static_cast<const char *>(co_const));
    EXPECT_EQ(static_cast<const void *>(pc),
              static_cast<const void *>(static_cast<const unsigned char *>(co_const)));
    std::strcpy(pc, "-2147483648"); // a number with its sign, as the error display writes it
    EXPECT_EQ("-2147483648", Text(co));
    EXPECT_EQ(11u, co.n_GetLength());
}

TEST(StringStorage, SetPointerCopiesTheArrayWithoutAdoptingIt) {
    char ac[] = "x\0y";
    CT_String co;
    std::strcpy(co, "old text");
    const char *pc_before = co;
    co.v_SetPointer(ac, 3);
    ac[0] = 'z';
    EXPECT_EQ(0, std::memcmp(static_cast<const char *>(co), "x\0y", 4));
    EXPECT_TRUE(RoomIsZeroFrom(co, 3));
    EXPECT_EQ(pc_before, static_cast<const char *>(co)); // a room of 256 fits in 512
    EXPECT_EQ(512u, co.n_GetSize());

    CT_String co_measured;
    co_measured.v_SetPointer(ac, 0);
    EXPECT_EQ("z", Text(co_measured));
}

TEST(StringStorage, AssignmentReallocatesWhenTheSourcesRoomReachesItsOwn) {
    CT_String co; // 512
    std::strcpy(co, "kept");
    CT_String co_saved(co); // 768
    co = "changed";
    const char *pc_before = co;
    co = co_saved;
    EXPECT_EQ(1024u, co.n_GetSize());
    EXPECT_NE(pc_before, static_cast<const char *>(co));
    EXPECT_EQ("kept", Text(co));

    CT_String co_small("tiny"); // room 256, below 1024: the buffer stays
    pc_before = co;
    co = co_small;
    EXPECT_EQ(pc_before, static_cast<const char *>(co));
    EXPECT_EQ(1024u, co.n_GetSize());
    EXPECT_EQ("tiny", Text(co));
    EXPECT_TRUE(RoomIsZeroFrom(co, 4));
}

TEST(StringStorage, AssigningAStringToItselfKeepsIt) {
    CT_String co("same");
    CT_String &co_alias = co;
    co = co_alias;
    EXPECT_EQ("same", Text(co));
    EXPECT_EQ(256u, co.n_GetSize());
}

TEST(StringStorage, EmptyZeroesTheWholeRoom) {
    CT_String co("abc");
    std::memcpy(static_cast<char *>(co) + 4, "behind", 6);
    co.v_Empty();
    EXPECT_EQ(256u, co.n_GetSize());
    EXPECT_TRUE(RoomIsZeroFrom(co, 0));
}

TEST(StringStorage, ASizeBeyond32BitsIsRefusedAndTheStringKept) {
    CT_String co("abc");
    EXPECT_THROW(co.v_SetSize(0xFFFFFFF0u), std::bad_alloc);
    EXPECT_THROW(co.b_ReSize(0xFFFFFF00u), std::bad_alloc);
    EXPECT_EQ("abc", Text(co));
    EXPECT_EQ(256u, co.n_GetSize());
}

} // namespace
