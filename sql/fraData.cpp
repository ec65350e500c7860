#include "sql/fraData.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/TextUtil.h"
#include "common/tvMemIniFile.h"
#include "common/tvOption.h"
#include "platform/Errors.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/ui/Font.h"
#include "platform/ui/Guard.h"
#include "sql/frmLob.h"
#include "sql/frmMemo.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

using tv::db::FieldKind;
using tv::grid::TColumnButtonStyle;

IDataFrameHost::~IDataFrameHost() = default;

// ---- pure helpers -----------------------------------------------------------

namespace fradata {

namespace {

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Length of a dollar-quote tag ("$$", "$tag$") starting at i, 0 when none.
int dollarTag(const QString &s, int i)
{
    if (s[i] != u'$' || (i > 0 && isIdentChar(s[i - 1])))
        return 0;
    int j = i + 1;
    if (j < s.size() && s[j].isDigit())
        return 0;
    while (j < s.size() && (s[j].isLetterOrNumber() || s[j] == u'_'))
        ++j;
    return j < s.size() && s[j] == u'$' ? j - i + 1 : 0;
}

// Calls `word` for every word at parenthesis depth 0 outside literals and
// comments (start index, text); stops when it returns true.
bool scanWords(const QString &s, const std::function<bool(int, const QString &)> &word)
{
    const int n = int(s.size());
    int depth = 0;
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            int level = 1;
            i += 2;
            while (i < n && level > 0) {
                if (s[i] == u'/' && i + 1 < n && s[i + 1] == u'*') {
                    ++level;
                    i += 2;
                } else if (s[i] == u'*' && i + 1 < n && s[i + 1] == u'/') {
                    --level;
                    i += 2;
                } else {
                    ++i;
                }
            }
        } else if (c == u'\'') {
            const bool escapes = i > 0 && (s[i - 1] == u'E' || s[i - 1] == u'e') && (i < 2 || !isIdentChar(s[i - 2]));
            ++i;
            while (i < n) {
                if (escapes && s[i] == u'\\') {
                    i += 2;
                } else if (s[i] == u'\'') {
                    if (i + 1 < n && s[i + 1] == u'\'')
                        i += 2;
                    else
                        break;
                } else {
                    ++i;
                }
            }
            ++i;
        } else if (c == u'"') {
            ++i;
            while (i < n) {
                if (s[i] == u'"') {
                    if (i + 1 < n && s[i + 1] == u'"')
                        i += 2;
                    else
                        break;
                } else {
                    ++i;
                }
            }
            ++i;
        } else if (const int tag = dollarTag(s, i)) {
            const QString t = s.mid(i, tag);
            const int end = int(s.indexOf(t, i + tag));
            i = end < 0 ? n : end + tag;
        } else if (c == u'(') {
            ++depth;
            ++i;
        } else if (c == u')') {
            --depth;
            ++i;
        } else if (isIdentChar(c) && !c.isDigit()) {
            const int start = i;
            while (i < n && isIdentChar(s[i]))
                ++i;
            if (depth <= 0 && word(start, s.mid(start, i - start)))
                return true;
        } else {
            ++i;
        }
    }
    return false;
}

} // namespace

bool HasOrderBy(const QString &sql)
{
    bool afterOrder = false;
    int orderEnd = -1;
    return scanWords(sql, [&](int start, const QString &w) {
        if (afterOrder && w.compare(u"BY", Qt::CaseInsensitive) == 0) {
            // Only blanks between the two words.
            if (sql.mid(orderEnd, start - orderEnd).trimmed().isEmpty())
                return true;
        }
        afterOrder = w.compare(u"ORDER", Qt::CaseInsensitive) == 0;
        orderEnd = start + int(w.size());
        return false;
    });
}

QString StripTrailingSemicolon(const QString &sql)
{
    int end = int(sql.size());
    while (end > 0 && sql[end - 1].isSpace())
        --end;
    if (end > 0 && sql[end - 1] == u';')
        return sql.left(end - 1);
    return sql;
}

namespace {
QString withLineBreak(const QString &sql)
{
    return sql.endsWith(u'\n') ? sql : sql + QLatin1Char('\n');
}
} // namespace

QString SortedSQL(const QString &sql, const QString &sort, bool desc)
{
    if (sort.isEmpty() || HasOrderBy(sql))
        return sql;
    QString s = withLineBreak(StripTrailingSemicolon(sql)) + QStringLiteral(" ORDER BY ") + sort;
    if (desc)
        s += QStringLiteral(" DESC");
    return s;
}

QString LimitedSQL(const QString &sql, const QString &count)
{
    const QString c = count.trimmed();
    if (c.isEmpty())
        return sql;
    bool ok = false;
    const qint64 n = c.toLongLong(&ok);
    if (!ok || n < 0)
        throw tv::Error(QStringLiteral("'%1' は有効な件数ではありません").arg(c));
    return withLineBreak(StripTrailingSemicolon(sql)) + QStringLiteral("LIMIT ") + QString::number(n);
}

QString AggregateSQL(const QString &func, const QString &column, const QString &sql)
{
    return QStringLiteral("SELECT ") + func + QStringLiteral("(") + QuoteIdentifier(column) +
           QStringLiteral(") FROM (") + StripTrailingSemicolon(sql.trimmed()) + QStringLiteral(") TBL");
}

QStringList RequestedColumns(const QString &sql)
{
    const int from = int(sql.indexOf(QStringLiteral(" FROM ")));
    if (from < 7)
        return {};
    const QString list = sql.mid(7, from - 7);
    QStringList items;
    QString cur;
    bool quoted = false;
    for (const QChar c : list) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u',' && !quoted) {
            items << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    items << cur;
    QStringList names;
    for (const QString &it : items) {
        const QString t = it.trimmed();
        names << (t.size() >= 2 ? t.mid(1, t.size() - 2) : QString());
    }
    return names;
}

QString ColumnWidthFile(const QString &workDir, const QString &tableName)
{
    QString dir = workDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/'))
        dir += QLatin1Char('/');
    return dir + SanitizeFileName(tableName) + QStringLiteral(".ini");
}

QString ToQtDateTimeFormat(const QString &format)
{
    const QString f = format;
    const int n = int(f.size());
    const bool ampm = f.contains(QStringLiteral("am/pm"), Qt::CaseInsensitive) ||
                      f.contains(QStringLiteral("ampm"), Qt::CaseInsensitive) ||
                      f.contains(QStringLiteral("a/p"), Qt::CaseInsensitive);
    QString out;
    QString literal; // pending literal text, quoted on flush
    const auto flush = [&] {
        if (literal.isEmpty())
            return;
        bool needsQuote = false;
        for (const QChar c : literal)
            if (c.isLetter() || c == u'\'')
                needsQuote = true;
        if (needsQuote) {
            QString q = literal;
            q.replace(QLatin1Char('\''), QStringLiteral("''"));
            out += QLatin1Char('\'') + q + QLatin1Char('\'');
        } else {
            out += literal;
        }
        literal.clear();
    };
    bool lastWasHour = false;
    int i = 0;
    const auto run = [&](QChar c) {
        int j = i;
        while (j < n && f[j].toLower() == c)
            ++j;
        return j - i;
    };
    while (i < n) {
        const QChar c = f[i];
        const QChar l = c.toLower();
        if (c == u'"' || c == u'\'') {
            const int end = int(f.indexOf(c, i + 1));
            literal += f.mid(i + 1, (end < 0 ? n : end) - i - 1);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (l == u'a') {
            for (const QString &t : {QStringLiteral("am/pm"), QStringLiteral("ampm"), QStringLiteral("a/p")}) {
                if (f.mid(i, t.size()).compare(t, Qt::CaseInsensitive) == 0) {
                    flush();
                    out += QStringLiteral("AP");
                    i += int(t.size());
                    goto next;
                }
            }
        }
        if (l == u'y') {
            const int k = run(l);
            flush();
            out += k <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
            i += k;
            lastWasHour = false;
            continue;
        }
        if (l == u'm') {
            const int k = run(l);
            flush();
            if (lastWasHour && k <= 2)
                out += k == 1 ? QStringLiteral("m") : QStringLiteral("mm");
            else
                out += QString(std::min(k, 4), QLatin1Char('M'));
            i += k;
            lastWasHour = false;
            continue;
        }
        if (l == u'n') {
            const int k = run(l);
            flush();
            out += k == 1 ? QStringLiteral("m") : QStringLiteral("mm");
            i += k;
            lastWasHour = false;
            continue;
        }
        if (l == u'd') {
            const int k = run(l);
            flush();
            out += QString(std::min(k, 4), QLatin1Char('d'));
            i += k;
            lastWasHour = false;
            continue;
        }
        if (l == u'h') {
            const int k = run(l);
            flush();
            out += QString(std::min(k, 2), ampm ? QLatin1Char('h') : QLatin1Char('H'));
            i += k;
            lastWasHour = true;
            continue;
        }
        if (l == u's') {
            const int k = run(l);
            flush();
            out += k == 1 ? QStringLiteral("s") : QStringLiteral("ss");
            i += k;
            continue;
        }
        if (l == u'z') {
            const int k = run(l);
            flush();
            out += k >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
            i += k;
            continue;
        }
        literal += c;
        ++i;
        continue;
    next:;
    }
    flush();
    return out;
}

QString BytesToHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

QByteArray ByteaTextToBytes(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    if (text.startsWith(QStringLiteral("\\x"))) {
        const QByteArray hex = text.mid(2).toLatin1();
        bool good = hex.size() % 2 == 0;
        for (const char c : hex)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                good = false;
        if (!good) {
            if (ok)
                *ok = false;
            return {};
        }
        return QByteArray::fromHex(hex);
    }
    // The escape form: "\\" and "\ooo" stand for one byte each.
    QByteArray out;
    const QByteArray in = text.toUtf8();
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (i + 1 < in.size() && in[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < in.size() + 0 && in[i + 1] >= '0' && in[i + 1] <= '3' && in[i + 2] >= '0' &&
                   in[i + 2] <= '7' && in[i + 3] >= '0' && in[i + 3] <= '7') {
            out += char((in[i + 1] - '0') * 64 + (in[i + 2] - '0') * 8 + (in[i + 3] - '0'));
            i += 3;
        } else {
            if (ok)
                *ok = false;
            return {};
        }
    }
    return out;
}

} // namespace fradata

// ---- field classes ----------------------------------------------------------

namespace {

bool isNumber(FieldKind k)
{
    return k == FieldKind::Int2 || k == FieldKind::Int4 || k == FieldKind::Int8 || k == FieldKind::Float ||
           k == FieldKind::Numeric;
}
// Long texts: text and every type without a closer match (json, xml, arrays …).
bool isWideMemo(FieldKind k)
{
    return k == FieldKind::Text || k == FieldKind::Other;
}
bool isDateKind(FieldKind k)
{
    return k == FieldKind::Date || k == FieldKind::Timestamp || k == FieldKind::TimestampTz;
}
bool hasTextButton(FieldKind k)
{
    return k == FieldKind::Varchar || k == FieldKind::Char || isWideMemo(k);
}

// A cell's text on one line, cut for painting.
QString paintText(const QString &t)
{
    QString s = t.size() > 500 ? t.left(500) : t;
    for (QChar &c : s)
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    return s;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

// ---- grids ------------------------------------------------------------------

template <class G>
TfraDataGrid<G>::TfraDataGrid(TfraData *frame, QWidget *parent) : G(parent), m_frame(frame)
{
    m_button = new QToolButton(this->viewport());
    m_button->setObjectName(QStringLiteral("btnEllipsis"));
    m_button->setText(QStringLiteral("…"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->hide();
    QObject::connect(m_button, &QToolButton::clicked, m_frame,
                     tv::ui::Guarded([this] { m_frame->grdData1EditButtonClick(); }));
}

template <class G>
void TfraDataGrid<G>::paintEvent(QPaintEvent *e)
{
    G::paintEvent(e);
    tv::db::DataSet *ds = this->m_ds;
    if (ds && ds->Active() && ds->FieldCount() > 0) {
        QPainter p(this->viewport());
        const int titleExt = this->TitleBandExtent(), indExt = this->IndicatorBandExtent();
        const int recExt = std::max(1, this->RecordExtent());
        p.setClipRect(this->MakeRect(titleExt, this->RecordAxisLength(), indExt, this->ItemAxisLength()));
        const int count = ds->RecordCount();
        const int last = std::min(count, this->m_topRecord + (this->RecordAxisLength() - titleExt) / recExt + 1);
        const int room = this->ItemAxisLength() - indExt;
        for (int rec = this->m_topRecord; rec < last; ++rec) {
            const bool selected = this->RecordSelected(rec);
            for (int i = 0; i < this->ItemCount(); ++i) {
                if (this->ItemExtent(i) <= 0 || this->ItemOffset(i + 1) <= this->m_itemScroll)
                    continue;
                if (this->ItemOffset(i) >= this->m_itemScroll + room)
                    break;
                const int field = this->Item(i).Field;
                if (field < 0)
                    continue;
                const QRect r = this->CellRect(rec, i).adjusted(0, 0, -1, -1);
                m_frame->DrawCell(p, r, rec, field, this->IsCellHighlighted(rec, i), selected, this->m_transposed);
            }
        }
    }
    placeButton();
}

template <class G>
void TfraDataGrid<G>::placeButton()
{
    tv::db::DataSet *ds = this->m_ds;
    const int item = this->SelectedIndex();
    const bool want = ds && ds->Active() && ds->RecNo() >= 0 && item >= 0 && item < this->ItemCount() &&
                      this->Item(item).ButtonStyle == TColumnButtonStyle::cbsEllipsis;
    QRect r = want ? this->CellRect(ds->RecNo(), item) : QRect();
    const QRect data = this->MakeRect(this->TitleBandExtent(), this->RecordAxisLength(), this->IndicatorBandExtent(),
                                      this->ItemAxisLength());
    if (r.isEmpty() || !data.contains(r.topRight() + QPoint(-1, 1))) {
        if (m_button->isVisible())
            m_button->hide();
        return;
    }
    const int side = std::max(8, r.height() - 2);
    const QRect b(r.right() - side, r.top() + 1, side, r.height() - 2);
    if (m_button->geometry() != b)
        m_button->setGeometry(b);
    if (!m_button->isVisible())
        m_button->show();
    m_button->raise();
}

template <class G>
void TfraDataGrid<G>::mouseMoveEvent(QMouseEvent *e)
{
    G::mouseMoveEvent(e);
    const QPoint pos = e->position().toPoint();
    if (this->m_transposed)
        m_frame->grdData2MouseMove(pos);
    else
        m_frame->grdData1MouseMove(pos);
}

template <class G>
void TfraDataGrid<G>::mouseDoubleClickEvent(QMouseEvent *e)
{
    // The second press of a double-click acts as a press first.
    this->mousePressEvent(e);
    const auto h = this->HitTest(e->position().toPoint());
    if (e->button() == Qt::LeftButton && !h.inTitle && !h.inIndicator && h.record >= 0)
        tv::ui::Guard([this] { m_frame->grdData1EditButtonClick(); });
    e->accept();
}

template <class G>
void TfraDataGrid<G>::contextMenuEvent(QContextMenuEvent *e)
{
    if (m_popup) {
        m_popup->popup(e->globalPos());
        e->accept();
    }
}

template class TfraDataGrid<tv::grid::TtvDBGridV>;
template class TfraDataGrid<tv::grid::TtvDBGridH>;

// ---- the frame --------------------------------------------------------------

TfraData::TfraData(QWidget *parent, IDataFrameHost *host) : QFrame(parent), m_host(host)
{
    setObjectName(QStringLiteral("fraData"));
    // The frame shows the rows of one query, wrapped in a sort order or a
    // row limit: a second statement in its text must never run.
    qryData.SetSingleStatement(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    scrButton = new QScrollArea(this);
    scrButton->setObjectName(QStringLiteral("scrButton"));
    scrButton->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrButton->setFrameShape(QFrame::NoFrame);
    scrButton->setWidgetResizable(true);
    tolLeft = new QToolBar(scrButton);
    tolLeft->setObjectName(QStringLiteral("tolLeft"));
    tolLeft->setOrientation(Qt::Vertical);
    tolLeft->setFocusPolicy(Qt::StrongFocus);
    scrButton->setWidget(tolLeft);
    layout->addWidget(scrButton);

    btnUpdate = AddButton(QStringLiteral("結果を編集可能にする"), 88, QStringLiteral("編"));
    btnUpdate->setObjectName(QStringLiteral("btnUpdate"));
    btnUpdate->setCheckable(true);
    btnGridType = AddButton(QStringLiteral("出力方向変更"), 87, QStringLiteral("向"));
    btnGridType->setObjectName(QStringLiteral("btnGridType"));
    btnExcel = AddButton(QStringLiteral("結果をExcelファイルに出力する"), 44, QStringLiteral("X"));
    btnExcel->setObjectName(QStringLiteral("btnExcel"));
    btnCopy = AddButton(QStringLiteral("結果をクリップボードに出力する"), 21, QStringLiteral("写"));
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    tolLeft->addSeparator(); // btnS1
    btnIns = AddButton(QStringLiteral("レコードの挿入"), 39, QStringLiteral("+"));
    btnIns->setObjectName(QStringLiteral("btnIns"));
    btnDel = AddButton(QStringLiteral("レコードの削除"), 40, QStringLiteral("-"));
    btnDel->setObjectName(QStringLiteral("btnDel"));
    tolLeft->addSeparator(); // btnS2
    btnFirst = AddButton(QString(), 37, QStringLiteral("|<"));
    btnFirst->setObjectName(QStringLiteral("btnFirst"));
    btnPrev = AddButton(QString(), 35, QStringLiteral("<"));
    btnPrev->setObjectName(QStringLiteral("btnPrev"));
    btnNext = AddButton(QString(), 36, QStringLiteral(">"));
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnLast = AddButton(QString(), 38, QStringLiteral(">|"));
    btnLast->setObjectName(QStringLiteral("btnLast"));
    // The scroller scrolls the bar when the frame is lower than the bar: no
    // button goes into an overflow menu.
    tolLeft->setMinimumHeight(tolLeft->sizeHint().height());

    using tv::ui::Guarded;
    connect(btnUpdate, &QToolButton::clicked, this, Guarded([this] { btnUpdateClick(); }));
    connect(btnGridType, &QToolButton::clicked, this, Guarded([this] { btnGridTypeClick(); }));
    connect(btnExcel, &QToolButton::clicked, this, Guarded([this] { btnExcelClick(); }));
    connect(btnCopy, &QToolButton::clicked, this, Guarded([this] { btnCopyClick(); }));
    connect(btnIns, &QToolButton::clicked, this, Guarded([this] { btnInsClick(); }));
    connect(btnDel, &QToolButton::clicked, this, Guarded([this] { btnDelClick(); }));
    connect(btnFirst, &QToolButton::clicked, this, Guarded([this] { btnFirstClick(); }));
    connect(btnPrev, &QToolButton::clicked, this, Guarded([this] { btnPrevClick(); }));
    connect(btnNext, &QToolButton::clicked, this, Guarded([this] { btnNextClick(); }));
    connect(btnLast, &QToolButton::clicked, this, Guarded([this] { btnLastClick(); }));

    grdData1 = new TfraDataGridV(this, this);
    grdData1->setObjectName(QStringLiteral("grdData1"));
    grdData2 = new TfraDataGridH(this, this);
    grdData2->setObjectName(QStringLiteral("grdData2"));
    layout->addWidget(grdData1, 1);
    layout->addWidget(grdData2, 1);
    for (tv::grid::TtvDBGridCustom *g : {static_cast<tv::grid::TtvDBGridCustom *>(grdData1),
                                         static_cast<tv::grid::TtvDBGridCustom *>(grdData2)}) {
        g->SetOptions(g->Options() | tv::grid::dgMultiSelect);
        g->setFont(tv::ui::MakeFont(tvOption.DataFontName, tvOption.DataFontSize));
        g->installEventFilter(this);
        g->InplaceEditor()->installEventFilter(this);
    }
    grdData1->OnTitleClick = [this](int item) { grdData1TitleClick(item); };
    grdData2->OnTitleClick = [this](int item) { grdData2TitleClick(item); };
    {
        const QFontMetrics fm(grdData2->font());
        grdData2->SetDefaultColWidth(fm.horizontalAdvance(QString(std::max(1, tvOption.DataColWidthH),
                                                                  QLatin1Char('A'))));
    }

    dtpInputDate = new QDateTimeEdit(this);
    dtpInputDate->setObjectName(QStringLiteral("dtpInputDate"));
    dtpInputDate->setCalendarPopup(true);
    dtpInputDate->hide();
    connect(dtpInputDate, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (m_dateBound)
            tv::ui::Guard([this] { dtpInputdateChange(); });
    });
    connect(dtpInputDate, &QDateTimeEdit::editingFinished, this, Guarded([this] { dtpInputDateCloseUp(); }));

    popRecord = new QMenu(this);
    popRecord->setObjectName(QStringLiteral("popRecord"));
    mnuIns = popRecord->addAction(QStringLiteral("レコードの挿入(&I)"));
    mnuCopy = popRecord->addAction(QStringLiteral("レコードのコピー(&C)"));
    mnuPaste = popRecord->addAction(QStringLiteral("レコードの貼り付け(&V)"));
    mnuDel = popRecord->addAction(QStringLiteral("レコードの削除(&D)"));
    connect(mnuIns, &QAction::triggered, this, Guarded([this] { btnInsClick(); }));
    connect(mnuCopy, &QAction::triggered, this, Guarded([this] { mnuCopyClick(); }));
    connect(mnuPaste, &QAction::triggered, this, Guarded([this] { mnuPasteClick(); }));
    connect(mnuDel, &QAction::triggered, this, Guarded([this] { btnDelClick(); }));

    popColumn = new QMenu(this);
    popColumn->setObjectName(QStringLiteral("popColumn"));
    mnuSort = popColumn->addAction(QStringLiteral("並び替え(&S)"));
    mnuTotal = popColumn->addMenu(QStringLiteral("集計情報を表示(&T)"));
    mnuCount = mnuTotal->addAction(QStringLiteral("件数(&C)"));
    mnuSum = mnuTotal->addAction(QStringLiteral("合計(&S)"));
    mnuAverage = mnuTotal->addAction(QStringLiteral("平均(&A)"));
    mnuMax = mnuTotal->addAction(QStringLiteral("最大(&M)"));
    mnuMin = mnuTotal->addAction(QStringLiteral("最小(&N)"));
    connect(popColumn, &QMenu::aboutToShow, this, Guarded([this] { popColumnPopup(); }));
    connect(mnuSort, &QAction::triggered, this, Guarded([this] { mnuSortClick(); }));
    connect(mnuCount, &QAction::triggered, this, Guarded([this] { mnuCountClick(); }));
    connect(mnuSum, &QAction::triggered, this, Guarded([this] { mnuSumClick(); }));
    connect(mnuAverage, &QAction::triggered, this, Guarded([this] { mnuAverageClick(); }));
    connect(mnuMax, &QAction::triggered, this, Guarded([this] { mnuMaxClick(); }));
    connect(mnuMin, &QAction::triggered, this, Guarded([this] { mnuMinClick(); }));

    grdData1->SetDataSet(&dsrTableData);
    grdData2->SetDataSet(&dsrTableData);
    btnUpdate->setChecked(tvOption.UpdateMode);
    btnUpdate->setEnabled(true);
    btnGridTypeClick();
    qryDataAfterOpenClose();
}

TfraData::~TfraData()
{
    // The grids go before the data set they read.
    grdData1->SetDataSet(nullptr);
    grdData2->SetDataSet(nullptr);
}

QToolButton *TfraData::AddButton(const QString &hint, int image, const QString &text)
{
    auto *b = new QToolButton(tolLeft);
    b->setToolTip(hint);
    QIcon icon;
    if (IMainWindow *main = MainWindow())
        icon = main->MainImage(image);
    if (icon.isNull())
        b->setText(text);
    else
        b->setIcon(icon);
    b->setFocusPolicy(Qt::NoFocus);
    tolLeft->addWidget(b);
    return b;
}

void TfraData::SetConnection(tv::db::Connection *conn)
{
    Close();
    qryData.SetConnection(conn);
    qryLob.SetConnection(conn);
    dsrTableData.SetConnection(conn);
}

void TfraData::SetSQL(const QString &sql)
{
    FSQL = sql;
    FSort.clear();
    FDesc = false;
}

bool TfraData::IsOwner(IDataFrameHost::THostKind kind) const
{
    return m_host && m_host->HostKind() == kind;
}

bool TfraData::LimitedOwner() const
{
    using K = IDataFrameHost::THostKind;
    return IsOwner(K::Table) || IsOwner(K::View) || IsOwner(K::MView);
}

tv::grid::TtvDBGridCustom *TfraData::VisibleGrid() const
{
    if (FGridType)
        return grdData1;
    return grdData2;
}

int TfraData::SelectedFieldOfVisibleGrid() const
{
    return VisibleGrid()->SelectedField();
}

// ---- prepare and open ---------------------------------------------------------

void TfraData::Prepare()
{
    WaitCursor wait;
    Close();
    // Setting the text keeps the values of parameters whose names stay, so a
    // re-preparation for sorting keeps what the host bound.
    qryData.SetSQL(fradata::SortedSQL(FSQL, FSort, FDesc));
    ApplyEditMode();
}

void TfraData::ApplyEditMode()
{
    const bool readOnly = !btnUpdate->isChecked();
    dsrTableData.SetReadOnly(readOnly);
    for (tv::grid::TtvDBGridCustom *g : {static_cast<tv::grid::TtvDBGridCustom *>(grdData1),
                                         static_cast<tv::grid::TtvDBGridCustom *>(grdData2)}) {
        if (readOnly) {
            g->SetOptions(g->Options() & ~(tv::grid::dgEditing | tv::grid::dgAlwaysShowEditor));
            g->SetEditorMode(false);
        } else {
            g->SetOptions(g->Options() | tv::grid::dgEditing | tv::grid::dgAlwaysShowEditor);
        }
    }
}

void TfraData::Open()
{
    WaitCursor wait;
    if (Active())
        Close();
    qryData.Prepare();
    const bool limited = LimitedOwner();
    if (limited) {
        const QString count = m_host->RecordCountText();
        if (!count.trimmed().isEmpty())
            qryData.SetSQL(fradata::LimitedSQL(qryData.SQL(), count));
        const QString set = QStringLiteral("SET CLIENT_ENCODING TO ") + QuoteLiteral(tvOption.CharacterSet);
        if (IConnectionWindow *cw = m_host->HostConnectionWindow())
            cw->ExecuteSQL(set);
        else if (tv::db::Connection *c = qryData.GetConnection())
            c->Exec(set);
    }
    qryData.Open();
    dsrTableData.SetConnection(qryData.GetConnection());
    dsrTableData.Open(qryData.Results());
    qryDataAfterOpenClose();
    if (limited) {
        const int shown = VisibleGrid()->ItemCount();
        if (fradata::RequestedColumns(FSQL).size() > shown)
            ShowMessageBox(QStringLiteral("表示できないデータ型を持つ列が存在するため、") + QLatin1Char('\n') +
                               QStringLiteral("対象列は表示されません。"),
                           tv::ui::MB_ICONINFORMATION);
    }
}

void TfraData::Close()
{
    if (dsrTableData.Active()) {
        qryDataBeforeClose();
        dtpInputDate->hide();
        m_dateBound = false;
    }
    dsrTableData.Close();
    qryData.Close();
    qryDataAfterOpenClose();
}

// ---- after open / before close ------------------------------------------------

bool TfraData::KeepsColumnWidths() const
{
    return IsOwner(IDataFrameHost::THostKind::Table) && !FTableName.isEmpty() && grdData1->DataSet() &&
           dsrTableData.Active() && dsrTableData.FieldCount() < 100;
}

int TfraData::ColumnWidthCap() const
{
    return QFontMetrics(grdData1->font()).horizontalAdvance(QString(std::max(0, tvOption.DataColWidthV), QLatin1Char('A')));
}

void TfraData::qryDataAfterOpenClose()
{
    const bool open = dsrTableData.Active();
    const bool writable = open && dsrTableData.CanModify();
    for (QToolButton *b : {btnCopy, btnFirst, btnPrev, btnNext, btnLast})
        b->setEnabled(open);
    mnuCopy->setEnabled(open);
    for (QAction *a : popColumn->actions())
        a->setEnabled(open);
    for (QAction *a : mnuTotal->actions())
        a->setEnabled(open);
    btnIns->setEnabled(writable);
    btnDel->setEnabled(writable);
    mnuIns->setEnabled(writable);
    mnuDel->setEnabled(writable);
    mnuPaste->setEnabled(writable);
    if (open) {
        if (grdData1->DataSet() && dsrTableData.FieldCount() < 100)
            ReadColumnWidths();
        SetButtons();
    }
    if (OnAfterOpenClose)
        OnAfterOpenClose();
}

void TfraData::ReadColumnWidths()
{
    const int cap = ColumnWidthCap();
    const int n = grdData1->ColumnCount();
    if (KeepsColumnWidths()) {
        QDir().mkpath(tvOption.TempDir);
        TtvMemIniFile ini(fradata::ColumnWidthFile(tvOption.TempDir, FTableName), GetFileEncoding());
        ini.Load();
        for (int i = n - 1; i >= 0; --i) {
            tv::grid::TColumn &c = grdData1->Columns(i);
            const QString key = c.TitleCaption.isEmpty() ? c.FieldName : c.TitleCaption;
            const int stored = ini.ReadString(QStringLiteral("COLWIDTH_V"), key, QStringLiteral("0")).trimmed().toInt();
            grdData1->SetColumnWidth(i, stored < 1 ? std::min(grdData1->ColumnWidth(i), cap) : stored);
        }
        if (grdData2->DataSet()) {
            const int all =
                ini.ReadString(QStringLiteral("COLWIDTH_H"), QStringLiteral("(ALL)"), QStringLiteral("0")).trimmed().toInt();
            if (all > 0)
                grdData2->SetDefaultColWidth(all);
        }
        return;
    }
    for (int i = n - 1; i >= 0; --i)
        grdData1->SetColumnWidth(i, std::min(grdData1->ColumnWidth(i), cap));
}

void TfraData::qryDataBeforeClose()
{
    if (!KeepsColumnWidths())
        return;
    QDir().mkpath(tvOption.TempDir);
    TtvMemIniFile ini(fradata::ColumnWidthFile(tvOption.TempDir, FTableName), GetFileEncoding());
    ini.Load();
    for (int i = 0; i < grdData1->ColumnCount(); ++i) {
        tv::grid::TColumn &c = grdData1->Columns(i);
        const QString key = c.TitleCaption.isEmpty() ? c.FieldName : c.TitleCaption;
        ini.WriteString(QStringLiteral("COLWIDTH_V"), key, QString::number(grdData1->ColumnWidth(i)));
    }
    ini.WriteString(QStringLiteral("COLWIDTH_H"), QStringLiteral("(ALL)"), QString::number(grdData2->DefaultColWidth()));
    // Closing goes on when the file cannot be written: the widths are a convenience.
    ini.UpdateFile();
}

void TfraData::SetButtons()
{
    const int nf = dsrTableData.FieldCount();
    for (int f = 0; f < nf; ++f) {
        const FieldKind k = dsrTableData.FieldDef(f).kind;
        const bool button = isWideMemo(k) || hasTextButton(k) || isDateKind(k);
        if (!button)
            continue;
        if (f < grdData1->ColumnCount())
            grdData1->Columns(f).ButtonStyle = TColumnButtonStyle::cbsEllipsis;
        if (f < grdData2->RowCount())
            grdData2->Rows(f).ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    }
    grdData1->viewport()->update();
    grdData2->viewport()->update();
}

// ---- painting -------------------------------------------------------------------

void TfraData::DrawCell(QPainter &p, const QRect &r, int record, int field, bool highlighted, bool selected,
                        bool transposed)
{
    const tv::grid::TtvDBGridCustom *grid = transposed ? static_cast<tv::grid::TtvDBGridCustom *>(grdData2)
                                                       : static_cast<tv::grid::TtvDBGridCustom *>(grdData1);
    QColor back = grid->palette().color(QPalette::Base);
    QColor text = grid->palette().color(grid->isEnabled() ? QPalette::Text : QPalette::PlaceholderText);
    if (highlighted) {
        back = grid->palette().color(QPalette::Highlight);
        text = grid->palette().color(QPalette::HighlightedText);
    } else if (tvOption.AddStripe && !selected && record % 2 == 0) {
        back = QColor(0xFF, 0xFF, 0xCC);
        text = Qt::black;
    }
    p.fillRect(r, back);

    const TCellLook look = CellLook(record, field, transposed);
    const QColor color = look.null && !highlighted ? QColor(Qt::blue) : text;
    const bool right = look.right;
    QString t = look.text;
    t = paintText(t);
    if (t.isEmpty())
        return;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.setPen(color);
    p.setFont(grid->font());
    const QRect tr = r.adjusted(2, 0, -2, 0);
    p.drawText(tr, (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine, t);
    p.restore();
}

TfraData::TCellLook TfraData::CellLook(int record, int field, bool transposed) const
{
    TCellLook look;
    const FieldKind kind = dsrTableData.FieldDef(field).kind;
    const int mode = transposed ? tvOption.DataShowMode : 0;
    if (dsrTableData.IsNull(record, field)) {
        look.null = true;
        look.text = QStringLiteral("(NULL)");
        look.right = mode == 2;
    } else if (kind == FieldKind::Bytea) {
        look.text = fradata::BytesToHex(fradata::ByteaTextToBytes(dsrTableData.Text(record, field)));
    } else {
        look.text = dsrTableData.DisplayText(record, field);
        if (mode == 0 && isNumber(kind)) {
            if (look.text.startsWith(u'.'))
                look.text.prepend(QLatin1Char('0'));
            look.right = true;
        } else if (mode == 2) {
            look.right = true;
        }
    }
    return look;
}

// ---- tool buttons -----------------------------------------------------------------

void TfraData::btnUpdateClick()
{
    if (!dsrTableData.Active())
        return;
    Close();
    Prepare();
    Open();
    if (btnUpdate->isChecked() && !dsrTableData.CanModify()) {
        ShowMessageBox(QStringLiteral("この結果セットには書き込み出来ません。"), tv::ui::MB_ICONWARNING);
        btnUpdate->setChecked(false);
        ApplyEditMode();
        qryDataAfterOpenClose();
    }
}

void TfraData::btnGridTypeClick()
{
    FGridType = !FGridType;
    grdData1->setVisible(FGridType);
    grdData2->setVisible(!FGridType);
    grdData1->SetDataSet(&dsrTableData);
    grdData2->SetDataSet(&dsrTableData);
}

void TfraData::MoveRecord(void (tv::db::DataSet::*move)())
{
    if (!dsrTableData.Active())
        return;
    VisibleGrid()->SelectedRecords().Clear();
    (dsrTableData.*move)();
}

void TfraData::btnInsClick()
{
    MoveRecord(&tv::db::DataSet::Insert);
}

void TfraData::btnFirstClick()
{
    MoveRecord(&tv::db::DataSet::First);
}

void TfraData::btnPrevClick()
{
    MoveRecord(&tv::db::DataSet::Prior);
}

void TfraData::btnNextClick()
{
    MoveRecord(&tv::db::DataSet::Next);
}

void TfraData::btnLastClick()
{
    MoveRecord(&tv::db::DataSet::Last);
}

void TfraData::btnDelClick()
{
    if (!dsrTableData.Active())
        return;
    if (ShowMessageBox(QStringLiteral("レコードを削除しますか？"), tv::ui::MB_OKCANCEL | tv::ui::MB_ICONQUESTION) !=
        tv::ui::IDOK)
        return;
    tv::grid::TBookmarkList &sel = VisibleGrid()->SelectedRecords();
    if (sel.Count() > 0) {
        const std::vector<tv::db::Bookmark> marks = sel.Items();
        {
            WaitCursor wait;
            dsrTableData.DisableControls();
            struct Enable {
                tv::db::DataSet &ds;
                ~Enable() { ds.EnableControls(); }
            } enable{dsrTableData};
            // Last selected first.
            for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
                if (!dsrTableData.BookmarkValid(*it))
                    continue;
                dsrTableData.GotoBookmark(*it);
                dsrTableData.Delete();
            }
        }
        Close();
        Open();
        return;
    }
    dsrTableData.Delete();
}

void TfraData::mnuCopyClick()
{
    VisibleGrid()->CopyRecords();
}

void TfraData::mnuPasteClick()
{
    VisibleGrid()->SetEditorMode(true);
    VisibleGrid()->PasteFromClipboard();
}

// ---- sorting ----------------------------------------------------------------------

void TfraData::Sort(int position)
{
    if (!dsrTableData.Active())
        return;
    const QString pos = QString::number(position);
    if (pos != FSort) {
        FSort = pos;
        FDesc = false;
    } else {
        FDesc = !FDesc;
    }
    Prepare();
    Open();
}

void TfraData::grdData1TitleClick(int column)
{
    Sort(column + 1);
}

void TfraData::grdData2TitleClick(int row)
{
    Sort(row + 1);
}

void TfraData::popColumnPopup()
{
    if (FGridType)
        SelectedColumn = std::max(0, grdData1->SelectedIndex());
    else
        SelectedRow = std::max(0, grdData2->SelectedIndex());
}

void TfraData::mnuSortClick()
{
    Sort((FGridType ? SelectedColumn : SelectedRow) + 1);
}

// ---- aggregates -------------------------------------------------------------------

void TfraData::Aggregate(const QString &func, const QString &label)
{
    if (!dsrTableData.Active())
        return;
    const int item = FGridType ? SelectedColumn : SelectedRow;
    const int field = VisibleGrid()->Fields(item);
    if (field < 0)
        return;
    const QString name = dsrTableData.FieldDef(field).name;
    tv::db::Connection *conn = qryData.GetConnection();
    if (!conn)
        return;
    tv::db::Query q(conn);
    q.SetSingleStatement(true);
    q.SetSQL(fradata::AggregateSQL(func, name, FSQL));
    for (int i = 0; i < q.Params().count(); ++i) {
        tv::db::Param &dst = q.Params()[i];
        if (const tv::db::Param *src = qryData.Params().FindParam(dst.Name)) {
            dst.DataType = src->DataType;
            dst.Value = src->Value;
        }
    }
    bool haveRow = false, null = true;
    QString value;
    try {
        // The aggregate changes nothing, and a failure must not abort the
        // user's open transaction.
        tv::db::ProtectedBlock block(*conn);
        q.Open();
        if (!q.IsEmpty()) {
            haveRow = true;
            null = q.Fields(0).IsNull();
            value = q.Fields(0).AsString();
        }
        q.Close();
        block.undo();
    } catch (const tv::db::DbError &e) {
        q.Close();
        if (e.connectionLost())
            throw;
        ShowMessageBox(QStringLiteral("集計情報を求めることができません。"), tv::ui::MB_ICONWARNING);
    }
    if (!haveRow)
        return;
    if (null) {
        ShowMessageBox(QStringLiteral("レコードがありません"), tv::ui::MB_ICONWARNING);
        return;
    }
    ShowMessageBox(QStringLiteral("\"") + name + label + value, tv::ui::MB_OK);
}

void TfraData::mnuCountClick()
{
    Aggregate(QStringLiteral("COUNT"), QStringLiteral("\"列の件数 = "));
}

void TfraData::mnuSumClick()
{
    Aggregate(QStringLiteral("SUM"), QStringLiteral("\"列の合計 = "));
}

void TfraData::mnuAverageClick()
{
    Aggregate(QStringLiteral("AVG"), QStringLiteral("\"列の平均 = "));
}

void TfraData::mnuMaxClick()
{
    Aggregate(QStringLiteral("MAX"), QStringLiteral("\"列の最大 = "));
}

void TfraData::mnuMinClick()
{
    Aggregate(QStringLiteral("MIN"), QStringLiteral("\"列の最小 = "));
}

// ---- keys and pointer ---------------------------------------------------------------

bool TfraData::GridKeyDown(QKeyEvent *e)
{
    if (!btnUpdate->isChecked() || e->key() != Qt::Key_0 || !(e->modifiers() & Qt::ControlModifier))
        return false;
    if (!dsrTableData.Active())
        return true;
    const int field = SelectedFieldOfVisibleGrid();
    if (field < 0)
        return true;
    dsrTableData.Edit();
    dsrTableData.SetFieldNull(field);
    return true;
}

bool TfraData::eventFilter(QObject *watched, QEvent *event)
{
    const bool editor = watched == grdData1->InplaceEditor() || watched == grdData2->InplaceEditor();
    if (event->type() == QEvent::KeyPress) {
        bool taken = false;
        tv::ui::Guard([&] { taken = GridKeyDown(static_cast<QKeyEvent *>(event)); });
        if (taken)
            return true;
    } else if (editor && event->type() == QEvent::MouseButtonDblClick) {
        tv::ui::Guard([this] { grdData1EditButtonClick(); });
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TfraData::grdData1MouseMove(const QPoint &pos)
{
    if (btnUpdate->isHidden())
        return;
    if (pos.x() < grdData1->IndicatorExtent())
        grdData1->SetPopupMenu(popRecord);
    else if (pos.y() < grdData1->TitleExtent())
        grdData1->SetPopupMenu(popColumn);
    else
        grdData1->SetPopupMenu(nullptr);
}

void TfraData::grdData2MouseMove(const QPoint &pos)
{
    if (btnUpdate->isHidden())
        return;
    if (pos.y() < grdData2->IndicatorExtent())
        grdData2->SetPopupMenu(popRecord);
    else if (pos.x() < grdData2->TitleExtent())
        grdData2->SetPopupMenu(popColumn);
    else
        grdData2->SetPopupMenu(nullptr);
}

// ---- cell editors -----------------------------------------------------------------

void TfraData::grdData1EditButtonClick()
{
    if (!dsrTableData.Active())
        return;
    EditTextCell();
    EditDateCell();
    EditLobCell();
}

void TfraData::EditTextCell()
{
    const int field = SelectedFieldOfVisibleGrid();
    if (field < 0 || dsrTableData.RecNo() < 0)
        return;
    const FieldKind kind = dsrTableData.FieldDef(field).kind;
    if (kind != FieldKind::Varchar && !isWideMemo(kind))
        return;
    tv::grid::TtvDBGridCustom *grid = VisibleGrid();
    const int item = grid->SelectedIndex();
    if (item < 0 || grid->Item(item).ButtonStyle != TColumnButtonStyle::cbsEllipsis)
        return;
    tolLeft->setFocus();
    const bool readOnly = IsOwner(IDataFrameHost::THostKind::MView) || !btnUpdate->isChecked() ||
                          !dsrTableData.CanModify() || !dsrTableData.FieldCanModify(field);
    QString text = dsrTableData.FieldText(field);
    bool null = dsrTableData.FieldIsNull(field);
    if (TfrmMemo::ShowWindow(text, null, true, readOnly) == QDialog::Accepted) {
        dsrTableData.Edit();
        if (null)
            dsrTableData.SetFieldNull(field);
        else
            dsrTableData.SetFieldText(field, text);
    }
    grid->setFocus();
}

void TfraData::EditDateCell()
{
    const int field = SelectedFieldOfVisibleGrid();
    if (field < 0 || dsrTableData.RecNo() < 0)
        return;
    const FieldKind kind = dsrTableData.FieldDef(field).kind;
    if (!isDateKind(kind))
        return;
    if (IsOwner(IDataFrameHost::THostKind::MView) || !btnUpdate->isChecked() || !dsrTableData.CanModify() ||
        !dsrTableData.FieldCanModify(field))
        return;
    tv::grid::TtvDBGridCustom *grid = VisibleGrid();
    const QRect cell = grid->CellRect(dsrTableData.RecNo(), grid->SelectedIndex());
    const QPoint topLeft = grid->viewport()->mapTo(this, cell.topLeft());
    m_dateBound = false;
    dtpInputDate->setGeometry(topLeft.x() + 1, topLeft.y() + 1, cell.width() + 1, cell.height() + 2);
    const QString dateFmt = fradata::ToQtDateTimeFormat(tvOption.DateFormat);
    const QString cellText = dsrTableData.FieldDisplayText(field).trimmed();
    if (cellText.size() > tvOption.DateFormat.size())
        dtpInputDate->setDisplayFormat(dateFmt + QLatin1Char(' ') + fradata::ToQtDateTimeFormat(tvOption.TimeDelphi));
    else
        dtpInputDate->setDisplayFormat(dateFmt);
    m_datePlaceholder = cellText.isEmpty();
    if (m_datePlaceholder) {
        dtpInputDate->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    } else {
        QDateTime dt = tv::db::ParseTimestamp(cellText);
        if (!dt.isValid())
            dt = QDateTime(tv::db::ParseDate(cellText), QTime(0, 0));
        if (dt.isValid())
            dtpInputDate->setDateTime(dt);
    }
    dtpInputDate->show();
    dtpInputDate->raise();
    m_dateBound = true;
    dtpInputDate->setFocus();
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QApplication::sendEvent(dtpInputDate, &f4);
}

void TfraData::dtpInputdateChange()
{
    if (!dsrTableData.Active())
        return;
    const int field = SelectedFieldOfVisibleGrid();
    if (field < 0)
        return;
    const QDateTime dt = dtpInputDate->dateTime();
    const FieldKind kind = dsrTableData.FieldDef(field).kind;
    const QString text = kind == FieldKind::Date ? dt.date().toString(Qt::ISODate)
                                                 : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    dsrTableData.Edit();
    dsrTableData.SetFieldText(field, text);
    if (m_datePlaceholder) {
        m_datePlaceholder = false;
        dtpInputDate->setDisplayFormat(fradata::ToQtDateTimeFormat(tvOption.DateFormat));
    }
}

void TfraData::dtpInputDateCloseUp()
{
    if (!dtpInputDate->isVisible())
        return;
    m_dateBound = false;
    dtpInputDate->hide();
    VisibleGrid()->setFocus();
}

void TfraData::EditLobCell()
{
    const int field = SelectedFieldOfVisibleGrid();
    if (field < 0 || dsrTableData.RecNo() < 0)
        return;
    if (dsrTableData.FieldDef(field).kind != FieldKind::Bytea)
        return;
    using K = IDataFrameHost::THostKind;
    const bool readOnly = IsOwner(K::SQL) || IsOwner(K::View) || IsOwner(K::MView) || !btnUpdate->isChecked() ||
                          !dsrTableData.CanModify();
    QByteArray stream;
    if (!TfrmLob::ShowWindow(this, dsrTableData, field, stream, readOnly))
        return;
    dsrTableData.Edit();
    // An emptied value reaches the server as NULL.
    if (stream.isEmpty())
        dsrTableData.SetFieldNull(field);
    else
        dsrTableData.SetFieldText(field, QStringLiteral("\\x") + QString::fromLatin1(stream.toHex()));
}
