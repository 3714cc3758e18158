#include <gtest/gtest.h>

#include "EncoderTestSupport.h"

namespace korvex {
namespace {

using namespace korvex::test;

const Bytes kUserLightMode =
    zerosWith(64, {{0, {0x80, 0xFF}}, {8, {0x01, 0x0F, 0x0F, 0x0F}}, {14, {0xAA, 0x55}}});

void expectModeFrame(const std::vector<Transfer>& t, std::size_t from, const Bytes& data) {
    ASSERT_GE(t.size(), from + 5);
    expectCommand(t[from], 0x18);
    expectCommand(t[from + 1], 0x13, 0x01);
    EXPECT_EQ(t[from + 2].kind, Transfer::Kind::Data);
    EXPECT_EQ(t[from + 2].bytes, data);
    expectCommand(t[from + 3], 0x02);
    expectCommand(t[from + 4], 0xF0);
}

TEST(LightMode, ModeAndItsStoredParameters) {
    lightData record;
    record.lightBytes = {99, 10, 20, 30, 99, 99, 99, 99, 1, 4, 2, 0};
    const auto t = SendLightModeData(5, record);
    ASSERT_EQ(t.size(), 5u);
    expectModeFrame(
        t, 0,
        zerosWith(
            64,
            {{0, {0x05, 0x0A, 0x14, 0x1E, 0, 0, 0, 0, 0x01, 0x04, 0x02, 0x00, 0, 0, 0xAA, 0x55}}}));
    // Without a stored record only the mode number goes out.
    expectModeFrame(SendLightModeData(19, std::nullopt), 0,
                    zerosWith(64, {{0, {19}}, {14, {0xAA, 0x55}}}));
    // A short record gives what it has.
    record.lightBytes = {0, 7, 8};
    expectModeFrame(SendLightModeData(0, record), 0,
                    zerosWith(64, {{1, {7, 8}}, {14, {0xAA, 0x55}}}));
    expectModeFrame(SendUserLightModeData(), 0, kUserLightMode);
}

TEST(UserLight, PerKeyColoursThenUserLightMode) {
    Bytes dark(kTableSize, 0);
    for (std::size_t i = 0; i < 123; ++i) dark[4 * i] = static_cast<std::uint8_t>(i);
    dark[574] = 0xAA;
    dark[575] = 0x55;

    const auto t = SendUserLightLedData({});
    ASSERT_EQ(t.size(), 10u);
    expectRunExchange(t, 0x18, 0x23, 0x09, 640, dark);
    expectCommand(t[4], 0xF0);
    expectModeFrame(t, 5, kUserLightMode);

    // The later row of a key wins; colours and keys that do not exist are
    // skipped. Each key's slot and colour bytes are ExpectedTables' to check.
    auto led = [](int code, std::int64_t rgb) { return UserLightLEDData{0, 1, code, rgb}; };
    Bytes painted = dark;
    const std::size_t o = 4 * static_cast<std::size_t>(key(4).light_index);
    painted[o + 1] = 0x12, painted[o + 2] = 0xAB, painted[o + 3] = 0x34;
    const auto p = SendUserLightLedData(
        {led(4, 0x000001), led(4, 0x12AB34), led(4, 0x1000000), led(4, -1), led(9999, 0x123456)});
    EXPECT_EQ(p.at(2).bytes, painted);
}

TEST(SystemFunctions, BoxesStoredNumbersAndTheLeftoverByte) {
    StoredSystemValues stored{"1", "0", "1", "", "1", "3"};
    const auto t = SendSystemFunctionData(systemFunctionStateFromStore(stored));
    ASSERT_EQ(t.size(), 4u);
    expectCommand(t[0], 0x18);
    expectCommand(t[1], 0x17, 0x01, 0x01);
    EXPECT_EQ(t[2].kind, Transfer::Kind::Data);
    EXPECT_EQ(t[2].bytes,
              zerosWith(64, {{0, {0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x03}}, {62, {0xAA, 0x55}}}));
    // The end report keeps the header's byte 2.
    expectCommand(t[3], 0x02, 0x00, 0x01);

    // Game mode off: the sub-switches are off on the keyboard whatever is stored.
    stored = {"0", "1", "1", "1", "", ""};
    EXPECT_EQ(SendSystemFunctionData(systemFunctionStateFromStore(stored))[2].bytes,
              zerosWith(64, {{62, {0xAA, 0x55}}}));
    stored = {"1", "1", "1", "1", "0", "255"};
    EXPECT_EQ(SendSystemFunctionData(systemFunctionStateFromStore(stored))[2].bytes,
              zerosWith(64, {{1, {1, 1, 1, 1, 0, 255}}, {62, {0xAA, 0x55}}}));
}

TEST(SystemFunctions, StoredBytesThatAreNotNumbersCountAsZero) {
    EXPECT_EQ(parseStoredByte("3"), 3);
    EXPECT_EQ(parseStoredByte("007"), 7);
    EXPECT_EQ(parseStoredByte("255"), 255);
    for (const char* bad : {"", "256", "1000", "-1", "+1", " 1", "1 ", "1a", "0x1", "1.0", "٣"})
        EXPECT_EQ(parseStoredByte(bad), 0) << bad;
}

}  // namespace
}  // namespace korvex
