#include "platform/image_server/avi_recorder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

namespace {

constexpr qint64 kMiB = 1024 * 1024;
// Pictures waiting for the writer thread; beyond this the disk is too slow.
constexpr qsizetype kQueueMaxFrames = 250;
constexpr qint64 kQueueMaxBytes = 32 * kMiB;
// Pictures kept between a split and the next start.
constexpr qsizetype kHoldMaxFrames = 1500;
constexpr qint64 kHoldMaxBytes = 64 * kMiB;
// A gap longer than this (camera time) is not kept in the file.
constexpr qint64 kMaxGapUs = 60LL * 1000 * 1000;
// How far a file may run ahead of the camera's clock when pictures come
// faster than its frame rate; a picture beyond it is left out.
constexpr qint64 kMaxLeadUs = 500LL * 1000;
// Room a file's end (index and header update) needs beyond its pictures.
constexpr qint64 kTrailerSlack = 64 * 1024;
constexpr int kAviIndexEntry = 16;
// The free space is asked again after this much was written (and every second).
constexpr qint64 kRequeryBytes = 4 * kMiB;

QString ErrnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Files being written by a recorder of this program; the repair leaves them alone.
std::mutex gOpenFilesMutex;
std::set<QString> gOpenFiles;

void RegisterOpen(const QString& path, bool open)
{
    std::lock_guard lock(gOpenFilesMutex);
    if (open)
        gOpenFiles.insert(path);
    else
        gOpenFiles.erase(path);
}

bool IsOpenHere(const QString& path)
{
    std::lock_guard lock(gOpenFilesMutex);
    return gOpenFiles.count(path) != 0;
}

// ---------------------------------------------------------------------------
// One .AVI file, written through our own I/O so that every write error is
// seen with its cause, and every picture reaches the operating system at once.
class AviFile {
public:
    AviFile() = default;
    ~AviFile() { Abort(); }
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Creates `path` (which must not exist) and writes the header.
    bool Open(const QString& path, int width, int height, AVRational frameTime)
    {
        path_ = path;
        frameTime_ = frameTime;
        fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     0644);
        if (fd_ < 0) {
            err_ = errno;
            error_ = QStringLiteral("cannot create %1: %2").arg(path, ErrnoText(err_));
            return false;
        }
        if (avformat_alloc_output_context2(&ctx_, nullptr, "avi", nullptr) < 0 || !ctx_)
            return Fail(QStringLiteral("the AVI writer is not available"));
        constexpr int kBufferSize = 64 * 1024;
        auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
        if (!buffer)
            return Fail(QStringLiteral("out of memory"));
        pb_ = avio_alloc_context(buffer, kBufferSize, 1, this, nullptr, &AviFile::WriteCb,
                                 &AviFile::SeekCb);
        if (!pb_) {
            av_free(buffer);
            return Fail(QStringLiteral("out of memory"));
        }
        pb_->seekable = AVIO_SEEKABLE_NORMAL;
        ctx_->pb = pb_;
        stream_ = avformat_new_stream(ctx_, nullptr);
        if (!stream_)
            return Fail(QStringLiteral("out of memory"));
        AVCodecParameters* par = stream_->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_MJPEG;
        par->codec_tag = MKTAG('M', 'J', 'P', 'G');
        par->width = width;
        par->height = height;
        stream_->time_base = frameTime;
        stream_->avg_frame_rate = av_inv_q(frameTime);
        stream_->r_frame_rate = av_inv_q(frameTime);
        const int rc = avformat_write_header(ctx_, nullptr);
        if (rc < 0 || !Flush())
            return Fail(err_ ? QString() : QStringLiteral("cannot write the file header"));
        packet_ = av_packet_alloc();
        if (!packet_)
            return Fail(QStringLiteral("out of memory"));
        return true;
    }

    // After a failed Open: takes away the file it created.
    void Discard()
    {
        const bool created = fd_ >= 0;
        Release();
        if (created)
            QFile::remove(path_);
    }

    // Writes one picture at `pts` (in frame times; strictly increasing). A
    // jump in pts leaves empty frames for the gap.
    bool Write(const QByteArray& jpeg, int64_t pts)
    {
        av_packet_unref(packet_);
        packet_->data = reinterpret_cast<uint8_t*>(const_cast<char*>(jpeg.constData()));
        packet_->size = static_cast<int>(jpeg.size());
        packet_->stream_index = 0;
        packet_->pts = packet_->dts = av_rescale_q(pts, frameTime_, stream_->time_base);
        packet_->duration = av_rescale_q(1, frameTime_, stream_->time_base);
        packet_->flags = AV_PKT_FLAG_KEY;
        const int rc = av_write_frame(ctx_, packet_);
        packet_->data = nullptr;
        packet_->size = 0;
        if (rc < 0 || !Flush())
            return Fail(err_ ? QString() : QStringLiteral("the AVI writer refused a picture"));
        ++frames_;
        lastPts_ = pts;
        return true;
    }

    // Writes the index and the final header; the file is complete afterwards.
    bool Finish()
    {
        if (!ctx_)
            return fd_ < 0 && error_.isEmpty();
        const int rc = av_write_trailer(ctx_);
        const bool ok = rc >= 0 && Flush();
        if (!ok && error_.isEmpty())
            error_ = err_ ? QStringLiteral("cannot finish %1: %2").arg(path_, ErrnoText(err_))
                          : QStringLiteral("cannot finish %1").arg(path_);
        Release();
        return ok;
    }

    // Closes without writing the end (after a failure).
    void Abort() { Release(); }

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    const QString& Path() const { return path_; }
    qint64 Size() const { return size_; }
    qint64 Frames() const { return frames_; }
    // Chunks in the file so far, pictures and gap fillers.
    qint64 Chunks() const { return lastPts_ + 1; }
    int64_t LastPts() const { return lastPts_; }
    int Errno() const { return err_; }
    const QString& Error() const { return error_; }

private:
#if LIBAVFORMAT_VERSION_MAJOR >= 61
    using WriteBuffer = const uint8_t*;
#else
    using WriteBuffer = uint8_t*;
#endif

    static int WriteCb(void* opaque, WriteBuffer buf, int size)
    {
        auto* self = static_cast<AviFile*>(opaque);
        int done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(self->fd_, buf + done, static_cast<size_t>(size - done),
                                       self->pos_ + done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                self->err_ = errno;
                return AVERROR(self->err_);
            }
            if (n == 0) {
                self->err_ = ENOSPC;
                return AVERROR(ENOSPC);
            }
            done += static_cast<int>(n);
        }
        self->pos_ += size;
        self->size_ = std::max(self->size_, self->pos_);
        return size;
    }

    static int64_t SeekCb(void* opaque, int64_t offset, int whence)
    {
        auto* self = static_cast<AviFile*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return self->size_;
        case SEEK_SET:
            self->pos_ = offset;
            break;
        case SEEK_CUR:
            self->pos_ += offset;
            break;
        case SEEK_END:
            self->pos_ = self->size_ + offset;
            break;
        default:
            return AVERROR(EINVAL);
        }
        return self->pos_;
    }

    bool Flush()
    {
        avio_flush(pb_);
        return pb_->error >= 0 && err_ == 0;
    }

    bool Fail(const QString& what)
    {
        if (error_.isEmpty())
            error_ = err_ ? QStringLiteral("cannot write %1: %2").arg(path_, ErrnoText(err_))
                          : QStringLiteral("%1: %2").arg(path_, what);
        return false;
    }

    void Release()
    {
        av_packet_free(&packet_);
        if (ctx_) {
            ctx_->pb = nullptr;
            avformat_free_context(ctx_);
            ctx_ = nullptr;
        }
        if (pb_) {
            av_freep(&pb_->buffer);
            avio_context_free(&pb_);
        }
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    QString path_;
    AVRational frameTime_{1, 25};
    int fd_ = -1;
    int64_t pos_ = 0;
    int64_t size_ = 0;
    AVFormatContext* ctx_ = nullptr;
    AVIOContext* pb_ = nullptr;
    AVStream* stream_ = nullptr;
    AVPacket* packet_ = nullptr;
    qint64 frames_ = 0;
    int64_t lastPts_ = -1;
    int err_ = 0;
    QString error_;
};

// The camera's picture interval over consecutive times, 0 when there are too
// few: the mean gap, leaving out pauses (gaps over three times the mean of
// all). A mean, not a median: pictures that arrive in bunches (a busy network
// or machine) make the median any of the bunch's gaps, while their mean stays
// the camera's rate.
qint64 TypicalInterval(const std::vector<qint64>& times)
{
    std::vector<qint64> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        if (times[i] > times[i - 1])
            gaps.push_back(times[i] - times[i - 1]);
    if (gaps.size() < 3)
        return 0;
    const qint64 all = std::accumulate(gaps.begin(), gaps.end(), qint64{0});
    const qint64 pause = 3 * all / static_cast<qint64>(gaps.size());
    qint64 sum = 0;
    qint64 count = 0;
    for (qint64 gap : gaps) {
        if (gap <= pause) {
            sum += gap;
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

// The time of one frame for a measured picture interval: a whole frame rate
// when the measurement is within 3 % of one, else the interval itself.
AVRational FrameTimeFor(qint64 intervalUs)
{
    intervalUs = std::clamp<qint64>(intervalUs, 1000000 / 120, 2000000);
    const double fps = 1e6 / static_cast<double>(intervalUs);
    const double whole = std::round(fps);
    if (whole >= 1 && std::abs(fps - whole) <= 0.03 * fps)
        return AVRational{1, static_cast<int>(whole)};
    AVRational r{static_cast<int>((intervalUs + 50) / 100), 10000};
    av_reduce(&r.num, &r.den, r.num, r.den, INT_MAX);
    return r;
}

qint64 FrameTimeUs(AVRational t) { return av_rescale(1000000, t.num, t.den); }

struct Picture {
    QByteArray jpeg;
    qint64 timeUs = 0;
};

}  // namespace

// ---------------------------------------------------------------------------

bool JpegFrameSize(const QByteArray& jpeg, int& width, int& height)
{
    const auto* p = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 4 <= n) {
        if (p[i] != 0xFF)
            return false;
        const unsigned char marker = p[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)  // end, or scan data before any frame header
            return false;
        const int length = (p[i + 2] << 8) | p[i + 3];
        if (length < 2 || i + 2 + length > n)
            return false;
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            if (length < 7)
                return false;
            height = (p[i + 5] << 8) | p[i + 6];
            width = (p[i + 7] << 8) | p[i + 8];
            return width > 0 && height > 0;
        }
        i += 2 + length;
    }
    return false;
}

qint64 SystemFreeSpace(const QString& path)
{
    struct statvfs st {};
    if (path.isEmpty() || ::statvfs(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
}

bool StorageHasRoom(const QString& folder, qint64 reserveBytes, const FreeSpaceFn& freeSpace)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    const qint64 free = freeSpace ? freeSpace(folder) : SystemFreeSpace(folder);
    return free >= 0 && free > reserveBytes;
}

// ---------------------------------------------------------------------------

struct AviRecorder::Impl {
    enum class State { Idle, Opening, Open, Waiting, Failed };
    struct Item {
        enum Kind { Frame, Start, Stop } kind = Frame;
        Picture picture;
        RecordSettings settings;
        quint64 stopId = 0;
    };

    std::function<void(int)> onEvent;
    FreeSpaceFn freeSpace;

    // Shared between the callers and the writer thread.
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable stopped;
    std::deque<Item> queue;
    qint64 queuedBytes = 0;
    qsizetype queuedFrames = 0;
    bool accepting = false;
    bool quit = false;
    quint64 stopRequested = 0;
    quint64 stopDone = 0;
    std::deque<qint64> recentTimes;  // of every picture pushed, for the frame rate
    Stats stats;
    QString lastError;
    QString currentFile;
    std::atomic<bool> active{false};

    // Writer thread only.
    State state = State::Idle;
    RecordSettings settings;
    std::deque<Picture> hold;
    qint64 holdBytes = 0;
    std::unique_ptr<AviFile> file;
    int fileWidth = 0, fileHeight = 0;
    AVRational frameTime{0, 1};
    qint64 fileStartUs = 0;
    qint64 freeAtQuery = 0;
    qint64 writtenSinceQuery = 0;
    std::chrono::steady_clock::time_point lastCheck;
    QDateTime lastStamp;
    std::set<QString> repairedFolders;

    std::thread thread;

    void Run();
    void HandleStart(const RecordSettings& s);
    void HandleFrame(Picture&& picture);
    void HandleStop();
    void TryOpen(bool force);
    void WritePicture(Picture&& picture);
    bool CloseFile();
    void Split(int code, Picture&& picture);
    void Fail(const QString& why);
    void Periodic(bool now);
    void Hold(Picture&& picture);
    qint64 Free();
    QString NewFileName();
    void Emit(int code)
    {
        if (onEvent)
            onEvent(code);
    }
};

AviRecorder::AviRecorder(std::function<void(int)> onEvent, FreeSpaceFn freeSpace)
    : d_(std::make_unique<Impl>())
{
    d_->onEvent = std::move(onEvent);
    d_->freeSpace = freeSpace ? std::move(freeSpace) : FreeSpaceFn(&SystemFreeSpace);
    d_->thread = std::thread([impl = d_.get()] { impl->Run(); });
}

AviRecorder::~AviRecorder()
{
    Stop();
    {
        std::lock_guard lock(d_->mutex);
        d_->quit = true;
    }
    d_->wake.notify_all();
    d_->thread.join();
}

void AviRecorder::Start(const RecordSettings& settings)
{
    {
        std::lock_guard lock(d_->mutex);
        Impl::Item item;
        item.kind = Impl::Item::Start;
        item.settings = settings;
        d_->queue.push_back(std::move(item));
        d_->accepting = true;
        d_->lastError.clear();
        d_->active = true;
    }
    d_->wake.notify_all();
}

bool AviRecorder::Stop(int timeoutMs)
{
    std::unique_lock lock(d_->mutex);
    Impl::Item item;
    item.kind = Impl::Item::Stop;
    item.stopId = ++d_->stopRequested;
    const quint64 id = item.stopId;
    d_->queue.push_back(std::move(item));
    d_->accepting = false;
    d_->active = false;
    d_->wake.notify_all();
    return d_->stopped.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return d_->stopDone >= id; });
}

void AviRecorder::Push(const QByteArray& jpeg, qint64 timeUs)
{
    {
        std::lock_guard lock(d_->mutex);
        if (!d_->recentTimes.empty() && timeUs < d_->recentTimes.back())
            d_->recentTimes.clear();  // the clock went back: a new stream
        d_->recentTimes.push_back(timeUs);
        while (d_->recentTimes.size() > 50)
            d_->recentTimes.pop_front();
        if (!d_->accepting)
            return;
        if (d_->queuedFrames >= kQueueMaxFrames || d_->queuedBytes + jpeg.size() > kQueueMaxBytes) {
            ++d_->stats.framesDropped;
            return;
        }
        Impl::Item item;
        item.picture = Picture{jpeg, timeUs};
        d_->queue.push_back(std::move(item));
        ++d_->queuedFrames;
        d_->queuedBytes += jpeg.size();
    }
    d_->wake.notify_all();
}

bool AviRecorder::Active() const { return d_->active; }

AviRecorder::Stats AviRecorder::GetStats() const
{
    std::lock_guard lock(d_->mutex);
    return d_->stats;
}

QString AviRecorder::LastError() const
{
    std::lock_guard lock(d_->mutex);
    return d_->lastError;
}

QString AviRecorder::CurrentFile() const
{
    std::lock_guard lock(d_->mutex);
    return d_->currentFile;
}

void AviRecorder::Impl::Run()
{
    for (;;) {
        Item item;
        {
            std::unique_lock lock(mutex);
            // Only an open file needs the periodic checks; otherwise sleep until told.
            if (state == State::Open)
                wake.wait_for(lock, std::chrono::milliseconds(250),
                              [&] { return quit || !queue.empty(); });
            else
                wake.wait(lock, [&] { return quit || !queue.empty(); });
            if (queue.empty()) {
                if (quit)
                    break;
                lock.unlock();
                Periodic(false);
                continue;
            }
            item = std::move(queue.front());
            queue.pop_front();
            if (item.kind == Item::Frame) {
                --queuedFrames;
                queuedBytes -= item.picture.jpeg.size();
            }
        }
        switch (item.kind) {
        case Item::Start:
            HandleStart(item.settings);
            break;
        case Item::Frame:
            HandleFrame(std::move(item.picture));
            break;
        case Item::Stop:
            HandleStop();
            {
                std::lock_guard lock(mutex);
                stopDone = std::max(stopDone, item.stopId);
            }
            stopped.notify_all();
            break;
        }
        Periodic(false);
    }
    HandleStop();
}

void AviRecorder::Impl::HandleStart(const RecordSettings& s)
{
    if (state == State::Open) {
        // Already writing: the new values count from the next file.
        settings = s;
        return;
    }
    if (state != State::Waiting) {
        hold.clear();
        holdBytes = 0;
    }
    settings = s;
    state = State::Opening;
    TryOpen(false);
}

void AviRecorder::Impl::HandleFrame(Picture&& picture)
{
    switch (state) {
    case State::Opening:
        Hold(std::move(picture));
        TryOpen(false);
        break;
    case State::Waiting:
        Hold(std::move(picture));
        break;
    case State::Open:
        WritePicture(std::move(picture));
        break;
    case State::Idle:
    case State::Failed:
        break;
    }
}

void AviRecorder::Impl::HandleStop()
{
    if (state == State::Opening && !hold.empty())
        TryOpen(true);  // a short recording still becomes a file
    if (state == State::Open)
        CloseFile();
    state = State::Idle;
    hold.clear();
    holdBytes = 0;
}

void AviRecorder::Impl::Hold(Picture&& picture)
{
    holdBytes += picture.jpeg.size();
    hold.push_back(std::move(picture));
    while (hold.size() > 1
           && (static_cast<qsizetype>(hold.size()) > kHoldMaxFrames || holdBytes > kHoldMaxBytes)) {
        holdBytes -= hold.front().jpeg.size();
        hold.pop_front();
        std::lock_guard lock(mutex);
        ++stats.framesDropped;
    }
}

qint64 AviRecorder::Impl::Free()
{
    freeAtQuery = freeSpace(settings.folder);
    writtenSinceQuery = 0;
    lastCheck = std::chrono::steady_clock::now();
    return freeAtQuery;
}

QString AviRecorder::Impl::NewFileName()
{
    QDateTime stamp = QDateTime::currentDateTimeUtc();
    if (lastStamp.isValid() && stamp <= lastStamp)
        stamp = lastStamp.addMSecs(1);
    lastStamp = stamp;
    return QDir(settings.folder)
        .filePath(stamp.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QStringLiteral("Z.AVI"));
}

void AviRecorder::Impl::TryOpen(bool force)
{
    if (hold.empty())
        return;
    // The frame rate: measured on the stream, else on the pictures held.
    std::vector<qint64> times;
    {
        std::lock_guard lock(mutex);
        times.assign(recentTimes.begin(), recentTimes.end());
    }
    qint64 interval = times.size() >= 8 ? TypicalInterval(times) : 0;
    if (interval == 0) {
        std::vector<qint64> held;
        for (const Picture& p : hold)
            held.push_back(p.timeUs);
        const qint64 span = hold.back().timeUs - hold.front().timeUs;
        if (held.size() >= 8 || span >= 2000000 || force)
            interval = TypicalInterval(held);
        if (interval == 0 && frameTime.num == 0 && !force && held.size() < 8 && span < 2000000)
            return;  // wait for a few more pictures
    }
    if (interval > 0)
        frameTime = FrameTimeFor(interval);
    else if (frameTime.num == 0)
        frameTime = AVRational{1, 25};

    int width = 0, height = 0;
    while (!hold.empty() && !JpegFrameSize(hold.front().jpeg, width, height)) {
        holdBytes -= hold.front().jpeg.size();
        hold.pop_front();
    }
    if (hold.empty())
        return;

    if (!QFileInfo(settings.folder).isDir())
        return Fail(QStringLiteral("the record folder %1 does not exist").arg(settings.folder));
    const qint64 free = Free();
    if (free < 0 || free - settings.reserveBytes < hold.front().jpeg.size() + kTrailerSlack + 4096)
        return Fail(QStringLiteral("not enough free space in %1 (reserve %2 MB)")
                        .arg(settings.folder)
                        .arg(settings.reserveBytes / kMiB));
    const QString folder = QFileInfo(settings.folder).canonicalFilePath();
    if (!repairedFolders.count(folder)) {
        repairedFolders.insert(folder);
        RepairUnfinishedAvis(folder);
    }

    auto next = std::make_unique<AviFile>();
    bool opened = false;
    for (int attempt = 0; attempt < 100 && !opened; ++attempt) {
        next = std::make_unique<AviFile>();
        opened = next->Open(NewFileName(), width, height, frameTime);
        if (!opened)
            next->Discard();
        if (!opened && next->Errno() != EEXIST)
            break;
    }
    if (!opened)
        return Fail(next->Error());
    file = std::move(next);
    RegisterOpen(file->Path(), true);
    {
        std::lock_guard lock(mutex);
        currentFile = file->Path();
    }
    fileWidth = width;
    fileHeight = height;
    fileStartUs = hold.front().timeUs;
    writtenSinceQuery = file->Size();
    state = State::Open;

    std::deque<Picture> pending;
    pending.swap(hold);
    holdBytes = 0;
    while (!pending.empty()) {
        Picture p = std::move(pending.front());
        pending.pop_front();
        if (state == State::Open) {
            WritePicture(std::move(p));
        } else if (state == State::Waiting || state == State::Opening) {
            Hold(std::move(p));
        }
    }
}

void AviRecorder::Impl::WritePicture(Picture&& picture)
{
    int width = 0, height = 0;
    if (!JpegFrameSize(picture.jpeg, width, height))
        return;  // not a picture: nothing to store
    if (width != fileWidth || height != fileHeight) {
        // The camera changed its picture size: go on in a new file.
        if (!CloseFile())
            return;
        state = State::Opening;
        Hold(std::move(picture));
        TryOpen(false);
        return;
    }

    const qint64 frameUs = FrameTimeUs(frameTime);
    const bool first = file->Frames() == 0;
    int64_t pts = 0;
    if (!first) {
        const qint64 elapsed = picture.timeUs - fileStartUs;
        pts = (elapsed + frameUs / 2) / frameUs;
        if (pts <= file->LastPts()) {
            // An early picture takes the next frame. When pictures keep coming
            // faster than the measured rate (a camera that speeds up, a burst
            // after a busy spell) the file would play longer than the time it
            // covers: past the lead, the picture is left out instead.
            if ((file->LastPts() + 1 - pts) * frameUs > kMaxLeadUs && elapsed >= 0) {
                std::lock_guard lock(mutex);
                ++stats.framesDropped;
                return;
            }
            pts = file->LastPts() + 1;
        }
        if ((pts - file->LastPts()) * frameUs > kMaxGapUs || elapsed < 0) {
            // The camera's clock jumped: carry on from the last picture.
            pts = file->LastPts() + 1;
            fileStartUs = picture.timeUs - pts * frameUs;
        }
        // A file holds at most the split time: the picture that would end
        // past it opens the next file.
        if (settings.splitMode == 1 && settings.splitMs > 0
            && (pts + 1) * frameUs > settings.splitMs * 1000)
            return Split(AviRecorder::kSplitTime, std::move(picture));
        const qint64 chunk = 8 + picture.jpeg.size() + (picture.jpeg.size() & 1);
        const qint64 gap = pts - file->LastPts() - 1;
        const qint64 projected =
            file->Size() + chunk + gap * 8 + kAviIndexEntry * (file->Chunks() + gap + 1) + 1024;
        if (settings.splitMode == 0 && settings.splitBytes > 0 && projected > settings.splitBytes)
            return Split(AviRecorder::kSplitSize, std::move(picture));
    }

    // Never write into the reserve: the picture, the empty frames of a gap and
    // the index entries must fit above it, with room for the file's end.
    const qint64 gapChunks = first ? 0 : pts - file->LastPts() - 1;
    const qint64 need = 8 + picture.jpeg.size() + 1 + gapChunks * (8 + kAviIndexEntry)
                        + kAviIndexEntry + kAviIndexEntry * file->Chunks() + kTrailerSlack;
    if (writtenSinceQuery > kRequeryBytes
        || freeAtQuery - writtenSinceQuery - need < settings.reserveBytes) {
        const qint64 free = Free();
        if (free < 0 || free - need < settings.reserveBytes) {
            CloseFile();
            return Fail(QStringLiteral("the free space in %1 reached the reserve of %2 MB")
                            .arg(settings.folder)
                            .arg(settings.reserveBytes / kMiB));
        }
    }

    const qint64 before = file->Size();
    if (!file->Write(picture.jpeg, pts)) {
        const QString why = file->Error();
        file->Finish();  // best effort: keeps what was written readable
        RegisterOpen(file->Path(), false);
        file.reset();
        return Fail(why);
    }
    writtenSinceQuery += file->Size() - before;
    std::lock_guard lock(mutex);
    ++stats.framesWritten;
    stats.bytesWritten += file->Size() - before;
}

void AviRecorder::Impl::Split(int code, Picture&& picture)
{
    if (!CloseFile())
        return;
    state = State::Waiting;
    Hold(std::move(picture));
    Emit(code);
}

bool AviRecorder::Impl::CloseFile()
{
    if (!file)
        return true;
    const bool ok = file->Finish();
    const QString why = file->Error();
    RegisterOpen(file->Path(), false);
    file.reset();
    {
        std::lock_guard lock(mutex);
        ++stats.filesClosed;
        currentFile.clear();
    }
    if (!ok) {
        Fail(why);
        return false;
    }
    return true;
}

void AviRecorder::Impl::Fail(const QString& why)
{
    if (file) {
        file->Abort();
        RegisterOpen(file->Path(), false);
        file.reset();
    }
    const bool report = state != State::Failed;
    state = State::Failed;
    hold.clear();
    holdBytes = 0;
    {
        std::lock_guard lock(mutex);
        lastError = why;
        currentFile.clear();
        accepting = false;
    }
    active = false;
    if (report)
        Emit(AviRecorder::kFailed);
}

void AviRecorder::Impl::Periodic(bool now)
{
    if (state != State::Open || !file)
        return;
    const auto t = std::chrono::steady_clock::now();
    if (!now && t - lastCheck < std::chrono::seconds(1))
        return;
    lastCheck = t;
    // The file (or its folder) may have been removed or replaced under us:
    // what we write would then be lost.
    struct stat onDisk {
    }, open{};
    if (::stat(QFile::encodeName(file->Path()).constData(), &onDisk) != 0
        || ::fstat(file->Fd(), &open) != 0 || onDisk.st_ino != open.st_ino
        || onDisk.st_dev != open.st_dev) {
        file->Abort();
        RegisterOpen(file->Path(), false);
        const QString path = file->Path();
        file.reset();
        return Fail(QStringLiteral("the recording file %1 or its folder was removed").arg(path));
    }
    Free();
}

// ---------------------------------------------------------------------------
// Unfinished files and their repair.

namespace {

quint32 ReadLe32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<quint32>(u[3]) << 24);
}

}  // namespace

bool IsUnfinishedAvi(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return false;
    // The writer fills in the size of the outer chunk only when it finishes.
    const quint32 riffSize = ReadLe32(head.constData() + 4);
    return riffSize == 0 || riffSize == 0xFFFFFFFFu || static_cast<qint64>(riffSize) + 8 > f.size();
}

bool RepairAvi(const QString& path, QString* error)
{
    auto setError = [&](const QString& e) {
        if (error)
            *error = e;
        return false;
    };
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return setError(QStringLiteral("cannot read %1").arg(path));
    struct InputCloser {
        AVFormatContext** ctx;
        ~InputCloser() { avformat_close_input(ctx); }
    } closer{&in};
    if (avformat_find_stream_info(in, nullptr) < 0)
        return setError(QStringLiteral("%1 holds no readable stream").arg(path));
    int video = -1;
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (in->streams[i]->codecpar->codec_id == AV_CODEC_ID_MJPEG)
            video = static_cast<int>(i);
    if (video < 0)
        return setError(QStringLiteral("%1 holds no JPEG pictures").arg(path));
    AVStream* st = in->streams[video];
    AVRational frameTime = st->time_base;
    if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
        frameTime = av_inv_q(st->avg_frame_rate);

    const QString temp = path + QStringLiteral(".repair");
    QFile::remove(temp);
    AviFile out;
    if (!out.Open(temp, st->codecpar->width, st->codecpar->height, frameTime)) {
        out.Discard();
        return setError(out.Error());
    }
    AVPacket* pkt = av_packet_alloc();
    int64_t lastPts = -1;
    qint64 pictures = 0;
    bool ok = true;
    while (ok && av_read_frame(in, pkt) >= 0) {
        if (pkt->stream_index == video && pkt->size > 0 && !(pkt->flags & AV_PKT_FLAG_CORRUPT)) {
            int w = 0, h = 0;
            const QByteArray jpeg(reinterpret_cast<const char*>(pkt->data), pkt->size);
            // A picture cut short by the kill has no end marker; leave it out.
            const bool complete = jpeg.size() >= 2
                                  && static_cast<unsigned char>(jpeg[jpeg.size() - 2]) == 0xFF
                                  && static_cast<unsigned char>(jpeg[jpeg.size() - 1]) == 0xD9;
            if (JpegFrameSize(jpeg, w, h) && complete) {
                int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
                int64_t pts =
                    ts == AV_NOPTS_VALUE ? lastPts + 1 : av_rescale_q(ts, st->time_base, frameTime);
                if (pts <= lastPts)
                    pts = lastPts + 1;
                ok = out.Write(jpeg, pts);
                lastPts = pts;
                ++pictures;
            }
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    if (!ok || !out.Finish()) {
        const QString why = out.Error();
        QFile::remove(temp);
        return setError(why);
    }
    if (pictures == 0) {
        QFile::remove(temp);
        return setError(QStringLiteral("%1 holds no complete picture").arg(path));
    }
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        const int err = errno;
        QFile::remove(temp);
        return setError(QStringLiteral("cannot replace %1: %2").arg(path, ErrnoText(err)));
    }
    return true;
}

int RepairUnfinishedAvis(const QString& folder)
{
    int repaired = 0;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        const QString path = info.absoluteFilePath();
        if (!path.endsWith(QStringLiteral(".AVI"), Qt::CaseInsensitive) || IsOpenHere(path))
            continue;
        if (IsUnfinishedAvi(path) && RepairAvi(path))
            ++repaired;
    }
    return repaired;
}
