#pragma once
// The transposed data grid: one record per column, one field per row, a
// title column on the left and an indicator row on top. Every record column
// has the width DefaultColWidth; dragging the border of one record column
// resizes them all.
#include "controls/tvDBGridCustom.h"

namespace tv::grid {

class TtvDBGridH : public TtvDBGridCustom {
    Q_OBJECT
public:
    explicit TtvDBGridH(QWidget *parent = nullptr);

    // Shared by every transposed grid.
    static bool SelectWholeRecordsH;

    TBookmarkList &SelectedCols() { return m_bookmarks; }
    int RowStart() const { return RangeStart(); }
    int RowEnd() const { return RangeEnd(); }
    void SetRowStart(int v) { SetRangeStart(v); }
    void SetRowEnd(int v) { SetRangeEnd(v); }

    int RowCount() const { return ItemCount(); }
    TRow &Rows(int i) { return Item(i); }
    int RawToDataRow(int row) const { return row - IndicatorOffset(); }
    int DataRowToRaw(int row) const { return row + IndicatorOffset(); }

    int DefaultColWidth() const { return m_defaultColWidth; }
    void SetDefaultColWidth(int width);
    // Width of grid column i: 0 is the title column, the others are records.
    int GetColWidth(int i) const;

protected:
    bool &SelectWholeRecords() const override { return SelectWholeRecordsH; }
    bool MoveAddsRecord() const override { return true; }
    int TitleBandExtent() const override;
    int IndicatorBandExtent() const override;
    int RecordExtent() const override { return m_defaultColWidth; }
    int ItemExtent(int item) const override;
    void RecordOrItemResized(int index, int newExtent) override;
    void LayoutChangedHook() override;
    int MapKey(int key) const override;

private:
    int m_defaultColWidth = 64;
    int m_titleWidth = 64;
};

} // namespace tv::grid
