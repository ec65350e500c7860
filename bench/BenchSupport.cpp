#include "BenchSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cstdio>

namespace tvbench {

double timePsql(const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("psql"), QStringList{QStringLiteral("-X")} + args);
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

long long peakRssBytes()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

void printBeside(const std::string &what, double ours, double psql)
{
    if (psql > 0)
        std::printf("%s: ours %.3f s, psql %.3f s, ratio %.2f\n", what.c_str(), ours, psql, ours / psql);
    else
        std::printf("%s: ours %.3f s (psql not available)\n", what.c_str(), ours);
    std::fflush(stdout);
}

} // namespace tvbench
