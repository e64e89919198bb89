#include "panel/frm_about.h"

#include "foundation/globals.h"
#include "foundation/resources.h"
#include "platform/system_summary.h"
#include "platform/toolbar/tool_bar.h"
#include "platform/ui_services.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

}  // namespace

const QString frmAbout::kUnavailableText =
    QStringLiteral("System Information Is Unavailable At This Time");

frmAbout::frmAbout(QWidget* parent) : DialogBase(parent)
{
    setObjectName(kAboutWindowName);
    setWindowTitle(QStringLiteral("About MyApp"));
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFixedSize(kIconSize, kIconSize);
    lblTitle = new QLabel(QStringLiteral("Application Title"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(
        QStringLiteral("This application is designed to remotely manage the Camera Server."), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDisclaimer = new QLabel(this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_tbr = new ActiveToolBar(this);
    m_tbr->setObjectName(QStringLiteral("tbr"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(lblDisclaimer, 3, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 4, 1);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdSysInfo, &QPushButton::clicked, this,
            [this] { Guard("cmdSysInfo_Click", [this] { cmdSysInfo_Click(); }); });
    connect(m_tbr, &ActiveToolBar::ToolClick, this,
            [this](Tool* tool) { Guard("tbr_ToolClick", [this, tool] { tbr_ToolClick(tool); }); });
}

void frmAbout::Form_Load()
{
    const QIcon icon = QApplication::windowIcon();
    setWindowIcon(icon);
    picIcon->setPixmap(icon.pixmap(kIconSize, kIconSize));
    m_tbr->LoadLayout(LangFilePath(LangFileName(QStringLiteral(".atb"))));
    lblVersion->setText(gAboutVersion);
    SetAboutFont();
    LoadAboutText();
}

void frmAbout::SetAboutFont()
{
    ApplyLanguageFont({lblTitle, lblVersion, lblDescription, lblDisclaimer, cmdOK});
}

bool frmAbout::LoadAboutText()
{
    const std::optional<LanguageSection> section = LanguageSection::Open(kAboutWindowName);
    if (!section)
        return false;
    setWindowTitle(section->Text(QStringLiteral("Caption")));
    lblTitle->setText(gAppTitle);
    lblDescription->setText(section->Text(QStringLiteral("lblDescription")));
    lblDisclaimer->setText(section->Text(QStringLiteral("lblDisclaimer")));
    cmdOK->setText(section->Text(QStringLiteral("cmdOK")));
    return true;
}

void frmAbout::cmdOK_Click()
{
    hide();
    ui().DoEvents();
}

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo()
{
    QString summary;
    try {
        summary = FormatSystemSummary(CollectSystemFacts());
    } catch (...) {
        summary.clear();
    }
    if (summary.isEmpty())
        Message(kUnavailableText, MsgIcon::None);
    else
        Message(summary, MsgIcon::Information);
}

void frmAbout::tbr_ToolClick(Tool* tool)
{
    if (tool && tool->ID() == QLatin1String("ID_VERSION"))
        Message(gVersion, MsgIcon::None);
}

void frmAbout::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    Guard("tbr_PopupMenu", [this] { m_tbr->PopupMenu(QStringLiteral("ID_AboutMenu")); });
}
