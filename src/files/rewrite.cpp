// The rewrite shared by a CT_Files object and its copies: resolving its
// file, making the backup, opening the file, and the one ending, commit or
// rollback.
#include "files/rewrite.h"
#include "files/full_path.h"
#include "files/held_files.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

using ct_files::b_DeleteHeld;
using ct_files::b_DeleteIfStill;
using ct_files::b_DeleteOwnFile;
using ct_files::b_LookAt;
using ct_files::b_NameIs;
using ct_files::o_IdentityOf;

namespace {

const unsigned n_copy_block = 64 * 1024;

// A name beside the backup for the copy that becomes it, never longer than
// the backup's own name, so that every backup whose name fits is made: "~",
// hex digits and ".tmp" where there is room, "~" and fewer digits where
// there is not. A name that is taken already makes the copy fail, and the
// next try takes another.
std::string s_TemporaryBeside(const std::string &s_backup) {
    static std::atomic<unsigned> n_made{0};
    const auto n_now = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned n_mark =
        static_cast<unsigned>(n_now ^ (n_now >> 32)) * 2654435761u + n_made.fetch_add(1);
    const std::size_t n_folder = s_backup.rfind(ct_platform::c_path_separator) + 1;
    const std::size_t n_room = s_backup.size() - n_folder; // at least "x.old"
    // Eight digits where there is room, and ".tmp" behind them where there
    // is room for that too.
    const unsigned n_digits = n_room >= 9 ? 8 : static_cast<unsigned>(n_room - 1);
    const unsigned n_digit_mask = n_digits == 8 ? ~0u : (1u << 4 * n_digits) - 1;
    char ac_name[16];
    std::snprintf(ac_name, sizeof ac_name, "~%0*x%s", static_cast<int>(n_digits),
                  n_mark & n_digit_mask, n_room >= 13 ? ".tmp" : "");
    return s_backup.substr(0, n_folder) + ac_name;
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

// Puts the backup's content into a file held for writing: the file is
// emptied first, which frees the room that the new content took, and its
// last-write time becomes the backup's, which is the old file's, so that
// the rolled-back file looks untouched. True once the old content is on the
// disk.
bool b_CopyBackupInto(HANDLE ho_backup, HANDLE ho_file) {
    FILETIME o_written;
    return SetFilePointer(ho_backup, 0, nullptr, FILE_BEGIN) == 0 &&
           SetFilePointer(ho_file, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(ho_file) &&
           b_CopyContent(ho_backup, ho_file) &&
           GetFileTime(ho_backup, nullptr, nullptr, &o_written) &&
           SetFileTime(ho_file, nullptr, nullptr, &o_written) && FlushFileBuffers(ho_file);
}

// Whether two open files hold the same bytes from where they stand.
bool b_SameContent(HANDLE ho_one, HANDLE ho_other) {
    std::unique_ptr<char[]> pc_blocks(new (std::nothrow) char[2 * n_copy_block]);
    if (!pc_blocks) return false;
    char *pc_one = pc_blocks.get(), *pc_other = pc_one + n_copy_block;
    for (;;) {
        DWORD n_one = 0, n_other = 0;
        if (!ReadFile(ho_one, pc_one, n_copy_block, &n_one, nullptr) ||
            !ReadFile(ho_other, pc_other, n_copy_block, &n_other, nullptr) || n_one != n_other ||
            std::memcmp(pc_one, pc_other, n_one) != 0)
            return false;
        if (n_one == 0) return true;
    }
}

// Puts the backup back at the file's path, for a rewrite that did not
// write the file itself: a backup made ahead of the open, whose file
// another may have rewritten or deleted meanwhile. A file that holds the
// backup's content already is left as it is; one that another holds cannot
// be compared nor written.
bool b_RestoreAtPath(const ct_files::Rewrite &o_rewrite) {
    const char *pc_path = o_rewrite.s_path.c_str();
    HANDLE ho_file =
        CreateFileA(pc_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (ho_file != INVALID_HANDLE_VALUE) {
        const bool b_same = SetFilePointer(o_rewrite.ho_backup, 0, nullptr, FILE_BEGIN) == 0 &&
                            b_SameContent(o_rewrite.ho_backup, ho_file);
        CloseHandle(ho_file);
        if (b_same) return true;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    ho_file = CreateFileA(pc_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) return false;
    const bool b_restored = b_CopyBackupInto(o_rewrite.ho_backup, ho_file);
    return CloseHandle(ho_file) && b_restored;
}

// Takes a file that a rewrite created or emptied away again, without a
// backup to restore: no byte of the new content stays in it, and it is
// deleted when it is a regular file that its own name designates. A link,
// a pipe or a device stays.
void v_Unmake(ct_files::Rewrite &o_rewrite) {
    if (o_rewrite.b_can_move_back && SetFilePointer(o_rewrite.ho_file, 0, nullptr, FILE_BEGIN) == 0)
        SetEndOfFile(o_rewrite.ho_file);
    if (o_rewrite.b_removable) b_DeleteHeld(o_rewrite.ho_file);
}

// Lets the backup go; deletes it unless it is to be kept as the only good
// copy of the old content. The hold lets others read the backup, and so
// holds no right to delete it where the system ties one to the other
// (Windows): there it goes through a new hold, checked to be the same file.
void v_ReleaseBackup(ct_files::Rewrite &o_rewrite, bool b_keep) {
    BY_HANDLE_FILE_INFORMATION o_backup;
    if (!b_keep && o_rewrite.ho_backup != INVALID_HANDLE_VALUE &&
        !b_DeleteHeld(o_rewrite.ho_backup) &&
        GetFileInformationByHandle(o_rewrite.ho_backup, &o_backup)) {
        v_CloseIfOpen(o_rewrite.ho_backup);
        b_DeleteIfStill(o_rewrite.s_backup, o_IdentityOf(o_backup));
    }
    v_CloseIfOpen(o_rewrite.ho_backup);
    o_rewrite.s_backup.clear();
}

// Gives the backup copy its name. A move that fails after the name was
// given (its folder not flushed) takes the copy away from there again; the
// temporary name is the copy's own, made new for it.
bool b_NameBackup(const std::string &s_temporary, const std::string &s_backup, bool b_flush) {
    BY_HANDLE_FILE_INFORMATION o_copy;
    const bool b_known = b_LookAt(s_temporary, false, &o_copy);
    const DWORD n_move = MOVEFILE_REPLACE_EXISTING | (b_flush ? MOVEFILE_WRITE_THROUGH : 0);
    if (b_known && (!b_flush || b_FlushNamedFile(s_temporary)) &&
        MoveFileExA(s_temporary.c_str(), s_backup.c_str(), n_move))
        return true;
    if (b_known && b_NameIs(s_backup, o_IdentityOf(o_copy))) b_DeleteOwnFile(s_backup);
    b_DeleteOwnFile(s_temporary);
    return false;
}

} // namespace

bool ct_files::b_ResolvePath(const char *pc_name, std::string *ps_path) {
    CT_String co_full;
    if (!b_FullPath(pc_name, co_full, nullptr)) return false;
    // A file name that the system reads as a device names no file: a
    // rewrite would write to the device and back up nothing.
    if (b_MadeADevice(pc_name, co_full)) return false;
    try {
        return ct_platform::b_SystemPath(pc_name, co_full, ps_path);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

ct_files::Rewrite *ct_files::po_NewRewrite(const std::string &s_path) {
    try {
        std::unique_ptr<Rewrite> po_rewrite(new Rewrite);
        po_rewrite->s_path = s_path;
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
    // What the open will open, through the same path: a search that failed
    // for another reason than a missing name cannot tell whether there is
    // content to keep.
    BY_HANDLE_FILE_INFORMATION o_found;
    if (!b_LookAt(o_rewrite.s_path, true, &o_found)) {
        const DWORD n_error = GetLastError();
        return n_error == ERROR_FILE_NOT_FOUND || n_error == ERROR_PATH_NOT_FOUND ? e_NothingToKeep
                                                                                  : e_BackupFailed;
    }
    // The copy is made whole under a new name, put on the disk, and only
    // then takes the backup's name: whatever stood there (a stale backup, a
    // link of any kind) is replaced as a name and never written through.
    const std::string s_backup = o_rewrite.s_path + ".old";
    // A name that the system cannot handle whole could be made but never
    // deleted again.
    if (s_backup.size() > ct_platform::n_longest_path) return e_BackupFailed;
    for (int n_try = 0; n_try < 16; ++n_try) {
        const std::string s_temporary = s_TemporaryBeside(s_backup);
        if (!CopyFileA(o_rewrite.s_path.c_str(), s_temporary.c_str(), TRUE)) {
            const DWORD n_error = GetLastError();
            if (n_error == ERROR_FILE_EXISTS || n_error == ERROR_ALREADY_EXISTS) continue;
            return e_BackupFailed;
        }
        if (!b_NameBackup(s_temporary, s_backup, b_flush)) return e_BackupFailed;
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

bool ct_files::b_OpenFile(Rewrite &o_rewrite, DWORD n_mode) {
    o_rewrite.b_writing = n_mode != GENERIC_READ;
    o_rewrite.b_removable = o_rewrite.b_can_move_back = false;
    const char *pc_path = o_rewrite.s_path.c_str();
    const DWORD n_disposition = o_rewrite.b_writing ? CREATE_ALWAYS : OPEN_EXISTING;
    // A rewrite deletes its file through its hold, which needs the right to.
    HANDLE ho_file = INVALID_HANDLE_VALUE;
    if (o_rewrite.b_writing)
        ho_file = CreateFileA(pc_path, n_mode | DELETE, 0, nullptr, n_disposition, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE &&
        (!o_rewrite.b_writing || GetLastError() == ERROR_ACCESS_DENIED))
        ho_file = CreateFileA(pc_path, n_mode, 0, nullptr, n_disposition, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) return false;
    const bool b_made = o_rewrite.b_writing && GetLastError() != ERROR_ALREADY_EXISTS;
    // Reading ahead is undone by moving back, which only a disk file can.
    if (GetFileType(ho_file) == FILE_TYPE_DISK) {
        o_rewrite.b_can_move_back = true;
        BY_HANDLE_FILE_INFORMATION o_held;
        if (GetFileInformationByHandle(ho_file, &o_held)) {
            const DWORD n_not_regular =
                FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
            o_rewrite.b_removable = o_rewrite.b_writing &&
                                    !(o_held.dwFileAttributes & n_not_regular) &&
                                    b_NameIs(o_rewrite.s_path, o_IdentityOf(o_held));
        } else if (b_made) {
            // A file of unknown identity could never be deleted safely:
            // the open fails, and takes away the file that it made.
            b_DeleteHeld(ho_file);
            CloseHandle(ho_file);
            return false;
        }
        // A file that was there before stays open, emptied as the open
        // asked; a cancel empties it again but does not delete it.
    }
    o_rewrite.ho_file = ho_file;
    return true;
}

bool ct_files::b_CanTakeOver(const Rewrite &o_rewrite, const std::string &s_path) {
    return !o_rewrite.b_ended && !o_rewrite.s_backup.empty() && o_rewrite.s_path == s_path &&
           (o_rewrite.ho_file == INVALID_HANDLE_VALUE || o_rewrite.b_rolling_back);
}

bool ct_files::b_SettleForWrite(Rewrite &o_rewrite) {
    const std::size_t n_held = o_rewrite.o_ahead.n_Held();
    if (n_held == 0 || !o_rewrite.b_can_move_back) return true;
    // A 64-bit distance: the position may lie beyond 4 GiB. With a high part
    // a low part of all ones is a position like any other, told apart from
    // a failure by the last error.
    const std::int64_t n_back = -static_cast<std::int64_t>(n_held);
    LONG n_high = static_cast<LONG>(n_back >> 32);
    SetLastError(NO_ERROR);
    if (SetFilePointer(o_rewrite.ho_file, static_cast<LONG>(n_back & 0xFFFFFFFF), &n_high,
                       FILE_CURRENT) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    o_rewrite.o_ahead.n_begin = o_rewrite.o_ahead.n_end = 0;
    return true;
}

void ct_files::v_CloseFile(Rewrite &o_rewrite) {
    o_rewrite.o_ahead.v_Drop();
    v_CloseIfOpen(o_rewrite.ho_file);
    o_rewrite.b_writing = o_rewrite.b_rolling_back = false;
}

namespace {

// The one ending of a rewrite: its file closed, its backup deleted or, when
// b_keep, left on the disk.
void v_End(ct_files::Rewrite &o_rewrite, bool b_keep) {
    o_rewrite.b_ended = true;
    o_rewrite.o_ahead.v_Drop();
    v_CloseIfOpen(o_rewrite.ho_file);
    v_ReleaseBackup(o_rewrite, b_keep);
}

} // namespace

bool ct_files::b_RollBack(Rewrite &o_rewrite) {
    if (o_rewrite.b_ended) return true;
    o_rewrite.o_ahead.v_Drop(); // the file is rewound or closed: nothing read stays valid
    const bool b_written = o_rewrite.b_writing && o_rewrite.ho_file != INVALID_HANDLE_VALUE;
    const bool b_backup = !o_rewrite.s_backup.empty();
    bool b_restored = true;
    if (b_written && b_backup) {
        // Back into the very file that was emptied, through its hold: it
        // keeps its identity (its links, owner and protection) and never
        // becomes free for another opener meanwhile.
        b_restored = b_CopyBackupInto(o_rewrite.ho_backup, o_rewrite.ho_file);
    } else if (b_written) {
        v_Unmake(o_rewrite);
    } else if (b_backup) {
        v_CloseIfOpen(o_rewrite.ho_file); // read only: free for the restore
        b_restored = b_RestoreAtPath(o_rewrite);
    }
    if (!b_restored) {
        o_rewrite.b_rolling_back = o_rewrite.b_keep_backup = true;
        return false;
    }
    v_End(o_rewrite, false);
    return true;
}

bool ct_files::b_Commit(Rewrite &o_rewrite) {
    if (o_rewrite.b_ended) return true;
    // The backup goes only once the new content is on the disk; one that is
    // the only whole content never goes.
    if (!o_rewrite.b_keep_backup && o_rewrite.b_writing &&
        o_rewrite.ho_file != INVALID_HANDLE_VALUE && !o_rewrite.s_backup.empty() &&
        !FlushFileBuffers(o_rewrite.ho_file))
        return false;
    v_End(o_rewrite, o_rewrite.b_keep_backup);
    return true;
}

bool ct_files::b_CommitIfLast(Rewrite &o_rewrite) {
    return o_rewrite.n_holders.load() != 1 || b_Commit(o_rewrite);
}

void ct_files::v_LetGo(Rewrite &o_rewrite) {
    if (!o_rewrite.b_ended) v_End(o_rewrite, true);
}

bool ct_files::b_Leave(Rewrite *po_rewrite) {
    if (po_rewrite->n_holders.fetch_sub(1) != 1) return false;
    delete po_rewrite;
    return true;
}
