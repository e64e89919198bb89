#include "foundation/drives.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QStorageInfo>

#include <sys/quota.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>

namespace {

QList<QStorageInfo> volumes() { return QStorageInfo::mountedVolumes(); }

// The volume of drive n; an invalid QStorageInfo past the end of the list.
QStorageInfo volume(int drive)
{
    const QList<QStorageInfo> list = volumes();
    if (drive < 0 || drive >= list.size())
        return {};
    return list[drive];
}

// The space a disk quota still allows the user or group id on device, in
// bytes; -1 when no quota limits it (or quotas are not in use).
double quotaRoom(const QByteArray& device, int type, unsigned id)
{
    if (device.isEmpty() || !device.startsWith('/'))
        return -1;
    dqblk quota{};
    if (quotactl(QCMD(Q_GETQUOTA, type), device.constData(), static_cast<int>(id),
                 reinterpret_cast<caddr_t>(&quota))
        != 0)
        return -1;
    if (!(quota.dqb_valid & QIF_BLIMITS))
        return -1;
    const unsigned long long limitBlocks =
        quota.dqb_bsoftlimit ? quota.dqb_bsoftlimit : quota.dqb_bhardlimit;
    if (limitBlocks == 0)
        return -1;
    const double limit = static_cast<double>(limitBlocks) * QIF_DQBLKSIZE;
    const double used = static_cast<double>(quota.dqb_curspace);
    return limit > used ? limit - used : 0;
}

bool oneOf(const QString& value, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const char* n) { return value == QLatin1String(n); });
}

}  // namespace

double CAPIDisks::DiskFreeSpace(const QString& path) const
{
    if (path.isEmpty())
        return 0;
    struct statvfs st {};
    const QByteArray native = QFile::encodeName(path);
    if (statvfs(native.constData(), &st) != 0)
        return 0;
    double free = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
    const QByteArray device = QStorageInfo(path).device();
    for (const auto& [type, id] : {std::pair<int, unsigned>{USRQUOTA, getuid()},
                                   std::pair<int, unsigned>{GRPQUOTA, getgid()}}) {
        const double room = quotaRoom(device, type, id);
        if (room >= 0)
            free = std::min(free, room);
    }
    return free;
}

double CAPIDisks::DiskTotalSpace(int drive) const
{
    const QString root = LogicalDrives(drive);
    if (root.isEmpty())
        return 0;
    struct statvfs st {};
    if (statvfs(QFile::encodeName(root).constData(), &st) != 0)
        return 0;
    return static_cast<double>(st.f_blocks) * static_cast<double>(st.f_frsize);
}

QString CAPIDisks::DriveFileSystemType(int drive) const
{
    const QStorageInfo v = volume(drive);
    return v.isValid() ? QString::fromLatin1(v.fileSystemType()) : QString();
}

qint32 CAPIDisks::DriveFlags(int drive) const
{
    const QStorageInfo v = volume(drive);
    return v.isValid() && v.isReady() ? VolumeFlagsFor(QString::fromLatin1(v.fileSystemType())) : 0;
}

QString CAPIDisks::DriveLabel(int drive) const
{
    const QStorageInfo v = volume(drive);
    return v.isValid() ? TrimNulls(v.name()) : QString();
}

QString CAPIDisks::DriveSerialNumber(int drive) const
{
    const QStorageInfo v = volume(drive);
    if (!v.isValid())
        return {};
    return SerialFromUuidDir(QStringLiteral("/dev/disk/by-uuid"), QFile::decodeName(v.device()));
}

qint32 CAPIDisks::DriveType(int drive) const
{
    const QStorageInfo v = volume(drive);
    if (!v.isValid() || !v.isReady())
        return kUnknown;
    return DriveTypeFor(QString::fromLatin1(v.fileSystemType()), v.rootPath(),
                        QFile::decodeName(v.device()));
}

QString CAPIDisks::LogicalDrives(int drive) const
{
    const QStorageInfo v = volume(drive);
    return v.isValid() ? v.rootPath() : QString();
}

QString CAPIDisks::DriveLetterFromNumber(int number)
{
    return QString(QChar(char16_t(65 + number)));
}

QString CAPIDisks::DriveTypeToString(qint32 type)
{
    switch (type) {
    case kUnknown:
        return QStringLiteral("Unknown");
    case kNoRoot:
        return QStringLiteral("No root");
    case kRemovable:
        return QStringLiteral("Removable");
    case kFixed:
        return QStringLiteral("Fixed");
    case kRemote:
        return QStringLiteral("Remote");
    case kCdRom:
        return QStringLiteral("CDROM");
    case kRamDisk:
        return QStringLiteral("RAM Disk");
    default:
        return {};
    }
}

qint16 CAPIDisks::GetDriveCount() const
{
    return static_cast<qint16>(std::min<qsizetype>(volumes().size(), 32767));
}

bool CAPIDisks::IsDriveReady(int drive) const
{
    const QStorageInfo v = volume(drive);
    return v.isValid() && v.isReady();
}

QString CAPIDisks::VolumeFlagsToString(qint32 flags)
{
    static const std::pair<qint32, const char*> names[] = {
        {kCaseSensitiveSearch, "Supports case-sensitive searching"},
        {kCasePreservedNames, "Permits case-sensitive names"},
        {kUnicodeOnDisk, "Uses Unicode file names"},
        {kPersistentAcls, "Uses persistent ACLs"},
        {kFileCompression, "Supports file-level compression"},
        {kVolumeIsCompressed, "Volume is compressed"},
    };
    QStringList parts;
    for (const auto& [flag, name] : names)
        if (flags & flag)
            parts << QLatin1String(name);
    return parts.join(QStringLiteral(", "));
}

void CAPIDisks::WriteVolumeLabel(int, const QString&) {}

QString CAPIDisks::TrimNulls(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

qint32 CAPIDisks::DriveTypeFor(const QString& fileSystemType, const QString& rootPath,
                               const QString& device)
{
    const QString fs = fileSystemType.toLower();
    if (oneOf(fs, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "9p", "afs",
                   "ceph", "glusterfs", "fuse.glusterfs", "davfs", "fuse.rclone"}))
        return kRemote;
    if (oneOf(fs, {"iso9660", "udf"}))
        return kCdRom;
    if (oneOf(fs, {"tmpfs", "ramfs"}))
        return kRamDisk;
    auto under = [&](const char* folder) {
        const QString f = QLatin1String(folder);
        return rootPath == f || rootPath.startsWith(f + QLatin1Char('/'));
    };
    if (under("/media") || under("/run/media"))
        return kRemovable;
    if (device.startsWith(QLatin1String("/dev/")))
        return kFixed;
    return kUnknown;
}

qint32 CAPIDisks::VolumeFlagsFor(const QString& fileSystemType)
{
    const QString fs = fileSystemType.toLower();
    const qint32 posix =
        kCaseSensitiveSearch | kCasePreservedNames | kUnicodeOnDisk | kPersistentAcls;
    if (oneOf(fs, {"btrfs", "zfs"}))
        return posix | kFileCompression;
    if (oneOf(fs, {"ext2", "ext3", "ext4", "xfs", "f2fs", "jfs", "reiserfs", "tmpfs", "nfs", "nfs4",
                   "ceph", "overlay"}))
        return posix;
    if (oneOf(fs, {"ntfs", "ntfs3", "fuseblk"}))
        return posix | kFileCompression;
    if (oneOf(fs, {"vfat", "exfat", "msdos"}))
        return kCasePreservedNames | kUnicodeOnDisk;
    if (oneOf(fs, {"iso9660", "udf"}))
        return kCaseSensitiveSearch | kCasePreservedNames | kUnicodeOnDisk;
    return 0;
}

QString CAPIDisks::SerialFromUuidDir(const QString& uuidDir, const QString& device)
{
    if (device.isEmpty())
        return {};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QDir dir(uuidDir);
    const QStringList links =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& uuid : links) {
        if (QFileInfo(dir.filePath(uuid)).canonicalFilePath() == target)
            return QString(uuid).remove(QLatin1Char('-')).toUpper();
    }
    return {};
}
