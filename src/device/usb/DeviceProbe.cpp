#include "device/usb/DeviceProbe.h"

#include <algorithm>
#include <cctype>

#include "device/usb/HidReportDescriptor.h"

namespace korvex::usb {

namespace {

constexpr std::uint8_t kHidClass = 3;
constexpr std::chrono::milliseconds kProbeTimeout{1000};
constexpr std::size_t kMaxDescriptor = 4096;

// The HID core names its devices "BBBB:VVVV:PPPP.NNNN" (hex).
bool isHidDeviceName(const std::string& name) {
    if (name.size() != 19) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i == 4 || i == 9) {
            if (c != ':') return false;
        } else if (i == 14) {
            if (c != '.') return false;
        } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> sysfsReportDescriptor(UsbBackend& backend,
                                                               const HIDDeviceHandle& h) {
    const std::string dir = h.sysfsInterfaceName();
    std::vector<std::string> names = backend.listSysfs(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!isHidDeviceName(name)) continue;
        auto bytes = backend.readSysfs(dir + "/" + name + "/report_descriptor");
        if (bytes && !bytes->empty()) return bytes;
    }
    return std::nullopt;
}

std::string trimmed(std::vector<std::uint8_t> bytes) {
    std::string s(bytes.begin(), bytes.end());
    while (!s.empty() && (s.back() == '\n' || s.back() == '\0' || s.back() == ' ')) s.pop_back();
    return s;
}

std::optional<unsigned long> sysfsNumber(UsbBackend& backend, const std::string& path, int base) {
    const auto bytes = backend.readSysfs(path);
    if (!bytes) return std::nullopt;
    const std::string text = trimmed(*bytes);
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::size_t used = 0;
    unsigned long v = 0;
    try {
        v = std::stoul(text, &used, base);
    } catch (...) {
        return std::nullopt;
    }
    if (used != text.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<std::vector<KernelDevice>> kernelDevices(UsbBackend& backend,
                                                       const std::vector<HIDMonitorData>& models) {
    const std::vector<std::string> names = backend.listSysfs("");
    // Every machine with USB lists at least its root hubs.
    if (names.empty()) return std::nullopt;
    std::vector<KernelDevice> out;
    for (const std::string& name : names) {
        if (name.find(':') != std::string::npos) continue;  // an interface, not a device
        const auto vendor = sysfsNumber(backend, name + "/idVendor", 16);
        const auto product = sysfsNumber(backend, name + "/idProduct", 16);
        if (!vendor || !product) continue;
        const bool wanted = std::any_of(models.begin(), models.end(), [&](const HIDMonitorData& m) {
            return m.vendorId == static_cast<std::int64_t>(*vendor) &&
                   m.productId == static_cast<std::int64_t>(*product);
        });
        if (!wanted) continue;
        const auto bus = sysfsNumber(backend, name + "/busnum", 10);
        const auto address = sysfsNumber(backend, name + "/devnum", 10);
        // Read while the device left: it is gone by the next scan anyway.
        if (!bus || !address || *bus > 255 || *address > 255) continue;
        out.push_back({static_cast<std::uint8_t>(*bus), static_cast<std::uint8_t>(*address)});
    }
    return out;
}

std::optional<UsbDeviceDescriptor> matchingDescriptor(UsbBackend& backend, const UsbDevice& dev,
                                                      const std::vector<HIDMonitorData>& models) {
    const auto d = backend.getDeviceDescriptor(dev);
    if (!d) return std::nullopt;
    for (const HIDMonitorData& m : models)
        if (m.vendorId == d->vendorId && m.productId == d->productId) return d;
    return std::nullopt;
}

std::optional<std::string> interfaceDriver(UsbBackend& backend, const HIDDeviceHandle& h) {
    return backend.readSysfsLink(h.sysfsInterfaceName() + "/driver");
}

std::optional<std::vector<std::uint8_t>> readReportDescriptorByControl(UsbBackend& backend,
                                                                       UsbHandle& handle,
                                                                       int interfaceNumber,
                                                                       std::size_t expectedLength) {
    if (backend.claimInterface(handle, interfaceNumber) != UsbError::Ok) return std::nullopt;
    std::vector<std::uint8_t> buf(expectedLength ? std::min(expectedLength, kMaxDescriptor)
                                                 : kMaxDescriptor);
    // GET_DESCRIPTOR (report descriptor 0x22) to the interface.
    const ControlResult r =
        backend.controlTransfer(handle, 0x81, 0x06, 0x2200,
                                static_cast<std::uint16_t>(interfaceNumber), buf, kProbeTimeout);
    backend.releaseInterface(handle, interfaceNumber);
    if (r.error != UsbError::Ok || r.transferred == 0) return std::nullopt;
    buf.resize(std::min(r.transferred, buf.size()));
    return buf;
}

ProbedDevice probeDevice(UsbBackend& backend, const UsbDevicePtr& dev) {
    ProbedDevice out;
    const auto dd = backend.getDeviceDescriptor(*dev);
    if (!dd) {
        out.complete = false;
        return out;
    }
    out.vendorId = dd->vendorId;
    out.productId = dd->productId;
    const auto config = backend.getActiveConfigDescriptor(*dev);
    if (!config) {
        out.complete = false;
        return out;
    }

    HIDDeviceHandle base;
    base.usbDevice = dev;
    base.bus = backend.getBusNumber(*dev);
    base.address = backend.getDeviceAddress(*dev);
    base.ports = backend.getPortNumbers(*dev);
    base.configuration = config->configurationValue;

    std::optional<std::string> product;
    if (auto bytes = backend.readSysfs(base.sysfsName() + "/product")) product = trimmed(*bytes);

    // Opened only when sysfs cannot answer; may fail without access rights.
    std::unique_ptr<UsbHandle> handle;
    bool openTried = false;
    auto opened = [&]() -> UsbHandle* {
        if (!openTried) {
            openTried = true;
            if (backend.open(*dev, handle) != UsbError::Ok) handle.reset();
        }
        return handle.get();
    };
    if (!product && dd->productStringIndex != 0)
        if (UsbHandle* h = opened())
            product = backend.getStringDescriptorAscii(*h, dd->productStringIndex);

    std::vector<UsbInterfaceDescriptor> interfaces = config->interfaces;
    std::sort(interfaces.begin(), interfaces.end(),
              [](const auto& a, const auto& b) { return a.number < b.number; });
    for (const UsbInterfaceDescriptor& itf : interfaces) {
        if (itf.interfaceClass != kHidClass) continue;
        HIDDeviceHandle h = base;
        h.interfaceNumber = itf.number;

        HIDProperties p;
        p[kVendorIDKey] = static_cast<std::int64_t>(dd->vendorId);
        p[kProductIDKey] = static_cast<std::int64_t>(dd->productId);
        p[kLocationIDKey] = locationId(h.bus, h.ports);
        if (product) p[kProductKey] = *product;

        auto descriptor = sysfsReportDescriptor(backend, h);
        bool busy = false;
        if (!descriptor) {
            const auto driver = interfaceDriver(backend, h);
            // Claimed by a program: asking it would fail the same way.
            busy = driver && *driver == "usbfs";
            UsbHandle* uh = busy ? nullptr : opened();
            if (uh && backend.kernelDriverActive(*uh, itf.number) == 0)
                descriptor = readReportDescriptorByControl(backend, *uh, itf.number,
                                                           reportDescriptorLength(itf.extra));
        }
        if (descriptor) {
            const ReportDescriptorInfo info = parseReportDescriptor(*descriptor);
            // A malformed descriptor leaves the sizes unknown; reading it again
            // would not change it.
            if (info.ok()) {
                p[kMaxInputReportSizeKey] = static_cast<std::int64_t>(info.sizes.maxInput);
                p[kMaxFeatureReportSizeKey] = static_cast<std::int64_t>(info.sizes.maxFeature);
            }
        } else {
            out.complete = false;
        }
        out.interfaces.emplace_back(p, std::move(h));
        out.interfaces.back().busy = busy && !descriptor;
    }
    if (handle) backend.close(std::move(handle));
    return out;
}

}  // namespace korvex::usb
