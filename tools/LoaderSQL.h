#pragma once
// The statements of the COPY loader: server-side COPY ... TO for tables,
// columns of one table or a query, and COPY ... FROM for one file into one
// table. A statement is a list of lines ending with a line ";".
#include <QString>
#include <QStringList>

namespace loader {

// The choices of one page that become option lines.
struct TCopyChoices {
    int Format = 0; // 0 TEXT, 1 CSV, 2 BINARY
    QString Encoding;
    QString Delimiter;
    QString Null;
    bool Oid = false;
    bool Header = false;
    bool Force = false; // unload: FORCE QUOTE *; load: FORCE NOT NULL
    QString Quote;
    QString Escape;
};

// An identifier between double quotes, inner double quotes doubled.
QString CopyIdentifier(const QString &Name);
// Column names between double quotes, joined by "," without blanks.
QString ColumnList(const QStringList &Columns);
// The option lines in their order. Unload: FORCE QUOTE *, and OIDS not for
// a query; load: FORCE NOT NULL of ForceColumns.
QStringList OptionLines(const TCopyChoices &c, int DBVer, bool Unload, bool QueryMode,
                        const QStringList &ForceColumns = {});
// The save folder with its trailing separator ("/" on a Linux server, else
// "\"), "\" turned into "/" before 9.1.
QString SaveFolder(const QString &Text, bool LinuxServer, int DBVer);
// The file of a table: folder + schema + "." + table + ".dat", the name
// part made safe for a file name.
QString TableFile(const QString &Folder, const QString &Schema, const QString &Table);

// COPY "s"."t" TO '<folder>s.t.dat' <options> ; — one per table.
QStringList UnloadTables(const QString &Folder, const QList<QPair<QString, QString>> &Tables,
                         const QStringList &Options);
// COPY "s"."t"("a","b") TO '<folder>s.t.dat' <options> ;
QStringList UnloadColumns(const QString &Folder, const QString &Schema, const QString &Table,
                          const QStringList &Columns, const QStringList &Options);
// COPY ( <query> ) TO '<path>' <options> ;
QStringList UnloadQuery(const QString &Path, const QStringList &Query, const QStringList &Options);
// COPY "s"."t"[("a","b")] FROM '<file>' <options> ; ("\" as "/" before 9.1).
QStringList LoadFile(const QString &Schema, const QString &Table, const QStringList &Columns, const QString &File,
                     int DBVer, const QStringList &Options);

// Whether every character of a text takes one byte in the ANSI code page.
bool SingleByte(const QString &Text);

// The column query of a table (:SCHEMA, :TABLE); from 10 on partitioned
// tables included.
QString ColumnSQL(int DBVer);

} // namespace loader
