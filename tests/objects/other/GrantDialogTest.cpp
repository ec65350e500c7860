// The grant dialog against the test server, opened as the user opens it:
// objects selected in a schema's TABLE list, "権限(&G)", a grantee clicked,
// boxes ticked, 実行(&E) and Yes. An event trigger records every GRANT and
// REVOKE the server receives, in order.
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"
#include "shell/ShellTestSupport.h"

#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmGrant.h"
#include "objects/other/frmRole.h"
#include "platform/db/Connection.h"
#include "platform/ui/Guard.h"

#include <QAction>

using namespace tvtest;

namespace {

class GrantDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("grant");
        if (!db->available())
            return;
        r1 = QString::fromStdString(db->params().database.toStdString() + "_r1");
        db->exec("CREATE ROLE " + r1.toStdString());
        db->exec("CREATE SCHEMA s1; CREATE TABLE s1.t1 (a int); CREATE TABLE s1.t2 (a int);"
                 "GRANT SELECT ON s1.t1 TO " + r1.toStdString() + ";"
                 "CREATE TABLE public.sent (n serial, q text);"
                 "CREATE FUNCTION public.record() RETURNS event_trigger LANGUAGE plpgsql AS "
                 "$$BEGIN INSERT INTO public.sent (q) VALUES (current_query()); END$$;"
                 "CREATE EVENT TRIGGER record ON ddl_command_start WHEN TAG IN ('GRANT', 'REVOKE') "
                 "EXECUTE FUNCTION public.record();");
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        tvOption.TreeData = true;
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        s.main.reset();
        if (db && db->available()) {
            db->exec("DROP EVENT TRIGGER IF EXISTS record; DROP EVENT TRIGGER IF EXISTS refuse");
            db->exec("DROP OWNED BY " + r1.toStdString() + "; DROP ROLE " + r1.toStdString());
        }
    }
    // Shows s1's TABLE list and selects the tables.
    void SelectTables(const QStringList &names)
    {
        form->ShowTree();
        QTreeWidgetItem *node = Child(Child(form->tvTree->topLevelItem(0), QStringLiteral("s1")), QStringLiteral("TABLE"));
        ASSERT_NE(node, nullptr);
        if (form->tvTree->currentItem() == node)
            form->ShowObject(false);
        else
            form->tvTree->setCurrentItem(node);
        SelectListItems(form->lstObject, names);
    }
    TfrmGrant *OpenDialog()
    {
        form->Action(QStringLiteral("actGrant"))->trigger();
        const QList<TfrmGrant *> open = WindowsOf<TfrmGrant>(s);
        return open.size() == 1 ? open.first() : nullptr;
    }
    // Clicks a grantee in the list as the user does.
    void ClickGrantee(TfrmGrant *w, const QString &name)
    {
        TtvListItem *item = FindListItem(w->lstUser, name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        w->lstUser->scrollToItem(item);
        const QRect r = w->lstUser->visualItemRect(item);
        QTest::mouseClick(w->lstUser->viewport(), Qt::LeftButton, {}, r.center());
        ASSERT_EQ(w->SelectedGrantee(), name);
    }
    // The statements the server received: one row per GRANT or REVOKE,
    // holding the whole text it came in (several statements of one unit).
    QStringList Sent()
    {
        const std::string rows = db->scalar("SELECT string_agg(q, '|' ORDER BY n) FROM public.sent");
        db->exec("TRUNCATE public.sent");
        QStringList texts = QString::fromStdString(rows).split(u'|', Qt::SkipEmptyParts);
        QStringList out;
        QString last;
        for (const QString &t : texts) {
            if (t == last)
                continue;
            last = t;
            for (const QString &st : t.split(u';', Qt::SkipEmptyParts))
                if (!st.trimmed().isEmpty())
                    out << st.trimmed();
        }
        return out;
    }
    std::string Has(const char *table, const char *privilege)
    {
        return db->scalar("SELECT has_table_privilege('" + r1.toStdString() + "', '" + table + "', '" + privilege + "')");
    }

    std::unique_ptr<TestDb> db;
    QString r1;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// Over t1 and t2, only t1 granting SELECT to r1: the box is grayed; SELECT
// with grant option is revoked and granted per table; a GRANT the server
// refuses after its REVOKE leaves r1's privilege and sends nothing more.
TEST_F(GrantDialogTest, GrantsPerTableAsOneUnit)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    SelectTables({QStringLiteral("t1"), QStringLiteral("t2")});
    TfrmGrant *w = OpenDialog();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("権限付与 - ") + form->ConnectionText());
    ASSERT_EQ(w->Objects().size(), 2);
    // The owner's implicit rows of t2, r1's SELECT on t1.
    EXPECT_EQ(w->lstGrant->ItemCount(), 7 + 7 + 1) << s.dialogs.texts().join(u'|').toStdString();

    // No grantee yet.
    s.dialogs.clear();
    tv::ui::Guard([w] { w->Compile(nullptr); });
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ユーザーを選択して下さい。")});

    ClickGrantee(w, r1);
    EXPECT_EQ(w->chkGrant->GetStateL(4), Qt::PartiallyChecked);
    EXPECT_EQ(w->chkGrant->GetStateL(0), Qt::Unchecked);
    EXPECT_FALSE(w->chkGrant->GetItemEnabledL(1));   // no EXECUTE on tables
    w->chkGrant->ToggleR(4);
    EXPECT_EQ(w->chkGrant->GetStateL(4), Qt::Checked);
    Sent();
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actExec->trigger();
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("権限を付与しますか？"), QStringLiteral("権限を付与しました。")}));
    const QString to = QStringLiteral(" \"%1\"").arg(r1);
    EXPECT_EQ(Sent(), (QStringList{"REVOKE SELECT ON TABLE \"s1\".\"t1\" FROM" + to,
                                   "GRANT SELECT ON TABLE \"s1\".\"t1\" TO" + to + " WITH GRANT OPTION",
                                   "REVOKE SELECT ON TABLE \"s1\".\"t2\" FROM" + to,
                                   "GRANT SELECT ON TABLE \"s1\".\"t2\" TO" + to + " WITH GRANT OPTION"}));
    EXPECT_EQ(Has("s1.t2", "SELECT WITH GRANT OPTION"), "t");
    EXPECT_EQ(w->chkGrant->GetStateR(4), Qt::Checked);   // read again

    // The server refuses every GRANT now.
    db->exec("CREATE FUNCTION public.refuse() RETURNS event_trigger LANGUAGE plpgsql AS "
             "$$BEGIN RAISE EXCEPTION 'no grants today'; END$$;"
             "CREATE EVENT TRIGGER refuse ON ddl_command_start WHEN TAG IN ('GRANT') EXECUTE FUNCTION public.refuse();");
    w->chkGrant->ToggleR(4);   // grant option off: REVOKE, then GRANT without it
    EXPECT_EQ(w->chkGrant->GetStateL(4), Qt::Checked);
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actExec->trigger();
    ASSERT_EQ(s.dialogs.texts().size(), 2);
    EXPECT_TRUE(s.dialogs.texts().last().contains(QStringLiteral("no grants today")));
    EXPECT_EQ(Has("s1.t1", "SELECT WITH GRANT OPTION"), "t");
    EXPECT_EQ(Has("s1.t2", "SELECT WITH GRANT OPTION"), "t");
    // The rolled-back REVOKE left no trace; t2 was not touched.
    EXPECT_EQ(Sent(), QStringList{});
    EXPECT_EQ(w->chkGrant->GetStateR(4), Qt::Unchecked);   // the window keeps its state
}

// End to end: t1 selected, "権限(&G)", r1 clicked, SELECT ticked, 実行(&E),
// Yes; a second connection sees the privilege. The dialog follows the
// selection when it becomes active again; a second request shows it.
TEST_F(GrantDialogTest, EndToEnd)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("REVOKE ALL ON s1.t1 FROM " + r1.toStdString());
    SelectTables({QStringLiteral("t1")});
    TfrmGrant *w = OpenDialog();
    ASSERT_NE(w, nullptr);
    ClickGrantee(w, r1);
    EXPECT_EQ(w->chkGrant->GetStateL(4), Qt::Unchecked);
    w->chkGrant->ToggleL(4);
    EXPECT_EQ(w->chkGrant->GetStateR(4), Qt::Unchecked);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("権限を付与しました。"));
    EXPECT_EQ(Has("s1.t1", "SELECT"), "t");
    EXPECT_EQ(Has("s1.t1", "SELECT WITH GRANT OPTION"), "f");
    EXPECT_EQ(w->chkGrant->GetStateL(4), Qt::Checked);
    EXPECT_EQ(Has("s1.t2", "SELECT"), "f");

    // Revoking r1's row of the granted list.
    w->lstGrant->clearSelection();
    for (int i = 0; i < w->lstGrant->ItemCount(); ++i)
        if (w->lstGrant->Item(i)->Caption() == r1)
            w->lstGrant->Item(i)->setSelected(true);
    ASSERT_EQ(w->lstGrant->selectedItems().size(), 1);
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    w->popRevoke->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("権限を取り消しました。"));
    EXPECT_EQ(Has("s1.t1", "SELECT"), "f");
    EXPECT_EQ(w->chkGrant->GetStateL(4), Qt::Unchecked);

    SelectTables({QStringLiteral("t2")});
    EXPECT_EQ(OpenDialog(), w);
    w->Activate();
    ASSERT_EQ(w->Objects().size(), 1);
    EXPECT_EQ(w->Objects().first().Name, QStringLiteral("t2"));
    ClickGrantee(w, QStringLiteral("public"));
    EXPECT_FALSE(w->chkGrant->GetItemEnabledR(4));

    // A double click on a role opens its window.
    TtvListItem *item = FindListItem(w->lstUser, r1);
    ASSERT_NE(item, nullptr);
    ClickGrantee(w, r1);
    QTest::mouseDClick(w->lstUser->viewport(), Qt::LeftButton, {}, w->lstUser->visualItemRect(item).center());
    const QList<TfrmRole *> roles = WindowsOf<TfrmRole>(s);
    ASSERT_EQ(roles.size(), 1) << s.dialogs.texts().join(u'|').toStdString() << ItemImageIndex(item);
    EXPECT_EQ(roles.first()->ObjectName(), r1);
}

// With auto-commit off the units run under savepoints of the open block: a
// refused GRANT leaves the block usable and the privilege as it was; the
// grants stay uncommitted until the user commits.
TEST_F(GrantDialogTest, InsideAnOpenBlock)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    tv::db::Connection &conn = form->dbsMain();
    SelectTables({QStringLiteral("t1")});
    TfrmGrant *w = OpenDialog();
    ASSERT_NE(w, nullptr);
    conn.SetAutoCommit(false);
    ASSERT_EQ(conn.transactionState(), tv::db::TransactionState::InTransaction);
    db->exec("CREATE FUNCTION public.refuse() RETURNS event_trigger LANGUAGE plpgsql AS "
             "$$BEGIN RAISE EXCEPTION 'no grants today'; END$$;"
             "CREATE EVENT TRIGGER refuse ON ddl_command_start WHEN TAG IN ('GRANT') EXECUTE FUNCTION public.refuse();");
    ClickGrantee(w, r1);
    ASSERT_EQ(w->chkGrant->GetStateL(4), Qt::Checked);
    w->chkGrant->ToggleR(4);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actExec->trigger();
    EXPECT_TRUE(s.dialogs.texts().last().contains(QStringLiteral("no grants today")));
    EXPECT_EQ(conn.transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(conn.ExecScalar(QStringLiteral("SELECT has_table_privilege('%1', 's1.t1', 'SELECT')").arg(r1)),
              QStringLiteral("t"));

    db->exec("DROP EVENT TRIGGER refuse");
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("権限を付与しました。"));
    EXPECT_EQ(Has("s1.t1", "SELECT WITH GRANT OPTION"), "f");   // not yet committed
    conn.Exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(Has("s1.t1", "SELECT WITH GRANT OPTION"), "t");
}
