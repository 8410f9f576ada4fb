// CT_Files: opening with a backup, committing, rolling back and copying.
//
// An object holds a rewrite (rewrite.h) through its handle member; copies
// and assignments share the rewrite of the object that they copy, so that
// it ends exactly once: committed by the last holder that closes, or rolled
// back by the first that cancels, after which no holder holds anything of
// it.
#include "ctcommon.h"
#include "files/rewrite.h"

#include <string>

using ct_files::Rewrite;

CT_Files::CT_Files() : ho_file(INVALID_HANDLE_VALUE) {}

CT_Files::CT_Files(const CT_Files &co_other)
    : co_filename(co_other.co_filename), co_oldfilename(co_other.co_oldfilename),
      ho_file(ct_files::ho_Join(co_other.ho_file)) {}

CT_Files &CT_Files::operator=(const CT_Files &co_other) {
    if (&co_other == this) return *this;
    // Joined before this object leaves its own: the two may share one.
    const HANDLE ho_joined = ct_files::ho_Join(co_other.ho_file);
    v_CloseHandle();
    v_ClearOldFile();
    co_filename = co_other.co_filename;
    co_oldfilename = co_other.co_oldfilename;
    ho_file = ho_joined;
    return *this;
}

CT_Files::~CT_Files() {
    v_CloseHandle();
    v_ClearOldFile();
}

void CT_Files::v_Open(CT_String co_name, et_OpenMode eo_mode, int b_backup) {
    std::string s_path;
    const bool b_resolved = ct_files::b_ResolvePath(co_name, &s_path);
    // A backup made ahead of this open (v_SaveOldFile), or one whose
    // rollback failed, is this rewrite's backup: it keeps the content from
    // before, for a cancel to put back. An object holding anything else
    // ends its own part first, rather than losing its file and its backup.
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    if (!(b_resolved && po_rewrite && ct_files::b_CanTakeOver(*po_rewrite, s_path))) {
        v_Close();
        po_rewrite = nullptr;
    }
    co_filename = co_name;
    if (!b_resolved) CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    if (po_rewrite) {
        // A take-over that fails keeps the backup held, for closing or
        // cancelling to end.
        if (!ct_files::b_OpenAgain(*po_rewrite, eo_mode))
            CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
        return;
    }
    // The rewrite holds the file before it backs it up or empties it; an
    // open that fails leaves nothing held and the file as it was.
    po_rewrite = ct_files::po_BeginRewrite(s_path, eo_mode, b_backup != 0);
    if (!po_rewrite) CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    ho_file = ct_files::ho_Member(po_rewrite);
    co_oldfilename = ct_files::s_BackupOf(*po_rewrite).c_str();
}

void CT_Files::v_SaveOldFile() {
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    if (po_rewrite && po_rewrite->eo_stage == ct_files::e_Ended) { // a copy rolled it back
        v_Close();
        po_rewrite = nullptr;
    }
    if (po_rewrite) {
        // The backup held keeps the content from before this rewrite; a
        // later copy could only hold part of the new one. A file held
        // without a backup cannot be copied.
        if (ct_files::s_BackupOf(*po_rewrite).empty())
            CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
        return;
    }
    std::string s_path;
    if (!ct_files::b_ResolvePath(co_filename, &s_path)) {
        if (!b_Exist(co_filename)) return; // no name, or nothing there: nothing to keep
        CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    }
    bool b_failed = false;
    po_rewrite = ct_files::po_Snapshot(s_path, &b_failed);
    if (b_failed) CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    if (!po_rewrite) return; // nothing there to keep
    ho_file = ct_files::ho_Member(po_rewrite);
    co_oldfilename = ct_files::s_BackupOf(*po_rewrite).c_str();
}

void CT_Files::v_Cancel() {
    // A rollback that cannot put the old content back keeps the rewrite and
    // its backup, for another cancel to try again.
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    if (po_rewrite && !ct_files::b_RollBack(*po_rewrite))
        CT_Errors::v_ThrowError(e_FileWriteFailed, co_filename);
    v_Close();
}

void CT_Files::v_Close() {
    // Only the last holder commits. A commit that cannot put the new content
    // on the disk keeps the rewrite and its backup: the caller may cancel.
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    if (po_rewrite && !ct_files::b_CommitIfLast(*po_rewrite))
        CT_Errors::v_ThrowError(e_FileWriteFailed, co_filename);
    v_CloseHandle();
    v_ClearOldFile();
}

// The backup itself belongs to the rewrite, which deletes it when it ends;
// the object only forgets its name.
void CT_Files::v_ClearOldFile() {
    if (!co_oldfilename.b_IsEmpty()) co_oldfilename.v_Empty();
}

// Lets go of the rewrite; the last holder commits it, raising nothing: a
// commit that fails here lets the rewrite go with its backup on the disk.
void CT_Files::v_CloseHandle() {
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    ho_file = INVALID_HANDLE_VALUE;
    if (!po_rewrite) return;
    if (!ct_files::b_CommitIfLast(*po_rewrite)) ct_files::v_LetGo(*po_rewrite);
    ct_files::b_Leave(po_rewrite);
}
