// The differential harness of CT_String. The fuzz input is read as a program:
// each operation takes an opcode and its operands from the input and runs on
// three live strings and on their models (string_model.h). After every
// operation everything a caller can see is compared: the result, the room
// (its bytes and the reserved byte behind it), n_GetSize, the text's length
// and size. A difference prints the operations and aborts.
//
// FUZZ_LOG=1 prints each operation as it runs (for replaying a crash file).
#include "string_model.h"

#include <ctcommon.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using model::Bytes;

bool b_log = false;

void Log(const char *pc_format, ...) {
    if (!b_log) return;
    va_list args;
    va_start(args, pc_format);
    std::vfprintf(stderr, pc_format, args);
    va_end(args);
}

std::string Show(const Bytes &bytes) {
    std::string s;
    char ac[8];
    for (std::uint8_t c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            s += static_cast<char>(c);
        } else {
            std::snprintf(ac, sizeof ac, "\\x%02X", c);
            s += ac;
        }
    }
    return s;
}

// A difference between the library and the model.
class Mismatch {};

void Expect(bool b_same, const char *pc_what, const std::string &s_detail = std::string()) {
    if (b_same) return;
    std::fprintf(stderr, "MISMATCH: %s\n%s\n", pc_what, s_detail.c_str());
    throw Mismatch();
}

template <typename T> void ExpectEqual(const T &real, const T &expected, const char *pc_what) {
    if (real == expected) return;
    Expect(false, pc_what,
           "library: " + std::to_string(real) + "\nmodel:   " + std::to_string(expected));
}

void ExpectBytes(const Bytes &real, const Bytes &expected, const char *pc_what) {
    if (real == expected) return;
    std::size_t i = 0;
    while (i < real.size() && i < expected.size() && real[i] == expected[i])
        ++i;
    // The bytes round the first difference.
    auto window = [i](const Bytes &bytes) {
        const std::size_t n_from = i > 32 ? i - 32 : 0;
        const std::size_t n_to = std::min(bytes.size(), i + 32);
        return "[" + std::to_string(n_from) + "] " +
               Show(Bytes(bytes.begin() + std::min(n_from, bytes.size()), bytes.begin() + n_to));
    };
    Expect(false, pc_what,
           "first difference at byte " + std::to_string(i) + " (sizes " +
               std::to_string(real.size()) + " and " + std::to_string(expected.size()) +
               ")\nlibrary: " + window(real) + "\nmodel:   " + window(expected));
}

// The operands, taken from the input; zeros once it is used up.
class Input {
  public:
    Input(const std::uint8_t *pc, std::size_t n) : pc_data(pc), n_size(n) {}
    bool AtEnd() const { return n_at >= n_size; }
    std::uint8_t U8() { return n_at < n_size ? pc_data[n_at++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
    std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }

    // A byte drawn mostly from the interesting ones: lead bytes of both
    // ranges and their edges, sign-extended bytes, the marker and the dot.
    std::uint8_t Char() {
        static const std::uint8_t ac_pick[] = {'a',  'b',  '%',  '.',  0x81, 0x9F, 0xE0, 0xEF,
                                               0x82, 0xA9, 0x80, 0xA0, 0xF0, 'a',  'b',  0x40};
        const std::uint8_t c = U8();
        return c < 0xC0 ? ac_pick[c & 0x0F] : U8();
    }
    // Up to n_max bytes; without zeros when it is a text.
    Bytes Text(std::size_t n_max, bool b_zeros = false) {
        std::size_t n = U8();
        if (n >= 0xF0) n = (n - 0xF0) * 64 + U8(); // now and then a long one
        n %= n_max + 1;
        Bytes bytes;
        for (std::size_t i = 0; i < n; ++i) {
            std::uint8_t c = Char();
            if (c == 0 && !b_zeros) c = 'z';
            bytes.push_back(c);
        }
        return bytes;
    }
    std::uint16_t Value() {
        static const std::uint16_t aw_pick[] = {0x0061, 0x0062, 0x4081, 0xA082, 0x0081, 0x00A9,
                                                0xFFA9, 0x002E, 0x0000, 0x00E0, 0x61EF, 0x0025,
                                                0x009F, 0x4040, 0xFF81, 0x2E9F};
        const std::uint8_t c = U8();
        return c < 0xC0 ? aw_pick[c & 0x0F] : U16();
    }
    std::uint32_t Index() {
        const std::uint8_t c = U8();
        if (c < 0x80) return c % 24;
        if (c < 0xE0) return U16() % 1400;
        return U32();
    }
    int Position() {
        const std::uint8_t c = U8();
        if (c < 0xB0) return c % 24;
        if (c < 0xE0) return U16() % 1400;
        if (c < 0xF0) return -static_cast<int>(U8() % 3) - 1;
        return static_cast<int>(U32());
    }

  private:
    const std::uint8_t *pc_data;
    std::size_t n_size, n_at = 0;
};

// A zero-terminated copy on the heap, of exactly its size: a read behind it
// is reported.
std::unique_ptr<char[]> Terminated(const Bytes &bytes) {
    std::unique_ptr<char[]> pc(new char[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), pc.get());
    pc[bytes.size()] = 0;
    return pc;
}

std::unique_ptr<char[]> Exactly(const Bytes &bytes) {
    std::unique_ptr<char[]> pc(new char[bytes.size() ? bytes.size() : 1]);
    std::copy(bytes.begin(), bytes.end(), pc.get());
    return pc;
}

constexpr int k_slots = 3;
// Strings grow by doubling when appended to themselves; above this the slot
// starts again from a default string, to keep each run short.
constexpr std::size_t k_largest = 4096;

struct Slot {
    std::unique_ptr<CT_String> real;
    model::String model;
};

class Program {
  public:
    Program() {
        for (Slot &slot : slots)
            slot.real.reset(new CT_String());
    }

    void Run(Input &in) {
        for (int n_step = 0; !in.AtEnd() && n_step < 64; ++n_step) {
            // Only the target changes; the others are checked at the end.
            Check(Step(in));
            for (int i = 0; i < k_slots; ++i)
                Log("    s%d: room %zu, text \"%s\"\n", i, slots[i].model.Room(),
                    b_log ? Show(slots[i].model.OwnText()).substr(0, 80).c_str() : "");
            for (Slot &slot : slots) {
                if (slot.model.Capacity() > k_largest) {
                    slot.real.reset(new CT_String());
                    slot.model = model::String();
                }
            }
        }
        for (int i = 0; i < k_slots; ++i)
            Check(i);
    }

  private:
    Slot slots[k_slots];

    void Check(int i) {
        const Slot &slot = slots[i];
        const CT_String &co = *slot.real;
        const std::size_t n_room = slot.model.Room();
        ExpectEqual<std::size_t>(co.n_GetSize(), n_room, "n_GetSize");
        const std::uint8_t *pc = static_cast<const unsigned char *>(co);
        if (!slot.model.SameRoom(pc))
            ExpectBytes(Bytes(pc, pc + n_room + 1), slot.model.Visible(), "room bytes");
        const Bytes text = slot.model.OwnText();
        ExpectEqual<unsigned>(co.n_GetStringSize(), text.size(), "n_GetStringSize");
        ExpectEqual<unsigned>(co.n_GetLength(), model::CharacterCount(text), "n_GetLength");
        ExpectEqual<int>(co.b_IsEmpty(), slot.model.IsEmpty() ? 1 : 0, "b_IsEmpty");
    }

    // A caller's text: from the input, null, or a pointer into the room of
    // one of the strings. A text inside the buffer of the string that takes
    // it (n_owner) is measured as that string measures its own text.
    struct Text {
        std::unique_ptr<char[]> owned;
        const char *pc = nullptr;
        Bytes bytes; // what the model reads there
        std::string s_what;
    };

    Text TakeText(Input &in, int n_owner) {
        Text text;
        const std::uint8_t c_kind = U8Of(in) % 8;
        if (c_kind == 0) {
            text.s_what = "null";
        } else if (c_kind == 1) {
            const int i = in.U8() % k_slots;
            const std::size_t n_offset = in.U16() % (slots[i].model.Room() + 1);
            text.pc = static_cast<const char *>(*slots[i].real) + n_offset;
            text.bytes = i == n_owner ? slots[i].model.OwnTextFrom(n_offset)
                                      : slots[i].model.CallerTextAt(n_offset);
            text.s_what = "s" + std::to_string(i) + "+" + std::to_string(n_offset);
        } else {
            const Bytes bytes = in.Text(c_kind == 2 ? 700 : 24);
            text.owned = Terminated(bytes);
            text.pc = text.owned.get();
            text.bytes = model::CallerText(reinterpret_cast<const std::uint8_t *>(text.pc));
            text.s_what = "\"" + Show(bytes) + "\"";
        }
        return text;
    }
    static std::uint8_t U8Of(Input &in) { return in.U8(); }

    // A pattern: a copy of one of the strings or a new string from a text.
    std::unique_ptr<CT_String> TakePattern(Input &in, model::String &co_model,
                                           std::string &s_what) {
        if (in.U8() & 1) {
            const int i = in.U8() % k_slots;
            co_model = model::String::CopyOf(slots[i].model);
            s_what = "s" + std::to_string(i);
            return std::unique_ptr<CT_String>(new CT_String(*slots[i].real));
        }
        const Bytes bytes = in.Text(6);
        const std::unique_ptr<char[]> pc = Terminated(bytes);
        co_model = model::String::FromText(
            model::CallerText(reinterpret_cast<const std::uint8_t *>(pc.get())));
        s_what = "\"" + Show(bytes) + "\"";
        return std::unique_ptr<CT_String>(new CT_String(pc.get()));
    }

    // Runs one operation; returns the slot it changed.
    int Step(Input &in) {
        const int d = in.U8() % k_slots; // the target
        CT_String &co = *slots[d].real;
        model::String &mo = slots[d].model;
        const std::uint8_t c_op = in.U8() % 30;
        switch (c_op) {
        case 0: { // construction from a text, size 0
            Text text = TakeText(in, -1);
            Log("s%d = CT_String(%s)\n", d, text.s_what.c_str());
            std::unique_ptr<CT_String> co_new(new CT_String(text.pc));
            slots[d].model = text.pc ? model::String::FromText(text.bytes) : model::String();
            slots[d].real = std::move(co_new);
            break;
        }
        case 1: { // construction from an array of a given size
            const Bytes bytes = in.Text(in.U8() & 1 ? 600 : 30, true);
            Log("s%d = CT_String(array \"%s\", %zu)\n", d, Show(bytes).c_str(), bytes.size());
            if (bytes.empty()) break;
            const std::unique_ptr<char[]> pc = Exactly(bytes);
            slots[d].real.reset(new CT_String(pc.get(), static_cast<unsigned>(bytes.size())));
            slots[d].model = model::String::FromArray(bytes);
            break;
        }
        case 2: { // construction without a text
            const unsigned n_size = in.U16();
            Log("s%d = CT_String(null, %u)\n", d, n_size);
            slots[d].real.reset(new CT_String(nullptr, n_size));
            slots[d].model = model::String();
            break;
        }
        case 3: { // copy construction
            const int s = in.U8() % k_slots;
            Log("s%d = CT_String(s%d)\n", d, s);
            std::unique_ptr<CT_String> co_new(new CT_String(*slots[s].real));
            model::String mo_new = model::String::CopyOf(slots[s].model);
            slots[d].real = std::move(co_new);
            slots[d].model = mo_new;
            break;
        }
        case 4: { // assignment from a string, itself included
            const int s = in.U8() % k_slots;
            Log("s%d = s%d\n", d, s);
            co = *slots[s].real;
            mo.Assign(slots[s].model);
            break;
        }
        case 5: { // assignment from a text
            Text text = TakeText(in, d);
            Log("s%d = %s\n", d, text.s_what.c_str());
            co = text.pc;
            mo.AssignText(text.bytes);
            break;
        }
        case 6: { // append
            Text text = TakeText(in, d);
            Log("s%d += %s\n", d, text.s_what.c_str());
            co += text.pc;
            mo.Append(text.bytes);
            break;
        }
        case 7: { // join with a text, into a slot
            const int s = in.U8() % k_slots;
            Text text = TakeText(in, -1);
            Log("s%d = s%d + %s\n", d, s, text.s_what.c_str());
            std::unique_ptr<CT_String> co_new(new CT_String(*slots[s].real + text.pc));
            model::String mo_new = slots[s].model.Plus(text.bytes);
            slots[d].real = std::move(co_new);
            slots[d].model = mo_new;
            break;
        }
        case 8: { // join with a number
            const int s = in.U8() % k_slots;
            const std::uint32_t n = in.U8() & 1 ? in.U32() : in.U8();
            Log("s%d = s%d + %uu\n", d, s, n);
            std::unique_ptr<CT_String> co_new(new CT_String(*slots[s].real + n));
            model::String mo_new = slots[s].model.Plus(model::NumberText(n));
            slots[d].real = std::move(co_new);
            slots[d].model = mo_new;
            break;
        }
        case 9: { // a character write; the buffer grows to the index
            const std::uint32_t n_index = in.Index() % 1400;
            const std::uint16_t w = in.Value();
            Log("s%d.v_SetChar(%u, 0x%04X)\n", d, n_index, w);
            co.v_SetChar(n_index, w);
            mo.SetChar(n_index, w);
            break;
        }
        case 10: { // replacing a character value
            const std::uint16_t w_old = in.Value(), w_new = in.Value();
            Log("s%d.v_ReplaceChar(0x%04X, 0x%04X)\n", d, w_old, w_new);
            co.v_ReplaceChar(w_old, w_new);
            mo.ReplaceChar(w_old, w_new);
            break;
        }
        case 11: { // search
            model::String mo_pattern;
            std::string s_what;
            std::unique_ptr<CT_String> co_pattern = TakePattern(in, mo_pattern, s_what);
            const int i_start = in.Position();
            Log("s%d.i_Search(%s, %d)\n", d, s_what.c_str(), i_start);
            ExpectEqual<int>(co.i_Search(*co_pattern, i_start),
                             mo.Search(mo_pattern.Values(), i_start), "i_Search");
            break;
        }
        case 12: { // replace by a text
            model::String mo_pattern;
            std::string s_what;
            std::unique_ptr<CT_String> co_pattern = TakePattern(in, mo_pattern, s_what);
            Text text = TakeText(in, -1); // made a string of its own first
            Log("s%d.v_Replace(%s, %s)\n", d, s_what.c_str(), text.s_what.c_str());
            const Bytes replacement = text.bytes; // read before the string changes
            co.v_Replace(*co_pattern, text.pc);
            mo.Replace(mo_pattern, replacement);
            break;
        }
        case 13: { // replace by a number
            model::String mo_pattern;
            std::string s_what;
            std::unique_ptr<CT_String> co_pattern = TakePattern(in, mo_pattern, s_what);
            const std::uint32_t n = in.U8() & 1 ? in.U32() : in.U8();
            Log("s%d.v_Replace(%s, %uu)\n", d, s_what.c_str(), n);
            co.v_Replace(*co_pattern, n);
            mo.Replace(mo_pattern, model::NumberText(n));
            break;
        }
        case 14: { // substring, into a slot
            const int s = in.U8() % k_slots;
            const int i_start = in.Position(), i_count = in.Position();
            Log("s%d = s%d.co_GetMid(%d, %d)\n", d, s, i_start, i_count);
            std::unique_ptr<CT_String> co_new(
                new CT_String(slots[s].real->co_GetMid(i_start, i_count)));
            model::String mo_new = slots[s].model.Mid(i_start, i_count);
            slots[d].real = std::move(co_new);
            slots[d].model = mo_new;
            break;
        }
        case 15: { // adding an element
            model::String mo_element;
            std::string s_what;
            std::unique_ptr<CT_String> co_element = TakePattern(in, mo_element, s_what);
            Log("s%d.v_AddElement(%s)\n", d, s_what.c_str());
            co.v_AddElement(*co_element);
            mo.AddElement(mo_element);
            break;
        }
        case 16: { // adding a caller's list
            const std::uint8_t c_kind = in.U8() % 3;
            Bytes list;
            const char *pc = nullptr;
            std::unique_ptr<char[]> owned;
            std::string s_what;
            if (c_kind == 0) {
                const int n_elements = in.U8() % 4;
                for (int i = 0; i < n_elements; ++i) {
                    const Bytes element = in.Text(i == 0 ? 300 : 20);
                    list.insert(list.end(), element.begin(), element.end());
                    list.push_back(0);
                }
                list.push_back(0);
                owned = Exactly(list);
                pc = owned.get();
                s_what = "\"" + Show(list) + "\"";
            } else {
                const int i = c_kind == 1 ? d : in.U8() % k_slots;
                const std::size_t n_offset = in.U16() % (slots[i].model.Room() + 1);
                if (i != d && !slots[i].model.ListEndsInside(n_offset))
                    break; // a caller's array that is not a list: outside the contract
                pc = static_cast<const char *>(*slots[i].real) + n_offset;
                list = slots[i].model.ListAt(n_offset);
                s_what = "s" + std::to_string(i) + "+" + std::to_string(n_offset);
            }
            Log("s%d.v_PutArray(%s)\n", d, s_what.c_str());
            co.v_PutArray(pc);
            mo.PutArray(list);
            break;
        }
        case 17:
            Log("s%d.b_NextElement()\n", d);
            ExpectEqual<int>(co.b_NextElement(), mo.NextElement() ? 1 : 0, "b_NextElement");
            break;
        case 18:
            Log("s%d.v_ResetArray()\n", d);
            co.v_ResetArray();
            mo.ResetArray();
            break;
        case 19:
            Log("s%d.n_GetNumberOfElement()\n", d);
            ExpectEqual<unsigned>(co.n_GetNumberOfElement(), mo.NumberOfElements(),
                                  "n_GetNumberOfElement");
            break;
        case 20: { // into a caller's array
            const std::size_t n_length = 2 + in.U16() % 1200;
            Log("s%d.v_Set(array, %zu)\n", d, n_length);
            std::unique_ptr<char[]> pc(new char[n_length]);
            std::memset(pc.get(), 0x5A, n_length);
            co.v_Set(pc.get(), static_cast<unsigned>(n_length));
            const std::uint8_t *pc_bytes = reinterpret_cast<const std::uint8_t *>(pc.get());
            ExpectBytes(Bytes(pc_bytes, pc_bytes + n_length), mo.SetArray(n_length), "v_Set array");
            break;
        }
        case 21: { // reading a character
            const std::uint32_t n_index = in.Index();
            Log("s%d[%uu]\n", d, n_index);
            ExpectEqual<unsigned>(co[n_index], mo.CharAt(n_index), "operator[]");
            break;
        }
        case 22: { // measuring a caller's text
            const Bytes bytes = in.Text(24);
            const std::unique_ptr<char[]> pc = Terminated(bytes);
            Log("s%d.n_GetLength/n_GetStringSize(\"%s\")\n", d, Show(bytes).c_str());
            const std::uint8_t *pc_text = reinterpret_cast<const std::uint8_t *>(pc.get());
            ExpectEqual<unsigned>(co.n_GetLength(pc.get()), model::CallerLength(pc_text),
                                  "n_GetLength(text)");
            ExpectEqual<unsigned>(co.n_GetStringSize(pc.get()),
                                  static_cast<unsigned>(model::CallerText(pc_text).size()),
                                  "n_GetStringSize(text)");
            break;
        }
        case 23: { // comparison
            const int s = in.U8() % k_slots;
            Log("s%d == s%d\n", d, s);
            ExpectEqual<int>(co == *slots[s].real, mo.Equals(slots[s].model) ? 1 : 0, "operator==");
            break;
        }
        case 24: {
            const unsigned n_size = in.U16() % 9000;
            Log("s%d.v_SetSize(%u)\n", d, n_size);
            co.v_SetSize(n_size);
            mo.SetSize(n_size);
            break;
        }
        case 25: {
            const unsigned n_size = in.U16() % 9000;
            Log("s%d.b_ReSize(%u)\n", d, n_size);
            ExpectEqual<int>(co.b_ReSize(n_size), mo.ReSize(n_size) ? 1 : 0, "b_ReSize");
            break;
        }
        case 26:
            Log("s%d.v_Empty()\n", d);
            co.v_Empty();
            mo.Empty();
            break;
        case 27: { // holding a copy of a caller's array
            const Bytes bytes = in.Text(in.U8() & 1 ? 600 : 30, true);
            const bool b_sized = in.U8() & 1;
            Log("s%d.v_SetPointer(\"%s\", %s)\n", d, Show(bytes).c_str(),
                b_sized ? "its size" : "0");
            const std::unique_ptr<char[]> pc = b_sized ? Exactly(bytes) : Terminated(bytes);
            const std::uint8_t *pc_bytes = reinterpret_cast<const std::uint8_t *>(pc.get());
            if (b_sized && bytes.empty()) break;
            co.v_SetPointer(pc.get(), b_sized ? static_cast<unsigned>(bytes.size()) : 0);
            mo.Assign(b_sized ? model::String::FromArray(bytes)
                              : model::String::FromText(model::CallerText(pc_bytes)));
            break;
        }
        default: { // a caller writes into the room, as the platform does
            const Bytes bytes = in.Text(in.U8() & 1 ? 40 : 600, true);
            const std::size_t n_room = mo.Room();
            if (bytes.size() > n_room) break;
            const std::size_t n_offset = in.U8() & 1 ? n_room - bytes.size() // up to its end
                                                     : in.U16() % (n_room - bytes.size() + 1);
            Log("s%d: caller writes \"%s\" at %zu\n", d, Show(bytes).c_str(), n_offset);
            std::copy(bytes.begin(), bytes.end(), static_cast<char *>(co) + n_offset);
            mo.WriteRoom(n_offset, bytes);
            break;
        }
        }
        return d;
    }
};

void RunProgram(const std::uint8_t *pc_data, std::size_t n_size) {
    Input in(pc_data, n_size);
    Program program;
    program.Run(in);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    const char *pc = std::getenv("FUZZ_LOG");
    b_log = pc && *pc == '1';
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *pc_data, std::size_t n_size) {
    try {
        RunProgram(pc_data, n_size);
    } catch (Mismatch &) {
        if (!b_log) {
            // Run it again, printing each operation up to the difference.
            b_log = true;
            std::fprintf(stderr, "--- the operations:\n");
            try {
                RunProgram(pc_data, n_size);
            } catch (Mismatch &) {
            }
        }
        std::abort();
    }
    return 0;
}
