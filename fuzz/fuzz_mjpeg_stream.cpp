// Feeds arbitrary bytes to the live-stream parser in pieces whose sizes come
// from the input itself, and hands every part that claims to be a JPEG to the
// decoder, as the stream thread does. Checks that every part stays within the
// bound and that the parser's memory stays bounded.
#include "platform/image_server/jpeg_codec.h"
#include "platform/image_server/multipart_parser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: piece size; the rest: the stream after the answer header.
    const qsizetype piece = 1 + data[0] * 7;
    const qsizetype maxPart = 64 * 1024;  // small, so that the bound is reached
    MultipartParser parser("camframe", maxPart);
    JpegDecoder decoder;
    parser.onPart = [&](MultipartPart&& part) {
        if (part.body.size() > maxPart)
            std::abort();
        if (LooksLikeJpeg(part.body)) {
            QImage img;
            decoder.DecodeInto(part.body, img, 1 << 20);
        }
    };
    parser.onDamage = [](MultipartParser::Damage) {};
    const char* p = reinterpret_cast<const char*>(data + 1);
    qsizetype left = static_cast<qsizetype>(size - 1);
    while (left > 0) {
        const qsizetype n = std::min(piece, left);
        parser.Feed(p, n);
        if (parser.Buffered() > maxPart + 256 * 1024 + 64)
            std::abort();
        p += n;
        left -= n;
    }
    return 0;
}
