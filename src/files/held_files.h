// Files known by what they are rather than by their names: what a name
// designates, and deleting a held file itself, so that a name that has
// come to mean another file is never touched.
#ifndef CTCOMMON_FILES_HELD_FILES_H
#define CTCOMMON_FILES_HELD_FILES_H

#include "platform/platform.h"

#include <string>

namespace ct_files {

// What the system knows a file by: its volume and its index there.
struct Identity {
    DWORD n_volume = 0, n_index_high = 0, n_index_low = 0;
    bool operator==(const Identity &o) const {
        return n_volume == o.n_volume && n_index_high == o.n_index_high &&
               n_index_low == o.n_index_low;
    }
};
Identity o_IdentityOf(const BY_HANDLE_FILE_INFORMATION &o_information);

// Looks at what a name designates without holding it (no data access, so
// that a file that another holds can be looked at too): the name itself
// when b_follow is false, what its links lead to otherwise. False, the
// last error set, when the name designates nothing.
bool b_LookAt(const std::string &s_name, bool b_follow, BY_HANDLE_FILE_INFORMATION *po_found);
// Whether the name itself (not a link at it) designates that file.
bool b_NameIs(const std::string &s_name, const Identity &o_identity);
// Deletes the very file that a handle holds, whatever its name has come to
// mean meanwhile; a read-only one loses that attribute first. The handle
// needs the right to delete, where the system has one.
bool b_DeleteHeld(HANDLE ho_held);
// Deletes the file at a name through a new hold on it, if the name still
// designates that file.
bool b_DeleteIfStill(const std::string &s_name, const Identity &o_identity);

} // namespace ct_files

#endif
