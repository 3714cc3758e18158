#include "device/usb/HIDDevice.h"

#include <cstdio>

namespace korvex {

namespace {

std::string portPath(const std::vector<std::uint8_t>& ports) {
    std::string path;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (i) path += ".";
        path += std::to_string(ports[i]);
    }
    return path;
}

}  // namespace

std::string HIDDeviceHandle::sysfsName() const {
    return std::to_string(bus) + "-" + portPath(ports);
}

std::string HIDDeviceHandle::sysfsInterfaceName() const {
    return sysfsName() + ":" + std::to_string(configuration) + "." +
           std::to_string(interfaceNumber);
}

std::string HIDDeviceHandle::deviceNode() const {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", static_cast<unsigned>(bus),
                  static_cast<unsigned>(address));
    return node;
}

std::string HIDDeviceHandle::placeText() const {
    return "bus " + std::to_string(bus) + " port " + portPath(ports);
}

bool HIDDeviceHandle::sameInterface(const HIDDeviceHandle& other) const {
    if (!usbDevice || !other.usbDevice) return false;
    return usbDevice->key() == other.usbDevice->key() && interfaceNumber == other.interfaceNumber;
}

namespace {

std::int64_t number(const HIDProperties& p, const char* key) {
    const auto it = p.find(key);
    if (it == p.end()) return 0;
    const auto* v = std::get_if<std::int64_t>(&it->second);
    return v ? *v : 0;
}

std::string text(const HIDProperties& p, const char* key) {
    const auto it = p.find(key);
    if (it == p.end()) return {};
    const auto* v = std::get_if<std::string>(&it->second);
    return v ? *v : std::string();
}

}  // namespace

HIDDevice::HIDDevice(const HIDProperties& p, HIDDeviceHandle handle)
    : id(number(p, kLocationIDKey)),
      vendorId(number(p, kVendorIDKey)),
      productId(number(p, kProductIDKey)),
      reportSize(number(p, kMaxInputReportSizeKey)),
      featureSize(number(p, kMaxFeatureReportSizeKey)),
      device(std::move(handle)),
      name(text(p, kProductKey)),
      properties(p) {}

bool isConfigurationInterface(const HIDDevice& d) {
    return d.vendorId == kKeyboardVendorId && d.productId == kKeyboardProductId &&
           d.featureSize == kConfigurationFeatureSize;
}

std::int64_t locationId(std::uint8_t bus, std::span<const std::uint8_t> ports) {
    // USB allows at most 7 tiers below the root hub, so 7 port bytes fit.
    std::uint64_t id = static_cast<std::uint64_t>(bus) << 56;
    for (std::size_t i = 0; i < ports.size() && i < 7; ++i)
        id |= static_cast<std::uint64_t>(ports[i]) << (48 - 8 * i);
    return static_cast<std::int64_t>(id);
}

}  // namespace korvex
