// CT_RewriteScope commits a rewrite only through v_Commit: a scope that
// ends without it, by an exception from any module or by an early return,
// rolls the rewrite back, and the exception goes on unchanged. The scope
// counts no exceptions, so a second host module that throws and catches
// its own (a plug-in; on the DLL it carries a C++ runtime of its own, as
// this program and the library each do) changes nothing.
#include "support/escaped.h"
#include "support/plugin_module.h"
#include "support/temp_files.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

static_assert(!std::is_copy_constructible<CT_RewriteScope>::value &&
                  !std::is_copy_assignable<CT_RewriteScope>::value,
              "a copy would end the rewrite a second time");

namespace {

const char ac_old[] = "old\r\n";
const char ac_new[] = "half\r\nwritten\r\n";

// Something the library raises: opening a file that is not there (17).
void LibraryRaises(const std::string &s_missing) {
    CT_Files co_missing;
    co_missing.v_Open(s_missing.c_str(), CT_Files::e_Read, 0);
}

void CatchLibraryErrors(const std::string &s_missing, int n_times) {
    for (int i = 0; i < n_times; ++i) {
        try {
            LibraryRaises(s_missing);
        } catch (et_ErrorCode) {
        }
    }
}

void PluginCatchesOwn() { EXPECT_EQ(3, ct_PluginCatchesOwn(3)); }

// A plug-in exception that this program catches.
void CatchPluginException() {
    try {
        ct_PluginThrows(7);
    } catch (int) {
    }
}

// How the scope's code goes on after the case's step.
enum et_End {
    e_Commit,          // the last write, then v_Commit
    e_NoCommit,        // the last write, then the scope's end
    e_ReturnEarly,     // a return before the last write
    e_CommitThenThrow, // the last write, v_Commit, then a host exception
};

struct Case {
    const char *pc_name;
    std::function<void(CT_Files &co_file, const std::string &s_missing)> step; // may throw
    et_End eo_end;
    const char *pc_content; // the file's content afterwards
    const char *pc_escaped; // what leaves the scope (EscapedFrom)
};

void Rewrite(const std::string &s_file, const std::string &s_missing, const Case &o_case) {
    CT_Files co_file;
    co_file.v_Open(s_file.c_str(), CT_Files::e_Write, 1);
    CT_RewriteScope o_scope(co_file);
    co_file.v_Writeln("half");
    o_case.step(co_file, s_missing);
    if (o_case.eo_end == e_ReturnEarly) return;
    co_file.v_Writeln("written");
    if (o_case.eo_end == e_NoCommit) return;
    o_scope.v_Commit();
    if (o_case.eo_end == e_CommitThenThrow) throw std::runtime_error("after the commit");
}

const auto NoStep = [](CT_Files &, const std::string &) {};

const Case ao_cases[] = {
    {"the commit", NoStep, e_Commit, ac_new, ""},
    {"a normal end without the commit", NoStep, e_NoCommit, ac_old, ""},
    {"an early return", NoStep, e_ReturnEarly, ac_old, ""},
    {"the commit, then a host exception", NoStep, e_CommitThenThrow, ac_new, "runtime_error"},
    {"a host exception", [](CT_Files &, const std::string &) { throw std::runtime_error("host"); },
     e_Commit, ac_old, "runtime_error"},
    {"a host exception of its own type", [](CT_Files &, const std::string &) { throw 42; },
     e_Commit, ac_old, "int 42"},
    {"a library error", [](CT_Files &, const std::string &s) { LibraryRaises(s); }, e_Commit,
     ac_old, "code 17"},
    {"library errors caught inside, then the commit",
     [](CT_Files &, const std::string &s) { CatchLibraryErrors(s, 3); }, e_Commit, ac_new, ""},
    {"host exceptions caught inside, then the commit",
     [](CT_Files &, const std::string &) {
         for (int i = 0; i < 3; ++i) {
             try {
                 throw std::runtime_error("host");
             } catch (const std::exception &) {
             }
         }
     },
     e_Commit, ac_new, ""},
    {"library errors caught, then a host exception",
     [](CT_Files &, const std::string &s) {
         CatchLibraryErrors(s, 3);
         throw std::runtime_error("host");
     },
     e_Commit, ac_old, "runtime_error"},
    {"a library error passed on by the host",
     [](CT_Files &, const std::string &s) {
         try {
             LibraryRaises(s);
         } catch (et_ErrorCode) {
             throw;
         }
     },
     e_Commit, ac_old, "code 17"},
    {"a library error thrown again by the library",
     [](CT_Files &, const std::string &s) {
         try {
             LibraryRaises(s);
         } catch (et_ErrorCode) {
             CT_Errors::v_ThrowAgain();
         }
     },
     e_Commit, ac_old, "code 17"},
    // The rewrite has ended already: the cancel at the scope's end touches
    // nothing.
    {"a close of its own, then an early return",
     [](CT_Files &co_file, const std::string &) { co_file.v_Close(); }, e_ReturnEarly, "half\r\n",
     ""},
    {"a cancel of its own, then a host exception",
     [](CT_Files &co_file, const std::string &) {
         co_file.v_Cancel();
         throw std::runtime_error("host");
     },
     e_Commit, ac_old, "runtime_error"},

    // A second module's exceptions.
    {"the plug-in's own exceptions, then the commit",
     [](CT_Files &, const std::string &) { PluginCatchesOwn(); }, e_Commit, ac_new, ""},
    {"the plug-in's own exceptions, then an early return",
     [](CT_Files &, const std::string &) { PluginCatchesOwn(); }, e_ReturnEarly, ac_old, ""},
    {"the plug-in's own exceptions, then a host exception",
     [](CT_Files &, const std::string &) {
         PluginCatchesOwn();
         throw std::runtime_error("host");
     },
     e_Commit, ac_old, "runtime_error"},
    {"a plug-in exception caught here, then the commit",
     [](CT_Files &, const std::string &) { CatchPluginException(); }, e_Commit, ac_new, ""},
    // The guard that this scope replaced added up how the host's and the
    // library's counts of exceptions in flight had changed. On the DLL a
    // plug-in exception that the host catches is counted as thrown by the
    // plug-in's runtime but as caught by the host's, so the host's count
    // drops by one; the host exception that followed only brought it back
    // to where the scope began, the guard saw a normal end, and the
    // half-written file was committed and its backup deleted.
    {"a plug-in exception caught here, then a host exception",
     [](CT_Files &, const std::string &) {
         CatchPluginException();
         throw std::runtime_error("host");
     },
     e_Commit, ac_old, "runtime_error"},
    {"a plug-in exception leaving the scope",
     [](CT_Files &, const std::string &) { ct_PluginThrows(7); }, e_Commit, ac_old, "int 7"},
};

TEST(RewriteScope, OnlyTheCommitKeepsTheRewrite) {
    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_missing = o_folder.Path("missing.kdw");
    for (const Case &o_case : ao_cases) {
        SCOPED_TRACE(o_case.pc_name);
        WriteWholeFile(s_file, ac_old);
        EXPECT_EQ(o_case.pc_escaped, EscapedFrom([&] { Rewrite(s_file, s_missing, o_case); }));
        EXPECT_EQ(o_case.pc_content, ReadWholeFile(s_file));
        EXPECT_EQ(std::vector<std::string>{"export.kdw"}, o_folder.Names());
    }
}

} // namespace
