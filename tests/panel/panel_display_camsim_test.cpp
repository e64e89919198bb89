// The program against two simulated cameras, both running: "Combine" puts the
// combined window in place of the two video windows and back, and "Scan"
// tours the running cameras at the configured step until "Scan" ends it.
#include "app/app_windows.h"
#include "app/startup.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/skin/skin_form.h"
#include "support/camsim_process.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <numeric>

namespace {

class DisplayCamsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("2")}, &error))
            << error.toStdString();
        ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
        QByteArray ini("[General]\nScanDelay=0\n");
        for (int n = 1; n <= 2; ++n) {
            const auto& cam = sim.cams[static_cast<size_t>(n - 1)];
            ini += QStringLiteral("[Cam%1]\nEnable=True\nAssign=True\nUserName=admin\n"
                                  "Password=admin\nIPAddress=%2\nPort=%3\nServerName=Sim %1\n")
                       .arg(n)
                       .arg(cam.address)
                       .arg(cam.port)
                       .toUtf8();
        }
        folder.write(QStringLiteral("main.ini"), ini);
        windows().Reset();
        RegisterProgramWindows();
        ASSERT_EQ(Main(), StartupResult::Running);
        panel = windows().IfLoaded<frmController>(kPanelWindowName);
        ASSERT_NE(panel, nullptr);
        mouse = std::make_unique<SkinMouse>(panel->SkinForm1());
    }
    void TearDown() override
    {
        mouse.reset();
        windows().Reset();
        ReleaseInstanceLock();
        InitGlobalVariable();
    }
    bool Visible(const QString& name)
    {
        auto* w = windows().IfLoaded<QWidget>(name);
        return w && w->isVisible();
    }

    CamsimProcess sim;
    RealTimeUi ui;
    TempProgramFolder folder;
    frmController* panel = nullptr;
    std::unique_ptr<SkinMouse> mouse;
};

TEST_F(DisplayCamsim, TheCombinedWindowReplacesTheVideoWindowsAndBack)
{
    ASSERT_TRUE(WaitUntil(
        [&] { return Visible(ClientWindowName(1)) && Visible(ClientWindowName(2)); }, 10000));
    mouse->click(QStringLiteral("Combine"));
    EXPECT_EQ(gCombineMode, 1);
    EXPECT_TRUE(Visible(kCombineWindowName));
    EXPECT_FALSE(windows().IsLoaded(ClientWindowName(1)));
    EXPECT_FALSE(windows().IsLoaded(ClientWindowName(2)));

    mouse->click(QStringLiteral("Combine"));
    EXPECT_EQ(gCombineMode, 0);
    EXPECT_FALSE(windows().IsLoaded(kCombineWindowName));
    EXPECT_TRUE(Visible(ClientWindowName(1)));
    EXPECT_TRUE(Visible(ClientWindowName(2)));
    EXPECT_FALSE(windows().IsLoaded(ClientWindowName(3)));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DisplayCamsim, TheTourShowsEachRunningCameraInTurnAtTheConfiguredStep)
{
    ASSERT_TRUE(WaitUntil([&] { return gCam[1].Enable && gCam[2].Enable; }, 10000));
    mouse->click(QStringLiteral("Scan"));
    ASSERT_TRUE(gScanMode);
    EXPECT_TRUE(Visible(kScanWindowName));
    EXPECT_FALSE(windows().IsLoaded(ClientWindowName(1)));

    // One second per camera (ScanDelay 0): 1, 2, 1, 2 ...
    std::vector<int> shown{gScanCam};
    std::vector<qint64> after;
    QElapsedTimer clock;
    clock.start();
    WaitUntil(
        [&] {
            if (gScanCam != shown.back()) {
                shown.push_back(gScanCam);
                after.push_back(clock.restart());
            }
            return shown.size() >= 4;
        },
        20000);
    ASSERT_GE(shown.size(), 4u);
    for (size_t i = 1; i < shown.size(); ++i) {
        EXPECT_NE(shown[i], shown[i - 1]);
        EXPECT_TRUE(shown[i] == 1 || shown[i] == 2);
    }
    // About a second each, counted from the click, which starts the step
    // timer. A busy machine delays single ticks (a late one is followed by an
    // early-looking one, since the timer keeps its beat), so the steps are
    // judged by their sum.
    const qint64 steps = std::accumulate(after.begin(), after.end(), qint64{0});
    const auto count = static_cast<qint64>(after.size());
    EXPECT_GE(steps, count * 800);
    EXPECT_LE(steps, count * 2500);

    mouse->click(QStringLiteral("Scan"));
    EXPECT_FALSE(gScanMode);
    EXPECT_TRUE(WaitUntil([&] { return !windows().IsLoaded(kScanWindowName); }, 3000));
    EXPECT_TRUE(Visible(ClientWindowName(1)));
    EXPECT_TRUE(Visible(ClientWindowName(2)));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
