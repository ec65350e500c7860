#include "sql/XlsDefinition.h"

#include "platform/Errors.h"
#include "platform/settings/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace xlsdef {

namespace {

int IntAttr(const QXmlStreamAttributes &a, const char *name)
{
    bool ok = false;
    const int v = a.value(QLatin1String(name)).toString().trimmed().toInt(&ok);
    return ok ? v : 0;
}

const QString kBadFormat = QStringLiteral("指定されたファイルの形式を認識できません。");
const QString kBadVersion = QStringLiteral("このバージョンのファイルには対応していません。");

} // namespace

QString Folder()
{
    return tv::settings::DataDir() + QStringLiteral("xlsdef/");
}

QString FileOf(const QString &name)
{
    return Folder() + name + QStringLiteral(".def");
}

QStringList ListNames()
{
    QStringList names;
    const QDir dir(Folder());
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        if (fi.suffix().compare(QLatin1String("def"), Qt::CaseInsensitive) == 0)
            names.append(fi.completeBaseName());
    return names;
}

TReportDefinition ReadDefinition(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw tv::Error(kBadFormat);
    const QByteArray data = f.readAll();
    {
        // Well-formed as a whole first.
        QXmlStreamReader check(data);
        while (!check.atEnd())
            check.readNext();
        if (check.hasError())
            throw tv::Error(kBadFormat);
    }
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement())
        throw tv::Error(kBadFormat);
    if (xml.name() != QLatin1String("TVDOC"))
        throw tv::Error(kBadVersion);
    const QXmlStreamAttributes root = xml.attributes();
    if (!root.hasAttribute(QLatin1String("TVDOC-VERSION")))
        throw tv::Error(kBadVersion);
    bool ok = false;
    const double version = root.value(QLatin1String("TVDOC-VERSION")).toString().trimmed().toDouble(&ok);
    if (!ok || version > 2)
        throw tv::Error(kBadVersion);

    TReportDefinition def;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("XLSDEF")) {
            xml.skipCurrentElement();
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        def.XlsFile = a.value(QLatin1String("XLSFILE")).toString();
        def.BodyTop = IntAttr(a, "BODYTOP");
        def.BodyCount = IntAttr(a, "BODYCOUNT");
        def.OutputType = IntAttr(a, "OUTPUTTYPE");
        def.Type = a.value(QLatin1String("TYPE")).toString();
        while (xml.readNextStartElement()) {
            QList<TReportLine> *part = nullptr;
            if (xml.name() == QLatin1String("HEADER"))
                part = &def.Header;
            else if (xml.name() == QLatin1String("BODY"))
                part = &def.Body;
            else if (xml.name() == QLatin1String("BODY2"))
                part = &def.Body2;
            if (part) {
                const QXmlStreamAttributes l = xml.attributes();
                part->append({l.value(QLatin1String("NAME")).toString(), IntAttr(l, "ROW"), IntAttr(l, "COL")});
            }
            xml.skipCurrentElement();
        }
    }
    return def;
}

void WriteDefinition(const QString &path, const TReportDefinition &def)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw tv::Error(QStringLiteral("ファイルを作成できません: ") + path);
    QXmlStreamWriter xml(&f);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("TVDOC"));
    xml.writeAttribute(QStringLiteral("TVDOC-VERSION"), QStringLiteral("2"));
    xml.writeStartElement(QStringLiteral("XLSDEF"));
    xml.writeAttribute(QStringLiteral("XLSFILE"), def.XlsFile);
    xml.writeAttribute(QStringLiteral("BODYTOP"), QString::number(def.BodyTop));
    xml.writeAttribute(QStringLiteral("BODYCOUNT"), QString::number(def.BodyCount));
    xml.writeAttribute(QStringLiteral("OUTPUTTYPE"), QString::number(def.OutputType));
    xml.writeAttribute(QStringLiteral("TYPE"), def.Type);
    const std::pair<const char *, const QList<TReportLine> *> parts[] = {
        {"HEADER", &def.Header}, {"BODY", &def.Body}, {"BODY2", &def.Body2}};
    for (const auto &[tag, lines] : parts) {
        for (const TReportLine &l : *lines) {
            xml.writeStartElement(QLatin1String(tag));
            xml.writeAttribute(QStringLiteral("NAME"), l.Name);
            xml.writeAttribute(QStringLiteral("ROW"), QString::number(l.Row));
            xml.writeAttribute(QStringLiteral("COL"), QString::number(l.Col));
            xml.writeEndElement();
        }
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !f.commit())
        throw tv::Error(QStringLiteral("ファイルを書き込めません: ") + path);
}

QString ProposeName(const QString &caption, const QStringList &taken)
{
    auto isTaken = [&](const QString &n) { return taken.contains(n, Qt::CaseInsensitive); };
    if (!isTaken(caption))
        return caption;
    for (int k = 1;; ++k) {
        const QString n = caption + QString::number(k);
        if (!isTaken(n))
            return n;
    }
}

} // namespace xlsdef
