#include "discovery/frm_add_cam.h"

#include "discovery/discovery_windows.h"
#include "discovery/frm_login.h"
#include "foundation/globals.h"
#include "foundation/helpers.h"
#include "platform/image_server/admin_account.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kDefaultPort = 80;

QFrame* MakeLine(QWidget* parent, int y)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, y, 320, 2);
    return line;
}
}  // namespace

frmAddCam::frmAddCam(QWidget* parent)
    : DialogBase(parent), m_server(discoveryControls().imageServer()),
      m_viewer(discoveryControls().viewer())
{
    setWindowTitle(QStringLiteral("Add Cam"));
    setFixedSize(336, 112);

    lblIPAddress = new QLabel(QStringLiteral("&IP Address:"), this);
    lblIPAddress->setGeometry(14, 20, 96, 22);
    txtIPAddress = new QLineEdit(this);
    txtIPAddress->setGeometry(112, 18, 210, 24);
    lblIPAddress->setBuddy(txtIPAddress);

    Line1 = MakeLine(this, 58);
    Line2 = MakeLine(this, 61);

    cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    cmdAdd->setGeometry(128, 74, 92, 28);
    cmdAdd->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(230, 74, 92, 28);

    connect(cmdAdd, &QPushButton::clicked, this,
            [this] { Guard("cmdAdd_Click", [this] { cmdAdd_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(m_server.get(), &ImageServer::EndCheckIP, this, [this](int status) {
        Guard("ImageServer1_EndCheckIP", [this, status] { ImageServer1_EndCheckIP(status); });
    });
    connect(m_server.get(), &ImageServer::EndGetConfig, this, [this](int status) {
        Guard("ImageServer1_EndGetConfig", [this, status] { ImageServer1_EndGetConfig(status); });
    });
}

frmAddCam::~frmAddCam() = default;

void frmAddCam::Form_Load()
{
    bBusy = false;
    SetFormFont();
    LoadLanguage();
}

void frmAddCam::SetFormFont()
{
    ApplyLanguageFont({lblIPAddress, txtIPAddress, cmdAdd, cmdCancel});
}

bool frmAddCam::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kAddCamWindowName);
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    lblIPAddress->setText(lang->Text(QStringLiteral("lblIPAddress")));
    cmdAdd->setText(lang->Text(QStringLiteral("cmdAdd")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    const std::vector<QString> messages = lang->Messages(4);
    for (int i = 1; i <= 4; ++i)
        m_sMsg[static_cast<size_t>(i)] = messages[static_cast<size_t>(i - 1)];
    return true;
}

bool frmAddCam::ParseIPPort(const QString& text, QString& host, int& port)
{
    host = text;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    QStringView candidate = QStringView(text).mid(colon + 1);
    if (const qsizetype next = candidate.indexOf(QLatin1Char(':')); next >= 0)
        candidate = candidate.left(next);  // further pieces are ignored
    if (candidate.isEmpty() || candidate.size() > 5)
        return false;
    int value = 0;
    for (const QChar c : candidate) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value < 1 || value >= 65535)  // 65535 itself is refused: the whole text is the host
        return false;
    host = text.left(colon);
    port = value;
    return true;
}

void frmAddCam::SetCtlEnabled(bool enabled)
{
    txtIPAddress->setEnabled(enabled);
    cmdAdd->setEnabled(enabled);
    cmdCancel->setEnabled(enabled);
}

void frmAddCam::Idle()
{
    SetHourglass(false);
    SetCtlEnabled(true);
    bBusy = false;
}

void frmAddCam::RecoverAfterError() { Idle(); }

void frmAddCam::cmdCancel_Click()
{
    bCancel = true;
    hide();
}

void frmAddCam::cmdAdd_Click()
{
    if (bBusy)
        return;
    // Another camera: nothing typed for an earlier one is offered or used again.
    m_sUserame.clear();
    m_sPassword.clear();
    windows().Unload(kLoginWindowName);
    m_server->setUserName(QString());
    m_server->setPassword(QString());

    const QString typed = txtIPAddress->text();
    QString host;
    int port = 0;
    m_bPortGiven = ParseIPPort(typed, host, port);
    if (m_bPortGiven) {
        m_server->setPort(port);
        m_lPort = port;
    } else {
        m_server->setPort(kDefaultPort);
    }
    m_server->setIPAddress(host);
    bBusy = true;
    SetCtlEnabled(false);

    m_bLocalCamera = m_searchAddresses.contains(host);

    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (gCam[static_cast<size_t>(slot)].IPAddress == typed) {
            Message(m_sMsg[4], MsgIcon::None);
            Idle();
            txtIPAddress->setFocus(Qt::OtherFocusReason);
            return;
        }
    }

    SetHourglass(true);
    // A request the image server does not take gives no answer: treat it as unanswered.
    if (m_server->checkIP(1, true) != ImageServer::kTrue)
        ImageServer1_EndCheckIP(0);
}

bool frmAddCam::AskLogin(bool cancelSetsCancel)
{
    auto* login = windows().Get<frmLogin>(kLoginWindowName);
    if (login) {
        login->m_bCancel = true;  // anything but OK counts as a cancel
        login->ShowModal(this);
        login = windows().IfLoaded<frmLogin>(kLoginWindowName);
    }
    if (!login || login->m_bCancel) {
        windows().Unload(kLoginWindowName);
        Idle();
        if (cancelSetsCancel)
            bCancel = true;
        else
            FocusAndSelect(txtIPAddress);
        return false;
    }
    m_sUserame = login->m_sUserName;
    m_sPassword = login->m_sPassword;
    return true;
}

void frmAddCam::ImageServer1_EndCheckIP(int status)
{
    if (!bBusy)
        return;  // no identify of ours is under way
    SetHourglass(false);
    ImageServer& s = *m_server;
    if (status != ImageServer::kTrue) {
        Message(m_sMsg[2], MsgIcon::Critical);
        SetCtlEnabled(true);
        FocusAndSelect(txtIPAddress);
        bBusy = false;
        return;
    }

    s.selectServer(-1);
    m_lProtocol = s.serverProtocol();
    s.setProtocol(m_lProtocol);
    s.setMacAddress(s.serverMacAddress());
    m_sMACAddress = s.serverMacAddress();
    const int capability = s.serverCapability();
    if (m_lProtocol == kProtocolServer || m_lProtocol == kProtocolServer80) {
        m_bPT = BitTestLong(capability, 4);
    } else if (m_lProtocol == kProtocolViewer) {
        s.probeInit();
        s.probeStart(kProbePanTilt);
        m_bPT = s.probeResult() == 1;
    }
    s.setMacAddress(m_sMACAddress);

    if (m_lProtocol != kProtocolViewer) {
        SetHourglass(true);
        const int result = s.loginTest(0);
        SetHourglass(false);
        m_sIPAddress = s.ipAddress();
        m_lPort = s.port();
        if (result == ImageServer::kTrue && m_lProtocol != kProtocolWebStream) {
            if (ReadAdminPair(s).state == AdminAccount::None) {
                // Nothing protects this camera: it is taken as it is.
                SetCtlEnabled(true);
                bBusy = false;
                bCancel = false;
                hide();
                return;
            }
        }
        if (!AskLogin(true))
            return;
        s.setAuthText(QString());
        s.setUserName(m_sUserame);
        s.setPassword(m_sPassword);
    } else {
        m_sIPAddress = s.ipAddress();
        m_lPort = s.port();
        if (!AskLogin(true))
            return;
        PutViewerCredentials(s, *m_viewer, m_sUserame, m_sPassword);
    }
    s.getConfig(true);
    SetHourglass(true);
}

void frmAddCam::ImageServer1_EndGetConfig(int status)
{
    if (!bBusy)
        return;  // no configuration request of ours is under way
    ImageServer& s = *m_server;
    switch (status) {
    case ImageServer::kTrue:
        Idle();
        bCancel = false;
        hide();
        return;
    case 0:
        SetHourglass(false);
        Message(m_sMsg[1], MsgIcon::Critical);
        Idle();
        bCancel = true;
        hide();
        return;
    case 1:
        SetHourglass(false);
        Message(m_sMsg[3], MsgIcon::None);
        if (!AskLogin(false))
            return;
        if (m_lProtocol == kProtocolViewer) {
            PutViewerCredentials(s, *m_viewer, m_sUserame, m_sPassword);
        } else {
            s.setAuthText(QString());
            s.setUserName(m_sUserame);
            s.setPassword(m_sPassword);
        }
        s.getConfig(true);
        SetHourglass(true);
        return;
    default:
        // An answer the dialog does not know ends the request all the same.
        Idle();
        return;
    }
}
