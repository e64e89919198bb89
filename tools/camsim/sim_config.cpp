#include "sim_config.h"

#include <QFile>
#include <QHostAddress>
#include <QSettings>

QString SimUsage()
{
    return QStringLiteral(
        "Usage: camsim [options]\n"
        "Serves simulated pan/tilt cameras on loopback addresses.\n\n"
        "  --cameras N          number of cameras (default 1)\n"
        "  --address A          address of the first camera (default 127.0.0.2);\n"
        "                       camera k gets A + k - 1\n"
        "  --port P             HTTP port of every camera (default 8481; 0 = any free port)\n"
        "  --size WxH           picture size (default 640x480)\n"
        "  --fps N              pictures per second (default 25)\n"
        "  --user U --password P   credentials (default admin/admin; both empty: anyone\n"
        "                       may view and set up the cameras)\n"
        "  --auth digest|basic|both   schemes offered (default both)\n"
        "  --name-prefix T      camera names are \"T k\" (default Camera)\n"
        "  --loop-frames N      pre-encode N pictures and replay them (for benchmarks)\n"
        "  --config FILE        cameras from an INI file, one [cameraK] section each\n"
        "  --port-file FILE     write \"k address port\" per camera once all listen\n"
        "  --protocol N         protocol value the cameras report (0..4, default 0)\n"
        "  --discovery-port P   UDP port the cameras answer searches on (default 8482;\n"
        "                       0 = any free port, printed; -1 = no discovery)\n"
        "  --tftp-port P        UDP port of each camera's firmware server (TFTP);\n"
        "                       0 = any free port (see /sim/state), default none\n"
        "  --quiet              no log lines\n");
}

namespace {

bool ParseSize(const QString& text, QSize& size)
{
    const QStringList p = text.toLower().split(QLatin1Char('x'));
    if (p.size() != 2)
        return false;
    bool ok1 = false, ok2 = false;
    const int w = p[0].toInt(&ok1), h = p[1].toInt(&ok2);
    if (!ok1 || !ok2 || w < 16 || h < 16 || w > 4096 || h > 4096)
        return false;
    size = QSize(w & ~1, h & ~1);
    return true;
}

QString AddressPlus(const QString& base, int k)
{
    QHostAddress a(base);
    return QHostAddress(a.toIPv4Address() + static_cast<quint32>(k)).toString();
}

QString MacFor(int k)
{
    return QStringLiteral("0.30.140.%1.%2.%3").arg(k / 65536 % 256).arg(k / 256 % 256).arg(k % 256);
}

}  // namespace

SimConfig ParseSimArguments(const QStringList& args, QString& error)
{
    SimConfig cfg;
    int count = 1;
    SimCameraConfig base;
    QString namePrefix = QStringLiteral("Camera");
    QString configFile;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const auto value = [&](QString& out) {
            if (i + 1 >= args.size()) {
                error = a + QStringLiteral(" needs a value");
                return false;
            }
            out = args[++i];
            return true;
        };
        const auto number = [&](int& out, int lo, int hi) {
            QString v;
            if (!value(v))
                return false;
            bool ok = false;
            out = v.toInt(&ok);
            if (!ok || out < lo || out > hi) {
                error = QStringLiteral("%1: %2 is not a number from %3 to %4")
                            .arg(a, v)
                            .arg(lo)
                            .arg(hi);
                return false;
            }
            return true;
        };
        QString v;
        if (a == QLatin1String("--cameras")) {
            if (!number(count, 1, 250))
                return {};
        } else if (a == QLatin1String("--address")) {
            if (!value(v))
                return {};
            QHostAddress h(v);
            if (h.protocol() != QAbstractSocket::IPv4Protocol || !h.isLoopback()) {
                error = QStringLiteral("--address must be a loopback address (127.x.x.x)");
                return {};
            }
            base.address = v;
        } else if (a == QLatin1String("--port")) {
            if (!number(base.port, 0, 65535))
                return {};
        } else if (a == QLatin1String("--size")) {
            if (!value(v) || !ParseSize(v, base.size)) {
                error = QStringLiteral("--size wants WxH, for example 1280x720");
                return {};
            }
        } else if (a == QLatin1String("--fps")) {
            if (!number(base.fps, 1, 60))
                return {};
        } else if (a == QLatin1String("--user")) {
            if (!value(base.user))
                return {};
        } else if (a == QLatin1String("--password")) {
            if (!value(base.password))
                return {};
        } else if (a == QLatin1String("--auth")) {
            if (!value(v))
                return {};
            if (v != QLatin1String("digest") && v != QLatin1String("basic")
                && v != QLatin1String("both")) {
                error = QStringLiteral("--auth wants digest, basic or both");
                return {};
            }
            base.auth = v;
        } else if (a == QLatin1String("--name-prefix")) {
            if (!value(namePrefix))
                return {};
        } else if (a == QLatin1String("--loop-frames")) {
            if (!number(base.loopFrames, 0, 1000))
                return {};
        } else if (a == QLatin1String("--config")) {
            if (!value(configFile))
                return {};
        } else if (a == QLatin1String("--port-file")) {
            if (!value(cfg.portFile))
                return {};
        } else if (a == QLatin1String("--protocol")) {
            if (!number(base.protocol, 0, 4))
                return {};
        } else if (a == QLatin1String("--discovery-port")) {
            if (!number(cfg.discoveryPort, -1, 65535))
                return {};
        } else if (a == QLatin1String("--tftp-port")) {
            if (!number(cfg.tftpPort, -1, 65535))
                return {};
        } else if (a == QLatin1String("--quiet")) {
            cfg.quiet = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            error = SimUsage();
            return {};
        } else {
            error = QStringLiteral("unknown option %1\n\n%2").arg(a, SimUsage());
            return {};
        }
    }
    if (!configFile.isEmpty()) {
        if (!QFile::exists(configFile)) {
            error = QStringLiteral("no such file: %1").arg(configFile);
            return {};
        }
        QSettings ini(configFile, QSettings::IniFormat);
        const QStringList groups = ini.childGroups();
        int k = 0;
        for (const QString& g : groups) {
            if (!g.toLower().startsWith(QLatin1String("camera")))
                continue;
            ++k;
            ini.beginGroup(g);
            SimCameraConfig c = base;
            c.seed = k;
            c.address =
                ini.value(QStringLiteral("address"), AddressPlus(base.address, k - 1)).toString();
            QHostAddress h(c.address);
            if (h.protocol() != QAbstractSocket::IPv4Protocol || !h.isLoopback()) {
                error = QStringLiteral("[%1] address must be a loopback address").arg(g);
                return {};
            }
            c.port = ini.value(QStringLiteral("port"), base.port).toInt();
            c.name =
                ini.value(QStringLiteral("name"), QStringLiteral("%1 %2").arg(namePrefix).arg(k))
                    .toString();
            c.model = ini.value(QStringLiteral("model"), c.model).toString();
            c.mac = ini.value(QStringLiteral("mac"), MacFor(k)).toString();
            c.location = ini.value(QStringLiteral("location"), c.location).toString();
            c.fwVersion = ini.value(QStringLiteral("fw_version"), c.fwVersion).toString();
            c.hwVersion = ini.value(QStringLiteral("hw_version"), c.hwVersion).toString();
            c.romVersion = ini.value(QStringLiteral("rom_version"), c.romVersion).toString();
            c.user = ini.value(QStringLiteral("user"), c.user).toString();
            c.password = ini.value(QStringLiteral("password"), c.password).toString();
            c.adminId = ini.value(QStringLiteral("admin_id"), c.user).toString();
            c.adminPassword = ini.value(QStringLiteral("admin_password"), c.password).toString();
            c.auth = ini.value(QStringLiteral("auth"), c.auth).toString();
            c.panTilt = ini.value(QStringLiteral("pan_tilt"), true).toBool();
            c.protocol =
                std::clamp(ini.value(QStringLiteral("protocol"), base.protocol).toInt(), 0, 4);
            c.webPort = std::clamp(ini.value(QStringLiteral("web_port"), 0).toInt(), 0, 65535);
            c.fps = std::clamp(ini.value(QStringLiteral("fps"), c.fps).toInt(), 1, 60);
            c.dhcpAddress = ini.value(QStringLiteral("dhcp_address")).toString();
            c.tftpPort =
                std::clamp(ini.value(QStringLiteral("tftp_port"), cfg.tftpPort).toInt(), -1, 65535);
            c.rebootMs =
                std::clamp(ini.value(QStringLiteral("reboot_ms"), c.rebootMs).toInt(), 0, 600000);
            QSize s;
            if (ParseSize(ini.value(QStringLiteral("size")).toString(), s))
                c.size = s;
            ini.endGroup();
            if (c.port < 0 || c.port > 65535) {
                error = QStringLiteral("[%1] port out of range").arg(g);
                return {};
            }
            cfg.cameras.push_back(c);
        }
        if (cfg.cameras.empty()) {
            error = QStringLiteral("%1 has no [cameraK] section").arg(configFile);
            return {};
        }
        return cfg;
    }
    for (int k = 1; k <= count; ++k) {
        SimCameraConfig c = base;
        c.seed = k;
        c.address = AddressPlus(base.address, k - 1);
        c.name = QStringLiteral("%1 %2").arg(namePrefix).arg(k);
        c.mac = MacFor(k);
        c.adminId = c.user;
        c.adminPassword = c.password;
        c.tftpPort = cfg.tftpPort;
        cfg.cameras.push_back(c);
    }
    return cfg;
}
