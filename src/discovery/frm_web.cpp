#include "discovery/frm_web.h"
#include "platform/image_server/camera_codes.h"

#include "discovery/discovery_windows.h"
#include "discovery/frm_login.h"
#include "discovery/web_post.h"
#include "foundation/globals.h"
#include "platform/image_server/image_server.h"
#include "platform/web_browser/embedded_browser.h"

#include <QVBoxLayout>

namespace {
constexpr int kDefaultPort = 8481;
constexpr int kStandardWebPort = 80;
constexpr int kWaitStepMs = 1000;
}  // namespace

frmWeb::frmWeb(QWidget* parent) : DialogBase(parent), m_browser(CreateEmbeddedBrowser(this))
{
    setWindowTitle(QStringLiteral("Web"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_browser) {
        layout->addWidget(m_browser.get());
        connect(m_browser.get(), &EmbeddedBrowser::BeforeNavigate2, this,
                [this](const QUrl& url, const QByteArray& post) {
                    Guard("WebBrowser1_BeforeNavigate2",
                          [&] { WebBrowser1_BeforeNavigate2(url, post); });
                });
        m_browser->askCredentials = [this](const QUrl& url, QString& user, QString& password) {
            return AskCredentials(url, user, password);
        };
    }
    resize(kClientWidth, kClientHeight);
}

frmWeb::~frmWeb() = default;

void frmWeb::Form_Load()
{
    ResetResults();
    setWindowTitle(gLangWebCaption);
}

void frmWeb::ResetResults()
{
    // Nothing posted yet: the slot's own values stand.
    const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
    m_bCancel = true;
    m_bSettingsPosted = false;
    m_sIPAddress = m_sOldIPAddress;
    m_sUserName.clear();
    m_sPassword.clear();
    m_sServerName = cam.ServerName;
    m_sServerLocation = cam.ServerLocation;
    m_lIPAssign = 1;
    m_lSecond_Port = 0;
    m_lWeb_Second = 0;
    m_lImage_Second = 0;
}

QString frmWeb::CameraPageUrl(int slot, int webPort)
{
    const CamInfo& cam = gCam[static_cast<size_t>(slot)];
    const QString port = QString::number(cam.Port);
    if (cam.Protocol == kProtocolViewer || cam.Protocol == kProtocolWebStream)
        return QStringLiteral("http://") + cam.IPAddress + QLatin1Char(':') + port;
    QString page = gDefaultPage;
    const QString model = cam.ServerModel.trimmed();
    for (int n = 1; n <= gDeviceCount && n < static_cast<int>(gDevice.size()); ++n) {
        if (model.contains(gDevice[static_cast<size_t>(n)].Model)) {
            page = gDevice[static_cast<size_t>(n)].Page;
            break;
        }
    }
    // The pages are on the port the camera names; a camera that names none
    // serves them on port 80 beside the image server's 8481, or on the port
    // the slot uses. The same request as the camera's own form with a
    // backslash: browsers turn it into a slash.
    const bool standardPort = webPort > 0 ? webPort == kStandardWebPort : cam.Port == kDefaultPort;
    const QString pagePort = webPort > 0 ? QString::number(webPort) : port;
    if (standardPort)
        return QStringLiteral("http://") + cam.IPAddress + QLatin1Char('/') + page;
    return QStringLiteral("http://") + cam.IPAddress + QLatin1Char(':') + pagePort
           + QLatin1Char('/') + page;
}

int frmWeb::CameraWebPort(int slot)
{
    const CamInfo& cam = gCam[static_cast<size_t>(slot)];
    if (cam.Protocol == kProtocolViewer || cam.Protocol == kProtocolWebStream)
        return 0;
    std::unique_ptr<ImageServer> server = SlotCameraAt(slot, cam.IPAddress);
    if (!server)
        return 0;
    const BusyPointer busy;
    if (server->checkIP(0, false) != ImageServer::kTrue)
        return 0;
    const int port = server->serverWebPort();
    return port > 0 && port <= 65535 ? port : 0;
}

void frmWeb::OnFirstShow()
{
    if (!m_bFirst)
        return;
    // The caller set the old address after the window loaded.
    ResetResults();
    setWindowTitle(QStringLiteral("Cam%1     %2")
                       .arg(gCurCam)
                       .arg(gCam[static_cast<size_t>(gCurCam)].ServerName));
    resize(kClientWidth, kClientHeight);
    if (m_browser)
        m_browser->Navigate(CameraPageUrl(gCurCam, CameraWebPort(gCurCam)));
    m_bFirst = false;
}

void frmWeb::WebBrowser1_BeforeNavigate2(const QUrl& url, const QByteArray& postData)
{
    const auto post = ParseWebPost(url.toString(), postData);
    if (!post)
        return;
    if (post->settingsPage) {
        m_bSettingsPosted = true;
        if (post->serverName)
            m_sServerName = *post->serverName;
        if (post->serverLocation)
            m_sServerLocation = *post->serverLocation;
        if (post->ipAddress)
            m_sIPAddress = *post->ipAddress;
    }
    m_sUserName = post->userName;
    m_sPassword = post->password;
    m_lSecond_Port = post->secondPort;
    m_lWeb_Second = post->webSecond;
    m_lImage_Second = post->imageSecond;
    m_lIPAssign = post->ipAssign;
    m_bCancel = false;
}

bool frmWeb::AskCredentials(const QUrl&, QString& user, QString& password)
{
    // The slot's own account first, once; then the operator is asked.
    const CamInfo& cam = gCam[static_cast<size_t>(gCurCam)];
    if (!m_bSlotCredentialsTried && !(cam.UserName.isEmpty() && cam.Password.isEmpty())) {
        m_bSlotCredentialsTried = true;
        user = cam.UserName;
        password = cam.Password;
        return true;
    }
    auto* login = windows().Get<frmLogin>(kLoginWindowName);
    bool ok = false;
    if (login) {
        login->m_bCancel = true;
        login->ShowModal(this);
        login = windows().IfLoaded<frmLogin>(kLoginWindowName);
        ok = login && !login->m_bCancel;
        if (ok) {
            user = login->m_sUserName;
            password = login->m_sPassword;
        }
    }
    windows().Unload(kLoginWindowName);
    return ok;
}

void frmWeb::WaitForAddressChange()
{
    if (m_bWaited || m_sIPAddress == m_sOldIPAddress)
        return;
    m_bWaited = true;
    // The camera moves to its new address; the window keeps drawing meanwhile.
    SetHourglass(true);
    for (int waited = 0; waited < kAddressChangeWaitMs; waited += kWaitStepMs) {
        ui().DoEvents();
        ui().SleepPumping(kWaitStepMs);
    }
    SetHourglass(false);
}

void frmWeb::OnCancel()
{
    WaitForAddressChange();
    hide();
}
