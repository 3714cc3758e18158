#include "store/StorePath.h"

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

TEST(StorePath, FollowsXdgDataHomeAndFallsBackToHome) {
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

TEST(StorePath, CreatesMissingFoldersAndReportsFailure) {
    auto root = std::filesystem::temp_directory_path() / "korvex-path-test";
    std::filesystem::remove_all(root);
    std::string reason;
    EXPECT_TRUE(korvex::createDirectories((root / "a/b/db").string(), &reason));
    EXPECT_TRUE(std::filesystem::is_directory(root / "a/b/db"));
    std::filesystem::create_directories(root);
    {
        std::FILE* f = std::fopen((root / "file").c_str(), "w");
        std::fclose(f);
    }
    EXPECT_FALSE(korvex::createDirectories((root / "file/db").string(), &reason));
    EXPECT_FALSE(reason.empty());
    std::filesystem::remove_all(root);
}

}  // namespace
