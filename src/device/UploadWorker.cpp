#include "device/UploadWorker.h"

#include <vector>

namespace korvex {

UploadWorker::UploadWorker(DeviceComm& comm, ReportCallback onReport,
                           LinkActivityListener* listener, std::chrono::milliseconds idleDelay)
    : comm_(comm), onReport_(std::move(onReport)), listener_(listener), idleDelay_(idleDelay) {
    thread_ = std::thread([this] { run(); });
}

UploadWorker::~UploadWorker() {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        dropped.swap(queue_);
    }
    wake_.notify_all();
    for (const Job& job : dropped) report(job, {UploadResult::Status::Dropped, 0});
    thread_.join();
}

void UploadWorker::report(const Job& job, UploadResult result) {
    if (!onReport_) return;
    onReport_(
        UploadReport{job.ticket, job.upload.kind, job.upload.target, job.upload.label, result});
}

std::uint64_t UploadWorker::submit(Upload upload) {
    std::optional<Job> superseded;
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(mutex_);
        ticket = nextTicket_++;
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (it->upload.kind == upload.kind && it->upload.target == upload.target) {
                superseded = std::move(*it);
                queue_.erase(it);
                break;  // at most one per kind and target can be queued
            }
        }
        queue_.push_back(Job{ticket, std::move(upload)});
    }
    wake_.notify_all();
    if (superseded) report(*superseded, {UploadResult::Status::Superseded, 0});
    return ticket;
}

void UploadWorker::detach(std::function<void()> release) {
    std::deque<Job> dropped;
    bool releaseNow = false;
    {
        std::lock_guard lock(mutex_);
        // Under the lock, so no queued upload can start between the two.
        comm_.setDeviceStatus(0);
        pendingLink_.reset();
        dropped.swap(queue_);
        // From the device thread itself (a report callback) nothing is
        // running any more by the time this returns.
        const bool busy = running_ && std::this_thread::get_id() != thread_.get_id();
        if (release) {
            if (busy)
                releases_.push_back(std::move(release));
            else
                releaseNow = true;
        }
    }
    finished_.notify_all();
    for (const Job& job : dropped) report(job, {UploadResult::Status::Dropped, 0});
    if (releaseNow) release();
}

void UploadWorker::attach(HidLink* link) {
    std::lock_guard lock(mutex_);
    if (running_ && std::this_thread::get_id() != thread_.get_id()) {
        pendingLink_ = link;
        return;
    }
    comm_.setDevice(link);
    comm_.setDeviceStatus(1);
}

void UploadWorker::settleLinkLocked(std::unique_lock<std::mutex>& lock) {
    // Still counted as running, so what detach and attach hand over while the
    // releases run unlocked is taken up here too.
    for (;;) {
        if (pendingLink_) {
            comm_.setDevice(*pendingLink_);
            comm_.setDeviceStatus(1);
            pendingLink_.reset();
        }
        if (releases_.empty()) return;
        std::vector<std::function<void()>> releases;
        releases.swap(releases_);
        lock.unlock();
        for (auto& release : releases) release();
        releases.clear();  // the old links go here, on this thread
        lock.lock();
    }
}

bool UploadWorker::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, timeout, [&] { return queue_.empty() && !running_; });
}

void UploadWorker::run() {
    bool inBatch = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (queue_.empty()) {
            if (stop_) break;
            if (inBatch) {
                // Keep the link claimed for a short while: uploads tend to
                // come in bursts (a slider drag).
                const bool work =
                    wake_.wait_for(lock, idleDelay_, [&] { return stop_ || !queue_.empty(); });
                if (!work || queue_.empty()) {
                    inBatch = false;
                    if (listener_) {
                        lock.unlock();
                        listener_->queueIdle();
                        lock.lock();
                    }
                }
                continue;
            }
            wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            continue;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        running_ = true;
        lock.unlock();

        if (!inBatch) {
            inBatch = true;
            if (listener_) listener_->batchStarting();
        }
        const UploadResult result = sendTransfers(comm_, job.upload.transfers);
        report(job, result);

        lock.lock();
        settleLinkLocked(lock);
        running_ = false;
        finished_.notify_all();
    }
    if (inBatch && listener_) {
        lock.unlock();
        listener_->queueIdle();
        lock.lock();
    }
    settleLinkLocked(lock);
}

}  // namespace korvex
