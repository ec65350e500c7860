#include "tools/DataGenFile.h"

#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/text/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString kUnsupported = QStringLiteral("このバージョンのファイルには対応していません。");

// An existing entry of Dir whose name equals Name without regard to case;
// else Dir/Name.
QString Caseless(const QString &Dir, const QString &Name)
{
    const QDir d(Dir);
    if (d.exists(Name))
        return d.filePath(Name);
    for (const QString &e : d.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
        if (e.compare(Name, Qt::CaseInsensitive) == 0)
            return d.filePath(e);
    return d.filePath(Name);
}

QString LinesText(const QStringList &Lines)
{
    QString s;
    for (const QString &l : Lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

QStringList TextLines(const QString &Text)
{
    if (Text.isEmpty())
        return {};
    QString t = Text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    if (t.endsWith(u'\n'))
        t.chop(1);
    return t.split(u'\n');
}

QString DateAttr(const QDateTime &v)
{
    if (!v.isValid())
        return QString();
    if (v.time() == QTime(0, 0))
        return v.toString(QStringLiteral("yyyy/MM/dd"));
    return v.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QDateTime ReadDate(const QString &s)
{
    for (const char *f : {"yyyy/MM/dd HH:mm:ss", "yyyy/M/d H:m:s", "yyyy/MM/dd", "yyyy/M/d"}) {
        QDateTime v = QDateTime::fromString(s.trimmed(), QString::fromLatin1(f));
        if (v.isValid())
            return v;
    }
    return QDateTime();
}

int ReadInt(const QXmlStreamAttributes &a, const char *name)
{
    bool ok = false;
    const qint64 v = a.value(QLatin1String(name)).toString().trimmed().toLongLong(&ok);
    return ok ? int(std::clamp<qint64>(v, INT_MIN, INT_MAX)) : 0;
}

qint64 ReadInt64(const QXmlStreamAttributes &a, const char *name)
{
    bool ok = false;
    const qint64 v = a.value(QLatin1String(name)).toString().trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

double ReadNum(const QXmlStreamAttributes &a, const char *name)
{
    bool ok = false;
    const double v = a.value(QLatin1String(name)).toString().trimmed().toDouble(&ok);
    return ok ? v : 0;
}

bool ReadBool(const QXmlStreamAttributes &a, const char *name)
{
    const QString s = a.value(QLatin1String(name)).toString().trimmed();
    bool ok = false;
    const int v = s.toInt(&ok);
    return (ok && v != 0) || s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
}

QString Attr(const QXmlStreamAttributes &a, const char *name)
{
    return a.value(QLatin1String(name)).toString();
}

} // namespace

QString DataGenDir()
{
    return Caseless(tv::settings::DataDir(), QStringLiteral("DATAGEN"));
}

QString ParamFileName(const QString &Table)
{
    return Caseless(DataGenDir(), SanitizeFileName(Table + QStringLiteral(".prm")));
}

void SaveParamFile(const TDataGenJob &Job, const QString &Path)
{
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly))
        throw tv::Error(Path + QStringLiteral(": ") + file.errorString());
    QXmlStreamWriter w(&file);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("TVDOC"));
    w.writeAttribute(QStringLiteral("TVDOC-VERSION"), QStringLiteral("2"));
    w.writeStartElement(QStringLiteral("DATAGEN"));
    w.writeAttribute(QStringLiteral("MODE"), QString::number(int(Job.Mode)));
    w.writeAttribute(QStringLiteral("COUNT"), QString::number(Job.Count));
    w.writeAttribute(QStringLiteral("MASTOWNER"), Job.MastOwner);
    w.writeAttribute(QStringLiteral("MASTTABLE"), Job.MastTable);
    w.writeAttribute(QStringLiteral("COUNTF"), QString::number(Job.CountFrom));
    w.writeAttribute(QStringLiteral("COUNTT"), QString::number(Job.CountTo));
    w.writeAttribute(QStringLiteral("UPDWHERE"), LinesText(TextLines(Job.Where)));
    for (int i = 0; i < Job.Cols.size(); ++i) {
        const TColParams &c = Job.Cols.at(i);
        w.writeStartElement(QStringLiteral("COL%1").arg(i));
        w.writeAttribute(QStringLiteral("NAME"), c.ColumnName);
        w.writeAttribute(QStringLiteral("SETTYPE"), QString::number(int(c.SetType)));
        w.writeAttribute(QStringLiteral("NULLPAR"), QString::number(c.NullPar));
        w.writeAttribute(QStringLiteral("NUMFROM"), GeneralText(c.NumFrom));
        w.writeAttribute(QStringLiteral("NUMTO"), GeneralText(c.NumTo));
        w.writeAttribute(QStringLiteral("MARUME"), GeneralText(c.Marume));
        w.writeAttribute(QStringLiteral("STRTYPE"), QString::number(c.StrType));
        w.writeAttribute(QStringLiteral("STRFULL"), c.StrFull ? QStringLiteral("1") : QStringLiteral("0"));
        w.writeAttribute(QStringLiteral("FLGPREFIX"), c.FlgPrefix ? QStringLiteral("true") : QStringLiteral("false"));
        w.writeAttribute(QStringLiteral("STRPREFIX"), c.StrPrefix);
        w.writeAttribute(QStringLiteral("STRDIGIT"), c.StrDigit);
        w.writeAttribute(QStringLiteral("DATEFROM"), DateAttr(c.DateFrom));
        w.writeAttribute(QStringLiteral("DATETO"), DateAttr(c.DateTo));
        w.writeAttribute(QStringLiteral("VARIABLE"), LinesText(c.Variable));
        w.writeAttribute(QStringLiteral("TEMP1"), c.TemplateName1);
        w.writeAttribute(QStringLiteral("TEMP2"), c.TemplateName2);
        w.writeAttribute(QStringLiteral("TEMPSEP"), c.TemplateSep);
        w.writeAttribute(QStringLiteral("LINKOWNER"), c.LinkOwner);
        w.writeAttribute(QStringLiteral("LINKTABLE"), c.LinkTable);
        w.writeAttribute(QStringLiteral("LINKCOLUMN"), c.LinkColumn);
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    if (w.hasError() || !file.commit())
        throw tv::Error(Path + QStringLiteral(": ") + file.errorString());
}

void LoadParamFile(TDataGenJob &Job, const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        throw tv::Error(Path + QStringLiteral(": ") + file.errorString());
    QXmlStreamReader r(&file);
    if (!r.readNextStartElement())
        throw tv::Error(r.hasError() ? Path + QStringLiteral(": ") + r.errorString() : kUnsupported);
    if (r.name() != u"TVDOC")
        throw tv::Error(kUnsupported);
    bool ok = false;
    double version = r.attributes().value(QStringLiteral("TVDOC-VERSION")).toString().trimmed().toDouble(&ok);
    if (!ok)
        version = 99.9;
    if (version > 2)
        throw tv::Error(kUnsupported);

    // Read into a copy: a broken file changes nothing.
    TDataGenJob job = Job;
    for (TColParams &c : job.Cols)
        c.ClearRule();
    while (r.readNextStartElement()) {
        if (r.name() != u"DATAGEN") {
            r.skipCurrentElement();
            continue;
        }
        const QXmlStreamAttributes a = r.attributes();
        const int mode = ReadInt(a, "MODE");
        if (mode >= 0 && mode <= 2 && a.hasAttribute(QStringLiteral("MODE")))
            job.Mode = TDataGenMode(mode);
        job.Count = ReadInt64(a, "COUNT");
        job.CountFrom = ReadInt64(a, "COUNTF");
        job.CountTo = ReadInt64(a, "COUNTT");
        job.MastOwner = Attr(a, "MASTOWNER");
        job.MastTable = Attr(a, "MASTTABLE");
        job.Where = TextLines(Attr(a, "UPDWHERE")).join(u'\n');
        while (r.readNextStartElement()) {
            const QXmlStreamAttributes ca = r.attributes();
            const QString name = version >= 2 ? Attr(ca, "NAME") : r.name().toString();
            const int at = job.IndexOf(name);
            if (at >= 0) {
                TColParams &c = job.Cols[at];
                const int kind = ReadInt(ca, "SETTYPE");
                c.SetType = kind >= 0 && kind < kSetTypeCount ? TSetType(kind) : stNone;
                c.NullPar = ReadInt(ca, "NULLPAR");
                c.NumFrom = ReadNum(ca, "NUMFROM");
                c.NumTo = ReadNum(ca, "NUMTO");
                c.Marume = ReadNum(ca, "MARUME");
                c.StrType = ReadInt(ca, "STRTYPE");
                c.StrFull = ReadBool(ca, "STRFULL");
                c.FlgPrefix = ReadBool(ca, "FLGPREFIX");
                c.StrPrefix = Attr(ca, "STRPREFIX");
                c.StrDigit = Attr(ca, "STRDIGIT");
                c.DateFrom = ReadDate(Attr(ca, "DATEFROM"));
                c.DateTo = ReadDate(Attr(ca, "DATETO"));
                c.Variable = TextLines(Attr(ca, "VARIABLE"));
                c.TemplateName1 = Attr(ca, "TEMP1");
                c.TemplateName2 = Attr(ca, "TEMP2");
                c.TemplateSep = Attr(ca, "TEMPSEP");
                c.LinkOwner = Attr(ca, "LINKOWNER");
                c.LinkTable = Attr(ca, "LINKTABLE");
                c.LinkColumn = Attr(ca, "LINKCOLUMN");
                if (c.SetType == stVar)
                    c.NullPar = 0;
            }
            r.skipCurrentElement();
        }
    }
    if (r.hasError())
        throw tv::Error(Path + QStringLiteral(": ") + r.errorString());
    Job = job;
}

QStringList TemplateNames(bool UseLowerName)
{
    QStringList names{QString()};
    const QDir d(DataGenDir());
    for (const QFileInfo &f : d.entryInfoList(QDir::Files)) {
        if (f.suffix().compare(QStringLiteral("txt"), Qt::CaseInsensitive) != 0)
            continue;
        names << (UseLowerName ? f.completeBaseName() : f.completeBaseName().toUpper());
    }
    return names;
}

void LoadTemplates(TDataGenJob &Job)
{
    const QString dir = DataGenDir();
    for (TColParams &c : Job.Cols) {
        if (c.SetType != stTemplate)
            continue;
        const auto load = [&dir](const QString &name, QStringList &lines) {
            if (name.isEmpty())
                return;
            QString text;
            if (tv::text::ReadTextFile(Caseless(dir, name + QStringLiteral(".txt")), GetFileEncoding(), &text))
                lines = TextLines(text);
        };
        load(c.TemplateName1, c.Template1);
        load(c.TemplateName2, c.Template2);
    }
}
