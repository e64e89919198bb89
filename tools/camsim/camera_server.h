// One simulated camera: an HTTP server on its own address and port, and the
// answers to searches on a UDP socket of its own address, run on a thread of
// its own. It speaks the camera protocol (docs/camera-protocol.md) and takes
// fault commands under /sim/.
#pragma once

#include "scene.h"
#include "sim_auth.h"
#include "sim_config.h"
#include "ts_stream.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QUrlQuery>
#include <memory>
#include <vector>

class QHostAddress;
class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

class CameraServer : public QObject {
    Q_OBJECT
public:
    // discoveryPort: the UDP port searches arrive on (<= 0: no discovery).
    CameraServer(SimCameraConfig config, bool quiet, int discoveryPort = 0);
    ~CameraServer() override;

    const SimCameraConfig& config() const { return config_; }

public slots:
    // Run on the camera's thread. Listen returns the port, or -1.
    int Listen();
    void Shutdown();
    // A search request that arrived (by broadcast or to this camera) from
    // `from`:`port`; answered from this camera's own address.
    void AnswerSearch(const QHostAddress& from, quint16 port, const QByteArray& request);

private:
    struct Request {
        QByteArray method;
        QByteArray target;  // as sent (origin or absolute form)
        QByteArray path;    // without query
        QUrlQuery query;
        QHash<QByteArray, QByteArray> headers;  // names lower case
        QByteArray body;
    };
    // What a streaming connection carries.
    enum class StreamKind { Mjpeg, MjpegAudio, Ts, Audio };
    struct Connection {
        QByteArray buffer;
        bool streaming = false;
        bool answered = false;
        StreamKind kind = StreamKind::Mjpeg;
        bool tsJoined = false;  // the client has had a key frame to start with
        bool audioL16 = false;  // sound as 16-bit PCM instead of mu-law
    };
    enum class Corrupt { None, Garbage, Truncated, BadLength, Huge };

    void OnNewConnection();
    void OnReadyRead(QTcpSocket* socket);
    void Handle(QTcpSocket* socket, const Request& req);
    void Dispatch(QTcpSocket* socket, const Request& req);
    void Respond(QTcpSocket* socket, int status, const QByteArray& body,
                 const QByteArray& type = "text/plain; charset=utf-8",
                 const QList<QByteArray>& extra = {});
    // The viewer's credentials, or the administrator's (configuration).
    // `ticket`: a protocol-3 camera also takes a viewer ticket (stream, sound
    // and the alarm output).
    bool Authorised(QTcpSocket* socket, const Request& req, bool admin = false,
                    bool ticket = false);
    void OnSearchDatagrams();
    QByteArray SearchAnswer(const QByteArray& id);
    void StartStream(QTcpSocket* socket);
    void Tick();
    // Protocol-3 stream, sound channel and viewer tickets (camera_server_ts.cpp).
    bool HandleCompressed(QTcpSocket* socket, const Request& req);
    bool TicketOk(const QByteArray& authorization) const;
    void TickCompressed();
    QByteArray CurrentJpeg();
    QByteArray RenderJpeg(qint64 counter, int phase);
    void ApplyFrameRate();
    void Log(const QString& text) const;
    QByteArray StateRecord() const;
    QByteArray IdentityRecord() const;
    QByteArray ImageRecord() const;
    int ResolutionCode() const;

    SimCameraConfig config_;
    bool quiet_;
    QTcpServer* server_ = nullptr;
    QTimer* ticker_ = nullptr;
    QHash<QTcpSocket*, Connection> connections_;
    std::unique_ptr<SimAuth> auth_;
    Scene scene_;
    SceneState state_;
    int compression_ = 2;
    int frameRate_ = 25;
    int lightFreq_ = 0;
    qint64 counter_ = 0;
    QByteArray lastJpeg_;
    std::vector<QByteArray> loop_;  // cached pictures for --loop-frames
    SceneState loopState_;
    void* encoder_ = nullptr;

    // Faults.
    bool refuse_ = false;
    bool stall_ = false;
    bool hang_ = false;
    int slowMs_ = 0;
    bool configFails_ = false;
    enum class SearchMode { Normal, Silent, Slow, Malformed };
    SearchMode searchMode_ = SearchMode::Normal;
    int searchSlowMs_ = 0;
    QByteArray malformedKind_;
    int corruptLeft_ = 0;
    Corrupt corruptKind_ = Corrupt::None;

    // Counters for /sim/state.
    qint64 framesSent_ = 0;
    qint64 framesSkipped_ = 0;
    qint64 streamRequests_ = 0;
    qint64 authFailures_ = 0;
    qint64 searchRequests_ = 0;
    qint64 searchAnswers_ = 0;
    int discoveryPort_ = 0;
    QUdpSocket* udp_ = nullptr;
    // Wall-clock microseconds: when motion was last switched on, and the
    // capture time of the first picture sent that shows it (0: none yet).
    qint64 motionOnUs_ = 0;
    qint64 motionFirstUs_ = 0;
    QList<int> ptzLog_;

    // Protocol-3 stream and sound.
    std::unique_ptr<TsEncoder> ts_;
    QByteArray tsGroup_;             // the stream since its last key frame
    QList<quint32> tickets_;         // issued to probes, newest last
    QList<QByteArray> audioOpened_;  // log-in texts whose sound channel is open
    ToneSource tone_;
    qint64 tsPictures_ = 0;
    qint64 audioParts_ = 0;

    static constexpr int kAlarmTimeMs = 5000;
    bool alarmOut_ = false;     // the alarm output is switched on
    qint64 alarmSwitches_ = 0;  // times it was switched on
    // Network set-up, administrator check and moving (sim_network.cpp).
    struct PendingNetwork {
        bool valid = false;
        QString ip, mask, gateway;
        bool dhcp = false;
    };
    void HandleNetDatagram(const QHostAddress& from, quint16 port, const QByteArray& request);
    // /api/config (GET and POST) and /api/network; false when `req` is none of them.
    bool HandleNetworkHttp(QTcpSocket* socket, const Request& req);
    QByteArray ConfigRecord() const;
    bool AdminSet() const;
    // Moves the camera to `address` (after the answer that caused it went out).
    void MoveTo(const QString& address);
    void ApplyPending();
    QString DhcpAddress() const;
    quint16 netFlags_ = 0x0001;  // bit 0 manual; bits 1 and 10 DHCP
    PendingNetwork pending_;
    int moves_ = 0;

    // Firmware over TFTP and the restart after it (sim_tftp.cpp).
    bool StartTftp();
    void OnTftpDatagrams();
    void Reboot(const QString& newVersion);
    struct TftpTransfer;
    QUdpSocket* tftp_ = nullptr;
    std::shared_ptr<TftpTransfer> transfer_;
    bool rebooting_ = false;
    int firmwareUpdates_ = 0;
    int tftpFailures_ = 0;

    // The camera's web pages (sim_web.cpp); false when `req` is not one of them.
    bool HandleWebPage(QTcpSocket* socket, const Request& req);
    int webPosts_ = 0;
    QHash<QByteArray, QString> webFields_;  // what the settings page keeps besides the identity
};
