#include "device/usb/UsbHidLink.h"

#include <gtest/gtest.h>

#include <csignal>

#include "../FakeLink.h"
#include "FakeUsbBackend.h"
#include "device/DeviceComm.h"
#include "device/StopSignals.h"
#include "device/usb/KeyboardStatus.h"

namespace korvex::test {
namespace {

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

const Bytes kReport(64, 4);

class LinkTest : public ::testing::Test {
  protected:
    LinkTest() { reopen(); }
    void reopen() {
        const KeyboardScan scan = scanKeyboards(*bus);
        EXPECT_EQ(scan.keyboards.size(), 1u);
        LinkOpenOptions options;
        options.clock = [this] { return now; };
        OpenedLink opened = openConfigurationLink(bus, scan.keyboards.at(0).device, options);
        EXPECT_EQ(opened.error, LinkOpenError::None) << opened.detail;
        link.reset(static_cast<UsbHidLink*>(opened.link.release()));
        bus->log.clear();
    }

    std::shared_ptr<FakeUsbBackend> bus = std::make_shared<FakeUsbBackend>();
    const std::uint64_t keyboardKey = bus->plug(keyboard(), false);
    std::chrono::steady_clock::time_point now{};
    std::unique_ptr<UsbHidLink> link;
};

TEST_F(LinkTest, SetAndGetReportAreExactControlTransfers) {
    std::vector<std::uint8_t> chunk(64);
    for (std::size_t i = 0; i < 64; ++i) chunk[i] = static_cast<std::uint8_t>(0x17 + i);
    ASSERT_TRUE(link->setFeatureReport(chunk));  // payload in byte 0, not a report id

    for (std::size_t i = 0; i < 64; ++i) bus->getAnswer[i] = static_cast<std::uint8_t>(0xFF - i);
    std::vector<std::uint8_t> in(64, 0xEE);
    std::size_t read = 0;
    ASSERT_TRUE(link->getFeatureReport(in, read));
    EXPECT_EQ(read, 64u);
    EXPECT_EQ(in, bus->getAnswer);

    // Class requests to the configuration interface (2), feature report 4.
    auto call = [](const ControlCall& c) {
        return std::make_tuple(int{c.requestType}, int{c.request}, int{c.value}, int{c.index},
                               c.data.size(), c.timeout);
    };
    ASSERT_EQ(bus->controls.size(), 2u);
    EXPECT_EQ(call(bus->controls[0]), std::make_tuple(0x21, 0x09, 0x0304, 2, 64u, 1000ms));
    EXPECT_EQ(bus->controls[0].data, chunk);
    EXPECT_EQ(call(bus->controls[1]), std::make_tuple(0xA1, 0x01, 0x0304, 2, 64u, 1000ms));
    // One claim of that interface only, with the kernel driver detached.
    EXPECT_EQ(bus->log, (Log{"autodetach 1", "claim 2", "control", "control"}));
}

TEST_F(LinkTest, ReleasesAfterASecondWithoutTransfers) {
    ASSERT_TRUE(link->setFeatureReport(kReport));
    now += 600ms;
    ASSERT_TRUE(link->setFeatureReport(kReport));
    now += 999ms;
    EXPECT_FALSE(link->releaseIfIdle());  // the second transfer restarted the wait
    now += 1ms;
    EXPECT_TRUE(link->releaseIfIdle());
    EXPECT_FALSE(link->releaseIfIdle());  // the log shows one release
    // The next batch claims again; the upload queue's idle call releases.
    link->batchStarting();
    ASSERT_TRUE(link->setFeatureReport(kReport));
    link->queueIdle();
    EXPECT_EQ(bus->log, (Log{"autodetach 1", "claim 2", "control", "control", "release 2",
                             "autodetach 1", "claim 2", "control", "release 2"}));
}

TEST_F(LinkTest, FailuresAreValuesNeverHangs) {
    // Reports it cannot send whole are refused before anything goes out.
    EXPECT_FALSE(link->setFeatureReport(Bytes(65, 4)));
    EXPECT_FALSE(link->setFeatureReport({}));
    bus->claimError = UsbError::Busy;
    EXPECT_FALSE(link->setFeatureReport(kReport));
    EXPECT_EQ(link->lastError(), UsbError::Busy);
    EXPECT_TRUE(bus->controls.empty());  // nothing goes out on an interface we do not hold

    bus->claimError = UsbError::Ok;
    // Every result libusb can give fails the report it met, and so does a
    // transfer that moved fewer bytes than asked; only an unplug ends the link.
    std::vector<ControlResult> results = {{UsbError::Ok, 63}, {UsbError::Ok, 0}};
    for (UsbError e :
         {UsbError::Io, UsbError::InvalidParam, UsbError::Access, UsbError::NotFound,
          UsbError::Busy, UsbError::Timeout, UsbError::Overflow, UsbError::Pipe,
          UsbError::Interrupted, UsbError::NoMem, UsbError::NotSupported, UsbError::Other})
        results.push_back({e, 0});
    for (const ControlResult& r : results) {
        const UsbError expected = r.error == UsbError::Ok ? UsbError::Io : r.error;
        SCOPED_TRACE(std::string(toString(r.error)) + " " + std::to_string(r.transferred));
        bus->controlResults = {r};
        EXPECT_FALSE(link->setFeatureReport(kReport));
        EXPECT_EQ(link->lastError(), expected);
        bus->controlResults = {r};
        std::vector<std::uint8_t> in(64, 0xEE);
        std::size_t read = 7;
        EXPECT_FALSE(link->getFeatureReport(in, read));
        EXPECT_EQ(read, 0u);
        EXPECT_EQ(link->lastError(), expected);
        EXPECT_FALSE(link->detached());
        EXPECT_TRUE(link->setFeatureReport(kReport));
    }
    bus->controlResults = {{UsbError::NoDevice, 0}};
    EXPECT_FALSE(link->setFeatureReport(kReport));
    EXPECT_TRUE(link->detached());
}

// Unplugged in the middle of an upload: the upload ends at the transfer that
// met "no device" as "no keyboard", and nothing more is tried, for it or for
// the uploads after it.
TEST_F(LinkTest, UnplugMidUploadStopsEverything) {
    CountingClock pauses;
    DeviceComm comm(link.get(), &pauses);
    // Begin and header (set, get each), chunk 1, then chunk 2 meets no device.
    bus->hookAtControl = 6;
    bus->duringControl = [this] { bus->unplug(keyboardKey, false); };
    EXPECT_EQ(sendTransfers(comm, tableUpload(0x11, table({}))),
              (UploadResult{UploadResult::Status::NoKeyboard, 2}));
    EXPECT_TRUE(link->gone());
    EXPECT_EQ(sendTransfers(comm, modeUpload({})),
              (UploadResult{UploadResult::Status::NoKeyboard, 0}));
    EXPECT_EQ(bus->controls.size(), 6u);
    link.reset();
    EXPECT_EQ(bus->openHandles, 0);
}

// SIGINT, SIGTERM and SIGHUP while a transfer is in flight: that transfer
// ends, a short exchange is finished, a long one is left after the current
// report, nothing more goes out, and the interface is released so the
// kernel driver comes back.
TEST_F(LinkTest, StopSignalsEndBetweenExchangesAndReleaseTheInterface) {
    ASSERT_TRUE(StopSignals::install());
    std::vector<Transfer> keysThenMode = tableUpload(0x11, table({}));
    for (Transfer& t : modeUpload({})) keysThenMode.push_back(t);
    Bytes image(49 * 64 + 64, 0x33);
    const std::vector<Transfer> macros = {command(0x19),
                                          command(0x15, 49),
                                          {Transfer::Kind::Bulk, image, image.size()},
                                          command(0x02)};
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool longExchange : {false, true}) {
            SCOPED_TRACE(std::to_string(sig) + (longExchange ? " macro image" : " key table"));
            StopSignals::clear();
            reopen();
            bus->controls.clear();
            CountingClock pauses;
            DeviceComm comm(link.get(), &pauses);
            comm.setStopFlag(&StopSignals::flag());
            bus->hookAtControl = 6;  // the second table report
            bus->duringControl = [sig] { std::raise(sig); };
            const UploadResult r = sendTransfers(comm, longExchange ? macros : keysThenMode);
            EXPECT_EQ(StopSignals::received(), sig);
            // The image stops after the report in flight; the key table exchange
            // (15 reports) is finished and the light mode exchange not begun.
            EXPECT_EQ(r, (UploadResult{UploadResult::Status::Stopped, longExchange ? 2u : 4u}));
            EXPECT_EQ(bus->controls.size(), longExchange ? 6u : 15u);
            link.reset();
            ASSERT_GE(bus->log.size(), 2u);
            EXPECT_EQ(Log(bus->log.end() - 2, bus->log.end()), (Log{"release 2", "close"}));
        }
    }
    bus->duringControl = nullptr;
    StopSignals::clear();
}

TEST(OpenKeyboard, AbsentDeniedAndBusyAreToldApart) {
    auto bus = std::make_shared<FakeUsbBackend>();
    std::vector<std::chrono::milliseconds> slept;
    LinkOpenOptions options;
    options.sleep = [&](std::chrono::milliseconds d) { slept.push_back(d); };

    EXPECT_EQ(openFirstKeyboard(bus, options).error, LinkOpenError::NotFound);

    const auto k = bus->plug(keyboard(), false);
    bus->openErrors = {UsbError::Ok, UsbError::Access, UsbError::Access};  // scan, open, retry
    OpenedLink denied = openFirstKeyboard(bus, options);
    EXPECT_EQ(denied.error, LinkOpenError::AccessDenied);
    EXPECT_FALSE(denied.link);
    EXPECT_NE(denied.detail.find("/dev/bus/usb/001/005"), std::string::npos) << denied.detail;
    EXPECT_NE(denied.detail.find("60-korvex.rules"), std::string::npos);
    EXPECT_EQ(slept, std::vector<std::chrono::milliseconds>{2000ms});

    // The ACL lands before the retry.
    bus->openErrors = {UsbError::Ok, UsbError::Access, UsbError::Ok};
    EXPECT_EQ(openFirstKeyboard(bus, options).error, LinkOpenError::None);
    EXPECT_EQ(slept.size(), 2u);

    bus->device(k).interfaces[2].driver = "usbfs";  // another program claimed it
    const KeyboardScan scan = scanKeyboards(*bus);
    ASSERT_EQ(scan.keyboards.size(), 1u);
    EXPECT_EQ(scan.keyboards[0].access, LinkOpenError::Busy);
    OpenedLink busy = openFirstKeyboard(bus, options);
    EXPECT_EQ(busy.error, LinkOpenError::Busy);
    EXPECT_NE(busy.detail.find("bus 1 port 2"), std::string::npos) << busy.detail;
    EXPECT_EQ(bus->openHandles, 0);

    // While the program holding it keeps the kernel driver off, the
    // descriptor cannot be read either: still busy, not "no keyboard".
    bus->device(k).interfaces[2].kernelDriver = false;
    bus->claimError = UsbError::Busy;
    EXPECT_EQ(openFirstKeyboard(bus, options).error, LinkOpenError::Busy);

    bus->initError = UsbError::NoMem;
    const KeyboardScan none = scanKeyboards(*bus);
    EXPECT_FALSE(none.usbAvailable);
    EXPECT_NE(none.error.find("cannot use USB"), std::string::npos);
}

TEST(OpenKeyboard, ScanListsEveryKeyboardInSocketOrder) {
    auto bus = std::make_shared<FakeUsbBackend>();
    bus->plug(keyboard({4}), false);  // plugged first, listed second
    bus->plug(keyboard(), false);
    FakeUsbDevice mouse;
    mouse.productId = 0x1234;
    bus->plug(mouse, false);
    const KeyboardScan scan = scanKeyboards(*bus);
    ASSERT_EQ(scan.keyboards.size(), 2u);
    EXPECT_EQ(scan.keyboards[0].device.device.placeText(), "bus 1 port 2");
    EXPECT_EQ(scan.keyboards[1].device.device.placeText(), "bus 1 port 4");
    for (const KeyboardInfo& k : scan.keyboards) {
        EXPECT_EQ(k.device.device.interfaceNumber, 2);
        EXPECT_EQ(k.access, LinkOpenError::None);
    }
    EXPECT_EQ(bus->openHandles, 0);
    EXPECT_EQ(std::count(bus->log.begin(), bus->log.end(), "claim 2"), 0);  // typing untouched
}

}  // namespace
}  // namespace korvex::test
