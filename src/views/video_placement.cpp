#include "views/video_placement.h"

#include <algorithm>
#include <cmath>

long RoundHalfEven(double v)
{
    // lrint rounds by the current mode, which the program never changes from
    // round-to-nearest-even.
    return std::lrint(v);
}

std::optional<double> ZoomFactorOf(const QString& toolId)
{
    struct Entry {
        const char* id;
        double factor;
    };
    static const Entry kTools[] = {{"ID_FitWindow", 0}, {"ID_x1", 1},     {"ID_x1.5", 1.5},
                                   {"ID_x2", 2},        {"ID_x2.5", 2.5}, {"ID_x3", 3},
                                   {"ID_x3.5", 3.5},    {"ID_x4", 4}};
    for (const Entry& e : kTools)
        if (toolId == QLatin1String(e.id))
            return e.factor;
    return std::nullopt;
}

int ScaleBy(int native, double factor)
{
    if (factor == std::floor(factor))
        return int(std::clamp<long long>(
            static_cast<long long>(native) * static_cast<long long>(factor), INT32_MIN, INT32_MAX));
    return int(std::clamp<long>(RoundHalfEven(double(native) * factor), INT32_MIN, INT32_MAX));
}

QRectF CentredPicture(QSize client, QSize display)
{
    return QRectF((client.width() - double(display.width())) / 2.0,
                  (client.height() - double(display.height())) / 2.0, display.width(),
                  display.height());
}

QRect PictureGeometry(const QRectF& placement)
{
    return QRect(int(RoundHalfEven(placement.left())), int(RoundHalfEven(placement.top())),
                 int(RoundHalfEven(placement.width())), int(RoundHalfEven(placement.height())));
}

int ClampTo16(long v) { return int(std::clamp<long>(v, 0, 32767)); }

namespace {
bool Pannable(bool fitMode, QSizeF picture, QSize client)
{
    return !fitMode && (picture.width() > client.width() || picture.height() > client.height());
}
}  // namespace

bool DragStarts(bool fitMode, QSizeF picture, QSize client, int button)
{
    return button == 1 && Pannable(fitMode, picture, client);
}

PicturePointer PointerOver(bool fitMode, QSizeF picture, QSize client, bool dragging)
{
    if (!Pannable(fitMode, picture, client))
        return PicturePointer::Default;
    return dragging ? PicturePointer::SizeAll : PicturePointer::Hand;
}

double PanStep(double pos, double delta, double size, int client)
{
    if (size <= client)
        return pos;
    return std::clamp(pos + delta, client - size, 0.0);
}

std::array<QRect, 4> CombinedCells(QSize client)
{
    const int w = int(RoundHalfEven(client.width() / 2.0));
    const int h = int(RoundHalfEven(client.height() / 2.0));
    return {QRect(0, 0, w, h), QRect(w, 0, w, h), QRect(0, h, w, h), QRect(w, h, w, h)};
}

QString ColourValueText(int v)
{
    return v < 0 ? QString::number(v) : QLatin1Char(' ') + QString::number(v);
}
