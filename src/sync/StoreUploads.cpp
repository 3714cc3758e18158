#include "StoreUploads.h"

#include <algorithm>

#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"
#include "store/StoreFault.h"

namespace korvex::sync {

namespace {

using Status = BuiltUploads::Status;

constexpr std::int64_t kFirstProfile = kApplicationProfile;

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

// Reads for one build. Every read that fails marks the whole build failed:
// an empty list from a failed query must never go out as default entries.
class Reader {
  public:
    explicit Reader(DeviceSQLite& store) : store_(store) {}
    DeviceSQLite& store() { return store_; }
    bool failed() const { return failed_; }
    void check(bool ok) { failed_ = failed_ || !ok; }

    std::vector<ProfileData> profiles() {
        std::vector<ProfileData> list;
        check(store_.queryProfileList(list));
        return list;
    }
    std::vector<ProfileKey> keys(std::int64_t profile, std::int64_t layer) {
        std::vector<ProfileKey> rows;
        check(store_.queryKeysProfile(profile, layer, rows));
        return rows;
    }
    // The counting reads below cannot tell "none" from "failed"; the
    // connection's failure count catches those (see buildUploads).
    std::vector<MacroInfo> macros() {
        std::vector<MacroInfo> list;
        store_.queryAllMacroData(list);
        return list;
    }
    std::vector<UserLightLEDData> leds(std::int64_t userlightId) {
        std::vector<UserLightLEDData> rows;
        store_.getUserLightLEDData(userlightId, rows);
        return rows;
    }
    std::vector<UserLightData> userLights(std::int64_t profile) {
        std::vector<UserLightData> list;
        store_.getUserLightData(profile, list);
        return list;
    }

  private:
    DeviceSQLite& store_;
    bool failed_ = false;
};

bool profileExists(Reader& r, std::int64_t profile) {
    const auto list = r.profiles();
    return std::any_of(list.begin(), list.end(),
                       [&](const ProfileData& p) { return p.profId == profile; });
}

Upload keyTables(Reader& r, std::int64_t profile, const std::vector<MacroInfo>& m) {
    return keyTablesUpload(profile, r.keys(profile, 0), r.keys(profile, 1), m);
}

// The check boxes of the settings page as it restores them, and the two
// stored numbers; application-wide values live under profile 1.
SystemFunctionState systemState(Reader& r) {
    auto get = [&](const char* key) { return r.store().getConfigData(kFirstProfile, key); };
    return systemFunctionStateFromStore({get("gamemode"), get("disable_alttab"),
                                         get("disable_altf4"), get("disable_win"),
                                         get("fnfunction"), get("sleeplight")});
}

// No row (or a byte out of range) reads as no record, which the encoder
// knows; a failed query is caught by the failure count.
std::optional<lightData> lightRecord(Reader& r, std::int64_t profile, std::int64_t mode) {
    lightData record;
    if (!r.store().queryLightInfo(profile, mode, record)) return std::nullopt;
    return record;
}

// The light modes the light page lists (and so can select and send).
bool listedLightMode(std::int64_t mode) {
    return mode >= 0 && mode <= 19;
}

BuiltUploads lightMode(Reader& r, std::int64_t profile) {
    r.check(r.store().writeLightProfile(profile));
    const std::int64_t mode = r.store().getLightModeSelectIndex(profile);
    if (mode < 0 || mode > 0xFF)
        return fail(Status::NothingToSend, "the stored light mode " + std::to_string(mode) +
                                               " of profile " + std::to_string(profile) +
                                               " is not one the keyboard knows");
    return ready({lightModeUpload(static_cast<std::uint8_t>(mode), lightRecord(r, profile, mode))});
}

BuiltUploads userLight(Reader& r, std::int64_t profile, std::optional<std::int64_t> lightId) {
    const auto list = r.userLights(profile);
    const auto chosen = std::find_if(list.begin(), list.end(), [&](const UserLightData& u) {
        return !lightId || u.userlight_id == *lightId;
    });
    if (chosen == list.end())
        return fail(Status::NothingToSend,
                    lightId ? "profile " + std::to_string(profile) + " has no user light " +
                                  std::to_string(*lightId)
                            : "profile " + std::to_string(profile) + " has no user light");
    return ready({userLightUpload(chosen->userlight_id, r.leds(chosen->userlight_id))});
}

BuiltUploads macroImage(Reader& r) {
    const DeviceSQLite::ReadScope reading(r.store());
    const auto list = r.macros();
    // All rows in one pass; rows of macros no longer listed still count
    // towards the keyboard's event limit, as the store counts them.
    std::vector<RecordInfo> records;
    r.store().queryAllMacroRecords(records);
    MacroImageResult image = SaveMacroToKeyboard(list, records, records.size());
    if (image.status != MacroImageStatus::Ready) return fail(Status::TooLarge, image.reason);
    return ready({std::move(image.upload)});
}

// What the window sends when it first finds the keyboard, read in the order
// it reads: the first listed profile is selected (and its light rows made),
// then the light page, the user light page and the settings page load, then
// the shown or start-up profile is selected.
BuiltUploads startup(Reader& r, std::optional<std::int64_t> profile,
                     std::optional<std::int64_t> userLight,
                     const std::optional<std::vector<MacroInfo>>& keyboardMacros) {
    // Light rows are made first (a write), so the reads after it share one
    // read transaction. None are made for a profile that does not exist.
    const auto list = r.profiles();
    // The profile the window shows (after a replug or a resume), else the
    // start-up profile.
    const bool shown = profile && std::any_of(list.begin(), list.end(), [&](const ProfileData& p) {
                           return p.profId == *profile;
                       });
    const std::int64_t selected = shown ? *profile : startupProfile(list);
    if (!list.empty()) {
        r.check(r.store().writeLightProfile(list.front().profId));
        r.check(r.store().writeLightProfile(selected));
    }
    // The macro image first, when it fits: the keyboard may hold another
    // program's or another run's macros, and the key tables name its slots.
    // When it does not fit, nothing of the store is on the keyboard and no
    // key may play a macro.
    BuiltUploads image = macroImage(r);
    const bool imageFits = image.status == Status::Ready;
    const DeviceSQLite::ReadScope reading(r.store());

    StartupSettings s;
    s.macros =
        keyboardMacros ? *keyboardMacros : (imageFits ? r.macros() : std::vector<MacroInfo>{});
    if (!list.empty()) {
        const std::int64_t first = list.front().profId;
        s.firstListedProfile = first;
        s.firstListedTopRows = r.keys(first, 0);
        s.firstListedFnRows = r.keys(first, 1);
    }
    // The selected profile's mode with its own bytes, as the light page
    // shows them for that profile.
    const std::int64_t mode = r.store().getLightModeSelectIndex(selected);
    if (listedLightMode(mode)) {
        s.lightMode = static_cast<std::uint8_t>(mode);
        s.lightModeRecord = lightRecord(r, selected, mode);
    }
    // The user light schemes are the whole application's. The keyboard ends
    // on the scheme asked for (none: on the light mode), else on the first.
    const auto lights = r.userLights(kApplicationProfile);
    const auto ending = std::find_if(lights.begin(), lights.end(), [&](const UserLightData& u) {
        return !userLight || u.userlight_id == *userLight;
    });
    if (ending != lights.end()) {
        s.firstUserLightId = ending->userlight_id;
        s.firstUserLightLeds = r.leds(ending->userlight_id);
    }
    s.system = systemState(r);
    s.profile1TopRows = r.keys(selected, 0);
    s.profile1FnRows = r.keys(selected, 1);
    std::vector<Upload> all = imageFits ? std::move(image.uploads) : std::vector<Upload>{};
    for (Upload& u : firstAttachUploads(s)) all.push_back(std::move(u));
    return ready(std::move(all));
}

BuiltUploads build(Reader& r, const UploadRequest& request) {
    const std::int64_t profile = request.profile.value_or(kFirstProfile);
    // The first profile's user lights are the whole application's: they
    // stay when that profile is deleted.
    const bool oneLayer =
        request.choice == UploadChoice::TopLayerKeys || request.choice == UploadChoice::FnLayerKeys;
    const bool perProfile =
        request.choice == UploadChoice::Keys || oneLayer ||
        request.choice == UploadChoice::LightMode ||
        (request.choice == UploadChoice::UserLight && profile != kApplicationProfile);
    // An unknown profile would send empty tables and wipe the keyboard.
    if (perProfile && !profileExists(r, profile)) {
        if (r.failed()) return {};  // reported by the caller as a failed read
        return fail(Status::NothingToSend, "there is no profile " + std::to_string(profile));
    }
    switch (request.choice) {
        case UploadChoice::Keys: {
            const DeviceSQLite::ReadScope reading(r.store());
            return ready({keyTables(
                r, profile, request.keyboardMacros ? *request.keyboardMacros : r.macros())});
        }
        case UploadChoice::TopLayerKeys:
        case UploadChoice::FnLayerKeys: {
            const DeviceSQLite::ReadScope reading(r.store());
            const std::int64_t layer = request.choice == UploadChoice::TopLayerKeys ? 0 : 1;
            return ready(
                {keyLayerUpload(profile, layer, r.keys(profile, layer),
                                request.keyboardMacros ? *request.keyboardMacros : r.macros())});
        }
        case UploadChoice::System:
            return ready({systemFunctionUpload(systemState(r))});
        case UploadChoice::LightMode:
            return lightMode(r, profile);
        case UploadChoice::UserLight:
            return userLight(r, profile, request.lightId);
        case UploadChoice::Macros:
            return macroImage(r);
        case UploadChoice::Startup:
            return startup(r, request.profile, request.lightId, request.keyboardMacros);
    }
    return fail(Status::NothingToSend, "unknown upload");
}

StoreFault openFault(const OpenResult& opened) {
    switch (opened.error) {
        case OpenError::Locked:
            return StoreFault::Busy;
        case OpenError::ReadOnly:
        case OpenError::CannotOpen:
            return StoreFault::PermissionDenied;
        case OpenError::NotADatabase:
            return StoreFault::NotADatabase;
        case OpenError::Damaged:
            return StoreFault::Damaged;
        case OpenError::SchemaMismatch:
            return StoreFault::MissingSchema;
        case OpenError::None:
        case OpenError::NoLocation:
        case OpenError::CannotCreate:
        case OpenError::SchemaFailed:
            break;
    }
    return StoreFault::ReadError;
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

BuiltUploads readFailure(DeviceSQLite& store) {
    BuiltUploads b = fail(Status::DatabaseUnreadable, {});
    b.fault = storeFaultOf(store.lastErrorCode());
    if (b.fault == StoreFault::None) b.fault = StoreFault::ReadError;
    b.detail = store.lastError();
    b.message =
        "nothing sent: " +
        (b.fault == StoreFault::Damaged
             ? damagedText(store.filePath(), b.detail)
             : storeFaultSentence("the settings database " + store.filePath(), b.fault, b.detail));
    return b;
}

BuiltUploads buildUploads(DeviceSQLite& store, const UploadRequest& request) {
    if (!store.isOpen()) {
        BuiltUploads b =
            fail(Status::DatabaseUnreadable, "nothing sent: the settings are not open");
        b.fault = StoreFault::ReadError;
        return b;
    }
    const DeviceSQLite::FailureWatch watch(store);
    Reader reader(store);
    BuiltUploads built = build(reader, request);
    // A failed read anywhere in the build (the file locked past the busy
    // timeout, an I/O error, a damaged page, a missing table or column)
    // fails all of it: nothing is sent from what was read.
    if (reader.failed() || watch.failed()) return readFailure(store);
    return built;
}

BuiltUploads buildUploads(const std::string& databasePath, const UploadRequest& request) {
    DeviceSQLite store([](const std::string&) {});
    const OpenResult opened = store.openFile(databasePath);
    if (!opened.ok) {
        BuiltUploads b = fail(Status::DatabaseUnreadable, opened.reason);
        b.fault = openFault(opened);
        b.detail = opened.error == OpenError::SchemaMismatch ? opened.missing : opened.reason;
        return b;
    }
    return buildUploads(store, request);
}

}  // namespace korvex::sync
