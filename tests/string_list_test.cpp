// CT_String element lists: walking, counting, adding, and what the other
// operations see of a list.
#include "support/string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

CT_String ListOf(std::initializer_list<const char *> elements) {
    CT_String co;
    for (const char *pc : elements)
        co.v_AddElement(pc);
    return co;
}

TEST(StringList, AnEmptyStringIsAnEmptyList) {
    CT_String co;
    EXPECT_EQ(0u, co.n_GetNumberOfElement());
    const char *pc_before = co;
    EXPECT_EQ(0, co.b_NextElement());
    EXPECT_EQ(pc_before, static_cast<const char *>(co));
}

TEST(StringList, AnOrdinaryTextIsAListOfOne) {
    CT_String co("abc");
    EXPECT_EQ(1u, co.n_GetNumberOfElement());
    const char *pc_start = co;
    EXPECT_EQ(0, co.b_NextElement());
    EXPECT_EQ(pc_start + 4, static_cast<const char *>(co)); // behind the text's zero byte
}

TEST(StringList, AddingBuildsTheListFormAndWalkingVisitsEachElement) {
    CT_String co = ListOf({"a", "bc", "d"});
    EXPECT_EQ(std::string("a\0bc\0d\0\0", 8), ListBytes(co));
    EXPECT_EQ(3u, co.n_GetNumberOfElement());
    EXPECT_EQ("a", Text(co));
    co.v_ResetArray();
    EXPECT_EQ(1, co.b_NextElement());
    EXPECT_EQ("bc", Text(co));
    EXPECT_EQ(1, co.b_NextElement());
    EXPECT_EQ("d", Text(co));
    EXPECT_EQ(0, co.b_NextElement());
    EXPECT_EQ("", Text(co));
    EXPECT_EQ(0, co.b_NextElement()); // stays at the end
    EXPECT_EQ(1, co.b_IsEmpty());
}

TEST(StringList, AnEmptyElementAddsNothing) {
    CT_String co = ListOf({"a"});
    co.v_AddElement("");
    EXPECT_EQ(std::string("a\0\0", 3), ListBytes(co));
}

TEST(StringList, ACopyDuringAWalkHoldsTheCurrentElementAndThoseBehind) {
    CT_String co = ListOf({"a", "bc", "d"});
    co.b_NextElement();
    CT_String co_copy(co);
    EXPECT_EQ(2u, co_copy.n_GetNumberOfElement());
    EXPECT_EQ(std::string("bc\0d\0\0", 6), ListBytes(co_copy));
    EXPECT_EQ(co.n_GetSize() + 256, co_copy.n_GetSize());
}

TEST(StringList, AssigningTextDuringAWalkReplacesTheRest) {
    CT_String co = ListOf({"a", "bc", "d"});
    co.b_NextElement();
    co = "xyz";
    EXPECT_EQ(std::string("a\0xyz\0\0", 7), ListBytes(co));
    EXPECT_EQ(2u, co.n_GetNumberOfElement());
}

TEST(StringList, ARoomThatOverflowsGrowsAndKeepsEveryElement) {
    CT_String co; // 512
    std::string s_expected;
    for (int i = 0; i < 40; ++i) {
        const std::string s_element = "element-" + std::to_string(i) + std::string(20, 'x');
        co.v_AddElement(s_element.c_str());
        s_expected += s_element + '\0';
    }
    EXPECT_EQ(40u, co.n_GetNumberOfElement());
    EXPECT_EQ(s_expected + '\0', ListBytes(co));
    EXPECT_GT(co.n_GetSize(), 512u);
}

TEST(StringList, AnElementThatFillsTheRoomStillGetsBothZeroBytes) {
    CT_String co; // a room of 512
    const std::string s_long(511, 'y');
    co.v_AddElement(s_long.c_str());
    EXPECT_EQ(s_long + std::string(2, '\0'), ListBytes(co));
    co.v_AddElement("z");
    EXPECT_EQ(s_long + '\0' + "z" + std::string(2, '\0'), ListBytes(co));
    EXPECT_EQ(2u, co.n_GetNumberOfElement());
}

TEST(StringList, PutArrayAppendsEachElementOfACallersList) {
    CT_String co = ListOf({"a"});
    const char ac_array[] = "x\0y\0\0ignored";
    co.v_PutArray(ac_array);
    EXPECT_EQ(std::string("a\0x\0y\0\0", 7), ListBytes(co));
    EXPECT_EQ("a", Text(co)); // the cursor is back on the first element
    co.v_PutArray("");
    EXPECT_EQ(3u, co.n_GetNumberOfElement());
    co.v_PutArray(static_cast<const char *>(co)); // its own list, doubled
    EXPECT_EQ(std::string("a\0x\0y\0a\0x\0y\0\0", 13), ListBytes(co));
}

TEST(StringList, ACutAtADotLeavesASecondElementBehind) {
    CT_String co("file.txt");
    co.v_ReplaceChar(0x002E, 0);
    EXPECT_EQ(2u, co.n_GetNumberOfElement());
}

TEST(StringList, TheWalkStopsAtTheEndOfAFullBuffer) {
    CT_String co;
    std::memset(static_cast<char *>(co), 'w', co.n_GetSize()); // no zero byte in the room
    EXPECT_EQ(0, co.b_NextElement());
    EXPECT_EQ(0u, co.n_GetSize());
    EXPECT_EQ(1, co.b_IsEmpty());
    co.v_AddElement("more"); // behind the buffer's end: it grows
    EXPECT_EQ(2u, co.n_GetNumberOfElement());
    EXPECT_EQ(std::string(512, 'w') + '\0' + "more" + std::string(2, '\0'), ListBytes(co));
}

} // namespace
