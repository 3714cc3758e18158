#pragma once

// The whole window on a simulated keyboard with a fresh database in a
// temporary folder. Page fixtures build on it and drive it through its
// controls; what the keyboard ends up holding is read back from the
// simulated keyboard.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "UiTestSupport.h"
#include "device/DeviceComm.h"
#include "device/PauseClock.h"
#include "device/SimulatedKeyboard.h"
#include "i18n/Language.h"
#include "ui/DeviceEvents.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"

namespace korvex::test {

// The window and its keyboard, without a test framework's asserts: the
// fixtures below and the property test (which asserts its own way) share it.
struct WindowRig {
    // A new window (and keyboard) on the database in XDG_DATA_HOME, not yet
    // shown: the keyboard is looked for once it is.
    void makeWindow(const std::string& wireLog = {}) {
        g_show_homepage = false;
        auto* c = new KeyboardViewController;
        auto sim = std::make_unique<SimulatedMonitor>();
        monitor = sim.get();
        KeyboardViewController::LinkOptions options;
        options.monitor = std::move(sim);
        options.wireLogPath = wireLog;
        options.clock = &clock;
        c->setLinkOptions(std::move(options));
        window = std::make_unique<MainWindowController>(c);
        hub = c;
    }

    // Shows it; false if it did not finish loading.
    bool showLoaded() {
        window->showWindow();
        return QTest::qWaitFor([&] { return hub->initFinish; }, 5000);
    }

    bool openWindow() {
        makeWindow();
        return showLoaded();
    }

    void closeSheets() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
    }

    void settle(int rounds = 5, int ms = 2) {
        for (int i = 0; i < rounds; ++i) {
            QApplication::processEvents();
            QTest::qWait(ms);
        }
    }

    // Everything handed to the device thread has been sent.
    bool uploadsDone() {
        return QTest::qWaitFor(
            [&] {
                QApplication::processEvents();
                return hub->uploadIndicator()->inFlight() == 0;
            },
            5000);
    }

    // No pause unless a test asks for one: a keyboard still busy with one
    // upload when the next is queued shows what a queued one would hide.
    struct NoPause final : PauseClock {
        void pause(std::chrono::nanoseconds) override {
            if (const int ms = pauseMs.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
        std::atomic<int> pauseMs{0};
    } clock;
    // In memory where the system offers it: the pages commit every change,
    // and waiting for the disk would only slow the tests down.
    static QString tempRoot() {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return (shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) +
               QStringLiteral("/korvex-test-XXXXXX");
    }
    QTemporaryDir dataHome{tempRoot()};
    SimulatedMonitor* monitor = nullptr;
    KeyboardViewController* hub = nullptr;
    std::unique_ptr<MainWindowController> window;
};

class WindowTest : public ::testing::Test, protected WindowRig {
  protected:
    // Points XDG_DATA_HOME at the fixture's folder; call first in SetUp.
    void useDataHome() {
        app();
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    }

    void startWindow() { ASSERT_TRUE(openWindow()); }

    void languageTo(int language) {
        auto* combo = hub->findChild<QComboBox*>(QStringLiteral("combo_language"));
        combo->setCurrentIndex(languageListIndex(language));
    }

    void waitForUploads() { ASSERT_TRUE(uploadsDone()); }
};

// The state a fresh keyboard ends in from these uploads.
inline std::unique_ptr<SimulatedKeyboard> replay(const std::vector<Upload>& uploads) {
    auto sim = std::make_unique<SimulatedKeyboard>();
    WindowRig::NoPause clock;
    DeviceComm comm(sim.get(), &clock);
    for (const Upload& u : uploads) sendTransfers(comm, u.transfers);
    return sim;
}

}  // namespace korvex::test
