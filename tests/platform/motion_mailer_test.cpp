#include "platform/image_server/motion_mailer.h"
#include "support/media_probe.h"
#include "support/smtp_sink.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <mutex>

namespace {

struct Results {
    std::mutex m;
    std::vector<int> codes;
    std::function<void(int)> Sink()
    {
        return [this](int code) {
            std::lock_guard lock(m);
            codes.push_back(code);
        };
    }
    size_t Count()
    {
        std::lock_guard lock(m);
        return codes.size();
    }
    std::vector<int> Codes()
    {
        std::lock_guard lock(m);
        return codes;
    }
    bool WaitFor(size_t n, int ms = 15000)
    {
        return QTest::qWaitFor([&] { return Count() >= n; }, ms);
    }
};

MailSettings Settings(const QString& server)
{
    MailSettings s;
    s.server = server;
    s.to = QStringLiteral("Guard <guard@example.org>; boss@example.org");
    s.from = QStringLiteral("Lobby camera <cam@example.org>");
    s.subject = QStringLiteral("Motion in the lobby");
    s.connectTimeoutMs = 3000;
    s.timeoutMs = 5000;
    return s;
}

}  // namespace

TEST(MailPiecesTest, AddressesServerAddressesAndHeaderTexts)
{
    EXPECT_EQ(mail::Addresses(QStringLiteral("Ann <ann@x.org>; bob@y.org , ,carl@z.org")),
              (QStringList{QStringLiteral("ann@x.org"), QStringLiteral("bob@y.org"),
                           QStringLiteral("carl@z.org")}));
    EXPECT_EQ(mail::Addresses(QStringLiteral("bad address@x.org;\r\nRCPT TO:<x@y>")),
              QStringList{QStringLiteral("x@y")});
    EXPECT_TRUE(mail::Addresses(QString()).isEmpty());

    const struct {
        const char* in;
        const char* url;
    } servers[] = {
        {"mail.example.org", "smtp://mail.example.org:25"},
        {" 127.0.0.1:2525 ", "smtp://127.0.0.1:2525"},
        {"[::1]:2525", "smtp://[::1]:2525"},
        {"::1", "smtp://[::1]:25"},
        {"smtps://mail.example.org:465", "smtps://mail.example.org:465"},
        {"", ""},
        {"mail example", ""},
        {"user@host", ""},
    };
    for (const auto& c : servers)
        EXPECT_EQ(mail::ServerUrl(QString::fromUtf8(c.in)), QString::fromUtf8(c.url)) << c.in;

    EXPECT_EQ(mail::HeaderText(QStringLiteral("Motion\r\nBcc: victim@x.org")),
              QByteArray("MotionBcc: victim@x.org"));
    EXPECT_EQ(mail::HeaderText(QStringLiteral("Bewegung in der Küche")),
              "=?UTF-8?B?" + QStringLiteral("Bewegung in der Küche").toUtf8().toBase64() + "?=");
}

TEST(MotionMailerTest, MailArrivesWithThePictureAttached)
{
    TestCertificate cert;
    struct Case {
        const char* name;
        bool tls;
        QByteArray user;
    } cases[] = {
        {"plain", false, {}},
        {"log-in", false, "camera"},
        {"STARTTLS and log-in", true, "camera"},
    };
    const QByteArray jpeg = MakeTestJpeg(320, 240, 7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.tls && !cert.ok) {
            ADD_FAILURE() << "the openssl tool is needed to make a test certificate";
            continue;
        }
        SmtpSink::Options o;
        if (c.tls) {
            o.certFile = cert.certFile;
            o.keyFile = cert.keyFile;
        }
        o.user = c.user;
        o.password = "s3cret";
        SmtpSink sink(o);
        ASSERT_TRUE(sink.isListening());
        QTemporaryDir dir;
        const QString picture = dir.filePath(QStringLiteral("Lobby.jpg"));
        Results results;
        MotionMailer mailer(results.Sink());
        MailSettings s = Settings(sink.Address());
        s.userName = QString::fromUtf8(c.user);
        s.password = QStringLiteral("s3cret");
        if (c.tls)
            s.caFile = cert.certFile;
        mailer.SetSettings(s);

        ASSERT_TRUE(mailer.OnMotion(jpeg, picture, 1000));
        ASSERT_TRUE(results.WaitFor(1)) << mailer.LastError().toStdString();
        EXPECT_EQ(results.Codes(), std::vector<int>{MotionMailer::kSent})
            << mailer.LastError().toStdString();
        ASSERT_EQ(sink.messages.size(), 1);

        const SinkMessage& msg = sink.messages.first();
        EXPECT_EQ(msg.encrypted, c.tls);
        EXPECT_EQ(msg.authUser, c.user);
        EXPECT_EQ(msg.envelopeFrom, QByteArray("<cam@example.org>"));
        EXPECT_EQ(msg.recipients, (QList<QByteArray>{"<guard@example.org>", "<boss@example.org>"}));
        const ParsedMail m = ParseMail(msg.data);
        EXPECT_EQ(m.headers.value("subject"), QByteArray("Motion in the lobby"));
        EXPECT_EQ(m.headers.value("from"), QByteArray("Lobby camera <cam@example.org>"));
        EXPECT_EQ(m.headers.value("to"), QByteArray("Guard <guard@example.org>; boss@example.org"));
        EXPECT_TRUE(m.headers.contains("date"));
        EXPECT_TRUE(m.text.contains("Motion was detected"));
        EXPECT_EQ(m.attachmentName, QByteArray("Lobby.jpg"));
        EXPECT_EQ(m.attachment, jpeg);
        EXPECT_FALSE(QImage::fromData(m.attachment, "JPG").isNull());
        // The picture was also left where the program asked for it.
        QFile written(picture);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), jpeg);
    }
}

TEST(MotionMailerTest, FailuresReportRefusedOrUnreachable)
{
    TestCertificate cert;
    ASSERT_TRUE(cert.ok) << "the openssl tool is needed to make a test certificate";
    // A port that nobody listens on.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    struct Case {
        const char* name;
        SmtpSink::Options sink;
        std::function<void(MailSettings&)> change;
        int code;
    } cases[] = {
        {"wrong password",
         {{}, {}, "camera", "right", false, false, false},
         [](MailSettings& s) {
             s.userName = QStringLiteral("camera"), s.password = QStringLiteral("wrong");
         },
         MotionMailer::kFailed},
        {"log-in required, none set",
         {{}, {}, "camera", "right", false, false, false},
         [](MailSettings&) {},
         MotionMailer::kFailed},
        {"recipients refused",
         {{}, {}, {}, {}, true, false, false},
         [](MailSettings&) {},
         MotionMailer::kFailed},
        {"server hangs up",
         {{}, {}, {}, {}, false, true, false},
         [](MailSettings&) {},
         MotionMailer::kFailed},
        {"certificate not trusted",
         {cert.certFile, cert.keyFile, {}, {}, false, false, false},
         [](MailSettings&) {},
         MotionMailer::kFailed},
        {"no recipient", {}, [](MailSettings& s) { s.to.clear(); }, MotionMailer::kFailed},
        {"no server", {}, [](MailSettings& s) { s.server.clear(); }, MotionMailer::kFailed},
        {"nobody listening",
         {},
         [closedPort](MailSettings& s) {
             s.server = QStringLiteral("127.0.0.1:%1").arg(closedPort);
         },
         MotionMailer::kUnreachable},
    };
    const QByteArray jpeg = MakeTestJpeg(160, 120, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmtpSink sink(c.sink);
        Results results;
        MotionMailer mailer(results.Sink());
        MailSettings s = Settings(sink.Address());
        c.change(s);
        mailer.SetSettings(s);
        ASSERT_TRUE(mailer.OnMotion(jpeg, {}, 0));
        ASSERT_TRUE(results.WaitFor(1));
        EXPECT_EQ(results.Codes(), std::vector<int>{c.code}) << mailer.LastError().toStdString();
        EXPECT_FALSE(mailer.LastError().isEmpty());
        EXPECT_TRUE(sink.messages.isEmpty());
    }
}

TEST(MotionMailerTest, AtMostOneMailPerIntervalAndSendNowWhatever)
{
    SmtpSink sink({});
    Results results;
    MotionMailer mailer(results.Sink());
    mailer.SetSettings(Settings(sink.Address()));
    mailer.SetIntervalSeconds(5);
    const QByteArray jpeg = MakeTestJpeg(160, 120, 2);

    EXPECT_TRUE(mailer.OnMotion(jpeg, {}, 10'000));
    EXPECT_FALSE(mailer.OnMotion(jpeg, {}, 10'500));  // still on its way, and within the interval
    ASSERT_TRUE(results.WaitFor(1));
    EXPECT_FALSE(mailer.OnMotion(jpeg, {}, 14'999));
    EXPECT_TRUE(mailer.OnMotion(jpeg, {}, 15'000));
    ASSERT_TRUE(results.WaitFor(2));

    // Sending at once ignores the interval; a missing file is replaced by the picture given.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Temp1.jpg"));
    const QByteArray other = MakeTestJpeg(160, 120, 3);
    mailer.SendNow(file, other, 15'100);
    ASSERT_TRUE(results.WaitFor(3));
    EXPECT_EQ(results.Codes(), (std::vector<int>{19, 19, 19}));
    ASSERT_EQ(sink.messages.size(), 3);
    EXPECT_EQ(ParseMail(sink.messages[2].data).attachment, other);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(mailer.MailsStarted(), 3);

    // An existing file is sent as it is.
    const QByteArray onDisk = MakeTestJpeg(200, 100, 4);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(onDisk);
    }
    mailer.SendNow(file, other, 15'200);
    ASSERT_TRUE(results.WaitFor(4));
    EXPECT_EQ(ParseMail(sink.messages[3].data).attachment, onDisk);
}

TEST(MotionMailerTest, AServerThatNeverAnswersDoesNotHoldTheCaller)
{
    SmtpSink::Options o;
    o.silent = true;
    SmtpSink sink(o);
    Results results;
    QElapsedTimer timer;
    {
        MotionMailer mailer(results.Sink());
        MailSettings s = Settings(sink.Address());
        s.timeoutMs = 3000;
        mailer.SetSettings(s);
        const QByteArray jpeg = MakeTestJpeg(160, 120, 5);
        timer.start();
        ASSERT_TRUE(mailer.OnMotion(jpeg, {}, 0));
        // The caller never waits for the mail: it is still on its way.
        EXPECT_LT(timer.elapsed(), 2500);
        EXPECT_TRUE(mailer.Busy());
        ASSERT_TRUE(results.WaitFor(1, 30000));
        EXPECT_EQ(results.Codes(), std::vector<int>{MotionMailer::kFailed});
        // A mail stuck on its way is abandoned when the mailer goes.
        s.timeoutMs = 60000;
        mailer.SetSettings(s);
        ASSERT_TRUE(mailer.OnMotion(jpeg, {}, 100'000));
        QTest::qWait(200);
        timer.restart();
    }
    EXPECT_LT(timer.elapsed(), 10000) << "the mailer waited for the 60 s timeout";
    EXPECT_EQ(results.Count(), 1u);
}
