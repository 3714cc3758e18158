#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Descriptors.h"
#include "device/usb/UsbBackend.h"

namespace korvex::test {

using namespace korvex::usb;

// A USB device of the fake bus. key is what the real backend derives from
// libusb's device pointer: unique per plug-in.
struct FakeDevice final : UsbDevice {
    explicit FakeDevice(std::uint64_t k) : k(k) {}
    std::uint64_t key() const override { return k; }
    std::uint64_t k;
};

struct FakeHandle final : UsbHandle {
    explicit FakeHandle(std::uint64_t k) : key(k) {}
    std::uint64_t key;
};

struct FakeInterface {
    std::uint8_t number = 0;
    std::uint8_t interfaceClass = 3;  // HID
    std::vector<std::uint8_t> reportDescriptor;
    bool kernelDriver = true;  // a driver is bound: sysfs has the descriptor
    std::string driver = "usbhid";
};

struct FakeUsbDevice {
    std::uint16_t vendorId = 0x05AC;
    std::uint16_t productId = 0x0256;
    std::uint8_t bus = 1;
    std::uint8_t address = 5;
    std::vector<std::uint8_t> ports{2};
    std::string product = "Korvex 80";
    std::vector<FakeInterface> interfaces;
};

// The keyboard as it enumerates: boot keyboard, media keys, configuration.
inline FakeUsbDevice keyboard(std::vector<std::uint8_t> ports = {2}) {
    FakeUsbDevice d;
    d.ports = std::move(ports);
    d.interfaces = {{0, 3, kBootKeyboard}, {1, 3, kConsumerControl}, {2, 3, kVendorFeature4}};
    return d;
}

// One control transfer as the link issued it.
struct ControlCall {
    std::uint8_t requestType, request;
    std::uint16_t value, index;
    std::vector<std::uint8_t> data;  // data stage (what was sent, or the buffer offered)
    std::chrono::milliseconds timeout;
};

// The thin USB layer with a scriptable bus. Hot-plug events are queued by
// plug()/unplug() and delivered on the thread that calls handleEvents, like
// libusb delivers them. As with libusb built with hot-plug support, the
// context's device list changes only through delivered events: a device
// plugged without its event stays out of getDeviceList (and an unplugged one
// in it), while sysfs and a fresh context see the truth.
class FakeUsbBackend final : public UsbBackend {
  public:
    // The kernel numbers devices per bus and never reuses a number soon.
    std::uint64_t plug(FakeUsbDevice d, bool event = true) {
        std::lock_guard lock(m_);
        const std::uint64_t k = nextKey_++;
        while (addressTaken(d.bus, d.address)) ++d.address;
        devices_[k] = {std::make_shared<FakeDevice>(k), std::move(d)};
        if (event) events_.push_back({k, true});
        if (!initialised_ || !hotplug) library_.insert(k);
        return k;
    }
    void unplug(std::uint64_t k, bool event = true) {
        std::lock_guard lock(m_);
        if (event) events_.push_back({k, false});
        gone_[k] = devices_.at(k);
        devices_.erase(k);
        if (!hotplug) library_.erase(k);
    }

    UsbError initError = UsbError::Ok;
    bool hotplug = true;
    bool listFails = false;
    bool sysfsFails = false;          // /sys/bus/usb/devices cannot be listed
    std::deque<UsbError> openErrors;  // taken one per open(); Ok when empty
    UsbError claimError = UsbError::Ok;
    // Taken one per control transfer: any libusb result, or Ok with fewer
    // bytes moved than asked (a short transfer).
    std::deque<ControlResult> controlResults;
    std::vector<std::uint8_t> getAnswer = std::vector<std::uint8_t>(64, 0);
    // Runs while control transfer n (1-based) is in flight (e.g. a signal
    // arrives, or the device is pulled out).
    std::size_t hookAtControl = 0;
    std::function<void()> duringControl;

    std::vector<std::string> log;  // "open", "autodetach 1", "claim 1", "release 1", "close"
    std::vector<ControlCall> controls;
    int openHandles = 0;

    UsbError init() override {
        std::lock_guard lock(m_);
        if (initError == UsbError::Ok) initialised_ = true;
        return initError;
    }

    std::optional<std::vector<UsbDevicePtr>> getDeviceList() override {
        std::lock_guard lock(m_);
        std::vector<UsbDevicePtr> out;
        for (std::uint64_t k : library_)
            for (const auto* all : {&devices_, &gone_})
                if (auto it = all->find(k); it != all->end()) out.push_back(it->second.ptr);
        return listFails ? std::nullopt : std::optional(out);
    }
    std::optional<std::vector<UsbDevicePtr>> getFreshDeviceList() override {
        std::lock_guard lock(m_);
        std::vector<UsbDevicePtr> out;
        for (auto& [k, e] : devices_) out.push_back(e.ptr);
        return listFails ? std::nullopt : std::optional(out);
    }
    std::optional<UsbDeviceDescriptor> getDeviceDescriptor(const UsbDevice& dev) override {
        const auto* d = find(dev.key());
        return d ? std::optional(UsbDeviceDescriptor{d->vendorId, d->productId, 2}) : std::nullopt;
    }
    std::optional<UsbConfigDescriptor> getActiveConfigDescriptor(const UsbDevice& dev) override {
        const auto* d = find(dev.key());
        if (!d) return std::nullopt;
        UsbConfigDescriptor c;
        c.configurationValue = 1;
        for (const FakeInterface& i : d->interfaces) {
            UsbInterfaceDescriptor u;
            u.number = i.number;
            u.interfaceClass = i.interfaceClass;
            // The HID class descriptor naming the report descriptor's length.
            const auto len = static_cast<std::uint16_t>(i.reportDescriptor.size());
            u.extra = {9, 0x21, 0x11, 0x01, 0, 1, 0x22, std::uint8_t(len), std::uint8_t(len >> 8)};
            c.interfaces.push_back(u);
        }
        return c;
    }
    std::uint8_t getBusNumber(const UsbDevice& dev) override { return find(dev.key())->bus; }
    std::uint8_t getDeviceAddress(const UsbDevice& dev) override {
        return find(dev.key())->address;
    }
    std::vector<std::uint8_t> getPortNumbers(const UsbDevice& dev) override {
        return find(dev.key())->ports;
    }

    UsbError open(const UsbDevice& dev, std::unique_ptr<UsbHandle>& handle) override {
        std::lock_guard lock(m_);
        log.push_back("open");
        const UsbError e = openErrors.empty() ? UsbError::Ok : openErrors.front();
        if (!openErrors.empty()) openErrors.pop_front();
        if (e != UsbError::Ok) return e;
        if (!devices_.count(dev.key())) return UsbError::NoDevice;
        handle = std::make_unique<FakeHandle>(dev.key());
        ++openHandles;
        return UsbError::Ok;
    }
    void close(std::unique_ptr<UsbHandle> handle) override {
        std::lock_guard lock(m_);
        if (!handle) return;
        log.push_back("close");
        --openHandles;
    }
    UsbError setAutoDetachKernelDriver(UsbHandle&, bool enable) override {
        std::lock_guard lock(m_);
        log.push_back(std::string("autodetach ") + (enable ? "1" : "0"));
        return UsbError::Ok;
    }
    int kernelDriverActive(UsbHandle& h, int itf) override {
        if (const FakeUsbDevice* d = find(key(h)))
            for (const FakeInterface& i : d->interfaces)
                if (i.number == itf) return i.kernelDriver ? 1 : 0;
        return 0;
    }
    UsbError claimInterface(UsbHandle& h, int itf) override {
        std::lock_guard lock(m_);
        log.push_back("claim " + std::to_string(itf));
        if (!devices_.count(key(h))) return UsbError::NoDevice;
        return claimError;
    }
    UsbError releaseInterface(UsbHandle& h, int itf) override {
        std::lock_guard lock(m_);
        log.push_back("release " + std::to_string(itf));
        return devices_.count(key(h)) ? UsbError::Ok : UsbError::NoDevice;
    }
    ControlResult controlTransfer(UsbHandle& h, std::uint8_t requestType, std::uint8_t request,
                                  std::uint16_t value, std::uint16_t index,
                                  std::span<std::uint8_t> data,
                                  std::chrono::milliseconds timeout) override {
        std::unique_lock lock(m_);
        controls.push_back(
            {requestType, request, value, index, {data.begin(), data.end()}, timeout});
        log.push_back("control");
        if (controls.size() == hookAtControl && duringControl) {
            lock.unlock();
            duringControl();
            lock.lock();
        }
        if (!devices_.count(key(h))) return {UsbError::NoDevice, 0};
        std::size_t moved = data.size();
        if (!controlResults.empty()) {
            const ControlResult r = controlResults.front();
            controlResults.pop_front();
            if (r.error != UsbError::Ok) return r;
            moved = std::min(moved, r.transferred);
        }
        if (requestType == 0x81 && request == 0x06 && value == 0x2200) {  // report descriptor
            for (const FakeInterface& i : devices_.at(key(h)).dev.interfaces)
                if (i.number == index) {
                    const std::size_t n = std::min(data.size(), i.reportDescriptor.size());
                    std::copy_n(i.reportDescriptor.begin(), n, data.begin());
                    return {UsbError::Ok, n};
                }
            return {UsbError::Pipe, 0};
        }
        if (requestType & 0x80) {
            const std::size_t n = std::min(moved, getAnswer.size());
            std::copy_n(getAnswer.begin(), n, data.begin());
            return {UsbError::Ok, n};
        }
        return {UsbError::Ok, moved};
    }
    // Not asked: sysfs names the product of every plugged device.
    std::optional<std::string> getStringDescriptorAscii(UsbHandle&, std::uint8_t) override {
        return std::nullopt;
    }

    bool hasHotplug() override { return hotplug; }
    UsbError registerHotplug(std::uint16_t, std::uint16_t, HotplugCallback cb) override {
        std::lock_guard lock(m_);
        callbacks_.push_back(std::move(cb));
        return UsbError::Ok;
    }
    void deregisterHotplug() override {
        std::lock_guard lock(m_);
        callbacks_.clear();
    }
    UsbError handleEvents(std::chrono::milliseconds) override {
        std::deque<std::pair<std::uint64_t, bool>> events;
        std::vector<HotplugCallback> cbs;
        std::map<std::uint64_t, UsbDevicePtr> ptrs;
        {
            std::lock_guard lock(m_);
            events.swap(events_);
            cbs = callbacks_;
            for (auto& [k, e] : devices_) ptrs[k] = e.ptr;
            for (auto& [k, e] : gone_) ptrs[k] = e.ptr;
            for (const auto& [k, arrived] : events) {
                if (arrived)
                    library_.insert(k);
                else
                    library_.erase(k);
            }
        }
        for (const auto& [k, arrived] : events)
            for (const HotplugCallback& cb : cbs) cb(ptrs.at(k), arrived);
        return UsbError::Ok;
    }
    void interruptEvents() override {}

    // sysfs: a device's product and, while a driver is bound, each HID
    // interface's report descriptor and driver link.
    std::optional<std::vector<std::uint8_t>> readSysfs(const std::string& path) override {
        std::lock_guard lock(m_);
        auto text = [](const std::string& t) {
            return std::vector<std::uint8_t>(t.begin(), t.end());
        };
        for (auto& [k, e] : devices_) {
            const std::string dev = sysfsName(e.dev);
            if (path == dev + "/product") return text(e.dev.product);
            if (path == dev + "/idVendor") return text(hex4(e.dev.vendorId) + "\n");
            if (path == dev + "/idProduct") return text(hex4(e.dev.productId) + "\n");
            if (path == dev + "/busnum") return text(std::to_string(e.dev.bus) + "\n");
            if (path == dev + "/devnum") return text(std::to_string(e.dev.address) + "\n");
            for (const FakeInterface& i : e.dev.interfaces)
                if (i.kernelDriver &&
                    path == itfName(e.dev, i) + "/" + hidName(e.dev, i) + "/report_descriptor")
                    return i.reportDescriptor;
        }
        return std::nullopt;
    }
    std::optional<std::string> readSysfsLink(const std::string& path) override {
        std::lock_guard lock(m_);
        for (auto& [k, e] : devices_)
            for (const FakeInterface& i : e.dev.interfaces)
                if (path == itfName(e.dev, i) + "/driver" && !i.driver.empty()) return i.driver;
        return std::nullopt;
    }
    std::vector<std::string> listSysfs(const std::string& path) override {
        std::lock_guard lock(m_);
        if (path.empty()) {
            if (sysfsFails) return {};
            std::vector<std::string> names{"usb1", "usb2"};  // root hubs are always there
            for (auto& [k, e] : devices_) {
                names.push_back(sysfsName(e.dev));
                for (const FakeInterface& i : e.dev.interfaces) names.push_back(itfName(e.dev, i));
            }
            return names;
        }
        for (auto& [k, e] : devices_)
            for (const FakeInterface& i : e.dev.interfaces)
                if (path == itfName(e.dev, i) && i.kernelDriver)
                    return {"driver", "power", hidName(e.dev, i)};
        return {};
    }

    // Changes a plugged device in place (e.g. to bind or unbind a driver).
    FakeUsbDevice& device(std::uint64_t k) { return devices_.at(k).dev; }

  private:
    struct Entry {
        std::shared_ptr<FakeDevice> ptr;
        FakeUsbDevice dev;
    };
    static std::string sysfsName(const FakeUsbDevice& d) {
        std::string s = std::to_string(d.bus) + "-";
        for (std::size_t i = 0; i < d.ports.size(); ++i)
            s += (i ? "." : "") + std::to_string(d.ports[i]);
        return s;
    }
    static std::string itfName(const FakeUsbDevice& d, const FakeInterface& i) {
        return sysfsName(d) + ":1." + std::to_string(i.number);
    }
    static std::string hex4(unsigned v, const char* format = "%04x") {
        char out[8];
        std::snprintf(out, sizeof out, format, v);
        return out;
    }
    static std::string hidName(const FakeUsbDevice& d, const FakeInterface& i) {
        return "0003:" + hex4(d.vendorId, "%04X") + ":" + hex4(d.productId, "%04X") + "." +
               hex4(0x10u + i.number, "%04X");
    }
    bool addressTaken(std::uint8_t bus, std::uint8_t address) const {
        for (const auto* all : {&devices_, &gone_})
            for (const auto& [k, e] : *all)
                if (e.dev.bus == bus && e.dev.address == address) return true;
        return false;
    }
    static std::uint64_t key(UsbHandle& h) { return static_cast<FakeHandle&>(h).key; }
    const FakeUsbDevice* find(std::uint64_t k) {
        std::lock_guard lock(m_);
        for (const auto* all : {&devices_, &gone_})
            if (auto it = all->find(k); it != all->end()) return &it->second.dev;
        return nullptr;
    }

    std::mutex m_;
    std::uint64_t nextKey_ = 1;
    std::map<std::uint64_t, Entry> devices_;
    std::map<std::uint64_t, Entry> gone_;
    std::set<std::uint64_t> library_;  // what the context's device list holds
    bool initialised_ = false;
    std::deque<std::pair<std::uint64_t, bool>> events_;
    std::vector<HotplugCallback> callbacks_;
};

}  // namespace korvex::test
