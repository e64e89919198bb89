// Network set-up replies arrive from anyone on the network: reading one must
// never fail, and only a reply to our own request for our camera counts.
#include "platform/image_server/network_setup.h"

#include <cstdint>
#include <cstdlib>

namespace {
constexpr quint32 kId = 0x5f3a09c2;
const QString kMac = QStringLiteral("0.30.140.1.2.3");

void Require(bool condition)
{
    if (!condition)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView datagram(reinterpret_cast<const char*>(data),
                                  static_cast<qsizetype>(size));
    const auto reply = ParseNetReply(datagram, kId, kMac);
    if (reply) {
        Require(size <= static_cast<size_t>(kMaxNetDatagram));
        Require(datagram.toByteArray().toLower().contains("5f3a09c2"));  // hex in any case
        Require(reply->result == NetResult::Ok || reply->result == NetResult::Denied
                || reply->result == NetResult::Invalid);
        // The same datagram never answers another request or another camera.
        Require(!ParseNetReply(datagram, kId + 1, kMac));
        Require(!ParseNetReply(datagram, kId, QStringLiteral("0.30.140.1.2.4")));
    }
    return 0;
}
