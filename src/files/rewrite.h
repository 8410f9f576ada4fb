// The rewrite that a CT_Files object holds: the open file and its backup,
// shared by the object and every copy of it, and ended exactly once. The
// object's handle member designates it; the no-file value means that the
// object holds nothing.
//
// A rewrite acts on full paths resolved when the file was first named, so
// that a change of the current folder after opening never points it at a
// namesake elsewhere. It holds its backup open as well as its file, so that
// no other opener can replace or delete the backup while it is needed, and a
// rollback reads the very backup that was made.
#ifndef CTCOMMON_FILES_REWRITE_H
#define CTCOMMON_FILES_REWRITE_H

#include "ctcommon.h"
#include "platform/platform.h"

#include <atomic>
#include <string>

namespace ct_files {

struct Rewrite {
    HANDLE ho_file = INVALID_HANDLE_VALUE;   // none until opened, or after an open that failed
    HANDLE ho_backup = INVALID_HANDLE_VALUE; // held while the backup is
    bool b_writing = false;
    bool b_can_move_back = false; // a disk file; not a pipe or a device
    std::string s_path;           // the file's full path
    std::string s_backup;         // the backup's full path; empty: no backup
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

// The open file while the rewrite lasts; the no-file value once it has ended
// or when no file is open.
inline HANDLE ho_LiveFile(HANDLE ho_member) {
    const Rewrite *po_rewrite = po_Rewrite(ho_member);
    return po_rewrite && !po_rewrite->b_ended ? po_rewrite->ho_file : INVALID_HANDLE_VALUE;
}
// Whether the delimiter search may read ahead and move back.
inline bool b_CanMoveBack(HANDLE ho_member) {
    const Rewrite *po_rewrite = po_Rewrite(ho_member);
    return po_rewrite && po_rewrite->b_can_move_back;
}

// A new rewrite of the named file, with its full path; null when the path
// cannot be formed.
Rewrite *po_NewRewrite(const char *pc_name);
// One more holder of the rewrite that a member designates; returns the
// member value for the new holder.
HANDLE ho_Join(HANDLE ho_member);
// Makes the backup of the file, if it exists: a new file beside it, held
// from then on. With b_flush it is on the disk before this returns. A backup
// that cannot be made leaves nothing behind.
enum et_Backup { e_BackupMade, e_NothingToKeep, e_BackupFailed };
et_Backup eo_MakeBackup(Rewrite &o_rewrite, bool b_flush);
// Opens the file under the name given, for reading (GENERIC_READ) or for
// writing with that access; false when the system refuses.
bool b_OpenFile(Rewrite &o_rewrite, const char *pc_name, DWORD n_mode);
// Rolls the rewrite back for all its holders, unless it has ended.
void v_RollBack(Rewrite &o_rewrite);
// One holder less; the last one commits the rewrite, unless it has ended,
// and frees it.
void v_Leave(Rewrite *po_rewrite);

} // namespace ct_files

#endif
