// The video surface draws the latest frame at the display size, rotated as
// asked, and only what it was given.
#include "platform/image_server/video_surface.h"

#include <QPainter>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>

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

TEST(VideoSurface, PictureNeedFollowsWhatIsShownAndIsAnnouncedOnlyWhenItChanges)
{
    QWidget window;
    window.resize(500, 400);
    auto* s = new VideoSurface(&window);
    s->resize(320, 240);
    QSignalSpy changed(s, &VideoSurface::pictureNeedChanged);
    EXPECT_TRUE(s->pictureNeed().size.isEmpty()) << "not shown yet";
    window.show();
    EXPECT_EQ(s->pictureNeed().size, QSize(320, 240));
    EXPECT_EQ(changed.count(), 1);
    // Frames alone never announce anything.
    for (int i = 0; i < 5; ++i)
        s->presentFrame(Quadrants(64, 48), QSize(0, 0), 0);
    EXPECT_EQ(changed.count(), 1);

    struct Step {
        const char* what;
        std::function<void()> act;
        QSize need;  // unrotated
        int angle;
        bool announced;
    };
    const Step steps[] = {
        {"turned, display size given", [&] { s->setGeometryHints(QSize(100, 200), 90); },
         QSize(200, 100), 90, true},
        {"the widget resized: the display size holds", [&] { s->resize(400, 300); },
         QSize(200, 100), 90, false},
        {"zoomed past the widget", [&] { s->setGeometryHints(QSize(600, 800), 270); },
         QSize(800, 600), 270, true},
        {"fitted to the widget again", [&] { s->setGeometryHints(QSize(0, 0), 0); },
         QSize(400, 300), 0, true},
        {"the window minimised", [&] { window.setWindowState(Qt::WindowMinimized); }, QSize(), 0,
         true},
        {"the window restored", [&] { window.setWindowState(Qt::WindowNoState); }, QSize(400, 300),
         0, true},
        {"the window hidden", [&] { window.hide(); }, QSize(), 0, true},
        {"the window shown", [&] { window.show(); }, QSize(400, 300), 0, true},
        {"the surface alone hidden", [&] { s->hide(); }, QSize(), 0, true},
    };
    for (const Step& step : steps) {
        const int before = changed.count();
        step.act();
        const VideoSurface::PictureNeed n = s->pictureNeed();
        EXPECT_EQ(n.size, step.need) << step.what;
        EXPECT_EQ(n.angle, step.angle) << step.what;
        EXPECT_EQ(changed.count() - before, step.announced ? 1 : 0) << step.what;
    }
}

TEST(VideoSurface, PreparedFramesArePaintedOneToOneAndOthersStillShowRight)
{
    VideoSurface s;
    s.resize(300, 300);
    s.show();
    struct Case {
        const char* what;
        QImage frame;
        int turnedBy, angle;
        QSize display;
        bool converted;
        QColor tl, tr, bl, br;
    };
    const QImage upright = Quadrants(200, 100);
    const Case cases[] = {
        {"prepared at the display size",
         upright,
         0,
         0,
         {200, 100},
         false,
         Qt::red,
         Qt::green,
         Qt::blue,
         Qt::white},
        {"prepared and turned",
         upright.transformed(QTransform().rotate(90)),
         90,
         90,
         {100, 200},
         false,
         Qt::blue,
         Qt::red,
         Qt::white,
         Qt::green},
        {"prepared for an older size",
         Quadrants(100, 50),
         0,
         0,
         {200, 100},
         true,
         Qt::red,
         Qt::green,
         Qt::blue,
         Qt::white},
        {"turned, then the rotation changed",
         upright.transformed(QTransform().rotate(90)),
         90,
         180,
         {200, 100},
         true,
         Qt::white,
         Qt::blue,
         Qt::green,
         Qt::red},
    };
    for (const Case& c : cases) {
        const quint64 before = s.framesConverted();
        s.presentPrepared(c.frame, c.turnedBy, c.display, c.angle);
        const QImage shown = s.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage drawn = shown.copy(QRect(QPoint(0, 0), c.display));
        EXPECT_EQ(s.framesConverted() - before, c.converted ? 1u : 0u) << c.what;
        EXPECT_EQ(At(drawn, 0.1, 0.1), c.tl) << c.what;
        EXPECT_EQ(At(drawn, 0.9, 0.1), c.tr) << c.what;
        EXPECT_EQ(At(drawn, 0.1, 0.9), c.bl) << c.what;
        EXPECT_EQ(At(drawn, 0.9, 0.9), c.br) << c.what;
        if (!c.converted) {
            EXPECT_EQ(drawn, c.frame.convertToFormat(QImage::Format_RGB32)) << c.what;
        }
    }
}
