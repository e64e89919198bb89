#include "platform/skin/skin_form.h"
#include "platform/skin/skin_label.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SkinLabel, TakesItsLookFromTheElementOfItsNameElseFromLabel)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("bar.skn")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"([Skin]
Size = 161 106
Color = #aabbcc
[Element Label]
Kind = text
Rect = 0 0 60 16
Font = DejaVu Sans, 8
[Element sklBriVal]
Kind = text
Rect = 120 4 36 16
Align = right
Color = #ffffff
Font = DejaVu Sans, 8, bold
)");
    f.close();
    QWidget host;
    SkinForm skin(&host);
    ASSERT_TRUE(skin.SkinFile(f.fileName()));

    QWidget panel;
    SkinLabel value(QStringLiteral("sklBriVal"), &panel);
    SkinLabel caption(QStringLiteral("sklHue"), &panel);
    value.SetSkin(&skin);
    caption.SetSkin(&skin);
    value.setCaption(QStringLiteral(" 64"));
    EXPECT_EQ(value.Caption(), QStringLiteral(" 64"));
    EXPECT_EQ(value.color(), QColor(Qt::white));
    EXPECT_EQ(value.alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_TRUE(value.font().bold());
    EXPECT_EQ(value.geometry(), QRect(120, 4, 36, 16));
    EXPECT_EQ(caption.color(), QColor(0xaa, 0xbb, 0xcc));  // "Label", colour of the skin
    EXPECT_FALSE(caption.font().bold());
    EXPECT_EQ(caption.geometry(), QRect(0, 0, 60, 16));
}

}  // namespace
