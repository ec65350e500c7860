#include "controls/tvInplaceEditor.h"

#include "controls/tvStringGrid.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QToolButton>

namespace {
// Equal without regard to the letter case of ASCII letters only.
bool StartsWithAsciiNoCase(const QString &item, const QString &prefix)
{
    if (item.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t a = item.at(i).unicode(), b = prefix.at(i).unicode();
        if (a >= u'A' && a <= u'Z')
            a = char16_t(a + 32);
        if (b >= u'A' && b <= u'Z')
            b = char16_t(b + 32);
        if (a != b)
            return false;
    }
    return true;
}
} // namespace

TtvInplaceEditor::TtvInplaceEditor(TtvStringGrid *grid) : QLineEdit(grid->viewport()), FGrid(grid)
{
    setFrame(false);
    setAcceptDrops(false); // drops reach the grid under the editor
    hide();
    FButton = new QToolButton(this);
    FButton->setFocusPolicy(Qt::NoFocus);
    FButton->setCursor(Qt::ArrowCursor);
    FButton->hide();
    connect(FButton, &QToolButton::clicked, this, &TtvInplaceEditor::ButtonClicked);
}

void TtvInplaceEditor::SetEditStyle(TEditStyle value)
{
    if (value == FEditStyle)
        return;
    FEditStyle = value;
    CloseUp(false);
    if (value == esSimple) {
        FButton->hide();
        setTextMargins(0, 0, 0, 0);
    } else {
        FButton->setText(value == esEllipsis ? QStringLiteral("...") : QString());
        FButton->setArrowType(value == esPickList ? Qt::DownArrow : Qt::NoArrow);
        FButton->show();
        PlaceButton();
    }
}

void TtvInplaceEditor::PlaceButton()
{
    if (FEditStyle == esSimple)
        return;
    const int w = std::max(16, height() * 3 / 4);
    FButton->setGeometry(width() - w, 0, w, height());
    setTextMargins(0, 0, w, 0);
}

void TtvInplaceEditor::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    PlaceButton();
}

void TtvInplaceEditor::InputComplite()
{
    if (FGrid->FEditCol < 0 || FGrid->FEditRow < 0)
        return;
    if (text() != FGrid->Cells(FGrid->FEditCol, FGrid->FEditRow))
        FGrid->SetEditText(FGrid->FEditCol, FGrid->FEditRow, text());
}

void TtvInplaceEditor::UpdateContents()
{
    const TtvGridEditStyle s = FGrid->GetEditStyles(FGrid->Col());
    SetEditStyle(s == geEllipsis ? esEllipsis : (s == gePickList || s == geDropList) ? esPickList : esSimple);
    FItems.clear();
    setText(FGrid->Cells(FGrid->Col(), FGrid->Row()));
    selectAll();
    if (FGrid->OnShowEditor)
        FGrid->OnShowEditor(FGrid, FGrid->Col(), FGrid->Row(), this);
}

// ---------------------------------------------------------------- pick list

void TtvInplaceEditor::LoadPickList()
{
    FItems.clear();
    if (OnGetPickListitems)
        OnGetPickListitems(FGrid->Col(), FGrid->Row(), FItems);
}

QStringList TtvInplaceEditor::PickListItems() const
{
    return FItems;
}

bool TtvInplaceEditor::ListVisible() const
{
    return FPickList && FPickList->isVisible();
}

void TtvInplaceEditor::DropDown()
{
    if (FEditStyle != esPickList || ListVisible())
        return;
    LoadPickList();
    if (!FPickList) {
        FPickList = new QListWidget(this);
        FPickList->setWindowFlags(Qt::Popup);
        FPickList->installEventFilter(this);
        connect(FPickList, &QListWidget::itemClicked, this, [this] { CloseUp(true); });
    }
    FPickList->clear();
    FPickList->addItems(FItems);
    FPickList->setCurrentRow(int(FItems.indexOf(text())));
    const int rows = std::clamp(int(FItems.size()), 1, DropDownRows);
    const int rowH = FItems.isEmpty() ? fontMetrics().height() : FPickList->sizeHintForRow(0);
    FPickList->resize(width(), rows * rowH + 2 * FPickList->frameWidth());
    FPickList->move(mapToGlobal(QPoint(0, height())));
    FPickList->show();
    FPickList->setFocus();
}

void TtvInplaceEditor::CloseUp(bool accept)
{
    if (!ListVisible())
        return;
    const int index = FPickList->currentRow();
    FPickList->hide();
    if (isVisible())
        setFocus();
    if (!accept || index < 0 || index >= FItems.size())
        return;
    setText(FItems.at(index));
    selectAll();
    if (FGrid->OnSelectListItems)
        FGrid->OnSelectListItems(FGrid, FGrid->Col(), FGrid->Row(), index);
}

bool TtvInplaceEditor::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == FPickList && e->type() == QEvent::KeyPress) {
        const auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            CloseUp(true);
            return true;
        }
        if (k->key() == Qt::Key_Escape || (k->key() == Qt::Key_Up && (k->modifiers() & Qt::AltModifier))) {
            CloseUp(false);
            return true;
        }
    }
    return QLineEdit::eventFilter(watched, e);
}

bool TtvInplaceEditor::CompleteFromPickList(const QString &typed)
{
    const QString prefix = (hasSelectedText() ? text().left(selectionStart()) : text()) + typed;
    LoadPickList();
    for (const QString &item : std::as_const(FItems)) {
        if (!StartsWithAsciiNoCase(item, prefix))
            continue;
        setText(item);
        setSelection(int(prefix.size()), int(item.size() - prefix.size()));
        return true;
    }
    return false;
}

void TtvInplaceEditor::ButtonClicked()
{
    if (FEditStyle == esEllipsis) {
        if (FGrid->OnEditButtonClick)
            FGrid->OnEditButtonClick(FGrid);
    } else if (FEditStyle == esPickList) {
        if (ListVisible())
            CloseUp(false);
        else
            DropDown();
    }
}

// ---------------------------------------------------------------- mouse and keys

void TtvInplaceEditor::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (FEditStyle == esEllipsis) {
        ButtonClicked();
        return;
    }
    if (FEditStyle != esPickList) {
        QLineEdit::mouseDoubleClickEvent(e);
        return;
    }
    LoadPickList();
    if (FItems.size() < 2)
        return;
    // A double click steps to the next item of the list.
    const int index = int((FItems.indexOf(text()) + 1) % FItems.size());
    setText(FItems.at(index));
    selectAll();
    if (FGrid->OnSelectListItems)
        FGrid->OnSelectListItems(FGrid, FGrid->Col(), FGrid->Row(), index);
}

bool TtvInplaceEditor::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            if (FGrid->GridMode() == geAccess)
                InputComplite();
            if (FGrid->Options().testFlag(goTabs)) {
                FGrid->GridKeyDown(k);
                return true;
            }
        }
    }
    return QLineEdit::event(e);
}

void TtvInplaceEditor::keyPressEvent(QKeyEvent *e)
{
    const TtvGridEditorMode mode = FGrid->GridMode();
    const int key = e->key();
    const bool alt = e->modifiers() & Qt::AltModifier;

    if (mode == geAccess) {
        switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Up:
        case Qt::Key_Down:
            InputComplite();
            break;
        default:
            break;
        }
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
            if (selStart == 0 && selectedText().size() == text().size()) {
                InputComplite();
                FGrid->GridKeyDown(e);
                return;
            }
        }
    }

    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (mode == geAccess) {
            InputComplite();
            FGrid->GridKeyDown(e);
            return;
        }
        if (mode == geExcel && FEditStyle == esSimple) {
            FGrid->GridKeyDown(e);
            return;
        }
        FGrid->GridKeyPress(QLatin1Char('\r'), e);
        return;
    }

    if (key == Qt::Key_Down && FEditStyle == esPickList && (mode != geAccess || alt)) {
        DropDown();
        return;
    }

    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
        FGrid->GridKeyDown(e);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (e->modifiers() & Qt::ControlModifier) {
            FGrid->GridKeyDown(e);
            return;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (FGrid->Options().testFlag(goTabs)) {
            FGrid->GridKeyDown(e);
            return;
        }
        break;
    default:
        break;
    }

    const QString typed = e->text();
    if (FEditStyle == esPickList && typed.size() == 1 && !(e->modifiers() & Qt::ControlModifier)) {
        const char16_t c = typed.at(0).unicode();
        if (c >= 32 && c != 127 && CompleteFromPickList(typed))
            return;
    }
    QLineEdit::keyPressEvent(e);
}
