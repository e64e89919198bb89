// The panel's pointer feedback and its click dispatcher: which look each
// mouse event gives under which guard, which command a click runs, which
// flags it resets and whether the common refresh follows; commands that are
// not available yet; re-entry; the pan/tilt press and hold.
#include "panel_fixture.h"

#include <QRegularExpression>
#include <QTest>

namespace {

class PanelMouseTest : public PanelFixture {
protected:
    void SetUp() override
    {
        InstallAllCommands();
        RegisterBrowse([](FakeBrowseDialog& d) { d.m_bCancel = true; });
    }
    const QString kSentinel = QStringLiteral("BgColor #123456 -");
};

struct Situation {
    bool assigned = true;
    bool scan = false;
    bool cfgOpen = false;
    bool enable = false;
    bool ext = false;
    bool recording = false;
    int recordMode = 0;
    int protocol = 0;
    bool pt = true;
    int combine = 0;
    const char* tag = "english";
};

TEST_F(PanelMouseTest, PointerLooksFollowTheGuardOfEachRow)
{
    OpenPanel();
    struct Case {
        const char* name;
        Situation s;
        int in, out, down, up;  // cell shown after each event, -1 unchanged
    };
    Situation empty;
    empty.assigned = false;
    Situation scanning;
    scanning.scan = true;
    Situation open;
    open.cfgOpen = true;
    const Case cases[] = {
        {"Cam2", scanning, 4, 1, 2, 1},
        {"Min", empty, 4, 1, 2, 1},
        {"Play", scanning, 4, 1, 2, 1},
        {"Scan", {}, 4, 1, -1, -1},
        {"Scan", scanning, -1, -1, -1, -1},
        {"Combine", {}, 4, 1, -1, -1},
        {"Combine", {.combine = 1}, -1, -1, -1, -1},
        {"ManualRec", {}, 4, 1, -1, -1},
        {"ManualRec", {.recording = true, .recordMode = 1}, -1, -1, -1, -1},
        {"ManualRec", {.recording = true, .recordMode = 2}, 4, 1, -1, -1},
        {"ManualRec", empty, -1, -1, -1, -1},
        {"ScheduleRec", {.recording = true, .recordMode = 2}, -1, -1, -1, -1},
        {"MotionRec", {.recording = true, .recordMode = 3}, -1, -1, -1, -1},
        {"MotionRec", {.recordMode = 3}, 4, 1, -1, -1},
        {"Assign", {}, 4, 1, 2, 1},
        {"Assign", empty, -1, -1, -1, -1},
        {"Erase", scanning, -1, -1, -1, -1},
        {"Connect", {}, 4, 1, -1, -1},
        {"Connect", {.enable = true}, -1, -1, -1, -1},
        {"ExtInfo", {}, 4, 1, 2, 1},
        {"ExtInfo", {.ext = true}, -1, -1, 2, 1},
        {"Web", open, 4, 1, 2, 1},
        {"Web", {}, -1, -1, -1, -1},
        {"Motion", {}, -1, -1, -1, -1},
        {"Motion", {.tag = "TarselS"}, 4, 1, 2, 1},
        {"Motion", {.scan = true, .tag = "TarselS"}, -1, -1, -1, -1},
        {"Motion", {.scan = true, .tag = "dadodeze"}, 4, 1, 2, 1},
        {"Update", open, 4, 1, 2, 1},
        {"Update", {.cfgOpen = true, .protocol = 4}, -1, -1, -1, -1},
        {"CamConf", {}, 4, 1, -1, -1},
        {"CamConf", open, -1, -1, -1, -1},
        {"PT-U", {.pt = false}, -1, -1, -1, -1},
        {"PT-S", {.protocol = 3}, -1, -1, -1, -1},
        {"Led1-1", {}, -1, -1, -1, -1},
        {"Time", {}, -1, -1, -1, -1},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        SCOPED_TRACE(testing::Message()
                     << c.name << " assigned " << c.s.assigned << " scan " << c.s.scan);
        gLanguage = QString::fromLatin1(c.s.tag);
        gCam[1] = CamInfo{};
        if (c.s.assigned)
            AssignSlot(1, c.s.protocol, c.s.enable);
        gCam[1].Recording = c.s.recording;
        gCam[1].RecordMode = c.s.recordMode;
        gCam[1].PT = c.s.pt;
        gCurCam = 1;
        gScanMode = c.s.scan;
        gCamCfgOpen = c.s.cfgOpen;
        gExtInfo[0] = c.s.ext;
        gCombineMode = c.s.combine;
        const int row = frmController::RowOf(name);
        const auto after = [&](const char* event, const std::function<void()>& send, int cell) {
            El(name).setStatePicture(kSentinel);
            send();
            if (cell < 0) {
                EXPECT_EQ(El(name).picture(), kSentinel) << event;
            } else {
                EXPECT_EQ(El(name).picture(), Cell(row, cell)) << event;
            }
        };
        after(
            "in", [&] { In(name); }, c.in);
        after(
            "out", [&] { Out(name); }, c.out);
        after(
            "down", [&] { Down(name); }, c.down);
        after(
            "up", [&] { Up(name); }, c.up);
        // The right button never changes a look.
        after(
            "right down", [&] { Down(name, 2); }, -1);
        after(
            "right up", [&] { Up(name, 2); }, -1);
    }
    gScanMode = false;
    gCombineMode = 0;
}

TEST_F(PanelMouseTest, PressOnAnythingButACommandRaisesThePinnedVideoWindows)
{
    AssignSlot(1, 0, true);
    AssignSlot(3, 0, true);
    OpenPanel();  // the engine shows the windows of the running slots
    ASSERT_TRUE(clients[1] && clients[3]);
    gOnTop[2] = true;
    for (const char* name : {"Led1-1", "Line2", "Scan", "Combine"}) {
        clients[3]->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        clients[1]->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        Down(QString::fromLatin1(name));
        EXPECT_TRUE(clients[3]->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << name;
        EXPECT_FALSE(clients[1]->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << name;
    }
    clients[3]->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    Down(QStringLiteral("Connect"));
    EXPECT_FALSE(clients[3]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(PanelMouseTest, ClickDispatchGuardsFlagsAndCommonRefresh)
{
    OpenPanel();
    windows().Get(ClientWindowName(4));  // an open video window shows the common refresh
    struct Case {
        const char* name;
        Situation s;
        const char* runs;  // journal entry of the command, "" none
        bool extAfter, cfgAfter, tail;
    };
    Situation empty;
    empty.assigned = false;
    empty.cfgOpen = true;
    empty.ext = true;
    Situation base;
    base.cfgOpen = true;
    base.ext = true;
    Situation scanning = base;
    scanning.scan = true;
    Situation closed = base;
    closed.cfgOpen = false;
    Situation tarsels = closed;
    tarsels.tag = "TarselS";
    Situation protocol3 = base;
    protocol3.protocol = 3;
    const Case cases[] = {
        {"Min", base, "", false, false, true},
        {"SysConf", base, "frmSysConf.ShowModal owned", true, true, true},
        {"SysConf", scanning, "frmSysConf.ShowModal owned", true, true, true},
        {"ManualRec", base, "ManualRecord", false, false, true},
        {"ManualRec", scanning, "", true, true, false},
        {"ManualRec", empty, "", true, true, true},
        {"ScheduleRec", base, "ScheduleRecord", true, false, true},
        {"ScheduleRec", empty, "", true, true, true},
        {"MotionRec", base, "MotionRecord", true, false, true},
        {"MotionRec", scanning, "", true, true, false},
        {"Web", base, "WebSetting", false, true, true},
        {"Web", closed, "", true, false, true},
        {"Web", scanning, "", true, true, false},
        {"Motion", base, "frmMotionSetting.ShowModal", false, true, true},
        {"Motion", closed, "", true, false, true},
        {"Motion", tarsels, "frmMotionSetting.ShowModal", false, false, true},
        {"Update", base, "frmUpdateFW.ShowModal owned", true, true, true},
        {"Update", protocol3, "", true, true, true},
        {"Update", closed, "", true, false, true},
        {"Combine", scanning, "Combine_Fun", false, false, true},
        {"Play", scanning, "PlayRecord", false, false, true},
        {"Scan", scanning, "Scan_Fun", false, false, true},
        {"Assign", base, "browse.ShowModal", false, false, true},
        {"Assign", empty, "", true, true, true},
        {"Assign", scanning, "", true, true, false},
        {"Connect", scanning, "", true, true, false},
        {"Connect", empty, "", true, true, true},
        {"Erase", empty, "", true, true, true},
        {"Erase", scanning, "", true, true, false},
        {"ExtInfo", base, "", false, false, true},
        {"ExtInfo", scanning, "", true, true, false},
        {"CamConf", closed, "", false, true, true},
        {"CamConf", empty, "", false, true, true},
        {"CamConf", scanning, "", true, true, false},
        {"PT-L", scanning, "", true, true, true},
        {"Led2-1", scanning, "", true, true, true},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        SCOPED_TRACE(testing::Message() << c.name << " assigned " << c.s.assigned << " scan "
                                        << c.s.scan << " cfg " << c.s.cfgOpen << " " << c.s.tag);
        gLanguage = QString::fromLatin1(c.s.tag);
        gCam[1] = CamInfo{};
        if (c.s.assigned)
            AssignSlot(1, c.s.protocol);
        gCurCam = 1;
        gScanMode = c.s.scan;
        gCamCfgOpen = c.s.cfgOpen;
        gExtInfo[0] = c.s.ext;
        journal.Clear();
        fake.messages.clear();

        Click(name);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QStringList commands = journal.entries.filter(QRegularExpression(
            QStringLiteral("^(browse|frm|ManualRecord|ScheduleRecord|MotionRecord|WebSetting|"
                           "Combine_Fun|PlayRecord|Scan_Fun)")));
        commands.removeIf([](const QString& e) { return e.endsWith(QLatin1String(".deleted")); });
        EXPECT_EQ(commands, c.runs[0] ? QStringList{QString::fromLatin1(c.runs)} : QStringList{});
        EXPECT_EQ(gExtInfo[0], c.extAfter);
        EXPECT_EQ(gCamCfgOpen, c.cfgAfter);
        EXPECT_EQ(journal.Has(QStringLiteral("client4.RefrushStatusBar")), c.tail);
        gScanMode = false;
    }
}

TEST_F(PanelMouseTest, ClickedElementsShowTheirResultLooks)
{
    AssignSlot(1);
    OpenPanel();
    // Details on and off: pressed look, then the pointer look.
    Click(QStringLiteral("ExtInfo"));
    EXPECT_TRUE(gExtInfo[0]);
    EXPECT_EQ(CellOf(12), 2);
    Click(QStringLiteral("ExtInfo"));
    EXPECT_FALSE(gExtInfo[0]);
    EXPECT_EQ(CellOf(12), 4);

    // Recording toggles: the pointer look while the slot is not recording.
    struct Case {
        const char* name;
        int row;
        bool result;
        int cell;
    };
    for (const Case& c : {Case{"ManualRec", 8, true, 4}, Case{"ScheduleRec", 7, true, 4},
                          Case{"ScheduleRec", 7, false, 1}, Case{"MotionRec", 6, false, 4}}) {
        SCOPED_TRACE(c.name);
        manualResult = scheduleResult = motionResult = c.result;
        Row(c.row).setStatePicture(kSentinel);
        Click(QString::fromLatin1(c.name));
        EXPECT_EQ(CellOf(c.row), c.cell);
    }
    // Anything without a command of its own is switched off by a click.
    El(QStringLiteral("Line3")).setStyleFlags(18);
    Click(QStringLiteral("Line3"));
    EXPECT_EQ(El(QStringLiteral("Line3")).styleFlags(), 2);
}

TEST_F(PanelMouseTest, ScheduleClickOnAnEmptySlotKeepsTheGreyedButton)
{
    OpenPanel();
    gCurCam = 2;
    panel->RefreshPanelText();
    ASSERT_EQ(CellOf(7), 5);
    Click(QStringLiteral("ScheduleRec"));
    EXPECT_EQ(CellOf(7), 5);
    EXPECT_FALSE(journal.Has(QStringLiteral("ScheduleRecord")));
}

class PanelAvailabilityTest : public PanelFixture {};

TEST_F(PanelAvailabilityTest, CommandsWithoutTheirWindowOrCodeAreGreyedAndInert)
{
    AssignSlot(1);
    OpenPanel();
    windows().Get(ClientWindowName(4));
    // "Camera setup" with none of its group's commands would open a group of greyed buttons.
    const char* later[] = {"Assign",  "SysConf", "ManualRec", "ScheduleRec", "MotionRec", "Play",
                           "Combine", "Scan",    "PT-L",      "PT-H",        "CamConf"};
    for (const char* name : later) {
        SCOPED_TRACE(name);
        const QString n = QString::fromLatin1(name);
        const int row = frmController::RowOf(n);
        EXPECT_FALSE(panel->CommandAvailable(n));
        const QString greyed = row >= 34 ? Cell(row, 0) : Cell(row, 5);
        EXPECT_EQ(El(n).picture(), greyed);
        EXPECT_EQ(El(n).toolTip(), panel->NotAvailableText());
        EXPECT_EQ(El(n).styleFlags(), 2);
        journal.Clear();
        gExtInfo[0] = true;
        Click(n);
        EXPECT_EQ(El(n).picture(), greyed);  // neither hover nor press changes it
        EXPECT_TRUE(gExtInfo[0]);
        EXPECT_FALSE(journal.Has(QStringLiteral("client4.RefrushStatusBar")));
    }
    EXPECT_EQ(panel->NotAvailableText(), QStringLiteral("Not available yet"));
    EXPECT_FALSE(gCamCfgOpen);
    // What the panel already has works.
    for (const char* name : {"Connect", "Erase", "ExtInfo", "Cam1", "Min", "About", "Close"}) {
        EXPECT_TRUE(panel->CommandAvailable(QString::fromLatin1(name))) << name;
    }
}

TEST_F(PanelAvailabilityTest, ACommandSwitchesOnWhenItsWindowOrCodeArrives)
{
    windows().Register(QStringLiteral("frmSysConf"),
                       [this] { return new FakeModalDialog(journal, "frmSysConf"); });
    hooks.ManualRecord = [this] { return hookCall(QStringLiteral("ManualRecord"), true); };
    AssignSlot(1);
    OpenPanel();
    EXPECT_TRUE(panel->CommandAvailable(QStringLiteral("SysConf")));
    EXPECT_EQ(El(QStringLiteral("SysConf")).toolTip(), Cell(5, 7));
    EXPECT_EQ(CellOf(8), 1);
    EXPECT_EQ(El(QStringLiteral("ManualRec")).toolTip(), Cell(8, 7));
    Click(QStringLiteral("ManualRec"));
    EXPECT_TRUE(journal.Has(QStringLiteral("ManualRecord")));
}

// "Camera setup" comes alive with the first command of its group, and opens
// the group with that command live and the others greyed.
TEST_F(PanelAvailabilityTest, CameraSetupSwitchesOnWithAnyCommandOfItsGroup)
{
    windows().Register(QStringLiteral("frmMotionSetting"),
                       [this] { return new FakeModalDialog(journal, "frmMotionSetting"); });
    AssignSlot(1);
    OpenPanel();
    ASSERT_TRUE(panel->CommandAvailable(QStringLiteral("CamConf")));
    Click(QStringLiteral("CamConf"));
    EXPECT_TRUE(gCamCfgOpen);
    EXPECT_EQ(CellOf(frmController::RowOf(QStringLiteral("Motion"))), 1);
    for (const char* name : {"Web", "Update"}) {
        const QString n = QString::fromLatin1(name);
        EXPECT_EQ(El(n).picture(), Cell(frmController::RowOf(n), 5)) << name;
    }
}

TEST_F(PanelMouseTest, ASecondClickWhileACommandLetsEventsRunIsIgnored)
{
    AssignSlot(1);
    AssignSlot(2);
    OpenPanel();
    // The old stream takes a while to stop, so the start waits and lets
    // events run; the operator clicks again meanwhile.
    cam(1).running = true;
    cam(1).stopLatencyPolls = 1;
    int nested = 0;
    fake.onDoEvents = [&] {
        if (nested++ == 0) {
            Click(QStringLiteral("Connect"));
            Click(QStringLiteral("Cam2"));
        }
    };
    Click(QStringLiteral("Connect"));
    fake.onDoEvents = nullptr;
    EXPECT_EQ(gCurCam, 1);
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_EQ(cam(1).Count(ImageServer::Dispid::Start), 1);
    // Once the command is done, clicks work again.
    Click(QStringLiteral("Cam2"));
    EXPECT_EQ(gCurCam, 2);
}

TEST_F(PanelMouseTest, PanTiltPressSendsRepeatsWhileHeldAndStopsOnRelease)
{
    AssignSlot(1);
    gCam[1].PT = true;
    OpenPanel();
    struct Case {
        const char* name;
        QStringList sent;
        bool repeats;
    };
    const Case cases[] = {
        {"PT-U", {"SendPTCommand 1 1"}, true},
        {"PT-L", {"SendPTCommand 1 3"}, true},
        {"PT-R", {"SendPTCommand 1 5"}, true},
        {"PT-D", {"SendPTCommand 1 7", "SendPTCommand 1 7"}, true},
        {"PT-H", {"SendPTCommand 1 4"}, false},
        {"PT-S", {"SendPTCommand 1 52"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        const int row = frmController::RowOf(name);
        journal.Clear();
        mouse->move(mouse->at(name));
        mouse->press(mouse->at(name));
        EXPECT_EQ(journal.With(QStringLiteral("SendPTCommand")), c.sent);
        EXPECT_EQ(El(name).picture(), Cell(row, 2));
        EXPECT_EQ(panel->tmrBtnHold.isActive(), c.repeats);
        if (c.repeats) {
            // The first repeat comes 500 ms after the press, the next ones every 50 ms.
            EXPECT_EQ(panel->tmrBtnHold.interval(), 500);
            QMetaObject::invokeMethod(&panel->tmrBtnHold, "timeout");
            EXPECT_EQ(panel->tmrBtnHold.interval(), 50);
            QMetaObject::invokeMethod(&panel->tmrBtnHold, "timeout");
            QStringList repeated = c.sent;
            repeated << c.sent.first() << c.sent.first();
            EXPECT_EQ(journal.With(QStringLiteral("SendPTCommand")), repeated);
        }
        mouse->release(mouse->at(name));
        EXPECT_FALSE(panel->tmrBtnHold.isActive());
        EXPECT_EQ(El(name).picture(), Cell(row, 4));
    }
}

TEST_F(PanelMouseTest, HoldRepeatEndsWhateverHappensDuringThePress)
{
    AssignSlot(1);
    gCam[1].PT = true;
    OpenPanel();
    const QPoint left = mouse->at(QStringLiteral("PT-L"));

    // Leaving the button while it is held.
    mouse->move(left);
    mouse->press(left);
    ASSERT_TRUE(panel->tmrBtnHold.isActive());
    mouse->move(mouse->at(QStringLiteral("PT-H")));
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
    mouse->release(mouse->at(QStringLiteral("PT-H")));

    // The slot is erased while the button is held: the release still ends the repeat.
    mouse->move(left);
    mouse->press(left);
    ASSERT_TRUE(panel->tmrBtnHold.isActive());
    gCam[1].Assign = false;
    mouse->release(left);
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
    gCam[1].Assign = true;

    // A question box opens during the press and takes the mouse: the press
    // ends there, the command goes out once and nothing repeats.
    confirmPt = [this] {
        QEvent blocked(QEvent::WindowBlocked);
        QCoreApplication::sendEvent(panel->SkinForm1(), &blocked);
        return true;
    };
    journal.Clear();
    mouse->move(left);
    mouse->press(left);
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
    EXPECT_EQ(journal.With(QStringLiteral("SendPTCommand")), QStringList{"SendPTCommand 1 3"});
    mouse->release(left);

    // Refused: nothing is sent.
    confirmPt = [] { return false; };
    journal.Clear();
    mouse->press(left);
    EXPECT_TRUE(journal.With(QStringLiteral("SendPTCommand")).isEmpty());
    mouse->release(left);
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
}

TEST_F(PanelMouseTest, PanTiltGroupFollowsTheSlot)
{
    AssignSlot(1, 3);
    gCam[1].PT = true;
    OpenPanel();
    for (int row = 34; row <= 38; ++row) {
        EXPECT_EQ(CellOf(row), 1) << row;
    }
    EXPECT_EQ(CellOf(39), 5);  // PT-S is not for protocol 3
    EXPECT_EQ(CellOf(40), 1);
    EXPECT_EQ(Row(36).toolTip(), Cell(36, 7));
    EXPECT_EQ(Row(36).styleFlags(), 18);
    Click(QStringLiteral("Cam2"));  // an empty slot: the group is off
    for (int row = 34; row <= 40; ++row) {
        EXPECT_EQ(CellOf(row), 0) << row;
        EXPECT_EQ(Row(row).toolTip(), QString()) << row;
        EXPECT_EQ(Row(row).styleFlags(), 2) << row;
    }
}

}  // namespace
