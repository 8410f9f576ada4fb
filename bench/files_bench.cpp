// CT_Files against the standard library of the same program, on the same
// files: lines of 100 bytes and of 64 KiB read with v_ReadUntil and
// b_ReadLine against std::getline on an ifstream, 64 KiB blocks read with
// n_Read against ifstream::read, and lines and blocks written with
// v_Writeln and v_Write against an ofstream. The same source builds on
// Linux and for the Windows DLL; it prints each figure in MB/s and the
// ratio CT_Files / standard library, with the aim where there is one.
//
//     files_bench [--rounds=N] [--batch-ms=N] [FILTER...]
//
// A FILTER keeps the cases whose name contains it ("lines-100").
// CTCOMMON_BENCH_ROUNDS and CTCOMMON_BENCH_BATCH_MS set the defaults (5
// rounds, batches of 200 ms). The files (10 MiB each) are made in the
// system's temporary folder and removed.
#include <ctcommon.h>

#include "run_options.h"
#include "timing.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::size_t n_file_size = 10 * 1024 * 1024;
const std::size_t n_block = 64 * 1024;

std::string TempPath(const char *pc_name) {
    return (std::filesystem::temp_directory_path() / (std::string("ctcommon-bench-") + pc_name))
        .string();
}

// A line of the given length without its CR LF.
std::string Line(std::size_t n_line) {
    std::string s_line(n_line, 'x');
    for (std::size_t i = 0; i < n_line; i += 7)
        s_line[i] = static_cast<char>('a' + i % 26);
    return s_line;
}

// A file of CR LF lines of the given length, about n_file_size bytes.
std::string MakeLinesFile(const char *pc_name, std::size_t n_line) {
    const std::string s_path = TempPath(pc_name);
    std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
    const std::string s_line = Line(n_line) + "\r\n";
    for (std::size_t n_written = 0; n_written < n_file_size; n_written += s_line.size())
        o_out << s_line;
    return s_path;
}

std::uintmax_t FileSize(const std::string &s_path) { return std::filesystem::file_size(s_path); }

// One whole reading of the file; returns the bytes that the lines held, so
// that both sides can be checked to have read the same.
std::size_t ReadUntilAll(const std::string &s_path) {
    CT_Files co_file;
    co_file.v_Open(s_path.c_str(), CT_Files::e_Read, 0);
    CT_String co_line;
    const std::uintmax_t n_size = FileSize(s_path);
    std::size_t n_text = 0;
    for (std::uintmax_t n_done = 0; n_done < n_size; n_done += co_line.n_GetStringSize() + 2) {
        co_file.v_ReadUntil(co_line, "\r\n");
        n_text += co_line.n_GetStringSize();
    }
    return n_text;
}

std::size_t ReadLineAll(const std::string &s_path) {
    CT_Files co_file;
    co_file.v_Open(s_path.c_str(), CT_Files::e_Read, 0);
    CT_String co_line;
    std::size_t n_text = 0;
    while (co_file.b_ReadLine(co_line, "\r\n"))
        n_text += co_line.n_GetStringSize();
    return n_text;
}

// std::getline splits at LF; the CR stays on the line, as a host reading
// CR LF files with it gets it.
std::size_t GetlineAll(const std::string &s_path) {
    std::ifstream o_in(s_path, std::ios::binary);
    std::string s_line;
    std::size_t n_text = 0;
    while (std::getline(o_in, s_line))
        n_text += s_line.size() - 1;
    return n_text;
}

std::size_t NReadAll(const std::string &s_path) {
    CT_Files co_file;
    co_file.v_Open(s_path.c_str(), CT_Files::e_Read, 0);
    static std::vector<char> ac_block(n_block);
    std::size_t n_all = 0;
    for (unsigned n; (n = co_file.n_Read(ac_block.data(), n_block)) != 0;)
        n_all += n;
    return n_all;
}

std::size_t IfstreamReadAll(const std::string &s_path) {
    std::ifstream o_in(s_path, std::ios::binary);
    static std::vector<char> ac_block(n_block);
    std::size_t n_all = 0;
    while (o_in.read(ac_block.data(), n_block) || o_in.gcount() > 0)
        n_all += static_cast<std::size_t>(o_in.gcount());
    return n_all;
}

// Writes n_file_size bytes of lines (v_Writeln, one write each) or blocks.
std::size_t WritelnAll(const std::string &s_path, std::size_t n_line) {
    CT_Files co_file;
    co_file.v_Open(s_path.c_str(), CT_Files::e_Write, 0);
    const CT_String co_line(Line(n_line).c_str());
    std::size_t n_all = 0;
    for (; n_all < n_file_size; n_all += n_line + 2)
        co_file.v_Writeln(co_line);
    co_file.v_Close();
    return n_all;
}

std::size_t OfstreamLinesAll(const std::string &s_path, std::size_t n_line) {
    std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
    const std::string s_line = Line(n_line);
    std::size_t n_all = 0;
    for (; n_all < n_file_size; n_all += n_line + 2)
        o_out << s_line << "\r\n";
    return n_all;
}

std::size_t WriteBlocksAll(const std::string &s_path) {
    CT_Files co_file;
    co_file.v_Open(s_path.c_str(), CT_Files::e_Write, 0);
    static const std::string s_block = Line(n_block);
    std::size_t n_all = 0;
    for (; n_all < n_file_size; n_all += n_block)
        co_file.v_Write(s_block.data(), static_cast<unsigned>(n_block));
    co_file.v_Close();
    return n_all;
}

std::size_t OfstreamBlocksAll(const std::string &s_path) {
    std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
    static const std::string s_block = Line(n_block);
    std::size_t n_all = 0;
    for (; n_all < n_file_size; n_all += n_block)
        o_out.write(s_block.data(), static_cast<std::streamsize>(n_block));
    return n_all;
}

struct Row {
    std::string s_name, s_ours, s_theirs;
    double d_ours_mbs, d_theirs_mbs;
    double d_aim; // the least ratio aimed at; 0: none
};

double MegabytesPerSecond(std::uintmax_t n_bytes, const bench::Timing &o) {
    return static_cast<double>(n_bytes) / (o.d_median_ns / 1e9) / 1e6;
}

// Times both sides over the same bytes; fails when they did not handle the
// same amount.
template <class Ours, class Theirs>
bool Measure(const std::string &s_name, const char *pc_ours, const char *pc_theirs,
             std::uintmax_t n_bytes, double d_aim, Ours ours, Theirs theirs,
             const bench::Options &o_options, std::vector<Row> &ao_rows) {
    if (!bench::Picked(s_name, o_options.as_filters)) return true;
    if (ours() != theirs()) {
        std::fprintf(stderr, "%s: %s and %s differ\n", s_name.c_str(), pc_ours, pc_theirs);
        return false;
    }
    const bench::Timing o_ours =
        bench::Time([&] { bench::Keep(ours()); }, o_options.n_rounds, o_options.d_batch_ms);
    const bench::Timing o_theirs =
        bench::Time([&] { bench::Keep(theirs()); }, o_options.n_rounds, o_options.d_batch_ms);
    ao_rows.push_back({s_name, pc_ours, pc_theirs, MegabytesPerSecond(n_bytes, o_ours),
                       MegabytesPerSecond(n_bytes, o_theirs), d_aim});
    std::fprintf(stderr, "%-24s %-12s %9.0f MB/s   %-22s %9.0f MB/s\n", s_name.c_str(), pc_ours,
                 ao_rows.back().d_ours_mbs, pc_theirs, ao_rows.back().d_theirs_mbs);
    return true;
}

void PrintTable(const std::vector<Row> &ao_rows) {
    std::printf("\n%s, %s\n\n", bench::BuildName().c_str(), "ratios CT_Files / standard library");
    std::printf("| case | CT_Files | MB/s | standard library | MB/s | ratio | aim |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const Row &o : ao_rows) {
        const double d_ratio = o.d_ours_mbs / o.d_theirs_mbs;
        char ac_aim[32] = "none";
        if (o.d_aim > 0)
            std::snprintf(ac_aim, sizeof ac_aim, "%.1fx %s", o.d_aim,
                          d_ratio >= o.d_aim ? "met" : "MISSED");
        std::printf("| %s | %s | %.0f | %s | %.0f | %.2fx | %s |\n", o.s_name.c_str(),
                    o.s_ours.c_str(), o.d_ours_mbs, o.s_theirs.c_str(), o.d_theirs_mbs, d_ratio,
                    ac_aim);
    }
}

} // namespace

int main(int argc, char **argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); // LF line ends, as on Linux
#endif
    bench::Options o_options{5, 200, {}};
    if (!bench::ParseOptions(argc, argv, o_options)) {
        std::fprintf(stderr, "usage: %s [--rounds=N] [--batch-ms=N] [FILTER...]\n", argv[0]);
        return 2;
    }
    const std::string s_short = MakeLinesFile("lines-100", 100);
    const std::string s_long = MakeLinesFile("lines-64k", 64 * 1024);
    const std::string s_written = TempPath("written");
    std::vector<Row> ao_rows;
    bool b_same = true;
    struct LinesCase {
        const char *pc_name;
        const std::string *ps_path;
        double d_aim;
    };
    for (const LinesCase &o_case :
         {LinesCase{"lines-100", &s_short, 0.8}, LinesCase{"lines-64k", &s_long, 0.9}}) {
        const std::string &s_path = *o_case.ps_path;
        const std::uintmax_t n_size = FileSize(s_path);
        const std::string s_name = o_case.pc_name;
        b_same = b_same &&
                 Measure(
                     s_name + "/read-until", "v_ReadUntil", "std::getline", n_size, o_case.d_aim,
                     [&] { return ReadUntilAll(s_path); }, [&] { return GetlineAll(s_path); },
                     o_options, ao_rows) &&
                 Measure(
                     s_name + "/read-line", "b_ReadLine", "std::getline", n_size, o_case.d_aim,
                     [&] { return ReadLineAll(s_path); }, [&] { return GetlineAll(s_path); },
                     o_options, ao_rows);
    }
    b_same = b_same && Measure(
                           "blocks-64k/read", "n_Read", "ifstream::read", FileSize(s_long), 0.9,
                           [&] { return NReadAll(s_long); },
                           [&] { return IfstreamReadAll(s_long); }, o_options, ao_rows);
    b_same = b_same &&
             Measure(
                 "lines-100/write", "v_Writeln", "ofstream <<", n_file_size, 0,
                 [&] { return WritelnAll(s_written, 100); },
                 [&] { return OfstreamLinesAll(s_written, 100); }, o_options, ao_rows) &&
             Measure(
                 "blocks-64k/write", "v_Write", "ofstream::write", n_file_size, 0,
                 [&] { return WriteBlocksAll(s_written); },
                 [&] { return OfstreamBlocksAll(s_written); }, o_options, ao_rows);
    for (const std::string *ps : {&s_short, &s_long, &s_written})
        std::remove(ps->c_str());
    if (!b_same) return 1;
    PrintTable(ao_rows);
    return 0;
}
