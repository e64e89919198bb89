#include "foundation/settings.h"

#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/ini_values.h"
#include "platform/image_server/camera_codes.h"
#include "platform/settings_file.h"
#include "platform/ui_services.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <sys/stat.h>
#include <type_traits>
#include <variant>
#include <vector>

namespace {

const QString kGeneral = QStringLiteral("General");

// Where a key's value lives; its type is the type of the key.
using Field = std::variant<bool*, QString*, int*, qint16*>;

// What a missing key (or, for numbers and flags, an empty one) leaves: the
// value the field starts with, or false / 0 / an empty text.
enum class Absent { Keep, Clear };

// How a present value is read beyond its type. Any number that converts is
// loaded as written; the code that uses a value copes with odd ones (see
// settings.h), so that a file the operator edited still starts the program.
enum class Rule {
    None,
    KeepZero,      // a stored 0 is a value, not "absent"
    ScheduleOnly,  // record mode: only schedule recording comes back at start-up
    StorageList,   // the storage count, then that many Path/Checked pairs
};

// One key of main.ini.
struct IniKey {
    QString key;
    Field field;
    Absent absent = Absent::Keep;
    Rule rule = Rule::None;
    bool* gated = nullptr;  // a flag that is false whenever this one is
};

struct Section {
    QString name;
    std::vector<IniKey> keys;
};

QString scheduleKey(int j, const char* field)
{
    return QStringLiteral("SCHEDULE%1_%2").arg(j).arg(QLatin1String(field));
}
QString storageKey(int k, const char* field)
{
    return QStringLiteral("Storage%1%2").arg(k).arg(QLatin1String(field));
}

std::vector<IniKey> camKeys(CamInfo& cam)
{
    std::vector<IniKey> keys = {
        {QStringLiteral("Enable"), &cam.Enable},
        // Enable is read first: a slot that is not assigned is not enabled.
        {QStringLiteral("Assign"), &cam.Assign, Absent::Keep, Rule::None, &cam.Enable},
        {QStringLiteral("UserName"), &cam.UserName},
        {QStringLiteral("Password"), &cam.Password},
        {QStringLiteral("IPAddress"), &cam.IPAddress},
        {QStringLiteral("MacAddress"), &cam.MacAddress},
        {QStringLiteral("Protocol"), &cam.Protocol, Absent::Keep},
        {QStringLiteral("IsLocalCamera"), &cam.IsLocalCamera},
        {QStringLiteral("Port"), &cam.Port, Absent::Keep},
        {QStringLiteral("FWVersion"), &cam.FWVersion},
        {QStringLiteral("HWVersion"), &cam.HWVersion},
        {QStringLiteral("ROMVersion"), &cam.ROMVersion},
        {QStringLiteral("ServerName"), &cam.ServerName},
        {QStringLiteral("ServerLocation"), &cam.ServerLocation},
        {QStringLiteral("ServerModel"), &cam.ServerModel},
        {QStringLiteral("RotateAngle"), &cam.RotateAngle, Absent::Clear},
        {QStringLiteral("RecordMode"), &cam.RecordMode, Absent::Clear, Rule::ScheduleOnly},
        {QStringLiteral("ScheduleCount"), &cam.ScheduleCount, Absent::Clear},
        {QStringLiteral("PT"), &cam.PT, Absent::Clear},
    };
    for (int j = 1; j <= kScheduleCount; ++j) {
        ScheduleInfo& e = cam.Schedule[static_cast<size_t>(j)];
        keys.insert(keys.end(), {
                                    {scheduleKey(j, "CHECK"), &e.CHECK, Absent::Clear},
                                    {scheduleKey(j, "MODE"), &e.MODE, Absent::Clear},
                                    {scheduleKey(j, "WeekOption"), &e.WeekOption, Absent::Clear},
                                    {scheduleKey(j, "DateStart"), &e.DateStart, Absent::Clear},
                                    {scheduleKey(j, "DateStop"), &e.DateStop, Absent::Clear},
                                    {scheduleKey(j, "TimeStart"), &e.TimeStart, Absent::Clear},
                                    {scheduleKey(j, "TimeStop"), &e.TimeStop, Absent::Clear},
                                });
    }
    keys.insert(keys.end(), {
                                {QStringLiteral("MailTo"), &cam.MailTo, Absent::Clear},
                                {QStringLiteral("MailFrom"), &cam.MailFrom, Absent::Clear},
                                {QStringLiteral("MailServer"), &cam.MailServer, Absent::Clear},
                                {QStringLiteral("MailSubject"), &cam.MailSubject, Absent::Clear},
                                {QStringLiteral("MailUserName"), &cam.MailUserName, Absent::Clear},
                                {QStringLiteral("MailPassword"), &cam.MailPassword, Absent::Clear},
                                {QStringLiteral("MailIntervalTime"), &cam.MailIntervalTime,
                                 Absent::Keep, Rule::KeepZero},
                                {QStringLiteral("Sensitivity"), &cam.Sensitivity},
                                {QStringLiteral("Alarm"), &cam.Alarm},
                                {QStringLiteral("SendEmail"), &cam.SendEmail},
                                {QStringLiteral("Trig1"), &cam.Trig1},
                                {QStringLiteral("Trig2"), &cam.Trig2},
                            });
    return keys;
}

std::vector<IniKey> generalKeys()
{
    return {
        {QStringLiteral("BypassProxyServer"), &gBypassProxyServer, Absent::Clear},
        {QStringLiteral("EnableProxy"), &gEnableProxy, Absent::Clear},
        {QStringLiteral("ProxyServerAddress"), &gProxyServerAddress},
        {QStringLiteral("ProxyServerPort"), &gProxyServerPort, Absent::Keep},
        {QStringLiteral("ReserveSpace"), &gReserveSpace, Absent::Keep},
        {QStringLiteral("SplitFileMode"), &gSplitFileMode, Absent::Keep},
        {QStringLiteral("FileSize"), &gFileSize, Absent::Keep},
        {QStringLiteral("FileTimeLimited"), &gFileTimeLimited, Absent::Keep},
        {QStringLiteral("StorageCount"), &gStorageCount, Absent::Keep, Rule::StorageList},
        {QStringLiteral("ActiveStorage"), &gActiveStorage, Absent::Keep},
        {QStringLiteral("UseRecycleFlag"), &gUseRecycleFlag, Absent::Keep},
        {QStringLiteral("RecycleMode"), &gRecycleMode, Absent::Keep},
        {QStringLiteral("RecycleSpaceValue"), &gRecycleSpaceValue, Absent::Keep},
        {QStringLiteral("RecycleTime"), &gRecycleTime, Absent::Keep},
        {QStringLiteral("ScanDelay"), &gScanDelay, Absent::Keep},
        {QStringLiteral("PlayerMode"), &gPlayerMode, Absent::Keep},
        {QStringLiteral("PlayerPath"), &gPlayerPath},
    };
}

// Every key of main.ini, in the order it is written: the four cameras, then
// the general settings.
std::vector<Section> mainIniSections()
{
    std::vector<Section> sections;
    for (int n = 1; n <= kSlotCount; ++n)
        sections.push_back({QStringLiteral("Cam%1").arg(n), camKeys(gCam[static_cast<size_t>(n)])});
    sections.push_back({kGeneral, generalKeys()});
    return sections;
}

// Up to sixteen entries are read; a larger count is an error after them. No
// count: one storage, the data folder, checked. A negative count loads as it
// is and means no storage.
void readStorageList(const IniReader& r, const QString& s, const IniKey& k)
{
    int count = 0;
    if (!r.Int32(s, k.key, count)) {
        gStorage[0] = StorageInfo{DataPath(), true};
        gStorageCount = 1;
        return;
    }
    const int readable = std::min(count, kMaxStorages);
    for (int i = 1; i <= readable; ++i) {
        StorageInfo& entry = gStorage[static_cast<size_t>(i - 1)];
        r.Text(s, storageKey(i, "Path"), entry.Path);
        bool checked = false;
        entry.Checked = r.Flag(s, storageKey(i, "Checked"), checked) && checked;
    }
    if (count > kMaxStorages)
        throw IniError(QStringLiteral("[%1] %2 = %3 is more than %4 storages")
                           .arg(s, k.key)
                           .arg(count)
                           .arg(kMaxStorages)
                           .toStdString());
    gStorageCount = count;
}

// The table holds sixteen storages: never more are written, so that the file
// always loads again.
void writeStorageList(SettingsFile& file, const QString& s, const IniKey& k)
{
    const int count = std::min(gStorageCount, kMaxStorages);
    file.SetValue(s, k.key, count);
    for (int i = 1; i <= count; ++i) {
        const StorageInfo& entry = gStorage[static_cast<size_t>(i - 1)];
        file.SetValue(s, storageKey(i, "Path"), entry.Path);
        file.SetValue(s, storageKey(i, "Checked"), entry.Checked);
    }
}

// Reads one number under its reading rule; false when absent.
template <typename Int>
bool readNumber(const IniReader& r, const QString& s, const IniKey& k, Int& v)
{
    if constexpr (sizeof(Int) == 2)
        return r.Int16(s, k.key, v);
    else if (k.rule == Rule::KeepZero)
        return r.Int32KeepZero(s, k.key, v);
    else
        return r.Int32(s, k.key, v);
}

void readKey(const IniReader& r, const QString& s, const IniKey& k)
{
    if (k.rule == Rule::StorageList)
        return readStorageList(r, s, k);
    const bool clear = k.absent == Absent::Clear;
    std::visit(
        [&](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (std::is_same_v<T, QString>) {
                if (!r.Text(s, k.key, *field) && clear)
                    field->clear();
            } else if constexpr (std::is_same_v<T, bool>) {
                bool v = false;
                if (r.Flag(s, k.key, v))
                    *field = v;
                else if (clear)
                    *field = false;
            } else {
                T v = 0;
                if (!readNumber(r, s, k, v)) {
                    if (clear)
                        *field = 0;
                    return;
                }
                *field = k.rule == Rule::ScheduleOnly && v != kRecordSchedule ? T{kRecordNone} : v;
            }
        },
        k.field);
    if (k.gated && !*std::get<bool*>(k.field))
        *k.gated = false;
}

void writeKey(SettingsFile& file, const QString& s, const IniKey& k)
{
    if (k.rule == Rule::StorageList)
        return writeStorageList(file, s, k);
    std::visit([&](auto* field) { file.SetValue(s, k.key, *field); }, k.field);
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

bool SaveSettings(QString* error)
{
    const auto failed = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    try {
        SettingsFile file;
        file.FileName(MainIniPath());
        file.SetPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        for (const Section& section : mainIniSections())
            for (const IniKey& key : section.keys)
                writeKey(file, section.name, key);

        const QByteArray data = file.ToData();
        const QByteArray nativePath = QFile::encodeName(file.FileName());
        struct stat now {};
        if (gLastSave.path == file.FileName() && gLastSave.data == data
            && ::stat(nativePath.constData(), &now) == 0 && sameFile(now, gLastSave.file))
            return true;  // the file on disk already holds exactly this

        QDir().mkpath(QFileInfo(file.FileName()).absolutePath());
        if (!file.Save())
            return failed(file.ErrorString());
        gLastSave = LastSave{file.FileName(), data, {}};
        if (::stat(nativePath.constData(), &gLastSave.file) != 0)
            gLastSave.path.clear();
        return true;
    } catch (const std::exception& e) {
        return failed(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return failed(QStringLiteral("unknown error"));
    }
}

namespace {
// A program save's failure was shown and no save has worked since.
bool gSaveFailureShown = false;
}  // namespace

bool SaveSettingsOrWarn(SaveRequest request)
{
    QString why;
    if (SaveSettings(&why)) {
        gSaveFailureShown = false;
        return true;
    }
    if (request == SaveRequest::Operator || !gSaveFailureShown) {
        gSaveFailureShown = true;
        ui().MsgBox(QString(gLangSettingsNotSaved).arg(MainIniPath(), why), MsgButtons::OK,
                    MsgIcon::Warning, gAppTitle);
    }
    return false;
}

bool LoadSettings(QString* error)
{
    const QString path = MainIniPath();
    if (!QFileInfo::exists(path))
        return true;
    const auto failed = [&](const QString& why) {
        if (error)
            *error = path + QStringLiteral(": ") + why;
        return false;
    };
    try {
        SettingsFile file;
        file.FileName(path);
        if (!file.Load())
            return failed(QStringLiteral("cannot be read (%1)").arg(file.ErrorString()));
        const IniReader reader(file);
        for (const Section& section : mainIniSections())
            for (const IniKey& key : section.keys)
                readKey(reader, section.name, key);
        return true;
    } catch (const IniError& e) {
        return failed(QString::fromStdString(e.what()));
    } catch (const std::exception& e) {
        return failed(QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        return failed(QStringLiteral("cannot be read"));
    }
}

int ReserveSpaceMB() { return 500 + 50 * std::clamp<int>(gReserveSpace, 0, 32767); }

namespace {
// Split sizes and times: the video viewer takes them as 16-bit numbers.
constexpr int kMaxSplit = 32760;
int splitUnits(int index) { return std::min((std::clamp(index, 0, 32767) + 1) * 10, kMaxSplit); }
}  // namespace

int SplitFileSizeMB() { return splitUnits(gFileSize); }
int SplitFileMinutes() { return splitUnits(gFileTimeLimited); }

int ScanStepSeconds()
{
    constexpr int kMaxStep = 24 * 86'400;
    return gScanDelay >= kMaxStep ? kMaxStep : std::max(gScanDelay + 1, 1);
}

int QuarterTurn(int degrees)
{
    return degrees == 90 || degrees == 180 || degrees == 270 ? degrees : 0;
}

int CameraPort(const CamInfo& cam)
{
    if (cam.Port >= 1 && cam.Port <= 65535)
        return cam.Port;
    const bool web = cam.Protocol == kProtocolServer80 || cam.Protocol == kProtocolServer80NoNet;
    return web ? 80 : kDefaultCamPort;
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
