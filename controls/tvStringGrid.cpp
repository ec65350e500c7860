#include "controls/tvStringGrid.h"

#include "controls/tvControlUtil.h"
#include "controls/tvInplaceEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

namespace {
bool IsCheckStyle(TtvGridEditStyle s)
{
    return s == geCheckBox || s == geViewCheckBox;
}
} // namespace

TtvStringGrid::TtvStringGrid(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    ResizeRows(FRowCount);
    FColWidths = QList<int>(FColCount, FDefaultColWidth);
    FEditStyles = QList<TtvGridEditStyle>(FColCount, geSimple);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int a) { ScrollAction(Qt::Vertical, a); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int a) { ScrollAction(Qt::Horizontal, a); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) { SetTopRow(v); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) { SetLeftCol(v); });
    connect(qApp, &QApplication::focusChanged, this, &TtvStringGrid::FocusChanged);
    UpdateScrollBars();
}

TtvStringGrid::~TtvStringGrid() = default;

// ---------------------------------------------------------------- cells

QString TtvStringGrid::Cells(int ACol, int ARow) const
{
    if (ARow < 0 || ARow >= FRowCount || ACol < 0 || ACol >= FColCount)
        return {};
    return FCells[ARow].value(ACol);
}

void TtvStringGrid::SetCells(int ACol, int ARow, const QString &value)
{
    if (ARow < 0 || ARow >= FRowCount || ACol < 0 || ACol >= FColCount)
        return;
    QString &cell = FCells[ARow][ACol];
    if (cell == value)
        return;
    cell = value;
    if (FEditorShown && ACol == FEditCol && ARow == FEditRow && FEditor->text() != value) {
        FEditor->setText(value);
        FEditor->selectAll();
    }
    viewport()->update(CellRect(ACol, ARow));
}

QVariant TtvStringGrid::Objects(int ACol, int ARow) const
{
    if (ARow < 0 || ARow >= FRowCount || ACol < 0 || ACol >= FColCount)
        return {};
    const auto &row = FObjects[size_t(ARow)];
    return size_t(ACol) < row.size() ? row[size_t(ACol)] : QVariant();
}

void TtvStringGrid::SetObjects(int ACol, int ARow, const QVariant &value)
{
    if (ARow < 0 || ARow >= FRowCount || ACol < 0 || ACol >= FColCount)
        return;
    auto &row = FObjects[size_t(ARow)];
    if (row.size() < size_t(FColCount))
        row.resize(size_t(FColCount));
    row[size_t(ACol)] = value;
}

QStringList TtvStringGrid::Rows(int ARow) const
{
    if (ARow < 0 || ARow >= FRowCount)
        return {};
    return FCells[ARow];
}

void TtvStringGrid::SetRows(int ARow, const QStringList &value)
{
    for (int c = 0; c < FColCount; ++c)
        SetCells(c, ARow, value.value(c));
}

QStringList TtvStringGrid::Cols(int ACol) const
{
    QStringList out;
    out.reserve(FRowCount);
    for (int r = 0; r < FRowCount; ++r)
        out << Cells(ACol, r);
    return out;
}

void TtvStringGrid::ResizeRows(int count)
{
    while (FCells.size() > count)
        FCells.removeLast();
    while (FCells.size() < count)
        FCells.append(QStringList(FColCount, QString()));
    FObjects.resize(size_t(count));
    FRowHeights.resize(count, -1);
}

void TtvStringGrid::SetRowCount(int value)
{
    value = std::max(1, value);
    if (value == FRowCount)
        return;
    if (value <= FFixedRows)
        FFixedRows = value - 1;
    FRowCount = value;
    ResizeRows(value);
    if (FRow >= FRowCount)
        MoveCurrent(FCol, FRowCount - 1);
    FRow = std::clamp(FRow, FFixedRows, FRowCount - 1);
    FTopRow = std::clamp(FTopRow, FFixedRows, MaxTopRow());
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetColCount(int value)
{
    value = std::max(1, value);
    if (value == FColCount)
        return;
    if (value <= FFixedCols)
        FFixedCols = value - 1;
    FColCount = value;
    for (auto &row : FCells)
        row.resize(value);
    for (auto &row : FObjects)
        if (row.size() > size_t(value))
            row.resize(size_t(value));
    FColWidths.resize(value, FDefaultColWidth);
    // Styles follow the column count: existing entries kept, new ones plain.
    FEditStyles.resize(value, geSimple);
    if (FCol >= FColCount)
        MoveCurrent(FColCount - 1, FRow);
    FCol = std::clamp(FCol, FFixedCols, FColCount - 1);
    FLeftCol = std::clamp(FLeftCol, FFixedCols, MaxLeftCol());
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetFixedRows(int value)
{
    value = std::clamp(value, 0, FRowCount - 1);
    FFixedRows = value;
    FRow = std::max(FRow, value);
    FTopRow = std::clamp(FTopRow, value, MaxTopRow());
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetFixedCols(int value)
{
    value = std::clamp(value, 0, FColCount - 1);
    FFixedCols = value;
    FCol = std::max(FCol, value);
    FLeftCol = std::clamp(FLeftCol, value, MaxLeftCol());
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetDefaultRowHeight(int value)
{
    FDefaultRowHeight = std::max(1, value);
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetDefaultColWidth(int value)
{
    FDefaultColWidth = std::max(0, value);
    FColWidths.fill(FDefaultColWidth);
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

int TtvStringGrid::RowHeights(int ARow) const
{
    const int h = FRowHeights.value(ARow, -1);
    return h < 0 ? FDefaultRowHeight : h;
}

void TtvStringGrid::SetRowHeights(int ARow, int value)
{
    if (ARow < 0 || ARow >= FRowCount)
        return;
    FRowHeights[ARow] = std::max(0, value);
    FTopRow = std::clamp(FTopRow, FFixedRows, MaxTopRow());
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

int TtvStringGrid::ColWidths(int ACol) const
{
    return FColWidths.value(ACol, FDefaultColWidth);
}

void TtvStringGrid::SetColWidths(int ACol, int value)
{
    if (ACol < 0 || ACol >= FColCount)
        return;
    FColWidths[ACol] = std::max(0, value);
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetOptions(TGridOptions value)
{
    if (value == FOptions)
        return;
    FOptions = value;
    if (!CanEditShow())
        HideEditor();
    else if (FOptions.testFlag(goAlwaysShowEditor) && hasFocus() && !FEditorShown)
        ShowEditor();
    viewport()->update();
}

// ---------------------------------------------------------------- geometry

int TtvStringGrid::FixedRowsHeight() const
{
    int h = 0;
    for (int r = 0; r < FFixedRows && r < FRowCount; ++r)
        h += RowHeights(r) + GridLineWidth();
    return h;
}

int TtvStringGrid::RowsFitFrom(int Top) const
{
    const int avail = viewport()->height() - FixedRowsHeight();
    int used = 0, n = 0;
    for (int r = std::max(Top, FFixedRows);; ++r, ++n) {
        const int h = (r < FRowCount ? RowHeights(r) : FDefaultRowHeight) + GridLineWidth();
        if (used + h > avail)
            break;
        used += h;
    }
    return n;
}

int TtvStringGrid::RowsFit() const
{
    return RowsFitFrom(FTopRow);
}

int TtvStringGrid::MaxTopRow() const
{
    // The highest top row that still shows the last row whole (at least
    // the last row itself).
    const int avail = viewport()->height() - FixedRowsHeight();
    int used = 0, r = FRowCount - 1;
    for (; r >= FFixedRows; --r) {
        used += RowHeights(r) + GridLineWidth();
        if (used > avail)
            break;
    }
    return std::clamp(r + 1, FFixedRows, std::max(FFixedRows, FRowCount - 1));
}

int TtvStringGrid::MaxLeftCol() const
{
    int fixedW = 0;
    for (int c = 0; c < FFixedCols; ++c)
        fixedW += ColWidths(c) + GridLineWidth();
    const int avail = viewport()->width() - fixedW;
    int used = 0, c = FColCount - 1;
    for (; c >= FFixedCols; --c) {
        used += ColWidths(c) + GridLineWidth();
        if (used > avail)
            break;
    }
    return std::clamp(c + 1, FFixedCols, std::max(FFixedCols, FColCount - 1));
}

int TtvStringGrid::VisibleRowCount() const
{
    return std::max(0, std::min(RowsFit(), FRowCount - FTopRow));
}

int TtvStringGrid::VisibleColCount() const
{
    int x = 0;
    for (int c = 0; c < FFixedCols; ++c)
        x += ColWidths(c) + GridLineWidth();
    int n = 0;
    for (int c = FLeftCol; c < FColCount; ++c) {
        x += ColWidths(c) + GridLineWidth();
        if (x > viewport()->width())
            break;
        ++n;
    }
    return n;
}

int TtvStringGrid::RowY(int ARow) const
{
    int y = 0;
    for (int r = 0; r < FFixedRows && r < FRowCount; ++r) {
        if (r == ARow)
            return y;
        y += RowHeights(r) + GridLineWidth();
    }
    if (ARow < FTopRow)
        return -1;
    const int h = viewport()->height();
    for (int r = FTopRow; r < ARow && y < h; ++r)
        y += RowHeights(r) + GridLineWidth();
    return y;
}

int TtvStringGrid::ColX(int ACol) const
{
    int x = 0;
    for (int c = 0; c < FFixedCols && c < FColCount; ++c) {
        if (c == ACol)
            return x;
        x += ColWidths(c) + GridLineWidth();
    }
    if (ACol < FLeftCol)
        return -1;
    for (int c = FLeftCol; c < ACol; ++c)
        x += ColWidths(c) + GridLineWidth();
    return x;
}

QRect TtvStringGrid::CellRect(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= FColCount || ARow < 0 || ARow >= FRowCount)
        return {};
    const int y = RowY(ARow);
    const int x = ColX(ACol);
    if (x < 0 || y < 0 || x >= viewport()->width() || y >= viewport()->height())
        return {};
    return QRect(x, y, ColWidths(ACol), RowHeights(ARow));
}

bool TtvStringGrid::MouseToCell(const QPoint &pos, int *ACol, int *ARow) const
{
    if (pos.y() < 0 || pos.x() < 0)
        return false;
    int y = 0, r = -1;
    for (int i = 0; i < FRowCount; ++i) {
        if (i == FFixedRows)
            i = std::max(i, FTopRow);
        if (i >= FRowCount)
            break;
        const int h = RowHeights(i) + GridLineWidth();
        if (pos.y() < y + h) {
            r = i;
            break;
        }
        y += h;
    }
    if (r < 0)
        return false;
    int x = 0, c = -1;
    for (int i = 0; i < FColCount; ++i) {
        if (i == FFixedCols)
            i = std::max(i, FLeftCol);
        const int w = ColWidths(i) + GridLineWidth();
        if (pos.x() < x + w) {
            c = i;
            break;
        }
        x += w;
    }
    if (c < 0)
        return false;
    *ACol = c;
    *ARow = r;
    return true;
}

void TtvStringGrid::SetTopRow(int value)
{
    value = std::clamp(value, FFixedRows, MaxTopRow());
    if (value == FTopRow)
        return;
    FTopRow = value;
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::SetLeftCol(int value)
{
    value = std::clamp(value, FFixedCols, MaxLeftCol());
    if (value == FLeftCol)
        return;
    FLeftCol = value;
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

void TtvStringGrid::UpdateScrollBars()
{
    auto apply = [](QScrollBar *sb, int min, int max, int page, int pos) {
        max = std::max(min, max);
        if (sb->minimum() != min || sb->maximum() != max)
            sb->setRange(min, max);
        if (sb->pageStep() != std::max(1, page))
            sb->setPageStep(std::max(1, page));
        if (sb->value() != pos) {
            const QSignalBlocker block(sb);
            sb->setValue(pos);
        }
    };
    apply(verticalScrollBar(), FFixedRows, MaxTopRow(), RowsFit(), FTopRow);
    apply(horizontalScrollBar(), FFixedCols, MaxLeftCol(), VisibleColCount(), FLeftCol);
}

void TtvStringGrid::ScrollAction(Qt::Orientation o, int action)
{
    // Paging moves by half a page; lines by one, within the scrollable range.
    const bool vert = o == Qt::Vertical;
    QScrollBar *sb = vert ? verticalScrollBar() : horizontalScrollBar();
    const int top = vert ? FTopRow : FLeftCol;
    const int fixed = vert ? FFixedRows : FFixedCols;
    const int visible = vert ? RowsFit() : VisibleColCount();
    const int maxTop = vert ? MaxTopRow() : MaxLeftCol();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        sb->setSliderPosition(std::min(top + 1, maxTop));
        break;
    case QAbstractSlider::SliderSingleStepSub:
        sb->setSliderPosition(std::max(fixed, top - 1));
        break;
    case QAbstractSlider::SliderPageStepAdd:
        sb->setSliderPosition(std::min(top + visible / 2, maxTop));
        break;
    case QAbstractSlider::SliderPageStepSub:
        sb->setSliderPosition(std::max(fixed, top - visible / 2));
        break;
    case QAbstractSlider::SliderToMinimum:
        sb->setSliderPosition(fixed);
        break;
    case QAbstractSlider::SliderToMaximum:
        sb->setSliderPosition(maxTop);
        break;
    default:
        break;
    }
}

void TtvStringGrid::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    FTopRow = std::clamp(FTopRow, FFixedRows, MaxTopRow());
    FLeftCol = std::clamp(FLeftCol, FFixedCols, MaxLeftCol());
    UpdateScrollBars();
    UpdateEditorGeometry();
}

void TtvStringGrid::ClampInView()
{
    int top = FTopRow;
    if (FRow >= FFixedRows) {
        if (FRow < top) {
            top = FRow;
        } else {
            // The first top row from which the current row is shown whole
            // (the current row itself when it is taller than the view).
            const int avail = viewport()->height() - FixedRowsHeight();
            int used = 0, r = FRow;
            for (; r >= top; --r) {
                used += RowHeights(r) + GridLineWidth();
                if (used > avail)
                    break;
            }
            top = std::clamp(r + 1, top, FRow);
        }
    }
    int left = FLeftCol;
    if (FCol >= FFixedCols) {
        if (FCol < left) {
            left = FCol;
        } else {
            int fixedW = 0;
            for (int c = 0; c < FFixedCols; ++c)
                fixedW += ColWidths(c) + GridLineWidth();
            while (left < FCol) {
                int x = fixedW;
                for (int c = left; c <= FCol; ++c)
                    x += ColWidths(c) + GridLineWidth();
                if (x <= viewport()->width())
                    break;
                ++left;
            }
        }
    }
    FTopRow = std::clamp(top, FFixedRows, MaxTopRow());
    FLeftCol = std::clamp(left, FFixedCols, MaxLeftCol());
    UpdateScrollBars();
    UpdateEditorGeometry();
    viewport()->update();
}

// ---------------------------------------------------------------- current cell

bool TtvStringGrid::MoveCurrent(int ACol, int ARow)
{
    ACol = std::clamp(ACol, FFixedCols, FColCount - 1);
    ARow = std::clamp(ARow, FFixedRows, FRowCount - 1);
    if (ACol == FCol && ARow == FRow)
        return true;
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, canSelect);
    if (!canSelect)
        return false;
    const bool hadFocus = FEditorShown && FEditor->hasFocus();
    HideEditor();
    FCol = ACol;
    FRow = ARow;
    ClampInView();
    if (FOptions.testFlag(goAlwaysShowEditor) && CanEditShow()) {
        ShowEditor();
        if (hadFocus || hasFocus())
            FEditor->setFocus();
    } else if (hadFocus) {
        setFocus();
    }
    viewport()->update();
    if (OnClick)
        OnClick(this);
    return true;
}

void TtvStringGrid::MoveAdjust(int &cur, int from, int to) const
{
    if (cur == from)
        cur = to;
    else if (from < cur && cur <= to)
        --cur;
    else if (to <= cur && cur < from)
        ++cur;
}

// ---------------------------------------------------------------- styles and checks

void TtvStringGrid::SetGridMode(TtvGridEditorMode value)
{
    if (value == FGridMode)
        return;
    FGridMode = value;
    if (value == geAccess)
        SetOptions(FOptions | goAlwaysShowEditor);
    else
        SetOptions(FOptions & ~TGridOptions(goAlwaysShowEditor));
}

TtvGridEditStyle TtvStringGrid::GetEditStyles(int Index) const
{
    if (Index < 0 || Index >= FEditStyles.size())
        return geSimple;
    return FEditStyles[Index];
}

void TtvStringGrid::SetEditStyles(int Index, TtvGridEditStyle value)
{
    if (Index < 0 || Index >= FEditStyles.size())
        return;
    FEditStyles[Index] = value;
    if (Index == FCol && FEditorShown) {
        HideEditor();
        if (CanEditShow() && FOptions.testFlag(goAlwaysShowEditor))
            ShowEditor();
    }
    viewport()->update();
}

void TtvStringGrid::SetFlatCheckBox(bool value)
{
    if (value == FFlatCheckBox)
        return;
    FFlatCheckBox = value;
    viewport()->update();
}

bool TtvStringGrid::GetChecked(int ACol, int ARow) const
{
    return IsCheckStyle(GetEditStyles(ACol)) && Cells(ACol, ARow) == QLatin1String("1");
}

void TtvStringGrid::SetChecked(int ACol, int ARow, bool value)
{
    if (!IsCheckStyle(GetEditStyles(ACol)))
        return;
    SetEditText(ACol, ARow, value ? QStringLiteral("1") : QString());
}

int TtvStringGrid::CheckWidth()
{
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth);
}

int TtvStringGrid::CheckHeight()
{
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorHeight);
}

void TtvStringGrid::DrawCheck(QPainter *p, int ACol, int ARow, const QRect &R, bool AEnabled) const
{
    const int cw = CheckWidth(), ch = CheckHeight();
    const QRect box(R.left() + (R.width() - cw) / 2, R.top() + (R.height() - cw) / 2, cw, ch);
    bool ok = false;
    const int state = Cells(ACol, ARow).toInt(&ok);
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = box;
    opt.state = QStyle::State_None;
    if (AEnabled)
        opt.state |= QStyle::State_Enabled;
    opt.state |= (ok && state == 1) ? QStyle::State_On : (ok && state == 2) ? QStyle::State_NoChange
                                                                             : QStyle::State_Off;
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, p, this);
    if (FFlatCheckBox) {
        p->save();
        p->setBrush(Qt::NoBrush);
        p->setPen(palette().color(QPalette::Base));
        p->drawRect(box.adjusted(1, 1, -2, -2));
        p->setPen(palette().color(QPalette::Dark));
        p->drawRect(box.adjusted(0, 0, -1, -1));
        p->restore();
    }
}

void TtvStringGrid::ToggleCurrentCheck()
{
    SetChecked(FCol, FRow, !GetChecked(FCol, FRow));
}

// ---------------------------------------------------------------- structure

void TtvStringGrid::Clear()
{
    setUpdatesEnabled(false);
    HideEditor();
    for (int r = FFixedRows; r < FRowCount; ++r)
        for (int c = FFixedCols; c < FColCount; ++c)
            FCells[r][c].clear();
    FRow = FFixedRows;
    FCol = FFixedCols;
    SetRowCount(FFixedRows + 1);
    FTopRow = FFixedRows;
    FLeftCol = FFixedCols;
    setUpdatesEnabled(true);
    UpdateScrollBars();
    if (FOptions.testFlag(goAlwaysShowEditor) && CanEditShow() && (hasFocus() || OwnsWidget(QApplication::focusWidget())))
        ShowEditor();
    viewport()->update();
}

void TtvStringGrid::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex < 0 || FromIndex >= FRowCount || ToIndex < 0 || ToIndex >= FRowCount || FromIndex == ToIndex)
        return;
    const bool shown = FEditorShown;
    HideEditor();
    FCells.move(FromIndex, ToIndex);
    FRowHeights.move(FromIndex, ToIndex);
    auto obj = std::move(FObjects[size_t(FromIndex)]);
    FObjects.erase(FObjects.begin() + FromIndex);
    FObjects.insert(FObjects.begin() + ToIndex, std::move(obj));
    MoveAdjust(FRow, FromIndex, ToIndex);
    FRow = std::clamp(FRow, FFixedRows, FRowCount - 1);
    if (shown && CanEditShow())
        ShowEditor();
    viewport()->update();
}

void TtvStringGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex < 0 || FromIndex >= FColCount || ToIndex < 0 || ToIndex >= FColCount || FromIndex == ToIndex)
        return;
    const bool shown = FEditorShown;
    HideEditor();
    for (auto &row : FCells)
        row.move(FromIndex, ToIndex);
    for (auto &row : FObjects) {
        if (row.empty())
            continue;
        row.resize(size_t(FColCount));
        auto v = std::move(row[size_t(FromIndex)]);
        row.erase(row.begin() + FromIndex);
        row.insert(row.begin() + ToIndex, std::move(v));
    }
    FColWidths.move(FromIndex, ToIndex);
    MoveAdjust(FCol, FromIndex, ToIndex);
    FCol = std::clamp(FCol, FFixedCols, FColCount - 1);
    if (shown && CanEditShow())
        ShowEditor();
    UpdateScrollBars();
    viewport()->update();
}

void TtvStringGrid::InsertRow(int Index)
{
    SetRowCount(FRowCount + 1);
    const int last = FRowCount - 1;
    FCells[last] = QStringList(FColCount, QString());
    FObjects[size_t(last)].clear();
    FRowHeights[last] = -1;
    MoveRow(last, std::clamp(Index, 0, last));
    viewport()->update();
}

void TtvStringGrid::DeleteRow(int Index)
{
    if (Index < 0 || Index >= FRowCount)
        return;
    const bool shown = FEditorShown;
    HideEditor();
    MoveRow(Index, FRowCount - 1);
    SetRowCount(FRowCount - 1);
    if (Index < FRowCount - 1)
        FRow = std::max(Index, FFixedRows);
    FRow = std::clamp(FRow, FFixedRows, FRowCount - 1);
    ClampInView();
    // Show the editor again so that it shows the cell now under it.
    if (shown && CanEditShow())
        ShowEditor();
    viewport()->update();
}

void TtvStringGrid::InsertCol(int Index)
{
    SetColCount(FColCount + 1);
    const int last = FColCount - 1;
    for (auto &row : FCells)
        row[last].clear();
    for (auto &row : FObjects)
        if (row.size() > size_t(last))
            row[size_t(last)] = QVariant();
    const int to = std::clamp(Index, 0, last);
    MoveColumn(last, to);
    MoveCurrent(to, FRow);
}

void TtvStringGrid::DeleteColumn(int Index)
{
    if (Index < 0 || Index >= FColCount)
        return;
    HideEditor();
    MoveColumn(Index, FColCount - 1);
    SetColCount(FColCount - 1);
}

// ---------------------------------------------------------------- snapshot

void TtvStringGrid::Save()
{
    FSaveRowCount = FRowCount;
    FSaveRows = FCells.mid(0, FRowCount);
}

QString TtvStringGrid::GetSaveCells(int ACol, int ARow) const
{
    if (ARow < 0 || ARow >= FSaveRowCount)
        return {};
    return FSaveRows[ARow].value(ACol);
}

QStringList TtvStringGrid::GetSaveRows(int ARow) const
{
    if (ARow < 0 || ARow >= FSaveRowCount)
        return {};
    return FSaveRows[ARow];
}

QStringList TtvStringGrid::GetSaveCols(int ACol) const
{
    QStringList out;
    out.reserve(FSaveRowCount);
    for (int r = 0; r < FSaveRowCount; ++r)
        out << FSaveRows[r].value(ACol);
    return out;
}

bool TtvStringGrid::IsChanged() const
{
    if (FRowCount != FSaveRowCount)
        return true;
    for (int r = 0; r < FRowCount; ++r)
        if (FCells[r] != FSaveRows[r])
            return true;
    return false;
}

bool TtvStringGrid::GetIsChangedRow(int ARow) const
{
    return Rows(ARow) != GetSaveRows(ARow);
}

bool TtvStringGrid::GetIsChangedCol(int ACol) const
{
    if (FRowCount != FSaveRowCount || ACol < 0 || ACol >= FColCount || FSaveRowCount == 0 ||
        ACol >= FSaveRows[0].size())
        return true;
    for (int r = 0; r < FRowCount; ++r)
        if (FCells[r].value(ACol) != FSaveRows[r].value(ACol))
            return true;
    return false;
}

bool TtvStringGrid::GetIsChangedCell(int ACol, int ARow) const
{
    return Cells(ACol, ARow) != GetSaveCells(ACol, ARow);
}

bool TtvStringGrid::GetIsNull(int ACol, int ARow) const
{
    return tvctl::IsBlankText(Cells(ACol, ARow));
}

// ---------------------------------------------------------------- editor

bool TtvStringGrid::CanEditShow() const
{
    // Check-box cells are toggled, never typed into.
    return FOptions.testFlag(goEditing) && !FOptions.testFlag(goRowSelect) && FRow >= FFixedRows &&
           FCol >= FFixedCols && FRow < FRowCount && FCol < FColCount && !IsCheckStyle(GetEditStyles(FCol));
}

bool TtvStringGrid::EditorMode() const
{
    return FEditorShown;
}

void TtvStringGrid::SetEditorMode(bool value)
{
    if (value)
        ShowEditor();
    else
        HideEditor();
}

void TtvStringGrid::ShowEditor()
{
    if (!CanEditShow())
        return;
    if (!FEditor) {
        FEditor = new TtvInplaceEditor(this);
        FEditor->OnGetPickListitems = [this](int c, int r, QStringList &items) {
            if (OnGetPickListitems)
                OnGetPickListitems(c, r, items);
        };
    }
    FEditorShown = true;
    FEditCol = FCol;
    FEditRow = FRow;
    FEditor->UpdateContents();
    UpdateEditorGeometry();
}

void TtvStringGrid::HideEditor()
{
    if (!FEditorShown)
        return;
    if (FEditCol == FCol && FEditRow == FRow)
        FEditor->InputComplite();
    FEditorShown = false;
    FEditor->CloseUp(false);
    if (FEditor->hasFocus())
        setFocus();
    FEditor->hide();
}

void TtvStringGrid::UpdateEditorGeometry()
{
    if (!FEditorShown || !FEditor)
        return;
    const QRect rc = CellRect(FEditCol, FEditRow);
    if (rc.isEmpty()) {
        if (FEditor->hasFocus())
            setFocus();
        FEditor->hide();
        return;
    }
    FEditor->setGeometry(rc);
    if (!FEditor->isVisible())
        FEditor->show();
}

void TtvStringGrid::SetEditText(int ACol, int ARow, const QString &Value)
{
    if (OnBeforeSetEditText)
        OnBeforeSetEditText(this, ACol, ARow, Value);
    SetCells(ACol, ARow, Value);
    if (OnSetEditText)
        OnSetEditText(this, ACol, ARow, Value);
}

void TtvStringGrid::copy()
{
    if (FEditorShown && FEditor->isVisible()) {
        FEditor->copy();
        return;
    }
    QApplication::clipboard()->setText(Cells(FCol, FRow));
}

// ---------------------------------------------------------------- keys

void TtvStringGrid::GridKeyDown(QKeyEvent *e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FGridMode == geAccess) {
            if (FCol < FColCount - 1)
                MoveCurrent(FCol + 1, FRow);
        } else if (FGridMode == geExcel) {
            const TtvGridEditStyle s = GetEditStyles(FCol);
            if (FCol >= FEditStyles.size() || s == geSimple) {
                HideEditor();
                if (shift) {
                    if (FRow > 1)
                        MoveCurrent(FCol, FRow - 1);
                } else if (FRow < FRowCount - 1) {
                    MoveCurrent(FCol, FRow + 1);
                }
            }
        }
        return;
    case Qt::Key_Up:
        MoveCurrent(FCol, ctrl ? FFixedRows : FRow - 1);
        return;
    case Qt::Key_Down:
        MoveCurrent(FCol, ctrl ? FRowCount - 1 : FRow + 1);
        return;
    case Qt::Key_Left:
        MoveCurrent(FCol - 1, FRow);
        return;
    case Qt::Key_Right:
        MoveCurrent(FCol + 1, FRow);
        return;
    case Qt::Key_PageUp: {
        const int page = std::max(1, RowsFit());
        const int row = std::max(FFixedRows, FRow - page);
        SetTopRow(FTopRow - page);
        MoveCurrent(FCol, row);
        return;
    }
    case Qt::Key_PageDown: {
        const int page = std::max(1, RowsFit());
        const int row = std::min(FRowCount - 1, FRow + page);
        SetTopRow(FTopRow + page);
        MoveCurrent(FCol, row);
        return;
    }
    case Qt::Key_Home:
        if (ctrl)
            MoveCurrent(FCol, FFixedRows);
        else
            MoveCurrent(FFixedCols, FRow);
        return;
    case Qt::Key_End:
        if (ctrl)
            MoveCurrent(FCol, FRowCount - 1);
        else
            MoveCurrent(FColCount - 1, FRow);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (shift || e->key() == Qt::Key_Backtab) {
            if (FCol > FFixedCols)
                MoveCurrent(FCol - 1, FRow);
            else if (FRow > FFixedRows)
                MoveCurrent(FColCount - 1, FRow - 1);
        } else {
            if (FCol < FColCount - 1)
                MoveCurrent(FCol + 1, FRow);
            else if (FRow < FRowCount - 1)
                MoveCurrent(FFixedCols, FRow + 1);
        }
        return;
    case Qt::Key_F2:
        // An editor already open keeps what is typed in it.
        if (!FEditorShown)
            ShowEditor();
        if (FEditorShown) {
            FEditor->setFocus();
            FEditor->deselect();
            FEditor->end(false);
        }
        return;
    case Qt::Key_Escape:
        if (FEditorShown) {
            // Give up the typing: the editor shows the cell again.
            FEditor->setText(Cells(FEditCol, FEditRow));
            FEditor->selectAll();
            if (!FOptions.testFlag(goAlwaysShowEditor))
                HideEditor();
        }
        return;
    default:
        e->ignore();
        return;
    }
}

void TtvStringGrid::GridKeyPress(QChar ch, QKeyEvent *e)
{
    const ushort code = ch.unicode();
    if (code == 13) {
        if (FGridMode == geAccess)
            return;
        if (FGridMode == geExcel && GetEditStyles(FCol) == geSimple) {
            HideEditor();
            return;
        }
        // Enter opens the editor, or closes it storing the text.
        if (FEditorShown) {
            HideEditor();
        } else {
            ShowEditor();
            if (FEditorShown)
                FEditor->setFocus();
        }
        return;
    }
    if (code >= 32 && code <= 126 && GetEditStyles(FCol) == geCheckBox && FRow >= FFixedRows &&
        FCol >= FFixedCols)
        ToggleCurrentCheck();
    if (code >= 32 && code != 127 && !FEditorShown && CanEditShow()) {
        ShowEditor();
        if (FEditorShown) {
            FEditor->setFocus();
            FEditor->selectAll();
            QKeyEvent copy(QEvent::KeyPress, e->key(), e->modifiers(), e->text());
            QApplication::sendEvent(FEditor, &copy);
        }
    }
}

void TtvStringGrid::keyPressEvent(QKeyEvent *e)
{
    const bool enter = tvctl::IsReturnKey(e);
    e->accept();
    GridKeyDown(e);
    if (!e->isAccepted() || enter) {
        e->accept();
        const QString t = enter ? QStringLiteral("\r") : e->text();
        if (t.size() == 1 && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            GridKeyPress(t.at(0), e);
        else if (!enter)
            QAbstractScrollArea::keyPressEvent(e);
    }
}

bool TtvStringGrid::focusNextPrevChild(bool next)
{
    if (FOptions.testFlag(goTabs))
        return false; // Tab moves between cells
    return QAbstractScrollArea::focusNextPrevChild(next);
}

// ---------------------------------------------------------------- mouse and focus

void TtvStringGrid::mousePressEvent(QMouseEvent *e)
{
    if (!hasFocus() && !OwnsWidget(QApplication::focusWidget()))
        setFocus(Qt::MouseFocusReason);
    FPressCol = FPressRow = -1;
    if (e->button() != Qt::LeftButton)
        return;
    int c, r;
    if (!MouseToCell(e->position().toPoint(), &c, &r) || c < FFixedCols || r < FFixedRows)
        return;
    const bool wasCurrent = c == FCol && r == FRow;
    if (!MoveCurrent(c, r))
        return;
    FPressCol = c;
    FPressRow = r;
    // A press on a check-box cell toggles it (only a press that landed on the cell).
    if (GetEditStyles(FCol) == geCheckBox)
        ToggleCurrentCheck();
    else if (wasCurrent && FOptions.testFlag(goEditing) && !FEditorShown) {
        ShowEditor();
        if (FEditorShown)
            FEditor->setFocus();
    }
}

void TtvStringGrid::mouseReleaseEvent(QMouseEvent *e)
{
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void TtvStringGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (OnDblClick)
        OnDblClick(this);
    int c, r;
    if (MouseToCell(e->position().toPoint(), &c, &r) && c == FCol && r == FRow &&
        GetEditStyles(FCol) == geCheckBox) {
        ToggleCurrentCheck(); // the second press of a double click toggles as well
        return;
    }
    if (FOptions.testFlag(goEditing) && !FEditorShown) {
        ShowEditor();
        if (FEditorShown)
            FEditor->setFocus();
    }
}

void TtvStringGrid::focusInEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusInEvent(e);
    if (FOptions.testFlag(goAlwaysShowEditor) && CanEditShow()) {
        if (!FEditorShown)
            ShowEditor();
        if (FEditorShown && FEditor->isVisible())
            FEditor->setFocus();
    }
    viewport()->update();
}

bool TtvStringGrid::OwnsWidget(const QWidget *w) const
{
    for (; w; w = w->parentWidget())
        if (w == this)
            return true;
    return false;
}

void TtvStringGrid::FocusChanged(QWidget *old, QWidget *now)
{
    const bool wasIn = OwnsWidget(old), isIn = OwnsWidget(now);
    if (isIn && !wasIn) {
        // Entering the grid.
        if (OnEnter)
            OnEnter(this);
        if (OnSelectCell) {
            bool ignored = true;
            OnSelectCell(this, FCol, FRow, ignored);
        }
        if (OnShowEditor && FEditor)
            OnShowEditor(this, FCol, FRow, FEditor);
    } else if (wasIn && !isIn) {
        // Leaving the grid: the editor's text goes into its cell.
        if (FEditorShown && FEditor && FOptions.testFlag(goEditing) && FEditCol == FCol && FEditRow == FRow)
            FEditor->InputComplite();
    }
    if (wasIn != isIn)
        viewport()->update();
}

// ---------------------------------------------------------------- painting

void TtvStringGrid::DrawCell(QPainter &p, int c, int r, const QRect &rc)
{
    const bool fixed = c < FFixedCols || r < FFixedRows;
    const bool focused = !fixed && c == FCol && r == FRow;
    const bool selected = !fixed && r == FRow && (FOptions.testFlag(goRowSelect) || (focused && FOptions.testFlag(goDrawFocusSelected)));
    TGridDrawState state = (fixed ? gdFixed : 0) | (focused ? gdFocused : 0) | (selected ? gdSelected : 0);
    const QPalette &pal = palette();
    if (DefaultDrawing) {
        const bool active = hasFocus() || OwnsWidget(QApplication::focusWidget());
        QColor bg = fixed ? pal.color(QPalette::Button) : pal.color(QPalette::Base);
        QColor fg = fixed ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Text);
        if (selected && active) {
            bg = pal.color(QPalette::Highlight);
            fg = pal.color(QPalette::HighlightedText);
        }
        p.fillRect(rc, bg);
        if (!fixed && IsCheckStyle(GetEditStyles(c))) {
            DrawCheck(&p, c, r, rc, true);
        } else {
            p.setPen(fg);
            p.drawText(rc.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       FCells[r].value(c));
        }
        if (focused && active && !FOptions.testFlag(goRowSelect)) {
            p.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
            p.drawRect(rc.adjusted(0, 0, -1, -1));
        }
    }
    if (OnDrawCell)
        OnDrawCell(this, &p, c, r, rc, state);
}

void TtvStringGrid::paintEvent(QPaintEvent *e)
{
    QPainter p(viewport());
    p.setClipRect(e->rect());
    const int w = viewport()->width(), h = viewport()->height();
    QList<int> cols;
    for (int c = 0; c < FFixedCols && c < FColCount; ++c)
        cols << c;
    {
        int x = 0;
        for (int c : cols)
            x += ColWidths(c) + GridLineWidth();
        for (int c = FLeftCol; c < FColCount && x < w; ++c) {
            cols << c;
            x += ColWidths(c) + GridLineWidth();
        }
    }
    QList<int> rows;
    for (int r = 0; r < FFixedRows && r < FRowCount; ++r)
        rows << r;
    for (int r = FTopRow, y = FixedRowsHeight(); r < FRowCount && y < h; ++r) {
        rows << r;
        y += RowHeights(r) + GridLineWidth();
    }
    int y = 0;
    const QColor line = palette().color(QPalette::Mid);
    int right = 0;
    for (int r : rows) {
        int x = 0;
        for (int c : cols) {
            const QRect rc(x, y, ColWidths(c), RowHeights(r));
            if (rc.intersects(e->rect()))
                DrawCell(p, c, r, rc);
            const bool fixed = c < FFixedCols || r < FFixedRows;
            p.setPen(line);
            if (fixed ? FOptions.testFlag(goFixedVertLine) : FOptions.testFlag(goVertLine))
                p.drawLine(rc.right() + 1, rc.top(), rc.right() + 1, rc.bottom() + 1);
            if (fixed ? FOptions.testFlag(goFixedHorzLine) : FOptions.testFlag(goHorzLine))
                p.drawLine(rc.left(), rc.bottom() + 1, rc.right() + 1, rc.bottom() + 1);
            x += ColWidths(c) + GridLineWidth();
        }
        right = x;
        y += RowHeights(r) + GridLineWidth();
    }
    // The area beyond the last cell.
    if (right < w)
        p.fillRect(QRect(right, 0, w - right, h), palette().color(QPalette::Window));
    if (y < h)
        p.fillRect(QRect(0, y, w, h - y), palette().color(QPalette::Window));
}
