// The network set-up datagrams of the camera protocol (docs/camera-protocol.md,
// section 7.5): administrator state, administrator check, new network
// settings and their application, each addressed to a camera by its MAC
// address, so that a camera is reached even when its address is shared or
// outside this machine's network.
//
// The request proves the administrator's user name and password without
// sending them: proof = lower-case hexadecimal SHA-256 of
// "<id>:<mac>:<user>:<password>" (UTF-8), new with every request id.
#pragma once

#include "platform/image_server/camera_search.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

enum class NetOp { Admin, Check, Set, Apply };

struct NetRequest {
    NetOp op = NetOp::Admin;
    QString mac;                // dotted decimal, six parts
    QString user, password;     // the administrator pair to prove (Check, Set, Apply)
    QString ip, mask, gateway;  // Set
    bool dhcp = false;          // Set
};

enum class NetResult { Ok, Denied, Invalid };

struct NetReply {
    NetResult result = NetResult::Invalid;
    bool adminSet = false;  // Admin: the camera has an administrator account

    friend bool operator==(const NetReply&, const NetReply&) = default;
};

inline constexpr qsizetype kMaxNetDatagram = 1024;

QByteArray NetProof(quint32 id, const QString& mac, const QString& user, const QString& password);
QByteArray MakeNetRequest(quint32 id, const NetRequest& request);
// The reply to request `id` for the camera `mac`; nullopt when the datagram is
// anything else (another request's, another camera's, malformed, too long).
std::optional<NetReply> ParseNetReply(QByteArrayView datagram, quint32 id, const QString& mac);

// Sends the request to the discovery targets and waits for the camera's
// reply (settings.identifyMs at most, the request repeated once). Blocking,
// bounded; nullopt when no camera answered.
std::optional<NetReply> ExchangeNetRequest(const NetRequest& request,
                                           const DiscoverySettings& settings);
