// The engine's caption load: which key lands in which language table, and
// what a missing, partial or unreadable caption file leaves behind.
#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "support/fake_ui.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LanguageCaptionsTest : public ::testing::Test {
protected:
    LanguageCaptionsTest()
    {
        SetAppPath(dir.path());
        SetDataPath(dir.path());
        InitGlobalVariable();
        gAppTitle = kBuiltInTitle;
        gLangEvent.fill(QString());
        gLangCtrlMsg.fill(QString());
        gLangMainMsg.fill(QString());
        gLanguage = QStringLiteral("english");
        QDir(dir.path()).mkdir(QStringLiteral("lang"));
    }
    ~LanguageCaptionsTest() override
    {
        gAppTitle = kBuiltInTitle;
        gLblEmpty = QStringLiteral("EMPTY");
        gLangEvent.fill(QString());
        gLanguage.clear();
        SetAppPath({});
        SetDataPath({});
    }
    void Write(const QByteArray& text, const QString& name = QStringLiteral("lang/english.ini"))
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    FakeUi fake;
    QTemporaryDir dir;
};

TEST_F(LanguageCaptionsTest, EveryKeyLandsInItsTable)
{
    Write("[General]\r\nCam1ID=x\r\nAppTitle=Camera Client\r\n"
          "[frmClient]\r\nsklBrightness=Bright\r\nsklContrast=Contr\r\nsklHue=Hue\r\nstrRec=REC\r\n"
          "Message1=Snap failed\r\nMessage2=No audio\r\n"
          "[frmCombineWindow]\r\nCaption=All cameras\r\n[frmScan]\r\nCaption=Tour\r\n"
          "[frmWeb]\r\nCaption=Web\r\n"
          "[frmController]\r\nstrModel=Model\r\nstrHWVER=HW\r\nstrFWVER=FW\r\nstrROMVER=ROM\r\n"
          "strMACADDR=MAC\r\nstrIPADDR=IP\r\nstrName=Name\r\nstrOffLine=Offline\r\n"
          "strOnLine=Online\r\nstrManualRec=Manual\r\nstrScheduleRec=Schedule\r\n"
          "strMotionRec=Motion\r\nstrEmpty=(empty)\r\nMessage1=m1\r\nMessage2=m2\r\n"
          "Message3=m3\r\nMessage4=m4\r\nMessage5=m5\r\n"
          "[PopupMenu]\r\nAbout=About\r\nHelp=Help\r\nFitWindow=Fit\r\n"
          "[frmMain]\r\nMessage1=a\r\nMessage2=b\r\nMessage3=c\r\nEvent1=Started\r\n"
          "Event17=Stalled\r\nstrLogNotWritten=Log %1 fails at %2\r\n"
          "strSettingsNotSaved=Settings not saved to %1: %2\r\n");

    ASSERT_TRUE(frmMain::LoadLanguage());

    const std::pair<const QString*, const char*> table[] = {
        {&gAppTitle, "Camera Client"},
        {&gLangClientSkl[0], "Bright"},
        {&gLangClientSkl[1], "Contr"},
        {&gLangClientSkl[2], "Hue"},
        {&gLangCombineCaption, "All cameras"},
        {&gLangScanCaption, "Tour"},
        {&gLangWebCaption, "Web"},
        {&gLangModel, "Model"},
        {&gLangHWVER, "HW"},
        {&gLangFWVER, "FW"},
        {&gLangROMVER, "ROM"},
        {&gLangMACADDR, "MAC"},
        {&gLangIPADDR, "IP"},
        {&gLangName, "Name"},
        {&gLangOffLine, "Offline"},
        {&gLangOnLine, "Online"},
        {&gLangRec[0], "REC"},
        {&gLangRec[1], "Manual"},
        {&gLangRec[2], "Schedule"},
        {&gLangRec[3], "Motion"},
        {&gLangClientMsg[0], "Snap failed"},
        {&gLangClientMsg[1], "No audio"},
        {&gLangPopup[0], "About"},
        {&gLangPopup[1], "Help"},
        {&gLangPopup[2], "Fit"},
        {&gLblEmpty, "(empty)"},
        {&gLangCtrlMsg[0], "m1"},
        {&gLangCtrlMsg[1], "m2"},
        {&gLangCtrlMsg[4], "m5"},
        {&gLangMainMsg[0], "a"},
        {&gLangMainMsg[2], "c"},
        {&gLangEvent[0], "Started"},
        {&gLangEvent[16], "Stalled"},
        {&gLangEvent[1], ""},
        {&gLangLogNotWritten, "Log %1 fails at %2"},
        {&gLangSettingsNotSaved, "Settings not saved to %1: %2"},
    };
    for (const auto& [global, expected] : table)
        EXPECT_EQ(*global, QString::fromUtf8(expected)) << expected;
}

TEST_F(LanguageCaptionsTest, AMissingFileChangesNothing)
{
    gLangEvent[0] = QStringLiteral("kept");
    EXPECT_FALSE(frmMain::LoadLanguage());
    EXPECT_EQ(gAppTitle, kBuiltInTitle);
    EXPECT_EQ(gLblEmpty, QStringLiteral("EMPTY"));
    EXPECT_EQ(gLangEvent[0], QStringLiteral("kept"));
}

TEST_F(LanguageCaptionsTest, MissingKeysGiveEmptyTextsAndZeroMessagesAreNoText)
{
    Write("[frmController]\nMessage1=0\nMessage2=0.0\nMessage3=Disk full\n"
          "[frmMain]\nMessage1=0\nEvent1=0\nEvent2=\nEvent18=Extra\n");

    ASSERT_TRUE(frmMain::LoadLanguage());

    EXPECT_EQ(gAppTitle, QString());  // no AppTitle key: an empty title
    EXPECT_EQ(gLblEmpty, QString());  // no strEmpty key: an empty label
    EXPECT_EQ(gLangCtrlMsg[0], QString());
    EXPECT_EQ(gLangCtrlMsg[1], QString());
    EXPECT_EQ(gLangCtrlMsg[2], QStringLiteral("Disk full"));
    EXPECT_EQ(gLangMainMsg[0], QString());
    EXPECT_EQ(gLangEvent[0], QStringLiteral("0"));  // event texts are taken as they stand
    EXPECT_EQ(gLangEvent[1], QString());
    EXPECT_EQ(gLangEvent[17], QString());  // only 17 event texts are read
}

TEST_F(LanguageCaptionsTest, AFileThatIsNotUtf8IsRefusedWithoutHarm)
{
    Write("[General]\r\nAppTitle=Cam\xe9ra\r\n[frmController]\r\nstrEmpty=\xff\xfe\r\n");
    EXPECT_FALSE(frmMain::LoadLanguage());
    EXPECT_EQ(gAppTitle, kBuiltInTitle);
    EXPECT_EQ(gLblEmpty, QStringLiteral("EMPTY"));
}

TEST_F(LanguageCaptionsTest, TheFileIsFoundWhateverItsCapitalisation)
{
    QDir(dir.path()).rmdir(QStringLiteral("lang"));
    QDir(dir.path()).mkdir(QStringLiteral("Lang"));
    Write("[General]\nAppTitle=Found\n", QStringLiteral("Lang/English.INI"));
    ASSERT_TRUE(frmMain::LoadLanguage());
    EXPECT_EQ(gAppTitle, QStringLiteral("Found"));
}

}  // namespace

// The shipped pack's event texts read as sentences in the event list and the
// log files, never as bare status numbers.
TEST_F(LanguageCaptionsTest, TheShippedEventTextsAreSentences)
{
    QFile shipped(QStringLiteral(CAM_RESOURCES_DIR "/lang/english.ini"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    Write(shipped.readAll());
    ASSERT_TRUE(frmMain::LoadLanguage());
    const QRegularExpression statusNumber(QStringLiteral("\\bstatus\\s*\\d"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (int k = 0; k <= kEventStreamStalled; ++k) {
        const QString& text = gLangEvent[static_cast<size_t>(k)];
        SCOPED_TRACE("Event" + std::to_string(k + 1) + "=" + text.toStdString());
        ASSERT_GE(text.size(), 8);
        EXPECT_TRUE(text.front().isUpper());
        EXPECT_TRUE(text.endsWith(QLatin1Char('.')));
        EXPECT_FALSE(statusNumber.match(text).hasMatch());
    }
    // Each event has its own text.
    QStringList all(gLangEvent.begin(), gLangEvent.begin() + kEventStreamStalled + 1);
    all.removeDuplicates();
    EXPECT_EQ(all.size(), kEventStreamStalled + 1);
    // The warnings keep both of their places.
    for (const QString* warning : {&gLangLogNotWritten, &gLangSettingsNotSaved}) {
        EXPECT_TRUE(warning->contains(u"%1") && warning->contains(u"%2")) << warning->toStdString();
    }
}
