#pragma once
// The texts of the tables-and-columns browser apart from its window: the
// catalog statements it reads with (parameters :SCHEMA, :TBLNAME, :SYNNAME)
// and the name lists and SELECT, INSERT and UPDATE statements it puts on
// the clipboard.
#include <QString>
#include <QStringList>

namespace fieldsql {

// The table list of one schema: the parts of the kinds asked for, joined by
// " UNION "; each row is a name and its kind ('TABLE', 'VIEW',
// 'MATERIALIZED VIEW', 'SYNONYM'). Empty when no kind is asked for.
QString TableListSQL(bool tables, bool views, bool mviews, bool synonyms);
// The columns of one relation in column order: name, type, modifier, length,
// scale, comment. Ordinary, partitioned (from version 10 on) and
// materialized-view (from 9.3 on) relations and views.
QString ColumnSQL(int dbVer);
// The primary-key column names of one table.
QString PrimaryKeySQL();
// The schema and name of a synonym's target (EnterpriseDB; no database link).
QString SynonymSQL(int dbVer);

// One selected column: its table and its name.
struct TColumnRef {
    QString table;
    QString column;
};

// The column list text: for each column, the table's alias and "." (nothing
// when the alias is empty) and the quoted column name when its table is one
// of `tables` (aliases[i] belongs to tables[i]); the quoted column alone when
// `aliases` is empty (one table). Joined by ",".
QString ColumnListText(const QList<TColumnRef> &columns, const QStringList &tables, const QStringList &aliases);
// "SELECT " + columns ("*" for none) + " FROM " + the tables, each quoted,
// after `prefix` and, with several tables, followed by a blank and its alias.
QString SelectText(const QList<TColumnRef> &columns, const QStringList &tables, const QStringList &aliases,
                   const QString &prefix);
// "INSERT INTO " + prefix + table + " (" + columns + ")" + " VALUES()"; no
// column list when no column is given.
QString InsertText(const QString &table, const QStringList &columns, const QString &prefix);
// "UPDATE " + prefix + table + " SET" + a line per column `"col"= `,
// separated by ",".
QString UpdateText(const QString &table, const QStringList &columns, const QString &prefix);

} // namespace fieldsql
