#include "device/DeviceComm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>

#include "FakeLink.h"

namespace korvex {
namespace {

using test::answerWithByte3;
using test::CountingClock;
using test::Journal;
using test::ScriptedLink;

std::vector<std::uint8_t> command65() {
    std::vector<std::uint8_t> c(65, 0);
    c[0] = 0x04;
    c[1] = 0x18;
    c[64] = 0x77;  // the 65th byte never goes out
    return c;
}

std::vector<std::uint8_t> counting(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i / 64 + 1);
    return v;
}

struct Fixture : ::testing::Test {
    Journal journal;
    CountingClock clock{&journal};
    ScriptedLink link{&journal};
    DeviceComm comm{&link, &clock};
};

using CommandReport = Fixture;

TEST_F(CommandReport, TakenAtOnceIsOneWriteOneReadEachAfterAPause) {
    link.answers.push_back({answerWithByte3(0x00)});
    auto data = command65();
    const auto before = data;
    EXPECT_TRUE(comm.sendDeviceData(data));
    ASSERT_EQ(link.sets.size(), 1u);
    EXPECT_EQ(link.sets[0], std::vector<std::uint8_t>(data.begin(), data.begin() + 64));
    EXPECT_EQ(link.gets, 1);
    EXPECT_EQ(journal.events,
              (std::vector<std::string>{"pause 8000000", "set", "pause 8000000", "get"}));
    EXPECT_EQ(data, before);
}

TEST_F(CommandReport, AnythingButFFInByte3EndsTheCommand) {
    for (std::uint8_t b3 : {0x00, 0xFE, 0x01}) {
        ScriptedLink l;
        DeviceComm c(&l, &clock);
        l.answers.push_back({answerWithByte3(b3)});
        EXPECT_TRUE(c.sendDeviceData(command65()));
        EXPECT_EQ(l.sets.size(), 1u) << int(b3);
        EXPECT_EQ(l.gets, 1);
    }
}

TEST_F(CommandReport, RepeatAskedIsExactlyOneRepeatWithTheReadLength) {
    link.answers.push_back({answerWithByte3(0xFF), 64});
    link.answers.push_back({answerWithByte3(0xFF), 64});  // a second 0xFF is not looked at
    auto data = command65();
    const auto before = data;
    EXPECT_TRUE(comm.sendDeviceData(data));
    ASSERT_EQ(link.sets.size(), 2u);
    EXPECT_EQ(link.sets[1], link.sets[0]);
    EXPECT_EQ(link.gets, 2);
    EXPECT_EQ(clock.pauses, 4);
    EXPECT_EQ(data, before);  // the answers differ from the data; the caller's bytes do not change

    // A short read that still carried 0xFF: the repeat has the read's length.
    ScriptedLink shortLink;
    DeviceComm c(&shortLink, &clock);
    shortLink.answers.push_back({answerWithByte3(0xFF), 40});
    EXPECT_TRUE(c.sendDeviceData(command65()));
    ASSERT_EQ(shortLink.sets.size(), 2u);
    EXPECT_EQ(shortLink.sets[1].size(), 40u);
}

TEST_F(CommandReport, FailuresAreReported) {
    // Failed write: no read follows.
    link.failSetAt = 0;
    EXPECT_FALSE(comm.sendDeviceData(command65()));
    EXPECT_EQ(link.gets, 0);

    // Failed read: no repeat, even if the buffer happened to hold 0xFF.
    ScriptedLink l2;
    DeviceComm c2(&l2, &clock);
    l2.answers.push_back({answerWithByte3(0xFF), 64, false});
    EXPECT_FALSE(c2.sendDeviceData(command65()));
    EXPECT_EQ(l2.sets.size(), 1u);

    // Failed repeat write.
    ScriptedLink l3;
    DeviceComm c3(&l3, &clock);
    l3.failSetAt = 1;
    l3.answers.push_back({answerWithByte3(0xFF)});
    EXPECT_FALSE(c3.sendDeviceData(command65()));
    EXPECT_EQ(l3.gets, 1);

    // Shorter than a report: nothing goes out.
    ScriptedLink l4;
    DeviceComm c4(&l4, &clock);
    EXPECT_FALSE(c4.sendDeviceData(std::vector<std::uint8_t>(63, 4)));
    EXPECT_TRUE(l4.sets.empty());
}

TEST_F(Fixture, DetachedLinkMakesEverySendANoOp) {
    comm.setDeviceStatus(0);
    const auto bulk = counting(640);
    EXPECT_FALSE(comm.sendDeviceData(command65()));
    EXPECT_FALSE(comm.sendDeviceData(bulk, 640));
    EXPECT_FALSE(comm.sendDataReport(bulk));
    EXPECT_TRUE(journal.events.empty());  // no pause and no platform call

    comm.setDeviceStatus(1);
    link.answers.push_back({answerWithByte3(0)});
    EXPECT_TRUE(comm.sendDeviceData(command65()));
}

using BulkRun = Fixture;

TEST_F(BulkRun, SendsOneChunkFewerThanTheLengthCovers) {
    const auto data = counting(640);
    const auto before = data;
    std::vector<std::string> log;
    comm.setChunkLog([&](const std::string& line) { log.push_back(line); });
    EXPECT_TRUE(comm.sendDeviceData(data, 640));
    ASSERT_EQ(link.sets.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(link.sets[i],
                  std::vector<std::uint8_t>(data.begin() + 64 * i, data.begin() + 64 * (i + 1)));
    EXPECT_EQ(link.gets, 0);
    EXPECT_EQ(clock.pauses, 9);
    EXPECT_EQ(data, before);
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[2].rfind("newArr-2 03 03", 0), 0u);
    EXPECT_EQ(log[2].size(), std::string("newArr-2").size() + 64 * 3);
}

TEST_F(BulkRun, ShortLengthsSendNothing) {
    const auto data = counting(640);
    for (std::size_t length : {0, 10, 64, 127}) {
        EXPECT_TRUE(comm.sendDeviceData(data, length));
        EXPECT_TRUE(comm.sendBulkRun(data, length).complete);
    }
    EXPECT_TRUE(link.sets.empty());
}

TEST_F(BulkRun, FailedChunkStopsTheRunButStillReportsTrue) {
    const auto data = counting(640);
    link.failSetAt = 2;
    EXPECT_TRUE(comm.sendDeviceData(data, 640));
    EXPECT_EQ(link.sets.size(), 3u);

    ScriptedLink l2;
    DeviceComm c2(&l2, &clock);
    l2.failSetAt = 2;
    const BulkRunResult r = c2.sendBulkRun(data, 640);
    EXPECT_TRUE(r.linkUp);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.chunksSent, 2u);
}

TEST_F(BulkRun, DataShorterThanTheRunIsRefusedUnsent) {
    const auto data = counting(500);  // a length of 640 would need 576 bytes
    EXPECT_FALSE(comm.sendBulkRun(data, 640).complete);
    EXPECT_TRUE(link.sets.empty());
}

TEST_F(Fixture, LoneDataReportIsOneWriteWithoutReadBack) {
    const auto data = counting(64);
    EXPECT_TRUE(comm.sendDataReport(data));
    EXPECT_EQ(link.sets.size(), 1u);
    EXPECT_EQ(link.gets, 0);
    EXPECT_EQ(clock.pauses, 1);
}

TEST(TransferList, ReportsTheFirstFailureAndStillClosesTheExchange) {
    CountingClock clock;
    ScriptedLink link;
    DeviceComm comm(&link, &clock);
    std::vector<Transfer> list = {
        {Transfer::Kind::Command, command65(), 0},
        {Transfer::Kind::Bulk, counting(640), 640},
        {Transfer::Kind::Data, counting(64), 0},
        {Transfer::Kind::Command, command65(), 0},
    };
    EXPECT_EQ(sendTransfers(comm, list), (UploadResult{UploadResult::Status::Sent, 0}));
    EXPECT_EQ(link.sets.size(), 1u + 9 + 1 + 1);

    link.sets.clear();
    link.failSetAt = 3;  // the third chunk of the run
    EXPECT_EQ(sendTransfers(comm, list), (UploadResult{UploadResult::Status::Failed, 1}));
    EXPECT_EQ(link.sets.size(), 1u + 3 + 1 + 1);  // the rest of the list still went out

    comm.setDeviceStatus(0);
    link.sets.clear();
    EXPECT_EQ(sendTransfers(comm, list), (UploadResult{UploadResult::Status::NoKeyboard, 0}));
    EXPECT_TRUE(link.sets.empty());
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
