#include "platform/skin/skin_report.h"
#include "platform/toolbar/tool_bar.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* kLayout = R"(
# zoom and help menus
[Tool ID_Help]
Caption = Help
[Tool ID_About]
Caption = About
[Popup ID_HelpAbout]
Tools = ID_Help, -, ID_About

[Tool ID_FitWindow]
Caption = Fit Window
Group = Zoom
Checked = yes
[Tool ID_x1]
Caption = x1
Group = Zoom
[Tool ID_x2]
Caption = x2
Group = Zoom
[Popup ID_ZoomMenu]
Caption = ZoomMenu
Tools = ID_FitWindow ID_x1 ID_x2 ID_HelpAbout
)";

class ToolBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile f(dir.filePath(QStringLiteral("english.atb")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kLayout);
        f.close();
        // Found whatever the case of the name.
        ASSERT_TRUE(bar.LoadLayout(dir.filePath(QStringLiteral("English.ATB"))));
        QObject::connect(&bar, &ActiveToolBar::ToolClick, &bar, [this](Tool* t) {
            clicked << QStringLiteral("%1=%2").arg(t->ID()).arg(t->State());
        });
    }
    QTemporaryDir dir;
    QWidget owner;
    ActiveToolBar bar{&owner};
    QStringList clicked;
};

TEST_F(ToolBarTest, BuildsToolsAndMenusFromTheLayout)
{
    EXPECT_EQ(bar.toolIds(),
              (QStringList{"ID_Help", "ID_About", "ID_FitWindow", "ID_x1", "ID_x2"}));
    ASSERT_NE(bar.Tools(QStringLiteral("ID_FitWindow")), nullptr);
    EXPECT_EQ(bar.Tools(QStringLiteral("ID_FitWindow"))->State(), 1);
    EXPECT_EQ(bar.Tools(QStringLiteral("ID_x1"))->State(), 0);
    EXPECT_EQ(bar.Tools(QStringLiteral("ID_Nope")), nullptr);

    QMenu* help = bar.menu(QStringLiteral("ID_HelpAbout"));
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(help->actions().size(), 3);
    EXPECT_TRUE(help->actions()[1]->isSeparator());
    QMenu* zoom = bar.menu(QStringLiteral("ID_ZoomMenu"));
    ASSERT_EQ(zoom->actions().size(), 4);
    EXPECT_EQ(zoom->title(), QStringLiteral("ZoomMenu"));
    EXPECT_EQ(zoom->actions()[3]->menu(), zoom->actions()[3]->menu());  // a sub-menu
    ASSERT_NE(zoom->actions()[3]->menu(), nullptr);
    EXPECT_EQ(zoom->actions()[3]->menu()->actions().size(), 3);
}

TEST_F(ToolBarTest, ChosenToolsAreReportedAndTheGroupIsExclusive)
{
    Tool* fit = bar.Tools(QStringLiteral("ID_FitWindow"));
    Tool* x2 = bar.Tools(QStringLiteral("ID_x2"));
    x2->trigger();
    fit->trigger();
    fit->trigger();  // choosing the checked tool again keeps it checked
    bar.Tools(QStringLiteral("ID_Help"))->trigger();
    EXPECT_EQ(clicked, (QStringList{"ID_x2=1", "ID_FitWindow=1", "ID_FitWindow=1", "ID_Help=0"}));
    EXPECT_EQ(x2->State(), 0);
    fit->setCaption(QStringLiteral("Fit to window"));
    EXPECT_EQ(bar.menu(QStringLiteral("ID_ZoomMenu"))->actions()[0]->text(),
              QStringLiteral("Fit to window"));
    x2->setState(1);
    EXPECT_EQ(fit->State(), 0);
}

TEST(ToolBarLoad, BadLayoutsAreReportedAndNeverHang)
{
    QTemporaryDir dir;
    QWidget owner;
    ActiveToolBar bar(&owner);
    QStringList reports;
    SetSkinReporter([&](const QString& m) { reports << m; });
    EXPECT_FALSE(bar.LoadLayout(dir.filePath(QStringLiteral("missing.atb"))));
    EXPECT_TRUE(bar.errorString().contains(QStringLiteral("missing.atb")));

    QFile f(dir.filePath(QStringLiteral("loop.atb")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Popup A]\nTools = B, ID_Ghost\n[Popup B]\nTools = A\n[Tool T]\nChecked = perhaps\n"
            "[Gadget G]\n[Tool]\n");
    f.close();
    reports.clear();
    EXPECT_TRUE(bar.LoadLayout(f.fileName()));
    QMenu* a = bar.menu(QStringLiteral("A"));  // A holds B, which would hold A again: cut
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->actions().size(), 1);
    EXPECT_TRUE(a->actions()[0]->menu()->actions().isEmpty());
    const QString all = reports.join('\n');
    EXPECT_TRUE(all.contains(QStringLiteral("ID_Ghost")));
    EXPECT_TRUE(all.contains(QStringLiteral("perhaps")));
    EXPECT_TRUE(all.contains(QStringLiteral("gadget")));
    EXPECT_TRUE(all.contains(QStringLiteral("without an ID")));
    reports.clear();
    bar.PopupMenu(QStringLiteral("ID_Nowhere"));
    EXPECT_EQ(reports.size(), 1);
    SetSkinReporter(nullptr);
}

}  // namespace
