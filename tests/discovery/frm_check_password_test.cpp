// The administrator check against the pair the caller read from the camera
// (mode 0), driven as an operator would: the ID is judged first, then the
// password, each exactly as typed; the camera is not asked.
#include "discovery/frm_check_password.h"
#include "discovery_fixture.h"

namespace {

class StoredPairCheck : public DiscoveryFixture {
protected:
    frmCheckPassword& Load(const QString& id, const QString& password)
    {
        windows().Unload(kCheckPasswordWindowName);
        auto& d = *windows().Get<frmCheckPassword>(kCheckPasswordWindowName);
        d.m_lMode = 0;
        d.AdminID = id;
        d.Password = password;
        return d;
    }
    static QString Msg(int n)
    {
        return Caption(QStringLiteral("frmCheckPassword"), QStringLiteral("Message%1").arg(n));
    }
};

enum class Box { None, AdminID, Password };

TEST_F(StoredPairCheck, TheIDIsComparedFirstThenThePasswordBothExactly)
{
    struct Case {
        const char* name;
        QString storedId, storedPassword;
        QString typedId, typedPassword;
        int message;  // 0: passed
        Box selected;
    };
    const QString admin = QStringLiteral("admin");
    const QString secret = QStringLiteral("Secret");
    const Case cases[] = {
        {"the right pair", admin, secret, admin, secret, 0, Box::None},
        {"a wrong ID", admin, secret, QStringLiteral("root"), secret, 2, Box::AdminID},
        {"both wrong: the ID is reported", admin, secret, QStringLiteral("root"),
         QStringLiteral("x"), 2, Box::AdminID},
        {"the ID's case counts", admin, secret, QStringLiteral("Admin"), secret, 2, Box::AdminID},
        {"a blank after the ID counts", admin, secret, QStringLiteral("admin "), secret, 2,
         Box::AdminID},
        {"a wrong password", admin, secret, admin, QStringLiteral("secret"), 1, Box::Password},
        {"a blank before the password counts", admin, secret, admin, QStringLiteral(" Secret"), 1,
         Box::Password},
        {"an empty password where one is stored", admin, secret, admin, {}, 1, Box::Password},
        {"a password typed where none is stored",
         admin,
         {},
         admin,
         QStringLiteral("x"),
         1,
         Box::Password},
        {"an empty stored pair takes empty boxes", {}, {}, {}, {}, 0, Box::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakeUi.messages.clear();
        frmCheckPassword& dialog = Load(c.storedId, c.storedPassword);
        bool openAfterOK = false, cancelAfterOK = true, approvedAfterOK = false;
        bool boxSelected = false;
        ModalScript script;
        script.OnVisible<frmCheckPassword>("the administrator check", [&](frmCheckPassword& d) {
            ModalScript::Type(d.txtAdminID, c.typedId);
            ModalScript::Type(d.txtPassword, c.typedPassword);
            ModalScript::Click(d.cmdOK);
            openAfterOK = d.isVisible();
            cancelAfterOK = d.Cancel;
            approvedAfterOK = d.Approbation;
            QLineEdit* box = c.selected == Box::AdminID    ? d.txtAdminID
                             : c.selected == Box::Password ? d.txtPassword
                                                           : nullptr;
            if (box)
                boxSelected = box->hasFocus() && box->selectedText() == box->text();
            if (openAfterOK)
                ModalScript::Click(d.cmdCancel);
        });
        dialog.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();

        EXPECT_FALSE(cancelAfterOK);
        if (c.message == 0) {
            EXPECT_TRUE(fakeUi.messages.empty());
            EXPECT_FALSE(openAfterOK);
            EXPECT_TRUE(approvedAfterOK);
            EXPECT_FALSE(dialog.Cancel);
        } else {
            ASSERT_EQ(fakeUi.messages.size(), 1u);
            EXPECT_EQ(fakeUi.messages[0].text, Msg(c.message));
            EXPECT_EQ(fakeUi.messages[0].icon, MsgIcon::None);
            EXPECT_EQ(fakeUi.messages[0].title, gAppTitle);
            EXPECT_TRUE(openAfterOK) << "a wrong value can be typed again";
            EXPECT_FALSE(approvedAfterOK);
            EXPECT_TRUE(boxSelected) << "the box at fault has the focus, its text selected";
            EXPECT_TRUE(dialog.Cancel) << "left by Cancel afterwards";
            EXPECT_FALSE(dialog.Approbation);
        }
        const auto& own = static_cast<const FakeImageServer&>(dialog.ImageServer1());
        EXPECT_EQ(own.Count(ImageServer::Dispid::LoginTest), 0);
        EXPECT_EQ(own.Count(ImageServer::Dispid::CheckAdmin), 0);
        EXPECT_EQ(own.Count(ImageServer::Dispid::CheckIP), 0);
    }
}

TEST_F(StoredPairCheck, AWrongTryIsFollowedByARightOne)
{
    frmCheckPassword& dialog = Load(QStringLiteral("admin"), QStringLiteral("pw"));
    ModalScript script;
    script.OnVisible<frmCheckPassword>("the administrator check", [](frmCheckPassword& d) {
        ModalScript::Type(d.txtAdminID, QStringLiteral("admin"));
        ModalScript::Type(d.txtPassword, QStringLiteral("wrong"));
        ModalScript::Click(d.cmdOK);
        ModalScript::Type(d.txtPassword, QStringLiteral("pw"));
        ModalScript::Click(d.cmdOK);
    });
    dialog.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_EQ(MessageTexts(), QStringList{Msg(1)});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Cancel);
    EXPECT_TRUE(dialog.Approbation);
}

}  // namespace
