// The full path of a name, as the system makes it against the current folder.
#ifndef CTCOMMON_FILES_FULL_PATH_H
#define CTCOMMON_FILES_FULL_PATH_H

#include "ctcommon.h"

namespace ct_files {

// Puts the full path in co_full, whose room grows until it fits, and points
// *ppc_final (when given) at its final component, null when it ends in a
// separator. False when the system cannot form it.
bool b_FullPath(const char *pc_name, CT_String &co_full, char **ppc_final);

// Whether the system made the full path pc_full of pc_name a device path:
// a file name that it reads as a device (aux.txt, con.kdw in any folder),
// not a device path written as such.
bool b_MadeADevice(const char *pc_name, const char *pc_full);

} // namespace ct_files

#endif
