#pragma once

// A profile in a file of its own, so it can move to another machine: its
// name, the assignments of both layers, its light mode settings and selected
// mode, the user lights it owns and the macros its keys play. The file names
// keys by their catalog names and macros by their names, never by row ids.
//
// Reading a file checks all of it before anything is stored (only a regular
// file of a sane size is read at all); importing adds a new profile in one
// step, so a bad file, or a failure half way, leaves the database exactly as
// it was.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/Records.h"

namespace korvex {

class DeviceSQLite;
class BackupShelf;

inline constexpr std::string_view kProfileFileFormat = "korvex-profile";
inline constexpr std::int64_t kProfileFileVersion = 1;

// The contents of a profile file, checked. Key codes are those of the key
// catalog; a macro assignment names its macro in `macro` instead of a value.
struct ProfileFile {
    struct Assignment {
        std::int64_t keyValue = 0;
        std::int64_t macroType = 0;
        std::int64_t macroValue = 0;  // unused for macros
        std::int64_t macro2Value = 0;
        std::int64_t macro3Value = 0;
        std::string macro;  // the macro's name, macros only
        std::string macroDesc;
    };
    struct LightMode {
        std::int64_t mode = 0;
        std::array<std::uint8_t, kLightByteCount - 1> bytes{};  // "byte1" .. "byte11"
    };
    struct UserLight {
        std::string name;
        std::vector<std::pair<std::int64_t, std::int64_t>> colours;  // key code, 0xRRGGBB
    };
    struct Macro {
        std::string name;
        std::int64_t playTimes = 1;
        std::int64_t delayType = 0;
        std::int64_t delayTime = 0;
        std::vector<RecordInfo> events;  // type, value and text; ids unused
    };

    std::string name;
    std::int64_t selectedLightMode = 0;
    std::vector<LightMode> lightModes;
    std::array<std::vector<Assignment>, 2> layers;  // top layer, Fn layer
    std::vector<UserLight> userLights;
    std::vector<Macro> macros;
};

// The file text of `file`: indented JSON, members in a fixed order, so the
// same profile always gives the same bytes.
std::string profileFileText(const ProfileFile& file);

struct ParsedProfileFile {
    std::optional<ProfileFile> file;
    std::string message;  // what is wrong, naming the place ("profile.fnLayer[2].key: ...")
};
// Reads and checks a whole file without touching any database.
ParsedProfileFile parseProfileFile(std::string_view text);

struct ProfileExport {
    bool ok = false;
    std::string text;                  // the file's contents
    std::string message;               // why nothing was exported
    std::vector<std::string> skipped;  // stored rows a file cannot carry, one line each
};

// The profile as a file. Like selecting the profile in the window, this
// makes sure the profile's light rows exist; nothing else is written.
ProfileExport exportProfile(DeviceSQLite& store, std::int64_t profile);
// The same, written to `path` atomically.
ProfileExport exportProfileToFile(DeviceSQLite& store, std::int64_t profile,
                                  const std::string& path);

struct ProfileImport {
    bool ok = false;
    std::int64_t profile = 0;  // the new profile's id
    std::string name;
    std::string message;                                             // why nothing was stored
    std::vector<std::pair<std::string, std::string>> renamedMacros;  // name in file, name stored
    std::string backupPath;  // the backup made before the import, if any
};

// Adds the file's profile (and its macros, renamed with " (2)", " (3)", ...
// where a macro of that name exists) to the database at `databasePath`, in
// one transaction that holds the write lock from the start: a file another
// program is writing is refused ("in use by another program"), and a failure
// anywhere, including macros that would no longer fit the keyboard, leaves
// the database as it was. A backup on `shelf`, when one is given, is taken
// inside that lock before the commit. A store holding the database open sees
// the new profile. Safe to call off the window's thread.
ProfileImport importProfile(const std::string& databasePath, std::string_view text,
                            BackupShelf* shelf);
ProfileImport importProfileFile(const std::string& databasePath, const std::string& path,
                                BackupShelf* shelf);

}  // namespace korvex
