// Numbers written as text, as the strings and the error messages show them.
#ifndef CTCOMMON_STRING_DECIMAL_H
#define CTCOMMON_STRING_DECIMAL_H

namespace ct_decimal {

// Writes the decimal form of a value taken as a signed 32-bit number, with
// its terminator, into pc_out (12 bytes suffice): 4294967295 is "-1".
inline void v_WriteSigned(char *pc_out, unsigned n_number) {
    const bool b_negative = (n_number & 0x80000000u) != 0;
    unsigned n_magnitude = b_negative ? 0u - n_number : n_number;
    char ac_digits[10];
    int n_digits = 0;
    do {
        ac_digits[n_digits++] = static_cast<char>('0' + n_magnitude % 10);
        n_magnitude /= 10;
    } while (n_magnitude);
    if (b_negative) *pc_out++ = '-';
    while (n_digits)
        *pc_out++ = ac_digits[--n_digits];
    *pc_out = 0;
}

} // namespace ct_decimal

#endif
