#include "platform/image_server/tcp_stream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

CancelToken::CancelToken() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CancelToken::~CancelToken()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void CancelToken::Cancel()
{
    const uint64_t one = 1;
    if (fd_ >= 0) [[maybe_unused]]
        auto n = ::write(fd_, &one, sizeof one);
}

bool CancelToken::IsCancelled() const
{
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

TcpStream::~TcpStream() { Close(); }

void TcpStream::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

IoResult TcpStream::Wait(short events, Deadline deadline, const CancelToken* cancel)
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return IoResult::TimedOut;
        pollfd fds[2] = {{fd_, events, 0}, {cancel ? cancel->Fd() : -1, POLLIN, 0}};
        const int n =
            ::poll(fds, cancel ? 2 : 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error_ = QString::fromLocal8Bit(std::strerror(errno));
            return IoResult::Failed;
        }
        if (cancel && (fds[1].revents & POLLIN))
            return IoResult::Cancelled;
        if (n > 0 && fds[0].revents)
            return IoResult::Ok;
    }
}

IoResult TcpStream::Connect(const QString& host, int port, Deadline deadline,
                            const CancelToken* cancel)
{
    Close();
    if (port <= 0 || port > 65535) {
        error_ = QStringLiteral("bad port %1").arg(port);
        return IoResult::Failed;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const QByteArray h = host.trimmed().toUtf8();
    const QByteArray p = QByteArray::number(port);
    if (h.isEmpty() || ::getaddrinfo(h.constData(), p.constData(), &hints, &list) != 0 || !list) {
        error_ = QStringLiteral("cannot resolve %1").arg(host);
        return IoResult::Failed;
    }
    IoResult result = IoResult::Failed;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        fd_ = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                       ai->ai_protocol);
        if (fd_ < 0)
            continue;
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(fd_, ai->ai_addr, ai->ai_addrlen) == 0) {
            result = IoResult::Ok;
            break;
        }
        if (errno != EINPROGRESS) {
            error_ = QString::fromLocal8Bit(std::strerror(errno));
            Close();
            continue;
        }
        result = Wait(POLLOUT, deadline, cancel);
        if (result == IoResult::Ok) {
            int err = 0;
            socklen_t len = sizeof err;
            ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
            if (err == 0)
                break;
            error_ = QString::fromLocal8Bit(std::strerror(err));
            result = IoResult::Failed;
        }
        Close();
        if (result == IoResult::Cancelled || result == IoResult::TimedOut)
            break;
    }
    ::freeaddrinfo(list);
    if (result != IoResult::Ok)
        Close();
    return result;
}

IoResult TcpStream::SendAll(const QByteArray& data, Deadline deadline, const CancelToken* cancel)
{
    qsizetype sent = 0;
    while (sent < data.size()) {
        if (fd_ < 0)
            return IoResult::Failed;
        const ssize_t n = ::send(fd_, data.constData() + sent,
                                 static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const IoResult r = Wait(POLLOUT, deadline, cancel);
            if (r != IoResult::Ok)
                return r;
            continue;
        }
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return errno == EPIPE || errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
    }
    return IoResult::Ok;
}

IoResult TcpStream::ReadSome(QByteArray& out, int maxBytes, Deadline deadline,
                             const CancelToken* cancel)
{
    if (fd_ < 0)
        return IoResult::Failed;
    for (;;) {
        const qsizetype old = out.size();
        out.resize(old + maxBytes);
        const ssize_t n = ::recv(fd_, out.data() + old, static_cast<size_t>(maxBytes), 0);
        if (n > 0) {
            out.resize(old + n);
            return IoResult::Ok;
        }
        out.resize(old);
        if (n == 0)
            return IoResult::Closed;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const IoResult r = Wait(POLLIN, deadline, cancel);
            if (r != IoResult::Ok)
                return r;
            continue;
        }
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
    }
}
