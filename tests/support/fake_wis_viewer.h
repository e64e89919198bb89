// A scriptable video viewer for tests: logs every member call as
// (Dispid, name, arguments), answers state() from a stop countdown, throws on
// chosen members, and raises its events when the test asks.
#pragma once

#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/wis_viewer.h"
#include "support/fake_call_log.h"
#include "support/stop_countdown.h"

#include <QMetaEnum>
#include <QPointer>
#include <QVariant>
#include <set>
#include <stdexcept>
#include <vector>

using WisViewerCall = FakeCall<WisViewer::Dispid>;

class FakeWisViewer : public WisViewer,
                      public StopCountdown,
                      public FakeCallLog<WisViewer::Dispid> {
    Q_OBJECT
public:
    explicit FakeWisViewer(QObject* parent = nullptr)
        : WisViewer(parent), FakeCallLog("viewer member", Dispid::State)
    {
    }

    // ---------------- knobs ----------------
    // stopLatencyPolls (StopCountdown): state() reads that still report
    // running after stop(); -1 = never stops.
    // throwOn (FakeCallLog): members that throw std::runtime_error when called.
    int nativeWidth = 0, nativeHeight = 0;
    bool saveSnapshotResult = true;

    // ---------------- what was put ----------------
    QString address, authText, param1, param2, recordPath, mailPicture, userName, password;
    QPointer<VideoSurface> window;
    QPointer<VideoSurface> attached;
    int attachedWidth = 0, attachedHeight = 0;
    int splitFileSize = 0, alarmFlagsValue = 0, sensitivity = 0;
    bool audio = false, recording = false;

    // calls and the log queries: FakeCallLog.

    void EmitNotify(int code) { emit Notify(code); }
    void EmitRecordSplit() { emit RecordSplit(); }
    void EmitMotion() { emit Motion(); }
    void EmitMotionMail() { emit MotionMail(); }

    // ---------------- members ----------------
    void connectTo(const QString& a) override { Put(Dispid::Connect, address, a); }
    void setAuthText(const QString& t) override { Put(Dispid::SetAuthText, authText, t); }
    void setViewerParam1(const QString& v) override { Put(Dispid::SetViewerParam1, param1, v); }
    void setViewerParam2(const QString& v) override { Put(Dispid::SetViewerParam2, param2, v); }
    void start() override
    {
        Log(Dispid::Start, {});
        StartRunning();
    }
    void stop() override
    {
        Log(Dispid::Stop, {});
        BeginStop();
    }
    int state() const override
    {
        Read(Dispid::State);
        return PollRunning() ? kStateRunning | 1 : 1;  // other bits carry no meaning here
    }

    void setWindow(VideoSurface* s) override
    {
        Log(Dispid::SetWindow, {QVariant::fromValue<QObject*>(s)});
        window = s;
    }
    void attachWindow(VideoSurface* s, int w, int h) override
    {
        Log(Dispid::AttachWindow, {QVariant::fromValue<QObject*>(s), w, h});
        attached = s, attachedWidth = w, attachedHeight = h;
    }
    int sourceWidth() const override { return Get(Dispid::SourceWidth, nativeWidth); }
    int sourceHeight() const override { return Get(Dispid::SourceHeight, nativeHeight); }
    void zoomStep(const QString& key, int value) override { Log(Dispid::ZoomStep, {key, value}); }
    bool saveSnapshot(const QString& file) override
    {
        Log(Dispid::SaveSnapshot, {file});
        return saveSnapshotResult;
    }

    void audioOn() override
    {
        Log(Dispid::AudioOn, {});
        audio = true;
    }
    void audioOff() override
    {
        Log(Dispid::AudioOff, {});
        audio = false;
    }

    void setSplitFileSize(int mb) override { Put(Dispid::SplitFileSize, splitFileSize, mb); }
    void setRecordPath(const QString& f) override { Put(Dispid::SetRecordPath, recordPath, f); }
    void recordStart() override
    {
        Log(Dispid::RecordStart, {});
        recording = true;
    }
    void recordStop() override
    {
        Log(Dispid::RecordStop, {});
        recording = false;
    }

    void setAlarmFlags(int f) override { Put(Dispid::AlarmFlags, alarmFlagsValue, f); }
    int alarmFlags() const override { return Get(Dispid::AlarmFlags, alarmFlagsValue); }
    void setSensitivity(int v) override { Put(Dispid::Sensitivity, sensitivity, v); }
    void setMailPictureFile(const QString& p) override
    {
        Put(Dispid::MailPictureFile, mailPicture, p);
    }

    void setUserName(const QString& n) override { Put(Dispid::UserName, userName, n); }
    void setPassword(const QString& p) override { Put(Dispid::Password, password, p); }
    QString authString() const override
    {
        Read(Dispid::AuthString);
        return userName.isEmpty() ? QString() : userName + QLatin1Char(':') + password;
    }
};
