#include "platform/settings/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tv::settings {

namespace {

QString WithSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString OverrideDir()
{
    return qEnvironmentVariable("TALVEX_CONFIG_DIR");
}

// Creates the folder (failure is left to the first file that needs it).
QString Ensure(const QString &dir)
{
    QDir().mkpath(dir);
    return WithSlash(dir);
}

} // namespace

QString ConfigFolder()
{
    const QString over = OverrideDir();
    if (!over.isEmpty())
        return QDir::cleanPath(over);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QLatin1String("/.config");
    return QDir::cleanPath(dir);
}

QString ProgramDir()
{
    QString dir;
    if (QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return WithSlash(dir);
}

QString DataDir()
{
    const QString over = OverrideDir();
    if (!over.isEmpty())
        return Ensure(over);
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return ProgramDir();
    return Ensure(base + QLatin1String("/Quenzor/TVX19"));
}

QString DocumentsDir()
{
    const QString over = OverrideDir();
    if (!over.isEmpty())
        return Ensure(over);
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        return ProgramDir();
    return Ensure(docs);
}

} // namespace tv::settings
