#include "platform/image_server/video_surface.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTransform>

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent)
{
    // The surface paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

int VideoSurface::NormaliseAngle(int degrees)
{
    switch (degrees) {
    case 90:
    case 180:
    case 270:
        return degrees;
    default:
        return 0;
    }
}

void VideoSurface::presentFrame(const QImage& frame, QSize displaySize, int rotateAngle,
                                qint64 sourceTimestampUs)
{
    const QRect before = targetRect();
    frame_ = frame;
    displaySize_ = displaySize;
    angle_ = NormaliseAngle(rotateAngle);
    timestampUs_ = sourceTimestampUs;
    pendingPaint_ = true;
    ++presented_;
    update(before.united(targetRect()));
}

void VideoSurface::setGeometryHints(QSize displaySize, int rotateAngle)
{
    const int angle = NormaliseAngle(rotateAngle);
    if (displaySize == displaySize_ && angle == angle_)
        return;
    displaySize_ = displaySize;
    angle_ = angle;
    update();
}

void VideoSurface::clearFrame()
{
    frame_ = QImage();
    timestampUs_ = 0;
    pendingPaint_ = false;
    update();
}

QRect VideoSurface::targetRect() const
{
    if (displaySize_.width() > 0 && displaySize_.height() > 0)
        return QRect(QPoint(0, 0), displaySize_);
    return rect();
}

namespace {
// Draws `frame` rotated by `angle` and scaled to fill `target`.
void DrawFrame(QPainter& p, const QRect& target, const QImage& frame, int angle)
{
    const bool swap = angle == 90 || angle == 270;
    const QSize drawn = swap ? target.size().transposed() : target.size();
    if (angle == 0 && drawn == frame.size()) {
        p.drawImage(target.topLeft(), frame);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QTransform t;
    t.translate(target.x() + target.width() / 2.0, target.y() + target.height() / 2.0);
    t.rotate(angle);
    p.setTransform(t, true);
    p.drawImage(QRectF(QPointF(-drawn.width() / 2.0, -drawn.height() / 2.0), QSizeF(drawn)), frame);
    p.restore();
}
}  // namespace

QImage VideoSurface::renderedFrame() const
{
    const QRect target = targetRect();
    QImage out(target.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    out.fill(Qt::black);
    if (!frame_.isNull()) {
        QPainter p(&out);
        DrawFrame(p, QRect(QPoint(0, 0), target.size()), frame_, angle_);
    }
    return out;
}

void VideoSurface::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect target = targetRect();
    // Outside the picture the surface stays black.
    const QRegion outside = QRegion(event->rect()).subtracted(QRegion(target));
    for (const QRect& r : outside)
        p.fillRect(r, Qt::black);
    if (frame_.isNull()) {
        p.fillRect(target.intersected(event->rect()), Qt::black);
        return;
    }
    DrawFrame(p, target, frame_, angle_);
    if (pendingPaint_) {
        pendingPaint_ = false;
        ++painted_;
        emit framePainted(timestampUs_);
    }
}
