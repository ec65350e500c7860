// The program's start with glibc's heap on huge pages: it restarts itself at
// most once, keeps its arguments and its process name, and leaves the
// environment its own children inherit exactly as it was given.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

bool HugePagesOnRequest()
{
    QFile f(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    return f.open(QIODevice::ReadOnly) && f.readAll().contains("[madvise]");
}

struct Start {
    const char *name;
    const char *given;    // GLIBC_TUNABLES before the start; nullptr: unset
    const char *restart;  // the note of the restart, when huge pages come on request
};

} // namespace

TEST(HeapPages, RestartsOnceKeepingArgumentsAndTheChildrensEnvironment)
{
    const Start cases[] = {
        {"unset", nullptr, "from -"},
        {"empty", "", "from ="},
        {"other switches kept", "glibc.malloc.arena_max=2", "from =glibc.malloc.arena_max=2"},
        {"the user's own choice", "glibc.malloc.hugetlb=0", "no"},
    };
    const bool onRequest = HugePagesOnRequest();
    const QStringList args = {QStringLiteral("-u"), QStringLiteral("two words"), QStringLiteral("日本語"),
                              QString()};
    for (const Start &c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TALVEX_GLIBC_TUNABLES_WAS"));
        if (c.given)
            env.insert(QStringLiteral("GLIBC_TUNABLES"), QString::fromUtf8(c.given));
        else
            env.remove(QStringLiteral("GLIBC_TUNABLES"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TALVEX_HEAP_PROBE), args);
        ASSERT_TRUE(p.waitForFinished(120000));
        ASSERT_EQ(p.exitCode(), 0);
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList expected;
        for (const QString &a : args)
            expected << QStringLiteral("arg=") + a;
        expected << QStringLiteral("now=") + (c.given ? QString::fromUtf8(c.given) : QStringLiteral("<unset>"))
                 << QStringLiteral("mark=<unset>")
                 << QStringLiteral("restarted=") + QString::fromUtf8(onRequest ? c.restart : "no")
                 // what process lists show: the program's file name (cut to 15 bytes by the kernel)
                 << QStringLiteral("name=") + QFileInfo(QStringLiteral(TALVEX_HEAP_PROBE)).fileName().left(15);
        EXPECT_EQ(out.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
    }
}
