// What one simulated camera is: identity, credentials, address and picture.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

struct SimCameraConfig {
    QString address = QStringLiteral("127.0.0.2");
    int port = 8481;  // 0: any free port
    QString name = QStringLiteral("Camera 1");
    QString model = QStringLiteral("SIM-PT100");
    QString mac = QStringLiteral("0.30.140.1.2.3");
    QString location = QStringLiteral("Lab");
    QString fwVersion = QStringLiteral("1.20");
    QString hwVersion = QStringLiteral("1.00");
    QString romVersion = QStringLiteral("1.05");
    QString user = QStringLiteral("admin");
    QString password = QStringLiteral("admin");
    QString adminId = QStringLiteral("admin");
    QString adminPassword = QStringLiteral("admin");
    QString auth = QStringLiteral("both");  // digest, basic or both
    bool panTilt = true;
    int protocol = 0;
    int webPort = 0;  // 0: the camera's own HTTP port serves its web pages
    QString mask = QStringLiteral("255.0.0.0");
    QString gateway = QStringLiteral("127.0.0.1");
    QSize size{640, 480};
    int fps = 25;
    int loopFrames = 0;  // > 0: replay this many cached pictures
    int seed = 1;
    QString dhcpAddress;  // where DHCP puts the camera; empty: 127.0.200.<last MAC byte>
    int tftpPort = -1;    // UDP port of the firmware server; -1 none, 0 any free port
    int rebootMs = 5000;  // how long a firmware update keeps the camera away
};

struct SimConfig {
    std::vector<SimCameraConfig> cameras;
    QString portFile;  // written with "<n> <address> <port>" lines once all listen
    bool quiet = false;
    int discoveryPort = 8482;  // UDP port of the search answers; 0 = any free port, -1 = none
    int tftpPort = -1;         // firmware server of every camera; -1 none, 0 any free port
};

// Reads the command line (and the --config file it names). On a mistake,
// `error` says what is wrong and the result is empty.
SimConfig ParseSimArguments(const QStringList& args, QString& error);
QString SimUsage();
