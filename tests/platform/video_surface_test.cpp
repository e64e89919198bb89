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
        // The 64 x 48 picture turned keeps its shape: 100 x 133 of the 100 x 200.
        {"turned, display size given", [&] { s->setGeometryHints(QSize(100, 200), 90); },
         QSize(133, 100), 90, true},
        {"the widget resized: the display size holds", [&] { s->resize(400, 300); },
         QSize(133, 100), 90, false},
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
        s.presentPrepared(c.frame, c.turnedBy, upright.size(), c.display, c.angle);
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

TEST(VideoSurface, AQuarterTurnedPictureKeepsItsShapeCentredInTheDisplayArea)
{
    // A 640 x 480 camera picture, grey with a white square in the middle.
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(QColor(128, 128, 128));
    QPainter(&picture).fillRect(QRect(200, 120, 240, 240), Qt::white);

    struct Case {
        const char* window;
        QSize display;
        int angle;
        QRect placed;
    };
    const Case cases[] = {
        // The single-camera and scan windows' 320 x 240 client area, fitted.
        {"fitted", {320, 240}, 0, {0, 0, 320, 240}},
        {"fitted", {320, 240}, 90, {70, 0, 180, 240}},
        {"fitted", {320, 240}, 180, {0, 0, 320, 240}},
        {"fitted", {320, 240}, 270, {70, 0, 180, 240}},
        // A combined-window cell: 320 x 240 less its frame.
        {"cell", {314, 234}, 0, {0, 0, 314, 234}},
        {"cell", {314, 234}, 90, {69, 0, 176, 234}},
        {"cell", {314, 234}, 180, {0, 0, 314, 234}},
        {"cell", {314, 234}, 270, {69, 0, 176, 234}},
        // Zoomed x1: the window gives a turned picture the turned size.
        {"zoomed", {640, 480}, 0, {0, 0, 640, 480}},
        {"zoomed", {480, 640}, 90, {0, 0, 480, 640}},
        {"zoomed", {640, 480}, 180, {0, 0, 640, 480}},
        {"zoomed", {480, 640}, 270, {0, 0, 480, 640}},
    };
    QWidget window;
    window.resize(700, 700);
    auto* s = new VideoSurface(&window);
    s->resize(700, 700);
    window.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window << " " << c.angle);
        s->presentFrame(picture, c.display, c.angle);
        EXPECT_EQ(s->pictureRect(), c.placed);
        EXPECT_EQ(
            VideoSurface::PictureRect(QRect(QPoint(0, 0), c.display), picture.size(), c.angle),
            c.placed);
        // The camera is asked for a picture of the placed size, before turning.
        const QSize need = c.angle % 180 ? c.placed.size().transposed() : c.placed.size();
        EXPECT_EQ(s->pictureNeed().size, need);

        const QImage shown = s->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The picture inside, black around it within the display area.
        EXPECT_EQ(QColor(shown.pixel(c.placed.left() + 2, c.placed.top() + 2)),
                  QColor(128, 128, 128));
        EXPECT_EQ(QColor(shown.pixel(c.placed.right() - 2, c.placed.bottom() - 2)),
                  QColor(128, 128, 128));
        if (c.placed.left() > 0) {
            EXPECT_EQ(QColor(shown.pixel(c.placed.left() - 2, c.placed.center().y())),
                      QColor(Qt::black));
            EXPECT_EQ(QColor(shown.pixel(c.placed.right() + 2, c.placed.center().y())),
                      QColor(Qt::black));
        }
        // The square is still square: as wide as high, within a pixel of smoothing.
        const QPoint mid = c.placed.center();
        int wide = 0, high = 0;
        for (int x = c.placed.left(); x <= c.placed.right(); ++x)
            wide += qGray(shown.pixel(x, mid.y())) > 200 ? 1 : 0;
        for (int y = c.placed.top(); y <= c.placed.bottom(); ++y)
            high += qGray(shown.pixel(mid.x(), y)) > 200 ? 1 : 0;
        EXPECT_GT(wide, 0);
        EXPECT_NEAR(wide, high, 2);
    }
    // Until the camera's picture size is known, a turned picture fills the area.
    EXPECT_EQ(VideoSurface::PictureRect(QRect(0, 0, 320, 240), QSize(), 90), QRect(0, 0, 320, 240));
}

// While the pictures stop coming the last one stays, dimmed, with the text
// over it; it is never shown as if it were live. The next picture ends it.
TEST(VideoSurface, ADownCameraShowsItsLastPictureDimmedWithTheText)
{
    VideoSurface s;
    s.resize(320, 240);
    s.show();
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(200, 200, 200));
    s.presentFrame(picture, QSize(320, 240), 0);
    const auto shown = [&] { return s.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage live = shown();
    EXPECT_EQ(QColor(live.pixel(5, 5)), QColor(200, 200, 200));

    s.setDownText(QStringLiteral("Reconnecting..."));
    for (const QImage& down : {shown(), s.renderedFrame()}) {
        // Dimmed everywhere, with light text in the middle.
        EXPECT_LT(qGray(down.pixel(5, 5)), 120);
        EXPECT_LT(qGray(down.pixel(315, 235)), 120);
        int light = 0;
        for (int x = 0; x < 320; ++x)
            for (int y = 100; y < 140; ++y)
                light += qGray(down.pixel(x, y)) > 230 ? 1 : 0;
        EXPECT_GT(light, 20) << "no text";
    }
    EXPECT_EQ(s.currentFrame(), picture);  // the last picture is kept

    // Without any picture the text stands on black.
    VideoSurface empty;
    empty.resize(320, 240);
    empty.setDownText(QStringLiteral("Reconnecting..."));
    const QImage black = empty.renderedFrame();
    EXPECT_EQ(QColor(black.pixel(5, 5)), QColor(Qt::black));

    // The next picture is live again.
    s.presentFrame(picture, QSize(320, 240), 0);
    EXPECT_TRUE(s.downText().isEmpty());
    EXPECT_EQ(QColor(shown().pixel(5, 5)), QColor(200, 200, 200));
}
