#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"

namespace korvex {
namespace {

// An accepted interface that is not the simulated keyboard, or one that may
// not be opened.
class OtherHandle final : public KeyboardHandle {
  public:
    explicit OtherHandle(LinkOpenError error = LinkOpenError::None) : error_(error) {}
    bool same(const KeyboardHandle& other) const override { return &other == this; }
    std::string name() const override { return "other"; }
    OpenedLink open() override {
        ++opens;
        OpenedLink opened;
        opened.error = error_;
        opened.detail = describe(error_);
        return opened;
    }
    int opens = 0;

  private:
    LinkOpenError error_;
};

class AttachTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::app();
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
        g_show_homepage = false;
        auto* c = new KeyboardViewController;
        auto sim = std::make_unique<SimulatedMonitor>();
        monitor = sim.get();
        KeyboardViewController::LinkOptions options;
        options.monitor = std::move(sim);
        options.wireLogPath = wireLogPath().toStdString();
        options.clock = &clock;
        c->setLinkOptions(std::move(options));
        window = std::make_unique<MainWindowController>(c);
        controller = c;
    }

    void showAndAttach() {
        window->showWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller->initFinish; }, 3000));
    }

    // Lets the queued device work and the device thread's reports run.
    void settle() {
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QTest::qWait(5);
        }
    }

    QString wireLogPath() const { return dataHome.filePath("wire.log"); }

    void post(const QString& name, const KeyboardRef& device) {
        NotificationCenter::defaultCenter().post(name, deviceNotificationObject(device));
        settle();
    }

    struct CountingClock final : PauseClock {
        void pause(std::chrono::nanoseconds) override {}
    } clock;
    QTemporaryDir dataHome;
    SimulatedMonitor* monitor = nullptr;
    KeyboardViewController* controller = nullptr;
    std::unique_ptr<MainWindowController> window;
};

TEST_F(AttachTest, FirstAttachKeepsTheHomePageUntilTheConnectionButton) {
    EXPECT_TRUE(controller->homeViewShown());
    EXPECT_EQ(controller->keyboard_connect()->imageName(), "singledevice_keyboard_none");
    // The monitor starts only once the window is shown.
    settle();
    EXPECT_FALSE(controller->keyboardAttached());

    showAndAttach();
    EXPECT_TRUE(controller->keyboardAttached());
    ASSERT_NE(controller->deviceComm(), nullptr);
    EXPECT_EQ(controller->deviceComm()->deviceStatus(), 1);
    EXPECT_EQ(controller->deviceDBfile, "device_keyboard_tarnel_v1.sqlite3");
    EXPECT_EQ(controller->keyboard_connect()->imageName(), "singledevice_keyboard");
    EXPECT_TRUE(controller->homeViewShown());
    EXPECT_EQ(controller->window()->windowTitle(), controller->keyboardTitle);

    controller->keyboard_connect()->click();
    EXPECT_FALSE(controller->homeViewShown());
    EXPECT_FALSE(g_show_homepage);
    EXPECT_EQ(controller->viewType, KeyboardViewController::kCustomKeyView);
}

TEST_F(AttachTest, ConnectionButtonWithoutKeyboardDoesNothing) {
    controller->keyboard_connect()->click();
    EXPECT_TRUE(controller->homeViewShown());
    EXPECT_EQ(controller->viewType, 0);
}

TEST_F(AttachTest, DetachCoversThePagesStopsRecordingAndReattachKeepsTheTransport) {
    showAndAttach();
    controller->keyboard_connect()->click();
    controller->selectPage(KeyboardViewController::kMacroView);
    controller->macroRecordType = 2;
    bool recorderStopped = false;
    controller->macroRecorderStop = [&] { recorderStopped = true; };
    DeviceComm* comm = controller->deviceComm();

    monitor->unplug();
    settle();
    EXPECT_FALSE(controller->keyboardAttached());
    EXPECT_FALSE(controller->initFinish);
    EXPECT_TRUE(controller->homeViewShown());
    EXPECT_EQ(controller->keyboard_connect()->imageName(), "singledevice_keyboard_none");
    EXPECT_EQ(comm->deviceStatus(), 0);
    EXPECT_TRUE(recorderStopped);
    EXPECT_EQ(controller->macroRecordType, 1);
    controller->keyboard_connect()->click();
    EXPECT_TRUE(controller->homeViewShown());

    monitor->plug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->initFinish; }, 3000));
    EXPECT_EQ(controller->deviceComm(), comm);
    EXPECT_EQ(comm->deviceStatus(), 1);
    EXPECT_EQ(controller->keyboard_connect()->imageName(), "singledevice_keyboard");
}

TEST_F(AttachTest, HomePageShownByTheUserIsNotLaidTwiceOnDetach) {
    showAndAttach();
    controller->keyboard_connect()->click();
    controller->button_action_home();
    EXPECT_TRUE(g_show_homepage);
    monitor->unplug();
    settle();
    EXPECT_TRUE(controller->homeViewShown());
    EXPECT_TRUE(g_show_homepage);
}

TEST_F(AttachTest, DuplicateArrivalAndOtherInterfacesLeavingKeepTheKeyboard) {
    showAndAttach();
    const KeyboardRef held = controller->kbHIDdevice;
    post(notification::kHIDDeviceConnected, held);
    EXPECT_EQ(controller->kbHIDdevice, held);
    EXPECT_TRUE(controller->initFinish);

    // Another accepted interface leaving: loaded state is stale, the keyboard stays.
    post(notification::kHIDDeviceDisconnected, std::make_shared<OtherHandle>());
    EXPECT_EQ(controller->kbHIDdevice, held);
    EXPECT_FALSE(controller->initFinish);
    EXPECT_EQ(controller->deviceComm()->deviceStatus(), 1);

    // Objects that are not a {"device": ...} record are ignored.
    NotificationCenter::defaultCenter().post(notification::kHIDDeviceDisconnected, 5);
    NotificationCenter::defaultCenter().post(notification::kHIDDeviceConnected, QVariantMap{});
    settle();
    EXPECT_EQ(controller->kbHIDdevice, held);
}

TEST_F(AttachTest, AccessDeniedShowsTheFixOncePerInterfaceAndAttachesNothing) {
    showAndAttach();
    monitor->unplug();
    settle();
    auto denied = std::make_shared<OtherHandle>(LinkOpenError::AccessDenied);
    post(notification::kHIDDeviceConnected, denied);
    EXPECT_FALSE(controller->keyboardAttached());
    ASSERT_NE(controller->sheet(), nullptr);
    EXPECT_TRUE(controller->sheet()->text().contains("udev"));
    controller->sheet()->close();
    settle();
    post(notification::kHIDDeviceConnected, denied);
    EXPECT_EQ(controller->sheet(), nullptr);
    EXPECT_EQ(denied->opens, 2);
}

TEST_F(AttachTest, UploadIndicatorShowsSendingAndFailure) {
    UploadIndicator indicator;
    indicator.uploadQueued();
    indicator.uploadQueued();
    EXPECT_EQ(indicator.state(), UploadIndicator::State::Sending);
    indicator.uploadFinished({UploadResult::Status::Failed, 3});
    EXPECT_EQ(indicator.state(), UploadIndicator::State::Failed);
    // A superseded upload is no news; the failure note stays.
    indicator.uploadFinished({UploadResult::Status::Superseded, 0});
    EXPECT_EQ(indicator.state(), UploadIndicator::State::Failed);
    EXPECT_EQ(indicator.inFlight(), 0);
    indicator.uploadQueued();
    indicator.uploadFinished({UploadResult::Status::Sent, 0});
    EXPECT_EQ(indicator.state(), UploadIndicator::State::Idle);
}

}  // namespace
}  // namespace korvex
