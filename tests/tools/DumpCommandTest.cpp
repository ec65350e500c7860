// The pg_dump and pg_restore command lines as the log shows them and as the
// programs receive them, per server version.
#include "tools/DumpCommand.h"

#include "support/TestDb.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <QDir>

#include <gtest/gtest.h>

namespace {

const TToolConnection kConn{QStringLiteral("H"), QStringLiteral("P"), QStringLiteral("u"), QStringLiteral("db"),
                            QString()};

struct DumpCase {
    const char *name;
    int ver;
    TDumpChoices c;
    const char *display;   // after "pg_dump "
    QStringList args;      // empty: not checked
};

TDumpChoices Dump(int format, int mode, QList<TToolTarget> objs = {})
{
    TDumpChoices c;
    c.Format = format;
    c.Mode = mode;
    c.OutputPath = QStringLiteral("/b/x.dmp");
    c.Objects = objs;
    return c;
}

} // namespace

TEST(DumpCommand, GoldenLinesAndArguments)
{
    QList<DumpCase> cases;
    {
        TDumpChoices c = Dump(1, 2, {{QStringLiteral("public"), QStringLiteral("Orders")}});
        c.Compres = QStringLiteral("5");
        c.Oid = true;
        cases.append({"custom, level 5, one table, Oid on 15", 150000, c,
                      R"(-h H -p P -U "u" -w -v -F c -Z 5 -f "/b/x.dmp" -t "\"public\""."\"Orders\"" "db")",
                      {"-h", "H", "-p", "P", "-U", "u", "-w", "-v", "-F", "c", "-Z", "5", "-f", "/b/x.dmp", "-t",
                       "\"public\".\"Orders\"", "--dbname=db"}});
    }
    {
        TDumpChoices c = Dump(2, 0);
        c.Compres = QStringLiteral("9");
        c.Oid = true;
        c.TimeOut = QStringLiteral(" 0 ");
        cases.append({"tar has no -Z; Oid below 12; timeout 0", 110000, c,
                      R"(-h H -p P -U "u" -w -v -F t -f "/b/x.dmp" -o --lock-wait-timeout=0 "db")",
                      {"-h", "H", "-p", "P", "-U", "u", "-w", "-v", "-F", "t", "-f", "/b/x.dmp", "-o",
                       "--lock-wait-timeout=0", "--dbname=db"}});
    }
    {
        TDumpChoices c = Dump(1, 1, {{QStringLiteral("a\"b"), {}}, {QStringLiteral(" s2 "), {}}});
        c.UseUserID = true;
        c.UserID = QString();
        c.RoleName = QStringLiteral("Admin");
        c.Encoding = QStringLiteral("utf8");
        c.Blobs = c.Grants = c.CreateDataBase = c.PreData = c.PostData = true;
        c.UnlogTbl = c.Securitylbl = c.Quote = c.Serializable = true;
        cases.append({"schemas, empty user id, role, sections, 9.1 pieces", 150000, c,
                      R"(-h H -p P -U "" --role "Admin" -w -v -F c -E utf8 -f "/b/x.dmp" -n "\"a""b\"" -n "\"s2\"" --section pre-data --section post-data -b -x --no-unlogged-table-data --no-security-labels --quote-all-identifiers --serializable-deferrable -C "db")",
                      {"-h", "H", "-p", "P", "-U", "", "--role", "Admin", "-w", "-v", "-F", "c", "-E", "utf8", "-f",
                       "/b/x.dmp", "-n", "\"a\"\"b\"", "-n", "\"s2\"", "--section", "pre-data", "--section",
                       "post-data", "-b", "-x", "--no-unlogged-table-data", "--no-security-labels",
                       "--quote-all-identifiers", "--serializable-deferrable", "-C", "--dbname=db"}});
    }
    {
        TDumpChoices c = Dump(1, 1, {{QStringLiteral("s"), {}}});
        c.PreData = true;
        c.UnlogTbl = c.Quote = true;
        cases.append({"below 9.1: no sections, no 9.1 pieces", 90000, c,
                      R"(-h H -p P -U "u" -w -v -F c -f "/b/x.dmp" -n "\"s\"" "db")", {}});
        c.Ifexists = true;
        cases.append({"9.1: no sections yet", 90100, c,
                      R"(-h H -p P -U "u" -w -v -F c -f "/b/x.dmp" -n "\"s\"" --no-unlogged-table-data --quote-all-identifiers --if-exists "db")",
                      {}});
    }
    {
        TDumpChoices c = Dump(0, 0);
        c.Blobs = c.Owner = c.Tablespaces = c.DropDataBase = c.Data = c.Trigger = true;
        c.ColumnInserts = c.Inserts = c.DollarQuoting = c.Authorization = true;
        cases.append({"plain: -O, tablespaces, -c, triggers; mode 0 no -b", 150000, c,
                      R"(-h H -p P -U "u" -w -v -F p -f "/b/x.dmp" -a -O --no-tablespaces -c --column-inserts --inserts --disable-triggers --disable-dollar-quoting --use-set-session-authorization "db")",
                      {}});
        c.Format = 3;
        c.Compres = QStringLiteral("3");
        cases.append({"directory: none of the plain-only pieces", 150000, c,
                      R"(-h H -p P -U "u" -w -v -F d -Z 3 -f "/b/x.dmp" -a --column-inserts --inserts --disable-dollar-quoting --use-set-session-authorization "db")",
                      {}});
    }
    for (const DumpCase &k : cases) {
        SCOPED_TRACE(k.name);
        const TToolCommand cmd = BuildDumpCommand(QStringLiteral("/pg/bin/pg_dump"), k.c, kConn, k.ver);
        EXPECT_EQ(cmd.Display.toStdString(), std::string("/pg/bin/pg_dump ") + k.display);
        if (!k.args.isEmpty())
            EXPECT_EQ(cmd.Arguments, k.args);
    }
}

TEST(DumpCommand, RestoreGoldenRuns)
{
    struct Case {
        const char *name;
        int ver;
        TRestoreChoices c;
        QStringList displays; // after "pg_restore "
    };
    auto base = [](int format, int mode, QList<TToolTarget> t = {}) {
        TRestoreChoices c;
        c.Format = format;
        c.Mode = mode;
        c.ArchivePath = QStringLiteral("/b/x.dmp");
        c.Targets = t;
        return c;
    };
    QList<Case> cases;
    {
        TRestoreChoices c = base(0, 0);
        c.JobNo = QStringLiteral("4");
        c.Tablespaces = c.Securitylbl = c.Clean = c.Ifexists = c.Error = true;
        cases.append({"jobs without single transaction", 150000, c,
                      {R"(-h H -p P -U "u" -w -v -d "db" -j 4 --no-tablespaces --no-security-labels -c --if-exists -e "/b/x.dmp")"}});
    }
    {
        TRestoreChoices c = base(0, 1, {{QStringLiteral("s1"), {}}, {QStringLiteral("S 2"), {}}});
        c.Transaction = true;
        c.PreData = c.SecData = true;
        c.Owner = c.Grants = c.NoData = c.Authorization = true;
        cases.append({"single transaction, two schemas", 150000, c,
                      {R"(-h H -p P -U "u" -w -v -d "db" --section pre-data --section data -O -x -1 --no-data-for-failed-tables --use-set-session-authorization -n "s1" "/b/x.dmp")",
                       R"(-h H -p P -U "u" -w -v -d "db" --section pre-data --section data -O -x -1 --no-data-for-failed-tables --use-set-session-authorization -n "S 2" "/b/x.dmp")"}});
    }
    {
        TRestoreChoices c = base(1, 2, {{QStringLiteral("public"), QStringLiteral("Orders")}});
        c.JobNo = QStringLiteral("2"); // the window empties it; a stored one never reaches -j with -F d
        c.Tablespaces = c.Data = c.Trigger = c.CreateDataBase = true;
        c.RoleName = QStringLiteral("r");
        c.UseUserID = true;
        c.UserID = QStringLiteral(" v ");
        c.PreData = true;
        c.Securitylbl = true;
        cases.append({"directory, a table, below 9.1", 90000, c,
                      {R"(-h H -p P -U "v" --role "r" -w -v -d "db" -F d -a -C --disable-triggers -n "public" -t "Orders" "/b/x.dmp")"}});
    }
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const QList<TToolCommand> runs = BuildRestoreCommands(QStringLiteral("pg_restore"), k.c, kConn, k.ver);
        ASSERT_EQ(runs.size(), k.displays.size());
        for (int i = 0; i < runs.size(); ++i)
            EXPECT_EQ(runs[i].Display, QStringLiteral("pg_restore ") + k.displays[i]);
    }
    // The arguments: names plain, one argument each; the archive last.
    TRestoreChoices c = base(0, 2, {{QStringLiteral("public"), QStringLiteral("Or ders")}});
    EXPECT_EQ(BuildRestoreCommands(QStringLiteral("pg_restore"), c, kConn, 150000).first().Arguments,
              (QStringList{"-h", "H", "-p", "P", "-U", "u", "-w", "-v", "-d", "db", "-n", "public", "-t", "Or ders",
                           "/b/x.dmp"}));
}

TEST(DumpCommand, PathsAndPasswords)
{
    // Always absolute: a bare name is taken in the current folder, a
    // missing folder stays in the path.
    EXPECT_EQ(ToolPathOf(QStringLiteral("a.dmp")), QDir::currentPath() + QStringLiteral("/a.dmp"));
    EXPECT_EQ(ToolPathOf(QStringLiteral("/no/such/../x/a.dmp")), QStringLiteral("/no/x/a.dmp"));
    EXPECT_EQ(ToolPathOf(QStringLiteral("/tmp/dir/")), QStringLiteral("/tmp/dir"));

    TToolConnection conn = kConn;
    EXPECT_FALSE(ToolPassword(QStringLiteral("u"), conn).has_value()) << "no logon password";
    conn.Password = QStringLiteral("pw:1");
    ASSERT_TRUE(ToolPassword(QStringLiteral("u"), conn).has_value());
    EXPECT_EQ(ToolPassword(QStringLiteral("u"), conn)->password, QStringLiteral("pw:1"));
    EXPECT_FALSE(ToolPassword(QStringLiteral("other"), conn).has_value()) << "another user's password is not ours";
    for (const TToolCommand &c : {BuildDumpCommand(QStringLiteral("pg_dump"), Dump(1, 0), conn, 150000)}) {
        EXPECT_FALSE(c.Display.contains(QStringLiteral("pw:1")));
        EXPECT_FALSE(c.Arguments.join(QLatin1Char(' ')).contains(QStringLiteral("pw:1")));
    }
}

// A database name is never read as an option or as a connection string:
// pg_dump gets it as the value of --dbname, and a name holding "=" as a
// quoted dbname keyword, for pg_dump and pg_restore alike.
TEST(DumpCommand, DatabaseNamesThatLookLikeOptionsOrConnectionStrings)
{
    struct Case {
        const char *name;
        const char *passed;
    } cases[] = {
        {"-x", "-x"},
        {"--help", "--help"},
        {"host=elsewhere", "dbname='host=elsewhere'"},
        {"a=b 'c' \\d", "dbname='a=b \\'c\\' \\\\d'"},
        {"postgresql://elsewhere/db", "dbname='postgresql://elsewhere/db'"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        TToolConnection conn = kConn;
        conn.Database = QString::fromUtf8(k.name);
        const TToolCommand dump = BuildDumpCommand(QStringLiteral("pg_dump"), Dump(0, 0), conn, 150000);
        EXPECT_EQ(dump.Arguments.last(), QStringLiteral("--dbname=") + QString::fromUtf8(k.passed));
        EXPECT_FALSE(dump.Arguments.contains(conn.Database));
        EXPECT_TRUE(dump.Display.endsWith(QStringLiteral(" \"") + conn.Database + QLatin1Char('"')));
        TRestoreChoices r;
        r.ArchivePath = QStringLiteral("/b/x.dmp");
        const QStringList restore = BuildRestoreCommands(QStringLiteral("pg_restore"), r, conn, 150000).first().Arguments;
        const qsizetype d = restore.indexOf(QStringLiteral("-d"));
        ASSERT_GE(d, 0);
        EXPECT_EQ(restore.value(d + 1), QString::fromUtf8(k.passed));
    }
}

// pg_dump run for real on a database whose name starts with "-" and holds
// "=": the script it writes creates that database.
TEST(DumpCommand, DumpsADatabaseNamedLikeAnOption)
{
    tvtest::TestDb db("dump");
    TV_REQUIRE_DB(db);
    const QString program = FindPgProgram(QStringLiteral("pg_dump"));
    if (program.isEmpty())
        GTEST_SKIP() << "pg_dump not found";
    const std::string name = "-x=" + db.params().database.toStdString();
    db.exec("CREATE DATABASE \"" + name + "\"");
    struct Drop {
        tvtest::TestDb &db;
        std::string name;
        ~Drop() { db.exec("DROP DATABASE IF EXISTS \"" + name + "\""); }
    } drop{db, name};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const tvtest::DbParams &p = db.params();
    const TToolConnection conn{p.host, p.port, p.user, QString::fromStdString(name), QString()};
    TDumpChoices c = Dump(0, 0);
    c.OutputPath = dir.filePath(QStringLiteral("out.sql"));
    c.Schema = true;
    c.CreateDataBase = true;
    const TToolCommand cmd = BuildDumpCommand(program, c, conn, 150000);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), p.password);
    run.setProcessEnvironment(env);
    run.setStandardInputFile(QProcess::nullDevice());
    run.start(program, cmd.Arguments);
    ASSERT_TRUE(run.waitForFinished(120000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    QFile out(c.OutputPath);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().contains(QByteArray("CREATE DATABASE \"") + QByteArray::fromStdString(name) + '"'));
}
