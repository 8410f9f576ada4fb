// The rewrite that a CT_Files object holds: the open file and its backup,
// shared by the object and every copy of it, and ended exactly once. The
// object's handle member designates it; the no-file value means that the
// object holds nothing.
//
// Hold first: a rewrite takes its file before it copies or empties
// anything. The backup is copied from that hold, never from the name, so
// the content kept is exactly the content emptied, and a missing file is
// made only while it is still absent. What the hold keeps out depends on
// the system (platform.h): on Windows nobody else opens, renames or
// deletes the file while it is held; on Linux the lock keeps out the
// library's own opens and those of programs that lock, but any process may
// still rename another file over the name, or delete it. So the commit and
// the rollback first check that the name still designates the held file
// and that the file still has a name; when it does not, they raise and
// keep the backup on the disk rather than act on a namesake or write into
// a file that nobody can reach any more.
//
// Every name that a rewrite deletes or replaces is checked against the
// identity of what it made or opened: the file and the backup are deleted
// through their own holds, or through a new hold checked to be the same
// file. Its backup is held open too, so that no other opener can replace or
// change it meanwhile (on Windows; on Linux as far as the lock goes), and
// a rollback reads the very backup that was made.
//
// One thread at a time uses an object and its copies (the header says so),
// so the count of holders is a plain counter.
#ifndef CTCOMMON_FILES_REWRITE_H
#define CTCOMMON_FILES_REWRITE_H

#include "ctcommon.h"
#include "files/held_files.h"
#include "platform/platform.h"

#include <cstddef>
#include <memory>
#include <string>

namespace ct_files {

// The bytes read from the file beyond the holders' reading position: bytes
// [n_begin, n_end) of pc_bytes come next, and the system's position stands
// that many bytes further on. The file is held without sharing, so nobody
// else sees the difference; a write first moves the system's position back
// (b_SettleForWrite), and whatever rewinds or closes the file drops them.
struct ReadAhead {
    std::unique_ptr<char[]> pc_bytes; // n_room bytes, and two behind them for terminators
    std::size_t n_room = 0;
    std::size_t n_begin = 0;
    std::size_t n_end = 0;

    std::size_t n_Held() const { return n_end - n_begin; }
    void v_Drop() {
        pc_bytes.reset();
        n_room = n_begin = n_end = 0;
    }
};

// The stages of a rewrite and the steps between them; each step checks
// that it starts from a stage that allows it (b_Allowed).
//
//   e_Fresh     --open-->         e_Open
//   e_Fresh     --snapshot-->     e_Held      (a backup ahead of any open)
//   e_Held      --open again-->   e_Open      (the same rewrite takes the file)
//   e_Stranded  --open again-->   e_Open      (the backup kept until written anew)
//   e_Open      --commit, rollback-->            e_Ended
//   e_Open      --a failed commit-->             e_Open      (try again)
//   e_Open      --a failed rollback, lost name-->e_Stranded
//   e_Held      --commit, rollback, let go-->    e_Ended
//   e_Held      --a failed restore-->            e_Held      (try again; kept at a close)
//   e_Stranded  --rollback, let go-->            e_Ended
//   e_Stranded  --a failed rollback-->           e_Stranded  (try again)
//   e_Open      --let go-->                      e_Ended
enum et_Stage {
    e_Fresh,    // made; holds nothing yet
    e_Held,     // holds a backup and no file (v_SaveOldFile)
    e_Open,     // holds its file, with a backup or without
    e_Stranded, // only the backup is whole: a rollback failed, or the file lost its
                // name; no reads, no writes, and no commit deletes the backup
    e_Ended     // committed, rolled back or let go: holds nothing
};

struct Rewrite {
    et_Stage eo_stage = e_Fresh;
    HANDLE ho_file = INVALID_HANDLE_VALUE;   // while e_Open, and while e_Stranded after writing
    HANDLE ho_backup = INVALID_HANDLE_VALUE; // held while there is a backup
    bool b_writing = false;                  // the open created or emptied the file
    bool b_can_move_back = false;            // a disk file; not a pipe or a device
    bool b_removable = false;   // a regular file that its own name designates, not a link
    bool b_keep_backup = false; // a rollback failed, and the file is not written anew since:
                                // no commit deletes the backup, the only whole content
    Identity o_backup;          // the backup that was made, checked at every new hold of it
    std::string s_path;         // the file as the system resolves its name
    std::string s_backup;       // the backup's path; empty: no backup
    ReadAhead o_ahead;          // shared by the holders, as their position is
    unsigned n_holders = 1;
};

// The rewrite that an object's handle member designates, or null.
inline Rewrite *po_Rewrite(HANDLE ho_member) {
    return ho_member == INVALID_HANDLE_VALUE ? nullptr : static_cast<Rewrite *>(ho_member);
}
inline HANDLE ho_Member(Rewrite *po_rewrite) {
    return po_rewrite ? static_cast<HANDLE>(po_rewrite) : INVALID_HANDLE_VALUE;
}

// The open file while the rewrite is open; the no-file value otherwise.
inline HANDLE ho_LiveFile(HANDLE ho_member) {
    const Rewrite *po_rewrite = po_Rewrite(ho_member);
    return po_rewrite && po_rewrite->eo_stage == e_Open ? po_rewrite->ho_file
                                                        : INVALID_HANDLE_VALUE;
}
// Brings the system's position back to the holders' reading position
// before a write, so that the write lands where a reading of one byte at a
// time would have left the file. A pipe or a device cannot move back and
// needs not: reading and writing go separate ways there, and the bytes read
// ahead stay for the next reads. False when the move fails.
bool b_SettleForWrite(Rewrite &o_rewrite);

// The path of the file that the system opens for the name; false when the
// name names no file that can be opened (no full path, a device, a folder).
bool b_ResolvePath(const char *pc_name, std::string *ps_path);
// A new rewrite of the file at that path, opened for reading (GENERIC_READ)
// or for writing with that access, with a backup when b_backup: it holds
// the file, copies the backup from that hold (on the disk first when
// writing), then empties the file. Null when any step fails; nothing that
// it made is left then, and a file that was there keeps its content.
Rewrite *po_BeginRewrite(const std::string &s_path, DWORD n_mode, bool b_backup);
// A new rewrite that holds only a backup of the file as it is now; null
// with *pb_failed false when there is no file to keep, with it true when
// the backup cannot be made.
Rewrite *po_Snapshot(const std::string &s_path, bool *pb_failed);
// Whether a new open of the path may take this rewrite over:
// it holds a backup of that file and no open file (v_SaveOldFile), or its
// rollback failed.
bool b_CanTakeOver(const Rewrite &o_rewrite, const std::string &s_path);
// Opens the file again within a rewrite that b_CanTakeOver allowed; its
// backup stays the one that a cancel puts back. False, the rewrite as it
// was, when the system refuses.
bool b_OpenAgain(Rewrite &o_rewrite, DWORD n_mode);
// One more holder of the rewrite that a member designates; returns the
// member value for the new holder.
HANDLE ho_Join(HANDLE ho_member);
// Rolls the rewrite back for all its holders, unless it has ended. False
// when it cannot finish: the rewrite then lasts for another try, its
// backup held.
bool b_RollBack(Rewrite &o_rewrite);
// Commits the rewrite for all its holders, unless it has ended: the backup
// is deleted once the new content is on the disk. False when that cannot
// be done: the rewrite lasts, its backup held (stranded when the file has
// lost its name). A stranded rewrite is let go instead, the backup left on
// the disk.
bool b_Commit(Rewrite &o_rewrite);
// b_Commit for the last holder; true for the others, who commit nothing.
bool b_CommitIfLast(Rewrite &o_rewrite);
// Ends the rewrite without deleting anything: the backup stays on the disk.
void v_LetGo(Rewrite &o_rewrite);
// One holder less; true when it was the last, whose rewrite is then freed.
bool b_Leave(Rewrite *po_rewrite);
// The name of the rewrite's backup, empty without one.
const std::string &s_BackupOf(const Rewrite &o_rewrite);

} // namespace ct_files

#endif
