// The rewrite shared by a CT_Files object and its copies: holding its file,
// making the backup from that hold, emptying the file, and the one ending,
// commit or rollback.
#include "files/rewrite.h"
#include "files/full_path.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

using ct_files::b_DeleteHeld;
using ct_files::b_DeleteIfStill;
using ct_files::b_LookAt;
using ct_files::Identity;
using ct_files::o_IdentityOf;
using ct_files::Rewrite;

namespace {

const unsigned n_copy_block = 64 * 1024;
// Names tried for the backup's temporary copy before the open gives up.
const int n_temporary_tries = 16;

// The steps that rewrite.h draws, as (from, to) pairs.
[[maybe_unused]] bool b_Allowed(ct_files::et_Stage eo_from, ct_files::et_Stage eo_to) {
    using namespace ct_files;
    switch (eo_from) {
    case e_Fresh:
        return eo_to == e_Open || eo_to == e_Held || eo_to == e_Ended;
    case e_Held:
        return eo_to == e_Open || eo_to == e_Held || eo_to == e_Ended;
    case e_Open:
        return eo_to == e_Open || eo_to == e_Stranded || eo_to == e_Ended;
    case e_Stranded:
        return eo_to == e_Open || eo_to == e_Stranded || eo_to == e_Ended;
    case e_Ended:
        return false;
    }
    return false;
}

// Moves the rewrite to its next stage. A step that the drawing does not
// allow is a fault of this file's own: the test build and debug builds stop
// there rather than go on with a rewrite in a state nobody planned for.
void v_Step(Rewrite &o_rewrite, ct_files::et_Stage eo_to) {
#if defined(CTCOMMON_TEST_HOOKS) || !defined(NDEBUG)
    if (!b_Allowed(o_rewrite.eo_stage, eo_to)) {
        std::fprintf(stderr, "ctcommon: rewrite step from stage %d to %d\n",
                     static_cast<int>(o_rewrite.eo_stage), static_cast<int>(eo_to));
        std::abort();
    }
#endif
    o_rewrite.eo_stage = eo_to;
}

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

void v_CloseIfOpen(HANDLE &ho_file) {
    if (ho_file == INVALID_HANDLE_VALUE) return;
    CloseHandle(ho_file);
    ho_file = INVALID_HANDLE_VALUE;
}

bool b_Rewind(HANDLE ho_file) { return SetFilePointer(ho_file, 0, nullptr, FILE_BEGIN) == 0; }

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

// The attributes that a backup carries from its file, and that a file keeps
// through a rollback.
const DWORD n_carried_attributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Gives a file a last-write time and those of the attributes, in one
// request that names both: some systems (Wine 10) clear the attributes of a
// file whose time alone is set, where Windows keeps them.
bool b_SetTimeAndAttributes(HANDLE ho_file, const FILETIME &o_written, DWORD n_attributes) {
    FILE_BASIC_INFO o_basic = {};
    o_basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(
        static_cast<ULONGLONG>(o_written.dwHighDateTime) << 32 | o_written.dwLowDateTime);
    n_attributes &= n_carried_attributes;
    o_basic.FileAttributes = n_attributes ? n_attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(ho_file, FileBasicInfo, &o_basic, sizeof o_basic);
}

// Puts the backup's content into a file held for writing: the file is
// emptied first, which frees the room that the new content took, and its
// last-write time becomes the backup's, which is the old file's, so that
// the rolled-back file looks untouched; it keeps its attributes. True once
// the old content is on the disk.
bool b_CopyBackupInto(HANDLE ho_backup, HANDLE ho_file) {
    BY_HANDLE_FILE_INFORMATION o_backup, o_file;
    return b_Rewind(ho_backup) && b_Rewind(ho_file) && SetEndOfFile(ho_file) &&
           b_CopyContent(ho_backup, ho_file) && GetFileInformationByHandle(ho_backup, &o_backup) &&
           GetFileInformationByHandle(ho_file, &o_file) &&
           b_SetTimeAndAttributes(ho_file, o_backup.ftLastWriteTime, o_file.dwFileAttributes) &&
           FlushFileBuffers(ho_file);
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

// Holds the backup again after its hold was let go, if its name still
// designates the very file that was made: a file put at the name meanwhile
// is never read as the old content.
bool b_HoldBackup(Rewrite &o_rewrite) {
    if (o_rewrite.ho_backup != INVALID_HANDLE_VALUE) return true;
    const HANDLE ho_backup = CreateFileA(o_rewrite.s_backup.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (ho_backup == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION o_found;
    if (!GetFileInformationByHandle(ho_backup, &o_found) ||
        !(o_IdentityOf(o_found) == o_rewrite.o_backup)) {
        CloseHandle(ho_backup);
        return false;
    }
    o_rewrite.ho_backup = ho_backup;
    return true;
}

// Puts the backup back at the file's path, for a rewrite that did not
// write the file itself: a backup made ahead of the open, whose file
// another may have rewritten or deleted meanwhile. A file that holds the
// backup's content already is left as it is; one that another holds cannot
// be compared nor written.
bool b_RestoreAtPath(Rewrite &o_rewrite) {
    if (!b_HoldBackup(o_rewrite)) return false;
    const char *pc_path = o_rewrite.s_path.c_str();
    HANDLE ho_file =
        CreateFileA(pc_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (ho_file != INVALID_HANDLE_VALUE) {
        const bool b_same =
            b_Rewind(o_rewrite.ho_backup) && b_SameContent(o_rewrite.ho_backup, ho_file);
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

// Whether the file that the rewrite holds still has a name, and is the one
// that its name designates, links followed: another program may have
// deleted it or put another file at the name meanwhile, where the system
// lets it (Linux). What cannot be looked at now is not assumed.
bool b_StillNamed(const Rewrite &o_rewrite) {
    if (!o_rewrite.b_can_move_back) return true; // a pipe or a device: no file to lose
    BY_HANDLE_FILE_INFORMATION o_held, o_named;
    return GetFileInformationByHandle(o_rewrite.ho_file, &o_held) && o_held.nNumberOfLinks > 0 &&
           b_LookAt(o_rewrite.s_path, true, &o_named) &&
           o_IdentityOf(o_named) == o_IdentityOf(o_held);
}

// Takes a file that a rewrite created or emptied away again, without a
// backup to restore: no byte of the new content stays in it, and it is
// deleted when it is a regular file that its own name designates. A link,
// a pipe or a device stays. False when a step cannot be done.
bool b_Unmake(Rewrite &o_rewrite) {
    if (o_rewrite.b_can_move_back &&
        !(b_Rewind(o_rewrite.ho_file) && SetEndOfFile(o_rewrite.ho_file)))
        return false;
    return !o_rewrite.b_removable || b_DeleteHeld(o_rewrite.ho_file);
}

// Deletes the backup; false when it stays. The hold lets others read the
// backup, and so holds no right to delete it where the system ties one to
// the other (Windows): there it goes through a new hold, checked to be the
// same file. A backup that has vanished, or whose name another file has
// taken, is not this rewrite's to delete any more.
bool b_DeleteBackup(Rewrite &o_rewrite) {
    if (o_rewrite.ho_backup != INVALID_HANDLE_VALUE && b_DeleteHeld(o_rewrite.ho_backup)) {
        v_CloseIfOpen(o_rewrite.ho_backup);
        return true;
    }
    v_CloseIfOpen(o_rewrite.ho_backup);
    if (b_DeleteIfStill(o_rewrite.s_backup, o_rewrite.o_backup)) return true;
    BY_HANDLE_FILE_INFORMATION o_found;
    if (b_LookAt(o_rewrite.s_backup, false, &o_found))
        return !(o_IdentityOf(o_found) == o_rewrite.o_backup);
    const DWORD n_error = GetLastError();
    return n_error == ERROR_FILE_NOT_FOUND || n_error == ERROR_PATH_NOT_FOUND;
}

// The one ending of a rewrite: its file closed, its backup deleted (already)
// or left on the disk.
void v_End(Rewrite &o_rewrite) {
    v_Step(o_rewrite, ct_files::e_Ended);
    o_rewrite.o_ahead.v_Drop();
    v_CloseIfOpen(o_rewrite.ho_file);
    v_CloseIfOpen(o_rewrite.ho_backup);
    o_rewrite.s_backup.clear();
}

// From here on only the backup is whole: no reads, no writes, and no
// commit deletes it.
void v_Strand(Rewrite &o_rewrite) {
    v_Step(o_rewrite, ct_files::e_Stranded);
    o_rewrite.b_keep_backup = true;
}

enum et_Copy { e_Copied, e_NameTaken, e_CopyFailed };

// Copies the held file, from its start, into a new file of that name: the
// content, the last-write time and the protection, on the disk when
// b_flush. The copy's identity is put in *po_copy. A copy that fails
// leaves nothing.
et_Copy eo_CopyHeld(HANDLE ho_source, const BY_HANDLE_FILE_INFORMATION &o_source,
                    const std::string &s_copy, bool b_flush, Identity *po_copy) {
    const HANDLE ho_copy =
        CreateFileA(s_copy.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, 0, ho_source);
    if (ho_copy == INVALID_HANDLE_VALUE) {
        const DWORD n_error = GetLastError();
        return n_error == ERROR_FILE_EXISTS || n_error == ERROR_ALREADY_EXISTS ? e_NameTaken
                                                                               : e_CopyFailed;
    }
    // The template gives the copy its attributes on Windows, and on Linux
    // its permission bits and owner; they are named again with the time.
    BY_HANDLE_FILE_INFORMATION o_copy;
    const bool b_copied =
        b_Rewind(ho_source) && b_CopyContent(ho_source, ho_copy) &&
        b_SetTimeAndAttributes(ho_copy, o_source.ftLastWriteTime, o_source.dwFileAttributes) &&
        (!b_flush || FlushFileBuffers(ho_copy)) && GetFileInformationByHandle(ho_copy, &o_copy);
    if (!b_copied) {
        b_DeleteHeld(ho_copy);
        CloseHandle(ho_copy);
        return e_CopyFailed;
    }
    *po_copy = o_IdentityOf(o_copy);
    // A copy whose close fails may not be whole on the disk.
    if (!CloseHandle(ho_copy)) {
        b_DeleteIfStill(s_copy, *po_copy);
        return e_CopyFailed;
    }
    return e_Copied;
}

// Gives the copy the backup's name, replacing whatever stood there (a stale
// backup, a link of any kind) as a name, never writing through it. A move
// that fails after the name was given (its folder not flushed) takes the
// copy away from there again.
bool b_NameBackup(const std::string &s_copy, const std::string &s_backup, const Identity &o_copy,
                  bool b_flush) {
    const DWORD n_move = MOVEFILE_REPLACE_EXISTING | (b_flush ? MOVEFILE_WRITE_THROUGH : 0);
    if (MoveFileExA(s_copy.c_str(), s_backup.c_str(), n_move)) return true;
    b_DeleteIfStill(s_backup, o_copy);
    b_DeleteIfStill(s_copy, o_copy);
    return false;
}

// What a handle holds, asked once per open: a pipe or a device (not a disk
// file), a disk file whose information cannot be read, or one whose
// information is known.
enum et_HeldKind { e_NotDisk, e_Unknown, e_Known };
struct Held {
    et_HeldKind eo_kind = e_NotDisk;
    BY_HANDLE_FILE_INFORMATION o_information;
};

Held o_Inspect(HANDLE ho_file) {
    Held o_held;
    if (GetFileType(ho_file) != FILE_TYPE_DISK) return o_held;
    o_held.eo_kind =
        GetFileInformationByHandle(ho_file, &o_held.o_information) ? e_Known : e_Unknown;
    return o_held;
}

// Makes the backup from the file that the rewrite holds: a whole copy
// under a new name beside it, put on the disk when b_flush, then given the
// backup's name and held, its identity checked against the copy's. Only a
// regular file has content to keep.
bool b_BackUpHeld(Rewrite &o_rewrite, HANDLE ho_source, const Held &o_source, bool b_flush) {
    if (o_source.eo_kind != e_Known || (o_source.o_information.dwFileAttributes &
                                        (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return false;
    const std::string s_backup = o_rewrite.s_path + ".old";
    // A name that the system cannot handle whole could be made but never
    // deleted again.
    if (s_backup.size() > ct_platform::n_longest_path) return false;
    for (int n_try = 0; n_try < n_temporary_tries; ++n_try) {
        const std::string s_copy = s_TemporaryBeside(s_backup);
        Identity o_copy;
        const et_Copy eo_copy =
            eo_CopyHeld(ho_source, o_source.o_information, s_copy, b_flush, &o_copy);
        if (eo_copy == e_NameTaken) continue;
        if (eo_copy == e_CopyFailed || !b_NameBackup(s_copy, s_backup, o_copy, b_flush))
            return false;
        // Others may read the backup meanwhile, but neither change, replace
        // nor delete it.
        o_rewrite.s_backup = s_backup;
        o_rewrite.o_backup = o_copy;
        if (b_HoldBackup(o_rewrite)) return true;
        b_DeleteIfStill(s_backup, o_copy);
        o_rewrite.s_backup.clear();
        return false;
    }
    return false;
}

// Holds the file at the path for the rewrite: for reading, a file that
// exists; for writing, with a backup, the file as it is or a new one made
// only while the name is free (OPEN_ALWAYS never empties); without a
// backup, emptied or made at once. *pb_made tells a file that the open
// made. A rewrite deletes its file through its hold, which needs the right
// to; the backup is read through it.
HANDLE ho_HoldFile(const std::string &s_path, DWORD n_mode, bool b_backup, bool *pb_made) {
    const char *pc_path = s_path.c_str();
    *pb_made = false;
    if (n_mode == GENERIC_READ)
        return CreateFileA(pc_path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD n_disposition = b_backup ? OPEN_ALWAYS : CREATE_ALWAYS;
    const DWORD n_access = n_mode | (b_backup ? GENERIC_READ : 0);
    HANDLE ho_file = CreateFileA(pc_path, n_access | DELETE, 0, nullptr, n_disposition, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        ho_file = CreateFileA(pc_path, n_access, 0, nullptr, n_disposition, 0, nullptr);
    if (ho_file != INVALID_HANDLE_VALUE) *pb_made = GetLastError() != ERROR_ALREADY_EXISTS;
    return ho_file;
}

// Learns what the rewrite's file is: a disk file can move back (and is
// checked to keep its name at the end); a regular file that its own name
// designates can be deleted by a cancel. False for a file that the open made
// and whose identity cannot be read: it could never be deleted safely.
bool b_KnowFile(Rewrite &o_rewrite, const Held &o_held, bool b_made) {
    o_rewrite.b_can_move_back = o_held.eo_kind != e_NotDisk;
    o_rewrite.b_removable = false;
    if (o_held.eo_kind != e_Known) return o_held.eo_kind == e_NotDisk || !b_made;
    const DWORD n_not_regular =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    o_rewrite.b_removable =
        o_rewrite.b_writing && !(o_held.o_information.dwFileAttributes & n_not_regular) &&
        ct_files::b_NameIs(o_rewrite.s_path, o_IdentityOf(o_held.o_information));
    return true;
}

// Undoes a rewrite whose open failed on the way: its backup deleted, a file
// that the open made deleted, a file that was there left as it is (it was
// not emptied yet).
void v_Abandon(Rewrite &o_rewrite, bool b_made) {
    if (!o_rewrite.s_backup.empty()) b_DeleteBackup(o_rewrite);
    if (b_made && o_rewrite.ho_file != INVALID_HANDLE_VALUE) b_DeleteHeld(o_rewrite.ho_file);
    v_End(o_rewrite);
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

ct_files::Rewrite *ct_files::po_BeginRewrite(const std::string &s_path, DWORD n_mode,
                                             bool b_backup) {
    std::unique_ptr<Rewrite> po_rewrite(new (std::nothrow) Rewrite);
    if (!po_rewrite) return nullptr;
    Rewrite &o_rewrite = *po_rewrite;
    bool b_made = false;
    try {
        o_rewrite.s_path = s_path;
        // Hold first: from here on the content backed up is the content
        // that the rewrite empties.
        o_rewrite.ho_file = ho_HoldFile(s_path, n_mode, b_backup, &b_made);
        if (o_rewrite.ho_file == INVALID_HANDLE_VALUE) return nullptr;
        o_rewrite.b_writing = n_mode != GENERIC_READ;
        const Held o_held = o_Inspect(o_rewrite.ho_file);
        if (!b_KnowFile(o_rewrite, o_held, b_made)) {
            v_Abandon(o_rewrite, b_made);
            return nullptr;
        }
        // A file that the open made has nothing to keep. The backup of a
        // rewrite is on the disk before the file is emptied: at no moment
        // may a power loss leave neither the old content nor the new.
        if (b_backup && !b_made) {
            if (!b_BackUpHeld(o_rewrite, o_rewrite.ho_file, o_held, o_rewrite.b_writing) ||
                !b_Rewind(o_rewrite.ho_file) ||
                (o_rewrite.b_writing && !SetEndOfFile(o_rewrite.ho_file))) {
                v_Abandon(o_rewrite, false);
                return nullptr;
            }
        }
    } catch (const std::bad_alloc &) {
        v_Abandon(o_rewrite, b_made);
        return nullptr;
    }
    v_Step(o_rewrite, e_Open);
    return po_rewrite.release();
}

ct_files::Rewrite *ct_files::po_Snapshot(const std::string &s_path, bool *pb_failed) {
    *pb_failed = false;
    const HANDLE ho_file = CreateFileA(s_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) {
        const DWORD n_error = GetLastError();
        *pb_failed = n_error != ERROR_FILE_NOT_FOUND && n_error != ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    Rewrite *po_rewrite = new (std::nothrow) Rewrite;
    bool b_made = false;
    if (po_rewrite) {
        try {
            po_rewrite->s_path = s_path;
            b_made = b_BackUpHeld(*po_rewrite, ho_file, o_Inspect(ho_file), false);
        } catch (const std::bad_alloc &) {
        }
    }
    CloseHandle(ho_file);
    if (!b_made) {
        delete po_rewrite;
        *pb_failed = true;
        return nullptr;
    }
    v_Step(*po_rewrite, e_Held);
    return po_rewrite;
}

bool ct_files::b_CanTakeOver(const Rewrite &o_rewrite, const std::string &s_path) {
    if (o_rewrite.s_path != s_path || o_rewrite.s_backup.empty()) return false;
    return o_rewrite.eo_stage == e_Held || o_rewrite.eo_stage == e_Stranded;
}

bool ct_files::b_OpenAgain(Rewrite &o_rewrite, DWORD n_mode) {
    // The emptied file of a failed rollback is let go: written anew, the
    // file no longer depends on it.
    o_rewrite.o_ahead.v_Drop();
    v_CloseIfOpen(o_rewrite.ho_file);
    bool b_made = false;
    const HANDLE ho_file = ho_HoldFile(o_rewrite.s_path, n_mode, false, &b_made);
    if (ho_file == INVALID_HANDLE_VALUE) {
        o_rewrite.b_writing = false; // nothing of this rewrite's is written now
        return false;
    }
    o_rewrite.ho_file = ho_file;
    o_rewrite.b_writing = n_mode != GENERIC_READ;
    // Written anew, the file no longer depends on a failed rollback.
    if (o_rewrite.b_writing) o_rewrite.b_keep_backup = false;
    if (!b_KnowFile(o_rewrite, o_Inspect(ho_file), b_made)) {
        b_DeleteHeld(ho_file);
        v_CloseIfOpen(o_rewrite.ho_file);
        o_rewrite.b_writing = false;
        return false;
    }
    v_Step(o_rewrite, e_Open);
    return true;
}

HANDLE ct_files::ho_Join(HANDLE ho_member) {
    if (Rewrite *po_rewrite = po_Rewrite(ho_member)) ++po_rewrite->n_holders;
    return ho_member;
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

bool ct_files::b_RollBack(Rewrite &o_rewrite) {
    if (o_rewrite.eo_stage == e_Ended) return true;
    o_rewrite.o_ahead.v_Drop(); // the file is rewound or closed: nothing read stays valid
    const bool b_written = o_rewrite.b_writing && o_rewrite.ho_file != INVALID_HANDLE_VALUE;
    const bool b_backup = !o_rewrite.s_backup.empty();
    bool b_done = true;
    if (b_written && b_backup) {
        // Back into the very file that was emptied, through its hold: it
        // keeps its identity (its links, owner and protection) and never
        // becomes free for another opener meanwhile. A file that has lost
        // its name would take the old content where nobody finds it: the
        // backup stays at its own name instead.
        b_done = b_StillNamed(o_rewrite) && b_HoldBackup(o_rewrite) &&
                 b_CopyBackupInto(o_rewrite.ho_backup, o_rewrite.ho_file);
    } else if (b_written) {
        b_done = b_Unmake(o_rewrite);
    } else if (b_backup) {
        // Not written by this rewrite (opened for reading, or a backup
        // ahead of the open): the file is let go, and the backup put back
        // at its name.
        v_CloseIfOpen(o_rewrite.ho_file);
        b_done = b_RestoreAtPath(o_rewrite);
    } else {
        v_CloseIfOpen(o_rewrite.ho_file); // read only: nothing to undo
    }
    if (b_done && b_backup) b_done = b_DeleteBackup(o_rewrite);
    if (!b_done) {
        // Either way the backup is now the only whole content, and no
        // commit deletes it; a snapshot that could not be put back stays
        // one, anything else is stranded.
        if (o_rewrite.eo_stage == e_Held)
            o_rewrite.b_keep_backup = true;
        else
            v_Strand(o_rewrite);
        return false;
    }
    v_End(o_rewrite);
    return true;
}

bool ct_files::b_Commit(Rewrite &o_rewrite) {
    switch (o_rewrite.eo_stage) {
    case e_Ended:
        return true;
    case e_Stranded:
        v_End(o_rewrite);
        return true;
    default:
        break;
    }
    if (o_rewrite.b_keep_backup) { // the backup is the only whole content: it stays on the disk
        v_End(o_rewrite);
        return true;
    }
    if (!o_rewrite.s_backup.empty()) {
        // The backup goes only once the new content is on the disk, in the
        // file that the name still designates.
        if (o_rewrite.eo_stage == e_Open && o_rewrite.b_writing) {
            if (!FlushFileBuffers(o_rewrite.ho_file)) return false;
            if (!b_StillNamed(o_rewrite)) {
                v_Strand(o_rewrite);
                return false;
            }
        }
        if (!b_DeleteBackup(o_rewrite)) return false;
    }
    v_End(o_rewrite);
    return true;
}

bool ct_files::b_CommitIfLast(Rewrite &o_rewrite) {
    return o_rewrite.n_holders != 1 || b_Commit(o_rewrite);
}

void ct_files::v_LetGo(Rewrite &o_rewrite) {
    if (o_rewrite.eo_stage != e_Ended) v_End(o_rewrite);
}

bool ct_files::b_Leave(Rewrite *po_rewrite) {
    if (--po_rewrite->n_holders != 0) return false;
    delete po_rewrite;
    return true;
}

const std::string &ct_files::s_BackupOf(const Rewrite &o_rewrite) { return o_rewrite.s_backup; }
