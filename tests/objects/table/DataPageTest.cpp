// The table window's data page: the SELECT built from the shown fields,
// the condition grid, the free condition and the sort column, the row
// limit, the condition history, and the rows the result frame shows.
#include "shell/ShellTestSupport.h"
#include "TableWindowTestSupport.h"

#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStringGrid.h"
#include "objects/table/TableDefinition.h"
#include "objects/table/frmTable.h"
#include "sql/fraData.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace tvtest;
using DataPageSQL::TWhereRow;

namespace {

TWhereRow Row(const QString &column, const QStringList &cells)
{
    TWhereRow r;
    r.Column = column;
    for (int c = 1; c < 7; ++c)
        r.Cells[c] = cells.value(c - 1);
    return r;
}

} // namespace

TEST(DataPageStatement, ConditionsSortAndFreeCondition)
{
    struct Case {
        const char *what;
        QList<TWhereRow> rows;
        QString free;
        QString sql;
        QStringList sortCells;
    };
    const QList<Case> cases = {
        {"bounds, equality and sort",
         {Row("a", {"", "", "1", "9", "", "2 desc"}), Row("b", {"x", "", "", "", "", "1"})},
         "",
         "SELECT \"a\", \"b\" FROM \"s1\".\"t1\" WHERE \"a\" BETWEEN 1 AND 9 AND \"b\" = x  ORDER BY \"b\",\"a\" DESC",
         {"2 DESC", "1"}},
        {"one bound, unequal, like, free condition joined",
         {Row("a", {"", "0", "3", "", "", ""}), Row("b", {"", "", "", "7", "'z%'", ""})},
         "a < 100",
         "SELECT \"a\", \"b\" FROM \"s1\".\"t1\" WHERE \"a\" <> 0 AND \"a\" >= 3 AND \"b\" LIKE 'z%' AND \"b\" <= 7 "
         " AND a < 100",
         {"", ""}},
        {"free condition alone; a sort-only row adds no condition",
         {Row("a", {"", "", "", "", "", "x"}), Row("b", {"", "", "", "", "", ""})},
         "b IS NULL",
         "SELECT \"a\", \"b\" FROM \"s1\".\"t1\" WHERE b IS NULL",
         {"", ""}},
        {"desc without digits first; text without digits dropped",
         {Row("a", {"", "", "", "", "", "3"}), Row("b", {"", "", "", "", "", "desc"}),
          Row("c", {"", "", "", "", "", "x"})},
         "",
         "SELECT \"a\", \"b\" FROM \"s1\".\"t1\" ORDER BY \"b\" DESC,\"a\"",
         {"2", "1 DESC", ""}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QList<TWhereRow> rows = c.rows;
        EXPECT_EQ(DataPageSQL::Build({"a", "b"}, "s1", "t1", rows, c.free), c.sql);
        for (int i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows.at(i).Cells[6], c.sortCells.value(i)) << i;
    }
    QList<TWhereRow> none;
    EXPECT_EQ(DataPageSQL::Build({"we\"ird"}, "s", "t", none, {}), "SELECT \"we\"\"ird\" FROM \"s\".\"t\"");
}

TEST(DataPageStatement, LimitQuotingAndHistory)
{
    for (const char *bad : {"0", "000", "1.5", "x"})
        EXPECT_FALSE(DataPageSQL::LimitValid(QString::fromLatin1(bad))) << bad;
    for (const char *good : {"", "1", "5", "999999999"})
        EXPECT_TRUE(DataPageSQL::LimitValid(QString::fromLatin1(good))) << good;

    TWhereRow r = Row("c", {"O'Brien", "'kept'", "", "b", "abc", "1"});
    DataPageSQL::QuoteCells(r, true);
    EXPECT_EQ(r.Cells[1], "'O''Brien'");
    EXPECT_EQ(r.Cells[2], "'kept'");
    EXPECT_EQ(r.Cells[3], "");
    EXPECT_EQ(r.Cells[4], "'b'");
    EXPECT_EQ(r.Cells[5], "'%abc%'");
    EXPECT_EQ(r.Cells[6], "1");
    TWhereRow prefix = Row("c", {"", "", "", "", "ab%", ""});
    DataPageSQL::QuoteCells(prefix, true);
    EXPECT_EQ(prefix.Cells[5], "'ab%'");
    EXPECT_TRUE(DataPageSQL::CharacterType("character varying"));
    EXPECT_FALSE(DataPageSQL::CharacterType("integer"));

    QStringList items;
    for (int i = 0; i < 25; ++i)
        DataPageSQL::PushHistory(items, QString::number(i % 22));
    EXPECT_EQ(items.size(), 20);
    EXPECT_EQ(items.first(), "2");
    EXPECT_EQ(items.removeDuplicates(), 0);
    DataPageSQL::PushHistory(items, "10");
    EXPECT_EQ(items.first(), "10");
    EXPECT_EQ(items.size(), 20);
}

namespace {

class DataPage : public TableWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        savedTemp = tvOption.TempDir;
        tvOption.TempDir = work.path();
    }
    void TearDown() override
    {
        tvOption.TempDir = savedTemp;
        DropChanges<TfrmTable>();
        if (s.main)
            s.main->hide();
    }
    QTemporaryDir work;
    QString savedTemp;
};

// Types a text into a grid cell as the user does.
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

} // namespace

// The data page of s1.t1 opened from the program: the conditions typed in
// the grid, the statement on the clipboard, the rows shown within the
// limit, a bad limit refused.
TEST_F(DataPage, ConditionsLimitAndRows)
{
    StartOn("tbdp", "CREATE SCHEMA s1; CREATE TABLE s1.t1 (a int, b int, c varchar(10));"
                    "INSERT INTO s1.t1 SELECT g, g % 3, 'abc' || g FROM generate_series(1, 12) g;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QStringLiteral("t1"), omData));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ShownPage(), w->tabData);
    ASSERT_EQ(w->grdWhere->RowCount(), 4);
    EXPECT_EQ(w->grdWhere->Cells(0, 3), QStringLiteral("c"));
    EXPECT_EQ(w->fraData->SQL(), QStringLiteral("SELECT \"a\", \"b\", \"c\" FROM \"s1\".\"t1\""));
    EXPECT_EQ(w->fraData->qryData.RecordCount(), 12);

    TypeCell(w->grdWhere, 3, 1, QStringLiteral("1"));
    TypeCell(w->grdWhere, 4, 1, QStringLiteral("9"));
    TypeCell(w->grdWhere, 1, 2, QStringLiteral("1"));
    TypeCell(w->grdWhere, 6, 1, QStringLiteral("2 desc"));
    TypeCell(w->grdWhere, 6, 2, QStringLiteral("1"));
    TypeCell(w->grdWhere, 5, 3, QStringLiteral("abc"));
    w->btnExecSQL->trigger();
    ASSERT_EQ(s.dialogs.texts(),
              QStringList{QStringLiteral("指定した条件のSELECT文を、\r\nクリップボードに出力しました。")});
    // The LIKE value of the varchar column is quoted at the next load.
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("SELECT \"a\", \"b\", \"c\" FROM \"s1\".\"t1\" WHERE \"a\" BETWEEN 1 AND 9 AND \"b\" = 1 AND "
                             "\"c\" LIKE abc  ORDER BY \"b\",\"a\" DESC"));
    EXPECT_EQ(w->grdWhere->Cells(6, 1), QStringLiteral("2 DESC"));
    EXPECT_EQ(w->grdWhere->Cells(6, 2), QStringLiteral("1"));

    w->txtRecord->SetText(QStringLiteral("2"));
    w->btnExec->trigger();
    EXPECT_EQ(w->grdWhere->Cells(5, 3), QStringLiteral("'%abc%'"));
    EXPECT_EQ(w->fraData->qryData.RecordCount(), 2);
    EXPECT_TRUE(w->fraData->qryData.SQL().contains(QStringLiteral("LIMIT 2")));
    // b = 1 among 1..9 descending: 7 and 4.
    w->fraData->qryData.First();
    EXPECT_EQ(w->fraData->qryData.Fields(0).AsString(), QStringLiteral("7"));

    for (const char *bad : {"0", "1.5"}) {
        s.dialogs.clear();
        w->txtRecord->SetText(QString::fromLatin1(bad));
        w->btnExec->trigger();
        EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("表示件数には1以上の整数を入力して下さい。")}) << bad;
    }

    // The free condition joins the grid's and goes first in the history.
    w->txtRecord->SetText(QString());
    s.dialogs.clear();
    w->cmbWhere->setEditText(QStringLiteral("a > 4"));
    QTest::keyClick(w->cmbWhere->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(w->fraData->SQL().endsWith(QStringLiteral("AND a > 4 ORDER BY \"b\",\"a\" DESC")))
        << w->fraData->SQL().toStdString();
    EXPECT_EQ(w->fraData->qryData.RecordCount(), 1);
    w->cmbWhere->setEditText(QStringLiteral("a > 5"));
    w->btnExec->trigger();
    w->cmbWhere->setEditText(QStringLiteral("a > 4"));
    w->btnExec->trigger();
    ASSERT_EQ(w->cmbWhere->count(), 2);
    EXPECT_EQ(w->cmbWhere->itemText(0), QStringLiteral("a > 4"));
    EXPECT_EQ(w->cmbWhere->itemText(1), QStringLiteral("a > 5"));
}

namespace {

// Answers as the session's dialogs do and notes, at each message, how many
// rows the page still showed.
class RowsAtMessage : public tv::ui::ScriptedDialogs {
public:
    explicit RowsAtMessage(TfraData *f) : frame(f) {}
    int messageBox(const QString &text, const QString &caption, unsigned flags) override
    {
        rows << (frame->qryData.Active() ? frame->qryData.RecordCount() : -1);
        return ScriptedDialogs::messageBox(text, caption, flags);
    }
    TfraData *frame;
    QList<int> rows;
};

} // namespace

// Enter in the row limit and in the free condition runs the query and keeps
// the focus in the box; a refused limit is said while the rows are still
// shown.
TEST_F(DataPage, EnterInTheBoxesRunsTheQuery)
{
    StartOn("tbdk", "CREATE SCHEMA s1; CREATE TABLE s1.t1 (a int);"
                    "INSERT INTO s1.t1 SELECT g FROM generate_series(1, 12) g;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(s.ShowMain());
    auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QStringLiteral("t1"), omData));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->fraData->qryData.RecordCount(), 12);

    struct Case {
        QWidget *box;
        const char *typed;
        int rows;
    } cases[] = {
        {w->txtRecord, "3", 3},
        {w->cmbWhere->lineEdit(), "a > 10", 2},
        {w->txtRecord, "", 2},
        {w->cmbWhere->lineEdit(), "a < 0", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        c.box->setFocus();
        QTest::keyClick(c.box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c.box, Qt::Key_Delete);
        QTest::keyClicks(c.box, QString::fromUtf8(c.typed));
        QTest::keyClick(c.box, Qt::Key_Return);
        EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
        EXPECT_EQ(w->fraData->qryData.RecordCount(), c.rows);
        EXPECT_TRUE(c.box->hasFocus()); // the combo's edit has it through the combo
    }

    w->cmbWhere->setEditText(QString());
    w->btnExec->trigger();
    ASSERT_EQ(w->fraData->qryData.RecordCount(), 12);
    RowsAtMessage watch(w->fraData);
    tv::ui::ScopedDialogs use(&watch);
    w->txtRecord->setFocus();
    QTest::keyClicks(w->txtRecord, QStringLiteral("1.5"));
    QTest::keyClick(w->txtRecord, Qt::Key_Return);
    EXPECT_EQ(watch.texts(), QStringList{QStringLiteral("表示件数には1以上の整数を入力して下さい。")});
    EXPECT_EQ(watch.rows, QList<int>{12});
    EXPECT_EQ(w->fraData->qryData.RecordCount(), 12);
    EXPECT_EQ(QApplication::focusWidget(), w->txtRecord);
}
