// The size of each class that host modules allocate, written as text into
// this object at compile time ("ct-abi size CT_String 12"), so that a
// cross-compiled build is checked without running anything.
#include <ctcommon.h>

namespace {

struct SizeText {
    char ac[64];
};

constexpr SizeText Describe(const char *pc_class, unsigned n_size) {
    SizeText o_text = {};
    unsigned n_at = 0;
    for (const char *pc = "ct-abi size "; *pc; ++pc)
        o_text.ac[n_at++] = *pc;
    for (const char *pc = pc_class; *pc; ++pc)
        o_text.ac[n_at++] = *pc;
    o_text.ac[n_at++] = ' ';
    char ac_digits[12] = {};
    unsigned n_digits = 0;
    do {
        ac_digits[n_digits++] = static_cast<char>('0' + n_size % 10);
        n_size /= 10;
    } while (n_size);
    while (n_digits)
        o_text.ac[n_at++] = ac_digits[--n_digits];
    return o_text;
}

} // namespace

extern const SizeText ct_abi_sizes[] = {
    Describe("CT_String", sizeof(CT_String)), Describe("CT_Errors", sizeof(CT_Errors)),
    Describe("CT_Files", sizeof(CT_Files)),   Describe("CT_FilesDialog", sizeof(CT_FilesDialog)),
    Describe("CT_Help", sizeof(CT_Help)),
};
