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

void UploadWorker::detach() {
    std::deque<Job> dropped;
    {
        std::unique_lock lock(mutex_);
        // Under the lock, so no queued upload can start between the two.
        comm_.setDeviceStatus(0);
        dropped.swap(queue_);
        if (std::this_thread::get_id() != thread_.get_id())
            finished_.wait(lock, [&] { return !running_; });
    }
    finished_.notify_all();
    for (const Job& job : dropped) report(job, {UploadResult::Status::Dropped, 0});
}

void UploadWorker::attach(HidLink* link) {
    comm_.setDevice(link);
    comm_.setDeviceStatus(1);
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
        running_ = false;
        finished_.notify_all();
    }
    if (inBatch && listener_) {
        lock.unlock();
        listener_->queueIdle();
    }
}

}  // namespace korvex
