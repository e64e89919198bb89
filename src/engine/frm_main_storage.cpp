// Where recordings go: the storage picks, the camera folders and the
// recycling of old recordings by age or by a per-camera quota.
//
// A storage is a folder the operator configured; a camera's recordings lie in
// its camera folder "CAM<n>_<server name>" directly below the storage. A
// recording is a file of that folder whose name ends in "AVI" (any case);
// a protocol-3 camera writes a ".SUB" companion beside each.
#include "engine/frm_main.h"

#include "foundation/drives.h"
#include "foundation/helpers.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
// The pause after each deleted recording.
constexpr int kDeleteWaitMs = 100;

// The settings as sizes in bytes; list indexes below 0 count as 0.
double ReserveBytes() { return (std::max<int>(0, gReserveSpace) * 50.0 + 500.0) * kMiB; }
double QuotaBytes() { return (std::max(0, gRecycleSpaceValue) * 200.0 + 200.0) * kMiB; }
double FileBytes() { return ((std::max<int>(0, gFileSize) + 1) * 10.0) * kMiB; }
qint64 AgeLimitHours() { return std::max(0, gRecycleTime) * 2LL + 2; }

bool IsRecordingName(const QString& name)
{
    return name.size() >= 3
           && name.right(3).compare(QLatin1String("AVI"), Qt::CaseInsensitive) == 0;
}

// What one camera folder holds: the size of everything below it, its
// recordings (in name order) and the companions beside them.
struct FolderContent {
    struct Recording {
        QString name;
        QString path;
        qint64 size = 0;
        qint64 mtimeMs = 0;  // since the epoch
        qint64 mtimeSecs() const { return mtimeMs >= 0 ? mtimeMs / 1000 : (mtimeMs - 999) / 1000; }
    };
    double totalBytes = 0;
    std::vector<Recording> recordings;
    QHash<QString, std::pair<QString, qint64>> companions;  // by lower-case stem: path, size
};

QString Stem(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)).toLower();
}

// Bytes of every file below a folder (links not followed).
double TreeBytes(int parentFd, const char* name)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return 0;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    double total = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            total += TreeBytes(fd, e->d_name);
        else if (S_ISREG(st.st_mode))
            total += static_cast<double>(st.st_size);
    }
    ::closedir(dir);
    return total;
}

// Reads the folder straight from the system: a split runs this on folders
// of thousands of recordings. A folder that does not exist is empty.
FolderContent ReadFolder(const QString& folder)
{
    FolderContent c;
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return c;
    const int fd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            c.totalBytes += TreeBytes(fd, e->d_name);
            continue;
        }
        if (!S_ISREG(st.st_mode))
            continue;
        c.totalBytes += static_cast<double>(st.st_size);
        const QString name = QFile::decodeName(e->d_name);
        const QString filePath = folder + QLatin1Char('/') + name;
        if (IsRecordingName(name)) {
            const qint64 ms =
                static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
            c.recordings.push_back({name, filePath, static_cast<qint64>(st.st_size), ms});
        } else if (name.endsWith(QLatin1String(".SUB"), Qt::CaseInsensitive)) {
            c.companions.insert(Stem(name), {filePath, static_cast<qint64>(st.st_size)});
        }
    }
    ::closedir(dir);
    std::sort(c.recordings.begin(), c.recordings.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    return c;
}

// The nearest folder that exists at or above `path` ("" when none does).
QString NearestExistingFolder(const QString& path)
{
    QString p = QDir::cleanPath(path);
    while (!p.isEmpty()) {
        const QFileInfo info(p);
        if (info.exists())
            return info.isDir() ? p : info.absolutePath();
        const QString parent = QFileInfo(p).path();
        if (parent == p || parent == QLatin1String("."))
            break;
        p = parent;
    }
    return {};
}

// Deletes a recording and its companion; the bytes freed, or -1 when the
// recording could not be deleted.
double DeleteRecording(const FolderContent& content, const FolderContent::Recording& r)
{
    if (!QFile::remove(r.path))
        return -1;
    double freed = static_cast<double>(r.size);
    const auto companion = content.companions.constFind(Stem(r.name));
    if (companion != content.companions.constEnd() && QFile::remove(companion->first))
        freed += static_cast<double>(companion->second);
    return freed;
}

}  // namespace

QString frmMain::CameraFolderName(int n, const QString& serverName)
{
    return StripFileChars(QStringLiteral("CAM%1_").arg(n) + serverName.trimmed());
}

QString frmMain::JoinPath(const QString& path, const QString& name)
{
    if (path.endsWith(QLatin1Char('/')))
        return path + name;
    return path + QLatin1Char('/') + name;
}

qint64 frmMain::HourStartsBetween(const QDateTime& from, const QDateTime& to)
{
    const QDateTime a = from.toLocalTime();
    const QDateTime b = to.toLocalTime();
    return a.date().daysTo(b.date()) * 24 + b.time().hour() - a.time().hour();
}

void frmMain::SetFreeSpaceSource(FreeSpaceSource source) { m_freeSpace = std::move(source); }

double frmMain::FreeSpace(const QString& path) const
{
    if (m_freeSpace)
        return m_freeSpace(path);
    // A storage folder that does not exist yet will be made on the file
    // system of its nearest existing parent.
    const QString existing = NearestExistingFolder(path);
    return existing.isEmpty() ? 0.0 : CAPIDisks().DiskFreeSpace(existing);
}

bool frmMain::CheckStorage(int n)
{
    if (m_closing || !ValidSlot(n))
        return false;
    try {
        if (gUseRecycleFlag != 0)
            return CheckStorageRecycle(n);
        // The camera still has room where it records.
        if (Cam(n).storageReady())
            return true;
        return CheckStorageNoRecycle(n);
    } catch (...) {
        return false;
    }
}

void frmMain::HandFolder(int n, const QString& folder, bool clearKeepFolder)
{
    if (gCam[n].Protocol == kProtocolViewer) {
        WisViewer1(n).setRecordPath(folder);
    } else {
        Cam(n).setRecordPath(folder);
        if (clearKeepFolder)
            Cam(n).setKeepFilePath(QString());
    }
}

bool frmMain::CheckStorageNoRecycle(int n)
{
    const int count = std::clamp(gStorageCount, 0, kMaxStorages);
    if (count == 0)
        return false;
    // A hand-edited active storage outside the list starts at the first.
    int k = gActiveStorage >= 1 && gActiveStorage <= count ? gActiveStorage : 1;
    const double reserve = ReserveBytes();
    for (int tried = 0; tried < count; ++tried) {
        const StorageInfo& storage = gStorage[static_cast<size_t>(k - 1)];
        if (storage.Checked) {
            const double free = FreeSpace(storage.Path);
            QString folder;
            if (CheckPath(storage.Path, CameraFolderName(n, gCam[n].ServerName), folder)) {
                HandFolder(n, folder, true);
                if (reserve < free)
                    return true;
            }
        }
        k = k == count ? 1 : k + 1;
    }
    return false;
}

bool frmMain::CheckStorageRecycle(int n)
{
    const int count = std::clamp(gStorageCount, 0, kMaxStorages);
    for (int k = 1; k <= count; ++k) {
        const StorageInfo& storage = gStorage[static_cast<size_t>(k - 1)];
        if (!storage.Checked)
            continue;
        // Free space first, as the folder check may make folders.
        const double free = FreeSpace(storage.Path);
        QString folder;
        if (!CheckPath(storage.Path, CameraFolderName(n, gCam[n].ServerName), folder))
            continue;  // an unusable storage is skipped
        gActiveStorage = k;
        HandFolder(n, folder, false);
        if (gRecycleMode == 1) {
            const int deleted = DeleteOldRecordings(folder);
            if (deleted < 0)
                return false;
            // Measured again when recordings were deleted.
            return ReserveBytes() <= (deleted > 0 ? FreeSpace(storage.Path) : free);
        }
        if (gRecycleMode == 0)
            return KeepQuota(n, folder, storage.Path, free);
        return false;
    }
    return false;
}

bool frmMain::CheckPath(const QString& path, const QString& folderName, QString& recordFolder)
{
    if (path.trimmed().isEmpty())
        return false;
    recordFolder = JoinPath(path, folderName);
    const bool ok = QDir().mkpath(recordFolder) && QFileInfo(recordFolder).isDir();
    if (ok) {
        m_unusableStorages.removeAll(path);
        return true;
    }
    // Reported once per storage, not at every file split.
    if (!m_unusableStorages.contains(path)) {
        m_unusableStorages << path;
        ShowBoxLater(QStringLiteral("Error: 75. The folder \"%1\" cannot be created; "
                                    "recordings go to the next storage that can take them.")
                         .arg(QDir::toNativeSeparators(recordFolder)),
                     MsgIcon::Warning, QStringLiteral("CheckPath"));
    }
    return false;
}

int frmMain::DeleteOldRecordings(const QString& folder)
{
    const FolderContent content = ReadFolder(folder);
    const QDateTime now = ui().Now();
    const qint64 limit = AgeLimitHours();
    int deleted = 0;
    for (const auto& r : content.recordings) {
        if (HourStartsBetween(QDateTime::fromMSecsSinceEpoch(r.mtimeMs), now) <= limit)
            continue;
        if (DeleteRecording(content, r) < 0)
            return -1;
        ++deleted;
        ui().Sleep(kDeleteWaitMs);
    }
    return deleted;
}

bool frmMain::KeepQuota(int n, const QString& folder, const QString& storagePath, double free)
{
    const double quota = QuotaBytes();
    FolderContent own = ReadFolder(folder);

    // Room the counted cameras may still fill up to their quotas.
    double spare = 0;
    for (int c = 1; c <= kSlotCount; ++c) {
        if (c != n && gCam[c].RecordMode == kRecordNone)
            continue;
        const double size =
            c == n ? own.totalBytes
                   : ReadFolder(JoinPath(storagePath, CameraFolderName(c, gCam[c].ServerName)))
                         .totalBytes;
        if (size < quota)
            spare += quota - size;
    }
    if (ReserveBytes() + spare > free)
        return false;

    const double limit = quota - FileBytes();
    if (limit <= 0)
        return false;  // not even one file fits: nothing is deleted
    if (own.totalBytes <= limit)
        return true;

    // Oldest first, by whole seconds; equal times keep the name order.
    std::vector<FolderContent::Recording> byAge;
    for (const auto& r : own.recordings)
        if (r.name.size() > 3)
            byAge.push_back(r);
    std::stable_sort(byAge.begin(), byAge.end(),
                     [](const auto& a, const auto& b) { return a.mtimeSecs() < b.mtimeSecs(); });
    size_t next = 0;
    double size = own.totalBytes;
    while (size > limit) {
        if (byAge.size() - next < 2)
            return false;  // the newest recording is never deleted
        const double freed = DeleteRecording(own, byAge[next]);
        if (freed < 0)
            return false;
        ++next;
        size -= freed;
        ui().Sleep(kDeleteWaitMs);
    }
    return true;
}
