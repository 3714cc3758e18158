#pragma once

#include <cstdint>

#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"

namespace korvex {

// Uploads built from what the database holds at this moment: the database is
// written first and the keyboard follows it, never the other way round.

// The key tables (top layer, then Fn layer) of a profile.
Upload storedKeyTablesUpload(DeviceSQLite& db, std::int64_t profile);
// The selected light mode of a profile with its stored parameters.
Upload storedLightModeUpload(DeviceSQLite& db, std::int64_t profile);
// The game mode boxes as restored from the store, and the stored numbers.
SystemFunctionState storedSystemFunctions(DeviceSQLite& db);
// Everything a first attach sends.
StartupSettings loadStartupSettings(DeviceSQLite& db);

// The whole start-up sequence as one upload, so no part of it can be
// replaced in the queue by its later repetition and the keyboard receives it
// in order.
Upload startupUpload(DeviceSQLite& db);

}  // namespace korvex
