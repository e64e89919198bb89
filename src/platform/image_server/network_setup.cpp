#include "platform/image_server/network_setup.h"

#include "platform/image_server/discovery_protocol.h"
#include "platform/image_server/records.h"
#include "platform/image_server/tcp_stream.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray kRequestLine = "CAMNET/1";
const QByteArray kReplyLine = "CAMNETREPLY/1";

const char* OpName(NetOp op)
{
    switch (op) {
    case NetOp::Admin:
        return "admin";
    case NetOp::Check:
        return "check";
    case NetOp::Set:
        return "set";
    case NetOp::Apply:
        return "apply";
    }
    return "admin";
}

QByteArray Enc(const QString& v) { return v.toUtf8().toPercentEncoding(".-_"); }

}  // namespace

QByteArray NetProof(quint32 id, const QString& mac, const QString& user, const QString& password)
{
    const QByteArray text = QByteArray::number(id, 16) + ':' + mac.toUtf8() + ':' + user.toUtf8()
                            + ':' + password.toUtf8();
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

QByteArray MakeNetRequest(quint32 id, const NetRequest& r)
{
    QByteArray out = kRequestLine + "\r\nid=" + QByteArray::number(id, 16)
                     + "\r\nop=" + OpName(r.op) + "\r\nmac=" + Enc(r.mac) + "\r\n";
    if (r.op == NetOp::Set) {
        out += "ip=" + Enc(r.ip) + "\r\nmask=" + Enc(r.mask) + "\r\ngateway=" + Enc(r.gateway)
               + "\r\ndhcp=" + (r.dhcp ? "1" : "0") + "\r\n";
    }
    if (r.op != NetOp::Admin)
        out += "proof=" + NetProof(id, r.mac, r.user, r.password) + "\r\n";
    return out;
}

std::optional<NetReply> ParseNetReply(QByteArrayView datagram, quint32 id, const QString& mac)
{
    if (datagram.size() > kMaxNetDatagram)
        return std::nullopt;
    const QByteArray data = datagram.toByteArray();
    const qsizetype eol = data.indexOf('\n');
    if (eol < 0 || data.left(eol).trimmed() != kReplyLine)
        return std::nullopt;
    const Record r = ParseRecord(data.mid(eol + 1));
    bool ok = false;
    const quint32 replyId = r.value(QStringLiteral("id")).toUInt(&ok, 16);
    if (!ok || replyId != id || r.value(QStringLiteral("mac")) != mac)
        return std::nullopt;
    NetReply reply;
    const QString result = r.value(QStringLiteral("result"));
    if (result == QLatin1String("ok"))
        reply.result = NetResult::Ok;
    else if (result == QLatin1String("denied"))
        reply.result = NetResult::Denied;
    else if (result == QLatin1String("invalid"))
        reply.result = NetResult::Invalid;
    else
        return std::nullopt;
    const QString admin = r.value(QStringLiteral("admin"));
    if (admin != QLatin1String("0") && admin != QLatin1String("1") && !admin.isEmpty())
        return std::nullopt;
    reply.adminSet = admin == QLatin1String("1");
    return reply;
}

std::optional<NetReply> ExchangeNetRequest(const NetRequest& request,
                                           const DiscoverySettings& settings)
{
    if (!IsDottedMac(request.mac))
        return std::nullopt;
    const std::vector<QHostAddress> targets =
        settings.targets.empty() ? InterfaceBroadcastAddresses() : settings.targets;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &yes, sizeof yes);

    quint32 id = 0;
    while (id == 0)
        id = QRandomGenerator::global()->generate();
    const QByteArray datagram = MakeNetRequest(id, request);
    const auto send = [&] {
        for (const QHostAddress& t : targets) {
            if (t.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(settings.port);
            to.sin_addr.s_addr = htonl(t.toIPv4Address());
            ::sendto(fd, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                     reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
    };
    const int waitMs = std::max(0, settings.identifyMs);
    const Deadline end = DeadlineIn(waitMs);
    const Deadline resend = DeadlineIn(waitMs / 3);
    bool resent = false;
    send();
    QByteArray buffer(static_cast<int>(kMaxNetDatagram + 1), Qt::Uninitialized);
    for (;;) {
        const Deadline now = Clock::now();
        if (now >= end)
            return std::nullopt;
        if (!resent && now >= resend) {
            resent = true;
            send();
        }
        const Deadline wake = resent ? end : std::min(end, resend);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::clamp<long long>(ms + 1, 1, 60000)));
        if (ready < 0 && errno != EINTR)
            return std::nullopt;
        if (ready <= 0 || !(p.revents & POLLIN))
            continue;
        const ssize_t n = ::recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), 0);
        if (n <= 0)
            continue;
        if (auto reply = ParseNetReply(QByteArrayView(buffer.constData(), n), id, request.mac))
            return reply;
    }
}
