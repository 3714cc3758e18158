#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/DeviceEvents.h"

namespace korvex {

class HIDDeviceMonitor;
namespace usb {
class UsbBackend;
}

// The real keyboard: the USB monitor on its own thread, its arrivals and
// departures re-posted on the notification centre with handles the window
// can open.
class UsbMonitor final : public DeviceMonitor {
  public:
    // onFailure gets one line when USB cannot be used at all; it is called on
    // the monitor's thread.
    explicit UsbMonitor(std::function<void(const std::string&)> onFailure = {});
    ~UsbMonitor() override;

    void start() override;

  private:
    std::shared_ptr<usb::UsbBackend> backend_;
    std::unique_ptr<HIDDeviceMonitor> monitor_;
    std::function<void(const std::string&)> onFailure_;
};

}  // namespace korvex
