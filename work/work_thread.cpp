#include "work/work_thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <thread>

#include <QMetaObject>
#include <QObject>

// Shared by the thread and its owner, so that a thread left to end by itself still has it.
struct WorkThread::Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> jobs;
    bool busy = false;
    bool stopping = false;
    bool ended = false;
    std::thread thread;

    void work() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (jobs.empty()) break;  // stopping, with everything run
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            busy = true;
            lock.unlock();
            job();
            job = nullptr;  // what it held goes here, on this thread
            lock.lock();
            busy = false;
            changed.notify_all();
        }
        ended = true;
        changed.notify_all();
    }
};

WorkThread::WorkThread() : queue_(std::make_shared<Queue>()) {
    queue_->thread = std::thread([queue = queue_] { queue->work(); });
}

WorkThread::~WorkThread() {
    if (!left_) stop(-1);
}

void WorkThread::post(std::function<void()> job) {
    {
        std::lock_guard lock(queue_->mutex);
        queue_->jobs.push_back(std::move(job));
    }
    queue_->changed.notify_all();
}

void WorkThread::flush() {
    std::unique_lock lock(queue_->mutex);
    queue_->changed.wait(lock, [this] { return (queue_->jobs.empty() && !queue_->busy) || queue_->ended; });
}

bool WorkThread::stop(int waitMs) {
    std::unique_lock lock(queue_->mutex);
    queue_->stopping = true;
    queue_->changed.notify_all();
    const auto ended = [this] { return queue_->ended; };
    if (waitMs < 0)
        queue_->changed.wait(lock, ended);
    else if (!queue_->changed.wait_for(lock, std::chrono::milliseconds(waitMs), ended)) {
        if (queue_->thread.joinable()) queue_->thread.detach();
        left_ = true;
        return false;
    }
    lock.unlock();
    if (queue_->thread.joinable()) queue_->thread.join();
    return true;
}

void ReplyChannel::send(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    // A call still queued when the receiver goes is dropped with it.
    if (receiver_) QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
}

void ReplyChannel::close() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
}
