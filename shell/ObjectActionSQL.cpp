#include "shell/ObjectActionSQL.h"

#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/TextUtil.h"

#include <algorithm>
#include <iterator>

namespace {

QString Q(const QString &name)
{
    return QuoteIdentifier(name);
}

QString Qualified(const QString &schema, const QString &name)
{
    return Q(schema) + QLatin1Char('.') + Q(name);
}

bool HasUpper(const QString &s)
{
    for (QChar c : s)
        if (c.isUpper())
            return true;
    return false;
}

bool IdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Whether `what` found at `at` in `text` stands as a whole name: a bare
// name must not continue a longer one on either side (so the schema "s"
// is not found in "sql" and a name "f" not in "af").
bool WholeAt(const QString &text, qsizetype at, const QString &what)
{
    if (what.isEmpty())
        return false;
    if (IdentChar(what.front()) && at > 0 && IdentChar(text.at(at - 1)))
        return false;
    const qsizetype end = at + what.size();
    if (IdentChar(what.back()) && end < text.size() && IdentChar(text.at(end)))
        return false;
    return true;
}

// Replaces every whole occurrence of `from` by `to`.
QString ReplaceWhole(const QString &text, const QString &from, const QString &to)
{
    if (from.isEmpty())
        return text;
    QString out;
    qsizetype pos = 0;
    for (qsizetype at = text.indexOf(from); at >= 0; at = text.indexOf(from, at + 1)) {
        if (at < pos || !WholeAt(text, at, from))
            continue;
        out += text.mid(pos, at - pos) + to;
        pos = at + from.size();
    }
    return out + text.mid(pos);
}

bool ContainsWhole(const QString &text, const QString &what)
{
    for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + 1))
        if (WholeAt(text, at, what))
            return true;
    return false;
}

// The new name where the old one stood in a first line: inside double
// quotes M with its quotes doubled, outside them Q(M), so that no typed
// blank, ";" or quote escapes the identifier.
QString ReplaceName(const QString &region, const QString &oldName, const QString &newName)
{
    if (oldName.isEmpty())
        return region;
    QString out;
    qsizetype from = 0;
    for (qsizetype at = region.indexOf(oldName); at >= 0; at = region.indexOf(oldName, at + 1)) {
        if (at < from || !WholeAt(region, at, oldName))
            continue;
        out += region.mid(from, at - from);
        const bool quoted = at > 0 && region.at(at - 1) == QLatin1Char('"');
        if (quoted) {
            QString m = newName;
            m.replace(QLatin1String("\""), QLatin1String("\"\""));
            out += m;
        } else {
            out += Q(newName);
        }
        from = at + oldName.size();
    }
    out += region.mid(from);
    return out;
}

// Steps a to c of the first-line rewrite; false when the name region after
// Q(S) + "." does not hold N (the caller then goes on with step d).
bool RewriteNameRegion(QString &line, const TPasteRewrite &r, bool replaceSchema)
{
    const QString qs = Q(r.Schema);
    qsizetype p = line.indexOf(qs + QLatin1Char('.'));
    while (p >= 0 && !WholeAt(line, p, qs + QLatin1Char('.')))
        p = line.indexOf(qs + QLatin1Char('.'), p + 1);
    if (p < 0)
        return false;
    const qsizetype s = p + r.Schema.size() + 1;
    if (s >= line.size())
        return false;
    qsizetype e = line.indexOf(QLatin1Char(' '), s);
    if (e < 0)
        e = line.indexOf(QLatin1Char('('), s);
    if (e < 0)
        e = line.size() - 1;
    const QString region = line.mid(s, e - s + 1);
    if (!ContainsWhole(region, r.ObjectName))
        return false;
    line = line.left(s) + ReplaceName(region, r.ObjectName, r.NewName) + line.mid(e + 1);
    if (replaceSchema)
        line = ReplaceWhole(line, qs + QLatin1Char('.'), Q(r.TargetSchema) + QLatin1Char('.'));
    return true;
}

} // namespace

QString DropObjectSQL(const TListObject &o, bool cascade)
{
    const QString c = cascade ? QStringLiteral(" CASCADE") : QString();
    const QString qn = Qualified(o.Schema, o.ObjectName);
    const QString args = QLatin1Char('(') + o.Arguments + QLatin1Char(')');
    switch (o.ObjectType) {
    case 45: return QStringLiteral("DROP TABLE ") + qn + c;
    case 46: return QStringLiteral("DROP INDEX ") + qn;
    case 47: return QStringLiteral("DROP VIEW ") + qn;
    case 51: return QStringLiteral("DROP PROCEDURE ") + qn + args + c;
    case 52: return QStringLiteral("DROP FUNCTION ") + qn + args + c;
    case 53: return QStringLiteral("DROP PACKAGE ") + qn + c;
    case 55: return QStringLiteral("DROP TYPE ") + qn + c;
    case 57: return QStringLiteral("DROP TRIGGER ") + Q(o.ObjectName) + QStringLiteral(" ON ") + Qualified(o.Schema, o.TableName);
    case 58: return QStringLiteral("DROP SEQUENCE ") + qn;
    case 60: return QStringLiteral("DROP SYNONYM ") + qn;
    case 61: return QStringLiteral("DROP MATERIALIZED VIEW ") + qn + c;
    case 66:
        return QStringLiteral("ALTER TABLE ") + Qualified(o.Schema, o.TableName) + QStringLiteral(" DROP CONSTRAINT ") +
               Q(o.ObjectName);
    case 127: return QStringLiteral("DROP RULE ") + Q(o.ObjectName) + QStringLiteral(" ON ") + Qualified(o.Schema, o.TableName);
    case 128: return QStringLiteral("DROP AGGREGATE ") + qn + args + c;
    default: return QString();
    }
}

QString RenameObjectSQL(const TListObject &o, const QString &NewName)
{
    const QString qn = Qualified(o.Schema, o.ObjectName);
    const QString to = QStringLiteral(" RENAME TO ") + Q(NewName);
    const QString args = QStringLiteral(" (") + o.Arguments + QStringLiteral(") ");
    switch (o.ObjectType) {
    case 45: return QStringLiteral("ALTER TABLE ") + qn + to;
    case 46: return QStringLiteral("ALTER INDEX  ") + qn + to;
    case 47: return QStringLiteral("ALTER VIEW ") + qn + to;
    case 51: return QStringLiteral("ALTER PROCEDURE ") + qn + to;
    case 52: return QStringLiteral("ALTER FUNCTION ") + qn + args + to;
    case 55: return QStringLiteral("ALTER TYPE ") + qn + to;
    case 57: return QStringLiteral("ALTER TRIGGER ") + Q(o.ObjectName) + QStringLiteral(" ON ") + Q(o.TableName) + to;
    case 58: return QStringLiteral("ALTER SEQUENCE ") + qn + to;
    case 61: return QStringLiteral("ALTER MATERIALIZED VIEW ") + qn + to;
    case 66:
        return QStringLiteral("ALTER TABLE ") + Qualified(o.Schema, o.TableName) + QStringLiteral(" RENAME CONSTRAINT ") +
               Q(o.ObjectName) + QStringLiteral(" TO ") + Q(NewName);
    case 128: return QStringLiteral("ALTER AGGREGATE ") + qn + args + to;
    default: return QString();
    }
}

bool CanRenameObject(int ObjectType, const QString &Schema, const QString &LoginSchema, int DBVer)
{
    static const int kinds[] = {45, 46, 47, 51, 52, 55, 57, 58, 61, 66, 128};
    if (std::find(std::begin(kinds), std::end(kinds), ObjectType) == std::end(kinds))
        return false;
    if (Schema != LoginSchema)
        return false;
    return ObjectType != 66 || DBVer >= 90200;
}

QStringList RewritePasteScript(const QStringList &ddl, const TPasteRewrite &r)
{
    QStringList lines = ddl;
    if (lines.isEmpty() || (lines.size() == 1 && lines.first().isEmpty()))
        return {};
    const QString qs = Q(r.Schema), qt = Q(r.TargetSchema), qn = Q(r.ObjectName), qm = Q(r.NewName);
    const QString kind = ObjectTypeName(r.ObjectType);
    const int code = r.ObjectType;
    const bool programLike = code == 51 || code == 52 || code == 53 || code == 55 || code == 57 || code == 128;

    // The first line.
    QString &first = lines[0];
    if (programLike) {
        if (!RewriteNameRegion(first, r, code != 57)) {
            if (!ContainsWhole(first, r.Schema)) {
                first = ReplaceWhole(first, qn, code == 57 ? qm : qt + QLatin1Char('.') + qm);
            } else {
                first = ReplaceWhole(first, qs + QLatin1Char('.'), qt + QLatin1Char('.'));
                first = ReplaceWhole(first, QLatin1Char('.') + qn, QLatin1Char('.') + qm);
            }
        }
    } else if (code == 127) {
        first = QStringLiteral("CREATE ") + kind + QLatin1Char(' ') + qm + QStringLiteral(" AS ");
    } else {
        // What a writer put after the name on the same line (" (" of a
        // table, " AS" of a view) stays.
        QString rest;
        for (const QString &name : {qt + QLatin1Char('.') + qm, qs + QLatin1Char('.') + qn}) {
            const qsizetype at = first.indexOf(name);
            if (at >= 0 && WholeAt(first, at, name)) {
                rest = first.mid(at + name.size());
                break;
            }
        }
        first = QStringLiteral("CREATE ") + kind + QLatin1Char(' ') + qt + QLatin1Char('.') + qm + rest;
    }

    // Later lines.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString &l = lines[i];
        if (code == 51 || code == 52 || code == 55 || code == 57 || code == 128) {
            if (ContainsWhole(l, r.Schema))
                l = ReplaceWhole(l, qs, qt);
        } else if (code == 53) {
            if (l.contains(QLatin1String("PACKAGE BODY")) && l.contains(qs))
                RewriteNameRegion(l, r, true);
        }
    }

    // Index names of a table.
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (const auto &[oldName, newName] : r.Indexes) {
            QString &l = lines[i];
            const QString con = QStringLiteral("CONSTRAINT ") + Q(oldName);
            const QString idx = QStringLiteral("INDEX ") + Q(oldName);
            if (l.contains(con + QStringLiteral(" PRIMARY KEY")) || l.contains(con + QStringLiteral(" UNIQUE"))) {
                l.replace(con, QStringLiteral("CONSTRAINT ") + Q(newName));
            } else if (l.contains(idx)) {
                l.replace(idx, QStringLiteral("INDEX ") + Q(newName));
                // The index's table line: what follows the table's name
                // there (the column list) stays.
                const QString on = QStringLiteral("ON ") + qs + QLatin1Char('.') + qn;
                if (i + 1 < lines.size()) {
                    const qsizetype at = lines[i + 1].indexOf(on);
                    if (at >= 0 && WholeAt(lines[i + 1], at, on))
                        lines[i + 1] = QStringLiteral("ON ") + qt + QLatin1Char('.') + qm + lines[i + 1].mid(at + on.size());
                }
            }
        }
    }

    if (r.WithData)
        lines << QStringLiteral("INSERT INTO ") + qt + QLatin1Char('.') + qm + QStringLiteral(" SELECT * FROM ") + qs +
                     QLatin1Char('.') + qn;
    return lines;
}

QString PasteTargetSchema(int NodeImage, const QString &NodeText, const QString &ParentText, bool KindFirst,
                          const QString &UserName)
{
    if (NodeImage == 4 || NodeImage == 126)
        return NodeText;
    if (NodeImage == 1 || KindFirst)
        return UserName;
    return ParentText;
}

QString ScriptFileName(const QString &Caption, int ObjectType, bool Dir)
{
    const QString name = SanitizeFileName(Caption);
    if (!Dir && (ObjectType == 54 || ObjectType == 56))
        return name + QStringLiteral("B.SQL");
    return name + QStringLiteral(".SQL");
}

QString ScriptFilePath(const QString &ScriptPath, const QString &Schema, const QString &Kind,
                       const QString &FileName, bool Dir, bool SchemaFirst)
{
    if (!Dir)
        return ScriptPath + FileName;
    const QString s = SanitizeFileName(Schema), k = SanitizeFileName(Kind);
    return SchemaFirst ? ScriptPath + s + QLatin1Char('/') + k + QLatin1Char('/') + FileName
                       : ScriptPath + k + QLatin1Char('/') + s + QLatin1Char('/') + FileName;
}
