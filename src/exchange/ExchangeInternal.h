#pragma once

// Helpers the sources of this module share; not part of its interface.

#include <optional>
#include <string>
#include <string_view>

#include "store/Sqlite.h"

namespace korvex::exchange {

// Files this module writes are replaced atomically (QSaveFile): a reader
// sees the old contents or the new ones, never half a file.

// Writes `bytes` to `path`, creating its folder. False with `error` set
// (one sentence naming the file) when it could not.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// The whole file; false with `error` set when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string* error);

// Opens an existing database file for reading only, with the busy timeout.
bool openReadOnly(sql::Connection& db, const std::string& path);

// Copies all pages of `from` into `to` in one pass. `to` is written in one
// transaction, so it ends up holding either its old or the new contents, and
// other connections to it see the new contents afterwards.
bool onlineBackup(sql::Connection& to, sql::Connection& from, std::string* error);

// The result codes that mean another program holds the file locked.
bool isBusy(int sqliteCode);

inline constexpr int kBusyTimeoutMs = 5000;
// How long restore and import wait for the write lock before they refuse: a
// program that holds it longer is busy writing, and must not be overrun.
inline constexpr int kLockWaitMs = 500;
inline constexpr const char* kInUse = "is in use by another program";

}  // namespace korvex::exchange
