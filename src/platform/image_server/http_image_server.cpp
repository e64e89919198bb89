#include "platform/image_server/http_image_server.h"

#include "platform/image_server/video_surface.h"

#include <QTimer>

std::unique_ptr<ImageServer> CreateImageServer(QObject* parent)
{
    return std::make_unique<HttpImageServer>(parent);
}

HttpImageServer::HttpImageServer(QObject* parent) : ImageServer(parent) {}

HttpImageServer::~HttpImageServer() = default;

void HttpImageServer::PostNotify(int code)
{
    QTimer::singleShot(0, this, [this, code] { emit Notify(code); });
}

void HttpImageServer::setDisplay(VideoSurface* surface) { surface_ = surface; }
VideoSurface* HttpImageServer::display() const { return surface_.data(); }
void HttpImageServer::setDisplayWidth(int v) { displayWidth_ = v; }
void HttpImageServer::setDisplayHeight(int v) { displayHeight_ = v; }
void HttpImageServer::setRotateAngle(int v) { rotateAngle_ = v; }

// The network side is being built; until then a start reports that the camera
// could not be reached and every request answers "failed".
void HttpImageServer::start()
{
    running_ = true;
    PostNotify(NotifyCode::Connecting);
    QTimer::singleShot(0, this, [this] {
        running_ = false;
        emit Notify(NotifyCode::ConnectFailed);
    });
}
void HttpImageServer::stop() { running_ = false; }
void HttpImageServer::applyStreamMode() {}
void HttpImageServer::recordStart() { PostNotify(NotifyCode::RecordFailed); }
void HttpImageServer::recordStop() {}
bool HttpImageServer::storageReady() const { return false; }
void HttpImageServer::setMailServer(const QString& server, const QString& to, const QString& from,
                                    const QString& subject)
{
    mailServer_ = server;
    mailTo_ = to;
    mailFrom_ = from;
    mailSubject_ = subject;
}
void HttpImageServer::sendMail() { PostNotify(NotifyCode::MailFailed); }
void HttpImageServer::selectServer(int) {}
int HttpImageServer::checkIP(int mode, bool)
{
    if (mode == 1)
        QTimer::singleShot(0, this, [this] { emit EndCheckIP(0); });
    return 0;
}
int HttpImageServer::loginTest(int) { return 0; }
QString HttpImageServer::getConfigItem(int) { return {}; }
void HttpImageServer::getConfig(bool)
{
    QTimer::singleShot(0, this, [this] { emit EndGetConfig(0); });
}
int HttpImageServer::getImageCaps(ImageConfig&) { return 0; }
int HttpImageServer::getImageConfig(ImageConfig&, int) { return 0; }
int HttpImageServer::setImageConfig(const ImageConfig&) { return 0; }
bool HttpImageServer::saveSnapshot(const QString&, int) { return false; }
void HttpImageServer::ptControl(int) {}
void HttpImageServer::probeInit() {}
void HttpImageServer::probeStart(int) {}
void HttpImageServer::openAudio(QString&) {}
void HttpImageServer::searchServer(int, const QString&)
{
    QTimer::singleShot(0, this, [this] { emit EndSearch(); });
}
int HttpImageServer::probeAddress(const QString&, int) { return 0; }
int HttpImageServer::setNetwork(const QString&, const QString&, const QString&) { return 0; }
int HttpImageServer::setNetworkEx(const QString&, const QString&, const QString&, int) { return 0; }
void HttpImageServer::applyNetwork() {}
int HttpImageServer::getConfigWord(int) { return configWord_; }
void HttpImageServer::setConfigWord(int, int value) { configWord_ = value; }
int HttpImageServer::saveConfig(int, int) { return 0; }
int HttpImageServer::adminState() { return 0; }
int HttpImageServer::checkAdmin(const QString&, const QString&) { return 0; }
int HttpImageServer::loginContext() { return 0; }
QString HttpImageServer::getLoginContextText(int) { return {}; }
void HttpImageServer::useLoginContext(int, const QString&) {}
int HttpImageServer::login(const QString&, const QString&) { return 0; }
QString HttpImageServer::getAdminAccount(int) { return {}; }
