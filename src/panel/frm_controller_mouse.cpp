// The panel's pointer feedback (hover, pressed and normal looks, the pan/tilt
// press) and its click dispatcher.
#include "panel/frm_controller.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/language_variant.h"
#include "foundation/settings.h"
#include "panel/panel_windows.h"
#include "platform/image_server/admin_account.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/skin/skin_form.h"
#include "platform/toolbar/tool_bar.h"
#include "platform/ui_services.h"

namespace {

constexpr int kLeftButton = 1;

// Pan/tilt codes of the rows PT-L, PT-R, PT-U, PT-D, PT-H, PT-S.
constexpr int kPtCodes[] = {ImageServer::kPtLeft, ImageServer::kPtRight,  ImageServer::kPtUp,
                            ImageServer::kPtDown, ImageServer::kPtCentre, ImageServer::kPtStop};
constexpr int kRowPtDown = 37;
constexpr int kRowPtLastDirection = 37;  // L, R, U, D repeat while held

// Clears a flag when the scope ends, also when leaving by an exception.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

// ---------------------------------------------------------- command table

// Whether an element shows its hover and pressed looks for the current slot.
using PointerRule = bool (*)(const CamInfo& cam, bool hover);

namespace {

bool AnyTime(const CamInfo&, bool) { return true; }
bool ScanOffHover(const CamInfo&, bool hover) { return hover && !gScanMode; }
bool SingleDisplayHover(const CamInfo&, bool hover) { return hover && gCombineMode == 0; }
bool AssignedScanOff(const CamInfo& cam, bool) { return cam.Assign && !gScanMode; }
// A recording button under the pointer while its own mode records keeps its "on" look.
bool RecordHover(const CamInfo& cam, bool hover, int mode)
{
    return hover && cam.Assign && !gScanMode && !(cam.Recording && cam.RecordMode == mode);
}
bool MotionRecHover(const CamInfo& cam, bool hover)
{
    return RecordHover(cam, hover, kRecordMotion);
}
bool ScheduleRecHover(const CamInfo& cam, bool hover)
{
    return RecordHover(cam, hover, kRecordSchedule);
}
bool ManualRecHover(const CamInfo& cam, bool hover)
{
    return RecordHover(cam, hover, kRecordManual);
}
bool ConnectHover(const CamInfo& cam, bool hover)
{
    return hover && cam.Assign && !gScanMode && !cam.Enable;
}
bool ExtInfoLooks(const CamInfo& cam, bool hover)
{
    if (hover)
        return cam.Assign && !gScanMode && !gExtInfo[static_cast<size_t>(gCurCam - 1)];
    return cam.Assign && !gScanMode;
}
bool SetUpGroup(const CamInfo& cam, bool) { return cam.Assign && gCamCfgOpen && !gScanMode; }
bool MotionLooks(const CamInfo& cam, bool)
{
    switch (CurrentVariant()) {
    case LangVariant::TarselS:
        return cam.Assign && !gScanMode;
    case LangVariant::DADODEZE:
        return cam.Assign;
    default:
        return cam.Assign && gCamCfgOpen && !gScanMode;
    }
}
bool UpdateLooks(const CamInfo& cam, bool hover)
{
    return SetUpGroup(cam, hover) && cam.Protocol != kProtocolViewer
           && cam.Protocol != kProtocolWebStream;
}
bool CamConfHover(const CamInfo& cam, bool hover)
{
    return hover && cam.Assign && !gScanMode && !gCamCfgOpen;
}
bool PanTilt(const CamInfo& cam, bool) { return cam.Assign && cam.PT && !gScanMode; }
bool PanTiltStop(const CamInfo& cam, bool hover)
{
    return PanTilt(cam, hover) && cam.Protocol != kProtocolViewer;
}

}  // namespace

// One row per command element: its name, when it shows its pointer looks,
// the click's guard, the command, and whether the common refresh follows.
struct frmController::CommandRow {
    QLatin1StringView name;
    PointerRule pointer;
    ClickGuard guard;
    // False when the command refused the click outright (no common refresh).
    bool (frmController::*command)(SkinElement& clicked);
    bool tail;
};

std::span<const frmController::CommandRow> frmController::CommandTable()
{
    using G = ClickGuard;
    using P = frmController;
    static constexpr CommandRow rows[] = {
        {QLatin1StringView("Min"), AnyTime, G::None, &P::Min_Click, true},
        {QLatin1StringView("Close"), AnyTime, G::None, &P::Other_Click, true},
        {QLatin1StringView("About"), AnyTime, G::None, &P::About_Click, true},
        {QLatin1StringView("Scan"), ScanOffHover, G::None, &P::Scan_Click, true},
        {QLatin1StringView("Combine"), SingleDisplayHover, G::None, &P::Combine_Click, true},
        {QLatin1StringView("SysConf"), AnyTime, G::None, &P::SysConf_Click, true},
        {QLatin1StringView("MotionRec"), MotionRecHover, G::ScanOffAssigned, &P::MotionRec_Click,
         true},
        {QLatin1StringView("ScheduleRec"), ScheduleRecHover, G::ScanOffAssigned,
         &P::ScheduleRec_Click, true},
        {QLatin1StringView("ManualRec"), ManualRecHover, G::ScanOffAssigned, &P::ManualRec_Click,
         true},
        {QLatin1StringView("Assign"), AssignedScanOff, G::ScanOffAssigned, &P::Assign_Click, true},
        {QLatin1StringView("Connect"), ConnectHover, G::ScanOffAssigned, &P::Connect_Click, true},
        {QLatin1StringView("Erase"), AssignedScanOff, G::ScanOffAssigned, &P::Erase_Click, true},
        {QLatin1StringView("ExtInfo"), ExtInfoLooks, G::ScanOffAssigned, &P::ExtInfo_Click, true},
        {QLatin1StringView("Web"), SetUpGroup, G::ScanOff, &P::Web_Click, true},
        {QLatin1StringView("Motion"), MotionLooks, G::ScanOff, &P::Motion_Click, true},
        {QLatin1StringView("Update"), UpdateLooks, G::ScanOff, &P::Update_Click, true},
        {QLatin1StringView("Cam1"), AnyTime, G::None, &P::Cam_Click, true},
        {QLatin1StringView("Cam2"), AnyTime, G::None, &P::Cam_Click, true},
        {QLatin1StringView("Cam3"), AnyTime, G::None, &P::Cam_Click, true},
        {QLatin1StringView("Cam4"), AnyTime, G::None, &P::Cam_Click, true},
        {QLatin1StringView("Play"), AnyTime, G::None, &P::Play_Click, true},
        {QLatin1StringView("CamConf"), CamConfHover, G::ScanOff, &P::CamConf_Click, true},
        // Pan and tilt act on press and release; the click itself does nothing.
        {QLatin1StringView("PT-L"), PanTilt, G::None, &P::PanTilt_Click, true},
        {QLatin1StringView("PT-R"), PanTilt, G::None, &P::PanTilt_Click, true},
        {QLatin1StringView("PT-U"), PanTilt, G::None, &P::PanTilt_Click, true},
        {QLatin1StringView("PT-D"), PanTilt, G::None, &P::PanTilt_Click, true},
        {QLatin1StringView("PT-H"), PanTilt, G::None, &P::PanTilt_Click, true},
        {QLatin1StringView("PT-S"), PanTiltStop, G::None, &P::PanTilt_Click, true},
    };
    return rows;
}

const frmController::CommandRow* frmController::FindCommand(const QString& name)
{
    for (const CommandRow& row : CommandTable())
        if (name == row.name)
            return &row;
    return nullptr;
}

// ------------------------------------------------------- pointer feedback

bool frmController::PointerGuard(int row, Pointer event) const
{
    const int c = gCurCam;
    if (c < 1 || c > kSlotCount || row < 0 || row >= kPanelBtnCount)
        return false;
    const CommandRow* command = FindCommand(gPanelBtn[static_cast<size_t>(row)].BtnName);
    if (!command)
        return false;
    const bool hover = event == Pointer::In || event == Pointer::Out;
    return command->pointer(gCam[static_cast<size_t>(c)], hover);
}

void frmController::SkinForm1_MouseIn(SkinElement* element)
{
    Guard(ErrorReport::Box, QStringLiteral("SkinForm1_MouseIn"), [&] {
        if (!element || !m_loaded)
            return;
        const int row = RowOf(element->Name());
        if (row < 0 || (row >= 20 && row <= 31) || row == kRowPtGroup)
            return;
        ChkBtnStatus(element->Name());
        if (row == kRowConnect)
            m_connectHover = true;
        else if (row == kRowCamConf)
            m_camConfHover = true;
        if (RowAvailable(row) && PointerGuard(row, Pointer::In))
            ShowBtnBitmap(row, kCellHover);
    });
}

void frmController::SkinForm1_MouseOut(SkinElement* element)
{
    Guard(ErrorReport::Box, QStringLiteral("SkinForm1_MouseOut"), [&] {
        if (!element || !m_loaded)
            return;
        const int row = RowOf(element->Name());
        if (row < 0 || (row >= 20 && row <= 31) || row == kRowPtGroup)
            return;
        if (row == kRowConnect)
            m_connectHover = false;
        else if (row == kRowCamConf)
            m_camConfHover = false;
        // A held direction button stops repeating when the pointer leaves
        // it, whatever has changed since the press.
        if (row >= kRowPtFirst && row <= kRowPtLastDirection)
            tmrBtnHold.stop();
        if (RowAvailable(row) && PointerGuard(row, Pointer::Out))
            ShowBtnBitmap(row, kCellNormal);
    });
}

void frmController::SkinForm1_MouseDown(SkinElement* element, int button)
{
    Guard(ErrorReport::Box, QStringLiteral("SkinForm1_MouseDown"), [&] {
        if (!element || !m_loaded || button != kLeftButton)
            return;
        const QString name = element->Name();
        const int row = RowOf(name);
        const bool command =
            (row >= 0 && row <= 2) || (row >= 5 && row <= 19) || (row >= 32 && row <= kRowPtLast);
        if (!command) {
            ReassertTopMost();
            return;
        }
        if (!RowAvailable(row) || !PointerGuard(row, Pointer::Down))
            return;
        if (row < kRowPtFirst) {
            ShowBtnBitmap(row, kCellDown);
            return;
        }
        // A pan/tilt press.
        if (row <= kRowPtLastDirection)
            tmrBtnHold.start(500);
        else
            tmrBtnHold.stop();
        ShowBtnBitmap(row, kCellDown);
        const int slot = gCurCam;
        if (commands.ConfirmPTControl(slot)) {
            if (row <= kRowPtLastDirection)
                tmrBtnHold.setInterval(500);
            m_ptCode = kPtCodes[row - kRowPtFirst];
            commands.SendPTCommand(slot, m_ptCode);
            if (row == kRowPtDown)
                commands.SendPTCommand(slot, m_ptCode);
        } else {
            tmrBtnHold.stop();  // refused: nothing goes out, now or later
            RefrushCamCfgBtn();
            if (frmMain* engine = Engine())
                engine->RefreshStatus();
        }
    });
}

void frmController::SkinForm1_MouseUp(SkinElement* element, int button)
{
    Guard(ErrorReport::Box, QStringLiteral("SkinForm1_MouseUp"), [&] {
        if (!element || !m_loaded || button != kLeftButton)
            return;
        const int row = RowOf(element->Name());
        if (row < 0)
            return;
        // Releasing a direction button always ends its repeat.
        if (row >= kRowPtFirst && row <= kRowPtLastDirection)
            tmrBtnHold.stop();
        if (!RowAvailable(row) || !PointerGuard(row, Pointer::Up))
            return;
        if (row >= kRowPtFirst && row <= kRowPtLast) {
            if (element->picture() == gPanelBtn[static_cast<size_t>(row)].BtnStr[kCellDown])
                ShowBtnBitmap(row, kCellHover);
            return;
        }
        ShowBtnBitmap(row, kCellNormal);
    });
}

void frmController::ReassertTopMost()
{
    for (int n = 1; n <= kSlotCount; ++n) {
        if (!gOnTop[OnTopIndexOfSlot(n)])
            continue;
        if (auto* window = windows().IfLoaded<QWidget>(ClientWindowName(n)))
            SetTopMost(window, true);
    }
}

void frmController::tmrBtnHold_Timer()
{
    Guard(
        ErrorReport::Quiet, QStringLiteral("tmrBtnHold_Timer"),
        [this] {
            tmrBtnHold.setInterval(50);
            if (commands.SendPTCommand)
                commands.SendPTCommand(gCurCam, m_ptCode);
            else
                tmrBtnHold.stop();
        },
        [this] { tmrBtnHold.stop(); });
}

void frmController::StopBtnHold() { tmrBtnHold.stop(); }

// --------------------------------------------------------- click dispatch

void frmController::SkinForm1_Click(SkinElement* element)
{
    if (!element || !m_loaded || m_commandBusy)
        return;  // a command still under way lets events run: no second one meanwhile
    Guard(ErrorReport::Quiet, QStringLiteral("SkinForm1_Click"), [&] {
        if (!CommandAvailable(element->Name()))
            return;
        BusyFlag busy(m_commandBusy);
        if (Dispatch(*element))
            CommonTail();
    });
}

void frmController::CommonTail()
{
    RefrushCamCfgBtn();
    if (frmMain* engine = Engine())
        engine->RefreshStatus();
}

bool frmController::Dispatch(SkinElement& element)
{
    const CommandRow* row = FindCommand(element.Name());
    if (!row)
        return Other_Click(element);
    if (row->guard != ClickGuard::None && gScanMode)
        return false;  // refused outright: not even the common refresh
    if (row->guard == ClickGuard::ScanOffAssigned && !Assigned())
        return row->tail;  // an empty slot skips the command, the refresh still follows
    const bool done = (this->*(row->command))(element);
    return done && row->tail;
}

// --------------------------------------------------------------- commands

namespace {

bool& ExtInfoFlag() { return gExtInfo[static_cast<size_t>(gCurCam - 1)]; }
bool CurrentRecording() { return gCam[static_cast<size_t>(gCurCam)].Recording; }

}  // namespace

void frmController::CloseInfo()
{
    ExtInfoFlag() = false;
    gCamCfgOpen = false;
    RefreshPanelText();
}

bool frmController::Cam_Click(SkinElement& clicked)
{
    const int n = clicked.Name().back().digitValue();
    if (gCurCam != n)
        gCamCfgOpen = false;
    SelectCam(n);
    ExtInfoFlag() = false;
    RefreshPanelText();
    return true;
}

bool frmController::SysConf_Click(SkinElement&)
{
    ShowDialog(kSysConfWindowName, this);
    return true;
}

bool frmController::ManualRec_Click(SkinElement& clicked)
{
    const bool hadMode = commands.ManualRecord();
    CloseInfo();
    if (hadMode && !CurrentRecording())
        clicked.setStatePicture(RowLook(kRowManualRec, kCellHover));
    return true;
}

bool frmController::ScheduleRec_Click(SkinElement& clicked)
{
    gCamCfgOpen = false;
    const bool hadMode = commands.ScheduleRecord();
    RefreshPanelText();
    if (!CurrentRecording())
        clicked.setStatePicture(RowLook(kRowScheduleRec, hadMode ? kCellHover : kCellNormal));
    return true;
}

bool frmController::MotionRec_Click(SkinElement& clicked)
{
    gCamCfgOpen = false;
    commands.MotionRecord();
    RefreshPanelText();
    if (!CurrentRecording())
        clicked.setStatePicture(RowLook(kRowMotionRec, kCellHover));
    return true;
}

bool frmController::Assign_Click(SkinElement&)
{
    AssignCam();
    CloseInfo();
    return true;
}

bool frmController::Motion_Click(SkinElement&)
{
    const LangVariant variant = CurrentVariant();
    const bool standalone = variant == LangVariant::TarselS || variant == LangVariant::DADODEZE;
    if (Assigned() && (standalone || gCamCfgOpen)) {
        Motion_Fun();
        RefreshPanelText();
    }
    return true;
}

bool frmController::Combine_Click(SkinElement&)
{
    commands.Combine_Fun();
    CloseInfo();
    return true;
}

bool frmController::Play_Click(SkinElement&)
{
    commands.PlayRecord();
    CloseInfo();
    return true;
}

bool frmController::Scan_Click(SkinElement&)
{
    commands.Scan_Fun();
    CloseInfo();
    return true;
}

bool frmController::About_Click(SkinElement&)
{
    const LangVariant variant = CurrentVariant();
    if (variant == LangVariant::DADODEZE || variant == LangVariant::DIZUREZOV)
        ShowDialog(kAboutWindowName, this);
    else
        m_tbr->PopupMenu(QStringLiteral("ID_HelpAbout"));
    CloseInfo();
    return true;
}

bool frmController::Connect_Click(SkinElement&)
{
    Connect_Fun(gCurCam);
    CloseInfo();
    return true;
}

bool frmController::Web_Click(SkinElement&)
{
    if (Assigned() && gCamCfgOpen) {
        commands.WebSetting();
        ExtInfoFlag() = false;
        RefreshPanelText();
    }
    return true;
}

bool frmController::Min_Click(SkinElement&)
{
    CloseInfo();
    return true;
}

bool frmController::Erase_Click(SkinElement&)
{
    EraseCam();
    CloseInfo();
    RefrushCamCfgBtn();
    return true;
}

bool frmController::CamConf_Click(SkinElement&)
{
    if (Assigned() && !ConfigButtonStep())
        return false;  // the administrator check failed
    ExtInfoFlag() = false;
    RefreshPanelText();
    return true;
}

bool frmController::ExtInfo_Click(SkinElement& clicked)
{
    bool& flag = ExtInfoFlag();
    flag = !flag;
    gCamCfgOpen = false;
    RefreshPanelText();
    clicked.setStatePicture(RowLook(kRowExtInfo, ExtInfoFlag() ? kCellDown : kCellHover));
    return true;
}

bool frmController::Update_Click(SkinElement&)
{
    const int protocol = gCam[static_cast<size_t>(gCurCam)].Protocol;
    if (protocol != kProtocolViewer && protocol != kProtocolWebStream && Assigned()
        && gCamCfgOpen) {
        Update_Fun();
        RefreshPanelText();
    }
    return true;
}

bool frmController::PanTilt_Click(SkinElement&) { return true; }

bool frmController::Other_Click(SkinElement& clicked)
{
    clicked.setStyleFlags(kStyleOff);
    return true;
}

bool frmController::ConfigButtonStep()
{
    CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
    if (CurrentVariant() != LangVariant::DADODEZE || cam.AdminVerified) {
        ToggleCamCfg();
        return true;
    }

    auto* dialog = windows().Get<ICheckPasswordDialog>(kCheckPasswordWindowName);
    if (!dialog) {
        windows().Unload(kCheckPasswordWindowName);
        return false;
    }
    struct Unloader {
        ~Unloader() { windows().Unload(kCheckPasswordWindowName); }
    } unloadAtEnd;

    ImageServer& server = dialog->ImageServer1();
    server.setIPAddress(cam.IPAddress);
    server.setPort(CameraPort(cam));
    server.setIsLocalCamera(cam.IsLocalCamera);
    PutProxySettings(server);

    bool verified = false;
    QString adminId;
    QString adminPassword;
    if (cam.Protocol == kProtocolServer) {
        dialog->m_lMode = 0;
        server.setProtocol(0);
        BusyPointer hourglass;
        if (server.checkIP(0, true) != ImageServer::kTrue)
            return false;
        server.selectServer(-1);
        server.setMacAddress(server.serverMacAddress());
        // The camera's own account, so that a camera that asks for one answers.
        server.setUserName(cam.UserName);
        server.setPassword(cam.Password);
        if (server.loginTest(0) != ImageServer::kTrue)
            return false;
        const AdminPair pair = ReadAdminPair(server);
        adminId = pair.id;
        adminPassword = pair.password;
        verified = pair.state == AdminAccount::None;
        // A pair the slot's account may not read is checked by the camera.
        if (pair.state == AdminAccount::Unreadable)
            dialog->m_lMode = kCheckOnCamera;
    } else {
        dialog->m_lMode = 1;
        server.setProtocol(1);
        server.setUserName(QString());
        server.setPassword(QString());
        ImageConfig caps;
        verified = server.getImageCaps(caps) == ImageServer::kTrue;
    }

    if (verified) {
        cam.AdminVerified = true;
        ToggleCamCfg();
    } else {
        if (dialog->m_lMode == 0) {
            dialog->AdminID = adminId;
            dialog->Password = adminPassword;
        }
        dialog->ShowModal(this);
        if (!dialog->Cancel) {
            cam.AdminVerified = true;
            ToggleCamCfg();
        }
    }

    if (cam.AdminVerified) {
        for (int n = 1; n <= kSlotCount; ++n) {
            if (!gWinOpen[static_cast<size_t>(n)])
                continue;
            if (auto* client = windows().IfLoaded<IClientWindow>(ClientWindowName(n)))
                client->RefrushStatusBar();
        }
        if (gWinOpen[kWinOpenCombine]) {
            if (auto* combine = windows().IfLoaded<IPanelCombineWindow>(kCombineWindowName))
                combine->RefrushClrCtlBtn(gCurCam);
        }
    }
    return true;
}

void frmController::Update_Fun()
{
    if (gCamCfgOpen && !gScanMode && Assigned())
        ShowDialog(kUpdateFWWindowName, this);
}

void frmController::Motion_Fun()
{
    const LangVariant variant = CurrentVariant();
    const bool standalone = variant == LangVariant::TarselS || variant == LangVariant::DADODEZE;
    if (gScanMode || !(standalone || gCamCfgOpen))
        return;
    ShowDialog(kMotionSettingWindowName, nullptr);
    gExtInfo[static_cast<size_t>(gCurCam - 1)] = false;
    RefreshPanelText();
}
