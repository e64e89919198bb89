// A TCP connection with deadlines and cancellation, for worker threads and
// bounded synchronous requests. Every call waits at most until its deadline
// and returns early when the connection's cancel token fires.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <memory>

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

inline Deadline DeadlineIn(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

// A one-shot signal another thread can fire to wake every wait at once.
class CancelToken {
public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void Cancel();
    bool IsCancelled() const;
    int Fd() const { return fd_; }  // readable once cancelled

private:
    int fd_ = -1;
};

enum class IoResult { Ok, Closed, TimedOut, Cancelled, Failed };

class TcpStream {
public:
    TcpStream() = default;
    ~TcpStream();
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    // Resolves host (an address literal or a name) and connects.
    IoResult Connect(const QString& host, int port, Deadline deadline, const CancelToken* cancel);
    IoResult SendAll(const QByteArray& data, Deadline deadline, const CancelToken* cancel);
    // Reads what is available (at most maxBytes), waiting for at least one byte.
    IoResult ReadSome(QByteArray& out, int maxBytes, Deadline deadline, const CancelToken* cancel);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    QString LastError() const { return error_; }

private:
    // Waits until fd_ is ready for `events` (POLLIN/POLLOUT).
    IoResult Wait(short events, Deadline deadline, const CancelToken* cancel);

    int fd_ = -1;
    QString error_;
};
