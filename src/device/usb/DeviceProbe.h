#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "device/usb/HIDDevice.h"
#include "device/usb/UsbBackend.h"

namespace korvex::usb {

// Every HID interface of one device, described as far as could be learned.
struct ProbedDevice {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<HIDDevice> interfaces;  // in interface number order
    // False when some interface's report descriptor could not be read yet
    // (the kernel driver may still be binding right after a hot-plug event);
    // probing again later can complete it.
    bool complete = true;
};

std::optional<UsbDeviceDescriptor> matchingDescriptor(UsbBackend& backend, const UsbDevice& dev,
                                                      const std::vector<HIDMonitorData>& models);

// A device of a matched model as the kernel lists it in sysfs.
struct KernelDevice {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    bool operator==(const KernelDevice&) const = default;
};

// The devices of the given models the kernel has now, read from
// /sys/bus/usb/devices: the truth whatever hot-plug events were missed.
// Empty when sysfs cannot be read (not the same as no devices).
std::optional<std::vector<KernelDevice>> kernelDevices(UsbBackend& backend,
                                                       const std::vector<HIDMonitorData>& models);

// Describes the HID interfaces of a device. Report descriptors come from
// sysfs while a kernel driver is bound, otherwise from GET_DESCRIPTOR to the
// interface after claiming it. Needs no device access in the common case.
ProbedDevice probeDevice(UsbBackend& backend, const UsbDevicePtr& dev);

// The kernel driver bound to an interface ("usbhid", or "usbfs" while a
// program has claimed it); empty when none is bound or sysfs cannot say.
// An interface whose descriptor cannot be read and whose driver is "usbfs"
// comes back from probeDevice marked busy.
std::optional<std::string> interfaceDriver(UsbBackend& backend, const HIDDeviceHandle& handle);

// The report descriptor of an interface through the control pipe: claims the
// interface (no kernel driver is bound when this is used), asks, releases.
std::optional<std::vector<std::uint8_t>> readReportDescriptorByControl(UsbBackend& backend,
                                                                       UsbHandle& handle,
                                                                       int interfaceNumber,
                                                                       std::size_t expectedLength);

}  // namespace korvex::usb
