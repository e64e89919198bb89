#include "platform/image_server/picture_file.h"

#include "platform/image_server/jpeg_codec.h"

#include <QBuffer>
#include <QSaveFile>

namespace {

constexpr int kJpegQuality = 90;

bool WriteWhole(const QString& file, const QByteArray& bytes)
{
    if (file.isEmpty() || bytes.isEmpty())
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QByteArray Bmp(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP"))
        return {};
    return bytes;
}

}  // namespace

PictureFormat PictureFormatOf(const QString& file)
{
    if (file.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
        || file.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive))
        return PictureFormat::Jpeg;
    if (file.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        return PictureFormat::Bmp;
    return PictureFormat::Unnamed;
}

bool WriteJpegPictureAs(const QString& file, const QByteArray& jpeg, PictureFormat format)
{
    if (format != PictureFormat::Bmp)
        return WriteWhole(file, jpeg);
    JpegDecoder decoder;
    return WriteWhole(file, Bmp(decoder.Decode(jpeg)));
}

bool WritePictureAs(const QString& file, const QImage& picture, PictureFormat format)
{
    if (picture.isNull())
        return false;
    if (format != PictureFormat::Jpeg)
        return WriteWhole(file, Bmp(picture));
    JpegEncoder encoder;
    return WriteWhole(file, encoder.Encode(picture, kJpegQuality));
}
