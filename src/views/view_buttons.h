// What the video windows share about their skin buttons and event lists:
// the rows and cells of the video-window button table (gViewBtn), finding
// an element's row, and the event-list box the engine mirrors its lines into.
#pragma once

#include "engine/engine_windows.h"

class QListWidget;
class QWidget;
class SkinElement;
class SkinForm;

namespace viewbtn {

// Rows of gViewBtn.
enum Row {
    kMin = 0,
    kMax = 1,
    kClose = 2,
    kOnTop = 3,
    kWakeUp = 4,
    kColorCtl = 5,
    kEvent = 6,
    kSnapshot = 7,
    kRotate = 8,
    kZoom = 9,
    kAudio = 10
};
// Cells of a row.
enum Cell { kNormal = 1, kDown = 2, kLeave = 3, kOver = 4, kGray = 5, kNoAudio = 6, kTip = 7 };

// The first row whose BtnName is the element's name, or -1.
int RowOf(const SkinElement* element);
// Gives the element of `row` in `skin` the look of `cell`.
void ShowCell(SkinForm* skin, int row, int cell);
// Gives `element` the look of cell `cell` of `row`.
void Look(SkinElement* element, int row, int cell);
// Every button's tip from cell 7 of its row.
void SetTips(SkinForm* skin);

}  // namespace viewbtn

// The next rotation of a camera picture: 0, 90, 180, 270 and round again;
// an angle that is not one of those counts as 0.
int NextRotation(int angle);

// The event-list box of a video window (dark, one selection, long lines
// wrapped at its width), and the
// engine's view of it: lines appended at the end, the last one selected,
// the oldest removed in blocks.
QListWidget* MakeEventListWidget(QWidget* parent);
class ListWidgetEvents : public IEventListBox {
public:
    explicit ListWidgetEvents(QListWidget* list) : list_(list) {}
    void AddItem(const QString& line) override;
    int ListCount() const override;
    void SelectLast() override;
    void RemoveFirst(int count) override;

private:
    QListWidget* list_;
};
