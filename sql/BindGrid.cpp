#include "sql/BindGrid.h"

#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"
#include "platform/Errors.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"
#include "sql/SQLRunner.h"

#include <QSplitter>

#include <algorithm>

namespace sqlrun {

void ApplyBindGrid(TtvStringGrid *Grid, QSplitter *Split, int PanelWidth, tv::db::Params &Params,
                   const std::function<void(const QString &)> &Status)
{
    if (Params.isEmpty()) {
        Grid->hide();
        return;
    }
    // A value still in the cell editor counts as typed.
    if (!Grid->isHidden() && Grid->EditorMode())
        Grid->HideEditor();
    bool need = false;
    if (Grid->isHidden()) {
        const int width = std::max(90, PanelWidth / 3);
        for (int c = 0; c < 3; ++c)
            Grid->SetColWidths(c, width / 3 - 2);
        const QList<int> sizes = Split->sizes();
        if (sizes.size() == 2) {
            const int total = sizes[0] + sizes[1];
            Split->setSizes({std::max(0, total - width), width});
        }
        need = true;
    }
    if (Grid->RowCount() != Params.count() + 1) {
        Grid->SetRowCount(Params.count() + 1);
        need = true;
    }
    Grid->SetHeader({QStringLiteral("バインド変数名"), QStringLiteral("値"), QStringLiteral("型")});
    Grid->SetEditStyles(2, gePickList);
    for (int r = 1; r <= Params.count(); ++r) {
        if (Grid->Cells(0, r) != Params[r - 1].Name) {
            need = true;
            Grid->SetCells(1, r, QString());
        }
        Grid->SetCells(0, r, Params[r - 1].Name);
    }
    Grid->SetFixedRows(1);
    Grid->MoveCurrent(1, 1);
    Grid->show();
    if (need) {
        // The value cell of the first row waits for the user's typing.
        Grid->SetEditorMode(true);
        if (QWidget *ed = Grid->InplaceEditor())
            ed->setFocus();
        if (Status)
            Status(QStringLiteral("バインド変数値を入力して下さい。"));
        throw tv::SilentAbort();
    }
    for (int r = 1; r <= Params.count(); ++r) {
        TBindType type = TBindType::String;
        GetParamDataType(Grid->Cells(2, r).trimmed(), type);
        SetParamValue(Params[r - 1], type, Grid->Cells(1, r));
    }
}

} // namespace sqlrun

void sqlrun::WireBindTypeList(TtvStringGrid *Grid, std::function<IConnectionWindow *()> Owner, QStringList &Cache)
{
    Grid->OnGetPickListitems = [Owner = std::move(Owner), &Cache](int ACol, int, QStringList &Items) {
        if (ACol != 2)
            return;
        if (Cache.isEmpty()) {
            tv::ui::Guard([&] {
                if (auto *cw = dynamic_cast<TfrmObject *>(Owner())) {
                    QStringList names;
                    cw->GetDataType(names, 0);
                    Cache = BindTypeNames(names);
                }
            });
        }
        Items = Cache;
    };
}
