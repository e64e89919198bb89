// The about box: its texts with and without the language's caption file, the
// machine summary behind "System Info...", and the version message of its
// right-click menu.
#include "panel/frm_about.h"

#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "platform/toolbar/tool_bar.h"
#include "support/fake_ui.h"
#include "support/temp_program.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    AboutBoxTest()
    {
        EXPECT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
        InitGlobalVariable();
        EXPECT_TRUE(LoadLanguageIni());
        EXPECT_TRUE(LoadLang1Ini());
    }
    FakeUi fake;
    TempProgramFolder folder;
};

TEST_F(AboutBoxTest, TextsComeFromTheCaptionFileAndTheVersionFromThePack)
{
    ASSERT_FALSE(gAboutVersion.isEmpty());
    frmAbout about;
    about.Form_Load();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Corvex SE"));
    EXPECT_EQ(about.lblTitle->text(), gAppTitle);
    EXPECT_EQ(about.lblVersion->text(), gAboutVersion);
    EXPECT_EQ(about.lblDescription->text(),
              QStringLiteral("This application is designed to remotely manage the Camera Server."));
    EXPECT_FALSE(about.lblDisclaimer->text().isEmpty());
    EXPECT_EQ(about.cmdOK->text(), QStringLiteral("&OK"));
    EXPECT_EQ(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));
}

TEST_F(AboutBoxTest, WithoutTheCaptionFileTheBuiltInTextsStayAndMissingKeysAreEmpty)
{
    const QString caption = CaptionFilePath();
    ASSERT_FALSE(caption.isEmpty());
    const QByteArray original = [&] {
        QFile f(caption);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    ASSERT_TRUE(QFile::remove(caption));
    {
        frmAbout about;
        about.Form_Load();
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About MyApp"));
        EXPECT_EQ(about.lblTitle->text(), QStringLiteral("Application Title"));
        EXPECT_EQ(about.lblVersion->text(), gAboutVersion);
        EXPECT_EQ(about.cmdOK->text(), QStringLiteral("&OK"));
        EXPECT_FALSE(about.LoadAboutText());
    }

    // A caption file without the about box's section.
    folder.write(QStringLiteral("lang/english.ini"), QByteArray("[General]\nAppTitle=X\n"));
    frmAbout about;
    about.Form_Load();
    EXPECT_EQ(about.windowTitle(), QString());
    EXPECT_EQ(about.lblTitle->text(), gAppTitle);
    EXPECT_EQ(about.lblDescription->text(), QString());
    EXPECT_EQ(about.lblDisclaimer->text(), QString());
    EXPECT_EQ(about.cmdOK->text(), QString());
    folder.write(QStringLiteral("lang/english.ini"), original);
}

TEST_F(AboutBoxTest, SystemInfoShowsTheMachineSummary)
{
    frmAbout about;
    about.Form_Load();
    about.cmdSysInfo->click();
    ASSERT_EQ(fake.messages.size(), 1u);
    const ShownMessage& m = fake.messages[0];
    EXPECT_EQ(m.title, gAppTitle);
    EXPECT_EQ(m.buttons, MsgButtons::OK);
    for (const char* label : {"Operating system: ", "Processor: ", "Memory: ", "Qt: ", "FFmpeg: "})
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(label))) << label;
    EXPECT_TRUE(m.text.contains(QString::fromLatin1(qVersion())));
}

TEST_F(AboutBoxTest, TheRightClickMenuOffersTheVersionMessage)
{
    gVersion = QStringLiteral("Corvex SE 1.0 build 7");
    frmAbout about;
    about.Form_Load();
    ASSERT_TRUE(about.tbr()->hasPopup(QStringLiteral("ID_AboutMenu")));
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5),
                            about.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&about, &right);
    QMenu* menu = about.tbr()->menu(QStringLiteral("ID_AboutMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    about.tbr()->Tools(QStringLiteral("ID_VERSION"))->trigger();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, gVersion);
    EXPECT_EQ(fake.messages[0].title, gAppTitle);
    // The other tools show nothing.
    about.tbr()->Tools(QStringLiteral("ID_About"))->trigger();
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_F(AboutBoxTest, OkClosesTheBox)
{
    frmAbout about;
    about.Form_Load();
    about.show();
    about.cmdOK->click();
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
