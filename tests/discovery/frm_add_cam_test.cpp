// Adding a camera by address, against a scripted image server: parsing the
// typed address, identifying, the log-in test, log-in prompts, the
// configuration answer, the close rules and the busy pointer.
#include "discovery/frm_add_cam.h"
#include "discovery/frm_login.h"
#include "discovery_fixture.h"

namespace {

using Id = ImageServer::Dispid;

TEST(ParseIPPort, SplitsOnlyAPortOfOneToFiveDigitsFromOneTo65534)
{
    struct Case {
        QString text;
        bool accepted;
        QString host;
        int port;  // 7 = left alone
    };
    const Case cases[] = {
        {QStringLiteral("192.168.0.20:8080"), true, QStringLiteral("192.168.0.20"), 8080},
        {QStringLiteral("192.168.0.20"), false, QStringLiteral("192.168.0.20"), 7},
        {QStringLiteral("h:"), false, QStringLiteral("h:"), 7},
        {QStringLiteral("h:123456"), false, QStringLiteral("h:123456"), 7},
        {QStringLiteral("h:abc"), false, QStringLiteral("h:abc"), 7},
        {QStringLiteral("h:1:2"), true, QStringLiteral("h"), 1},
        {QStringLiteral("h:65534"), true, QStringLiteral("h"), 65534},
        {QStringLiteral("host:65535"), false, QStringLiteral("host:65535"), 7},
        {QStringLiteral("h:65536"), false, QStringLiteral("h:65536"), 7},
        {QStringLiteral("h:0"), false, QStringLiteral("h:0"), 7},
        {QStringLiteral("h:00000"), false, QStringLiteral("h:00000"), 7},
        {QStringLiteral("h:-1"), false, QStringLiteral("h:-1"), 7},
        {QStringLiteral("h:+80"), false, QStringLiteral("h:+80"), 7},
        {QStringLiteral("h: 80"), false, QStringLiteral("h: 80"), 7},
        {QStringLiteral("h:8.5"), false, QStringLiteral("h:8.5"), 7},
        {QStringLiteral("h:1e3"), false, QStringLiteral("h:1e3"), 7},
        {QStringLiteral("h:&H50"), false, QStringLiteral("h:&H50"), 7},
        {QStringLiteral("h:\u0668\u0660"), false, QStringLiteral("h:\u0668\u0660"),
         7},  // non-ASCII digits
        {QStringLiteral("h:080"), true, QStringLiteral("h"), 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QString host = QStringLiteral("unset");
        int port = 7;
        EXPECT_EQ(frmAddCam::ParseIPPort(c.text, host, port), c.accepted);
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(port, c.port);
    }
}

// How the operator answers one log-in prompt.
struct Prompt {
    bool cancel = false;
    QString user, password;
    int nextConfigStatus = ImageServer::kTrue;  // what the next configuration request answers
};
const Prompt kCancel{true, {}, {}, ImageServer::kTrue};

class AddCamDialog : public DiscoveryFixture {
protected:
    frmAddCam& Load() { return *windows().Get<frmAddCam>(kAddCamWindowName); }
    FakeImageServer& Server() { return *servers.back(); }

    // Types the address, presses Add and answers the log-in prompts in turn;
    // returns when the dialog is idle again or hidden.
    void Run(frmAddCam& dialog, const QString& typed, std::vector<Prompt> prompts)
    {
        ModalScript script;
        script.OnVisible<frmAddCam>("the add dialog", [typed](frmAddCam& d) {
            ModalScript::Type(d.txtIPAddress, typed);
            ModalScript::Click(d.cmdAdd);
        });
        for (const Prompt& p : prompts) {
            script.OnVisible<frmLogin>("a log-in prompt", [this, p](frmLogin& login) {
                ++promptsShown;
                Server().getConfigStatus = p.nextConfigStatus;
                if (p.cancel) {
                    ModalScript::Click(login.cmdCancel);
                    return;
                }
                ModalScript::Type(login.txtUserName, p.user);
                ModalScript::Type(login.txtPassword, p.password);
                ModalScript::Click(login.cmdOK);
            });
        }
        script.When(
            "the dialog idle or hidden", [&dialog] { return !dialog.isVisible() || !dialog.bBusy; },
            [this, &dialog] {
                openAtEnd = dialog.isVisible();
                if (openAtEnd)
                    dialog.hide();  // what the operator does next is not part of the case
            });
        dialog.bCancel = false;
        dialog.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    }

    int promptsShown = 0;
    bool openAtEnd = false;  // the dialog was still open when the request ended
};

TEST_F(AddCamDialog, IdentifiesLogsInAndReadsTheConfiguration)
{
    const QString msg1 = Caption(QStringLiteral("frmAddCam"), QStringLiteral("Message1"));
    const QString msg3 = Caption(QStringLiteral("frmAddCam"), QStringLiteral("Message3"));
    struct Case {
        const char* name;
        QString typed;
        int protocol;
        int loginTest;
        QString adminId, adminPassword;
        int firstConfigStatus;
        std::vector<Prompt> prompts;
        // expected
        bool hidden;
        bool cancel;
        QStringList messages;
        int configRequests;
        QString user, password;
        int port;
    };
    const Case cases[] = {
        {"an open camera is taken without a prompt and without a configuration request",
         QStringLiteral("127.0.0.9"),
         0,
         ImageServer::kTrue,
         {},
         {},
         ImageServer::kTrue,
         {},
         true,
         false,
         {},
         0,
         {},
         {},
         80},
        {"a typed port is used; an administrator account asks for a log-in",
         QStringLiteral("127.0.0.9:8080"),
         0,
         ImageServer::kTrue,
         QStringLiteral("admin"),
         QStringLiteral("pw"),
         ImageServer::kTrue,
         {{false, QStringLiteral("ann"), QStringLiteral("secret")}},
         true,
         false,
         {},
         1,
         QStringLiteral("ann"),
         QStringLiteral("secret"),
         8080},
        {"a failed log-in test asks for a log-in",
         QStringLiteral("127.0.0.9"),
         1,
         0,
         {},
         {},
         ImageServer::kTrue,
         {{false, QStringLiteral("bob"), QStringLiteral("pw")}},
         true,
         false,
         {},
         1,
         QStringLiteral("bob"),
         QStringLiteral("pw"),
         80},
        {"protocol 4 always asks",
         QStringLiteral("127.0.0.9"),
         4,
         ImageServer::kTrue,
         {},
         {},
         ImageServer::kTrue,
         {{false, QStringLiteral("u"), QStringLiteral("p")}},
         true,
         false,
         {},
         1,
         QStringLiteral("u"),
         QStringLiteral("p"),
         80},
        {"a cancelled first prompt leaves the dialog open and cancelled",
         QStringLiteral("127.0.0.9"),
         4,
         ImageServer::kTrue,
         {},
         {},
         ImageServer::kTrue,
         {kCancel},
         false,
         true,
         {},
         0,
         {},
         {},
         80},
        {"a refused log-in asks again until the camera accepts",
         QStringLiteral("127.0.0.9"),
         0,
         0,
         {},
         {},
         1,
         {{false, QStringLiteral("ann"), QStringLiteral("wrong"), 1},
          {false, QStringLiteral("ann"), QStringLiteral("right"), ImageServer::kTrue}},
         true,
         false,
         {msg3},
         2,
         QStringLiteral("ann"),
         QStringLiteral("right"),
         80},
        {"cancelling the second prompt leaves the dialog open, not cancelled",
         QStringLiteral("127.0.0.9"),
         0,
         0,
         {},
         {},
         1,
         {{false, QStringLiteral("ann"), QStringLiteral("wrong"), 1}, kCancel},
         false,
         false,
         {msg3},
         1,
         QStringLiteral("ann"),
         QStringLiteral("wrong"),
         80},
        {"a configuration that cannot be read closes the dialog as cancelled",
         QStringLiteral("127.0.0.9"),
         0,
         0,
         {},
         {},
         0,
         {{false, QStringLiteral("ann"), QStringLiteral("pw"), 0}},
         true,
         true,
         {msg1},
         1,
         QStringLiteral("ann"),
         QStringLiteral("pw"),
         80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kAddCamWindowName);
        windows().Unload(kLoginWindowName);
        fakeUi.messages.clear();
        promptsShown = 0;
        configure = [&c](FakeImageServer& s) {
            s.identity.protocol = c.protocol;
            s.loginTestResult = c.loginTest;
            s.configItems = {{40, c.adminId}, {41, c.adminPassword}};
            s.getConfigStatus = c.firstConfigStatus;
        };
        frmAddCam& dialog = Load();
        Run(dialog, c.typed, c.prompts);
        FakeImageServer& s = Server();

        EXPECT_EQ(!openAtEnd, c.hidden);
        EXPECT_EQ(dialog.bCancel, c.cancel);
        EXPECT_FALSE(dialog.bBusy);
        EXPECT_TRUE(dialog.cmdAdd->isEnabled());
        EXPECT_TRUE(dialog.txtIPAddress->isEnabled());
        EXPECT_EQ(fakeUi.busyDepth, 0) << "the busy pointer is given back";
        EXPECT_EQ(MessageTexts(), c.messages);
        EXPECT_EQ(promptsShown, static_cast<int>(c.prompts.size()));
        EXPECT_EQ(s.Count(Id::GetConfig), c.configRequests);
        EXPECT_EQ(dialog.m_sUserame, c.user);
        EXPECT_EQ(dialog.m_sPassword, c.password);
        if (c.configRequests > 0) {
            EXPECT_EQ(s.userNameValue, c.user);
            EXPECT_EQ(s.passwordValue, c.password);
            EXPECT_LT(s.LastIndexOf(Id::Password), s.LastIndexOf(Id::GetConfig));
        }
        EXPECT_EQ(dialog.m_lPort, c.port);
        EXPECT_EQ(dialog.m_lProtocol, c.protocol);
        EXPECT_EQ(dialog.m_sIPAddress, QStringLiteral("127.0.0.9"));
        EXPECT_EQ(dialog.m_sMACAddress, s.identity.mac);
        // Identity stays readable for the search window.
        EXPECT_EQ(s.selectedServer, -1);
        EXPECT_EQ(s.Args(Id::CheckIP), (QVariantList{1, true}));
        // The log-in test runs for every protocol but 3, with the typed host and port.
        EXPECT_EQ(s.Count(Id::LoginTest), 1);
        EXPECT_EQ(s.ipAddressValue, QStringLiteral("127.0.0.9"));
    }
}

TEST_F(AddCamDialog, PanTiltFollowsTheProtocol)
{
    struct Case {
        int protocol;
        int capability;
        int probe;
        bool want;
    };
    const Case cases[] = {
        {0, 16, 0, true}, {0, 15, 1, false}, {1, 0x10 | 0x100, 0, true}, {2, 16, 1, false},
        {3, 0, 1, true},  {3, 16, 0, false}, {4, 16, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protocol);
        windows().Unload(kAddCamWindowName);
        configure = [&c](FakeImageServer& s) {
            s.identity.protocol = c.protocol;
            s.identity.capability = c.capability;
            s.probeResultValue = c.probe;
            s.getConfigStatus = ImageServer::kTrue;
        };
        frmAddCam& dialog = Load();
        std::vector<Prompt> prompts;
        if (c.protocol >= 3)
            prompts.push_back({false, QStringLiteral("u"), QStringLiteral("p")});
        Run(dialog, QStringLiteral("127.0.0.9"), prompts);
        EXPECT_FALSE(openAtEnd);
        EXPECT_EQ(dialog.m_bPT, c.want);
        EXPECT_EQ(Server().Count(Id::ProbeStart), c.protocol == 3 ? 1 : 0);
    }
}

TEST_F(AddCamDialog, AProtocol3CameraGetsTheViewersTextAndANewLogInText)
{
    configure = [](FakeImageServer& s) { s.identity.protocol = 3; };
    draws = {0.25, 0.5, 0.125, 0.0625, 0.75, 0.5, 0.25, 0.125};
    frmAddCam& dialog = Load();
    Run(dialog, QStringLiteral("127.0.0.9"),
        {{false, QStringLiteral("ann"), QStringLiteral("p w"), 1},
         {false, QStringLiteral("ann"), QStringLiteral("p w2")}});
    FakeImageServer& s = Server();
    EXPECT_FALSE(openAtEnd);
    // The typed pair is the result; the camera gets the derived pair.
    EXPECT_EQ(dialog.m_sUserame, QStringLiteral("ann"));
    EXPECT_EQ(dialog.m_sPassword, QStringLiteral("p w2"));
    EXPECT_EQ(viewers.back()->userName, QStringLiteral("ann"));
    EXPECT_EQ(viewers.back()->password, QStringLiteral("p w2"));
    EXPECT_EQ(s.userNameValue,
              QStringLiteral("ann%3Ap+w2"));  // the fake viewer's text, URL-encoded
    EXPECT_EQ(gNonce, QStringLiteral("7500500025001250"));
    EXPECT_EQ(s.passwordValue, gNonce);
    EXPECT_EQ(s.Count(Id::LoginTest), 0);
    EXPECT_EQ(s.Count(Id::GetConfig), 2);
}

TEST_F(AddCamDialog, RefusesAnAddressTypedExactlyAsASlotHoldsIt)
{
    const QString msg4 = Caption(QStringLiteral("frmAddCam"), QStringLiteral("Message4"));
    gCam[3].IPAddress = QStringLiteral("127.0.0.9");
    struct Case {
        QString typed;
        bool refused;
    };
    // The whole text is compared, so a typed port is never caught.
    const Case cases[] = {{QStringLiteral("127.0.0.9"), true},
                          {QStringLiteral("127.0.0.9:8481"), false},
                          {QStringLiteral("127.0.0.10"), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        windows().Unload(kAddCamWindowName);
        fakeUi.messages.clear();
        frmAddCam& dialog = Load();
        Run(dialog, c.typed, {});
        EXPECT_EQ(Server().Count(Id::CheckIP), c.refused ? 0 : 1);
        EXPECT_EQ(MessageTexts(), c.refused ? QStringList{msg4} : QStringList{});
        if (c.refused) {
            EXPECT_EQ(fakeUi.messages.front().icon, MsgIcon::None);
            EXPECT_TRUE(openAtEnd);
            EXPECT_TRUE(dialog.cmdAdd->isEnabled());
        }
        EXPECT_EQ(fakeUi.busyDepth, 0);
    }
}

TEST_F(AddCamDialog, ACameraThatDoesNotAnswerIsReportedAndTheTextSelected)
{
    const QString msg2 = Caption(QStringLiteral("frmAddCam"), QStringLiteral("Message2"));
    struct Case {
        const char* name;
        int checkIPResult;  // what the request itself returns
        int status;         // what its answer says
    };
    const Case cases[] = {{"the identify answer says no", ImageServer::kTrue, 0},
                          {"the identify request is not taken", 0, ImageServer::kTrue}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kAddCamWindowName);
        fakeUi.messages.clear();
        configure = [&c](FakeImageServer& s) {
            s.checkIPResult = c.checkIPResult;
            s.endCheckIPStatus = c.status;
        };
        frmAddCam& dialog = Load();
        bool selectedAfter = false;
        ModalScript script;
        script.OnVisible<frmAddCam>("the add dialog", [](frmAddCam& d) {
            ModalScript::Type(d.txtIPAddress, QStringLiteral("127.0.0.77"));
            ModalScript::Click(d.cmdAdd);
        });
        script.When(
            "the failure message", [this] { return !fakeUi.messages.empty(); },
            [&] {
                selectedAfter = dialog.txtIPAddress->selectedText() == QStringLiteral("127.0.0.77");
                dialog.hide();
            });
        dialog.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
        EXPECT_EQ(MessageTexts(), QStringList{msg2});
        EXPECT_EQ(fakeUi.messages.front().icon, MsgIcon::Critical);
        EXPECT_TRUE(selectedAfter);
        EXPECT_FALSE(dialog.bBusy);
        EXPECT_TRUE(dialog.cmdCancel->isEnabled());
        EXPECT_EQ(fakeUi.busyDepth, 0);
        EXPECT_EQ(Server().Count(Id::LoginTest), 0);
    }
}

TEST_F(AddCamDialog, EscAndTheCloseBoxAreRefusedWhileARequestRunsAndWorkAfterwards)
{
    configure = [](FakeImageServer& s) { s.identity.protocol = 4; };
    frmAddCam& dialog = Load();
    bool stayedOpen = false;
    ModalScript script;
    script.OnVisible<frmAddCam>("the add dialog", [&](frmAddCam& d) {
        ModalScript::Type(d.txtIPAddress, QStringLiteral("127.0.0.9"));
        ModalScript::Click(d.cmdAdd);
        // The identify answer has not arrived yet.
        QTest::keyClick(&d, Qt::Key_Escape);
        d.close();
        stayedOpen = d.isVisible() && !d.bCancel && d.bBusy;
    });
    script.OnVisible<frmLogin>("the log-in prompt",
                               [](frmLogin& login) { ModalScript::Click(login.cmdCancel); });
    script.When(
        "the dialog idle", [&] { return !dialog.bBusy; },
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    dialog.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.bCancel);
}

TEST_F(AddCamDialog, LogInDetailsOfOneCameraAreNeitherShownNorUsedForTheNext)
{
    configure = [](FakeImageServer& s) { s.identity.protocol = 4; };
    frmAddCam& dialog = Load();
    // First camera: log in, then the configuration cannot be read.
    Run(dialog, QStringLiteral("127.0.0.9"),
        {{false, QStringLiteral("ann"), QStringLiteral("pw"), 0}});
    ASSERT_TRUE(dialog.bCancel);

    // Second camera, open: nothing of the first one travels along.
    FakeImageServer& s = Server();
    s.identity.protocol = 0;
    s.configItems.clear();
    QString shownUser = QStringLiteral("not shown");
    Run(dialog, QStringLiteral("127.0.0.10"), {});
    EXPECT_FALSE(openAtEnd);
    EXPECT_TRUE(dialog.m_sUserame.isEmpty());
    EXPECT_TRUE(dialog.m_sPassword.isEmpty());
    EXPECT_TRUE(s.userNameValue.isEmpty());
    EXPECT_TRUE(s.passwordValue.isEmpty());
    EXPECT_LT(s.LastIndexOf(Id::Password), s.LastIndexOf(Id::LoginTest))
        << "cleared before the log-in test";

    // A third camera that asks: the prompt starts empty.
    s.identity.protocol = 4;
    ModalScript script;
    script.OnVisible<frmAddCam>("the add dialog", [](frmAddCam& d) {
        ModalScript::Type(d.txtIPAddress, QStringLiteral("127.0.0.11"));
        ModalScript::Click(d.cmdAdd);
    });
    script.OnVisible<frmLogin>("the prompt", [&](frmLogin& login) {
        shownUser = login.txtUserName->text();
        ModalScript::Click(login.cmdCancel);
    });
    script.When(
        "idle", [&] { return !dialog.bBusy; }, [&] { dialog.hide(); });
    dialog.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_TRUE(shownUser.isEmpty());
}

TEST_F(AddCamDialog, AHostListedByTheSearchIsALocalCamera)
{
    frmAddCam& dialog = Load();
    dialog.SetSearchAddresses({QStringLiteral("127.0.0.5"), QStringLiteral("127.0.0.9")});
    Run(dialog, QStringLiteral("127.0.0.9:8481"), {});
    EXPECT_TRUE(dialog.m_bLocalCamera);
    Run(dialog, QStringLiteral("127.0.0.19"), {});
    EXPECT_FALSE(dialog.m_bLocalCamera);
}

TEST_F(AddCamDialog, AFailingCameraObjectIsReportedAndTheDialogRecovers)
{
    configure = [](FakeImageServer& s) { s.throwOn = {Id::ServerProtocol}; };
    frmAddCam& dialog = Load();
    Run(dialog, QStringLiteral("127.0.0.9"), {});
    ASSERT_EQ(fakeUi.messages.size(), 1u);
    EXPECT_EQ(fakeUi.messages.front().text,
              QStringLiteral("Error ImageServer1_EndCheckIP function"));
    EXPECT_FALSE(dialog.bBusy);
    EXPECT_TRUE(dialog.cmdAdd->isEnabled());
    EXPECT_EQ(fakeUi.busyDepth, 0);
}

}  // namespace
