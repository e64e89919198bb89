// frmSchedule: the recording schedule of the current slot, up to five entries
// shown as rows with a check box each. Add opens the editor (frmAddSchedule),
// Delete removes the chosen row; both change only the rows. OK stops a
// recording the slot makes by schedule, writes row i into entry i (entries
// after the last row keep their contents), carries the run-time state of the
// entries that were loaded over to their new positions and saves main.ini.
// Cancel, Esc and the close box write nothing.
//
// Each row keeps its entry's data (mode, days, dates, times); the texts are
// for showing only. The day and mode names come from the caption file's
// "frmAddSchedule" section into gDayName and gModeName.
#pragma once

#include "discovery/dialog_base.h"
#include "foundation/globals.h"
#include "panel/panel_windows.h"

#include <vector>

class QPushButton;
class QTreeWidget;

class frmSchedule : public DialogBase, public IModalDialog {
    Q_OBJECT
public:
    explicit frmSchedule(QWidget* parent = nullptr);

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    QTreeWidget* ListView1;
    QPushButton* cmdAdd;
    QPushButton* cmdDelete;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // One row: the entry it shows and the entry number it was loaded from
    // (0 for a row added since the dialog was loaded).
    struct Row {
        ScheduleInfo entry;
        int tag = 0;
    };

    void Form_Load() override;
    bool LoadLanguage();
    void ShowScheduleList();
    void cmdAdd_Click();
    void cmdDelete_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // The rows as shown, with each row's check box.
    std::vector<Row> Rows() const;
    int Slot() const { return m_slot; }
    const std::vector<QString>& Messages() const { return m_messages; }

protected:
    void OnCancel() override { cmdCancel_Click(); }

private:
    void AddRow(const ScheduleInfo& entry, int tag);
    void RenumberRows();

    int m_slot = 1;
    std::vector<int> m_tags;  // per row, in row order
    std::vector<ScheduleInfo> m_entries;
    std::vector<QString> m_messages{2};
};
