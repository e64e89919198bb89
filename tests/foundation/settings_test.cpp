#include "foundation/globals.h"
#include "foundation/settings.h"
#include "platform/settings_file.h"
#include "support/fake_ui.h"
#include "support/temp_program.h"

#include <QDir>
#include <QLocale>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/stat.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { InitGlobalVariable(); }

    // Every saved field with a value that differs from its start value.
    static void fillEverything()
    {
        for (int n = 1; n <= kSlotCount; ++n) {
            CamInfo& c = gCam[n];
            const QString tag = QString::number(n);
            c.Enable = true;
            c.Assign = true;
            c.UserName = QStringLiteral("user") + tag;
            c.Password = QStringLiteral("0");  // a password that reads like a zero
            c.IPAddress = QStringLiteral("127.0.0.") + tag;
            c.MacAddress = QStringLiteral("0.16.32.10.11.") + tag;
            c.Protocol = n;
            c.IsLocalCamera = false;
            c.Port = 8000 + n;
            c.FWVersion = QStringLiteral("fw ") + tag;
            c.HWVersion = QStringLiteral("hw ") + tag;
            c.ROMVersion = QStringLiteral("rom ") + tag;
            c.ServerName = QStringLiteral("  Gate ") + tag;  // surrounding blanks survive
            c.ServerLocation = QStringLiteral("Süd = \"yard\"");
            c.ServerModel = QStringLiteral("PT-") + tag;
            c.RotateAngle = 90 * (n - 1);
            c.RecordMode = 2;
            c.ScheduleCount = 5;
            c.PT = true;
            for (int j = 1; j <= kScheduleCount; ++j) {
                ScheduleInfo& e = c.Schedule[j];
                e.CHECK = true;
                e.MODE = j % 2;
                e.WeekOption = 62;
                e.DateStart = QStringLiteral("2026-01-0") + QString::number(j);
                e.DateStop = QStringLiteral("2026-02-0") + QString::number(j);
                e.TimeStart = QStringLiteral("08:0") + QString::number(j);
                e.TimeStop = QStringLiteral("17:3") + QString::number(j);
            }
            c.MailTo = QStringLiteral("to@example.org");
            c.MailFrom = QStringLiteral("cam@example.org");
            c.MailServer = QStringLiteral("mail.example.org");
            c.MailSubject = QStringLiteral("Motion on ") + tag;
            c.MailUserName = QStringLiteral("mailer");
            c.MailPassword = QStringLiteral("p;w#d");
            c.MailIntervalTime = 30 + n;
            c.Sensitivity = 7;
            c.Alarm = 1;
            c.SendEmail = 1;
            c.Trig1 = 3;
            c.Trig2 = 4;
        }
        gBypassProxyServer = true;
        gEnableProxy = true;
        gProxyServerAddress = QStringLiteral("proxy.local");
        gProxyServerPort = 3128;
        gReserveSpace = 3;
        gSplitFileMode = 1;
        gFileSize = 4;
        gFileTimeLimited = 5;
        gStorageCount = 16;
        for (int k = 0; k < kMaxStorages; ++k)
            gStorage[k] = StorageInfo{QStringLiteral("/srv/rec%1").arg(k), k % 3 == 0};
        gActiveStorage = 4;
        gUseRecycleFlag = 1;
        gRecycleMode = 1;
        gRecycleSpaceValue = 6;
        gRecycleTime = 7;
        gScanDelay = 8;
        gPlayerMode = 1;
        gPlayerPath = QStringLiteral("/usr/bin/mpv");
    }

    FakeUi fake;
    TempProgramFolder folder;
};

void expectSameCam(const CamInfo& a, const CamInfo& b)
{
    EXPECT_EQ(a.Enable, b.Enable);
    EXPECT_EQ(a.Assign, b.Assign);
    EXPECT_EQ(a.UserName, b.UserName);
    EXPECT_EQ(a.Password, b.Password);
    EXPECT_EQ(a.IPAddress, b.IPAddress);
    EXPECT_EQ(a.MacAddress, b.MacAddress);
    EXPECT_EQ(a.Protocol, b.Protocol);
    EXPECT_EQ(a.IsLocalCamera, b.IsLocalCamera);
    EXPECT_EQ(a.Port, b.Port);
    EXPECT_EQ(a.FWVersion, b.FWVersion);
    EXPECT_EQ(a.HWVersion, b.HWVersion);
    EXPECT_EQ(a.ROMVersion, b.ROMVersion);
    EXPECT_EQ(a.ServerName, b.ServerName);
    EXPECT_EQ(a.ServerLocation, b.ServerLocation);
    EXPECT_EQ(a.ServerModel, b.ServerModel);
    EXPECT_EQ(a.RotateAngle, b.RotateAngle);
    EXPECT_EQ(a.RecordMode, b.RecordMode);
    EXPECT_EQ(a.ScheduleCount, b.ScheduleCount);
    EXPECT_EQ(a.PT, b.PT);
    for (int j = 1; j <= kScheduleCount; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(a.Schedule[j].CHECK, b.Schedule[j].CHECK);
        EXPECT_EQ(a.Schedule[j].MODE, b.Schedule[j].MODE);
        EXPECT_EQ(a.Schedule[j].WeekOption, b.Schedule[j].WeekOption);
        EXPECT_EQ(a.Schedule[j].DateStart, b.Schedule[j].DateStart);
        EXPECT_EQ(a.Schedule[j].DateStop, b.Schedule[j].DateStop);
        EXPECT_EQ(a.Schedule[j].TimeStart, b.Schedule[j].TimeStart);
        EXPECT_EQ(a.Schedule[j].TimeStop, b.Schedule[j].TimeStop);
    }
    EXPECT_EQ(a.MailTo, b.MailTo);
    EXPECT_EQ(a.MailFrom, b.MailFrom);
    EXPECT_EQ(a.MailServer, b.MailServer);
    EXPECT_EQ(a.MailSubject, b.MailSubject);
    EXPECT_EQ(a.MailUserName, b.MailUserName);
    EXPECT_EQ(a.MailPassword, b.MailPassword);
    EXPECT_EQ(a.MailIntervalTime, b.MailIntervalTime);
    EXPECT_EQ(a.Sensitivity, b.Sensitivity);
    EXPECT_EQ(a.Alarm, b.Alarm);
    EXPECT_EQ(a.SendEmail, b.SendEmail);
    EXPECT_EQ(a.Trig1, b.Trig1);
    EXPECT_EQ(a.Trig2, b.Trig2);
}

}  // namespace

TEST_F(SettingsTest, SaveThenLoadReproducesEveryField)
{
    fillEverything();
    const auto cams = gCam;
    const auto storages = gStorage;
    ASSERT_TRUE(SaveSettings());

    InitGlobalVariable();
    ASSERT_TRUE(LoadSettings());
    for (int n = 1; n <= kSlotCount; ++n) {
        SCOPED_TRACE(n);
        expectSameCam(gCam[n], cams[n]);
    }
    EXPECT_TRUE(gBypassProxyServer);
    EXPECT_TRUE(gEnableProxy);
    EXPECT_EQ(gProxyServerAddress, QStringLiteral("proxy.local"));
    EXPECT_EQ(gProxyServerPort, 3128);
    EXPECT_EQ(gReserveSpace, 3);
    EXPECT_EQ(gSplitFileMode, 1);
    EXPECT_EQ(gFileSize, 4);
    EXPECT_EQ(gFileTimeLimited, 5);
    EXPECT_EQ(gStorageCount, 16);
    for (int k = 0; k < kMaxStorages; ++k) {
        EXPECT_EQ(gStorage[k].Path, storages[k].Path);
        EXPECT_EQ(gStorage[k].Checked, storages[k].Checked);
    }
    EXPECT_EQ(gActiveStorage, 4);
    EXPECT_EQ(gUseRecycleFlag, 1);
    EXPECT_EQ(gRecycleMode, 1);
    EXPECT_EQ(gRecycleSpaceValue, 6);
    EXPECT_EQ(gRecycleTime, 7);
    EXPECT_EQ(gScanDelay, 8);
    EXPECT_EQ(gPlayerMode, 1);
    EXPECT_EQ(gPlayerPath, QStringLiteral("/usr/bin/mpv"));
}

// The exceptions a reload makes on purpose.
TEST_F(SettingsTest, ReloadDropsWhatStartUpMustNotRestore)
{
    struct Case {
        const char* name;
        std::function<void(CamInfo&)> set;
        std::function<void(const CamInfo&)> check;
    };
    const Case cases[] = {
        {"manual recording is not restored", [](CamInfo& c) { c.RecordMode = 1; },
         [](const CamInfo& c) { EXPECT_EQ(c.RecordMode, 0); }},
        {"motion recording is not restored", [](CamInfo& c) { c.RecordMode = 3; },
         [](const CamInfo& c) { EXPECT_EQ(c.RecordMode, 0); }},
        {"an unassigned slot is never enabled",
         [](CamInfo& c) {
             c.Assign = false;
             c.Enable = true;
         },
         [](const CamInfo& c) { EXPECT_FALSE(c.Enable); }},
        {"sensitivity 0 reads as absent", [](CamInfo& c) { c.Sensitivity = 0; },
         [](const CamInfo& c) { EXPECT_EQ(c.Sensitivity, 5); }},
        {"port 0 reads as absent", [](CamInfo& c) { c.Port = 0; },
         [](const CamInfo& c) { EXPECT_EQ(c.Port, 8481); }},
        {"a mail interval of 0 stays 0", [](CamInfo& c) { c.MailIntervalTime = 0; },
         [](const CamInfo& c) { EXPECT_EQ(c.MailIntervalTime, 0); }},
        {"IsLocalCamera False stays False", [](CamInfo& c) { c.IsLocalCamera = false; },
         [](const CamInfo& c) { EXPECT_FALSE(c.IsLocalCamera); }},
        {"an empty MAC text stays empty", [](CamInfo& c) { c.MacAddress.clear(); },
         [](const CamInfo& c) { EXPECT_EQ(c.MacAddress, QString()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitGlobalVariable();
        gCam[2].Assign = true;
        c.set(gCam[2]);
        ASSERT_TRUE(SaveSettings());
        InitGlobalVariable();
        ASSERT_TRUE(LoadSettings());
        c.check(gCam[2]);
    }
}

TEST_F(SettingsTest, FileIsOwnerOnlyTextInTheDataFolderInWriteOrder)
{
    const QString data = folder.file(QStringLiteral("data"));
    SetDataPath(data);
    gStorageCount = 2;
    gStorage[1] = StorageInfo{QStringLiteral("/mnt/usb"), false};
    ASSERT_TRUE(SaveSettings());
    ASSERT_EQ(MainIniPath(), data + QStringLiteral("/main.ini"));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(MainIniPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    SettingsFile file;
    file.FileName(MainIniPath());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.Sections(), QStringList({"Cam1", "Cam2", "Cam3", "Cam4", "General"}));
    QStringList camKeys = {"Enable",     "Assign",         "UserName",    "Password",
                           "IPAddress",  "MacAddress",     "Protocol",    "IsLocalCamera",
                           "Port",       "FWVersion",      "HWVersion",   "ROMVersion",
                           "ServerName", "ServerLocation", "ServerModel", "RotateAngle",
                           "RecordMode", "ScheduleCount",  "PT"};
    for (int j = 1; j <= 5; ++j)
        for (const char* f :
             {"CHECK", "MODE", "WeekOption", "DateStart", "DateStop", "TimeStart", "TimeStop"})
            camKeys << QStringLiteral("SCHEDULE%1_%2").arg(j).arg(QLatin1String(f));
    camKeys << QStringList{"MailTo",           "MailFrom",     "MailServer",
                           "MailSubject",      "MailUserName", "MailPassword",
                           "MailIntervalTime", "Sensitivity",  "Alarm",
                           "SendEmail",        "Trig1",        "Trig2"};
    EXPECT_EQ(file.Keys(u"Cam3"), camKeys);
    EXPECT_EQ(
        file.Keys(u"General"),
        QStringList({"BypassProxyServer", "EnableProxy",   "ProxyServerAddress", "ProxyServerPort",
                     "ReserveSpace",      "SplitFileMode", "FileSize",           "FileTimeLimited",
                     "StorageCount",      "Storage1Path",  "Storage1Checked",    "Storage2Path",
                     "Storage2Checked",   "ActiveStorage", "UseRecycleFlag",     "RecycleMode",
                     "RecycleSpaceValue", "RecycleTime",   "ScanDelay",          "PlayerMode",
                     "PlayerPath"}));
    // Flags are words, so False never reads as the number 0.
    EXPECT_EQ(file.GetValue(u"Cam1", u"IsLocalCamera"), QStringLiteral("True"));
    EXPECT_EQ(file.GetValue(u"General", u"Storage2Checked"), QStringLiteral("False"));
}

TEST_F(SettingsTest, MissingKeysTakeTheirFallbacks)
{
    const struct {
        const char* name;
        QByteArray ini;
        std::function<void()> check;
    } cases[] = {
        {"no file: nothing changes",
         {},
         [] {
             EXPECT_TRUE(gBypassProxyServer);
             EXPECT_EQ(gCam[1].Port, 8481);
         }},
        {"no BypassProxyServer reads False", "[General]\nEnableProxy=True\n",
         [] {
             EXPECT_FALSE(gBypassProxyServer);
             EXPECT_TRUE(gEnableProxy);
         }},
        {"no IsLocalCamera keeps True", "[Cam1]\nAssign=True\n",
         [] {
             EXPECT_TRUE(gCam[1].IsLocalCamera);
             EXPECT_TRUE(gCam[1].Assign);
         }},
        {"Assign False with Enable True is not enabled", "[Cam2]\nAssign=False\nEnable=True\n",
         [] { EXPECT_FALSE(gCam[2].Enable); }},
        {"no StorageCount: one storage, the data folder, checked",
         "[General]\nStorage1Path=/srv\nStorage1Checked=False\nStorage2Path=/mnt\n",
         [] {
             EXPECT_EQ(gStorageCount, 1);
             EXPECT_EQ(gStorage[0].Path, DataPath());
             EXPECT_TRUE(gStorage[0].Checked);
             EXPECT_EQ(gStorage[1].Path, QString());
         }},
        {"only StorageCount entries are read",
         "[General]\nStorageCount=2\nStorage1Path=/a\nStorage1Checked=True\n"
         "Storage2Path=/b\nStorage3Path=/c\nStorage3Checked=True\n",
         [] {
             EXPECT_EQ(gStorageCount, 2);
             EXPECT_EQ(gStorage[1].Path, QStringLiteral("/b"));
             EXPECT_FALSE(gStorage[1].Checked);  // absent Checked reads False
             EXPECT_EQ(gStorage[2].Path, QString());
         }},
        {"schedule mode and texts fall back to weekly and empty", "[Cam1]\nScheduleCount=1\n",
         [] {
             EXPECT_EQ(gCam[1].Schedule[1].MODE, 0);
             EXPECT_EQ(gCam[1].Schedule[1].TimeStart, QString());
         }},
        {"empty numbers are absent", "[Cam1]\nPort=\nProtocol=\n[General]\nProxyServerPort=\n",
         [] {
             EXPECT_EQ(gCam[1].Port, 8481);
             EXPECT_EQ(gProxyServerPort, 8080);
         }},
        {"names ignore case and values are trimmed", "[cam1]\nport =  9000 \nassign=TRUE\n",
         [] {
             EXPECT_EQ(gCam[1].Port, 9000);
             EXPECT_TRUE(gCam[1].Assign);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitGlobalVariable();
        folder.remove(QStringLiteral("main.ini"));
        if (!c.ini.isEmpty())
            folder.write(QStringLiteral("main.ini"), c.ini);
        EXPECT_TRUE(LoadSettings());
        c.check();
    }
}

TEST_F(SettingsTest, MalformedFileFailsNamingTheKeyAndIsLeftAlone)
{
    const struct {
        const char* name;
        QByteArray ini;
        const char* message;  // after "<folder>/main.ini: "
    } cases[] = {
        {"text in a number", "[Cam2]\nPort=80a\n", "[Cam2] Port = \"80a\" is not a number"},
        {"text in a flag", "[General]\nEnableProxy=maybe\n",
         "[General] EnableProxy = \"maybe\" is not True, False or a number"},
        {"16-bit overflow", "[General]\nReserveSpace=40000\n",
         "[General] ReserveSpace = \"40000\" is outside -32768..32767"},
        {"32-bit overflow", "[General]\nScanDelay=99999999999\n",
         "[General] ScanDelay = \"99999999999\" is outside -2147483648..2147483647"},
        {"text in a schedule flag", "[Cam4]\nSCHEDULE5_CHECK=yes\n",
         "[Cam4] SCHEDULE5_CHECK = \"yes\" is not True, False or a number"},
        {"seventeen storages", "[General]\nStorageCount=17\n",
         "[General] StorageCount = 17 is more than 16 storages"},
        {"binary garbage", QByteArray("\x7f\x45\x4c\x46\x02\x01\x00\xff\xfe", 9),
         "cannot be read (not a text file (NUL byte))"},
        {"not UTF-8", "[Cam1]\nServerName=\xe9t\xe9\n", "cannot be read (not valid UTF-8)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitGlobalVariable();
        folder.write(QStringLiteral("main.ini"), c.ini);
        QString why;
        EXPECT_FALSE(LoadSettings(&why));
        EXPECT_EQ(why, folder.file(QStringLiteral("main.ini")) + QStringLiteral(": ")
                           + QString::fromUtf8(c.message));
        EXPECT_EQ(folder.read(QStringLiteral("main.ini")), c.ini);
    }

    // Sixteen entries are read before the count is refused.
    InitGlobalVariable();
    QByteArray many = "[General]\nStorageCount=17\n";
    for (int k = 1; k <= 17; ++k)
        many += QStringLiteral("Storage%1Path=/s%1\nStorage%1Checked=True\n").arg(k).toUtf8();
    folder.write(QStringLiteral("main.ini"), many);
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(gStorage[15].Path, QStringLiteral("/s16"));
    EXPECT_EQ(gStorageCount, 1);

    // A main.ini that is not a readable file.
    folder.remove(QStringLiteral("main.ini"));
    QDir().mkpath(folder.file(QStringLiteral("main.ini")));
    QString why;
    EXPECT_FALSE(LoadSettings(&why));
    EXPECT_TRUE(why.startsWith(folder.file(QStringLiteral("main.ini"))
                               + QStringLiteral(": cannot be read")))
        << why.toStdString();
}

// Values that convert load as written, are acted on soundly and are saved back
// unchanged: an operator's hand edit never stops the program.
TEST_F(SettingsTest, OddButConvertingValuesLoadAreUsedSoundlyAndSavedBackUnchanged)
{
    const struct {
        const char* section;
        const char* key;
        const char* text;
        std::function<void()> check;
    } cases[] = {
        {"Cam4", "RotateAngle", "45",
         [] {
             EXPECT_EQ(gCam[4].RotateAngle, 45);
             EXPECT_EQ(QuarterTurn(gCam[4].RotateAngle), 0);
         }},
        {"General", "PlayerMode", "2", [] { EXPECT_EQ(gPlayerMode, 2); }},
        {"General", "ScanDelay", "100000",
         [] {
             EXPECT_EQ(gScanDelay, 100000);
             EXPECT_EQ(ScanStepSeconds(), 100001);
         }},
        {"General", "ScanDelay", "-5",
         [] {
             EXPECT_EQ(gScanDelay, -5);
             EXPECT_EQ(ScanStepSeconds(), 1);
         }},
        {"General", "ScanDelay", "2147483647", [] { EXPECT_EQ(ScanStepSeconds(), 24 * 86'400); }},
        {"General", "ReserveSpace", "-1",
         [] {
             EXPECT_EQ(gReserveSpace, -1);
             EXPECT_EQ(ReserveSpaceMB(), 500);
         }},
        {"General", "FileSize", "32767",
         [] {
             EXPECT_EQ(gFileSize, 32767);
             EXPECT_EQ(SplitFileSizeMB(), 32760);
         }},
        {"General", "FileTimeLimited", "-3", [] { EXPECT_EQ(SplitFileMinutes(), 10); }},
        {"Cam3", "Port", "70000",
         [] {
             EXPECT_EQ(gCam[3].Port, 70000);
             EXPECT_EQ(CameraPort(gCam[3]), 8481);
         }},
        {"Cam2", "Protocol", "9", [] { EXPECT_EQ(gCam[2].Protocol, 9); }},
        {"Cam1", "ScheduleCount", "6", [] { EXPECT_EQ(gCam[1].ScheduleCount, 6); }},
        {"Cam1", "SCHEDULE3_WeekOption", "128",
         [] { EXPECT_EQ(gCam[1].Schedule[3].WeekOption, 128); }},
        {"General", "ActiveStorage", "17", [] { EXPECT_EQ(gActiveStorage, 17); }},
        {"General", "StorageCount", "-1",
         [] {
             EXPECT_EQ(gStorageCount, -1);
             EXPECT_EQ(GetFirstCheckedStorage(), 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        InitGlobalVariable();
        const QByteArray ini =
            QStringLiteral("[%1]\n%2=%3\n")
                .arg(QLatin1String(c.section), QLatin1String(c.key), QLatin1String(c.text))
                .toUtf8();
        folder.write(QStringLiteral("main.ini"), ini);
        QString why;
        ASSERT_TRUE(LoadSettings(&why)) << why.toStdString();
        c.check();

        ASSERT_TRUE(SaveSettings());
        SettingsFile saved;
        saved.FileName(folder.file(QStringLiteral("main.ini")));
        ASSERT_TRUE(saved.Load());
        EXPECT_EQ(saved.GetValue(QString::fromLatin1(c.section), QString::fromLatin1(c.key)),
                  QString::fromLatin1(c.text));
        InitGlobalVariable();
        ASSERT_TRUE(LoadSettings());
        c.check();
    }
}

// Whatever the count holds, at most sixteen storages are written, so that the
// file loads again.
TEST_F(SettingsTest, SaveWritesAtMostSixteenStorages)
{
    for (int k = 0; k < kMaxStorages; ++k)
        gStorage[k] = StorageInfo{QStringLiteral("/s%1").arg(k + 1), true};
    gStorageCount = 40;
    ASSERT_TRUE(SaveSettings());
    const QString text = QString::fromUtf8(folder.read(QStringLiteral("main.ini")));
    EXPECT_TRUE(text.contains(u"StorageCount=16\n"));
    EXPECT_TRUE(text.contains(u"Storage16Path=/s16\n"));
    EXPECT_FALSE(text.contains(u"Storage17"));
    InitGlobalVariable();
    EXPECT_TRUE(LoadSettings());
    EXPECT_EQ(gStorageCount, kMaxStorages);
}

TEST_F(SettingsTest, UnchangedSettingsAreNotWrittenAgainButChangesAndOutsideEditsAre)
{
    const auto inode = [&] {
        struct stat st {};
        return ::stat(QFile::encodeName(MainIniPath()).constData(), &st) == 0 ? st.st_ino : 0;
    };
    ASSERT_TRUE(SaveSettings());
    const auto first = inode();
    const QByteArray saved = folder.read(QStringLiteral("main.ini"));
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(inode(), first);  // nothing new to write: the file was left alone

    gCam[1].ServerName = QStringLiteral("renamed");
    ASSERT_TRUE(SaveSettings());
    EXPECT_NE(inode(), first);
    EXPECT_TRUE(folder.read(QStringLiteral("main.ini")).contains("ServerName=renamed"));

    // Edited or removed behind the program's back: the next save writes it whole.
    gCam[1].ServerName.clear();
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(folder.read(QStringLiteral("main.ini")), saved);
    folder.write(QStringLiteral("main.ini"), "[Cam1]\nPort=1\n");
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(folder.read(QStringLiteral("main.ini")), saved);
    folder.remove(QStringLiteral("main.ini"));
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(folder.read(QStringLiteral("main.ini")), saved);
}

TEST_F(SettingsTest, SaveFailsQuietlyWhereItCannotWrite)
{
    folder.write(QStringLiteral("blocker"), "a file where a folder should be");
    SetDataPath(folder.file(QStringLiteral("blocker")));
    EXPECT_FALSE(SaveSettings());
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(SettingsTest, FirstCheckedStorageScansAllSixteenEntries)
{
    for (auto& s : gStorage)
        s.Checked = false;
    gStorageCount = 16;
    EXPECT_EQ(GetFirstCheckedStorage(), 0);
    gStorage[15].Checked = true;
    EXPECT_EQ(GetFirstCheckedStorage(), 16);
    gStorage[2].Checked = true;
    EXPECT_EQ(GetFirstCheckedStorage(), 3);
    gStorageCount = 1;  // entries beyond the count still count
    EXPECT_EQ(GetFirstCheckedStorage(), 3);
    gStorageCount = 0;
    EXPECT_EQ(GetFirstCheckedStorage(), 0);
}

TEST(ScheduleText, ReadsCurrentAndOlderFormsAndWritesFixedOnes)
{
    const struct {
        const char* text;
        QTime time;
    } times[] = {
        {"08:05", QTime(8, 5)},
        {"8:05", QTime(8, 5)},
        {"17:30:00", QTime(17, 30)},
        {"5:30 PM", QTime(17, 30)},
        {"12:15 AM", QTime(0, 15)},
        {"5:30:10 pm", QTime(17, 30, 10)},
        {"", QTime()},
        {"25:00", QTime()},
        {"noon", QTime()},
    };
    for (const auto& t : times)
        EXPECT_EQ(ScheduleTimeFromText(QString::fromLatin1(t.text)), t.time) << t.text;
    const struct {
        const char* text;
        QDate date;
    } dates[] = {
        {"2026-03-09", QDate(2026, 3, 9)},
        {"3/9/2026", QDate(2026, 3, 9)},
        {"12/31/2025", QDate(2025, 12, 31)},
        {"2026-02-30", QDate()},
        {"", QDate()},
        {"soon", QDate()},
    };
    for (const auto& d : dates)
        EXPECT_EQ(ScheduleDateFromText(QString::fromLatin1(d.text)), d.date) << d.text;
    const QString localShort = QLocale::system().toString(QDate(2026, 3, 9), QLocale::ShortFormat);
    EXPECT_EQ(ScheduleDateFromText(localShort), QDate(2026, 3, 9)) << localShort.toStdString();

    EXPECT_EQ(ScheduleTimeToText(QTime(8, 5, 59)), QStringLiteral("08:05"));
    EXPECT_EQ(ScheduleDateToText(QDate(2026, 3, 9)), QStringLiteral("2026-03-09"));
    EXPECT_EQ(ScheduleTimeToText(QTime()), QString());
}
