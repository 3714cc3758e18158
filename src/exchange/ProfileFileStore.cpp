// Profile files and the store: exporting a stored profile, and importing a
// checked file as a new profile in one transaction.

#include <QList>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "exchange/Backups.h"
#include "exchange/BoundedFile.h"
#include "exchange/ExchangeInternal.h"
#include "exchange/ProfileFile.h"
#include "exchange/ProfileFileRules.h"
#include "protocol/Encoders.h"
#include "store/DeviceSQLite.h"

namespace korvex {

namespace {

namespace fs = std::filesystem;
using namespace profilefile;

ProfileImport refused(std::string message) {
    ProfileImport r;
    r.message = std::move(message);
    return r;
}

// `wanted`, or the first of "wanted (2)", "wanted (3)", ... nobody uses.
std::string freeName(const std::string& wanted, const std::set<std::string>& taken) {
    if (!taken.count(wanted)) return wanted;
    for (int n = 2;; ++n) {
        std::string candidate = wanted + " (" + std::to_string(n) + ")";
        if (!taken.count(candidate)) return candidate;
    }
}

// The id of a stored macro with the file macro's name, play settings and
// events, if there is one.
std::optional<std::int64_t> sameMacro(const std::vector<MacroInfo>& macros,
                                      const std::vector<RecordInfo>& events,
                                      const ProfileFile::Macro& wanted) {
    for (const MacroInfo& m : macros) {
        if (m.macroName != wanted.name || m.playTimes != wanted.playTimes ||
            m.delayType != wanted.delayType || m.delayTime != wanted.delayTime)
            continue;
        std::vector<const RecordInfo*> own;
        for (const RecordInfo& e : events)
            if (e.macroId == m.macroId) own.push_back(&e);
        const bool same =
            std::equal(own.begin(), own.end(), wanted.events.begin(), wanted.events.end(),
                       [](const RecordInfo* a, const RecordInfo& b) {
                           return a->recordType == b.recordType &&
                                  a->recordValue == b.recordValue && a->recordDesc == b.recordDesc;
                       });
        if (same) return m.macroId;
    }
    return std::nullopt;
}

// Adds the file's profile to an open store; the message on failure.
std::optional<std::string> addToStore(DeviceSQLite& store, const ProfileFile& file,
                                      ProfileImport& result) {
    auto storeFailed = [&](const std::string& what) {
        const StoreFault fault = storeFaultOf(store.lastErrorCode());
        // The cause in the words every command uses ("no space left on the
        // device"), SQLite's own text otherwise.
        if (fault == StoreFault::ReadError || fault == StoreFault::MissingSchema)
            return "cannot store " + what + ": " + store.lastError();
        return "cannot store " + what + ": " + storeFaultText(fault);
    };
    const std::int64_t profile = store.addProfile(file.name);
    if (profile <= 0 || !store.writeLightProfile(profile)) return storeFailed("the profile");
    for (const ProfileFile::LightMode& m : file.lightModes) {
        std::vector<std::uint8_t> bytes(kLightByteCount, 0);
        bytes[0] = static_cast<std::uint8_t>(m.mode);
        std::copy(m.bytes.begin(), m.bytes.end(), bytes.begin() + 1);
        if (!store.modifyLightData(profile, m.mode, bytes)) return storeFailed("a light mode");
    }
    if (!store.selectLightMode(profile, file.selectedLightMode))
        return storeFailed("the light mode");

    const DeviceSQLite::FailureWatch watch(store);
    std::vector<MacroInfo> existing;
    store.queryAllMacroData(existing);
    std::vector<RecordInfo> existingEvents;
    store.queryAllMacroRecords(existingEvents);
    if (watch.failed()) return storeFailed("the profile: the macros cannot be read");
    std::set<std::string> taken;
    for (const MacroInfo& m : existing) taken.insert(m.macroName);
    // The file's macro name -> the id and name it is stored under.
    std::map<std::string, std::pair<std::int64_t, std::string>> stored;
    for (const ProfileFile::Macro& m : file.macros) {
        // The same profile imported again plays the macros it brought the
        // first time instead of a copy of each.
        if (const auto same = sameMacro(existing, existingEvents, m)) {
            stored[m.name] = {*same, m.name};
            continue;
        }
        const std::string name = freeName(m.name, taken);
        taken.insert(name);
        if (name != m.name) result.renamedMacros.emplace_back(m.name, name);
        const std::int64_t id = store.addMacroProfile(name);
        if (id <= 0 || !store.modifyMacroInfo({id, m.playTimes, m.delayType, m.delayTime, {}}) ||
            !store.rewriteMacroRecords(id, m.events))
            return storeFailed("the macro \"" + m.name + "\"");
        stored[m.name] = {id, name};
    }
    for (std::size_t layer = 0; layer < file.layers.size(); ++layer) {
        for (const ProfileFile::Assignment& a : file.layers[layer]) {
            const bool macro = a.macroType == kMacroTypeMacro;
            // A key shows its macro by the name the macro is stored under.
            ProfileKey row{0,
                           static_cast<std::int64_t>(layer),
                           profile,
                           a.keyValue,
                           a.macroType,
                           macro ? stored.at(a.macro).first : a.macroValue,
                           a.macro2Value,
                           a.macro3Value,
                           macro ? stored.at(a.macro).second : a.macroDesc};
            if (store.addKeyProfile(row) <= 0) return storeFailed("a key assignment");
        }
    }
    // As on the key page, a key that acts as Fn does so on both layers.
    for (std::size_t layer = 0; layer < file.layers.size(); ++layer) {
        for (const ProfileFile::Assignment& a : file.layers[layer]) {
            if (a.macroType != kMacroTypeKeyboard || a.macroValue != kFnKeyCode) continue;
            const ProfileKey other{0,           layer == 0 ? 1 : 0, profile,       a.keyValue,
                                   a.macroType, a.macroValue,       a.macro2Value, a.macro3Value,
                                   a.macroDesc};
            if (store.addKeyProfile(other) <= 0) return storeFailed("a key assignment");
        }
    }
    for (const ProfileFile::UserLight& light : file.userLights) {
        const std::int64_t id = store.addUserLight(profile, light.name);
        std::vector<UserLightLEDData> leds;
        for (const auto& [code, rgb] : light.colours) leds.push_back({0, id, code, rgb});
        if (id <= 0 || !store.rewriteUserLightLEDData(id, leds))
            return storeFailed("the user light \"" + light.name + "\"");
    }
    // The keyboard holds every macro in one image; one that no longer fits
    // could never be uploaded again.
    if (!file.macros.empty()) {
        std::vector<MacroInfo> macros;
        std::vector<RecordInfo> records;
        store.queryAllMacroData(macros);
        store.queryAllMacroRecords(records);
        const MacroImageResult image = SaveMacroToKeyboard(macros, records, records.size());
        if (image.status != MacroImageStatus::Ready)
            return "the macros would not fit the keyboard: " + image.reason;
    }
    result.profile = profile;
    result.name = file.name;
    return std::nullopt;
}

// A stored name as a file carries it. Names the file rules refuse (empty,
// only spaces, too long) are mended, and the mending is named.
std::string fileName(const std::string& stored, const std::string& what,
                     const std::string& fallback, std::vector<std::string>& skipped) {
    std::string name = trimmedName(stored);
    if (name.empty()) {
        skipped.push_back(what + " has no name; written as \"" + fallback + "\"");
        return fallback;
    }
    const QList<uint> characters = QString::fromStdString(name).toUcs4();
    if (characters.size() > kMaxNameLength) {
        name = trimmedName(
            QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.data()), kMaxNameLength)
                .toStdString());
        skipped.push_back(what + ": the name is longer than " + std::to_string(kMaxNameLength) +
                          " characters; written shortened");
    }
    return name;
}

}  // namespace

ProfileExport exportProfile(DeviceSQLite& store, std::int64_t profile) {
    ProfileExport result;
    std::vector<ProfileData> profiles;
    if (!store.queryProfileList(profiles)) {
        result.message = "cannot read the profiles: " + store.lastError();
        return result;
    }
    const auto found = std::find_if(profiles.begin(), profiles.end(),
                                    [&](const ProfileData& p) { return p.profId == profile; });
    if (found == profiles.end()) {
        result.message = "there is no profile " + std::to_string(profile);
        return result;
    }
    ProfileFile file;
    file.name =
        fileName(found->name, "the profile", "Profile " + std::to_string(profile), result.skipped);
    if (!store.writeLightProfile(profile)) {
        result.message = "cannot prepare the light modes: " + store.lastError();
        return result;
    }
    // One state of the file, even while another program writes to it.
    const DeviceSQLite::ReadScope snapshot(store);
    // A read that fails must not be written out as a profile without keys.
    const DeviceSQLite::FailureWatch watch(store);
    file.selectedLightMode = store.getLightModeSelectIndex(profile);
    if (file.selectedLightMode < 0 || file.selectedLightMode > kLastLightMode) {
        result.skipped.push_back("selected light mode " + std::to_string(file.selectedLightMode) +
                                 ": " + inRange(0, kLastLightMode) + ", written as " +
                                 std::to_string(kFallbackLightMode));
        file.selectedLightMode = kFallbackLightMode;
    }
    for (std::int64_t mode = 0; mode <= kLastStoredLightMode; ++mode) {
        lightData record;
        if (!store.queryLightInfo(profile, mode, record)) continue;
        ProfileFile::LightMode m;
        m.mode = mode;
        std::copy(record.lightBytes.begin() + 1, record.lightBytes.begin() + kLightByteCount,
                  m.bytes.begin());
        file.lightModes.push_back(m);
    }

    std::vector<MacroInfo> macros;
    store.queryAllMacroData(macros);
    if (watch.failed()) {
        result.message = "cannot read the settings: " + store.lastError();
        return result;
    }
    std::set<std::int64_t> usedMacros;
    for (std::int64_t layer = 0; layer < 2; ++layer) {
        std::vector<ProfileKey> rows;
        if (!store.queryKeysProfile(profile, layer, rows)) {
            result.message = "cannot read the key assignments: " + store.lastError();
            return result;
        }
        for (const ProfileKey& row : rows) {
            ProfileFile::Assignment a{row.keyValue,    row.macroType,   row.macroValue,
                                      row.macro2Value, row.macro3Value, {},
                                      row.macroDesc};
            const std::string where =
                std::string(kLayerNames[layer]) + " key " + std::to_string(row.keyValue);
            if (keyName(row.keyValue).empty()) {
                result.skipped.push_back(where + ": not a key of this keyboard");
                continue;
            }
            if (auto p = assignmentProblem(a)) {
                result.skipped.push_back(where + ": " + p->member + " " + p->what);
                continue;
            }
            if (row.macroType == kMacroTypeMacro) {
                const bool stored =
                    std::any_of(macros.begin(), macros.end(),
                                [&](const MacroInfo& m) { return m.macroId == row.macroValue; });
                if (!stored) {
                    result.skipped.push_back(where + ": plays macro " +
                                             std::to_string(row.macroValue) +
                                             ", which no longer exists");
                    continue;
                }
                usedMacros.insert(row.macroValue);
            }
            file.layers[static_cast<std::size_t>(layer)].push_back(std::move(a));
        }
    }
    // Macros go by name in the file, so names the store holds twice get a suffix.
    std::map<std::int64_t, std::string> macroNames;
    std::set<std::string> taken;
    for (const MacroInfo& m : macros) {
        if (!usedMacros.count(m.macroId)) continue;
        const std::string stored = fileName(m.macroName, "macro " + std::to_string(m.macroId),
                                            "Macro " + std::to_string(m.macroId), result.skipped);
        ProfileFile::Macro out{freeName(stored, taken), m.playTimes, m.delayType, m.delayTime, {}};
        taken.insert(out.name);
        macroNames[m.macroId] = out.name;
        if (out.name != stored)
            result.skipped.push_back("macro " + std::to_string(m.macroId) + " is written as \"" +
                                     out.name + "\": another macro has its name");
        if (auto p = macroProblem(out)) {
            // Play settings the editor never writes; the events still go.
            result.skipped.push_back("macro \"" + out.name + "\": " + p->member + " " + p->what +
                                     ", written as the default");
            out.playTimes = 1;
            out.delayType = 0;
            out.delayTime = 0;
        }
        std::vector<RecordInfo> events;
        store.queryMacroRecord(m.macroId, events);
        for (std::size_t i = 0; i < events.size(); ++i) {
            RecordInfo& e = events[i];
            if (auto p = eventProblem(e)) {
                // Counted as the macro editor lists them, from 1.
                result.skipped.push_back(
                    "macro \"" + out.name + "\" event " + std::to_string(i + 1) + " of " +
                    std::to_string(events.size()) + ": " + p->member + " " + p->what);
                continue;
            }
            e.recordIndex = static_cast<std::int64_t>(out.events.size());
            out.events.push_back(std::move(e));
        }
        file.macros.push_back(std::move(out));
    }
    for (auto& layer : file.layers) {
        for (auto& a : layer) {
            if (a.macroType == kMacroTypeMacro) a.macro = macroNames.at(a.macroValue);
        }
    }

    std::vector<UserLightData> lights;
    store.getUserLightData(profile, lights);
    for (const UserLightData& light : lights) {
        ProfileFile::UserLight out{
            fileName(light.userlight_name, "user light " + std::to_string(light.userlight_id),
                     "User light " + std::to_string(light.userlight_id), result.skipped),
            {}};
        std::vector<UserLightLEDData> leds;
        store.getUserLightLEDData(light.userlight_id, leds);
        // A key may hold two rows; the later one is in effect (it is the one
        // uploaded), so it alone goes, where the store would keep it.
        std::map<std::int64_t, std::size_t> last;
        for (std::size_t i = 0; i < leds.size(); ++i) last[leds[i].key_value] = i;
        for (std::size_t i = 0; i < leds.size(); ++i) {
            const UserLightLEDData& led = leds[i];
            if (last[led.key_value] != i) continue;
            if (keyName(led.key_value).empty() || led.key_rgbvalue < 1 ||
                led.key_rgbvalue > kMaxColour) {
                result.skipped.push_back("user light \"" + out.name + "\" key " +
                                         std::to_string(led.key_value) + ": not a key colour");
                continue;
            }
            out.colours.emplace_back(led.key_value, led.key_rgbvalue);
        }
        file.userLights.push_back(std::move(out));
    }
    if (watch.failed()) {
        result.message = "cannot read the settings: " + store.lastError();
        return result;
    }
    result.text = profileFileText(file);
    result.ok = true;
    return result;
}

ProfileExport exportProfileToFile(DeviceSQLite& store, std::int64_t profile,
                                  const std::string& path) {
    ProfileExport result = exportProfile(store, profile);
    std::string error;
    if (result.ok && !exchange::writeFileAtomically(path, result.text, &error)) {
        result.ok = false;
        result.message = error;
    }
    return result;
}

namespace {

// The import itself, on the database at `databasePath` (which exists when
// `exists`); the caller removes a file this created when it fails.
ProfileImport importInto(const std::string& databasePath, bool exists, const ProfileFile& file,
                         BackupShelf* shelf) {
    const std::string inUse =
        databasePath + " " + exchange::kInUse + "; nothing was imported, please try again";
    DeviceSQLite store([](const std::string&) {});
    store.setBusyTimeout(exchange::kLockWaitMs);
    const OpenResult opened = store.openFile(databasePath);
    if (!opened.ok) return refused(opened.error == OpenError::Locked ? inUse : opened.reason);

    // The write lock first, held to the end: nobody else's change can slip
    // in between the backup and the import, or be overwritten by it.
    DeviceSQLite::WriteScope transaction(store);
    if (!transaction.ok())
        return refused(exchange::isBusy(store.lastErrorCode())
                           ? inUse
                           : "cannot write to " + databasePath + ": " + store.lastError());
    store.setBusyTimeout(exchange::kBusyTimeoutMs);
    ProfileImport result;
    if (auto why = addToStore(store, file, result)) return refused(*why);
    // The backup reads the file as it still is: the import is not committed.
    if (exists && shelf) {
        const BackupResult backup = shelf->backup(databasePath, BackupReason::Import);
        if (!backup.ok)
            return refused("no backup could be made (" + backup.message +
                           "), so nothing was imported");
        result.backupPath = backup.path;
    }
    if (!transaction.commit())
        return refused("cannot store the profile in " + databasePath + ": " + store.lastError());
    result.ok = true;
    return result;
}

// The whole of a profile file, refusing anything but a regular file of a
// sane size before a byte is read: a device or a pipe could give bytes
// forever.
bool readProfileText(const std::string& path, std::string& text, std::string& error) {
    // Far more than the keyboard can hold.
    constexpr std::size_t kMaxFileSize = 16 << 20;
    exchange::BoundedRead read = exchange::readRegularFile(path, kMaxFileSize);
    switch (read.status) {
        case exchange::BoundedRead::Status::Ok:
            text = std::move(read.text);
            return true;
        case exchange::BoundedRead::Status::NotRegular:
            error = path + " is not a regular file, so it cannot be a profile file";
            return false;
        case exchange::BoundedRead::Status::TooLarge:
            error = path + " is too large to be a profile file";
            if (read.size > 0) error += " (" + std::to_string(read.size) + " bytes)";
            return false;
        case exchange::BoundedRead::Status::CannotRead:
            break;
    }
    error = "cannot read " + path + ": " + read.reason;
    return false;
}

}  // namespace

ProfileImport importProfile(const std::string& databasePath, std::string_view text,
                            BackupShelf* shelf) {
    ParsedProfileFile parsed = parseProfileFile(text);
    if (!parsed.file) return refused(parsed.message);

    const DatabaseCheck check = checkDatabase(databasePath);
    if (check.status == DatabaseCheck::Status::Damaged)
        return refused(damagedText(databasePath, check.message) + "; restore a backup first");
    if (check.status == DatabaseCheck::Status::Unreadable) {
        if (check.fault == StoreFault::Busy)
            return refused(databasePath + " " + exchange::kInUse +
                           "; nothing was imported, please try again");
        return refused(storeFaultSentence("the settings database " + databasePath, check.fault,
                                          check.message) +
                       "; nothing was imported");
    }
    const bool exists = check.status != DatabaseCheck::Status::Missing;
    ProfileImport result = importInto(databasePath, exists, *parsed.file, shelf);
    if (!result.ok && !exists) {
        // Nothing of this import may stay behind, not even an empty database.
        std::error_code ec;
        fs::remove(databasePath, ec);
        fs::remove(databasePath + "-journal", ec);
    }
    return result;
}

ProfileImport importProfileFile(const std::string& databasePath, const std::string& path,
                                BackupShelf* shelf) {
    std::string text, error;
    if (!readProfileText(path, text, error)) return refused(error);
    return importProfile(databasePath, text, shelf);
}

}  // namespace korvex
