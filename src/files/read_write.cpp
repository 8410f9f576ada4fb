// CT_Files: writing bytes and lines, reading bytes, and reading up to a
// delimiter.
//
// The class keeps no buffer: the system's file position is the only
// reading state, and after every operation it is exactly where a reading
// of one byte at a time would leave it, so raw reads and delimiter
// operations mix freely. The delimiter operations read blocks and then
// move the position back over what they read beyond the delimiter: one
// read and one move for a line that fits the first block.
#include "ctcommon.h"
#include "frame/module.h"
#include "platform/platform.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

const std::size_t n_first_block = 1024;
const std::size_t n_largest_block = 256 * 1024;

enum et_EndAt { e_PastDelimiter, e_Start };

// The single forward pass over the file, as one byte at a time would make
// it: a byte equal to byte i of the delimiter advances i, any other byte
// sends i back to 0 and is not tried again as a first byte. Returns the
// bytes up to and including the delimiter, keeps the bytes before it in
// ps_kept when given, and leaves the position past the delimiter or back
// at the start. The end of the file or a failed read raises 19 with the
// position where the reads stopped; so does a text too large to keep, with
// the position back at the start.
std::uint64_t n_ScanToDelimiter(HANDLE ho_file, const CT_String &co_name, const char *pc_delimiter,
                                std::size_t n_delimiter, std::string *ps_kept, et_EndAt eo_end) {
    std::vector<char> ac_block(n_first_block);
    std::uint64_t n_read_in_all = 0;
    std::size_t n_matched = 0;
    for (;;) {
        DWORD n_read = 0;
        if (!ReadFile(ho_file, ac_block.data(), static_cast<DWORD>(ac_block.size()), &n_read,
                      nullptr) ||
            n_read == 0)
            CT_Errors::v_ThrowError(e_FileReadFailed, co_name);
        const char *pc_block = ac_block.data();
        std::size_t n_at = 0;
        while (n_at < n_read && n_matched < n_delimiter) {
            if (n_matched == 0) { // skip straight to the next possible first byte
                const void *pv_first = std::memchr(pc_block + n_at, pc_delimiter[0], n_read - n_at);
                if (!pv_first) {
                    n_at = n_read;
                    break;
                }
                n_at = static_cast<std::size_t>(static_cast<const char *>(pv_first) - pc_block);
                n_matched = 1;
            } else {
                n_matched = pc_block[n_at] == pc_delimiter[n_matched] ? n_matched + 1 : 0;
            }
            ++n_at;
        }
        if (ps_kept) {
            try {
                ps_kept->append(pc_block, n_at);
            } catch (const std::bad_alloc &) {
                SetFilePointer(ho_file, -static_cast<LONG>(n_read_in_all + n_read), nullptr,
                               FILE_CURRENT);
                CT_Errors::v_ThrowError(e_FileReadFailed, co_name);
            }
        }
        n_read_in_all += n_read;
        if (n_matched == n_delimiter) {
            const std::uint64_t n_through = n_read_in_all - (n_read - n_at);
            const std::uint64_t n_back = eo_end == e_Start ? n_read_in_all : n_read - n_at;
            if (n_back) SetFilePointer(ho_file, -static_cast<LONG>(n_back), nullptr, FILE_CURRENT);
            if (ps_kept) ps_kept->resize(ps_kept->size() - n_delimiter);
            return n_through;
        }
        if (ac_block.size() < n_largest_block) ac_block.resize(ac_block.size() * 2);
    }
}

} // namespace

void CT_Files::v_Write(const char *pc_bytes, unsigned n_count) {
    DWORD n_written = 0;
    if (!WriteFile(ho_file, pc_bytes, n_count, &n_written, nullptr))
        CT_Errors::v_ThrowError(e_FileWriteFailed, co_filename);
}

void CT_Files::v_Write(CT_String co_text) { v_Write(co_text, co_text.n_GetStringSize()); }

void CT_Files::v_Writeln(CT_String co_text) {
    v_Write(co_text + static_cast<const char *>(co_lineend)); // one write, line end included
}

void CT_Files::v_Read(char *pc_buffer, unsigned n_count) {
    if (n_count == 0) return;
    DWORD n_read = 0;
    if (!ReadFile(ho_file, pc_buffer, n_count, &n_read, nullptr) || n_read == 0)
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
    n_ScanToDelimiter(ho_file, co_filename, co_delimiter, n_delimiter, nullptr, e_PastDelimiter);
}

unsigned CT_Files::n_CountUntil(CT_String co_delimiter) {
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    if (n_delimiter == 0) return 0;
    const std::uint64_t n_through =
        n_ScanToDelimiter(ho_file, co_filename, co_delimiter, n_delimiter, nullptr, e_Start);
    return static_cast<unsigned>(n_through - n_delimiter);
}

void CT_Files::v_ReadUntil(CT_String &co_target, CT_String co_delimiter) {
    // Found, kept and positioned in one pass; the target is then set as a
    // count, a read of that many bytes and a skip of the delimiter would
    // set it: sized for the text, then given the text up to its first NUL.
    std::string s_text;
    const std::size_t n_delimiter = co_delimiter.n_GetStringSize();
    if (n_delimiter != 0)
        n_ScanToDelimiter(ho_file, co_filename, co_delimiter, n_delimiter, &s_text,
                          e_PastDelimiter);
    const std::size_t n_consumed = s_text.size() + n_delimiter;
    try {
        if (s_text.size() > 0xFFFFFFFFu - 2) throw std::bad_alloc();
        co_target.v_SetSize(static_cast<unsigned>(s_text.size()));
        s_text.append(2, '\0');
        co_target = CT_String(s_text.data());
    } catch (const std::bad_alloc &) {
        SetFilePointer(ho_file, -static_cast<LONG>(n_consumed), nullptr, FILE_CURRENT);
        CT_Errors::v_ThrowError(e_FileReadFailed, co_filename);
    }
}
