// The simulated camera's network set-up: the administrator datagrams by MAC
// address, the configuration record with its network flag word, the network
// change over HTTP, and the move to a new loopback address once the new
// settings are applied (docs/camera-protocol.md, sections 4.2 and 7.5).
#include "camera_server.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace {

// The camera answers after this long has passed since its answer went out.
constexpr int kMoveDelayMs = 200;
constexpr quint16 kFlagManual = 1u << 0;
constexpr quint16 kFlagDhcp = (1u << 1) | (1u << 10);

QByteArray Enc(const QString& v) { return v.toUtf8().toPercentEncoding(".-_"); }

bool IsDotted(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i)
        if (m.captured(i).toInt() > 255)
            return false;
    return true;
}

// A loopback address the camera can move to.
bool IsLoopbackAddress(const QString& text)
{
    return IsDotted(text) && QHostAddress(text).isLoopback();
}

QHash<QByteArray, QByteArray> Fields(const QList<QByteArray>& lines)
{
    QHash<QByteArray, QByteArray> out;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        if (!out.contains(key))
            out.insert(key, QByteArray::fromPercentEncoding(line.mid(eq + 1)));
    }
    return out;
}

}  // namespace

bool CameraServer::AdminSet() const
{
    return !(config_.adminId.isEmpty() && config_.adminPassword.isEmpty());
}

QString CameraServer::DhcpAddress() const
{
    if (!config_.dhcpAddress.isEmpty())
        return config_.dhcpAddress;
    return QStringLiteral("127.0.200.%1").arg(config_.mac.section(QLatin1Char('.'), 5, 5).toInt());
}

QByteArray CameraServer::ConfigRecord() const
{
    QByteArray r;
    r += "admin_id=" + Enc(config_.adminId) + "\r\n";
    r += "admin_password=" + Enc(config_.adminPassword) + "\r\n";
    r += "mask=" + Enc(config_.mask) + "\r\n";
    r += "gateway=" + Enc(config_.gateway) + "\r\n";
    r += QByteArray("dhcp=") + ((netFlags_ & kFlagDhcp) == kFlagDhcp ? "1" : "0") + "\r\n";
    r += "flags=" + QByteArray::number(netFlags_) + "\r\n";
    return r;
}

void CameraServer::HandleNetDatagram(const QHostAddress& from, quint16 port,
                                     const QByteArray& request)
{
    if (!udp_ || rebooting_ || request.size() > 1024)
        return;
    const QHash<QByteArray, QByteArray> f = Fields(request.split('\n').mid(1));
    if (QString::fromUtf8(f.value("mac")) != config_.mac)
        return;  // another camera's
    bool ok = false;
    const quint32 id = f.value("id").toUInt(&ok, 16);
    if (!ok || f.value("id").size() > 8)
        return;
    const QByteArray op = f.value("op");
    const auto proven = [&] {
        if (!AdminSet())
            return true;
        const QByteArray text = QByteArray::number(id, 16) + ':' + config_.mac.toUtf8() + ':'
                                + config_.adminId.toUtf8() + ':' + config_.adminPassword.toUtf8();
        return f.value("proof")
               == QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
    };
    QByteArray result = "ok";
    QByteArray extra;
    bool apply = false;
    if (op == "admin") {
        extra = QByteArray("admin=") + (AdminSet() ? "1" : "0") + "\r\n";
    } else if (op == "check") {
        if (!proven()) {
            result = "denied";
            ++authFailures_;
        }
    } else if (op == "set") {
        const QString ip = QString::fromUtf8(f.value("ip"));
        const QString mask = QString::fromUtf8(f.value("mask"));
        const QString gateway = QString::fromUtf8(f.value("gateway"));
        const bool dhcp = f.value("dhcp") == "1";
        if (!proven()) {
            result = "denied";
            ++authFailures_;
        } else if (!dhcp && (!IsLoopbackAddress(ip) || !IsDotted(mask) || !IsDotted(gateway))) {
            result = "invalid";
        } else {
            pending_ = {true, ip, mask, gateway, dhcp};
        }
    } else if (op == "apply") {
        if (!proven()) {
            result = "denied";
            ++authFailures_;
        } else {
            apply = true;
        }
    } else {
        result = "invalid";
    }
    Log(QStringLiteral("network %1: %2").arg(QString::fromUtf8(op), QString::fromUtf8(result)));
    const QByteArray reply = "CAMNETREPLY/1\r\nid=" + QByteArray::number(id, 16) + "\r\nmac="
                             + Enc(config_.mac) + "\r\nresult=" + result + "\r\n" + extra;
    udp_->writeDatagram(reply, from, port);
    if (apply)
        QTimer::singleShot(kMoveDelayMs, this, [this] { ApplyPending(); });
}

bool CameraServer::HandleNetworkHttp(QTcpSocket* socket, const Request& req)
{
    const QByteArray& p = req.path;
    if (p != "/api/config" && p != "/api/network")
        return false;
    if (!Authorised(socket, req, true))
        return true;
    if (configFails_) {
        Respond(socket, 503, "configuration not available\r\n");
        return true;
    }
    const QUrlQuery form(QString::fromUtf8(req.body));
    if (p == "/api/config") {
        if (req.method == "POST") {
            bool ok = false;
            const int flags = form.queryItemValue(QStringLiteral("flags")).toInt(&ok);
            if (!ok || flags < 0 || flags > 0xFFFF) {
                Respond(socket, 400, "flags out of range\r\n");
                return true;
            }
            netFlags_ = static_cast<quint16>(flags);
            pending_ = {true, config_.address, config_.mask, config_.gateway,
                        (netFlags_ & kFlagDhcp) == kFlagDhcp};
        } else if (req.method != "GET") {
            Respond(socket, 405, "GET or POST\r\n");
            return true;
        }
        Respond(socket, 200, ConfigRecord());
        return true;
    }
    if (req.method != "POST") {
        Respond(socket, 405, "POST\r\n");
        return true;
    }
    const QString ip = form.queryItemValue(QStringLiteral("ip"));
    const QString mask = form.queryItemValue(QStringLiteral("mask"));
    const QString gateway = form.queryItemValue(QStringLiteral("gateway"));
    const bool dhcp = form.queryItemValue(QStringLiteral("dhcp")) == QLatin1String("1");
    if (!dhcp && (!IsLoopbackAddress(ip) || !IsDotted(mask) || !IsDotted(gateway))) {
        Respond(socket, 400, "not a usable address\r\n");
        return true;
    }
    pending_ = {true, ip, mask, gateway, dhcp};
    Respond(socket, 200, ConfigRecord());
    QTimer::singleShot(kMoveDelayMs, this, [this] { ApplyPending(); });
    return true;
}

void CameraServer::ApplyPending()
{
    if (!pending_.valid)
        return;
    const PendingNetwork p = pending_;
    pending_ = {};
    if (p.dhcp) {
        netFlags_ = static_cast<quint16>((netFlags_ & ~kFlagManual) | kFlagDhcp);
    } else {
        netFlags_ = static_cast<quint16>((netFlags_ | kFlagManual) & ~kFlagDhcp);
        config_.mask = p.mask;
        config_.gateway = p.gateway;
    }
    const QString address = p.dhcp ? DhcpAddress() : p.ip;
    if (address != config_.address)
        MoveTo(address);
}

void CameraServer::MoveTo(const QString& address)
{
    const QString old = config_.address;
    const auto sockets = connections_.keys();
    for (QTcpSocket* s : sockets) {
        s->abort();
        s->deleteLater();
    }
    connections_.clear();
    server_->close();
    const auto port = static_cast<quint16>(config_.port);
    if (!server_->listen(QHostAddress(address), port)) {
        Log(QStringLiteral("cannot move to %1: %2").arg(address, server_->errorString()));
        server_->listen(QHostAddress(old), port);
        return;
    }
    config_.address = address;
    ++moves_;
    const auto rebind = [&](QUdpSocket* socket) {
        if (!socket)
            return;
        const quint16 udpPort = socket->localPort();
        socket->close();
        socket->bind(QHostAddress(address), udpPort,
                     QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    };
    rebind(udp_);
    rebind(tftp_);
    Log(QStringLiteral("moved from %1 to %2").arg(old, address));
}
