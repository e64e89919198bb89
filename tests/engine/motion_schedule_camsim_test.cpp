// Motion and schedule recordings made by the real engine and image server
// from the simulated camera on loopback, read back with ffprobe.
#include "app/app_windows.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "engine/schedule_rules.h"
#include "foundation/app_paths.h"
#include "foundation/resources.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "support/camsim_process.h"
#include "support/media_probe.h"
#include "support/program_globals.h"
#include "support/qt_printers.h"
#include "support/real_time_ui.h"
#include "views/frm_client.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One simulated camera in slot 1, recording into a temporary storage.
class MotionScheduleCamsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveFfprobe())
            GTEST_SKIP() << "ffprobe is not installed";
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("1")}, &error))
            << error.toStdString();
        ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
        AssignSimCamera(1, sim.cams[0]).ServerName = QStringLiteral("Sim 1");
        gStorageCount = 1;
        gStorage[0] = {storage.path(), true};
        gActiveStorage = 1;
        gUseRecycleFlag = 0;
        gReserveSpace = 0;  // 500 MB kept free
        gSplitFileMode = 0;
        gFileSize = 4;  // 50 MB: one file per recording here
    }
    void TearDown() override
    {
        WindowRegistry& registry = windows();
        if (registry.IsLoaded(kEngineWindowName))
            registry.Unload(kEngineWindowName);
        registry.Reset();
        ForgetProgramGlobals();
    }
    frmMain* StartEngine()
    {
        WindowRegistry& registry = windows();
        registry.Reset();
        RegisterEngineWindow(registry);
        RegisterClientWindows(registry);
        auto* engine = registry.Get<frmMain>(kEngineWindowName);  // runs the start-up
        if (!engine)
            return nullptr;
        const bool streaming = WaitUntil([&] { return engine->Cam(1).sourceWidth() > 0; }, 20000);
        return streaming ? engine : nullptr;
    }
    QStringList Recordings() const
    {
        QDir folder(storage.filePath(QStringLiteral("CAM1_Sim 1")));
        QStringList out;
        for (const QString& name : folder.entryList({QStringLiteral("*.AVI")}, QDir::Files))
            out << folder.filePath(name);
        return out;
    }

    CamsimProcess sim;
    RealTimeUi ui;
    QTemporaryDir data;
    QTemporaryDir storage;
};

TEST_F(MotionScheduleCamsim, AMotionBurstMakesOneRecordingOfTheBurstAndTheHold)
{
    gCam[1].RecordMode = 3;
    frmMain* engine = StartEngine();
    ASSERT_NE(engine, nullptr) << "no stream from camsim";
    ASSERT_EQ(engine->Cam(1).alarmFlags() & kAlarmMotionRecording, kAlarmMotionRecording);
    QTest::qWait(1500);  // a still scene first
    ASSERT_FALSE(gCam[1].Recording);

    // The camera's own motion reports, timed as they arrive.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> reports;
    QObject::connect(&engine->Cam(1), &ImageServer::Notify, [&](int code) {
        if (code == NotifyCode::Motion)
            reports.push_back(clock.elapsed());
    });
    constexpr int kBurstMs = 4000;
    sim.Control(1, "motion?on=1");
    ASSERT_TRUE(WaitUntil([] { return gCam[1].Recording; }, 20000)) << "motion not recorded";
    ASSERT_FALSE(reports.empty());
    QTest::qWait(kBurstMs);
    sim.Control(1, "motion?on=0");
    ASSERT_TRUE(WaitUntil([] { return !gCam[1].Recording; }, 40000)) << "the hold never ended";
    const qint64 ended = clock.elapsed();
    // The burst re-armed the hold: reports kept coming through it, and the
    // recording ran the 10 s hold from the last of them (a coarse timer may
    // fire up to 5 % early). A hold that was not re-armed ends 10 s after the
    // first report; one re-armed for ever never ends.
    EXPECT_GE(reports.back() - reports.front(), kBurstMs / 2);
    EXPECT_GE(ended - reports.back(), 9400);
    EXPECT_LT(ended - reports.back(), 16000);

    windows().Unload(kEngineWindowName);
    const QStringList files = Recordings();
    ASSERT_EQ(files.size(), 1) << files.join(u' ').toStdString();
    const MediaInfo info = ProbeMedia(files[0]);
    ASSERT_TRUE(info.ran) << info.errors.toStdString();
    EXPECT_NEAR(info.durationS, (ended - reports.front()) / 1000.0, 2.5);
    EXPECT_GT(info.framesDecoded, 10);
}

TEST_F(MotionScheduleCamsim, AScheduleWindowRecordsAndStopsByItselfWithThePanelClosed)
{
    // A window of the coming seconds, written with seconds (a form the
    // schedule texts are read in), on today's day of the week.
    constexpr int kLeadS = 3;
    constexpr int kWindowS = 20;
    const QDateTime start = QDateTime::currentDateTime().addSecs(kLeadS);
    const QDateTime stop = start.addSecs(kWindowS);
    if (stop.date() != start.date())
        GTEST_SKIP() << "too close to midnight";
    CamInfo& cam = gCam[1];
    cam.RecordMode = 2;
    cam.ScheduleCount = 1;
    ScheduleInfo& entry = cam.Schedule[1];
    entry.CHECK = true;
    entry.MODE = schedule::kWeekly;
    entry.WeekOption = schedule::WeekdayBit(start.date());
    entry.TimeStart = start.time().toString(u"HH:mm:ss");
    entry.TimeStop = stop.time().toString(u"HH:mm:ss");

    frmMain* engine = StartEngine();
    ASSERT_NE(engine, nullptr) << "no stream from camsim";
    ASSERT_FALSE(gWinOpen[0]);  // no panel
    ASSERT_TRUE(WaitUntil([] { return gCam[1].Recording; }, (kLeadS + 5) * 1000));
    const QDateTime began = QDateTime::currentDateTime();
    ASSERT_TRUE(WaitUntil([] { return !gCam[1].Recording; }, (kWindowS + 10) * 1000));
    const QDateTime ended = QDateTime::currentDateTime();
    EXPECT_LE(std::abs(start.secsTo(began)), 2);
    EXPECT_LE(std::abs(stop.secsTo(ended)), 2);
    EXPECT_EQ(cam.RecordType, 2);

    windows().Unload(kEngineWindowName);
    const QStringList files = Recordings();
    ASSERT_EQ(files.size(), 1) << files.join(u' ').toStdString();
    const MediaInfo info = ProbeMedia(files[0]);
    ASSERT_TRUE(info.ran) << info.errors.toStdString();
    EXPECT_NEAR(info.durationS, kWindowS, 2.5);
}

}  // namespace

namespace {

// The scan tour with the program's own windows: two running cameras take
// turns in the scan window, and closing it leaves no camera drawing into it.
TEST(ScanTourCamsim, TwoRunningCamerasTakeTurnsInTheScanWindow)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("2")}, &error))
        << error.toStdString();
    RealTimeUi ui;
    QTemporaryDir data;
    ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
    for (int n = 1; n <= 2; ++n)
        AssignSimCamera(n, sim.cams[static_cast<size_t>(n - 1)]).ServerName =
            QStringLiteral("Sim %1").arg(n);
    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterProgramWindows();
    auto* engine = registry.Get<frmMain>(kEngineWindowName);
    ASSERT_NE(engine, nullptr);
    ASSERT_TRUE(WaitUntil(
        [&] { return engine->Cam(1).sourceWidth() > 0 && engine->Cam(2).sourceWidth() > 0; },
        20000));

    // The scan command comes from the panel, which stays open. A step of
    // 3 s leaves each camera's pictures time to arrive on a busy machine.
    ASSERT_NE(registry.Get<QObject>(kPanelWindowName), nullptr);
    gScanDelay = 2;
    gScanMode = true;
    engine->ScanMode();
    ASSERT_FALSE(engine->IsUnloaded());
    auto* scan = registry.IfLoaded<IScanWindow>(kScanWindowName);
    ASSERT_NE(scan, nullptr);
    EXPECT_FALSE(gWinOpen[1]);
    EXPECT_FALSE(gWinOpen[2]);
    EXPECT_EQ(engine->tmrScan.interval(), 3000);
    VideoSurface* target = scan->VideoTarget();
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(ui.messages.empty());
    QList<int> shown;
    for (int step = 0; step < 3; ++step) {
        const int current = gScanCam;
        const quint64 before = target->framesPresented();
        WaitUntil([&] { return target->framesPresented() >= before + 3 || gScanCam != current; },
                  20000);
        ASSERT_GE(target->framesPresented(), before + 3)
            << "no pictures in the scan window at step " << step;
        shown << current;
        ASSERT_TRUE(WaitUntil([&] { return gScanCam != current; }, 20000));
    }
    EXPECT_EQ(shown.size(), 3);
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_EQ(shown[0], shown[2]);

    engine->ScanModeToNormalMode();
    EXPECT_FALSE(registry.IsLoaded(kScanWindowName));
    EXPECT_TRUE(gWinOpen[1]);
    EXPECT_TRUE(gWinOpen[2]);
    for (int n = 1; n <= 2; ++n)
        EXPECT_NE(engine->Cam(n).display(), nullptr) << n;

    registry.Unload(kEngineWindowName);
    registry.Reset();
    ForgetProgramGlobals();
}

}  // namespace
