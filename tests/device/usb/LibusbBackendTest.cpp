#include "device/usb/LibusbBackend.h"

#include <gtest/gtest.h>

#include "device/usb/HIDDeviceMonitor.h"
#include "device/usb/KeyboardStatus.h"

namespace korvex::usb {
namespace {

// The real library on whatever this machine has (often no USB at all): it
// either starts and lists, or says why, and records outlive the backend.
TEST(LibusbBackend, StartsOrSaysWhyOnThisMachine) {
    std::vector<HIDDevice> kept;
    {
        auto backend = std::make_shared<LibusbBackend>();
        const KeyboardScan scan = scanKeyboards(*backend);
        if (!scan.usbAvailable) {
            EXPECT_FALSE(scan.error.empty());
            GTEST_SKIP() << scan.error;
        }
        for (const KeyboardInfo& k : scan.keyboards) {
            EXPECT_GE(k.device.device.interfaceNumber, 0);
            kept.push_back(k.device);
        }
        auto list = backend->getDeviceList();
        ASSERT_TRUE(list.has_value());
        HIDDeviceMonitor monitor({{kKeyboardVendorId, kKeyboardProductId}}, 64, backend);
        EXPECT_TRUE(monitor.open().ok);
        monitor.runOnce(std::chrono::milliseconds(0));
        monitor.close();
    }
    kept.clear();  // drops device references after the backend is gone
}

}  // namespace
}  // namespace korvex::usb
