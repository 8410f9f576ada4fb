// CT_Errors: showing an error to the user.
#include "ctcommon.h"
#include "errors/record_lock.h"
#include "frame/module.h"
#include "platform/platform.h"
#include "string/rules.h"

#include <cstdint>
#include <cstring>

namespace {

// A message box shows a text of up to 32,766 characters; a longer one comes
// out as garbage, or cut anywhere. A longer message is cut to this many
// bytes, mark included, between two characters, and its end says so.
const std::size_t n_longest_shown = 32000;
const char ac_cut_mark[] = "\n[...]";

void v_FitTheBox(CT_String &co_message) {
    char *pc_text = co_message;
    if (ct_string::n_ZeroTerminatedSize(pc_text) <= n_longest_shown) return;
    pc_text[ct_string::n_WholeCharsWithin(pc_text, n_longest_shown - (sizeof ac_cut_mark - 1))] = 0;
    co_message = co_message + ac_cut_mark;
}

} // namespace

void CT_Errors::v_DisplayError() {
    v_DisplayMessage();
    v_ResetError();
}

void CT_Errors::v_DisplayError(et_ErrorCode eo_code, const char *pc_parameter) {
    std::unique_lock<std::mutex> o_hold(o_RecordLock());
    const et_ErrorCode eo_saved = eo_lasterror;
    const CT_String co_saved(co_parameter);
    eo_lasterror = eo_code;
    if (pc_parameter)
        co_parameter = pc_parameter;
    else
        co_parameter.v_Empty();
    o_hold.unlock(); // showing it may raise, which writes the record
    v_DisplayMessage();
    o_hold.lock();
    eo_lasterror = eo_saved;
    co_parameter = co_saved;
}

void CT_Errors::v_DisplayMessage() {
    CT_String co_code;
    CT_String co_message;
    // The error as the record holds it now; loading its message may raise,
    // and raising writes the record.
    et_ErrorCode eo_code;
    CT_String co_shown_parameter;
    {
        std::lock_guard<std::mutex> o_hold(o_RecordLock());
        eo_code = eo_lasterror;
        co_shown_parameter = co_parameter;
    }
    const unsigned n_id = static_cast<unsigned>(eo_code) + 1001;
    try {
        ct_decimal::v_WriteSigned(co_code, static_cast<unsigned>(eo_code));
        if (co_shown_parameter.b_IsEmpty()) {
            // No parameter: a "%" in the message stays as it is.
            co_message.v_Load(ho_instance, n_id, CT_String(), static_cast<const char *>(nullptr));
        } else {
            co_message.v_Load(ho_instance, n_id, co_marker,
                              static_cast<const char *>(co_shown_parameter));
            if (eo_code == e_WindowsError) v_CompleteWindowError(&co_message);
        }
    } catch (...) {
        // A code without a message: "Error <code> (no message associated with)".
        co_message.v_Load(ho_instance, 999, co_marker, static_cast<const char *>(co_code));
    }
    v_FitTheBox(co_message);
    MessageBoxA(GetActiveWindow(), co_message, co_title, MB_OK | MB_ICONEXCLAMATION);
}

void CT_Errors::v_CompleteWindowError(CT_String *pco_message) {
    // The thread's last system error now, at display time.
    const DWORD n_error = GetLastError();
    char *pc_system_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, n_error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&pc_system_text), 0, nullptr);
    if (pc_system_text) {
        *pco_message = *pco_message + pc_system_text;
        LocalFree(pc_system_text);
    } else {
        // The system has no text for it: its number at least.
        *pco_message = *pco_message + static_cast<unsigned>(n_error);
    }
}
