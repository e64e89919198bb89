#include "platform/image_server/camera_search.h"

#include "platform/image_server/tcp_stream.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QUdpSocket>
#include <QVariant>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// ---------------------------------------------------------------- settings

namespace {

DiscoverySettings ProgramSettings()
{
    DiscoverySettings s;
    const QByteArray targets = qgetenv("CAM_DISCOVERY_TARGETS");
    for (const QByteArray& t : targets.split(',')) {
        const QHostAddress a(QString::fromLatin1(t.trimmed()));
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            s.targets.push_back(a);
    }
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("CAM_DISCOVERY_PORT", &ok);
    if (ok && port > 0 && port <= 65535)
        s.port = static_cast<quint16>(port);
    return s;
}

std::mutex gSettingsMutex;
std::optional<DiscoverySettings> gSettings;

quint32 NewRequestId()
{
    quint32 id = 0;
    while (id == 0)
        id = QRandomGenerator::global()->generate();
    return id;
}

}  // namespace

DiscoverySettings CurrentDiscoverySettings()
{
    const std::lock_guard<std::mutex> lock(gSettingsMutex);
    if (!gSettings)
        gSettings = ProgramSettings();
    return *gSettings;
}

void SetDiscoverySettings(const DiscoverySettings& settings)
{
    const std::lock_guard<std::mutex> lock(gSettingsMutex);
    gSettings = settings;
}

void ResetDiscoverySettings()
{
    const std::lock_guard<std::mutex> lock(gSettingsMutex);
    gSettings.reset();
}

std::vector<QHostAddress> InterfaceBroadcastAddresses()
{
    std::vector<QHostAddress> out;
    for (const QNetworkInterface& ni : QNetworkInterface::allInterfaces()) {
        const auto flags = ni.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp)
            || !flags.testFlag(QNetworkInterface::IsRunning))
            continue;
        for (const QNetworkAddressEntry& entry : ni.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            QHostAddress broadcast = entry.broadcast();
            if (broadcast.isNull()) {
                if (!flags.testFlag(QNetworkInterface::IsLoopBack))
                    continue;  // point-to-point links have no one to broadcast to
                const quint32 ip = entry.ip().toIPv4Address();
                const quint32 mask = entry.netmask().toIPv4Address();
                broadcast = QHostAddress(ip | ~mask);
            }
            if (std::find(out.begin(), out.end(), broadcast) == out.end())
                out.push_back(broadcast);
        }
    }
    return out;
}

// ---------------------------------------------------------------- search

CameraSearch::CameraSearch(DiscoverySettings settings, QString filter, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_filter(filter.trimmed())
{
    m_resend.setSingleShot(true);
    m_end.setSingleShot(true);
    // A coarse timer may end the listening up to 5 % early.
    m_end.setTimerType(Qt::PreciseTimer);
    connect(&m_resend, &QTimer::timeout, this, &CameraSearch::Send);
    connect(&m_end, &QTimer::timeout, this, &CameraSearch::Finish);
}

CameraSearch::~CameraSearch() = default;

void CameraSearch::Start()
{
    m_id = NewRequestId();
    if (!m_filter.isEmpty()) {
        const QHostAddress only(m_filter);
        if (only.protocol() == QAbstractSocket::IPv4Protocol)
            m_targets.push_back(only);
    } else {
        m_targets = m_settings.targets.empty() ? InterfaceBroadcastAddresses() : m_settings.targets;
    }
    m_socket = new QUdpSocket(this);
    if (m_targets.empty() || !m_socket->bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
        // Nothing to ask, or no socket: the search ends at once, empty.
        QTimer::singleShot(0, this, &CameraSearch::Finish);
        return;
    }
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(1 << 20));
    connect(m_socket, &QUdpSocket::readyRead, this, &CameraSearch::Read);
    Send();
    if (m_settings.resendMs > 0 && m_settings.resendMs < m_settings.listenMs)
        m_resend.start(m_settings.resendMs);
    m_end.start(std::max(0, m_settings.listenMs));
}

void CameraSearch::Send()
{
    if (!m_socket || m_finished)
        return;
    const QByteArray request = MakeSearchRequest(m_id, m_filter);
    for (const QHostAddress& target : m_targets)
        m_socket->writeDatagram(request, target, m_settings.port);  // a refused target is skipped
}

void CameraSearch::Read()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket->receiveDatagram(kMaxDiscoveryDatagram + 1);
        if (m_finished)
            continue;
        const auto cam = ParseDiscoveryReply(d.data(), m_id, d.senderAddress());
        if (!cam)
            continue;
        if (!m_filter.isEmpty() && cam->ip != m_filter)
            continue;  // only the camera asked for
        const QString key = cam->ip + QLatin1Char(' ') + cam->mac;
        if (m_seen.contains(key) || m_seen.size() >= kMaxCameras)
            continue;
        m_seen.insert(key);
        emit Found(*cam);
    }
}

void CameraSearch::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_resend.stop();
    m_end.stop();
    if (m_socket)
        m_socket->close();
    emit Finished();
}

// ---------------------------------------------------------------- identify

std::optional<DiscoveredCamera>
IdentifyCamera(const QString& address, const DiscoverySettings& settings, const CancelToken* cancel)
{
    const QHostAddress target(address.trimmed());
    if (target.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(settings.port);
    to.sin_addr.s_addr = htonl(target.toIPv4Address());
    const quint32 id = NewRequestId();
    const QByteArray request = MakeSearchRequest(id, target.toString());
    const auto send = [&] {
        ::sendto(fd, request.constData(), static_cast<size_t>(request.size()), 0,
                 reinterpret_cast<sockaddr*>(&to), sizeof to);
    };

    const Deadline end = DeadlineIn(std::max(0, settings.identifyMs));
    const Deadline resend = DeadlineIn(std::max(0, settings.identifyMs) / 3);
    bool resent = false;
    send();
    QByteArray buffer(static_cast<int>(kMaxDiscoveryDatagram + 1), Qt::Uninitialized);
    for (;;) {
        if (cancel && cancel->IsCancelled())
            return std::nullopt;
        const Deadline now = Clock::now();
        if (now >= end)
            return std::nullopt;
        if (!resent && now >= resend) {
            resent = true;
            send();
        }
        const Deadline wake = resent ? end : std::min(end, resend);
        const auto waitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count() + 1;
        pollfd fds[2] = {{fd, POLLIN, 0}, {cancel ? cancel->Fd() : -1, POLLIN, 0}};
        const int ready =
            ::poll(fds, cancel ? 2 : 1, static_cast<int>(std::min<long long>(waitMs, 60000)));
        if (ready < 0 && errno != EINTR)
            return std::nullopt;
        if (ready <= 0 || !(fds[0].revents & POLLIN))
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer.data(), static_cast<size_t>(buffer.size()), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n <= 0)
            continue;
        const QHostAddress sender(ntohl(from.sin_addr.s_addr));
        const auto cam = ParseDiscoveryReply(QByteArrayView(buffer.constData(), n), id, sender);
        if (cam && cam->ip == target.toString())
            return cam;
    }
}
