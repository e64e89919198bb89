// The video surface draws the latest frame at the display size, rotated as
// asked, and only what it was given.
#include "platform/image_server/video_surface.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Four coloured quadrants: top left red, top right green, bottom left blue,
// bottom right white.
QImage Quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::white);
    return img;
}

QColor At(const QImage& img, double fx, double fy)
{
    return QColor(
        img.pixel(static_cast<int>(fx * img.width()), static_cast<int>(fy * img.height())));
}

}  // namespace

TEST(VideoSurface, DrawsTheFrameRotatedAndScaledToTheDisplaySize)
{
    struct Case {
        int angle;
        QSize display;
        QColor tl, tr, bl, br;  // corners of what is drawn
    };
    const Case cases[] = {
        {0, {200, 100}, Qt::red, Qt::green, Qt::blue, Qt::white},
        {90, {100, 200}, Qt::blue, Qt::red, Qt::white, Qt::green},
        {180, {200, 100}, Qt::white, Qt::blue, Qt::green, Qt::red},
        {270, {100, 200}, Qt::green, Qt::white, Qt::red, Qt::blue},
        {290, {200, 100}, Qt::red, Qt::green, Qt::blue, Qt::white},  // not a quarter turn:
                                                                     // unrotated
    };
    for (const Case& c : cases) {
        VideoSurface s;
        s.resize(300, 300);
        s.presentFrame(Quadrants(64, 32), c.display, c.angle);
        // What the widget really shows.
        const QImage shown = s.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage drawn = shown.copy(QRect(QPoint(0, 0), c.display));
        EXPECT_EQ(At(drawn, 0.1, 0.1), c.tl) << c.angle;
        EXPECT_EQ(At(drawn, 0.9, 0.1), c.tr) << c.angle;
        EXPECT_EQ(At(drawn, 0.1, 0.9), c.bl) << c.angle;
        EXPECT_EQ(At(drawn, 0.9, 0.9), c.br) << c.angle;
        // Outside the display area the surface is black.
        EXPECT_EQ(QColor(shown.pixel(c.display.width() + 5, 5)), QColor(Qt::black)) << c.angle;
        EXPECT_EQ(QColor(shown.pixel(5, c.display.height() + 5)), QColor(Qt::black)) << c.angle;
        EXPECT_EQ(s.renderedFrame().copy(0, 0, 1, 1).pixel(0, 0), drawn.pixel(0, 0)) << c.angle;
    }
}

TEST(VideoSurface, ZeroDisplaySizeFillsTheWidgetAndGeometryChangesApplyToTheCurrentFrame)
{
    VideoSurface s;
    s.resize(80, 60);
    s.presentFrame(Quadrants(16, 12), QSize(0, 0), 0);
    QImage shown = s.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(75, 55)), QColor(Qt::white));
    s.setGeometryHints(QSize(40, 30), 180);
    shown = s.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(2, 2)), QColor(Qt::white));
    EXPECT_EQ(QColor(shown.pixel(75, 55)), QColor(Qt::black));
    s.clearFrame();
    shown = s.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(2, 2)), QColor(Qt::black));
}
