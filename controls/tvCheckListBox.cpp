#include "controls/tvCheckListBox.h"

#include "platform/Errors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>

namespace {
enum Roles { RoleStateL = Qt::UserRole + 1, RoleStateR, RoleDisabledL, RoleDisabledR, RoleData, RoleGrayL, RoleGrayR };

int CheckGlyphWidth()
{
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth);
}
int CheckGlyphHeight()
{
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorHeight);
}

class CheckListDelegate : public QStyledItemDelegate {
public:
    explicit CheckListDelegate(TtvCheckListBox *list) : QStyledItemDelegate(list), FList(list) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        const int h = std::max(option.fontMetrics.boundingRect(QStringLiteral("Wg")).height(), CheckGlyphHeight() + 2);
        s.setHeight(h);
        s.setWidth(s.width() + 2 * TtvCheckListBox::GetCheckWidth());
        return s;
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int cw = TtvCheckListBox::GetCheckWidth();
        const QRect r = option.rect;
        const bool enabled = FList->isEnabled();
        const bool enabledL = enabled && !index.data(RoleDisabledL).toBool();
        const bool enabledR = enabled && !index.data(RoleDisabledR).toBool();
        p->fillRect(QRect(r.left(), r.top(), 2 * cw, r.height()), option.palette.color(QPalette::Base));
        DrawCheck(p, QRect(r.left(), r.top(), cw, r.height()), State(index, RoleStateL), enabledL);
        DrawCheck(p, QRect(r.left() + cw, r.top(), cw, r.height()), State(index, RoleStateR), enabledR);
        QStyleOptionViewItem opt(option);
        opt.rect = r.adjusted(2 * cw, 0, 0, 0);
        if (!enabledL) {
            const QColor gray = opt.palette.color(QPalette::Disabled, QPalette::Text);
            opt.palette.setColor(QPalette::Text, gray);
            opt.palette.setColor(QPalette::HighlightedText, gray);
        }
        QStyledItemDelegate::paint(p, opt, index);
    }

private:
    static Qt::CheckState State(const QModelIndex &index, int role)
    {
        const QVariant v = index.data(role);
        return v.isValid() ? Qt::CheckState(v.toInt()) : Qt::Unchecked;
    }

    void DrawCheck(QPainter *p, const QRect &R, Qt::CheckState state, bool enabled) const
    {
        const int cw = CheckGlyphWidth(), ch = CheckGlyphHeight();
        const QRect box(R.left() + (R.width() - cw) / 2, R.top() + (R.height() - cw) / 2, cw, ch);
        QStyleOptionButton opt;
        opt.initFrom(FList);
        opt.rect = box;
        opt.state = enabled ? QStyle::State_Enabled : QStyle::State_None;
        opt.state |= state == Qt::Checked ? QStyle::State_On
                     : state == Qt::PartiallyChecked ? QStyle::State_NoChange
                                                     : QStyle::State_Off;
        p->save();
        if (FList->Flat())
            p->setClipRect(box.adjusted(2, 2, -2, -2), Qt::IntersectClip);
        FList->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, p, FList);
        p->restore();
        if (FList->Flat()) {
            p->save();
            p->setBrush(Qt::NoBrush);
            p->setPen(FList->palette().color(QPalette::Dark));
            p->drawRect(box.adjusted(1, 1, -2, -2));
            p->restore();
        }
    }

    TtvCheckListBox *FList;
};
} // namespace

TtvCheckListBox::TtvCheckListBox(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new CheckListDelegate(this));
    setUniformItemSizes(true);
}

int TtvCheckListBox::GetCheckWidth()
{
    return CheckGlyphWidth() + 2;
}

QListWidgetItem *TtvCheckListBox::CheckedItem(int Index) const
{
    QListWidgetItem *it = Index >= 0 && Index < count() ? item(Index) : nullptr;
    if (!it)
        throw tv::Error(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return it;
}

Qt::CheckState TtvCheckListBox::State(int Index, int role) const
{
    const QVariant v = CheckedItem(Index)->data(role);
    return v.isValid() ? Qt::CheckState(v.toInt()) : Qt::Unchecked;
}

void TtvCheckListBox::SetState(int Index, int role, Qt::CheckState s)
{
    if (State(Index, role) == s)
        return;
    CheckedItem(Index)->setData(role, int(s)); // repaints the item
}

Qt::CheckState TtvCheckListBox::GetStateL(int Index) const
{
    return State(Index, RoleStateL);
}

Qt::CheckState TtvCheckListBox::GetStateR(int Index) const
{
    return State(Index, RoleStateR);
}

void TtvCheckListBox::SetStateL(int Index, Qt::CheckState AState)
{
    SetState(Index, RoleStateL, AState);
    CheckedItem(Index)->setData(RoleGrayL, AState == Qt::PartiallyChecked);
}

void TtvCheckListBox::SetStateR(int Index, Qt::CheckState AState)
{
    SetState(Index, RoleStateR, AState);
    CheckedItem(Index)->setData(RoleGrayR, AState == Qt::PartiallyChecked);
}

bool TtvCheckListBox::GetItemEnabledL(int Index) const
{
    return !CheckedItem(Index)->data(RoleDisabledL).toBool();
}

bool TtvCheckListBox::GetItemEnabledR(int Index) const
{
    return !CheckedItem(Index)->data(RoleDisabledR).toBool();
}

void TtvCheckListBox::SetItemEnabledL(int Index, bool Value)
{
    if (GetItemEnabledL(Index) != Value)
        CheckedItem(Index)->setData(RoleDisabledL, !Value);
}

void TtvCheckListBox::SetItemEnabledR(int Index, bool Value)
{
    if (GetItemEnabledR(Index) != Value)
        CheckedItem(Index)->setData(RoleDisabledR, !Value);
}

int TtvCheckListBox::GetItemData(int Index) const
{
    return CheckedItem(Index)->data(RoleData).toInt();
}

void TtvCheckListBox::SetItemData(int Index, int Value)
{
    CheckedItem(Index)->setData(RoleData, Value);
}

void TtvCheckListBox::SetFlat(bool value)
{
    if (value == FFlat)
        return;
    FFlat = value;
    viewport()->update();
}

int TtvCheckListBox::TrackingValue(int Index) const
{
    return int(GetStateL(Index)) * 65536 + int(GetStateR(Index));
}

void TtvCheckListBox::Save()
{
    FSaveChecked.clear();
    for (int i = 0; i < count(); ++i)
        FSaveChecked << TrackingValue(i);
}

bool TtvCheckListBox::IsChanged() const
{
    if (count() != FSaveChecked.size())
        return true;
    for (int i = 0; i < count(); ++i)
        if (TrackingValue(i) != FSaveChecked[i])
            return true;
    return false;
}

bool TtvCheckListBox::GetIsChangedLines(int Index) const
{
    if (Index < 0 || Index >= count() || Index >= FSaveChecked.size())
        return true;
    return TrackingValue(Index) != FSaveChecked[Index];
}

Qt::CheckState TtvCheckListBox::NextState(int Index, int GrayRole, Qt::CheckState s) const
{
    // Grey means "leave as it is": only a box the program set grey (the
    // items it stands for differ) goes back to it; any other box ticks on
    // the first click.
    const bool gray = FAllowGrayed && CheckedItem(Index)->data(GrayRole).toBool();
    switch (s) {
    case Qt::Unchecked:
        return Qt::Checked;
    case Qt::Checked:
        return gray ? Qt::PartiallyChecked : Qt::Unchecked;
    default:
        return Qt::Unchecked;
    }
}

void TtvCheckListBox::ToggleL(int Index)
{
    if (Index < 0 || Index >= count() || !GetItemEnabledL(Index) || !isEnabled())
        return;
    SetState(Index, RoleStateL, NextState(Index, RoleGrayL, GetStateL(Index)));
    if (OnClickCheckL)
        OnClickCheckL(this);
    if (GetStateL(Index) == Qt::Unchecked && GetStateR(Index) != Qt::Unchecked) {
        SetState(Index, RoleStateR, Qt::Unchecked);
        if (OnClickCheckR)
            OnClickCheckR(this);
    }
}

void TtvCheckListBox::ToggleR(int Index)
{
    if (Index < 0 || Index >= count() || !GetItemEnabledR(Index) || !isEnabled())
        return;
    SetState(Index, RoleStateR, NextState(Index, RoleGrayR, GetStateR(Index)));
    if (OnClickCheckR)
        OnClickCheckR(this);
    if (GetStateR(Index) == Qt::Checked && GetStateL(Index) != Qt::Checked) {
        SetState(Index, RoleStateL, Qt::Checked);
        if (OnClickCheckL)
            OnClickCheckL(this);
    }
}

void TtvCheckListBox::mousePressEvent(QMouseEvent *e)
{
    QListWidget::mousePressEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    QListWidgetItem *it = itemAt(e->position().toPoint());
    if (!it)
        return;
    const int dx = e->position().toPoint().x() - visualItemRect(it).left();
    const int cw = GetCheckWidth();
    if (dx < cw)
        ToggleL(row(it));
    else if (dx < 2 * cw)
        ToggleR(row(it));
}

void TtvCheckListBox::keyPressEvent(QKeyEvent *e)
{
    QListWidget::keyPressEvent(e);
    if (e->key() == Qt::Key_Space && currentRow() >= 0)
        ToggleL(currentRow());
}

void TtvCheckListBox::focusInEvent(QFocusEvent *e)
{
    if (AutoSave)
        Save();
    QListWidget::focusInEvent(e);
}
