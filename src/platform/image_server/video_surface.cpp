#include "platform/image_server/video_surface.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

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

VideoSurface::PictureNeed VideoSurface::pictureNeed() const
{
    PictureNeed n;
    n.angle = angle_;
    n.dpr = devicePixelRatioF();
    const QWidget* top = window();
    if (!isVisible() || (top && top->isMinimized()))
        return n;
    QSize shown = pictureRect().size();
    if (angle_ == 90 || angle_ == 270)
        shown.transpose();
    n.size = QSize(static_cast<int>(std::lround(shown.width() * n.dpr)),
                   static_cast<int>(std::lround(shown.height() * n.dpr)));
    if (n.size.isEmpty())
        n.size = QSize();
    return n;
}

void VideoSurface::CheckNeed()
{
    const PictureNeed n = pictureNeed();
    if (n == need_)
        return;
    need_ = n;
    emit pictureNeedChanged();
}

void VideoSurface::WatchWindow()
{
    // A minimised window shows nothing: its state changes reach the top-level
    // widget only.
    QWidget* top = window();
    if (top == watchedWindow_ || top == this)
        return;
    if (watchedWindow_)
        watchedWindow_->removeEventFilter(this);
    watchedWindow_ = top;
    top->installEventFilter(this);
}

void VideoSurface::presentFrame(const QImage& frame, QSize displaySize, int rotateAngle,
                                qint64 sourceTimestampUs)
{
    presentPrepared(frame, 0, frame.size(), displaySize, rotateAngle, sourceTimestampUs);
}

void VideoSurface::presentPrepared(const QImage& frame, int turnedBy, QSize sourceSize,
                                   QSize displaySize, int rotateAngle, qint64 sourceTimestampUs)
{
    const QRect before = targetRect();
    frame_ = frame;
    turned_ = NormaliseAngle(turnedBy);
    const bool geometry = displaySize != displaySize_ || NormaliseAngle(rotateAngle) != angle_
                          || sourceSize != sourceSize_;
    sourceSize_ = sourceSize;
    displaySize_ = displaySize;
    angle_ = NormaliseAngle(rotateAngle);
    timestampUs_ = sourceTimestampUs;
    pendingPaint_ = true;
    ++presented_;
    if (!downText_.isEmpty()) {
        downText_.clear();  // pictures come again
        update();
    }
    update(before.united(targetRect()));
    if (geometry)
        CheckNeed();
}

void VideoSurface::setGeometryHints(QSize displaySize, int rotateAngle)
{
    const int angle = NormaliseAngle(rotateAngle);
    if (displaySize == displaySize_ && angle == angle_)
        return;
    displaySize_ = displaySize;
    angle_ = angle;
    update();
    CheckNeed();
}

void VideoSurface::clearFrame()
{
    frame_ = QImage();
    turned_ = 0;
    timestampUs_ = 0;
    pendingPaint_ = false;
    update();
}

void VideoSurface::setDownText(const QString& text)
{
    if (text == downText_)
        return;
    downText_ = text;
    update();
}

QRect VideoSurface::targetRect() const
{
    if (displaySize_.width() > 0 && displaySize_.height() > 0)
        return QRect(QPoint(0, 0), displaySize_);
    return rect();
}

QRect VideoSurface::PictureRect(const QRect& area, QSize source, int angle)
{
    const int a = NormaliseAngle(angle);
    if ((a != 90 && a != 270) || source.isEmpty() || area.isEmpty())
        return area;
    // The turned picture is source.height() wide and source.width() high.
    const double shape = double(source.height()) / source.width();
    int w = area.width();
    int h = int(std::lround(w / shape));
    if (h > area.height()) {
        h = area.height();
        w = std::min(area.width(), int(std::lround(h * shape)));
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    return QRect(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
}

QRect VideoSurface::pictureRect() const { return PictureRect(targetRect(), sourceSize_, angle_); }

namespace {
// Draws `frame`, already turned by `turned`, so that it shows turned by
// `angle` and fills `target`. Returns false when it was drawn 1:1.
bool DrawFrame(QPainter& p, const QRect& target, const QImage& frame, int turned, int angle)
{
    const int residual = (angle - turned + 360) % 360;
    const bool swap = residual == 90 || residual == 270;
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QSize device(static_cast<int>(std::lround(target.width() * dpr)),
                       static_cast<int>(std::lround(target.height() * dpr)));
    if (residual == 0 && frame.size() == device) {
        if (frame.devicePixelRatio() == dpr) {
            p.drawImage(target.topLeft(), frame);
        } else {
            QImage same = frame;  // shares the pixels; only the ratio differs
            same.setDevicePixelRatio(dpr);
            p.drawImage(target.topLeft(), same);
        }
        return false;
    }
    const QSize drawn = swap ? target.size().transposed() : target.size();
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QTransform t;
    t.translate(target.x() + target.width() / 2.0, target.y() + target.height() / 2.0);
    t.rotate(residual);
    p.setTransform(t, true);
    p.drawImage(QRectF(QPointF(-drawn.width() / 2.0, -drawn.height() / 2.0), QSizeF(drawn)), frame);
    p.restore();
    return true;
}

// Dims what is drawn in `area` and writes `text` in the middle of the part
// of it that is in view.
void DrawDown(QPainter& p, const QRect& area, const QRect& inView, const QString& text)
{
    p.save();
    p.fillRect(area, QColor(0, 0, 0, 160));
    const QRect where = inView.isEmpty() ? area : inView;
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(std::clamp(where.height() / 12, 10, 28));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(where.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, text);
    p.restore();
}
}  // namespace

QImage VideoSurface::renderedFrame() const
{
    const QRect target = targetRect();
    QImage out(target.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    if (!frame_.isNull())
        DrawFrame(p, pictureRect().translated(-target.topLeft()), frame_, turned_, angle_);
    if (!downText_.isEmpty())
        DrawDown(p, out.rect(), out.rect(), downText_);
    return out;
}

void VideoSurface::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect target = pictureRect();
    // Outside the picture the surface stays black.
    const QRegion outside = QRegion(event->rect()).subtracted(QRegion(target));
    for (const QRect& r : outside)
        p.fillRect(r, Qt::black);
    const bool converted = !frame_.isNull() && DrawFrame(p, target, frame_, turned_, angle_);
    if (frame_.isNull())
        p.fillRect(target.intersected(event->rect()), Qt::black);
    if (!downText_.isEmpty())
        DrawDown(p, targetRect(), targetRect() & visibleRegion().boundingRect(), downText_);
    if (frame_.isNull())
        return;
    if (pendingPaint_) {
        pendingPaint_ = false;
        ++painted_;
        converted_ += converted ? 1 : 0;
        emit framePainted(timestampUs_);
    }
}

void VideoSurface::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    CheckNeed();
}

void VideoSurface::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    WatchWindow();
    CheckNeed();
}

void VideoSurface::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    CheckNeed();
}

void VideoSurface::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange) {
        WatchWindow();
        CheckNeed();
    } else if (event->type() == QEvent::WindowStateChange) {
        CheckNeed();  // the surface is a window of its own
    }
}

bool VideoSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange)
        CheckNeed();
    return QWidget::eventFilter(watched, event);
}
