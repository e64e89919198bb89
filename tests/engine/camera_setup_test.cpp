// Putting settings on the camera objects: the defaults at start-up, the push
// of a slot's record by protocol, the probe of protocol-3 cameras, and the
// binding of the video to the window that shows the slot.
#include "engine_fixture.h"
#include "foundation/helpers.h"

#include <QRandomGenerator>

namespace {

class CameraSetupTest : public EngineFixture {};

TEST_F(CameraSetupTest, InitialCamSettingGivesEveryObjectAKnownState)
{
    gProxyServerAddress = QStringLiteral("proxy.lan");
    gProxyServerPort = 3128;
    Assign(3, 3);

    engine.InitialCamSetting();

    for (int n = 1; n <= kSlotCount; ++n) {
        SCOPED_TRACE(n);
        JournalImageServer& c = cam(n);
        EXPECT_EQ(c.snapshotFile, dir.path() + QStringLiteral("/Temp%1.jpg").arg(n));
        EXPECT_EQ(c.sensitivity, 5);
        EXPECT_EQ(c.alarmFlagsValue, 0);
        EXPECT_EQ(c.frameDelayValue, 0);
        EXPECT_FALSE(c.displayEnabledValue);
        EXPECT_EQ(c.display(), nullptr);
        EXPECT_EQ(c.displayWidthValue, 0);
        EXPECT_EQ(c.displayHeightValue, 0);
        EXPECT_EQ(c.proxyAddress, QStringLiteral("proxy.lan"));
        EXPECT_EQ(c.proxyPort, 3128);
        EXPECT_EQ(c.ipAddressValue, gCam[n].IPAddress);
        EXPECT_EQ(c.protocolValue, gCam[n].Protocol);
        // Credentials and address come before protocol and proxy.
        EXPECT_LT(c.IndexOf(CamId::Password), c.IndexOf(CamId::Protocol));
        EXPECT_LT(c.IndexOf(CamId::IPAddress), c.IndexOf(CamId::Protocol));
        EXPECT_LT(c.IndexOf(CamId::Protocol), c.IndexOf(CamId::ProxyServerAddress));
        EXPECT_TRUE(viewer(n).calls.empty());
    }
}

TEST_F(CameraSetupTest, AFailingObjectAtStartUpIsReportedAndTheOthersStillGetTheirDefaults)
{
    cam(2).throwOn = {CamId::Sensitivity};
    engine.InitialCamSetting();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error InitialCamSetting function"));
    EXPECT_EQ(cam(3).sensitivity, 5);
    EXPECT_EQ(cam(4).sensitivity, 5);
}

TEST_F(CameraSetupTest, PutSettingToCamPutsEachSettingOnTheObjectOfItsProtocol)
{
    gFileSize = 2;         // 30 MB
    gFileTimeLimited = 4;  // 50 minutes
    gSplitFileMode = 1;
    gReserveSpace = 3;  // 650 MB
    for (const int protocol : {0, 3, 4}) {
        SCOPED_TRACE(protocol);
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls ctl{j};
        frmMain e{w, ctl};
        FakeImageServer& c = *ctl.cams[1];
        FakeWisViewer& v = *ctl.viewers[1];
        Assign(1, protocol);
        CamInfo& rec = gCam[1];
        rec.Sensitivity = 7;
        rec.Alarm = 1;
        rec.SendEmail = 1;
        rec.RotateAngle = 180;
        rec.MacAddress = QStringLiteral("0.1.2.3.4.5");
        rec.MailServer = QStringLiteral("smtp.lan");
        rec.MailTo = QStringLiteral("to@lan");
        rec.MailFrom = QStringLiteral("from@lan");
        rec.MailSubject = QStringLiteral("Motion");
        rec.MailIntervalTime = 60;
        rec.LastMailTime = QDateTime();
        c.identity.mac = rec.MacAddress;

        e.PutSettingToCam(1);

        EXPECT_TRUE(fake.messages.empty());
        EXPECT_EQ(c.rotateAngleValue, 180);
        EXPECT_EQ(c.reserveSpace, 650);
        EXPECT_EQ(c.macAddressValue, QStringLiteral("0.1.2.3.4.5"));
        // The mail server call takes to before from.
        EXPECT_EQ(c.Args(CamId::SetMailServer),
                  (QVariantList{"smtp.lan", "to@lan", "from@lan", "Motion"}));
        EXPECT_EQ(c.mailIntervalTime, 60);
        EXPECT_EQ(c.snapshotFile, dir.path() + QStringLiteral("/CAM1_Cam 1.jpg"));
        if (protocol == 3) {
            EXPECT_EQ(v.splitFileSize, 30);
            EXPECT_EQ(c.Count(CamId::SplitFileMode) + c.Count(CamId::SplitFileSize)
                          + c.Count(CamId::SplitFileTime),
                      0);
            EXPECT_EQ(v.alarmFlagsValue, 5);
            EXPECT_EQ(v.sensitivity, 7);
            EXPECT_EQ(v.mailPicture, c.snapshotFile);
            EXPECT_EQ(c.Count(CamId::AlarmFlags), 0);
            EXPECT_EQ(c.Count(CamId::Sensitivity), 0);
            EXPECT_EQ(rec.LastMailTime, fake.clock);  // the mail interval starts again
        } else {
            EXPECT_EQ(c.splitFileMode, 1);
            EXPECT_EQ(c.splitFileSize, 30);
            EXPECT_EQ(c.splitFileTime, 50);
            EXPECT_EQ(c.alarmFlagsValue, 5);
            EXPECT_EQ(c.sensitivity, 7);
            EXPECT_TRUE(v.calls.empty());
            EXPECT_FALSE(rec.LastMailTime.isValid());
        }
    }
}

// main.ini loads any number that converts; what reaches the camera object is
// always something it can act on, and the slot keeps the stored value.
TEST_F(CameraSetupTest, OddStoredValuesReachTheObjectAsSoundOnes)
{
    gReserveSpace = -1;
    gFileSize = 32767;
    gFileTimeLimited = -4;
    const struct {
        int protocol;
        int port;
        int expectedPort;
    } cases[] = {{0, 70000, 8481}, {1, -80, 80}, {4, 65535, 65535}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        Assign(2, c.protocol);
        gCam[2].Port = c.port;
        gCam[2].RotateAngle = 45;
        engine.PutSettingToCam(2);
        EXPECT_TRUE(fake.messages.empty());
        EXPECT_EQ(cam(2).port(), c.expectedPort);
        EXPECT_EQ(cam(2).rotateAngleValue, 0);
        EXPECT_EQ(cam(2).reserveSpace, 500);
        EXPECT_EQ(cam(2).splitFileSize, 32760);
        EXPECT_EQ(cam(2).splitFileTime, 10);
        EXPECT_EQ(gCam[2].Port, c.port);
        EXPECT_EQ(gCam[2].RotateAngle, 45);
    }
}

TEST_F(CameraSetupTest, AProtocol3CameraIsProbedAndWhatItReportsIsStored)
{
    Assign(2, 3);
    JournalImageServer& c = cam(2);
    c.viewerParam1Value = -17;
    c.viewerParam2Value = 4096;
    c.identity.name = QStringLiteral("Front door");
    c.identity.model = QStringLiteral("PT-300");
    c.identity.mac = QStringLiteral("0.17.34.51.68.85");
    c.identity.fw = QStringLiteral("0.00");
    c.identity.hw = QStringLiteral("");
    c.identity.rom = QStringLiteral("0.0");

    engine.PutSettingToCam(2);

    EXPECT_EQ(viewer(2).param1, QStringLiteral("-17"));
    EXPECT_EQ(viewer(2).param2, QStringLiteral("4096"));
    EXPECT_LT(c.IndexOf(CamId::ProbeInit), c.IndexOf(CamId::ViewerParam1));
    EXPECT_LT(c.IndexOf(CamId::ViewerParam2), c.IndexOf(CamId::ProbeStart));
    EXPECT_LT(c.IndexOf(CamId::ProbeStart), c.IndexOf(CamId::ServerMacAddress));
    EXPECT_EQ(c.Args(CamId::ProbeStart), QVariantList{83});
    EXPECT_EQ(gCam[2].ServerModel, QStringLiteral("PT-300"));  // the model, not the name
    EXPECT_EQ(gCam[2].MacAddress, QStringLiteral("0.17.34.51.68.85"));
    EXPECT_EQ(gCam[2].FWVersion, QStringLiteral("N/A"));
    EXPECT_EQ(gCam[2].HWVersion, QStringLiteral("N/A"));
    EXPECT_EQ(gCam[2].ROMVersion, QStringLiteral("0.0"));
    EXPECT_EQ(c.macAddressValue, QStringLiteral("0.17.34.51.68.85"));
}

TEST_F(CameraSetupTest, AProtocol3CameraThatDoesNotAnswerKeepsWhatTheSlotKnew)
{
    Assign(2, 3);
    gCam[2].ServerModel = QStringLiteral("PT-300");
    gCam[2].MacAddress = QStringLiteral("0.17.34.51.68.85");
    gCam[2].FWVersion = QStringLiteral("2.10");
    cam(2).offline = true;

    engine.PutSettingToCam(2);

    EXPECT_EQ(gCam[2].ServerModel, QStringLiteral("PT-300"));
    EXPECT_EQ(gCam[2].MacAddress, QStringLiteral("0.17.34.51.68.85"));
    EXPECT_EQ(gCam[2].FWVersion, QStringLiteral("2.10"));
    EXPECT_EQ(cam(2).macAddressValue, QStringLiteral("0.17.34.51.68.85"));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(CameraSetupTest, VersionTextsAndAlarmFlags)
{
    const std::pair<const char*, const char*> versions[] = {
        {"0.00", "N/A"}, {"", "N/A"}, {"0.0", "0.0"}, {"1.2", "1.2"}, {"0", "0"}};
    for (const auto& [in, out] : versions)
        EXPECT_EQ(frmMain::VersionText(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;

    struct Flags {
        int alarm, mail, mode, flags;
    };
    const Flags table[] = {{0, 0, 0, 0}, {1, 0, 0, 1}, {0, 1, 0, 4}, {1, 1, 1, 5},
                           {2, 1, 2, 4}, {1, 2, 0, 1}, {0, 0, 3, 8}, {1, 1, 3, 13}};
    for (const Flags& f : table) {
        CamInfo c;
        c.Alarm = f.alarm;
        c.SendEmail = f.mail;
        c.RecordMode = f.mode;
        EXPECT_EQ(frmMain::AlarmFlagsFor(c), f.flags) << f.alarm << f.mail << f.mode;
    }
}

TEST_F(CameraSetupTest, EachSlotHasItsOwnMailPicture)
{
    Assign(1, 0);
    Assign(2, 0);
    gCam[1].ServerName = QStringLiteral(" Yard: <north>? ");
    gCam[2].ServerName = gCam[1].ServerName;
    EXPECT_EQ(frmMain::MailPictureFile(1), dir.path() + QStringLiteral("/CAM1_Yard north.jpg"));
    EXPECT_NE(frmMain::MailPictureFile(1), frmMain::MailPictureFile(2));
    gCam[3].ServerName.clear();
    EXPECT_EQ(frmMain::MailPictureFile(3), dir.path() + QStringLiteral("/CAM3_.jpg"));
    gCam[4].ServerName = QStringLiteral("x\r\ny");  // a hostile name keeps to one line
    EXPECT_EQ(frmMain::MailPictureFile(4), dir.path() + QStringLiteral("/CAM4_xy.jpg"));
    EXPECT_EQ(StripFileChars(QStringLiteral("a\\b/c:d*e?f\"g<h>i|j")),
              QStringLiteral("abcdefghij"));
}

TEST_F(CameraSetupTest, AFailingMemberEndsThePushAndIsReported)
{
    Assign(1, 0, true);
    cam(1).throwOn = {CamId::ReserveSpace};

    engine.PutSettingToCam(1);

    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error PutSettingToCam function"));
    EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(cam(1).splitFileSize, 10);            // put before the failure: stays
    EXPECT_EQ(cam(1).Count(CamId::MacAddress), 0);  // after it: skipped
    EXPECT_EQ(cam(1).Count(CamId::SetMailServer), 0);
    EXPECT_EQ(windows.Loaded(1), nullptr);  // no binding either
}

// --- binding ---

TEST_F(CameraSetupTest, AStoppedSlotIsNotBound)
{
    Assign(1, 0, false);
    Assign(2, 3, false);
    engine.PutSettingToCam(1);
    engine.PutSettingToCam(2);
    EXPECT_EQ(windows.Loaded(1), nullptr);
    EXPECT_EQ(windows.Loaded(2), nullptr);
    EXPECT_EQ(cam(1).Count(CamId::DisplayHWnd), 0);
    EXPECT_EQ(viewer(2).Count(ViewerId::SetWindow), 0);
    EXPECT_EQ(viewer(2).Count(ViewerId::Start), 0);
}

TEST_F(CameraSetupTest, SingleWindowBindingLoadsTheWindowHiddenAndBindsByProtocol)
{
    Assign(1, 0, true);
    engine.PutSettingToCam(1);
    EXPECT_EQ(journal.With(QStringLiteral("c")),
              (QStringList{"client1.Load", "client1.SetFirst", "cam1.setDisplay",
                           "client1.Form_Resize", "client1.RefrushStatusBar"}));
    EXPECT_EQ(cam(1).display(), &surfaces[1]);
    EXPECT_FALSE(windows.Loaded(1)->visible);  // loaded, not shown
    EXPECT_TRUE(windows.Loaded(1)->first);
    // Bound between the recording settings and the alarm settings.
    EXPECT_LT(cam(1).IndexOf(CamId::ReserveSpace), cam(1).IndexOf(CamId::DisplayHWnd));
    EXPECT_LT(cam(1).IndexOf(CamId::DisplayHWnd), cam(1).IndexOf(CamId::AlarmFlags));

    journal.Clear();
    Assign(2, 3, true);
    engine.SetRandomSource([] { return 0.25; });
    engine.PutSettingToCam(2);
    EXPECT_EQ(journal.entries, (QStringList{"client2.Load", "client2.SetFirst", "viewer2.setWindow",
                                            "viewer2.connectTo 127.0.0.3", "viewer2.start",
                                            "client2.Form_Resize", "client2.RefrushStatusBar"}));
    EXPECT_EQ(viewer(2).window, &surfaces[2]);
    EXPECT_EQ(viewer(2).authText, QStringLiteral("2500250025002500"));
    EXPECT_EQ(gCamNonce[1], viewer(2).authText);
    EXPECT_LT(viewer(2).IndexOf(ViewerId::SetAuthText), viewer(2).IndexOf(ViewerId::Start));
    EXPECT_EQ(cam(2).Count(CamId::DisplayHWnd), 0);  // the image server gets no window
}

TEST_F(CameraSetupTest, CombinedBindingUsesTheSlotsCell)
{
    gCombineMode = 1;
    gWinOpen[5] = true;
    Assign(1, 0, true);
    Assign(4, 3, true);

    engine.PutSettingToCam(1);
    engine.PutSettingToCam(4);

    EXPECT_EQ(cam(1).display(), &cells[1]);
    EXPECT_EQ(viewer(4).window, &cells[4]);
    EXPECT_EQ(viewer(4).Count(ViewerId::Start), 1);
    EXPECT_EQ(journal.With(QStringLiteral("combine.")),
              (QStringList{"combine.Form_Resize", "combine.Form_Resize"}));
    EXPECT_EQ(windows.Loaded(1), nullptr);
    EXPECT_EQ(windows.Loaded(4), nullptr);

    // A single window that happens to be open still gets its status bar refreshed.
    windows.Client(1);
    journal.Clear();
    engine.PutSettingToCam(1);
    EXPECT_EQ(journal.With(QStringLiteral("client1.")), QStringList{"client1.RefrushStatusBar"});
}

TEST_F(CameraSetupTest, TheAuthenticationTextComesFromTheSearchWhenItLeftOne)
{
    gNonce = QStringLiteral("from-search");
    Assign(1, 3, true);
    Assign(3, 3, true);
    engine.PutSettingToCam(1);
    engine.PutSettingToCam(3);
    EXPECT_EQ(gCamNonce[0], QStringLiteral("from-search"));
    EXPECT_EQ(gCamNonce[2], QStringLiteral("from-search"));
    EXPECT_EQ(viewer(3).authText, QStringLiteral("from-search"));
}

TEST(MakeNonce, FourRoundedDrawsJoinedAndCutTo16)
{
    struct Case {
        std::vector<double> draws;
        const char* text;
    };
    const Case cases[] = {
        {{0.1234, 0.00005, 0.5, 0.99999}, "12340500010000"},         // 0.5 rounds to even: 0
        {{0.0, 0.0, 0.0, 0.0}, "0000"},                              // the shortest
        {{0.99999, 0.99999, 0.99999, 0.99999}, "1000010000100001"},  // 20 digits cut to 16
        {{0.00035, 0.00025, 0.5, 0.75}, "4250007500"},               // halves: 3.5 -> 4, 2.5 -> 2
    };
    for (const Case& c : cases) {
        size_t i = 0;
        const QString text = MakeNonce([&] { return c.draws[i++]; });
        EXPECT_EQ(text, QString::fromLatin1(c.text));
        EXPECT_EQ(i, 4u);
    }
    // The program's own source gives 4 to 16 digits.
    for (int k = 0; k < 200; ++k) {
        const QString text = MakeNonce([] { return QRandomGenerator::global()->generateDouble(); });
        ASSERT_GE(text.size(), 4);
        ASSERT_LE(text.size(), 16);
        ASSERT_TRUE(std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.isDigit(); }));
    }
}

}  // namespace
