// The production video viewer: plays a protocol-3 camera's H.264 MPEG-TS
// stream over HTTP (docs/camera-protocol.md), or that of any encoder serving
// H.264 in MPEG-TS over HTTP. Reading, demuxing, decoding, motion detection
// and recording run on the viewer's own worker thread; pictures reach the
// VideoSurface on the GUI thread, converted straight to the size shown. The
// camera's sound runs on a second thread while it is switched on, and the
// switches of the camera's alarm output on a third.
#pragma once

#include "platform/video_viewer/wis_viewer.h"

#include <QPointer>
#include <QSize>
#include <atomic>
#include <memory>
#include <vector>

class AudioPlayer;
class HttpAuthenticator;
class RequestQueue;
class VideoSurface;
struct CameraEndpoint;

class HttpWisViewer : public WisViewer {
    Q_OBJECT
public:
    explicit HttpWisViewer(QObject* parent = nullptr);
    ~HttpWisViewer() override;

    void connectTo(const QString& address) override { m_address = address.trimmed(); }
    void setAuthText(const QString& text) override { m_authText = text; }
    void setViewerParam1(const QString& decimal) override;
    void setViewerParam2(const QString& decimal) override;
    void start() override;
    void stop() override;
    int state() const override;

    void setWindow(VideoSurface* surface) override;
    void attachWindow(VideoSurface* surface, int width, int height) override;
    int sourceWidth() const override;
    int sourceHeight() const override;
    void zoomStep(const QString&, int) override {}
    bool saveSnapshot(const QString& file) override;

    void audioOn() override;
    void audioOff() override;

    void setSplitFileSize(int mb) override { m_splitBytes = static_cast<qint64>(mb) << 20; }
    // The split size in bytes (tests split small files).
    void setSplitBytes(qint64 bytes) { m_splitBytes = bytes; }
    void setRecordPath(const QString& folder) override { m_recordPath = folder; }
    void recordStart() override;
    void recordStop() override;

    void setAlarmFlags(int flags) override;
    int alarmFlags() const override;
    void setSensitivity(int value) override;
    void setMailPictureFile(const QString& path) override;

    void setUserName(const QString& name) override { m_user = name; }
    void setPassword(const QString& password) override { m_password = password; }
    QString authString() const override;

    // The port the stream is asked on when the probe gave none.
    static constexpr int kDefaultPort = 8481;

    // Diagnostics for tests and measurements.
    struct Stats {
        quint64 packets = 0, frames = 0, damaged = 0, framesShown = 0, connects = 0;
        quint64 sizeChanges = 0;
    };
    Stats stats() const;
    // The recorder's files and counters (tests).
    QString recordingFile() const;
    quint64 recordedFrames() const;
    QString recordError() const;
    // The sound player while the sound is on (tests and figures), else nullptr.
    AudioPlayer* audioPlayer() const { return m_audio.get(); }
    // Stream timing (tests shorten them).
    void setStreamTimeouts(int connectMs, int stallMs, std::vector<int> backoffMs);

private:
    struct Shared;
    struct AudioSession;
    void PushGeometry();
    void OnFrameReady();
    // A motion seen by the worker reaches the GUI thread: it also switches
    // the camera's alarm output when the flag word asks for it.
    void OnMotion();
    // Where the stream, the sound and the alarm switches go, with the
    // probe's ticket as the log-in.
    CameraEndpoint StreamEndpoint() const;

    QString m_address, m_authText, m_user, m_password, m_recordPath;
    int m_param1 = 0, m_param2 = 0;
    qint64 m_splitBytes = 10LL << 20;
    bool m_running = false;
    QPointer<VideoSurface> m_surface;
    QSize m_displaySize;
    int m_connectTimeoutMs = 5000, m_stallTimeoutMs = 5000;
    std::vector<int> m_backoffMs{500, 1000, 2000, 4000, 8000, 10000};
    std::shared_ptr<Shared> m_shared;  // lives as long as the worker needs it
    std::unique_ptr<AudioPlayer> m_audio;
    std::shared_ptr<AudioSession> m_audioSession;
    std::unique_ptr<RequestQueue> m_requests;          // made by the first alarm switch
    std::shared_ptr<HttpAuthenticator> m_requestAuth;  // its thread only
    quint64 m_framesShown = 0;
};

std::unique_ptr<WisViewer> CreateWisViewer(QObject* parent = nullptr);
