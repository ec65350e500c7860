#pragma once
// The row-wise data grid: one record per row, one field per column, an
// indicator column on the left and a title band on top.
#include "controls/tvDBGridCustom.h"

namespace tv::grid {

class TtvDBGridV : public TtvDBGridCustom {
    Q_OBJECT
public:
    explicit TtvDBGridV(QWidget *parent = nullptr);

    // Shared by every row-wise grid: the selected records count as whole
    // records (highlighted and copied in every column).
    static bool SelectWholeRecordsV;

    TBookmarkList &SelectedRows() { return m_bookmarks; }
    int ColStart() const { return RangeStart(); }
    int ColEnd() const { return RangeEnd(); }
    void SetColStart(int v) { SetRangeStart(v); }
    void SetColEnd(int v) { SetRangeEnd(v); }

    int ColumnCount() const { return ItemCount(); }
    TColumn &Columns(int i) { return static_cast<TColumn &>(Item(i)); }
    // The width a column shows with (its own or the default).
    int ColumnWidth(int i) const { return ItemExtent(i); }
    void SetColumnWidth(int i, int width);
    int RawToDataColumn(int col) const { return col - IndicatorOffset(); }
    int DataColumnToRaw(int col) const { return col + IndicatorOffset(); }

protected:
    bool &SelectWholeRecords() const override { return SelectWholeRecordsV; }
    bool MoveAddsRecord() const override { return false; }
    int TitleBandExtent() const override;
    int IndicatorBandExtent() const override;
    int RecordExtent() const override { return LineHeight(); }
    int ItemExtent(int item) const override;
    void RecordOrItemResized(int index, int newExtent) override;
    void LayoutChangedHook() override;

private:
    std::vector<int> m_defaultWidths;
};

} // namespace tv::grid
