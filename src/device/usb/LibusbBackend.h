#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/usb/UsbBackend.h"

struct libusb_context;

namespace korvex::usb {

// UsbBackend on libusb-1.0 and /sys/bus/usb/devices.
class LibusbBackend final : public UsbBackend {
  public:
    explicit LibusbBackend(std::string sysfsRoot = "/sys/bus/usb/devices/");
    ~LibusbBackend() override;
    LibusbBackend(const LibusbBackend&) = delete;
    LibusbBackend& operator=(const LibusbBackend&) = delete;

    UsbError init() override;
    std::optional<std::vector<UsbDevicePtr>> getDeviceList() override;
    std::optional<std::vector<UsbDevicePtr>> getFreshDeviceList() override;
    std::optional<UsbDeviceDescriptor> getDeviceDescriptor(const UsbDevice& dev) override;
    std::optional<UsbConfigDescriptor> getActiveConfigDescriptor(const UsbDevice& dev) override;
    std::uint8_t getBusNumber(const UsbDevice& dev) override;
    std::uint8_t getDeviceAddress(const UsbDevice& dev) override;
    std::vector<std::uint8_t> getPortNumbers(const UsbDevice& dev) override;
    UsbError open(const UsbDevice& dev, std::unique_ptr<UsbHandle>& handle) override;
    void close(std::unique_ptr<UsbHandle> handle) override;
    UsbError setAutoDetachKernelDriver(UsbHandle& h, bool enable) override;
    int kernelDriverActive(UsbHandle& h, int interfaceNumber) override;
    UsbError claimInterface(UsbHandle& h, int interfaceNumber) override;
    UsbError releaseInterface(UsbHandle& h, int interfaceNumber) override;
    ControlResult controlTransfer(UsbHandle& h, std::uint8_t requestType, std::uint8_t request,
                                  std::uint16_t value, std::uint16_t index,
                                  std::span<std::uint8_t> data,
                                  std::chrono::milliseconds timeout) override;
    std::optional<std::string> getStringDescriptorAscii(UsbHandle& h, std::uint8_t index) override;
    bool hasHotplug() override;
    UsbError registerHotplug(std::uint16_t vendorId, std::uint16_t productId,
                             HotplugCallback callback) override;
    void deregisterHotplug() override;
    UsbError handleEvents(std::chrono::milliseconds timeout) override;
    void interruptEvents() override;
    std::optional<std::vector<std::uint8_t>> readSysfs(const std::string& path) override;
    std::optional<std::string> readSysfsLink(const std::string& path) override;
    std::vector<std::string> listSysfs(const std::string& path) override;

    struct Context;

  private:
    struct Registration;
    std::string sysfsRoot_;
    std::shared_ptr<Context> context_;
    libusb_context* ctx_ = nullptr;  // context_->ctx, once init succeeded
    std::mutex initMutex_;
    std::vector<std::unique_ptr<Registration>> hotplug_;
};

}  // namespace korvex::usb
