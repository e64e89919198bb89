// The search window against a scripted image server: the search and its
// list, the close rules, adding a listed camera (log-in test, prompts,
// configuration answer, shared addresses) and adding one by address.
#include "discovery/frm_add_cam.h"
#include "discovery/frm_browse.h"
#include "discovery/frm_login.h"
#include "discovery_fixture.h"

#include <QTreeWidget>

namespace {

using Id = ImageServer::Dispid;

FakeCameraIdentity Cam(const QString& name, const QString& ip, const QString& mac, int protocol = 0)
{
    FakeCameraIdentity c;
    c.name = name;
    c.ip = ip;
    c.mac = mac;
    c.protocol = protocol;
    c.model = QStringLiteral("M-") + name;
    c.location = QStringLiteral("Room ") + name;
    c.webPort = 8080;
    return c;
}

// The network address dialog as the search window sees it; what it was shown
// goes to `seen`, which outlives it.
struct ChangeIPSeen {
    bool cancel = false;
    QString newAddress = QStringLiteral("127.0.0.50");
    int shows = 0;
    bool manualOnly = false;
    QStringList shown;  // address, MAC, mask, gateway
};
class FakeChangeIPDialog : public QDialog, public IChangeIPAddressDialog {
public:
    explicit FakeChangeIPDialog(ChangeIPSeen& seen) : m_seen(seen) {}
    void SetManualAddressOnly() override { m_seen.manualOnly = true; }
    void ShowModal(QWidget*) override
    {
        ++m_seen.shows;
        m_seen.shown = {m_sIPAddress, m_sMACAddress, m_sSubnetMask, m_sDefaultGateway};
        m_bCancel = m_seen.cancel;
        m_sIPAddress = m_seen.newAddress;
    }

private:
    ChangeIPSeen& m_seen;
};

class BrowseWindow : public DiscoveryFixture {
protected:
    frmBrowse& Load()
    {
        auto* browse = windows().Get<frmBrowse>(kBrowseWindowName);
        server = servers.back();
        return *browse;
    }
    QString Msg(int n) const
    {
        return Caption(QStringLiteral("frmBrowse"), QStringLiteral("Message%1").arg(n));
    }

    // Shows the window as the panel does; `script` acts while it is open.
    void Show(frmBrowse& browse, ModalScript& script)
    {
        browse.m_bCancel = false;
        browse.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    }
    static bool Idle(const frmBrowse& b) { return !b.m_bFirst && !b.m_bBusy; }
    static QStringList Row(const frmBrowse& b, int i)
    {
        const QTreeWidgetItem* item = b.ListViewSearch->topLevelItem(i);
        return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList{};
    }
    // Searches, chooses row `row` (0-based) and presses Add; `then` answers what follows.
    void AddRow(frmBrowse& browse, int row, const std::function<void(ModalScript&)>& then)
    {
        ModalScript script;
        script.When(
            "the search to end", [&] { return Idle(browse); },
            [&] {
                browse.ListViewSearch->setCurrentItem(browse.ListViewSearch->topLevelItem(row));
                ModalScript::Click(browse.cmdAdd);
            });
        then(script);
        script.When(
            "the window idle or hidden", [&] { return !browse.isVisible() || !browse.m_bBusy; },
            [&] {
                openAtEnd = browse.isVisible();
                if (openAtEnd)
                    browse.hide();
            });
        Show(browse, script);
    }

    QPointer<FakeImageServer> server;
    bool openAtEnd = false;
};

TEST_F(BrowseWindow, ListsEveryCameraFoundWithItsNameAddressAndMac)
{
    struct Case {
        const char* name;
        std::vector<FakeCameraIdentity> hits;
        std::vector<QStringList> rows;
    };
    const Case cases[] = {
        {"no camera answers", {}, {}},
        {"two cameras",
         {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
              QStringLiteral("0.30.140.1.2.3")),
          Cam(QStringLiteral("Yard"), QStringLiteral("127.0.0.3"),
              QStringLiteral("0.16.32.10.11.255"))},
         {{QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
           QStringLiteral("00 1E 8C 01 02 03")},
          {QStringLiteral("Yard"), QStringLiteral("127.0.0.3"),
           QStringLiteral("00 10 20 0A 0B FF")}}},
        {"character references are decoded, broken ones and odd MAC texts are shown as they came",
         {Cam(QStringLiteral("A&#20013;B"), QStringLiteral("127.0.0.2"),
              QStringLiteral("1.2.3.4.5.6")),
          Cam(QStringLiteral("C&#12;D&#99999999;&#0000;"), QStringLiteral("127.0.0.3"),
              QStringLiteral("1.2.x.4")),
          Cam(QString(), QStringLiteral("127.0.0.4"), QString()),
          Cam(QStringLiteral("x&#0013;&#0010;y"), QStringLiteral("127.0.0.5"),
              QStringLiteral("1.2.3.4.5.7"))},
         {{QStringLiteral("A\u4E2DB"), QStringLiteral("127.0.0.2"),
           QStringLiteral("01 02 03 04 05 06")},
          {QStringLiteral("C&#12;D&#99999999;&#0000;"), QStringLiteral("127.0.0.3"),
           QStringLiteral("1.2.x.4")},
          {QString(), QStringLiteral("127.0.0.4"), QString()},
          // Decoded references bring no line breaks back.
          {QStringLiteral("xy"), QStringLiteral("127.0.0.5"),
           QStringLiteral("01 02 03 04 05 07")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kBrowseWindowName);
        configure = [&c](FakeImageServer& s) { s.searchHits = c.hits; };
        frmBrowse& browse = Load();
        EXPECT_EQ(server->Args(Id::Port), QVariantList{8481});
        ModalScript script;
        script.When(
            "the search to end", [&] { return Idle(browse); },
            [&] {
                ASSERT_EQ(browse.ListViewSearch->topLevelItemCount(),
                          static_cast<int>(c.rows.size()));
                for (size_t i = 0; i < c.rows.size(); ++i)
                    EXPECT_EQ(Row(browse, static_cast<int>(i)), c.rows[i]);
                EXPECT_EQ(browse.ListViewSearch->currentItem(),
                          browse.ListViewSearch->topLevelItem(0));
                EXPECT_TRUE(browse.cmdSearch->isEnabled());
                EXPECT_TRUE(browse.cmdAdd->isEnabled());
                EXPECT_TRUE(browse.cmdChangeIPAddress->isEnabled())
                    << "the address dialog is registered";
                EXPECT_EQ(fakeUi.busyDepth, 0);
                browse.hide();
            });
        Show(browse, script);
        EXPECT_EQ(browse.m_lCamCount, static_cast<int>(c.hits.size()));
        EXPECT_EQ(server->Count(Id::SearchServer), 1);
        EXPECT_EQ(server->Args(Id::SearchServer), (QVariantList{1, QString()}));
        // Each entry is selected before it is read.
        for (int n = 0; n < static_cast<int>(c.hits.size()); ++n)
            EXPECT_LT(server->IndexOf(Id::SelectServer, n), server->IndexOf(Id::ServerName, n));
    }
}

TEST_F(BrowseWindow, ReSearchStartsANewListAndIsRefusedToCloseWhileSearching)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                            QStringLiteral("1.2.3.4.5.6"))};
    };
    frmBrowse& browse = Load();
    bool refused = false;
    int rowsWhileSearching = -1;
    ModalScript script;
    script.When(
        "the first search to end",
        [&] { return Idle(browse) && browse.ListViewSearch->topLevelItemCount() == 1; },
        [&] {
            server->searchHits.push_back(Cam(QStringLiteral("Yard"), QStringLiteral("127.0.0.3"),
                                             QStringLiteral("1.2.3.4.5.7")));
            ModalScript::Click(browse.cmdSearch);
            rowsWhileSearching = browse.ListViewSearch->topLevelItemCount();
            // Still searching: Esc and the close box do nothing.
            QTest::keyClick(&browse, Qt::Key_Escape);
            browse.close();
            refused = browse.isVisible() && !browse.m_bCancel && !browse.cmdCancel->isEnabled();
        });
    script.When(
        "the second search to end", [&] { return Idle(browse); },
        [&] {
            EXPECT_EQ(Row(browse, 0).value(0), QStringLiteral("Door"));
            EXPECT_EQ(Row(browse, 1).value(0), QStringLiteral("Yard"));
            EXPECT_EQ(browse.ListViewSearch->topLevelItemCount(), 2);
            browse.close();  // the close box, now idle
        });
    Show(browse, script);
    EXPECT_EQ(rowsWhileSearching, 0);
    EXPECT_TRUE(refused);
    EXPECT_FALSE(browse.isVisible());
    EXPECT_TRUE(browse.m_bCancel);
    EXPECT_EQ(browse.m_lCamCount, 2);
    EXPECT_EQ(server->Count(Id::SearchServer), 2);
    EXPECT_TRUE(windows().IsLoaded(kBrowseWindowName)) << "the window never unloads itself";
}

TEST_F(BrowseWindow, OnlyTheFirstActivationSearches)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                            QStringLiteral("1.2.3.4.5.6"))};
    };
    gCam[1].IPAddress = QStringLiteral("127.0.0.2");
    frmBrowse& browse = Load();
    ModalScript script;
    script.When(
        "the search to end", [&] { return Idle(browse); },
        [&] { ModalScript::Click(browse.cmdInputIP); });
    script.OnVisible<frmAddCam>("the add dialog",
                                [](frmAddCam& d) { ModalScript::Click(d.cmdCancel); });
    script.When(
        "the search window again", [&] { return !ModalScript::Visible<frmAddCam>(); },
        [&] {
            ModalScript::Click(browse.cmdAdd);  // refused with a message: the slot holds it
        });
    script.When(
        "the refusal", [this] { return !fakeUi.messages.empty(); }, [&] { browse.hide(); });
    Show(browse, script);
    EXPECT_EQ(MessageTexts(), QStringList{Msg(7)});
    EXPECT_EQ(server->Count(Id::SearchServer), 1);
    EXPECT_EQ(browse.ListViewSearch->topLevelItemCount(), 1);
    EXPECT_FALSE(windows().IsLoaded(kAddCamWindowName));
}

TEST_F(BrowseWindow, TheVariantWithoutAddressChangeHidesItsButtonAndNeverAsks)
{
    gLanguage = QStringLiteral("TarselS");
    program.write(QStringLiteral("lang/TarselS.ini"),
                  ShippedFile(QStringLiteral("lang/english.ini")));
    configure = [](FakeImageServer& s) {
        s.searchHits = {
            Cam(QStringLiteral("A"), QStringLiteral("127.0.0.2"), QStringLiteral("1.2.3.4.5.6")),
            Cam(QStringLiteral("B"), QStringLiteral("127.0.0.2"), QStringLiteral("1.2.3.4.5.7"))};
    };
    frmBrowse& browse = Load();
    EXPECT_TRUE(browse.cmdChangeIPAddress->isHidden());
    EXPECT_EQ(browse.cmdAdd->x(), browse.cmdChangeIPAddress->x());
    AddRow(browse, 1, [](ModalScript&) {});
    EXPECT_TRUE(fakeUi.messages.empty());
    EXPECT_FALSE(openAtEnd);
    EXPECT_EQ(browse.m_sServerName, QStringLiteral("B"));
    EXPECT_EQ(server->Args(Id::SelectServer), QVariantList{1});
}

TEST_F(BrowseWindow, AddingAListedCameraFillsTheResult)
{
    struct Case {
        const char* name;
        int protocol;
        int capability;
        int loginTest;
        QString adminId;
        std::vector<int> configAnswers;  // one per prompt: what the request after it answers
        std::vector<bool> promptCancelled;
        // expected
        bool hidden;
        bool cancel;
        QStringList messages;
        int port;
        bool pt;
        int loginTests;
    };
    const Case cases[] = {
        {"an open protocol-0 camera is taken at once",
         0,
         16,
         ImageServer::kTrue,
         {},
         {},
         {},
         true,
         false,
         {},
         8481,
         true,
         1},
        {"a protocol-1 camera with an administrator asks for a log-in",
         1,
         0,
         ImageServer::kTrue,
         QStringLiteral("admin"),
         {ImageServer::kTrue},
         {false},
         true,
         false,
         {},
         80,
         false,
         1},
        {"a protocol-2 camera keeps the pan/tilt flag it had",
         2,
         0,
         ImageServer::kTrue,
         QStringLiteral("admin"),
         {ImageServer::kTrue},
         {false},
         true,
         false,
         {},
         80,
         true,
         1},
        {"a camera that refuses the log-in test asks for a log-in",
         0,
         16,
         0,
         {},
         {ImageServer::kTrue},
         {false},
         true,
         false,
         {},
         8481,
         true,
         1},
        {"protocol 4 always asks and skips the log-in test",
         4,
         0,
         0,
         {},
         {ImageServer::kTrue},
         {false},
         true,
         false,
         {},
         8080,
         true,
         0},
        {"a cancelled prompt leaves the window open and cancelled",
         4,
         0,
         0,
         {},
         {ImageServer::kTrue},
         {true},
         false,
         true,
         {},
         8080,
         true,
         0},
        {"a configuration that cannot be read",
         0,
         0,
         ImageServer::kTrue,
         QStringLiteral("admin"),
         {0},
         {false},
         false,
         true,
         {QStringLiteral("M6")},
         8481,
         false,
         1},
        {"a refused log-in asks again",
         0,
         0,
         ImageServer::kTrue,
         QStringLiteral("admin"),
         {1, ImageServer::kTrue},
         {false, false},
         true,
         false,
         {QStringLiteral("M4")},
         8481,
         false,
         1},
        {"a refused log-in, then cancelled",
         0,
         0,
         ImageServer::kTrue,
         QStringLiteral("admin"),
         {1, 1},
         {false, true},
         false,
         false,
         {QStringLiteral("M4")},
         8481,
         false,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kBrowseWindowName);
        windows().Unload(kLoginWindowName);
        fakeUi.messages.clear();
        configure = [&c](FakeImageServer& s) {
            s.searchHits = {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                                QStringLiteral("1.2.3.4.5.6")),
                            Cam(QStringLiteral("Y&#20013;"), QStringLiteral("127.0.0.3"),
                                QStringLiteral("0.30.140.0.0.7"), c.protocol)};
            s.searchHits[1].capability = c.capability;
            s.loginTestResult = c.loginTest;
            s.configItems = {{40, c.adminId}};
        };
        frmBrowse& browse = Load();
        browse.m_bPT = true;  // what a protocol-2 camera keeps
        int prompt = 0;
        AddRow(browse, 1, [&](ModalScript& script) {
            for (size_t i = 0; i < c.promptCancelled.size(); ++i)
                script.OnVisible<frmLogin>("a log-in prompt", [&, i](frmLogin& login) {
                    ++prompt;
                    server->getConfigStatus = c.configAnswers[i];
                    if (c.promptCancelled[i]) {
                        ModalScript::Click(login.cmdCancel);
                        return;
                    }
                    ModalScript::Type(login.txtUserName, QStringLiteral("ann"));
                    ModalScript::Type(login.txtPassword, QStringLiteral("pw%1").arg(i));
                    ModalScript::Click(login.cmdOK);
                });
        });
        QStringList expected;
        for (const QString& m : c.messages)
            expected << Msg(m.mid(1).toInt());
        EXPECT_EQ(MessageTexts(), expected);
        EXPECT_EQ(prompt, static_cast<int>(c.promptCancelled.size()));
        EXPECT_EQ(!openAtEnd, c.hidden);
        EXPECT_EQ(browse.m_bCancel, c.cancel);
        EXPECT_FALSE(browse.m_bBusy);
        EXPECT_TRUE(browse.cmdAdd->isEnabled());
        EXPECT_EQ(fakeUi.busyDepth, 0);
        EXPECT_EQ(server->Count(Id::LoginTest), c.loginTests);
        EXPECT_EQ(browse.m_lCamIndex, 2);
        EXPECT_EQ(browse.m_sIPAddress, QStringLiteral("127.0.0.3"));
        EXPECT_EQ(browse.m_lProtocol, c.protocol);
        EXPECT_EQ(browse.m_lPort, c.port);
        EXPECT_EQ(browse.m_bPT, c.pt);
        EXPECT_EQ(browse.m_sMACAddress, QStringLiteral("0.30.140.0.0.7"));
        EXPECT_EQ(server->macAddressValue, QStringLiteral("0.30.140.0.0.7"));
        if (c.loginTests == 0 || server->loginTestResult == ImageServer::kTrue) {
            EXPECT_EQ(browse.m_sServerName, QStringLiteral("Y\u4E2D"));
            EXPECT_EQ(browse.m_sServerModel, QStringLiteral("M-Y&#20013;"));
            EXPECT_EQ(browse.m_sLocation, QStringLiteral("Room Y&#20013;"));
            EXPECT_TRUE(browse.m_bLocalCamera);
            EXPECT_EQ(server->portValue, c.port);
            EXPECT_EQ(server->protocolValue, c.protocol);
        }
        // The entry was selected by its row number, with the search's own settings.
        EXPECT_EQ(server->Args(Id::SelectServer), QVariantList{1});
        EXPECT_LT(server->IndexOf(Id::Protocol), server->IndexOf(Id::ServerProtocol));
        const int accepted =
            static_cast<int>(std::count(c.promptCancelled.begin(), c.promptCancelled.end(), false));
        EXPECT_EQ(server->Count(Id::GetConfig), accepted);
        if (accepted > 0) {
            EXPECT_EQ(browse.m_sUserame, QStringLiteral("ann"));
            EXPECT_EQ(server->userNameValue, QStringLiteral("ann"));
            EXPECT_EQ(server->passwordValue, browse.m_sPassword);
            EXPECT_EQ(server->Count(Id::AuthText), 1)
                << "the text is cleared with the first log-in only";
        }
        // The log-in dialog goes with the end of the request; only a prompt
        // cancelled before any request leaves it loaded.
        EXPECT_EQ(windows().IsLoaded(kLoginWindowName),
                  c.promptCancelled.size() == 1 && c.promptCancelled[0]);
    }
}

TEST_F(BrowseWindow, AProtocol3CameraIsProbedAndGetsDerivedCredentials)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("V"), QStringLiteral("127.0.0.3"),
                            QStringLiteral("1.2.3.4.5.6"), 3)};
        s.probeResultValue = 1;
    };
    draws = {0.25, 0.5, 0.125, 0.0625};
    frmBrowse& browse = Load();
    AddRow(browse, 0, [](ModalScript& script) {
        script.OnVisible<frmLogin>("the prompt", [](frmLogin& login) {
            ModalScript::Type(login.txtUserName, QStringLiteral("ann"));
            ModalScript::Type(login.txtPassword, QStringLiteral("pw"));
            ModalScript::Click(login.cmdOK);
        });
    });
    EXPECT_FALSE(openAtEnd);
    EXPECT_TRUE(browse.m_bPT);
    EXPECT_EQ(browse.m_lPort, 8080);
    EXPECT_EQ(browse.m_sUserame, QStringLiteral("ann"));
    EXPECT_EQ(browse.m_sPassword, QStringLiteral("pw"));
    EXPECT_EQ(server->userNameValue, QStringLiteral("ann%3Apw"));
    EXPECT_EQ(gNonce, QStringLiteral("250050001250625"));
    EXPECT_EQ(server->passwordValue, gNonce);
    EXPECT_EQ(server->Count(Id::LoginTest), 0);
    // The probe goes to the web port.
    EXPECT_EQ(server->calls[static_cast<size_t>(server->IndexOf(Id::ProbeInit) - 1)].args,
              QVariantList{8080});
}

TEST_F(BrowseWindow, RefusesACameraASlotHoldsAndDoesNothingOnAnEmptyList)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                            QStringLiteral("1.2.3.4.5.6"))};
    };
    gCam[4].IPAddress = QStringLiteral("127.0.0.2");
    frmBrowse& browse = Load();
    AddRow(browse, 0, [](ModalScript&) {});
    EXPECT_EQ(MessageTexts(), QStringList{Msg(7)});
    EXPECT_EQ(fakeUi.messages.front().icon, MsgIcon::None);
    EXPECT_TRUE(openAtEnd);
    EXPECT_EQ(server->Count(Id::SelectServer), 1) << "only the search selected an entry";

    windows().Unload(kBrowseWindowName);
    configure = nullptr;
    frmBrowse& empty = Load();
    ModalScript script;
    script.When(
        "the search to end", [&] { return Idle(empty); },
        [&] {
            ModalScript::Click(empty.cmdAdd);
            EXPECT_FALSE(empty.m_bBusy);
            empty.hide();
        });
    Show(empty, script);
    EXPECT_EQ(server->Count(Id::ServerProtocol), 0);
}

TEST_F(BrowseWindow, AddTakesTheCameraOfTheChosenRowAlsoWhenTheRowsWereReordered)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {
            Cam(QStringLiteral("Yard"), QStringLiteral("127.0.0.3"), QStringLiteral("1.2.3.4.5.7")),
            Cam(QStringLiteral("Do&#0013;&#0010;or"), QStringLiteral("127.0.0.2"),
                QStringLiteral("1.2.3.4.5.6"))};
    };
    frmBrowse& browse = Load();
    ModalScript script;
    script.When(
        "the search to end", [&] { return Idle(browse); },
        [&] {
            browse.ListViewSearch->sortItems(0, Qt::AscendingOrder);
            ASSERT_EQ(Row(browse, 0).value(0), QStringLiteral("Door"));
            browse.ListViewSearch->setCurrentItem(browse.ListViewSearch->topLevelItem(0));
            ModalScript::Click(browse.cmdAdd);
        });
    Show(browse, script);
    EXPECT_EQ(server->Args(Id::SelectServer), QVariantList{1});
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_EQ(browse.m_sIPAddress, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(browse.m_sServerName, QStringLiteral("Door"));
}

TEST_F(BrowseWindow, ASharedAddressIsOfferedAChangeAndASecondSearchPassFollows)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {
            Cam(QStringLiteral("A"), QStringLiteral("127.0.0.2"), QStringLiteral("1.2.3.4.5.6")),
            Cam(QStringLiteral("B"), QStringLiteral("127.0.0.2"), QStringLiteral("1.2.3.4.5.7"))};
    };
    ChangeIPSeen seen;
    QPointer<FakeChangeIPDialog> change;
    windows().Register(kChangeIPAddressWindowName, [&] {
        change = new FakeChangeIPDialog(seen);
        return change.data();
    });

    // "No" ends the add.
    frmBrowse& browse = Load();
    fakeUi.answers = {MsgResult::No};
    AddRow(browse, 1, [](ModalScript&) {});
    EXPECT_EQ(MessageTexts(), QStringList{Msg(5)});
    EXPECT_EQ(fakeUi.messages.front().buttons, MsgButtons::YesNo);
    EXPECT_TRUE(openAtEnd);
    EXPECT_EQ(server->Count(Id::SetNetwork), 0);
    EXPECT_EQ(seen.shows, 0);
    EXPECT_TRUE(browse.cmdChangeIPAddress->isEnabled()) << "the address dialog is there";

    // "Yes", then the address dialog is cancelled: the add ends there too.
    seen.cancel = true;
    fakeUi.messages.clear();
    ModalScript cancelled;
    cancelled.When(
        "idle", [&] { return Idle(browse); },
        [&] {
            browse.ListViewSearch->setCurrentItem(browse.ListViewSearch->topLevelItem(0));
            ModalScript::Click(browse.cmdAdd);
            browse.hide();
        });
    Show(browse, cancelled);
    EXPECT_EQ(seen.shows, 1);
    EXPECT_EQ(server->Count(Id::SetNetwork), 0);
    EXPECT_FALSE(browse.m_bBusy);
    EXPECT_EQ(server->Count(Id::LoginTest), 0);
    seen.cancel = false;

    // "Yes", and the camera refuses the change: the next search runs two passes.
    windows().Unload(kBrowseWindowName);
    fakeUi.messages.clear();
    configure = [prev = configure](FakeImageServer& s) {
        prev(s);
        s.networkResult = 0;
    };
    frmBrowse& again = Load();
    AddRow(again, 1, [](ModalScript&) {});
    EXPECT_EQ(MessageTexts(), (QStringList{Msg(5), Msg(1)}));
    EXPECT_TRUE(openAtEnd);
    EXPECT_EQ(server->Args(Id::SetNetwork),
              (QVariantList{QStringLiteral("127.0.0.50"), QStringLiteral("255.255.255.0"),
                            QStringLiteral("0.0.0.0")}));
    EXPECT_EQ(fakeUi.pumpedSleeps, std::vector<int>{15000});
    EXPECT_EQ(fakeUi.busyDepth, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(change.isNull()) << "the address dialog is unloaded whatever the outcome";

    ModalScript script;
    script.When(
        "idle", [&] { return Idle(again); }, [&] { ModalScript::Click(again.cmdSearch); });
    script.When(
        "both passes to end", [&] { return Idle(again); },
        [&] {
            // The second pass finds both again: each is listed once.
            again.hide();
            ASSERT_EQ(again.ListViewSearch->topLevelItemCount(), 2);
            EXPECT_EQ(Row(again, 0).value(0), QStringLiteral("A"));
            EXPECT_EQ(Row(again, 1).value(0), QStringLiteral("B"));
        });
    const int searchesBefore = server->Count(Id::SearchServer);
    Show(again, script);
    EXPECT_EQ(server->Count(Id::SearchServer), searchesBefore + 2);
    EXPECT_EQ(server->Args(Id::SearchServer), (QVariantList{2, QString()}))
        << "the second pass adds to the list";
    EXPECT_EQ(again.m_lCamCount, 4);
    // The entries were read by their running numbers.
    EXPECT_EQ(server->Args(Id::SelectServer), QVariantList{3});

    // "Yes", the change is accepted: the camera is taken at its new address.
    windows().Unload(kBrowseWindowName);
    fakeUi.messages.clear();
    configure = [](FakeImageServer& s) {
        s.searchHits = {
            Cam(QStringLiteral("A"), QStringLiteral("127.0.0.2"), QStringLiteral("1.2.3.4.5.6")),
            Cam(QStringLiteral("B"), QStringLiteral("127.0.0.2"), QStringLiteral("1.2.3.4.5.7"))};
    };
    frmBrowse& third = Load();
    AddRow(third, 0, [](ModalScript&) {});
    EXPECT_FALSE(openAtEnd);
    EXPECT_EQ(third.m_sIPAddress, QStringLiteral("127.0.0.50"));
    EXPECT_EQ(server->ipAddressValue, QStringLiteral("127.0.0.50"));
    EXPECT_EQ(seen.shows, 3);
    EXPECT_TRUE(seen.manualOnly);
    EXPECT_TRUE(change.isNull());
    EXPECT_EQ(seen.shown,
              (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("01 02 03 04 05 06"),
                           QStringLiteral("255.255.255.0"), QStringLiteral("0.0.0.0")}));
}

TEST_F(BrowseWindow, LogInDetailsOfOneCameraNeverTravelToTheNext)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("P4"), QStringLiteral("127.0.0.2"),
                            QStringLiteral("1.2.3.4.5.6"), 4),
                        Cam(QStringLiteral("Open"), QStringLiteral("127.0.0.3"),
                            QStringLiteral("1.2.3.4.5.7"), 0)};
        s.getConfigStatus = 0;  // the first camera's configuration cannot be read
    };
    frmBrowse& browse = Load();
    AddRow(browse, 0, [](ModalScript& script) {
        script.OnVisible<frmLogin>("the prompt", [](frmLogin& login) {
            ModalScript::Type(login.txtUserName, QStringLiteral("ann"));
            ModalScript::Type(login.txtPassword, QStringLiteral("pw"));
            ModalScript::Click(login.cmdOK);
        });
    });
    ASSERT_TRUE(openAtEnd);
    ASSERT_EQ(browse.m_sUserame, QStringLiteral("ann"));

    // The open camera is taken without a log-in: its result carries no user.
    ModalScript script;
    script.When(
        "idle", [&] { return !browse.m_bBusy; },
        [&] {
            browse.ListViewSearch->setCurrentItem(browse.ListViewSearch->topLevelItem(1));
            ModalScript::Click(browse.cmdAdd);
        });
    Show(browse, script);
    EXPECT_FALSE(browse.isVisible());
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_TRUE(browse.m_sUserame.isEmpty());
    EXPECT_TRUE(browse.m_sPassword.isEmpty());
    EXPECT_TRUE(server->userNameValue.isEmpty());
    EXPECT_LT(server->LastIndexOf(Id::UserName), server->LastIndexOf(Id::LoginTest));
}

TEST_F(BrowseWindow, InputIPTakesTheAddedCameraAsItIsReported)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                            QStringLiteral("1.2.3.4.5.6"))};
        s.identity = Cam(QStringLiteral("N&#20013;"), QStringLiteral("127.0.0.2"),
                         QStringLiteral("1.2.3.4.5.9"), 4);
        s.identity.port = 9000;
    };
    frmBrowse& browse = Load();
    ModalScript script;
    // First the operator changes their mind...
    script.When(
        "the search to end", [&] { return Idle(browse); },
        [&] { ModalScript::Click(browse.cmdInputIP); });
    script.OnVisible<frmAddCam>("the add dialog",
                                [](frmAddCam& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    // ...then adds a camera of the list by its address.
    script.When(
        "the search window", [&] { return !ModalScript::Visible<frmAddCam>(); },
        [&] {
            EXPECT_TRUE(browse.isVisible());
            EXPECT_FALSE(browse.m_bCancel);
            ModalScript::Click(browse.cmdInputIP);
        });
    script.OnVisible<frmAddCam>("the add dialog", [](frmAddCam& d) {
        ModalScript::Type(d.txtIPAddress, QStringLiteral("127.0.0.2:9000"));
        ModalScript::Click(d.cmdAdd);
    });
    script.OnVisible<frmLogin>("the prompt", [](frmLogin& login) {
        ModalScript::Type(login.txtUserName, QStringLiteral("ann"));
        ModalScript::Type(login.txtPassword, QStringLiteral("pw"));
        ModalScript::Click(login.cmdOK);
    });
    Show(browse, script);
    EXPECT_FALSE(browse.isVisible());
    EXPECT_FALSE(browse.m_bCancel);
    EXPECT_EQ(browse.m_sIPAddress, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(browse.m_lPort, 9000);
    EXPECT_EQ(server->portValue, 9000);
    EXPECT_EQ(browse.m_lProtocol, 4);
    EXPECT_TRUE(browse.m_bLocalCamera);
    EXPECT_EQ(browse.m_sServerName, QStringLiteral("N&#20013;")) << "taken as reported";
    EXPECT_EQ(browse.m_sMACAddress, QStringLiteral("1.2.3.4.5.9"));
    EXPECT_EQ(browse.m_sServerModel, QStringLiteral("M-N&#20013;"));
    EXPECT_EQ(browse.m_sUserame, QStringLiteral("ann"));
    EXPECT_EQ(browse.m_sPassword, QStringLiteral("pw"));
    EXPECT_FALSE(windows().IsLoaded(kAddCamWindowName));
    EXPECT_EQ(server->Count(Id::SearchServer), 1);
}

TEST_F(BrowseWindow, AFailingCameraObjectIsReportedAndTheWindowRecovers)
{
    configure = [](FakeImageServer& s) {
        s.searchHits = {Cam(QStringLiteral("Door"), QStringLiteral("127.0.0.2"),
                            QStringLiteral("1.2.3.4.5.6"))};
        s.throwOn = {Id::LoginTest};
    };
    frmBrowse& browse = Load();
    AddRow(browse, 0, [](ModalScript&) {});
    EXPECT_EQ(MessageTexts(), QStringList{QStringLiteral("Error cmdAdd_Click function")});
    EXPECT_TRUE(openAtEnd);
    EXPECT_FALSE(browse.m_bBusy);
    EXPECT_TRUE(browse.cmdCancel->isEnabled());
    EXPECT_EQ(fakeUi.busyDepth, 0);
}

TEST_F(BrowseWindow, TakesItsTextsFromTheCaptionFileOrKeepsItsOwn)
{
    {
        frmBrowse& browse = Load();
        EXPECT_EQ(browse.windowTitle(),
                  Caption(QStringLiteral("frmBrowse"), QStringLiteral("Caption")));
        EXPECT_EQ(browse.cmdSearch->text(),
                  Caption(QStringLiteral("frmBrowse"), QStringLiteral("cmdSearch")));
        EXPECT_EQ(browse.ListViewSearch->headerItem()->text(2),
                  Caption(QStringLiteral("frmBrowse"), QStringLiteral("colMACAddress")));
    }
    windows().Unload(kBrowseWindowName);
    program.remove(QStringLiteral("lang/english.ini"));
    frmBrowse& bare = Load();
    EXPECT_EQ(bare.windowTitle(), QStringLiteral("Browse"));
    EXPECT_EQ(bare.cmdSearch->text(), QStringLiteral("&ReSearch"));
    EXPECT_EQ(bare.ListViewSearch->headerItem()->text(1), QStringLiteral("IP Address"));
}

}  // namespace
