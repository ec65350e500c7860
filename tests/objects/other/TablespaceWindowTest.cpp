// The tablespace window: its DDL builders alone, then against the test
// server as the program starts (dispatcher, preview, execution dialog,
// contents page). Tablespaces and login roles belong to the whole cluster:
// their names carry the test database's name and they are dropped at the end.
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "controls/tvCheckListBox.h"
#include "controls/tvStrEdit.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/TablespaceDefinition.h"
#include "objects/other/frmTBS.h"
#include "objects/table/DropDownComboBox.h"
#include "platform/db/Connection.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QFile>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

TTablespaceDefinition Loaded()
{
    TTablespaceDefinition d;
    d.Name = QStringLiteral("ts1");
    d.Owner = QStringLiteral("u");
    d.Location = QStringLiteral("/data/ts1");
    d.RandomPageCost = QStringLiteral("1.1");
    d.SeqPageCost = QStringLiteral("2");
    d.Grants = {{QStringLiteral("r1"), true, true}, {QStringLiteral("r2"), true, false}, {QStringLiteral("r3")}};
    return d;
}

} // namespace

TEST(TablespaceDDL, CreateCarriesOptionsAndGrants)
{
    TTablespaceDefinition d = Loaded();
    d.SeqPageCost.clear();
    QStringList lines;
    TablespaceDDL::Create(d, lines, false);
    EXPECT_EQ(lines, (QStringList{"CREATE TABLESPACE \"ts1\"", "  OWNER \"u\"", "  LOCATION '/data/ts1'", ";",
                                  "ALTER TABLESPACE \"ts1\"", " SET (random_page_cost = 1.1)", ";"}));
    lines.clear();
    d.RandomPageCost.clear();
    d.Location = QStringLiteral("/it's");
    TablespaceDDL::Create(d, lines, true);
    EXPECT_EQ(lines, (QStringList{"CREATE TABLESPACE \"ts1\"", "  OWNER \"u\"", "  LOCATION '/it''s'", ";",
                                  "GRANT CREATE ON TABLESPACE \"ts1\" TO \"r1\" WITH GRANT OPTION", ";",
                                  "GRANT CREATE ON TABLESPACE \"ts1\" TO \"r2\"", ";"}));
    // A cost is a number or nothing reaches the server.
    d.SeqPageCost = QStringLiteral("1); DROP TABLE x; --");
    EXPECT_THROW(TablespaceDDL::Create(d, lines, false), tv::Error);
}

// One change of the window at a time, against what was loaded.
TEST(TablespaceDDL, AlterCarriesOnlyWhatChanged)
{
    struct Case {
        const char *what;
        std::function<void(TTablespaceDefinition &)> edit;
        QStringList lines;
    };
    const QString head = QStringLiteral("ALTER TABLESPACE \"ts1\"");
    const QString on = QStringLiteral(" CREATE ON TABLESPACE \"ts1\"");
    const QList<Case> cases = {
        {"nothing", [](TTablespaceDefinition &) {}, {}},
        {"owner", [](TTablespaceDefinition &d) { d.Owner = QStringLiteral("bob"); },
         {head, " OWNER TO \"bob\"", ";"}},
        {"seq_page_cost cleared", [](TTablespaceDefinition &d) { d.SeqPageCost.clear(); },
         {head, " SET (random_page_cost = 1.1)", ";", head, " RESET (seq_page_cost)", ";"}},
        {"both cleared", [](TTablespaceDefinition &d) {
             d.SeqPageCost.clear();
             d.RandomPageCost = QStringLiteral(" ");
         },
         {head, " RESET (random_page_cost , seq_page_cost)", ";"}},
        {"grant option taken away", [](TTablespaceDefinition &d) { d.Grants[0].GrantOption = false; },
         {"REVOKE" + on + " FROM \"r1\"", ";", "GRANT" + on + " TO \"r1\"", ";"}},
        {"grant option given", [](TTablespaceDefinition &d) { d.Grants[1].GrantOption = true; },
         {"GRANT" + on + " TO \"r2\" WITH GRANT OPTION", ";"}},
        {"revoked and granted", [](TTablespaceDefinition &d) {
             d.Grants[1].Create = false;
             d.Grants[2].Create = true;
         },
         {"REVOKE" + on + " FROM \"r2\"", ";", "GRANT" + on + " TO \"r3\"", ";"}},
    };
    for (const Case &c : cases) {
        TTablespaceDefinition now = Loaded();
        c.edit(now);
        QStringList lines;
        TablespaceDDL::Alter(Loaded(), now, lines);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}

TEST(TablespaceDDL, CatalogTextsAndContentsStatements)
{
    QList<TTablespaceGrant> g = {{QStringLiteral("a")}, {QStringLiteral("we\"ird")}, {QStringLiteral("c"), true, true}};
    ApplyTablespaceAcl(QStringLiteral("owner=C/owner\r\na=C*/owner\r\n\"we\"\"ird\"=C/owner\r\nc=/owner\r\n=C/owner"),
                       g);
    EXPECT_EQ(g, (QList<TTablespaceGrant>{{"a", true, true}, {"we\"ird", true, false}, {"c", true, true}}));
    TTablespaceDefinition d;
    ApplyTablespaceOptions(QStringLiteral("seq_page_cost=4\r\neffective_io_concurrency=2\r\nrandom_page_cost= 1.5"), d);
    EXPECT_EQ(d.RandomPageCost, QStringLiteral("1.5"));
    EXPECT_EQ(d.SeqPageCost, QStringLiteral("4"));

    struct Case {
        int code;
        bool cascade;
        const char *sql;
    };
    const Case cases[] = {
        {45, false, "DROP TABLE IF EXISTS \"s\".\"T\""},
        {46, true, "DROP INDEX IF EXISTS \"s\".\"T\" CASCADE"},
        {47, false, "DROP VIEW IF EXISTS \"s\".\"T\""},
        {55, false, "DROP TYPE IF EXISTS \"s\".\"T\""},
        {58, false, "DROP SEQUENCE IF EXISTS \"s\".\"T\""},
        {61, false, "DROP MATERIALIZED VIEW IF EXISTS \"s\".\"T\""},
        {-1, false, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TablespaceContents::DropStatement(c.code, QStringLiteral("s"), QStringLiteral("T"), c.cascade),
                  QString::fromUtf8(c.sql))
            << c.code;
    EXPECT_EQ(TablespaceContents::MoveStatements(QStringLiteral("a"), QStringLiteral("b"), true, false, true,
                                                 QStringLiteral(" u1, Bob ")),
              (QStringList{"ALTER TABLE ALL IN TABLESPACE \"a\" OWNED BY \"u1\",\"Bob\" SET TABLESPACE \"b\"",
                           "ALTER MATERIALIZED VIEW ALL IN TABLESPACE \"a\" OWNED BY \"u1\",\"Bob\" SET TABLESPACE \"b\""}));
    EXPECT_EQ(TablespaceContents::FormatKB(1234567.4), QStringLiteral("   1,234,567"));
    EXPECT_TRUE(TablespaceSQL::Definition(90100).contains(QStringLiteral("t.spclocation,")));
    EXPECT_TRUE(TablespaceSQL::Definition(150000).contains(QStringLiteral("pg_tablespace_location(t.oid)")));
}

namespace {

class TablespaceWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("tbs");
        if (!db->available())
            return;
        tag = db->params().database;
        ts = QStringLiteral("ts1_") + tag;
        user = QStringLiteral("u_") + tag;
        bob = QStringLiteral("bob_") + tag;
        for (const QString &r : {user, bob})
            db->exec("CREATE ROLE \"" + r.toStdString() + "\" LOGIN PASSWORD 'pw'");
        db->exec("CREATE ROLE \"g_" + tag.toStdString() + "\" NOLOGIN");
        db->exec("GRANT CONNECT ON DATABASE \"" + tag.toStdString() + "\" TO \"" + user.toStdString() + "\"");
        RegisterOtherWindows();
        RegisterTableWindows();
        TfrmObject::RegisterLaunchers();
    }
    void Start(bool autoCommit = true, const QString &logonUser = QString())
    {
        DbParams p = db->params();
        if (!logonUser.isEmpty()) {
            p.user = logonUser;
            p.password = QStringLiteral("pw");
        }
        s.Start(LogonArgs(p));
        tvOption.UpdateToCommit = autoCommit;
        tvOption.ShowDDL = true;
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        if (s.main)
            for (TfrmTBS *w : WindowsOf<TfrmTBS>(s))
                w->SetModified(false);
        FreeExecDialogs();
        s.main.reset();
        if (!db || !db->available())
            return;
        // Tables first (they keep the tablespace busy), then the cluster's objects.
        db->exec("DROP SCHEMA IF EXISTS s1 CASCADE");
        for (const QString &t : {ts, QStringLiteral("ts2_") + tag})
            db->exec("DROP TABLESPACE IF EXISTS \"" + t.toStdString() + "\"");
        db->exec("REVOKE ALL ON DATABASE \"" + tag.toStdString() + "\" FROM \"" + user.toStdString() + "\"");
        for (const QString &r : {user, bob, QStringLiteral("g_") + tag})
            db->exec("DROP ROLE IF EXISTS \"" + r.toStdString() + "\"");
    }
    TfrmTBS *Open(const QString &name)
    {
        return dynamic_cast<TfrmTBS *>(form->OpenObject(69, QString(), name, omDefine));
    }
    TfrmTBS *OpenNew()
    {
        auto *w = Open(QString());
        return w;
    }
    void Press(QAction *a, TfrmTBS *w)
    {
        w->UpdateActions();
        ASSERT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        a->trigger();
    }
    void EditCell(TfrmTBS *w, int row, const QString &value)
    {
        QTableWidget *g = w->grdTbsOption;
        g->setCurrentCell(row, 1);
        g->item(row, 1)->setText(value);
    }
    std::string Q(const std::string &sql) { return db->scalar(sql); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
    QString tag, ts, user, bob;
    // Removed after TearDown has dropped the tablespaces.
    ServerFolder dir, dir2, dir3;
};

} // namespace

// A new tablespace from its window, with auto-commit on and off (then the
// statements run on a side connection, outside the open block); bad input
// keeps the window as the user left it; an owner change is one ALTER;
// clearing one cost gives SET then RESET.
TEST_F(TablespaceWindow, CreateAndAlter)
{
    TV_REQUIRE_DB(*db);
    for (bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit on" : "auto-commit off");
        Start(autoCommit);
        ASSERT_NE(form, nullptr);
        // With auto-commit off the session sits in a block the DDL must not run in.
        EXPECT_EQ(form->dbsMain().transactionState() == tv::db::TransactionState::Idle, autoCommit);
        ServerFolder dir;
        if (!dir.ok())
            GTEST_SKIP() << "cannot hand a folder to the server's account";
        TfrmTBS *w = OpenNew();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("TABLESPACE - 新規"));
        EXPECT_EQ(w->cmbOwner->Text(), db->params().user);
        EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabContents)));
        w->txtName->SetText(ts);
        w->cmbOwner->SetText(user);
        ASSERT_EQ(w->cmbOwner->Text(), user);
        w->txtDir->SetText(QString());
        EditCell(w, 0, QStringLiteral("1.1"));
        Press(w->actCompile, w);
        EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ディレクトリを入力して下さい。")});
        s.dialogs.clear();

        // A folder the server refuses: the log tells, the window stays new.
        w->txtDir->SetText(dir.path() + QStringLiteral("/missing"));
        {
            PreviewAnswer preview;
            ExecDialogUser user(&s.dialogs);
            Press(w->actCompile, w);
            EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("ERROR"))) << user.log.join(u'\n').toStdString();
        }
        EXPECT_TRUE(w->IsNew());
        EXPECT_EQ(w->txtName->Text(), ts);
        EXPECT_EQ(w->OptionValue(0), QStringLiteral("1.1"));
        s.dialogs.clear();

        w->txtDir->SetText(dir.path());
        {
            PreviewAnswer preview;
            ExecDialogUser exec;
            Press(w->actCompile, w);
            EXPECT_EQ(preview.lines,
                      (QStringList{"CREATE TABLESPACE \"" + ts + "\"", "  OWNER \"" + user + "\"",
                                   "  LOCATION '" + dir.path() + "'", ";", "ALTER TABLESPACE \"" + ts + "\"",
                                   " SET (random_page_cost = 1.1)", ";"}));
        }
        EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
        ASSERT_FALSE(w->IsNew());
        EXPECT_EQ(Q("SELECT spcoptions[1] FROM pg_tablespace WHERE spcname = '" + ts.toStdString() + "'"),
                  "random_page_cost=1.1");
        EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("TABLESPACE - ") + ts)) << w->windowTitle().toStdString();

        // The owner alone.
        w->cmbOwner->SetText(bob);
        {
            PreviewAnswer preview;
            ExecDialogUser exec;
            Press(w->actCompile, w);
            EXPECT_EQ(preview.lines, (QStringList{"ALTER TABLESPACE \"" + ts + "\"", " OWNER TO \"" + bob + "\"", ";"}));
        }
        EXPECT_EQ(Q("SELECT pg_get_userbyid(spcowner) FROM pg_tablespace WHERE spcname = '" + ts.toStdString() + "'"),
                  bob.toStdString());

        // Both costs set elsewhere; clearing one.
        w->grdTbsOption->setCurrentCell(1, 1);
        db->exec("ALTER TABLESPACE \"" + ts.toStdString() + "\" SET (seq_page_cost = 2)");
        w->actRefresh->trigger();
        EXPECT_EQ(w->OptionValue(1), QStringLiteral("2"));
        // The cell stays current across the reload; clearing it is a change.
        w->grdTbsOption->item(1, 1)->setText(QString());
        EXPECT_TRUE(w->Modified());
        {
            PreviewAnswer preview;
            ExecDialogUser exec;
            Press(w->actCompile, w);
            EXPECT_EQ(preview.lines, (QStringList{"ALTER TABLESPACE \"" + ts + "\"", " SET (random_page_cost = 1.1)", ";",
                                                  "ALTER TABLESPACE \"" + ts + "\"", " RESET (seq_page_cost)", ";"}));
        }
        EXPECT_EQ(Q("SELECT array_to_string(spcoptions, ',') FROM pg_tablespace WHERE spcname = '" +
                    ts.toStdString() + "'"),
                  "random_page_cost=1.1");

        // CREATE for a group role, with grant option, then without.
        const QString group = QStringLiteral("g_") + tag;
        const int g = [&] {
            for (int i = 0; i < w->chkRole->count(); ++i)
                if (w->chkRole->item(i)->text() == group)
                    return i;
            return -1;
        }();
        ASSERT_GE(g, 0);
        EXPECT_FALSE(w->chkRole->GetCheckedL(g));
        w->chkRole->ToggleL(g);
        w->chkRole->ToggleR(g);
        {
            PreviewAnswer preview;
            ExecDialogUser exec;
            Press(w->actCompile, w);
            EXPECT_EQ(preview.lines, (QStringList{"GRANT CREATE ON TABLESPACE \"" + ts + "\" TO \"" + group +
                                                      "\" WITH GRANT OPTION",
                                                  ";"}));
        }
        ASSERT_TRUE(w->chkRole->GetCheckedL(g));   // read back from the catalog
        ASSERT_TRUE(w->chkRole->GetCheckedR(g));
        w->chkRole->ToggleR(g);
        {
            PreviewAnswer preview;
            ExecDialogUser exec;
            Press(w->actCompile, w);
            EXPECT_EQ(preview.lines, (QStringList{"REVOKE CREATE ON TABLESPACE \"" + ts + "\" FROM \"" + group + "\"",
                                                  ";", "GRANT CREATE ON TABLESPACE \"" + ts + "\" TO \"" + group + "\"",
                                                  ";"}));
        }
        EXPECT_TRUE(w->chkRole->GetCheckedL(g));
        EXPECT_FALSE(w->chkRole->GetCheckedR(g));

        // The script without a window: no GRANT lines.
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(69, QString(), ts, buffer);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                                buffer.data().size() / 2);
        EXPECT_EQ(text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size(), 7) << text.toStdString();

        // Deleting it.
        s.dialogs.queueButton(tv::ui::IDYES);
        Press(w->actDelete, w);
        EXPECT_EQ(s.dialogs.texts().value(1), QStringLiteral("オブジェクトが削除されました。"));
        s.dialogs.clear();
        EXPECT_EQ(Q("SELECT count(*) FROM pg_tablespace WHERE spcname = '" + ts.toStdString() + "'"), "0");
        FreeExecDialogs();
        s.main.reset();
    }
}

// The contents page: three tables whose first cannot go before the second,
// dropped with "削除時のエラーを無視する" in two passes; a view and a type
// go with their own statements; moving to the same tablespace runs nothing.
TEST_F(TablespaceWindow, ContentsDropAndMove)
{
    TV_REQUIRE_DB(*db);
    if (!dir.ok() || !dir2.ok())
        GTEST_SKIP() << "cannot hand a folder to the server's account";
    const std::string t = ts.toStdString();
    db->exec("CREATE TABLESPACE \"" + t + "\" LOCATION '" + dir.path().toStdString() + "'");
    db->exec("CREATE TABLESPACE \"ts2_" + tag.toStdString() + "\" LOCATION '" + dir2.path().toStdString() + "'");
    db->exec("CREATE SCHEMA s1;"
             "CREATE TABLE s1.a1 (id int PRIMARY KEY USING INDEX TABLESPACE \"" + t + "\") TABLESPACE \"" + t + "\";"
             "CREATE TABLE s1.a2 (id int REFERENCES s1.a1) TABLESPACE \"" + t + "\";"
             "CREATE TABLE s1.a3 (id int) TABLESPACE \"" + t + "\";"
             "INSERT INTO s1.a3 SELECT generate_series(1, 5000); ANALYZE s1.a3;");
    Start();
    ASSERT_NE(form, nullptr);
    TfrmTBS *w = Open(ts);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->SelectPage(w->tabContents));
    ASSERT_EQ(w->lstObject->ItemCount(), 4);   // three tables and a1's key
    EXPECT_EQ(w->lstObject->Item(0)->Caption(), QStringLiteral("a1"));
    EXPECT_EQ(w->lstObject->Item(3)->SubItems(),
              (QStringList{"TABLE", "s1", db->params().user, TablespaceContents::FormatKB(
                  std::stod(Q("SELECT relpages * 8 FROM pg_class WHERE relname = 'a3'")))}));
    EXPECT_NE(w->lblAllUseSize->text(), QStringLiteral("(非表示)"));
    EXPECT_FALSE(w->lblSelfUseSize->text().trimmed().isEmpty());

    // The same tablespace as the target.
    {
        ModalSteps steps{{{QStringLiteral("frmMove"), [this](QWidget *d) {
                               d->findChild<QComboBox *>(QStringLiteral("cmbTarget"))->setCurrentText(ts);
                               d->findChild<QCheckBox *>(QStringLiteral("chkTable"))->setChecked(true);
                               d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
                           }}}};
        Press(w->actMoveTBS, w);
        EXPECT_TRUE(steps.finished());
    }
    EXPECT_EQ(s.dialogs.texts(),
              QStringList{QStringLiteral("移動元と移動先が同じです。\r\n別のテーブルスペースを選択してください。")});
    s.dialogs.clear();
    EXPECT_EQ(w->lstObject->ItemCount(), 4);

    // The three tables, errors ignored: a1 goes in the second pass.
    SelectListItems(w->lstObject, {QStringLiteral("a1"), QStringLiteral("a2"), QStringLiteral("a3")});
    tvOption.DelErr = false;
    s.dialogs.queueButton(tv::ui::IDYES, {true, false});
    Press(w->actDelObject, w);
    ASSERT_EQ(s.dialogs.calls().size(), 2) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("オブジェクトを削除しますか？"));
    EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("オブジェクトが削除されました。"));
    EXPECT_TRUE(tvOption.DelErr);
    EXPECT_EQ(Q("SELECT count(*) FROM pg_class WHERE relname IN ('a1', 'a2', 'a3')"), "0");
    EXPECT_EQ(w->lstObject->ItemCount(), 1);   // the key went with its table, the list keeps it
    s.dialogs.clear();

    // The box clear: the first error ends the run and shows itself.
    db->exec("CREATE TABLE s1.b1 (id int PRIMARY KEY USING INDEX TABLESPACE \"" + t + "\") TABLESPACE \"" + t + "\";"
             "CREATE TABLE s1.b2 (id int REFERENCES s1.b1) TABLESPACE \"" + t + "\";");
    w->actRefresh->trigger();
    SelectListItems(w->lstObject, {QStringLiteral("b1"), QStringLiteral("b2")});
    s.dialogs.queueButton(tv::ui::IDYES, {false, false});
    Press(w->actDelObject, w);
    EXPECT_EQ(Q("SELECT count(*) FROM pg_class WHERE relname IN ('b1', 'b2')"), "2");
    EXPECT_FALSE(s.dialogs.texts().contains(QStringLiteral("オブジェクトが削除されました。")));
    EXPECT_TRUE(FindListItem(w->lstObject, QStringLiteral("b1"))->isSelected());
    s.dialogs.clear();

    // Moving the tables to another tablespace.
    {
        const QString target = QStringLiteral("ts2_") + tag;
        ModalSteps steps{{{QStringLiteral("frmMove"), [target](QWidget *d) {
                               d->findChild<QComboBox *>(QStringLiteral("cmbTarget"))->setCurrentText(target);
                               d->findChild<QCheckBox *>(QStringLiteral("chkTable"))->setChecked(true);
                               d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
                           }}}};
        Press(w->actMoveTBS, w);
    }
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("オブジェクトを移動しました。")});
    EXPECT_EQ(Q("SELECT t.spcname FROM pg_class c JOIN pg_tablespace t ON t.oid = c.reltablespace "
                "WHERE relname = 'b2'"),
              "ts2_" + tag.toStdString());
    EXPECT_EQ(FindListItem(w->lstObject, QStringLiteral("b2")), nullptr);
    EXPECT_NE(FindListItem(w->lstObject, QStringLiteral("b1_pkey")), nullptr);
    s.dialogs.clear();

    // A tablespace still in use: the server's message, the window stays.
    s.dialogs.queueButton(tv::ui::IDYES);
    Press(w->actDelete, w);
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    EXPECT_TRUE(s.dialogs.calls().at(1).text.contains(QStringLiteral("not empty")))
        << s.dialogs.calls().at(1).text.toStdString();
    EXPECT_EQ(WindowsOf<TfrmTBS>(s).size(), 1);
}

// A user who is not a superuser sees "(非表示)" for all databases; the
// connected database's usage is still summed from the list. On the
// database's default tablespace views and composite types are listed too,
// and dropped by their own statements.
TEST_F(TablespaceWindow, ContentsOfAnOrdinaryUser)
{
    TV_REQUIRE_DB(*db);
    db->exec("CREATE SCHEMA s1 AUTHORIZATION \"" + user.toStdString() + "\";"
             "SET ROLE \"" + user.toStdString() + "\";"
             "CREATE TABLE s1.t (id int); CREATE VIEW s1.v AS SELECT 1 AS x; CREATE TYPE s1.c AS (x int);"
             "RESET ROLE;");
    Start(true, user);
    ASSERT_NE(form, nullptr);
    TfrmTBS *w = Open(QStringLiteral("pg_default"));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->SelectPage(w->tabContents));
    EXPECT_EQ(w->lblAllUseSize->text(), QStringLiteral("(非表示)"));
    EXPECT_FALSE(w->lblSelfUseSize->text().trimmed().isEmpty());
    TtvListItem *v = FindListItem(w->lstObject, QStringLiteral("v"));
    TtvListItem *c = FindListItem(w->lstObject, QStringLiteral("c"));
    ASSERT_NE(v, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ItemImageIndex(v), 47);
    EXPECT_EQ(ItemImageIndex(c), 55);
    SelectListItems(w->lstObject, {QStringLiteral("v"), QStringLiteral("c")});
    s.dialogs.queueButton(tv::ui::IDYES);
    Press(w->actDelObject, w);
    EXPECT_EQ(s.dialogs.texts().value(1), QStringLiteral("オブジェクトが削除されました。"));
    EXPECT_EQ(Q("SELECT count(*) FROM pg_class WHERE relnamespace = 's1'::regnamespace AND relname IN ('v', 'c')"),
              "0");
}

// The source page drops the tablespace and creates it again, outside any
// transaction: a location that is missing, not empty or not one the
// server's account can take (the server's message is shown), or a name
// that is taken, stops the compile before the drop; a CREATE that fails
// after the drop says plainly that the tablespace is gone; a good location
// takes the tablespace.
TEST_F(TablespaceWindow, RecreateChecksBeforeTheDrop)
{
    TV_REQUIRE_DB(*db);
    if (!dir.ok() || !dir2.ok() || !dir3.ok())
        GTEST_SKIP() << "no folder the server may use";
    db->exec("CREATE TABLESPACE \"" + ts.toStdString() + "\" LOCATION '" + dir.path().toStdString() + "'");
    db->exec("CREATE TABLESPACE \"ts2_" + tag.toStdString() + "\" LOCATION '" + dir2.path().toStdString() + "'");
    // An empty directory the server's account may read but does not own
    // (ServerFolder hands its folders over, so the test runs as root).
    QTemporaryDir foreign;
    ASSERT_TRUE(foreign.isValid());
    ASSERT_TRUE(QFile::setPermissions(foreign.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                          QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                          QFileDevice::ExeOther));
    Start();
    ASSERT_NE(form, nullptr);
    TfrmTBS *w = Open(ts);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->SelectPage(w->tabSource));
    const QString original = w->txtSource->Lines()->Text();
    ASSERT_TRUE(original.contains(dir.path())) << original.toStdString();
    auto exists = [&](const QString &name) {
        return Q("SELECT count(*) FROM pg_tablespace WHERE spcname = '" + name.toStdString() + "'") == "1";
    };
    struct Case {
        const char *what;
        QString text;
        QString message; // the start of what the user is told
        bool dropped;
    };
    const QList<Case> cases = {
        {"missing location", QString(original).replace(dir.path(), dir.path() + QStringLiteral("/missing")),
         QStringLiteral("ディレクトリ ") + dir.path() + QStringLiteral("/missing がありません。"), false},
        {"location in use", QString(original).replace(dir.path(), dir2.path()),
         QStringLiteral("ディレクトリ ") + dir2.path() + QStringLiteral(" は空ではありません。"), false},
        {"location the server's account does not own", QString(original).replace(dir.path(), foreign.path()),
         QStringLiteral("ERROR: "), false},
        {"name taken", QString(original).replace(u'"' + ts + u'"', QStringLiteral("\"ts2_") + tag + u'"'),
         QStringLiteral("表領域 ts2_") + tag + QStringLiteral(" は既に存在します。"), false},
        {"create fails", original + QStringLiteral("\nALTER TABLESPACE \"") + ts + QStringLiteral("\" SET (nosuch = 1)\n;"),
         QStringLiteral("表領域 ") + ts + QStringLiteral(" は削除されましたが、作成できませんでした。"), false},
        {"create fails after the drop",
         QString(original).replace(QStringLiteral("LOCATION"), QStringLiteral("WITH (nosuch = 1) LOCATION")),
         QStringLiteral("表領域 ") + ts + QStringLiteral(" は削除されましたが、作成できませんでした。"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (!exists(ts))
            db->exec("CREATE TABLESPACE \"" + ts.toStdString() + "\" LOCATION '" + dir.path().toStdString() + "'");
        w->txtSource->Lines()->SetText(c.text);
        w->SetModified(true);
        s.dialogs.clear();
        {
            PreviewAnswer preview;
            ExecDialogUser exec(&s.dialogs);
            Press(w->actCompile, w);
            TfrmDDLExec::WaitProc();
        }
        const QStringList told = s.dialogs.texts();
        bool found = false;
        for (const QString &t : told)
            found = found || t.startsWith(c.message);
        if (QString::fromLatin1(c.what) == QLatin1String("create fails")) {
            // The ALTER after the CREATE fails: the tablespace is there.
            EXPECT_FALSE(found) << told.join(u'|').toStdString();
            EXPECT_TRUE(exists(ts));
            continue;
        }
        EXPECT_TRUE(found) << told.join(u'|').toStdString();
        EXPECT_EQ(exists(ts), !c.dropped);
        EXPECT_TRUE(w->Modified());
        if (!c.dropped) {
            // The server's own words, and nothing of the check left behind.
            EXPECT_EQ(told.size(), 1) << told.join(u'|').toStdString();
            EXPECT_TRUE(told.value(0).endsWith(QStringLiteral("\r\n表領域は削除していません。")))
                << told.join(u'|').toStdString();
            EXPECT_EQ(Q("SELECT count(*) FROM pg_tablespace WHERE spcname LIKE 'tvx\\_location\\_check\\_%'"), "0");
        }
    }

    // A location the server's account can take: the tablespace moves there.
    if (!exists(ts))
        db->exec("CREATE TABLESPACE \"" + ts.toStdString() + "\" LOCATION '" + dir.path().toStdString() + "'");
    w->txtSource->Lines()->SetText(QString(original).replace(dir.path(), dir3.path()));
    w->SetModified(true);
    s.dialogs.clear();
    {
        PreviewAnswer preview;
        ExecDialogUser exec(&s.dialogs);
        Press(w->actCompile, w);
        TfrmDDLExec::WaitProc();
    }
    EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(Q("SELECT pg_tablespace_location(oid) FROM pg_tablespace WHERE spcname = '" + ts.toStdString() + "'"),
              dir3.path().toStdString());
    EXPECT_EQ(Q("SELECT count(*) FROM pg_tablespace WHERE spcname LIKE 'tvx\\_location\\_check\\_%'"), "0");
}
