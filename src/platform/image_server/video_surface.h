// A picture area that shows the latest frame an image server hands it.
// Windows give the image server one of these instead of a window handle and
// device context. The frame is drawn at the top left corner, rotated by the
// angle asked for and scaled to the display size given with it (or to the
// widget's own size when that is 0 x 0). Only the latest frame is kept: when
// frames come faster than the screen refreshes, older ones are skipped.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

class VideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit VideoSurface(QWidget* parent = nullptr);

    // The frame that will be (or was last) drawn, unrotated and unscaled.
    QImage currentFrame() const { return frame_; }
    QSize displaySize() const { return displaySize_; }
    int rotateAngle() const { return angle_; }

    // Counters for diagnostics and measurements.
    quint64 framesPresented() const { return presented_; }
    quint64 framesPainted() const { return painted_; }

    // The picture as drawn on the surface (rotated and scaled), the size of
    // the area it covers.
    QImage renderedFrame() const;

    // Normalised rotation: 0, 90, 180 or 270; other angles give 0.
    static int NormaliseAngle(int degrees);

public slots:
    // Called by the image server on the GUI thread. sourceTimestampUs is the
    // camera's capture time (microseconds since the epoch, 0 = unknown).
    void presentFrame(const QImage& frame, QSize displaySize, int rotateAngle,
                      qint64 sourceTimestampUs = 0);
    // Changes how the current frame is drawn, without a new frame.
    void setGeometryHints(QSize displaySize, int rotateAngle);
    // Forgets the frame; the area is painted black.
    void clearFrame();

signals:
    // Emitted after a frame was painted; the timestamp is the one given with it.
    void framePainted(qint64 sourceTimestampUs);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect targetRect() const;

    QImage frame_;
    QSize displaySize_;
    int angle_ = 0;
    qint64 timestampUs_ = 0;
    bool pendingPaint_ = false;
    quint64 presented_ = 0;
    quint64 painted_ = 0;
};
