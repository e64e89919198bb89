#include "platform/image_server/motion_detector.h"

#include <turbojpeg.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kCellThreshold[10] = {40, 36, 32, 28, 25, 22, 19, 16, 13, 10};
constexpr double kAreaThreshold[10] = {0.06,  0.04,  0.025, 0.015,  0.008,
                                       0.006, 0.005, 0.004, 0.0035, 0.003};

int Level(int sensitivity) { return std::clamp(sensitivity, 1, 10) - 1; }

}  // namespace

int MotionDetector::CellThreshold(int sensitivity) { return kCellThreshold[Level(sensitivity)]; }
double MotionDetector::AreaThreshold(int sensitivity) { return kAreaThreshold[Level(sensitivity)]; }

void MotionDetector::SetSensitivity(int sensitivity)
{
    sensitivity_ = std::clamp(sensitivity, 1, 10);
}

void MotionDetector::Reset()
{
    past_.clear();
    motionBefore_ = false;
    reported_ = false;
    lastShare_ = 0;
    lastMotion_ = false;
}

template <typename Sample> void MotionDetector::Reduce(int width, int height, Sample sample)
{
    if (width != srcW_ || height != srcH_) {
        srcW_ = width;
        srcH_ = height;
        gridW_ = std::min(kGridWidth, width);
        gridH_ = std::clamp(
            static_cast<int>(std::lround(static_cast<double>(gridW_) * height / width)), 1, height);
        colCell_.resize(static_cast<size_t>((width + 1) / 2));
        rowCell_.resize(static_cast<size_t>((height + 1) / 2));
        for (size_t i = 0; i < colCell_.size(); ++i)
            colCell_[i] = static_cast<int>(static_cast<qint64>(i) * 2 * gridW_ / width);
        for (size_t i = 0; i < rowCell_.size(); ++i)
            rowCell_[i] = static_cast<int>(static_cast<qint64>(i) * 2 * gridH_ / height);
        counts_.assign(static_cast<size_t>(gridW_ * gridH_), 0);
        for (int r : rowCell_)
            for (int c : colCell_)
                ++counts_[static_cast<size_t>(r * gridW_ + c)];
        cellDivide_.clear();
        for (uint32_t count : counts_)
            cellDivide_.emplace_back(count);
        grid_.assign(counts_.size(), 0);
        past_.clear();
        motionBefore_ = false;
    }
    sums_.assign(counts_.size(), 0);
    const size_t columns = colCell_.size();
    for (size_t ry = 0; ry < rowCell_.size(); ++ry) {
        uint32_t* row =
            sums_.data() + static_cast<size_t>(rowCell_[ry]) * static_cast<size_t>(gridW_);
        const int y = static_cast<int>(ry * 2);
        for (size_t cx = 0; cx < columns; ++cx)
            row[colCell_[cx]] += sample(static_cast<int>(cx * 2), y);
    }
    for (size_t i = 0; i < grid_.size(); ++i)
        grid_[i] = counts_[i] ? static_cast<uint8_t>(cellDivide_[i](sums_[i])) : 0;
}

bool MotionDetector::Feed(const QImage& picture, qint64 timeMs)
{
    if (picture.isNull())
        return false;
    const int w = picture.width();
    const int h = picture.height();
    switch (picture.format()) {
    case QImage::Format_Grayscale8:
        return FeedLuma(picture.constBits(), w, h, picture.bytesPerLine(), timeMs);
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: {
        const uchar* bits = picture.constBits();
        const qsizetype stride = picture.bytesPerLine();
        Reduce(w, h, [bits, stride](int x, int y) {
            const QRgb p = reinterpret_cast<const QRgb*>(bits + y * stride)[x];
            return static_cast<uint32_t>((qRed(p) * 77 + qGreen(p) * 150 + qBlue(p) * 29) >> 8);
        });
        return Compare(timeMs);
    }
    default:
        return Feed(picture.convertToFormat(QImage::Format_RGB32), timeMs);
    }
}

bool MotionDetector::FeedLuma(const uint8_t* luma, int width, int height, qsizetype stride,
                              qint64 timeMs)
{
    if (!luma || width <= 0 || height <= 0)
        return false;
    Reduce(width, height,
           [luma, stride](int x, int y) { return static_cast<uint32_t>(luma[y * stride + x]); });
    return Compare(timeMs);
}

bool MotionDetector::Compare(qint64 timeMs)
{
    // The reference: the newest past grid at least kCompareAgeMs old, else the oldest.
    if (!past_.empty() && timeMs < past_.back().timeMs)
        past_.clear();  // the clock went back: a new stream
    const Past* reference = nullptr;
    for (const Past& p : past_)
        if (timeMs - p.timeMs >= kCompareAgeMs || !reference)
            reference = &p;
    size_t changed = 0;
    const size_t n = grid_.size();
    if (reference) {
        const std::vector<uint8_t>& before = reference->grid;
        long long total = 0;
        for (size_t i = 0; i < n; ++i)
            total += static_cast<int>(grid_[i]) - static_cast<int>(before[i]);
        const int shift = static_cast<int>(total / static_cast<long long>(n));
        const int threshold = CellThreshold(sensitivity_);
        for (size_t i = 0; i < n; ++i)
            changed += std::abs(static_cast<int>(grid_[i]) - static_cast<int>(before[i]) - shift)
                       > threshold;
    }
    // Keep this grid; drop those no longer needed as a reference.
    while (past_.size() > 1 && timeMs - past_[1].timeMs >= kCompareAgeMs)
        past_.erase(past_.begin());
    if (past_.size() >= 64)
        past_.erase(past_.begin());
    past_.push_back({grid_, timeMs});
    if (!reference) {
        lastShare_ = 0;
        lastMotion_ = false;
        return false;
    }

    lastShare_ = static_cast<double>(changed) / static_cast<double>(n);
    const bool motion = lastShare_ > AreaThreshold(sensitivity_);
    lastMotion_ = motion && motionBefore_;
    motionBefore_ = motion;
    if (!lastMotion_)
        return false;
    if (reported_ && timeMs >= lastReportMs_ && timeMs - lastReportMs_ < kReportIntervalMs)
        return false;
    reported_ = true;
    lastReportMs_ = timeMs;
    return true;
}

LumaDecoder::LumaDecoder() : handle_(tjInitDecompress()) {}

LumaDecoder::~LumaDecoder()
{
    if (handle_)
        tjDestroy(static_cast<tjhandle>(handle_));
}

bool LumaDecoder::Decode(const QByteArray& jpeg, int minWidth, std::vector<uint8_t>& out,
                         int& width, int& height)
{
    if (!handle_ || jpeg.size() < 4)
        return false;
    auto* data = reinterpret_cast<unsigned char*>(const_cast<char*>(jpeg.constData()));
    const auto size = static_cast<unsigned long>(jpeg.size());
    int w = 0, h = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(static_cast<tjhandle>(handle_), data, size, &w, &h, &subsampling,
                            &colorspace)
            != 0
        || w <= 0 || h <= 0 || static_cast<qint64>(w) * h > 64LL * 1024 * 1024)
        return false;
    tjscalingfactor best{1, 1};
    for (const tjscalingfactor f :
         {tjscalingfactor{1, 8}, tjscalingfactor{1, 4}, tjscalingfactor{1, 2}}) {
        if (TJSCALED(w, f) >= minWidth) {
            best = f;
            break;
        }
    }
    width = TJSCALED(w, best);
    height = TJSCALED(h, best);
    out.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    // A picture damaged at its end still decodes (with a warning); that is good enough here.
    const int rc = tjDecompress2(static_cast<tjhandle>(handle_), data, size, out.data(), width,
                                 width, height, TJPF_GRAY, TJFLAG_FASTDCT);
    return rc == 0 || tjGetErrorCode(static_cast<tjhandle>(handle_)) == TJERR_WARNING;
}

bool GreyBlocks::Set(const QImage& picture, int minWidth)
{
    width_ = height_ = 0;
    if (picture.isNull()
        || (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32))
        return false;
    constexpr int kMaxFactor = 16;  // keeps the sums of a block within 16-bit lanes
    factor_ = std::clamp(picture.width() / std::max(1, minWidth), 1, kMaxFactor);
    // Of a block taller than four rows, four evenly spaced rows are read: still
    // at least as many pixels per grey pixel as the scaled grey decode averages,
    // at a fraction of the memory traffic of a large picture.
    rowStep_ = std::max(1, factor_ / 4);
    firstRow_ = rowStep_ / 2;
    int rows = 0;
    for (int r = firstRow_; r < factor_; r += rowStep_)
        ++rows;
    divide_ = SampleDivider(static_cast<uint32_t>(rows * factor_) * 256U);
    bits_ = picture.constBits();
    stride_ = picture.bytesPerLine();
    width_ = picture.width() / factor_;
    height_ = picture.height() / factor_;
    if (width_ <= 0 || height_ <= 0) {
        width_ = height_ = 0;
        return false;
    }
    return true;
}

uint8_t GreyBlocks::BlockAt(int x, int y) const
{
    // Red and blue are summed in the two halves of one word, green in another:
    // no half can overflow (a block reads at most 16 x 5 pixels of 255).
    uint32_t redBlue = 0, green = 0;
    const uchar* row = bits_ + (static_cast<qsizetype>(y) * factor_ + firstRow_) * stride_
                       + static_cast<qsizetype>(x) * factor_ * 4;
    const qsizetype nextRow = rowStep_ * stride_;
    int c = 0;  // the columns the vector loop takes
#if defined(__SSE2__)
    if (factor_ >= 4) {
        const __m128i maskRb = _mm_set1_epi32(0x00FF00FF);
        const __m128i maskG = _mm_set1_epi32(0xFF);
        __m128i rb = _mm_setzero_si128(), g = _mm_setzero_si128();
        c = factor_ & ~3;
        const uchar* line = row;
        for (int r = firstRow_; r < factor_; r += rowStep_, line += nextRow) {
            for (int v = 0; v < c; v += 4) {
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + v * 4));
                rb = _mm_add_epi32(rb, _mm_and_si128(p, maskRb));
                g = _mm_add_epi32(g, _mm_and_si128(_mm_srli_epi32(p, 8), maskG));
            }
        }
        // The four lanes of each sum, added once for the whole block.
        rb = _mm_add_epi32(rb, _mm_shuffle_epi32(rb, _MM_SHUFFLE(1, 0, 3, 2)));
        rb = _mm_add_epi32(rb, _mm_shuffle_epi32(rb, _MM_SHUFFLE(2, 3, 0, 1)));
        g = _mm_add_epi32(g, _mm_shuffle_epi32(g, _MM_SHUFFLE(1, 0, 3, 2)));
        g = _mm_add_epi32(g, _mm_shuffle_epi32(g, _MM_SHUFFLE(2, 3, 0, 1)));
        redBlue = static_cast<uint32_t>(_mm_cvtsi128_si32(rb));
        green = static_cast<uint32_t>(_mm_cvtsi128_si32(g));
    }
#endif
    if (c < factor_) {
        for (int r = firstRow_; r < factor_; r += rowStep_, row += nextRow) {
            const auto* line = reinterpret_cast<const uint32_t*>(row);
            for (int k = c; k < factor_; ++k) {
                redBlue += line[k] & 0x00FF00FFU;
                green += (line[k] >> 8) & 0xFFU;
            }
        }
    }
    const uint32_t red = redBlue >> 16;
    const uint32_t blue = redBlue & 0xFFFFU;
    return static_cast<uint8_t>(divide_(red * 77 + green * 150 + blue * 29));
}

bool MotionDetector::FeedBlocks(const GreyBlocks& grey, qint64 timeMs)
{
    if (grey.Width() <= 0 || grey.Height() <= 0)
        return false;
    Reduce(grey.Width(), grey.Height(),
           [&grey](int x, int y) { return static_cast<uint32_t>(grey.At(x, y)); });
    return Compare(timeMs);
}

bool GreyFromPicture(const QImage& picture, int minWidth, std::vector<uint8_t>& out, int& width,
                     int& height)
{
    GreyBlocks grey;
    if (!grey.Set(picture, minWidth))
        return false;
    width = grey.Width();
    height = grey.Height();
    out.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                grey.At(x, y);
    return true;
}
