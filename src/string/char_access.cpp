// CT_String: reading, writing and replacing single characters.
//
// An index steps from the start of the current text over that many
// characters, on past the terminator into whatever the buffer holds behind
// it. Writes keep the number of characters: a one-byte character replaced
// by a two-byte one moves what follows one byte on, and the reverse moves it
// back.
#include "ctcommon.h"
#include "string/buffer.h"
#include "string/characters.h"

using namespace ct_chars;
using namespace ct_buffer;

unsigned short CT_String::operator[](unsigned n_index) const {
    const char *pc_end = pc_AllocEnd(pc_buffer, n_capacity);
    return w_GetCharAt(pc_current, pc_end, n_SkipChars(pc_current, pc_end, n_index));
}

void CT_String::v_SetChar(unsigned n_index, unsigned short w_value) {
    const std::uint64_t n_offset =
        n_SkipChars(pc_current, pc_AllocEnd(pc_buffer, n_capacity), n_index);
    // A write that would reach behind the room, or a lengthened text that
    // already fills it, grows the buffer first: nothing lands outside it.
    b_ReSize(n_RequireUnsigned(
        n_RoomToWrite(pc_current, pc_AllocEnd(pc_buffer, n_capacity), n_offset, w_value)));
    v_WriteChar(pc_current + n_offset, pc_AllocEnd(pc_buffer, n_capacity), w_value);
}

void CT_String::v_ReplaceChar(unsigned short w_old, unsigned short w_new) {
    // Every occurrence is written as v_SetChar at its index would write it,
    // but the text is walked once and moved at most once.
    if (w_old == w_new) return;
    const char *pc_end = pc_AllocEnd(pc_buffer, n_capacity);
    const std::size_t n_bytes = n_TextSize(pc_current, pc_end);
    const unsigned n_old_width = b_IsLeadByte(static_cast<char>(w_old & 0xFF)) ? 2 : 1;
    const unsigned n_new_width = b_IsLeadByte(static_cast<char>(w_new & 0xFF)) ? 2 : 1;
    if (n_old_width == n_new_width) {
        // One pass, in place. A text that ends on the reserved byte ends in a
        // two-byte character whose second byte is that byte. Rewriting it
        // grows the buffer first, as v_SetChar does, so the reserved byte
        // stays zero.
        if (n_bytes > n_GetSize() && w_GetCharAt(pc_current, pc_end, n_bytes - 2) == w_old)
            b_ReSize(n_RequireUnsigned(n_bytes));
        v_ReplaceSameWidth(pc_current, n_bytes, w_old, w_new);
        return;
    }
    const std::size_t n_found = n_CountValue(pc_current, n_bytes, w_old);
    if (!n_found) return;
    if (n_new_width < n_old_width) {
        v_ReplaceNarrowing(pc_current, pc_end, n_bytes, w_old, w_new);
    } else {
        b_ReSize(n_RequireUnsigned(static_cast<std::uint64_t>(n_bytes) + n_found));
        v_ReplaceWidening(pc_current, n_bytes, n_found, w_old, w_new);
    }
}

void CT_String::v_PutChar(unsigned n_index, unsigned short w_value) {
    const std::uint64_t n_offset =
        n_SkipChars(pc_current, pc_AllocEnd(pc_buffer, n_capacity), n_index);
    const std::uint64_t n_from_start = static_cast<std::uint64_t>(pc_current - pc_buffer);
    b_ReSize(n_RequireUnsigned(n_from_start + n_offset + 2));
    v_SetChar(n_index, w_value);
}
