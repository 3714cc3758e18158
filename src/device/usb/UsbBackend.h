#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvex::usb {

// The libusb error codes this program tells apart.
enum class UsbError {
    Ok,
    Io,
    InvalidParam,
    Access,
    NoDevice,
    NotFound,
    Busy,
    Timeout,
    Overflow,
    Pipe,
    Interrupted,
    NoMem,
    NotSupported,
    Other,
};

const char* toString(UsbError error);

// A USB device as the backend knows it. Holding the pointer keeps the
// backend's own reference, so key() stays unique while it is held.
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;
    virtual std::uint64_t key() const = 0;
};
using UsbDevicePtr = std::shared_ptr<UsbDevice>;

// An opened device; closed with UsbBackend::close or when dropped.
class UsbHandle {
  public:
    virtual ~UsbHandle() = default;
};

struct UsbDeviceDescriptor {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint8_t productStringIndex = 0;
};

// Alternate setting 0 of one interface of the active configuration.
struct UsbInterfaceDescriptor {
    std::uint8_t number = 0;
    std::uint8_t interfaceClass = 0;
    std::uint8_t interfaceSubClass = 0;
    std::uint8_t interfaceProtocol = 0;
    std::vector<std::uint8_t> extra;  // class descriptors that follow it (the HID descriptor)
};

struct UsbConfigDescriptor {
    std::uint8_t configurationValue = 0;
    std::vector<UsbInterfaceDescriptor> interfaces;
};

struct ControlResult {
    UsbError error = UsbError::Ok;
    std::size_t transferred = 0;
};

// The thin layer over the libusb calls Korvex makes, plus the two sysfs reads
// that need no device access. Kept free of logic so that a fake can stand in
// for the hardware in tests; everything that decides anything lives above it.
//
// Calls may come from two threads (the monitor's and the upload worker's);
// libusb allows that and the fake locks.
class UsbBackend {
  public:
    // Hot-plug callback: the device and whether it arrived (false: left).
    using HotplugCallback = std::function<void(UsbDevicePtr, bool arrived)>;

    virtual ~UsbBackend() = default;

    // Creates the library context. Everything else needs it.
    virtual UsbError init() = 0;

    // Empty when the list could not be read (not the same as no devices).
    // With hot-plug support libusb updates this list only from udev's
    // events, so it misses what udev did not announce.
    virtual std::optional<std::vector<UsbDevicePtr>> getDeviceList() = 0;
    // The list as a new, short-lived context reads it from the kernel now;
    // its devices keep that context alive while they are held.
    virtual std::optional<std::vector<UsbDevicePtr>> getFreshDeviceList() = 0;
    virtual std::optional<UsbDeviceDescriptor> getDeviceDescriptor(const UsbDevice& dev) = 0;
    virtual std::optional<UsbConfigDescriptor> getActiveConfigDescriptor(const UsbDevice& dev) = 0;
    virtual std::uint8_t getBusNumber(const UsbDevice& dev) = 0;
    virtual std::uint8_t getDeviceAddress(const UsbDevice& dev) = 0;
    virtual std::vector<std::uint8_t> getPortNumbers(const UsbDevice& dev) = 0;

    virtual UsbError open(const UsbDevice& dev, std::unique_ptr<UsbHandle>& handle) = 0;
    virtual void close(std::unique_ptr<UsbHandle> handle) = 0;
    virtual UsbError setAutoDetachKernelDriver(UsbHandle& h, bool enable) = 0;
    // 1 when a kernel driver is bound to the interface, 0 when not.
    virtual int kernelDriverActive(UsbHandle& h, int interfaceNumber) = 0;
    virtual UsbError claimInterface(UsbHandle& h, int interfaceNumber) = 0;
    virtual UsbError releaseInterface(UsbHandle& h, int interfaceNumber) = 0;
    virtual ControlResult controlTransfer(UsbHandle& h, std::uint8_t requestType,
                                          std::uint8_t request, std::uint16_t value,
                                          std::uint16_t index, std::span<std::uint8_t> data,
                                          std::chrono::milliseconds timeout) = 0;
    virtual std::optional<std::string> getStringDescriptorAscii(UsbHandle& h,
                                                                std::uint8_t index) = 0;

    virtual bool hasHotplug() = 0;
    virtual UsbError registerHotplug(std::uint16_t vendorId, std::uint16_t productId,
                                     HotplugCallback callback) = 0;
    virtual void deregisterHotplug() = 0;
    // Waits up to `timeout` for events and runs the hot-plug callbacks they
    // cause, on the calling thread.
    virtual UsbError handleEvents(std::chrono::milliseconds timeout) = 0;
    // Makes a handleEvents that is waiting return soon.
    virtual void interruptEvents() = 0;

    // Reads a file below /sys/bus/usb/devices (path relative to it).
    virtual std::optional<std::vector<std::uint8_t>> readSysfs(const std::string& path) = 0;
    // The last path element of a symbolic link below /sys/bus/usb/devices
    // (e.g. the driver bound to an interface).
    virtual std::optional<std::string> readSysfsLink(const std::string& path) = 0;
    // Names of the entries of a directory below /sys/bus/usb/devices.
    virtual std::vector<std::string> listSysfs(const std::string& path) = 0;
};

}  // namespace korvex::usb
