#pragma once

#include <QMetaType>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/KeyboardLink.h"
#include "device/SimulatedKeyboard.h"
#include "device/UploadWorker.h"

namespace korvex {

// One accepted keyboard interface as the window sees it: something that can
// be compared with the interface already held and opened as a HidLink. The
// USB monitor and the simulated keyboard each provide their own kind.
class KeyboardHandle {
  public:
    virtual ~KeyboardHandle() = default;
    // The same physical interface (a re-plugged keyboard is a new handle).
    virtual bool same(const KeyboardHandle& other) const = 0;
    virtual std::string name() const = 0;
    // The simulated keyboard; the window says so in the user's language.
    virtual bool simulated() const { return false; }
    // Runs on the monitor's thread: opening may take a while (permissions
    // can land a moment after the hot-plug event).
    virtual OpenedLink open() = 0;
};

using KeyboardRef = std::shared_ptr<KeyboardHandle>;

// The object of "HIDDeviceConnected" / "HIDDeviceDisconnected": a record with
// the single key "device".
QVariant deviceNotificationObject(const KeyboardRef& device);
// The record's device; null when the object is not such a record.
KeyboardRef deviceFromNotification(const QVariant& object);

// The watcher of the keyboard's arrival and departure (`rfDeviceMonitor`).
// It posts the two notifications on the notification centre from a thread of
// its own, beginning with what is already plugged in.
class DeviceMonitor {
  public:
    virtual ~DeviceMonitor() = default;
    virtual void start() = 0;
};

// A keyboard in software that arrives as soon as the monitor starts, for
// --simulate and for tests. plug() and unplug() post from the calling thread.
class SimulatedMonitor final : public DeviceMonitor {
  public:
    SimulatedMonitor();
    ~SimulatedMonitor() override;

    void start() override;
    // A new arrival (a new handle for the same keyboard); nothing when plugged.
    void plug();
    void unplug();
    bool plugged() const;

    SimulatedKeyboard& keyboard() { return *keyboard_; }
    KeyboardRef currentHandle() const;

  private:
    std::shared_ptr<SimulatedKeyboard> keyboard_;
    mutable std::mutex mutex_;
    KeyboardRef handle_;
    std::thread thread_;
};

// The link of the attached keyboard, behind an optional wire log. The upload
// worker outlives every link, so it talks to this slot: activity calls go to
// the current link when it wants them (a USB link claims its interface only
// while uploads run).
class LinkSlot final : public LinkActivityListener {
  public:
    LinkSlot() = default;
    ~LinkSlot() override;

    // Takes the link; with a wire-log path every transfer is appended there.
    // False (and *error set) when the log cannot be opened; the link is then
    // used without it.
    bool set(std::unique_ptr<HidLink> link, const std::string& wireLogPath, std::string* error);
    void clear();
    // Empties the slot and hands back what destroys the old link, for the
    // device thread to run once no upload uses it (UploadWorker::detach).
    std::function<void()> retire();
    // What the transport writes to; null when none.
    HidLink* link() const;

    void batchStarting() override;
    void queueIdle() override;

  private:
    mutable std::mutex mutex_;
    std::unique_ptr<HidLink> raw_;
    std::unique_ptr<HidLink> logged_;
};

}  // namespace korvex

Q_DECLARE_METATYPE(korvex::KeyboardRef)
