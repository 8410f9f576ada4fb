// The string scanning primitives, both forms, against plain walks: the
// input is a text, checked whole and cut to lengths round the vector widths
// (15, 16, 17, 63, 64, 65), at every alignment from 0 to 15, each in an
// allocation that ends with it. Its first byte chooses the byte looked for.
#include "support/scan_checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *pc_data, std::size_t n_size) {
    if (n_size == 0) return 0;
    const char c_wanted = static_cast<char>(pc_data[0]);
    const char *pc_text = reinterpret_cast<const char *>(pc_data + 1);
    const std::size_t n_text = n_size - 1;
    const std::size_t an_lengths[] = {n_text, 15, 16, 17, 63, 64, 65};
    for (std::size_t n : an_lengths) {
        if (n > n_text) continue;
        for (std::size_t n_align = 0; n_align < 16; ++n_align) {
            const std::string s_differs =
                scan_checks::Check(pc_text, n, n_align, c_wanted, n_size * 31 + n_align);
            if (!s_differs.empty()) {
                std::fprintf(stderr, "MISMATCH: %s\n", s_differs.c_str());
                std::abort();
            }
        }
    }
    return 0;
}
