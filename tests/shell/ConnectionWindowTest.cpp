// The program started with a command line against the test server: the
// connection window, its transaction, its schema, its keep-alive and its
// statement services.
#include "ShellTestSupport.h"

#include "platform/db/DbError.h"

#include <QMdiSubWindow>

using namespace tvtest;

namespace {

// One row of pg_stat_activity for a backend, read from a second connection.
std::string Activity(const TestDb &db, int pid, const char *column)
{
    return db.scalar("SELECT " + std::string(column) + " FROM pg_stat_activity WHERE pid = " + std::to_string(pid));
}

} // namespace

TEST(ConnectionWindow, CommandLineLogonOpensTheWindowAndNamesTheProgram)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    const auto &p = db.params();
    s.Start(LogonArgs(p));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
    const QString caption = QStringLiteral("オブジェクトリスト - %1 @ %2/%3:%4").arg(p.user, p.database, p.host, p.port);
    EXPECT_EQ(f->windowTitle(), caption);
    EXPECT_EQ(s.main->CurrentForm(), f);
    EXPECT_EQ(s.main->cmbDBName->currentText(), QStringLiteral("%1 @ %2/%3:%4").arg(p.user, p.database, p.host, p.port));
    EXPECT_GT(f->MYSID(), 0);
    EXPECT_EQ(f->DBVer() / 10000, 15);
    EXPECT_EQ(Activity(db, f->MYSID(), "application_name"), "talvex");
    EXPECT_EQ(Activity(db, f->MYSID(), "state"), "idle");
}
