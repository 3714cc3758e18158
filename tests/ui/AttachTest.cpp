#include <gtest/gtest.h>

#include <QColorDialog>
#include <QRegularExpression>

#include <map>

#include "WindowTestSupport.h"
#include "data/ExpectedTables.h"
#include "store/StorePath.h"
#include "store/StoreTestSupport.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/Theme.h"
#include "ui/desktop/KeyboardViewDesktop.h"

namespace korvex {
namespace {

// An accepted interface this user may not open.
class DeniedHandle final : public KeyboardHandle {
  public:
    bool same(const KeyboardHandle& other) const override { return &other == this; }
    std::string name() const override { return "other"; }
    OpenedLink open() override {
        ++opens;
        OpenedLink opened;
        opened.error = LinkOpenError::AccessDenied;
        opened.detail = describe(opened.error);
        return opened;
    }
    int opens = 0;
};

class AttachTest : public test::WindowTest {
  protected:
    void SetUp() override {
        useDataHome();
        // As in a fresh process: an earlier case's language must not carry over.
        curLanguage = kLanguageSimplifiedChinese;
        makeWindow(wireLogPath().toStdString());
    }

    void showAndAttach() { ASSERT_TRUE(showLoaded()); }

    // Lets the queued device work and the device thread's reports run.
    void settle() { WindowRig::settle(20, 5); }

    QString wireLogPath() const { return dataHome.filePath("wire.log"); }

    std::vector<SimExchange> exchanges() { return monitor->keyboard().exchanges(); }

    void post(const QString& name, const KeyboardRef& device) {
        NotificationCenter::defaultCenter().post(name, deviceNotificationObject(device));
        settle();
    }
};

TEST_F(AttachTest, HomePageUntilTheConnectionButtonAndAgainOnDetachWhichStopsRecording) {
    EXPECT_TRUE(hub->homeViewShown());
    // The monitor starts only once the window is shown.
    settle();
    EXPECT_FALSE(hub->keyboardAttached());
    hub->keyboard_connect()->click();  // without a keyboard: nothing
    EXPECT_TRUE(hub->homeViewShown());

    showAndAttach();
    EXPECT_TRUE(hub->keyboardAttached());
    EXPECT_TRUE(hub->homeViewShown());

    hub->keyboard_connect()->click();
    EXPECT_FALSE(hub->homeViewShown());
    EXPECT_FALSE(g_show_homepage);
    EXPECT_EQ(hub->viewType, KeyboardViewController::kCustomKeyView);

    // Detached, the home page covers the pages; re-attached, the transport is kept.
    hub->selectPage(KeyboardViewController::kMacroView);
    hub->macroRecordType = 2;
    bool recorderStopped = false;
    hub->macroRecorderStop = [&] { recorderStopped = true; };
    DeviceComm* comm = hub->deviceComm();

    monitor->unplug();
    settle();
    EXPECT_FALSE(hub->keyboardAttached());
    EXPECT_FALSE(hub->initFinish);
    EXPECT_TRUE(hub->homeViewShown());
    EXPECT_EQ(comm->deviceStatus(), 0);
    EXPECT_TRUE(recorderStopped);
    EXPECT_EQ(hub->macroRecordType, 1);

    monitor->plug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hub->initFinish; }, 3000));
    EXPECT_EQ(hub->deviceComm(), comm);
    EXPECT_EQ(comm->deviceStatus(), 1);
}

TEST_F(AttachTest, ASecondKeyboardTakesOverTheLink) {
    showAndAttach();
    waitForUploads();
    const auto firstSent = exchanges().size();
    SimulatedMonitor second;  // not started: plugged by hand
    second.plug();
    settle();
    EXPECT_EQ(hub->kbHIDdevice, second.currentHandle());
    hub->selectPage(KeyboardViewController::kLightView);
    waitForUploads();
    // The newcomer is brought in line with the stored settings, then takes
    // the page's upload; the first keyboard gets nothing more.
    EXPECT_EQ(second.keyboard().exchanges().size(), firstSent + 1);
    EXPECT_EQ(second.keyboard().exchanges().back(), SimExchange::LightMode);
    EXPECT_EQ(exchanges().size(), firstSent);
    // The first one leaving now only makes the loaded state stale; objects
    // that are not a {"device": ...} record are ignored.
    monitor->unplug();
    NotificationCenter::defaultCenter().post(notification::kHIDDeviceDisconnected, 5);
    NotificationCenter::defaultCenter().post(notification::kHIDDeviceConnected, QVariantMap{});
    settle();
    EXPECT_EQ(hub->kbHIDdevice, second.currentHandle());
    EXPECT_FALSE(hub->initFinish);
    EXPECT_EQ(hub->deviceComm()->deviceStatus(), 1);
    second.unplug();
    settle();
    EXPECT_FALSE(hub->keyboardAttached());
}

TEST_F(AttachTest, AccessDeniedShowsTheFixOncePerInterfaceAndAttachesNothing) {
    showAndAttach();
    monitor->unplug();
    settle();
    auto denied = std::make_shared<DeniedHandle>();
    post(notification::kHIDDeviceConnected, denied);
    EXPECT_FALSE(hub->keyboardAttached());
    ASSERT_NE(hub->sheet(), nullptr);
    EXPECT_TRUE(hub->sheet()->text().contains("udev"));
    hub->sheet()->close();
    settle();
    post(notification::kHIDDeviceConnected, denied);
    EXPECT_EQ(hub->sheet(), nullptr);
    EXPECT_EQ(denied->opens, 2);
}

using E = SimExchange;

TEST_F(AttachTest, FirstAttachSendsTheStartupSequenceOnceAndReattachRepeatsIt) {
    // A user light in profile 1 adds its colours and the user light mode,
    // twice, after the built-in light mode.
    {
        DeviceSQLite db;
        ASSERT_TRUE(db.init("device_keyboard_tarnel_v1.sqlite3").ok);
        const auto id = db.addUserLight(1, "Mine");
        ASSERT_GT(id, 0);
        ASSERT_GT(db.addUserLightLEDData({0, id, 4, 0xFF0000}), 0);
    }
    showAndAttach();
    waitForUploads();
    // The macro image leads: the key tables after it name its slots.
    const std::vector<E> startup = {E::Macros,        E::KeyTableTop,   E::KeyTableFn,
                                    E::LightMode,     E::PerKeyColours, E::LightMode,
                                    E::PerKeyColours, E::LightMode,     E::SystemFunctions,
                                    E::KeyTableTop,   E::KeyTableFn};
    EXPECT_EQ(exchanges(), startup);
    // Every report written is in the wire log (its form: WireLogTest).
    const QString log = QString::fromStdString(testing::readBytes(wireLogPath().toStdString()));
    EXPECT_EQ(log.count(QRegularExpression("^set ", QRegularExpression::MultilineOption)),
              static_cast<qsizetype>(monitor->keyboard().writes().size()));

    // A duplicate arrival sends nothing.
    post(notification::kHIDDeviceConnected, hub->kbHIDdevice);
    waitForUploads();
    EXPECT_EQ(exchanges().size(), startup.size());

    // Re-attach: the same sequence again, without reopening the database.
    DeviceSQLite* db = hub->deviceDB();
    monitor->unplug();
    settle();
    monitor->plug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hub->initFinish; }, 3000));
    waitForUploads();
    EXPECT_EQ(hub->deviceDB(), db);
    std::vector<E> twice = startup;
    twice.insert(twice.end(), startup.begin(), startup.end());
    EXPECT_EQ(exchanges(), twice);

    // Replugged before the main thread has handled either: once more, and a
    // recording still ends.
    hub->macroRecordType = 2;
    monitor->unplug();
    monitor->plug();
    settle();
    waitForUploads();
    EXPECT_TRUE(hub->keyboardAttached());
    EXPECT_EQ(exchanges().size(), 3 * startup.size());
    EXPECT_EQ(hub->macroRecordType, 1);
}

TEST_F(AttachTest, GarbageDatabaseShowsASheetAndIsLeftAlone) {
    const auto dir = databaseDirectory();
    ASSERT_TRUE(dir);
    std::string reason;
    ASSERT_TRUE(createDirectories(*dir, &reason));
    const std::string garbage(3000, 'x');
    std::ofstream(*databasePath(), std::ios::binary) << garbage;
    showAndAttach();
    waitForUploads();
    // Not ours, which is not damage: the sheet names the file and the cause,
    // and no backup is offered in its place.
    auto* desktop = hub->findChild<KeyboardViewDesktop*>();
    ASSERT_TRUE(desktop);
    EXPECT_FALSE(desktop->sheet());
    ASSERT_TRUE(hub->sheet());
    EXPECT_TRUE(hub->sheet()->text().contains(QString::fromStdString(*databasePath())));
    EXPECT_TRUE(hub->sheet()->text().contains(KeyboardViewController::text(813)));
    EXPECT_EQ(testing::readBytes(*databasePath()), garbage);
    EXPECT_TRUE(exchanges().empty());
    EXPECT_TRUE(hub->initFinish);
}

TEST_F(AttachTest, LightPagesSendOnEveryPressAndPageChangesCloseThePicker) {
    showAndAttach();
    waitForUploads();
    hub->keyboard_connect()->click();
    const auto before = exchanges().size();
    auto* light = hub->pageView(KeyboardViewController::kLightView);
    // Each press sends (an identical press still queued is merged into the
    // newer one by the device thread, so wait between them).
    hub->navigationButton(KeyboardViewController::kLightView)->click();
    waitForUploads();
    hub->navigationButton(KeyboardViewController::kLightView)->click();
    waitForUploads();
    EXPECT_EQ(hub->shownPage(), KeyboardViewController::kLightView);
    EXPECT_TRUE(light->isVisible());
    EXPECT_EQ(exchanges().size(), before + 2);
    EXPECT_EQ(exchanges().back(), E::LightMode);

    hub->colorPanel()->show();
    EXPECT_TRUE(hub->colorPanelOpen());
    hub->navigationButton(KeyboardViewController::kUserLightView)->click();
    EXPECT_FALSE(hub->colorPanelOpen());
    EXPECT_FALSE(light->isVisible());
    // Without a scheme the user light page leaves the light mode playing.
    waitForUploads();
    EXPECT_EQ(exchanges().size(), before + 2);
    EXPECT_EQ(hub->viewType, KeyboardViewController::kUserLightView);

    // The other pages send nothing when entered.
    for (int type : {1, 2, 7}) hub->selectPage(type);
    waitForUploads();
    EXPECT_EQ(exchanges().size(), before + 2);
}

// Every relabelled control in every language, against the expected texts.
TEST_F(AttachTest, LanguagesRelabelTheWindowAndTheChoiceIsStored) {
    showAndAttach();
    using test::Row;
    std::map<int, Row> texts;
    for (const Row& t : test::expectedTable("texts.tsv")) texts[test::num(t[0])] = t;
    const auto captions = test::expectedTable("captions.tsv");
    // A fresh database holds English.
    EXPECT_EQ(curLanguage, kLanguageEnglish);
    auto* combo = hub->findChild<QComboBox*>("combo_language");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), "English");
    auto* lightModes = hub->findChild<ItemListView*>("lightmode");
    auto* insertEvents = hub->findChild<QComboBox*>("insertevent_combox");
    auto* mouseEvents = hub->findChild<QComboBox*>("mousevent_combox");
    ASSERT_TRUE(lightModes && insertEvents && mouseEvents);
    ASSERT_EQ(lightModes->rowCount(), 20);

    for (int index : {2, 1, 0}) {
        combo->setCurrentIndex(index);
        const int language = LanguageListDatas[index].mode;
        ASSERT_EQ(curLanguage, language);
        // The expected texts are in the list's order: English, Simplified, Traditional.
        auto expect = [&](int id) {
            return QString::fromStdString(texts.at(id).at(static_cast<std::size_t>(index) + 1));
        };
        for (const Row& c : captions) {
            auto* control = hub->findChild<QWidget*>(QString::fromStdString(c[0]));
            ASSERT_NE(control, nullptr) << c[0];
            EXPECT_EQ(theme::caption(control), expect(test::num(c[1])))
                << c[0] << " in " << language;
        }
        for (int row = 0; row < 20; ++row)
            EXPECT_EQ(lightModes->row(row)->text(), expect(500 + row)) << row;
        ASSERT_EQ(insertEvents->count(), 2);
        ASSERT_EQ(mouseEvents->count(), 3);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(insertEvents->itemText(i), expect(230 + i));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(mouseEvents->itemText(i), expect(232 + i));
        EXPECT_EQ(hub->window()->windowTitle(), expect(30));
        EXPECT_EQ(hub->deviceDB()->getConfigData(1, "language"), std::to_string(language));
    }
}

TEST_F(AttachTest, LanguageChoiceIsIgnoredUntilLoadedAndMissingChoiceStartsChinese) {
    {
        DeviceSQLite db;
        ASSERT_TRUE(db.init("device_keyboard_tarnel_v1.sqlite3").ok);
        ASSERT_TRUE(db.updateConfigData(1, "language", ""));
    }
    showAndAttach();
    EXPECT_EQ(curLanguage, kLanguageSimplifiedChinese);
    EXPECT_EQ(hub->deviceDB()->getConfigData(1, "language"), "2052");
    hub->initFinish = false;
    hub->findChild<QComboBox*>("combo_language")->setCurrentIndex(0);
    EXPECT_EQ(curLanguage, kLanguageSimplifiedChinese);
    EXPECT_EQ(hub->deviceDB()->getConfigData(1, "language"), "2052");
}

TEST_F(AttachTest, UploadIndicatorShowsSendingAndFailure) {
    using S = UploadIndicator::State;
    using R = UploadResult::Status;
    UploadIndicator indicator;
    indicator.uploadQueued();
    indicator.uploadQueued();
    EXPECT_EQ(indicator.state(), S::Sending);
    // Whether one more is queued first, how it ends, and what is shown then: a
    // superseded upload is no news, the failure note stays; unplugged half-way
    // is said in so many words until an upload goes through.
    const std::tuple<bool, UploadResult, S> steps[] = {{false, {R::Failed, 3}, S::Failed},
                                                       {false, {R::Superseded, 0}, S::Failed},
                                                       {true, {R::Sent, 0}, S::Idle},
                                                       {true, {R::NoKeyboard, 2}, S::Gone},
                                                       {true, {R::Sent, 0}, S::Idle}};
    for (const auto& [queued, result, state] : steps) {
        if (queued) indicator.uploadQueued();
        indicator.uploadFinished(result);
        EXPECT_EQ(indicator.state(), state);
        if (state == S::Gone) {
            EXPECT_EQ(indicator.text(), KeyboardViewController::text(1200));
        }
    }
    EXPECT_EQ(indicator.inFlight(), 0);
}

}  // namespace
}  // namespace korvex
