#include "device/usb/KeyboardStatus.h"

#include <unistd.h>

#include <algorithm>
#include <thread>

#include "device/usb/DeviceProbe.h"

namespace korvex::usb {

namespace {

const std::vector<HIDMonitorData> kKeyboardModel{{kKeyboardVendorId, kKeyboardProductId}};

std::string noUsbText(UsbError error) {
    return std::string("cannot use USB (libusb could not start: ") + toString(error) + ")";
}

std::string busyText(const HIDDevice& d) {
    return "the keyboard at " + d.device.placeText() + " (interface " +
           std::to_string(d.device.interfaceNumber) +
           ") is in use by another program; close it and try again";
}

std::string deniedText(const HIDDeviceHandle& h) {
    return "access to " + h.deviceNode() + " (keyboard at " + h.placeText() + ") denied; " +
           accessFixText();
}

// Interfaces claimed through usbfs show "usbfs" as their driver.
bool claimedByProgram(UsbBackend& backend, const HIDDeviceHandle& h) {
    const auto driver = interfaceDriver(backend, h);
    return driver && *driver == "usbfs";
}

OpenedLink failure(LinkOpenError error, std::string detail) {
    OpenedLink out;
    out.error = error;
    out.detail = std::move(detail);
    return out;
}

}  // namespace

std::optional<std::string> installedUdevRule() {
    // The folders udev reads rules from, most specific first.
    for (const char* dir : {"/etc/udev/rules.d/", "/run/udev/rules.d/", "/usr/lib/udev/rules.d/",
                            "/lib/udev/rules.d/"}) {
        const std::string path = std::string(dir) + "60-korvex.rules";
        if (::access(path.c_str(), R_OK) == 0) return path;
    }
    return std::nullopt;
}

std::string accessFixText(const std::optional<std::string>& installedRule) {
    // The trigger re-applies the rules to the keyboard already plugged in,
    // which spares unplugging it.
    const char* apply =
        "sudo udevadm control --reload && sudo udevadm trigger --attr-match=idVendor=05ac";
    if (installedRule)
        return "the udev rule " + *installedRule +
               " is installed but not applied to the keyboard yet; apply it with: " + apply;
    return std::string(
               "install the udev rule, from the Korvex source folder: sudo install -m 644 "
               "packaging/udev/60-korvex.rules /etc/udev/rules.d/ && ") +
           apply;
}

std::string accessFixText() {
    return accessFixText(installedUdevRule());
}

KeyboardScan scanKeyboards(UsbBackend& backend) {
    KeyboardScan scan;
    if (const UsbError rc = backend.init(); rc != UsbError::Ok) {
        scan.usbAvailable = false;
        scan.error = noUsbText(rc);
        return scan;
    }
    // What the kernel has now, even when this backend has been running a
    // while and its own list missed a hot-plug event.
    auto list = backend.getFreshDeviceList();
    if (!list) {
        scan.usbAvailable = false;
        scan.error = "cannot list the USB devices";
        return scan;
    }
    for (const UsbDevicePtr& dev : *list) {
        if (!matchingDescriptor(backend, *dev, kKeyboardModel)) continue;
        const ProbedDevice probed = probeDevice(backend, dev);
        bool found = false;
        for (const HIDDevice& itf : probed.interfaces) {
            if (!isConfigurationInterface(itf)) continue;
            found = true;
            KeyboardInfo info{itf, LinkOpenError::None, "ready"};
            std::unique_ptr<UsbHandle> handle;
            const UsbError rc = backend.open(*dev, handle);
            if (rc == UsbError::Access) {
                info.access = LinkOpenError::AccessDenied;
                info.detail = deniedText(itf.device);
            } else if (rc != UsbError::Ok) {
                info.access = LinkOpenError::NotFound;
                info.detail = std::string("cannot open it: ") + toString(rc);
            } else if (claimedByProgram(backend, itf.device)) {
                info.access = LinkOpenError::Busy;
                info.detail = busyText(itf);
            }
            if (handle) backend.close(std::move(handle));
            scan.keyboards.push_back(std::move(info));
        }
        if (!found && !probed.interfaces.empty()) {
            // A program that holds the configuration interface also keeps
            // its descriptor from being read.
            const auto held = std::find_if(
                probed.interfaces.begin(), probed.interfaces.end(), [&](const HIDDevice& d) {
                    return d.featureSize == 0 && claimedByProgram(backend, d.device);
                });
            if (held != probed.interfaces.end()) {
                scan.unidentified.push_back({LinkOpenError::Busy, busyText(*held)});
                continue;
            }
            HIDDeviceHandle where = probed.interfaces.front().device;
            std::unique_ptr<UsbHandle> handle;
            const UsbError rc = backend.open(*dev, handle);
            if (handle) backend.close(std::move(handle));
            if (rc == UsbError::Access)
                scan.unidentified.push_back({LinkOpenError::AccessDenied, deniedText(where)});
            else
                scan.unidentified.push_back(
                    {LinkOpenError::NotFound,
                     "keyboard at " + where.placeText() +
                         ": no configuration interface (64-byte feature report) found"});
        }
    }
    std::sort(
        scan.keyboards.begin(), scan.keyboards.end(),
        [](const KeyboardInfo& a, const KeyboardInfo& b) { return a.device.id < b.device.id; });
    return scan;
}

OpenedLink openConfigurationLink(const std::shared_ptr<UsbBackend>& backend,
                                 const HIDDevice& device, const LinkOpenOptions& options) {
    const HIDDeviceHandle& h = device.device;
    if (!h.usbDevice) return failure(LinkOpenError::NotFound, "no keyboard found (USB 05ac:0256)");
    std::unique_ptr<UsbHandle> handle;
    UsbError rc = backend->open(*h.usbDevice, handle);
    if (rc == UsbError::Access) {
        if (options.sleep)
            options.sleep(options.accessRetryDelay);
        else
            std::this_thread::sleep_for(options.accessRetryDelay);
        rc = backend->open(*h.usbDevice, handle);
    }
    if (rc == UsbError::Access) return failure(LinkOpenError::AccessDenied, deniedText(h));
    if (rc != UsbError::Ok)
        return failure(LinkOpenError::NotFound,
                       "cannot open the keyboard at " + h.placeText() + ": " + toString(rc));
    if (claimedByProgram(*backend, h)) {
        backend->close(std::move(handle));
        return failure(LinkOpenError::Busy, busyText(device));
    }
    OpenedLink out;
    out.error = LinkOpenError::None;
    out.detail = "keyboard ready at " + h.placeText();
    out.link = std::make_unique<UsbHidLink>(backend, h, std::move(handle), options.clock);
    return out;
}

OpenedLink openFirstKeyboard(const std::shared_ptr<UsbBackend>& backend,
                             const LinkOpenOptions& options) {
    const KeyboardScan scan = scanKeyboards(*backend);
    if (!scan.usbAvailable) return failure(LinkOpenError::NotFound, scan.error);
    if (scan.keyboards.empty()) {
        if (!scan.unidentified.empty())
            return failure(scan.unidentified.front().error, scan.unidentified.front().detail);
        return failure(LinkOpenError::NotFound, "no keyboard found (USB 05ac:0256)");
    }
    return openConfigurationLink(backend, scan.keyboards.front().device, options);
}

}  // namespace korvex::usb
