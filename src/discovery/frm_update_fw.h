// The firmware update of the current slot's camera, three windows each modal
// over the one before:
//   frmUpdateFW      picks the file and runs the update (the panel shows it and
//                    unloads it afterwards);
//   frmTFTPProgress  sends a private copy of the file by TFTP, with a progress
//                    bar and a 30 s watchdog that restarts on every progress;
//   frmProgress      waits while the camera writes the image and restarts.
// Afterwards the camera is identified again and its new versions go into the
// slot. A failed copy or transfer is reported, and the camera is left running
// as it was before; so is a transfer the operator ends with the close box.
// The busy pointer is shown only while the dialog itself works (stopping the
// camera, copying, identifying): the boxes and the two windows over it have
// the normal pointer.
#pragma once

#include "discovery/dialog_base.h"
#include "foundation/window_names.h"
#include "panel/panel_windows.h"

#include <QTimer>
#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TFTP;

class frmUpdateFW : public DialogBase, public IModalDialog {
    Q_OBJECT
public:
    explicit frmUpdateFW(QWidget* parent = nullptr);
    ~frmUpdateFW() override;

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    QGroupBox* frameUpdateFirmware;
    QLabel* lblFirmwarePath;
    QLineEdit* txtFirmwareFileName;
    QPushButton* cmdBrowse;
    QPushButton* cmdUpdateFirmware;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void cmdBrowse_Click();
    void cmdUpdateFirmware_Click();
    void cmdCancel_Click();

protected:
    bool CloseRefused() const override { return m_bUpdating; }
    void OnCancel() override { cmdCancel_Click(); }
    void RecoverAfterError() override;

private:
    void SetFormFont();
    void Finish();

    bool m_bUpdating = false;
    std::array<QString, 6> m_sMsg;  // 1..5
};

class frmTFTPProgress : public DialogBase {
    Q_OBJECT
public:
    static constexpr int kWatchdogMs = 30000;

    explicit frmTFTPProgress(QWidget* parent = nullptr);
    ~frmTFTPProgress() override;

    // Public fields: where to send, and what.
    QString TFTPServer;
    QString FirmwareFile;
    // True once the camera took the whole file and the restart wait ended.
    bool m_bSucceeded = false;

    TFTP* tftp;
    QTimer tmrTimeOut;
    QProgressBar* progressbar;
    QLabel* lblProgress;
    QLabel* lblComplete;

    void Form_Load() override;
    bool LoadLanguage();
    void tftp_TransferStart();
    void tftp_Progress(qint64 bytes);
    void tftp_TransferComplete();
    void tftp_TransferError();
    void tmrTimeOut_Timer();

    // Tests shorten the watchdog and the restart wait.
    static void SetTimesForTests(int watchdogMs, int waitMs);

protected:
    // The close box, also while sending: the transfer is aborted silently.
    void OnCancel() override;
    // No Cancel button: only the close box ends the window.
    bool EscapeCancels() const override { return false; }
    void OnFirstShow() override;

private:
    // Watchdog off, nothing in flight any more.
    void EndSending();

    bool m_bSending = false;
    std::array<QString, 4> m_sMsg;  // 1..3
};

class frmProgress : public DialogBase {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    static constexpr int kMaximum = 1000;

    explicit frmProgress(QWidget* parent = nullptr);

    int OpTime = 0;  // length of the wait, ms

    QTimer timer;
    QProgressBar* progressbar;
    QLabel* lblComplete;
    QLabel* lblProgress;

    void Form_Load() override;
    bool LoadLanguage();
    void timer_Timer();

    static void SetTickForTests(int ms);

protected:
    // The wait cannot be cut short: the camera is writing the image and
    // restarting whatever this window does, and identifying it before the
    // wait is over would find no camera and leave the slot stopped.
    bool CloseRefused() const override { return true; }
    void OnCancel() override {}
    void OnFirstShow() override;

private:
    int m_step = 0;
    std::array<QString, 2> m_sMsg;  // 1
};

// Registers frmUpdateFW, frmTFTPProgress and frmProgress.
void RegisterFirmwareWindows(WindowRegistry& registry);
