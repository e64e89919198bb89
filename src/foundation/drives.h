// CAPIDisks: questions about drives and volumes.
//
// A "drive" here is a mounted file system, numbered 0, 1, ... in the order
// the system lists its mounts (pseudo file systems left out); its "root" is
// the mount point. DiskFreeSpace takes any path and asks about the file
// system that holds it, so callers pass the storage folder itself.
//
// Nothing here throws or shows a message: a question that cannot be answered
// gives 0, "" or False.
#pragma once

#include <QString>
#include <QtGlobal>

class CAPIDisks {
public:
    // Drive type codes.
    static constexpr qint32 kUnknown = 0;
    static constexpr qint32 kNoRoot = 1;
    static constexpr qint32 kRemovable = 2;
    static constexpr qint32 kFixed = 3;
    static constexpr qint32 kRemote = 4;
    static constexpr qint32 kCdRom = 5;
    static constexpr qint32 kRamDisk = 6;

    // Volume flags.
    static constexpr qint32 kCaseSensitiveSearch = 1;
    static constexpr qint32 kCasePreservedNames = 2;
    static constexpr qint32 kUnicodeOnDisk = 4;
    static constexpr qint32 kPersistentAcls = 8;
    static constexpr qint32 kFileCompression = 16;
    static constexpr qint32 kVolumeIsCompressed = 32768;

    // Bytes the calling user may still write on the file system that holds
    // path (blocks reserved for the administrator and the user's disk quota
    // taken into account); 0 when path does not exist or cannot be queried.
    double DiskFreeSpace(const QString& path) const;
    // Total bytes of drive n; 0 when it cannot be queried.
    double DiskTotalSpace(int drive) const;
    QString DriveFileSystemType(int drive) const;
    qint32 DriveFlags(int drive) const;
    QString DriveLabel(int drive) const;
    // The file system's UUID as upper-case hexadecimal, "" when it has none.
    QString DriveSerialNumber(int drive) const;
    qint32 DriveType(int drive) const;
    // The mount point of drive n, "" past the end of the list.
    QString LogicalDrives(int drive) const;
    static QString DriveLetterFromNumber(int number);
    static QString DriveTypeToString(qint32 type);
    qint16 GetDriveCount() const;
    bool IsDriveReady(int drive) const;
    static QString VolumeFlagsToString(qint32 flags);
    // Volume labels can only be written by the administrator's tools; this
    // changes nothing.
    void WriteVolumeLabel(int drive, const QString& label);

    // The text up to its first NUL character.
    static QString TrimNulls(const QString& text);
    // How a mount is classed: by file-system type, mount point and device.
    static qint32 DriveTypeFor(const QString& fileSystemType, const QString& rootPath,
                               const QString& device);
    // The volume flags a file-system type supports.
    static qint32 VolumeFlagsFor(const QString& fileSystemType);
    // The UUID under which uuidDir (such as /dev/disk/by-uuid) links to
    // device, upper-cased without dashes; "" when none does.
    static QString SerialFromUuidDir(const QString& uuidDir, const QString& device);
};
