// What the benchmark programs that run on every build share: their
// options, the filter of their cases and the name of the build they ran
// on, for the head of their tables.
#ifndef CTCOMMON_BENCH_RUN_OPTIONS_H
#define CTCOMMON_BENCH_RUN_OPTIONS_H

#if defined(_WIN32)
#include <windows.h>
#endif

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

struct Options {
    int n_rounds;
    double d_batch_ms;
    std::vector<std::string> as_filters; // none: every case
};

// Whether a case's name contains one of the filters, or there are none.
inline bool Picked(const std::string &s_name, const std::vector<std::string> &as_filters) {
    if (as_filters.empty()) return true;
    for (const std::string &s : as_filters)
        if (s_name.find(s) != std::string::npos) return true;
    return false;
}

// A whole positive number, or 0.
inline long Positive(const char *pc) {
    char *pc_end = nullptr;
    const long n = std::strtol(pc, &pc_end, 10);
    return pc_end != pc && *pc_end == '\0' && n > 0 ? n : 0;
}

// [--rounds=N] [--batch-ms=N] [FILTER...] over the caller's defaults,
// which CTCOMMON_BENCH_ROUNDS and CTCOMMON_BENCH_BATCH_MS replace; false
// for anything else.
inline bool ParseOptions(int argc, char **argv, Options &o_options) {
    const char *pc_rounds = std::getenv("CTCOMMON_BENCH_ROUNDS");
    const char *pc_batch = std::getenv("CTCOMMON_BENCH_BATCH_MS");
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            pc_rounds = argv[i] + 9;
        else if (std::strncmp(argv[i], "--batch-ms=", 11) == 0)
            pc_batch = argv[i] + 11;
        else if (argv[i][0] == '-')
            return false;
        else
            o_options.as_filters.push_back(argv[i]);
    }
    if (pc_rounds && !(o_options.n_rounds = static_cast<int>(Positive(pc_rounds)))) return false;
    if (pc_batch && !(o_options.d_batch_ms = static_cast<double>(Positive(pc_batch)))) return false;
    return true;
}

// The build: system, processor and compiler, and Wine's version under Wine.
inline std::string BuildName() {
#if defined(__x86_64__)
    const std::string s_processor = "x86_64";
#elif defined(__i386__)
    const std::string s_processor = "i686";
#elif defined(__aarch64__)
    const std::string s_processor = "aarch64";
#else
    const std::string s_processor = "unknown processor";
#endif
#if defined(__clang__)
    const std::string s_compiler =
        "clang " + std::to_string(__clang_major__) + "." + std::to_string(__clang_minor__);
#else
    const std::string s_compiler = std::string("GCC ") + __VERSION__;
#endif
#if defined(_WIN32)
    // Wine's ntdll exports its version; Windows' does not.
    typedef const char *(*WineVersion)();
    const FARPROC pf_proc = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    const std::string s_system =
        pf_proc ? std::string(" under Wine ") +
                      reinterpret_cast<WineVersion>(reinterpret_cast<void (*)()>(pf_proc))()
                : std::string(" on Windows");
    return "Windows DLL " + s_processor + s_system + " (mingw-w64 " + s_compiler + ")";
#else
    return "Linux " + s_processor + " (" + s_compiler + ")";
#endif
}

} // namespace bench

#endif
