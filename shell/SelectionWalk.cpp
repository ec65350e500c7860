#include "shell/SelectionWalk.h"

#include "common/IMainWindow.h"
#include "controls/tvListView.h"
#include "platform/ui/EscapeWatch.h"

#include <QApplication>
#include <QItemSelectionModel>

namespace {

// An item counts as selected when any of its cells is, as the list's own
// selectedItems() counts it: with cell selection (row select off) a click on
// a column other than the name selects that cell only.
bool RowSelected(TtvListView *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    return list->selectionModel() && list->selectionModel()->rowIntersectsSelection(index.row(), index.parent());
}

} // namespace

TSelectionWalk::TSelectionWalk(TtvListView *list, bool scroll) : FList(list), FScroll(scroll)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FBlock.emplace(FList);
    tv::ui::ClearEscape();
    FTotal = int(FList->selectedItems().size());
}

TSelectionWalk::~TSelectionWalk()
{
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
    FBlock.reset();
    QApplication::restoreOverrideCursor();
}

TtvListItem *TSelectionWalk::Next()
{
    if (FCurrent >= 0)
        Keep();
    const int n = FList->topLevelItemCount();
    for (int i = FPos; i < n; ++i) {
        QTreeWidgetItem *it = FList->topLevelItem(i);
        if (!RowSelected(FList, i))
            continue;
        if (tv::ui::EscapePressed()) {
            FEscaped = true;
            return nullptr;
        }
        FCurrent = i;
        FPos = i + 1;
        if (FScroll)
            FList->scrollToItem(it);
        ++FCount;
        if (IMainWindow *m = MainWindow())
            m->SetLoopMessage(FCount, FTotal);
        return static_cast<TtvListItem *>(it);
    }
    FPos = n;
    return nullptr;
}

void TSelectionWalk::Deselect()
{
    if (FCurrent < 0)
        return;
    if (QItemSelectionModel *sel = FList->selectionModel())
        sel->select(FList->model()->index(FCurrent, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    FCurrent = -1;
}

void TSelectionWalk::Remove()
{
    if (FCurrent < 0)
        return;
    delete FList->takeTopLevelItem(FCurrent);
    FPos = FCurrent;
    FCurrent = -1;
}

void TSelectionWalk::Keep()
{
    FCurrent = -1;
}

void TSelectionWalk::Restart()
{
    FCurrent = -1;
    FPos = 0;
    FCount = 0;
    FTotal = int(FList->selectedItems().size());
}

QString DropDoneText(int Failed)
{
    QString text = QStringLiteral("オブジェクトが削除されました。");
    if (Failed > 0)
        text += QStringLiteral("\r\nエラー: %1 件").arg(Failed);
    return text;
}
