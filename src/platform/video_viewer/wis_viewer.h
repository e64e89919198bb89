// The video viewer: decoder, renderer and recorder of the cameras whose
// protocol value is 3. The engine keeps one per slot beside the slot's image
// server; the image server still carries that slot's settings, probe and
// status events, the viewer carries its picture, audio and recording.
//
// Rules every implementation keeps (the same as the image server's):
// - Members are called on the GUI thread; setters never fail, whatever the state.
// - Events are Qt signals, delivered queued, in order, never emitted from
//   inside a member call.
// - state() is a plain read and needs no event processing to change; a stop
//   clears the running bit well within half a second.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class VideoSurface;

class WisViewer : public QObject {
    Q_OBJECT
public:
    // The control's member numbers, kept for call tracing and error reports.
    enum class Dispid : int {
        AlarmFlags = 6,
        Sensitivity = 7,
        SetWindow = 11,
        SourceHeight = 13,
        SourceWidth = 14,
        SplitFileSize = 15,
        MailPictureFile = 16,
        Start = 19,
        Stop = 20,
        Connect = 21,
        RecordStart = 22,
        RecordStop = 23,
        AudioOn = 25,
        AudioOff = 26,
        State = 31,
        SetAuthText = 39,
        SetViewerParam1 = 40,
        SetViewerParam2 = 41,
        SaveSnapshot = 46,
        ZoomStep = 47,
        AttachWindow = 48,
        // Members without a number of their own.
        SetRecordPath = 1001,
        UserName,
        Password,
        AuthString,
    };
    Q_ENUM(Dispid)

    // Bit of state(): the viewer is connected or connecting.
    static constexpr int kStateRunning = 2;

    using QObject::QObject;
    ~WisViewer() override = default;

    // --- Connection ---
    virtual void connectTo(const QString& address) = 0;  // must precede start()
    virtual void setAuthText(const QString& text) = 0;   // the slot's authentication text
    virtual void
    setViewerParam1(const QString& decimal) = 0;  // handed over from the image server's probe
    virtual void setViewerParam2(const QString& decimal) = 0;
    virtual void start() = 0;       // starts the connection made by connectTo
    virtual void stop() = 0;        // idempotent
    virtual int state() const = 0;  // bit kStateRunning: running

    // --- Display ---
    // Where the pictures go before the connection starts (nullptr: nowhere).
    virtual void setWindow(VideoSurface* surface) = 0;
    // Draws into `surface` at width x height; (nullptr, ...) draws nowhere.
    virtual void attachWindow(VideoSurface* surface, int width, int height) = 0;
    virtual int sourceWidth() const = 0;
    virtual int sourceHeight() const = 0;
    virtual void zoomStep(const QString& key, int value) = 0;
    // The latest picture, as BMP, or as JPEG for a ".jpg" or ".jpeg" name.
    virtual bool saveSnapshot(const QString& file) = 0;

    // --- Audio ---
    virtual void audioOn() = 0;
    virtual void audioOff() = 0;

    // --- Recording (size split only) ---
    virtual void setSplitFileSize(int mb) = 0;
    virtual void setRecordPath(const QString& folder) = 0;
    virtual void recordStart() = 0;
    virtual void recordStop() = 0;  // idempotent; the files are complete when it returns

    // --- Motion and mail ---
    virtual void setAlarmFlags(int flags) = 0;  // 1 alarm, 4 mail, 8 motion recording
    virtual int alarmFlags() const = 0;
    virtual void setSensitivity(int value) = 0;
    virtual void setMailPictureFile(const QString& path) = 0;

    // --- Log-in text for discovery ---
    virtual void setUserName(const QString& name) = 0;
    virtual void setPassword(const QString& password) = 0;
    virtual QString authString() const = 0;

signals:
    // The stream's state, in the image server's codes (camera_codes.h): 2 a
    // picture arrived (the stream is up), 25 after it (up again after a
    // loss), 15 or 1000 once when pictures stop coming (no connection, or no
    // picture within the stall time; the viewer goes on trying).
    void Notify(int code);
    void RecordSplit();   // a file reached its split size and was closed
    void RecordFailed();  // the recording ended by itself (write error, missing folder)
    void Motion();        // motion detected
    void MotionMail();    // the mail picture is written; a mail is wanted
};
