// Camera discovery answers arrive from anyone on the network: reading one
// must never fail, and what it yields must be safe to list and to use.
#include "foundation/helpers.h"
#include "platform/image_server/discovery_protocol.h"

#include <QHostAddress>
#include <cstdint>
#include <cstdlib>

namespace {
constexpr quint32 kId = 0x1234abcd;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QHostAddress v4(QStringLiteral("127.0.0.7"));
    static const QHostAddress v6(QStringLiteral("::1"));
    const QByteArrayView datagram(reinterpret_cast<const char*>(data),
                                  static_cast<qsizetype>(size));
    for (const QHostAddress* sender : {&v4, &v6}) {
        const auto cam = ParseDiscoveryReply(datagram, kId, *sender);
        if (!cam)
            continue;
        Require(IsDottedMac(cam->mac));
        Require(IsDottedIPv4(cam->ip));
        Require(cam->protocol >= 0 && cam->protocol <= 4);
        Require(cam->port >= 0 && cam->port <= 65535 && cam->webPort >= 0 && cam->webPort <= 65535);
        for (const QString* text :
             {&cam->name, &cam->model, &cam->location, &cam->fw, &cam->hw, &cam->rom}) {
            Require(text->size() <= kMaxDiscoveryText);
            for (const QChar c : *text)
                Require(c.unicode() >= 0x20 && c.unicode() != 0x7F);
        }
        // What the search window makes of it for its list.
        Require(FormatMacAddress(cam->mac).size() == 17);
        const QString shown = DecodeHtmlEntities(cam->name);
        Require(shown.size() <= cam->name.size());
    }
    return 0;
}
