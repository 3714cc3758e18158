#include "device/usb/UsbBackend.h"

namespace korvex::usb {

const char* toString(UsbError error) {
    switch (error) {
        case UsbError::Ok:
            return "ok";
        case UsbError::Io:
            return "input/output error";
        case UsbError::InvalidParam:
            return "invalid parameter";
        case UsbError::Access:
            return "access denied";
        case UsbError::NoDevice:
            return "no such device (it may have been unplugged)";
        case UsbError::NotFound:
            return "not found";
        case UsbError::Busy:
            return "busy";
        case UsbError::Timeout:
            return "timed out";
        case UsbError::Overflow:
            return "overflow";
        case UsbError::Pipe:
            return "request stalled";
        case UsbError::Interrupted:
            return "interrupted";
        case UsbError::NoMem:
            return "out of memory";
        case UsbError::NotSupported:
            return "not supported";
        case UsbError::Other:
            return "other error";
    }
    return "unknown error";
}

}  // namespace korvex::usb
