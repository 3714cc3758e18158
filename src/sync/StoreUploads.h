#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/Transfer.h"
#include "store/StoreFault.h"

namespace korvex {
class DeviceSQLite;
}

namespace korvex::sync {

enum class UploadChoice { Keys, System, LightMode, UserLight, Macros, Startup };

struct UploadRequest {
    UploadChoice choice = UploadChoice::Keys;
    std::optional<std::int64_t> profile;  // keys, lightmode, userlight; 1 when not given
    std::optional<std::int64_t> lightId;  // userlight; the profile's first when not given
};

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
