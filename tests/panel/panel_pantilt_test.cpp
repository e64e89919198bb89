// Pan and tilt with the panel's own commands: when the operator is asked,
// what a command switches off and sends, and the hold repeat from the press
// to its end (release, leaving, a question box, the panel losing focus).
#include "panel_fixture.h"

#include "platform/image_server/image_server.h"

#include <QEvent>

namespace {

class PanelPanTiltTest : public PanelFixture {
protected:
    void SetUp() override
    {
        ownCommands = true;
        AssignSlot(1, 0, true);
        gCam[1].PT = true;
        OpenPanel();
    }
    QList<int> SentCodes()
    {
        QList<int> codes;
        for (const auto& call : cam(1).calls)
            if (call.id == ImageServer::Dispid::PTControl)
                codes << call.args.value(0).toInt();
        return codes;
    }
};

TEST_F(PanelPanTiltTest, ConfirmAsksOnlyWhileMotionHandlingIsOn)
{
    struct Case {
        int alarm, mail, mode;
        MsgResult answer;
        bool asked, goAhead;
    };
    const Case cases[] = {
        {0, 0, kRecordNone, MsgResult::No, false, true},
        {0, 0, kRecordManual, MsgResult::No, false, true},
        {0, 0, kRecordSchedule, MsgResult::No, false, true},
        {2, 0, kRecordNone, MsgResult::No, false, true},  // only 1 means "on"
        {1, 0, kRecordNone, MsgResult::Yes, true, true},
        {0, 1, kRecordNone, MsgResult::No, true, false},
        {0, 0, kRecordMotion, MsgResult::No, true, false},
        {1, 1, kRecordMotion, MsgResult::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alarm << " " << c.mail << " " << c.mode);
        gCam[1].Alarm = c.alarm;
        gCam[1].SendEmail = c.mail;
        gCam[1].RecordMode = c.mode;
        fake.messages.clear();
        fake.answers = {c.answer};
        panel->tmrBtnHold.start(500);
        Row(36).setStatePicture(Cell(36, 2));  // PT-U pressed
        EXPECT_EQ(panel->ConfirmPTControl(1), c.goAhead);
        ASSERT_EQ(fake.messages.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(fake.messages[0].text, gLangCtrlMsg[3]);
            EXPECT_EQ(fake.messages[0].buttons, MsgButtons::YesNo);
            EXPECT_EQ(fake.messages[0].icon, MsgIcon::Warning);
            // The question takes the mouse: no repeat, no button left pressed.
            EXPECT_FALSE(panel->tmrBtnHold.isActive());
            EXPECT_EQ(CellOf(36), 1);
        } else {
            EXPECT_TRUE(panel->tmrBtnHold.isActive());
        }
        // Asking changes nothing by itself.
        EXPECT_EQ(gCam[1].Alarm, c.alarm);
        EXPECT_EQ(gCam[1].RecordMode, c.mode);
    }
}

TEST_F(PanelPanTiltTest, ACommandSwitchesMotionHandlingOffAndSendsItsCode)
{
    frmMain& engine = Engine();
    gCam[1].Alarm = 1;
    gCam[1].SendEmail = 1;
    gCam[1].RecordMode = kRecordMotion;
    gCam[1].Recording = true;
    engine.Cam(1).setAlarmFlags(13);
    engine.WisViewer1(1).setAlarmFlags(13);
    engine.tmrMotion[1].start(10000);
    gLangRec[3] = QStringLiteral("Motion REC");
    panel->RefreshPanelText();
    ASSERT_TRUE(Line(5).contains(QStringLiteral("Motion REC")));

    panel->SendPTCommand(1, ImageServer::kPtRight);
    EXPECT_EQ(SentCodes(), QList<int>{ImageServer::kPtRight});
    EXPECT_EQ(gCam[1].Alarm, 0);
    EXPECT_EQ(gCam[1].SendEmail, 0);
    EXPECT_EQ(engine.Cam(1).alarmFlags(), 0);
    EXPECT_EQ(engine.WisViewer1(1).alarmFlags(), 0);
    EXPECT_FALSE(engine.tmrMotion[1].isActive());
    EXPECT_EQ(gCam[1].RecordMode, kRecordNone);
    EXPECT_TRUE(journal.Has(QStringLiteral("cam1.recordStop")));
    EXPECT_FALSE(Line(5).contains(QStringLiteral("Motion REC")));  // the panel text follows

    // A manual recording is not motion handling: it goes on.
    journal.Clear();
    gCam[1].RecordMode = kRecordManual;
    gCam[1].Recording = true;
    panel->SendPTCommand(1, ImageServer::kPtUp);
    EXPECT_EQ(gCam[1].RecordMode, kRecordManual);
    EXPECT_FALSE(journal.Has(QStringLiteral("cam1.recordStop")));
    EXPECT_EQ(SentCodes().size(), 2);

    // Nothing goes out for an empty slot, during the scan tour or for another slot.
    gCam[1].Recording = false;
    gScanMode = true;
    panel->SendPTCommand(1, ImageServer::kPtUp);
    gScanMode = false;
    panel->SendPTCommand(2, ImageServer::kPtUp);
    gCam[1].Assign = false;
    panel->SendPTCommand(1, ImageServer::kPtUp);
    EXPECT_EQ(SentCodes().size(), 2);
}

TEST_F(PanelPanTiltTest, HoldingADirectionRepeatsItsCodeUntilTheHoldEnds)
{
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"release", [this] { Up(QStringLiteral("PT-R")); }},
        {"leave", [this] { Out(QStringLiteral("PT-R")); }},
        {"focus lost",
         [this] {
             ASSERT_FALSE(panel->isActiveWindow());
             QEvent change(QEvent::ActivationChange);
             QCoreApplication::sendEvent(panel, &change);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cam(1).calls.clear();
        In(QStringLiteral("PT-R"));
        Down(QStringLiteral("PT-R"));
        EXPECT_EQ(SentCodes(), QList<int>{5});
        // The timer is the clock: its first tick comes 500 ms after the press,
        // each later one 50 ms after the previous.
        ASSERT_TRUE(panel->tmrBtnHold.isActive());
        EXPECT_EQ(panel->tmrBtnHold.interval(), 500);
        QMetaObject::invokeMethod(&panel->tmrBtnHold, "timeout");
        EXPECT_EQ(panel->tmrBtnHold.interval(), 50);
        QMetaObject::invokeMethod(&panel->tmrBtnHold, "timeout");
        QMetaObject::invokeMethod(&panel->tmrBtnHold, "timeout");
        EXPECT_EQ(SentCodes(), (QList<int>{5, 5, 5, 5}));
        c.end();
        EXPECT_FALSE(panel->tmrBtnHold.isActive());
        Up(QStringLiteral("PT-R"));
        Out(QStringLiteral("PT-R"));
    }
}

TEST_F(PanelPanTiltTest, AfterTheQuestionTheCommandGoesOutOnceAndTheNextPressDoesNotAsk)
{
    gCam[1].Alarm = 1;
    fake.answers = {MsgResult::Yes};
    Down(QStringLiteral("PT-D"));
    EXPECT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(SentCodes(), (QList<int>{7, 7}));  // the down button sends twice per press
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
    EXPECT_EQ(gCam[1].Alarm, 0);
    Up(QStringLiteral("PT-D"));

    Down(QStringLiteral("PT-D"));
    EXPECT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(panel->tmrBtnHold.isActive());
    Up(QStringLiteral("PT-D"));

    // Answering No sends nothing and changes nothing.
    cam(1).calls.clear();
    gCam[1].SendEmail = 1;
    fake.answers = {MsgResult::No};
    Down(QStringLiteral("PT-L"));
    EXPECT_TRUE(SentCodes().isEmpty());
    EXPECT_EQ(gCam[1].SendEmail, 1);
    EXPECT_FALSE(panel->tmrBtnHold.isActive());
}

TEST_F(PanelPanTiltTest, ThePadIsAvailableWithThePanelsOwnCommands)
{
    for (int row = frmController::kRowPtFirst; row <= frmController::kRowPtGroup; ++row) {
        EXPECT_EQ(CellOf(row), 1) << row;
        EXPECT_EQ(Row(row).toolTip(), Cell(row, 7)) << row;
    }
}

}  // namespace
