#include "ui/KorvexApp.h"

// fontconfig keeps its caches until exit by design; not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\n";
}

int main(int argc, char** argv) {
    return korvex::runKorvex(argc, argv);
}
