// frmAbout: the about box. It shows the application title, the version, a
// description and a second text line, with OK and "System Info..." buttons.
// "System Info..." shows a summary of the machine (operating system,
// processor, memory, Qt and FFmpeg versions). A right click on the box opens
// its menu (popup "ID_AboutMenu" of the language's toolbar layout), whose
// "ID_VERSION" shows the program's version text.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

class ActiveToolBar;
class QLabel;
class QPushButton;
class Tool;

class frmAbout : public DialogBase, public IModalDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
    ActiveToolBar* tbr() const { return m_tbr; }

    void Form_Load() override;
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void tbr_ToolClick(Tool* tool);
    // Shows the summary of the machine; the fixed "unavailable" message when
    // none can be made.
    void StartSysInfo();
    // The texts of the language's caption file; false when there is none.
    bool LoadAboutText();

    static const QString kUnavailableText;

protected:
    void OnCancel() override { cmdOK_Click(); }
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetAboutFont();
    ActiveToolBar* m_tbr;
};
