#pragma once

// Helpers shared by the sources of DeviceSQLite; not part of its interface.

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "store/Sqlite.h"

namespace korvex::store {

// The ten CREATE TABLE statements, in creation order (Schema.cpp).
extern const std::array<const char*, 10> kCreateStatements;
// The tables of automatic switching: ours alone, created when missing, so a
// file without them is complete (AutoSwitchSQLite.cpp).
extern const std::array<const char*, 2> kAutoSwitchCreateStatements;
// In the transaction of a profile's deletion: its rules go, and it stops
// being the default.
bool deleteAutoSwitchRowsOf(sql::Connection& db, std::int64_t profile);
// In the transaction of a factory reset: no rules, switched off.
bool clearAutoSwitch(sql::Connection& db);

// Steps `query` to the end and appends one record per row built by `make`.
// A query that fails part way leaves `out` exactly as it was, so callers
// never see a half list.
template <typename Record, typename Make>
bool collectRows(sql::Statement& query, std::vector<Record>& out, Make make) {
    std::vector<Record> rows;
    for (;;) {
        switch (query.step()) {
            case sql::Statement::Step::Row:
                rows.push_back(make(query));
                continue;
            case sql::Statement::Step::Done:
                out.insert(out.end(), std::make_move_iterator(rows.begin()),
                           std::make_move_iterator(rows.end()));
                return true;
            case sql::Statement::Step::Error:
                return false;
        }
    }
}

// The listing operations report the array's size afterwards, whether or not
// the query could run.
template <typename Record, typename Make>
std::int64_t appendRowsAndCount(sql::Statement& query, std::vector<Record>& out, Make make) {
    collectRows(query, out, make);
    return static_cast<std::int64_t>(out.size());
}

// Runs one statement with its parameters; true when it finished without error.
template <typename... Args>
bool runWith(sql::Connection& db, const char* sqlText, const Args&... args) {
    sql::Statement statement(db, sqlText);
    return statement.bindAll(args...).run();
}

// Inserts one row; the new row id, or 0 when the insert failed.
template <typename... Args>
std::int64_t insertWith(sql::Connection& db, const char* sqlText, const Args&... args) {
    return runWith(db, sqlText, args...) ? db.lastInsertRowid() : 0;
}

// Runs a one-statement write in a transaction of its own (a savepoint
// inside the caller's), so the connection's write check guards it like
// every other write. False or 0 when it failed or was refused.
template <typename Write>
auto inTransaction(sql::Connection& db, Write write) -> decltype(write()) {
    sql::Transaction tx(db);
    if (!tx.ok()) return {};
    auto result = write();
    if (!result || !tx.commit()) return {};
    return result;
}

// Inserts a parent row (macro, user light) and, in the same transaction,
// removes child rows that an earlier parent with the same id left behind:
// ids are reused once the newest parent is deleted. The new id, or 0.
template <typename... Args>
std::int64_t insertParent(sql::Connection& db, const char* clearChildren, const char* insertSql,
                          const Args&... args) {
    sql::Transaction tx(db);
    if (!tx.ok()) return 0;
    const std::int64_t id = insertWith(db, insertSql, args...);
    if (id == 0 || !runWith(db, clearChildren, id) || !tx.commit()) return 0;
    return id;
}

// Deletes a parent row and its child rows together, or neither.
inline bool deleteParent(sql::Connection& db, const char* deleteSql, const char* deleteChildren,
                         std::int64_t id) {
    sql::Transaction tx(db);
    return tx.ok() && runWith(db, deleteSql, id) && runWith(db, deleteChildren, id) && tx.commit();
}

// Whether the query yields at least one row; empty when it failed.
template <typename... Args>
std::optional<bool> hasRow(sql::Connection& db, const char* sqlText, const Args&... args) {
    sql::Statement query(db, sqlText);
    switch (query.bindAll(args...).step()) {
        case sql::Statement::Step::Row:
            return true;
        case sql::Statement::Step::Done:
            return false;
        case sql::Statement::Step::Error:
            break;
    }
    return std::nullopt;
}

}  // namespace korvex::store
