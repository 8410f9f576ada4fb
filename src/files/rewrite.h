// The rewrite that a CT_Files object holds: the open file and its backup,
// shared by the object and every copy of it, and ended exactly once. The
// object's handle member designates it; the no-file value means that the
// object holds nothing.
//
// A rewrite knows its file by one path, resolved as the system resolves
// the name when it opens it, and by the identity of what it opened: every
// name it deletes or replaces is checked against that identity first, and
// the file and the backup are deleted through their own holds, so that a
// name that has come to mean another file is never touched. It holds its
// backup open as well as its file, so that no other opener can replace or
// delete the backup while it is needed, and a rollback reads the very
// backup that was made.
#ifndef CTCOMMON_FILES_REWRITE_H
#define CTCOMMON_FILES_REWRITE_H

#include "ctcommon.h"
#include "platform/platform.h"

#include <atomic>
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

struct Rewrite {
    HANDLE ho_file = INVALID_HANDLE_VALUE;   // none until opened, or after an open that failed
    HANDLE ho_backup = INVALID_HANDLE_VALUE; // held while the backup is
    bool b_writing = false;                  // the open created or emptied the file
    bool b_can_move_back = false;            // a disk file; not a pipe or a device
    bool b_removable = false;    // a regular file that its own name designates, not a link
    bool b_rolling_back = false; // a rollback failed and may be tried again: no reads, no writes
    bool b_keep_backup = false;  // the backup is the only whole content: no commit deletes it
    std::string s_path;          // the file as the system resolves its name
    std::string s_backup;        // the backup's path; empty: no backup
    ReadAhead o_ahead;           // shared by the holders, as their position is
    std::atomic<unsigned> n_holders{1};
    std::atomic<bool> b_ended{false};
};

// The rewrite that an object's handle member designates, or null.
inline Rewrite *po_Rewrite(HANDLE ho_member) {
    return ho_member == INVALID_HANDLE_VALUE ? nullptr : static_cast<Rewrite *>(ho_member);
}
inline HANDLE ho_Member(Rewrite *po_rewrite) {
    return po_rewrite ? static_cast<HANDLE>(po_rewrite) : INVALID_HANDLE_VALUE;
}

// The open file while the rewrite lasts; the no-file value once it has ended,
// while a failed rollback waits to be tried again, or when no file is open.
inline HANDLE ho_LiveFile(HANDLE ho_member) {
    const Rewrite *po_rewrite = po_Rewrite(ho_member);
    return po_rewrite && !po_rewrite->b_ended && !po_rewrite->b_rolling_back ? po_rewrite->ho_file
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
// A new rewrite of the file at that path.
Rewrite *po_NewRewrite(const std::string &s_path);
// One more holder of the rewrite that a member designates; returns the
// member value for the new holder.
HANDLE ho_Join(HANDLE ho_member);
// Makes the backup of the file, if it exists: a new file beside it, held
// from then on. With b_flush it is on the disk before this returns. A backup
// that cannot be made leaves nothing behind.
enum et_Backup { e_BackupMade, e_NothingToKeep, e_BackupFailed };
et_Backup eo_MakeBackup(Rewrite &o_rewrite, bool b_flush);
// Opens the file for reading (GENERIC_READ) or for writing with that
// access; false when the system refuses. An open that fails leaves no file
// that it made.
bool b_OpenFile(Rewrite &o_rewrite, DWORD n_mode);
// Whether a new open of the path may take this rewrite over: it holds a
// backup of that file and no open file of its own (a backup made ahead of
// an open, or left by an open that failed), or a rollback of it failed.
bool b_CanTakeOver(const Rewrite &o_rewrite, const std::string &s_path);
// Closes the rewrite's file, if one is open, before it is opened again.
void v_CloseFile(Rewrite &o_rewrite);
// Rolls the rewrite back for all its holders, unless it has ended. False
// when the old content could not be put back: the rewrite then lasts, its
// backup held, for another try.
bool b_RollBack(Rewrite &o_rewrite);
// Commits the rewrite for all its holders, unless it has ended: the backup
// is deleted once the new content is on the disk. False when that content
// cannot be put there: the rewrite then lasts, its backup held. A rewrite
// whose backup is the only whole content is let go instead, the backup
// left on the disk.
bool b_Commit(Rewrite &o_rewrite);
// b_Commit for the last holder; true for the others, who commit nothing.
bool b_CommitIfLast(Rewrite &o_rewrite);
// Ends the rewrite without deleting anything: the backup stays on the disk.
void v_LetGo(Rewrite &o_rewrite);
// One holder less; true when it was the last, whose rewrite is then freed.
bool b_Leave(Rewrite *po_rewrite);

} // namespace ct_files

#endif
