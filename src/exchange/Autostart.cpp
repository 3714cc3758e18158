#include "exchange/Autostart.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "exchange/ExchangeInternal.h"
#include "store/StorePath.h"

namespace korvex {

namespace {

namespace fs = std::filesystem;

AutostartResult result(bool ok, std::string path, std::string message = {}) {
    return {ok, std::move(path), std::move(message)};
}

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t\r");
    const auto last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::string> autostartFilePath() {
    const auto base = xdgBaseDirectory("XDG_CONFIG_HOME", ".config");
    if (!base) return std::nullopt;
    return *base + "/autostart/korvex.desktop";
}

std::string autostartEntry() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Korvex\n"
           "Comment=Sets up the keyboard at login and waits in the tray\n"
           "Exec=korvex --hidden\n"
           "Icon=korvex\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "X-GNOME-Autostart-enabled=true\n";
}

AutostartResult enableAutostart() {
    const auto path = autostartFilePath();
    if (!path) return result(false, {}, "neither XDG_CONFIG_HOME nor HOME is set");
    std::string error;
    if (!exchange::writeFileAtomically(*path, autostartEntry(), &error))
        return result(false, *path, error);
    return result(true, *path);
}

AutostartResult disableAutostart() {
    const auto path = autostartFilePath();
    if (!path) return result(false, {}, "neither XDG_CONFIG_HOME nor HOME is set");
    std::error_code ec;
    fs::remove(*path, ec);
    if (ec) return result(false, *path, "cannot remove " + *path + ": " + ec.message());
    return result(true, *path);
}

bool isAutostartEnabled() {
    const auto path = autostartFilePath();
    std::string bytes;
    if (!path || !exchange::readWholeFile(*path, bytes, nullptr)) return false;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        if (key == "Hidden" && value == "true") return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
    }
    return true;
}

}  // namespace korvex
