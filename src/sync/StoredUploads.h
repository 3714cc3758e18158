#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "StoreUploads.h"
#include "store/DeviceSQLite.h"

namespace korvex {

// The whole first-attach sequence, built from what the database holds now,
// joined into one upload, so no part of it can be replaced in the queue by
// its later repetition and the keyboard receives it in order, ending on
// `profile`. The key tables name the slots of `keyboardMacros` (see
// sync::playableSlots). `userLight` is the user light it ends on (0: the
// light mode; not given: the first scheme, if any); `endsOnUserLight` is
// set to the one it does end on. When Ready it holds exactly that one
// upload; otherwise nothing, and why.
sync::BuiltUploads startupUploads(DeviceSQLite& db, std::int64_t profile,
                                  std::optional<std::int64_t> userLight,
                                  std::vector<MacroInfo> keyboardMacros,
                                  std::optional<std::int64_t>& endsOnUserLight);

}  // namespace korvex
