// A camera on loopback whose live stream never brings a picture: after the
// answer's header it sends one part that never ends, in one of three ways,
// for as long as the client reads. Plain POSIX sockets and one thread, so
// that a benchmark may run it in a child process of its own.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class EndlessCamera {
public:
    enum class Kind {
        HugeLength,     // a part that says it is 2 GB long
        NoBoundary,     // a part without length that never reaches a boundary
        EndlessHeader,  // a part header line that never ends
    };

    explicit EndlessCamera(Kind kind) : kind_(kind)
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
            || ::listen(listen_, 8) != 0
            || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        if (::pipe(stop_) != 0)
            return;
        thread_ = std::thread([this] { Serve(); });
    }

    ~EndlessCamera()
    {
        if (thread_.joinable()) {
            const char c = 0;
            [[maybe_unused]] const ssize_t w = ::write(stop_[1], &c, 1);
            thread_.join();
        }
        for (int fd : {listen_, stop_[0], stop_[1]})
            if (fd >= 0)
                ::close(fd);
    }

    EndlessCamera(const EndlessCamera&) = delete;
    EndlessCamera& operator=(const EndlessCamera&) = delete;

    int port() const { return port_; }
    int connections() const { return connections_.load(); }
    // Milliseconds from the first connection to the second (0 before).
    long long msBetweenFirstTwo() const { return between_.load(); }
    // Connections the client has closed.
    int closedByClient() const { return closed_.load(); }

private:
    // Waits until fd is ready for `events`; false when asked to stop.
    bool Wait(int fd, short events)
    {
        pollfd p[2] = {{fd, events, 0}, {stop_[0], POLLIN, 0}};
        for (;;) {
            const int r = ::poll(p, 2, -1);
            if (r < 0 && errno == EINTR)
                continue;
            return r > 0 && p[1].revents == 0;
        }
    }

    // Sends everything; false when the client has gone (or a stop came).
    bool Send(int fd, const std::string& data)
    {
        size_t done = 0;
        while (done < data.size()) {
            if (!Wait(fd, POLLOUT))
                return false;
            const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    void Serve()
    {
        const std::string junk(64 * 1024, 'x');
        for (;;) {
            if (!Wait(listen_, POLLIN))
                return;
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const auto now = std::chrono::steady_clock::now();
            if (++connections_ == 1)
                first_ = now;
            else if (connections_ == 2)
                between_ =
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - first_).count();
            // The request's header, whatever it asks.
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
                if (!Wait(fd, POLLIN))
                    break;
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<size_t>(n));
            }
            std::string head =
                "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n"
                "Connection: close\r\n\r\n--frame\r\nContent-Type: image/jpeg\r\n";
            switch (kind_) {
            case Kind::HugeLength:
                head += "Content-Length: 2147483648\r\n\r\n\xFF\xD8";
                break;
            case Kind::NoBoundary:
                head += "\r\n\xFF\xD8";
                break;
            case Kind::EndlessHeader:
                head += "X-Junk: ";
                break;
            }
            bool open = Send(fd, head);
            while (open)
                open = Send(fd, junk);
            // The client closed it (a stop ends the wait at once too).
            ++closed_;
            ::close(fd);
        }
    }

    Kind kind_;
    int listen_ = -1;
    int stop_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<int> closed_{0};
    std::chrono::steady_clock::time_point first_;  // the serving thread's only
    std::atomic<long long> between_{0};
    std::thread thread_;
};
