// Linux: module handles from dlopen(), windows of the library's stand-in,
// errno, and the notice on standard error.
#include "platform_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <unistd.h>

HINSTANCE LibraryModule() {
    return reinterpret_cast<HINSTANCE>(dlopen(CTCOMMON_LIBRARY_NAME, RTLD_NOLOAD | RTLD_NOW));
}

HINSTANCE ProgramModule() { return reinterpret_cast<HINSTANCE>(dlopen(nullptr, RTLD_NOW)); }

HWND NewWindow(const char *pc_text) {
    // Any distinct non-null handle names a window of the stand-in.
    static char ac_windows[64];
    static unsigned n_next;
    HWND ho_window = reinterpret_cast<HWND>(&ac_windows[n_next++ % sizeof ac_windows]);
    CT_String(pc_text).v_Set(ho_window);
    return ho_window;
}

void DeleteWindow(HWND) {}

std::string PlatformWindowText(HWND ho_window) {
    CT_String co_text(nullptr, 4000);
    co_text.b_ReSize(4096);
    co_text = ho_window;
    return static_cast<const char *>(co_text);
}

void SetSystemError(unsigned n_error) { errno = static_cast<int>(n_error); }

std::string SystemErrorText(unsigned n_error) { return std::strerror(static_cast<int>(n_error)); }

unsigned AccessDeniedError() { return EACCES; }

ShownNotice ShowAndRead(const std::function<void()> &action) {
    ::testing::internal::CaptureStderr();
    try {
        action();
    } catch (...) {
        ::testing::internal::GetCapturedStderr();
        throw;
    }
    const std::string s_output = ::testing::internal::GetCapturedStderr();
    ShownNotice o_notice;
    // The notice: its caption line, its text, then the line of its button.
    const std::string s_button = "\n[OK]\n";
    const std::size_t n_line_end = s_output.find('\n');
    if (n_line_end == std::string::npos || s_output.size() < n_line_end + s_button.size() ||
        s_output.compare(s_output.size() - s_button.size(), s_button.size(), s_button) != 0)
        return o_notice;
    o_notice.b_shown = true;
    o_notice.s_caption = s_output.substr(0, n_line_end);
    o_notice.s_text =
        s_output.substr(n_line_end + 1, s_output.size() - n_line_end - 1 - s_button.size());
    return o_notice;
}

bool AnswerDialog(const DialogAnswer &o_answer, const std::function<void()> &action) {
    // The lines that the terminal dialog reads: the names, and for the
    // multiple dialog the empty line that ends them; nothing to cancel.
    char ac_path[] = "/tmp/ctcommon-answer-XXXXXX";
    const int n_fd = ::mkstemp(ac_path);
    ::close(n_fd);
    {
        std::ofstream o_lines(ac_path);
        if (!o_answer.b_cancel) {
            for (const std::string &s_name : o_answer.as_names)
                o_lines << s_name << "\n";
            if (o_answer.as_names.empty() || o_answer.eo_kind == e_ManyFilesDialog)
                o_lines << "\n";
        }
    }
    std::freopen(ac_path, "r", stdin);
    ::testing::internal::CaptureStderr();
    try {
        action();
    } catch (...) {
        ::testing::internal::GetCapturedStderr();
        ::unlink(ac_path);
        throw;
    }
    const std::string s_prompts = ::testing::internal::GetCapturedStderr();
    ::unlink(ac_path);
    return s_prompts.compare(0, o_answer.s_caption.size() + 1, o_answer.s_caption + "\n") == 0;
}
