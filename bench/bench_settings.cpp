// SaveSettings and LoadSettings of a full main.ini: four assigned slots with
// five schedules each, mail settings and sixteen storages. Both run whenever
// settings are pushed to a camera, so they must stay well under a millisecond.
// The file is written where TMPDIR points (a real disk unless told otherwise);
// a save that writes flushes the file to disk before the rename, and a save of
// unchanged settings leaves the file alone.
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "platform/settings_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void fillFullSettings()
{
    InitGlobalVariable();
    for (int n = 1; n <= kSlotCount; ++n) {
        CamInfo& c = gCam[n];
        c.Assign = true;
        c.Enable = true;
        c.UserName = QStringLiteral("admin");
        c.Password = QStringLiteral("secret%1").arg(n);
        c.IPAddress = QStringLiteral("127.0.0.%1").arg(n);
        c.MacAddress = QStringLiteral("0.16.32.10.11.%1").arg(n);
        c.ServerName = QStringLiteral("Camera %1").arg(n);
        c.ServerLocation = QStringLiteral("Gate %1").arg(n);
        c.ServerModel = QStringLiteral("PT-100");
        c.FWVersion = QStringLiteral("1.2.3");
        c.HWVersion = QStringLiteral("B");
        c.ROMVersion = QStringLiteral("4.5");
        c.PT = true;
        c.RecordMode = 2;
        c.ScheduleCount = kScheduleCount;
        for (int j = 1; j <= kScheduleCount; ++j) {
            ScheduleInfo& e = c.Schedule[j];
            e.CHECK = true;
            e.MODE = 0;
            e.WeekOption = 62;
            e.TimeStart = QStringLiteral("08:00");
            e.TimeStop = QStringLiteral("17:30");
            e.DateStart = QStringLiteral("2026-01-01");
            e.DateStop = QStringLiteral("2026-12-31");
        }
        c.MailTo = QStringLiteral("guard@example.org");
        c.MailFrom = QStringLiteral("camera@example.org");
        c.MailServer = QStringLiteral("mail.example.org");
        c.MailSubject = QStringLiteral("Motion");
        c.MailUserName = QStringLiteral("camera");
        c.MailPassword = QStringLiteral("mailsecret");
    }
    gStorageCount = kMaxStorages;
    for (int k = 0; k < kMaxStorages; ++k)
        gStorage[k] = StorageInfo{QStringLiteral("/srv/recordings/disk%1").arg(k), true};
    gPlayerPath = QStringLiteral("/usr/bin/mpv");
}

class DataFolder {
public:
    DataFolder() { SetDataPath(m_dir.path()); }
    ~DataFolder() { SetDataPath({}); }

private:
    QTemporaryDir m_dir;
};

// Every iteration changes one field, so every save writes and flushes the file.
void BM_SaveSettings(benchmark::State& state)
{
    DataFolder folder;
    fillFullSettings();
    int round = 0;
    for (auto _ : state) {
        gCam[1].Sensitivity = 1 + (++round % 9);
        if (!SaveSettings()) {
            state.SkipWithError("SaveSettings failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(QFile(MainIniPath()).size());
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);

// Nothing changed since the last save: the usual case when a camera's settings are pushed.
void BM_SaveSettingsUnchanged(benchmark::State& state)
{
    DataFolder folder;
    fillFullSettings();
    SaveSettings();
    for (auto _ : state) {
        if (!SaveSettings()) {
            state.SkipWithError("SaveSettings failed");
            break;
        }
    }
}
BENCHMARK(BM_SaveSettingsUnchanged)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings(benchmark::State& state)
{
    DataFolder folder;
    fillFullSettings();
    if (!SaveSettings()) {
        state.SkipWithError("SaveSettings failed");
        return;
    }
    for (auto _ : state) {
        if (!LoadSettings()) {
            state.SkipWithError("LoadSettings failed");
            break;
        }
    }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

// The part of a save that is not the disk: building the text.
void BM_SettingsText(benchmark::State& state)
{
    DataFolder folder;
    fillFullSettings();
    SaveSettings();
    SettingsFile file;
    file.FileName(MainIniPath());
    file.Load();
    for (auto _ : state)
        benchmark::DoNotOptimize(file.ToData());
}
BENCHMARK(BM_SettingsText)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
