// Decoding accepts whole pictures only: damaged data gives no picture.
#include "platform/image_server/jpeg_codec.h"

#include <QPainter>
#include <gtest/gtest.h>

TEST(JpegCodec, DecodesWholePicturesAndRefusesDamagedOnes)
{
    QImage src(160, 120, QImage::Format_RGB32);
    src.fill(QColor(200, 40, 40));
    QPainter(&src).fillRect(80, 0, 80, 120, QColor(20, 40, 220));
    JpegEncoder enc;
    const QByteArray jpeg = enc.Encode(src, 90);
    ASSERT_TRUE(LooksLikeJpeg(jpeg));
    JpegDecoder dec;
    const QImage img = dec.Decode(jpeg);
    ASSERT_EQ(img.size(), QSize(160, 120));
    const QColor left(img.pixel(20, 60)), right(img.pixel(140, 60));
    EXPECT_NEAR(left.red(), 200, 12);
    EXPECT_NEAR(right.blue(), 220, 12);

    struct Case {
        const char* name;
        QByteArray data;
        qint64 maxPixels;
    };
    QByteArray flipped = jpeg;
    flipped[jpeg.size() / 2] = static_cast<char>(flipped[jpeg.size() / 2] ^ 0x5A);
    const Case refused[] = {
        {"truncated", jpeg.left(jpeg.size() / 2), 1 << 26},
        {"header only", jpeg.left(200), 1 << 26},
        {"not a JPEG", QByteArray("GIF89a........"), 1 << 26},
        {"empty", QByteArray(), 1 << 26},
        {"larger than allowed", jpeg, 100},
    };
    for (const Case& c : refused)
        EXPECT_TRUE(dec.Decode(c.data, c.maxPixels).isNull()) << c.name;
    // Damage in the middle of the data still gives a picture of the right
    // size or none, never a crash.
    const QImage damaged = dec.Decode(flipped);
    EXPECT_TRUE(damaged.isNull() || damaged.size() == QSize(160, 120));
}
