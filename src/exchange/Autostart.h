#pragma once

// The desktop's autostart entry: with it, the session starts Korvex hidden in
// the tray at login, so the keyboard is set up without opening the window.

#include <optional>
#include <string>

namespace korvex {

// $XDG_CONFIG_HOME/autostart/korvex.desktop, with ~/.config when
// XDG_CONFIG_HOME is unset or not absolute; nullopt without a usable HOME.
std::optional<std::string> autostartFilePath();

// The program the login session is to start.
struct AutostartProgram {
    std::string path;            // absolute
    bool inBuildFolder = false;  // gone or stale once that folder is rebuilt or deleted
};

// For the executable at `executable`: its absolute path, and whether a folder
// above it holds a CMakeCache.txt (a build folder, not an installed place).
AutostartProgram autostartProgramAt(const std::string& executable);
// For the running executable; nullopt when the system does not tell it.
std::optional<AutostartProgram> runningAutostartProgram();

// The contents written: a desktop entry running "`program` --hidden", quoted
// as desktop entries require. Empty when the path cannot be written in one
// (a control character in it).
std::string autostartEntry(const std::string& program);

struct AutostartResult {
    bool ok = false;
    std::string path;
    std::string message;  // why it failed; empty on success
};

// Writes the entry for `program` (atomically; an existing file is replaced).
AutostartResult enableAutostart(const std::string& program);
// Removes the entry; a missing file counts as done.
AutostartResult disableAutostart();
// Whether the entry is there and not switched off ("Hidden=true" or
// "X-GNOME-Autostart-enabled=false", as desktop settings tools write).
bool isAutostartEnabled();

}  // namespace korvex
