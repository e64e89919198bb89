#include "platform/image_server/http_image_server.h"

#include "platform/audio/audio_player.h"
#include "platform/image_server/alarm_output.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/camera_media.h"
#include "platform/image_server/camera_search.h"
#include "platform/image_server/http_client.h"
#include "platform/image_server/jpeg_codec.h"
#include "platform/image_server/multipart_parser.h"
#include "platform/image_server/network_setup.h"
#include "platform/image_server/picture_file.h"
#include "platform/image_server/request_queue.h"
#include "platform/image_server/stream_session.h"
#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/viewer_auth.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>
#include <QUrlQuery>

#include <mutex>

std::unique_ptr<ImageServer> CreateImageServer(QObject* parent)
{
    return std::make_unique<HttpImageServer>(parent);
}

namespace {
// Stream mode of a protocol-4 camera whose stream carries its sound.
constexpr int kStreamWithSound = 3;
// A stop waits this long for the stream thread to end (it normally takes
// microseconds), then leaves it to finish on its own: stop() returns well
// within 100 ms even on a busy machine.
constexpr int kStopWaitMs = 40;
constexpr int kPtKind = 1;
constexpr int kPtMaxPending = 4;
static_assert(kPtKind != kAlarmRequestKind);

QByteArray ImageForm(const ImageConfig& c)
{
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("resolution"), QString::number(c.resolution));
    q.addQueryItem(QStringLiteral("compression"), QString::number(c.compression));
    q.addQueryItem(QStringLiteral("framerate"), QString::number(c.frameRate));
    q.addQueryItem(QStringLiteral("brightness"), QString::number(c.brightness));
    q.addQueryItem(QStringLiteral("contrast"), QString::number(c.contrast));
    q.addQueryItem(QStringLiteral("hue"), QString::number(c.hue));
    q.addQueryItem(QStringLiteral("lightfreq"), QString::number(c.lightFrequency));
    return q.query(QUrl::FullyEncoded).toUtf8();
}

bool ImageFrom(const Record& r, ImageConfig& c)
{
    static const char* keys[] = {"resolution", "compression", "framerate", "brightness",
                                 "contrast",   "hue",         "lightfreq"};
    int v[7];
    for (int i = 0; i < 7; ++i) {
        v[i] = RecordInt(r, QString::fromLatin1(keys[i]), INT_MIN);
        if (v[i] == INT_MIN || v[i] < -32768 || v[i] > 32767)
            return false;
    }
    c = ImageConfig{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    return true;
}
}  // namespace

// Lets the recording, motion and mail threads post Notify codes to the GUI
// thread only while the image server exists.
struct HttpImageServer::NotifyGate {
    std::mutex mutex;
    HttpImageServer* target = nullptr;

    void Post(int code)
    {
        std::lock_guard lock(mutex);
        if (target)
            QMetaObject::invokeMethod(
                target, [t = target, code] { t->MediaReport(code); }, Qt::QueuedConnection);
    }
};

void HttpImageServer::MediaReport(int code)
{
    if (code == NotifyCode::Motion && (alarmFlags_ & kAlarmOut) != 0)
        SwitchAlarmOut();
    emit Notify(code);
}

void HttpImageServer::SwitchAlarmOut() { QueueAlarmSwitch(Queue(), Endpoint(), queueAuth_); }

HttpImageServer::HttpImageServer(QObject* parent)
    : ImageServer(parent), gate_(std::make_shared<NotifyGate>())
{
    gate_->target = this;
    media_ = std::make_shared<CameraMedia>([gate = gate_](int code) { gate->Post(code); });
}

HttpImageServer::~HttpImageServer()
{
    {
        std::lock_guard lock(gate_->mutex);
        gate_->target = nullptr;
    }
    media_->RecordStop();
    queue_.reset();
    EndSession(kStopWaitMs);
}

RequestQueue& HttpImageServer::Queue()
{
    if (!queue_)
        queue_ = std::make_unique<RequestQueue>(this);
    return *queue_;
}

void HttpImageServer::PostNotify(int code)
{
    QMetaObject::invokeMethod(
        this, [this, code] { emit Notify(code); }, Qt::QueuedConnection);
}

CameraEndpoint HttpImageServer::Endpoint() const
{
    CameraEndpoint ep;
    ep.host = ip_.trimmed();
    ep.port = port_;
    ep.user = user_;
    ep.password = password_;
    ep.useProxy =
        ShouldUseProxy(ep.host, enableProxy_, proxyAddress_, proxyPort_, bypassProxy_, local_);
    ep.proxyHost = proxyAddress_.trimmed();
    ep.proxyPort = proxyPort_;
    if (protocol_ == kProtocolViewer && !(user_.isEmpty() && password_.isEmpty()))
        ApplyViewerLogIn(ep, QString());
    return ep;
}

HttpImageServer::Identity HttpImageServer::IdentityFrom(const Record& r, const QString& address)
{
    Identity id;
    id.name = r.value(QStringLiteral("name"));
    id.model = r.value(QStringLiteral("model"));
    id.mac = r.value(QStringLiteral("mac"));
    id.location = r.value(QStringLiteral("location"));
    id.ip = r.value(QStringLiteral("ip"), address);
    if (id.ip.isEmpty())
        id.ip = address;
    id.mask = r.value(QStringLiteral("mask"));
    id.gateway = r.value(QStringLiteral("gateway"));
    const auto version = [&](const char* key) {
        const QString v = r.value(QString::fromLatin1(key));
        return v.isEmpty() ? QStringLiteral("0.00") : v;
    };
    id.fw = version("fw_version");
    id.hw = version("hw_version");
    id.rom = version("rom_version");
    id.protocol = RecordInt(r, QStringLiteral("protocol"), 0);
    id.capability = RecordInt(r, QStringLiteral("capability"), 0);
    id.webPort = RecordInt(r, QStringLiteral("web_port"), 0);
    id.port = RecordInt(r, QStringLiteral("port"), 0);
    id.valid = true;
    return id;
}

HttpImageServer::Identity HttpImageServer::IdentityFrom(const DiscoveredCamera& c)
{
    Identity id;
    id.name = c.name;
    id.model = c.model;
    id.mac = c.mac;
    id.ip = c.ip;
    id.location = c.location;
    id.mask = c.mask;
    id.gateway = c.gateway;
    id.fw = c.fw;
    id.hw = c.hw;
    id.rom = c.rom;
    id.protocol = c.protocol;
    id.capability = c.capability;
    id.webPort = c.webPort;
    id.port = c.port;
    id.valid = true;
    return id;
}

CameraEndpoint HttpImageServer::ControlEndpoint() const
{
    CameraEndpoint ep = Endpoint();
    if (identity_.valid && identity_.port > 0 && identity_.port <= 65535 && identity_.ip == ep.host)
        ep.port = identity_.port;
    return ep;
}

// ---------------- display ----------------

void HttpImageServer::setDisplay(VideoSurface* surface)
{
    if (surface_ != surface) {
        if (surface_)
            disconnect(surface_, &VideoSurface::pictureNeedChanged, this, nullptr);
        if (surface)
            connect(surface, &VideoSurface::pictureNeedChanged, this,
                    &HttpImageServer::PushDisplayNeed);
    }
    surface_ = surface;
    UpdateWantPictures();
}
VideoSurface* HttpImageServer::display() const { return surface_.data(); }
void HttpImageServer::setDisplayWidth(int v)
{
    displayWidth_ = v;
    PushGeometry();
}
void HttpImageServer::setDisplayHeight(int v)
{
    displayHeight_ = v;
    PushGeometry();
}
void HttpImageServer::setRotateAngle(int v)
{
    rotateAngle_ = v;
    PushGeometry();
}
void HttpImageServer::setDisplayEnabled(bool v)
{
    displayEnabled_ = v;
    PushGeometry();
    UpdateWantPictures();
}
void HttpImageServer::setFrameDelay(int v)
{
    frameDelay_ = std::max(0, v);
    if (session_)
        session_->frameDelayMs = frameDelay_;
}

void HttpImageServer::PushGeometry()
{
    if (surface_ && displayEnabled_)
        surface_->setGeometryHints(QSize(std::max(0, displayWidth_), std::max(0, displayHeight_)),
                                   rotateAngle_);
}

void HttpImageServer::UpdateWantPictures()
{
    if (!session_)
        return;
    session_->wantPictures = displayEnabled_ && !surface_.isNull();
    PushDisplayNeed();
}

void HttpImageServer::PushDisplayNeed()
{
    if (!session_)
        return;
    DisplayNeed need;
    if (surface_) {
        const VideoSurface::PictureNeed n = surface_->pictureNeed();
        need = DisplayNeed{n.size, n.angle, n.dpr};
    }
    session_->SetDisplayNeed(need);
}

int HttpImageServer::sourceWidth() const { return session_ ? session_->sourceWidth.load() : 0; }
int HttpImageServer::sourceHeight() const { return session_ ? session_->sourceHeight.load() : 0; }
int HttpImageServer::frameRate() const { return session_ ? session_->frameRate.load() : 0; }
quint64 HttpImageServer::framesReceived() const
{
    return session_ ? session_->framesReceived.load() : 0;
}
quint64 HttpImageServer::framesDecoded() const
{
    return session_ ? session_->framesDecoded.load() : 0;
}
quint64 HttpImageServer::partsDamaged() const
{
    return session_ ? session_->partsDamaged.load() : 0;
}

void HttpImageServer::setStreamTimeouts(int connectMs, int stallMs, std::vector<int> backoffMs)
{
    connectTimeoutMs_ = connectMs;
    stallTimeoutMs_ = stallMs;
    backoffMs_ = std::move(backoffMs);
}

void HttpImageServer::OnFrameReady()
{
    if (!session_)
        return;
    DecodedFrame f;
    if (!session_->TakeFrame(f))
        return;
    // The surface may have gone away since the frame was decoded.
    if (!surface_ || !displayEnabled_)
        return;
    surface_->presentPrepared(f.image, f.turnedBy, f.source,
                              QSize(std::max(0, displayWidth_), std::max(0, displayHeight_)),
                              rotateAngle_, f.timestampUs);
}

// ---------------- stream ----------------

void HttpImageServer::StartSession()
{
    StreamOptions o;
    o.endpoint = Endpoint();
    o.connectTimeoutMs = connectTimeoutMs_;
    o.stallTimeoutMs = stallTimeoutMs_;
    o.backoffMs = backoffMs_;
    o.retryForMs = retryForMs_;
    const quint64 id = ++sessionId_;
    StreamSession::Callbacks callbacks;
    callbacks.status = [this, id](int code) {
        if (id == sessionId_ && session_)
            emit Notify(code);  // reports of a replaced session are dropped
    };
    callbacks.frameReady = [this, id] {
        if (id == sessionId_)
            OnFrameReady();
    };
    callbacks.ended = [this, id] {
        if (id == sessionId_)
            OnSessionEnded();
    };
    // Protocol 4 in stream mode 3: the stream also carries the camera's sound.
    sessionAudio_ = protocol_ == kProtocolWebStream && streamMode_ == kStreamWithSound;
    if (sessionAudio_) {
        o.path += "?audio=1";
        if (!audio_)
            audio_ = std::shared_ptr<AudioPlayer>(new AudioPlayer,
                                                  [](AudioPlayer* p) { p->deleteLater(); });
        audio_->Start();
    } else {
        audio_.reset();
    }
    session_ = std::make_shared<StreamSession>(std::move(o), this, std::move(callbacks));
    if (sessionAudio_)
        session_->onAudio = [player = audio_](const MultipartPart& part) {
            player->Push(part.body, part.contentType, part.timestampUs);
        };
    session_->onPicture =
        [media = std::weak_ptr<CameraMedia>(media_)](const QByteArray& jpeg, qint64 cameraUs,
                                                     qint64 receivedUs, const QImage* decoded) {
            if (const auto m = media.lock())
                m->OnPicture(jpeg, cameraUs, receivedUs, decoded);
        };
    session_->motionPictureWidth = [media = std::weak_ptr<CameraMedia>(media_)] {
        const auto m = media.lock();
        return m ? m->MotionPictureWidth() : 0;
    };
    media_->OnStreamStart();
    session_->frameDelayMs = frameDelay_;
    UpdateWantPictures();
    session_->Start();
}

void HttpImageServer::OnSessionEnded()
{
    if (!session_)
        return;
    session_->Stop(kStopWaitMs);
    session_.reset();
    running_ = false;
}

void HttpImageServer::EndSession(int waitMs)
{
    if (!session_)
        return;
    session_->Stop(waitMs);
    session_.reset();
}

void HttpImageServer::start()
{
    EndSession(kStopWaitMs);
    running_ = true;
    if (protocol_ == kProtocolWebStream && streamMode_ == 0)
        return;  // started without a stream; ApplyStreamMode brings it
    StartSession();
}

void HttpImageServer::stop()
{
    EndSession(kStopWaitMs);
    audio_.reset();
    running_ = false;
}

bool HttpImageServer::isRunning() const { return running_; }

void HttpImageServer::applyStreamMode()
{
    if (!running_)
        return;
    const bool withSound = protocol_ == kProtocolWebStream && streamMode_ == kStreamWithSound;
    if (streamMode_ == 0) {
        EndSession(kStopWaitMs);  // the stream stops; the object still counts as running
        audio_.reset();
    } else if (!session_ || withSound != sessionAudio_) {
        EndSession(kStopWaitMs);  // sound switched on or off: the stream starts again
        StartSession();
    }
}

int HttpImageServer::isBusy() const { return queue_ && queue_->Pending() > 0 ? 1 : 0; }

// ---------------- recording, motion, mail ----------------

void HttpImageServer::recordStart()
{
    constexpr qint64 kMiB = 1024 * 1024;
    RecordSettings s;
    s.folder = recordPath_;
    s.splitMode = splitFileMode_ == 1 ? 1 : 0;
    s.splitBytes = std::max(0, splitFileSize_) * kMiB;
    s.splitMs = std::max(0, splitFileTime_) * 60LL * 1000;
    s.reserveBytes = std::max(0, reserveSpace_) * kMiB;
    media_->RecordStart(s);
}

void HttpImageServer::recordStop() { media_->RecordStop(); }

bool HttpImageServer::storageReady() const
{
    return media_->StorageReady(recordPath_,
                                static_cast<qint64>(std::max(0, reserveSpace_)) * 1024 * 1024);
}

void HttpImageServer::setFreeSpaceFunction(FreeSpaceFn fn)
{
    media_->SetFreeSpaceFunction(std::move(fn));
}

void HttpImageServer::setAlarmFlags(int v)
{
    alarmFlags_ = v;
    media_->SetAlarmFlags(v);
}

void HttpImageServer::setSensitivity(int v)
{
    sensitivity_ = v;
    media_->SetSensitivity(v);
}

void HttpImageServer::setSnapshotFile(const QString& v)
{
    snapshotFile_ = v;
    media_->SetSnapshotFile(v);
}

void HttpImageServer::setMailServer(const QString& server, const QString& to, const QString& from,
                                    const QString& subject)
{
    mailServer_ = server;
    mailTo_ = to;
    mailFrom_ = from;
    mailSubject_ = subject;
    PushMailSettings();
}

void HttpImageServer::setMailIntervalTime(int v)
{
    mailInterval_ = v;
    media_->SetMailIntervalSeconds(v);
}

void HttpImageServer::setMailUserName(const QString& v)
{
    mailUser_ = v;
    PushMailSettings();
}

void HttpImageServer::setMailPassword(const QString& v)
{
    mailPassword_ = v;
    PushMailSettings();
}

void HttpImageServer::PushMailSettings()
{
    MailSettings m;
    m.server = mailServer_;
    m.to = mailTo_;
    m.from = mailFrom_;
    m.subject = mailSubject_;
    m.userName = mailUser_;
    m.password = mailPassword_;
    media_->SetMailSettings(m);
}

void HttpImageServer::sendMail()
{
    media_->SendMail(session_ ? session_->LatestJpeg() : QByteArray());
}

// ---------------- identity and requests ----------------

void HttpImageServer::selectServer(int index)
{
    if (index == -1)
        identity_ = identified_;
    else if (index >= 0 && index < static_cast<int>(hits_.size()))
        identity_ = hits_[static_cast<size_t>(index)];
}

int HttpImageServer::checkIP(int mode, bool)
{
    // The camera is asked over HTTP on the port given; a camera that does not
    // answer there is asked by its address through discovery, which also
    // finds it when no port (or the wrong one) was given.
    const CameraEndpoint ep = Endpoint();
    const DiscoverySettings discovery = CurrentDiscoverySettings();
    if (mode == 1) {
        auto auth = queueAuth_;
        Queue().Push(
            [this, ep, auth, discovery](const CancelToken& cancel) -> std::function<void()> {
                const HttpResponse r =
                    HttpRequest(ep, *auth, "GET", "/api/identity", requestTimeoutMs(), &cancel);
                bool ok = r.io == IoResult::Ok && r.Ok();
                Identity id = ok ? IdentityFrom(ParseRecord(r.body), ep.host) : Identity{};
                if (!ok && !cancel.IsCancelled()) {
                    if (const auto found = IdentifyCamera(ep.host, discovery, &cancel)) {
                        id = IdentityFrom(*found);
                        ok = true;
                    }
                }
                return [this, ok, id] {
                    if (ok) {
                        identified_ = id;
                        identity_ = id;
                        if (id.port > 0 && id.port <= 65535)
                            port_ = id.port;
                    }
                    emit EndCheckIP(ok ? kTrue : 0);
                };
            });
        return kTrue;
    }
    const HttpResponse r = HttpRequest(ep, syncAuth_, "GET", "/api/identity", requestTimeoutMs());
    if (r.io == IoResult::Ok && r.Ok()) {
        identified_ = IdentityFrom(ParseRecord(r.body), ep.host);
    } else if (const auto found = IdentifyCamera(ep.host, discovery, nullptr)) {
        identified_ = IdentityFrom(*found);
    } else {
        return 0;
    }
    identity_ = identified_;
    if (identified_.port > 0 && identified_.port <= 65535)
        port_ = identified_.port;
    return kTrue;
}

int HttpImageServer::loginTest(int)
{
    const HttpResponse r =
        HttpRequest(ControlEndpoint(), syncAuth_, "GET", "/api/login", requestTimeoutMs());
    return r.io == IoResult::Ok && r.Ok() ? kTrue : 0;
}

QString HttpImageServer::getConfigItem(int item)
{
    static const std::pair<int, const char*> keys[] = {{kConfigAdminId, "admin_id"},
                                                       {kConfigAdminPassword, "admin_password"},
                                                       {kConfigSubnetMask, "mask"},
                                                       {kConfigGateway, "gateway"}};
    const char* key = nullptr;
    for (const auto& k : keys)
        if (k.first == item)
            key = k.second;
    if (!key)
        return {};
    const HttpResponse r =
        HttpRequest(ControlEndpoint(), syncAuth_, "GET", "/api/config", requestTimeoutMs());
    if (r.io != IoResult::Ok || !r.Ok())
        return {};
    return ParseRecord(r.body).value(QString::fromLatin1(key));
}

void HttpImageServer::getConfig(bool)
{
    const CameraEndpoint ep = ControlEndpoint();
    auto auth = queueAuth_;
    Queue().Push([this, ep, auth](const CancelToken& cancel) -> std::function<void()> {
        const HttpResponse r =
            HttpRequest(ep, *auth, "GET", "/api/config", requestTimeoutMs(), &cancel);
        int status = 0;
        if (r.io == IoResult::Ok && r.Ok())
            status = kTrue;
        else if (r.io == IoResult::Ok && r.status == 401)
            status = 1;
        return [this, status] { emit EndGetConfig(status); };
    });
}

int HttpImageServer::getImageCaps(ImageConfig& config)
{
    CameraEndpoint ep = Endpoint();
    ep.user.clear();
    ep.password.clear();
    HttpAuthenticator anonymous;
    const HttpResponse r = HttpRequest(ep, anonymous, "GET", "/api/image", requestTimeoutMs());
    if (r.io != IoResult::Ok || !r.Ok())
        return 0;
    return ImageFrom(ParseRecord(r.body), config) ? kTrue : 0;
}

int HttpImageServer::getImageConfig(ImageConfig& config, int)
{
    const HttpResponse r =
        HttpRequest(Endpoint(), syncAuth_, "GET", "/api/image", requestTimeoutMs());
    if (r.io != IoResult::Ok || !r.Ok())
        return 0;
    ImageConfig c;
    if (!ImageFrom(ParseRecord(r.body), c))
        return 0;
    config = c;
    QMetaObject::invokeMethod(
        this, [this, c] { emit EndGetImageConfig(c.resolution, c.compression, c.frameRate); },
        Qt::QueuedConnection);
    return kTrue;
}

int HttpImageServer::setImageConfig(const ImageConfig& config)
{
    const HttpResponse r =
        HttpRequest(Endpoint(), syncAuth_, "POST", "/api/image", requestTimeoutMs(), nullptr,
                    ImageForm(config), "application/x-www-form-urlencoded");
    return r.io == IoResult::Ok && r.Ok() ? kTrue : 0;
}

bool HttpImageServer::saveSnapshot(const QString& file, int)
{
    QByteArray jpeg = session_ ? session_->LatestJpeg() : QByteArray();
    if (jpeg.isEmpty()) {
        const HttpResponse r = HttpRequest(Endpoint(), syncAuth_, "GET", "/api/snapshot.jpg",
                                           requestTimeoutMs(), nullptr, {}, {}, 16 * 1024 * 1024);
        if (r.io != IoResult::Ok || !r.Ok() || !LooksLikeJpeg(r.body))
            return false;
        jpeg = r.body;
    }
    // The file holds what its name says: BMP for a ".bmp" name, else the JPEG.
    return WriteJpegPictureAs(file, jpeg, PictureFormatOf(file));
}

void HttpImageServer::ptControl(int code)
{
    const CameraEndpoint ep = Endpoint();
    auto auth = queueAuth_;
    Queue().Push(
        [this, ep, auth, code](const CancelToken& cancel) -> std::function<void()> {
            const HttpResponse r =
                HttpRequest(ep, *auth, "GET", "/api/ptz?code=" + QByteArray::number(code),
                            requestTimeoutMs(), &cancel);
            if (r.io == IoResult::Ok && r.Ok())
                return {};
            return [this] { emit Notify(NotifyCode::PanTiltFailed); };
        },
        kPtKind, kPtMaxPending);
}

void HttpImageServer::probeInit()
{
    viewerParam1_ = 0;
    viewerParam2_ = 0;
    if (protocol_ != kProtocolViewer)
        return;
    // The viewer's parameters, which the caller reads right after this: the
    // stream's port and a ticket for the viewer's log-in.
    HttpAuthenticator auth;
    const HttpResponse v =
        HttpRequest(ViewerEndpoint(QString()), auth, "GET", "/api/viewer", requestTimeoutMs());
    if (v.io != IoResult::Ok || !v.Ok())
        return;
    const Record rec = ParseRecord(v.body);
    const int port = RecordInt(rec, QStringLiteral("stream_port"), 0);
    const int ticket = RecordInt(rec, QStringLiteral("ticket"), 0);
    viewerParam1_ = port > 0 && port <= 65535 ? port : 0;
    viewerParam2_ = std::max(0, ticket);
}

void HttpImageServer::probeStart(int)
{
    const HttpResponse r =
        HttpRequest(ControlEndpoint(), syncAuth_, "GET", "/api/identity", requestTimeoutMs());
    if (r.io == IoResult::Ok && r.Ok())
        identity_ = IdentityFrom(ParseRecord(r.body), ip_.trimmed());
    else
        identity_ = Identity{};
}

CameraEndpoint HttpImageServer::ViewerEndpoint(const QString& logInText) const
{
    CameraEndpoint ep = ControlEndpoint();
    ApplyViewerLogIn(ep, logInText);
    return ep;
}

void HttpImageServer::ApplyViewerLogIn(CameraEndpoint& ep, const QString& logInText) const
{
    // A protocol-3 log-in: the authentication string of the user name and
    // password (unless the user name already is one) and a log-in text.
    static const QRegularExpression authString(QStringLiteral("^[0-9a-f]{64}$"));
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,16}$"));
    const bool given = authString.match(user_).hasMatch();
    ep.user = given ? user_ : ViewerAuthString(user_, password_);
    if (!logInText.isEmpty()) {
        ep.password = logInText;
    } else if (given && digits.match(password_).hasMatch()) {
        ep.password = password_;
    } else {
        if (logInText_.isEmpty())
            logInText_ = QString::number(QRandomGenerator::global()->bounded(1000, 99999999));
        ep.password = logInText_;
    }
}

void HttpImageServer::openAudio(QString& nonce)
{
    // Protocol 3: the camera opens its sound channel for this log-in text,
    // which the viewer then uses to fetch the sound.
    if (protocol_ != kProtocolViewer)
        return;
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,16}$"));
    if (!digits.match(nonce).hasMatch())
        return;
    HttpAuthenticator auth;
    HttpRequest(ViewerEndpoint(nonce), auth, "GET", "/api/audio/open", requestTimeoutMs());
}

// ---------------- discovery and network set-up ----------------

void HttpImageServer::searchServer(int mode, const QString& filter)
{
    // Mode 2 adds a pass to the list; any other mode starts a new one. An
    // entry joins the list when its Notify is delivered, so the numbers the
    // caller counts and the entries always agree.
    if (mode != 2)
        hits_.clear();
    const quint64 generation = ++searchGeneration_;
    if (CameraSearch* replaced = search_.data()) {
        // A search still running is replaced; it ends all the same.
        replaced->disconnect(this);
        replaced->deleteLater();
        QMetaObject::invokeMethod(
            this, [this] { emit EndSearch(); }, Qt::QueuedConnection);
    }
    auto* search = new CameraSearch(CurrentDiscoverySettings(), filter, this);
    search_ = search;
    connect(search, &CameraSearch::Found, this, [this, generation](const DiscoveredCamera& camera) {
        const Identity hit = IdentityFrom(camera);
        QMetaObject::invokeMethod(
            this,
            [this, generation, hit] {
                if (generation != searchGeneration_)
                    return;  // a later search took over
                hits_.push_back(hit);
                emit Notify(NotifyCode::SearchHit);
            },
            Qt::QueuedConnection);
    });
    connect(search, &CameraSearch::Finished, this, [this, search, generation] {
        QMetaObject::invokeMethod(
            this,
            [this, search, generation] {
                if (generation != searchGeneration_)
                    return;  // replaced: its end was sent then
                search_ = nullptr;
                search->deleteLater();
                emit EndSearch();
            },
            Qt::QueuedConnection);
    });
    search->Start();
}

int HttpImageServer::probeAddress(const QString& address, int port)
{
    TcpStream s;
    return s.Connect(address, port, DeadlineIn(requestTimeoutMs()), nullptr) == IoResult::Ok ? kTrue
                                                                                             : 0;
}

// ---------------- network set-up and administrator ----------------

NetRequest HttpImageServer::NetRequestFor(NetOp op) const
{
    NetRequest r;
    r.op = op;
    r.mac = mac_.trimmed();
    r.user = user_;
    r.password = password_;
    return r;
}

int HttpImageServer::adminState()
{
    const auto reply = ExchangeNetRequest(NetRequestFor(NetOp::Admin), CurrentDiscoverySettings());
    if (!reply || reply->result != NetResult::Ok)
        return 0;
    return reply->adminSet ? kAdminSet : kAdminNone;
}

int HttpImageServer::checkAdmin(const QString& id, const QString& password)
{
    NetRequest r = NetRequestFor(NetOp::Check);
    r.user = id;
    r.password = password;
    const auto reply = ExchangeNetRequest(r, CurrentDiscoverySettings());
    if (!reply)
        return 0;
    switch (reply->result) {
    case NetResult::Ok:
        return kAdminAccepted;
    case NetResult::Denied:
        return kAdminNeeded;
    case NetResult::Invalid:
        break;
    }
    return 0;
}

int HttpImageServer::setNetwork(const QString& address, const QString& mask, const QString& gateway)
{
    NetRequest r = NetRequestFor(NetOp::Set);
    r.ip = address.trimmed();
    r.mask = mask.trimmed();
    r.gateway = gateway.trimmed();
    const auto reply = ExchangeNetRequest(r, CurrentDiscoverySettings());
    return reply && reply->result == NetResult::Ok ? kTrue : 0;
}

void HttpImageServer::applyNetwork()
{
    ExchangeNetRequest(NetRequestFor(NetOp::Apply), CurrentDiscoverySettings());
}

int HttpImageServer::setNetworkEx(const QString& address, const QString& mask,
                                  const QString& gateway, int mode)
{
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("ip"), address.trimmed());
    q.addQueryItem(QStringLiteral("mask"), mask.trimmed());
    q.addQueryItem(QStringLiteral("gateway"), gateway.trimmed());
    q.addQueryItem(QStringLiteral("dhcp"), mode == 2 ? QStringLiteral("1") : QStringLiteral("0"));
    const HttpResponse r = HttpRequest(
        ControlEndpoint(), syncAuth_, "POST", "/api/network", requestTimeoutMs(), nullptr,
        q.query(QUrl::FullyEncoded).toUtf8(), "application/x-www-form-urlencoded");
    return r.io == IoResult::Ok && r.Ok() ? kTrue : 0;
}

int HttpImageServer::getConfigWord(int index)
{
    if (index != kNetworkFlagsWord)
        return 0;
    const HttpResponse r =
        HttpRequest(ControlEndpoint(), syncAuth_, "GET", "/api/config", requestTimeoutMs());
    if (r.io == IoResult::Ok && r.Ok())
        configWord_ = RecordInt(ParseRecord(r.body), QStringLiteral("flags"), 0) & 0xFFFF;
    return configWord_;
}

void HttpImageServer::setConfigWord(int index, int value)
{
    if (index == kNetworkFlagsWord)
        configWord_ = value & 0xFFFF;
}

int HttpImageServer::saveConfig(int, int)
{
    const QByteArray form = "flags=" + QByteArray::number(configWord_);
    const HttpResponse r =
        HttpRequest(ControlEndpoint(), syncAuth_, "POST", "/api/config", requestTimeoutMs(),
                    nullptr, form, "application/x-www-form-urlencoded");
    return r.io == IoResult::Ok && r.Ok() ? kTrue : 0;
}

int HttpImageServer::loginContext()
{
    // One context per object: a fresh log-in text for the next log-in.
    loginContextText_ = MakeLoginText();
    return kLoginContext;
}

QString HttpImageServer::getLoginContextText(int context)
{
    return context == kLoginContext ? loginContextText_ : QString();
}

void HttpImageServer::useLoginContext(int, const QString& text) { loginText_ = text; }

int HttpImageServer::login(const QString& user, const QString& password)
{
    // A protocol-3 camera takes the authentication string of the pair and
    // the log-in text of the context in use (docs/camera-protocol.md, 2.2).
    user_ = ViewerAuthString(user, password);
    password_ = loginText_;
    authText_.clear();
    syncAuth_ = HttpAuthenticator();
    return loginTest(0);
}

QString HttpImageServer::getAdminAccount(int which) { return getConfigItem(which == 0 ? 40 : 41); }

QString HttpImageServer::MakeLoginText()
{
    // Four draws of [0, 10000], joined and cut to 16 digits: the form the
    // camera accepts (docs/camera-protocol.md, 2.2).
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QString::number(QRandomGenerator::global()->bounded(10001));
    return text.left(16);
}
