// The autostart entry in a temporary XDG_CONFIG_HOME.

#include "exchange/Autostart.h"

#include <gmock/gmock.h>

#include "ExchangeTestSupport.h"

namespace korvex {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;
using testing::readBytes;

class Autostart : public testing::TempHome {};

TEST_F(Autostart, WritesAHiddenStartEntryAndRemovesItWhereTheConfigFolderIs) {
    const fs::path file = root / "config/autostart/korvex.desktop";
    ASSERT_EQ(autostartFilePath(), file.string());
    EXPECT_FALSE(isAutostartEnabled());

    const AutostartResult on = enableAutostart("/usr/bin/korvex");
    ASSERT_TRUE(on.ok) << on.message;
    EXPECT_EQ(on.path, file.string());
    const std::string text = readBytes(file);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_THAT(text, HasSubstr("\nType=Application\n"));
    EXPECT_THAT(text, HasSubstr("\nExec=/usr/bin/korvex --hidden\n"));
    EXPECT_TRUE(isAutostartEnabled());
    EXPECT_TRUE(enableAutostart("/usr/bin/korvex").ok);  // again: replaced, not appended
    EXPECT_EQ(readBytes(file), text);

    EXPECT_TRUE(disableAutostart().ok);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(isAutostartEnabled());
    EXPECT_TRUE(disableAutostart().ok);  // nothing to remove is fine

    fs::create_directories(root / "config/autostart/korvex.desktop/inside");
    EXPECT_THAT(enableAutostart("/usr/bin/korvex"), testing::FailsWith("korvex.desktop"));
    EXPECT_FALSE(disableAutostart().ok);  // a folder in the way is reported

    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(autostartFilePath(), (root / ".config/autostart/korvex.desktop").string());
}

// The session splits Exec into arguments and expands % codes: a path with
// spaces, quotes or % must come out of that as the same one argument.
TEST_F(Autostart, TheEntryNamesTheProgramSoTheSessionFindsIt) {
    const auto exec = [](const std::string& program) {
        const std::string entry = autostartEntry(program);
        const auto at = entry.find("\nExec=");
        return at == std::string::npos ? std::string()
                                       : entry.substr(at + 6, entry.find('\n', at + 1) - at - 6);
    };
    EXPECT_EQ(exec("/opt/k/korvex"), "/opt/k/korvex --hidden");
    EXPECT_EQ(exec("/home/a b/100%/korvex"), R"("/home/a b/100%%/korvex" --hidden)");
    EXPECT_EQ(exec(R"(/x/$"q`\/korvex)"), R"("/x/\\$\\"q\\`\\\\/korvex" --hidden)");
    EXPECT_EQ(autostartEntry("/x/a\nExec=evil"), "");
    EXPECT_FALSE(enableAutostart("/x/a\nb").ok);
    EXPECT_FALSE(enableAutostart("korvex").ok);  // the session's PATH is not ours
    EXPECT_FALSE(fs::exists(root / "config/autostart/korvex.desktop"));
    // Telling a build folder is DesktopTest's (the program runs from one).
}

}  // namespace
}  // namespace korvex
