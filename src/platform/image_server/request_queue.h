// Runs camera requests one after another on a thread of their own, for the
// members that must return at once (pan/tilt, asynchronous identify and
// configuration). Results come back to the GUI thread through the receiver.
#pragma once

#include "platform/image_server/tcp_stream.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class RequestQueue {
public:
    // A job runs on the queue's thread; it gets the cancel token and returns
    // what to run on the GUI thread afterwards (may be empty).
    using Job = std::function<std::function<void()>(const CancelToken&)>;

    explicit RequestQueue(QObject* receiver);
    ~RequestQueue();  // cancels what runs, drops what waits

    // `kind` groups jobs: when more than `maxPending` of a kind wait, the
    // oldest waiting one is dropped.
    void Push(Job job, int kind = 0, int maxPending = 1000);
    int Pending() const;

private:
    void Loop();

    QObject* receiver_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::pair<int, Job>> jobs_;
    bool running_ = false;  // a job is being run
    bool quit_ = false;
    CancelToken cancel_;
    std::thread thread_;
};
