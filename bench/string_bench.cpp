// CT_String against std::string on the same texts: ASCII texts and
// double-byte texts (two-byte characters mixed with single bytes), of
// 1 KiB, 64 KiB and 1 MiB. Every operation runs on both types; the program
// prints the ratios CT_String / std::string and the growth of each type's
// time from 64 KiB to 1 MiB. The same source builds on Linux and for the
// Windows DLL, each std::string being that program's own standard library.
//
// Where CT_String counts characters, std::string gets the byte operation a
// host would use instead (find, substr, replace over bytes); n_GetLength is
// compared with the byte loop a host needs to count double-byte characters.
//
//     string_bench [--rounds=N] [--batch-ms=N] [FILTER...]
//
// A FILTER keeps the operations whose "operation/kind" contains it
// ("search/dbcs", "mid"). CTCOMMON_BENCH_ROUNDS and CTCOMMON_BENCH_BATCH_MS
// set the defaults (5 rounds, batches of 30 ms).
#include <ctcommon.h>

#include "run_options.h"
#include "timing.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::size_t n_piece = 64;    // bytes appended at a time, at most
const std::size_t n_tail = 64;     // bytes behind the searched pattern and the stretch
const char *const pc_marker = "%"; // the markers of the text, four of them
const char *const pc_parameter = "C:\\exports\\day.kdw";

bool IsLead(char c_byte) {
    const unsigned char b = static_cast<unsigned char>(c_byte);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}

// Characters of a byte text, counted as a host counts them in a
// std::string: a lead byte takes the byte after it.
std::size_t CountChars(const char *pc, std::size_t n_bytes) {
    std::size_t n_chars = 0;
    for (std::size_t i = 0; i < n_bytes; ++i, ++n_chars)
        if (IsLead(pc[i])) ++i;
    return n_chars;
}

// Whole characters of a kind, from a fixed seed: lower-case letters and
// spaces, and in double-byte texts half-width kana and two-byte characters
// (60% of the characters). No text holds '%' or a tab: the markers and the
// replaced space's stand-in are found only where they are put.
class TextMaker {
  public:
    TextMaker(bool b_double, std::uint32_t n_seed) : b_double(b_double), n_state(n_seed) {}

    // Appends exactly n_bytes bytes of whole characters.
    void Append(std::string &s_out, std::size_t n_bytes) {
        for (const std::size_t n_end = s_out.size() + n_bytes; s_out.size() < n_end;) {
            if (b_double && n_end - s_out.size() >= 2 && Next() % 10 < 6) {
                const unsigned n_lead = Next() % 47; // 0x81-0x9F, then 0xE0-0xEF
                s_out += static_cast<char>(n_lead < 31 ? 0x81 + n_lead : 0xE0 + n_lead - 31);
                const unsigned n_second = 0x40 + Next() % 188; // 0x40-0xFC without 0x7F
                s_out += static_cast<char>(n_second < 0x7F ? n_second : n_second + 1);
            } else {
                s_out += SingleByte();
            }
        }
    }

  private:
    char SingleByte() {
        const unsigned n_pick = Next() % 8;
        if (n_pick == 0) return ' ';
        if (b_double && n_pick == 1)
            return static_cast<char>(0xA1 + Next() % 63); // half-width kana
        return static_cast<char>('a' + Next() % 26);
    }
    unsigned Next() { // xorshift32
        n_state ^= n_state << 13;
        n_state ^= n_state >> 17;
        n_state ^= n_state << 5;
        return n_state;
    }
    bool b_double;
    std::uint32_t n_state;
};

// The text: four markers at its fifths, a space and the pattern ending
// n_tail bytes before its end, characters of its kind everywhere else.
std::string MakeText(std::size_t n_size, bool b_double, const std::string &s_pattern) {
    TextMaker o_maker(b_double, 2463534242u);
    std::string s_text;
    for (int k = 1; k <= 4; ++k) {
        o_maker.Append(s_text, k * n_size / 5 - s_text.size());
        s_text += pc_marker;
    }
    o_maker.Append(s_text, n_size - n_tail - s_pattern.size() - 1 - s_text.size());
    s_text += ' ';
    s_text += s_pattern;
    o_maker.Append(s_text, n_size - s_text.size());
    return s_text;
}

// Sixteen bytes of the kind without a space. The space before it in the
// text ends any partial match, so the single forward scan of i_Search finds
// it where std::string::find does.
std::string MakePattern(bool b_double) {
    std::string s_pattern;
    TextMaker(b_double, 88675123u).Append(s_pattern, 16);
    std::replace(s_pattern.begin(), s_pattern.end(), ' ', 'x');
    return s_pattern;
}

// Everything one text's benchmarks use, on both types.
struct Sample {
    Sample(std::size_t n_size, bool b_double)
        : s_pattern(MakePattern(b_double)), s_text(MakeText(n_size, b_double, s_pattern)),
          s_equal(s_text), s_work(s_text), co_text(s_text.c_str()), co_equal(s_text.c_str()),
          co_work(s_text.c_str()), co_pattern(s_pattern.c_str()), co_marker(pc_marker) {
        // Pieces of at most n_piece bytes, cut between characters; the
        // stretch runs from three quarters of the text to n_tail bytes
        // before its end.
        std::size_t n_chars = 0, n_piece_start = 0;
        for (std::size_t i = 0; i < s_text.size(); ++n_chars) {
            if (!n_mid_byte && i >= s_text.size() * 3 / 4) {
                n_mid_byte = i;
                i_mid_char = static_cast<int>(n_chars);
            }
            if (!n_mid_bytes && i >= s_text.size() - n_tail) {
                n_mid_bytes = i - n_mid_byte;
                i_mid_chars = static_cast<int>(n_chars) - i_mid_char;
            }
            const std::size_t n_width = IsLead(s_text[i]) ? 2 : 1;
            if (i + n_width - n_piece_start > n_piece) {
                as_pieces.push_back(s_text.substr(n_piece_start, i - n_piece_start));
                n_piece_start = i;
            }
            i += n_width;
        }
        as_pieces.push_back(s_text.substr(n_piece_start));
    }

    std::string s_pattern, s_text, s_equal, s_work;
    std::vector<std::string> as_pieces;
    std::size_t n_mid_byte = 0, n_mid_bytes = 0;
    int i_mid_char = 0, i_mid_chars = 0;
    CT_String co_text, co_equal, co_work, co_pattern, co_marker;
};

std::string Text(const CT_String &co) { return static_cast<const char *>(co); }

std::string ReplaceMarkers(std::string s_text) {
    const std::string s_parameter = pc_parameter;
    for (std::size_t n_at = s_text.find(pc_marker); n_at != std::string::npos;
         n_at = s_text.find(pc_marker, n_at + s_parameter.size()))
        s_text.replace(n_at, 1, s_parameter);
    return s_text;
}

// The operations: Ours on CT_String, Theirs on std::string, each one
// iteration's work.
struct Construct {
    static CT_String Ours(Sample &o) { return CT_String(o.s_text.c_str()); }
    static std::string Theirs(Sample &o) { return std::string(o.s_text.c_str()); }
};

struct Copy {
    static CT_String Ours(Sample &o) { return CT_String(o.co_text); }
    static std::string Theirs(Sample &o) { return std::string(o.s_text); }
};

struct Append {
    static CT_String Ours(Sample &o) {
        CT_String co;
        for (const std::string &s : o.as_pieces)
            co += s.c_str();
        return co;
    }
    static std::string Theirs(Sample &o) {
        std::string s_joined;
        for (const std::string &s : o.as_pieces)
            s_joined += s.c_str();
        return s_joined;
    }
};

struct Equal {
    static int Ours(Sample &o) { return o.co_text == o.co_equal; }
    static bool Theirs(Sample &o) { return o.s_text == o.s_equal; }
};

struct Search {
    static int Ours(Sample &o) { return o.co_text.i_Search(o.co_pattern, 0); }
    static std::size_t Theirs(Sample &o) { return o.s_text.find(o.s_pattern); }
};

struct Mid {
    static CT_String Ours(Sample &o) { return o.co_text.co_GetMid(o.i_mid_char, o.i_mid_chars); }
    static std::string Theirs(Sample &o) { return o.s_text.substr(o.n_mid_byte, o.n_mid_bytes); }
};

// A space becomes a tab and back: every iteration does the same work, two
// passes over the text.
struct ReplaceChar {
    static int Ours(Sample &o) {
        o.co_work.v_ReplaceChar(' ', '\t');
        o.co_work.v_ReplaceChar('\t', ' ');
        return 0;
    }
    static int Theirs(Sample &o) {
        std::replace(o.s_work.begin(), o.s_work.end(), ' ', '\t');
        std::replace(o.s_work.begin(), o.s_work.end(), '\t', ' ');
        return 0;
    }
};

// The text is copied first on both sides, since the replacement changes it.
struct Replace {
    static CT_String Ours(Sample &o) {
        CT_String co(o.co_text);
        co.v_Replace(o.co_marker, pc_parameter);
        return co;
    }
    static std::string Theirs(Sample &o) { return ReplaceMarkers(o.s_text); }
};

struct Length {
    static unsigned Ours(Sample &o) { return o.co_text.n_GetLength(); }
    static std::size_t Theirs(Sample &o) { return CountChars(o.s_text.data(), o.s_text.size()); }
};

// Both types must give the same results, or the figures compare nothing.
bool Agree(const Sample &o, const char *pc_what, bool b_same) {
    if (!b_same) std::fprintf(stderr, "%zu bytes: %s differ\n", o.s_text.size(), pc_what);
    return b_same;
}

bool SameResults(Sample &o) {
    const std::size_t n_at = o.s_text.find(o.s_pattern);
    CT_String co_tabs(o.co_text);
    co_tabs.v_ReplaceChar(' ', '\t');
    std::string s_tabs = o.s_text;
    std::replace(s_tabs.begin(), s_tabs.end(), ' ', '\t');
    return Agree(o, "constructions", Text(Construct::Ours(o)) == o.s_text) &&
           Agree(o, "copies", Text(Copy::Ours(o)) == o.s_text) &&
           Agree(o, "appends", Text(Append::Ours(o)) == o.s_text) &&
           Agree(o, "comparisons", Equal::Ours(o) == 1 && Equal::Theirs(o)) &&
           Agree(o, "searches",
                 n_at == o.s_text.size() - n_tail - o.s_pattern.size() &&
                     static_cast<std::size_t>(Search::Ours(o)) ==
                         CountChars(o.s_text.data(), n_at)) &&
           Agree(o, "stretches", Text(Mid::Ours(o)) == Mid::Theirs(o)) &&
           Agree(o, "replaced characters", Text(co_tabs) == s_tabs) &&
           Agree(o, "replacements", Text(Replace::Ours(o)) == Replace::Theirs(o)) &&
           Agree(o, "lengths", Length::Ours(o) == Length::Theirs(o));
}

const char *const apc_kinds[] = {"ascii", "dbcs"};
const char *const apc_sizes[] = {"1K", "64K", "1M"};
const std::size_t an_sizes[] = {1024, 64 * 1024, 1024 * 1024};
// Sixteen times the text may take at most 1.5 times the linear growth.
const double d_linear_limit = 24;

using Samples = std::unique_ptr<Sample>[2][3]; // [kind][size]

// One operation on one kind of text, at the three sizes.
struct Row {
    std::string s_operation, s_kind;
    int n_ratio_aim; // the largest CT_String / std::string ratio allowed, 0: none
    double ad_ours_ns[3], ad_theirs_ns[3];
};

// A line per figure on standard error while the run goes on, with the
// spread of the rounds; the tables go to standard output at the end.
void Report(const std::string &s_name, const bench::Timing &o) {
    std::fprintf(stderr, "%-32s %14.3f us   (rounds %.3f to %.3f, %llu iterations each)\n",
                 s_name.c_str(), o.d_median_ns / 1e3, o.d_min_ns / 1e3, o.d_max_ns / 1e3,
                 static_cast<unsigned long long>(o.n_iterations));
}

template <class Op>
void Measure(const char *pc_operation, int n_ratio_aim, Samples &ao_samples,
             const bench::Options &o_options, std::vector<Row> &ao_rows) {
    for (int k = 0; k < 2; ++k) {
        const std::string s_name = std::string(pc_operation) + "/" + apc_kinds[k];
        if (!bench::Picked(s_name, o_options.as_filters)) continue;
        Row o_row{pc_operation, apc_kinds[k], n_ratio_aim, {}, {}};
        for (int z = 0; z < 3; ++z) {
            Sample &o = *ao_samples[k][z];
            const bench::Timing o_ours = bench::Time([&o] { bench::Keep(Op::Ours(o)); },
                                                     o_options.n_rounds, o_options.d_batch_ms);
            const bench::Timing o_theirs = bench::Time([&o] { bench::Keep(Op::Theirs(o)); },
                                                       o_options.n_rounds, o_options.d_batch_ms);
            Report(s_name + "/" + apc_sizes[z] + "/ct_string", o_ours);
            Report(s_name + "/" + apc_sizes[z] + "/std_string", o_theirs);
            o_row.ad_ours_ns[z] = o_ours.d_median_ns;
            o_row.ad_theirs_ns[z] = o_theirs.d_median_ns;
        }
        ao_rows.push_back(o_row);
    }
}

std::string Number(int n) { return std::to_string(n); }

// The build, as the header of its tables names it.
std::string Format(const char *pc_format, double d) {
    char ac[64];
    std::snprintf(ac, sizeof ac, pc_format, d);
    return ac;
}

std::string Verdict(bool b_met) { return b_met ? "met" : "**missed**"; }

void PrintRow(const std::vector<std::string> &as_cells) {
    std::string s_line = "|";
    for (const std::string &s : as_cells)
        s_line += " " + s + " |";
    std::puts(s_line.c_str());
}

void PrintHeader(const std::vector<std::string> &as_cells) {
    PrintRow(as_cells);
    std::string s_line = "|";
    for (std::size_t i = 0; i < as_cells.size(); ++i)
        s_line += "---|";
    std::puts(s_line.c_str());
}

void PrintTables(const std::vector<Row> &ao_rows, const bench::Options &o_options) {
    char ac_date[32];
    const std::time_t o_now = std::time(nullptr);
    std::strftime(ac_date, sizeof ac_date, "%Y-%m-%d", std::gmtime(&o_now));
    std::printf("\n## %s\n\n", bench::BuildName().c_str());
    const std::string s_rounds = o_options.n_rounds == 1
                                     ? std::string("one round")
                                     : "median of " + Number(o_options.n_rounds) + " rounds";
    std::printf("string_bench, %s, %u processors: wall time per iteration, %s of at least %g ms "
                "each; both types' results checked equal on every text before timing.\n\n",
                ac_date, std::thread::hardware_concurrency(), s_rounds.c_str(),
                o_options.d_batch_ms);
    PrintHeader({"Operation", "Text", "CT/std 1 KiB", "CT/std 64 KiB", "CT/std 1 MiB", "CT 1M/64K",
                 "std 1M/64K", "Ratio aim", "Linear"});
    for (const Row &o : ao_rows) {
        std::vector<std::string> as_cells = {o.s_operation, o.s_kind};
        double d_worst = 0;
        for (int z = 0; z < 3; ++z) {
            const double d_ratio = o.ad_ours_ns[z] / o.ad_theirs_ns[z];
            d_worst = std::max(d_worst, d_ratio);
            as_cells.push_back(Format("%.2f", d_ratio));
        }
        const double d_growth = o.ad_ours_ns[2] / o.ad_ours_ns[1];
        as_cells.push_back(Format("%.1f", d_growth));
        as_cells.push_back(Format("%.1f", o.ad_theirs_ns[2] / o.ad_theirs_ns[1]));
        as_cells.push_back(o.n_ratio_aim ? "≤ " + Number(o.n_ratio_aim) +
                                               "x: " + Verdict(d_worst <= o.n_ratio_aim)
                                         : "–");
        as_cells.push_back(Verdict(d_growth <= d_linear_limit));
        PrintRow(as_cells);
    }
    std::printf("\n'Linear': CT_String's time grows at most %gx from 64 KiB to 1 MiB (16x is "
                "linear, 256x quadratic).\n\nTimes (µs):\n\n",
                d_linear_limit);
    PrintHeader({"Operation", "Text", "Type", "1 KiB (µs)", "64 KiB (µs)", "1 MiB (µs)"});
    for (const Row &o : ao_rows)
        for (const bool b_ours : {true, false}) {
            std::vector<std::string> as_cells = {o.s_operation, o.s_kind,
                                                 b_ours ? "ct_string" : "std_string"};
            for (int z = 0; z < 3; ++z)
                as_cells.push_back(
                    Format("%.3f", (b_ours ? o.ad_ours_ns[z] : o.ad_theirs_ns[z]) / 1e3));
            PrintRow(as_cells);
        }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
#if defined(_WIN32)
    // Lines end in LF on both builds, so that their tables read alike.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    bench::Options o_options{5, 30, {}};
    if (!bench::ParseOptions(argc, argv, o_options)) {
        std::fprintf(stderr,
                     "usage: %s [--rounds=N] [--batch-ms=N] [FILTER...]\n"
                     "  FILTER: a part of \"operation/kind\", such as search/dbcs\n"
                     "  defaults: CTCOMMON_BENCH_ROUNDS or 5, CTCOMMON_BENCH_BATCH_MS "
                     "or 30\n",
                     argv[0]);
        return 2;
    }
    Samples ao_samples;
    for (int k = 0; k < 2; ++k)
        for (int z = 0; z < 3; ++z) {
            ao_samples[k][z] = std::make_unique<Sample>(an_sizes[z], k == 1);
            if (!SameResults(*ao_samples[k][z])) return 1;
        }
    std::vector<Row> ao_rows;
    Measure<Construct>("construct", 0, ao_samples, o_options, ao_rows);
    Measure<Copy>("copy", 0, ao_samples, o_options, ao_rows);
    Measure<Append>("append", 0, ao_samples, o_options, ao_rows);
    Measure<Equal>("equal", 4, ao_samples, o_options, ao_rows);
    Measure<Search>("search", 4, ao_samples, o_options, ao_rows);
    Measure<Mid>("mid", 3, ao_samples, o_options, ao_rows);
    Measure<ReplaceChar>("replace_char", 0, ao_samples, o_options, ao_rows);
    Measure<Replace>("replace", 3, ao_samples, o_options, ao_rows);
    Measure<Length>("length", 0, ao_samples, o_options, ao_rows);
    if (ao_rows.empty()) {
        std::fprintf(stderr, "no operation matches the filter\n");
        return 2;
    }
    PrintTables(ao_rows, o_options);
    return 0;
}
