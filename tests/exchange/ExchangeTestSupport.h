#pragma once

// A fresh folder per test standing in for the user's data and config
// folders, a settings database in it, and a way to compare whole databases.

#include <cstdlib>
#include <map>

#include "../store/StoreTestSupport.h"

namespace korvex::testing {

inline void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Every row of every table, in row id order: two files with the same dump
// hold the same settings.
inline std::map<std::string, std::vector<std::string>> dumpTables(const fs::path& file) {
    std::map<std::string, std::vector<std::string>> out;
    RawDb db(file);
    for (const std::string& table :
         db.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
        out[table] = db.rows("SELECT * FROM \"" + table + "\" ORDER BY rowid");
    }
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
