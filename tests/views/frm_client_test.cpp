#include "views/frm_client.h"

#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_label.h"
#include "platform/toolbar/tool_bar.h"
#include "support/fake_engine_controls.h"
#include "support/fake_ui.h"
#include "support/paint_counter.h"
#include "support/qt_printers.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"
#include "views/colour_panel.h"
#include "views/video_placement.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace {

// Every cell of the window button table gets its own look, so a test can tell
// which cell an element shows: row r, cell c is "BgColor <10r + c> -".
QString CellLook(int row, int cell) { return QStringLiteral("BgColor %1 -").arg(row * 10 + cell); }
const QString kUntouched = QStringLiteral("BgColor 999 -");

// Rows of the window button table.
enum Row {
    kMin,
    kMax,
    kClose,
    kOnTop,
    kWakeUp,
    kColorCtl,
    kEvent,
    kSnapshot,
    kRotate,
    kZoom,
    kAudio
};

const char* const kRowNames[kViewBtnCount] = {"Min",    "Max",      "Close", "OnTop",
                                              "WakeUp", "ColorCtl", "Event", "Snapshot",
                                              "Rotate", "Zoom",     "Audio"};

// The engine's view of the windows: only the window under test exists.
class OneClientWindows : public IEngineWindows {
public:
    IPanelWindow* Panel() override { return nullptr; }
    IClientWindow* Client(int n) override
    {
        return window && window->slot() == n ? window : nullptr;
    }
    ICombineWindow* CombineWindow() override { return nullptr; }
    IScanWindow* ScanWindow() override { return nullptr; }
    void UnloadWindow(int) override {}
    frmClient* window = nullptr;
};

class ClientWindowTest : public ::testing::Test {
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
        gMaxTipNormal = QStringLiteral("Maximize");
        gMaxTipMaximized = QStringLiteral("Restore");
        CamInfo& cam = gCam[kSlot];
        cam.Assign = true;
        cam.Enable = true;
        cam.IPAddress = QStringLiteral("127.0.0.7");
        cam.ServerName = QStringLiteral("Front door");
        engine = std::make_unique<frmMain>(engineWindows, controls);
    }
    void TearDown() override
    {
        window.reset();
        engine.reset();
        SetAppPath({});
        SetDataPath({});
    }

    // Builds and loads the window of the slot (kSlot unless told).
    void open(int slot = kSlot)
    {
        ClientLinks links;
        links.engine = engine.get();
        links.panel = [this] { return panel.get(); };
        links.clientWindow = [this](int k) -> QWidget* {
            visited.push_back(k);
            auto it = others.find(k);
            return it == others.end() ? nullptr : it->second.get();
        };
        links.unloadEngine = [this] { ++engineUnloads; };
        window = std::make_unique<frmClient>(slot, std::move(links));
        engineWindows.window = window.get();
        window->Form_Load();
        mouse = std::make_unique<SkinMouse>(window->SkinForm1());
    }
    void showWindow()
    {
        window->show();
        ASSERT_EQ(window->size(), window->SkinForm1()->size());
    }
    SkinElement& el(int row)
    {
        return window->SkinForm1()->GetElement(QLatin1String(kRowNames[row]));
    }
    SkinElement& el(const char* name)
    {
        return window->SkinForm1()->GetElement(QLatin1String(name));
    }
    FakeImageServer& cam() { return *controls.cams[kSlot]; }
    FakeWisViewer& viewer() { return *controls.viewers[kSlot]; }

    static constexpr int kSlot = 2;
    FakeUi ui;
    QTemporaryDir data;
    Journal journal;
    FakeEngineControls controls{journal};
    OneClientWindows engineWindows;
    std::unique_ptr<frmMain> engine;
    std::unique_ptr<QWidget> panel;
    std::map<int, std::unique_ptr<QWidget>> others;
    std::vector<int> visited;
    int engineUnloads = 0;
    std::unique_ptr<frmClient> window;
    std::unique_ptr<SkinMouse> mouse;
};

// ------------------------------------------------------------------ lifecycle

TEST_F(ClientWindowTest, LoadHandsOverThePictureAndStartsClosedAndNotOnTop)
{
    for (int protocol : {0, 3}) {
        SCOPED_TRACE(protocol);
        gCam[kSlot].Protocol = protocol;
        gOnTop[kSlot - 1] = true;
        open();
        EXPECT_TRUE(gWinOpen[kSlot]);
        EXPECT_FALSE(gOnTop[kSlot - 1]);
        EXPECT_EQ(cam().display(), window->Picture1());  // also for protocol 3
        EXPECT_TRUE(window->m_bFirst);
        EXPECT_FALSE(window->m_bColorCtlVisible);
        EXPECT_FALSE(window->m_bListVisible);
        EXPECT_FALSE(window->frameList()->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Front door"));
        EXPECT_EQ(el("ServerName").text(), QStringLiteral("Front door"));
        EXPECT_EQ(window->label(0)->Caption(), gLangClientSkl[0]);
        EXPECT_EQ(window->label(2)->Caption(), gLangClientSkl[2]);
        EXPECT_FALSE(gLangClientSkl[1].isEmpty());
        ASSERT_NE(window->tbr1()->Tools(QStringLiteral("ID_FitWindow")), nullptr);
        EXPECT_EQ(window->tbr1()->Tools(QStringLiteral("ID_FitWindow"))->State(), 1);
        window.reset();
        EXPECT_EQ(cam().display(), nullptr);  // the window took its picture area along
    }
}

TEST_F(ClientWindowTest, ALanguagePackSpelledInAnotherCaseLoadsAsInThePanel)
{
    // The pack copied with the folder and the window's three files spelled otherwise.
    TempProgramFolder program;
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR "/lang"), program.file("LANG")));
    for (const char* name : {"english_2.skn", "Bar.skn", "english.atb"}) {
        const QString from = program.file(QStringLiteral("LANG/") + QLatin1String(name));
        ASSERT_TRUE(QFile::rename(from, program.file(QStringLiteral("LANG/")
                                                     + QLatin1String(name).toString().toUpper())));
    }
    open();
    EXPECT_TRUE(window->SkinForm1()->isLoaded())
        << window->SkinForm1()->errorString().toStdString();
    EXPECT_TRUE(window->SkinForm2()->isLoaded())
        << window->SkinForm2()->errorString().toStdString();
    EXPECT_TRUE(window->tbr1()->errorString().isEmpty())
        << window->tbr1()->errorString().toStdString();
    EXPECT_EQ(el("ServerName").text(), QStringLiteral("Front door"));
}

TEST_F(ClientWindowTest, LoadCopiesTheEngineListAndSelectsTheNewestEvent)
{
    struct Case {
        int events;
        int lines;
        int selected;
    };
    for (const Case c : {Case{0, 0, -1}, Case{4, 8, 6}}) {
        SCOPED_TRACE(c.events);
        engine = std::make_unique<frmMain>(engineWindows, controls);
        for (int i = 0; i < c.events; ++i)
            engine->AddEvent(kSlot, QStringLiteral("event %1").arg(i));
        open();
        EXPECT_EQ(window->ListEventBox()->count(), c.lines);
        EXPECT_EQ(window->ListEventBox()->currentRow(), c.selected);
        if (c.lines) {
            EXPECT_EQ(window->ListEventBox()->item(c.lines - 1)->text(),
                      engine->List1(kSlot).last());
        }
        window.reset();
        gWinOpen[kSlot] = false;
    }
}

TEST(ClientSizing, KeepsTheFrameAndGivesTheClientAreaItsSize)
{
    struct Case {
        QSize outer;
        QSize clientNow;
        int tpp;
        QSize expected;
    };
    const Case cases[] = {
        {{4920, 4770}, {320, 240}, 15, {4920, 4770}},  // already right
        {{7500, 6000}, {480, 370}, 15, {7500 - 15 * 160, 6000 - 15 * 130}},
        {{3000, 2500}, {180, 120}, 15, {3000 + 15 * 140, 2500 + 15 * 120}},
        {{4000, 3800}, {300, 250}, 12, {4000 + 12 * 20, 3800 - 12 * 10}},
        {{328, 318}, {320, 240}, 1, {328, 318}},
        {{700, 500}, {692, 422}, 1, {328, 318}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClientSizingOuter(c.outer, c.clientNow, QSize(320, 240), c.tpp, c.tpp),
                  c.expected)
            << c.outer.width() << "x" << c.outer.height() << " tpp " << c.tpp;
}

TEST_F(ClientWindowTest, FirstActivationGivesA320By240ClientAreaAgainAfterRebinding)
{
    open();
    for (QSize start : {QSize(700, 520), QSize(300, 240)}) {
        SCOPED_TRACE(start.width());
        window->resize(start);
        window->SetFirst(true);
        cam().setDisplayEnabled(false);
        window->Form_Activate();
        EXPECT_EQ(window->clientSize(), QSize(320, 240));
        EXPECT_FALSE(window->m_bFirst);
        EXPECT_TRUE(cam().displayEnabled());
        EXPECT_EQ(window->tbr1()->Tools(QStringLiteral("ID_FitWindow"))->text(), gLangPopup[2]);
        EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 1));  // RecordGrayBTN ran
    }
    // Later activations re-enable the display but leave the size alone.
    window->resize(600, 450);
    cam().setDisplayEnabled(false);
    window->Form_Activate();
    EXPECT_TRUE(cam().displayEnabled());
    EXPECT_EQ(window->size(), QSize(600, 450));
}

TEST_F(ClientWindowTest, ShowingTheWindowRunsTheFirstActivation)
{
    open();
    window->resize(640, 480);
    window->ShowModeless();  // no window manager needs to activate it
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->clientSize(), QSize(320, 240));
    EXPECT_FALSE(window->m_bFirst);
}

TEST_F(ClientWindowTest, UnloadEndsTheProgramOnlyWhenNoOtherWindowIsOpen)
{
    struct Case {
        const char* what;
        int otherOpen;  // index of gWinOpen, -1 none
        bool ends;
    };
    const Case cases[] = {{"panel open", 0, false},    {"window 1 open", 1, false},
                          {"window 4 open", 4, false}, {"combined open", 5, false},
                          {"scan open", 6, false},     {"nothing else", -1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gWinOpen.fill(false);
        if (c.otherOpen >= 0)
            gWinOpen[c.otherOpen] = true;
        engineUnloads = 0;
        open();
        window->show();
        gOnTop[kSlot - 1] = true;
        window->Form_Unload();
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(gWinOpen[kSlot]);
        EXPECT_FALSE(gOnTop[kSlot - 1]);
        EXPECT_FALSE(cam().displayEnabled());
        EXPECT_EQ(cam().display(), nullptr);
        EXPECT_EQ(engineUnloads, c.ends ? 1 : 0);
        window.reset();
    }
}

TEST_F(ClientWindowTest, UnloadLeavesAPictureAreaOfAnotherWindowBound)
{
    open();
    VideoSurface elsewhere;
    cam().setDisplay(&elsewhere);  // the engine bound the camera to another window
    window->Form_Unload();
    EXPECT_EQ(cam().display(), &elsewhere);
}

TEST_F(ClientWindowTest, FitModeFillsTheClientAreaAndZoomModeCentres)
{
    gCam[kSlot].Protocol = 3;
    open();
    showWindow();
    window->resize(500, 400);
    const QSize c = window->clientSize();
    EXPECT_EQ(window->Picture1()->geometry(), QRect(QPoint(0, 0), c));
    EXPECT_EQ(cam().displayWidth(), c.width());
    EXPECT_EQ(cam().displayHeight(), c.height());
    EXPECT_EQ(viewer().attached, window->Picture1());
    EXPECT_EQ(viewer().attachedWidth, c.width());
    EXPECT_EQ(viewer().attachedHeight, c.height());
    EXPECT_EQ(window->frameList()->geometry(), QRect(QPoint(0, 0), c));

    // Zoom mode: the picture keeps the size the camera holds and is centred.
    window->tbr1()->Tools(QStringLiteral("ID_x2"))->setState(1);
    cam().setDisplayWidth(c.width() + 200);
    cam().setDisplayHeight(c.height() + 100);
    viewer().attached = nullptr;
    window->Form_Resize();
    EXPECT_EQ(window->Picture1()->geometry(), QRect(-100, -50, c.width() + 200, c.height() + 100));
    EXPECT_EQ(viewer().attached, nullptr);

    window->setFitMode();
    EXPECT_EQ(window->tbr1()->Tools(QStringLiteral("ID_FitWindow"))->State(), 1);
    EXPECT_EQ(window->Picture1()->geometry(), QRect(QPoint(0, 0), c));
    EXPECT_EQ(cam().displayWidth(), c.width());
}

TEST_F(ClientWindowTest, ProtocolZeroFitDoesNotTouchTheViewer)
{
    open();
    showWindow();
    window->Form_Resize();
    EXPECT_EQ(viewer().attached, nullptr);
    EXPECT_EQ(viewer().Count(WisViewer::Dispid::AttachWindow), 0);
}

// ------------------------------------------------------------------ looks

struct CamState {
    int rm = 0;
    int protocol = 0;
    bool enable = true;
    bool onTop = false;
    bool colour = false;
    bool list = false;
    bool audio = false;
};

struct LookCase {
    int row;
    CamState state;
    std::optional<int> cell;  // nullopt: the element keeps its look
};

class ClientLooks : public ClientWindowTest {
protected:
    void apply(const CamState& s)
    {
        CamInfo& cam = gCam[kSlot];
        cam.RecordMode = s.rm;
        cam.Protocol = s.protocol;
        cam.Enable = s.enable;
        gOnTop[kSlot - 1] = s.onTop;
        gAudioOn[kSlot - 1] = s.audio;
        window->m_bColorCtlVisible = s.colour;
        window->m_bListVisible = s.list;
    }
    void expectLook(const LookCase& c)
    {
        const QString expected = c.cell ? CellLook(c.row, *c.cell) : kUntouched;
        EXPECT_EQ(el(c.row).picture(), expected)
            << kRowNames[c.row] << " rm " << c.state.rm << " p " << c.state.protocol;
    }
    void SetUp() override
    {
        ClientWindowTest::SetUp();
        open();
        showWindow();
        window->setFitMode();
    }
    QPoint offElements() const { return QPoint(160, 310); }  // the status strip's free middle
};

TEST_F(ClientLooks, MouseInAndOutFollowTheTable)
{
    const CamState idle;
    const CamState rec{.rm = 1};
    const CamState p3{.protocol = 3};
    const CamState p4{.protocol = 4};
    const std::vector<LookCase> in = {
        {kMin, idle, 4},
        {kMax, idle, 4},
        {kClose, idle, 4},
        {kWakeUp, idle, 4},
        {kSnapshot, idle, 4},
        {kZoom, idle, 4},
        {kOnTop, idle, 4},
        {kOnTop, {.onTop = true}, 2},
        {kColorCtl, idle, 4},
        {kColorCtl, {.colour = true}, 2},
        {kColorCtl, rec, {}},
        {kColorCtl, p3, {}},
        {kColorCtl, p4, {}},
        {kEvent, idle, 4},
        {kEvent, {.list = true}, 2},
        {kRotate, idle, 4},
        {kRotate, p4, 4},
        {kRotate, p3, {}},
        {kRotate, rec, {}},
        {kAudio, idle, 6},
        {kAudio, p3, 4},
        {kAudio, {.protocol = 4, .audio = true}, 2},
        {kAudio, {.rm = 2, .protocol = 3}, {}},
        {kAudio, {.rm = 1, .protocol = 0}, {}},
    };
    for (const LookCase& c : in) {
        apply(c.state);
        mouse->move(offElements());
        el(c.row).setStatePicture(kUntouched);
        mouse->hover(QLatin1String(kRowNames[c.row]));
        expectLook(c);
    }
    // MouseOut: the same table with cell 3 as the resting look.
    for (LookCase c : in) {
        if (c.cell == 4)
            c.cell = 3;
        apply(c.state);
        mouse->hover(QLatin1String(kRowNames[c.row]));
        el(c.row).setStatePicture(kUntouched);
        mouse->move(offElements());
        expectLook(c);
    }
}

TEST_F(ClientLooks, MouseDownAndUpFollowTheTable)
{
    const CamState idle;
    const std::vector<LookCase> down = {
        {kMin, idle, 2},
        {kMax, idle, 2},
        {kClose, idle, 2},
        {kWakeUp, idle, 2},
        {kSnapshot, idle, 2},
        {kZoom, idle, 2},
        {kOnTop, idle, {}},
        {kColorCtl, idle, {}},
        {kEvent, idle, {}},
        {kRotate, idle, 2},
        {kRotate, {.protocol = 4}, 2},
        {kRotate, {.protocol = 3}, {}},
        {kRotate, {.rm = 3}, {}},
        {kAudio, idle, 6},
        {kAudio, {.protocol = 3}, 2},
        {kAudio, {.protocol = 4, .audio = true}, 4},
        {kAudio, {.protocol = 3, .enable = false}, {}},
        {kAudio, {.rm = 1, .protocol = 4}, {}},
    };
    for (const LookCase& c : down) {
        apply(c.state);
        const QPoint p = mouse->at(QLatin1String(kRowNames[c.row]));
        mouse->move(p);
        el(c.row).setStatePicture(kUntouched);
        mouse->press(p);
        expectLook(c);
        // Release off the element: MouseUp without a click.
        mouse->move(offElements());
        el(c.row).setStatePicture(kUntouched);
        mouse->release(offElements());
        const bool normalOnUp = c.row == kMin || c.row == kMax || c.row == kClose
                                || c.row == kSnapshot || c.row == kZoom;
        expectLook({c.row, c.state, normalOnUp ? std::optional<int>(1) : std::nullopt});
    }
}

TEST_F(ClientLooks, RightButtonChangesNoLookAndReassertsNothing)
{
    others[1] = std::make_unique<QWidget>();
    gOnTop[0] = true;
    for (int row = 0; row < kViewBtnCount; ++row) {
        const QPoint p = mouse->at(QLatin1String(kRowNames[row]));
        mouse->move(p);
        el(row).setStatePicture(kUntouched);
        mouse->press(p, Qt::RightButton);
        mouse->release(p, Qt::RightButton);
        EXPECT_EQ(el(row).picture(), kUntouched) << kRowNames[row];
    }
    mouse->press(QPoint(100, 14), Qt::RightButton);  // the title bar
    mouse->release(QPoint(100, 14), Qt::RightButton);
    EXPECT_TRUE(visited.empty());
    EXPECT_FALSE(others[1]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(ClientLooks, PressOnTheSkinOutsideTheButtonsOrOnThePictureReassertsOnTop)
{
    for (int k : {1, 3, 4})
        others[k] = std::make_unique<QWidget>();
    gOnTop[0] = true;
    gOnTop[2] = true;  // windows 1 and 3 are on top, 4 is not
    gOnTop[kSlot - 1] = true;
    mouse->press(QPoint(100, 14));  // the title bar: the root or the name, no button
    mouse->release(QPoint(100, 14));
    EXPECT_EQ(visited, (std::vector<int>{1, 3}));  // others in slot order; own window last
    EXPECT_TRUE(others[1]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(others[3]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(others[4]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    visited.clear();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->Picture1(), &press);
    EXPECT_EQ(visited, (std::vector<int>{1, 3}));
}

TEST_F(ClientLooks, MaximiseTipFollowsTheWindowState)
{
    mouse->hover(QStringLiteral("Max"));
    EXPECT_EQ(el(kMax).toolTip(), QStringLiteral("Maximize"));
    mouse->move(offElements());
    window->showMaximized();
    mouse->hover(QStringLiteral("Max"));
    EXPECT_EQ(el(kMax).toolTip(), QStringLiteral("Restore"));
}

TEST_F(ClientLooks, ButtonTipsComeFromTheTableAndAudioHasNoneWithoutSound)
{
    for (int protocol : {0, 2, 3, 4}) {
        gCam[kSlot].Protocol = protocol;
        window->Form_Activate();
        for (int row = 0; row < kAudio; ++row)
            EXPECT_EQ(el(row).toolTip(), QStringLiteral("tip %1").arg(row));
        EXPECT_EQ(el(kAudio).toolTip(), protocol >= 3 ? QStringLiteral("tip 10") : QString())
            << protocol;
    }
}

TEST_F(ClientLooks, RecordGrayBTNFollowsTheTableAndClosesTheColourPanelFirst)
{
    struct Case {
        CamState state;
        int colour, rotate, audio;
    };
    const Case cases[] = {
        {{.rm = 1, .protocol = 3}, 5, 5, 5}, {{.rm = 2, .protocol = 4}, 5, 5, 5},
        {{.rm = 3, .protocol = 0}, 5, 5, 6}, {{.rm = 1, .protocol = 2}, 5, 5, 6},
        {{.protocol = 3}, 5, 5, 3},          {{.protocol = 3, .audio = true}, 5, 5, 2},
        {{.protocol = 4}, 5, 1, 3},          {{.protocol = 4, .audio = true}, 5, 1, 2},
        {{.protocol = 0}, 1, 1, 6},          {{.protocol = 1}, 1, 1, 6},
    };
    for (const Case& c : cases) {
        apply(c.state);
        window->RecordGrayBTN();
        EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, c.colour));
        EXPECT_EQ(el(kRotate).picture(), CellLook(kRotate, c.rotate));
        EXPECT_EQ(el(kAudio).picture(), CellLook(kAudio, c.audio))
            << "rm " << c.state.rm << " p " << c.state.protocol;
    }
    apply({.rm = 1, .colour = true});
    window->RecordGrayBTN();
    EXPECT_FALSE(window->m_bColorCtlVisible);
    EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 5));
}

// ------------------------------------------------------------------ clicks

TEST_F(ClientLooks, WakeUpBringsThePanelBack)
{
    panel = std::make_unique<QWidget>();
    panel->showMinimized();
    panel->hide();
    mouse->click(QStringLiteral("WakeUp"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isMinimized());
    EXPECT_EQ(el(kWakeUp).picture(), CellLook(kWakeUp, 4));
    panel.reset();
    mouse->click(QStringLiteral("WakeUp"));  // no panel can be made: the look still follows
    EXPECT_EQ(el(kWakeUp).picture(), CellLook(kWakeUp, 4));
}

TEST_F(ClientLooks, OnTopTogglesAndTwiceIsBackToNormal)
{
    mouse->click(QStringLiteral("OnTop"));
    EXPECT_TRUE(gOnTop[kSlot - 1]);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(el(kOnTop).picture(), CellLook(kOnTop, 2));
    EXPECT_TRUE(window->isVisible());
    mouse->click(QStringLiteral("OnTop"));
    EXPECT_FALSE(gOnTop[kSlot - 1]);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(el(kOnTop).picture(), CellLook(kOnTop, 4));
}

TEST_F(ClientLooks, RotateStepsByQuarterTurnsWhenAllowed)
{
    struct Case {
        int from, to;
    };
    for (const Case c : {Case{0, 90}, Case{90, 180}, Case{180, 270}, Case{270, 0},
                         // A stored angle off the quarter turns starts again from 0.
                         Case{200, 90}, Case{290, 90}, Case{-90, 90}, Case{360, 90}}) {
        gCam[kSlot].RotateAngle = c.from;
        el(kRotate).setStatePicture(kUntouched);
        mouse->click(QStringLiteral("Rotate"));
        EXPECT_EQ(gCam[kSlot].RotateAngle, c.to) << c.from;
        EXPECT_EQ(cam().rotateAngle(), c.to) << c.from;
        EXPECT_EQ(el(kRotate).picture(), CellLook(kRotate, 4));
    }
    struct Refused {
        const char* what;
        std::function<void(CamInfo&)> set;
    };
    const Refused refused[] = {
        {"recording mode", [](CamInfo& c) { c.RecordMode = 2; }},
        {"protocol 3", [](CamInfo& c) { c.Protocol = 3; }},
        {"not assigned", [](CamInfo& c) { c.Assign = false; }},
        {"not running", [](CamInfo& c) { c.Enable = false; }},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.what);
        gCam[kSlot] = CamInfo();
        gCam[kSlot].Assign = true;
        gCam[kSlot].Enable = true;
        gCam[kSlot].RotateAngle = 90;
        r.set(gCam[kSlot]);
        const int calls = cam().Count(ImageServer::Dispid::RotateAngle);
        mouse->click(QStringLiteral("Rotate"));
        EXPECT_EQ(gCam[kSlot].RotateAngle, 90);
        EXPECT_EQ(cam().Count(ImageServer::Dispid::RotateAngle), calls);
    }
}

TEST_F(ClientLooks, ColourButtonActsOnlyWhenColourIsAllowed)
{
    struct Case {
        const char* what;
        CamState state;
        QString language;
        bool verified;
        bool acts;
    };
    const Case cases[] = {
        {"idle, not running", {.enable = false, .colour = true}, "english", false, true},
        {"recording mode", {.rm = 1, .colour = true}, "english", false, false},
        {"protocol 3", {.protocol = 3, .colour = true}, "english", false, false},
        {"protocol 4", {.protocol = 4, .colour = true}, "english", false, false},
        {"admin variant, unverified", {.colour = true}, "Dadodeze", false, false},
        {"admin variant, verified", {.enable = false, .colour = true}, "DADODEZE", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        apply(c.state);
        gLanguage = c.language;
        gCam[kSlot].AdminVerified = c.verified;
        el(kColorCtl).setAlpha(0);  // shown, whatever the variant made of it
        el(kColorCtl).setStatePicture(kUntouched);
        mouse->click(QStringLiteral("ColorCtl"));
        if (c.acts) {
            EXPECT_FALSE(window->m_bColorCtlVisible);  // a stopped camera leaves the panel closed
            EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 1));
        } else {
            EXPECT_TRUE(window->m_bColorCtlVisible);
        }
    }
}

TEST_F(ClientLooks, EventButtonShowsAndHidesTheListOverTheVideo)
{
    window->ListEvent().AddItem(QStringLiteral("line 1"));
    window->ListEvent().AddItem(QStringLiteral("line 2"));
    mouse->click(QStringLiteral("Event"));
    EXPECT_TRUE(window->m_bListVisible);
    EXPECT_TRUE(window->frameList()->isVisible());
    EXPECT_EQ(window->frameList()->geometry(), QRect(QPoint(0, 0), window->clientSize()));
    EXPECT_EQ(el(kEvent).picture(), CellLook(kEvent, 2));
    mouse->click(QStringLiteral("Event"));
    EXPECT_FALSE(window->m_bListVisible);
    EXPECT_FALSE(window->frameList()->isVisible());
    EXPECT_EQ(el(kEvent).picture(), CellLook(kEvent, 4));
    EXPECT_EQ(window->ListEventBox()->count(), 2);  // lines kept while hidden
}

TEST_F(ClientLooks, EventListShowsALongLineWhole)
{
    const QString line = QStringLiteral(
        "The connection to the camera was lost; reconnecting, then again every 30 seconds");
    window->ListEvent().AddItem(QStringLiteral("2026/12/11 12:00:00 127.0.0.4 Camera 4"));
    window->ListEvent().AddItem(line);
    mouse->click(QStringLiteral("Event"));
    ASSERT_TRUE(window->frameList()->isVisible());
    QListWidget* list = window->ListEventBox();
    const int room = list->viewport()->width();
    const QFontMetrics metrics(list->font());
    ASSERT_GT(metrics.horizontalAdvance(line), room) << "the line must be longer than the overlay";
    // Wrapped: within the overlay's width, as high as the wrapped text.
    const QRect shown = list->visualItemRect(list->item(1));
    EXPECT_LE(shown.right(), room);
    const QRect wrapped =
        metrics.boundingRect(QRect(0, 0, shown.width() - 4, 10000), Qt::TextWordWrap, line);
    EXPECT_GE(shown.height(), wrapped.height());
    EXPECT_GE(shown.height(), 2 * metrics.height());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
}

TEST_F(ClientLooks, ZoomButtonOpensTheZoomMenu)
{
    mouse->click(QStringLiteral("Zoom"));
    QMenu* menu = window->tbr1()->menu(QStringLiteral("ID_ZoomMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(ClientLooks, AudioSwitchesSoundOnlyForRunningAudioCamerasWithoutRecordingMode)
{
    // Protocol 4 through the stream mode.
    apply({.protocol = 4});
    el(kAudio).setStatePicture(kUntouched);
    mouse->click(QStringLiteral("Audio"));
    EXPECT_TRUE(gAudioOn[kSlot - 1]);
    EXPECT_EQ(cam().Args(ImageServer::Dispid::StreamMode).value(0).toInt(), 3);
    EXPECT_GT(cam().IndexOf(ImageServer::Dispid::ApplyStreamMode),
              cam().IndexOf(ImageServer::Dispid::StreamMode));
    mouse->press(mouse->at(QStringLiteral("Audio")));
    EXPECT_EQ(el(kAudio).picture(),
              CellLook(kAudio, 4));  // the look of the state it will switch to
    mouse->release(mouse->at(QStringLiteral("Audio")));
    EXPECT_FALSE(gAudioOn[kSlot - 1]);
    EXPECT_EQ(cam().streamModeValue, 1);

    // Protocol 3 through the viewer, with the slot's authentication text.
    apply({.protocol = 3});
    gCamNonce[kSlot - 1] = QStringLiteral("12345678");
    mouse->click(QStringLiteral("Audio"));
    EXPECT_TRUE(gAudioOn[kSlot - 1]);
    EXPECT_EQ(cam().Args(ImageServer::Dispid::OpenAudio).value(0).toString(),
              QStringLiteral("12345678"));
    EXPECT_TRUE(viewer().audio);
    mouse->click(QStringLiteral("Audio"));
    EXPECT_FALSE(gAudioOn[kSlot - 1]);
    EXPECT_FALSE(viewer().audio);

    for (const CamState& refused : {CamState{.protocol = 0}, CamState{.rm = 1, .protocol = 4},
                                    CamState{.protocol = 3, .enable = false}}) {
        apply(refused);
        const size_t camCalls = cam().calls.size();
        const size_t viewerCalls = viewer().calls.size();
        mouse->click(QStringLiteral("Audio"));
        EXPECT_FALSE(gAudioOn[kSlot - 1]);
        EXPECT_EQ(cam().calls.size(), camCalls);
        EXPECT_EQ(viewer().calls.size(), viewerCalls);
    }
}

TEST_F(ClientLooks, SnapshotAsksForAFileAndTheCameraObjectWritesItUnderANameOfItsFormat)
{
    struct Case {
        int protocol;
        const char* chosen;  // what the operator typed
        const char* saved;   // the name the camera object gets
    };
    const Case cases[] = {
        // A name of either format stands: the camera object writes that format.
        {0, "shot.jpg", "shot.jpg"},
        {0, "Shot.JPEG", "Shot.JPEG"},
        {0, "shot.bmp", "shot.bmp"},
        {3, "shot.bmp", "shot.bmp"},
        {3, "shot.jpg", "shot.jpg"},
        // Any other name gets the kind's own extension.
        {0, "shot", "shot.jpg"},
        {0, "shot.png", "shot.png.jpg"},
        {3, "shot", "shot.bmp"},
        {3, "shot.jpg.txt", "shot.jpg.txt.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.protocol << " " << c.chosen);
        apply({.protocol = c.protocol, .enable = false});  // no test that the stream runs
        ui.fileDialogs.clear();
        ui.saveFileAnswer = data.filePath(QLatin1String(c.chosen));
        const QString saved = data.filePath(QLatin1String(c.saved));
        mouse->click(QStringLiteral("Snapshot"));
        ASSERT_EQ(ui.fileDialogs.size(), 1u);
        EXPECT_EQ(ui.fileDialogs[0].title, QStringLiteral("Save Image"));
        if (c.protocol == 3) {
            EXPECT_EQ(ui.fileDialogs[0].filter, QStringLiteral("BMP Image (*.bmp)|*.bmp"));
            EXPECT_EQ(ui.fileDialogs[0].dir, DataPath() + QStringLiteral("/Temp.bmp"));
            ASSERT_FALSE(viewer().calls.empty());
            EXPECT_EQ(viewer().calls.back().id, WisViewer::Dispid::SaveSnapshot);
            EXPECT_EQ(viewer().calls.back().args.value(0).toString(), saved);
        } else {
            EXPECT_EQ(ui.fileDialogs[0].filter, QStringLiteral("JPEG Image (*.jpg)|*.jpg"));
            EXPECT_EQ(ui.fileDialogs[0].dir, DataPath() + QStringLiteral("/Temp.jpg"));
            EXPECT_EQ(cam().Args(ImageServer::Dispid::SaveSnapshot), (QVariantList{saved, 0}));
        }
    }

    // The added extension names a file that exists: the dialog opens again on
    // that name (its own question guards the file), and the second answer counts.
    apply({.protocol = 0, .enable = false});
    const QString existing = data.filePath(QStringLiteral("old.jpg"));
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("an older picture");
    }
    ui.fileDialogs.clear();
    ui.saveFileAnswer = data.filePath(QStringLiteral("old"));
    ui.onSaveDialog = [&] {
        if (ui.fileDialogs.size() == 2)
            ui.saveFileAnswer = data.filePath(QStringLiteral("new.jpg"));
    };
    mouse->click(QStringLiteral("Snapshot"));
    ui.onSaveDialog = nullptr;
    ASSERT_EQ(ui.fileDialogs.size(), 2u);
    EXPECT_EQ(ui.fileDialogs[1].dir, existing);
    EXPECT_EQ(cam().Args(ImageServer::Dispid::SaveSnapshot),
              (QVariantList{data.filePath(QStringLiteral("new.jpg")), 0}));

    // Cancel: nothing is saved.
    ui.saveFileAnswer.clear();
    const int saves = cam().Count(ImageServer::Dispid::SaveSnapshot);
    apply({});
    mouse->click(QStringLiteral("Snapshot"));
    EXPECT_EQ(cam().Count(ImageServer::Dispid::SaveSnapshot), saves);
}

TEST_F(ClientLooks, SnapshotDialogOutlivingItsWindowSavesNothing)
{
    ui.saveFileAnswer = data.filePath(QStringLiteral("shot.jpg"));
    frmClient* raw = window.get();
    ui.onSaveDialog = [&] {
        // While the dialog is open, the panel unloads the window (combined display).
        raw->Form_Unload();
        window.release()->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const QPoint p = mouse->at(QStringLiteral("Snapshot"));
    mouse->move(p);
    mouse->press(p);
    mouse->release(p);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(cam().Count(ImageServer::Dispid::SaveSnapshot), 0);
}

// ------------------------------------------------------------------ status

TEST_F(ClientLooks, StatusBarShowsAddressConnectionRecordingAndName)
{
    struct Case {
        bool enable, recording;
        int rm;
        bool reconnecting;  // the slot's pictures stopped coming
    };
    for (const Case c :
         {Case{true, true, 1, false}, Case{false, false, 0, false}, Case{true, false, 2, false},
          Case{true, true, 1, true}, Case{false, false, 0, true}}) {
        gCam[kSlot].Enable = c.enable;
        gCam[kSlot].Reconnecting = c.reconnecting;
        gCam[kSlot].Recording = c.recording;
        gCam[kSlot].RecordMode = c.rm;
        gCam[kSlot].ServerName = QStringLiteral("Yard");
        gCam[kSlot].IPAddress = QStringLiteral("127.0.0.9");
        window->RefrushStatusBar();
        EXPECT_EQ(el("IPAddress").text(), QStringLiteral("127.0.0.9"));
        const bool down = c.enable && c.reconnecting;
        EXPECT_EQ(el("Line").text(), !c.enable ? gLangOffLine
                                     : down    ? gLangReconnecting
                                               : gLangOnLine);
        // The picture of a camera that is down is never shown as if it were live.
        EXPECT_EQ(window->Picture1()->downText(), down ? gLangReconnecting : QString());
        // It follows a recording in progress, not the recording mode.
        EXPECT_EQ(el("Recording").text(), c.recording ? gLangRec[0] : QString());
        EXPECT_EQ(el("ServerName").text(), QStringLiteral("Yard"));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Yard"));
    }
    EXPECT_FALSE(gLangOnLine.isEmpty());
    EXPECT_FALSE(gLangRec[0].isEmpty());
    EXPECT_NE(gLangOnLine, gLangOffLine);
}

TEST_F(ClientLooks, AdminVariantShowsTheColourButtonOnlyWhenVerified)
{
    struct Case {
        const char* language;
        bool verified;
        int alpha, width;
    };
    // Other languages leave both elements as they are (here: as set just before).
    const Case cases[] = {{"DADODEZE", true, 0, 84},
                          {"dadodeze", false, 255, 62},
                          {"english", true, 100, 50},
                          {"english", false, 100, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        el("ColorCtl").setAlpha(100);
        el("LBtnSet").setLayoutValue(50);
        gLanguage = QLatin1String(c.language);
        gCam[kSlot].AdminVerified = c.verified;
        window->RefrushStatusBar();
        EXPECT_EQ(el("ColorCtl").alpha(), c.alpha);
        EXPECT_EQ(el("LBtnSet").Width(), c.width);
    }
}

TEST_F(ClientLooks, MotionTextShowsAndClears)
{
    window->ShowMotionText(true);
    EXPECT_EQ(el("MotionDetect").text(), QStringLiteral("MOTION"));
    window->ShowMotionText(false);
    EXPECT_EQ(el("MotionDetect").text(), QString());
}

TEST_F(ClientWindowTest, EngineEventsAreMirroredAndTheListIsTrimmed)
{
    open();
    struct Case {
        int before, after;
    };
    for (const Case c : {Case{0, 2}, Case{498, 400}, Case{499, 401}}) {
        SCOPED_TRACE(c.before);
        window->ListEventBox()->clear();
        for (int i = 0; i < c.before; ++i)
            window->ListEvent().AddItem(QStringLiteral("old %1").arg(i));
        engine->AddEvent(kSlot, QStringLiteral("Connected."));
        QListWidget* list = window->ListEventBox();
        ASSERT_EQ(list->count(), c.after);
        EXPECT_EQ(list->currentRow(), list->count() - 1);  // the newest line is selected
        EXPECT_TRUE(list->item(list->count() - 1)->text().endsWith(QStringLiteral("Connected.")));
        if (c.before >= 100) {
            EXPECT_EQ(list->item(0)->text(), QStringLiteral("old 100"));  // the oldest 100 went
        }
    }
    // A closed window hears nothing.
    window->Form_Unload();
    const int count = window->ListEventBox()->count();
    engine->AddEvent(kSlot, QStringLiteral("Disconnected."));
    EXPECT_EQ(window->ListEventBox()->count(), count);
}

}  // namespace

// ------------------------------------------------------------------ zoom, fit and drag

class ClientZoom : public ClientLooks {
protected:
    void SetUp() override
    {
        ClientLooks::SetUp();
        ASSERT_EQ(window->clientSize(), QSize(320, 240));
    }
    void choose(const char* id)
    {
        Tool* tool = window->tbr1()->Tools(QLatin1String(id));
        ASSERT_NE(tool, nullptr);
        tool->trigger();  // checks it (exclusive group) and reports the click
    }
    bool fit() const { return window->tbr1()->Tools(QStringLiteral("ID_FitWindow"))->State() == 1; }
    void press(QPointF at, Qt::MouseButton b = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseButtonPress, at, window->Picture1()->mapToGlobal(at), b, b,
                      Qt::NoModifier);
        QApplication::sendEvent(window->Picture1(), &e);
    }
    void move(QPointF at, Qt::MouseButtons held = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseMove, at, window->Picture1()->mapToGlobal(at), Qt::NoButton,
                      held, Qt::NoModifier);
        QApplication::sendEvent(window->Picture1(), &e);
    }
    void release(QPointF at, Qt::MouseButton b = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, at, window->Picture1()->mapToGlobal(at), b,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window->Picture1(), &e);
    }
    Qt::CursorShape pointer() const { return window->Picture1()->cursor().shape(); }
};

TEST_F(ClientZoom, FactorsSizeFromTheNativePictureAndCentre)
{
    struct Case {
        const char* id;
        QSize native;
        QRectF placed;
    };
    const Case cases[] = {
        {"ID_x1", {160, 120}, {80, 60, 160, 120}},
        {"ID_x2", {320, 240}, {-160, -120, 640, 480}},
        {"ID_x1.5", {322, 241}, {-81.5, -61, 483, 362}},
        {"ID_x2.5", {320, 241}, {-240, -181, 800, 602}},
        {"ID_x4", {320, 240}, {-480, -360, 1280, 960}},
        {"ID_x3.5", {0, 0}, {160, 120, 0, 0}},  // no picture yet: size 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        cam().nativeWidth = c.native.width();
        cam().nativeHeight = c.native.height();
        cam().calls.clear();
        choose(c.id);
        EXPECT_FALSE(fit());
        EXPECT_EQ(window->placement(), c.placed);
        EXPECT_EQ(window->Picture1()->geometry(), PictureGeometry(c.placed));
        EXPECT_EQ(cam().displayWidth(), int(c.placed.width()));
        EXPECT_EQ(cam().displayHeight(), int(c.placed.height()));
        // Height first, then width.
        EXPECT_LT(cam().IndexOf(ImageServer::Dispid::DisplayHeight),
                  cam().IndexOf(ImageServer::Dispid::DisplayWidth));
    }
    // Fit again: the client area, the camera told.
    choose("ID_FitWindow");
    EXPECT_TRUE(fit());
    EXPECT_EQ(window->placement(), QRectF(0, 0, 320, 240));
    EXPECT_EQ(cam().displayWidth(), 320);
    EXPECT_EQ(cam().displayHeight(), 240);
}

TEST_F(ClientZoom, ProtocolThreeZoomsFromTheViewerAndReattachesIt)
{
    gCam[kSlot].Protocol = 3;
    viewer().nativeWidth = 352;
    viewer().nativeHeight = 241;
    viewer().calls.clear();
    choose("ID_x1.5");
    ASSERT_GE(viewer().IndexOf(WisViewer::Dispid::ZoomStep), 0);
    EXPECT_EQ(viewer().calls[size_t(viewer().IndexOf(WisViewer::Dispid::ZoomStep))].args,
              (QVariantList{QStringLiteral("qzvm"), 12}));
    // The native size is read after the zoom step.
    EXPECT_LT(viewer().IndexOf(WisViewer::Dispid::ZoomStep),
              viewer().IndexOf(WisViewer::Dispid::SourceHeight));
    EXPECT_LT(viewer().IndexOf(WisViewer::Dispid::ZoomStep),
              viewer().IndexOf(WisViewer::Dispid::AttachWindow));
    EXPECT_EQ(cam().displayWidth(), 528);
    EXPECT_EQ(cam().displayHeight(), 362);
    EXPECT_EQ(viewer().attached, window->Picture1());
    EXPECT_EQ(viewer().attachedWidth, 528);
    EXPECT_EQ(viewer().attachedHeight, 362);

    viewer().calls.clear();
    choose("ID_FitWindow");
    EXPECT_EQ(viewer().Count(WisViewer::Dispid::ZoomStep), 0);
    EXPECT_EQ(viewer().Count(WisViewer::Dispid::AttachWindow), 1);
    EXPECT_EQ(viewer().attachedWidth, 320);
}

TEST_F(ClientZoom, AClickThatLeavesItsEntryUncheckedChangesNothing)
{
    cam().nativeWidth = 320;
    cam().nativeHeight = 240;
    choose("ID_x2");
    cam().calls.clear();
    Tool* x3 = window->tbr1()->Tools(QStringLiteral("ID_x3"));
    x3->setState(0);
    emit window->tbr1()->ToolClick(x3);
    EXPECT_EQ(window->placement(), QRectF(-160, -120, 640, 480));
    EXPECT_TRUE(cam().calls.empty());
}

TEST_F(ClientZoom, ResizeRefitsInFitModeAndRecentresInZoomMode)
{
    cam().nativeWidth = 320;
    cam().nativeHeight = 240;
    choose("ID_x2");
    window->resize(window->size() + QSize(100, 60));
    EXPECT_EQ(window->clientSize(), QSize(420, 300));
    EXPECT_EQ(window->placement(), QRectF(-110, -90, 640, 480));
    EXPECT_EQ(cam().displayWidth(), 640);

    // The slot was shown elsewhere meanwhile (another display size): the
    // re-layout takes the zoom again instead of keeping a stale picture box.
    cam().setDisplayWidth(100);
    cam().setDisplayHeight(80);
    window->Form_Resize();
    EXPECT_EQ(window->placement(), QRectF(-110, -90, 640, 480));
    EXPECT_EQ(cam().displayWidth(), 640);
    EXPECT_FALSE(fit());
}

TEST_F(ClientZoom, DragPansWithinTheClientAreaAndShowsThePointers)
{
    cam().nativeWidth = 320;
    cam().nativeHeight = 240;
    choose("ID_x2");
    move({10, 10}, Qt::NoButton);
    EXPECT_EQ(pointer(), Qt::PointingHandCursor);
    press({300, 200});
    EXPECT_TRUE(window->dragging());
    EXPECT_EQ(pointer(), Qt::SizeAllCursor);
    // The position is measured on the moving picture: 50 to the right of the grab point.
    move({350, 200});
    EXPECT_EQ(window->placement(), QRectF(-110, -120, 640, 480));
    move({300 + 500, 200 + 500});  // far right and down: stops at the edges
    EXPECT_EQ(window->placement(), QRectF(0, 0, 640, 480));
    move({300 - 900, 200 - 900});  // far left and up
    EXPECT_EQ(window->placement(), QRectF(-320, -240, 640, 480));
    release({0, 0});
    EXPECT_FALSE(window->dragging());
    EXPECT_EQ(pointer(), Qt::ArrowCursor);
    move({100, 100});  // no drag without a press
    EXPECT_EQ(window->placement(), QRectF(-320, -240, 640, 480));
}

TEST_F(ClientZoom, AQuarterTurnedPictureZoomsAtItsTurnedSizeAndPans)
{
    cam().nativeWidth = 320;
    cam().nativeHeight = 240;
    gCam[kSlot].RotateAngle = 0;
    cam().setRotateAngle(0);
    choose("ID_x1");
    EXPECT_EQ(window->placement(), QRectF(0, 0, 320, 240));

    struct Step {
        int angle;
        QRectF placed;
    };
    // Each Rotate click turns the zoomed picture area with the picture.
    for (const Step& step : {Step{90, {40, -40, 240, 320}}, Step{180, {0, 0, 320, 240}},
                             Step{270, {40, -40, 240, 320}}}) {
        mouse->click(QStringLiteral("Rotate"));
        ASSERT_EQ(cam().rotateAngle(), step.angle);
        EXPECT_EQ(window->placement(), step.placed) << step.angle;
        EXPECT_EQ(QSize(cam().displayWidth(), cam().displayHeight()), step.placed.size().toSize())
            << step.angle;
    }
    // Higher than the window, not wider: it pans up and down only.
    press({100, 100});
    ASSERT_TRUE(window->dragging());
    move({100 + 400, 100 + 400});
    EXPECT_EQ(window->placement(), QRectF(40, 0, 240, 320));
    move({100 - 400, 100 - 400});
    EXPECT_EQ(window->placement(), QRectF(40, -80, 240, 320));
    release({0, 0});
    // A larger factor stays turned; a resize keeps it.
    choose("ID_x2");
    EXPECT_EQ(window->placement(), QRectF(-80, -200, 480, 640));
    window->Form_Resize();
    EXPECT_EQ(window->placement(), QRectF(-80, -200, 480, 640));
    // Fitted, the picture area is the client area again (the picture keeps
    // its shape inside it).
    choose("ID_FitWindow");
    EXPECT_EQ(window->placement(), QRectF(0, 0, 320, 240));
}

TEST_F(ClientZoom, NoDragForASmallPictureInFitModeOrWithTheRightButton)
{
    cam().nativeWidth = 320;
    cam().nativeHeight = 120;  // x2: wider and exactly as high
    choose("ID_x2");
    press({10, 10}, Qt::RightButton);
    EXPECT_FALSE(window->dragging());
    press({10, 10});
    ASSERT_TRUE(window->dragging());
    move({60, 80});  // pans horizontally only
    EXPECT_EQ(window->placement(), QRectF(-110, 0, 640, 240));
    release({60, 80});

    cam().nativeWidth = 160;
    cam().nativeHeight = 120;
    choose("ID_x1");
    press({10, 10});
    EXPECT_FALSE(window->dragging());
    move({10, 10}, Qt::NoButton);
    EXPECT_EQ(pointer(), Qt::ArrowCursor);

    choose("ID_FitWindow");
    press({10, 10});
    EXPECT_FALSE(window->dragging());
}

// ------------------------------------------------------------------ colour panel

class ClientColour : public ClientLooks {
protected:
    void SetUp() override
    {
        ClientLooks::SetUp();
        ASSERT_FALSE(window->m_bFirst);
        gCam[kSlot].MacAddress = QStringLiteral("0.1.2.3.4.5");
        cam().imageConfigValue = ImageConfig{2, 3, 25, 70, 64, 40, 1};
        cam().calls.clear();
        ui.sleeps.clear();
    }
    void openPanel()
    {
        window->m_bColorCtlVisible = true;
        window->ShowColorCtl_Fun();
    }
    QScrollBar* bar(int b) const { return window->picImage()->bar(b); }
};

TEST_F(ClientColour, OpeningReadsTheSettingsAndFillsTheBarsWithoutSending)
{
    for (int protocol : {0, 1, 2}) {
        SCOPED_TRACE(protocol);
        gCam[kSlot].Protocol = protocol;
        cam().calls.clear();
        ui.sleeps.clear();
        openPanel();
        EXPECT_EQ(cam().Count(ImageServer::Dispid::MacAddress), protocol == 0 ? 1 : 0);
        if (protocol == 0) {
            EXPECT_EQ(cam().macAddressValue, QStringLiteral("0.1.2.3.4.5"));
            EXPECT_LT(cam().IndexOf(ImageServer::Dispid::MacAddress),
                      cam().IndexOf(ImageServer::Dispid::GetImageConfig));
        }
        EXPECT_EQ(cam().Count(ImageServer::Dispid::GetImageConfig), 1);
        EXPECT_EQ(cam().Count(ImageServer::Dispid::SetImageConfig), 0);
        EXPECT_TRUE(window->m_bColorCtlVisible);
        EXPECT_TRUE(window->picImage()->isVisible());
        EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 2));
        EXPECT_EQ(bar(0)->value(), 70);
        EXPECT_EQ(bar(1)->value(), 64);
        EXPECT_EQ(bar(2)->value(), 40);
        EXPECT_EQ(window->label(3)->Caption(), QStringLiteral(" 70"));
        EXPECT_EQ(window->label(4)->Caption(), QStringLiteral(" 64"));
        EXPECT_EQ(window->label(5)->Caption(), QStringLiteral(" 40"));
        EXPECT_EQ(window->iLightfreq, 1);
        EXPECT_EQ(ui.sleeps, std::vector<int>{1000});
        EXPECT_EQ(ui.busyDepth, 0);
        EXPECT_TRUE(ui.messages.empty());
        // Closing: closed look, hidden, the same wait.
        window->m_bColorCtlVisible = false;
        window->ShowColorCtl_Fun();
        EXPECT_FALSE(window->picImage()->isVisible());
        EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 1));
        EXPECT_EQ(ui.sleeps, (std::vector<int>{1000, 1000}));
    }
}

TEST_F(ClientColour, NoMacAddressOrAFailedReadLeavesThePanelClosedWithTheMessage)
{
    // Protocol 0 without a MAC address: message, nothing asked, no wait, look kept.
    gCam[kSlot].MacAddress.clear();
    el(kColorCtl).setStatePicture(kUntouched);
    openPanel();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, gLangClientMsg[1]);
    EXPECT_EQ(ui.messages[0].title, gAppTitle);
    EXPECT_FALSE(window->m_bColorCtlVisible);
    EXPECT_TRUE(cam().calls.empty());
    EXPECT_TRUE(ui.sleeps.empty());
    EXPECT_EQ(el(kColorCtl).picture(), kUntouched);

    // The camera refuses the read: hover look, hidden, message, then the wait.
    gCam[kSlot].MacAddress = QStringLiteral("0.1.2.3.4.5");
    cam().imageConfigResult = 0;
    openPanel();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(window->m_bColorCtlVisible);
    EXPECT_FALSE(window->picImage()->isVisible());
    EXPECT_EQ(el(kColorCtl).picture(), CellLook(kColorCtl, 4));
    EXPECT_EQ(cam().Count(ImageServer::Dispid::SetImageConfig), 0);
    EXPECT_EQ(ui.sleeps, std::vector<int>{1000});
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_FALSE(gLangClientMsg[1].isEmpty());
}

// Records the camera calls made before each wait.
class OrderUi : public FakeUi {
public:
    void Sleep(int ms) override
    {
        FakeUi::Sleep(ms);
        if (onSleep)
            onSleep(ms);
    }
    std::function<void(int)> onSleep;
};

TEST_F(ClientColour, ABarChangeSendsAllSevenWaitsThenRestartsTheStream)
{
    gCam[kSlot].Protocol = 0;
    gCam[kSlot].Enable = true;
    openPanel();
    cam().start();  // the stream runs
    cam().calls.clear();

    OrderUi order;
    std::vector<std::pair<int, int>> stopsAtSleep;  // (ms, stops so far)
    order.onSleep = [&](int ms) {
        stopsAtSleep.emplace_back(ms, cam().Count(ImageServer::Dispid::Stop));
    };
    EXPECT_FALSE(bar(0)->hasTracking());  // one change per release
    bar(0)->setValue(90);
    ASSERT_EQ(cam().Count(ImageServer::Dispid::SetImageConfig), 1);
    EXPECT_EQ(cam().Args(ImageServer::Dispid::SetImageConfig),
              (QVariantList{2, 3, 25, 90, 64, 40, 1}));
    EXPECT_EQ(window->label(3)->Caption(), QStringLiteral(" 90"));
    ASSERT_FALSE(stopsAtSleep.empty());
    EXPECT_EQ(stopsAtSleep[0], std::make_pair(2000, 0));  // the wait comes before the restart
    EXPECT_EQ(cam().Count(ImageServer::Dispid::Stop), 1);
    EXPECT_EQ(cam().Count(ImageServer::Dispid::Start), 1);
    EXPECT_LT(cam().IndexOf(ImageServer::Dispid::SetImageConfig),
              cam().IndexOf(ImageServer::Dispid::Stop));
    EXPECT_EQ(order.busyDepth, 0);

    // The hue bar sends the brightness just set along.
    bar(2)->setValue(10);
    EXPECT_EQ(cam().Args(ImageServer::Dispid::SetImageConfig),
              (QVariantList{2, 3, 25, 90, 64, 10, 1}));
}

// The window of slot 1 draws the opened panel, with the values it read,
// before its pause; the other windows draw it when the pause is over. None
// lets other events run meanwhile.
TEST_F(ClientWindowTest, OnlyTheFirstWindowDrawsTheOpenedColourPanelBeforeThePause)
{
    for (int n = 1; n <= kSlotCount; ++n) {
        SCOPED_TRACE(n);
        CamInfo& cam = gCam[n];
        cam.Assign = true;
        cam.Enable = true;
        cam.Protocol = 1;
        cam.ServerName = QStringLiteral("Camera %1").arg(n);
        controls.cams[n]->imageConfigValue = ImageConfig{2, 3, 25, 70, 64, 40, 1};
        open(n);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
        PaintCounter panel(window->picImage());
        PaintCounter value(window->label(3));
        std::vector<std::pair<int, int>> paintsAtPause;  // (panel, brightness value)
        QString valueAtPause;
        ui.onSleep = [&](int ms) {
            paintsAtPause.emplace_back(panel.paints, value.paints);
            valueAtPause = window->label(3)->Caption();
            EXPECT_EQ(ms, 1000);
        };
        window->m_bColorCtlVisible = true;
        window->ShowColorCtl_Fun();
        ui.onSleep = nullptr;
        ASSERT_TRUE(window->m_bColorCtlVisible);
        ASSERT_EQ(paintsAtPause.size(), 1u);
        EXPECT_EQ(paintsAtPause[0].first > 0, n == 1);
        EXPECT_EQ(paintsAtPause[0].second > 0, n == 1);
        EXPECT_EQ(valueAtPause, QStringLiteral(" 70"));
        EXPECT_EQ(ui.doEvents, 0);
        EXPECT_TRUE(ui.pumpedSleeps.empty());
        // Once events run again every window has drawn it.
        EXPECT_TRUE(QTest::qWaitFor([&] { return panel.paints > 0 && value.paints > 0; }, 2000));
        window.reset();
        engineWindows.window = nullptr;
    }
}

TEST_F(ClientColour, BarsSendNothingBeforeTheFirstActivationOrWhileFilled)
{
    openPanel();
    cam().calls.clear();
    window->m_bFirst = true;
    bar(1)->setValue(100);
    window->m_bFirst = false;
    window->m_bDonotSet = true;
    bar(1)->setValue(101);
    window->m_bDonotSet = false;
    EXPECT_EQ(cam().Count(ImageServer::Dispid::SetImageConfig), 0);
    EXPECT_EQ(window->iContrast, 64);
}
