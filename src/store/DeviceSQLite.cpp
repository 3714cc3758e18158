// Opening, schema, seeds, factory reset, profiles and configuration values.

#include "DeviceSQLite.h"

#include <sqlite3.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "Schema.h"
#include "StoreFault.h"
#include "StoreInternal.h"
#include "StorePath.h"

namespace korvex {

namespace {

// "t_triggerkey" is deliberately absent: a factory reset keeps it.
constexpr std::array<const char*, 9> kDropStatements = {
    R"(DROP TABLE IF EXISTS "t_configdata")",     R"(DROP TABLE IF EXISTS "t_profile")",
    R"(DROP TABLE IF EXISTS "t_lightdata")",      R"(DROP TABLE IF EXISTS "t_keyrgbdata")",
    R"(DROP TABLE IF EXISTS "t_userlight_data")", R"(DROP TABLE IF EXISTS "t_userlight_leddata")",
    R"(DROP TABLE IF EXISTS "t_keyprofile")",     R"(DROP TABLE IF EXISTS "t_macro_data")",
    R"(DROP TABLE IF EXISTS "t_macrorecord")",
};

struct ConfigRow {
    const char* key;
    const char* value;
};

// First-run configuration. Row 0 is stored under the seed's profile argument,
// the others are application-wide and always under profile 1.
constexpr std::array<ConfigRow, 13> kFirstRunConfig = {{
    {"keyboardLayout", "0"},
    {"language", "1033"},
    {"gamemode", "0"},
    {"disable_alttab", "0"},
    {"disable_altf4", "0"},
    {"disable_win", "0"},
    {"keyboard_layout", "0"},
    {"customlight_run", "0"},
    {"cur_customlightmode", "0"},
    {"fnlayer", "0"},
    {"sleeplight", "0"},
    {"fnfunction", "0"},
    {"tab_view", "1"},
}};

// Per-profile configuration, written for every profile, read by nothing.
constexpr std::array<ConfigRow, 15> kProfileConfig = {{
    {"report_rate", "0"},
    {"dpi_switch_config", "15"},
    {"dpi_index", "1"},
    {"dpi_group0_value", "12"},
    {"dpi_group1_value", "24"},
    {"dpi_group2_value", "32"},
    {"dpi_group3_value", "50"},
    {"dpi_group4_value", "100"},
    {"dpi_group5_value", "160"},
    {"dpi_group0_rgb", "16777215"},
    {"dpi_group1_rgb", "255"},
    {"dpi_group2_rgb", "65280"},
    {"dpi_group3_rgb", "16711680"},
    {"dpi_group4_rgb", "1676960"},
    {"dpi_group5_rgb", "16711935"},
}};

constexpr const char* kFirstProfileName = "Configuration File 1";
constexpr std::int64_t kResetLightMode = 3;

bool isWritable(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

// What the user is told when SQLite stopped an opening; `fallback` and
// `what` cover failures that say nothing more specific.
std::pair<OpenError, std::string> describeFailure(const sql::Connection& db,
                                                  const std::string& path, OpenError fallback,
                                                  const std::string& what) {
    const std::string& message = db.errorMessage();
    switch (db.errorCode()) {
        case SQLITE_CORRUPT:  // found by a read before the check
            return {OpenError::Damaged, damagedText(path, message)};
        case SQLITE_NOTADB:
            return {OpenError::NotADatabase,
                    path + " is not a settings database (" + message + "); it was left untouched"};
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {OpenError::Locked, path + " is in use by another program (" + message + ")"};
        case SQLITE_READONLY:
            return {OpenError::ReadOnly,
                    path + " cannot be written (" + message + "); settings could not be saved"};
        case SQLITE_FULL:
            return {fallback, path + ": no space left on the device; nothing was changed"};
        default:
            return {fallback, what + path + ": " + message};
    }
}

}  // namespace

DeviceSQLite::DeviceSQLite() = default;

DeviceSQLite::DeviceSQLite(LogSink log) : log_(std::move(log)) {}

void DeviceSQLite::log(const std::string& line) const {
    if (log_) {
        log_(line);
    } else {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

void DeviceSQLite::setBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    db_.setBusyTimeout(milliseconds);
}

OpenResult DeviceSQLite::openFailed(OpenResult result, OpenError error, const std::string& reason) {
    db_.close();
    result.ok = false;
    result.error = error;
    result.reason = reason;
    log("init: connect fail " + reason);
    return result;
}

OpenResult DeviceSQLite::init(const std::string& device) {
    db_.close();
    auto dir = databaseDirectory();
    if (!dir) {
        path_.clear();
        return openFailed({}, OpenError::NoLocation,
                          "no place for the settings file: neither XDG_DATA_HOME nor HOME is set "
                          "to an absolute folder");
    }
    return openFile(*dir + "/" + device);
}

OpenResult DeviceSQLite::openFile(const std::string& path) {
    namespace fs = std::filesystem;
    db_.close();
    db_.setWriteCheck({});  // a version of another file means nothing here
    path_ = path;
    OpenResult result;
    result.path = path;

    const fs::path file(path);
    const std::string folder = file.parent_path().string();
    std::string reason;
    if (!folder.empty() && !createDirectories(folder, &reason)) {
        return openFailed(result, OpenError::CannotCreate, reason);
    }

    std::error_code ec;
    const auto status = fs::status(file, ec);
    const bool exists = !ec && fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        return openFailed(result, OpenError::CannotOpen, path + " is not a regular file");
    }
    // SQLite would quietly fall back to read-only, or fail only at the first
    // write; find out now so the user is told before editing anything. The
    // folder must be writable too: SQLite keeps its journal next to the file.
    if (exists && ::access(path.c_str(), R_OK) != 0) {
        return openFailed(result, OpenError::CannotOpen,
                          path + " cannot be read: permission denied");
    }
    if ((exists && !isWritable(path)) || !isWritable(folder.empty() ? "." : folder)) {
        return openFailed(result, OpenError::ReadOnly,
                          (exists ? path : folder) + " is read-only; settings could not be saved");
    }

    const int flags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
    if (!db_.open(path, flags)) {
        return openFailed(result, exists ? OpenError::CannotOpen : OpenError::CannotCreate,
                          "cannot open " + path + ": " + db_.errorMessage());
    }
    db_.setBusyTimeout(busyTimeoutMs_);
    if (db_.readOnly()) {
        return openFailed(result, OpenError::ReadOnly,
                          path + " can only be opened read-only; settings could not be saved");
    }

    // A read that touches the header tells a foreign or locked file apart
    // before anything is written to it.
    {
        sql::Statement probe(db_, "SELECT count(*) FROM sqlite_master");
        if (probe.step() != sql::Statement::Step::Row) {
            auto [error, reason] =
                describeFailure(db_, path, OpenError::CannotOpen, "cannot read ");
            return openFailed(result, error, reason);
        }
    }
    // Damage SQLite does not report by itself reads as rows of NULLs or as
    // no rows: nothing may be built from such a file, and the first-run
    // seed below would write into it.
    const sql::PageCheck pages = sql::quickCheck(db_);
    if (pages.result == sql::PageCheck::Result::Damaged) {
        result.damage = pages.message;
        return openFailed(result, OpenError::Damaged, damagedText(path, pages.message));
    }
    if (pages.result == sql::PageCheck::Result::Failed) {
        auto [error, reason] = describeFailure(db_, path, OpenError::CannotOpen, "cannot read ");
        return openFailed(result, error, reason);
    }
    // A file that lacks a table or column we read would answer with nothing
    // (or, for a renamed column, with its name as text) and every page and
    // upload built from it would be wrong; it is reported and left as it is.
    // Only a file without any of our tables is new and gets them made.
    const SchemaCheck schema = checkSchema(db_, SchemaScope::Read);
    if (!schema.readable) {
        auto [error, reason] = describeFailure(db_, path, OpenError::CannotOpen, "cannot read ");
        return openFailed(result, error, reason);
    }
    if (!schema.noTables && !schema.missing.empty()) {
        result.missing = schema.missingList();
        return openFailed(
            result, OpenError::SchemaMismatch,
            path + " lacks " + schema.missingList() + "; it was left untouched and is not used");
    }
    if (!createTable()) {
        auto [error, reason] =
            describeFailure(db_, path, OpenError::SchemaFailed, "cannot prepare the settings in ");
        return openFailed(result, error, reason);
    }
    log("init: connect success");
    result.ok = true;
    return result;
}

sql::PageCheck DeviceSQLite::checkPages() {
    if (!db_.isOpen()) return {};
    return sql::quickCheck(db_);
}

bool DeviceSQLite::createTablesAndSeed() {
    for (const auto& statements : {std::span<const char* const>(store::kCreateStatements),
                                   std::span<const char* const>(store::kAutoSwitchCreateStatements)}) {
        for (const char* statement : statements) {
            if (!db_.exec(statement)) {
                log("createTable fail " + db_.errorMessage());
                return false;
            }
        }
    }
    return initDBdata(kApplicationProfile);
}

bool DeviceSQLite::createTable() {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok()) {
        log("createTable fail " + db_.errorMessage());
        return false;
    }
    if (!createTablesAndSeed()) return false;
    if (!tx.commit()) {
        log("createTable fail " + db_.errorMessage());
        return false;
    }
    log("createTable success");
    return true;
}

bool DeviceSQLite::initDBdata(std::int64_t profile) {
    if (!isOpen()) return false;
    auto failed = [this] {
        log("insertRow  fail " + db_.errorMessage());
        return false;
    };
    sql::Transaction tx(db_);
    if (!tx.ok()) return failed();

    const auto profileRow = store::hasRow(db_, R"(SELECT 1 FROM "t_profile" LIMIT 1)");
    if (!profileRow) return failed();
    if (!*profileRow) {
        sql::Statement insert(db_, R"(INSERT INTO "t_profile" ("name") VALUES (?))");
        if (!insert.bindAll(kFirstProfileName).run()) return failed();
    }

    const auto configRow = store::hasRow(db_, R"(SELECT 1 FROM "t_configdata" LIMIT 1)");
    if (!configRow) return failed();
    if (!*configRow) {
        sql::Statement insert(
            db_, R"(INSERT INTO "t_configdata" ("key", "profId", "value") VALUES (?, ?, ?))");
        for (std::size_t i = 0; i < kFirstRunConfig.size(); ++i) {
            const std::int64_t owner = i == 0 ? profile : kApplicationProfile;
            insert.reset();
            if (!insert.bindAll(kFirstRunConfig[i].key, owner, kFirstRunConfig[i].value).run()) {
                return failed();
            }
        }
    }
    if (!tx.commit()) return failed();
    return true;
}

bool DeviceSQLite::dropTable() {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok()) {
        log("dropTable table failed " + db_.errorMessage());
        return false;
    }
    for (const char* statement : kDropStatements) {
        if (!db_.exec(statement)) {
            log("dropTable table failed " + db_.errorMessage());
            return false;
        }
    }
    // Rules name profiles that are gone after the reset.
    if (!store::clearAutoSwitch(db_)) {
        log("dropTable table failed " + db_.errorMessage());
        return false;
    }
    // Re-creating inside the same transaction means an interrupted factory
    // reset never leaves a file without tables or without its first profile.
    if (!createTablesAndSeed()) return false;
    if (!tx.commit()) {
        log("dropTable table failed " + db_.errorMessage());
        return false;
    }
    log("dropTable  success");
    return true;
}

bool DeviceSQLite::deleteProfileConfigRows(std::int64_t profile) {
    if (profile != kApplicationProfile) {
        sql::Statement remove(db_, R"(DELETE FROM "t_configdata" WHERE "profId" = ?)");
        return remove.bindAll(profile).run();
    }
    // Profile 1 also holds the application-wide values (language, game mode,
    // sleep time, Fn mode); those belong to no profile and must survive, or
    // they could never be saved again.
    sql::Statement remove(db_, R"(DELETE FROM "t_configdata" WHERE "profId" = ? AND "key" = ?)");
    for (const auto& row : kProfileConfig) {
        remove.reset();
        if (!remove.bindAll(profile, row.key).run()) return false;
    }
    return true;
}

bool DeviceSQLite::resetProfile(std::int64_t profile) {
    if (!isOpen()) return false;
    auto failed = [this] {
        log("resetProfile  fail " + db_.errorMessage());
        return false;
    };
    sql::Transaction tx(db_);
    if (!tx.ok()) return failed();
    sql::Statement keys(db_, R"(DELETE FROM "t_keyprofile" WHERE "profId" = ?)");
    if (!keys.bindAll(profile).run()) return failed();
    if (!deleteProfileConfigRows(profile)) return failed();
    if (!selectLightMode(profile, kResetLightMode)) return failed();
    if (!writeConfigInfo(profile)) return failed();
    if (!tx.commit()) return failed();
    return true;
}

bool DeviceSQLite::writeConfigInfo(std::int64_t profile) {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    sql::Statement insert(
        db_, R"(INSERT INTO "t_configdata" ("key", "profId", "value") VALUES (?, ?, ?))");
    for (const auto& row : kProfileConfig) {
        insert.reset();
        if (!insert.bindAll(row.key, profile, row.value).run()) return false;
    }
    return tx.commit();
}

// --- profiles ------------------------------------------------------------------------

std::int64_t DeviceSQLite::addProfile(const std::string& profile_name) {
    if (!isOpen()) return 0;
    sql::Transaction tx(db_);
    if (!tx.ok()) return 0;
    sql::Statement insert(db_, R"(INSERT INTO "t_profile" ("name") VALUES (?))");
    if (!insert.bindAll(profile_name).run()) return 0;
    const std::int64_t id = db_.lastInsertRowid();
    // Ids are reused after the newest profile is deleted; without this the new
    // profile would silently inherit the deleted one's keys and lights.
    sql::Statement keys(db_, R"(DELETE FROM "t_keyprofile" WHERE "profId" = ?)");
    sql::Statement lights(db_, R"(DELETE FROM "t_lightdata" WHERE "profId" = ?)");
    if (!keys.bindAll(id).run() || !lights.bindAll(id).run() || !deleteProfileConfigRows(id)) {
        return 0;
    }
    return tx.commit() ? id : 0;
}

bool DeviceSQLite::deleteProfile(std::int64_t profile) {
    if (!isOpen()) return true;
    // The profile goes with its keys, lights and settings, or not at all:
    // left-over rows would be read back by whatever takes its id later.
    // The first profile's user light schemes are every profile's: they stay.
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    if (profile != kApplicationProfile) {
        for (const char* statement : {
                 R"(DELETE FROM "t_userlight_leddata" WHERE "light_id" IN)"
                 R"( (SELECT "light_id" FROM "t_userlight_data" WHERE "profile" = ?))",
                 R"(DELETE FROM "t_userlight_data" WHERE "profile" = ?)",
             }) {
            sql::Statement remove(db_, statement);
            if (!remove.bindAll(profile).run()) return false;
        }
    }
    for (const char* statement : {
             R"(DELETE FROM "t_keyprofile" WHERE "profId" = ?)",
             R"(DELETE FROM "t_lightdata" WHERE "profId" = ?)",
             R"(DELETE FROM "t_profile" WHERE "profId" = ?)",
         }) {
        sql::Statement remove(db_, statement);
        if (!remove.bindAll(profile).run()) return false;
    }
    if (!deleteProfileConfigRows(profile)) return false;
    if (!store::deleteAutoSwitchRowsOf(db_, profile)) return false;
    return tx.commit();
}

bool DeviceSQLite::updateProfileName(std::int64_t profile, const std::string& profile_name) {
    if (!isOpen()) return true;
    return store::inTransaction(db_, [&] {
        return store::runWith(db_, R"(UPDATE "t_profile" SET "name" = ? WHERE "profId" = ?)",
                              profile_name, profile);
    });
}

bool DeviceSQLite::queryProfileList(std::vector<ProfileData>& dataArray) {
    if (!isOpen()) return false;
    sql::Statement query(db_, R"(SELECT "profId", "name" FROM "t_profile" ORDER BY "profId")");
    return store::collectRows(query, dataArray, [](const sql::Statement& row) {
        return ProfileData{row.columnInt(0), row.columnText(1)};
    });
}

// --- configuration -------------------------------------------------------------------

bool DeviceSQLite::writeConfigData(std::int64_t profile, const std::string& keyValue,
                                   const std::string& newvalue) {
    if (!isOpen()) return true;
    return store::inTransaction(db_, [&] {
        return store::runWith(
            db_, R"(INSERT INTO "t_configdata" ("key", "profId", "value") VALUES (?, ?, ?))",
            keyValue, profile, newvalue);
    });
}

bool DeviceSQLite::updateConfigData(std::int64_t profile, const std::string& keyValue,
                                    const std::string& newvalue) {
    if (!isOpen()) return true;
    return store::inTransaction(db_, [&] {
        return store::runWith(
            db_, R"(UPDATE "t_configdata" SET "value" = ? WHERE "profId" = ? AND "key" = ?)",
            newvalue, profile, keyValue);
    });
}

std::string DeviceSQLite::getConfigData(std::int64_t profile, const std::string& keyValue) {
    if (!isOpen()) return {};
    sql::Statement query(db_,
                         R"(SELECT "value" FROM "t_configdata" WHERE "profId" = ? AND "key" = ?)"
                         R"( ORDER BY "keyId" LIMIT 1)");
    if (query.bindAll(profile, keyValue).step() != sql::Statement::Step::Row) return {};
    return query.columnText(0);
}

std::optional<std::int64_t> DeviceSQLite::dataVersion() {
    if (!isOpen()) return std::nullopt;
    sql::Statement query(db_, "PRAGMA data_version");
    if (query.step() != sql::Statement::Step::Row) return std::nullopt;
    return query.columnInt(0);
}

void DeviceSQLite::refuseWritesChangedSince(std::optional<std::int64_t> version) {
    if (!version) return db_.setWriteCheck({});
    // Inside the write transaction data_version has already seen every
    // commit made before our lock.
    db_.setWriteCheck([seen = *version](sql::Connection& db) {
        sql::Statement query(db, "PRAGMA data_version");
        return query.step() == sql::Statement::Step::Row && query.columnInt(0) == seen;
    });
}

DeviceSQLite::ReadScope::ReadScope(DeviceSQLite& store) : db_(store.db_) {
    if (db_.isOpen() && !db_.inTransaction()) began_ = db_.exec("BEGIN");
}

DeviceSQLite::ReadScope::~ReadScope() {
    // Quietly: after a failed read SQLite may have ended the transaction
    // itself, and the error the caller reports must stay the read's own.
    if (began_ && db_.inTransaction() &&
        sqlite3_exec(db_.handle(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace korvex
