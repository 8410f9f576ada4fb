// A rewrite guarded by CT_RewriteGuard ends by a rollback when its scope ends
// by an exception, whether the host threw it or the library raised it, and
// is committed as usual when the scope ends normally, also after exceptions
// that were caught inside it. On the DLL the host (this program) and the
// library each carry their own C++ runtime, which is what the guard must
// see through.
#include "support/raised.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Something the library raises: opening a file that is not there.
void LibraryRaises(const std::string &s_missing) {
    CT_Files co_missing;
    co_missing.v_Open(s_missing.c_str(), CT_Files::e_Read, 0);
}

// Library errors raised and caught again by the host.
void CatchLibraryErrors(const std::string &s_missing, int n_times) {
    for (int i = 0; i < n_times; ++i) {
        try {
            LibraryRaises(s_missing);
        } catch (et_ErrorCode) {
        }
    }
}

struct Case {
    const char *pc_name;
    bool b_rolled_back; // else committed
    std::function<void(const std::string &s_missing)> body;
};

// A guard made while an exception unwinds (in a destructor) sees its own
// scope end normally.
struct RewritesWhenDestroyed {
    std::string s_file;
    ~RewritesWhenDestroyed() {
        CT_Files co_file;
        co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
        CT_RewriteGuard o_guard(co_file);
        co_file.v_Write("from a destructor", 17);
    }
};

const Case ao_cases[] = {
    {"a normal end", false, [](const std::string &) {}},
    {"a host exception", true, [](const std::string &) { throw std::runtime_error("host"); }},
    {"a host exception of its own type", true, [](const std::string &) { throw 42; }},
    {"a library error", true, [](const std::string &s) { LibraryRaises(s); }},
    {"a library error caught inside", false,
     [](const std::string &s) { CatchLibraryErrors(s, 1); }},
    {"a host exception caught inside", false,
     [](const std::string &) {
         try {
             throw std::runtime_error("host");
         } catch (const std::exception &) {
         }
     }},
    {"library errors caught, then a host exception", true,
     [](const std::string &s) {
         CatchLibraryErrors(s, 3);
         throw std::runtime_error("host");
     }},
    {"library errors caught, then another", true,
     [](const std::string &s) {
         CatchLibraryErrors(s, 3);
         LibraryRaises(s);
     }},
    {"a library error passed on by the host", true,
     [](const std::string &s) {
         try {
             LibraryRaises(s);
         } catch (et_ErrorCode) {
             throw;
         }
     }},
    {"a library error thrown again by the library", true,
     [](const std::string &s) {
         try {
             LibraryRaises(s);
         } catch (et_ErrorCode) {
             CT_Errors::v_ThrowAgain();
         }
     }},
};

TEST(RewriteGuard, AnExceptionRollsBackAndANormalEndCommits) {
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_missing = o_folder.Path("missing.kdw");
    for (const Case &o_case : ao_cases) {
        SCOPED_TRACE(o_case.pc_name);
        WriteWholeFile(s_file, "old\r\n");
        bool b_escaped = false;
        try {
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            CT_RewriteGuard o_guard(co_file);
            co_file.v_Writeln("half");
            o_case.body(s_missing);
            co_file.v_Writeln("written");
        } catch (...) {
            b_escaped = true;
        }
        EXPECT_EQ(o_case.b_rolled_back, b_escaped);
        EXPECT_EQ(o_case.b_rolled_back ? "old\r\n" : "half\r\nwritten\r\n", ReadWholeFile(s_file));
        EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
    }
}

// The guard of a rewrite that a destructor makes while another exception
// unwinds sees its own scope end normally: that rewrite is committed, and
// the guarded rewrite of the scope that the exception leaves is rolled back.
TEST(RewriteGuard, OnlyTheScopeThatTheExceptionLeavesRollsBack) {
    TempFolder o_folder;
    const std::string s_outer = o_folder.Path("outer.kdw");
    const std::string s_inner = o_folder.Path("inner.kdw");
    WriteWholeFile(s_outer, "outer old");
    WriteWholeFile(s_inner, "inner old");
    try {
        RewritesWhenDestroyed o_late{s_inner};
        CT_Files co_file;
        co_file.v_Open(s_outer.c_str(), CT_Files::e_Write, 1);
        CT_RewriteGuard o_guard(co_file);
        co_file.v_Write("outer new", 9);
        throw std::runtime_error("host");
    } catch (const std::exception &) {
    }
    EXPECT_EQ("outer old", ReadWholeFile(s_outer));
    EXPECT_EQ("from a destructor", ReadWholeFile(s_inner));
}

// After the rewrite has ended by a close or a cancel, an exception leaving
// the scope changes nothing.
TEST(RewriteGuard, ARewriteThatHasEndedIsLeftAsItEnded) {
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    for (bool b_cancel : {false, true}) {
        WriteWholeFile(s_file, "old");
        try {
            CT_Files co_file;
            co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
            CT_RewriteGuard o_guard(co_file);
            co_file.v_Write("new", 3);
            if (b_cancel)
                co_file.v_Cancel();
            else
                co_file.v_Close();
            throw std::runtime_error("host");
        } catch (const std::exception &) {
        }
        EXPECT_EQ(b_cancel ? "old" : "new", ReadWholeFile(s_file));
        EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
    }
}

} // namespace
