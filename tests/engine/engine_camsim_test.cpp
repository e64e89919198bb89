// The real engine, its real camera objects and the real single-camera windows
// against the simulated camera on loopback: a slot that was running at the
// last exit comes back with live video, the other stays stopped, and the
// shut-down leaves the log file and main.ini behind.
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/resources.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "support/camsim_process.h"
#include "support/fake_ui.h"
#include "support/program_globals.h"
#include "support/qt_printers.h"
#include "support/real_time_ui.h"
#include "views/frm_client.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <numeric>

namespace {

QStringList ReadLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

TEST(EngineCamsim, ARunningSlotComesBackWithLiveVideoAndTheShutDownLeavesLogAndSettings)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("2")}, &error))
        << error.toStdString();
    ASSERT_EQ(sim.cams.size(), 2u);

    RealTimeUi ui;
    QTemporaryDir data;
    ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
    for (int n = 1; n <= 2; ++n)
        AssignSimCamera(n, sim.cams[static_cast<size_t>(n - 1)]).ServerName =
            QStringLiteral("Sim %1").arg(n);
    gCam[1].Enable = true;  // running when the program last ended
    gCam[2].Enable = false;

    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterEngineWindow(registry);
    RegisterClientWindows(registry);

    auto* engine = registry.Get<frmMain>(kEngineWindowName);  // runs the start-up
    ASSERT_NE(engine, nullptr);
    ASSERT_TRUE(engine->IsLoaded());

    auto* window1 = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(window1, nullptr);
    EXPECT_TRUE(window1->isVisible());
    EXPECT_EQ(registry.IfLoaded(ClientWindowName(2)), nullptr);
    VideoSurface* surface = window1->Picture1();
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return surface->framesPainted() >= 5; }, 20000))
        << "no live picture reached slot 1's window";
    EXPECT_GT(engine->Cam(1).sourceWidth(), 0);
    EXPECT_FALSE(engine->Cam(2).isRunning());
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_FALSE(gCam[2].Enable);

    // The start is the slot's first event, in the language's text.
    ASSERT_GE(engine->List1(1).size(), 2);
    EXPECT_TRUE(engine->List1(1)[0].contains(gCam[1].IPAddress + QStringLiteral("   Sim 1")));
    EXPECT_EQ(engine->List1(1)[1], QStringLiteral("    ") + gLangEvent[0]);
    EXPECT_FALSE(gLangEvent[0].isEmpty());
    EXPECT_TRUE(engine->List1(2).isEmpty());
    const QStringList events1 = engine->List1(1);

    // Shut-down.
    registry.Unload(kEngineWindowName);
    EXPECT_TRUE(registry.ProgramEndRequested());
    EXPECT_LE(std::accumulate(ui.sleeps.begin(), ui.sleeps.end(), 0), 4500);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    const QString day = frmMain::LogFileName(QDate::currentDate());
    EXPECT_EQ(ReadLines(data.filePath(QStringLiteral("Log/Cam1Log/")) + day), events1);
    EXPECT_FALSE(QFile::exists(data.filePath(QStringLiteral("Log/Cam2Log/")) + day));

    InitGlobalVariable();
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(gCam[1].Assign);
    EXPECT_TRUE(gCam[1].Enable);  // starts again next time
    EXPECT_TRUE(gCam[2].Assign);
    EXPECT_FALSE(gCam[2].Enable);
    EXPECT_EQ(gCam[1].Port, sim.cams[0].port);

    registry.Reset();
    ForgetProgramGlobals();
}

// After a power cut the cameras usually boot after the PC: a running slot
// whose camera comes up late is shown without the operator doing anything,
// and a camera that refuses the log-in is logged once, stopped and left alone.
TEST(EngineCamsim, ALateCameraIsShownByItselfAndARefusedLogInIsReportedOnce)
{
    CamsimProcess sim;  // slot 2's camera, which refuses the password given
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("1")}, &error))
        << error.toStdString();
    const QString lateAddress = QStringLiteral("127.0.0.93");
    int latePort = 0;
    {
        QTcpServer probe;  // slot 1's camera: a free port on which camsim starts later
        ASSERT_TRUE(probe.listen(QHostAddress(lateAddress), 0));
        latePort = probe.serverPort();
    }

    RealTimeUi ui;
    QTemporaryDir data;
    ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
    const struct {
        QString address;
        int port;
        QString password;
    } targets[] = {{lateAddress, latePort, QStringLiteral("admin")},
                   {sim.cams[0].address, sim.cams[0].port, QStringLiteral("wrong")}};
    for (int n = 1; n <= 2; ++n) {
        CamInfo& cam = gCam[n];
        cam.Assign = true;
        cam.Enable = true;
        cam.Protocol = 0;
        cam.IPAddress = targets[n - 1].address;
        cam.Port = targets[n - 1].port;
        cam.UserName = QStringLiteral("admin");
        cam.Password = targets[n - 1].password;
        cam.ServerName = QStringLiteral("Sim %1").arg(n);
    }

    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterEngineWindow(registry);
    RegisterClientWindows(registry);
    auto* engine = registry.Get<frmMain>(kEngineWindowName);  // starts both slots
    ASSERT_NE(engine, nullptr);
    auto* window1 = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(window1, nullptr);

    const QString refusedLine = QStringLiteral("    ") + gLangEvent[kEventLoginRefused];
    ASSERT_TRUE(WaitUntil([&] { return engine->List1(2).contains(refusedLine); }, 10000));
    const int refusals = RecordInt(sim.Control(1, "state"), QStringLiteral("auth_failures"), -1);

    WaitUntil([] { return false; }, 1500);  // slot 1's camera is still off
    EXPECT_EQ(window1->Picture1()->framesPainted(), 0);
    EXPECT_TRUE(gCam[1].Reconnecting);
    CamsimProcess late;
    ASSERT_TRUE(
        late.Start({QStringLiteral("--cameras"), QStringLiteral("1"), QStringLiteral("--address"),
                    lateAddress, QStringLiteral("--port"), QString::number(latePort)},
                   &error))
        << error.toStdString();
    ASSERT_TRUE(WaitUntil([&] { return window1->Picture1()->framesPainted() >= 5; }, 20000))
        << "the late camera was not shown";
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_FALSE(gCam[1].Reconnecting);
    // Said once while it could not be reached, not at every attempt; never stopped.
    EXPECT_EQ(engine->List1(1).count(QStringLiteral("    ") + gLangEvent[kEventConnectFailed]), 1);
    EXPECT_FALSE(
        engine->List1(1).contains(QStringLiteral("    ") + gLangEvent[kEventStreamStopped]));

    // The refusal: one event, the slot stopped, the camera not asked again.
    EXPECT_EQ(engine->List1(2).count(refusedLine), 1);
    EXPECT_FALSE(gCam[2].Enable);
    EXPECT_FALSE(engine->Cam(2).isRunning());
    EXPECT_EQ(RecordInt(sim.Control(1, "state"), QStringLiteral("auth_failures"), -1), refusals);

    registry.Unload(kEngineWindowName);
    registry.Reset();
    ForgetProgramGlobals();
}

}  // namespace
