// When main.ini cannot be written (a full disk here): every settings dialog's
// OK warns, keeps what it stored in memory and closes, and the file on disk
// keeps what it held; the engine's own saves (a camera push) warn once until a
// save works again, and that save writes what was kept.
#include "settings/frm_email_setting.h"
#include "settings/frm_motion_setting.h"
#include "settings/frm_schedule.h"
#include "settings/frm_sys_conf.h"
#include "settings_fixture.h"
#include "support/file_size_limit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

namespace {

class SettingsSaveWarning : public SettingsFixture {
protected:
    SettingsSaveWarning()
    {
        gCurCam = 2;
        gCam[2].Assign = true;
        gCam[2].ServerName = QStringLiteral("Gate");
        gCam[2].Sensitivity = 5;
        gStorageCount = 1;
        gStorage[0] = StorageInfo{program.path(), true};
    }
    // Saves the settings as they are now and keeps what the file holds.
    void SaveBaseline()
    {
        ASSERT_TRUE(SaveSettingsOrWarn(SaveRequest::Program));
        QFile f(MainIniPath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        baseline = f.readAll();
    }
    QByteArray OnDisk() const
    {
        QFile f(MainIniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The warnings shown so far.
    int Warnings() const
    {
        int count = 0;
        for (const ShownMessage& m : fakeUi.messages)
            if (m.icon == MsgIcon::Warning && m.text.contains(MainIniPath()))
                ++count;
        return count;
    }
    QByteArray baseline;
};

TEST_F(SettingsSaveWarning, EveryDialogsOKWarnsKeepsTheSettingsAndClosesTheDialog)
{
    struct Case {
        const char* name;
        // Opens the dialog, changes something and presses OK; answers the
        // dialog, still loaded.
        std::function<QWidget*()> ok;
        // The change is in memory.
        std::function<bool()> kept;
    };
    const Case cases[] = {
        {"motion",
         [this]() -> QWidget* {
             return &Run<frmMotionSetting>(kMotionSettingWindowName, [](frmMotionSetting& d) {
                 d.sldSensitivity->setValue(8);
                 ModalScript::Click(d.cmdOK);
             });
         },
         [] { return gCam[2].Sensitivity == 8; }},
        {"mail",
         [this]() -> QWidget* {
             return &Run<frmEMailSetting>(kEMailSettingWindowName, [](frmEMailSetting& d) {
                 ModalScript::Type(d.txtMailServer, QStringLiteral("mail.lan"));
                 ModalScript::Click(d.cmdOK);
             });
         },
         [] { return gCam[2].MailServer == QStringLiteral("mail.lan"); }},
        {"schedule",
         [this]() -> QWidget* {
             return &Run<frmSchedule>(kScheduleWindowName, [](frmSchedule& d) {
                 d.ListView1->setCurrentItem(d.ListView1->topLevelItem(0));
                 ModalScript::Click(d.cmdDelete);
                 ModalScript::Click(d.cmdOK);
             });
         },
         [] { return gCam[2].ScheduleCount == 0; }},
        {"system configuration",
         [this]() -> QWidget* {
             return &Run<frmSysConf>(kSysConfWindowName, [](frmSysConf& d) {
                 d.cboScanDelay->setCurrentIndex(3);
                 ModalScript::Click(d.cmdOK);
             });
         },
         [] { return gScanDelay == 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One weekly entry in the schedule list.
        ScheduleInfo& entry = gCam[2].Schedule[1];
        entry = ScheduleInfo{};
        entry.CHECK = true;
        entry.MODE = 0;
        entry.WeekOption = 2;
        entry.TimeStart = QStringLiteral("08:00");
        entry.TimeStop = QStringLiteral("09:00");
        gCam[2].ScheduleCount = 1;
        SaveBaseline();
        fakeUi.messages.clear();
        // Something to write besides what the dialog changes.
        gCam[2].ServerName = QStringLiteral("Gate %1").arg(QLatin1String(c.name));
        QWidget* dialog = nullptr;
        {
            FileSizeLimit full(16);
            ASSERT_TRUE(full.set());
            dialog = c.ok();
        }
        EXPECT_EQ(Warnings(), 1);
        EXPECT_EQ(fakeUi.messages.size(), 1u);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(c.kept());
        EXPECT_EQ(OnDisk(), baseline);
        windows().Unload(windows().NameOf(dialog));
    }
}

TEST_F(SettingsSaveWarning, ACameraPushWarnsOnceUntilASaveWorksAndThenWritesWhatWasKept)
{
    SaveBaseline();
    fakeUi.messages.clear();
    gCam[2].ServerName = QStringLiteral("Yard");
    {
        FileSizeLimit full(16);
        ASSERT_TRUE(full.set());
        Engine().PutSettingToCam(2);
        Engine().PutSettingToCam(2);
    }
    EXPECT_EQ(Warnings(), 1);
    EXPECT_EQ(OnDisk(), baseline);

    Engine().PutSettingToCam(2);
    EXPECT_EQ(Warnings(), 1);
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("ServerName")), QStringLiteral("Yard"));

    // Failing again after a save that worked warns again.
    gCam[2].ServerName = QStringLiteral("Porch");
    {
        FileSizeLimit full(16);
        ASSERT_TRUE(full.set());
        Engine().PutSettingToCam(2);
    }
    EXPECT_EQ(Warnings(), 2);
}

}  // namespace
