// What the panel shows of the current slot: the information lines, the
// states of the slot's command buttons, the camera set-up group and the
// pan/tilt group.
#include "panel/frm_controller.h"

#include "foundation/globals.h"
#include "foundation/language_variant.h"
#include "platform/image_server/camera_codes.h"
#include "platform/skin/skin_form.h"

#include <QDebug>
#include <exception>
#include <utility>
#include <vector>

namespace {

// The seven buttons that follow the slot, and the two more whose tips do.
constexpr int kSlotButtons[] = {frmController::kRowAssign,    frmController::kRowConnect,
                                frmController::kRowErase,     frmController::kRowExtInfo,
                                frmController::kRowMotionRec, frmController::kRowScheduleRec,
                                frmController::kRowManualRec};
constexpr int kTipRows[] = {
    frmController::kRowAssign,    frmController::kRowConnect,   frmController::kRowErase,
    frmController::kRowExtInfo,   frmController::kRowMotionRec, frmController::kRowScheduleRec,
    frmController::kRowManualRec, frmController::kRowCamConf,   frmController::kRowMotion};

const QString kGroupTexts[] = {QStringLiteral("WebText"), QStringLiteral("MotionText"),
                               QStringLiteral("UpdateText")};

// How far a caption fades while its button is greyed (0 shown .. 255 hidden).
constexpr int kDimmedCaption = 150;

bool EnableGray(int row) { return gPanelBtn[static_cast<size_t>(row)].EnableGray; }
const QString& Tip(int row)
{
    return gPanelBtn[static_cast<size_t>(row)].BtnStr[frmController::kCellTip];
}

}  // namespace

void frmController::RefreshPanelText()
{
    if (!m_loaded || gCurCam < 1 || gCurCam > kSlotCount)
        return;
    const int c = gCurCam;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    const LangVariant variant = CurrentVariant();

    // The lines.
    ShowLineText(0, QString::number(c));
    if (cam.Assign) {
        const QString address = cam.IPAddress + QStringLiteral(" : ") + QString::number(cam.Port);
        QString status = ConnectionText(cam);
        switch (cam.RecordMode) {
        case kRecordManual:
            if (cam.Recording)
                status = gLangRec[1] + QStringLiteral("  ") + status;
            else
                cam.RecordMode = kRecordNone;  // a finished manual recording leaves the manual mode
            break;
        case kRecordSchedule:
            status = gLangRec[2] + QStringLiteral("  ") + status;
            break;
        case kRecordMotion:
            status = gLangRec[3] + QStringLiteral("  ") + status;
            break;
        default:
            break;
        }
        if (!gExtInfo[static_cast<size_t>(c - 1)]) {
            ShowLineText(1, cam.ServerName);
            ShowLineText(2, address);
            ShowLineText(3, cam.ServerLocation);
            ShowLineText(4, QString());
            ShowLineText(5, status);
        } else {
            for (int k = 1; k <= 5; ++k)
                ShowLineText(k, GetCamInfoText(c, gExtraItem[static_cast<size_t>(k)]));
        }
    } else {
        ShowLineText(1, gLblEmpty);
        for (int k = 2; k <= 5; ++k)
            ShowLineText(k, QString());
    }

    // The buttons.
    if (gScanMode || !cam.Assign) {
        for (const int row : kSlotButtons)
            SwitchOff(row);
        for (const int row : kTipRows)
            SetRowTip(row, QString());
        if (gScanMode) {
            if (variant == LangVariant::TarselS) {
                if (EnableGray(kRowMotion))
                    ShowBtnBitmap(kRowMotion, kCellGray);
            } else {
                SwitchOff(kRowCamConf);
            }
        } else {
            if (variant == LangVariant::DADODEZE)
                ShowBtnBitmap(kRowMotion, kCellGray);
            SwitchOff(kRowCamConf);
            if (variant == LangVariant::TarselS && EnableGray(kRowMotion))
                ShowBtnBitmap(kRowMotion, kCellGray);
        }
        SyncGroupCaptions();
        return;
    }

    for (const int row : {kRowAssign, kRowConnect, kRowErase, kRowExtInfo})
        SwitchOn(row);
    if (EnableGray(kRowMotion))
        ShowBtnBitmap(kRowMotion, kCellNormal);
    // Shown again with their pictures, whichever way they were switched off.
    for (const int row : {kRowMotionRec, kRowScheduleRec, kRowManualRec, kRowCamConf})
        Reveal(row);
    for (const int row : kTipRows)
        SetRowTip(row, Tip(row));
    if (cam.Enable)
        ShowBtnBitmap(kRowConnect, kCellDown);
    else
        ShowBtnBitmap(kRowConnect, m_connectHover ? kCellHover : kCellNormal);
    ShowBtnBitmap(kRowExtInfo, gExtInfo[static_cast<size_t>(c - 1)] ? kCellDown : kCellNormal);
    if (variant == LangVariant::DADODEZE)
        ShowBtnBitmap(kRowMotion, kCellNormal);
    if (cam.Recording) {
        switch (cam.RecordType) {
        case 1:
            ShowBtnBitmap(kRowMotionRec, kCellNormal);
            ShowBtnBitmap(kRowScheduleRec, kCellNormal);
            ShowBtnBitmap(kRowManualRec, kCellDown);
            break;
        case 2:
            ShowBtnBitmap(kRowMotionRec, kCellNormal);
            ShowBtnBitmap(kRowScheduleRec, kCellDown);
            ShowBtnBitmap(kRowManualRec, kCellNormal);
            break;
        case 3:
            ShowBtnBitmap(kRowMotionRec, kCellDown);
            ShowBtnBitmap(kRowScheduleRec, kCellNormal);
            ShowBtnBitmap(kRowManualRec, kCellNormal);
            break;
        default:
            break;
        }
    } else {
        for (const int row : {kRowMotionRec, kRowScheduleRec, kRowManualRec})
            ShowBtnBitmap(row, kCellNormal);
    }
    // Under the pointer the button keeps its hover look (also when it was greyed before).
    if (gCamCfgOpen)
        ShowBtnBitmap(kRowCamConf, kCellDown);
    else
        ShowBtnBitmap(kRowCamConf, m_camConfHover ? kCellHover : kCellNormal);
    SyncGroupCaptions();
}

void frmController::SyncGroupCaptions()
{
    const std::pair<int, const QString*> captions[] = {
        {kRowWeb, &kGroupTexts[0]}, {kRowMotion, &kGroupTexts[1]}, {kRowUpdate, &kGroupTexts[2]}};
    for (const auto& [row, name] : captions) {
        SkinElement* caption = m_skin ? m_skin->findElement(*name) : nullptr;
        SkinElement* button =
            m_skin ? m_skin->findElement(gPanelBtn[static_cast<size_t>(row)].BtnName) : nullptr;
        if (!caption || !button || !caption->isShown())
            continue;  // a hidden caption stays hidden
        const bool greyed = !button->isShown() || button->picture() == GreyedCell(row);
        caption->setAlpha(greyed ? kDimmedCaption : 0);
    }
}

void frmController::ToggleCamCfg()
{
    if (gScanMode) {
        ShowBtnBitmap(kRowCamConf, kCellGray);
    } else if (!gCamCfgOpen) {
        gCamCfgOpen = true;
        ShowBtnBitmap(kRowCamConf, kCellDown);
    } else {
        gCamCfgOpen = false;
        ShowBtnBitmap(kRowCamConf, kCellHover);  // the pointer is still on the button
    }
    RefrushCamCfgBtn();
}

void frmController::RefrushCamCfgBtn()
{
    if (!m_loaded || gCurCam < 1 || gCurCam > kSlotCount)
        return;
    const LangVariant variant = CurrentVariant();
    if (variant == LangVariant::TarselS)
        return;
    const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
    struct Sync {
        frmController* panel;
        ~Sync() { panel->SyncGroupCaptions(); }
    } syncAtEnd{this};
    const bool motionInGroup = variant != LangVariant::DADODEZE;
    if (!motionInGroup) {
        SetRowStyle(kRowMotion, kStyleOn);
        SetRowTip(kRowMotion, Tip(kRowMotion));
    }
    std::vector<int> group{kRowWeb};
    if (motionInGroup)
        group.push_back(kRowMotion);
    group.push_back(kRowUpdate);

    if (!cam.Assign || !gCamCfgOpen) {
        bool hidden = false;
        for (const int row : group) {
            if (EnableGray(row)) {
                ShowBtnBitmap(row, kCellGray);
            } else {
                SwitchOff(row);
                hidden = true;
            }
        }
        if (hidden)
            for (const QString& text : kGroupTexts)
                ShowSkinElement(text, false);
        for (const int row : group) {
            SetRowStyle(row, kStyleOff);
            SetRowTip(row, QString());
        }
        return;
    }

    const bool protocolWithUpdate =
        cam.Protocol != kProtocolViewer && cam.Protocol != kProtocolWebStream;
    bool shown = false;
    for (const int row : group) {
        if (row == kRowUpdate && !protocolWithUpdate)
            continue;
        if (EnableGray(row)) {
            ShowBtnBitmap(row, kCellNormal);
        } else {
            Reveal(row);
            shown = true;
        }
    }
    if (shown)
        for (const QString& text : kGroupTexts)
            ShowSkinElement(text, true);
    SetRowStyle(kRowWeb, kStyleOn);
    SetRowStyle(kRowUpdate, kStyleOn);
    SetRowTip(kRowWeb, Tip(kRowWeb));
    SetRowTip(kRowUpdate, protocolWithUpdate ? Tip(kRowUpdate) : QString());
    if (motionInGroup) {
        SetRowStyle(kRowMotion, kStyleOn);
        SetRowTip(kRowMotion, Tip(kRowMotion));
    }
}

void frmController::RefreshPTPanel()
{
    if (!m_loaded || gCurCam < 1 || gCurCam > kSlotCount)
        return;
    const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
    const bool enabled = PanTiltAvailable() && cam.Assign && !gScanMode && cam.PT;
    for (int row = kRowPtFirst; row <= kRowPtGroup; ++row) {
        int cell = kCellDisabled;
        if (enabled)
            cell = (row == kRowPtLast && cam.Protocol == kProtocolViewer) ? kCellGray : kCellNormal;
        ShowBtnBitmap(row, cell);
    }
    for (int row = kRowPtFirst; row <= kRowPtGroup; ++row) {
        SetRowTip(row, enabled ? Tip(row) : QString());
        SetRowStyle(row, enabled ? kStyleOn : kStyleOff);
    }
}

void frmController::ChkBtnStatus(const QString& button)
{
    try {
        if (!m_loaded || !PanTiltAvailable() || gCurCam < 1 || gCurCam > kSlotCount)
            return;
        const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
        if (!cam.Assign || !cam.PT || gScanMode)
            return;
        for (int row = kRowPtFirst; row <= kRowPtLast; ++row) {
            const BtnInfo& info = gPanelBtn[static_cast<size_t>(row)];
            if (info.BtnName == button || (row == kRowPtLast && cam.Protocol == kProtocolViewer))
                continue;
            SkinElement* el = RowElement(row);
            if (el && el->picture() != info.BtnStr[kCellNormal])
                ShowBtnBitmap(row, kCellNormal);
        }
    } catch (const std::exception& e) {
        qWarning() << "pan/tilt looks:" << e.what();
    } catch (...) {
    }
}
