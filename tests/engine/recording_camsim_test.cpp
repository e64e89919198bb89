// Recording through the real engine and the real image servers against the
// simulated camera on loopback: file splits into playable files in the
// cameras' folders, recycling by quota while recording, a dropped connection
// in the day's log, and a SIGTERM in the middle of a recording.
#include "app/program_end.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/resources.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/image_server/avi_recorder.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "support/camsim_process.h"
#include "support/fake_engine_windows.h"
#include "support/media_probe.h"
#include "support/program_globals.h"
#include "support/qt_printers.h"
#include "support/real_time_ui.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

QStringList Recordings(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.AVI")}, QDir::Files, QDir::Name);
}

qint64 FolderBytes(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

QStringList ReadLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

class RecordingCamsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveFfprobe())
            GTEST_SKIP() << "ffprobe (Debian package ffmpeg) is needed to read the files back";
        QString error;
        ASSERT_TRUE(
            sim.Start({QStringLiteral("--cameras"), QStringLiteral("2"), QStringLiteral("--size"),
                       QStringLiteral("1280x720"), QStringLiteral("--fps"), QStringLiteral("30")},
                      &error))
            << error.toStdString();
        ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
        ASSERT_TRUE(frmMain::LoadLanguage());
        storage = data.filePath(QStringLiteral("rec"));
        gStorage[0] = StorageInfo{storage, true};
        gStorageCount = 1;
        gActiveStorage = 1;
        for (int n = 1; n <= 2; ++n) {
            CamInfo& cam = gCam[n];
            cam.Assign = true;
            cam.Protocol = 0;
            cam.IPAddress = sim.cams[static_cast<size_t>(n - 1)].address;
            cam.Port = sim.cams[static_cast<size_t>(n - 1)].port;
            cam.UserName = QStringLiteral("admin");
            cam.Password = QStringLiteral("admin");
            cam.ServerName = QStringLiteral("Sim %1").arg(n);
            windows.surfaces[n] = &surfaces[n];
        }
        gWinOpen[kWinOpenPanel] = true;  // the panel's LEDs are watched
    }
    void TearDown() override
    {
        engine.reset();
        gWinOpen.fill(false);
        ForgetProgramGlobals();
    }

    // The engine with the real camera objects, loaded as the program loads it.
    frmMain& Engine()
    {
        if (!engine) {
            engine = std::make_unique<frmMain>(windows, controls);
            engine->Form_Load();
        }
        return *engine;
    }
    QString Folder(int n) const { return storage + QStringLiteral("/CAM%1_Sim %1").arg(n); }
    // Starts slot n's stream and waits for its pictures.
    void Run(int n)
    {
        Engine().CamStart(n);
        ASSERT_TRUE(WaitUntil([&] { return engine->Cam(n).frameRate() > 0; }, 20000))
            << "no pictures from camera " << n;
    }
    void ExpectPlayable(const QString& folder, const QStringList& files)
    {
        for (const QString& name : files) {
            const MediaInfo m = ProbeMedia(folder + QLatin1Char('/') + name);
            EXPECT_TRUE(m.ran) << name.toStdString();
            EXPECT_TRUE(m.errors.isEmpty()) << name.toStdString() << ": " << m.errors.toStdString();
            EXPECT_EQ(m.codec, QStringLiteral("mjpeg")) << name.toStdString();
            EXPECT_EQ(m.width, 1280);
            EXPECT_GT(m.framesDecoded, 0) << name.toStdString();
        }
    }
    QStringList Events(int n) const
    {
        QStringList out;
        for (int i = 1; i < engine->List1(n).size(); i += 2)
            out << engine->List1(n)[i].trimmed();
        return out;
    }

    CamsimProcess sim;
    RealTimeUi ui;
    QTemporaryDir data;
    QString storage;
    Journal journal;
    std::array<VideoSurface, kSlotCount + 1> surfaces;
    FakeEngineWindows windows{journal};
    ProductionControls controls;
    std::unique_ptr<frmMain> engine;
};

TEST_F(RecordingCamsim, TwoCamerasRecordIntoTheirFoldersSplitBySizeIntoPlayableFiles)
{
    gSplitFileMode = 0;
    for (int n = 1; n <= 2; ++n) {
        gCam[n].Enable = true;
        gCam[n].RecordMode = 1;
    }
    frmMain& e = Engine();
    for (int n = 1; n <= 2; ++n) {
        ASSERT_TRUE(WaitUntil([&] { return e.Cam(n).frameRate() > 0; }, 20000));
        e.Cam(n).setSplitFileSize(3);  // small files keep the test short
        ASSERT_TRUE(e.StartRecord(n, 1));
        EXPECT_TRUE(journal.Has(QStringLiteral("panel.LedControl %1 on").arg(3 * n - 2)));
    }
    ASSERT_TRUE(WaitUntil(
        [&] { return Recordings(Folder(1)).size() >= 3 && Recordings(Folder(2)).size() >= 3; },
        60000))
        << Recordings(Folder(1)).size() << " and " << Recordings(Folder(2)).size() << " files";
    for (int n = 1; n <= 2; ++n) {
        e.StopRecord(n);
        EXPECT_FALSE(gCam[n].Recording);
        EXPECT_EQ(Events(n).filter(gLangEvent[14]).size(), 1);  // started once, split silently
        EXPECT_EQ(Events(n).filter(gLangEvent[15]).size(), 1);
        const QStringList files = Recordings(Folder(n));
        ExpectPlayable(Folder(n), files);
        // All but the last were closed at the split size.
        for (int i = 0; i + 1 < files.size(); ++i) {
            const qint64 size = QFileInfo(Folder(n) + QLatin1Char('/') + files[i]).size();
            EXPECT_LE(size, 3 * kMiB);
            EXPECT_GT(size, 2 * kMiB);
        }
    }
    // Nothing else on the storage.
    EXPECT_EQ(QDir(storage).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"CAM1_Sim 1", "CAM2_Sim 2"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RecordingCamsim, RecyclingBySizeKeepsTheQuotaWhileRecording)
{
    gUseRecycleFlag = 1;
    gRecycleMode = 0;
    gRecycleSpaceValue = 0;  // 200 MiB per camera
    gFileSize = 0;           // 10 MiB files: at most 190 MiB before a new file
    const qint64 limit = 190 * kMiB;
    // Nineteen old recordings of 10 MiB (holes, no disk used): the folder is
    // at its limit before the recording starts.
    QDir().mkpath(Folder(1));
    QStringList old;
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-1);
    for (int i = 0; i < 19; ++i) {
        const QDateTime t = start.addSecs(600 * i);
        old << t.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QStringLiteral("Z.AVI");
        QFile f(Folder(1) + QLatin1Char('/') + old.last());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.resize(10 * kMiB);
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(t.addSecs(599), QFileDevice::FileModificationTime);
    }
    gCam[1].Enable = true;
    gCam[1].RecordMode = 1;
    frmMain& e = Engine();
    ASSERT_TRUE(WaitUntil([&] { return e.Cam(1).frameRate() > 0; }, 20000));
    e.Cam(1).setSplitFileSize(4);
    ASSERT_TRUE(e.StartRecord(1, 1));

    // At every split the folder is brought back within its limit: it never
    // holds more than the limit plus the file being written.
    qint64 largest = 0;
    const auto recorded = [&] {
        QStringList out;
        for (const QString& f : Recordings(Folder(1)))
            if (!old.contains(f))
                out << f;
        return out;
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            largest = std::max(largest, FolderBytes(Folder(1)));
            return recorded().size() >= 5 || !gCam[1].Recording;
        },
        60000));
    e.StopRecord(1);
    EXPECT_LE(largest, limit + 4 * kMiB + kMiB / 2);
    EXPECT_LE(FolderBytes(Folder(1)), 200 * kMiB);
    // The oldest went, in order; the new ones are all there and playable.
    QStringList remainingOld;
    for (const QString& f : Recordings(Folder(1)))
        if (old.contains(f))
            remainingOld << f;
    const QStringList made = recorded();
    ASSERT_GE(made.size(), 5);
    const qsizetype gone = old.size() - remainingOld.size();
    EXPECT_GE(gone, 1);
    EXPECT_EQ(remainingOld, old.mid(gone));
    ExpectPlayable(Folder(1), made);
    EXPECT_EQ(Events(1).filter(gLangEvent[6]).size(), 0);  // never out of storage
}

TEST_F(RecordingCamsim, ADroppedStreamIsLoggedAndTheLedFollows)
{
    gCam[1].Enable = true;
    frmMain& e = Engine();
    ASSERT_TRUE(WaitUntil([&] { return Events(1).contains(gLangEvent[3]); }, 20000));
    EXPECT_TRUE(windows.panel.leds[3]);

    // The stream breaks and comes back.
    sim.Control(1, "drop");
    ASSERT_TRUE(WaitUntil([&] { return Events(1).filter(gLangEvent[3]).size() >= 2; }, 20000))
        << Events(1).join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(Events(1).contains(gLangEvent[8]));
    EXPECT_TRUE(windows.panel.leds[3]);
    EXPECT_TRUE(gCam[1].Enable);

    // It breaks and the camera refuses the log-in: the slot stops.
    sim.Control(1, "refuse?on=1");
    sim.Control(1, "drop");
    ASSERT_TRUE(WaitUntil([&] { return Events(1).contains(gLangEvent[13]); }, 20000))
        << Events(1).join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(windows.panel.leds[3]);
    EXPECT_FALSE(gCam[1].Enable);
    EXPECT_FALSE(e.Cam(1).isRunning());

    const QStringList logged = Events(1);
    e.Form_Unload();
    const QStringList day = ReadLines(frmMain::LogFolder(1) + QLatin1Char('/')
                                      + frmMain::LogFileName(QDate::currentDate()));
    QStringList texts;
    for (int i = 1; i < day.size(); i += 2)
        texts << day[i].trimmed();
    EXPECT_EQ(texts, logged);
    EXPECT_TRUE(texts.contains(gLangEvent[8]));
}

TEST_F(RecordingCamsim, SigtermDuringARecordingLeavesTheLogTheSettingsAndPlayableFiles)
{
    WindowRegistry& registry = ::windows();
    registry.Reset();
    registry.Register(kEngineWindowName, [this] { return new frmMain(windows, controls); });
    ProgramEndRequests ends(registry);
    ASSERT_TRUE(ends.Installed());
    ends.Arm();
    for (int n = 1; n <= 2; ++n)
        gCam[n].Enable = true;
    auto* e = registry.Get<frmMain>(kEngineWindowName);
    ASSERT_NE(e, nullptr);
    for (int n = 1; n <= 2; ++n) {
        ASSERT_TRUE(WaitUntil([&] { return e->Cam(n).frameRate() > 0; }, 20000));
        e->Cam(n).setSplitFileSize(3);
        ASSERT_TRUE(e->StartRecord(n, 1));
    }
    ASSERT_TRUE(WaitUntil([&] { return Recordings(Folder(1)).size() >= 2; }, 60000));
    const QStringList events1 = e->List1(1);
    QFile::remove(MainIniPath());

    ::raise(SIGTERM);
    ASSERT_TRUE(WaitUntil([&] { return !registry.IsLoaded(kEngineWindowName); }, 20000));
    EXPECT_TRUE(registry.ProgramEndRequested());

    // The day's log holds every event, the recording's stop included.
    const QStringList day = ReadLines(frmMain::LogFolder(1) + QLatin1Char('/')
                                      + frmMain::LogFileName(QDate::currentDate()));
    ASSERT_GE(day.size(), events1.size() + 2);
    EXPECT_EQ(day.mid(0, events1.size()), events1);
    EXPECT_EQ(day.last().trimmed(), gLangEvent[15]);
    // main.ini is written, with the slots that ran to start again.
    ASSERT_TRUE(QFile::exists(MainIniPath()));
    InitGlobalVariable();
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_TRUE(gCam[2].Enable);
    // Every file is complete.
    for (int n = 1; n <= 2; ++n) {
        const QStringList files = Recordings(Folder(n));
        ASSERT_FALSE(files.isEmpty());
        for (const QString& f : files)
            EXPECT_FALSE(IsUnfinishedAvi(Folder(n) + QLatin1Char('/') + f)) << f.toStdString();
        ExpectPlayable(Folder(n), files);
    }
    registry.Reset();
}

}  // namespace
