#include "settings/schedule_rows.h"

#include "foundation/settings.h"

namespace schedules {

namespace {

bool SameTime(const QString& a, const QString& b)
{
    const QTime ta = ScheduleTimeFromText(a);
    const QTime tb = ScheduleTimeFromText(b);
    if (ta.isValid() && tb.isValid())
        return ta == tb;
    return a.trimmed() == b.trimmed();
}

bool SameDate(const QString& a, const QString& b)
{
    const QDate da = ScheduleDateFromText(a);
    const QDate db = ScheduleDateFromText(b);
    if (da.isValid() && db.isValid())
        return da == db;
    return a.trimmed() == b.trimmed();
}

}  // namespace

QString DayList(int weekMask)
{
    QString out;
    for (int k = 0; k < 7; ++k) {
        if ((weekMask & (1 << k)) == 0)
            continue;
        out += gDayName[static_cast<size_t>(k)];
        if (k < 6)
            out += QLatin1Char(' ');
    }
    return out;
}

bool SameSchedule(const ScheduleInfo& a, const ScheduleInfo& b)
{
    const bool weekA = a.MODE == kWeekMode;
    if (weekA != (b.MODE == kWeekMode))
        return false;
    if (!SameTime(a.TimeStart, b.TimeStart) || !SameTime(a.TimeStop, b.TimeStop))
        return false;
    if (weekA)
        return (a.WeekOption & kAllDays) == (b.WeekOption & kAllDays);
    return SameDate(a.DateStart, b.DateStart) && SameDate(a.DateStop, b.DateStop);
}

}  // namespace schedules
