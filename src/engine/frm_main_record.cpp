// Starting and stopping recordings, the viewer's file split and the frame
// delay that follows the number of running and recording slots.
#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

namespace {
// The wait after a recording start, so that the control has begun.
constexpr int kRecordStartWaitMs = 200;
}  // namespace

bool frmMain::StartRecord(int n, int mode)
{
    if (Refused(n))
        return false;
    bool result = false;
    CamInfo& cam = gCam[n];
    if (cam.Assign) {
        if (!cam.Enable)
            CamStart(n);
        if (!cam.Recording && !m_closing) {
            result = CheckStorage(n);
            if (result) {
                AddEvent(n, gLangEvent[kEventRecordStarted]);
                cam.Recording = true;
                if (cam.Protocol == kProtocolViewer)
                    WisViewer1(n).recordStart();
                else
                    Cam(n).recordStart();
                ui().Sleep(kRecordStartWaitMs);
                // The kind is kept whether or not the panel is open: the
                // schedule's stop test reads it.
                if (mode >= kRecordManual && mode <= kRecordMotion)
                    cam.RecordType = mode;
                if (gWinOpen[kWinOpenPanel]) {
                    if (IPanelWindow* panel = m_windows.Panel()) {
                        panel->LedControl(RecordLed(n), true);
                        panel->RefreshPanelText();
                    }
                }
            } else {
                AddEvent(n, gLangEvent[kEventNoStorage]);
                cam.Recording = false;
                if (gWinOpen[kWinOpenPanel]) {
                    if (IPanelWindow* panel = m_windows.Panel()) {
                        panel->LedControl(RecordLed(n), false);
                        panel->RefreshPanelText();
                    }
                }
            }
        }
    }
    SetCamDelay();
    RefreshStatus();
    return result;
}

void frmMain::StopRecord(int n)
{
    if (m_unloaded || !ValidSlot(n))
        return;
    CamInfo& cam = gCam[n];
    if (cam.Protocol == kProtocolViewer)
        WisViewer1(n).recordStop();
    else
        Cam(n).recordStop();
    if (cam.Recording)
        AddEvent(n, gLangEvent[kEventRecordStopped]);
    cam.Recording = false;
    ShowRecordingEnded(n);
    SetCamDelay();
    RefreshStatus();
}

void frmMain::ShowRecordingEnded(int n)
{
    if (gWinOpen[kWinOpenPanel]) {
        if (IPanelWindow* panel = m_windows.Panel()) {
            panel->LedControl(RecordLed(n), false);
            panel->RefreshPanelText();
        }
    }
    if (gWinOpen[n]) {
        if (IClientWindow* window = m_windows.Client(n))
            window->RecordGrayBTN();
    } else if (gWinOpen[kWinOpenCombine]) {
        if (ICombineWindow* combine = m_windows.CombineWindow())
            combine->RecordGrayBTN(n);
    }
}

void frmMain::WisViewer1_RecordSplit(int n)
{
    if (Refused(n))
        return;
    // A failure ends the handler quietly; what was done stays done.
    Guard(ErrorReport::Quiet, QStringLiteral("WisViewer1_RecordSplit"), [&] {
        CamInfo& cam = gCam[n];
        WisViewer& viewer = WisViewer1(n);
        viewer.recordStop();
        // A split reported after the recording was stopped must not start
        // it again behind the operator's back.
        if (!cam.Recording)
            return;
        if (CheckStorage(n)) {
            viewer.recordStart();
        } else {
            cam.Recording = false;
            AddEvent(n, gLangEvent[kEventNoStorage]);
            StopRecord(n);
        }
        if (gWinOpen[kWinOpenPanel]) {
            if (IPanelWindow* panel = m_windows.Panel())
                panel->RefreshPanelText();
        }
        RefreshStatus();
    });
}

void frmMain::SetCamDelay()
{
    if (m_unloaded || !gIntervalEnabled)
        return;
    int running = 0;
    int recording = 0;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (gCam[n].Assign && gCam[n].Enable) {
            ++running;
            recording += gCam[n].Recording ? 1 : 0;
        }
    }
    // Base delay in ms by running slots (rows) and processor level (columns:
    // below 7, 7 to 14, 15 or 16, 17 and above).
    static constexpr int kBase[5][4] = {
        {0, 0, 0, 0}, {40, 20, 0, 0}, {60, 30, 10, 0}, {100, 50, 30, 0}, {150, 80, 50, 0}};
    const qint16 level = gSysInfo.wProcessorLevel;
    const int column = level < 7 ? 0 : level <= 14 ? 1 : level <= 16 ? 2 : 3;
    const int delay = kBase[running][column] + 10 * recording;
    for (int n = 1; n <= kSlotCount; ++n)
        Cam(n).setFrameDelay(delay);
}
