// frmMotionSetting: the motion options of the current slot: the sensitivity
// (1 low .. 10 high), whether motion switches the camera's alarm output and
// whether it sends an e-mail. OK stores them, pushes the sensitivity and the
// motion flag word (1 alarm, 4 mail, 8 while the slot records on motion) to
// the slot's camera object (the video viewer for protocol 3) and saves
// main.ini. Cancel, Esc and the close box change nothing. The e-mail button
// opens frmEMailSetting; what that dialog's OK stores stays whatever this
// dialog ends with. The output-trigger boxes and buttons are shown greyed:
// the cameras have no output triggers to set.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class frmMotionSetting : public DialogBase, public IModalDialog {
    Q_OBJECT
public:
    static constexpr int kMinSensitivity = 1;
    static constexpr int kMaxSensitivity = 10;

    explicit frmMotionSetting(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    QGroupBox* frameMotionOption;
    QCheckBox* chkAlarm;
    QCheckBox* chkEMail;
    QPushButton* cmdEMailSetting;
    QCheckBox* chkInvokeOutputTrigger1;
    QCheckBox* chkInvokeOutputTrigger2;
    QPushButton* cmdOutputTrig1Setting;
    QPushButton* cmdOutputTrig2Setting;
    QGroupBox* frameSensitivityLevel;
    QSlider* sldSensitivity;
    QLabel* lblSenLow;
    QLabel* lblSenHigh;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdEMailSetting_Click();
    int Slot() const { return m_slot; }

protected:
    void OnCancel() override { cmdCancel_Click(); }

private:
    void SetFormFont();
    int m_slot = 1;
};
