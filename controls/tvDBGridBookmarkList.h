#pragma once
// The selected records of a data grid (its SelectedRows / SelectedCols):
// bookmarks kept in the data set's display order, so that membership is a
// binary search; the last search is cached until the list changes, because
// painting asks the same question for every cell of a record.
#include "platform/db/DataSet.h"

#include <functional>
#include <vector>

namespace tv::grid {

// Raises a grid error (the text is shown as it stands).
[[noreturn]] void GridError(const QString &text);

inline const QString kDataSetClosedText = QStringLiteral("データセットは閉じているため, この操作は実行できません");

class TBookmarkList {
public:
    using Bookmark = tv::db::Bookmark;

    TBookmarkList() = default;

    // The data set whose bookmarks are kept (null: the grid has none) and
    // what to repaint after a change of the whole list.
    void SetDataSet(tv::db::DataSet *ds) { m_ds = ds; Clear(); }
    void SetRepaint(std::function<void()> repaint) { m_repaint = std::move(repaint); }
    // The grid's link became active or inactive: the list is emptied.
    void SetLinkActive(bool active);

    int Count() const { return int(m_list.size()); }
    Bookmark Item(int index) const { return m_list[size_t(index)]; }
    const std::vector<Bookmark> &Items() const { return m_list; }

    void Clear();
    // Binary search; Index is the found or the insertion position.
    bool Find(Bookmark item, int &index) const;
    int IndexOf(Bookmark item) const;
    bool Contains(Bookmark item) const
    {
        int i;
        return Find(item, i);
    }

    // Whether the current record is selected; both raise the closed-data-set
    // error while the data set is closed.
    bool CurrentRowSelected() const;
    // Returns whether the list changed.
    bool SetCurrentRowSelected(bool value);
    // Selects a record by bookmark (kept in order).
    void Select(Bookmark b);
    // Every record of the data set, in order (Select All).
    void SelectAll();

    // Deletes every selected record from the data set, last first; stops at
    // the first failure (those deleted stay deleted).
    void Delete();
    // Drops entries whose records are gone; true when any was dropped.
    bool Refresh();

    int CompareBookmarks(Bookmark a, Bookmark b) const { return m_ds->CompareBookmarks(a, b); }
    Bookmark CurrentBookmark() const;

private:
    void changed() const { m_cacheIndex = -1; }

    tv::db::DataSet *m_ds = nullptr;
    std::vector<Bookmark> m_list;
    std::function<void()> m_repaint;
    mutable Bookmark m_cache = tv::db::NoBookmark;
    mutable int m_cacheIndex = -1;
    mutable bool m_cacheFind = false;
    bool m_linkActive = false;
};

} // namespace tv::grid
