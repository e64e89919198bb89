// frmChangeIPAddress: how a camera gets its network address: by DHCP, or a
// typed address, subnet mask and default gateway. It talks to no camera
// except to make sure nothing answers at a new address yet; the caller sets
// the public fields, shows it, reads them (and the DHCP choice) when it hid
// with m_bCancel false, then unloads it.
#pragma once

#include "discovery/dialog_base.h"
#include "discovery/discovery_windows.h"

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmChangeIPAddress : public DialogBase, public IChangeIPAddressDialog {
    Q_OBJECT
public:
    explicit frmChangeIPAddress(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }
    void SetManualAddressOnly() override;

    QLabel* lblIPAddress;
    QLineEdit* txtIPAddress;
    QLabel* lblSubnetMask;
    QLineEdit* txtSubnetMask;
    QLabel* lblDefaultGateway;
    QLineEdit* txtDefaultGateway;
    QRadioButton* optInputIP;
    QRadioButton* optDHCP;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void cmdOK_Click();
    void cmdCancel_Click();
    void OptionClicked();

    // Every dot-separated piece reads as a number from 0 to 255 (a piece that
    // starts with no number reads as 0); false for the empty text.
    static bool CheckIPFormat(const QString& text);
    // Where "something answers at this address" is asked (-1: it does); the
    // search window's image server when none is set.
    std::function<int(const QString& address, int port)> probe;
    // Redraws the list of the window that opened the dialog.
    std::function<void()> redrawCaller;

protected:
    void OnCancel() override { cmdCancel_Click(); }
    void showEvent(QShowEvent* event) override;

private:
    void SetFormFont();
    int Probe(const QString& address);
    // False (after showing the message) when the text is not a usable address.
    bool Valid(QLineEdit* box, int emptyMessage, int formatMessage);

    QString m_sCallerAddress;       // the camera's own address when the dialog was shown
    std::array<QString, 8> m_sMsg;  // 1..7
};
