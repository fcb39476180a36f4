// Fuzz target: writes the input to a PDF file and converts it through PAGELIFT.
// The input's last byte picks the output: layout text, line text or HTML. After
// each run the work folder must hold nothing but the input and files named
// after the output.
#include "pagelift.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Kept alive past static destruction so the exit handler can remove it.
    static const fs::path& folder = *[] {
        static char pattern[] = "/tmp/pagelift-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(pattern, ignored);
        });
        return new fs::path(pattern);
    }();
    const fs::path input = folder / "in.pdf";
    FILE* f = std::fopen(input.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    const int mode = size ? data[size - 1] % 3 : 0;
    SetTXTFormat(mode == 1 ? 0 : 1);
    const fs::path output = folder / (mode == 2 ? "out.htm" : "out.txt");
    PAGELIFT(input.c_str(), output.c_str());

    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name != "in.pdf" && name.rfind("out", 0) != 0) std::abort();
        if (name != "in.pdf") fs::remove(entry.path());
    }
    return 0;
}
