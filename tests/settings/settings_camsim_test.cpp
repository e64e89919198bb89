// The settings dialogs against the simulated camera and the real engine: a
// schedule made in the dialogs records at its time; the motion and e-mail
// settings reach the running camera object, which then reports motion at the
// chosen sensitivity and mails the picture to a local SMTP server.
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/resources.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "settings/frm_add_schedule.h"
#include "settings/frm_email_setting.h"
#include "settings/frm_motion_setting.h"
#include "settings/frm_schedule.h"
#include "settings/settings_windows.h"
#include "support/camsim_process.h"
#include "support/modal_script.h"
#include "support/program_globals.h"
#include "support/qt_printers.h"
#include "support/real_time_ui.h"
#include "support/smtp_sink.h"
#include "views/frm_client.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

int Count(const QSignalSpy& spy, int code)
{
    int n = 0;
    for (const auto& args : spy)
        n += args.at(0).toInt() == code;
    return n;
}

class SettingsCamsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("1")}, &error))
            << error.toStdString();
        ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
        AssignSimCamera(1, sim.cams.at(0)).ServerName = QStringLiteral("Front door");
        gCurCam = 1;
        windows().Reset();
        RegisterEngineWindow(windows());
        RegisterClientWindows(windows());
        RegisterSettingsWindows(windows());
        engine = windows().Get<frmMain>(kEngineWindowName);
        ASSERT_NE(engine, nullptr);
        auto* window = windows().IfLoaded<frmClient>(ClientWindowName(1));
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return window->Picture1()->framesPainted() >= 3; }, 20000))
            << "no live picture";
    }
    void TearDown() override
    {
        windows().Reset();
        ForgetProgramGlobals();
    }

    // The operator sets the motion options of slot 1.
    void SetMotion(int sensitivity, bool mail)
    {
        auto& dialog = *windows().Get<frmMotionSetting>(kMotionSettingWindowName);
        ModalScript script;
        script.OnVisible<frmMotionSetting>("the motion dialog", [&](frmMotionSetting& d) {
            d.sldSensitivity->setValue(sensitivity);
            d.chkAlarm->setChecked(true);
            d.chkEMail->setChecked(mail);
            ModalScript::Click(d.cmdOK);
        });
        dialog.ShowModal(nullptr);
        EXPECT_TRUE(script.Complete()) << script.Failure().toStdString();
        windows().Unload(kMotionSettingWindowName);
    }

    CamsimProcess sim;
    RealTimeUi ui;
    QTemporaryDir data;
    frmMain* engine = nullptr;
};

TEST_F(SettingsCamsim, TheCameraReportsMotionAtTheSensitivityChosenInTheDialog)
{
    QSignalSpy spy(&engine->Cam(1), &ImageServer::Notify);
    // At the lowest sensitivity the simulated camera's moving block is too small.
    SetMotion(1, false);
    sim.Control(1, "motion?on=1");
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(Count(spy, NotifyCode::Motion), 0);
    sim.Control(1, "motion?on=0");

    SetMotion(8, false);
    EXPECT_EQ(gCam[1].Sensitivity, 8);
    sim.Control(1, "motion?on=1");
    EXPECT_TRUE(WaitUntil([&] { return Count(spy, NotifyCode::Motion) > 0; }, 10000));
    sim.Control(1, "motion?on=0");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SettingsCamsim, AMailSetInTheDialogArrivesWithItsPicture)
{
    SmtpSink sink{SmtpSink::Options{}};
    auto& mail = *windows().Get<frmEMailSetting>(kEMailSettingWindowName);
    ModalScript script;
    script.OnVisible<frmEMailSetting>("the mail dialog", [&](frmEMailSetting& d) {
        ModalScript::Type(d.txtMailServer, sink.Address());
        ModalScript::Type(d.txtMailFrom, QStringLiteral("front-door@example.org"));
        ModalScript::Type(d.txtMailTo, QStringLiteral("guard@example.org"));
        ModalScript::Type(d.txtMailSubject, QStringLiteral("Motion at the front door"));
        ModalScript::Type(d.txtIntervalTime, QStringLiteral("30"));
        ModalScript::Click(d.cmdOK);
    });
    mail.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    windows().Unload(kEMailSettingWindowName);

    SetMotion(6, true);
    sim.Control(1, "motion?on=1");
    ASSERT_TRUE(WaitUntil([&] { return !sink.messages.isEmpty(); }, 20000)) << "no mail arrived";
    sim.Control(1, "motion?on=0");
    const SinkMessage& msg = sink.messages.front();
    EXPECT_EQ(msg.envelopeFrom, QByteArray("<front-door@example.org>"));
    EXPECT_EQ(msg.recipients, QList<QByteArray>{"<guard@example.org>"});
    const ParsedMail m = ParseMail(msg.data);
    EXPECT_EQ(m.headers.value("subject"), QByteArray("Motion at the front door"));
    EXPECT_EQ(m.attachmentName, QByteArray("CAM1_Front door.jpg"));
    EXPECT_FALSE(QImage::fromData(m.attachment, "JPG").isNull());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SettingsCamsim, AScheduleMadeInTheDialogRecordsAtItsTime)
{
    QTemporaryDir storage;
    gStorage[0] = StorageInfo{storage.path(), true};
    gStorageCount = 1;
    gActiveStorage = 1;
    // A dated entry from this minute to the next but one, made as the operator
    // makes it.
    auto& list = *windows().Get<frmSchedule>(kScheduleWindowName);
    ModalScript script;
    script.OnVisible<frmSchedule>("the schedule list", [](frmSchedule& d) {
        ModalScript editor;
        editor.OnVisible<frmAddSchedule>("the editor", [](frmAddSchedule& e) {
            const QDateTime stop = QDateTime::currentDateTime().addSecs(120);
            e.DTStop->setDate(stop.date());
            e.DateTimeStop->setTime(QTime(stop.time().hour(), stop.time().minute()));
            ModalScript::Click(e.cmdOK);
        });
        ModalScript::Click(d.cmdAdd);
        EXPECT_TRUE(editor.Complete()) << editor.Failure().toStdString();
        ModalScript::Click(d.cmdOK);
    });
    list.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    windows().Unload(kScheduleWindowName);
    ASSERT_EQ(gCam[1].ScheduleCount, 1);

    gCam[1].RecordMode = 2;  // the panel's schedule button, with a schedule to run
    ASSERT_TRUE(WaitUntil([] { return gCam[1].Recording; }, 10000)) << "the schedule did not start";
    EXPECT_EQ(gCam[1].CurSchedule, 1);
    const QString folder = storage.path() + QStringLiteral("/CAM1_Front door");
    ASSERT_TRUE(WaitUntil(
        [&] {
            const QFileInfoList files =
                QDir(folder).entryInfoList({QStringLiteral("*.AVI")}, QDir::Files);
            return !files.isEmpty() && files.front().size() > 0;
        },
        15000))
        << "no recording in " << folder.toStdString();
    engine->StopRecord(1);
    gCam[1].RecordMode = 0;
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
