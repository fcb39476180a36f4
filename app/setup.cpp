// The installation step: creates every missing table, empty, in the folder
// given (the base folder). Existing tables are left as they are.
#include "platform/core/error.h"
#include "platform/store/table.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-setup BASEFOLDER\n");
        return 2;
    }
    try {
        kv::createTables(QString::fromLocal8Bit(argv[1]));
    } catch (const kv::Error& e) {
        std::fprintf(stderr, "korvane-setup: %s\n", e.what());
        return 1;
    }
    return 0;
}
