// frmCheckPassword: asks for a camera's administrator ID and password and
// checks them before a protected operation. By m_lMode:
//   0  against AdminID and Password, which the caller read from the camera;
//   1  against the camera of the current slot, through the dialog's own
//      image server (identify, log-in test, then the camera's administrator
//      pair; a pair the camera does not let us read is checked by the camera);
//   other values: by the camera itself (administrator check by MAC address),
//      on the search window's image server when it is loaded, else on the
//      dialog's own.
// It closes with Cancel false only when the check passed.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

class frmCheckPassword : public DialogBase, public ICheckPasswordDialog {
    Q_OBJECT
public:
    explicit frmCheckPassword(QWidget* parent = nullptr);
    ~frmCheckPassword() override;

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }
    ImageServer& ImageServer1() override { return *m_server; }

    // Public fields besides ICheckPasswordDialog's (m_lMode, AdminID, Password, Cancel).
    bool Approbation = false;
    QString m_sMACAddress;
    QString m_sIPAddress;

    QLabel* lblAdminID;
    QLineEdit* txtAdminID;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void cmdOK_Click();
    void cmdCancel_Click();
    void ImageServer1_EndCheckIP(int status);

protected:
    // While the identify of mode 1 runs, the dialog cannot be closed.
    bool CloseRefused() const override { return m_bChecking; }
    void OnCancel() override { cmdCancel_Click(); }
    void RecoverAfterError() override;

private:
    void SetFormFont();
    void SetCtlEnabled(bool enabled);
    void Pass();
    void Refuse(bool selectPassword);

    std::unique_ptr<ImageServer> m_server;
    bool m_bChecking = false;
    std::array<QString, 5> m_sMsg;  // 1..4
};
