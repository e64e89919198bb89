// The video viewer against simulated protocol-3 cameras (camsim) and against
// ffmpeg's own MPEG-TS-over-HTTP output: connection with the probe's
// parameters, pictures in the window, split recordings that ffprobe reads,
// snapshots, motion, mail and the alarm output, and the camera's sound
// (protocols 3 and 4).
#include "platform/audio/audio_player.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/http_wis_viewer.h"
#include "support/camsim_process.h"
#include "support/media_probe.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// Mean brightness (0..255) of a picture.
double MeanLevel(const QImage& img)
{
    const QImage g = img.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < g.height(); ++y) {
        const uchar* line = g.constScanLine(y);
        for (int x = 0; x < g.width(); ++x)
            sum += line[x];
    }
    return g.isNull() ? 0 : sum / (static_cast<double>(g.width()) * g.height());
}

// Share of the signal's power at `frequency` (Goertzel), and its RMS.
void ToneFigures(const std::vector<qint16>& s, double frequency, double& share, double& rms)
{
    const double w = 2 * M_PI * frequency / AudioPlayer::kRate;
    double s1 = 0, s2 = 0, energy = 0;
    for (qint16 v : s) {
        const double s0 = v + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += static_cast<double>(v) * v;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    const auto n = static_cast<double>(s.size());
    share = energy > 0 ? (2 * power / n) / energy : 0;
    rms = n > 0 ? std::sqrt(energy / n) : 0;
}

class ViewerCamsim : public ::testing::Test {
protected:
    void StartCamsim(const QStringList& extra = {})
    {
        QString error;
        ASSERT_TRUE(sim.Start(QStringList{QStringLiteral("--cameras"), QStringLiteral("1"),
                                          QStringLiteral("--protocol"), QStringLiteral("3"),
                                          QStringLiteral("--address"), QStringLiteral("127.0.33.1")}
                                  + extra,
                              &error))
            << error.toStdString();
    }

    // The engine's steps: probe through the image server, hand the two
    // parameters and the authentication text to the viewer, connect, start.
    void Connect(HttpWisViewer& viewer, int width = 320, int height = 240)
    {
        cam.setIPAddress(sim.cams[0].address);
        cam.setPort(sim.cams[0].port);
        cam.setUserName(QStringLiteral("admin"));
        cam.setPassword(QStringLiteral("admin"));
        cam.setProtocol(kProtocolViewer);
        cam.probeInit();  // the parameters are there right after it
        ASSERT_EQ(cam.viewerParam1(), sim.cams[0].port);
        ASSERT_GT(cam.viewerParam2(), 0);
        viewer.setViewerParam1(QString::number(cam.viewerParam1()));
        viewer.setViewerParam2(QString::number(cam.viewerParam2()));
        cam.probeStart(kProbePanTilt);
        viewer.attachWindow(&surface, width, height);
        viewer.connectTo(sim.cams[0].address);
        viewer.setAuthText(nonce);
        viewer.setStreamTimeouts(3000, 3000, {100, 200});
        viewer.start();
    }

    CamsimProcess sim;
    HttpImageServer cam;
    VideoSurface surface;
    QString nonce = QStringLiteral("41527730");
};

TEST_F(ViewerCamsim, ShowsTheCamerasPictureAtTheSizeShownAndFollowsItsImageSettings)
{
    StartCamsim();
    HttpWisViewer viewer;
    Connect(viewer);
    EXPECT_NE(viewer.state() & WisViewer::kStateRunning, 0);
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPresented() >= 10; }, 10000));
    EXPECT_EQ(viewer.sourceWidth(), 640);
    EXPECT_EQ(viewer.sourceHeight(), 480);
    EXPECT_EQ(surface.currentFrame().size(), QSize(320, 240));  // converted to the size shown
    const double before = MeanLevel(surface.currentFrame());
    EXPECT_GT(before, 20.0);  // a picture, not a black area

    // Brighter on the camera: brighter in the window.
    ImageConfig c;
    ASSERT_EQ(cam.getImageConfig(c, 0), ImageServer::kTrue);
    c.brightness = 128;
    ASSERT_EQ(cam.setImageConfig(c), ImageServer::kTrue);
    const quint64 shown = surface.framesPresented();
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPresented() >= shown + 10; }, 10000));
    EXPECT_GT(MeanLevel(surface.currentFrame()), before + 15);

    // A snapshot at the camera's own size, in the format its name says (BMP
    // unless it names JPEG).
    QTemporaryDir dir;
    struct Shot {
        const char* name;
        QByteArray magic;
        const char* format;
    };
    for (const Shot& shot : {Shot{"shot.bmp", "BM", "BMP"}, Shot{"shot.jpg", "\xff\xd8", "JPEG"},
                             Shot{"shot.JPEG", "\xff\xd8", "JPEG"}, Shot{"shot", "BM", "BMP"}}) {
        SCOPED_TRACE(shot.name);
        const QString file = dir.filePath(QLatin1String(shot.name));
        ASSERT_TRUE(viewer.saveSnapshot(file));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.read(2), shot.magic);
        EXPECT_EQ(QImage(file, shot.format).size(), QSize(640, 480));
    }

    viewer.stop();
    EXPECT_EQ(viewer.state() & WisViewer::kStateRunning, 0);
    const quint64 stopped = surface.framesPresented();
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(surface.framesPresented(), stopped);  // nothing drawn after the stop
}

TEST_F(ViewerCamsim, RefusesAViewerWithoutTheProbesTicket)
{
    StartCamsim();
    HttpWisViewer viewer;
    viewer.setViewerParam1(QString::number(sim.cams[0].port));
    viewer.setViewerParam2(QStringLiteral("12345"));  // never issued
    viewer.setAuthText(nonce);
    viewer.attachWindow(&surface, 320, 240);
    viewer.connectTo(sim.cams[0].address);
    viewer.setStreamTimeouts(2000, 2000, {100});
    viewer.start();
    WaitUntil([] { return false; }, 1500);
    EXPECT_EQ(viewer.stats().frames, 0u);
    EXPECT_EQ(surface.framesPresented(), 0u);
    EXPECT_GE(sim.Control(1, "state").value(QStringLiteral("auth_failures")).toInt(), 1);
}

TEST_F(ViewerCamsim, GoesOnShowingPicturesAfterDamageAndReconnectsAfterALoss)
{
    StartCamsim();
    HttpWisViewer viewer;
    Connect(viewer);
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPresented() >= 5; }, 10000));
    struct Fault {
        const char* command;
        bool reconnects;
    } faults[] = {{"corrupt?count=10&kind=garbage", false},
                  {"corrupt?count=10&kind=truncated", false},
                  {"drop", true}};
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.command);
        const quint64 connects = viewer.stats().connects;
        sim.Control(1, f.command);
        WaitUntil([] { return false; }, 600);
        const quint64 shown = surface.framesPresented();
        ASSERT_TRUE(WaitUntil([&] { return surface.framesPresented() >= shown + 25; }, 10000));
        EXPECT_EQ(viewer.stats().connects > connects, f.reconnects);
        EXPECT_NE(viewer.state() & WisViewer::kStateRunning, 0);
    }
}

TEST_F(ViewerCamsim, RecordsSplitFilesThatPlayWithEveryFrameAndTheirTimeSubtitles)
{
    StartCamsim({QStringLiteral("--size"), QStringLiteral("640x480")});
    ASSERT_EQ(sim.Control(1, "motion?on=1").value(QStringLiteral("motion")), QStringLiteral("1"));
    QTemporaryDir dir;
    HttpWisViewer viewer;
    Connect(viewer);
    viewer.setRecordPath(dir.path());
    viewer.setSplitBytes(150 * 1024);
    // The engine's answer to a split: stop, check the storage, start again.
    int splits = 0;
    QObject::connect(&viewer, &WisViewer::RecordSplit, [&] {
        ++splits;
        viewer.recordStop();
        viewer.recordStart();
    });
    ASSERT_TRUE(WaitUntil([&] { return viewer.stats().frames > 0; }, 10000));
    viewer.recordStart();
    ASSERT_TRUE(WaitUntil([&] { return splits >= 2; }, 30000))
        << viewer.recordError().toStdString();
    // The third file opens at once, or at the next key frame after a cut inside a picture group.
    ASSERT_TRUE(WaitUntil([&] { return !viewer.recordingFile().isEmpty(); }, 5000));
    viewer.recordStop();
    const quint64 written = viewer.recordedFrames();

    const QStringList avis =
        QDir(dir.path()).entryList({QStringLiteral("*.AVI")}, QDir::Files, QDir::Name);
    ASSERT_GE(avis.size(), 3);
    qint64 frames = 0;
    for (const QString& name : avis) {
        const QString path = dir.filePath(name);
        const MediaInfo m = ProbeMedia(path);
        ASSERT_TRUE(m.ran) << name.toStdString();
        EXPECT_EQ(m.codec, QStringLiteral("h264"));
        EXPECT_EQ(m.width, 640);
        EXPECT_GT(m.framesDecoded, 0);
        frames += m.framesDecoded;
        if (name != avis.last()) {
            EXPECT_GE(QFileInfo(path).size(), 150 * 1024);
            EXPECT_LT(QFileInfo(path).size(), 150 * 1024 * 5 / 4 + 64 * 1024);
        }
        // The companion: SubViewer text that ffmpeg's own reader turns into subtitles.
        const QString sub =
            dir.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".SUB"));
        ASSERT_TRUE(QFileInfo::exists(sub)) << sub.toStdString();
        QProcess p;
        p.start(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), sub,
                 QStringLiteral("-f"), QStringLiteral("srt"), QStringLiteral("-")});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString srt = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(srt.contains(QRegularExpression(QStringLiteral(
            "00:00:00,000 --> 00:00:01,000\\s+\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"))))
            << srt.left(300).toStdString();
    }
    EXPECT_EQ(frames, static_cast<qint64>(written));  // every frame written plays
}

TEST_F(ViewerCamsim, ReportsMotionAndWritesTheMailPictureBeforeAskingForTheMail)
{
    StartCamsim();
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("Camera 1.jpg"));
    HttpWisViewer viewer;
    viewer.setAlarmFlags(5);
    viewer.setSensitivity(8);
    viewer.setMailPictureFile(picture);
    Connect(viewer);
    QSignalSpy motion(&viewer, &WisViewer::Motion);
    bool pictureThere = false;
    int mails = 0;
    QObject::connect(&viewer, &WisViewer::MotionMail, [&] {
        ++mails;
        pictureThere = QImage(picture).size() == QSize(640, 480);
    });
    ASSERT_TRUE(WaitUntil([&] { return viewer.stats().frames >= 10; }, 10000));
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(motion.count(), 0);  // a still scene
    sim.Control(1, "motion?on=1");
    ASSERT_TRUE(WaitUntil([&] { return motion.count() >= 2 && mails >= 1; }, 10000));
    EXPECT_TRUE(pictureThere);

    viewer.setAlarmFlags(0);                // no flags: no detection
    WaitUntil([] { return false; }, 2000);  // a report already on its way arrives
    const int seen = motion.count();
    WaitUntil([] { return false; }, 2000);
    EXPECT_EQ(motion.count(), seen);
}

struct AlarmCase {
    const char* name;
    int flags;
    bool switches;  // the camera's alarm output is switched
};

void PrintTo(const AlarmCase& c, std::ostream* os)
{
    *os << c.name << " (flags " << c.flags << ")";
}

class ViewerAlarmCamsim : public ViewerCamsim, public ::testing::WithParamInterface<AlarmCase> {};

TEST_P(ViewerAlarmCamsim, MotionSwitchesTheCamerasAlarmOutputOnlyWithTheAlarmBit)
{
    const AlarmCase& c = GetParam();
    StartCamsim();
    HttpWisViewer viewer;
    viewer.setAlarmFlags(c.flags);
    viewer.setSensitivity(8);
    Connect(viewer);
    QSignalSpy motion(&viewer, &WisViewer::Motion);
    ASSERT_TRUE(WaitUntil([&] { return viewer.stats().frames >= 10; }, 10000));
    sim.Control(1, "motion?on=1");
    ASSERT_TRUE(WaitUntil([&] { return motion.count() >= 3; }, 10000));  // watched either way
    const Record during = sim.Control(1, "state");
    sim.Control(1, "motion?on=0");
    WaitUntil([] { return false; }, 1500);  // the last report and switch arrive
    const Record after = sim.Control(1, "state");
    const qint64 switches = after.value(QStringLiteral("alarm_switches")).toLongLong();
    if (c.switches) {
        EXPECT_EQ(during.value(QStringLiteral("alarm_out")), QStringLiteral("1"));
        // Switched again with the reports while the output is on, at most once for each.
        EXPECT_GE(switches, 2);
        EXPECT_LE(switches, motion.count());
    } else {
        EXPECT_EQ(switches, 0);
        EXPECT_EQ(after.value(QStringLiteral("alarm_out")), QStringLiteral("0"));
    }
    EXPECT_EQ(after.value(QStringLiteral("auth_failures")), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ViewerAlarmCamsim,
    ::testing::Values(AlarmCase{"AlarmAndMotionRecording", kAlarmOut | kAlarmMotionRecording, true},
                      AlarmCase{"MotionRecordingOnly", kAlarmMotionRecording, false}),
    [](const ::testing::TestParamInfo<AlarmCase>& info) { return std::string(info.param.name); });

TEST_F(ViewerCamsim, PlaysTheCamerasToneOnceTheImageServerOpenedItsSoundChannel)
{
    StartCamsim();
    HttpWisViewer viewer;
    Connect(viewer);
    ASSERT_TRUE(WaitUntil([&] { return viewer.stats().frames > 0; }, 10000));

    // Without the channel opened, the camera refuses the sound.
    viewer.audioOn();
    ASSERT_NE(viewer.audioPlayer(), nullptr);
    WaitUntil([] { return false; }, 600);
    EXPECT_EQ(viewer.audioPlayer()->SamplesDecoded(), 0u);
    viewer.audioOff();
    EXPECT_EQ(viewer.audioPlayer(), nullptr);

    cam.openAudio(nonce);
    viewer.audioOn();
    std::mutex m;
    std::vector<qint16> samples;
    viewer.audioPlayer()->SetSampleTap([&](const std::vector<qint16>& s, qint64) {
        std::lock_guard lock(m);
        samples.insert(samples.end(), s.begin(), s.end());
    });
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::lock_guard lock(m);
            return samples.size() >= 8000;
        },
        10000));
    double share = 0, rms = 0;
    {
        std::lock_guard lock(m);
        ToneFigures(samples, 1000, share, rms);
    }
    EXPECT_GT(share, 0.98);                        // a 1 kHz tone
    EXPECT_NEAR(rms, 8000 / std::sqrt(2.0), 400);  // at the camera's level
    viewer.stop();                                 // the sound goes with the stream
    EXPECT_EQ(viewer.audioPlayer(), nullptr);
}

TEST(ImageServerAudio, StreamModeThreeCarriesTheCamerasSoundForProtocolFour)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("--cameras"), QStringLiteral("1"), QStringLiteral("--protocol"),
                   QStringLiteral("4"), QStringLiteral("--address"), QStringLiteral("127.0.33.2")},
                  &error))
        << error.toStdString();
    HttpImageServer cam;
    VideoSurface surface;
    surface.resize(320, 240);
    surface.show();  // pictures no window shows are not decoded
    cam.setIPAddress(sim.cams[0].address);
    cam.setPort(sim.cams[0].port);
    cam.setUserName(QStringLiteral("admin"));
    cam.setPassword(QStringLiteral("admin"));
    cam.setProtocol(kProtocolWebStream);
    cam.setDisplay(&surface);
    cam.setDisplayEnabled(true);
    cam.setStreamMode(1);
    cam.start();
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPresented() >= 3; }, 10000));
    EXPECT_EQ(cam.audioPlayer(), nullptr);

    cam.setStreamMode(3);
    cam.applyStreamMode();
    ASSERT_NE(cam.audioPlayer(), nullptr);
    std::mutex m;
    std::vector<qint16> samples;
    cam.audioPlayer()->SetSampleTap([&](const std::vector<qint16>& s, qint64) {
        std::lock_guard lock(m);
        samples.insert(samples.end(), s.begin(), s.end());
    });
    const quint64 shown = surface.framesPresented();
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::lock_guard lock(m);
            return samples.size() >= 8000 && surface.framesPresented() > shown + 5;
        },
        10000));
    double share = 0, rms = 0;
    {
        std::lock_guard lock(m);
        ToneFigures(samples, 1000, share, rms);
    }
    EXPECT_GT(share, 0.98);
    EXPECT_NEAR(rms, 8000 / std::sqrt(2.0), 400);

    cam.setStreamMode(1);  // sound off, the video goes on
    cam.applyStreamMode();
    EXPECT_EQ(cam.audioPlayer(), nullptr);
    const quint64 later = surface.framesPresented();
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPresented() > later + 3; }, 10000));
}

TEST(ViewerFfmpeg, PlaysFfmpegsOwnMpegTsOverHttp)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const int port = probe.serverPort();
    probe.close();
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"),
                  QStringLiteral("error"),
                  QStringLiteral("-re"),
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("testsrc2=size=352x288:rate=25"),
                  QStringLiteral("-t"),
                  QStringLiteral("20"),
                  QStringLiteral("-c:v"),
                  QStringLiteral("libx264"),
                  QStringLiteral("-preset"),
                  QStringLiteral("ultrafast"),
                  QStringLiteral("-g"),
                  QStringLiteral("25"),
                  QStringLiteral("-pix_fmt"),
                  QStringLiteral("yuv420p"),
                  QStringLiteral("-f"),
                  QStringLiteral("mpegts"),
                  QStringLiteral("-listen"),
                  QStringLiteral("1"),
                  QStringLiteral("http://127.0.0.1:%1/live.ts").arg(port)});
    ASSERT_TRUE(ffmpeg.waitForStarted(30000));
    VideoSurface surface;
    HttpWisViewer viewer;
    viewer.setViewerParam1(QString::number(port));
    viewer.setViewerParam2(QStringLiteral("0"));
    viewer.attachWindow(&surface, 352, 288);
    viewer.connectTo(QStringLiteral("127.0.0.1"));
    viewer.setStreamTimeouts(3000, 3000, {100, 200});
    viewer.start();
    const bool shown = WaitUntil([&] { return surface.framesPresented() >= 25; }, 15000);
    viewer.stop();
    ffmpeg.kill();
    ffmpeg.waitForFinished(3000);
    ASSERT_TRUE(shown) << ffmpeg.readAllStandardError().toStdString();
    EXPECT_EQ(viewer.sourceWidth(), 352);
    EXPECT_EQ(viewer.sourceHeight(), 288);
    EXPECT_EQ(viewer.stats().damaged, 0u);
}

}  // namespace
