// CT_Files: writing bytes and lines, reading bytes, and reading up to a
// delimiter.
//
// The class keeps no buffer: the system's file position is the only
// reading state, and after every operation it is exactly where a reading
// of one byte at a time would leave it, so raw reads and delimiter
// operations mix freely. On a disk file the delimiter operations read
// blocks and then move the position back over what they read beyond the
// delimiter: one read and one move for a line that fits the first block.
// A pipe or a device cannot move back, so there they read one byte at a
// time and never beyond the delimiter.
#include "ctcommon.h"
#include "files/rewrite.h"
#include "frame/module.h"
#include "string/rules.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const std::size_t n_first_block = 1024;
const std::size_t n_largest_block = 256 * 1024;

enum et_EndAt { e_PastDelimiter, e_Start };

// The single forward pass over the file, as one byte at a time would make
// it: a byte equal to byte i of the delimiter advances i, any other byte
// sends i back to 0 and is not tried again as a first byte. Blocks grow
// from 1 KiB where the file can move back, and stay one byte where it
// cannot; a text to keep is read straight into its store, which starts
// inside the object, so that a line that fits the first block costs no
// allocation.
class DelimiterSearch {
  public:
    DelimiterSearch(HANDLE ho_member, const CT_String &co_name, const char *pc_delimiter,
                    std::size_t n_delimiter)
        : ho_handle(ct_files::ho_LiveFile(ho_member)),
          b_can_move_back(ct_files::b_CanMoveBack(ho_member)), pco_name(&co_name),
          pc_wanted(pc_delimiter), n_wanted(n_delimiter) {}

    // Reads up to and including the delimiter and leaves the position past
    // it or back at the start; returns the bytes up to and including it.
    // With b_keep, the text before it is kept (pc_Text). The end of the
    // file or a failed read raises 19 with the position where the reads
    // stopped; so does a text too large to keep, with the position back at
    // the start.
    // With b_tail_too, the end of the file ends the text as a delimiter
    // would (nothing is raised) and the position stays there: 0 when
    // nothing was left to read.
    std::uint64_t n_Find(bool b_keep, et_EndAt eo_end, bool b_tail_too = false) {
        // Coming back to the start needs a file that can move back: on any
        // other, nothing is read, so nothing is lost. Without an open file
        // there is nothing to read.
        if (ho_handle == INVALID_HANDLE_VALUE || (eo_end == e_Start && !b_can_move_back))
            CT_Errors::v_ThrowError(e_FileReadFailed, *pco_name);
        std::size_t n_block = b_can_move_back ? n_first_block : 1;
        std::uint64_t n_read_in_all = 0;
        std::size_t n_matched = 0;
        for (;;) {
            char *pc_block = b_keep ? pc_StoreRoom(n_read_in_all, n_block) : pc_Scratch(n_block);
            DWORD n_read = 0;
            if (!ReadFile(ho_handle, pc_block, static_cast<DWORD>(n_block), &n_read, nullptr))
                CT_Errors::v_ThrowError(e_FileReadFailed, *pco_name);
            if (n_read == 0) {
                if (!b_tail_too) CT_Errors::v_ThrowError(e_FileReadFailed, *pco_name);
                n_text = static_cast<std::size_t>(n_read_in_all); // the tail, up to the end
                return n_read_in_all;
            }
            const std::size_t n_used = n_Match(pc_block, n_read, &n_matched);
            n_read_in_all += n_read;
            if (n_wanted != 0 && n_matched == n_wanted) {
                const std::size_t n_beyond = n_read - n_used;
                v_MoveBack(eo_end == e_Start ? n_read_in_all : n_beyond);
                n_text = static_cast<std::size_t>(n_read_in_all - n_beyond) - n_wanted;
                return n_read_in_all - n_beyond;
            }
            if (b_can_move_back && n_block < n_largest_block) n_block *= 4;
        }
    }

    // The kept text, with two NUL bytes behind it.
    const char *pc_Text() {
        pc_store[n_text] = pc_store[n_text + 1] = 0;
        return pc_store;
    }
    std::size_t n_TextSize() const { return n_text; }

    // Moves the position back; a move that fails has lost the bytes read
    // beyond it, and says so.
    void v_MoveBack(std::uint64_t n_bytes) {
        if (n_bytes == 0) return;
        if (!b_can_move_back || SetFilePointer(ho_handle, -static_cast<LONG>(n_bytes), nullptr,
                                               FILE_CURRENT) == INVALID_SET_FILE_POINTER)
            CT_Errors::v_ThrowError(e_FileReadFailed, *pco_name);
    }

  private:
    // Matches the bytes of a block; returns how many it used, all of them
    // unless the delimiter ended inside.
    std::size_t n_Match(const char *pc_block, std::size_t n_read, std::size_t *pn_matched) const {
        std::size_t n_at = 0;
        while (n_at < n_read && *pn_matched < n_wanted) {
            if (*pn_matched == 0) { // straight to the next possible first byte
                const char *pc_first =
                    ct_string::pc_FindByte(pc_block + n_at, pc_block + n_read, pc_wanted[0]);
                if (!pc_first) return n_read;
                n_at = static_cast<std::size_t>(pc_first - pc_block);
                *pn_matched = 1;
            } else {
                *pn_matched = pc_block[n_at] == pc_wanted[*pn_matched] ? *pn_matched + 1 : 0;
            }
            ++n_at;
        }
        return n_at;
    }

    // Room in the store for a block behind the n_kept bytes read so far,
    // and for the two NUL bytes that end the text.
    char *pc_StoreRoom(std::uint64_t n_kept, std::size_t n_block) {
        const std::uint64_t n_needed = n_kept + n_block + 2;
        if (n_needed > n_store) {
            try {
                if (n_needed > static_cast<std::size_t>(-1) / 2) throw std::bad_alloc();
                const std::size_t n_new = static_cast<std::size_t>(n_needed) * 2;
                char *pc_new = new char[n_new];
                std::memcpy(pc_new, pc_store, static_cast<std::size_t>(n_kept));
                o_heap_store.reset(pc_new);
                pc_store = pc_new;
                n_store = n_new;
            } catch (const std::bad_alloc &) {
                v_MoveBack(n_kept);
                CT_Errors::v_ThrowError(e_FileReadFailed, *pco_name);
            }
        }
        return pc_store + n_kept;
    }

    char *pc_Scratch(std::size_t n_block) {
        if (n_block <= sizeof ac_first) return ac_first;
        ac_scratch.resize(n_block);
        return ac_scratch.data();
    }

    HANDLE ho_handle;
    bool b_can_move_back;
    const CT_String *pco_name;
    const char *pc_wanted;
    std::size_t n_wanted;
    std::size_t n_text = 0;
    char ac_first[n_first_block + 2];
    char *pc_store = ac_first;
    std::size_t n_store = sizeof ac_first;
    std::unique_ptr<char[]> o_heap_store;
    std::vector<char> ac_scratch;
};

} // namespace

void CT_Files::v_Write(const char *pc_bytes, unsigned n_count) {
    const HANDLE ho_live = ct_files::ho_LiveFile(ho_file);
    DWORD n_written = 0;
    if (ho_live == INVALID_HANDLE_VALUE ||
        !WriteFile(ho_live, pc_bytes, n_count, &n_written, nullptr))
        CT_Errors::v_ThrowError(e_FileWriteFailed, co_filename);
}

void CT_Files::v_Write(CT_String co_text) { v_Write(co_text, co_text.n_GetStringSize()); }

void CT_Files::v_Writeln(CT_String co_text) {
    v_Write(co_text + static_cast<const char *>(co_lineend)); // one write, line end included
}

void CT_Files::v_Read(char *pc_buffer, unsigned n_count) {
    if (n_count == 0) return;
    const HANDLE ho_live = ct_files::ho_LiveFile(ho_file);
    DWORD n_read = 0;
    if (ho_live == INVALID_HANDLE_VALUE ||
        !ReadFile(ho_live, pc_buffer, n_count, &n_read, nullptr) || n_read == 0)
        CT_Errors::v_ThrowError(e_FileReadFailed, co_filename);
}

char CT_Files::c_ReadChar() {
    char c_byte = 0;
    v_Read(&c_byte, 1);
    return c_byte;
}

void CT_Files::v_MoveUntil(CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    if (n_delimiter == 0) return;
    DelimiterSearch(ho_file, co_filename, co_delimiter, n_delimiter).n_Find(false, e_PastDelimiter);
}

unsigned CT_Files::n_CountUntil(CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    if (n_delimiter == 0) return 0;
    const std::uint64_t n_through =
        DelimiterSearch(ho_file, co_filename, co_delimiter, n_delimiter).n_Find(false, e_Start);
    return static_cast<unsigned>(n_through - n_delimiter);
}

namespace {

// Sets the target to the text that the search kept, as a count, a read of
// that many bytes and a skip of the delimiter would set it: sized for the
// count, then assigned a string made of the text up to its first NUL, which
// is sized for that text. A text too large for a string is not taken: the
// position goes back over it (and the n_skipped bytes behind it) and 19 is
// raised.
void v_TakeText(DelimiterSearch &o_search, std::size_t n_skipped, CT_String &co_target,
                const CT_String &co_filename) {
    try {
        if (o_search.n_TextSize() > 0xFFFFFFFFu - 512) throw std::bad_alloc();
        const char *pc_text = o_search.pc_Text();
        co_target.v_SetSize(static_cast<unsigned>(o_search.n_TextSize()));
        const unsigned n_size = co_target.n_GetStringSize(pc_text);
        co_target.v_SetSize(ct_string::n_CapacityFor(n_size)); // that string's room
        std::memcpy(static_cast<char *>(co_target), pc_text, n_size);
    } catch (const std::bad_alloc &) {
        o_search.v_MoveBack(o_search.n_TextSize() + n_skipped);
        CT_Errors::v_ThrowError(e_FileReadFailed, co_filename);
    }
}

} // namespace

void CT_Files::v_ReadUntil(CT_String &co_target, CT_String co_delimiter) {
    // Found, kept and positioned in one pass.
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    DelimiterSearch o_search(ho_file, co_filename, co_delimiter, n_delimiter);
    if (n_delimiter != 0) o_search.n_Find(true, e_PastDelimiter);
    v_TakeText(o_search, n_delimiter, co_target, co_filename);
}

int CT_Files::b_ReadLine(CT_String &co_line, CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    DelimiterSearch o_search(ho_file, co_filename, co_delimiter, n_delimiter);
    // (An empty delimiter ends nothing: the rest of the file is the line.)
    const std::uint64_t n_through = o_search.n_Find(true, e_PastDelimiter, true);
    if (n_through == 0) return 0; // nothing left: the target stays as it was
    const bool b_delimited = o_search.n_TextSize() != n_through;
    v_TakeText(o_search, b_delimited ? n_delimiter : 0, co_line, co_filename);
    return 1;
}

unsigned CT_Files::n_Read(char *pc_buffer, unsigned n_count) {
    if (n_count == 0) return 0;
    const HANDLE ho_live = ct_files::ho_LiveFile(ho_file);
    DWORD n_read = 0;
    if (ho_live == INVALID_HANDLE_VALUE || !ReadFile(ho_live, pc_buffer, n_count, &n_read, nullptr))
        CT_Errors::v_ThrowError(e_FileReadFailed, co_filename);
    return n_read;
}
