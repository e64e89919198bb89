#include "platform/image_server/jpeg_codec.h"

#include <turbojpeg.h>

JpegDecoder::JpegDecoder() : handle_(tjInitDecompress()) {}

JpegDecoder::~JpegDecoder()
{
    if (handle_)
        tjDestroy(static_cast<tjhandle>(handle_));
}

bool JpegDecoder::Peek(const QByteArray& jpeg, int& width, int& height)
{
    if (!handle_ || !LooksLikeJpeg(jpeg))
        return false;
    int subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(static_cast<tjhandle>(handle_),
                            reinterpret_cast<const unsigned char*>(jpeg.constData()),
                            static_cast<unsigned long>(jpeg.size()), &width, &height, &subsamp,
                            &colorspace)
        != 0) {
        error_ = QString::fromLocal8Bit(tjGetErrorStr2(static_cast<tjhandle>(handle_)));
        return false;
    }
    return width > 0 && height > 0;
}

QImage JpegDecoder::Decode(const QByteArray& jpeg, qint64 maxPixels)
{
    QImage img;
    return DecodeInto(jpeg, img, maxPixels) ? img : QImage();
}

namespace {
// The reduced scales used, largest first. TurboJPEG decodes other eighths
// too (7/8, 3/4, 5/8, 3/8), but without its vector code: on a 640x480 camera
// picture 7/8 takes 2.4 times a full decode and 3/8 more than 1/2, so a full
// (or half) decode followed by scaling is cheaper.
constexpr JpegScale kScales[] = {{1, 2}, {1, 4}, {1, 8}};
}  // namespace

QSize JpegDecoder::Scaled(QSize source, JpegScale scale)
{
    const tjscalingfactor f{scale.num, scale.denom};
    return QSize(TJSCALED(source.width(), f), TJSCALED(source.height(), f));
}

JpegScale JpegDecoder::ScaleFor(QSize source, QSize need)
{
    JpegScale best;
    if (need.isEmpty())
        return best;
    for (const JpegScale s : kScales) {
        const QSize scaled = Scaled(source, s);
        if (scaled.width() < need.width() || scaled.height() < need.height())
            break;
        best = s;
    }
    return best;
}

bool JpegDecoder::DecodeInto(const QByteArray& jpeg, QImage& img, qint64 maxPixels)
{
    return DecodeInto(jpeg, img, JpegScale{}, maxPixels);
}

bool JpegDecoder::DecodeInto(const QByteArray& jpeg, QImage& img, JpegScale scale, qint64 maxPixels)
{
    int fullW = 0, fullH = 0;
    if (!Peek(jpeg, fullW, fullH))
        return false;
    if (static_cast<qint64>(fullW) * fullH > maxPixels) {
        error_ = QStringLiteral("picture too large");
        return false;
    }
    const QSize size = Scaled(QSize(fullW, fullH), scale);
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0)
        return false;
    if (img.size() != QSize(w, h) || img.format() != QImage::Format_RGB32 || !img.isDetached())
        img = QImage(w, h, QImage::Format_RGB32);
    if (img.isNull())
        return false;
    // Format_RGB32 is 0xffRRGGBB in host order: BGRX bytes on little-endian.
    const int pf = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    const int rc = tjDecompress2(static_cast<tjhandle>(handle_),
                                 reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                 static_cast<unsigned long>(jpeg.size()), img.bits(), w,
                                 static_cast<int>(img.bytesPerLine()), h, pf, TJFLAG_FASTDCT);
    if (rc != 0) {
        error_ = QString::fromLocal8Bit(tjGetErrorStr2(static_cast<tjhandle>(handle_)));
        // Warnings (a picture with minor damage) still give a usable picture;
        // errors do not.
        if (tjGetErrorCode(static_cast<tjhandle>(handle_)) != TJERR_WARNING)
            return false;
        // libjpeg-turbo reports a truncated stream as a warning too; refuse
        // a picture without its end marker.
        const auto* d = reinterpret_cast<const unsigned char*>(jpeg.constData());
        const qsizetype n = jpeg.size();
        bool hasEnd = false;
        for (qsizetype i = n - 2; i >= std::max<qsizetype>(0, n - 64); --i)
            if (d[i] == 0xFF && d[i + 1] == 0xD9) {
                hasEnd = true;
                break;
            }
        if (!hasEnd)
            return false;
    }
    return true;
}

JpegEncoder::JpegEncoder() : handle_(tjInitCompress()) {}

JpegEncoder::~JpegEncoder()
{
    if (handle_)
        tjDestroy(static_cast<tjhandle>(handle_));
}

QByteArray JpegEncoder::Encode(const QImage& image, int quality)
{
    if (!handle_ || image.isNull())
        return {};
    const QImage src =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const int pf = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(static_cast<tjhandle>(handle_), src.constBits(), src.width(),
                               static_cast<int>(src.bytesPerLine()), src.height(), pf, &out, &size,
                               TJSAMP_420, std::clamp(quality, 1, 100), TJFLAG_FASTDCT);
    QByteArray result;
    if (rc == 0 && out)
        result = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    if (out)
        tjFree(out);
    return result;
}
