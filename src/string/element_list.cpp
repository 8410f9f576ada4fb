// CT_String: lists of texts in one buffer. Each operation walks the list
// once; the cursor (pc_current) is the start of the current element.
#include "ctcommon.h"
#include "string/buffer.h"
#include "string/characters.h"
#include "string/scan.h"

#include <cstring>
#include <string>

using namespace ct_buffer;

namespace {

// Appends a text as an element at the cursor, which stands on the end of
// the list: the text, its zero byte, and the zero byte that ends the list.
void v_AppendElementHere(CT_String &co_list, const char *pc_text) {
    co_list += pc_text; // grows, when it must, with the elements before the cursor kept
    const unsigned n_size = co_list.n_GetStringSize();
    co_list.b_ReSize(n_RequireUnsigned(static_cast<std::uint64_t>(n_size) + 2));
    char *pc_element = co_list;
    pc_element[n_size] = 0;
    pc_element[n_size + 1] = 0;
}

} // namespace

void CT_String::v_ResetArray() { pc_current = pc_buffer; }

int CT_String::b_NextElement() {
    if (n_capacity && *pc_current) {
        // The element ends at its first zero byte, even one behind a lead
        // byte; the cursor never passes the reserved byte, which ends them all.
        const char *pc_zero = ct_scan::pc_FindByte(pc_current, pc_buffer + n_capacity, 0);
        pc_current = pc_zero ? const_cast<char *>(pc_zero) + 1 : pc_buffer + n_capacity;
    }
    return !b_IsEmpty();
}

unsigned CT_String::n_GetNumberOfElement() {
    v_ResetArray();
    unsigned n_count = b_IsEmpty() ? 0 : 1;
    if (n_count)
        while (b_NextElement())
            ++n_count;
    v_ResetArray();
    return n_count;
}

void CT_String::v_AddElement(CT_String co_element) {
    // A list of this one element.
    std::string s_list(static_cast<const char *>(co_element), co_element.n_GetStringSize());
    s_list.append(2, '\0');
    v_PutArray(s_list.data());
}

void CT_String::v_PutArray(const char *pc_array) {
    // A list taken from this string's own buffer is copied first: the
    // buffer may move while it grows.
    std::string s_own;
    if (pc_array && pc_EndIfInside(pc_buffer, n_capacity, pc_array)) {
        const char *pc_end = pc_buffer + n_capacity + 1;
        const char *pc = pc_array;
        while (pc < pc_end && *pc)
            pc += ct_scan::n_ZeroTerminatedSize(pc) + 1; // the reserved byte ends it
        s_own.assign(pc_array, pc < pc_end ? pc : pc_end);
        s_own.append(2, '\0');
        pc_array = s_own.data();
    }
    v_ResetArray();
    while (b_NextElement()) {
    }
    if (pc_array && *pc_array && pc_current == pc_buffer + n_capacity && pc_current != pc_buffer &&
        pc_current[-1]) {
        // The last element ends on the reserved byte: the list's end lies
        // behind the buffer, so the buffer grows to hold it.
        b_ReSize(2);
        ++pc_current;
    }
    for (const char *pc = pc_array; pc && *pc; pc += ct_scan::n_ZeroTerminatedSize(pc) + 1) {
        v_AppendElementHere(*this, pc);
        b_NextElement(); // onto the new end of the list
    }
    v_ResetArray();
}
