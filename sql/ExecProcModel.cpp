#include "sql/ExecProcModel.h"

#include "common/CatalogSQL.h"
#include "common/Quote.h"

#include <QRegularExpression>

namespace ExecProc {

const char *const kDebugNotFound = "対象のプログラムが見つかりません。\r\n"
                                   "再コンパイルなどによりOIDが変更されている可能性があります。\r\n"
                                   "ストアドプログラム実行画面を終了し、ストアドプログラム画面を再表示の上、再実行してください。";
const char *const kDebugNoRight = "パッケージの実行権限がありません。";
const char *const kDebugConnectFailed = "デバッグセッションの接続に失敗しました。";
const char *const kDebugNoPackage = "デバッグ実行に必要なパッケージが見つかりません。";

namespace {
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

QString ModeOfLetter(const QString &letter)
{
    if (letter == QLatin1String("i"))
        return QStringLiteral("IN");
    if (letter == QLatin1String("o"))
        return QStringLiteral("OUT");
    if (letter == QLatin1String("b"))
        return QStringLiteral("IN/OUT");
    if (letter == QLatin1String("v"))
        return QStringLiteral("VARIADIC");
    if (letter == QLatin1String("t"))
        return QStringLiteral("TABLE");
    return QString();
}

int ImageOfMode(const QString &mode)
{
    if (mode == QLatin1String("OUT") || mode == QLatin1String("TABLE"))
        return kExecImgOut;
    if (mode == QLatin1String("IN/OUT"))
        return kExecImgInOut;
    return kExecImgIn;
}

QStringList SplitLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QString t = text;
    t.replace(kCrLf, QStringLiteral("\n"));
    return t.split(QLatin1Char('\n'));
}

bool IsProcedure(const TExecTarget &t)
{
    return t.ObjType == 51 || (t.ObjType == 53 && t.SubObjType == 51);
}

bool IsFunction(const TExecTarget &t)
{
    return t.ObjType == 52 || (t.ObjType == 53 && t.SubObjType == 52);
}

TCallKind CallKind(const TExecTarget &t, const std::vector<TExecNode> &nodes)
{
    if (!nodes.empty() && nodes.front().Image == kExecImgResult && nodes.front().Array)
        return TCallKind::SelectArray;
    if (IsProcedure(t)) {
        // A block cannot take the values of OUT and IN/OUT arguments back:
        // such a procedure is called at the top level, where its result row
        // carries them.
        if (t.ObjType == 51 && !t.IsEdb && t.ServerVersion >= 110000)
            for (const TExecNode &n : nodes)
                if (n.Level == 0 && (n.Image == kExecImgOut || n.Image == kExecImgInOut))
                    return TCallKind::TopLevelCall;
        return TCallKind::DoBlock;
    }
    return TCallKind::Select;
}

QString QualifiedName(const TExecTarget &t)
{
    const QString name = t.ObjType == 53 ? QuoteIdentifier(t.Name) + QLatin1Char('.') + QuoteIdentifier(t.SubProgram)
                                         : QuoteIdentifier(t.Name);
    return QuoteIdentifier(t.Schema) + QLatin1Char('.') + name;
}

QString ArgumentList(const std::vector<TExecNode> &nodes)
{
    QStringList items;
    const int count = int(nodes.size());
    for (int i = 0; i < count; ++i) {
        const TExecNode &n = nodes[size_t(i)];
        if (n.Image == kExecImgResult || n.Image == kExecImgOut) {
            // Outputs take no value; their attribute rows go with them.
            while (i + 1 < count && nodes[size_t(i + 1)].Level > n.Level)
                ++i;
            continue;
        }
        if (n.Composite) {
            QStringList parts;
            while (i + 1 < count && nodes[size_t(i + 1)].Level == n.Level + 1) {
                ++i;
                const QString &v = nodes[size_t(i)].Value;
                parts << (v.isEmpty() ? QStringLiteral("NULL") : v);
            }
            items << QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
            continue;
        }
        if (n.Image == kExecImgInOut && n.Value.trimmed().isEmpty()) {
            items << QStringLiteral("NULL");
            continue;
        }
        if (n.Array) {
            items << (n.Value.isEmpty() ? QStringLiteral("'{ NULL }'") : QStringLiteral("ARRAY[") + n.Value + QLatin1Char(']'));
            continue;
        }
        items << (n.Value.isEmpty() ? QStringLiteral("NULL") : n.Value);
    }
    return QLatin1Char('(') + items.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString DollarTag(const QStringList &texts)
{
    auto used = [&texts](const QString &tag) {
        for (const QString &t : texts)
            if (t.contains(tag))
                return true;
        return false;
    };
    if (!used(QStringLiteral("$$")))
        return QStringLiteral("$$");
    for (int i = 0;; ++i) {
        const QString tag = QStringLiteral("$tv") + (i ? QString::number(i) : QString()) + QLatin1Char('$');
        if (!used(tag))
            return tag;
    }
}

QStringList BuildCallStatement(const TExecTarget &t, const std::vector<TExecNode> &nodes)
{
    const QString name = QualifiedName(t);
    const QString args = ArgumentList(nodes);
    switch (CallKind(t, nodes)) {
    case TCallKind::SelectArray: {
        const QString column = QuoteIdentifier(t.ObjType == 53 ? t.SubProgram : t.Name);
        return {QStringLiteral("SELECT array_to_string(") + column + QStringLiteral(",  '") + kCrLf + QStringLiteral("')"),
                QStringLiteral("  FROM ") + name + args};
    }
    case TCallKind::TopLevelCall:
        return {QStringLiteral("CALL ") + name + args};
    case TCallKind::DoBlock: {
        QStringList values;
        for (const TExecNode &n : nodes)
            values << n.Value;
        const QString tag = DollarTag(values);
        return {QStringLiteral("DO ") + tag, QStringLiteral("BEGIN"), QStringLiteral("CALL ") + name + args + QLatin1Char(';'),
                QStringLiteral("END"), tag + QLatin1Char(';')};
    }
    case TCallKind::Select:
        break;
    }
    return {QStringLiteral("SELECT * "), QStringLiteral("  FROM ") + name + args};
}

QString NodePath(const std::vector<TExecNode> &nodes, int index)
{
    auto text = [](const QString &s) { return s.isEmpty() ? QStringLiteral("(i)") : s; };
    QString path = text(nodes[size_t(index)].Name);
    int level = nodes[size_t(index)].Level;
    for (int i = index - 1; i >= 0 && level > 0; --i) {
        if (nodes[size_t(i)].Level < level) {
            path = text(nodes[size_t(i)].Name) + QLatin1Char('.') + path;
            level = nodes[size_t(i)].Level;
        }
    }
    path.replace(QStringLiteral(".(i)"), QStringLiteral("(i)"));
    return path;
}

QStringList OutputLines(const TExecTarget &t, const std::vector<TExecNode> &nodes, const TResultRows &rows)
{
    QStringList lines{QStringLiteral("【 実行後パラメータ値 】")};
    const bool topLevelCall = CallKind(t, nodes) == TCallKind::TopLevelCall;
    bool consumed = false;
    auto remainingRows = [&]() {
        if (consumed)
            return QString();
        consumed = true;
        QStringList cells;
        for (const QStringList &r : rows.Rows)
            cells << r;
        return cells.join(QLatin1Char('\t'));
    };
    auto column = [&](const QString &name) {
        const int c = int(rows.Columns.indexOf(name));
        return c >= 0 && !rows.Rows.isEmpty() && c < rows.Rows.first().size() ? rows.Rows.first().at(c) : QString();
    };
    for (int i = 0; i < int(nodes.size()); ++i) {
        const TExecNode &n = nodes[size_t(i)];
        const bool output = n.Level == 0 && (n.Image == kExecImgOut || n.Image == kExecImgInOut);
        QString value;
        if (n.Image == kExecImgResult && n.Level == 0 && IsFunction(t))
            value = remainingRows();
        else if (output && topLevelCall)
            value = column(n.Name);
        else if (output && (t.ObjType == 51 || t.ObjType == 53))
            value = remainingRows();
        else if (n.Composite)
            continue;
        else
            value = n.Value;
        lines << NodePath(nodes, i) + QStringLiteral(" : ") + value;
    }
    return lines;
}

QString ArgumentSQL()
{
    return QStringLiteral("SELECT Prc.proname, Prc.pronargs, Prc.pronargdefaults, Prc.prorettype,\n"
                          "       CASE WHEN Prc.proallargtypes IS NULL\n"
                          "            THEN array_to_string(Prc.proargtypes, '\r\n')\n"
                          "            ELSE array_to_string(Prc.proallargtypes, '\r\n') END AS ArgType,\n"
                          "       array_to_string(Prc.proargmodes, '\r\n') AS proargmodes,\n"
                          "       array_to_string(Prc.proargnames, '\r\n') AS proargnames\n"
                          "  FROM pg_proc         AS Prc\n"
                          "  LEFT JOIN pg_namespace  AS Nms ON Prc.pronamespace = Nms.oid\n"
                          " WHERE Nms.nspname = :OWNER\n"
                          "   AND Prc.proname = :FNCNM\n"
                          "   AND Prc.oid = :OIDNO\n"
                          " ORDER BY Prc.proname");
}

QString PackageArgumentSQL(int ServerVersion)
{
    return QStringLiteral(
               "SELECT nsp.nspname, pkg.pkgname, \"edb_pkg_prc\".*\n"
               "  FROM (SELECT oid AS eltoid, pronamespace AS packageoid, proname AS eltname,\n"
               "               proaccess AS visibility, DECODE(protype,'0','F','1','P' ) AS eltclass,\n"
               "               prorettype AS eltdatatype, pronargs AS nargs, pronargdefaults AS argdefnum,\n"
               "               proargtypes AS org_argtypes,\n"
               "               CASE WHEN proallargtypes IS NULL THEN array_to_string(proargtypes, '\r\n')\n"
               "                    ELSE array_to_string(proallargtypes, '\r\n') END AS argtypes,\n"
               "               array_to_string(proargmodes, '\r\n') AS argmodes,\n"
               "               array_to_string(proargnames, '\r\n') AS argnames\n"
               "          FROM pg_proc\n"
               "         WHERE pronamespace IN (SELECT oid FROM pg_namespace WHERE nspparent != 0)) AS \"edb_pkg_prc\"\n"
               "  LEFT JOIN ") +
           EdbPackageSubquery(ServerVersion) +
           QStringLiteral(" AS pkg ON \"edb_pkg_prc\".packageoid = pkg.oid\n"
                          "  LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid\n"
                          " WHERE nsp.nspname = :SCHEMA_NAME\n"
                          "   AND pkg.pkgname = :PACKAGE_NAME\n"
                          "   AND \"edb_pkg_prc\".eltname = :SUB_PROGRAM_NAME\n"
                          "   AND \"edb_pkg_prc\".eltdatatype::varchar || ',' || \"edb_pkg_prc\".org_argtypes::varchar "
                          "= :SUB_PROGRAM_KEY");
}

QString SubProgramSQL(int ServerVersion)
{
    return QStringLiteral("SELECT ele.eltname, ele.eltdatatype::VARCHAR, ele.argtypes::VARCHAR\n  FROM ") +
           EdbPackageElementSubquery() +
           QStringLiteral("ele\n  LEFT JOIN ") + EdbPackageSubquery(ServerVersion) +
           QStringLiteral(" AS pkg ON ele.packageoid = pkg.oid\n"
                          "  LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid\n"
                          " WHERE 0 = 0\n"
                          "   AND eltclass <> 'V'\n"
                          "   AND pkgname = :PKG_NAME\n"
                          "   AND nsp.nspname = :SCHEMA_NAME\n"
                          " ORDER BY 1");
}

QString TypeSQL()
{
    // An array is a type of the array category with an element type (types
    // such as name or point also have an element type, but are no arrays).
    return QStringLiteral("SELECT CASE WHEN TypM.typelem = 0 OR TypM.typcategory <> 'A' THEN TypM.typname\n"
                          "            ELSE TypS.typname END AS TypNm,\n"
                          "       CASE WHEN TypM.typelem = 0 OR TypM.typcategory <> 'A' THEN 0 ELSE 1 END AS ArrayFlg\n"
                          "  FROM pg_type     AS TypM\n"
                          "  LEFT JOIN pg_type   AS TypS ON TypM.typelem = TypS.oid\n"
                          " WHERE TypM.oid = :OID");
}

QString AttributeSQL(bool IsEdb, int ServerVersion)
{
    QString from, where;
    BuildObjectFromWhere(55, from, where, IsEdb, ServerVersion);
    // Attributes in their order (a row value is positional); dropped ones
    // are no attributes any more.
    return QStringLiteral("SELECT Att.attnum, Att.attname, Att.atttypid,\n"
                          "       CASE WHEN T.typtype IN ('e', 'r', 'p') THEN T.typtype::text\n"
                          "            ELSE C.relkind::text END AS TypKind\n") +
           from + QStringLiteral("\nLEFT JOIN pg_attribute    AS Att ON C.oid = Att.attrelid AND NOT Att.attisdropped\n") +
           where +
           QStringLiteral("\n   AND N.nspname = :OWNER\n   AND T.typname = :TYPNM\n ORDER BY Att.attnum");
}

QString TypeListSQL()
{
    return QStringLiteral("SELECT CASE WHEN proallargtypes IS NULL THEN array_to_string(proargtypes, '\r\n')\n"
                          "            ELSE array_to_string(proallargtypes, '\r\n') END AS AryType\n"
                          "  FROM pg_proc WHERE oid = :OID");
}

QString TypeNameSQL()
{
    return QStringLiteral("SELECT oid, typname FROM pg_type WHERE oid = :OID");
}

QString PackageOidSQL(int ServerVersion)
{
    return QStringLiteral(" SELECT pac.oid FROM") + EdbPackageSubquery(ServerVersion) + QStringLiteral(" pac") +
           QStringLiteral(" LEFT JOIN pg_namespace nsp ON pac.pkgnamespace = nsp.oid") +
           QStringLiteral(" WHERE nsp.nspname = :schema AND pac.pkgname = :name");
}

QString MemberOidSQL()
{
    return QStringLiteral("SELECT oid FROM pg_proc WHERE pronamespace = :pkgoid and proname = :proname and "
                          "proargtypes::VARCHAR = :proargtypes");
}

QString ExtensionCheckSQL()
{
    return QStringLiteral(
        "SELECT * FROM pg_available_extensions WHERE name = 'pldbgapi' AND installed_version is not null");
}

int BreakIdOfNotice(const QString &notice)
{
    static const QRegularExpression re(QStringLiteral("PLDBGBREAK:(\\d+)"));
    const QRegularExpressionMatch m = re.match(notice);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace ExecProc
