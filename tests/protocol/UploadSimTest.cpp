// Encoders against the simulated keyboard: what the keyboard ends up holding,
// not only which bytes went out.

#include <gtest/gtest.h>

#include "../device/FakeLink.h"
#include "EncoderTestSupport.h"
#include "device/DeviceComm.h"
#include "device/SimulatedKeyboard.h"

namespace korvex {
namespace {

using namespace korvex::test;

struct UploadSim : ::testing::Test, SimRig {
    std::size_t expectedViolations = 0;
    void TearDown() override {
        EXPECT_EQ(kb.violations().size(), expectedViolations);
        EXPECT_TRUE(kb.idle());
    }
};

TEST_F(UploadSim, FullMacroImageFitsTheKeyboard) {
    const auto m = SaveMacroToKeyboard({macro(1)}, fullImageRows());
    ASSERT_EQ(m.status, MacroImageStatus::Ready);
    ASSERT_EQ(send(m.upload.transfers), UploadResult{});
    EXPECT_EQ(clock.pauses, 2 * 3 + 50 + 2);  // two extra gaps
    ASSERT_EQ(kb.macros().size(), 1u);
    EXPECT_EQ(kb.macros()[0].events.size(), 682u);
}

TEST_F(UploadSim, RepeatAskedAndFailedTransfer) {
    const KeyInfo& k = key(4);
    kb.askForRepeat(1);  // the header
    ASSERT_EQ(send(SendKeyMacroData(0, {row(k.code, 2)}, {})), UploadResult{});
    EXPECT_TRUE(kb.keyEntry(0, k.key_index).isDisabled());
    EXPECT_EQ(kb.transferCount(), 3u * 2 + 2 + 9);

    // A chunk of the next table is lost: the keyboard keeps the old table.
    const std::size_t start = kb.transferCount();
    kb.failTransfer(start + 4 + 3);
    const UploadResult r = send(SendKeyMacroData(0, {row(k.code, 3, 5)}, {}));
    EXPECT_EQ(r, (UploadResult{UploadResult::Status::Failed, 2}));
    EXPECT_TRUE(kb.keyEntry(0, k.key_index).isDisabled());
    expectedViolations = 1;  // the short run, seen at the end report
}

}  // namespace
}  // namespace korvex
