#include "ui/KorvexApp.h"

// fontconfig keeps its caches, and libdbus its session connection, until exit
// by design; not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\nleak:libdbus-1\n";
}

int main(int argc, char** argv) {
    return korvex::runKorvex(argc, argv);
}
