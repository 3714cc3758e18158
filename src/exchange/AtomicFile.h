#pragma once

// Files this module writes are replaced atomically (QSaveFile): a reader
// sees the old contents or the new ones, never half a file.

#include <string>
#include <string_view>

namespace korvex::exchange {

// Writes `bytes` to `path`, creating its folder. False with `error` set
// (one sentence naming the file) when it could not.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// The whole file; false with `error` set when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string* error);

}  // namespace korvex::exchange
