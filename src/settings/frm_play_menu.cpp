#include "settings/frm_play_menu.h"

#include "foundation/window_names.h"
#include "settings/folder_lists.h"

#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmPlayMenu::frmPlayMenu(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Please Select File"));
    resize(560, 380);

    Drive1 = new DriveList(this);
    Dir1 = new FolderList(this);
    File1 = new FileList(this);
    lblPath = new QLabel(this);
    lblPath->setFrameShape(QFrame::StyledPanel);
    lblPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);

    auto* left = new QVBoxLayout;
    left->addWidget(Drive1);
    left->addWidget(Dir1, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(left, 1);
    lists->addWidget(File1, 1);
    auto* line1 = new QFrame(this);
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(lblPath);
    layout->addWidget(line1);
    layout->addLayout(buttons);

    connect(Drive1, &DriveList::Change, this,
            [this] { Guard("Drive1_Change", [this] { Drive1_Change(); }); });
    connect(Dir1, &FolderList::Change, this,
            [this] { Guard("Dir1_Change", [this] { Dir1_Change(); }); });
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        Guard("File1_Click", [this, item] { File1_Click(item); });
    });
    connect(File1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Guard("File1_DblClick", [this, item] { File1_DblClick(item); });
    });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmPlayMenu::Form_Load()
{
    m_bCancel = false;
    ApplyLanguageFont({Drive1, Dir1, File1, lblPath, cmdOK, cmdCancel});
    LoadLanguage();
    // The lists start at the current folder until the first showing opens m_sPath.
    Dir1->SetPath(QDir::currentPath());
    Drive1->SelectFor(Dir1->Path());
    File1->SetPath(Dir1->Path());
}

bool frmPlayMenu::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kPlayMenuWindowName);
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    cmdOK->setText(lang->Text(QStringLiteral("cmdOK")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    return true;
}

void frmPlayMenu::Form_Activate()
{
    // Each step needs the one before: the first that fails ends the handler.
    if (!Dir1->SetPath(m_sPath))
        return;
    Drive1->SelectFor(Dir1->Path());
    if (!File1->SetPath(Dir1->Path()))
        return;
    lblPath->setText(m_sPath);
}

void frmPlayMenu::Drive1_Change()
{
    // A drive that cannot be opened leaves the lists where they were.
    Dir1->SetPath(Drive1->Drive());
    File1->SetPath(Dir1->Path());
}

void frmPlayMenu::Dir1_Change() { File1->SetPath(Dir1->Path()); }

void frmPlayMenu::File1_Click(QListWidgetItem* item)
{
    if (!item)
        return;
    lblPath->setText(QLatin1Char(' ') + JoinPath(File1->Path(), item->text()));
}

void frmPlayMenu::File1_DblClick(QListWidgetItem* item)
{
    File1_Click(item);
    cmdOK_Click();
}

void frmPlayMenu::cmdOK_Click()
{
    m_bCancel = false;
    hide();
    m_sPath = lblPath->text().trimmed();
}

void frmPlayMenu::cmdCancel_Click()
{
    m_bCancel = true;
    hide();
}
