// CT_String against std::string on the same texts: ASCII texts and
// double-byte texts (two-byte characters mixed with single bytes), of
// 1 KiB, 64 KiB and 1 MiB. Every operation runs on both types under the
// name operation/kind/size/type; bench/string_table.py turns the JSON
// output of one run into the ratios CT_String / std::string and the growth
// of CT_String's time from 64 KiB to 1 MiB.
//
// Where CT_String counts characters, std::string gets the byte operation a
// host would use instead (find, substr, replace over bytes); n_GetLength is
// compared with the byte loop a host needs to count double-byte characters.
#include <ctcommon.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
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
// iteration's work; n_passes is how many times an iteration covers the text.
struct OnePass {
    static constexpr int n_passes = 1;
};

struct Construct : OnePass {
    static CT_String Ours(Sample &o) { return CT_String(o.s_text.c_str()); }
    static std::string Theirs(Sample &o) { return std::string(o.s_text.c_str()); }
};

struct Copy : OnePass {
    static CT_String Ours(Sample &o) { return CT_String(o.co_text); }
    static std::string Theirs(Sample &o) { return std::string(o.s_text); }
};

struct Append : OnePass {
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

struct Equal : OnePass {
    static int Ours(Sample &o) { return o.co_text == o.co_equal; }
    static bool Theirs(Sample &o) { return o.s_text == o.s_equal; }
};

struct Search : OnePass {
    static int Ours(Sample &o) { return o.co_text.i_Search(o.co_pattern, 0); }
    static std::size_t Theirs(Sample &o) { return o.s_text.find(o.s_pattern); }
};

struct Mid : OnePass {
    static CT_String Ours(Sample &o) { return o.co_text.co_GetMid(o.i_mid_char, o.i_mid_chars); }
    static std::string Theirs(Sample &o) { return o.s_text.substr(o.n_mid_byte, o.n_mid_bytes); }
};

// A space becomes a tab and back: every iteration does the same work.
struct ReplaceChar {
    static constexpr int n_passes = 2;
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
struct Replace : OnePass {
    static CT_String Ours(Sample &o) {
        CT_String co(o.co_text);
        co.v_Replace(o.co_marker, pc_parameter);
        return co;
    }
    static std::string Theirs(Sample &o) { return ReplaceMarkers(o.s_text); }
};

struct Length : OnePass {
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

template <class Op, bool b_ours> void Measure(benchmark::State &o_state, Sample &o_sample) {
    for (auto _ : o_state) {
        if constexpr (b_ours)
            benchmark::DoNotOptimize(Op::Ours(o_sample));
        else
            benchmark::DoNotOptimize(Op::Theirs(o_sample));
    }
    o_state.SetBytesProcessed(static_cast<std::int64_t>(o_state.iterations()) * Op::n_passes *
                              static_cast<std::int64_t>(o_sample.s_text.size()));
}

struct NamedSample {
    std::string s_name; // kind/size
    std::unique_ptr<Sample> po_sample;
};

template <class Op>
void Register(const char *pc_operation, const std::vector<NamedSample> &ao_samples) {
    for (const NamedSample &o : ao_samples) {
        Sample *po = o.po_sample.get();
        const std::string s_name = std::string(pc_operation) + "/" + o.s_name;
        benchmark::RegisterBenchmark((s_name + "/ct_string").c_str(), [po](benchmark::State &s) {
            Measure<Op, true>(s, *po);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((s_name + "/std_string").c_str(), [po](benchmark::State &s) {
            Measure<Op, false>(s, *po);
        })->Unit(benchmark::kMicrosecond);
    }
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<NamedSample> ao_samples;
    const struct {
        const char *pc_name;
        std::size_t n_size;
    } ao_sizes[] = {{"1K", 1024}, {"64K", 64 * 1024}, {"1M", 1024 * 1024}};
    for (const char *pc_kind : {"ascii", "dbcs"})
        for (const auto &o_size : ao_sizes) {
            const bool b_double = pc_kind[0] == 'd';
            ao_samples.push_back({std::string(pc_kind) + "/" + o_size.pc_name,
                                  std::make_unique<Sample>(o_size.n_size, b_double)});
            if (!SameResults(*ao_samples.back().po_sample)) return 1;
        }
    Register<Construct>("construct", ao_samples);
    Register<Copy>("copy", ao_samples);
    Register<Append>("append", ao_samples);
    Register<Equal>("equal", ao_samples);
    Register<Search>("search", ao_samples);
    Register<Mid>("mid", ao_samples);
    Register<ReplaceChar>("replace_char", ao_samples);
    Register<Replace>("replace", ao_samples);
    Register<Length>("length", ao_samples);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
