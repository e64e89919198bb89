// Starts the simulated camera server for a test on free loopback ports and
// stops it (SIGTERM) when the fixture goes away.
#pragma once

#include "platform/image_server/http_client.h"
#include "platform/image_server/records.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>
#include <signal.h>
#include <unistd.h>
#include <vector>

class CamsimProcess {
public:
    struct Cam {
        QString address;
        int port = 0;
    };

    static QString Program() { return QStringLiteral(CAM_BINARY_DIR "/tools/camsim/camsim"); }

    // Starts camsim with the given options plus "--port 0 --quiet" (unless a
    // --config is given, whose ports are used as they stand) and searches
    // answered on a free UDP port (unless --discovery-port is given). Returns
    // false with `error` filled when it does not come up within 60 s (a few
    // seconds on a busy machine; only a hang takes longer).
    bool Start(const QStringList& args, QString* error = nullptr)
    {
        QStringList all = args;
        if (!args.contains(QStringLiteral("--port")) && !args.contains(QStringLiteral("--config")))
            all << QStringLiteral("--port") << QStringLiteral("0");
        if (!args.contains(QStringLiteral("--discovery-port")))
            all << QStringLiteral("--discovery-port") << QStringLiteral("0");
        all << QStringLiteral("--quiet");
        process_.setProgram(Program());
        process_.setArguments(all);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        QElapsedTimer t;
        t.start();
        QByteArray out;
        static const QRegularExpression re(
            QStringLiteral("camera (\\d+) \".*\" at ([0-9.]+):(\\d+)"));
        static const QRegularExpression discovery(
            QStringLiteral("camsim: discovery on UDP port (\\d+)"));
        while (t.elapsed() < 60000) {
            if (!process_.waitForReadyRead(200) && process_.state() != QProcess::Running)
                break;
            out += process_.readAllStandardOutput();
            if (out.contains("camsim: ready")) {
                for (const QByteArray& line : out.split('\n')) {
                    const auto m = re.match(QString::fromUtf8(line));
                    if (m.hasMatch())
                        cams.push_back({m.captured(2), m.captured(3).toInt()});
                    const auto d = discovery.match(QString::fromUtf8(line));
                    if (d.hasMatch())
                        discoveryPort = d.captured(1).toInt();
                }
                return !cams.empty();
            }
        }
        if (error)
            *error = QStringLiteral("camsim did not start: ") + QString::fromUtf8(out)
                     + QString::fromUtf8(process_.readAllStandardError());
        return false;
    }

    // Sends SIGTERM and waits; the exit code (or -1 when it had to be killed).
    int Stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return process_.exitCode();
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
            return -1;
        }
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    ~CamsimProcess() { Stop(); }

    QProcess& process() { return process_; }

    // A fault command or state read on camera k (1-based): GET /sim/<command>.
    Record Control(int k, const QByteArray& command) const
    {
        CameraEndpoint ep;
        ep.host = cams.at(static_cast<size_t>(k - 1)).address;
        ep.port = cams.at(static_cast<size_t>(k - 1)).port;
        HttpAuthenticator none;
        const HttpResponse r = HttpRequest(ep, none, "GET", "/sim/" + command, 20000);
        return r.Ok() ? ParseRecord(r.body) : Record{};
    }

    std::vector<Cam> cams;
    int discoveryPort = -1;  // UDP port the cameras answer searches on

private:
    QProcess process_;
};

// "127.A.B.": a loopback network of this test process's own (from its process
// id), for cameras that must serve on a fixed port such as 8481 without
// meeting another run's.
inline QString OwnLoopbackNet()
{
    return QStringLiteral("127.%1.%2.").arg(100 + ::getpid() % 100).arg(::getpid() / 100 % 250);
}

// Runs the event loop until `done` holds or `timeoutMs` passed; true when it held.
template <typename Pred> bool WaitUntil(Pred done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}
