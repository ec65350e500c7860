// The inheritance frame against the test server, hosted by a window of the
// connection as the table window hosts it: the hierarchy from the root, the
// window's own table in blue, a table with two parents in both trees, the
// selected table's constraints and indexes, and a new child table through
// the frame's dialog.
#include "objects/table/TableWindowTestSupport.h"
#include "shell/ModalSteps.h"

#include "common/tvForm.h"
#include "objects/table/fraPartition.h"
#include "objects/table/frmTrigger.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace tvtest;

namespace {

QStringList Texts(QTreeWidgetItem *n)
{
    QStringList out;
    for (int i = 0; i < n->childCount(); ++i)
        out << n->child(i)->text(0);
    return out;
}

QTreeWidgetItem *FindNode(QTreeWidget *t, const QString &text, QTreeWidgetItem *under = nullptr)
{
    QList<QTreeWidgetItem *> stack;
    if (under)
        stack << under;
    else
        for (int i = 0; i < t->topLevelItemCount(); ++i)
            stack << t->topLevelItem(i);
    while (!stack.isEmpty()) {
        QTreeWidgetItem *n = stack.takeFirst();
        if (n->text(0) == text)
            return n;
        for (int i = 0; i < n->childCount(); ++i)
            stack << n->child(i);
    }
    return nullptr;
}

class PartitionFrame : public TableWindowTest {
protected:
    void SetUp() override
    {
        StartOn("part", "CREATE SCHEMA s1;"
                        "CREATE TABLE s1.t1 (a int PRIMARY KEY, b int CHECK (b > 0));"
                        "CREATE TABLE s1.r2 (c int);"
                        "CREATE TABLE s1.t1c (d int) INHERITS (s1.t1, s1.r2);"
                        "CREATE INDEX t1c_ba ON s1.t1c (b, a);"
                        "CREATE INDEX t1c_expr ON s1.t1c ((a + b));");
        if (!form)
            return;
        host = std::make_unique<TtvForm>(form);
        frame = new TfraPartition(host.get(), host.get());
    }
    void TearDown() override { host.reset(); }

    std::unique_ptr<TtvForm> host;
    TfraPartition *frame = nullptr;
};

} // namespace

TEST(PartitionSQL, NewChildTableCopiesAndInherits)
{
    EXPECT_EQ(PartitionSQL::NewChildTable(QStringLiteral("s1"), QStringLiteral("t1_"), QStringLiteral("s1"),
                                          QStringLiteral("t1")),
              QStringLiteral("CREATE TABLE \"s1\".\"t1_\" (LIKE \"s1\".\"t1\" INCLUDING ALL) INHERITS (\"s1\".\"t1\")"));
}

TEST_F(PartitionFrame, HierarchyOwnTableAndNewChild)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(frame, nullptr);
    frame->Load(QStringLiteral("s1"), QStringLiteral("t1c"));
    QTreeWidget *t = frame->lstTables;
    ASSERT_EQ(t->topLevelItemCount(), 2);
    QTreeWidgetItem *root = t->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("\"s1\".\"t1\""));
    EXPECT_EQ(root->text(2), QStringLiteral("○"));
    EXPECT_EQ(root->foreground(0).color(), QBrush().color());
    EXPECT_EQ(Texts(root), QStringList{QStringLiteral("\"s1\".\"t1c\"")});
    QTreeWidgetItem *own = root->child(0);
    EXPECT_EQ(own->foreground(0).color(), QColor(Qt::blue));
    EXPECT_EQ(own->text(4), QStringLiteral("2"));   // indexes backing no constraint
    EXPECT_FALSE(own->text(6).isEmpty());           // the database's default tablespace
    EXPECT_EQ(t->topLevelItem(1)->text(0), QStringLiteral("\"s1\".\"r2\""));
    EXPECT_EQ(Texts(t->topLevelItem(1)), QStringList{QStringLiteral("\"s1\".\"t1c\"")});

    // The lower tree of the own table: the inherited CHECK, both indexes.
    EXPECT_EQ(frame->lblSelTable->text(), QStringLiteral("\"s1\".\"t1c\""));
    QTreeWidgetItem *ind = FindNode(frame->lstConst, QStringLiteral("INDEX"));
    ASSERT_NE(ind, nullptr);
    QTreeWidgetItem *ba = FindNode(frame->lstConst, QStringLiteral("t1c_ba"), ind);
    ASSERT_NE(ba, nullptr);
    EXPECT_EQ(ba->text(2), QStringLiteral("NONUNIQUE INDEX"));
    EXPECT_EQ(ba->text(3), QStringLiteral("\"a\",\"b\""));
    QTreeWidgetItem *expr = FindNode(frame->lstConst, QStringLiteral("t1c_expr"), ind);
    ASSERT_NE(expr, nullptr);
    EXPECT_EQ(expr->text(3), QStringLiteral("(a + b)"));
    frame->UpdateActions();
    EXPECT_FALSE(frame->actDeleteTable->isEnabled());   // the window's own table

    // Selecting t1 shows its primary key first.
    t->setCurrentItem(root);
    EXPECT_EQ(frame->lblSelTable->text(), QStringLiteral("\"s1\".\"t1\""));
    QTreeWidgetItem *cons = FindNode(frame->lstConst, QStringLiteral("CONSTRAINT"));
    ASSERT_NE(cons, nullptr);
    ASSERT_GE(cons->childCount(), 2);
    EXPECT_EQ(cons->child(0)->text(2), QStringLiteral("PRIMARY KEY"));
    EXPECT_EQ(cons->child(0)->text(3), QStringLiteral("(a)"));

    // 新規作成 with the presets.
    frame->UpdateActions();
    ASSERT_TRUE(frame->actNewTable->isEnabled());
    QString shownSchema, shownName;
    {
        ModalSteps steps{{{QStringLiteral("frmInherit"), [&](QWidget *d) {
                               shownSchema = d->findChild<QComboBox *>(QStringLiteral("cmbSchema"))->currentText();
                               shownName = d->findChild<QLineEdit *>(QStringLiteral("txtName"))->text();
                               d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
                           }}}};
        frame->actNewTable->trigger();
        EXPECT_TRUE(steps.finished());
    }
    EXPECT_EQ(shownSchema, QStringLiteral("s1"));
    EXPECT_EQ(shownName, QStringLiteral("t1_"));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_inherits WHERE inhrelid = 's1.t1_'::regclass AND inhparent = "
                         "'s1.t1'::regclass"),
              "1");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_constraint WHERE conrelid = 's1.t1_'::regclass AND contype = 'p'"),
              "1");
    root = frame->lstTables->topLevelItem(0);
    EXPECT_EQ(Texts(root), (QStringList{QStringLiteral("\"s1\".\"t1c\""), QStringLiteral("\"s1\".\"t1_\"")}));

    // Dropping the new child (not the own table) after the question.
    frame->lstTables->setCurrentItem(root->child(1));
    frame->UpdateActions();
    ASSERT_TRUE(frame->actDeleteTable->isEnabled());
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    frame->actDeleteTable->trigger();
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_class WHERE relname = 't1_'"), "0");
    EXPECT_EQ(Texts(frame->lstTables->topLevelItem(0)), QStringList{QStringLiteral("\"s1\".\"t1c\"")});
}

// Dropping a constraint of another table of the hierarchy; the own table's
// constraints are changed in its own window, not here; "新規作成" on the
// TRIGGER group opens a new trigger on the selected table.
TEST_F(PartitionFrame, ConstraintsOfTheHierarchy)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(frame, nullptr);
    frame->Load(QStringLiteral("s1"), QStringLiteral("t1c"));
    QTreeWidgetItem *cons = FindNode(frame->lstConst, QStringLiteral("CONSTRAINT"));
    ASSERT_NE(cons, nullptr);
    QTreeWidgetItem *check = FindNode(frame->lstConst, QStringLiteral("t1_b_check"), cons);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(2), QStringLiteral("CHECK"));
    frame->lstConst->setCurrentItem(check);
    s.dialogs.clear();
    frame->actDeleteConstExecute();
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_constraint WHERE conname = 't1_b_check'"), "2");

    frame->lstTables->setCurrentItem(frame->lstTables->topLevelItem(0));
    check = FindNode(frame->lstConst, QStringLiteral("t1_b_check"));
    ASSERT_NE(check, nullptr);
    frame->lstConst->setCurrentItem(check);
    frame->UpdateActions();
    ASSERT_TRUE(frame->actDeleteConst->isEnabled());
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    frame->actDeleteConst->trigger();
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_constraint WHERE conname = 't1_b_check'"), "0");
    EXPECT_EQ(frame->lblSelTable->text(), QStringLiteral("\"s1\".\"t1c\""));   // shown again from the own table

    QTreeWidgetItem *trg = FindNode(frame->lstConst, QStringLiteral("TRIGGER"));
    ASSERT_NE(trg, nullptr);
    frame->lstConst->setCurrentItem(trg);
    frame->actNewConst->trigger();
    const QList<TfrmTrigger *> triggers = WindowsOf<TfrmTrigger>(s);
    ASSERT_EQ(triggers.size(), 1);
    EXPECT_TRUE(triggers.first()->IsNew());
    DropChanges<TfrmDefinition>();
}

// A table that is no ordinary table (or is gone) leaves both trees empty.
TEST_F(PartitionFrame, UnknownTableShowsNothing)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(frame, nullptr);
    frame->Load(QStringLiteral("s1"), QStringLiteral("nothing"));
    EXPECT_EQ(frame->lstTables->topLevelItemCount(), 0);
}
