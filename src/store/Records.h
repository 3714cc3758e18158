#pragma once

// Plain value records copied in and out of the settings store. Field names
// follow the established names of the stored data; keep them stable, other
// modules (encoders, pages) build on them.

#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

// The first profile. It also holds what belongs to no single profile: the
// application-wide settings and the user light schemes, which every profile
// shows.
inline constexpr std::int64_t kApplicationProfile = 1;

// One row of "t_profile".
struct ProfileData {
    std::int64_t profId = 0;
    std::string name;
};

// Number of setting bytes of a built-in light mode: element 0 is the mode
// number, elements 1 to 11 the columns "byte1" to "byte11".
inline constexpr std::size_t kLightByteCount = 12;

// One row of "t_lightdata".
struct lightData {
    std::int64_t lightId = 0;
    std::int64_t profId = 0;
    std::string name;
    std::int64_t status = 0;  // 1 on the profile's selected mode
    std::vector<std::uint8_t> lightBytes = std::vector<std::uint8_t>(kLightByteCount, 0);
};

// One row of "t_keyprofile": a reassigned key of one profile and layer.
struct ProfileKey {
    std::int64_t keyId = 0;      // assigned by the database, ignored on input
    std::int64_t fnlayerId = 0;  // 0 top layer, 1 Fn layer
    std::int64_t profId = 0;
    std::int64_t keyValue = 0;  // code of the physical key
    std::int64_t macroType = 0;
    std::int64_t macroValue = 0;  // 0 means back to the factory function
    std::int64_t macro2Value = 0;
    std::int64_t macro3Value = 0;
    std::string macroDesc;
};

// One row of "t_macro_data".
struct MacroInfo {
    std::int64_t macroId = 0;
    std::int64_t playTimes = 0;
    std::int64_t delayType = 0;
    std::int64_t delayTime = 0;
    std::string macroName;
};

// One row of "t_macrorecord": one event of a macro.
struct RecordInfo {
    std::int64_t recordId = 0;  // ignored on input
    std::int64_t macroId = 0;
    std::int64_t recordType = 0;
    std::int64_t recordIndex = 0;  // zero-based position within the macro
    std::int64_t recordValue = 0;
    std::string recordDesc;
};

// One row of "t_userlight_data": a per-key colour scheme.
struct UserLightData {
    std::int64_t userlight_id = 0;
    std::int64_t profile_id = 0;
    std::string userlight_name;
    std::int64_t speed = 0;
    std::int64_t brightness = 0;
};

// One row of "t_userlight_leddata": one key colour of a scheme.
struct UserLightLEDData {
    std::int64_t led_id = 0;  // ignored on input
    std::int64_t userlight_id = 0;
    std::int64_t key_value = 0;
    std::int64_t key_rgbvalue = 0;  // red * 65536 + green * 256 + blue; 0 is black (no row)
};

// One rule of automatic profile switching ("t_autoswitch_rule"): while the
// application in front, or a running program, matches, `profId` is shown.
struct AutoSwitchRule {
    enum Kind : std::int64_t { Application = 0, Program = 1 };
    std::int64_t ruleId = 0;  // assigned by the database, ignored on input
    std::int64_t profId = 0;
    std::int64_t kind = Application;
    std::string match;  // application id / window class, or executable name
    std::string title;  // Application only: a part of the window title; empty: any
};

// Automatic switching as stored: on or off, the profile shown when no rule
// matches (0: none, the shown profile stays) and the rules in their order.
struct AutoSwitchSettings {
    bool enabled = false;
    std::int64_t defaultProfile = 0;
    std::vector<AutoSwitchRule> rules;
};

}  // namespace korvex
