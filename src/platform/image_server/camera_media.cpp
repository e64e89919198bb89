#include "platform/image_server/camera_media.h"

#include <chrono>

namespace {
qint64 SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

CameraMedia::CameraMedia(std::function<void(int)> notify, FreeSpaceFn freeSpace)
    : notify_(std::move(notify)),
      freeSpace_(freeSpace ? std::move(freeSpace) : FreeSpaceFn(&SystemFreeSpace)),
      recorder_([this](int code) { notify_(code); },
                [this](const QString& path) { return FreeSpace(path); }),
      mailer_([this](int code) { notify_(code); })
{
}

CameraMedia::~CameraMedia() = default;

void CameraMedia::OnPicture(const QByteArray& jpeg, qint64 cameraTimeUs, qint64 receivedUs,
                            const QImage* decoded)
{
    ++pictures_;
    pictureBytes_ += static_cast<quint64>(jpeg.size());
    recorder_.Push(jpeg, cameraTimeUs > 0 ? cameraTimeUs : receivedUs);

    const int flags = alarmFlags_;
    if ((flags & kAlarmWatch) == 0)
        return;
    // A stream that is winding down may still hand a picture over while the
    // next one runs; one of them is enough for motion.
    std::unique_lock lock(motionMutex_, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    detector_.SetSensitivity(sensitivity_);
    const qint64 timeMs = receivedUs / 1000;
    GreyBlocks grey;
    bool report = false;
    if (decoded && decoded->width() >= kMotionPictureWidth
        && grey.Set(*decoded, kMotionPictureWidth)) {
        report = detector_.FeedBlocks(grey, timeMs);
    } else {
        int w = 0, h = 0;
        if (!decoder_.Decode(jpeg, kMotionPictureWidth, luma_, w, h))
            return;
        report = detector_.FeedLuma(luma_.data(), w, h, w, timeMs);
    }
    if (!report)
        return;
    ++motionReports_;
    notify_(6);
    if (flags & kAlarmMail) {
        QString file;
        {
            std::lock_guard s(snapshotMutex_);
            file = snapshotFile_;
        }
        mailer_.OnMotion(jpeg, file, SteadyMs());
    }
}

void CameraMedia::OnStreamStart()
{
    std::lock_guard lock(motionMutex_);
    detector_.Reset();
}

void CameraMedia::RecordStart(const RecordSettings& settings) { recorder_.Start(settings); }

void CameraMedia::RecordStop() { recorder_.Stop(); }

bool CameraMedia::Recording() const { return recorder_.Active(); }

bool CameraMedia::StorageReady(const QString& folder, qint64 reserveBytes) const
{
    return StorageHasRoom(folder, reserveBytes,
                          [this](const QString& path) { return FreeSpace(path); });
}

void CameraMedia::SetFreeSpaceFunction(FreeSpaceFn fn)
{
    std::lock_guard lock(freeSpaceMutex_);
    freeSpace_ = fn ? std::move(fn) : FreeSpaceFn(&SystemFreeSpace);
}

qint64 CameraMedia::FreeSpace(const QString& path) const
{
    FreeSpaceFn fn;
    {
        std::lock_guard lock(freeSpaceMutex_);
        fn = freeSpace_;
    }
    return fn(path);
}

void CameraMedia::SetSnapshotFile(const QString& path)
{
    std::lock_guard lock(snapshotMutex_);
    snapshotFile_ = path;
}

void CameraMedia::SendMail(const QByteArray& latestJpeg)
{
    QString file;
    {
        std::lock_guard lock(snapshotMutex_);
        file = snapshotFile_;
    }
    mailer_.SendNow(file, latestJpeg, SteadyMs());
}
