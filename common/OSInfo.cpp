#include "common/OSInfo.h"

#include <QFile>
#include <QStringList>
#include <QSysInfo>

#include <sys/utsname.h>

#include <exception>

namespace {

QString Unquote(const QString &raw)
{
    const QString value = raw.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
        return value.mid(1, value.size() - 2);
    if (!value.startsWith(QLatin1Char('"')))
        return value;
    QString out;
    for (qsizetype i = 1; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('"'))
            break;
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            out += value.at(++i);
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

QMap<QString, QString> ParseOsRelease(const QString &text)
{
    QMap<QString, QString> fields;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        fields.insert(key, Unquote(line.mid(eq + 1)));
    }
    return fields;
}

bool ParseKernelRelease(const QString &release, int *major, int *minor, int *build)
{
    int parts[3] = {0, 0, 0};
    qsizetype i = 0;
    const qsizetype n = release.size();
    if (n == 0 || !release.at(0).isDigit())
        return false;
    for (int part = 0; part < 3 && i < n && release.at(i).isDigit(); ++part) {
        int value = 0;
        while (i < n && release.at(i).isDigit() && value < 100000000)
            value = value * 10 + release.at(i++).digitValue();
        parts[part] = value;
        if (i < n && release.at(i) == QLatin1Char('.'))
            ++i;
        else
            break;
    }
    *major = parts[0];
    *minor = parts[1];
    *build = parts[2];
    return true;
}

TOSVersionInfo ReadOSVersionInfo(const QString &osReleasePath)
{
    TOSVersionInfo info;
    const QStringList candidates = osReleasePath.isEmpty()
                                       ? QStringList{QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")}
                                       : QStringList{osReleasePath};
    for (const QString &path : candidates) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            info.Release = ParseOsRelease(QString::fromUtf8(file.readAll()));
            break;
        }
    }
    struct utsname names {};
    if (uname(&names) == 0) {
        info.SystemName = QString::fromLocal8Bit(names.sysname);
        info.KernelRelease = QString::fromLocal8Bit(names.release);
    } else {
        info.KernelRelease = QSysInfo::kernelVersion();
    }
    if (!ParseKernelRelease(info.KernelRelease, &info.Major, &info.Minor, &info.Build))
        info.Major = info.Minor = info.Build = -1;
    info.Architecture = QSysInfo::currentCpuArchitecture();
    return info;
}

QString OSVersionName(const TOSVersionInfo &info, const QString &Default)
{
    const QString pretty = info.Release.value(QStringLiteral("PRETTY_NAME")).trimmed();
    if (!pretty.isEmpty())
        return pretty;
    const QString name = info.Release.value(QStringLiteral("NAME")).trimmed();
    if (name.isEmpty())
        return Default;
    const QString version = info.Release.value(QStringLiteral("VERSION_ID")).trimmed();
    return version.isEmpty() ? name : name + QLatin1Char(' ') + version;
}

QString GetWindowsVersionName(const QString &Default)
{
    try {
        return OSVersionName(ReadOSVersionInfo(), Default);
    } catch (const std::exception &) {
        return Default;
    }
}

QString OSDescription(const TOSVersionInfo &info, quint8 Kind, const QString &Default)
{
    switch (Kind) {
    case 0: {
        const QString arch = info.Architecture;
        if (arch == QLatin1String("x86_64") || arch == QLatin1String("arm64") || arch.endsWith(QLatin1String("64")))
            return QStringLiteral("64ビット");
        if (arch == QLatin1String("i386") || arch == QLatin1String("arm"))
            return QStringLiteral("32ビット");
        return Default;
    }
    case 4:
        return OSVersionName(info, QStringLiteral("Unknown"));
    case 5:
        return info.SystemName.isEmpty() ? Default : info.SystemName;
    default:
        break;
    }
    if (Kind > 9 || !info.HasVersion())
        return Default;
    switch (Kind) {
    case 1: return QString::number(info.Build);
    case 2: return QString::number(info.Major);
    case 3: return QString::number(info.Minor);
    case 6: return QStringLiteral("0.0"); // there are no service packs
    case 7:
    case 8: return QStringLiteral("0");
    case 9:
        return QStringLiteral("%1.%2.%3").arg(info.Major).arg(info.Minor).arg(info.Build);
    default: return Default;
    }
}

QString GetOSDescription(quint8 Kind, const QString &Default)
{
    try {
        return OSDescription(ReadOSVersionInfo(), Kind, Default);
    } catch (const std::exception &) {
        return Default;
    }
}
