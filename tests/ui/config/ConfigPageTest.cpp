#include <QColorDialog>

#include "../keys/PageTestSupport.h"
#include "catalog/FunctionCatalog.h"

namespace korvex {
namespace {

class ConfigPageTest : public test::PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        openPage(KeyboardViewController::kConfigView);
    }
    QCheckBox* box(int type) const { return config->gameModeBox(type); }
    SimSystem system() {
        waitForUploads();
        auto s = monitor->keyboard().systemFunctions();
        return s ? *s : SimSystem{};
    }
    std::string stored(const char* key) { return hub->deviceDB()->getConfigData(1, key); }
};

TEST_F(ConfigPageTest, GameModeOffKeepsTheSubSwitchesForTheNextTimeOn) {
    click(box(gamemodebox::kGameMode));
    click(box(gamemodebox::kAltF4));
    EXPECT_EQ(system(), (SimSystem{1, 0, 1, 0, 0, 0}));

    click(box(gamemodebox::kGameMode));
    EXPECT_EQ(system(), (SimSystem{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(stored("disable_altf4"), "1");

    click(box(gamemodebox::kGameMode));
    EXPECT_TRUE(box(gamemodebox::kAltF4)->isChecked());
    EXPECT_EQ(system(), (SimSystem{1, 0, 1, 0, 0, 0}));
}

// A factory restore sends exactly what a first attach of a fresh store sends.
TEST_F(ConfigPageTest, FactoryRestoreSendsTheFirstAttachSequenceAgain) {
    waitForUploads();
    const auto firstAttach = monitor->keyboard().writes();
    ASSERT_FALSE(firstAttach.empty());

    click(box(gamemodebox::kGameMode));
    openPage(KeyboardViewController::kCustomKeyView);
    clickKey("x");
    pickTile(kFnKeyCode);
    click(keys->profileButton(profilebutton::kAdd));
    openPage(KeyboardViewController::kConfigView);
    waitForUploads();
    const std::size_t before = monitor->keyboard().writes().size();

    click(config->btn_resetalldata());
    answer(config->sheet(), true);
    waitForUploads();
    const auto all = monitor->keyboard().writes();
    const std::vector<std::vector<std::uint8_t>> restore(all.begin() + before, all.end());
    EXPECT_EQ(restore, firstAttach);
    EXPECT_TRUE(monitor->keyboard().violations().empty());

    // And the pages show the factory state.
    EXPECT_FALSE(box(gamemodebox::kGameMode)->isChecked());
    EXPECT_EQ(keys->customkey_keyprofile()->rowCount(), 1);
    EXPECT_EQ(hub->currentProfile, 1);
    EXPECT_EQ(key("x").keyMacro, keyFullName("x"));
    EXPECT_TRUE(hub->initFinish);
}

// Sheets opened later and Qt's own dialogs follow the list too: the open
// colour picker is retitled at once, and English takes Qt's translation away.
TEST_F(ConfigPageTest, LanguageListRelabelsSheetsAndQtsDialogs) {
    auto* combo = config->combo_language();
    QColorDialog* picker = hub->colorPanel();
    const QString english = picker->windowTitle();
    combo->setCurrentIndex(2);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("選擇顏色"));
    click(config->btn_resetalldata());
    EXPECT_EQ(config->sheet()->informativeText(),
              QString::fromUtf8(text(kLanguageTraditionalChinese, 621).data()));
    answer(config->sheet(), false);
    combo->setCurrentIndex(1);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("选择颜色"));
    combo->setCurrentIndex(0);
    EXPECT_EQ(picker->windowTitle(), english);
}

}  // namespace
}  // namespace korvex
