#pragma once

// The keyboard-wide switches: the four game mode switches, the Fn mode and
// the light sleep time as stored, and the upload that carries them. Used by the settings, key and
// light pages.

#include <cstdint>
#include <string>

#include "protocol/Encoders.h"

namespace korvex {

class DeviceSQLite;
class KeyboardViewController;

// Application-wide configuration values are stored under profile 1.
inline constexpr std::int64_t kAppProfileId = kApplicationProfile;

// Stores `value` under `key` of profile 1: the existing row is changed, a
// store that lacks the row gets one (a second row would never be read back).
// False when the store failed.
[[nodiscard]] bool storeAppValue(DeviceSQLite& db, const std::string& key,
                                 const std::string& value);

// Sends them; the keyboard's whole system table is rewritten.
// Sends nothing (and tells the user) when a stored value cannot be read.
void SendSystemFunctionData(KeyboardViewController& hub);

}  // namespace korvex
