// The table compile against the test server: a rebuild keeps the rows by
// column and every dependant, grant and setting, in one transaction (a
// failure late in the script leaves the table as it was); what cannot be
// re-created refuses the rebuild before anything runs.
#include "shell/ShellTestSupport.h"
#include "TableWindowTestSupport.h"
#include "DDLExecUser.h"

#include "common/tvOption.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"
#include "objects/table/TableRebuild.h"
#include "objects/table/fraStorage.h"
#include "objects/table/frmTable.h"
#include "support/CatalogSnapshot.h"
#include "support/TestTablespace.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QToolButton>

#include <cctype>
#include <functional>

using namespace tvtest;

namespace {

// Acts in the execution dialog: unticks stop-on-error when asked, and
// closes the dialog once the run has finished, or once a run stopped by an
// error has handed back (noting whether "継続(&U)" was offered).
class RebuildUser {
public:
    RebuildUser(bool stopOnError, tv::ui::ScriptedDialogs &dialogs)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, stopOnError, &dialogs] {
            TfrmDDLExec *d = OpenExecDialog();
            if (!d)
                return;
            ++opened;
            if (!stopOnError)
                d->chkErrorStop->setChecked(false);
            const QStringList lines = d->txtLog->Lines()->ToStringList();
            if (d->Finished()) {
                log = lines;
                d->close();
            } else if (lines.contains(QStringLiteral("《エラー》"))) {
                // The next tick comes after the run has stopped.
                if (!errorSeen) {
                    errorSeen = true;
                    return;
                }
                log = lines;
                continueOffered = d->btnOK->isEnabled();
                dialogs.queueButton(tv::ui::IDYES);
                d->close();
            }
        });
        timer.start(0);
    }
    QStringList log;
    bool errorSeen = false;
    bool continueOffered = false;
    int opened = 0;
    QTimer timer;
};

// What a second session sees of s1.t1 apart from its column order.
const char *const Snapshot =
    "SELECT concat_ws(E'\\n',"
    " (SELECT string_agg(pg_get_indexdef(indexrelid) || ' ' || coalesce(obj_description(indexrelid, 'pg_class'), '-'),"
    "  '; ' ORDER BY indexrelid::regclass::text) FROM pg_index WHERE indrelid = 's1.t1'::regclass),"
    " (SELECT string_agg(conname || ' ' || pg_get_constraintdef(oid) || ' ' || conrelid::regclass::text, '; '"
    "  ORDER BY conname) FROM pg_constraint WHERE confrelid = 's1.t1'::regclass OR conrelid = 's1.t1'::regclass),"
    " (SELECT string_agg(tgname || ' ' || tgenabled::text || ' ' || pg_get_triggerdef(oid) || ' ' ||"
    "  coalesce(obj_description(oid, 'pg_trigger'), '-'), '; ') FROM pg_trigger"
    "  WHERE tgrelid = 's1.t1'::regclass AND NOT tgisinternal),"
    " (SELECT string_agg(polname || ' ' || polpermissive || ' ' || polcmd::text || ' ' || pg_get_expr(polqual, polrelid)"
    "  || ' ' || coalesce(obj_description(oid, 'pg_policy'), '-'), '; ' ORDER BY polname) FROM pg_policy"
    "  WHERE polrelid = 's1.t1'::regclass),"
    " (SELECT relacl::text || ' ' || relrowsecurity || relforcerowsecurity || ' ' || pg_get_userbyid(relowner)"
    "  || ' ' || coalesce(reloptions::text, '-') || ' ' || coalesce(obj_description(oid, 'pg_class'), '-')"
    "  FROM pg_class WHERE oid = 's1.t1'::regclass),"
    " (SELECT string_agg(attname || '=' || coalesce(attacl::text, '-') || ' ' || format_type(atttypid, atttypmod)"
    "  || ' ' || coalesce(col_description(attrelid, attnum), '-'), '; ' ORDER BY attname) FROM pg_attribute"
    "  WHERE attrelid = 's1.t1'::regclass AND attnum > 0 AND NOT attisdropped),"
    " pg_get_serial_sequence('s1.t1', 'id'),"
    " (SELECT string_agg(relname, ',' ORDER BY relname) FROM pg_class WHERE relnamespace = 's1'::regnamespace"
    "  AND relkind = 'r'))";

const char *const Rows = "SELECT string_agg(concat_ws('/', id, name, tags, b), '; ' ORDER BY id) FROM s1.t1";
const char *const Order = "SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute"
                          " WHERE attrelid = 's1.t1'::regclass AND attnum > 0 AND NOT attisdropped";

// s1.t1 with 3 rows, a serial id, a gin index, a disabled trigger, a
// DEFERRABLE foreign key from t2, a RESTRICTIVE policy and row security,
// SELECT(name) to the reader, owned by the owner, fillfactor 70.
std::string Fixture(const std::string &owner, const std::string &reader, bool withT2)
{
    std::string sql =
        "CREATE SCHEMA s1; GRANT USAGE, CREATE ON SCHEMA s1 TO " + owner + ";"
        "CREATE TABLE s1.t1 (id serial CONSTRAINT t1_pkey PRIMARY KEY, name text NOT NULL, tags text[], b int);"
        "COMMENT ON TABLE s1.t1 IS 'the table'; COMMENT ON COLUMN s1.t1.b IS 'bee';"
        "INSERT INTO s1.t1 (name, tags, b) VALUES ('one', '{x,y}', 10), ('two', NULL, 20), ('three', '{}', NULL);"
        "CREATE INDEX ig ON s1.t1 USING gin (tags); COMMENT ON INDEX s1.ig IS 'gin index';"
        "CREATE INDEX ib ON s1.t1 (b) WHERE b > 0;"
        "CREATE FUNCTION s1.tf() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
        "CREATE TRIGGER tr BEFORE INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.tf();"
        "ALTER TABLE s1.t1 DISABLE TRIGGER tr; COMMENT ON TRIGGER tr ON s1.t1 IS 'trig';"
        "CREATE POLICY p1 ON s1.t1 AS RESTRICTIVE FOR SELECT USING (b IS DISTINCT FROM 0);"
        "COMMENT ON POLICY p1 ON s1.t1 IS 'pol';"
        "ALTER TABLE s1.t1 ENABLE ROW LEVEL SECURITY;"
        "GRANT SELECT (name) ON s1.t1 TO " + reader + "; GRANT INSERT ON s1.t1 TO " + reader + ";"
        "ALTER TABLE s1.t1 SET (fillfactor = 70, autovacuum_enabled = false);"
        "ALTER TABLE s1.t1 OWNER TO " + owner + ";";
    if (withT2)
        sql += "CREATE TABLE s1.t2 (id int, t1_id int CONSTRAINT t2_fk REFERENCES s1.t1 (id)"
               " DEFERRABLE INITIALLY DEFERRED); INSERT INTO s1.t2 VALUES (1, 1);"
               "COMMENT ON CONSTRAINT t2_fk ON s1.t2 IS 'fk';";
    return sql;
}

class TableRebuild : public TableWindowTest {
protected:
    void SetUp() override { tvOption.BackupData = true; }
    void TearDown() override
    {
        tvOption.BackupData = true;
        DropChanges<TfrmTable>();
        if (s.main)
            s.main->hide();
    }
    // The roles of this test's database: its owner and its reader.
    std::string Role(const char *what) const { return db->params().database.toStdString() + "_" + what; }
    void MakeRoles()
    {
        db->exec("CREATE ROLE " + Role("alice") + " LOGIN PASSWORD 'pw'; CREATE ROLE " + Role("r2"));
    }
    // StorageHidden: "SQL文に領域情報を含める" off (set once the options
    // are loaded).
    void Start(bool asOwner, bool StorageHidden = false)
    {
        RegisterTableWindows();
        TfrmObject::RegisterLaunchers();
        DbParams p = db->params();
        if (asOwner) {
            p.user = QString::fromStdString(Role("alice"));
            p.password = QStringLiteral("pw");
        }
        s.Start(LogonArgs(p));
        if (StorageHidden)
            tvOption.ShowStorageSource = false;
        s.FirstPaint();
        form = s.Form();
    }
    TfrmTable *Open()
    {
        s.main->show();
        s.main->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
        return dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QStringLiteral("t1")));
    }
    // Selects "name" and moves it up.
    static void MoveNameUp(TfrmTable *w)
    {
        ASSERT_EQ(w->grdColumn->Cells(TfrmTable::colName, 2), QStringLiteral("name"));
        ASSERT_TRUE(w->grdColumn->MoveCurrent(TfrmTable::colName, 2));
        w->UpdateActions();
        ASSERT_TRUE(w->actColUp->isEnabled());
        w->actColUp->trigger();
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
    }
    static std::string BackupTables(const TestDb &d)
    {
        return d.scalar("SELECT string_agg(relname, ',') FROM pg_class WHERE relname LIKE 't1\\_%'"
                        " AND relkind = 'r'");
    }
};

} // namespace

// "上へ移動" on "name" and "作成(&C)": the new column order, the rows by
// column, every dependant, grant and setting as before, the sequence goes
// on, no backup table, in one run without CASCADE.
TEST_F(TableRebuild, MovingAColumnKeepsRowsAndEveryDependant)
{
    db = std::make_unique<TestDb>("tbrb");
    TV_REQUIRE_DB(*db);
    MakeRoles();
    db->exec(Fixture(Role("alice"), Role("r2"), true));
    const std::string before = db->scalar(Snapshot);
    const std::string rows = db->scalar(Rows);
    ASSERT_NE(rows, "");
    Start(false);
    TfrmTable *w = Open();
    ASSERT_NE(w, nullptr);
    MoveNameUp(w);
    RebuildUser user(true, s.dialogs);
    w->actCompile->trigger();
    ASSERT_GE(user.opened, 1);
    EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
    const QString log = user.log.join(u'\n');
    EXPECT_FALSE(log.contains(QStringLiteral("CASCADE"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QRegularExpression(QStringLiteral("^COMMIT$"), QRegularExpression::MultilineOption)));
    EXPECT_EQ(db->scalar(Order), "name,id,tags,b");
    EXPECT_EQ(db->scalar(Rows), rows);
    EXPECT_EQ(db->scalar(Snapshot), before);
    EXPECT_EQ(db->scalar("SELECT nextval('s1.t1_id_seq')"), "4");
    EXPECT_EQ(BackupTables(*db), "");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM s1.t2"), "1");
    // The window shows the table as it is now.
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->grdColumn->Cells(TfrmTable::colName, 1), QStringLiteral("name"));
    EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
}

// Logged on as the owner, not a superuser, with row security forced: the
// policies would hide every row from the backup copy; all 3 rows stay.
TEST_F(TableRebuild, TheOwnerKeepsTheRowsOfAForcedTable)
{
    db = std::make_unique<TestDb>("tbro");
    TV_REQUIRE_DB(*db);
    MakeRoles();
    db->exec(Fixture(Role("alice"), Role("r2"), false) + "ALTER TABLE s1.t1 FORCE ROW LEVEL SECURITY;");
    const std::string before = db->scalar(Snapshot);
    const std::string rows = db->scalar(Rows);
    Start(true);
    TfrmTable *w = Open();
    ASSERT_NE(w, nullptr);
    MoveNameUp(w);
    RebuildUser user(true, s.dialogs);
    w->actCompile->trigger();
    EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
    EXPECT_EQ(db->scalar(Order), "name,id,tags,b");
    EXPECT_EQ(db->scalar(Rows), rows);
    EXPECT_EQ(db->scalar(Snapshot), before);
    EXPECT_EQ(BackupTables(*db), "");
}

// Removing b, which index ib uses, fails late (re-creating ib): the
// server's text after "《エラー》", no "継続(&U)", the window still
// modified, and the table as it was, with and without stop-on-error.
TEST_F(TableRebuild, AFailedRebuildChangesNothing)
{
    db = std::make_unique<TestDb>("tbrf");
    TV_REQUIRE_DB(*db);
    MakeRoles();
    db->exec(Fixture(Role("alice"), Role("r2"), true));
    const std::string before = db->scalar(Snapshot);
    const std::string rows = db->scalar(Rows);
    const std::string order = db->scalar(Order);
    Start(false);
    TfrmTable *w = Open();
    ASSERT_NE(w, nullptr);
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stop on error" : "go on after errors");
        ASSERT_EQ(w->grdColumn->Cells(TfrmTable::colName, 4), QStringLiteral("b"));
        ASSERT_TRUE(w->grdColumn->MoveCurrent(TfrmTable::colName, 4));
        w->btnColDelete->trigger();
        ASSERT_TRUE(w->IsCreate());
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        RebuildUser user(stop, s.dialogs);
        w->actCompile->trigger();
        ASSERT_GE(user.opened, 1) << s.dialogs.texts().join(u'|').toStdString();
        const QString log = user.log.join(u'\n');
        const qsizetype error = log.indexOf(QStringLiteral("《エラー》"));
        ASSERT_GE(error, 0) << log.toStdString();
        EXPECT_TRUE(log.mid(error).contains(QStringLiteral("\"b\" does not exist")) ||
                    log.mid(error).contains(QStringLiteral("column"))) << log.toStdString();
        EXPECT_TRUE(log.left(error).contains(QStringLiteral("CREATE INDEX ib"))) << log.toStdString();
        EXPECT_FALSE(user.continueOffered);
        EXPECT_TRUE(w->Modified());
        EXPECT_EQ(db->scalar(Order), order);
        EXPECT_EQ(db->scalar(Rows), rows);
        EXPECT_EQ(db->scalar(Snapshot), before);
        EXPECT_EQ(BackupTables(*db), "");
        // The edits are still in the window; the next round starts from the table.
        s.dialogs.queueButton(tv::ui::IDYES);
        w->actRefresh->trigger();
    }
}

// What cannot be re-created refuses before anything runs; without the
// backup the warning asks first, No as default, and No sends nothing.
TEST_F(TableRebuild, RefusalsAndTheNoBackupWarning)
{
    db = std::make_unique<TestDb>("tbrr");
    TV_REQUIRE_DB(*db);
    MakeRoles();
    db->exec(Fixture(Role("alice"), Role("r2"), false) + "CREATE VIEW s1.v1 AS SELECT name FROM s1.t1;");
    const std::string before = db->scalar(Snapshot);
    Start(false);
    TfrmTable *w = Open();
    ASSERT_NE(w, nullptr);
    MoveNameUp(w);
    w->actCompile->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("テーブルを再作成できません。\r\nVIEW s1.v1"));
    EXPECT_EQ(OpenExecDialog(), nullptr);
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(db->scalar(Order), "id,name,tags,b");

    db->exec("DROP VIEW s1.v1");
    tvOption.BackupData = false;
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actCompile->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    const auto &warning = s.dialogs.calls().at(1);
    // The rebuild runs in one transaction: a failure leaves the table.
    EXPECT_EQ(warning.text, QStringLiteral("テーブルを再作成する為、既存のデータは全て失われます。\r\nなお、テーブルの作成に"
                                           "失敗した場合は、テーブルは元のまま残ります。\r\n処理を続行しますか？"));
    EXPECT_TRUE(warning.flags & tv::ui::MB_DEFBUTTON2);
    EXPECT_EQ(OpenExecDialog(), nullptr);
    EXPECT_EQ(db->scalar(Order), "id,name,tags,b");
    EXPECT_EQ(db->scalar(Snapshot), before);

    // Identity and generated columns cannot have their values copied back.
    db->exec("CREATE TABLE s1.t3 (a int GENERATED ALWAYS AS IDENTITY, b int, c int GENERATED ALWAYS AS (b * 2) STORED)");
    tv::db::Query q(&form->dbsMain());
    const TTableRebuild plan = ReadTableRebuild(q, QStringLiteral("s1"), QStringLiteral("t3"),
                                                [](int) { return QString(); }, {});
    EXPECT_EQ(plan.Refusals,
              (QStringList{"GENERATED COLUMN s1.t3.c", "IDENTITY COLUMN s1.t3.a"}));
}

TEST(TableRebuildName, BackupNameTakes19CharactersAndTheTime)
{
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7));
    EXPECT_EQ(BackupTableName(QStringLiteral("abcdefghijklmnopqrstuvwxy"), at),
              QStringLiteral("abcdefghijklmnopqrs_0304050607"));
    EXPECT_EQ(BackupTableName(QStringLiteral("t1"), at), QStringLiteral("t1_0304050607"));
}

namespace {

void TypeIn(TtvStringGrid *g, int col, int row, const QString &text)
{
    ASSERT_TRUE(g->MoveCurrent(col, row));
    g->setFocus();
    QTest::keyClick(g, Qt::Key_F2);
    ASSERT_TRUE(g->EditorMode()) << "no editor in column " << col;
    g->InplaceEditor()->selectAll();
    QTest::keyClicks(g->InplaceEditor(), text);
    QTest::keyClick(g->InplaceEditor(), Qt::Key_Return);
    g->HideEditor();
}

} // namespace

// A new table: the column checks, then CREATE TABLE; one column added at
// the end is an ALTER (the rows stay where they are); "削除(&D)" drops it.
TEST_F(TableRebuild, NewTableAlterAndDelete)
{
    db = std::make_unique<TestDb>("tbrn");
    TV_REQUIRE_DB(*db);
    db->exec("CREATE SCHEMA s1;");
    Start(false);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QString()));
    ASSERT_NE(w, nullptr);
    w->txtName->SetText(QStringLiteral("t5"));
    TtvStringGrid *g = w->grdColumn;
    struct Check {
        const char *what;
        std::function<void()> edit;
        QString message;
    };
    const QList<Check> checks = {
        {"no column", [] {}, QStringLiteral("項目列を１つ以上指定して下さい。")},
        {"a type without a name", [&] { g->SetCells(TfrmTable::colType, 1, QStringLiteral("integer")); },
         QStringLiteral("列の名前を指定して下さい。")},
        {"a name without a type",
         [&] {
             TypeIn(g, TfrmTable::colName, 1, QStringLiteral("a"));
             g->SetCells(TfrmTable::colType, 1, QString());
         },
         QStringLiteral("列の型を指定して下さい。")},
    };
    for (const Check &c : checks) {
        SCOPED_TRACE(c.what);
        s.dialogs.clear();
        c.edit();
        w->SetModified(true);
        w->UpdateActions();
        w->actCompile->trigger();
        EXPECT_EQ(s.dialogs.texts(), QStringList{c.message});
    }
    TypeIn(g, TfrmTable::colType, 1, QStringLiteral("integer"));
    s.dialogs.clear();
    {
        RebuildUser user(true, s.dialogs);
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        w->actCompile->trigger();
        EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
    }
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_class WHERE oid = 's1.t5'::regclass"), "1");
    EXPECT_FALSE(w->IsNew());
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabData)));
    db->exec("INSERT INTO s1.t5 VALUES (7)");

    TypeIn(g, TfrmTable::colName, 2, QStringLiteral("z"));
    TypeIn(g, TfrmTable::colType, 2, QStringLiteral("text"));
    EXPECT_FALSE(w->IsCreate());
    {
        RebuildUser user(true, s.dialogs);
        w->UpdateActions();
        w->actCompile->trigger();
        const QString log = user.log.join(u'\n');
        EXPECT_FALSE(user.errorSeen) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("ADD COLUMN \"z\""))) << log.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral("DROP TABLE"))) << log.toStdString();
    }
    EXPECT_EQ(db->scalar("SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute"
                         " WHERE attrelid = 's1.t5'::regclass AND attnum > 0 AND NOT attisdropped"),
              "a,z");
    EXPECT_EQ(db->scalar("SELECT a FROM s1.t5"), "7");

    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    w->UpdateActions();
    ASSERT_TRUE(w->actDelete->isEnabled());
    w->actDelete->trigger();
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("オブジェクトを削除しますか？"),
                                              QStringLiteral("オブジェクトが削除されました。")}));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_class WHERE relname = 't5'"), "0");
}

// "行ポリシー" compiles the row-security switch alone; "ソース" rebuilds
// from the edited text after its warning, the rows left in the backup.
TEST_F(TableRebuild, PolicyAndSourcePages)
{
    db = std::make_unique<TestDb>("tbrp");
    TV_REQUIRE_DB(*db);
    db->exec("CREATE SCHEMA s1; CREATE TABLE s1.t1 (id int PRIMARY KEY, name text);"
             "INSERT INTO s1.t1 VALUES (1, 'a'), (2, 'b'); CREATE INDEX i1 ON s1.t1 (name);");
    Start(false);
    TfrmTable *w = Open();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->SelectPage(w->tabPolicy));
    w->chkPolicyEnable->click();
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    {
        RebuildUser user(true, s.dialogs);
        w->actCompile->trigger();
        EXPECT_EQ(user.log.value(0), QStringLiteral("ALTER TABLE \"s1\".\"t1\" ENABLE ROW LEVEL SECURITY"));
    }
    EXPECT_EQ(db->scalar("SELECT relrowsecurity FROM pg_class WHERE oid = 's1.t1'::regclass"), "t");

    ASSERT_TRUE(w->SelectPage(w->tabSource));
    QStringList source = w->txtSource->Lines()->ToStringList();
    const qsizetype at = source.indexOf(QStringLiteral("("));
    ASSERT_GT(at, 0);
    source.insert(at + 1, QStringLiteral("    extra integer,"));
    w->txtSource->Lines()->SetText(source.join(u'\n'));
    s.dialogs.queueButton(tv::ui::IDYES);
    {
        RebuildUser user(true, s.dialogs);
        w->actCompile->trigger();
        EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
    }
    ASSERT_GE(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.calls().at(0).text.startsWith(QStringLiteral("ソース修正時には、")));
    EXPECT_EQ(db->scalar("SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute"
                         " WHERE attrelid = 's1.t1'::regclass AND attnum > 0 AND NOT attisdropped"),
              "extra,id,name");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM s1.t1"), "0");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_indexes WHERE indexname = 'i1'"), "1");
    EXPECT_EQ(db->scalar("SELECT relrowsecurity FROM pg_class WHERE oid = 's1.t1'::regclass"), "t");
    const std::string backup = BackupTables(*db);
    ASSERT_NE(backup, "");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM s1." + backup), "2");
}

namespace {

// What a table carries besides its columns, on a child of an inheritance
// parent and on a partitioned table with two partitions, in a tablespace
// of the test's own (written TS): key options, a deferrable unique key
// with its own tablespace, storage parameters (named in the comment too),
// replica identity (by an index of its own and FULL), statistics targets,
// storage modes, a clustered index,
// a NOT VALID check that a row breaks, an inherited check and default.
const char *const KeepFixture =
    "CREATE SCHEMA k1;"
    "CREATE TABLE k1.par (id int NOT NULL, pa text DEFAULT 'p', pb int, CONSTRAINT par_ck CHECK (pb >= 0));"
    "CREATE TABLE k1.t1 (c1 int NOT NULL, c2 text, c3 int, c4 text,"
    " CONSTRAINT t1_pkey PRIMARY KEY (c1) INCLUDE (c2) WITH (fillfactor = 80) USING INDEX TABLESPACE TS"
    "  DEFERRABLE INITIALLY DEFERRED,"
    " CONSTRAINT t1_uq UNIQUE (c3) WITH (fillfactor = 90) USING INDEX TABLESPACE TS DEFERRABLE)"
    " INHERITS (k1.par) WITH (fillfactor = 70, parallel_workers = 2, autovacuum_enabled = false) TABLESPACE TS;"
    "COMMENT ON TABLE k1.t1 IS 'fillfactor and parallel_workers are tuned';"
    "INSERT INTO k1.t1 VALUES (1, 'a', 1, 10, 'x', -5, repeat('y', 3000)), (2, 'b', 2, 20, NULL, 7, 'z');"
    "ALTER TABLE k1.t1 ADD CONSTRAINT t1_c3 CHECK (c3 > 0) NOT VALID;"
    "CREATE UNIQUE INDEX t1_ri ON k1.t1 (c1); ALTER TABLE k1.t1 REPLICA IDENTITY USING INDEX t1_ri;"
    "ALTER TABLE k1.t1 ALTER COLUMN c2 SET STATISTICS 500, ALTER COLUMN c4 SET STORAGE EXTERNAL,"
    " ALTER COLUMN pa SET STATISTICS 50;"
    "CREATE INDEX t1_c4 ON k1.t1 (c4) TABLESPACE TS;"
    "ALTER TABLE k1.t1 CLUSTER ON t1_c4;"
    "CREATE SCHEMA k2;"
    "CREATE TABLE k2.t1 (a int NOT NULL, b text, c int, d text,"
    " CONSTRAINT t1_pkey PRIMARY KEY (a, c) INCLUDE (b) USING INDEX TABLESPACE TS,"
    " CONSTRAINT t1_uq UNIQUE (a, d) DEFERRABLE INITIALLY DEFERRED)"
    " PARTITION BY RANGE (a) TABLESPACE TS;"
    "CREATE TABLE k2.t1_p1 PARTITION OF k2.t1 FOR VALUES FROM (0) TO (100);"
    "CREATE TABLE k2.t1_p2 PARTITION OF k2.t1 DEFAULT;"
    "INSERT INTO k2.t1 VALUES (1, 'x', -1, 'd1'), (200, 'y', 2, 'd2');"
    "ALTER TABLE k2.t1 ADD CONSTRAINT t1_ck CHECK (c > 0) NOT VALID;"
    "ALTER TABLE k2.t1 ALTER COLUMN b SET STATISTICS 300, ALTER COLUMN d SET STORAGE MAIN;"
    "ALTER TABLE k2.t1 REPLICA IDENTITY FULL;"
    "CREATE INDEX \"t1 b\" ON k2.t1 (b);"
    "COMMENT ON TABLE k2.t1 IS 'partitioned';";

std::string WithTablespace(std::string Sql, const std::string &Tablespace)
{
    for (size_t at = Sql.find("TS"); at != std::string::npos; at = Sql.find("TS", at + Tablespace.size()))
        if ((at == 0 || !std::isalnum(static_cast<unsigned char>(Sql[at - 1]))) &&
            (at + 2 == Sql.size() || !std::isalnum(static_cast<unsigned char>(Sql[at + 2]))))
            Sql.replace(at, 2, Tablespace);
    return Sql;
}

} // namespace

// With "SQL文に領域情報を含める" off, a column moved up in the table window
// and "作成(&C)": a second session sees the tables, their parent and their
// partitions exactly as before but for the order of the columns, and the
// rows are all there.
TEST_F(TableRebuild, ARebuildKeepsEverythingButTheColumnOrder)
{
    db = std::make_unique<TestDb>("tbrk");
    TV_REQUIRE_DB(*db);
    TestTablespace ts;
    ts.before = [this] {
        DropChanges<TfrmTable>();
        s.main.reset();
        db.reset();
    };
    if (!ts.Make("tvx_keep_" + db->params().database.toStdString()))
        GTEST_SKIP() << "cannot hand a folder to the server's account";
    db->exec(WithTablespace(KeepFixture, ts.name));
    Start(false, true);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));

    struct Case {
        const char *what;
        const char *schema;
        const char *table;
        const char *root; // the table whose snapshot takes in the moved one
        int row;          // the grid row of the column moved up
        const char *column;
        const char *rootSection; // the moved table's sections in the root's snapshot
        const char *before, *after;
        const char *rows;
    };
    const Case cases[] = {
        {"a child in a tablespace", "k1", "t1", "par", 6, "c3", "child k1.t1: ", "id, pa, pb, c1, c2, c3, c4",
         "id, pa, pb, c1, c3, c2, c4", "SELECT string_agg(concat_ws('/', c1, c2, c3, length(c4)), ';' ORDER BY c1) FROM k1.t1"},
        {"a partitioned table", "k2", "t1", "t1", 4, "d", "", "a, b, c, d", "a, b, d, c",
         "SELECT string_agg(concat_ws('/', tableoid::regclass, a, b, c, d), ';' ORDER BY a) FROM k2.t1"},
        {"a partition", "k2", "t1_p1", "t1", 2, "b", "child k2.t1_p1: ", "a, b, c, d", "b, a, c, d",
         "SELECT string_agg(concat_ws('/', tableoid::regclass, a, b, c, d), ';' ORDER BY a) FROM k2.t1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const CatalogSnapshot before = CatalogSnapshot::OfTable(*db, c.schema, c.root);
        ASSERT_EQ(before.Section(std::string(c.rootSection) + "column order"), std::vector<std::string>{c.before});
        const std::string rows = db->scalar(c.rows);
        s.dialogs.clear();
        auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QString::fromLatin1(c.schema), QString::fromLatin1(c.table)));
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'|').toStdString();
        ASSERT_EQ(w->grdColumn->Cells(TfrmTable::colName, c.row), QString::fromLatin1(c.column));
        ASSERT_TRUE(w->grdColumn->MoveCurrent(TfrmTable::colName, c.row));
        w->UpdateActions();
        w->actColUp->trigger();
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        RebuildUser user(true, s.dialogs);
        w->actCompile->trigger();
        ASSERT_GE(user.opened, 1) << s.dialogs.texts().join(u'|').toStdString();
        EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
        EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
        const CatalogSnapshot after = CatalogSnapshot::OfTable(*db, c.schema, c.root);
        const std::string order = std::string(c.rootSection) + "column order";
        EXPECT_EQ(CatalogSnapshot::Diff(before, after),
                  "- [" + order + "] " + c.before + "\n+ [" + order + "] " + c.after + "\n")
            << user.log.join(u'\n').toStdString();
        EXPECT_EQ(db->scalar(c.rows), rows);
        w->SetModified(false);
        w->close();
    }
}

// With "SQL文に領域情報を含める" off, a column added on the source page of a
// child in a tablespace of its own and "作成(&C)": the table is built again
// from that page with its parent, its tablespace and everything else it
// had; a second session sees only the new column.
TEST_F(TableRebuild, ASourceRebuildWithStorageHiddenKeepsParentAndTablespace)
{
    db = std::make_unique<TestDb>("tbrh");
    TV_REQUIRE_DB(*db);
    TestTablespace ts;
    ts.before = [this] {
        DropChanges<TfrmTable>();
        s.main.reset();
        db.reset();
    };
    if (!ts.Make("tvx_hidden_" + db->params().database.toStdString()))
        GTEST_SKIP() << "cannot hand a folder to the server's account";
    db->exec(WithTablespace(KeepFixture, ts.name));
    const CatalogSnapshot before = CatalogSnapshot::OfTable(*db, "k1", "par");
    Start(false, true);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("k1"), QStringLiteral("t1")));
    ASSERT_NE(w, nullptr);
    ASSERT_FALSE(tvOption.ShowStorageSource);
    ASSERT_TRUE(w->SelectPage(w->tabSource));
    QStringList source = w->txtSource->Lines()->ToStringList();
    const qsizetype at = source.indexOf(QStringLiteral("("));
    ASSERT_GT(at, 0);
    source.insert(at + 1, QStringLiteral("    extra integer,"));
    w->txtSource->Lines()->SetText(source.join(u'\n'));
    s.dialogs.queueButton(tv::ui::IDYES);
    {
        RebuildUser user(true, s.dialogs);
        w->actCompile->trigger();
        ASSERT_GE(user.opened, 1) << s.dialogs.texts().join(u'|').toStdString();
        EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
    }
    ASSERT_EQ(s.dialogs.texts().size(), 1) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(s.dialogs.texts().at(0).startsWith(QStringLiteral("ソース修正時には、")));
    const CatalogSnapshot after = CatalogSnapshot::OfTable(*db, "k1", "par");
    std::string added;
    for (const std::string &line : after.Section("child k1.t1: columns"))
        if (line.rfind("extra | ", 0) == 0)
            added = line;
    ASSERT_NE(added, "") << CatalogSnapshot::Diff(before, after);
    EXPECT_EQ(CatalogSnapshot::Diff(before, after),
              "- [child k1.t1: column order] id, pa, pb, c1, c2, c3, c4\n"
              "+ [child k1.t1: column order] id, pa, pb, extra, c1, c2, c3, c4\n"
              "+ [child k1.t1: columns] " + added + "\n");
    w->SetModified(false);
    w->close();
}

// A child's inherited columns come first in its parents' order: moving its
// own column above one of them cannot be built, is said so before
// anything runs, and leaves the table as it was.
TEST_F(TableRebuild, AColumnAboveAnInheritedOneIsRefused)
{
    db = std::make_unique<TestDb>("tbri");
    TV_REQUIRE_DB(*db);
    db->exec("CREATE SCHEMA k1; CREATE TABLE k1.par (id int, pa text);"
             "CREATE TABLE k1.t1 (c1 int, c2 text) INHERITS (k1.par); INSERT INTO k1.t1 VALUES (1, 'a', 2, 'b');");
    const CatalogSnapshot before = CatalogSnapshot::OfTable(*db, "k1", "par");
    Start(false);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("k1"), QStringLiteral("t1")));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->grdColumn->Cells(TfrmTable::colName, 3), QStringLiteral("c1"));
    ASSERT_TRUE(w->grdColumn->MoveCurrent(TfrmTable::colName, 3));
    w->UpdateActions();
    w->actColUp->trigger();
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_EQ(s.dialogs.calls().at(0).text,
              QStringLiteral("継承した列は親テーブルの列順で先頭に並ぶため、この列順でテーブルを再作成することは"
                             "できません。\r\n作成される列順: id, pa, c1, c2"));
    EXPECT_EQ(OpenExecDialog(), nullptr);
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(CatalogSnapshot::Diff(before, CatalogSnapshot::OfTable(*db, "k1", "par")), "");
}

// The storage parameters a CREATE TABLE sets are those of the WITH list
// after its columns, however the text around them reads.
TEST(TableRebuildOptions, TheWithListAfterTheColumnsSetsTheOptions)
{
    struct Case {
        const char *what;
        QStringList create;
        QStringList names;
    };
    const Case cases[] = {
        {"none", {"CREATE TABLE s.t (a int)", ";"}, {}},
        {"a list over lines", {"CREATE TABLE s.t (a int)", "WITH (", "    FILLFACTOR = 70,", "    toast.autovacuum_enabled = false", ")", ";"},
         {"fillfactor", "toast.autovacuum_enabled"}},
        {"names in a comment, a literal and a column",
         {"CREATE TABLE s.t (fillfactor int DEFAULT 'parallel_workers', /* with (x = 1) */ b int)", "-- WITH (y = 2)",
          "WITH (parallel_workers = 2) TABLESPACE ts", ";", "COMMENT ON TABLE s.t IS 'fillfactor'", ";"},
         {"parallel_workers"}},
        {"the key's own WITH", {"CREATE TABLE t (a int, PRIMARY KEY (a) WITH (fillfactor = 80))", ";"}, {}},
        {"a quoted name and a value in parentheses", {"CREATE TABLE t (a int) WITH (\"Odd\" = 'x(', vacuum_truncate)"},
         {"Odd", "vacuum_truncate"}},
        {"WITHOUT OIDS and a later statement", {"CREATE TABLE t (a int) WITHOUT OIDS", ";", "ALTER TABLE t SET (fillfactor = 1)", ";"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CreateTableOptionNames(c.create), c.names);
    }
    EXPECT_EQ(RestoreRelOptions(QStringLiteral("s"), QStringLiteral("t"),
                                {"fillfactor=70", "parallel_workers=2", "autovacuum_enabled=false", "toast.autovacuum_enabled=off"},
                                {"CREATE TABLE s.t (a int) WITH (fillfactor = 50)", ";", "COMMENT ON TABLE s.t IS 'parallel_workers'", ";"},
                                {"autovacuum_enabled"}),
              (QStringList{"ALTER TABLE \"s\".\"t\" SET (parallel_workers='2', toast.autovacuum_enabled='off')", ";"}));
}

// With "SQL文に領域情報を含める" off, a parent taken out on the storage
// page still leaves the table's parents: the option governs what the
// source shows, not what runs.
TEST_F(TableRebuild, AParentTakenOutWithStorageHiddenIsDropped)
{
    db = std::make_unique<TestDb>("tbrs");
    TV_REQUIRE_DB(*db);
    db->exec("CREATE SCHEMA k1; CREATE TABLE k1.par (id int); CREATE TABLE k1.t1 (c1 int) INHERITS (k1.par);");
    Start(false, true);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("k1"), QStringLiteral("t1")));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->SelectPage(w->tabStorage));
    TtvComboBox *kind = w->fraStorage->cmbStorageType;
    kind->setCurrentIndex(kind->findText(QStringLiteral("継承")));
    ASSERT_EQ(w->fraStorage->grdPartition->Cells(0, 1), QStringLiteral("\"k1\".\"par\""));
    ASSERT_TRUE(w->fraStorage->grdPartition->MoveCurrent(0, 1));
    w->fraStorage->btnPartDel->click();
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    RebuildUser user(true, s.dialogs);
    w->actCompile->trigger();
    EXPECT_FALSE(user.errorSeen) << user.log.join(u'\n').toStdString();
    EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_inherits WHERE inhrelid = 'k1.t1'::regclass"), "0");
}
