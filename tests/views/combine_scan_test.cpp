#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_label.h"
#include "support/fake_engine_controls.h"
#include "support/fake_ui.h"
#include "support/paint_counter.h"
#include "support/qt_printers.h"
#include "support/skin_mouse.h"
#include "views/colour_panel.h"
#include "views/frm_combine_window.h"
#include "views/frm_scan.h"

#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString CellLook(int row, int cell) { return QStringLiteral("BgColor %1 -").arg(row * 10 + cell); }
const QString kUntouched = QStringLiteral("BgColor 999 -");
enum Row {
    kOnTop = 3,
    kWakeUp = 4,
    kColorCtl = 5,
    kEvent = 6,
    kSnapshot = 7,
    kRotate = 8,
    kZoom = 9,
    kAudio = 10
};
const char* const kRowNames[kViewBtnCount] = {"Min",    "Max",      "Close", "OnTop",
                                              "WakeUp", "ColorCtl", "Event", "Snapshot",
                                              "Rotate", "Zoom",     "Audio"};

class NoWindows : public IEngineWindows {
public:
    IPanelWindow* Panel() override { return nullptr; }
    IClientWindow* Client(int) override { return nullptr; }
    ICombineWindow* CombineWindow() override { return nullptr; }
    IScanWindow* ScanWindow() override { return nullptr; }
    void UnloadWindow(int) override {}
};

class VideoWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitGlobalVariable();
        SetAppPath(QStringLiteral(CAM_RESOURCES_DIR));
        SetDataPath(data.path());
        ASSERT_TRUE(LoadLanguageIni());
        ASSERT_TRUE(LoadLang2Ini());
        ASSERT_TRUE(LoadLang3Ini());
        ASSERT_TRUE(LoadLang1Ini());
        frmMain::LoadLanguage();
        for (int r = 0; r < kViewBtnCount; ++r) {
            ASSERT_EQ(gViewBtn[r].BtnName, QLatin1String(kRowNames[r]));
            for (int c = 0; c <= 6; ++c)
                gViewBtn[r].BtnStr[c] = CellLook(r, c);
            gViewBtn[r].BtnStr[7] = QStringLiteral("tip %1").arg(r);
        }
        for (int n = 1; n <= kSlotCount; ++n) {
            CamInfo& cam = gCam[n];
            cam.Assign = true;
            cam.Enable = true;
            cam.IPAddress = QStringLiteral("127.0.0.%1").arg(n);
            cam.ServerName = QStringLiteral("Camera %1").arg(n);
            cam.MacAddress = QStringLiteral("0.1.2.3.4.%1").arg(n);
        }
        engine = std::make_unique<frmMain>(engineWindows, controls);
    }
    void TearDown() override
    {
        combine.reset();
        scan.reset();
        engine.reset();
        SetAppPath({});
        SetDataPath({});
    }
    FakeImageServer& cam(int n) { return *controls.cams[n]; }
    FakeWisViewer& viewer(int n) { return *controls.viewers[n]; }

    FakeUi ui;
    QTemporaryDir data;
    Journal journal;
    FakeEngineControls controls{journal};
    NoWindows engineWindows;
    std::unique_ptr<frmMain> engine;
    std::unique_ptr<QWidget> panel = std::make_unique<QWidget>();
    std::unique_ptr<frmCombineWindow> combine;
    std::unique_ptr<frmScan> scan;
    QStringList panelCalls;
    int engineUnloads = 0;
};

// ------------------------------------------------------------------ combined window

class CombineWindowTest : public VideoWindowTest {
protected:
    void open()
    {
        CombineLinks links;
        links.engine = engine.get();
        links.panel = [this] { return panel.get(); };
        links.StopBtnHold = [this] { panelCalls << QStringLiteral("StopBtnHold"); };
        links.RefreshPTPanel = [this] { panelCalls << QStringLiteral("RefreshPTPanel"); };
        links.RefreshPanelText = [this] { panelCalls << QStringLiteral("RefreshPanelText"); };
        links.RefrushCamCfgBtn = [this] { panelCalls << QStringLiteral("RefrushCamCfgBtn"); };
        links.unloadEngine = [this] { ++engineUnloads; };
        combine = std::make_unique<frmCombineWindow>(std::move(links));
        combine->Form_Load();
    }
    SkinElement& el(int row)
    {
        return combine->SkinForm1()->GetElement(QLatin1String(kRowNames[row]));
    }
    QString frame(int n, const char* side)
    {
        return combine->sfCam(n)->GetElement(QLatin1String(side)).picture();
    }
};

TEST_F(CombineWindowTest, LoadBindsEverySlotToItsCellAndClearsEveryOnTopFlag)
{
    gCam[3].Assign = false;  // bound all the same
    gCam[3].Enable = false;
    gOnTop = {true, true, true, true, true, true};
    open();
    EXPECT_TRUE(gWinOpen[5]);
    EXPECT_TRUE(combine->m_bFirst);
    EXPECT_EQ(gOnTop, (std::array<bool, 6>{}));
    EXPECT_EQ(combine->clientSize(), QSize(640, 480));
    for (int n = 1; n <= kSlotCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(cam(n).display(), combine->picCam(n));
        EXPECT_TRUE(cam(n).displayEnabled());
        EXPECT_EQ(combine->picImage(n)->label(0)->Caption(), gLangClientSkl[0]);
    }
    EXPECT_EQ(combine->windowTitle(), QString());
}

TEST_F(CombineWindowTest, GridHalvesTheClientAreaToEvenAndBindsInsideTheFrame)
{
    gCam[2].Protocol = 3;
    open();
    struct Case {
        QSize client;
        int w, h;
    };
    const Case cases[] = {{{640, 480}, 320, 240}, {{641, 481}, 320, 240}, {{643, 483}, 322, 242}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.client.width());
        combine->resize(combine->size() - combine->clientSize() + c.client);
        ASSERT_EQ(combine->clientSize(), c.client);
        combine->Form_Resize();
        const QRect cells[] = {
            {0, 0, c.w, c.h}, {c.w, 0, c.w, c.h}, {0, c.h, c.w, c.h}, {c.w, c.h, c.w, c.h}};
        for (int n = 1; n <= kSlotCount; ++n) {
            EXPECT_EQ(combine->cell(n)->geometry(), cells[n - 1]) << n;
            // The video inside the 3-pixel frame.
            EXPECT_EQ(combine->picCam(n)->size(), QSize(c.w - 6, c.h - 6)) << n;
        }
        // A protocol-3 slot's viewer gets the cell less 6 pixels each way.
        EXPECT_EQ(viewer(2).attached, combine->picCam(2));
        EXPECT_EQ(viewer(2).attachedWidth, c.w - 6);
        EXPECT_EQ(viewer(2).attachedHeight, c.h - 6);
        // The others draw at the same inner size.
        EXPECT_EQ(cam(4).displayWidth(), c.w - 6);
        EXPECT_EQ(cam(4).displayHeight(), c.h - 6);
    }
    // Minimised: nothing changes, nothing is sent.
    combine->show();
    combine->showMinimized();
    cam(1).calls.clear();
    combine->Form_Resize();
    EXPECT_TRUE(cam(1).calls.empty());
}

// Restored from minimised at the size it had, the window gets no resize; it
// lays out and binds all four slots again all the same.
TEST_F(CombineWindowTest, RestoringFromMinimisedBindsEverySlotAgain)
{
    open();
    combine->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(combine.get()));
    const QSize size = combine->size();
    combine->setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    ASSERT_TRUE(combine->isMinimized());

    // Meanwhile slot 2 turns into a viewer camera, the others draw elsewhere,
    // and the engine's re-layout after the push does nothing.
    gCam[2].Protocol = 3;
    for (int n = 1; n <= kSlotCount; ++n) {
        cam(n).setDisplay(nullptr);
        cam(n).calls.clear();
    }
    combine->Form_Resize();
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_TRUE(cam(n).calls.empty()) << n;
    EXPECT_EQ(viewer(2).attached, nullptr);

    combine->setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    ASSERT_FALSE(combine->isMinimized());
    EXPECT_EQ(combine->size(), size);
    EXPECT_EQ(viewer(2).attached, combine->picCam(2));
    EXPECT_EQ(viewer(2).attachedWidth, 320 - 6);
    for (int n : {1, 3, 4}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(cam(n).display(), combine->picCam(n));
        EXPECT_EQ(cam(n).Count(ImageServer::Dispid::DisplayWidth), 1);
        EXPECT_EQ(cam(n).displayWidth(), 320 - 6);
    }
}

TEST_F(CombineWindowTest, ActiveBorderMarksTheCellAndTitlesByLanguage)
{
    struct Case {
        const char* language;
        bool fixed;
    };
    const Case cases[] = {
        {"english", false}, {"Tarsel", true}, {"TarselS", true}, {"tarsel", false}};
    gLangCombineCaption = QStringLiteral("Combined view");
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        gLanguage = QLatin1String(c.language);
        gCurCam = 3;
        combine->PutActiveBorder(3);
        const QString title = c.fixed ? gLangCombineCaption : QStringLiteral("3.  Camera 3");
        EXPECT_EQ(combine->windowTitle(), title);
        EXPECT_EQ(combine->SkinForm1()->GetElement(QStringLiteral("ServerName")).text(), title);
        for (int n = 1; n <= kSlotCount; ++n)
            for (const char* side : {"Top", "Bottom", "Left", "Right"})
                EXPECT_EQ(frame(n, side),
                          n == 3 ? QStringLiteral("BgColor 255 -") : QStringLiteral("BgColor 0 -"))
                    << n << side;
    }
}

// The status bar shows the active cell's connection state; every cell whose
// slot is reconnecting shows its last picture dimmed, with the text.
TEST_F(CombineWindowTest, StatusBarAndCellsShowWhichCamerasAreReconnecting)
{
    gCurCam = 1;
    open();
    const auto line = [&] {
        return combine->SkinForm1()->GetElement(QStringLiteral("Line")).text();
    };
    gCam[2].Reconnecting = true;
    combine->RefrushStatusBar();
    EXPECT_EQ(line(), gLangOnLine);
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_EQ(combine->picCam(n)->downText(), n == 2 ? gLangReconnecting : QString()) << n;
    combine->PutActiveBorder(2);  // the panel picks slot 2
    EXPECT_EQ(line(), gLangReconnecting);
    gCam[2].Reconnecting = false;
    combine->RefrushStatusBar();
    EXPECT_TRUE(combine->picCam(2)->downText().isEmpty());
    gCam[3].Enable = false;
    combine->PutActiveBorder(3);
    EXPECT_EQ(line(), gLangOffLine);
}

TEST_F(CombineWindowTest, FirstActivationMarksTheCurrentSlotAndGreysZoom)
{
    gCurCam = 2;
    open();
    combine->Form_Activate();
    EXPECT_FALSE(combine->m_bFirst);
    EXPECT_EQ(frame(2, "Top"), QStringLiteral("BgColor 255 -"));
    EXPECT_EQ(combine->windowTitle(), QStringLiteral("2.  Camera 2"));
    EXPECT_EQ(el(kZoom).picture(), CellLook(kZoom, 5));
    EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 1));  // RecordGrayBTN of slot 2
}

TEST_F(CombineWindowTest, CellClickMakesTheCellCurrentAndRefreshesThePanel)
{
    gCurCam = 1;
    gWinOpen[0] = true;
    open();
    combine->Form_Activate();
    // Another cell, colour panel open: the hold stops, the panel closes, the flags reset.
    combine->m_bColorCtlVisible = true;
    gCamCfgOpen = true;
    gExtInfo = {true, true, true, true};
    ui.sleeps.clear();
    combine->sfCam_Click(4);
    EXPECT_EQ(gCurCam, 4);
    EXPECT_FALSE(combine->m_bColorCtlVisible);
    EXPECT_EQ(ui.sleeps, std::vector<int>{1000});  // the colour panel was closed
    EXPECT_FALSE(gCamCfgOpen);
    EXPECT_EQ(gExtInfo, (std::array<bool, 4>{false, true, true, true}));
    EXPECT_EQ(panelCalls, (QStringList{"StopBtnHold", "RefreshPTPanel", "RefreshPanelText",
                                       "RefrushCamCfgBtn"}));
    EXPECT_EQ(frame(4, "Left"), QStringLiteral("BgColor 255 -"));
    EXPECT_EQ(frame(1, "Left"), QStringLiteral("BgColor 0 -"));

    // The same cell again: no hold stop, no flag change, the refresh all the same.
    panelCalls.clear();
    gCamCfgOpen = true;
    combine->sfCam_Click(4);
    EXPECT_TRUE(gCamCfgOpen);
    EXPECT_EQ(panelCalls, (QStringList{"RefreshPTPanel", "RefreshPanelText", "RefrushCamCfgBtn"}));

    // Panel closed: nothing of it is called.
    gWinOpen[0] = false;
    panelCalls.clear();
    combine->sfCam_Click(2);
    EXPECT_EQ(gCurCam, 2);
    EXPECT_TRUE(panelCalls.isEmpty());
}

TEST_F(CombineWindowTest, RecordGrayBTNActsOnlyForTheActiveCell)
{
    gCurCam = 1;
    open();
    combine->Form_Activate();
    struct Case {
        int rm, protocol;
        bool audio;
        int colour, rotate, sound;
    };
    const Case cases[] = {
        {1, 0, false, 5, 5, 6}, {2, 4, false, 5, 5, 5}, {0, 0, false, 1, 1, 6},
        {0, 4, true, 5, 1, 2},  {0, 4, false, 5, 1, 3}, {0, 3, true, 5, 5, 2},
        {0, 3, false, 5, 5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rm " << c.rm << " p " << c.protocol);
        // Another slot's state changes nothing.
        gCam[3].RecordMode = c.rm;
        gCam[3].Protocol = c.protocol;
        for (int row : {kColorCtl, kRotate, kAudio})
            el(row).setStatePicture(kUntouched);
        combine->RecordGrayBTN(3);
        for (int row : {kColorCtl, kRotate, kAudio})
            EXPECT_EQ(el(row).picture(), kUntouched);
        // The active slot's state sets them.
        gCam[1].RecordMode = c.rm;
        gCam[1].Protocol = c.protocol;
        gAudioOn[0] = c.audio;
        combine->RecordGrayBTN(1);
        EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, c.colour));
        EXPECT_EQ(el(kRotate).picture(), CellLook(kRotate, c.rotate));
        EXPECT_EQ(el(kAudio).picture(), CellLook(kAudio, c.sound));
    }
    // A recording start closes the active cell's open colour panel first.
    gCam[1].RecordMode = 0;
    gCam[1].Protocol = 0;
    combine->m_bColorCtlVisible = true;
    gCam[2].RecordMode = 1;
    combine->RecordGrayBTN(2);
    EXPECT_TRUE(combine->m_bColorCtlVisible);
    gCam[1].RecordMode = 3;
    combine->RecordGrayBTN(1);
    EXPECT_FALSE(combine->m_bColorCtlVisible);
}

TEST_F(CombineWindowTest, ColourPanelOfTheActiveCellRestartsBeforeItWaits)
{
    gCurCam = 2;
    open();
    combine->Form_Activate();
    cam(2).imageConfigValue = ImageConfig{1, 2, 15, 30, 64, 90, 0};
    cam(2).start();
    combine->m_bColorCtlVisible = true;
    SkinMouse mouse(combine->SkinForm1());
    combine->m_bColorCtlVisible = false;
    combine->show();
    mouse.click(QStringLiteral("ColorCtl"));
    ASSERT_TRUE(combine->m_bColorCtlVisible);
    EXPECT_TRUE(combine->picImage(2)->isVisible());
    EXPECT_FALSE(combine->picImage(1)->isVisible());
    EXPECT_EQ(combine->picImage(2)->bar(ColourPanel::kHue)->value(), 90);
    EXPECT_EQ(cam(2).macAddressValue, QStringLiteral("0.1.2.3.4.2"));
    EXPECT_EQ(cam(2).Count(ImageServer::Dispid::SetImageConfig), 0);

    ui.sleeps.clear();
    cam(2).calls.clear();
    combine->picImage(2)->bar(ColourPanel::kBrightness)->setValue(50);
    EXPECT_EQ(cam(2).Args(ImageServer::Dispid::SetImageConfig),
              (QVariantList{1, 2, 15, 50, 64, 90, 0}));
    EXPECT_LT(cam(2).IndexOf(ImageServer::Dispid::SetImageConfig),
              cam(2).IndexOf(ImageServer::Dispid::Start));
    ASSERT_FALSE(ui.sleeps.empty());
    EXPECT_EQ(ui.sleeps.back(), 2000);
    EXPECT_EQ(ui.busyDepth, 0);

    // Closing: the hover look, hidden, the wait.
    mouse.click(QStringLiteral("ColorCtl"));
    EXPECT_FALSE(combine->m_bColorCtlVisible);
    EXPECT_FALSE(combine->picImage(2)->isVisible());
    EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 4));

    // Without a MAC address: the message, nothing read.
    gCam[2].MacAddress.clear();
    cam(2).calls.clear();
    mouse.click(QStringLiteral("ColorCtl"));
    EXPECT_FALSE(combine->m_bColorCtlVisible);
    EXPECT_EQ(cam(2).Count(ImageServer::Dispid::GetImageConfig), 0);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, gLangClientMsg[1]);
}

// The opened panel is drawn, with the values it read, before the pause, and
// no other event runs meanwhile.
TEST_F(CombineWindowTest, ColourPanelIsDrawnBeforeItsPause)
{
    gCurCam = 3;
    open();
    cam(3).imageConfigValue = ImageConfig{1, 2, 15, 30, 64, 90, 0};
    combine->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(combine.get()));
    QCoreApplication::processEvents();
    ASSERT_FALSE(combine->m_bFirst);
    ColourPanel* panel = combine->picImage(3);
    PaintCounter panelPaints(panel);
    PaintCounter valuePaints(panel->label(3));
    std::vector<int> paintsAtPause;
    QString valueAtPause;
    ui.onSleep = [&](int) {
        paintsAtPause = {panelPaints.paints, valuePaints.paints};
        valueAtPause = panel->label(3)->Caption();
    };
    ui.sleeps.clear();
    SkinMouse mouse(combine->SkinForm1());
    mouse.click(QStringLiteral("ColorCtl"));
    ui.onSleep = nullptr;
    ASSERT_TRUE(combine->m_bColorCtlVisible);
    EXPECT_EQ(ui.sleeps, std::vector<int>{1000});
    ASSERT_EQ(paintsAtPause.size(), 2u);
    EXPECT_GT(paintsAtPause[0], 0);
    EXPECT_GT(paintsAtPause[1], 0);
    EXPECT_EQ(valueAtPause, QStringLiteral(" 30"));
    EXPECT_EQ(ui.doEvents, 0);
    EXPECT_TRUE(ui.pumpedSleeps.empty());
}

TEST_F(CombineWindowTest, EventListShowsTheActiveSlotsLinesWithTheLastSelected)
{
    gCurCam = 3;
    open();
    for (int i = 0; i < 4; ++i)
        engine->AddEvent(3, QStringLiteral("event %1").arg(i));
    engine->AddEvent(1, QStringLiteral("other slot"));
    combine->m_bListVisible = false;
    SkinMouse mouse(combine->SkinForm1());
    combine->show();
    mouse.click(QStringLiteral("Event"));
    ASSERT_TRUE(combine->m_bListVisible);
    EXPECT_TRUE(combine->frameList()->isVisible());
    EXPECT_EQ(combine->ListEventBox()->count(), 8);
    EXPECT_EQ(combine->ListEventBox()->currentRow(), 7);
    EXPECT_EQ(combine->frameList()->geometry(), QRect(QPoint(0, 0), combine->clientSize()));
    // The panel's slot change closes it.
    gCurCam = 1;
    combine->RefrushListCtl(1);
    EXPECT_TRUE(combine->m_bListVisible);
    combine->RefrushListCtl(3);
    EXPECT_FALSE(combine->m_bListVisible);
    EXPECT_FALSE(combine->frameList()->isVisible());
}

TEST_F(CombineWindowTest, RotateStepsThroughTheFourQuarterTurnsOnly)
{
    gCurCam = 1;
    open();
    combine->show();
    SkinMouse mouse(combine->SkinForm1());
    const std::pair<int, int> cases[] = {{0, 90},  {90, 180}, {180, 270}, {270, 0},
                                         {45, 90}, {-90, 90}, {360, 90}};
    for (const auto& [from, to] : cases) {
        gCam[1].RotateAngle = from;
        mouse.click(QStringLiteral("Rotate"));
        EXPECT_EQ(gCam[1].RotateAngle, to) << from;
        EXPECT_EQ(cam(1).rotateAngle(), to) << from;
    }
    gCam[1].Protocol = 3;  // not for the viewer's cameras
    mouse.click(QStringLiteral("Rotate"));
    EXPECT_EQ(gCam[1].RotateAngle, 90);
}

TEST_F(CombineWindowTest, SnapshotOfTheActiveSlotIsSavedUnderANameOfItsFormat)
{
    gCurCam = 2;
    open();
    combine->show();
    SkinMouse mouse(combine->SkinForm1());
    struct Case {
        int protocol;
        const char* chosen;
        const char* saved;
        const char* offered;
    };
    const Case cases[] = {
        {0, "cell.bmp", "cell.bmp", "/Temp.jpg"},
        {0, "cell", "cell.jpg", "/Temp.jpg"},
        {3, "cell.jpeg", "cell.jpeg", "/Temp.bmp"},
        {3, "cell", "cell.bmp", "/Temp.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.protocol << " " << c.chosen);
        gCam[2].Protocol = c.protocol;
        ui.fileDialogs.clear();
        ui.saveFileAnswer = data.filePath(QLatin1String(c.chosen));
        mouse.click(QStringLiteral("Snapshot"));
        ASSERT_EQ(ui.fileDialogs.size(), 1u);
        EXPECT_EQ(ui.fileDialogs[0].dir, DataPath() + QLatin1String(c.offered));
        const QString saved = data.filePath(QLatin1String(c.saved));
        if (c.protocol == 3) {
            ASSERT_FALSE(viewer(2).calls.empty());
            EXPECT_EQ(viewer(2).calls.back().id, WisViewer::Dispid::SaveSnapshot);
            EXPECT_EQ(viewer(2).calls.back().args.value(0).toString(), saved);
        } else {
            EXPECT_EQ(cam(2).Args(ImageServer::Dispid::SaveSnapshot), (QVariantList{saved, 0}));
        }
    }
}

TEST_F(CombineWindowTest, UnloadDetachesEveryCameraAndEndsTheProgramWhenAlone)
{
    open();
    VideoSurface elsewhere;
    cam(4).setDisplay(&elsewhere);  // slot 4 was bound elsewhere meanwhile
    gCombineMode = 1;
    gWinOpen[0] = true;
    gOnTop[5] = true;
    combine->Form_Unload();
    EXPECT_FALSE(gWinOpen[5]);
    EXPECT_FALSE(gOnTop[5]);
    EXPECT_EQ(gCombineMode, 0);
    EXPECT_EQ(engineUnloads, 0);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(cam(n).display(), nullptr) << n;
    EXPECT_EQ(cam(4).display(), &elsewhere);

    // Alone: the engine unloads.
    combine.reset();
    gWinOpen[0] = false;
    gCombineMode = 1;
    open();
    combine->Form_Unload();
    EXPECT_EQ(engineUnloads, 1);
}

// ------------------------------------------------------------------ scan window

class ScanWindowTest : public VideoWindowTest {
protected:
    void open()
    {
        ScanLinks links;
        links.engine = engine.get();
        links.panel = [this] { return panel.get(); };
        links.windowClosing = [this] { panelCalls << QStringLiteral("windowClosing"); };
        links.unloadEngine = [this] { ++engineUnloads; };
        scan = std::make_unique<frmScan>(std::move(links));
        scan->Form_Load();
    }
    SkinElement& el(const char* name) { return scan->SkinForm1()->GetElement(QLatin1String(name)); }
};

TEST_F(ScanWindowTest, FirstActivationSizesTheClientAreaAndTitlesByLanguage)
{
    gLangScanCaption = QStringLiteral("Scanning");
    struct Case {
        const char* language;
        QString serverName;
        QString title;
    };
    const Case cases[] = {
        {"english", "Scanning", "before"},
        {"TarselS", "Scanning", "before"},
        {"Tarsel", "3 Camera 3", "3 Camera 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        gScanCam = 3;
        gOnTop = {true, true, true, true, true, true};
        gLanguage = QStringLiteral("english");
        open();
        gLanguage = QLatin1String(c.language);  // the shipped skin stays
        EXPECT_TRUE(gWinOpen[6]);
        EXPECT_EQ(gOnTop, (std::array<bool, 6>{}));
        scan->setWindowTitle(QStringLiteral("before"));
        scan->resize(700, 500);
        scan->Form_Activate();
        EXPECT_FALSE(scan->m_bFirst);
        EXPECT_EQ(scan->ClientSize(), QSize(320, 240));
        EXPECT_EQ(scan->VideoTarget()->geometry(), QRect(0, 0, 320, 240));
        EXPECT_EQ(el("ServerName").text(), c.serverName);
        EXPECT_EQ(scan->windowTitle(), c.title);
        for (int row : {kColorCtl, kEvent, kSnapshot, kRotate, kZoom})
            EXPECT_EQ(el(kRowNames[row]).picture(), CellLook(row, 5)) << row;
        EXPECT_EQ(el("Audio").picture(), CellLook(kAudio, 6));
        EXPECT_EQ(el("Audio").toolTip(), QStringLiteral("tip 10"));
        // Later activations change nothing.
        scan->resize(600, 400);
        scan->Form_Activate();
        EXPECT_NE(scan->ClientSize(), QSize(320, 240));
        scan.reset();
    }
}

TEST_F(ScanWindowTest, StatusBarShowsTheScannedSlot)
{
    const std::pair<const char*, const char*> cases[] = {{"english", "2.  Camera 2"},
                                                         {"Tarsel", "2 Camera 2"},
                                                         {"TarselS", "2 Camera 2"},
                                                         {"tarsels", "2.  Camera 2"}};
    open();
    gScanCam = 2;
    for (const auto& [language, text] : cases) {
        gLanguage = QLatin1String(language);
        scan->RefrushStatusBar();
        EXPECT_EQ(scan->windowTitle(), QLatin1String(text)) << language;
        EXPECT_EQ(el("ServerName").text(), QLatin1String(text)) << language;
        EXPECT_EQ(el("IPAddress").text(), QStringLiteral("127.0.0.2"));
    }
    // The scanned slot's connection state, in the status bar and over its picture.
    for (const bool down : {true, false}) {
        gCam[2].Enable = true;
        gCam[2].Reconnecting = down;
        scan->RefrushStatusBar();
        EXPECT_EQ(el("Line").text(), down ? gLangReconnecting : gLangOnLine);
        EXPECT_EQ(scan->VideoTarget()->downText(), down ? gLangReconnecting : QString());
    }
}

TEST_F(ScanWindowTest, ResizeGivesAllFourCamerasTheClientSize)
{
    open();
    scan->show();
    scan->resize(scan->size() - scan->ClientSize() + QSize(400, 300));
    for (int n = 1; n <= kSlotCount; ++n) {
        EXPECT_EQ(cam(n).displayWidth(), 400) << n;
        EXPECT_EQ(cam(n).displayHeight(), 300) << n;
    }
}

TEST_F(ScanWindowTest, OnlyWakeUpAndOnTopActAndTheGreyedButtonsKeepTheirLooks)
{
    open();
    scan->show();
    scan->Form_Activate();
    SkinMouse mouse(scan->SkinForm1());
    for (int row : {kColorCtl, kEvent, kSnapshot, kRotate, kZoom, kAudio}) {
        const QString before = el(kRowNames[row]).picture();
        mouse.click(QLatin1String(kRowNames[row]));
        mouse.leaveWindow();
        EXPECT_EQ(el(kRowNames[row]).picture(), before) << row;
    }
    EXPECT_TRUE(ui.fileDialogs.empty());
    mouse.click(QStringLiteral("OnTop"));
    EXPECT_TRUE(gOnTop[4]);
    EXPECT_EQ(el("OnTop").picture(), CellLook(kOnTop, 2));
    mouse.click(QStringLiteral("OnTop"));
    EXPECT_FALSE(gOnTop[4]);
    panel->hide();
    mouse.click(QStringLiteral("WakeUp"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(el("WakeUp").picture(), CellLook(kWakeUp, 4));
}

TEST_F(ScanWindowTest, UnloadDetachesTheCameraAndEndsTheTourOrTheProgram)
{
    open();
    gScanMode = true;
    gCombineMode = 1;
    gWinOpen[0] = true;
    engine->tmrScan.start();
    cam(2).setDisplay(scan->VideoTarget());
    scan->Form_Unload();
    EXPECT_EQ(panelCalls, QStringList{"windowClosing"});
    EXPECT_EQ(cam(2).display(), nullptr);
    EXPECT_FALSE(gScanMode);
    EXPECT_FALSE(gWinOpen[6]);
    EXPECT_EQ(gCombineMode, 0);
    EXPECT_FALSE(engine->tmrScan.isActive());
    EXPECT_EQ(engineUnloads, 0);

    scan.reset();
    gWinOpen[0] = false;
    open();
    scan->Form_Unload();
    EXPECT_EQ(engineUnloads, 1);
}

}  // namespace
