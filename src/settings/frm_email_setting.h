// frmEMailSetting: how the current slot's camera mails on motion: the mail
// server, sender, recipient, subject, the server's user name and password,
// and the least interval between two mails in seconds. The fields are filled
// from the slot when the dialog is first shown.
//
// OK checks the interval first (blanks around it, an optional sign, digits and
// an optional decimal fraction; rounded half to even; 0..9999), then stores the
// six texts as typed and the interval, sends the mail settings of all four
// slots to their camera objects and saves main.ini. A refused interval shows
// the message, selects the interval and changes nothing. Cancel, Esc and the
// close box change nothing.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

class frmEMailSetting : public DialogBase, public IModalDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 100;
    static constexpr int kIntervalMaxLength = 4;

    explicit frmEMailSetting(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    QLabel* lblMailServer;
    QLineEdit* txtMailServer;
    QLabel* lblMailFrom;
    QLineEdit* txtMailFrom;
    QLabel* lblMailTo;
    QLineEdit* txtMailTo;
    QLabel* lblSubject;
    QLineEdit* txtMailSubject;
    QLabel* lblUserName;
    QLineEdit* txtUserName;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QLabel* lblIntervalTime;
    QLineEdit* txtIntervalTime;
    QLabel* lblSecond;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void Form_Activate();
    void cmdOK_Click();
    void cmdCancel_Click();

    // The interval a text stands for, nullopt when it is refused.
    static std::optional<int> IntervalValue(const QString& text);
    int Slot() const { return m_slot; }

protected:
    void OnCancel() override { cmdCancel_Click(); }
    void OnFirstShow() override { Form_Activate(); }

private:
    void SetFormFont();
    int m_slot = 1;
    std::vector<QString> m_messages{1};
};
