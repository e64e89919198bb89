// The camera log-in dialog, driven as an operator would: typing, OK, Cancel,
// Esc and the close box.
#include "discovery/frm_login.h"
#include "discovery_fixture.h"

#include <QLabel>

namespace {

class LoginDialog : public DiscoveryFixture {
protected:
    frmLogin& Load() { return *windows().Get<frmLogin>(kLoginWindowName); }
};

enum class Leave { OK, Cancel, Esc, CloseBox };

TEST_F(LoginDialog, HandsBackWhatWasTypedOnlyOnOK)
{
    struct Case {
        const char* name;
        QString user, password;  // typed
        Leave leave;
        bool wantCancel;
        QString wantUser, wantPassword;
    };
    const Case cases[] = {
        {"OK with both boxes empty", {}, {}, Leave::OK, false, {}, {}},
        {"OK with a user and a password", QStringLiteral("admin"), QStringLiteral("s3cret"),
         Leave::OK, false, QStringLiteral("admin"), QStringLiteral("s3cret")},
        {"Cancel keeps the fields", QStringLiteral("x"), QStringLiteral("y"), Leave::Cancel, true,
         QStringLiteral("old user"), QStringLiteral("old password")},
        {"Esc is Cancel", QStringLiteral("x"), QStringLiteral("y"), Leave::Esc, true,
         QStringLiteral("old user"), QStringLiteral("old password")},
        {"the close box is Cancel", QStringLiteral("x"), QStringLiteral("y"), Leave::CloseBox, true,
         QStringLiteral("old user"), QStringLiteral("old password")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kLoginWindowName);
        frmLogin& login = Load();
        login.m_sUserName = QStringLiteral("old user");
        login.m_sPassword = QStringLiteral("old password");
        ModalScript script;
        script.OnVisible<frmLogin>("the log-in dialog", [&](frmLogin& d) {
            ModalScript::Type(d.txtUserName, c.user);
            ModalScript::Type(d.txtPassword, c.password);
            switch (c.leave) {
            case Leave::OK:
                ModalScript::Click(d.cmdOK);
                break;
            case Leave::Cancel:
                ModalScript::Click(d.cmdCancel);
                break;
            case Leave::Esc:
                QTest::keyClick(&d, Qt::Key_Escape);
                break;
            case Leave::CloseBox:
                d.close();
                break;
            }
        });
        login.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
        EXPECT_FALSE(login.isVisible());
        EXPECT_EQ(login.m_bCancel, c.wantCancel);
        EXPECT_EQ(login.m_sUserName, c.wantUser);
        EXPECT_EQ(login.m_sPassword, c.wantPassword);
    }
}

TEST_F(LoginDialog, BoxesTakeTwelveCharactersAndHideThePassword)
{
    frmLogin& login = Load();
    ModalScript script;
    script.OnVisible<frmLogin>("the log-in dialog", [](frmLogin& d) {
        ModalScript::Type(d.txtUserName, QStringLiteral("abcdefghijklmnop"));
        ModalScript::Type(d.txtPassword, QStringLiteral("0123456789ABCDEF"));
        ModalScript::Click(d.cmdOK);
    });
    login.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_EQ(login.m_sUserName, QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(login.m_sPassword, QStringLiteral("0123456789AB"));
    EXPECT_EQ(login.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_NE(login.txtPassword->displayText(), login.txtPassword->text());
}

TEST_F(LoginDialog, ADialogLeftLoadedShowsThePreviousEntries)
{
    frmLogin& login = Load();
    ModalScript first;
    first.OnVisible<frmLogin>("the first prompt", [](frmLogin& d) {
        ModalScript::Type(d.txtUserName, QStringLiteral("ann"));
        ModalScript::Type(d.txtPassword, QStringLiteral("pw"));
        ModalScript::Click(d.cmdOK);
    });
    login.ShowModal(nullptr);
    ASSERT_TRUE(first.Complete()) << first.Failure().toStdString();

    QString shownUser, shownPassword;
    ModalScript second;
    second.OnVisible<frmLogin>("the second prompt", [&](frmLogin& d) {
        shownUser = d.txtUserName->text();
        shownPassword = d.txtPassword->text();
        ModalScript::Click(d.cmdOK);
    });
    login.ShowModal(nullptr);
    ASSERT_TRUE(second.Complete()) << second.Failure().toStdString();
    EXPECT_EQ(shownUser, QStringLiteral("ann"));
    EXPECT_EQ(shownPassword, QStringLiteral("pw"));

    // A fresh dialog starts empty.
    windows().Unload(kLoginWindowName);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Load().txtUserName->text().isEmpty());
}

TEST_F(LoginDialog, TakesItsTextsFromTheCaptionFileOrKeepsItsOwn)
{
    {
        frmLogin& login = Load();
        EXPECT_EQ(login.windowTitle(),
                  Caption(QStringLiteral("frmLogin"), QStringLiteral("Caption")));
        EXPECT_EQ(login.lblPassword->text(),
                  Caption(QStringLiteral("frmLogin"), QStringLiteral("lblPassword")));
        EXPECT_FALSE(login.windowTitle().isEmpty());
    }
    windows().Unload(kLoginWindowName);
    program.remove(QStringLiteral("lang/english.ini"));
    frmLogin& bare = Load();
    EXPECT_FALSE(bare.LoadLanguage());
    EXPECT_EQ(bare.windowTitle(), QStringLiteral("Login Camera"));
    EXPECT_EQ(bare.cmdOK->text(), QStringLiteral("&OK"));
}

}  // namespace
