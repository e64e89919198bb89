// The sound of a camera: G.711 mu-law or 16-bit PCM blocks as the camera
// sends them (8000 samples per second, mono), decoded and played on the
// default sound output through Qt Multimedia.
//
// Blocks may be pushed from any thread; the sound output itself is driven on
// the thread the player lives on (the GUI thread). A block that arrives while
// the output is still full of older sound replaces nothing: the oldest sound
// beyond kMaxQueuedMs is dropped, so the delay never grows.
//
// Without a sound output the player still decodes (tests and figures read the
// samples), and the first start in the program that finds no output calls the
// notice set with SetNoSoundDeviceNotice() once.
#pragma once

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QAudioSink;
class QIODevice;
class QTimer;

class AudioPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int kRate = 8000;
    static constexpr int kMaxQueuedMs = 400;

    explicit AudioPlayer(QObject* parent = nullptr);
    ~AudioPlayer() override;

    // GUI thread: opens (closes) the sound output. Start() is false when there is none.
    bool Start();
    void Stop();
    bool Playing() const;

    // Any thread. `contentType` is the part's type without parameters
    // ("audio/basic" for mu-law, "audio/l16" for big-endian PCM);
    // `firstSampleUs` the wall-clock time of the first sample (0 = unknown).
    // False when the type is not one the player knows.
    bool Push(const QByteArray& body, const QByteArray& contentType, qint64 firstSampleUs);

    // Decodes a block to 16-bit samples; false for an unknown type.
    static bool Decode(const QByteArray& body, const QByteArray& contentType,
                       std::vector<qint16>& out);
    static qint16 MuLawToLinear(quint8 code);

    // Runs on the pushing thread with every decoded block (tests, figures);
    // may be set at any time.
    using SampleTap = std::function<void(const std::vector<qint16>& samples, qint64 firstSampleUs)>;
    void SetSampleTap(SampleTap tap);
    // Runs on the GUI thread when a block is handed to the sound output (or
    // would be, without one): the block's first-sample time and the wall-clock now.
    std::function<void(qint64 firstSampleUs, qint64 handedUs)> onHandedToSink;

    quint64 SamplesDecoded() const { return m_decoded; }

private:
    void Feed();

    QAudioSink* m_sink = nullptr;
    QIODevice* m_io = nullptr;
    QTimer* m_timer = nullptr;
    bool m_playing = false;
    std::mutex m_mutex;
    struct Block {
        QByteArray pcm;  // native-endian 16-bit samples
        qint64 firstSampleUs = 0;
    };
    std::vector<Block> m_queue;
    SampleTap m_tap;
    std::atomic<quint64> m_decoded{0};
};

// What the program does the first time a sound output is missing (a message
// to the operator); nothing when unset.
void SetNoSoundDeviceNotice(std::function<void()> notice);
