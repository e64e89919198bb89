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

// ------------------------------------------------------- pointer feedback

bool frmController::PointerGuard(int row, Pointer event) const
{
    const int c = gCurCam;
    if (c < 1 || c > kSlotCount)
        return false;
    const CamInfo& cam = gCam[static_cast<size_t>(c)];
    const bool assigned = cam.Assign;
    const bool scanOff = !gScanMode;
    const bool cfgOpen = gCamCfgOpen;
    const bool hover = event == Pointer::In || event == Pointer::Out;

    switch (row) {
    case 0:
    case 1:
    case 2:
    case 5:
    case 16:
    case 17:
    case 18:
    case 19:
    case 32:
        return true;
    case kRowScan:
        return hover && scanOff;
    case kRowCombine:
        return hover && gCombineMode == 0;
    case kRowMotionRec:
    case kRowScheduleRec:
    case kRowManualRec: {
        const int mode = row == kRowMotionRec     ? kRecordMotion
                         : row == kRowScheduleRec ? kRecordSchedule
                                                  : kRecordManual;
        return hover && assigned && scanOff && !(cam.Recording && cam.RecordMode == mode);
    }
    case kRowAssign:
    case kRowErase:
        return assigned && scanOff;
    case kRowConnect:
        return hover && assigned && scanOff && !cam.Enable;
    case kRowExtInfo:
        if (hover)
            return assigned && scanOff && !gExtInfo[static_cast<size_t>(c - 1)];
        return assigned && scanOff;
    case kRowWeb:
        return assigned && cfgOpen && scanOff;
    case kRowMotion:
        switch (CurrentVariant()) {
        case LangVariant::TarselS:
            return assigned && scanOff;
        case LangVariant::DADODEZE:
            return assigned;
        default:
            return assigned && cfgOpen && scanOff;
        }
    case kRowUpdate:
        return assigned && cfgOpen && scanOff && cam.Protocol != kProtocolViewer
               && cam.Protocol != kProtocolWebStream;
    case kRowCamConf:
        return hover && assigned && scanOff && !cfgOpen;
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
        return assigned && cam.PT && scanOff;
    case kRowPtLast:
        return assigned && cam.PT && scanOff && cam.Protocol != kProtocolViewer;
    default:
        return false;
    }
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
    const QString name = element.Name();
    const LangVariant variant = CurrentVariant();
    const bool scanOff = !gScanMode;
    const bool assigned = Assigned();
    auto extInfo = []() -> bool& { return gExtInfo[static_cast<size_t>(gCurCam - 1)]; };
    auto recording = [] { return gCam[static_cast<size_t>(gCurCam)].Recording; };
    auto look = [&](int row, int cell) { element.setStatePicture(RowLook(row, cell)); };
    // Most commands fold the slot's extra information and the camera set-up away.
    auto closeInfo = [&] {
        extInfo() = false;
        gCamCfgOpen = false;
        RefreshPanelText();
    };

    if (name.size() == 4 && name.startsWith(QLatin1String("Cam")) && name[3] >= QLatin1Char('1')
        && name[3] <= QLatin1Char('4')) {
        const int n = name[3].digitValue();
        if (gCurCam != n)
            gCamCfgOpen = false;
        SelectCam(n);
        extInfo() = false;
        RefreshPanelText();
        return true;
    }
    if (name == QLatin1String("SysConf")) {
        ShowDialog(kSysConfWindowName, this);
        return true;
    }
    if (name == QLatin1String("ManualRec")) {
        if (!scanOff)
            return false;
        if (assigned) {
            const bool r = commands.ManualRecord();
            closeInfo();
            if (r && !recording())
                look(kRowManualRec, kCellHover);
        }
        return true;
    }
    if (name == QLatin1String("Assign")) {
        if (!scanOff)
            return false;
        if (assigned) {
            AssignCam();
            closeInfo();
        }
        return true;
    }
    if (name == QLatin1String("Motion")) {
        if (!scanOff)
            return false;
        const bool standalone = variant == LangVariant::TarselS || variant == LangVariant::DADODEZE;
        if (assigned && (standalone || gCamCfgOpen)) {
            Motion_Fun();
            RefreshPanelText();
        }
        return true;
    }
    if (name == QLatin1String("Combine") || name == QLatin1String("Play")
        || name == QLatin1String("Scan")) {
        if (name == QLatin1String("Combine"))
            commands.Combine_Fun();
        else if (name == QLatin1String("Play"))
            commands.PlayRecord();
        else
            commands.Scan_Fun();
        closeInfo();
        return true;
    }
    if (name == QLatin1String("About")) {
        if (variant == LangVariant::DADODEZE || variant == LangVariant::DIZUREZOV)
            ShowDialog(kAboutWindowName, this);
        else
            m_tbr->PopupMenu(QStringLiteral("ID_HelpAbout"));
        closeInfo();
        return true;
    }
    if (name == QLatin1String("Connect")) {
        if (!scanOff)
            return false;
        if (assigned) {
            Connect_Fun(gCurCam);
            closeInfo();
        }
        return true;
    }
    if (name == QLatin1String("Web")) {
        if (!scanOff)
            return false;
        if (assigned && gCamCfgOpen) {
            commands.WebSetting();
            extInfo() = false;
            RefreshPanelText();
        }
        return true;
    }
    if (name == QLatin1String("Min")) {
        closeInfo();
        return true;
    }
    if (name == QLatin1String("Erase")) {
        if (!scanOff)
            return false;
        if (assigned) {
            EraseCam();
            closeInfo();
            RefrushCamCfgBtn();
        }
        return true;
    }
    if (name == QLatin1String("CamConf")) {
        if (!scanOff)
            return false;
        if (assigned && !ConfigButtonStep())
            return false;  // the administrator check failed
        extInfo() = false;
        RefreshPanelText();
        return true;
    }
    if (name == QLatin1String("ExtInfo")) {
        if (!scanOff)
            return false;
        if (assigned) {
            bool& flag = extInfo();
            flag = !flag;
            gCamCfgOpen = false;
            RefreshPanelText();
            look(kRowExtInfo, extInfo() ? kCellDown : kCellHover);
        }
        return true;
    }
    if (name == QLatin1String("ScheduleRec")) {
        if (!scanOff)
            return false;
        if (assigned) {
            gCamCfgOpen = false;
            const bool r = commands.ScheduleRecord();
            RefreshPanelText();
            // The look follows only for a slot that holds a camera: an empty
            // slot keeps the greyed button that RefreshPanelText gave it.
            if (!recording())
                look(kRowScheduleRec, r ? kCellHover : kCellNormal);
        }
        return true;
    }
    if (name == QLatin1String("MotionRec")) {
        if (!scanOff)
            return false;
        if (assigned) {
            gCamCfgOpen = false;
            commands.MotionRecord();
            RefreshPanelText();
            if (!recording())
                look(kRowMotionRec, kCellHover);
        }
        return true;
    }
    if (name == QLatin1String("Update")) {
        if (!scanOff)
            return false;
        const int protocol = gCam[static_cast<size_t>(gCurCam)].Protocol;
        if (protocol != kProtocolViewer && protocol != kProtocolWebStream && assigned
            && gCamCfgOpen) {
            Update_Fun();
            RefreshPanelText();
        }
        return true;
    }
    if (RowOf(name) >= kRowPtFirst && RowOf(name) <= kRowPtLast)
        return true;  // pan and tilt act on press and release
    element.setStyleFlags(kStyleOff);
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
        adminId = server.getConfigItem(kConfigAdminId);
        adminPassword = server.getConfigItem(kConfigAdminPassword);
        verified = adminId.isEmpty() && adminPassword.isEmpty();
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
