// Windows: runs the example host as a person would use it, from outside
// its process: answers its save dialog with a name, closes the error
// message that it shows, adds the export file in the multiple-file dialog
// and confirms the folder dialog. The host's output goes to a file, which is
// printed once the host has ended.
//   drive_export_host HOST_PROGRAM FILE_NAME OUTPUT_FILE
#include "support/win32_dialogs.h"

#include <cstdio>
#include <string>

namespace {

struct DialogSearch {
    DWORD n_process;
    const char *pc_caption;
    HWND ho_found;
};

BOOL CALLBACK b_FindDialog(HWND ho_window, LPARAM n_search) {
    DialogSearch *po_search = reinterpret_cast<DialogSearch *>(n_search);
    DWORD n_process = 0;
    GetWindowThreadProcessId(ho_window, &n_process);
    if (n_process != po_search->n_process || !b_IsShownDialog(ho_window, po_search->pc_caption))
        return TRUE;
    po_search->ho_found = ho_window;
    return FALSE;
}

// A shown dialog of the host's with that caption, waited for while the
// host runs, up to twenty seconds.
HWND ho_WaitForDialog(const PROCESS_INFORMATION &o_host, const char *pc_caption) {
    for (int i = 0; i < 1000; ++i) {
        DialogSearch o_search = {o_host.dwProcessId, pc_caption, nullptr};
        EnumWindows(b_FindDialog, reinterpret_cast<LPARAM>(&o_search));
        if (o_search.ho_found) return o_search.ho_found;
        if (WaitForSingleObject(o_host.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

void v_PrintFile(const char *pc_path) {
    if (FILE *po_file = std::fopen(pc_path, "rb")) {
        char ac_block[4096];
        std::size_t n;
        while ((n = std::fread(ac_block, 1, sizeof ac_block, po_file)) > 0)
            std::fwrite(ac_block, 1, n, stdout);
        std::fclose(po_file);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s HOST_PROGRAM FILE_NAME OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    SECURITY_ATTRIBUTES o_inherit = {sizeof o_inherit, nullptr, TRUE};
    HANDLE ho_output =
        CreateFileA(argv[3], GENERIC_WRITE, FILE_SHARE_READ, &o_inherit, CREATE_ALWAYS, 0, nullptr);
    std::string s_command = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA o_startup = {};
    o_startup.cb = sizeof o_startup;
    o_startup.dwFlags = STARTF_USESTDHANDLES;
    o_startup.hStdOutput = o_startup.hStdError = ho_output;
    PROCESS_INFORMATION o_host = {};
    if (ho_output == INVALID_HANDLE_VALUE ||
        !CreateProcessA(nullptr, &s_command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &o_startup, &o_host)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 2;
    }
    CloseHandle(ho_output);

    int n_result = 0;
    HWND ho_dialog = ho_WaitForDialog(o_host, "Select Export File");
    if (ho_dialog) {
        Sleep(100);
        std::printf("save dialog \"Select Export File\": typed %s, then Save\n", argv[2]);
        SetDlgItemTextA(ho_dialog, 0x47C, argv[2]);
        PostMessageA(ho_dialog, WM_COMMAND, IDOK, 0);
        HWND ho_error = ho_WaitForDialog(o_host, "Error");
        if (ho_error) {
            std::printf("message box \"Error\": %s\n", s_DialogText(ho_error).c_str());
            PostMessageA(ho_error, WM_COMMAND, IDOK, 0);
        } else {
            std::fprintf(stderr, "the error message did not show\n");
            n_result = 4;
        }
        // The export file, written by now, is the one file added.
        const std::string s_added = std::string(argv[2]) + ".kdw";
        if (HWND ho_adding = ho_WaitForDialog(o_host, "Add Files")) {
            Sleep(100);
            std::printf("dialog \"Add Files\": typed %s, then Open\n", s_added.c_str());
            SetDlgItemTextA(ho_adding, 0x47C, s_added.c_str());
            PostMessageA(ho_adding, WM_COMMAND, IDOK, 0);
        } else {
            std::fprintf(stderr, "the multiple-file dialog did not show\n");
            n_result = 6;
        }
        if (HWND ho_browsing = ho_WaitForDialog(o_host, "Browse for Folder")) {
            Sleep(100);
            std::printf("dialog \"Browse for Folder\": OK on the folder it shows\n");
            PostMessageA(ho_browsing, WM_COMMAND, IDOK, 0);
        } else {
            std::fprintf(stderr, "the folder dialog did not show\n");
            n_result = 7;
        }
    } else {
        std::fprintf(stderr, "the save dialog did not show\n");
        n_result = 3;
    }
    WaitForSingleObject(o_host.hProcess, 30000);
    if (WaitForSingleObject(o_host.hProcess, 0) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "the host did not end\n");
        TerminateProcess(o_host.hProcess, 5);
        WaitForSingleObject(o_host.hProcess, INFINITE);
    }
    DWORD n_exit = 1;
    GetExitCodeProcess(o_host.hProcess, &n_exit);
    CloseHandle(o_host.hThread);
    CloseHandle(o_host.hProcess);

    v_PrintFile(argv[3]);
    std::fflush(stdout);
    return n_result ? n_result : static_cast<int>(n_exit);
}
