// CT_Errors: the error record, raising and re-raising across the library's
// boundary, and the error display (the real message box on Windows).
#include "support/platform_support.h"
#include "support/raised.h"
#include "support/string_views.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string LastParameter() { return Text(CT_Errors::co_GetLastParameter()); }

// The code that a catch saw from raising or raising again.
int CaughtCode(et_ErrorCode eo_code, const char *pc_parameter) {
    return RaisedBy([&] { CT_Errors::v_ThrowError(eo_code, pc_parameter); }).n_code;
}

int CaughtAgain() {
    return RaisedBy([] { CT_Errors::v_ThrowAgain(); }).n_code;
}

// Runs before any other test of this program changes the record.
TEST(ErrorsAtLoad, TheRecordIsResetAndTheCaptionLoaded) {
    EXPECT_EQ(e_UnknownError, CT_Errors::set_GetLastError());
    EXPECT_EQ("", LastParameter());
    EXPECT_EQ("Error", Text(CT_Errors::co_title));
}

class ErrorRecord : public ::testing::Test {
  protected:
    void SetUp() override { CT_Errors::v_ResetError(); }
    void TearDown() override { CT_Errors::v_ResetError(); }
};

TEST_F(ErrorRecord, ThrowErrorRecordsACopyAndThrowsTheBareCode) {
    char ac_name[] = "C:\\data\\a.txt";
    EXPECT_EQ(17, CaughtCode(e_FileOpenFailed, ac_name));
    ac_name[0] = 'X'; // the record keeps its own copy
    EXPECT_EQ(e_FileOpenFailed, CT_Errors::set_GetLastError());
    EXPECT_EQ("C:\\data\\a.txt", LastParameter());
}

TEST_F(ErrorRecord, ANullParameterLeavesNoParameter) {
    CaughtCode(e_FileOpenFailed, "name");
    EXPECT_EQ(4, CaughtCode(e_NothingSelected, nullptr));
    EXPECT_EQ("", LastParameter());
}

TEST_F(ErrorRecord, TheParameterCopyIsIndependentOfLaterErrors) {
    CaughtCode(e_FileReadFailed, "first");
    CT_String co_kept = CT_Errors::co_GetLastParameter();
    CaughtCode(e_FileWriteFailed, "second");
    EXPECT_EQ("first", Text(co_kept));
    EXPECT_EQ("second", LastParameter());
}

TEST_F(ErrorRecord, AnyCodeIsStoredAndThrownAsItIs) {
    const int codes[] = {0, 20, 27, -5, 99};
    for (int n_code : codes) {
        EXPECT_EQ(n_code, CaughtCode(static_cast<et_ErrorCode>(n_code), "p"));
        EXPECT_EQ(n_code, CT_Errors::set_GetLastError());
    }
}

TEST_F(ErrorRecord, ThrowAgainThrowsTheStoredCode) {
    EXPECT_EQ(1, CaughtAgain()); // after a reset, outside any handler
    CaughtCode(e_FileOpenFailed, "f");
    EXPECT_EQ(17, CaughtAgain());
    EXPECT_EQ("f", LastParameter());
}

TEST_F(ErrorRecord, ThrowAgainInAHandlerThrowsTheLatestErrorNotTheCaughtOne) {
    int n_rethrown = -1000;
    try {
        CT_Errors::v_ThrowError(e_FileOpenFailed, "file.txt");
    } catch (et_ErrorCode) {
        EXPECT_EQ(2, CaughtCode(e_WindowsError, "SetWindowText"));
        n_rethrown = CaughtAgain();
    }
    EXPECT_EQ(2, n_rethrown);
    EXPECT_EQ("SetWindowText", LastParameter());
}

TEST_F(ErrorRecord, ResetReturnsToCodeOneWithoutParameter) {
    CaughtCode(e_FileOpenFailed, "f");
    CT_Errors::v_ResetError();
    EXPECT_EQ(e_UnknownError, CT_Errors::set_GetLastError());
    EXPECT_EQ("", LastParameter());
}

TEST_F(ErrorRecord, AssignmentCopiesNothing) {
    CaughtCode(e_FileOpenFailed, "f");
    CT_Errors co_a, co_b;
    EXPECT_EQ(&co_a, &(co_a = co_b));
    EXPECT_EQ(e_FileOpenFailed, CT_Errors::set_GetLastError());
    EXPECT_EQ("f", LastParameter());
}

class ErrorDisplay : public ErrorRecord {};

ShownNotice DisplayRecorded() {
    return ShowAndRead([] { CT_Errors::v_DisplayError(); });
}

TEST_F(ErrorDisplay, AfterLoadItShowsUnknownErrorUnderTheCaptionError) {
    const ShownNotice o_box = DisplayRecorded();
    ASSERT_TRUE(o_box.b_shown);
    EXPECT_EQ("Error", o_box.s_caption);
    EXPECT_EQ("Unknown error ", o_box.s_text);
    EXPECT_EQ(nullptr, o_box.ho_owner); // no active window
    EXPECT_EQ(e_UnknownError, CT_Errors::set_GetLastError());
}

TEST_F(ErrorDisplay, ShowsTheRecordedErrorThenResetsTheRecord) {
    const struct {
        int n_code;
        const char *pc_parameter;
        const char *pc_text;
    } cases[] = {
        {17, "C:\\data\\a.txt", "An error occured when opening the file\n \"C:\\data\\a.txt\""},
        {17, "", "An error occured when opening the file\n \"%\""},
        {4, "not shown", "Nothing is selected"},
        {12, "L1", "The label \"L1\"\nis not a valid label in this file"},
        {22, ";", "The end of the file is unexpected.\n\";\" is expected."},
        {0, nullptr, "No error"},
        {2, "", "The following Windows error occured during \nthe function \"%\" :\n\n"},
        {20, "x", "Error 20 (no message associated with)"},
        {-5, "", "Error -5 (no message associated with)"},
        {1000, "", "Error 1000 (no message associated with)"},
    };
    for (const auto &c : cases) {
        CaughtCode(static_cast<et_ErrorCode>(c.n_code), c.pc_parameter);
        const ShownNotice o_box = DisplayRecorded();
        ASSERT_TRUE(o_box.b_shown) << c.n_code;
        EXPECT_EQ("Error", o_box.s_caption) << c.n_code;
        EXPECT_EQ(c.pc_text, o_box.s_text) << c.n_code;
        EXPECT_EQ(e_UnknownError, CT_Errors::set_GetLastError()) << c.n_code;
        EXPECT_EQ("", LastParameter()) << c.n_code;
    }
}

TEST_F(ErrorDisplay, AFailedSystemCallIsCompletedWithTheSystemsText) {
    const unsigned n_error = AccessDeniedError();
    CaughtCode(e_WindowsError, "SetWindowText");
    const ShownNotice o_box = ShowAndRead([n_error] {
        SetSystemError(n_error); // read at display time
        CT_Errors::v_DisplayError();
    });
    ASSERT_TRUE(o_box.b_shown);
    const std::string s_system = SystemErrorText(n_error);
    ASSERT_FALSE(s_system.empty());
    EXPECT_EQ("The following Windows error occured during \nthe function \"SetWindowText\" :\n\n" +
                  s_system,
              o_box.s_text);
}

TEST_F(ErrorDisplay, AGivenErrorIsShownAndTheRecordRestored) {
    CaughtCode(e_FileOpenFailed, "kept.txt");
    ShownNotice o_box = ShowAndRead([] { CT_Errors::v_DisplayError(e_SaveFailed, "shown.txt"); });
    EXPECT_EQ("An error occured when saving the file\n\"shown.txt\"", o_box.s_text);
    EXPECT_EQ(e_FileOpenFailed, CT_Errors::set_GetLastError());
    EXPECT_EQ("kept.txt", LastParameter());

    o_box = ShowAndRead([] { CT_Errors::v_DisplayError(e_SaveFailed, nullptr); });
    EXPECT_EQ("An error occured when saving the file\n\"%\"", o_box.s_text);
    o_box = ShowAndRead([] { CT_Errors::v_DisplayError(e_Reserved, "x"); });
    EXPECT_EQ("Error 20 (no message associated with)", o_box.s_text);
    EXPECT_EQ(e_FileOpenFailed, CT_Errors::set_GetLastError());
    EXPECT_EQ("kept.txt", LastParameter());
}

TEST_F(ErrorDisplay, ANewCaptionAppliesToLaterBoxes) {
    CT_Errors::co_title = "Export";
    const ShownNotice o_box = DisplayRecorded();
    CT_Errors::co_title = "Error";
    EXPECT_EQ("Export", o_box.s_caption);
    EXPECT_EQ("Error", DisplayRecorded().s_caption);
}

#if defined(_WIN32)
TEST_F(ErrorDisplay, TheActiveWindowOwnsTheBox) {
    HWND ho_window =
        CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, ho_window);
    SetActiveWindow(ho_window);
    if (GetActiveWindow() != ho_window) {
        DestroyWindow(ho_window);
        GTEST_SKIP() << "this window system gives the test no active window";
    }
    const ShownNotice o_box = DisplayRecorded();
    DestroyWindow(ho_window);
    ASSERT_TRUE(o_box.b_shown);
    EXPECT_EQ(ho_window, o_box.ho_owner);
}
#endif

// Whether the text's first n_bytes bytes end between two characters (a byte
// from 0x81 to 0x9F or from 0xE0 to 0xEF leads a double-byte character).
bool EndsBetweenCharacters(const std::string &s_text, std::size_t n_bytes) {
    std::size_t n_at = 0;
    while (n_at < n_bytes) {
        const unsigned char c_byte = static_cast<unsigned char>(s_text[n_at]);
        n_at += (c_byte >= 0x81 && c_byte <= 0x9F) || (c_byte >= 0xE0 && c_byte <= 0xEF) ? 2 : 1;
    }
    return n_at == n_bytes;
}

std::string Repeated(const std::string &s_piece, std::size_t n_times) {
    std::string s_text;
    for (std::size_t i = 0; i < n_times; ++i)
        s_text += s_piece;
    return s_text;
}

// A box shows at most 32,000 bytes: a longer message is cut between two
// characters and ends in a mark; the record keeps the whole parameter.
TEST_F(ErrorDisplay, ALongMessageIsCutBetweenCharactersAndMarked) {
    const std::size_t n_longest = 32000;
    const std::string s_mark = "\n[...]";
    const std::string s_before = "An error occured when writing in the file\n \"";
    const std::string s_pair = "\x82\x41"; // one double-byte character
    const struct {
        const char *pc_label;
        std::string s_parameter;
    } cases[] = {
        {"fits exactly", std::string(n_longest - s_before.size() - 1, 'n')},
        {"one byte over", std::string(n_longest - s_before.size(), 'n')},
        {"39,999 bytes", std::string(39999, 'n')},
        {"70,042 bytes", std::string(70042, 'n')},
        {"double-byte characters", Repeated(s_pair, 20000)},
        {"double-byte characters, one byte later", "a" + Repeated(s_pair, 20000)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pc_label);
        const std::string s_message = s_before + c.s_parameter + "\"";
        const Raised o_raised =
            RaisedBy([&] { CT_Errors::v_ThrowError(e_FileWriteFailed, c.s_parameter.c_str()); });
        EXPECT_EQ(c.s_parameter, o_raised.s_parameter);
        const ShownNotice o_box = DisplayRecorded();
        ASSERT_TRUE(o_box.b_shown);
        if (s_message.size() <= n_longest) {
            EXPECT_EQ(s_message, o_box.s_text);
            continue;
        }
        EXPECT_LE(o_box.s_text.size(), n_longest);
        ASSERT_GT(o_box.s_text.size(), s_mark.size());
        const std::size_t n_kept = o_box.s_text.size() - s_mark.size();
        EXPECT_GE(n_kept + 1, n_longest - s_mark.size()); // at most the last character lost
        EXPECT_EQ(s_mark, o_box.s_text.substr(n_kept));
        EXPECT_EQ(s_message.substr(0, n_kept), o_box.s_text.substr(0, n_kept));
        EXPECT_TRUE(EndsBetweenCharacters(s_message, n_kept));
    }
}

// A host's rewrite of an export file fails: the write raises 18 with the
// file's name, the host catches the code and shows the error.
TEST_F(ErrorDisplay, AFailedWriteIsCaughtAndShownAsAHostWould) {
    const char *pc_file = "C:\\exports\\day.kdw";
    bool b_caught = false;
    try {
        CT_Errors::v_ThrowError(e_FileWriteFailed, pc_file);
    } catch (et_ErrorCode eo_code) {
        b_caught = eo_code == e_FileWriteFailed;
        const ShownNotice o_box = DisplayRecorded();
        EXPECT_EQ("Error", o_box.s_caption);
        EXPECT_EQ("An error occured when writing in the file\n \"C:\\exports\\day.kdw\"",
                  o_box.s_text);
    }
    EXPECT_TRUE(b_caught);
    EXPECT_EQ(e_UnknownError, CT_Errors::set_GetLastError());
    EXPECT_EQ("", LastParameter());
}

} // namespace
