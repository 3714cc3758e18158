// libFuzzer entry for the report descriptor parser: any input must give a
// result without reading outside it, and an accepted one must be consistent.
#include <cstdlib>
#include <memory>

#include "device/usb/HidReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto info = korvex::usb::parseReportDescriptor({data, size});
    if (info.malformed) {
        if (info.error.empty() || !info.reports.empty() || info.errorOffset > size) std::abort();
        return 0;
    }
    for (const auto& r : info.reports) {
        const std::size_t max = r.kind == korvex::usb::ReportKind::Input    ? info.sizes.maxInput
                                : r.kind == korvex::usb::ReportKind::Output ? info.sizes.maxOutput
                                                                            : info.sizes.maxFeature;
        if (r.bytes == 0 || r.bytes > max) std::abort();
    }
    return 0;
}
