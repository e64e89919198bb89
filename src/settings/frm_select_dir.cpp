#include "settings/frm_select_dir.h"

#include "foundation/window_registry.h"
#include "settings/folder_lists.h"
#include "settings/settings_windows.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A name that makes exactly one folder inside the open folder.
bool UsableFolderName(const QString& name)
{
    return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('/'))
           && name != QLatin1String(".") && name != QLatin1String("..");
}

}  // namespace

// ---------------------------------------------------------------- picker

frmSelectDir::frmSelectDir(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Storage"));
    resize(420, 380);

    Drive1 = new DriveList(this);
    Dir1 = new FolderList(this);
    lblPath = new QLabel(this);
    lblPath->setFrameShape(QFrame::StyledPanel);
    lblPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chkEnable = new QCheckBox(QStringLiteral("Enable Storage"), this);
    chkEnable->setChecked(true);
    cmdNewFolder = new QPushButton(QStringLiteral("&New Folder"), this);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdNewFolder);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1, 1);
    layout->addWidget(lblPath);
    layout->addWidget(chkEnable);
    layout->addLayout(buttons);

    connect(Drive1, &DriveList::Change, this,
            [this] { Guard("Drive1_Change", [this] { Drive1_Change(); }); });
    connect(Dir1, &FolderList::Change, this,
            [this] { Guard("Dir1_Change", [this] { Dir1_Change(); }); });
    connect(cmdNewFolder, &QPushButton::clicked, this,
            [this] { Guard("cmdNewFolder_Click", [this] { cmdNewFolder_Click(); }); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmSelectDir::Form_Load()
{
    SetFormFont();
    LoadLanguage();
    SetStartFolder(QDir::currentPath());
    m_bCancel = false;
}

void frmSelectDir::SetFormFont()
{
    ApplyLanguageFont({Drive1, Dir1, lblPath, chkEnable, cmdNewFolder, cmdOK, cmdCancel});
}

bool frmSelectDir::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kSelectDirWindowName);
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    chkEnable->setText(lang->Text(QStringLiteral("chkEnable")));
    cmdNewFolder->setText(lang->Text(QStringLiteral("cmdNewFolder")));
    cmdOK->setText(lang->Text(QStringLiteral("cmdOK")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    return true;
}

void frmSelectDir::SetStartFolder(const QString& folder)
{
    QString candidate = folder.trimmed().isEmpty() ? QString() : QDir::cleanPath(folder);
    while (!candidate.isEmpty() && !Dir1->SetPath(candidate)) {
        const QString up = QFileInfo(candidate).path();
        candidate = up == candidate ? QString() : up;
    }
    if (Dir1->Path().isEmpty() && !Dir1->SetPath(QDir::currentPath()))
        Dir1->SetPath(QDir::rootPath());
    Drive1->SelectFor(Dir1->Path());
    Dir1_Change();
}

QString frmSelectDir::Path() const { return Dir1->Path(); }

void frmSelectDir::Drive1_Change()
{
    // A drive that cannot be opened leaves the folder list where it was.
    Dir1->SetPath(Drive1->Drive());
    Dir1_Change();
}

void frmSelectDir::Dir1_Change() { lblPath->setText(QLatin1Char(' ') + Dir1->Path()); }

void frmSelectDir::cmdNewFolder_Click()
{
    QString name;
    if (auto* prompt = windows().Get<frmNewFolder>(kNewFolderWindowName)) {
        prompt->ShowModal(this);
        name = prompt->NewFolderPath;
    }
    windows().Unload(kNewFolderWindowName);
    if (name.isEmpty())
        return;
    // A name that would leave the open folder, or only blanks, makes nothing,
    // like a name the file system refuses.
    if (!UsableFolderName(name))
        return;
    const QString full = JoinPath(Dir1->Path(), name);
    if (!QFileInfo(full).isDir() && !QDir(Dir1->Path()).mkdir(name))
        return;
    Dir1->Refresh();
    Dir1->SetPath(full);
}

void frmSelectDir::cmdOK_Click()
{
    m_bCancel = false;
    hide();
}

void frmSelectDir::cmdCancel_Click()
{
    m_bCancel = true;
    hide();
}

// ---------------------------------------------------------------- prompt

frmNewFolder::frmNewFolder(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("New Folder"));
    resize(300, 90);
    txtNewFolder = new QLineEdit(this);
    txtNewFolder->setMaxLength(kMaxLength);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtNewFolder);
    layout->addLayout(buttons);

    connect(txtNewFolder, &QLineEdit::textChanged, this,
            [this] { Guard("txtNewFolder_Change", [this] { txtNewFolder_Change(); }); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmNewFolder::Form_Load()
{
    ApplyLanguageFont({txtNewFolder, cmdOK, cmdCancel});
    LoadLanguage();
    NewFolderPath.clear();
    cmdOK->setEnabled(false);
}

bool frmNewFolder::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kNewFolderWindowName);
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    cmdOK->setText(lang->Text(QStringLiteral("cmdOK")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    return true;
}

void frmNewFolder::txtNewFolder_Change() { cmdOK->setEnabled(!txtNewFolder->text().isEmpty()); }

void frmNewFolder::cmdOK_Click()
{
    // The default button must not act while it is off (Enter in an empty box).
    if (!cmdOK->isEnabled())
        return;
    NewFolderPath = txtNewFolder->text();
    hide();
}

void frmNewFolder::cmdCancel_Click()
{
    NewFolderPath.clear();
    hide();
}
