// Motion: the indication and its reset, recording while motion lasts with
// the hold, the motion-recording flag bit, and the viewer's mail requests.
#include "engine_fixture.h"

#include <QFile>
#include <QTest>

namespace {

constexpr int kMotionLed1 = 2;  // slot 1's motion LED

class MotionTest : public EngineFixture {
protected:
    MotionTest()
    {
        fake.clock = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0));
        Assign(1, 0, true);
    }
    int Count(const QStringList& events, const char* text) const
    {
        return static_cast<int>(events.count(QLatin1String(text)));
    }
};

TEST_F(MotionTest, ABurstOfMotionMakesOneRecordingHeldFromTheLastEvent)
{
    gCam[1].RecordMode = 3;
    const QDateTime start = fake.clock;
    for (int s = 0; s < 10; ++s) {
        fake.clock = start.addSecs(s);
        engine.tmrMotionLed_Timer();
        engine.Cam_Notify(1, 6);
        ASSERT_TRUE(gCam[1].Recording);
        // The hold runs from this event.
        EXPECT_TRUE(engine.tmrMotion[1].isActive());
        EXPECT_GT(engine.tmrMotion[1].remainingTime(), 9000);
    }
    const QStringList events = Events(1);
    EXPECT_EQ(Count(events, "E15"), 1);  // one recording
    // Shown again each time the indication had been cleared (2 s after it began).
    EXPECT_EQ(Count(events, "E6"), 5);
    EXPECT_EQ(cam(1).Count(CamId::RecordStart), 1);
    EXPECT_EQ(gCam[1].RecordType, 3);

    engine.tmrMotion_Timer(1);  // the hold runs out
    EXPECT_FALSE(gCam[1].Recording);
    EXPECT_FALSE(engine.tmrMotion[1].isActive());
    EXPECT_EQ(Events(1).last(), QStringLiteral("E16"));
}

TEST_F(MotionTest, ASingleEventRecordsForTheHoldAndStops)
{
    gCam[1].RecordMode = 3;
    engine.tmrMotion[1].setInterval(100);  // a short hold, run by the event loop
    emit cam(1).Notify(6);
    ASSERT_TRUE(gCam[1].Recording);
    EXPECT_TRUE(QTest::qWaitFor([] { return !gCam[1].Recording; }, 5000));
    EXPECT_EQ(Events(1), (QStringList{"E6", "E15", "E16"}));
}

TEST_F(MotionTest, OutsideMotionModeMotionIsOnlyShown)
{
    gWinOpen[0] = true;
    windows.Client(1);
    for (const int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        gCam[1].RecordMode = mode;
        gCam[1].MotionFlag = false;
        journal.Clear();
        engine.MotionDetected(1);
        EXPECT_FALSE(gCam[1].Recording);
        EXPECT_TRUE(windows.panel.leds[kMotionLed1]);
        EXPECT_TRUE(journal.Has(QStringLiteral("client1.ShowMotionText true")));
        EXPECT_FALSE(engine.tmrMotion[1].isActive());
    }
    EXPECT_EQ(Events(1), (QStringList{"E6", "E6", "E6"}));
    EXPECT_EQ(cam(1).Count(CamId::RecordStart), 0);
}

TEST_F(MotionTest, WithoutStorageEachEventTriesAgain)
{
    gCam[1].RecordMode = 3;
    cam(1).storageReadyValue = false;
    gStorageCount = 0;
    engine.MotionDetected(1);
    engine.MotionDetected(1);
    EXPECT_FALSE(gCam[1].Recording);
    EXPECT_FALSE(engine.tmrMotion[1].isActive());
    EXPECT_EQ(Events(1), (QStringList{"E6", "E8", "E8"}));
}

TEST_F(MotionTest, TheIndicationClearsAfterTwoWholeSeconds)
{
    gWinOpen[0] = true;
    windows.Client(1);
    fake.clock = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0, 900));
    engine.MotionDetected(1);
    struct Tick {
        QTime at;
        bool shown;
    };
    // Whole seconds as a clock counts them: 10:00:00.900 to 10:00:02.000 is 2.
    for (const Tick& t : {Tick{QTime(10, 0, 1, 999), true}, Tick{QTime(10, 0, 2, 0), false}}) {
        SCOPED_TRACE(t.at.toString().toStdString());
        fake.clock.setTime(t.at);
        engine.tmrMotionLed_Timer();
        EXPECT_EQ(gCam[1].MotionFlag, t.shown);
        EXPECT_EQ(windows.panel.leds[kMotionLed1], t.shown);
    }
    EXPECT_TRUE(journal.Has(QStringLiteral("client1.ShowMotionText false")));
}

TEST_F(MotionTest, TheMotionRecordingBitIsSwitchedOnTheObjectOfTheProtocol)
{
    for (const int protocol : {0, 3}) {
        SCOPED_TRACE(protocol);
        Assign(2, protocol, true);
        cam(2).alarmFlagsValue = 5;
        viewer(2).alarmFlagsValue = 1;
        const int before = protocol == 3 ? 1 : 5;
        int& changed = protocol == 3 ? viewer(2).alarmFlagsValue : cam(2).alarmFlagsValue;
        const int& untouched = protocol == 3 ? cam(2).alarmFlagsValue : viewer(2).alarmFlagsValue;
        const int untouchedBefore = untouched;

        engine.Start_MotionStart(2);
        EXPECT_EQ(changed, before | 8);
        engine.tmrMotion[2].start();
        engine.Stop_MotionStart(2);
        EXPECT_EQ(changed, before);
        EXPECT_FALSE(engine.tmrMotion[2].isActive());  // the hold is cancelled
        EXPECT_EQ(untouched, untouchedBefore);
    }
}

TEST_F(MotionTest, TheHoldRunningOutRefreshesTheScanAndTheSlotsWindow)
{
    gCam[1].RecordMode = 3;
    engine.MotionDetected(1);
    windows.Client(1);
    gScanMode = true;
    windows.ScanWindow();
    journal.Clear();
    engine.tmrMotion_Timer(1);
    EXPECT_LT(journal.IndexOf(QStringLiteral("scan.RefrushStatusBar 1")),
              journal.IndexOf(QStringLiteral("cam1.recordStop")));
    EXPECT_TRUE(journal.Has(QStringLiteral("client1.RefrushStatusBar")));
    gScanMode = false;
}

class MotionMailTest : public MotionTest {
protected:
    MotionMailTest()
    {
        Assign(3, 3, true);
        gCam[3].SendEmail = 1;
        gCam[3].MailIntervalTime = 5;
    }
    static void SetPicture(bool there)
    {
        QFile picture(frmMain::MailPictureFile(3));
        if (there)
            EXPECT_TRUE(picture.open(QIODevice::WriteOnly));
        else
            picture.remove();
    }
};

TEST_F(MotionMailTest, AViewerMailRequestIsSentOncePerInterval)
{
    struct Case {
        const char* name;
        QDateTime last;
        QDateTime request;
        int sendEmail;
        bool pictureThere;
        bool sent;
        bool intervalRestarted;
    };
    const QDateTime t0(QDate(2026, 12, 7), QTime(10, 0, 0));
    const QDateTime late(QDate(2026, 12, 7), QTime(23, 59, 58));
    const Case cases[] = {
        {"4 s after the last", t0, t0.addSecs(4), 1, true, false, false},
        {"5 s after the last", t0, t0.addSecs(5), 1, true, true, true},
        {"over midnight", late, late.addSecs(6), 1, true, true, true},
        {"days later", t0, t0.addDays(3), 1, true, true, true},
        {"picture missing", t0, t0.addSecs(5), 1, false, false, true},
        {"mail off", t0, t0.addSecs(60), 0, true, false, false},
        {"clock set back", t0, t0.addSecs(-3600), 1, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetPicture(c.pictureThere);
        gCam[3].SendEmail = c.sendEmail;
        gCam[3].LastMailTime = c.last;
        fake.clock = c.request;
        const int before = cam(3).Count(CamId::SendMail);
        emit viewer(3).MotionMail();
        EXPECT_EQ(cam(3).Count(CamId::SendMail) - before, c.sent ? 1 : 0);
        EXPECT_EQ(gCam[3].LastMailTime, c.intervalRestarted ? c.request : c.last);
    }
}

}  // namespace
