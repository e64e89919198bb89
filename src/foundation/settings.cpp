#include "foundation/settings.h"

#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/ini_values.h"
#include "platform/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <sys/stat.h>

namespace {

const QString kGeneral = QStringLiteral("General");

QString camSection(int n) { return QStringLiteral("Cam%1").arg(n); }
QString scheduleKey(int j, const char* field)
{
    return QStringLiteral("SCHEDULE%1_%2").arg(j).arg(QLatin1String(field));
}
QString storageKey(int k, const char* field)
{
    return QStringLiteral("Storage%1%2").arg(k).arg(QLatin1String(field));
}

// Reads an int32 under the reading rule and checks its range when present.
template <typename Int>
void readRanged(const IniReader& r, const QString& section, const QString& key, Int& field,
                long long min, long long max)
{
    if constexpr (sizeof(Int) == 2) {
        qint16 v = 0;
        if (r.Int16(section, key, v)) {
            ini::RequireRange(section, key, v, min, max);
            field = v;
        }
    } else {
        int v = 0;
        if (r.Int32(section, key, v)) {
            ini::RequireRange(section, key, v, min, max);
            field = v;
        }
    }
}

void readGeneral(const IniReader& r)
{
    const QString& s = kGeneral;
    bool flag = false;
    gBypassProxyServer = r.Flag(s, QStringLiteral("BypassProxyServer"), flag) && flag;
    flag = false;
    gEnableProxy = r.Flag(s, QStringLiteral("EnableProxy"), flag) && flag;
    r.Text(s, QStringLiteral("ProxyServerAddress"), gProxyServerAddress);
    readRanged(r, s, QStringLiteral("ProxyServerPort"), gProxyServerPort, 1, 65535);
    readRanged(r, s, QStringLiteral("ReserveSpace"), gReserveSpace, 0, 32767);
    readRanged(r, s, QStringLiteral("SplitFileMode"), gSplitFileMode, 0, 1);
    readRanged(r, s, QStringLiteral("FileSize"), gFileSize, 0, 32767);
    readRanged(r, s, QStringLiteral("FileTimeLimited"), gFileTimeLimited, 0, 32767);

    int count = 0;
    if (r.Int32(s, QStringLiteral("StorageCount"), count)) {
        if (count < 0)
            ini::RequireRange(s, QStringLiteral("StorageCount"), count, 1, kMaxStorages);
        // Up to sixteen entries are read; a larger count is an error after them.
        const int readable = std::min(count, kMaxStorages);
        for (int k = 1; k <= readable; ++k) {
            StorageInfo& entry = gStorage[static_cast<size_t>(k - 1)];
            r.Text(s, storageKey(k, "Path"), entry.Path);
            bool checked = false;
            entry.Checked = r.Flag(s, storageKey(k, "Checked"), checked) && checked;
        }
        ini::RequireRange(s, QStringLiteral("StorageCount"), count, 1, kMaxStorages);
        gStorageCount = count;
    } else {
        gStorage[0] = StorageInfo{DataPath(), true};
        gStorageCount = 1;
    }

    readRanged(r, s, QStringLiteral("ActiveStorage"), gActiveStorage, 1, kMaxStorages);
    readRanged(r, s, QStringLiteral("UseRecycleFlag"), gUseRecycleFlag, 0, 1);
    readRanged(r, s, QStringLiteral("RecycleMode"), gRecycleMode, 0, 1);
    readRanged(r, s, QStringLiteral("RecycleSpaceValue"), gRecycleSpaceValue, 0, 1'000'000);
    readRanged(r, s, QStringLiteral("RecycleTime"), gRecycleTime, 0, 1'000'000);
    readRanged(r, s, QStringLiteral("ScanDelay"), gScanDelay, 0, 86'399);
    readRanged(r, s, QStringLiteral("PlayerMode"), gPlayerMode, 0, 1);
    r.Text(s, QStringLiteral("PlayerPath"), gPlayerPath);
}

void readCam(const IniReader& r, int n)
{
    const QString s = camSection(n);
    CamInfo& cam = gCam[static_cast<size_t>(n)];
    r.Flag(s, QStringLiteral("Assign"), cam.Assign);
    r.Flag(s, QStringLiteral("Enable"), cam.Enable);
    if (!cam.Assign)
        cam.Enable = false;
    r.Text(s, QStringLiteral("UserName"), cam.UserName);
    r.Text(s, QStringLiteral("Password"), cam.Password);
    r.Text(s, QStringLiteral("IPAddress"), cam.IPAddress);
    r.Text(s, QStringLiteral("MacAddress"), cam.MacAddress);
    readRanged(r, s, QStringLiteral("Protocol"), cam.Protocol, 0, 4);
    r.Flag(s, QStringLiteral("IsLocalCamera"), cam.IsLocalCamera);
    r.Text(s, QStringLiteral("FWVersion"), cam.FWVersion);
    r.Text(s, QStringLiteral("HWVersion"), cam.HWVersion);
    r.Text(s, QStringLiteral("ROMVersion"), cam.ROMVersion);
    r.Text(s, QStringLiteral("ServerName"), cam.ServerName);
    r.Text(s, QStringLiteral("ServerLocation"), cam.ServerLocation);
    r.Text(s, QStringLiteral("ServerModel"), cam.ServerModel);
    readRanged(r, s, QStringLiteral("Port"), cam.Port, 1, 65535);

    int angle = 0;
    if (r.Int32(s, QStringLiteral("RotateAngle"), angle) && angle % 90 != 0)
        ini::RequireRange(s, QStringLiteral("RotateAngle"), angle, 0, 0);  // not a quarter turn
    ini::RequireRange(s, QStringLiteral("RotateAngle"), angle, 0, 270);
    cam.RotateAngle = angle;

    int count = 0;
    r.Int32(s, QStringLiteral("ScheduleCount"), count);
    ini::RequireRange(s, QStringLiteral("ScheduleCount"), count, 0, kScheduleCount);
    cam.ScheduleCount = count;

    bool pt = false;
    cam.PT = r.Flag(s, QStringLiteral("PT"), pt) && pt;

    // Only schedule recording comes back at start-up; manual and motion do not.
    int mode = 0;
    r.Int32(s, QStringLiteral("RecordMode"), mode);
    cam.RecordMode = mode == 2 ? 2 : 0;

    for (int j = 1; j <= kScheduleCount; ++j) {
        ScheduleInfo& e = cam.Schedule[static_cast<size_t>(j)];
        bool check = false;
        e.CHECK = r.Flag(s, scheduleKey(j, "CHECK"), check) && check;
        int v = 0;
        r.Int32(s, scheduleKey(j, "MODE"), v);
        ini::RequireRange(s, scheduleKey(j, "MODE"), v, 0, 1);
        e.MODE = v;
        v = 0;
        r.Int32(s, scheduleKey(j, "WeekOption"), v);
        ini::RequireRange(s, scheduleKey(j, "WeekOption"), v, 0, 127);
        e.WeekOption = v;
        for (auto [field, target] :
             {std::pair{"DateStart", &e.DateStart}, std::pair{"DateStop", &e.DateStop},
              std::pair{"TimeStart", &e.TimeStart}, std::pair{"TimeStop", &e.TimeStop}}) {
            if (!r.Text(s, scheduleKey(j, field), *target))
                target->clear();
        }
    }

    for (auto [key, target] :
         {std::pair{"MailTo", &cam.MailTo}, std::pair{"MailFrom", &cam.MailFrom},
          std::pair{"MailServer", &cam.MailServer}, std::pair{"MailSubject", &cam.MailSubject},
          std::pair{"MailUserName", &cam.MailUserName},
          std::pair{"MailPassword", &cam.MailPassword}}) {
        if (!r.Text(s, QString::fromLatin1(key), *target))
            target->clear();
    }
    // A stored interval of 0 is a value (mail at every motion), not "absent".
    int interval = 0;
    if (r.Int32KeepZero(s, QStringLiteral("MailIntervalTime"), interval)) {
        ini::RequireRange(s, QStringLiteral("MailIntervalTime"), interval, 0, 86'400 * 366);
        cam.MailIntervalTime = interval;
    }
    r.Int32(s, QStringLiteral("Sensitivity"), cam.Sensitivity);
    r.Int32(s, QStringLiteral("Alarm"), cam.Alarm);
    r.Int32(s, QStringLiteral("SendEmail"), cam.SendEmail);
    r.Int32(s, QStringLiteral("Trig1"), cam.Trig1);
    r.Int32(s, QStringLiteral("Trig2"), cam.Trig2);
}

// What the last successful save wrote, and the file it left, so that a save
// of unchanged settings (every camera push saves) costs no disk write.
struct LastSave {
    QString path;
    QByteArray data;
    struct stat file {};
};
LastSave gLastSave;

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
           && a.st_mode == b.st_mode && a.st_mtim.tv_sec == b.st_mtim.tv_sec
           && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

QString MainIniPath() { return DataPath() + QStringLiteral("/main.ini"); }

bool SaveSettings()
{
    try {
        SettingsFile file;
        file.FileName(MainIniPath());
        file.SetPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        for (int n = 1; n <= kSlotCount; ++n) {
            const QString s = camSection(n);
            const CamInfo& cam = gCam[static_cast<size_t>(n)];
            file.SetValue(s, QStringLiteral("Enable"), cam.Enable);
            file.SetValue(s, QStringLiteral("Assign"), cam.Assign);
            file.SetValue(s, QStringLiteral("UserName"), cam.UserName);
            file.SetValue(s, QStringLiteral("Password"), cam.Password);
            file.SetValue(s, QStringLiteral("IPAddress"), cam.IPAddress);
            file.SetValue(s, QStringLiteral("MacAddress"), cam.MacAddress);
            file.SetValue(s, QStringLiteral("Protocol"), cam.Protocol);
            file.SetValue(s, QStringLiteral("IsLocalCamera"), cam.IsLocalCamera);
            file.SetValue(s, QStringLiteral("Port"), cam.Port);
            file.SetValue(s, QStringLiteral("FWVersion"), cam.FWVersion);
            file.SetValue(s, QStringLiteral("HWVersion"), cam.HWVersion);
            file.SetValue(s, QStringLiteral("ROMVersion"), cam.ROMVersion);
            file.SetValue(s, QStringLiteral("ServerName"), cam.ServerName);
            file.SetValue(s, QStringLiteral("ServerLocation"), cam.ServerLocation);
            file.SetValue(s, QStringLiteral("ServerModel"), cam.ServerModel);
            file.SetValue(s, QStringLiteral("RotateAngle"), cam.RotateAngle);
            file.SetValue(s, QStringLiteral("RecordMode"), cam.RecordMode);
            file.SetValue(s, QStringLiteral("ScheduleCount"), cam.ScheduleCount);
            file.SetValue(s, QStringLiteral("PT"), cam.PT);
            for (int j = 1; j <= kScheduleCount; ++j) {
                const ScheduleInfo& e = cam.Schedule[static_cast<size_t>(j)];
                file.SetValue(s, scheduleKey(j, "CHECK"), e.CHECK);
                file.SetValue(s, scheduleKey(j, "MODE"), e.MODE);
                file.SetValue(s, scheduleKey(j, "WeekOption"), e.WeekOption);
                file.SetValue(s, scheduleKey(j, "DateStart"), e.DateStart);
                file.SetValue(s, scheduleKey(j, "DateStop"), e.DateStop);
                file.SetValue(s, scheduleKey(j, "TimeStart"), e.TimeStart);
                file.SetValue(s, scheduleKey(j, "TimeStop"), e.TimeStop);
            }
            file.SetValue(s, QStringLiteral("MailTo"), cam.MailTo);
            file.SetValue(s, QStringLiteral("MailFrom"), cam.MailFrom);
            file.SetValue(s, QStringLiteral("MailServer"), cam.MailServer);
            file.SetValue(s, QStringLiteral("MailSubject"), cam.MailSubject);
            file.SetValue(s, QStringLiteral("MailUserName"), cam.MailUserName);
            file.SetValue(s, QStringLiteral("MailPassword"), cam.MailPassword);
            file.SetValue(s, QStringLiteral("MailIntervalTime"), cam.MailIntervalTime);
            file.SetValue(s, QStringLiteral("Sensitivity"), cam.Sensitivity);
            file.SetValue(s, QStringLiteral("Alarm"), cam.Alarm);
            file.SetValue(s, QStringLiteral("SendEmail"), cam.SendEmail);
            file.SetValue(s, QStringLiteral("Trig1"), cam.Trig1);
            file.SetValue(s, QStringLiteral("Trig2"), cam.Trig2);
        }

        const QString& s = kGeneral;
        file.SetValue(s, QStringLiteral("BypassProxyServer"), gBypassProxyServer);
        file.SetValue(s, QStringLiteral("EnableProxy"), gEnableProxy);
        file.SetValue(s, QStringLiteral("ProxyServerAddress"), gProxyServerAddress);
        file.SetValue(s, QStringLiteral("ProxyServerPort"), gProxyServerPort);
        file.SetValue(s, QStringLiteral("ReserveSpace"), gReserveSpace);
        file.SetValue(s, QStringLiteral("SplitFileMode"), gSplitFileMode);
        file.SetValue(s, QStringLiteral("FileSize"), gFileSize);
        file.SetValue(s, QStringLiteral("FileTimeLimited"), gFileTimeLimited);
        file.SetValue(s, QStringLiteral("StorageCount"), gStorageCount);
        const int count = std::clamp(gStorageCount, 0, kMaxStorages);
        for (int k = 1; k <= count; ++k) {
            const StorageInfo& entry = gStorage[static_cast<size_t>(k - 1)];
            file.SetValue(s, storageKey(k, "Path"), entry.Path);
            file.SetValue(s, storageKey(k, "Checked"), entry.Checked);
        }
        file.SetValue(s, QStringLiteral("ActiveStorage"), gActiveStorage);
        file.SetValue(s, QStringLiteral("UseRecycleFlag"), gUseRecycleFlag);
        file.SetValue(s, QStringLiteral("RecycleMode"), gRecycleMode);
        file.SetValue(s, QStringLiteral("RecycleSpaceValue"), gRecycleSpaceValue);
        file.SetValue(s, QStringLiteral("RecycleTime"), gRecycleTime);
        file.SetValue(s, QStringLiteral("ScanDelay"), gScanDelay);
        file.SetValue(s, QStringLiteral("PlayerMode"), gPlayerMode);
        file.SetValue(s, QStringLiteral("PlayerPath"), gPlayerPath);

        const QByteArray data = file.ToData();
        const QByteArray nativePath = QFile::encodeName(file.FileName());
        struct stat now {};
        if (gLastSave.path == file.FileName() && gLastSave.data == data
            && ::stat(nativePath.constData(), &now) == 0 && sameFile(now, gLastSave.file))
            return true;  // the file on disk already holds exactly this

        QDir().mkpath(QFileInfo(file.FileName()).absolutePath());
        if (!file.Save())
            return false;
        gLastSave = LastSave{file.FileName(), data, {}};
        if (::stat(nativePath.constData(), &gLastSave.file) != 0)
            gLastSave.path.clear();
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadSettings()
{
    const QString path = MainIniPath();
    if (!QFileInfo::exists(path))
        return true;
    try {
        SettingsFile file;
        file.FileName(path);
        if (!file.Load())
            return false;
        const IniReader reader(file);
        readGeneral(reader);
        for (int n = 1; n <= kSlotCount; ++n)
            readCam(reader, n);
        return true;
    } catch (...) {
        return false;
    }
}

int GetFirstCheckedStorage()
{
    if (gStorageCount < 1)
        return 0;
    for (int k = 1; k <= kMaxStorages; ++k)
        if (gStorage[static_cast<size_t>(k - 1)].Checked)
            return k;
    return 0;
}

QTime ScheduleTimeFromText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    const QLocale c = QLocale::c();
    for (const char* format : {"HH:mm", "HH:mm:ss", "h:mm", "h:mm:ss", "h:mm AP", "h:mm:ss AP",
                               "h:mm ap", "h:mm:ss ap"}) {
        const QTime time = c.toTime(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    return {};
}

QDate ScheduleDateFromText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    const QLocale c = QLocale::c();
    for (const char* format : {"yyyy-MM-dd", "M/d/yyyy"}) {
        const QDate date = c.toDate(t, QLatin1String(format));
        if (date.isValid())
            return date;
    }
    const QLocale system = QLocale::system();
    QDate date = system.toDate(t, QLocale::ShortFormat);
    if (date.isValid() && date.year() < 100)
        date = date.addYears(2000);  // two-digit years in short formats
    return date;
}

QString ScheduleTimeToText(const QTime& time)
{
    return time.isValid() ? time.toString(u"HH:mm") : QString();
}
QString ScheduleDateToText(const QDate& date)
{
    return date.isValid() ? date.toString(u"yyyy-MM-dd") : QString();
}
