#include "Schema.h"

#include <sqlite3.h>

#include <algorithm>
#include <string_view>

#include "StoreInternal.h"

namespace korvex {

namespace store {

// Creation order and column order are part of the file format.
const std::array<const char*, 10> kCreateStatements = {
    R"(CREATE TABLE IF NOT EXISTS "t_profile" ("profId" INTEGER PRIMARY KEY NOT NULL, "name" TEXT))",
    R"(CREATE TABLE IF NOT EXISTS "t_configdata" ("keyId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "key" TEXT NOT NULL, "profId" INTEGER NOT NULL, "value" TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_lightdata" ("lightId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "profId" INTEGER NOT NULL, "name" TEXT, "mode" INTEGER NOT NULL,)"
    R"( "byte1" INTEGER NOT NULL, "byte2" INTEGER NOT NULL, "byte3" INTEGER NOT NULL,)"
    R"( "byte4" INTEGER NOT NULL, "byte5" INTEGER NOT NULL, "byte6" INTEGER NOT NULL,)"
    R"( "byte7" INTEGER NOT NULL, "byte8" INTEGER NOT NULL, "byte9" INTEGER NOT NULL,)"
    R"( "byte10" INTEGER NOT NULL, "byte11" INTEGER NOT NULL, "status" INTEGER NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_keyrgbdata" ("rgbId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "lightId" INTEGER NOT NULL, "profId" INTEGER NOT NULL, "keyvalue" INTEGER NOT NULL,)"
    R"( "rgbvalue" INTEGER NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_userlight_data" ("light_id" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "profile" INTEGER NOT NULL, "name" TEXT, "speed" INTEGER NOT NULL,)"
    R"( "brightness" INTEGER NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_userlight_leddata" ("ledId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "light_id" INTEGER NOT NULL, "keyvalue" INTEGER NOT NULL, "rgbvalue" INTEGER NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_triggerkey" ("triggerId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "profId" INTEGER NOT NULL, "layer" INTEGER NOT NULL, "keyvalue" INTEGER NOT NULL,)"
    R"( "keydesc" TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_keyprofile" ("keyId" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "profId" INTEGER NOT NULL, "fnlayerId" INTEGER NOT NULL, "keyvalue" INTEGER NOT NULL,)"
    R"( "macroType" INTEGER NOT NULL, "macroValue" INTEGER NOT NULL,)"
    R"( "macro2Value" INTEGER NOT NULL, "macro3Value" INTEGER NOT NULL,)"
    R"( "macroDesc" TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_macro_data" ("macro_id" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "play_times" INTEGER NOT NULL, "delay_type" INTEGER NOT NULL,)"
    R"( "delay_time" INTEGER NOT NULL, "macro_name" TEXT NOT NULL))",
    R"(CREATE TABLE IF NOT EXISTS "t_macrorecord" ("record_id" INTEGER PRIMARY KEY NOT NULL,)"
    R"( "macro_id" INTEGER NOT NULL, "record_type" INTEGER NOT NULL,)"
    R"( "record_index" INTEGER NOT NULL, "record_desc" TEXT NOT NULL,)"
    R"( "record_value" INTEGER NOT NULL))",
};

}  // namespace store

namespace {

// Tables the program creates but never reads or writes afterwards.
bool onlyCreated(std::string_view table) {
    return table == "t_keyrgbdata" || table == "t_triggerkey";
}

struct Table {
    std::string name;
    std::vector<std::string> columns;
};

std::vector<std::string> columnsOf(sql::Connection& db, const std::string& table, bool* failed) {
    std::vector<std::string> columns;
    sql::Statement query(db, "SELECT name FROM pragma_table_info(?) ORDER BY cid");
    *failed = !store::collectRows(query.bindAll(table), columns,
                                  [](const sql::Statement& row) { return row.columnText(0); });
    return columns;
}

// The tables as this program makes them, read back from a fresh in-memory
// database, so the check can never drift from what is created.
std::vector<Table> expectedTables() {
    sql::Connection memory;
    std::vector<Table> tables;
    if (!memory.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) return tables;
    for (const char* statement : store::kCreateStatements) {
        if (!memory.exec(statement)) return {};
    }
    sql::Statement names(memory,
                         "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    std::vector<std::string> list;
    if (!store::collectRows(names, list, [](const sql::Statement& r) { return r.columnText(0); }))
        return {};
    for (auto& name : list) {
        bool failed = false;
        auto columns = columnsOf(memory, name, &failed);
        if (failed) return {};
        tables.push_back({std::move(name), std::move(columns)});
    }
    return tables;
}

}  // namespace

std::string SchemaCheck::missingList() const {
    std::string text;
    for (const auto& name : missing) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

SchemaCheck checkSchema(sql::Connection& db, SchemaScope scope) {
    SchemaCheck result;
    static const std::vector<Table> expected = expectedTables();
    auto unreadable = [&](int code, std::string error) {
        result.errorCode = code;
        result.error = std::move(error);
        return result;
    };
    if (expected.empty()) return unreadable(SQLITE_NOMEM, "cannot build the expected schema");
    int present = 0;
    for (const Table& table : expected) {
        bool failed = false;
        const auto columns = columnsOf(db, table.name, &failed);
        if (failed) return unreadable(db.errorCode(), db.errorMessage());
        if (!columns.empty()) ++present;
        if (scope == SchemaScope::Read && onlyCreated(table.name)) continue;
        if (columns.empty()) {
            result.missing.push_back(table.name);
            continue;
        }
        for (const auto& column : table.columns) {
            if (std::find(columns.begin(), columns.end(), column) == columns.end())
                result.missing.push_back(table.name + "." + column);
        }
    }
    result.readable = true;
    result.noTables = present == 0;
    return result;
}

}  // namespace korvex
