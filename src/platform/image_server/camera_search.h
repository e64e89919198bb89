// Finding cameras with the discovery datagrams of the camera protocol
// (docs/camera-protocol.md, section 7).
//
// A search sends its request to every target address (by default the
// broadcast address of each IPv4 interface that is up, loopback's included),
// sends it once more a little later in case a datagram was lost, and listens
// for a fixed time. Each camera is reported once per search, however many
// targets it heard the request on. A search always finishes, also when its
// socket cannot be opened.
//
// The targets, port and times are settings. The program's own are the
// defaults, unless the environment variable CAM_DISCOVERY_TARGETS names other
// targets (comma-separated IPv4 addresses, for example "127.255.255.255" to
// search only this machine) or CAM_DISCOVERY_PORT another port. Tests set
// them directly and never reach beyond loopback.
#pragma once

#include "platform/image_server/discovery_protocol.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <optional>
#include <vector>

class CancelToken;
class QUdpSocket;

struct DiscoverySettings {
    std::vector<QHostAddress> targets;  // empty: every interface's broadcast address
    quint16 port = kDiscoveryPort;
    int listenMs = 1500;    // how long a search listens
    int resendMs = 250;     // when the request goes out a second time
    int identifyMs = 1000;  // how long an identify waits for its camera
};

DiscoverySettings CurrentDiscoverySettings();
void SetDiscoverySettings(const DiscoverySettings& settings);
// Back to the program's settings (defaults and environment).
void ResetDiscoverySettings();

// The broadcast address of every IPv4 interface that is up and running; for
// loopback, which has none of its own, the top address of its network.
std::vector<QHostAddress> InterfaceBroadcastAddresses();

class CameraSearch : public QObject {
    Q_OBJECT
public:
    // `filter`: an address; only the camera there is asked and listed.
    CameraSearch(DiscoverySettings settings, QString filter, QObject* parent = nullptr);
    ~CameraSearch() override;

    // Returns at once; Found and Finished follow from the event loop.
    void Start();

    static constexpr int kMaxCameras = 4096;

signals:
    void Found(const DiscoveredCamera& camera);
    void Finished();

private:
    void Send();
    void Read();
    void Finish();

    DiscoverySettings m_settings;
    QString m_filter;
    std::vector<QHostAddress> m_targets;
    quint32 m_id = 0;
    QUdpSocket* m_socket = nullptr;
    QTimer m_resend;
    QTimer m_end;
    QSet<QString> m_seen;  // "ip mac" of the cameras reported
    bool m_finished = false;
};

// Asks the camera at `address` for its identity and waits for the answer
// (settings.identifyMs at most, less when `cancel` fires). Blocking; for
// worker threads and bounded synchronous requests.
std::optional<DiscoveredCamera> IdentifyCamera(const QString& address,
                                               const DiscoverySettings& settings,
                                               const CancelToken* cancel);
