// The engine's reaction to every status code of a camera object, raised as
// the object raises it (its Notify signal), with the panel open and closed.
#include "engine_fixture.h"

#include <QCoreApplication>
#include <QFile>

namespace {

class StatusEventsTest : public EngineFixture {
protected:
    // Slot 2: a running protocol-0 camera that records.
    void Running()
    {
        Assign(2, 0, true);
        gCam[2].Recording = true;
        cam(2).storageReadyValue = true;
        cam(2).running = true;
    }
};

TEST_F(StatusEventsTest, EveryCodeWithThePanelOpenAndClosed)
{
    struct Case {
        int code;
        QStringList events;
        bool recording;  // afterwards
        bool enabled;
        QStringList panel;  // panel calls, when it is open
        int recordStops;
        int recordStarts;
        bool streamStopped;
        int boxes;
    };
    const QStringList stopped{"panel.LedControl 4 off", "panel.RefreshPanelText",
                              "panel.LedControl 6 off", "panel.RefreshPanelText"};
    const Case cases[] = {
        {0, {}, false, true, {"panel.LedControl 4 off", "panel.RefreshPanelText"}, 0, 0, false, 0},
        {1, {"E3"}, true, true, {}, 0, 0, false, 0},
        {2,
         {"E4"},
         true,
         true,
         {"panel.RefreshPanelText", "panel.LedControl 6 on"},
         0,
         0,
         false,
         0},
        {3, {"E5", "E16", "E2"}, false, false, stopped, 1, 0, true, 0},
        {11,
         {"E8", "E16"},
         false,
         true,
         {"panel.LedControl 4 off", "panel.RefreshPanelText", "panel.RefreshPanelText"},
         1,
         0,
         false,
         0},
        {12, {}, true, true, {"panel.RefreshPanelText"}, 0, 1, false, 0},
        {14, {}, true, true, {"panel.RefreshPanelText"}, 0, 1, false, 0},
        // Before any picture: the camera cannot be reached (yet); reconnecting.
        {15,
         {"E5"},
         true,
         true,
         {"panel.LedControl 6 off", "panel.RefreshPanelText"},
         0,
         0,
         false,
         0},
        {17, {"E10"}, true, true, {}, 0, 0, false, 0},
        {19, {"E11"}, true, true, {}, 0, 0, false, 0},
        {20, {"E12"}, true, true, {}, 0, 0, false, 0},
        {21, {"E13"}, true, true, {}, 0, 0, false, 0},
        {22, {"E14", "E16", "E2"}, false, false, stopped, 1, 0, true, 0},
        {25, {}, true, true, {}, 0, 0, false, 0},
        {51, {}, true, true, {"panel.ChkBtnStatus ", "panel.StopBtnHold"}, 0, 0, false, 1},
        {1000,
         {"E17"},
         true,
         true,
         {"panel.LedControl 6 off", "panel.RefreshPanelText"},
         0,
         0,
         false,
         0},
    };
    for (const bool panelOpen : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << "code " << c.code << (panelOpen ? " open" : " closed"));
            Journal j;
            FakeEngineWindows w{j};
            FakeEngineControls ctl{j};
            frmMain e{w, ctl};
            Assign(2, 0, true);
            gCam[2].Recording = true;
            ctl.cams[2]->storageReadyValue = true;
            ctl.cams[2]->running = true;
            gWinOpen[kWinOpenPanel] = panelOpen;
            fake.messages.clear();

            ctl.cams[2]->EmitNotify(c.code);
            QCoreApplication::processEvents();  // a box comes after the handler

            QStringList events;
            for (int i = 1; i < e.List1(2).size(); i += 2)
                events << e.List1(2)[i].trimmed();
            EXPECT_EQ(events, c.events);
            EXPECT_EQ(gCam[2].Recording, c.recording);
            EXPECT_EQ(gCam[2].Enable, c.enabled);
            QStringList panel = j.With(QStringLiteral("panel."));
            EXPECT_EQ(panel, panelOpen ? c.panel : QStringList());
            EXPECT_EQ(ctl.cams[2]->Count(CamId::RecordStop), c.recordStops);
            EXPECT_EQ(ctl.cams[2]->Count(CamId::RecordStart), c.recordStarts);
            EXPECT_EQ(ctl.cams[2]->Count(CamId::Stop), c.streamStopped ? 1 : 0);
            const int boxes = panelOpen ? c.boxes : 0;
            ASSERT_EQ(static_cast<int>(fake.messages.size()), boxes);
            if (boxes) {
                EXPECT_EQ(fake.messages[0].text, QStringLiteral("E5"));
                EXPECT_EQ(fake.messages[0].icon, MsgIcon::Warning);
                EXPECT_EQ(fake.messages[0].title, gAppTitle);
            }
            for (int other : {1, 3, 4})
                EXPECT_TRUE(e.List1(other).isEmpty());
            gWinOpen.fill(false);
        }
    }
}

// A running slot is on line while pictures come: codes 15 and 1000 say they
// stopped (the LED goes dark, the lines say it is reconnecting, the loss is
// logged once), code 2 says they came back. The viewer of a protocol-3 slot
// reports the same way.
TEST_F(StatusEventsTest, ASlotIsOnLineOnlyWhilePicturesCome)
{
    struct Step {
        int code;
        bool reconnecting;   // afterwards
        QStringList events;  // logged by this step
        QStringList panel;   // panel calls of this step
    };
    struct Case {
        const char* name;
        int protocol;
        bool enabled;
        std::vector<Step> steps;
    };
    const QStringList down{"panel.LedControl 6 off", "panel.RefreshPanelText"};
    const QStringList up{"panel.RefreshPanelText", "panel.LedControl 6 on"};
    const std::vector<Step> lossAndReturn{{2, false, {"E4"}, up},      {15, true, {"E9"}, down},
                                          {15, true, {}, {}},          {1000, true, {}, {}},
                                          {2, false, {"E4"}, up},      {25, false, {}, {}},
                                          {1000, true, {"E17"}, down}, {2, false, {"E4"}, up}};
    const Case cases[] = {
        {"image server", 0, true, lossAndReturn},
        {"viewer", 3, true, lossAndReturn},
        {"never a picture", 0, true, {{15, true, {"E5"}, down}, {1000, true, {}, {}}}},
        {"stalled from the start", 0, true, {{1000, true, {"E17"}, down}}},
        {"stopped slot", 0, false, {{15, false, {}, {}}, {1000, false, {}, {}}}},
    };
    gLangOnLine = QStringLiteral("on");
    gLangOffLine = QStringLiteral("off");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls ctl{j};
        frmMain e{w, ctl};
        gCam[2] = CamInfo{};
        Assign(2, c.protocol, c.enabled);
        gWinOpen[kWinOpenPanel] = true;
        w.Client(2);
        int logged = 0;
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.code);
            j.Clear();
            if (c.protocol == 3)
                ctl.viewers[2]->EmitNotify(s.code);
            else
                ctl.cams[2]->EmitNotify(s.code);
            EXPECT_EQ(gCam[2].Reconnecting, s.reconnecting);
            EXPECT_EQ(ConnectionText(gCam[2]), !c.enabled       ? gLangOffLine
                                               : s.reconnecting ? gLangReconnecting
                                                                : gLangOnLine);
            QStringList events;
            for (int i = 2 * logged + 1; i < e.List1(2).size(); i += 2)
                events << e.List1(2)[i].trimmed();
            logged = static_cast<int>(e.List1(2).size()) / 2;
            EXPECT_EQ(events, s.events);
            EXPECT_EQ(j.With(QStringLiteral("panel.")), s.panel);
            // The open windows show it whenever the state changes.
            EXPECT_EQ(j.Has(QStringLiteral("client2.RefrushStatusBar")), !s.panel.isEmpty());
        }
        gWinOpen.fill(false);
    }
}

// Every start and stop begins from "on line": a start waits for the stream's
// word, a stopped slot is off line.
TEST_F(StatusEventsTest, StartAndStopEndAReconnection)
{
    Running();
    gWinOpen[kWinOpenPanel] = true;
    cam(2).EmitNotify(15);
    ASSERT_TRUE(gCam[2].Reconnecting);
    engine.CamStop(2);
    EXPECT_FALSE(gCam[2].Reconnecting);
    EXPECT_EQ(ConnectionText(gCam[2]), gLangOffLine);
    engine.CamStart(2);
    EXPECT_FALSE(gCam[2].Reconnecting);
    EXPECT_TRUE(journal.Has(QStringLiteral("panel.LedControl 6 on")));
    // The new stream has brought no picture yet: a first failure cannot be reached.
    cam(2).EmitNotify(15);
    EXPECT_EQ(Events(2).last(), QStringLiteral("E5"));
}

TEST_F(StatusEventsTest, CodesWithoutAReactionDoNothing)
{
    Running();
    gWinOpen[kWinOpenPanel] = true;
    for (const int code :
         {4, 5, 7, 8, 9, 10, 13, 16, 18, 23, 24, 26, 27, 40, 50, 52, 500, 999, 1001, -1, -51}) {
        cam(2).EmitNotify(code);
    }
    EXPECT_TRUE(engine.List1(2).isEmpty());
    EXPECT_TRUE(journal.entries.isEmpty()) << journal.entries.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(gCam[2].Recording);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(StatusEventsTest, TheConnectionAfterARestartIsNotLoggedOnce)
{
    Running();
    gWinOpen[kWinOpenPanel] = true;
    gStreamRestarted[1] = true;
    cam(2).EmitNotify(2);
    EXPECT_TRUE(Events(2).isEmpty());
    EXPECT_TRUE(journal.Has(QStringLiteral("panel.LedControl 6 on")));
    EXPECT_FALSE(gStreamRestarted[1]);
    // A later real reconnection is logged again.
    cam(2).EmitNotify(2);
    EXPECT_EQ(Events(2), QStringList({"E4"}));
}

TEST_F(StatusEventsTest, ASplitWithoutStorageStopsWithNoStorageOnly)
{
    Running();
    gStorageCount = 0;
    for (const int code : {12, 14}) {
        gCam[2].Recording = true;
        cam(2).storageReadyValue = false;
        cam(2).calls.clear();
        cam(2).EmitNotify(code);
        EXPECT_FALSE(gCam[2].Recording);
        EXPECT_EQ(cam(2).Count(CamId::RecordStart), 0);
        EXPECT_EQ(cam(2).Count(CamId::RecordStop), 1);
    }
    EXPECT_EQ(Events(2), QStringList({"E7", "E7"}));

    // After the stop a late split neither logs nor starts.
    cam(2).storageReadyValue = true;
    cam(2).calls.clear();
    cam(2).EmitNotify(12);
    EXPECT_EQ(cam(2).Count(CamId::RecordStart), 0);
    EXPECT_EQ(cam(2).Count(CamId::RecordStop), 1);
    EXPECT_EQ(Events(2).size(), 2);
}

TEST_F(StatusEventsTest, ASentMailDeletesItsPicture)
{
    Running();
    const QString picture = frmMain::MailPictureFile(2);
    QFile f(picture);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("jpeg");
    f.close();
    cam(2).EmitNotify(19);
    EXPECT_FALSE(QFile::exists(picture));
    cam(2).EmitNotify(19);  // nothing to delete: only logged
    EXPECT_EQ(Events(2), QStringList({"E11", "E11"}));
}

TEST_F(StatusEventsTest, AReconnectionEnablesAStoppedSlot)
{
    Assign(2, 0, false);
    gWinOpen[kWinOpenPanel] = true;
    cam(2).EmitNotify(25);
    EXPECT_TRUE(gCam[2].Enable);
    EXPECT_TRUE(journal.entries.isEmpty());
}

TEST_F(StatusEventsTest, AFailingControlEndsTheHandlerQuietly)
{
    Running();
    cam(2).throwOn.insert(CamId::RecordStop);
    cam(2).EmitNotify(3);
    EXPECT_EQ(Events(2), QStringList({"E5"}));
    EXPECT_TRUE(gCam[2].Enable);  // the stream stop was not reached
    EXPECT_EQ(cam(2).Count(CamId::Stop), 0);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(StatusEventsTest, EventsAreHandledOneAtATime)
{
    Running();
    gWinOpen[kWinOpenPanel] = true;
    // The stream stop fails: its error box opens inside the handler of code 3.
    cam(2).throwOn.insert(CamId::Stop);
    QStringList eventsWhileOpen;
    fake.onMsgBox = [&](const ShownMessage&) {
        // While the box is open the cameras report more.
        cam(2).EmitNotify(1);
        cam(3).EmitNotify(17);
        eventsWhileOpen = Events(2) + Events(3);
    };
    cam(2).EmitNotify(3);
    fake.onMsgBox = nullptr;
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error CamStop function"));
    EXPECT_EQ(eventsWhileOpen, QStringList({"E5", "E16"}));
    // Handled in order once the first handler had ended.
    EXPECT_EQ(Events(2), QStringList({"E5", "E16", "E3"}));
    EXPECT_EQ(Events(3), QStringList({"E10"}));
}

TEST_F(StatusEventsTest, RefusalBoxesComeAfterTheHandlerAndDoNotPileUp)
{
    Running();
    gWinOpen[kWinOpenPanel] = true;
    QStringList eventsWhileOpen;
    fake.onMsgBox = [&](const ShownMessage&) {
        // While the box is open the cameras' events are handled at once.
        cam(2).EmitNotify(51);
        cam(2).EmitNotify(1);
        eventsWhileOpen = Events(2);
    };
    cam(2).EmitNotify(51);
    cam(2).EmitNotify(51);  // before the box shows: none added
    EXPECT_TRUE(fake.messages.empty());
    QCoreApplication::processEvents();
    fake.onMsgBox = nullptr;
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(eventsWhileOpen, QStringList({"E3"}));
    EXPECT_EQ(journal.With(QStringLiteral("panel.StopBtnHold")).size(), 1);

    // A later refusal shows its box again.
    cam(2).EmitNotify(51);
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.messages.size(), 2u);
}

TEST_F(StatusEventsTest, TheEngineIgnoresEventsOnceItHasUnloaded)
{
    Running();
    engine.Form_Unload();
    const qsizetype before = journal.entries.size();
    cam(2).EmitNotify(3);
    cam(2).EmitNotify(12);
    viewer(2).EmitRecordSplit();
    EXPECT_EQ(journal.entries.size(), before);
}

}  // namespace
