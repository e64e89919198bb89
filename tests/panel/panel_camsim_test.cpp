// The program as it starts, with the real engine, camera objects and video
// windows, against two simulated cameras on loopback: the panel opens, its
// Connect button stops and starts the current slot's video in its window, the
// LEDs and lines follow, and closing every window ends the program with
// main.ini saved.
#include "app/app_windows.h"
#include "app/startup.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/records.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "support/camsim_process.h"
#include "support/fake_ui.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"
#include "views/frm_client.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray MainIni(const CamsimProcess& sim)
{
    QByteArray text;
    for (int n = 1; n <= 2; ++n) {
        const auto& cam = sim.cams[static_cast<size_t>(n - 1)];
        text += QStringLiteral(
                    "[Cam%1]\nEnable=%2\nAssign=True\nUserName=admin\nPassword=admin\n"
                    "IPAddress=%3\nPort=%4\nServerName=Sim %1\nServerLocation=Room %1\nPT=True\n")
                    .arg(n)
                    .arg(n == 1 ? QStringLiteral("True") : QStringLiteral("False"))
                    .arg(cam.address)
                    .arg(cam.port)
                    .toUtf8();
    }
    return text;
}

TEST(PanelCamsim, ConnectStopsAndStartsTheVideoAndClosingEverythingEndsTheProgram)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("2")}, &error))
        << error.toStdString();
    ASSERT_EQ(sim.cams.size(), 2u);

    RealTimeUi ui;
    TempProgramFolder folder;
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
    folder.write(QStringLiteral("main.ini"), MainIni(sim));

    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterProgramWindows();
    ASSERT_EQ(Main(), StartupResult::Running);

    auto* panel = registry.IfLoaded<frmController>(kPanelWindowName);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    SkinForm* skin = panel->SkinForm1();
    SkinMouse mouse(skin);
    auto picture = [&](const char* name) {
        return skin->GetElement(QString::fromLatin1(name)).picture();
    };
    auto text = [&](const char* name) {
        return skin->GetElement(QString::fromLatin1(name)).text();
    };
    const QString ledOn = gPanelBtn[22].BtnStr[2];
    const QString ledOff = gPanelBtn[22].BtnStr[1];
    ASSERT_NE(ledOn, ledOff);

    // Slot 1 was running at the last exit: its window shows live video.
    auto* window1 = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(window1, nullptr);
    EXPECT_TRUE(window1->isVisible());
    VideoSurface* surface1 = window1->Picture1();
    ASSERT_TRUE(WaitUntil([&] { return surface1->framesPresented() >= 3; }, 20000));
    EXPECT_EQ(gCurCam, 1);
    EXPECT_EQ(picture("Led1-3"), ledOn);
    EXPECT_EQ(text("Line1"), QStringLiteral("Sim 1"));
    EXPECT_EQ(text("Line5"), gLangOnLine);

    // Connect stops it ...
    mouse.click(QStringLiteral("Connect"));
    auto* engine = registry.IfLoaded<frmMain>(kEngineWindowName);
    ASSERT_NE(engine, nullptr);
    EXPECT_FALSE(gCam[1].Enable);
    EXPECT_TRUE(WaitUntil([&] { return !engine->Cam(1).isRunning(); }, 2000));
    EXPECT_EQ(picture("Led1-3"), ledOff);
    EXPECT_EQ(text("Line5"), gLangOffLine);
    const quint64 stoppedAt = surface1->framesPresented();
    WaitUntil([] { return false; }, 500);
    EXPECT_LE(surface1->framesPresented(), stoppedAt + 1);

    // ... and starts it again in the same window.
    mouse.click(QStringLiteral("Connect"));
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_TRUE(WaitUntil([&] { return surface1->framesPresented() >= stoppedAt + 3; }, 20000));
    EXPECT_EQ(picture("Led1-3"), ledOn);
    EXPECT_EQ(text("Line5"), gLangOnLine);

    // Slot 2: its window comes forward; Connect starts its video there.
    mouse.click(QStringLiteral("Cam2"));
    EXPECT_EQ(gCurCam, 2);
    auto* window2 = registry.IfLoaded<frmClient>(ClientWindowName(2));
    ASSERT_NE(window2, nullptr);
    EXPECT_TRUE(window2->isVisible());
    EXPECT_EQ(text("Line1"), QStringLiteral("Sim 2"));
    mouse.click(QStringLiteral("Connect"));
    EXPECT_TRUE(WaitUntil([&] { return window2->Picture1()->framesPresented() >= 3; }, 20000));
    EXPECT_EQ(picture("Led2-3"), ledOn);

    // Closing the panel leaves the program running; closing the last video
    // window ends it, and main.ini keeps both slots running for next time.
    panel->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(gWinOpen[0]);
    EXPECT_FALSE(registry.ProgramEndRequested());
    window1->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(registry.ProgramEndRequested());
    window2->close();
    EXPECT_TRUE(WaitUntil([&] { return registry.ProgramEndRequested(); }, 10000));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    InitGlobalVariable();
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(gCam[1].Assign && gCam[1].Enable);
    EXPECT_TRUE(gCam[2].Assign && gCam[2].Enable);
    EXPECT_EQ(gCam[2].Port, sim.cams[1].port);

    registry.Reset();
    ReleaseInstanceLock();
    InitGlobalVariable();
}

TEST(PanelCamsim, HoldingAPanTiltButtonTurnsTheCameraUntilReleased)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("2")}, &error))
        << error.toStdString();
    RealTimeUi ui;
    TempProgramFolder folder;
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
    folder.write(QStringLiteral("main.ini"), MainIni(sim));
    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterProgramWindows();
    ASSERT_EQ(Main(), StartupResult::Running);
    auto* panel = registry.IfLoaded<frmController>(kPanelWindowName);
    ASSERT_NE(panel, nullptr);
    SkinMouse mouse(panel->SkinForm1());
    auto pan = [&] { return RecordInt(sim.Control(1, "state"), QStringLiteral("pan"), -99); };
    ASSERT_EQ(pan(), 0);

    // While the button is held, the press and its repeats turn the camera
    // step by step: three steps can only come from repeats.
    const QPoint right = mouse.at(QStringLiteral("PT-R"));
    mouse.move(right);
    mouse.press(right);
    EXPECT_TRUE(WaitUntil([&] { return pan() >= 3; }, 30000));
    mouse.release(right);
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
    // A short click on "centre" brings it back. The camera takes the
    // commands in the order they were sent, so once "centre" has arrived
    // every turn sent before it has too, and none came after the release.
    mouse.click(QStringLiteral("PT-H"));
    QStringList log;
    EXPECT_TRUE(WaitUntil(
        [&] {
            log = sim.Control(1, "state").value(QStringLiteral("ptz_log")).split(u',');
            return log.last() == QString::number(ImageServer::kPtCentre) && pan() == 0;
        },
        30000));
    EXPECT_EQ(log.count(QString::number(ImageServer::kPtCentre)), 1);
    EXPECT_GE(log.count(QString::number(ImageServer::kPtRight)), 3);
    EXPECT_EQ(log.count(QString::number(ImageServer::kPtRight)), log.size() - 1)
        << log.join(u',').toStdString();
    EXPECT_TRUE(ui.messages.empty());

    registry.Reset();
    ReleaseInstanceLock();
    InitGlobalVariable();
}

}  // namespace
