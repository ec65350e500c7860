#include "sql/fraExplan.h"

#include "common/Globals.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/excel/Workbook.h"
#include "platform/settings/Folders.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "sql/fraData.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace explan {

namespace {

const QString kArrow = QStringLiteral("->");

bool IsStepLine(const QString &line)
{
    return line.trimmed().startsWith(kArrow);
}

const QRegularExpression &CostGroup()
{
    static const QRegularExpression re(
        QStringLiteral("\\(cost=(\\S+)\\s+rows=(\\S+)\\s+width=([^)\\s]+)\\)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

} // namespace

QString StatementEntry(const QString &sql)
{
    const QString t = sql.trimmed();
    qsizetype end = 0;
    while (end < t.size() && !t.at(end).isSpace())
        ++end;
    QString word = t.left(end).trimmed().toUpper();
    if (word == QLatin1String("CREATE"))
        word = QStringLiteral("CREATE TABLE AS");
    return word + QStringLiteral(" STATEMENT");
}

QStringList CollectEntries(const QStringList &planLines, const QString &sql)
{
    QStringList entries{StatementEntry(sql)};
    for (int i = 0; i < planLines.size(); ++i) {
        const QString &line = planLines.at(i);
        if (i == 0 || IsStepLine(line) || line.contains(QLatin1String("PLANNING TIME:"), Qt::CaseInsensitive))
            entries.append(line);
        else
            entries.last() += QLatin1Char(' ') + line.trimmed();
    }
    return entries;
}

TTreDtlInf ParsePlanLine(const QString &entry)
{
    TTreDtlInf inf;
    QString caption = entry;
    const QRegularExpressionMatch m = CostGroup().match(entry);
    if (m.hasMatch()) {
        QString before = entry.left(m.capturedStart());
        while (!before.isEmpty() && before.back().isSpace())
            before.chop(1);
        caption = before + entry.mid(m.capturedEnd());
        inf.strCost = m.captured(1);
        inf.strRows = m.captured(2);
        inf.strWidth = m.captured(3);
    }
    if (caption.trimmed().startsWith(kArrow))
        caption = caption.trimmed().mid(kArrow.size()).trimmed();
    inf.strOperation = caption;
    return inf;
}

int PlanLineLevel(const QString &entry, int base)
{
    if (!IsStepLine(entry))
        return entry.contains(QLatin1String(" STATEMENT")) ? 0 : 1;
    const int p = int(entry.indexOf(kArrow));
    if (base < 0 || p < base || (p - base) % 6 != 0)
        return 1;
    return (p - base) / 6 + 2;
}

TTreInf ParsePlan(const QStringList &planLines, const QString &sql)
{
    const QStringList entries = CollectEntries(planLines, sql);
    int base = -1;
    TTreInf out;
    for (int i = 0; i < entries.size(); ++i) {
        const QString &e = entries.at(i);
        if (base < 0 && IsStepLine(e))
            base = int(e.indexOf(kArrow));
        TTreDtlInf inf = ParsePlanLine(e);
        inf.intLv = i == 0 ? 0 : IsStepLine(e) ? PlanLineLevel(e, base) : 1;
        out.append(inf);
    }
    return out;
}

} // namespace explan

namespace {

int NodeLevel(const QTreeWidgetItem *item)
{
    int level = 0;
    for (const QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        ++level;
    return level;
}

QString Flat(QString s)
{
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    s.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return s;
}

QString NodeCaption(const TtvTreeNode *node)
{
    const int level = NodeLevel(node);
    return QString(2 * level, u' ') + (level > 0 ? QStringLiteral("┗") : QString()) + Flat(node->Text());
}

struct Cursor {
    Cursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Cursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TfraExplan::TfraExplan(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("fraExplan"));
    // The plan wraps the statement it is given: a second statement in that
    // text must never run.
    qryData.SetSingleStatement(true);
    qryPlan.SetSingleStatement(true);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    tolLeft = new QToolBar(this);
    tolLeft->setObjectName(QStringLiteral("tolLeft"));
    auto button = [this](const char *name, const QString &hint, int image, const QString &text) {
        auto *b = new QToolButton(tolLeft);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        QIcon icon;
        if (IMainWindow *main = MainWindow())
            icon = main->ButtonImage(image);
        if (icon.isNull())
            b->setText(text);
        else
            b->setIcon(icon);
        b->setFocusPolicy(Qt::NoFocus);
        tolLeft->addWidget(b);
        return b;
    };
    btnPlan = button("btnPlan", QStringLiteral("実行計画を表示する"), 89, QStringLiteral("計"));
    btnPlan->setCheckable(true);
    btnPlan->setChecked(true);
    btnExcel = button("btnExcel", QStringLiteral("結果をExcelファイルに出力する"), 44, QStringLiteral("X"));
    btnCopy = button("btnCopy", QStringLiteral("結果をクリップボードにコピーする"), 21, QStringLiteral("写"));
    lay->addWidget(tolLeft);

    pnlPlan = new QWidget(this);
    pnlPlan->setObjectName(QStringLiteral("pnlPlan"));
    auto *planLay = new QVBoxLayout(pnlPlan);
    planLay->setContentsMargins(0, 0, 0, 0);
    lstPlan = new TtvTreeView(pnlPlan);
    lstPlan->setObjectName(QStringLiteral("lstPlan"));
    lstPlan->setIndentation(19);
    lstPlan->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstPlan->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPlan->AddSection(QStringLiteral("操作"), 180);
    lstPlan->AddSection(QStringLiteral("COST"), 80, Qt::AlignRight);
    lstPlan->AddSection(QStringLiteral("BYTE"), 80, Qt::AlignRight);
    lstPlan->AddSection(QStringLiteral("WIDTH"), 80, Qt::AlignRight);
    hedPlan = lstPlan->header();
    hedPlan->setObjectName(QStringLiteral("hedPlan"));
    planLay->addWidget(lstPlan);
    lay->addWidget(pnlPlan, 1);

    connect(btnPlan, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnPlanClick(); }));
    connect(btnCopy, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnCopyClick(); }));
    connect(btnExcel, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnExcelClick(); }));
}

void TfraExplan::SetConnection(tv::db::Connection *conn)
{
    qryData.SetConnection(conn);
    qryPlan.SetConnection(conn);
}

void TfraExplan::SetSQL(const QString &sql)
{
    qryData.Close();
    // A CREATE text keeps its ":name" texts as they are.
    qryData.SetParamParsing(!sql.left(6).toUpper().startsWith(QLatin1String("CREATE")));
    qryData.SetSQL(sql);
    FSQL = sql;
}

void TfraExplan::ShowData()
{
    if (btnPlan->isChecked())
        ShowPlan();
}

void TfraExplan::ShowPlan()
{
    struct CloseAfter {
        tv::db::Query &q;
        ~CloseAfter() { q.Close(); }
    } closer{qryPlan};
    // Setting the text keeps the values of the parameters the caller gave.
    qryPlan.SetSQL(QStringLiteral(" EXPLAIN (FORMAT TEXT) ") + fradata::StripTrailingSemicolon(FSQL));
    qryPlan.Open();
    QStringList lines;
    const auto &rows = qryPlan.Results();
    for (int r = 0; rows && r < rows->rowCount(); ++r)
        lines.append(rows->text(r, 0));
    const TTreInf plan = explan::ParsePlan(lines, FSQL);

    lstPlan->setUpdatesEnabled(false);
    lstPlan->clear();
    TtvTreeNode *prev = nullptr;
    int prevLevel = 0;
    for (const TTreDtlInf &inf : plan) {
        TtvTreeNode *node = nullptr;
        if (inf.intLv < 1 || !prev) {
            node = lstPlan->AddNode(nullptr, inf.strOperation);
        } else if (inf.intLv > prevLevel) {
            node = lstPlan->AddNode(prev, inf.strOperation);
        } else {
            // A sibling of the ancestor at the new level.
            QTreeWidgetItem *anchor = prev;
            for (int l = prevLevel; l > inf.intLv && anchor->parent(); --l)
                anchor = anchor->parent();
            node = lstPlan->AddNode(static_cast<TtvTreeNode *>(anchor->parent()), inf.strOperation);
        }
        node->SetSubItems({inf.strCost, inf.strRows, inf.strWidth});
        prev = node;
        prevLevel = inf.intLv < 1 ? 0 : inf.intLv;
    }
    if (QTreeWidgetItem *first = lstPlan->topLevelItem(0)) {
        first->setExpanded(true);
        std::function<void(QTreeWidgetItem *)> expand = [&](QTreeWidgetItem *it) {
            for (int i = 0; i < it->childCount(); ++i) {
                it->child(i)->setExpanded(true);
                expand(it->child(i));
            }
        };
        expand(first);
    }
    lstPlan->setUpdatesEnabled(true);
}

void TfraExplan::btnPlanClick()
{
    const bool on = btnPlan->isChecked();
    pnlPlan->setVisible(on);
    btnExcel->setEnabled(on);
    btnCopy->setEnabled(on);
}

QList<TtvTreeNode *> TfraExplan::NodesInOrder() const
{
    QList<TtvTreeNode *> nodes;
    std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *it) {
        nodes.append(static_cast<TtvTreeNode *>(it));
        for (int i = 0; i < it->childCount(); ++i)
            walk(it->child(i));
    };
    for (int i = 0; i < lstPlan->topLevelItemCount(); ++i)
        walk(lstPlan->topLevelItem(i));
    return nodes;
}

QString TfraExplan::PlanText(QChar separator) const
{
    // With the comma separator a value holding a comma or a quote is quoted,
    // so that it keeps its column.
    auto field = [separator](const QString &v) {
        if (separator == u',' && (v.contains(u',') || v.contains(u'"')))
            return QLatin1Char('"') + QString(v).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        return v;
    };
    QString out;
    const QList<TtvTreeNode *> nodes = NodesInOrder();
    tv::ui::ClearEscape();
    for (int i = 0; i < nodes.size(); ++i) {
        if (IMainWindow *m = MainWindow())
            m->SetLoopMessage(i + 1, int(nodes.size()));
        if (i % 256 == 255 && tv::ui::EscapePressed())
            break;
        const TtvTreeNode *n = nodes.at(i);
        out += field(NodeCaption(n));
        for (int s = 0; s < 3; ++s)
            out += separator + field(Flat(n->SubItems().value(s)));
        out += QLatin1String("\r\n");
    }
    return out;
}

void TfraExplan::btnCopyClick()
{
    bool comma = tvOption.PasteColumn == 1;
    if (tvOption.PasteDialog) {
        const TCheckList checks{{QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma}};
        if (ShowCheckMessageDialog(QStringLiteral("結果をクリップボードにコピーしますか？"),
                                   tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION, checks) != tv::ui::IDYES)
            return;
    }
    tvOption.PasteColumn = comma ? 1 : 0;
    const QString text = PlanText(comma ? QLatin1Char(',') : QLatin1Char('\t'));
    QApplication::clipboard()->setText(text);
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), tv::ui::MB_ICONINFORMATION);
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
}

void TfraExplan::btnExcelClick()
{
    const QString ext = tvOption.ExcelExt.isEmpty() ? QStringLiteral(".XLSX") : tvOption.ExcelExt;
    QString dir = tvOption.ExcelDir.isEmpty() ? tv::settings::DocumentsDir() : tvOption.ExcelDir;
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';
    tv::ui::FileDialogRequest req;
    req.filter = (ExcelFileFilter.isEmpty() ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") : ExcelFileFilter) +
                 QStringLiteral("|すべてのファイル(*.*)|*.*");
    req.fileName = MakeUniqueFileName(dir + QStringLiteral("EXECUTEPLAN") + ext);
    req.overwritePrompt = true;
    const QString file = tv::ui::CurrentDialogs().saveFile(req);
    if (file.isEmpty())
        return;
    {
        Cursor cursor;
        tv::excel::Workbook book(file);
        tv::excel::Sheet &sheet = book.AddSheet();
        sheet.SetColumnWidth(1, 50);
        sheet.SetColumnWidth(2, 50);
        for (int c = 0; c < lstPlan->columnCount(); ++c)
            sheet.SetText(1, c + 1, Flat(lstPlan->headerItem()->text(c)));
        const QList<TtvTreeNode *> nodes = NodesInOrder();
        for (int i = 0; i < nodes.size(); ++i) {
            sheet.SetText(i + 2, 1, NodeCaption(nodes.at(i)));
            for (int s = 0; s < 3; ++s) {
                const QString v = Flat(nodes.at(i)->SubItems().value(s));
                bool ok = false;
                const double d = v.toDouble(&ok);
                if (ok)
                    sheet.SetNumber(i + 2, s + 2, d);
                else
                    sheet.SetText(i + 2, s + 2, v);
            }
        }
        book.Save();
    }
    tvOption.ExcelDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), tv::ui::MB_ICONINFORMATION);
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
}
