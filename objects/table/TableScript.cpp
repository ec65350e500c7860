#include "objects/table/TableScript.h"

#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Field.h"
#include "platform/db/PgResultSet.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"

#include <QBuffer>
#include <QDir>
#include <QIODevice>

#include <cmath>

namespace TableScript {

QString InsertValue(const tv::db::Field &F)
{
    if (F.IsNull())
        return QStringLiteral("null");
    using tv::db::FieldKind;
    switch (F.Kind()) {
    case FieldKind::Bool:
        return F.AsBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case FieldKind::Int2:
    case FieldKind::Int4:
    case FieldKind::Int8:
    case FieldKind::Oid:
        return F.AsString();
    case FieldKind::Numeric:
    case FieldKind::Float: {
        const QString text = F.AsString();
        bool ok = false;
        const double d = text.toDouble(&ok);
        return ok && std::isfinite(d) ? text : QuoteLiteral(text);
    }
    case FieldKind::Bytea:
        return QStringLiteral("'\\x") + QString::fromLatin1(F.AsBytes().toHex()) + u'\'';
    default:
        return QuoteLiteral(F.AsString());
    }
}

QStringList InsertStatement(const QString &Target, const QStringList &Values)
{
    QStringList lines;
    QString line = QStringLiteral("INSERT INTO ") + Target + QStringLiteral(" VALUES(");
    for (qsizetype i = 0; i < Values.size(); ++i) {
        line += Values.at(i);
        if (i + 1 < Values.size()) {
            line += u',';
            if (line.size() > 70) {
                lines << line;
                line.clear();
            }
        }
    }
    lines << line + u')' << QStringLiteral(";");
    return lines;
}

void ForEachInsertRow(tv::db::Connection &Conn, const QString &Select,
                      const std::function<void(const QStringList &Values)> &Row, int Batch)
{
    tv::db::ProtectedBlock block(Conn);
    tv::db::Query q(&Conn);
    q.SetParamParsing(false);
    q.SetSQL(QStringLiteral("DECLARE tv_script_rows NO SCROLL CURSOR FOR ") + Select);
    q.ExecSQL();
    const QString fetch = QStringLiteral("FETCH FORWARD %1 FROM tv_script_rows").arg(std::max(1, Batch));
    QStringList values;
    for (;;) {
        q.Close();
        q.SetSQL(fetch);
        q.Open();
        if (q.Eof())
            break;
        for (; !q.Eof(); q.Next()) {
            values.clear();
            for (int i = 0; i < q.FieldCount(); ++i)
                values << InsertValue(q.Fields(i));
            Row(values);
        }
    }
    q.Close();
    block.undo();
}

namespace {

// Appends the INSERT text of a cell whose server text is Raw to Out, when
// that text can go as it is: plain ASCII (the same characters in every
// client encoding) and a value written bare, as true/false, as a bytea's
// hex or as a literal. Returns the characters appended, or -1 (nothing
// appended) when the cell must go through InsertValue.
qsizetype AppendPlainValue(QByteArray &Out, tv::db::FieldKind Kind, QByteArrayView Raw)
{
    const char *p = Raw.data();
    const qsizetype n = Raw.size();
    using tv::db::FieldKind;
    switch (Kind) {
    case FieldKind::Bool:
        if (n == 1 && (*p == 't' || *p == 'f')) {
            Out.append(*p == 't' ? QByteArrayView("true") : QByteArrayView("false"));
            return *p == 't' ? 4 : 5;
        }
        return -1;
    case FieldKind::Int2:
    case FieldKind::Int4:
    case FieldKind::Int8:
    case FieldKind::Oid:
    case FieldKind::Numeric:
    case FieldKind::Float: {
        // Plain decimal digits (no exponent, NaN or Infinity) of at most 300
        // characters are always a finite number; anything else is checked
        // the long way.
        if (n == 0 || n > 300)
            return -1;
        for (qsizetype i = 0; i < n; ++i) {
            const char c = p[i];
            if (!((c >= '0' && c <= '9') || c == '-' || c == '.'))
                return -1;
        }
        Out.append(Raw);
        return n;
    }
    case FieldKind::Bytea:
        // The server's hex form is the text written ('\x' and lower-case hex).
        if (n < 2 || p[0] != '\\' || p[1] != 'x')
            return -1;
        for (qsizetype i = 2; i < n; ++i) {
            const char c = p[i];
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                return -1;
        }
        Out.append('\'');
        Out.append(Raw);
        Out.append('\'');
        return n + 2;
    default: {
        const qsizetype start = Out.size();
        Out.append('\'');
        qsizetype from = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const char c = p[i];
            if (static_cast<unsigned char>(c) >= 0x80) {
                Out.truncate(start);
                return -1;
            }
            if (c == '\'') {
                Out.append(p + from, i + 1 - from);
                from = i; // the quote again: doubled
            }
        }
        Out.append(p + from, n - from);
        Out.append('\'');
        return Out.size() - start;
    }
    }
}

} // namespace

void WriteInsertRows(tv::db::Connection &Conn, const QString &Select, const QString &Target,
                     const std::function<void(const QByteArray &Utf8)> &Write, int Batch)
{
    constexpr qsizetype FlushAt = 1 << 20;
    const QByteArray head = (QStringLiteral("INSERT INTO ") + Target + QStringLiteral(" VALUES(")).toUtf8();
    const qsizetype headChars = Target.size() + 20;
    QByteArray out;
    out.reserve(FlushAt + 64 * 1024);

    tv::db::ProtectedBlock block(Conn);
    tv::db::Query q(&Conn);
    q.SetParamParsing(false);
    q.SetSQL(QStringLiteral("DECLARE tv_script_rows NO SCROLL CURSOR FOR ") + Select);
    q.ExecSQL();
    const QString fetch = QStringLiteral("FETCH FORWARD %1 FROM tv_script_rows").arg(std::max(1, Batch));
    std::vector<tv::db::FieldKind> kinds;
    for (;;) {
        q.Close();
        q.SetSQL(fetch);
        q.Open();
        if (q.Eof())
            break;
        const int fields = q.FieldCount();
        kinds.resize(size_t(fields));
        for (int i = 0; i < fields; ++i)
            kinds[size_t(i)] = q.Fields(i).Kind();
        const auto *rows = dynamic_cast<const tv::db::PgResultSet *>(q.Results().get());
        for (; !q.Eof(); q.Next()) {
            const int r = q.CurrentRow();
            out.append(head);
            // Characters on the line so far, counted as the statement's
            // QString text counts them (UTF-16 code units).
            qsizetype chars = headChars;
            for (int i = 0; i < fields; ++i) {
                qsizetype added = -1;
                if (rows) {
                    if (rows->isNull(r, i)) {
                        out.append("null");
                        added = 4;
                    } else {
                        added = AppendPlainValue(out, kinds[size_t(i)], rows->raw(r, i));
                    }
                }
                if (added < 0) {
                    const QString value = InsertValue(q.Fields(i));
                    out.append(value.toUtf8());
                    added = value.size();
                }
                chars += added;
                if (i + 1 < fields) {
                    out.append(',');
                    if (++chars > 70) {
                        out.append("\r\n");
                        chars = 0;
                    }
                }
            }
            out.append(")\r\n;\r\n");
            if (out.size() >= FlushAt) {
                Write(out);
                out.truncate(0);
            }
        }
    }
    q.Close();
    block.undo();
    if (!out.isEmpty())
        Write(out);
}

void WriteScriptText(QIODevice &Device, const QByteArray &Utf8)
{
    const tv::text::Encoding enc =
        qobject_cast<QBuffer *>(&Device) ? tv::text::Encoding::Utf16LE : GetFileEncoding();
    Device.write(enc == tv::text::Encoding::Utf8 ? Utf8 : tv::text::Encode(QString::fromUtf8(Utf8), enc, false));
}

QString DataFilePath(const TScriptOption &Option, bool SchemasFirst, const QString &Schema, const QString &Table)
{
    const QString schema = SanitizeFileName(Schema);
    QString folder = Option.Path;
    QString file;
    if (Option.InsertMode == 1) {
        folder = SchemasFirst ? QDir(folder).filePath(schema + QStringLiteral("/DATA"))
                              : QDir(folder).filePath(QStringLiteral("DATA/") + schema);
        file = SanitizeFileName(Table) + QStringLiteral(".SQL");
    } else {
        if (Option.Dir)
            folder = QDir(folder).filePath(SchemasFirst ? schema : QStringLiteral("TABLE"));
        file = QStringLiteral("_DATA.SQL");
    }
    if (!QDir().mkpath(folder))
        throw tv::Error(QStringLiteral("フォルダを作成できません。\r\n") + folder);
    return QDir(folder).filePath(file);
}

} // namespace TableScript
