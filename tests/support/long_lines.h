// Files of lines of chosen lengths, for the tests that read lines longer
// than a buffer (a file's or a pipe's).
#ifndef CTCOMMON_TESTS_LONG_LINES_H
#define CTCOMMON_TESTS_LONG_LINES_H

#include "string_views.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

// Lines of the given lengths, each of its own letter, and the content that
// holds them, each ended by CR LF.
struct LongLines {
    std::vector<std::string> as_lines;
    std::string s_content;
};

inline LongLines MakeLongLines(std::initializer_list<std::size_t> an_lengths) {
    LongLines o;
    for (const std::size_t n : an_lengths) {
        o.as_lines.push_back(std::string(n, static_cast<char>('a' + o.as_lines.size())));
        o.s_content += o.as_lines.back() + "\r\n";
    }
    return o;
}

// Each line, in order, counted and then read whole.
inline void ExpectLinesReadWhole(CT_Files &co_file, const std::vector<std::string> &as_lines) {
    CT_String co_line;
    for (const std::string &s_line : as_lines) {
        ASSERT_EQ(s_line.size(), co_file.n_CountUntil("\r\n"));
        ASSERT_EQ(1, co_file.b_ReadLine(co_line, "\r\n"));
        ASSERT_EQ(s_line, Text(co_line));
    }
}

#endif
