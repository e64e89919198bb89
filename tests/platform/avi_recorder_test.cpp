#include "platform/image_server/avi_recorder.h"
#include "support/media_probe.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// Collects the recorder's events (they come from its own thread).
struct Events {
    std::mutex m;
    std::vector<int> codes;
    std::atomic<int> count{0};
    std::function<void(int)> Sink()
    {
        return [this](int code) {
            std::lock_guard lock(m);
            codes.push_back(code);
            ++count;
        };
    }
    std::vector<int> Codes()
    {
        std::lock_guard lock(m);
        return codes;
    }
    bool WaitFor(int n, int ms = 5000)
    {
        for (int i = 0; i < ms / 5 && count < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return count >= n;
    }
};

QStringList AviFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.AVI")}, QDir::Files, QDir::Name);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pushes pictures at `fps` camera time, without waiting in real time, but
// slowly enough for the writer (the tests check that nothing was dropped).
struct Feeder {
    explicit Feeder(AviRecorder& r, double rate = 25) : recorder(r), fps(rate) {}
    AviRecorder& recorder;
    double fps = 25;
    qint64 timeUs = 5'000'000;
    int sent = 0;
    std::vector<QByteArray> pictures;  // every picture sent, in order

    void Push(const QByteArray& jpeg)
    {
        recorder.Push(jpeg, timeUs);
        pictures.push_back(jpeg);
        timeUs += static_cast<qint64>(1e6 / fps);
        ++sent;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    void PushMany(int n, int width = 320, int height = 240)
    {
        for (int i = 0; i < n; ++i)
            Push(MakeTestJpeg(width, height, sent));
    }
};

// For each picture sent, the file (index in `files`) that holds its bytes; -1 none.
std::vector<int> WhereIsEachPicture(const std::vector<QByteArray>& pictures, const QString& folder,
                                    const QStringList& files)
{
    std::vector<QByteArray> contents;
    for (const QString& f : files)
        contents.push_back(ReadAll(QDir(folder).filePath(f)));
    std::vector<int> where;
    for (const QByteArray& p : pictures) {
        int found = -1;
        for (size_t i = 0; i < contents.size() && found < 0; ++i)
            if (contents[i].contains(p))
                found = static_cast<int>(i);
        where.push_back(found);
    }
    return where;
}

class AviRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveFfprobe())
            GTEST_SKIP() << "ffprobe (Debian package ffmpeg) is needed to read the files back";
        ASSERT_TRUE(dir_.isValid());
    }
    QString Folder() const { return dir_.path(); }
    QTemporaryDir dir_;
};

}  // namespace

TEST(JpegFrameSizeTest, ReadsTheFrameHeaderAndRejectsWhatIsNotAJpeg)
{
    const QByteArray good = MakeTestJpeg(321, 123, 1);
    QImage progressiveSource(64, 48, QImage::Format_RGB32);
    progressiveSource.fill(Qt::red);
    struct Case {
        const char* name;
        QByteArray data;
        bool ok;
        int w, h;
    } cases[] = {
        {"baseline", good, true, 321, 123},
        {"large", MakeTestJpeg(1280, 720, 2), true, 1280, 720},
        {"cut before the frame header", good.left(20), false, 0, 0},
        {"not a jpeg", QByteArray("GIF89a......................"), false, 0, 0},
        {"empty", QByteArray(), false, 0, 0},
        {"bogus segment length", QByteArray::fromHex("FFD8FFE0FFFF0000"), false, 0, 0},
        {"start marker only", QByteArray::fromHex("FFD8"), false, 0, 0},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        EXPECT_EQ(JpegFrameSize(c.data, w, h), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.w, c.h)) << c.name;
        }
    }
}

TEST_F(AviRecorderTest, FileKeepsTheCameraPicturesAndTiming)
{
    struct Case {
        double fps;
        int pictures;
        int gapAfter;  // picture after which the camera paused, -1 none
        qint64 gapUs;
    } cases[] = {
        {25, 60, -1, 0},
        {10, 25, -1, 0},
        {25, 50, 20, 1'000'000},  // a one-second pause stays in the file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fps << " fps, gap " << c.gapUs);
        QTemporaryDir dir;
        Events events;
        AviRecorder recorder(events.Sink());
        Feeder feed{recorder, c.fps};
        RecordSettings s;
        s.folder = dir.path();
        s.splitBytes = 0;
        recorder.Start(s);
        EXPECT_TRUE(recorder.Active());
        for (int i = 0; i < c.pictures; ++i) {
            feed.Push(MakeTestJpeg(320, 240, i));
            if (i == c.gapAfter)
                feed.timeUs += c.gapUs;
        }
        ASSERT_TRUE(recorder.Stop());
        EXPECT_FALSE(recorder.Active());
        EXPECT_TRUE(events.Codes().empty());
        EXPECT_EQ(recorder.GetStats().framesDropped, 0u);

        const QStringList files = AviFiles(dir.path());
        ASSERT_EQ(files.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{8}-\\d{6}-\\d{3}Z\\.AVI$"))
                        .match(files[0])
                        .hasMatch())
            << files[0].toStdString();
        const MediaInfo m = ProbeMedia(dir.filePath(files[0]));
        ASSERT_TRUE(m.ran);
        EXPECT_EQ(m.errors, QString());
        EXPECT_EQ(m.codec, QStringLiteral("mjpeg"));
        EXPECT_EQ(m.width, 320);
        EXPECT_EQ(m.height, 240);
        EXPECT_EQ(m.framesDecoded, c.pictures);
        EXPECT_NEAR(m.frameRate, c.fps, 0.01);
        const double expected = c.pictures / c.fps + c.gapUs / 1e6;
        EXPECT_NEAR(m.durationS, expected, 1.0 / c.fps + 1e-6);
        // Stored as sent: every picture's bytes are in the file, in order.
        const QByteArray content = ReadAll(dir.filePath(files[0]));
        qsizetype at = 0;
        for (const QByteArray& p : feed.pictures) {
            const qsizetype found = content.indexOf(p, at);
            ASSERT_GE(found, at) << "a picture is missing or out of order";
            at = found + p.size();
        }
    }
}

TEST_F(AviRecorderTest, AFileKeepsTheCameraTimeWhenPicturesOutrunItsRate)
{
    // The file's rate is measured on the first pictures (10 per second); the
    // camera then sends 25 per second for 6 s. The file must not play for
    // longer than the 8 s it covers: the surplus pictures are left out.
    Events events;
    AviRecorder recorder(events.Sink());
    Feeder feed{recorder, 10};
    RecordSettings s;
    s.folder = Folder();
    s.splitBytes = 0;
    recorder.Start(s);
    feed.PushMany(20);
    feed.fps = 25;
    feed.PushMany(150);
    ASSERT_TRUE(recorder.Stop());
    EXPECT_GT(recorder.GetStats().framesDropped, 0u);

    const QStringList files = AviFiles(Folder());
    ASSERT_EQ(files.size(), 1);
    const MediaInfo m = ProbeMedia(QDir(Folder()).filePath(files[0]));
    ASSERT_TRUE(m.ran);
    EXPECT_EQ(m.errors, QString());
    EXPECT_NEAR(m.frameRate, 10, 0.01);
    const double covered = 20 / 10.0 + 150 / 25.0;
    EXPECT_GE(m.durationS, covered - 0.2);
    EXPECT_LE(m.durationS, covered + 0.6) << "at most the allowed lead past the camera's time";
}

TEST_F(AviRecorderTest, SplitsBySizeAndTimeWithoutLosingPictures)
{
    struct Case {
        const char* name;
        int mode;
        qint64 bytes, ms;
        int expectedCode;
        double fps;
        int pictures;
    } cases[] = {
        {"size", 0, 1 * kMiB, 0, AviRecorder::kSplitSize, 25, 110},
        {"time", 1, 0, 2000, AviRecorder::kSplitTime, 25, 110},
        // 2 s is no whole number of frames: the last picture of a file must
        // end by the split time, not merely start before it.
        {"time, 9 fps", 1, 0, 2000, AviRecorder::kSplitTime, 9, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        Events events;
        AviRecorder recorder(events.Sink());
        Feeder feed{recorder, c.fps};
        RecordSettings s;
        s.folder = dir.path();
        s.splitMode = c.mode;
        s.splitBytes = c.bytes;
        s.splitMs = c.ms;
        recorder.Start(s);
        // As the program does: after each split, start again (a little later,
        // while pictures keep coming).
        int handled = 0;
        for (int i = 0; i < c.pictures; ++i) {
            feed.Push(MakeTestJpeg(640, 480, i));
            if (events.count > handled && i % 3 == 0) {
                ++handled;
                recorder.Start(s);
            }
        }
        ASSERT_TRUE(recorder.Stop());
        const std::vector<int> codes = events.Codes();
        ASSERT_GE(codes.size(), 2u);
        for (int code : codes)
            EXPECT_EQ(code, c.expectedCode);
        EXPECT_EQ(recorder.GetStats().framesDropped, 0u);

        const QStringList files = AviFiles(dir.path());
        ASSERT_EQ(files.size(), static_cast<qsizetype>(codes.size()) + 1);
        qint64 total = 0;
        for (const QString& f : files) {
            const MediaInfo m = ProbeMedia(dir.filePath(f));
            ASSERT_TRUE(m.ran) << f.toStdString();
            EXPECT_EQ(m.errors, QString()) << f.toStdString();
            total += m.framesDecoded;
            if (c.mode == 0) {
                EXPECT_LE(QFileInfo(dir.filePath(f)).size(), c.bytes) << f.toStdString();
            } else {
                EXPECT_LE(m.durationS, c.ms / 1000.0 + 1e-6) << f.toStdString();
            }
        }
        EXPECT_EQ(total, feed.sent);
        // Name order is recording order: the pictures run through the files in turn.
        const std::vector<int> where = WhereIsEachPicture(feed.pictures, dir.path(), files);
        for (size_t i = 0; i < where.size(); ++i) {
            ASSERT_GE(where[i], 0) << "picture " << i << " was not recorded";
            if (i > 0) {
                ASSERT_GE(where[i], where[i - 1]) << "picture " << i;
            }
        }
    }
}

TEST_F(AviRecorderTest, AfterASplitGoesOnInTheFolderNamedThenOrStopsCleanly)
{
    QTemporaryDir second;
    Events events;
    AviRecorder recorder(events.Sink());
    Feeder feed{recorder};
    RecordSettings s;
    s.folder = Folder();
    s.splitMode = 1;
    s.splitMs = 1000;
    recorder.Start(s);
    feed.PushMany(30);  // 1.2 s: one split
    ASSERT_TRUE(events.WaitFor(1));
    feed.PushMany(5);  // kept while the program decides
    s.folder = second.path();
    recorder.Start(s);
    feed.PushMany(10);
    ASSERT_TRUE(recorder.Stop());
    EXPECT_EQ(events.Codes().size(), 1u);
    ASSERT_EQ(AviFiles(Folder()).size(), 1);
    const QStringList next = AviFiles(second.path());
    ASSERT_EQ(next.size(), 1);
    EXPECT_EQ(ProbeMedia(Folder() + QLatin1Char('/') + AviFiles(Folder())[0]).framesDecoded
                  + ProbeMedia(second.filePath(next[0])).framesDecoded,
              45);

    // A stop while waiting after a split leaves no further file.
    QTemporaryDir third;
    s.folder = third.path();
    recorder.Start(s);
    feed.PushMany(30);
    ASSERT_TRUE(events.WaitFor(2));
    feed.PushMany(5);
    ASSERT_TRUE(recorder.Stop());
    EXPECT_EQ(AviFiles(third.path()).size(), 1);
    EXPECT_FALSE(recorder.Active());
}

TEST_F(AviRecorderTest, NeverWritesIntoTheReserve)
{
    // A simulated disk of 6 MiB: what is free is what the folder does not use.
    constexpr qint64 capacity = 6 * kMiB;
    auto folderBytes = [](const QString& folder) {
        qint64 sum = 0;
        for (const QFileInfo& i : QDir(folder).entryInfoList(QDir::Files))
            sum += i.size();
        return sum;
    };
    std::atomic<qint64> lowestFree{capacity};
    auto freeSpace = [&](const QString& folder) {
        const qint64 free = capacity - folderBytes(folder);
        qint64 low = lowestFree;
        while (free < low && !lowestFree.compare_exchange_weak(low, free)) {}
        return free;
    };
    struct Case {
        const char* name;
        qint64 reserve;
        bool startsAtAll;
    } cases[] = {
        {"reserve above what is free: no file at all", 7 * kMiB, false},
        {"reserve reached while recording", 4 * kMiB, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        lowestFree = capacity;
        Events events;
        AviRecorder recorder(events.Sink(), freeSpace);
        Feeder feed{recorder};
        RecordSettings s;
        s.folder = dir.path();
        s.splitBytes = 0;
        s.reserveBytes = c.reserve;
        EXPECT_EQ(StorageHasRoom(dir.path(), c.reserve, freeSpace), c.startsAtAll);
        recorder.Start(s);
        for (int i = 0; i < 200 && events.count == 0; ++i)
            feed.Push(MakeTestJpeg(640, 480, i, 95));
        ASSERT_TRUE(events.WaitFor(1));
        EXPECT_EQ(events.Codes(), std::vector<int>{AviRecorder::kFailed});
        EXPECT_FALSE(recorder.Active());
        EXPECT_TRUE(recorder.LastError().contains(QStringLiteral("reserve"))
                    || recorder.LastError().contains(QStringLiteral("free space")))
            << recorder.LastError().toStdString();
        recorder.Stop();
        EXPECT_LE(folderBytes(dir.path()), std::max<qint64>(0, capacity - c.reserve));
        EXPECT_GE(lowestFree.load(), std::min(capacity, c.reserve));
        const QStringList files = AviFiles(dir.path());
        if (!c.startsAtAll) {
            EXPECT_TRUE(files.isEmpty());
        } else {
            ASSERT_EQ(files.size(), 1);
            const MediaInfo m = ProbeMedia(dir.filePath(files[0]));
            EXPECT_EQ(m.errors, QString());
            EXPECT_GT(m.framesDecoded, 10);
            EXPECT_EQ(static_cast<quint64>(m.framesDecoded), recorder.GetStats().framesWritten);
        }
    }
}

TEST_F(AviRecorderTest, AMissingOrVanishingFolderEndsTheRecordingWithTheFailureCode)
{
    Events events;
    AviRecorder recorder(events.Sink());
    Feeder feed{recorder};
    RecordSettings s;
    s.folder = Folder() + QStringLiteral("/not-there");
    s.splitBytes = 0;
    recorder.Start(s);
    feed.PushMany(10);
    ASSERT_TRUE(events.WaitFor(1));
    EXPECT_EQ(events.Codes(), std::vector<int>{AviRecorder::kFailed});
    EXPECT_FALSE(recorder.Active());
    EXPECT_FALSE(QFileInfo::exists(s.folder));

    // The folder is taken away while a file is being written into it.
    s.folder = Folder() + QStringLiteral("/camera");
    ASSERT_TRUE(QDir().mkpath(s.folder));
    recorder.Start(s);
    feed.PushMany(10);
    for (int i = 0; i < 100 && recorder.CurrentFile().isEmpty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(recorder.CurrentFile().isEmpty());
    ASSERT_TRUE(QDir(s.folder).removeRecursively());
    for (int i = 0; i < 100 && events.count < 2; ++i)
        feed.PushMany(1);
    ASSERT_TRUE(events.WaitFor(2));
    EXPECT_EQ(events.Codes().back(), AviRecorder::kFailed);
    EXPECT_TRUE(recorder.LastError().contains(QStringLiteral("removed")))
        << recorder.LastError().toStdString();
    EXPECT_TRUE(recorder.Stop());
}

// A small real file system: the disk really fills up, and a read-only one
// refuses the file. Needs the right to mount (root); skipped otherwise.
TEST_F(AviRecorderTest, DiskFullAndReadOnlyFileSystemEndTheRecordingCleanly)
{
    const QString mountPoint = Folder() + QStringLiteral("/small");
    const QString roPoint = Folder() + QStringLiteral("/readonly");
    QDir().mkpath(mountPoint);
    QDir().mkpath(roPoint);
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
    } unmount{mountPoint};
    ASSERT_EQ(
        ::mount("tmpfs", QFile::encodeName(roPoint).constData(), "tmpfs", MS_RDONLY, "size=1m"), 0);
    Unmount unmountRo{roPoint};

    // The free-space check is told there is plenty, so that the disk itself runs full.
    Events events;
    AviRecorder recorder(events.Sink(), [](const QString&) { return 1024 * kMiB; });
    Feeder feed{recorder};
    RecordSettings s;
    s.folder = mountPoint;
    s.splitMode = 0;
    s.splitBytes = 600 * 1024;  // a first file closes normally before the disk is full
    recorder.Start(s);
    // Each split is answered once, as the engine does; a second start after
    // the failure would begin a new recording and clear its reason.
    long answered = 0;
    for (int i = 0; i < 400 && events.count < 8; ++i) {
        feed.Push(MakeTestJpeg(640, 480, i));
        const std::vector<int> codes = events.Codes();
        if (std::find(codes.begin(), codes.end(), AviRecorder::kFailed) != codes.end())
            break;
        if (std::count(codes.begin(), codes.end(), AviRecorder::kSplitSize) > answered) {
            ++answered;
            recorder.Start(s);
        }
    }
    ASSERT_TRUE(events.WaitFor(1));
    ASSERT_EQ(events.Codes().back(), AviRecorder::kFailed);
    EXPECT_TRUE(recorder.LastError().contains(QString::fromLocal8Bit(strerror(ENOSPC))))
        << recorder.LastError().toStdString();
    EXPECT_TRUE(recorder.Stop());
    const QStringList files = AviFiles(mountPoint);
    ASSERT_GE(files.size(), 2);
    // The files closed at a split are whole.
    for (int i = 0; i + 1 < files.size(); ++i) {
        const MediaInfo m = ProbeMedia(mountPoint + QLatin1Char('/') + files[i]);
        EXPECT_EQ(m.errors, QString()) << files[i].toStdString();
        EXPECT_GT(m.framesDecoded, 0);
    }

    Events roEvents;
    AviRecorder roRecorder(roEvents.Sink(), [](const QString&) { return 1024 * kMiB; });
    Feeder roFeed{roRecorder};
    s.folder = roPoint;
    roRecorder.Start(s);
    roFeed.PushMany(10);
    ASSERT_TRUE(roEvents.WaitFor(1));
    EXPECT_EQ(roEvents.Codes(), std::vector<int>{AviRecorder::kFailed});
    EXPECT_TRUE(roRecorder.LastError().contains(QString::fromLocal8Bit(strerror(EROFS))))
        << roRecorder.LastError().toStdString();
}

// The program is killed while it records: the files it had closed are whole,
// the open one is readable up to its last complete picture, and the next
// recording in the folder rebuilds it.
TEST_F(AviRecorderTest, KilledWhileRecordingLeavesReadableFilesThatTheNextStartRepairs)
{
    const QString folder = Folder();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Two files closed at a split, then a third that stays open until the kill.
        std::atomic<int> splits{0};
        AviRecorder recorder([&](int code) { splits += code == AviRecorder::kSplitSize; });
        RecordSettings s;
        s.folder = folder;
        s.splitMode = 0;
        s.splitBytes = 300 * 1024;
        recorder.Start(s);
        int handled = 0;
        qint64 t = 1'000'000;
        for (int i = 0;; ++i) {
            recorder.Push(MakeTestJpeg(320, 240, i), t);
            t += 40'000;
            if (splits > handled) {
                if (++handled == 2)
                    s.splitBytes = 0;
                recorder.Start(s);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // Wait for two closed files and a good part of the third, then kill.
    for (int i = 0; i < 3000; ++i) {
        const QStringList files = AviFiles(folder);
        if (files.size() >= 3
            && QFileInfo(folder + QLatin1Char('/') + files[2]).size() > 100 * 1024)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const QStringList files = AviFiles(folder);
    ASSERT_EQ(files.size(), 3);
    const QString last = folder + QLatin1Char('/') + files.back();
    for (int i = 0; i + 1 < files.size(); ++i) {
        const QString path = folder + QLatin1Char('/') + files[i];
        EXPECT_FALSE(IsUnfinishedAvi(path)) << files[i].toStdString();
        const MediaInfo m = ProbeMedia(path);
        EXPECT_EQ(m.errors, QString()) << files[i].toStdString();
        EXPECT_GT(m.framesDecoded, 5);
    }
    ASSERT_TRUE(IsUnfinishedAvi(last));
    const MediaInfo before = ProbeMedia(last);
    ASSERT_TRUE(before.ran);
    EXPECT_GT(before.framesDecoded, 0);

    // The next recording in this folder repairs the file first.
    Events events;
    AviRecorder recorder(events.Sink());
    Feeder feed{recorder};
    RecordSettings s;
    s.folder = folder;
    s.splitBytes = 0;
    recorder.Start(s);
    feed.PushMany(10);
    ASSERT_TRUE(recorder.Stop());
    EXPECT_FALSE(IsUnfinishedAvi(last));
    const MediaInfo after = ProbeMedia(last);
    EXPECT_EQ(after.errors, QString());
    EXPECT_GE(after.framesDecoded, before.framesDecoded - 1);  // a picture cut short is left out
    EXPECT_GT(after.framesDecoded, 0);
    EXPECT_NEAR(after.durationS, after.framesDecoded / 25.0, 0.05);
    EXPECT_EQ(AviFiles(folder).size(), files.size() + 1);
}

TEST(AviRepairTest, LeavesFinishedAndForeignFilesAlone)
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("notes.AVI"));
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF\xff\xff\xff\xff"
                "AVI junk that is not a recording");
    }
    EXPECT_TRUE(IsUnfinishedAvi(garbage));
    QString why;
    EXPECT_FALSE(RepairAvi(garbage, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(ReadAll(garbage), QByteArray("RIFF\xff\xff\xff\xff"
                                           "AVI junk that is not a recording"));
    EXPECT_EQ(RepairUnfinishedAvis(dir.path()), 0);
    EXPECT_FALSE(IsUnfinishedAvi(dir.filePath(QStringLiteral("missing.AVI"))));
    const QString text = dir.filePath(QStringLiteral("readme.AVI"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("hello");
    }
    EXPECT_FALSE(IsUnfinishedAvi(text));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left behind
}
