// Still pictures written to files: the format a file's name asks for, and
// writing a picture in that format, whole or not at all.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

enum class PictureFormat { Jpeg, Bmp, Unnamed };

// The format the name's extension says, in any case: ".jpg" and ".jpeg"
// JPEG, ".bmp" BMP; any other name names none.
PictureFormat PictureFormatOf(const QString& file);

// Writes `jpeg` (a camera's JPEG picture, as it came) to `file` in `format`:
// decoded and written as BMP for BMP, else as it stands. False when the
// picture cannot be decoded or the file not written; an old file of that
// name then stays as it was.
bool WriteJpegPictureAs(const QString& file, const QByteArray& jpeg, PictureFormat format);

// Writes `picture` to `file` in `format`: JPEG (quality 90) for JPEG, else
// BMP; false and the old file kept as above.
bool WritePictureAs(const QString& file, const QImage& picture, PictureFormat format);
