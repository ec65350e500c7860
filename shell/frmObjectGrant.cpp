// The connection window's grant script and the keeping of an object's source
// in a file before and after a definition window applies a change.
#include "common/CatalogSQL.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "platform/Errors.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Dialogs.h"
#include "shell/GrantScript.h"
#include "shell/frmObject.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {

// Streams in memory hold UTF-16 as every script writer puts it there; files
// take the encoding of the option Encoding.
void WriteLines(QIODevice &stream, const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QStringLiteral("\r\n");
    const tv::text::Encoding enc =
        qobject_cast<QBuffer *>(&stream) ? tv::text::Encoding::Utf16LE : GetFileEncoding();
    stream.write(tv::text::Encode(text, enc, false));
}

// A name that becomes one folder or file name part must be one.
void CheckPathPart(const QString &part)
{
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
        part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\')) || part.contains(QChar(0)))
        throw tv::Error(QStringLiteral("フォルダ名またはファイル名に使用できない名前です: ") + part);
}

} // namespace

void TfrmObject::OutputGrant(const QString &Schema, const QString &ObjectName, QIODevice &Stream, int intMode,
                             const QString &strObjCls, const QString &strOid)
{
    const QString loginSchema = FdbsMain->Params().MetaDefSchema;
    qryExec->Close();
    qryExec->SetParamParsing(true);
    struct Reset {
        tv::db::Query &q;
        ~Reset()
        {
            q.Close();
            q.SetParamParsing(false);
        }
    } reset{*qryExec};
    if (intMode == 1) {
        bool byOid = false;
        const QString typeName = ObjectTypeName(ObjectTypeFromName(strObjCls.trimmed().toUpper()));
        const QString sql = grant::ObjectSQL(typeName, FDBVer, FPostgresPlus, &byOid);
        if (sql.isEmpty())
            return;
        qryExec->SetSQL(sql);
        if (byOid) {
            bool ok = false;
            const qint64 oid = strOid.trimmed().toLongLong(&ok);
            if (!ok)
                return;
            qryExec->ParamByName(QStringLiteral("FUNCOID")).setAsInt64(oid);
        } else {
            qryExec->ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
            qryExec->ParamByName(QStringLiteral("OBJNAME")).setAsString(ObjectName);
        }
    } else if (intMode == 2) {
        qryExec->SetSQL(grant::RoleSQL(FDBVer));
        qryExec->ParamByName(QStringLiteral("UNAME")).setAsString(Schema);
    } else {
        qryExec->SetSQL(grant::TablespaceSQL());
        qryExec->ParamByName(QStringLiteral("TBSNM")).setAsString(ObjectName);
    }
    qryExec->Open();
    // The rows first: argument lists are read on another query.
    QList<grant::TGrantRow> rows;
    for (; !qryExec->Eof(); qryExec->Next()) {
        grant::TGrantRow r;
        r.Cls = qryExec->Fields(0).AsString();
        r.Schema = qryExec->Fields(1).AsString();
        r.Name = qryExec->Fields(2).AsString();
        r.Owner = qryExec->Fields(3).AsString();
        r.Acl = qryExec->Fields(4).AsString();
        r.AclNull = qryExec->Fields(5).IsNull();
        if (qryExec->FieldCount() > 6)
            r.Oid = qryExec->Fields(6).AsString();
        rows.append(r);
    }
    qryExec->Close();
    QStringList lines;
    const QString role = intMode == 2 ? Schema : QString();
    for (const grant::TGrantRow &r : std::as_const(rows)) {
        QString arguments;
        if (r.Cls == QLatin1String("FUNCTION") || r.Cls == QLatin1String("PROCEDURE")) {
            FncArgArray args;
            LoadFunctionArguments(r.Oid.toLongLong(), *qryObject2, args, FDBVer);
            arguments = FormatFunctionSignature(args, 5, loginSchema);
        }
        const QString text = grant::ObjectText(r.Cls, r.Schema, r.Name,
                                               grant::QualifyName(ScriptOption.Owner, r.Schema, loginSchema), arguments);
        for (const QString &s : grant::Statements(r, intMode == 1 || intMode == 2 ? intMode : 3, text, role))
            lines << s << QStringLiteral(";");
    }
    if (!lines.isEmpty())
        WriteLines(Stream, lines);
}

QString TfrmObject::KeepSourcePath(bool after, const QString &Schema, const QString &ObjectName, int ObjectType)
{
    const bool renum = after ? tvOption.SaveAfterSrcRenum : tvOption.SaveBeforeSrcRenum;
    QString dir = after ? tvOption.SaveAfterSrcDir : tvOption.SaveBeforeSrcDir;
    const QString typeName = ObjectTypeName(ObjectType);
    CheckPathPart(Schema);
    CheckPathPart(typeName);
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QString folder = dir + Schema + QLatin1Char('/') + typeName;
    QString base = ObjectName;
    const QString prefix = FDBName + QLatin1Char('=');
    for (const QString &entry : std::as_const(ScriptOption.NameTable)) {
        if (!entry.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString table = entry.mid(prefix.size()).trimmed();
        if (table.isEmpty())
            break;
        tv::db::Query &q = OpenSQL(QStringLiteral(" SELECT SCRIPT_NAME FROM   ") +
                                       QuoteIdentifierList(table, false, QStringLiteral(".")) +
                                       QStringLiteral(" WHERE  OWNER         = :OWNER"
                                                      " AND    OBJECT_NAME   = :OBJECT_NAME"
                                                      " AND    OBJECT_TYPE   = :OBJECT_TYPE"),
                                   {Schema, ObjectName, typeName});
        if (!q.Eof()) {
            base = q.Fields(0).AsString();
            CheckPathPart(base);
        }
        qryExec->Close();
        break;
    }
    base = SanitizeFileName(base);
    if (base.isEmpty())
        base = QStringLiteral("_");
    if (!QDir().mkpath(folder))
        throw tv::Error(QStringLiteral("フォルダを作成できません: ") + folder);
    if (!renum)
        return folder + QLatin1Char('/') + base + QStringLiteral(".SQL");
    int n = 0;
    for (; n < 100; ++n) {
        const QString p = folder + QLatin1Char('/') + base + QStringLiteral("_%1.SQL").arg(n, 2, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(p))
            return p;
    }
    return folder + QLatin1Char('/') + base + QStringLiteral("_100.SQL");
}

void TfrmObject::KeepSource(bool after, const QString &Schema, const QString &ObjectName, int ObjectType,
                            qint64 p_intOID, const QString &p_strTblNm)
{
    if (!(after ? tvOption.SaveAfterSrc : tvOption.SaveBeforeSrc))
        return;
    QString path = KeepSourcePath(after, Schema, ObjectName, ObjectType);
    if (after ? tvOption.SaveAfterSrcDialog : tvOption.SaveBeforeSrcDialog) {
        tv::ui::FileDialogRequest r;
        r.caption = after ? QStringLiteral("変更後ソースの保存") : QStringLiteral("変更前ソースの保存");
        r.filter = QStringLiteral("SQLファイル(*.sql)|*.sql|テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
        r.fileName = path;
        r.initialDir = QFileInfo(path).absolutePath();
        r.overwritePrompt = true;
        path = tv::ui::CurrentDialogs().saveFile(r);
        if (path.isEmpty())
            return;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw tv::Error(QStringLiteral("ファイルを作成できません: ") + path + QStringLiteral("\n") + f.errorString());
    if (after ? tvOption.SaveAfterSrcHead : tvOption.SaveBeforeSrcHead) {
        const QString head = QStringLiteral("-- ") +
                             QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat) +
                             (after ? QStringLiteral(" 変更後ソース") : QStringLiteral(" 変更前ソース"));
        WriteLines(f, {head});
    }
    OutputScript(ObjectType, Schema, ObjectName, f, QString(), QString(), p_intOID, p_strTblNm);
}

void TfrmObject::SaveBeforeSource(const QString &Schema, const QString &ObjectName, int ObjectType, qint64 p_intOID,
                                  const QString &p_strTblNm)
{
    KeepSource(false, Schema, ObjectName, ObjectType, p_intOID, p_strTblNm);
}

void TfrmObject::SaveAfterSource(const QString &Schema, const QString &ObjectName, int ObjectType, qint64 p_intOID,
                                 const QString &p_strTblNm)
{
    KeepSource(true, Schema, ObjectName, ObjectType, p_intOID, p_strTblNm);
}
