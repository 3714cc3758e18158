#include <QLabel>
#include <QRadioButton>
#include <QSlider>

#include "../keys/PageTestSupport.h"
#include "ui/light/KeyboardLightView.h"
#include "ui/light/KeyboardViewLight.h"
#include "ui/light/LightModes.h"

namespace korvex::test {
namespace {

using namespace lightmodes;

class LightPage : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        page();
        openPage(KeyboardViewController::kLightView);
    }

    KeyboardViewLight* page() {
        auto* p = hub->findChild<KeyboardViewLight*>();
        EXPECT_NE(p, nullptr);
        return p;
    }

    void chooseMode(int mode) { clickRow(page()->light_mode_list(), rowOfMode(mode)); }
    // A mode in one colour: random colour switched off when the store has it on.
    void chooseSolidMode(int mode) {
        chooseMode(mode);
        if (page()->randomColorTag() == 1) toggleRandom();
        ASSERT_EQ(storedBytes(mode)[kByteRandom], 0);
    }

    std::vector<std::uint8_t> storedBytes(int mode, std::int64_t profile = 1) {
        lightData record;
        EXPECT_TRUE(store().queryLightInfo(profile, mode, record));
        return record.lightBytes;
    }

    void storeBytes(int mode, std::initializer_list<std::pair<std::size_t, std::uint8_t>> set) {
        std::vector<std::uint8_t> b = storedBytes(mode);
        for (auto [i, v] : set) b[i] = v;
        ASSERT_TRUE(store().modifyLightData(1, mode, b));
    }

    void toggleRandom() {
        QTest::mouseClick(page()->light_btn_randomcolor(), Qt::LeftButton);
        waitForUploads();
    }
    void clickColor(int tag) {
        QTest::mouseClick(page()->colorButton(tag), Qt::LeftButton);
        waitForUploads();
    }

    SimLightMode shown() { return sim().lightMode().value_or(SimLightMode{}); }

    // The field and the swatches follow the picker button (ColorControls).
    bool colorsEnabled() { return !page()->light_btn_color()->isDiasble(); }

    QStringList visibleDirections() {
        QStringList shownImages;
        for (int tag = 200; tag <= 203; ++tag)
            if (page()->directionButton(tag)->isVisible())
                shownImages << page()->directionButton(tag)->imageName();
        return shownImages;
    }
};

// (The twenty rows' texts in every language: AttachTest.Languages. The row
// of the stored mode selected and sent, and what a restart shows and sends
// again: the one-truth property.)
TEST_F(LightPage, EverySettingReachesTheKeyboard) {
    chooseSolidMode(7);  // Breath
    page()->light_slider_brightness()->setValue(9);
    waitForUploads();
    page()->light_slider_speed()->setValue(4);
    waitForUploads();
    clickColor(kLightPickerTag + 11);
    EXPECT_EQ((SimLightMode{7, 255, 168, 0, 0, 9, 4, 0}), shown());
    EXPECT_EQ(page()->colorField(1)->text(), "168");

    // A mode shows its own two directions and keeps its choice.
    chooseMode(kModeScrolling);
    EXPECT_EQ(visibleDirections(), (QStringList{"image_up", "image_bottom_check"}));
    QTest::mouseClick(page()->directionButton(200), Qt::LeftButton);
    waitForUploads();
    EXPECT_EQ(storedBytes(kModeScrolling)[kByteDirection], kDirectionUp);
    EXPECT_EQ(shown().direction, kDirectionUp);
    chooseSolidMode(11);
    EXPECT_EQ(visibleDirections(), (QStringList{"image_right", "image_left_check"}));
    QTest::mouseClick(page()->directionButton(201), Qt::LeftButton);
    waitForUploads();
    EXPECT_EQ(shown().mode, 11);
    EXPECT_EQ(shown().direction, kDirectionRight);
    toggleRandom();
    EXPECT_EQ(shown().randomColour, 1);
    chooseMode(kModeScrolling);
    EXPECT_EQ(visibleDirections(), (QStringList{"image_up_check", "image_bottom"}));
    EXPECT_TRUE(sim().violations().empty());
}

TEST_F(LightPage, SlidersShowTheLowFourBitsAndCloseBacklightDisablesTheControls) {
    storeBytes(kModeStatic, {{kByteBrightness, 0x1A}, {kByteSpeed, 9}});
    chooseMode(kModeStatic);
    EXPECT_EQ(page()->light_slider_brightness()->value(), 10);
    EXPECT_EQ(page()->light_slider_speed()->value(), 0);
    EXPECT_FALSE(page()->light_slider_speed()->isEnabled());
    // Showing a value is not a change: the store keeps its bytes.
    EXPECT_EQ(storedBytes(kModeStatic)[kByteBrightness], 0x1A);
    EXPECT_EQ(storedBytes(kModeStatic)[kByteSpeed], 9);

    storeBytes(kModeOff, {{kByteBrightness, 7}, {kByteSpeed, 7}});
    chooseMode(kModeOff);
    EXPECT_EQ(shown().mode, 0);
    EXPECT_EQ(page()->light_slider_brightness()->value(), 0);
    EXPECT_TRUE(page()->light_slider_brightness()->isEnabled());
    EXPECT_EQ(page()->light_slider_speed()->value(), 0);
    EXPECT_FALSE(page()->light_slider_speed()->isEnabled());
    EXPECT_FALSE(colorsEnabled());
    EXPECT_FALSE(page()->light_btn_randomcolor()->isEnabled());
    EXPECT_TRUE(visibleDirections().isEmpty());
}

TEST_F(LightPage, RandomColourSwitchesColoursOffAndColourfulAndSpectrumShowItOff) {
    for (int mode : {kModeColourful, kModeSpectrum}) {
        storeBytes(mode, {{kByteRandom, 1}});
        chooseMode(mode);
        EXPECT_EQ(page()->randomColorTag(), 0);
        EXPECT_TRUE(page()->light_btn_randomcolor()->isEnabled());
        EXPECT_FALSE(colorsEnabled());
        toggleRandom();
        EXPECT_EQ(storedBytes(mode)[kByteRandom], 1);
        EXPECT_FALSE(colorsEnabled());
        toggleRandom();
        EXPECT_EQ(storedBytes(mode)[kByteRandom], 0);
        EXPECT_EQ(shown().randomColour, 0);
        EXPECT_TRUE(colorsEnabled());
    }

    // While random the preview shows the catalog colours.
    chooseSolidMode(4);
    clickColor(kLightPickerTag + 4);  // blue
    KeyboardLightView* preview = page()->light_keyboardctrl();
    clickColor(kLightPickerTag);
    ASSERT_TRUE(hub->colorPanelOpen());
    toggleRandom();
    EXPECT_FALSE(hub->colorPanelOpen());  // it would store colours the mode ignores
    // Esc has the catalog colour (69, 0, 255); a 128 would show as half, not zero.
    EXPECT_EQ(preview->keyColor(0), QColor(69, 0, 255));
    // Disabled presets do nothing.
    clickColor(kLightPickerTag + 1);
    EXPECT_EQ(storedBytes(4)[kByteRed], 0);
    EXPECT_EQ(storedBytes(4)[kByteRandom], 1);
    toggleRandom();
    EXPECT_EQ(preview->keyColor(0), QColor(0, 0, 255));
}

TEST_F(LightPage, TypedChannelsFollowTheFieldRule) {
    chooseSolidMode(3);
    clickColor(kLightPickerTag + 14);  // black
    QLineEdit* red = page()->colorField(0);
    // The rule itself, case by case: LightModesTest.
    typeInto(red, "abc");
    EXPECT_EQ(red->text(), "255");
    typeInto(page()->colorField(1), "300");
    typeInto(page()->colorField(2), "12");
    waitForUploads();
    const auto b = storedBytes(3);
    EXPECT_EQ((std::array<int, 3>{b[kByteRed], b[kByteGreen], b[kByteBlue]}),
              (std::array<int, 3>{255, 255, 12}));
    EXPECT_EQ(shown().blue, 12);
    // Clearing a field applies nothing until a number is typed.
    red->selectAll();
    QTest::keyClick(red, Qt::Key_Backspace);
    EXPECT_EQ(red->text(), "");
    EXPECT_EQ(storedBytes(3)[kByteRed], 255);
}

// (The one-truth property's refused steps do not reach this reliably.)
TEST_F(LightPage, AFailedWriteSendsNothing) {
    chooseMode(5);
    const std::size_t before = exchangeCount();
    const std::vector<std::uint8_t> stored = storedBytes(5);
    execOnFile(
        "CREATE TRIGGER refuse BEFORE UPDATE ON t_lightdata BEGIN SELECT RAISE(ABORT, 'no'); END");
    page()->light_slider_brightness()->setValue(3);
    clickColor(kLightPickerTag + 2);
    toggleRandom();
    EXPECT_EQ(exchangeCount(), before);
    EXPECT_EQ(storedBytes(5), stored);
    // The page shows what is stored, as the keyboard does.
    EXPECT_EQ(page()->light_slider_brightness()->value(), stored[kByteBrightness] & 15);
    EXPECT_EQ(page()->randomColorTag(), stored[kByteRandom] == 1 ? 1 : 0);
    EXPECT_EQ(colorsEnabled(), stored[kByteRandom] != 1);
}

// Another program's stray value shows as Not Sleep, never a radio past the
// four. (A chosen time is stored, shown and sent: the one-truth property.)
TEST_F(LightPage, AStrayStoredSleepTimeShowsNotSleep) {
    ASSERT_TRUE(store().updateConfigData(1, "sleeplight", "7"));
    restart();
    for (int t = 0; t < kSleepChoices; ++t) EXPECT_EQ(page()->sleepRadio(t)->isChecked(), t == 0);
}

}  // namespace
}  // namespace korvex::test
