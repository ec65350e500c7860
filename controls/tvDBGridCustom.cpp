#include "controls/tvDBGridCustom.h"

#include "controls/tvDBGridRecordText.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace tv::grid {

using tv::db::DataSetState;

namespace {

constexpr int kBorderSlack = 3;
constexpr int kMaxPaintChars = 500;
// The characters the cell editor edits (a line edit's own default limit).
constexpr int kMaxEditChars = 32767;

// A cell's text on one line, cut for painting.
QString paintText(const QString &t)
{
    QString s = t.size() > kMaxPaintChars ? t.left(kMaxPaintChars) : t;
    for (QChar &c : s)
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    return s;
}

// Characters of a field's display width.
int displayWidth(const tv::db::FieldDesc &d)
{
    using K = tv::db::FieldKind;
    switch (d.kind) {
    case K::Int2: return 6;
    case K::Int4: case K::Oid: return 11;
    case K::Int8: return 15;
    case K::Bool: return 5;
    case K::Date: return 10;
    case K::Time: return 10;
    case K::Timestamp: return 19;
    case K::TimestampTz: return 22;
    case K::Float: return 10;
    case K::Numeric: return d.precision > 0 ? std::min(d.precision + 2, 40) : 10;
    case K::Varchar: case K::Char: return d.size > 0 ? int(std::min<qint64>(d.size, 40)) : 20;
    default: return 20;
    }
}

} // namespace

// --- data link --------------------------------------------------------------

void TGridDataLink::activeChanged(bool active)
{
    m_grid->LinkActive(active);
    m_modified = false;
}

void TGridDataLink::dataSetChanged()
{
    m_grid->RefreshAfterDataChange();
    m_modified = false;
}

void TGridDataLink::dataSetScrolled(int)
{
    m_grid->RefreshAfterDataChange();
}

void TGridDataLink::recordChanged(int field)
{
    if (m_inUpdateData)
        return;
    m_grid->RepaintChangedRecord(field);
    m_modified = false;
}

void TGridDataLink::editingChanged()
{
    m_grid->RepaintIndicator();
}

void TGridDataLink::updateData()
{
    if (!m_modified)
        return;
    m_inUpdateData = true;
    try {
        m_grid->WriteEditText();
    } catch (...) {
        m_inUpdateData = false;
        throw;
    }
    m_inUpdateData = false;
    m_modified = false;
}

void TGridDataLink::Reset()
{
    if (m_modified) {
        m_modified = false;
        m_grid->RepaintChangedRecord(-1);
        m_grid->LoadEditorText();
    } else if (m_grid->m_ds) {
        m_grid->m_ds->Cancel();
    }
}

// --- cell editor ------------------------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TtvDBGridCustom *grid) : QLineEdit(grid->viewport()), m_grid(grid)
{
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this](const QString &) {
        tv::ui::Guard([this] {
            if (m_grid->m_loadingEditor || m_grid->m_link.Modified())
                return;
            if (!m_grid->CanEditModify())
                m_grid->LoadEditorText();
        });
    });
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent *e)
{
    const int key = e->key();
    const auto mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const int len = int(text().size());
    const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
    const int selEnd = hasSelectedText() ? selectionStart() + int(selectedText().size()) : cursorPosition();
    const bool allSelected = hasSelectedText() && selectedText().size() >= len;
    bool toGrid = false;
    if (e->matches(QKeySequence::Copy)) {
        tv::ui::Guard([this] { Copy(); });
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        tv::ui::Guard([this] { Paste(); });
        return;
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Insert:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        toGrid = true;
        break;
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
        toGrid = ctrl;
        break;
    case Qt::Key_Left:
        toGrid = ctrl || (selStart == 0 && (selEnd == 0 || selEnd == len)) || (cursorPosition() == 0 && allSelected);
        break;
    case Qt::Key_Right:
        toGrid = ctrl || (selEnd == len && (selStart == 0 || selStart == len));
        break;
    default:
        break;
    }
    if (toGrid) {
        m_grid->HandleKey(e);
        return;
    }
    QLineEdit::keyPressEvent(e);
    // A modifier pressed on its own belongs to the typing (Shift for a
    // capital): it goes no further than the editor.
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        e->accept();
        break;
    default:
        break;
    }
}

void TDBGridInplaceEdit::contextMenuEvent(QContextMenuEvent *e)
{
    QLineEdit::contextMenuEvent(e);
}

void TDBGridInplaceEdit::Copy()
{
    if (m_grid->m_bookmarks.Count() > 0) {
        m_grid->CopyRecords();
        return;
    }
    if (hasSelectedText())
        copy();
}

void TDBGridInplaceEdit::Paste()
{
    m_grid->PasteFromClipboard();
}

void TDBGridInplaceEdit::Clear()
{
    const bool records = m_grid->m_bookmarks.Count() > 0;
    // An editor that only shows its value clears nothing of it: the record
    // opened for editing would take the editor's text, the start of a value
    // too long to edit, in place of the whole value.
    if (!records && isReadOnly())
        return;
    if (!m_grid->CanEditModify())
        return;
    if (records) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            m_grid->m_bookmarks.Delete();
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        return;
    }
    del();
}

// --- construction and layout ------------------------------------------------

TtvDBGridCustom::TtvDBGridCustom(bool transposed, QWidget *parent)
    : QAbstractScrollArea(parent), m_transposed(transposed),
      m_options(dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines |
                dgTabs | dgConfirmDelete | dgCancelOnExit)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    m_titleFont = font();
    m_color = palette().color(QPalette::Base);
    m_fixedColor = palette().color(QPalette::Button);
    m_bookmarks.SetRepaint([this] { viewport()->update(); });
    m_editor = new TDBGridInplaceEdit(this);
    m_editor->setMaxLength(kMaxEditChars);
    // The layout is built by the concrete grid's constructor.
}

TtvDBGridCustom::~TtvDBGridCustom()
{
    if (m_ds)
        m_ds->RemoveLink(&m_link);
}

void TtvDBGridCustom::SetDataSet(tv::db::DataSet *ds)
{
    if (ds == m_ds)
        return;
    if (m_ds)
        m_ds->RemoveLink(&m_link);
    m_ds = ds;
    m_bookmarks.SetDataSet(ds);
    if (m_ds)
        m_ds->AddLink(&m_link);
    LinkActive(m_ds && m_ds->Active());
}

void TtvDBGridCustom::SetOptions(TDBGridOptions options)
{
    if (options & dgRowSelect)
        options &= ~(dgEditing | dgAlwaysShowEditor);
    const TDBGridOptions old = m_options;
    m_options = options;
    if ((old & dgMultiSelect) && !(options & dgMultiSelect))
        m_bookmarks.Clear();
    if (old != options)
        RebuildLayout();
}

void TtvDBGridCustom::SetReadOnly(bool on)
{
    m_readOnly = on;
    if (m_editorShown)
        LoadEditorText();
}

void TtvDBGridCustom::SetTitleFont(const QFont &font)
{
    m_titleFont = font;
    RebuildLayout();
}

void TtvDBGridCustom::SetColor(const QColor &c)
{
    m_color = c;
    viewport()->update();
}

void TtvDBGridCustom::SetFixedColor(const QColor &c)
{
    m_fixedColor = c;
    viewport()->update();
}

int TtvDBGridCustom::LineHeight() const
{
    return fontMetrics().height() + 3 + ((m_options & dgRowLines) ? 1 : 0);
}

int TtvDBGridCustom::DefaultItemWidth(int item) const
{
    const TDBGridItem &it = *m_items[size_t(item)];
    const QFontMetrics fm(font());
    int w = 64;
    if (m_ds && m_ds->Active() && it.Field >= 0)
        w = fm.horizontalAdvance(QLatin1Char('0')) * displayWidth(m_ds->FieldDef(it.Field)) + 4;
    if (m_options & dgTitles) {
        const QString caption = it.TitleCaption.isEmpty() ? it.FieldName : it.TitleCaption;
        w = std::max(w, QFontMetrics(m_titleFont).horizontalAdvance(caption) + 4);
    }
    return w;
}

void TtvDBGridCustom::RebuildItems()
{
    // Stored items stay (their fields are looked up again by name); default
    // items follow the data set's fields.
    bool stored = !m_items.empty() && m_items.front()->Stored;
    if (stored) {
        for (auto &it : m_items)
            it->Field = m_ds && m_ds->Active() ? m_ds->FieldIndex(it->FieldName) : -1;
    } else {
        std::vector<std::unique_ptr<TDBGridItem>> old;
        old.swap(m_items);
        const int nf = m_ds && m_ds->Active() ? m_ds->FieldCount() : 0;
        for (int f = 0; f < nf; ++f) {
            std::unique_ptr<TDBGridItem> item;
            const QString name = m_ds->FieldDef(f).name;
            for (auto &o : old)
                if (o && o->Field == f && o->FieldName == name)
                    item = std::move(o);
            if (!item) {
                if (m_transposed)
                    item = std::make_unique<TRow>();
                else
                    item = std::make_unique<TColumn>();
                item->FieldName = name;
            }
            item->Field = f;
            m_items.push_back(std::move(item));
        }
        // A grid always has one data item.
        if (m_items.empty()) {
            if (m_transposed)
                m_items.push_back(std::make_unique<TRow>());
            else
                m_items.push_back(std::make_unique<TColumn>());
        }
    }
}

void TtvDBGridCustom::RebuildLayout()
{
    RebuildItems();
    LayoutChangedHook();
    m_itemOffsets.assign(m_items.size() + 1, 0);
    for (size_t i = 0; i < m_items.size(); ++i)
        m_itemOffsets[i + 1] = m_itemOffsets[i] + std::max(0, ItemExtent(int(i)));
    if (m_curItem >= ItemCount())
        m_curItem = ItemCount() - 1;
    if (m_curItem < 0)
        m_curItem = 0;
    AdjustScrollBars();
    EnsureCurrentVisible();
    PlaceEditor();
    viewport()->update();
}

int TtvDBGridCustom::VisibleRecordCount() const
{
    const int ext = std::max(1, RecordExtent());
    return std::max(1, (RecordAxisLength() - TitleBandExtent()) / ext);
}

void TtvDBGridCustom::AdjustScrollBars()
{
    QScrollBar *recBar = m_transposed ? horizontalScrollBar() : verticalScrollBar();
    QScrollBar *itemBar = m_transposed ? verticalScrollBar() : horizontalScrollBar();
    const int count = m_ds && m_ds->Active() ? m_ds->RecordCount() : 0;
    const int visible = VisibleRecordCount();
    const QSignalBlocker b1(recBar), b2(itemBar);
    recBar->setRange(0, std::max(0, count - visible));
    recBar->setPageStep(visible);
    recBar->setSingleStep(1);
    m_topRecord = std::clamp(m_topRecord, 0, recBar->maximum());
    recBar->setValue(m_topRecord);
    const int itemRoom = ItemAxisLength() - IndicatorBandExtent();
    itemBar->setRange(0, std::max(0, ItemsTotal() - itemRoom));
    itemBar->setPageStep(std::max(1, itemRoom));
    itemBar->setSingleStep(m_transposed ? std::max(1, LineHeight()) : 20);
    m_itemScroll = std::clamp(m_itemScroll, 0, itemBar->maximum());
    itemBar->setValue(m_itemScroll);
}

void TtvDBGridCustom::EnsureCurrentVisible()
{
    if (!m_ds || !m_ds->Active() || m_ds->RecNo() < 0)
        return;
    const int cur = m_ds->RecNo();
    const int visible = VisibleRecordCount();
    if (cur < m_topRecord)
        m_topRecord = cur;
    else if (cur >= m_topRecord + visible)
        m_topRecord = cur - visible + 1;
    QScrollBar *recBar = m_transposed ? horizontalScrollBar() : verticalScrollBar();
    const QSignalBlocker b(recBar);
    if (m_topRecord > recBar->maximum())
        recBar->setMaximum(m_topRecord);
    recBar->setValue(m_topRecord);
    // The current field item too.
    if (m_curItem >= 0 && m_curItem < ItemCount()) {
        QScrollBar *itemBar = m_transposed ? verticalScrollBar() : horizontalScrollBar();
        const int room = ItemAxisLength() - IndicatorBandExtent();
        const int start = ItemOffset(m_curItem), end = ItemOffset(m_curItem + 1);
        if (start < m_itemScroll)
            m_itemScroll = start;
        else if (end > m_itemScroll + room)
            m_itemScroll = std::min(start, end - room);
        const QSignalBlocker b2(itemBar);
        m_itemScroll = std::clamp(m_itemScroll, 0, itemBar->maximum());
        itemBar->setValue(m_itemScroll);
    }
}

void TtvDBGridCustom::scrollContentsBy(int, int)
{
    QScrollBar *recBar = m_transposed ? horizontalScrollBar() : verticalScrollBar();
    QScrollBar *itemBar = m_transposed ? verticalScrollBar() : horizontalScrollBar();
    m_topRecord = recBar->value();
    m_itemScroll = itemBar->value();
    PlaceEditor();
    viewport()->update();
}

void TtvDBGridCustom::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    AdjustScrollBars();
    EnsureCurrentVisible();
    PlaceEditor();
}

// --- link notifications -----------------------------------------------------

void TtvDBGridCustom::LinkActive(bool active)
{
    if (!active)
        HideEditor();
    m_bookmarks.SetLinkActive(active);
    m_selecting = false;
    if (!active) {
        // Default items go with the fields.
        if (!m_items.empty() && !m_items.front()->Stored)
            m_items.clear();
    }
    m_topRecord = 0;
    m_itemScroll = 0;
    RebuildLayout();
    if (active && (m_options & dgAlwaysShowEditor))
        ShowEditor();
}

void TtvDBGridCustom::RefreshAfterDataChange()
{
    if (m_ds && m_ds->Active() && m_ds->FieldCount() != int(m_items.size()) && !m_items.front()->Stored)
        RebuildLayout();
    AdjustScrollBars();
    EnsureCurrentVisible();
    if (m_editorShown)
        LoadEditorText();
    PlaceEditor();
    viewport()->update();
}

void TtvDBGridCustom::RepaintChangedRecord(int field)
{
    viewport()->update();
    if (m_editorShown && (field < 0 || field == SelectedField())) {
        bool cut = false;
        if (EditText(&cut) != m_editor->text() || cut != m_editorCut)
            LoadEditorText();
    }
}

void TtvDBGridCustom::RepaintIndicator()
{
    viewport()->update();
}

void TtvDBGridCustom::WriteEditText()
{
    const int f = SelectedField();
    if (f < 0 || !m_ds)
        return;
    m_editText = m_editor->text();
    m_ds->SetFieldText(f, m_editText);
}

// --- items ------------------------------------------------------------------

int TtvDBGridCustom::Fields(int index) const
{
    if (index < 0 || index >= ItemCount())
        return -1;
    return m_items[size_t(index)]->Field;
}

int TtvDBGridCustom::SelectedField() const
{
    return Fields(m_curItem);
}

void TtvDBGridCustom::SetSelectedIndex(int index)
{
    const auto saved = m_modifiers;
    m_modifiers = Qt::NoModifier;
    SelectItem(index, 0);
    m_modifiers = saved;
}

void TtvDBGridCustom::SetSelectedField(int field)
{
    if (field < 0)
        return;
    for (int i = 0; i < ItemCount(); ++i)
        if (m_items[size_t(i)]->Field == field)
            SetSelectedIndex(i);
}

// --- moving and selecting ---------------------------------------------------

void TtvDBGridCustom::SelectItem(int item, int direction)
{
    m_link.updateData();
    item = std::clamp(item, 0, ItemCount() - 1);
    if (direction != 0) {
        while (item >= 0 && item < ItemCount() && (!m_items[size_t(item)]->Visible || ItemExtent(item) <= 0))
            item += direction;
        if (item < 0 || item >= ItemCount())
            return;
    }
    if (item != m_curItem) {
        if (!(m_options & dgAlwaysShowEditor))
            HideEditor();
        m_curItem = item;
    }
    const bool shift = m_modifiers & Qt::ShiftModifier;
    const bool ctrl = m_modifiers & Qt::ControlModifier;
    if (shift && !m_tabKey) {
        m_rangeEnd = item;
    } else {
        m_rangeStart = item;
        m_rangeEnd = item;
    }
    SelectWholeRecords() = ctrl;
    if ((m_options & dgMultiSelect) && m_ds && m_ds->Active() && m_ds->RecNo() >= 0)
        m_bookmarks.SetCurrentRowSelected(MoveAddsRecord() || !ctrl);
    EnsureCurrentVisible();
    if (m_editorShown)
        LoadEditorText();
    PlaceEditor();
    viewport()->update();
}

void TtvDBGridCustom::ClearSelection()
{
    if (m_options & dgMultiSelect) {
        m_bookmarks.Clear();
        m_selecting = false;
    }
}

void TtvDBGridCustom::MoveRecordBy(int distance, bool select)
{
    ++m_updateLock;
    struct Unlock {
        int &l;
        ~Unlock() { --l; }
    } unlock{m_updateLock};
    if (!(m_options & dgMultiSelect) || !m_ds->Active()) {
        m_ds->MoveBy(distance);
        return;
    }
    if (select && (m_modifiers & Qt::ShiftModifier)) {
        if (!m_selecting) {
            m_anchor = m_ds->GetBookmark();
            m_bookmarks.SetCurrentRowSelected(true);
            m_selecting = true;
            m_ds->MoveBy(distance);
            m_bookmarks.SetCurrentRowSelected(true);
        } else {
            const int cmp = m_ds->CompareBookmarks(m_ds->GetBookmark(), m_anchor);
            if ((cmp > 0 && distance < 0) || (cmp < 0 && distance > 0)) {
                m_bookmarks.SetCurrentRowSelected(false);
                m_ds->MoveBy(distance);
            } else {
                m_ds->MoveBy(distance);
                m_bookmarks.SetCurrentRowSelected(true);
            }
        }
    } else {
        ClearSelection();
        m_ds->MoveBy(distance);
    }
    viewport()->update();
}

void TtvDBGridCustom::NextRecord(bool select)
{
    const bool untouched =
        m_ds->State() == DataSetState::Insert && !m_ds->Modified() && !m_link.Modified();
    if (untouched) {
        if (m_ds->RecNo() == m_ds->RecordCount() - 1)
            return;
        m_ds->Cancel();
    } else {
        MoveRecordBy(1, select);
    }
    if (m_ds->Eof() && m_ds->CanModify() && !m_readOnly && (m_options & dgEditing))
        m_ds->Append();
}

void TtvDBGridCustom::PriorRecord(bool select)
{
    const bool untouched =
        m_ds->State() == DataSetState::Insert && !m_ds->Modified() && !m_link.Modified();
    if (untouched && m_ds->RecNo() == m_ds->RecordCount() - 1)
        m_ds->Cancel();
    else
        MoveRecordBy(-1, select);
}

void TtvDBGridCustom::TabMove(bool back)
{
    const int start = m_curItem;
    int item = start;
    for (int guard = 0; guard <= ItemCount() * 2 + 2; ++guard) {
        item += back ? -1 : 1;
        if (item >= ItemCount()) {
            const int before = m_ds->RecNo();
            NextRecord(false);
            if (m_ds->RecNo() == before && m_ds->State() != DataSetState::Insert)
                return;
            item = 0;
        } else if (item < 0) {
            const int before = m_ds->RecNo();
            PriorRecord(false);
            if (m_ds->RecNo() == before)
                return;
            item = ItemCount() - 1;
        }
        const TDBGridItem &it = *m_items[size_t(item)];
        const bool stop = it.Visible && ItemExtent(item) > 0 &&
                          (m_transposed || (!it.ReadOnly && it.Field >= 0 && m_ds->FieldCanModify(it.Field)));
        if (stop) {
            SelectItem(item, 0);
            return;
        }
        if (item == start)
            return;
    }
}

bool TtvDBGridCustom::CanEditModify()
{
    if (m_readOnly || !m_ds || !m_ds->Active() || !m_ds->CanModify())
        return false;
    const int f = SelectedField();
    if (f < 0 || m_items[size_t(m_curItem)]->ReadOnly || !m_ds->FieldCanModify(f))
        return false;
    if (m_ds->FieldDef(f).kind == tv::db::FieldKind::Bytea)
        return false;
    m_ds->Edit();
    const bool editing = m_ds->State() == DataSetState::Edit || m_ds->State() == DataSetState::Insert;
    if (editing)
        m_link.SetModified(true);
    return editing;
}

bool TtvDBGridCustom::ConfirmDelete()
{
    if (!(m_options & dgConfirmDelete))
        return true;
    const QString text = m_bookmarks.Count() < 2 ? QStringLiteral("レコードを削除しますか？")
                                                 : QStringLiteral("選択されたレコードをすべて削除してよいですか？");
    return tv::ui::CurrentDialogs().messageBox(text, QString(), tv::ui::MB_OKCANCEL | tv::ui::MB_ICONQUESTION) ==
           tv::ui::IDOK;
}

void TtvDBGridCustom::DeleteRecords()
{
    if (m_readOnly || m_ds->IsEmpty() || !m_ds->CanModify())
        return;
    if (!ConfirmDelete())
        return;
    if (m_bookmarks.Count() == 0)
        m_ds->Delete();
    else
        m_bookmarks.Delete();
}

// --- editor -----------------------------------------------------------------

QString TtvDBGridCustom::EditText(bool *cut) const
{
    if (cut)
        *cut = false;
    const int f = SelectedField();
    if (f < 0 || !m_ds || !m_ds->Active() || m_ds->RecNo() < 0)
        return QString();
    if (m_ds->FieldIsNull(f))
        return QString();
    // No more than the cell editor edits, and one character more that tells
    // a longer value: a value of many megabytes is not converted whole.
    QString text = m_ds->DisplayTextPrefix(m_ds->RecNo(), f, qsizetype(kMaxEditChars) + 1);
    if (text.size() > kMaxEditChars) {
        // Too long to edit: the editor shows what the cell paints. A line
        // edit lays out and draws every character it holds on each paint.
        text.truncate(kMaxPaintChars);
        if (cut)
            *cut = true;
    }
    return text;
}

void TtvDBGridCustom::LoadEditorText()
{
    m_loadingEditor = true;
    // A value longer than the editor edits is shown, not edited: the editor
    // would cut it and write the cut value back. Its limit is then the start
    // it holds.
    bool cut = false;
    const QString text = EditText(&cut);
    m_editorCut = cut;
    const int limit = cut ? kMaxPaintChars : kMaxEditChars;
    if (m_editor->maxLength() != limit)
        m_editor->setMaxLength(limit);
    m_editText = text;
    m_editor->setText(m_editText);
    m_editor->selectAll();
    const int f = SelectedField();
    const bool ro = cut || m_readOnly || !m_ds || !m_ds->CanModify() || f < 0 ||
                    m_items[size_t(m_curItem)]->ReadOnly || !m_ds->FieldCanModify(f) ||
                    m_ds->FieldDef(f).kind == tv::db::FieldKind::Bytea;
    m_editor->setReadOnly(ro);
    m_editor->setFont(font());
    m_loadingEditor = false;
}

void TtvDBGridCustom::ShowEditor(bool selectAll)
{
    if (!m_ds || !m_ds->Active() || (m_options & dgRowSelect) || !(m_options & dgEditing))
        return;
    m_editorShown = true;
    LoadEditorText();
    if (!selectAll)
        m_editor->deselect();
    PlaceEditor();
}

void TtvDBGridCustom::HideEditor()
{
    const bool hadFocus = m_editor->hasFocus();
    m_editorShown = false;
    m_editor->hide();
    if (hadFocus)
        setFocus();
}

bool TtvDBGridCustom::EditorMode() const
{
    return m_editorShown;
}

void TtvDBGridCustom::SetEditorMode(bool on)
{
    if (on)
        ShowEditor();
    else
        HideEditor();
}

void TtvDBGridCustom::PlaceEditor()
{
    if (!m_editorShown || !m_ds || !m_ds->Active() || m_ds->RecNo() < 0) {
        m_editor->hide();
        return;
    }
    const QRect r = CellRect(m_ds->RecNo(), m_curItem);
    const QRect data = MakeRect(TitleBandExtent(), RecordAxisLength(), IndicatorBandExtent(), ItemAxisLength());
    if (r.isEmpty() || !data.intersects(r)) {
        m_editor->hide();
        return;
    }
    m_editor->setGeometry(r.adjusted(1, 1, -1, -1));
    const bool focus = hasFocus() || m_editor->hasFocus();
    m_editor->show();
    if (focus)
        m_editor->setFocus();
}

// --- geometry ---------------------------------------------------------------

QRect TtvDBGridCustom::MakeRect(int recPos, int recExt, int itemPos, int itemExt) const
{
    return m_transposed ? QRect(recPos, itemPos, recExt, itemExt) : QRect(itemPos, recPos, itemExt, recExt);
}

QRect TtvDBGridCustom::CellRect(int record, int item) const
{
    if (item < 0 || item >= ItemCount())
        return QRect();
    const int recPos = TitleBandExtent() + (record - m_topRecord) * RecordExtent();
    const int itemPos = IndicatorBandExtent() + ItemOffset(item) - m_itemScroll;
    return MakeRect(recPos, RecordExtent(), itemPos, ItemExtent(item));
}

TtvDBGridCustom::Hit TtvDBGridCustom::HitTest(const QPoint &p) const
{
    Hit h;
    const int a = RecordAxis(p), b = ItemAxis(p);
    const int titleExt = TitleBandExtent(), indExt = IndicatorBandExtent(), recExt = std::max(1, RecordExtent());
    h.inTitle = a < titleExt;
    h.inIndicator = b < indExt;
    const int count = m_ds && m_ds->Active() ? m_ds->RecordCount() : 0;
    if (!h.inTitle) {
        const int rec = m_topRecord + (a - titleExt) / recExt;
        h.record = rec < count ? rec : -1;
        // Trailing border of a record (transposed grid, indicator row).
        const int within = (a - titleExt) % recExt;
        if (m_transposed && h.inIndicator && rec < count + 1) {
            if (within >= recExt - kBorderSlack)
                h.border = rec;
            else if (within <= kBorderSlack && rec > m_topRecord)
                h.border = rec - 1;
        }
    }
    if (h.inIndicator) {
        h.item = -1;
    } else {
        const int off = b - indExt + m_itemScroll;
        for (int i = 0; i < ItemCount(); ++i) {
            if (ItemExtent(i) <= 0)
                continue;
            if (off >= ItemOffset(i) && off < ItemOffset(i + 1)) {
                h.item = i;
                break;
            }
        }
        if (!m_transposed && h.inTitle) {
            for (int i = 0; i < ItemCount(); ++i)
                if (ItemExtent(i) > 0 && std::abs(off - ItemOffset(i + 1)) <= kBorderSlack)
                    h.border = i;
        }
    }
    return h;
}

// --- painting ---------------------------------------------------------------

bool TtvDBGridCustom::RecordSelected(int record) const
{
    if (!(m_options & dgMultiSelect) || !m_ds || !m_ds->Active() || m_bookmarks.Count() == 0)
        return false;
    return m_bookmarks.Contains(m_ds->BookmarkAt(record));
}

bool TtvDBGridCustom::IsCellHighlighted(int record, int item) const
{
    bool on = RecordSelected(record);
    if (!on) {
        const bool current = m_ds && record == m_ds->RecNo() && item == m_curItem;
        on = current && ((m_options & dgAlwaysShowSelection) || hasFocus() || m_editor->hasFocus()) &&
             (m_updateLock == 0 || (m_options & dgRowSelect));
    }
    if (!on)
        return false;
    const int lo = std::min(m_rangeStart, m_rangeEnd), hi = std::max(m_rangeStart, m_rangeEnd);
    return SelectWholeRecords() || (item >= lo && item <= hi);
}

void TtvDBGridCustom::PaintIndicator(QPainter &p, const QRect &r, int record)
{
    p.fillRect(r, m_fixedColor);
    if (!m_ds || !m_ds->Active())
        return;
    const bool current = record == m_ds->RecNo();
    const bool selected = RecordSelected(record);
    if (!current && !selected)
        return;
    const QPoint c = r.center();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(palette().color(QPalette::ButtonText));
    p.setBrush(palette().color(QPalette::ButtonText));
    const DataSetState st = m_ds->State();
    if (current && st == DataSetState::Edit) {
        p.drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
        p.drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
        p.drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
    } else if (current && st == DataSetState::Insert) {
        p.drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
        p.drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
        p.drawLine(c.x() - 2, c.y() - 2, c.x() + 2, c.y() + 2);
        p.drawLine(c.x() - 2, c.y() + 2, c.x() + 2, c.y() - 2);
    } else {
        if (current) {
            QPolygon tri;
            if (m_transposed)
                tri << QPoint(c.x() - 3, c.y() - 2) << QPoint(c.x() + 3, c.y() - 2) << QPoint(c.x(), c.y() + 2);
            else
                tri << QPoint(c.x() - 2, c.y() - 3) << QPoint(c.x() - 2, c.y() + 3) << QPoint(c.x() + 2, c.y());
            p.drawPolygon(tri);
        }
        if (selected) {
            const QPoint d = current ? (m_transposed ? QPoint(c.x() + 5, c.y()) : QPoint(c.x(), c.y() + 4)) : c;
            p.drawEllipse(d, 1, 1);
        }
    }
    p.restore();
}

void TtvDBGridCustom::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    const QRect all = viewport()->rect();
    p.fillRect(all, m_color);
    const int titleExt = TitleBandExtent(), indExt = IndicatorBandExtent(), recExt = std::max(1, RecordExtent());
    const bool active = m_ds && m_ds->Active();
    const int count = active ? m_ds->RecordCount() : 0;
    const int visible = (RecordAxisLength() - titleExt) / recExt + 1;
    const int last = std::min(count, m_topRecord + visible);
    const QColor lineColor = palette().color(QPalette::Mid);
    const QColor text = palette().color(isEnabled() ? QPalette::Text : QPalette::PlaceholderText);
    const QColor hiBack = palette().color(QPalette::Highlight), hiText = palette().color(QPalette::HighlightedText);

    // Visible field items.
    std::vector<int> items;
    const int room = ItemAxisLength() - indExt;
    for (int i = 0; i < ItemCount(); ++i) {
        if (ItemExtent(i) <= 0)
            continue;
        if (ItemOffset(i + 1) <= m_itemScroll)
            continue;
        if (ItemOffset(i) >= m_itemScroll + room)
            break;
        items.push_back(i);
    }

    // Data cells.
    const QRect dataArea = MakeRect(titleExt, RecordAxisLength(), indExt, ItemAxisLength());
    p.save();
    p.setClipRect(dataArea);
    const QFontMetrics fm(font());
    for (int rec = m_topRecord; rec < last; ++rec) {
        for (int i : items) {
            const QRect r = CellRect(rec, i);
            const TDBGridItem &it = *m_items[size_t(i)];
            const bool hi = IsCellHighlighted(rec, i);
            if (hi)
                p.fillRect(r, hiBack);
            if (it.Field >= 0) {
                const QString t = paintText(m_ds->DisplayTextPrefix(rec, it.Field, kMaxPaintChars));
                if (!t.isEmpty()) {
                    p.setPen(hi && isEnabled() ? hiText : text);
                    const QRect tr = r.adjusted(2, 0, -3, 0);
                    p.save();
                    p.setClipRect(r.intersected(dataArea));
                    p.drawText(tr, int(it.Alignment | Qt::AlignVCenter) | Qt::TextSingleLine, t);
                    p.restore();
                }
            }
            if (m_options & (dgColLines | dgRowLines)) {
                p.setPen(lineColor);
                if ((m_options & dgColLines) || m_transposed)
                    p.drawLine(r.topRight(), r.bottomRight());
                if ((m_options & dgRowLines) || m_transposed)
                    p.drawLine(r.bottomLeft(), r.bottomRight());
            }
        }
    }
    p.restore();

    // Title band (field captions).
    if (titleExt > 0) {
        p.save();
        p.setClipRect(MakeRect(0, titleExt, indExt, ItemAxisLength()));
        p.setFont(m_titleFont);
        for (int i : items) {
            const int itemPos = indExt + ItemOffset(i) - m_itemScroll;
            const QRect r = MakeRect(0, titleExt, itemPos, ItemExtent(i));
            p.fillRect(r, m_fixedColor);
            const TDBGridItem &it = *m_items[size_t(i)];
            QString caption = it.TitleCaption;
            if (caption.isEmpty())
                caption = it.Field >= 0 && active ? m_ds->FieldDef(it.Field).name : it.FieldName;
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
            p.setPen(lineColor);
            p.drawLine(r.topRight(), r.bottomRight());
            p.drawLine(r.bottomLeft(), r.bottomRight());
        }
        p.restore();
    }
    // Indicator band.
    if (indExt > 0) {
        p.save();
        p.setClipRect(MakeRect(titleExt, RecordAxisLength(), 0, indExt));
        for (int rec = m_topRecord; rec < std::max(last, m_topRecord + 1); ++rec) {
            const QRect r = MakeRect(titleExt + (rec - m_topRecord) * recExt, recExt, 0, indExt);
            if (rec < last)
                PaintIndicator(p, r, rec);
            else
                p.fillRect(r, m_fixedColor);
            p.setPen(lineColor);
            p.drawLine(r.topRight(), r.bottomRight());
            p.drawLine(r.bottomLeft(), r.bottomRight());
        }
        p.restore();
    }
    if (titleExt > 0 && indExt > 0)
        p.fillRect(MakeRect(0, titleExt, 0, indExt), m_fixedColor);
}

// --- keys -------------------------------------------------------------------

void TtvDBGridCustom::keyPressEvent(QKeyEvent *e)
{
    const QString t = e->text();
    const bool printable = !t.isEmpty() && t[0].isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (e->matches(QKeySequence::Copy)) {
        tv::ui::Guard([this] { CopyRecords(); });
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        tv::ui::Guard([this] { PasteFromClipboard(); });
        return;
    }
    if (printable && m_ds && m_ds->Active() && (m_options & dgEditing) && !(m_options & dgRowSelect)) {
        // Typing starts the editor with the character typed.
        tv::ui::Guard([&] {
            if (!m_editorShown)
                ShowEditor();
            if (m_editorShown && !m_editor->isReadOnly()) {
                m_editor->setFocus();
                QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text());
                QApplication::sendEvent(m_editor, &copy);
            }
        });
        return;
    }
    HandleKey(e);
}

void TtvDBGridCustom::HandleKey(QKeyEvent *e)
{
    tv::ui::Guard([&] {
        if (!m_ds || !m_ds->Active())
            return;
        m_modifiers = e->modifiers();
        const bool ctrl = m_modifiers & Qt::ControlModifier;
        const int key = MapKey(e->key());
        // The editor is loaded again only when the key took the cursor to
        // another cell: a key that moves nothing (a lone Shift, F2 while
        // typing, Up on the first record) never replaces what is typed.
        const int recBefore = m_ds->RecNo();
        const int itemBefore = m_curItem;
        const int visible = VisibleRecordCount();
        const bool rowSelect = m_options & dgRowSelect;
        const bool oneItem = ItemCount() == 1;
        switch (key) {
        case Qt::Key_Up:
            if (ctrl) {
                if (!m_transposed)
                    ClearSelection();
                m_ds->MoveBy(m_topRecord - m_ds->RecNo());
            } else {
                PriorRecord(true);
            }
            break;
        case Qt::Key_Down:
            if (ctrl) {
                if (!m_transposed)
                    ClearSelection();
                m_ds->MoveBy(std::min(m_ds->RecordCount() - 1, m_topRecord + visible - 1) - m_ds->RecNo());
            } else {
                NextRecord(true);
            }
            break;
        case Qt::Key_PageUp:
            ClearSelection();
            if (!ctrl)
                m_ds->MoveBy(-visible);
            else if (!m_transposed)
                m_ds->MoveBy(m_topRecord - m_ds->RecNo());
            break;
        case Qt::Key_PageDown:
            ClearSelection();
            if (!ctrl)
                m_ds->MoveBy(visible);
            else if (!m_transposed)
                m_ds->MoveBy(std::min(m_ds->RecordCount() - 1, m_topRecord + visible - 1) - m_ds->RecNo());
            break;
        case Qt::Key_Home:
            if (ctrl || oneItem || rowSelect) {
                ClearSelection();
                m_ds->First();
            } else {
                SelectItem(0, 1);
            }
            break;
        case Qt::Key_End:
            if (ctrl || oneItem || rowSelect) {
                ClearSelection();
                m_ds->Last();
            } else {
                SelectItem(ItemCount() - 1, -1);
            }
            break;
        case Qt::Key_Left:
            if (ctrl) {
                if (m_transposed)
                    ClearSelection();
                SelectItem(0, 1);
            } else if (rowSelect) {
                m_modifiers = Qt::NoModifier;
                PriorRecord(false);
            } else {
                SelectItem(m_curItem - 1, -1);
            }
            break;
        case Qt::Key_Right:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl && key == Qt::Key_Right) {
                if (m_transposed)
                    ClearSelection();
                SelectItem(ItemCount() - 1, -1);
            } else if (rowSelect) {
                m_modifiers = Qt::NoModifier;
                NextRecord(false);
            } else {
                SelectItem(m_curItem + 1, 1);
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!(m_modifiers & Qt::AltModifier) && (m_options & dgTabs)) {
                m_tabKey = true;
                try {
                    TabMove(key == Qt::Key_Backtab || (m_modifiers & Qt::ShiftModifier));
                } catch (...) {
                    m_tabKey = false;
                    throw;
                }
                m_tabKey = false;
            }
            break;
        case Qt::Key_Escape:
            m_link.Reset();
            ClearSelection();
            if (!(m_options & dgAlwaysShowEditor))
                HideEditor();
            break;
        case Qt::Key_Insert:
            if (m_ds->CanModify() && !m_readOnly && (m_options & dgEditing)) {
                ClearSelection();
                m_ds->Insert();
            }
            break;
        case Qt::Key_Delete:
            if (ctrl)
                DeleteRecords();
            else if (m_editorShown && m_editor->hasFocus())
                m_editor->Clear();
            break;
        case Qt::Key_F2:
            if (!m_editorShown)
                ShowEditor();
            if (m_editorShown)
                m_editor->setFocus();
            break;
        default:
            break;
        }
        EnsureCurrentVisible();
        if ((m_options & dgAlwaysShowEditor) && !m_editorShown)
            ShowEditor();
        else if (m_editorShown && !m_link.Modified() && (m_ds->RecNo() != recBefore || m_curItem != itemBefore))
            LoadEditorText();
        PlaceEditor();
        viewport()->update();
    });
    m_modifiers = Qt::NoModifier;
}

// --- mouse ------------------------------------------------------------------

void TtvDBGridCustom::mousePressEvent(QMouseEvent *e)
{
    tv::ui::Guard([&] {
        const QPoint pos = e->position().toPoint();
        m_modifiers = e->modifiers();
        if (e->button() == Qt::RightButton && m_bookmarks.Count() > 0) {
            const bool inBand = m_transposed ? pos.y() < IndicatorOffset() + 17 : pos.x() < IndicatorOffset() + 10;
            if (inBand)
                return;
        }
        setFocus();
        const Hit h = HitTest(pos);
        if (e->button() == Qt::LeftButton && h.border >= 0 && (m_options & dgColumnResize)) {
            m_link.updateData();
            m_resizeIndex = h.border;
            m_resizeOrigin = RecordAxis(pos) * (m_transposed ? 1 : 0) + ItemAxis(pos) * (m_transposed ? 0 : 1);
            m_resizeStartExtent = m_transposed ? RecordExtent() : ItemExtent(h.border);
            return;
        }
        if (h.inTitle && (m_options & dgColumnResize)) {
            m_link.updateData();
            return;
        }
        if (!m_ds || !m_ds->Active())
            return;
        const bool onIndicator = h.inIndicator;
        const int oldRecord = m_ds->RecNo();
        const int oldItem = m_curItem;
        ++m_updateLock;
        try {
            m_link.updateData();
            if (!(m_options & dgAlwaysShowEditor))
                HideEditor();
            if (!h.inTitle && h.record >= 0)
                m_ds->MoveBy(h.record - m_ds->RecNo());
            if (h.item >= 0)
                SelectItem(h.item, 0);
        } catch (...) {
            --m_updateLock;
            throw;
        }
        --m_updateLock;
        if ((m_options & dgMultiSelect) && m_ds->Active() && m_ds->RecNo() >= 0 && !h.inTitle) {
            m_selecting = false;
            if (m_modifiers & Qt::ControlModifier) {
                m_bookmarks.SetCurrentRowSelected(!m_bookmarks.CurrentRowSelected());
            } else if (m_modifiers & Qt::ShiftModifier) {
                m_bookmarks.Clear();
                const int from = oldRecord < 0 ? m_ds->RecNo() : oldRecord, to = m_ds->RecNo();
                const int step = from <= to ? 1 : -1;
                for (int r = from;; r += step) {
                    m_bookmarks.Select(m_ds->BookmarkAt(r));
                    if (r == to)
                        break;
                }
                m_rangeEnd = m_curItem;
                SelectWholeRecords() = onIndicator;
            } else {
                m_bookmarks.Clear();
                if (onIndicator)
                    m_bookmarks.SetCurrentRowSelected(true);
                SelectWholeRecords() = onIndicator;
            }
        }
        const bool sameCell = oldRecord == m_ds->RecNo() && oldItem == m_curItem;
        if (e->button() == Qt::LeftButton && !h.inIndicator && (sameCell || (m_options & dgAlwaysShowEditor)))
            ShowEditor();
        EnsureCurrentVisible();
        PlaceEditor();
        viewport()->update();
    });
    m_modifiers = Qt::NoModifier;
}

void TtvDBGridCustom::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (m_resizeIndex >= 0 && (e->buttons() & Qt::LeftButton)) {
        const int now = m_transposed ? RecordAxis(pos) : ItemAxis(pos);
        RecordOrItemResized(m_resizeIndex, std::max(4, m_resizeStartExtent + now - m_resizeOrigin));
        return;
    }
    const Hit h = HitTest(pos);
    viewport()->setCursor(h.border >= 0 && (m_options & dgColumnResize)
                              ? (m_transposed ? Qt::SplitHCursor : Qt::SplitHCursor)
                              : Qt::ArrowCursor);
}

void TtvDBGridCustom::mouseReleaseEvent(QMouseEvent *e)
{
    if (m_resizeIndex >= 0) {
        m_resizeIndex = -1;
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    const Hit h = HitTest(e->position().toPoint());
    tv::ui::Guard([&] {
        if (h.item < 0)
            return;
        if (h.inTitle) {
            if (OnTitleClick)
                OnTitleClick(h.item);
        } else if (h.record >= 0 && !h.inIndicator && OnCellClick) {
            OnCellClick(m_curItem);
        }
    });
}

void TtvDBGridCustom::mouseDoubleClickEvent(QMouseEvent *e)
{
    QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void TtvDBGridCustom::wheelEvent(QWheelEvent *e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0) {
        e->accept();
        return;
    }
    tv::ui::Guard([&] {
        if (!m_ds || !m_ds->Active())
            return;
        if (m_transposed) {
            SelectItem(m_curItem + (steps < 0 ? 1 : -1), steps < 0 ? 1 : -1);
            return;
        }
        for (int i = 0; i < std::abs(steps); ++i) {
            QKeyEvent k(QEvent::KeyPress, steps < 0 ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
            HandleKey(&k);
        }
    });
    e->accept();
}

void TtvDBGridCustom::focusOutEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusOutEvent(e);
    QWidget *to = QApplication::focusWidget();
    if (to == m_editor || to == this)
        return;
    tv::ui::Guard([this] {
        if (!m_ds || !m_ds->Active())
            return;
        if ((m_options & dgCancelOnExit) && m_ds->State() == DataSetState::Insert && !m_ds->Modified() &&
            !m_link.Modified())
            m_ds->Cancel();
        else
            m_link.updateData();
    });
    viewport()->update();
}

bool TtvDBGridCustom::event(QEvent *e)
{
    // Tab belongs to the grid (field moves), not to focus changes.
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

// --- clipboard --------------------------------------------------------------

void TtvDBGridCustom::CopyRecords()
{
    if (!m_ds || !m_ds->Active())
        return;
    if (m_bookmarks.Count() == 0) {
        const int f = SelectedField();
        if (f < 0 || m_ds->RecNo() < 0)
            return;
        QGuiApplication::clipboard()->setText(m_ds->FieldDisplayText(f));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool whole = SelectWholeRecords();
    const int lo = std::min(m_rangeStart, m_rangeEnd), hi = std::max(m_rangeStart, m_rangeEnd);
    std::vector<std::pair<int, bool>> cols; // field, TAB before it
    for (int i = 0; i < ItemCount(); ++i) {
        const TDBGridItem &it = *m_items[size_t(i)];
        if (!it.Visible || it.Field < 0 || (!whole && (i < lo || i > hi)))
            continue;
        cols.emplace_back(it.Field, whole ? i > 0 : i > lo);
    }
    const bool many = m_bookmarks.Count() > 1;
    QString out;
    try {
        for (const tv::db::Bookmark b : m_bookmarks.Items()) {
            const int row = m_ds->RowOfBookmark(b);
            if (row < 0)
                continue;
            for (const auto &[field, tab] : cols) {
                if (tab)
                    out += QLatin1Char('\t');
                if (!m_ds->IsNull(row, field))
                    out += QuoteRecordValue(m_ds->DisplayText(row, field));
            }
            if (many)
                out += QStringLiteral("\r\n");
        }
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    QGuiApplication::clipboard()->setText(out);
}

void TtvDBGridCustom::PasteFromClipboard()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty() || !m_ds || !m_ds->Active())
        return;
    if (!IsRecordText(text)) {
        if (!m_editorShown)
            ShowEditor();
        if (!m_editorShown || m_editor->isReadOnly())
            return;
        if (!m_link.Modified() && !CanEditModify())
            return;
        m_editor->insert(text);
        return;
    }
    if (!CanEditModify())
        return;
    PasteRecords(text);
}

void TtvDBGridCustom::PasteRecords(const QString &text)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_ds->DisableControls();
    try {
        // The editor's own text is not written over the pasted records.
        m_link.SetModified(false);
        if (m_ds->State() == DataSetState::Edit && !m_ds->Modified())
            m_ds->Cancel();
        const std::vector<QStringList> records = ParseRecordText(text);
        bool first = true;
        for (const QStringList &values : records) {
            if (first)
                m_ds->Insert();
            else
                m_ds->InsertAt(m_ds->RecNo() + 1);
            first = false;
            for (int i = 0; i < values.size() && i < m_ds->FieldCount(); ++i)
                m_ds->SetFieldText(i, values[i]);
        }
        // Every line ends a record: the last one leaves a new, empty record.
        m_ds->InsertAt(m_ds->RecNo() + 1);
    } catch (...) {
        m_ds->EnableControls();
        QApplication::restoreOverrideCursor();
        throw;
    }
    m_ds->EnableControls();
    QApplication::restoreOverrideCursor();
}

void TtvDBGridCustom::SelectAll()
{
    if (!m_ds || !m_ds->Active())
        return;
    m_bookmarks.SelectAll();
    m_rangeStart = 0;
    m_rangeEnd = ItemCount();
    viewport()->update();
}

} // namespace tv::grid
