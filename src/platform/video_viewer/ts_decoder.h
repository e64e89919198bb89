// Reads an MPEG transport stream carrying H.264 video from any byte source
// (a network connection, a buffer) through a custom libavformat reader, and
// decodes its pictures with libavcodec.
//
// Built for what a network sends: the stream tables may come late or never,
// packets may be damaged or cut, the picture size may change in the middle,
// and a stream may never bring a key frame. None of it crashes, and memory
// stays bounded: the demuxer's parser is off (each PES packet is one access
// unit, as cameras and encoders send it), packets over kMaxPacketBytes are
// dropped, and pictures larger than kMaxPixels are refused by the decoder.
#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

struct AVFrame;

class TsDecoder {
public:
    static constexpr int kMaxPacketBytes = 4 * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 4096LL * 2304;
    static constexpr int kProbeBytes = 512 * 1024;

    // Fills `buf` with up to `size` bytes; returns how many (> 0), 0 at the
    // end of the stream, or < 0 when the read failed or was cancelled.
    using ReadFn = std::function<int(uint8_t* buf, int size)>;

    // One compressed picture as it came (for recording).
    struct Packet {
        const uint8_t* data = nullptr;
        int size = 0;
        bool key = false;
        qint64 ptsUs = 0;  // presentation time, microseconds (stream time, may wrap)
        int width = 0;     // picture size of the stream as decoded so far (0: not known yet)
        int height = 0;
    };

    explicit TsDecoder(ReadFn read);
    ~TsDecoder();
    TsDecoder(const TsDecoder&) = delete;
    TsDecoder& operator=(const TsDecoder&) = delete;

    // Runs until the source ends, fails or `stop` returns true (asked between
    // packets). Returns false when the stream could not be opened at all.
    bool Run(const std::function<bool()>& stop = {});

    // Every H.264 packet, before it is decoded.
    std::function<void(const Packet&)> onPacket;
    // Every decoded picture; `frame` is valid during the call only.
    std::function<void(const AVFrame* frame, qint64 ptsUs)> onFrame;

    // Counters (read from the thread that runs Run, or after it).
    quint64 Packets() const { return m_packets; }
    quint64 Frames() const { return m_frames; }
    quint64 Damaged() const { return m_damaged; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    quint64 SizeChanges() const { return m_sizeChanges; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_d;
    quint64 m_packets = 0, m_frames = 0, m_damaged = 0, m_sizeChanges = 0;
    int m_width = 0, m_height = 0;
};
