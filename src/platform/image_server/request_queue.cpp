#include "platform/image_server/request_queue.h"

#include <QMetaObject>

RequestQueue::RequestQueue(QObject* receiver) : receiver_(receiver), thread_([this] { Loop(); }) {}

RequestQueue::~RequestQueue()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        jobs_.clear();
    }
    cancel_.Cancel();
    cv_.notify_all();
    thread_.join();
}

void RequestQueue::Push(Job job, int kind, int maxPending)
{
    {
        std::lock_guard lock(mutex_);
        int same = 0;
        for (const auto& j : jobs_)
            same += j.first == kind;
        if (same >= maxPending) {
            for (auto it = jobs_.begin(); it != jobs_.end(); ++it)
                if (it->first == kind) {
                    jobs_.erase(it);
                    break;
                }
        }
        jobs_.emplace_back(kind, std::move(job));
    }
    cv_.notify_one();
}

int RequestQueue::Pending() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(jobs_.size()) + (running_ ? 1 : 0);
}

void RequestQueue::Loop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
            if (quit_)
                return;
            job = std::move(jobs_.front().second);
            jobs_.pop_front();
            running_ = true;
        }
        std::function<void()> done;
        try {
            done = job(cancel_);
        } catch (...) {
            done = nullptr;  // a failing job reports nothing; the queue goes on
        }
        std::lock_guard lock(mutex_);
        running_ = false;
        if (done && !quit_)
            QMetaObject::invokeMethod(receiver_, std::move(done), Qt::QueuedConnection);
    }
}
