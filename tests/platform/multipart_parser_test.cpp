// The stream parser finds every good picture whatever the network does to
// the stream, reports the damage, and holds bounded memory.
#include "platform/image_server/multipart_parser.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

QByteArray Part(const QByteArray& body, const QByteArray& extraHeaders = {}, qint64 length = -2,
                const QByteArray& eol = "\r\n")
{
    QByteArray p = "--bnd" + eol + "Content-Type: image/jpeg" + eol;
    if (length != -1)
        p += "Content-Length: " + QByteArray::number(length == -2 ? body.size() : length) + eol;
    p += extraHeaders + eol + body + eol;
    return p;
}

struct Result {
    std::vector<std::string> bodies;
    std::vector<MultipartParser::Damage> damage;
    qsizetype peakBuffered = 0;
};

Result Parse(const QByteArray& stream, qsizetype chunk,
             qsizetype maxPart = MultipartParser::kMaxPartBytes)
{
    Result r;
    MultipartParser p("bnd", maxPart);
    p.onPart = [&](MultipartPart&& part) { r.bodies.push_back(part.body.toStdString()); };
    p.onDamage = [&](MultipartParser::Damage d) { r.damage.push_back(d); };
    for (qsizetype i = 0; i < stream.size(); i += chunk) {
        p.Feed(stream.mid(i, chunk));
        r.peakBuffered = std::max(r.peakBuffered, p.Buffered());
    }
    return r;
}

using D = MultipartParser::Damage;

}  // namespace

TEST(MultipartParser, FindsTheGoodPartsWhateverTheStreamDoes)
{
    const QByteArray a = "\xFF\xD8 first picture \xFF\xD9";
    const QByteArray b = "\xFF\xD8 second \r\n--bn not a delimiter \xFF\xD9";
    const QByteArray c = "\xFF\xD8 third \xFF\xD9";
    const std::string A = a.toStdString(), B = b.toStdString(), C = c.toStdString();
    const QByteArray bigHeader = "X-Junk: " + QByteArray(9000, 'j') + "\r\n";
    struct Case {
        const char* name;
        QByteArray stream;
        std::vector<std::string> bodies;
        std::vector<D> damage;
        qsizetype maxPart = MultipartParser::kMaxPartBytes;
    };
    const Case cases[] = {
        {"well formed", Part(a) + Part(b) + Part(c), {A, B, C}, {}},
        // Without a length a part ends only when the next delimiter comes.
        {"no lengths", Part(a, {}, -1) + Part(b, {}, -1) + Part(c, {}, -1), {A, B}, {}},
        {"no lengths, next part begun",
         Part(a, {}, -1) + Part(c, {}, -1) + "--bnd\r\n",
         {A, C},
         {}},
        {"length too short", Part(a, {}, 3) + Part(b) + Part(c), {A, B, C}, {}},
        {"length too long", Part(a, {}, 5000) + Part(b) + Part(c), {A, B, C}, {}},
        // A length over the part limit: the part is skipped unread.
        {"length over the limit",
         Part(a, {}, 999999999999) + Part(b) + Part(c),
         {B, C},
         {D::OversizedPart}},
        {"noise before the first boundary", "garbage\r\n--bn\r\n" + Part(a) + Part(c), {A, C}, {}},
        {"LF line ends", Part(a, {}, -2, "\n") + Part(c, {}, -1, "\n") + "--bnd\n", {A, C}, {}},
        {"oversized part",
         Part(a) + Part(QByteArray(3000, 'x')) + Part(c),
         {A, C},
         {D::OversizedPart},
         1000},
        {"oversized part without length",
         Part(a) + Part(QByteArray(3000, 'x'), {}, -1) + Part(c),
         {A, C},
         {D::OversizedPart},
         1000},
        {"oversized header", Part(a) + Part(b, bigHeader) + Part(c), {A, C}, {D::OversizedHeader}},
        {"malformed header line",
         Part(a, "no colon here\r\n") + Part(c),
         {A, C},
         {D::MalformedHeader}},
        {"truncated at the end", Part(a) + Part(c).left(30), {A}, {}},
        {"wrong boundary", "--other\r\n\r\n" + a + "\r\n--other\r\n\r\n" + c + "\r\n", {}, {}},
        {"closing delimiter", Part(a) + "--bnd--\r\n", {A}, {}},
    };
    for (const Case& cs : cases) {
        for (qsizetype chunk : {qsizetype(1), qsizetype(7), qsizetype(100), cs.stream.size()}) {
            const Result r = Parse(cs.stream, std::max<qsizetype>(1, chunk), cs.maxPart);
            EXPECT_EQ(r.bodies, cs.bodies) << cs.name << ", chunks of " << chunk;
            EXPECT_EQ(r.damage, cs.damage) << cs.name << ", chunks of " << chunk;
        }
    }
}

TEST(MultipartParser, ReadsTimestampsAndTypes)
{
    MultipartParser p("bnd");
    std::vector<MultipartPart> parts;
    p.onPart = [&](MultipartPart&& part) { parts.push_back(part); };
    p.Feed(Part("\xFF\xD8x", "X-Timestamp-Us: 1767960000123456\r\nX-Frame: 42\r\n")
           + "--bnd\r\nContent-Type: Text/Plain; charset=x\r\nX-Frame: "
             "nope\r\n\r\nhello\r\n--bnd\r\n");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].timestampUs, 1767960000123456);
    EXPECT_EQ(parts[0].frameNumber, 42);
    EXPECT_EQ(parts[0].contentType, "image/jpeg");
    EXPECT_EQ(parts[1].contentType, "text/plain");
    EXPECT_EQ(parts[1].frameNumber, -1);
    EXPECT_EQ(parts[1].timestampUs, 0);
}

TEST(MultipartParser, MemoryStaysBoundedOnEndlessJunk)
{
    struct Case {
        const char* name;
        QByteArray chunk;
    };
    const Case cases[] = {
        {"no delimiter at all", QByteArray(64 * 1024, 'j')},
        {"one endless part", QByteArray()},  // filled below
        {"a delimiter line that never ends", QByteArray()},
    };
    for (const Case& c : cases) {
        MultipartParser p("bnd", 1 << 20);
        int damage = 0;
        p.onDamage = [&](MultipartParser::Damage) { ++damage; };
        qsizetype peak = 0;
        if (std::string(c.name) == "one endless part")
            p.Feed(QByteArray("--bnd\r\n\r\n"));
        if (std::string(c.name) == "a delimiter line that never ends")
            p.Feed(QByteArray("--bnd"));
        const QByteArray junk(64 * 1024, 'j');
        for (int i = 0; i < 600; ++i) {  // about 40 MB
            p.Feed(junk);
            peak = std::max(peak, p.Buffered());
        }
        EXPECT_LT(peak, (1 << 20) + 300 * 1024) << c.name;
        // And the parser still finds a good part afterwards.
        std::vector<QByteArray> bodies;
        p.onPart = [&](MultipartPart&& part) { bodies.push_back(part.body); };
        p.Feed("\r\n" + Part("\xFF\xD8ok") + "--bnd\r\n");
        EXPECT_EQ(bodies, std::vector<QByteArray>{"\xFF\xD8ok"}) << c.name;
    }
}

TEST(MultipartParser, BoundaryFromContentType)
{
    struct Case {
        const char* type;
        const char* boundary;
    };
    const Case cases[] = {
        {"multipart/x-mixed-replace; boundary=camframe", "camframe"},
        {"multipart/x-mixed-replace;boundary=\"a b;c\"", "a b;c"},
        {"multipart/x-mixed-replace; Boundary=--myboundary", "myboundary"},
        {"multipart/x-mixed-replace; boundary=x; charset=y", "x"},
        {"multipart/x-mixed-replace", ""},
        {"multipart/x-mixed-replace; boundary=\"unterminated", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MultipartParser::BoundaryFrom(c.type), QByteArray(c.boundary)) << c.type;
}
