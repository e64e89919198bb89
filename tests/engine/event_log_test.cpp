// The engine's event lists: line format, mirrors into the windows, every
// event written to the day's log file at once, the cut-back of the list, the
// retries while the log cannot be written, and nothing written twice.
#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "support/fake_engine_controls.h"
#include "support/fake_engine_windows.h"
#include "support/fake_ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList ReadLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    QStringList lines = QString::fromUtf8(data).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // the last line ends with CR LF too
    return lines;
}

class EventLogTest : public ::testing::Test {
protected:
    EventLogTest()
    {
        SetDataPath(dir.path());
        InitGlobalVariable();
        gCam[2].IPAddress = QStringLiteral("192.168.0.20");
        gCam[2].ServerName = QStringLiteral("Gate");
    }
    ~EventLogTest() override
    {
        gWinOpen.fill(false);
        SetDataPath({});
    }

    QString LogPath(int n, const QString& day = QStringLiteral("20261209.Log")) const
    {
        return dir.path() + QStringLiteral("/Log/Cam%1Log/").arg(n) + day;
    }

    FakeUi fake;
    QTemporaryDir dir;
    Journal journal;
    FakeEngineWindows windows{journal};
    FakeEngineControls controls{journal};
    frmMain engine{windows, controls};
};

TEST_F(EventLogTest, AnEventIsAHeadingLineAndAnIndentedTextLine)
{
    fake.clock = QDateTime(QDate(2026, 3, 4), QTime(7, 5, 9));
    engine.AddEvent(2, QStringLiteral("Camera started"));
    engine.AddEvent(2, QStringLiteral("Recording started"));

    EXPECT_EQ(engine.List1(2),
              (QStringList{QStringLiteral("2026-03-04 07:05:09   192.168.0.20   Gate"),
                           QStringLiteral("    Camera started"),
                           QStringLiteral("2026-03-04 07:05:09   192.168.0.20   Gate"),
                           QStringLiteral("    Recording started")}));
    EXPECT_TRUE(engine.List1(1).isEmpty());
    engine.AddEvent(0, QStringLiteral("no slot"));
    engine.AddEvent(5, QStringLiteral("no slot"));
    EXPECT_TRUE(engine.List1(0).isEmpty());
    EXPECT_TRUE(engine.List1(5).isEmpty());
}

TEST_F(EventLogTest, EveryEventIsInTheLogFileAtOnceAndNothingIsWrittenTwice)
{
    engine.AddEvent(2, QStringLiteral("event 1"));
    // On disk before any cut-back or shut-down: a kill cannot lose it.
    EXPECT_EQ(ReadLines(LogPath(2)),
              (QStringList{QStringLiteral("2026-12-09 12:00:00   192.168.0.20   Gate"),
                           QStringLiteral("    event 1")}));
    for (int e = 2; e <= 249; ++e)
        engine.AddEvent(2, QStringLiteral("event %1").arg(e));
    EXPECT_EQ(engine.List1(2).size(), 498);
    EXPECT_EQ(ReadLines(LogPath(2)).size(), 498);

    // The 250th event cuts the list back to its newest 400 lines, still in pairs.
    engine.AddEvent(2, QStringLiteral("event 250"));
    const QStringList list = engine.List1(2);
    ASSERT_EQ(list.size(), 400);
    EXPECT_TRUE(list[0].startsWith(QStringLiteral("2026-12-09")));
    EXPECT_EQ(list[1], QStringLiteral("    event 51"));
    EXPECT_EQ(list.last(), QStringLiteral("    event 250"));

    // Neither the cut-back nor the save at shut-down writes a line again.
    EXPECT_TRUE(engine.SaveLog(2, static_cast<int>(engine.List1(2).size())));
    engine.Form_Unload();
    const QStringList all = ReadLines(LogPath(2));
    ASSERT_EQ(all.size(), 500);
    for (int e = 1; e <= 250; ++e)
        ASSERT_EQ(all[2 * e - 1], QStringLiteral("    event %1").arg(e));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(EventLogTest, SavedLinesEndWithCarriageReturnAndLineFeedAndAreAppended)
{
    QDir().mkpath(dir.path() + QStringLiteral("/Log/Cam2Log"));
    {
        QFile f(LogPath(2));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier\r\n");
    }
    gCam[2].ServerName = QStringLiteral("Caméra");  // written as UTF-8
    engine.AddEvent(2, QStringLiteral("x"));
    ASSERT_TRUE(engine.SaveLog(2, 2));

    QFile f(LogPath(2));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier\r\n2026-12-09 12:00:00   192.168.0.20   Caméra\r\n"
                                      "    x\r\n"));
}

TEST_F(EventLogTest, SaveLogEdgeCases)
{
    // An empty list writes nothing and makes neither folder nor file.
    EXPECT_TRUE(engine.SaveLog(1, 0));
    EXPECT_TRUE(engine.SaveLog(1, 10));
    EXPECT_FALSE(QDir(dir.path() + QStringLiteral("/Log")).exists());

    // A count beyond the list finds every line on disk already.
    engine.AddEvent(3, QStringLiteral("a"));
    EXPECT_TRUE(engine.SaveLog(3, 100));
    EXPECT_EQ(ReadLines(LogPath(3)).size(), 2);

    // Each event goes into the file of the day it was logged on.
    fake.clock = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59));
    engine.AddEvent(4, QStringLiteral("late"));
    fake.clock = fake.clock.addSecs(2);
    engine.AddEvent(4, QStringLiteral("early"));
    EXPECT_TRUE(engine.SaveLog(4, 4));
    EXPECT_EQ(ReadLines(LogPath(4, QStringLiteral("20261231.Log"))).value(1),
              QStringLiteral("    late"));
    EXPECT_EQ(ReadLines(LogPath(4, QStringLiteral("20270101.Log"))).value(1),
              QStringLiteral("    early"));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(EventLogTest, WhenTheLogFolderCannotBeMadeTheFileGoesToTheDataFolder)
{
    // A plain file where the Log folder should be.
    QFile blocker(dir.path() + QStringLiteral("/Log"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_FALSE(engine.CheckLogFolder(1));
    engine.AddEvent(1, QStringLiteral("started"));
    EXPECT_TRUE(engine.SaveLog(1, 2));
    EXPECT_EQ(ReadLines(dir.path() + QStringLiteral("/20261209.Log")).size(), 2);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(EventLogTest, AnUnwritableLogKeepsTheLinesTriesAgainAndIsReportedOnceAfterTheEvent)
{
    // Neither the slot's folder nor the fallback file can be made.
    QFile blocker(dir.path() + QStringLiteral("/Log"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("20261209.Log")));

    gLangLogNotWritten = QStringLiteral("Protokoll %1: %2 %1");  // from the language pack
    engine.AddEvent(2, QStringLiteral("event 1"));
    // Not from inside the event that logged the line: the box waits for the event loop.
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(engine.tmrLog.isActive());
    QCoreApplication::processEvents();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(
        fake.messages[0].text,
        QStringLiteral("Protokoll 2: %1 2").arg(dir.path() + QStringLiteral("/20261209.Log")));
    EXPECT_EQ(fake.messages[0].title, gAppTitle);

    for (int e = 2; e <= 260; ++e)
        engine.AddEvent(2, QStringLiteral("event %1").arg(e));
    engine.tmrLog_Timer();
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.List1(2).size(), 520);  // nothing given up
    EXPECT_EQ(fake.messages.size(), 1u);

    // Once the disk can be written again the next try writes every line, in order.
    QFile::remove(dir.path() + QStringLiteral("/Log"));
    engine.tmrLog_Timer();
    EXPECT_FALSE(engine.tmrLog.isActive());
    EXPECT_EQ(ReadLines(LogPath(2)).size(), 520);
    engine.AddEvent(2, QStringLiteral("event 261"));
    EXPECT_EQ(engine.List1(2).size(), 422);
    engine.Form_Unload();
    const QStringList all = ReadLines(LogPath(2));
    ASSERT_EQ(all.size(), 522);
    EXPECT_EQ(all[1], QStringLiteral("    event 1"));
    EXPECT_EQ(all[521], QStringLiteral("    event 261"));
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.messages.size(), 1u);
}

struct MirrorCase {
    const char* name;
    bool clientOpen;
    bool combineOpen;
    bool combineListVisible;
    bool toClient;
    bool toCombine;
};

TEST_F(EventLogTest, EventsAreMirroredIntoTheOpenWindowsOnly)
{
    const MirrorCase cases[] = {
        {"no window open", false, false, false, false, false},
        {"slot window open", true, false, false, true, false},
        {"combined window with its list shown", false, true, true, false, true},
        {"combined window with its list hidden", true, true, false, true, false},
        {"both", true, true, true, true, true},
    };
    for (const MirrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        Journal j;
        FakeEngineWindows w{j};
        FakeEngineControls controls2{j};
        frmMain e{w, controls2};
        gWinOpen.fill(false);
        if (c.clientOpen)
            w.Client(2);
        gWinOpen[5] = c.combineOpen;
        w.combine.listVisible = c.combineListVisible;

        e.AddEvent(2, QStringLiteral("hello"));

        FakeClientWindow* client = w.Loaded(2);
        EXPECT_EQ(client ? client->list.lines.size() : 0, c.toClient ? 2 : 0);
        EXPECT_EQ(w.combine.list.lines.size(), c.toCombine ? 2 : 0);
        EXPECT_EQ(w.Loaded(2) != nullptr, c.clientOpen);  // a closed window is not loaded for it
    }
}

TEST_F(EventLogTest, TheCombinedListCollectsEverySlotAndEachMirrorTrimsItself)
{
    gWinOpen[5] = true;
    windows.combine.listVisible = true;
    windows.Client(1);
    for (int i = 0; i < 498; ++i)
        windows.Loaded(1)->list.lines << QStringLiteral("old");

    engine.AddEvent(1, QStringLiteral("one"));
    engine.AddEvent(3, QStringLiteral("three"));

    FakeListBox& mine = windows.Loaded(1)->list;
    ASSERT_EQ(mine.lines.size(), 400);  // reached 500, dropped its first 100
    EXPECT_EQ(mine.lines.last(), QStringLiteral("    one"));
    EXPECT_EQ(mine.selected, 399);
    EXPECT_EQ(
        windows.combine.list.lines,
        (QStringList{QStringLiteral("2026-12-09 12:00:00      "), QStringLiteral("    one"),
                     QStringLiteral("2026-12-09 12:00:00      "), QStringLiteral("    three")}));
    EXPECT_EQ(windows.combine.list.selected, 3);
    EXPECT_EQ(engine.List1(1).size(), 2);
}

TEST_F(EventLogTest, AFailingMirrorShowsTheAddEventErrorAndKeepsTheLines)
{
    windows.Client(2);
    windows.Loaded(2)->list.failAdds = true;

    engine.AddEvent(2, QStringLiteral("x"));

    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error AddEvent function"));
    EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(engine.List1(2).size(), 2);
}

TEST_F(EventLogTest, RefreshStatusAsksEveryOpenSingleWindow)
{
    windows.Client(1);
    windows.Client(3);
    gWinOpen[3] = false;  // loaded once, closed since
    windows.Client(4);
    journal.Clear();

    engine.RefreshStatus();

    EXPECT_EQ(journal.entries, (QStringList{QStringLiteral("client1.RefrushStatusBar"),
                                            QStringLiteral("client4.RefrushStatusBar")}));
}

TEST(EventLogNames, TwoDigitAndFileNames)
{
    const std::pair<int, const char*> table[] = {{0, "0"},       {1, "01"},  {7, "07"},
                                                 {9, "09"},      {10, "10"}, {12, "12"},
                                                 {2026, "2026"}, {-3, "-3"}};
    for (const auto& [v, text] : table)
        EXPECT_EQ(frmMain::TwoDigit(v), QString::fromLatin1(text)) << v;
    EXPECT_EQ(frmMain::LogFileName(QDate(2026, 12, 7)), QStringLiteral("20261207.Log"));
    SetDataPath(QStringLiteral("/data"));
    EXPECT_EQ(frmMain::LogFolder(3), QStringLiteral("/data/Log/Cam3Log"));
    SetDataPath({});
}

}  // namespace
