// The one error record under threads: several threads raise at once while
// another shows errors. Nothing may crash or tear a text. The record stays
// one per process, so a reader, and a display, may see another thread's
// last error, but whole.
#include "support/platform_support.h"
#include "support/string_views.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// Thread t raises only the parameter ParameterOf(t): long enough that a
// torn copy would show.
std::string ParameterOf(int n_thread) { return std::string(300 + 50 * n_thread, 'a' + n_thread); }

const int n_threads = 4;

// A parameter that some thread stored whole: a raising thread's, the
// displayed one, or none after a reset.
bool b_IsWhole(const std::string &s_parameter) {
    if (s_parameter.empty() || s_parameter == "shown") return true;
    for (int t = 0; t < n_threads; ++t)
        if (s_parameter == ParameterOf(t)) return true;
    return false;
}

// A shown message whose parameter, if any, is whole.
bool b_IsWholeMessage(const std::string &s_text) {
    if (s_text == "Unknown error ") return true;
    const std::size_t n_open = s_text.find('"');
    return n_open != std::string::npos && s_text.back() == '"' &&
           b_IsWhole(s_text.substr(n_open + 1, s_text.size() - n_open - 2));
}

TEST(ErrorsUnderThreads, RaisingAndReadingFromManyThreadsTearsNothing) {
    std::atomic<int> n_torn{0};
    std::vector<std::thread> ao_threads;
    for (int t = 0; t < n_threads; ++t) {
        ao_threads.emplace_back([t, &n_torn] {
            const std::string s_parameter = ParameterOf(t);
            for (int i = 0; i < 2000; ++i) {
                try {
                    CT_Errors::v_ThrowError(static_cast<et_ErrorCode>(17 + t % 3),
                                            s_parameter.c_str());
                } catch (et_ErrorCode) {
                    if (!b_IsWhole(Text(CT_Errors::co_GetLastParameter()))) ++n_torn;
                }
                if (i % 100 == 0) CT_Errors::v_ResetError();
            }
        });
    }
    // Meanwhile this thread shows errors, given and recorded.
    for (int i = 0; i < 3; ++i) {
        ShownNotice o_box = ShowAndRead([] { CT_Errors::v_DisplayError(e_SaveFailed, "shown"); });
        EXPECT_TRUE(b_IsWholeMessage(o_box.s_text)) << o_box.s_text;
        o_box = ShowAndRead([] { CT_Errors::v_DisplayError(); });
        EXPECT_TRUE(b_IsWholeMessage(o_box.s_text)) << o_box.s_text;
    }
    for (std::thread &o_thread : ao_threads)
        o_thread.join();
    EXPECT_EQ(0, n_torn.load());
    EXPECT_TRUE(b_IsWhole(Text(CT_Errors::co_GetLastParameter())));
    CT_Errors::v_ResetError();
}

} // namespace
