#pragma once

#include "StoreUploads.h"
#include "store/DeviceSQLite.h"

namespace korvex {

// The whole first-attach sequence, built from what the database holds now,
// joined into one upload, so no part of it can be replaced in the queue by
// its later repetition and the keyboard receives it in order. When Ready it
// holds exactly that one upload; otherwise nothing, and why.
sync::BuiltUploads startupUploads(DeviceSQLite& db);

}  // namespace korvex
