// The discovery datagrams of the camera protocol (docs/camera-protocol.md,
// section 7): the search request the client sends and the reading of a
// camera's answer. Pure functions, no I/O.
//
// Reading an answer trusts nothing in it:
//   - a datagram longer than kMaxDiscoveryDatagram, one whose first line is not
//     "CAMFOUND/1", or one that answers another request, is not an answer;
//   - the MAC address must be six decimal numbers 0..255 joined by dots, the
//     protocol a number 0..4, and an address given in "ip" a dotted IPv4
//     address; otherwise the answer is dropped;
//   - texts lose their control characters and are cut to kMaxDiscoveryText
//     characters; unknown or out-of-range numbers become 0 (unknown);
//   - an answer without "ip" stands for the address it came from.
#pragma once

#include "platform/image_server/camera_codes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

class QHostAddress;

inline constexpr quint16 kDiscoveryPort = 8482;
inline constexpr qsizetype kMaxDiscoveryDatagram = 4096;
inline constexpr qsizetype kMaxDiscoveryText = 64;

// One camera as its discovery answer describes it.
struct DiscoveredCamera {
    QString name, model, mac, ip, location, mask, gateway;
    QString fw = QStringLiteral("0.00"), hw = QStringLiteral("0.00"), rom = QStringLiteral("0.00");
    int protocol = kProtocolServer;
    int capability = 0;
    int port = 0;     // the camera's HTTP port, 0 when unknown
    int webPort = 0;  // 0 when unknown

    friend bool operator==(const DiscoveredCamera&, const DiscoveredCamera&) = default;
};

// The search request with the given id; a non-empty filter asks only the
// camera with that address to answer.
QByteArray MakeSearchRequest(quint32 id, const QString& filter = QString());

// The camera an answer to request `id` describes; nullopt when the datagram
// is not such an answer.
std::optional<DiscoveredCamera> ParseDiscoveryReply(QByteArrayView datagram, quint32 id,
                                                    const QHostAddress& sender);

// True for six decimal numbers 0..255 joined by dots (1 to 3 digits each).
bool IsDottedMac(const QString& text);
// True for four decimal numbers 0..255 joined by dots (1 to 3 digits each).
bool IsDottedIPv4(const QString& text);
