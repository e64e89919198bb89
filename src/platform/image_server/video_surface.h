// A picture area that shows the latest frame an image server hands it.
// Windows give the image server one of these instead of a window handle and
// device context. The frame is drawn in the display area at the top left
// corner (the display size given with it, or the widget's own size when that
// is 0 x 0), rotated by the angle asked for. Unrotated or half turned, it
// fills the display area; turned by a quarter, it keeps the shape of the
// camera's picture and lies centred in it, the rest black. Only the latest
// frame is kept: when frames come faster than the screen refreshes, older
// ones are skipped.
//
// A provider that can prepare its pictures (scale and turn them before they
// reach the GUI thread) asks pictureNeed() for the size in device pixels the
// surface shows, and hands prepared frames to presentPrepared(); such a frame
// is painted 1:1, without any conversion. The surface says when its need
// changes (pictureNeedChanged), never per frame. While nothing of it is shown
// (hidden, or its window minimised) the need is empty: a provider may then
// leave its pictures undecoded.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>

class VideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit VideoSurface(QWidget* parent = nullptr);

    // What a picture must be to be painted 1:1.
    struct PictureNeed {
        QSize size;     // unrotated, in device pixels; empty while nothing is shown
        int angle = 0;  // the rotation the surface applies (0, 90, 180, 270)
        qreal dpr = 1;  // device pixels per widget pixel
        friend bool operator==(const PictureNeed&, const PictureNeed&) = default;
    };
    PictureNeed pictureNeed() const;

    // The frame that will be (or was last) drawn, as it was handed over
    // (presentFrame: unrotated and unscaled; presentPrepared: as prepared).
    QImage currentFrame() const { return frame_; }
    // The text shown over the dimmed picture; empty while pictures come.
    QString downText() const { return downText_; }
    QSize displaySize() const { return displaySize_; }
    int rotateAngle() const { return angle_; }
    // The camera's picture size as it was sent (before any scaling or turning).
    QSize sourceSize() const { return sourceSize_; }
    // Where the picture lies on the surface.
    QRect pictureRect() const;
    // Where a camera picture of `source` pixels, turned by `angle`, lies in
    // the display area `area`: the whole area unless it is turned by a
    // quarter; then the largest rectangle of the turned picture's shape,
    // centred (the whole area while the source is not known).
    static QRect PictureRect(const QRect& area, QSize source, int angle);

    // Counters for diagnostics and measurements.
    quint64 framesPresented() const { return presented_; }
    quint64 framesPainted() const { return painted_; }
    // Paints that had to scale or turn the frame (a frame prepared for an
    // older size, or one handed over unprepared).
    quint64 framesConverted() const { return converted_; }

    // The picture as drawn on the surface (rotated and scaled, dimmed with
    // the down text while there is one), the size of the display area it
    // lies in.
    QImage renderedFrame() const;

    // Normalised rotation: 0, 90, 180 or 270; other angles give 0.
    static int NormaliseAngle(int degrees);

public slots:
    // Called by the image server on the GUI thread. sourceTimestampUs is the
    // camera's capture time (microseconds since the epoch, 0 = unknown).
    void presentFrame(const QImage& frame, QSize displaySize, int rotateAngle,
                      qint64 sourceTimestampUs = 0);
    // The same for a frame already turned by `turnedBy` degrees (and usually
    // already scaled to pictureNeed().size, turned) from a camera picture of
    // `sourceSize`: only what is still missing is done while painting,
    // nothing when it matches the need.
    void presentPrepared(const QImage& frame, int turnedBy, QSize sourceSize, QSize displaySize,
                         int rotateAngle, qint64 sourceTimestampUs = 0);
    // Changes how the current frame is drawn, without a new frame.
    void setGeometryHints(QSize displaySize, int rotateAngle);
    // Forgets the frame; the area is painted black.
    void clearFrame();
    // Says that pictures stopped coming: the last picture stays, dimmed, with
    // `text` over it (on black when there is none), until the next picture
    // arrives or the text is taken back (an empty text).
    void setDownText(const QString& text);

signals:
    // Emitted after a frame was painted; the timestamp is the one given with it.
    void framePainted(qint64 sourceTimestampUs);
    // pictureNeed() changed (size, rotation, shown or not).
    void pictureNeedChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect targetRect() const;
    void CheckNeed();
    void WatchWindow();

    QImage frame_;
    QString downText_;
    int turned_ = 0;  // rotation already applied to frame_
    QSize sourceSize_;
    QSize displaySize_;
    int angle_ = 0;
    qint64 timestampUs_ = 0;
    bool pendingPaint_ = false;
    quint64 presented_ = 0;
    quint64 painted_ = 0;
    quint64 converted_ = 0;
    PictureNeed need_;
    QPointer<QWidget> watchedWindow_;
};
