// Starting and stopping a slot's stream: the stop-and-wait loop, the start by
// protocol, what the panel, the windows and the event list are told, errors
// and re-entry through the event pumping.
#include "engine_fixture.h"
#include "foundation/helpers.h"

namespace {

class StreamsTest : public EngineFixture {};

enum class Before { Stopped, StopsAtOnce, NeverStops };

TEST_F(StreamsTest, CamStartStopsWhatRunsThenStartsByProtocol)
{
    struct Case {
        int protocol;
        Before before;
        int stops;
        std::vector<int> sleeps;
    };
    const Case cases[] = {
        {0, Before::Stopped, 0, {}},
        {0, Before::StopsAtOnce, 1, {500}},
        {0, Before::NeverStops, 5, {500, 500, 500, 500, 500}},
        {4, Before::Stopped, 0, {}},
        {4, Before::StopsAtOnce, 1, {500}},
        {4, Before::NeverStops, 5, {500, 500, 500, 500, 500}},
        {3, Before::Stopped, 0, {}},
        {3, Before::StopsAtOnce, 1, {500}},
        {3, Before::NeverStops, 5, {500, 500, 500, 500, 500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "protocol " << c.protocol << " case " << static_cast<int>(c.before));
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls ctl{j};
        frmMain e{w, ctl};
        FakeImageServer& cam = *ctl.cams[2];
        FakeWisViewer& viewer = *ctl.viewers[2];
        Assign(2, c.protocol);
        fake.sleeps.clear();
        fake.doEvents = 0;
        const bool running = c.before != Before::Stopped;
        const int latency = c.before == Before::NeverStops ? -1 : 0;
        if (c.protocol == 3) {
            viewer.running = running;
            viewer.stopLatencyPolls = latency;
        } else {
            cam.running = running;
            cam.stopLatencyPolls = latency;
        }

        e.CamStart(2);

        EXPECT_EQ(fake.sleeps, c.sleeps);
        EXPECT_EQ(fake.doEvents, static_cast<int>(c.sleeps.size()));  // a pump before each sleep
        EXPECT_TRUE(fake.pumpedSleeps.empty());
        if (c.protocol == 3) {
            EXPECT_EQ(viewer.Count(ViewerId::Stop), c.stops);
            EXPECT_EQ(viewer.Count(ViewerId::Start), 1);
            EXPECT_EQ(cam.Count(CamId::Start), 0);
            EXPECT_EQ(cam.Count(CamId::Stop), 0);
        } else {
            EXPECT_EQ(cam.Count(CamId::Stop), c.stops);
            EXPECT_EQ(cam.Count(CamId::Start), 1);
            EXPECT_EQ(viewer.Count(ViewerId::Start), 0);
        }
        if (c.protocol == 4) {
            // Each stop: mode 0, apply, Stop. The start: mode 1 without apply.
            const auto seq = cam.Sequence();
            std::vector<CamId> expected;
            for (int i = 0; i < c.stops; ++i)
                expected.insert(expected.end(),
                                {CamId::StreamMode, CamId::ApplyStreamMode, CamId::Stop});
            expected.insert(expected.end(), {CamId::StreamMode, CamId::Start});
            EXPECT_EQ(seq, expected);
            EXPECT_EQ(cam.streamModeValue, 1);
        } else {
            EXPECT_EQ(cam.Count(CamId::StreamMode), 0);
        }
        EXPECT_TRUE(gCam[2].Enable);
        EXPECT_EQ(e.List1(2).size(), 2);
    }
}

TEST_F(StreamsTest, CamStartTellsThePanelTheListTheWindowsAndRetunesTheDelay)
{
    Assign(2, 0);
    gIntervalEnabled = true;
    gSysInfo.wProcessorLevel = 6;  // the table's slowest column: one running slot gives 40 ms
    windows.Client(2);             // slot 2's window is open
    for (const bool panelOpen : {true, false}) {
        SCOPED_TRACE(panelOpen);
        journal.Clear();
        gWinOpen[0] = panelOpen;
        gCam[2].Enable = false;

        engine.CamStart(2);

        EXPECT_EQ(journal.Has(QStringLiteral("panel.LedControl 6 on")), panelOpen);
        EXPECT_LT(journal.IndexOf(QStringLiteral("cam2.start")),
                  journal.IndexOf(QStringLiteral("client2.RefrushStatusBar")));
        EXPECT_TRUE(gCam[2].Enable);
        EXPECT_EQ(Events(2).last(), QStringLiteral("E1"));
        // The delay is worked out after Enable, so it counts this slot.
        for (int n = 1; n <= kSlotCount; ++n)
            EXPECT_EQ(cam(n).frameDelayValue, 40) << n;
    }
}

TEST_F(StreamsTest, CamStopByProtocolAndRecordingState)
{
    struct Case {
        int protocol;
        bool recording;
    };
    const Case cases[] = {{0, false}, {0, true}, {3, false}, {3, true}, {4, false}, {4, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "protocol " << c.protocol << " recording " << c.recording);
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls ctl{j};
        frmMain e{w, ctl};
        FakeImageServer& cam = *ctl.cams[3];
        FakeWisViewer& viewer = *ctl.viewers[3];
        Assign(3, c.protocol, true);
        gCam[3].Recording = c.recording;
        gAudioOn[2] = true;
        w.Client(3);
        j.Clear();

        e.CamStop(3);

        EXPECT_EQ(e.List1(3).size(), c.recording ? 4 : 2);
        QStringList events;
        for (int i = 1; i < e.List1(3).size(); i += 2)
            events << e.List1(3)[i].trimmed();
        EXPECT_EQ(events, c.recording ? (QStringList{"E16", "E2"}) : QStringList{"E2"});
        EXPECT_FALSE(gCam[3].Enable);
        EXPECT_FALSE(gCam[3].Recording);
        EXPECT_FALSE(gAudioOn[2]);
        EXPECT_TRUE(j.Has(QStringLiteral("client3.RepaintPicture")));
        const bool colourPanel = c.protocol == 0;
        EXPECT_EQ(j.Has(QStringLiteral("client3.SetColorCtlVisible false")), colourPanel);
        EXPECT_EQ(j.Has(QStringLiteral("client3.ShowColorCtl_Fun")), colourPanel);
        switch (c.protocol) {
        case 3:
            EXPECT_EQ(viewer.Sequence(),
                      c.recording ? (std::vector<ViewerId>{ViewerId::RecordStop, ViewerId::AudioOff,
                                                           ViewerId::Stop})
                                  : (std::vector<ViewerId>{ViewerId::AudioOff, ViewerId::Stop}));
            EXPECT_EQ(cam.Count(CamId::Stop), 0);
            break;
        case 4:
            EXPECT_EQ(cam.Count(CamId::Stop), 0);
            EXPECT_EQ(cam.streamModeValue, 0);
            EXPECT_LT(cam.IndexOf(CamId::StreamMode), cam.IndexOf(CamId::ApplyStreamMode));
            break;
        default:
            EXPECT_EQ(cam.Count(CamId::Stop), 1);
            EXPECT_EQ(cam.Count(CamId::RecordStop), c.recording ? 1 : 0);
            if (c.recording) {
                EXPECT_LT(cam.IndexOf(CamId::RecordStop), cam.IndexOf(CamId::Stop));
            }
        }
    }
}

TEST_F(StreamsTest, CamStopTellsThePanelAndTheCombinedCellOnlyWhenTheyAreThere)
{
    struct Case {
        bool panelOpen;
        int combineMode;
    };
    for (const Case c : {Case{false, 0}, Case{true, 0}, Case{true, 1}, Case{false, 1}}) {
        SCOPED_TRACE(testing::Message() << c.panelOpen << " " << c.combineMode);
        Assign(1, 0, true);
        gWinOpen[0] = c.panelOpen;
        gWinOpen[5] = c.combineMode == 1;
        gCombineMode = c.combineMode;
        journal.Clear();

        engine.CamStop(1);

        EXPECT_EQ(journal.Has(QStringLiteral("panel.LedControl 3 off")), c.panelOpen);
        EXPECT_EQ(journal.Has(QStringLiteral("combine.RepaintCell 1")), c.combineMode == 1);
        EXPECT_EQ(windows.Loaded(1), nullptr);  // a closed window is not loaded to repaint it
        EXPECT_FALSE(gCam[1].Enable);
    }
}

TEST_F(StreamsTest, AFailingControlCallShowsTheErrorAndChangesNothingAfterIt)
{
    gWinOpen[0] = true;
    Assign(1, 0, false);
    cam(1).throwOn = {CamId::Start};
    engine.CamStart(1);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error CamStart function"));
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("Cameras"));
    EXPECT_FALSE(gCam[1].Enable);
    EXPECT_TRUE(engine.List1(1).isEmpty());
    EXPECT_FALSE(journal.Has(QStringLiteral("panel.LedControl 3 on")));

    Assign(2, 3, true);
    viewer(2).throwOn = {ViewerId::Stop};
    engine.CamStop(2);
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[1].text, QStringLiteral("Error CamStop function"));
    EXPECT_TRUE(gCam[2].Enable);
    EXPECT_TRUE(engine.List1(2).isEmpty());

    // The slot is not left busy: the next start works.
    cam(1).throwOn.clear();
    engine.CamStart(1);
    EXPECT_TRUE(gCam[1].Enable);
}

TEST_F(StreamsTest, EventsRunDuringTheStopWaitCannotStartTheSameSlotTwice)
{
    Assign(1, 0);
    Assign(2, 0);
    cam(1).running = true;
    cam(1).stopLatencyPolls = -1;
    int pumps = 0;
    fake.onDoEvents = [&] {
        ++pumps;
        engine.CamStart(1);  // e.g. a schedule tick asking for the same slot
        if (pumps == 1)
            engine.CamStart(2);  // another slot may start meanwhile
    };

    engine.CamStart(1);

    EXPECT_EQ(pumps, 5);
    EXPECT_EQ(cam(1).Count(CamId::Start), 1);
    EXPECT_EQ(cam(2).Count(CamId::Start), 1);
    EXPECT_EQ(Events(1), QStringList{"E1"});
}

TEST_F(StreamsTest, AStopAskedForDuringAStartWinsOverIt)
{
    Assign(1, 0);
    cam(1).running = true;
    cam(1).stopLatencyPolls = -1;
    fake.onDoEvents = [&] {
        fake.onDoEvents = nullptr;
        engine.CamStop(1);  // e.g. the camera reported that it cannot be reached
    };

    engine.CamStart(1);

    EXPECT_EQ(Events(1), (QStringList{"E1", "E2"}));
    EXPECT_FALSE(gCam[1].Enable);
}

TEST_F(StreamsTest, AStartInterruptedByTheProgramsEndStartsNothing)
{
    Assign(1, 0, true);
    cam(1).running = true;
    cam(1).stopLatencyPolls = -1;
    fake.onDoEvents = [&] {
        fake.onDoEvents = nullptr;
        engine.Form_Unload();
    };

    engine.CamStart(1);

    EXPECT_EQ(cam(1).Count(CamId::Start), 0);
    EXPECT_TRUE(engine.IsUnloaded());
    engine.CamStart(1);
    engine.CamStop(1);
    engine.PutSettingToCam(1);
    EXPECT_EQ(cam(1).Count(CamId::Start), 0);
    EXPECT_TRUE(gCam[1].Enable);  // saved as it stood
}

TEST_F(StreamsTest, AnErrorBoxIsNotStackedWhileTheSameOneIsOpen)
{
    Assign(1, 0);
    Assign(2, 0);
    cam(1).throwOn = {CamId::Start};
    cam(2).throwOn = {CamId::Start};
    int nested = 0;
    fake.onMsgBox = [&](const ShownMessage&) {
        if (nested++ == 0)
            engine.CamStart(2);  // fails the same way while the first box is open
    };

    engine.CamStart(1);
    ASSERT_EQ(fake.messages.size(), 1u);

    fake.onMsgBox = nullptr;
    engine.CamStart(2);  // once the first box is closed, the box shows again
    EXPECT_EQ(fake.messages.size(), 2u);
}

TEST_F(StreamsTest, AProtocol3SlotThatWasNeverBoundIsConnectedByItsStart)
{
    Assign(1, 3, false);
    engine.PutSettingToCam(1);  // not enabled: no binding, no connection
    EXPECT_EQ(viewer(1).Count(ViewerId::Connect), 0);

    engine.CamStart(1);
    EXPECT_EQ(viewer(1).address, QStringLiteral("127.0.0.2"));
    EXPECT_FALSE(viewer(1).authText.isEmpty());
    EXPECT_EQ(viewer(1).authText, gCamNonce[0]);
    EXPECT_LT(viewer(1).IndexOf(ViewerId::SetAuthText), viewer(1).IndexOf(ViewerId::Start));

    // A restart on the same address does not connect again; a new address does.
    engine.CamStart(1);
    EXPECT_EQ(viewer(1).Count(ViewerId::Connect), 1);
    gCam[1].IPAddress = QStringLiteral("127.0.0.9");
    engine.CamStart(1);
    EXPECT_EQ(viewer(1).Count(ViewerId::Connect), 2);
    EXPECT_EQ(viewer(1).address, QStringLiteral("127.0.0.9"));
}

TEST_F(StreamsTest, EntryPointsIgnoreSlotsOutOfRange)
{
    for (const int n : {0, 5, -1}) {
        engine.CamStart(n);
        engine.CamStop(n);
        engine.PutSettingToCam(n);
        engine.StopRecord(n);
    }
    for (int n = 1; n <= kSlotCount; ++n)
        EXPECT_TRUE(cam(n).calls.empty());
    EXPECT_TRUE(fake.messages.empty());
}

}  // namespace

namespace {

TEST_F(StreamsTest, TheSharedRestartReachesTheEnginesCamerasAndThePanel)
{
    Assign(2, 0, true);
    cam(2).running = true;
    gWinOpen[0] = true;

    RestartCam(2);

    EXPECT_EQ(cam(2).Sequence(), (std::vector<CamId>{CamId::Stop, CamId::Start}));
    EXPECT_TRUE(journal.Has(QStringLiteral("panel.LedControl 6 on")));
    EXPECT_TRUE(gStreamRestarted[1]);
}

}  // namespace
