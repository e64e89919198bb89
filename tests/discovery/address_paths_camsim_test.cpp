// The two address changes the search window makes besides the administrator
// and log-in paths, against simulated cameras with the production image
// server, driven as an operator would: the offer to give a camera whose
// address another listed camera shares an address of its own before it is
// added, and the address change of a protocol-4 camera, allowed by its
// administrator account.
#include "discovery/frm_change_ip_address.h"
#include "discovery_camsim_fixture.h"
#include "platform/image_server/http_client.h"
#include "platform/image_server/records.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

class AddressPathsCamsim : public DiscoveryCamsim {
protected:
    // Simulated camera k (1-based) as it reports itself at `address` (its
    // HTTP port stays when it moves); empty when nothing answers there.
    Record StateAt(int k, const QString& address) const
    {
        CameraEndpoint ep;
        ep.host = address;
        ep.port = sim.cams.at(static_cast<size_t>(k - 1)).port;
        HttpAuthenticator none;
        const HttpResponse r = HttpRequest(ep, none, "GET", "/sim/state", 3000);
        return r.Ok() ? ParseRecord(r.body) : Record{};
    }
    bool AnswersAt(int k, const QString& address) const
    {
        return StateAt(k, address).value(QStringLiteral("address")) == address;
    }
    // True once a finished search lists `name` at `address`; a search that
    // did not is run again, as an operator presses Search again.
    static bool ListedAt(frmBrowse& b, const QString& name, const QString& address)
    {
        if (!Idle(b))
            return false;
        for (const QStringList& row : Rows(b))
            if (row[0] == name && row[1] == address)
                return true;
        ModalScript::Click(b.cmdSearch);
        return false;
    }
};

constexpr const char* kOpenAccount = "user=\npassword=\nadmin_id=\nadmin_password=\n";

TEST_F(AddressPathsCamsim, ACameraThatSharesItsAddressIsMovedBeforeItIsAdded)
{
    // The added camera serves on the protocol-0 port, on an address no other
    // test uses; the other camera shares that address on a port of its own.
    const QString net = OwnLoopbackNet();
    const QString shared = net + QStringLiteral("22");
    const QString fresh = net + QStringLiteral("51");
    StartSim("[camera1]\naddress=" + shared.toUtf8()
             + "\nport=0\nname=\"Hall\"\nmac=0.30.140.0.0.1\n" + kOpenAccount
             + "[camera2]\naddress=" + shared.toUtf8()
             + "\nport=8481\nname=\"Porch\"\nmac=0.30.140.0.0.2\n" + kOpenAccount);
    ASSERT_EQ(sim.cams.at(1).address, shared);
    // The window lets the camera restart its network; here until it answers
    // at its new address.
    fakeUi.onSleepPumping = [&](int ms) { WaitUntil([&] { return AnswersAt(2, fresh); }, ms); };

    frmBrowse& browse = Browse();
    ModalScript script(90000);
    script.When(
        "both cameras listed at one address",
        [&] {
            return Listed(browse, {QStringLiteral("Hall"), QStringLiteral("Porch")});
        },
        [&] { AddNamed(browse, QStringLiteral("Porch")); });
    script.OnVisible<frmChangeIPAddress>("the address dialog", [&](frmChangeIPAddress& d) {
        EXPECT_EQ(d.txtIPAddress->text(), shared);
        EXPECT_FALSE(d.optDHCP->isVisible()) << "a manual address only";
        ModalScript::Type(d.txtIPAddress, fresh);
        ModalScript::Click(d.cmdOK);
    });
    script.When(
        "the camera added", [&] { return !browse.isVisible(); }, [] {});
    Show(browse, script);

    // The offer was asked (and taken), and nothing went wrong.
    EXPECT_EQ(MessageTexts(),
              QStringList{Caption(QStringLiteral("frmBrowse"), QStringLiteral("Message5"))});
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_EQ(browse.m_sServerName, QStringLiteral("Porch"));
    EXPECT_EQ(browse.m_sIPAddress, fresh);
    // The camera answers at its new address; the other stayed where it was.
    EXPECT_EQ(StateAt(2, fresh).value(QStringLiteral("moves")), QStringLiteral("1"));
    EXPECT_EQ(StateAt(1, shared).value(QStringLiteral("moves")), QStringLiteral("0"));
    // The slot reaches the added camera where the result says it is.
    HttpImageServer slot;
    slot.setIPAddress(browse.m_sIPAddress);
    slot.setPort(browse.m_lPort);
    EXPECT_EQ(slot.loginTest(0), ImageServer::kTrue);
}

TEST_F(AddressPathsCamsim, AProtocol4CameraMovesOnlyForItsAdministratorsAccount)
{
    StartSim(Camera(1, "Guarded",
                    "protocol=4\nuser=vic\npassword=vpw\nadmin_id=adm\nadmin_password=apw\n")
             + Camera(2, "Open", QByteArray("protocol=4\n") + kOpenAccount)
             + Camera(3, "Kept",
                      "protocol=4\nuser=vic\npassword=vpw\nadmin_id=adm\nadmin_password=apw\n"));
    struct LogIn {
        QString user, password;
    };
    struct Case {
        const char* name;
        int cam;
        QString camera;            // its name in the list
        std::vector<LogIn> typed;  // one per prompt, in order
        bool cancelLast;           // the last prompt is cancelled
        QString fresh;             // the new address; empty: the camera stays
        int refusals;              // "wrong administrator" messages
    };
    const Case cases[] = {
        {"a wrong administrator password is refused, the right one moves the camera",
         1,
         QStringLiteral("Guarded"),
         {{QStringLiteral("adm"), QStringLiteral("nope")},
          {QStringLiteral("vic"), QStringLiteral("vpw")},
          {QStringLiteral("adm"), QStringLiteral("apw")}},
         false,
         QStringLiteral("127.0.0.61"),
         2},
        {"without an administrator empty boxes move the camera",
         2,
         QStringLiteral("Open"),
         {{QStringLiteral("x"), {}}, {{}, {}}},
         false,
         QStringLiteral("127.0.0.62"),
         1},
        {"a cancelled log-in leaves the camera where it is",
         3,
         QStringLiteral("Kept"),
         {{}},
         true,
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kBrowseWindowName);
        fakeUi.messages.clear();
        const auto& camera = sim.cams.at(static_cast<size_t>(c.cam - 1));
        const QString& name = c.camera;
        frmBrowse& browse = Browse();
        ModalScript script(90000);
        script.When(
            "the camera listed", [&] { return Listed(browse, {name}); },
            [&] {
                const auto found = browse.ListViewSearch->findItems(name, Qt::MatchExactly, 0);
                ASSERT_EQ(found.size(), 1);
                browse.ListViewSearch->setCurrentItem(found.front());
                ModalScript::Click(browse.cmdChangeIPAddress);
            });
        for (size_t k = 0; k < c.typed.size(); ++k) {
            const bool cancel = c.cancelLast && k + 1 == c.typed.size();
            const LogIn typed = c.typed[k];
            script.OnVisible<frmLogin>("log-in prompt", [typed, cancel](frmLogin& login) {
                ModalScript::Type(login.txtUserName, typed.user);
                ModalScript::Type(login.txtPassword, typed.password);
                ModalScript::Click(cancel ? login.cmdCancel : login.cmdOK);
            });
        }
        if (!c.fresh.isEmpty()) {
            script.OnVisible<frmChangeIPAddress>("the address dialog", [&](frmChangeIPAddress& d) {
                EXPECT_EQ(d.txtIPAddress->text(), camera.address);
                EXPECT_FALSE(d.optDHCP->isVisible());
                ModalScript::Type(d.txtIPAddress, c.fresh);
                ModalScript::Click(d.cmdOK);
            });
            script.When(
                "the camera listed at its new address",
                [&] { return ListedAt(browse, name, c.fresh); }, [&] { browse.hide(); });
        } else {
            script.When(
                "the window idle again",
                [&] { return Idle(browse) && !ModalScript::Visible<frmLogin>(); },
                [&] { browse.hide(); });
        }
        Show(browse, script);

        EXPECT_EQ(MessageTexts(), QStringList(c.refusals, Caption(QStringLiteral("frmBrowse"),
                                                                  QStringLiteral("Message4"))));
        EXPECT_FALSE(windows().IsLoaded(kChangeIPAddressWindowName));
        if (c.fresh.isEmpty()) {
            EXPECT_EQ(StateAt(c.cam, camera.address).value(QStringLiteral("moves")),
                      QStringLiteral("0"));
        } else {
            EXPECT_TRUE(AnswersAt(c.cam, c.fresh));
        }
    }
}

}  // namespace
