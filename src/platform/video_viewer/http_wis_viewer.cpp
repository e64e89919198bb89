#include "platform/video_viewer/http_wis_viewer.h"

#include "platform/audio/audio_player.h"
#include "platform/image_server/alarm_output.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/http_client.h"
#include "platform/image_server/motion_detector.h"
#include "platform/image_server/multipart_parser.h"
#include "platform/image_server/picture_file.h"
#include "platform/image_server/request_queue.h"
#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/h264_recorder.h"
#include "platform/video_viewer/ts_decoder.h"
#include "platform/video_viewer/viewer_auth.h"

#include <QDateTime>
#include <QImage>
#include <QSaveFile>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <thread>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

std::unique_ptr<WisViewer> CreateWisViewer(QObject* parent)
{
    return std::make_unique<HttpWisViewer>(parent);
}

namespace {
// A stop waits this long for a worker to end, then leaves it to finish on its own.
constexpr int kStopWaitMs = 40;
constexpr int kReadChunk = 64 * 1024;
constexpr int kMailJpegQuality = 85;
constexpr qint64 kMinSplitBytes = 64 * 1024;

qint64 WallUs() { return QDateTime::currentMSecsSinceEpoch() * 1000; }

qint64 SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Pixel formats whose first plane is 8-bit luminance (what the motion detector reads).
bool HasLumaPlane(int format)
{
    switch (format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_GRAY8:
        return true;
    default:
        return false;
    }
}

// Converts decoded pictures to RGB32 pictures of a given size.
class FrameConverter {
public:
    ~FrameConverter() { sws_freeContext(m_sws); }

    QImage Convert(const AVFrame* f, QSize target)
    {
        if (target.width() <= 0 || target.height() <= 0)
            target = QSize(f->width, f->height);
        m_sws = sws_getCachedContext(
            m_sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), target.width(),
            target.height(), AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_sws)
            return {};
        // Into a picture nobody holds any more, when there is one: a new
        // picture of this size per frame would cost more than the conversion.
        QImage* slot = nullptr;
        for (QImage& p : m_pool)
            if (p.isDetached() && p.size() == target) {
                slot = &p;
                break;
            }
        if (!slot) {
            if (m_pool.size() >= kPoolSize)
                m_pool.erase(m_pool.begin());
            m_pool.emplace_back(target, QImage::Format_RGB32);
            slot = &m_pool.back();
        }
        QImage& img = *slot;
        if (img.isNull())
            return {};
        uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
        const int stride[4] = {static_cast<int>(img.bytesPerLine()), 0, 0, 0};
        sws_scale(m_sws, f->data, f->linesize, 0, f->height, dst, stride);
        return img;
    }

private:
    static constexpr size_t kPoolSize = 4;
    SwsContext* m_sws = nullptr;
    std::vector<QImage> m_pool;
};

// Lets worker threads post to the viewer only while it exists.
struct Gate {
    std::mutex mutex;
    HttpWisViewer* target = nullptr;

    void Post(std::function<void(HttpWisViewer*)> fn)
    {
        std::lock_guard lock(mutex);
        if (HttpWisViewer* self = target)
            QMetaObject::invokeMethod(
                self, [self, fn = std::move(fn)] { fn(self); }, Qt::QueuedConnection);
    }
};

// One run of a worker thread with its cancel token.
struct Worker {
    CancelToken cancel;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;

    ~Worker()
    {
        if (thread.joinable())
            thread.detach();
    }

    // Cancels and waits for the thread (its reads end at once when cancelled).
    void Join()
    {
        cancel.Cancel();
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
            thread.join();
    }

    void Stop(int waitMs)
    {
        cancel.Cancel();
        std::unique_lock lock(mutex);
        const bool done =
            cv.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return finished; });
        lock.unlock();
        if (done && thread.joinable() && thread.get_id() != std::this_thread::get_id())
            thread.join();
    }

    void Finish()
    {
        std::lock_guard lock(mutex);
        finished = true;
        cv.notify_all();
    }

    // Waits `ms` unless cancelled first; false when cancelled.
    bool Pause(int ms) const
    {
        pollfd p{cancel.Fd(), POLLIN, 0};
        return ::poll(&p, 1, ms) <= 0;
    }
};

int BackoffMs(const std::vector<int>& backoff, size_t attempt)
{
    return backoff.empty() ? 1000 : backoff[std::min(attempt, backoff.size() - 1)];
}
}  // namespace

// What the viewer and its worker threads share; outlives the viewer while a
// detached worker winds down.
struct HttpWisViewer::Shared {
    Gate gate;
    H264Recorder recorder;
    std::atomic<int> alarmFlags{0};
    std::atomic<int> sensitivity{5};
    std::atomic<int> sourceWidth{0}, sourceHeight{0};
    std::atomic<int> targetWidth{0}, targetHeight{0};
    std::atomic<bool> display{false};
    std::atomic<quint64> packets{0}, frames{0}, damaged{0}, connects{0}, sizeChanges{0};

    std::mutex mutex;  // guards the fields below
    QString mailPicture;
    QImage pending;
    qint64 pendingCaptureUs = 0;
    bool posted = false;
    AVFrame* latest = nullptr;  // reference to the newest decoded picture

    std::mutex motionMutex;
    MotionDetector detector;
    qint64 lastMailMs = 0;

    std::shared_ptr<Worker> worker;

    Shared()
        : recorder([this](H264Recorder::Event e) {
              gate.Post([e](HttpWisViewer* self) {
                  if (e == H264Recorder::Event::Split)
                      emit self->RecordSplit();
                  else
                      emit self->RecordFailed();
              });
          })
    {
    }
    ~Shared() { av_frame_free(&latest); }
};

struct HttpWisViewer::AudioSession {
    Worker worker;
};

HttpWisViewer::HttpWisViewer(QObject* parent)
    : WisViewer(parent), m_shared(std::make_shared<Shared>()),
      m_requestAuth(std::make_shared<HttpAuthenticator>())
{
    m_shared->gate.target = this;
}

HttpWisViewer::~HttpWisViewer()
{
    m_requests.reset();  // cancels a switch on its way
    audioOff();
    {
        std::lock_guard lock(m_shared->gate.mutex);
        m_shared->gate.target = nullptr;
    }
    if (m_shared->worker)
        m_shared->worker->Stop(kStopWaitMs);
    m_shared->recorder.Stop();
}

void HttpWisViewer::setViewerParam1(const QString& decimal)
{
    bool ok = false;
    const int v = decimal.trimmed().toInt(&ok);
    m_param1 = ok && v > 0 && v < 65536 ? v : 0;
}

void HttpWisViewer::setViewerParam2(const QString& decimal)
{
    bool ok = false;
    const int v = decimal.trimmed().toInt(&ok);
    m_param2 = ok && v > 0 ? v : 0;
}

QString HttpWisViewer::authString() const { return ViewerAuthString(m_user, m_password); }

int HttpWisViewer::state() const { return m_running ? kStateRunning : 0; }

int HttpWisViewer::sourceWidth() const { return m_shared->sourceWidth; }
int HttpWisViewer::sourceHeight() const { return m_shared->sourceHeight; }

void HttpWisViewer::setAlarmFlags(int flags) { m_shared->alarmFlags = flags; }
int HttpWisViewer::alarmFlags() const { return m_shared->alarmFlags; }
void HttpWisViewer::setSensitivity(int value) { m_shared->sensitivity = value; }

void HttpWisViewer::setMailPictureFile(const QString& path)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->mailPicture = path;
}

void HttpWisViewer::setStreamTimeouts(int connectMs, int stallMs, std::vector<int> backoffMs)
{
    m_connectTimeoutMs = connectMs;
    m_stallTimeoutMs = stallMs;
    m_backoffMs = std::move(backoffMs);
}

void HttpWisViewer::setWindow(VideoSurface* surface)
{
    m_surface = surface;
    m_displaySize = QSize();
    PushGeometry();
}

void HttpWisViewer::attachWindow(VideoSurface* surface, int width, int height)
{
    m_surface = surface;
    m_displaySize = width > 0 && height > 0 ? QSize(width, height) : QSize();
    PushGeometry();
}

void HttpWisViewer::PushGeometry()
{
    m_shared->targetWidth = m_displaySize.width();
    m_shared->targetHeight = m_displaySize.height();
    m_shared->display = !m_surface.isNull();
    if (m_surface && !m_displaySize.isEmpty())
        m_surface->setGeometryHints(m_displaySize, 0);
}

HttpWisViewer::Stats HttpWisViewer::stats() const
{
    Stats s;
    s.packets = m_shared->packets;
    s.frames = m_shared->frames;
    s.damaged = m_shared->damaged;
    s.connects = m_shared->connects;
    s.sizeChanges = m_shared->sizeChanges;
    s.framesShown = m_framesShown;
    return s;
}

QString HttpWisViewer::recordingFile() const { return m_shared->recorder.CurrentFile(); }
quint64 HttpWisViewer::recordedFrames() const
{
    return m_shared->recorder.GetStats().framesWritten;
}
QString HttpWisViewer::recordError() const { return m_shared->recorder.LastError(); }

void HttpWisViewer::OnFrameReady()
{
    QImage img;
    qint64 captureUs = 0;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->posted = false;
        img = std::move(m_shared->pending);
        m_shared->pending = QImage();
        captureUs = m_shared->pendingCaptureUs;
    }
    if (img.isNull() || !m_surface || !m_running)
        return;
    m_surface->presentFrame(img, img.size(), 0, captureUs);
    ++m_framesShown;
}

CameraEndpoint HttpWisViewer::StreamEndpoint() const
{
    CameraEndpoint ep;
    ep.host = m_address;
    ep.port = m_param1 > 0 ? m_param1 : kDefaultPort;
    if (m_param2 > 0) {
        ep.user = QString::number(m_param2);
        ep.password = m_authText;
    }
    return ep;
}

void HttpWisViewer::OnMotion()
{
    if ((m_shared->alarmFlags & kAlarmOut) != 0) {
        if (!m_requests)
            m_requests = std::make_unique<RequestQueue>(this);
        QueueAlarmSwitch(*m_requests, StreamEndpoint(), m_requestAuth);
    }
    emit Motion();
}

void HttpWisViewer::start()
{
    stop();
    m_running = true;
    const CameraEndpoint ep = StreamEndpoint();
    auto worker = std::make_shared<Worker>();
    m_shared->worker = worker;
    const int connectMs = m_connectTimeoutMs, stallMs = m_stallTimeoutMs;
    const std::vector<int> backoff = m_backoffMs;
    std::shared_ptr<Shared> sh = m_shared;
    {
        std::lock_guard lock(sh->motionMutex);
        sh->detector.Reset();
    }
    // The stream's state goes to the GUI thread only while this run is the viewer's own.
    const auto post = [sh, worker](int code) {
        sh->gate.Post([worker, code](HttpWisViewer* self) {
            if (self->m_shared->worker == worker)
                emit self->Notify(code);
        });
    };
    worker->thread = std::thread([sh, worker, post, ep, connectMs, stallMs, backoff] {
        HttpAuthenticator auth;
        FrameConverter displayConverter;
        size_t attempt = 0;
        bool everShown = false;
        bool downReported = false;  // since the last picture
        while (!worker->cancel.IsCancelled()) {
            HttpConnection conn;
            const HttpResponse r = conn.Open(ep, auth, "GET", "/api/stream.ts", {}, {},
                                             DeadlineIn(connectMs), &worker->cancel);
            const bool ok = r.io == IoResult::Ok && r.Ok();
            bool got = false;
            bool stalled = false;
            if (ok) {
                ++sh->connects;
                QByteArray buffer;
                qsizetype pos = 0;
                bool originOk = false;
                const qint64 origin = r.Header("x-timestamp-us").toLongLong(&originOk);
                // The first picture may take as long as the connection; later
                // ones the stall time. Bytes without pictures keep nothing alive.
                Deadline pictureBy = DeadlineIn(std::max(connectMs, stallMs));
                TsDecoder decoder([&](uint8_t* buf, int size) -> int {
                    if (pos >= buffer.size()) {
                        buffer.clear();
                        pos = 0;
                        while (buffer.isEmpty()) {
                            const IoResult io =
                                conn.ReadBody(buffer, kReadChunk, pictureBy, &worker->cancel);
                            stalled = io == IoResult::TimedOut;
                            if (io != IoResult::Ok)
                                return io == IoResult::Closed && buffer.isEmpty() ? 0 : -1;
                        }
                    }
                    const int n = static_cast<int>(std::min<qsizetype>(size, buffer.size() - pos));
                    std::memcpy(buf, buffer.constData() + pos, static_cast<size_t>(n));
                    pos += n;
                    return n;
                });
                decoder.onPacket = [&](const TsDecoder::Packet& p) {
                    ++sh->packets;
                    sh->recorder.Push(p.data, p.size, p.key, p.ptsUs, p.width, p.height, WallUs());
                };
                decoder.onFrame = [&](const AVFrame* f, qint64 ptsUs) {
                    pictureBy = DeadlineIn(stallMs);
                    if (!got) {
                        got = true;
                        downReported = false;
                        post(NotifyCode::Connected);
                        if (everShown)
                            post(NotifyCode::Reconnected);
                        everShown = true;
                    }
                    attempt = 0;
                    ++sh->frames;
                    sh->sourceWidth = f->width;
                    sh->sourceHeight = f->height;
                    const qint64 captureUs = originOk ? origin + ptsUs : WallUs();
                    {
                        std::lock_guard lock(sh->mutex);
                        if (!sh->latest)
                            sh->latest = av_frame_alloc();
                        else
                            av_frame_unref(sh->latest);
                        if (sh->latest)
                            av_frame_ref(sh->latest, f);
                    }
                    // Motion, and the mail picture before its event.
                    const int flags = sh->alarmFlags;
                    if (flags != 0 && HasLumaPlane(f->format)) {
                        std::unique_lock lock(sh->motionMutex);
                        sh->detector.SetSensitivity(sh->sensitivity);
                        if (sh->detector.FeedLuma(f->data[0], f->width, f->height, f->linesize[0],
                                                  SteadyMs())) {
                            lock.unlock();
                            sh->gate.Post([](HttpWisViewer* self) { self->OnMotion(); });
                            if (flags & kAlarmMail) {
                                QString file;
                                {
                                    std::lock_guard l(sh->mutex);
                                    file = sh->mailPicture;
                                }
                                FrameConverter full;
                                const QImage picture = full.Convert(f, QSize());
                                QSaveFile out(file);
                                if (!file.isEmpty() && !picture.isNull()
                                    && out.open(QIODevice::WriteOnly)
                                    && picture.save(&out, "JPEG", kMailJpegQuality) && out.commit())
                                    sh->gate.Post(
                                        [](HttpWisViewer* self) { emit self->MotionMail(); });
                            }
                        }
                    }
                    // The picture for the window, at the size shown, when the last one was taken.
                    if (!sh->display)
                        return;
                    {
                        std::lock_guard lock(sh->mutex);
                        if (sh->posted)
                            return;
                    }
                    QImage img =
                        displayConverter.Convert(f, QSize(sh->targetWidth, sh->targetHeight));
                    if (img.isNull())
                        return;
                    std::lock_guard lock(sh->mutex);
                    sh->pending = std::move(img);
                    sh->pendingCaptureUs = captureUs;
                    sh->posted = true;
                    sh->gate.Post([](HttpWisViewer* self) { self->OnFrameReady(); });
                };
                decoder.Run([&] { return worker->cancel.IsCancelled(); });
                sh->damaged += decoder.Damaged();
                sh->sizeChanges += decoder.SizeChanges();
                if (got)
                    attempt = 0;
            }
            if (worker->cancel.IsCancelled())
                break;
            // No pictures come any more (or none came yet): said once, not at every attempt.
            if (!downReported) {
                downReported = true;
                post(stalled ? NotifyCode::StreamStalled : NotifyCode::ConnectionLost);
            }
            // Lost, refused or unreachable: try again while the viewer runs.
            if (!worker->Pause(BackoffMs(backoff, attempt++)))
                break;
        }
        worker->Finish();
    });
}

void HttpWisViewer::stop()
{
    m_running = false;
    audioOff();
    if (m_shared->worker) {
        m_shared->worker->Stop(kStopWaitMs);
        m_shared->worker.reset();
    }
    std::lock_guard lock(m_shared->mutex);
    m_shared->pending = QImage();
    m_shared->posted = false;
}

bool HttpWisViewer::saveSnapshot(const QString& file)
{
    QImage picture;
    {
        std::lock_guard lock(m_shared->mutex);
        if (!m_shared->latest || m_shared->latest->width <= 0)
            return false;
        FrameConverter convert;
        picture = convert.Convert(m_shared->latest, QSize());
    }
    // The file holds what its name says: JPEG for a ".jpg" or ".jpeg" name, else BMP.
    return WritePictureAs(file, picture, PictureFormatOf(file));
}

void HttpWisViewer::recordStart()
{
    m_shared->recorder.Start(m_recordPath, std::max<qint64>(m_splitBytes, kMinSplitBytes));
}

void HttpWisViewer::recordStop() { m_shared->recorder.Stop(); }

void HttpWisViewer::audioOn()
{
    if (!m_running || m_audioSession)
        return;
    m_audio = std::make_unique<AudioPlayer>();
    m_audio->Start();
    const CameraEndpoint ep = StreamEndpoint();
    auto session = std::make_shared<AudioSession>();
    m_audioSession = session;
    AudioPlayer* player = m_audio.get();
    const int connectMs = m_connectTimeoutMs, stallMs = m_stallTimeoutMs;
    const std::vector<int> backoff = m_backoffMs;
    // The player outlives the thread: audioOff() joins the thread before it
    // lets the player go.
    session->worker.thread = std::thread([session, player, ep, connectMs, stallMs, backoff] {
        Worker& w = session->worker;
        HttpAuthenticator auth;
        size_t attempt = 0;
        while (!w.cancel.IsCancelled()) {
            HttpConnection conn;
            const HttpResponse r =
                conn.Open(ep, auth, "GET", "/api/audio", {}, {}, DeadlineIn(connectMs), &w.cancel);
            const QByteArray boundary = MultipartParser::BoundaryFrom(r.Header("content-type"));
            if (r.io == IoResult::Ok && r.Ok() && !boundary.isEmpty()) {
                MultipartParser parser(boundary, 1024 * 1024);
                parser.onPart = [&](MultipartPart&& part) {
                    if (player->Push(part.body, part.contentType, part.timestampUs))
                        attempt = 0;
                };
                QByteArray data;
                for (;;) {
                    data.clear();
                    if (conn.ReadBody(data, kReadChunk, DeadlineIn(stallMs), &w.cancel)
                        != IoResult::Ok)
                        break;
                    parser.Feed(data);
                }
            }
            if (w.cancel.IsCancelled() || !w.Pause(BackoffMs(backoff, attempt++)))
                break;
        }
        w.Finish();
    });
}

void HttpWisViewer::audioOff()
{
    if (m_audioSession) {
        m_audioSession->worker.Join();  // before the player it feeds goes
        m_audioSession.reset();
    }
    if (m_audio) {
        m_audio->Stop();
        m_audio.reset();
    }
}
