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
            departed(idOf(*e.dev));
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

HIDDeviceMonitor::DeviceId HIDDeviceMonitor::idOf(const usb::UsbDevice& dev) {
    return static_cast<DeviceId>(backend_->getBusNumber(dev) << 8 |
                                 backend_->getDeviceAddress(dev));
}

void HIDDeviceMonitor::completeBusy(HIDDevice& itf, const std::vector<HIDDevice>& all) {
    for (const Learned& l : learned_) {
        if (l.vendorId == itf.vendorId && l.productId == itf.productId &&
            l.interfaceNumber == itf.device.interfaceNumber) {
            HIDProperties p = itf.properties;
            for (const char* key : {kMaxInputReportSizeKey, kMaxFeatureReportSizeKey})
                if (const auto v = l.properties.find(key); v != l.properties.end())
                    p[key] = v->second;
            HIDDevice filled(p, itf.device);
            filled.busy = true;
            itf = std::move(filled);
            return;
        }
    }
    const bool otherKnown = std::any_of(
        all.begin(), all.end(), [](const HIDDevice& d) { return isConfigurationInterface(d); });
    if (otherKnown) return;
    // Nothing learned yet: the held interface of this model is taken for the
    // configuration interface, which is what other programs claim. Should it
    // prove otherwise once free, it is withdrawn again.
    HIDProperties p = itf.properties;
    p[kMaxFeatureReportSizeKey] = kConfigurationFeatureSize;
    HIDDevice assumed(p, itf.device);
    assumed.busy = true;
    itf = std::move(assumed);
}

void HIDDeviceMonitor::reprobe(Known& k) {
    usb::ProbedDevice probed = usb::probeDevice(*backend_, k.dev);
    for (HIDDevice& itf : probed.interfaces) {
        if (isConfigurationInterface(itf)) {
            const auto same = std::find_if(learned_.begin(), learned_.end(), [&](const Learned& l) {
                return l.vendorId == itf.vendorId && l.productId == itf.productId;
            });
            Learned l{itf.vendorId, itf.productId, itf.device.interfaceNumber, itf.properties};
            if (same == learned_.end())
                learned_.push_back(std::move(l));
            else
                *same = std::move(l);
        }
    }
    for (HIDDevice& itf : probed.interfaces)
        if (itf.busy) completeBusy(itf, probed.interfaces);

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
        } else if (same->busy && !itf.busy) {
            // The program holding it let go: announce it again so the window
            // retries, or withdraw it when it is not the configuration
            // interface after all.
            if (isConfigurationInterface(itf)) {
                *same = itf;
                rawDeviceAdded(*same);
            } else if (itf.properties.count(kMaxFeatureReportSizeKey)) {
                rawDeviceRemoved(*same);
                k.announced[i] = false;
                *same = itf;
            }
        }
    }
    k.complete = probed.complete;
}

void HIDDeviceMonitor::arrived(const usb::UsbDevicePtr& dev) {
    if (!usb::matchingDescriptor(*backend_, *dev, vp_)) return;
    const DeviceId id = idOf(*dev);
    for (auto& [known, entry] : known_) {
        if (known != id) continue;
        if (!entry.complete) reprobe(entry);
        return;
    }
    known_.emplace_back(id, Known{dev, {}, {}, false});
    reprobe(known_.back().second);
}

void HIDDeviceMonitor::departed(DeviceId id) {
    const auto it = std::find_if(known_.begin(), known_.end(),
                                 [&](const auto& entry) { return entry.first == id; });
    if (it == known_.end()) return;
    const Known gone = std::move(it->second);
    known_.erase(it);
    for (std::size_t i = 0; i < gone.interfaces.size(); ++i)
        if (gone.announced[i]) rawDeviceRemoved(gone.interfaces[i]);
}

void HIDDeviceMonitor::rescan() {
    nextRescan_ = std::chrono::steady_clock::now() +
                  (hotplug_ ? timing_.rescanWithHotplug : timing_.rescanWithoutHotplug);
    const auto kernel = usb::kernelDevices(*backend_, vp_);
    if (!kernel) {
        rescanFromList();
        return;
    }
    auto listed = [&](DeviceId id) {
        return std::any_of(kernel->begin(), kernel->end(), [&](const usb::KernelDevice& d) {
            return static_cast<DeviceId>(d.bus << 8 | d.address) == id;
        });
    };
    // Departures first, so a device re-plugged between two scans is seen to
    // leave before it is seen to come back.
    std::vector<DeviceId> gone;
    for (const auto& [id, known] : known_)
        if (!listed(id)) gone.push_back(id);
    for (DeviceId id : gone) {
        if (stop_) return;
        departed(id);
    }
    // Arrivals the hot-plug path missed. libusb's own list is asked first;
    // with hot-plug support it lacks what udev did not announce, and only
    // then is a fresh context started.
    std::vector<DeviceId> missing, fresh;
    for (const usb::KernelDevice& d : *kernel) {
        const auto id = static_cast<DeviceId>(d.bus << 8 | d.address);
        const bool known = std::any_of(known_.begin(), known_.end(),
                                       [&](const auto& entry) { return entry.first == id; });
        if (!known) missing.push_back(id);
    }
    for (bool newContext : {false, true}) {
        if (missing.empty() || stop_) break;
        const auto list = newContext ? backend_->getFreshDeviceList() : backend_->getDeviceList();
        if (!list) continue;
        for (const usb::UsbDevicePtr& dev : *list) {
            const auto it = std::find(missing.begin(), missing.end(), idOf(*dev));
            if (it == missing.end() || !usb::matchingDescriptor(*backend_, *dev, vp_)) continue;
            fresh.push_back(*it);
            missing.erase(it);
            if (stop_) return;
            arrived(dev);
        }
    }
    // Devices whose interfaces could not all be read yet (a driver still
    // binding, a program holding one) are probed again.
    for (auto& [id, known] : known_) {
        if (stop_) return;
        if (!known.complete && std::find(fresh.begin(), fresh.end(), id) == fresh.end())
            reprobe(known);
    }
}

void HIDDeviceMonitor::rescanFromList() {
    auto list = backend_->getDeviceList();
    // A list that could not be read says nothing about who left.
    if (!list) return;
    std::vector<usb::UsbDevicePtr> present;
    for (usb::UsbDevicePtr& dev : *list)
        if (usb::matchingDescriptor(*backend_, *dev, vp_)) present.push_back(std::move(dev));

    std::vector<DeviceId> gone;
    for (const auto& [id, known] : known_) {
        const bool still = std::any_of(present.begin(), present.end(),
                                       [&, i = id](const auto& d) { return idOf(*d) == i; });
        if (!still) gone.push_back(id);
    }
    for (DeviceId id : gone) {
        if (stop_) return;
        departed(id);
    }
    for (const usb::UsbDevicePtr& dev : present) {
        if (stop_) return;
        arrived(dev);
    }
}

}  // namespace korvex
