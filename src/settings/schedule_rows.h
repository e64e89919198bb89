// What the schedule list and the schedule editor share: the day list shown for
// a weekly entry and the test that two entries are the same schedule.
#pragma once

#include "foundation/globals.h"

#include <QString>

namespace schedules {

inline constexpr int kWeekMode = 0;
inline constexpr int kDateMode = 1;
inline constexpr int kAllDays = 0x7f;

// The names gDayName(k) of the days whose bit k is set, Sunday first, each
// followed by one blank except Saturday's.
QString DayList(int weekMask);

// Same mode, same times of day, and the same days (weekly) or dates (one
// date). Times and dates are compared by value, so "9:05 AM" equals "09:05"
// and blanks around a text do not matter; a text that reads as no time or date
// is compared as trimmed text.
bool SameSchedule(const ScheduleInfo& a, const ScheduleInfo& b);

}  // namespace schedules
