// CT_String: storage, construction, assignment, concatenation, comparison
// and measures.
#include "ctcommon.h"
#include "string/buffer.h"
#include "string/characters.h"
#include "string/decimal.h"
#include "string/scan.h"

#include <cstring>
#include <new>

using namespace ct_chars;
using namespace ct_buffer;

namespace {

// A buffer of at least this capacity grows in place where the allocator
// can; a smaller one is copied, which costs less than the allocator's
// attempt.
const unsigned n_grow_in_place_from = 4096;

} // namespace

CT_String::CT_String(const char *pc_text, unsigned n_size)
    : pc_buffer(nullptr), pc_current(nullptr), n_capacity(0) {
    if (!pc_text) {
        v_SetSize(256);
        return;
    }
    if (n_size == 0) n_size = n_GetStringSize(pc_text);
    v_SetSize(n_size);
    std::memcpy(pc_buffer, pc_text, n_size);
}

CT_String::CT_String(const CT_String &co_source)
    : pc_buffer(nullptr), pc_current(nullptr), n_capacity(0) {
    v_CopyBuffer(co_source);
}

CT_String::~CT_String() { v_DisposeBuffer(); }

void CT_String::operator=(const CT_String &co_source) { v_CopyBuffer(co_source); }

void CT_String::operator=(const char *pc_text) {
    if (!pc_text) pc_text = "";
    // A text inside this buffer moves with it when the buffer grows.
    const char *pc_text_end = pc_EndIfInside(pc_buffer, n_capacity, pc_text);
    const std::size_t n_offset = pc_text_end ? static_cast<std::size_t>(pc_text - pc_buffer) : 0;
    b_ReSize(n_RequireUnsigned(n_TextSize(pc_text, pc_text_end)));
    if (pc_text_end) pc_text = pc_buffer + n_offset;
    v_Copy(pc_text);
}

void CT_String::operator+=(const char *pc_text) {
    if (!pc_text) pc_text = "";
    const char *pc_text_end = pc_EndIfInside(pc_buffer, n_capacity, pc_text);
    const std::size_t n_offset = pc_text_end ? static_cast<std::size_t>(pc_text - pc_buffer) : 0;
    const std::size_t n_own = n_TextSize(pc_current, pc_AllocEnd(pc_buffer, n_capacity));
    const std::size_t n_added = n_TextSize(pc_text, pc_text_end);
    b_ReSize(n_RequireUnsigned(static_cast<std::uint64_t>(n_own) + n_added));
    if (pc_text_end) pc_text = pc_buffer + n_offset;
    v_PlaceText(pc_current + n_own, pc_AllocEnd(pc_buffer, n_capacity), pc_text, n_added);
}

CT_String CT_String::operator+(const char *pc_text) const {
    CT_String co_joined;
    const std::size_t n_own = n_TextSize(pc_current, pc_AllocEnd(pc_buffer, n_capacity));
    co_joined.b_ReSize(n_RequireUnsigned(n_own));
    if (n_own) std::memcpy(co_joined.pc_current, pc_current, n_own);
    co_joined += pc_text;
    // The result is a copy of the working string, 256 bytes above its room.
    return CT_String(co_joined);
}

CT_String CT_String::operator+(unsigned n_number) const {
    CT_String co_digits;
    ct_decimal::v_WriteSigned(co_digits.pc_current, n_number);
    return *this + co_digits.pc_current;
}

int CT_String::operator==(CT_String co_other) const {
    return b_SameText(pc_current, pc_AllocEnd(pc_buffer, n_capacity), co_other.pc_current,
                      pc_AllocEnd(co_other.pc_buffer, co_other.n_capacity));
}

int CT_String::operator==(const char *pc_text) const {
    if (!pc_text) pc_text = "";
    if (!pc_current) return *pc_text == 0; // a string whose buffer was given back
    const std::size_t n_size = n_TextSize(pc_current, pc_AllocEnd(pc_buffer, n_capacity));
    return n_size == n_TextSize(pc_text, nullptr) &&
           ct_scan::b_SameBytes(pc_current, pc_text, n_size);
}

unsigned CT_String::n_GetLength(const char *pc_text) const {
    if (pc_text) return n_TextLength(pc_text, pc_EndIfInside(pc_buffer, n_capacity, pc_text));
    return n_TextLength(pc_current, pc_AllocEnd(pc_buffer, n_capacity));
}

unsigned CT_String::n_GetStringSize(const char *pc_text) const {
    if (pc_text)
        return static_cast<unsigned>(
            n_TextSize(pc_text, pc_EndIfInside(pc_buffer, n_capacity, pc_text)));
    return static_cast<unsigned>(n_TextSize(pc_current, pc_AllocEnd(pc_buffer, n_capacity)));
}

unsigned CT_String::n_GetSize() const {
    if (n_capacity == 0) return n_GetStringSize();
    return n_capacity - static_cast<unsigned>(pc_current - pc_buffer);
}

int CT_String::b_IsEmpty() const {
    return b_AtTextEnd(pc_current, pc_AllocEnd(pc_buffer, n_capacity));
}

CT_String::operator char *() { return pc_current; }
CT_String::operator unsigned char *() { return reinterpret_cast<unsigned char *>(pc_current); }
CT_String::operator const char *() const { return pc_current; }
CT_String::operator const unsigned char *() const {
    return reinterpret_cast<const unsigned char *>(pc_current);
}

void CT_String::v_SetSize(unsigned n_size) {
    if (n_size >= n_GetSize()) {
        const unsigned n_new_capacity = n_CapacityFor(n_size);
        char *pc_new = pc_NewBuffer(n_new_capacity);
        v_DisposeBuffer();
        pc_buffer = pc_current = pc_new;
        n_capacity = n_new_capacity;
    }
    v_Empty();
}

int CT_String::b_ReSize(unsigned n_size) {
    if (n_size <= n_GetSize()) return 0;
    const std::size_t n_offset = n_capacity ? static_cast<std::size_t>(pc_current - pc_buffer) : 0;
    // The new capacity is the offset plus the size plus 512: the request for
    // offset + size + 256 gets the usual 256 more.
    const unsigned n_new_capacity =
        n_CapacityFor(static_cast<std::uint64_t>(n_offset) + n_size + 256);
    const unsigned n_old_capacity = n_capacity;
    char *pc_new;
    if (n_old_capacity >= n_grow_in_place_from) {
        pc_new = pc_GrowBuffer(pc_buffer, n_new_capacity);
    } else {
        pc_new = pc_NewBuffer(n_new_capacity);
        if (n_old_capacity) std::memcpy(pc_new, pc_buffer, n_old_capacity);
        v_DisposeBuffer();
    }
    std::memset(pc_new + n_old_capacity, 0,
                static_cast<std::size_t>(n_new_capacity) + 1 - n_old_capacity);
    pc_buffer = pc_new;
    pc_current = pc_new + n_offset;
    n_capacity = n_new_capacity;
    return 1;
}

void CT_String::v_Empty() {
    // The room and the reserved byte behind it: the reserved byte stays zero
    // so that every text in the buffer has a terminator.
    if (n_capacity)
        std::memset(pc_current, 0,
                    static_cast<std::size_t>(pc_buffer + n_capacity + 1 - pc_current));
}

void CT_String::v_SetPointer(char *pc_array, unsigned n_size) {
    CT_String co_copy(pc_array, n_size);
    v_CopyBuffer(co_copy);
}

void CT_String::v_DisposeBuffer() {
    if (n_capacity == 0) return;
    v_FreeBuffer(pc_buffer);
    pc_buffer = nullptr;
    pc_current = nullptr; // nothing may reach the released buffer through it
    n_capacity = 0;
}

void CT_String::v_Copy(const char *pc_text) {
    const char *pc_text_end = pc_EndIfInside(pc_buffer, n_capacity, pc_text);
    v_PlaceText(pc_current, pc_AllocEnd(pc_buffer, n_capacity), pc_text,
                n_TextSize(pc_text, pc_text_end));
}

void CT_String::v_CopyBuffer(const CT_String &co_source) {
    if (&co_source == this) return; // a string assigned to itself keeps what it holds
    const unsigned n_room = co_source.n_GetSize();
    v_SetSize(n_room);
    if (n_room) std::memcpy(pc_current, co_source.pc_current, n_room);
}
