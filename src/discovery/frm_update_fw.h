// The firmware update of the current slot's camera, three windows each modal
// over the one before:
//   frmUpdateFW      picks the file and runs the update (the panel shows it and
//                    unloads it afterwards);
//   frmTFTPProgress  sends a private copy of the file by TFTP, with a progress
//                    bar and a 30 s watchdog that restarts on every progress;
//   frmProgress      waits while the camera writes the image and restarts,
//                    until it answers again.
// Afterwards the camera is identified again and its new versions go into the
// slot; a camera that did not come back is reported and its slot stays
// stopped with the identity it had. A failed copy or transfer is reported, and the camera is left
// running as it was before; so is a transfer the operator ends with the close box. The busy pointer
// is shown only while the dialog itself works (stopping the camera, copying, identifying): the
// boxes and the two windows over it have the normal pointer.
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
class ImageServer;
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
    // True once the camera took the whole file and the restart wait ended;
    // m_bCameraBack tells whether the camera answered again within the wait.
    bool m_bSucceeded = false;
    bool m_bCameraBack = false;

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
    ~frmProgress() override;

    int OpTime = 0;  // length of the wait, ms
    // The camera that restarts, asked on every tick (one question at a time)
    // with the current slot's port and account; empty: a plain timed wait.
    QString CameraAddress;
    // True when the wait ended because the camera answered again.
    bool m_bCameraBack = false;

    QTimer timer;
    QProgressBar* progressbar;
    QLabel* lblComplete;
    QLabel* lblProgress;
    QLabel* lblWait;  // why the window cannot be closed

    void Form_Load() override;
    bool LoadLanguage();
    void timer_Timer();

    static void SetTickForTests(int ms);

protected:
    // The wait cannot be cut short (the window says so): the camera is
    // writing the image and restarting whatever this window does, and
    // identifying it before it is back would find no camera and leave the
    // slot stopped. It ends as soon as the camera answers again after it went
    // away (or answers at all once the usual restart time is over), and, for
    // a slow camera, at the latest after 2.4 times the usual time (120 s for
    // the usual 50 s) with a box that says the camera did not come back.
    bool CloseRefused() const override { return true; }
    void OnCancel() override {}
    void OnFirstShow() override;

private:
    // The camera's answer to the question of the tick that asked.
    void CameraAnswered(bool answered);
    // Ends the wait with the box that says how it ended.
    void EndWait(bool cameraBack);

    int m_step = 0;
    int m_ticks = 0;
    int m_limitTicks = 0;  // the longest wait, for a slow camera
    bool m_asking = false;
    bool m_cameraGone = false;
    std::unique_ptr<ImageServer> m_camera;
    std::array<QString, 3> m_sMsg;  // 1..2
};

// Registers frmUpdateFW, frmTFTPProgress and frmProgress.
void RegisterFirmwareWindows(WindowRegistry& registry);
