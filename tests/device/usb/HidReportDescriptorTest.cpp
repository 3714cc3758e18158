#include "device/usb/HidReportDescriptor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Descriptors.h"

namespace korvex::usb {
namespace {

using test::Bytes;

TEST(HidReportDescriptor, SizesOfRealAndUnusualDescriptors) {
    // Push the 8-bit size, change it, pop it back: the feature keeps 8 bits.
    const Bytes pushPop = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x08, 0xA4,
                           0x75, 0x20, 0x95, 0x01, 0x81, 0x02, 0xB4, 0x95, 0x3F, 0xB1, 0x02, 0xC0};
    // A long item in the middle is skipped whole, its data bytes included.
    Bytes withLong = test::kVendorFeature4;
    withLong.insert(withLong.begin() + 7, {0xFE, 0x03, 0xF0, 0xB1, 0xB1, 0xB1});
    Bytes padded = test::kBootKeyboard;
    padded.resize(padded.size() + 5, 0x00);
    // Boot keyboard: input of 8 bytes, LED output of 1; consumer: id byte and 16 bits.
    const std::pair<const Bytes*, ReportSizes> known[] = {
        {&test::kBootKeyboard, {8, 1, 0, false}},
        {&test::kConsumerControl, {3, 0, 0, true}},
        {&test::kVendorFeature4, {0, 0, 64, true}},
        {&test::kVendorFeature65, {0, 0, 65, true}},
        {&pushPop, {5, 0, 64, true}},
        {&withLong, {0, 0, 64, true}},
        {&padded, {8, 1, 0, false}}};
    for (const auto& [bytes, sizes] : known) {
        const auto info = parseReportDescriptor(*bytes);
        ASSERT_TRUE(info.ok()) << info.error;
        EXPECT_EQ(info.sizes, sizes);
    }
}

TEST(HidReportDescriptor, MalformedInputIsNamed) {
    const std::pair<const char*, Bytes> cases[] = {
        {"only padding", {0x00, 0x00}},
        {"long item header cut off", {0xFE, 0x05}},
        {"long item data cut off", {0xFE, 0x05, 0x10, 0x01, 0x02}},
        {"push without pop", {0xA4, 0xA1, 0x01, 0xC0}},
        {"pop without push", {0xB4}},
        {"push stack overflow", {0xA4, 0xA4, 0xA4, 0xA4, 0xA4, 0xB4, 0xB4, 0xB4, 0xB4, 0xB4}},
        {"huge count", {0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x02}},
        {"huge size", {0x77, 0x00, 0x00, 0x01, 0x00, 0x95, 0x01, 0x81, 0x02}},
        {"report too large", {0x75, 0xFF, 0x96, 0x00, 0x30, 0x81, 0x02, 0x81, 0x02}},
        {"report id 0", {0x85, 0x00}},
        {"reserved item type", {0x0C}},
        {"unknown main item", {0xD0}},
        {"zero byte inside", {0xA1, 0x01, 0x00, 0xC0}},
        {"end without collection", {0xC0}},
    };
    for (const auto& [name, bytes] : cases) {
        const auto info = parseReportDescriptor(bytes);
        EXPECT_TRUE(info.malformed) << name;
        EXPECT_FALSE(info.error.empty()) << name;
        EXPECT_LE(info.errorOffset, bytes.size()) << name;
        EXPECT_EQ(info.sizes, ReportSizes{}) << name;
    }
}

// These descriptors are one top-level collection closed on the last byte, so
// any shorter prefix (the empty one too) is either cut inside an item or
// leaves it open.
TEST(HidReportDescriptor, EveryTruncationIsMalformed) {
    for (const Bytes* d : {&test::kBootKeyboard, &test::kConsumerControl, &test::kVendorFeature4}) {
        for (std::size_t n = 0; n < d->size(); ++n) {
            // Copy into an exact-size buffer so ASan sees any read past it.
            const auto prefix = std::make_unique<std::uint8_t[]>(n ? n : 1);
            std::copy_n(d->begin(), n, prefix.get());
            EXPECT_TRUE(parseReportDescriptor({prefix.get(), n}).malformed) << n;
        }
    }
}

TEST(HidReportDescriptor, ReportDescriptorLengthFromHidDescriptor) {
    // bLength 9, HID, bcdHID 1.11, country 0, one descriptor: report, 0x0123.
    EXPECT_EQ(reportDescriptorLength(Bytes{9, 0x21, 0x11, 0x01, 0, 1, 0x22, 0x23, 0x01}), 0x123u);
    // Another class descriptor before it is skipped.
    EXPECT_EQ(reportDescriptorLength(Bytes{3, 0x24, 0, 9, 0x21, 0x11, 0x01, 0, 1, 0x22, 63, 0}),
              63u);
    EXPECT_EQ(reportDescriptorLength(Bytes{9, 0x21, 0x11, 0x01, 0, 1, 0x22, 0x23}), 0u);  // short
    EXPECT_EQ(reportDescriptorLength(Bytes{0, 0x21}), 0u);  // zero length must not loop
    EXPECT_EQ(reportDescriptorLength(Bytes{}), 0u);
}

}  // namespace
}  // namespace korvex::usb
