// frmSysConf: the program-wide recording and network settings: the storage
// folders, the free space to keep, how recording files are split, recycling
// of old recordings, the proxy the cameras use, the scan tour's step and the
// program that plays recordings.
//
// Lists are read and written by index; every list-chosen setting is stored as
// its index and turned into units by its users (see settings_units.h).
//
// OK checks first (a storage row, a checked row, and with the proxy on a port
// of digits only in 1..65535) and only then stores, pushes the recording-file
// and proxy settings to the four camera objects, sets the scan timer and saves
// main.ini; a refused OK changes nothing. Cancel, Esc and the close box store
// nothing. Its texts come from the caption file's "frmSysConfig" section.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class frmSysConf : public DialogBase, public IModalDialog {
    Q_OBJECT
public:
    static constexpr int kPortMaxLength = 5;
    static constexpr int kRecycleItems = 50;

    explicit frmSysConf(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    QGroupBox* fraLogStorage;
    QGroupBox* fraStorageList;
    QTreeWidget* ListViewStorage;
    QPushButton* cmdAddPath;
    QPushButton* cmdModify;
    QPushButton* cmdDelete;
    QGroupBox* fraReserveSpace;
    QComboBox* cboReserveSpace;
    QGroupBox* fraSplitRecFile;
    QComboBox* cboSplitFileMode;
    QComboBox* cboSplitFileValue;
    QLabel* lblSplitUnit;
    QCheckBox* chkRecycle;
    QComboBox* cboRecycleMode;
    QComboBox* cboRecycleSpaceValue;
    QComboBox* cboRecycleTime;
    QLabel* lblRecycleUnit;
    QCheckBox* chkKeepFile;
    QCheckBox* chkProxyServer;
    QLabel* lblProxyServerAddress;
    QLineEdit* txtProxyServer;
    QLabel* lblProxyServerPort;
    QLineEdit* txtProxyServerPort;
    QCheckBox* chkBypassProxyServer;
    QGroupBox* fraScanDelay;
    QComboBox* cboScanDelay;
    QGroupBox* fraPlayerSetup;
    QRadioButton* optPlayerMode[2];
    QLineEdit* txtPlayPath;
    QPushButton* cmdBrowse;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdAddPath_Click();
    void cmdModify_Click();
    void cmdDelete_Click();
    void cboSplitFileMode_Click();
    void chkRecycle_Click();
    void cboRecycleMode_Click();
    void chkProxyServer_Click();
    void optPlayerMode_Click();
    void cmdBrowse_Click();

    // True when the language hides the reserve-space frame.
    static bool HidesReserveSpace(const QString& language);
    // The message list (Message1..Message3), "" until the caption file gave them.
    const std::vector<QString>& Messages() const { return m_messages; }

protected:
    void OnCancel() override { cmdCancel_Click(); }

private:
    void SetFormFont();
    // Row n (1-based) shows n; the rows are renumbered after a delete.
    QTreeWidgetItem* AddStorageRow(const QString& path, bool checked);
    void RenumberRows();
    int SelectedRow() const;  // 1-based, 0 when none
    QString Msg(int n) const;

    std::vector<QString> m_messages{3};
};
