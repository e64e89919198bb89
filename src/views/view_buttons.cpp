#include "views/view_buttons.h"

#include "foundation/globals.h"
#include "platform/skin/skin_form.h"

#include <QListWidget>
#include <algorithm>

namespace viewbtn {

int RowOf(const SkinElement* element)
{
    if (!element)
        return -1;
    for (int r = 0; r < kViewBtnCount; ++r)
        if (gViewBtn[r].BtnName == element->Name())
            return r;
    return -1;
}

void ShowCell(SkinForm* skin, int row, int cell)
{
    skin->GetElement(gViewBtn[row].BtnName).setStatePicture(gViewBtn[row].BtnStr[cell]);
}

void Look(SkinElement* element, int row, int cell)
{
    element->setStatePicture(gViewBtn[row].BtnStr[cell]);
}

void SetTips(SkinForm* skin)
{
    for (int r = 0; r < kViewBtnCount; ++r)
        skin->GetElement(gViewBtn[r].BtnName).setToolTip(gViewBtn[r].BtnStr[kTip]);
}

}  // namespace viewbtn

int NextRotation(int angle)
{
    const bool quarter = angle == 0 || angle == 90 || angle == 180 || angle == 270;
    const int from = quarter ? angle : 0;
    return from >= 270 ? 0 : from + 90;
}

QListWidget* MakeEventListWidget(QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QStringLiteral("ListEvent"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Long lines wrap at the overlay's width: every line is shown whole.
    list->setWordWrap(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setResizeMode(QListView::Adjust);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setStyleSheet(QStringLiteral(
        "QListWidget { background: rgba(11, 14, 19, 235); color: #d5dce4; border: none;"
        " padding: 4px; }"
        "QListWidget::item { padding: 1px 2px; }"
        "QListWidget::item:selected { background: #2f6fd6; color: white; }"));
    return list;
}

void ListWidgetEvents::AddItem(const QString& line) { list_->addItem(line); }
int ListWidgetEvents::ListCount() const { return list_->count(); }
void ListWidgetEvents::SelectLast()
{
    list_->setCurrentRow(list_->count() - 1);
    list_->scrollToBottom();
}
void ListWidgetEvents::RemoveFirst(int count)
{
    const int n = std::min(count, list_->count());
    for (int i = 0; i < n; ++i)
        delete list_->takeItem(0);
}
