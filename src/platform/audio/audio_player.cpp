#include "platform/audio/audio_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QDateTime>
#include <QMediaDevices>
#include <QTimer>
#include <atomic>

namespace {
constexpr int kFeedIntervalMs = 10;
constexpr qsizetype kBytesPerMs = AudioPlayer::kRate * 2 / 1000;

std::mutex gNoticeMutex;
std::function<void()> gNotice;
bool gNoticeGiven = false;

void TellNoDevice()
{
    std::function<void()> notice;
    {
        std::lock_guard lock(gNoticeMutex);
        if (gNoticeGiven)
            return;
        gNoticeGiven = true;
        notice = gNotice;
    }
    if (notice)
        notice();
}

qint64 NowUs() { return QDateTime::currentMSecsSinceEpoch() * 1000; }
}  // namespace

void SetNoSoundDeviceNotice(std::function<void()> notice)
{
    std::lock_guard lock(gNoticeMutex);
    gNotice = std::move(notice);
}

qint16 AudioPlayer::MuLawToLinear(quint8 code)
{
    const int u = ~code & 0xFF;
    const int exponent = (u >> 4) & 0x07;
    const int mantissa = u & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<qint16>((u & 0x80) ? -magnitude : magnitude);
}

bool AudioPlayer::Decode(const QByteArray& body, const QByteArray& contentType,
                         std::vector<qint16>& out)
{
    out.clear();
    if (contentType == "audio/basic" || contentType == "audio/pcmu") {
        out.resize(static_cast<size_t>(body.size()));
        for (qsizetype i = 0; i < body.size(); ++i)
            out[static_cast<size_t>(i)] = MuLawToLinear(static_cast<quint8>(body[i]));
        return true;
    }
    if (contentType == "audio/l16") {
        out.resize(static_cast<size_t>(body.size() / 2));
        for (size_t i = 0; i < out.size(); ++i) {
            const auto hi = static_cast<quint8>(body[static_cast<qsizetype>(2 * i)]);
            const auto lo = static_cast<quint8>(body[static_cast<qsizetype>(2 * i + 1)]);
            out[i] = static_cast<qint16>((hi << 8) | lo);
        }
        return true;
    }
    return false;
}

AudioPlayer::AudioPlayer(QObject* parent) : QObject(parent)
{
    timer_ = new QTimer(this);
    timer_->setInterval(kFeedIntervalMs);
    connect(timer_, &QTimer::timeout, this, &AudioPlayer::Feed);
}

AudioPlayer::~AudioPlayer() { Stop(); }

bool AudioPlayer::Start()
{
    if (playing_)
        return sink_ != nullptr;
    playing_ = true;
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
    }
    timer_->start();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    format.setSampleRate(kRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isNull() || !device.isFormatSupported(format)) {
        TellNoDevice();
        return false;
    }
    sink_ = new QAudioSink(device, format, this);
    sink_->setBufferSize(static_cast<qsizetype>(kMaxQueuedMs) * kBytesPerMs);
    io_ = sink_->start();
    if (!io_) {
        delete sink_;
        sink_ = nullptr;
        TellNoDevice();
        return false;
    }
    return true;
}

void AudioPlayer::Stop()
{
    playing_ = false;
    timer_->stop();
    if (sink_) {
        sink_->stop();
        delete sink_;
        sink_ = nullptr;
        io_ = nullptr;
    }
    std::lock_guard lock(mutex_);
    queue_.clear();
}

bool AudioPlayer::Playing() const { return playing_; }

void AudioPlayer::SetSampleTap(SampleTap tap)
{
    std::lock_guard lock(mutex_);
    tap_ = std::move(tap);
}

bool AudioPlayer::Push(const QByteArray& body, const QByteArray& contentType, qint64 firstSampleUs)
{
    std::vector<qint16> samples;
    if (!Decode(body, contentType, samples))
        return false;
    decoded_ += samples.size();
    SampleTap tap;
    {
        std::lock_guard lock(mutex_);
        tap = tap_;
    }
    if (tap)
        tap(samples, firstSampleUs);
    Block b;
    b.pcm = QByteArray(reinterpret_cast<const char*>(samples.data()),
                       static_cast<qsizetype>(samples.size() * sizeof(qint16)));
    b.firstSampleUs = firstSampleUs;
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(b));
    qsizetype queued = 0;
    for (const Block& q : queue_)
        queued += q.pcm.size();
    while (queue_.size() > 1 && queued > kMaxQueuedMs * kBytesPerMs) {
        queued -= queue_.front().pcm.size();
        queue_.erase(queue_.begin());
    }
    return true;
}

void AudioPlayer::Feed()
{
    std::vector<Block> blocks;
    {
        std::lock_guard lock(mutex_);
        if (!sink_) {
            blocks.swap(queue_);  // no output: the sound is handed over and dropped
        } else {
            qsizetype room = sink_->bytesFree();
            while (!queue_.empty() && queue_.front().pcm.size() <= room) {
                room -= queue_.front().pcm.size();
                blocks.push_back(std::move(queue_.front()));
                queue_.erase(queue_.begin());
            }
        }
    }
    for (const Block& b : blocks) {
        if (io_)
            io_->write(b.pcm);
        if (onHandedToSink)
            onHandedToSink(b.firstSampleUs, NowUs());
    }
}
