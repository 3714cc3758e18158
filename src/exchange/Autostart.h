#pragma once

// The desktop's autostart entry: with it, the session starts Korvex hidden in
// the tray at login, so the keyboard is set up without opening the window.

#include <optional>
#include <string>

namespace korvex {

// $XDG_CONFIG_HOME/autostart/korvex.desktop, with ~/.config when
// XDG_CONFIG_HOME is unset or not absolute; nullopt without a usable HOME.
std::optional<std::string> autostartFilePath();

// The contents written: a desktop entry running "korvex --hidden".
std::string autostartEntry();

struct AutostartResult {
    bool ok = false;
    std::string path;
    std::string message;  // why it failed; empty on success
};

// Writes the entry (atomically; an existing file is replaced).
AutostartResult enableAutostart();
// Removes the entry; a missing file counts as done.
AutostartResult disableAutostart();
// Whether the entry is there and not switched off ("Hidden=true" or
// "X-GNOME-Autostart-enabled=false", as desktop settings tools write).
bool isAutostartEnabled();

}  // namespace korvex
