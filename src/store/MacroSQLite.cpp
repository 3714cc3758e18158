// Macros ("t_macro_data") and their events ("t_macrorecord").

#include "DeviceSQLite.h"
#include "StoreInternal.h"

namespace korvex {

namespace {

constexpr std::int64_t kNewMacroPlayTimes = 1;
constexpr std::int64_t kNewMacroDelayType = 0;
constexpr std::int64_t kNewMacroDelayTime = 0;

// "macroType" of a key row that plays a macro; "macroValue" is the macro id.
constexpr std::int64_t kMacroKeyType = 4;

constexpr const char* kDeleteEvents = R"(DELETE FROM "t_macrorecord" WHERE "macro_id" = ?)";
constexpr const char* kInsertEvent =
    R"(INSERT INTO "t_macrorecord" ("macro_id", "record_type", "record_index", "record_desc",)"
    R"( "record_value") VALUES (?, ?, ?, ?, ?))";

MacroInfo macroFromRow(const sql::Statement& row) {
    MacroInfo info;
    info.macroId = row.columnInt(0);
    info.playTimes = row.columnInt(1);
    info.delayType = row.columnInt(2);
    info.delayTime = row.columnInt(3);
    info.macroName = row.columnText(4);
    return info;
}

constexpr const char* kMacroColumns =
    R"(SELECT "macro_id", "play_times", "delay_type", "delay_time", "macro_name")"
    R"( FROM "t_macro_data")";

}  // namespace

std::int64_t DeviceSQLite::queryAllMacroData(std::vector<MacroInfo>& dataArray) {
    if (!isOpen()) return static_cast<std::int64_t>(dataArray.size());
    sql::Statement query(db_, std::string(kMacroColumns) + R"( ORDER BY "macro_id")");
    return store::appendRowsAndCount(query, dataArray, macroFromRow);
}

std::int64_t DeviceSQLite::getRecordCount() {
    if (!isOpen()) return 0;
    sql::Statement query(db_, R"(SELECT count(*) FROM "t_macrorecord")");
    return query.step() == sql::Statement::Step::Row ? query.columnInt(0) : 0;
}

namespace {

RecordInfo recordOf(const sql::Statement& row) {
    RecordInfo record;
    record.recordId = row.columnInt(0);
    record.macroId = row.columnInt(1);
    record.recordType = row.columnInt(2);
    record.recordIndex = row.columnInt(3);
    record.recordDesc = row.columnText(4);
    record.recordValue = row.columnInt(5);
    return record;
}

constexpr const char* kRecordColumns =
    R"(SELECT "record_id", "macro_id", "record_type", "record_index",)"
    R"( "record_desc", "record_value" FROM "t_macrorecord")";

}  // namespace

std::int64_t DeviceSQLite::queryMacroRecord(std::int64_t macorId,
                                            std::vector<RecordInfo>& dataArray) {
    if (!isOpen()) return static_cast<std::int64_t>(dataArray.size());
    // Row id order is event order: events are always rewritten as a whole.
    sql::Statement query(
        db_, std::string(kRecordColumns) + R"( WHERE "macro_id" = ? ORDER BY "record_id")");
    query.bindAll(macorId);
    return store::appendRowsAndCount(query, dataArray, recordOf);
}

std::int64_t DeviceSQLite::queryAllMacroRecords(std::vector<RecordInfo>& dataArray) {
    if (!isOpen()) return static_cast<std::int64_t>(dataArray.size());
    sql::Statement query(db_, std::string(kRecordColumns) + R"( ORDER BY "record_id")");
    return store::appendRowsAndCount(query, dataArray, recordOf);
}

std::int64_t DeviceSQLite::addMacroProfile(const std::string& macro_name) {
    if (!isOpen()) return 0;
    return store::insertParent(
        db_, kDeleteEvents,
        R"(INSERT INTO "t_macro_data" ("play_times", "delay_type", "delay_time", "macro_name"))"
        R"( VALUES (?, ?, ?, ?))",
        kNewMacroPlayTimes, kNewMacroDelayType, kNewMacroDelayTime, macro_name);
}

bool DeviceSQLite::deleteMacroProfile(std::int64_t macorId) {
    if (!isOpen()) return true;
    // Keys that played the macro go back to their own function with it: a
    // key row naming a macro that is gone would show a macro the keyboard
    // cannot play, and a later macro could take its id.
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    sql::Statement keys(db_,
                        R"(DELETE FROM "t_keyprofile" WHERE "macroType" = ? AND "macroValue" = ?)");
    if (!keys.bindAll(kMacroKeyType, macorId).run()) return false;
    if (!store::runWith(db_, kDeleteEvents, macorId)) return false;
    if (!store::runWith(db_, R"(DELETE FROM "t_macro_data" WHERE "macro_id" = ?)", macorId))
        return false;
    return tx.commit();
}

bool DeviceSQLite::queryMacroInfo(std::int64_t macorId, MacroInfo& info) {
    if (!isOpen()) return false;
    sql::Statement query(db_, std::string(kMacroColumns) +
                                  R"( WHERE "macro_id" = ? ORDER BY "macro_id")"
                                  R"( LIMIT 1)");
    if (query.bindAll(macorId).step() != sql::Statement::Step::Row) return false;
    info = macroFromRow(query);
    return true;
}

bool DeviceSQLite::deleteMacroRecord(std::int64_t macorId) {
    if (!isOpen()) return true;
    return store::inTransaction(db_, [&] { return store::runWith(db_, kDeleteEvents, macorId); });
}

std::int64_t DeviceSQLite::addMacroRecord(const RecordInfo& infos) {
    if (!isOpen()) return 0;
    return store::inTransaction(db_, [&] {
        return store::insertWith(db_, kInsertEvent, infos.macroId, infos.recordType,
                                 infos.recordIndex, infos.recordDesc, infos.recordValue);
    });
}

bool DeviceSQLite::updateMacroProfileName(std::int64_t macorId, const std::string& macro_name) {
    if (!isOpen()) return true;
    // The keys that play the macro carry its name as their label: they are
    // renamed with it, or they would show a name no macro has any more.
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    if (!store::runWith(db_, R"(UPDATE "t_macro_data" SET "macro_name" = ? WHERE "macro_id" = ?)",
                        macro_name, macorId))
        return false;
    if (!store::runWith(db_,
                        R"(UPDATE "t_keyprofile" SET "macroDesc" = ?)"
                        R"( WHERE "macroType" = ? AND "macroValue" = ?)",
                        macro_name, kMacroKeyType, macorId))
        return false;
    return tx.commit();
}

bool DeviceSQLite::modifyMacroInfo(const MacroInfo& info) {
    if (!isOpen()) return true;
    return store::inTransaction(db_, [&] {
        return store::runWith(db_,
                              R"(UPDATE "t_macro_data" SET "play_times" = ?, "delay_type" = ?,)"
                              R"( "delay_time" = ? WHERE "macro_id" = ?)",
                              info.playTimes, info.delayType, info.delayTime, info.macroId);
    });
}

bool DeviceSQLite::rewriteMacroRecords(std::int64_t macorId,
                                       const std::vector<RecordInfo>& records) {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok() || !store::runWith(db_, kDeleteEvents, macorId)) return false;
    sql::Statement insert(db_, kInsertEvent);
    for (const RecordInfo& record : records) {
        insert.reset();
        if (!insert
                 .bindAll(macorId, record.recordType, record.recordIndex, record.recordDesc,
                          record.recordValue)
                 .run()) {
            return false;
        }
    }
    return tx.commit();
}

}  // namespace korvex
