// Synonyms and database links need an EnterpriseDB server: their builders
// and queries are checked as text; on the test server the synonym action
// shows the server's error, a new link's checks run in its window, and the
// link list reads a table named edb_dblink made to stand in for the catalog.
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvStrEdit.h"
#include "controls/tvTreeView.h"
#include "objects/other/DBLinkDefinition.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/SynonymDefinition.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "platform/text/TextEncoding.h"
#include "objects/other/frmDBLink.h"
#include "objects/other/frmDBLinkList.h"
#include "objects/other/frmSynonym.h"

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QRadioButton>
#include <QTabWidget>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

TEST(SynonymDDL, CreateAndDrop)
{
    struct Case {
        const char *what;
        TSynonymDefinition def;
        QString own, target;
        QStringList lines;
    };
    const QList<Case> cases = {
        {"public", {"public", "syn1", true, "s1", "t1", ""}, "", "\"s1\".", {"CREATE PUBLIC SYNONYM \"syn1\"", " FOR \"s1\".\"t1\"", ";"}},
        {"remote", {"public", "syn1", true, "s1", "t1", "lnk"}, "", "\"s1\".",
         {"CREATE PUBLIC SYNONYM \"syn1\"", " FOR \"s1\".\"t1\"@lnk", ";"}},
        {"in a schema", {"s2", "Syn", false, "s1", "t1", ""}, "\"s2\".", "\"s1\".",
         {"CREATE SYNONYM \"s2\".\"Syn\"", " FOR \"s1\".\"t1\"", ";"}},
        {"odd link name", {"s2", "x", false, "s1", "t1", "a b"}, "", "",
         {"CREATE SYNONYM \"x\"", " FOR \"t1\"@\"a b\"", ";"}},
    };
    for (const Case &c : cases) {
        QStringList lines;
        SynonymDDL::Create(c.def, c.own, c.target, lines);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
    EXPECT_EQ(SynonymDDL::DropStatement("public", "syn1"), QStringLiteral("DROP PUBLIC SYNONYM \"syn1\""));
    EXPECT_EQ(SynonymDDL::DropStatement("s1", "syn1"), QStringLiteral("DROP SYNONYM \"s1\".\"syn1\""));
    EXPECT_EQ(SynonymKindText({"FUNCTION", "FUNCTION"}), QStringLiteral("(複数の参照先があります)"));
    EXPECT_EQ(SynonymKindText({"VIEW"}), QStringLiteral("VIEW"));
    EXPECT_EQ(SynonymKindText({}), QString());

    const QString q = SynonymSQL::Objects(150000, true);
    EXPECT_EQ(q.count(QStringLiteral("UNION ")), 6);
    EXPECT_TRUE(q.contains(QStringLiteral("AND Prc.protype = '0'"))) << q.toStdString();
    EXPECT_EQ(q.count(QStringLiteral("protype")), 1);   // the function branch only
    EXPECT_TRUE(q.contains(QStringLiteral("WHERE Nms.nspname = :SCHEMA AND Syn.synname = :TBLNAME ")));
    EXPECT_TRUE(SynonymSQL::Synonym().contains(QStringLiteral("FROM pg_catalog.pg_synonym AS Syn")));
}

TEST(DBLinkDDL, CreateDropAndQueries)
{
    TDbLinkDefinition d{"u", "l", true, ptLibpq, "scott", "pw", "host=h port=5432 dbname=d"};
    QStringList lines;
    DBLinkDDL::Create(d, lines);
    EXPECT_EQ(lines, (QStringList{"CREATE PUBLIC DATABASE LINK \"l\"", "CONNECT TO \"scott\"", "IDENTIFIED BY 'pw'",
                                  "USING LIBPQ'host=h port=5432 dbname=d'", ";"}));
    d.Public = false;
    d.Kind = ptOci;
    d.User.clear();
    d.Using = QStringLiteral("//h:1521/o'r");
    lines.clear();
    DBLinkDDL::Create(d, lines);
    EXPECT_EQ(lines, (QStringList{"CREATE DATABASE LINK \"l\"", "USING OCI'//h:1521/o''r'", ";"}));
    EXPECT_EQ(DBLinkDDL::DropStatement(true, "l"), QStringLiteral("DROP PUBLIC DATABASE LINK \"l\""));
    EXPECT_EQ(DBLinkDDL::DropStatement(false, "l"), QStringLiteral("DROP DATABASE LINK \"l\""));
    EXPECT_EQ(DBLinkSQL::Test(ptOci, "l"), QStringLiteral("SELECT * FROM dual@\"l\""));
    EXPECT_EQ(DBLinkSQL::Test(ptLibpq, "l"), QStringLiteral("SELECT * FROM pg_tables@\"l\" WHERE 0 = 1"));
    EXPECT_TRUE(DBLinkSQL::List(ptLibpq).endsWith(QStringLiteral("=  1 ORDER BY 1")));
}

namespace {

class EdbWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("edb");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1; CREATE TABLE s1.t1 (id int);");
        RegisterOtherWindows();
        RegisterTableWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        tvOption.ShowDDL = true;
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        if (s.main) {
            for (TfrmDBLink *w : WindowsOf<TfrmDBLink>(s))
                w->SetModified(false);
            for (TfrmSynonym *w : WindowsOf<TfrmSynonym>(s))
                w->SetModified(false);
        }
        FreeExecDialogs();
        s.main.reset();
    }
    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// On PostgreSQL 15 "シノニム作成(&Y)" shows the server's error and opens no window.
TEST_F(EdbWindows, SynonymActionOnPostgres)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ShowTree();
    QTreeWidgetItem *sn = Child(form->tvTree->topLevelItem(0), QStringLiteral("s1"));
    ASSERT_NE(sn, nullptr);
    form->tvTree->setCurrentItem(Child(sn, QStringLiteral("TABLE")));
    SelectListItems(form->lstObject, {QStringLiteral("t1")});
    form->mnuObjectClick();
    QAction *a = form->Action(QStringLiteral("actSynonym"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(), QStringLiteral("シノニム作成(&Y)"));
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
    EXPECT_TRUE(WindowsOf<TfrmSynonym>(s).isEmpty());
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.calls().at(0).text.contains(QStringLiteral("pg_synonym")))
        << s.dialogs.calls().at(0).text.toStdString();
}

// A new link: the libpq template, replaced when untouched on switching to
// OCI; a link another user owns is not compiled; the fields are required.
TEST_F(EdbWindows, NewLinkChecks)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmDBLink *w = TfrmDBLink::Open(form, QStringLiteral("someone_else"), QString(), ptLibpq, false, omDefine);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("DATABASE LINK - 新規"));
    EXPECT_EQ(w->txtUsing->Text(), LibpqTemplate);
    EXPECT_TRUE(w->rdoLibpq->isChecked());
    w->rdoOci->click();
    EXPECT_EQ(w->txtUsing->Text(), OciTemplate);
    w->txtUsing->SetText(QStringLiteral("//mine:1521/x"));
    w->rdoLibpq->click();
    EXPECT_EQ(w->txtUsing->Text(), QStringLiteral("//mine:1521/x"));

    w->txtName->SetText(QStringLiteral("l"));
    w->txtUser->SetText(QStringLiteral("scott"));
    w->txtPassword->SetText(QStringLiteral("pw"));
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("他ユーザー所有のデータベースリンクは変更できません。")});
    s.dialogs.clear();

    TfrmDBLink *mine = TfrmDBLink::Open(form, db->params().user, QString(), ptOci, true, omDefine);
    ASSERT_NE(mine, nullptr);
    mine->txtName->SetText(QStringLiteral("l2"));
    mine->txtUser->SetText(QStringLiteral("scott"));
    mine->UpdateActions();
    mine->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("接続先パスワードを入力して下さい。")});
    s.dialogs.clear();
    mine->txtPassword->SetText(QStringLiteral("pw"));
    mine->chkPublic->SetChecked(true);
    QStringList source;
    mine->GetSourceCreate(source);
    EXPECT_EQ(source, (QStringList{"CREATE PUBLIC DATABASE LINK \"l2\"", "CONNECT TO \"scott\"", "IDENTIFIED BY 'pw'",
                                   "USING OCI'" + OciTemplate + "'", ";"}));
}

// The list reads its links by kind; a failing drop with the box checked
// leaves the failed links listed and selected.
TEST_F(EdbWindows, LinkListReadsAndDrops)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE public.edb_dblink (oid oid, lnkname name, lnkowner oid, lnkispublic bool, lnktype int,"
             " lnkuser text, lnkconnstr text);"
             "INSERT INTO public.edb_dblink SELECT 1, 'b', r.oid, true, 1, 'scott', 'host=h' FROM pg_roles r"
             " WHERE rolname = current_user;"
             "INSERT INTO public.edb_dblink SELECT 2, 'a', r.oid, false, 1, 'tiger', 'host=i' FROM pg_roles r"
             " WHERE rolname = current_user;"
             "INSERT INTO public.edb_dblink SELECT 3, 'o', r.oid, false, 0, 'x', '//h/o' FROM pg_roles r"
             " WHERE rolname = current_user;");
    QWidget *opened = Launch(QStringLiteral("actDBLink"), TLaunchContext{form, s.main.get()});
    auto *list = dynamic_cast<TfrmDBLinkList *>(opened);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), QStringLiteral("データベースリンク情報 - ") + form->ConnectionText());
    ASSERT_EQ(list->lstObject->ItemCount(), 1);   // the OCI tab
    EXPECT_EQ(list->lstObject->Item(0)->Caption(), QStringLiteral("o"));
    list->pagDBLinkList->setCurrentWidget(list->tabLibpq);
    ASSERT_EQ(list->lstObject->ItemCount(), 2);
    EXPECT_EQ(list->lstObject->Item(0)->Caption(), QStringLiteral("a"));
    EXPECT_EQ(list->lstObject->Item(1)->SubItems().mid(0, 4),
              (QStringList{db->params().user, "True", "scott", "host=h"}));
    EXPECT_EQ(Launch(QStringLiteral("actAdminDBLink"), TLaunchContext{form, s.main.get()}), list);   // brought forward
    EXPECT_EQ(WindowsOf<TfrmDBLinkList>(s).size(), 1);

    // Script output asks the registered options dialog: one file for both.
    const QString one = s.scratch.file(QStringLiteral("links.sql"));
    const bool oneBefore = ScriptOption.OneScript;
    TfrmObject::RegisterScriptOptionDialog([&](TfrmObject &owner, QString &path, QString &nameTable) {
        EXPECT_EQ(&owner, form);
        ScriptOption.OneScript = true;
        path = one;
        nameTable.clear();
        return true;
    });
    SelectListItems(list->lstObject, {QStringLiteral("a"), QStringLiteral("b")});
    list->UpdateActions();
    list->actScript->trigger();
    TfrmObject::RegisterScriptOptionDialog({});
    ScriptOption.OneScript = oneBefore;
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("スクリプトが出力されました。")});
    QFile script(one);
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString text = tv::text::Decode(script.readAll(), GetFileEncoding());
    EXPECT_TRUE(text.contains(QStringLiteral("DATABASE LINK \"a\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("PUBLIC DATABASE LINK \"b\""))) << text.toStdString();
    s.dialogs.clear();

    SelectListItems(list->lstObject, {QStringLiteral("a"), QStringLiteral("b")});
    s.dialogs.queueButton(tv::ui::IDYES, {true});
    list->UpdateActions();
    list->actDelete->trigger();
    EXPECT_EQ(s.dialogs.calls().size(), 1) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(list->lstObject->ItemCount(), 2);
    EXPECT_EQ(list->lstObject->SelectedItems().size(), 2);

    // Closing the connection closes its list.
    QPointer<TfrmDBLinkList> gone(list);
    ASSERT_TRUE(s.main->SubWindowOf(form)->close());
    form = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 30000));
}
