// The video windows in the program as it starts, with the real engine and
// camera objects, against four simulated cameras on loopback: the colour
// panel reads a camera's settings and a brightness change shows in the next
// pictures; the combined window shows all four cameras in its cells and
// takes them off when it closes; the engine finds the scan window by name.
#include "app/app_windows.h"
#include "app/startup.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "support/camsim_process.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"
#include "views/colour_panel.h"
#include "views/frm_client.h"
#include "views/frm_combine_window.h"
#include "views/frm_scan.h"

#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

QByteArray MainIni(const CamsimProcess& sim)
{
    QByteArray text;
    for (int n = 1; n <= kSlotCount; ++n) {
        const auto& cam = sim.cams[static_cast<size_t>(n - 1)];
        text += QStringLiteral("[Cam%1]\nEnable=True\nAssign=True\nUserName=admin\nPassword=admin\n"
                               "IPAddress=%2\nPort=%3\nServerName=Sim %1\n"
                               "MacAddress=0.17.34.51.68.%1\n")
                    .arg(n)
                    .arg(cam.address)
                    .arg(cam.port)
                    .toUtf8();
    }
    return text;
}

double MeanLuma(const VideoSurface* surface)
{
    const QImage img = surface->currentFrame().convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            sum += qGray(line[x]);
    }
    return img.isNull() ? -1 : sum / (double(img.width()) * img.height());
}

TEST(ViewsCamsim, ColourPanelCombinedWindowAndScanWindowWithTheRealProgram)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("4"),
                           QStringLiteral("--size"), QStringLiteral("320x240")},
                          &error))
        << error.toStdString();
    ASSERT_EQ(sim.cams.size(), 4u);

    RealTimeUi ui;
    TempProgramFolder folder;
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
    folder.write(QStringLiteral("main.ini"), MainIni(sim));

    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterProgramWindows();
    ASSERT_EQ(Main(), StartupResult::Running);
    auto* engine = registry.IfLoaded<frmMain>(kEngineWindowName);
    auto* window1 = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(window1, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return window1->Picture1()->framesPresented() >= 3; }, 20000));

    // The colour panel reads the camera's settings; a brightness change
    // reaches the camera and the pictures after the restart are brighter.
    SkinMouse mouse(window1->SkinForm1());
    mouse.click(QStringLiteral("ColorCtl"));
    ASSERT_TRUE(window1->m_bColorCtlVisible)
        << (ui.messages.empty() ? std::string() : ui.messages.back().text.toStdString());
    QScrollBar* brightness = window1->picImage()->bar(ColourPanel::kBrightness);
    EXPECT_EQ(brightness->value(), 64);
    const double before = MeanLuma(window1->Picture1());
    brightness->setValue(120);
    EXPECT_EQ(window1->iBrightness, 120);
    const quint64 restartedAt = window1->Picture1()->framesPresented();
    ASSERT_TRUE(WaitUntil([&] { return window1->Picture1()->framesPresented() >= restartedAt + 5; },
                          20000));
    const double after = MeanLuma(window1->Picture1());
    EXPECT_GT(after, before + 30) << before << " -> " << after;
    mouse.click(QStringLiteral("ColorCtl"));  // closes
    EXPECT_FALSE(window1->m_bColorCtlVisible);

    // The combined window replaces the single windows and shows all four cameras.
    for (int n = 1; n <= kSlotCount; ++n)
        registry.Unload(ClientWindowName(n));
    gCombineMode = 1;
    auto* combine = registry.Get<frmCombineWindow>(kCombineWindowName);
    ASSERT_NE(combine, nullptr);
    EXPECT_EQ(static_cast<ICombineWindow*>(combine),
              RegistryEngineWindows(registry).CombineWindow());
    combine->show();
    for (int n = 1; n <= kSlotCount; ++n) {
        VideoSurface* cell = combine->picCam(n);
        EXPECT_TRUE(WaitUntil([&] { return cell->framesPresented() >= 3; }, 20000)) << n;
        EXPECT_EQ(engine->Cam(n).display(), cell);
    }
    // Closing it (the panel stays open) ends the combined mode and takes every camera off.
    combine->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(gWinOpen[5]);
    EXPECT_EQ(gCombineMode, 0);
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_EQ(engine->Cam(n).display(), nullptr) << n;
    EXPECT_FALSE(registry.ProgramEndRequested());

    // The engine finds the scan window by its name, loaded hidden.
    IScanWindow* scan = RegistryEngineWindows(registry).ScanWindow();
    ASSERT_NE(scan, nullptr);
    EXPECT_TRUE(gWinOpen[6]);
    EXPECT_NE(scan->VideoTarget(), nullptr);
    registry.Unload(kScanWindowName);
    EXPECT_FALSE(gWinOpen[6]);

    registry.RequestProgramEnd();
    EXPECT_TRUE(WaitUntil([&] { return registry.ProgramEndRequested(); }, 10000));
    registry.Reset();
    ReleaseInstanceLock();
    InitGlobalVariable();
}

}  // namespace
