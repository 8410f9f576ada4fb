// CT_Files: writing bytes and lines, reading bytes, and reading up to a
// delimiter.
//
// Every read goes through one buffer, the rewrite's read-ahead, shared by
// the object and its copies as their position is. A read delivers what a
// reading of one byte at a time would deliver and leaves the reading
// position where that reading would: the buffer only saves system calls. A
// short line costs no system call once its bytes are in the buffer; a line
// longer than the buffer grows it, and it shrinks again once what it holds
// fits its usual size. Nothing remembers the end of the file: a read that
// finds no byte left asks the system again next time, so bytes that the
// object's own writes add are read. The end of a pipe is where its writer
// closed it. A read that fails delivers nothing and keeps every byte for
// the next call.
#include "ctcommon.h"
#include "files/rewrite.h"
#include "frame/module.h"
#include "string/rules.h"

#include <cstdint>
#include <cstring>
#include <new>

using ct_files::ReadAhead;
using ct_files::Rewrite;

namespace {

// The buffer's usual size, and the most that one system call reads.
const std::size_t n_block = 64 * 1024;
const std::size_t n_largest_read = 1u << 30;
// A buffer grown beyond this for a long line goes back to the usual size
// at its first refill once what it holds fits there: the line has been
// delivered. Up to this size it is kept, and lines of a few hundred KiB in
// a row do not grow it afresh each.
const std::size_t n_largest_kept_room = 16 * n_block;

enum et_More { e_More, e_AtEnd, e_Failed };

// The reading state of one call: the object's rewrite, its live file and
// the name that its errors carry.
class Reader {
  public:
    Reader(HANDLE ho_member, const CT_String &co_name)
        : po_rewrite(ct_files::po_Rewrite(ho_member)), ho_live(ct_files::ho_LiveFile(ho_member)),
          pco_name(&co_name) {}

    // Raises 19 without an open file to read.
    void v_RequireFile() const {
        if (ho_live == INVALID_HANDLE_VALUE) v_Fail();
    }
    [[noreturn]] void v_Fail() const { CT_Errors::v_ThrowError(e_FileReadFailed, *pco_name); }

    ReadAhead &o_Ahead() const { return po_rewrite->o_ahead; }
    // One system read of up to n_count bytes (at most n_largest_read), into
    // the caller's buffer or behind the bytes held. A pipe whose writer has
    // closed its end is at its end: Windows fails that read with
    // ERROR_BROKEN_PIPE where Linux reads 0 bytes, and both read 0 here.
    bool b_ReadInto(char *pc_buffer, std::size_t n_count, std::size_t *pn_read) const {
        if (n_count > n_largest_read) n_count = n_largest_read;
        DWORD n_read = 0;
        if (!ReadFile(ho_live, pc_buffer, static_cast<DWORD>(n_count), &n_read, nullptr)) {
            if (GetLastError() != ERROR_BROKEN_PIPE) return false;
            n_read = 0;
        }
        *pn_read = n_read;
        return true;
    }
    const char *pc_Held() const { return o_Ahead().pc_bytes.get() + o_Ahead().n_begin; }
    void v_Consume(std::size_t n) { o_Ahead().n_begin += n; }
    void v_ConsumeAll() { o_Ahead().n_begin = o_Ahead().n_end = 0; }
    bool b_CanMoveBack() const { return po_rewrite->b_can_move_back; }

    // Reads once more from the file, behind the bytes held, which stay: room
    // for at least n_wanted more is made first (the held bytes moved to the
    // front, the buffer grown when they fill it, a grown one made small
    // again once they fit). Raises 19, keeping every byte, when the room
    // cannot be had.
    et_More eo_ReadMore(std::size_t n_wanted) {
        v_MakeRoom(n_wanted);
        ReadAhead &o_ahead = o_Ahead();
        std::size_t n_read = 0;
        if (!b_ReadInto(o_ahead.pc_bytes.get() + o_ahead.n_end, o_ahead.n_room - o_ahead.n_end,
                        &n_read))
            return e_Failed;
        if (n_read == 0) return e_AtEnd;
        o_ahead.n_end += n_read;
        return e_More;
    }

  private:
    void v_MakeRoom(std::size_t n_wanted) {
        ReadAhead &o_ahead = o_Ahead();
        const std::size_t n_held = o_ahead.n_Held();
        // A quarter of a block at least, so that a long line is not read in
        // crumbs; the buffer doubles as it grows.
        const std::size_t n_free_wanted = n_wanted > n_block / 4 ? n_wanted : n_block / 4;
        // Back to the usual size when what is held fits it again; should
        // that small buffer not be had, the large one serves on.
        if (o_ahead.n_room > n_largest_kept_room && n_held <= n_block &&
            n_free_wanted <= n_block - n_held && b_MoveHeldTo(n_block))
            return;
        if (o_ahead.n_room - n_held >= n_free_wanted) {
            if (o_ahead.n_begin != 0) {
                std::memmove(o_ahead.pc_bytes.get(), pc_Held(), n_held);
                o_ahead.n_begin = 0;
                o_ahead.n_end = n_held;
            }
            return;
        }
        const std::size_t n_most = static_cast<std::size_t>(-1) / 4;
        if (n_free_wanted > n_most - n_held) v_Fail();
        std::size_t n_room = o_ahead.n_room < n_block   ? n_block
                             : o_ahead.n_room <= n_most ? 2 * o_ahead.n_room
                                                        : o_ahead.n_room;
        if (n_room < n_held + n_free_wanted) n_room = n_held + n_free_wanted;
        if (!b_MoveHeldTo(n_room)) v_Fail();
    }

    // Moves the held bytes to the front of a new buffer of n_room bytes;
    // false, the buffer unchanged, when that cannot be had.
    bool b_MoveHeldTo(std::size_t n_room) {
        ReadAhead &o_ahead = o_Ahead();
        char *pc_new = new (std::nothrow) char[n_room + 2];
        if (!pc_new) return false;
        const std::size_t n_held = o_ahead.n_Held();
        if (n_held) std::memcpy(pc_new, pc_Held(), n_held);
        o_ahead.pc_bytes.reset(pc_new);
        o_ahead.n_room = n_room;
        o_ahead.n_begin = 0;
        o_ahead.n_end = n_held;
#if defined(CTCOMMON_TEST_HOOKS)
        ct_hooks::v_NoteReadRoom(n_room);
#endif
        return true;
    }

    Rewrite *po_rewrite;
    HANDLE ho_live;
    const CT_String *pco_name;
};

// The single forward pass over the file, as one byte at a time would make
// it: a byte equal to byte i of the delimiter advances i, any other byte
// sends i back to 0 and is not tried again as a first byte. Only a partial
// match carries from one buffer's worth to the next, so whatever lies
// before it can never be part of the delimiter.
class DelimiterSearch {
  public:
    DelimiterSearch(Reader &o_reader, const char *pc_delimiter, std::size_t n_delimiter)
        : o_in(o_reader), pc_wanted(pc_delimiter), n_wanted(n_delimiter) {}

    // Finds the delimiter with every byte before it kept in the buffer;
    // returns the bytes from the reading position up to and including it,
    // and moves nothing. At the end of the file without it: with
    // b_tail_too the bytes up to the end (0 when none was left), else 19
    // with the position at the end. A failed read raises 19 and moves
    // nothing.
    std::size_t n_FindKept(bool b_tail_too) {
        o_in.v_RequireFile();
        for (;;) {
            if (b_ScanHeld()) return n_scanned;
            const et_More eo_more = o_in.eo_ReadMore(n_wanted);
            if (eo_more == e_Failed) o_in.v_Fail();
            if (eo_more == e_AtEnd) {
                if (b_tail_too) return n_scanned;
                o_in.v_ConsumeAll();
                o_in.v_Fail();
            }
        }
    }

    // Moves past the delimiter, keeping only the bytes of a partial match
    // between reads. At the end of the file without it raises 19 with the
    // position at the end; a failed read raises 19 with the position at
    // the start of the partial match, from where another search ends where
    // this one would have.
    void v_MovePast() {
        o_in.v_RequireFile();
        for (;;) {
            if (b_ScanHeld()) {
                o_in.v_Consume(n_scanned);
                return;
            }
            o_in.v_Consume(n_scanned - n_matched);
            n_scanned = n_matched;
            const et_More eo_more = o_in.eo_ReadMore(n_wanted);
            if (eo_more == e_Failed) o_in.v_Fail();
            if (eo_more == e_AtEnd) {
                o_in.v_ConsumeAll();
                o_in.v_Fail();
            }
        }
    }

    bool b_Found() const { return n_wanted != 0 && n_matched == n_wanted; }

  private:
    // Scans the held bytes not scanned yet; true once the delimiter ends
    // n_scanned bytes from the reading position.
    bool b_ScanHeld() {
        const char *pc_held = o_in.pc_Held();
        const std::size_t n_held = o_in.o_Ahead().n_Held();
        if (n_wanted == 0) {
            n_scanned = n_held;
            return false;
        }
        while (n_scanned < n_held) {
            if (n_matched == 0) { // straight to the next possible first byte
                const char *pc_first =
                    ct_string::pc_FindByte(pc_held + n_scanned, pc_held + n_held, pc_wanted[0]);
                if (!pc_first) {
                    n_scanned = n_held;
                    return false;
                }
                n_scanned = static_cast<std::size_t>(pc_first - pc_held);
                n_matched = 1;
            } else {
                n_matched = pc_held[n_scanned] == pc_wanted[n_matched] ? n_matched + 1 : 0;
            }
            ++n_scanned;
            if (n_matched == n_wanted) return true;
        }
        return false;
    }

    Reader &o_in;
    const char *pc_wanted;
    std::size_t n_wanted;
    std::size_t n_scanned = 0; // from the reading position
    std::size_t n_matched = 0;
};

// Sets the target to the first n_text held bytes, as a count, a read of
// that many bytes and a skip of the delimiter would set it: sized for the
// count, then assigned a string made of the text up to its first NUL, which
// is sized for that text. The text is measured with two NUL bytes behind
// it, which borrow the buffer's bytes there for the moment. A text too
// large for a string is not taken: 19 is raised and nothing moves.
void v_TakeText(Reader &o_in, std::size_t n_text, CT_String &co_target) {
    char ac_empty[2] = {0, 0};
    char *pc_text = n_text ? const_cast<char *>(o_in.pc_Held()) : ac_empty;
    const char ac_behind[2] = {pc_text[n_text], pc_text[n_text + 1]};
    pc_text[n_text] = pc_text[n_text + 1] = 0;
    bool b_taken = false;
    try {
        if (n_text > 0xFFFFFFFFu - 512) throw std::bad_alloc();
        co_target.v_SetSize(static_cast<unsigned>(n_text));
        const unsigned n_size = co_target.n_GetStringSize(pc_text);
        // That string's room. Where the room is large enough already, the
        // second sizing would only empty the emptied string again.
        const unsigned n_room = ct_string::n_CapacityFor(n_size);
        if (n_room >= co_target.n_GetSize()) co_target.v_SetSize(n_room);
        std::memcpy(static_cast<char *>(co_target), pc_text, n_size);
        b_taken = true;
    } catch (const std::bad_alloc &) {
    }
    pc_text[n_text] = ac_behind[0];
    pc_text[n_text + 1] = ac_behind[1];
    if (!b_taken) o_in.v_Fail();
}

// Up to n_count bytes into the caller's buffer, as one system read of that
// many would deliver them: on a disk file as many as the file has, up to
// n_count; on a pipe or a device what is there. Raises 19, delivering
// nothing, when a read fails.
std::size_t n_ReadBytes(Reader &o_in, char *pc_buffer, std::size_t n_count) {
    o_in.v_RequireFile();
    const std::size_t n_held = o_in.o_Ahead().n_Held();
    if (n_held >= n_count || (n_held != 0 && !o_in.b_CanMoveBack())) {
        const std::size_t n_taken = n_held < n_count ? n_held : n_count;
        std::memcpy(pc_buffer, o_in.pc_Held(), n_taken);
        o_in.v_Consume(n_taken);
        return n_taken;
    }
    // The held bytes, then one read for the rest: straight into the
    // caller's buffer when that is large, else through the buffer, which
    // keeps what follows. The held bytes count as read only once the read
    // has succeeded.
    if (n_held) std::memcpy(pc_buffer, o_in.pc_Held(), n_held);
    const std::size_t n_rest = n_count - n_held;
    std::size_t n_got = 0;
    if (n_rest >= n_block) {
        if (!o_in.b_ReadInto(pc_buffer + n_held, n_rest, &n_got)) o_in.v_Fail();
        o_in.v_ConsumeAll();
        return n_held + n_got;
    }
    const et_More eo_more = o_in.eo_ReadMore(n_rest);
    if (eo_more == e_Failed) o_in.v_Fail();
    if (eo_more == e_More) {
        // eo_ReadMore moved the held bytes to the front: the new ones follow.
        const std::size_t n_new = o_in.o_Ahead().n_Held() - n_held;
        n_got = n_new < n_rest ? n_new : n_rest;
        std::memcpy(pc_buffer + n_held, o_in.pc_Held() + n_held, n_got);
    }
    o_in.v_Consume(n_held + n_got);
    return n_held + n_got;
}

} // namespace

void CT_Files::v_Write(const char *pc_bytes, unsigned n_count) {
    const HANDLE ho_live = ct_files::ho_LiveFile(ho_file);
    DWORD n_written = 0;
    // The bytes read ahead are given back first: the write lands at the
    // reading position.
    if (ho_live == INVALID_HANDLE_VALUE ||
        !ct_files::b_SettleForWrite(*ct_files::po_Rewrite(ho_file)) ||
        !WriteFile(ho_live, pc_bytes, n_count, &n_written, nullptr))
        CT_Errors::v_ThrowError(e_FileWriteFailed, co_filename);
}

void CT_Files::v_Write(CT_String co_text) { v_Write(co_text, co_text.n_GetStringSize()); }

void CT_Files::v_Writeln(CT_String co_text) {
    v_Write(co_text + static_cast<const char *>(co_lineend)); // one write, line end included
}

void CT_Files::v_Read(char *pc_buffer, unsigned n_count) {
    if (n_count == 0) return;
    Reader o_in(ho_file, co_filename);
    if (n_ReadBytes(o_in, pc_buffer, n_count) == 0) o_in.v_Fail();
}

unsigned CT_Files::n_Read(char *pc_buffer, unsigned n_count) {
    if (n_count == 0) return 0;
    Reader o_in(ho_file, co_filename);
    return static_cast<unsigned>(n_ReadBytes(o_in, pc_buffer, n_count));
}

char CT_Files::c_ReadChar() {
    char c_byte = 0;
    v_Read(&c_byte, 1);
    return c_byte;
}

void CT_Files::v_MoveUntil(CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    if (n_delimiter == 0) return;
    Reader o_in(ho_file, co_filename);
    DelimiterSearch(o_in, co_delimiter, n_delimiter).v_MovePast();
}

unsigned CT_Files::n_CountUntil(CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    if (n_delimiter == 0) return 0;
    Reader o_in(ho_file, co_filename);
    const std::size_t n_through =
        DelimiterSearch(o_in, co_delimiter, n_delimiter).n_FindKept(false);
    return static_cast<unsigned>(n_through - n_delimiter);
}

void CT_Files::v_ReadUntil(CT_String &co_target, CT_String co_delimiter) {
    // Found and kept in one pass, then taken and passed.
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    Reader o_in(ho_file, co_filename);
    // An empty delimiter gives an empty text and reads nothing.
    const std::size_t n_through =
        n_delimiter ? DelimiterSearch(o_in, co_delimiter, n_delimiter).n_FindKept(false) : 0;
    v_TakeText(o_in, n_through - n_delimiter, co_target);
    if (n_through) o_in.v_Consume(n_through);
}

int CT_Files::b_ReadLine(CT_String &co_line, CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    Reader o_in(ho_file, co_filename);
    // (An empty delimiter ends nothing: the rest of the file is the line.)
    DelimiterSearch o_search(o_in, co_delimiter, n_delimiter);
    const std::size_t n_through = o_search.n_FindKept(true);
    if (n_through == 0) return 0; // nothing left: the target stays as it was
    v_TakeText(o_in, n_through - (o_search.b_Found() ? n_delimiter : 0), co_line);
    o_in.v_Consume(n_through);
    return 1;
}
