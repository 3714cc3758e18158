// Rules as stored (order, a deleted profile, a reset)
// and the switcher's manners: coalescing, the default, a manual choice, holds.

#include <QCoreApplication>
#include <QTest>

#include "../store/StoreTestSupport.h"
#include "ChildServer.h"
#include "autoswitch/AutoSwitcher.h"
#include "autoswitch/Rules.h"

namespace korvex {
namespace {

AutoSwitchRule rule(std::int64_t profile, std::int64_t kind, const char* match,
                    const char* title = "") {
    return {0, profile, kind, match, title};
}

std::vector<std::string> matches(DeviceSQLite& store) {
    AutoSwitchSettings settings;
    EXPECT_TRUE(store.queryAutoSwitch(settings));
    std::vector<std::string> out;
    for (const auto& r : settings.rules) out.push_back(std::to_string(r.profId) + ":" + r.match);
    return out;
}

struct AutoSwitchStore : testing::StoreTest {};

TEST_F(AutoSwitchStore, RulesKeepTheirOrderAndFollowProfiles) {
    openOrFail();
    const std::int64_t second = store_.addProfile("Second");
    const std::int64_t third = store_.addProfile("Third");
    ASSERT_NE(store_.addAutoSwitchRule(rule(second, AutoSwitchRule::Application, "steam")), 0);
    const std::int64_t game =
        store_.addAutoSwitchRule(rule(third, AutoSwitchRule::Program, "game"));
    ASSERT_NE(store_.addAutoSwitchRule(rule(1, AutoSwitchRule::Application, "code")), 0);
    EXPECT_EQ(store_.addAutoSwitchRule(rule(99, AutoSwitchRule::Application, "x")), 0);
    ASSERT_TRUE(store_.moveAutoSwitchRule(game, 0));
    EXPECT_EQ(matches(store_), (std::vector<std::string>{"3:game", "2:steam", "1:code"}));
    ASSERT_TRUE(store_.setAutoSwitchEnabled(true));
    ASSERT_TRUE(store_.setAutoSwitchDefault(third));
    EXPECT_FALSE(store_.setAutoSwitchDefault(99));

    // A deleted profile takes its rules, and stops being the default.
    ASSERT_TRUE(store_.deleteProfile(third));
    EXPECT_EQ(matches(store_), (std::vector<std::string>{"2:steam", "1:code"}));
    AutoSwitchSettings settings;
    ASSERT_TRUE(store_.queryAutoSwitch(settings));
    EXPECT_TRUE(settings.enabled);
    EXPECT_EQ(settings.defaultProfile, 0);

    // A factory reset leaves no rule naming a profile that is gone.
    ASSERT_TRUE(store_.dropTable());
    ASSERT_TRUE(store_.queryAutoSwitch(settings));
    EXPECT_TRUE(settings.rules.empty());
    EXPECT_FALSE(settings.enabled);
}

// An empty match and an over-long title are refused through the dialog (AutoSwitchDialogTest).
TEST(AutoSwitchRules, CheckAndMatch) {
    const std::vector<std::int64_t> profiles{1, 2};
    EXPECT_EQ(checkRule(rule(3, 0, "steam"), profiles), RuleProblem::NoSuchProfile);
    EXPECT_EQ(checkRule(rule(1, 7, "steam"), profiles), RuleProblem::BadKind);
    EXPECT_EQ(checkRule(rule(2, 1, "game"), profiles), RuleProblem::None);

    const std::vector<AutoSwitchRule> rules{
        rule(2, AutoSwitchRule::Application, "Firefox", "YouTube"),
        rule(3, AutoSwitchRule::Program, "game.exe"),
        rule(4, AutoSwitchRule::Application, "firefox"),
    };
    FrontApp firefox{"firefox", "Navigator", "Mail - Mozilla Firefox", 0, {}};
    EXPECT_EQ(matchRules(rules, firefox, {}), 4);
    firefox.title = "Cats - youtube";
    EXPECT_EQ(matchRules(rules, firefox, {}), 2);
    EXPECT_EQ(matchRules(rules, FrontApp{"xterm", {}, {}, 0, {}}, {"GAME.EXE"}), 3);
    EXPECT_EQ(matchRules(rules, FrontApp{"xterm", {}, {}, 0, {}}, {"bash"}), std::nullopt);
    // A window known only by its program (no class) still matches by program name.
    EXPECT_EQ(matchRules(rules, FrontApp{{}, {}, {}, 42, "firefox"}, {}), 4);
}

struct Switcher : ::testing::Test {
    void SetUp() override {
        test::app();
        AutoSwitcher::Hooks hooks;
        hooks.shownProfile = [this] { return shown; };
        hooks.switchTo = [this](std::int64_t profile) {
            switches.push_back(profile);
            shown = profile;
            return true;
        };
        hooks.held = [this] { return held; };
        switcher = std::make_unique<AutoSwitcher>(hooks, nullptr, 20);
        AutoSwitchSettings settings;
        settings.enabled = true;
        settings.defaultProfile = 1;
        settings.rules = {rule(2, AutoSwitchRule::Application, "steam"),
                          rule(3, AutoSwitchRule::Program, "game")};
        switcher->setSettings(settings);
    }
    void front(const char* appId, qint64 pid = 100) {
        switcher->frontChanged(FrontApp{appId, {}, appId, pid, {}});
    }
    void settleDown() { QTest::qWait(60); }

    std::int64_t shown = 1;
    bool held = false;
    std::vector<std::int64_t> switches;
    std::unique_ptr<AutoSwitcher> switcher;
};

TEST_F(Switcher, CoalescesFollowsAndReturnsToTheDefault) {
    // Alt-tab through five windows: one switch, to the last.
    for (const char* id : {"xterm", "steam", "code", "xterm", "steam"}) front(id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return switches.size() == std::size_t(1); }, 1000));
    settleDown();
    EXPECT_EQ(switches, (std::vector<std::int64_t>{2}));
    // Leaving the matched application brings the default back.
    front("xterm", 101);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown == std::int64_t(1); }, 1000));
    // A program rule holds while the program runs, and lets go when it exits.
    switcher->programsChanged({"bash", "game"});
    EXPECT_EQ(shown, 3);
    switcher->programsChanged({"bash"});
    EXPECT_EQ(shown, 1);
    // Our own window in front changes nothing.
    front("steam", QCoreApplication::applicationPid());
    settleDown();
    EXPECT_EQ(shown, 1);
}

TEST_F(Switcher, ManualChoiceAndHoldsAreRespected) {
    front("steam");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown == std::int64_t(2); }, 1000));
    // The user picks profile 4: nothing switches until the front changes.
    shown = 4;
    switcher->userChoseProfile();
    switcher->programsChanged({"game"});
    front("steam");  // the same window again is no new front
    settleDown();
    EXPECT_EQ(shown, 4);
    front("code", 102);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown == std::int64_t(3); }, 1000));

    // A recording (or unapplied paint) holds the switch back until it ends.
    held = true;
    switcher->programsChanged({});
    front("steam", 103);
    settleDown();
    EXPECT_EQ(shown, 3);
    held = false;
    switcher->holdReleased();
    EXPECT_EQ(shown, 2);

    // Off means off.
    AutoSwitchSettings off = switcher->settings();
    off.enabled = false;
    switcher->setSettings(off);
    front("xterm", 104);
    settleDown();
    EXPECT_EQ(shown, 2);
}

}  // namespace
}  // namespace korvex
