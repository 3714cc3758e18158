#pragma once

// A fresh folder per test standing in for the user's data and config
// folders, a settings database in it, and a way to compare whole databases.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "store/DeviceSQLite.h"

namespace korvex::testing {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Every row of every table, in row id order: two files with the same dump
// hold the same settings.
inline std::map<std::string, std::vector<std::string>> dumpTables(const fs::path& file) {
    std::map<std::string, std::vector<std::string>> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        sqlite3_close_v2(db);
        return out;
    }
    auto rows = [&](const std::string& sql) {
        std::vector<std::string> result;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
            return result;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row += (c ? "|" : "") +
                       std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            result.push_back(row);
        }
        sqlite3_finalize(stmt);
        return result;
    };
    for (const std::string& table :
         rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
        out[table] = rows("SELECT * FROM \"" + table + "\" ORDER BY rowid");
    }
    sqlite3_close_v2(db);
    return out;
}

class TempHome : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::temp_directory_path() /
               ("korvex-exchange-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(root);
        fs::create_directories(root);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        database = root / "data/korvex/db/settings.sqlite3";
    }
    void TearDown() override { fs::remove_all(root); }

    // A store on `database` that keeps its log lines to itself.
    void openStore(DeviceSQLite& store, const fs::path& file) {
        store.setLogSink([](const std::string&) {});
        ASSERT_TRUE(store.openFile(file.string()).ok);
    }

    fs::path root;
    fs::path database;
};

}  // namespace korvex::testing
