#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/KeyboardLink.h"
#include "device/usb/HIDDevice.h"
#include "device/usb/UsbBackend.h"
#include "device/usb/UsbHidLink.h"

namespace korvex::usb {

// One matching keyboard as `korvexctl status` shows it.
struct KeyboardInfo {
    HIDDevice device;  // its configuration interface
    // None when this user may open it; AccessDenied or Busy otherwise.
    LinkOpenError access = LinkOpenError::None;
    std::string detail;  // one line for the user
};

// A matching device whose configuration interface could not be told apart
// (its report descriptors could not be read).
struct UnidentifiedKeyboard {
    LinkOpenError error = LinkOpenError::NotFound;  // AccessDenied when that is why
    std::string detail;
};

struct KeyboardScan {
    bool usbAvailable = true;
    std::string error;                    // set when USB cannot be used at all
    std::vector<KeyboardInfo> keyboards;  // ordered by LocationID
    std::vector<UnidentifiedKeyboard> unidentified;
};

// Lists the keyboards plugged in, without claiming anything: typing is not
// interrupted. init() is called on the backend.
KeyboardScan scanKeyboards(UsbBackend& backend);

struct LinkOpenOptions {
    // The ACL of a freshly plugged keyboard can land a moment after the
    // hot-plug event, so access denied is tried once more after this delay.
    std::chrono::milliseconds accessRetryDelay{2000};
    std::function<void(std::chrono::milliseconds)> sleep;  // default: this_thread::sleep_for
    UsbHidLink::Clock clock;                               // for the link's idle release
};

// Opens the given configuration interface. The interface is not claimed
// until the first transfer.
OpenedLink openConfigurationLink(const std::shared_ptr<UsbBackend>& backend,
                                 const HIDDevice& device, const LinkOpenOptions& options = {});

// Opens the first keyboard (lowest LocationID) that scanKeyboards finds.
OpenedLink openFirstKeyboard(const std::shared_ptr<UsbBackend>& backend,
                             const LinkOpenOptions& options = {});

// The fix for access denied, in one sentence: with the rule file installed
// where udev reads it (`installedRule`), how to make udev apply it now;
// otherwise the command that installs it from the source folder.
std::string accessFixText(const std::optional<std::string>& installedRule);
// The same, looking for the installed rule in the folders udev reads.
std::string accessFixText();
// The path of the installed 60-korvex.rules, if udev can see one.
std::optional<std::string> installedUdevRule();

}  // namespace korvex::usb
