// The recording modes of the current slot (manual, schedule, motion), and
// ending any of them.
#include "panel/frm_controller.h"

#include "foundation/globals.h"
#include "foundation/window_names.h"
#include "foundation/window_registry.h"
#include "panel/panel_engine.h"
#include "panel/panel_windows.h"
#include "platform/ui_services.h"

#include <algorithm>

namespace {

// The storage messages: Message2 of the panel's texts.
constexpr int kNoStorageMessage = 1;

void StorageMessage(bool exclamation)
{
    ui().MsgBox(gLangCtrlMsg[kNoStorageMessage], MsgButtons::OK,
                exclamation ? MsgIcon::Warning : MsgIcon::None, gAppTitle);
}

}  // namespace

bool frmController::HasSchedule(int slot)
{
    if (slot < 1 || slot > kSlotCount)
        return false;
    const CamInfo& cam = gCam[static_cast<size_t>(slot)];
    const int count = std::min(cam.ScheduleCount, kScheduleCount);
    for (int k = 1; k <= count; ++k)
        if (cam.Schedule[static_cast<size_t>(k)].CHECK)
            return true;
    return false;
}

void frmController::StopRunningRecording(int c)
{
    if (gCam[static_cast<size_t>(c)].Recording)
        PanelEngine().StopRecord(c);
}

void frmController::StartManualRecording(int c)
{
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    if (PanelEngine().StartRecord(c, kRecordManual)) {
        cam.RecordMode = kRecordManual;
    } else {
        cam.RecordMode = kRecordNone;
        StorageMessage(true);
    }
}

void frmController::EditSchedules() { ShowDialog(kScheduleWindowName, this); }

void frmController::RefreshRecordLooks(int c)
{
    if (gWinOpen[static_cast<size_t>(c)]) {
        if (auto* client = windows().IfLoaded<IClientWindow>(ClientWindowName(c)))
            client->RecordGrayBTN();
    } else if (gWinOpen[kWinOpenCombine]) {
        if (auto* combine = windows().IfLoaded<ICombineWindow>(kCombineWindowName))
            combine->RecordGrayBTN(c);
    }
}

void frmController::LeaveRecordMode(int c, int mode)
{
    if (mode == kRecordMotion)
        PanelEngine().Stop_MotionStart(c);
    StopRunningRecording(c);
}

bool frmController::ManualRecord()
{
    if (gScanMode || !Assigned())
        return true;
    const int c = gCurCam;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    const int entry = cam.RecordMode;
    switch (entry) {
    case kRecordNone:
        StartManualRecording(c);
        break;
    case kRecordManual:
        cam.RecordMode = kRecordNone;
        PanelEngine().StopRecord(c);
        break;
    case kRecordSchedule:
    case kRecordMotion:
        LeaveRecordMode(c, entry);
        StartManualRecording(c);
        break;
    default:
        break;
    }
    RefreshRecordLooks(c);
    return entry != kRecordNone;
}

bool frmController::ToggleArmedMode(int mode, void (frmController::*arm)(int c, int entry))
{
    if (gScanMode || !Assigned())
        return true;
    const int c = gCurCam;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    const int entry = cam.RecordMode;
    if (entry == mode) {
        LeaveRecordMode(c, entry);
        cam.RecordMode = kRecordNone;
    } else if (entry >= kRecordNone && entry <= kRecordMotion) {
        if (entry != kRecordNone)
            LeaveRecordMode(c, entry);
        (this->*arm)(c, entry);
    }
    RefreshRecordLooks(c);
    return entry != kRecordNone;
}

void frmController::ArmSchedule(int c, int entry)
{
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    EditSchedules();
    // A schedule takes over when one of its entries is active and a storage
    // is ready; coming from motion mode the storage is not asked again.
    if (!HasSchedule(c)) {
        cam.RecordMode = kRecordNone;
    } else if (entry == kRecordMotion || PanelEngine().CheckStorage(c)) {
        cam.RecordMode = kRecordSchedule;
    } else {
        cam.RecordMode = kRecordNone;
        StorageMessage(false);
    }
}

void frmController::ArmMotion(int c, int)
{
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    IPanelEngine& engine = PanelEngine();
    if (engine.CheckStorage(c)) {
        cam.RecordMode = kRecordMotion;
        engine.Start_MotionStart(c);
    } else {
        cam.RecordMode = kRecordNone;
        StorageMessage(false);
    }
}

bool frmController::ScheduleRecord()
{
    return ToggleArmedMode(kRecordSchedule, &frmController::ArmSchedule);
}

bool frmController::MotionRecord()
{
    return ToggleArmedMode(kRecordMotion, &frmController::ArmMotion);
}

void frmController::StopCamRecord()
{
    if (gScanMode || !Assigned())
        return;
    const int c = gCurCam;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    switch (cam.RecordMode) {
    case kRecordManual:
        cam.RecordMode = kRecordNone;
        PanelEngine().StopRecord(c);
        break;
    case kRecordSchedule:
    case kRecordMotion:
        LeaveRecordMode(c, cam.RecordMode);
        cam.RecordMode = kRecordNone;
        break;
    default:
        break;
    }
}
