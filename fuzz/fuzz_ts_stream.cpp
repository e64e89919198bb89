// Feeds arbitrary bytes to the video viewer's stream input, as the network
// would: through the custom reader, in pieces whose sizes come from the input
// itself, into the MPEG-TS demuxer and the H.264 decoder, and every packet to
// the recorder's key-frame test. Checks the bounds the viewer relies on.
#include "platform/video_viewer/h264_recorder.h"
#include "platform/video_viewer/ts_decoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: piece size; the rest: the stream after the answer header.
    const int piece = 1 + data[0] * 31;
    const uint8_t* p = data + 1;
    size_t left = size - 1;
    TsDecoder decoder([&](uint8_t* buf, int want) {
        const int n = static_cast<int>(
            std::min<size_t>({static_cast<size_t>(want), static_cast<size_t>(piece), left}));
        std::memcpy(buf, p, static_cast<size_t>(n));
        p += n;
        left -= static_cast<size_t>(n);
        return n;
    });
    decoder.onPacket = [](const TsDecoder::Packet& packet) {
        if (packet.size <= 0 || packet.size > TsDecoder::kMaxPacketBytes)
            std::abort();
        H264Recorder::HasIdr(packet.data, packet.size);
    };
    decoder.onFrame = [](const AVFrame* f, qint64) {
        if (f->width <= 0 || f->height <= 0
            || static_cast<qint64>(f->width) * f->height > TsDecoder::kMaxPixels)
            std::abort();
    };
    decoder.Run();
    return 0;
}
