#include "settings/frm_motion_setting.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/video_viewer/wis_viewer.h"
#include "settings/settings_windows.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

frmMotionSetting::frmMotionSetting(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Motion Setting"));

    frameMotionOption = new QGroupBox(QStringLiteral("Motion Options"), this);
    chkAlarm = new QCheckBox(QStringLiteral("Invoke Alarm "), frameMotionOption);
    chkEMail = new QCheckBox(QStringLiteral("Send E-Mail"), frameMotionOption);
    cmdEMailSetting = new QPushButton(QStringLiteral("&E-Mail Setting"), frameMotionOption);
    chkInvokeOutputTrigger1 = new QCheckBox(QStringLiteral("Output Trigger1"), frameMotionOption);
    chkInvokeOutputTrigger2 = new QCheckBox(QStringLiteral("Output Trigger2"), frameMotionOption);
    cmdOutputTrig1Setting =
        new QPushButton(QStringLiteral("Output Trig1 Setting"), frameMotionOption);
    cmdOutputTrig2Setting =
        new QPushButton(QStringLiteral("Output Trig2 Setting"), frameMotionOption);
    for (QWidget* shownOnly :
         std::initializer_list<QWidget*>{chkInvokeOutputTrigger1, chkInvokeOutputTrigger2,
                                         cmdOutputTrig1Setting, cmdOutputTrig2Setting})
        shownOnly->setEnabled(false);
    auto* options = new QGridLayout(frameMotionOption);
    options->addWidget(chkAlarm, 0, 0);
    options->addWidget(chkEMail, 1, 0);
    options->addWidget(cmdEMailSetting, 1, 1);
    options->addWidget(chkInvokeOutputTrigger1, 2, 0);
    options->addWidget(cmdOutputTrig1Setting, 2, 1);
    options->addWidget(chkInvokeOutputTrigger2, 3, 0);
    options->addWidget(cmdOutputTrig2Setting, 3, 1);

    frameSensitivityLevel = new QGroupBox(QStringLiteral("Sensitivity Level"), this);
    sldSensitivity = new QSlider(Qt::Horizontal, frameSensitivityLevel);
    sldSensitivity->setRange(kMinSensitivity, kMaxSensitivity);
    sldSensitivity->setPageStep(1);
    sldSensitivity->setTickPosition(QSlider::TicksBelow);
    sldSensitivity->setTickInterval(1);
    lblSenLow = new QLabel(QStringLiteral("Low"), frameSensitivityLevel);
    lblSenHigh = new QLabel(QStringLiteral("High"), frameSensitivityLevel);
    auto* level = new QHBoxLayout(frameSensitivityLevel);
    level->addWidget(lblSenLow);
    level->addWidget(sldSensitivity, 1);
    level->addWidget(lblSenHigh);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frameMotionOption);
    layout->addWidget(frameSensitivityLevel);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(cmdEMailSetting, &QPushButton::clicked, this,
            [this] { Guard("cmdEMailSetting_Click", [this] { cmdEMailSetting_Click(); }); });
}

void frmMotionSetting::Form_Load()
{
    m_slot = std::clamp(gCurCam, 1, kSlotCount);
    SetFormFont();
    LoadLanguage();
    const CamInfo& cam = gCam[static_cast<size_t>(m_slot)];
    sldSensitivity->setValue(std::clamp(cam.Sensitivity, kMinSensitivity, kMaxSensitivity));
    chkAlarm->setChecked(cam.Alarm == 1);
    chkEMail->setChecked(cam.SendEmail == 1);
}

void frmMotionSetting::SetFormFont()
{
    ApplyLanguageFont({frameMotionOption, frameSensitivityLevel, lblSenLow, lblSenHigh, chkAlarm,
                       chkEMail, chkInvokeOutputTrigger1, chkInvokeOutputTrigger2, cmdEMailSetting,
                       cmdOutputTrig1Setting, cmdOutputTrig2Setting, cmdOK, cmdCancel});
}

bool frmMotionSetting::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kMotionSettingWindowName);
    if (!lang)
        return false;
    auto text = [&lang](const char* key) { return lang->Text(QString::fromLatin1(key)); };
    setWindowTitle(text("Caption"));
    frameMotionOption->setTitle(text("frameMotionOption"));
    frameSensitivityLevel->setTitle(text("frameSensitivityLevel"));
    lblSenLow->setText(text("lblSenLow"));
    lblSenHigh->setText(text("lblSenHigh"));
    chkAlarm->setText(text("chkAlarm"));
    chkEMail->setText(text("chkEMail"));
    chkInvokeOutputTrigger1->setText(text("chkInvokeOutputTrigger1"));
    chkInvokeOutputTrigger2->setText(text("chkInvokeOutputTrigger2"));
    cmdEMailSetting->setText(text("cmdEMailSetting"));
    cmdOutputTrig1Setting->setText(text("cmdOutputTrig1Setting"));
    cmdOutputTrig2Setting->setText(text("cmdOutputTrig2Setting"));
    cmdOK->setText(text("cmdOK"));
    cmdCancel->setText(text("cmdCancel"));
    return true;
}

void frmMotionSetting::cmdOK_Click()
{
    const int c = m_slot;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    cam.Sensitivity = sldSensitivity->value();
    cam.Alarm = chkAlarm->isChecked() ? 1 : 0;
    cam.SendEmail = chkEMail->isChecked() ? 1 : 0;
    // The record mode as it is now: the flag word keeps motion recording on
    // while the slot records on motion.
    const int flags = frmMain::AlarmFlagsFor(cam);
    if (auto* engine = windows().Get<frmMain>(kEngineWindowName)) {
        if (cam.Protocol != kProtocolViewer) {
            ImageServer& server = engine->Cam(c);
            server.setSensitivity(cam.Sensitivity);
            server.setAlarmFlags(flags);
        } else {
            WisViewer& viewer = engine->WisViewer1(c);
            viewer.setAlarmFlags(flags);
            viewer.setSensitivity(cam.Sensitivity);
        }
    }
    SaveSettingsOrWarn(SaveRequest::Operator);
    hide();
}

void frmMotionSetting::cmdCancel_Click() { hide(); }

void frmMotionSetting::cmdEMailSetting_Click()
{
    if (auto* mail = windows().Get<IModalDialog>(kEMailSettingWindowName))
        mail->ShowModal(this);
    windows().Unload(kEMailSettingWindowName);
}
