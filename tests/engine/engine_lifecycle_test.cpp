// The engine's start-up (which slots are pushed, shown and started, in which
// order) and shut-down (recordings, streams, log files, the waits and
// main.ini), and the restart of running slots across a run.
#include "engine/registry_windows.h"
#include "engine_fixture.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"

#include <QCoreApplication>
#include <QFile>
#include <numeric>

namespace {

class EngineLifecycleTest : public EngineFixture {};

TEST_F(EngineLifecycleTest, StartUpPushesAssignedSlotsAndRestartsTheRunningOnes)
{
    gCam[1].Enable = true;  // enabled but not assigned: left alone
    Assign(2, 0, false);
    Assign(3, 0, true);
    Assign(4, 3, true);
    gStreamRestarted.fill(true);

    engine.Form_Load();

    EXPECT_EQ(gStreamRestarted, (std::array<bool, kSlotCount>{}));
    // Every object got its defaults; only assigned slots got their record.
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_EQ(cam(n).Count(CamId::SnapshotFile), n == 1 ? 1 : 2) << n;
    EXPECT_EQ(cam(1).Count(CamId::RotateAngle), 0);
    EXPECT_EQ(cam(1).Count(CamId::Start), 0);
    EXPECT_TRUE(viewer(1).calls.empty());
    EXPECT_EQ(windows.Loaded(1), nullptr);

    // Assigned and stopped: pushed, not bound, not started.
    EXPECT_EQ(cam(2).Count(CamId::RotateAngle), 1);
    EXPECT_EQ(cam(2).Count(CamId::Start), 0);
    EXPECT_EQ(windows.Loaded(2), nullptr);
    EXPECT_FALSE(gCam[2].Enable);

    // Running: settings first, window second, stream last.
    const QStringList slot3 = journal.With(QStringLiteral("c")).filter(QStringLiteral("3."));
    EXPECT_EQ(slot3,
              (QStringList{"cam3.setDisplay none", "client3.Load", "client3.SetFirst",
                           "cam3.setDisplay", "client3.Form_Resize", "client3.RefrushStatusBar",
                           "client3.ShowModeless", "client3.RefrushStatusBar", "cam3.start",
                           "client3.RefrushStatusBar",     // its own start
                           "client3.RefrushStatusBar"}));  // slot 4's start
    EXPECT_TRUE(gCam[3].Enable);
    EXPECT_EQ(Events(3), QStringList{"E1"});

    // A protocol-3 slot: the binding connects and starts the viewer, then its
    // start finds it running, stops it and starts it again.
    EXPECT_LT(journal.IndexOf(QStringLiteral("viewer4.start")),
              journal.IndexOf(QStringLiteral("client4.ShowModeless")));
    EXPECT_LT(journal.IndexOf(QStringLiteral("client4.ShowModeless")),
              journal.IndexOf(QStringLiteral("viewer4.stop")));
    EXPECT_EQ(viewer(4).Count(ViewerId::Start), 2);
    EXPECT_EQ(viewer(4).Count(ViewerId::Connect), 1);
    EXPECT_EQ(cam(4).Count(CamId::Start), 0);
    EXPECT_EQ(fake.sleeps, std::vector<int>{500});
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(engine.tmrSchedule.isActive());
    EXPECT_TRUE(engine.tmrMotionLed.isActive());
    EXPECT_FALSE(engine.tmrScan.isActive());
    EXPECT_FALSE(engine.tmrMotion[1].isActive());

    // It runs once.
    journal.Clear();
    engine.Form_Load();
    EXPECT_TRUE(journal.entries.isEmpty());
}

TEST_F(EngineLifecycleTest, AFailingCameraDoesNotStopTheStartUp)
{
    Assign(1, 0, true);
    Assign(2, 0, true);
    cam(1).throwOn = {CamId::Port};  // fails in the defaults and in the push

    engine.Form_Load();

    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error InitialCamSetting function"));
    EXPECT_EQ(fake.messages[1].text, QStringLiteral("Error PutSettingToCam function"));
    EXPECT_EQ(cam(2).Count(CamId::Start), 1);
    EXPECT_TRUE(gCam[2].Enable);
}

TEST_F(EngineLifecycleTest, ShutDownStopsRecordingsAndStreamsThenLogsThenWaitsThenSaves)
{
    Assign(1, 0, true);
    Assign(2, 3, true);
    gCam[2].Recording = true;
    gCam[3].Assign = false;
    engine.AddEvent(1, QStringLiteral("one"));
    journal.Clear();

    engine.Form_Unload();

    // A recording stops before its stream; every object gets Stop, the
    // viewers nothing but the recording stop.
    EXPECT_EQ(journal.With(QStringLiteral("viewer")), QStringList{"viewer2.recordStop"});
    EXPECT_LT(journal.IndexOf(QStringLiteral("viewer2.recordStop")),
              journal.IndexOf(QStringLiteral("cam2.stop")));
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_EQ(cam(n).Count(CamId::Stop), 1) << n;
    EXPECT_EQ(Events(2), QStringList());  // written out
    const QString log1 = dir.path() + QStringLiteral("/Log/Cam1Log/20261209.Log");
    const QString log2 = dir.path() + QStringLiteral("/Log/Cam2Log/20261209.Log");
    QFile f1(log1), f2(log2);
    ASSERT_TRUE(f1.open(QIODevice::ReadOnly));
    ASSERT_TRUE(f2.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f1.readAll().endsWith("    one\r\n"));
    EXPECT_TRUE(f2.readAll().endsWith("    E16\r\n"));  // the recording stop is logged
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/Log/Cam3Log/20261209.Log")));
    EXPECT_FALSE(gCam[2].Recording);
    EXPECT_TRUE(gCam[1].Enable);  // kept: these slots start again next time
    EXPECT_TRUE(gCam[2].Enable);
    EXPECT_TRUE(QFile::exists(MainIniPath()));
    EXPECT_TRUE(fake.sleeps.empty());
    EXPECT_TRUE(engine.IsUnloaded());
}

TEST_F(EngineLifecycleTest, ShutDownWaitsAtMostThreePollsPerSlot)
{
    struct Case {
        int latency;  // isRunning polls that still say "running"; -1 never stops
        std::vector<int> sleeps;
    };
    const Case cases[] = {{0, {}}, {1, {500}}, {2, {500, 1500}}, {-1, {500, 1500, 2500}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latency);
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls ctl{j};
        frmMain e{w, ctl};
        ctl.cams[3]->running = true;
        ctl.cams[3]->stopLatencyPolls = c.latency;
        fake.sleeps.clear();
        e.Form_Unload();
        EXPECT_EQ(fake.sleeps, c.sleeps);
        EXPECT_TRUE(fake.pumpedSleeps.empty());  // nothing else runs meanwhile
        EXPECT_EQ(fake.doEvents, 0);
    }

    // Four streams that never stop cost 4 x 4.5 s and no more.
    Journal j;
    FakeEngineWindows w{j};
    FakeEngineControls ctl{j};
    frmMain e{w, ctl};
    for (int n = 1; n <= kSlotCount; ++n) {
        ctl.cams[n]->running = true;
        ctl.cams[n]->stopLatencyPolls = -1;
    }
    fake.sleeps.clear();
    e.Form_Unload();
    EXPECT_EQ(std::accumulate(fake.sleeps.begin(), fake.sleeps.end(), 0), 18000);
}

TEST_F(EngineLifecycleTest, ShutDownRunsOnceAndNothingRunsAfterIt)
{
    Assign(1, 0, true);
    engine.Form_Unload();
    QFile::remove(MainIniPath());
    const size_t calls = cam(1).calls.size();

    engine.Form_Unload();
    engine.Form_Load();
    engine.CamStart(1);
    engine.CamStop(1);
    engine.PutSettingToCam(1);
    engine.InitialCamSetting();
    engine.StopRecord(1);
    engine.AddEvent(1, QStringLiteral("late"));

    EXPECT_EQ(cam(1).calls.size(), calls);
    EXPECT_FALSE(QFile::exists(MainIniPath()));
    EXPECT_TRUE(engine.List1(1).isEmpty());
    EXPECT_FALSE(engine.tmrSchedule.isActive());
}

TEST_F(EngineLifecycleTest, PutSettingToCamSavesMainIniUnlessItFails)
{
    Assign(1, 0);
    engine.PutSettingToCam(1);
    EXPECT_TRUE(QFile::exists(MainIniPath()));

    QFile::remove(MainIniPath());
    cam(1).throwOn = {CamId::MailPassword};
    engine.PutSettingToCam(1);
    EXPECT_FALSE(QFile::exists(MainIniPath()));
}

TEST_F(EngineLifecycleTest, ASlotRunningAtExitStartsAgainNextTime)
{
    gLanguage = QStringLiteral("english");
    Assign(2, 0, false);
    Assign(3, 0, false);
    engine.Form_Load();
    engine.CamStart(2);
    engine.Form_Unload();

    InitGlobalVariable();
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(gCam[2].Enable);
    EXPECT_FALSE(gCam[3].Enable);

    Journal j;
    FakeEngineWindows w{j};
    FakeEngineControls ctl{j};
    frmMain next{w, ctl};
    next.Form_Load();
    EXPECT_EQ(ctl.cams[2]->Count(CamId::Start), 1);
    EXPECT_EQ(ctl.cams[3]->Count(CamId::Start), 0);
    EXPECT_EQ(ctl.cams[2]->ipAddressValue, QStringLiteral("127.0.0.3"));
    EXPECT_TRUE(w.Loaded(2) && w.Loaded(2)->visible);
    next.Form_Unload();
    gLanguage.clear();
}

TEST_F(EngineLifecycleTest, UnloadingTheRegisteredEngineEndsTheProgram)
{
    WindowRegistry& registry = ::windows();
    registry.Reset();
    registry.Register(kEngineWindowName,
                      [this]() -> QObject* { return new frmMain(windows, controls); });
    auto* registered = registry.Get<frmMain>(kEngineWindowName);
    ASSERT_NE(registered, nullptr);
    EXPECT_TRUE(registered->IsLoaded());  // the registry ran its load

    RequestEngineUnload(registry);
    EXPECT_FALSE(registry.ProgramEndRequested());  // queued, not done inside the caller
    QCoreApplication::processEvents();
    EXPECT_TRUE(registry.ProgramEndRequested());
    EXPECT_FALSE(registry.IsLoaded(kEngineWindowName));
    EXPECT_TRUE(QFile::exists(MainIniPath()));
    registry.Reset();
}

}  // namespace
