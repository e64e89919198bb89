// Starting and stopping recordings, the viewer's file split and the frame
// delay, with fake camera objects and windows.
#include "engine_fixture.h"

namespace {

class RecordingTest : public EngineFixture {
protected:
    RecordingTest()
    {
        gStorageCount = 0;  // only a ready camera can record
        gUseRecycleFlag = 0;
    }
    // Start values for every global, with the fixture's event texts.
    static void ResetGlobals()
    {
        InitGlobalVariable();
        for (int k = 0; k < 17; ++k)
            gLangEvent[k] = QStringLiteral("E%1").arg(k + 1);
        gStorageCount = 0;
        gIntervalEnabled = false;
    }
};

enum class Slot { Unassigned, Stopped, Recording, StorageOk, NoStorage };

TEST_F(RecordingTest, StartRecordByStateWithThePanelOpenAndClosed)
{
    struct Case {
        Slot slot;
        bool result;
        QStringList events;
        bool recordStarted;
    };
    const Case cases[] = {
        {Slot::Unassigned, false, {}, false},    {Slot::Stopped, true, {"E1", "E15"}, true},
        {Slot::Recording, false, {}, false},     {Slot::StorageOk, true, {"E15"}, true},
        {Slot::NoStorage, false, {"E7"}, false},
    };
    for (const bool panelOpen : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "slot state " << static_cast<int>(c.slot)
                                            << (panelOpen ? " panel open" : " panel closed"));
            ResetGlobals();
            gIntervalEnabled = true;
            gWinOpen[kWinOpenPanel] = panelOpen;
            Journal j;
            FakeEngineWindows w{j};
            FakeEngineControls ctl{j};
            frmMain e{w, ctl};
            if (c.slot != Slot::Unassigned)
                Assign(3, 0, c.slot != Slot::Stopped);
            gCam[3].Recording = c.slot == Slot::Recording;
            gCam[3].RecordType = 1;
            ctl.cams[3]->storageReadyValue = c.slot != Slot::NoStorage;
            bool recordingAtStart = false;
            qsizetype eventsAtStart = -1;
            ctl.cams[3]->onRecordStart = [&] {
                recordingAtStart = gCam[3].Recording;
                eventsAtStart = e.List1(3).size();
            };
            fake.sleeps.clear();

            EXPECT_EQ(e.StartRecord(3, 2), c.result);

            QStringList events;
            for (int i = 1; i < e.List1(3).size(); i += 2)
                events << e.List1(3)[i].trimmed();
            EXPECT_EQ(events, c.events);
            EXPECT_EQ(j.Has(QStringLiteral("cam3.recordStart")), c.recordStarted);
            EXPECT_EQ(gCam[3].Recording, c.slot == Slot::Recording || c.recordStarted);
            if (c.recordStarted) {
                // Logged and flagged before the control is asked.
                EXPECT_TRUE(recordingAtStart);
                EXPECT_EQ(eventsAtStart, e.List1(3).size());
                EXPECT_EQ(fake.sleeps.back(), 200);
                EXPECT_EQ(gCam[3].RecordType, 2);  // also with the panel closed
            } else {
                EXPECT_EQ(gCam[3].RecordType, 1);
            }
            if (c.slot == Slot::Stopped) {
                // The stream is started before the storage is asked.
                ASSERT_GE(ctl.cams[3]->IndexOf(CamId::StorageReady), 0);
                EXPECT_LT(ctl.cams[3]->IndexOf(CamId::Start),
                          ctl.cams[3]->IndexOf(CamId::StorageReady));
            }
            const bool ledOn = panelOpen && c.recordStarted;
            const bool ledOff = panelOpen && c.slot == Slot::NoStorage;
            EXPECT_EQ(j.Has(QStringLiteral("panel.LedControl 7 on")), ledOn);
            EXPECT_EQ(j.Has(QStringLiteral("panel.LedControl 7 off")), ledOff);
            EXPECT_EQ(j.Has(QStringLiteral("panel.RefreshPanelText")), ledOn || ledOff);
            // Always: the frame delay is retuned (on all four) and the status refreshed.
            for (int n = 1; n <= 4; ++n)
                EXPECT_GE(ctl.cams[n]->Count(CamId::FrameDelay), 1) << n;
        }
    }
}

TEST_F(RecordingTest, TheRecordingKindIsKeptOnlyForKnownModes)
{
    Assign(1, 0, true);
    for (const int mode : {0, 4, 3, 1}) {
        gCam[1].Recording = false;
        gCam[1].RecordType = 2;
        ASSERT_TRUE(engine.StartRecord(1, mode));
        EXPECT_EQ(gCam[1].RecordType, mode >= 1 && mode <= 3 ? mode : 2) << mode;
    }
}

TEST_F(RecordingTest, AProtocol3SlotRecordsThroughItsViewer)
{
    Assign(2, 3, true);
    cam(2).storageReadyValue = true;
    EXPECT_TRUE(engine.StartRecord(2, 1));
    EXPECT_EQ(viewer(2).Count(ViewerId::RecordStart), 1);
    EXPECT_EQ(cam(2).Count(CamId::RecordStart), 0);
    engine.StopRecord(2);
    EXPECT_EQ(viewer(2).Count(ViewerId::RecordStop), 1);
    EXPECT_EQ(cam(2).Count(CamId::RecordStop), 0);
    EXPECT_EQ(Events(2), QStringList({"E15", "E16"}));
}

TEST_F(RecordingTest, StopRecordRefreshesEverythingEvenWhenTheSlotDoesNotRecord)
{
    struct Case {
        bool recording;
        bool panel;
        bool window;
        bool combine;
        QString grayed;  // where the record buttons are refreshed
    };
    const Case cases[] = {
        {false, true, true, true, "client1.RecordGrayBTN"},
        {true, true, false, true, "combine.RecordGrayBTN 1"},
        {false, false, false, false, ""},
        {true, false, true, false, "client1.RecordGrayBTN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.recording << c.panel << c.window << c.combine);
        ResetGlobals();
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls ctl{j};
        frmMain e{w, ctl};
        Assign(1, 0, true);
        gCam[1].Recording = c.recording;
        gWinOpen[kWinOpenPanel] = c.panel;
        if (c.window)
            w.Client(1);
        gWinOpen[kWinOpenCombine] = c.combine;
        j.Clear();

        e.StopRecord(1);

        EXPECT_EQ(ctl.cams[1]->Count(CamId::RecordStop), 1);
        EXPECT_EQ(e.List1(1).size(), c.recording ? 2 : 0);
        EXPECT_FALSE(gCam[1].Recording);
        EXPECT_EQ(j.Has(QStringLiteral("panel.LedControl 1 off")), c.panel);
        EXPECT_EQ(j.Has(QStringLiteral("panel.RefreshPanelText")), c.panel);
        QStringList grayed = j.With(QStringLiteral("client1.RecordGrayBTN"))
                             + j.With(QStringLiteral("combine.RecordGrayBTN"));
        EXPECT_EQ(grayed, c.grayed.isEmpty() ? QStringList() : QStringList{c.grayed});
        EXPECT_EQ(j.Has(QStringLiteral("client1.RefrushStatusBar")), c.window);
        gWinOpen.fill(false);
    }
}

TEST_F(RecordingTest, TheViewersSplitGoesOnInANewFileOrStops)
{
    Assign(2, 3, true);
    gCam[2].Recording = true;
    gWinOpen[kWinOpenPanel] = true;
    cam(2).storageReadyValue = true;
    viewer(2).EmitRecordSplit();
    EXPECT_EQ(journal.With(QStringLiteral("viewer2.record")),
              QStringList({"viewer2.recordStop", "viewer2.recordStart"}));
    EXPECT_TRUE(gCam[2].Recording);
    EXPECT_TRUE(Events(2).isEmpty());

    // No storage left: "no storage", stopped, and no second stop text.
    journal.Clear();
    cam(2).storageReadyValue = false;
    viewer(2).EmitRecordSplit();
    EXPECT_EQ(journal.With(QStringLiteral("viewer2.record")),
              QStringList({"viewer2.recordStop", "viewer2.recordStop"}));
    EXPECT_FALSE(gCam[2].Recording);
    EXPECT_EQ(Events(2), QStringList({"E7"}));
    EXPECT_TRUE(journal.Has(QStringLiteral("panel.LedControl 4 off")));

    // A split that arrives after the stop does not start the recording again.
    journal.Clear();
    cam(2).storageReadyValue = true;
    viewer(2).EmitRecordSplit();
    EXPECT_EQ(journal.With(QStringLiteral("viewer2.record")), QStringList({"viewer2.recordStop"}));
    EXPECT_FALSE(gCam[2].Recording);
}

TEST_F(RecordingTest, TheFrameDelayFollowsRunningAndRecordingSlots)
{
    struct Case {
        int running;
        int recording;
        qint16 level;
        int delay;
    };
    const Case cases[] = {
        {2, 1, 6, 70},  {2, 1, 15, 20}, {4, 0, 17, 0},  {1, 0, 7, 20},
        {3, 2, 14, 70}, {0, 0, 6, 0},   {4, 4, 6, 190}, {4, 1, frmMain::kProcessorLevel, 10},
    };
    gIntervalEnabled = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.running << " " << c.recording << " " << c.level);
        for (int n = 1; n <= 4; ++n) {
            gCam[n] = CamInfo{};
            gCam[n].Assign = true;
            gCam[n].Enable = n <= c.running;
            gCam[n].Recording = n <= c.recording;
        }
        gSysInfo.wProcessorLevel = c.level;
        engine.SetCamDelay();
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(cam(n).frameDelayValue, c.delay) << n;
    }
    // Switched off by the language pack: nothing is put.
    gIntervalEnabled = false;
    for (int n = 1; n <= 4; ++n)
        cam(n).calls.clear();
    engine.SetCamDelay();
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(cam(n).Count(CamId::FrameDelay), 0);
    gSysInfo.wProcessorLevel = frmMain::kProcessorLevel;
}

}  // namespace
