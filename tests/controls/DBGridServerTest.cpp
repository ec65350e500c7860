// The data set's editing against the test server, and a grid key posting a
// record.
#include "support/DbTestSupport.h"
#include "controls/tvDBGridV.h"
#include "platform/Errors.h"
#include "platform/db/DataSet.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/TestDb.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace tv::db;
using namespace tv::grid;

namespace {

using dbtest::paramsOf;

class DataSetServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!db.available())
            return;
        db.exec("CREATE TABLE k(id int PRIMARY KEY, name text UNIQUE, note varchar(20));"
                "INSERT INTO k VALUES (1,'one','a'),(2,'two','b'),(3,'three','c');"
                "CREATE TABLE d(v text, w int);"
                "INSERT INTO d VALUES ('x',1),('x',1),('y',2);");
        conn = std::make_unique<Connection>(paramsOf(db));
        conn->Open();
    }
    void openOn(bool autoCommit, const QString &sql)
    {
        conn->SetAutoCommit(autoCommit);
        ds.SetConnection(conn.get());
        ds.OpenSQL(sql);
    }

    tvtest::TestDb db{"grid"};
    std::unique_ptr<Connection> conn;
    DataSet ds;
};

} // namespace

TEST_F(DataSetServer, UpdateByKeyIsVisibleAtOnceWithAutoCommit)
{
    TV_REQUIRE_DB(db);
    openOn(true, QStringLiteral("SELECT name, id FROM k ORDER BY id"));
    ASSERT_TRUE(ds.CanModify()) << ds.ReadOnlyReason().toStdString();
    ds.SetRecNo(1);
    ds.SetFieldText(0, QStringLiteral("TWO"));
    ds.Post();
    EXPECT_EQ(ds.LastStatement(), QStringLiteral("UPDATE public.k SET name = $1 WHERE id = $2 RETURNING name, id"));
    EXPECT_EQ(db.scalar("SELECT name FROM k WHERE id = 2"), "TWO");
    EXPECT_EQ(ds.Text(1, 0), QStringLiteral("TWO"));
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
}

TEST_F(DataSetServer, WithoutAutoCommitTheChangeWaitsForCommit)
{
    TV_REQUIRE_DB(db);
    openOn(false, QStringLiteral("SELECT * FROM k ORDER BY id"));
    ds.SetRecNo(0);
    ds.SetFieldText(1, QStringLiteral("uno"));
    ds.Post();
    EXPECT_EQ(db.scalar("SELECT name FROM k WHERE id = 1"), "one");
    EXPECT_EQ(conn->Commit(), CommitResult::Committed);
    EXPECT_EQ(db.scalar("SELECT name FROM k WHERE id = 1"), "uno");
}

TEST_F(DataSetServer, InsertAndDeleteRefreshFromTheServer)
{
    TV_REQUIRE_DB(db);
    db.exec("ALTER TABLE k ALTER COLUMN note SET DEFAULT 'dflt'");
    openOn(true, QStringLiteral("SELECT * FROM k ORDER BY id"));
    ds.Append();
    ds.SetFieldText(0, QStringLiteral("9"));
    ds.SetFieldText(1, QStringLiteral("nine"));
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(ds.Text(3, 2), QStringLiteral("dflt")); // from RETURNING
    ds.SetRecNo(0);
    ds.Delete();
    EXPECT_EQ(db.scalar("SELECT string_agg(id::text, ',' ORDER BY id) FROM k"), "2,3,9");
    EXPECT_EQ(ds.Text(0, 1), QStringLiteral("two"));
}

TEST_F(DataSetServer, JoinsAndComputedColumnsAreReadOnly)
{
    TV_REQUIRE_DB(db);
    openOn(true, QStringLiteral("SELECT k.id, d.v FROM k JOIN d ON d.w = k.id"));
    EXPECT_FALSE(ds.CanModify());
    EXPECT_THROW(ds.Edit(), tv::Error);
    openOn(true, QStringLiteral("SELECT id, name || '!' FROM k"));
    EXPECT_FALSE(ds.CanModify());
    db.exec("CREATE MATERIALIZED VIEW mv AS SELECT * FROM k");
    openOn(true, QStringLiteral("SELECT * FROM mv"));
    EXPECT_FALSE(ds.CanModify());
}

TEST_F(DataSetServer, UniqueViolationKeepsTheValuesAndTheBlockUsable)
{
    TV_REQUIRE_DB(db);
    openOn(false, QStringLiteral("SELECT * FROM k ORDER BY id"));
    conn->Exec(QStringLiteral("UPDATE k SET note = 'earlier' WHERE id = 3"));
    ds.SetRecNo(0);
    ds.SetFieldText(1, QStringLiteral("two"));
    try {
        ds.Post();
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("23505"));
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("ERROR: "))) << e.text().toStdString();
    }
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    EXPECT_EQ(ds.FieldText(1), QStringLiteral("two"));
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    // The earlier uncommitted work is still there.
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT note FROM k WHERE id = 3")), QStringLiteral("earlier"));
    ds.SetFieldText(1, QStringLiteral("uno"));
    ds.Post();
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT name FROM k WHERE id = 1")), QStringLiteral("uno"));
}

TEST_F(DataSetServer, AnEditThatMatchesTwoRowsIsRefused)
{
    TV_REQUIRE_DB(db);
    for (const bool autoCommit : {true, false}) {
        openOn(autoCommit, QStringLiteral("SELECT v, w FROM d ORDER BY v"));
        ASSERT_TRUE(ds.CanModify());
        ds.SetRecNo(0);
        ds.SetFieldText(0, QStringLiteral("z"));
        EXPECT_THROW(ds.Post(), DbError);
        EXPECT_EQ(ds.State(), DataSetState::Edit);
        ds.Cancel();
        EXPECT_THROW(ds.Delete(), DbError);
        EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT string_agg(v, ',' ORDER BY v) FROM d")),
                  QStringLiteral("x,x,y"));
        // The single row can be edited through every column.
        ds.SetRecNo(2);
        ds.SetFieldText(1, QStringLiteral("5"));
        ds.Post();
        EXPECT_TRUE(ds.LastStatement().contains(QStringLiteral("IS NOT DISTINCT FROM")));
        if (!autoCommit)
            conn->Commit();
        EXPECT_EQ(db.scalar("SELECT w FROM d WHERE v = 'y'"), "5");
        db.exec("UPDATE d SET w = 2 WHERE v = 'y'");
    }
}

TEST_F(DataSetServer, GridDownKeyPostsAndAFailedPostStaysInEdit)
{
    TV_REQUIRE_DB(db);
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    openOn(true, QStringLiteral("SELECT * FROM k ORDER BY id"));
    TtvDBGridV grid;
    grid.SetOptions(grid.Options() | dgMultiSelect | dgAlwaysShowEditor);
    grid.SetDataSet(&ds);
    grid.resize(500, 300);
    grid.show();
    QApplication::processEvents();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(0, 1).center());
    grid.InplaceEditor()->selectAll();
    QTest::keyClicks(grid.InplaceEditor(), QStringLiteral("ichi"));
    EXPECT_EQ(db.scalar("SELECT name FROM k WHERE id = 1"), "one");
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(db.scalar("SELECT name FROM k WHERE id = 1"), "ichi");

    // A failing post: the error is shown, the record stays in edit with
    // what was typed.
    grid.InplaceEditor()->selectAll();
    QTest::keyClicks(grid.InplaceEditor(), QStringLiteral("three"));
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Down);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().at(0).text.startsWith(QStringLiteral("ERROR: ")));
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(grid.InplaceEditor()->text(), QStringLiteral("three"));
    EXPECT_EQ(db.scalar("SELECT name FROM k WHERE id = 2"), "two");
}
