#pragma once

// Shared fixture of the store tests: a fresh folder per test, a store opened
// on a real file in it, and a second raw SQLite connection to look at (or
// interfere with) the file from outside.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "store/DeviceSQLite.h"

namespace korvex::testing {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

inline std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A raw connection for looking at the file the way another program would.
class RawDb {
  public:
    explicit RawDb(const fs::path& file) {
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~RawDb() { sqlite3_close_v2(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    bool exec(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    // Every row of a query, its columns joined by '|'.
    std::vector<std::string> rows(const std::string& sql) {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return out;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                if (c) row += '|';
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row += text ? reinterpret_cast<const char*>(text) : "NULL";
            }
            out.push_back(row);
        }
        sqlite3_finalize(stmt);
        return out;
    }
    std::int64_t count(const std::string& table, const std::string& where = "1") {
        auto r = rows("SELECT count(*) FROM \"" + table + "\" WHERE " + where);
        return r.empty() ? -1 : std::stoll(r[0]);
    }

  private:
    sqlite3* db_ = nullptr;
};

// The page number and page size of `table`'s root page.
inline std::pair<std::int64_t, std::int64_t> rootPage(const fs::path& file,
                                                      const std::string& table) {
    RawDb raw(file);
    const auto root = raw.rows("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'");
    const auto pageSize = raw.rows("PRAGMA page_size");
    EXPECT_EQ(root.size(), 1u) << "no table " << table;
    return {root.size() == 1 ? std::stoll(root[0]) : 0, std::stoll(pageSize[0])};
}

// Overwrites the first page of `table` with garbage, as a failing disk
// would: the file still opens, reading that table fails.
inline void damageTable(const fs::path& file, const std::string& table) {
    const auto [page, size] = rootPage(file, table);
    ASSERT_GT(page, 0);
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp((page - 1) * size);
    const std::string garbage(static_cast<std::size_t>(size), '\xff');
    out.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

// Damage SQLite does not notice while reading: the page header stays, but
// every cell pointer of `table`'s root page (a leaf) is aimed at the unused
// gap after the pointer array, so the table reads as rows of NULLs.
inline void scribbleCellPointers(const fs::path& file, const std::string& table) {
    const auto [page, size] = rootPage(file, table);
    ASSERT_GT(page, 0);
    std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    io.seekg((page - 1) * size);
    io.read(bytes.data(), size);
    auto byte = [&](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[i]));
    };
    ASSERT_EQ(byte(0), 13u) << table << " has more than one page";
    const unsigned cells = byte(3) << 8 | byte(4);
    ASSERT_GT(cells, 0u) << table << " is empty";
    const unsigned gap = 8 + 2 * cells + 4;
    for (unsigned i = 0; i < cells; ++i) {
        bytes[8 + 2 * i] = static_cast<char>(gap >> 8);
        bytes[9 + 2 * i] = static_cast<char>(gap & 0xff);
    }
    io.seekp((page - 1) * size);
    io.write(bytes.data(), size);
}

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "korvex-store-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        fs::permissions(dir_, fs::perms(0755));  // reachable for the unprivileged checks
        file_ = dir_ / "db" / "settings.sqlite3";
        store_.setLogSink([](const std::string&) {});
    }
    void TearDown() override {
        std::error_code ec;
        for (auto& entry : fs::recursive_directory_iterator(dir_, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    OpenResult open() { return store_.openFile(file_.string()); }
    void openOrFail() { ASSERT_TRUE(open().ok) << store_.lastError(); }

    fs::path dir_;
    fs::path file_;
    DeviceSQLite store_;
};

// Runs `body` where file permissions are enforced: as root (which bypasses
// them) in a child process that has dropped to "nobody". Returns body's
// result, or -1 when the child could not drop its rights.
inline int runUnprivileged(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}

}  // namespace korvex::testing
