// The storage picks and the recycling of old recordings, against real
// folders in a temporary directory, a fake clock and a table of free space.
#include "engine_fixture.h"
#include "foundation/drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

class StorageTest : public EngineFixture {
protected:
    StorageTest()
    {
        engine.SetFreeSpaceSource([this](const QString& path) {
            ++freeQueries;
            if (freeFn)
                return freeFn(path);
            const auto it = free.find(path);
            return it == free.end() ? 0.0 : it->second;
        });
        for (int n = 1; n <= kSlotCount; ++n)
            cam(n).storageReadyValue = false;  // the camera has no folder yet
        gUseRecycleFlag = 0;
        gReserveSpace = 0;       // R = 500 MiB
        gRecycleSpaceValue = 0;  // Q = 200 MiB
        gFileSize = 0;           // S = 10 MiB
        gRecycleTime = 0;        // 2 hours
    }

    // Storage k (1-based) at <tmp>/s<k>, checked or not, with this much free.
    QString Storage(int k, bool checked, double freeMiB)
    {
        const QString path = dir.filePath(QStringLiteral("s%1").arg(k));
        gStorage[static_cast<size_t>(k - 1)] = StorageInfo{path, checked};
        gStorageCount = std::max(gStorageCount, k);
        free[path] = freeMiB * kMiB;
        return path;
    }
    // A file of `mib` MiB (sparse) modified at `mtime`.
    static QString MakeFile(const QString& path, double mib, const QDateTime& mtime)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.resize(static_cast<qint64>(mib * kMiB));
        f.close();
        EXPECT_TRUE(f.open(QIODevice::ReadWrite));
        EXPECT_TRUE(f.setFileTime(mtime, QFileDevice::FileModificationTime));
        f.close();
        return path;
    }
    // A recording's name as the recorder gives it (UTC time of its start).
    static QString RecName(const QDateTime& start)
    {
        return start.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
               + QStringLiteral("Z.AVI");
    }
    QDateTime At(int h, int m, int s = 0, int ms = 0) const
    {
        return QDateTime(QDate(2026, 12, 9), QTime(h, m, s, ms));
    }
    static QStringList Files(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }
    QStringList RecordPaths(int n) const
    {
        QStringList out;
        for (const auto& c : controls.cams[n]->calls)
            if (c.id == CamId::RecordPath)
                out << c.args.value(0).toString();
        return out;
    }

    std::map<QString, double> free;
    std::function<double(const QString&)> freeFn;
    int freeQueries = 0;
};

TEST_F(StorageTest, CameraFolderNamesAndJoins)
{
    struct Case {
        int n;
        QString serverName;
        QString path;
        QString folder;
    };
    const Case cases[] = {
        {2, QStringLiteral("Lobby/East"), QStringLiteral("/rec"),
         QStringLiteral("/rec/CAM2_LobbyEast")},
        {1, QStringLiteral("Name"), QStringLiteral("/rec/"), QStringLiteral("/rec/CAM1_Name")},
        {3, QStringLiteral("\\/:*?\"<>|"), QStringLiteral("/r"), QStringLiteral("/r/CAM3_")},
        // Trimmed before the characters go: the blank after the slash stays.
        {4, QStringLiteral("  a/ b  "), QStringLiteral("/r"), QStringLiteral("/r/CAM4_a b")},
        {1, QStringLiteral(" / x"), QStringLiteral("/r"), QStringLiteral("/r/CAM1_ x")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serverName.toStdString());
        EXPECT_EQ(frmMain::JoinPath(c.path, frmMain::CameraFolderName(c.n, c.serverName)),
                  c.folder);
    }
}

TEST_F(StorageTest, HourStartsAreCountedAsAClockCountsThem)
{
    struct Case {
        QDateTime from;
        QDateTime to;
        qint64 hours;
    };
    const QDate d(2026, 12, 9);
    const Case cases[] = {
        {QDateTime(d, QTime(10, 59)), QDateTime(d, QTime(12, 0)), 2},
        {QDateTime(d, QTime(10, 59)), QDateTime(d, QTime(11, 59, 59)), 1},
        {QDateTime(d, QTime(11, 0)), QDateTime(d, QTime(11, 59, 59)), 0},
        {QDateTime(d, QTime(23, 30)), QDateTime(d.addDays(1), QTime(0, 10)), 1},
        {QDateTime(d, QTime(12, 0)), QDateTime(d, QTime(10, 0)), -2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frmMain::HourStartsBetween(c.from, c.to), c.hours)
            << c.from.toString().toStdString() << " -> " << c.to.toString().toStdString();
}

TEST_F(StorageTest, PlainPickWalksTheCheckedStoragesFromTheActiveOne)
{
    struct Case {
        const char* name;
        std::vector<std::pair<bool, double>> storages;  // checked, free MiB
        int active;
        bool ok;
        std::vector<int> handed;  // storages whose folder the camera got, in order
    };
    const Case cases[] = {
        {"first has room", {{true, 900}, {true, 900}}, 1, true, {1}},
        {"starts at the active one", {{true, 900}, {true, 900}}, 2, true, {2}},
        {"full active, wraps to 1", {{true, 900}, {true, 100}}, 2, true, {2, 1}},
        {"unchecked skipped", {{false, 900}, {true, 900}}, 1, true, {2}},
        {"reserve exactly free is full", {{true, 500}}, 1, false, {1}},
        {"just above the reserve", {{true, 500.01}}, 1, true, {1}},
        {"all full", {{true, 10}, {true, 20}, {true, 30}}, 2, false, {2, 3, 1}},
        {"none checked", {{false, 900}, {false, 900}}, 1, false, {}},
        {"active beyond the list starts at 1", {{true, 10}, {true, 900}}, 9, true, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cam(1).calls.clear();
        gStorageCount = 0;
        for (size_t i = 0; i < c.storages.size(); ++i)
            Storage(static_cast<int>(i + 1), c.storages[i].first, c.storages[i].second);
        gActiveStorage = c.active;
        Assign(1, 0);
        gCam[1].ServerName = QStringLiteral(" Door ");

        EXPECT_EQ(engine.CheckStorage(1), c.ok);

        QStringList expected;
        for (const int k : c.handed)
            expected << gStorage[static_cast<size_t>(k - 1)].Path + QStringLiteral("/CAM1_Door");
        EXPECT_EQ(RecordPaths(1), expected);
        for (const QString& folder : expected)
            EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
        EXPECT_EQ(cam(1).Count(CamId::KeepFilePath), static_cast<int>(expected.size()));
        if (!expected.isEmpty()) {
            EXPECT_EQ(cam(1).Args(CamId::KeepFilePath).value(0).toString(), QString());
        }
        EXPECT_EQ(gActiveStorage, c.active);  // the plain pick never moves it
    }
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(StorageTest, AProtocol3SlotGetsItsFolderThroughTheViewer)
{
    Storage(1, true, 900);
    Assign(2, 3);
    EXPECT_TRUE(engine.CheckStorage(2));
    EXPECT_EQ(viewer(2).recordPath, gStorage[0].Path + QStringLiteral("/CAM2_Cam 2"));
    EXPECT_EQ(cam(2).Count(CamId::RecordPath), 0);
    EXPECT_EQ(cam(2).Count(CamId::KeepFilePath), 0);
}

TEST_F(StorageTest, AReadyCameraNeedsNoPickUnlessRecyclingKeepsItsFolder)
{
    Storage(1, true, 900);
    Assign(1, 0);
    cam(1).storageReadyValue = true;
    EXPECT_TRUE(engine.CheckStorage(1));
    EXPECT_EQ(cam(1).Count(CamId::RecordPath), 0);
    EXPECT_EQ(freeQueries, 0);

    // With recycling the rules run at every check, or the quota would never
    // be kept while the disk has room.
    gUseRecycleFlag = 1;
    gRecycleMode = 1;
    EXPECT_TRUE(engine.CheckStorage(1));
    EXPECT_EQ(cam(1).Count(CamId::RecordPath), 1);
}

TEST_F(StorageTest, AFolderThatCannotBeMadeSkipsItsStorageAndIsReportedOnce)
{
    // A file where the storage folder should be.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    MakeFile(blocked, 0, At(9, 0));
    gStorage[0] = StorageInfo{blocked, true};
    free[blocked] = 900 * kMiB;
    Storage(2, true, 900);
    gStorage[2] = StorageInfo{QString(), true};  // an empty path: no message
    gStorageCount = 3;
    gActiveStorage = 1;
    Assign(1, 0);

    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(engine.CheckStorage(1));
        EXPECT_EQ(cam(1).recordPath, gStorage[1].Path + QStringLiteral("/CAM1_Cam 1"));
    }
    EXPECT_TRUE(fake.messages.empty());  // shown after the pick, from the event loop
    QCoreApplication::processEvents();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("CheckPath"));
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("Error: ")));

    // Recycling takes the first usable checked storage and makes it active.
    gUseRecycleFlag = 1;
    gRecycleMode = 1;
    EXPECT_TRUE(engine.CheckStorage(1));
    EXPECT_EQ(gActiveStorage, 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.messages.size(), 1u);

    // Only an empty path or an unusable one: no storage.
    gStorage[1].Checked = false;
    EXPECT_FALSE(engine.CheckStorage(1));
    gStorageCount = 0;
    EXPECT_FALSE(engine.CheckStorage(1));
    gUseRecycleFlag = 0;
    EXPECT_FALSE(engine.CheckStorage(1));
}

TEST_F(StorageTest, TheAgeRuleDeletesOldRecordingsWithTheirCompanionsAndMeasuresAgain)
{
    const QString storage = Storage(1, true, 0);
    Assign(1, 0);
    gUseRecycleFlag = 1;
    gRecycleMode = 1;
    gRecycleTime = 0;  // older than 2 hours goes
    const QString folder = storage + QStringLiteral("/CAM1_Cam 1");
    const QString old1 = RecName(At(9, 30));
    const QString old2 = RecName(At(8, 0));
    MakeFile(folder + QLatin1Char('/') + old1, 1, At(9, 59, 59));  // 3 hour starts: goes
    MakeFile(folder + QStringLiteral("/") + old1.chopped(4) + QStringLiteral(".sub"), 1, At(9, 59));
    MakeFile(folder + QLatin1Char('/') + old2.chopped(3) + QStringLiteral("avi"), 1, At(8, 1));
    const QString keep1 = RecName(At(10, 40));
    MakeFile(folder + QLatin1Char('/') + keep1, 1, At(10, 59));    // 2 hour starts: stays
    MakeFile(folder + QStringLiteral("/notes.txt"), 1, At(1, 0));  // not a recording
    MakeFile(folder + QStringLiteral("/") + keep1.chopped(4) + QStringLiteral(".SUB"), 1, At(1, 0));

    // Free space below the reserve until the old files are gone.
    freeFn = [&](const QString&) {
        return QFile::exists(folder + QLatin1Char('/') + old1) ? 499 * kMiB : 501 * kMiB;
    };
    fake.sleeps.clear();
    EXPECT_TRUE(engine.CheckStorage(1));
    EXPECT_EQ(Files(folder), QStringList({keep1, keep1.chopped(4) + QStringLiteral(".SUB"),
                                          QStringLiteral("notes.txt")}));
    EXPECT_EQ(fake.sleeps, std::vector<int>({100, 100}));
    EXPECT_EQ(cam(1).recordPath, folder);
    EXPECT_EQ(gActiveStorage, 1);

    // Nothing old: the first measure stands; exactly the reserve is enough.
    freeFn = [](const QString&) { return 500 * kMiB; };
    EXPECT_TRUE(engine.CheckStorage(1));
    freeFn = [](const QString&) { return 499.5 * kMiB; };
    EXPECT_FALSE(engine.CheckStorage(1));
    EXPECT_EQ(Files(folder).size(), 3);
}

TEST_F(StorageTest, TheSizeRuleKeepsTheQuotaOldestFirst)
{
    gUseRecycleFlag = 1;
    gRecycleMode = 0;
    struct Case {
        const char* name;
        double freeMiB;
        int slot3Mode;
        int fileSize;     // list index
        double otherMiB;  // a file that is not a recording
        bool ok;
        int deleted;
    };
    const Case cases[] = {
        // Spare quota: slot 2 records (folder missing: all 200 spare), slot 4
        // records (50 of 200 used: 150 spare), slot 1 is over its quota.
        {"room for reserve and spare quota", 850, 0, 0, 9.5, true, 1},
        {"two recordings must go", 850, 0, 0, 14.5, true, 2},
        {"just short of it", 849.99, 0, 0, 9.5, false, 0},
        {"slot 3 records too", 850, 1, 0, 9.5, false, 0},
        {"not even one file fits the quota", 5000, 0, 19, 9.5, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.filePath(QStringLiteral("s1"))).removeRecursively();
        const QString storage = Storage(1, true, c.freeMiB);
        for (int n = 1; n <= 4; ++n)
            Assign(n, n == 1 ? 3 : 0);
        gCam[2].RecordMode = 1;
        gCam[3].RecordMode = c.slot3Mode;
        gCam[4].RecordMode = 3;
        gFileSize = static_cast<qint16>(c.fileSize);
        const QString own = storage + QStringLiteral("/CAM1_Cam 1");
        MakeFile(storage + QStringLiteral("/CAM4_Cam 4/x/") + RecName(At(8, 0)), 50, At(8, 0));
        MakeFile(storage + QStringLiteral("/CAM3_Cam 3/") + RecName(At(8, 0)), 190, At(8, 0));
        // Ten recordings of 20 MiB, a companion and another file: 210 or 215
        // MiB, limit 190. Names are start times; modification times are when they ended.
        QStringList names;
        for (int i = 0; i < 10; ++i) {
            names << RecName(At(9 + i / 6, (i % 6) * 10));
            MakeFile(own + QLatin1Char('/') + names.last(), 20, At(9 + i / 6, (i % 6) * 10 + 9));
        }
        // The first two ended within one second (the later one first):
        // equal whole seconds keep the order met, so the first name goes first.
        {
            QFile f0(own + QLatin1Char('/') + names[0]);
            f0.open(QIODevice::ReadWrite);
            f0.setFileTime(At(8, 59, 30, 900), QFileDevice::FileModificationTime);
            QFile f1(own + QLatin1Char('/') + names[1]);
            f1.open(QIODevice::ReadWrite);
            f1.setFileTime(At(8, 59, 30, 100), QFileDevice::FileModificationTime);
        }
        // A recording whose name sorts first but that ended last.
        const QString early = RecName(At(7, 0));
        MakeFile(own + QLatin1Char('/') + early, 0.0, At(11, 55));
        MakeFile(own + QStringLiteral("/") + names[0].chopped(4) + QStringLiteral(".sub"), 0.5,
                 At(9, 0));
        MakeFile(own + QStringLiteral("/other.dat"), c.otherMiB, At(1, 0));
        const QStringList before = Files(own);
        fake.sleeps.clear();

        EXPECT_EQ(engine.CheckStorage(1), c.ok);

        QStringList expected = before;
        if (c.deleted >= 1) {
            expected.removeAll(names[0]);
            expected.removeAll(names[0].chopped(4) + QStringLiteral(".sub"));
        }
        if (c.deleted >= 2)
            expected.removeAll(names[1]);
        EXPECT_EQ(Files(own), expected);
        EXPECT_EQ(fake.sleeps, std::vector<int>(static_cast<size_t>(c.deleted), 100));
        EXPECT_EQ(viewer(1).recordPath, own);
        EXPECT_EQ(gActiveStorage, 1);
    }
}

TEST_F(StorageTest, TheSizeRuleNeverDeletesTheLastRecording)
{
    gUseRecycleFlag = 1;
    gRecycleMode = 0;
    const QString storage = Storage(1, true, 5000);
    Assign(1, 0);
    const QString own = storage + QStringLiteral("/CAM1_Cam 1");
    MakeFile(own + QLatin1Char('/') + RecName(At(9, 0)), 195, At(9, 10));
    MakeFile(own + QStringLiteral("/a.txt"), 1, At(1, 0));
    EXPECT_FALSE(engine.CheckStorage(1));
    EXPECT_EQ(Files(own).size(), 2);

    // Within the limit: nothing to do.
    QFile::remove(own + QStringLiteral("/a.txt"));
    QFile::resize(own + QLatin1Char('/') + RecName(At(9, 0)), static_cast<qint64>(190 * kMiB));
    EXPECT_TRUE(engine.CheckStorage(1));
    EXPECT_EQ(Files(own).size(), 1);

    // A recycle mode that is neither size nor age.
    gRecycleMode = 2;
    EXPECT_FALSE(engine.CheckStorage(1));
    EXPECT_EQ(cam(1).recordPath, own);
}

}  // namespace

namespace {

// Without a table the free space is the system's, asked of the storage
// folder or, before it exists, of its nearest existing parent.
class SystemStorageTest : public EngineFixture {};

TEST_F(SystemStorageTest, ANewStorageIsMeasuredOnItsParentsFileSystem)
{
    const double free = CAPIDisks().DiskFreeSpace(dir.path());
    if (free < 600.0 * 1024 * 1024)
        GTEST_SKIP() << "less than 600 MiB free in the temporary folder";
    const QString storage = dir.filePath(QStringLiteral("new/deeper/rec"));
    gStorage[0] = StorageInfo{storage, true};
    gStorageCount = 1;
    gActiveStorage = 1;
    gUseRecycleFlag = 0;
    gReserveSpace = 0;
    Assign(1, 0);
    cam(1).storageReadyValue = false;
    EXPECT_TRUE(engine.CheckStorage(1));
    EXPECT_EQ(cam(1).recordPath, storage + QStringLiteral("/CAM1_Cam 1"));
    EXPECT_TRUE(QFileInfo(cam(1).recordPath).isDir());

    // A reserve larger than the disk: full.
    gReserveSpace = 32767;
    EXPECT_FALSE(engine.CheckStorage(1));
}

}  // namespace
