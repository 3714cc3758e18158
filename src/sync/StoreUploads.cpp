#include "StoreUploads.h"

#include <algorithm>

#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"

namespace korvex::sync {

namespace {

using Status = BuiltUploads::Status;

constexpr std::int64_t kFirstProfile = 1;

BuiltUploads fail(Status status, std::string message) {
    BuiltUploads b;
    b.status = status;
    b.message = std::move(message);
    return b;
}

BuiltUploads ready(std::vector<Upload> uploads) {
    BuiltUploads b;
    b.uploads = std::move(uploads);
    return b;
}

std::vector<ProfileData> profiles(DeviceSQLite& store) {
    std::vector<ProfileData> list;
    store.queryProfileList(list);
    return list;
}

bool profileExists(DeviceSQLite& store, std::int64_t profile) {
    const auto list = profiles(store);
    return std::any_of(list.begin(), list.end(),
                       [&](const ProfileData& p) { return p.profId == profile; });
}

std::vector<ProfileKey> keys(DeviceSQLite& store, std::int64_t profile, std::int64_t layer) {
    std::vector<ProfileKey> rows;
    store.queryKeysProfile(profile, layer, rows);
    return rows;
}

std::vector<MacroInfo> macros(DeviceSQLite& store) {
    std::vector<MacroInfo> list;
    store.queryAllMacroData(list);
    return list;
}

Upload keyTables(DeviceSQLite& store, std::int64_t profile, const std::vector<MacroInfo>& m) {
    return keyTablesUpload(profile, keys(store, profile, 0), keys(store, profile, 1), m);
}

std::vector<UserLightLEDData> leds(DeviceSQLite& store, std::int64_t userlightId) {
    std::vector<UserLightLEDData> rows;
    store.getUserLightLEDData(userlightId, rows);
    return rows;
}

std::vector<UserLightData> userLights(DeviceSQLite& store, std::int64_t profile) {
    std::vector<UserLightData> list;
    store.getUserLightData(profile, list);
    return list;
}

// The check boxes of the settings page as it restores them, and the two
// stored numbers; application-wide values live under profile 1.
SystemFunctionState systemState(DeviceSQLite& store) {
    auto get = [&](const char* key) { return store.getConfigData(kFirstProfile, key); };
    return systemFunctionStateFromStore({get("gamemode"), get("disable_alttab"),
                                         get("disable_altf4"), get("disable_win"),
                                         get("fnfunction"), get("sleeplight")});
}

std::optional<lightData> lightRecord(DeviceSQLite& store, std::int64_t profile, std::int64_t mode) {
    lightData record;
    if (!store.queryLightInfo(profile, mode, record)) return std::nullopt;
    return record;
}

// The light modes the light page lists (and so can select and send).
bool listedLightMode(std::int64_t mode) {
    return mode >= 0 && mode <= 19;
}

BuiltUploads lightMode(DeviceSQLite& store, std::int64_t profile) {
    store.writeLightProfile(profile);
    const std::int64_t mode = store.getLightModeSelectIndex(profile);
    if (mode < 0 || mode > 0xFF)
        return fail(Status::NothingToSend, "the stored light mode " + std::to_string(mode) +
                                               " of profile " + std::to_string(profile) +
                                               " is not one the keyboard knows");
    return ready(
        {lightModeUpload(static_cast<std::uint8_t>(mode), lightRecord(store, profile, mode))});
}

BuiltUploads userLight(DeviceSQLite& store, std::int64_t profile,
                       std::optional<std::int64_t> lightId) {
    const auto list = userLights(store, profile);
    const auto chosen = std::find_if(list.begin(), list.end(), [&](const UserLightData& u) {
        return !lightId || u.userlight_id == *lightId;
    });
    if (chosen == list.end())
        return fail(Status::NothingToSend,
                    lightId ? "profile " + std::to_string(profile) + " has no user light " +
                                  std::to_string(*lightId)
                            : "profile " + std::to_string(profile) + " has no user light");
    return ready({userLightUpload(chosen->userlight_id, leds(store, chosen->userlight_id))});
}

BuiltUploads macroImage(DeviceSQLite& store) {
    const DeviceSQLite::ReadScope reading(store);
    const auto list = macros(store);
    // All rows in one pass; rows of macros no longer listed still count
    // towards the keyboard's event limit, as the store counts them.
    std::vector<RecordInfo> records;
    store.queryAllMacroRecords(records);
    MacroImageResult image = SaveMacroToKeyboard(list, records, records.size());
    if (image.status != MacroImageStatus::Ready) return fail(Status::TooLarge, image.reason);
    return ready({std::move(image.upload)});
}

// What the window sends when it first finds the keyboard, read in the order
// it reads: the first listed profile is selected (and its light rows made),
// then the light page, the user light page and the settings page load, then
// the shown or start-up profile is selected.
BuiltUploads startup(DeviceSQLite& store, std::optional<std::int64_t> profile,
                     const std::optional<std::vector<MacroInfo>>& keyboardMacros) {
    // Light rows are made first (a write), so the reads after it share one
    // read transaction. None are made for a profile that does not exist.
    const auto list = profiles(store);
    // The profile the window shows (after a replug or a resume), else the
    // start-up profile.
    const bool shown = profile && std::any_of(list.begin(), list.end(), [&](const ProfileData& p) {
                           return p.profId == *profile;
                       });
    const std::int64_t selected = shown ? *profile : startupProfile(list);
    if (!list.empty()) {
        store.writeLightProfile(list.front().profId);
        store.writeLightProfile(selected);
    }
    // The macro image first, when it fits: the keyboard may hold another
    // program's or another run's macros, and the key tables name its slots.
    // When it does not fit, nothing of the store is on the keyboard and no
    // key may play a macro.
    BuiltUploads image = macroImage(store);
    const bool imageFits = image.status == Status::Ready;
    const DeviceSQLite::ReadScope reading(store);

    StartupSettings s;
    s.macros =
        keyboardMacros ? *keyboardMacros : (imageFits ? macros(store) : std::vector<MacroInfo>{});
    if (!list.empty()) {
        const std::int64_t first = list.front().profId;
        s.firstListedProfile = first;
        s.firstListedTopRows = keys(store, first, 0);
        s.firstListedFnRows = keys(store, first, 1);
    }
    // The light page shows the start-up profile's selected mode with the
    // bytes of the profile selected just before.
    const std::int64_t mode = store.getLightModeSelectIndex(selected);
    if (listedLightMode(mode)) {
        s.lightMode = static_cast<std::uint8_t>(mode);
        s.lightModeRecord = lightRecord(store, s.firstListedProfile.value_or(selected), mode);
    }
    const auto lights = userLights(store, selected);
    if (!lights.empty()) {
        s.firstUserLightId = lights.front().userlight_id;
        s.firstUserLightLeds = leds(store, lights.front().userlight_id);
    }
    s.system = systemState(store);
    s.profile1TopRows = keys(store, selected, 0);
    s.profile1FnRows = keys(store, selected, 1);
    std::vector<Upload> all = imageFits ? std::move(image.uploads) : std::vector<Upload>{};
    for (Upload& u : firstAttachUploads(s)) all.push_back(std::move(u));
    return ready(std::move(all));
}

}  // namespace

std::int64_t startupProfile(const std::vector<ProfileData>& list) {
    for (const ProfileData& p : list)
        if (p.profId == kFirstProfile) return kFirstProfile;
    return list.empty() ? kFirstProfile : list.front().profId;
}

bool MacroSnapshot::operator==(const MacroSnapshot& other) const {
    auto sameMacro = [](const MacroInfo& a, const MacroInfo& b) {
        return a.macroId == b.macroId && a.playTimes == b.playTimes && a.delayType == b.delayType &&
               a.delayTime == b.delayTime;
    };
    auto sameRecord = [](const RecordInfo& a, const RecordInfo& b) {
        return a.macroId == b.macroId && a.recordType == b.recordType &&
               a.recordIndex == b.recordIndex && a.recordValue == b.recordValue;
    };
    return std::equal(macros.begin(), macros.end(), other.macros.begin(), other.macros.end(),
                      sameMacro) &&
           std::equal(records.begin(), records.end(), other.records.begin(), other.records.end(),
                      sameRecord);
}

MacroSnapshot readMacros(DeviceSQLite& store) {
    const DeviceSQLite::ReadScope reading(store);
    MacroSnapshot s;
    store.queryAllMacroData(s.macros);
    store.queryAllMacroRecords(s.records);
    return s;
}

std::vector<MacroInfo> playableSlots(const MacroSnapshot& onKeyboard, const MacroSnapshot& stored) {
    auto eventsOf = [](const MacroSnapshot& s, std::int64_t id) {
        MacroSnapshot one;
        for (const RecordInfo& r : s.records)
            if (r.macroId == id) one.records.push_back(r);
        for (const MacroInfo& m : s.macros)
            if (m.macroId == id) one.macros.push_back(m);
        return one;
    };
    std::vector<MacroInfo> slots = onKeyboard.macros;
    for (MacroInfo& slot : slots)
        if (eventsOf(onKeyboard, slot.macroId) != eventsOf(stored, slot.macroId)) slot.macroId = -1;
    return slots;
}

BuiltUploads buildUploads(DeviceSQLite& store, const UploadRequest& request) {
    const std::int64_t profile = request.profile.value_or(kFirstProfile);
    const bool perProfile = request.choice == UploadChoice::Keys ||
                            request.choice == UploadChoice::LightMode ||
                            request.choice == UploadChoice::UserLight;
    // An unknown profile would send empty tables and wipe the keyboard.
    if (perProfile && !profileExists(store, profile))
        return fail(Status::NothingToSend, "there is no profile " + std::to_string(profile));
    switch (request.choice) {
        case UploadChoice::Keys: {
            const DeviceSQLite::ReadScope reading(store);
            return ready({keyTables(
                store, profile, request.keyboardMacros ? *request.keyboardMacros : macros(store))});
        }
        case UploadChoice::System:
            return ready({systemFunctionUpload(systemState(store))});
        case UploadChoice::LightMode:
            return lightMode(store, profile);
        case UploadChoice::UserLight:
            return userLight(store, profile, request.lightId);
        case UploadChoice::Macros:
            return macroImage(store);
        case UploadChoice::Startup:
            return startup(store, request.profile, request.keyboardMacros);
    }
    return fail(Status::NothingToSend, "unknown upload");
}

BuiltUploads buildUploads(const std::string& databasePath, const UploadRequest& request) {
    DeviceSQLite store([](const std::string&) {});
    const OpenResult opened = store.openFile(databasePath);
    if (!opened.ok) return fail(Status::DatabaseUnreadable, opened.reason);
    return buildUploads(store, request);
}

}  // namespace korvex::sync
