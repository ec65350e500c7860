#include "shell/SelectionWalk.h"

#include "common/IMainWindow.h"
#include "controls/tvListView.h"
#include "platform/ui/EscapeWatch.h"

#include <QApplication>

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
        if (!it->isSelected())
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
    if (QTreeWidgetItem *it = FList->topLevelItem(FCurrent))
        it->setSelected(false);
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
