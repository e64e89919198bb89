// The production image server's discovery against the simulated camera on
// loopback: searching (numbering, passes, one end per search, silent and
// misbehaving cameras), identifying a camera by its address, and the
// requests that follow a search going to the port the camera reported.
#include "platform/image_server/camera_search.h"
#include "platform/image_server/http_image_server.h"
#include "platform/video_viewer/viewer_auth.h"
#include "support/camsim_process.h"
#include "support/qt_printers.h"
#include "support/temp_program.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

constexpr int kWait = 10000;

class ImageServerDiscovery : public ::testing::Test {
protected:
    // Starts camsim with the cameras of an INI text ("[cameraK]" sections).
    void StartSim(const QByteArray& ini)
    {
        const QString file = folder.write(QStringLiteral("cams.ini"), ini);
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--config"), file, QStringLiteral("--discovery-port"),
                               QStringLiteral("0")},
                              &error))
            << error.toStdString();
        ASSERT_GT(sim.discoveryPort, 0);
        DiscoverySettings s;
        s.targets = {QHostAddress(QStringLiteral("127.255.255.255"))};
        s.port = static_cast<quint16>(sim.discoveryPort);
        s.listenMs = 700;
        s.resendMs = 150;
        s.identifyMs = 1500;
        SetDiscoverySettings(s);
    }
    ~ImageServerDiscovery() override { ResetDiscoverySettings(); }

    // Runs one search; the names read for each hit, in order.
    QStringList Search(HttpImageServer& cam, int mode, const QString& filter = QString())
    {
        QStringList names;
        int ends = 0;
        QObject context;
        QObject::connect(&cam, &ImageServer::Notify, &context, [&](int code) {
            if (code != NotifyCode::SearchHit)
                return;
            cam.selectServer(static_cast<int>(next++));
            names << cam.serverName();
        });
        QObject::connect(&cam, &ImageServer::EndSearch, &context, [&] { ++ends; });
        if (mode == 1)
            next = 0;
        cam.searchServer(mode, filter);
        EXPECT_TRUE(WaitUntil([&] { return ends > 0; }, kWait));
        QCoreApplication::processEvents();
        EXPECT_EQ(ends, 1);
        return names;
    }

    static QByteArray Camera(int k, const QByteArray& name, const QByteArray& extra = {})
    {
        return "[camera" + QByteArray::number(k) + "]\naddress=127.0.0." + QByteArray::number(k + 1)
               + "\nport=0\nname=\"" + name + "\"\n" + extra;
    }

    TempProgramFolder folder;
    CamsimProcess sim;
    size_t next = 0;
};

TEST_F(ImageServerDiscovery, ASearchListsEachCameraOnceAndASecondPassFollowsOn)
{
    StartSim(Camera(1, "Door") + Camera(2, "Yard") + Camera(3, "Hall"));
    HttpImageServer cam;
    QStringList first = Search(cam, 1);
    first.sort();
    EXPECT_EQ(first, (QStringList{QStringLiteral("Door"), QStringLiteral("Hall"),
                                  QStringLiteral("Yard")}));

    // Another pass adds to the list: entries 3..5 are the same cameras again,
    // and the first entries still read as before.
    cam.selectServer(0);
    const QString entry0 = cam.serverName();
    QStringList second = Search(cam, 2);
    second.sort();
    EXPECT_EQ(second, first);
    cam.selectServer(0);
    EXPECT_EQ(cam.serverName(), entry0);
    cam.selectServer(5);
    EXPECT_FALSE(cam.serverName().isEmpty());

    // A new search starts the list again.
    EXPECT_EQ(Search(cam, 1).size(), 3);
    cam.selectServer(2);
    const QString last = cam.serverName();
    cam.selectServer(3);
    EXPECT_EQ(cam.serverName(), last) << "no entry 3 any more: the selection stays";
}

TEST_F(ImageServerDiscovery, IdentityFieldsComeFromTheAnswer)
{
    StartSim(Camera(1, "A&#20013;B",
                    "model=PT-9\nmac=0.30.140.9.8.7\nlocation=Gate\nprotocol=4\npan_tilt=false\n"
                    "fw_version=2.10\nhw_version=1.50\nrom_version=3.00\n"));
    HttpImageServer cam;
    ASSERT_EQ(Search(cam, 1).size(), 1);
    cam.selectServer(0);
    EXPECT_EQ(cam.serverName(), QStringLiteral("A&#20013;B"))
        << "the name is handed on as the camera wrote it";
    EXPECT_EQ(cam.serverIPAddress(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(cam.serverMacAddress(), QStringLiteral("0.30.140.9.8.7"));
    EXPECT_EQ(cam.serverModel(), QStringLiteral("PT-9"));
    EXPECT_EQ(cam.serverLocation(), QStringLiteral("Gate"));
    EXPECT_EQ(cam.serverProtocol(), 4);
    EXPECT_EQ(cam.serverCapability() & 16, 0);
    EXPECT_EQ(cam.fwVersion(), QStringLiteral("2.10"));
    EXPECT_EQ(cam.romVersion(), QStringLiteral("3.00"));
    EXPECT_EQ(cam.serverWebPort(), sim.cams.at(0).port)
        << "the web pages are served on the camera's port";
}

TEST_F(ImageServerDiscovery, SilentSlowAndMisbehavingCamerasAreLeftOutAndTheSearchStillEnds)
{
    StartSim(Camera(1, "Good") + Camera(2, "Silent") + Camera(3, "Slow") + Camera(4, "BadMac")
             + Camera(5, "Garbage") + Camera(6, "Huge") + Camera(7, "WrongId")
             + Camera(8, "Odd&#9999999;name"));
    sim.Control(2, "discovery?mode=silent");
    sim.Control(3, "discovery?mode=slow&ms=8000");
    sim.Control(4, "discovery?mode=malformed&kind=mac");
    sim.Control(5, "discovery?mode=malformed&kind=garbage");
    sim.Control(6, "discovery?mode=malformed&kind=huge");
    sim.Control(7, "discovery?mode=malformed&kind=wrongid");
    HttpImageServer cam;
    QElapsedTimer t;
    t.start();
    QStringList names = Search(cam, 1);
    const qint64 took = t.elapsed();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Good"), QStringLiteral("Odd&#9999999;name")}));
    EXPECT_LT(took, 6000)
        << "the search ends after its listening time (1.5 s), not with the slow answer (8 s)";
    EXPECT_EQ(sim.Control(2, "state").value(QStringLiteral("search_requests")), QStringLiteral("2"))
        << "the request goes out twice";
}

TEST_F(ImageServerDiscovery, EverySearchEndsOnceAlsoWhenReplacedOrWithNothingToAsk)
{
    StartSim(Camera(1, "Door"));
    HttpImageServer cam;
    QSignalSpy ends(&cam, &ImageServer::EndSearch);
    QSignalSpy hits(&cam, &ImageServer::Notify);
    cam.searchServer(1, QString());
    cam.searchServer(1, QString());  // replaces the first one, which still ends
    EXPECT_EQ(ends.count(), 0) << "never from inside the call";
    ASSERT_TRUE(WaitUntil([&] { return ends.count() == 2; }, kWait));
    EXPECT_EQ(hits.count(), 1) << "only the second search lists";

    // Nobody can be asked: the search ends all the same, at once, not after
    // its listening time (made long here, so that only listening reaches it).
    DiscoverySettings longListen = CurrentDiscoverySettings();
    longListen.listenMs = 30000;
    SetDiscoverySettings(longListen);
    QElapsedTimer t;
    t.start();
    cam.searchServer(1, QStringLiteral("not an address"));
    ASSERT_TRUE(WaitUntil([&] { return ends.count() == 3; }, 2 * longListen.listenMs));
    EXPECT_LT(t.elapsed(), longListen.listenMs / 3) << "it listened for its whole time";
    EXPECT_EQ(hits.count(), 1);
}

TEST_F(ImageServerDiscovery, AFilterAsksOnlyThatCamera)
{
    StartSim(Camera(1, "Door") + Camera(2, "Yard"));
    HttpImageServer cam;
    EXPECT_EQ(Search(cam, 1, QStringLiteral("127.0.0.3")), QStringList{QStringLiteral("Yard")});
    EXPECT_TRUE(Search(cam, 1, QStringLiteral("127.0.0.9")).isEmpty());
}

TEST_F(ImageServerDiscovery, IdentifyFindsACameraByAddressWhateverPortWasGiven)
{
    StartSim(Camera(1, "Door", "protocol=1\n"));
    const int port = sim.cams.at(0).port;
    struct Case {
        const char* name;
        int givenPort;
        bool async;
    };
    const Case cases[] = {{"the camera's own port, answered over HTTP", port, true},
                          {"no port typed (80), answered by discovery", 80, true},
                          {"synchronous, no port", 80, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpImageServer cam;
        cam.setIPAddress(QStringLiteral("127.0.0.2"));
        cam.setPort(c.givenPort);
        if (c.async) {
            QSignalSpy done(&cam, &ImageServer::EndCheckIP);
            EXPECT_EQ(cam.checkIP(1, true), ImageServer::kTrue);
            ASSERT_TRUE(WaitUntil([&] { return done.count() == 1; }, kWait));
            EXPECT_EQ(done.at(0).at(0).toInt(), ImageServer::kTrue);
        } else {
            EXPECT_EQ(cam.checkIP(0, false), ImageServer::kTrue);
        }
        cam.selectServer(-1);
        EXPECT_EQ(cam.serverName(), QStringLiteral("Door"));
        EXPECT_EQ(cam.serverProtocol(), 1);
        EXPECT_EQ(cam.port(), port) << "the camera's port from here on";
    }

    // Nobody there: the identify fails, and says so by its event.
    HttpImageServer nobody;
    nobody.setIPAddress(QStringLiteral("127.0.0.99"));
    nobody.setPort(80);
    QSignalSpy done(&nobody, &ImageServer::EndCheckIP);
    nobody.checkIP(1, true);
    ASSERT_TRUE(WaitUntil([&] { return done.count() == 1; }, kWait));
    EXPECT_EQ(done.at(0).at(0).toInt(), 0);
}

TEST_F(ImageServerDiscovery, RequestsAfterASearchGoToThePortTheCameraReported)
{
    StartSim(
        Camera(1, "Open", "user=\npassword=\nadmin_id=\nadmin_password=\n")
        + Camera(2, "Locked", "user=ann\npassword=pw\nadmin_id=root\nadmin_password=rootpw\n"));
    HttpImageServer cam;
    ASSERT_EQ(Search(cam, 1).size(), 2);
    for (int i = 0; i < 2; ++i) {
        cam.selectServer(i);
        const bool open = cam.serverName() == QStringLiteral("Open");
        SCOPED_TRACE(cam.serverName().toStdString());
        // What the search window puts before its log-in test.
        cam.setProtocol(0);
        cam.setPort(8481);
        cam.setIPAddress(cam.serverIPAddress());
        cam.setUserName(QString());
        cam.setPassword(QString());
        EXPECT_EQ(cam.loginTest(0), open ? ImageServer::kTrue : 0);
        EXPECT_EQ(cam.getConfigItem(40), QString()) << "never to a session without credentials";

        QSignalSpy config(&cam, &ImageServer::EndGetConfig);
        cam.getConfig(true);
        ASSERT_TRUE(WaitUntil([&] { return config.count() == 1; }, kWait));
        EXPECT_EQ(config.at(0).at(0).toInt(), open ? ImageServer::kTrue : 1);
        if (open)
            continue;

        // Viewer credentials open the log-in test, not the configuration.
        cam.setUserName(QStringLiteral("ann"));
        cam.setPassword(QStringLiteral("pw"));
        EXPECT_EQ(cam.loginTest(0), ImageServer::kTrue);
        cam.getConfig(true);
        ASSERT_TRUE(WaitUntil([&] { return config.count() == 2; }, kWait));
        EXPECT_EQ(config.at(1).at(0).toInt(), 1);
        // The administrator's open it, and only then are items 40 and 41 told.
        cam.setUserName(QStringLiteral("root"));
        cam.setPassword(QStringLiteral("rootpw"));
        cam.getConfig(true);
        ASSERT_TRUE(WaitUntil([&] { return config.count() == 3; }, kWait));
        EXPECT_EQ(config.at(2).at(0).toInt(), ImageServer::kTrue);
        EXPECT_EQ(cam.getConfigItem(40), QStringLiteral("root"));
        EXPECT_EQ(cam.getConfigItem(41), QStringLiteral("rootpw"));
    }
}

TEST_F(ImageServerDiscovery, AProtocol3CameraTakesTheViewersStringAndALogInText)
{
    StartSim(Camera(1, "Viewer",
                    "protocol=3\nuser=ann\npassword=pw\nadmin_id=ann\nadmin_password=pw\n"));
    HttpImageServer cam;
    ASSERT_EQ(Search(cam, 1).size(), 1);
    cam.selectServer(0);
    cam.setIPAddress(QStringLiteral("127.0.0.2"));
    struct Case {
        const char* name;
        QString user, password;
        int want;
    };
    const QString good = ViewerAuthString(QStringLiteral("ann"), QStringLiteral("pw"));
    const Case cases[] = {
        {"the derived pair", good, QStringLiteral("1234567890123456"), ImageServer::kTrue},
        {"a four-digit log-in text", good, QStringLiteral("0000"), ImageServer::kTrue},
        {"the typed pair itself", QStringLiteral("ann"), QStringLiteral("pw"), 1},
        {"a string from the wrong password",
         ViewerAuthString(QStringLiteral("ann"), QStringLiteral("px")), QStringLiteral("1234"), 1},
        {"a log-in text that is not digits", good, QStringLiteral("12a4"), 1},
        {"a log-in text too long", good, QStringLiteral("12345678901234567"), 1},
    };
    QSignalSpy config(&cam, &ImageServer::EndGetConfig);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cam.setUserName(c.user);
        cam.setPassword(c.password);
        const int before = static_cast<int>(config.count());
        cam.getConfig(true);
        ASSERT_TRUE(WaitUntil([&] { return config.count() == before + 1; }, kWait));
        EXPECT_EQ(config.last().at(0).toInt(), c.want);
    }
}

}  // namespace
