#pragma once
// The visual query builder's design without any widget: the tables with
// their aliases and column lists, the join lines between columns and the
// seven-column grid of result items, together with the two translations
// between a design and SQL text (DesignToSQL, SQLToDesign), the alias
// sequence, the geometry of a join line, its hit test and its label.
//
// The builder's widgets (tvSQLDesigner) show and edit a TSQLDesign; every
// decision about text lives here.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

enum TtvSQLType { sqltNone, sqltSelect, sqltInsert, sqltUpdate, sqltDelete, sqltCreateView };
enum TtvSQLBuildConnectType { ctEQ, ctGT, ctGE, ctLT, ctLE, ctNE };
enum TtvSQLBuildJoinType { jtInner, jtLeftOuter, jtRightOuter };

// Grid columns.
enum : int {
    gcItem = 0,   // "項目名/式"
    gcAlias = 1,  // "別名" / "値"
    gcShow = 2,   // "表示": "1" when checked
    gcSort = 3,   // "ソート": "", "昇順", "降順"
    gcOrder = 4,  // "ソート順序"
    gcGroup = 5,  // "グルーピング"
    gcWhere = 6,  // "抽出条件"
    gcCount = 7
};

namespace sqldesign {
// The sort and grouping lists of the grid (the empty entry first).
const QStringList &SortList();
const QStringList &GroupList();
// Grid headings for a statement kind (column 1 reads "値" except for
// SELECT and CREATE VIEW).
QStringList Headings(TtvSQLType type);
// Whether a grid column can be edited for a statement kind.
bool ColumnUsable(int col, TtvSQLType type);
// The alias that follows `alias` in the sequence a … z, aa … az, aaa …
QString NextAliasName(const QString &alias);
// The first alias of the sequence that `used` lacks (compared case-sensitively).
QString NewAlias(const QStringList &used);
// Replaces OldAlias + "." by NewAlias + "." (case-blind) in a text, only
// where it begins a qualifier: at the start or after a character that
// cannot be part of a name.
QString RenameQualifier(const QString &text, const QString &OldAlias, const QString &NewAlias);
// The comparison operator of a join (" = " without blanks: "=").
QString ConnectOperator(TtvSQLBuildConnectType type);
// The label painted on a join line, read left to right on the screen.
QString JoinLabel(TtvSQLBuildConnectType type, TtvSQLBuildJoinType join, bool toIsLeft);
// The y of a column row in surface coordinates: the row rectangle clamped
// to the list's client height, its middle, plus 4.
int RowLineY(int scrollY, int tableTop, int listTop, int rowTop, int rowBottom, int listClientHeight);
// Distance-limited hit test of a point against the segment p1–p2: the
// point is within about one pixel of the segment (not of its endless line).
bool HitSegment(QPoint p1, QPoint p2, QPoint p);
} // namespace sqldesign

// One table (or subquery) of a design.
struct TSQLDesignTable {
    QString TableSchema;
    QString TableName;
    QString AliasText;   // what the alias edit holds
    bool Subquery = false;
    QStringList Columns; // "*" first for SELECT and CREATE VIEW
    QList<bool> Keys;    // primary-key marks, parallel to Columns
    // The alias: the edit's text, or the quoted table name when empty.
    QString Alias() const;
    bool HasColumn(const QString &name, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;
};

// One join line from a column of one table to a column of another.
class TtvSQLBuildConnect {
public:
    TSQLDesignTable *FromTable = nullptr;
    QString FromColumn;
    TSQLDesignTable *ToTable = nullptr;
    QString ToColumn;
    TtvSQLBuildConnectType ConnectType = ctEQ;
    TtvSQLBuildJoinType JoinType = jtInner;
    // The line in surface coordinates (three segments).
    std::array<QPoint, 4> Points{};

    // Computes the four points from the two table rectangles (surface
    // coordinates, scroll positions included) and the row y of each end;
    // a negative y keeps the end's earlier y.
    void CalcLines(const QRect &fromRect, int fromY, const QRect &toRect, int toY);
    // Whether a point (surface coordinates) lies on one of the segments.
    bool HitTest(QPoint p) const;
    // Whether the to table lies left of the from table.
    bool ToIsLeft(const QRect &fromRect, const QRect &toRect) const { return toRect.left() < fromRect.left(); }
};

// The design: statement kind, tables, join lines and grid rows.
class TSQLDesign {
public:
    TSQLDesign();

    TtvSQLType SQLType = sqltSelect;
    QString ViewName;
    // The connection's default schema ("MetaDefSchema"): tables of it are
    // written without a schema.
    QString DefSchema;
    std::vector<std::unique_ptr<TSQLDesignTable>> Tables;
    std::vector<std::unique_ptr<TtvSQLBuildConnect>> Connects;
    // Row 0 holds the headings, the last row is the empty input row; every
    // row has gcCount cells.
    QList<QStringList> Rows;

    // Tables and connects go, the grid keeps its rows.
    void Clear();
    // Headings of the kind and one empty data row.
    void ClearGrid();
    TSQLDesignTable *AddTable(const QString &schema, const QString &name, const QString &alias, bool subquery);
    // Removes a table with its join lines (not its grid rows).
    void RemoveTable(TSQLDesignTable *table);
    // Grid rows of a removed table: for SELECT and CREATE VIEW the rows
    // whose item begins with alias + "."; for other kinds every data row.
    void RemoveTableRows(const QString &alias);
    TtvSQLBuildConnect *AddConnect(TSQLDesignTable *from, const QString &fromColumn, TSQLDesignTable *to,
                                   const QString &toColumn);
    void RemoveConnect(TtvSQLBuildConnect *connect);
    int IndexOf(const TSQLDesignTable *table) const;

    // Qualifier of a table's columns.
    QString GetSchema(const TSQLDesignTable &t) const;
    QString GetRefName(const TSQLDesignTable &t) const;
    // "schema"."name" alias, or the subquery text.
    QString TableRef(const TSQLDesignTable &t) const;
    // The grid's pick list of items: every table's qualifier + column.
    QStringList ColumnPickList() const;
    // Appends a row for a column of a table (double click, drop).
    void AppendColumnRow(const TSQLDesignTable &t, const QString &column, bool clearSortAndGroup);
    // Renames a qualifier in columns 0 and 6 of every data row.
    void RenameAlias(const QString &OldAlias, const QString &NewAlias);
    // The statement text before formatting; numbers the ORDER BY rows
    // (columns 3 and 4) as a side effect.
    QString BuildSQL();
    // BuildSQL passed through the SQL formatter.
    QString DesignToSQL();

    // Rebuilds the design from a statement text. The design must be empty;
    // addTable adds a table for a (schema-qualified, unquoted) name and alias
    // and reads its columns. Raises ESQLParseError with the builder's
    // message for a statement it cannot show.
    using TAddTable = std::function<TSQLDesignTable *(const QString &name, const QString &alias)>;
    void SQLToDesign(const QString &text, const TAddTable &addTable);

private:
    int FindRow(const QString &text) const;
    int InsertRowBeforeLast(const QStringList &cells);
};
