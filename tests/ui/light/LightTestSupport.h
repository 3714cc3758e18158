#pragma once

// The whole window on a simulated keyboard with a fresh database in a
// temporary folder, driven through its controls. What the keyboard ends up
// holding is read back from the simulated keyboard; "restarting" builds a
// new window (and a new keyboard) on the same database.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "../UiTestSupport.h"
#include "i18n/Language.h"
#include "store/DeviceSQLite.h"
#include "store/Sqlite.h"
#include "ui/Controls.h"
#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"

namespace korvex::test {

class LightPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app();
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
        start();
    }

    void TearDown() override {
        closeSheets();
        window.reset();
    }

    void start() {
        g_show_homepage = false;
        auto* c = new KeyboardViewController;
        auto sim = std::make_unique<SimulatedMonitor>();
        monitor = sim.get();
        KeyboardViewController::LinkOptions options;
        options.monitor = std::move(sim);
        options.clock = &clock;
        c->setLinkOptions(std::move(options));
        window = std::make_unique<MainWindowController>(c);
        hub = c;
        window->showWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return hub->initFinish; }, 3000));
        waitForUploads();
        // Interface texts in English (a new store starts in Simplified Chinese).
        auto* combo = hub->findChild<QComboBox*>(QStringLiteral("combo_language"));
        combo->setCurrentIndex(languageListIndex(kLanguageEnglish));
        hub->keyboard_connect()->click();
        waitForUploads();
    }

    void restart() {
        closeSheets();
        waitForUploads();
        window.reset();
        start();
    }

    void closeSheets() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
    }

    void openPage(int type) {
        hub->navigationButton(type)->click();
        waitForUploads();
    }

    // Everything handed to the device thread has been sent.
    void waitForUploads() {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                QApplication::processEvents();
                return hub->uploadIndicator()->inFlight() == 0;
            },
            5000));
    }

    void clickRow(ItemListView* list, int row) {
        QTest::mouseClick(list->row(row), Qt::LeftButton);
        waitForUploads();
    }

    // Replaces a field's text the way a user does: select all, type.
    static void typeInto(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    SimulatedKeyboard& keyboard() { return monitor->keyboard(); }
    DeviceSQLite& store() { return *hub->deviceDB(); }
    std::size_t exchangeCount() { return keyboard().exchanges().size(); }

    // A second connection to the same file, for what the page cannot do
    // itself (making its writes fail).
    void execOnFile(const char* statement) {
        sql::Connection other;
        ASSERT_TRUE(other.open(store().filePath(), SQLITE_OPEN_READWRITE));
        ASSERT_TRUE(other.exec(statement)) << other.errorMessage();
    }

    struct NoPause final : PauseClock {
        void pause(std::chrono::nanoseconds) override {}
    } clock;
    // In memory where the system offers it: the pages commit every change,
    // and waiting for the disk would only slow the tests down.
    static QString tempRoot() {
        const QString shm = QStringLiteral("/dev/shm");
        return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable()
                   ? shm + QStringLiteral("/korvex-test-XXXXXX")
                   : QDir::tempPath() + QStringLiteral("/korvex-test-XXXXXX");
    }
    QTemporaryDir dataHome{tempRoot()};
    SimulatedMonitor* monitor = nullptr;
    KeyboardViewController* hub = nullptr;
    std::unique_ptr<MainWindowController> window;
};

}  // namespace korvex::test
