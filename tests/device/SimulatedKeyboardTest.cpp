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

    EXPECT_EQ(kb.keyEntry(0, 16), (SimKeyEntry{0x06, 0x02, 0x01, 0x05}));
    EXPECT_TRUE(kb.keyEntry(0, 3).isDisabled());
    EXPECT_FALSE(kb.hasKeyTable(1));

    EXPECT_EQ(send(tableUpload(0x27, table({{16, {0x02, 0x02, 0x04, 0}}}))).status,
              UploadResult::Status::Sent);
    EXPECT_EQ(kb.keyEntry(1, 16), (SimKeyEntry{0x02, 0x02, 0x04, 0}));
    EXPECT_TRUE(kb.keyEntry(0, 16).isMacro());  // the other layer is untouched
    EXPECT_THAT(kb.exchanges(), ElementsAre(SimExchange::KeyTableTop, SimExchange::KeyTableFn));
    EXPECT_THAT(kb.violations(), IsEmpty());
}

// A store report belongs after the lighting exchanges only.
TEST_F(Sim, LightingUploadsAndTheStoreReport) {
    send(modeUpload({5, 10, 20, 30, 0, 0, 0, 0, 1, 4, 2, 0}));
    EXPECT_EQ(kb.lightMode(), (SimLightMode{5, 10, 20, 30, 1, 4, 2, 0}));
    auto leds = tableUpload(0x23, table({}));
    leds.push_back(command(0xF0));
    send(leds);
    EXPECT_THAT(kb.violations(), IsEmpty());

    send({command(0xF0)});
    auto keys = tableUpload(0x11, table({}));
    keys.push_back(command(0xF0));
    send(keys);
    EXPECT_THAT(kb.violations(),
                ElementsAre(HasSubstr("store report outside"), HasSubstr("store report outside")));
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
