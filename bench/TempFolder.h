#pragma once

// A fresh folder for a benchmark's settings file, removed afterwards, so runs
// never touch the user's own settings.

#include <stdlib.h>

#include <filesystem>
#include <string>

struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvex-bench-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
};
