// Reading cameras' discovery answers: what is taken, what is cleaned and what
// is dropped.
#include "platform/image_server/discovery_protocol.h"
#include "platform/image_server/records.h"
#include "support/qt_printers.h"

#include <QHostAddress>
#include <gtest/gtest.h>

namespace {

constexpr quint32 kId = 0x1234abcd;
const QHostAddress kSender(QStringLiteral("127.0.0.7"));

QByteArray Reply(const QByteArray& body, const QByteArray& first = "CAMFOUND/1")
{
    return first + "\r\n" + body;
}
const QByteArray kGood =
    "id=1234abcd\r\nname=Front%20door\r\nmodel=PT-100\r\nmac=0.30.140.1.2.3\r\n"
    "fw_version=1.20\r\nhw_version=1.00\r\nrom_version=1.05\r\nlocation=Hall\r\nprotocol=4\r\n"
    "capability=16\r\nport=8481\r\nweb_port=80\r\nip=127.0.0.2\r\nmask=255.0.0.0\r\n"
    "gateway=127.0.0.1\r\n";

TEST(DiscoveryProtocol, AWellFormedAnswerGivesTheCamera)
{
    const auto cam = ParseDiscoveryReply(Reply(kGood), kId, kSender);
    ASSERT_TRUE(cam.has_value());
    DiscoveredCamera want;
    want.name = QStringLiteral("Front door");
    want.model = QStringLiteral("PT-100");
    want.mac = QStringLiteral("0.30.140.1.2.3");
    want.ip = QStringLiteral("127.0.0.2");
    want.location = QStringLiteral("Hall");
    want.mask = QStringLiteral("255.0.0.0");
    want.gateway = QStringLiteral("127.0.0.1");
    want.fw = QStringLiteral("1.20");
    want.hw = QStringLiteral("1.00");
    want.rom = QStringLiteral("1.05");
    want.protocol = 4;
    want.capability = 16;
    want.port = 8481;
    want.webPort = 80;
    EXPECT_EQ(*cam, want);
    // LF line ends and an upper-case id are read the same way.
    QByteArray lf = Reply(kGood).replace("\r\n", "\n").replace("1234abcd", "1234ABCD");
    EXPECT_EQ(ParseDiscoveryReply(lf, kId, kSender), cam);
}

TEST(DiscoveryProtocol, AnswersThatAreNotUsableAreDropped)
{
    struct Case {
        const char* name;
        QByteArray datagram;
    };
    const auto with = [](const QByteArray& key, const QByteArray& value) {
        Record r = ParseRecord(kGood);
        r.insert(QString::fromLatin1(key), QString::fromLatin1(value));
        QByteArray out = "CAMFOUND/1\r\n";
        for (auto it = r.cbegin(); it != r.cend(); ++it)
            out += it.key().toLatin1() + '=' + it.value().toLatin1() + "\r\n";
        return out;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"not a camera", "HTTP/1.1 200 OK\r\n\r\n"},
        {"a search request", Reply(kGood, "CAMSEARCH/1")},
        {"a later version", Reply(kGood, "CAMFOUND/2")},
        {"no line end at all", "CAMFOUND/1"},
        {"another request's answer", with("id", "1234abce")},
        {"an id too long", with("id", "01234abcd")},
        {"no id", Reply(QByteArray(kGood).replace("id=1234abcd\r\n", ""))},
        {"five MAC parts", with("mac", "0.30.140.1.2")},
        {"seven MAC parts", with("mac", "0.30.140.1.2.3.4")},
        {"a MAC part above 255", with("mac", "0.30.140.1.2.256")},
        {"a MAC part that is not a number", with("mac", "0.30.x.1.2.3")},
        {"a signed MAC part", with("mac", "0.30.+1.1.2.3")},
        {"a hexadecimal MAC", with("mac", "00:1E:8C:01:02:03")},
        {"an empty MAC", with("mac", "")},
        {"protocol 5", with("protocol", "5")},
        {"protocol -1", with("protocol", "-1")},
        {"protocol not a number", with("protocol", "abc")},
        {"an address that is not IPv4", with("ip", "camera.local")},
        {"an address part above 255", with("ip", "127.0.0.256")},
        {"too long", Reply(kGood + "pad=" + QByteArray(kMaxDiscoveryDatagram, 'x') + "\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ParseDiscoveryReply(c.datagram, kId, kSender).has_value());
    }
}

TEST(DiscoveryProtocol, TextsAreCleanedAndNumbersBounded)
{
    QByteArray body =
        "id=1234abcd\r\nmac=1.2.3.4.5.6\r\n"
        "name=A%0D%0AB%00C%1B%7F%C2%85D%E2%80%A8E\r\n"  // CR LF NUL ESC DEL NEL LS
        "model="
        + QByteArray(200, 'M')
        + "\r\n"
          "location="
        + QByteArray(63, 'L')
        + "%F0%9F%93%B7"  // a camera emoji across the limit
          "\r\nfw_version=\r\nport=70000\r\nweb_port=0\r\ncapability=-3\r\nmask=255.255.0\r\n"
          "gateway=%FF%FE\r\n";
    const auto cam = ParseDiscoveryReply(Reply(body), kId, kSender);
    ASSERT_TRUE(cam.has_value());
    EXPECT_EQ(cam->name, QStringLiteral("ABCDE"));
    EXPECT_EQ(cam->model, QString(kMaxDiscoveryText, QLatin1Char('M')));
    EXPECT_EQ(cam->location.size(), kMaxDiscoveryText - 1) << "a pair is never cut in half";
    EXPECT_FALSE(cam->location.back().isHighSurrogate());
    EXPECT_EQ(cam->fw, QStringLiteral("0.00"));
    EXPECT_EQ(cam->hw, QStringLiteral("0.00"));
    EXPECT_EQ(cam->port, 0);
    EXPECT_EQ(cam->webPort, 0);
    EXPECT_EQ(cam->capability, 0);
    EXPECT_EQ(cam->mask, QString());
    EXPECT_EQ(cam->gateway, QString());
    EXPECT_EQ(cam->protocol, 0) << "no protocol given";
    // Without "ip" the camera is where the answer came from.
    EXPECT_EQ(cam->ip, QStringLiteral("127.0.0.7"));
    EXPECT_FALSE(
        ParseDiscoveryReply(Reply(body), kId, QHostAddress(QStringLiteral("::1"))).has_value());
    EXPECT_EQ(
        ParseDiscoveryReply(Reply(body), kId, QHostAddress(QStringLiteral("::ffff:127.0.0.9")))->ip,
        QStringLiteral("127.0.0.9"));
}

TEST(DiscoveryProtocol, TheRequestCarriesItsIdAndFilter)
{
    EXPECT_EQ(MakeSearchRequest(0xbeef), QByteArray("CAMSEARCH/1\r\nid=beef\r\n"));
    EXPECT_EQ(MakeSearchRequest(7, QStringLiteral(" 127.0.0.5 ")),
              QByteArray("CAMSEARCH/1\r\nid=7\r\nip=127.0.0.5\r\n"));
    // A filter cannot add lines of its own.
    EXPECT_EQ(MakeSearchRequest(7, QStringLiteral("1\r\nid=9")),
              QByteArray("CAMSEARCH/1\r\nid=7\r\nip=1%0D%0Aid%3D9\r\n"));
}

}  // namespace
