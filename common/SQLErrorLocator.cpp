#include "common/SQLErrorLocator.h"

#include "editor/tvMemo.h"

#include <algorithm>

void LocateSQLError(TtvMemo *Memo, tv::db::Query *Query, const QString &UserName, int StartRow, int EndRow,
                    const QString &ErrorText)
{
    Q_UNUSED(Query);
    Q_UNUSED(UserName);
    Q_UNUSED(ErrorText);
    if (!Memo || !Memo->SelText().isEmpty())
        return;
    // an empty script (the run-all command then passes rows 0 and -1) has no
    // row to mark
    if (Memo->ListCount() == 0 || EndRow < 0)
        return;
    Memo->MultiLineSelect(std::max(0, StartRow), std::max(0, EndRow));
}
