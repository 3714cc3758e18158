// The window and another program sharing the settings file: the window never
// writes from lists another program has changed since, never waits on its
// lock, and comes up once a file locked at start is free.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QListView>
#include <QMessageBox>
#include <QTest>

#include "WindowTestSupport.h"
#include "store/StorePath.h"
#include "store/StoreTestSupport.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/config/KeyboardViewConfig.h"
#include "ui/keys/KeyboardViewKeyFunc.h"
#include "ui/macro/KeyboardViewMacro.h"

namespace korvex {
namespace {

// Another program's connection to the settings file.
struct OtherProgram : testing::RawDb {
    OtherProgram() : RawDb(*databasePath()) {}
};

class StoreLockTest : public test::WindowTest {
  protected:
    void SetUp() override {
        useDataHome();
        curLanguage = kLanguageEnglish;
    }
    void settle() { WindowRig::settle(20, 5); }
    KeyboardViewMacro* macro() const { return hub->findChild<KeyboardViewMacro*>(); }
    std::size_t exchanges() { return monitor->keyboard().exchanges().size(); }
    QString sheetText() const { return hub->sheet() ? hub->sheet()->text() : QString(); }
    std::vector<RecordInfo> storedEvents(std::int64_t macro) {
        std::vector<RecordInfo> events;
        hub->deviceDB()->queryMacroRecord(macro, events);
        return events;
    }
};

// An edit from lists another program changed is refused and they are shown
// again; one while it holds the lock is refused at once.
TEST_F(StoreLockTest, AnEditFromChangedListsOrOnALockedFileIsRefusedAndThePageFollowsTheStore) {
    startWindow();
    hub->keyboard_connect()->click();
    hub->selectPage(KeyboardViewController::kMacroView);
    macro()->addMacroData();
    const std::int64_t id = macro()->MacroListDatas().front().macroId;
    ASSERT_TRUE(hub->deviceDB()->rewriteMacroRecords(
        id, {{0, id, 2, 0, 4, "A"}, {0, id, 3, 1, 4, "A"}, {0, id, 1, 2, 30, "30"}}));
    hub->reloadFromStore(false);
    waitForUploads();
    ASSERT_EQ(macro()->RecordListDatas().size(), 3u);

    // A restore by another program, then at once (before any periodic look)
    // the user deletes an event from the list the window still shows.
    OtherProgram other;
    ASSERT_EQ(id, 1);
    ASSERT_TRUE(
        other.exec("DELETE FROM t_macrorecord; INSERT INTO t_macrorecord "
                   "(macro_id, record_type, record_index, record_desc, record_value) "
                   "VALUES (1, 2, 0, 'B', 5), (1, 3, 1, 'B', 5), (1, 1, 2, '40', 40)"));
    std::size_t sent = exchanges();
    macro()->recordList()->setCurrentIndex(macro()->recordList()->model()->index(0, 0));
    macro()->deleteRecordItem();
    settle();
    waitForUploads();

    ASSERT_EQ(storedEvents(id).size(), 3u);
    EXPECT_EQ(storedEvents(id)[0].recordValue, 5);
    EXPECT_EQ(exchanges(), sent);
    EXPECT_EQ(macro()->RecordListDatas().size(), 3u);  // shown again from the file
    EXPECT_EQ(sheetText(), KeyboardViewController::text(1023));

    // Shown again: the next edit goes through.
    macro()->recordList()->setCurrentIndex(macro()->recordList()->model()->index(2, 0));
    macro()->deleteRecordItem();
    settle();
    waitForUploads();
    EXPECT_EQ(storedEvents(id).size(), 2u);
    EXPECT_GT(exchanges(), sent);

    hub->selectPage(KeyboardViewController::kConfigView);
    waitForUploads();
    QCheckBox* gameMode = hub->findChild<KeyboardViewConfig*>()->gameModeBox(0);
    ASSERT_FALSE(gameMode->isChecked());
    sent = exchanges();
    closeSheets();
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
    QElapsedTimer clock;
    clock.start();
    gameMode->click();
    EXPECT_LT(clock.elapsed(), 2000);  // not the 5 s other programs wait
    EXPECT_TRUE(sheetText().contains(KeyboardViewController::text(1006)));
    settle();
    EXPECT_EQ(exchanges(), sent);
    ASSERT_TRUE(other.exec("COMMIT"));

    // Shown again from the store once it can be read; the next change sends
    // the switches as stored, with game mode off.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !gameMode->isChecked(); }, 3000));
    EXPECT_NE(hub->deviceDB()->getConfigData(1, "gamemode"), "1");
    hub->selectPage(KeyboardViewController::kLightView);
    hub->findChild<QAbstractButton*>(QStringLiteral("light_radio_lightsleep1"))->click();
    waitForUploads();
    ASSERT_TRUE(monitor->keyboard().systemFunctions());
    EXPECT_EQ(monitor->keyboard().systemFunctions()->gameMode, 0);
    EXPECT_EQ(monitor->keyboard().systemFunctions()->sleepLight, 1);
}

TEST_F(StoreLockTest, ListsTakenInFromAnotherProgramNameEachReusedRowAfresh) {
    startWindow();
    hub->keyboard_connect()->click();
    settle();
    auto* keys = hub->findChild<KeyboardViewKeyFunc*>();
    for (int i = 0; i < 3; ++i) macro()->addMacroData();
    keys->addKeyProfile();
    keys->addKeyProfile();
    // Each middle row then stands for the one below it.
    OtherProgram other;
    ASSERT_TRUE(other.exec(
        "DELETE FROM t_macro_data WHERE macro_id = 2; DELETE FROM t_profile WHERE profId = 2"));
    ASSERT_TRUE(hub->reloadIfChangedOutside());

    std::vector<MacroInfo> macros;
    hub->deviceDB()->queryAllMacroData(macros);
    std::vector<ProfileData> profiles;
    ASSERT_TRUE(hub->deviceDB()->queryProfileList(profiles));
    ASSERT_EQ(macro()->macroList()->rowCount(), 2);
    ASSERT_EQ(keys->customkey_keyprofile()->rowCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(macro()->macroList()->row(i)->text().toStdString(), macros[i].macroName);
        EXPECT_EQ(keys->customkey_keyprofile()->row(i)->text(),
                  KeyboardViewKeyFunc::profileDisplayName(profiles[i].name,
                                                          KeyboardViewController::text));
    }
}

TEST_F(StoreLockTest, AWindowStartedOnALockedFileWaitsAndComesUpInTheStoredLanguage) {
    {
        DeviceSQLite store([](const std::string&) {});
        ASSERT_TRUE(store.init(kDatabaseFileName).ok);
        ASSERT_TRUE(store.updateConfigData(1, "language", std::to_string(kLanguageEnglish)));
    }
    curLanguage = kLanguageSimplifiedChinese;
    auto other = std::make_unique<OtherProgram>();
    ASSERT_TRUE(other->exec("BEGIN EXCLUSIVE"));
    makeWindow();
    window->showWindow();
    settle();
    EXPECT_EQ(sheetText(),
              KeyboardViewController::text(1021).arg(QString::fromStdString(*databasePath())));
    EXPECT_TRUE(hub->profileDatas.empty());
    other.reset();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !hub->profileDatas.empty(); }, 5000));
    EXPECT_EQ(curLanguage, kLanguageEnglish);
    EXPECT_FALSE(hub->sheet());
    waitForUploads();
    EXPECT_GT(exchanges(), 0u);  // the start-up sequence
}

}  // namespace
}  // namespace korvex
