#include "scene.h"

#include <QFont>
#include <QPainter>
#include <QRandomGenerator>
#include <cmath>

Scene::Scene(int seed) : seed_(seed) {}

void Scene::Build(QSize frame)
{
    // The world spans the frame plus ten steps in every direction.
    const int w = frame.width() * 3, h = frame.height() * 3;
    world_ = QImage(w, h, QImage::Format_RGB32);
    QPainter p(&world_);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(0.55, QColor(150, 190, 230));
    sky.setColorAt(0.56, QColor(70, 120, 60));
    sky.setColorAt(1, QColor(30, 70, 30));
    p.fillRect(world_.rect(), sky);
    QRandomGenerator rng(static_cast<quint32>(seed_ * 7919 + 17));
    // A grid of labelled tiles, each with its own hue, so that any part of
    // the world can be told from any other.
    const int cols = 12, rows = 9;
    const int tw = w / cols, th = h / rows;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(10, th / 4));
    f.setBold(true);
    p.setFont(f);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QRect tile(c * tw + tw / 8, r * th + th / 8, tw * 3 / 4, th * 3 / 4);
            const int hueDeg = (c * 30 + r * 47 + seed_ * 23) % 360;
            p.setPen(QPen(Qt::black, 2));
            p.setBrush(QColor::fromHsv(hueDeg, 160 + static_cast<int>(rng.bounded(80)), 200));
            p.drawRoundedRect(tile, 8, 8);
            p.setPen(Qt::black);
            p.drawText(tile, Qt::AlignCenter,
                       QStringLiteral("%1%2").arg(QChar(u'A' + r)).arg(c + 1));
        }
    }
    // A few circles that cross tile borders.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        p.setBrush(QColor::fromHsv(static_cast<int>(rng.bounded(360)), 255, 255, 170));
        const int rad = static_cast<int>(rng.bounded(std::max(8, h / 20), std::max(9, h / 8)));
        p.drawEllipse(QPoint(static_cast<int>(rng.bounded(w)), static_cast<int>(rng.bounded(h))),
                      rad, rad);
    }
    builtFor_ = frame;
}

QImage Scene::Render(const SceneState& s, const QString& name, qint64 counter,
                     const QString& clockText, int motionPhase)
{
    if (builtFor_ != s.frameSize)
        Build(s.frameSize);
    const int fw = s.frameSize.width(), fh = s.frameSize.height();
    const int stepX = fw / 10, stepY = fh / 10;
    const int x = fw + std::clamp(s.panStep, -SceneState::kMaxSteps, SceneState::kMaxSteps) * stepX;
    const int y =
        fh + std::clamp(s.tiltStep, -SceneState::kMaxSteps, SceneState::kMaxSteps) * stepY;
    QImage frame = world_.copy(x, y, fw, fh);

    // Brightness, contrast and hue.
    if (s.brightness != 64 || s.contrast != 64 || s.hue != 64) {
        uchar lut[256];
        const double gain = s.contrast / 64.0;
        const int offset = (s.brightness - 64) * 2;
        for (int v = 0; v < 256; ++v)
            lut[v] = static_cast<uchar>(
                std::clamp(static_cast<int>((v - 128) * gain + 128 + offset), 0, 255));
        // Hue turns the colours around the grey axis.
        const double angle = (s.hue - 64) / 64.0 * M_PI;
        const double cosA = std::cos(angle), sinA = std::sin(angle);
        const double k = 1.0 / 3.0, sq = std::sqrt(k);
        const double m[3][3] = {
            {cosA + (1 - cosA) * k, k * (1 - cosA) - sq * sinA, k * (1 - cosA) + sq * sinA},
            {k * (1 - cosA) + sq * sinA, cosA + k * (1 - cosA), k * (1 - cosA) - sq * sinA},
            {k * (1 - cosA) - sq * sinA, k * (1 - cosA) + sq * sinA, cosA + k * (1 - cosA)}};
        const bool rotate = s.hue != 64;
        for (int row = 0; row < fh; ++row) {
            auto* line = reinterpret_cast<QRgb*>(frame.scanLine(row));
            for (int col = 0; col < fw; ++col) {
                int r = qRed(line[col]), g = qGreen(line[col]), b = qBlue(line[col]);
                if (rotate) {
                    const int nr = static_cast<int>(m[0][0] * r + m[0][1] * g + m[0][2] * b);
                    const int ng = static_cast<int>(m[1][0] * r + m[1][1] * g + m[1][2] * b);
                    const int nb = static_cast<int>(m[2][0] * r + m[2][1] * g + m[2][2] * b);
                    r = std::clamp(nr, 0, 255), g = std::clamp(ng, 0, 255),
                    b = std::clamp(nb, 0, 255);
                }
                line[col] = qRgb(lut[r], lut[g], lut[b]);
            }
        }
    }

    QPainter p(&frame);
    if (s.motion) {
        // A block that sweeps across the picture and back.
        const int bw = std::max(8, fw / 8), bh = std::max(8, fh / 6);
        const int span = fw - bw;
        const int period = 2 * std::max(1, span);
        const int pos = (motionPhase * std::max(2, fw / 64)) % period;
        const int bx = pos < span ? pos : period - pos;
        p.fillRect(QRect(bx, fh / 2 - bh / 2, bw, bh), QColor(230, 30, 30));
        p.fillRect(QRect(bx + bw / 4, fh / 2 - bh / 4, bw / 2, bh / 2), Qt::white);
    }
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(std::max(10, fh / 24));
    f.setBold(true);
    p.setFont(f);
    const int pad = std::max(4, fh / 80);
    const int lineH = f.pixelSize() + pad;
    const auto label = [&](int ly, const QString& text, Qt::Alignment align) {
        const QRect r(pad, ly, fw - 2 * pad, lineH);
        p.setPen(Qt::black);
        p.drawText(r.translated(1, 1), static_cast<int>(align | Qt::AlignVCenter), text);
        p.setPen(Qt::white);
        p.drawText(r, static_cast<int>(align | Qt::AlignVCenter), text);
    };
    label(pad, name, Qt::AlignLeft);
    label(pad, clockText, Qt::AlignRight);
    label(fh - lineH - pad, QStringLiteral("#%1").arg(counter, 7, 10, QLatin1Char('0')),
          Qt::AlignLeft);
    label(fh - lineH - pad, QStringLiteral("P%1 T%2").arg(s.panStep).arg(s.tiltStep),
          Qt::AlignRight);
    return frame;
}
