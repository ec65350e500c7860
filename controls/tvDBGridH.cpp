#include "controls/tvDBGridH.h"

#include <QFontMetrics>

namespace tv::grid {

bool TtvDBGridH::SelectWholeRecordsH = false;

TtvDBGridH::TtvDBGridH(QWidget *parent) : TtvDBGridCustom(true, parent)
{
    RebuildLayout();
}

void TtvDBGridH::SetDefaultColWidth(int width)
{
    m_defaultColWidth = std::max(1, width);
    RebuildLayout();
}

int TtvDBGridH::GetColWidth(int i) const
{
    if (i < TitleOffset())
        return TitleBandExtent();
    return m_defaultColWidth;
}

int TtvDBGridH::TitleBandExtent() const
{
    return (m_options & dgTitles) ? m_titleWidth : 0;
}

int TtvDBGridH::IndicatorBandExtent() const
{
    // The indicator row is as high as a title line.
    return (m_options & dgIndicator) ? QFontMetrics(m_titleFont).height() + 4 : 0;
}

int TtvDBGridH::ItemExtent(int item) const
{
    if (item < 0 || item >= ItemCount() || !m_items[size_t(item)]->Visible)
        return 0;
    return LineHeight();
}

void TtvDBGridH::RecordOrItemResized(int, int newExtent)
{
    // One record column's new width becomes every record column's.
    SetDefaultColWidth(newExtent);
}

void TtvDBGridH::LayoutChangedHook()
{
    m_titleWidth = 64;
    const QFontMetrics fm(font());
    for (int i = 0; i < ItemCount(); ++i) {
        const TDBGridItem &it = *m_items[size_t(i)];
        QString caption = it.TitleCaption;
        if (caption.isEmpty())
            caption = it.Field >= 0 && m_ds && m_ds->Active() ? m_ds->FieldDef(it.Field).name : it.FieldName;
        m_titleWidth = std::max(m_titleWidth, fm.horizontalAdvance(caption) + 4);
    }
}

int TtvDBGridH::MapKey(int key) const
{
    // Records run sideways: Left/Right step records, Up/Down field rows.
    switch (key) {
    case Qt::Key_Left: return Qt::Key_Up;
    case Qt::Key_Right: return Qt::Key_Down;
    case Qt::Key_Up: return Qt::Key_Left;
    case Qt::Key_Down: return Qt::Key_Right;
    default: return key;
    }
}

} // namespace tv::grid
