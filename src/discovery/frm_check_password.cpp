#include "discovery/frm_check_password.h"
#include "platform/image_server/camera_codes.h"

#include "discovery/discovery_windows.h"
#include "discovery/frm_browse.h"
#include "foundation/globals.h"
#include "platform/image_server/admin_account.h"
#include "platform/image_server/image_server.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kModeStored = 0;
constexpr int kModeSlot = 1;
constexpr int kSearchPort = 8481;
}  // namespace

frmCheckPassword::frmCheckPassword(QWidget* parent)
    : DialogBase(parent), m_server(discoveryControls().imageServer())
{
    setWindowTitle(QStringLiteral("Type administrator password"));
    setFixedSize(300, 122);

    lblAdminID = new QLabel(QStringLiteral("&AdminID:"), this);
    lblAdminID->setGeometry(16, 16, 96, 22);
    txtAdminID = new QLineEdit(this);
    txtAdminID->setGeometry(116, 14, 168, 24);
    lblAdminID->setBuddy(txtAdminID);
    lblPassword = new QLabel(QStringLiteral("&Password:"), this);
    lblPassword->setGeometry(16, 50, 96, 22);
    txtPassword = new QLineEdit(this);
    txtPassword->setGeometry(116, 48, 168, 24);
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(txtPassword);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setGeometry(92, 84, 92, 28);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(192, 84, 92, 28);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(m_server.get(), &ImageServer::EndCheckIP, this, [this](int status) {
        Guard("ImageServer1_EndCheckIP", [this, status] { ImageServer1_EndCheckIP(status); });
    });
}

frmCheckPassword::~frmCheckPassword() = default;

void frmCheckPassword::Form_Load()
{
    Cancel = false;
    Approbation = false;
    SetFormFont();
    LoadLanguage();
}

void frmCheckPassword::SetFormFont()
{
    ApplyLanguageFont({lblPassword, txtPassword, lblAdminID, txtAdminID, cmdOK, cmdCancel});
}

bool frmCheckPassword::LoadLanguage()
{
    const auto lang = LanguageSection::Open(QStringLiteral("frmCheckPassword"));
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    lblPassword->setText(lang->Text(QStringLiteral("lblPassword")));
    lblAdminID->setText(lang->Text(QStringLiteral("lblAdminID")));
    cmdOK->setText(lang->Text(QStringLiteral("cmdOK")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    const std::vector<QString> messages = lang->Messages(4);
    for (size_t i = 1; i <= 4; ++i)
        m_sMsg[i] = messages[i - 1];
    return true;
}

void frmCheckPassword::SetCtlEnabled(bool enabled)
{
    cmdOK->setEnabled(enabled);
    cmdCancel->setEnabled(enabled);
}

void frmCheckPassword::RecoverAfterError()
{
    m_bChecking = false;
    SetCtlEnabled(true);
    SetHourglass(false);
}

void frmCheckPassword::Pass()
{
    Cancel = false;
    Approbation = true;
    hide();
    ui().DoEvents();
}

void frmCheckPassword::Refuse(bool selectPassword)
{
    Cancel = false;
    Approbation = false;
    Message(m_sMsg[3], MsgIcon::None);
    if (selectPassword)
        FocusAndSelect(txtPassword);
    else
        txtPassword->setFocus(Qt::OtherFocusReason);
}

void frmCheckPassword::cmdOK_Click()
{
    if (m_bChecking)
        return;
    Cancel = false;
    const QString id = txtAdminID->text().trimmed();
    const QString password = txtPassword->text().trimmed();

    if (m_lMode == kModeStored) {
        if (txtAdminID->text() != AdminID) {
            Approbation = false;
            Message(m_sMsg[2], MsgIcon::None);
            FocusAndSelect(txtAdminID);
            return;
        }
        if (txtPassword->text() != Password) {
            Approbation = false;
            Message(m_sMsg[1], MsgIcon::None);
            FocusAndSelect(txtPassword);
            return;
        }
        Pass();
        return;
    }

    if (m_lMode == kModeSlot) {
        const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
        ImageServer& s = *m_server;
        if (cam.Protocol == kProtocolServer80) {
            s.setIPAddress(cam.IPAddress);
            s.setProtocol(kProtocolServer80);
            s.setPort(cam.Port);
            s.setIsLocalCamera(cam.IsLocalCamera);
            s.setUserName(id);
            s.setPassword(password);
            s.setProxyServerAddress(gProxyServerAddress);
            s.setProxyServerPort(gProxyServerPort);
            s.setEnableProxy(gEnableProxy);
            s.setBypassProxyServer(gBypassProxyServer);
            SetHourglass(true);
            const int result = s.loginTest(0);
            SetHourglass(false);
            if (result == ImageServer::kTrue)
                Pass();
            else
                Refuse(true);
            return;
        }
        s.setIPAddress(cam.IPAddress);
        SetHourglass(true);
        SetCtlEnabled(false);
        m_bChecking = true;
        if (s.checkIP(1, true) != ImageServer::kTrue)
            ImageServer1_EndCheckIP(0);
        return;
    }

    // Checked by the camera itself.
    auto* browse = windows().IfLoaded<frmBrowse>(kBrowseWindowName);
    ImageServer& s = browse ? browse->ImageServer1() : *m_server;
    if (!m_sIPAddress.isEmpty()) {
        s.setIPAddress(m_sIPAddress);
        s.setPort(kSearchPort);
        s.setProtocol(kProtocolServer);
        s.setMacAddress(m_sMACAddress);
    }
    s.setUserName(id);
    s.setPassword(password);
    SetHourglass(true);
    const int result = s.checkAdmin(id, password);
    SetHourglass(false);
    if (result == ImageServer::kAdminAccepted)
        Pass();
    else
        Refuse(false);
}

void frmCheckPassword::ImageServer1_EndCheckIP(int status)
{
    if (!m_bChecking)
        return;  // no identify of ours is under way
    m_bChecking = false;
    SetHourglass(false);
    const auto unreachable = [this] {
        Message(m_sMsg[4], MsgIcon::Critical);
        SetCtlEnabled(true);
        Cancel = true;
        Approbation = false;
        hide();
        ui().DoEvents();
    };
    if (status != ImageServer::kTrue) {
        unreachable();
        return;
    }
    ImageServer& s = *m_server;
    const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
    s.selectServer(-1);
    s.setProtocol(s.serverProtocol());
    s.setMacAddress(s.serverMacAddress());
    s.setPort(cam.Port);
    SetHourglass(true);
    const int result = s.loginTest(0);
    SetHourglass(false);
    if (result != ImageServer::kTrue) {
        unreachable();
        return;
    }
    SetHourglass(true);
    const AdminPair pair = ReadAdminPair(s);
    SetHourglass(false);
    SetCtlEnabled(true);
    const QString id = txtAdminID->text().trimmed();
    const QString password = txtPassword->text().trimmed();
    bool passed = false;
    switch (pair.state) {
    case AdminAccount::None:
        passed = true;
        break;
    case AdminAccount::Readable:
        passed = id == pair.id && password == pair.password;
        break;
    case AdminAccount::Unreadable:
        SetHourglass(true);
        passed = s.checkAdmin(id, password) == ImageServer::kAdminAccepted;
        SetHourglass(false);
        break;
    }
    if (passed)
        Pass();
    else
        Refuse(true);
}

void frmCheckPassword::cmdCancel_Click()
{
    Cancel = true;
    Approbation = false;
    hide();
}
