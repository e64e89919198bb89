// Motion: showing it, recording while it lasts, and the viewer's mail
// requests. Also connects the engine's own timers to their handlers.
#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QFile>

namespace {
// Whole seconds from `from` to `to` as a clock counts them (second starts
// passed), so that 10:00:00.900 to 10:00:02.100 is 2.
qint64 SecondStartsBetween(const QDateTime& from, const QDateTime& to)
{
    return to.toSecsSinceEpoch() - from.toSecsSinceEpoch();
}
}  // namespace

void frmMain::ConnectTimers()
{
    connect(&tmrSchedule, &QTimer::timeout, this, [this] { tmrSchedule_Timer(); });
    connect(&tmrMotionLed, &QTimer::timeout, this, [this] { tmrMotionLed_Timer(); });
    connect(&tmrScan, &QTimer::timeout, this, [this] { tmrScan_Timer(); });
    connect(&tmrLog, &QTimer::timeout, this, [this] {
        if (!m_unloaded)
            tmrLog_Timer();
    });
    for (int n = 1; n <= kSlotCount; ++n) {
        tmrMotion[n].setInterval(kMotionHoldMs);
        tmrMotion[n].setSingleShot(true);
        connect(&tmrMotion[n], &QTimer::timeout, this, [this, n] { tmrMotion_Timer(n); });
        connect(m_viewer[n].get(), &WisViewer::Motion, this,
                [this, n] { Dispatch([this, n] { MotionDetected(n); }); });
        connect(m_viewer[n].get(), &WisViewer::MotionMail, this,
                [this, n] { Dispatch([this, n] { WisViewer1_MotionMail(n); }); });
    }
}

void frmMain::MotionDetected(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("WisViewer1_Motion"), [&] { MotionSteps(n); });
}

void frmMain::MotionSteps(int n)
{
    CamInfo& cam = gCam[n];
    if (!cam.MotionFlag) {
        AddEvent(n, gLangEvent[kEventMotion]);
        cam.MotionFlag = true;
        cam.LastMotionTime = ui().Now();
        if (gWinOpen[0]) {
            if (IPanelWindow* panel = m_windows.Panel())
                panel->LedControl(MotionLed(n), true);
        }
        if (gWinOpen[n]) {
            if (IClientWindow* window = m_windows.Client(n))
                window->ShowMotionText(true);
        }
    }
    if (cam.RecordMode == kRecordMotion) {
        if (cam.Recording) {
            tmrMotion[n].start();  // restarts the hold from this event
        } else if (CheckStorage(n)) {
            // The hold starts with the recording, so that a single event
            // records for kMotionHoldMs and stops.
            if (StartRecord(n, kRecordMotion))
                tmrMotion[n].start();
        } else {
            // The text of a recording that could not go on.
            AddEvent(n, gLangEvent[kEventRecordFailed]);
        }
    }
    RefreshStatus();
}

void frmMain::tmrMotion_Timer(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("tmrMotion_Timer"), [&] {
        if (gScanMode && gWinOpen[kWinOpenScan]) {
            if (IScanWindow* scan = m_windows.ScanWindow())
                scan->RefrushStatusBar();
        }
        tmrMotion[n].stop();
        StopRecord(n);
        if (gWinOpen[n]) {
            if (IClientWindow* window = m_windows.Client(n))
                window->RefrushStatusBar();
        }
    });
}

void frmMain::tmrMotionLed_Timer()
{
    if (m_closing)
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("tmrMotionLed_Timer"), [&] {
        const QDateTime now = ui().Now();
        for (int n = 1; n <= kSlotCount; ++n) {
            CamInfo& cam = gCam[n];
            if (!cam.MotionFlag
                || SecondStartsBetween(cam.LastMotionTime, now) < kMotionShownSeconds)
                continue;
            cam.MotionFlag = false;
            if (gWinOpen[0]) {
                if (IPanelWindow* panel = m_windows.Panel())
                    panel->LedControl(MotionLed(n), false);
            }
            if (gWinOpen[n]) {
                if (IClientWindow* window = m_windows.Client(n))
                    window->ShowMotionText(false);
            }
        }
    });
}

void frmMain::Start_MotionStart(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Box, QStringLiteral("Start_MotionStart"), [&] {
        if (gCam[n].Protocol == kProtocolViewer)
            WisViewer1(n).setAlarmFlags(WisViewer1(n).alarmFlags() | kAlarmMotionRecording);
        else
            Cam(n).setAlarmFlags(Cam(n).alarmFlags() | kAlarmMotionRecording);
    });
}

void frmMain::Stop_MotionStart(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Box, QStringLiteral("Stop_MotionStart"), [&] {
        if (gCam[n].Protocol == kProtocolViewer)
            WisViewer1(n).setAlarmFlags(WisViewer1(n).alarmFlags() & ~kAlarmMotionRecording);
        else
            Cam(n).setAlarmFlags(Cam(n).alarmFlags() & ~kAlarmMotionRecording);
    });
    tmrMotion[n].stop();
}

void frmMain::WisViewer1_MotionMail(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("WisViewer1_MotionMail"), [&] {
        CamInfo& cam = gCam[n];
        if (cam.SendEmail != 1)
            return;
        const QDateTime now = ui().Now();
        // Elapsed seconds only: the interval does not end at midnight. A
        // clock set back behind the last mail does not hold mails back.
        if (cam.LastMailTime.isValid()) {
            const qint64 elapsed = SecondStartsBetween(cam.LastMailTime, now);
            if (elapsed >= 0 && elapsed < cam.MailIntervalTime)
                return;
        }
        cam.LastMailTime = now;
        if (QFile::exists(MailPictureFile(n)))
            Cam(n).sendMail();
    });
}
