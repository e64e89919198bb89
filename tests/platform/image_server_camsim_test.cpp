// The production image server against the simulated camera on loopback:
// live video, credentials, losses and reconnects, stop latency, snapshots,
// pan/tilt, image settings, damaged streams, proxies and slow cameras.
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/jpeg_codec.h"
#include "platform/image_server/video_surface.h"
#include "support/camsim_process.h"
#include "support/test_proxy.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Upper bound of every wait; passing runs take a fraction of it.
constexpr int kWait = 10000;

std::vector<int> Codes(const QSignalSpy& spy)
{
    std::vector<int> out;
    for (const auto& args : spy)
        out.push_back(args.at(0).toInt());
    return out;
}

bool Has(const QSignalSpy& spy, int code)
{
    const auto c = Codes(spy);
    return std::find(c.begin(), c.end(), code) != c.end();
}

// Mean absolute difference per channel between two equally sized pictures,
// over rows [y0, y1) and the columns given.
double MeanDiff(const QImage& a, const QImage& b, int dxB, int y0, int y1, int x0, int x1)
{
    double sum = 0;
    qint64 n = 0;
    for (int y = y0; y < y1; y += 2)
        for (int x = x0; x < x1; x += 2) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x + dxB, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                   + std::abs(qBlue(p) - qBlue(q));
            ++n;
        }
    return sum / (3.0 * static_cast<double>(n));
}

double MeanLuma(const QImage& img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4)
            sum += qGray(img.pixel(x, y));
    return sum / ((img.height() / 4.0) * (img.width() / 4.0));
}

class ImageServerCamsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("2")}, &error))
            << error.toStdString();
    }

    std::unique_ptr<HttpImageServer> Make(int k = 1,
                                          const QString& password = QStringLiteral("admin"))
    {
        auto cam = std::make_unique<HttpImageServer>();
        cam->setUserName(QStringLiteral("admin"));
        cam->setPassword(password);
        cam->setIPAddress(sim.cams.at(static_cast<size_t>(k - 1)).address);
        cam->setPort(sim.cams.at(static_cast<size_t>(k - 1)).port);
        // Short back-off keeps the tests quick; the stall time stays generous
        // so that a loaded machine does not look like a stalled camera.
        cam->setStreamTimeouts(5000, 3000, {50, 100, 200});
        return cam;
    }

    QImage Snapshot(ImageServer& cam)
    {
        const QString file = dir.filePath(QStringLiteral("snap%1.jpg").arg(++snaps));
        if (!cam.saveSnapshot(file, 0))
            return {};
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        JpegDecoder d;
        return d.Decode(f.readAll());
    }

    CamsimProcess sim;
    QTemporaryDir dir;
    int snaps = 0;
};

TEST_F(ImageServerCamsim, StartConnectsAndPaintsLiveFramesWithoutReportingInsideTheCall)
{
    auto cam = Make();
    VideoSurface surface;
    surface.resize(320, 240);
    surface.show();
    cam->setDisplay(&surface);
    cam->setDisplayWidth(320);
    cam->setDisplayHeight(240);
    cam->setDisplayEnabled(true);
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    EXPECT_TRUE(cam->isRunning());
    EXPECT_EQ(notify.count(), 0) << "Notify emitted inside start()";
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPainted() >= 10; }, kWait));
    const auto codes = Codes(notify);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], NotifyCode::Connecting);
    EXPECT_EQ(codes[1], NotifyCode::Connected);
    EXPECT_EQ(cam->sourceWidth(), 640);
    EXPECT_EQ(cam->sourceHeight(), 480);
    const QImage shown = surface.renderedFrame();
    EXPECT_EQ(shown.size(), QSize(320, 240));
    EXPECT_GT(MeanLuma(shown), 40.0) << "the picture is (nearly) black";
    // Frames keep coming: the counter moves.
    const quint64 before = surface.framesPainted();
    ASSERT_TRUE(WaitUntil([&] { return surface.framesPainted() >= before + 10; }, kWait));
    EXPECT_EQ(cam->framesReceived(), cam->framesDecoded());
}

TEST_F(ImageServerCamsim, CredentialsAreCheckedWithEveryAuthenticationScheme)
{
    sim.Stop();
    QTemporaryDir cfgDir;
    const QString cfg = cfgDir.filePath(QStringLiteral("cams.ini"));
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[camera1]\naddress=127.0.0.2\nport=0\nauth=digest\npassword=s3cret\n"
            "[camera2]\naddress=127.0.0.3\nport=0\nauth=basic\npassword=s3cret\n"
            "[camera3]\naddress=127.0.0.4\nport=0\nauth=both\npassword=s3cret\n");
    f.close();
    sim.cams.clear();
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--config"), cfg}, &error)) << error.toStdString();
    ASSERT_EQ(sim.cams.size(), 3u);
    struct Case {
        int cam;
        const char* password;
        int loginTest;
    };
    const Case cases[] = {{1, "s3cret", -1}, {1, "wrong", 0},   {2, "s3cret", -1},
                          {2, "wrong", 0},   {3, "s3cret", -1}, {3, "", 0}};
    for (const Case& c : cases) {
        auto cam = Make(c.cam, QString::fromLatin1(c.password));
        EXPECT_EQ(cam->loginTest(0), c.loginTest)
            << "camera " << c.cam << " password " << c.password;
    }
    // A stream with a wrong password ends with the log-in-refused code.
    auto cam = Make(1, QStringLiteral("wrong"));
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::LoginRefused); }, kWait));
    EXPECT_FALSE(Has(notify, NotifyCode::Connected));
    EXPECT_FALSE(cam->isRunning());
}

int CountOf(const QSignalSpy& spy, int code)
{
    const auto c = Codes(spy);
    return static_cast<int>(std::count(c.begin(), c.end(), code));
}

// A refused log-in is reported at once and never retried with the same
// credentials; a camera that cannot be reached is tried again until its
// retry time is over, then reported once; a stop ends a pause at once.
TEST_F(ImageServerCamsim, RefusedLogInAndUnreachableCameraReportTheirOwnCodes)
{
    sim.Control(1, "refuse?on=1");
    auto refused = Make(1);
    QSignalSpy refusedSpy(refused.get(), &ImageServer::Notify);
    refused->start();
    // An address where nothing listens, with a short retry time.
    auto nowhere = std::make_unique<HttpImageServer>();
    nowhere->setIPAddress(QStringLiteral("127.0.0.1"));
    nowhere->setPort(1);
    nowhere->setStreamTimeouts(5000, 3000, {50, 100, 200});
    nowhere->setRetryTime(1500);
    QSignalSpy nowhereSpy(nowhere.get(), &ImageServer::Notify);
    QElapsedTimer clock;
    qint64 failedAt = -1;
    QObject::connect(nowhere.get(), &ImageServer::Notify, nowhere.get(), [&](int code) {
        if (code == NotifyCode::ConnectFailed && failedAt < 0)
            failedAt = clock.elapsed();
    });
    clock.start();
    nowhere->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(refusedSpy, NotifyCode::LoginRefused); }, kWait));
    const int refusals = RecordInt(sim.Control(1, "state"), QStringLiteral("auth_failures"), -1);
    EXPECT_GE(refusals, 1);
    ASSERT_TRUE(WaitUntil([&] { return Has(nowhereSpy, NotifyCode::ConnectFailed); }, kWait));
    EXPECT_GE(failedAt, 1500) << "reported before its retry time";
    EXPECT_FALSE(nowhere->isRunning());
    EXPECT_FALSE(refused->isRunning());

    // Nothing follows: no retry storm on the refusing camera, one report each.
    WaitUntil([] { return false; }, 1000);
    EXPECT_EQ(RecordInt(sim.Control(1, "state"), QStringLiteral("auth_failures"), -1), refusals);
    EXPECT_EQ(CountOf(refusedSpy, NotifyCode::LoginRefused), 1);
    EXPECT_EQ(CountOf(nowhereSpy, NotifyCode::ConnectFailed), 1);
    EXPECT_FALSE(Has(nowhereSpy, NotifyCode::LoginRefused));
    EXPECT_FALSE(Has(refusedSpy, NotifyCode::ConnectFailed));

    // A stop ends a long pause between attempts at once, not when it runs out.
    auto waiting = std::make_unique<HttpImageServer>();
    waiting->setIPAddress(QStringLiteral("127.0.0.1"));
    waiting->setPort(1);
    waiting->setStreamTimeouts(5000, 3000, {60000});
    QSignalSpy waitingSpy(waiting.get(), &ImageServer::Notify);
    waiting->start();
    // The first attempt failed at once: the pause has begun.
    ASSERT_TRUE(WaitUntil([&] { return Has(waitingSpy, NotifyCode::ConnectionLost); }, kWait));
    QElapsedTimer stop;
    stop.start();
    waiting->stop();
    EXPECT_LT(stop.elapsed(), 5000) << "a stop waited for the 60 s pause";
    EXPECT_FALSE(waiting->isRunning());
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(Codes(waitingSpy),
              (std::vector<int>{NotifyCode::Connecting, NotifyCode::ConnectionLost}));
}

// After a power cut the cameras usually boot after the PC: a camera that is
// not up when the stream starts is shown as soon as it answers, with the
// program's own retry timing and nobody asking again.
TEST(ImageServerRetry, ACameraThatStartsLateIsConnectedWithoutAnyoneAsking)
{
    const QString address = QStringLiteral("127.0.0.91");
    int port = 0;
    {
        QTcpServer probe;  // a free port on an address of its own
        ASSERT_TRUE(probe.listen(QHostAddress(address), 0));
        port = probe.serverPort();
    }
    HttpImageServer cam;
    cam.setUserName(QStringLiteral("admin"));
    cam.setPassword(QStringLiteral("admin"));
    cam.setIPAddress(address);
    cam.setPort(port);
    QSignalSpy notify(&cam, &ImageServer::Notify);
    cam.start();
    // The first attempt finds nobody: said once, and the stream goes on trying.
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::ConnectionLost); }, kWait));
    WaitUntil([] { return false; }, 1500);  // the attempt after 1 s finds nobody either
    EXPECT_TRUE(cam.isRunning());
    EXPECT_EQ(Codes(notify),
              (std::vector<int>{NotifyCode::Connecting, NotifyCode::ConnectionLost}));

    CamsimProcess late;
    QString error;
    ASSERT_TRUE(
        late.Start({QStringLiteral("--cameras"), QStringLiteral("1"), QStringLiteral("--address"),
                    address, QStringLiteral("--port"), QString::number(port)},
                   &error))
        << error.toStdString();
    ASSERT_TRUE(WaitUntil(
        [&] { return Has(notify, NotifyCode::Connected) && cam.framesReceived() >= 3; }, kWait));
    EXPECT_EQ(Codes(notify).at(2), NotifyCode::Connected);
    EXPECT_FALSE(Has(notify, NotifyCode::ConnectFailed));
    EXPECT_EQ(CountOf(notify, NotifyCode::ConnectionLost), 1);
    EXPECT_EQ(RecordInt(late.Control(1, "state"), QStringLiteral("stream_requests"), 0), 1);
    cam.stop();
}

// A stream that ran and is lost for longer than the retry time is reported
// once as a connection that cannot be made, and ends.
TEST_F(ImageServerCamsim, ALossLongerThanTheRetryTimeEndsTheStreamWithOneReport)
{
    auto cam = Make();
    cam->setRetryTime(1500);
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Connected); }, kWait));
    notify.clear();
    sim.Stop();  // the camera goes away
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::ConnectFailed); }, kWait));
    const auto codes = Codes(notify);
    EXPECT_EQ(codes.front(), NotifyCode::ConnectionLost);
    EXPECT_EQ(codes.back(), NotifyCode::ConnectFailed);
    EXPECT_EQ(CountOf(notify, NotifyCode::ConnectFailed), 1);
    EXPECT_FALSE(cam->isRunning());
}

TEST_F(ImageServerCamsim, DroppedConnectionIsReportedAndReconnected)
{
    auto cam = Make();
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Connected); }, kWait));
    notify.clear();
    sim.Control(1, "drop");
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Reconnected); }, kWait))
        << notify.count();
    const auto codes = Codes(notify);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes[0], NotifyCode::ConnectionLost);
    EXPECT_EQ(codes[codes.size() - 2], NotifyCode::Connected);
    EXPECT_TRUE(cam->isRunning());
    EXPECT_EQ(RecordInt(sim.Control(1, "state"), QStringLiteral("stream_requests"), 0), 2);
    const quint64 before = cam->framesReceived();
    ASSERT_TRUE(WaitUntil([&] { return cam->framesReceived() > before + 5; }, kWait));
}

TEST_F(ImageServerCamsim, StallIsReportedAndTheStreamComesBack)
{
    auto cam = Make();
    cam->setStreamTimeouts(5000, 1000, {50, 100, 200});
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Connected); }, kWait));
    notify.clear();
    sim.Control(1, "stall?on=1");
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::StreamStalled); }, kWait));
    EXPECT_TRUE(cam->isRunning());
    sim.Control(1, "stall?on=0");
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Reconnected); }, kWait));
}

// A stop never waits for the camera: neither for a hanging answer (5 s) nor
// for a stalled stream's timeout (3 s).
TEST_F(ImageServerCamsim, StopEndsTheStreamAtOnce)
{
    struct Case {
        const char* fault;  // camera state while stopping
    };
    const Case cases[] = {{nullptr}, {"hang?on=1"}, {"stall?on=1"}};
    for (const Case& c : cases) {
        if (c.fault)
            sim.Control(1, c.fault);
        auto cam = Make();
        QSignalSpy notify(cam.get(), &ImageServer::Notify);
        cam->start();
        if (!c.fault) {
            ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Connected); }, kWait));
        } else {
            WaitUntil([] { return false; }, 300);
        }
        QElapsedTimer t;
        t.start();
        cam->stop();
        const qint64 ms = t.elapsed();
        EXPECT_FALSE(cam->isRunning()) << (c.fault ? c.fault : "streaming");
        EXPECT_LT(ms, 2000) << (c.fault ? c.fault : "streaming");
        cam->stop();  // a second stop is harmless
        EXPECT_FALSE(cam->isRunning());
        // Nothing more arrives from the stopped stream.
        notify.clear();
        WaitUntil([] { return false; }, 200);
        EXPECT_EQ(notify.count(), 0);
        sim.Control(1, "hang?on=0");
        sim.Control(1, "stall?on=0");
    }
}

TEST_F(ImageServerCamsim, SnapshotAndPanTiltShowTheCurrentPicture)
{
    auto cam = Make();
    // Without a stream the snapshot comes from the camera.
    const QImage before = Snapshot(*cam);
    ASSERT_EQ(before.size(), QSize(640, 480));
    cam->ptControl(ImageServer::kPtRight);
    ASSERT_TRUE(WaitUntil(
        [&] { return RecordInt(sim.Control(1, "state"), QStringLiteral("pan"), 0) == 1; }, kWait));
    // With a stream the snapshot is the latest picture received.
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return cam->framesReceived() >= 3; }, kWait));
    const QImage after = Snapshot(*cam);
    ASSERT_EQ(after.size(), QSize(640, 480));
    // One step right moves the picture 64 px to the left: compare the middle
    // band (clear of the text lines) shifted and unshifted.
    const double shifted = MeanDiff(after, before, 64, 60, 420, 0, 560);
    const double unshifted = MeanDiff(after, before, 0, 60, 420, 0, 560);
    EXPECT_LT(shifted, 4.0);
    EXPECT_GT(unshifted, 20.0);
    cam->ptControl(ImageServer::kPtCentre);
    cam->ptControl(ImageServer::kPtDown);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const Record s = sim.Control(1, "state");
            return s.value(QStringLiteral("ptz_log")) == QLatin1String("5,4,7");
        },
        kWait));
    EXPECT_FALSE(Has(notify, NotifyCode::PanTiltFailed));
}

TEST_F(ImageServerCamsim, PanTiltRefusedByTheCameraIsReported)
{
    sim.Stop();
    QTemporaryDir cfgDir;
    const QString cfg = cfgDir.filePath(QStringLiteral("cams.ini"));
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[camera1]\naddress=127.0.0.2\nport=0\npan_tilt=false\n");
    f.close();
    sim.cams.clear();
    ASSERT_TRUE(sim.Start({QStringLiteral("--config"), cfg}));
    auto cam = Make();
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->ptControl(ImageServer::kPtUp);
    EXPECT_EQ(notify.count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::PanTiltFailed); }, kWait));
}

TEST_F(ImageServerCamsim, ImageSettingsRoundTripAndChangeThePicture)
{
    auto cam = Make();
    QSignalSpy end(cam.get(), &ImageServer::EndGetImageConfig);
    ImageConfig c;
    ASSERT_EQ(cam->getImageConfig(c, 0), ImageServer::kTrue);
    EXPECT_EQ(c, (ImageConfig{2, 2, 25, 64, 64, 64, 0}));
    const double lumaBefore = MeanLuma(Snapshot(*cam));
    ASSERT_TRUE(WaitUntil([&] { return end.count() == 1; }, 1000));
    EXPECT_EQ(end.at(0).at(2).toInt(), 25);
    end.clear();
    ImageConfig brighter{2, 1, 15, 110, 70, 50, 1};
    ASSERT_EQ(cam->setImageConfig(brighter), ImageServer::kTrue);
    ImageConfig back;
    ASSERT_EQ(cam->getImageConfig(back, 0), ImageServer::kTrue);
    EXPECT_EQ(back, brighter);
    EXPECT_GT(MeanLuma(Snapshot(*cam)), lumaBefore + 30);
    // Out of range: refused and nothing changed.
    ImageConfig bad = brighter;
    bad.brightness = 500;
    EXPECT_EQ(cam->setImageConfig(bad), 0);
    ASSERT_EQ(cam->getImageConfig(back, 0), ImageServer::kTrue);
    EXPECT_EQ(back, brighter);
    // The reads are announced afterwards, queued.
    EXPECT_EQ(end.count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return end.count() == 2; }, 1000));
    EXPECT_EQ(end.at(0).at(2).toInt(), 15);
    EXPECT_EQ(end.at(1).at(0).toInt(), 2);
    // With wrong credentials the read fails and leaves the fields alone.
    auto wrong = Make(1, QStringLiteral("nope"));
    ImageConfig untouched{9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(wrong->getImageConfig(untouched, 0), 0);
    EXPECT_EQ(untouched, (ImageConfig{9, 9, 9, 9, 9, 9, 9}));
}

TEST_F(ImageServerCamsim, DamagedPartsAreSkippedAndTheStreamGoesOn)
{
    struct Case {
        const char* kind;
        bool reported;  // a lying length costs nothing: the boundary decides
    };
    const Case cases[] = {{"garbage", true}, {"truncated", true}, {"badlength", false}};
    for (const Case& c : cases) {
        auto cam = Make();
        cam->setStreamTimeouts(5000, kWait, {50, 100, 200});
        QSignalSpy notify(cam.get(), &ImageServer::Notify);
        VideoSurface surface;
        surface.resize(64, 48);
        surface.show();
        cam->setDisplay(&surface);
        cam->setDisplayEnabled(true);
        cam->start();
        ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Connected); }, kWait)) << c.kind;
        const qint64 sentBefore =
            RecordInt(sim.Control(1, "state"), QStringLiteral("frames_sent"), 0);
        const quint64 receivedBefore = cam->framesReceived();
        sim.Control(1, QByteArray("corrupt?count=2&kind=") + c.kind);
        if (c.reported) {
            ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::FrameDropped); }, kWait))
                << c.kind << " " << ::testing::PrintToString(Codes(notify));
        }
        const quint64 painted = surface.framesPainted();
        ASSERT_TRUE(WaitUntil([&] { return surface.framesPainted() > painted + 8; }, kWait))
            << c.kind;
        EXPECT_EQ(Has(notify, NotifyCode::FrameDropped), c.reported) << c.kind;
        EXPECT_EQ(cam->partsDamaged() > 0, c.reported) << c.kind;
        EXPECT_TRUE(cam->isRunning()) << c.kind;
        EXPECT_FALSE(Has(notify, NotifyCode::ConnectFailed)
                     || Has(notify, NotifyCode::ConnectionLost))
            << c.kind;
        if (!c.reported) {
            // Every picture sent so far arrives: none was lost to the lying length.
            const qint64 sent =
                RecordInt(sim.Control(1, "state"), QStringLiteral("frames_sent"), 0) - sentBefore;
            EXPECT_TRUE(WaitUntil(
                [&] { return static_cast<qint64>(cam->framesReceived() - receivedBefore) >= sent; },
                kWait))
                << "sent " << sent << ", received " << cam->framesReceived() - receivedBefore;
        }
        cam->stop();
    }
}

// A part larger than any picture is not read: the connection ends at once
// with the damaged-picture report, and the stream comes back after the pause.
TEST_F(ImageServerCamsim, APartLargerThanAnyPictureEndsTheConnection)
{
    auto cam = Make();
    cam->setStreamTimeouts(5000, kWait, {500});
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Connected); }, kWait));
    notify.clear();
    sim.Control(1, "corrupt?count=1&kind=huge");  // one 20 MB part
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::Reconnected); }, kWait))
        << ::testing::PrintToString(Codes(notify));
    EXPECT_EQ(Codes(notify), (std::vector<int>{NotifyCode::FrameDropped, NotifyCode::ConnectionLost,
                                               NotifyCode::Connected, NotifyCode::Reconnected}));
    EXPECT_EQ(RecordInt(sim.Control(1, "state"), QStringLiteral("stream_requests"), 0), 2);
    cam->stop();
}

TEST_F(ImageServerCamsim, ProxySettingsDecideTheRoute)
{
    TestProxy proxy;
    struct Case {
        bool enable;
        bool bypass;
        bool throughProxy;
    };
    const Case cases[] = {{true, false, true}, {true, true, false}, {false, false, false}};
    for (const Case& c : cases) {
        auto cam = Make();
        cam->setProxyServerAddress(QStringLiteral("127.0.0.1"));
        cam->setProxyServerPort(proxy.port());
        cam->setEnableProxy(c.enable);
        cam->setBypassProxyServer(c.bypass);
        cam->setIsLocalCamera(false);
        const int before = static_cast<int>(proxy.requestLines().size());
        EXPECT_EQ(cam->loginTest(0), ImageServer::kTrue);
        QSignalSpy notify(cam.get(), &ImageServer::Notify);
        cam->start();
        ASSERT_TRUE(WaitUntil([&] { return cam->framesReceived() >= 3; }, kWait));
        cam->stop();
        const QStringList lines = proxy.requestLines().mid(before);
        if (c.throughProxy) {
            const QString origin =
                QStringLiteral("http://%1:%2").arg(sim.cams[0].address).arg(sim.cams[0].port);
            EXPECT_TRUE(lines.contains(QStringLiteral("GET %1/api/login HTTP/1.1").arg(origin)))
                << lines.join('|').toStdString();
            EXPECT_TRUE(
                lines.contains(QStringLiteral("GET %1/api/stream.mjpg HTTP/1.1").arg(origin)));
        } else {
            EXPECT_TRUE(lines.isEmpty()) << lines.join('|').toStdString();
        }
    }
}

TEST_F(ImageServerCamsim, IdentifyAndConfigurationRequests)
{
    auto cam = Make(2);
    EXPECT_EQ(cam->checkIP(0, false), ImageServer::kTrue);
    cam->selectServer(-1);
    EXPECT_EQ(cam->serverName(), QStringLiteral("Camera 2"));
    EXPECT_EQ(cam->serverMacAddress(), QStringLiteral("0.30.140.0.0.2"));
    EXPECT_EQ(cam->serverCapability() & 16, 16);
    EXPECT_EQ(cam->fwVersion(), QStringLiteral("1.20"));
    EXPECT_EQ(cam->port(), sim.cams[1].port);
    EXPECT_EQ(cam->getConfigItem(40), QStringLiteral("admin"));
    EXPECT_EQ(cam->getConfigItem(41), QStringLiteral("admin"));
    EXPECT_EQ(cam->getConfigItem(44), QStringLiteral("255.0.0.0"));

    // Asynchronous forms answer through their events, never inside the call.
    struct Case {
        QString password;
        bool reachable;
        int checkIP;
        int getConfig;
    };
    const Case cases[] = {{QStringLiteral("admin"), true, -1, -1},
                          {QStringLiteral("wrong"), true, -1, 1},
                          {QStringLiteral("admin"), false, 0, 0}};
    for (const Case& c : cases) {
        auto a = Make(1, c.password);
        if (!c.reachable)
            a->setPort(1), a->setIPAddress(QStringLiteral("127.0.0.1"));
        QSignalSpy ip(a.get(), &ImageServer::EndCheckIP);
        QSignalSpy config(a.get(), &ImageServer::EndGetConfig);
        EXPECT_EQ(a->checkIP(1, true), ImageServer::kTrue);
        a->getConfig(true);
        EXPECT_EQ(ip.count() + config.count(), 0);
        ASSERT_TRUE(WaitUntil([&] { return ip.count() == 1 && config.count() == 1; }, kWait));
        EXPECT_EQ(ip.at(0).at(0).toInt(), c.checkIP);
        EXPECT_EQ(config.at(0).at(0).toInt(), c.getConfig);
        if (c.checkIP == -1) {
            a->selectServer(-1);
            EXPECT_EQ(a->serverName(), QStringLiteral("Camera 1"));
        }
    }
}

TEST_F(ImageServerCamsim, SilentCameraNeverBlocksTheGuiThreadBeyondTheTimeout)
{
    sim.Control(1, "hang?on=1");
    auto cam = Make();
    // Synchronous requests give up after the documented bound.
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(cam->loginTest(0), 0);
    EXPECT_LT(t.elapsed(), ImageServer::requestTimeoutMs() + 3000);
    EXPECT_GE(t.elapsed(), ImageServer::requestTimeoutMs() - 100);
    // A start against it leaves the GUI thread free: a 10 ms timer keeps ticking
    // until the attempt runs out of time and, past the retry time, is reported.
    cam->setRetryTime(2000);
    QSignalSpy notify(cam.get(), &ImageServer::Notify);
    QElapsedTimer gap;
    qint64 worst = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { worst = std::max(worst, gap.restart()); });
    gap.start();
    ticker.start();
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return Has(notify, NotifyCode::ConnectFailed); }, 10000));
    ticker.stop();
    // Held up would mean the 3 s of a request; a busy machine delays a tick far less.
    EXPECT_LT(worst, 2000) << "the GUI thread was held up";
    EXPECT_FALSE(cam->isRunning());
}

TEST_F(ImageServerCamsim, SurfaceMayGoAwayAndDisplayMayBeSwitchedOff)
{
    auto cam = Make();
    auto surface = std::make_unique<VideoSurface>();
    surface->resize(160, 120);
    surface->show();
    cam->setDisplay(surface.get());
    cam->setDisplayEnabled(true);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return surface->framesPainted() >= 3; }, kWait));
    surface.reset();  // the window closed without telling the camera
    EXPECT_EQ(cam->display(), nullptr);
    const quint64 received = cam->framesReceived();
    ASSERT_TRUE(WaitUntil([&] { return cam->framesReceived() > received + 5; }, kWait));

    VideoSurface other;
    other.resize(160, 120);
    other.show();
    cam->setDisplay(&other);
    cam->setDisplayEnabled(false);
    WaitUntil([] { return false; }, 400);
    EXPECT_EQ(other.framesPainted(), 0u);
    cam->setDisplayEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return other.framesPainted() >= 3; }, kWait));
}

TEST_F(ImageServerCamsim, ASnapshotIsWrittenInTheFormatItsNameSays)
{
    auto cam = Make();
    struct Shot {
        const char* name;
        QByteArray magic;
        const char* format;
    };
    const Shot shots[] = {
        {"shot.jpg", "\xff\xd8", "JPEG"}, {"shot.JPEG", "\xff\xd8", "JPEG"},
        {"shot.bmp", "BM", "BMP"},        {"shot.Bmp", "BM", "BMP"},
        {"shot", "\xff\xd8", "JPEG"},  // no name of a format: the camera's JPEG
    };
    // Asked of the camera while no stream runs, then from the running stream.
    for (const bool streaming : {false, true}) {
        if (streaming) {
            cam->start();
            ASSERT_TRUE(WaitUntil([&] { return cam->framesReceived() >= 2; }, kWait));
        }
        for (const Shot& shot : shots) {
            SCOPED_TRACE(testing::Message() << shot.name << (streaming ? " streaming" : ""));
            const QString file = dir.filePath(QLatin1String(shot.name));
            QFile::remove(file);
            ASSERT_TRUE(cam->saveSnapshot(file, 0));
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.read(2), shot.magic);
            EXPECT_EQ(QImage(file, shot.format).size(), QSize(640, 480));
        }
    }
    cam->stop();
}

TEST_F(ImageServerCamsim, PicturesAreDecodedAtTheShownSizeAndNotAtAllWhileNothingShowsThem)
{
    auto cam = Make();
    QWidget window;
    window.resize(400, 300);
    auto* surface = new VideoSurface(&window);
    surface->setGeometry(0, 0, 320, 240);
    window.show();
    cam->setDisplay(surface);
    cam->setDisplayWidth(320);
    cam->setDisplayHeight(240);
    cam->setDisplayEnabled(true);
    cam->start();
    ASSERT_TRUE(WaitUntil([&] { return surface->framesPainted() >= 5; }, kWait));
    // Decoded straight to the shown size and painted as it came.
    EXPECT_EQ(surface->currentFrame().size(), QSize(320, 240));
    EXPECT_EQ(surface->framesConverted(), 0u);
    EXPECT_GT(MeanLuma(surface->renderedFrame()), 40.0) << "the picture is (nearly) black";

    // Turned a quarter: the turn is made before the picture reaches the
    // window, at the size that keeps the 640 x 480 picture's shape.
    cam->setRotateAngle(90);
    quint64 painted = surface->framesPainted();
    ASSERT_TRUE(WaitUntil([&] { return surface->framesPainted() >= painted + 5; }, kWait));
    EXPECT_EQ(surface->currentFrame().size(), QSize(180, 240));
    EXPECT_EQ(surface->pictureRect(), QRect(70, 0, 180, 240));
    const quint64 converted = surface->framesConverted();
    EXPECT_LE(converted, 2u) << "only pictures on their way while the turn changed";
    painted = surface->framesPainted();
    ASSERT_TRUE(WaitUntil([&] { return surface->framesPainted() >= painted + 5; }, kWait));
    EXPECT_EQ(surface->framesConverted(), converted);

    // Minimised: the stream goes on, nothing is decoded.
    window.setWindowState(Qt::WindowMinimized);
    WaitUntil([] { return false; }, 300);  // pictures on their way
    const quint64 decoded = cam->framesDecoded();
    const quint64 received = cam->framesReceived();
    ASSERT_TRUE(WaitUntil([&] { return cam->framesReceived() >= received + 10; }, kWait));
    EXPECT_EQ(cam->framesDecoded(), decoded);
    // A snapshot is still the camera's whole picture.
    EXPECT_EQ(Snapshot(*cam).size(), QSize(640, 480));

    // Shown again, at twice the size: decoded in full.
    window.setWindowState(Qt::WindowNoState);
    cam->setRotateAngle(0);
    surface->setGeometry(0, 0, 640, 480);
    cam->setDisplayWidth(640);
    cam->setDisplayHeight(480);
    painted = surface->framesPainted();
    ASSERT_TRUE(WaitUntil([&] { return surface->framesPainted() >= painted + 5; }, kWait));
    EXPECT_EQ(surface->currentFrame().size(), QSize(640, 480));
    cam->stop();
}

}  // namespace
