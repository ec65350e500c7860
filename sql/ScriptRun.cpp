#include "sql/ScriptRun.h"

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/SqlScanner.h"
#include "platform/db/StatementSavepoint.h"
#include "sql/SQLRunner.h"

#include <QFile>

namespace scriptrun {

bool ReadScriptFile(const QString &path, tv::text::Encoding enc, QStringList *lines, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString() + QStringLiteral(" (") + path + QLatin1Char(')');
        return false;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString() + QStringLiteral(" (") + path + QLatin1Char(')');
        return false;
    }
    tv::text::Encoding used = enc;
    const QString text = tv::text::Decode(data, enc, &used);
    // The decoder puts U+FFFD where bytes are no text of the encoding. A
    // U+FFFD of the file's own is kept: it encodes back to the same bytes.
    if (text.contains(QChar(0xFFFD))) {
        bool bad = used == tv::text::Encoding::Ansi;
        if (!bad) {
            int bom = 0;
            tv::text::Encoding dummy;
            const bool hasBom = tv::text::DetectBom(data, &dummy, &bom);
            bad = tv::text::Encode(text, used, hasBom) != data;
        }
        if (bad) {
            if (error)
                *error = QStringLiteral("ファイルの内容を文字に変換できません。(") + path + QLatin1Char(')');
            return false;
        }
    }
    *lines = sqlrun::SplitLines(text);
    if (!lines->isEmpty() && lines->last().isEmpty())
        lines->removeLast();
    return true;
}

void TrimStatementLines(QStringList &lines)
{
    while (!lines.isEmpty() && sqlrun::IsRemarkLine(lines.first()))
        lines.removeFirst();
    while (!lines.isEmpty() && sqlrun::IsRemarkLine(lines.last()))
        lines.removeLast();
}

QStringList ErrorEchoLines(const QStringList &lines)
{
    if (lines.size() <= 4)
        return lines;
    return {lines.at(0), lines.at(1), lines.at(2), QStringLiteral("  -- (中略) --"), lines.last()};
}

QString SearchPathStatement(const QString &schema)
{
    QString name = schema;
    name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("set search_path to \"") + name + QLatin1Char('"');
}

TOutcome RunStatement(tv::db::Connection &conn, const QString &text)
{
    TOutcome out;
    auto fail = [&out](const tv::db::DbError &e) {
        out.ok = false;
        out.error = e.text();
        out.connectionLost = e.connectionLost();
        out.cancelled = e.sqlState() == QLatin1String(tv::db::sqlstate::QueryCanceled);
    };
    // Several statements between two ";" lines run one by one, each as a
    // statement of its own: a SELECT among them is refused as it is alone,
    // and the first that fails ends the text.
    const tv::db::ScannedSql sc = tv::db::ScanSql(text, false);
    if (sc.statements > 1) {
        for (const tv::db::StatementSpan &span : sc.spans) {
            out = RunStatement(conn, text.mid(span.start, span.end - span.start));
            if (!out.ok)
                break;
        }
        return out;
    }
    // Statements that cannot hand back rows go as they are, in one round
    // trip; the others are described first, since rows are not run here.
    bool simple = !sqlrun::MayReturnRows(text, sqlrun::StatementKind(text));
    if (!simple) {
        tv::db::StatementSavepoint sp(conn);
        try {
            tv::db::StatementInfo info;
            try {
                info = conn.Describe(text, {});
            } catch (const tv::db::DbError &e) {
                // Inside a block a text of several statements fails to
                // prepare just as a syntax error does: the simple protocol
                // tells them apart.
                if (e.connectionLost() || e.sqlState() != QLatin1String(tv::db::sqlstate::SyntaxError))
                    throw;
                info.simpleOnly = true;
            }
            if (info.simpleOnly) {
                sp.rollback();
                simple = true;
            } else if (info.returnsRows) {
                sp.rollback();
                out.ok = false;
                out.returnsRows = true;
                return out;
            } else {
                conn.ExecPrepared({});
                sp.release();
            }
        } catch (const tv::db::DbError &e) {
            fail(e);
            if (!e.connectionLost()) {
                try {
                    sp.rollback();
                } catch (const tv::db::DbError &e2) {
                    fail(e2);
                }
            }
            return out;
        }
    }
    if (simple) {
        try {
            if (std::optional<tv::db::DbError> e = tv::db::ExecContinuing(conn, text))
                fail(*e);
        } catch (const tv::db::DbError &e) {
            fail(e);
        }
    }
    return out;
}

} // namespace scriptrun
