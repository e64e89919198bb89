// The camera's web page: the address it opens, how the window closes, and,
// with the real browser against a simulated camera, the log-in, the settings
// page and its post driven as an operator would.
#include "discovery/discovery_windows.h"
#include "discovery/frm_login.h"
#include "discovery/frm_web.h"
#include "discovery_fixture.h"
#include "platform/web_browser/embedded_browser.h"
#include "support/camsim_process.h"

namespace {

class WebPage : public DiscoveryFixture {};

TEST_F(WebPage, TheAddressFollowsProtocolPortAndModel)
{
    gDefaultPage = QStringLiteral("Content.htm");
    gDevice.assign(3, DeviceInfo{});
    gDevice[1] = {QStringLiteral("PT-2"), QStringLiteral("Pt2.htm")};
    gDevice[2] = {QStringLiteral("PT"), QStringLiteral("Pt.htm")};
    gDeviceCount = 2;
    struct Case {
        const char* name;
        int protocol;
        int port;
        int webPort;  // what the camera reports, 0: nothing
        QString model;
        QString want;
    };
    const Case cases[] = {
        {"pages on the camera's own port 8481", 0, 8481, 8481, QStringLiteral("X-1"),
         QStringLiteral("http://10.0.0.5:8481/Content.htm")},
        {"web port 80 is left out", 0, 8481, 80, QStringLiteral("X-1"),
         QStringLiteral("http://10.0.0.5/Content.htm")},
        {"no web port named: 8481 means port 80", 0, 8481, 0, QStringLiteral("X-1"),
         QStringLiteral("http://10.0.0.5/Content.htm")},
        {"no web port named: another port is written", 1, 80, 0, QStringLiteral("X-1"),
         QStringLiteral("http://10.0.0.5:80/Content.htm")},
        {"a web port beside the image port", 0, 8481, 8090, QStringLiteral("X-1"),
         QStringLiteral("http://10.0.0.5:8090/Content.htm")},
        {"the first model found in the camera's model wins", 0, 8481, 80,
         QStringLiteral(" SIM-PT-200 "), QStringLiteral("http://10.0.0.5/Pt2.htm")},
        {"protocol 3 opens the port with no page", 3, 81, 8481, QStringLiteral("PT-2"),
         QStringLiteral("http://10.0.0.5:81")},
        {"protocol 4 likewise", 4, 8481, 0, {}, QStringLiteral("http://10.0.0.5:8481")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gCam[2].IPAddress = QStringLiteral("10.0.0.5");
        gCam[2].Protocol = c.protocol;
        gCam[2].Port = c.port;
        gCam[2].ServerModel = c.model;
        EXPECT_EQ(frmWeb::CameraPageUrl(2, c.webPort), c.want);
    }
}

TEST_F(WebPage, TheWebPortIsAskedOfTheSlotsCamera)
{
    struct Case {
        const char* name;
        int protocol;
        int checkIP;
        int reported;
        int want;
        bool asked;
    };
    const Case cases[] = {
        {"the camera names its port", 0, ImageServer::kTrue, 8481, 8481, true},
        {"a camera that does not answer", 0, 0, 8481, 0, true},
        {"a port out of range is no port", 1, ImageServer::kTrue, 70000, 0, true},
        {"protocol 3 uses the slot's port", 3, ImageServer::kTrue, 8481, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        servers.clear();
        configure = [&](FakeImageServer& s) {
            s.checkIPResult = c.checkIP;
            s.identity.webPort = c.reported;
        };
        gCam[2].IPAddress = QStringLiteral("127.0.0.7");
        gCam[2].Port = 8481;
        gCam[2].Protocol = c.protocol;
        EXPECT_EQ(frmWeb::CameraWebPort(2), c.want);
        EXPECT_EQ(servers.size(), c.asked ? 1u : 0u);
    }
}

TEST_F(WebPage, EscIsLeftToThePageAndOnlyTheCloseBoxClosesTheWindow)
{
    gCurCam = 1;
    gCam[1].IPAddress = QStringLiteral("127.0.0.1");
    frmWeb web;
    web.m_sOldIPAddress = gCam[1].IPAddress;
    web.Form_Load();
    web.m_bFirst = false;  // nothing to open: this is about the window
    bool openAfterEsc = false;
    bool closedByCloseBox = false;
    ModalScript script;
    script.OnVisible<frmWeb>("the web page", [&](frmWeb& w) {
        QTest::keyClick(&w, Qt::Key_Escape);
        openAfterEsc = w.isVisible();
        w.close();
        closedByCloseBox = !w.isVisible();
    });
    web.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_TRUE(openAfterEsc);
    EXPECT_TRUE(closedByCloseBox);
    EXPECT_TRUE(web.m_bCancel) << "nothing was posted";
    EXPECT_TRUE(fakeUi.pumpedSleeps.empty()) << "the address did not change: no wait";
}

TEST_F(WebPage, TheOperatorLogsInRenamesTheCameraAndThePostIsTaken)
{
    if (!EmbeddedBrowserAvailable())
        GTEST_SKIP() << "this build has no embedded browser";
    // The camera itself is asked where its pages are.
    SetDiscoveryControls({});
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--user"), QStringLiteral("admin"),
                           QStringLiteral("--password"), QStringLiteral("secret")},
                          &error))
        << error.toStdString();
    gDefaultPage = QStringLiteral("Content.htm");
    gCurCam = 1;
    CamInfo& cam = gCam[1];
    cam.IPAddress = sim.cams[0].address;
    cam.Port = sim.cams[0].port;
    cam.Protocol = 0;
    cam.ServerName = QStringLiteral("Camera 1");
    cam.UserName = QStringLiteral("admin");
    cam.Password = QStringLiteral("stale");  // the camera asks again: the operator types it

    auto* web = windows().Get<frmWeb>(kWebWindowName);
    ASSERT_NE(web, nullptr);
    web->m_sOldIPAddress = cam.IPAddress;
    web->m_bRun = false;
    web->Form_Load();
    EmbeddedBrowser* browser = web->WebBrowser1();
    ASSERT_NE(browser, nullptr);
    int loads = 0;
    QObject::connect(browser, &EmbeddedBrowser::LoadFinished, [&](bool) { ++loads; });
    const auto on = [&](const char* page) {
        return [&, page] { return browser->Url().path() == QLatin1String(page) && loads > 0; };
    };
    ModalScript script(60000);
    script.OnVisible<frmLogin>("the camera's log-in prompt", [](frmLogin& login) {
        ModalScript::Type(login.txtUserName, QStringLiteral("admin"));
        ModalScript::Type(login.txtPassword, QStringLiteral("secret"));
        ModalScript::Click(login.cmdOK);
    });
    script.When("the home page", on("/Content.htm"), [&] {
        loads = 0;
        browser->RunScript(QStringLiteral("document.getElementById('settings').click()"));
    });
    script.When("the settings page", on("/Config1.htm"), [&] {
        loads = 0;
        browser->RunScript(
            QStringLiteral("document.getElementById('SRV_Name').value = 'Garden & Gate';"
                           "document.getElementById('Config1').click()"));
    });
    script.When(
        "the post", [&] { return !web->m_bCancel && loads > 0; }, [&] { web->close(); });
    web->ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_EQ(web->windowTitle(), QStringLiteral("Cam1     Camera 1"));
    EXPECT_FALSE(web->m_bCancel);
    EXPECT_TRUE(web->m_bSettingsPosted);
    EXPECT_EQ(web->m_sServerName, QStringLiteral("Garden & Gate"));
    EXPECT_EQ(web->m_sUserName, QStringLiteral("admin"));
    EXPECT_EQ(web->m_sPassword, QStringLiteral("secret"));
    EXPECT_EQ(web->m_sIPAddress, cam.IPAddress);
    EXPECT_EQ(web->m_lIPAssign, 1);
    EXPECT_TRUE(fakeUi.sleeps.empty() && fakeUi.pumpedSleeps.empty())
        << "the address did not change: no wait";
    EXPECT_EQ(sim.Control(1, "state").value(QStringLiteral("name")),
              QStringLiteral("Garden & Gate"));
    windows().Unload(kWebWindowName);
}

}  // namespace
