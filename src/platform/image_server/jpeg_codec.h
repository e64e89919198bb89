// JPEG decoding (and encoding, for tests and tools) with libjpeg-turbo.
// One codec per thread: the handles are not shared.
#pragma once

#include <QByteArray>
#include <QImage>

// A scale TurboJPEG decodes at directly (num / denom of the picture's size).
struct JpegScale {
    int num = 1;
    int denom = 1;
    bool Full() const { return num == denom; }
    friend bool operator==(const JpegScale&, const JpegScale&) = default;
};

class JpegDecoder {
public:
    // The scale (1/1, 1/2, 1/4 or 1/8) that decodes `source` to the smallest
    // picture still at least `need` on both sides (1/1 when `need` is empty or
    // not smaller).
    static JpegScale ScaleFor(QSize source, QSize need);
    // The picture size `source` decodes to at `scale`.
    static QSize Scaled(QSize source, JpegScale scale);

    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Reads the picture size from the header; false when it is not a JPEG.
    bool Peek(const QByteArray& jpeg, int& width, int& height);
    // Decodes to Format_RGB32; a null image when the data is not a complete,
    // decodable JPEG or larger than maxPixels.
    QImage Decode(const QByteArray& jpeg, qint64 maxPixels = 64LL * 1024 * 1024);
    // The same, writing into `reuse` when it has the right size and nobody
    // else shares it (saves allocating a fresh picture every time); false
    // when the data is not a decodable JPEG.
    bool DecodeInto(const QByteArray& jpeg, QImage& reuse, qint64 maxPixels = 64LL * 1024 * 1024);
    // The same at a reduced scale (maxPixels counts the full-size picture).
    bool DecodeInto(const QByteArray& jpeg, QImage& reuse, JpegScale scale,
                    qint64 maxPixels = 64LL * 1024 * 1024);
    QString LastError() const { return error_; }

private:
    void* handle_ = nullptr;
    QString error_;
};

class JpegEncoder {
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // quality 1..100; any QImage format (converted when needed).
    QByteArray Encode(const QImage& image, int quality = 80);

private:
    void* handle_ = nullptr;
};

// True when the data starts with the JPEG start-of-image marker.
inline bool LooksLikeJpeg(const QByteArray& data)
{
    return data.size() >= 4 && static_cast<unsigned char>(data[0]) == 0xFF
           && static_cast<unsigned char>(data[1]) == 0xD8;
}
