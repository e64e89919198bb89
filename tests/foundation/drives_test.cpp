// Drive and volume information.
#include "foundation/drives.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// What df reports as available to the user, in bytes; -1 when df is missing.
double dfAvailable(const QString& path)
{
    QProcess df;
    df.start(QStringLiteral("df"), {QStringLiteral("-B1"), QStringLiteral("--output=avail"), path});
    if (!df.waitForFinished(10000) || df.exitCode() != 0)
        return -1;
    const QStringList lines = QString::fromLocal8Bit(df.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.size() < 2 ? -1 : lines[1].trimmed().toDouble();
}

}  // namespace

TEST(CAPIDisks, FreeSpaceComesFromThePathItself)
{
    CAPIDisks disks;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("CAM1_Lobby"));
    ASSERT_TRUE(QDir().mkpath(folder));

    const double free = disks.DiskFreeSpace(folder);
    const double reference = dfAvailable(folder);
    if (reference < 0)
        GTEST_SKIP() << "df is not available";
    // Other programs write meanwhile: allow 1 % and 64 MiB of drift.
    EXPECT_NEAR(free, reference, reference * 0.01 + 64.0 * 1024 * 1024);
    EXPECT_GT(free, 0);
    EXPECT_EQ(free, std::floor(free));  // whole bytes, exact in a double

    struct Case {
        const char* name;
        QString path;
    };
    const std::vector<Case> none = {
        {"empty", QString()},
        {"missing folder", dir.filePath(QStringLiteral("not/there"))},
        {"drive-letter root", QStringLiteral("D:\\")},
    };
    for (const auto& c : none) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(disks.DiskFreeSpace(c.path), 0.0);
    }
}

TEST(CAPIDisks, ListsTheMountedFileSystemsInOrder)
{
    CAPIDisks disks;
    const int count = disks.GetDriveCount();
    ASSERT_GE(count, 1);
    bool rootListed = false;
    for (int n = 0; n < count; ++n) {
        SCOPED_TRACE(n);
        const QString root = disks.LogicalDrives(n);
        ASSERT_FALSE(root.isEmpty());
        EXPECT_TRUE(QDir(root).exists());
        EXPECT_TRUE(disks.IsDriveReady(n));
        EXPECT_FALSE(disks.DriveFileSystemType(n).isEmpty());
        EXPECT_GE(disks.DriveType(n), CAPIDisks::kUnknown);
        EXPECT_LE(disks.DriveType(n), CAPIDisks::kRamDisk);
        EXPECT_LE(disks.DiskFreeSpace(root), disks.DiskTotalSpace(n));
        if (root == QLatin1String("/")) {
            rootListed = true;
            EXPECT_GT(disks.DiskTotalSpace(n), 0);
        }
    }
    // A root file system on a disk (not a container's overlay) is a drive.
    if (QStorageInfo::root().device().startsWith('/')) {
        EXPECT_TRUE(rootListed);
    }

    // Past the end of the list (or before it) nothing is known.
    for (const int n : {-1, count, count + 100}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(disks.LogicalDrives(n), QString());
        EXPECT_FALSE(disks.IsDriveReady(n));
        EXPECT_EQ(disks.DiskTotalSpace(n), 0.0);
        EXPECT_EQ(disks.DriveType(n), CAPIDisks::kUnknown);
        EXPECT_EQ(disks.DriveFlags(n), 0);
        EXPECT_EQ(disks.DriveLabel(n), QString());
        EXPECT_EQ(disks.DriveSerialNumber(n), QString());
        EXPECT_EQ(disks.DriveFileSystemType(n), QString());
    }
    const QString label = disks.DriveLabel(0);
    disks.WriteVolumeLabel(0, QStringLiteral("CHANGED"));  // labels stay as they are
    EXPECT_EQ(disks.DriveLabel(0), label);
}

TEST(CAPIDisks, NamesTypesFlagsAndLetters)
{
    const std::vector<std::pair<qint32, QString>> types = {
        {0, "Unknown"}, {1, "No root"},  {2, "Removable"}, {3, "Fixed"}, {4, "Remote"},
        {5, "CDROM"},   {6, "RAM Disk"}, {7, ""},          {-1, ""},
    };
    for (const auto& [code, text] : types)
        EXPECT_EQ(CAPIDisks::DriveTypeToString(code), text) << code;

    const std::vector<std::pair<qint32, QString>> flags = {
        {3, "Supports case-sensitive searching, Permits case-sensitive names"},
        {65536, ""},
        {0, ""},
        {32768 | 16, "Supports file-level compression, Volume is compressed"},
        {0xFFFF,
         "Supports case-sensitive searching, Permits case-sensitive names, Uses Unicode file "
         "names, Uses persistent ACLs, Supports file-level compression, Volume is compressed"},
    };
    for (const auto& [value, text] : flags)
        EXPECT_EQ(CAPIDisks::VolumeFlagsToString(value), text) << value;

    EXPECT_EQ(CAPIDisks::DriveLetterFromNumber(0), QStringLiteral("A"));
    EXPECT_EQ(CAPIDisks::DriveLetterFromNumber(25), QStringLiteral("Z"));

    const QChar nul(0);
    EXPECT_EQ(CAPIDisks::TrimNulls(QStringLiteral("DATA")), QStringLiteral("DATA"));
    EXPECT_EQ(CAPIDisks::TrimNulls(QStringLiteral("DATA") + nul + QStringLiteral("junk")),
              QStringLiteral("DATA"));
    EXPECT_EQ(CAPIDisks::TrimNulls(nul + QStringLiteral("DATA")), QString());
    EXPECT_EQ(CAPIDisks::TrimNulls(QString()), QString());
}

TEST(CAPIDisks, ClassesMountsByFileSystemPlaceAndDevice)
{
    struct Case {
        const char* fs;
        const char* root;
        const char* device;
        qint32 type;
    };
    const std::vector<Case> cases = {
        {"ext4", "/", "/dev/sda2", CAPIDisks::kFixed},
        {"xfs", "/srv/recordings", "/dev/mapper/vg-rec", CAPIDisks::kFixed},
        {"vfat", "/media/alice/CARD", "/dev/sdb1", CAPIDisks::kRemovable},
        {"exfat", "/run/media/bob/STICK", "/dev/sdc1", CAPIDisks::kRemovable},
        {"ext4", "/mediaserver", "/dev/sdd1", CAPIDisks::kFixed},
        {"nfs4", "/mnt/nas", "nas:/export", CAPIDisks::kRemote},
        {"cifs", "/media/share", "//server/share", CAPIDisks::kRemote},
        {"fuse.sshfs", "/home/u/remote", "u@host:", CAPIDisks::kRemote},
        {"iso9660", "/media/cdrom", "/dev/sr0", CAPIDisks::kCdRom},
        {"tmpfs", "/tmp", "tmpfs", CAPIDisks::kRamDisk},
        {"overlay", "/", "overlay", CAPIDisks::kUnknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(CAPIDisks::DriveTypeFor(QString::fromLatin1(c.fs), QString::fromLatin1(c.root),
                                          QString::fromLatin1(c.device)),
                  c.type);
    }
    EXPECT_EQ(CAPIDisks::VolumeFlagsFor(QStringLiteral("ext4")), 1 | 2 | 4 | 8);
    EXPECT_EQ(CAPIDisks::VolumeFlagsFor(QStringLiteral("btrfs")), 1 | 2 | 4 | 8 | 16);
    EXPECT_EQ(CAPIDisks::VolumeFlagsFor(QStringLiteral("vfat")), 2 | 4);
    EXPECT_EQ(CAPIDisks::VolumeFlagsFor(QStringLiteral("squashfs")), 0);
}

TEST(CAPIDisks, FindsTheSerialNumberAmongTheUuidLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString device = dir.filePath(QStringLiteral("sda1"));
    const QString other = dir.filePath(QStringLiteral("sdb1"));
    for (const QString& f : {device, other}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString uuids = dir.filePath(QStringLiteral("by-uuid"));
    ASSERT_TRUE(QDir().mkpath(uuids));
    ASSERT_TRUE(QFile::link(other, uuids + QStringLiteral("/1111-2222")));
    ASSERT_TRUE(QFile::link(QStringLiteral("../sda1"),
                            uuids + QStringLiteral("/3f2a91c4-0b7e-4d52-9a1e-7c5d2b8e6f10")));

    EXPECT_EQ(CAPIDisks::SerialFromUuidDir(uuids, device),
              QStringLiteral("3F2A91C40B7E4D529A1E7C5D2B8E6F10"));
    EXPECT_EQ(CAPIDisks::SerialFromUuidDir(uuids, other), QStringLiteral("11112222"));
    EXPECT_EQ(CAPIDisks::SerialFromUuidDir(uuids, dir.filePath(QStringLiteral("sdc1"))), QString());
    EXPECT_EQ(CAPIDisks::SerialFromUuidDir(dir.filePath(QStringLiteral("none")), device),
              QString());
    EXPECT_EQ(CAPIDisks::SerialFromUuidDir(uuids, QString()), QString());
}
