#include "foundation/globals.h"
#include "foundation/resources.h"
#include "platform/settings_file.h"
#include "support/fake_ui.h"
#include "support/temp_program.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <map>

namespace {

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override { InitGlobalVariable(); }

    FakeUi fake;
    TempProgramFolder folder;
};

// A small panel table: three named rows, cell keys 0..8, one row without a name.
QByteArray panelTable(const QByteArray& extra = {})
{
    QByteArray t =
        "[BtnName]\n0=Min\n1=Connect\n3=Scan\n"
        "[BtnStr]\n0=Disabled\n1=Normal\n2=Down\n3=Leave\n4=Over\n5=Gray\n6=NoAudio\n7=Hint\n8="
        "Image\n"
        "[Min]\nNormal=Min.png\nHint=Minimise\n"
        "[connect]\nNormal=Connect.png\nDown=Connect_Down.png\nHint=Connect\nEnableGray=True\n"
        "[Scan]\nNormal=Scan.png\nHint=0\nEnableGray=False\n";
    return t + extra;
}

}  // namespace

TEST_F(ResourcesTest, LanguageSelectorGivesTheTag)
{
    const struct {
        const char* name;
        const char* file;  // nullptr: no file
        QByteArray text;
        bool ok;
        const char* tag;  // the tag read, or the tag refused
    } cases[] = {
        {"tag as written", "lang/Language.ini", "[General]\nLanguage=Deutsch\n", true, "Deutsch"},
        {"no key: english", "lang/Language.ini", "[General]\n", true, "english"},
        {"zero: english", "lang/Language.ini", "[General]\nLanguage=0\n", true, "english"},
        {"an empty tag is a tag", "lang/Language.ini", "[General]\nLanguage=\n", true, ""},
        {"other capitalisation of folder and file", "LANG/language.INI",
         "[general]\nlanguage=french\n", true, "french"},
        {"a tag may not leave the lang folder", "lang/Language.ini",
         "[General]\nLanguage=../../etc/x\n", false, "../../etc/x"},
        {"nor hold a backslash", "lang/Language.ini", "[General]\nLanguage=..\\x\n", false,
         "..\\x"},
        {"nor be .", "lang/Language.ini", "[General]\nLanguage=.\n", false, "."},
        {"nor ..", "LANG/language.ini", "[General]\nLanguage=..\n", false, ".."},
        {"missing file", nullptr, {}, false, nullptr},
        {"not a text file", "lang/Language.ini", QByteArray("\0\1\2", 3), false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempProgramFolder own;
        gLanguage = QStringLiteral("before");
        if (c.file)
            own.write(QString::fromLatin1(c.file), c.text);
        QString why = QStringLiteral("untouched");
        EXPECT_EQ(LoadLanguageIni(&why), c.ok);
        EXPECT_EQ(gLanguage, c.ok ? QString::fromLatin1(c.tag) : QStringLiteral("before"));
        if (c.ok || !c.tag) {
            EXPECT_EQ(why, QString());  // a missing selector: start-up names the file
        } else {
            // A refused tag: the file that holds it, and what is wrong with it.
            EXPECT_EQ(why, own.file(QString::fromLatin1(c.file))
                               + QStringLiteral(": [General] Language = \"")
                               + QString::fromLatin1(c.tag)
                               + QStringLiteral("\" is not a language name (it may not hold / or "
                                                "\\, nor be . or ..)"));
        }
    }
}

TEST_F(ResourcesTest, FontAndPanelFileSetsTheLanguageGlobals)
{
    gLanguage = QStringLiteral("english");
    // No file: success, and nothing is set.
    EXPECT_TRUE(LoadLang1Ini());
    EXPECT_FALSE(gIntervalEnabled);
    EXPECT_EQ(gFontName, QString());
    EXPECT_EQ(gUIWidth, 0);

    folder.write(
        QStringLiteral("lang/english_1.ini"),
        "[General]\n; a comment\nFont=DejaVu Sans\nFontSize=10.5\nFontWeight=700\nFontCharSet=0\n"
        "UIWidth=420\nUIHeight=300\nHelpFileName=index.html\nImageInterval=5\nDisableIntelval=0\n"
        "AboutVersion=Version 1.0\nExtraItem1=7\nExtraItem3=6\nExtraItem5=3\n");
    ASSERT_TRUE(LoadLang1Ini());
    EXPECT_EQ(gFontName, QStringLiteral("DejaVu Sans"));
    EXPECT_FLOAT_EQ(gFontSize, 10.5f);
    EXPECT_EQ(gFontWeight, 700);
    EXPECT_EQ(gFontCharSet, 0);
    EXPECT_EQ(gUIWidth, 420);
    EXPECT_EQ(gUIHeight, 300);
    EXPECT_EQ(gHelpFileName, QStringLiteral("index.html"));
    EXPECT_TRUE(gIntervalEnabled);
    EXPECT_EQ(gAboutVersion, QStringLiteral("Version 1.0"));
    EXPECT_EQ(gVersion, QString());  // no Version key: empty
    EXPECT_EQ(gExtraItem, (std::array<int, 6>{0, 7, 0, 6, 0, 3}));

    // Absent values take their fallbacks; DisableIntelval present disables.
    folder.write(QStringLiteral("lang/english_1.ini"),
                 "[General]\nFontSize=0\nDisableIntelval=1\n");
    ASSERT_TRUE(LoadLang1Ini());
    EXPECT_EQ(gFontName, QStringLiteral("MS Sans Serif"));
    EXPECT_FLOAT_EQ(gFontSize, 9.0f);
    EXPECT_EQ(gFontWeight, 400);
    EXPECT_FALSE(gIntervalEnabled);
    folder.write(QStringLiteral("lang/english_1.ini"), "[General]\n");
    ASSERT_TRUE(LoadLang1Ini());
    EXPECT_TRUE(gIntervalEnabled);

    for (const char* bad :
         {"FontSize=big", "FontWeight=bold", "UIWidth=wide", "UIHeight=2147483648",
          "ImageInterval=fast", "LineSize=1.5.1", "ExtraItem2=x"}) {
        SCOPED_TRACE(bad);
        folder.write(QStringLiteral("lang/english_1.ini"), QByteArray("[General]\n") + bad + "\n");
        EXPECT_FALSE(LoadLang1Ini());
    }
}

// Every panel size that converts is kept as written; the panel decides what
// it can use of it.
TEST_F(ResourcesTest, PanelSizeIsKeptAsWritten)
{
    gLanguage = QStringLiteral("english");
    const struct {
        QByteArray keys;
        int width, height;
    } cases[] = {
        {"UIWidth=99999\nUIHeight=20000\n", 99999, 20000},
        {"UIWidth=-5\nUIHeight=-1\n", -5, -1},
        {"UIWidth=2147483647\nUIHeight=16385\n", 2147483647, 16385},
        {"UIWidth=0\nUIHeight=1.5\n", 7, 2},  // 0 is absent; 1.5 rounds to even
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys.constData());
        gUIWidth = 7;
        gUIHeight = 7;
        folder.write(QStringLiteral("lang/english_1.ini"), "[General]\n" + c.keys);
        ASSERT_TRUE(LoadLang1Ini());
        EXPECT_EQ(gUIWidth, c.width);
        EXPECT_EQ(gUIHeight, c.height);
    }
}

TEST_F(ResourcesTest, ButtonTablesFillRowsByNameAndCellKey)
{
    gLanguage = QStringLiteral("english");
    EXPECT_FALSE(LoadLang2Ini());
    EXPECT_FALSE(LoadLang3Ini());

    folder.write(QStringLiteral("lang/english_2.ini"), panelTable());
    ASSERT_TRUE(LoadLang2Ini());
    EXPECT_EQ(gPanelBtn[1].BtnName, QStringLiteral("Connect"));
    EXPECT_EQ(gPanelBtn[1].BtnStr[1], QStringLiteral("Connect.png"));
    EXPECT_EQ(gPanelBtn[1].BtnStr[2], QStringLiteral("Connect_Down.png"));
    EXPECT_EQ(gPanelBtn[1].BtnStr[7], QStringLiteral("Connect"));
    EXPECT_EQ(gPanelBtn[1].BtnStr[4], QString());
    EXPECT_TRUE(gPanelBtn[1].EnableGray);
    EXPECT_FALSE(gPanelBtn[0].EnableGray);
    EXPECT_EQ(gPanelBtn[3].BtnStr[7], QString());  // a tip of 0 reads as empty
    for (int row : {2, 4, 40}) {  // rows without a name: empty name and nine empty cells
        EXPECT_EQ(gPanelBtn[row].BtnName, QString());
        EXPECT_EQ(gPanelBtn[row].BtnStr, (std::array<QString, 9>{}));
    }
    folder.write(QStringLiteral("lang/english_2.ini"), panelTable("[Connect]\nEnableGray=maybe\n"));
    EXPECT_TRUE(LoadLang2Ini());  // the first [Connect] key counts; the repeat is ignored
    folder.write(QStringLiteral("lang/english_2.ini"),
                 QByteArray(panelTable()).replace("EnableGray=True", "EnableGray=maybe"));
    EXPECT_FALSE(LoadLang2Ini());

    folder.write(
        QStringLiteral("lang/ENGLISH_3.INI"),
        "[BtnName]\n1=Max\n10=Audio\n[BtnStr]\n1=Normal\n7=Hint\n"
        "[Max]\nNormal=Max.png\nHint=Maximize\nHint2=Restore\n[Audio]\nNormal=Audio.png\n");
    ASSERT_TRUE(LoadLang3Ini());
    EXPECT_EQ(gViewBtn[10].BtnStr[1], QStringLiteral("Audio.png"));
    EXPECT_EQ(gMaxTipNormal, QStringLiteral("Maximize"));
    EXPECT_EQ(gMaxTipMaximized, QStringLiteral("Restore"));
    EXPECT_FALSE(gViewBtn[1].EnableGray);

    // [BtnStr] without key 7: every tip is empty, and so is the maximise tip.
    folder.write(QStringLiteral("lang/ENGLISH_3.INI"),
                 "[BtnName]\n1=Max\n[BtnStr]\n1=Normal\n[Max]\nNormal=Max.png\nHint=Maximize\n");
    ASSERT_TRUE(LoadLang3Ini());
    EXPECT_EQ(gMaxTipNormal, QString());
    EXPECT_EQ(gMaxTipMaximized, QString());
}

TEST_F(ResourcesTest, DevicePageTable)
{
    EXPECT_FALSE(LoadCfgPageIni());

    folder.write(QStringLiteral("CfgPage.ini"), "[Device1]\nModel=PT\nPage=pt.htm\n");
    ASSERT_TRUE(LoadCfgPageIni());
    EXPECT_EQ(gDeviceCount, 0);
    EXPECT_EQ(gDevice.size(), 1u);
    EXPECT_EQ(gDefaultPage, QStringLiteral("Content.htm"));

    folder.remove(QStringLiteral("CfgPage.ini"));
    folder.write(
        QStringLiteral("cfgpage.ini"),
        "[General]\nDeviceCount=2\nDefaultPage=Index.htm\n[Device1]\nModel=PT-100\nPage=pt.htm\n"
        "[Device2]\nModel=Dome\n");
    ASSERT_TRUE(LoadCfgPageIni());
    EXPECT_EQ(gDeviceCount, 2);
    ASSERT_EQ(gDevice.size(), 3u);
    EXPECT_EQ(gDevice[1].Model, QStringLiteral("PT-100"));
    EXPECT_EQ(gDevice[1].Page, QStringLiteral("pt.htm"));
    EXPECT_EQ(gDevice[2].Page, QString());
    EXPECT_EQ(gDefaultPage, QStringLiteral("Index.htm"));

    for (const char* bad : {"DeviceCount=-1", "DeviceCount=2147483648", "DeviceCount=two"}) {
        SCOPED_TRACE(bad);
        folder.write(QStringLiteral("cfgpage.ini"), QByteArray("[General]\n") + bad + "\n");
        EXPECT_FALSE(LoadCfgPageIni());
    }
}

// Any count loads. A row without a model matches every camera, so the table
// ends with the first such row: a count beyond the file's sections holds one
// empty row at the end, as the full table would offer first.
TEST_F(ResourcesTest, DevicePageTableOfAnyCountEndsAtTheFirstRowWithoutAModel)
{
    const QByteArray twoModels = "[Device1]\nModel=PT\nPage=pt.htm\n[Device2]\nModel=Dome\n";
    const struct {
        const char* name;
        QByteArray file;
        int count;
        std::vector<DeviceInfo> rows;  // rows 1..count
    } cases[] = {
        {"a million, two models",
         "DeviceCount=1000000\n" + twoModels,
         3,
         {{"PT", "pt.htm"}, {"Dome", ""}, {}}},
        {"the largest count, no section", "DeviceCount=2147483647\n", 1, {{}}},
        {"as many as the models",
         "DeviceCount=2\n" + twoModels,
         2,
         {{"PT", "pt.htm"}, {"Dome", ""}}},
        {"fewer than the models", "DeviceCount=1\n" + twoModels, 1, {{"PT", "pt.htm"}}},
        {"a row without a model ends it",
         "DeviceCount=9\n[Device1]\nPage=any.htm\n[Device2]\nModel=Dome\n",
         1,
         {{"", "any.htm"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write(QStringLiteral("CfgPage.ini"), "[General]\n" + c.file);
        ASSERT_TRUE(LoadCfgPageIni());
        EXPECT_EQ(gDeviceCount, c.count);
        ASSERT_EQ(gDevice.size(), c.rows.size() + 1);
        for (size_t n = 0; n < c.rows.size(); ++n) {
            EXPECT_EQ(gDevice[n + 1].Model, c.rows[n].Model) << n + 1;
            EXPECT_EQ(gDevice[n + 1].Page, c.rows[n].Page) << n + 1;
        }
    }
}

TEST_F(ResourcesTest, FindsResourceFilesWhateverTheirCapitalisation)
{
    gLanguage = QStringLiteral("english");
    EXPECT_EQ(CaptionFilePath(), QString());
    const QString written = folder.write(QStringLiteral("Lang/English.INI"), "[General]\n");
    EXPECT_EQ(CaptionFilePath(), written);
    const QString exact = folder.write(QStringLiteral("lang/english.ini"), "[General]\n");
    EXPECT_EQ(CaptionFilePath(), exact);  // the exact spelling is preferred
    EXPECT_EQ(FindResourceFile(QStringLiteral("lang")), QString());  // a folder is not a file
    EXPECT_EQ(FindResourceFile(QStringLiteral("lang/../lang/english.ini")), QString());
    EXPECT_EQ(ResourceDisplayPath(QStringLiteral("lang/english_2.ini")),
              folder.path() + QStringLiteral("/lang/english_2.ini"));
}

TEST_F(ResourcesTest, SetControlFontAppliesTheLanguageFont)
{
    QLabel label;
    QFont start = label.font();
    start.setUnderline(true);
    start.setItalic(true);
    label.setFont(start);

    // Without a _1.ini: the size becomes 9 (also in the global), the family stays.
    gFontSize = 0;
    SetControlFont(&label);
    EXPECT_FLOAT_EQ(gFontSize, 9.0f);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 9.0);
    EXPECT_EQ(label.font().family(), start.family());
    EXPECT_FALSE(label.font().underline());
    EXPECT_FALSE(label.font().italic());

    gFontName = QStringLiteral("DejaVu Sans");
    gFontSize = 11;
    gFontWeight = 700;
    SetControlFont(&label);
    EXPECT_EQ(label.font().families().value(0), QStringLiteral("DejaVu Sans"));
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 11.0);
    EXPECT_EQ(label.font().weight(), QFont::Bold);

    gFontSize = -3;  // a size no font can have leaves the control's
    SetControlFont(&label);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 11.0);

    // The flag False leaves the font alone.
    gFontName = QStringLiteral("Noto Serif");
    gFontSize = 20;
    label.setFont(start);
    SetControlFont(&label, false);
    EXPECT_EQ(label.font(), start);
}

// The pack the program ships with.
TEST(ShippedResources, EnglishPackLoadsWithTheElementNamesThePanelAndWindowsUse)
{
    FakeUi fake;
    InitGlobalVariable();
    SetAppPath(QStringLiteral(CAM_RESOURCES_DIR));
    ASSERT_TRUE(LoadLanguageIni());
    EXPECT_EQ(gLanguage, QStringLiteral("english"));
    ASSERT_TRUE(LoadLang2Ini());
    ASSERT_TRUE(LoadLang3Ini());
    ASSERT_TRUE(LoadCfgPageIni());
    ASSERT_TRUE(LoadLang1Ini());
    const QString caption = CaptionFilePath();
    SetAppPath({});

    const std::map<int, const char*> fixedPanelRows = {
        {3, "Scan"},    {4, "Combine"},  {6, "MotionRec"}, {7, "ScheduleRec"}, {8, "ManualRec"},
        {9, "Assign"},  {10, "Connect"}, {11, "Erase"},    {12, "ExtInfo"},    {13, "Web"},
        {14, "Motion"}, {15, "Update"},  {16, "Cam1"},     {19, "Cam4"},       {20, "Led1-1"},
        {25, "Led2-3"}, {31, "Led4-3"},  {33, "CamConf"},  {34, "PT-L"},       {35, "PT-R"},
        {36, "PT-U"},   {37, "PT-D"},    {38, "PT-H"},     {39, "PT-S"},
    };
    for (const auto& [row, name] : fixedPanelRows)
        EXPECT_EQ(gPanelBtn[row].BtnName, QString::fromLatin1(name)) << row;
    for (int row = 0; row < kPanelBtnCount; ++row) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(gPanelBtn[row].BtnName.isEmpty());
        EXPECT_FALSE(gPanelBtn[row].BtnStr[1].isEmpty());  // a normal look
        EXPECT_FALSE(gPanelBtn[row].BtnStr[7].isEmpty());  // a tip
    }
    EXPECT_TRUE(gPanelBtn[10].EnableGray);
    EXPECT_FALSE(gPanelBtn[34].BtnStr[0].isEmpty());  // the disabled pan/tilt look

    const char* viewRows[] = {"Min",   "Max",      "Close",  "OnTop", "WakeUp", "ColorCtl",
                              "Event", "Snapshot", "Rotate", "Zoom",  "Audio"};
    for (int row = 0; row < kViewBtnCount; ++row)
        EXPECT_EQ(gViewBtn[row].BtnName, QString::fromLatin1(viewRows[row]));
    EXPECT_FALSE(gViewBtn[10].BtnStr[6].isEmpty());  // sound not available
    EXPECT_EQ(gMaxTipNormal, QStringLiteral("Maximize"));
    EXPECT_EQ(gMaxTipMaximized, QStringLiteral("Restore"));

    EXPECT_EQ(gDeviceCount, 0);
    EXPECT_EQ(gDefaultPage, QStringLiteral("Content.htm"));
    EXPECT_EQ(gFontName, QStringLiteral("DejaVu Sans"));
    EXPECT_GT(gUIWidth, 0);
    EXPECT_GT(gUIHeight, 0);
    EXPECT_TRUE(gIntervalEnabled);

    // The caption file carries the texts the engine and the panel read.
    ASSERT_FALSE(caption.isEmpty());
    SettingsFile captions;
    captions.FileName(caption);
    ASSERT_TRUE(captions.Load());
    EXPECT_EQ(captions.GetValue(u"General", u"AppTitle"), QStringLiteral("Corvex SE"));
    EXPECT_EQ(captions.GetValue(u"frmController", u"strModel"), QStringLiteral("Model: "));
    EXPECT_EQ(captions.GetValue(u"frmController", u"strEmpty"), QStringLiteral("EMPTY"));
    for (int n = 1; n <= 17; ++n)
        EXPECT_FALSE(captions.GetValue(u"frmMain", QStringLiteral("Event%1").arg(n))
                         .value_or(QString())
                         .isEmpty())
            << n;
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(captions.GetValue(u"frmController", QStringLiteral("Message%1").arg(n))
                         .value_or(QString())
                         .isEmpty());
    for (const char* key : {"About", "Help", "FitWindow"})
        EXPECT_TRUE(captions.GetValue(u"PopupMenu", QString::fromLatin1(key)).has_value()) << key;
}

// Every shipped language names a help page that ships with it.
TEST(ShippedResources, EachLanguageNamesAReadableHelpPage)
{
    FakeUi fake;
    const QDir lang(QStringLiteral(CAM_RESOURCES_DIR "/lang"));
    const QStringList fontFiles = lang.entryList({QStringLiteral("*_1.ini")}, QDir::Files);
    ASSERT_FALSE(fontFiles.isEmpty());
    for (const QString& fontFile : fontFiles) {
        SCOPED_TRACE(fontFile.toStdString());
        InitGlobalVariable();
        SetAppPath(QStringLiteral(CAM_RESOURCES_DIR));
        gLanguage = fontFile.chopped(6);  // "<tag>_1.ini"
        ASSERT_TRUE(LoadLang1Ini());
        ASSERT_FALSE(gHelpFileName.isEmpty());
        const QString path = FindResourceFile(QStringLiteral("Help/") + gHelpFileName);
        SetAppPath({});
        ASSERT_FALSE(path.isEmpty()) << gHelpFileName.toStdString() << " is not in Help/";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString page = utf8.decode(data);
        EXPECT_FALSE(utf8.hasError());
        EXPECT_TRUE(page.startsWith(u"<!DOCTYPE html>"));
        EXPECT_TRUE(page.contains(u"<title>"));
        EXPECT_TRUE(page.trimmed().endsWith(u"</html>"));
    }
    gLanguage.clear();
}
