#include <QDialog>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QSignalSpy>

#include <fstream>

#include "../../store/StoreTestSupport.h"
#include "../keys/PageTestSupport.h"
#include "catalog/FunctionCatalog.h"
#include "exchange/Autostart.h"
#include "exchange/Backups.h"
#include "store/StorePath.h"
#include "ui/desktop/KeyboardViewDesktop.h"
#include "ui/desktop/ResumeWatch.h"
#include "ui/desktop/SingleInstance.h"
#include "ui/macro/KeyboardViewMacro.h"

namespace korvex {
namespace {

class DesktopTest : public test::PageTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
        beforeStart();
        PageTest::SetUp();
        desktop = hub->findChild<KeyboardViewDesktop*>();
        ASSERT_TRUE(desktop);
    }
    // Files to be there before the window starts.
    virtual void beforeStart() {}

    // Empty while there is no backup.
    std::string newestTag() {
        const auto list = BackupShelf::standard()->list();
        return list.empty() ? std::string() : list.front().tag;
    }
    // Z plays A on the current profile's top layer.
    void assignZ() {
        openPage(KeyboardViewController::kCustomKeyView);
        clickKey("z");
        pickTile(4);
        waitForUploads();
    }
    std::size_t writeCount() {
        waitForUploads();
        return monitor->keyboard().writes().size();
    }
    std::vector<std::vector<std::uint8_t>> writesSince(std::size_t from) {
        waitForUploads();
        const auto all = monitor->keyboard().writes();
        return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
    }
    void confirmOn(QPushButton* button) {
        click(button);
        answer(config->sheet(), true);
    }

    QTemporaryDir configHome;
    KeyboardViewDesktop* desktop = nullptr;
};

TEST_F(DesktopTest, EachDestructiveChangeFromTheWindowIsBackedUpFirst) {
    assignZ();
    openPage(KeyboardViewController::kConfigView);
    // Declined, the reset changes nothing and backs nothing up.
    click(config->btn_resetmousedata());
    answer(config->sheet(), false);
    EXPECT_EQ(rows(0).size(), 1u);
    EXPECT_EQ(newestTag(), "");
    confirmOn(config->btn_resetmousedata());
    EXPECT_EQ(newestTag(), "profile-reset");
    EXPECT_TRUE(rows(0).empty());
    EXPECT_EQ(key("z").keyMacro, keyFullName("z"));
    EXPECT_TRUE(held(0, "z").isDefault());

    confirmOn(config->btn_resetalldata());
    EXPECT_EQ(newestTag(), "factory-restore");

    openPage(KeyboardViewController::kCustomKeyView);
    click(keys->profileButton(profilebutton::kAdd));
    settle();
    click(keys->profileButton(profilebutton::kDelete));
    answer(keys->sheet(), true);
    EXPECT_EQ(newestTag(), "profile-delete");
    EXPECT_EQ(keys->customkey_keyprofile()->rowCount(), 1);

    // Without a place for the backup, nothing is deleted and the sheet says why.
    click(keys->profileButton(profilebutton::kAdd));
    settle();
    const std::string shelf = *backupDirectory();
    QDir(QString::fromStdString(shelf)).removeRecursively();
    std::ofstream(shelf) << "in the way";
    click(keys->profileButton(profilebutton::kDelete));
    answer(keys->sheet(), true);
    EXPECT_EQ(keys->customkey_keyprofile()->rowCount(), 2);
    ASSERT_NE(keys->sheet(), nullptr);
    EXPECT_TRUE(keys->sheet()->informativeText().startsWith("No backup could be made"));
}

TEST_F(DesktopTest, ExportedProfileImportsAsANewSelectedProfileAndBadFilesChangeNothing) {
    assignZ();
    const QString file = dataHome.filePath(QStringLiteral("z.json"));
    desktop->chooseFile = [&](bool, const QString&) { return file; };
    desktop->exportAction()->trigger();

    // A refused file: the message names the fault (that the database keeps
    // every byte: ProfileFileTest).
    const QString bad = dataHome.filePath(QStringLiteral("bad.json"));
    std::ofstream(bad.toStdString()) << "{ not json";
    QSignalSpy finished(desktop, &KeyboardViewDesktop::importFinished);
    desktop->importProfileFrom(bad);
    EXPECT_TRUE(desktop->importRunning());  // the window's thread is free meanwhile
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(desktop->sheet()->text().startsWith("The file was not imported: "));
    EXPECT_EQ(newestTag(), "");

    desktop->importAction()->trigger();
    ASSERT_TRUE(finished.wait(20000));
    settle();
    EXPECT_EQ(newestTag(), "import");
    ASSERT_EQ(hub->profileDatas.size(), 2u);
    EXPECT_EQ(keys->customkey_keyprofile()->selectedRow(), 1);
    EXPECT_EQ(hub->currentProfile, hub->profileDatas[1].profId);
    // The new profile holds Z as A (what the keyboard is sent: the next case).
    ASSERT_EQ(rows(0).size(), 1u);
    EXPECT_EQ(rows(0)[0].keyValue, keyCode("z"));
}

// The keyboard gets what an action changed: one layer's table for a key
// edit, nothing for a new empty macro until a key plays it, and after an
// import the macro image (when the file brings macros) with the tables once.
TEST_F(DesktopTest, EachActionSendsOnlyWhatItChanged) {
    using E = SimExchange;
    SimulatedKeyboard& kb = monitor->keyboard();
    std::size_t exchangesSeen = 0;
    auto mark = [&] {
        waitForUploads();
        exchangesSeen = kb.exchanges().size();
    };
    auto since = [&] {
        waitForUploads();
        const auto all = kb.exchanges();
        return std::vector<E>(all.begin() + static_cast<std::ptrdiff_t>(exchangesSeen), all.end());
    };
    mark();
    assignZ();
    EXPECT_EQ(since(), std::vector<E>{E::KeyTableTop});

    // A new macro changes nothing the keyboard plays; a key bound to it
    // takes the image and the tables naming its slot.
    auto* macros = hub->findChild<KeyboardViewMacro*>();
    mark();
    macros->addMacroData();
    EXPECT_TRUE(since().empty());
    const MacroInfo added = macros->MacroListDatas().back();
    ASSERT_TRUE(hub->deviceDB()->rewriteMacroRecords(
        added.macroId, {{0, added.macroId, 2, 0, 4, "A"}, {0, added.macroId, 3, 1, 4, "A"}}));
    mark();
    ProfileKey plays;
    plays.macroType = kMacroTypeMacro;
    plays.macroValue = added.macroId;
    plays.macroDesc = added.macroName;
    hub->currentKeyValue = keyCode("y");
    keys->addCustomKey(plays);
    EXPECT_EQ(since(), (std::vector<E>{E::Macros, E::KeyTableTop, E::KeyTableFn}));
    EXPECT_TRUE(held(0, "y").isMacro());

    // Exported with its macro, which is then deleted: the import brings it
    // back, the image first and the key tables once after it.
    const QString file = dataHome.filePath(QStringLiteral("y.json"));
    desktop->chooseFile = [&](bool, const QString&) { return file; };
    desktop->exportAction()->trigger();
    closeSheets();
    macros->macroList()->setSelectedRow(static_cast<int>(macros->MacroListDatas().size()) - 1);
    macros->deleteMacroData();
    // The keyboard takes its time: tables sent before the image would be on
    // their way, not merged into the ones after it.
    clock.pauseMs = 1;
    QSignalSpy finished(desktop, &KeyboardViewDesktop::importFinished);
    auto importSends = [&] {
        mark();
        desktop->importProfileFrom(file);
        EXPECT_TRUE(finished.wait(20000));
        settle();
        closeSheets();
        std::vector<E> sent = since();
        std::erase(sent, E::LightMode);  // the new profile's own, with its keys
        return sent;
    };
    EXPECT_EQ(importSends(), (std::vector<E>{E::Macros, E::KeyTableTop, E::KeyTableFn}));
    EXPECT_TRUE(held(0, "y").isMacro());
    auto json = [&] {
        return QJsonDocument::fromJson(
            QByteArray::fromStdString(testing::readBytes(file.toStdString())));
    };
    QJsonObject unbound = json()["macros"][0].toObject();

    // The first profile lost its macro key with the macro: a file without macros.
    keys->customkey_keyprofile()->setSelectedRow(0);
    settle();
    desktop->exportAction()->trigger();
    closeSheets();
    EXPECT_EQ(importSends(), (std::vector<E>{E::KeyTableTop, E::KeyTableFn}));
    EXPECT_FALSE(held(0, "z").isDefault());

    // The same with a macro no key plays: the image, then the tables once.
    QJsonObject root = json().object();
    QJsonArray events = unbound["events"].toArray();
    for (const QJsonValue& e : unbound["events"].toArray()) events.append(e);
    unbound["events"] = events;
    unbound["name"] = QStringLiteral("Unbound");
    root["macros"] = QJsonArray{unbound};
    std::ofstream(file.toStdString(), std::ios::trunc)
        << QJsonDocument(root).toJson().toStdString();
    EXPECT_EQ(importSends(), (std::vector<E>{E::Macros, E::KeyTableTop, E::KeyTableFn}));
}

TEST_F(DesktopTest, RestoreFromBackupBringsTheSettingsBackAndSendsThem) {
    assignZ();
    const SimKeyEntry assigned = held(0, "z");
    openPage(KeyboardViewController::kConfigView);
    confirmOn(config->btn_resetalldata());
    EXPECT_TRUE(held(0, "z").isDefault());
    EXPECT_TRUE(rows(0).empty());

    click(desktop->btn_restorebackup());
    settle();
    ASSERT_TRUE(desktop->backupDialog() && desktop->backupList());
    ASSERT_EQ(desktop->backupList()->count(), 1);
    click(desktop->backupDialog()->findChild<QPushButton*>("backup_restore"));
    settle();
    EXPECT_FALSE(desktop->backupDialog());
    const std::size_t sent = writeCount();
    answer(desktop->sheet(), true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop->restoreRunning(); }));

    // The store was reopened on the restored file and everything sent again.
    ASSERT_TRUE(hub->deviceDB()->isOpen());
    ASSERT_EQ(rows(0).size(), 1u);
    EXPECT_EQ(rows(0)[0].keyValue, keyCode("z"));
    EXPECT_EQ(held(0, "z"), assigned);
    EXPECT_GT(writesSince(sent).size(), 0u);
    EXPECT_TRUE(hub->initFinish);
    // The factory state itself can be had back in turn.
    EXPECT_EQ(newestTag(), "restore");
}

class DamagedStartTest : public DesktopTest {
  protected:
    void beforeStart() override {
        // A good backup with one profile more than the factory seed.
        const std::string good = dataHome.filePath("good.sqlite3").toStdString();
        {
            DeviceSQLite store([](const std::string&) {});
            ASSERT_TRUE(store.openFile(good).ok);
            ASSERT_GT(store.addProfile("Kept"), 1);
        }
        ASSERT_TRUE(BackupShelf::standard()->backup(good, BackupReason::Manual).ok);
        // A settings file whose pages past the header are overwritten: it
        // still opens, its quick check fails.
        {
            DeviceSQLite store([](const std::string&) {});
            ASSERT_TRUE(store.openFile(*databasePath()).ok);
        }
        damaged = testing::readBytes(*databasePath());
        ASSERT_GT(damaged.size(), 3 * 4096u);
        for (std::size_t i = 4096 + 16; i < 3 * 4096; ++i) damaged[i] = '\x5a';
        std::ofstream(*databasePath(), std::ios::binary | std::ios::trunc) << damaged;
    }
    std::string damaged;
};

TEST_F(DamagedStartTest, TheFileIsLeftAloneAndTheNewestBackupIsOffered) {
    EXPECT_FALSE(hub->deviceDB()->isOpen());
    EXPECT_EQ(testing::readBytes(*databasePath()), damaged);
    ASSERT_NE(desktop->sheet(), nullptr);
    EXPECT_TRUE(desktop->sheet()->informativeText().startsWith(
        "The settings database is damaged and was left untouched. Restore the newest backup ("));
    EXPECT_TRUE(monitor->keyboard().writes().empty());

    answer(desktop->sheet(), true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop->restoreRunning(); }));
    ASSERT_TRUE(hub->deviceDB()->isOpen());
    EXPECT_EQ(keys->customkey_keyprofile()->rowCount(), 2);
    EXPECT_FALSE(writesSince(0).empty());
}

TEST_F(DesktopTest, WithAutostartOnClosingHidesToTheTrayAndOffQuits) {
    window->trayAvailable = [] { return true; };
    QSignalSpy quit(window.get(), &MainWindowController::quitRequested);
    QSignalSpy hidden(window.get(), &MainWindowController::hiddenToTray);
    openPage(KeyboardViewController::kConfigView);
    // Off at first: the click turns it on (where the entry goes: AutostartTest).
    click(desktop->autostartBox());
    ASSERT_TRUE(isAutostartEnabled());
    closeSheets();

    window->window()->close();
    EXPECT_FALSE(window->window()->isVisible());
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_EQ(quit.count(), 0);
    window->showWindow();

    // Without a tray to come back from, closing ends the program after all.
    window->trayAvailable = [] { return false; };
    window->window()->close();
    EXPECT_EQ(quit.count(), 1);
    window->showWindow();

    window->trayAvailable = [] { return true; };
    click(desktop->autostartBox());
    EXPECT_FALSE(QFile::exists(configHome.filePath("autostart/korvex.desktop")));
    window->window()->close();
    EXPECT_EQ(quit.count(), 2);
    EXPECT_EQ(hidden.count(), 1);
}

struct HandSleepSource final : SleepSignalSource {
    bool start() override { return true; }
    void sleepAndWake() {
        emit prepareForSleep(true);
        emit prepareForSleep(false);
    }
};

TEST_F(DesktopTest, AfterResumeTheStartupUploadsGoOutOnce) {
    const auto firstAttach = writesSince(0);
    ASSERT_FALSE(firstAttach.empty());
    HandSleepSource source;
    ResumeWatch watch(source, *hub, std::chrono::milliseconds(0));
    std::size_t from = writeCount();
    source.sleepAndWake();
    emit source.prepareForSleep(false);  // a repeated wake-up signal
    EXPECT_TRUE(writesSince(from) == firstAttach);
    // Nothing while asleep, once more on waking.
    from = writeCount();
    emit source.prepareForSleep(true);
    EXPECT_TRUE(writesSince(from).empty());
    emit source.prepareForSleep(false);
    EXPECT_TRUE(writesSince(from) == firstAttach);
}

TEST(SingleInstanceTest, WithoutABusTheLockFileKeepsASecondWindowOut) {
    test::app();
    const QString name = QStringLiteral("korvex-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
}

}  // namespace
}  // namespace korvex
