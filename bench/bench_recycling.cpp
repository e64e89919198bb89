// One recycling pass of the storage check over a camera folder of 10,000
// recordings, as it runs at every file split while recycling is on.
//
// - BM_RecyclePassWithinQuota: the folder is within its quota; the pass reads
//   the folder (sizes and times of every file), asks the free space and
//   hands the folder to the camera. This is the common split.
// - BM_RecyclePassDeletingOne: the folder is one recording over its quota;
//   the pass also deletes the oldest recording. A new recording is added
//   (untimed) before each pass, so every pass deletes exactly one.
//
// The pass pauses 100 ms after each deleted recording; that pause is counted
// apart (the program's wait is replaced by a counter here) so the figure is
// the pass's own work. Recordings are sparse files in TMPDIR (their sizes
// count, their blocks cost nothing). Files per second = recordings looked at.
#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "platform/ui_services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecordings = 10000;
constexpr qint64 kMiB = 1024 * 1024;
// The largest quota the settings offer (10,000 MiB) and 10 MiB files: the
// limit is 9,990 MiB; 10,000 recordings of this size fill it exactly.
constexpr qint64 kRecordingBytes = 9990 * kMiB / kRecordings;

class CountingUi : public QtUiServices {
public:
    void Sleep(int ms) override { pausedMs += ms; }
    qint64 pausedMs = 0;
};

class NoWindows : public IEngineWindows {
public:
    IPanelWindow* Panel() override { return nullptr; }
    IClientWindow* Client(int) override { return nullptr; }
    ICombineWindow* CombineWindow() override { return nullptr; }
    IScanWindow* ScanWindow() override { return nullptr; }
    void UnloadWindow(int) override {}
};

QString RecordingName(const QDateTime& start)
{
    return start.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QStringLiteral("Z.AVI");
}

bool MakeRecording(const QString& folder, const QDateTime& start)
{
    QFile f(folder + QLatin1Char('/') + RecordingName(start));
    if (!f.open(QIODevice::WriteOnly) || !f.resize(kRecordingBytes))
        return false;
    f.close();
    return f.open(QIODevice::ReadWrite)
           && f.setFileTime(start.addSecs(60), QFileDevice::FileModificationTime);
}

struct Setup {
    QTemporaryDir storage;
    QString folder;
    QDateTime next;
    NoWindows windows;
    ProductionControls controls;
    std::unique_ptr<frmMain> engine;

    bool Make()
    {
        InitGlobalVariable();
        gStorage[0] = StorageInfo{storage.path(), true};
        gStorageCount = 1;
        gUseRecycleFlag = 1;
        gRecycleMode = 0;
        gRecycleSpaceValue = 49;  // 10,000 MiB per camera
        gFileSize = 0;            // 10 MiB files
        gCam[1].Assign = true;
        gCam[1].ServerName = QStringLiteral("Bench");
        folder = storage.path() + QStringLiteral("/CAM1_Bench");
        if (!QDir().mkpath(folder))
            return false;
        next = QDateTime::currentDateTimeUtc().addDays(-30);
        for (int i = 0; i < kRecordings; ++i, next = next.addSecs(60))
            if (!MakeRecording(folder, next))
                return false;
        engine = std::make_unique<frmMain>(windows, controls);
        return true;
    }
};

void BM_RecyclePassWithinQuota(benchmark::State& state)
{
    CountingUi ui;
    SetUiServices(&ui);
    Setup s;
    if (!s.Make()) {
        state.SkipWithError("cannot make the recordings");
        return;
    }
    for (auto _ : state) {
        if (!s.engine->CheckStorage(1)) {
            state.SkipWithError("the storage check failed (not enough free space in TMPDIR?)");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecordings);
    state.counters["paused_ms"] = static_cast<double>(ui.pausedMs);
    SetUiServices(nullptr);
}
BENCHMARK(BM_RecyclePassWithinQuota)->Unit(benchmark::kMillisecond);

void BM_RecyclePassDeletingOne(benchmark::State& state)
{
    CountingUi ui;
    SetUiServices(&ui);
    Setup s;
    if (!s.Make()) {
        state.SkipWithError("cannot make the recordings");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        MakeRecording(s.folder, s.next);
        s.next = s.next.addSecs(60);
        state.ResumeTiming();
        if (!s.engine->CheckStorage(1)) {
            state.SkipWithError("the storage check failed (not enough free space in TMPDIR?)");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecordings);
    state.counters["deleted_per_pass"] =
        static_cast<double>(ui.pausedMs) / 100.0 / static_cast<double>(state.iterations());
    if (QDir(s.folder).entryList(QDir::Files).size() != kRecordings)
        state.SkipWithError("the pass did not keep the folder at its quota");
    SetUiServices(nullptr);
}
BENCHMARK(BM_RecyclePassDeletingOne)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
