// The combined window in place of the four single-camera windows and back,
// where the single windows go on the screen, and starting and ending the
// scan tour.
#include "panel_commands_fixture.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

class PanelDisplayTest : public PanelCommandsFixture {
protected:
    void SetUp() override
    {
        PanelCommandsFixture::SetUp();
        windows().Register(kCombineWindowName, [this] { return new JournalCombine(journal); });
        windows().Register(kScanWindowName,
                           [this] { return new FakeModalDialog(journal, kScanWindowName); });
    }
};

TEST_F(PanelDisplayTest, QuadrantsHalveTheScreenRoundingHalvesToEven)
{
    struct Case {
        QRect screen;
        double scale;
        QPoint origins[4];
    };
    const Case cases[] = {
        {QRect(0, 0, 1024, 768), 15, {{0, 0}, {7680, 0}, {0, 5760}, {7680, 5760}}},
        {QRect(0, 0, 1023, 768), 15, {{0, 0}, {7672, 0}, {0, 5760}, {7672, 5760}}},
        {QRect(0, 0, 1024, 768), 1, {{0, 0}, {512, 0}, {0, 384}, {512, 384}}},
        {QRect(0, 0, 1023, 767), 1, {{0, 0}, {512, 0}, {0, 384}, {512, 384}}},
        {QRect(0, 0, 1025, 769), 1, {{0, 0}, {512, 0}, {0, 384}, {512, 384}}},
    };
    for (const Case& c : cases)
        for (int slot = 1; slot <= 4; ++slot)
            EXPECT_EQ(frmController::QuadrantOrigin(c.screen, slot, c.scale), c.origins[slot - 1])
                << c.screen.width() << " x " << c.scale << " slot " << slot;
}

TEST_F(PanelDisplayTest, CombineReplacesTheFourWindowsAndBringsBackTheRunningOnes)
{
    AssignSlot(1, 0, true);
    AssignSlot(2, 0, false);  // assigned, stopped: no window afterwards
    AssignSlot(4, 0, true);
    gCam[3].Enable = true;  // running but not assigned: no window either
    Open();
    for (int n = 1; n <= 4; ++n)
        windows().Get(ClientWindowName(n));
    journal.Clear();

    panel->Combine_Fun();
    EXPECT_EQ(gCombineMode, 1);
    EXPECT_EQ(Calls(), (QStringList{"client1.Unload", "client2.Unload", "client3.Unload",
                                    "client4.Unload", "combine.Load", "combine.shown"}));
    EXPECT_EQ(CellOf(frmController::kRowCombine), 2);

    journal.Clear();
    panel->Combine_Fun();
    EXPECT_EQ(gCombineMode, 0);
    EXPECT_EQ(CellOf(frmController::kRowCombine), 4);
    EXPECT_FALSE(gWinOpen[kWinOpenCombine]);
    EXPECT_EQ(journal.With(QStringLiteral("client")),
              (QStringList{"client1.Load", "client1.ShowModeless", "client4.Load",
                           "client4.ShowModeless"}));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(clients[1]->pos(), screen.topLeft());
    EXPECT_EQ(clients[4]->pos(), screen.topLeft() + frmController::QuadrantOrigin(screen, 4));
}

TEST_F(PanelDisplayTest, CombineDuringTheTourEndsItForTheCombinedWindow)
{
    AssignSlot(1, 0, true);
    AssignSlot(2, 0, true);
    gCam[1].PT = true;
    Open();
    gScanMode = true;
    panel->RefreshPTPanel();
    ASSERT_EQ(CellOf(frmController::kRowPtFirst), 0);
    panel->Combine_Fun();
    EXPECT_FALSE(gScanMode);
    EXPECT_EQ(gCombineMode, 1);
    EXPECT_EQ(CellOf(frmController::kRowScan), 1);
    EXPECT_EQ(CellOf(frmController::kRowCombine), 2);
    const QStringList calls = Calls();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.first(), QStringLiteral("engine.ScanModeToCombineMode"));
    EXPECT_TRUE(calls.contains(QStringLiteral("combine.shown")));
    // The pan/tilt pad follows the slot again.
    EXPECT_EQ(CellOf(frmController::kRowPtFirst), 1);
}

TEST_F(PanelDisplayTest, ScanStartsWithTwoRunningCamerasAndAlwaysEnds)
{
    struct Case {
        const char* name;
        int running;
        bool scanning;
        int combine;
        QStringList calls;
        bool scanAfter;
        int scanCell;     // -1: the look is left alone
        int combineCell;  // -1: the look is left alone
    };
    const Case cases[] = {
        {"one camera: nothing at all", 1, false, 0, {}, false, -1, -1},
        {"two cameras start it", 2, false, 0, {"engine.ScanMode"}, true, 2, -1},
        {"from the combined window", 3, false, 1, {"engine.ScanMode"}, true, 2, 1},
        {"ending it", 2, true, 0, {"engine.ScanModeToNormalMode"}, false, 4, -1},
        {"ending it with no camera left",
         0,
         true,
         0,
         {"engine.ScanModeToNormalMode"},
         false,
         4,
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegisterWindows();
        SetUp();
        for (int n = 1; n <= 4; ++n)
            AssignSlot(n, 0, n <= c.running);
        Open();
        gScanMode = c.scanning;
        gCombineMode = c.combine;
        const QString scanBefore = Row(frmController::kRowScan).picture();
        const QString combineBefore = Row(frmController::kRowCombine).picture();
        panel->Scan_Fun();
        EXPECT_EQ(Calls(), c.calls);
        EXPECT_EQ(gScanMode, c.scanAfter);
        EXPECT_EQ(gCombineMode, 0);
        if (c.scanCell < 0)
            EXPECT_EQ(Row(frmController::kRowScan).picture(), scanBefore);
        else
            EXPECT_EQ(CellOf(frmController::kRowScan), c.scanCell);
        if (c.combineCell < 0)
            EXPECT_EQ(Row(frmController::kRowCombine).picture(), combineBefore);
        else
            EXPECT_EQ(CellOf(frmController::kRowCombine), c.combineCell);
        // While touring the pan/tilt pad is off.
        gCam[1].PT = true;
        panel->RefreshPTPanel();
        EXPECT_EQ(CellOf(frmController::kRowPtFirst), c.scanAfter ? 0 : 1);
        windows().Reset();
    }
}

}  // namespace
