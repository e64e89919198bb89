// frmPlayMenu: the recording picker. It shows the drives, the open folder's
// sub-folders, the open folder's recordings (".avi" in any letter case) and
// the chosen path.
//
// The caller sets m_sPath to the start folder before showing it; the first
// showing opens that folder and puts it in the label (a folder that cannot be
// opened leaves the lists where they were and the label empty). The label
// follows clicks on recordings only. OK hands back the label's text, trimmed,
// in m_sPath; Cancel, Esc and the close box set m_bCancel. A double click on a
// recording is a click followed by OK.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

class DriveList;
class FileList;
class FolderList;
class QLabel;
class QListWidgetItem;
class QPushButton;

class frmPlayMenu : public DialogBase, public IPlayMenuDialog {
    Q_OBJECT
public:
    explicit frmPlayMenu(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    DriveList* Drive1;
    FolderList* Dir1;
    FileList* File1;
    QLabel* lblPath;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void Form_Activate();
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click(QListWidgetItem* item);
    void File1_DblClick(QListWidgetItem* item);
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void OnCancel() override { cmdCancel_Click(); }
    void OnFirstShow() override { Form_Activate(); }
};
