// Linux: the library's string table, carried inside the shared object and
// found through its handle like any module's.
#include "ctcommon.h"

CT_STRING_TABLE_BEGIN
#define CT_STRING(id, text) {id, text},
#include "strings.def"
#undef CT_STRING
CT_STRING_TABLE_END;
