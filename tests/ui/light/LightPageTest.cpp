#include <QColorDialog>
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

    bool colorsEnabled() {
        KeyboardViewLight* p = page();
        bool all = p->colorField(0)->isEnabled() && !p->light_btn_color()->isDiasble();
        bool none = !p->colorField(0)->isEnabled() && p->light_btn_color()->isDiasble();
        for (int tag = kLightPickerTag; tag <= kLightPickerTag + kPresetCount; ++tag) {
            all = all && !p->colorButton(tag)->isDiasble();
            none = none && p->colorButton(tag)->isDiasble();
        }
        EXPECT_TRUE(all || none) << "colour controls disagree";
        return all;
    }

    QStringList visibleDirections() {
        QStringList shownImages;
        for (int tag = 200; tag <= 203; ++tag)
            if (page()->directionButton(tag)->isVisible())
                shownImages << page()->directionButton(tag)->imageName();
        return shownImages;
    }
};

// (The twenty rows' texts in every language: AttachTest.Languages.)
TEST_F(LightPage, ListShowsTheStoredModeSelectedAndSent) {
    ItemListView* list = page()->light_mode_list();
    // The store's factory choice is selected and was sent on showing the page.
    const int stored = static_cast<int>(store().getLightModeSelectIndex(1));
    EXPECT_EQ(list->selectedRow(), rowOfMode(stored));
    for (int row = 0; row < kRowCount; ++row)
        EXPECT_EQ(static_cast<KeyTableItemView*>(list->row(row))->shownIcon(),
                  row == rowOfMode(stored) ? "icon_circle_h" : "icon_circle_n");
    EXPECT_EQ(shown().mode, stored);
}

// What a restart shows and sends again: the one-truth property's Restart.
TEST_F(LightPage, EverySettingReachesTheKeyboard) {
    chooseSolidMode(7);  // Breath
    page()->light_slider_brightness()->setValue(9);
    waitForUploads();
    page()->light_slider_speed()->setValue(4);
    waitForUploads();
    clickColor(kLightPickerTag + 11);
    EXPECT_EQ((SimLightMode{7, 255, 168, 0, 0, 9, 4, 0}), shown());
    EXPECT_EQ(page()->colorField(1)->text(), "168");

    chooseSolidMode(16);  // Flowing: left / right
    QTest::mouseClick(page()->directionButton(201), Qt::LeftButton);
    waitForUploads();
    EXPECT_EQ(shown().mode, 16);
    EXPECT_EQ(shown().direction, kDirectionRight);
    toggleRandom();
    EXPECT_EQ(shown().randomColour, 1);
    EXPECT_TRUE(sim().violations().empty());
}

TEST_F(LightPage, CloseBacklightTurnsEverythingOffAndStillSends) {
    storeBytes(kModeOff, {{kByteBrightness, 7}, {kByteSpeed, 7}});
    chooseMode(kModeOff);
    EXPECT_EQ(shown().mode, 0);
    EXPECT_EQ(page()->light_slider_brightness()->value(), 0);
    EXPECT_TRUE(page()->light_slider_brightness()->isEnabled());
    EXPECT_EQ(page()->light_slider_speed()->value(), 0);
    EXPECT_FALSE(page()->light_slider_speed()->isEnabled());
    EXPECT_FALSE(colorsEnabled());
    EXPECT_FALSE(page()->light_btn_randomcolor()->isEnabled());
    EXPECT_EQ(page()->light_btn_randomcolor()->imageName(), "img_switch_off");
    EXPECT_TRUE(visibleDirections().isEmpty());
    for (const KeyData& k : page()->light_keyboardctrl()->kbKeyArrayHover())
        ASSERT_EQ(page()->light_keyboardctrl()->keyColor(k.index), QColor(Qt::black));
}

TEST_F(LightPage, SlidersShowTheLowFourBitsAndStaticHasNoSpeed) {
    storeBytes(kModeStatic, {{kByteBrightness, 0x1A}, {kByteSpeed, 9}});
    chooseMode(kModeStatic);
    EXPECT_EQ(page()->light_slider_brightness()->value(), 10);
    EXPECT_EQ(page()->light_slider_speed()->value(), 0);
    EXPECT_FALSE(page()->light_slider_speed()->isEnabled());
    // Showing a value is not a change: the store keeps its bytes.
    EXPECT_EQ(storedBytes(kModeStatic)[kByteBrightness], 0x1A);
    EXPECT_EQ(storedBytes(kModeStatic)[kByteSpeed], 9);
}

TEST_F(LightPage, DirectionsAreKeptPerMode) {
    chooseMode(kModeScrolling);
    EXPECT_EQ(visibleDirections(), (QStringList{"image_up", "image_bottom_check"}));
    QTest::mouseClick(page()->directionButton(200), Qt::LeftButton);
    waitForUploads();
    EXPECT_EQ(storedBytes(kModeScrolling)[kByteDirection], kDirectionUp);
    EXPECT_EQ(shown().direction, kDirectionUp);
    chooseMode(11);
    EXPECT_EQ(visibleDirections(), (QStringList{"image_right", "image_left_check"}));
    chooseMode(3);
    EXPECT_TRUE(visibleDirections().isEmpty());
    chooseMode(kModeScrolling);
    EXPECT_EQ(visibleDirections(), (QStringList{"image_up_check", "image_bottom"}));
}

TEST_F(LightPage, ColourfulAndSpectrumShowRandomOffButLetItBeSwitched) {
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
}

TEST_F(LightPage, PreviewShowsTheCatalogColoursWhileRandom) {
    chooseSolidMode(4);
    clickColor(kLightPickerTag + 4);  // blue
    KeyboardLightView* preview = page()->light_keyboardctrl();
    EXPECT_EQ(preview->keyColor(0), QColor(0, 0, 255));
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
    EXPECT_EQ(page()->colorField(1)->text(), "255");
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

TEST_F(LightPage, EveryChannelValueSurvivesPageStorePage) {
    chooseSolidMode(2);
    clickColor(kLightPickerTag);  // the shared picker, opened for this page
    QColorDialog* picker = hub->colorPanel();
    ASSERT_TRUE(picker->isVisible());
    // Each channel takes every value once, the other two at other values.
    for (int v = 0; v <= 255; ++v) {
        const QColor c(v, (v + 85) % 256, (v + 170) % 256);
        picker->setCurrentColor(c);
        const auto b = storedBytes(2);
        ASSERT_EQ(QColor(b[kByteRed], b[kByteGreen], b[kByteBlue]), c);
        page()->setBacklightMode(rowOfMode(2));  // shown again from the store
        ASSERT_EQ(page()->light_btn_color()->btn_color(), c);
        for (int channel = 0; channel < 3; ++channel)
            ASSERT_EQ(page()->colorField(channel)->text().toInt(), channel == 0   ? c.red()
                                                                   : channel == 1 ? c.green()
                                                                                  : c.blue());
        picker->show();  // selecting a mode closes it
    }
    waitForUploads();
}

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

TEST_F(LightPage, SleepTimeIsStoredAndSentWithTheSystemSwitches) {
    auto radioOn = [&] {
        int on = -1;
        for (int t = 0; t < kSleepChoices; ++t)
            if (page()->sleepRadio(t)->isChecked()) on = on == -1 ? t : -2;
        return on;
    };
    QTest::mouseClick(page()->sleepRadio(2), Qt::LeftButton);
    waitForUploads();
    EXPECT_EQ(store().getConfigData(1, "sleeplight"), "2");
    EXPECT_EQ(radioOn(), 2);
    EXPECT_EQ(page()->sleepLabel(2)->palette().color(QPalette::WindowText), kAccentColor);
    EXPECT_EQ(page()->sleepLabel(0)->palette().color(QPalette::WindowText), QColor(Qt::white));
    ASSERT_TRUE(sim().systemFunctions());
    EXPECT_EQ(sim().systemFunctions()->sleepLight, 2);
    EXPECT_EQ(page()->sleepLabel(2)->text(), "5 min");

    ASSERT_TRUE(store().updateConfigData(1, "sleeplight", "7"));
    restart();
    EXPECT_EQ(radioOn(), 0);
    EXPECT_EQ(page()->sleepLabel(0)->text(), "Not Sleep");
}

}  // namespace
}  // namespace korvex::test
