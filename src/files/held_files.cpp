// Files known by what they are: looking at names, and deleting through
// holds.
#include "files/held_files.h"

ct_files::Identity ct_files::o_IdentityOf(const BY_HANDLE_FILE_INFORMATION &o_information) {
    Identity o_identity;
    o_identity.n_volume = o_information.dwVolumeSerialNumber;
    o_identity.n_index_high = o_information.nFileIndexHigh;
    o_identity.n_index_low = o_information.nFileIndexLow;
    return o_identity;
}

bool ct_files::b_LookAt(const std::string &s_name, bool b_follow,
                        BY_HANDLE_FILE_INFORMATION *po_found) {
    const DWORD n_flags =
        FILE_FLAG_BACKUP_SEMANTICS | (b_follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE ho_look =
        CreateFileA(s_name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, n_flags, nullptr);
    if (ho_look == INVALID_HANDLE_VALUE) return false;
    const bool b_found = GetFileInformationByHandle(ho_look, po_found);
    CloseHandle(ho_look);
    return b_found;
}

bool ct_files::b_NameIs(const std::string &s_name, const Identity &o_identity) {
    BY_HANDLE_FILE_INFORMATION o_found;
    return b_LookAt(s_name, false, &o_found) && o_IdentityOf(o_found) == o_identity;
}

bool ct_files::b_DeleteHeld(HANDLE ho_held) {
    FILE_DISPOSITION_INFO o_delete = {TRUE};
    if (SetFileInformationByHandle(ho_held, FileDispositionInfo, &o_delete, sizeof o_delete))
        return true;
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    FILE_BASIC_INFO o_basic = {};
    o_basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(ho_held, FileBasicInfo, &o_basic, sizeof o_basic) &&
           SetFileInformationByHandle(ho_held, FileDispositionInfo, &o_delete, sizeof o_delete);
}

bool ct_files::b_DeleteIfStill(const std::string &s_name, const Identity &o_identity) {
    const HANDLE ho_delete =
        CreateFileA(s_name.c_str(), DELETE | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (ho_delete == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION o_found;
    const bool b_deleted = GetFileInformationByHandle(ho_delete, &o_found) &&
                           o_IdentityOf(o_found) == o_identity && b_DeleteHeld(ho_delete);
    CloseHandle(ho_delete);
    return b_deleted;
}
