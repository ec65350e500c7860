#include "controls/tvDBGridBookmarkList.h"

#include "platform/Errors.h"

namespace tv::grid {

void GridError(const QString &text)
{
    throw tv::Error(text);
}

void TBookmarkList::SetLinkActive(bool active)
{
    Clear();
    m_linkActive = active;
}

void TBookmarkList::Clear()
{
    if (m_list.empty())
        return;
    m_list.clear();
    changed();
    if (m_repaint)
        m_repaint();
}

bool TBookmarkList::Find(Bookmark item, int &index) const
{
    if (item == m_cache && m_cacheIndex >= 0) {
        index = m_cacheIndex;
        return m_cacheFind;
    }
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (hi >= lo) {
        const int mid = (lo + hi) / 2;
        const int c = m_list[size_t(mid)] == item ? 0 : CompareBookmarks(m_list[size_t(mid)], item);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                lo = mid;
                found = true;
            }
        }
    }
    index = lo;
    m_cache = item;
    m_cacheIndex = lo;
    m_cacheFind = found;
    return found;
}

int TBookmarkList::IndexOf(Bookmark item) const
{
    int i;
    return Find(item, i) ? i : -1;
}

TBookmarkList::Bookmark TBookmarkList::CurrentBookmark() const
{
    if (!m_ds || !m_ds->Active())
        GridError(kDataSetClosedText);
    return m_ds->GetBookmark();
}

bool TBookmarkList::CurrentRowSelected() const
{
    const Bookmark b = CurrentBookmark();
    if (b == tv::db::NoBookmark)
        return false;
    int i;
    return Find(b, i);
}

bool TBookmarkList::SetCurrentRowSelected(bool value)
{
    const Bookmark b = CurrentBookmark();
    if (b == tv::db::NoBookmark)
        return false;
    int i;
    if (Find(b, i) == value)
        return false;
    if (value)
        m_list.insert(m_list.begin() + i, b);
    else
        m_list.erase(m_list.begin() + i);
    changed();
    return true;
}

void TBookmarkList::Select(Bookmark b)
{
    int i;
    if (b == tv::db::NoBookmark || Find(b, i))
        return;
    m_list.insert(m_list.begin() + i, b);
    changed();
}

void TBookmarkList::SelectAll()
{
    if (!m_ds || !m_ds->Active())
        GridError(kDataSetClosedText);
    const int n = m_ds->RecordCount();
    m_list.clear();
    m_list.reserve(size_t(n));
    for (int r = 0; r < n; ++r)
        m_list.push_back(m_ds->BookmarkAt(r));
    changed();
    if (m_repaint)
        m_repaint();
}

void TBookmarkList::Delete()
{
    if (!m_ds)
        return;
    m_ds->DisableControls();
    try {
        while (!m_list.empty()) {
            const Bookmark b = m_list.back();
            if (m_ds->BookmarkValid(b)) {
                m_ds->GotoBookmark(b);
                m_ds->Delete();
            }
            m_list.pop_back();
            changed();
        }
    } catch (...) {
        m_ds->EnableControls();
        throw;
    }
    m_ds->EnableControls();
}

bool TBookmarkList::Refresh()
{
    if (!m_ds || !m_ds->Active())
        return false;
    m_ds->CheckBrowseMode();
    bool dropped = false;
    for (int i = Count() - 1; i >= 0; --i) {
        if (!m_ds->BookmarkValid(m_list[size_t(i)])) {
            m_list.erase(m_list.begin() + i);
            dropped = true;
        }
    }
    if (dropped) {
        changed();
        if (m_repaint)
            m_repaint();
    }
    return dropped;
}

} // namespace tv::grid
