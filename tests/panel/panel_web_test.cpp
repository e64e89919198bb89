// The web-page command: the recording question, what a posted settings page
// changes in the slot (address, account, name), the camera object and
// main.ini updated before the one restart, and the pause before it.
#include "panel_commands_fixture.h"

namespace {

// The camera's web pages: the test's `post` plays the operator.
class FakeWeb : public QObject, public IWebDialog {
public:
    explicit FakeWeb(Journal& j) : journal(j) {}
    void ShowModal(QWidget* owner) override
    {
        journal.Add(QStringLiteral("web.ShowModal run %1 old %2%3")
                        .arg(m_bRun ? 1 : 0)
                        .arg(m_sOldIPAddress, owner ? QStringLiteral(" owned") : QString()));
        if (post)
            post(*this);
    }
    Journal& journal;
    std::function<void(FakeWeb&)> post;
};

class PanelWebTest : public PanelCommandsFixture {
protected:
    void SetUp() override
    {
        PanelCommandsFixture::SetUp();
        windows().Register(kWebWindowName, [this] {
            auto* web = new FakeWeb(journal);
            web->post = post;
            return web;
        });
    }
    std::function<void(FakeWeb&)> post;
};

struct WebCase {
    const char* name;
    bool recording;
    MsgResult answer;
    bool running;
    bool cancelled;
    bool settingsPage;  // the settings page itself was posted
    QString address, user, password, serverName;
    int ipAssign, secondPort, imageSecond, webSecond;
    // Afterwards.
    QString slotAddress, slotUser, slotName;
    QStringList engineCalls;
    std::vector<int> pauses;
    bool imageServerSet;
};

TEST_F(PanelWebTest, WhatAPostedPageChangesAndHowTheStreamStartsAgain)
{
    const QString old = QStringLiteral("127.0.0.2");  // AssignSlot's address for slot 1
    const QString fresh = QStringLiteral("127.0.0.50");
    const QString put = QStringLiteral("engine.PutSettingToCam 1 ");
    const WebCase cases[] = {
        {"cancelled page: nothing changes",
         false,
         MsgResult::OK,
         true,
         true,
         false,
         fresh,
         "u2",
         "p2",
         "New",
         1,
         0,
         0,
         0,
         old,
         "admin",
         "Camera 1",
         {},
         {},
         false},
        {"only the name: restart after 400 ms",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         old,
         "admin",
         "admin",
         "New",
         1,
         0,
         0,
         0,
         old,
         "admin",
         "New",
         {"engine.CamStart 1"},
         {400},
         false},
        {"a new address: pushed and saved, then one restart after 300 ms",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         fresh,
         "admin",
         "admin",
         "New",
         1,
         0,
         0,
         0,
         fresh,
         "admin",
         "New",
         {put + fresh + " admin admin", "engine.CamStart 1"},
         {300},
         true},
        {"second port in use: the old address stays, the account is taken",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         fresh,
         "u2",
         "p2",
         "New",
         1,
         1,
         8481,
         0,
         old,
         "u2",
         "New",
         {put + old + " u2 p2", "engine.CamStart 1"},
         {300},
         true},
        {"second web port in use",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         fresh,
         "admin",
         "admin",
         "New",
         1,
         1,
         0,
         8481,
         old,
         "admin",
         "New",
         {put + old + " admin admin", "engine.CamStart 1"},
         {300},
         true},
        {"second port on but another port: the address is taken",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         fresh,
         "admin",
         "admin",
         "New",
         1,
         1,
         9000,
         9001,
         fresh,
         "admin",
         "New",
         {put + fresh + " admin admin", "engine.CamStart 1"},
         {300},
         true},
        {"address by DHCP: the old address stays",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         fresh,
         "admin",
         "admin",
         "New",
         0,
         0,
         0,
         0,
         old,
         "admin",
         "New",
         {put + old + " admin admin", "engine.CamStart 1"},
         {300},
         true},
        {"an empty posted address keeps the old one",
         false,
         MsgResult::OK,
         true,
         false,
         true,
         "",
         "admin",
         "admin",
         "New",
         1,
         0,
         0,
         0,
         old,
         "admin",
         "New",
         {put + old + " admin admin", "engine.CamStart 1"},
         {300},
         true},
        {"another page posted: the name stays",
         false,
         MsgResult::OK,
         true,
         false,
         false,
         old,
         "admin",
         "admin",
         "",
         1,
         0,
         0,
         0,
         old,
         "admin",
         "Camera 1",
         {"engine.CamStart 1"},
         {400},
         false},
        {"a stopped stream is not started",
         false,
         MsgResult::OK,
         false,
         false,
         true,
         fresh,
         "admin",
         "admin",
         "New",
         1,
         0,
         0,
         0,
         fresh,
         "admin",
         "New",
         {put + fresh + " admin admin"},
         {},
         true},
        {"recording, OK: the recording ends first",
         true,
         MsgResult::OK,
         true,
         false,
         true,
         old,
         "admin",
         "admin",
         "New",
         1,
         0,
         0,
         0,
         old,
         "admin",
         "New",
         {"engine.StopRecord 1", "engine.CamStart 1"},
         {400},
         false},
    };
    for (const WebCase& c : cases) {
        SCOPED_TRACE(c.name);
        RegisterWindows();
        post = [&c](FakeWeb& web) {
            web.m_bCancel = c.cancelled;
            web.m_bSettingsPosted = c.settingsPage;
            web.m_sIPAddress = c.address;
            web.m_sUserName = c.user;
            web.m_sPassword = c.password;
            web.m_sServerName = c.serverName;
            web.m_lIPAssign = c.ipAssign;
            web.m_lSecond_Port = c.secondPort;
            web.m_lImage_Second = c.imageSecond;
            web.m_lWeb_Second = c.webSecond;
        };
        SetUp();
        AssignSlot(1, 0, c.running);
        gCam[1].UserName = QStringLiteral("admin");
        gCam[1].Password = QStringLiteral("admin");
        gCam[1].RecordMode = c.recording ? kRecordManual : kRecordNone;
        gCam[1].Recording = c.recording;
        Open();
        gCamCfgOpen = true;
        gExtInfo[0] = true;
        fake.messages.clear();
        fake.pumpedSleeps.clear();
        fake.answers = {c.answer};
        imageServer1->calls.clear();

        panel->WebSetting();
        EXPECT_EQ(
            journal.With(QStringLiteral("web.ShowModal")),
            QStringList{
                QStringLiteral("web.ShowModal run %1 old %2").arg(c.running ? 1 : 0).arg(old)});
        EXPECT_EQ(journal.With(QStringLiteral("engine.")), c.engineCalls);
        EXPECT_EQ(gCam[1].IPAddress, c.slotAddress);
        EXPECT_EQ(gCam[1].UserName, c.slotUser);
        EXPECT_EQ(gCam[1].ServerName, c.slotName);
        EXPECT_EQ(fake.pumpedSleeps, c.pauses);
        EXPECT_TRUE(fake.sleeps.empty());  // no wait freezes the windows
        EXPECT_EQ(imageServer1->Count(ImageServer::Dispid::IPAddress), c.imageServerSet ? 1 : 0);
        if (c.imageServerSet) {
            EXPECT_EQ(imageServer1->Args(ImageServer::Dispid::IPAddress).value(0).toString(),
                      c.slotAddress);
            EXPECT_EQ(imageServer1->Args(ImageServer::Dispid::Port).value(0).toInt(), 80);
        }
        EXPECT_FALSE(gExtInfo[0]);
        EXPECT_EQ(fake.messages.size(), c.recording ? 1u : 0u);
        EXPECT_FALSE(windows().IsLoaded(kWebWindowName));
        windows().Reset();
    }
}

TEST_F(PanelWebTest, DecliningTheRecordingQuestionChangesNothing)
{
    AssignSlot(1, 0, true);
    gCam[1].RecordMode = kRecordManual;
    gCam[1].Recording = true;
    Open();
    gCamCfgOpen = true;
    gExtInfo[0] = true;
    fake.answers = {MsgResult::Cancel};
    panel->WebSetting();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, gLangCtrlMsg[2]);
    EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(gCam[1].RecordMode, kRecordManual);
    EXPECT_TRUE(gCam[1].Recording);
    EXPECT_TRUE(Calls().isEmpty());
    EXPECT_TRUE(gExtInfo[0]);
}

TEST_F(PanelWebTest, OnlyWithTheSetUpGroupOpenOutsideTheTourOnAnAssignedSlot)
{
    AssignSlot(1, 0, true);
    AssignSlot(2, 0, true);
    Open();
    struct Case {
        bool cfgOpen, scan;
        int slot;
    };
    for (const Case& c : {Case{false, false, 1}, Case{true, true, 1}, Case{true, false, 3}}) {
        gCamCfgOpen = c.cfgOpen;
        gScanMode = c.scan;
        gCurCam = c.slot;
        panel->WebSetting();
        EXPECT_TRUE(Calls().isEmpty());
    }
}

}  // namespace
