// The table window against the test server, started as the program starts:
// the column grid's edit rules, the CREATE TABLE on the source page, in a
// saved file and in script output, the ALTER statements of edits, the
// dependants tree and the policy page, and the stand-ins of what comes later.
#include "shell/ShellTestSupport.h"
#include "TableWindowTestSupport.h"

#include "common/ScriptOption.h"
#include "controls/tvCheckBox.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "objects/table/fraStorage.h"
#include "objects/table/frmConst.h"
#include "objects/table/frmPolicy.h"
#include "objects/table/fraPartition.h"
#include "objects/table/frmTable.h"
#include "shell/WindowLaunchers.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidgetItemIterator>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

const char *const T1 = "CREATE SCHEMA s1;"
                       "CREATE TABLE s1.t1 (id integer CONSTRAINT t1_pkey PRIMARY KEY,"
                       " name varchar(20) NOT NULL DEFAULT 'x', amount numeric(10,2) DEFAULT 0);"
                       "COMMENT ON TABLE s1.t1 IS 'T1'; COMMENT ON COLUMN s1.t1.name IS 'N';";

// The CREATE TABLE of s1.t1 as a shown window writes it.
const QStringList T1Source = {
    "CREATE TABLE \"s1\".\"t1\"",
    "(",
    "    \"id\"                            integer NOT NULL,",
    "    \"name\"                          character varying(20) DEFAULT 'x'::character varying NOT NULL,",
    "    \"amount\"                        numeric(10,2) DEFAULT 0,",
    "    CONSTRAINT \"t1_pkey\" PRIMARY KEY  (\"id\")  USING INDEX TABLESPACE \"pg_default\"",
    ")",
    "TABLESPACE \"pg_default\"",
    ";",
    "COMMENT ON TABLE \"s1\".\"t1\" IS 'T1'",
    ";",
    "COMMENT ON COLUMN \"s1\".\"t1\".\"name\" IS 'N'",
    ";",
};

class TableWindow : public TableWindowTest {
protected:
    void TearDown() override
    {
        DropChanges<TfrmTable>();
        DropChanges<TfrmConst>();
        DropChanges<TfrmPolicy>();
        // The main window goes while active, the focus in a child: it must
        // not reach its own freed actions as the focus moves.
    }
    TfrmTable *Open(const QString &name, TOpenMode mode = omDefine)
    {
        s.main->show();
        s.main->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
        return dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), name, mode));
    }
};

// Types a text into a grid cell as the user does: F2 opens the cell
// editor, the text replaces the cell's, Enter stores it.
void TypeCell(TtvStringGrid *g, int col, int row, const QString &text)
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

// A check-box cell toggled with the space bar.
void ToggleCell(TtvStringGrid *g, int col, int row)
{
    ASSERT_TRUE(g->MoveCurrent(col, row));
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Space);
}

QString Utf16(const QBuffer &b)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.data().constData()), b.data().size() / 2);
}

} // namespace

// Key marks follow the key past a dropped first column; ticking "主キー"
// ticks "必須", which then stays; integer empties "長さ", which cannot be
// typed into then; typing on the last row adds an empty row.
TEST_F(TableWindow, ColumnGridEditRules)
{
    StartOn("tblg", "CREATE SCHEMA s1;"
                    "CREATE TABLE s1.t3 (gone int, id int, k2 int, v varchar(5), PRIMARY KEY (k2, id));"
                    "ALTER TABLE s1.t3 DROP COLUMN gone;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTable *w = Open(QStringLiteral("t3"));
    ASSERT_NE(w, nullptr);
    TtvStringGrid *g = w->grdColumn;
    ASSERT_EQ(g->RowCount(), 5); // header, three columns, the empty row
    EXPECT_EQ(g->Cols(TfrmTable::colName).mid(1), (QStringList{"id", "k2", "v", ""}));
    EXPECT_EQ(g->Cols(TfrmTable::colKey).mid(1), (QStringList{"1", "1", "", ""}));
    EXPECT_EQ(g->Cells(TfrmTable::colLength, 3), QStringLiteral("5"));
    EXPECT_FALSE(w->Modified());

    ToggleCell(g, TfrmTable::colKey, 3);
    EXPECT_TRUE(g->GetChecked(TfrmTable::colKey, 3));
    EXPECT_TRUE(g->GetChecked(TfrmTable::colNotNull, 3));
    EXPECT_TRUE(w->Modified());
    ToggleCell(g, TfrmTable::colNotNull, 3); // a key column stays NOT NULL
    EXPECT_TRUE(g->GetChecked(TfrmTable::colNotNull, 3));

    TypeCell(g, TfrmTable::colType, 3, QStringLiteral("integer"));
    EXPECT_EQ(g->Cells(TfrmTable::colType, 3), QStringLiteral("integer"));
    EXPECT_EQ(g->Cells(TfrmTable::colLength, 3), QString());
    ASSERT_TRUE(g->MoveCurrent(TfrmTable::colLength, 3));
    g->setFocus();
    QTest::keyClick(g, Qt::Key_F2);
    EXPECT_FALSE(g->EditorMode());
    EXPECT_EQ(g->Cells(TfrmTable::colLength, 3), QString());

    TypeCell(g, TfrmTable::colName, 4, QStringLiteral("added"));
    EXPECT_EQ(g->RowCount(), 6);
    EXPECT_EQ(g->Cells(TfrmTable::colName, 4), QStringLiteral("added"));
    EXPECT_EQ(g->Rows(5).join(QString()), QString());
    // The new column has no type yet; it takes one and a length.
    TypeCell(g, TfrmTable::colType, 4, QStringLiteral("numeric"));
    TypeCell(g, TfrmTable::colLength, 4, QStringLiteral("8,2"));
    const TTableDefinition d = w->CurrentDefinition();
    ASSERT_EQ(d.Columns.size(), 4);
    EXPECT_EQ(d.Columns[3].Pos, 0);
    EXPECT_EQ(TableDDL::TypeText(d.Columns[3]), QStringLiteral("numeric(8,2)"));
    EXPECT_EQ(TableDDL::TypeText(d.Columns[2]), QStringLiteral("integer"));
}

// Ctrl+PgDn and Ctrl+PgUp turn the pages from the column grid, also while
// a cell is being edited, and the grid's cell does not change.
TEST_F(TableWindow, PagesTurnFromTheColumnGrid)
{
    StartOn("tblk", T1);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(s.ShowMain());
    TfrmTable *w = Open(QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    TtvStringGrid *g = w->grdColumn;
    for (const bool editing : {false, true}) {
        SCOPED_TRACE(editing ? "cell editor open" : "grid");
        w->pagObject->setCurrentIndex(0);
        ASSERT_TRUE(g->MoveCurrent(TfrmTable::colName, 1));
        g->setFocus();
        if (editing) {
            QTest::keyClick(g, Qt::Key_F2);
            ASSERT_TRUE(g->EditorMode());
        }
        const QString name = g->Cells(TfrmTable::colName, 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(w->pagObject->currentIndex(), 1);
        EXPECT_EQ(g->Row(), 1);
        EXPECT_EQ(g->Cells(TfrmTable::colName, 1), name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(w->pagObject->currentIndex(), 0);
    }
}

// The source page, "ファイル保存(&S)" and OutputScript(45) give the CREATE
// TABLE with the key and comments; the script without the key's
// tablespace; the script re-creates the table as it was.
TEST_F(TableWindow, SourceSaveAndScriptOutput)
{
    StartOn("tbls", T1);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTable *w = Open(QStringLiteral("t1"), omSource);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("TABLE - s1.t1 @ ") + db->params().database + u'/' +
                                    db->params().host + u':' + db->params().port);
    EXPECT_EQ(w->ShownPage(), w->tabSource);
    EXPECT_EQ(w->txtSource->Lines()->ToStringList(), T1Source);

    ScratchDir dir(false);
    tvOption.FileDir = dir.path();
    const QString saved = dir.file(QStringLiteral("saved.sql"));
    s.dialogs.queuePath(saved);
    w->UpdateActions();
    ASSERT_TRUE(w->actSave->isEnabled());
    w->actSave->trigger();
    ASSERT_FALSE(s.dialogs.calls().isEmpty());
    EXPECT_EQ(s.dialogs.calls().first().file.fileName, dir.file(QStringLiteral("s1.t1.sql")));
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("スクリプトが出力されました。"));
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), T1Source.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

    QStringList script = T1Source;
    script[5] = QStringLiteral("    CONSTRAINT \"t1_pkey\" PRIMARY KEY  (\"id\") ");
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    form->OutputScript(45, QStringLiteral("s1"), QStringLiteral("t1"), buffer);
    EXPECT_EQ(Utf16(buffer), script.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    QBuffer none;
    none.open(QIODevice::ReadWrite);
    form->OutputScript(45, QStringLiteral("s1"), QStringLiteral("nothing"), none);
    EXPECT_TRUE(none.data().isEmpty());

    const std::string before = db->scalar(
        "SELECT string_agg(attname || ' ' || format_type(atttypid, atttypmod) || attnotnull, ',' ORDER BY attnum)"
        " FROM pg_attribute WHERE attrelid = 's1.t1'::regclass AND attnum > 0");
    db->exec("DROP TABLE s1.t1");
    db->exec(Utf16(buffer).remove(u'\r').toStdString());
    EXPECT_EQ(db->scalar("SELECT string_agg(attname || ' ' || format_type(atttypid, atttypmod) || attnotnull, ','"
                         " ORDER BY attnum) FROM pg_attribute WHERE attrelid = 's1.t1'::regclass AND attnum > 0"),
              before);
    EXPECT_EQ(db->scalar("SELECT obj_description('s1.t1'::regclass)"), "T1");
}

// GetSourceAlter: a comment-only change gives one COMMENT; a new last key
// column drops the key, adds the column and adds the key over both.
TEST_F(TableWindow, AlterStatementsOfEdits)
{
    StartOn("tbla", T1);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTable *w = Open(QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    w->txtComment->setFocus();
    w->txtComment->selectAll();
    QTest::keyClicks(w->txtComment, QStringLiteral("T2"));
    EXPECT_TRUE(w->Modified());
    QStringList alter;
    w->GetSourceAlter(alter);
    EXPECT_EQ(alter, (QStringList{"COMMENT ON TABLE \"s1\".\"t1\" IS 'T2'", ";"}));

    s.dialogs.queueButton(tv::ui::IDYES);
    w->actRefresh->trigger();
    EXPECT_EQ(w->txtComment->Text(), QStringLiteral("T1"));
    TtvStringGrid *g = w->grdColumn;
    TypeCell(g, TfrmTable::colName, 4, QStringLiteral("c"));
    TypeCell(g, TfrmTable::colType, 4, QStringLiteral("integer"));
    ToggleCell(g, TfrmTable::colKey, 4);
    EXPECT_FALSE(w->IsCreate());
    alter.clear();
    w->GetSourceAlter(alter);
    const QStringList expected{"ALTER TABLE \"s1\".\"t1\" DROP CONSTRAINT \"t1_pkey\"",
                               ";",
                               "ALTER TABLE \"s1\".\"t1\"",
                               "ADD COLUMN \"c\"" + QString(28, u' ') + "integer NOT NULL",
                               ";",
                               "ALTER TABLE \"s1\".\"t1\" ADD CONSTRAINT \"t1_pkey\"",
                               "PRIMARY KEY (\"id\", \"c\") ",
                               ";"};
    EXPECT_EQ(alter, expected);
    // The statements run as built.
    for (const QString &statement : alter.join(u'\n').split(QStringLiteral("\n;"), Qt::SkipEmptyParts))
        if (!statement.trimmed().isEmpty())
            db->exec(statement.toStdString());
    EXPECT_EQ(db->scalar("SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE conname = 't1_pkey'"),
              "PRIMARY KEY (id, c)");
}

// An edit offers "作成(&C)", an existing table "削除(&D)"; the data page
// is offered; "パーティション" shows the inheritance tree; "生成(&W)"
// follows the data generator's launcher.
TEST_F(TableWindow, StandInsAndTheGeneratorLauncher)
{
    StartOn("tbli", T1);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const bool had = HasLauncher(QStringLiteral("TfrmDataGenerate"));
    TLaunchContext asked;
    int launched = 0;
    RegisterLauncher(QStringLiteral("TfrmDataGenerate"), [&](const TLaunchContext &c) {
        asked = c;
        ++launched;
        return static_cast<QWidget *>(nullptr);
    });
    TfrmTable *w = Open(QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabData)));
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabPartition)));
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabPolicy)));
    EXPECT_TRUE(w->SelectPage(w->tabPartition));
    ASSERT_EQ(w->fraPartition->lstTables->topLevelItemCount(), 1);
    EXPECT_EQ(w->fraPartition->lstTables->topLevelItem(0)->text(0), QStringLiteral("\"s1\".\"t1\""));
    w->txtComment->SetText(QStringLiteral("changed"));
    w->SetModified(true);
    w->UpdateActions();
    EXPECT_TRUE(w->actCompile->isEnabled());
    EXPECT_TRUE(w->actDelete->isEnabled());
    // The edit given up: nothing to ask when the page changes.
    w->SetModified(false);
    ASSERT_TRUE(w->actDataGenerate->isEnabled());
    w->actDataGenerate->trigger();
    EXPECT_EQ(launched, 1);
    EXPECT_EQ(asked.Connection, form);
    EXPECT_EQ(asked.Schema, QStringLiteral("s1"));
    EXPECT_EQ(asked.ObjectName, QStringLiteral("t1"));
    EXPECT_TRUE(w->SelectPage(w->tabSource));
    EXPECT_TRUE(w->CloseQuery());
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(db->scalar("SELECT obj_description('s1.t1'::regclass)"), "T1");

    RegisterLauncher(QStringLiteral("TfrmDataGenerate"), {});
    w->UpdateActions();
    EXPECT_FALSE(w->actDataGenerate->isEnabled());
    ASSERT_FALSE(had); // nothing else registered it here

    // A new table: the define and storage pages, three roots, nothing to offer.
    auto *n = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QString()));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->windowTitle(), QStringLiteral("TABLE - 新規"));
    EXPECT_FALSE(n->pagObject->isTabVisible(n->pagObject->indexOf(n->tabSource)));
    EXPECT_FALSE(n->pagObject->isTabVisible(n->pagObject->indexOf(n->tabPolicy)));
    EXPECT_FALSE(n->pagObject->isTabVisible(n->pagObject->indexOf(n->tabPartition)));
    EXPECT_FALSE(n->pagObject->isTabVisible(n->pagObject->indexOf(n->tabData)));
    EXPECT_TRUE(n->pagObject->isTabVisible(n->pagObject->indexOf(n->tabStorage)));
    EXPECT_EQ(n->lstConst->topLevelItemCount(), 3);
    n->lstConst->setCurrentItem(n->lstConst->topLevelItem(0));
    n->popConstPopup();
    EXPECT_FALSE(n->mnuConstNew->isEnabled() || n->mnuConstOpen->isEnabled() || n->mnuConstDelete->isEnabled());
    n->UpdateActions();
    EXPECT_FALSE(n->actDataGenerate->isEnabled());
}

// The program started with "/U= /PS= /D= /H= /P=" opens s1.t1 with Ctrl+O:
// the key first among the constraints, every CHECK listed, no index of a
// constraint, no internal trigger; a trigger dropped from the tree is gone
// for every session; "作成画面" opens the selected policy.
TEST_F(TableWindow, EndToEndDependantsAndPolicies)
{
    StartOn("tble", "CREATE SCHEMA s1;"
                    "CREATE TABLE s1.t1 (id int CONSTRAINT t1_pkey PRIMARY KEY, b int, c text,"
                    " CONSTRAINT a_check CHECK (b IS NOT NULL), CONSTRAINT t1_c_key UNIQUE (c));"
                    "CREATE INDEX i1 ON s1.t1 (b);"
                    "CREATE TABLE s1.t2 (id int, t1_id int REFERENCES s1.t1 (id));"
                    "CREATE FUNCTION s1.fn() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
                    "CREATE TRIGGER trg1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn();"
                    "CREATE POLICY p1 ON s1.t1 USING (b > 0);"
                    "ALTER TABLE s1.t1 ENABLE ROW LEVEL SECURITY;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmMain &m = *s.main;
    TtvMemo *memo = EditorInMainWindow(m);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    memo->EditSetText(QStringLiteral("s1.t1"));
    memo->setFocus();
    QCoreApplication::processEvents();
    memo->EditSetSel(0, 5);
    m.UpdateActions();
    m.Action(QStringLiteral("actEditOpen"))->trigger();
    ASSERT_EQ(WindowsOf<TfrmTable>(s).size(), 1);
    TfrmTable *w = WindowsOf<TfrmTable>(s).first();
    const DbParams &p = db->params();
    const QString suffix = QStringLiteral(" @ ") + p.database + u'/' + p.host + u':' + p.port;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("TABLE - s1.t1") + suffix);

    TtvTreeView *tree = w->lstConst;
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    auto children = [tree](int root) {
        QStringList rows;
        auto *r = dynamic_cast<TtvTreeNode *>(tree->topLevelItem(root));
        for (int i = 0; i < r->childCount(); ++i) {
            auto *n = r->Child(i);
            rows << n->Text() + u'|' + n->SubItems().value(0) + u'|' + n->SubItems().value(1);
        }
        return rows;
    };
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("CONSTRAINT"));
    EXPECT_EQ(children(0), (QStringList{"t1_pkey|PRIMARY KEY|(id)", "a_check|CHECK|(b IS NOT NULL)",
                                        "t1_c_key|UNIQUE|(c)"}));
    EXPECT_EQ(children(1), (QStringList{"i1|NONUNIQUE INDEX|b"}));
    EXPECT_EQ(children(2), (QStringList{"trg1|TRIGGER|"}));

    // Drop trg1 from the tree with the Delete key.
    auto *trg = dynamic_cast<TtvTreeNode *>(tree->topLevelItem(2))->Child(0);
    tree->setCurrentItem(trg);
    tree->setFocus();
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(s.dialogs.texts(),
              (QStringList{QStringLiteral("トリガーを削除しますか？"), QStringLiteral("トリガーが削除されました。")}));
    EXPECT_EQ(s.dialogs.calls().first().flags & tv::ui::MB_DEFMASK, unsigned(tv::ui::MB_DEFBUTTON2));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_trigger WHERE tgname = 'trg1'"), "0");
    EXPECT_EQ(children(2), QStringList());

    // Enter on the CHECK opens its constraint window.
    tree->setCurrentItem(dynamic_cast<TtvTreeNode *>(tree->topLevelItem(0))->Child(1));
    QTest::keyClick(tree, Qt::Key_Return);
    bool found = false;
    for (QWidget *c : m.MdiChildren())
        found = found || c->windowTitle() == QStringLiteral("CONSTRAINT - s1.t1.a_check") + suffix;
    EXPECT_TRUE(found);

    // The policy page and "作成画面".
    ASSERT_TRUE(w->SelectPage(w->tabPolicy));
    EXPECT_TRUE(w->chkPolicyEnable->Checked());
    ASSERT_EQ(w->lstPolicy->topLevelItemCount(), 1);
    TtvListItem *p1 = w->lstPolicy->Item(0);
    EXPECT_EQ(p1->Caption(), QStringLiteral("p1"));
    EXPECT_EQ(p1->SubItems().mid(0, 6), (QStringList{"*", "*", "*", "*", "", "(b > 0)"}));
    w->lstPolicy->setCurrentItem(p1);
    EXPECT_EQ(w->txtPolicyUsing->Lines()->Text().trimmed(), QStringLiteral("(b > 0)"));
    w->btnPolicyOpen->click();
    ASSERT_EQ(WindowsOf<TfrmPolicy>(s).size(), 1);
    EXPECT_EQ(WindowsOf<TfrmPolicy>(s).first()->windowTitle(), QStringLiteral("POLICY - s1.t1.p1") + suffix);
}

// The pages of an existing table: privileges and cross reference open by
// their modes, storage shows the table's tablespace; a view on the table
// is what uses it.
TEST_F(TableWindow, PrivilegeCrossReferenceAndStoragePages)
{
    StartOn("tblp", std::string(T1) + "CREATE VIEW s1.v1 AS SELECT id FROM s1.t1;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTable *w = Open(QStringLiteral("t1"), omGrant);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ShownPage(), w->tabGrant);
    EXPECT_GT(w->fraGrant->lstGrant->topLevelItemCount(), 0);
    ASSERT_TRUE(w->SelectPage(w->tabCross));
    QStringList used;
    for (QTreeWidgetItemIterator it(w->fraCross->lstTree2); *it; ++it)
        used << (*it)->text(0);
    EXPECT_TRUE(used.join(u'|').contains(QStringLiteral("v1"))) << used.join(u'|').toStdString();
    ASSERT_TRUE(w->SelectPage(w->tabStorage));
    EXPECT_EQ(w->fraStorage->cmbTBS->Text(), QStringLiteral("pg_default"));
    EXPECT_FALSE(w->Modified());
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
}

// Odd names are quoted wherever they stand: the script of such a table,
// run again, gives the same table, its key and its comments.
TEST_F(TableWindow, OddNamesRoundTripThroughTheScript)
{
    StartOn("tblo", "CREATE SCHEMA \"S 1\";"
                    "CREATE TABLE \"S 1\".\"Odd \"\"T\" (\"a b\" int, \"Ünï\" text, \"select\" int,"
                    " PRIMARY KEY (\"select\", \"a b\"), CONSTRAINT \"u-1\" UNIQUE (\"Ünï\"));"
                    "COMMENT ON COLUMN \"S 1\".\"Odd \"\"T\".\"a b\" IS 'it''s';");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("S 1"), QStringLiteral("Odd \"T"), omSource));
    ASSERT_NE(w, nullptr);
    const QStringList source = w->txtSource->Lines()->ToStringList();
    ASSERT_FALSE(source.isEmpty());
    EXPECT_EQ(source.first(), QStringLiteral("CREATE TABLE \"S 1\".\"Odd \"\"T\""));
    EXPECT_TRUE(source.contains(QStringLiteral("COMMENT ON COLUMN \"S 1\".\"Odd \"\"T\".\"a b\" IS 'it''s'")));
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    form->OutputScript(45, QStringLiteral("S 1"), QStringLiteral("Odd \"T"), buffer);
    const QString script = Utf16(buffer).remove(u'\r');
    ASSERT_FALSE(script.isEmpty());
    db->exec("DROP TABLE \"S 1\".\"Odd \"\"T\"");
    db->exec(script.toStdString());
    EXPECT_EQ(db->scalar("SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE contype = 'p'"
                         " AND conrelid = '\"S 1\".\"Odd \"\"T\"'::regclass"),
              "PRIMARY KEY (\"select\", \"a b\")");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_constraint WHERE conname = 'u-1'"), "1");
    EXPECT_EQ(db->scalar("SELECT col_description('\"S 1\".\"Odd \"\"T\"'::regclass, 1)"), "it's");
}

// "上へ移動", "下へ移動", "列の追加" and "列の削除": a column out of its
// loaded order, a new column anywhere but last, or a removed column needs
// the table re-created; the last empty row stays.
TEST_F(TableWindow, ColumnToolsAndTheRebuildTest)
{
    StartOn("tblc", T1);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTable *w = Open(QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    TtvStringGrid *g = w->grdColumn;
    auto names = [g] { return g->Cols(TfrmTable::colName).mid(1); };
    EXPECT_FALSE(w->IsCreate());

    ASSERT_TRUE(g->MoveCurrent(TfrmTable::colName, 1));
    w->UpdateActions();
    EXPECT_FALSE(w->actColUp->isEnabled());
    EXPECT_TRUE(w->actColDown->isEnabled());
    w->actColDown->trigger();
    EXPECT_EQ(names(), (QStringList{"name", "id", "amount", ""}));
    EXPECT_EQ(g->Row(), 2);
    EXPECT_TRUE(w->Modified());
    EXPECT_TRUE(w->IsCreate());
    w->UpdateActions();
    EXPECT_TRUE(w->actColUp->isEnabled());
    w->actColUp->trigger();
    EXPECT_EQ(names(), (QStringList{"id", "name", "amount", ""}));
    EXPECT_FALSE(w->IsCreate());

    // A new column in the middle.
    ASSERT_TRUE(g->MoveCurrent(TfrmTable::colName, 2));
    w->btnColInsert->trigger();
    EXPECT_EQ(names(), (QStringList{"id", "", "name", "amount", ""}));
    TypeCell(g, TfrmTable::colName, 2, QStringLiteral("mid"));
    EXPECT_EQ(g->RowCount(), 6); // no second empty row: it was not the last
    EXPECT_TRUE(w->IsCreate());
    w->btnColDelete->trigger();
    EXPECT_EQ(names(), (QStringList{"id", "name", "amount", ""}));
    EXPECT_FALSE(w->IsCreate());

    // The empty last row is never deleted; deleting the row above it keeps one.
    ASSERT_TRUE(g->MoveCurrent(TfrmTable::colName, 4));
    w->btnColDelete->trigger();
    EXPECT_EQ(g->RowCount(), 5);
    ASSERT_TRUE(g->MoveCurrent(TfrmTable::colName, 3));
    w->btnColDelete->trigger();
    EXPECT_EQ(names(), (QStringList{"id", "name", ""}));
    EXPECT_TRUE(w->IsCreate()); // a column was removed
}

// A policy for a role lists the role; selecting it shows the role with the
// role icon and both expressions; "作成画面" with nothing selected starts a
// new policy on the table.
TEST_F(TableWindow, PolicyPageRolesAndNewPolicy)
{
    StartOn("tblr", T1);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->ensureRole("tv_policy_reader");
    db->exec("CREATE POLICY p2 ON s1.t1 FOR UPDATE TO tv_policy_reader USING (id > 0) WITH CHECK (id < 10)");
    TfrmTable *w = Open(QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->SelectPage(w->tabPolicy));
    EXPECT_FALSE(w->chkPolicyEnable->Checked());
    ASSERT_EQ(w->lstPolicy->topLevelItemCount(), 1);
    TtvListItem *p2 = w->lstPolicy->Item(0);
    EXPECT_EQ(p2->SubItems(), (QStringList{"", "", "*", "", "tv_policy_reader", "(id > 0)", "(id < 10)"}));
    w->lstPolicy->setCurrentItem(p2);
    ASSERT_EQ(w->lstRole->topLevelItemCount(), 1);
    EXPECT_EQ(w->lstRole->Item(0)->Caption(), QStringLiteral("tv_policy_reader"));
    EXPECT_EQ(w->txtPolicyCheck->Lines()->Text().trimmed(), QStringLiteral("(id < 10)"));
    w->lstPolicy->clearSelection();
    w->lstPolicy->setCurrentItem(nullptr);
    EXPECT_EQ(w->lstRole->topLevelItemCount(), 0);
    w->btnPolicyOpen->click();
    ASSERT_EQ(WindowsOf<TfrmPolicy>(s).size(), 1);
    EXPECT_EQ(WindowsOf<TfrmPolicy>(s).first()->windowTitle(), QStringLiteral("POLICY - 新規"));
}
