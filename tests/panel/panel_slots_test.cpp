// Camera slots from the panel: selecting a slot and its window, filling an
// empty slot from the search dialog, assigning another camera, erasing,
// connecting and disconnecting, the administrator check before the set-up
// group opens, and taking the identity of a probed camera.
#include "panel_fixture.h"

#include "foundation/settings.h"
#include "platform/settings_file.h"
#include "views/frm_client.h"
#include "views/view_buttons.h"

namespace {

class PanelSlotsTest : public PanelFixture {
protected:
    // The value of a key in main.ini as saved now ("" when missing).
    QString Saved(const QString& section, const QString& key)
    {
        SettingsFile file;
        file.FileName(MainIniPath());
        if (!file.Load())
            return {};
        return file.GetValue(section, key).value_or(QString());
    }
    FakeCheckPasswordDialog* check = nullptr;
    void RegisterCheck(std::function<void(FakeCheckPasswordDialog&)> prepare)
    {
        windows().Register(kCheckPasswordWindowName, [this, prepare] {
            check = new FakeCheckPasswordDialog(journal);
            prepare(*check);
            return check;
        });
        // The set-up group opens only with a command in it: the firmware update.
        windows().Register(QStringLiteral("frmUpdateFW"),
                           [this] { return new FakeModalDialog(journal, "frmUpdateFW"); });
    }
};

TEST_F(PanelSlotsTest, SelectingASlotShowsItsWindowAndMakesItCurrent)
{
    AssignSlot(2);
    AssignSlot(3);
    OpenPanel();
    gCurCam = 1;
    panel->tmrBtnHold.start(5000);
    journal.Clear();

    Click(QStringLiteral("Cam2"));
    EXPECT_EQ(gCurCam, 2);
    EXPECT_EQ(Line(0), QStringLiteral("2"));
    EXPECT_EQ(Line(1), QStringLiteral("Camera 2"));
    EXPECT_FALSE(panel->tmrBtnHold.isActive());  // another slot: the hold repeat ends
    ASSERT_TRUE(clients[2]);
    EXPECT_TRUE(clients[2]->isVisible());
    const int shown = journal.IndexOf(QStringLiteral("client2.ShowModeless"));
    EXPECT_GE(shown, 0);
    EXPECT_EQ(journal.With(QStringLiteral("client2.ShowModeless")).size(), 1);
    EXPECT_GT(journal.entries.lastIndexOf(QStringLiteral("client2.RefrushStatusBar")), shown);
    EXPECT_EQ(CellOf(17), 4);

    // The same slot again: the repeat goes on; a minimised window comes back.
    panel->tmrBtnHold.start(5000);
    clients[2]->showMinimized();
    journal.Clear();
    Click(QStringLiteral("Cam2"));
    EXPECT_TRUE(panel->tmrBtnHold.isActive());
    EXPECT_FALSE(clients[2]->isMinimized());
    EXPECT_FALSE(journal.Has(QStringLiteral("client2.ShowModeless")));

    // Combined display: the combined window follows, no single window opens.
    gCombineMode = 1;
    OpenCombine();
    journal.Clear();
    Click(QStringLiteral("Cam3"));
    EXPECT_EQ(gCurCam, 3);
    EXPECT_FALSE(clients[3] && clients[3]->isVisible());
    EXPECT_EQ(
        journal.With(QStringLiteral("combine.")),
        (QStringList{"combine.RefrushShowClrCtl 3 while 2", "combine.RefrushListCtl 3 while 2",
                     "combine.PutActiveBorder 3 while 2"}));

    // During the scan tour the slot buttons do nothing.
    gScanMode = true;
    Click(QStringLiteral("Cam2"));
    EXPECT_EQ(gCurCam, 3);
    gScanMode = false;
    gCombineMode = 0;
}

TEST_F(PanelSlotsTest, AnEmptySlotIsFilledFromTheSearchDialogAndStarted)
{
    RegisterBrowse(PickCamera);
    OpenPanel();
    Click(QStringLiteral("Cam3"));

    ASSERT_TRUE(journal.Has(QStringLiteral("browse.ShowModal")));
    EXPECT_FALSE(windows().IsLoaded(kBrowseWindowName));
    EXPECT_EQ(gCurCam, 3);
    const CamInfo& c = gCam[3];
    EXPECT_TRUE(c.Assign);
    EXPECT_TRUE(c.Enable);
    EXPECT_EQ(c.IPAddress, QStringLiteral("127.0.0.9"));
    EXPECT_EQ(cam(3).ipAddressValue, QStringLiteral("127.0.0.9"));  // pushed to the camera object
    EXPECT_EQ(cam(3).Count(ImageServer::Dispid::Start), 1);
    EXPECT_EQ(Saved(QStringLiteral("Cam3"), QStringLiteral("IPAddress")),
              QStringLiteral("127.0.0.9"));
    EXPECT_TRUE(clients[3] && clients[3]->isVisible());
    EXPECT_EQ(CellOf(18), 1);
    EXPECT_EQ(CellOf(28), 2);  // connected LED of slot 3
    EXPECT_EQ(Line(1), QStringLiteral("Gate"));
    EXPECT_EQ(Line(2), QStringLiteral("127.0.0.9 : 8090"));
    EXPECT_EQ(Line(5), gLangOnLine);
    const int pushed = journal.IndexOf(QStringLiteral("cam3.start"));
    const int shown = journal.IndexOf(QStringLiteral("client3.ShowModeless"));
    EXPECT_TRUE(pushed >= 0 && shown > pushed);
}

TEST_F(PanelSlotsTest, ACancelledOrMissingSearchLeavesTheSlotEmptyButCurrent)
{
    for (const bool registered : {true, false}) {
        SCOPED_TRACE(registered);
        RegisterWindows();
        journal.Clear();
        if (registered)
            RegisterBrowse([](FakeBrowseDialog& d) {
                PickCamera(d);
                d.m_bCancel = true;
            });
        OpenPanel();
        Click(QStringLiteral("Cam4"));
        EXPECT_EQ(gCurCam, 4);
        EXPECT_FALSE(gCam[4].Assign);
        EXPECT_EQ(journal.Has(QStringLiteral("browse.ShowModal")), registered);
        EXPECT_FALSE(windows().IsLoaded(kBrowseWindowName));
        EXPECT_FALSE(clients[4]);
        EXPECT_EQ(Line(1), gLblEmpty);
        EXPECT_EQ(CellOf(19), 1);
    }
}

TEST_F(PanelSlotsTest, AssigningReplacesTheCameraAndResetsTheSlotsSettings)
{
    RegisterBrowse(PickCamera);
    AssignSlot(2, 0, true);
    CamInfo& c = gCam[2];
    c.RecordMode = 2;
    c.RecordType = 3;
    c.AdminVerified = true;
    c.RotateAngle = 180;
    c.Sensitivity = 9;
    c.Alarm = c.SendEmail = c.Trig1 = c.Trig2 = 1;
    c.MailServer = c.MailFrom = c.MailTo = c.MailSubject = c.MailUserName = c.MailPassword =
        QStringLiteral("x");
    c.MailIntervalTime = 60;
    c.MotionFlag = true;
    c.ScheduleCount = 5;
    c.CurSchedule = 3;
    for (int k = 1; k <= 5; ++k)
        c.Schedule[static_cast<size_t>(k)] =
            ScheduleInfo{true, 0, "08:00", "09:00", 127, "2026-01-01", "2026-02-01", true, true};
    const QDateTime lastMail(QDate(2025, 5, 5), QTime(5, 5));
    c.LastMailTime = lastMail;
    gStreamRestarted[1] = true;
    gCurCam = 2;
    fake.clock = QDateTime(QDate(2026, 6, 1), QTime(10, 0));
    OpenPanel();
    OpenCombine();
    clients[2]->tbr1->Tools(QStringLiteral("ID_x2"))->setState(1);
    journal.Clear();

    Click(QStringLiteral("Assign"));

    EXPECT_EQ(c.IPAddress, QStringLiteral("127.0.0.9"));
    EXPECT_EQ(c.MacAddress, QStringLiteral("0.1.2.3.4.5"));
    EXPECT_EQ(c.Port, 8090);
    EXPECT_FALSE(c.IsLocalCamera);
    EXPECT_EQ(c.Protocol, 2);
    EXPECT_EQ(c.ServerName, QStringLiteral("Gate"));
    EXPECT_EQ(c.ServerModel, QStringLiteral("PT-200"));
    EXPECT_EQ(c.ServerLocation, QStringLiteral("Yard"));
    EXPECT_EQ(c.FWVersion, QStringLiteral("2.10"));
    EXPECT_EQ(c.HWVersion, QStringLiteral("1.20"));
    EXPECT_EQ(c.ROMVersion, QStringLiteral("1.30"));
    EXPECT_EQ(c.UserName, QStringLiteral("guard"));
    EXPECT_EQ(c.Password, QStringLiteral("s3cret"));
    EXPECT_TRUE(c.PT);
    EXPECT_TRUE(c.Assign);
    EXPECT_TRUE(c.Enable);
    EXPECT_FALSE(c.AdminVerified);
    EXPECT_FALSE(c.Recording);
    EXPECT_EQ(c.RecordType, 1);
    EXPECT_EQ(c.RotateAngle, 0);
    EXPECT_EQ(c.RecordMode, 0);
    EXPECT_EQ(c.LastMotionTime, fake.clock);
    EXPECT_FALSE(c.MotionFlag);
    EXPECT_EQ(c.MailIntervalTime, 5);
    for (const QString* s : {&c.MailServer, &c.MailFrom, &c.MailTo, &c.MailSubject, &c.MailUserName,
                             &c.MailPassword}) {
        EXPECT_TRUE(s->isEmpty());
    }
    EXPECT_EQ(c.Sensitivity, 5);
    EXPECT_EQ(c.Alarm + c.SendEmail + c.Trig1 + c.Trig2, 0);
    EXPECT_EQ(c.ScheduleCount, 0);
    EXPECT_EQ(c.CurSchedule, 0);
    for (int k = 1; k <= 5; ++k) {
        const ScheduleInfo& s = c.Schedule[static_cast<size_t>(k)];
        EXPECT_FALSE(s.CHECK || s.Started || s.Stopped);
        EXPECT_EQ(s.MODE, 1);
        EXPECT_EQ(s.WeekOption, 0);
        EXPECT_TRUE(s.TimeStart.isEmpty() && s.TimeStop.isEmpty() && s.DateStart.isEmpty()
                    && s.DateStop.isEmpty());
    }
    EXPECT_EQ(c.LastMailTime, lastMail);
    EXPECT_FALSE(gStreamRestarted[1]);

    // Stop, push, start, show: in that order; saved; the picture fitted.
    const int stop = journal.IndexOf(QStringLiteral("cam2.stop"));
    const int start = journal.IndexOf(QStringLiteral("cam2.start"));
    const int border = journal.IndexOf(QStringLiteral("combine.PutActiveBorder 2 while 2"));
    const int resize = journal.entries.lastIndexOf(QStringLiteral("client2.Form_Resize"));
    EXPECT_TRUE(stop >= 0 && border > stop && start > border && resize > start)
        << journal.entries.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("IPAddress")),
              QStringLiteral("127.0.0.9"));
    EXPECT_EQ(clients[2]->tbr1->Tools(QStringLiteral("ID_FitWindow"))->State(), 1);
    EXPECT_EQ(clients[2]->tbr1->Tools(QStringLiteral("ID_x2"))->State(), 0);
    EXPECT_FALSE(windows().IsLoaded(kBrowseWindowName));
    EXPECT_EQ(Line(1), QStringLiteral("Gate"));
    EXPECT_FALSE(gCamCfgOpen);
    gWinOpen[5] = false;
}

TEST_F(PanelSlotsTest, ACancelledAssignmentChangesNothing)
{
    RegisterBrowse([](FakeBrowseDialog& d) {
        PickCamera(d);
        d.m_bCancel = true;
    });
    AssignSlot(1, 0, true);
    OpenPanel();
    journal.Clear();
    Click(QStringLiteral("Assign"));
    EXPECT_TRUE(journal.Has(QStringLiteral("browse.ShowModal")));
    EXPECT_FALSE(journal.Has(QStringLiteral("cam1.stop")));
    EXPECT_EQ(gCam[1].IPAddress, QStringLiteral("127.0.0.2"));
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_FALSE(windows().IsLoaded(kBrowseWindowName));
}

TEST_F(PanelSlotsTest, AssigningWaitsABoundedTimeForACameraThatCannotStop)
{
    RegisterBrowse(PickCamera);
    AssignSlot(1, 0, true);
    OpenPanel();
    // The engine is restarting slot 1 and lets events run while the old
    // stream ends; the operator asks for another camera meanwhile.
    cam(1).running = true;
    cam(1).stopLatencyPolls = 1;
    bool clicked = false;
    fake.onDoEvents = [&] {
        if (!clicked) {
            clicked = true;
            Click(QStringLiteral("Assign"));
        }
    };
    fake.pumpedSleeps.clear();
    Engine().CamStart(1);
    fake.onDoEvents = nullptr;

    ASSERT_TRUE(clicked);
    EXPECT_EQ(fake.pumpedSleeps,
              std::vector<int>(frmController::kStopPolls, frmController::kStopPollMs));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text,
              QStringLiteral("The camera did not stop, so it was not replaced. Please try again."));
    EXPECT_EQ(fake.messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(gCam[1].IPAddress, QStringLiteral("127.0.0.2"));  // not replaced
    EXPECT_FALSE(windows().IsLoaded(kBrowseWindowName));
    // The stop asked for during the start is done once the start is over.
    EXPECT_FALSE(gCam[1].Enable);
}

TEST_F(PanelSlotsTest, ErasingEmptiesTheSlotAndKeepsItsSettings)
{
    AssignSlot(2, 0, true);
    CamInfo& c = gCam[2];
    c.UserName = QStringLiteral("u");
    c.Password = QStringLiteral("p");
    c.Protocol = 2;
    c.IsLocalCamera = false;
    c.PT = true;
    c.FWVersion = c.HWVersion = c.ROMVersion = c.ServerModel = QStringLiteral("v");
    c.RecordType = 2;
    c.RecordMode = 2;
    c.RotateAngle = 90;
    c.Sensitivity = 8;
    c.MailServer = QStringLiteral("mail");
    c.ScheduleCount = 2;
    c.Schedule[1].CHECK = true;
    c.AdminVerified = true;
    gCurCam = 2;
    OpenPanel();
    ASSERT_TRUE(gWinOpen[2]);
    c.Recording = true;
    OpenCombine();
    gCamCfgOpen = true;
    const QString savedBefore = Saved(QStringLiteral("Cam2"), QStringLiteral("IPAddress"));
    journal.Clear();

    Click(QStringLiteral("Erase"));

    EXPECT_TRUE(journal.Has(QStringLiteral("cam2.stop")));
    EXPECT_TRUE(journal.Has(QStringLiteral("cam2.recordStop")));
    EXPECT_FALSE(c.Enable || c.Assign || c.Recording || c.PT);
    EXPECT_TRUE(c.IsLocalCamera);
    for (const QString* s : {&c.UserName, &c.Password, &c.IPAddress, &c.ServerModel, &c.ServerName,
                             &c.ServerLocation, &c.FWVersion, &c.HWVersion, &c.ROMVersion})
        EXPECT_TRUE(s->isEmpty());
    EXPECT_EQ(c.MacAddress, QStringLiteral("0.0.0.0.0.0"));
    EXPECT_EQ(c.Port, 8481);
    EXPECT_EQ(c.Protocol, 0);
    EXPECT_EQ(c.RecordType, 1);
    // Kept.
    EXPECT_EQ(c.RecordMode, 2);
    EXPECT_EQ(c.RotateAngle, 90);
    EXPECT_EQ(c.Sensitivity, 8);
    EXPECT_EQ(c.MailServer, QStringLiteral("mail"));
    EXPECT_EQ(c.ScheduleCount, 2);
    EXPECT_TRUE(c.Schedule[1].CHECK);
    EXPECT_TRUE(c.AdminVerified);

    EXPECT_FALSE(gCamCfgOpen);
    EXPECT_FALSE(gWinOpen[2]);
    EXPECT_TRUE(journal.Has(QStringLiteral("client2.Unload")));
    EXPECT_TRUE(journal.Has(QStringLiteral("combine.PutActiveBorder 2 while 2")));
    EXPECT_EQ(Line(1), gLblEmpty);
    EXPECT_EQ(CellOf(25), 1);  // connected LED off
    EXPECT_EQ(CellOf(23), 1);  // recording LED off
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("IPAddress")),
              savedBefore);  // nothing saved
    gWinOpen[5] = false;
}

TEST_F(PanelSlotsTest, ConnectStartsAndStopsTheCurrentSlot)
{
    struct Case {
        int protocol;
        bool running;
        bool windowOpen;
        bool combined;
        bool audioReset;  // the audio button goes back to its off look
    };
    const Case cases[] = {
        {0, false, true, false, false}, {0, true, true, true, false}, {4, true, true, false, true},
        {4, true, false, true, true},   {3, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "protocol " << c.protocol << " running " << c.running);
        gCam[1] = CamInfo{};
        AssignSlot(1, c.protocol, c.running);
        gCam[1].RecordMode = 2;
        gCurCam = 1;
        OpenPanel();
        if (c.windowOpen)
            windows().Get(ClientWindowName(1));
        else
            windows().Unload(ClientWindowName(1));
        FakePanelCombine* combine = nullptr;
        if (c.combined) {
            gCombineMode = 1;
            combine = OpenCombine();
        }
        const QString audio = gViewBtn[10].BtnName;
        const QString off = gViewBtn[10].BtnStr[3];
        const QString before = QStringLiteral("BgColor #123456 -");
        ASSERT_FALSE(off.isEmpty());
        if (clients[1])
            clients[1]->skin->GetElement(audio).setStatePicture(before);
        if (combine)
            combine->skin->GetElement(audio).setStatePicture(before);
        gStreamRestarted[0] = true;
        journal.Clear();

        Click(QStringLiteral("Connect"));

        const QString object =
            c.protocol == 3 ? QStringLiteral("viewer1.") : QStringLiteral("cam1.");
        if (c.running) {
            EXPECT_FALSE(gCam[1].Enable);
            EXPECT_EQ(gCam[1].RecordMode, 0);
            EXPECT_EQ(CellOf(22), 1);
            EXPECT_EQ(Line(5), gLangOffLine);
            if (c.protocol != 4) {
                EXPECT_TRUE(journal.Has(object + QStringLiteral("stop")));
            }
        } else {
            EXPECT_TRUE(gCam[1].Enable);
            EXPECT_EQ(gCam[1].RecordMode, 2);
            EXPECT_TRUE(journal.Has(object + QStringLiteral("start")));
            EXPECT_EQ(CellOf(22), 2);
            EXPECT_EQ(CellOf(10), 2);
            EXPECT_EQ(Line(5), gLangRec[2] + QStringLiteral("  ") + gLangOnLine);
        }
        EXPECT_FALSE(gStreamRestarted[0]);
        if (c.windowOpen) {
            EXPECT_EQ(clients[1]->skin->GetElement(audio).picture(), c.audioReset ? off : before);
        }
        if (combine) {
            EXPECT_EQ(combine->skin->GetElement(audio).picture(), c.audioReset ? off : before);
        }
        RegisterWindows();
    }
}

// Disconnecting ends the recording mode, and so does steering a camera in
// motion mode; the slot's video window shows the buttons of "no recording
// mode" at once, also when an armed schedule or motion mode had no recording
// running (then no recording stop redraws them).
TEST_F(PanelSlotsTest, EndingTheRecordingModeGivesTheVideoWindowItsIdleButtons)
{
    enum Action { Disconnect, PanTilt };
    struct Case {
        Action action;
        int protocol;
        int mode;
        bool recording;
        int row;  // a button whose look depends on the recording mode
        int before, after;
    };
    using namespace viewbtn;
    const Case cases[] = {
        {Disconnect, 0, kRecordSchedule, false, kRotate, kGray, kNormal},
        {Disconnect, 0, kRecordMotion, false, kRotate, kGray, kNormal},
        {Disconnect, 4, kRecordSchedule, false, kRotate, kGray, kNormal},
        {Disconnect, 4, kRecordSchedule, false, kAudio, kGray, kLeave},
        {Disconnect, 0, kRecordSchedule, true, kRotate, kGray, kNormal},
        {Disconnect, 0, kRecordManual, true, kRotate, kGray, kNormal},
        {PanTilt, 0, kRecordMotion, false, kRotate, kGray, kNormal},
        {PanTilt, 0, kRecordMotion, true, kRotate, kGray, kNormal},
        {PanTilt, 4, kRecordMotion, true, kAudio, kGray, kLeave},
        {PanTilt, 0, kRecordSchedule, false, kRotate, kGray, kGray},  // steering keeps a schedule
    };
    // One look per cell of the rows that follow the recording mode.
    for (int row : {kColorCtl, kRotate, kAudio})
        for (int cell = kNormal; cell <= kNoAudio; ++cell)
            gViewBtn[static_cast<size_t>(row)].BtnStr[static_cast<size_t>(cell)] =
                QStringLiteral("BgColor %1 -").arg(row * 10 + cell);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "action " << c.action << " protocol " << c.protocol << " mode " << c.mode
                     << " recording " << c.recording << " row " << c.row);
        RegisterWindows();
        RegisterClientWindows(windows());  // the program's own video windows
        gCam[1] = CamInfo{};
        AssignSlot(1, c.protocol, true);
        gCam[1].RecordMode = c.mode;
        gCam[1].Recording = c.recording;
        gCurCam = 1;
        OpenPanel();
        auto* window = windows().Get<frmClient>(ClientWindowName(1));
        ASSERT_NE(window, nullptr);
        window->show();
        const auto shown = [&] {
            const BtnInfo& button = gViewBtn[static_cast<size_t>(c.row)];
            const QString look = window->SkinForm1()->GetElement(button.BtnName).picture();
            for (int cell = kNormal; cell <= kNoAudio; ++cell)
                if (look == button.BtnStr[static_cast<size_t>(cell)])
                    return cell;
            return -1;
        };
        ASSERT_EQ(shown(), c.before);

        if (c.action == Disconnect)
            Click(QStringLiteral("Connect"));
        else
            panel->SendPTCommand(1, ImageServer::kPtUp);

        EXPECT_EQ(gCam[1].Enable, c.action != Disconnect);
        const bool modeEnds = c.action == Disconnect || c.mode == kRecordMotion;
        EXPECT_EQ(gCam[1].RecordMode, modeEnds ? kRecordNone : c.mode);
        EXPECT_EQ(shown(), c.after);
    }
    RegisterWindows();
}

TEST_F(PanelSlotsTest, AdministratorCheckBeforeTheSetUpGroupOpens)
{
    struct Case {
        const char* what;
        int protocol;
        int checkIP, login, caps;
        QString adminId, adminPassword;
        bool cancel;
        // Expected.
        bool shown;  // the check dialog was shown
        bool opened;
        bool tail;
    };
    const Case cases[] = {
        {"identify fails", 0, 0, -1, -1, "", "", false, false, false, false},
        {"log-in fails", 0, -1, 0, -1, "", "", false, false, false, false},
        {"no administrator account", 0, -1, -1, -1, "", "", false, false, true, true},
        {"account, cancelled", 0, -1, -1, -1, "root", "pw", true, true, false, true},
        {"account, accepted", 0, -1, -1, -1, "root", "pw", false, true, true, true},
        {"other protocol, open caps", 2, -1, -1, -1, "", "", false, false, true, true},
        {"other protocol, closed caps, accepted", 2, -1, -1, 0, "", "", false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegisterWindows();
        RegisterCheck([&c](FakeCheckPasswordDialog& d) {
            d.server.checkIPResult = c.checkIP;
            d.server.loginTestResult = c.login;
            d.server.imageCapsResult = c.caps;
            d.server.configItems = {{40, c.adminId}, {41, c.adminPassword}};
            d.cancelAnswer = c.cancel;
        });
        gCam[1] = CamInfo{};
        AssignSlot(1, c.protocol);
        gCam[1].UserName = QStringLiteral("viewer");
        gCam[1].Password = QStringLiteral("pass");
        gProxyServerAddress = QStringLiteral("127.0.0.50");
        gProxyServerPort = 3128;
        gEnableProxy = true;
        gCurCam = 1;
        OpenPanel();
        gLanguage = QStringLiteral("DADODEZE");  // the pack's files keep their names
        OpenCombine();
        windows().Get(ClientWindowName(4));
        gExtInfo[0] = true;
        journal.Clear();

        Click(QStringLiteral("CamConf"));

        ASSERT_NE(check, nullptr);
        const FakeImageServer& server = check->server;
        EXPECT_EQ(server.ipAddressValue, QStringLiteral("127.0.0.2"));
        EXPECT_EQ(server.portValue, 8481);
        EXPECT_EQ(server.proxyAddress, QStringLiteral("127.0.0.50"));
        EXPECT_EQ(server.proxyPort, 3128);
        EXPECT_TRUE(server.enableProxy);
        if (c.protocol == 0) {
            EXPECT_EQ(server.protocolValue, 0);
            EXPECT_EQ(server.Args(ImageServer::Dispid::CheckIP), (QVariantList{0, true}));
            if (c.checkIP == -1) {
                EXPECT_EQ(server.selectedServer, -1);
                EXPECT_EQ(server.macAddressValue, server.identity.mac);
                // The camera's own account is used for the log-in test.
                EXPECT_EQ(server.userNameValue, QStringLiteral("viewer"));
            }
        } else {
            EXPECT_EQ(server.protocolValue, 1);
            EXPECT_EQ(server.userNameValue, QString());
            EXPECT_EQ(server.Count(ImageServer::Dispid::CheckIP), 0);
        }
        EXPECT_EQ(fake.busyDepth, 0);
        const QStringList shown = journal.With(QStringLiteral("check.ShowModal"));
        if (c.shown) {
            EXPECT_EQ(shown, QStringList{QStringLiteral("check.ShowModal mode %1 id %2 pw %3")
                                             .arg(c.protocol == 0 ? 0 : 1)
                                             .arg(c.adminId, c.adminPassword)});
        } else {
            EXPECT_TRUE(shown.isEmpty());
        }
        EXPECT_EQ(gCam[1].AdminVerified, c.opened);
        EXPECT_EQ(gCamCfgOpen, c.opened);
        EXPECT_EQ(journal.Has(QStringLiteral("combine.RefrushClrCtlBtn 1 while 1")), c.opened);
        EXPECT_EQ(journal.Has(QStringLiteral("client4.RefrushStatusBar")), c.tail);
        EXPECT_EQ(gExtInfo[0], !c.tail);
        EXPECT_FALSE(windows().IsLoaded(kCheckPasswordWindowName));
        check = nullptr;
    }
}

TEST_F(PanelSlotsTest, AVerifiedAdministratorTogglesAtOnce)
{
    RegisterCheck([](FakeCheckPasswordDialog&) {});
    AssignSlot(1);
    gCam[1].AdminVerified = true;
    OpenPanel();
    gLanguage = QStringLiteral("DADODEZE");
    Click(QStringLiteral("CamConf"));
    EXPECT_TRUE(gCamCfgOpen);
    EXPECT_EQ(check, nullptr);  // never loaded
    // Another language opens the group without any check.
    gLanguage = QStringLiteral("english");
    gCam[1].AdminVerified = false;
    Click(QStringLiteral("CamConf"));
    EXPECT_FALSE(gCamCfgOpen);
    EXPECT_EQ(check, nullptr);
}

TEST_F(PanelSlotsTest, AProbedCameraIsTakenIntoTheCurrentSlot)
{
    struct Case {
        int status;
        int protocol;
        int reportedPort;
        int port;  // expected in the slot
    };
    for (const Case& c : {Case{0, 0, 9000, 8481}, Case{-1, 0, 9000, 8481}, Case{-1, 1, 9000, 80},
                          Case{-1, 2, 9000, 9000}, Case{-1, 4, 7000, 7000}}) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " protocol " << c.protocol);
        RegisterWindows();
        AssignSlot(2);
        gCurCam = 2;
        OpenPanel();
        imageServer1->identity.protocol = c.protocol;
        imageServer1->identity.name = QStringLiteral("Probed");
        imageServer1->portValue = c.reportedPort;
        imageServer1->isLocalCameraValue = false;
        fake.messages.clear();
        journal.Clear();

        imageServer1->EmitEndCheckIP(c.status);

        const CamInfo& cam = gCam[2];
        if (c.status != -1) {
            ASSERT_EQ(fake.messages.size(), 1u);
            EXPECT_EQ(fake.messages[0].text, gLangCtrlMsg[0]);
            EXPECT_EQ(cam.ServerName, QStringLiteral("Camera 2"));
            EXPECT_FALSE(journal.Has(QStringLiteral("cam2.start")));
            continue;
        }
        EXPECT_TRUE(fake.messages.empty());
        EXPECT_EQ(imageServer1->selectedServer, -1);
        EXPECT_EQ(cam.Port, c.port);
        EXPECT_EQ(cam.Protocol, c.protocol);
        EXPECT_FALSE(cam.IsLocalCamera);
        EXPECT_EQ(cam.ServerName, QStringLiteral("Probed"));
        EXPECT_EQ(cam.MacAddress, imageServer1->identity.mac);
        EXPECT_EQ(cam.ServerModel, imageServer1->identity.model);
        EXPECT_EQ(cam.FWVersion, imageServer1->identity.fw);
        EXPECT_EQ(cam.HWVersion, imageServer1->identity.hw);
        EXPECT_EQ(cam.ROMVersion, imageServer1->identity.rom);
        EXPECT_EQ(cam.IPAddress, QStringLiteral("127.0.0.3"));  // the address is not taken
        EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("ServerName")),
                  QStringLiteral("Probed"));
        EXPECT_TRUE(journal.Has(c.protocol == 3 ? QStringLiteral("viewer2.start")
                                                : QStringLiteral("cam2.start")));
    }
}

}  // namespace
