// The viewer the program uses until protocol-3 video is supported. It keeps
// every value put on it, never runs, and the first time it is asked to connect
// or start it says so through `notice` (once per object, queued like every
// event of a control), so an operator with such a camera learns why the window
// stays dark. Its AuthString is the real one, so discovery can log in to
// protocol-3 cameras.
#pragma once

#include "platform/video_viewer/viewer_auth.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QTimer>
#include <functional>

class PendingWisViewer : public WisViewer {
    Q_OBJECT
public:
    explicit PendingWisViewer(std::function<void()> notice, QObject* parent = nullptr)
        : WisViewer(parent), notice_(std::move(notice))
    {
    }

    void connectTo(const QString& address) override
    {
        address_ = address;
        Tell();
    }
    void setAuthText(const QString& text) override { authText_ = text; }
    void setViewerParam1(const QString& v) override { param1_ = v; }
    void setViewerParam2(const QString& v) override { param2_ = v; }
    void start() override { Tell(); }
    void stop() override {}
    int state() const override { return 0; }

    void setWindow(VideoSurface*) override {}
    void attachWindow(VideoSurface*, int, int) override {}
    int sourceWidth() const override { return 0; }
    int sourceHeight() const override { return 0; }
    void zoomStep(const QString&, int) override {}
    bool saveSnapshot(const QString&) override { return false; }

    void audioOn() override {}
    void audioOff() override {}

    void setSplitFileSize(int mb) override { splitSize_ = mb; }
    void setRecordPath(const QString& folder) override { recordPath_ = folder; }
    void recordStart() override {}
    void recordStop() override {}

    void setAlarmFlags(int flags) override { alarmFlags_ = flags; }
    int alarmFlags() const override { return alarmFlags_; }
    void setSensitivity(int value) override { sensitivity_ = value; }
    void setMailPictureFile(const QString& path) override { mailPicture_ = path; }

    void setUserName(const QString& name) override { user_ = name; }
    void setPassword(const QString& password) override { password_ = password; }
    QString authString() const override { return ViewerAuthString(user_, password_); }

private:
    void Tell()
    {
        if (told_ || !notice_)
            return;
        told_ = true;
        QTimer::singleShot(0, this, [this] { notice_(); });
    }

    std::function<void()> notice_;
    bool told_ = false;
    QString address_, authText_, param1_, param2_, recordPath_, mailPicture_, user_, password_;
    int splitSize_ = 0, alarmFlags_ = 0, sensitivity_ = 0;
};
