// The schedule list and its editor driven as an operator would: what the list
// shows, adding through the editor with every check of the editor, deleting,
// and what OK writes (entries, run-time state, main.ini) or Cancel keeps.
#include "settings/frm_add_schedule.h"
#include "settings/frm_schedule.h"
#include "settings/schedule_rows.h"
#include "settings_fixture.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTreeWidget>

namespace {

ScheduleInfo Week(int mask, const char* start, const char* stop, bool check = true)
{
    ScheduleInfo e;
    e.CHECK = check;
    e.MODE = 0;
    e.WeekOption = mask;
    e.TimeStart = QString::fromLatin1(start);
    e.TimeStop = QString::fromLatin1(stop);
    return e;
}

ScheduleInfo Dated(const char* day1, const char* start, const char* day2, const char* stop,
                   bool check = true)
{
    ScheduleInfo e;
    e.CHECK = check;
    e.MODE = 1;
    e.DateStart = QString::fromLatin1(day1);
    e.DateStop = QString::fromLatin1(day2);
    e.TimeStart = QString::fromLatin1(start);
    e.TimeStop = QString::fromLatin1(stop);
    return e;
}

constexpr int kSun = 1, kMon = 2, kWed = 8, kFri = 32, kSat = 64, kAllDays = 127;

class ScheduleDialogs : public SettingsFixture {
protected:
    ScheduleDialogs() { gCurCam = 2; }
    CamInfo& Slot() { return gCam[2]; }
    // A new engine and new dialogs, as the program registers them: no state
    // of an earlier case is left in them.
    void FreshWindows()
    {
        windows().Reset();
        windows().Register(kEngineWindowName,
                           [this] { return new frmMain(engineWindows, controls); });
        RegisterSettingsWindows(windows());
    }
    void Give(std::initializer_list<ScheduleInfo> entries)
    {
        int j = 0;
        for (const ScheduleInfo& e : entries)
            Slot().Schedule[static_cast<size_t>(++j)] = e;
        Slot().ScheduleCount = j;
    }
    frmSchedule& Run(std::function<void(frmSchedule&)> act)
    {
        return SettingsFixture::Run<frmSchedule>(kScheduleWindowName, act);
    }
    static QStringList RowTexts(const frmSchedule& d)
    {
        QStringList out;
        for (int i = 0; i < d.ListView1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = d.ListView1->topLevelItem(i);
            QStringList cells;
            for (int c = 0; c < 7; ++c)
                cells << r->text(c);
            cells << (r->checkState(0) == Qt::Checked ? QStringLiteral("on")
                                                      : QStringLiteral("off"));
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    // Adds through the editor; `fill` plays the operator in the editor and
    // leaves it with OK, Cancel or the close box.
    static void Add(frmSchedule& d, std::function<void(frmAddSchedule&)> fill)
    {
        ModalScript editor;
        editor.OnVisible<frmAddSchedule>("the editor", fill);
        ModalScript::Click(d.cmdAdd);
        EXPECT_TRUE(editor.Complete()) << editor.Failure().toStdString();
    }
    static void Days(frmAddSchedule& e, int mask)
    {
        for (int k = 1; k <= 7; ++k)
            e.chkWeekDay[static_cast<size_t>(k)]->setChecked((mask & (1 << (k - 1))) != 0);
    }
};

TEST_F(ScheduleDialogs, TheListShowsEachEntryInItsMode)
{
    Give({Week(kSun | kWed, "08:00", "17:30"),
          Dated("2026-12-24", "18:00", "2026-12-25", "02:00", false),
          Week(kMon | kSat, "9:05 AM", "10:00"), Week(kSat, "00:00", "23:59")});
    Run([](frmSchedule& d) {
        EXPECT_EQ(d.windowTitle(),
                  Caption(QStringLiteral("frmSchedule"), QStringLiteral("Caption")));
        EXPECT_EQ(d.ListView1->headerItem()->text(6),
                  Caption(QStringLiteral("frmSchedule"), QStringLiteral("colDayOfWeek")));
        EXPECT_EQ(RowTexts(d),
                  (QStringList{QStringLiteral("1|Week Mode||08:00||17:30|Sun Wed |on"),
                               QStringLiteral("2|Date Mode|2026-12-24|18:00|2026-12-25|02:00||off"),
                               QStringLiteral("3|Week Mode||9:05 AM||10:00|Mon Sat|on"),
                               QStringLiteral("4|Week Mode||00:00||23:59|Sat|on")}));
        ModalScript::Click(d.cmdCancel);
    });
    EXPECT_EQ(gDayName[0], QStringLiteral("Sun"));
    EXPECT_EQ(gModeName[1], QStringLiteral("Date Mode"));
}

TEST_F(ScheduleDialogs, AddedEntriesAreWrittenOnOKInTheFixedForms)
{
    fakeUi.clock = QDateTime(QDate(2026, 12, 9), QTime(23, 55, 40));
    Give({Dated("2026-12-01", "10:00", "2026-12-01", "11:00")});
    QStringList rows;
    Run([&](frmSchedule& d) {
        Add(d, [](frmAddSchedule& e) {
            // Opened fresh at 23:55: date mode, today to tomorrow, 23:55 to 00:05.
            EXPECT_TRUE(e.optDateMode->isChecked());
            EXPECT_EQ(e.DTStart->date(), QDate(2026, 12, 9));
            EXPECT_EQ(e.DTStop->date(), QDate(2026, 12, 10));
            EXPECT_EQ(e.DateTimeStart->time(), QTime(23, 55));
            EXPECT_EQ(e.DateTimeStop->time(), QTime(0, 5));
            EXPECT_EQ(e.TimeStart->time(), QTime(23, 55));
            EXPECT_EQ(e.TimeStop->time(), QTime(0, 5));
            ModalScript::Click(e.cmdOK);
        });
        Add(d, [](frmAddSchedule& e) {
            e.optWeekMode->click();
            Days(e, kMon | kSat);
            e.TimeStart->setTime(QTime(7, 30));
            e.TimeStop->setTime(QTime(6, 0));  // before the start: a window over midnight
            ModalScript::Click(e.cmdOK);
        });
        rows = RowTexts(d);
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_TRUE(fakeUi.messages.empty());
    EXPECT_EQ(rows[1], QStringLiteral("2|Date Mode|2026-12-09|23:55|2026-12-10|00:05||on"));
    EXPECT_EQ(rows[2], QStringLiteral("3|Week Mode||07:30||06:00|Mon Sat|on"));
    EXPECT_EQ(Slot().ScheduleCount, 3);
    const ScheduleInfo& week = Slot().Schedule[3];
    EXPECT_EQ(week.MODE, 0);
    EXPECT_EQ(week.WeekOption, 66);
    EXPECT_TRUE(week.DateStart.isEmpty());
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("ScheduleCount")), QStringLiteral("3"));
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("SCHEDULE2_DateStop")),
              QStringLiteral("2026-12-10"));
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("SCHEDULE2_TimeStart")),
              QStringLiteral("23:55"));
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("SCHEDULE3_WeekOption")),
              QStringLiteral("66"));
    EXPECT_FALSE(windows().IsLoaded(kAddScheduleWindowName));
}

TEST_F(ScheduleDialogs, TheEditorChecksEachEntryWithItsMessage)
{
    fakeUi.clock = QDateTime(QDate(2026, 12, 9), QTime(12, 0));
    const auto msg = [](int n) {
        return Caption(QStringLiteral("frmAddSchedule"), QStringLiteral("Message%1").arg(n));
    };
    struct Case {
        const char* name;
        std::function<void(frmAddSchedule&)> fill;
        int message;  // 0: accepted
        MsgIcon icon = MsgIcon::None;
    };
    const auto dated = [](QDate d1, QTime t1, QDate d2, QTime t2) {
        return [=](frmAddSchedule& e) {
            e.DTStart->setDate(d1);
            e.DateTimeStart->setTime(t1);
            e.DTStop->setDate(d2);
            e.DateTimeStop->setTime(t2);
        };
    };
    const auto weekly = [](int mask, QTime t1, QTime t2) {
        return [=](frmAddSchedule& e) {
            e.optWeekMode->click();
            Days(e, mask);
            e.TimeStart->setTime(t1);
            e.TimeStop->setTime(t2);
        };
    };
    const QDate d(2026, 12, 20);
    const Case cases[] = {
        {"same date, same time", dated(d, QTime(10, 0), d, QTime(10, 0)), 4},
        {"same date, stop a minute later", dated(d, QTime(10, 0), d, QTime(10, 1)), 0},
        {"same date, stop before start", dated(d, QTime(10, 0), d, QTime(9, 0)), 4},
        {"stop date the day before, later time",
         dated(d, QTime(10, 0), d.addDays(-1), QTime(23, 0)), 3},
        {"no day in week mode", weekly(0, QTime(8, 0), QTime(9, 0)), 1, MsgIcon::Warning},
        // No day is checked before the duplicate check: the list has a row
        // with these times and no day could ever match it.
        {"no day, same times as a row", weekly(0, QTime(8, 0), QTime(17, 0)), 1, MsgIcon::Warning},
        {"the same week row", weekly(kMon | kFri, QTime(8, 0), QTime(17, 0)), 2},
        {"the same days and times written otherwise", weekly(kSun, QTime(9, 5), QTime(10, 0)), 2},
        {"one more day", weekly(kMon | kFri | kSat, QTime(8, 0), QTime(17, 0)), 0},
        {"the same date row",
         dated(QDate(2026, 12, 24), QTime(18, 0), QDate(2026, 12, 25), QTime(2, 0)), 2},
        {"a date entry with a week row's times", dated(d, QTime(8, 0), d, QTime(17, 0)), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWindows();
        Give({Week(kMon | kFri, "08:00", "17:00"),
              Dated("2026-12-24", "18:00", "2026-12-25", "02:00"),
              Week(kSun, " 9:05 AM ", "10:00 ")});
        fakeUi.messages.clear();
        int rowsAfter = 0;
        bool stayedOpen = false;
        QWidget* focusBefore = nullptr;
        QWidget* focusAfter = nullptr;
        Run([&](frmSchedule& d) {
            Add(d, [&](frmAddSchedule& e) {
                c.fill(e);
                e.cmdCancel->setFocus();
                focusBefore = QApplication::focusWidget();
                e.cmdOK->click();  // Alt+O: the focus stays on Cancel
                stayedOpen = e.isVisible();
                focusAfter = QApplication::focusWidget();
                if (stayedOpen)
                    ModalScript::Click(e.cmdCancel);
            });
            rowsAfter = d.ListView1->topLevelItemCount();
            ModalScript::Click(d.cmdCancel);
        });
        if (c.message == 0) {
            EXPECT_TRUE(fakeUi.messages.empty());
            EXPECT_FALSE(stayedOpen);
            EXPECT_EQ(rowsAfter, 4);
        } else {
            ASSERT_EQ(MessageTexts(), QStringList{msg(c.message)});
            EXPECT_EQ(fakeUi.messages[0].icon, c.icon);
            EXPECT_TRUE(stayedOpen);
            EXPECT_EQ(focusAfter, focusBefore);  // the focus stays where it was
            EXPECT_EQ(rowsAfter, 3);
        }
    }
}

TEST_F(ScheduleDialogs, AFullListOpensNoEditor)
{
    Give({Week(1, "01:00", "02:00"), Week(2, "01:00", "02:00"), Week(4, "01:00", "02:00"),
          Week(8, "01:00", "02:00"), Week(16, "01:00", "02:00")});
    Run([&](frmSchedule& d) {
        ModalScript::Click(d.cmdAdd);
        EXPECT_FALSE(windows().IsLoaded(kAddScheduleWindowName));
        ModalScript::Click(d.cmdCancel);
    });
    ASSERT_EQ(MessageTexts(),
              QStringList{Caption(QStringLiteral("frmSchedule"), QStringLiteral("Message1"))});
    EXPECT_EQ(fakeUi.messages[0].icon, MsgIcon::None);
}

TEST_F(ScheduleDialogs, ACancelledEditorKeepsItsInputsForTheNextAddButTheCloseBoxEndsIt)
{
    Give({});
    QTime shownAgain;
    bool weekAgain = false;
    Run([&](frmSchedule& d) {
        Add(d, [](frmAddSchedule& e) {
            e.optWeekMode->click();
            e.TimeStart->setTime(QTime(6, 15));
            ModalScript::Click(e.cmdCancel);
        });
        EXPECT_EQ(d.ListView1->topLevelItemCount(), 0);
        EXPECT_TRUE(windows().IsLoaded(kAddScheduleWindowName));
        Add(d, [&](frmAddSchedule& e) {
            shownAgain = e.TimeStart->time();
            weekAgain = e.optWeekMode->isChecked();
            e.close();
        });
        EXPECT_FALSE(windows().IsLoaded(kAddScheduleWindowName));
        EXPECT_EQ(d.ListView1->topLevelItemCount(), 0);
        ModalScript::Click(d.cmdCancel);
    });
    EXPECT_EQ(shownAgain, QTime(6, 15));
    EXPECT_TRUE(weekAgain);
}

TEST_F(ScheduleDialogs, DeleteTakesEffectOnOKAndRunTimeStateFollowsTheEntries)
{
    struct Case {
        const char* name;
        int running;      // CurSchedule before
        bool ok;          // OK (else Cancel)
        int wantRunning;  // CurSchedule after
    };
    const Case cases[] = {
        {"the running entry moves up", 3, true, 2},
        {"the running entry was deleted", 2, true, 0},
        {"an entry before the deleted one", 1, true, 1},
        {"Cancel after a delete changes nothing", 2, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kScheduleWindowName);
        Give({Week(kSun, "01:00", "02:00"), Week(kMon, "03:00", "04:00"),
              Week(kWed, "05:00", "06:00"), Dated("2026-12-24", "18:00", "2026-12-25", "02:00")});
        for (int j = 1; j <= 5; ++j) {
            Slot().Schedule[static_cast<size_t>(j)].Started = j % 2 == 1;
            Slot().Schedule[static_cast<size_t>(j)].Stopped = j == 4;
        }
        Slot().Schedule[5] = Week(kSat, "07:00", "08:00");
        Slot().CurSchedule = c.running;
        QStringList rows;
        Run([&](frmSchedule& d) {
            d.ListView1->setCurrentItem(d.ListView1->topLevelItem(1));
            ModalScript::Click(d.cmdDelete);
            EXPECT_EQ(Slot().CurSchedule, c.running);  // nothing changes before OK
            rows = RowTexts(d);
            ModalScript::Click(c.ok ? d.cmdOK : d.cmdCancel);
        });
        EXPECT_EQ(Slot().CurSchedule, c.wantRunning);
        if (!c.ok) {
            EXPECT_EQ(Slot().ScheduleCount, 4);
            EXPECT_EQ(Slot().Schedule[2].TimeStart, QStringLiteral("03:00"));
            continue;
        }
        EXPECT_EQ(rows.size(), 3);
        EXPECT_TRUE(rows[1].startsWith(QStringLiteral("2|Week Mode||05:00")));
        EXPECT_EQ(Slot().ScheduleCount, 3);
        EXPECT_EQ(Slot().Schedule[2].TimeStart, QStringLiteral("05:00"));
        // Entry 2 now holds the old entry 3, entry 3 the old entry 4 (a date
        // entry, still one), each with its run-time flags.
        EXPECT_TRUE(Slot().Schedule[2].Started);
        EXPECT_FALSE(Slot().Schedule[2].Stopped);
        EXPECT_EQ(Slot().Schedule[3].MODE, 1);
        EXPECT_EQ(Slot().Schedule[3].DateStart, QStringLiteral("2026-12-24"));
        EXPECT_FALSE(Slot().Schedule[3].Started);
        EXPECT_TRUE(Slot().Schedule[3].Stopped);
        // Past the rows the entries keep their contents.
        EXPECT_EQ(Slot().Schedule[4].DateStart, QStringLiteral("2026-12-24"));
        EXPECT_EQ(Slot().Schedule[5].TimeStart, QStringLiteral("07:00"));
    }
}

// The engine keeps the window each entry opened; when a delete moves the
// entries up, that window moves with its entry, so that a window that was
// opened and stopped by OK is not opened a second time the same day, whether
// or not its entry moved.
TEST_F(ScheduleDialogs, AStartedEntryThatMovesUpIsNotStartedAgainTheSameDay)
{
    struct Case {
        const char* name;
        int deleteRow;  // the row deleted before OK
    };
    const Case cases[] = {
        {"an entry after the started one is deleted", 2},
        {"the entry before the started one is deleted", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWindows();
        Give({Week(kAllDays, "10:00", "11:00"), Week(kAllDays, "12:00", "13:00"),
              Week(kAllDays, "14:00", "15:00")});
        Slot().Assign = true;
        Slot().Enable = true;
        Slot().RecordMode = kRecordSchedule;
        Slot().Recording = false;
        Slot().CurSchedule = 0;
        Engine();  // a new engine, with new camera objects
        ClearCalls();
        const QDate day(2026, 12, 9);
        auto tick = [&](const QDate& d, QTime t) {
            fakeUi.clock = QDateTime(d, t);
            Engine().tmrSchedule_Timer();
        };
        tick(day, QTime(12, 0, 30));
        ASSERT_EQ(cam(2).Count(CamId::RecordStart), 1);
        ASSERT_TRUE(Slot().Recording);
        Run([&](frmSchedule& d) {
            d.ListView1->setCurrentItem(d.ListView1->topLevelItem(c.deleteRow));
            ModalScript::Click(d.cmdDelete);
            ModalScript::Click(d.cmdOK);
        });
        EXPECT_FALSE(Slot().Recording) << "OK stops a recording made by schedule";
        tick(day, QTime(12, 1));
        tick(day, QTime(12, 2));
        EXPECT_EQ(cam(2).Count(CamId::RecordStart), 1) << "the window was opened once today";
        // The next day the entry opens its window again.
        tick(day.addDays(1), QTime(12, 0, 30));
        EXPECT_EQ(cam(2).Count(CamId::RecordStart), 2);
        windows().Unload(kScheduleWindowName);
    }
}

TEST_F(ScheduleDialogs, RowsKeepTheirEntriesWithoutModeOrDayNames)
{
    // A pack without the editor's names: every mode and day name is empty.
    program.write(QStringLiteral("lang/english.ini"),
                  "[frmSchedule]\nCaption=Schedule\ncmdOK=OK\ncmdCancel=Cancel\n");
    Give({Dated("2026-12-24", "18:00", "2026-12-25", "02:00", false),
          Week(kMon | kSat, "08:00", "09:00")});
    Run([](frmSchedule& d) {
        d.ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_EQ(Slot().Schedule[1].MODE, 1);
    EXPECT_TRUE(Slot().Schedule[1].CHECK);
    EXPECT_EQ(Slot().Schedule[1].DateStop, QStringLiteral("2026-12-25"));
    EXPECT_EQ(Slot().Schedule[2].MODE, 0);
    EXPECT_EQ(Slot().Schedule[2].WeekOption, kMon | kSat);
}

TEST_F(ScheduleDialogs, OKStopsOnlyARecordingMadeBySchedule)
{
    for (const int mode : {2, 1, 3}) {
        SCOPED_TRACE(mode);
        windows().Unload(kScheduleWindowName);
        Give({Week(kSun, "01:00", "02:00")});
        Slot().Recording = true;
        Slot().RecordMode = mode;
        ClearCalls();
        Run([](frmSchedule& d) { ModalScript::Click(d.cmdOK); });
        EXPECT_EQ(cam(2).Count(CamId::RecordStop), mode == 2 ? 1 : 0);
        EXPECT_EQ(Slot().Recording, mode != 2);
    }
}

TEST_F(ScheduleDialogs, OKOnAnEmptyListCountsNoEntriesAndKeepsTheirTexts)
{
    Give({Week(kSun, "01:00", "02:00"), Week(kMon, "03:00", "04:00")});
    Run([](frmSchedule& d) {
        while (d.ListView1->topLevelItemCount() > 0) {
            d.ListView1->setCurrentItem(d.ListView1->topLevelItem(0));
            ModalScript::Click(d.cmdDelete);
        }
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_EQ(Slot().ScheduleCount, 0);
    EXPECT_EQ(Slot().Schedule[2].TimeStart, QStringLiteral("03:00"));
    EXPECT_EQ(Saved(QStringLiteral("Cam2"), QStringLiteral("ScheduleCount")), QStringLiteral("0"));
}

TEST_F(ScheduleDialogs, TheDialogActsOnTheSlotItWasOpenedFor)
{
    Give({Week(kSun, "01:00", "02:00")});
    Run([](frmSchedule& d) {
        gCurCam = 3;  // another slot became current meanwhile
        ModalScript::Click(d.cmdDelete);
        d.ListView1->setCurrentItem(d.ListView1->topLevelItem(0));
        ModalScript::Click(d.cmdDelete);
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_EQ(gCam[2].ScheduleCount, 0);
    EXPECT_EQ(gCam[3].ScheduleCount, 0);
}

TEST(ScheduleRows, DayListsAndTheSameScheduleTest)
{
    InitGlobalVariable();
    const char* names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (int k = 0; k < 7; ++k)
        gDayName[static_cast<size_t>(k)] = QString::fromLatin1(names[k]);
    EXPECT_EQ(schedules::DayList(kSun | kWed), QStringLiteral("Sun Wed "));
    EXPECT_EQ(schedules::DayList(kMon | kSat), QStringLiteral("Mon Sat"));
    EXPECT_EQ(schedules::DayList(kSat), QStringLiteral("Sat"));
    EXPECT_EQ(schedules::DayList(0), QString());
    EXPECT_TRUE(
        schedules::SameSchedule(Week(kMon, "9:05 AM", "17:00"), Week(kMon, " 09:05", "17:00 ")));
    EXPECT_FALSE(
        schedules::SameSchedule(Week(kMon, "09:05", "17:00"), Week(kMon | kSun, "09:05", "17:00")));
    EXPECT_TRUE(schedules::SameSchedule(Dated("12/24/2026", "18:00", "2026-12-25", "02:00"),
                                        Dated("2026-12-24", "6:00 PM", "2026-12-25", "02:00")));
    EXPECT_FALSE(schedules::SameSchedule(Dated("2026-12-24", "08:00", "2026-12-24", "17:00"),
                                         Week(kMon, "08:00", "17:00")));
    InitGlobalVariable();
}

}  // namespace
