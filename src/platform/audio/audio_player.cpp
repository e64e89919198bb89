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
    m_timer = new QTimer(this);
    m_timer->setInterval(kFeedIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &AudioPlayer::Feed);
}

AudioPlayer::~AudioPlayer() { Stop(); }

bool AudioPlayer::Start()
{
    if (m_playing)
        return m_sink != nullptr;
    m_playing = true;
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
    }
    m_timer->start();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    format.setSampleRate(kRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isNull() || !device.isFormatSupported(format)) {
        TellNoDevice();
        return false;
    }
    m_sink = new QAudioSink(device, format, this);
    m_sink->setBufferSize(static_cast<qsizetype>(kMaxQueuedMs) * kBytesPerMs);
    m_io = m_sink->start();
    if (!m_io) {
        delete m_sink;
        m_sink = nullptr;
        TellNoDevice();
        return false;
    }
    return true;
}

void AudioPlayer::Stop()
{
    m_playing = false;
    m_timer->stop();
    if (m_sink) {
        m_sink->stop();
        delete m_sink;
        m_sink = nullptr;
        m_io = nullptr;
    }
    std::lock_guard lock(m_mutex);
    m_queue.clear();
}

bool AudioPlayer::Playing() const { return m_playing; }

void AudioPlayer::SetSampleTap(SampleTap tap)
{
    std::lock_guard lock(m_mutex);
    m_tap = std::move(tap);
}

bool AudioPlayer::Push(const QByteArray& body, const QByteArray& contentType, qint64 firstSampleUs)
{
    std::vector<qint16> samples;
    if (!Decode(body, contentType, samples))
        return false;
    m_decoded += samples.size();
    SampleTap tap;
    {
        std::lock_guard lock(m_mutex);
        tap = m_tap;
    }
    if (tap)
        tap(samples, firstSampleUs);
    Block b;
    b.pcm = QByteArray(reinterpret_cast<const char*>(samples.data()),
                       static_cast<qsizetype>(samples.size() * sizeof(qint16)));
    b.firstSampleUs = firstSampleUs;
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(b));
    qsizetype queued = 0;
    for (const Block& q : m_queue)
        queued += q.pcm.size();
    while (m_queue.size() > 1 && queued > kMaxQueuedMs * kBytesPerMs) {
        queued -= m_queue.front().pcm.size();
        m_queue.erase(m_queue.begin());
    }
    return true;
}

void AudioPlayer::Feed()
{
    std::vector<Block> blocks;
    {
        std::lock_guard lock(m_mutex);
        if (!m_sink) {
            blocks.swap(m_queue);  // no output: the sound is handed over and dropped
        } else {
            qsizetype room = m_sink->bytesFree();
            while (!m_queue.empty() && m_queue.front().pcm.size() <= room) {
                room -= m_queue.front().pcm.size();
                blocks.push_back(std::move(m_queue.front()));
                m_queue.erase(m_queue.begin());
            }
        }
    }
    for (const Block& b : blocks) {
        if (m_io)
            m_io->write(b.pcm);
        if (onHandedToSink)
            onHandedToSink(b.firstSampleUs, NowUs());
    }
}
