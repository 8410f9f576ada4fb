// Line reading with CT_Files::v_ReadUntil against std::getline on the same
// file, and against a reading of one system call per byte (on a smaller
// file: every figure is in bytes per second). Prints the ratios at the end.
#include <ctcommon.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

const std::size_t n_file_size = 10 * 1024 * 1024;
const std::size_t n_small_file_size = 256 * 1024;

// A file of CR LF lines of the given length, about n_size bytes in all.
std::string MakeFile(const char *pc_name, std::size_t n_line, std::size_t n_size) {
    const std::string s_path = std::string("/tmp/ctcommon-bench-") + pc_name;
    std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
    std::string s_line(n_line, 'x');
    for (std::size_t i = 0; i < n_line; i += 7) s_line[i] = static_cast<char>('a' + i % 26);
    s_line += "\r\n";
    for (std::size_t n_written = 0; n_written < n_size; n_written += s_line.size()) o_out << s_line;
    return s_path;
}

struct Files {
    std::string s_short = MakeFile("short", 100, n_file_size);
    std::string s_long = MakeFile("long", 64 * 1024, n_file_size);
    std::string s_short_small = MakeFile("short-small", 100, n_small_file_size);
    std::string s_long_small = MakeFile("long-small", 64 * 1024, n_small_file_size);
    ~Files() {
        for (const std::string *ps : {&s_short, &s_long, &s_short_small, &s_long_small})
            std::remove(ps->c_str());
    }
};

Files &TheFiles() {
    static Files o_files;
    return o_files;
}

std::size_t FileSize(const std::string &s_path) {
    std::ifstream o_in(s_path, std::ios::binary | std::ios::ate);
    return static_cast<std::size_t>(o_in.tellg());
}

void ReadUntil(benchmark::State &o_state, const std::string &s_path) {
    const std::size_t n_size = FileSize(s_path);
    for (auto _ : o_state) {
        CT_Files co_file;
        co_file.v_Open(s_path.c_str(), CT_Files::e_Read, 0);
        CT_String co_line;
        for (std::size_t n_done = 0; n_done < n_size; n_done += co_line.n_GetStringSize() + 2)
            co_file.v_ReadUntil(co_line, "\r\n");
        benchmark::DoNotOptimize(co_line);
    }
    o_state.SetBytesProcessed(static_cast<std::int64_t>(o_state.iterations() * n_size));
}

void Getline(benchmark::State &o_state, const std::string &s_path) {
    const std::size_t n_size = FileSize(s_path);
    for (auto _ : o_state) {
        std::ifstream o_in(s_path, std::ios::binary);
        std::string s_line;
        while (std::getline(o_in, s_line)) benchmark::DoNotOptimize(s_line);
    }
    o_state.SetBytesProcessed(static_cast<std::int64_t>(o_state.iterations() * n_size));
}

// One read() per byte, looking for CR LF as a byte-at-a-time reader would.
void OneCallPerByte(benchmark::State &o_state, const std::string &s_path) {
    const std::size_t n_size = FileSize(s_path);
    for (auto _ : o_state) {
        const int n_fd = ::open(s_path.c_str(), O_RDONLY);
        std::string s_line;
        char c_byte, c_before = 0;
        while (::read(n_fd, &c_byte, 1) == 1) {
            if (c_before == '\r' && c_byte == '\n') {
                s_line.pop_back();
                benchmark::DoNotOptimize(s_line);
                s_line.clear();
            } else {
                s_line += c_byte;
            }
            c_before = c_byte;
        }
        ::close(n_fd);
    }
    o_state.SetBytesProcessed(static_cast<std::int64_t>(o_state.iterations() * n_size));
}

void BM_ReadUntilShort(benchmark::State &o) { ReadUntil(o, TheFiles().s_short); }
void BM_GetlineShort(benchmark::State &o) { Getline(o, TheFiles().s_short); }
void BM_OneCallPerByteShort(benchmark::State &o) { OneCallPerByte(o, TheFiles().s_short_small); }
void BM_ReadUntilLong(benchmark::State &o) { ReadUntil(o, TheFiles().s_long); }
void BM_GetlineLong(benchmark::State &o) { Getline(o, TheFiles().s_long); }
void BM_OneCallPerByteLong(benchmark::State &o) { OneCallPerByte(o, TheFiles().s_long_small); }

BENCHMARK(BM_ReadUntilShort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetlineShort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneCallPerByteShort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadUntilLong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetlineLong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneCallPerByteLong)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's throughput to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &o_run : runs) {
            // With repetitions, the mean stands for the benchmark.
            if (o_run.run_type == Run::RT_Aggregate && o_run.aggregate_name != "mean") continue;
            const auto o_found = o_run.counters.find("bytes_per_second");
            if (o_found != o_run.counters.end())
                o_rates[o_run.run_name.function_name] = o_found->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nRatios in this run (throughput of v_ReadUntil / the other):\n");
        Ratio("short lines, against std::getline       ", "BM_ReadUntilShort", "BM_GetlineShort");
        Ratio("short lines, against one call per byte  ", "BM_ReadUntilShort",
              "BM_OneCallPerByteShort");
        Ratio("long lines,  against std::getline       ", "BM_ReadUntilLong", "BM_GetlineLong");
        Ratio("long lines,  against one call per byte  ", "BM_ReadUntilLong",
              "BM_OneCallPerByteLong");
    }

  private:
    void Ratio(const char *pc_label, const char *pc_ours, const char *pc_theirs) {
        if (!o_rates.count(pc_ours) || !o_rates.count(pc_theirs)) return;
        std::printf("  %s %8.2fx\n", pc_label, o_rates[pc_ours] / o_rates[pc_theirs]);
    }
    std::map<std::string, double> o_rates;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter o_reporter;
    benchmark::RunSpecifiedBenchmarks(&o_reporter);
    benchmark::Shutdown();
    return 0;
}
