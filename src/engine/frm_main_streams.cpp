// Starting and stopping a slot's stream.
#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

void frmMain::CamStart(int n)
{
    if (Refused(n) || m_streamBusy[n])
        return;  // a start or stop of this slot is already under way
    m_streamBusy[n] = true;
    m_stopPending[n] = false;
    Guard(ErrorReport::Box, QStringLiteral("CamStart"), [&] { CamStartSteps(n); });
    m_streamBusy[n] = false;
    if (m_stopPending[n] && !m_closing) {
        m_stopPending[n] = false;
        CamStop(n);
    }
}

void frmMain::CamStartSteps(int n)
{
    ImageServer& cam = Cam(n);
    WisViewer& viewer = WisViewer1(n);
    const int protocol = gCam[n].Protocol;

    for (int attempt = 1; attempt <= kStopAttempts; ++attempt) {
        if (protocol == kProtocolViewer) {
            if ((viewer.state() & WisViewer::kStateRunning) == 0)
                break;
            viewer.stop();
        } else {
            if (!cam.isRunning())
                break;
            if (protocol == kProtocolWebStream) {
                cam.setStreamMode(0);
                cam.applyStreamMode();
            }
            cam.stop();
        }
        ui().DoEvents();
        ui().Sleep(kStopWaitMs);
        if (m_closing)
            return;  // the program began to end while events ran
    }

    if (protocol == kProtocolViewer) {
        // A slot that was stopped when its settings were pushed was never
        // connected; nor was one whose address has changed since.
        if (m_viewerAddress[n].isEmpty() || m_viewerAddress[n] != gCam[n].IPAddress)
            ConnectViewer(n);
        viewer.start();
    } else {
        if (protocol == kProtocolWebStream)
            cam.setStreamMode(1);
        cam.start();
    }
    gCam[n].Reconnecting = false;  // on line until the stream says otherwise
    m_picturesCame[n] = false;

    if (gWinOpen[kWinOpenPanel]) {
        if (IPanelWindow* panel = m_windows.Panel())
            panel->LedControl(3 * n, true);
    }
    AddEvent(n, gLangEvent[0]);
    gCam[n].Enable = true;
    RefreshStatus();
    SetCamDelay();
}

void frmMain::CamStop(int n)
{
    if (Refused(n))
        return;
    if (m_streamBusy[n]) {
        // Asked while a start of this slot waits for its old stream to end:
        // the stop comes right after that start, so the last request wins.
        m_stopPending[n] = true;
        return;
    }
    m_streamBusy[n] = true;
    Guard(ErrorReport::Box, QStringLiteral("CamStop"), [&] { CamStopSteps(n); });
    m_streamBusy[n] = false;
}

void frmMain::CamStopSteps(int n)
{
    CamInfo& rec = gCam[n];
    if (rec.Recording)
        StopRecord(n);

    IClientWindow* window = gWinOpen[n] ? m_windows.Client(n) : nullptr;
    if (rec.Protocol == kProtocolViewer) {
        WisViewer1(n).audioOff();
        WisViewer1(n).stop();
        if (window)
            window->RepaintPicture();
    } else if (rec.Protocol == kProtocolWebStream) {
        Cam(n).setStreamMode(0);
        Cam(n).applyStreamMode();
        if (window)
            window->RepaintPicture();
    } else {
        Cam(n).stop();
        if (window) {
            window->RepaintPicture();
            window->SetColorCtlVisible(false);
            window->ShowColorCtl_Fun();
        }
    }
    gAudioOn[n - 1] = false;
    rec.Reconnecting = false;
    if (gCombineMode == 1) {
        if (ICombineWindow* combine = m_windows.CombineWindow())
            combine->RepaintCell(n);
    }
    if (gWinOpen[kWinOpenPanel]) {
        if (IPanelWindow* panel = m_windows.Panel())
            panel->LedControl(3 * n, false);
    }
    AddEvent(n, gLangEvent[1]);
    rec.Enable = false;
    RefreshStatus();
    SetCamDelay();
}
