#pragma once
// Control styling: the user's display options applied to a control when a
// window builds it, in one place, from the current options.
//
// ApplyControlStyle tests the control's kind in a fixed order; the first kind
// that matches styles it and the others are skipped:
//   1 a plain multi-line edit (QPlainTextEdit, QTextEdit): the font of the
//     editor settings prpEditor;
//   2 a SQL editor (TtvMemo): prpEditor copied onto it, the main window's
//     editor context menu and the shared keyboard-macro list;
//   3 the program's string grid: the editing mode in which the cell editor is
//     always shown (its font stays as it is);
//   4 any other string grid (QTableWidget): the data font in fixed pitch;
//   5 the row-wise data grid: the data font in fixed pitch;
//   6 the transposed data grid: the data font in fixed pitch, then the default
//     record-column width of DataColWidthH capital letters "A";
//   any other control is left as it is. Applying twice equals applying once.
//
// Kinds 1, 2 and 4 are known here. The grids of kinds 3, 5 and 6 belong to a
// higher layer, so they are styled through hooks: RegisterGridStylers, a
// template instantiated with the grid classes by the layer that knows them
// (the main window does it when it is built), fills the three steps. Until
// then a grid of those kinds is left as it is.
#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QWidget>

#include <functional>

class QIcon;

// The steps of ApplyControlStyle, in their test order.
enum TControlStyleStep {
    csPlainMemo = 1,
    csSqlMemo,
    csStringGrid,
    csOtherStringGrid,
    csDataGridV,
    csDataGridH,
};

// Styles a control of the step's kind and returns true; returns false (and
// changes nothing) for a control of another kind.
using TControlStyler = std::function<bool(QWidget *Control)>;

// Sets (or with an empty function, clears) the styler of a step; a second
// registration of the same step replaces the first.
void RegisterControlStyler(TControlStyleStep Step, TControlStyler Styler);

// Styles one control according to its kind (see above). Null: nothing.
void ApplyControlStyle(QWidget *Control);

// The data font of the grids: tvOption.DataFontName, tvOption.DataFontSize,
// fixed pitch.
QFont DataGridFont();
// The default record-column width of the transposed grid, measured with the
// grid's font on its own surface: the width of tvOption.DataColWidthH
// letters "A" (0 when that count is 0 or less).
int DataColumnWidthH(const QFontMetrics &Metrics);

// Sets the window's icon to image `Code` of the main window's image list and,
// when the window is one of the base class with a task button, that button's
// image. The icon of the window's MDI frame follows. Null: nothing.
void SetWindowIcon(QWidget *Form, int Code);

// Fills the grid steps with the grid classes of the layer that has them:
//   StringGrid: SetGridMode(AccessMode)
//   GridV:      setFont(DataGridFont())
//   GridH:      setFont(DataGridFont()), SetDefaultColWidth(DataColumnWidthH(its metrics))
template <class StringGrid, auto AccessMode, class GridV, class GridH>
void RegisterGridStylers()
{
    RegisterControlStyler(csStringGrid, [](QWidget *c) {
        auto *g = qobject_cast<StringGrid *>(c);
        if (!g)
            return false;
        g->SetGridMode(AccessMode);
        return true;
    });
    RegisterControlStyler(csDataGridV, [](QWidget *c) {
        auto *g = qobject_cast<GridV *>(c);
        if (!g)
            return false;
        g->setFont(DataGridFont());
        g->viewport()->update();
        return true;
    });
    RegisterControlStyler(csDataGridH, [](QWidget *c) {
        auto *g = qobject_cast<GridH *>(c);
        if (!g)
            return false;
        g->setFont(DataGridFont());
        g->SetDefaultColWidth(DataColumnWidthH(g->fontMetrics()));
        g->viewport()->update();
        return true;
    });
}
