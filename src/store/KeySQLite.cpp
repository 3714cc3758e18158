// Key assignments: one row per reassigned key of a profile and layer.

#include "DeviceSQLite.h"
#include "StoreInternal.h"

namespace korvex {

namespace {

constexpr const char* kKeyColumns =
    R"(SELECT "keyId", "profId", "fnlayerId", "keyvalue", "macroType", "macroValue",)"
    R"( "macro2Value", "macro3Value", "macroDesc" FROM "t_keyprofile")";

ProfileKey keyFromRow(const sql::Statement& row) {
    ProfileKey key;
    key.keyId = row.columnInt(0);
    key.profId = row.columnInt(1);
    key.fnlayerId = row.columnInt(2);
    key.keyValue = row.columnInt(3);
    key.macroType = row.columnInt(4);
    key.macroValue = row.columnInt(5);
    key.macro2Value = row.columnInt(6);
    key.macro3Value = row.columnInt(7);
    key.macroDesc = row.columnText(8);
    return key;
}

}  // namespace

bool DeviceSQLite::queryKeysProfile(std::int64_t profile, std::int64_t fnlayer,
                                    std::vector<ProfileKey>& dataArray) {
    if (!isOpen()) return false;
    // Order of assignment; the key table upload and the page rely on it.
    sql::Statement query(db_, std::string(kKeyColumns) +
                                  R"( WHERE "profId" = ? AND "fnlayerId" = ? ORDER BY "keyId")");
    query.bindAll(profile, fnlayer);
    return store::collectRows(query, dataArray, keyFromRow);
}

bool DeviceSQLite::queryKeyProfile(std::int64_t profile, std::int64_t fnlayer,
                                   std::int64_t keyValue, ProfileKey& data) {
    if (!isOpen()) return false;
    sql::Statement query(db_, std::string(kKeyColumns) +
                                  R"( WHERE "profId" = ? AND "fnlayerId" = ? AND "keyvalue" = ?)"
                                  R"( ORDER BY "keyId" LIMIT 1)");
    if (query.bindAll(profile, fnlayer, keyValue).step() != sql::Statement::Step::Row) {
        return false;
    }
    data = keyFromRow(query);
    return true;
}

std::int64_t DeviceSQLite::addKeyProfile(const ProfileKey& data) {
    if (!isOpen() || data.keyValue == 0) return 0;
    // Delete and insert together: a failed insert must not lose the old row.
    sql::Transaction tx(db_);
    if (!tx.ok()) return 0;
    if (!store::runWith(db_,
                        R"(DELETE FROM "t_keyprofile" WHERE "profId" = ? AND "fnlayerId" = ?)"
                        R"( AND "keyvalue" = ?)",
                        data.profId, data.fnlayerId, data.keyValue)) {
        return 0;
    }
    if (data.macroValue == 0) {
        // Back to the factory function: the deletion is the whole change.
        tx.commit();
        return 0;
    }
    const std::int64_t id = store::insertWith(
        db_,
        R"(INSERT INTO "t_keyprofile" ("profId", "fnlayerId", "keyvalue", "macroType",)"
        R"( "macroValue", "macro2Value", "macro3Value", "macroDesc") VALUES (?, ?, ?, ?, ?, ?, ?, ?))",
        data.profId, data.fnlayerId, data.keyValue, data.macroType, data.macroValue,
        data.macro2Value, data.macro3Value, data.macroDesc);
    if (id == 0 || !tx.commit()) return 0;
    return id;
}

}  // namespace korvex
