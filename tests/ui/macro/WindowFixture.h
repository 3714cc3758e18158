#pragma once

// The whole window on a simulated keyboard with a fresh database in a
// temporary folder, attached and in English; what the keyboard ends up
// holding is read back from the simulated keyboard.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "../UiTestSupport.h"
#include "i18n/Language.h"
#include "ui/DeviceEvents.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"

namespace korvex::test {

class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        app();
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
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
        auto* language = hub->findChild<QComboBox*>(QStringLiteral("combo_language"));
        ASSERT_NE(language, nullptr);
        language->setCurrentIndex(languageListIndex(kLanguageEnglish));
        hub->keyboard_connect()->click();
    }

    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
        window.reset();
    }

    void openPage(int type) {
        hub->navigationButton(type)->click();
        QApplication::processEvents();
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

    template <typename W>
    W* child(const char* name) const {
        W* w = hub->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    QWindow* handle() const { return hub->window()->windowHandle(); }
    SimulatedKeyboard& keyboard() { return monitor->keyboard(); }

    struct NoPause final : PauseClock {
        void pause(std::chrono::nanoseconds) override {}
    } clock;
    QTemporaryDir dataHome;
    SimulatedMonitor* monitor = nullptr;
    KeyboardViewController* hub = nullptr;
    std::unique_ptr<MainWindowController> window;
};

}  // namespace korvex::test
