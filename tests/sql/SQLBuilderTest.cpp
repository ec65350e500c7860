// The SQL window's query builder against the test server, driven as a user
// would: tables from the picker, double clicks and drags on the column lists,
// the join dialog, hand edits of the text, the statement kinds and the
// picker's own behaviour.
#include "shell/ShellTestSupport.h"

#include "shell/ModalSteps.h"

#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "controls/tvListView.h"
#include "platform/settings/tvRegistry.h"
#include "shell/ListItemImage.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmSQL.h"
#include "sql/frmSQLBldConnect.h"
#include "sql/frmTableList.h"
#include "sql/tvSQLDesigner.h"

#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

QString Flat(QString s)
{
    s.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    s.replace(QRegularExpression(QStringLiteral(" ?, ?")), QStringLiteral(", "));
    s.replace(QRegularExpression(QStringLiteral("\\. ")), QStringLiteral("."));
    return s.trimmed();
}

QStringList Texts(const QListWidget *l)
{
    QStringList t;
    for (int i = 0; i < l->count(); ++i)
        t << l->item(i)->text();
    return t;
}

class Builder : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!db.available())
            return;
        db.exec("CREATE TABLE emp(empno int PRIMARY KEY, ename text, deptno int);"
                "CREATE TABLE dept(deptno int PRIMARY KEY, dname text);"
                "INSERT INTO dept VALUES (10, 'A'), (20, 'B');"
                "INSERT INTO emp VALUES (1, 'x', 10), (2, 'y', 30);"
                "CREATE TABLE \"Employee\"(id int); CREATE TABLE x_emp_y(id int);"
                "CREATE MATERIALIZED VIEW mv_dept AS SELECT deptno, dname FROM dept;"
                "CREATE SCHEMA sales;"
                "CREATE TABLE sales.measure(ts timestamp, v int) PARTITION BY RANGE (ts);"
                "CREATE TABLE w2q3_t(id int PRIMARY KEY, v text);"
                "INSERT INTO w2q3_t VALUES (1, 'old'), (2, 'old');");
    }
    TfrmSQL *Open()
    {
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        EXPECT_NE(s.Form(), nullptr);
        auto *w = new TfrmSQL(s.Form());
        w->ShowForm();
        w->resize(900, 700);
        QTest::mouseClick(w->btnShowDesign, Qt::LeftButton);
        EXPECT_FALSE(w->pnlBuild->isHidden());
        return w;
    }
    // "テーブル追加(&I)" choosing `names` in the picker (schema `schema`).
    static void AddTables(TfrmSQL *w, const QStringList &names, const QString &schema = QString())
    {
        ModalSteps steps({{QStringLiteral("frmTableList"), [names, schema](QWidget *d) {
                               auto *p = static_cast<TfrmTableList *>(d);
                               if (!schema.isEmpty()) {
                                   p->cmbSchema->setCurrentIndex(p->cmbSchema->findText(schema));
                                   emit p->cmbSchema->activated(p->cmbSchema->currentIndex());
                               }
                               for (int i = 0; i < p->lstTable->count(); ++i)
                                   p->lstTable->item(i)->setSelected(names.contains(p->lstTable->item(i)->text()));
                               QTest::mouseClick(p->btnOk, Qt::LeftButton);
                           }}});
        QTest::mouseClick(w->btnInsTable, Qt::LeftButton);
        EXPECT_TRUE(steps.finished());
    }
    static TtvSQLBuildTable *Table(TfrmSQL *w, const QString &name)
    {
        for (TtvSQLBuildTable *t : w->SQLDesign->Tables())
            if (t->TableName() == name)
                return t;
        return nullptr;
    }
    static QPoint ItemPoint(TtvSQLBuildTable *t, const QString &column)
    {
        const auto found = t->ItemList->findItems(column, Qt::MatchExactly);
        EXPECT_FALSE(found.isEmpty()) << column.toStdString();
        return found.isEmpty() ? QPoint() : t->ItemList->visualItemRect(found.first()).center();
    }
    static void DoubleClickColumn(TtvSQLBuildTable *t, const QString &column)
    {
        const QPoint p = ItemPoint(t, column);
        QTest::mouseClick(t->ItemList->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(t->ItemList->viewport(), Qt::LeftButton, {}, p);
    }
    // Drags the column of one table onto a column of another.
    static void DragColumn(TfrmSQL *w, TtvSQLBuildTable *from, const QString &fromColumn, TtvSQLBuildTable *to,
                           const QString &toColumn)
    {
        QTest::mouseClick(from->ItemList->viewport(), Qt::LeftButton, {}, ItemPoint(from, fromColumn));
        std::unique_ptr<QMimeData> mime(w->SQLDesign->ColumnMime(from));
        QWidget *target = to->ItemList->viewport();
        const QPointF at = ItemPoint(to, toColumn);
        QDragEnterEvent enter(at.toPoint(), Qt::LinkAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::LinkAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &move);
        ASSERT_TRUE(move.isAccepted());
        QDropEvent drop(at, Qt::LinkAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
    }
    static QString Text(TfrmSQL *w) { return w->txtSQL->Lines()->Text(); }
    // A double click on the middle of the join line, answered by `act`.
    static void JoinDialog(TfrmSQL *w, std::function<void(TfrmSQLBldConnect *)> act)
    {
        ASSERT_EQ(w->SQLDesign->Design().Connects.size(), 1u);
        TtvSQLBuildConnect *c = w->SQLDesign->Design().Connects.front().get();
        w->SQLDesign->CalcLines(c);
        const QPoint mid = (c->Points[1] + c->Points[2]) / 2;
        ModalSteps steps({{QStringLiteral("frmSQLBldConnect"),
                           [act](QWidget *d) { act(static_cast<TfrmSQLBldConnect *>(d)); }}});
        QTest::mouseDClick(w->SQLDesign->Surface(), Qt::LeftButton, {}, mid);
        EXPECT_TRUE(steps.finished());
    }
    int Warnings(const QString &text) const
    {
        int n = 0;
        for (const auto &c : s.dialogs.calls())
            if (c.kind == ScriptedDialogs::Kind::Message && c.text == text)
                ++n;
        return n;
    }

    TestDb db{"w2q3"};
    ShellSession s;
};

} // namespace

TEST_F(Builder, SelectFromDoubleClicksDragsAndTheJoinDialog)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    AddTables(w, {"emp"});
    AddTables(w, {"dept"});
    TtvSQLBuildTable *a = Table(w, "emp");
    TtvSQLBuildTable *b = Table(w, "dept");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Alias(), "a");
    EXPECT_EQ(b->Alias(), "b");
    EXPECT_EQ(Texts(a->ItemList), (QStringList{"*", "empno", "ename", "deptno"}));
    EXPECT_TRUE(a->ItemList->item(1)->font().bold()); // the key column
    EXPECT_FALSE(a->ItemList->item(2)->font().bold());
    EXPECT_FALSE(a->geometry().intersects(b->geometry()));

    DoubleClickColumn(a, "empno");
    DoubleClickColumn(a, "ename");
    EXPECT_EQ(w->grdColumn->Cells(0, 1), "a.\"empno\"");
    EXPECT_EQ(w->grdColumn->Cells(0, 2), "a.\"ename\"");
    EXPECT_EQ(w->grdColumn->RowCount(), 4);
    EXPECT_EQ(Flat(Text(w)), "SELECT a.\"empno\", a.\"ename\" FROM \"emp\" a, \"dept\" b");
    EXPECT_TRUE(w->txtSQL->Modified());

    // A drop on "*" or on the same table is refused; on a column it joins.
    DragColumn(w, a, "deptno", b, "deptno");
    EXPECT_TRUE(Flat(Text(w)).endsWith("WHERE a.\"deptno\" = b.\"deptno\"")) << Text(w).toStdString();

    JoinDialog(w, [](TfrmSQLBldConnect *d) {
        EXPECT_EQ(d->grpTable1->title(), " emp の列選択 ");
        EXPECT_EQ(d->cmbColumn1->currentText(), "deptno");
        d->chkLeftFull->setChecked(true);
        d->chkRightFull->setChecked(true); // only one side keeps all rows
        EXPECT_FALSE(d->chkLeftFull->isChecked());
        d->chkLeftFull->setChecked(true);
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
    });
    const QString outer = Flat(Text(w));
    EXPECT_TRUE(outer.contains("FROM \"emp\" a LEFT OUTER JOIN \"dept\" b ON a.\"deptno\" = b.\"deptno\""))
        << outer.toStdString();
    // The text runs: every emp row, also the one without a department.
    EXPECT_EQ(db.scalar("SELECT count(*) FROM (" + Text(w).toStdString() + ") s"), "2");

    JoinDialog(w, [](TfrmSQLBldConnect *d) { QTest::mouseClick(d->btnDelete, Qt::LeftButton); });
    EXPECT_TRUE(w->SQLDesign->Design().Connects.empty());
    EXPECT_FALSE(Text(w).contains("deptno"));

    // Removing a table takes its rows with it.
    w->SQLDesign->SetSelected(a);
    QTRY_VERIFY(w->actDelTable->isEnabled());
    QTest::mouseClick(w->btnDelTable, Qt::LeftButton);
    EXPECT_EQ(w->SQLDesign->Tables().size(), 1);
    EXPECT_EQ(w->grdColumn->RowCount(), 2);
    EXPECT_EQ(Flat(Text(w)), "SELECT FROM \"dept\" b");
}

TEST_F(Builder, HandEditsUnshowableTextsAndAliasRenaming)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    const QString warning = QStringLiteral("この SQL は、SQLビルダ上に表示する事は出来ません。");
    w->txtSQL->Lines()->SetText(QStringLiteral("SELECT a.empno FROM emp a\r\nUNION\r\nSELECT 1"));
    QTest::mouseClick(w->SQLDesign->Surface(), Qt::LeftButton, {}, QPoint(600, 300));
    QTRY_COMPARE(Warnings(warning), 1);
    EXPECT_TRUE(w->SQLDesign->Tables().isEmpty());
    w->grdColumn->setFocus();
    QTest::mouseClick(w->SQLDesign->Surface(), Qt::LeftButton, {}, QPoint(600, 300));
    QApplication::processEvents();
    EXPECT_EQ(Warnings(warning), 1);

    // A text that reads: tables, rows, the join.
    w->txtSQL->Lines()->SetText(
        QStringLiteral("SELECT a.empno, data.x FROM emp a, dept b WHERE a.deptno = b.deptno AND a.ename = 'x'"));
    w->grdColumn->setFocus();
    QTRY_COMPARE(w->SQLDesign->Tables().size(), 2);
    EXPECT_EQ(w->SQLDesign->Design().Connects.size(), 1u);
    EXPECT_EQ(w->grdColumn->Cells(0, 1), "a.empno");
    TtvSQLBuildTable *a = Table(w, "emp");
    EXPECT_TRUE(a->isEnabled());

    // Typing into the editor greys the tables; clicking the builder reads again.
    w->txtSQL->setFocus();
    QTest::keyClick(w->txtSQL, Qt::Key_End);
    QTest::keyClicks(w->txtSQL, " ");
    EXPECT_FALSE(a->isEnabled());
    QTest::mouseClick(w->SQLDesign->Surface(), Qt::LeftButton, {}, QPoint(600, 300));
    QTRY_VERIFY(Table(w, "emp") && Table(w, "emp")->isEnabled());
    a = Table(w, "emp");

    // Renaming alias a to t.
    a->edtAlias->setFocus();
    QApplication::processEvents();
    a->edtAlias->selectAll();
    QTest::keyClicks(a->edtAlias, "t");
    EXPECT_EQ(w->grdColumn->Cells(0, 1), "t.empno");
    EXPECT_EQ(w->grdColumn->Cells(0, 2), "data.x");
    EXPECT_EQ(w->grdColumn->Cells(6, 3), "= 'x'");
    EXPECT_EQ(w->grdColumn->Cells(0, 3), "t.ename");
    EXPECT_TRUE(Flat(Text(w)).contains("FROM \"emp\" t, \"dept\" b WHERE t.\"deptno\" = b.\"deptno\""))
        << Text(w).toStdString();
}

TEST_F(Builder, GridEditsAndStatementKinds)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    AddTables(w, {"emp"});
    TtvSQLBuildTable *a = Table(w, "emp");
    DoubleClickColumn(a, "ename");
    TtvStringGrid *g = w->grdColumn;
    // A sort direction, then emptying the position empties the direction too.
    g->MoveCurrent(3, 1);
    g->SetEditText(3, 1, QStringLiteral("降順"));
    EXPECT_TRUE(Flat(Text(w)).endsWith("ORDER BY a.\"ename\" DESC"));
    EXPECT_EQ(g->Cells(4, 1), "1");
    g->MoveCurrent(4, 1);
    g->SetEditText(4, 1, QString());
    EXPECT_EQ(g->Cells(3, 1), "");
    EXPECT_FALSE(Text(w).contains("ORDER BY"));
    // Typing an item into the empty last row adds a new empty row and shows the item.
    g->MoveCurrent(0, 2);
    g->SetEditText(0, 2, QStringLiteral("a.\"empno\" + 1"));
    EXPECT_EQ(g->RowCount(), 4);
    EXPECT_TRUE(g->GetChecked(2, 2));
    EXPECT_TRUE(Flat(Text(w)).startsWith("SELECT a.\"ename\", a.\"empno\" + 1 FROM"));
    // Moving rows.
    g->MoveCurrent(0, 2);
    QTest::mouseClick(w->btnUpColumn, Qt::LeftButton);
    EXPECT_EQ(g->Cells(0, 1), "a.\"empno\" + 1");
    EXPECT_EQ(g->Row(), 1);
    EXPECT_TRUE(Flat(Text(w)).startsWith("SELECT a.\"empno\" + 1, a.\"ename\" FROM"));

    // CREATE VIEW keeps the design; INSERT clears it.
    s.dialogs.queueInput(QStringLiteral("v_emp"));
    w->popSQLTypeClick(4);
    EXPECT_EQ(w->SQLDesign->SQLType(), sqltCreateView);
    EXPECT_TRUE(Flat(Text(w)).startsWith("CREATE VIEW \"v_emp\" AS SELECT a.\"empno\" + 1")) << Text(w).toStdString();
    EXPECT_EQ(w->SQLDesign->Tables().size(), 1);
    QMenu *menu = w->popSQLType;
    w->btnSQLTypeClick();
    QTRY_VERIFY(menu->isVisible());
    EXPECT_TRUE(menu->actions()[4]->isChecked());
    menu->actions()[1]->trigger();
    menu->hide();
    EXPECT_EQ(w->SQLDesign->SQLType(), sqltInsert);
    EXPECT_TRUE(w->SQLDesign->Tables().isEmpty());
    EXPECT_TRUE(Text(w).isEmpty());
    EXPECT_EQ(g->Cells(1, 0), "値");
}

TEST_F(Builder, PickerFindsTogglesAndKeepsItsSettings)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    auto pick = [&](std::function<void(TfrmTableList *)> act) {
        ModalSteps steps({{QStringLiteral("frmTableList"), [act](QWidget *d) { act(static_cast<TfrmTableList *>(d)); }}});
        QStringList names;
        const bool ok = TfrmTableList::ShowWindow(s.Form(), names);
        EXPECT_TRUE(steps.finished());
        return ok ? names : QStringList{QStringLiteral("<cancel>")};
    };
    QStringList got = pick([](TfrmTableList *d) {
        EXPECT_TRUE(d->windowTitle().startsWith(QStringLiteral("表の選択 - ")));
        EXPECT_EQ(d->cmbSchema->currentText(), "public");
        EXPECT_TRUE(Texts(d->lstTable).contains("mv_dept"));
        d->txtFindTable->setFocus();
        QTest::keyClicks(d->txtFindTable, "EMP");
        QTest::keyClick(d->txtFindTable, Qt::Key_Return);
        EXPECT_EQ(Texts(d->lstTable), (QStringList{"Employee", "emp", "x_emp_y"}));
        // Releasing both tables and views is refused.
        QTest::mouseClick(d->btnView, Qt::LeftButton);
        QTest::mouseClick(d->btnTable, Qt::LeftButton);
        EXPECT_TRUE(d->btnTable->isChecked());
        EXPECT_FALSE(d->btnView->isChecked());
        QTest::mouseClick(d->btnTable, Qt::LeftButton);
        QTest::mouseClick(d->btnView, Qt::LeftButton);
        QTest::mouseClick(d->btnTable, Qt::LeftButton);
        EXPECT_FALSE(d->btnTable->isChecked());
        EXPECT_TRUE(d->btnView->isChecked());
        EXPECT_TRUE(Texts(d->lstTable).isEmpty()); // no view holds "emp"
        d->lstTable->clearSelection();
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
    });
    EXPECT_EQ(got, QStringList{});
    // The toggles come back as they were left.
    got = pick([](TfrmTableList *d) {
        EXPECT_FALSE(d->btnTable->isChecked());
        EXPECT_TRUE(d->btnView->isChecked());
        QTest::mouseClick(d->btnTable, Qt::LeftButton);
        d->cmbSchema->setCurrentIndex(d->cmbSchema->findText("sales"));
        emit d->cmbSchema->activated(d->cmbSchema->currentIndex());
        EXPECT_EQ(Texts(d->lstTable), QStringList{"measure"});
        d->lstTable->item(0)->setSelected(true);
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
    });
    EXPECT_EQ(got, QStringList{"sales.measure"});
    got = pick([](TfrmTableList *d) { QTest::mouseClick(d->btnExit, Qt::LeftButton); });
    EXPECT_EQ(got, QStringList{"<cancel>"});

    // A partitioned table and a materialized view show their columns.
    AddTables(w, {"measure"}, "sales");
    AddTables(w, {"mv_dept"});
    ASSERT_NE(Table(w, "measure"), nullptr);
    EXPECT_EQ(Texts(Table(w, "measure")->ItemList), (QStringList{"*", "ts", "v"}));
    EXPECT_EQ(Table(w, "measure")->pnlHeader->text(), "sales.measure");
    EXPECT_EQ(Texts(Table(w, "mv_dept")->ItemList), (QStringList{"*", "deptno", "dname"}));
    // A vanished table shows no columns; a subquery only its described fields.
    EXPECT_EQ(Texts(w->SQLDesign->AddTable("gone")->ItemList), QStringList{"*"});
    EXPECT_EQ(Texts(w->SQLDesign->AddTable("(SELECT 1 AS one, 'x' AS two)")->ItemList),
              (QStringList{"*", "one", "two"}));
    EXPECT_EQ(Texts(w->SQLDesign->AddTable("(SELECT nonsense FROM)")->ItemList), QStringList{"*"});
}

TEST_F(Builder, UpdateEndToEndFromTheCommandLine)
{
    TV_REQUIRE_DB(db);
    TfrmSQL::RegisterLauncher();
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    ASSERT_NE(s.Form(), nullptr);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    QTest::keyClick(s.main.get(), Qt::Key_S, Qt::ControlModifier);
    TfrmSQL *w = nullptr;
    for (QWidget *c : s.main->MdiChildren())
        if (auto *sql = qobject_cast<TfrmSQL *>(c))
            w = sql;
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->btnShowDesign, Qt::LeftButton);
    w->btnSQLTypeClick();
    QTRY_VERIFY(w->popSQLType->isVisible());
    w->popSQLType->actions()[2]->trigger(); // "UPDATE"
    w->popSQLType->hide();
    AddTables(w, {"w2q3_t"});
    TtvSQLBuildTable *t = Table(w, "w2q3_t");
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->edtAlias->isEnabled());
    DoubleClickColumn(t, "v");
    DoubleClickColumn(t, "id");
    TtvStringGrid *g = w->grdColumn;
    EXPECT_EQ(g->Cells(0, 1), "\"v\"");
    auto type = [g](int col, int row, const QString &text) {
        g->MoveCurrent(col, row);
        g->SetEditorMode(true);
        ASSERT_NE(g->InplaceEditor(), nullptr);
        QTest::keyClicks(g->InplaceEditor(), text);
        QTest::keyClick(g->InplaceEditor(), Qt::Key_Return);
    };
    type(1, 1, "'new'");
    type(6, 2, "= 1");
    EXPECT_EQ(g->Cells(1, 1), "'new'");
    EXPECT_EQ(g->Cells(6, 2), "= 1");
    EXPECT_EQ(Flat(Text(w)).remove(' '), "UPDATE\"w2q3_t\"SET\"v\"='new'WHERE\"id\"=1") << Text(w).toStdString();
    QTRY_VERIFY(w->btnExec->isEnabled());
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_EQ(db.scalar("SELECT string_agg(id || '=' || v, ',' ORDER BY id) FROM w2q3_t"), "1=new,2=old");
}

TEST_F(Builder, DropsFromTheObjectListsAndReadingAfterOpen)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    // Tables and views of the object list come as schema.name; other kinds are skipped.
    TtvListView *objects = s.Form()->lstObject;
    objects->clear();
    TtvListItem *emp = objects->AddItem(QStringLiteral("emp"), {QStringLiteral("public"), QStringLiteral("TABLE")});
    SetItemImageIndex(emp, 45);
    TtvListItem *fn = objects->AddItem(QStringLiteral("f"), {QStringLiteral("public"), QStringLiteral("FUNCTION")});
    SetItemImageIndex(fn, 52);
    emp->setSelected(true);
    fn->setSelected(true);
    EXPECT_TRUE(w->DropObjects(objects, true));
    ASSERT_EQ(w->SQLDesign->Tables().size(), 1);
    EXPECT_EQ(w->SQLDesign->Tables()[0]->TableName(), "emp");
    // The workspace list: sub-item 1 is the schema, sub-item 0 the name.
    TtvListView *work = s.main->lstWorkSpace;
    TtvListItem *view = work->AddItem(QStringLiteral("部門"), {QStringLiteral("dept"), QStringLiteral("public")});
    SetItemImageIndex(view, 47);
    view->setSelected(true);
    EXPECT_TRUE(w->DropObjects(work, true));
    ASSERT_EQ(w->SQLDesign->Tables().size(), 2);
    EXPECT_EQ(w->SQLDesign->Tables()[1]->Alias(), "b");
    EXPECT_EQ(Flat(Text(w)), "SELECT FROM \"emp\" a, \"dept\" b");
    TtvListView other;
    EXPECT_FALSE(w->DropObjects(&other, false));

    // A file opened while the builder shows is read into it.
    const QString path = s.scratch.path() + QStringLiteral("/q.sql");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("SELECT x.dname FROM dept x WHERE x.deptno = 10");
    f.close();
    s.dialogs.queuePath(path);
    w->actOpenExecute();
    ASSERT_EQ(w->SQLDesign->Tables().size(), 1);
    EXPECT_EQ(w->SQLDesign->Tables()[0]->Alias(), "x");
    EXPECT_EQ(w->grdColumn->Cells(0, 1), "x.dname");
    EXPECT_EQ(w->grdColumn->Cells(0, 2), "x.deptno");
    EXPECT_EQ(w->grdColumn->Cells(6, 2), "= 10");
    EXPECT_TRUE(w->SQLDesign->Tables()[0]->isEnabled());
}
