// The autostart entry in a temporary XDG_CONFIG_HOME.

#include "exchange/Autostart.h"

#include <gmock/gmock.h>

#include "ExchangeTestSupport.h"

namespace korvex {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;

class Autostart : public testing::TempHome {};

TEST_F(Autostart, WritesAHiddenStartEntryAndRemovesIt) {
    const fs::path file = root / "config/autostart/korvex.desktop";
    ASSERT_EQ(autostartFilePath(), file.string());
    EXPECT_FALSE(isAutostartEnabled());

    const AutostartResult on = enableAutostart();
    ASSERT_TRUE(on.ok) << on.message;
    EXPECT_EQ(on.path, file.string());
    const std::string text = readBytes(file);
    EXPECT_EQ(text, autostartEntry());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_THAT(text, HasSubstr("\nType=Application\n"));
    EXPECT_THAT(text, HasSubstr("\nExec=korvex --hidden\n"));
    EXPECT_TRUE(isAutostartEnabled());
    EXPECT_TRUE(enableAutostart().ok);  // again: replaced, not appended
    EXPECT_EQ(readBytes(file), text);

    EXPECT_TRUE(disableAutostart().ok);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(isAutostartEnabled());
    EXPECT_TRUE(disableAutostart().ok);  // nothing to remove is fine
}

TEST_F(Autostart, FollowsTheConfigFolderAndHonoursEntriesSwitchedOff) {
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(autostartFilePath(), (root / ".config/autostart/korvex.desktop").string());
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);

    ASSERT_TRUE(enableAutostart().ok);
    writeBytes(*autostartFilePath(), autostartEntry() + "Hidden = true\n");
    EXPECT_FALSE(isAutostartEnabled());
}

TEST_F(Autostart, AFolderInTheWayIsReported) {
    fs::create_directories(root / "config/autostart/korvex.desktop/inside");
    const AutostartResult on = enableAutostart();
    EXPECT_FALSE(on.ok);
    EXPECT_THAT(on.message, HasSubstr("korvex.desktop"));
    EXPECT_FALSE(disableAutostart().ok);
}

}  // namespace
}  // namespace korvex
