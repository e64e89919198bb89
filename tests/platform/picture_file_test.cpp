// Picture files are written in the format their name says, whole or not at all.
#include "platform/image_server/picture_file.h"

#include "platform/image_server/jpeg_codec.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Read(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(PictureFile, TheNamesExtensionGivesTheFormat)
{
    struct Case {
        const char* name;
        PictureFormat format;
    };
    const Case cases[] = {
        {"a.jpg", PictureFormat::Jpeg},        {"/x/a.JPG", PictureFormat::Jpeg},
        {"a.jpeg", PictureFormat::Jpeg},       {"a.JpEg", PictureFormat::Jpeg},
        {"a.bmp", PictureFormat::Bmp},         {"a.BMP", PictureFormat::Bmp},
        {"a", PictureFormat::Unnamed},         {"a.png", PictureFormat::Unnamed},
        {"a.bmp.txt", PictureFormat::Unnamed}, {"a.jpgx", PictureFormat::Unnamed},
        {"bmp", PictureFormat::Unnamed},       {"", PictureFormat::Unnamed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PictureFormatOf(QLatin1String(c.name)), c.format) << c.name;
}

TEST(PictureFile, WritesTheFormatAskedForAndKeepsAnOldFileWhenThePictureIsBad)
{
    QTemporaryDir dir;
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    JpegEncoder encoder;
    const QByteArray jpeg = encoder.Encode(picture, 90);
    ASSERT_FALSE(jpeg.isEmpty());

    const QString bmp = dir.filePath(QStringLiteral("a.bmp"));
    ASSERT_TRUE(WriteJpegPictureAs(bmp, jpeg, PictureFormat::Bmp));
    EXPECT_TRUE(Read(bmp).startsWith("BM"));
    EXPECT_EQ(QImage(bmp, "BMP").size(), QSize(64, 48));
    const QString same = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(WriteJpegPictureAs(same, jpeg, PictureFormat::Jpeg));
    EXPECT_EQ(Read(same), jpeg);  // the camera's picture as it came
    const QString encoded = dir.filePath(QStringLiteral("b.jpg"));
    ASSERT_TRUE(WritePictureAs(encoded, picture, PictureFormat::Jpeg));
    EXPECT_TRUE(Read(encoded).startsWith("\xff\xd8"));
    EXPECT_EQ(QImage(encoded, "JPEG").size(), QSize(64, 48));

    // Nothing to decode or nothing to write: the old file stays as it was.
    const QByteArray before = Read(bmp);
    EXPECT_FALSE(WriteJpegPictureAs(bmp, QByteArray("not a picture"), PictureFormat::Bmp));
    EXPECT_FALSE(WritePictureAs(bmp, QImage(), PictureFormat::Bmp));
    EXPECT_EQ(Read(bmp), before);
    EXPECT_FALSE(WriteJpegPictureAs(dir.filePath(QStringLiteral("no/such/folder/a.jpg")), jpeg,
                                    PictureFormat::Jpeg));
}
