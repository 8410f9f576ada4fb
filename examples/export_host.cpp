// export_host: a host module's typical request, end to end.
//
// It asks for an export file, rewrites it with a backup, writes lines,
// reads them back, then makes a rewrite fail and rolls it back, shows the
// error, asks for files to add and for a folder, and asks for help. Each step is printed, so that a
// person sees the library at work. On Linux the dialog asks on the terminal (type a name, or pipe
// one in); on Windows it is the real one.
#include <ctcommon.h>

#include <cstdio>

namespace {

void Step(const char *pc_what) { std::printf("\n== %s\n", pc_what); }

const char *Text(const CT_String &co) { return co; }

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // in step with the library's own notices
    Step("Choosing the export file");
    CT_String co_filter; // descriptions and patterns, as an element list
    co_filter.v_AddElement("Export files (*.kdw)");
    co_filter.v_AddElement("*.kdw");
    co_filter.v_AddElement("All files");
    co_filter.v_AddElement("*.*");
    CT_String co_path;
    if (!CT_FilesDialog::b_ChooseSaveFile(co_path, co_filter, nullptr)) {
        std::printf("No file chosen: nothing to do.\n");
        return 0;
    }
    std::printf("Chosen: %s\n", Text(co_path));

    Step("Rewriting it with a backup, line by line");
    const char *apc_lines[] = {"id;name;pages", "1;Annual report;48", "2;Catalogue;112"};
    {
        CT_Files co_file;
        co_file.v_Open(co_path, CT_Files::e_Write, 1);
        for (const char *pc_line : apc_lines) {
            co_file.v_Writeln(pc_line);
            std::printf("wrote: %s\n", pc_line);
        }
        co_file.v_Close(); // commits: the backup, if any, is deleted
        std::printf("committed; backup left: %s\n",
                    CT_Files::b_Exist(co_path + ".old") ? "yes" : "no");
    }

    Step("Reading it back up to each CR LF");
    {
        CT_Files co_file;
        co_file.v_Open(co_path, CT_Files::e_Read, 0);
        CT_String co_line;
        for (unsigned i = 0; i < sizeof apc_lines / sizeof *apc_lines; ++i) {
            co_file.v_ReadUntil(co_line, "\r\n");
            std::printf("read: %s\n", Text(co_line));
        }
        try {
            co_file.v_ReadUntil(co_line, "\r\n");
        } catch (et_ErrorCode eo_code) {
            std::printf("one more raises %d: the end of the file\n", static_cast<int>(eo_code));
            CT_Errors::v_ResetError();
        }
    }

    Step("A rewrite that fails, rolled back");
    try {
        CT_Files co_rewrite;
        co_rewrite.v_Open(co_path, CT_Files::e_Write, 1);
        CT_RewriteScope o_scope(co_rewrite); // cancels at its end unless committed
        co_rewrite.v_Writeln("this line will not stay");
        std::printf("rewriting; the old content is in %s.old\n", Text(co_path));
        CT_Files co_intruder; // the file is held: a second opener fails
        co_intruder.v_Open(co_path, CT_Files::e_Write, 0);
        o_scope.v_Commit();
    } catch (et_ErrorCode eo_code) {
        std::printf("caught error %d with \"%s\"\n", static_cast<int>(eo_code),
                    Text(CT_Errors::co_GetLastParameter()));
        std::printf("cancelled: the file is back to its %u lines\n",
                    static_cast<unsigned>(sizeof apc_lines / sizeof *apc_lines));
        std::fflush(stdout);
        CT_Errors::v_DisplayError(); // shows the error, then clears the record
        std::printf("error shown; the record is reset to code %d\n",
                    static_cast<int>(CT_Errors::set_GetLastError()));
    }

    Step("Adding files to the next export");
    CT_String co_files, co_names; // the folder, then the names as an element list
    if (CT_FilesDialog::b_ChooseOpenMultipleFile(co_files, co_names, co_filter, nullptr)) {
        std::printf("from %s:", Text(co_files));
        for (int b_more = 1; b_more; b_more = co_names.b_NextElement())
            std::printf(" %s", Text(co_names));
        std::printf("\n");
    } else {
        std::printf("no files added\n");
    }

    Step("Choosing a folder for the reports");
    CT_String co_folder;
    if (CT_FilesDialog::b_BrowseForFolder(co_folder, nullptr))
        std::printf("folder: %s\n", Text(co_folder));
    else
        std::printf("no folder chosen\n");

    Step("Asking for help");
    CT_Help::v_DefineHelpPath("ctcommon.hlp");
    CT_Help::v_Display(nullptr, 1u);
    std::printf("help requested: topic 1 of ctcommon.hlp\n");
    return 0;
}
