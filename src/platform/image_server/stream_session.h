// One run of a camera's live stream on its own thread: connect, read the
// multipart stream, decode pictures and hand them to the GUI thread; report
// what happens as status codes. A camera that cannot be reached yet, or whose
// stream is lost, is tried again with growing pauses for a bounded time (the
// retry policy in docs/camera-protocol.md); refused credentials end it at once.
//
// The session never touches the image server directly. It posts to a
// receiver object on the GUI thread only while the owner keeps it attached,
// so an owner may detach and forget a session that is still winding down.
#pragma once

#include "platform/image_server/http_client.h"
#include "platform/image_server/multipart_parser.h"

#include <QImage>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct StreamOptions {
    CameraEndpoint endpoint;
    QByteArray path = "/api/stream.mjpg";
    int connectTimeoutMs = 5000;  // to the answer's header
    int stallTimeoutMs = 5000;    // longest wait for a complete picture
    // Pauses before the next attempt, in turn; the last one repeats. Short
    // enough that a camera that comes back is shown again within seconds.
    std::vector<int> backoffMs{1000, 2000, 4000, 8000};
    // How long attempts go on after the first that failed (since the start,
    // or since the stream was lost); then ConnectFailed ends the session.
    int retryForMs = 5 * 60 * 1000;
    int damageReportIntervalMs = 10000;  // at most one "bad picture" report per interval
    // A part (or part header) larger than this ends the connection.
    qsizetype maxPartBytes = MultipartParser::kMaxPartBytes;
};

// What the display needs of a picture: its size in device pixels before
// rotation (empty: nothing is shown), the rotation and the device pixel ratio.
struct DisplayNeed {
    QSize size;
    int angle = 0;
    qreal dpr = 1;
};

// A decoded picture on its way to the GUI thread, prepared for the display
// need it was decoded for: scaled to its size and turned by `turnedBy`.
struct DecodedFrame {
    QImage image;
    int turnedBy = 0;
    QSize source;            // the camera's picture size, as it was sent
    qint64 timestampUs = 0;  // camera's capture time, 0 when unknown
    qint64 receivedUs = 0;   // when the client had the whole part
};

class StreamSession : public std::enable_shared_from_this<StreamSession> {
public:
    struct Callbacks {
        std::function<void(int code)> status;  // run on the GUI thread
        std::function<void()> frameReady;      // run on the GUI thread; call TakeFrame()
        std::function<void()> ended;           // run on the GUI thread, after the last status
    };

    StreamSession(StreamOptions options, QObject* receiver, Callbacks callbacks);
    ~StreamSession();

    void Start();
    // Cancels and waits up to `waitMs` for the thread to end; the thread is
    // left to finish on its own afterwards. Detaches from the receiver first.
    bool Stop(int waitMs);
    bool Finished() const { return finished_.load(); }

    // Shared with the GUI thread.
    std::atomic<bool> wantPictures{false};  // decode for display
    std::atomic<int> frameDelayMs{0};
    std::atomic<int> sourceWidth{0};
    std::atomic<int> sourceHeight{0};
    std::atomic<int> frameRate{0};
    std::atomic<quint64> framesReceived{0};
    std::atomic<quint64> framesDecoded{0};
    std::atomic<quint64> partsDamaged{0};
    std::atomic<quint64> bytesRead{0};  // of the stream bodies, all attempts

    // GUI thread: the display's need changed. Pictures are decoded for display
    // only while wantPictures is set and the need is not empty.
    void SetDisplayNeed(const DisplayNeed& need);

    // Set before Start(): runs on the session's thread for every picture
    // received, as it came (recording and motion detection), with the picture
    // decoded for display (unscaled by anything but the decoder, unrotated) or
    // null when it was not decoded.
    std::function<void(const QByteArray& jpeg, qint64 cameraTimeUs, qint64 receivedUs,
                       const QImage* decoded)>
        onPicture;
    // Set before Start(): how wide motion detection needs a decoded picture
    // (0 while it is off); the display decode is made at least that wide.
    std::function<int()> motionPictureWidth;
    // Set before Start(): runs on the session's thread for every sound part
    // (type "audio/..."); without it such parts count as damaged.
    std::function<void(const MultipartPart& part)> onAudio;

    // Latest decoded picture (taken by the GUI thread) and latest JPEG.
    bool TakeFrame(DecodedFrame& out);
    QByteArray LatestJpeg() const;

private:
    enum class Outcome {
        Cancelled,
        Refused,      // the credentials were refused
        Unreachable,  // no connection, no answer in time, or a server error
        NotServed,    // the camera answered, but with no stream
        Lost,
        Stalled,
        NoPictures,  // the stream answered, but no picture came in time
        TooLarge,    // a part or part header over the bound
    };
    void Run();
    Outcome RunOnce(bool reconnect, bool& gotPicture);
    void Post(std::function<void()> fn);
    void PostStatus(int code);
    void HandlePart(MultipartPart& part, bool reconnect, bool& gotPicture);
    void ReportDamage();
    bool DecodeForDisplay(const QByteArray& jpeg, QSize source, const DisplayNeed& need,
                          int motionWidth, QImage& decoded);
    void PostFrame(QImage decoded, const DisplayNeed& need, QSize source, qint64 cameraTimeUs,
                   qint64 now);

    StreamOptions options_;
    Callbacks callbacks_;
    CancelToken cancel_;
    std::thread thread_;
    std::atomic<bool> finished_{false};

    mutable std::mutex mutex_;  // guards the fields below
    std::condition_variable finishedCv_;
    QObject* receiver_ = nullptr;
    DecodedFrame pending_;
    bool hasPending_ = false;
    bool framePosted_ = false;
    QByteArray latestJpeg_;
    DisplayNeed need_;

    // Worker-thread only.
    HttpAuthenticator auth_;
    qint64 lastDecodeUs_ = 0;
    qint64 lastDamageReportUs_ = -1;
    std::vector<qint64> recentFramesUs_;
    std::vector<QImage> pool_;  // decoded pictures, reused once the GUI let go of them
};
