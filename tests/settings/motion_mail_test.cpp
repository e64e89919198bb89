// The motion settings and the e-mail settings driven as an operator would:
// what they show, what OK stores, pushes (in order, to the right object) and
// saves, the interval check, and that Cancel changes nothing.
#include "settings/frm_email_setting.h"
#include "settings/frm_motion_setting.h"
#include "settings_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>

namespace {

class MotionAndMail : public SettingsFixture {
protected:
    MotionAndMail() { gCurCam = 2; }
    frmMotionSetting& Motion(std::function<void(frmMotionSetting&)> act)
    {
        return Run<frmMotionSetting>(kMotionSettingWindowName, act);
    }
    frmEMailSetting& Mail(std::function<void(frmEMailSetting&)> act)
    {
        return Run<frmEMailSetting>(kEMailSettingWindowName, act);
    }
};

TEST_F(MotionAndMail, MotionOKSendsTheFlagWordToTheSlotsCameraObject)
{
    struct Case {
        int protocol, recordMode;
        bool alarm, mail;
        int sensitivity, wantFlags;
    };
    const Case cases[] = {
        {0, 3, false, false, 7, 8}, {1, 1, true, true, 1, 5},  {2, 0, true, false, 10, 1},
        {4, 3, false, true, 5, 12}, {3, 3, true, true, 3, 13}, {3, 0, false, false, 9, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "protocol " << c.protocol << " mode " << c.recordMode);
        windows().Unload(kMotionSettingWindowName);
        QFile::remove(MainIniPath());
        CamInfo& slot = gCam[2];
        slot.Protocol = c.protocol;
        slot.RecordMode = c.recordMode;
        slot.Sensitivity = 5;
        slot.Alarm = c.alarm ? 0 : 1;
        slot.SendEmail = c.mail ? 0 : 1;
        ClearCalls();
        Motion([&](frmMotionSetting& d) {
            EXPECT_EQ(d.sldSensitivity->value(), 5);
            EXPECT_EQ(d.chkAlarm->isChecked(), !c.alarm);
            d.sldSensitivity->setValue(c.sensitivity);
            d.chkAlarm->setChecked(c.alarm);
            d.chkEMail->setChecked(c.mail);
            ModalScript::Click(d.cmdOK);
        });
        EXPECT_EQ(slot.Sensitivity, c.sensitivity);
        EXPECT_EQ(slot.Alarm, c.alarm ? 1 : 0);
        EXPECT_EQ(slot.SendEmail, c.mail ? 1 : 0);
        if (c.protocol == 3) {
            EXPECT_EQ(viewer(2).Sequence(),
                      (std::vector<ViewerId>{ViewerId::AlarmFlags, ViewerId::Sensitivity}));
            EXPECT_EQ(viewer(2).alarmFlagsValue, c.wantFlags);
            EXPECT_EQ(viewer(2).sensitivity, c.sensitivity);
            EXPECT_TRUE(cam(2).calls.empty());
        } else {
            EXPECT_EQ(cam(2).Sequence(),
                      (std::vector<CamId>{CamId::Sensitivity, CamId::AlarmFlags}));
            EXPECT_EQ(cam(2).alarmFlagsValue, c.wantFlags);
            EXPECT_EQ(cam(2).sensitivity, c.sensitivity);
            EXPECT_TRUE(viewer(2).calls.empty());
        }
        for (const int other : {1, 3, 4})
            EXPECT_TRUE(cam(other).calls.empty() && viewer(other).calls.empty()) << other;
        EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("Sensitivity")),
                  QString::number(c.sensitivity));
        EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("SendEmail")), c.mail ? "1" : "0");
    }
}

TEST_F(MotionAndMail, MotionCancelChangesNothingButTheMailDialogsOKStays)
{
    gCam[2].Sensitivity = 4;
    gCam[2].MailServer = QStringLiteral("old.smtp");
    Motion([](frmMotionSetting& d) {
        EXPECT_EQ(d.windowTitle(),
                  Caption(QStringLiteral("frmMotionSetting"), QStringLiteral("Caption")));
        EXPECT_FALSE(d.chkInvokeOutputTrigger1->isEnabled());
        EXPECT_FALSE(d.cmdOutputTrig2Setting->isEnabled());
        d.sldSensitivity->setValue(9);
        d.chkAlarm->setChecked(true);
        ModalScript mail;
        mail.OnVisible<frmEMailSetting>("the mail dialog", [](frmEMailSetting& m) {
            ModalScript::Type(m.txtMailServer, QStringLiteral("smtp.lan"));
            ModalScript::Click(m.cmdOK);
        });
        ModalScript::Click(d.cmdEMailSetting);
        EXPECT_TRUE(mail.Complete()) << mail.Failure().toStdString();
        EXPECT_FALSE(windows().IsLoaded(kEMailSettingWindowName));
        ModalScript::Click(d.cmdCancel);
    });
    EXPECT_EQ(gCam[2].Sensitivity, 4);
    EXPECT_EQ(gCam[2].Alarm, 0);
    EXPECT_EQ(cam(2).Count(CamId::AlarmFlags), 0);
    EXPECT_EQ(gCam[2].MailServer, QStringLiteral("smtp.lan"));
    EXPECT_EQ(cam(2).mailServer, QStringLiteral("smtp.lan"));
}

TEST_F(MotionAndMail, MailOKStoresTheTextsAndSendsEverySlotInOrder)
{
    for (int n = 1; n <= kSlotCount; ++n) {
        gCam[n].MailServer = QStringLiteral("smtp%1").arg(n);
        gCam[n].MailTo = QStringLiteral("to%1").arg(n);
        gCam[n].MailFrom = QStringLiteral("from%1").arg(n);
        gCam[n].MailSubject = QStringLiteral("subject%1").arg(n);
        gCam[n].MailUserName = QStringLiteral("user%1").arg(n);
        gCam[n].MailPassword = QStringLiteral("pw%1").arg(n);
        gCam[n].MailIntervalTime = 10 + n;
    }
    QStringList shown;
    Mail([&](frmEMailSetting& d) {
        shown << d.txtMailServer->text() << d.txtMailTo->text() << d.txtMailFrom->text()
              << d.txtMailSubject->text() << d.txtUserName->text() << d.txtPassword->text()
              << d.txtIntervalTime->text();
        EXPECT_EQ(d.txtPassword->echoMode(), QLineEdit::Password);
        ModalScript::Type(d.txtMailServer, QStringLiteral(" mail.lan "));
        ModalScript::Type(d.txtMailTo, QStringLiteral("guard@lan"));
        ModalScript::Type(d.txtMailFrom, QStringLiteral("camera@lan"));
        ModalScript::Type(d.txtMailSubject, QStringLiteral("Motion at the gate"));
        ModalScript::Type(d.txtUserName, QStringLiteral("cam"));
        ModalScript::Type(d.txtPassword, QStringLiteral("s3cret"));
        ModalScript::Type(d.txtIntervalTime, QStringLiteral("3.5"));
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_EQ(shown, (QStringList{"smtp2", "to2", "from2", "subject2", "user2", "pw2", "12"}));
    EXPECT_EQ(gCam[2].MailServer, QStringLiteral(" mail.lan "));  // as typed
    EXPECT_EQ(gCam[2].MailIntervalTime, 4);
    for (int n = 1; n <= kSlotCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(cam(n).Sequence(),
                  (std::vector<CamId>{CamId::SetMailServer, CamId::MailIntervalTime,
                                      CamId::MailUserName, CamId::MailPassword}));
        const CamInfo& slot = gCam[static_cast<size_t>(n)];
        EXPECT_EQ(cam(n).Args(CamId::SetMailServer),
                  (QVariantList{slot.MailServer, slot.MailTo, slot.MailFrom, slot.MailSubject}));
        EXPECT_EQ(cam(n).mailIntervalTime, slot.MailIntervalTime);
        EXPECT_EQ(cam(n).mailPassword, slot.MailPassword);
    }
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("MailTo")), QStringLiteral("guard@lan"));
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("MailIntervalTime")),
              QStringLiteral("4"));
}

TEST_F(MotionAndMail, TheIntervalIsANumberOfSecondsFromZeroTo9999)
{
    const struct {
        const char* text;
        int value;  // -1: refused
    } cases[] = {
        {"0", 0},    {"9999", 9999}, {" 7 ", 7},  {"2.5", 2},  {"3.5", 4},    {"+8", 8},
        {".5", 0},   {"-0.4", 0},    {"-1", -1},  {"abc", -1}, {"", -1},      {"9E99", -1},
        {"1E3", -1}, {"&H10", -1},   {"1,5", -1}, {"- 1", -1}, {"10000", -1}, {"２", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<int> v = frmEMailSetting::IntervalValue(QString::fromUtf8(c.text));
        EXPECT_EQ(v.value_or(-1), c.value);
    }
}

TEST_F(MotionAndMail, ARefusedIntervalSelectsTheFieldAndChangesNothing)
{
    gCam[2].MailServer = QStringLiteral("kept.smtp");
    gCam[2].MailIntervalTime = 30;
    bool selected = false;
    QString typed;
    Mail([&](frmEMailSetting& d) {
        ModalScript::Type(d.txtMailServer, QStringLiteral("new.smtp"));
        ModalScript::Type(d.txtIntervalTime, QStringLiteral("9E99"));
        ModalScript::Click(d.cmdOK);
        selected = d.isVisible() && d.txtIntervalTime->hasFocus()
                   && d.txtIntervalTime->selectedText() == d.txtIntervalTime->text();
        typed = d.txtIntervalTime->text();
        ModalScript::Click(d.cmdCancel);
    });
    ASSERT_EQ(MessageTexts(),
              QStringList{Caption(QStringLiteral("frmEMailSetting"), QStringLiteral("Message1"))});
    EXPECT_EQ(fakeUi.messages[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(selected);
    EXPECT_EQ(typed, QStringLiteral("9E99"));
    EXPECT_EQ(gCam[2].MailServer, QStringLiteral("kept.smtp"));
    EXPECT_EQ(gCam[2].MailIntervalTime, 30);
    EXPECT_EQ(CameraCalls(), 0);
    EXPECT_FALSE(QFileInfo::exists(MainIniPath()));
}

TEST_F(MotionAndMail, MailCancelAndTheCloseBoxChangeNothing)
{
    for (const bool closeBox : {false, true}) {
        windows().Unload(kEMailSettingWindowName);
        Mail([closeBox](frmEMailSetting& d) {
            ModalScript::Type(d.txtMailTo, QStringLiteral("x@y"));
            if (closeBox)
                d.close();
            else
                ModalScript::Click(d.cmdCancel);
        });
        EXPECT_TRUE(gCam[2].MailTo.isEmpty());
        EXPECT_EQ(CameraCalls(), 0);
        EXPECT_FALSE(QFileInfo::exists(MainIniPath()));
    }
}

}  // namespace
