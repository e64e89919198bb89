#include "platform/skin/skin_picture.h"
#include "platform/skin/skin_report.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(StateString, FollowsTheGrammar)
{
    struct Case {
        const char* text;
        std::optional<QColor> fill;
        const char* file;
        std::optional<QPoint> offset;
    };
    const Case good[] = {
        {"", std::nullopt, "", std::nullopt},
        {"-", std::nullopt, "", std::nullopt},
        {"view/Over.svg", std::nullopt, "view/Over.svg", std::nullopt},
        {"  Main.png  12 34 ", std::nullopt, "Main.png", QPoint(12, 34)},
        {"BgColor 255 -", QColor(255, 0, 0), "", std::nullopt},
        {"BgColor 0 -", QColor(0, 0, 0), "", std::nullopt},
        {"bgcolor 65280", QColor(0, 255, 0), "", std::nullopt},
        {"BgColor 0xFF0000 -", QColor(0, 0, 255), "", std::nullopt},
        {"BgColor &H00FF00& -", QColor(0, 255, 0), "", std::nullopt},
        {"BgColor #336699 Over.png", QColor(0x33, 0x66, 0x99), "Over.png", std::nullopt},
        {"BgColor 0 Over.png 1 2", QColor(0, 0, 0), "Over.png", QPoint(1, 2)},
    };
    for (const Case& c : good) {
        SCOPED_TRACE(c.text);
        const auto look = ParseStateString(QString::fromLatin1(c.text));
        ASSERT_TRUE(look);
        EXPECT_EQ(look->fill, c.fill);
        EXPECT_EQ(look->file, QString::fromLatin1(c.file));
        EXPECT_EQ(look->offset, c.offset);
    }
    const char* bad[] = {"BgColor",    "BgColor red -",  "BgColor 16777216 -", "BgColor 0 - x",
                         "Main.png 1", "Main.png 1 2 3", "Main.png a b",       "Main.png -1 0"};
    for (const char* b : bad)
        EXPECT_FALSE(ParseStateString(QString::fromLatin1(b))) << b;
}

TEST(SkinPictures, LoadsPngAndSvgOnceAndRefusesNamesOutsideTheFolder)
{
    QTemporaryDir dir;
    SkinPictures::clear();
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(dir.filePath(QStringLiteral("Sheet.png"))));
    // A PNG under a ".bmp" name is read by its content.
    ASSERT_TRUE(img.save(dir.filePath(QStringLiteral("Down.bmp")), "PNG"));
    QFile svg(dir.filePath(QStringLiteral("icon.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="6">)"
              R"(<rect width="10" height="6" fill="#00ff00"/></svg>)");
    svg.close();
    QFile junk(dir.filePath(QStringLiteral("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();

    QStringList reports;
    SetSkinReporter([&](const QString& m) { reports << m; });
    const QPixmap png = SkinPictures::load(dir.path(), QStringLiteral("sheet.PNG"), 1.0);
    const QPixmap bmp = SkinPictures::load(dir.path(), QStringLiteral("Down.bmp"), 1.0);
    const QPixmap svg2 = SkinPictures::load(dir.path(), QStringLiteral("icon.svg"), 2.0);
    EXPECT_EQ(png.size(), QSize(4, 3));
    EXPECT_EQ(png.toImage().pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(bmp.size(), QSize(4, 3));
    EXPECT_EQ(svg2.size(), QSize(20, 12));  // drawn sharp for a 2x screen
    EXPECT_DOUBLE_EQ(svg2.devicePixelRatio(), 2.0);
    EXPECT_EQ(svg2.toImage().pixelColor(10, 6), QColor(0, 255, 0));
    EXPECT_TRUE(reports.isEmpty());

    const char* refused[] = {"../Sheet.png", "/etc/hostname", "a/../../Sheet.png", "missing.png",
                             "junk.png"};
    for (const char* name : refused)
        EXPECT_TRUE(SkinPictures::load(dir.path(), QString::fromLatin1(name), 1.0).isNull())
            << name;
    EXPECT_EQ(reports.size(), 5);
    SkinPictures::load(dir.path(), QStringLiteral("missing.png"), 1.0);
    EXPECT_EQ(reports.size(), 5);  // once per picture
    SetSkinReporter(nullptr);
}

}  // namespace
