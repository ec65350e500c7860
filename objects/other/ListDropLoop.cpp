#include "objects/other/ListDropLoop.h"

#include "common/IMainWindow.h"
#include "controls/tvListView.h"
#include "platform/db/Connection.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/EscapeWatch.h"

#include <QElapsedTimer>

TListDropResult DropSelectedItems(TtvListView *List, bool ContinueOnError, tv::db::Connection *Connection,
                                  const std::function<QString(TtvListItem *)> &Statement,
                                  const std::function<void(const QString &)> &Execute)
{
    TListDropResult result;
    IMainWindow *main = MainWindow();
    QList<TtvListItem *> pass = List->SelectedItems();
    const bool single = pass.size() == 1;
    int n = int(pass.size());
    struct DefMessage {
        IMainWindow *m;
        ~DefMessage()
        {
            if (m)
                m->SetDefMessage();
        }
    } restore{main};
    QElapsedTimer shown;
    while (!pass.isEmpty()) {
        int i = 0;
        int removed = 0;
        for (TtvListItem *item : std::as_const(pass)) {
            if (tv::ui::EscapePressed()) {
                result.Stopped = true;
                break;
            }
            // Brought into view on a timer: each scroll lays the whole list out again.
            if (!shown.isValid() || shown.elapsed() > 100) {
                List->scrollToItem(item);
                shown.start();
            }
            ++i;
            if (main)
                main->SetLoopMessage(i, n);
            const QString sql = Statement(item);
            if (sql.isEmpty())
                continue;
            try {
                if (Connection) {
                    tv::db::StatementSavepoint savepoint(*Connection);
                    Execute(sql);
                    savepoint.release();
                } else {
                    Execute(sql);
                }
            } catch (...) {
                if (single || !ContinueOnError)
                    throw;
                continue;
            }
            delete item;
            ++removed;
            ++result.Dropped;
        }
        if (result.Stopped)
            break;
        const QList<TtvListItem *> left = List->SelectedItems();
        if (left.isEmpty() || removed == 0 || int(left.size()) == n)
            break;
        pass = left;
        n = int(left.size());
    }
    result.Failed = int(List->SelectedItems().size());
    return result;
}
