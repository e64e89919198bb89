// camsim: serves simulated pan/tilt cameras on loopback addresses until it
// gets SIGINT or SIGTERM.
#include "camera_server.h"
#include "sim_config.h"

#include <QGuiApplication>
#include <QNetworkDatagram>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QThread>
#include <QUdpSocket>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(gSignalPipe[1], &c, 1);
}
}  // namespace

int main(int argc, char** argv)
{
    // Pictures are drawn offscreen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString error;
    const SimConfig cfg = ParseSimArguments(app.arguments(), error);
    if (cfg.cameras.empty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return error == SimUsage() ? 0 : 2;
    }

    if (::pipe(gSignalPipe) != 0)
        return 1;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });

    // Searches broadcast on this machine reach every camera through one
    // listener on the wildcard address; a search sent to a camera's own
    // address goes to that camera's socket instead.
    QUdpSocket searchListener;
    int discoveryPort = cfg.discoveryPort;
    if (discoveryPort >= 0) {
        if (!searchListener.bind(
                QHostAddress(QHostAddress::AnyIPv4), static_cast<quint16>(discoveryPort),
                QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
            std::fprintf(stderr, "camsim: cannot listen for searches on UDP port %d: %s\n",
                         discoveryPort, qPrintable(searchListener.errorString()));
            return 1;
        }
        discoveryPort = searchListener.localPort();
    }

    struct Running {
        std::unique_ptr<QThread> thread;
        CameraServer* server = nullptr;
    };
    std::vector<Running> cams;
    const auto stopAll = [&cams] {
        for (Running& r : cams) {
            if (!r.server)
                continue;
            QMetaObject::invokeMethod(r.server, &CameraServer::Shutdown,
                                      Qt::BlockingQueuedConnection);
            QMetaObject::invokeMethod(
                r.server, [s = r.server] { delete s; }, Qt::BlockingQueuedConnection);
            r.thread->quit();
            r.thread->wait();
        }
        cams.clear();
    };

    QByteArray portLines;
    int k = 0;
    for (const SimCameraConfig& c : cfg.cameras) {
        ++k;
        Running r;
        r.thread = std::make_unique<QThread>();
        r.thread->setObjectName(QStringLiteral("camera%1").arg(k));
        r.server = new CameraServer(c, cfg.quiet, discoveryPort);
        r.server->moveToThread(r.thread.get());
        r.thread->start();
        int port = -1;
        QMetaObject::invokeMethod(r.server, &CameraServer::Listen, Qt::BlockingQueuedConnection,
                                  &port);
        cams.push_back(std::move(r));
        if (port < 0) {
            stopAll();
            return 1;
        }
        portLines += QByteArray::number(k) + ' ' + c.address.toUtf8() + ' '
                     + QByteArray::number(port) + '\n';
        std::printf("camsim: camera %d \"%s\" at %s:%d (user %s)\n", k, qPrintable(c.name),
                    qPrintable(c.address), port, qPrintable(c.user));
    }
    if (!cfg.portFile.isEmpty()) {
        QSaveFile f(cfg.portFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(portLines) != portLines.size()
            || !f.commit()) {
            std::fprintf(stderr, "camsim: cannot write %s\n", qPrintable(cfg.portFile));
            stopAll();
            return 1;
        }
    }
    if (discoveryPort >= 0) {
        QObject::connect(&searchListener, &QUdpSocket::readyRead, &app, [&searchListener, &cams] {
            while (searchListener.hasPendingDatagrams()) {
                const QNetworkDatagram d = searchListener.receiveDatagram(8192);
                if (!d.senderAddress().isLoopback())
                    continue;  // only this machine is ever answered
                for (const Running& r : cams) {
                    CameraServer* server = r.server;
                    QMetaObject::invokeMethod(
                        server,
                        [server, from = d.senderAddress(),
                         port = static_cast<quint16>(d.senderPort()),
                         data = d.data()] { server->AnswerSearch(from, port, data); },
                        Qt::QueuedConnection);
                }
            }
        });
        std::printf("camsim: discovery on UDP port %d\n", discoveryPort);
    }
    std::printf("camsim: ready\n");
    std::fflush(stdout);

    const int rc = app.exec();
    stopAll();
    std::printf("camsim: stopped\n");
    std::fflush(stdout);
    return rc;
}
