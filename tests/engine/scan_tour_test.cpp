// The scan tour: entering it, each step through the running slots, and
// leaving it for the single-camera windows or the combined window.
#include "engine_fixture.h"

namespace {

class ScanTourTest : public EngineFixture {
protected:
    ScanTourTest()
    {
        for (int n = 1; n <= kSlotCount; ++n)
            Assign(n, 0, false);
        windows.onScanClosing = [this] { engine.ScanWindowClosing(); };
        windows.scanSurface = &scanSurface;
    }
    ~ScanTourTest() override { gScanCam = 1; }
    void Running(std::initializer_list<int> running)
    {
        for (int n = 1; n <= kSlotCount; ++n)
            gCam[n].Enable = false;
        for (int n : running)
            gCam[n].Enable = true;
    }
    // Opens the scan window and gives it a picture area.
    FakeScanWindow& OpenScan()
    {
        windows.ScanWindow();
        windows.scan->clientSize = QSize(400, 300);
        return *windows.scan;
    }
    // Slots whose camera draws into the scan window.
    QList<int> Shown() const
    {
        QList<int> out;
        for (int n = 1; n <= kSlotCount; ++n) {
            const FakeImageServer& c = *controls.cams[n];
            if (c.display() == &scanSurface && c.displayEnabledValue)
                out << n;
        }
        return out;
    }

    VideoSurface scanSurface;
};

TEST_F(ScanTourTest, EnteringClosesTheOtherWindowsAndShowsTheFirstRunningSlot)
{
    Running({2, 4});
    windows.Client(1);
    windows.Client(3);
    gWinOpen[kWinOpenCombine] = true;
    for (int n = 1; n <= kSlotCount; ++n)
        cam(n).displayEnabledValue = true;
    journal.Clear();

    engine.ScanMode();

    EXPECT_EQ(journal.With(QStringLiteral("unload")),
              (QStringList{"unload 1", "unload 3", "unload 5"}));
    for (size_t w = 1; w <= kWinOpenCombine; ++w)
        EXPECT_FALSE(gWinOpen[w]) << w;
    ASSERT_TRUE(windows.scan);
    EXPECT_TRUE(windows.scan->visible);
    EXPECT_EQ(gScanCam, 2);
    EXPECT_TRUE(journal.Has(QStringLiteral("scan.RefrushStatusBar 2")));
    EXPECT_TRUE(engine.tmrScan.isActive());
    EXPECT_EQ(engine.tmrScan.interval(), 1000);
    // Every slot was parked before slot 2 was bound to the window.
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_TRUE(journal.Has(QStringLiteral("cam%1.setDisplay none").arg(n))) << n;
    EXPECT_EQ(cam(2).display(), windows.scan->surface);
    EXPECT_TRUE(cam(2).displayEnabledValue);
    EXPECT_FALSE(cam(4).displayEnabledValue);
    engine.ScanModeToCombineMode();
}

TEST_F(ScanTourTest, TheStepIsTheScanDelayPlusOneSeconds)
{
    for (const auto& [delay, ms] : {std::pair{0, 1000}, std::pair{4, 5000}, std::pair{19, 20000}}) {
        gScanDelay = delay;
        engine.ScanMode();
        EXPECT_EQ(engine.tmrScan.interval(), ms) << delay;
        engine.ScanModeToCombineMode();
    }
    gScanDelay = 0;
}

TEST_F(ScanTourTest, WithNoSlotRunningSlot1IsShown)
{
    Running({});
    gScanCam = 3;
    engine.ScanMode();
    EXPECT_EQ(gScanCam, 1);
    EXPECT_EQ(cam(1).display(), windows.scan->VideoTarget());
    EXPECT_TRUE(cam(1).displayEnabledValue);
    engine.ScanModeToCombineMode();
}

TEST_F(ScanTourTest, EachStepShowsTheNextRunningSlot)
{
    struct Case {
        const char* name;
        std::initializer_list<int> running;
        int current;
        int next;
        bool rebound;  // the slot was parked and bound again
    };
    const Case cases[] = {
        {"next running slot", {2, 4}, 2, 4, true},
        {"wraps from 4", {2, 4}, 4, 2, true},
        {"skips stopped slots", {1, 3}, 3, 1, true},
        {"one running slot is shown again", {3}, 3, 3, true},
        {"a slot that started meanwhile", {2, 3}, 2, 3, true},
        {"nothing running", {}, 4, 4, false},
    };
    OpenScan();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Running(c.running);
        gScanCam = c.current;
        journal.Clear();
        engine.tmrScan_Timer();
        EXPECT_EQ(gScanCam, c.next);
        EXPECT_EQ(journal.Has(QStringLiteral("scan.Repaint")), c.rebound);
        EXPECT_EQ(journal.Has(QStringLiteral("cam%1.setDisplay none").arg(c.next)), c.rebound);
        if (c.rebound) {
            EXPECT_EQ(Shown(), QList<int>{c.next});
        }
        EXPECT_EQ(journal.Has(QStringLiteral("scan.RefrushStatusBar %1").arg(c.next)), true);
    }
}

TEST_F(ScanTourTest, AProtocol3SlotIsShownThroughItsViewer)
{
    Assign(2, 3, true);
    FakeScanWindow& scan = OpenScan();
    engine.DoScanMode(2);
    EXPECT_EQ(viewer(2).attached, &scanSurface);
    EXPECT_EQ(viewer(2).attachedWidth, 400);
    EXPECT_EQ(viewer(2).attachedHeight, 300);
    EXPECT_TRUE(cam(2).displayEnabledValue);
    // The next step parks the viewer and draws nowhere.
    engine.DoScanMode(1);
    EXPECT_EQ(viewer(2).attached, nullptr);
    EXPECT_EQ(viewer(2).attachedWidth, 1);
    EXPECT_EQ(cam(1).display(), scan.VideoTarget());
    EXPECT_EQ(cam(1).displayWidthValue, 400);
    EXPECT_EQ(cam(1).displayHeightValue, 300);
}

TEST_F(ScanTourTest, WithTheScanWindowClosedAStepOnlyParks)
{
    Running({1, 2});
    engine.DoScanMode(2);
    EXPECT_FALSE(gWinOpen[kWinOpenScan]);
    EXPECT_EQ(windows.scan, nullptr);  // not loaded by the step
    EXPECT_EQ(cam(2).display(), nullptr);
    EXPECT_FALSE(cam(2).displayEnabledValue);
}

TEST_F(ScanTourTest, LeavingForTheSingleWindowsOpensThoseOfRunningSlots)
{
    for (const auto& running : {std::initializer_list<int>{1, 3}, {2}, {}}) {
        Running(running);
        gWinOpen[0] = true;
        engine.ScanMode();
        const int shown = gScanCam;
        journal.Clear();

        engine.ScanModeToNormalMode();

        EXPECT_FALSE(engine.tmrScan.isActive());
        EXPECT_FALSE(gWinOpen[kWinOpenScan]);
        // The shown camera left the scan window before it was unloaded.
        EXPECT_LT(journal.IndexOf(QStringLiteral("cam%1.setDisplay none").arg(shown)),
                  journal.IndexOf(QStringLiteral("unload 6")));
        EXPECT_TRUE(Shown().isEmpty());
        for (int n = 1; n <= kSlotCount; ++n) {
            SCOPED_TRACE(n);
            const bool run = gCam[n].Enable;
            EXPECT_EQ(gWinOpen[n], run);
            if (run) {
                EXPECT_TRUE(windows.Loaded(n)->visible);
                EXPECT_EQ(cam(n).display(), &surfaces[n]);
                EXPECT_TRUE(journal.Has(QStringLiteral("client%1.Form_Resize").arg(n)));
            }
        }
        EXPECT_TRUE(journal.Has(QStringLiteral("panel.RefreshPanelText")));
        for (int n = 1; n <= kSlotCount; ++n)
            windows.UnloadWindow(n);
    }
}

TEST_F(ScanTourTest, LeavingForTheCombinedWindowDetachesEveryCamera)
{
    Running({1, 2});
    engine.ScanMode();
    engine.ScanModeToCombineMode();
    EXPECT_FALSE(engine.tmrScan.isActive());
    EXPECT_FALSE(gWinOpen[kWinOpenScan]);
    for (int n = 1; n <= kSlotCount; ++n) {
        EXPECT_FALSE(cam(n).displayEnabledValue) << n;
        EXPECT_EQ(cam(n).display(), nullptr) << n;
    }
}

TEST_F(ScanTourTest, ClosingTheScanWindowTakesTheShownCameraOffIt)
{
    Running({1, 2});
    engine.ScanMode();
    ASSERT_EQ(Shown(), QList<int>{1});
    windows.UnloadWindow(kWinOpenScan);  // the operator closes it
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(cam(1).display(), nullptr);
    EXPECT_FALSE(engine.tmrScan.isActive());
}

TEST_F(ScanTourTest, WithoutAScanWindowTheTourDoesNotStart)
{
    windows.noScanWindow = true;
    engine.ScanMode();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error ScanMode function"));
    EXPECT_FALSE(engine.tmrScan.isActive());
}

}  // namespace
