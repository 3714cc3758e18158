#include "device/KeyboardLink.h"

#include "device/usb/KeyboardStatus.h"
#include "device/usb/LibusbBackend.h"

namespace korvex {

OpenedLink openKeyboardLink() {
    return usb::openFirstKeyboard(std::make_shared<usb::LibusbBackend>());
}

std::string describe(LinkOpenError error) {
    switch (error) {
        case LinkOpenError::None:
            return "keyboard ready";
        case LinkOpenError::NotFound:
            return "no keyboard found (USB 05ac:0256)";
        case LinkOpenError::AccessDenied:
            return "access to the keyboard denied; " + usb::accessFixText();
        case LinkOpenError::Busy:
            return "the keyboard is in use by another program";
    }
    return "keyboard unavailable";
}

}  // namespace korvex
