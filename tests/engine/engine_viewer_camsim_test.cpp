// The real engine and window with a protocol-3 camera (camsim): the slot's
// settings put the probe's parameters on the video viewer, the window shows
// its video, the audio button switches the camera's sound on and off, and a
// machine without a sound output is told so once.
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/resources.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/audio/audio_player.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/http_wis_viewer.h"
#include "support/camsim_process.h"
#include "support/program_globals.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "views/frm_client.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(EngineViewerCamsim, AProtocolThreeSlotShowsItsVideoAndPlaysItsSoundFromTheAudioButton)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("--cameras"), QStringLiteral("1"), QStringLiteral("--protocol"),
                   QStringLiteral("3"), QStringLiteral("--address"), QStringLiteral("127.0.33.5")},
                  &error))
        << error.toStdString();

    RealTimeUi ui;
    QTemporaryDir data;
    ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
    CamInfo& cam = gCam[1];
    cam.Assign = true;
    cam.Enable = true;
    cam.Protocol = kProtocolViewer;
    cam.IPAddress = sim.cams[0].address;
    cam.Port = sim.cams[0].port;
    cam.UserName = QStringLiteral("admin");  // the typed pair; the image server derives the log-in
    cam.Password = QStringLiteral("admin");
    cam.ServerName = QStringLiteral("Sim 3");

    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterEngineWindow(registry);
    RegisterClientWindows(registry);
    auto* engine = registry.Get<frmMain>(kEngineWindowName);
    ASSERT_NE(engine, nullptr);
    auto* window = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return window->Picture1()->framesPainted() >= 5; }, 20000))
        << "no protocol-3 picture reached the window";
    auto& viewer = dynamic_cast<HttpWisViewer&>(engine->WisViewer1(1));
    EXPECT_EQ(viewer.sourceWidth(), 640);
    EXPECT_EQ(cam.ServerModel, QStringLiteral("SIM-PT100"));  // read back by the probe
    EXPECT_EQ(engine->Cam(1).viewerParam1(), sim.cams[0].port);
    EXPECT_FALSE(engine->Cam(1).isRunning());  // the viewer carries the stream

    // The audio button: sound on through the image server's channel and the viewer.
    const bool noOutput = QMediaDevices::defaultAudioOutput().isNull();
    cam.RecordMode = 0;
    SkinMouse mouse(window->SkinForm1());
    mouse.click(gViewBtn[10].BtnName);
    EXPECT_TRUE(gAudioOn[0]);
    ASSERT_NE(viewer.audioPlayer(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return viewer.audioPlayer()->SamplesDecoded() >= 4000; }, 10000));
    const auto told = [&] {
        int n = 0;
        for (const auto& m : ui.messages)
            n += m.text.contains(QStringLiteral("no sound output"));
        return n;
    };
    if (noOutput)
        EXPECT_TRUE(WaitUntil([&] { return told() == 1; }, 10000));
    else
        WaitUntil([] { return false; }, 100);
    EXPECT_EQ(told(), noOutput ? 1 : 0);
    mouse.click(gViewBtn[10].BtnName);
    EXPECT_FALSE(gAudioOn[0]);
    EXPECT_EQ(viewer.audioPlayer(), nullptr);
    mouse.click(gViewBtn[10].BtnName);  // on again: not told twice
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(told(), noOutput ? 1 : 0);

    // A recording the viewer ended by itself is ended and logged by the engine.
    cam.Recording = true;
    const qsizetype lines = engine->List1(1).size();
    emit viewer.RecordFailed();
    EXPECT_TRUE(WaitUntil([&] { return !cam.Recording; }, 10000));
    ASSERT_GE(engine->List1(1).size(), lines + 2);
    EXPECT_TRUE(engine->List1(1).contains(QStringLiteral("    ") + gLangEvent[kEventRecordFailed]));

    engine->CamStop(1);
    EXPECT_FALSE(gAudioOn[0]);
    EXPECT_EQ(viewer.state() & WisViewer::kStateRunning, 0);

    registry.Unload(kEngineWindowName);
    registry.Reset();
    ForgetProgramGlobals();
}

}  // namespace
