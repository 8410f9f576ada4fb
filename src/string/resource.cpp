// CT_String: texts from a module's string table, window texts and copies
// into callers' arrays.
#include "ctcommon.h"
#include "platform/platform.h"
#include "string/buffer.h"
#include "string/characters.h"
#include "string/decimal.h"

#include <climits>
#include <cstring>

using namespace ct_buffer;

namespace {

// A room as the int length that the window and resource calls take.
int n_AsLength(unsigned n_room) { return n_room > INT_MAX ? INT_MAX : static_cast<int>(n_room); }

} // namespace

CT_String::CT_String(HINSTANCE ho_module, unsigned n_id, CT_String co_marker,
                     const char *pc_parameter)
    : CT_String() {
    // Delegating: the string exists once the default construction is done,
    // so a failed load releases its buffer on the way out.
    if (n_id != 0) v_Load(ho_module, n_id, co_marker, pc_parameter);
}

void CT_String::v_Load(HINSTANCE ho_module, unsigned n_id, CT_String co_marker,
                       const char *pc_parameter) {
    if (LoadStringA(ho_module, n_id, pc_current, n_AsLength(n_GetSize())) == 0) {
        v_Empty(); // whatever the failed call may have left
        CT_Errors::v_ThrowError(e_WindowsError, "CT_String::v_Load");
    }
    if (!co_marker.b_IsEmpty()) v_Replace(co_marker, pc_parameter);
}

void CT_String::v_Load(HINSTANCE ho_module, unsigned n_id, CT_String co_marker, unsigned n_number) {
    CT_String co_digits;
    ct_decimal::v_WriteSigned(co_digits, n_number);
    v_Load(ho_module, n_id, co_marker, static_cast<const char *>(co_digits));
}

void CT_String::v_Set(HWND ho_window) const {
    if (!SetWindowTextA(ho_window, pc_current))
        CT_Errors::v_ThrowError(e_WindowsError, "SetWindowText");
}

void CT_String::operator=(HWND const ho_window) {
    GetWindowTextA(ho_window, pc_current, n_AsLength(n_GetSize()));
}

void CT_String::v_Set(char *pc_array, unsigned n_length) const {
    std::memset(pc_array, 0, n_length);
    if (n_length <= 2 || !n_capacity) return;
    // Raw bytes from the current text on, never from behind the buffer.
    const std::size_t n_held = static_cast<std::size_t>(pc_buffer + n_capacity + 1 - pc_current);
    const std::size_t n_copied = n_length - 2 < n_held ? n_length - 2 : n_held;
    std::memcpy(pc_array, pc_current, n_copied);
}
