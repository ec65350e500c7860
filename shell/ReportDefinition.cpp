#include "shell/ReportDefinition.h"

#include "platform/settings/Folders.h"

#include <QFileInfo>

#include <algorithm>

int TReportDefinition::EntryRows() const
{
    int l = 1;
    for (const QList<TReportLine> *part : {&Body, &Body2})
        for (const TReportLine &line : *part)
            l = std::max(l, line.Row);
    return l;
}

int TReportDefinition::EntryRow(int entry, int lineRow) const
{
    return BodyTop + entry * EntryRows() + lineRow - 1;
}

int TReportDefinition::BlockCount(int entries) const
{
    const int per = std::max(1, BodyCount);
    return std::max(1, (entries + per - 1) / per);
}

int TReportDefinition::BlockStart(int block) const
{
    return BodyTop + block * std::max(1, BodyCount) * EntryRows();
}

QString ReportFormFile(const QString &xlsFile, const QString &outputExt)
{
    if (xlsFile.trimmed().isEmpty())
        return QString();
    QString path = xlsFile;
    if (!path.contains(u'/') && !path.contains(u'\\'))
        path = tv::settings::DataDir() + QStringLiteral("xlsdef/") + path;
    const QFileInfo fi(path);
    const QString withExt = fi.path() + u'/' + fi.completeBaseName() + outputExt.toLower();
    if (QFileInfo(withExt).isFile())
        return withExt;
    const QString upper = fi.path() + u'/' + fi.completeBaseName() + outputExt;
    if (QFileInfo(upper).isFile())
        return upper;
    return fi.isFile() ? path : QString();
}

namespace {
TReportServices &Services()
{
    static TReportServices services;
    return services;
}
} // namespace

void RegisterReportServices(const TReportServices &services)
{
    Services() = services;
}

const TReportServices &ReportServices()
{
    return Services();
}
