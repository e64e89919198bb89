// The shipped skins, pictures and toolbar layout against the shipped button
// tables: every element the program names exists, every state string in the
// tables reads and its picture loads, and no two buttons overlap.
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_picture.h"
#include "platform/skin/skin_report.h"
#include "platform/toolbar/tool_bar.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace {

const QString kLang = QStringLiteral(CAM_RESOURCES_DIR "/lang/");

class ShippedSkins : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitGlobalVariable();
        SetAppPath(QStringLiteral(CAM_RESOURCES_DIR));
        ASSERT_TRUE(LoadLanguageIni());
        ASSERT_TRUE(LoadLang2Ini());
        ASSERT_TRUE(LoadLang3Ini());
        SetSkinReporter([this](const QString& m) { reports << m; });
    }
    void TearDown() override
    {
        SetSkinReporter(nullptr);
        SetAppPath({});
    }
    // Every cell that holds a look must read and its picture must load.
    void checkCells(const BtnInfo& row, std::initializer_list<int> cells, const QString& folder)
    {
        for (int k : cells) {
            const QString& cell = row.BtnStr[k];
            SCOPED_TRACE(
                QStringLiteral("%1 cell %2: %3").arg(row.BtnName).arg(k).arg(cell).toStdString());
            const auto look = ParseStateString(cell);
            ASSERT_TRUE(look);
            if (!look->file.isEmpty()) {
                EXPECT_FALSE(SkinPictures::load(folder, look->file, 1.0).isNull());
            }
        }
    }
    static void checkNoOverlap(const SkinForm& form)
    {
        std::vector<const SkinElement*> buttons;
        for (const auto& el : form.elements())
            if (el->kind() == SkinElementKind::Button)
                buttons.push_back(el.get());
        for (size_t i = 0; i < buttons.size(); ++i)
            for (size_t j = i + 1; j < buttons.size(); ++j)
                EXPECT_FALSE(buttons[i]->rect().intersects(buttons[j]->rect()))
                    << buttons[i]->Name().toStdString() << " / "
                    << buttons[j]->Name().toStdString();
        const QRect all(QPoint(0, 0), form.designSize());
        for (const auto& el : form.elements())
            EXPECT_TRUE(all.contains(el->rect())) << el->Name().toStdString();
    }

    QStringList reports;
};

TEST_F(ShippedSkins, VideoWindowSkinHasEveryElementAndLook)
{
    QWidget host;
    host.resize(328, 318);
    SkinForm form(&host);
    ASSERT_TRUE(form.SkinFile(kLang + QStringLiteral("english_2.skn")));
    ASSERT_EQ(host.size(), form.designSize());
    EXPECT_EQ(form.clientRect().size(), QSize(320, 240));
    for (const BtnInfo& row : gViewBtn) {
        EXPECT_NE(form.findElement(row.BtnName), nullptr) << row.BtnName.toStdString();
        checkCells(row, {1, 2, 3, 4, 5, 6}, kLang);
    }
    for (const char* name :
         {"IPAddress", "Line", "Recording", "ServerName", "MotionDetect", "LBtnSet", "ColorCtl"})
        EXPECT_NE(form.findElement(QLatin1String(name)), nullptr) << name;
    // Text elements start empty: some windows never write them.
    for (const auto& el : form.elements())
        EXPECT_TRUE(el->text().isEmpty()) << el->Name().toStdString();
    checkNoOverlap(form);
    // The button group shrunk to 62 pixels (colour button hidden) ends as far behind the
    // wake-up button as the full group (84) ends behind the colour button.
    SkinElement& set = form.GetElement(QStringLiteral("LBtnSet"));
    const int fullEnd = set.rect().right();
    EXPECT_EQ(set.Width(), 84);
    set.setLayoutValue(62);
    EXPECT_EQ(set.rect().right() - form.GetElement(QStringLiteral("WakeUp")).rect().right(),
              fullEnd - form.GetElement(QStringLiteral("ColorCtl")).rect().right());
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(ShippedSkins, PanelSkinHasEveryElementAndLook)
{
    QWidget host;
    host.resize(gUIWidth > 0 ? gUIWidth : 520, gUIHeight > 0 ? gUIHeight : 380);
    SkinForm form(&host);
    ASSERT_TRUE(form.SkinFile(kLang + QStringLiteral("english_1.skn")));
    for (const BtnInfo& row : gPanelBtn) {
        EXPECT_NE(form.findElement(row.BtnName), nullptr) << row.BtnName.toStdString();
        checkCells(row, {0, 1, 2, 4, 5, 8}, kLang);
    }
    for (const char* name : {"LineID", "Line1", "Line2", "Line3", "Line4", "Line5", "Time",
                             "WebText", "MotionText", "UpdateText"})
        EXPECT_NE(form.findElement(QLatin1String(name)), nullptr) << name;
    for (int s = 1; s <= 4; ++s)
        for (int k = 1; k <= 3; ++k)
            EXPECT_NE(form.findElement(QStringLiteral("Led%1-%2").arg(s).arg(k)), nullptr);
    checkNoOverlap(form);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(ShippedSkins, ColourPanelAndCellSkins)
{
    QWidget host;
    SkinForm bar(&host);
    ASSERT_TRUE(bar.SkinFile(kLang + QStringLiteral("Bar.skn")));
    EXPECT_EQ(bar.designSize(), QSize(161, 106));
    for (const char* name : {"sklBrightness", "sklContrast", "sklHue", "sklBriVal", "sklCntVal",
                             "sklHueVal", "hscrBrightness", "hscrContrast", "hscrHue"})
        EXPECT_NE(bar.findElement(QLatin1String(name)), nullptr) << name;

    QWidget cellHost;
    SkinForm cell(&cellHost);
    ASSERT_TRUE(cell.SkinFile(kLang + QStringLiteral("cam.skn")));
    for (const char* name : {"Top", "Bottom", "Left", "Right"}) {
        SkinElement* el = cell.findElement(QLatin1String(name));
        ASSERT_NE(el, nullptr) << name;
        el->setStatePicture(QStringLiteral("BgColor 255 -"));
    }
    cellHost.resize(200, 150);
    cellHost.show();
    const QImage img = cell.grab().toImage();
    EXPECT_EQ(img.pixelColor(100, 1), QColor(255, 0, 0));  // the active frame is red
    EXPECT_EQ(img.pixelColor(198, 75), QColor(255, 0, 0));
    EXPECT_EQ(cell.clientRect(), QRect(3, 3, 194, 144));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(ShippedSkins, ToolbarLayoutHasTheMenusTheWindowsOpen)
{
    QWidget owner;
    ActiveToolBar bar(&owner);
    ASSERT_TRUE(bar.LoadLayout(kLang + QStringLiteral("english.atb")));
    for (const char* id : {"ID_Help", "ID_About", "ID_VERSION"})
        EXPECT_NE(bar.Tools(QLatin1String(id)), nullptr) << id;
    ASSERT_NE(bar.menu(QStringLiteral("ID_HelpAbout")), nullptr);
    QMenu* zoom = bar.menu(QStringLiteral("ID_ZoomMenu"));
    ASSERT_NE(zoom, nullptr);
    QStringList ids;
    for (QAction* a : zoom->actions())
        if (!a->isSeparator())
            ids << a->objectName();
    EXPECT_EQ(ids, (QStringList{"ID_FitWindow", "ID_x1", "ID_x1.5", "ID_x2", "ID_x2.5", "ID_x3",
                                "ID_x3.5", "ID_x4"}));
    EXPECT_EQ(bar.Tools(QStringLiteral("ID_FitWindow"))->State(), 1);
    bar.Tools(QStringLiteral("ID_x2"))->trigger();
    EXPECT_EQ(bar.Tools(QStringLiteral("ID_FitWindow"))->State(), 0);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

}  // namespace
