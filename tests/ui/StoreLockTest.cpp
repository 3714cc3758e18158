// The window and another program sharing the settings file: the window
// writes again once it has taken in the other's change, and comes up once a
// file locked at start is free.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>

#include "WindowTestSupport.h"
#include "store/StorePath.h"
#include "store/StoreTestSupport.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

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
    std::size_t exchanges() { return monitor->keyboard().exchanges().size(); }
    QString sheetText() const { return hub->sheet() ? hub->sheet()->text() : QString(); }
    // The window past its home page, then another program renames the profile.
    void startThenAnotherProgramRenames() {
        startWindow();
        hub->keyboard_connect()->click();
        settle();
        other = std::make_unique<OtherProgram>();
        ASSERT_TRUE(other->exec("UPDATE t_profile SET name = 'Theirs'"));
    }
    std::unique_ptr<OtherProgram> other;
};

// Refused once from lists another program changed, the next edit is kept
// (the refusal itself, for every kind of edit: OneTruthTest).
TEST_F(StoreLockTest, AfterAnEditFromChangedListsIsRefusedTheNextIsKept) {
    ASSERT_NO_FATAL_FAILURE(startThenAnotherProgramRenames());
    auto* keys = hub->findChild<KeyboardViewKeyFunc*>();
    keys->addKeyProfile();
    EXPECT_EQ(sheetText(), KeyboardViewController::text(1023));
    closeSheets();
    settle();
    keys->addKeyProfile();
    std::vector<ProfileData> profiles;
    ASSERT_TRUE(hub->deviceDB()->queryProfileList(profiles));
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[0].name, "Theirs");
}

// Taking in another program's change only reads: with the file locked again
// right after, the reload neither waits for the lock nor says a change was lost.
TEST_F(StoreLockTest, TakingInAnotherProgramsChangeWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(startThenAnotherProgramRenames());
    ASSERT_TRUE(other->exec("BEGIN IMMEDIATE"));
    EXPECT_TRUE(hub->reloadIfChangedOutside());
    EXPECT_EQ(sheetText(), QString());
    EXPECT_TRUE(other->exec("ROLLBACK"));
}

TEST_F(StoreLockTest, AWindowStartedOnALockedFileWaitsAndComesUpInTheStoredLanguage) {
    {
        DeviceSQLite store([](const std::string&) {});
        ASSERT_TRUE(store.init(kDatabaseFileName).ok);
        ASSERT_TRUE(store.updateConfigData(1, "language", std::to_string(kLanguageEnglish)));
    }
    curLanguage = kLanguageSimplifiedChinese;
    other = std::make_unique<OtherProgram>();
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
