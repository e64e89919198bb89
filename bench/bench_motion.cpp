// Cost of motion detection per picture, against the cost of decoding the
// picture for display (the work the client does for every picture anyway).
//
//   BM_DisplayDecode        full TurboJPEG decode to RGB32 (what display costs)
//   BM_MotionScaledDecode   what motion detection costs per picture: scaled
//                           grey decode of the JPEG plus the detector
//   BM_MotionDetectorOnly   the detector alone, on a grey picture already decoded
//   BM_MotionOnFullPicture  the detector fed the full RGB32 picture instead
//   BM_DisplayDecodeAtScale the display decode at full size (third argument 1)
//                           or half size (2), as the stream makes it
//   BM_MotionFromDisplay    the same with motion as built: the grey picture
//                           taken from the picture just decoded, plus the detector
//   BM_MotionOnDisplay      motion's own share of that: the grey picture and the
//                           detector on pictures decoded beforehand at that scale
#include "platform/image_server/jpeg_codec.h"
#include "platform/image_server/motion_detector.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// A camera-like picture: a textured room with some noise and a moving block.
QByteArray Picture(int width, int height, int phase)
{
    QImage img(width, height, QImage::Format_RGB32);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int v = 90 + ((x / 40 + y / 30) % 3) * 40 + noise(rng);
            line[x] = qRgb(v, v + 10, v - 10);
        }
    }
    QPainter p(&img);
    p.fillRect(QRect(phase * width / 40, height / 3, width / 8, height / 6), QColor(230, 30, 30));
    p.end();
    QByteArray jpeg;
    QBuffer b(&jpeg);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "JPG", 80);
    return jpeg;
}

std::vector<QByteArray> Pictures(benchmark::State& state)
{
    std::vector<QByteArray> out;
    for (int i = 0; i < 8; ++i)
        out.push_back(
            Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), i));
    return out;
}

void BM_DisplayDecode(benchmark::State& state)
{
    const auto pictures = Pictures(state);
    JpegDecoder decoder;
    size_t i = 0;
    for (auto _ : state) {
        QImage img = decoder.Decode(pictures[i++ % pictures.size()]);
        benchmark::DoNotOptimize(img.constBits());
    }
}

void BM_MotionScaledDecode(benchmark::State& state)
{
    const auto pictures = Pictures(state);
    LumaDecoder decoder;
    MotionDetector detector;
    std::vector<uint8_t> luma;
    qint64 t = 0;
    size_t i = 0;
    for (auto _ : state) {
        int w = 0, h = 0;
        decoder.Decode(pictures[i++ % pictures.size()], 2 * MotionDetector::kGridWidth, luma, w, h);
        benchmark::DoNotOptimize(detector.FeedLuma(luma.data(), w, h, w, t += 40));
    }
}

void BM_MotionDetectorOnly(benchmark::State& state)
{
    const auto pictures = Pictures(state);
    LumaDecoder decoder;
    std::vector<std::vector<uint8_t>> lumas(pictures.size());
    int w = 0, h = 0;
    for (size_t k = 0; k < pictures.size(); ++k)
        decoder.Decode(pictures[k], 2 * MotionDetector::kGridWidth, lumas[k], w, h);
    MotionDetector detector;
    qint64 t = 0;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            detector.FeedLuma(lumas[i++ % lumas.size()].data(), w, h, w, t += 40));
}

void BM_MotionOnFullPicture(benchmark::State& state)
{
    const auto pictures = Pictures(state);
    JpegDecoder decoder;
    std::vector<QImage> images;
    for (const QByteArray& p : pictures)
        images.push_back(decoder.Decode(p));
    MotionDetector detector;
    qint64 t = 0;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(detector.Feed(images[i++ % images.size()], t += 40));
}

// The display decode at a scale (third argument: divisor, 1 = full size,
// 2 = half), alone and with motion taking its grey picture from it.
void DisplayDecode(benchmark::State& state, bool motion)
{
    const auto pictures = Pictures(state);
    JpegDecoder decoder;
    const JpegScale scale{1, static_cast<int>(state.range(2))};
    MotionDetector detector;
    QImage img;
    qint64 t = 0;
    size_t i = 0;
    for (auto _ : state) {
        decoder.DecodeInto(pictures[i++ % pictures.size()], img, scale);
        if (motion) {
            GreyBlocks grey;
            grey.Set(img, 2 * MotionDetector::kGridWidth);
            benchmark::DoNotOptimize(detector.FeedBlocks(grey, t += 40));
        }
        benchmark::DoNotOptimize(img.constBits());
    }
}
void BM_DisplayDecodeAtScale(benchmark::State& state) { DisplayDecode(state, false); }

void BM_MotionOnDisplay(benchmark::State& state)
{
    const auto pictures = Pictures(state);
    JpegDecoder decoder;
    const JpegScale scale{1, static_cast<int>(state.range(2))};
    std::vector<QImage> images(pictures.size());
    for (size_t k = 0; k < pictures.size(); ++k)
        decoder.DecodeInto(pictures[k], images[k], scale);
    MotionDetector detector;
    qint64 t = 0;
    size_t i = 0;
    for (auto _ : state) {
        GreyBlocks grey;
        grey.Set(images[i++ % images.size()], 2 * MotionDetector::kGridWidth);
        benchmark::DoNotOptimize(detector.FeedBlocks(grey, t += 40));
    }
}
void BM_MotionFromDisplay(benchmark::State& state) { DisplayDecode(state, true); }

}  // namespace

BENCHMARK(BM_DisplayDecodeAtScale)
    ->Args({640, 480, 1})
    ->Args({640, 480, 2})
    ->Args({1280, 720, 1})
    ->Args({1280, 720, 2})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MotionFromDisplay)
    ->Args({640, 480, 1})
    ->Args({640, 480, 2})
    ->Args({1280, 720, 1})
    ->Args({1280, 720, 2})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MotionOnDisplay)
    ->Args({640, 480, 1})
    ->Args({640, 480, 2})
    ->Args({1280, 720, 1})
    ->Args({1280, 720, 2})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayDecode)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MotionScaledDecode)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MotionDetectorOnly)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MotionOnFullPicture)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
