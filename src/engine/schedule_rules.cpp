#include "engine/schedule_rules.h"

#include "foundation/settings.h"

namespace schedule {

namespace {
int SecondOfDay(const QTime& t) { return t.msecsSinceStartOfDay() / 1000; }

bool Readable(const ScheduleInfo& entry, const EntryTimes& t)
{
    if (!t.start.isValid() || !t.stop.isValid())
        return false;
    if (entry.MODE == kOneDate)
        return t.dateStart.isValid() && t.dateStop.isValid();
    return entry.MODE == kWeekly;
}
}  // namespace

WallClock ToWallClock(const QDateTime& moment)
{
    // The moment as its own time zone shows it (the local zone for the
    // program's clock).
    return {moment.date(), QTime::fromMSecsSinceStartOfDay(SecondOfDay(moment.time()) * 1000)};
}

int WeekdayBit(const QDate& day)
{
    // dayOfWeek: 1 Monday .. 7 Sunday.
    return 1 << (day.dayOfWeek() % 7);
}

EntryTimes ReadEntry(const ScheduleInfo& entry)
{
    return {ScheduleTimeFromText(entry.TimeStart), ScheduleTimeFromText(entry.TimeStop),
            ScheduleDateFromText(entry.DateStart), ScheduleDateFromText(entry.DateStop)};
}

bool CrossesMidnight(const EntryTimes& t) { return SecondOfDay(t.stop) < SecondOfDay(t.start); }

bool IsScheduleDay(const ScheduleInfo& entry, const QDate& today, bool atStart)
{
    const EntryTimes t = ReadEntry(entry);
    if (!Readable(entry, t) || !today.isValid())
        return false;
    if (entry.MODE == kWeekly) {
        const QDate day = !atStart && CrossesMidnight(t) ? today.addDays(-1) : today;
        return (entry.WeekOption & WeekdayBit(day)) != 0;
    }
    return today == (atStart ? t.dateStart : t.dateStop);
}

std::optional<WallClock> WindowEnd(const ScheduleInfo& entry, const QDate& startDay)
{
    const EntryTimes t = ReadEntry(entry);
    if (!Readable(entry, t) || !startDay.isValid())
        return std::nullopt;
    const WallClock start{startDay, t.start};
    WallClock end{startDay, t.stop};
    if (entry.MODE == kOneDate && t.dateStop != t.dateStart)
        end.date = t.dateStop;
    else if (CrossesMidnight(t))
        end.date = startDay.addDays(1);
    if (end <= start)
        return std::nullopt;
    return end;
}

bool StartDue(const ScheduleInfo& entry, const WallClock& now)
{
    if (!entry.CHECK || !IsScheduleDay(entry, now.date, true))
        return false;
    const EntryTimes t = ReadEntry(entry);
    const int since = SecondOfDay(now.time) - SecondOfDay(t.start);
    if (since < 0 || since >= kStartGraceSeconds)
        return false;
    const std::optional<WallClock> end = WindowEnd(entry, now.date);
    return end && now < *end;
}

bool RearmDue(const QDate& startDay, const WallClock& end, const WallClock& now)
{
    return WindowOver(end, now) && now.date > startDay;
}

}  // namespace schedule
