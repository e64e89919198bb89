// The camera's web pages for the current slot: the recording ends first, and
// what the operator posted on the camera's settings page (address, account,
// name) goes into the slot, onto its camera object and into main.ini before
// the slot's stream starts again.
#include "panel/frm_controller.h"

#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/panel_engine.h"
#include "panel/panel_windows.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"

namespace {

// "The camera is recording. Stop recording and continue?": Message3.
constexpr int kRecordingQuestion = 2;
// The pause before the stream starts again, after a change and without one.
constexpr int kRestartAfterChangeMs = 300;
constexpr int kRestartUnchangedMs = 400;
constexpr int kWebPort = 80;

}  // namespace

void frmController::WebSetting()
{
    if (!gCamCfgOpen || gScanMode || !Assigned())
        return;
    const int c = gCurCam;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    const bool wasRunning = cam.Enable;
    if (cam.Recording
        && ui().MsgBox(gLangCtrlMsg[kRecordingQuestion], MsgButtons::OKCancel, MsgIcon::None,
                       gAppTitle)
               == MsgResult::Cancel)
        return;
    StopCamRecord();

    auto* web = windows().Get<IWebDialog>(kWebWindowName);
    if (!web)
        return;
    struct Unloader {
        ~Unloader() { windows().Unload(kWebWindowName); }
    } unloadAtEnd;
    web->m_bRun = wasRunning;
    web->m_sOldIPAddress = cam.IPAddress;
    web->ShowModal(nullptr);

    if (!web->m_bCancel) {
        IPanelEngine& engine = PanelEngine();
        const bool changed = web->m_sIPAddress != cam.IPAddress || web->m_sUserName != cam.UserName
                             || web->m_sPassword != cam.Password;
        // The name counts only when the settings page itself was posted.
        if (web->m_bSettingsPosted)
            cam.ServerName = web->m_sServerName;
        if (changed) {
            // The camera keeps its address on the second port the slot uses,
            // and an empty posted address is no address.
            const bool secondPort =
                web->m_lSecond_Port != 0
                && (cam.Port == web->m_lImage_Second || cam.Port == web->m_lWeb_Second);
            if (web->m_lIPAssign == 1 && !secondPort && !web->m_sIPAddress.isEmpty())
                cam.IPAddress = web->m_sIPAddress;
            cam.UserName = web->m_sUserName;
            cam.Password = web->m_sPassword;
            ImageServer1().setIPAddress(cam.IPAddress);
            ImageServer1().setPort(kWebPort);
            // The camera object takes the new address and account (and main.ini keeps them).
            engine.PutSettingToCam(c);
        }
        if (wasRunning) {
            ui().SleepPumping(changed ? kRestartAfterChangeMs : kRestartUnchangedMs);
            engine.CamStart(c);
        }
    }
    gExtInfo[static_cast<size_t>(c - 1)] = false;
}
