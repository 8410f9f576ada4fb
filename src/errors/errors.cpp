// CT_Errors: the process-wide error record and raising.
#include "ctcommon.h"

void CT_Errors::v_ThrowError(et_ErrorCode eo_code, const char *pc_parameter) {
    eo_lasterror = eo_code; // first, before the parameter is looked at
    if (pc_parameter)
        co_parameter = pc_parameter; // the record's own copy
    else
        co_parameter.v_Empty();
    throw eo_code;
}

void CT_Errors::v_ThrowAgain() { throw eo_lasterror; }

et_ErrorCode CT_Errors::set_GetLastError() { return eo_lasterror; }

CT_String CT_Errors::co_GetLastParameter() { return CT_String(co_parameter); }

void CT_Errors::v_ResetError() {
    eo_lasterror = e_UnknownError;
    co_parameter.v_Empty();
}
