// The compressed stream of a protocol-3 camera: the camera's pictures encoded
// as H.264 and carried in an MPEG transport stream (docs/camera-protocol.md),
// and the test tone of the camera's sound channel.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

// Encodes pictures into one continuous MPEG-TS. Every second picture group
// starts with a key frame preceded by the stream tables (PAT/PMT) and the
// parameter sets, so a client may join at any key frame. A change of picture
// size restarts the encoder (the next picture is a key frame with new
// parameter sets) inside the same transport stream.
class TsEncoder {
public:
    // `originUs`: the wall-clock time of presentation time 0.
    explicit TsEncoder(qint64 originUs);
    ~TsEncoder();
    TsEncoder(const TsEncoder&) = delete;
    TsEncoder& operator=(const TsEncoder&) = delete;

    // Encodes one picture taken at `captureUs` (wall clock). Returns the
    // transport-stream bytes it produced (possibly none); `keyFrame` tells
    // whether they begin a picture group a client can start with. Empty with
    // `error` set when the encoder cannot work at all.
    QByteArray Encode(const QImage& picture, qint64 captureUs, int fps, bool& keyFrame);
    // Wall-clock time (microseconds) of presentation time 0 of the stream.
    qint64 OriginUs() const;
    QString Error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The sound channel: a 1 kHz sine tone at 8000 samples per second, mono,
// without gaps. Samples() gives the samples due up to `nowUs`, from where the
// last call stopped, as G.711 mu-law or 16-bit big-endian PCM.
class ToneSource {
public:
    static constexpr int kRate = 8000;
    static constexpr int kFrequency = 1000;
    static constexpr int kAmplitude = 8000;

    // The next block of samples (at most one second) as 16-bit big-endian
    // PCM. `firstSampleUs` is the wall-clock time of its first sample.
    QByteArray Samples(qint64 nowUs, qint64& firstSampleUs);
    static QByteArray ToMuLaw(const QByteArray& l16);
    static quint8 MuLaw(qint16 sample);
    static qint16 ToneAt(qint64 index);

private:
    qint64 startUs_ = 0;
    qint64 next_ = 0;  // index of the next sample to send
};
