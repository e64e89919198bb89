#include "settings/frm_schedule.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "settings/frm_add_schedule.h"
#include "settings/schedule_rows.h"
#include "settings/settings_windows.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { kIndex, kMode, kStartDate, kStartTime, kStopDate, kStopTime, kDayOfWeek, kColumns };

}  // namespace

frmSchedule::frmSchedule(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Schedule"));
    resize(780, 260);

    ListView1 = new QTreeWidget(this);
    ListView1->setColumnCount(kColumns);
    ListView1->setHeaderLabels({QStringLiteral("Index"), QStringLiteral("Mode"),
                                QStringLiteral("Start Date "), QStringLiteral("Start Time "),
                                QStringLiteral("Stop Date"), QStringLiteral("Stop Time"),
                                QStringLiteral("Day of Week")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->header()->setStretchLastSection(true);
    ListView1->setColumnWidth(kIndex, 56);
    ListView1->setColumnWidth(kMode, 90);

    cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    cmdDelete = new QPushButton(QStringLiteral("&Delete"), this);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdDelete);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);

    connect(cmdAdd, &QPushButton::clicked, this,
            [this] { Guard("cmdAdd_Click", [this] { cmdAdd_Click(); }); });
    connect(cmdDelete, &QPushButton::clicked, this,
            [this] { Guard("cmdDelete_Click", [this] { cmdDelete_Click(); }); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmSchedule::Form_Load()
{
    // The slot the dialog was opened for, whatever becomes current meanwhile.
    m_slot = std::clamp(gCurCam, 1, kSlotCount);
    ApplyLanguageFont({ListView1, cmdAdd, cmdDelete, cmdOK, cmdCancel});
    LoadLanguage();
    ShowScheduleList();
}

bool frmSchedule::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kScheduleWindowName);
    if (!lang)
        return false;
    auto text = [&lang](const char* key) { return lang->Text(QString::fromLatin1(key)); };
    setWindowTitle(text("Caption"));
    ListView1->setHeaderLabels({text("colIndex"), text("colMode"), text("colStartDate"),
                                text("colStartTime"), text("colStopDate"), text("colStopTime"),
                                text("colDayOfWeek")});
    if (const auto names = LanguageSection::Open(kAddScheduleWindowName)) {
        for (int k = 0; k < 7; ++k)
            gDayName[static_cast<size_t>(k)] =
                names->Text(QStringLiteral("chkWeekDay%1").arg(k + 1));
        gModeName[1] = names->Text(QStringLiteral("optDateMode"));
        gModeName[0] = names->Text(QStringLiteral("optWeekMode"));
    }
    m_messages = lang->Messages(2);
    cmdAdd->setText(text("cmdAdd"));
    cmdDelete->setText(text("cmdDelete"));
    cmdOK->setText(text("cmdOK"));
    cmdCancel->setText(text("cmdCancel"));
    return true;
}

void frmSchedule::ShowScheduleList()
{
    const CamInfo& cam = gCam[static_cast<size_t>(m_slot)];
    const int count = std::clamp(cam.ScheduleCount, 0, kScheduleCount);
    for (int j = 1; j <= count; ++j)
        AddRow(cam.Schedule[static_cast<size_t>(j)], j);
}

void frmSchedule::AddRow(const ScheduleInfo& entry, int tag)
{
    auto* item = new QTreeWidgetItem(ListView1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    const bool week = entry.MODE == schedules::kWeekMode;
    item->setText(kIndex, QString::number(ListView1->topLevelItemCount()));
    item->setText(kMode, gModeName[week ? 0 : 1]);
    item->setText(kStartDate, week ? QString() : entry.DateStart);
    item->setText(kStartTime, entry.TimeStart);
    item->setText(kStopDate, week ? QString() : entry.DateStop);
    item->setText(kStopTime, entry.TimeStop);
    item->setText(kDayOfWeek, week ? schedules::DayList(entry.WeekOption) : QString());
    item->setCheckState(kIndex, entry.CHECK ? Qt::Checked : Qt::Unchecked);
    m_entries.push_back(entry);
    m_tags.push_back(tag);
}

void frmSchedule::RenumberRows()
{
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setText(kIndex, QString::number(i + 1));
}

std::vector<frmSchedule::Row> frmSchedule::Rows() const
{
    std::vector<Row> rows;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        Row row{m_entries[static_cast<size_t>(i)], m_tags[static_cast<size_t>(i)]};
        row.entry.CHECK = ListView1->topLevelItem(i)->checkState(kIndex) == Qt::Checked;
        rows.push_back(row);
    }
    return rows;
}

void frmSchedule::cmdAdd_Click()
{
    if (ListView1->topLevelItemCount() > kScheduleCount - 1) {
        Message(m_messages[0], MsgIcon::None);
        return;
    }
    auto* editor = windows().Get<frmAddSchedule>(kAddScheduleWindowName);
    if (!editor)
        return;
    editor->m_existing = m_entries;
    editor->ShowModal(this);
    if (editor->m_bCancel) {
        // Left by its Cancel the editor stays loaded, with the operator's
        // inputs, for the next Add; closed by its close box it goes.
        if (editor->ClosedByBox())
            windows().Unload(kAddScheduleWindowName);
        return;
    }
    AddRow(editor->Result(), 0);
    windows().Unload(kAddScheduleWindowName);
}

void frmSchedule::cmdDelete_Click()
{
    QTreeWidgetItem* current = ListView1->currentItem();
    if (!current)
        return;
    const int p = ListView1->indexOfTopLevelItem(current);
    if (p < 0)
        return;
    delete ListView1->takeTopLevelItem(p);
    m_entries.erase(m_entries.begin() + p);
    m_tags.erase(m_tags.begin() + p);
    RenumberRows();
}

void frmSchedule::cmdOK_Click()
{
    const int c = m_slot;
    CamInfo& cam = gCam[static_cast<size_t>(c)];
    if (cam.Recording && cam.RecordMode == kRecordSchedule) {
        if (auto* engine = windows().Get<frmMain>(kEngineWindowName))
            engine->StopRecord(c);
    }
    const std::vector<Row> rows = Rows();
    // The run-time state as it stands now, before any entry is rewritten.
    const auto before = cam.Schedule;
    const int running = cam.CurSchedule;
    int newRunning = 0;
    cam.ScheduleCount = static_cast<int>(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const int position = static_cast<int>(i) + 1;
        ScheduleInfo& e = cam.Schedule[static_cast<size_t>(position)];
        const ScheduleInfo& r = rows[i].entry;
        const bool week = r.MODE == schedules::kWeekMode;
        e.CHECK = r.CHECK;
        e.MODE = week ? schedules::kWeekMode : schedules::kDateMode;
        e.TimeStart = r.TimeStart;
        e.TimeStop = r.TimeStop;
        e.WeekOption = week ? (r.WeekOption & schedules::kAllDays) : 0;
        e.DateStart = week ? QString() : r.DateStart;
        e.DateStop = week ? QString() : r.DateStop;
        const int tag = rows[i].tag;
        if (tag < 1 || tag > kScheduleCount) {
            e.Started = false;
            e.Stopped = false;
        } else {
            if (tag == running)
                newRunning = position;
            e.Started = before[static_cast<size_t>(tag)].Started;
            e.Stopped = before[static_cast<size_t>(tag)].Stopped;
        }
    }
    // A running entry that was deleted leaves no entry marked as running.
    cam.CurSchedule = newRunning;
    // The engine's record of the window each entry opened follows the
    // entries, as their flags do.
    if (auto* engine = windows().IfLoaded<frmMain>(kEngineWindowName)) {
        std::vector<int> from;
        for (const Row& row : rows)
            from.push_back(row.tag);
        engine->MoveScheduleWindows(c, from);
    }
    SaveSettingsOrWarn(SaveRequest::Operator);
    hide();
}

void frmSchedule::cmdCancel_Click() { hide(); }
