#include <cstdio>

#include "store/DeviceSQLite.h"
#include "store/StorePath.h"

// Placeholder start: opens (and on first run creates) the settings database
// and shows where it lives, until the window exists.
int main() {
    korvex::DeviceSQLite store;
    const korvex::OpenResult opened = store.init(korvex::kDatabaseFileName);
    if (!opened.ok) {
        std::fprintf(stderr, "korvex: %s\n", opened.reason.c_str());
        return 1;
    }
    std::printf("Settings database: %s\n", opened.path.c_str());
    return 0;
}
