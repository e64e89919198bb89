// What the engine does with its camera objects' events: the status codes of
// the image servers and the file splits of the viewers.
//
// Every event is handled on the GUI thread, one at a time: an event that
// arrives while another is being handled (a handler that shows a message box
// runs a nested event loop) waits until that one has ended.
#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QFile>
#include <QTimer>

void frmMain::ConnectCameraEvents()
{
    for (int n = 1; n <= kSlotCount; ++n) {
        connect(m_cam[n].get(), &ImageServer::Notify, this, [this, n](int code) {
            // Pan/tilt refusals that come while their box is open add nothing.
            if (code == NotifyCode::PanTiltFailed && m_panTiltBoxOpen)
                return;
            Dispatch([this, n, code] { Cam_Notify(n, code); });
        });
        // A protocol-3 slot's stream state comes from its viewer, in the same codes.
        connect(m_viewer[n].get(), &WisViewer::Notify, this,
                [this, n](int code) { Dispatch([this, n, code] { Cam_Notify(n, code); }); });
        connect(m_viewer[n].get(), &WisViewer::RecordSplit, this,
                [this, n] { Dispatch([this, n] { WisViewer1_RecordSplit(n); }); });
        // A protocol-3 recording that ends by itself is handled as the image server's code 11.
        connect(m_viewer[n].get(), &WisViewer::RecordFailed, this,
                [this, n] { Dispatch([this, n] { Cam_Notify(n, NotifyCode::RecordFailed); }); });
    }
}

void frmMain::Dispatch(std::function<void()> handler)
{
    m_pendingEvents.push_back(std::move(handler));
    if (m_dispatching)
        return;  // the handler running further up the stack takes it next
    m_dispatching = true;
    while (!m_pendingEvents.empty()) {
        const std::function<void()> next = std::move(m_pendingEvents.front());
        m_pendingEvents.pop_front();
        if (m_unloaded)
            continue;
        try {
            next();
        } catch (...) {
            // Handlers trap their own errors; none may stop the ones after it.
        }
    }
    m_dispatching = false;
}

void frmMain::Cam_Notify(int n, int code)
{
    if (Refused(n))
        return;
    // A failure ends the handler quietly; what was done stays done.
    Guard(ErrorReport::Quiet, QStringLiteral("Cam_Notify"), [&] { CamNotifySteps(n, code); });
}

void frmMain::CamNotifySteps(int n, int code)
{
    CamInfo& cam = gCam[n];
    IPanelWindow* panel = gWinOpen[kWinOpenPanel] ? m_windows.Panel() : nullptr;
    const auto panelRefresh = [&] {
        if (gWinOpen[kWinOpenPanel])
            if (IPanelWindow* p = m_windows.Panel())
                p->RefreshPanelText();
    };
    switch (code) {
    case NotifyCode::RecordEnded:
        // The control ended the recording itself: the LED and the buttons
        // follow, as after a stop.
        cam.Recording = false;
        ShowRecordingEnded(n);
        SetCamDelay();
        RefreshStatus();
        break;
    case NotifyCode::Connecting:
        AddEvent(n, gLangEvent[kEventConnecting]);
        break;
    case NotifyCode::Connected:
        if (gStreamRestarted[n - 1])
            gStreamRestarted[n - 1] = false;  // the one report the restart caused
        else
            AddEvent(n, gLangEvent[kEventConnected]);
        cam.Reconnecting = false;
        m_picturesCame[n] = true;
        if (panel) {
            panel->RefreshPanelText();
            panel->LedControl(ConnectedLed(n), true);
        }
        RefreshStatus();
        break;
    case NotifyCode::ConnectFailed:
        AddEvent(n, gLangEvent[kEventConnectFailed]);
        StopRecord(n);
        CamStop(n);
        panelRefresh();
        RefreshStatus();
        break;
    case NotifyCode::Motion:
        MotionSteps(n);
        break;
    case NotifyCode::RecordFailed:
        AddEvent(n, gLangEvent[kEventRecordFailed]);
        StopRecord(n);
        panelRefresh();
        RefreshStatus();
        break;
    case NotifyCode::RecordSplitSize:
    case NotifyCode::RecordSplitTime:
        if (!cam.Recording) {
            // A split reported after the recording was stopped: the kept
            // pictures are dropped, the recording is not started again.
            Cam(n).recordStop();
            break;
        }
        if (CheckStorage(n)) {
            Cam(n).recordStart();
        } else {
            cam.Recording = false;
            AddEvent(n, gLangEvent[kEventNoStorage]);
            StopRecord(n);
        }
        panelRefresh();
        RefreshStatus();
        break;
    case NotifyCode::ConnectionLost:
        // A camera that never sent a picture since the start was not lost: it
        // cannot be reached (yet).
        StreamDown(n, m_picturesCame[n] ? kEventConnectionLost : kEventConnectFailed);
        break;
    case NotifyCode::FrameDropped:
        AddEvent(n, gLangEvent[kEventFrameDropped]);
        break;
    case NotifyCode::MailSent: {
        AddEvent(n, gLangEvent[kEventMailSent]);
        const QString picture = MailPictureFile(n);
        if (QFile::exists(picture))
            QFile::remove(picture);
        break;
    }
    case NotifyCode::MailFailed:
        AddEvent(n, gLangEvent[kEventMailFailed]);
        break;
    case NotifyCode::MailServerUnreachable:
        AddEvent(n, gLangEvent[kEventMailServerUnreachable]);
        break;
    case NotifyCode::LoginRefused:
        AddEvent(n, gLangEvent[kEventLoginRefused]);
        StopRecord(n);
        CamStop(n);
        panelRefresh();
        RefreshStatus();
        break;
    case NotifyCode::Reconnected:
        if (!cam.Enable)
            cam.Enable = true;
        break;
    case NotifyCode::PanTiltFailed:
        if (!panel || m_panTiltBoxOpen)
            break;  // one box at a time
        panel->ChkBtnStatus(QString());
        panel->StopBtnHold();
        ShowBoxLater(gLangEvent[kEventConnectFailed], MsgIcon::Warning, gAppTitle,
                     &m_panTiltBoxOpen);
        break;
    case NotifyCode::StreamStalled:
        StreamDown(n, kEventStreamStalled);
        break;
    default:
        break;  // codes without a reaction
    }
}

void frmMain::StreamDown(int n, int eventText)
{
    CamInfo& cam = gCam[n];
    // A stopped slot stays off line; a slot already down logs its loss once.
    if (!cam.Enable || cam.Reconnecting)
        return;
    cam.Reconnecting = true;
    AddEvent(n, gLangEvent[static_cast<size_t>(eventText)]);
    if (gWinOpen[kWinOpenPanel]) {
        if (IPanelWindow* panel = m_windows.Panel()) {
            panel->LedControl(ConnectedLed(n), false);
            panel->RefreshPanelText();
        }
    }
    RefreshStatus();
}

void frmMain::ShowBoxLater(const QString& text, MsgIcon icon, const QString& title, bool* open)
{
    if (open)
        *open = true;
    QTimer::singleShot(0, this, [this, text, icon, title, open] {
        if (!m_unloaded) {
            Guard(ErrorReport::Quiet, QStringLiteral("ShowBoxLater"),
                  [&] { ui().MsgBox(text, MsgButtons::OK, icon, title); });
        }
        if (open)
            *open = false;
    });
}
