#include "device/usb/HIDDeviceMonitor.h"

#include <algorithm>
#include <cstdio>

#include "device/usb/DeviceProbe.h"

namespace korvex {

using usb::UsbError;

HIDDeviceMonitor::HIDDeviceMonitor(std::vector<HIDMonitorData> vp, std::int64_t reportSize,
                                   std::shared_ptr<usb::UsbBackend> backend,
                                   HIDMonitorTiming timing)
    : vp_(std::move(vp)), reportSize_(reportSize), backend_(std::move(backend)), timing_(timing) {}

HIDDeviceMonitor::~HIDDeviceMonitor() {
    if (thread_.joinable()) {
        stop();
        thread_.join();
    }
}

void HIDDeviceMonitor::addObserver(Observer observer) {
    observers_.push_back(std::move(observer));
}

MonitorResult HIDDeviceMonitor::open() {
    MonitorResult result;
    const UsbError rc = backend_->init();
    if (rc != UsbError::Ok) {
        result.ok = false;
        result.error = rc;
        result.message = std::string("cannot use USB (libusb could not start: ") +
                         usb::toString(rc) + "); the keyboard will not be found";
        std::fprintf(stderr, "korvex: %s\n", result.message.c_str());
        return result;
    }
    hotplug_ = backend_->hasHotplug();
    if (hotplug_) {
        for (const HIDMonitorData& m : vp_) {
            const UsbError reg = backend_->registerHotplug(
                static_cast<std::uint16_t>(m.vendorId), static_cast<std::uint16_t>(m.productId),
                [this](usb::UsbDevicePtr dev, bool arrived) {
                    std::lock_guard lock(pendingMutex_);
                    pending_.push_back({std::move(dev), arrived});
                });
            if (reg != UsbError::Ok) {
                // Polling alone still finds the keyboard, only a little later.
                backend_->deregisterHotplug();
                hotplug_ = false;
                break;
            }
        }
    }
    opened_ = true;
    // What is already plugged in is announced like a fresh arrival.
    rescan();
    return result;
}

void HIDDeviceMonitor::runOnce(std::chrono::milliseconds maxWait) {
    if (!opened_) return;
    const auto now = std::chrono::steady_clock::now();
    auto wait = maxWait;
    if (nextRescan_ > now)
        wait = std::min(wait,
                        std::chrono::duration_cast<std::chrono::milliseconds>(nextRescan_ - now));
    else
        wait = std::chrono::milliseconds(0);
    backend_->handleEvents(wait);

    std::vector<Pending> events;
    {
        std::lock_guard lock(pendingMutex_);
        events.swap(pending_);
    }
    for (const Pending& e : events) {
        if (stop_) return;
        if (e.arrived)
            arrived(e.dev);
        else
            departed(e.dev->key());
    }
    if (!stop_ && std::chrono::steady_clock::now() >= nextRescan_) rescan();
}

void HIDDeviceMonitor::close() {
    if (!opened_) return;
    if (hotplug_) backend_->deregisterHotplug();
    opened_ = false;
    known_.clear();
    std::lock_guard lock(pendingMutex_);
    pending_.clear();
}

MonitorResult HIDDeviceMonitor::start() {
    const MonitorResult result = open();
    if (!result.ok) return result;
    while (!stop_) runOnce(std::chrono::milliseconds(500));
    close();
    return result;
}

void HIDDeviceMonitor::startThread(std::function<void(const MonitorResult&)> onExit) {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this, onExit = std::move(onExit)] {
        const MonitorResult r = start();
        if (onExit) onExit(r);
    });
}

void HIDDeviceMonitor::stop() {
    stop_ = true;
    backend_->interruptEvents();
}

void HIDDeviceMonitor::post(const char* name, const HIDDevice& device) {
    HIDDeviceNotification n;
    n.name = name;
    n.object.emplace("device", device);
    for (const Observer& o : observers_) o(n);
}

bool HIDDeviceMonitor::rawDeviceAdded(const HIDDevice& device) {
    if (!isConfigurationInterface(device)) return false;
    post(kHIDDeviceConnected, device);
    return true;
}

bool HIDDeviceMonitor::rawDeviceRemoved(const HIDDevice& device) {
    if (!isConfigurationInterface(device)) return false;
    post(kHIDDeviceDisconnected, device);
    return true;
}

void HIDDeviceMonitor::reprobe(Known& k) {
    usb::ProbedDevice probed = usb::probeDevice(*backend_, k.dev);
    for (HIDDevice& itf : probed.interfaces) {
        auto same = std::find_if(k.interfaces.begin(), k.interfaces.end(), [&](const HIDDevice& d) {
            return d.device.interfaceNumber == itf.device.interfaceNumber;
        });
        if (same == k.interfaces.end()) {
            k.interfaces.push_back(itf);
            k.announced.push_back(false);
            same = k.interfaces.end() - 1;
        }
        const auto i = static_cast<std::size_t>(same - k.interfaces.begin());
        if (!k.announced[i]) {
            *same = itf;  // what was learned now replaces the incomplete record
            k.announced[i] = rawDeviceAdded(*same);
        }
    }
    k.complete = probed.complete;
}

void HIDDeviceMonitor::arrived(const usb::UsbDevicePtr& dev) {
    if (!usb::matchingDescriptor(*backend_, *dev, vp_)) return;
    const std::uint64_t key = dev->key();
    for (auto& [k, known] : known_) {
        if (k != key) continue;
        if (!known.complete) reprobe(known);
        return;
    }
    known_.emplace_back(key, Known{dev, {}, {}, false});
    reprobe(known_.back().second);
}

void HIDDeviceMonitor::departed(std::uint64_t key) {
    const auto it = std::find_if(known_.begin(), known_.end(),
                                 [&](const auto& entry) { return entry.first == key; });
    if (it == known_.end()) return;
    const Known gone = std::move(it->second);
    known_.erase(it);
    for (std::size_t i = 0; i < gone.interfaces.size(); ++i)
        if (gone.announced[i]) rawDeviceRemoved(gone.interfaces[i]);
}

void HIDDeviceMonitor::rescan() {
    nextRescan_ = std::chrono::steady_clock::now() +
                  (hotplug_ ? timing_.rescanWithHotplug : timing_.rescanWithoutHotplug);
    auto list = backend_->getDeviceList();
    // A list that could not be read says nothing about who left.
    if (!list) return;
    std::vector<usb::UsbDevicePtr> present;
    for (usb::UsbDevicePtr& dev : *list)
        if (usb::matchingDescriptor(*backend_, *dev, vp_)) present.push_back(std::move(dev));

    // Departures first, so a device re-plugged into the same socket between
    // two scans is seen to leave before it is seen to come back.
    std::vector<std::uint64_t> gone;
    for (const auto& [key, known] : known_) {
        const bool still = std::any_of(present.begin(), present.end(),
                                       [&, k = key](const auto& d) { return d->key() == k; });
        if (!still) gone.push_back(key);
    }
    for (std::uint64_t key : gone) {
        if (stop_) return;
        departed(key);
    }
    for (const usb::UsbDevicePtr& dev : present) {
        if (stop_) return;
        arrived(dev);
    }
}

}  // namespace korvex
