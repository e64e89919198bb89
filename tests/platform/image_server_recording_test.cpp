// Recording, motion detection and mail on motion of the production image
// server, against the simulated camera on loopback. The test plays the
// engine's part: it answers a split with RecordStart, as the engine does.
#include "platform/image_server/camera_media.h"
#include "platform/image_server/http_image_server.h"
#include "support/camsim_process.h"
#include "support/media_probe.h"
#include "support/smtp_sink.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

int Count(const QSignalSpy& spy, int code)
{
    int n = 0;
    for (const auto& args : spy)
        n += args.at(0).toInt() == code;
    return n;
}

QStringList AviFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.AVI")}, QDir::Files, QDir::Name);
}

std::unique_ptr<HttpImageServer> MakeServer(const CamsimProcess& camera)
{
    auto cam = std::make_unique<HttpImageServer>();
    cam->setUserName(QStringLiteral("admin"));
    cam->setPassword(QStringLiteral("admin"));
    cam->setIPAddress(camera.cams.at(0).address);
    cam->setPort(camera.cams.at(0).port);
    cam->setStreamTimeouts(5000, 5000, {50, 100, 200});
    return cam;
}

// Answers every split with RecordStart, as the engine does when storage is ready.
void ContinueAfterSplits(HttpImageServer& cam)
{
    QObject::connect(&cam, &ImageServer::Notify, &cam, [&cam](int code) {
        if (code == NotifyCode::RecordSplitSize || code == NotifyCode::RecordSplitTime)
            cam.recordStart();
    });
}

class ImageServerRecording : public ::testing::Test {
protected:
    void StartSim(const QStringList& args)
    {
        QString error;
        ASSERT_TRUE(sim.Start(args, &error)) << error.toStdString();
    }
    std::unique_ptr<HttpImageServer> Make() { return MakeServer(sim); }

    CamsimProcess sim;
};

struct SplitCase {
    QStringList camsim;
    int mode, sizeMb, minutes;
    int splitCode;
    int recordMs;
    int minFiles;
};

// Records with splits, answering each as the engine does, until the camera
// is stopped; then reads every file back.
void RecordWithSplits(const SplitCase& c)
{
    if (!HaveFfprobe())
        GTEST_SKIP() << "ffprobe (Debian package ffmpeg) is needed to read the files back";
    CamsimProcess local;
    QString error;
    ASSERT_TRUE(local.Start(c.camsim, &error)) << error.toStdString();
    QTemporaryDir dir;
    auto cam = MakeServer(local);
    cam->setRecordPath(dir.path());
    cam->setKeepFilePath(QString());
    cam->setSplitFileMode(c.mode);
    cam->setSplitFileSize(c.sizeMb);
    cam->setSplitFileTime(c.minutes);
    cam->setReserveSpace(500);
    EXPECT_TRUE(cam->storageReady());
    ContinueAfterSplits(*cam);
    QSignalSpy spy(cam.get(), &ImageServer::Notify);
    cam->start();
    cam->recordStart();  // at once, before the stream is up, as the engine does
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::Connected) > 0; }, 10000));
    QElapsedTimer recording;
    recording.start();
    // At least the recording time, and on until the splits wanted have come
    // (a busy machine slows the simulated camera down).
    WaitUntil([] { return false; }, c.recordMs);
    EXPECT_TRUE(WaitUntil([&] { return Count(spy, c.splitCode) >= c.minFiles - 1; },
                          3 * c.recordMs + 60000));
    const quint64 afterSplits = cam->framesReceived();
    EXPECT_TRUE(WaitUntil([&] { return cam->framesReceived() >= afterSplits + 5; }, 20000))
        << "the last file has a few pictures";

    local.Control(1, "stall?on=1");
    const double recordedS = recording.elapsed() / 1000.0;
    WaitUntil([] { return false; }, 700);
    const qint64 sent = RecordInt(local.Control(1, "state"), QStringLiteral("frames_sent"), -1);
    // The last pictures may still be on their way on a busy machine.
    EXPECT_TRUE(
        WaitUntil([&] { return static_cast<qint64>(cam->framesReceived()) >= sent; }, 10000));
    cam->recordStop();
    cam->stop();

    const QStringList files = AviFiles(dir.path());
    ASSERT_GE(files.size(), c.minFiles);
    EXPECT_EQ(Count(spy, c.splitCode), files.size() - 1);
    EXPECT_EQ(Count(spy, NotifyCode::RecordFailed), 0);
    qint64 recorded = 0;
    double duration = 0;
    for (const QString& f : files) {
        const QString path = dir.filePath(f);
        EXPECT_TRUE(f.endsWith(QStringLiteral(".AVI")));
        const MediaInfo m = ProbeMedia(path);
        ASSERT_TRUE(m.ran) << f.toStdString();
        EXPECT_EQ(m.errors, QString()) << f.toStdString();
        EXPECT_EQ(m.codec, QStringLiteral("mjpeg"));
        if (c.mode == 0) {
            EXPECT_LE(QFileInfo(path).size(), c.sizeMb * kMiB) << f.toStdString();
        } else {
            EXPECT_LE(m.durationS, 60.0 + 1e-6) << f.toStdString();
        }
        // The camera's own rate, as it really sent (a busy machine slows the simulated camera
        // down).
        const double sentRate = static_cast<double>(sent) / recordedS;
        EXPECT_NEAR(m.frameRate, sentRate, 0.2 * sentRate) << f.toStdString();
        recorded += m.framesDecoded;
        duration += m.durationS;
    }
    // Every picture sent is in the files, but for those a busy machine let
    // come faster than the files' rate (left out to keep the files' time true).
    EXPECT_EQ(recorded + static_cast<qint64>(cam->media().RecordStats().framesDropped), sent);
    // The files together play as long as the recording lasted: each file may
    // run up to half a second ahead of the camera's clock when pictures come
    // faster than the rate measured at its start.
    EXPECT_NEAR(duration, recordedS, 0.5 + 0.05 * recordedS + 0.5 * files.size());
    if (c.mode == 1) {
        const MediaInfo first = ProbeMedia(dir.filePath(files[0]));
        EXPECT_GT(first.durationS, 59.0);  // the camera's own timing: a minute of pictures
    }
}

}  // namespace

TEST_F(ImageServerRecording, SplitBySizeGivesPlayableFilesHoldingEveryPictureSent)
{
    RecordWithSplits({{QStringLiteral("--cameras"), QStringLiteral("1")},
                      0,
                      1,
                      0,
                      NotifyCode::RecordSplitSize,
                      4000,
                      3});
}

// A split time is whole minutes: a small, slow picture keeps this test light.
TEST_F(ImageServerRecording, SplitByTimeGivesPlayableFilesHoldingEveryPictureSent)
{
    RecordWithSplits({{QStringLiteral("--cameras"), QStringLiteral("1"), QStringLiteral("--size"),
                       QStringLiteral("160x120"), QStringLiteral("--fps"), QStringLiteral("10")},
                      1,
                      0,
                      1,
                      NotifyCode::RecordSplitTime,
                      63000,
                      2});
}

// The reserve ends a recording: on a small file system of its own when the
// test may mount one, else on a simulated small disk.
TEST_F(ImageServerRecording, ReserveOfFreeSpaceStopsTheRecording)
{
    if (!HaveFfprobe())
        GTEST_SKIP() << "ffprobe (Debian package ffmpeg) is needed to read the files back";
    StartSim({QStringLiteral("--cameras"), QStringLiteral("1")});
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("disk"));
    QDir().mkpath(folder);
    constexpr qint64 capacity = 8 * kMiB;
    const bool mounted =
        ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=8m") == 0;
    struct Unmount {
        QString path;
        bool active;
        ~Unmount()
        {
            if (active)
                ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
        }
    } unmount{folder, mounted};
    auto cam = Make();
    std::atomic<qint64> lowest{capacity};
    FreeSpaceFn measure = [&](const QString& path) {
        qint64 free = 0;
        if (mounted) {
            free = SystemFreeSpace(path);
        } else {
            qint64 used = 0;
            for (const QFileInfo& i : QDir(folder).entryInfoList(QDir::Files))
                used += i.size();
            free = capacity - used;
        }
        qint64 low = lowest;
        while (free < low && !lowest.compare_exchange_weak(low, free)) {}
        return free;
    };
    cam->setFreeSpaceFunction(measure);
    cam->setRecordPath(folder);
    cam->setSplitFileMode(0);
    cam->setSplitFileSize(100);

    // No room above a reserve larger than the disk: not ready, and a start fails at once.
    cam->setReserveSpace(10);
    EXPECT_FALSE(cam->storageReady());
    QSignalSpy spy(cam.get(), &ImageServer::Notify);
    cam->start();
    cam->recordStart();
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::RecordFailed) == 1; }, 30000));
    cam->recordStop();
    EXPECT_TRUE(AviFiles(folder).isEmpty());

    // A reserve of 5 MB on an 8 MB disk: about 3 MB of video, then the failure code.
    cam->setReserveSpace(5);
    EXPECT_TRUE(cam->storageReady());
    cam->recordStart();
    // About 3 MB of pictures: seconds, more on a busy machine.
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::RecordFailed) == 2; }, 180000))
        << "mounted: " << mounted;
    cam->recordStop();
    cam->stop();
    EXPECT_GE(lowest.load(), 5 * kMiB);
    const QStringList files = AviFiles(folder);
    ASSERT_EQ(files.size(), 1);
    const MediaInfo m = ProbeMedia(folder + QLatin1Char('/') + files[0]);
    EXPECT_EQ(m.errors, QString());
    EXPECT_GT(m.framesDecoded, 25);
    EXPECT_GT(QFileInfo(folder + QLatin1Char('/') + files[0]).size(), 2 * kMiB);
    EXPECT_TRUE(cam->media().RecordError().contains(QStringLiteral("reserve")))
        << cam->media().RecordError().toStdString();

    // Without a record folder nothing is ready.
    cam->setRecordPath(QString());
    EXPECT_FALSE(cam->storageReady());
}

TEST_F(ImageServerRecording, MotionIsReportedAboutOnceASecondOnlyWhileItLastsAndWhileWatched)
{
    StartSim({QStringLiteral("--cameras"), QStringLiteral("1")});
    auto cam = Make();
    cam->setSensitivity(5);
    cam->setAlarmFlags(8);
    QSignalSpy spy(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::Connected) > 0; }, 10000));

    // A static scene (with its clock and frame counter changing): no motion.
    WaitUntil([] { return false; }, 3000);
    EXPECT_EQ(Count(spy, NotifyCode::Motion), 0);

    // Motion: reported soon, then about once a second while it lasts (five
    // reports span about four seconds; a busy machine may stretch that, a
    // report per picture would squeeze it).
    std::vector<qint64> reports;
    QElapsedTimer t;
    QObject::connect(cam.get(), &ImageServer::Notify, cam.get(), [&](int code) {
        if (code == NotifyCode::Motion)
            reports.push_back(t.elapsed());
    });
    sim.Control(1, "motion?on=1");
    t.start();
    ASSERT_TRUE(WaitUntil([&] { return reports.size() >= 5; }, 30000));
    EXPECT_LT(reports.front(), 5000);
    const qint64 span = reports[4] - reports[0];
    EXPECT_GE(span, 3000);
    EXPECT_LE(span, 12000);

    // Once it ends, the reports end (after the ones already on their way).
    sim.Control(1, "motion?on=0");
    WaitUntil([] { return false; }, 3000);
    const int after = Count(spy, NotifyCode::Motion);
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(Count(spy, NotifyCode::Motion), after);

    // With the flags cleared (as while the camera pans) motion goes unreported.
    cam->setAlarmFlags(0);
    sim.Control(1, "motion?on=1");
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(Count(spy, NotifyCode::Motion), after);
    // At the lowest sensitivity the camera's small block is too small.
    cam->setSensitivity(1);
    cam->setAlarmFlags(1);
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(Count(spy, NotifyCode::Motion), after);
    cam->stop();
}

TEST_F(ImageServerRecording, TheFlagWordDecidesWhatMotionDoes)
{
    StartSim({QStringLiteral("--cameras"), QStringLiteral("1")});
    auto cam = Make();
    cam->setSensitivity(5);
    QSignalSpy spy(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::Connected) > 0; }, 10000));
    struct Case {
        int flags;
        bool reported;
        bool alarmOut;
    };
    // 1 alarm output, 8 motion recording; other bits mean nothing.
    for (const Case c : {Case{8, true, false}, Case{1, true, true}, Case{9, true, true},
                         Case{2, false, false}, Case{0, false, false}}) {
        SCOPED_TRACE(c.flags);
        cam->setAlarmFlags(c.flags);
        const qint64 switchesBefore =
            sim.Control(1, "state").value(QStringLiteral("alarm_switches")).toLongLong();
        const int before = Count(spy, NotifyCode::Motion);
        sim.Control(1, "motion?on=1");
        WaitUntil([&] { return Count(spy, NotifyCode::Motion) > before + 1; }, 3000);
        const Record during = sim.Control(1, "state");
        sim.Control(1, "motion?on=0");
        WaitUntil([] { return false; }, 1500);  // the last report and switch arrive
        EXPECT_EQ(Count(spy, NotifyCode::Motion) > before, c.reported);
        const qint64 switches =
            sim.Control(1, "state").value(QStringLiteral("alarm_switches")).toLongLong()
            - switchesBefore;
        if (c.alarmOut) {
            EXPECT_EQ(during.value(QStringLiteral("alarm_out")), QStringLiteral("1"));
            // Switched with the reports, about once a second.
            EXPECT_GE(switches, 1);
            EXPECT_LE(switches, Count(spy, NotifyCode::Motion) - before);
        } else {
            EXPECT_EQ(switches, 0);
        }
    }
    cam->stop();
}

TEST_F(ImageServerRecording, MailOnMotionArrivesWithThePictureAndTheIntervalHolds)
{
    StartSim({QStringLiteral("--cameras"), QStringLiteral("1")});
    SmtpSink::Options o;
    o.user = "camera";
    o.password = "pass";
    SmtpSink sink(o);
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("Front door.jpg"));
    auto cam = Make();
    cam->setSensitivity(5);
    cam->setSnapshotFile(picture);
    cam->setMailServer(sink.Address(), QStringLiteral("guard@example.org"),
                       QStringLiteral("camera@example.org"),
                       QStringLiteral("Motion at the front door"));
    cam->setMailUserName(QStringLiteral("camera"));
    cam->setMailPassword(QStringLiteral("pass"));
    cam->setMailIntervalTime(3);
    cam->setAlarmFlags(4);
    QSignalSpy spy(cam.get(), &ImageServer::Notify);
    std::vector<qint64> mailTimes;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(cam.get(), &ImageServer::Notify, cam.get(), [&](int code) {
        if (code == NotifyCode::MailSent)
            mailTimes.push_back(clock.elapsed());
    });
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::Connected) > 0; }, 10000));
    sim.Control(1, "motion?on=1");
    WaitUntil([] { return false; }, 7500);
    sim.Control(1, "motion?on=0");
    WaitUntil([] { return false; }, 1500);  // a mail on its way arrives
    EXPECT_EQ(sink.messages.size(), static_cast<qsizetype>(mailTimes.size()));

    // Motion for 7.5 s, reported every second, with an interval of 3 s: at
    // most three mails, none begun within 3 s of the one before (the sink
    // sees the connections with some delay of its own event loop).
    ASSERT_GE(mailTimes.size(), 2u);
    EXPECT_LE(mailTimes.size(), 3u);
    EXPECT_GE(Count(spy, NotifyCode::Motion), 6);
    for (qsizetype i = 1; i < sink.messages.size(); ++i)
        EXPECT_GE(sink.messages[i].connectedAtMs - sink.messages[i - 1].connectedAtMs, 2500);
    for (const SinkMessage& msg : sink.messages) {
        EXPECT_EQ(msg.authUser, QByteArray("camera"));
        EXPECT_EQ(msg.envelopeFrom, QByteArray("<camera@example.org>"));
        EXPECT_EQ(msg.recipients, QList<QByteArray>{"<guard@example.org>"});
        const ParsedMail m = ParseMail(msg.data);
        EXPECT_EQ(m.headers.value("subject"), QByteArray("Motion at the front door"));
        EXPECT_EQ(m.headers.value("from"), QByteArray("camera@example.org"));
        EXPECT_EQ(m.headers.value("to"), QByteArray("guard@example.org"));
        EXPECT_EQ(m.attachmentName, QByteArray("Front door.jpg"));
        const QImage image = QImage::fromData(m.attachment, "JPG");
        EXPECT_EQ(image.size(), QSize(640, 480));
    }
    EXPECT_EQ(Count(spy, NotifyCode::MailFailed) + Count(spy, NotifyCode::MailServerUnreachable),
              0);
    // The picture of the last mail was left where the program asked for it.
    QFile written(picture);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), ParseMail(sink.messages.last().data).attachment);
    written.close();
    QFile::remove(picture);  // as the engine does after the mail-sent code

    // SendMail goes at once, whatever the interval.
    const qsizetype before = sink.messages.size();
    cam->sendMail();
    ASSERT_TRUE(WaitUntil([&] { return sink.messages.size() == before + 1; }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::MailSent) == before + 1; }, 5000));

    // A server that cannot be reached is reported as such.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    cam->setMailServer(QStringLiteral("127.0.0.1:%1").arg(closedPort),
                       QStringLiteral("guard@example.org"), QStringLiteral("camera@example.org"),
                       QStringLiteral("x"));
    cam->sendMail();
    ASSERT_TRUE(
        WaitUntil([&] { return Count(spy, NotifyCode::MailServerUnreachable) == 1; }, 15000));
    cam->stop();
}
