// CT_String with string tables, windows and callers' arrays; the library's
// string table byte for byte; on Windows its dialog and version resources.
#include "support/platform_support.h"
#include "support/string_views.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#if !defined(_WIN32)
// This program's own table, as a host module on Linux carries one.
CT_STRING_TABLE_BEGIN
#define CT_STRING(id, text) {id, text},
#include "program_strings.def"
#undef CT_STRING
CT_STRING_TABLE_END;
#endif

namespace {

// Loads and returns the parameter of the error it raised, or "" when none.
std::string LoadFailure(HINSTANCE ho_module, unsigned n_id) {
    CT_String co;
    try {
        co.v_Load(ho_module, n_id, CT_String("%"), "p");
    } catch (et_ErrorCode eo_code) {
        EXPECT_EQ(e_WindowsError, eo_code);
        return Text(CT_Errors::co_GetLastParameter());
    }
    return "";
}

// The library's table as it must read, written out here on its own.
const struct {
    unsigned n_id;
    const char *pc_text;
} library_strings[] = {
    {1, "Please select a folder below and click OK."},
    {2, "Select Export File"},
    {3, "Select Import File"},
    {4, "Add Files"},
    {999, "Error % (no message associated with)"},
    {1000, "Error"},
    {1001, "No error"},
    {1002, "Unknown error "},
    {1003, "The following Windows error occured during \nthe function \"%\" :\n\n"},
    {1004, "An unknow Windows error occured"},
    {1005, "Nothing is selected"},
    {1006, "Can't add any more files to the list"},
    {1007, "DTP error"},
    {1008, "An unknown error appeared in the DTP during the last operation"},
    {1009, "An error occured when opening the file\n\"%\""},
    {1010, "An error occured when saving the file\n\"%\""},
    {1011, "An error occured when closing the file \n \"%\""},
    {1012, "An invalid textbox has been found"},
    {1013, "The label \"%\"\nis not a valid label in this file"},
    {1014, "No text found in this document"},
    {1015, "Please open a document"},
    {1016, "Please ensure the Velmor Filter has been correctly installed and activated."},
    {1017, "It is not possible to find this text box in the document"},
    {1018, "An error occured when opening the file\n \"%\""},
    {1019, "An error occured when writing in the file\n \"%\""},
    {1020, "An error occured when reading in the file\n \"%\""},
    {1022, "The end of the file has been reached."},
    {1023, "The end of the file is unexpected.\n\"%\" is expected."},
    {1024, "Please select fewer files and try again."},
    {1025, "The buffer is too small to receive this data"},
    {1026, "The command is unknown by the server"},
    {1027, "The parameters sent are wrong for this server command."},
    {1028, "An invalid character has been found. Maybe a string is corrupted"},
};

TEST(StringTable, TheLibraryCarriesEveryTextByteForByte) {
    const HINSTANCE ho_library = LibraryModule();
    ASSERT_NE(nullptr, ho_library);
    for (const auto &e : library_strings) {
        CT_String co;
        co.v_Load(ho_library, e.n_id, CT_String(), static_cast<const char *>(nullptr));
        EXPECT_EQ(e.pc_text, Text(co)) << e.n_id;
#if defined(_WIN32)
        char ac_text[600] = {0};
        EXPECT_EQ(static_cast<int>(std::strlen(e.pc_text)),
                  LoadStringA(ho_library, e.n_id, ac_text, sizeof ac_text))
            << e.n_id;
        EXPECT_STREQ(e.pc_text, ac_text) << e.n_id;
#endif
    }
}

TEST(StringTable, IdsOutsideTheTableRaiseWindowsErrorWithTheLoadersName) {
    const unsigned absent[] = {0, 5, 998, 1021, 1029, 2000, 65535};
    for (unsigned n_id : absent)
        EXPECT_EQ("CT_String::v_Load", LoadFailure(LibraryModule(), n_id)) << n_id;
    EXPECT_EQ("CT_String::v_Load", LoadFailure(ProgramModule(), 2)) << "an empty text";
}

TEST(StringLoad, PutsTheParameterInPlaceOfTheMarker) {
    const HINSTANCE ho_library = LibraryModule();
    CT_String co;
    co.v_Load(ho_library, 999, CT_String("%"), "12");
    EXPECT_EQ("Error 12 (no message associated with)", Text(co));
    EXPECT_EQ(768u, co.n_GetSize()); // the replacement reassigns the string
    co.v_Load(ho_library, 999, CT_String("%"), 12u);
    EXPECT_EQ("Error 12 (no message associated with)", Text(co));
    co.v_Load(ho_library, 999, CT_String(), "12");
    EXPECT_EQ("Error % (no message associated with)", Text(co));
    co.v_Load(ho_library, 999, CT_String(), static_cast<const char *>(nullptr));
    EXPECT_EQ("Error % (no message associated with)", Text(co));
    co.v_Load(ho_library, 999, CT_String("%"), static_cast<const char *>(nullptr));
    EXPECT_EQ("Error  (no message associated with)", Text(co));
    co.v_Load(ho_library, 999, CT_String("%"), "");
    EXPECT_EQ("Error  (no message associated with)", Text(co));
}

TEST(StringLoad, AHostModulesOwnTableLoadsTheSameWay) {
    CT_String co;
    co.v_Load(ProgramModule(), 1, CT_String("%"), "x");
    EXPECT_EQ("Program text with x and x", Text(co));
    CT_String co_null_module;
    co_null_module.v_Load(nullptr, 1, CT_String(), static_cast<const char *>(nullptr));
    EXPECT_EQ("Program text with % and %", Text(co_null_module));
}

TEST(StringLoad, ALongTextIsCutToTheRoomLessOne) {
    CT_String co;
    co.v_Load(ProgramModule(), 3, CT_String(), static_cast<const char *>(nullptr));
    EXPECT_EQ(511u, co.n_GetStringSize());
    std::string s_expected;
    for (int i = 0; i < 60; ++i)
        s_expected += "0123456789";
    EXPECT_EQ(s_expected.substr(0, 511), Text(co));
}

TEST(StringLoad, TheResourceConstructorLoadsOrStaysEmpty) {
    CT_String co(LibraryModule(), 1018, CT_String("%"), "f.txt");
    EXPECT_EQ("An error occured when opening the file\n \"f.txt\"", Text(co));
    // Id 0 loads nothing: not even an unusable module handle is looked at.
    CT_String co_empty(reinterpret_cast<HINSTANCE>(1), 0, CT_String("%"), "x");
    EXPECT_EQ(1, co_empty.b_IsEmpty());
    EXPECT_EQ(512u, co_empty.n_GetSize());
    // A failed load builds no string and raises to its creator.
    EXPECT_THROW(CT_String(LibraryModule(), 1021, CT_String(), "x"), et_ErrorCode);
    EXPECT_EQ("CT_String::v_Load", Text(CT_Errors::co_GetLastParameter()));
}

TEST(StringArray, CopiesRawBytesAndKeepsTheLastTwoZero) {
    char ac[10];
    std::memset(ac, 'z', sizeof ac);
    CT_String("abc").v_Set(ac, sizeof ac);
    EXPECT_EQ(0, std::memcmp(ac, "abc\0\0\0\0\0\0\0", 10));

    CT_String co_list("a\0b\0", 4);
    std::memset(ac, 'z', sizeof ac);
    co_list.v_Set(ac, sizeof ac);
    EXPECT_EQ(0, std::memcmp(ac, "a\0b\0\0\0\0\0\0\0", 10));

    CT_String co_long("abcdefghijkl");
    std::memset(ac, 'z', sizeof ac);
    co_long.v_Set(ac, sizeof ac);
    EXPECT_EQ(0, std::memcmp(ac, "abcdefgh\0\0", 10));
}

TEST(StringArray, AnArrayLargerThanTheBufferGetsOnlyTheBuffer) {
    CT_String co("abc"); // 257 bytes in all
    std::string s_array(1000, 'z');
    co.v_Set(&s_array[0], 1000);
    EXPECT_EQ(std::string("abc") + std::string(997, '\0'), s_array);
}

class WindowText : public ::testing::Test {
  protected:
    void SetUp() override { ho_window = NewWindow("initial"); }
    void TearDown() override { DeleteWindow(ho_window); }
    HWND ho_window = nullptr;
};

TEST_F(WindowText, SetAndReadBack) {
    ASSERT_NE(nullptr, ho_window);
    CT_String("new text").v_Set(ho_window);
    EXPECT_EQ("new text", PlatformWindowText(ho_window));
    CT_String co;
    co = ho_window;
    EXPECT_EQ("new text", Text(co));
}

TEST_F(WindowText, ReadingIsCutToTheRoomLessOne) {
    const std::string s_long(600, 'w');
    CT_String(s_long.c_str()).v_Set(ho_window);
    CT_String co;
    co = ho_window;
    EXPECT_EQ(s_long.substr(0, 511), Text(co));
}

TEST_F(WindowText, ANullWindowRaisesAndLeavesTheStringAsItWas) {
    CT_String co("kept");
    try {
        co.v_Set(static_cast<HWND>(nullptr));
        ADD_FAILURE() << "no error raised";
    } catch (et_ErrorCode eo_code) {
        EXPECT_EQ(e_WindowsError, eo_code);
        EXPECT_EQ("SetWindowText", Text(CT_Errors::co_GetLastParameter()));
    }
    EXPECT_EQ("kept", Text(co));
}

#if defined(_WIN32)
// The dialog template 107, read back from the DLL through the resource API.
struct DialogControl {
    unsigned n_id;
    std::string s_class;
    std::string s_title;
};

// Reads a sz_Or_Ord field: an ordinal (0xFFFF, then the value) or a
// zero-terminated UTF-16 string, here only ASCII.
const WORD *pw_ReadField(const WORD *pw, std::string *ps_text, unsigned *pn_ordinal) {
    if (*pw == 0xFFFF) {
        *pn_ordinal = pw[1];
        return pw + 2;
    }
    for (; *pw; ++pw)
        ps_text->push_back(static_cast<char>(*pw));
    return pw + 1;
}

TEST(LibraryResources, TheConsoleDialogIsThere) {
    const HINSTANCE ho_library = LibraryModule();
    HRSRC ho_found = FindResourceA(ho_library, MAKEINTRESOURCEA(107), MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, ho_found);
    const DLGTEMPLATE *po_dialog =
        static_cast<const DLGTEMPLATE *>(LockResource(LoadResource(ho_library, ho_found)));
    ASSERT_NE(nullptr, po_dialog);
    ASSERT_EQ(4, po_dialog->cdit);
    const WORD *pw = reinterpret_cast<const WORD *>(po_dialog + 1);
    std::string s_menu, s_class, s_caption, s_font;
    unsigned n_ordinal = 0;
    pw = pw_ReadField(pw, &s_menu, &n_ordinal);
    pw = pw_ReadField(pw, &s_class, &n_ordinal);
    pw = pw_ReadField(pw, &s_caption, &n_ordinal);
    EXPECT_EQ("Console", s_caption);
    ASSERT_TRUE(po_dialog->style & DS_SETFONT);
    EXPECT_EQ(8, *pw++);
    pw = pw_ReadField(pw, &s_font, &n_ordinal);
    EXPECT_EQ("MS Sans Serif", s_font);

    DialogControl controls[4];
    for (DialogControl &o_control : controls) {
        pw = reinterpret_cast<const WORD *>((reinterpret_cast<UINT_PTR>(pw) + 3) & ~UINT_PTR(3));
        const DLGITEMTEMPLATE *po_item = reinterpret_cast<const DLGITEMTEMPLATE *>(pw);
        o_control.n_id = po_item->id;
        pw = reinterpret_cast<const WORD *>(po_item + 1);
        unsigned n_class = 0;
        pw = pw_ReadField(pw, &o_control.s_class, &n_class);
        if (n_class == 0x0080) o_control.s_class = "BUTTON";
        pw = pw_ReadField(pw, &o_control.s_title, &n_ordinal);
        pw += 1 + (*pw + 1) / 2; // creation data: its size, then its bytes
    }
    EXPECT_EQ("BUTTON", controls[0].s_class); // the group box
    EXPECT_EQ(1032u, controls[1].n_id);
    EXPECT_EQ("RICHEDIT", controls[1].s_class);
    EXPECT_EQ(1045u, controls[2].n_id);
    EXPECT_EQ("Hide", controls[2].s_title);
    EXPECT_EQ(1000u, controls[3].n_id);
    EXPECT_EQ("Clear", controls[3].s_title);
}

TEST(LibraryResources, TheVersionBlockCarriesTheLibrarysVersion) {
    char ac_path[MAX_PATH] = {0};
    GetModuleFileNameA(LibraryModule(), ac_path, sizeof ac_path);
    DWORD n_handle = 0;
    const DWORD n_size = GetFileVersionInfoSizeA(ac_path, &n_handle);
    ASSERT_NE(0u, n_size);
    std::string s_block(n_size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(ac_path, 0, n_size, &s_block[0]));
    VS_FIXEDFILEINFO *po_fixed = nullptr;
    UINT n_fixed = 0;
    ASSERT_TRUE(VerQueryValueA(&s_block[0], "\\", reinterpret_cast<void **>(&po_fixed), &n_fixed));
    EXPECT_EQ(static_cast<DWORD>(CTCOMMON_TEST_VERSION_MAJOR << 16 | CTCOMMON_TEST_VERSION_MINOR),
              po_fixed->dwFileVersionMS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), po_fixed->dwFileType);
}
#endif

} // namespace
