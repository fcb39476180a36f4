// pagelift-convert IN OUT [--line] [--zoom N] [--separator TEXT]
//
// Converts one document through libpagelift.so exactly as any client would:
// the setters first, then one PAGELIFT call. Exits 0 when the library handled
// the call, 1 when it refused it, 2 on a usage error.
#include "pagelift.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: pagelift-convert IN OUT [--line] [--zoom N] [--separator TEXT]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* paths[2] = {nullptr, nullptr};
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--line") == 0) {
            SetTXTFormat(0);
        } else if (std::strcmp(argv[i], "--zoom") == 0 && i + 1 < argc) {
            char* end = nullptr;
            long zoom = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || zoom <= 0 || zoom > 100000) return Usage();
            SetZoomRatio(static_cast<int32_t>(zoom));
        } else if (std::strcmp(argv[i], "--separator") == 0 && i + 1 < argc) {
            SetPageSeparator(argv[++i]);
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return Usage();
        } else if (count < 2) {
            paths[count++] = argv[i];
        } else {
            return Usage();
        }
    }
    if (count != 2) return Usage();
    if (PAGELIFT(paths[0], paths[1]) != 1) {
        std::fprintf(stderr, "pagelift-convert: %s was not converted\n", paths[0]);
        return 1;
    }
    return 0;
}
