// Random sequences of rewrites of one file by up to three objects, checked
// against a small model of the transaction: opens with and without a
// backup, writes, copies, assignments, destruction, backup requests,
// closes, cancels and reopens, rewrites in a CT_RewriteScope that commits
// or ends without committing, and another program's saves in place. Each sequence runs without
// faults, where the disk must match the model exactly after every step, and then with the n-th
// platform call failing once or from then on, where every raised code must be one that the step may
// raise and, once every object has ended, the file must be whole (its old content or the content of
// one rewrite, never a mixture), not held, and no handle leaked.
//
// The seed is printed; CTCOMMON_MODEL_SEED replays one and
// CTCOMMON_MODEL_SEQUENCES sets how many sequences run (default 150).
#include "support/other_program.h"
#include "support/raised.h"
#include "support/system_facts.h"
#include "support/temp_files.h"
#include "support/test_hooks.h"

#include <ctcommon.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

const int n_slots = 3;
const std::string s_initial = "i0\r\ni1\r\n";

enum et_Step {
    e_OpenWrite,
    e_OpenWriteBackup,
    e_OpenReadBackup,
    e_Write,
    e_CopyInto,
    e_Assign,
    e_Destroy,
    e_SaveOldFile,
    e_Close,
    e_Cancel,
    e_ScopeCommit,  // a write in a rewrite scope, then its commit
    e_ScopeAbandon, // a write in a rewrite scope that ends without a commit
    e_OtherSave,    // another program writes the file in place, if not kept out
    e_StepCount
};
const char *const apc_step_names[] = {"open for writing",
                                      "open for writing with a backup",
                                      "open for reading with a backup",
                                      "write",
                                      "copy into",
                                      "assign to",
                                      "destroy",
                                      "ask for a backup",
                                      "close",
                                      "cancel",
                                      "write in a scope, commit",
                                      "write in a scope, no commit",
                                      "another program saves"};

struct Step {
    et_Step eo_step;
    int n_slot;
    int n_other; // the source of a copy or an assignment
    std::string Describe() const {
        std::string s = std::string(apc_step_names[eo_step]) + " " + std::to_string(n_slot);
        if (eo_step == e_CopyInto || eo_step == e_Assign) s += " from " + std::to_string(n_other);
        return s;
    }
};

// Another program's save at a step: "o" for "w" in the step's text.
std::string OtherContent(const std::string &s_text) { return "o" + s_text.substr(1); }

// The model: one rewrite shared by its holders.
struct ModelRewrite {
    bool b_file = false; // holds the open file
    bool b_writing = false;
    bool b_backup = false;            // holds the backup
    std::optional<std::string> o_old; // what the backup holds
    bool b_rolling_back = false;      // a cancel failed and may be tried again
    bool b_keep_backup = false;       // no commit deletes the backup
    bool b_ended = false;
    int n_holders = 1;
};
using ModelRef = std::shared_ptr<ModelRewrite>;

struct Model {
    std::optional<std::string> o_disk = s_initial;
    std::optional<std::string> o_orphan; // a backup left on the disk, held by none
    ModelRef ao_slots[n_slots];

    bool FileHeld() const {
        return b_Any([](const ModelRewrite &o) { return o.b_file; });
    }
    bool BackupHeld() const {
        return b_Any([](const ModelRewrite &o) { return o.b_backup; });
    }
    template <typename Test> bool b_Any(Test test) const {
        for (const ModelRef &o_ref : ao_slots)
            if (o_ref && !o_ref->b_ended && test(*o_ref)) return true;
        return false;
    }

    // The last holder commits, or lets a rewrite whose backup must stay go.
    void Leave(int n_slot) {
        ModelRef o_ref = ao_slots[n_slot];
        ao_slots[n_slot].reset();
        if (!o_ref || --o_ref->n_holders != 0 || o_ref->b_ended) return;
        o_ref->b_ended = true;
        if (o_ref->b_keep_backup) o_orphan = o_ref->o_old;
    }

    // A new backup of the file replaces a stale one.
    void NewBackup(ModelRewrite &o_rewrite) {
        o_rewrite.b_backup = true;
        o_rewrite.o_old = o_disk;
        o_orphan.reset();
    }

    int Open(const Step &o_step) {
        ModelRef &o_slot = ao_slots[o_step.n_slot];
        const bool b_reading = o_step.eo_step == e_OpenReadBackup;
        // A backup held without the file is this open's backup.
        const bool b_take_over = o_slot && !o_slot->b_ended && o_slot->b_backup &&
                                 (!o_slot->b_file || o_slot->b_rolling_back);
        if (b_take_over) {
            o_slot->b_file = o_slot->b_rolling_back = false;
            if (!b_reading) o_slot->b_keep_backup = false;
        } else {
            Leave(o_step.n_slot);
        }
        if (FileHeld()) return e_FileOpenFailed;
        if (!b_take_over) {
            const bool b_backup = o_step.eo_step != e_OpenWrite && o_disk;
            if (b_backup && BackupHeld()) return e_FileOpenFailed;
            if (b_reading && !o_disk) return e_FileOpenFailed;
            o_slot = std::make_shared<ModelRewrite>();
            if (b_backup) NewBackup(*o_slot);
        } else if (b_reading && !o_disk) {
            return e_FileOpenFailed;
        }
        o_slot->b_file = true;
        o_slot->b_writing = !b_reading;
        if (!b_reading) o_disk = "";
        return -1;
    }

    int Cancel(int n_slot) {
        ModelRef &o_slot = ao_slots[n_slot];
        if (o_slot && !o_slot->b_ended) {
            if (o_slot->b_file && o_slot->b_writing) {
                o_disk = o_slot->b_backup ? o_slot->o_old : std::nullopt;
            } else if (o_slot->b_backup) {
                // The backup goes back at the file's name, unless another
                // holds it: then it can be neither compared nor written.
                o_slot->b_file = false;
                if (FileHeld()) {
                    o_slot->b_rolling_back = o_slot->b_keep_backup = true;
                    return e_FileWriteFailed;
                }
                o_disk = o_slot->o_old;
            }
            o_slot->b_ended = true;
        }
        Leave(n_slot);
        return -1;
    }

    int Write(int n_slot, const std::string &s_text) {
        const ModelRef &o_slot = ao_slots[n_slot];
        if (!o_slot || o_slot->b_ended || !o_slot->b_file || !o_slot->b_writing ||
            o_slot->b_rolling_back)
            return e_FileWriteFailed;
        *o_disk += s_text;
        return -1;
    }

    // A write in a rewrite scope: committed by a close when told and the
    // write went through; anything else ends in a cancel, whose own failure
    // the scope swallows.
    int Scoped(int n_slot, const std::string &s_text, bool b_commit) {
        const int n_code = Write(n_slot, s_text);
        if (n_code == -1 && b_commit)
            Leave(n_slot);
        else
            Cancel(n_slot);
        return n_code;
    }

    // Applies a step; returns the code that it raises, or -1.
    int Apply(const Step &o_step, const std::string &s_text) {
        ModelRef &o_slot = ao_slots[o_step.n_slot];
        switch (o_step.eo_step) {
        case e_OpenWrite:
        case e_OpenWriteBackup:
        case e_OpenReadBackup:
            return Open(o_step);
        case e_Write:
            return Write(o_step.n_slot, s_text);
        case e_ScopeCommit:
        case e_ScopeAbandon:
            return Scoped(o_step.n_slot, s_text, o_step.eo_step == e_ScopeCommit);
        case e_OtherSave:
            // Kept out while a rewrite holds the file; a backup's hold lets
            // it write the file.
            if (!FileHeld()) o_disk = OtherContent(s_text);
            return -1;
        case e_CopyInto:
            if (o_step.n_slot == o_step.n_other) return -1;
            Leave(o_step.n_slot);
            o_slot = ao_slots[o_step.n_other];
            if (o_slot) ++o_slot->n_holders;
            return -1;
        case e_Assign: {
            if (o_step.n_slot == o_step.n_other) return -1;
            ModelRef o_source = ao_slots[o_step.n_other];
            if (o_source) ++o_source->n_holders;
            Leave(o_step.n_slot);
            o_slot = o_source;
            return -1;
        }
        case e_Destroy:
        case e_Close:
            Leave(o_step.n_slot);
            return -1;
        case e_SaveOldFile:
            if (o_slot && o_slot->b_ended) Leave(o_step.n_slot);
            if (o_slot) return o_slot->b_backup ? -1 : e_FileOpenFailed;
            // A closed object copies the file it last named: always this one
            // here, once it has named one.
            if (!b_named[o_step.n_slot] || !o_disk) return -1;
            if (FileHeld() || BackupHeld()) return e_FileOpenFailed;
            o_slot = std::make_shared<ModelRewrite>();
            NewBackup(*o_slot);
            return -1;
        case e_Cancel:
            return Cancel(o_step.n_slot);
        case e_StepCount:
            break;
        }
        return -1;
    }

    // Which objects have named the file (an object that has not copies
    // nothing when asked for a backup), after a step.
    void Rename(const Step &o_step, bool b_exists) {
        if (o_step.eo_step <= e_OpenReadBackup) b_named[o_step.n_slot] = true;
        if (o_step.eo_step == e_CopyInto || o_step.eo_step == e_Assign)
            b_named[o_step.n_slot] = b_named[o_step.n_other];
        if (!b_exists) b_named[o_step.n_slot] = false;
    }
    bool b_named[n_slots] = {false, false, false};
};

// The codes that a step may raise when the system fails.
bool MayRaise(et_Step eo_step, int n_code) {
    switch (eo_step) {
    case e_OpenWrite:
    case e_OpenWriteBackup:
    case e_OpenReadBackup: // 18: the commit of what the object held before failed
        return n_code == e_FileOpenFailed || n_code == e_FileWriteFailed;
    case e_SaveOldFile:
        return n_code == e_FileOpenFailed;
    case e_Write:
    case e_Close:
    case e_Cancel:
    case e_ScopeCommit:
    case e_ScopeAbandon:
        return n_code == e_FileWriteFailed;
    default:
        return false;
    }
}

std::vector<Step> RandomSequence(std::mt19937 &o_random) {
    std::uniform_int_distribution<int> o_length(4, 24), o_kind(0, e_StepCount - 1),
        o_slot(0, n_slots - 1);
    std::vector<Step> ao_steps(static_cast<std::size_t>(o_length(o_random)));
    for (Step &o_step : ao_steps) {
        // Writes half again as often as the rest, so that rewrites have
        // content to lose.
        const int n_kind = o_kind(o_random);
        o_step.eo_step = o_random() % 3 == 0 ? e_Write : static_cast<et_Step>(n_kind);
        o_step.n_slot = o_slot(o_random);
        o_step.n_other = o_slot(o_random);
    }
    return ao_steps;
}

// Whether a content is whole: the initial content, another program's save
// ("o" and its step's number), or lines that one rewrite wrote, each "w"
// and its step's number, in the order written.
bool IsWhole(const std::string &s_content) {
    if (s_content == s_initial) return true;
    if (s_content.size() > 3 && s_content[0] == 'o' &&
        s_content.find("\r\n") + 2 == s_content.size())
        return true;
    int n_last = -1;
    std::size_t n_at = 0;
    while (n_at < s_content.size()) {
        const std::size_t n_end = s_content.find("\r\n", n_at);
        if (n_end == std::string::npos || s_content[n_at] != 'w') return false;
        const int n_number = std::atoi(s_content.substr(n_at + 1, n_end - n_at - 1).c_str());
        if (n_number <= n_last) return false;
        n_last = n_number;
        n_at = n_end + 2;
    }
    return true;
}

class RewriteModel : public ::testing::Test {
  protected:
    void SetUp() override { ct_ClearFaults(); }
    void TearDown() override { ct_ClearFaults(); }

    // Runs a sequence on real objects, then ends every object. Without
    // faults, checks every step against the model; with faults, checks the
    // codes raised. Returns the platform calls made.
    unsigned Run(const std::vector<Step> &ao_steps, const std::string &s_run, bool b_faults) {
        WriteWholeFile(s_file, s_initial);
        Model o_model;
        std::optional<CT_Files> ao_objects[n_slots];
        for (std::size_t n_step = 0; n_step < ao_steps.size(); ++n_step) {
            const Step &o_step = ao_steps[n_step];
            const std::string s_text = "w" + std::to_string(n_step) + "\r\n";
            std::optional<CT_Files> &o_object = ao_objects[o_step.n_slot];
            // An object that never named the file raises with an empty name.
            const bool b_named =
                o_step.eo_step <= e_OpenReadBackup || o_model.b_named[o_step.n_slot];
            const Raised o_raised = RaisedBy([&] { Perform(o_step, s_text, ao_objects); });
            const int n_expected = o_model.Apply(o_step, s_text);
            o_model.Rename(o_step, o_object.has_value());
            const std::string s_where =
                s_run + ", step " + std::to_string(n_step) + " (" + o_step.Describe() + ")";
            if (o_raised.n_code != -1) {
                EXPECT_EQ(b_named ? s_file : "", o_raised.s_parameter) << s_where;
            }
            if (b_faults) {
                if (o_raised.n_code != -1) {
                    EXPECT_TRUE(MayRaise(o_step.eo_step, o_raised.n_code))
                        << s_where << ": raised " << o_raised.n_code;
                }
                continue;
            }
            EXPECT_EQ(n_expected, o_raised.n_code) << s_where;
            // The disk as the model has it, where nothing keeps a reader out.
            EXPECT_EQ(o_model.BackupHeld() || o_model.o_orphan, FileExists(s_backup)) << s_where;
            if (!o_model.FileHeld()) {
                EXPECT_EQ(o_model.o_disk.has_value(), FileExists(s_file)) << s_where;
                if (o_model.o_disk && FileExists(s_file)) {
                    EXPECT_EQ(*o_model.o_disk, ReadWholeFile(s_file)) << s_where;
                }
            }
        }
        for (int n_slot = 0; n_slot < n_slots; ++n_slot) {
            ao_objects[n_slot].reset();
            o_model.Leave(n_slot);
        }
        const unsigned n_calls = ct_CountCalls(nullptr);
        ct_ClearFaults();
        CheckEnd(s_run, b_faults, o_model);
        return n_calls;
    }

    void Perform(const Step &o_step, const std::string &s_text,
                 std::optional<CT_Files> (&ao_objects)[n_slots]) {
        std::optional<CT_Files> &o_object = ao_objects[o_step.n_slot];
        std::optional<CT_Files> &o_other = ao_objects[o_step.n_other];
        switch (o_step.eo_step) {
        case e_OpenWrite:
        case e_OpenWriteBackup:
        case e_OpenReadBackup:
            if (!o_object) o_object.emplace();
            o_object->v_Open(s_file.c_str(),
                             o_step.eo_step == e_OpenReadBackup ? CT_Files::e_Read
                                                                : CT_Files::e_Write,
                             o_step.eo_step != e_OpenWrite);
            break;
        case e_Write:
            if (!o_object) o_object.emplace();
            o_object->v_Write(s_text.c_str(), static_cast<unsigned>(s_text.size()));
            break;
        case e_CopyInto:
            if (&o_object == &o_other) break; // a copy of itself: nothing to do
            o_object.reset();
            if (o_other) o_object.emplace(*o_other);
            break;
        case e_Assign:
            if (!o_object) o_object.emplace();
            if (!o_other) o_other.emplace();
            *o_object = *o_other;
            break;
        case e_Destroy:
            o_object.reset();
            break;
        case e_SaveOldFile:
            if (!o_object) o_object.emplace();
            o_object->v_SaveOldFile();
            break;
        case e_Close:
            if (o_object) o_object->v_Close();
            break;
        case e_Cancel:
            if (o_object) o_object->v_Cancel();
            break;
        case e_ScopeCommit:
        case e_ScopeAbandon: {
            if (!o_object) o_object.emplace();
            CT_RewriteScope o_scope(*o_object);
            o_object->v_Write(s_text.c_str(), static_cast<unsigned>(s_text.size()));
            if (o_step.eo_step == e_ScopeCommit) o_scope.v_Commit();
            break;
        }
        case e_OtherSave:
            SaveInPlace(s_file, OtherContent(s_text));
            break;
        case e_StepCount:
            break;
        }
    }

    void CheckEnd(const std::string &s_run, bool b_faults, const Model &o_model) {
        if (n_handles >= 0) {
            EXPECT_EQ(n_handles, OpenHandles()) << s_run << ": a handle leaked";
        }
        EXPECT_TRUE(!FileExists(s_file) || CanOpen(s_file)) << s_run << ": the file is still held";
        const std::string s_now = FileExists(s_file) ? ReadWholeFile(s_file) : "(no file)";
        if (!b_faults) {
            EXPECT_EQ(o_model.o_disk.value_or("(no file)"), s_now) << s_run;
            std::vector<std::string> as_expected;
            if (FileExists(s_file)) as_expected.push_back("export.kdw");
            if (o_model.o_orphan) {
                as_expected.push_back("export.kdw.old");
                EXPECT_EQ(*o_model.o_orphan, ReadWholeFile(s_backup)) << s_run;
            }
            EXPECT_EQ(as_expected, o_folder.Names()) << s_run << ": something was left behind";
            std::filesystem::remove(s_backup);
            return;
        }
        // A file that a failed rollback left in part has its old content
        // whole in the backup that the rollback kept.
        const bool b_kept_whole = FileExists(s_backup) && IsWhole(ReadWholeFile(s_backup));
        if (FileExists(s_file)) {
            EXPECT_TRUE(IsWhole(s_now) || b_kept_whole)
                << s_run << ": the file holds \"" << s_now << "\"";
        }
        for (const std::string &s_name : o_folder.Names())
            if (s_name != "export.kdw") {
                const std::string s_left = ReadWholeFile(o_folder.Path(s_name));
                EXPECT_TRUE(IsWhole(s_left) || s_left.empty())
                    << s_run << ": " << s_name << " holds \"" << s_left << "\"";
            }
        // What a failure left behind goes, so that the next run starts clean.
        for (const std::string &s_name : o_folder.Names())
            if (s_name != "export.kdw") std::filesystem::remove(o_folder.Path(s_name));
    }

    TempFolder o_folder;
    const std::string s_file = o_folder.Path("export.kdw");
    const std::string s_backup = s_file + ".old";
    long n_handles = -1; // after a first rewrite, which may set up what the system keeps
};

unsigned EnvNumber(const char *pc_name, unsigned n_default) {
    const char *pc_value = std::getenv(pc_name);
    return pc_value && *pc_value ? static_cast<unsigned>(std::strtoul(pc_value, nullptr, 10))
                                 : n_default;
}

TEST_F(RewriteModel, RandomSequencesKeepTheFileWhole) {
    const unsigned n_seed = EnvNumber("CTCOMMON_MODEL_SEED", std::random_device()());
    const unsigned n_sequences = EnvNumber("CTCOMMON_MODEL_SEQUENCES", 150);
    std::printf("seed %u (CTCOMMON_MODEL_SEED=%u replays it), %u sequences\n", n_seed, n_seed,
                n_sequences);
    std::mt19937 o_random(n_seed);
    Run({{e_OpenWriteBackup, 0, 0}, {e_Write, 0, 0}, {e_Cancel, 0, 0}, {e_OpenReadBackup, 0, 0}},
        "warming up", false);
    n_handles = OpenHandles();
    for (unsigned n_sequence = 0; n_sequence < n_sequences; ++n_sequence) {
        const std::vector<Step> ao_steps = RandomSequence(o_random);
        const std::string s_run =
            "seed " + std::to_string(n_seed) + ", sequence " + std::to_string(n_sequence);
        const unsigned n_calls = Run(ao_steps, s_run, false);
        // Some of the calls, each failing once and from then on.
        for (int n_try = 0; n_try < 6 && n_calls > 0; ++n_try) {
            const unsigned n_nth = 1 + o_random() % n_calls;
            const bool b_persistent = n_try % 2 == 1;
            ct_ClearFaults();
            ct_FailCall(nullptr, n_nth, n_io_error, b_persistent);
            Run(ao_steps,
                s_run + ", call " + std::to_string(n_nth) +
                    (b_persistent ? " failing from then on" : " failing once"),
                true);
        }
        if (HasFailure()) break;
    }
}

} // namespace
