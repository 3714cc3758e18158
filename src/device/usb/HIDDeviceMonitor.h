#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/usb/HIDDevice.h"
#include "device/usb/UsbBackend.h"

namespace korvex {

inline constexpr const char* kHIDDeviceConnected = "HIDDeviceConnected";
inline constexpr const char* kHIDDeviceDisconnected = "HIDDeviceDisconnected";
// Names of the same family that nothing posts or observes; kept so the set of
// names stays complete.
inline constexpr const char* kHIDDeviceDataReceived = "HIDDeviceDataReceived";
inline constexpr const char* kHIDWirelessConnected = "HIDWirelessConnected";
inline constexpr const char* kHIDWirelessDisconnected = "HIDWirelessDisconnected";

// What observers receive: the name and the object { "device": record }.
struct HIDDeviceNotification {
    std::string name;
    std::map<std::string, HIDDevice> object;

    const HIDDevice& device() const { return object.at("device"); }
};

struct MonitorResult {
    bool ok = true;
    usb::UsbError error = usb::UsbError::Ok;
    std::string message;  // for the window when ok is false
};

// How often the device list is rescanned.
struct HIDMonitorTiming {
    std::chrono::milliseconds rescanWithHotplug{2000};
    std::chrono::milliseconds rescanWithoutHotplug{1000};
};

// Watches for the keyboard's interfaces arriving and leaving.
//
// All arrivals and removals are handled one at a time on the thread that runs
// start(), and observers are called there, in the order they were added.
// Hot-plug events are backed by a rescan (every 2 s, or every second where
// the platform has no hot-plug) that asks the kernel (sysfs) what is plugged
// in, not libusb's list, which only hot-plug events update; so a missed event
// never hides the keyboard or leaves a departed one announced. A departing
// interface is described by the record made when it arrived.
//
// A configuration interface that another program holds is announced all the
// same, marked busy (its sizes taken from an earlier probe when there was
// one), so the window can say so; once the program lets go it is announced
// again, not busy.
class HIDDeviceMonitor {
  public:
    using Observer = std::function<void(const HIDDeviceNotification&)>;

    HIDDeviceMonitor(std::vector<HIDMonitorData> vp, std::int64_t reportSize,
                     std::shared_ptr<usb::UsbBackend> backend, HIDMonitorTiming timing = {});
    // Stops and joins a thread started with startThread().
    ~HIDDeviceMonitor();
    HIDDeviceMonitor(const HIDDeviceMonitor&) = delete;
    HIDDeviceMonitor& operator=(const HIDDeviceMonitor&) = delete;

    // Add observers before starting.
    void addObserver(Observer observer);

    // Runs the monitor on the calling thread until stop(). Returns at once,
    // with a line on stderr, when USB cannot be used at all.
    MonitorResult start();
    // Runs start() on a thread of the monitor's own; onExit gets its result.
    void startThread(std::function<void(const MonitorResult&)> onExit = {});
    // From any thread: makes start() return soon. No notifications follow.
    void stop();

    // The pieces of start(), for callers that drive the monitor themselves.
    MonitorResult open();
    void runOnce(std::chrono::milliseconds maxWait);
    void close();

    // Called for each matched interface; true when a notification was posted.
    bool rawDeviceAdded(const HIDDevice& device);
    bool rawDeviceRemoved(const HIDDevice& device);

    std::int64_t reportSize() const { return reportSize_; }
    const std::vector<HIDMonitorData>& models() const { return vp_; }
    // Links to announced interfaces are opened through the same backend.
    const std::shared_ptr<usb::UsbBackend>& backend() const { return backend_; }

  private:
    // A device by the kernel's bus and device number: the same through
    // every libusb context, new on every plug-in.
    using DeviceId = std::uint16_t;
    struct Known {
        usb::UsbDevicePtr dev;
        std::vector<HIDDevice> interfaces;
        std::vector<bool> announced;
        bool complete = true;
    };
    // The configuration interface as a probe once read it, for a later
    // plug-in that another program holds.
    struct Learned {
        std::int64_t vendorId, productId;
        int interfaceNumber;
        HIDProperties properties;
    };
    struct Pending {
        usb::UsbDevicePtr dev;
        bool arrived;
    };

    DeviceId idOf(const usb::UsbDevice& dev);
    void post(const char* name, const HIDDevice& device);
    void arrived(const usb::UsbDevicePtr& dev);
    void departed(DeviceId id);
    void reprobe(Known& known);
    // Fills in a busy interface from what was learned, or assumes it is the
    // configuration interface when the device shows no other.
    void completeBusy(HIDDevice& itf, const std::vector<HIDDevice>& all);
    void rescan();
    void rescanFromList();

    std::vector<HIDMonitorData> vp_;
    std::int64_t reportSize_;
    std::shared_ptr<usb::UsbBackend> backend_;
    HIDMonitorTiming timing_;
    std::vector<Observer> observers_;

    bool opened_ = false;
    bool hotplug_ = false;
    std::chrono::steady_clock::time_point nextRescan_{};
    std::vector<std::pair<DeviceId, Known>> known_;  // in arrival order
    std::vector<Learned> learned_;

    std::mutex pendingMutex_;  // hot-plug callbacks may run on another libusb thread
    std::vector<Pending> pending_;

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace korvex
