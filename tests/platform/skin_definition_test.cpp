#include "platform/skin/layout_text.h"
#include "platform/skin/skin_definition.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(LayoutText, ReadsSectionsEntriesAndSkipsWhatItCannotRead)
{
    const QByteArray data = "\xEF\xBB\xBF# comment\r\n"
                            "orphan = 1\r\n"
                            "[Skin]\r\n"
                            "  Size =  10 20 \r\n"
                            "; another comment\n"
                            "[Element  Line 1]\n"
                            "Text = a = b\n"
                            "no equals sign\n"
                            "[broken\n"
                            "[]\n"
                            "TEXT = second wins\n";
    const LayoutText t = ParseLayoutText(data);
    ASSERT_EQ(t.sections.size(), 2u);
    EXPECT_EQ(t.sections[0].kind, QStringLiteral("skin"));
    EXPECT_EQ(t.sections[0].find(QStringLiteral("SIZE"))->value, QStringLiteral("10 20"));
    EXPECT_EQ(t.sections[1].kind, QStringLiteral("element"));
    EXPECT_EQ(t.sections[1].name, QStringLiteral("Line 1"));
    EXPECT_EQ(t.sections[1].find(QStringLiteral("text"))->value, QStringLiteral("second wins"));
    EXPECT_EQ(t.sections[1].entries[0].value, QStringLiteral("a = b"));
    EXPECT_EQ(t.warnings.size(), 4);  // orphan, no '=', '[broken', '[]'
    EXPECT_TRUE(t.warnings[0].startsWith(QStringLiteral("line 2:")));
}

TEST(LayoutText, ValueReadersAcceptTheirFormsAndRefuseTheRest)
{
    EXPECT_EQ(ParseRectValue(QStringLiteral("1 2 3 4")), QRect(1, 2, 3, 4));
    EXPECT_EQ(ParseRectValue(QStringLiteral("1,2, 3,4")), QRect(1, 2, 3, 4));
    EXPECT_EQ(ParseSizeValue(QStringLiteral("320 240")), QSize(320, 240));
    EXPECT_EQ(ParseMarginsValue(QStringLiteral("4 26 4 50")), QMargins(4, 26, 4, 50));
    EXPECT_EQ(ParseColorValue(QStringLiteral("#102030")), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(ParseFlagValue(QStringLiteral("Yes")), true);
    EXPECT_EQ(ParseFlagValue(QStringLiteral("off")), false);
    const auto font = ParseFontValue(QStringLiteral("DejaVu Sans, 9.5, bold, italic"));
    ASSERT_TRUE(font);
    EXPECT_EQ(font->family(), QStringLiteral("DejaVu Sans"));
    EXPECT_DOUBLE_EQ(font->pointSizeF(), 9.5);
    EXPECT_TRUE(font->bold());
    EXPECT_TRUE(font->italic());

    const char* badRects[] = {"", "1 2 3", "1 2 3 4 5", "a b c d", "0 0 -1 4", "0 0 4 999999999"};
    for (const char* r : badRects)
        EXPECT_FALSE(ParseRectValue(QString::fromLatin1(r))) << r;
    EXPECT_FALSE(ParseSizeValue(QStringLiteral("0 10")));
    EXPECT_FALSE(ParseMarginsValue(QStringLiteral("1 -1 1 1")));
    EXPECT_FALSE(ParseColorValue(QStringLiteral("#xyz")));
    EXPECT_FALSE(ParseFlagValue(QStringLiteral("maybe")));
    EXPECT_FALSE(ParseFontValue(QStringLiteral("Sans")));
    EXPECT_FALSE(ParseFontValue(QStringLiteral("Sans, 0")));
    EXPECT_FALSE(ParseFontValue(QStringLiteral("Sans, 9, wobbly")));
}

TEST(LayoutText, FindsFilesWhateverTheCaseOfTheirNames)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Lang/View")));
    QFile f(dir.filePath(QStringLiteral("Lang/View/Main.SVG")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(FindFileNoCase(dir.path(), QStringLiteral("lang/view/main.svg")),
              dir.filePath(QStringLiteral("Lang/View/Main.SVG")));
    EXPECT_TRUE(FindFileNoCase(dir.path(), QStringLiteral("lang/view/other.svg")).isEmpty());
    EXPECT_TRUE(FindFileNoCase(dir.path(), QStringLiteral("lang/view")).isEmpty());  // a folder
}

TEST(SkinDefinition, ReadsTheSkinAndItsElements)
{
    const QByteArray data = R"(
[Skin]
Name = View
Size = 328 316
MinSize = 240 200
Resizable = yes
Client = 4 26 320 240
Background = view/Main.svg
BackgroundSlice = 4 26 4 50
BgColor = #101418
Font = DejaVu Sans, 8
Color = #c0c8d0

[Element Close]
Kind = button
Rect = 300 4 24 18
Anchor = right top
Picture = view/Main.svg
Action = close
ToolTip = Close

[Element ServerName]
Kind = text
Rect = 8 4 200 18
Anchor = left right top
Align = left vcenter
Elide = right
Font = DejaVu Sans, 9, bold
Action = move

[Element MotionDetect]
Kind = text
Rect = 200 298 60 16
Anchor = right bottom
Align = right
Badge = #d08a00
Visible = no
StyleFlags = 7
Mouse = off
)";
    QString error;
    const auto def = ParseSkinDefinition(data, QStringLiteral("/skins"), &error);
    ASSERT_TRUE(def) << error.toStdString();
    EXPECT_TRUE(def->warnings.isEmpty()) << def->warnings.join('\n').toStdString();
    EXPECT_EQ(def->name, QStringLiteral("View"));
    EXPECT_EQ(def->size, QSize(328, 316));
    EXPECT_EQ(def->minSize, QSize(240, 200));
    EXPECT_TRUE(def->resizable);
    EXPECT_EQ(def->client, QRect(4, 26, 320, 240));
    EXPECT_EQ(def->backgroundSlice, QMargins(4, 26, 4, 50));
    EXPECT_EQ(def->folder, QStringLiteral("/skins"));
    ASSERT_EQ(def->elements.size(), 3u);

    const SkinElementDef& close = def->elements[0];
    EXPECT_EQ(close.kind, SkinElementKind::Button);
    EXPECT_EQ(close.anchors, Qt::RightEdge | Qt::TopEdge);
    EXPECT_EQ(close.action, SkinAction::Close);
    EXPECT_EQ(close.styleFlags, 2 | kStyleInteractive);  // buttons act when clicked
    EXPECT_EQ(close.toolTip, QStringLiteral("Close"));
    EXPECT_FALSE(close.font);  // takes the skin's font

    const SkinElementDef& name = def->elements[1];
    EXPECT_EQ(name.anchors, Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge);
    EXPECT_EQ(name.elide, Qt::ElideRight);
    EXPECT_EQ(name.action, SkinAction::Move);
    EXPECT_TRUE(name.font->bold());
    EXPECT_EQ(name.styleFlags, 2);

    const SkinElementDef& motion = def->elements[2];
    EXPECT_EQ(motion.align, Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(motion.badge, QColor(0xd0, 0x8a, 0x00));
    EXPECT_FALSE(motion.visible);
    EXPECT_FALSE(motion.mouse);
    EXPECT_EQ(motion.styleFlags, 7);
}

TEST(SkinDefinition, SkipsWhatItCannotReadAndSaysWhere)
{
    const QByteArray data = R"([Skin]
Size = 100 100
Colour = red
[Element A]
Rect = 0 0 10
Kind = knob
[Element]
Rect = 1 1 1 1
[Element B]
Text = no rect
[Element C]
Rect = 0 0 5 5
[Element C]
Rect = 5 5 5 5
[Widget X]
)";
    QString error;
    const auto def = ParseSkinDefinition(data, QString(), &error);
    ASSERT_TRUE(def);
    const QString w = def->warnings.join('\n');
    EXPECT_TRUE(w.contains(QStringLiteral("line 3: unknown key 'colour'"))) << w.toStdString();
    EXPECT_TRUE(w.contains(QStringLiteral("line 5:"))) << w.toStdString();  // bad Rect
    EXPECT_TRUE(w.contains(QStringLiteral("line 6:"))) << w.toStdString();  // bad Kind
    EXPECT_TRUE(w.contains(QStringLiteral("element without a name")));
    EXPECT_TRUE(w.contains(QStringLiteral("'A' has no Rect")));
    EXPECT_TRUE(w.contains(QStringLiteral("'B' has no Rect")));
    EXPECT_TRUE(w.contains(QStringLiteral("'C' named twice")));
    EXPECT_TRUE(w.contains(QStringLiteral("unknown section 'widget'")));
    // A (its Rect was unreadable) and B (no Rect) are left out;
    // both Cs are kept, and the first is the one found by name.
    ASSERT_EQ(def->elements.size(), 2u);
    EXPECT_EQ(def->elements[0].rect, QRect(0, 0, 5, 5));
}

TEST(SkinDefinition, RefusesFilesThatAreNoSkin)
{
    struct Case {
        const char* what;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"no skin section", "[Element A]\nRect = 0 0 1 1\n"},
        {"no size", "[Skin]\nName = X\n"},
        {"bad size", "[Skin]\nSize = 0 0\n"},
        {"binary garbage", QByteArray("\x00\xff\x13[\x01=\x02\n\xfe", 9).repeated(1000)},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ParseSkinDefinition(c.data, QString(), &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }

    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.skn"));
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Skin]\nSize = 10 10\n");
    f.write(QByteArray(kMaxLayoutFileBytes, '#'));
    f.close();
    QString error;
    EXPECT_FALSE(LoadSkinDefinition(big, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("too large")));
    EXPECT_FALSE(LoadSkinDefinition(dir.filePath(QStringLiteral("none.skn")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("none.skn")));
}

}  // namespace
