#include "app/startup.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "support/fake_ui.h"
#include "support/temp_program.h"

#include <QLockFile>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gEvents;

// Stand-ins for the engine and the panel: they record when they load and what
// the start-up had prepared by then.
class RecordingEngine : public QObject, public WindowLifecycle {
public:
    void Form_Load() override
    {
        gEvents.push_back("engine load, current camera " + std::to_string(gCurCam)
                          + (gCam[2].Assign ? ", slot 2 assigned" : ""));
    }
};

class RecordingPanel : public QWidget, public WindowLifecycle {
public:
    void Form_Load() override
    {
        gEvents.push_back(std::string("panel load") + (isVisible() ? " visible" : " hidden"));
    }
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EXPECT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
        windows().Reset();
        windows().Register(QStringLiteral("frmMain"), [] { return new RecordingEngine; });
        windows().Register(QStringLiteral("frmController"), [] { return new RecordingPanel; });
        gEvents.clear();
    }
    void TearDown() override
    {
        windows().Reset();
        ReleaseInstanceLock();
    }

    QString at(const char* relative) const { return folder.file(QString::fromLatin1(relative)); }

    FakeUi fake;
    TempProgramFolder folder;
};

const QByteArray kGoodMainIni =
    "[Cam2]\nAssign=True\nIPAddress=127.0.0.2\n[General]\nStorageCount=1\n"
    "Storage1Path=/srv/rec\nStorage1Checked=True\n";

}  // namespace

TEST_F(StartupTest, ReachesThePanelWithTheShippedPack)
{
    folder.write(QStringLiteral("main.ini"), kGoodMainIni);
    gCurCam = 3;

    ASSERT_EQ(Main(), StartupResult::Running);
    EXPECT_TRUE(fake.messages.empty());
    // Settings and the language pack are in place before the engine loads; the
    // panel loads hidden and is then shown.
    EXPECT_EQ(gEvents, (std::vector<std::string>{"engine load, current camera 1, slot 2 assigned",
                                                 "panel load hidden"}));
    auto* panel = windows().IfLoaded<QWidget>(QStringLiteral("frmController"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(gLanguage, QStringLiteral("english"));
    EXPECT_EQ(gPanelBtn[10].BtnName, QStringLiteral("Connect"));
    EXPECT_EQ(gStorage[0].Path, QStringLiteral("/srv/rec"));
    EXPECT_TRUE(gIntervalEnabled);
    EXPECT_EQ(folder.read(QStringLiteral("main.ini")), kGoodMainIni);
}

// Numbers that convert start the program as written, and start-up leaves the
// file as it found it.
TEST_F(StartupTest, OddButConvertingSettingsStartTheProgram)
{
    const QByteArray ini = "[Cam4]\nRotateAngle=45\n[General]\nReserveSpace=-1\nScanDelay=100000\n"
                           "PlayerMode=2\n";
    folder.write(QStringLiteral("main.ini"), ini);
    ASSERT_EQ(Main(), StartupResult::Running);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(gCam[4].RotateAngle, 45);
    EXPECT_EQ(gReserveSpace, -1);
    EXPECT_EQ(gScanDelay, 100000);
    EXPECT_EQ(gPlayerMode, 2);
    EXPECT_EQ(folder.read(QStringLiteral("main.ini")), ini);
}

// Numbers of the language pack and the device table that convert start the
// program as written, however large.
TEST_F(StartupTest, PackNumbersAsWrittenStartTheProgram)
{
    folder.write(QStringLiteral("lang/english_1.ini"), "[General]\nUIWidth=99999\nUIHeight=-5\n");
    folder.write(QStringLiteral("CfgPage.ini"), "[General]\nDeviceCount=2000000000\n");
    ASSERT_EQ(Main(), StartupResult::Running);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(gUIWidth, 99999);
    EXPECT_EQ(gUIHeight, -5);
    EXPECT_EQ(gDeviceCount, 1);  // the one row without a model matches every camera
}

TEST_F(StartupTest, MissingMainIniAndFontFileKeepTheDefaults)
{
    folder.remove(QStringLiteral("lang/english_1.ini"));
    ASSERT_EQ(Main(), StartupResult::Running);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_FALSE(gCam[1].Assign);
    EXPECT_EQ(gCam[1].Port, 8481);
    EXPECT_EQ(gStorageCount, 1);
    EXPECT_EQ(gStorage[0].Path, folder.path());
    EXPECT_FALSE(gIntervalEnabled);  // stays off without the font and panel file
    EXPECT_EQ(gUIWidth, 0);
    EXPECT_FALSE(
        folder.exists(QStringLiteral("main.ini")));  // written first when settings are saved
}

TEST_F(StartupTest, SelectorWithoutLanguageMeansEnglish)
{
    folder.write(QStringLiteral("lang/Language.ini"), "[General]\n");
    EXPECT_EQ(Main(), StartupResult::Running);
    EXPECT_EQ(gLanguage, QStringLiteral("english"));
}

TEST_F(StartupTest, EachMissingOrBrokenFileEndsStartUpWithItsMessage)
{
    struct Case {
        const char* name;
        std::function<void(const TempProgramFolder&)> spoil;
        const char* message;  // after "<program folder>/"
    };
    const auto remove = [](const char* relative) {
        return [relative](const TempProgramFolder& f) { f.remove(QString::fromLatin1(relative)); };
    };
    const auto write = [](const char* relative, QByteArray data) {
        return [relative, data](const TempProgramFolder& f) {
            f.write(QString::fromLatin1(relative), data);
        };
    };
    const Case cases[] = {
        {"no language selector", remove("lang/Language.ini"), "lang/Language.ini is not exist !!"},
        {"broken language selector", write("lang/Language.ini", QByteArray("\xff\xfe", 2)),
         "lang/Language.ini is not exist !!"},
        {"no panel table", remove("lang/english_2.ini"), "lang/english_2.ini is not exist !!"},
        {"panel table with a bad flag",
         write("lang/english_2.ini", "[BtnName]\n0=Min\n[Min]\nEnableGray=maybe\n"),
         "lang/english_2.ini is not exist !!"},
        {"no panel table and no device table: the first failure only",
         [](const TempProgramFolder& f) {
             f.remove(QStringLiteral("lang/english_2.ini"));
             f.remove(QStringLiteral("CfgPage.ini"));
         },
         "lang/english_2.ini is not exist !!"},
        {"tag without its files", write("lang/Language.ini", "[General]\nLanguage=deutsch\n"),
         "lang/deutsch_2.ini is not exist !!"},
        {"empty tag without its files", write("lang/Language.ini", "[General]\nLanguage=\n"),
         "lang/_2.ini is not exist !!"},
        {"tag leading out of the pack",
         write("lang/Language.ini", "[General]\nLanguage=../lang/english\n"),
         "lang/Language.ini: [General] Language = \"../lang/english\" is not a language name (it "
         "may not hold / or \\, nor be . or ..)"},
        {"no window table", remove("lang/english_3.ini"), "lang/english_3.ini is not exist !!"},
        {"no device table", remove("CfgPage.ini"), "cfgpage.ini is not exist !!"},
        {"negative device count", write("CfgPage.ini", "[General]\nDeviceCount=-2\n"),
         "cfgpage.ini is not exist !!"},
        {"main.ini with text in a number", write("main.ini", "[Cam2]\nPort=80a\n"),
         "main.ini: [Cam2] Port = \"80a\" is not a number"},
        {"main.ini with seventeen storages", write("main.ini", "[General]\nStorageCount=17\n"),
         "main.ini: [General] StorageCount = 17 is more than 16 storages"},
        {"main.ini of binary garbage", write("main.ini", QByteArray("\x00\x01\xff\x7f", 4)),
         "main.ini: cannot be read (not a text file (NUL byte))"},
        {"main.ini that is a folder",
         [](const TempProgramFolder& f) { QDir().mkpath(f.file("main.ini")); },
         "main.ini: cannot be read (not a file)"},
        {"font file with a bad number", write("lang/english_1.ini", "[General]\nFontSize=large\n"),
         "lang/english_1.ini is not exist !!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        TempProgramFolder own;
        EXPECT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), own.path()));
        if (!QString::fromLatin1(c.name).startsWith(u"main.ini"))
            own.write(QStringLiteral("main.ini"),
                      kGoodMainIni);  // a good main.ini must survive too
        c.spoil(own);
        const QByteArray mainBefore = own.read(QStringLiteral("main.ini"));
        windows().Register(QStringLiteral("frmMain"), [] { return new RecordingEngine; });
        windows().Register(QStringLiteral("frmController"), [] { return new RecordingPanel; });
        gEvents.clear();
        fake.messages.clear();

        EXPECT_EQ(Main(), StartupResult::Failed);
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].text,
                  own.path() + QLatin1Char('/') + QString::fromLatin1(c.message));
        EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
        EXPECT_EQ(fake.messages[0].icon, MsgIcon::None);
        EXPECT_EQ(fake.messages[0].title, QStringLiteral("Corvex SE"));
        EXPECT_TRUE(gEvents.empty());  // no window was made
        EXPECT_TRUE(windows().LoadedNames().empty());
        EXPECT_EQ(own.read(QStringLiteral("main.ini")), mainBefore);
        QLockFile again(InstanceLockPath());
        EXPECT_TRUE(again.tryLock(0));  // an ended start-up holds no lock
    }
}

TEST_F(StartupTest, SecondInstanceEndsSilentlyAndTouchesNothing)
{
    folder.write(QStringLiteral("main.ini"), kGoodMainIni);
    ASSERT_EQ(Main(), StartupResult::Running);
    QWidget* panel = windows().Get<QWidget>(QStringLiteral("frmController"));
    gCurCam = 4;
    gCam[2].IPAddress = QStringLiteral("changed in this run");
    gEvents.clear();

    EXPECT_EQ(Main(), StartupResult::AlreadyRunning);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(gEvents.empty());
    EXPECT_EQ(gCurCam, 4);  // the globals were not reset, no file was read
    EXPECT_EQ(gCam[2].IPAddress, QStringLiteral("changed in this run"));
    EXPECT_EQ(windows().IfLoaded(QStringLiteral("frmController")), panel);
    EXPECT_TRUE(panel->isVisible());

    // Another process holding the lock counts the same.
    windows().Reset();
    ReleaseInstanceLock();
    QLockFile other(InstanceLockPath());
    ASSERT_TRUE(other.tryLock(0));
    EXPECT_EQ(Main(), StartupResult::AlreadyRunning);
    other.unlock();
    windows().Register(QStringLiteral("frmMain"), [] { return new RecordingEngine; });
    windows().Register(QStringLiteral("frmController"), [] { return new RecordingPanel; });
    EXPECT_EQ(Main(), StartupResult::Running);
}
