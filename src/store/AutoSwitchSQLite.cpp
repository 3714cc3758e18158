// Automatic profile switching: the rules and the switch, in two tables of
// our own beside the ten the keyboard's settings use.

#include <algorithm>

#include "DeviceSQLite.h"
#include "StoreInternal.h"

namespace korvex {

namespace store {

const std::array<const char*, 2> kAutoSwitchCreateStatements = {
    R"(CREATE TABLE IF NOT EXISTS "t_autoswitch_rule" ("ruleId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "position" INTEGER NOT NULL, "profId" INTEGER NOT NULL, "kind" INTEGER NOT NULL,)"
    R"( "match" TEXT NOT NULL, "title" TEXT NOT NULL DEFAULT ''))",
    R"(CREATE TABLE IF NOT EXISTS "t_autoswitch" ("key" TEXT PRIMARY KEY NOT NULL,)"
    R"( "value" INTEGER NOT NULL))",
};

bool deleteAutoSwitchRowsOf(sql::Connection& db, std::int64_t profile) {
    return runWith(db, R"(DELETE FROM "t_autoswitch_rule" WHERE "profId" = ?)", profile) &&
           runWith(db,
                   R"(UPDATE "t_autoswitch" SET "value" = 0)"
                   R"( WHERE "key" = 'defaultProfile' AND "value" = ?)",
                   profile);
}

bool clearAutoSwitch(sql::Connection& db) {
    // Dropped rather than emptied: the tables are made again with the others.
    return db.exec(R"(DROP TABLE IF EXISTS "t_autoswitch_rule")") &&
           db.exec(R"(DROP TABLE IF EXISTS "t_autoswitch")");
}

}  // namespace store

namespace {

constexpr const char* kProfileExists = R"(SELECT 1 FROM "t_profile" WHERE "profId" = ?)";

bool setValue(sql::Connection& db, const char* key, std::int64_t value) {
    return store::runWith(db,
                          R"(INSERT INTO "t_autoswitch" ("key", "value") VALUES (?, ?))"
                          R"( ON CONFLICT("key") DO UPDATE SET "value" = excluded."value")",
                          key, value);
}

}  // namespace

bool DeviceSQLite::queryAutoSwitch(AutoSwitchSettings& out) {
    if (!isOpen()) return false;
    ReadScope scope(*this);
    AutoSwitchSettings read;
    sql::Statement values(db_, R"(SELECT "key", "value" FROM "t_autoswitch")");
    for (;;) {
        const auto step = values.step();
        if (step == sql::Statement::Step::Error) return false;
        if (step == sql::Statement::Step::Done) break;
        const std::string key = values.columnText(0);
        if (key == "enabled") read.enabled = values.columnInt(1) != 0;
        if (key == "defaultProfile") read.defaultProfile = values.columnInt(1);
    }
    sql::Statement rules(db_, R"(SELECT "ruleId", "profId", "kind", "match", "title")"
                              R"( FROM "t_autoswitch_rule" ORDER BY "position", "ruleId")");
    if (!store::collectRows(rules, read.rules, [](sql::Statement& row) {
            AutoSwitchRule rule;
            rule.ruleId = row.columnInt(0);
            rule.profId = row.columnInt(1);
            rule.kind = row.columnInt(2);
            rule.match = row.columnText(3);
            rule.title = row.columnText(4);
            return rule;
        })) {
        return false;
    }
    out = std::move(read);
    return true;
}

bool DeviceSQLite::setAutoSwitchEnabled(bool enabled) {
    return isOpen() &&
           store::inTransaction(db_, [&] { return setValue(db_, "enabled", enabled ? 1 : 0); });
}

bool DeviceSQLite::setAutoSwitchDefault(std::int64_t profile) {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    if (profile != 0 && store::hasRow(db_, kProfileExists, profile) != true) return false;
    return setValue(db_, "defaultProfile", profile) && tx.commit();
}

std::int64_t DeviceSQLite::addAutoSwitchRule(const AutoSwitchRule& rule) {
    if (!isOpen()) return 0;
    sql::Transaction tx(db_);
    if (!tx.ok() || store::hasRow(db_, kProfileExists, rule.profId) != true) return 0;
    const std::int64_t id = store::insertWith(
        db_,
        R"(INSERT INTO "t_autoswitch_rule" ("position", "profId", "kind", "match", "title"))"
        R"( VALUES ((SELECT coalesce(max("position"), -1) + 1 FROM "t_autoswitch_rule"),)"
        R"( ?, ?, ?, ?))",
        rule.profId, rule.kind, rule.match, rule.title);
    return id != 0 && tx.commit() ? id : 0;
}

bool DeviceSQLite::updateAutoSwitchRule(const AutoSwitchRule& rule) {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok() || store::hasRow(db_, kProfileExists, rule.profId) != true) return false;
    if (store::hasRow(db_, R"(SELECT 1 FROM "t_autoswitch_rule" WHERE "ruleId" = ?)",
                      rule.ruleId) != true) {
        return false;
    }
    return store::runWith(db_,
                          R"(UPDATE "t_autoswitch_rule" SET "profId" = ?, "kind" = ?,)"
                          R"( "match" = ?, "title" = ? WHERE "ruleId" = ?)",
                          rule.profId, rule.kind, rule.match, rule.title, rule.ruleId) &&
           tx.commit();
}

bool DeviceSQLite::deleteAutoSwitchRule(std::int64_t ruleId) {
    return isOpen() && store::inTransaction(db_, [&] {
               return store::runWith(db_, R"(DELETE FROM "t_autoswitch_rule" WHERE "ruleId" = ?)",
                                     ruleId);
           });
}

bool DeviceSQLite::moveAutoSwitchRule(std::int64_t ruleId, std::int64_t index) {
    if (!isOpen()) return false;
    sql::Transaction tx(db_);
    if (!tx.ok()) return false;
    std::vector<std::int64_t> order;
    sql::Statement ids(db_,
                       R"(SELECT "ruleId" FROM "t_autoswitch_rule" ORDER BY "position", "ruleId")");
    if (!store::collectRows(ids, order, [](sql::Statement& row) { return row.columnInt(0); })) {
        return false;
    }
    const auto found = std::find(order.begin(), order.end(), ruleId);
    if (found == order.end()) return false;
    order.erase(found);
    const auto at = std::clamp<std::int64_t>(index, 0, static_cast<std::int64_t>(order.size()));
    order.insert(order.begin() + at, ruleId);
    sql::Statement renumber(db_,
                            R"(UPDATE "t_autoswitch_rule" SET "position" = ? WHERE "ruleId" = ?)");
    for (std::size_t i = 0; i < order.size(); ++i) {
        renumber.reset();
        if (!renumber.bindAll(static_cast<std::int64_t>(i), order[i]).run()) return false;
    }
    return tx.commit();
}

}  // namespace korvex
