#include "ui/StoredUploads.h"

namespace korvex {

namespace {

constexpr std::int64_t kAppProfile = 1;  // application-wide values live here

std::vector<ProfileKey> layerRows(DeviceSQLite& db, std::int64_t profile, int layer) {
    std::vector<ProfileKey> rows;
    db.queryKeysProfile(profile, layer, rows);
    return rows;
}

std::optional<lightData> lightRecord(DeviceSQLite& db, std::int64_t profile, std::int64_t mode) {
    lightData record;
    if (!db.queryLightInfo(profile, mode, record)) return std::nullopt;
    return record;
}

std::uint8_t modeByte(std::int64_t mode) {
    return static_cast<std::uint8_t>(mode >= 0 && mode <= 19 ? mode : 0);
}

}  // namespace

Upload storedKeyTablesUpload(DeviceSQLite& db, std::int64_t profile) {
    std::vector<MacroInfo> macros;
    db.queryAllMacroData(macros);
    return keyTablesUpload(profile, layerRows(db, profile, 0), layerRows(db, profile, 1), macros);
}

Upload storedLightModeUpload(DeviceSQLite& db, std::int64_t profile) {
    const std::int64_t mode = db.getLightModeSelectIndex(profile);
    return lightModeUpload(modeByte(mode), lightRecord(db, profile, mode));
}

SystemFunctionState storedSystemFunctions(DeviceSQLite& db) {
    StoredSystemValues stored;
    stored.gamemode = db.getConfigData(kAppProfile, "gamemode");
    stored.disable_alttab = db.getConfigData(kAppProfile, "disable_alttab");
    stored.disable_altf4 = db.getConfigData(kAppProfile, "disable_altf4");
    stored.disable_win = db.getConfigData(kAppProfile, "disable_win");
    stored.fnfunction = db.getConfigData(kAppProfile, "fnfunction");
    stored.sleeplight = db.getConfigData(kAppProfile, "sleeplight");
    return systemFunctionStateFromStore(stored);
}

StartupSettings loadStartupSettings(DeviceSQLite& db) {
    StartupSettings s;
    std::vector<ProfileData> profiles;
    db.queryProfileList(profiles);
    if (!profiles.empty()) {
        s.firstListedProfile = profiles.front().profId;
        s.firstListedTopRows = layerRows(db, *s.firstListedProfile, 0);
        s.firstListedFnRows = layerRows(db, *s.firstListedProfile, 1);
    }
    db.queryAllMacroData(s.macros);

    const std::int64_t mode = db.getLightModeSelectIndex(kAppProfile);
    s.lightMode = modeByte(mode);
    s.lightModeRecord = lightRecord(db, kAppProfile, mode);

    std::vector<UserLightData> userLights;
    db.getUserLightData(kAppProfile, userLights);
    if (!userLights.empty()) {
        s.firstUserLightId = userLights.front().userlight_id;
        db.getUserLightLEDData(*s.firstUserLightId, s.firstUserLightLeds);
    }
    s.system = storedSystemFunctions(db);
    s.profile1TopRows = layerRows(db, kAppProfile, 0);
    s.profile1FnRows = layerRows(db, kAppProfile, 1);
    return s;
}

Upload startupUpload(DeviceSQLite& db) {
    Upload all;
    all.kind = UploadKind::Keys;
    all.target = -1;  // no other upload has this target
    all.label = "start-up settings";
    for (Upload& part : firstAttachUploads(loadStartupSettings(db)))
        for (Transfer& t : part.transfers) all.transfers.push_back(std::move(t));
    return all;
}

}  // namespace korvex
