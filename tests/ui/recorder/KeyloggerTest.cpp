#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "../UiTestSupport.h"
#include "KeyEvents.h"
#include "ui/recorder/Keylogger.h"

namespace korvex {
namespace {

using test::sendKey;

constexpr int kA = 4, kB = 5, kLeftControl = 224, kLeftShift = 225, kRightShift = 229;

class KeyloggerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        field->setFocus();
        logger().keys.clear();
        logger().shiftKeyStatus = 0;
    }
    void TearDown() override {
        for (int id : monitors) logger().removeMonitor(id);
    }

    static Keylogger& logger() { return Keylogger::shared(); }
    QWindow* handle() { return window.windowHandle(); }
    // Counts the monitor's runs and what the state said during each.
    void watch() {
        monitors.push_back(logger().addMonitor([this] {
            seen.push_back({logger().keys.GLOBAL_LAST_PRESS_KEY_SCANCODE,
                            std::string(logger().keys.lastKeyOperate)});
        }));
    }

    QApplication& app = test::app();  // before any widget
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    std::vector<int> monitors;
    std::vector<std::pair<int, std::string>> seen;
};

TEST_F(KeyloggerTest, HeldKeysBuildUpInPressOrderAndTheMonitorSeesEachEventOnce) {
    watch();
    sendKey(handle(), KEY_LEFTSHIFT, true, 10);
    sendKey(handle(), KEY_B, true, 20);
    sendKey(handle(), KEY_LEFTCTRL, true, 30);
    sendKey(handle(), KEY_A, true, 40);
    const HeldKeyState& held = logger().keys;
    EXPECT_EQ(held.pressedFlags, (std::vector<int>{kLeftShift, kLeftControl}));
    EXPECT_EQ(held.pressedNormalKey, (std::vector<int>{kB, kA}));
    EXPECT_EQ(logger().shiftKeyStatus, 1);
    EXPECT_EQ(logger().lastMovedTimes, 40);

    sendKey(handle(), KEY_B, false, 50);
    sendKey(handle(), KEY_LEFTSHIFT, false, 60);
    EXPECT_EQ(held.pressedFlags, (std::vector<int>{kLeftControl}));
    EXPECT_EQ(held.pressedNormalKey, (std::vector<int>{kA}));
    EXPECT_EQ(logger().shiftKeyStatus, 0);
    // The event reached the window and then the field, yet ran the monitor
    // once, with the state already holding that very event.
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[1], (std::pair<int, std::string>{kB, "down"}));
    EXPECT_EQ(seen[4], (std::pair<int, std::string>{kB, "up"}));
}

TEST_F(KeyloggerTest, RightShiftAutoRepeatAndUnknownKeysLeaveTheStateAlone) {
    watch();
    sendKey(handle(), KEY_RIGHTSHIFT, true, 5);
    EXPECT_EQ(logger().shiftKeyStatus, 0);  // only Left Shift counts as "Shift held"
    EXPECT_EQ(logger().keys.pressedFlags, (std::vector<int>{kRightShift}));

    sendKey(handle(), KEY_A, true, 10);
    for (int i = 0; i < 5; ++i) sendKey(handle(), KEY_A, true, 20 + i, /*autoRepeat=*/true);
    EXPECT_EQ(logger().keys.pressedNormalKey, (std::vector<int>{kA}));
    EXPECT_EQ(logger().lastMovedTimes, 10);
    EXPECT_EQ(seen.size(), 2u);

    // A code the key table lacks moves the time only and wakes no monitor,
    // which would otherwise see the previous key a second time.
    sendKey(handle(), 0x2ff, true, 99);
    EXPECT_EQ(logger().keys.GLOBAL_LAST_PRESS_KEY_SCANCODE, kA);
    EXPECT_EQ(logger().lastMovedTimes, 99);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(KeyloggerTest, LosingTheFocusReleasesEveryHeldKey) {
    sendKey(handle(), KEY_LEFTSHIFT, true);
    sendKey(handle(), KEY_A, true);
    ASSERT_FALSE(logger().keys.pressedNormalKey.empty());
    // The offscreen platform has no other application to give the focus to;
    // announce the change as the window system's activation handling does.
    // The keys' releases will go to whatever has the focus now.
    emit qGuiApp->focusWindowChanged(nullptr);
    EXPECT_TRUE(logger().keys.pressedNormalKey.empty());
    EXPECT_TRUE(logger().keys.pressedFlags.empty());
    EXPECT_EQ(logger().shiftKeyStatus, 0);

    sendKey(handle(), KEY_B, true);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(logger().keys.pressedNormalKey.empty());
}

TEST_F(KeyloggerTest, EventsWithoutATimeGetTheMonotonicClock) {
    const std::int64_t before = Keylogger::monotonicMs();
    sendKey(handle(), KEY_A, true, 0);
    EXPECT_GE(logger().lastMovedTimes, before);
    EXPECT_LE(logger().lastMovedTimes, Keylogger::monotonicMs());
}

}  // namespace
}  // namespace korvex
