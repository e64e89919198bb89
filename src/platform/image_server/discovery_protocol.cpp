#include "platform/image_server/discovery_protocol.h"

#include "platform/image_server/camera_codes.h"
#include "platform/image_server/records.h"

#include <QHostAddress>

namespace {

const QByteArray kRequestLine = "CAMSEARCH/1";
const QByteArray kReplyLine = "CAMFOUND/1";

bool IsDottedNumbers(const QString& text, int parts)
{
    const QStringList pieces = text.split(QLatin1Char('.'));
    if (pieces.size() != parts)
        return false;
    for (const QString& p : pieces) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        int value = 0;
        for (const QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            value = value * 10 + (c.unicode() - '0');
        }
        if (value > 255)
            return false;
    }
    return true;
}

// Printable text of bounded length: control characters (C0, DEL, C1 and the
// line and paragraph separators) go.
QString CleanText(const QString& text)
{
    QString out;
    out.reserve(std::min(text.size(), kMaxDiscoveryText));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            continue;
        if (out.size() >= kMaxDiscoveryText)
            break;
        out += c;
    }
    // Never end on half a surrogate pair.
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

// A decimal number in [lo, hi], else `fallback`.
int Bounded(const Record& r, const char* key, int lo, int hi, int fallback)
{
    const QString text = r.value(QString::fromLatin1(key)).trimmed();
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < lo || v > hi)
        return fallback;
    return static_cast<int>(v);
}

QString Version(const Record& r, const char* key)
{
    const QString v = CleanText(r.value(QString::fromLatin1(key)));
    return v.isEmpty() ? QStringLiteral("0.00") : v;
}

}  // namespace

bool IsDottedMac(const QString& text) { return IsDottedNumbers(text, 6); }
bool IsDottedIPv4(const QString& text) { return IsDottedNumbers(text, 4); }

QByteArray MakeSearchRequest(quint32 id, const QString& filter)
{
    QByteArray out = kRequestLine + "\r\nid=" + QByteArray::number(id, 16) + "\r\n";
    if (!filter.isEmpty())
        out += "ip=" + filter.trimmed().toUtf8().toPercentEncoding(".:") + "\r\n";
    return out;
}

std::optional<DiscoveredCamera> ParseDiscoveryReply(QByteArrayView datagram, quint32 id,
                                                    const QHostAddress& sender)
{
    if (datagram.size() > kMaxDiscoveryDatagram)
        return std::nullopt;
    const qsizetype eol = datagram.indexOf('\n');
    if (eol < 0)
        return std::nullopt;
    QByteArrayView first = datagram.first(eol);
    if (first.endsWith('\r'))
        first.chop(1);
    if (first != QByteArrayView(kReplyLine))
        return std::nullopt;
    const Record r = ParseRecord(datagram.sliced(eol + 1).toByteArray());

    const QString idText = r.value(QStringLiteral("id")).trimmed();
    bool ok = false;
    if (idText.isEmpty() || idText.size() > 8 || idText.toUInt(&ok, 16) != id || !ok)
        return std::nullopt;

    DiscoveredCamera cam;
    cam.mac = r.value(QStringLiteral("mac")).trimmed();
    if (!IsDottedMac(cam.mac))
        return std::nullopt;
    const QString protocol = r.value(QStringLiteral("protocol")).trimmed();
    cam.protocol = protocol.isEmpty()
                       ? kProtocolServer
                       : Bounded(r, "protocol", kProtocolServer, kProtocolWebStream, -1);
    if (cam.protocol < 0)
        return std::nullopt;
    if (r.contains(QStringLiteral("ip"))) {
        cam.ip = r.value(QStringLiteral("ip")).trimmed();
        if (!IsDottedIPv4(cam.ip))
            return std::nullopt;
    } else {
        bool isV4 = false;
        const quint32 v4 = sender.toIPv4Address(&isV4);
        if (!isV4)
            return std::nullopt;
        cam.ip = QHostAddress(v4).toString();
    }
    cam.name = CleanText(r.value(QStringLiteral("name")));
    cam.model = CleanText(r.value(QStringLiteral("model")));
    cam.location = CleanText(r.value(QStringLiteral("location")));
    cam.fw = Version(r, "fw_version");
    cam.hw = Version(r, "hw_version");
    cam.rom = Version(r, "rom_version");
    const QString mask = r.value(QStringLiteral("mask")).trimmed();
    cam.mask = IsDottedIPv4(mask) ? mask : QString();
    const QString gateway = r.value(QStringLiteral("gateway")).trimmed();
    cam.gateway = IsDottedIPv4(gateway) ? gateway : QString();
    cam.capability = Bounded(r, "capability", 0, 0x7FFFFFFF, 0);
    cam.port = Bounded(r, "port", 1, 65535, 0);
    cam.webPort = Bounded(r, "web_port", 1, 65535, 0);
    return cam;
}
