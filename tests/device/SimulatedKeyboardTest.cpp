#include "device/SimulatedKeyboard.h"

#include <gmock/gmock.h>

#include "FakeLink.h"
#include "device/DeviceComm.h"

namespace korvex {
namespace {

using namespace korvex::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Sim : ::testing::Test, SimRig {};

TEST_F(Sim, KeyTablesPerLayerTakeEffectAtTheEnd) {
    auto up = tableUpload(0x11, table({{16, {0x06, 0x02, 0x01, 0x05}}, {3, {0x05, 0x03, 0, 0}}}));
    // Everything but the end report: the keyboard holds nothing yet.
    sendTransfers(comm, {up.begin(), up.end() - 1});
    EXPECT_FALSE(kb.hasKeyTable(0));
    EXPECT_FALSE(kb.idle());
    send({up.back()});
    ASSERT_TRUE(kb.hasKeyTable(0));
    EXPECT_TRUE(kb.idle());

    const SimKeyEntry macro = kb.keyEntry(0, 16);
    EXPECT_EQ(
        std::tuple(macro.isMacro(), macro.macroSlot(), macro.macroPlayMode(), macro.macroLoops()),
        std::tuple(true, 2, 1, 5));
    EXPECT_TRUE(kb.keyEntry(0, 3).isDisabled());
    EXPECT_TRUE(kb.keyEntry(0, 4).isDefault());
    EXPECT_FALSE(kb.hasKeyTable(1));

    EXPECT_EQ(send(tableUpload(0x27, table({{16, {0x02, 0x02, 0x04, 0}}}))).status,
              UploadResult::Status::Sent);
    EXPECT_EQ(kb.keyEntry(1, 16), (SimKeyEntry{0x02, 0x02, 0x04, 0}));
    EXPECT_TRUE(kb.keyEntry(0, 16).isMacro());  // the other layer is untouched
    EXPECT_THAT(kb.exchanges(), ElementsAre(SimExchange::KeyTableTop, SimExchange::KeyTableFn));
    EXPECT_THAT(kb.violations(), IsEmpty());
    EXPECT_EQ(kb.writes().size(), 2u * (1 + 1 + 9 + 1));
}

TEST_F(Sim, LightingUploadsAndTheStoreReport) {
    send(modeUpload({5, 10, 20, 30, 0, 0, 0, 0, 1, 4, 2, 0}));
    EXPECT_EQ(kb.lightMode(), (SimLightMode{5, 10, 20, 30, 1, 4, 2, 0}));
    EXPECT_EQ(kb.storeCount(), 1u);

    auto leds = table({});
    for (int i = 0; i < 123; ++i) leds[4 * i] = static_cast<std::uint8_t>(i);
    leds[28] = 7, leds[29] = 0x12, leds[30] = 0xAB, leds[31] = 0x34;
    auto up = tableUpload(0x23, leds);
    up.push_back(command(0xF0));
    send(up);
    EXPECT_EQ(kb.ledColour(7), 0x12AB34u);
    EXPECT_EQ(kb.ledColour(8), 0u);
    EXPECT_EQ(kb.ledColour(130), std::nullopt);  // past the lit entries: names no index
    EXPECT_EQ(kb.storeCount(), 2u);
    EXPECT_THAT(kb.violations(), IsEmpty());

    // A store report after a key table is not a lighting store.
    send({command(0xF0)});
    auto keys = tableUpload(0x11, table({}));
    keys.push_back(command(0xF0));
    send(keys);
    EXPECT_EQ(kb.storeCount(), 2u);
    EXPECT_THAT(kb.violations(),
                ElementsAre(HasSubstr("store report outside"), HasSubstr("store report outside")));
}

TEST_F(Sim, SystemFunctionsAndMacroImageDecode) {
    std::vector<std::uint8_t> sys(64, 0);
    sys[1] = 1, sys[3] = 1, sys[5] = 1, sys[6] = 3, sys[62] = 0xAA, sys[63] = 0x55;
    send({command(0x18), command(0x17, 1, 1), {Transfer::Kind::Data, sys, 0}, command(0x02, 0, 1)});
    EXPECT_EQ(kb.systemFunctions(), (SimSystem{1, 0, 1, 0, 1, 3}));

    // Two macros, the first without events; the second: key down 4, delay 10, key up 4.
    std::vector<std::uint8_t> img(9 * 64, 0);
    for (int i = 0; i < 4; ++i) img[i] = 0xFF;
    img[4] = 0x90, img[5] = 0x01;
    const std::uint8_t body[] = {3, 0,    0,    0, 0, 0,    0, 0, 0, 0,
                                 4, 0xB0, 0x0A, 0, 0, 0x50, 0, 0, 4, 0x30};
    std::copy(std::begin(body), std::end(body), img.begin() + 400);
    img[8 * 64 - 2] = 0xAA, img[8 * 64 - 1] = 0x55;
    send({command(0x19), command(0x15, 8), {Transfer::Kind::Bulk, img, 9 * 64}, command(0x02)});
    EXPECT_THAT(kb.violations(), IsEmpty());
    EXPECT_EQ(kb.macroImage().size(), 8u * 64);
    const auto macros = kb.macros();
    ASSERT_EQ(macros.size(), 2u);
    EXPECT_TRUE(macros[0].empty);
    using K = SimMacroEvent::Kind;
    EXPECT_THAT(macros[1].events,
                ElementsAre(SimMacroEvent{K::KeyDown, 4}, SimMacroEvent{K::Delay, 10},
                            SimMacroEvent{K::KeyUp, 4}));
}

TEST_F(Sim, ProtocolViolationsAreFlaggedAndNothingBrokenIsApplied) {
    // Eight chunks where nine were announced.
    send(tableUpload(0x11, table({{1, {5, 3, 0, 0}}}), 576));
    EXPECT_FALSE(kb.hasKeyTable(0));
    // Ten chunks.
    send(tableUpload(0x11, table({}), 704));
    // No AA 55.
    auto noMarker = table({});
    noMarker[575] = 0;
    send(tableUpload(0x27, noMarker));
    EXPECT_FALSE(kb.hasKeyTable(1));
    // Data with no header before it, a header with no begin, a short report.
    send({{Transfer::Kind::Data, std::vector<std::uint8_t>(64, 0x01), 0}});
    send({command(0x23, 9)});
    const std::uint8_t shortReport[40] = {0x04, 0x18};
    kb.setFeatureReport(shortReport);

    EXPECT_THAT(kb.violations(), ElementsAre(HasSubstr("announced 9 data reports, got 8"),
                                             HasSubstr("more data reports"), HasSubstr("AA 55"),
                                             HasSubstr("data report without header"),
                                             HasSubstr("without begin"), HasSubstr("40 bytes")));
    // Only the ten-chunk table got through: its ninth chunk held the marker.
    EXPECT_THAT(kb.exchanges(), ElementsAre(SimExchange::KeyTableTop));
}

}  // namespace
}  // namespace korvex
