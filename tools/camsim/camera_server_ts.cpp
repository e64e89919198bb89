// The protocol-3 side of a simulated camera: viewer tickets handed out by the
// probe, the H.264 MPEG-TS stream, and the sound channel (a tone) for
// protocol-3 and protocol-4 cameras. See docs/camera-protocol.md.
#include "camera_server.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <chrono>

namespace {
constexpr qsizetype kMaxGroupBytes = 8 * 1024 * 1024;  // one picture group kept for joiners
constexpr qint64 kBehindBytes = 2 * 1024 * 1024;       // a client this far behind resyncs
constexpr int kMaxTickets = 32;
constexpr int kMaxOpenedChannels = 32;
const QByteArray kPartBoundary = "camframe";

qint64 NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The log-in text of a Basic authorization ("" when there is none).
QByteArray LogInText(const QByteArray& authorization)
{
    if (!authorization.startsWith("Basic "))
        return {};
    const QByteArray pair = QByteArray::fromBase64(authorization.mid(6).trimmed());
    const qsizetype colon = pair.indexOf(':');
    return colon < 0 ? QByteArray() : pair.mid(colon + 1);
}
}  // namespace

bool CameraServer::TicketOk(const QByteArray& authorization) const
{
    if (!authorization.startsWith("Basic "))
        return false;
    const QByteArray pair = QByteArray::fromBase64(authorization.mid(6).trimmed());
    const qsizetype colon = pair.indexOf(':');
    if (colon < 0)
        return false;
    bool ok = false;
    const quint32 ticket = pair.left(colon).toUInt(&ok);
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,16}$"));
    return ok && tickets_.contains(ticket)
           && digits.match(QString::fromLatin1(pair.mid(colon + 1))).hasMatch();
}

bool CameraServer::HandleCompressed(QTcpSocket* socket, const Request& req)
{
    const QByteArray& p = req.path;
    if (p == "/api/viewer") {
        if (config_.protocol != 3) {
            Respond(socket, 404, "no such resource\r\n");
        } else if (Authorised(socket, req)) {
            quint32 ticket = 0;
            while (ticket == 0)
                ticket = QRandomGenerator::global()->bounded(1u, 0x7FFFFFFFu);
            tickets_.append(ticket);
            while (tickets_.size() > kMaxTickets)
                tickets_.removeFirst();
            Respond(socket, 200,
                    "stream_port=" + QByteArray::number(config_.port)
                        + "\r\nticket=" + QByteArray::number(ticket) + "\r\n");
        }
        return true;
    }
    if (p == "/api/audio/open") {
        if (config_.protocol != 3 && config_.protocol != 4) {
            Respond(socket, 404, "no such resource\r\n");
        } else if (Authorised(socket, req)) {
            const QByteArray text =
                config_.protocol == 3 ? LogInText(req.headers.value("authorization")) : "any";
            if (!audioOpened_.contains(text))
                audioOpened_.append(text);
            while (audioOpened_.size() > kMaxOpenedChannels)
                audioOpened_.removeFirst();
            Respond(socket, 200, {});
        }
        return true;
    }
    const bool ts = p == "/api/stream.ts";
    if (!ts && p != "/api/audio")
        return false;
    if (config_.protocol != 3) {
        Respond(socket, 404, "no such resource\r\n");
        return true;
    }
    if (!Authorised(socket, req, false, true))
        return true;
    Connection& c = connections_[socket];
    if (!ts) {
        // The sound of a log-in text whose channel the camera's client opened.
        const QByteArray text = LogInText(req.headers.value("authorization"));
        if (!config_.password.isEmpty() && !audioOpened_.contains(text)) {
            Respond(socket, 403, "the sound channel is not open\r\n");
            return true;
        }
        c.streaming = true;
        c.kind = StreamKind::Audio;
        c.audioL16 = req.query.queryItemValue(QStringLiteral("codec")) == QLatin1String("l16");
        socket->write(
            "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=" + kPartBoundary
            + "\r\nCache-Control: no-cache\r\nConnection: close\r\nServer: camsim\r\n\r\n");
        Log(QStringLiteral("sound to %1").arg(socket->peerAddress().toString()));
        return true;
    }
    ++streamRequests_;
    if (!ts_)
        ts_ = std::make_unique<TsEncoder>(NowUs());
    c.streaming = true;
    c.kind = StreamKind::Ts;
    c.tsJoined = false;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4 * 1024 * 1024);
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nX-Timestamp-Us: "
                  + QByteArray::number(ts_->OriginUs())
                  + "\r\nCache-Control: no-cache\r\nConnection: close\r\nServer: camsim\r\n\r\n");
    Log(QStringLiteral("H.264 stream to %1").arg(socket->peerAddress().toString()));
    return true;
}

void CameraServer::TickCompressed()
{
    QList<QTcpSocket*> ts, sound;
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (!it.value().streaming)
            continue;
        if (it.value().kind == StreamKind::Ts)
            ts << it.key();
        else if (it.value().kind == StreamKind::Audio || it.value().kind == StreamKind::MjpegAudio)
            sound << it.key();
    }
    if (!ts.isEmpty() && ts_) {
        const QString clock =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QImage img =
            scene_.Render(state_, config_.name, counter_, clock, static_cast<int>(counter_));
        const qint64 captureUs = NowUs();
        bool key = false;
        QByteArray bytes = ts_->Encode(img, captureUs, frameRate_, key);
        if (!ts_->Error().isEmpty())
            Log(QStringLiteral("encoder: %1").arg(ts_->Error()));
        if (key)
            tsGroup_.clear();
        if (tsGroup_.size() + bytes.size() <= kMaxGroupBytes)
            tsGroup_ += bytes;
        if (state_.motion && motionFirstUs_ == 0)
            motionFirstUs_ = captureUs;
        ++tsPictures_;
        if (corruptLeft_ > 0 && !bytes.isEmpty()) {
            --corruptLeft_;
            if (corruptKind_ == Corrupt::Truncated) {
                bytes.truncate(bytes.size() / 2);
            } else {
                for (char& ch : bytes)
                    ch = static_cast<char>(QRandomGenerator::global()->bounded(256));
            }
        }
        for (QTcpSocket* s : ts) {
            Connection& c = connections_[s];
            if (s->bytesToWrite() > kBehindBytes) {
                c.tsJoined = false;  // it starts again at the next key frame
                ++framesSkipped_;
                continue;
            }
            if (!c.tsJoined) {
                // A joiner gets the picture group so far, which starts with a key frame.
                if (tsGroup_.isEmpty())
                    continue;
                s->write(tsGroup_);
                c.tsJoined = true;
            } else {
                s->write(bytes);
            }
            ++framesSent_;
        }
    }
    if (!sound.isEmpty()) {
        qint64 firstUs = 0;
        const QByteArray l16 = tone_.Samples(NowUs(), firstUs);
        if (l16.isEmpty())
            return;
        const QByteArray ulaw = ToneSource::ToMuLaw(l16);
        for (QTcpSocket* s : sound) {
            const bool pcm = connections_.value(s).audioL16;
            const QByteArray& body = pcm ? l16 : ulaw;
            s->write(
                "--" + kPartBoundary + "\r\nContent-Type: "
                + (pcm ? QByteArray("audio/L16; rate=8000; channels=1") : QByteArray("audio/basic"))
                + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nX-Timestamp-Us: "
                + QByteArray::number(firstUs) + "\r\n\r\n" + body + "\r\n");
            ++audioParts_;
        }
    }
}
