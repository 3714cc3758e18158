#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/Transfer.h"
#include "store/Records.h"
#include "store/StoreFault.h"

namespace korvex {
class DeviceSQLite;
}

namespace korvex::sync {

// Keys sends both layers of a profile; TopLayerKeys and FnLayerKeys one
// layer's table, for an edit that changed only that layer.
enum class UploadChoice {
    Keys,
    System,
    LightMode,
    UserLight,
    Macros,
    Startup,
    TopLayerKeys,
    FnLayerKeys
};

struct UploadRequest {
    UploadChoice choice = UploadChoice::Keys;
    // Keys (either layer), lightmode, userlight; 1 when not given. Start-up: the profile
    // it ends on, the start-up profile when not given or not listed.
    std::optional<std::int64_t> profile;
    // Userlight: the profile's first when not given. Start-up: the user
    // light the keyboard ends on, 0 for none (it ends on the light mode),
    // the first scheme when not given.
    std::optional<std::int64_t> lightId;
    // Keys (either layer) and start-up: the macros the keyboard can play, in the slot order
    // of its macro image (see playableSlots). A key bound to any other macro
    // goes out at its own function. Not given: the stored macro list.
    std::optional<std::vector<MacroInfo>> keyboardMacros;
};

// The macros a macro image is built from: the list in slot order and every
// event row, as the store held them.
struct MacroSnapshot {
    std::vector<MacroInfo> macros;
    std::vector<RecordInfo> records;
    bool operator==(const MacroSnapshot&) const;
};
MacroSnapshot readMacros(DeviceSQLite& store);

// The slots of the image on the keyboard, each keeping its macro only while
// the store still holds that macro with the same events and delays; any
// other slot gets id -1, so no key is sent to play it. A key then never
// plays a macro other than the one the window shows for it.
std::vector<MacroInfo> playableSlots(const MacroSnapshot& onKeyboard, const MacroSnapshot& stored);

// The profile selected at attach: profile 1, or the first listed once
// profile 1 has been deleted (its application-wide values stay under 1).
std::int64_t startupProfile(const std::vector<ProfileData>& list);

// What the tool sends, built from the stored settings, or why it cannot.
struct BuiltUploads {
    enum class Status {
        Ready,
        DatabaseUnreadable,  // opening or any read failed; `fault` says why
        TooLarge,            // the macros do not fit the keyboard
        NothingToSend,       // no such profile or user light
    };
    Status status = Status::Ready;
    std::vector<Upload> uploads;          // in wire order
    std::string message;                  // the line for stderr when not Ready
    StoreFault fault = StoreFault::None;  // DatabaseUnreadable: the cause
    std::string detail;                   // SQLite's words, or what is missing
};

// Builds the uploads asked for from an open store, reading what it holds now.
// Like the window it makes sure a profile's light rows exist before reading
// its light mode; nothing else is written. When any read of the build fails
// the result is DatabaseUnreadable with no uploads: a failed read never
// becomes default entries on the keyboard.
BuiltUploads buildUploads(DeviceSQLite& store, const UploadRequest& request);

// DatabaseUnreadable with the cause of the store's last failure, for
// callers that read settings to send without the builder.
BuiltUploads readFailure(DeviceSQLite& store);

// Opens the settings database at path (creating and filling it at first start
// when missing; a file that is not a database is left untouched) and builds.
BuiltUploads buildUploads(const std::string& databasePath, const UploadRequest& request);

}  // namespace korvex::sync
