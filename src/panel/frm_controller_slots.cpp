// Camera slots: selecting one, filling it from the search dialog, assigning
// another camera, erasing it, and connecting or disconnecting its stream.
#include "panel/frm_controller.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "panel/panel_engine.h"
#include "panel/panel_windows.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/skin/skin_form.h"
#include "platform/toolbar/tool_bar.h"
#include "platform/ui_services.h"

#include <QDebug>
#include <exception>

namespace {

IPanelCombineWindow* CombineWindow()
{
    return windows().IfLoaded<IPanelCombineWindow>(kCombineWindowName);
}

}  // namespace

bool frmController::RunBrowseDialog(IBrowseDialog*& browse)
{
    browse = windows().Get<IBrowseDialog>(kBrowseWindowName);
    if (!browse)
        return false;
    browse->m_bCancel = false;
    browse->ShowModal(this);
    // The dialog may have been unloaded meanwhile (the program is ending).
    browse = windows().IfLoaded<IBrowseDialog>(kBrowseWindowName);
    return browse && !browse->m_bCancel;
}

void frmController::SelectCam(int cam)
{
    if (gScanMode || cam < 1 || cam > kSlotCount)
        return;
    if (gWinOpen[kWinOpenCombine]) {
        if (IPanelCombineWindow* combine = CombineWindow()) {
            combine->RefrushShowClrCtl(cam);
            combine->RefrushListCtl(cam);
            combine->PutActiveBorder(cam);
        }
    }
    if (cam != gCurCam)
        tmrBtnHold.stop();
    gCurCam = cam;
    RefreshPanelText();
    RefrushCamCfgBtn();

    if (gCam[static_cast<size_t>(cam)].Assign) {
        ShowBtnBitmap(cam + kRowCamBase, kCellHover);
    } else {
        IBrowseDialog* browse = nullptr;
        if (RunBrowseDialog(browse)) {
            GetCamFromBrowse(cam, *browse);
            if (frmMain* engine = Engine()) {
                engine->PutSettingToCam(cam);
                engine->CamStart(cam);
            }
            RefreshPanelText();
        }
        windows().Unload(kBrowseWindowName);
        ShowBtnBitmap(cam + kRowCamBase, kCellNormal);
    }
    ShowClient(cam);
    RefreshPanelText();
    RefrushCamCfgBtn();
    RefreshPTPanel();
}

void frmController::ShowClient(int n)
{
    if (n < 1 || n > kSlotCount)
        return;
    const QString name = ClientWindowName(n);
    if (gCombineMode == 0 && gCam[static_cast<size_t>(n)].Assign) {
        QObject* loaded = windows().Get(name);
        if (auto* window = qobject_cast<QWidget*>(loaded)) {
            if (!window->isVisible()) {
                if (auto* client = dynamic_cast<IClientWindow*>(loaded))
                    client->ShowModeless();
                else
                    window->show();
            } else {
                if (window->isMinimized())
                    window->showNormal();
                window->raise();
                window->activateWindow();
            }
        }
    }
    gCurCam = n;
    if (!gScanMode && gWinOpen[static_cast<size_t>(n)] && gCam[static_cast<size_t>(n)].Assign) {
        if (auto* client = windows().IfLoaded<IClientWindow>(name))
            client->RefrushStatusBar();
    }
}

void frmController::GetCamFromBrowse(int slot, const IBrowseDialog& browse)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    CamInfo& cam = gCam[static_cast<size_t>(slot)];
    gStreamRestarted[static_cast<size_t>(slot - 1)] = false;
    cam.Assign = true;
    cam.AdminVerified = false;
    cam.Recording = false;
    cam.IPAddress = browse.m_sIPAddress;
    cam.MacAddress = browse.m_sMACAddress;
    cam.Port = browse.m_lPort;
    cam.IsLocalCamera = browse.m_bLocalCamera;
    cam.Protocol = browse.m_lProtocol;
    cam.ServerName = browse.m_sServerName;
    cam.ServerModel = browse.m_sServerModel;
    cam.FWVersion = browse.m_sFWVersion;
    cam.HWVersion = browse.m_sHWVersion;
    cam.ROMVersion = browse.m_sROMVersion;
    cam.UserName = browse.m_sUserame;
    cam.Password = browse.m_sPassword;
    cam.RecordType = 1;
    cam.Enable = true;
    cam.RotateAngle = 0;
    cam.RecordMode = kRecordNone;
    cam.LastMotionTime = ui().Now();
    cam.MotionFlag = false;
    cam.ServerLocation = browse.m_sLocation;
    cam.PT = browse.m_bPT;
    cam.MailIntervalTime = 5;
    cam.MailServer.clear();
    cam.MailFrom.clear();
    cam.MailTo.clear();
    cam.MailSubject.clear();
    cam.MailUserName.clear();
    cam.MailPassword.clear();
    cam.Sensitivity = 5;
    cam.Alarm = 0;
    cam.SendEmail = 0;
    cam.Trig1 = 0;
    cam.Trig2 = 0;
    cam.ScheduleCount = 0;
    cam.CurSchedule = 0;
    for (int k = 1; k <= kScheduleCount; ++k) {
        ScheduleInfo& s = cam.Schedule[static_cast<size_t>(k)];
        s.CHECK = false;
        s.MODE = 1;
        s.WeekOption = 0;
        s.TimeStart.clear();
        s.TimeStop.clear();
        s.DateStart.clear();
        s.DateStop.clear();
        s.Started = false;
        s.Stopped = false;
    }
    if (slot == gCurCam && gWinOpen[kWinOpenCombine]) {
        if (IPanelCombineWindow* combine = CombineWindow())
            combine->PutActiveBorder(slot);
    }
}

void frmController::AssignCam()
{
    const int cam = gCurCam;
    IBrowseDialog* browse = nullptr;
    if (RunBrowseDialog(browse)) {
        frmMain* engine = Engine();
        if (engine)
            engine->CamStop(cam);
        // The stop is normally done at once; a stop that cannot be done now
        // (the stream is being started elsewhere) is waited for a short while.
        for (int poll = 0; poll < kStopPolls && gCam[static_cast<size_t>(cam)].Enable; ++poll)
            ui().SleepPumping(kStopPollMs);
        if (gCam[static_cast<size_t>(cam)].Enable) {
            ui().MsgBox(m_textNotStopped, MsgButtons::OK, MsgIcon::Warning, gAppTitle);
        } else if (engine) {
            GetCamFromBrowse(cam, *browse);
            engine->PutSettingToCam(cam);
            engine->CamStart(cam);
            ShowClient(cam);
            if (gWinOpen[static_cast<size_t>(cam)]) {
                QObject* window = windows().IfLoaded(ClientWindowName(cam));
                if (auto* toolbar = window ? window->findChild<ActiveToolBar*>() : nullptr) {
                    if (Tool* fit = toolbar->Tools(QStringLiteral("ID_FitWindow")))
                        fit->setState(1);
                }
                // The new camera's picture starts fitted to the window.
                if (auto* client = dynamic_cast<IClientWindow*>(window))
                    client->Form_Resize();
            }
            RefreshPTPanel();
            RefreshPanelText();
        }
    }
    windows().Unload(kBrowseWindowName);
}

void frmController::EraseCam()
{
    const int cam = gCurCam;
    if (cam < 1 || cam > kSlotCount)
        return;
    CamInfo& rec = gCam[static_cast<size_t>(cam)];
    if (frmMain* engine = Engine()) {
        engine->CamStop(cam);
        if (rec.Recording)
            engine->StopRecord(cam);
    }
    gCamCfgOpen = false;
    rec.Enable = false;
    rec.Assign = false;
    rec.UserName.clear();
    rec.Password.clear();
    rec.IPAddress.clear();
    rec.MacAddress = QStringLiteral("0.0.0.0.0.0");
    rec.Port = kDefaultCamPort;
    rec.Protocol = kProtocolServer;
    rec.IsLocalCamera = true;
    rec.FWVersion.clear();
    rec.HWVersion.clear();
    rec.ROMVersion.clear();
    rec.ServerName.clear();
    rec.ServerLocation.clear();
    rec.ServerModel.clear();
    rec.Recording = false;
    rec.RecordType = 1;
    rec.PT = false;
    RefreshPTPanel();
    if (gWinOpen[static_cast<size_t>(cam)])
        windows().Unload(ClientWindowName(cam));
    RefreshPanelText();
    if (gWinOpen[kWinOpenCombine] && cam == gCurCam) {
        if (IPanelCombineWindow* combine = CombineWindow())
            combine->PutActiveBorder(cam);
    }
}

void frmController::ResetAudioButton(QWidget* window)
{
    auto* skin = window ? window->findChild<SkinForm*>() : nullptr;
    const BtnInfo& audio = gViewBtn[10];
    if (!skin || audio.BtnName.isEmpty())
        return;
    SkinElement& el = skin->GetElement(audio.BtnName);
    el.setStatePicture(audio.BtnStr[3]);
}

void frmController::Connect_Fun(int slot)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    CamInfo& cam = gCam[static_cast<size_t>(slot)];
    frmMain* engine = Engine();
    if (cam.Enable) {
        ShowBtnBitmap(kRowConnect, kCellHover);
        cam.RecordMode = kRecordNone;
        PanelEngine().Stop_MotionStart(slot);
        if (engine)
            engine->CamStop(slot);
        // The stop redraws the recording buttons only when a recording ran; an
        // armed schedule or motion mode ended here without one.
        RefreshRecordLooks(slot);
        if (cam.Protocol == kProtocolViewer || cam.Protocol == kProtocolWebStream) {
            if (gWinOpen[static_cast<size_t>(slot)])
                ResetAudioButton(windows().IfLoaded<QWidget>(ClientWindowName(slot)));
            if (gWinOpen[kWinOpenCombine] && gCombineMode == 1)
                ResetAudioButton(windows().IfLoaded<QWidget>(kCombineWindowName));
        }
    } else {
        ShowBtnBitmap(kRowConnect, kCellDown);
        if (engine)
            engine->CamStart(slot);
    }
    gStreamRestarted[static_cast<size_t>(slot - 1)] = false;
}

void frmController::ImageServer1_EndCheckIP(int status)
{
    Guard(ErrorReport::Quiet, QStringLiteral("ImageServer1_EndCheckIP"), [&] {
        if (status != ImageServer::kTrue) {
            ui().MsgBox(gLangCtrlMsg[0], MsgButtons::OK, MsgIcon::None, gAppTitle);
            return;
        }
        const int c = gCurCam;
        if (c < 1 || c > kSlotCount)
            return;
        CamInfo& cam = gCam[static_cast<size_t>(c)];
        ImageServer& server = ImageServer1();
        server.selectServer(-1);
        cam.Port = server.port();
        cam.IsLocalCamera = server.isLocalCamera();
        cam.Protocol = server.serverProtocol();
        if (cam.Protocol == kProtocolServer)
            cam.Port = kDefaultCamPort;
        else if (cam.Protocol == kProtocolServer80)
            cam.Port = 80;
        cam.MacAddress = server.serverMacAddress();
        cam.ServerModel = server.serverModel();
        cam.ServerName = server.serverName();
        cam.FWVersion = server.fwVersion();
        cam.HWVersion = server.hwVersion();
        cam.ROMVersion = server.romVersion();
        if (frmMain* engine = Engine()) {
            engine->PutSettingToCam(c);
            engine->CamStart(c);
        }
    });
}
