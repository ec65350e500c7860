// The privileges frame (hosted in a small window until the table window
// carries it) and the policy window against the test server: the ACL read
// into the grid, edits through the check list turned into GRANT and REVOKE,
// policy scripts through the dispatcher, and the shown policy window's
// ALTER and DROP + CREATE.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"

#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "controls/tvRadioButton.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/TableWindows.h"
#include "objects/table/fraGrant.h"
#include "objects/table/frmPolicy.h"
#include "shell/frmDDLExec.h"

#include <QAction>
#include <QBuffer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

// A window of a table with only a privileges page.
class GrantHost : public TtvForm {
public:
    GrantHost(TfrmObject *owner) : TtvForm(owner)
    {
        SetObjType(45);
        auto *l = new QVBoxLayout(this);
        fraGrant = new TfraGrant(this);
        l->addWidget(fraGrant);
    }
    void Reload(QObject *) override
    {
        if (Modified())
            return;
        fraGrant->ShowData(QStringLiteral("s1"), QStringLiteral("t1"));
    }
    TfraGrant *fraGrant;
};

QString Row(TfraGrant *f, const QString &name)
{
    for (int i = 0; i < f->lstGrant->ItemCount(); ++i) {
        TtvListItem *item = f->lstGrant->Item(i);
        if (item->Caption() == name) {
            QStringList cells;
            for (int k = 0; k < f->lstGrant->ColumnCount() - 1; ++k)
                cells << (item->SubItem(k).isEmpty() ? QStringLiteral("-") : item->SubItem(k));
            return cells.join(QString());
        }
    }
    return QStringLiteral("(none)");
}

void Select(TfraGrant *f, const QStringList &names)
{
    f->lstGrant->clearSelection();
    for (int i = 0; i < f->lstGrant->ItemCount(); ++i)
        if (names.contains(f->lstGrant->Item(i)->Caption()))
            f->lstGrant->Item(i)->setSelected(true);
}

class GrantPolicy : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("gp");
        if (!db->available())
            return;
        const std::string tag = db->params().database.toStdString();
        r1 = QString::fromStdString(tag + "_r1");
        r2 = QString::fromStdString(tag + "_r2");
        alice = QString::fromStdString(tag + "_alice");
        db->exec("CREATE ROLE " + r1.toStdString() + " NOLOGIN; CREATE ROLE " + r2.toStdString() +
                 " NOLOGIN; CREATE ROLE " + alice.toStdString() + " LOGIN;"
                 "CREATE SCHEMA s1; CREATE TABLE s1.t1 (id int, owner text);"
                 "CREATE TABLE s1.t2 (id int);"
                 "ALTER TABLE s1.t1 ENABLE ROW LEVEL SECURITY;");
        RegisterTableWindows();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        if (s.main)
            for (QWidget *w : s.main->MdiChildren())
                if (auto *t = dynamic_cast<TtvForm *>(w))
                    t->SetModified(false);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
        if (db && db->available()) {
            db->exec(("REVOKE ALL ON SCHEMA s1 FROM " + r1).toStdString());
            db->exec("DROP SCHEMA s1 CASCADE");
            db->exec(("DROP ROLE " + r1 + "; DROP ROLE " + r2 + "; DROP ROLE " + alice).toStdString());
        }
    }
    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
    QString r1, r2, alice;
};

// Closes the execution dialog once its run has finished.
struct ExecCloser {
    ExecCloser()
    {
        QObject::connect(&timer, &QTimer::timeout, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible() && d->Finished())
                    d->close();
        });
        timer.start(0);
    }
    QTimer timer;
};

} // namespace

TEST_F(GrantPolicy, PrivilegesFrameReadsAndChangesGrants)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QString owner = db->params().user;
    GrantHost host(form);
    TfraGrant *f = host.fraGrant;

    // A NULL ACL: the owner alone, "*" under all seven.
    f->ShowData(QStringLiteral("s1"), QStringLiteral("t1"));
    ASSERT_EQ(f->lstGrant->ItemCount(), 1);
    EXPECT_EQ(Row(f, owner), QStringLiteral("*******"));
    EXPECT_EQ(f->lstGrant->headerItem()->text(4), QStringLiteral("SELECT"));
    EXPECT_FALSE(f->chkGrant->isEnabled());

    // All users: SELECT ticked for r1.
    f->rdoShowMode->Button(1)->click();
    EXPECT_EQ(Row(f, r1), QStringLiteral("-------"));
    EXPECT_EQ(Row(f, QStringLiteral("public")), QStringLiteral("-------"));
    Select(f, {r1});
    ASSERT_TRUE(f->chkGrant->isEnabled());
    f->chkGrant->SetStateL(3, Qt::Checked);
    f->chkGrantClick();
    EXPECT_TRUE(host.Modified());
    QStringList src;
    f->GetSource(src);
    EXPECT_EQ(src, (QStringList{QStringLiteral("GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"%1\"").arg(r1),
                                QStringLiteral(";")}));

    // Applied, then grants by another role and grant options.
    db->exec(("GRANT USAGE ON SCHEMA s1 TO " + r1 + "; GRANT SELECT ON s1.t1 TO " + r1 + " WITH GRANT OPTION;"
              "SET ROLE " + r1 + "; GRANT SELECT ON s1.t1 TO " + r2 + " WITH GRANT OPTION; RESET ROLE;")
                 .toStdString());
    host.SetModified(false);
    f->ShowData(QStringLiteral("s1"), QStringLiteral("t1"));
    EXPECT_EQ(Row(f, r1), QStringLiteral("---G---"));
    EXPECT_EQ(Row(f, r2), QStringLiteral("---G---"));     // granted by r1, not the owner

    // Two rows of which one holds SELECT: grayed; checked gives one GRANT.
    Select(f, {r1, alice});
    EXPECT_EQ(f->chkGrant->GetStateL(3), Qt::PartiallyChecked);
    EXPECT_EQ(f->chkGrant->GetStateL(0), Qt::Unchecked);
    // "G" turned "*" for r1: REVOKE then GRANT.
    Select(f, {r1});
    EXPECT_EQ(f->chkGrant->GetStateR(3), Qt::Checked);
    f->chkGrant->SetStateR(3, Qt::Unchecked);
    f->chkGrantClick();
    src.clear();
    f->GetSource(src);
    EXPECT_EQ(src, (QStringList{QStringLiteral("REVOKE SELECT ON TABLE \"s1\".\"t1\" FROM \"%1\"").arg(r1),
                                QStringLiteral(";"),
                                QStringLiteral("GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"%1\"").arg(r1),
                                QStringLiteral(";")}));

    // "public" alone: no grant-option box; with another row again.
    Select(f, {QStringLiteral("public")});
    for (int k = 0; k < f->chkGrant->count(); ++k)
        EXPECT_FALSE(f->chkGrant->GetItemEnabledR(k));
    Select(f, {QStringLiteral("public"), r2});
    for (int k = 0; k < f->chkGrant->count(); ++k)
        EXPECT_TRUE(f->chkGrant->GetItemEnabledR(k));

}

// Boxes clicked as the user does: an unticked box ticks on the first click
// and gives its GRANT; grey comes back only on a box of a mixed selection;
// a reload leaves no tick of a grantee that is no longer selected.
TEST_F(GrantPolicy, PrivilegeBoxesTickOnTheFirstClick)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec(("GRANT SELECT ON s1.t1 TO " + r2).toStdString());
    GrantHost host(form);
    TfraGrant *f = host.fraGrant;
    host.resize(900, 500);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    f->rdoShowMode->Button(1)->click();
    TtvCheckListBox *boxes = f->chkGrant;
    auto click = [boxes](int line) {
        const QRect r = boxes->visualItemRect(boxes->item(line));
        QTest::mouseClick(boxes->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() + TtvCheckListBox::GetCheckWidth() / 2, r.center().y()));
        return boxes->GetStateL(line);
    };
    const QString grant = QStringLiteral("GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"%1\"");

    // One grantee without the privilege: ticked at once, one GRANT.
    Select(f, {r1});
    EXPECT_EQ(click(3), Qt::Checked);
    EXPECT_EQ(Row(f, r1), QStringLiteral("---*---"));
    QStringList src;
    f->GetSource(src);
    EXPECT_EQ(src, (QStringList{grant.arg(r1), QStringLiteral(";")}));
    EXPECT_EQ(click(3), Qt::Unchecked); // no grey for one grantee
    src.clear();
    f->GetSource(src);
    EXPECT_TRUE(src.isEmpty()) << src.join(u'|').toStdString();

    // Two grantees of which one holds SELECT: grey, then the cycle through
    // unticked and ticked back to grey (which leaves the cells as they are).
    Select(f, {r1, r2});
    ASSERT_EQ(boxes->GetStateL(3), Qt::PartiallyChecked);
    EXPECT_EQ(click(3), Qt::Unchecked);
    EXPECT_EQ(Row(f, r2), QStringLiteral("-------"));
    EXPECT_EQ(click(3), Qt::Checked);
    EXPECT_EQ(Row(f, r1), QStringLiteral("---*---"));
    EXPECT_EQ(Row(f, r2), QStringLiteral("---*---"));
    EXPECT_EQ(click(3), Qt::PartiallyChecked);
    EXPECT_EQ(click(0), Qt::Checked); // DELETE held by neither: no grey
    EXPECT_EQ(Row(f, r1), QStringLiteral("*--*---"));

    // After a reload the boxes show the selection, and nothing when none.
    host.SetModified(false);
    f->rdoShowMode->Button(0)->click();
    ASSERT_EQ(f->lstGrant->ItemCount(), 2);
    EXPECT_FALSE(boxes->isEnabled());
    for (int k = 0; k < boxes->count(); ++k) {
        EXPECT_EQ(boxes->GetStateL(k), Qt::Unchecked) << k;
        EXPECT_EQ(boxes->GetStateR(k), Qt::Unchecked) << k;
    }
    Select(f, {r2});
    EXPECT_EQ(boxes->GetStateL(3), Qt::Checked);
    EXPECT_EQ(boxes->GetStateL(0), Qt::Unchecked);
}

TEST_F(GrantPolicy, PolicyScriptsThroughTheDispatcher)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec(("CREATE POLICY p1 ON s1.t1 FOR SELECT TO " + alice + " USING (owner = current_user);"
              "CREATE POLICY p2 ON s1.t1 AS RESTRICTIVE FOR DELETE USING (id > 0);")
                 .toStdString());
    auto script = [&](const char *name) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        form->OutputScript(129, QStringLiteral("s1"), QString::fromLatin1(name), buf, QString(), QString(), -1,
                           QStringLiteral("t1"));
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(buf.data().constData()), buf.data().size() / 2);
    };
    EXPECT_EQ(script("p1"), QStringLiteral("CREATE POLICY \"p1\" ON \"s1\".\"t1\"\r\nFOR SELECT\r\nTO \"%1\"\r\n"
                                           "USING (\r\n(owner = CURRENT_USER)\r\n)\r\n;\r\n")
                                .arg(alice));
    EXPECT_EQ(script("p2"), QStringLiteral("CREATE POLICY \"p2\" ON \"s1\".\"t1\"\r\nAS RESTRICTIVE\r\nFOR DELETE\r\n"
                                           "USING (\r\n(id > 0)\r\n)\r\n;\r\n"));
    EXPECT_TRUE(script("nosuch").isEmpty());
    EXPECT_EQ(form->OpenObject(129, QStringLiteral("s1"), QStringLiteral("p1"), omDefine, false, 0, -1,
                               QStringLiteral("t1")),
              nullptr);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

TEST_F(GrantPolicy, PolicyWindowAltersAndRecreates)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec(("CREATE POLICY p1 ON s1.t1 AS RESTRICTIVE FOR SELECT TO " + alice + " USING (owner = current_user);")
                 .toStdString());
    TfrmPolicy *w = TfrmPolicy::Open(form, QStringLiteral("s1"), QStringLiteral("p1"), omDefine, QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->rdoSelect->Checked());
    EXPECT_FALSE(w->grpCommandType->isEnabled());
    EXPECT_TRUE(w->txtWithCheck->ReadOnly());
    bool aliceChecked = false;
    for (int i = 0; i < w->lstUser->ItemCount(); ++i)
        if (w->lstUser->Item(i)->Caption() == alice)
            aliceChecked = w->lstUser->Item(i)->checkState(0) == Qt::Checked;
    EXPECT_TRUE(aliceChecked);
    EXPECT_FALSE(w->Modified());

    // The define page: ALTER POLICY.
    w->txtSecurity->Lines()->SetText(QStringLiteral("id > 1"));
    w->SetModified(true);
    QStringList alter;
    w->GetSourceAlter(alter);
    EXPECT_EQ(alter, (QStringList{QStringLiteral("ALTER POLICY \"p1\" ON \"s1\".\"t1\""),
                                  QStringLiteral("TO \"%1\"").arg(alice), QStringLiteral("USING ("),
                                  QStringLiteral("id > 1"), QStringLiteral(")"), QStringLiteral(";")}));
    {
        ExecCloser closer;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    EXPECT_EQ(db->scalar("SELECT pg_get_expr(polqual, polrelid) FROM pg_policy WHERE polname = 'p1'"), "(id > 1)");
    EXPECT_EQ(db->scalar("SELECT polpermissive FROM pg_policy WHERE polname = 'p1'"), "f");
    EXPECT_FALSE(w->Modified());

    // The source page: DROP and CREATE of the text.
    ASSERT_TRUE(w->SelectPage(w->tabSource));
    EXPECT_TRUE(w->txtSource->Lines()->Text().contains(QStringLiteral("AS RESTRICTIVE")));
    w->txtSource->Lines()->SetText(
        QStringLiteral("CREATE POLICY \"p1\" ON \"s1\".\"t1\"\nFOR SELECT\nUSING (\nid > 2\n)\n;"));
    {
        ExecCloser closer;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    EXPECT_EQ(db->scalar("SELECT pg_get_expr(polqual, polrelid) FROM pg_policy WHERE polname = 'p1'"), "(id > 2)");
    EXPECT_EQ(db->scalar("SELECT polpermissive FROM pg_policy WHERE polname = 'p1'"), "t");

    // A new INSERT policy: only WITH CHECK.
    TfrmPolicy *n = TfrmPolicy::Open(form, QStringLiteral("s1"), QString(), omDefine, QStringLiteral("t1"));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->windowTitle(), QStringLiteral("POLICY - 新規"));
    n->txtName->SetText(QStringLiteral("p3"));
    // Space checks every selected role with the focused one.
    QTreeWidgetItem *i1 = nullptr, *i2 = nullptr;
    for (int i = 0; i < n->lstRole->ItemCount(); ++i) {
        if (n->lstRole->Item(i)->Caption() == r1)
            i1 = n->lstRole->Item(i);
        if (n->lstRole->Item(i)->Caption() == r2)
            i2 = n->lstRole->Item(i);
    }
    ASSERT_TRUE(i1 && i2);
    n->lstRole->setCurrentItem(i1);
    i1->setSelected(true);
    i2->setSelected(true);
    QTest::keyClick(n->lstRole, Qt::Key_Space);
    EXPECT_EQ(i1->checkState(0), Qt::Checked);
    EXPECT_EQ(i2->checkState(0), Qt::Checked);
    EXPECT_EQ(n->RoleListText(), QStringLiteral("\"%1\", \"%2\"").arg(r1, r2));
    QTest::keyClick(n->lstRole, Qt::Key_Space);
    EXPECT_EQ(i2->checkState(0), Qt::Unchecked);
    n->txtWithCheck->Lines()->SetText(QStringLiteral("x"));
    n->rdoSelect->click();
    EXPECT_TRUE(n->txtWithCheck->Lines()->Text().isEmpty());
    n->rdoInsert->click();
    EXPECT_TRUE(n->txtSecurity->ReadOnly());
    n->txtWithCheck->Lines()->SetText(QStringLiteral("id > 0"));
    QStringList create;
    n->GetSourceCreate(create);
    EXPECT_EQ(create, (QStringList{QStringLiteral("CREATE POLICY \"p3\" ON \"s1\".\"t1\""), QStringLiteral("FOR INSERT"),
                                   QStringLiteral("WITH CHECK ("), QStringLiteral("id > 0"), QStringLiteral(")"),
                                   QStringLiteral(";")}));

    // Delete: one DROP POLICY, the window closes.
    s.dialogs.queueButton(tv::ui::IDYES);
    w->UpdateActions();
    w->actDelete->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_policy WHERE polname = 'p1'"), "0");
}
