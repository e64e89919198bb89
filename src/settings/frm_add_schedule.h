// frmAddSchedule: the editor of one new schedule entry, opened by the schedule
// list's Add. Week mode: days of the week with a start and a stop time; date
// mode (chosen when the editor opens): a start date and time and a stop date
// and time. Both groups stay usable; the mode buttons decide which one OK
// reads.
//
// OK checks in a fixed order (date mode: stop date not before the start date,
// and on one day the stop at least a second after the start; week mode: at
// least one day), then that the entry is not already in the list (m_existing,
// set by the caller), and hides the editor with the result in the public
// fields. A refused entry shows its message and leaves the editor open as it
// was. Cancel and Esc hide it with m_bCancel set; the list keeps such an editor
// loaded, so the next Add shows the same inputs again. The close box is Cancel
// too, and ClosedByBox() tells the list to unload the editor.
//
// Times are handed back as "HH:mm" and dates as "yyyy-MM-dd", the forms
// main.ini keeps.
#pragma once

#include "discovery/dialog_base.h"
#include "foundation/globals.h"

#include <array>
#include <vector>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimeEdit;

class frmAddSchedule : public DialogBase {
    Q_OBJECT
public:
    explicit frmAddSchedule(QWidget* parent = nullptr);

    // Public fields read by the list after an accepted OK.
    bool m_bCancel = false;
    int m_lMode = 0;  // 0 week mode, 1 date mode
    QString m_sTimeStart;
    QString m_sTimeStop;
    QString m_sWeekStr;     // week mode: the day list
    int m_lWeekOption = 0;  // week mode: bit k = day k, Sunday first
    QString m_sDateStart;   // date mode
    QString m_sDateStop;
    // The list's entries, for the duplicate check.
    std::vector<ScheduleInfo> m_existing;

    QRadioButton* optWeekMode;
    QRadioButton* optDateMode;
    QGroupBox* Frame2;
    QDateEdit* DTStart;
    QDateEdit* DTStop;
    QTimeEdit* DateTimeStart;
    QTimeEdit* DateTimeStop;
    QLabel* lblDateModeStart;
    QLabel* lblDateModeStop;
    QGroupBox* frameTime;
    std::array<QCheckBox*, 8> chkWeekDay{};  // 1..7, Sunday first
    QTimeEdit* TimeStart;
    QTimeEdit* TimeStop;
    QLabel* lblWeekStart;
    QLabel* lblWeekStop;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void Form_Load() override;
    bool LoadLanguage();
    void cmdOK_Click();
    void cmdCancel_Click();

    // The accepted entry as the list stores it (checked).
    ScheduleInfo Result() const;
    bool ClosedByBox() const { return m_closedByBox; }
    const std::vector<QString>& Messages() const { return m_messages; }

protected:
    void OnCancel() override { cmdCancel_Click(); }
    void closeEvent(QCloseEvent* event) override;

private:
    void SetFormFont();
    void SetDefaults();

    std::vector<QString> m_messages{4};
    bool m_closedByBox = false;
};
