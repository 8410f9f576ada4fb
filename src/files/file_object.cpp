// CT_Files: opening with a backup, committing, rolling back and copying.
//
// An object holds a rewrite (rewrite.h) through its handle member; copies
// and assignments share the rewrite of the object that they copy, so that
// it ends exactly once: committed by the last holder that closes, or rolled
// back by the first that cancels, after which no holder holds anything of
// it.
#include "ctcommon.h"
#include "files/rewrite.h"

using ct_files::Rewrite;

CT_Files::CT_Files() : ho_file(INVALID_HANDLE_VALUE) {}

CT_Files::CT_Files(const CT_Files &co_other)
    : co_filename(co_other.co_filename), co_oldfilename(co_other.co_oldfilename),
      ho_file(ct_files::ho_Join(co_other.ho_file)) {}

CT_Files &CT_Files::operator=(const CT_Files &co_other) {
    if (&co_other == this) return *this;
    // Joined before this object leaves its own: the two may share one.
    const HANDLE ho_joined = ct_files::ho_Join(co_other.ho_file);
    v_Close();
    co_filename = co_other.co_filename;
    co_oldfilename = co_other.co_oldfilename;
    ho_file = ho_joined;
    return *this;
}

CT_Files::~CT_Files() { v_Close(); }

void CT_Files::v_Open(CT_String co_name, et_OpenMode eo_mode, int b_backup) {
    // An object still holding a rewrite ends its own part of it first,
    // rather than losing its file and its backup.
    v_Close();
    co_filename = co_name;
    Rewrite *po_rewrite = ct_files::po_NewRewrite(co_filename);
    if (!po_rewrite) CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    ho_file = ct_files::ho_Member(po_rewrite);
    const bool b_reading = eo_mode == GENERIC_READ;
    if (b_backup) {
        // The backup of a rewrite is on the disk before the file is
        // emptied: at no moment may a power loss leave neither the old
        // content nor the new. Without a backup the file is not touched.
        const ct_files::et_Backup eo_backup = ct_files::eo_MakeBackup(*po_rewrite, !b_reading);
        if (eo_backup == ct_files::e_BackupFailed) {
            v_Close();
            CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
        }
        if (eo_backup == ct_files::e_BackupMade) co_oldfilename = co_filename + ".old";
    }
    if (!ct_files::b_OpenFile(*po_rewrite, co_filename, eo_mode)) {
        // A backup stays held, for closing or cancelling to remove.
        if (po_rewrite->s_backup.empty()) v_Close();
        CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    }
}

void CT_Files::v_SaveOldFile() {
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    if (po_rewrite && po_rewrite->b_ended) { // a copy rolled it back: nothing of it is held
        v_Close();
        po_rewrite = nullptr;
    }
    if (po_rewrite) {
        // The backup held keeps the content from before this rewrite; a
        // later copy could only hold part of the new one. A file held
        // without a backup cannot be copied.
        if (po_rewrite->s_backup.empty()) CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
        return;
    }
    po_rewrite = ct_files::po_NewRewrite(co_filename);
    if (!po_rewrite) {
        if (!b_Exist(co_filename)) return; // no name, or nothing there: nothing to keep
        CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    }
    const ct_files::et_Backup eo_backup = ct_files::eo_MakeBackup(*po_rewrite, false);
    if (eo_backup != ct_files::e_BackupMade) {
        delete po_rewrite;
        if (eo_backup == ct_files::e_BackupFailed)
            CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
        return;
    }
    ho_file = ct_files::ho_Member(po_rewrite);
    co_oldfilename = co_filename + ".old";
}

void CT_Files::v_Cancel() {
    if (Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file)) ct_files::v_RollBack(*po_rewrite);
    v_Close();
}

void CT_Files::v_Close() {
    v_CloseHandle();
    v_ClearOldFile();
}

// The backup itself belongs to the rewrite, which deletes it when it ends;
// the object only forgets its name.
void CT_Files::v_ClearOldFile() {
    if (!co_oldfilename.b_IsEmpty()) co_oldfilename.v_Empty();
}

// Lets go of the rewrite; the last holder commits it.
void CT_Files::v_CloseHandle() {
    Rewrite *po_rewrite = ct_files::po_Rewrite(ho_file);
    ho_file = INVALID_HANDLE_VALUE;
    if (po_rewrite) ct_files::v_Leave(po_rewrite);
}
