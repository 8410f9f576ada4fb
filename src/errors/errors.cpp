// CT_Errors: the process-wide error record and raising.
#include "ctcommon.h"
#include "errors/record_lock.h"

void CT_Errors::v_ThrowError(et_ErrorCode eo_code, const char *pc_parameter) {
    {
        std::lock_guard<std::mutex> o_hold(o_RecordLock());
        eo_lasterror = eo_code; // first, before the parameter is looked at
        if (pc_parameter)
            co_parameter = pc_parameter; // the record's own copy
        else
            co_parameter.v_Empty();
    }
    throw eo_code;
}

void CT_Errors::v_ThrowAgain() { throw set_GetLastError(); }

et_ErrorCode CT_Errors::set_GetLastError() {
    std::lock_guard<std::mutex> o_hold(o_RecordLock());
    return eo_lasterror;
}

CT_String CT_Errors::co_GetLastParameter() {
    std::lock_guard<std::mutex> o_hold(o_RecordLock());
    return CT_String(co_parameter);
}

void CT_Errors::v_ResetError() {
    std::lock_guard<std::mutex> o_hold(o_RecordLock());
    eo_lasterror = e_UnknownError;
    co_parameter.v_Empty();
}

// A class without data copies nothing when assigned.
CT_Errors &CT_Errors::operator=(const CT_Errors &) { return *this; }
