// Builds against the installed header and library only.
#include <ctcommon.h>

#include <cstdio>
#include <cstring>

int main() {
    CT_String co_name("export");
    co_name += ".kdw";
    CT_String co_line = co_name + 42u;
    const bool b_ok = std::strcmp(co_line, "export.kdw42") == 0 && co_name.n_GetSize() == 256 &&
                      co_line.n_GetSize() == 768 && co_line == CT_String("export.kdw42");
    std::printf("%s: %s\n", b_ok ? "ok" : "FAILED", static_cast<const char *>(co_line));
    return b_ok ? 0 : 1;
}
