// The viewer's stream input on bad streams: damaged, cut, resized in the
// middle, garbage, and endless without a key frame. Streams are made by
// ffmpeg (an encoder no one here wrote).
#include "platform/video_viewer/h264_recorder.h"
#include "platform/video_viewer/ts_decoder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSize>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

extern "C" {
#include <libavutil/frame.h>
}

namespace {

// An H.264 MPEG-TS of `seconds` at `size`, one key frame every `gop` pictures.
QByteArray MakeStream(const QString& size, int seconds, int gop)
{
    static QTemporaryDir dir;
    const QString file =
        dir.filePath(QStringLiteral("%1-%2-%3.ts").arg(size).arg(seconds).arg(gop));
    if (!QFile::exists(file)) {
        QProcess p;
        p.start(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                 QStringLiteral("lavfi"), QStringLiteral("-i"),
                 QStringLiteral("testsrc2=size=%1:rate=25").arg(size), QStringLiteral("-t"),
                 QString::number(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                 QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-g"),
                 QString::number(gop), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                 QStringLiteral("-f"), QStringLiteral("mpegts"), file});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return {};
    }
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Outcome {
    bool opened = false;
    quint64 frames = 0, packets = 0, damaged = 0, sizeChanges = 0;
    QSize last;
};

// Runs the decoder over `data`, handed over in reads of `chunk` bytes.
Outcome Decode(const QByteArray& data, int chunk = 4096)
{
    qsizetype pos = 0;
    TsDecoder d([&](uint8_t* buf, int size) {
        const int n = static_cast<int>(std::min<qsizetype>({size, chunk, data.size() - pos}));
        std::memcpy(buf, data.constData() + pos, static_cast<size_t>(n));
        pos += n;
        return n;
    });
    Outcome o;
    d.onFrame = [&](const AVFrame* f, qint64) { o.last = QSize(f->width, f->height); };
    o.opened = d.Run();
    o.frames = d.Frames();
    o.packets = d.Packets();
    o.damaged = d.Damaged();
    o.sizeChanges = d.SizeChanges();
    return o;
}

// Bytes of heap in use (the sanitizer's count when it replaces malloc, where
// freed memory is held back and the resident size says nothing).
qint64 HeapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 m = mallinfo2();
    return static_cast<qint64>(m.uordblks + m.hblkhd);
#endif
}

TEST(TsDecoder, DecodesEveryPictureOfAWholeStream)
{
    const QByteArray ts = MakeStream(QStringLiteral("320x240"), 2, 25);
    ASSERT_FALSE(ts.isEmpty());
    const Outcome o = Decode(ts);
    EXPECT_TRUE(o.opened);
    EXPECT_EQ(o.frames, 50u);
    EXPECT_EQ(o.packets, 50u);
    EXPECT_EQ(o.damaged, 0u);
    EXPECT_EQ(o.last, QSize(320, 240));
}

TEST(TsDecoder, SurvivesDamagedStreamsAndKeepsWhatCanBeDecoded)
{
    const QByteArray ts = MakeStream(QStringLiteral("320x240"), 2, 25);
    ASSERT_FALSE(ts.isEmpty());
    QByteArray flipped = ts;
    QRandomGenerator rng(7);
    for (int i = 0; i < 200; ++i)
        flipped[rng.bounded(static_cast<int>(flipped.size()))] ^=
            static_cast<char>(1 << rng.bounded(8));
    QByteArray garbage(2 * 1024 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng.bounded(256));
    QByteArray holes = ts;  // whole transport packets missing here and there
    for (qsizetype at = 188 * 40; at + 188 * 3 < holes.size(); at += 188 * 97)
        holes.remove(at, 188 * 3);

    struct Case {
        const char* name;
        QByteArray data;
        quint64 minFrames, maxFrames;
    } cases[] = {
        {"cut in the middle of a packet", ts.left(ts.size() / 2 + 77), 15, 30},
        {"bits flipped", flipped, 10, 60},
        {"transport packets missing", holes, 10, 60},
        {"random bytes", garbage, 0, 0},
        {"nothing at all", QByteArray(), 0, 0},
        {"one byte at a time", ts.left(188 * 200), 1, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o =
            Decode(c.data, std::string_view(c.name) == "one byte at a time" ? 1 : 4096);
        EXPECT_GE(o.frames, c.minFrames);
        EXPECT_LE(o.frames, c.maxFrames);
    }
}

TEST(TsDecoder, FollowsAPictureSizeChangeInTheMiddleOfTheStream)
{
    const QByteArray small = MakeStream(QStringLiteral("320x240"), 1, 25);
    const QByteArray large = MakeStream(QStringLiteral("640x480"), 1, 25);
    ASSERT_FALSE(small.isEmpty());
    ASSERT_FALSE(large.isEmpty());
    const Outcome o = Decode(small + large);
    EXPECT_EQ(o.sizeChanges, 1u);
    EXPECT_EQ(o.last, QSize(640, 480));
    EXPECT_GE(o.frames, 45u);
}

TEST(TsDecoder, AnEndlessStreamWithoutKeyFramesNeitherStopsNorGrowsMemory)
{
    // The tail of a stream with a single key frame at its start, sent again
    // and again: 40 MiB of pictures that can never be decoded cleanly.
    const QByteArray ts = MakeStream(QStringLiteral("320x240"), 8, 1000);
    ASSERT_FALSE(ts.isEmpty());
    const qsizetype from = (ts.size() / 2) / 188 * 188;
    const QByteArray tail = ts.mid(from, (ts.size() - from) / 188 * 188);
    ASSERT_FALSE(H264Recorder::HasIdr(reinterpret_cast<const uint8_t*>(tail.constData()),
                                      static_cast<int>(tail.size())));
    constexpr qint64 kTotal = 40LL * 1024 * 1024;
    qint64 sent = 0;
    qsizetype pos = 0;
    qint64 heapAfterWarmUp = 0;
    TsDecoder d([&](uint8_t* buf, int size) {
        if (sent >= kTotal)
            return 0;
        if (heapAfterWarmUp == 0 && sent > 4 * 1024 * 1024)
            heapAfterWarmUp = HeapInUse();
        const int n = static_cast<int>(std::min<qsizetype>(size, tail.size() - pos));
        std::memcpy(buf, tail.constData() + pos, static_cast<size_t>(n));
        pos = (pos + n) % tail.size();
        sent += n;
        return n;
    });
    // A recorder waiting for a key frame keeps nothing without one.
    QTemporaryDir dir;
    H264Recorder recorder([](H264Recorder::Event) {});
    recorder.Start(dir.path(), 1 << 20);
    d.onPacket = [&](const TsDecoder::Packet& p) {
        recorder.Push(p.data, p.size, false, p.ptsUs, p.width, p.height, 0);
    };
    EXPECT_TRUE(d.Run());
    EXPECT_GE(sent, kTotal);
    EXPECT_GT(d.Packets(), 1000u);
    EXPECT_LT(HeapInUse() - heapAfterWarmUp, 16 * 1024 * 1024);
    EXPECT_TRUE(recorder.CurrentFile().isEmpty());
    EXPECT_EQ(recorder.GetStats().framesWritten, 0u);
}

}  // namespace

namespace {

// Feeds a whole stream's packets to a recorder.
void Record(H264Recorder& recorder, const QByteArray& ts)
{
    qsizetype pos = 0;
    TsDecoder d([&](uint8_t* buf, int size) {
        const int n = static_cast<int>(std::min<qsizetype>(size, ts.size() - pos));
        std::memcpy(buf, ts.constData() + pos, static_cast<size_t>(n));
        pos += n;
        return n;
    });
    d.onPacket = [&](const TsDecoder::Packet& p) {
        recorder.Push(p.data, p.size, p.key, p.ptsUs, p.width, p.height, 1765375200000000);
    };
    d.Run();
}

TEST(H264Recorder, GoesOnInANewFileWhenThePictureSizeChanges)
{
    const QByteArray small = MakeStream(QStringLiteral("320x240"), 1, 25);
    const QByteArray large = MakeStream(QStringLiteral("640x480"), 1, 25);
    QTemporaryDir dir;
    std::vector<H264Recorder::Event> events;
    H264Recorder recorder([&](H264Recorder::Event e) { events.push_back(e); });
    recorder.Start(dir.path(), 64 << 20);
    Record(recorder, small + large);
    recorder.Stop();
    EXPECT_TRUE(events.empty());
    const QStringList avis =
        QDir(dir.path()).entryList({QStringLiteral("*.AVI")}, QDir::Files, QDir::Name);
    ASSERT_EQ(avis.size(), 2);
    EXPECT_EQ(recorder.GetStats().framesWritten, 50u);
    EXPECT_EQ(recorder.GetStats().filesClosed, 2u);
}

TEST(H264Recorder, AFolderThatDoesNotExistEndsTheRecordingWithAFailure)
{
    const QByteArray ts = MakeStream(QStringLiteral("320x240"), 1, 25);
    QTemporaryDir dir;
    std::vector<H264Recorder::Event> events;
    H264Recorder recorder([&](H264Recorder::Event e) { events.push_back(e); });
    recorder.Start(dir.filePath(QStringLiteral("gone")), 1 << 20);
    Record(recorder, ts);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], H264Recorder::Event::Failed);
    EXPECT_FALSE(recorder.Active());
    EXPECT_TRUE(recorder.LastError().contains(QStringLiteral("does not exist")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
