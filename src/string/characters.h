// The double-byte character rules, on raw character arrays.
//
// A byte from 0x81 to 0x9F or from 0xE0 to 0xEF is a lead byte: it and the
// byte after it, whatever that is, form one character. The table is fixed;
// the process's code page is never asked.
//
// Functions that take an `end` read nothing at or behind it. For a string's
// own text, `end` is the end of its allocation; past it every position reads
// as a zero byte. A null `end` means a caller's text, read up to its
// terminator and never beyond.
#ifndef CTCOMMON_STRING_CHARACTERS_H
#define CTCOMMON_STRING_CHARACTERS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ct_chars {

extern const bool lead_byte[256];

inline bool b_IsLeadByte(char c_byte) { return lead_byte[static_cast<unsigned char>(c_byte)]; }

// 2 when the byte at the position is a lead byte, else 1.
inline unsigned n_GetCharSize(const char *pc_pos) { return b_IsLeadByte(*pc_pos) ? 2 : 1; }

// The 16-bit value of a character from its two bytes (the second is only
// looked at after a lead byte).
inline unsigned short w_CharValue(unsigned char c_first, unsigned char c_second) {
    if (lead_byte[c_first]) return static_cast<unsigned short>(c_first | (c_second << 8));
    return static_cast<unsigned short>(static_cast<signed char>(c_first));
}

// True when none of the eight bytes at pc is 0x80 or above: eight one-byte
// characters (or zeros) in a row.
inline bool b_EightSingleBytes(const char *pc) {
    std::uint64_t n_bytes;
    std::memcpy(&n_bytes, pc, sizeof n_bytes);
    return (n_bytes & 0x8080808080808080ull) == 0;
}

// Bytes stepped over by n_count characters from pc_pos, stopping at no zero
// byte. Behind `end` each further character is one byte.
std::uint64_t n_SkipChars(const char *pc_pos, const char *pc_end, unsigned n_count);

// Steps over at most n_max characters from pc, a character boundary, and
// never past pc_to: a character that pc_to would cut is not stepped over.
// The position reached; the characters stepped over in *pn_stepped.
const char *pc_StepChars(const char *pc, const char *pc_to, std::uint64_t n_max,
                         std::uint64_t *pn_stepped);

// The first character boundary at or behind pc_at, where pc_start is one:
// pc_at itself, or the byte after it when pc_at holds a second byte.
const char *pc_CharStartAtOrAfter(const char *pc_start, const char *pc_at);

// The value of the character at byte offset n_offset (0 behind `end`).
unsigned short w_GetCharAt(const char *pc_pos, const char *pc_end, std::uint64_t n_offset);

// The byte size of the text at pc_pos. A lead byte takes the byte after it,
// a zero included; in a bounded text the walk then goes on, in a caller's
// text (null end) that zero ends it. A character cut by `end` is not
// counted.
std::size_t n_TextSize(const char *pc_pos, const char *pc_end);

// The number of characters of the text at pc_pos, by the same walk.
unsigned n_TextLength(const char *pc_pos, const char *pc_end);

// The width of the character at pc and its value in *w, or 0 at the end of
// a bounded text.
unsigned n_NextChar(const char *pc, const char *pc_end, unsigned short *w);

// 1 when no character starts at pc_pos: the end of a bounded text.
int b_AtTextEnd(const char *pc_pos, const char *pc_end);

// 1 when both texts have the same characters. Both are strings' own texts,
// each bounded by its allocation (or null, for a string without a buffer).
int b_SameText(const char *pc_a, const char *pc_a_end, const char *pc_b, const char *pc_b_end);

// The room, counted from pc_pos, that writing w_value as the character at
// byte offset n_offset needs so that no byte is written behind the last
// byte of that room and a terminator still fits behind it.
std::uint64_t n_RoomToWrite(const char *pc_pos, const char *pc_end, std::uint64_t n_offset,
                            unsigned short w_value);

// Writes w_value as the character at pc_char, which must have the room
// that n_RoomToWrite asked for; the characters behind it, to the end of the
// text, stay as they were, moved by one byte when the width changes.
void v_WriteChar(char *pc_char, const char *pc_end, unsigned short w_value);

// Moves the bytes from pc_char up to and including the terminator of the
// text behind it one place toward the end.
void v_InsertByte(char *pc_char, const char *pc_end);

// The characters of the value among the n_bytes bytes of a text (whole
// characters from pc_pos on).
std::size_t n_CountValue(const char *pc_pos, std::size_t n_bytes, unsigned short w_value);

// Replaces, in the n_bytes bytes of a text, every character of the value
// w_old by w_new, where both are written with the same width.
void v_ReplaceSameWidth(char *pc_pos, std::size_t n_bytes, unsigned short w_old,
                        unsigned short w_new);

// The same where two-byte characters become one byte: the text closes up
// and the bytes it leaves, up to its old terminator, become zero.
void v_ReplaceNarrowing(char *pc_pos, const char *pc_end, std::size_t n_bytes, unsigned short w_old,
                        unsigned short w_new);

// The same where one-byte characters become two: the text, n_found bytes
// longer, is written with its terminator over what followed it; the room
// must hold it.
void v_ReplaceWidening(char *pc_pos, std::size_t n_bytes, std::size_t n_found, unsigned short w_old,
                       unsigned short w_new);

} // namespace ct_chars

#endif
