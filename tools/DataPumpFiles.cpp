#include "tools/DataPumpFiles.h"

#include "platform/Errors.h"
#include "platform/text/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

namespace {

void AddQuotedList(QStringList &out, const QString &head, const QStringList &items)
{
    out << head;
    for (int i = 0; i < items.size(); ++i)
        out << QLatin1Char('"') + items[i].trimmed() + QLatin1Char('"') + (i + 1 < items.size() ? QStringLiteral(",") : QString());
    out << QStringLiteral(")");
}

void AddCommonLines(QStringList &out, const TDataPumpChoices &C)
{
    out << QStringLiteral("DUMPFILE=\"") + DataPumpDirPrefix(C.DirObj) + C.File + QLatin1Char('"');
    if (C.Log)
        out << QStringLiteral("LOGFILE=\"") + DataPumpDirPrefix(C.LogDirObj) + C.LogFile + QLatin1Char('"');
    if (!C.Grants)
        out << QStringLiteral("EXCLUDE=GRANT");
    if (!C.Indexes)
        out << QStringLiteral("EXCLUDE=INDEX");
    out << (C.Rows ? QStringLiteral("CONTENT=ALL") : QStringLiteral("CONTENT=METADATA_ONLY"));
    if (!C.Constraints)
        out << QStringLiteral("EXCLUDE=CONSTRAINT");
}

void AddTables(QStringList &out, const QStringList &tables)
{
    out << QStringLiteral("TABLES=(");
    for (int i = 0; i < tables.size(); ++i)
        out << DataPumpTableLine(tables[i], i + 1 == tables.size());
    out << QStringLiteral(")");
}

} // namespace

QString DataPumpDirPrefix(const QString &DirObj)
{
    return DirObj.isEmpty() ? QString() : DirObj + QLatin1Char(':');
}

QString DataPumpTableLine(const QString &Entry, bool Last)
{
    const QString comma = Last ? QString() : QStringLiteral(",");
    if (Entry == Entry.toUpper())
        return QLatin1Char('"') + Entry.trimmed() + QLatin1Char('"') + comma;
    const QString q = QStringLiteral("\\\"");
    const qsizetype dot = Entry.indexOf(QLatin1Char('.'));
    const QString owner = dot < 0 ? QString() : Entry.left(dot).trimmed();
    const QString table = dot < 0 ? Entry.trimmed() : Entry.mid(dot + 1).trimmed();
    if (owner.isEmpty())
        return q + table + q + comma;
    return q + owner + q + QLatin1Char('.') + q + table + q + comma;
}

QStringList ExpdpParameterLines(const TDataPumpChoices &C)
{
    QStringList out;
    AddCommonLines(out, C);
    switch (C.Mode) {
    case 0:
        out << QStringLiteral("FULL=Y");
        break;
    case 1:
        AddQuotedList(out, QStringLiteral("SCHEMAS=("), C.Objects);
        break;
    case 2:
        AddTables(out, C.Objects);
        break;
    case 3:
        AddQuotedList(out, QStringLiteral("TABLESPACES=("), C.Objects);
        break;
    default:
        break;
    }
    return out;
}

QStringList ImpdpParameterLines(const TDataPumpChoices &C)
{
    QStringList out;
    AddCommonLines(out, C);
    if (!C.IndexFile.trimmed().isEmpty())
        out << QStringLiteral("SQLFILE=\"") + DataPumpDirPrefix(C.InfoDirObj) + C.IndexFile + QLatin1Char('"');
    if (C.TableExists) {
        static const char *const actions[] = {"SKIP", "APPEND", "TRUNCATE", "REPLACE"};
        if (C.TableExistsItem >= 0 && C.TableExistsItem < 4)
            out << QStringLiteral("TABLE_EXISTS_ACTION=") + QLatin1String(actions[C.TableExistsItem]);
    }
    out << (C.ReuseDatafiles ? QStringLiteral("REUSE_DATAFILES=Y") : QStringLiteral("REUSE_DATAFILES=N"));
    if (C.Mode == 0)
        out << QStringLiteral("FULL=Y");
    if (C.Mode == 1 || C.Mode == 2) {
        for (const QString &e : C.UserMap)
            out << QStringLiteral("REMAP_SCHEMA=") + DataPumpRemapSource(e) + QLatin1Char(':') + DataPumpRemapTarget(e);
    }
    if (C.Mode == 2)
        AddTables(out, C.Tables);
    return out;
}

QString DataPumpRemapEntry(const QString &From, const QString &To)
{
    return From.leftJustified(30, QLatin1Char(' ')) + QStringLiteral(" → ") + To;
}

QString DataPumpRemapSource(const QString &Entry)
{
    const qsizetype arrow = Entry.indexOf(QStringLiteral("→"));
    return (arrow < 0 ? Entry : Entry.left(arrow)).trimmed();
}

QString DataPumpRemapTarget(const QString &Entry)
{
    const qsizetype arrow = Entry.indexOf(QStringLiteral("→"));
    return arrow < 0 ? QString() : Entry.mid(arrow + 2).trimmed();
}

QString WriteDataPumpParameterFile(const QString &Folder, const QString &Name, const QStringList &Lines)
{
    QString folder = Folder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (!folder.isEmpty() && !QDir().mkpath(folder))
        throw tv::Error(QStringLiteral("フォルダを作成できません: ") + folder);
    const QString path = folder + Name;
    QString text;
    for (const QString &l : Lines)
        text += l + QStringLiteral("\r\n");
    QString error;
    if (!tv::text::WriteTextFile(path, text, tv::text::Encoding::Ansi, false, &error))
        throw tv::Error(path + QStringLiteral(": ") + error);
    return path;
}

QString DataPumpConnectText(const QString &User, const QString &Database, const QString &AuthMode)
{
    QString text = User + QLatin1Char('@') + Database;
    if (!AuthMode.isEmpty() && AuthMode.toUpper() != QLatin1String("NORMAL"))
        text += QStringLiteral(" AS ") + AuthMode;
    text.remove(QStringLiteral("@<LOCAL>"));
    return text;
}

tv::process::ProcessRequest DataPumpRequest(const TDataPumpCommand &Command, const QString &NlsLang)
{
    tv::process::ProcessRequest r;
    r.program = Command.Program;
    r.arguments = Command.Arguments;
    if (!NlsLang.isEmpty())
        r.environment << qMakePair(QStringLiteral("NLS_LANG"), NlsLang);
    if (!Command.Password.isEmpty())
        r.standardInput = Command.Password + QLatin1Char('\n');
    return r;
}

bool StartDataPumpDetached(const TDataPumpCommand &Command, const QString &NlsLang, QString *Error)
{
    QProcess proc;
    proc.setProgram(Command.Program);
    proc.setArguments(Command.Arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!NlsLang.isEmpty())
        env.insert(QStringLiteral("NLS_LANG"), NlsLang);
    proc.setProcessEnvironment(env);
    proc.setStandardOutputFile(QProcess::nullDevice());
    proc.setStandardErrorFile(QProcess::nullDevice());
    // The password line through a private file the child opens as its input
    // before it starts; the file goes right after the start.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/talvex-dp-XXXXXX"));
    if (!Command.Password.isEmpty()) {
        if (!dir.isValid()) {
            if (Error)
                *Error = dir.errorString();
            return false;
        }
        const QString path = dir.filePath(QStringLiteral("in"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
            if (Error)
                *Error = f.errorString();
            return false;
        }
        f.write((Command.Password + QLatin1Char('\n')).toLocal8Bit());
        f.close();
        proc.setStandardInputFile(path);
    } else {
        proc.setStandardInputFile(QProcess::nullDevice());
    }
    const bool ok = proc.startDetached();
    if (!ok && Error)
        *Error = proc.errorString();
    return ok;
}

// ---------------------------------------------------------------------------
// Scanner

namespace {
const char kMarker[] = "\nCREATE TABLE ";
constexpr qsizetype kMarkerLen = sizeof(kMarker) - 1;
} // namespace

void TDumpSqlScanner::ScanFile(const QString &FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw tv::Error(FileName + QStringLiteral(": ") + f.errorString());
    Tables.clear();
    Users.clear();
    FTableSet.clear();
    FUserSet.clear();
    // The carried bytes stay at the front of the buffer and each block is
    // read right behind them.
    QByteArray buf;
    qsizetype carried = 0;
    for (;;) {
        if (buf.size() < carried + BlockSize)
            buf.resize(carried + BlockSize);
        const qint64 n = f.read(buf.data() + carried, BlockSize);
        if (n < 0)
            throw tv::Error(FileName + QStringLiteral(": ") + f.errorString());
        const bool last = n < BlockSize;
        const qsizetype len = carried + n;
        const qsizetype keep = Feed(buf.constData(), len, last);
        if (keep > 0)
            memmove(buf.data(), buf.constData() + len - keep, size_t(keep));
        carried = keep;
        if (last || (Stop && Stop()))
            break;
    }
    Finish();
}

void TDumpSqlScanner::ScanBytes(const QByteArray &Data)
{
    Tables.clear();
    Users.clear();
    FTableSet.clear();
    FUserSet.clear();
    QByteArray buf;
    qsizetype carried = 0, at = 0;
    for (;;) {
        const qsizetype n = std::min<qsizetype>(BlockSize, Data.size() - at);
        buf.resize(carried + n);
        memcpy(buf.data() + carried, Data.constData() + at, size_t(n));
        at += n;
        const bool last = n < BlockSize;
        const qsizetype keep = Feed(buf.constData(), buf.size(), last);
        if (keep > 0)
            memmove(buf.data(), buf.constData() + buf.size() - keep, size_t(keep));
        carried = keep;
        if (last || (Stop && Stop()))
            break;
    }
    Finish();
}

qsizetype TDumpSqlScanner::Feed(const char *buf, qsizetype len, bool Last)
{
    // LF, the double quote and the blank are never part of a double-byte
    // character of the ANSI code page, so they are found in the bytes as
    // they are, and the name between them decodes alone.
    // Lines are complete up to the last line feed; on the last block, all.
    qsizetype complete = len;
    if (!Last) {
        const void *lf = memrchr(buf, '\n', size_t(len));
        complete = lf ? static_cast<const char *>(lf) - buf : 0;
    }
    qsizetype pos = 0;
    while (pos < complete) {
        const void *hit = memmem(buf + pos, size_t(len - pos), kMarker, size_t(kMarkerLen));
        if (!hit)
            break;
        const qsizetype at = static_cast<const char *>(hit) - buf;
        if (at >= complete)
            break;
        const qsizetype start = at + kMarkerLen;
        pos = start;
        const void *qb = memmem(buf + start, size_t(len - start), "\" ", 2);
        if (!qb)
            continue;
        const qsizetype end = static_cast<const char *>(qb) - buf + 1; // with the quote
        bool ascii = true;
        for (qsizetype i = start; i < end && ascii; ++i)
            ascii = static_cast<unsigned char>(buf[i]) < 0x80;
        QString name = ascii ? QString::fromLatin1(buf + start, end - start)
                             : tv::text::Decode(QByteArray(buf + start, end - start), tv::text::Encoding::Ansi);
        if (name.startsWith(QLatin1Char('"')))
            name.remove(0, 1);
        name.replace(QStringLiteral("\".\""), QStringLiteral("."));
        if (name.endsWith(QLatin1Char('"')))
            name.chop(1);
        if (FTableSet.contains(name))
            continue;
        FTableSet.insert(name);
        Tables << name;
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        const QString user = dot < 0 ? name : name.left(dot);
        if (!FUserSet.contains(user)) {
            FUserSet.insert(user);
            Users << user;
        }
    }
    // Carry the text from the last line feed (the line feed included).
    return Last ? 0 : len - complete;
}

void TDumpSqlScanner::Finish()
{
    Tables.sort();
    Users.sort();
}
