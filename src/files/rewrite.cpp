// The rewrite shared by a CT_Files object and its copies: making the
// backup, opening the file, and the one ending, commit or rollback.
#include "files/rewrite.h"
#include "files/full_path.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <new>

namespace {

const unsigned n_copy_block = 64 * 1024;

// A name beside the backup for the copy that becomes it: "~", eight hex
// digits and ".tmp". A name that is taken already makes the copy fail, and
// the next try takes another.
std::string s_TemporaryBeside(const std::string &s_backup) {
    static std::atomic<unsigned> n_made{0};
    const auto n_now = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned n_mark =
        static_cast<unsigned>(n_now ^ (n_now >> 32)) * 2654435761u + n_made.fetch_add(1);
    char ac_name[16];
    std::snprintf(ac_name, sizeof ac_name, "~%08x.tmp", n_mark);
    return s_backup.substr(0, s_backup.rfind(ct_platform::c_path_separator) + 1) + ac_name;
}

// Deletes a file of the library's own making. A copy carries the
// attributes of its source, and a read-only one is deleted only once it is
// read-only no more.
bool b_DeleteOwnFile(const std::string &s_name) {
    if (DeleteFileA(s_name.c_str())) return true;
    return GetLastError() == ERROR_ACCESS_DENIED &&
           SetFileAttributesA(s_name.c_str(), FILE_ATTRIBUTE_NORMAL) && DeleteFileA(s_name.c_str());
}

// Puts a file's content on the disk, so that it survives a power loss.
bool b_FlushNamedFile(const std::string &s_name) {
    const HANDLE ho_file =
        CreateFileA(s_name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) return false;
    const bool b_flushed = FlushFileBuffers(ho_file);
    return CloseHandle(ho_file) && b_flushed;
}

void v_CloseIfOpen(HANDLE &ho_file) {
    if (ho_file == INVALID_HANDLE_VALUE) return;
    CloseHandle(ho_file);
    ho_file = INVALID_HANDLE_VALUE;
}

// Copies what remains of one open file into another.
bool b_CopyContent(HANDLE ho_from, HANDLE ho_to) {
    std::unique_ptr<char[]> pc_block(new (std::nothrow) char[n_copy_block]);
    if (!pc_block) return false;
    for (;;) {
        DWORD n_read = 0, n_written = 0;
        if (!ReadFile(ho_from, pc_block.get(), n_copy_block, &n_read, nullptr)) return false;
        if (n_read == 0) return true;
        if (!WriteFile(ho_to, pc_block.get(), n_read, &n_written, nullptr)) return false;
    }
}

// Puts the backup's content back into the very file that was emptied,
// through the handle that holds it: the file keeps its identity (its links,
// its owner, its protection) and never becomes free for another opener
// meanwhile. It is emptied first, which frees the room that the new content
// took. Its last-write time becomes the backup's, which is the old file's,
// so that the rolled-back file looks untouched. True once the old content
// is on the disk.
bool b_RestoreInPlace(const ct_files::Rewrite &o_rewrite) {
    FILETIME o_written;
    return SetFilePointer(o_rewrite.ho_backup, 0, nullptr, FILE_BEGIN) == 0 &&
           SetFilePointer(o_rewrite.ho_file, 0, nullptr, FILE_BEGIN) == 0 &&
           SetEndOfFile(o_rewrite.ho_file) &&
           b_CopyContent(o_rewrite.ho_backup, o_rewrite.ho_file) &&
           GetFileTime(o_rewrite.ho_backup, nullptr, nullptr, &o_written) &&
           SetFileTime(o_rewrite.ho_file, nullptr, nullptr, &o_written) &&
           FlushFileBuffers(o_rewrite.ho_file);
}

// Lets the backup go; deletes it unless it is to be kept as the only good
// copy of the old content.
void v_ReleaseBackup(ct_files::Rewrite &o_rewrite, bool b_keep) {
    v_CloseIfOpen(o_rewrite.ho_backup);
    if (!o_rewrite.s_backup.empty() && !b_keep) b_DeleteOwnFile(o_rewrite.s_backup);
    o_rewrite.s_backup.clear();
}

// The new content stays; the backup is deleted once that content is on the
// disk, and kept when it cannot be put there.
void v_Commit(ct_files::Rewrite &o_rewrite) {
    const bool b_keep = o_rewrite.b_writing && o_rewrite.ho_file != INVALID_HANDLE_VALUE &&
                        !o_rewrite.s_backup.empty() && !FlushFileBuffers(o_rewrite.ho_file);
    v_CloseIfOpen(o_rewrite.ho_file);
    v_ReleaseBackup(o_rewrite, b_keep);
}

} // namespace

ct_files::Rewrite *ct_files::po_NewRewrite(const char *pc_name) {
    CT_String co_full;
    if (!b_FullPath(pc_name, co_full, nullptr)) return nullptr;
    // A file name that the system reads as a device names no file: a
    // rewrite would write to the device and back up nothing.
    if (b_MadeADevice(pc_name, co_full)) return nullptr;
    try {
        std::unique_ptr<Rewrite> po_rewrite(new Rewrite);
        po_rewrite->s_path = static_cast<const char *>(co_full);
        return po_rewrite.release();
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

HANDLE ct_files::ho_Join(HANDLE ho_member) {
    if (Rewrite *po_rewrite = po_Rewrite(ho_member)) po_rewrite->n_holders.fetch_add(1);
    return ho_member;
}

ct_files::et_Backup ct_files::eo_MakeBackup(Rewrite &o_rewrite, bool b_flush) {
    if (!CT_Files::b_Exist(o_rewrite.s_path.c_str())) {
        // A search that failed for another reason than a missing name
        // cannot tell whether there is content to keep.
        const DWORD n_error = GetLastError();
        return n_error == ERROR_FILE_NOT_FOUND || n_error == ERROR_PATH_NOT_FOUND ? e_NothingToKeep
                                                                                  : e_BackupFailed;
    }
    // The copy is made whole under a new name, put on the disk, and only
    // then takes the backup's name: whatever stood there (a stale backup, a
    // link of any kind) is replaced as a name and never written through.
    const std::string s_backup = o_rewrite.s_path + ".old";
    for (int n_try = 0; n_try < 16; ++n_try) {
        const std::string s_temporary = s_TemporaryBeside(s_backup);
        // A name that the system cannot handle whole could be made but
        // never deleted again.
        if (s_backup.size() > ct_platform::n_longest_path ||
            s_temporary.size() > ct_platform::n_longest_path)
            return e_BackupFailed;
        if (!CopyFileA(o_rewrite.s_path.c_str(), s_temporary.c_str(), TRUE)) {
            const DWORD n_error = GetLastError();
            if (n_error == ERROR_FILE_EXISTS || n_error == ERROR_ALREADY_EXISTS) continue;
            return e_BackupFailed;
        }
        const DWORD n_move = MOVEFILE_REPLACE_EXISTING | (b_flush ? MOVEFILE_WRITE_THROUGH : 0);
        if ((b_flush && !b_FlushNamedFile(s_temporary)) ||
            !MoveFileExA(s_temporary.c_str(), s_backup.c_str(), n_move)) {
            b_DeleteOwnFile(s_temporary);
            return e_BackupFailed;
        }
        // Others may read the backup meanwhile, but neither change, replace
        // nor delete it.
        o_rewrite.ho_backup = CreateFileA(s_backup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        if (o_rewrite.ho_backup == INVALID_HANDLE_VALUE) {
            b_DeleteOwnFile(s_backup);
            return e_BackupFailed;
        }
        o_rewrite.s_backup = s_backup;
        return e_BackupMade;
    }
    return e_BackupFailed;
}

bool ct_files::b_OpenFile(Rewrite &o_rewrite, const char *pc_name, DWORD n_mode) {
    o_rewrite.b_writing = n_mode != GENERIC_READ;
    o_rewrite.ho_file =
        CreateFileA(pc_name, n_mode, 0, nullptr,
                    o_rewrite.b_writing ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
    if (o_rewrite.ho_file == INVALID_HANDLE_VALUE) return false;
    // Reading ahead is undone by moving back, which only a disk file can.
    o_rewrite.b_can_move_back = GetFileType(o_rewrite.ho_file) == FILE_TYPE_DISK;
    return true;
}

void ct_files::v_RollBack(Rewrite &o_rewrite) {
    if (o_rewrite.b_ended.exchange(true)) return;
    // Only a file that this rewrite created or emptied is put back or
    // removed; one that it read, or failed to open, keeps its content.
    const bool b_written = o_rewrite.b_writing && o_rewrite.ho_file != INVALID_HANDLE_VALUE;
    const bool b_restore = b_written && !o_rewrite.s_backup.empty();
    // A backup that could not be put back stays, as the only good copy.
    const bool b_keep = b_restore && !b_RestoreInPlace(o_rewrite);
    v_CloseIfOpen(o_rewrite.ho_file);
    if (b_written && !b_restore) DeleteFileA(o_rewrite.s_path.c_str());
    v_ReleaseBackup(o_rewrite, b_keep);
}

void ct_files::v_Leave(Rewrite *po_rewrite) {
    if (po_rewrite->n_holders.fetch_sub(1) != 1) return;
    if (!po_rewrite->b_ended.exchange(true)) v_Commit(*po_rewrite);
    delete po_rewrite;
}
