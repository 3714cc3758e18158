#pragma once

#include <optional>
#include <string>

namespace korvex {

struct KorvexOptions {
    bool simulate = false;
    bool hidden = false;  // start in the tray, the window not shown
    std::string wireLog;  // empty: no wire log
    bool help = false;
    bool version = false;
};

// Parses the window program's arguments. On a mistake returns nothing and
// puts a one-line reason into *error.
std::optional<KorvexOptions> parseKorvexOptions(int argc, char** argv, std::string* error);

std::string korvexUsage();

// The window program: options, launch steps, main window, event loop.
int runKorvex(int argc, char** argv);

}  // namespace korvex
