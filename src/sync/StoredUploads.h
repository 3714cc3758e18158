#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "StoreUploads.h"
#include "protocol/Transfer.h"
#include "store/DeviceSQLite.h"

namespace korvex {

// Uploads built from what the database holds at this moment (the database is
// written first and the keyboard follows it), the same ones korvexctl sends.
// Empty when there is nothing sound to send (an unknown profile, macros too
// large).
std::vector<Upload> storedUploads(DeviceSQLite& db, sync::UploadChoice choice,
                                  std::int64_t profile = 1,
                                  std::optional<std::vector<MacroInfo>> keyboardMacros = {});

// The whole first-attach sequence as one upload, so no part of it can be
// replaced in the queue by its later repetition and the keyboard receives it
// in order, ending on `profile`. The key tables name the slots of
// `keyboardMacros` (see sync::playableSlots).
Upload startupUpload(DeviceSQLite& db, std::int64_t profile, std::vector<MacroInfo> keyboardMacros);

}  // namespace korvex
