#include "shell/UserCommandFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>

namespace {

// The attributes of the first child element `child` of a "TVDOC" root whose
// version is at most 2; nothing for any other file. `missingVersion` is the
// version assumed when the attribute is absent.
std::optional<QXmlStreamAttributes> FirstChild(const QString &path, const QString &child, double missingVersion)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QXmlStreamReader xml(&f);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("TVDOC"))
        return std::nullopt;
    double version = missingVersion;
    const QXmlStreamAttributes rootAttrs = xml.attributes();
    if (rootAttrs.hasAttribute(QLatin1String("TVDOC-VERSION"))) {
        bool ok = false;
        version = rootAttrs.value(QLatin1String("TVDOC-VERSION")).toString().trimmed().toDouble(&ok);
        if (!ok)
            version = 0;
    }
    if (version > 2)
        return std::nullopt;
    while (xml.readNextStartElement()) {
        if (xml.name() == child)
            return xml.attributes();
        xml.skipCurrentElement();
    }
    return std::nullopt;
}

int IntAttr(const QXmlStreamAttributes &a, const char *name)
{
    bool ok = false;
    const int v = a.value(QLatin1String(name)).toString().trimmed().toInt(&ok);
    return ok ? v : 0;
}

} // namespace

QList<TUserCommandFile> ListMenuFiles(const QString &folder, const QString &ext)
{
    QList<TUserCommandFile> files;
    const QDir dir(folder);
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files)) {
        if (!fi.fileName().endsWith(ext, Qt::CaseInsensitive))
            continue;
        TUserCommandFile f;
        f.Name = fi.fileName().left(fi.fileName().size() - ext.size());
        f.Path = fi.absoluteFilePath();
        files.append(f);
    }
    std::stable_sort(files.begin(), files.end(), [](const TUserCommandFile &a, const TUserCommandFile &b) {
        return QString::compare(a.Name, b.Name, Qt::CaseInsensitive) < 0;
    });
    return files;
}

void OrderByKey(QList<TUserCommandFile> &files)
{
    for (qsizetype i = 0; i + 1 < files.size(); ++i) {
        for (qsizetype j = i + 1; j < files.size(); ++j) {
            if (files[j].Key < files[i].Key)
                files.swapItemsAt(i, j);
        }
    }
}

QList<TUserCommandFile> ListUserCommandFiles(const QString &folder)
{
    QList<TUserCommandFile> files = ListMenuFiles(folder, QStringLiteral(".cmd"));
    for (TUserCommandFile &f : files)
        f.Key = ReadUserCommandInfo(f.Path).Seq;
    OrderByKey(files);
    return files;
}

TUserCommandInfo ReadUserCommandInfo(const QString &path)
{
    TUserCommandInfo info;
    const auto attrs = FirstChild(path, QStringLiteral("USERCMD"), 0);
    if (!attrs)
        return info;
    info.Seq = IntAttr(*attrs, "SEQ");
    info.ShortCut = IntAttr(*attrs, "SHORTCUT");
    return info;
}

int ReadReportTag(const QString &path, const std::function<int(const QString &)> &itemIndex)
{
    // A file without a version is refused (99.9 is above every known version).
    const auto attrs = FirstChild(path, QStringLiteral("XLSDEF"), 99.9);
    if (!attrs || !itemIndex)
        return 0;
    const int index = itemIndex(attrs->value(QLatin1String("TYPE")).toString());
    if (index <= 0)
        return 0;
    return IntAttr(*attrs, "OUTPUTTYPE") + 1;
}
