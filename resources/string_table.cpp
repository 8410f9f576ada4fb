// Linux: the library's string table, carried inside the shared object and
// found through its handle like any module's.
#include "ctcommon.h"

extern "C" __attribute__((visibility("hidden"), used))
const CT_StringTableEntry ct_string_table_[] = {
#define CT_STRING(id, text) {id, text},
#include "strings.def"
#undef CT_STRING
    {0, 0}};
CT_STRING_TABLE_NOTE();
