// Built-in light modes: one row per profile and mode in "t_lightdata".

#include <algorithm>
#include <iterator>

#include "DeviceSQLite.h"
#include "StoreInternal.h"

namespace korvex {

namespace {

constexpr std::int64_t kLightModeCount = 21;  // modes 0 to 20
constexpr const char* kLightRowName = "radiName";
constexpr std::int64_t kDefaultRed = 202;
constexpr std::int64_t kDefaultGreen = 81;
constexpr std::int64_t kDefaultBrightness = 15;
constexpr std::int64_t kDefaultSpeed = 12;
constexpr std::int64_t kDirectionMode = 10;  // the one mode seeded with direction "down"
constexpr std::int64_t kDirectionDown = 3;
constexpr std::int64_t kDefaultSelectedMode = 11;
constexpr std::int64_t kRandomColourOn = 1;
constexpr std::int64_t kZero = 0;  // blue and the unused bytes 4 to 7

}  // namespace

bool DeviceSQLite::writeLightProfile(std::int64_t profile) {
    if (!isOpen()) return true;
    constexpr const char* kAnyRow = R"(SELECT 1 FROM "t_lightdata" WHERE "profId" = ? LIMIT 1)";
    // Existing rows are kept as they are, gaps included. Looking first keeps
    // the common case (rows exist) free of a write lock.
    auto present = store::hasRow(db_, kAnyRow, profile);
    if (present && *present) return true;
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    present = store::hasRow(db_, kAnyRow, profile);
    if (!present) return false;
    if (*present) return true;
    if (!writeConfigInfo(profile)) return false;
    sql::Statement insert(
        db_, R"(INSERT INTO "t_lightdata" ("profId", "name", "mode", "byte1", "byte2",)"
             R"( "byte3", "byte4", "byte5", "byte6", "byte7", "byte8", "byte9", "byte10",)"
             R"( "byte11", "status") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?))");
    for (std::int64_t mode = 0; mode < kLightModeCount; ++mode) {
        insert.reset();
        const std::int64_t direction = mode == kDirectionMode ? kDirectionDown : 0;
        const std::int64_t selected = mode == kDefaultSelectedMode ? 1 : 0;
        if (!insert
                 .bindAll(profile, kLightRowName, mode, kDefaultRed, kDefaultGreen, kZero, kZero,
                          kZero, kZero, kZero, kRandomColourOn, kDefaultBrightness, kDefaultSpeed,
                          direction, selected)
                 .run()) {
            return false;
        }
    }
    return tx.commit();
}

bool DeviceSQLite::queryLightInfo(std::int64_t profile, std::int64_t mode, lightData& data) {
    if (!isOpen() || data.lightBytes.size() < kLightByteCount) return false;
    sql::Statement query(
        db_, R"(SELECT "lightId", "profId", "name", "mode", "byte1", "byte2", "byte3",)"
             R"( "byte4", "byte5", "byte6", "byte7", "byte8", "byte9", "byte10", "byte11",)"
             R"( "status" FROM "t_lightdata" WHERE "profId" = ? AND "mode" = ?)"
             R"( ORDER BY "lightId" LIMIT 1)");
    if (query.bindAll(profile, mode).step() != sql::Statement::Step::Row) return false;
    constexpr int kFirstByteColumn = 3;  // "mode", then "byte1" to "byte11"
    std::uint8_t bytes[kLightByteCount];
    for (std::size_t i = 0; i < kLightByteCount; ++i) {
        const std::int64_t value = query.columnInt(kFirstByteColumn + static_cast<int>(i));
        if (value < 0 || value > 255) return false;  // not representable: leave the record alone
        bytes[i] = static_cast<std::uint8_t>(value);
    }
    data.lightId = query.columnInt(0);
    data.profId = query.columnInt(1);
    data.name = query.columnText(2);
    std::copy(std::begin(bytes), std::end(bytes), data.lightBytes.begin());
    data.status = query.columnInt(kFirstByteColumn + static_cast<int>(kLightByteCount));
    return true;
}

bool DeviceSQLite::modifyLightData(std::int64_t profile, std::int64_t mode,
                                   const std::vector<std::uint8_t>& data) {
    if (data.size() < kLightByteCount) return false;
    if (!isOpen()) return true;
    sql::Statement update(
        db_, R"(UPDATE "t_lightdata" SET "byte1" = ?, "byte2" = ?, "byte3" = ?,)"
             R"( "byte4" = ?, "byte5" = ?, "byte6" = ?, "byte7" = ?, "byte8" = ?,)"
             R"( "byte9" = ?, "byte10" = ?, "byte11" = ? WHERE "profId" = ? AND "mode" = ?)");
    // Element 0 is the mode number; the row is chosen by the argument instead.
    for (int i = 1; i < static_cast<int>(kLightByteCount); ++i) {
        update.bind(i, static_cast<std::int64_t>(data[static_cast<std::size_t>(i)]));
    }
    update.bind(static_cast<int>(kLightByteCount), profile);
    update.bind(static_cast<int>(kLightByteCount) + 1, mode);
    return store::inTransaction(db_, [&] { return update.run(); });
}

bool DeviceSQLite::selectLightMode(std::int64_t profile, std::int64_t mode) {
    if (!isOpen()) return true;
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    if (!store::runWith(db_, R"(UPDATE "t_lightdata" SET "status" = 0 WHERE "profId" = ?)",
                        profile)) {
        return false;
    }
    if (!store::runWith(
            db_, R"(UPDATE "t_lightdata" SET "status" = 1 WHERE "profId" = ? AND "mode" = ?)",
            profile, mode)) {
        return false;
    }
    return tx.commit();
}

std::int64_t DeviceSQLite::getLightModeSelectIndex(std::int64_t profile) {
    if (!isOpen()) return 0;
    sql::Statement query(db_,
                         R"(SELECT "mode" FROM "t_lightdata" WHERE "profId" = ? AND "status" = 1)"
                         R"( ORDER BY "lightId" LIMIT 1)");
    if (query.bindAll(profile).step() != sql::Statement::Step::Row) return 0;
    return query.columnInt(0);
}

}  // namespace korvex
