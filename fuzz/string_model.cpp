// The model's rules, written out one step at a time.
#include "string_model.h"

#include <algorithm>
#include <cstdlib>

namespace model {

bool IsLead(std::uint8_t c_byte) {
    return (c_byte >= 0x81 && c_byte <= 0x9F) || (c_byte >= 0xE0 && c_byte <= 0xEF);
}

Bytes CallerText(const std::uint8_t *pc_text) {
    Bytes text;
    if (!pc_text) return text;
    for (std::size_t i = 0; pc_text[i] != 0;) {
        if (IsLead(pc_text[i])) {
            text.push_back(pc_text[i]);
            text.push_back(pc_text[i + 1]);
            if (pc_text[i + 1] == 0) break; // the terminator became the second byte
            i += 2;
        } else {
            text.push_back(pc_text[i]);
            i += 1;
        }
    }
    return text;
}

unsigned CharacterCount(const Bytes &text) {
    unsigned n_length = 0;
    for (std::size_t i = 0; i < text.size(); i += IsLead(text[i]) ? 2 : 1)
        ++n_length;
    return n_length;
}

unsigned CallerLength(const std::uint8_t *pc_text) { return CharacterCount(CallerText(pc_text)); }

Bytes NumberText(std::uint32_t n_number) {
    const std::string s = std::to_string(static_cast<std::int32_t>(n_number));
    return Bytes(s.begin(), s.end());
}

static std::size_t CapacityFor(std::size_t n_size) { return n_size < 256 ? 256 : n_size + 256; }

String::String() { Allocate(512); }

void String::Allocate(std::size_t n_capacity) {
    buffer.assign(n_capacity + 1, 0);
    current = 0;
}

String String::FromText(const Bytes &text) { return FromArray(text); }

String String::FromArray(const Bytes &array) {
    String co;
    co.Allocate(CapacityFor(array.size()));
    std::copy(array.begin(), array.end(), co.buffer.begin());
    return co;
}

String String::CopyOf(const String &source) {
    String co;
    co.Allocate(CapacityFor(source.Room()));
    for (std::size_t i = 0; i < source.Room(); ++i)
        co.buffer[i] = source.buffer[source.current + i];
    return co;
}

Bytes String::Visible() const { return Bytes(buffer.begin() + current, buffer.end()); }

bool String::SameRoom(const std::uint8_t *pc_room) const {
    return std::equal(buffer.begin() + current, buffer.end(), pc_room);
}

std::uint8_t String::ByteAt(std::uint64_t n_pos) const {
    return n_pos < buffer.size() ? buffer[n_pos] : 0; // zero behind the buffer
}

Bytes String::OwnTextAt(std::size_t n_from) const {
    Bytes text;
    std::size_t n_pos = n_from;
    while (n_pos <= Capacity() && buffer[n_pos] != 0) {
        const std::size_t n_width = IsLead(buffer[n_pos]) ? 2 : 1;
        for (std::size_t i = 0; i < n_width; ++i)
            text.push_back(buffer[n_pos + i]);
        n_pos += n_width;
    }
    return text;
}

unsigned String::Length() const { return CharacterCount(OwnText()); }

std::uint64_t String::PositionOf(std::size_t n_from, std::uint64_t n_index) const {
    std::uint64_t n_pos = n_from;
    for (std::uint64_t i = 0; i < n_index; ++i) {
        if (n_pos > Capacity())
            return n_pos + (n_index - i); // behind the buffer every byte is a zero
        n_pos += IsLead(buffer[n_pos]) ? 2 : 1;
    }
    return n_pos;
}

std::uint16_t String::CharAt(std::uint64_t n_index, std::uint64_t n_from) const {
    const std::uint64_t n_pos = PositionOf(n_from, n_index);
    if (n_pos > Capacity()) return 0;
    const std::uint8_t c_first = buffer[n_pos];
    if (IsLead(c_first)) return static_cast<std::uint16_t>(c_first | (buffer[n_pos + 1] << 8));
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<std::int8_t>(c_first)));
}

std::vector<std::uint16_t> String::Values() const {
    std::vector<std::uint16_t> values;
    const Bytes text = OwnText();
    for (std::size_t i = 0; i < text.size(); i += IsLead(text[i]) ? 2 : 1)
        values.push_back(IsLead(text[i])
                             ? static_cast<std::uint16_t>(text[i] | text[i + 1] << 8)
                             : static_cast<std::uint16_t>(static_cast<std::int8_t>(text[i])));
    return values;
}

Bytes String::CallerTextAt(std::size_t n_offset) const {
    return CallerText(buffer.data() + current + n_offset);
}

bool String::ListEndsInside(std::size_t n_offset) const {
    std::size_t n_pos = current + n_offset;
    while (n_pos <= Capacity() && buffer[n_pos] != 0) {
        while (buffer[n_pos] != 0)
            ++n_pos;
        ++n_pos;
    }
    return n_pos <= Capacity();
}

Bytes String::ListAt(std::size_t n_offset) const {
    Bytes list;
    std::size_t n_pos = current + n_offset;
    while (n_pos <= Capacity() && buffer[n_pos] != 0) {
        while (buffer[n_pos] != 0)
            list.push_back(buffer[n_pos++]);
        list.push_back(buffer[n_pos++]);
    }
    list.push_back(0); // the buffer's end ends the list
    return list;
}

void String::SetSize(std::size_t n_size) {
    if (n_size >= Room()) Allocate(CapacityFor(n_size));
    Empty();
}

bool String::ReSizeAt(std::size_t n_from, std::size_t n_size) {
    const std::size_t n_room = n_from <= Capacity() ? Capacity() - n_from : 0;
    if (n_from <= Capacity() && n_size <= n_room) return false;
    Bytes grown(n_from + n_size + 512 + 1, 0);
    std::copy(buffer.begin(), buffer.end() - 1, grown.begin());
    buffer.swap(grown);
    return true;
}

void String::Empty() {
    for (std::size_t i = current; i < Capacity(); ++i)
        buffer[i] = 0;
}

void String::WriteRoom(std::size_t n_offset, const Bytes &bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        buffer[current + n_offset + i] = bytes[i];
}

void String::Assign(const String &source) {
    if (&source == this) return; // assigning a string to itself keeps it
    const std::size_t n_room = source.Room();
    const Bytes bytes(source.buffer.begin() + source.current,
                      source.buffer.begin() + source.current + n_room);
    SetSize(n_room);
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + current);
}

void String::AssignText(const Bytes &text) {
    ReSize(text.size());
    std::copy(text.begin(), text.end(), buffer.begin() + current);
    for (std::size_t i = current + text.size(); i < Capacity(); ++i)
        buffer[i] = 0;
}

void String::Append(const Bytes &text) {
    const std::size_t n_size = OwnText().size();
    ReSize(n_size + text.size());
    std::copy(text.begin(), text.end(), buffer.begin() + current + n_size);
    for (std::size_t i = current + n_size + text.size(); i < Capacity(); ++i)
        buffer[i] = 0;
}

String String::Plus(const Bytes &text) const {
    String co_work;
    co_work.AssignText(OwnText()); // the whole current text, as measured inside the buffer
    co_work.Append(text);
    return CopyOf(co_work);
}

bool String::Equals(const String &other) const { return Values() == other.Values(); }

std::uint64_t String::ZeroCharacterFrom(std::uint64_t n_pos) const {
    while (n_pos <= Capacity() && buffer[n_pos] != 0)
        n_pos += IsLead(buffer[n_pos]) ? 2 : 1;
    return n_pos;
}

std::uint64_t String::RoomForWrite(std::uint64_t n_pos, std::uint16_t w_value) const {
    const bool b_wide = IsLead(w_value & 0xFF);
    const bool b_was_wide = IsLead(ByteAt(n_pos));
    std::uint64_t n_end; // one past the last byte that must lie inside the room
    if (b_wide && !b_was_wide)
        n_end =
            ZeroCharacterFrom(n_pos + 1) + 1; // the moved terminator may sit on the reserved byte
    else if (b_wide)
        n_end = n_pos + 2;
    else
        n_end = n_pos + 1;
    return n_end - current;
}

void String::ApplyWrite(std::uint64_t n_pos, std::uint16_t w_value) {
    const std::uint8_t c_low = w_value & 0xFF, c_high = w_value >> 8;
    const bool b_wide = IsLead(c_low);
    const bool b_was_wide = IsLead(ByteAt(n_pos));
    if (b_wide && !b_was_wide) {
        // The rest of the text, up to its terminator, moves one byte on.
        const std::uint64_t n_zero = ZeroCharacterFrom(n_pos + 1);
        for (std::uint64_t i = n_zero + 1; i > n_pos; --i)
            buffer[i] = ByteAt(i - 1);
    } else if (!b_wide && b_was_wide) {
        // The rest of the text, up to its terminator, moves one byte back.
        const std::uint64_t n_zero = ZeroCharacterFrom(n_pos + 2);
        for (std::uint64_t i = n_pos + 2; i <= n_zero; ++i)
            buffer[i - 1] = ByteAt(i);
    }
    buffer[n_pos] = c_low;
    if (b_wide) buffer[n_pos + 1] = c_high;
}

void String::SetChar(std::uint64_t n_index, std::uint16_t w_value) {
    const std::uint64_t n_pos = PositionOf(current, n_index);
    ReSize(RoomForWrite(n_pos, w_value));
    ApplyWrite(n_pos, w_value);
}

void String::ReplaceChar(std::uint16_t w_old, std::uint16_t w_new) {
    // The writes one after the other in a copy with space enough behind it;
    // the string itself then grows once, to the most room any write needed.
    if (w_old == w_new) return; // nothing to change, nothing to grow
    const unsigned n_length = Length();
    String co_work = *this;
    co_work.buffer.resize(buffer.size() + n_length + 4, 0);
    std::uint64_t n_needed = 0;
    std::uint64_t n_pos = current; // the position of character i, after the writes before it
    for (unsigned i = 0; i < n_length; ++i) {
        if (co_work.CharAt(0, n_pos) == w_old) {
            n_needed = std::max(n_needed, co_work.RoomForWrite(n_pos, w_new));
            co_work.ApplyWrite(n_pos, w_new);
        }
        n_pos += IsLead(co_work.buffer[n_pos]) ? 2 : 1;
    }
    ReSize(n_needed);
    for (std::size_t i = 0; i < co_work.buffer.size(); ++i) {
        if (i < Capacity())
            buffer[i] = co_work.buffer[i];
        else if (co_work.buffer[i] != 0)
            std::abort(); // the model itself wrote outside the room it asked for
    }
}

// The single forward pass over the text's character values.
static int SearchValues(const std::vector<std::uint16_t> &text,
                        const std::vector<std::uint16_t> &pattern, int i_start) {
    const unsigned n = text.size(), L = pattern.size();
    if (L == 0 || static_cast<unsigned>(i_start) > n) return -1;
    unsigned p = i_start, c = 0;
    while (p <= n && c < L) {
        const std::uint16_t w_text = p < n ? text[p] : 0;
        c = pattern[c] == w_text ? c + 1 : 0;
        ++p;
    }
    return c == L ? static_cast<int>(p - L) : -1;
}

int String::Search(const std::vector<std::uint16_t> &pattern, int i_start) const {
    return SearchValues(Values(), pattern, i_start);
}

void String::Replace(const String &pattern, const Bytes &replacement) {
    const std::vector<std::uint16_t> pattern_values = pattern.Values();
    const std::vector<std::uint16_t> text_values = Values();
    const unsigned n_length = text_values.size();
    // The byte offset of each character position, the end included.
    std::vector<std::size_t> offsets{current};
    for (unsigned i = 0; i < n_length; ++i)
        offsets.push_back(offsets.back() + (IsLead(buffer[offsets.back()]) ? 2 : 1));
    // The working string grows as appends grow it; its text's size is the
    // sum of the pieces.
    String co_result;
    std::size_t n_size = 0;
    auto append = [&](const Bytes &piece) {
        co_result.ReSize(n_size + piece.size());
        std::copy(piece.begin(), piece.end(), co_result.buffer.begin() + n_size);
        n_size += piece.size();
    };
    auto piece = [&](unsigned n_from, unsigned n_to) {
        return Bytes(buffer.begin() + offsets[n_from], buffer.begin() + offsets[n_to]);
    };
    unsigned b = 0;
    bool b_found = false;
    for (int a = SearchValues(text_values, pattern_values, 0); a >= 0;
         a = SearchValues(text_values, pattern_values, b)) {
        b_found = true;
        append(piece(b, a));
        append(replacement);
        b = a + pattern_values.size();
    }
    if (!b_found) return;
    append(piece(b, n_length));
    Assign(co_result);
}

String String::Mid(int i_start, int i_count) const {
    String co_work;
    std::size_t n_at = 0; // the working string's byte for the next character
    if (i_start >= 0) {
        const std::int64_t n_end = static_cast<std::int64_t>(i_start) + i_count;
        std::uint64_t n_pos = PositionOf(current, i_start);
        for (std::int64_t i = i_start; i < n_end && n_pos <= Capacity(); ++i) {
            const std::size_t n_width = IsLead(buffer[n_pos]) ? 2 : 1;
            co_work.ReSize(n_at + 2);
            for (std::size_t k = 0; k < n_width; ++k)
                co_work.buffer[n_at + k] = buffer[n_pos + k];
            n_at += n_width;
            n_pos += n_width; // behind the buffer's end the copy stops
        }
    }
    co_work.ReSize(n_at + 2); // the terminating zero is written the same way
    return CopyOf(co_work);
}

bool String::NextElement() {
    if (buffer[current] != 0) {
        std::size_t n_zero = current + 1;
        while (buffer[n_zero] != 0)
            ++n_zero;
        current = std::min(n_zero + 1, Capacity()); // never behind the reserved byte
    }
    return buffer[current] != 0;
}

unsigned String::NumberOfElements() {
    ResetArray();
    unsigned n_count = 0;
    while (NextElement())
        ++n_count;
    ResetArray();
    return n_count + (buffer[0] != 0 ? 1 : 0);
}

std::size_t String::ListEnd() const {
    std::size_t n_pos = 0;
    while (n_pos <= Capacity() && buffer[n_pos] != 0) {
        while (buffer[n_pos] != 0)
            ++n_pos;
        ++n_pos; // may be just behind the reserved byte
    }
    return n_pos;
}

void String::PutArray(const Bytes &list) {
    std::vector<Bytes> elements;
    for (std::size_t n_pos = 0; list[n_pos] != 0;) {
        Bytes element;
        while (list[n_pos] != 0)
            element.push_back(list[n_pos++]);
        ++n_pos;
        elements.push_back(element);
    }
    if (!elements.empty() && ListEnd() == Capacity() + 1) {
        // The last element ends on the reserved byte: the end of the list
        // lies behind it, and the buffer grows from there to hold it.
        ReSizeAt(Capacity(), 2);
    }
    for (const Bytes &element : elements) {
        // Appended as a caller's text at the end of the list, then room
        // for its zero byte and the end of the list.
        Bytes with_zero = element;
        with_zero.push_back(0);
        const Bytes text = CallerText(with_zero.data());
        const std::size_t n_end = ListEnd();
        ReSizeAt(n_end, text.size());
        std::copy(text.begin(), text.end(), buffer.begin() + n_end);
        for (std::size_t i = n_end + text.size(); i < Capacity(); ++i)
            buffer[i] = 0;
        ReSizeAt(n_end, OwnTextAt(n_end).size() + 2);
    }
    ResetArray();
}

// An element is added as a list of its own: a zero byte inside its text
// (the second byte of a lead byte) splits it into several elements.
void String::AddElement(const String &element) {
    Bytes list = element.OwnText();
    list.push_back(0);
    list.push_back(0);
    PutArray(list);
}

Bytes String::SetArray(std::size_t n_length) const {
    Bytes array(n_length, 0);
    const std::size_t n_copied = std::min(n_length - 2, Room() + 1);
    std::copy(buffer.begin() + current, buffer.begin() + current + n_copied, array.begin());
    return array;
}

} // namespace model
