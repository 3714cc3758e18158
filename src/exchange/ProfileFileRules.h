#pragma once

// The rules a profile file's values follow, shared by reading a file (a
// value breaking one is refused) and exporting (a stored row breaking one is
// left out and named). Not part of this module's interface.

#include <cstdint>
#include <optional>
#include <string>

#include "exchange/ProfileFile.h"

namespace korvex::profilefile {

// The store keeps a row for every mode 0 to 20; the keyboard's modes, and so
// the selected one, are 0 to 19.
inline constexpr std::int64_t kLastStoredLightMode = 20;
inline constexpr std::int64_t kLastLightMode = 19;
inline constexpr std::int64_t kFallbackLightMode = 3;  // what a fresh profile selects
inline constexpr std::int64_t kMaxColour = 0xFFFFFF;
// Names are typed by people; a longer one is not a name but a payload.
inline constexpr int kMaxNameLength = 256;
inline constexpr const char* kLayerNames[2] = {"topLayer", "fnLayer"};

struct Problem {
    const char* member;
    std::string what;
};

std::string inRange(std::int64_t min, std::int64_t max);
std::optional<Problem> assignmentProblem(const ProfileFile::Assignment& a);
std::optional<Problem> eventProblem(const RecordInfo& e);
std::optional<Problem> macroProblem(const ProfileFile::Macro& m);

// A name as it is stored: without leading and trailing white space. What is
// wrong with it, if anything (empty, only spaces, too long).
std::string trimmedName(const std::string& name);
std::optional<std::string> nameProblem(const std::string& trimmed);

// The catalog name of a key code; empty for a code that is no key of this keyboard.
std::string keyName(std::int64_t code);

}  // namespace korvex::profilefile
