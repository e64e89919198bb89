// The recording modes of the current slot: every entry mode of the three
// buttons with and without a storage and an active schedule (new mode, engine
// calls in order, message, result), the window whose buttons follow, the
// schedule test, ending a mode, and playing a recording.
#include "panel_commands_fixture.h"

namespace {

class PanelRecordTest : public PanelCommandsFixture {
protected:
    void Prepare(int mode, bool recording, bool schedule)
    {
        CamInfo& cam = gCam[1];
        cam.RecordMode = mode;
        cam.Recording = recording;
        cam.ScheduleCount = schedule ? 1 : 0;
        cam.Schedule[1].CHECK = schedule;
        fake.messages.clear();
        journal.Clear();
    }
    // The engine calls and the schedule editor, in order.
    QStringList EngineAndEditor() const
    {
        QStringList out;
        for (const QString& e : journal.entries)
            if (e.startsWith(QLatin1String("engine.")) || e == kEditor)
                out << e;
        return out;
    }
    const QString kEditor = QStringLiteral("frmSchedule.ShowModal owned");
};

enum Button { Manual, Schedule, Motion };

struct RecordCase {
    Button button;
    int entry;
    bool recording;  // a recording runs on entry
    bool ready;      // StartRecord succeeds / CheckStorage is ready
    bool schedule;   // an active schedule entry after the editor
    int mode;        // RecordMode afterwards
    QStringList calls;
    int message;  // -1 none, else the gLangCtrlMsg index shown
    bool exclamation;
    bool result;
};

TEST_F(PanelRecordTest, EveryButtonFromEveryModeWithAndWithoutStorage)
{
    AssignSlot(1, 0, true);
    Open();
    const RecordCase cases[] = {
        // Manual.
        {Manual, 0, false, true, false, 1, {"engine.StartRecord 1 1"}, -1, false, false},
        {Manual, 0, false, false, false, 0, {"engine.StartRecord 1 1"}, 1, true, false},
        {Manual, 1, true, true, false, 0, {"engine.StopRecord 1"}, -1, false, true},
        {Manual,
         2,
         true,
         true,
         false,
         1,
         {"engine.StopRecord 1", "engine.StartRecord 1 1"},
         -1,
         false,
         true},
        {Manual, 2, false, false, false, 0, {"engine.StartRecord 1 1"}, 1, true, true},
        {Manual,
         3,
         true,
         true,
         false,
         1,
         {"engine.Stop_MotionStart 1", "engine.StopRecord 1", "engine.StartRecord 1 1"},
         -1,
         false,
         true},
        // No storage from motion mode: the storage message, not the web question.
        {Manual,
         3,
         false,
         false,
         false,
         0,
         {"engine.Stop_MotionStart 1", "engine.StartRecord 1 1"},
         1,
         true,
         true},
        {Manual, 7, false, true, false, 7, {}, -1, false, true},
        // Schedule.
        {Schedule, 0, false, true, true, 2, {kEditor, "engine.CheckStorage 1"}, -1, false, false},
        {Schedule, 0, false, false, true, 0, {kEditor, "engine.CheckStorage 1"}, 1, false, false},
        {Schedule, 0, false, true, false, 0, {kEditor}, -1, false, false},
        {Schedule,
         1,
         true,
         true,
         true,
         2,
         {"engine.StopRecord 1", kEditor, "engine.CheckStorage 1"},
         -1,
         false,
         true},
        {Schedule,
         1,
         true,
         false,
         true,
         0,
         {"engine.StopRecord 1", kEditor, "engine.CheckStorage 1"},
         1,
         false,
         true},
        {Schedule, 1, true, true, false, 0, {"engine.StopRecord 1", kEditor}, -1, false, true},
        {Schedule, 2, true, true, true, 0, {"engine.StopRecord 1"}, -1, false, true},
        {Schedule, 2, false, true, true, 0, {}, -1, false, true},
        // From motion mode the schedule is taken without a storage check.
        {Schedule,
         3,
         true,
         false,
         true,
         2,
         {"engine.Stop_MotionStart 1", "engine.StopRecord 1", kEditor},
         -1,
         false,
         true},
        {Schedule,
         3,
         false,
         true,
         false,
         0,
         {"engine.Stop_MotionStart 1", kEditor},
         -1,
         false,
         true},
        {Schedule, 9, false, true, true, 9, {}, -1, false, true},
        // Motion.
        {Motion,
         0,
         false,
         true,
         false,
         3,
         {"engine.CheckStorage 1", "engine.Start_MotionStart 1"},
         -1,
         false,
         false},
        {Motion, 0, false, false, false, 0, {"engine.CheckStorage 1"}, 1, false, false},
        {Motion,
         1,
         true,
         true,
         false,
         3,
         {"engine.StopRecord 1", "engine.CheckStorage 1", "engine.Start_MotionStart 1"},
         -1,
         false,
         true},
        {Motion, 2, false, false, false, 0, {"engine.CheckStorage 1"}, 1, false, true},
        {Motion,
         3,
         true,
         true,
         false,
         0,
         {"engine.Stop_MotionStart 1", "engine.StopRecord 1"},
         -1,
         false,
         true},
        {Motion, 5, false, true, false, 5, {}, -1, false, true},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button << " from " << c.entry << " ready "
                                        << c.ready << " schedule " << c.schedule);
        Prepare(c.entry, c.recording, c.schedule);
        engine.startResult = c.ready;
        engine.storageReady = c.ready;
        bool result = false;
        switch (c.button) {
        case Manual:
            result = panel->ManualRecord();
            break;
        case Schedule:
            result = panel->ScheduleRecord();
            break;
        case Motion:
            result = panel->MotionRecord();
            break;
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(gCam[1].RecordMode, c.mode);
        EXPECT_EQ(EngineAndEditor(), c.calls);
        if (c.message < 0) {
            EXPECT_TRUE(fake.messages.empty());
        } else {
            ASSERT_EQ(fake.messages.size(), 1u);
            EXPECT_EQ(fake.messages[0].text, gLangCtrlMsg[static_cast<size_t>(c.message)]);
            EXPECT_EQ(fake.messages[0].icon, c.exclamation ? MsgIcon::Warning : MsgIcon::None);
            EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
            EXPECT_EQ(fake.messages[0].title, gAppTitle);
        }
    }
}

TEST_F(PanelRecordTest, DuringTheTourOrOnAnEmptySlotNothingHappens)
{
    AssignSlot(1, 0, true);
    Open();
    for (const bool scan : {true, false}) {
        gScanMode = scan;
        gCam[1].Assign = scan;
        Prepare(0, false, true);
        EXPECT_TRUE(panel->ManualRecord());
        EXPECT_TRUE(panel->ScheduleRecord());
        EXPECT_TRUE(panel->MotionRecord());
        gCam[1].RecordMode = 3;
        panel->StopCamRecord();
        EXPECT_EQ(gCam[1].RecordMode, 3);
        EXPECT_TRUE(EngineAndEditor().isEmpty());
    }
}

TEST_F(PanelRecordTest, TheSlotsOwnWindowOrElseTheCombinedWindowShowsTheNewButtons)
{
    AssignSlot(1, 0, true);
    Open();
    windows().Unload(ClientWindowName(1));
    // Neither open: nothing.
    Prepare(0, false, false);
    panel->ManualRecord();
    EXPECT_TRUE(journal.With(QStringLiteral("client")).isEmpty());

    // The combined window.
    windows().Register(kCombineWindowName, [this] { return new JournalCombine(journal); });
    windows().Get(kCombineWindowName);
    Prepare(1, true, false);
    panel->ManualRecord();
    EXPECT_EQ(journal.With(QStringLiteral("combine.")),
              QStringList{QStringLiteral("combine.RecordGrayBTN 1")});

    // The slot's own window comes first.
    windows().Get(ClientWindowName(1));
    Prepare(0, false, false);
    panel->MotionRecord();
    EXPECT_EQ(journal.With(QStringLiteral("client1.RecordGrayBTN")).size(), 1);
    EXPECT_TRUE(journal.With(QStringLiteral("combine.")).isEmpty());
    windows().Unload(kCombineWindowName);
}

TEST_F(PanelRecordTest, AnActiveScheduleIsACheckedEntryWithinTheCount)
{
    struct Case {
        int count;
        std::vector<int> checked;
        bool active;
    };
    const Case cases[] = {
        {0, {1, 2}, false}, {-3, {1}, false}, {1, {1}, true}, {2, {3}, false},
        {3, {3}, true},     {5, {5}, true},   {9, {5}, true}, {9, {}, false},
    };
    for (const Case& c : cases) {
        CamInfo& cam = gCam[2];
        cam.ScheduleCount = c.count;
        for (auto& entry : cam.Schedule)
            entry.CHECK = false;
        for (int k : c.checked)
            cam.Schedule[static_cast<size_t>(k)].CHECK = true;
        EXPECT_EQ(frmController::HasSchedule(2), c.active) << c.count;
    }
}

TEST_F(PanelRecordTest, EndingTheRecordingModeForTheWebPage)
{
    AssignSlot(1, 0, true);
    Open();
    struct Case {
        int mode;
        bool recording;
        QStringList calls;
    };
    const Case cases[] = {
        {0, false, {}},
        {1, true, {"engine.StopRecord 1"}},
        {2, true, {"engine.StopRecord 1"}},
        {2, false, {}},
        {3, true, {"engine.Stop_MotionStart 1", "engine.StopRecord 1"}},
        {3, false, {"engine.Stop_MotionStart 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Prepare(c.mode, c.recording, false);
        panel->StopCamRecord();
        EXPECT_EQ(gCam[1].RecordMode, 0);
        EXPECT_EQ(EngineAndEditor(), c.calls);
        EXPECT_TRUE(journal.With(QStringLiteral("client")).isEmpty());  // no window refresh
    }
}

}  // namespace
