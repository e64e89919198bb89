#include "platform/image_server/motion_detector.h"

#include "platform/image_server/jpeg_codec.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

// A camera picture: a textured scene, an optional moving block, sensor noise
// and a JPEG round trip, as a camera would deliver it.
class Scene {
public:
    Scene(int width, int height, double noiseSigma)
        : background_(width, height, QImage::Format_RGB32)
    {
        QPainter p(&background_);
        p.fillRect(background_.rect(), QColor(90, 110, 100));
        for (int i = 0; i < 12; ++i)
            p.fillRect(i * width / 12, (i % 3) * height / 3, width / 14, height / 4,
                       QColor(40 + i * 15, 160 - i * 8, 90));
        // A few fields of sensor noise, used in turn.
        std::mt19937 rng(42);
        std::normal_distribution<double> n(0, noiseSigma);
        for (auto& field : noise_) {
            field.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
            for (auto& v : field)
                v = static_cast<int8_t>(std::clamp<long>(std::lround(n(rng)), -100, 100));
        }
    }

    QImage Picture(QRect block = {}, int brightness = 0)
    {
        QImage img = background_.copy();
        if (!block.isNull()) {
            QPainter p(&img);
            p.fillRect(block, QColor(240, 230, 60));
        }
        const std::vector<int8_t>& field = noise_[next_++ % noise_.size()];
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int d = field[static_cast<size_t>(y) * static_cast<size_t>(img.width())
                                    + static_cast<size_t>(x)]
                              + brightness;
                const QRgb c = line[x];
                line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                               std::clamp(qBlue(c) + d, 0, 255));
            }
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        img.save(&buffer, "JPG", 75);
        return QImage::fromData(jpeg, "JPG").convertToFormat(QImage::Format_RGB32);
    }

private:
    QImage background_;
    std::array<std::vector<int8_t>, 7> noise_;
    size_t next_ = 0;
};

}  // namespace

TEST(MotionDetectorTest, StaticNoisySceneIsNeverMotionAtAnySensitivity)
{
    Scene scene(320, 240, 6.0);
    std::vector<QImage> pictures;
    for (int i = 0; i < 60; ++i)
        pictures.push_back(scene.Picture({}, i == 30 ? 25 : 0));  // and one exposure step
    for (int s = 1; s <= 10; ++s) {
        MotionDetector d;
        d.SetSensitivity(s);
        int reports = 0;
        for (size_t i = 0; i < pictures.size(); ++i)
            reports += d.Feed(pictures[i], static_cast<qint64>(i) * 40);
        EXPECT_EQ(reports, 0) << "sensitivity " << s << ", last share " << d.LastChangedShare();
    }
}

TEST(MotionDetectorTest, MovingBlockIsReportedAboutOnceASecondAndStopsWithIt)
{
    Scene scene(640, 480, 4.0);
    MotionDetector d;
    d.SetSensitivity(5);
    std::vector<qint64> reports;
    qint64 t = 0;
    for (int i = 0; i < 10; ++i, t += 40)
        EXPECT_FALSE(d.Feed(scene.Picture(), t));
    const qint64 motionStart = t;
    for (int i = 0; i < 150; ++i, t += 40) {  // six seconds of a block crossing the view
        const QRect block(20 + i * 4, 100 + (i % 20) * 5, 140, 120);
        if (d.Feed(scene.Picture(block), t))
            reports.push_back(t);
    }
    const qint64 motionEnd = t;
    for (int i = 0; i < 50; ++i, t += 40)
        if (d.Feed(scene.Picture(), t))
            reports.push_back(t);

    ASSERT_GE(reports.size(), 5u);
    EXPECT_LE(reports.size(), 7u);
    EXPECT_LE(reports.front() - motionStart, 120);  // the second picture with motion confirms it
    for (size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i] - reports[i - 1], MotionDetector::kReportIntervalMs);
        EXPECT_LE(reports[i] - reports[i - 1], MotionDetector::kReportIntervalMs + 80);
    }
    // Nothing once the block is gone (and the reference picture shows it no more).
    EXPECT_LE(reports.back(), motionEnd + MotionDetector::kCompareAgeMs + 80);
}

TEST(MotionDetectorTest, SensitivityDecidesHowSmallAMotionCounts)
{
    struct Case {
        int blockSide;
        int sensitivity;
        bool reported;
    } cases[] = {
        {160, 1, true}, {160, 5, true}, {160, 10, true}, {40, 1, false},  {40, 3, false},
        {40, 5, true},  {40, 10, true}, {12, 5, false},  {12, 10, false},
    };
    Scene scene(640, 480, 4.0);
    std::vector<std::vector<QImage>> clips;
    for (int side : {160, 40, 12}) {
        std::vector<QImage> clip{scene.Picture(), scene.Picture()};
        for (int i = 0; i < 8; ++i)
            clip.push_back(scene.Picture(QRect(100 + i * side / 2, 200, side, side)));
        clips.push_back(clip);
    }
    for (const Case& c : cases) {
        const auto& clip = clips[c.blockSide == 160 ? 0 : c.blockSide == 40 ? 1 : 2];
        MotionDetector d;
        d.SetSensitivity(c.sensitivity);
        bool reported = false;
        for (size_t i = 0; i < clip.size(); ++i)
            reported |= d.Feed(clip[i], static_cast<qint64>(i) * 40);
        EXPECT_EQ(reported, c.reported) << "block " << c.blockSide << ", sensitivity "
                                        << c.sensitivity << ", share " << d.LastChangedShare();
    }
}

TEST(MotionDetectorTest, OutOfRangeSensitivityAndNewPictureSizesAreSafe)
{
    MotionDetector d;
    d.SetSensitivity(0);
    EXPECT_EQ(d.Sensitivity(), 1);
    d.SetSensitivity(290);
    EXPECT_EQ(d.Sensitivity(), 10);
    // A change of picture size is a new start, not motion.
    Scene small(160, 120, 2.0), large(1280, 720, 2.0);
    EXPECT_FALSE(d.Feed(small.Picture(), 0));
    EXPECT_FALSE(d.Feed(small.Picture(), 40));
    EXPECT_FALSE(d.Feed(large.Picture(), 80));
    EXPECT_FALSE(d.Feed(large.Picture(), 120));
    EXPECT_FALSE(d.Feed(QImage(), 160));
    // Other formats are taken too: a grey picture, a one-pixel picture.
    QImage grey = large.Picture().convertToFormat(QImage::Format_Grayscale8);
    EXPECT_FALSE(d.Feed(grey, 200));
    QImage dot(1, 1, QImage::Format_RGB888);
    dot.fill(Qt::white);
    EXPECT_FALSE(d.Feed(dot, 240));
    EXPECT_FALSE(d.Feed(dot, 280));
}

// Motion takes its grey picture from the picture decoded for display when
// there is one: whatever size that was decoded at, the detector must see what
// it sees in the scaled grey decode of the same JPEG.
TEST(MotionDetectorTest, GreyFromTheDisplayPictureDecidesAsTheGreyDecodeDoes)
{
    constexpr int kMinWidth = 2 * MotionDetector::kGridWidth;
    Scene scene(640, 480, 6.0);
    JpegEncoder encoder;
    std::vector<QByteArray> clip;
    for (int i = 0; i < 12; ++i)
        clip.push_back(encoder.Encode(scene.Picture({}, i == 8 ? 25 : 0), 80));
    for (int i = 0; i < 40; ++i)
        clip.push_back(encoder.Encode(scene.Picture(QRect(20 + i * 12, 140, 160, 200)), 80));
    for (int i = 0; i < 20; ++i)
        clip.push_back(encoder.Encode(scene.Picture(), 80));

    // The grey decode, and the display decoded at full size, at 1/2 and at 1/4:
    // the grey pictures are close, and the detector, fed as the stream feeds
    // it (FeedBlocks on the display picture), reports the same pictures as it
    // does from the grey decode, at every sensitivity.
    const JpegScale displayScales[] = {{1, 1}, {1, 2}, {1, 4}};
    constexpr size_t kSources = 4;  // the grey decode, then the display scales
    JpegDecoder decoder;
    LumaDecoder luma;
    std::array<std::array<MotionDetector, kSources>, 10> detectors;
    std::array<std::array<std::vector<size_t>, kSources>, 10> reports;
    for (int s = 1; s <= 10; ++s)
        for (MotionDetector& d : detectors[static_cast<size_t>(s - 1)])
            d.SetSensitivity(s);
    for (size_t i = 0; i < clip.size(); ++i) {
        const qint64 timeMs = static_cast<qint64>(i) * 40;
        int w = 0, h = 0;
        std::vector<uint8_t> fromDecode;
        ASSERT_TRUE(luma.Decode(clip[i], kMinWidth, fromDecode, w, h));
        ASSERT_EQ(QSize(w, h), QSize(160, 120));
        for (size_t s = 0; s < 10; ++s)
            if (detectors[s][0].FeedLuma(fromDecode.data(), 160, 120, 160, timeMs))
                reports[s][0].push_back(i);
        for (size_t k = 1; k < kSources; ++k) {
            QImage picture;
            ASSERT_TRUE(decoder.DecodeInto(clip[i], picture, displayScales[k - 1]));
            std::vector<uint8_t> g;
            ASSERT_TRUE(GreyFromPicture(picture, kMinWidth, g, w, h));
            ASSERT_EQ(QSize(w, h), QSize(160, 120)) << k;
            double diff = 0;
            for (size_t p = 0; p < g.size(); ++p)
                diff += std::abs(static_cast<int>(g[p]) - static_cast<int>(fromDecode[p]));
            EXPECT_LT(diff / static_cast<double>(g.size()), 2.0) << "display scale " << k;
            GreyBlocks blocks;
            ASSERT_TRUE(blocks.Set(picture, kMinWidth));
            for (size_t s = 0; s < 10; ++s)
                if (detectors[s][k].FeedBlocks(blocks, timeMs))
                    reports[s][k].push_back(i);
        }
    }
    for (size_t s = 0; s < 10; ++s) {
        for (size_t k = 0; k < kSources; ++k) {
            // Never during the still scene (its exposure step included), always for the block.
            ASSERT_FALSE(reports[s][k].empty()) << "source " << k << ", sensitivity " << s + 1;
            EXPECT_GE(reports[s][k].front(), 12u) << "source " << k << ", sensitivity " << s + 1;
        }
        for (size_t k = 1; k < kSources; ++k)
            EXPECT_EQ(reports[s][k], reports[s][0]) << "source " << k << ", sensitivity " << s + 1;
    }

    // A large picture (blocks of 8 x 8, four rows of each read) still matches the grey decode.
    {
        Scene large(1280, 720, 6.0);
        const QByteArray jpeg = encoder.Encode(large.Picture(QRect(300, 200, 200, 150)), 80);
        std::vector<uint8_t> fromDecode, fromPicture;
        int w = 0, h = 0;
        ASSERT_TRUE(luma.Decode(jpeg, kMinWidth, fromDecode, w, h));
        ASSERT_EQ(QSize(w, h), QSize(160, 90));
        ASSERT_TRUE(GreyFromPicture(decoder.Decode(jpeg), kMinWidth, fromPicture, w, h));
        ASSERT_EQ(QSize(w, h), QSize(160, 90));
        double diff = 0;
        for (size_t i = 0; i < fromPicture.size(); ++i)
            diff += std::abs(static_cast<int>(fromPicture[i]) - static_cast<int>(fromDecode[i]));
        EXPECT_LT(diff / static_cast<double>(fromPicture.size()), 3.0);
    }

    // Pictures the reduction cannot take.
    std::vector<uint8_t> g;
    int w = 0, h = 0;
    EXPECT_FALSE(GreyFromPicture(QImage(), kMinWidth, g, w, h));
    EXPECT_FALSE(GreyFromPicture(QImage(64, 48, QImage::Format_RGB888), kMinWidth, g, w, h));
    QImage narrow(100, 2, QImage::Format_RGB32);
    narrow.fill(QColor(255, 255, 255));
    ASSERT_TRUE(GreyFromPicture(narrow, kMinWidth, g, w, h));  // narrower than asked: as it is
    EXPECT_EQ(QSize(w, h), QSize(100, 2));
    EXPECT_EQ(g[0], 255);
}

// A plain colour reads as its luminance whatever the block size the picture's
// width gives (every block, the blocks of which only some rows are read too).
TEST(MotionDetectorTest, GreyBlocksOfAPlainPictureAreItsLuminance)
{
    constexpr int kMinWidth = 2 * MotionDetector::kGridWidth;
    const QColor colour(200, 100, 50);
    const int expected = (200 * 77 + 100 * 150 + 50 * 29) / 256;
    struct Case {
        int width, height, factor;
    };
    const Case cases[] = {{160, 120, 1},    {320, 240, 2},    {640, 480, 4},
                          {1120, 630, 7},   {1280, 720, 8},   {1760, 990, 11},
                          {2240, 1260, 14}, {2560, 1440, 16}, {3840, 2160, 16}};
    for (const Case& c : cases) {
        for (const QColor& fill : {colour, QColor(Qt::white)}) {
            QImage picture(c.width, c.height, QImage::Format_RGB32);
            picture.fill(fill);
            GreyBlocks grey;
            ASSERT_TRUE(grey.Set(picture, kMinWidth)) << c.width;
            EXPECT_EQ(grey.Width(), c.width / c.factor) << c.width;
            EXPECT_EQ(grey.Height(), c.height / c.factor) << c.width;
            const int want = fill == colour ? expected : 255;
            for (const QPoint p : {QPoint(0, 0), QPoint(grey.Width() - 1, grey.Height() - 1),
                                   QPoint(grey.Width() / 2, grey.Height() / 3)})
                EXPECT_EQ(grey.At(p.x(), p.y()), want)
                    << c.width << " at " << p.x() << "," << p.y();
        }
    }
    GreyBlocks grey;
    EXPECT_FALSE(
        grey.Set(QImage(4000, 3, QImage::Format_RGB32), kMinWidth));  // blocks taller than it
    MotionDetector d;
    EXPECT_FALSE(d.FeedBlocks(grey, 0));
}

// The grey picture and the grid divide sums of 8-bit samples by fixed counts
// through a multiplication: it must give exactly what the division gives for
// every sum such a count can make, and divide plainly past its range.
TEST(MotionDetectorTest, SampleDividerDividesEverySumOfSamplesExactly)
{
    const auto check = [](uint32_t d) {
        const SampleDivider divide(d);
        for (uint32_t n = 0; n <= 255 * d; ++n)
            if (divide(n) != n / d)
                return ::testing::AssertionFailure() << n << " / " << d << " gave " << divide(n);
        return ::testing::AssertionSuccess();
    };
    for (uint32_t d = 1; d <= 600; ++d)
        ASSERT_TRUE(check(d));
    // Block sizes (up to 5 rows of 16 pixels, times 256) and the ends of the range.
    for (uint32_t d : {4U * 256, 25U * 256, 80U * 256, 65521U, 65535U, 65536U, 1000000U})
        EXPECT_TRUE(check(d));
}
