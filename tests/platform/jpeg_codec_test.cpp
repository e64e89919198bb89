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

TEST(JpegCodec, ScaledDecodeGivesTheSmallestPictureThatCoversTheNeed)
{
    struct Case {
        QSize source, need;
        JpegScale scale;
        QSize decoded;
    };
    const Case cases[] = {
        {{640, 480}, {640, 480}, {1, 1}, {640, 480}},  // shown 1:1: nothing to spare
        {{640, 480}, {320, 240}, {1, 2}, {320, 240}},  // the default window
        {{640, 480}, {300, 225}, {1, 2}, {320, 240}},
        {{640, 480}, {321, 240}, {1, 1}, {640, 480}},  // one pixel more than 1/2 gives
        {{640, 480}, {560, 420}, {1, 1}, {640, 480}},  // the slow eighths are not used
        {{640, 480}, {100, 75}, {1, 4}, {160, 120}},
        {{640, 480}, {40, 30}, {1, 8}, {80, 60}},
        {{640, 480}, {120, 300}, {1, 1}, {640, 480}},   // a narrow, tall window: the height decides
        {{640, 480}, {300, 120}, {1, 2}, {320, 240}},   // a wide, low one: the width decides
        {{640, 480}, {1280, 960}, {1, 1}, {640, 480}},  // larger than the picture: full size
        {{640, 480}, {}, {1, 1}, {640, 480}},           // no need known: full size
        {{1280, 720}, {640, 360}, {1, 2}, {640, 360}},
        {{1280, 720}, {159, 90}, {1, 8}, {160, 90}},
        {{641, 481}, {321, 241}, {1, 2}, {321, 241}},  // odd sizes round up
    };
    for (const Case& c : cases) {
        const JpegScale s = JpegDecoder::ScaleFor(c.source, c.need);
        EXPECT_EQ(s, c.scale) << c.need.width() << "x" << c.need.height() << " of "
                              << c.source.width() << "x" << c.source.height() << ": " << s.num
                              << "/" << s.denom;
        EXPECT_EQ(JpegDecoder::Scaled(c.source, s), c.decoded);
    }

    // The decoder makes the picture at that size, and it shows what the full one shows.
    QImage src(640, 480, QImage::Format_RGB32);
    src.fill(QColor(200, 40, 40));
    QPainter(&src).fillRect(320, 0, 320, 480, QColor(20, 40, 220));
    JpegEncoder enc;
    const QByteArray jpeg = enc.Encode(src, 90);
    JpegDecoder dec;
    QImage img;
    for (const JpegScale s : {JpegScale{1, 1}, JpegScale{1, 2}, JpegScale{1, 4}, JpegScale{1, 8}}) {
        ASSERT_TRUE(dec.DecodeInto(jpeg, img, s)) << s.num << "/" << s.denom;
        ASSERT_EQ(img.size(), JpegDecoder::Scaled(src.size(), s));
        const QColor left(img.pixel(img.width() / 8, img.height() / 2));
        const QColor right(img.pixel(img.width() * 7 / 8, img.height() / 2));
        EXPECT_NEAR(left.red(), 200, 12) << s.num << "/" << s.denom;
        EXPECT_NEAR(right.blue(), 220, 12) << s.num << "/" << s.denom;
    }
    // Damage is refused at every scale.
    EXPECT_FALSE(dec.DecodeInto(jpeg.left(jpeg.size() / 2), img, JpegScale{1, 2}));
}
