#include "device/usb/HIDDeviceMonitor.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "FakeUsbBackend.h"

namespace korvex::test {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;
const HIDMonitorTiming kEveryRound{0ms, 0ms};
const std::string kOn = "HIDDeviceConnected", kOff = "HIDDeviceDisconnected";

struct Seen {
    std::string name;
    HIDDevice device;
};

class MonitorTest : public ::testing::Test {
  protected:
    // Rescans on every round, so missed hot-plug events show up at once.
    MonitorTest() : monitor({{0x05AC, 0x0256}}, 64, bus, kEveryRound) { watch(monitor); }
    void watch(HIDDeviceMonitor& m) {
        m.addObserver([this](const HIDDeviceNotification& n) {
            seen.push_back({n.name, n.device()});
        });
    }
    void run() { monitor.runOnce(0ms); }
    Names names() const {
        Names out;
        for (const Seen& s : seen) out.push_back(s.name);
        return out;
    }

    std::shared_ptr<FakeUsbBackend> bus = std::make_shared<FakeUsbBackend>();
    HIDDeviceMonitor monitor;
    std::vector<Seen> seen;
};

TEST_F(MonitorTest, OnlyTheConfigurationInterfaceIsAnnounced) {
    bus->plug(keyboard(), false);  // already there at start
    ASSERT_TRUE(monitor.open().ok);
    ASSERT_EQ(seen.size(), 1u);
    const HIDDevice& d = seen[0].device;
    EXPECT_EQ(seen[0].name, kOn);
    // The configuration interface has no input report.
    EXPECT_EQ(std::tie(d.device.interfaceNumber, d.vendorId, d.productId, d.featureSize,
                       d.reportSize, d.name),
              std::make_tuple(2, 0x05AC, 0x0256, 64, 0, "Korvex 80"));
    run();
    EXPECT_EQ(seen.size(), 1u);  // a rescan does not announce it twice
}

TEST_F(MonitorTest, InterfacesWithoutA64ByteFeatureReportStayQuiet) {
    FakeUsbDevice wrongSize = keyboard({3});
    wrongSize.interfaces[2].reportDescriptor = kVendorFeature65;
    FakeUsbDevice broken = keyboard({4});
    broken.interfaces[2].reportDescriptor = {0x06, 0x00, 0xFF, 0xA1};  // malformed
    FakeUsbDevice otherModel = keyboard({5});
    otherModel.productId = 0x0257;
    // Matched by the monitor, but not the keyboard the acceptance rule names.
    HIDDeviceMonitor wide({{0x05AC, 0x0256}, {0x05AC, 0x0257}}, 64, bus, kEveryRound);
    watch(wide);
    ASSERT_TRUE(wide.open().ok);
    const auto a = bus->plug(wrongSize), b = bus->plug(broken), c = bus->plug(otherModel);
    wide.runOnce(0ms);
    for (const auto k : {a, b, c}) bus->unplug(k);
    wide.runOnce(0ms);
    EXPECT_TRUE(seen.empty());
}

TEST_F(MonitorTest, ArrivalsAndRemovalsInOrderWithStableLocation) {
    ASSERT_TRUE(monitor.open().ok);
    const auto first = bus->plug(keyboard({2, 1}));
    run();
    bus->unplug(first);
    const auto again = bus->plug(keyboard({2, 1}));  // same socket, before the next round
    bus->plug(keyboard({3}));
    run();
    bus->unplug(again);
    run();
    ASSERT_EQ(names(), (Names{kOn, kOff, kOn, kOn, kOff}));
    // The leaving keyboard is described as it arrived, handle included.
    EXPECT_EQ(seen[1].device.id, seen[0].device.id);
    EXPECT_TRUE(seen[1].device.device.sameInterface(seen[0].device.device));
    // Same socket, same id; a new plug-in is still a different interface.
    EXPECT_EQ(seen[2].device.id, seen[0].device.id);
    EXPECT_FALSE(seen[2].device.device.sameInterface(seen[0].device.device));
    EXPECT_NE(seen[3].device.id, seen[2].device.id);
    EXPECT_TRUE(seen[4].device.device.sameInterface(seen[2].device.device));
}

// libusb with hot-plug support lists only what udev announced; the rescan
// asks the kernel, so a keyboard whose events were dropped is still found,
// and its departure noticed.
TEST_F(MonitorTest, RescanFindsWhatDroppedHotplugEventsHid) {
    ASSERT_TRUE(monitor.open().ok);
    const auto k = bus->plug(keyboard(), false);
    run();
    ASSERT_EQ(names(), Names{kOn});
    bus->sysfsFails = bus->listFails = true;  // unreadable is not a departure
    run();
    EXPECT_EQ(seen.size(), 1u);
    bus->sysfsFails = bus->listFails = false;
    const auto heard = bus->plug(keyboard({3}));  // this one's arrival event comes
    run();
    bus->unplug(k, false);
    bus->unplug(heard, false);
    run();
    EXPECT_EQ(names(), (Names{kOn, kOn, kOff, kOff}));
}

// A program holding the configuration interface also hides its descriptor:
// the keyboard is announced busy all the same, and again once it is free.
TEST_F(MonitorTest, BusyKeyboardIsAnnouncedAndAgainOnceFree) {
    ASSERT_TRUE(monitor.open().ok);
    FakeUsbDevice held = keyboard();
    held.interfaces[2].kernelDriver = false;
    held.interfaces[2].driver = "usbfs";
    const auto k = bus->plug(held);
    run();
    ASSERT_EQ(names(), Names{kOn});
    EXPECT_TRUE(seen[0].device.busy);
    EXPECT_EQ(seen[0].device.device.interfaceNumber, 2);
    EXPECT_EQ(std::count(bus->log.begin(), bus->log.end(), "claim 2"), 0);
    run();
    EXPECT_EQ(seen.size(), 1u);  // still held: said once
    bus->device(k).interfaces[2].kernelDriver = true;
    bus->device(k).interfaces[2].driver = "usbhid";
    run();
    ASSERT_EQ(names(), (Names{kOn, kOn}));
    EXPECT_FALSE(seen[1].device.busy);
    EXPECT_TRUE(seen[1].device.device.sameInterface(seen[0].device.device));
}

TEST_F(MonitorTest, DescriptorByControlTransferWhenNoDriverIsBound) {
    FakeUsbDevice d = keyboard();
    for (FakeInterface& i : d.interfaces) i.kernelDriver = false;
    bus->plug(d, false);
    ASSERT_TRUE(monitor.open().ok);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].device.device.interfaceNumber, 2);
    // Each HID interface is claimed for its GET_DESCRIPTOR (the fake answers
    // only that request, to that interface) and released again.
    EXPECT_EQ(bus->log, (Names{"open", "claim 0", "control", "release 0", "claim 1", "control",
                               "release 1", "claim 2", "control", "release 2", "close"}));
}

TEST_F(MonitorTest, UsbThatCannotStartIsReported) {
    bus->initError = UsbError::Access;
    bus->plug(keyboard(), false);
    const MonitorResult r = monitor.start();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, UsbError::Access);
    EXPECT_NE(r.message.find("cannot use USB"), std::string::npos);
    EXPECT_TRUE(seen.empty());
}

TEST(MonitorThread, WithoutHotplugPollingFindsBothKeyboards) {
    auto bus = std::make_shared<FakeUsbBackend>();
    bus->hotplug = false;
    std::mutex m;
    std::set<std::int64_t> ids;
    {
        HIDDeviceMonitor monitor({{0x05AC, 0x0256}}, 64, bus, HIDMonitorTiming{0ms, 1ms});
        monitor.addObserver([&](const HIDDeviceNotification& n) {
            std::lock_guard lock(m);
            ids.insert(n.device().id);
        });
        monitor.startThread();
        bus->plug(keyboard({1}), false);
        bus->plug(keyboard({2}), false);
        auto waiting = [&] {
            std::lock_guard lock(m);
            return ids.size() < 2;
        };
        for (int i = 0; i < 1000 && waiting(); ++i) std::this_thread::sleep_for(2ms);
    }                           // stops and joins
    EXPECT_EQ(ids.size(), 2u);  // both found, and told apart
}

}  // namespace
}  // namespace korvex::test
