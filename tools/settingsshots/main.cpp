// settingsshots: loads the language pack of a program folder, fills the
// settings with a sample configuration (two storages, a proxy, schedules and
// mail settings of slot 1, a folder of recordings) and grabs every settings
// dialog into PNG files, the way the operator sees it.
//
// Usage: settingsshots <program folder> <output folder>
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "foundation/window_registry.h"
#include "settings/folder_lists.h"
#include "settings/frm_add_schedule.h"
#include "settings/frm_email_setting.h"
#include "settings/frm_motion_setting.h"
#include "settings/frm_play_menu.h"
#include "settings/frm_schedule.h"
#include "settings/frm_select_dir.h"
#include "settings/frm_sys_conf.h"
#include "settings/settings_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>

namespace {

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Shows a loaded dialog, lets `prepare` set it up, grabs it and hides it.
template <typename T>
bool Shoot(const QString& name, const QDir& out, const QString& file,
           const std::function<void(T&)>& prepare = {})
{
    T* dialog = windows().Get<T>(name);
    if (!dialog)
        return false;
    dialog->show();
    Wait(100);
    if (prepare)
        prepare(*dialog);
    Wait(150);
    const bool ok = dialog->grab().save(out.filePath(file));
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(out.filePath(file)));
    dialog->hide();
    windows().Unload(name);
    Wait(50);
    return ok;
}

void Touch(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("RIFF");
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3) {
        std::fprintf(stderr, "Usage: settingsshots <program folder> <output folder>\n");
        return 2;
    }
    const QString program = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(out.path());
    SetAppPath(program);
    SetDataPath(program);
    InitGlobalVariable();
    if (!LoadLanguageIni() || !LoadLang1Ini()) {
        std::fprintf(stderr, "the language pack could not be read\n");
        return 1;
    }
    RegisterSettingsWindows(windows());

    // Sample storages with camera folders and recordings.
    QTemporaryDir media;
    const QString disk1 = media.path() + QStringLiteral("/recordings");
    const QString disk2 = media.path() + QStringLiteral("/archive");
    for (const QString& folder :
         {disk1 + QStringLiteral("/CAM1_Front door"), disk1 + QStringLiteral("/CAM2_Garden"),
          disk1 + QStringLiteral("/CAM3_Office"), disk2})
        QDir().mkpath(folder);
    for (const char* file : {"20261209_080000.AVI", "20261209_081000.AVI", "20261209_082000.AVI",
                             "20261209_171500.AVI", "20261210_074500.AVI"})
        Touch(disk1 + QStringLiteral("/CAM1_Front door/") + QString::fromLatin1(file));
    gStorage[0] = StorageInfo{disk1, true};
    gStorage[1] = StorageInfo{disk2, false};
    gStorageCount = 2;
    gReserveSpace = 2;
    gSplitFileMode = 0;
    gFileSize = 1;
    gUseRecycleFlag = 1;
    gRecycleMode = 1;
    gRecycleTime = 11;
    gEnableProxy = true;
    gProxyServerAddress = QStringLiteral("proxy.example.lan");
    gProxyServerPort = 3128;
    gBypassProxyServer = true;
    gScanDelay = 4;
    gPlayerMode = 0;

    gCurCam = 1;
    CamInfo& cam = gCam[1];
    cam.ServerName = QStringLiteral("Front door");
    cam.ScheduleCount = 3;
    auto week = [](int mask, const char* a, const char* b) {
        ScheduleInfo e;
        e.CHECK = true;
        e.MODE = 0;
        e.WeekOption = mask;
        e.TimeStart = QString::fromLatin1(a);
        e.TimeStop = QString::fromLatin1(b);
        return e;
    };
    cam.Schedule[1] = week(2 | 4 | 8 | 16 | 32, "08:00", "18:00");
    cam.Schedule[2] = week(1 | 64, "22:00", "06:00");
    cam.Schedule[3].CHECK = false;
    cam.Schedule[3].MODE = 1;
    cam.Schedule[3].DateStart = QStringLiteral("2026-12-24");
    cam.Schedule[3].TimeStart = QStringLiteral("18:00");
    cam.Schedule[3].DateStop = QStringLiteral("2026-12-26");
    cam.Schedule[3].TimeStop = QStringLiteral("09:00");
    cam.Sensitivity = 6;
    cam.Alarm = 0;
    cam.SendEmail = 1;
    cam.MailServer = QStringLiteral("smtp.example.lan");
    cam.MailFrom = QStringLiteral("front-door@example.lan");
    cam.MailTo = QStringLiteral("guard@example.lan");
    cam.MailSubject = QStringLiteral("Motion at the front door");
    cam.MailUserName = QStringLiteral("camera");
    cam.MailPassword = QStringLiteral("secret");
    cam.MailIntervalTime = 60;

    bool ok = true;
    ok &= Shoot<frmSysConf>(kSysConfWindowName, out, QStringLiteral("settings-configuration.png"));
    ok &= Shoot<frmSelectDir>(kSelectDirWindowName, out,
                              QStringLiteral("settings-folder-picker.png"), [&](frmSelectDir& d) {
                                  d.SetStartFolder(disk1);
                                  if (d.Dir1->count() > 1)
                                      d.Dir1->setCurrentRow(1);
                              });
    ok &= Shoot<frmNewFolder>(
        kNewFolderWindowName, out, QStringLiteral("settings-new-folder.png"),
        [](frmNewFolder& d) { d.txtNewFolder->setText(QStringLiteral("Lobby")); });
    ok &= Shoot<frmPlayMenu>(kPlayMenuWindowName, out,
                             QStringLiteral("settings-recording-picker.png"), [&](frmPlayMenu& d) {
                                 d.Dir1->SetPath(disk1 + QStringLiteral("/CAM1_Front door"));
                                 if (d.File1->count() > 2) {
                                     d.File1->setCurrentRow(2);
                                     d.File1_Click(d.File1->item(2));
                                 }
                             });
    ok &=
        Shoot<frmSchedule>(kScheduleWindowName, out, QStringLiteral("settings-schedule-list.png"));
    ok &= Shoot<frmAddSchedule>(kAddScheduleWindowName, out,
                                QStringLiteral("settings-schedule-editor.png"),
                                [](frmAddSchedule& d) {
                                    d.optWeekMode->setChecked(true);
                                    for (int k : {2, 3, 4, 5, 6})
                                        d.chkWeekDay[static_cast<size_t>(k)]->setChecked(true);
                                });
    ok &= Shoot<frmMotionSetting>(kMotionSettingWindowName, out,
                                  QStringLiteral("settings-motion.png"));
    ok &=
        Shoot<frmEMailSetting>(kEMailSettingWindowName, out, QStringLiteral("settings-email.png"));
    windows().Reset();
    return ok ? 0 : 1;
}
