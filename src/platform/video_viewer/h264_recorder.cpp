#include "platform/video_viewer/h264_recorder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <mutex>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
constexpr int kDefaultFps = 25;
constexpr int kMaxFps = 60;
constexpr int kRateSamples = 30;         // picture gaps the frame rate is measured from
constexpr qint64 kOvershootDivisor = 4;  // a file is cut at once a quarter over its size

struct Picture {
    std::vector<uint8_t> data;
    bool key = false;
    qint64 ptsUs = 0;
    int width = 0, height = 0;
    qint64 wallUs = 0;
};

QString SubTime(qint64 ms)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 10 % 100, 2, 10, QLatin1Char('0'));
}
}  // namespace

bool H264Recorder::HasIdr(const uint8_t* data, int size)
{
    for (int i = 0; i + 3 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            if ((data[i + 3] & 0x1F) == 5)
                return true;
            i += 2;
        }
    }
    return false;
}

// One open .AVI file and its .SUB companion.
struct AviFile {
    AVFormatContext* oc = nullptr;
    AVStream* st = nullptr;
    QFile sub;
    int fps = kDefaultFps;
    int width = 0, height = 0;
    qint64 firstPtsUs = 0;
    qint64 lastIndex = -1;
    bool headerWritten = false;
    qint64 bytes = 0;
    qint64 subSecond = -1;
    int subCount = 0;
    QString path;

    ~AviFile() { Close(); }

    bool Open(const QString& file, int w, int h, int rate, QString& error)
    {
        path = file;
        width = w;
        height = h;
        fps = rate;
        if (avformat_alloc_output_context2(&oc, nullptr, "avi", nullptr) < 0 || !oc) {
            error = QStringLiteral("no AVI writer");
            return false;
        }
        st = avformat_new_stream(oc, nullptr);
        st->time_base = AVRational{1, fps};
        st->avg_frame_rate = AVRational{fps, 1};
        st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        st->codecpar->codec_id = AV_CODEC_ID_H264;
        st->codecpar->codec_tag = MKTAG('H', '2', '6', '4');
        st->codecpar->width = w;
        st->codecpar->height = h;
        const QByteArray name = QFile::encodeName(file);
        if (avio_open(&oc->pb, name.constData(), AVIO_FLAG_WRITE) < 0) {
            error = QStringLiteral("cannot create %1").arg(file);
            return false;
        }
        if (avformat_write_header(oc, nullptr) < 0) {
            error = QStringLiteral("cannot write %1").arg(file);
            return false;
        }
        headerWritten = true;
        sub.setFileName(QFileInfo(file).path() + QLatin1Char('/')
                        + QFileInfo(file).completeBaseName() + QStringLiteral(".SUB"));
        if (!sub.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            error = QStringLiteral("cannot create %1").arg(sub.fileName());
            return false;
        }
        sub.write("[INFORMATION]\r\n[TITLE]" + QFileInfo(file).fileName().toUtf8()
                  + "\r\n[AUTHOR]\r\n[SOURCE]\r\n[PRG]\r\n[FILEPATH]\r\n[DELAY]0\r\n[CD "
                    "TRACK]0\r\n[COMMENT]\r\n[END INFORMATION]\r\n[SUBTITLE]\r\n"
                    "[COLF]&HFFFFFF,[STYLE]bd,[SIZE]18,[FONT]Arial\r\n");
        sub.flush();
        return true;
    }

    // Writes one picture; false on a write error.
    bool Write(const Picture& p)
    {
        if (lastIndex < 0)
            firstPtsUs = p.ptsUs;
        // Pictures follow each other at the file's rate; a pause of more than
        // two pictures (the camera skipped some) is kept as a pause.
        const qint64 byTime = (p.ptsUs - firstPtsUs) * fps / 1000000;
        const qint64 index = byTime > lastIndex + 2 ? byTime : lastIndex + 1;
        AVPacket* pkt = av_packet_alloc();
        pkt->data = const_cast<uint8_t*>(p.data.data());
        pkt->size = static_cast<int>(p.data.size());
        pkt->pts = pkt->dts = index;
        pkt->duration = 1;
        pkt->stream_index = 0;
        if (p.key)
            pkt->flags |= AV_PKT_FLAG_KEY;
        const int r = av_write_frame(oc, pkt);
        av_packet_free(&pkt);
        if (r < 0 || oc->pb->error < 0)
            return false;
        avio_flush(oc->pb);
        lastIndex = index;
        bytes = avio_tell(oc->pb);
        WriteSubtitle(p.wallUs, index * 1000 / fps);
        return oc->pb->error >= 0;
    }

    void WriteSubtitle(qint64 wallUs, qint64 fileMs)
    {
        const qint64 second = wallUs / 1000000;
        if (second == subSecond)
            return;
        subSecond = second;
        const QString text = QDateTime::fromMSecsSinceEpoch(wallUs / 1000)
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        sub.write((QStringLiteral("%1,%2\r\n%3\r\n\r\n")
                       .arg(SubTime(fileMs), SubTime(fileMs + 1000), text))
                      .toUtf8());
        sub.flush();
        ++subCount;
    }

    bool Close()
    {
        bool ok = true;
        if (oc) {
            if (oc->pb) {
                ok = headerWritten && av_write_trailer(oc) >= 0 && oc->pb->error >= 0;
                avio_closep(&oc->pb);
            }
            avformat_free_context(oc);
            oc = nullptr;
        }
        if (sub.isOpen())
            sub.close();
        return ok;
    }
};

struct H264Recorder::Impl {
    std::function<void(Event)> onEvent;
    mutable std::mutex mutex;
    enum class State { Idle, Armed, Recording, Split } state = State::Idle;
    QString folder;
    qint64 splitBytes = 0;
    std::vector<Picture> group;  // since the last key frame
    qint64 groupBytes = 0;
    std::vector<qint64> gapsUs;
    qint64 lastPtsUs = -1;
    std::unique_ptr<AviFile> file;
    Stats stats;
    QString error;
    qint64 lastNameMs = 0;

    int Fps() const
    {
        if (gapsUs.size() < 3)
            return kDefaultFps;
        std::vector<qint64> g = gapsUs;
        std::nth_element(g.begin(), g.begin() + static_cast<long>(g.size() / 2), g.end());
        const qint64 median = g[g.size() / 2];
        if (median <= 0)
            return kDefaultFps;
        return static_cast<int>(std::clamp<qint64>((1000000 + median / 2) / median, 1, kMaxFps));
    }

    QString NewFileName()
    {
        qint64 ms = QDateTime::currentMSecsSinceEpoch();
        if (ms <= lastNameMs)
            ms = lastNameMs + 1;
        for (;;) {
            const QString base =
                QDir(folder).filePath(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
                                          .toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
                                      + QLatin1Char('Z'));
            if (!QFile::exists(base + QStringLiteral(".AVI"))
                && !QFile::exists(base + QStringLiteral(".SUB"))) {
                lastNameMs = ms;
                return base + QStringLiteral(".AVI");
            }
            ++ms;
        }
    }

    // Closes the open file; counts it.
    void CloseFile()
    {
        if (!file)
            return;
        if (!file->Close() && error.isEmpty())
            error = QStringLiteral("cannot finish %1").arg(file->path);
        file.reset();
        ++stats.filesClosed;
    }

    // Opens a file for a picture group that starts with `first`. False after a failure.
    bool OpenFile(const Picture& first)
    {
        if (!QFileInfo(folder).isDir()) {
            error = QStringLiteral("the record folder %1 does not exist").arg(folder);
            return false;
        }
        file = std::make_unique<AviFile>();
        QString why;
        if (!file->Open(NewFileName(), first.width, first.height, Fps(), why)) {
            error = why;
            file->Close();
            QFile::remove(file->path);
            file.reset();
            return false;
        }
        return true;
    }

    // Writes a picture into the open file. Returns the event to report, if any.
    bool WritePicture(const Picture& p, bool& failed)
    {
        if (!file->Write(p)) {
            error = QStringLiteral("cannot write %1").arg(file->path);
            CloseFile();
            state = State::Idle;
            failed = true;
            return false;
        }
        ++stats.framesWritten;
        return true;
    }

    // Starts a file with the kept picture group; Armed when there is none yet.
    bool StartFromGroup(bool& failed)
    {
        if (group.empty() || !group.front().key || group.front().width <= 0) {
            state = State::Armed;
            return true;
        }
        if (!OpenFile(group.front())) {
            state = State::Idle;
            failed = true;
            return false;
        }
        state = State::Recording;
        for (const Picture& p : group)
            if (!WritePicture(p, failed))
                return false;
        return true;
    }
};

H264Recorder::H264Recorder(std::function<void(Event)> onEvent) : m_d(std::make_unique<Impl>())
{
    m_d->onEvent = std::move(onEvent);
}

H264Recorder::~H264Recorder() { Stop(); }

void H264Recorder::Start(const QString& folder, qint64 splitBytes)
{
    bool failed = false;
    {
        std::lock_guard lock(m_d->mutex);
        if (m_d->state == Impl::State::Recording || m_d->state == Impl::State::Armed)
            return;  // already recording
        m_d->folder = folder;
        m_d->splitBytes = splitBytes;
        m_d->error.clear();
        m_d->StartFromGroup(failed);
    }
    if (failed && m_d->onEvent)
        m_d->onEvent(Event::Failed);
}

void H264Recorder::Stop()
{
    std::lock_guard lock(m_d->mutex);
    m_d->CloseFile();
    m_d->state = Impl::State::Idle;
}

bool H264Recorder::Active() const
{
    std::lock_guard lock(m_d->mutex);
    return m_d->state != Impl::State::Idle;
}

H264Recorder::Stats H264Recorder::GetStats() const
{
    std::lock_guard lock(m_d->mutex);
    return m_d->stats;
}

QString H264Recorder::CurrentFile() const
{
    std::lock_guard lock(m_d->mutex);
    return m_d->file ? m_d->file->path : QString();
}

QString H264Recorder::LastError() const
{
    std::lock_guard lock(m_d->mutex);
    return m_d->error;
}

void H264Recorder::Push(const uint8_t* data, int size, bool key, qint64 ptsUs, int width,
                        int height, qint64 wallUs)
{
    if (!data || size <= 0)
        return;
    Picture p;
    p.data.assign(data, data + size);
    p.key = key || HasIdr(data, size);
    p.ptsUs = ptsUs;
    p.width = width;
    p.height = height;
    p.wallUs = wallUs;

    bool failed = false, split = false;
    {
        std::lock_guard lock(m_d->mutex);
        Impl& d = *m_d;
        if (d.lastPtsUs >= 0 && ptsUs > d.lastPtsUs && ptsUs - d.lastPtsUs < 1000000) {
            d.gapsUs.push_back(ptsUs - d.lastPtsUs);
            if (d.gapsUs.size() > kRateSamples)
                d.gapsUs.erase(d.gapsUs.begin());
        }
        d.lastPtsUs = ptsUs;

        // The picture group since the last key frame, bounded.
        if (p.key) {
            d.group.clear();
            d.groupBytes = 0;
        }
        if (!d.group.empty() || p.key) {
            if (d.groupBytes + size > kMaxGroupBytes) {
                d.group.clear();  // no key frame for too long: wait for the next one
                d.groupBytes = 0;
            } else {
                d.group.push_back(p);
                d.groupBytes += size;
            }
        }

        if (d.state == Impl::State::Recording && d.file) {
            const bool resized = width > 0 && (width != d.file->width || height != d.file->height);
            const bool full = d.splitBytes > 0 && d.file->bytes >= d.splitBytes;
            const bool overfull =
                d.splitBytes > 0
                && d.file->bytes >= d.splitBytes + d.splitBytes / kOvershootDivisor;
            if (resized) {
                // Goes on in a new file, from this picture's group on.
                d.CloseFile();
                d.state = Impl::State::Armed;
            } else if ((full && p.key) || overfull) {
                d.CloseFile();
                d.state = Impl::State::Split;
                split = true;
                if (!p.key) {
                    // Cut inside a picture group: the next file starts at the next key frame.
                    d.group.clear();
                    d.groupBytes = 0;
                }
            } else {
                d.WritePicture(p, failed);
            }
        }
        if (d.state == Impl::State::Armed && p.key && width > 0) {
            if (d.OpenFile(p)) {
                d.state = Impl::State::Recording;
                d.WritePicture(p, failed);
            } else {
                d.state = Impl::State::Idle;
                failed = true;
            }
        }
    }
    if (m_d->onEvent) {
        if (split)
            m_d->onEvent(Event::Split);
        if (failed)
            m_d->onEvent(Event::Failed);
    }
}
