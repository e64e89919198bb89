// The panel window's life (load, first and later activations, closing and the
// end of the program, reopening), its LEDs, clock, tool menu and element helpers.
#include "panel_fixture.h"

#include "foundation/helpers.h"

#include <QLocale>
#include <QMenu>
#include <QTest>

namespace {

class PanelWindowTest : public PanelFixture {};

TEST_F(PanelWindowTest, LoadsTheSkinAtThePacksSizeOrTheSkinsOwn)
{
    struct Case {
        int width, height;
        QSize expected;
    };
    // The shipped skin is 520 x 380; a pack's size is bounded to what a window can be.
    for (const Case& c : {Case{600, 400, QSize(600, 400)}, Case{0, 0, QSize(520, 380)},
                          Case{-5, -1, QSize(520, 380)}, Case{600, -3, QSize(600, 380)},
                          Case{99999, 2147483647, QSize(16384, 16384)}}) {
        SCOPED_TRACE(c.width);
        gUIWidth = c.width;
        gUIHeight = c.height;
        gExtInfo.fill(true);
        frmController& p = OpenPanel(false);
        EXPECT_TRUE(gWinOpen[0]);
        EXPECT_TRUE(windows().IsLoaded(kEngineWindowName));  // the engine comes first
        EXPECT_TRUE(p.SkinForm1()->isLoaded());
        EXPECT_EQ(p.size(), c.expected);
        EXPECT_EQ(gExtInfo, (std::array<bool, 4>{}));
        EXPECT_TRUE(p.tbr()->hasPopup(QStringLiteral("ID_HelpAbout")));
        EXPECT_TRUE(p.Timer1.isActive());
        EXPECT_EQ(p.Timer1.interval(), 500);
        EXPECT_FALSE(p.tmrBtnHold.isActive());
        // An empty current slot: its number and the empty label.
        EXPECT_EQ(Line(0), QStringLiteral("1"));
        EXPECT_EQ(Line(1), gLblEmpty);
        gWinOpen[1] = true;  // keeps the program running when the panel closes
        windows().Unload(kPanelWindowName);
        gWinOpen[1] = false;
    }
}

TEST_F(PanelWindowTest, FirstActivationSetsCaptionsTipsLedsAndFontsOnce)
{
    InstallAllCommands();
    gCam[2].Enable = true;  // LEDs follow the records, whatever else the slot holds
    gCam[2].Recording = true;
    gCam[2].MotionFlag = true;
    gCam[3].Recording = true;
    gCam[3].Enable = true;  // running, but its pictures stopped coming: dark
    gCam[3].Reconnecting = true;
    frmController& p = OpenPanel(false);
    EXPECT_FALSE(gAppTitle.isEmpty());
    p.show();

    EXPECT_EQ(p.windowTitle(), gAppTitle);
    EXPECT_EQ(p.tbr()->Tools(QStringLiteral("ID_About"))->text(), gLangPopup[0]);
    EXPECT_EQ(p.tbr()->Tools(QStringLiteral("ID_Help"))->text(), gLangPopup[1]);
    EXPECT_EQ(El(QStringLiteral("Cam3")).toolTip(), Cell(18, 7));
    EXPECT_EQ(El(QStringLiteral("Led4-2")).toolTip(), Cell(30, 7));
    EXPECT_EQ(El(QStringLiteral("Play")).toolTip(), Cell(32, 7));
    const int expectedLeds[13] = {0, 1, 1, 1, 2, 1, 2, 2, 1, 1, 1, 1, 1};  // LED n: cell
    for (int led = 1; led <= 12; ++led) {
        EXPECT_EQ(CellOf(19 + led), expectedLeds[led]) << "LED " << led;
    }
    EXPECT_EQ(El(QStringLiteral("LineID")).font().pointSizeF(), 36);
    EXPECT_TRUE(El(QStringLiteral("LineID")).font().italic());
    EXPECT_EQ(El(QStringLiteral("Time")).font().pointSizeF(), 8);
    EXPECT_EQ(El(QStringLiteral("Line3")).font().family(), p.font().family());

    // A later activation re-reads the scan and combine looks and the lines only.
    gAppTitle = QStringLiteral("Changed");
    p.LedControl(6, false);
    El(QStringLiteral("Cam3")).setToolTip(QString());
    gScanMode = true;
    gCombineMode = 1;
    p.Form_Activate();
    EXPECT_NE(p.windowTitle(), gAppTitle);
    EXPECT_EQ(CellOf(25), 1);
    EXPECT_TRUE(El(QStringLiteral("Cam3")).toolTip().isEmpty());
    EXPECT_EQ(CellOf(frmController::kRowScan), 2);
    EXPECT_EQ(CellOf(frmController::kRowCombine), 2);
    gScanMode = false;
    gCombineMode = 0;
    p.Form_Activate();
    EXPECT_EQ(CellOf(frmController::kRowScan), 1);
    EXPECT_EQ(CellOf(frmController::kRowCombine), 1);
}

// Closing the panel ends the program only when no video window is open.
class PanelEndRuleTest : public PanelFixture, public ::testing::WithParamInterface<int> {};

TEST_P(PanelEndRuleTest, ClosingThePanel)
{
    const int otherOpen = GetParam();  // 0: none
    OpenPanel();
    if (otherOpen)
        gWinOpen[static_cast<size_t>(otherOpen)] = true;
    panel->close();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(gWinOpen[0]);
    EXPECT_FALSE(windows().IsLoaded(kPanelWindowName));
    EXPECT_EQ(windows().ProgramEndRequested(), otherOpen == 0);
    EXPECT_EQ(folder.exists(QStringLiteral("main.ini")),
              otherOpen == 0);  // saved by the engine's end
}

INSTANTIATE_TEST_SUITE_P(EveryOtherWindow, PanelEndRuleTest,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 6));

TEST_F(PanelWindowTest, AReopenedPanelLoadsAndActivatesAfresh)
{
    AssignSlot(1);
    OpenPanel();
    gWinOpen[1] = true;  // a video window keeps the program running
    gExtInfo[0] = true;
    El(QStringLiteral("Cam1")).setToolTip(QString());
    windows().Unload(kPanelWindowName);
    QCoreApplication::processEvents();
    EXPECT_FALSE(gWinOpen[0]);
    EXPECT_FALSE(windows().ProgramEndRequested());

    frmController& again = OpenPanel();
    EXPECT_TRUE(gWinOpen[0]);
    EXPECT_FALSE(gExtInfo[0]);
    EXPECT_EQ(again.windowTitle(), gAppTitle);
    EXPECT_EQ(El(QStringLiteral("Cam1")).toolTip(), Cell(16, 7));
}

TEST_F(PanelWindowTest, LedControlLightsTheSlotsLedWithItsRow)
{
    OpenPanel();
    struct Case {
        int led;
        bool on;
        const char* element;
        int row;
        int cell;
    };
    const Case cases[] = {
        {5, true, "Led2-2", 24, 2}, {12, false, "Led4-3", 31, 1}, {1, true, "Led1-1", 20, 2},
        {9, true, "Led3-3", 28, 2}, {12, true, "Led4-3", 31, 2},  {3, false, "Led1-3", 22, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.led);
        panel->LedControl(c.led, c.on);
        EXPECT_EQ(El(QString::fromLatin1(c.element)).picture(), Cell(c.row, c.cell));
    }
    // Numbers outside 1..12 change nothing.
    QStringList before;
    for (int row = 20; row <= 31; ++row)
        before << Row(row).picture();
    panel->LedControl(0, true);
    panel->LedControl(13, true);
    panel->LedControl(-4, true);
    QStringList after;
    for (int row = 20; row <= 31; ++row)
        after << Row(row).picture();
    EXPECT_EQ(after, before);
}

TEST_F(PanelWindowTest, ButtonPicturesChangeOnlyWhileThePanelIsOpen)
{
    OpenPanel();
    panel->ShowBtnBitmap(17, 4);
    EXPECT_EQ(CellOf(17), 4);
    gWinOpen[0] = false;
    panel->ShowBtnBitmap(17, 2);
    EXPECT_EQ(CellOf(17), 4);
    gWinOpen[0] = true;
    panel->ShowBtnBitmap(41, 2);  // no such row, no such cell: ignored
    panel->ShowBtnBitmap(17, 9);
    EXPECT_EQ(CellOf(17), 4);
}

TEST_F(PanelWindowTest, ShowSkinElementReportsAMissingElement)
{
    OpenPanel();
    EXPECT_TRUE(panel->ShowSkinElement(QStringLiteral("WebText"), false));
    EXPECT_FALSE(El(QStringLiteral("WebText")).isShown());
    EXPECT_TRUE(panel->ShowSkinElement(QStringLiteral("WebText"), true));
    EXPECT_TRUE(El(QStringLiteral("WebText")).isShown());
    EXPECT_FALSE(panel->ShowSkinElement(QStringLiteral("NoSuchElement"), true));
}

TEST_F(PanelWindowTest, ExtendedInformationTextsByKind)
{
    OpenPanel(false);  // the engine has read the panel's labels from the caption file
    ASSERT_FALSE(gLangModel.isEmpty());
    CamInfo& c = gCam[3];
    c.ServerModel = QStringLiteral("PT-9");
    c.HWVersion = QStringLiteral("1.1");
    c.FWVersion = QStringLiteral("2.2");
    c.ROMVersion = QStringLiteral("3.3");
    c.MacAddress = QStringLiteral("0.16.32.10.11.255");
    c.IPAddress = QStringLiteral("127.0.0.4");
    c.ServerName = QStringLiteral("Hall");
    const QString expected[] = {QString(),
                                gLangModel + QStringLiteral("PT-9"),
                                gLangHWVER + QStringLiteral("1.1"),
                                gLangFWVER + QStringLiteral("2.2"),
                                gLangROMVER + QStringLiteral("3.3"),
                                gLangMACADDR + QStringLiteral("00 10 20 0A 0B FF"),
                                gLangIPADDR + QStringLiteral("127.0.0.4"),
                                gLangName + QStringLiteral("Hall"),
                                QString()};
    for (int kind = 0; kind <= 8; ++kind) {
        EXPECT_EQ(frmController::GetCamInfoText(3, kind), expected[kind]) << kind;
    }
    EXPECT_EQ(frmController::GetCamInfoText(3, -1), QString());
    // A MAC text that is not dotted decimal is shown as it stands.
    for (const char* bad : {"", "garbage", "a.b.c.d.e.f", "0.17.34.x.68.85"}) {
        c.MacAddress = QString::fromLatin1(bad);
        EXPECT_EQ(frmController::GetCamInfoText(3, 5), gLangMACADDR + c.MacAddress) << bad;
    }
}

TEST_F(PanelWindowTest, ClockShowsDateAndTimeAndTicksEveryHalfSecond)
{
    const QLocale locale = QLocale::system();
    const QDate day(2026, 3, 4);
    EXPECT_EQ(frmController::ClockText(QDateTime(day, QTime(0, 0))),
              locale.toString(day, QLocale::ShortFormat));
    const QString noon = frmController::ClockText(QDateTime(day, QTime(12, 34, 56)));
    EXPECT_TRUE(noon.startsWith(locale.toString(day, QLocale::ShortFormat) + QLatin1Char(' ')))
        << noon.toStdString();
    EXPECT_TRUE(noon.contains(QStringLiteral("34:56"))) << noon.toStdString();
    EXPECT_EQ(noon, noon.trimmed());

    fake.clock = QDateTime(day, QTime(8, 0, 1));
    OpenPanel();
    EXPECT_EQ(El(QStringLiteral("Time")).text(), frmController::ClockText(fake.clock));
    EXPECT_TRUE(panel->Timer1.isActive());
    EXPECT_EQ(panel->Timer1.interval(), 500);
    fake.clock = QDateTime(day, QTime(9, 15, 30));
    QMetaObject::invokeMethod(&panel->Timer1, "timeout");
    EXPECT_EQ(El(QStringLiteral("Time")).text(), frmController::ClockText(fake.clock));
}

TEST_F(PanelWindowTest, ToolMenuOpensHelpAndAboutBox)
{
    OpenPanel();
    journal.Clear();
    Tool* help = panel->tbr()->Tools(QStringLiteral("ID_Help"));
    Tool* about = panel->tbr()->Tools(QStringLiteral("ID_About"));
    ASSERT_TRUE(help && about);

    // The shipped help page opens with the desktop's program for it.
    ASSERT_FALSE(gHelpFileName.isEmpty());
    const QString file = folder.file(QStringLiteral("Help/") + gHelpFileName);
    ASSERT_TRUE(QFileInfo(file).isFile());
    fake.associatedProgram = QStringLiteral("viewer");
    help->trigger();
    ASSERT_EQ(fake.started.size(), 1u);
    EXPECT_EQ(fake.started[0].first, QStringLiteral("viewer"));
    EXPECT_EQ(fake.started[0].second, QStringList{QFileInfo(file).absoluteFilePath()});
    EXPECT_TRUE(fake.messages.empty());

    // A help file missing all the same: the message names where it was looked for.
    folder.remove(QStringLiteral("Help/") + gHelpFileName);
    help->trigger();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, gLangMainMsg[2] + QStringLiteral("\n") + AppPath()
                                         + QStringLiteral("/Help/") + gHelpFileName);
    EXPECT_EQ(fake.started.size(), 1u);

    // Without an about box the entry is off and does nothing.
    EXPECT_FALSE(about->isEnabled());
    about->trigger();
    EXPECT_TRUE(journal.entries.isEmpty());
    if (Tool* version = panel->tbr()->Tools(QStringLiteral("ID_VERSION")))
        version->trigger();
    EXPECT_TRUE(journal.entries.isEmpty());
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_F(PanelWindowTest, AboutToolShowsTheAboutBoxOwnedByThePanelThenUnloadsIt)
{
    InstallAllCommands();
    OpenPanel();
    journal.Clear();
    Tool* about = panel->tbr()->Tools(QStringLiteral("ID_About"));
    ASSERT_TRUE(about->isEnabled());
    about->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(journal.entries, (QStringList{"frmAbout.ShowModal owned", "frmAbout.deleted"}));
}

TEST_F(PanelWindowTest, AboutButtonOpensTheHelpMenuOrTheAboutBoxByLanguage)
{
    InstallAllCommands();
    OpenPanel();
    Click(QStringLiteral("About"));
    QMenu* menu = panel->tbr()->menu(QStringLiteral("ID_HelpAbout"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->close();
    EXPECT_FALSE(journal.Has(QStringLiteral("frmAbout.ShowModal owned")));

    for (const char* tag : {"DADODEZE", "dizurezov"}) {
        gLanguage = QString::fromLatin1(tag);
        journal.Clear();
        Click(QStringLiteral("About"));
        EXPECT_TRUE(journal.Has(QStringLiteral("frmAbout.ShowModal owned"))) << tag;
    }
}

}  // namespace
