// The cost of a safe rewrite: open a file with a backup, write lines and
// commit, against the same writes through a plain std::ofstream that keeps
// no backup and flushes nothing to the disk. The files lie in the folder
// given by CTCOMMON_BENCH_DIR (default: the current folder), which should be
// on a real disk: flushing to a memory file system costs nothing.
#include <ctcommon.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string BenchPath(const char *pc_name) {
    const char *pc_dir = std::getenv("CTCOMMON_BENCH_DIR");
    return std::string(pc_dir && *pc_dir ? pc_dir : ".") + "/ctcommon-bench-" + pc_name;
}

const std::string s_line(98, 'x');

void FillOld(const std::string &s_path) {
    std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 100; ++i)
        o_out << s_line << "\r\n";
}

// Arguments: the number of 100-byte lines, and whether a backup is kept.
void BM_RewriteWithCT_Files(benchmark::State &o_state) {
    const std::string s_path = BenchPath("rewrite");
    FillOld(s_path);
    const int n_lines = static_cast<int>(o_state.range(0));
    const int b_backup = static_cast<int>(o_state.range(1));
    CT_String co_line(s_line.c_str());
    for (auto _ : o_state) {
        CT_Files co_file;
        co_file.v_Open(s_path.c_str(), CT_Files::e_Write, b_backup);
        for (int i = 0; i < n_lines; ++i)
            co_file.v_Writeln(co_line);
        co_file.v_Close();
    }
    std::remove(s_path.c_str());
    o_state.SetItemsProcessed(o_state.iterations());
}

void BM_RewriteWithOfstream(benchmark::State &o_state) {
    const std::string s_path = BenchPath("rewrite-plain");
    FillOld(s_path);
    const int n_lines = static_cast<int>(o_state.range(0));
    for (auto _ : o_state) {
        std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < n_lines; ++i)
            o_out << s_line << "\r\n";
    }
    std::remove(s_path.c_str());
    o_state.SetItemsProcessed(o_state.iterations());
}

BENCHMARK(BM_RewriteWithCT_Files)
    ->ArgNames({"lines", "backup"})
    ->ArgsProduct({{10, 1000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RewriteWithOfstream)
    ->ArgNames({"lines"})
    ->Arg(10)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
