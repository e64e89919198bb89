// The production image server: speaks the camera protocol
// (docs/camera-protocol.md) over HTTP. Network I/O and JPEG decoding run on a
// worker thread per stream; results come back to the GUI thread queued.
#pragma once

#include "platform/image_server/image_server.h"

#include "platform/image_server/avi_recorder.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/http_auth.h"
#include "platform/image_server/network_setup.h"
#include "platform/image_server/records.h"
#include "platform/image_server/stream_session.h"

#include <QPointer>
#include <memory>
#include <vector>

class AudioPlayer;
class CameraMedia;
class CameraSearch;
class RequestQueue;
class StreamSession;
struct CameraEndpoint;
struct DiscoveredCamera;

class HttpImageServer : public ImageServer {
    Q_OBJECT
public:
    explicit HttpImageServer(QObject* parent = nullptr);
    ~HttpImageServer() override;

    void setIPAddress(const QString& v) override { ip_ = v; }
    QString ipAddress() const override { return ip_; }
    void setPort(int v) override { port_ = v; }
    int port() const override { return port_; }
    void setUserName(const QString& v) override { user_ = v; }
    void setPassword(const QString& v) override { password_ = v; }
    void setAuthText(const QString& v) override { authText_ = v; }
    void setProtocol(int v) override { protocol_ = v; }
    void setIsLocalCamera(bool v) override { local_ = v; }
    bool isLocalCamera() const override { return local_; }
    void setMacAddress(const QString& v) override { mac_ = v; }
    void setProxyServerAddress(const QString& v) override { proxyAddress_ = v; }
    void setProxyServerPort(int v) override { proxyPort_ = v; }
    void setEnableProxy(bool v) override { enableProxy_ = v; }
    void setBypassProxyServer(bool v) override { bypassProxy_ = v; }
    void setReserved163(const QString&) override {}
    void setReserved42(int) override {}
    void setReserved43(int) override {}
    void setReserved53(bool) override {}
    void setReserved71(int) override {}

    void setDisplay(VideoSurface* surface) override;
    VideoSurface* display() const override;
    void setDisplayWidth(int v) override;
    int displayWidth() const override { return displayWidth_; }
    void setDisplayHeight(int v) override;
    int displayHeight() const override { return displayHeight_; }
    void setDisplayEnabled(bool v) override;
    bool displayEnabled() const override { return displayEnabled_; }
    void setRotateAngle(int v) override;
    int rotateAngle() const override { return rotateAngle_; }
    void setFrameDelay(int v) override;
    int sourceWidth() const override;
    int sourceHeight() const override;
    int frameRate() const override;

    void start() override;
    void stop() override;
    bool isRunning() const override;
    void setStreamMode(int v) override { streamMode_ = v; }
    void applyStreamMode() override;
    int isBusy() const override;

    void setSplitFileMode(int v) override { splitFileMode_ = v; }
    void setSplitFileSize(int v) override { splitFileSize_ = v; }
    void setSplitFileTime(int v) override { splitFileTime_ = v; }
    void setReserveSpace(int v) override { reserveSpace_ = v; }
    void setRecordPath(const QString& v) override { recordPath_ = v; }
    void setKeepFilePath(const QString&) override {}
    void recordStart() override;
    void recordStop() override;
    bool storageReady() const override;

    void setAlarmFlags(int v) override;
    int alarmFlags() const override { return alarmFlags_; }
    void setSensitivity(int v) override;
    void setSnapshotFile(const QString& v) override;
    void setMailServer(const QString& server, const QString& to, const QString& from,
                       const QString& subject) override;
    void setMailIntervalTime(int v) override;
    void setMailUserName(const QString& v) override;
    void setMailPassword(const QString& v) override;
    void sendMail() override;

    void selectServer(int index) override;
    QString serverName() const override { return identity_.name; }
    QString serverModel() const override { return identity_.model; }
    QString serverMacAddress() const override { return identity_.mac; }
    QString serverIPAddress() const override { return identity_.ip; }
    QString serverLocation() const override { return identity_.location; }
    QString serverSubnetMask() const override { return identity_.mask; }
    QString serverGateway() const override { return identity_.gateway; }
    QString fwVersion() const override { return identity_.fw; }
    QString hwVersion() const override { return identity_.hw; }
    QString romVersion() const override { return identity_.rom; }
    int serverProtocol() const override { return identity_.protocol; }
    int serverCapability() const override { return identity_.capability; }
    int serverWebPort() const override { return identity_.webPort; }

    int checkIP(int mode, bool flag) override;
    int loginTest(int mode) override;
    QString getConfigItem(int item) override;
    void getConfig(bool full) override;
    int getImageCaps(ImageConfig& config) override;
    int getImageConfig(ImageConfig& config, int mode) override;
    int setImageConfig(const ImageConfig& config) override;
    bool saveSnapshot(const QString& file, int mode) override;
    void ptControl(int code) override;
    void probeInit() override;
    void probeStart(int mode) override;
    int probeResult() const override { return identity_.capability & 16 ? 1 : 0; }
    int viewerParam1() const override { return viewerParam1_; }
    int viewerParam2() const override { return viewerParam2_; }
    void openAudio(QString& nonce) override;

    void searchServer(int mode, const QString& filter) override;
    int probeAddress(const QString& address, int port) override;
    int setNetwork(const QString& address, const QString& mask, const QString& gateway) override;
    int setNetworkEx(const QString& address, const QString& mask, const QString& gateway,
                     int mode) override;
    void applyNetwork() override;
    int getConfigWord(int index) override;
    void setConfigWord(int index, int value) override;
    int saveConfig(int what, int flags) override;
    int adminState() override;
    int checkAdmin(const QString& id, const QString& password) override;
    int loginContext() override;
    QString getLoginContextText(int context) override;
    void useLoginContext(int mode, const QString& text) override;
    int login(const QString& user, const QString& password) override;
    QString getAdminAccount(int which) override;

    // Diagnostics for tests and measurements.
    quint64 framesReceived() const;
    quint64 framesDecoded() const;
    quint64 partsDamaged() const;
    // Recording, motion and mail state (tests and measurements).
    const CameraMedia& media() const { return *media_; }
    // Where the free space of a record folder is asked (tests simulate a small disk).
    void setFreeSpaceFunction(FreeSpaceFn fn);
    // Stream timing (tests shorten them): the pauses between attempts, and how
    // long attempts go on before ConnectFailed.
    void setStreamTimeouts(int connectMs, int stallMs, std::vector<int> backoffMs);
    void setRetryTime(int ms) { retryForMs_ = ms; }
    // The camera's sound while stream mode 3 runs (tests and figures), else nullptr.
    AudioPlayer* audioPlayer() const { return audio_.get(); }

private:
    struct Identity {
        QString name, model, mac, ip, location, mask, gateway;
        QString fw = QStringLiteral("0.00"), hw = QStringLiteral("0.00"),
                rom = QStringLiteral("0.00");
        int protocol = kProtocolServer, capability = 0, webPort = 0, port = 0;
        bool valid = false;
    };
    static Identity IdentityFrom(const Record& r, const QString& address);
    static Identity IdentityFrom(const DiscoveredCamera& camera);
    CameraEndpoint Endpoint() const;
    NetRequest NetRequestFor(NetOp op) const;
    static QString MakeLoginText();
    // Endpoint() on the port the camera reported for itself, when the request
    // goes to the camera the identity reads describe.
    CameraEndpoint ControlEndpoint() const;
    // ControlEndpoint() with a protocol-3 log-in ("" = a fresh log-in text).
    CameraEndpoint ViewerEndpoint(const QString& logInText) const;
    void ApplyViewerLogIn(CameraEndpoint& ep, const QString& logInText) const;
    void PostNotify(int code);
    // A code from the recorder, detector or mailer reaches the GUI thread:
    // motion also switches the alarm output when its flag is set.
    void MediaReport(int code);
    void SwitchAlarmOut();
    void PushMailSettings();
    void StartSession();
    void EndSession(int waitMs);
    void OnFrameReady();
    void OnSessionEnded();
    void PushGeometry();
    void UpdateWantPictures();
    void PushDisplayNeed();
    RequestQueue& Queue();

    QString ip_, user_, password_, authText_, mac_, proxyAddress_;
    int port_ = 8481, protocol_ = kProtocolServer, proxyPort_ = 0;
    bool local_ = true, enableProxy_ = false, bypassProxy_ = false;
    QPointer<VideoSurface> surface_;
    int displayWidth_ = 0, displayHeight_ = 0, rotateAngle_ = 0, frameDelay_ = 0;
    bool displayEnabled_ = false;
    bool running_ = false;
    int streamMode_ = 1;
    int splitFileMode_ = 0, splitFileSize_ = 0, splitFileTime_ = 0, reserveSpace_ = 0;
    QString recordPath_;
    int alarmFlags_ = 0, sensitivity_ = 5;
    QString snapshotFile_, mailServer_, mailTo_, mailFrom_, mailSubject_, mailUser_, mailPassword_;
    int mailInterval_ = 0;
    Identity identity_;    // what the identity reads return
    Identity identified_;  // the camera the last identify found
    std::vector<Identity> hits_;
    int configWord_ = 0;
    static constexpr int kLoginContext = 1;
    QString loginContextText_, loginText_;
    int viewerParam1_ = 0, viewerParam2_ = 0;
    int connectTimeoutMs_ = 5000, stallTimeoutMs_ = 5000;
    std::vector<int> backoffMs_ = StreamOptions{}.backoffMs;
    int retryForMs_ = StreamOptions{}.retryForMs;
    HttpAuthenticator syncAuth_;  // GUI-thread requests
    std::shared_ptr<HttpAuthenticator> queueAuth_ =
        std::make_shared<HttpAuthenticator>();  // queue thread only
    std::shared_ptr<StreamSession> session_;
    quint64 sessionId_ = 0;
    std::unique_ptr<RequestQueue> queue_;
    // Recording, motion and mail; reports from its threads pass the gate,
    // which closes before this object goes.
    struct NotifyGate;
    std::shared_ptr<NotifyGate> gate_;
    std::shared_ptr<CameraMedia> media_;
    QPointer<CameraSearch> search_;
    std::shared_ptr<AudioPlayer> audio_;  // protocol 4, stream mode 3
    bool sessionAudio_ = false;           // the running session carries sound
    mutable QString logInText_;           // protocol 3: this object's own log-in text
    quint64 searchGeneration_ = 0;
};
