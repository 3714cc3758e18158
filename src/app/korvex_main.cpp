#include <cstdio>
#include <string>

#include "store/StorePath.h"

// Placeholder start: shows where the settings live until the window exists.
int main() {
    auto dir = korvex::databaseDirectory();
    if (!dir) {
        std::fprintf(stderr, "korvex: neither XDG_DATA_HOME nor HOME is set\n");
        return 1;
    }
    std::string reason;
    if (!korvex::createDirectories(*dir, &reason)) {
        std::fprintf(stderr, "korvex: %s\n", reason.c_str());
        return 1;
    }
    std::printf("Settings database: %s\n", korvex::databasePath()->c_str());
    return 0;
}
