// Schedule recording: the day and window arithmetic of an entry, and the
// engine's schedule timer driven tick by tick by a fake clock.
#include "engine/schedule_rules.h"
#include "engine_fixture.h"

#include <QTimeZone>

namespace {

using schedule::WallClock;

const QTimeZone kZone("Europe/Berlin");

ScheduleInfo Weekly(const char* start, const char* stop, int days)
{
    ScheduleInfo e;
    e.CHECK = true;
    e.MODE = schedule::kWeekly;
    e.TimeStart = QLatin1String(start);
    e.TimeStop = QLatin1String(stop);
    e.WeekOption = days;
    return e;
}

ScheduleInfo OneDate(const char* dateStart, const char* start, const char* dateStop,
                     const char* stop)
{
    ScheduleInfo e;
    e.CHECK = true;
    e.MODE = schedule::kOneDate;
    e.DateStart = QLatin1String(dateStart);
    e.TimeStart = QLatin1String(start);
    e.DateStop = QLatin1String(dateStop);
    e.TimeStop = QLatin1String(stop);
    return e;
}

QDate Day(const char* iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

WallClock At(const char* isoDate, const char* time)
{
    return {Day(isoDate), QTime::fromString(QLatin1String(time), u"HH:mm:ss")};
}

// Days of December 2026: the 6th is a Sunday, the 7th a Monday.
constexpr int kSunday = 1, kMonday = 2, kTuesday = 4, kSaturday = 64;
constexpr int kWeekdays = 2 | 4 | 8 | 16 | 32;

TEST(ScheduleRules, WeekdayBitsRunFromSundayToSaturday)
{
    EXPECT_EQ(schedule::WeekdayBit(Day("2026-12-06")), kSunday);
    EXPECT_EQ(schedule::WeekdayBit(Day("2026-12-07")), kMonday);
    EXPECT_EQ(schedule::WeekdayBit(Day("2026-12-12")), kSaturday);
}

TEST(ScheduleRules, IsScheduleDay)
{
    struct Case {
        const char* name;
        ScheduleInfo entry;
        const char* today;
        bool atStart;
        bool expected;
    };
    ScheduleInfo otherMode = Weekly("09:00", "09:30", 127);
    otherMode.MODE = 2;
    const Case cases[] = {
        {"weekly, today's bit", Weekly("09:00", "09:30", kMonday), "2026-12-07", true, true},
        {"weekly, other day", Weekly("09:00", "09:30", kMonday), "2026-12-08", true, false},
        {"weekly stop, same day", Weekly("09:00", "09:30", kMonday), "2026-12-07", false, true},
        {"overnight stop uses the day before", Weekly("22:00", "06:00", kMonday), "2026-12-08",
         false, true},
        {"overnight stop, not the day before", Weekly("22:00", "06:00", kMonday), "2026-12-07",
         false, false},
        {"overnight start uses today", Weekly("22:00", "06:00", kMonday), "2026-12-07", true, true},
        {"overnight stop on Sunday uses Saturday", Weekly("22:00", "06:00", kSaturday),
         "2026-12-13", false, true},
        {"date start day", OneDate("2026-12-07", "09:00", "2026-12-09", "17:00"), "2026-12-07",
         true, true},
        {"date, not the start day", OneDate("2026-12-07", "09:00", "2026-12-09", "17:00"),
         "2026-12-09", true, false},
        {"date stop day", OneDate("2026-12-07", "09:00", "2026-12-09", "17:00"), "2026-12-09",
         false, true},
        {"date, between the days", OneDate("2026-12-07", "09:00", "2026-12-09", "17:00"),
         "2026-12-08", false, false},
        {"older date and time forms", OneDate("12/7/2026", "9:00:00 AM", "12/7/2026", "9:30 PM"),
         "2026-12-07", true, true},
        {"other MODE", otherMode, "2026-12-07", true, false},
        {"unreadable time", Weekly("nine", "09:30", 127), "2026-12-07", true, false},
        {"unreadable date", OneDate("someday", "09:00", "2026-12-07", "09:30"), "2026-12-07", false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(schedule::IsScheduleDay(c.entry, Day(c.today), c.atStart), c.expected);
    }
}

TEST(ScheduleRules, WindowEndAndStart)
{
    struct Case {
        const char* name;
        ScheduleInfo entry;
        WallClock now;
        bool startDue;
        std::optional<WallClock> end;  // of the window opening on now's day
    };
    const ScheduleInfo monday = Weekly("09:00", "09:30", kMonday);
    const Case cases[] = {
        {"at the start", monday, At("2026-12-07", "09:00:00"), true, At("2026-12-07", "09:30:00")},
        {"last second of the grace", monday, At("2026-12-07", "09:04:59"), true,
         At("2026-12-07", "09:30:00")},
        {"grace over", monday, At("2026-12-07", "09:05:00"), false, At("2026-12-07", "09:30:00")},
        {"before the start", monday, At("2026-12-07", "08:59:59"), false,
         At("2026-12-07", "09:30:00")},
        {"not a day of the entry", monday, At("2026-12-08", "09:00:00"), false,
         At("2026-12-08", "09:30:00")},
        {"stop already passed", Weekly("09:00", "09:02", kMonday), At("2026-12-07", "09:03:00"),
         false, At("2026-12-07", "09:02:00")},
        {"overnight window", Weekly("22:00", "06:00", kMonday), At("2026-12-07", "22:01:00"), true,
         At("2026-12-08", "06:00:00")},
        {"empty window", Weekly("09:00", "09:00", kMonday), At("2026-12-07", "09:00:00"), false,
         std::nullopt},
        {"date across midnight", OneDate("2026-12-07", "23:55", "2026-12-08", "00:05"),
         At("2026-12-07", "23:55:30"), true, At("2026-12-08", "00:05:00")},
        {"date over days", OneDate("2026-12-07", "09:00", "2026-12-09", "17:00"),
         At("2026-12-07", "09:00:00"), true, At("2026-12-09", "17:00:00")},
        {"date with the stop earlier on the same day crosses midnight",
         OneDate("2026-12-07", "23:00", "2026-12-07", "01:00"), At("2026-12-07", "23:00:00"), true,
         At("2026-12-08", "01:00:00")},
        {"date ending before it starts", OneDate("2026-12-07", "09:00", "2026-12-06", "17:00"),
         At("2026-12-07", "09:00:00"), false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(schedule::StartDue(c.entry, c.now), c.startDue);
        EXPECT_EQ(schedule::WindowEnd(c.entry, c.now.date), c.end);
    }
    ScheduleInfo unchecked = monday;
    unchecked.CHECK = false;
    EXPECT_FALSE(schedule::StartDue(unchecked, At("2026-12-07", "09:00:00")));
}

TEST(ScheduleRules, AWeeklyEntryIsArmedAgainOnceItsWindowIsOverOnALaterDay)
{
    const QDate monday = Day("2026-12-07");
    const WallClock sameDayEnd = At("2026-12-07", "09:30:00");
    EXPECT_FALSE(schedule::RearmDue(monday, sameDayEnd, At("2026-12-07", "09:29:59")));
    EXPECT_FALSE(schedule::RearmDue(monday, sameDayEnd, At("2026-12-07", "23:59:59")));
    EXPECT_TRUE(schedule::RearmDue(monday, sameDayEnd, At("2026-12-08", "00:00:00")));
    const WallClock overnightEnd = At("2026-12-08", "06:00:00");
    EXPECT_FALSE(schedule::RearmDue(monday, overnightEnd, At("2026-12-08", "05:59:59")));
    EXPECT_TRUE(schedule::RearmDue(monday, overnightEnd, At("2026-12-08", "06:00:00")));
}

// The engine's timer, tick by tick, with the panel closed.
class ScheduleTimerTest : public EngineFixture {
protected:
    ScheduleTimerTest()
    {
        Assign(1, 0, true);
        gCam[1].RecordMode = 2;
    }
    void SetEntries(std::initializer_list<ScheduleInfo> entries)
    {
        int j = 0;
        for (const ScheduleInfo& e : entries)
            gCam[1].Schedule[++j] = e;
        gCam[1].ScheduleCount = j;
    }
    // Ticks from `from` to `to` every `step` seconds and lists each start
    // and stop of slot 1's recording as "yyyy-MM-dd HH:mm:ss start".
    QStringList Run(const QDateTime& from, const QDateTime& to, int step)
    {
        QStringList changes;
        bool recording = gCam[1].Recording;
        for (QDateTime t = from; t <= to; t = t.addSecs(step)) {
            fake.clock = t;
            engine.tmrSchedule_Timer();
            if (gCam[1].Recording != recording) {
                recording = gCam[1].Recording;
                changes << t.toString(u"yyyy-MM-dd HH:mm:ss ")
                               + (recording ? QStringLiteral("start") : QStringLiteral("stop"));
            }
        }
        return changes;
    }
    static QDateTime T(const char* isoDate, const char* time)
    {
        return QDateTime(Day(isoDate), QTime::fromString(QLatin1String(time), u"HH:mm:ss"), kZone);
    }
};

TEST_F(ScheduleTimerTest, WindowsStartAndStopOnTheirTicks)
{
    struct Case {
        const char* name;
        ScheduleInfo entry;
        QDateTime from, to;
        int step;
        QStringList expected;
    };
    const ScheduleInfo monday = Weekly("09:00", "09:30", kMonday);
    const Case cases[] = {
        {"Monday only",
         monday,
         T("2026-12-07", "08:59:00"),
         T("2026-12-07", "09:40:00"),
         1,
         {"2026-12-07 09:00:00 start", "2026-12-07 09:30:00 stop"}},
        {"program started 3 minutes late",
         monday,
         T("2026-12-07", "09:03:00"),
         T("2026-12-07", "09:40:00"),
         1,
         {"2026-12-07 09:03:00 start", "2026-12-07 09:30:00 stop"}},
        {"program started 6 minutes late",
         monday,
         T("2026-12-07", "09:06:00"),
         T("2026-12-07", "09:40:00"),
         1,
         {}},
        {"Monday to Friday records every weekday",
         Weekly("09:00", "09:30", kWeekdays),
         T("2026-12-06", "00:00:00"),
         T("2026-12-13", "00:00:00"),
         10,
         {"2026-12-07 09:00:00 start", "2026-12-07 09:30:00 stop", "2026-12-08 09:00:00 start",
          "2026-12-08 09:30:00 stop", "2026-12-09 09:00:00 start", "2026-12-09 09:30:00 stop",
          "2026-12-10 09:00:00 start", "2026-12-10 09:30:00 stop", "2026-12-11 09:00:00 start",
          "2026-12-11 09:30:00 stop"}},
        {"overnight, Sunday and Monday nights",
         Weekly("22:00", "06:00", kSunday | kMonday),
         T("2026-12-06", "21:00:00"),
         T("2026-12-08", "07:00:00"),
         5,
         {"2026-12-06 22:00:00 start", "2026-12-07 06:00:00 stop", "2026-12-07 22:00:00 start",
          "2026-12-08 06:00:00 stop"}},
        {"one date across midnight",
         OneDate("2026-12-07", "23:55", "2026-12-08", "00:05"),
         T("2026-12-07", "23:50:00"),
         T("2026-12-08", "00:10:00"),
         1,
         {"2026-12-07 23:55:00 start", "2026-12-08 00:05:00 stop"}},
        {"one date over three days",
         OneDate("2026-12-07", "09:00", "2026-12-09", "17:00"),
         T("2026-12-07", "08:00:00"),
         T("2026-12-10", "12:00:00"),
         30,
         {"2026-12-07 09:00:00 start", "2026-12-09 17:00:00 stop"}},
        {"older text forms",
         OneDate("12/7/2026", "9:00:00 AM", "12/7/2026", "9:30:00 AM"),
         T("2026-12-07", "08:59:00"),
         T("2026-12-07", "09:40:00"),
         1,
         {"2026-12-07 09:00:00 start", "2026-12-07 09:30:00 stop"}},
        {"stop time already passed",
         Weekly("09:00", "09:02", kMonday),
         T("2026-12-07", "09:03:00"),
         T("2026-12-07", "09:10:00"),
         1,
         {}},
        // Daylight saving time begins at 02:00 on 29 March 2026: the clock
        // never shows 02:30, the window closes when the clock passes it.
        {"clock jumps forward over the stop",
         Weekly("01:30", "02:30", kSunday),
         T("2026-03-29", "01:00:00"),
         T("2026-03-29", "04:00:00"),
         1,
         {"2026-03-29 01:30:00 start", "2026-03-29 03:00:00 stop"}},
        // It ends at 03:00 on 25 October 2026: 02:00 to 03:00 comes twice,
        // the window opens once.
        {"clock repeats the window's hour",
         Weekly("02:10", "02:40", kSunday),
         T("2026-10-25", "01:00:00"),
         T("2026-10-25", "04:00:00"),
         1,
         {"2026-10-25 02:10:00 start", "2026-10-25 02:40:00 stop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetEntries({c.entry});
        gCam[1].Recording = false;
        EXPECT_EQ(Run(c.from, c.to, c.step), c.expected);
    }
}

TEST_F(ScheduleTimerTest, ADateEntryRunsOnceAndIsUncheckedAfterItsStop)
{
    SetEntries({OneDate("2026-12-07", "09:00", "2026-12-07", "09:30")});
    Run(T("2026-12-07", "08:59:00"), T("2026-12-07", "09:31:00"), 1);
    EXPECT_FALSE(gCam[1].Schedule[1].CHECK);
    EXPECT_EQ(Events(1), (QStringList{"E15", "E16"}));  // recording started, stopped
    EXPECT_EQ(gCam[1].RecordType, 2);
}

TEST_F(ScheduleTimerTest, TheEntryThatStartedTheRecordingIsTheOneThatStopsIt)
{
    SetEntries({Weekly("09:00", "10:00", kMonday), Weekly("09:10", "09:20", kMonday)});
    const QStringList changes = Run(T("2026-12-07", "08:59:00"), T("2026-12-07", "10:05:00"), 1);
    EXPECT_EQ(changes, (QStringList{"2026-12-07 09:00:00 start", "2026-12-07 10:00:00 stop"}));
    EXPECT_EQ(gCam[1].CurSchedule, 1);
}

TEST_F(ScheduleTimerTest, WithoutStorageTheWindowIsTriedOnceAndNotAgain)
{
    cam(1).storageReadyValue = false;
    gStorageCount = 0;
    SetEntries({Weekly("09:00", "09:30", kMonday)});
    EXPECT_TRUE(Run(T("2026-12-07", "08:59:00"), T("2026-12-07", "09:40:00"), 1).isEmpty());
    EXPECT_EQ(Events(1), (QStringList{"E7"}));  // no storage, once
    EXPECT_TRUE(gCam[1].Schedule[1].Started);
}

TEST_F(ScheduleTimerTest, AnEntryStoppedByTheOperatorStartsAgainOnItsNextDay)
{
    SetEntries({Weekly("09:00", "09:30", kMonday | kTuesday)});
    Run(T("2026-12-07", "08:59:00"), T("2026-12-07", "09:10:00"), 1);
    ASSERT_TRUE(gCam[1].Recording);
    engine.StopRecord(1);
    const QStringList changes = Run(T("2026-12-07", "09:10:00"), T("2026-12-08", "09:40:00"), 10);
    EXPECT_EQ(changes, (QStringList{"2026-12-08 09:00:00 start", "2026-12-08 09:30:00 stop"}));
}

TEST_F(ScheduleTimerTest, SlotsOutsideScheduleModeAreLeftAlone)
{
    for (const auto& [mode, count] : {std::pair{1, 1}, std::pair{3, 1}, std::pair{2, 0}}) {
        SCOPED_TRACE(mode * 10 + count);
        SetEntries({Weekly("09:00", "09:30", kMonday)});
        gCam[1].RecordMode = mode;
        gCam[1].ScheduleCount = count;
        EXPECT_TRUE(Run(T("2026-12-07", "08:59:00"), T("2026-12-07", "09:06:00"), 1).isEmpty());
        EXPECT_FALSE(gCam[1].Schedule[1].Started);
    }
}

TEST_F(ScheduleTimerTest, WithThePanelOpenItsTextFollowsStartAndStop)
{
    gWinOpen[0] = true;
    SetEntries({Weekly("09:00", "09:30", kMonday)});
    Run(T("2026-12-07", "08:59:59"), T("2026-12-07", "09:00:00"), 1);
    EXPECT_TRUE(windows.panel.leds[1]);  // slot 1's recording LED
    journal.Clear();
    Run(T("2026-12-07", "09:30:00"), T("2026-12-07", "09:30:00"), 1);
    EXPECT_FALSE(windows.panel.leds[1]);
    EXPECT_TRUE(journal.Has(QStringLiteral("panel.RefreshPanelText")));
}

}  // namespace
