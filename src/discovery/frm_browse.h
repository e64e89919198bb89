// frmBrowse: the search window. It searches the local network for cameras,
// lists them (name, address, MAC address) and lets the operator take one into
// the current camera slot: a listed camera (Add), or one given by address
// (Input IP, through frmAddCam). The caller clears m_bCancel, shows the window
// modal and, when it hid with m_bCancel still false, copies the result fields
// into the slot; then it unloads the window. The window never unloads itself.
//
// Its hidden image server numbers the search entries by the hits since the
// list was last cleared: a search started from ReSearch (SearchServer mode 1)
// starts the numbering again, the extra pass after an address change (mode 2)
// continues it.
//
// After it changed a camera's address, the window follows the camera: the
// searches after the change list it once, where it answers now (an answer
// from the old address while the camera is still moving is left out, and a
// search that did not find it at its new place runs once more, a few times at
// most), and every slot that holds the camera (by its MAC address) takes the
// new address, is saved to main.ini and, when it was running, starts again
// there.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

#include <QStringList>
#include <array>
#include <memory>
#include <optional>

class ImageServer;
class WisViewer;
class QPushButton;
class QTreeWidget;

// The result fields (m_bCancel, m_sIPAddress ... m_bPT) are those of
// IBrowseDialog, through which the control panel reads them.
class frmBrowse : public DialogBase, public IBrowseDialog {
    Q_OBJECT
public:
    explicit frmBrowse(QWidget* parent = nullptr);
    ~frmBrowse() override;

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    // Public fields besides the result.
    bool m_bFirst = true;
    bool m_bBusy = false;
    int m_lCamCount = 0;
    int m_lCamIndex = 0;

    QTreeWidget* ListViewSearch;
    QPushButton* cmdInputIP;
    QPushButton* cmdAdd;
    QPushButton* cmdChangeIPAddress;
    QPushButton* cmdSearch;
    QPushButton* cmdCancel;

    ImageServer& ImageServer1() { return *m_server; }
    WisViewer& WisViewer1() { return *m_viewer; }

    void Form_Load() override;
    bool LoadLanguage();
    void SetBtnEnabled(bool flag);
    void cmdSearch_Click();
    void cmdCancel_Click();
    void cmdAdd_Click();
    void cmdInputIP_Click();
    void cmdChangeIPAddress_Click();
    void ImageServer1_Notify(int code);
    void ImageServer1_EndSearch();
    void ImageServer1_EndGetConfig(int status);

    // The address column of the list, first row first.
    QStringList ListedAddresses() const;

protected:
    bool CloseRefused() const override { return m_bBusy; }
    void OnCancel() override { cmdCancel_Click(); }
    void OnFirstShow() override;
    void RecoverAfterError() override;

private:
    void SetCtlFont();
    void Idle();
    bool AskLogin(bool cancelSetsCancel);
    void PutTypedCredentials();
    bool GiveOwnAddress(const QString& macDisplay);
    // The address change of the selected camera, by the protocol it reports.
    void ChangeAddressByAdmin(int entry, const QString& oldAddress, const QString& macDisplay);
    void ChangeAddressByLogin(const QString& oldAddress, const QString& macDisplay);
    void ChangeAddressByAccount(const QString& oldAddress, const QString& macDisplay);
    // Shows the log-in prompt; false when the operator cancelled.
    bool PromptLogin(QString& user, QString& password);
    // Shows the administrator check (mode 0 with the pair, or by the camera).
    bool CheckAdministrator(int mode, const QString& id, const QString& password,
                            const QString& address, const QString& mac);

    // A camera whose address was changed, until a search finds it again.
    struct AddressMove {
        QString mac;         // as the camera reports it
        QString oldAddress;  // where it answered before
        QString newAddress;  // the typed address; empty when DHCP chooses
        int passesLeft = 0;  // further searches for it
    };
    // Remembers the camera being changed (its MAC is taken in
    // cmdChangeIPAddress_Click), to be followed by the next searches.
    void ExpectMove(const QString& oldAddress, const QString& newAddress);
    // The camera answered from `address` after its change: the slots that
    // hold it move there.
    void FollowMove(const QString& address);

    std::unique_ptr<ImageServer> m_server;
    std::unique_ptr<WisViewer> m_viewer;
    bool m_bSearchComplete = true;
    QString m_changingMac;
    std::optional<AddressMove> m_move;
    std::array<QString, 8> m_sMsg;  // 1..7
};
