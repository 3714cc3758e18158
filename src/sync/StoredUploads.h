#pragma once

#include <cstdint>
#include <vector>

#include "StoreUploads.h"
#include "store/DeviceSQLite.h"

namespace korvex {

// The whole first-attach sequence, built from what the database holds now,
// joined into one upload, so no part of it can be replaced in the queue by
// its later repetition and the keyboard receives it in order, ending on
// `profile`. The key tables name the slots of `keyboardMacros` (see
// sync::playableSlots). When Ready it holds exactly that one upload;
// otherwise nothing, and why.
sync::BuiltUploads startupUploads(DeviceSQLite& db, std::int64_t profile,
                                  std::vector<MacroInfo> keyboardMacros);

}  // namespace korvex
