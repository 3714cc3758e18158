#pragma once

#include <memory>
#include <string>

#include "device/HidLink.h"

namespace korvex {

// Why no link to a real keyboard could be opened.
enum class LinkOpenError {
    None,
    NotFound,      // no keyboard with vendor 0x05AC / product 0x0256 is plugged in
    AccessDenied,  // it is there but this user may not open it (udev rule missing)
    Busy,          // another program holds its configuration interface
};

struct OpenedLink {
    std::unique_ptr<HidLink> link;  // set when error is None
    LinkOpenError error = LinkOpenError::NotFound;
    std::string detail;  // one line for the user, e.g. how to fix access
};

// Opens the attached keyboard's configuration interface. The one place that
// knows about USB; everything else takes a HidLink.
OpenedLink openKeyboardLink();

// A line for the user naming the error ("no keyboard found", ...).
std::string describe(LinkOpenError error);

}  // namespace korvex
