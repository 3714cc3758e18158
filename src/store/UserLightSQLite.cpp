// User lights: per-key colour schemes ("t_userlight_data") and their key
// colours ("t_userlight_leddata").

#include <unordered_map>

#include "DeviceSQLite.h"
#include "StoreInternal.h"

namespace korvex {

namespace {

constexpr std::int64_t kSchemeSpeed = 15;
constexpr std::int64_t kSchemeBrightness = 15;
constexpr std::int64_t kNothingStored = -1;

constexpr const char* kDeleteSchemeColours =
    R"(DELETE FROM "t_userlight_leddata" WHERE "light_id" = ?)";
constexpr const char* kInsertColour =
    R"(INSERT INTO "t_userlight_leddata" ("light_id", "keyvalue", "rgbvalue") VALUES (?, ?, ?))";

}  // namespace

std::int64_t DeviceSQLite::getUserLightData(std::int64_t profile_id,
                                            std::vector<UserLightData>& dataArray) {
    if (!isOpen()) return static_cast<std::int64_t>(dataArray.size());
    sql::Statement query(db_,
                         R"(SELECT "light_id", "profile", "name", "speed", "brightness")"
                         R"( FROM "t_userlight_data" WHERE "profile" = ? ORDER BY "light_id")");
    query.bindAll(profile_id);
    return store::appendRowsAndCount(query, dataArray, [](const sql::Statement& row) {
        UserLightData scheme;
        scheme.userlight_id = row.columnInt(0);
        scheme.profile_id = row.columnInt(1);
        scheme.userlight_name = row.columnText(2);  // NULL lists as empty text
        scheme.speed = row.columnInt(3);
        scheme.brightness = row.columnInt(4);
        return scheme;
    });
}

std::int64_t DeviceSQLite::addUserLight(std::int64_t profile_id, const std::string& name) {
    if (!isOpen()) return 0;
    // A new scheme starts black, even on an id whose old colours were left behind.
    return store::insertParent(
        db_, kDeleteSchemeColours,
        R"(INSERT INTO "t_userlight_data" ("profile", "name", "speed", "brightness"))"
        R"( VALUES (?, ?, ?, ?))",
        profile_id, name, kSchemeSpeed, kSchemeBrightness);
}

bool DeviceSQLite::deleteUserLight(std::int64_t userlight_id) {
    if (!isOpen()) return true;
    return store::deleteParent(db_, R"(DELETE FROM "t_userlight_data" WHERE "light_id" = ?)",
                               kDeleteSchemeColours, userlight_id);
}

bool DeviceSQLite::updateUserLightName(std::int64_t userlight_id, const std::string& name) {
    if (!isOpen()) return false;
    return store::inTransaction(db_, [&] {
        return store::runWith(db_,
                              R"(UPDATE "t_userlight_data" SET "name" = ? WHERE "light_id" = ?)",
                              name, userlight_id);
    });
}

std::int64_t DeviceSQLite::getUserLightLEDData(std::int64_t userlight_id,
                                               std::vector<UserLightLEDData>& dataArray) {
    if (!isOpen()) return static_cast<std::int64_t>(dataArray.size());
    sql::Statement query(db_,
                         R"(SELECT "ledId", "light_id", "keyvalue", "rgbvalue")"
                         R"( FROM "t_userlight_leddata" WHERE "light_id" = ? ORDER BY "ledId")");
    query.bindAll(userlight_id);
    return store::appendRowsAndCount(query, dataArray, [](const sql::Statement& row) {
        return UserLightLEDData{row.columnInt(0), row.columnInt(1), row.columnInt(2),
                                row.columnInt(3)};
    });
}

std::int64_t DeviceSQLite::addUserLightLEDData(const UserLightLEDData& data) {
    if (data.key_value == 0) return kNothingStored;
    if (!isOpen()) return data.key_rgbvalue == 0 ? kNothingStored : 0;
    // Delete and insert together: a failed insert must not lose the old colour.
    sql::Transaction tx(db_);
    if (!tx.ok()) return kNothingStored;
    if (!store::runWith(
            db_, R"(DELETE FROM "t_userlight_leddata" WHERE "light_id" = ? AND "keyvalue" = ?)",
            data.userlight_id, data.key_value)) {
        return kNothingStored;
    }
    if (data.key_rgbvalue == 0) {
        // Black: the key is off in this scheme, which is the deletion alone.
        tx.commit();
        return kNothingStored;
    }
    const std::int64_t id =
        store::insertWith(db_, kInsertColour, data.userlight_id, data.key_value, data.key_rgbvalue);
    if (id == 0 || !tx.commit()) return kNothingStored;
    return id;
}

bool DeviceSQLite::rewriteUserLightLEDData(std::int64_t userlight_id,
                                           const std::vector<UserLightLEDData>& leds) {
    if (!isOpen()) return false;
    // Same outcome as setting each entry in turn: the last entry for a key
    // decides, and black or key code 0 leaves no row.
    std::unordered_map<std::int64_t, std::size_t> lastEntry;
    for (std::size_t i = 0; i < leds.size(); ++i) lastEntry[leds[i].key_value] = i;

    sql::Transaction tx(db_);
    if (!tx.ok() || !store::runWith(db_, kDeleteSchemeColours, userlight_id)) return false;
    sql::Statement insert(db_, kInsertColour);
    for (std::size_t i = 0; i < leds.size(); ++i) {
        const UserLightLEDData& led = leds[i];
        if (led.key_value == 0 || led.key_rgbvalue == 0 || lastEntry[led.key_value] != i) continue;
        insert.reset();
        if (!insert.bindAll(userlight_id, led.key_value, led.key_rgbvalue).run()) return false;
    }
    return tx.commit();
}

}  // namespace korvex
