#include "store/StorePath.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

struct EnvGuard {
    std::string name;
    std::optional<std::string> old;
    explicit EnvGuard(std::string n) : name(std::move(n)) {
        if (const char* v = std::getenv(name.c_str())) old = v;
    }
    ~EnvGuard() {
        if (old)
            setenv(name.c_str(), old->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

// A fresh folder per test in dir_.
using StorePath = korvex::testing::StoreTest;

TEST_F(StorePath, FollowsXdgDataHomeAndFallsBackToHome) {
    EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
    setenv("HOME", "/home/u", 1);
    setenv("XDG_DATA_HOME", "/data/", 1);
    EXPECT_EQ(korvex::databasePath(), "/data/korvex/db/device_keyboard_tarnel_v1.sqlite3");
    setenv("XDG_DATA_HOME", "relative/dir", 1);  // not absolute: ignored
    EXPECT_EQ(korvex::databaseDirectory(), "/home/u/.local/share/korvex/db");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(korvex::databaseDirectory(), "/home/u/.local/share/korvex/db");
    unsetenv("HOME");
    EXPECT_FALSE(korvex::databasePath().has_value());
}

TEST_F(StorePath, TheStoreOpensThereAndFailsWithoutAnyLocation) {
    EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
    const auto& root = dir_;
    korvex::DeviceSQLite store([](const std::string&) {});
    unsetenv("HOME");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(store.init(korvex::kDatabaseFileName).error, korvex::OpenError::NoLocation);
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    const korvex::OpenResult opened = store.init(korvex::kDatabaseFileName);
    EXPECT_TRUE(opened.ok) << opened.reason;
    EXPECT_EQ(opened.path, *korvex::databasePath());
    EXPECT_TRUE(std::filesystem::is_regular_file(opened.path));
    // A plain file where a folder must go is an open failure that says why.
    const korvex::OpenResult blocked =
        store.openFile((root / "korvex/db" / korvex::kDatabaseFileName / "x").string());
    EXPECT_EQ(blocked.error, korvex::OpenError::CannotCreate);
    EXPECT_FALSE(blocked.reason.empty());
}

}  // namespace
