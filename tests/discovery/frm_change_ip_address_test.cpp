// The network address dialog driven as an operator would: every way OK refuses
// an entry (its message, the box it selects, what is probed), what an accepted
// entry hands back, DHCP, and the address reading on its own.
#include "discovery/frm_browse.h"
#include "discovery/frm_change_ip_address.h"
#include "discovery_fixture.h"

#include <QLabel>
#include <QRadioButton>

namespace {

enum class Box { None, Address, Mask, Gateway };

class AddressDialog : public DiscoveryFixture {
protected:
    // The search window is open, as whenever the dialog is used: its image
    // server answers the in-use probe.
    AddressDialog() : browse(*windows().Get<frmBrowse>(kBrowseWindowName)) {}

    FakeImageServer& Probe() { return static_cast<FakeImageServer&>(browse.ImageServer1()); }

    // A fresh dialog holding the caller's values of a camera at 192.168.0.20.
    frmChangeIPAddress& Load()
    {
        windows().Unload(kChangeIPAddressWindowName);
        auto& d = *windows().Get<frmChangeIPAddress>(kChangeIPAddressWindowName);
        d.m_sMACAddress = QStringLiteral("0.17.34.51.68.85");
        d.m_sIPAddress = kOwnAddress;
        d.m_sSubnetMask = QStringLiteral("255.255.255.0");
        d.m_sDefaultGateway = QStringLiteral("192.168.0.1");
        return d;
    }
    static QLineEdit* BoxOf(frmChangeIPAddress& d, Box box)
    {
        switch (box) {
        case Box::Address:
            return d.txtIPAddress;
        case Box::Mask:
            return d.txtSubnetMask;
        case Box::Gateway:
            return d.txtDefaultGateway;
        case Box::None:
            break;
        }
        return nullptr;
    }
    static QString Msg(int n)
    {
        return n == 0 ? QString()
                      : Caption(QStringLiteral("frmChangeIPAddress"),
                                QStringLiteral("Message%1").arg(n));
    }

    static inline const QString kOwnAddress = QStringLiteral("192.168.0.20");
    frmBrowse& browse;
};

TEST_F(AddressDialog, OKRefusesEachBadEntryWithItsMessageAndSelectsItsBox)
{
    struct Fields {
        QString address, mask, gateway;
    };
    struct Case {
        const char* name;
        bool dhcp;
        Fields typed;
        std::deque<int> probes;  // what the network answers, in turn
        int message;             // 0: accepted
        Box selected;
        int probed;         // probes made
        Fields handedBack;  // a refusal keeps the caller's
    };
    const QString mask = QStringLiteral("255.255.255.0");
    const QString gateway = QStringLiteral("192.168.0.1");
    const QString fresh = QStringLiteral("192.168.0.30");
    const Fields kept{kOwnAddress, mask, gateway};
    const Case cases[] = {
        {"an empty address", false, {{}, mask, gateway}, {}, 1, Box::Address, 0, kept},
        {"an address of blanks is empty",
         false,
         {QStringLiteral("   "), mask, gateway},
         {},
         1,
         Box::Address,
         0,
         kept},
        {"three parts",
         false,
         {QStringLiteral("192.168.0"), mask, gateway},
         {},
         2,
         Box::Address,
         0,
         kept},
        {"a part above 255 in the pattern's shape",
         false,
         {QStringLiteral("192.168.0.256"), mask, gateway},
         {},
         2,
         Box::Address,
         0,
         kept},
        {"a name",
         false,
         {QStringLiteral("cam.local"), mask, gateway},
         {},
         2,
         Box::Address,
         0,
         kept},
        {"the address is judged before the other boxes",
         false,
         {QStringLiteral("x"), {}, {}},
         {},
         2,
         Box::Address,
         0,
         kept},
        {"an empty mask, whatever the gateway",
         false,
         {fresh, {}, QStringLiteral("bad")},
         {},
         3,
         Box::Mask,
         0,
         kept},
        {"a mask of five parts",
         false,
         {fresh, QStringLiteral("255.255.255.0.0"), gateway},
         {},
         4,
         Box::Mask,
         0,
         kept},
        {"an empty gateway", false, {fresh, mask, {}}, {}, 5, Box::Gateway, 0, kept},
        {"a gateway part above 255",
         false,
         {fresh, mask, QStringLiteral("192.168.0.999")},
         {},
         6,
         Box::Gateway,
         0,
         kept},
        {"something answers at once",
         false,
         {fresh, mask, gateway},
         {ImageServer::kTrue},
         7,
         Box::Address,
         1,
         kept},
        {"something answers only the second time",
         false,
         {fresh, mask, gateway},
         {0, ImageServer::kTrue},
         7,
         Box::Address,
         2,
         kept},
        {"nothing answers",
         false,
         {fresh, mask, gateway},
         {0, 0},
         0,
         Box::None,
         2,
         {fresh, mask, gateway}},
        {"blanks around the values are dropped",
         false,
         {QStringLiteral("  192.168.0.30 "), QStringLiteral(" 255.255.0.0"),
          QStringLiteral("192.168.0.254  ")},
         {0, 0},
         0,
         Box::None,
         2,
         {fresh, QStringLiteral("255.255.0.0"), QStringLiteral("192.168.0.254")}},
        {"the camera's own address is not probed",
         false,
         {kOwnAddress, QStringLiteral("255.255.0.0"), gateway},
         {ImageServer::kTrue, ImageServer::kTrue},
         0,
         Box::None,
         0,
         {kOwnAddress, QStringLiteral("255.255.0.0"), gateway}},
        {"DHCP tests nothing and keeps the caller's values",
         true,
         {{}, QStringLiteral("bad"), {}},
         {ImageServer::kTrue},
         0,
         Box::None,
         0,
         kept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakeUi.messages.clear();
        Probe().calls.clear();
        Probe().probeAddressAnswers = c.probes;
        frmChangeIPAddress& dialog = Load();
        bool openAfterOK = false;
        bool boxSelected = false;
        ModalScript script;
        script.OnVisible<frmChangeIPAddress>("the address dialog", [&](frmChangeIPAddress& d) {
            ModalScript::Type(d.txtIPAddress, c.typed.address);
            ModalScript::Type(d.txtSubnetMask, c.typed.mask);
            ModalScript::Type(d.txtDefaultGateway, c.typed.gateway);
            if (c.dhcp)
                d.optDHCP->click();
            ModalScript::Click(d.cmdOK);
            openAfterOK = d.isVisible();
            if (QLineEdit* box = BoxOf(d, c.selected))
                boxSelected = box->hasFocus() && box->selectedText() == box->text();
            if (openAfterOK)
                ModalScript::Click(d.cmdCancel);
        });
        dialog.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();

        EXPECT_EQ(dialog.optDHCP->isChecked(), c.dhcp);
        EXPECT_EQ(Probe().Count(ImageServer::Dispid::ProbeAddress), c.probed);
        if (c.probed > 0) {
            EXPECT_EQ(Probe().Args(ImageServer::Dispid::ProbeAddress), (QVariantList{fresh, 80}));
        }
        EXPECT_EQ(dialog.m_sIPAddress, c.handedBack.address);
        EXPECT_EQ(dialog.m_sSubnetMask, c.handedBack.mask);
        EXPECT_EQ(dialog.m_sDefaultGateway, c.handedBack.gateway);
        if (c.message != 0) {
            ASSERT_EQ(fakeUi.messages.size(), 1u);
            EXPECT_EQ(fakeUi.messages[0].text, Msg(c.message));
            EXPECT_EQ(fakeUi.messages[0].icon, MsgIcon::Warning);
            EXPECT_EQ(fakeUi.messages[0].title, gAppTitle);
            EXPECT_TRUE(openAfterOK) << "a refused entry leaves the dialog open";
            EXPECT_TRUE(boxSelected) << "the box at fault has the focus, its text selected";
            EXPECT_TRUE(dialog.m_bCancel) << "left by Cancel afterwards";
        } else {
            EXPECT_TRUE(fakeUi.messages.empty());
            EXPECT_FALSE(openAfterOK);
            EXPECT_FALSE(dialog.m_bCancel);
        }
    }
}

TEST_F(AddressDialog, ARefusedEntryKeepsTheOperatorsEditsForTheNextTry)
{
    frmChangeIPAddress& dialog = Load();
    QString addressAfterRefusal;
    ModalScript script;
    script.OnVisible<frmChangeIPAddress>("the address dialog", [&](frmChangeIPAddress& d) {
        ModalScript::Type(d.txtIPAddress, QStringLiteral("192.168.0.31"));
        ModalScript::Type(d.txtDefaultGateway, {});
        ModalScript::Click(d.cmdOK);  // the gateway is missing
        addressAfterRefusal = d.txtIPAddress->text();
        ModalScript::Type(d.txtDefaultGateway, QStringLiteral("192.168.0.2"));
        ModalScript::Click(d.cmdOK);
    });
    dialog.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_EQ(MessageTexts(), QStringList{Msg(5)});
    EXPECT_EQ(addressAfterRefusal, QStringLiteral("192.168.0.31"));
    EXPECT_FALSE(dialog.m_bCancel);
    EXPECT_EQ(dialog.m_sIPAddress, QStringLiteral("192.168.0.31"));
    EXPECT_EQ(dialog.m_sDefaultGateway, QStringLiteral("192.168.0.2"));
}

TEST_F(AddressDialog, CheckIPFormatReadsEachPartAsANumberFrom0To255)
{
    struct Case {
        const char* text;
        bool want;
    };
    const Case cases[] = {
        {"", false},
        {"0.0.0.0", true},
        {"255.255.255.255", true},
        {"192.168.0.256", false},
        {"1.2.3", true},          // the number of parts is the pattern's matter
        {"1..2", true},           // an empty part reads as 0
        {"a.b.c.d", true},        // so does a part without a number
        {"10.-1.0.1", false},     // a sign is read: -1 is outside
        {"10.3e2.0.1", false},    // an exponent is read: 300
        {"10.2e2.0.1", true},     // 200
        {"10.&HFF.0.1", true},    // hexadecimal: 255
        {"10.&H100.0.1", false},  // 256
        {" 10. 20.30 .40", true},
        {"4294967296.0.0.1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frmChangeIPAddress::CheckIPFormat(QString::fromLatin1(c.text)), c.want)
            << '"' << c.text << '"';
}

TEST_F(AddressDialog, WithoutItsCaptionsTheDialogShowsItsOwnTexts)
{
    program.remove(QStringLiteral("lang/english.ini"));
    frmChangeIPAddress& d = Load();
    EXPECT_FALSE(d.LoadLanguage());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Change IP Address"));
    EXPECT_EQ(d.optDHCP->text(), QStringLiteral("DHCP"));
    EXPECT_EQ(d.optInputIP->text(), QStringLiteral("Input IP by manual"));
    EXPECT_EQ(d.lblIPAddress->text(), QStringLiteral("&IP Address:"));
    EXPECT_EQ(d.lblDefaultGateway->text(), QStringLiteral("&Default Gateway:"));
    EXPECT_TRUE(d.optInputIP->isChecked()) << "a manual address is chosen at load";
    EXPECT_TRUE(d.txtIPAddress->isEnabled());
}

}  // namespace
