#include "exchange/Autostart.h"

#include <filesystem>
#include <sstream>
#include <string_view>
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

AutostartProgram autostartProgramAt(const std::string& executable) {
    AutostartProgram program;
    std::error_code ec;
    fs::path path = fs::absolute(executable, ec).lexically_normal();
    if (ec) path = fs::path(executable).lexically_normal();
    program.path = path.string();
    for (fs::path dir = path.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        if (fs::exists(dir / "CMakeCache.txt", ec)) {
            program.inBuildFolder = true;
            break;
        }
        if (dir == dir.root_path()) break;
    }
    return program;
}

std::optional<AutostartProgram> runningAutostartProgram() {
    std::error_code ec;
    std::string exe = fs::read_symlink("/proc/self/exe", ec).string();
    if (ec || exe.empty() || exe.front() != '/') return std::nullopt;
    // A package upgrade replaces the file under a running program; the new
    // one is the program to start at the next login.
    constexpr std::string_view deleted = " (deleted)";
    if (exe.ends_with(deleted)) exe.resize(exe.size() - deleted.size());
    return autostartProgramAt(exe);
}

std::string autostartEntry(const std::string& program) {
    // The Exec value is quoted twice over: as one argument of the command
    // line, then as a string value of the entry, where '\' and '%' are special.
    constexpr std::string_view reserved = " \t\"'\\><~|&;$*?#`()";
    std::string argument;
    const bool quote = program.find_first_of(reserved) != std::string::npos;
    for (const char c : program) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        argument += c;
    }
    if (quote) argument = '"' + argument + '"';
    std::string exec;
    for (const char c : argument) {
        if (c == '\\') exec += '\\';
        if (c == '%') exec += '%';
        exec += c;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Korvex\n"
           "Comment=Sets up the keyboard at login and waits in the tray\n"
           "Exec=" +
           exec +
           " --hidden\n"
           "Icon=korvex\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "X-GNOME-Autostart-enabled=true\n";
}

AutostartResult enableAutostart(const std::string& program) {
    const auto path = autostartFilePath();
    if (!path) return result(false, {}, "neither XDG_CONFIG_HOME nor HOME is set");
    if (program.empty() || program.front() != '/')
        return result(false, *path, "the program's own path is not known");
    const std::string entry = autostartEntry(program);
    if (entry.empty())
        return result(false, *path,
                      "the program's path " + program + " cannot be written in an autostart entry");
    std::string error;
    if (!exchange::writeFileAtomically(*path, entry, &error)) return result(false, *path, error);
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
