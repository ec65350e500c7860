#include "common/TextUtil.h"

#include "common/tvOption.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>
#include <limits>

QString PostgreSQLLocation;

namespace {

bool isBlankChar(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
           || c == QLatin1Char('\r');
}

} // namespace

QString TrimBlanks(const QString &Text)
{
    qsizetype b = 0, e = Text.size();
    while (b < e && isBlankChar(Text[b]))
        ++b;
    while (e > b && isBlankChar(Text[e - 1]))
        --e;
    if (b == 0 && e == Text.size())
        return Text;
    return Text.mid(b, e - b);
}

bool MatchesAny(const QString &Text, const QStringList &Values)
{
    return Values.contains(Text, Qt::CaseSensitive);
}

int IndexOfText(const QStringList &List, const QString &Text)
{
    return int(List.indexOf(Text));
}

QString CopyRange(const QString &Text, qint64 From, qint64 To)
{
    if (From < 1)
        From = 1;
    if (To > Text.size())
        To = Text.size();
    if (To < From)
        return QString();
    return Text.mid(From - 1, To - From + 1);
}

int PosFrom(const QString &SubText, const QString &Text, int Start)
{
    if (SubText.isEmpty())
        return 0;
    qsizetype from = 0; // 0-based index where the search begins
    if (Start > 0) {
        from = Start; // character Start + 1
        if (Start <= Text.size() && Text[Start - 1].isHighSurrogate())
            from = qsizetype(Start) + 1;
    }
    if (from >= Text.size())
        return 0;
    return int(Text.indexOf(SubText, from)) + 1;
}

int PosFromAnsi(const QByteArray &SubText, const QByteArray &Text, int Start)
{
    if (Start < 1)
        Start = 1;
    if (SubText.isEmpty() || Start > Text.size())
        return 0;
    return int(Text.indexOf(SubText, Start - 1)) + 1;
}

int DisplayWidth(const QString &Text)
{
    int width = 0;
    for (QChar c : Text) {
        const ushort u = c.unicode();
        width += ((u >= 0x20 && u <= 0x7E) || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
    }
    return width;
}

QString TextToHex(const QString &Text, int N)
{
    QByteArray bytes;
    bytes.reserve(Text.size() * 2);
    for (QChar c : Text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    if (N >= 0) {
        if (bytes.size() > N)
            bytes.truncate(N);
        else
            bytes.append(QByteArray(N - bytes.size(), '\0'));
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QVariant ChooseVariant(bool Flag, const QVariant &A, const QVariant &B)
{
    return Flag ? A : B;
}

namespace {

// V as a double; false when V is null or not a number.
bool variantToDouble(const QVariant &V, double *out)
{
    if (!V.isValid() || V.isNull())
        return false;
    bool ok = false;
    double d = 0;
    if (V.typeId() == QMetaType::QString || V.typeId() == QMetaType::QByteArray) {
        const QString s = V.toString().trimmed();
        d = s.toDouble(&ok);
        if (!ok)
            d = QLocale().toDouble(s, &ok);
    } else if (V.typeId() == QMetaType::Bool) {
        d = V.toBool() ? 1 : 0;
        ok = true;
    } else {
        d = V.toDouble(&ok);
    }
    if (!ok || !std::isfinite(d))
        return false;
    *out = d;
    return true;
}

} // namespace

double VarToFloatDef(const QVariant &V, double Default)
{
    double d = 0;
    return variantToDouble(V, &d) ? d : Default;
}

int VarToValueDef(const QVariant &V, int Default)
{
    switch (V.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        if (!V.isNull())
            return V.toInt();
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong: {
        if (V.isNull())
            return Default;
        bool ok = false;
        const qlonglong v = V.toLongLong(&ok);
        if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            return Default;
        if (V.typeId() == QMetaType::ULongLong && V.toULongLong() > quint64(std::numeric_limits<int>::max()))
            return Default;
        return int(v);
    }
    default:
        break;
    }
    double d = 0;
    if (!variantToDouble(V, &d))
        return Default;
    d = std::nearbyint(d); // the default rounding mode: halves to even
    if (d < double(std::numeric_limits<int>::min()) || d > double(std::numeric_limits<int>::max()))
        return Default;
    return int(d);
}

QDateTime VarToDateTimeDef(const QVariant &V, const QDateTime &Default)
{
    if (!V.isValid() || V.isNull())
        return Default;
    switch (V.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = V.toDateTime();
        return dt.isValid() ? dt : Default;
    }
    case QMetaType::QDate: {
        const QDate d = V.toDate();
        return d.isValid() ? d.startOfDay() : Default;
    }
    case QMetaType::QTime: {
        // A time alone is a time on day zero of the date-time scale.
        const QTime t = V.toTime();
        return t.isValid() ? QDateTime(QDate(1899, 12, 30), t) : Default;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString s = V.toString().trimmed();
        QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid())
            dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid()) {
            // The server's ISO style: "2024-01-02 10:20:30.123+09".
            QString t = s;
            if (t.size() > 10 && t[10] == QLatin1Char(' '))
                t[10] = QLatin1Char('T');
            static const QRegularExpression shortZone(QStringLiteral("([+-]\\d\\d)$"));
            t.replace(shortZone, QStringLiteral("\\1:00"));
            dt = QDateTime::fromString(t, Qt::ISODateWithMs);
        }
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(s, Qt::ISODate);
            if (d.isValid())
                dt = d.startOfDay();
        }
        return dt.isValid() ? dt : Default;
    }
    default:
        return Default;
    }
}

QString SanitizeFileName(const QString &Text)
{
    static const QString forbidden = QStringLiteral("/*?\\:<>\"|");
    QString out;
    out.reserve(Text.size());
    for (QChar c : Text) {
        if (c.unicode() == 0 || forbidden.contains(c))
            continue;
        out.append(c);
    }
    if (out == QLatin1String(".") || out == QLatin1String(".."))
        out.fill(QLatin1Char('_'));
    return out;
}

QString MakeUniqueFileName(const QString &FileName)
{
    if (!QFileInfo::exists(FileName))
        return FileName;
    // The extension starts at the last dot after the last path separator.
    const qsizetype slash = FileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash ? FileName.left(dot) : FileName;
    const QString ext = dot > slash ? FileName.mid(dot) : QString();
    for (qint64 i = 1;; ++i) {
        const QString candidate = base + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')) + ext;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

tv::text::Encoding GetFileEncoding()
{
    switch (tvOption.Encoding) {
    case 1:
        return tv::text::Encoding::Utf7;
    case 2:
        return tv::text::Encoding::Utf8;
    case 3:
        return tv::text::Encoding::Utf16LE;
    case 4:
        return tv::text::Encoding::Utf16BE;
    default:
        return tv::text::Encoding::Ansi;
    }
}

void RemoveEmptyLines(QStringList &List, bool NullLine)
{
    if (!NullLine)
        return;
    List.removeIf([](const QString &s) { return s.isEmpty(); });
}

void FindPostgreSQLLocation()
{
    if (!PostgreSQLLocation.isEmpty())
        return;
    QString binDir;
    const QString pgConfig = QStandardPaths::findExecutable(QStringLiteral("pg_config"));
    if (!pgConfig.isEmpty()) {
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(pgConfig, {QStringLiteral("--bindir")}, QIODevice::ReadOnly);
        p.closeWriteChannel();
        if (p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            binDir = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
        else
            p.kill();
        if (!binDir.isEmpty() && !QFileInfo(binDir).isDir())
            binDir.clear();
    }
    if (binDir.isEmpty()) {
        const QString pgDump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
        if (!pgDump.isEmpty())
            binDir = QFileInfo(pgDump).canonicalPath();
    }
    if (binDir.isEmpty())
        return;
    QDir dir(binDir);
    if (dir.dirName() == QLatin1String("bin"))
        dir.cdUp();
    PostgreSQLLocation = dir.absolutePath();
}
