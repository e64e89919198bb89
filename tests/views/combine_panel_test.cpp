// The combined window as the panel drives it: the real panel's slot buttons
// move the active cell, and the window's buttons take the new slot's looks
// and tips at once, although the panel marks the cell before it makes the
// slot current.
#include "panel/panel_fixture.h"
#include "views/frm_combine_window.h"

namespace {

enum Row { kColorCtl = 5, kRotate = 8, kAudio = 10 };
QString ViewLook(int row, int cell) { return QStringLiteral("BgColor %1 -").arg(row * 10 + cell); }

class CombinePanelTest : public PanelFixture {
protected:
    CombinePanelTest()
    {
        for (int r = 0; r < kViewBtnCount; ++r) {
            for (int c = 0; c <= 6; ++c)
                gViewBtn[r].BtnStr[c] = ViewLook(r, c);
            gViewBtn[r].BtnStr[7] = QStringLiteral("tip %1").arg(r);
        }
        windows().Register(kCombineWindowName, [this] {
            CombineLinks links;
            links.engine = &Engine();
            links.panel = [this] { return static_cast<QWidget*>(panel); };
            links.unloadEngine = [] {};
            return new frmCombineWindow(std::move(links));
        });
    }
    ~CombinePanelTest() override { gCombineMode = 0; }

    frmCombineWindow& OpenRealCombine()
    {
        gCombineMode = 1;
        auto* combine = windows().Get<frmCombineWindow>(kCombineWindowName);
        EXPECT_NE(combine, nullptr);
        combine->show();
        combineMouse = std::make_unique<SkinMouse>(combine->SkinForm1());
        return *combine;
    }
    SkinElement& ViewEl(frmCombineWindow& w, int row)
    {
        return w.SkinForm1()->GetElement(gViewBtn[row].BtnName);
    }

    std::unique_ptr<SkinMouse> combineMouse;
};

}  // namespace

TEST_F(CombinePanelTest, PanelSlotChangeGivesTheButtonsTheNewSlotsLooksAndTips)
{
    AssignSlot(1, 0, true);  // an image-server camera without sound, idle
    AssignSlot(2, 3, true);  // a viewer camera with its sound on
    AssignSlot(3, 0, true);  // in a recording mode (below)
    AssignSlot(4, 4, true);  // an image-server camera with sound
    gCurCam = 1;
    OpenPanel();
    gCam[3].RecordMode = kRecordManual;
    gCam[3].Recording = true;
    gAudioOn[1] = true;
    frmCombineWindow& combine = OpenRealCombine();

    struct Step {
        const char* slot;
        int colour, rotate, audio;
        bool audioTip;
        // What hovering over Rotate and ColorCtl leaves (the greyed ones keep their look).
        int rotateHover, colourHover;
    };
    const Step steps[] = {
        {"Cam2", 5, 5, 2, true, 5, 5},  {"Cam3", 5, 5, 6, false, 5, 5},
        {"Cam1", 1, 1, 6, false, 4, 4}, {"Cam4", 5, 1, 3, true, 4, 5},
        {"Cam3", 5, 5, 6, false, 5, 5},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.slot);
        Click(QLatin1String(s.slot));
        const int slot = QByteArray(s.slot).right(1).toInt();
        ASSERT_EQ(gCurCam, slot);
        EXPECT_EQ(ViewEl(combine, kColorCtl).picture(), ViewLook(kColorCtl, s.colour));
        EXPECT_EQ(ViewEl(combine, kRotate).picture(), ViewLook(kRotate, s.rotate));
        EXPECT_EQ(ViewEl(combine, kAudio).picture(), ViewLook(kAudio, s.audio));
        EXPECT_EQ(ViewEl(combine, kAudio).toolTip(),
                  s.audioTip ? QStringLiteral("tip 10") : QString());
        EXPECT_EQ(combine.windowTitle(), QStringLiteral("%1.  Camera %1").arg(slot));
        for (int n = 1; n <= kSlotCount; ++n)
            EXPECT_EQ(combine.sfCam(n)->GetElement(QStringLiteral("Top")).picture(),
                      n == slot ? QStringLiteral("BgColor 255 -") : QStringLiteral("BgColor 0 -"))
                << n;

        combineMouse->hover(gViewBtn[kRotate].BtnName);
        EXPECT_EQ(ViewEl(combine, kRotate).picture(), ViewLook(kRotate, s.rotateHover));
        combineMouse->hover(gViewBtn[kColorCtl].BtnName);
        EXPECT_EQ(ViewEl(combine, kColorCtl).picture(), ViewLook(kColorCtl, s.colourHover));
    }

    // A slot that is not shown still leaves the active cell's looks alone
    // (the engine reports every slot whose recording stops).
    for (int row : {kColorCtl, kRotate, kAudio})
        ViewEl(combine, row).setStatePicture(QStringLiteral("BgColor 999 -"));
    combine.RecordGrayBTN(1);
    for (int row : {kColorCtl, kRotate, kAudio})
        EXPECT_EQ(ViewEl(combine, row).picture(), QStringLiteral("BgColor 999 -")) << row;
    combine.RecordGrayBTN(3);
    EXPECT_EQ(ViewEl(combine, kColorCtl).picture(), ViewLook(kColorCtl, 5));
    windows().Unload(kCombineWindowName);
}
