#include "sql/SQLDesignModel.h"

#include "common/Quote.h"
#include "common/SQLFormatter.h"
#include "common/SQLParser.h"
#include "common/ScriptClean.h"
#include "common/tvParseList.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kCannotShow = QStringLiteral("この SQL は、SQLビルダ上に表示する事は出来ません。");
const QString kAsc = QStringLiteral("昇順");
const QString kDesc = QStringLiteral("降順");
const QString kGroupBy = QStringLiteral("GROUP BY");
const QString kHaving = QStringLiteral("HAVING");

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('"') ||
           c == QLatin1Char('.');
}

// A name as written: "a""b" → a"b; anything else trimmed as it stands.
QString Unquote(QString s)
{
    s = s.trimmed();
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"'))) {
        s = s.mid(1, s.size() - 2);
        s.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    }
    return s;
}

// Splits at the first "." outside double quotes.
void SplitQualified(const QString &s, QString &head, QString &tail)
{
    bool q = false;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('"'))
            q = !q;
        else if (s[i] == QLatin1Char('.') && !q) {
            head = s.left(i);
            tail = s.mid(i + 1);
            return;
        }
    }
    head.clear();
    tail = s;
}

bool IsComparison(const QString &op)
{
    static const QStringList ops{"=", ">", ">=", "<", "<=", "!=", "<>"};
    return ops.contains(op);
}

bool IsConditionOperator(const QString &op)
{
    static const QStringList ops{"=", ">", ">=", "<", "<=", "!=", "<>", "IS", "IN", "LIKE", "BETWEEN"};
    return ops.contains(op.toUpper());
}

TtvSQLBuildConnectType ConnectTypeOf(const QString &op)
{
    if (op == QLatin1String(">"))
        return ctGT;
    if (op == QLatin1String(">="))
        return ctGE;
    if (op == QLatin1String("<"))
        return ctLT;
    if (op == QLatin1String("<="))
        return ctLE;
    if (op == QLatin1String("!=") || op == QLatin1String("<>"))
        return ctNE;
    return ctEQ;
}

QString Oneline(QString s)
{
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return s.trimmed();
}

QStringList EmptyRow()
{
    QStringList r;
    for (int i = 0; i < gcCount; ++i)
        r << QString();
    return r;
}

bool IsSelectKind(TtvSQLType t) { return t == sqltSelect || t == sqltCreateView; }

// ---------------------------------------------------------------------------
// JOIN … ON … in a FROM part, rewritten into a table list with the ON
// conditions leading the WHERE part, so the statement parser reads every
// table and every condition. Each join remembers its type, the index of
// the table it joins and how many conditions its ON holds.

struct TJoinInfo {
    TtvSQLBuildJoinType type = jtInner;
    int joinedTable = 0;
    int conditions = 0;
};

struct TWord {
    QString upper; // empty for a comma
    int start, end;
};

QString RewriteJoins(const QString &text, std::vector<TJoinInfo> &joins)
{
    std::vector<TWord> words; // depth-0 words and commas
    const int n = int(text.size());
    int depth = 0;
    for (int i = 0; i < n;) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            while (j < n) {
                if (text[j] == c) {
                    if (j + 1 < n && text[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            i = j + 1;
        } else if (c == QLatin1Char('(')) {
            ++depth;
            ++i;
        } else if (c == QLatin1Char(')')) {
            --depth;
            ++i;
        } else if (c == QLatin1Char(',') && depth == 0) {
            words.push_back({QString(), i, i + 1});
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('_') || text[j] == QLatin1Char('$')))
                ++j;
            if (depth == 0 && (i == 0 || text[i - 1] != QLatin1Char('.')))
                words.push_back({text.mid(i, j - i).toUpper(), i, j});
            i = j;
        } else {
            ++i;
        }
    }
    static const QStringList joinWords{"LEFT", "RIGHT", "FULL", "INNER", "OUTER", "CROSS", "NATURAL", "JOIN"};
    static const QStringList clauseEnds{"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "OFFSET", "UNION",
                                        "EXCEPT", "INTERSECT", "FOR", "WINDOW", "FETCH"};
    size_t from = 0;
    while (from < words.size() && words[from].upper != QLatin1String("FROM"))
        ++from;
    if (from == words.size())
        return text;
    struct TEdit {
        int start, end;
        QString with;
    };
    std::vector<TEdit> edits;
    QStringList conds;
    int commas = 0;
    size_t i = from + 1;
    int whereAt = -1, endAt = n;
    for (; i < words.size(); ++i) {
        const TWord &w = words[i];
        if (w.upper.isEmpty()) {
            ++commas;
            continue;
        }
        if (clauseEnds.contains(w.upper)) {
            if (w.upper == QLatin1String("WHERE"))
                whereAt = w.end;
            else
                endAt = w.start;
            break;
        }
        if (!joinWords.contains(w.upper))
            continue;
        // A run of join words ending with JOIN.
        size_t k = i;
        TtvSQLBuildJoinType type = jtInner;
        while (k < words.size() && joinWords.contains(words[k].upper) && words[k].upper != QLatin1String("JOIN")) {
            if (words[k].upper == QLatin1String("LEFT"))
                type = jtLeftOuter;
            else if (words[k].upper == QLatin1String("RIGHT"))
                type = jtRightOuter;
            ++k;
        }
        if (k >= words.size() || words[k].upper != QLatin1String("JOIN"))
            continue;
        ++commas;
        edits.push_back({w.start, words[k].end, QStringLiteral(",")});
        TJoinInfo info;
        info.type = type;
        info.joinedTable = commas;
        // Its ON condition up to the next join, comma or clause.
        size_t m = k + 1;
        while (m < words.size() && !words[m].upper.isEmpty() && words[m].upper != QLatin1String("ON") &&
               !joinWords.contains(words[m].upper) && !clauseEnds.contains(words[m].upper))
            ++m;
        if (m < words.size() && words[m].upper == QLatin1String("ON")) {
            size_t e = m + 1;
            int ands = 0;
            bool between = false;
            while (e < words.size() && !words[e].upper.isEmpty() && !joinWords.contains(words[e].upper) &&
                   !clauseEnds.contains(words[e].upper)) {
                if (words[e].upper == QLatin1String("BETWEEN"))
                    between = true;
                else if (words[e].upper == QLatin1String("AND")) {
                    if (between)
                        between = false;
                    else
                        ++ands;
                }
                ++e;
            }
            const int condEnd = e < words.size() ? words[e].start : n;
            const QString cond = text.mid(words[m].end, condEnd - words[m].end).trimmed();
            if (!cond.isEmpty()) {
                conds << cond;
                info.conditions = ands + 1;
            }
            edits.push_back({words[m].start, condEnd, QStringLiteral(" ")});
            i = e - 1;
        } else {
            i = k;
        }
        joins.push_back(info);
    }
    if (edits.empty())
        return text;
    if (!conds.isEmpty()) {
        if (whereAt >= 0)
            edits.push_back({whereAt, whereAt, QLatin1Char(' ') + conds.join(QStringLiteral(" AND ")) + QStringLiteral(" AND ")});
        else
            edits.push_back({endAt, endAt, QStringLiteral(" WHERE ") + conds.join(QStringLiteral(" AND ")) + QLatin1Char(' ')});
    }
    std::stable_sort(edits.begin(), edits.end(), [](const TEdit &a, const TEdit &b) { return a.start > b.start; });
    QString out = text;
    for (const TEdit &e : edits)
        out.replace(e.start, e.end - e.start, e.with);
    return out;
}

// One condition read from WHERE or HAVING tokens.
struct TCondition {
    QString left, op, right;
    bool leftOptional = false, rightOptional = false;
    bool empty() const { return left.isEmpty() && op.isEmpty() && right.isEmpty(); }
};

std::vector<TCondition> ReadConditions(QStringList tokens, bool having)
{
    std::vector<TCondition> out;
    tokens << QStringLiteral("AND");
    TCondition c;
    bool between = false;
    for (const QString &t : std::as_const(tokens)) {
        const QString u = t.toUpper();
        if (u == QLatin1String("BETWEEN"))
            between = true;
        else if (u == QLatin1String("AND")) {
            if (between)
                between = false;
            else {
                if (!c.empty())
                    out.push_back(c);
                c = TCondition();
                continue;
            }
        }
        if (c.left.isEmpty() || (!having && c.left.endsWith(QLatin1Char('.')) && c.op.isEmpty()))
            c.left += t;
        else if (c.op.isEmpty()) {
            if (t == QLatin1String("(+)") && !having)
                c.leftOptional = true;
            else
                c.op = t;
        } else if (c.right.isEmpty())
            c.right = t;
        else if (t == QLatin1String("(+)") && !having)
            c.rightOptional = true;
        else
            c.right += QLatin1Char(' ') + t;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Helpers

namespace sqldesign {

const QStringList &SortList()
{
    static const QStringList l{QString(), kAsc, kDesc};
    return l;
}

const QStringList &GroupList()
{
    static const QStringList l{QString(), kGroupBy, kHaving, "AVG", "COUNT", "MAX", "MIN", "STDDEV", "STDDEV_POP",
                               "STDDEV_SAMP", "SUM", "VAR_POP", "VAR_SAMP", "VARIANCE"};
    return l;
}

QStringList Headings(TtvSQLType type)
{
    return {QStringLiteral("項目名/式"), IsSelectKind(type) ? QStringLiteral("別名") : QStringLiteral("値"),
            QStringLiteral("表示"),      QStringLiteral("ソート"),
            QStringLiteral("ソート順序"), QStringLiteral("グルーピング"),
            QStringLiteral("抽出条件")};
}

bool ColumnUsable(int col, TtvSQLType type)
{
    switch (col) {
    case gcItem:
        return true;
    case gcAlias:
        return type != sqltDelete;
    case gcShow:
    case gcSort:
    case gcOrder:
    case gcGroup:
        return IsSelectKind(type);
    case gcWhere:
        return type != sqltInsert;
    default:
        return false;
    }
}

QString NextAliasName(const QString &alias)
{
    if (alias.isEmpty())
        return QStringLiteral("a");
    if (alias.endsWith(QLatin1Char('z')))
        return alias.left(alias.size() - 1) + QStringLiteral("aa");
    QString s = alias;
    s[s.size() - 1] = QChar(s.back().unicode() + 1);
    return s;
}

QString NewAlias(const QStringList &used)
{
    QString a = QStringLiteral("a");
    while (used.contains(a, Qt::CaseSensitive))
        a = NextAliasName(a);
    return a;
}

QString RenameQualifier(const QString &text, const QString &OldAlias, const QString &NewAlias)
{
    if (OldAlias.isEmpty())
        return text;
    const QString from = OldAlias + QLatin1Char('.');
    const QString to = NewAlias + QLatin1Char('.');
    QString out;
    int i = 0;
    while (i < text.size()) {
        const int at = text.indexOf(from, i, Qt::CaseInsensitive);
        if (at < 0)
            break;
        if (at > 0 && IsNameChar(text[at - 1])) {
            out += text.mid(i, at + 1 - i);
            i = at + 1;
            continue;
        }
        out += text.mid(i, at - i) + to;
        i = at + from.size();
    }
    return out + text.mid(i);
}

QString ConnectOperator(TtvSQLBuildConnectType type)
{
    static const char *ops[] = {"=", ">", ">=", "<", "<=", "!="};
    return QLatin1String(ops[type]);
}

QString JoinLabel(TtvSQLBuildConnectType type, TtvSQLBuildJoinType join, bool toIsLeft)
{
    static const char *mirrored[] = {"=", "<", "<=", ">", ">=", "!="};
    const QString op = toIsLeft ? QLatin1String(mirrored[type]) : ConnectOperator(type);
    switch (join) {
    case jtLeftOuter:
        return toIsLeft ? QStringLiteral("(+)") + op + QLatin1Char(' ') : QLatin1Char(' ') + op + QStringLiteral("(+)");
    case jtRightOuter:
        return toIsLeft ? QLatin1Char(' ') + op + QStringLiteral("(+)") : QStringLiteral("(+)") + op + QLatin1Char(' ');
    default:
        return QLatin1Char(' ') + op + QLatin1Char(' ');
    }
}

int RowLineY(int scrollY, int tableTop, int listTop, int rowTop, int rowBottom, int listClientHeight)
{
    const int top = std::clamp(rowTop, 0, listClientHeight);
    const int bottom = std::clamp(rowBottom, 0, listClientHeight);
    return scrollY + tableTop + listTop + top + (bottom - top) / 2 + 4;
}

bool HitSegment(QPoint p1, QPoint p2, QPoint p)
{
    const qint64 dx = p2.x() - p1.x(), dy = p2.y() - p1.y();
    const qint64 adx = std::abs(dx), ady = std::abs(dy);
    const qint64 L = std::max(adx, ady) + std::min(adx, ady) / 2;
    const qint64 d = dy * (p1.x() - p.x()) - (p1.y() - p.y()) * dx;
    if (L == 0)
        return std::abs(p.x() - p1.x()) <= 1 && std::abs(p.y() - p1.y()) <= 1;
    if (std::abs(d) >= L)
        return false;
    // Within the segment's extent (one pixel of slack at each end).
    const qint64 t = (p.x() - p1.x()) * dx + (p.y() - p1.y()) * dy;
    const qint64 len2 = dx * dx + dy * dy;
    const qint64 slack = L; // one pixel, measured along the segment
    return t >= -slack && t <= len2 + slack;
}

} // namespace sqldesign

// ---------------------------------------------------------------------------
// Tables and join lines

QString TSQLDesignTable::Alias() const
{
    return AliasText.isEmpty() ? QuoteIdentifier(TableName) : AliasText;
}

bool TSQLDesignTable::HasColumn(const QString &name, Qt::CaseSensitivity cs) const
{
    return Columns.contains(name, cs);
}

void TtvSQLBuildConnect::CalcLines(const QRect &fromRect, int fromY, const QRect &toRect, int toY)
{
    const int y0 = fromY >= 0 ? fromY : Points[0].y();
    const int y3 = toY >= 0 ? toY : Points[3].y();
    int x0, x1, x2, x3;
    if (toRect.left() < fromRect.left()) {
        x0 = fromRect.left();
        x3 = toRect.left() + toRect.width();
        x1 = x0 - 16;
        x2 = x3 + 16;
    } else {
        x0 = fromRect.left() + fromRect.width();
        x3 = toRect.left();
        x1 = x0 + 16;
        x2 = x3 - 16;
    }
    Points = {QPoint(x0, y0), QPoint(x1, y0), QPoint(x2, y3), QPoint(x3, y3)};
}

bool TtvSQLBuildConnect::HitTest(QPoint p) const
{
    for (int i = 0; i < 3; ++i)
        if (sqldesign::HitSegment(Points[i], Points[i + 1], p))
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// The design

TSQLDesign::TSQLDesign() { ClearGrid(); }

void TSQLDesign::Clear()
{
    Connects.clear();
    Tables.clear();
}

void TSQLDesign::ClearGrid()
{
    Rows = {sqldesign::Headings(SQLType), EmptyRow()};
}

TSQLDesignTable *TSQLDesign::AddTable(const QString &schema, const QString &name, const QString &alias, bool subquery)
{
    auto t = std::make_unique<TSQLDesignTable>();
    t->TableSchema = schema;
    t->TableName = name;
    t->AliasText = alias;
    t->Subquery = subquery;
    Tables.push_back(std::move(t));
    return Tables.back().get();
}

void TSQLDesign::RemoveTable(TSQLDesignTable *table)
{
    std::erase_if(Connects, [table](const auto &c) { return c->FromTable == table || c->ToTable == table; });
    std::erase_if(Tables, [table](const auto &t) { return t.get() == table; });
}

void TSQLDesign::RemoveTableRows(const QString &alias)
{
    for (int r = int(Rows.size()) - 1; r >= 1; --r) {
        if (IsSelectKind(SQLType)) {
            if (Rows[r][gcItem].trimmed().startsWith(alias + QLatin1Char('.')))
                Rows.removeAt(r);
        } else if (r < Rows.size() - 1) {
            Rows.removeAt(r);
        }
    }
    if (Rows.size() < 2)
        Rows.append(EmptyRow());
}

TtvSQLBuildConnect *TSQLDesign::AddConnect(TSQLDesignTable *from, const QString &fromColumn, TSQLDesignTable *to,
                                           const QString &toColumn)
{
    auto c = std::make_unique<TtvSQLBuildConnect>();
    c->FromTable = from;
    c->FromColumn = fromColumn;
    c->ToTable = to;
    c->ToColumn = toColumn;
    Connects.push_back(std::move(c));
    return Connects.back().get();
}

void TSQLDesign::RemoveConnect(TtvSQLBuildConnect *connect)
{
    std::erase_if(Connects, [connect](const auto &c) { return c.get() == connect; });
}

int TSQLDesign::IndexOf(const TSQLDesignTable *table) const
{
    for (size_t i = 0; i < Tables.size(); ++i)
        if (Tables[i].get() == table)
            return int(i);
    return -1;
}

QString TSQLDesign::GetSchema(const TSQLDesignTable &t) const
{
    const QString s = t.TableSchema.trimmed();
    if (s.isEmpty() || s.compare(DefSchema, Qt::CaseInsensitive) == 0)
        return QString();
    return QuoteIdentifier(s) + QLatin1Char('.');
}

QString TSQLDesign::GetRefName(const TSQLDesignTable &t) const
{
    if (IsSelectKind(SQLType))
        return t.Alias() + QLatin1Char('.');
    return t.AliasText.isEmpty() ? QString() : t.AliasText + QLatin1Char('.');
}

QString TSQLDesign::TableRef(const TSQLDesignTable &t) const
{
    const QString written = t.Subquery ? t.TableName : QuoteIdentifier(t.TableName);
    QString ref = t.Subquery ? t.TableName : GetSchema(t) + written;
    const QString alias = t.Alias();
    if (alias != written && alias != Unquote(written) && alias != t.TableName)
        ref += QLatin1Char(' ') + alias;
    return ref;
}

QStringList TSQLDesign::ColumnPickList() const
{
    QStringList out;
    for (const auto &t : Tables)
        for (const QString &c : t->Columns)
            out << GetRefName(*t) + (c == QLatin1String("*") ? c : QuoteIdentifier(c));
    return out;
}

void TSQLDesign::AppendColumnRow(const TSQLDesignTable &t, const QString &column, bool clearSortAndGroup)
{
    QStringList &row = Rows.last();
    row[gcItem] = GetRefName(t) + (column == QLatin1String("*") ? column : QuoteIdentifier(column));
    row[gcAlias].clear();
    row[gcShow] = IsSelectKind(SQLType) ? QStringLiteral("1") : QString();
    row[gcOrder].clear();
    row[gcWhere].clear();
    if (clearSortAndGroup) {
        row[gcSort].clear();
        row[gcGroup].clear();
    }
    Rows.append(EmptyRow());
}

void TSQLDesign::RenameAlias(const QString &OldAlias, const QString &NewAlias)
{
    for (int r = 1; r < Rows.size(); ++r) {
        Rows[r][gcItem] = sqldesign::RenameQualifier(Rows[r][gcItem], OldAlias, NewAlias);
        Rows[r][gcWhere] = sqldesign::RenameQualifier(Rows[r][gcWhere], OldAlias, NewAlias);
    }
}

QString TSQLDesign::BuildSQL()
{
    QStringList lines;
    auto dropTail = [&lines](int from, const QString &tail) {
        if (lines.size() > from && lines.last().endsWith(tail))
            lines.last().chop(tail.size());
    };
    auto condText = [this](const TtvSQLBuildConnect &c) {
        return GetRefName(*c.FromTable) + QuoteIdentifier(c.FromColumn) +
               QLatin1Char(' ') + sqldesign::ConnectOperator(c.ConnectType) + QLatin1Char(' ') +
               GetRefName(*c.ToTable) + QuoteIdentifier(c.ToColumn);
    };
    const bool select = IsSelectKind(SQLType);
    const int rows = int(Rows.size());
    auto cell = [this](int r, int c) -> const QString & { return Rows[r][c]; };
    // Join lines written into the FROM part as outer joins; the others go to WHERE.
    std::vector<const TtvSQLBuildConnect *> whereJoins;

    if (SQLType == sqltCreateView)
        lines << QStringLiteral("CREATE VIEW ") + QuoteIdentifier(ViewName) + QStringLiteral(" AS ");
    if (select) {
        bool selectWritten = !Tables.empty();
        if (selectWritten)
            lines << QStringLiteral("SELECT");
        const int first = int(lines.size());
        for (int r = 1; r < rows; ++r) {
            if ((cell(r, gcItem).isEmpty() && cell(r, gcAlias).isEmpty()) || cell(r, gcShow) != QLatin1String("1"))
                continue;
            if (!selectWritten)
                lines << QStringLiteral("SELECT");
            selectWritten = true;
            const QString g = cell(r, gcGroup);
            QString item = (!g.isEmpty() && g != kGroupBy && g != kHaving) ? g + QLatin1Char('(') + cell(r, gcItem) + QLatin1Char(')')
                                                                           : cell(r, gcItem);
            if (!cell(r, gcAlias).isEmpty())
                item += QLatin1Char(' ') + cell(r, gcAlias);
            lines << QStringLiteral("  ") + item + QLatin1Char(',');
        }
        dropTail(first, QStringLiteral(","));
        if (!Tables.empty()) {
            lines << QStringLiteral("FROM");
            // Groups of tables joined by outer joins, in the place of their first table.
            std::vector<QString> groups;
            std::vector<int> groupOf(Tables.size());
            std::vector<bool> single(Tables.size(), true);
            for (size_t i = 0; i < Tables.size(); ++i) {
                groups.push_back(TableRef(*Tables[i]));
                groupOf[i] = int(i);
            }
            for (const auto &c : Connects) {
                const int f = IndexOf(c->FromTable), t = IndexOf(c->ToTable);
                if (c->JoinType == jtInner || f < 0 || t < 0) {
                    whereJoins.push_back(c.get());
                    continue;
                }
                const int gf = groupOf[f], gt = groupOf[t];
                if (gf == gt || !single[gt]) {
                    // Both sides are joined already: the condition goes to WHERE.
                    whereJoins.push_back(c.get());
                    continue;
                }
                groups[gf] += (c->JoinType == jtLeftOuter ? QStringLiteral(" LEFT OUTER JOIN ") : QStringLiteral(" RIGHT OUTER JOIN ")) +
                              groups[gt] + QStringLiteral(" ON ") + condText(*c);
                groups[gt].clear();
                single[gf] = false;
                for (int &g : groupOf)
                    if (g == gt)
                        g = gf;
            }
            const int firstTable = int(lines.size());
            for (const QString &g : groups)
                if (!g.isEmpty())
                    lines << QStringLiteral("  ") + g + QLatin1Char(',');
            dropTail(firstTable, QStringLiteral(","));
        }
    } else {
        for (const auto &c : Connects)
            whereJoins.push_back(c.get());
    }
    if (!Tables.empty()) {
        const TSQLDesignTable &t = *Tables.front();
        if (SQLType == sqltInsert) {
            lines << QStringLiteral("INSERT INTO ") + TableRef(t);
            QStringList names, values;
            for (int r = 1; r < rows; ++r)
                if (!cell(r, gcAlias).isEmpty()) {
                    names << cell(r, gcItem);
                    values << cell(r, gcAlias);
                }
            if (!names.isEmpty()) {
                lines << QStringLiteral("  (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
                lines << QStringLiteral("  VALUES(") + values.join(QStringLiteral(", ")) + QLatin1Char(')');
            }
        } else if (SQLType == sqltUpdate) {
            lines << QStringLiteral("UPDATE ") + TableRef(t) + QStringLiteral(" SET");
            const int first = int(lines.size());
            for (int r = 1; r < rows; ++r)
                if (!cell(r, gcItem).isEmpty() && !cell(r, gcAlias).isEmpty())
                    lines << QStringLiteral("  ") + cell(r, gcItem) + QStringLiteral(" = ") + cell(r, gcAlias) + QLatin1Char(',');
            dropTail(first, QStringLiteral(","));
        } else if (SQLType == sqltDelete) {
            lines << QStringLiteral("DELETE FROM ") + TableRef(t);
        }
    }
    if (SQLType != sqltInsert) {
        const QString andTail = QStringLiteral(" AND ");
        const int first = int(lines.size());
        bool where = false;
        for (const TtvSQLBuildConnect *c : whereJoins) {
            if (!where)
                lines << QStringLiteral("WHERE");
            where = true;
            lines << QStringLiteral("  ") + condText(*c) + andTail;
        }
        for (int r = 1; r < rows; ++r) {
            const QString g = cell(r, gcGroup);
            if (cell(r, gcWhere).isEmpty() || g == kGroupBy || g == kHaving)
                continue;
            if (!where)
                lines << QStringLiteral("WHERE");
            where = true;
            lines << QStringLiteral("  ") + cell(r, gcItem) + QLatin1Char(' ') + cell(r, gcWhere) + andTail;
        }
        dropTail(first, andTail);
    }
    if (select) {
        QStringList groupBy;
        for (int r = 1; r < rows; ++r)
            if (!cell(r, gcItem).isEmpty() && cell(r, gcGroup) == kGroupBy)
                groupBy << cell(r, gcItem);
        if (!groupBy.isEmpty())
            lines << QStringLiteral("GROUP BY ") + groupBy.join(QLatin1Char(','));
    }
    if (SQLType != sqltInsert) {
        const QString andTail = QStringLiteral(" AND ");
        const int first = int(lines.size());
        bool having = false;
        for (int r = 1; r < rows; ++r) {
            const QString g = cell(r, gcGroup);
            if (cell(r, gcWhere).isEmpty() || (g != kGroupBy && g != kHaving))
                continue;
            if (!having)
                lines << QStringLiteral("HAVING");
            having = true;
            lines << QStringLiteral("  ") + cell(r, gcItem) + QLatin1Char(' ') + cell(r, gcWhere) + andTail;
        }
        dropTail(first, andTail);
    }
    if (select) {
        struct TCand {
            QString key;
            int row;
        };
        std::vector<TCand> cands;
        for (int r = 1; r < rows; ++r) {
            if (cell(r, gcItem).isEmpty() && cell(r, gcAlias).isEmpty())
                continue;
            if (cell(r, gcOrder).isEmpty() && cell(r, gcSort).isEmpty())
                continue;
            QString digits;
            for (QChar ch : cell(r, gcOrder).trimmed())
                if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
                    digits += ch;
            Rows[r][gcOrder].clear();
            if (digits.isEmpty() && cell(r, gcSort).isEmpty())
                continue;
            const qint64 key = digits.isEmpty() ? 99999 : std::min<qint64>(digits.left(9).toLongLong(), 99999);
            cands.push_back({QStringLiteral("%1").arg(key, 5, 10, QLatin1Char('0')), r});
        }
        std::stable_sort(cands.begin(), cands.end(), [](const TCand &a, const TCand &b) { return a.key < b.key; });
        QStringList terms;
        for (size_t i = 0; i < cands.size(); ++i) {
            const int r = cands[i].row;
            QString term = cell(r, gcAlias).isEmpty() ? cell(r, gcItem) : cell(r, gcAlias);
            if (cell(r, gcSort) == kDesc)
                term += QStringLiteral(" DESC");
            if (cell(r, gcSort).isEmpty())
                Rows[r][gcSort] = kAsc;
            Rows[r][gcOrder] = QString::number(i + 1);
            terms << term;
        }
        if (!terms.isEmpty())
            lines << QStringLiteral("ORDER BY ") + terms.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n'));
}

QString TSQLDesign::DesignToSQL()
{
    const QString raw = BuildSQL();
    if (raw.isEmpty())
        return raw;
    QString formatted;
    FormatSQLText(raw, formatted);
    return formatted;
}

// ---------------------------------------------------------------------------
// Reading a text back

int TSQLDesign::FindRow(const QString &text) const
{
    for (int r = 1; r < Rows.size(); ++r)
        if (Rows[r][gcAlias].compare(text, Qt::CaseInsensitive) == 0 && !text.isEmpty())
            return r;
    for (int r = 1; r < Rows.size(); ++r)
        if (Rows[r][gcItem].compare(text, Qt::CaseInsensitive) == 0)
            return r;
    return -1;
}

int TSQLDesign::InsertRowBeforeLast(const QStringList &cells)
{
    const int at = int(Rows.size()) - 1;
    Rows.insert(at, cells);
    return at;
}

void TSQLDesign::SQLToDesign(const QString &text, const TAddTable &addTable)
{
    ClearGrid();
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    CleanScriptLines(lines, true);
    if (lines.isEmpty())
        return;
    ViewName.clear();
    std::vector<TJoinInfo> joins;
    const QString statement = RewriteJoins(lines.join(QStringLiteral("\r\n")), joins);
    TtvParseList columns, tables, orderBy;
    QStringList where, groupBy, having;
    const int kind = ParseSQLStatement(statement, columns, tables, orderBy, where, groupBy, having, kCannotShow, ViewName);
    if (kind < sqlSelect || kind > sqlCreateView)
        throw ESQLParseError(kCannotShow);
    SQLType = TtvSQLType(kind);
    ViewName = Unquote(ViewName);
    Rows[0] = sqldesign::Headings(SQLType);
    const bool select = IsSelectKind(SQLType);

    // Tables.
    std::vector<TSQLDesignTable *> added;
    for (int i = 0; i < tables.Count(); ++i) {
        const QString name = tables.ObjectName(i).trimmed();
        QString head, tail;
        if (name.startsWith(QLatin1Char('(')))
            tail = name;
        else
            SplitQualified(name, head, tail);
        const QString plain = head.isEmpty() ? Unquote(tail) : Unquote(head) + QLatin1Char('.') + Unquote(tail);
        added.push_back(addTable(plain, tables.Alias(i)));
    }

    // Result items.
    const QStringList &groups = sqldesign::GroupList();
    for (int i = 0; i < columns.Count(); ++i) {
        QStringList row = EmptyRow();
        row[gcItem] = columns.ObjectName(i);
        row[gcAlias] = columns.Alias(i);
        row[gcShow] = select ? QStringLiteral("1") : QString();
        const QString expr = row[gcItem];
        const QString upper = expr.toUpper();
        for (const QString &g : groups) {
            if (upper.startsWith(g + QLatin1Char('(')) && expr.endsWith(QLatin1Char(')'))) {
                row[gcItem] = expr.mid(g.size() + 1, expr.size() - g.size() - 2).trimmed();
                row[gcGroup] = g;
                break;
            }
        }
        InsertRowBeforeLast(row);
    }

    // GROUP BY.
    for (const QString &g : std::as_const(groupBy)) {
        int r = -1;
        for (int k = 1; k < Rows.size(); ++k)
            if (Rows[k][gcItem].compare(g, Qt::CaseInsensitive) == 0) {
                r = k;
                break;
            }
        if (r > 0) {
            Rows[r][gcGroup] = kGroupBy;
        } else {
            QStringList row = EmptyRow();
            row[gcItem] = g;
            row[gcGroup] = kGroupBy;
            InsertRowBeforeLast(row);
        }
    }

    // WHERE: join lines and conditions.
    auto tableOf = [this](const QString &operand, QString &column) -> TSQLDesignTable * {
        QString q, c;
        SplitQualified(operand, q, c);
        q = Unquote(q);
        column = Unquote(c);
        for (int i = int(Tables.size()) - 1; i >= 0; --i) {
            TSQLDesignTable *t = Tables[i].get();
            if ((q.isEmpty() || Unquote(t->Alias()).compare(q, Qt::CaseInsensitive) == 0) && t->HasColumn(column))
                return t;
        }
        return nullptr;
    };
    auto putCondition = [this](TCondition c, const QString &group) {
        if (!IsConditionOperator(c.op)) {
            c.left = QStringList{c.left, c.op, c.right}.join(QLatin1Char(' ')).trimmed();
            c.op.clear();
            c.right.clear();
        }
        const int r = FindRow(c.left);
        const QString cond = Oneline(c.op + QLatin1Char(' ') + c.right);
        if (r > 0 && Rows[r][gcWhere].isEmpty() &&
            (group.isEmpty() || Rows[r][gcGroup].isEmpty() || Rows[r][gcGroup] == kGroupBy)) {
            Rows[r][gcWhere] = cond;
            if (!group.isEmpty() && Rows[r][gcGroup].isEmpty())
                Rows[r][gcGroup] = group;
            return;
        }
        QStringList row = EmptyRow();
        if (!c.left.isEmpty() && !c.op.isEmpty() && !c.right.isEmpty()) {
            row[gcItem] = Oneline(c.left);
            row[gcWhere] = cond;
        } else {
            row[gcWhere] = Oneline(QStringList{c.left, c.op, c.right}.join(QLatin1Char(' ')));
        }
        row[gcGroup] = group;
        InsertRowBeforeLast(row);
    };
    int ordinal = 0;
    size_t join = 0;
    int joinStart = 0;
    for (const TCondition &c : ReadConditions(where, false)) {
        // The join whose ON this condition came from, if any.
        while (join < joins.size() && ordinal >= joinStart + joins[join].conditions) {
            joinStart += joins[join].conditions;
            ++join;
        }
        const TJoinInfo *info = join < joins.size() && ordinal >= joinStart ? &joins[join] : nullptr;
        ++ordinal;
        QString lc, rc;
        TSQLDesignTable *lt = tableOf(c.left, lc);
        TSQLDesignTable *rt = tableOf(c.right, rc);
        if (lt && rt && IsComparison(c.op)) {
            TtvSQLBuildConnect *k = AddConnect(lt, lc, rt, rc);
            k->ConnectType = ConnectTypeOf(c.op);
            if (c.rightOptional)
                k->JoinType = jtLeftOuter;
            else if (c.leftOptional)
                k->JoinType = jtRightOuter;
            if (info && info->type != jtInner && info->joinedTable < int(added.size())) {
                const TSQLDesignTable *joined = added[info->joinedTable];
                const bool left = info->type == jtLeftOuter;
                if (rt == joined)
                    k->JoinType = left ? jtLeftOuter : jtRightOuter;
                else if (lt == joined)
                    k->JoinType = left ? jtRightOuter : jtLeftOuter;
            }
            continue;
        }
        putCondition(c, QString());
    }

    // HAVING.
    for (const TCondition &c : ReadConditions(having, true))
        putCondition(c, kHaving);

    // ORDER BY.
    for (int i = 0; i < orderBy.Count(); ++i) {
        const QString item = orderBy.ObjectName(i);
        const QString dir = orderBy.Alias(i).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0 ? kDesc : kAsc;
        const int r = FindRow(item);
        if (r > 0) {
            Rows[r][gcSort] = dir;
            Rows[r][gcOrder] = QString::number(i + 1);
        } else {
            QStringList row = EmptyRow();
            row[gcItem] = item;
            row[gcSort] = dir;
            row[gcOrder] = QString::number(i + 1);
            InsertRowBeforeLast(row);
        }
    }
    Rows.last() = EmptyRow();
}
