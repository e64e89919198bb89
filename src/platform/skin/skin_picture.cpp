#include "platform/skin/skin_picture.h"

#include "platform/skin/layout_text.h"
#include "platform/skin/skin_report.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <cmath>

namespace {

// Pictures larger than this (in pixels per side) are refused as broken.
constexpr int kMaxPictureSide = 8192;
// The cache is emptied when it holds more pictures than this.
constexpr int kMaxCachedPictures = 256;

QHash<QString, QPixmap>& cache()
{
    static QHash<QString, QPixmap> c;
    return c;
}

std::optional<QColor> parseColourToken(const QString& token)
{
    if (token.startsWith(QLatin1Char('#')))
        return ParseColorValue(token);
    bool ok = false;
    quint32 value = 0;
    if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = token.mid(2).toUInt(&ok, 16);
    else if (token.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        value = QString(token.mid(2)).remove(QLatin1Char('&')).toUInt(&ok, 16);
    else
        value = token.toUInt(&ok, 10);
    if (!ok || value > 0xFFFFFF)
        return std::nullopt;
    return ColorFromColorRef(value);
}

bool safeName(const QString& file)
{
    if (file.isEmpty() || QDir::isAbsolutePath(file) || file.startsWith(QLatin1Char('/')))
        return false;
    const QStringList parts = QString(file)
                                  .replace(QLatin1Char('\\'), QLatin1Char('/'))
                                  .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& p : parts)
        if (p == QLatin1String(".."))
            return false;
    return !parts.isEmpty();
}

QPixmap render(const QString& path, qreal dpr)
{
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".svgz"), Qt::CaseInsensitive)) {
        QSvgRenderer renderer(path);
        if (!renderer.isValid())
            return {};
        const QSize logical = renderer.defaultSize();
        if (logical.isEmpty() || logical.width() > kMaxPictureSide
            || logical.height() > kMaxPictureSide)
            return {};
        QImage image(QSize(std::lround(logical.width() * dpr), std::lround(logical.height() * dpr)),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(image.size())));
        }
        image.setDevicePixelRatio(dpr);
        return QPixmap::fromImage(std::move(image));
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide))
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Raster pictures are drawn at their own pixel size, whatever the screen.
    image.setDevicePixelRatio(1.0);
    return QPixmap::fromImage(std::move(image));
}

}  // namespace

QColor ColorFromColorRef(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

std::optional<StateLook> ParseStateString(const QString& text)
{
    static const QRegularExpression sep(QStringLiteral("\\s+"));
    const QStringList t = text.trimmed().split(sep, Qt::SkipEmptyParts);
    StateLook look;
    if (t.isEmpty() || (t.size() == 1 && t[0] == QLatin1String("-")))
        return look;
    int next = 0;
    if (t[0].compare(QLatin1String("BgColor"), Qt::CaseInsensitive) == 0) {
        if (t.size() < 2)
            return std::nullopt;
        look.fill = parseColourToken(t[1]);
        if (!look.fill)
            return std::nullopt;
        next = 2;
        if (t.size() == 2)
            return look;
        if (t[2] == QLatin1String("-"))
            return t.size() == 3 ? std::optional<StateLook>(look) : std::nullopt;
    }
    look.file = t[next];
    const int rest = t.size() - next - 1;
    if (rest == 0)
        return look;
    if (rest != 2)
        return std::nullopt;
    bool okX = false;
    bool okY = false;
    const int x = t[next + 1].toInt(&okX);
    const int y = t[next + 2].toInt(&okY);
    if (!okX || !okY || x < 0 || y < 0 || x > kMaxPictureSide || y > kMaxPictureSide)
        return std::nullopt;
    look.offset = QPoint(x, y);
    return look;
}

QPixmap SkinPictures::load(const QString& folder, const QString& file, qreal devicePixelRatio)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QString key =
        folder + QLatin1Char('\n') + file + QLatin1Char('\n') + QString::number(dpr);
    auto it = cache().constFind(key);
    if (it != cache().constEnd())
        return *it;
    QPixmap pixmap;
    if (!safeName(file)) {
        SkinReport(QStringLiteral("picture name refused (outside the skin folder): %1").arg(file));
    } else {
        const QString name = QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString path = FindFileNoCase(folder, name);
        if (path.isEmpty())
            SkinReport(QStringLiteral("picture not found: %1").arg(QDir(folder).filePath(name)));
        else if ((pixmap = render(path, dpr)).isNull())
            SkinReport(QStringLiteral("picture cannot be read: %1").arg(path));
    }
    if (cache().size() >= kMaxCachedPictures)
        cache().clear();
    cache().insert(key, pixmap);
    return pixmap;
}

void SkinPictures::clear() { cache().clear(); }
