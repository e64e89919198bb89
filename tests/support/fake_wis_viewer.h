// A scriptable video viewer for tests: logs every member call as
// (Dispid, name, arguments), answers state() from a stop countdown, throws on
// chosen members, and raises its events when the test asks.
#pragma once

#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/wis_viewer.h"
#include "support/stop_countdown.h"

#include <QMetaEnum>
#include <QPointer>
#include <QVariant>
#include <set>
#include <stdexcept>
#include <vector>

struct WisViewerCall {
    WisViewer::Dispid id;
    QString name;
    QVariantList args;
};

class FakeWisViewer : public WisViewer, public StopCountdown {
    Q_OBJECT
public:
    explicit FakeWisViewer(QObject* parent = nullptr) : WisViewer(parent) {}

    // ---------------- knobs ----------------
    // stopLatencyPolls (StopCountdown): state() reads that still report
    // running after stop(); -1 = never stops.
    std::set<Dispid> throwOn;
    int nativeWidth = 0, nativeHeight = 0;
    bool saveSnapshotResult = true;

    // ---------------- what was put ----------------
    QString address, authText, param1, param2, recordPath, mailPicture, userName, password;
    QPointer<VideoSurface> window;
    QPointer<VideoSurface> attached;
    int attachedWidth = 0, attachedHeight = 0;
    int splitFileSize = 0, alarmFlagsValue = 0, sensitivity = 0;
    bool audio = false, recording = false;

    std::vector<WisViewerCall> calls;

    int IndexOf(Dispid id, int nth = 0) const
    {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].id == id && nth-- == 0)
                return static_cast<int>(i);
        return -1;
    }
    int Count(Dispid id) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c.id == id;
        return n;
    }
    std::vector<Dispid> Sequence(bool withState = false) const
    {
        std::vector<Dispid> out;
        for (const auto& c : calls)
            if (withState || c.id != Dispid::State)
                out.push_back(c.id);
        return out;
    }
    static QString NameOf(Dispid id)
    {
        return QString::fromLatin1(QMetaEnum::fromType<Dispid>().valueToKey(static_cast<int>(id)));
    }

    void EmitRecordSplit() { emit RecordSplit(); }
    void EmitMotion() { emit Motion(); }
    void EmitMotionMail() { emit MotionMail(); }

    // ---------------- members ----------------
    void connectTo(const QString& a) override
    {
        Log(Dispid::Connect, {a});
        address = a;
    }
    void setAuthText(const QString& t) override
    {
        Log(Dispid::SetAuthText, {t});
        authText = t;
    }
    void setViewerParam1(const QString& v) override
    {
        Log(Dispid::SetViewerParam1, {v});
        param1 = v;
    }
    void setViewerParam2(const QString& v) override
    {
        Log(Dispid::SetViewerParam2, {v});
        param2 = v;
    }
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
    int sourceWidth() const override
    {
        Read(Dispid::SourceWidth);
        return nativeWidth;
    }
    int sourceHeight() const override
    {
        Read(Dispid::SourceHeight);
        return nativeHeight;
    }
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

    void setSplitFileSize(int mb) override
    {
        Log(Dispid::SplitFileSize, {mb});
        splitFileSize = mb;
    }
    void setRecordPath(const QString& f) override
    {
        Log(Dispid::SetRecordPath, {f});
        recordPath = f;
    }
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

    void setAlarmFlags(int f) override
    {
        Log(Dispid::AlarmFlags, {f});
        alarmFlagsValue = f;
    }
    int alarmFlags() const override
    {
        Read(Dispid::AlarmFlags);
        return alarmFlagsValue;
    }
    void setSensitivity(int v) override
    {
        Log(Dispid::Sensitivity, {v});
        sensitivity = v;
    }
    void setMailPictureFile(const QString& p) override
    {
        Log(Dispid::MailPictureFile, {p});
        mailPicture = p;
    }

    void setUserName(const QString& n) override
    {
        Log(Dispid::UserName, {n});
        userName = n;
    }
    void setPassword(const QString& p) override
    {
        Log(Dispid::Password, {p});
        password = p;
    }
    QString authString() const override
    {
        Read(Dispid::AuthString);
        return userName.isEmpty() ? QString() : userName + QLatin1Char(':') + password;
    }

private:
    void Log(Dispid id, QVariantList args)
    {
        calls.push_back({id, NameOf(id), std::move(args)});
        if (throwOn.count(id))
            throw std::runtime_error(("viewer member " + NameOf(id) + " failed").toStdString());
    }
    void Read(Dispid id) const { const_cast<FakeWisViewer*>(this)->Log(id, {}); }
};
