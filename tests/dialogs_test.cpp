// CT_FilesDialog and CT_Help: the exact requests that they make, recorded
// by stand-ins of the test build for the platform's dialog, help and
// active-window calls; and how answers are split.
#include "support/raised.h"
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#if defined(_WIN32)
#include <commdlg.h>
#include <shlobj.h>
#else
#include "platform/posix/win32_api.h"
#include <dlfcn.h>
#endif

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

#if defined(_WIN32)
const std::string s_data = "D:\\data";
#define CT_CALL WINAPI
#define CT_COM STDMETHODCALLTYPE
HINSTANCE TestBuildModule() { return GetModuleHandleA("ctcommon_testbuild.dll"); }
#else
const std::string s_data = "/data";
#define CT_CALL
#define CT_COM
HINSTANCE TestBuildModule() {
    return reinterpret_cast<HINSTANCE>(dlopen("libctcommon_testbuild.so", RTLD_NOLOAD | RTLD_NOW));
}
#endif

// What the stand-ins saw and what they answer.
struct Script {
    HWND ho_active = reinterpret_cast<HWND>(0x5A5A);
    std::string s_call;
    OPENFILENAMEA o_file_request;
    std::string s_filter, s_title, s_default_extension, s_file_at_call;
    DWORD n_file_room = 0;
    BROWSEINFOA o_folder_request;
    std::string s_folder_title;
    unsigned n_folder_room = 0;
    // The answer: bytes written into lpstrFile (with their terminators), or
    // a failure with this extended error.
    bool b_confirm = true;
    std::string s_answer;
    DWORD n_error = 0;
    // The folder dialog.
    HRESULT n_allocator_result = S_OK;
    bool b_path_found = true;
    int n_freed = 0, n_released = 0;
    // Help requests.
    HWND ho_help_window = nullptr;
    std::string s_help_file;
    UINT n_help_command = 0;
    ULONG_PTR n_help_data = 0;
} o_script;

HWND CT_CALL GetActiveWindowStandIn() { return o_script.ho_active; }

BOOL RecordFileRequest(const char *pc_call, LPOPENFILENAMEA po) {
    o_script.s_call = pc_call;
    o_script.o_file_request = *po;
    std::size_t n = 0;
    while (po->lpstrFilter && po->lpstrFilter[n])
        n += std::strlen(po->lpstrFilter + n) + 1;
    o_script.s_filter = po->lpstrFilter ? std::string(po->lpstrFilter, n + 1) : "";
    o_script.s_title = po->lpstrTitle ? po->lpstrTitle : "";
    o_script.s_default_extension = po->lpstrDefExt ? po->lpstrDefExt : "";
    o_script.s_file_at_call = po->lpstrFile;
    if (!o_script.b_confirm) return FALSE;
    std::memcpy(po->lpstrFile, o_script.s_answer.data(), o_script.s_answer.size());
    return TRUE;
}

BOOL CT_CALL GetSaveFileNameStandIn(LPOPENFILENAMEA po) { return RecordFileRequest("save", po); }
BOOL CT_CALL GetOpenFileNameStandIn(LPOPENFILENAMEA po) { return RecordFileRequest("open", po); }
DWORD CT_CALL CommDlgExtendedErrorStandIn() { return o_script.n_error; }

#if defined(_WIN32)
struct RecordingAllocator : IMalloc {
    HRESULT CT_COM QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG CT_COM AddRef() override { return 1; }
    ULONG CT_COM Release() override { return ++o_script.n_released, 1; }
    void *CT_COM Alloc(SIZE_T) override { return nullptr; }
    void *CT_COM Realloc(void *, SIZE_T) override { return nullptr; }
    void CT_COM Free(void *pv) override {
        ++o_script.n_freed;
        delete static_cast<std::string *>(pv);
    }
    SIZE_T CT_COM GetSize(void *) override { return 0; }
    int CT_COM DidAlloc(void *) override { return 1; }
    void CT_COM HeapMinimize() override {}
} o_allocator;
#else
struct RecordingAllocator : IMalloc {
    ULONG Release() override { return ++o_script.n_released, 1; }
    void Free(void *pv) override {
        ++o_script.n_freed;
        delete static_cast<std::string *>(pv);
    }
} o_allocator;
#endif

HRESULT CT_CALL SHGetMallocStandIn(IMalloc **ppo) {
    *ppo = &o_allocator;
    return o_script.n_allocator_result;
}

LPITEMIDLIST CT_CALL SHBrowseForFolderStandIn(LPBROWSEINFOA po) {
    o_script.s_call = "folder";
    o_script.o_folder_request = *po;
    o_script.s_folder_title = po->lpszTitle ? po->lpszTitle : "";
    if (!o_script.b_confirm) return nullptr;
    return reinterpret_cast<LPITEMIDLIST>(new std::string(o_script.s_answer));
}

BOOL CT_CALL SHGetPathFromIDListStandIn(PCIDLIST_ABSOLUTE po_item, LPSTR pc_path) {
    if (!o_script.b_path_found) return FALSE;
    const std::string &s_path = *reinterpret_cast<const std::string *>(po_item);
    std::memcpy(pc_path, s_path.c_str(), s_path.size() + 1);
    return TRUE;
}

BOOL CT_CALL WinHelpStandIn(HWND ho_window, LPCSTR pc_file, UINT n_command, ULONG_PTR n_data) {
    o_script.s_call = "help";
    o_script.ho_help_window = ho_window;
    o_script.s_help_file = pc_file ? pc_file : "(null)";
    o_script.n_help_command = n_command;
    o_script.n_help_data = n_data;
    return TRUE;
}

template <typename T> void *Function(T pfn) { return reinterpret_cast<void *>(pfn); }

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ct_ClearFaults();
        o_script = Script();
        ct_SetStandIn("GetActiveWindow", Function(&GetActiveWindowStandIn));
        ct_SetStandIn("GetSaveFileNameA", Function(&GetSaveFileNameStandIn));
        ct_SetStandIn("GetOpenFileNameA", Function(&GetOpenFileNameStandIn));
        ct_SetStandIn("CommDlgExtendedError", Function(&CommDlgExtendedErrorStandIn));
        ct_SetStandIn("SHGetMalloc", Function(&SHGetMallocStandIn));
        ct_SetStandIn("SHBrowseForFolderA", Function(&SHBrowseForFolderStandIn));
        ct_SetStandIn("SHGetPathFromIDListA", Function(&SHGetPathFromIDListStandIn));
        ct_SetStandIn("WinHelpA", Function(&WinHelpStandIn));
    }
    void TearDown() override { ct_ClearFaults(); }

    CT_String Filter() {
        CT_String co_filter;
        co_filter.v_AddElement("Export files");
        co_filter.v_AddElement("*.kdw");
        co_filter.v_AddElement("All files");
        co_filter.v_AddElement("*.*");
        return co_filter;
    }

    // Every field of a file request that does not depend on the operation;
    // the first argument's buffer and room as they were at the call.
    void ExpectCommonFileFields(const char *pc_file, unsigned n_room, HWND ho_owner) {
        const OPENFILENAMEA &o = o_script.o_file_request;
#if defined(_WIN32)
        EXPECT_EQ(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR), o.lStructSize);
#else
        EXPECT_EQ(76u, o.lStructSize);
#endif
        EXPECT_EQ(ho_owner, o.hwndOwner);
        EXPECT_EQ(TestBuildModule(), o.hInstance);
        EXPECT_EQ(std::string("Export files\0*.kdw\0All files\0*.*\0\0", 34), o_script.s_filter);
        EXPECT_EQ(nullptr, o.lpstrCustomFilter);
        EXPECT_EQ(0u, o.nMaxCustFilter);
        EXPECT_EQ(0u, o.nFilterIndex);
        EXPECT_EQ(pc_file, o.lpstrFile);
        EXPECT_EQ(n_room, o.nMaxFile);
        EXPECT_EQ(nullptr, o.lpstrFileTitle);
        EXPECT_EQ(0u, o.nMaxFileTitle);
        EXPECT_EQ(nullptr, o.lpstrInitialDir);
        EXPECT_EQ(0, o.nFileOffset);
        EXPECT_EQ(0, o.nFileExtension);
        EXPECT_EQ("kdw", o_script.s_default_extension);
        EXPECT_EQ(0, o.lCustData);
        EXPECT_EQ(nullptr, reinterpret_cast<void *>(o.lpfnHook));
        EXPECT_EQ(nullptr, o.lpTemplateName);
    }
};

TEST_F(Dialogs, TheSaveDialogAsksWithItsCaptionFlagsAndTheCallersBuffer) {
    CT_String co_file; // 512
    std::strcpy(co_file, "initial.kdw");
    o_script.s_answer = s_data + s_sep + "export.kdw" + '\0';
    HWND ho_owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_NE(0, CT_FilesDialog::b_ChooseSaveFile(co_file, Filter(), ho_owner));
    EXPECT_EQ("save", o_script.s_call);
    ExpectCommonFileFields(co_file, 512, ho_owner);
    EXPECT_EQ("Select Export File", o_script.s_title);
    EXPECT_EQ(0x16u, o_script.o_file_request.Flags);
    EXPECT_EQ("initial.kdw", o_script.s_file_at_call);
    EXPECT_EQ(s_data + s_sep + "export.kdw", Text(co_file)); // not split
}

TEST_F(Dialogs, TheOpenDialogAndTheOwnerRule) {
    CT_String co_file;
    o_script.s_answer = s_data + s_sep + "import.kdw" + '\0';
    EXPECT_NE(0, CT_FilesDialog::b_ChooseOpenFile(co_file, Filter(), nullptr));
    EXPECT_EQ("open", o_script.s_call);
    ExpectCommonFileFields(co_file, 512, o_script.ho_active); // null: the active window
    EXPECT_EQ("Select Import File", o_script.s_title);
    EXPECT_EQ(0x1014u, o_script.o_file_request.Flags);

    o_script.ho_active = nullptr; // and none at all
    CT_FilesDialog::b_ChooseOpenFile(co_file, Filter(), nullptr);
    EXPECT_EQ(nullptr, o_script.o_file_request.hwndOwner);
}

TEST_F(Dialogs, ACancelledOrFailedSingleDialogReturnsZeroWithoutRaising) {
    CT_String co_file("kept");
    o_script.b_confirm = false;
    o_script.n_error = 0x3003; // even a buffer too small
    EXPECT_EQ(-1, RaisedBy([&] {
                      EXPECT_EQ(0, CT_FilesDialog::b_ChooseSaveFile(co_file, Filter(), nullptr));
                      EXPECT_EQ(0, CT_FilesDialog::b_ChooseOpenFile(co_file, Filter(), nullptr));
                  }).n_code);
}

TEST_F(Dialogs, TheMultipleDialogSplitsOneFileIntoFolderAndName) {
    CT_String co_files, co_names("earlier");
    const char *pc_buffer = co_files;
    o_script.s_answer = s_data + s_sep + "a.txt" + std::string(2, '\0');
    EXPECT_EQ(1, CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, Filter(), nullptr));
    EXPECT_EQ("Add Files", o_script.s_title);
    EXPECT_EQ(0x81214u, o_script.o_file_request.Flags);
    ExpectCommonFileFields(pc_buffer, 512, o_script.ho_active);
    EXPECT_EQ(s_data + s_sep, Text(co_files));
    EXPECT_EQ("a.txt", Text(co_names)); // replaces the earlier text
}

TEST_F(Dialogs, SeveralFilesAreAddedBehindTheNamesAlreadyHeld) {
    CT_String co_files, co_names;
    co_names.v_AddElement("earlier.txt");
    o_script.s_answer = s_data + '\0' + "b.txt" + '\0' + "a.txt" + std::string(2, '\0');
    EXPECT_EQ(1, CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, Filter(), nullptr));
    EXPECT_EQ(s_data + s_sep, Text(co_files));
    EXPECT_EQ(std::string("earlier.txt\0b.txt\0a.txt\0\0", 25), ListBytes(co_names));
}

TEST_F(Dialogs, ARootFolderStillGetsOneSeparatorMore) {
    CT_String co_files, co_names;
    const std::string s_root = s_sep == "/" ? "/" : "D:\\";
    o_script.s_answer = s_root + '\0' + "a" + '\0' + "b" + std::string(2, '\0');
    CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, Filter(), nullptr);
    EXPECT_EQ(s_root + s_sep, Text(co_files));
}

TEST_F(Dialogs, AnAnswerThatDoesNotFitRaisesTooManyFiles) {
    CT_String co_files("kept"), co_names("untouched");
    o_script.b_confirm = false;
    o_script.n_error = 0x3003; // FNERR_BUFFERTOOSMALL
    const Raised o_raised = RaisedBy(
        [&] { CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, Filter(), nullptr); });
    EXPECT_EQ(e_TooManyFiles, o_raised.n_code);
    EXPECT_EQ("", o_raised.s_parameter);
    EXPECT_EQ("untouched", Text(co_names));

    // A system that cuts the answer to fit and reports success.
    o_script.b_confirm = true;
    o_script.s_answer = std::string(co_files.n_GetSize(), 'n');
    EXPECT_EQ(e_TooManyFiles, RaisedBy([&] {
                                  CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names,
                                                                           Filter(), nullptr);
                              }).n_code);
    EXPECT_EQ("untouched", Text(co_names));
}

TEST_F(Dialogs, ACancelledMultipleDialogReturnsZero) {
    CT_String co_files, co_names("untouched");
    o_script.b_confirm = false;
    EXPECT_EQ(0, CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, Filter(), nullptr));
    EXPECT_EQ("untouched", Text(co_names));
}

TEST_F(Dialogs, TheFolderDialogAsksAndGivesThePathAndTheAllocatorBack) {
    CT_String co_folder("x"); // a room of 256: grown for MAX_PATH
    o_script.s_answer = s_data + s_sep + "out";
    HWND ho_owner = reinterpret_cast<HWND>(0x77);
    EXPECT_EQ(1, CT_FilesDialog::b_BrowseForFolder(co_folder, ho_owner));
    const BROWSEINFOA &o = o_script.o_folder_request;
    EXPECT_EQ(ho_owner, o.hwndOwner);
    EXPECT_EQ(nullptr, o.pidlRoot);
    EXPECT_NE(nullptr, o.pszDisplayName);
    EXPECT_EQ("Please select a folder below and click OK.", o_script.s_folder_title);
    EXPECT_EQ(1u, o.ulFlags);
    EXPECT_EQ(nullptr, reinterpret_cast<void *>(o.lpfn));
    EXPECT_EQ(0, o.lParam);
    EXPECT_EQ(s_data + s_sep + "out", Text(co_folder)); // no separator added
    EXPECT_GE(co_folder.n_GetSize(), 260u);
    EXPECT_EQ(1, o_script.n_freed);
    EXPECT_EQ(1, o_script.n_released);
}

TEST_F(Dialogs, TheFolderDialogWithoutAFolder) {
    CT_String co_folder("kept");
    o_script.b_confirm = false; // cancelled
    EXPECT_EQ(0, CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr));
    EXPECT_EQ(o_script.ho_active, o_script.o_folder_request.hwndOwner);
    EXPECT_EQ("kept", Text(co_folder));
    EXPECT_EQ(1, o_script.n_released);

    o_script = Script();
    o_script.b_path_found = false; // no file-system path
    EXPECT_EQ(0, CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr));
    o_script = Script();
    o_script.s_answer = ""; // an empty path
    EXPECT_EQ(0, CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr));
    EXPECT_EQ(1, o_script.n_freed);
    EXPECT_EQ(1, o_script.n_released);
}

TEST_F(Dialogs, NoAllocatorRaisesUnknownErrorBeforeAnyDialog) {
    CT_String co_folder("kept");
    o_script.n_allocator_result = E_FAIL;
    const Raised o_raised =
        RaisedBy([&] { CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr); });
    EXPECT_EQ(e_UnknownError, o_raised.n_code);
    EXPECT_EQ("", o_raised.s_parameter);
    EXPECT_EQ("", o_script.s_call);
    EXPECT_EQ("kept", Text(co_folder));
}

TEST_F(Dialogs, HelpRequestsGoToTheDefinedFileWithTheWindowAsItIs) {
    CT_Help::v_Display(nullptr); // nothing defined yet
    EXPECT_EQ("", o_script.s_help_file);
    EXPECT_EQ(11u, o_script.n_help_command);
    EXPECT_EQ(0u, o_script.n_help_data);
    EXPECT_EQ(nullptr, o_script.ho_help_window); // not the active window

    CT_Help::v_DefineHelpPath("first.hlp");
    CT_Help::v_DefineHelpPath("second.hlp");
    HWND ho_window = reinterpret_cast<HWND>(0x99);
    CT_Help::v_Display(ho_window, 0u);
    EXPECT_EQ("second.hlp", o_script.s_help_file);
    EXPECT_EQ(1u, o_script.n_help_command);
    EXPECT_EQ(0u, o_script.n_help_data);
    EXPECT_EQ(ho_window, o_script.ho_help_window);
    CT_Help::v_Display(ho_window, 4000000000u);
    EXPECT_EQ(4000000000u, o_script.n_help_data);
    CT_Help::v_Display(ho_window);
    EXPECT_EQ(11u, o_script.n_help_command);
    EXPECT_EQ("second.hlp", o_script.s_help_file);
}

TEST(DatalessClasses, AssignmentCopiesNothingAndReturnsTheTarget) {
    CT_FilesDialog co_a, co_b;
    EXPECT_EQ(&co_a, &(co_a = co_b));
    CT_Help co_c, co_d;
    EXPECT_EQ(&co_c, &(co_c = co_d));
}

} // namespace
