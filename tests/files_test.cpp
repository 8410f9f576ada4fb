// CT_Files on real files: opening with and without a backup, committing and
// rolling back, exclusive access, copies, and reading and writing.
#include "support/raised.h"
#include "support/string_views.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class FileObject : public ::testing::Test {
  protected:
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";
};

TEST_F(FileObject, EachRewriteEndsAsTheOutcomeTableSays) {
    const struct {
        bool b_existed, b_backup, b_cancel;
        const char *pc_after; // null: the file is gone
    } rows[] = {
        {true, true, false, "new"},   {true, true, true, "old"},     {true, false, false, "new"},
        {true, false, true, nullptr}, {false, true, false, "new"},   {false, true, true, nullptr},
        {false, false, false, "new"}, {false, false, true, nullptr},
    };
    for (const auto &r : rows) {
        const std::string s_row = std::string(r.b_existed ? "existed" : "new file") +
                                  (r.b_backup ? ", backup" : "") +
                                  (r.b_cancel ? ", cancel" : ", close");
        std::filesystem::remove(s_file);
        if (r.b_existed) WriteWholeFile(s_file, "old");
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, r.b_backup);
        EXPECT_EQ("", ReadWholeFile(s_file)) << s_row; // created or emptied at once
        EXPECT_EQ(r.b_existed && r.b_backup, FileExists(s_backup)) << s_row;
        if (FileExists(s_backup)) {
            EXPECT_EQ("old", ReadWholeFile(s_backup)) << s_row;
        }
        co_file.v_Write("new", 3);
        if (r.b_cancel)
            co_file.v_Cancel();
        else
            co_file.v_Close();
        EXPECT_EQ(r.pc_after != nullptr, FileExists(s_file)) << s_row;
        if (r.pc_after) {
            EXPECT_EQ(r.pc_after, ReadWholeFile(s_file)) << s_row;
        }
        EXPECT_FALSE(FileExists(s_backup)) << s_row;
    }
}

TEST_F(FileObject, DestructionCommitsAsCloseDoes) {
    WriteWholeFile(s_file, "old");
    {
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        co_file.v_Writeln("new");
    }
    EXPECT_EQ("new\r\n", ReadWholeFile(s_file));
    EXPECT_FALSE(FileExists(s_backup));
}

TEST_F(FileObject, AStaleBackupIsReplacedAndTheWholeNameIsKept) {
    const std::string s_dotted = o_folder.Path("a.b.txt");
    WriteWholeFile(s_dotted, "current");
    WriteWholeFile(s_dotted + ".old", "stale");
    CT_Files co_file;
    co_file.v_Open(s_dotted.c_str(), CT_Files::e_Write, 1);
    EXPECT_EQ("current", ReadWholeFile(s_dotted + ".old"));
    co_file.v_Cancel();
    EXPECT_EQ("current", ReadWholeFile(s_dotted));
}

TEST_F(FileObject, AMissingFileCannotBeOpenedForReading) {
    for (int b_backup = 0; b_backup < 2; ++b_backup) {
        CT_Files co_file;
        const Raised o_raised =
            RaisedBy([&] { co_file.v_Open(s_file.c_str(), CT_Files::e_Read, b_backup); });
        EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
        EXPECT_EQ(s_file, o_raised.s_parameter);
        EXPECT_FALSE(FileExists(s_backup));
        char c_byte;
        EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_file.v_Read(&c_byte, 1); }).n_code);
    }
}

TEST_F(FileObject, ReadingWithABackupLeavesTheFileAsItWas) {
    WriteWholeFile(s_file, "content");
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 1);
    EXPECT_EQ("content", ReadWholeFile(s_backup));
    char ac[7];
    co_file.v_Read(ac, 7);
    EXPECT_EQ("content", std::string(ac, 7));
    co_file.v_Close();
    EXPECT_FALSE(FileExists(s_backup));
    EXPECT_EQ("content", ReadWholeFile(s_file));
    co_file.v_Close(); // closing again does nothing
}

TEST_F(FileObject, CancellingLeavesAloneAFileThatTheObjectDidNotWrite) {
    WriteWholeFile(s_file, "keep me");
    CT_Files co_reader;
    co_reader.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    co_reader.v_Cancel();
    EXPECT_EQ("keep me", ReadWholeFile(s_file));
    co_reader.v_Cancel(); // already closed
    EXPECT_EQ("keep me", ReadWholeFile(s_file));

    CT_Files co_writer;
    co_writer.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
    co_writer.v_Close();
    co_writer.v_Cancel(); // closed: the committed file stays
    EXPECT_TRUE(FileExists(s_file));
}

TEST_F(FileObject, AHeldFileCannotBeOpenedAgainNorEmptied) {
    WriteWholeFile(s_file, "held");
    CT_Files co_holder;
    co_holder.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    for (CT_Files::et_OpenMode eo_mode : {CT_Files::e_Read, CT_Files::e_Write}) {
        CT_Files co_other;
        const Raised o_raised = RaisedBy([&] { co_other.v_Open(s_file.c_str(), eo_mode, 0); });
        EXPECT_EQ(e_FileOpenFailed, o_raised.n_code);
        EXPECT_EQ(s_file, o_raised.s_parameter);
    }
    co_holder.v_Close();
    EXPECT_EQ("held", ReadWholeFile(s_file));
    CT_Files co_after;
    co_after.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
}

TEST_F(FileObject, CopiesShareTheOpenFileAndEachClosesItsOwnHandle) {
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
    co_file.v_Write("one ", 4);
    {
        CT_Files co_copy(co_file);
        co_copy.v_Write("two ", 4); // the same position
        co_file.v_Close();
        co_copy.v_Write("three", 5); // its own handle outlives its twin's
    }
    EXPECT_EQ("one two three", ReadWholeFile(s_file));
    co_file.v_Close();
    CT_Files co_again; // nothing holds the file any more
    co_again.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
}

TEST_F(FileObject, AssignmentReleasesTheTargetsOwnFile) {
    const std::string s_other = o_folder.Path("other.txt");
    CT_Files co_target, co_source;
    co_target.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
    co_source.v_Open(s_other.c_str(), CT_Files::e_Write, 0);
    co_target = co_source;
    co_target.v_Write("via target", 10);
    CT_Files co_reopen; // the target's first file is free again
    co_reopen.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    co_source.v_Close();
    co_target.v_Close();
    EXPECT_EQ("via target", ReadWholeFile(s_other));
}

TEST_F(FileObject, OpeningAgainCommitsTheFileStillHeld) {
    const std::string s_second = o_folder.Path("second.txt");
    WriteWholeFile(s_file, "old");
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    co_file.v_Write("first", 5);
    co_file.v_Open(s_second.c_str(), CT_Files::e_Write, 0);
    EXPECT_EQ("first", ReadWholeFile(s_file));
    EXPECT_FALSE(FileExists(s_backup));
    CT_Files co_other;
    co_other.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
}

class FileIo : public FileObject {
  protected:
    // An object reading a file of this content.
    void OpenWith(const std::string &s_content) {
        WriteWholeFile(s_file, s_content);
        co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    }
    std::string NextBytes(unsigned n_count) {
        std::string s_bytes(n_count, '\0');
        co_file.v_Read(&s_bytes[0], n_count);
        return s_bytes;
    }
    CT_Files co_file;
};

TEST_F(FileIo, LinesAreWrittenWithCarriageReturnAndLineFeed) {
    CT_Files co_writer;
    co_writer.v_Open(s_file.c_str(), CT_Files::e_Write, 0);
    co_writer.v_Writeln("abc");
    co_writer.v_Writeln("");
    co_writer.v_Write(CT_String(""));
    co_writer.v_Write(CT_String("\x82\xA0z"));
    co_writer.v_Close();
    EXPECT_EQ("abc\r\n\r\n\x82\xA0z", ReadWholeFile(s_file));
}

TEST_F(FileIo, ReadingUpToADelimiterTakesTheTextAndMovesPastIt) {
    OpenWith("abc\r\nd");
    CT_String co_line("untouched");
    co_file.v_ReadUntil(co_line, "\r\n");
    EXPECT_EQ("abc", Text(co_line));
    const Raised o_raised = RaisedBy([&] { co_file.v_ReadUntil(co_line, "\r\n"); });
    EXPECT_EQ(e_FileReadFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    EXPECT_EQ("abc", Text(co_line)); // kept at the end of the file
}

TEST_F(FileIo, TheTargetIsSizedAsForTheCountThenForTheText) {
    OpenWith(std::string(600, 'q') + ";" + std::string("ab\0cd;", 6));
    CT_String co_text; // 512
    co_file.v_ReadUntil(co_text, ";");
    // Sized for 600 (856), then assigned a string of 856: 256 above that.
    EXPECT_EQ(1112u, co_text.n_GetSize());
    EXPECT_EQ(600u, co_text.n_GetStringSize());
    co_file.v_ReadUntil(co_text, ";");
    EXPECT_EQ("ab", Text(co_text)); // up to the NUL
    EXPECT_EQ(1112u, co_text.n_GetSize());
}

TEST_F(FileIo, TheSearchIsOneForwardPass) {
    OpenWith("aabab");
    EXPECT_EQ(3u, co_file.n_CountUntil("ab"));
    EXPECT_EQ("a", NextBytes(1)); // counting does not move
    co_file.v_MoveUntil("ab");    // from the second byte: "ab" right there
    EXPECT_EQ("ab", NextBytes(2));

    co_file.v_Close();
    OpenWith("aabab");
    CT_String co_text;
    co_file.v_ReadUntil(co_text, "ab");
    EXPECT_EQ("aab", Text(co_text)); // ends after the fifth byte, not the third
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { NextBytes(1); }).n_code);

    co_file.v_Close();
    OpenWith("x\r\r\ny\r\nz");
    co_file.v_ReadUntil(co_text, "\r\n");
    EXPECT_EQ("x\r\r\ny", Text(co_text));
    EXPECT_EQ("z", NextBytes(1));
}

TEST_F(FileIo, ADelimiterRightHereOrEmpty) {
    OpenWith(";rest");
    EXPECT_EQ(0u, co_file.n_CountUntil(";"));
    CT_String co_text("x");
    co_file.v_ReadUntil(co_text, ";");
    EXPECT_EQ("", Text(co_text));
    EXPECT_EQ("r", NextBytes(1));

    EXPECT_EQ(0u, co_file.n_CountUntil(""));
    co_file.v_MoveUntil("");
    co_text = "x";
    co_file.v_ReadUntil(co_text, "");
    EXPECT_EQ("", Text(co_text));
    EXPECT_EQ("e", NextBytes(1)); // nothing was read
}

TEST_F(FileIo, ANulByteEndsTheTextButNotTheRead) {
    OpenWith(std::string("ab\0cd;ef", 8));
    CT_String co_text;
    co_file.v_ReadUntil(co_text, ";");
    EXPECT_EQ("ab", Text(co_text));
    EXPECT_EQ("e", NextBytes(1));
}

TEST_F(FileIo, RawReadsAndDelimiterReadsMixAcrossBlocks) {
    // Lines around the sizes of the blocks that the search reads.
    const unsigned sizes[] = {0, 1, 1022, 1023, 1024, 1025, 3000, 70000, 300000, 5};
    std::string s_content;
    for (unsigned n_size : sizes)
        s_content += std::string(n_size, 'x') + "#\r\n";
    OpenWith(s_content);
    for (unsigned n_size : sizes) {
        EXPECT_EQ(n_size + 1, co_file.n_CountUntil("\r\n")) << n_size;
        CT_String co_line;
        co_file.v_ReadUntil(co_line, "#");
        EXPECT_EQ(n_size, co_line.n_GetStringSize()) << n_size;
        EXPECT_EQ("\r", NextBytes(1)) << n_size;
        co_file.v_MoveUntil("\n");
    }
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_file.v_MoveUntil("\n"); }).n_code);
}

TEST_F(FileIo, RawReads) {
    OpenWith("abc");
    co_file.v_Read(nullptr, 0); // nothing, no call
    char ac[8] = "zzzzzzz";
    co_file.v_Read(ac, 8); // only three bytes left: no error
    EXPECT_EQ("abczzzz", std::string(ac, 7));
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_file.v_Read(ac, 1); }).n_code);
}

// A file past 4 GiB (sparse, so it costs no disk) opens and reads from its
// start: file offsets and sizes are 64-bit on every build.
TEST_F(FileIo, AFilePastFourGibibytesOpensAndReads) {
    WriteWholeFile(s_file, "head\r\n");
    std::filesystem::resize_file(s_file, (std::uint64_t{1} << 32) + 6);
    co_file.v_Open(s_file.c_str(), CT_Files::e_Read, 0);
    CT_String co_line;
    co_file.v_ReadUntil(co_line, "\r\n");
    EXPECT_EQ("head", Text(co_line));
    EXPECT_EQ(std::string(4, '\0'), NextBytes(4));
}

// The lines that a reader of "line, delimiter, ..." should see: the pieces
// between delimiters, and the last one when it is not empty.
std::vector<std::string> ExpectedLines(const std::string &s_content, const std::string &s_end) {
    std::vector<std::string> as_lines;
    std::size_t n_at = 0;
    for (std::size_t n_found; (n_found = s_content.find(s_end, n_at)) != std::string::npos;
         n_at = n_found + s_end.size())
        as_lines.push_back(s_content.substr(n_at, n_found - n_at));
    if (n_at < s_content.size()) as_lines.push_back(s_content.substr(n_at));
    return as_lines;
}

TEST_F(FileIo, ReadingLinesTakesTheLastOneWithoutItsDelimiterToo) {
    const std::string s_long_tail(5000, 't'); // beyond the first block
    const std::string as_contents[] = {
        "a\r\nbb\r\ncc", "a\r\nbb\r\n",         "",         "only a tail", "a\r\n\r\nb",
        "\r\n",          "x\r\n" + s_long_tail, "a\r\nb\r",
    };
    for (const std::string &s_content : as_contents) {
        SCOPED_TRACE(s_content.substr(0, 40));
        OpenWith(s_content);
        std::vector<std::string> as_read;
        CT_String co_line("kept");
        while (co_file.b_ReadLine(co_line, "\r\n"))
            as_read.push_back(Text(co_line));
        EXPECT_EQ(ExpectedLines(s_content, "\r\n"), as_read);
        const std::string s_last = Text(co_line);
        EXPECT_EQ(0, co_file.b_ReadLine(co_line, "\r\n")); // still the end
        EXPECT_EQ(s_last, Text(co_line));                  // the target as it was
        co_file.v_Close();
    }
    // An empty delimiter: the rest of the file is one line.
    OpenWith("a\r\nb");
    CT_String co_rest;
    EXPECT_EQ(1, co_file.b_ReadLine(co_rest, ""));
    EXPECT_EQ("a\r\nb", Text(co_rest));
    EXPECT_EQ(0, co_file.b_ReadLine(co_rest, ""));
}

TEST_F(FileIo, TheOldReadsStillRaise19AtATailWithoutDelimiter) {
    OpenWith("a\r\ntail");
    CT_String co_line;
    co_file.v_ReadUntil(co_line, "\r\n");
    EXPECT_EQ("a", Text(co_line));
    const Raised o_raised = RaisedBy([&] { co_file.v_ReadUntil(co_line, "\r\n"); });
    EXPECT_EQ(e_FileReadFailed, o_raised.n_code);
    EXPECT_EQ(s_file, o_raised.s_parameter);
    EXPECT_EQ("a", Text(co_line));                     // untouched
    EXPECT_EQ(0, co_file.b_ReadLine(co_line, "\r\n")); // and the position at the end
    char c_byte = 0;
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_file.v_Read(&c_byte, 1); }).n_code);
}

TEST_F(FileIo, ACountedReadSaysHowManyBytesItDelivered) {
    OpenWith("0123456789");
    char ac[4];
    const unsigned an_expected[] = {4, 4, 2, 0, 0};
    std::string s_got;
    for (unsigned n_expected : an_expected) {
        const unsigned n_read = co_file.n_Read(ac, sizeof ac);
        EXPECT_EQ(n_expected, n_read);
        s_got.append(ac, n_read);
    }
    EXPECT_EQ("0123456789", s_got);
    EXPECT_EQ(0u, co_file.n_Read(nullptr, 0));
    CT_Files co_closed;
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_closed.n_Read(ac, 1); }).n_code);
}

#if !defined(_WIN32)
TEST(FileDevice, AWriteToAFullDeviceRaises18) {
    CT_Files co_file;
    co_file.v_Open("/dev/full", CT_Files::e_Write, 0);
    const Raised o_raised = RaisedBy([&] { co_file.v_Writeln("no room"); });
    EXPECT_EQ(e_FileWriteFailed, o_raised.n_code);
    EXPECT_EQ("/dev/full", o_raised.s_parameter);
    co_file.v_Close();
}
#endif

TEST_F(FileIo, WithoutAnOpenFileWritesAndReadsRaise) {
    CT_Files co_closed;
    co_closed.v_Read(nullptr, 0);
    EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_closed.v_Write("x", 0); }).n_code);
    EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_closed.v_Writeln("x"); }).n_code);
    char c_byte;
    EXPECT_EQ(e_FileReadFailed, RaisedBy([&] { co_closed.v_Read(&c_byte, 1); }).n_code);
    OpenWith("read only");
    EXPECT_EQ(e_FileWriteFailed, RaisedBy([&] { co_file.v_Write("x", 1); }).n_code);
}

} // namespace
