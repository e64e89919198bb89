// The discovery dialogs with the production image server against simulated
// cameras on loopback, driven as an operator would: searching, adding a
// listed camera with and without a log-in, adding one by address, and
// cameras that stay silent or answer badly.
#include "discovery/frm_add_cam.h"
#include "discovery/frm_browse.h"
#include "discovery/frm_login.h"
#include "discovery_camsim_fixture.h"
#include "platform/image_server/camera_search.h"
#include "platform/image_server/http_image_server.h"
#include "support/camsim_process.h"

#include <QTreeWidget>

namespace {

TEST_F(DiscoveryCamsim, SearchListsTheCamerasAndAnOpenOneIsTakenAtOnce)
{
    StartSim(Camera(1, "Door", kOpen) + Camera(2, "Yard", kLocked)
             + Camera(3, "Caf\xc3\xa9 &#20013;", kOpen));
    frmBrowse& browse = Browse();
    QList<QStringList> listed;
    ModalScript script;
    script.When(
        "the search to list the cameras",
        [&] {
            return Listed(browse, {QStringLiteral("Caf\u00e9 \u4E2D"), QStringLiteral("Door"),
                                   QStringLiteral("Yard")});
        },
        [&] {
            listed = Rows(browse);
            AddNamed(browse, QStringLiteral("Door"));
        });
    ASSERT_NO_FATAL_FAILURE(Show(browse, script));
    EXPECT_EQ(listed,
              (QList<QStringList>{{QStringLiteral("Caf\u00e9 \u4E2D"), QStringLiteral("127.0.0.4"),
                                   QStringLiteral("00 1E 8C 00 00 03")},
                                  {QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                                   QStringLiteral("00 1E 8C 00 00 01")},
                                  {QStringLiteral("Yard"), QStringLiteral("127.0.0.3"),
                                   QStringLiteral("00 1E 8C 00 00 02")}}));
    EXPECT_FALSE(browse.isVisible());
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_EQ(browse.m_sIPAddress, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(browse.m_sMACAddress, QStringLiteral("0.30.140.0.0.1"));
    EXPECT_EQ(browse.m_sServerName, QStringLiteral("Door"));
    EXPECT_EQ(browse.m_lProtocol, 0);
    EXPECT_EQ(browse.m_lPort, 8481);
    EXPECT_TRUE(browse.m_bPT);
    EXPECT_TRUE(browse.m_sUserame.isEmpty());
    EXPECT_TRUE(fakeUi.messages.empty());
    EXPECT_EQ(fakeUi.busyDepth, 0);
}

TEST_F(DiscoveryCamsim, ACameraThatWantsALogInRefusesAWrongPasswordAndTakesTheRightOne)
{
    StartSim(Camera(1, "Yard", kLocked));
    frmBrowse& browse = Browse();
    ModalScript script;
    script.When(
        "the search to list Yard", [&] { return Listed(browse, {QStringLiteral("Yard")}); },
        [&] { AddNamed(browse, QStringLiteral("Yard")); });
    LogIn(script, QStringLiteral("ann"), QStringLiteral("wrong"));
    LogIn(script, QStringLiteral("ann"), QStringLiteral("pw"));
    ASSERT_NO_FATAL_FAILURE(Show(browse, script));
    const QString msg4 = Caption(QStringLiteral("frmBrowse"), QStringLiteral("Message4"));
    ASSERT_EQ(MessageTexts(), QStringList{msg4});
    EXPECT_EQ(fakeUi.messages.front().icon, MsgIcon::Critical);
    EXPECT_FALSE(browse.isVisible());
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_EQ(browse.m_sUserame, QStringLiteral("ann"));
    EXPECT_EQ(browse.m_sPassword, QStringLiteral("pw"));
    EXPECT_EQ(browse.m_lProtocol, 4);
    EXPECT_EQ(browse.m_lPort, sim.cams.at(0).port)
        << "protocol 4 uses the web port the camera reports";
    EXPECT_EQ(sim.Control(1, "state").value(QStringLiteral("auth_failures")).toInt() >= 1, true);
}

TEST_F(DiscoveryCamsim, AProtocol3CameraAcceptsTheDerivedLogIn)
{
    StartSim(Camera(1, "Viewer",
                    "protocol=3\nuser=ann\npassword=pw\nadmin_id=ann\nadmin_password=pw\n"));
    frmBrowse& browse = Browse();
    ModalScript script;
    script.When(
        "the search to list Viewer", [&] { return Listed(browse, {QStringLiteral("Viewer")}); },
        [&] { AddNamed(browse, QStringLiteral("Viewer")); });
    LogIn(script, QStringLiteral("ann"), QStringLiteral("pw"));
    ASSERT_NO_FATAL_FAILURE(Show(browse, script));
    EXPECT_TRUE(fakeUi.messages.empty())
        << MessageTexts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_FALSE(browse.isVisible());
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_EQ(browse.m_sUserame, QStringLiteral("ann"));
    EXPECT_EQ(gNonce.size() >= 4 && gNonce.size() <= 16, true);
}

TEST_F(DiscoveryCamsim, AddByAddressWorksWithAndWithoutAPort)
{
    StartSim(Camera(1, "Door", kOpen) + Camera(2, "Yard", kLocked));
    const int doorPort = sim.cams.at(0).port;
    struct Case {
        const char* name;
        QString typed;
        bool login;
        QString wantName;
        int wantPort;
    };
    const Case cases[] = {
        {"an open camera, its port typed", QStringLiteral("127.0.0.2:%1").arg(doorPort), false,
         QStringLiteral("Door"), doorPort},
        {"an open camera, no port typed", QStringLiteral("127.0.0.2"), false,
         QStringLiteral("Door"), doorPort},
        {"a camera that wants a log-in, no port typed", QStringLiteral("127.0.0.3"), true,
         QStringLiteral("Yard"), sim.cams.at(1).port},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kBrowseWindowName);
        frmBrowse& browse = Browse();
        ModalScript script;
        script.When(
            "the search to list the cameras",
            [&] {
                return Listed(browse, {QStringLiteral("Door"), QStringLiteral("Yard")});
            },
            [&] { ModalScript::Click(browse.cmdInputIP); });
        script.OnVisible<frmAddCam>("the add dialog", [&c](frmAddCam& d) {
            ModalScript::Type(d.txtIPAddress, c.typed);
            ModalScript::Click(d.cmdAdd);
        });
        if (c.login)
            LogIn(script, QStringLiteral("ann"), QStringLiteral("pw"));
        ASSERT_NO_FATAL_FAILURE(Show(browse, script));
        EXPECT_TRUE(fakeUi.messages.empty())
            << MessageTexts().join(QStringLiteral(" | ")).toStdString();
        EXPECT_FALSE(browse.isVisible());
        EXPECT_FALSE(browse.m_bCancel);
        EXPECT_EQ(browse.m_sServerName, c.wantName);
        EXPECT_EQ(browse.m_lPort, c.wantPort);
        EXPECT_TRUE(browse.m_bLocalCamera) << "the address is in the search list";
        EXPECT_EQ(browse.m_sUserame, c.login ? QStringLiteral("ann") : QString());
    }
}

TEST_F(DiscoveryCamsim, NobodyAtTheTypedAddressIsReported)
{
    StartSim(Camera(1, "Door", kOpen));
    windows().Get<frmBrowse>(kBrowseWindowName);  // the add dialog reads the search window's list
    frmAddCam& add = *windows().Get<frmAddCam>(kAddCamWindowName);
    ModalScript script;
    script.OnVisible<frmAddCam>("the add dialog", [](frmAddCam& d) {
        ModalScript::Type(d.txtIPAddress, QStringLiteral("127.0.0.200"));
        ModalScript::Click(d.cmdAdd);
    });
    script.When(
        "the answer", [&] { return !add.bBusy && !fakeUi.messages.empty(); }, [&] { add.hide(); });
    add.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_EQ(MessageTexts(),
              QStringList{Caption(QStringLiteral("frmAddCam"), QStringLiteral("Message2"))});
    EXPECT_EQ(fakeUi.busyDepth, 0);
}

TEST_F(DiscoveryCamsim, SilentAndMisbehavingCamerasLeaveTheOthersListed)
{
    StartSim(Camera(1, "Good", kOpen) + Camera(2, "Silent", kOpen) + Camera(3, "BadMac", kOpen)
             + Camera(4, "Garbage", kOpen) + Camera(5, "Huge", kOpen)
             + Camera(6, "Name&#;&#99999999;", kOpen));
    sim.Control(2, "discovery?mode=silent");
    sim.Control(3, "discovery?mode=malformed&kind=mac");
    sim.Control(4, "discovery?mode=malformed&kind=garbage");
    sim.Control(5, "discovery?mode=malformed&kind=huge");
    frmBrowse& browse = Browse();
    QList<QStringList> listed;
    bool refusedWhileSearching = false;
    ModalScript script;
    script.When(
        "the search under way", [&] { return !browse.m_bFirst; },
        [&] {
            QTest::keyClick(&browse, Qt::Key_Escape);
            browse.close();
            refusedWhileSearching = browse.isVisible() && browse.m_bBusy;
        });
    script.When(
        "the search to list the good cameras",
        [&] {
            return Listed(browse, {QStringLiteral("Good"), QStringLiteral("Name&#;&#99999999;")});
        },
        [&] {
            listed = Rows(browse);
            browse.close();
        });
    ASSERT_NO_FATAL_FAILURE(Show(browse, script));
    EXPECT_TRUE(refusedWhileSearching);
    EXPECT_EQ(listed, (QList<QStringList>{{QStringLiteral("Good"), QStringLiteral("127.0.0.2"),
                                           QStringLiteral("00 1E 8C 00 00 01")},
                                          {QStringLiteral("Name&#;&#99999999;"),
                                           QStringLiteral("127.0.0.7"),
                                           QStringLiteral("00 1E 8C 00 00 06")}}));
    EXPECT_TRUE(browse.m_bCancel);
    EXPECT_TRUE(fakeUi.messages.empty());
    EXPECT_EQ(fakeUi.busyDepth, 0);
}

}  // namespace
