// frmSelectDir: the folder picker of the system configuration dialog. It
// shows the drives, the open folder's sub-folders and the open folder's path,
// an "Enable Storage" box and a button that makes a new folder inside the open
// folder (its name asked by frmNewFolder).
//
// The result is the open folder (Dir1's path, shown in the label), never a
// folder that is only highlighted in the list, and the box's state; the caller
// sets the box (and whether it can be changed) and the start folder before it
// shows the picker, reads both after it returns and unloads it. m_bCancel is
// false after OK and true after Cancel, Esc or the close box.
//
// frmNewFolder: asks for a folder name. Its OK stays off while the text is
// empty (blanks count as text); OK hands back the text as typed, Cancel and the
// close box hand back "".
#pragma once

#include "discovery/dialog_base.h"

class DriveList;
class FolderList;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmSelectDir : public DialogBase {
    Q_OBJECT
public:
    explicit frmSelectDir(QWidget* parent = nullptr);

    bool m_bCancel = false;

    DriveList* Drive1;
    FolderList* Dir1;
    QLabel* lblPath;
    QCheckBox* chkEnable;
    QPushButton* cmdNewFolder;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    // Opens `folder`, or its nearest existing parent, or the current folder.
    void SetStartFolder(const QString& folder);
    // The open folder: the picker's result.
    QString Path() const;

    void Drive1_Change();
    void Dir1_Change();
    void cmdNewFolder_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void OnCancel() override { cmdCancel_Click(); }

private:
    void SetFormFont();
};

class frmNewFolder : public DialogBase {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 255;

    explicit frmNewFolder(QWidget* parent = nullptr);

    QString NewFolderPath;

    QLineEdit* txtNewFolder;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void txtNewFolder_Change();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void OnCancel() override { cmdCancel_Click(); }
};
