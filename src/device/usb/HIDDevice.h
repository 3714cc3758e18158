#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "device/usb/UsbBackend.h"

namespace korvex {

// Which USB interface a HIDDevice record stands for. It keeps the device
// referenced, so a record made at arrival still names it after it has left.
struct HIDDeviceHandle {
    usb::UsbDevicePtr usbDevice;
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::vector<std::uint8_t> ports;  // port path from the root hub
    std::uint8_t configuration = 0;
    int interfaceNumber = -1;

    // The name under /sys/bus/usb/devices, e.g. "1-2.3".
    std::string sysfsName() const;
    // The interface's name there, e.g. "1-2.3:1.1".
    std::string sysfsInterfaceName() const;
    // The usbfs node libusb opens, e.g. "/dev/bus/usb/001/005".
    std::string deviceNode() const;
    // "bus 1 port 2.3"
    std::string placeText() const;

    // Same physical interface (not merely the same socket).
    bool sameInterface(const HIDDeviceHandle& other) const;
};

// Property names of a matched interface.
inline constexpr const char* kVendorIDKey = "VendorID";
inline constexpr const char* kProductIDKey = "ProductID";
inline constexpr const char* kLocationIDKey = "LocationID";
inline constexpr const char* kMaxInputReportSizeKey = "MaxInputReportSize";
inline constexpr const char* kMaxFeatureReportSizeKey = "MaxFeatureReportSize";
inline constexpr const char* kProductKey = "Product";

using HIDPropertyValue = std::variant<std::int64_t, std::string>;
using HIDProperties = std::map<std::string, HIDPropertyValue>;

// One matched HID interface, copied by value.
struct HIDDevice {
    std::int64_t id = 0;  // LocationID
    std::int64_t vendorId = 0;
    std::int64_t productId = 0;
    std::int64_t reportSize = 0;   // MaxInputReportSize
    std::int64_t featureSize = 0;  // MaxFeatureReportSize
    HIDDeviceHandle device;
    std::string name;  // Product

    HIDDevice() = default;
    // Missing properties and properties of the wrong type read as 0 or "".
    HIDDevice(const HIDProperties& properties, HIDDeviceHandle handle);

    HIDProperties properties;  // as read at arrival
    // Another program holds the interface, which also hides its report
    // descriptor; the sizes may then come from an earlier probe.
    bool busy = false;
};

// One device model to match.
struct HIDMonitorData {
    std::int64_t vendorId = 0;
    std::int64_t productId = 0;
};

inline constexpr std::int64_t kKeyboardVendorId = 0x05AC;
inline constexpr std::int64_t kKeyboardProductId = 0x0256;
inline constexpr std::int64_t kConfigurationFeatureSize = 64;

// The keyboard's configuration interface: vendor 0x05AC, product 0x0256 and a
// 64-byte feature report. Fixed values, whatever the monitor was asked to match.
bool isConfigurationInterface(const HIDDevice& device);

// A number for the socket a device sits in: the bus in the top byte, then one
// byte per port of the path. The same socket gives the same id across
// re-plugging; a valid id is never 0.
std::int64_t locationId(std::uint8_t bus, std::span<const std::uint8_t> ports);

}  // namespace korvex
