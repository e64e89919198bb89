// Motion detection on a camera's decoded pictures.
//
// Each picture is reduced to a small luminance grid (80 cells wide, as many
// high as keep the picture's shape; every cell the average of the pixels it
// covers, sampled on every other row and column). The grid is compared with
// the grid of the picture taken a fifth of a second earlier (the previous
// picture when pictures come slower), so that slow movements show as clearly
// as fast ones: a cell has changed when its brightness moved
// by more than the cell threshold, after taking away the change common to the
// whole picture (a camera adjusting its exposure, a light switched on). There
// is motion when the changed cells make up more than the area threshold of the
// grid, in two pictures in a row (a single damaged picture is no motion).
//
// Both thresholds follow the sensitivity, 1 (low) to 10 (high); values
// outside are taken as the nearest end:
//
//   sensitivity      1    2    3     4     5     6     7     8     9      10
//   cell threshold  40   36   32    28    25    22    19    16    13     10   (of 255 levels)
//   area threshold  6%   4%   2.5%  1.5%  0.8%  0.6%  0.5%  0.4%  0.35%  0.3%
//
// While motion lasts, Feed() asks for a report at most once per report
// interval (one second), measured on the pictures' own times.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

// Division by a number fixed for many divisions (a block's or a cell's pixel
// count), done as a multiplication, which costs a fraction of a division: for
// every n up to 255 * d (any sum of d 8-bit samples) it gives exactly n / d.
// A d above 65535 falls back to a plain division.
class SampleDivider {
public:
    SampleDivider() = default;
    explicit SampleDivider(uint32_t d)
        : d_(d), mul_(d > 0 && d <= kMaxFast ? (uint64_t{1} << kShift) / d + 1 : 0)
    {
    }
    uint32_t operator()(uint32_t n) const
    {
        return mul_ ? static_cast<uint32_t>((n * mul_) >> kShift) : n / d_;
    }

private:
    // Exact while n * d stays below 2^kShift, that is n <= 255 * d and d <= kMaxFast.
    static constexpr int kShift = 40;
    static constexpr uint32_t kMaxFast = 65535;
    uint32_t d_ = 1;
    uint64_t mul_ = 0;
};

// A decoded RGB32 picture seen as a small grey picture: every grey pixel is the
// mean luminance of an f x f block, f the largest whole factor (at most 16)
// that keeps the grey picture at least `minWidth` wide (of a block more than
// four rows high, four evenly spaced rows are read). A grey pixel is worked
// out when it is asked for, so a reader that needs only some of them reads
// only their blocks. The picture must outlive the reader's use of it.
class GreyBlocks {
public:
    // False for a null picture, one in another format than (A)RGB32, or one
    // too small to give a grey picture.
    bool Set(const QImage& picture, int minWidth);
    int Width() const { return width_; }
    int Height() const { return height_; }
    uint8_t At(int x, int y) const
    {
        // The most common block, 2 x 2 (a picture shown at 320 x 240 gives a
        // grey picture 160 wide), is summed here, inline in the caller's
        // loop; every other size in BlockAt. Set reads every row of a block
        // this small, so both rows count.
        if (factor_ != 2)
            return BlockAt(x, y);
        const uchar* row =
            bits_ + static_cast<qsizetype>(y) * 2 * stride_ + static_cast<qsizetype>(x) * 8;
        const auto* top = reinterpret_cast<const uint32_t*>(row);
        const auto* bottom = reinterpret_cast<const uint32_t*>(row + stride_);
        const uint32_t redBlue = (top[0] & 0x00FF00FFU) + (top[1] & 0x00FF00FFU)
                                 + (bottom[0] & 0x00FF00FFU) + (bottom[1] & 0x00FF00FFU);
        const uint32_t green = ((top[0] >> 8) & 0xFFU) + ((top[1] >> 8) & 0xFFU)
                               + ((bottom[0] >> 8) & 0xFFU) + ((bottom[1] >> 8) & 0xFFU);
        return static_cast<uint8_t>(((redBlue >> 16) * 77 + green * 150 + (redBlue & 0xFFFFU) * 29)
                                    / (4 * 256));
    }

private:
    uint8_t BlockAt(int x, int y) const;  // any block size

    const uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    int factor_ = 1;
    int firstRow_ = 0;
    int rowStep_ = 1;
    int width_ = 0;
    int height_ = 0;
    SampleDivider divide_{256};
};

class MotionDetector {
public:
    static constexpr int kGridWidth = 80;
    static constexpr int kReportIntervalMs = 1000;
    static constexpr int kCompareAgeMs = 200;

    void SetSensitivity(int sensitivity);
    int Sensitivity() const { return sensitivity_; }

    // Feeds one picture taken at `timeMs` (any steady clock). Returns true when
    // motion should be reported now.
    bool Feed(const QImage& picture, qint64 timeMs);
    // The same for a luminance plane (one byte per pixel).
    bool FeedLuma(const uint8_t* luma, int width, int height, qsizetype stride, qint64 timeMs);

    // The same for the grey picture of a decoded picture; only the grey pixels
    // the grid samples are worked out.
    bool FeedBlocks(const GreyBlocks& grey, qint64 timeMs);

    // Forgets the previous picture and the last report (a new stream).
    void Reset();

    // What the last picture showed: the share of changed cells, and whether it
    // counted as motion.
    double LastChangedShare() const { return lastShare_; }
    bool LastHadMotion() const { return lastMotion_; }

    static int CellThreshold(int sensitivity);
    static double AreaThreshold(int sensitivity);

private:
    template <typename Sample> void Reduce(int width, int height, Sample sample);
    bool Compare(qint64 timeMs);

    int sensitivity_ = 5;
    int gridW_ = 0, gridH_ = 0;
    int srcW_ = 0, srcH_ = 0;
    std::vector<int> colCell_, rowCell_;
    std::vector<uint32_t> sums_, counts_;
    std::vector<SampleDivider> cellDivide_;
    std::vector<uint8_t> grid_;
    struct Past {
        std::vector<uint8_t> grid;
        qint64 timeMs = 0;
    };
    std::vector<Past> past_;  // recent grids, oldest first
    bool motionBefore_ = false;
    bool reported_ = false;
    qint64 lastReportMs_ = 0;
    double lastShare_ = 0;
    bool lastMotion_ = false;
};

// Decodes a JPEG straight to a small grey picture, using libjpeg-turbo's
// scaled decoding (1/2, 1/4 or 1/8 of the size): far cheaper than a full
// decode. One decoder per thread.
class LumaDecoder {
public:
    LumaDecoder();
    ~LumaDecoder();
    LumaDecoder(const LumaDecoder&) = delete;
    LumaDecoder& operator=(const LumaDecoder&) = delete;

    // Decodes at the smallest scale that keeps the picture at least
    // `minWidth` wide (or at full size when it is narrower). False when the
    // data is not a decodable JPEG.
    bool Decode(const QByteArray& jpeg, int minWidth, std::vector<uint8_t>& out, int& width,
                int& height);

private:
    void* handle_ = nullptr;
};

// The whole grey picture GreyBlocks gives of a decoded RGB32 picture, as
// LumaDecoder makes it straight from the JPEG. False when GreyBlocks refuses
// the picture.
bool GreyFromPicture(const QImage& picture, int minWidth, std::vector<uint8_t>& out, int& width,
                     int& height);
