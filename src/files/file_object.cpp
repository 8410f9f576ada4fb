// CT_Files: opening with a backup, committing, rolling back and copying.
#include "ctcommon.h"
#include "platform/platform.h"

namespace {

// A copy of an object gets a handle of its own to the same open file, so
// that each object closes only what it owns.
HANDLE ho_Duplicate(HANDLE ho_file) {
    HANDLE ho_copy = INVALID_HANDLE_VALUE;
    if (ho_file == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), ho_file, GetCurrentProcess(), &ho_copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return INVALID_HANDLE_VALUE;
    return ho_copy;
}

// Whether the object may have written through its handle: false for no
// handle, and for a handle opened for reading, which refuses even a write of
// no bytes as access denied. A write refused for another reason (a failing
// disk) still counts as writing: the file may have been emptied.
bool b_MayHaveWritten(HANDLE ho_file) {
    DWORD n_written = 0;
    return ho_file != INVALID_HANDLE_VALUE && (WriteFile(ho_file, "", 0, &n_written, nullptr) ||
                                               GetLastError() != ERROR_ACCESS_DENIED);
}

// Puts a file's content on the disk, so that it survives a power loss.
bool b_FlushNamedFile(const char *pc_name) {
    const HANDLE ho_file =
        CreateFileA(pc_name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) return false;
    const bool b_flushed = FlushFileBuffers(ho_file);
    return CloseHandle(ho_file) && b_flushed;
}

} // namespace

CT_Files::CT_Files() : ho_file(INVALID_HANDLE_VALUE) {}

CT_Files::CT_Files(const CT_Files &co_other)
    : co_filename(co_other.co_filename), co_oldfilename(co_other.co_oldfilename),
      ho_file(ho_Duplicate(co_other.ho_file)) {}

CT_Files &CT_Files::operator=(const CT_Files &co_other) {
    if (&co_other == this) return *this;
    co_filename = co_other.co_filename;
    co_oldfilename = co_other.co_oldfilename;
    v_CloseHandle(); // this object's own handle, which nobody else could close
    ho_file = ho_Duplicate(co_other.ho_file);
    return *this;
}

CT_Files::~CT_Files() { v_Close(); }

void CT_Files::v_Open(CT_String co_name, et_OpenMode eo_mode, int b_backup) {
    // An object still holding a file commits it first, rather than losing
    // its handle and its backup.
    if (ho_file != INVALID_HANDLE_VALUE || !co_oldfilename.b_IsEmpty()) v_Close();
    co_filename = co_name;
    if (b_backup) v_SaveOldFile();
    const bool b_reading = eo_mode == GENERIC_READ;
    // The backup is on the disk before the file is emptied: at no moment
    // may a power loss leave neither the old content nor the new. The
    // backup stays recorded, so that closing or cancelling removes it.
    if (!b_reading && !co_oldfilename.b_IsEmpty() && !b_FlushNamedFile(co_oldfilename))
        CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    ho_file = CreateFileA(co_filename, b_reading ? GENERIC_READ : static_cast<DWORD>(eo_mode), 0,
                          nullptr, b_reading ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
}

void CT_Files::v_SaveOldFile() {
    if (!b_Exist(co_filename)) {
        // A search that failed for another reason than a missing name
        // cannot tell whether there is content to keep: the open stops.
        const DWORD n_error = GetLastError();
        if (n_error == ERROR_FILE_NOT_FOUND || n_error == ERROR_PATH_NOT_FOUND) return;
        CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    }
    co_oldfilename = co_filename + ".old";
    if (!CopyFileA(co_filename, co_oldfilename, FALSE)) {
        // Without a backup the file must not be emptied: the open stops
        // here, and no backup that is not this one's is ever restored or
        // deleted.
        co_oldfilename.v_Empty();
        CT_Errors::v_ThrowError(e_FileOpenFailed, co_filename);
    }
}

void CT_Files::v_Cancel() {
    const bool b_written = b_MayHaveWritten(ho_file);
    v_CloseHandle();
    if (co_oldfilename.b_IsEmpty()) {
        // Only a file that this object created or emptied is removed.
        if (b_written) DeleteFileA(co_filename);
        return;
    }
    // A file that this object did not write (it read it, or its open
    // failed) still holds its content: the backup is only removed.
    if (!b_written) return v_ClearOldFile();
    // The backup is deleted only once the old content is back on the disk;
    // otherwise it stays there, as the only good copy.
    if (CopyFileA(co_oldfilename, co_filename, FALSE) && b_FlushNamedFile(co_filename))
        v_ClearOldFile();
    else
        co_oldfilename.v_Empty();
}

void CT_Files::v_Close() {
    // The backup is deleted only once the new content is on the disk; a
    // flush that fails keeps it there.
    if (!co_oldfilename.b_IsEmpty() && b_MayHaveWritten(ho_file) && !FlushFileBuffers(ho_file))
        co_oldfilename.v_Empty();
    v_CloseHandle();
    v_ClearOldFile();
}

void CT_Files::v_ClearOldFile() {
    if (co_oldfilename.b_IsEmpty()) return;
    // The backup carries the file's attributes; a read-only one can only be
    // deleted once it is read-only no more.
    if (!DeleteFileA(co_oldfilename) && GetLastError() == ERROR_ACCESS_DENIED &&
        SetFileAttributesA(co_oldfilename, FILE_ATTRIBUTE_NORMAL))
        DeleteFileA(co_oldfilename);
    co_oldfilename.v_Empty();
}

void CT_Files::v_CloseHandle() {
    if (ho_file == INVALID_HANDLE_VALUE) return;
    CloseHandle(ho_file);
    ho_file = INVALID_HANDLE_VALUE;
}
