// The TFTP control against real servers on loopback: Debian's tftpd-hpa
// (started here on a free port, not as a system service) and the simulated
// camera's firmware server.
#include "platform/tftp/tftp.h"
#include "support/camsim_process.h"
#include "support/temp_program.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// What a transfer reported, in order.
struct Recorder {
    explicit Recorder(TFTP& t)
    {
        QObject::connect(&t, &TFTP::TransferStart, [this] { events << QStringLiteral("start"); });
        QObject::connect(&t, &TFTP::Progress, [this](qint64 b) { progress.push_back(b); });
        QObject::connect(&t, &TFTP::TransferComplete,
                         [this] { events << QStringLiteral("complete"); });
        QObject::connect(&t, &TFTP::TransferError, [this](int, const QString& text) {
            events << QStringLiteral("error");
            error = text;
        });
    }
    bool Ended() const
    {
        return events.contains(QStringLiteral("complete"))
               || events.contains(QStringLiteral("error"));
    }
    QStringList events;
    std::vector<qint64> progress;
    QString error;
};

int FreeUdpPort()
{
    QUdpSocket s;
    s.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return s.localPort();
}

QByteArray RandomBytes(qsizetype n)
{
    QByteArray b(n, '\0');
    for (char& c : b)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return b;
}

class TftpTest : public ::testing::Test {
protected:
    ~TftpTest() override { TFTP::SetTftpPort(0); }
    QString WriteFile(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(TftpTest, SendsFilesOfEverySizeToTftpdHpa)
{
    const QString daemon = QStringLiteral("/usr/sbin/in.tftpd");
    if (!QFile::exists(daemon))
        GTEST_SKIP() << "tftpd-hpa is not installed (scripts/setup.sh installs it)";
    QTemporaryDir served;
    QFile::setPermissions(served.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                             | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                             | QFileDevice::WriteOther | QFileDevice::ExeOther);
    const int port = FreeUdpPort();
    const passwd* pw = ::getpwuid(::getuid());
    const QString user =
        ::getuid() == 0 ? QStringLiteral("nobody") : QString::fromUtf8(pw->pw_name);
    QProcess tftpd;
    tftpd.start(daemon, {QStringLiteral("-L"), QStringLiteral("-a"),
                         QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-s"),
                         served.path(), QStringLiteral("-c"), QStringLiteral("-u"), user});
    ASSERT_TRUE(tftpd.waitForStarted(30000));
    // The daemon is up once the kernel lists its port as bound (looked up, not
    // probed, so that the daemon's own bind can never meet ours).
    const QByteArray bound = QByteArrayLiteral("0100007F:")
                             + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    ASSERT_TRUE(WaitUntil(
        [&] {
            QFile table(QStringLiteral("/proc/net/udp"));
            return table.open(QIODevice::ReadOnly) && table.readAll().contains(bound);
        },
        10000));
    TFTP::SetTftpPort(port);
    for (const qsizetype size : {1, 511, 512, 513, 1024, 100000}) {
        SCOPED_TRACE(size);
        const QByteArray data = RandomBytes(size);
        QFile::remove(served.filePath(TFTP::RemoteFileName()));
        TFTP tftp;
        Recorder r(tftp);
        tftp.setRemoteHost(QStringLiteral("127.0.0.1"));
        tftp.setLocalFile(WriteFile(QStringLiteral("fw.bin"), data));
        tftp.setAction(TFTP::kActionSend);
        ASSERT_TRUE(WaitUntil([&] { return r.Ended(); }, 20000));
        EXPECT_EQ(r.events, (QStringList{QStringLiteral("start"), QStringLiteral("complete")}))
            << r.error.toStdString();
        ASSERT_FALSE(r.progress.empty());
        EXPECT_TRUE(std::is_sorted(r.progress.begin(), r.progress.end()));
        EXPECT_EQ(r.progress.back(), size);
        QFile got(served.filePath(TFTP::RemoteFileName()));
        ASSERT_TRUE(got.open(QIODevice::ReadOnly));
        EXPECT_TRUE(got.readAll() == data);
    }
    tftpd.kill();
    tftpd.waitForFinished(2000);
}

TEST_F(TftpTest, TheCameraTakesAnImageRefusesAnythingElseAndComesBackWithTheNewVersion)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--tftp-port"), QStringLiteral("0")}, &error))
        << error.toStdString();
    const int port = sim.Control(1, "state").value(QStringLiteral("tftp_port")).toInt();
    ASSERT_GT(port, 0);
    TFTP::SetTftpPort(port);
    struct Case {
        const char* name;
        QByteArray image;
        bool taken;
    };
    const Case cases[] = {
        {"not a firmware image", RandomBytes(3000), false},
        {"an image", "CAMFW/1 version=2.05\n" + RandomBytes(2048 - 21), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFTP tftp;
        Recorder r(tftp);
        tftp.setRemoteHost(sim.cams.at(0).address);
        tftp.setLocalFile(WriteFile(QStringLiteral("image.bin"), c.image));
        tftp.setAction(TFTP::kActionSend);
        ASSERT_TRUE(WaitUntil([&] { return r.Ended(); }, 20000));
        EXPECT_EQ(r.events.last(), c.taken ? QStringLiteral("complete") : QStringLiteral("error"))
            << r.error.toStdString();
    }
    // The camera restarts: gone for a while, then back with the new version.
    EXPECT_TRUE(WaitUntil([&] { return sim.Control(1, "state").isEmpty(); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return !sim.Control(1, "state").isEmpty(); }, 15000));
    const Record state = sim.Control(1, "state");
    EXPECT_EQ(state.value(QStringLiteral("fw_version")), QStringLiteral("2.05"));
    EXPECT_EQ(state.value(QStringLiteral("firmware_updates")), QStringLiteral("1"));
    EXPECT_EQ(state.value(QStringLiteral("tftp_failures")), QStringLiteral("1"));
}

TEST_F(TftpTest, AnAbortedTransferReportsNothingMore)
{
    // A server that never answers: the transfer waits until it is aborted.
    QUdpSocket silent;
    ASSERT_TRUE(silent.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    TFTP::SetTftpPort(silent.localPort());
    auto tftp = std::make_unique<TFTP>();
    Recorder r(*tftp);
    tftp->setRemoteHost(QStringLiteral("127.0.0.1"));
    tftp->setLocalFile(WriteFile(QStringLiteral("fw.bin"), RandomBytes(5000)));
    tftp->setAction(TFTP::kActionSend);
    EXPECT_TRUE(WaitUntil([&] { return silent.hasPendingDatagrams(); }, 5000))
        << "the write request went out";
    tftp->Abort();
    EXPECT_FALSE(tftp->busy());
    WaitUntil([] { return false; }, 1500);
    EXPECT_FALSE(r.events.contains(QStringLiteral("complete")));
    EXPECT_FALSE(r.events.contains(QStringLiteral("error")));
}

TEST_F(TftpTest, FilesItCannotSendAreReportedAsErrors)
{
    struct Case {
        const char* name;
        QString host;
        QString file;
    };
    const QString good = WriteFile(QStringLiteral("ok.bin"), "x");
    const Case cases[] = {
        {"no such file", QStringLiteral("127.0.0.1"), dir.filePath(QStringLiteral("missing.bin"))},
        {"a host that is not an address", QStringLiteral("camera.example"), good},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFTP tftp;
        Recorder r(tftp);
        tftp.setRemoteHost(c.host);
        tftp.setLocalFile(c.file);
        tftp.setAction(TFTP::kActionSend);
        EXPECT_TRUE(r.events.isEmpty()) << "events come from the event loop";
        ASSERT_TRUE(WaitUntil([&] { return r.Ended(); }, 5000));
        EXPECT_EQ(r.events, QStringList{QStringLiteral("error")});
    }
}

}  // namespace
