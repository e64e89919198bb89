// frmLogin: asks for the user name and password of a camera. It checks
// nothing itself; the caller hands the pair to the camera and asks again when
// the camera refuses it. A dialog left loaded shows the previous entries at
// its next showing.
#pragma once

#include "discovery/dialog_base.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class frmLogin : public DialogBase {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 12;

    explicit frmLogin(QWidget* parent = nullptr);

    // Public fields read by the caller.
    bool m_bCancel = false;
    QString m_sUserName;
    QString m_sPassword;

    QLabel* lblUserName;
    QLineEdit* txtUserName;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void OnCancel() override { cmdCancel_Click(); }

private:
    void SetFormFont();
    QFrame* Line1[2];
};
