#include "settings/frm_add_schedule.h"

#include "foundation/settings.h"
#include "foundation/window_names.h"
#include "settings/schedule_rows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

const QString kTimeForm = QStringLiteral("HH:mm");
const QString kDateForm = QStringLiteral("yyyy-MM-dd");
constexpr int kDefaultLengthSeconds = 10 * 60;
const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

QTimeEdit* MakeTime(QWidget* parent)
{
    auto* edit = new QTimeEdit(parent);
    edit->setDisplayFormat(kTimeForm);
    edit->setTime(QTime(12, 0));
    return edit;
}

QDateEdit* MakeDate(QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    edit->setDisplayFormat(kDateForm);
    edit->setCalendarPopup(true);
    return edit;
}

// The hour and minute of a moment: the time controls show no seconds.
QTime HourMinute(const QDateTime& t) { return QTime(t.time().hour(), t.time().minute()); }

}  // namespace

frmAddSchedule::frmAddSchedule(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Add Schedule"));

    optDateMode = new QRadioButton(QStringLiteral("Date Mode"), this);
    optWeekMode = new QRadioButton(QStringLiteral("Week Mode"), this);
    optDateMode->setChecked(true);
    auto* modes = new QButtonGroup(this);
    modes->addButton(optWeekMode);
    modes->addButton(optDateMode);

    Frame2 = new QGroupBox(this);
    lblDateModeStart = new QLabel(QStringLiteral("Start:"), Frame2);
    lblDateModeStop = new QLabel(QStringLiteral("Stop:"), Frame2);
    DTStart = MakeDate(Frame2);
    DTStop = MakeDate(Frame2);
    DateTimeStart = MakeTime(Frame2);
    DateTimeStop = MakeTime(Frame2);
    auto* dateLayout = new QGridLayout(Frame2);
    dateLayout->addWidget(lblDateModeStart, 0, 0);
    dateLayout->addWidget(DTStart, 0, 1);
    dateLayout->addWidget(DateTimeStart, 0, 2);
    dateLayout->addWidget(lblDateModeStop, 1, 0);
    dateLayout->addWidget(DTStop, 1, 1);
    dateLayout->addWidget(DateTimeStop, 1, 2);

    frameTime = new QGroupBox(this);
    auto* days = new QHBoxLayout;
    for (int k = 1; k <= 7; ++k) {
        chkWeekDay[static_cast<size_t>(k)] =
            new QCheckBox(QString::fromLatin1(kDayNames[k - 1]), frameTime);
        days->addWidget(chkWeekDay[static_cast<size_t>(k)]);
    }
    lblWeekStart = new QLabel(QStringLiteral("Start:"), frameTime);
    lblWeekStop = new QLabel(QStringLiteral("Stop:"), frameTime);
    TimeStart = MakeTime(frameTime);
    TimeStop = MakeTime(frameTime);
    auto* times = new QHBoxLayout;
    times->addWidget(lblWeekStart);
    times->addWidget(TimeStart);
    times->addSpacing(16);
    times->addWidget(lblWeekStop);
    times->addWidget(TimeStop);
    times->addStretch(1);
    auto* weekLayout = new QVBoxLayout(frameTime);
    weekLayout->addLayout(days);
    weekLayout->addLayout(times);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optDateMode);
    layout->addWidget(Frame2);
    layout->addWidget(optWeekMode);
    layout->addWidget(frameTime);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { Guard("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmAddSchedule::Form_Load()
{
    m_bCancel = false;
    SetFormFont();
    LoadLanguage();
    SetDefaults();
}

void frmAddSchedule::SetFormFont()
{
    ApplyLanguageFont({chkWeekDay[1], chkWeekDay[2],    chkWeekDay[3],   chkWeekDay[4],
                       chkWeekDay[5], chkWeekDay[6],    chkWeekDay[7],   optDateMode,
                       optWeekMode,   lblDateModeStart, lblDateModeStop, lblWeekStart,
                       lblWeekStop,   DTStart,          DTStop,          DateTimeStart,
                       DateTimeStop,  TimeStart,        TimeStop,        cmdOK,
                       cmdCancel});
}

bool frmAddSchedule::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kAddScheduleWindowName);
    if (!lang)
        return false;
    auto text = [&lang](const QString& key) { return lang->Text(key); };
    setWindowTitle(text(QStringLiteral("Caption")));
    lblDateModeStart->setText(text(QStringLiteral("lblDateModeStart")));
    lblDateModeStop->setText(text(QStringLiteral("lblDateModeStop")));
    lblWeekStart->setText(text(QStringLiteral("lblWeekStart")));
    lblWeekStop->setText(text(QStringLiteral("lblWeekStop")));
    cmdOK->setText(text(QStringLiteral("cmdOK")));
    cmdCancel->setText(text(QStringLiteral("cmdCancel")));
    optDateMode->setText(text(QStringLiteral("optDateMode")));
    optWeekMode->setText(text(QStringLiteral("optWeekMode")));
    for (int k = 1; k <= 7; ++k)
        chkWeekDay[static_cast<size_t>(k)]->setText(text(QStringLiteral("chkWeekDay%1").arg(k)));
    m_messages = lang->Messages(4);
    return true;
}

void frmAddSchedule::SetDefaults()
{
    // Each step reads the clock anew.
    DTStart->setDate(ui().Now().date());
    DTStop->setDate(ui().Now().addSecs(kDefaultLengthSeconds).date());
    DateTimeStart->setTime(HourMinute(ui().Now()));
    DateTimeStop->setTime(HourMinute(ui().Now().addSecs(kDefaultLengthSeconds)));
    TimeStart->setTime(DateTimeStart->time());
    TimeStop->setTime(DateTimeStop->time());
}

void frmAddSchedule::cmdOK_Click()
{
    m_bCancel = false;
    ScheduleInfo entry;
    entry.CHECK = true;
    if (!optWeekMode->isChecked()) {
        const QDate start = DTStart->date();
        const QDate stop = DTStop->date();
        const QTime from = DateTimeStart->time();
        const QTime to = DateTimeStop->time();
        const qint64 days = start.daysTo(stop);
        if (days < 0) {
            Message(m_messages[2], MsgIcon::None);
            return;
        }
        if (days == 0 && from.secsTo(to) < 1) {
            Message(m_messages[3], MsgIcon::None);
            return;
        }
        entry.MODE = schedules::kDateMode;
        entry.DateStart = ScheduleDateToText(start);
        entry.DateStop = ScheduleDateToText(stop);
        entry.TimeStart = ScheduleTimeToText(from);
        entry.TimeStop = ScheduleTimeToText(to);
        entry.WeekOption = 0;
    } else {
        int mask = 0;
        for (int k = 1; k <= 7; ++k)
            if (chkWeekDay[static_cast<size_t>(k)]->isChecked())
                mask |= 1 << (k - 1);
        if (mask == 0) {
            Message(m_messages[0], MsgIcon::Warning);
            return;
        }
        entry.MODE = schedules::kWeekMode;
        entry.TimeStart = ScheduleTimeToText(TimeStart->time());
        entry.TimeStop = ScheduleTimeToText(TimeStop->time());
        entry.WeekOption = mask;
        entry.DateStart.clear();
        entry.DateStop.clear();
    }
    for (const ScheduleInfo& row : m_existing) {
        if (schedules::SameSchedule(row, entry)) {
            Message(m_messages[1], MsgIcon::None);
            return;
        }
    }
    m_lMode = entry.MODE;
    m_sTimeStart = entry.TimeStart;
    m_sTimeStop = entry.TimeStop;
    if (entry.MODE == schedules::kWeekMode) {
        m_lWeekOption = entry.WeekOption;
        m_sWeekStr = schedules::DayList(entry.WeekOption);
    } else {
        m_sDateStart = entry.DateStart;
        m_sDateStop = entry.DateStop;
    }
    hide();
}

void frmAddSchedule::cmdCancel_Click()
{
    m_bCancel = true;
    hide();
}

void frmAddSchedule::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        m_closedByBox = true;
    DialogBase::closeEvent(event);
}

ScheduleInfo frmAddSchedule::Result() const
{
    ScheduleInfo e;
    e.CHECK = true;
    e.MODE = m_lMode;
    e.TimeStart = m_sTimeStart;
    e.TimeStop = m_sTimeStop;
    if (m_lMode == schedules::kWeekMode) {
        e.WeekOption = m_lWeekOption;
    } else {
        e.DateStart = m_sDateStart;
        e.DateStop = m_sDateStop;
    }
    return e;
}
