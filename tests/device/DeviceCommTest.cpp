#include "device/DeviceComm.h"

#include <gtest/gtest.h>

#include <chrono>

#include "FakeLink.h"

namespace korvex {
namespace {

using namespace korvex::test;

Bytes command65() {
    Bytes c = command(0x18).bytes;
    c[64] = 0x77;  // the 65th byte never goes out
    return c;
}

Bytes counting(std::size_t n) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i / 64 + 1);
    return v;
}

struct Fixture : ::testing::Test {
    Journal journal;
    CountingClock clock{&journal};
    ScriptedLink link{&journal};
    DeviceComm comm{&link, &clock};
};

// Only 0xFF in byte 3 of a good read asks for the command again, once, with
// the read's length; every failure on the way is reported.
TEST(CommandReport, OutcomeOfEachAnswer) {
    using A = ScriptedLink::Answer;
    struct Case {
        const char* name;
        std::vector<A> answers;
        int failSetAt;
        std::size_t size;
        bool ok;
        std::vector<std::size_t> writes;
        int gets;
    };
    const A repeat{answerWithByte3(0xFF)};
    const Case cases[] = {
        {"00 ends it", {{answerWithByte3(0x00)}}, -1, 65, true, {64}, 1},
        {"FE ends it", {{answerWithByte3(0xFE)}}, -1, 65, true, {64}, 1},
        {"one repeat only", {repeat, repeat}, -1, 65, true, {64, 64}, 2},
        {"repeat has the read length", {A{repeat.bytes, 40}}, -1, 65, true, {64, 40}, 2},
        {"failed write: no read", {}, 0, 65, false, {64}, 0},
        {"failed read: no repeat", {A{repeat.bytes, 64, false}}, -1, 65, false, {64}, 1},
        {"failed repeat write", {repeat}, 1, 65, false, {64, 64}, 1},
        {"shorter than a report", {}, -1, 63, false, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Journal journal;
        CountingClock clock(&journal);
        ScriptedLink link(&journal);
        DeviceComm comm(&link, &clock);
        link.answers.assign(c.answers.begin(), c.answers.end());
        link.failSetAt = c.failSetAt;
        Bytes data = command65();
        data.resize(c.size);
        EXPECT_EQ(comm.sendDeviceData(data), c.ok);
        std::vector<std::size_t> writes;
        for (const Bytes& s : link.sets) {
            writes.push_back(s.size());
            EXPECT_EQ(s, Bytes(data.begin(), data.begin() + s.size()));
        }
        EXPECT_EQ(writes, c.writes);
        EXPECT_EQ(link.gets, c.gets);
        // Writes and reads in turn, each after a full pause of its own.
        ASSERT_EQ(journal.size(), 2 * (writes.size() + c.gets));
        for (std::size_t i = 0; i < journal.size(); ++i)
            EXPECT_EQ(journal[i], i % 2 ? (i % 4 == 1 ? "set" : "get") : "pause 8000000");
    }
}

TEST_F(Fixture, DetachedLinkMakesEverySendANoOp) {
    comm.setDeviceStatus(0);
    const auto bulk = counting(640);
    EXPECT_FALSE(comm.sendDeviceData(command65()));
    EXPECT_FALSE(comm.sendBulkRun(bulk, 640).linkUp);
    EXPECT_FALSE(comm.sendDataReport(bulk));
    EXPECT_TRUE(journal.empty());  // no pause and no platform call

    comm.setDeviceStatus(1);
    link.answers.push_back({answerWithByte3(0)});
    EXPECT_TRUE(comm.sendDeviceData(command65()));
}

TEST_F(Fixture, BulkRunSendsOneChunkFewerThanTheLengthCovers) {
    const auto data = counting(640);
    EXPECT_TRUE(comm.sendBulkRun(data, 640).complete);
    ASSERT_EQ(link.sets.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(link.sets[i], Bytes(data.begin() + 64 * i, data.begin() + 64 * (i + 1)));
    EXPECT_EQ(link.gets, 0);
    EXPECT_EQ(clock.pauses, 9);

    // Lengths short of two chunks send nothing; data shorter than the run is refused.
    link.sets.clear();
    for (std::size_t length : {0, 10, 64, 127})
        EXPECT_TRUE(comm.sendBulkRun(data, length).complete);
    EXPECT_FALSE(comm.sendBulkRun(counting(500), 640).complete);  // 640 needs 576 bytes
    EXPECT_TRUE(link.sets.empty());

    // A lone data report is one write without read-back, after a pause.
    const int pauses = clock.pauses;
    EXPECT_TRUE(comm.sendDataReport(counting(64)));
    EXPECT_EQ(link.sets.size(), 1u);
    EXPECT_EQ(link.gets, 0);
    EXPECT_EQ(clock.pauses, pauses + 1);

    // A failed chunk ends the run.
    link.sets.clear();
    link.failSetAt = 2;
    const BulkRunResult r = comm.sendBulkRun(counting(640), 640);
    EXPECT_EQ(link.sets.size(), 3u);
    EXPECT_TRUE(r.linkUp);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.chunksSent, 2u);
}

TEST(SteadyPause, NeverReturnsEarly) {
    using Clock = std::chrono::steady_clock;
    SteadyPauseClock clock;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        clock.pause(std::chrono::milliseconds(8));
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(8));
    }
}

}  // namespace
}  // namespace korvex
