#include <gtest/gtest.h>

#include "EncoderTestSupport.h"

namespace korvex {
namespace {

using namespace korvex::test;

constexpr std::int64_t kDelay = 1, kDown = 2, kUp = 3, kMouseDown = 4, kMouseUp = 5;

const Bytes& image(const MacroImageResult& r) {
    return r.upload.transfers.at(2).bytes;
}

// Bytes of the image from `at` on.
Bytes slice(const Bytes& b, std::size_t at, std::size_t n) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at),
                 b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

TEST(MacroImage, FrameDirectoryBodiesAndInsertedDelays) {
    // No macros: an empty directory.
    EXPECT_EQ(image(SaveMacroToKeyboard({}, {})), zerosWith(3200, {{510, {0xAA, 0x55}}}));

    const MacroImageResult r = SaveMacroToKeyboard(
        {macro(5), macro(6), macro(7)},
        {event(5, kDown, 4), event(5, kUp, 4), event(7, kDelay, 300), event(7, kDown, 4)});
    ASSERT_EQ(r.status, MacroImageStatus::Ready);
    EXPECT_EQ(r.upload.kind, UploadKind::Macros);
    const Bytes directory = {0x90, 0x01, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xA4, 0x01, 0, 0};
    const Bytes bodies = {0x03, 0, 0, 0, 0, 0, 0, 0,  //
                          0x00, 0x00, 0x04, 0xB0,     // key down
                          0x0A, 0x00, 0x00, 0x50,     // inserted delay
                          0x00, 0x00, 0x04, 0x30,     // key up
                          // The next body starts where the previous one ended;
                          // no delay after a delay.
                          0x02, 0, 0, 0, 0, 0, 0, 0,  //
                          0x2C, 0x01, 0x00, 0x50,     // recorded delay
                          0x00, 0x00, 0x04, 0xB0};    // key down
    // E = 436: ceil(436 / 64) + 1 = 8 reports; the run sends one report fewer than it covers.
    const auto& t = r.upload.transfers;
    expectRunExchange(t, 0x19, 0x15, 8, 8 * 64 + 64,
                      zerosWith(3200, {{0, directory}, {400, bodies}, {510, {0xAA, 0x55}}}));
    // The keyboard gets an extra quiet gap before the image and before the end.
    EXPECT_FALSE(t[0].extraPause || t[1].extraPause);
    EXPECT_TRUE(t[2].extraPause && t[3].extraPause);
}

TEST(MacroImage, EventEncodings) {
    const MacroImageResult r = SaveMacroToKeyboard(
        {macro(1)}, {event(1, kMouseDown, 2), event(1, kMouseUp, 3), event(1, kMouseDown, 1),
                     event(1, kDelay, 5), event(1, kMouseDown, 7), event(1, kDown, 4),
                     event(1, 9, 4), event(1, kUp, 4), event(1, kDelay, 70000)});
    EXPECT_EQ(slice(image(r), 400, 8 + 4 * 13),
              (Bytes{13,   0, 0, 0,    0,    0,    0, 0,    0, 0, 4, 0x90,  // middle button
                     0x0A, 0, 0, 0x50,                                      // inserted delay
                     0,    0, 2, 0x10,                                      // right button up
                     0x0A, 0, 0, 0x50, 0,    0,    1, 0x90,                 // left button
                     5,    0, 0, 0x50,                                      // recorded delay
                     0,    0, 0, 0,                       // mouse row without a button
                     0,    0, 4, 0xB0,                    // still after the delay: nothing inserted
                     0x0A, 0, 0, 0x50, 0,    0,    0, 0,  // unknown row
                     0x0A, 0, 0, 0x50,                    // it did not count as a delay
                     0,    0, 4, 0x30, 0xFF, 0xFF, 0, 0x50}));  // the longest delay there is
}

TEST(MacroImage, SizeLimitsRefuseTheWholeUpload) {
    auto delays = [](std::size_t n) { return std::vector<RecordInfo>(n, event(1, kDelay, 1)); };
    // 4 * 623 + 8 = 2500 is allowed, 2504 is not.
    EXPECT_EQ(SaveMacroToKeyboard({macro(1)}, delays(623)).status, MacroImageStatus::Ready);
    const MacroImageResult over = SaveMacroToKeyboard({macro(1)}, delays(624));
    EXPECT_EQ(over.status, MacroImageStatus::TooLarge);
    EXPECT_TRUE(over.upload.transfers.empty());
    EXPECT_NE(over.reason.find("too large"), std::string::npos) << over.reason;

    // With inserted delays the largest image (which UploadSim sends whole)
    // holds one row fewer.
    std::vector<RecordInfo> rows = fullImageRows();
    rows.push_back(event(1, kDelay, 1));
    EXPECT_EQ(SaveMacroToKeyboard({macro(1)}, rows).status, MacroImageStatus::TooLarge);

    // The directory has 100 slots.
    std::vector<MacroInfo> macros;
    for (int id = 1; id <= 100; ++id) macros.push_back(macro(id));
    const MacroImageResult hundred = SaveMacroToKeyboard(macros, {});
    ASSERT_EQ(hundred.status, MacroImageStatus::Ready);
    EXPECT_EQ(slice(image(hundred), 396, 8), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
    macros.push_back(macro(101));
    EXPECT_EQ(SaveMacroToKeyboard(macros, {}).status, MacroImageStatus::TooLarge);

    // Rows of macros that are no longer listed still count, as the store counts them.
    EXPECT_EQ(SaveMacroToKeyboard({macro(1)}, delays(600), 624).status, MacroImageStatus::TooLarge);
}

}  // namespace
}  // namespace korvex
