// What the table-family windows show, opened as a user opens them: every
// column of their lists wide enough for the width it is built with and for
// the longest caption it holds, the reference boxes of the constraint window
// wide enough for a usual name, and the icons of the inheritance page.
#include "objects/table/TableWindowTestSupport.h"
#include "support/ShownText.h"

#include "common/IMainWindow.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraPartition.h"
#include "objects/table/frmConst.h"
#include "objects/table/frmPolicy.h"
#include "objects/table/frmTable.h"
#include "controls/tvTreeView.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

using namespace tvtest;

namespace {

class ShownText : public TableWindowTest {
protected:
    void SetUp() override
    {
        StartOn("shown", "CREATE SCHEMA s1;"
                         "CREATE TABLE s1.parent_of_all (id int CONSTRAINT parent_of_all_pkey "
                         "PRIMARY KEY, b int);"
                         "CREATE TABLE s1.t1 (a int CONSTRAINT t1_with_a_long_primary_key_name PRIMARY KEY, b int,"
                         " CONSTRAINT t1_b_must_be_positive_check CHECK (b > 0),"
                         " CONSTRAINT t1_refers_to_parent_of_everything FOREIGN KEY (b)"
                         " REFERENCES s1.parent_of_all (id));"
                         "CREATE INDEX t1_index_on_b_and_a ON s1.t1 (b, a);"
                         "CREATE TABLE s1.t1c (d int) INHERITS (s1.t1);");
        if (!form)
            return;
        role = db->params().database + QStringLiteral("_reading_role");
        db->exec("CREATE ROLE " + role.toStdString());
        ASSERT_TRUE(s.ShowMain());
    }
    void TearDown() override
    {
        DropChanges<TfrmDefinition>();
        s.main.reset();
        if (db && db->available() && !role.isEmpty())
            db->exec("DROP OWNED BY " + role.toStdString() + " CASCADE; DROP ROLE IF EXISTS " + role.toStdString());
    }
    // The window opened from the object list, shown and laid out.
    template <class T>
    T *Open(int type, const QString &name, const QString &table = QString())
    {
        auto *w = dynamic_cast<T *>(form->OpenObject(type, QStringLiteral("s1"), name, omDefine, false, 0, -1, table));
        if (w)
            PollUntil([w] { return w->isVisible(); });
        QTest::qWait(0);
        return w;
    }

    QString role;
};

QTreeWidgetItem *FindTreeItem(QTreeWidget *t, const QString &text)
{
    const QList<QTreeWidgetItem *> found = t->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// Column `col` of `list`: at least `least` pixels (the width it is built
// with) and wide enough for every caption it shows, icon and check box
// included.
void ExpectWhole(QTreeView *list, int col, int least, const std::string &what)
{
    SCOPED_TRACE(what);
    ASSERT_TRUE(list->isVisible());
    EXPECT_GE(list->columnWidth(col), least);
    EXPECT_GE(list->columnWidth(col), Needed(list, col))
        << "column " << col << " is " << list->columnWidth(col) << " wide";
}

} // namespace

// The policy window's user and role lists, the dependants tree of the table
// window and both trees of its inheritance page: each column as wide as it
// is built and as its longest caption.
TEST_F(ShownText, ListColumnsShowTheirCaptionsWhole)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec(("CREATE POLICY p1 ON s1.t1 FOR SELECT TO " + role + " USING (true)").toStdString());

    // The policy window's only opener is a button the table window keeps hidden.
    TfrmPolicy *policy = TfrmPolicy::Open(form, QStringLiteral("s1"), QStringLiteral("p1"), omDefine, QStringLiteral("t1"));
    ASSERT_NE(policy, nullptr);
    ASSERT_NE(FindTreeItem(policy->lstRole, role), nullptr);

    auto *table = Open<TfrmTable>(45, QStringLiteral("t1"));
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->SelectPage(table->tabPartition));
    QTest::qWait(0);
    ASSERT_GT(table->fraPartition->lstConst->topLevelItemCount(), 0);

    QWidget *define = table->tabDefine, *inheritance = table->tabPartition;
    const struct {
        const char *name;
        QTreeView *list;
        int column;
        int least;       // the width the column is built with
        QWidget *page;   // the table window's page that shows the list
    } cases[] = {
        {"policy users", policy->lstUser, 0, 0, nullptr},
        {"policy roles", policy->lstRole, 0, 0, nullptr},
        {"dependants 名前", table->lstConst, 0, 180, define},
        {"dependants タイプ", table->lstConst, 1, 120, define},
        {"inheritance tables", table->fraPartition->lstTables, 0, 340, inheritance},
        {"inheritance 名前", table->fraPartition->lstConst, 0, 260, inheritance},
        {"inheritance OID", table->fraPartition->lstConst, 1, 60, inheritance},
        {"inheritance 種別", table->fraPartition->lstConst, 2, 90, inheritance},
    };
    for (const auto &c : cases) {
        if (c.page) {
            ASSERT_TRUE(table->SelectPage(c.page));
        }
        QTest::qWait(0);
        ExpectWhole(c.list, c.column, c.least, c.name);
    }
}

// The constraint window of a foreign key, at the size it opens with: the
// referenced schema, table and index boxes are as wide as the table box and
// show their names whole.
TEST_F(ShownText, ConstraintReferenceBoxesShowTheirNames)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    auto *w = Open<TfrmConst>(66, QStringLiteral("t1_refers_to_parent_of_everything"), QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->tabForeign->isVisible());
    for (TDropDownComboBox *b : {w->cmbRefSchema, w->cmbRefTable, w->cmbRefIndex}) {
        SCOPED_TRACE(b->objectName().toStdString());
        ASSERT_NE(b->lineEdit(), nullptr);
        const QString text = b->lineEdit()->text();
        EXPECT_FALSE(text.isEmpty());
        EXPECT_GE(b->width(), w->cmbTableName->width());
        EXPECT_GE(TextRoom(b->lineEdit()), ShownTextWidth(b->lineEdit()))
            << text.toStdString() << " in a box " << b->width() << " wide";
    }
}

// The inheritance page shows every table with the table image and every
// constraint, index, trigger and trigger function with its kind's image,
// the images of the main image list.
TEST_F(ShownText, InheritancePageShowsTheImagesOfItsNodes)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE FUNCTION s1.tf() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
             "CREATE TRIGGER t1c_tr BEFORE INSERT ON s1.t1c FOR EACH ROW EXECUTE FUNCTION s1.tf();"
             "CREATE INDEX t1c_d ON s1.t1c (d);");
    auto *table = Open<TfrmTable>(45, QStringLiteral("t1c"));
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->SelectPage(table->tabPartition));
    IMainWindow *m = s.main.get();
    const auto same = [](const QIcon &a, const QIcon &b) {
        return !a.isNull() && a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
    };
    const struct {
        QString text;
        int image;
    } cases[] = {
        {QStringLiteral("\"s1\".\"t1\""), 45},   {QStringLiteral("\"s1\".\"t1c\""), 45},
        {QStringLiteral("CONSTRAINT"), 66},       {QStringLiteral("INDEX"), 46},
        {QStringLiteral("TRIGGER"), 57},          {QStringLiteral("t1_b_must_be_positive_check"), 66},
        {QStringLiteral("t1c_d"), 46},            {QStringLiteral("t1c_tr"), 57},
        {QStringLiteral("tf"), 52},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QTreeWidgetItem *n = nullptr;
        for (QTreeWidget *t : {table->fraPartition->lstTables, table->fraPartition->lstConst})
            if (!n)
                n = FindTreeItem(t, c.text);
        ASSERT_NE(n, nullptr);
        EXPECT_TRUE(same(n->icon(0), m->MainImage(c.image)));
    }
}
