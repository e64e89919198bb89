// A main.ini that cannot be written: the warning names the file and the
// reason, the settings stay in memory, the file on disk keeps what it held and
// a later save that works writes what was kept. An operator's save warns at
// every failure, the program's own saves once until a save works again.
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "support/fake_ui.h"
#include "support/file_size_limit.h"
#include "support/qt_printers.h"
#include "support/temp_program.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

namespace {

class SettingsSaveFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitGlobalVariable();
        gAppTitle = QStringLiteral("Cameras");
        gCam[1].Assign = true;
        gCam[1].ServerName = QStringLiteral("before");
        // Starts from a save that worked, so no earlier failure counts.
        ASSERT_TRUE(SaveSettingsOrWarn(SaveRequest::Program));
        saved = folder.read(QStringLiteral("main.ini"));
        ASSERT_TRUE(saved.contains("ServerName=before"));
    }
    // What the folder holds besides main.ini (a temporary file left behind
    // would show here).
    QStringList Others() const
    {
        QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("main.ini"));
        names.removeAll(QStringLiteral("blocker"));
        return names;
    }

    FakeUi fake;
    TempProgramFolder folder;
    QByteArray saved;
};

TEST_F(SettingsSaveFailureTest, TheWarningNamesTheFileAndReasonAndNothingIsLost)
{
    struct Case {
        const char* what;
        int error;  // the reason the warning gives
        // Makes saving fail; the fault lasts while the returned guard lives.
        std::function<std::shared_ptr<void>(TempProgramFolder&)> fault;
        bool fileKept;  // the earlier main.ini is still there to compare
    };
    const Case cases[] = {
        {"the disk is full", EFBIG,
         [](TempProgramFolder&) -> std::shared_ptr<void> {
             auto limit = std::make_shared<FileSizeLimit>(16);
             EXPECT_TRUE(limit->set());
             return limit;
         },
         true},
        {"main.ini is a folder", EISDIR,
         [](TempProgramFolder& f) -> std::shared_ptr<void> {
             f.remove(QStringLiteral("main.ini"));
             f.write(QStringLiteral("main.ini/keep"), "the folder's own file");
             return std::shared_ptr<void>(nullptr, [&f](void*) {
                 QDir(f.file(QStringLiteral("main.ini"))).removeRecursively();
             });
         },
         false},
        {"the data folder is a file", ENOTDIR,
         [](TempProgramFolder& f) -> std::shared_ptr<void> {
             SetDataPath(f.write(QStringLiteral("blocker"), "a file where a folder should be"));
             return std::shared_ptr<void>(nullptr, [&f](void*) { SetDataPath(f.path()); });
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gCam[1].ServerName = QStringLiteral("changed");
        fake.messages.clear();
        QString target;
        {
            const auto fault = c.fault(folder);
            target = MainIniPath();
            EXPECT_FALSE(SaveSettingsOrWarn(SaveRequest::Operator));
            if (!c.fileKept) {  // the folder in its place is untouched
                EXPECT_EQ(folder.read(QStringLiteral("main.ini/keep")), "the folder's own file");
            }
        }
        ASSERT_EQ(fake.messages.size(), 1u);
        const auto& box = fake.messages[0];
        EXPECT_TRUE(box.text.contains(QLatin1Char('"') + target + QLatin1Char('"')))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QString::fromLocal8Bit(std::strerror(c.error))))
            << box.text.toStdString();
        EXPECT_EQ(box.buttons, MsgButtons::OK);
        EXPECT_EQ(box.icon, MsgIcon::Warning);
        EXPECT_EQ(box.title, QStringLiteral("Cameras"));
        EXPECT_EQ(gCam[1].ServerName, QStringLiteral("changed"));  // kept in memory
        if (c.fileKept) {
            EXPECT_EQ(folder.read(QStringLiteral("main.ini")), saved);
        }
        EXPECT_EQ(Others(), QStringList());

        // Once the file can be written, the next save writes what was kept.
        EXPECT_TRUE(SaveSettingsOrWarn(SaveRequest::Program));
        EXPECT_TRUE(folder.read(QStringLiteral("main.ini")).contains("ServerName=changed"));
        EXPECT_EQ(fake.messages.size(), 1u);
        gCam[1].ServerName = QStringLiteral("before");
        ASSERT_TRUE(SaveSettingsOrWarn(SaveRequest::Program));
    }
}

TEST_F(SettingsSaveFailureTest, TheProgramsOwnSavesWarnOnceUntilASaveWorksAgain)
{
    const QString blocker = folder.write(QStringLiteral("blocker"), "not a folder");
    struct Step {
        bool writable;
        SaveRequest request;
        bool warns;
    };
    const Step steps[] = {
        {false, SaveRequest::Program, true},  {false, SaveRequest::Program, false},
        {false, SaveRequest::Operator, true}, {false, SaveRequest::Operator, true},
        {false, SaveRequest::Program, false}, {true, SaveRequest::Program, false},
        {false, SaveRequest::Program, true},  {true, SaveRequest::Operator, false},
        {false, SaveRequest::Operator, true},
    };
    int k = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++k);
        SetDataPath(s.writable ? folder.path() : blocker);
        fake.messages.clear();
        EXPECT_EQ(SaveSettingsOrWarn(s.request), s.writable);
        EXPECT_EQ(fake.messages.size(), s.warns ? 1u : 0u);
    }
    SetDataPath(folder.path());
}

// The language pack's text is used, with both of its places filled.
TEST_F(SettingsSaveFailureTest, TheWarningTakesTheLanguagePacksText)
{
    gLangSettingsNotSaved = QStringLiteral("Nicht gespeichert: %1 (%2)");
    folder.remove(QStringLiteral("main.ini"));
    folder.write(QStringLiteral("main.ini/keep"), "");
    EXPECT_FALSE(SaveSettingsOrWarn(SaveRequest::Operator));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text,
              QStringLiteral("Nicht gespeichert: %1 (rename: %2)")
                  .arg(MainIniPath(), QString::fromLocal8Bit(std::strerror(EISDIR))));
}

}  // namespace
