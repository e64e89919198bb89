// The arithmetic of schedule entries: which day an entry applies to, when a
// recording window opens and closes, and when a weekly entry is armed again.
// Pure functions of an entry and the local clock, so that the engine's
// schedule timer (frmMain::tmrSchedule_Timer) only decides what to do.
//
// Times are compared as a wall clock shows them (date, then time of day), not
// as elapsed seconds: on the day daylight saving time begins the clock jumps
// from 02:00 to 03:00 and a window that should have closed at 02:30 closes at
// 03:00; on the day it ends the repeated hour does not open a window twice.
#pragma once

#include "foundation/globals.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <compare>
#include <optional>

namespace schedule {

// A start runs on the first timer tick within this many seconds after the
// entry's start time; a program started later does not start that window.
inline constexpr int kStartGraceSeconds = 300;

inline constexpr int kWeekly = 0;
inline constexpr int kOneDate = 1;

// A moment as the local clock shows it.
struct WallClock {
    QDate date;
    QTime time;  // whole seconds
    friend bool operator==(const WallClock&, const WallClock&) = default;
    friend std::strong_ordering operator<=>(const WallClock& a, const WallClock& b)
    {
        if (a.date != b.date)
            return a.date < b.date ? std::strong_ordering::less : std::strong_ordering::greater;
        const int sa = a.time.msecsSinceStartOfDay() / 1000;
        const int sb = b.time.msecsSinceStartOfDay() / 1000;
        return sa <=> sb;
    }
};
// A moment as its own time zone shows it, to the second.
WallClock ToWallClock(const QDateTime& moment);

// The WeekOption bit of a day: 1 Sunday, 2 Monday, .. 64 Saturday.
int WeekdayBit(const QDate& day);

// An entry's times and dates, read from their stored texts (the fixed forms
// and the older ones). Unreadable texts leave the field invalid.
struct EntryTimes {
    QTime start;
    QTime stop;
    QDate dateStart;
    QDate dateStop;
};
EntryTimes ReadEntry(const ScheduleInfo& entry);

// True when a window whose stop time is earlier than its start time closes
// on the next day.
bool CrossesMidnight(const EntryTimes& t);

// Whether `today` is a day of the entry. atStart: the day a window opens on
// (weekly: today's bit; one date: DateStart). Otherwise the day a window
// closes on (weekly: today's bit, or the previous day's bit for a window that
// crosses midnight; one date: DateStop). False for any other MODE and for an
// entry whose texts cannot be read.
bool IsScheduleDay(const ScheduleInfo& entry, const QDate& today, bool atStart);

// Where the window that opens on `startDay` closes. Empty when the entry
// cannot be read or its window is empty (stop equal to start on the same
// day, or a date entry that ends before it begins).
std::optional<WallClock> WindowEnd(const ScheduleInfo& entry, const QDate& startDay);

// Whether an entry that has not started opens its window at `now`: the entry
// is checked, today is a start day, now is within the start grace after the
// start time and before the window's end.
bool StartDue(const ScheduleInfo& entry, const WallClock& now);

// Whether a running window that ends at `end` is over at `now`.
inline bool WindowOver(const WallClock& end, const WallClock& now) { return now >= end; }

// Whether a weekly entry that opened a window on `startDay` (ending at `end`)
// is armed again at `now`: once that window is over and the date has moved
// past the day it opened, so each day opens at most one window.
bool RearmDue(const QDate& startDay, const WallClock& end, const WallClock& now);

}  // namespace schedule
