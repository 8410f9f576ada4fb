// A host module that catches an error raised inside the library: this needs
// the link options that the package's target carries on Windows.
#include <ctcommon.h>

#include <cstdio>

int main() {
    CT_Files co_file;
    try {
        co_file.v_Open("no-such-file.kdw", CT_Files::e_Read, 0);
        std::puts("opened a file that does not exist");
        return 1;
    } catch (et_ErrorCode eo_code) {
        std::printf("caught error %d\n", static_cast<int>(eo_code));
    }
    CT_String co_text("line");
    co_text = co_text + 2;
    std::printf("%s %s\n", static_cast<const char *>(co_text),
                co_text == "line2" ? "equal" : "differ");
    CT_Errors::v_ResetError();
    return 0;
}
