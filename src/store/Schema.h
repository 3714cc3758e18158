#pragma once

// What a settings file must hold before the program reads from it or takes
// it in: its tables and their columns, by name.

#include <string>
#include <vector>

#include "store/Sqlite.h"

namespace korvex {

enum class SchemaScope {
    Read,   // the eight tables the program reads and writes
    Whole,  // all ten tables, also the two it only creates
};

struct SchemaCheck {
    // False when the file's schema could not be read at all (locked, damaged,
    // not a database); `error` and `errorCode` say why.
    bool readable = false;
    int errorCode = 0;  // primary SQLite result code when not readable
    std::string error;
    // What is missing, in creation order: "t_macro_data" for a whole table,
    // "t_keyprofile.macroType" for a column of a table that is there.
    std::vector<std::string> missing;
    // None of the ten tables is there (a new, empty file).
    bool noTables = false;

    bool ok() const { return readable && missing.empty(); }
    // "t_keyprofile.macroType, t_macro_data"
    std::string missingList() const;
};

// Compares the file behind `db` with the tables this program creates. Only
// reads; extra tables and columns are allowed.
SchemaCheck checkSchema(sql::Connection& db, SchemaScope scope = SchemaScope::Whole);

}  // namespace korvex
