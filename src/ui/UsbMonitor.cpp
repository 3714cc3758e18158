#include "ui/UsbMonitor.h"

#include "device/usb/HIDDeviceMonitor.h"
#include "device/usb/KeyboardStatus.h"
#include "device/usb/LibusbBackend.h"
#include "ui/NotificationCenter.h"

namespace korvex {

namespace {

class UsbKeyboardHandle final : public KeyboardHandle {
  public:
    UsbKeyboardHandle(std::shared_ptr<usb::UsbBackend> backend, HIDDevice device)
        : backend_(std::move(backend)), device_(std::move(device)) {}

    bool same(const KeyboardHandle& other) const override {
        auto* o = dynamic_cast<const UsbKeyboardHandle*>(&other);
        return o && o->device_.device.sameInterface(device_.device);
    }
    std::string name() const override { return device_.name; }
    OpenedLink open() override { return usb::openConfigurationLink(backend_, device_); }

  private:
    std::shared_ptr<usb::UsbBackend> backend_;
    HIDDevice device_;
};

}  // namespace

UsbMonitor::UsbMonitor(std::function<void(const std::string&)> onFailure)
    : backend_(std::make_shared<usb::LibusbBackend>()), onFailure_(std::move(onFailure)) {
    monitor_ = std::make_unique<HIDDeviceMonitor>(
        std::vector<HIDMonitorData>{{kKeyboardVendorId, kKeyboardProductId}},
        kConfigurationFeatureSize, backend_);
    monitor_->addObserver([backend = backend_](const HIDDeviceNotification& n) {
        const bool arrived = n.name == kHIDDeviceConnected;
        NotificationCenter::defaultCenter().post(
            arrived ? notification::kHIDDeviceConnected : notification::kHIDDeviceDisconnected,
            deviceNotificationObject(std::make_shared<UsbKeyboardHandle>(backend, n.device())));
    });
}

UsbMonitor::~UsbMonitor() = default;  // the monitor stops and joins its thread

void UsbMonitor::start() {
    monitor_->startThread([this](const MonitorResult& result) {
        if (!result.ok && onFailure_) onFailure_(result.message);
    });
}

}  // namespace korvex
