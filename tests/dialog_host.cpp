// A small host program that asks every dialog in turn and prints what it
// got, then shows an error; on Linux its answers may be piped in
// (pipe_dialogs.sh), and on both systems ctcommon-answer answers it
// (answer_dialogs.sh).
#include <ctcommon.h>

#include <cstdio>

namespace {

const char *Text(const CT_String &co) { return co; }

} // namespace

int main() {
    CT_String co_filter;
    co_filter.v_AddElement("All files");
    co_filter.v_AddElement("*.*");

    CT_String co_export;
    const int b_saved = CT_FilesDialog::b_ChooseSaveFile(co_export, co_filter, nullptr);
    std::printf("save %d %s\n", b_saved, Text(co_export));

    CT_String co_import;
    const int b_opened = CT_FilesDialog::b_ChooseOpenFile(co_import, co_filter, nullptr);
    std::printf("open %d %s\n", b_opened, Text(co_import));

    CT_String co_files, co_names;
    const int b_added =
        CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, co_filter, nullptr);
    std::printf("add %d %s", b_added, Text(co_files));
    for (int b_more = !co_names.b_IsEmpty(); b_more; b_more = co_names.b_NextElement())
        std::printf(" %s", Text(co_names));
    std::printf("\n");

    CT_String co_folder;
    const int b_browsed = CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr);
    std::printf("folder %d %s\n", b_browsed, Text(co_folder));

    CT_Help::v_DefineHelpPath("product.hlp");
    CT_Help::v_Display(nullptr, 7u);

    CT_String co_cancelled("kept");
    std::printf("cancel %d %s\n",
                CT_FilesDialog::b_ChooseOpenFile(co_cancelled, co_filter, nullptr),
                Text(co_cancelled));

    CT_Errors::v_DisplayError(e_FileWriteFailed, Text(co_export));
    return 0;
}
