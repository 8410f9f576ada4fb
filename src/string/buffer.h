// The buffer of a CT_String: its size policy, allocation and the bounds that
// keep every read and write inside it.
#ifndef CTCOMMON_STRING_BUFFER_H
#define CTCOMMON_STRING_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace ct_buffer {

// Capacity 256 for a request below 256, else 256 above the request. A
// capacity must fit 32 bits with its reserved byte; anything larger cannot
// be allocated.
inline unsigned n_CapacityFor(std::uint64_t n_request) {
    if (n_request < 256) return 256;
    if (n_request > 0xFFFFFFFFull - 257) throw std::bad_alloc();
    return static_cast<unsigned>(n_request + 256);
}

// A size that a 32-bit room must hold.
inline unsigned n_RequireUnsigned(std::uint64_t n_size) {
    if (n_size > 0xFFFFFFFFull) throw std::bad_alloc();
    return static_cast<unsigned>(n_size);
}

// capacity + 1 bytes, the last one the reserved terminator byte; the
// caller fills them. From malloc, so that a buffer can grow in place.
inline char *pc_NewBuffer(unsigned n_capacity) {
    void *pv_buffer = std::malloc(static_cast<std::size_t>(n_capacity) + 1);
    if (!pv_buffer) throw std::bad_alloc();
    return static_cast<char *>(pv_buffer);
}

// The buffer with capacity + 1 bytes, its bytes so far kept and the new ones
// for the caller to fill. The allocator grows it in place where it can: a
// string grown by appends then neither copies its text again nor touches
// fresh memory for it. On failure the old buffer stays as it was.
inline char *pc_GrowBuffer(char *pc_buffer, unsigned n_capacity) {
    void *pv_buffer = std::realloc(pc_buffer, static_cast<std::size_t>(n_capacity) + 1);
    if (!pv_buffer) throw std::bad_alloc();
    return static_cast<char *>(pv_buffer);
}

inline void v_FreeBuffer(char *pc_buffer) { std::free(pc_buffer); }

// The end of the allocation, reserved byte included; null without a buffer.
inline const char *pc_AllocEnd(const char *pc_buffer, unsigned n_capacity) {
    return n_capacity ? pc_buffer + n_capacity + 1 : nullptr;
}

// The end of the allocation when pc_text lies inside it, else null (a text
// of the caller's, read up to its terminator).
inline const char *pc_EndIfInside(const char *pc_buffer, unsigned n_capacity, const char *pc_text) {
    if (!n_capacity) return nullptr;
    const std::uintptr_t n_start = reinterpret_cast<std::uintptr_t>(pc_buffer);
    const std::uintptr_t n_at = reinterpret_cast<std::uintptr_t>(pc_text);
    return n_at >= n_start && n_at - n_start <= n_capacity ? pc_buffer + n_capacity + 1 : nullptr;
}

// Puts n_size bytes of pc_text at pc_dest and zeroes everything from there
// to pc_alloc_end. The text may overlap the destination.
inline void v_PlaceText(char *pc_dest, const char *pc_alloc_end, const char *pc_text,
                        std::size_t n_size) {
    if (n_size) std::memmove(pc_dest, pc_text, n_size);
    std::memset(pc_dest + n_size, 0, static_cast<std::size_t>(pc_alloc_end - (pc_dest + n_size)));
}

} // namespace ct_buffer

#endif
