#include "camera_server.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <chrono>
#include <cstdio>
#include <turbojpeg.h>

namespace {

constexpr qsizetype kMaxRequestHeader = 16 * 1024;
constexpr qsizetype kMaxRequestBody = 64 * 1024;
const QByteArray kBoundary = "camframe";

const QSize kResolutions[] = {{160, 120}, {320, 240}, {640, 480}, {1280, 720}};

QByteArray Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray Enc(const QString& v) { return v.toUtf8().toPercentEncoding(" .,:/()-_~@+"); }

// A protocol-3 camera's log-in: the user name is the authentication string of
// its user and password (hex SHA-256 of "user:password"), the password a log-in
// text of 4 to 16 digits. Sent with Basic authentication.
bool ViewerLogInOk(const QByteArray& authorization, const QString& user, const QString& password)
{
    if (!authorization.startsWith("Basic "))
        return false;
    const QByteArray pair = QByteArray::fromBase64(authorization.mid(6).trimmed());
    const qsizetype colon = pair.indexOf(':');
    if (colon < 0)
        return false;
    const QByteArray expected = QCryptographicHash::hash(user.toUtf8() + ':' + password.toUtf8(),
                                                         QCryptographicHash::Sha256)
                                    .toHex();
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,16}$"));
    return pair.left(colon) == expected
           && digits.match(QString::fromLatin1(pair.mid(colon + 1))).hasMatch();
}

qint64 WallUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CameraServer::CameraServer(SimCameraConfig config, bool quiet, int discoveryPort)
    : config_(std::move(config)), quiet_(quiet), scene_(config_.seed), discoveryPort_(discoveryPort)
{
    state_.frameSize = config_.size;
    frameRate_ = config_.fps;
}

CameraServer::~CameraServer()
{
    if (encoder_)
        tjDestroy(static_cast<tjhandle>(encoder_));
}

void CameraServer::Log(const QString& text) const
{
    if (!quiet_)
        std::fprintf(stderr, "camsim [%s] %s\n", qPrintable(config_.name), qPrintable(text));
}

int CameraServer::Listen()
{
    encoder_ = tjInitCompress();
    // Protocol-3 log-ins carry a text the camera cannot know beforehand: Basic only.
    auth_ = std::make_unique<SimAuth>(
        QStringLiteral("camera"), config_.protocol == 3 ? QStringLiteral("basic") : config_.auth);
    server_ = new QTcpServer(this);
    server_->setMaxPendingConnections(256);
    if (!server_->listen(QHostAddress(config_.address), static_cast<quint16>(config_.port))) {
        std::fprintf(stderr, "camsim: cannot listen on %s:%d: %s\n", qPrintable(config_.address),
                     config_.port, qPrintable(server_->errorString()));
        return -1;
    }
    config_.port = server_->serverPort();
    if (discoveryPort_ > 0) {
        // Searches sent to this camera's address arrive here; broadcasts reach
        // the listener every camera shares (main.cpp), which hands them on.
        udp_ = new QUdpSocket(this);
        if (!udp_->bind(QHostAddress(config_.address), static_cast<quint16>(discoveryPort_),
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
            std::fprintf(stderr, "camsim: cannot answer searches on %s:%d: %s\n",
                         qPrintable(config_.address), discoveryPort_,
                         qPrintable(udp_->errorString()));
            return -1;
        }
        connect(udp_, &QUdpSocket::readyRead, this, &CameraServer::OnSearchDatagrams);
    }
    // The first picture builds the scene and loads the fonts; do it now so
    // that the stream starts at once.
    lastJpeg_ = RenderJpeg(0, 0);
    connect(server_, &QTcpServer::newConnection, this, &CameraServer::OnNewConnection);
    if (config_.tftpPort >= 0 && !StartTftp())
        return -1;
    ticker_ = new QTimer(this);
    ticker_->setTimerType(Qt::PreciseTimer);
    connect(ticker_, &QTimer::timeout, this, &CameraServer::Tick);
    ApplyFrameRate();
    ticker_->start();
    return config_.port;
}

void CameraServer::Shutdown()
{
    if (ticker_)
        ticker_->stop();
    if (server_)
        server_->close();
    if (udp_)
        udp_->close();
    if (tftp_)
        tftp_->close();
    const auto sockets = connections_.keys();
    for (QTcpSocket* s : sockets) {
        s->abort();
        s->deleteLater();
    }
    connections_.clear();
}

void CameraServer::ApplyFrameRate()
{
    if (ticker_)
        ticker_->setInterval(std::max(1, 1000 / std::clamp(frameRate_, 1, 60)));
}

void CameraServer::OnNewConnection()
{
    while (QTcpSocket* s = server_->nextPendingConnection()) {
        connections_.insert(s, Connection{});
        connect(s, &QTcpSocket::readyRead, this, [this, s] { OnReadyRead(s); });
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            connections_.remove(s);
            s->deleteLater();
        });
    }
}

void CameraServer::OnReadyRead(QTcpSocket* socket)
{
    auto it = connections_.find(socket);
    if (it == connections_.end())
        return;
    Connection& c = it.value();
    if (c.streaming || c.answered) {
        socket->readAll();  // nothing more is expected on this connection
        return;
    }
    c.buffer += socket->readAll();
    qsizetype end = c.buffer.indexOf("\r\n\r\n");
    qsizetype sep = 4;
    if (end < 0) {
        end = c.buffer.indexOf("\n\n");
        sep = 2;
    }
    if (end < 0) {
        if (c.buffer.size() > kMaxRequestHeader) {
            c.answered = true;
            Respond(socket, 431, "header too large\r\n");
        }
        return;
    }
    Request req;
    const QList<QByteArray> lines = c.buffer.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3 || !first[2].startsWith("HTTP/1.")) {
        c.answered = true;
        Respond(socket, 400, "bad request line\r\n");
        return;
    }
    req.method = first[0];
    req.target = first[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            req.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const qint64 length = req.headers.value("content-length", "0").toLongLong();
    if (length < 0 || length > kMaxRequestBody) {
        c.answered = true;
        Respond(socket, 400, "body too large\r\n");
        return;
    }
    if (c.buffer.size() < end + sep + length)
        return;  // wait for the body
    req.body = c.buffer.mid(end + sep, length);
    c.buffer.clear();
    c.answered = true;
    // Absolute form (through a proxy): keep the path.
    QByteArray pathAndQuery = req.target;
    if (pathAndQuery.startsWith("http://")) {
        const qsizetype slash = pathAndQuery.indexOf('/', 7);
        pathAndQuery = slash < 0 ? QByteArray("/") : pathAndQuery.mid(slash);
    }
    const qsizetype q = pathAndQuery.indexOf('?');
    req.path = q < 0 ? pathAndQuery : pathAndQuery.left(q);
    req.query = QUrlQuery(q < 0 ? QString() : QString::fromUtf8(pathAndQuery.mid(q + 1)));
    req.target = pathAndQuery;

    // Fault commands are answered at once, whatever other faults are set.
    if (req.path.startsWith("/sim/")) {
        Dispatch(socket, req);
        return;
    }
    if (hang_)
        return;  // the connection stays open and silent
    if (slowMs_ > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(slowMs_, this, [this, guard, req] {
            if (guard && connections_.contains(guard.data()))
                Handle(guard.data(), req);
        });
        return;
    }
    Handle(socket, req);
}

void CameraServer::Respond(QTcpSocket* socket, int status, const QByteArray& body,
                           const QByteArray& type, const QList<QByteArray>& extra)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
    out += "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: close\r\nServer: camsim\r\n";
    for (const QByteArray& h : extra)
        out += h + "\r\n";
    out += "\r\n" + body;
    socket->write(out);
    socket->disconnectFromHost();
}

bool CameraServer::Authorised(QTcpSocket* socket, const Request& req, bool admin, bool ticket)
{
    const QString& user = admin ? config_.adminId : config_.user;
    const QString& password = admin ? config_.adminPassword : config_.password;
    if (!refuse_ && user.isEmpty() && password.isEmpty())
        return true;  // no account set: open to anyone
    bool stale = false;
    const QByteArray authz = req.headers.value("authorization");
    if (!refuse_ && !authz.isEmpty()) {
        const auto proves = [&](const QString& u, const QString& p) {
            return config_.protocol == 3 ? ViewerLogInOk(authz, u, p) || (ticket && TicketOk(authz))
                                         : auth_->Check(authz, req.method, req.target, u, p, stale);
        };
        // The administrator may also do what the viewer may.
        if (proves(user, password)
            || (!admin && !(config_.adminId.isEmpty() && config_.adminPassword.isEmpty())
                && proves(config_.adminId, config_.adminPassword)))
            return true;
    }
    if (!authz.isEmpty() && !stale)
        ++authFailures_;
    QList<QByteArray> extra;
    for (const QByteArray& c : auth_->Challenges(stale))
        extra << "WWW-Authenticate: " + c;
    Respond(socket, 401, "authentication required\r\n", "text/plain; charset=utf-8", extra);
    return false;
}

QByteArray CameraServer::IdentityRecord() const
{
    QByteArray r;
    r += "name=" + Enc(config_.name) + "\r\n";
    r += "model=" + Enc(config_.model) + "\r\n";
    r += "mac=" + Enc(config_.mac) + "\r\n";
    r += "fw_version=" + Enc(config_.fwVersion) + "\r\n";
    r += "hw_version=" + Enc(config_.hwVersion) + "\r\n";
    r += "rom_version=" + Enc(config_.romVersion) + "\r\n";
    r += "location=" + Enc(config_.location) + "\r\n";
    r += "protocol=" + QByteArray::number(config_.protocol) + "\r\n";
    r += "capability=" + QByteArray::number(config_.panTilt ? 16 : 0) + "\r\n";
    r += "port=" + QByteArray::number(config_.port) + "\r\n";
    r += "web_port=" + QByteArray::number(config_.webPort > 0 ? config_.webPort : config_.port)
         + "\r\n";
    r += "ip=" + Enc(config_.address) + "\r\n";
    r += "mask=" + Enc(config_.mask) + "\r\n";
    r += "gateway=" + Enc(config_.gateway) + "\r\n";
    return r;
}

int CameraServer::ResolutionCode() const
{
    for (int i = 0; i < 4; ++i)
        if (kResolutions[i] == state_.frameSize)
            return i;
    return 2;
}

QByteArray CameraServer::ImageRecord() const
{
    QByteArray r;
    r += "resolution=" + QByteArray::number(ResolutionCode()) + "\r\n";
    r += "compression=" + QByteArray::number(compression_) + "\r\n";
    r += "framerate=" + QByteArray::number(frameRate_) + "\r\n";
    r += "brightness=" + QByteArray::number(state_.brightness) + "\r\n";
    r += "contrast=" + QByteArray::number(state_.contrast) + "\r\n";
    r += "hue=" + QByteArray::number(state_.hue) + "\r\n";
    r += "lightfreq=" + QByteArray::number(lightFreq_) + "\r\n";
    return r;
}

QByteArray CameraServer::StateRecord() const
{
    QByteArray r;
    r += "pan=" + QByteArray::number(state_.panStep) + "\r\n";
    r += "tilt=" + QByteArray::number(state_.tiltStep) + "\r\n";
    r += "motion=" + QByteArray::number(state_.motion ? 1 : 0) + "\r\n";
    r += "motion_on_us=" + QByteArray::number(motionOnUs_) + "\r\n";
    r += "motion_first_us=" + QByteArray::number(motionFirstUs_) + "\r\n";
    r += "frames=" + QByteArray::number(counter_) + "\r\n";
    r += "frames_sent=" + QByteArray::number(framesSent_) + "\r\n";
    r += "frames_skipped=" + QByteArray::number(framesSkipped_) + "\r\n";
    r += "stream_requests=" + QByteArray::number(streamRequests_) + "\r\n";
    r += "auth_failures=" + QByteArray::number(authFailures_) + "\r\n";
    r += "search_requests=" + QByteArray::number(searchRequests_) + "\r\n";
    r += "search_answers=" + QByteArray::number(searchAnswers_) + "\r\n";
    int streams = 0;
    for (const Connection& c : connections_)
        streams += c.streaming;
    r += "streams=" + QByteArray::number(streams) + "\r\n";
    r += "ts_pictures=" + QByteArray::number(tsPictures_) + "\r\n";
    r += "audio_parts=" + QByteArray::number(audioParts_) + "\r\n";
    QByteArray log;
    for (int code : ptzLog_)
        log += (log.isEmpty() ? "" : ",") + QByteArray::number(code);
    r += "ptz_log=" + log + "\r\n";
    r += "alarm_out=" + QByteArray::number(alarmOut_ ? 1 : 0) + "\r\n";
    r += "alarm_switches=" + QByteArray::number(alarmSwitches_) + "\r\n";
    r += "address=" + Enc(config_.address) + "\r\nport=" + QByteArray::number(config_.port)
         + "\r\nname=" + Enc(config_.name) + "\r\nfw_version=" + Enc(config_.fwVersion)
         + "\r\nmoves=" + QByteArray::number(moves_) + "\r\nflags=" + QByteArray::number(netFlags_)
         + "\r\ntftp_port=" + QByteArray::number(tftp_ ? tftp_->localPort() : -1)
         + "\r\nfirmware_updates=" + QByteArray::number(firmwareUpdates_) + "\r\ntftp_failures="
         + QByteArray::number(tftpFailures_) + "\r\nweb_posts=" + QByteArray::number(webPosts_)
         + "\r\nuser=" + Enc(config_.user) + "\r\npassword=" + Enc(config_.password) + "\r\n";
    return r + ImageRecord();
}

void CameraServer::Dispatch(QTcpSocket* socket, const Request& req)
{
    const auto flag = [&](bool& target) {
        target = req.query.queryItemValue(QStringLiteral("on")) != QLatin1String("0");
    };
    const QByteArray& p = req.path;
    if (p == "/sim/motion") {
        const bool was = state_.motion;
        flag(state_.motion);
        if (state_.motion && !was) {
            motionOnUs_ = WallUs();
            motionFirstUs_ = 0;
        }
    } else if (p == "/sim/refuse") {
        flag(refuse_);
    } else if (p == "/sim/stall") {
        flag(stall_);
    } else if (p == "/sim/hang") {
        flag(hang_);
    } else if (p == "/sim/slow") {
        slowMs_ = std::clamp(req.query.queryItemValue(QStringLiteral("ms")).toInt(), 0, 600000);
    } else if (p == "/sim/drop") {
        const auto sockets = connections_.keys();
        for (QTcpSocket* s : sockets)
            if (connections_.value(s).streaming)
                s->abort();
    } else if (p == "/sim/corrupt") {
        const QString kind = req.query.queryItemValue(QStringLiteral("kind"));
        corruptKind_ = kind == QLatin1String("truncated")   ? Corrupt::Truncated
                       : kind == QLatin1String("badlength") ? Corrupt::BadLength
                       : kind == QLatin1String("huge")      ? Corrupt::Huge
                                                            : Corrupt::Garbage;
        const QString count = req.query.queryItemValue(QStringLiteral("count"));
        corruptLeft_ = count.isEmpty() ? 1 : std::clamp(count.toInt(), 0, 1000);
    } else if (p == "/sim/configfail") {
        flag(configFails_);
    } else if (p == "/sim/discovery") {
        const QString mode = req.query.queryItemValue(QStringLiteral("mode"));
        searchMode_ = mode == QLatin1String("silent")      ? SearchMode::Silent
                      : mode == QLatin1String("slow")      ? SearchMode::Slow
                      : mode == QLatin1String("malformed") ? SearchMode::Malformed
                                                           : SearchMode::Normal;
        searchSlowMs_ =
            std::clamp(req.query.queryItemValue(QStringLiteral("ms")).toInt(), 0, 600000);
        malformedKind_ = req.query.queryItemValue(QStringLiteral("kind")).toLatin1();
    } else if (p == "/sim/state") {
        Respond(socket, 200, StateRecord());
        return;
    } else {
        Respond(socket, 404, "unknown command\r\n");
        return;
    }
    Log(QStringLiteral("fault command %1").arg(QString::fromUtf8(req.target)));
    Respond(socket, 200, StateRecord());
}

void CameraServer::Handle(QTcpSocket* socket, const Request& req)
{
    const QByteArray& p = req.path;
    if (p == "/api/identity") {
        Respond(socket, 200, IdentityRecord());
        return;
    }
    if (HandleCompressed(socket, req) || HandleNetworkHttp(socket, req)
        || HandleWebPage(socket, req))
        return;
    static const QList<QByteArray> known = {"/api/login", "/api/config",       "/api/image",
                                            "/api/ptz",   "/api/snapshot.jpg", "/api/stream.mjpg",
                                            "/api/alarm"};
    if (!known.contains(p)) {
        Respond(socket, 404, "no such resource\r\n");
        return;
    }
    // The viewer of a protocol-3 camera switches the alarm output with its ticket.
    if (!Authorised(socket, req, p == "/api/config", p == "/api/alarm"))
        return;
    if (p == "/api/login") {
        Respond(socket, 200, {});
    } else if (p == "/api/config" && configFails_) {
        Respond(socket, 503, "configuration not available\r\n");
    } else if (p == "/api/config") {
        Respond(socket, 200, ConfigRecord());
    } else if (p == "/api/image") {
        if (req.method == "POST") {
            const QUrlQuery form(QString::fromUtf8(req.body));
            struct Field {
                const char* key;
                int lo, hi;
                int value;
            };
            Field f[] = {
                {"resolution", 0, 3, ResolutionCode()}, {"compression", 0, 4, compression_},
                {"framerate", 1, 30, frameRate_},       {"brightness", 0, 128, state_.brightness},
                {"contrast", 0, 128, state_.contrast},  {"hue", 0, 128, state_.hue},
                {"lightfreq", 0, 1, lightFreq_}};
            bool changedSize = false;
            for (Field& x : f) {
                const QString key = QString::fromLatin1(x.key);
                if (!form.hasQueryItem(key))
                    continue;
                bool ok = false;
                const int v = form.queryItemValue(key).toInt(&ok);
                if (!ok || v < x.lo || v > x.hi) {
                    Respond(socket, 400, "value out of range: " + QByteArray(x.key) + "\r\n");
                    return;
                }
                if (key == QLatin1String("resolution"))
                    changedSize = v != x.value;
                x.value = v;
            }
            if (changedSize)
                state_.frameSize = kResolutions[f[0].value];
            compression_ = f[1].value;
            frameRate_ = f[2].value;
            state_.brightness = f[3].value;
            state_.contrast = f[4].value;
            state_.hue = f[5].value;
            lightFreq_ = f[6].value;
            ApplyFrameRate();
            lastJpeg_.clear();
        } else if (req.method != "GET") {
            Respond(socket, 405, "GET or POST\r\n");
            return;
        }
        Respond(socket, 200, ImageRecord());
    } else if (p == "/api/ptz") {
        bool ok = false;
        const int code = req.query.queryItemValue(QStringLiteral("code")).toInt(&ok);
        if (!config_.panTilt) {
            Respond(socket, 403, "this camera cannot pan or tilt\r\n");
            return;
        }
        const int m = SceneState::kMaxSteps;
        switch (ok ? code : -1) {
        case 1:
            state_.tiltStep = std::max(-m, state_.tiltStep - 1);
            break;
        case 7:
            state_.tiltStep = std::min(m, state_.tiltStep + 1);
            break;
        case 3:
            state_.panStep = std::max(-m, state_.panStep - 1);
            break;
        case 5:
            state_.panStep = std::min(m, state_.panStep + 1);
            break;
        case 4:
            state_.panStep = state_.tiltStep = 0;
            break;
        case 52:
            break;
        default:
            Respond(socket, 400, "unknown pan/tilt code\r\n");
            return;
        }
        ptzLog_.append(code);
        while (ptzLog_.size() > 100)
            ptzLog_.removeFirst();
        lastJpeg_.clear();
        Respond(socket, 200, {});
    } else if (p == "/api/alarm") {
        const QString out = req.query.queryItemValue(QStringLiteral("out"));
        if (out != QLatin1String("0") && out != QLatin1String("1")) {
            Respond(socket, 400, "out must be 0 or 1\r\n");
            return;
        }
        alarmOut_ = out == QLatin1String("1");
        if (alarmOut_) {
            // On for the alarm time from the last switch, then off by itself.
            const qint64 nth = ++alarmSwitches_;
            QTimer::singleShot(kAlarmTimeMs, this, [this, nth] {
                if (alarmSwitches_ == nth)
                    alarmOut_ = false;
            });
        }
        Respond(socket, 200, {});
    } else if (p == "/api/snapshot.jpg") {
        Respond(socket, 200, CurrentJpeg(), "image/jpeg");
    } else if (p == "/api/stream.mjpg") {
        StartStream(socket);
        if (req.query.queryItemValue(QStringLiteral("audio")) == QLatin1String("1")) {
            Connection& c = connections_[socket];
            c.kind = StreamKind::MjpegAudio;
            c.audioL16 = req.query.queryItemValue(QStringLiteral("codec")) == QLatin1String("l16");
        }
    }
}

void CameraServer::StartStream(QTcpSocket* socket)
{
    ++streamRequests_;
    connections_[socket].streaming = true;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4 * 1024 * 1024);
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary="
                  + kBoundary
                  + "\r\nCache-Control: no-cache\r\nConnection: close\r\nServer: camsim\r\n\r\n");
    Log(QStringLiteral("stream to %1").arg(socket->peerAddress().toString()));
}

QByteArray CameraServer::RenderJpeg(qint64 counter, int phase)
{
    const QString clock =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const QImage img = scene_.Render(state_, config_.name, counter, clock, phase);
    const int quality = 90 - compression_ * 10;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int pf = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    QByteArray jpeg;
    if (tjCompress2(static_cast<tjhandle>(encoder_), img.constBits(), img.width(),
                    static_cast<int>(img.bytesPerLine()), img.height(), pf, &out, &size, TJSAMP_420,
                    quality, TJFLAG_FASTDCT)
        == 0)
        jpeg = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    if (out)
        tjFree(out);
    return jpeg;
}

QByteArray CameraServer::CurrentJpeg()
{
    if (lastJpeg_.isEmpty())
        lastJpeg_ = RenderJpeg(counter_, static_cast<int>(counter_));
    return lastJpeg_;
}

void CameraServer::Tick()
{
    QList<QTcpSocket*> streams;
    bool any = false;
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        any = any || it.value().streaming;
        if (it.value().streaming
            && (it.value().kind == StreamKind::Mjpeg || it.value().kind == StreamKind::MjpegAudio))
            streams << it.key();
    }
    if (!any || stall_)
        return;
    ++counter_;
    TickCompressed();
    if (streams.isEmpty())
        return;
    // A client that cannot keep up misses pictures instead of queueing them;
    // when no client can take one, the picture is not even made.
    const auto behind = [](QTcpSocket* s, qint64 limit) { return s->bytesToWrite() > limit; };
    if (corruptLeft_ == 0) {
        const qint64 roughLimit = 512 * 1024;
        bool anyReady = false;
        for (QTcpSocket* s : streams)
            anyReady = anyReady || !behind(s, roughLimit);
        if (!anyReady) {
            framesSkipped_ += streams.size();
            return;
        }
    }
    QByteArray jpeg;
    if (config_.loopFrames > 0) {
        if (!(loopState_ == state_) || loop_.size() != static_cast<size_t>(config_.loopFrames)) {
            loop_.assign(static_cast<size_t>(config_.loopFrames), QByteArray());
            loopState_ = state_;
        }
        const auto i = static_cast<size_t>(counter_ % config_.loopFrames);
        if (loop_[i].isEmpty())
            loop_[i] = RenderJpeg(static_cast<qint64>(i), static_cast<int>(i));
        jpeg = loop_[i];
    } else {
        jpeg = RenderJpeg(counter_, static_cast<int>(counter_));
    }
    lastJpeg_ = jpeg;

    QByteArray body = jpeg;
    QByteArray lengthField = QByteArray::number(jpeg.size());
    const bool corrupt = corruptLeft_ > 0;
    if (corrupt) {
        --corruptLeft_;
        switch (corruptKind_) {
        case Corrupt::Garbage:
            body = QByteArray(jpeg.size(), '\0');
            for (char& ch : body)
                ch = static_cast<char>(QRandomGenerator::global()->bounded(256));
            body[0] = 'G';  // never a JPEG start
            lengthField = QByteArray::number(body.size());
            break;
        case Corrupt::Truncated:
            body = jpeg.left(jpeg.size() / 2);
            lengthField = QByteArray::number(body.size());
            break;
        case Corrupt::BadLength:
            lengthField = QByteArray::number(jpeg.size() * 3 + 1000);
            break;
        case Corrupt::Huge:
            body = QByteArray(20 * 1024 * 1024, 'x');
            body[0] = static_cast<char>(0xFF);
            body[1] = static_cast<char>(0xD8);
            lengthField = QByteArray::number(body.size());
            break;
        case Corrupt::None:
            break;
        }
    }
    const qint64 captureUs = WallUs();
    const QByteArray part =
        "--" + kBoundary + "\r\nContent-Type: image/jpeg\r\nContent-Length: " + lengthField
        + "\r\nX-Timestamp-Us: " + QByteArray::number(captureUs)
        + "\r\nX-Frame: " + QByteArray::number(counter_) + "\r\n\r\n" + body + "\r\n";
    const qint64 limit = std::max<qint64>(2 * part.size(), 512 * 1024);
    for (QTcpSocket* s : streams) {
        if (behind(s, limit) && !corrupt) {
            ++framesSkipped_;
            continue;
        }
        s->write(part);
        ++framesSent_;
        if (state_.motion && motionFirstUs_ == 0)
            motionFirstUs_ = captureUs;
    }
}

// ---------------------------------------------------------------- discovery

void CameraServer::OnSearchDatagrams()
{
    while (udp_ && udp_->hasPendingDatagrams()) {
        const QNetworkDatagram d = udp_->receiveDatagram(8192);
        // Only this machine is ever answered.
        if (!d.senderAddress().isLoopback())
            continue;
        AnswerSearch(d.senderAddress(), static_cast<quint16>(d.senderPort()), d.data());
    }
}

QByteArray CameraServer::SearchAnswer(const QByteArray& id)
{
    QByteArray answer = "CAMFOUND/1\r\nid=" + id + "\r\n";
    if (searchMode_ != SearchMode::Malformed)
        return answer + IdentityRecord();
    if (malformedKind_ == "mac")
        return answer + IdentityRecord().replace("mac=" + Enc(config_.mac), "mac=0.30.140.1.2");
    if (malformedKind_ == "huge")
        return answer + "name=" + QByteArray(6000, 'x') + "\r\n" + IdentityRecord();
    if (malformedKind_ == "wrongid")
        return "CAMFOUND/1\r\nid=" + QByteArray::number(id.toUInt(nullptr, 16) ^ 1u, 16) + "\r\n"
               + IdentityRecord();
    // garbage: not a camera's answer at all
    QByteArray junk(300, '\0');
    for (char& c : junk)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    junk[0] = 'J';
    return junk;
}

void CameraServer::AnswerSearch(const QHostAddress& from, quint16 port, const QByteArray& request)
{
    if (!udp_ || rebooting_ || request.size() > 4096)
        return;
    const QList<QByteArray> lines = request.split('\n');
    if (lines.value(0).trimmed() == "CAMNET/1") {
        HandleNetDatagram(from, port, request);
        return;
    }
    if (lines.value(0).trimmed() != "CAMSEARCH/1")
        return;
    QByteArray id;
    QString filter;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith("id=") && id.isEmpty())
            id = line.mid(3);
        else if (line.startsWith("ip=") && filter.isEmpty())
            filter = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(3))).trimmed();
    }
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
    if (!hex.match(QString::fromLatin1(id)).hasMatch())
        return;
    if (!filter.isEmpty() && filter != config_.address)
        return;  // asked for another camera
    ++searchRequests_;
    if (searchMode_ == SearchMode::Silent)
        return;
    const QByteArray answer = SearchAnswer(id);
    const auto send = [this, from, port, answer] {
        if (udp_ && udp_->writeDatagram(answer, from, port) == answer.size())
            ++searchAnswers_;
    };
    if (searchMode_ == SearchMode::Slow)
        QTimer::singleShot(searchSlowMs_, this, send);
    else
        send();
}
