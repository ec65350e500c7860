#include "controls/tvDBGridV.h"

#include <QFontMetrics>

namespace tv::grid {

bool TtvDBGridV::SelectWholeRecordsV = false;

TtvDBGridV::TtvDBGridV(QWidget *parent) : TtvDBGridCustom(false, parent)
{
    RebuildLayout();
}

int TtvDBGridV::TitleBandExtent() const
{
    return (m_options & dgTitles) ? QFontMetrics(m_titleFont).height() + 4 : 0;
}

int TtvDBGridV::IndicatorBandExtent() const
{
    return (m_options & dgIndicator) ? 11 : 0;
}

int TtvDBGridV::ItemExtent(int item) const
{
    if (item < 0 || item >= ItemCount())
        return 0;
    const auto &col = static_cast<const TColumn &>(*m_items[size_t(item)]);
    if (!col.Visible)
        return 0;
    if (col.Width >= 0)
        return col.Width;
    return item < int(m_defaultWidths.size()) ? m_defaultWidths[size_t(item)] : 64;
}

void TtvDBGridV::SetColumnWidth(int i, int width)
{
    Columns(i).Width = width;
    RebuildLayout();
}

void TtvDBGridV::RecordOrItemResized(int index, int newExtent)
{
    SetColumnWidth(index, newExtent);
}

void TtvDBGridV::LayoutChangedHook()
{
    m_defaultWidths.resize(m_items.size());
    for (int i = 0; i < ItemCount(); ++i)
        m_defaultWidths[size_t(i)] = DefaultItemWidth(i);
}

} // namespace tv::grid
