#include "views/video_placement.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <ostream>

static std::ostream& operator<<(std::ostream& os, QSize s)
{
    return os << s.width() << 'x' << s.height() << ' ';
}
static std::ostream& operator<<(std::ostream& os, QSizeF s)
{
    return os << s.width() << 'x' << s.height() << ' ';
}

TEST(VideoPlacement, RoundsHalfToEven)
{
    const std::pair<double, long> cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},     {-0.5, 0},
                                             {-1.5, -2}, {361.5, 362}, {602.5, 602}, {0.49, 0}};
    for (const auto& [v, expected] : cases)
        EXPECT_EQ(RoundHalfEven(v), expected) << v;
}

TEST(VideoPlacement, ZoomEntriesAreMatchedExactly)
{
    const std::pair<const char*, std::optional<double>> cases[] = {{"ID_FitWindow", 0.0},
                                                                   {"ID_x1", 1.0},
                                                                   {"ID_x1.5", 1.5},
                                                                   {"ID_x2", 2.0},
                                                                   {"ID_x2.5", 2.5},
                                                                   {"ID_x3", 3.0},
                                                                   {"ID_x3.5", 3.5},
                                                                   {"ID_x4", 4.0},
                                                                   {"id_x2", std::nullopt},
                                                                   {"ID_x5", std::nullopt},
                                                                   {"ID_X1", std::nullopt},
                                                                   {"", std::nullopt},
                                                                   {"ID_ZoomMenu", std::nullopt}};
    for (const auto& [id, factor] : cases)
        EXPECT_EQ(ZoomFactorOf(QLatin1String(id)), factor) << id;
}

TEST(VideoPlacement, ScalesWholeFactorsExactlyAndHalvesToEven)
{
    struct Case {
        int native;
        double f;
        int expected;
    };
    const Case cases[] = {{240, 1, 240},   {240, 2, 480},   {241, 3, 723},   {320, 4, 1280},
                          {241, 1.5, 362}, {243, 1.5, 364}, {241, 2.5, 602}, {241, 3.5, 844},
                          {1, 2.5, 2},     {3, 2.5, 8},     {0, 3.5, 0},     {0, 2, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(ScaleBy(c.native, c.f), c.expected) << c.native << " x " << c.f;
}

TEST(VideoPlacement, CentresWithHalfPixelsKept)
{
    struct Case {
        QSize client, display;
        QRectF placed;
        QRect widget;
    };
    const Case cases[] = {
        // larger: equal overhang on both sides
        {{320, 240}, {640, 480}, {-160, -120, 640, 480}, {-160, -120, 640, 480}},
        // smaller: equal border
        {{320, 240}, {160, 120}, {80, 60, 160, 120}, {80, 60, 160, 120}},
        // odd difference: the half pixel stays in the placement, the widget rounds to even
        {{320, 240}, {483, 362}, {-81.5, -61, 483, 362}, {-82, -61, 483, 362}},
        {{321, 241}, {320, 240}, {0.5, 0.5, 320, 240}, {0, 0, 320, 240}},
        {{320, 240}, {0, 0}, {160, 120, 0, 0}, {160, 120, 0, 0}},
    };
    for (const Case& c : cases) {
        const QRectF placed = CentredPicture(c.client, c.display);
        EXPECT_EQ(placed, c.placed) << c.client << c.display;
        EXPECT_EQ(PictureGeometry(placed), c.widget) << c.client << c.display;
    }
}

TEST(VideoPlacement, PanStepKeepsTheClientAreaCovered)
{
    struct Case {
        double pos, delta, size;
        int client;
        double expected;
    };
    const Case cases[] = {
        {-160, 50, 640, 320, -110},    // inside the range: moves by the step
        {-160, 500, 640, 320, 0},      // far right: the left edge stops at 0
        {-160, -500, 640, 320, -320},  // far left: the right edge stops at the client's
        {-160, 160, 640, 320, 0},      // exactly to the edge
        {-0.5, 0.25, 321, 320, -0.25},
        {80, 30, 160, 320, 80},  // not larger than the client: never moves
        {0, -10, 320, 320, 0},   // equal: never moves
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(PanStep(c.pos, c.delta, c.size, c.client), c.expected)
            << c.pos << " + " << c.delta;
}

TEST(VideoPlacement, ADragPathNeverUncoversTheClientArea)
{
    // A 1000 x 700 picture in 320 x 240, dragged back and forth in big and small steps.
    const double w = 1000, h = 700;
    const int cx = 320, cy = 240;
    double left = (cx - w) / 2, top = (cy - h) / 2;
    const double steps[] = {37, 400, -13.5, -900, 2000, -0.5, -5000, 12, 700};
    for (double d : steps) {
        left = PanStep(left, d, w, cx);
        top = PanStep(top, -d / 2, h, cy);
        EXPECT_LE(left, 0);
        EXPECT_GE(left + w, cx);
        EXPECT_LE(top, 0);
        EXPECT_GE(top + h, cy);
    }
}

TEST(VideoPlacement, DragAndPointerFollowFitModeSizeAndButton)
{
    struct Case {
        bool fit;
        QSizeF picture;
        int button;
        bool dragging;
        bool starts;
        PicturePointer pointer;
    };
    const QSize client(320, 240);
    const Case cases[] = {
        {false, {640, 480}, 1, false, true, PicturePointer::Hand},
        {false, {640, 480}, 1, true, true, PicturePointer::SizeAll},
        {false, {640, 240}, 1, false, true, PicturePointer::Hand},      // wider only
        {false, {320, 241}, 1, false, true, PicturePointer::Hand},      // taller only
        {false, {640, 480}, 2, false, false, PicturePointer::Hand},     // right button
        {false, {320, 240}, 1, false, false, PicturePointer::Default},  // equal: not larger
        {false, {160, 120}, 1, false, false, PicturePointer::Default},
        {true, {640, 480}, 1, true, false, PicturePointer::Default},  // fit on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DragStarts(c.fit, c.picture, client, c.button), c.starts) << c.picture;
        EXPECT_EQ(PointerOver(c.fit, c.picture, client, c.dragging), c.pointer) << c.picture;
    }
}

TEST(VideoPlacement, CombinedCellsHalveTheClientAreaToEven)
{
    struct Case {
        QSize client;
        int w, h;
    };
    const Case cases[] = {{{640, 480}, 320, 240},
                          {{641, 481}, 320, 240},
                          {{643, 483}, 322, 242},
                          {{1, 3}, 0, 2},
                          {{0, 0}, 0, 0}};
    for (const Case& c : cases) {
        const auto cells = CombinedCells(c.client);
        EXPECT_EQ(cells[0], QRect(0, 0, c.w, c.h)) << c.client;
        EXPECT_EQ(cells[1], QRect(c.w, 0, c.w, c.h)) << c.client;
        EXPECT_EQ(cells[2], QRect(0, c.h, c.w, c.h)) << c.client;
        EXPECT_EQ(cells[3], QRect(c.w, c.h, c.w, c.h)) << c.client;
    }
}

TEST(VideoPlacement, ColourValuesShowWithALeadingBlank)
{
    EXPECT_EQ(ColourValueText(64), QStringLiteral(" 64"));
    EXPECT_EQ(ColourValueText(0), QStringLiteral(" 0"));
    EXPECT_EQ(ColourValueText(128), QStringLiteral(" 128"));
    EXPECT_EQ(ColourValueText(-3), QStringLiteral("-3"));
}

TEST(VideoPlacement, ViewerSizesAreClampedTo16Bits)
{
    EXPECT_EQ(ClampTo16(314), 314);
    EXPECT_EQ(ClampTo16(40000), 32767);
    EXPECT_EQ(ClampTo16(-6), 0);
}
