#include "objects/table/TableScript.h"

#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Field.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"

#include <QDir>

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
