// Schedule recording: the schedule timer starts and stops the recordings of
// the slots in schedule mode by their entries' windows (schedule_rules.h).
#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "platform/ui_services.h"

#include <algorithm>

void frmMain::tmrSchedule_Timer()
{
    // StartRecord waits inside a tick; a tick that comes meanwhile is skipped.
    if (m_closing || m_scheduleBusy)
        return;
    m_scheduleBusy = true;
    const schedule::WallClock now = schedule::ToWallClock(ui().Now());
    for (int n = 1; n <= kSlotCount && !m_closing; ++n) {
        if (gCam[n].RecordMode != kRecordSchedule || gCam[n].ScheduleCount <= 0)
            continue;
        // A failing control call ends this slot's tick; the next tick goes on.
        Guard(ErrorReport::Quiet, QStringLiteral("tmrSchedule_Timer"),
              [&] { ScheduleSteps(n, now); });
    }
    m_scheduleBusy = false;
}

void frmMain::ScheduleSteps(int n, const schedule::WallClock& now)
{
    CamInfo& cam = gCam[n];
    const int count = std::min(cam.ScheduleCount, kScheduleCount);
    for (int j = 1; j <= count && !m_closing; ++j) {
        ScheduleInfo& entry = cam.Schedule[j];
        ScheduleWindow& window = m_scheduleWindow[n][j];
        if (cam.Recording) {
            // The stop: the window this entry opened is over (also when the
            // tick comes late, or the clock jumped past the stop time).
            if (entry.CHECK && cam.RecordType == kRecordSchedule && entry.Started
                && cam.CurSchedule == j && !entry.Stopped
                && schedule::WindowOver(window.end, now)) {
                entry.Stopped = true;
                if (entry.MODE == schedule::kOneDate)
                    entry.CHECK = false;  // a date entry runs once
                StopRecord(n);
                if (gWinOpen[0])
                    if (IPanelWindow* panel = m_windows.Panel())
                        panel->RefreshPanelText();
            }
            continue;
        }
        if (!entry.CHECK)
            continue;
        const bool weekly = entry.MODE == schedule::kWeekly;
        if (weekly && entry.Started && schedule::RearmDue(window.startDay, window.end, now)) {
            entry.Started = false;
            entry.Stopped = false;
        }
        if (schedule::IsScheduleDay(entry, now.date, true)) {
            if (!entry.Started && schedule::StartDue(entry, now)) {
                entry.Started = true;
                window = {now.date, *schedule::WindowEnd(entry, now.date)};
                // Counted as started also when no storage takes the recording:
                // the window is not tried again.
                StartRecord(n, kRecordSchedule);
                cam.CurSchedule = j;
                if (gWinOpen[0])
                    if (IPanelWindow* panel = m_windows.Panel())
                        panel->RefreshPanelText();
            }
        } else if (weekly) {
            entry.Started = false;
            entry.Stopped = false;
        }
    }
}

void frmMain::MoveScheduleWindows(int n, const std::vector<int>& from)
{
    if (!ValidSlot(n))
        return;
    auto& entries = m_scheduleWindow[static_cast<size_t>(n)];
    const auto before = entries;
    entries = {};
    const size_t count = std::min(from.size(), static_cast<size_t>(kScheduleCount));
    for (size_t i = 0; i < count; ++i) {
        const int old = from[i];
        if (old >= 1 && old <= kScheduleCount)
            entries[i + 1] = before[static_cast<size_t>(old)];
    }
}
