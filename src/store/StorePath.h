#pragma once

#include <optional>
#include <string>

namespace korvex {

// File name of the settings database; stored files depend on it, never rename.
inline constexpr const char* kDatabaseFileName = "device_keyboard_tarnel_v1.sqlite3";

// An XDG base folder: the variable's value when it is absolute, else
// $HOME/<homeFallback> (e.g. ".local/share"). Empty when neither is usable.
std::optional<std::string> xdgBaseDirectory(const char* variable, const char* homeFallback);

// Folder of the database: $XDG_DATA_HOME/korvex/db, with ~/.local/share when
// XDG_DATA_HOME is unset or not absolute. Empty when neither it nor HOME is usable.
std::optional<std::string> databaseDirectory();

// Full path of the database file inside databaseDirectory().
std::optional<std::string> databasePath();

// Creates the folder and its parents. False (with a reason) when it cannot.
bool createDirectories(const std::string& dir, std::string* reason);

}  // namespace korvex
