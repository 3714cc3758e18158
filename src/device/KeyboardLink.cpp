#include "device/KeyboardLink.h"

namespace korvex {

OpenedLink openKeyboardLink() {
    // No USB transport is built in yet: behave as if nothing is plugged in.
    OpenedLink opened;
    opened.error = LinkOpenError::NotFound;
    opened.detail = describe(LinkOpenError::NotFound);
    return opened;
}

std::string describe(LinkOpenError error) {
    switch (error) {
        case LinkOpenError::None:
            return "keyboard ready";
        case LinkOpenError::NotFound:
            return "no keyboard found (USB 05ac:0256)";
        case LinkOpenError::AccessDenied:
            return "access to the keyboard denied; install packaging/udev/60-korvex.rules and "
                   "replug it";
        case LinkOpenError::Busy:
            return "the keyboard is in use by another program";
    }
    return "keyboard unavailable";
}

}  // namespace korvex
