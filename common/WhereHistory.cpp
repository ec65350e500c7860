#include "common/WhereHistory.h"

#include "common/TextUtil.h"
#include "common/tvMemIniFile.h"
#include "common/tvOption.h"

#include <QDir>

namespace {

const QString kSection = QStringLiteral("WHERE");
constexpr int kMaxEntries = 20;

QString keyName(int i) { return QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')); }

bool isNull(const QVariant &v) { return !v.isValid() || v.isNull(); }

QString fieldText(const QVariant &v) { return isNull(v) ? QString() : v.toString(); }

} // namespace

QString WhereHistoryFileName(const QString &A, const QString &B)
{
    if (tvOption.TempDir.isEmpty())
        return QString();
    QString dir = tvOption.TempDir;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + SanitizeFileName(A + QLatin1Char('.') + B + QStringLiteral(".ini"));
}

void LoadWhereHistory(const QString &A, const QString &B, QStringList &List)
{
    List.clear();
    if (B.isEmpty())
        return;
    const QString path = WhereHistoryFileName(A, B);
    if (path.isEmpty())
        return;
    QDir().mkpath(tvOption.TempDir);
    TtvMemIniFile ini(path, GetFileEncoding());
    if (!ini.Load())
        return;
    for (int i = 0; i < kMaxEntries; ++i) {
        const QString value = ini.ReadString(kSection, keyName(i), QString());
        if (!value.isEmpty())
            List.append(value);
    }
}

bool SaveWhereHistory(const QString &A, const QString &B, const QStringList &List, QString *Error)
{
    const QString path = WhereHistoryFileName(A, B);
    if (path.isEmpty()) {
        if (Error)
            *Error = QStringLiteral("no work folder");
        return false;
    }
    QDir().mkpath(tvOption.TempDir);
    TtvMemIniFile ini(path, GetFileEncoding());
    if (!ini.Load(Error))
        return false;
    const int count = int(std::min<qsizetype>(kMaxEntries, List.size()));
    for (int i = 0; i < count; ++i)
        ini.WriteString(kSection, keyName(i), List[i]);
    return ini.UpdateFile(Error);
}

QString ColumnSizeText(const QString &TypeName, const QVariant &LengthField, const QVariant &PrecisionField,
                       const QVariant &ScaleField)
{
    static const QStringList byLength = {
        QStringLiteral("character"),  QStringLiteral("char"),   QStringLiteral("character varying"),
        QStringLiteral("varchar"),    QStringLiteral("character[]"), QStringLiteral("char[]"),
        QStringLiteral("character varying[]"),
    };
    static const QStringList byPrecision = {
        QStringLiteral("character"),
        QStringLiteral("char"),
        QStringLiteral("character varying"),
        QStringLiteral("varchar"),
        QStringLiteral("bit"),
        QStringLiteral("bit varying"),
        QStringLiteral("numeric"),
        QStringLiteral("character[]"),
        QStringLiteral("char[]"),
        QStringLiteral("character varying[]"),
        QStringLiteral("varchar[]"),
        QStringLiteral("bit[]"),
        QStringLiteral("bit varying[]"),
        QStringLiteral("numeric[]"),
        QStringLiteral("interval"),
        QStringLiteral("interval[]"),
        QStringLiteral("interval SECOND"),
        QStringLiteral("interval SECOND[]"),
        QStringLiteral("interval DAY TO SECOND"),
        QStringLiteral("interval DAY TO SECOND[]"),
        QStringLiteral("interval HOUR TO SECOND"),
        QStringLiteral("interval HOUR TO SECOND[]"),
        QStringLiteral("interval MINUTE TO SECOND"),
    };
    if (byLength.contains(TypeName))
        return fieldText(LengthField);
    if (TypeName == QLatin1String("numeric")) {
        if (isNull(PrecisionField))
            return QString();
        if (isNull(ScaleField))
            return fieldText(PrecisionField);
        return fieldText(PrecisionField) + QLatin1Char(',') + fieldText(ScaleField);
    }
    if (byPrecision.contains(TypeName))
        return fieldText(PrecisionField);
    return QString();
}
