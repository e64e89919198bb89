#include "platform/image_server/stream_session.h"

#include "platform/image_server/image_server.h"
#include "platform/image_server/jpeg_codec.h"
#include "platform/image_server/multipart_parser.h"

#include <QDateTime>
#include <QMetaObject>
#include <QTransform>
#include <algorithm>
#include <poll.h>

namespace {
qint64 NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}
thread_local JpegDecoder* tDecoder = nullptr;
}  // namespace

StreamSession::StreamSession(StreamOptions options, QObject* receiver, Callbacks callbacks)
    : options_(std::move(options)), callbacks_(std::move(callbacks)), receiver_(receiver)
{
}

StreamSession::~StreamSession()
{
    cancel_.Cancel();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void StreamSession::Start()
{
    auto self = shared_from_this();
    thread_ = std::thread([self] {
        self->Run();
        {
            std::lock_guard lock(self->mutex_);
            self->finished_ = true;
        }
        self->finishedCv_.notify_all();
    });
}

bool StreamSession::Stop(int waitMs)
{
    {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }
    cancel_.Cancel();
    std::unique_lock lock(mutex_);
    const bool done = finishedCv_.wait_for(lock, std::chrono::milliseconds(waitMs),
                                           [this] { return finished_.load(); });
    lock.unlock();
    if (done && thread_.joinable())
        thread_.join();
    else if (thread_.joinable())
        thread_.detach();  // it holds its own reference and ends by itself
    return done;
}

void StreamSession::Post(std::function<void()> fn)
{
    std::lock_guard lock(mutex_);
    if (receiver_)
        QMetaObject::invokeMethod(receiver_, std::move(fn), Qt::QueuedConnection);
}

void StreamSession::PostStatus(int code)
{
    auto cb = callbacks_.status;
    Post([cb, code] {
        if (cb)
            cb(code);
    });
}

bool StreamSession::TakeFrame(DecodedFrame& out)
{
    std::lock_guard lock(mutex_);
    framePosted_ = false;
    if (!hasPending_)
        return false;
    out = std::move(pending_);
    pending_ = DecodedFrame{};
    hasPending_ = false;
    return true;
}

QByteArray StreamSession::LatestJpeg() const
{
    std::lock_guard lock(mutex_);
    return latestJpeg_;
}

void StreamSession::ReportDamage()
{
    ++partsDamaged;
    const qint64 now = NowUs();
    if (lastDamageReportUs_ < 0
        || now - lastDamageReportUs_ >= options_.damageReportIntervalMs * 1000LL) {
        lastDamageReportUs_ = now;
        PostStatus(NotifyCode::FrameDropped);
    }
}

void StreamSession::HandlePart(MultipartPart& part, bool reconnect, bool& gotPicture)
{
    if (onAudio && part.contentType.startsWith("audio/")) {
        onAudio(part);
        return;
    }
    const bool typeOk = part.contentType.isEmpty() || part.contentType == "image/jpeg"
                        || part.contentType == "image/jpg" || part.contentType == "image/pjpeg";
    int w = 0, h = 0;
    if (!typeOk || !LooksLikeJpeg(part.body) || !tDecoder->Peek(part.body, w, h)) {
        ReportDamage();
        return;
    }
    const qint64 now = NowUs();
    ++framesReceived;
    sourceWidth = w;
    sourceHeight = h;
    recentFramesUs_.push_back(now);
    while (!recentFramesUs_.empty() && now - recentFramesUs_.front() > 1000000)
        recentFramesUs_.erase(recentFramesUs_.begin());
    frameRate = static_cast<int>(recentFramesUs_.size());
    DisplayNeed need;
    {
        std::lock_guard lock(mutex_);
        latestJpeg_ = part.body;
        need = need_;
    }
    if (!gotPicture) {
        gotPicture = true;
        PostStatus(NotifyCode::Connected);
        if (reconnect)
            PostStatus(NotifyCode::Reconnected);
    }
    bool display = wantPictures.load() && !need.size.isEmpty();
    const int delay = frameDelayMs.load();
    if (display && delay > 0 && lastDecodeUs_ != 0 && now - lastDecodeUs_ < delay * 1000LL)
        display = false;
    // One decode serves the display and motion detection alike.
    QImage decoded;
    bool damaged = false;
    if (display) {
        const int motionWidth = motionPictureWidth ? motionPictureWidth() : 0;
        damaged = !DecodeForDisplay(part.body, QSize(w, h), need, motionWidth, decoded);
    }
    if (onPicture)
        onPicture(part.body, part.timestampUs, now, decoded.isNull() ? nullptr : &decoded);
    if (damaged) {
        ReportDamage();
        return;
    }
    if (display)
        PostFrame(std::move(decoded), need, QSize(w, h), part.timestampUs, now);
}

void StreamSession::SetDisplayNeed(const DisplayNeed& need)
{
    std::lock_guard lock(mutex_);
    need_ = need;
}

bool StreamSession::DecodeForDisplay(const QByteArray& jpeg, QSize source, const DisplayNeed& need,
                                     int motionWidth, QImage& decoded)
{
    // The smallest scale the decoder makes directly that still covers the
    // display (and motion's grey picture, when motion is on).
    QSize cover = need.size;
    if (motionWidth > 0)
        cover = cover.expandedTo(QSize(std::min(motionWidth, source.width()), 1));
    const JpegScale scale = JpegDecoder::ScaleFor(source, cover);
    const QSize size = JpegDecoder::Scaled(source, scale);
    // Decode into a picture nobody holds any more, if there is one.
    QImage* slot = nullptr;
    for (QImage& p : pool_)
        if (p.isDetached() && p.size() == size) {
            slot = &p;
            break;
        }
    if (!slot) {
        if (pool_.size() >= 4)
            pool_.erase(pool_.begin());
        pool_.emplace_back();
        slot = &pool_.back();
    }
    if (!tDecoder->DecodeInto(jpeg, *slot, scale))
        return false;
    // Set while only the pool holds it: setting it later would copy the picture.
    if (slot->devicePixelRatio() != need.dpr)
        slot->setDevicePixelRatio(need.dpr);
    decoded = *slot;  // shared with the pool; the pool reuses it once the GUI lets go
    return true;
}

void StreamSession::PostFrame(QImage decoded, const DisplayNeed& need, QSize source,
                              qint64 cameraTimeUs, qint64 now)
{
    // What the decoder could not do is done here once, never while painting.
    QImage image = std::move(decoded);
    if (image.size() != need.size) {
        image = image.scaled(need.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDevicePixelRatio(need.dpr);
    }
    const int angle = need.angle == 90 || need.angle == 180 || need.angle == 270 ? need.angle : 0;
    if (angle != 0) {
        image = image.transformed(QTransform().rotate(angle));
        image.setDevicePixelRatio(need.dpr);
    }
    lastDecodeUs_ = now;
    ++framesDecoded;
    bool post = false;
    {
        std::lock_guard lock(mutex_);
        pending_ = DecodedFrame{std::move(image), angle, source, cameraTimeUs, now};
        hasPending_ = true;
        if (!framePosted_ && receiver_) {
            framePosted_ = true;
            post = true;
        }
    }
    if (post) {
        auto cb = callbacks_.frameReady;
        Post([cb] {
            if (cb)
                cb();
        });
    }
}

StreamSession::Outcome StreamSession::RunOnce(bool reconnect, bool& gotPicture)
{
    HttpConnection conn;
    const HttpResponse r = conn.Open(options_.endpoint, auth_, "GET", options_.path, {}, {},
                                     DeadlineIn(options_.connectTimeoutMs), &cancel_);
    if (r.io == IoResult::Cancelled || cancel_.IsCancelled())
        return Outcome::Cancelled;
    if (r.io != IoResult::Ok)
        return Outcome::Unreachable;
    if (r.status == 401)
        return Outcome::Refused;
    if (r.status >= 500)
        return Outcome::Unreachable;  // a camera still starting may answer so
    const QByteArray type = r.Header("content-type");
    const QByteArray boundary = MultipartParser::BoundaryFrom(type);
    if (!r.Ok() || !type.toLower().startsWith("multipart/") || boundary.isEmpty())
        return Outcome::NotServed;

    MultipartParser parser(boundary, options_.maxPartBytes);
    bool pictureInThisRead = false;
    parser.onPart = [&](MultipartPart&& part) {
        const quint64 before = framesReceived.load();
        HandlePart(part, reconnect, gotPicture);
        pictureInThisRead = pictureInThisRead || framesReceived.load() != before;
    };
    bool tooLarge = false;
    parser.onDamage = [&](MultipartParser::Damage d) {
        ReportDamage();
        tooLarge = tooLarge || d != MultipartParser::Damage::MalformedHeader;
    };

    // The first picture may take as long as the connection; later ones the
    // stall time. Only pictures keep the stream alive: damaged parts do not.
    Deadline stallAt = DeadlineIn(std::max(options_.connectTimeoutMs, options_.stallTimeoutMs));
    QByteArray data;
    for (;;) {
        data.clear();
        const IoResult io = conn.ReadBody(data, 256 * 1024, stallAt, &cancel_);
        if (io == IoResult::Cancelled)
            return Outcome::Cancelled;
        if (io == IoResult::TimedOut)
            return gotPicture ? Outcome::Stalled : Outcome::NoPictures;
        if (io != IoResult::Ok)
            return gotPicture ? Outcome::Lost : Outcome::Unreachable;
        bytesRead += static_cast<quint64>(data.size());
        pictureInThisRead = false;
        parser.Feed(data);
        // A part larger than any picture: whatever follows is not worth reading.
        if (tooLarge)
            return Outcome::TooLarge;
        if (pictureInThisRead)
            stallAt = DeadlineIn(options_.stallTimeoutMs);
    }
}

void StreamSession::Run()
{
    JpegDecoder decoder;
    tDecoder = &decoder;
    PostStatus(NotifyCode::Connecting);
    bool everConnected = false;
    bool downReported = false;  // since the last picture
    size_t backoff = 0;
    qint64 failingSinceUs = NowUs();  // when the current run of failed attempts began
    for (;;) {
        bool gotPicture = false;
        const Outcome o = RunOnce(everConnected, gotPicture);
        if (o == Outcome::Cancelled || cancel_.IsCancelled())
            break;
        if (o == Outcome::Refused) {
            // The same credentials would be refused again: reported once, not retried.
            PostStatus(NotifyCode::LoginRefused);
            break;
        }
        if (gotPicture) {
            everConnected = true;
            downReported = false;
            backoff = 0;
            failingSinceUs = NowUs();
        }
        // A camera that answers without a stream is not retried; one that cannot be
        // reached (not up yet, gone for a while) is, until the retry time is over.
        const qint64 failingMs = (NowUs() - failingSinceUs) / 1000;
        if (o == Outcome::NotServed || failingMs >= options_.retryForMs) {
            PostStatus(NotifyCode::ConnectFailed);
            break;
        }
        // No pictures come any more (or none came yet): said once, not at every attempt.
        if (!downReported) {
            downReported = true;
            PostStatus(o == Outcome::Stalled || o == Outcome::NoPictures
                           ? NotifyCode::StreamStalled
                           : NotifyCode::ConnectionLost);
        }
        // Wait before the next attempt, never past the end of the retry time; a
        // stop ends the wait at once.
        qint64 waitMs = options_.backoffMs.empty()
                            ? 1000
                            : options_.backoffMs[std::min(backoff, options_.backoffMs.size() - 1)];
        waitMs = std::clamp<qint64>(std::min(waitMs, options_.retryForMs - failingMs), 0, 60000);
        ++backoff;
        pollfd p{cancel_.Fd(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(waitMs)) > 0)
            break;
    }
    tDecoder = nullptr;
    auto cb = callbacks_.ended;
    Post([cb] {
        if (cb)
            cb();
    });
}
