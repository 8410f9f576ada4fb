// Every read call against a model of the file read one byte at a time:
// random contents and delimiters (empty, one byte, several, self-overlapping
// like "abab"), random interleavings of the calls, lines shorter and longer
// than the object's buffer and reads across its edge, writes between reads
// on a file opened for reading and writing, and then each read of the file
// failing once: the call that needs the bytes raises 19 and delivers
// nothing, and the same call again gives what the model gives, so that no
// byte is delivered twice or skipped.
//
// The seed is printed; CTCOMMON_READ_SEED replays one.
#include "support/long_lines.h"
#include "support/raised.h"
#include "support/string_views.h"
#include "support/system_facts.h"
#include "support/temp_files.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

enum et_Call { e_ReadUntil, e_ReadLine, e_MoveUntil, e_CountUntil, e_Read, e_NRead, e_Write };
const char *const apc_call_names[] = {"v_ReadUntil", "b_ReadLine", "v_MoveUntil", "n_CountUntil",
                                      "v_Read",      "n_Read",     "v_Write"};

struct Call {
    et_Call eo_call;
    std::string s_delimiter; // the delimiter reads'
    unsigned n_count;        // the raw reads'
    std::string s_bytes;     // a write's
    std::string Describe() const {
        std::string s = apc_call_names[eo_call];
        if (eo_call <= e_CountUntil)
            s += " \"" + s_delimiter + "\" (" + std::to_string(s_delimiter.size()) + " bytes)";
        if (eo_call == e_Read || eo_call == e_NRead) s += " " + std::to_string(n_count);
        if (eo_call == e_Write) s += " " + std::to_string(s_bytes.size()) + " bytes";
        return s;
    }
};

// What a call gave: the code raised (-1 for none), the target's text or the
// bytes delivered, and the number returned.
struct Outcome {
    int n_code = -1;
    std::string s_text;
    unsigned n_result = 0;
    bool operator==(const Outcome &o) const {
        return n_code == o.n_code && s_text == o.s_text && n_result == o.n_result;
    }
};

std::string Show(const Outcome &o) {
    return "code " + std::to_string(o.n_code) + ", result " + std::to_string(o.n_result) + ", " +
           std::to_string(o.s_text.size()) + " bytes";
}

// The text up to its first NUL: what a string made of it holds.
std::string UpToNul(const std::string &s) { return s.substr(0, s.find('\0')); }

// The file as one byte at a time would read it.
struct ReadModel {
    std::string s_content;
    std::size_t n_at = 0;
    std::string s_target; // the delimiter reads' target, as the object's

    // Where the delimiter ends, searched from the position in one forward
    // pass whose mismatching byte is not tried again as a first byte.
    std::size_t FindEnd(const std::string &s_delimiter) const {
        std::size_t n_matched = 0;
        for (std::size_t i = n_at; i < s_content.size(); ++i) {
            n_matched = s_content[i] == s_delimiter[n_matched] ? n_matched + 1 : 0;
            if (n_matched == s_delimiter.size()) return i + 1;
        }
        return std::string::npos;
    }

    Outcome Apply(const Call &o_call) {
        Outcome o;
        const std::string &s_end = o_call.s_delimiter;
        const std::size_t n_left = s_content.size() - n_at;
        switch (o_call.eo_call) {
        case e_ReadUntil:
        case e_MoveUntil:
        case e_CountUntil: {
            if (s_end.empty()) {
                if (o_call.eo_call == e_ReadUntil) s_target.clear();
                break;
            }
            const std::size_t n_end = FindEnd(s_end);
            if (n_end == std::string::npos) {
                n_at = s_content.size();
                o.n_code = e_FileReadFailed;
                break;
            }
            const std::size_t n_text = n_end - s_end.size() - n_at;
            if (o_call.eo_call == e_ReadUntil) s_target = UpToNul(s_content.substr(n_at, n_text));
            if (o_call.eo_call == e_CountUntil)
                o.n_result = static_cast<unsigned>(n_text);
            else
                n_at = n_end;
            break;
        }
        case e_ReadLine: {
            if (n_left == 0) break;
            const std::size_t n_end = s_end.empty() ? std::string::npos : FindEnd(s_end);
            const std::size_t n_stop = n_end == std::string::npos ? s_content.size() : n_end;
            const std::size_t n_text =
                n_stop - n_at - (n_end == std::string::npos ? 0 : s_end.size());
            s_target = UpToNul(s_content.substr(n_at, n_text));
            n_at = n_stop;
            o.n_result = 1;
            break;
        }
        case e_Read:
        case e_NRead: {
            const std::size_t n = o_call.n_count < n_left ? o_call.n_count : n_left;
            o.s_text = s_content.substr(n_at, n);
            n_at += n;
            o.n_result = static_cast<unsigned>(n);
            if (o_call.eo_call == e_Read && o_call.n_count != 0 && n == 0)
                o.n_code = e_FileReadFailed;
            break;
        }
        case e_Write:
            s_content.replace(n_at, o_call.s_bytes.size(), o_call.s_bytes);
            n_at += o_call.s_bytes.size();
            break;
        }
        if (o_call.eo_call <= e_ReadLine) o.s_text = s_target;
        return o;
    }
};

Outcome Perform(CT_Files &co_file, CT_String &co_target, const Call &o_call) {
    Outcome o;
    std::vector<char> ac_bytes(o_call.n_count + 1, '\x7f');
    o.n_code = RaisedBy([&] {
                   switch (o_call.eo_call) {
                   case e_ReadUntil:
                       co_file.v_ReadUntil(co_target, o_call.s_delimiter.c_str());
                       break;
                   case e_ReadLine:
                       o.n_result = static_cast<unsigned>(
                           co_file.b_ReadLine(co_target, o_call.s_delimiter.c_str()));
                       break;
                   case e_MoveUntil:
                       co_file.v_MoveUntil(o_call.s_delimiter.c_str());
                       break;
                   case e_CountUntil:
                       o.n_result = co_file.n_CountUntil(o_call.s_delimiter.c_str());
                       break;
                   case e_Read: // how many it delivered is read from the bytes below
                       co_file.v_Read(ac_bytes.data(), o_call.n_count);
                       break;
                   case e_NRead:
                       o.n_result = co_file.n_Read(ac_bytes.data(), o_call.n_count);
                       o.s_text.assign(ac_bytes.data(), o.n_result);
                       break;
                   case e_Write:
                       co_file.v_Write(o_call.s_bytes.data(),
                                       static_cast<unsigned>(o_call.s_bytes.size()));
                       break;
                   }
               }).n_code;
    if (o_call.eo_call <= e_ReadLine) o.s_text = Text(co_target);
    if (o_call.eo_call == e_Read) { // v_Read does not say: the bytes before the untouched ones
        std::size_t n = 0;
        while (n < o_call.n_count && ac_bytes[n] != '\x7f')
            ++n;
        o.s_text.assign(ac_bytes.data(), n);
        o.n_result = static_cast<unsigned>(n);
    }
    return o;
}

// Contents whose bytes are never 0x7f (the untouched mark): short pieces of
// a small alphabet with NULs and line ends, and long runs without any
// delimiter byte, so that lines are shorter and longer than the buffer.
std::string RandomContent(std::mt19937 &o_random) {
    static const char ac_alphabet[] = {'a', 'b', 'x', '\r', '\n', '\0', 'z', ';'};
    std::string s;
    const std::size_t n_size = o_random() % 3 == 0 ? o_random() % 600 : o_random() % 400000;
    while (s.size() < n_size) {
        if (o_random() % 8 == 0)
            s.append(o_random() % 150000, 'q');
        else
            for (unsigned n = o_random() % 200; n; --n)
                s += ac_alphabet[o_random() % sizeof ac_alphabet];
    }
    return s;
}

std::string RandomDelimiter(std::mt19937 &o_random) {
    static const char *const apc_fixed[] = {"", "\n", "\r\n", "abab", "aab", "x", ";", "ab\r\na"};
    if (o_random() % 3) return apc_fixed[o_random() % (sizeof apc_fixed / sizeof *apc_fixed)];
    static const char ac_bytes[] = {'a', 'b', '\r', '\n', 'q', ';'};
    std::string s;
    for (unsigned n = 1 + o_random() % 3; n; --n)
        s += ac_bytes[o_random() % sizeof ac_bytes];
    return s;
}

std::vector<Call> RandomCalls(std::mt19937 &o_random, bool b_writes) {
    std::vector<Call> ao_calls;
    for (int i = 0; i < 60; ++i) {
        Call o_call{static_cast<et_Call>(o_random() % (b_writes ? 7 : 6)),
                    RandomDelimiter(o_random), 0, ""};
        const unsigned an_counts[] = {0u, 1u, 2u, 100u, 65535u, 65536u, 70000u, 200000u};
        o_call.n_count = o_random() % 2 ? an_counts[o_random() % 8] : o_random() % 5000;
        if (o_call.eo_call == e_Write)
            for (unsigned n = o_random() % 300; n; --n)
                o_call.s_bytes += "ab\r\nx"[o_random() % 5];
        ao_calls.push_back(o_call);
    }
    return ao_calls;
}

unsigned SeedOfTheRun() {
    if (const char *pc_seed = std::getenv("CTCOMMON_READ_SEED"))
        return static_cast<unsigned>(std::strtoul(pc_seed, nullptr, 10));
    return std::random_device{}();
}

class ReadModelTest : public ::testing::Test {
  protected:
    void TearDown() override { ct_ClearFaults(); }

    // Runs the calls on a file of that content (or, with b_writes, on a file
    // that the object creates and writes between its reads) and checks each
    // against the model; with n_failing, that read of the file fails once
    // and the call that meets it is made again. Returns the reads of the
    // file made.
    unsigned Run(const std::string &s_content, const std::vector<Call> &ao_calls, bool b_writes,
                 unsigned n_failing) {
        ct_ClearFaults();
        ReadModel o_model;
        CT_Files co_file;
        if (b_writes) {
            co_file.v_Open(s_file.c_str(),
                           static_cast<CT_Files::et_OpenMode>(CT_Files::e_Read | CT_Files::e_Write),
                           0);
        } else {
            WriteWholeFile(s_file, s_content);
            o_model.s_content = s_content;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
        }
        const unsigned n_first = ct_CountCalls("ReadFile");
        const unsigned n_fail_at = n_first + n_failing;
        if (n_failing) ct_FailCall("ReadFile", n_fail_at, n_io_error, 0);
        CT_String co_target("before");
        o_model.s_target = "before";
        for (std::size_t i = 0; i < ao_calls.size(); ++i) {
            SCOPED_TRACE("call " + std::to_string(i) + ": " + ao_calls[i].Describe());
            const unsigned n_reads_before = ct_CountCalls("ReadFile");
            Outcome o_got = Perform(co_file, co_target, ao_calls[i]);
            const bool b_met_the_failure =
                n_failing && n_reads_before < n_fail_at && ct_CountCalls("ReadFile") >= n_fail_at;
            if (b_met_the_failure) {
                EXPECT_EQ(e_FileReadFailed, o_got.n_code);
                if (ao_calls[i].eo_call <= e_ReadLine) {
                    EXPECT_EQ(o_model.s_target, Text(co_target)); // untouched
                }
                o_got = Perform(co_file, co_target, ao_calls[i]);
            }
            const Outcome o_expected = o_model.Apply(ao_calls[i]);
            if (!(o_expected == o_got)) {
                ADD_FAILURE() << "expected " << Show(o_expected) << ", got " << Show(o_got);
                return 0;
            }
        }
        // The rest of the file, as the model has it; the failing read may
        // come here, once.
        std::string s_rest;
        char ac_block[4096];
        int n_raised = 0;
        for (unsigned n = 1; n != 0 && n_raised <= 1;) {
            if (RaisedBy([&] { n = co_file.n_Read(ac_block, sizeof ac_block); }).n_code != -1)
                ++n_raised;
            else
                s_rest.append(ac_block, n);
        }
        EXPECT_LE(n_raised, n_failing ? 1 : 0);
        EXPECT_EQ(o_model.s_content.substr(o_model.n_at), s_rest);
        const unsigned n_reads = ct_CountCalls("ReadFile") - n_first;
        co_file.v_Close();
        if (b_writes) {
            EXPECT_EQ(o_model.s_content, ReadWholeFile(s_file));
        }
        return n_reads;
    }

    TempFolder o_folder;
    const std::string s_file = o_folder.Path("import.txt");
};

TEST_F(ReadModelTest, RandomReadsGiveWhatAReadingOfOneByteAtATimeGives) {
    const unsigned n_seed = SeedOfTheRun();
    std::printf("seed %u\n", n_seed);
    SCOPED_TRACE("seed " + std::to_string(n_seed));
    std::mt19937 o_random(n_seed);
    for (int n_sequence = 0; n_sequence < 24; ++n_sequence) {
        SCOPED_TRACE("sequence " + std::to_string(n_sequence));
        const bool b_writes = n_sequence % 6 == 5;
        const std::string s_content = b_writes ? "" : RandomContent(o_random);
        const std::vector<Call> ao_calls = RandomCalls(o_random, b_writes);
        const unsigned n_reads = Run(s_content, ao_calls, b_writes, 0);
        if (HasFailure()) return;
        // Each read of the file failing once, for the first sequences; a
        // sample of them for the others.
        for (unsigned n_failing = 1; n_failing <= n_reads; ++n_failing) {
            if (n_sequence >= 4 && o_random() % 8) continue;
            SCOPED_TRACE("read " + std::to_string(n_failing) + " failing");
            Run(s_content, ao_calls, b_writes, n_failing);
            if (HasFailure()) return;
        }
    }
}

// Lines of every length round the buffer's size (64 KiB), read one after
// the other: each ends exactly at, before and after an edge of the buffer.
TEST_F(ReadModelTest, LinesRoundTheBufferSizeAreReadWhole) {
    const LongLines o_lines =
        MakeLongLines({65534u, 65535u, 65536u, 65537u, 1u, 131070u, 131072u, 0u, 200000u});
    WriteWholeFile(s_file, o_lines.s_content);
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    ExpectLinesReadWhole(co_file, o_lines.as_lines);
    if (HasFatalFailure()) return;
    CT_String co_line;
    EXPECT_EQ(0, co_file.b_ReadLine(co_line, "\r\n"));
}

// A buffer grown for a long line gives its room back once that line has
// been delivered, though a partial short line is held at every refill
// after it: the short lines that follow a long one are read through a
// buffer of the usual 64 KiB. A second long line grows it again. Every
// line is read whole all the same.
TEST_F(ReadModelTest, TheBufferShrinksBackAfterALongLine) {
    // Short lines of 1 to 53 bytes: each refill among them finds part of
    // one held, not an empty buffer.
    std::vector<std::string> as_short;
    for (int i = 0; i < 100000; ++i)
        as_short.push_back(std::string(1 + i % 53, static_cast<char>('a' + i % 26)));
    const std::size_t an_long[] = {3u << 20, 2u << 20};
    std::string s_content;
    for (const std::size_t n_long : an_long) {
        s_content += std::string(n_long, 'L') + "\r\n";
        for (const std::string &s_line : as_short)
            s_content += s_line + "\r\n";
    }
    s_content += "last";
    WriteWholeFile(s_file, s_content);
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    CT_String co_line;
    for (const std::size_t n_long : an_long) {
        SCOPED_TRACE("after a line of " + std::to_string(n_long) + " bytes");
        // A target of its own: a string keeps its room, which each later
        // line would empty.
        CT_String co_long;
        ASSERT_EQ(1, co_file.b_ReadLine(co_long, "\r\n"));
        ASSERT_EQ(n_long, co_long.n_GetStringSize());
        EXPECT_GE(ct_ReadRoom(), n_long);
        for (const std::string &s_line : as_short) {
            ASSERT_EQ(1, co_file.b_ReadLine(co_line, "\r\n"));
            ASSERT_EQ(s_line, Text(co_line));
        }
        EXPECT_EQ(64u * 1024, ct_ReadRoom());
    }
    ASSERT_EQ(1, co_file.b_ReadLine(co_line, "\r\n"));
    EXPECT_EQ("last", Text(co_line));
    EXPECT_EQ(0, co_file.b_ReadLine(co_line, "\r\n"));
}

// Short lines cost no system call once read ahead: one read of the file
// for a buffer's worth, and no move at all.
TEST_F(ReadModelTest, ShortLinesAreServedFromTheBuffer) {
    std::string s_content;
    for (int i = 0; i < 50; ++i)
        s_content += std::string(100, static_cast<char>('a' + i % 26)) + "\r\n";
    WriteWholeFile(s_file, s_content);
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    ct_ClearFaults();
    CT_String co_line;
    for (int i = 0; i < 50; ++i) {
        co_file.v_ReadUntil(co_line, "\r\n");
        ASSERT_EQ(std::string(100, static_cast<char>('a' + i % 26)), Text(co_line));
    }
    EXPECT_EQ(1u, ct_CountCalls("ReadFile"));
    EXPECT_EQ(0u, ct_CountCalls("SetFilePointer"));
}

} // namespace
