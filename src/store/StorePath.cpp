#include "StorePath.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace korvex {

std::optional<std::string> xdgBaseDirectory(const char* variable, const char* homeFallback) {
    std::string base;
    const char* xdg = std::getenv(variable);
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') return std::nullopt;
        base = std::string(home) + "/" + homeFallback;
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

std::optional<std::string> databaseDirectory() {
    const auto base = xdgBaseDirectory("XDG_DATA_HOME", ".local/share");
    if (!base) return std::nullopt;
    return *base + "/korvex/db";
}

std::optional<std::string> databasePath() {
    auto dir = databaseDirectory();
    if (!dir) return std::nullopt;
    return *dir + "/" + kDatabaseFileName;
}

bool createDirectories(const std::string& dir, std::string* reason) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        if (reason) *reason = "cannot create " + dir + ": " + (ec ? ec.message() : "not a folder");
        return false;
    }
    return true;
}

}  // namespace korvex
