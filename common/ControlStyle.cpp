#include "common/ControlStyle.h"

#include "common/Globals.h"
#include "common/IMainWindow.h"
#include "common/tvForm.h"
#include "common/tvOption.h"
#include "editor/tvMacroList.h"
#include "editor/tvMemo.h"
#include "editor/tvMemoProp.h"
#include "platform/ui/Font.h"

#include <QIcon>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>

#include <map>

namespace {

// The editor settings every SQL editor takes: the main window's, or the
// shared one while no main window is registered.
TEditorProp *EditorSettings()
{
    if (IMainWindow *m = MainWindow(); m && m->EditorProp())
        return m->EditorProp();
    return prpEditor;
}

QFont EditorFont(const TEditorProp &prop)
{
    const TEditorPropFont &f = *prop.Font();
    tv::ui::FontStyles styles;
    if (f.Style & FontStyleBit(fsBold))
        styles |= tv::ui::FontStyle::Bold;
    if (f.Style & FontStyleBit(fsItalic))
        styles |= tv::ui::FontStyle::Italic;
    if (f.Style & FontStyleBit(fsUnderline))
        styles |= tv::ui::FontStyle::Underline;
    if (f.Style & FontStyleBit(fsStrikeOut))
        styles |= tv::ui::FontStyle::StrikeOut;
    return tv::ui::MakeFont(f.Name, f.Size, styles);
}

bool StylePlainMemo(QWidget *c)
{
    if (!qobject_cast<QPlainTextEdit *>(c) && !qobject_cast<QTextEdit *>(c))
        return false;
    if (TEditorProp *prop = EditorSettings())
        c->setFont(EditorFont(*prop));
    return true;
}

// The editor's context menu: `menu` pops up on a right click in the text.
// Setting it again replaces it; the memo forgets a menu that is destroyed.
const char *const kMenuProperty = "tvPopupMenu";

QMenu *PopupMenuOf(const QWidget *memo)
{
    return qobject_cast<QMenu *>(memo->property(kMenuProperty).value<QObject *>());
}

void SetPopupMenu(TtvMemo *memo, QMenu *menu)
{
    if (memo->contextMenuPolicy() != Qt::CustomContextMenu) {
        memo->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(memo, &QWidget::customContextMenuRequested, memo, [memo](const QPoint &pos) {
            if (QMenu *m = PopupMenuOf(memo))
                m->popup(memo->viewport()->mapToGlobal(pos)); // the click is the viewport's
        });
    }
    if (PopupMenuOf(memo) == menu)
        return;
    memo->setProperty(kMenuProperty, QVariant::fromValue<QObject *>(menu));
    if (menu) {
        QObject::connect(menu, &QObject::destroyed, memo, [memo, menu] {
            if (memo->property(kMenuProperty).value<QObject *>() == menu)
                memo->setProperty(kMenuProperty, QVariant());
        });
    }
}

bool StyleSqlMemo(QWidget *c)
{
    auto *memo = qobject_cast<TtvMemo *>(c);
    if (!memo)
        return false;
    if (TEditorProp *prop = EditorSettings())
        prop->AssignTo(*memo);
    if (IMainWindow *m = MainWindow())
        SetPopupMenu(memo, m->EditorMenu());
    // One recording for every SQL editor of the process.
    memo->SetMacroList(MacroList);
    return true;
}

bool StyleOtherStringGrid(QWidget *c)
{
    auto *g = qobject_cast<QTableWidget *>(c);
    if (!g)
        return false;
    g->setFont(DataGridFont());
    return true;
}

std::map<int, TControlStyler> &Stylers()
{
    static std::map<int, TControlStyler> stylers{
        {csPlainMemo, StylePlainMemo},
        {csSqlMemo, StyleSqlMemo},
        {csOtherStringGrid, StyleOtherStringGrid},
    };
    return stylers;
}

} // namespace

void RegisterControlStyler(TControlStyleStep Step, TControlStyler Styler)
{
    if (Styler)
        Stylers()[Step] = std::move(Styler);
    else
        Stylers().erase(Step);
}

void ApplyControlStyle(QWidget *Control)
{
    if (!Control)
        return;
    for (const auto &[step, styler] : Stylers()) {
        if (styler(Control))
            return;
    }
}

QFont DataGridFont()
{
    QFont f = tv::ui::MakeFont(tvOption.DataFontName, tvOption.DataFontSize);
    f.setFixedPitch(true);
    return f;
}

int DataColumnWidthH(const QFontMetrics &Metrics)
{
    if (tvOption.DataColWidthH <= 0)
        return 0;
    return Metrics.horizontalAdvance(QString(tvOption.DataColWidthH, QLatin1Char('A')));
}

void SetWindowIcon(QWidget *Form, int Code)
{
    if (!Form)
        return;
    const QIcon icon = MainWindowImage(Code);
    Form->setWindowIcon(icon);
    if (auto *frame = qobject_cast<QMdiSubWindow *>(Form->parentWidget()))
        frame->setWindowIcon(icon);
    if (auto *form = qobject_cast<TtvForm *>(Form)) {
        if (QToolButton *b = form->TaskButton())
            b->setIcon(icon);
    }
}
