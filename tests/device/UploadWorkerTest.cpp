#include "device/UploadWorker.h"

#include <gmock/gmock.h>

#include <atomic>
#include <map>
#include <random>
#include <semaphore>

#include "FakeLink.h"
#include "device/SimulatedKeyboard.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
using namespace korvex::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A pause clock that can hold the device thread in its next pause, so tests
// can line up a queue behind the upload it is in.
class GateClock final : public PauseClock {
  public:
    void pause(std::chrono::nanoseconds) override {
        if (!held_.exchange(false)) return;
        arrived_.release();
        open_.acquire();
    }
    void hold() { held_ = true; }
    void waitUntilHeld() { arrived_.acquire(); }
    void release() { open_.release(); }

  private:
    std::atomic<bool> held_{false};
    std::binary_semaphore arrived_{0}, open_{0};
};

// A key table upload whose key 1 entry carries `mark`, so each upload can be
// recognised on the keyboard.
Upload keys(std::int64_t profile, std::uint8_t mark) {
    return {UploadKind::Keys, profile, tableUpload(0x11, table({{1, {0x02, 0, mark, 0}}})),
            "keys " + std::to_string(mark)};
}

Upload light(std::uint8_t mode) {
    return {UploadKind::LightMode, 0, modeUpload({mode}), "light " + std::to_string(mode)};
}

struct Reports {
    std::mutex m;
    std::vector<UploadReport> all;
    void add(const UploadReport& r) {
        std::lock_guard lock(m);
        all.push_back(r);
    }
    std::vector<std::string> labelsWith(UploadResult::Status s) {
        std::lock_guard lock(m);
        std::vector<std::string> out;
        for (auto& r : all)
            if (r.result.status == s) out.push_back(r.label);
        return out;
    }
};

struct Worker : ::testing::Test {
    GateClock clock;
    SimulatedKeyboard kb;
    DeviceComm comm{&kb, &clock};
    Reports reports;
};

// Uploads queued behind a running one: of each kind and target only the
// latest is sent, the others are superseded, and what is sent goes out in the
// order of its ticket (one that replaces another goes behind the rest).
TEST_F(Worker, QueuedUploadsAreSupersededByTheLatestOfTheirKindAndTargetAndSentInOrder) {
    std::map<std::uint64_t, Upload> submitted;
    std::mt19937 rng(5);
    std::uint8_t lastKeys = 0, lastLight = 0;
    {
        UploadWorker worker(comm, [&](const UploadReport& r) { reports.add(r); });
        clock.hold();
        for (int i = 0; i < 300; ++i) {
            const bool isKeys = rng() % 2;
            const auto mark = static_cast<std::uint8_t>(isKeys ? i : i % 20);
            Upload u = isKeys ? keys(1 + rng() % 3, mark) : light(mark);
            (isKeys ? lastKeys : lastLight) = mark;
            u.label = std::to_string(i);
            const auto t = worker.submit(u);
            submitted[t] = u;
            if (i == 0) clock.waitUntilHeld();  // the first runs, the rest queue behind it
        }
        clock.release();
        ASSERT_TRUE(worker.waitIdle(10s));
    }
    // One report per upload.
    std::map<std::uint64_t, UploadResult> byTicket;
    for (auto& r : reports.all) EXPECT_TRUE(byTicket.emplace(r.ticket, r.result).second);
    ASSERT_EQ(byTicket.size(), submitted.size());
    std::uint64_t lastSent = 0;
    for (auto& r : reports.all) {
        const Upload& u = submitted[r.ticket];
        const bool later = std::any_of(
            submitted.upper_bound(r.ticket), submitted.end(),
            [&](auto& s) { return s.second.kind == u.kind && s.second.target == u.target; });
        const bool first = r.ticket == submitted.begin()->first;
        EXPECT_EQ(r.result.status,
                  later && !first ? UploadResult::Status::Superseded : UploadResult::Status::Sent)
            << r.label;
        if (r.result.status != UploadResult::Status::Sent) continue;
        EXPECT_GT(r.ticket, lastSent) << r.label;
        lastSent = r.ticket;
    }
    EXPECT_EQ(kb.exchanges().size(), 5u);  // the first and the latest of four targets
    EXPECT_EQ(kb.keyEntry(0, 1).b2, lastKeys);
    EXPECT_EQ(kb.lightMode()->mode, lastLight);
    EXPECT_THAT(kb.violations(), IsEmpty());
}

// Detach never waits for the keyboard: the link is let go of on the device
// thread once the running upload has given up.
TEST_F(Worker, DetachDropsTheQueueAndNothingGoesOutAfterwards) {
    UploadWorker worker(comm, [&](const UploadReport& r) { reports.add(r); });
    clock.hold();
    worker.submit(keys(1, 1));
    clock.waitUntilHeld();  // held before the first write
    worker.submit(keys(2, 2));
    worker.submit(light(4));
    const auto writesBefore = kb.writes().size();
    std::atomic<bool> released{false};
    std::thread::id releasedOn;
    worker.detach([&] {
        releasedOn = std::this_thread::get_id();
        released = true;
    });
    EXPECT_FALSE(released);  // the upload in flight still uses the link
    clock.release();
    ASSERT_TRUE(worker.waitIdle(5s));
    EXPECT_TRUE(released);
    EXPECT_NE(releasedOn, std::this_thread::get_id());

    EXPECT_EQ(kb.writes().size(), writesBefore);
    EXPECT_THAT(reports.labelsWith(UploadResult::Status::Dropped),
                ElementsAre("keys 2", "light 4"));
    EXPECT_THAT(reports.labelsWith(UploadResult::Status::NoKeyboard), ElementsAre("keys 1"));

    // While detached an upload reports no keyboard; after attach it goes out.
    worker.submit(keys(1, 3));
    ASSERT_TRUE(worker.waitIdle(5s));
    EXPECT_EQ(kb.writes().size(), writesBefore);
    worker.attach(&kb);
    worker.submit(keys(1, 5));
    ASSERT_TRUE(worker.waitIdle(5s));
    EXPECT_EQ(kb.keyEntry(0, 1).b2, 5);
    EXPECT_THAT(reports.labelsWith(UploadResult::Status::Sent), ElementsAre("keys 5"));
}

// Called on the device thread only, and read once that is joined.
struct CountingListener : LinkActivityListener {
    std::vector<std::string> calls;
    void batchStarting() override { calls.push_back("start"); }
    void queueIdle() override { calls.push_back("idle"); }
};

TEST_F(Worker, ListenerHearsOfBatchesInPairs) {
    CountingListener listener;
    {
        UploadWorker worker(comm, {}, &listener, 30ms);
        worker.submit(keys(1, 1));
        worker.submit(light(1));
        ASSERT_TRUE(worker.waitIdle(5s));
        std::this_thread::sleep_for(150ms);  // past the idle delay: the next is a new batch
        worker.submit(light(2));
        ASSERT_TRUE(worker.waitIdle(5s));
    }
    EXPECT_THAT(listener.calls, ElementsAre("start", "idle", "start", "idle"));
}

}  // namespace
}  // namespace korvex
