#pragma once

// A fresh folder per test standing in for the user's data and config
// folders, a settings database in it, and a way to compare whole databases.

#include <gmock/gmock.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "../store/StoreTestSupport.h"

namespace korvex::testing {

inline void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A result (anything with ok and message) that failed saying `text`.
MATCHER_P(FailsWith, text, "fails saying " + ::testing::PrintToString(text)) {
    *result_listener << "ok " << arg.ok << ", message: " << arg.message;
    return !arg.ok && arg.message.find(text) != std::string::npos;
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

// A small tmpfs mounted on `dir` (needs root, as in CI); `why` says why
// not when it could not be mounted. fill() takes its last free byte.
class SmallDisk {
  public:
    explicit SmallDisk(fs::path dir, const char* size = "256k") : dir_(std::move(dir)) {
        fs::create_directories(dir_);
        const std::string options = std::string("size=") + size;
        if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0)
            mounted_ = true;
        else
            why_ = std::string("cannot mount a small tmpfs here: ") + std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    void fill() {
        std::FILE* out = std::fopen((dir_ / "filler").c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::setvbuf(out, nullptr, _IONBF, 0);
        const std::string block(512, 'x');
        while (std::fwrite(block.data(), 1, block.size(), out) == block.size()) continue;
        while (std::fputc('x', out) != EOF) continue;
        std::fclose(out);
    }

  private:
    fs::path dir_;
    bool mounted_ = false;
    std::string why_;
};

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
