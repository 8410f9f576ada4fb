// A plain model of CT_String for the differential harness: the buffer is a
// byte vector, characters are found by walking from the start of the text,
// and each operation follows the string's rules step by step. The harness
// runs every operation on both and compares what callers can see.
#ifndef CTCOMMON_FUZZ_STRING_MODEL_H
#define CTCOMMON_FUZZ_STRING_MODEL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace model {

using Bytes = std::vector<std::uint8_t>;

bool IsLead(std::uint8_t c_byte);

// A caller's zero-terminated text: its bytes, without the terminator. A lead
// byte just before the terminator takes it as its second byte, and the text
// ends there.
Bytes CallerText(const std::uint8_t *pc_text);
unsigned CallerLength(const std::uint8_t *pc_text);
unsigned CharacterCount(const Bytes &text);

// The decimal form of a number taken as a signed 32-bit value.
Bytes NumberText(std::uint32_t n_number);

class String {
  public:
    // Default construction: an empty text in a capacity of 512.
    String();
    // Construction from a caller's array: size 0 takes the text's own bytes.
    static String FromText(const Bytes &text);
    static String FromArray(const Bytes &array); // exactly these bytes
    static String CopyOf(const String &source);

    std::size_t Capacity() const { return buffer.size() - 1; }
    std::size_t Room() const { return Capacity() - current; }
    // The bytes a caller may read at the current text: the room and the
    // reserved byte behind it.
    Bytes Visible() const;
    bool SameRoom(const std::uint8_t *pc_room) const; // the same bytes as Visible()
    // The current text's bytes, measured inside the buffer.
    Bytes OwnText() const { return OwnTextAt(current); }
    Bytes OwnTextAt(std::size_t n_from) const;
    unsigned Length() const;
    bool IsEmpty() const { return buffer[current] == 0; }
    std::uint16_t CharAt(std::uint64_t n_index) const { return CharAt(n_index, current); }
    std::uint16_t CharAt(std::uint64_t n_index, std::uint64_t n_from) const;
    std::vector<std::uint16_t> Values() const; // the current text's characters
    // The caller's view of the bytes at an offset of the room, and the
    // string's own view of them (measured inside the buffer).
    Bytes CallerTextAt(std::size_t n_offset) const;
    Bytes OwnTextFrom(std::size_t n_offset) const { return OwnTextAt(current + n_offset); }
    // Whether an element list starting at that offset ends inside the buffer.
    bool ListEndsInside(std::size_t n_offset) const;
    // The list's bytes, its end zero included; the buffer's end ends it.
    Bytes ListAt(std::size_t n_offset) const;

    void Assign(const String &source);
    void AssignText(const Bytes &text);
    void Append(const Bytes &text);
    String Plus(const Bytes &text) const;
    bool Equals(const String &other) const;

    void SetSize(std::size_t n_size);
    bool ReSize(std::size_t n_size) { return ReSizeAt(current, n_size); }
    void Empty();
    void WriteRoom(std::size_t n_offset, const Bytes &bytes); // a caller's write

    void SetChar(std::uint64_t n_index, std::uint16_t w_value);
    void ReplaceChar(std::uint16_t w_old, std::uint16_t w_new);

    int Search(const std::vector<std::uint16_t> &pattern, int i_start) const;
    void Replace(const String &pattern, const Bytes &replacement);
    String Mid(int i_start, int i_count) const;

    void ResetArray() { current = 0; }
    bool NextElement();
    unsigned NumberOfElements();
    void AddElement(const String &element);
    void PutArray(const Bytes &list);

    Bytes SetArray(std::size_t n_length) const;

  private:
    void Allocate(std::size_t n_capacity);
    // Grows so that n_size bytes fit from n_from on (n_from may lie just
    // behind the reserved byte); true when it grew.
    bool ReSizeAt(std::size_t n_from, std::size_t n_size);
    std::uint8_t ByteAt(std::uint64_t n_pos) const;
    std::uint64_t PositionOf(std::size_t n_from, std::uint64_t n_index) const;
    std::uint64_t ZeroCharacterFrom(std::uint64_t n_pos) const;
    std::size_t ListEnd() const;
    // The room, from the current text, that writing w_value at n_pos needs.
    std::uint64_t RoomForWrite(std::uint64_t n_pos, std::uint16_t w_value) const;
    void ApplyWrite(std::uint64_t n_pos, std::uint16_t w_value);

    Bytes buffer; // the capacity plus the reserved byte, which stays zero
    std::size_t current = 0;
};

} // namespace model

#endif
