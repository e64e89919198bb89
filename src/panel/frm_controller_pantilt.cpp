// Pan and tilt: the operator's confirmation and the command that goes to the
// current slot's camera.
#include "panel/frm_controller.h"

#include "engine/frm_main.h"
#include "foundation/globals.h"
#include "platform/image_server/image_server.h"
#include "platform/skin/skin_form.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

bool frmController::ConfirmPTControl(int slot)
{
    if (slot < 1 || slot > kSlotCount)
        return false;
    const CamInfo& cam = gCam[static_cast<size_t>(slot)];
    if (cam.Alarm != 1 && cam.SendEmail != 1 && cam.RecordMode != kRecordMotion)
        return true;
    // The question takes the mouse: no repeat, and no button keeps a pressed look.
    tmrBtnHold.stop();
    for (int row = kRowPtFirst; row <= kRowPtLast; ++row) {
        SkinElement* el = RowElement(row);
        if (el && el->picture() != gPanelBtn[static_cast<size_t>(row)].BtnStr[kCellNormal])
            ShowBtnBitmap(row, kCellNormal);
    }
    return ui().MsgBox(gLangCtrlMsg[3], MsgButtons::YesNo, MsgIcon::Warning, gAppTitle)
           != MsgResult::No;
}

void frmController::SendPTCommand(int slot, int code)
{
    // Every caller steers the current slot.
    if (slot != gCurCam || !Assigned() || gScanMode)
        return;
    CamInfo& cam = gCam[static_cast<size_t>(slot)];
    frmMain* engine = Engine();
    if (!engine)
        return;
    // Steering the camera ends motion handling: the alarm, the mail and the
    // motion recording go off (saved with the next save of the settings).
    cam.Alarm = 0;
    cam.SendEmail = 0;
    engine->Cam(slot).setAlarmFlags(0);
    engine->WisViewer1(slot).setAlarmFlags(0);
    if (cam.RecordMode == kRecordMotion) {
        engine->tmrMotion[static_cast<size_t>(slot)].stop();
        if (cam.Recording)
            engine->StopRecord(slot);
        cam.RecordMode = kRecordNone;
        RefreshRecordLooks(slot);
    }
    RefreshPanelText();
    engine->Cam(slot).ptControl(code);
}
