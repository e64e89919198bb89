#include "discovery/frm_change_ip_address.h"

#include "discovery/frm_browse.h"
#include "discovery/web_post.h"
#include "foundation/helpers.h"
#include "platform/image_server/image_server.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {
// The port the in-use probe connects to.
constexpr int kProbePort = 80;
const QString kAddressPattern = QStringLiteral(
    "([1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}|^$)");
}  // namespace

frmChangeIPAddress::frmChangeIPAddress(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Change IP Address"));
    setFixedSize(330, 206);

    optInputIP = new QRadioButton(QStringLiteral("Input IP by manual"), this);
    optInputIP->setGeometry(14, 10, 300, 22);
    optDHCP = new QRadioButton(QStringLiteral("DHCP"), this);
    optDHCP->setGeometry(14, 34, 300, 22);

    const auto row = [this](const char* label, int y, QLabel*& l, QLineEdit*& box) {
        l = new QLabel(QString::fromUtf8(label), this);
        l->setGeometry(30, y + 2, 120, 22);
        box = new QLineEdit(this);
        box->setGeometry(156, y, 158, 24);
        l->setBuddy(box);
    };
    row("&IP Address:", 66, lblIPAddress, txtIPAddress);
    row("&Subnet Mask:", 98, lblSubnetMask, txtSubnetMask);
    row("&Default Gateway:", 130, lblDefaultGateway, txtDefaultGateway);
    txtSubnetMask->setText(QStringLiteral("255.255.255.0"));
    txtDefaultGateway->setText(QStringLiteral("192.168.0.1"));

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(122, 168, 92, 28);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(222, 168, 92, 28);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(optInputIP, &QRadioButton::clicked, this,
            [this] { Guard("optInputIP_Click", [this] { OptionClicked(); }); });
    connect(optDHCP, &QRadioButton::clicked, this,
            [this] { Guard("optDHCP_Click", [this] { OptionClicked(); }); });
}

void frmChangeIPAddress::Form_Load()
{
    SetFormFont();
    LoadLanguage();
    optInputIP->setChecked(true);
    OptionClicked();
}

void frmChangeIPAddress::SetFormFont()
{
    ApplyLanguageFont({lblIPAddress, lblSubnetMask, lblDefaultGateway, txtIPAddress, txtSubnetMask,
                       txtDefaultGateway, cmdOK, cmdCancel, optInputIP, optDHCP});
}

bool frmChangeIPAddress::LoadLanguage()
{
    const auto lang = LanguageSection::Open(QStringLiteral("frmChangeIPAddress"));
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    lblIPAddress->setText(lang->Text(QStringLiteral("lblIPAddress")));
    lblSubnetMask->setText(lang->Text(QStringLiteral("lblSubnetMask")));
    lblDefaultGateway->setText(lang->Text(QStringLiteral("lblDefaultGateway")));
    optInputIP->setText(lang->Text(QStringLiteral("optInputIP")));
    optDHCP->setText(lang->Text(QStringLiteral("optDHCP")));
    cmdOK->setText(lang->Text(QStringLiteral("cmdOK")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    const std::vector<QString> messages = lang->Messages(7);
    for (size_t i = 1; i <= 7; ++i)
        m_sMsg[i] = messages[i - 1];
    return true;
}

void frmChangeIPAddress::SetManualAddressOnly()
{
    optInputIP->setChecked(true);
    optInputIP->hide();
    optDHCP->hide();
    OptionClicked();
}

void frmChangeIPAddress::showEvent(QShowEvent* event)
{
    // The caller's values, every time the dialog is shown (not on every
    // activation: a message box closing must not wipe the operator's edits).
    txtIPAddress->setText(m_sIPAddress);
    txtSubnetMask->setText(m_sSubnetMask);
    txtDefaultGateway->setText(m_sDefaultGateway);
    m_sCallerAddress = m_sIPAddress.trimmed();
    DialogBase::showEvent(event);
}

void frmChangeIPAddress::OptionClicked()
{
    const bool manual = optInputIP->isChecked();
    txtIPAddress->setEnabled(manual);
    txtSubnetMask->setEnabled(manual);
    txtDefaultGateway->setEnabled(manual);
}

bool frmChangeIPAddress::CheckIPFormat(const QString& text)
{
    if (text.isEmpty())
        return false;
    // Each piece as the program reads a number (0 when it starts with none);
    // how many pieces there are is the pattern's matter.
    for (const QString& piece : text.split(QLatin1Char('.'))) {
        const int value = LeadingNumber(piece);
        if (value < 0 || value > 255)
            return false;
    }
    return true;
}

bool frmChangeIPAddress::Valid(QLineEdit* box, int emptyMessage, int formatMessage)
{
    const QString text = box->text().trimmed();
    int message = 0;
    if (text.isEmpty())
        message = emptyMessage;
    else if (!IsPatternMatch(text, kAddressPattern) || !CheckIPFormat(text))
        message = formatMessage;
    if (message == 0)
        return true;
    Message(m_sMsg[static_cast<size_t>(message)], MsgIcon::Warning);
    FocusAndSelect(box);
    return false;
}

int frmChangeIPAddress::Probe(const QString& address)
{
    if (probe)
        return probe(address, kProbePort);
    if (auto* browse = windows().IfLoaded<frmBrowse>(kBrowseWindowName))
        return browse->ImageServer1().probeAddress(address, kProbePort);
    return discoveryControls().imageServer()->probeAddress(address, kProbePort);
}

void frmChangeIPAddress::cmdOK_Click()
{
    m_bCancel = false;
    if (optInputIP->isChecked()) {
        if (!Valid(txtIPAddress, 1, 2) || !Valid(txtSubnetMask, 3, 4)
            || !Valid(txtDefaultGateway, 5, 6))
            return;
        const QString address = txtIPAddress->text().trimmed();
        // The camera answers at its own address: keeping it (to change only
        // the mask or the gateway) is no conflict.
        if (address != m_sCallerAddress) {
            if (Probe(address) == ImageServer::kTrue || Probe(address) == ImageServer::kTrue) {
                Message(m_sMsg[7], MsgIcon::Warning);
                FocusAndSelect(txtIPAddress);
                return;
            }
        }
        m_sIPAddress = address;
        m_sSubnetMask = txtSubnetMask->text().trimmed();
        m_sDefaultGateway = txtDefaultGateway->text().trimmed();
    }
    if (redrawCaller)
        redrawCaller();
    else if (auto* browse = windows().IfLoaded<frmBrowse>(kBrowseWindowName))
        browse->ListViewSearch->viewport()->update();
    ui().DoEvents();
    m_bCancel = false;
    hide();
}

void frmChangeIPAddress::cmdCancel_Click()
{
    m_bCancel = true;
    hide();
}
