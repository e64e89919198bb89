// Recording, motion detection and mail on motion for one image server.
//
// The stream hands every picture it receives to OnPicture() on its own
// thread; everything slow (the disk, the mail server) runs on the recorder's
// and the mailer's threads. The image server calls the rest on the GUI
// thread. Results are reported through `notify` (from those threads), which
// must post the code to the GUI thread.
#pragma once

#include "platform/image_server/avi_recorder.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/motion_detector.h"
#include "platform/image_server/motion_mailer.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class CameraMedia {
public:
    // Motion works on a grey picture at least this wide.
    static constexpr int kMotionPictureWidth = 2 * MotionDetector::kGridWidth;

    explicit CameraMedia(std::function<void(int code)> notify, FreeSpaceFn freeSpace = {});
    ~CameraMedia();
    CameraMedia(const CameraMedia&) = delete;
    CameraMedia& operator=(const CameraMedia&) = delete;

    // Stream thread: a picture as it came from the camera. `cameraTimeUs` is
    // its capture time (0 when the camera does not say), `receivedUs` when it
    // arrived (a steady clock). `decoded` is the picture as the stream decoded
    // it for display (RGB32, unrotated, any size), or null when it was not
    // decoded: motion takes its grey picture from it when it is at least
    // kMotionPictureWidth wide, and decodes a small grey picture of its own
    // otherwise.
    void OnPicture(const QByteArray& jpeg, qint64 cameraTimeUs, qint64 receivedUs,
                   const QImage* decoded = nullptr);
    // Stream thread: how wide a decoded picture motion needs, 0 while motion is off.
    int MotionPictureWidth() const
    {
        return (alarmFlags_ & kAlarmWatch) != 0 ? kMotionPictureWidth : 0;
    }
    // A new stream begins: motion starts afresh.
    void OnStreamStart();

    // --- GUI thread ---
    void RecordStart(const RecordSettings& settings);
    void RecordStop();
    bool Recording() const;
    bool StorageReady(const QString& folder, qint64 reserveBytes) const;
    void SetFreeSpaceFunction(FreeSpaceFn fn);

    void SetAlarmFlags(int flags) { alarmFlags_ = flags; }
    void SetSensitivity(int sensitivity) { sensitivity_ = sensitivity; }
    void SetSnapshotFile(const QString& path);
    void SetMailSettings(const MailSettings& settings) { mailer_.SetSettings(settings); }
    void SetMailIntervalSeconds(int seconds) { mailer_.SetIntervalSeconds(seconds); }
    // Sends the snapshot file now; `latestJpeg` stands in when the file cannot be read.
    void SendMail(const QByteArray& latestJpeg);

    AviRecorder::Stats RecordStats() const { return recorder_.GetStats(); }
    QString RecordError() const { return recorder_.LastError(); }
    QString MailError() const { return mailer_.LastError(); }
    quint64 MotionReports() const { return motionReports_; }
    // Pictures handed over by the stream, and their bytes (as the camera sent them).
    quint64 Pictures() const { return pictures_; }
    quint64 PictureBytes() const { return pictureBytes_; }

private:
    qint64 FreeSpace(const QString& path) const;

    std::function<void(int)> notify_;
    mutable std::mutex freeSpaceMutex_;
    FreeSpaceFn freeSpace_;
    std::atomic<int> alarmFlags_{0};
    std::atomic<int> sensitivity_{5};
    std::atomic<quint64> motionReports_{0};
    std::atomic<quint64> pictures_{0};
    std::atomic<quint64> pictureBytes_{0};

    std::mutex motionMutex_;  // the detector and its decoder (one stream thread at a time)
    MotionDetector detector_;
    LumaDecoder decoder_;
    std::vector<uint8_t> luma_;

    mutable std::mutex snapshotMutex_;
    QString snapshotFile_;

    AviRecorder recorder_;
    MotionMailer mailer_;
};
