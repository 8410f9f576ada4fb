/* ctcommon: the common module of the product.
 *
 * Host modules load this library and call it through the classes below.
 * Host modules allocate these objects themselves, so the data members of
 * every class, their order and their types are part of the binary
 * interface: nothing may be added, removed or reordered, and no class has
 * virtual functions or a base class.
 */
#ifndef CTCOMMON_H
#define CTCOMMON_H

/* The file name under which the loaded library is found: a host gets the
 * library's own module with GetModuleHandleA(CTCOMMON_LIBRARY_NAME) on
 * Windows, and with
 *     (HINSTANCE)dlopen(CTCOMMON_LIBRARY_NAME, RTLD_NOLOAD | RTLD_NOW)
 * on Linux, where it is the library's SONAME: its major version changes
 * only when the binary interface does. */
#if defined(_WIN32)
#define CTCOMMON_LIBRARY_NAME "ctcommon.dll"
#else
#define CTCOMMON_LIBRARY_NAME "libctcommon.so.1"
#endif

#if defined(_WIN32)
#include <windows.h>
#else
/* Outside Windows the library supplies the few Win32 handle types that its
 * interface uses. A module's HINSTANCE is its dlopen() handle (above). */
struct HWND__;
struct HINSTANCE__;
typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef void *HANDLE;
#endif

#if defined(__cplusplus) && __cplusplus >= 201103L
#include <iosfwd>
#include <string>
#include <type_traits>
#endif
#if defined(__cplusplus) && __cplusplus >= 201703L
#include <string_view>
#endif

#if defined(_WIN32)
#if defined(CTCOMMON_BUILDING)
#define CTCOMMON_API __declspec(dllexport)
#else
#define CTCOMMON_API __declspec(dllimport)
#endif
#else
#define CTCOMMON_API __attribute__((visibility("default")))
#endif

/* A text of bytes in a double-byte character set: a byte from 0x81 to 0x9F
 * or from 0xE0 to 0xEF starts a two-byte character. Lengths, positions and
 * indices count characters; sizes count bytes.
 *
 * The string owns a buffer of n_capacity bytes plus one reserved byte for
 * the terminator of a text that fills the whole capacity. pc_current, the
 * start of the current text, lies inside it; it differs from pc_buffer only
 * while a list of texts is walked. n_GetSize() is the room from the current
 * text to the end of the capacity: callers and the platform may write that
 * many bytes, terminator included, through the pointer conversions. */
class CTCOMMON_API CT_String {
  public:
    /* A null text gives an empty string of capacity 512, whatever the size.
     * Size 0 takes the text's own byte size; another size copies exactly
     * that many bytes from the caller's array (several zero-terminated
     * texts in a row, for instance). */
    CT_String(const char *pc_text = 0, unsigned n_size = 0);
    CT_String(const CT_String &co_source);
    /* Loads string n_id of a module's string table (see v_Load); id 0
     * gives an empty string of capacity 512 and loads nothing. */
    CT_String(HINSTANCE ho_module, unsigned n_id, CT_String co_marker, const char *pc_parameter);
    ~CT_String();
#if defined(__cplusplus) && __cplusplus >= 201103L
    /* Every byte of a std::string or std::string_view, as with an explicit
     * size (a zero byte ends the text; a list may come so). Implicit:
     * CT_String co = s_text, and a std::string where a CT_String is taken. */
    CT_String(const std::string &s_text)
        : CT_String(s_text.c_str(), (s_text.size() >> 16 >> 16)
                                        ? 0xFFFFFFFFu
                                        : static_cast<unsigned>(s_text.size())) {}
#if __cplusplus >= 201703L
    /* (Size 0 would measure the bytes behind an empty view.) */
    CT_String(std::string_view s_text)
        : CT_String(s_text.empty() ? "" : s_text.data(),
                    (s_text.size() >> 16 >> 16) ? 0xFFFFFFFFu
                                                : static_cast<unsigned>(s_text.size())) {}
#endif
#endif

    /* Assignments return nothing and cannot be chained. A null text counts
     * as the empty text. */
    void operator=(const CT_String &co_source);
    void operator=(const char *pc_text);
    /* Reads a window's text, cut to the room less one byte; never raises. */
    void operator=(HWND const ho_window);

    /* A null text counts as empty; a text inside this string's own buffer
     * may be appended. "pre" + co puts the text first. With a std::string,
     * co + s_text is a CT_String and s_text + co a std::string; co + s_text
     * and co += s_text append it up to its first zero byte. */
    void operator+=(const char *pc_text);
    CT_String operator+(const char *pc_text) const;
    /* The number is written as a signed 32-bit value: 4294967295 appends
     * "-1". Any integer type but the wide and UTF characters may be given,
     * bool too ("1" or "0"), char being the character (below): co + 7 and
     * co += 7 append "7", co + -5 "-5", and co += 0 "0" (a null text is
     * nullptr; NULL may be a number). A wider one is cut to its low 32
     * bits. */
    CT_String operator+(unsigned n_number) const;
    CT_String operator+(int i_number) const { return *this + static_cast<unsigned>(i_number); }
    CT_String operator+(long i_number) const { return *this + static_cast<unsigned>(i_number); }
    CT_String operator+(unsigned long n_number) const {
        return *this + static_cast<unsigned>(n_number);
    }
#if defined(__cplusplus) && __cplusplus >= 201103L
    CT_String operator+(long long i_number) const {
        return *this + static_cast<unsigned>(i_number);
    }
    CT_String operator+(unsigned long long n_number) const {
        return *this + static_cast<unsigned>(n_number);
    }
    void operator+=(int i_number) { *this += static_cast<unsigned>(i_number); }
    void operator+=(unsigned n_number) {
        const CT_String co_digits = CT_String() + n_number;
        *this += static_cast<const char *>(co_digits);
    }
    void operator+=(long i_number) { *this += static_cast<unsigned>(i_number); }
    void operator+=(unsigned long n_number) { *this += static_cast<unsigned>(n_number); }
    void operator+=(long long i_number) { *this += static_cast<unsigned>(i_number); }
    void operator+=(unsigned long long n_number) { *this += static_cast<unsigned>(n_number); }

    /* A char is appended as the character, as to a std::string: co + 'x'
     * and co += 'x' append "x" ('\0' appends nothing). signed char and
     * unsigned char are the small integers int8_t and uint8_t, appended as
     * numbers like every other integer type (co + uint8_t(7) appends "7"):
     * write char(c) for their character. Wide and UTF characters do not
     * compile: they have no byte of this character set. */
    CT_String operator+(char c_char) const {
        const char ac_text[2] = {c_char, 0};
        return *this + ac_text;
    }
    void operator+=(char c_char) {
        const char ac_text[2] = {c_char, 0};
        *this += ac_text;
    }
    CT_String operator+(wchar_t) const = delete;
    CT_String operator+(char16_t) const = delete;
    CT_String operator+(char32_t) const = delete;
    void operator+=(wchar_t) = delete;
    void operator+=(char16_t) = delete;
    void operator+=(char32_t) = delete;
#if defined(__cpp_char8_t)
    CT_String operator+(char8_t) const = delete;
    void operator+=(char8_t) = delete;
#endif

    void operator+=(const std::string &s_text) { *this += s_text.c_str(); }
    friend CT_String operator+(const CT_String &co_string, const std::string &s_text) {
        return co_string + s_text.c_str();
    }
    friend std::string operator+(const std::string &s_text, const CT_String &co_string) {
        return s_text + static_cast<const char *>(co_string);
    }
    /* (A template: a text matches, a literal 0 does not; 0 + co does not
     * compile.) */
    template <class Char>
    friend typename std::enable_if<std::is_same<Char, char>::value, CT_String>::type
    operator+(const Char *pc_text, const CT_String &co_string) {
        return CT_String(pc_text) + static_cast<const char *>(co_string);
    }
#endif

    /* 1 when both texts have the same characters, else 0; a null text
     * counts as empty. "x" == co, co != co2 and co != "x" compare texts
     * alike (never pointers). */
    int operator==(CT_String co_other) const;
    int operator==(const char *pc_text) const;
    int operator!=(const CT_String &co_other) const { return !(*this == co_other); }
    int operator!=(const char *pc_text) const { return !(*this == pc_text); }
    friend int operator==(const char *pc_text, const CT_String &co_string) {
        return co_string == pc_text;
    }
    friend int operator!=(const char *pc_text, const CT_String &co_string) {
        return !(co_string == pc_text);
    }
#if defined(__cplusplus) && __cplusplus >= 201103L
    /* A std::string (or std::string_view) is equal when it holds exactly
     * the text, as std::string(co) does: one with a zero byte never is. */
    friend int operator==(const CT_String &co_string, const std::string &s_text) {
        return s_text.compare(static_cast<const char *>(co_string)) == 0;
    }
    friend int operator==(const std::string &s_text, const CT_String &co_string) {
        return co_string == s_text;
    }
    friend int operator!=(const CT_String &co_string, const std::string &s_text) {
        return !(co_string == s_text);
    }
    friend int operator!=(const std::string &s_text, const CT_String &co_string) {
        return !(co_string == s_text);
    }
#if __cplusplus >= 201703L
    friend int operator==(const CT_String &co_string, std::string_view s_text) {
        return s_text == static_cast<const char *>(co_string);
    }
    friend int operator==(std::string_view s_text, const CT_String &co_string) {
        return co_string == s_text;
    }
    friend int operator!=(const CT_String &co_string, std::string_view s_text) {
        return !(co_string == s_text);
    }
    friend int operator!=(std::string_view s_text, const CT_String &co_string) {
        return !(co_string == s_text);
    }
#endif
    /* !co is 1 for an empty text (a null text counts as empty). if (co)
     * does not compile, each pointer conversion being a candidate: write
     * if (!co.b_IsEmpty()). */
    int operator!() const { return b_IsEmpty(); }
    /* Writes the current text: std::cout << co. */
    template <class Traits>
    friend std::basic_ostream<char, Traits> &operator<<(std::basic_ostream<char, Traits> &o_stream,
                                                        const CT_String &co_string) {
        return o_stream << static_cast<const char *>(co_string);
    }
#endif

    /* Characters of the given text, or of the current text when null. */
    unsigned n_GetLength(const char *pc_text = 0) const;
    /* Bytes of the given text, or of the current text when null, without
     * the terminator. A lead byte takes the byte after it, even a zero. */
    unsigned n_GetStringSize(const char *pc_text = 0) const;
    unsigned n_GetSize() const;
    int b_IsEmpty() const;

    /* The current text, writable up to n_GetSize() bytes. The pointer stays
     * valid until an operation that may replace the buffer. */
    operator char *();
    operator unsigned char *();
    operator const char *() const;
    operator const unsigned char *() const;
    /* A std::string is made explicitly: std::string s_text(co) or
     * std::string(co); s_text = co assigns. std::string s_text = co does not
     * compile: a conversion to std::string would make s_text = co (and in
     * C++11 and C++14 std::string s_text(co)) ambiguous.
     * From C++17 on, the current text up to its terminator converts
     * implicitly to std::string_view: std::string_view o_view = co, and a
     * CT_String where a std::string_view is taken. */
#if defined(__cplusplus) && __cplusplus >= 201703L
    operator std::string_view() const { return static_cast<const char *>(*this); }
#endif

    /* Makes the room at least n_size bytes and empties the text. */
    void v_SetSize(unsigned n_size);
    /* Makes the room at least n_size bytes, keeping everything; 1 when the
     * buffer had to grow. */
    int b_ReSize(unsigned n_size);
    /* Zeroes the current text and everything behind it. */
    void v_Empty();
    /* Holds a copy of the caller's array (which stays the caller's). */
    void v_SetPointer(char *pc_array, unsigned n_size);

    /* The 16-bit value of the character at an index: a two-byte character
     * is first byte + 256 * second byte; a single byte is sign-extended
     * (0xA9 gives 0xFFA9). Indices past the text go on over the bytes
     * behind it; past the buffer they read 0. Any integer type may index
     * (co[0]); a negative index reads 0. */
    unsigned short operator[](unsigned n_index) const;
    unsigned short operator[](int i_index) const {
        return i_index < 0 ? 0 : (*this)[static_cast<unsigned>(i_index)];
    }
    /* (A long may be 32 or 64 bits: ">> 16 >> 16" is its part above 32.) */
    unsigned short operator[](long i_index) const {
        return i_index < 0 || (static_cast<unsigned long>(i_index) >> 16 >> 16)
                   ? 0
                   : (*this)[static_cast<unsigned>(i_index)];
    }
    unsigned short operator[](unsigned long n_index) const {
        return (n_index >> 16 >> 16) ? 0 : (*this)[static_cast<unsigned>(n_index)];
    }
#if defined(__cplusplus) && __cplusplus >= 201103L
    unsigned short operator[](long long i_index) const {
        return i_index < 0 || i_index > 0xFFFFFFFFll ? 0 : (*this)[static_cast<unsigned>(i_index)];
    }
    unsigned short operator[](unsigned long long n_index) const {
        return n_index > 0xFFFFFFFFull ? 0 : (*this)[static_cast<unsigned>(n_index)];
    }
#endif
    /* Writes a value as the character at an index, keeping the number of
     * characters. The buffer grows only where the write would otherwise
     * leave it. */
    void v_SetChar(unsigned n_index, unsigned short w_value);
    /* Replaces every character of the value w_old by w_new. */
    void v_ReplaceChar(unsigned short w_old, unsigned short w_new);

    /* The position of the first occurrence of the pattern at or after
     * i_start, or -1. One forward pass: after a mismatch the scan starts
     * the pattern again at the next character, so "ab" is not found in
     * "aab". An empty pattern, a negative start or a start behind the text
     * finds nothing. */
    int i_Search(CT_String co_pattern, int i_start);
    /* Replaces every occurrence of the pattern, left to right and without
     * overlap, by the text (null counts as empty) or by the number written
     * as a signed 32-bit value. Without an occurrence nothing changes. */
    void v_Replace(CT_String co_pattern, const char *pc_replacement);
    void v_Replace(CT_String co_pattern, unsigned n_number);
    /* At most i_count characters from position i_start on. A negative
     * start or count gives an empty string. */
    CT_String co_GetMid(int i_start, int i_count);

    /* Loads string n_id of a module's string table into the room (cut to
     * the room less one byte) and puts the parameter, or the number written
     * as a signed 32-bit value, in place of every occurrence of the marker;
     * an empty marker leaves the text as loaded. A missing or empty string
     * raises e_WindowsError with "CT_String::v_Load".
     * On Linux a module's HINSTANCE is its dlopen() handle (null: the main
     * program) and its table is the one it declares with CT_STRING_TABLE
     * below. */
    void v_Load(HINSTANCE ho_module, unsigned n_id, CT_String co_marker, const char *pc_parameter);
    void v_Load(HINSTANCE ho_module, unsigned n_id, CT_String co_marker, unsigned n_number);
    /* Makes the text the window's text; raises e_WindowsError with
     * "SetWindowText" when it cannot.
     * On Linux, where there are no windows, any non-null handle names a
     * text that this library keeps for it: v_Set stores it, operator=
     * reads it back (empty for a handle never set); a null handle fails. */
    void v_Set(HWND ho_window) const;
    /* Copies n_length - 2 bytes from the current text on, raw (a list
     * included), into the caller's array, whose last two bytes stay zero. */
    void v_Set(char *pc_array, unsigned n_length) const;

    /* Element lists: several texts in the buffer, each followed by a zero
     * byte, the list ended by one more zero byte ("a", 0, "bc", 0, 0), the
     * form of the platform's dialog filters and answers. The current text
     * is the cursor: operations on the string see the current element. */
    /* Puts the cursor on the first element. */
    void v_ResetArray();
    /* Moves the cursor to the next element; 1 while it stands on one, 0 at
     * the end of the list (where it stays). */
    int b_NextElement();
    /* The number of elements; the cursor goes back to the first. */
    unsigned n_GetNumberOfElement();
    /* Appends the argument's text as the last element (an empty one adds
     * nothing); the cursor goes back to the first. */
    void v_AddElement(CT_String co_element);
    /* Appends every element of a caller's list; the cursor goes back to
     * the first. */
    void v_PutArray(const char *pc_array);

  private:
    void v_DisposeBuffer();
    void v_Copy(const char *pc_text);
    void v_CopyBuffer(const CT_String &co_source);
    void v_PutChar(unsigned n_index, unsigned short w_value);

    char *pc_buffer;
    char *pc_current;
    unsigned n_capacity;
};

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(void *) != 4 || sizeof(CT_String) == 12,
              "CT_String must keep its 32-bit layout: two pointers and a capacity");
#endif

/* The error codes. The exception that carries an error is the bare code,
 * thrown by value: catch (et_ErrorCode). Code n has its message under the
 * id n + 1001 of the library's string table; "%" in a message stands for
 * the error's parameter. */
enum et_ErrorCode : int {
    e_NoError = 0,
    e_UnknownError = 1,
    e_WindowsError = 2,
    e_UnknownWindowsError = 3,
    e_NothingSelected = 4,
    e_FileListFull = 5,
    e_DtpError = 6,
    e_DtpUnknownError = 7,
    e_OpenFailed = 8,
    e_SaveFailed = 9,
    e_CloseFailed = 10,
    e_InvalidTextBox = 11,
    e_InvalidLabel = 12,
    e_NoText = 13,
    e_NoDocument = 14,
    e_FilterMissing = 15,
    e_TextBoxNotFound = 16,
    e_FileOpenFailed = 17,
    e_FileWriteFailed = 18,
    e_FileReadFailed = 19,
    e_Reserved = 20,
    e_EndOfFile = 21,
    e_UnexpectedEndOfFile = 22,
    e_TooManyFiles = 23,
    e_BufferTooSmall = 24,
    e_UnknownCommand = 25,
    e_WrongParameters = 26,
    e_InvalidCharacter = 27
};

/* The process-wide error record and its display. Every failure, the
 * library's and the host's, is raised with v_ThrowError: the code and a
 * copy of the parameter are recorded, then the code is thrown. A handler
 * reads the record, then shows it (v_DisplayError), passes it on
 * (v_ThrowAgain) or clears it (v_ResetError). The record is one per
 * process and shared by all threads: a thread may read another's error,
 * but each read and write is whole.
 *
 * On Windows the error is shown in a modal message box. On Linux the
 * notice goes to standard error: the caption on one line, then the message,
 * then "[OK]" on a line of its own; the system error added to code 2 is
 * errno with its strerror() text. */
class CTCOMMON_API CT_Errors {
  public:
    [[noreturn]] static void v_ThrowError(et_ErrorCode eo_code, const char *pc_parameter);
    /* Throws the recorded code again, inside a handler or not. */
    [[noreturn]] static void v_ThrowAgain();
    static et_ErrorCode set_GetLastError();
    static CT_String co_GetLastParameter();
    /* Back to the state at load: code 1 (e_UnknownError), no parameter. */
    static void v_ResetError();
    /* Shows the recorded error, then resets the record. A message longer
     * than 32,000 bytes, more than a message box shows whole, is shown cut
     * between two characters and ending in "\n[...]"; the record keeps the
     * whole parameter. */
    static void v_DisplayError();
    /* Shows the given error; the record then holds what it held before. */
    static void v_DisplayError(et_ErrorCode eo_code, const char *pc_parameter);
    /* Copies nothing. */
    CT_Errors &operator=(const CT_Errors &co_other);

    /* The caption of every error message box: "Error" once loaded. */
    static CT_String co_title;

  private:
    static void v_DisplayMessage();
    static void v_CompleteWindowError(CT_String *pco_message);

    static CT_String co_parameter;
    static et_ErrorCode eo_lasterror;
};

/* A file on disk, opened for reading or writing. A rewrite can keep a
 * backup of the previous content ("name.old" beside the file) that v_Close
 * deletes (commit) and v_Cancel puts back (rollback); destroying an open
 * object commits it, and CT_RewriteScope (below) rolls it back instead
 * when its scope ends without an explicit commit. The file is held
 * exclusively while open: no other opener, in this process or another, can
 * open it meanwhile. The backup is held too: others may read it, but not
 * change, replace or delete it.
 *
 * Hold first: an open with a backup holds the file before it copies or
 * empties anything, copies the backup from that hold, and only then
 * empties the file, so the content backed up is exactly the content
 * emptied. A missing file is made only while its name is still free; one
 * that appears meanwhile is backed up like any other. What another program
 * can still do while a rewrite holds a file depends on the system:
 * - Windows: nothing. It cannot open, write, rename or delete the file, nor
 *   change, rename or delete the backup; a save that it tries fails there
 *   and then.
 * - Linux: the hold is an flock() lock, which keeps out this library and
 *   every program that locks. Another process may still delete the file,
 *   or rename another file over its name (as editors and sync tools save),
 *   and may write without a lock. A commit or rollback therefore first
 *   checks that the file still has a name and that its name still
 *   designates the held file. When it does not, the close or cancel raises
 *   18 and keeps "name.old" on the disk, whole, rather than write the old
 *   content where nobody finds it or delete the only copy of it; the file
 *   at the name (the other program's save) is left alone. A second close
 *   lets the rewrite go.
 *
 * One rewrite, whoever holds it: a copy or an assignment shares the rewrite
 * of the object that it copies (its file, its position and its backup), and
 * the rewrite ends exactly once. The first holder to cancel rolls it back
 * for all; from then on the others hold nothing of it (their writes raise
 * e_FileWriteFailed, their closes and cancels touch nothing). Otherwise the
 * last holder to close, or to be destroyed, commits it. Assigning to an
 * object, or opening it again, first ends its own part, as closing does,
 * with one exception: an object whose rewrite holds a backup of the same
 * file and no open file of its own (a backup made by v_SaveOldFile, or one
 * whose rollback failed) opens that file within the same rewrite. Its backup then stays the one that a cancel
 * puts back and a close deletes; an open with a backup makes no new one.
 *
 * One file from open to end: the name is resolved once, as the system
 * resolves it when it opens the file (Windows makes the full path from the
 * text; Linux follows the links of the folder part before "..", so
 * "current/../shared/x.kdw" with current a link names the file in the
 * link's parent), and that same file is opened, backed up and restored.
 * A later change of the current folder (a file dialog makes the chosen
 * file's folder current on Windows) never points a commit or a rollback at
 * a namesake elsewhere. Nothing deletes or replaces a name that has come
 * to mean another file: the file and its backup are deleted through the
 * object's own holds, or through a new one checked to be the same file.
 * Error parameters keep the name as the caller gave it.
 *
 * A rollback writes the old content back into the very file that was
 * emptied, through the handle that holds it: every hard link of the file
 * sees it, a link that the caller named stays a link, the file keeps its
 * owner, protection and attributes, and its last-write time is the old one
 * again. The backup is deleted once that content is on the disk.
 *
 * A cancel without a backup takes away what the open made: a regular file
 * that the open created or emptied is deleted when its own name designates
 * it. A link that the caller named stays, and so does its target, emptied:
 * no byte of the new content stays in it. A pipe, a FIFO or a device stays
 * as it is; they can be opened in both modes (on Linux a FIFO opened for
 * writing waits for a reader, as the system does).
 *
 * A rollback or a commit that cannot finish raises e_FileWriteFailed (18)
 * with the file's name and keeps the rewrite, its file and its backup held:
 * the backup, whole, is then the only good copy. That includes a delete or
 * an emptying that the system refuses (the backup's delete at a commit, the
 * delete or emptying of a file that a rollback without a backup takes
 * away): nothing that cannot be done is reported as done. A rollback that could not
 * put the old content back can be tried again with v_Cancel; a commit whose
 * new content could not be put on the disk can be tried again with v_Close,
 * or rolled back with v_Cancel. After a failed rollback nothing deletes the
 * backup: a close or the destructor leaves it on the disk as "name.old",
 * and an open of the same file by the same object takes it over. The
 * destructor raises nothing: a commit that fails there lets the rewrite go
 * with its backup on the disk.
 *
 * A backup is always a new file: it is copied under a temporary name beside
 * it ("~" and hex digits, with ".tmp" where the name has room; never longer
 * than the backup's own name) and then renamed, so that whatever stood at
 * "name.old" (a stale backup, a link of any kind) is replaced as a name and
 * never written through. A backup whose name is longer than the system's
 * file calls take whole (MAX_PATH on Windows) stops the open with
 * e_FileOpenFailed before anything is created.
 *
 * A rewrite with a backup waits for the disk twice, so that a power loss
 * at any moment leaves the old content or the new one whole: the backup is
 * flushed before the file is emptied, and the content that the rewrite
 * ends with before the backup is deleted. The backup carries the file's
 * protection (attributes on Windows; on Linux the mode, and the owner and
 * group as far as the process may set them).
 *
 * Reading goes through one buffer that the object and its copies share,
 * as they share their position: each read takes what it needs from it and
 * fills it from the file when it runs short, reading ahead of the position
 * (64 KiB at a time; a line longer than that grows the buffer to hold it).
 * What a read delivers, where it leaves the position, what it raises and
 * what it leaves in its target are what a reading of one byte at a time
 * would give; a short line costs no system call once its bytes have been
 * read ahead. Nothing remembers the end of the file: a read there asks the
 * file again, so bytes that the object's own writes add behind it are read
 * by the next call. A write first moves the file's position back to the
 * reading position, then writes in one system call. A read that fails
 * raises 19 and delivers nothing: every byte stays for the next call, and
 * after a failed v_MoveUntil another ends where it would have ended.
 *
 * Failures raise e_FileOpenFailed (17), e_FileWriteFailed (18) or
 * e_FileReadFailed (19) with the file's name, and e_WindowsError (2) with
 * "GetFullPathName\r\n" when a path cannot be made absolute. An open that
 * fails leaves nothing that it made: no file that did not exist before, no
 * temporary copy, no backup, and no change to a file that was there. So
 * after a failed open the object holds nothing, and a cancel writes
 * nothing: a save that another program makes after the failure stays.
 *
 * On Linux "/" is the path separator, an open takes an flock() lock
 * without waiting (a shared one for the backup), a name with a control
 * character is refused as on Windows, and a search honours the wildcards *
 * and ?. */
class CTCOMMON_API CT_Files {
  public:
    /* The desired access, handed to the system as it is. */
    enum et_OpenMode : unsigned {
        e_Read = 0x80000000u, /* GENERIC_READ: an existing file, for reading */
        e_Write = 0x40000000u /* GENERIC_WRITE: created or emptied, for writing */
    };

    CT_Files();
    /* Shares the other object's rewrite (see above). Copies share one file
     * and one position: use them from one thread at a time, as one object. */
    CT_Files(const CT_Files &co_other);
    CT_Files &operator=(const CT_Files &co_other);
    /* Commits, as v_Close. */
    ~CT_Files();

    /* Opens the file; with b_backup non-zero an existing file is held, then
     * copied to "name.old", then emptied (for writing). Raises 17 when the
     * file cannot be opened or the backup cannot be made (the file then
     * keeps its content), and 18 when
     * the commit of the rewrite that the object held before fails. */
    void v_Open(CT_String co_name, et_OpenMode eo_mode, int b_backup);
    /* Makes the backup of the file last named, if it exists. On an object
     * that holds a backup already it does nothing: that backup keeps the
     * content from before the rewrite. On one that holds its file without a
     * backup it raises 17 and changes nothing: the old content is gone.
     *
     * On a closed object the backup is a snapshot of the file as it is now,
     * which the object holds: v_Close deletes it, and v_Cancel puts that
     * content back at the file's name, whoever changed or deleted the file
     * meanwhile (a file that holds it already is left as it is). When
     * another holds the file then, the cancel raises 18 and keeps the
     * snapshot, to try again. */
    void v_SaveOldFile();
    /* Rolls the rewrite back for every holder, unless it has ended: the
     * backup's content is put back into the file and the backup deleted,
     * or, without a backup, the file that the rewrite created or emptied is
     * taken away (see above). A file that it opened for reading keeps its
     * content; only its backup is deleted. After an open that failed it
     * does nothing: that open holds nothing. Raises 18, keeping the backup,
     * when the old content cannot be put back, when a delete or emptying is
     * refused, or when the file has lost its name (Linux); another v_Cancel
     * tries again. */
    void v_Cancel();
    /* Lets go of the rewrite; the last holder commits it: the backup is
     * deleted once the new content is on the disk. Raises 18 when the new
     * content cannot be put on the disk, keeping everything held; after a
     * failed rollback it lets go, leaving the backup on the disk. */
    void v_Close();

    void v_Write(CT_String co_text);
    void v_Write(const char *pc_bytes, unsigned n_count);
    /* The text and CR LF, in one write. */
    void v_Writeln(CT_String co_text);
    /* Reads up to n_count bytes; raises 19 at the end of the file. */
    void v_Read(char *pc_buffer, unsigned n_count);
    /* Reads up to n_count bytes and returns how many it delivered: fewer
     * near the end of the file, 0 at the end (nothing raised); a pipe ends
     * where its writer closes it. A failed read raises 19. */
    unsigned n_Read(char *pc_buffer, unsigned n_count);
    /* Moves past the next occurrence of the delimiter, compared byte for
     * byte in one forward pass (after a mismatch the search starts again at
     * the next byte, so "ab" in "aabab" ends after the fifth byte). On a
     * pipe or a device the bytes read ahead stay in the object's buffer for
     * its next reads, also across its writes. */
    void v_MoveUntil(CT_String co_delimiter);
    /* The bytes before the next delimiter; the position does not move:
     * the bytes up to the delimiter wait in the buffer, on a pipe or a
     * device too. Without a delimiter before the end of the file it raises
     * 19 and leaves the position at the end, as v_MoveUntil does. */
    unsigned n_CountUntil(CT_String co_delimiter);
    /* Reads the text before the next delimiter (up to a NUL byte in it) and
     * moves past the delimiter; at the end of the file the target stays as
     * it was. */
    void v_ReadUntil(CT_String &co_target, CT_String co_delimiter);
    /* Reads a line as v_ReadUntil does and returns 1; a last line without
     * the delimiter is read too, up to the end of the file (of a pipe: up
     * to its writer's close). At the end of the file it returns 0 and
     * leaves the target as it was; a failed read raises 19. An empty
     * delimiter makes the rest of the file one line:
     *     while (co_in.b_ReadLine(co_line, "\r\n")) ...; */
    int b_ReadLine(CT_String &co_line, CT_String co_delimiter);

    /* 1 when a file or folder matches the name (wildcards * and ? allowed). */
    static int b_Exist(CT_String co_name);
    /* The final component of the full path (empty when it ends in a
     * separator). */
    static CT_String co_GetFileName(CT_String co_path);
    /* The full path up to and including its last separator.
     *
     * Windows reads some file names as devices in any folder (aux, con, prn,
     * nul, com1 to com9, lpt1 to lpt9, with any extension) and makes their
     * full path a device path such as \\.\aux. For such a name both answer
     * for the text as written: C:\r4\aux.txt gives aux.txt and C:\r4\.
     * A device path written as one (\\.\aux) keeps the system's answer.
     * Such names name no file: v_Open raises e_FileOpenFailed (17) for
     * them in every mode. */
    static void v_GetFolder(CT_String co_path, CT_String &co_folder);
    /* Cuts the name at its first dot, anywhere in the path. */
    static void v_RemoveExtension(CT_String &co_name);

  private:
    void v_ClearOldFile();
    void v_CloseHandle();
    char c_ReadChar();

    CT_String co_filename;
    CT_String co_oldfilename;
    HANDLE ho_file;
};

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(void *) != 4 || sizeof(CT_Files) == 28,
              "CT_Files must keep its 32-bit layout: two strings and a handle");
#endif

#if defined(__cplusplus) && __cplusplus >= 201103L
/* Commits a rewrite only when told: v_Commit closes the file (a commit),
 * and a scope that ends without that call, by an exception or by an early
 * return, cancels the rewrite at its end. Declare it right after the open,
 * in the same scope as the object or an inner one:
 *
 *     CT_Files co_file;
 *     co_file.v_Open(co_path, CT_Files::e_Write, 1);
 *     CT_RewriteScope o_scope(co_file);
 *     ...writes, which may throw or return...
 *     o_scope.v_Commit();
 *
 * It counts no exceptions, so an exception from any module, whatever C++
 * runtime it carries, rolls the rewrite back. A commit that raises
 * e_FileWriteFailed (18) leaves the scope uncommitted: its end rolls back.
 * A rollback that fails there records 18 and keeps the backup; the
 * exception in flight, if any, goes on. */
class CT_RewriteScope {
  public:
    explicit CT_RewriteScope(CT_Files &co_file) : po_file(&co_file), b_committed(false) {}
    ~CT_RewriteScope() {
        if (b_committed) return;
        try {
            po_file->v_Cancel();
        } catch (et_ErrorCode) {
        }
    }
    /* Closes the file; only a close that returns marks the scope
     * committed, so one that raises 18 still ends in a rollback. */
    void v_Commit() {
        po_file->v_Close();
        b_committed = true;
    }
    CT_RewriteScope(const CT_RewriteScope &) = delete;
    CT_RewriteScope &operator=(const CT_RewriteScope &) = delete;

  private:
    CT_Files *po_file;
    bool b_committed;
};
#endif

/* The platform's request records of the dialogs (OPENFILENAMEA,
 * BROWSEINFOA), which only the library fills. */
struct tagOFNA;
struct _browseinfoA;

/* The platform's folder dialog and its save, open and multiple-open file
 * dialogs, each modal, captioned from the library's string table. A filter
 * is an element list of descriptions and patterns in pairs; a file
 * dialog's first argument holds the initial name and receives the answer
 * within its room (n_GetSize), so grow it for long answers.
 *
 * On Linux the dialogs are asked on the terminal: the caption, and for the
 * file dialogs the initial name, go to standard error and the answer is
 * read from standard input, a line at a time. An empty line keeps the
 * initial name; Esc alone on a line, or the end of the input, cancels; a
 * typed file name without an extension gets ".kdw" in the save dialog,
 * which asks "Replace it? [y/N]" before taking an existing file (anything
 * but y or yes asks for a name again); the open dialogs take only
 * existing files, the folder dialog only an existing folder (an empty line
 * cancels it); the multiple dialog reads names until an empty line, all in
 * one folder. ctcommon-answer, installed with the library, answers them
 * from a script (README). */
class CTCOMMON_API CT_FilesDialog {
  public:
    /* 1 with the chosen folder's whole path (no separator added), else 0.
     * A folder whose path does not fit into MAX_PATH (260) bytes with its
     * terminator is no answer: 0, as when nothing is chosen, never a cut
     * path. On 0, co_folder keeps its text. */
    static int b_BrowseForFolder(CT_String &co_folder, HWND ho_owner);
    /* Non-zero with the chosen full path in co_file, 0 when cancelled. */
    static int b_ChooseSaveFile(CT_String &co_file, CT_String co_filter, HWND ho_owner);
    static int b_ChooseOpenFile(CT_String &co_file, CT_String co_filter, HWND ho_owner);
    /* 1 with the folder, ending in a separator, in co_files, and the names
     * chosen added to co_names (one name replaces its text); 0 when
     * cancelled. Raises e_TooManyFiles (23) when the answer does not fit
     * co_files. */
    static int b_ChooseOpenMultipleFile(CT_String &co_files, CT_String &co_names,
                                        CT_String co_filter, HWND ho_owner);
    /* Copies nothing. */
    CT_FilesDialog &operator=(const CT_FilesDialog &co_other);

  private:
    static void v_BuildResult(CT_String &co_files, CT_String &co_names);
    static void v_InitStructure(struct tagOFNA *po_request, const CT_String &co_filter,
                                HWND ho_owner);
    static void v_InitStructure(struct _browseinfoA *po_request, HWND ho_owner);
    static HWND v_ChooseParent(HWND ho_owner);
};

/* The product's help file and requests to show it. On Linux a request is
 * written to standard error: the file, the command and its data. */
class CTCOMMON_API CT_Help {
  public:
    static void v_DefineHelpPath(CT_String co_path);
    /* The topic of a context number (HELP_CONTEXT). */
    static void v_Display(HWND ho_window, unsigned int n_context);
    /* The help's contents and index (HELP_FINDER). */
    static void v_Display(HWND ho_window);
    /* Copies nothing. */
    CT_Help &operator=(const CT_Help &co_other);

  private:
    static CT_String co_helppath;
};

#if !defined(_WIN32)
/* A module's string table on Linux, where modules carry no Windows
 * resources. A module (the main program or a shared object) declares its
 * table once, at namespace scope in one of its source files:
 *
 *     CT_STRING_TABLE({1, "Export"}, {2, "Cannot write \"%\""});
 *
 * or, to share the entries with a resource script, as {id, "text"},
 * entries, each followed by a comma, between CT_STRING_TABLE_BEGIN and
 * CT_STRING_TABLE_END;
 * CT_String::v_Load then finds the table through the module's dlopen()
 * handle. The table stays private to the module: it is found through an
 * ELF note, not through an exported symbol. */
struct CT_StringTableEntry {
    unsigned n_id;
    const char *pc_text;
};
#define CT_STRING_TABLE(...) CT_STRING_TABLE_BEGIN __VA_ARGS__, CT_STRING_TABLE_END
#define CT_STRING_TABLE_BEGIN                                                                      \
    extern "C" __attribute__((visibility("hidden"), used))                                         \
    const CT_StringTableEntry ct_string_table_[] = {
#define CT_STRING_TABLE_END                                                                        \
    { 0, 0 }                                                                                       \
    }                                                                                              \
    ;                                                                                              \
    __asm__(".pushsection .note.ctcommon.strings,\"a\",@note\n"                                    \
            ".balign 4\n"                                                                          \
            ".long 9, 4, 0x43540001\n"                                                             \
            ".asciz \"ctcommon\"\n"                                                                \
            ".balign 4\n"                                                                          \
            ".long ct_string_table_ - .\n"                                                         \
            ".popsection\n")
#endif

#endif /* CTCOMMON_H */
