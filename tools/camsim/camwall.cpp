// camwall: a developer's look at live video. Shows up to four cameras in one
// window, two by two, each through its own image server and video surface.
// With --with-camsim it starts four simulated cameras itself.
//
//   camwall --with-camsim [--rotate 0,90,180,270] [--screenshot FILE --after S]
//   camwall --camera 127.0.0.2:8481 --camera 127.0.0.3:8481 --user admin --password admin
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/video_surface.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>
#include <csignal>
#include <cstdio>

namespace {

struct Target {
    QString host;
    int port = 0;
};

QString CamsimPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/camsim"); }

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    std::vector<Target> targets;
    QString user = QStringLiteral("admin"), password = QStringLiteral("admin");
    QString screenshot;
    double after = 3.0;
    bool withCamsim = false;
    std::vector<int> angles{0, 0, 0, 0};
    QSize cell(320, 240);
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--camera") && !next.isEmpty()) {
            const qsizetype colon = next.lastIndexOf(QLatin1Char(':'));
            targets.push_back({next.left(colon), colon < 0 ? 8481 : next.mid(colon + 1).toInt()});
            ++i;
        } else if (a == QLatin1String("--user")) {
            user = next, ++i;
        } else if (a == QLatin1String("--password")) {
            password = next, ++i;
        } else if (a == QLatin1String("--screenshot")) {
            screenshot = next, ++i;
        } else if (a == QLatin1String("--after")) {
            after = next.toDouble(), ++i;
        } else if (a == QLatin1String("--with-camsim")) {
            withCamsim = true;
        } else if (a == QLatin1String("--rotate")) {
            const QStringList p = next.split(QLatin1Char(','));
            for (int k = 0; k < 4 && k < p.size(); ++k)
                angles[static_cast<size_t>(k)] = p[k].toInt();
            ++i;
        } else if (a == QLatin1String("--cell")) {
            const QStringList p = next.split(QLatin1Char('x'));
            if (p.size() == 2)
                cell = QSize(p[0].toInt(), p[1].toInt());
            ++i;
        } else {
            std::fprintf(
                stderr,
                "usage: camwall (--with-camsim | --camera HOST:PORT ...) [--user U --password P]\n"
                "               [--rotate A,B,C,D] [--cell WxH] [--screenshot FILE --after "
                "SECONDS]\n");
            return 2;
        }
    }

    QProcess sim;
    if (withCamsim) {
        sim.start(CamsimPath(),
                  {QStringLiteral("--cameras"), QStringLiteral("4"), QStringLiteral("--port"),
                   QStringLiteral("0"), QStringLiteral("--quiet")});
        QByteArray out;
        while (!out.contains("camsim: ready") && sim.waitForReadyRead(10000))
            out += sim.readAllStandardOutput();
        static const QRegularExpression re(QStringLiteral("at ([0-9.]+):(\\d+)"));
        for (const QByteArray& line : out.split('\n')) {
            const auto m = re.match(QString::fromUtf8(line));
            if (m.hasMatch())
                targets.push_back({m.captured(1), m.captured(2).toInt()});
        }
        if (targets.empty()) {
            std::fprintf(stderr, "camwall: camsim did not start (%s)\n", qPrintable(CamsimPath()));
            return 1;
        }
    }
    if (targets.empty() || targets.size() > 4) {
        std::fprintf(stderr, "camwall: give one to four cameras, or --with-camsim\n");
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("camwall"));
    auto* grid = new QGridLayout(&window);
    grid->setSpacing(6);
    std::vector<std::unique_ptr<HttpImageServer>> cams;
    std::vector<QLabel*> labels;
    for (size_t k = 0; k < targets.size(); ++k) {
        const int angle = angles[k];
        const bool quarter = angle == 90 || angle == 270;
        const QSize display = quarter ? cell.transposed() : cell;
        auto* box = new QWidget;
        auto* v = new QVBoxLayout(box);
        v->setContentsMargins(0, 0, 0, 0);
        auto* surface = new VideoSurface;
        const int side = std::max(cell.width(), cell.height());
        surface->setFixedSize(side, quarter ? side : cell.height());
        auto* label = new QLabel(QStringLiteral("%1:%2  rotation %3")
                                     .arg(targets[k].host)
                                     .arg(targets[k].port)
                                     .arg(angle));
        v->addWidget(surface);
        v->addWidget(label);
        grid->addWidget(box, static_cast<int>(k / 2), static_cast<int>(k % 2));
        auto cam = std::make_unique<HttpImageServer>();
        cam->setUserName(user);
        cam->setPassword(password);
        cam->setIPAddress(targets[k].host);
        cam->setPort(targets[k].port);
        cam->setDisplay(surface);
        cam->setDisplayWidth(display.width());
        cam->setDisplayHeight(display.height());
        cam->setRotateAngle(angle);
        cam->setDisplayEnabled(true);
        QObject::connect(cam.get(), &ImageServer::Notify, label,
                         [label, t = targets[k], angle](int code) {
                             label->setText(QStringLiteral("%1:%2  rotation %3  status %4")
                                                .arg(t.host)
                                                .arg(t.port)
                                                .arg(angle)
                                                .arg(code));
                         });
        cam->start();
        cams.push_back(std::move(cam));
        labels.push_back(label);
    }
    window.show();

    if (!screenshot.isEmpty()) {
        QTimer::singleShot(static_cast<int>(after * 1000), &app, [&] {
            const bool ok = window.grab().save(screenshot);
            std::printf("camwall: %s %s\n", ok ? "saved" : "could not save",
                        qPrintable(screenshot));
            app.exit(ok ? 0 : 1);
        });
    }
    const int rc = app.exec();
    for (auto& c : cams)
        c->stop();
    if (withCamsim) {
        ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
        sim.waitForFinished(5000);
    }
    return rc;
}
