#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceComm.h"
#include "protocol/Transfer.h"

namespace korvex {

// Told when the worker starts using the link after a quiet spell and when the
// queue has been quiet for a while, so a USB link can claim the keyboard's
// configuration interface only while uploads run. Calls come in pairs, on the
// device thread.
class LinkActivityListener {
  public:
    virtual ~LinkActivityListener() = default;
    virtual void batchStarting() = 0;
    virtual void queueIdle() = 0;
};

// What the worker reports once per handed-over upload.
struct UploadReport {
    std::uint64_t ticket = 0;
    UploadKind kind = UploadKind::Keys;
    std::int64_t target = 0;
    std::string label;
    UploadResult result;
};

// The device thread: runs uploads one at a time, in the order they were
// handed over, through one DeviceComm.
//
// A queued upload that has not started yet is replaced when a newer one of
// the same kind and target arrives. The newer one goes to the back of the
// queue rather than into the older one's place: uploads of different kinds
// can touch the same keyboard state (a light mode upload and a user light
// upload both set the light mode), and the keyboard must end as the user's
// latest action left it.
//
// Every upload handed over gets exactly one report: sent, failed, no
// keyboard, superseded or dropped. Results of sends arrive on the device
// thread; superseded and dropped reports arrive on the thread whose submit()
// or detach() caused them. The window posts them to its own thread. The
// callback may call submit() but must not wait for the worker.
class UploadWorker {
  public:
    using ReportCallback = std::function<void(const UploadReport&)>;

    UploadWorker(DeviceComm& comm, ReportCallback onReport,
                 LinkActivityListener* listener = nullptr,
                 std::chrono::milliseconds idleDelay = std::chrono::seconds(1));
    // Drops what is still queued (reported as dropped), lets the running
    // upload finish and joins the thread.
    ~UploadWorker();
    UploadWorker(const UploadWorker&) = delete;
    UploadWorker& operator=(const UploadWorker&) = delete;

    // Queues an upload; returns its ticket. Never waits for the keyboard.
    std::uint64_t submit(Upload upload);

    // The keyboard left: nothing more goes out. Marks the link down and drops
    // the queue without waiting for the keyboard. `release` (which may
    // destroy the old link) runs on the device thread once no upload uses
    // that link any more: at once when none is running.
    void detach(std::function<void()> release = {});
    // A keyboard arrived: later uploads go to this link. While an upload of
    // the link before is still giving up, the switch waits for it on the
    // device thread, so no upload ever spans two links.
    void attach(HidLink* link);

    // Waits until nothing is queued or running. False on timeout.
    bool waitIdle(std::chrono::milliseconds timeout);

  private:
    struct Job {
        std::uint64_t ticket;
        Upload upload;
    };
    void run();
    void report(const Job& job, UploadResult result);
    // Under the lock, with no upload running: the releases and the link
    // switch that waited for it.
    void settleLinkLocked(std::unique_lock<std::mutex>& lock);

    DeviceComm& comm_;
    ReportCallback onReport_;
    LinkActivityListener* listener_;
    std::chrono::milliseconds idleDelay_;

    std::mutex mutex_;
    std::condition_variable wake_;      // new work or stop
    std::condition_variable finished_;  // a job or the queue is done
    std::deque<Job> queue_;
    bool running_ = false;  // a job is being sent
    bool stop_ = false;
    std::vector<std::function<void()>> releases_;  // waiting for the running upload
    std::optional<HidLink*> pendingLink_;          // attach waiting for it
    std::uint64_t nextTicket_ = 1;
    std::thread thread_;
};

}  // namespace korvex
