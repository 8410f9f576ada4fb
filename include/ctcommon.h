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

#if defined(_WIN32)
#include <windows.h>
#else
/* Outside Windows the library supplies the few Win32 handle types that its
 * interface uses. A module's HINSTANCE is its dlopen() handle: a host gets
 * this library's own with
 *     (HINSTANCE)dlopen("libctcommon.so", RTLD_NOLOAD | RTLD_NOW)
 * as it would call GetModuleHandleA("ctcommon.dll") on Windows. */
struct HWND__;
struct HINSTANCE__;
typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef void *HANDLE;
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
    ~CT_String();

    /* Assignments return nothing and cannot be chained. A null text counts
     * as the empty text. */
    void operator=(const CT_String &co_source);
    void operator=(const char *pc_text);

    /* A null text counts as empty; a text inside this string's own buffer
     * may be appended. */
    void operator+=(const char *pc_text);
    CT_String operator+(const char *pc_text) const;
    /* The number is written as a signed 32-bit value: 4294967295 appends
     * "-1". Pass an unsigned value (7u): a plain int is ambiguous with the
     * pointer conversions below. */
    CT_String operator+(unsigned n_number) const;

    /* 1 when both texts have the same characters, else 0. Compare with a
     * CT_String: a bare text literal is ambiguous with the conversions. */
    int operator==(CT_String co_other) const;

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
     * behind it; past the buffer they read 0. Pass an unsigned index (0u):
     * on 32-bit targets a plain int is ambiguous with the conversions. */
    unsigned short operator[](unsigned n_index) const;
    /* Writes a value as the character at an index, keeping the number of
     * characters. The buffer grows only where the write would otherwise
     * leave it. */
    void v_SetChar(unsigned n_index, unsigned short w_value);
    /* Replaces every character of the value w_old by w_new. */
    void v_ReplaceChar(unsigned short w_old, unsigned short w_new);

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

#endif /* CTCOMMON_H */
