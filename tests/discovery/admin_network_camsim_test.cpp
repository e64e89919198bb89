// Administrator accounts and network changes against simulated cameras, with
// the production image server, driven as an operator would: adding a camera
// from the search list and by address over every account set-up, checking an
// administrator password, and changing a camera's address (manual and DHCP)
// and finding it again at the new address.
#include "discovery/frm_add_cam.h"
#include "discovery/frm_change_ip_address.h"
#include "discovery/frm_check_password.h"
#include "discovery_camsim_fixture.h"
#include "foundation/app_paths.h"
#include "platform/image_server/admin_account.h"
#include "platform/settings_file.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

class AdminNetworkCamsim : public DiscoveryCamsim {
protected:
    // A production image server aimed at simulated camera k, found by its MAC.
    std::unique_ptr<HttpImageServer> ServerFor(int k, const QString& user, const QString& password)
    {
        auto s = std::make_unique<HttpImageServer>();
        s->setIPAddress(sim.cams.at(static_cast<size_t>(k - 1)).address);
        s->setPort(sim.cams.at(static_cast<size_t>(k - 1)).port);
        s->setMacAddress(QStringLiteral("0.30.140.0.0.%1").arg(k));
        s->setUserName(user);
        s->setPassword(password);
        return s;
    }
    static void CheckAs(ModalScript& script, const QString& id, const QString& password)
    {
        script.OnVisible<frmCheckPassword>("the administrator check",
                                           [id, password](frmCheckPassword& d) {
                                               ModalScript::Type(d.txtAdminID, id);
                                               ModalScript::Type(d.txtPassword, password);
                                               ModalScript::Click(d.cmdOK);
                                           });
    }
};

struct Account {
    const char* name;
    QByteArray ini;
    QString typedUser, typedPassword;  // empty user: no log-in is asked
    AdminAccount withTyped;            // what the typed pair may read afterwards
};

const Account kAccounts[] = {
    {"no password", "user=\npassword=\nadmin_id=\nadmin_password=\n", {}, {}, AdminAccount::None},
    {"a viewer password only", "user=vic\npassword=vpw\nadmin_id=\nadmin_password=\n",
     QStringLiteral("vic"), QStringLiteral("vpw"), AdminAccount::None},
    {"an administrator only", "user=\npassword=\nadmin_id=adm\nadmin_password=apw\n",
     QStringLiteral("adm"), QStringLiteral("apw"), AdminAccount::Readable},
    {"a viewer and an administrator", "user=vic\npassword=vpw\nadmin_id=adm\nadmin_password=apw\n",
     QStringLiteral("adm"), QStringLiteral("apw"), AdminAccount::Readable},
};

TEST_F(AdminNetworkCamsim, BothAddPathsAskForALogInExactlyWhenTheCameraIsProtected)
{
    QByteArray ini;
    for (int k = 1; k <= 4; ++k)
        ini += Camera(k, "Cam" + QByteArray::number(k), kAccounts[k - 1].ini);
    StartSim(ini);
    for (const bool byAddress : {false, true}) {
        for (int k = 1; k <= 4; ++k) {
            const Account& a = kAccounts[k - 1];
            SCOPED_TRACE(std::string(byAddress ? "by address, " : "from the list, ") + a.name);
            windows().Unload(kBrowseWindowName);
            fakeUi.messages.clear();
            frmBrowse& browse = Browse();
            const QString name = QStringLiteral("Cam%1").arg(k);
            ModalScript script;
            script.When(
                "the search to end", [&] { return Idle(browse); },
                [&] {
                    if (byAddress)
                        ModalScript::Click(browse.cmdInputIP);
                    else
                        AddNamed(browse, name);
                });
            if (byAddress) {
                script.OnVisible<frmAddCam>("the add dialog", [k](frmAddCam& d) {
                    ModalScript::Type(d.txtIPAddress, QStringLiteral("127.0.0.%1").arg(k + 1));
                    ModalScript::Click(d.cmdAdd);
                });
            }
            int prompts = 0;
            if (!a.typedUser.isEmpty()) {
                script.OnVisible<frmLogin>("a log-in prompt", [&](frmLogin& login) {
                    ++prompts;
                    ModalScript::Type(login.txtUserName, a.typedUser);
                    ModalScript::Type(login.txtPassword, a.typedPassword);
                    ModalScript::Click(login.cmdOK);
                });
            }
            Show(browse, script);
            EXPECT_TRUE(fakeUi.messages.empty())
                << MessageTexts().join(QStringLiteral(" | ")).toStdString();
            EXPECT_FALSE(browse.m_bCancel);
            EXPECT_EQ(browse.m_sServerName, name);
            EXPECT_EQ(prompts, a.typedUser.isEmpty() ? 0 : 1);
            EXPECT_EQ(browse.m_sUserame, a.typedUser);
            EXPECT_EQ(browse.m_sPassword, a.typedPassword);
            // What the slot gets lets it view the camera, and reach its set-up
            // when the camera has an administrator.
            auto check = ServerFor(k, browse.m_sUserame, browse.m_sPassword);
            EXPECT_EQ(check->loginTest(0), ImageServer::kTrue);
            EXPECT_EQ(ReadAdminPair(*check).state, a.withTyped);
        }
    }
}

TEST_F(AdminNetworkCamsim, TheAdministratorStateTellsAnUnsetAccountFromAnUnreadableOne)
{
    QByteArray ini;
    for (int k = 1; k <= 4; ++k)
        ini += Camera(k, "Cam" + QByteArray::number(k), kAccounts[k - 1].ini);
    StartSim(ini);
    struct Case {
        int cam;
        QString user, password;  // the slot's account
        AdminAccount want;
        QString id;
    };
    const Case cases[] = {
        {1, {}, {}, AdminAccount::None, {}},
        {2, QStringLiteral("vic"), QStringLiteral("vpw"), AdminAccount::None, {}},
        {3, {}, {}, AdminAccount::Unreadable, {}},
        {3, QStringLiteral("adm"), QStringLiteral("apw"), AdminAccount::Readable,
         QStringLiteral("adm")},
        {4, QStringLiteral("vic"), QStringLiteral("vpw"), AdminAccount::Unreadable, {}},
        {4, QStringLiteral("adm"), QStringLiteral("apw"), AdminAccount::Readable,
         QStringLiteral("adm")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("camera %1 as '%2'").arg(c.cam).arg(c.user).toStdString());
        auto s = ServerFor(c.cam, c.user, c.password);
        const AdminPair pair = ReadAdminPair(*s);
        EXPECT_EQ(pair.state, c.want);
        EXPECT_EQ(pair.id, c.id);
        // The camera itself checks a pair by its MAC address.
        EXPECT_EQ(s->checkAdmin(QStringLiteral("adm"), QStringLiteral("apw")),
                  ImageServer::kAdminAccepted);
        EXPECT_EQ(s->checkAdmin(QStringLiteral("adm"), QStringLiteral("wrong")),
                  c.cam >= 3 ? ImageServer::kAdminNeeded : ImageServer::kAdminAccepted);
    }
}

TEST_F(AdminNetworkCamsim, TheAdministratorCheckRefusesAWrongPasswordAndTakesTheRightOne)
{
    StartSim(Camera(1, "Hall", kAccounts[3].ini));
    gCurCam = 1;
    gCam[1].IPAddress = sim.cams.at(0).address;
    gCam[1].Port = sim.cams.at(0).port;
    gCam[1].Protocol = 0;
    for (const int mode : {1, kCheckOnCamera}) {
        SCOPED_TRACE(mode);
        fakeUi.messages.clear();
        windows().Unload(kCheckPasswordWindowName);
        auto* check = windows().Get<frmCheckPassword>(kCheckPasswordWindowName);
        check->m_lMode = mode;
        // What the caller prepares: the slot's account, and for the check by
        // the camera its MAC address.
        check->ImageServer1().setUserName(QStringLiteral("vic"));
        check->ImageServer1().setPassword(QStringLiteral("vpw"));
        check->ImageServer1().setMacAddress(QStringLiteral("0.30.140.0.0.1"));
        ModalScript script;
        CheckAs(script, QStringLiteral("adm"), QStringLiteral("nope"));
        script.When(
            "the refusal", [&] { return !fakeUi.messages.empty(); },
            [&] {
                EXPECT_TRUE(check->isVisible());
                ModalScript::Type(check->txtPassword, QStringLiteral("apw"));
                ModalScript::Click(check->cmdOK);
            });
        check->ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
        EXPECT_EQ(MessageTexts(), QStringList{Caption(QStringLiteral("frmCheckPassword"),
                                                      QStringLiteral("Message3"))});
        EXPECT_FALSE(check->Cancel);
        EXPECT_TRUE(check->Approbation);
        EXPECT_EQ(fakeUi.busyDepth, 0);
    }
}

TEST_F(AdminNetworkCamsim, ChangingAnAddressFindsTheCameraAtItsNewAddress)
{
    StartSim(Camera(1, "Open", kAccounts[0].ini)
             + Camera(2, "Guarded",
                      "user=\npassword=\nadmin_id=adm\nadmin_password=apw\n"
                      "dhcp_address=127.0.0.61\n")
             + Camera(3, "Viewer",
                      "protocol=3\nuser=ann\npassword=pw\nadmin_id=ann\n"
                      "admin_password=pw\n"));
    struct Case {
        const char* name;
        QString camera;
        bool dhcp;
        QString typed;  // the new address (manual)
        QString want;
    };
    const Case cases[] = {
        {"manual, no administrator", QStringLiteral("Open"), false, QStringLiteral("127.0.0.50"),
         QStringLiteral("127.0.0.50")},
        {"DHCP after the administrator check",
         QStringLiteral("Guarded"),
         true,
         {},
         QStringLiteral("127.0.0.61")},
        {"a protocol-3 camera after its log-in", QStringLiteral("Viewer"), false,
         QStringLiteral("127.0.0.52"), QStringLiteral("127.0.0.52")},
    };
    // The cameras take their time to move while the window waits.
    fakeUi.onSleep = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    for (size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.name);
        windows().Unload(kBrowseWindowName);
        fakeUi.messages.clear();
        // The camera is held by slot 1; slot 2 holds another camera that
        // once had the same address.
        const QString oldAddress = sim.cams.at(k).address;
        gCam[1].Assign = true;
        gCam[1].IPAddress = oldAddress;
        gCam[1].Port = sim.cams.at(k).port;
        gCam[1].MacAddress = QStringLiteral("0.30.140.0.0.%1").arg(k + 1);
        gCam[2].Assign = true;
        gCam[2].IPAddress = oldAddress;
        gCam[2].MacAddress = QStringLiteral("0.30.140.9.9.9");
        frmBrowse& browse = Browse();
        QList<QStringList> listed;
        ModalScript script(90000);
        script.When(
            "the search to end", [&] { return Idle(browse); },
            [&] {
                const auto found = browse.ListViewSearch->findItems(c.camera, Qt::MatchExactly, 0);
                ASSERT_EQ(found.size(), 1);
                browse.ListViewSearch->setCurrentItem(found.front());
                ModalScript::Click(browse.cmdChangeIPAddress);
            });
        if (c.camera == QLatin1String("Guarded"))
            CheckAs(script, QStringLiteral("adm"), QStringLiteral("apw"));
        if (c.camera == QLatin1String("Viewer"))
            LogIn(script, QStringLiteral("ann"), QStringLiteral("pw"));
        script.OnVisible<frmChangeIPAddress>("the address dialog", [&c](frmChangeIPAddress& d) {
            if (c.dhcp) {
                EXPECT_TRUE(d.optDHCP->isVisible());
                d.optDHCP->click();
            } else {
                ModalScript::Type(d.txtIPAddress, c.typed);
            }
            ModalScript::Click(d.cmdOK);
        });
        // The dialog goes when the change was sent; the search after it follows.
        script.When(
            "the search after the change",
            [&] { return !windows().IsLoaded(kChangeIPAddressWindowName) && Idle(browse); },
            [&] {
                listed = Rows(browse);
                browse.hide();
            });
        Show(browse, script);
        EXPECT_TRUE(fakeUi.messages.empty())
            << MessageTexts().join(QStringLiteral(" | ")).toStdString();
        // Listed once, where it answers now.
        QStringList addresses;
        for (const QStringList& row : listed)
            if (row[0] == c.camera)
                addresses << row[1];
        EXPECT_EQ(addresses, QStringList{c.want});
        // The slot follows the camera, and main.ini keeps the new address;
        // the other camera's slot stays.
        EXPECT_EQ(gCam[1].IPAddress, c.want);
        EXPECT_EQ(gCam[2].IPAddress, oldAddress);
        SettingsFile saved;
        saved.FileName(AppPath() + QStringLiteral("/main.ini"));
        ASSERT_TRUE(saved.Load());
        EXPECT_EQ(
            saved.GetValue(QStringLiteral("Cam1"), QStringLiteral("IPAddress")).value_or(QString()),
            c.want);
        EXPECT_EQ(
            saved.GetValue(QStringLiteral("Cam2"), QStringLiteral("IPAddress")).value_or(QString()),
            oldAddress);
    }
}

}  // namespace
