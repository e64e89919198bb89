// The simulated camera's firmware server: TFTP write requests (RFC 1350,
// octet mode, 512-byte blocks; options are ignored) on the camera's own
// address, one transfer at a time, each from a port of its own. A complete
// image whose first line is "CAMFW/1 version=<text>" makes the camera restart:
// it is gone for its restart time and then answers with the new version
// (docs/camera-protocol.md, section 8).
#include "camera_server.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace {
constexpr int kBlock = 512;
constexpr qsizetype kMaxImage = 64 * 1024 * 1024;
constexpr int kIdleMs = 10000;
enum Opcode : quint16 { kRrq = 1, kWrq = 2, kData = 3, kAck = 4, kError = 5 };

QByteArray Packet(quint16 opcode, quint16 number, const QByteArray& rest = {})
{
    QByteArray p(4, '\0');
    p[0] = static_cast<char>(opcode >> 8);
    p[1] = static_cast<char>(opcode & 0xFF);
    p[2] = static_cast<char>(number >> 8);
    p[3] = static_cast<char>(number & 0xFF);
    return p + rest;
}
QByteArray ErrorPacket(quint16 code, const QByteArray& text)
{
    return Packet(kError, code, text + '\0');
}
quint16 Word(const QByteArray& d, int at)
{
    return static_cast<quint16>((static_cast<quint8>(d[at]) << 8) | static_cast<quint8>(d[at + 1]));
}
}  // namespace

struct CameraServer::TftpTransfer {
    QUdpSocket* socket = nullptr;
    QHostAddress peer;
    quint16 peerPort = 0;
    quint16 expected = 1;
    QByteArray image;
    QTimer* idle = nullptr;
};

bool CameraServer::StartTftp()
{
    tftp_ = new QUdpSocket(this);
    if (!tftp_->bind(QHostAddress(config_.address), static_cast<quint16>(config_.tftpPort),
                     QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        std::fprintf(stderr, "camsim: cannot serve firmware on %s:%d: %s\n",
                     qPrintable(config_.address), config_.tftpPort,
                     qPrintable(tftp_->errorString()));
        return false;
    }
    connect(tftp_, &QUdpSocket::readyRead, this, &CameraServer::OnTftpDatagrams);
    std::printf("camsim: camera \"%s\" firmware (TFTP) at %s:%d\n", qPrintable(config_.name),
                qPrintable(config_.address), tftp_->localPort());
    std::fflush(stdout);
    return true;
}

void CameraServer::OnTftpDatagrams()
{
    while (tftp_ && tftp_->hasPendingDatagrams()) {
        const QNetworkDatagram d = tftp_->receiveDatagram(kBlock + 4);
        if (!d.senderAddress().isLoopback() || rebooting_)
            continue;
        const QByteArray data = d.data();
        const auto reply = [&](const QByteArray& p) {
            tftp_->writeDatagram(p, d.senderAddress(), static_cast<quint16>(d.senderPort()));
        };
        if (data.size() < 4)
            continue;
        const quint16 op = Word(data, 0);
        if (op == kRrq) {
            reply(ErrorPacket(2, "firmware can only be written"));
            continue;
        }
        if (op != kWrq)
            continue;
        const QList<QByteArray> fields = data.mid(2).split('\0');
        if (fields.size() < 2 || fields[1].toLower() != "octet") {
            reply(ErrorPacket(0, "octet mode only"));
            continue;
        }
        if (transfer_) {
            reply(ErrorPacket(0, "another transfer is under way"));
            continue;
        }
        auto t = std::make_shared<TftpTransfer>();
        t->socket = new QUdpSocket(this);
        t->peer = d.senderAddress();
        t->peerPort = static_cast<quint16>(d.senderPort());
        if (!t->socket->bind(QHostAddress(config_.address), 0)) {
            delete t->socket;
            reply(ErrorPacket(0, "no port for the transfer"));
            continue;
        }
        t->idle = new QTimer(t->socket);
        t->idle->setSingleShot(true);
        t->idle->setInterval(kIdleMs);
        transfer_ = t;
        const auto end = [this, t] {
            if (transfer_ == t)
                transfer_.reset();
            t->socket->close();
            t->socket->deleteLater();
        };
        connect(t->idle, &QTimer::timeout, this, [this, end] {
            ++tftpFailures_;
            Log(QStringLiteral("firmware transfer timed out"));
            end();
        });
        connect(t->socket, &QUdpSocket::readyRead, this, [this, t, end] {
            while (t->socket->hasPendingDatagrams()) {
                const QNetworkDatagram in = t->socket->receiveDatagram(kBlock + 4);
                const QByteArray p = in.data();
                if (in.senderAddress() != t->peer || in.senderPort() != t->peerPort) {
                    t->socket->writeDatagram(ErrorPacket(5, "unknown transfer ID"),
                                             in.senderAddress(),
                                             static_cast<quint16>(in.senderPort()));
                    continue;
                }
                if (p.size() < 4)
                    continue;
                if (Word(p, 0) == kError) {
                    ++tftpFailures_;
                    end();
                    return;
                }
                if (Word(p, 0) != kData)
                    continue;
                const quint16 block = Word(p, 2);
                if (block == static_cast<quint16>(t->expected - 1)) {
                    t->socket->writeDatagram(Packet(kAck, block), t->peer, t->peerPort);
                    continue;  // our acknowledgement was lost: say it again
                }
                if (block != t->expected)
                    continue;
                t->image += p.mid(4);
                t->idle->start();
                if (t->image.size() > kMaxImage) {
                    t->socket->writeDatagram(ErrorPacket(3, "image too large"), t->peer,
                                             t->peerPort);
                    ++tftpFailures_;
                    end();
                    return;
                }
                if (p.size() - 4 == kBlock) {
                    t->socket->writeDatagram(Packet(kAck, block), t->peer, t->peerPort);
                    ++t->expected;
                    continue;
                }
                // The last block: take the image or refuse it.
                const QByteArray head = t->image.left(t->image.indexOf('\n'));
                if (!head.startsWith("CAMFW/1 version=") || head.size() <= 16) {
                    t->socket->writeDatagram(ErrorPacket(0, "not a firmware image"), t->peer,
                                             t->peerPort);
                    ++tftpFailures_;
                    Log(QStringLiteral("refused a firmware image"));
                    end();
                    return;
                }
                t->socket->writeDatagram(Packet(kAck, block), t->peer, t->peerPort);
                const QString version = QString::fromUtf8(head.mid(16).trimmed()).left(16);
                end();
                // The acknowledgement goes out before the camera goes away.
                QTimer::singleShot(100, this, [this, version] { Reboot(version); });
                return;
            }
        });
        t->socket->writeDatagram(Packet(kAck, 0), t->peer, t->peerPort);
        t->idle->start();
        Log(QStringLiteral("firmware transfer from %1").arg(t->peer.toString()));
    }
}

void CameraServer::Reboot(const QString& newVersion)
{
    Log(QStringLiteral("restarting with firmware %1 (%2 ms)")
            .arg(newVersion)
            .arg(config_.rebootMs));
    rebooting_ = true;
    const auto sockets = connections_.keys();
    for (QTcpSocket* s : sockets) {
        s->abort();
        s->deleteLater();
    }
    connections_.clear();
    server_->close();
    const quint16 udpPort = udp_ ? udp_->localPort() : 0;
    if (udp_)
        udp_->close();
    QTimer::singleShot(config_.rebootMs, this, [this, newVersion, udpPort] {
        config_.fwVersion = newVersion;
        ++firmwareUpdates_;
        server_->listen(QHostAddress(config_.address), static_cast<quint16>(config_.port));
        if (udp_)
            udp_->bind(QHostAddress(config_.address), udpPort,
                       QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
        lastJpeg_.clear();
        rebooting_ = false;
        Log(QStringLiteral("back with firmware %1").arg(newVersion));
    });
}
