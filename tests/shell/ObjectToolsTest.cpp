// The connection window's grant script, source keeping, full-text search,
// statistics dialog and user commands, and the user-command editor.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/ScriptOption.h"
#include "controls/tvListView.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/GrantScript.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/UserCommand.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmAnalyze.h"
#include "shell/frmGrep.h"
#include "shell/frmUserCommand.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QPushButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>

using namespace tvtest;

namespace {

QString Utf16(const QByteArray &bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

void WriteUtf16(QIODevice &out, const QString &text)
{
    out.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

class ObjectTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("objtool");
        if (!db->available())
            return;
        s.Start(LogonArgs(db->params()));
        tvOption.TreeData = true;
        tvOption.UseLowerName = true;
        tvOption.TreeSort = 0;
        tvOption.ShowDDL = false;
        tvOption.UpdateToCommit = autoCommit();
        s.main->show();
        s.FirstPaint();
        form = s.Form();
    }
    virtual bool autoCommit() const { return true; }

    void Select(const QString &kind, const QString &schema = QStringLiteral("public"))
    {
        form->ShowTree();
        QTreeWidgetItem *sn = Child(form->tvTree->topLevelItem(0), schema);
        ASSERT_NE(sn, nullptr);
        QTreeWidgetItem *node = kind.isEmpty() ? sn : Child(sn, kind);
        ASSERT_NE(node, nullptr) << kind.toStdString();
        if (form->tvTree->currentItem() == node)
            form->ShowObject(false);
        else
            form->tvTree->setCurrentItem(node);
    }
    TtvListItem *Item(const QString &name) { return FindListItem(form->lstObject, name); }
    void SelectItems(const QStringList &names) { SelectListItems(form->lstObject, names); }
    QStringList Listed()
    {
        QStringList n;
        for (int i = 0; i < form->lstObject->ItemCount(); ++i)
            n << form->lstObject->Item(i)->Caption();
        return n;
    }
    QStringList Selected()
    {
        QStringList n;
        for (TtvListItem *it : form->lstObject->SelectedItems())
            n << it->Caption();
        return n;
    }
    QStringList Grant(const QString &schema, const QString &name, int mode, const QString &kind,
                      const QString &oid = QString())
    {
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        form->OutputGrant(schema, name, b, mode, kind, oid);
        return Utf16(b.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    QStringList Messages() const { return s.dialogs.texts(); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

class ObjectToolsInBlock : public ObjectTools {
protected:
    bool autoCommit() const override { return false; }
};

// Interleaves each statement with its ";" line.
QStringList Script(const QStringList &statements)
{
    QStringList out;
    for (const QString &s : statements)
        out << s << QStringLiteral(";");
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Grant script

TEST_F(ObjectTools, GrantScriptOfTablesFunctionsAndRoles)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->ensureRole("alice");
    db->ensureRole("bob");
    db->exec("CREATE TABLE t(a int); ALTER TABLE t OWNER TO alice;"
             "CREATE SCHEMA s; CREATE TABLE s.u(a int); ALTER TABLE s.u OWNER TO alice;"
             "CREATE FUNCTION f(int) RETURNS int LANGUAGE sql AS 'SELECT 1'; ALTER FUNCTION f(int) OWNER TO alice;"
             "CREATE SEQUENCE q; ALTER SEQUENCE q OWNER TO alice");
    const TScriptOption saved = ScriptOption;
    struct Restore {
        TScriptOption o;
        ~Restore() { ScriptOption = o; }
    } restore{saved};
    ScriptOption.Owner = 0;

    const QString t = QStringLiteral("TABLE \"public\".\"t\"");
    auto defaults = [](const QString &obj, const QString &to) {
        QStringList l;
        for (const char *p : {"DELETE", "INSERT", "REFERENCES", "SELECT", "TRIGGER", "TRUNCATE", "UPDATE"})
            l << QStringLiteral("GRANT %1 ON %2 TO %3").arg(QString::fromLatin1(p), obj, to);
        return l;
    };
    EXPECT_EQ(Grant("public", "t", 1, "TABLE"), Script(defaults(t, "\"alice\"")));

    db->exec("GRANT SELECT ON t TO bob WITH GRANT OPTION");
    EXPECT_EQ(Grant("public", "t", 1, "TABLE"),
              Script(defaults(t, "\"alice\"") << "GRANT SELECT ON " + t + " TO \"bob\" WITH GRANT OPTION"));

    // Owner 1: the login schema's objects unqualified, others qualified.
    ScriptOption.Owner = 1;
    EXPECT_EQ(Grant("public", "t", 1, "TABLE").first(), QStringLiteral("GRANT DELETE ON TABLE \"t\" TO \"alice\""));
    EXPECT_EQ(Grant("s", "u", 1, "TABLE").first(), QStringLiteral("GRANT DELETE ON TABLE \"s\".\"u\" TO \"alice\""));
    ScriptOption.Owner = 2;
    EXPECT_EQ(Grant("s", "u", 1, "TABLE").first(), QStringLiteral("GRANT DELETE ON TABLE \"u\" TO \"alice\""));
    ScriptOption.Owner = 0;

    // Functions: EXECUTE to PUBLIC, then to the owner, with the argument list.
    const std::string oid = db->scalar("SELECT 'f(int)'::regprocedure::oid");
    const QStringList f = Grant("public", "f", 1, "FUNCTION", QString::fromStdString(oid));
    ASSERT_EQ(f.size(), 4);
    EXPECT_EQ(f[0], QStringLiteral("GRANT EXECUTE ON FUNCTION \"public\".\"f\"(\"int4\") TO \"public\""));
    EXPECT_EQ(f[2], QStringLiteral("GRANT EXECUTE ON FUNCTION \"public\".\"f\"(\"int4\") TO \"alice\""));
    EXPECT_EQ(Grant("public", "q", 1, "SEQUENCE"),
              Script({"GRANT SELECT ON SEQUENCE \"public\".\"q\" TO \"alice\"",
                      "GRANT UPDATE ON SEQUENCE \"public\".\"q\" TO \"alice\"",
                      "GRANT USAGE ON SEQUENCE \"public\".\"q\" TO \"alice\""}));
    // A partitioned table's privileges are those of any table.
    db->exec("CREATE TABLE pt(a int) PARTITION BY LIST (a); ALTER TABLE pt OWNER TO alice;"
             "GRANT SELECT ON pt TO bob");
    EXPECT_EQ(Grant("public", "pt", 1, "TABLE"),
              Script(defaults(QStringLiteral("TABLE \"public\".\"pt\""), "\"alice\"")
                     << QStringLiteral("GRANT SELECT ON TABLE \"public\".\"pt\" TO \"bob\"")));
    // Kinds without privileges write nothing.
    EXPECT_TRUE(Grant("public", "t", 1, "INDEX").isEmpty());

    // A role: only its own items; the owner's defaults without PUBLIC.
    EXPECT_EQ(Grant("bob", "%", 2, QString()), Script({"GRANT SELECT ON TABLE \"public\".\"pt\" TO \"bob\"",
                                                       "GRANT SELECT ON " + t + " TO \"bob\" WITH GRANT OPTION"}));
    const QStringList a = Grant("alice", "%", 2, QString());
    EXPECT_TRUE(a.contains(QStringLiteral("GRANT EXECUTE ON FUNCTION \"public\".\"f\"(\"int4\") TO \"alice\"")));
    EXPECT_FALSE(a.join('\n').contains(QStringLiteral("TO \"public\"")));
    EXPECT_TRUE(a.contains(QStringLiteral("GRANT TRUNCATE ON TABLE \"s\".\"u\" TO \"alice\"")));
    // Rows come in schema and name order: public's before s's.
    EXPECT_LT(a.indexOf(QStringLiteral("GRANT DELETE ON TABLE \"public\".\"t\" TO \"alice\"")),
              a.indexOf(QStringLiteral("GRANT DELETE ON TABLE \"s\".\"u\" TO \"alice\"")));
}

TEST(GrantScript, StatementsOfAclItems)
{
    tvOption.UseLowerName = true;
    grant::TGrantRow row;
    row.Cls = QStringLiteral("TABLE");
    row.Owner = QStringLiteral("o");
    row.AclNull = false;
    struct Case {
        const char *acl;
        QStringList expected;
    } cases[] = {
        {"=r/o", {"GRANT SELECT ON X TO \"public\""}},
        {"b=r*w/o", {"GRANT SELECT ON X TO \"b\" WITH GRANT OPTION", "GRANT UPDATE ON X TO \"b\""}},
        // "d" is DELETE and "D" TRUNCATE.
        {"b=D/o", {"GRANT TRUNCATE ON X TO \"b\""}},
        {"b=d/o", {"GRANT DELETE ON X TO \"b\""}},
        {"\"x y\"=U/o", {"GRANT USAGE ON X TO \"x y\""}},
    };
    for (const Case &c : cases) {
        row.Acl = QString::fromUtf8(c.acl);
        EXPECT_EQ(grant::Statements(row, 1, QStringLiteral("X"), QString()), c.expected) << c.acl;
    }
    // Tablespaces: only CREATE; a NULL ACL gives nothing.
    row.Cls = QStringLiteral("TABLESPACE");
    row.Acl = QStringLiteral("b=C*/o\r\nc=C/o");
    EXPECT_EQ(grant::Statements(row, 3, QStringLiteral("TABLESPACE \"ts\""), QString()),
              QStringList({"GRANT CREATE ON TABLESPACE \"ts\" TO \"b\" WITH GRANT OPTION",
                           "GRANT CREATE ON TABLESPACE \"ts\" TO \"c\""}));
    row.AclNull = true;
    EXPECT_TRUE(grant::Statements(row, 3, QStringLiteral("TABLESPACE \"ts\""), QString()).isEmpty());
}

TEST(GrantScript, QueriesByKindAndVersion)
{
    bool byOid = false;
    const QString pkg = grant::ObjectSQL(QStringLiteral("PACKAGE BODY"), 90600, true, &byOid);
    EXPECT_TRUE(pkg.startsWith(QStringLiteral(" SELECT 'PACKAGE' AS cls , nsp.nspname , pkg.pkgname , rol.rolname , "
                                              "array_to_string(pkg.pkgacl, '\r\n') AS stracl")));
    EXPECT_TRUE(pkg.endsWith(QStringLiteral(" pkg LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid"
                                            " LEFT JOIN pg_roles     rol ON pkg.pkgowner = rol.oid"
                                            " WHERE 0 = 0 AND nsp.nspname = :SCHEMA AND pkg.pkgname = :OBJNAME")));
    EXPECT_FALSE(byOid);
    EXPECT_TRUE(grant::ObjectSQL(QStringLiteral("PACKAGE BODY"), 150000, false, &byOid).isEmpty());
    EXPECT_TRUE(grant::ObjectSQL(QStringLiteral("TYPE"), 90100, false, &byOid).isEmpty());
    EXPECT_FALSE(grant::ObjectSQL(QStringLiteral("TYPE"), 90200, false, &byOid).isEmpty());
    EXPECT_TRUE(grant::ObjectSQL(QStringLiteral("VIEW"), 90200, false, &byOid).contains(QStringLiteral("IN ('r', 'v') ")));
    EXPECT_TRUE(grant::ObjectSQL(QStringLiteral("VIEW"), 90300, false, &byOid).contains(QStringLiteral("IN ('r', 'v', 'm') ")));
    grant::ObjectSQL(QStringLiteral("AGGREGATE"), 150000, false, &byOid);
    EXPECT_TRUE(byOid);
    EXPECT_FALSE(grant::RoleSQL(90100).contains(QStringLiteral("'TYPE'")));
    EXPECT_TRUE(grant::RoleSQL(90200).contains(QStringLiteral("'TYPE'")));
}

// ---------------------------------------------------------------------------
// Source keeping

TEST_F(ObjectTools, KeepsSourcesBeforeAndAfterAChange)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"),
                                      [](TfrmObject &, const TObjectAddress &a, QIODevice &out) {
                                          out.write("CREATE TABLE " + a.ObjectName.toUtf8() + "\r\n;\r\n");
                                      });
    struct Unregister {
        TtvOption saved = tvOption;
        ~Unregister()
        {
            TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"), {});
            tvOption = saved;
        }
    } unregister;
    const QString dir = s.scratch.path() + QStringLiteral("/keep");
    tvOption.SaveBeforeSrcDir = dir;
    tvOption.SaveAfterSrcDir = dir + QStringLiteral("/after/");
    tvOption.SaveBeforeSrc = true;
    tvOption.SaveBeforeSrcRenum = true;
    tvOption.SaveBeforeSrcHead = false;
    tvOption.SaveBeforeSrcDialog = false;
    // As a definition window calls it, through its connection.
    IConnectionWindow &owner = *form;
    for (int i = 0; i < 3; ++i)
        owner.SaveBeforeSource(QStringLiteral("public"), QStringLiteral("t"), 45);
    for (const char *n : {"t_00.SQL", "t_01.SQL", "t_02.SQL"}) {
        QFile f(dir + QStringLiteral("/public/TABLE/") + QString::fromLatin1(n));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << n;
        EXPECT_EQ(f.readAll(), QByteArray("CREATE TABLE t\r\n;\r\n"));
    }

    // Off: nothing; the header line; without renumbering the file is replaced.
    tvOption.SaveAfterSrc = false;
    form->SaveAfterSource(QStringLiteral("public"), QStringLiteral("t"), 45);
    EXPECT_FALSE(QDir(dir + QStringLiteral("/after")).exists());
    tvOption.SaveAfterSrc = true;
    tvOption.SaveAfterSrcHead = true;
    for (int i = 0; i < 2; ++i)
        form->SaveAfterSource(QStringLiteral("public"), QStringLiteral("t"), 45);
    QFile f(dir + QStringLiteral("/after/public/TABLE/t.SQL"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("-- ")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" 変更後ソース")));
    EXPECT_EQ(lines[1], QStringLiteral("CREATE TABLE t"));

    // A cancelled save dialog keeps nothing; the dialog proposes the name.
    tvOption.SaveBeforeSrcDialog = true;
    s.dialogs.queuePath(QString());
    form->SaveBeforeSource(QStringLiteral("public"), QStringLiteral("t"), 45);
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/public/TABLE/t_03.SQL")));
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_EQ(s.dialogs.calls().at(0).file.caption, QStringLiteral("変更前ソースの保存"));
    EXPECT_TRUE(s.dialogs.calls().at(0).file.fileName.endsWith(QStringLiteral("/public/TABLE/t_03.SQL")));

    // A schema that cannot be a folder name fails before anything is written.
    tvOption.SaveBeforeSrcDialog = false;
    for (const char *bad : {"a/b", "..", "."})
        EXPECT_THROW(form->SaveBeforeSource(QString::fromLatin1(bad), QStringLiteral("t"), 45), tv::Error) << bad;
}

// ---------------------------------------------------------------------------
// Full-text search

TEST_F(ObjectTools, GrepKeepsTheViewsWhoseDefinitionHoldsTheWord)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE t(a int);"
             "CREATE VIEW v1 AS SELECT a FROM t ORDER BY a;"
             "CREATE VIEW v2 AS SELECT a FROM t;"
             "CREATE VIEW v3 AS SELECT a FROM t ORDER BY a DESC");
    bool escapeOnFirst = false;
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmView"),
                                      [&](TfrmObject &o, const TObjectAddress &a, QIODevice &out) {
                                          tv::db::Query &q = o.OpenSQL(
                                              QStringLiteral("SELECT pg_get_viewdef(:N::regclass)"), {a.ObjectName});
                                          WriteUtf16(out, q.Fields(0).AsString());
                                          if (escapeOnFirst)
                                              tv::ui::EscapeWatch::instance().notePress();
                                      });
    struct Unregister {
        ~Unregister() { TObjectDispatcher::RegisterScript(QStringLiteral("TfrmView"), {}); }
    } unregister;
    Select(QStringLiteral("VIEW"));
    ASSERT_EQ(Listed(), QStringList({"v1", "v2", "v3"}));
    form->lstObject->clearSelection();

    auto search = [&](const QString &word, bool charCase, int expectScope) {
        ModalSteps steps({{QStringLiteral("TfrmGrep"), [&](QWidget *w) {
                               auto *g = static_cast<TfrmGrep *>(w);
                               EXPECT_EQ(g->rdoObject->ItemIndex(), expectScope);
                               g->txtGrepWord->setText(word);
                               g->chkCharCase->setChecked(charCase);
                               QMetaObject::invokeMethod(g->btnOk, "click", Qt::QueuedConnection);
                           }}});
        s.dialogs.clear();
        form->Action(QStringLiteral("actGrep"))->trigger();
        EXPECT_TRUE(steps.finished());
    };
    // Nothing selected: the listed objects; letter case ignored.
    search(QStringLiteral("order"), false, 1);
    EXPECT_EQ(Listed(), QStringList({"v1", "v3"}));
    EXPECT_EQ(Messages(), QStringList({"検索を完了しました。"}));
    // Letter case counts: the server writes ORDER.
    Select(QStringLiteral("VIEW"));
    form->lstObject->clearSelection();
    search(QStringLiteral("order"), true, 1);
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_EQ(Messages(), QStringList({"検索を完了しました。"}));

    // The selection only; Esc ends the search with the hits so far.
    Select(QStringLiteral("VIEW"));
    SelectItems({"v1", "v2", "v3"});
    escapeOnFirst = true;
    search(QStringLiteral("ORDER"), true, 0);
    EXPECT_EQ(Listed(), QStringList({"v1"}));
    EXPECT_TRUE(Messages().isEmpty());
    escapeOnFirst = false;

    // Another tree node lists normally again.
    Select(QStringLiteral("TABLE"));
    EXPECT_EQ(Listed(), QStringList({"t"}));
}

TEST(GrepDialog, AnEmptyWordIsRefused)
{
    ShellSession s;
    TfrmGrep dlg;
    dlg.btnOkClick();
    EXPECT_EQ(s.dialogs.texts(), QStringList({"検索する文字列を指定して下さい。"}));
    EXPECT_NE(dlg.result(), QDialog::Accepted);
}

// ---------------------------------------------------------------------------
// Statistics

TEST_F(ObjectTools, AnalyzeOfChosenColumnsAndOfTheSelection)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE t(a int, b int, c int) WITH (autovacuum_enabled = false);"
             "INSERT INTO t SELECT i, i, i FROM generate_series(1, 100) i;"
             "CREATE TABLE t2(a int) WITH (autovacuum_enabled = false); INSERT INTO t2 VALUES (1);"
             "CREATE VIEW v AS SELECT a FROM t");
    Select(QStringLiteral("TABLE"));
    SelectItems({"t"});
    {
        TfrmAnalyze dlg(*form, QStringLiteral("public"), QStringLiteral("t"));
        EXPECT_TRUE(dlg.L_bOnly);
        EXPECT_EQ(dlg.cmbTableName->currentText(), QStringLiteral("t"));
        QTest::mouseClick(dlg.chkColumn, Qt::LeftButton);
        ASSERT_EQ(dlg.lstColumn->count(), 3);
        EXPECT_TRUE(dlg.lstColumn->isEnabled());
        dlg.lstColumn->item(0)->setCheckState(Qt::Checked);
        dlg.lstColumn->item(1)->setCheckState(Qt::Checked);
        EXPECT_EQ(TfrmAnalyze::AnalyzeSQL(QStringLiteral("public"), QStringLiteral("t"), {"a", "b"}),
                  QStringLiteral("ANALYZE \"public\".\"t\" (\"a\",\"b\")"));
        QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
        EXPECT_EQ(s.dialogs.texts(), QStringList({"統計情報の収集が完了しました。"}));
        EXPECT_EQ(db->scalar("SELECT string_agg(attname, ',' ORDER BY attname) FROM pg_stats WHERE tablename = 't'"),
                  "a,b");

        // Checks of the one-table mode.
        s.dialogs.clear();
        dlg.lstColumn->item(0)->setCheckState(Qt::Unchecked);
        dlg.lstColumn->item(1)->setCheckState(Qt::Unchecked);
        QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
        dlg.cmbTableName->setEditText(QStringLiteral("nosuch"));
        QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
        dlg.cmbTableName->setEditText(QString());
        QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
        EXPECT_EQ(s.dialogs.texts(), QStringList({"列を指定してください。", "指定したテーブルは存在しません。",
                                                  "テーブルを指定してください。"}));
    }

    // One selected view: one-table mode with no table chosen.
    Select(QString());
    SelectItems({"v"});
    {
        TfrmAnalyze dlg(*form, QStringLiteral("public"), QStringLiteral("v"));
        EXPECT_TRUE(dlg.L_bOnly);
        EXPECT_TRUE(dlg.cmbTableName->currentText().isEmpty());
    }

    // Several objects: the tables among them, each deselected.
    SelectItems({"t2", "v"});
    s.dialogs.clear();
    ModalSteps steps({{QStringLiteral("TfrmAnalyze"), [](QWidget *w) {
                           auto *d = static_cast<TfrmAnalyze *>(w);
                           EXPECT_FALSE(d->L_bOnly);
                           EXPECT_FALSE(d->cmbTableName->isEnabled());
                           EXPECT_EQ(d->cmbTableName->currentText(), QStringLiteral("(複数選択)"));
                           QMetaObject::invokeMethod(d->btnOk, "click", Qt::QueuedConnection);
                       }}});
    form->Action(QStringLiteral("actAnalyze"))->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(s.dialogs.texts(), QStringList({"統計情報の収集が完了しました。"}));
    EXPECT_TRUE(Selected().isEmpty());
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_stats WHERE tablename = 't2'"), "1");

    // A selection without a table.
    SelectItems({"v"});
    s.dialogs.clear();
    {
        TfrmAnalyze dlg(*form, QString(), QString());
        QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
    }
    EXPECT_EQ(s.dialogs.texts(), QStringList({"テーブルを指定してください。"}));
}

// A partitioned table is listed, found and its columns offered like any
// table: opened from its selected item, one column chosen, then analysed.
TEST_F(ObjectTools, AnalyzeOfAPartitionedTable)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE pt(a int, b int) PARTITION BY RANGE (a);"
             "CREATE TABLE pt1 PARTITION OF pt FOR VALUES FROM (0) TO (1000) WITH (autovacuum_enabled = false);"
             "INSERT INTO pt SELECT i, i FROM generate_series(1, 100) i");
    Select(QStringLiteral("TABLE"));
    SelectItems({"pt"});
    ASSERT_EQ(Selected(), QStringList({"pt"}));
    s.dialogs.clear();
    QStringList columns;
    ModalSteps steps({{QStringLiteral("TfrmAnalyze"), [&](QWidget *w) {
                           auto *d = static_cast<TfrmAnalyze *>(w);
                           EXPECT_TRUE(d->L_bOnly);
                           EXPECT_EQ(d->cmbTableName->currentText(), QStringLiteral("pt"));
                           QTest::mouseClick(d->chkColumn, Qt::LeftButton, {}, QPoint(8, d->chkColumn->height() / 2));
                           for (int i = 0; i < d->lstColumn->count(); ++i)
                               columns << d->lstColumn->item(i)->text();
                           if (d->lstColumn->count() > 1)
                               d->lstColumn->item(1)->setCheckState(Qt::Checked);
                           QTest::mouseClick(d->btnOk, Qt::LeftButton);
                           QMetaObject::invokeMethod(d->btnCancel, "click", Qt::QueuedConnection);
                       }}});
    form->Action(QStringLiteral("actAnalyze"))->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(columns, QStringList({"a", "b"}));
    EXPECT_EQ(s.dialogs.texts(), QStringList({"統計情報の収集が完了しました。"}));
    EXPECT_EQ(db->scalar("SELECT string_agg(attname, ',') FROM pg_stats WHERE tablename = 'pt' AND inherited"), "b");
}

TEST_F(ObjectToolsInBlock, AFailedAnalyzeKeepsTheTransaction)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE t(a int)");
    Select(QStringLiteral("TABLE"));
    SelectItems({"t"});
    TfrmAnalyze dlg(*form, QStringLiteral("public"), QStringLiteral("t"));
    QTest::mouseClick(dlg.chkColumn, Qt::LeftButton);
    ASSERT_EQ(dlg.lstColumn->count(), 1);
    dlg.lstColumn->item(0)->setCheckState(Qt::Checked);
    // A column dropped since the list was read.
    dlg.lstColumn->item(0)->setText(QStringLiteral("gone"));
    form->ExecuteSQL(QStringLiteral("INSERT INTO t VALUES (1)"));
    QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
    ASSERT_EQ(s.dialogs.texts().size(), 1);
    EXPECT_TRUE(s.dialogs.texts().at(0).startsWith(QStringLiteral("統計情報の集計に失敗しました。\r\n")));
    // The block goes on: the earlier insert commits.
    s.main->EndTransaction(true);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM t"), "1");
}

// ---------------------------------------------------------------------------
// User commands

TEST(UserCommandFile, PlaceholdersFromTheHighestColumnDown)
{
    QStringList details;
    for (int i = 1; i <= 11; ++i)
        details << QStringLiteral("c%1").arg(i);
    details[0] = QStringLiteral("sch");
    details[1] = QStringLiteral("TABLE");
    struct Case {
        const char *text;
        const char *expected;
    } cases[] = {
        {"COMMENT ON TABLE &1.&0 IS 'x'", "COMMENT ON TABLE sch.t IS 'x'"},
        {"&OWNER.&name &Type", "sch.t TABLE"},
        {"&11|&1|&2|&3", "c11|sch|TABLE|c3"},
        {"&10&1", "c10sch"},
        {"no placeholder & here", "no placeholder & here"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(usercmd::BuildStatement(QString::fromUtf8(c.text), QStringLiteral("t"), details),
                  QString::fromUtf8(c.expected))
            << c.text;
}

TEST(UserCommandFile, ReadingForARun)
{
    ShellSession s;
    const QString dir = s.scratch.path() + QStringLiteral("/cmd");
    QDir().mkpath(dir);
    auto file = [&](const char *name, const char *content) {
        QFile f(dir + QLatin1Char('/') + QString::fromLatin1(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    };
    struct Case {
        const char *content;
        bool ok;
        bool changed;
    } cases[] = {
        {"<TVDOC TVDOC-VERSION=\"2\"><USERCMD DIALOG=\"1\" SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/></TVDOC>", true, true},
        {"<TVDOC TVDOC-VERSION=\"3\"><USERCMD DIALOG=\"1\" SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/></TVDOC>", false, false},
        {"<TVDOC><USERCMD DIALOG=\"1\" SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/></TVDOC>", false, false},
        {"<OTHER TVDOC-VERSION=\"2\"><USERCMD DIALOG=\"1\" SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/></OTHER>", false, false},
        {"<TVDOC TVDOC-VERSION=\"2\"><USERCMD SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/></TVDOC>", false, false},
        {"<TVDOC TVDOC-VERSION=\"2\"><USERCMD DIALOG=\"x\" SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/></TVDOC>", false, false},
        {"<TVDOC TVDOC-VERSION=\"2\"><USERCMD DIALOG=\"1\" SQLWINDOW=\"0\" ERROR=\"1\" SQL=\"S\"/>", false, false},
        {"<TVDOC TVDOC-VERSION=\"2\"><OTHER/></TVDOC>", true, false},
    };
    for (const Case &c : cases) {
        bool d = false, w = false, e = false;
        QString sql;
        EXPECT_EQ(usercmd::GetCommandValue(file("c.cmd", c.content), d, w, e, sql), c.ok) << c.content;
        EXPECT_EQ(d && e && sql == QLatin1String("S"), c.changed) << c.content;
    }
    bool d = false, w = false, e = false;
    QString sql;
    EXPECT_FALSE(usercmd::GetCommandValue(dir + QStringLiteral("/missing.cmd"), d, w, e, sql));

    // Written and read back: line breaks kept, the name's file in any case.
    TUserCommand cmd;
    cmd.Name = QStringLiteral("ABC");
    cmd.SQL = QStringLiteral("SELECT 1\n, 2 < 3 & \"x\"");
    cmd.Error = true;
    usercmd::Write(cmd);
    const QString path = usercmd::FilePath(QStringLiteral("abc"));
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("ABC.cmd"));
    ASSERT_TRUE(usercmd::GetCommandValue(path, d, w, e, sql));
    EXPECT_EQ(sql, cmd.SQL);
    EXPECT_TRUE(e);
    EXPECT_FALSE(d);
    for (const char *bad : {"a/b", "a\\b", ".", ".."}) {
        cmd.Name = QString::fromLatin1(bad);
        EXPECT_THROW(usercmd::Write(cmd), tv::Error) << bad;
    }
}

namespace {

void WriteCommand(const QString &name, const QString &sql, bool error, bool sqlWindow = false, int seq = 0)
{
    TUserCommand c;
    c.Name = name;
    c.SQL = sql;
    c.Error = error;
    c.SQLWindow = sqlWindow;
    c.Seq = seq;
    usercmd::Write(c);
}

QAction *CommandItem(TfrmObject *form, const QString &name)
{
    for (QAction *a : form->mnuCommand->actions())
        if (a->property("CommandName").toString() == name)
            return a;
    return nullptr;
}

} // namespace

TEST_F(ObjectToolsInBlock, CommandOverTheSelectionSkipsFailuresUnderSavepoints)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE t1(a int); CREATE TABLE t2(a int); CREATE VIEW v AS SELECT a FROM t1");
    WriteCommand(QStringLiteral("CMT"), QStringLiteral("COMMENT ON TABLE &1.&0 IS 'x'"), true);
    WriteCommand(QStringLiteral("STRICT"), QStringLiteral("ALTER TABLE &1.&0 ADD COLUMN b int"), false);
    s.main->SetCommandList();
    ASSERT_NE(CommandItem(form, "CMT"), nullptr);
    ASSERT_NE(CommandItem(form, "STRICT"), nullptr);
    // The key stays the main menu's: the copy has none of its own.
    EXPECT_TRUE(CommandItem(form, "CMT")->shortcut().isEmpty());

    Select(QString());
    SelectItems({"t1", "v", "t2"});
    CommandItem(form, "CMT")->trigger();
    EXPECT_EQ(Messages(), QStringList({"コマンドを実行しました。\r\nエラー: 1 件"}));
    EXPECT_EQ(Selected(), QStringList({"v"}));
    s.main->EndTransaction(true);
    EXPECT_EQ(db->scalar("SELECT obj_description('t1'::regclass) || obj_description('t2'::regclass)"), "xx");

    // ERROR off: the failing statement is shown, it and the rest stay selected.
    db->exec("CREATE TABLE t3(a int); ALTER TABLE t2 ADD COLUMN b int");
    s.dialogs.clear();
    Select(QStringLiteral("TABLE"));
    SelectItems({"t1", "t2", "t3"});
    CommandItem(form, "STRICT")->trigger();
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().at(0).endsWith(QStringLiteral("\r\n\r\nALTER TABLE public.t2 ADD COLUMN b int")));
    EXPECT_EQ(Selected(), QStringList({"t2", "t3"}));
    s.main->EndTransaction(true);
    EXPECT_EQ(db->scalar("SELECT string_agg(attrelid::regclass::text, ',' ORDER BY attrelid::regclass::text) FROM pg_attribute "
                         "WHERE attname = 'b' AND NOT attisdropped"),
              "t1,t2");
}

TEST_F(ObjectTools, CommandRunsOnceWithoutPlaceholdersAndInSqlWindows)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TABLE t1(a int); CREATE TABLE t2(a int); CREATE TABLE t3(a int)");
    QStringList windows;
    RegisterLauncher(QStringLiteral("TfrmSQL"), [&](const TLaunchContext &c) -> QWidget * {
        EXPECT_EQ(c.Connection, form);
        windows << c.Argument;
        return nullptr;
    });
    struct Unregister {
        ~Unregister() { RegisterLauncher(QStringLiteral("TfrmSQL"), {}); }
    } unregister;
    WriteCommand(QStringLiteral("WIN"), QStringLiteral("SELECT '&NAME'"), false, true);
    WriteCommand(QStringLiteral("ONCE"), QStringLiteral("CREATE TABLE once(a int)"), false);
    WriteCommand(QStringLiteral("BAD"), QStringLiteral("SELECT * FROM nosuch"), false);
    s.main->SetCommandList();

    Select(QStringLiteral("TABLE"));
    SelectItems({"t1", "t2", "t3"});
    CommandItem(form, "WIN")->trigger();
    EXPECT_EQ(windows, QStringList({"SELECT 't1'", "SELECT 't2'", "SELECT 't3'"}));
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_TRUE(Selected().isEmpty());

    // No "&": once, whatever the selection.
    form->lstObject->clearSelection();
    CommandItem(form, "ONCE")->trigger();
    EXPECT_EQ(Messages(), QStringList({"コマンドを実行しました。"}));
    EXPECT_EQ(db->scalar("SELECT to_regclass('once') IS NOT NULL"), "t");
    s.dialogs.clear();
    CommandItem(form, "BAD")->trigger();
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().at(0).contains(QStringLiteral("nosuch")));
    EXPECT_TRUE(Messages().at(0).endsWith(QStringLiteral("\r\n\r\nSELECT * FROM nosuch")));

    // A file that cannot be read keeps its item and runs nothing.
    QFile f(usercmd::FilePath(QStringLiteral("ONCE")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("<TVDOC TVDOC-VERSION=\"3\"/>");
    f.close();
    s.main->SetCommandList();
    ASSERT_NE(CommandItem(form, "ONCE"), nullptr);
    s.dialogs.clear();
    CommandItem(form, "ONCE")->trigger();
    EXPECT_TRUE(Messages().isEmpty());

    // DIALOG: No runs nothing.
    TUserCommand ask;
    ask.Name = QStringLiteral("ASK");
    ask.Dialog = true;
    ask.SQL = QStringLiteral("CREATE TABLE asked(a int)");
    usercmd::Write(ask);
    s.main->SetCommandList();
    s.dialogs.queueButton(tv::ui::IDNO);
    CommandItem(form, "ASK")->trigger();
    EXPECT_EQ(Messages(), QStringList({"ASK を実行しますか？"}));
    EXPECT_EQ(db->scalar("SELECT to_regclass('asked') IS NULL"), "t");
}

// ---------------------------------------------------------------------------
// User-command editor

class CommandEditor : public ::testing::Test {
protected:
    ShellSession s;
    QStringList Entries(const TfrmUserCommand &e)
    {
        QStringList l;
        for (int i = 0; i < e.lstCommand->count(); ++i)
            l << e.lstCommand->item(i)->text();
        return l;
    }
};

TEST_F(CommandEditor, SavesAddsAndRefusesADuplicateName)
{
    TfrmUserCommand e;
    e.LoadCommandList();
    EXPECT_EQ(e.lstCommand->count(), 0);
    QTest::keyClicks(e.txtName, QStringLiteral("mycmd"));
    EXPECT_EQ(e.txtName->text(), QStringLiteral("MYCMD"));
    EXPECT_TRUE(e.actAdd->isEnabled());
    EXPECT_FALSE(e.actSave->isEnabled());
    e.txtSeq->setText(QStringLiteral("5"));
    e.txtSQL->Lines()->SetText(QStringLiteral("SELECT 1"));
    e.actAdd->trigger();
    EXPECT_TRUE(s.dialogs.texts().isEmpty());
    ASSERT_EQ(Entries(e), QStringList({"MYCMD"}));
    QFile f(usercmd::Folder() + QStringLiteral("/MYCMD.cmd"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral(
        "<TVDOC TVDOC-VERSION=\"2\">\\s*<USERCMD SEQ=\"5\" NAME=\"MYCMD\" SHORTCUT=\"0\" DIALOG=\"0\" "
        "SQLWINDOW=\"0\" ERROR=\"0\" SQL=\"SELECT 1\"/>"))))
        << xml.toStdString();

    // Another command shown, then the first name again: refused.
    e.txtName->clear();
    QTest::keyClicks(e.txtName, QStringLiteral("other"));
    e.actAdd->trigger();
    ASSERT_EQ(Entries(e), QStringList({"MYCMD", "OTHER"}));
    EXPECT_EQ(e.lstCommand->currentItem()->text(), QStringLiteral("OTHER"));
    e.txtName->clear();
    QTest::keyClicks(e.txtName, QStringLiteral("mycmd"));
    e.actAdd->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList({"同名のコマンドが既に存在しています。"}));
    EXPECT_EQ(Entries(e), QStringList({"MYCMD", "OTHER"}));

    // Empty fields are refused with their messages.
    s.dialogs.clear();
    e.txtName->clear();
    QTest::keyClicks(e.txtName, QStringLiteral("x"));
    e.txtSQL->Lines()->SetText(QStringLiteral("  "));
    e.actAdd->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList({"ＳＱＬ文を入力して下さい。"}));

    // A name that cannot be a file name: the file error, nothing added.
    s.dialogs.clear();
    e.txtName->setText(QStringLiteral("A/B"));
    e.txtSQL->Lines()->SetText(QStringLiteral("SELECT 1"));
    e.actAdd->trigger();
    EXPECT_EQ(s.dialogs.texts().size(), 1);
    EXPECT_EQ(Entries(e), QStringList({"MYCMD", "OTHER"}));

    // Another entry with unsaved changes: No drops them. Delete: the file goes.
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDNO);
    e.lstCommand->setCurrentRow(0);
    EXPECT_EQ(s.dialogs.texts(), QStringList({"情報が変更されています。登録しますか？"}));
    EXPECT_EQ(e.txtName->text(), QStringLiteral("MYCMD"));
    EXPECT_FALSE(e.FModified);
    s.dialogs.queueButton(tv::ui::IDYES);
    e.actDelete->trigger();
    EXPECT_FALSE(QFile::exists(usercmd::Folder() + QStringLiteral("/MYCMD.cmd")));
    EXPECT_EQ(Entries(e), QStringList({"OTHER"}));
}

TEST_F(CommandEditor, OrderAndUnreadableFiles)
{
    WriteCommand(QStringLiteral("A"), QStringLiteral("S"), false, false, 2);
    WriteCommand(QStringLiteral("B"), QStringLiteral("S"), false, false, 2);
    WriteCommand(QStringLiteral("C"), QStringLiteral("S"), false, false, 1);
    {
        TfrmUserCommand e;
        e.LoadCommandList();
        EXPECT_EQ(Entries(e), QStringList({"C", "B", "A"}));
        EXPECT_EQ(e.txtName->text(), QStringLiteral("C"));
        EXPECT_EQ(e.txtSeq->text(), QStringLiteral("1"));
        EXPECT_FALSE(e.FModified);
    }
    QFile f(usercmd::Folder() + QStringLiteral("/D.CMD"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<TVDOC TVDOC-VERSION=\"3\"><USERCMD SEQ=\"9\" SQL=\"S\"/></TVDOC>");
    f.close();
    // Unreadable, D lists first (number 0): the editor cannot open on it.
    // The exchange rule then moves C past A and B.
    TfrmUserCommand e;
    EXPECT_THROW(e.LoadCommandList(), tv::Error);
    ASSERT_EQ(Entries(e), QStringList({"D", "C", "A", "B"}));
    e.lstCommand->setCurrentRow(1);
    EXPECT_EQ(e.txtName->text(), QStringLiteral("C"));
    s.dialogs.clear();
    e.lstCommand->setCurrentRow(0);
    EXPECT_EQ(s.dialogs.texts(), QStringList({"このバージョンのファイルには対応していません。"}));
    EXPECT_TRUE(e.txtName->text().isEmpty());
}

// The program as the user starts it: a command made in the editor and run
// from the connection window's menu.
TEST(ObjectToolsEndToEnd, CommandFromTheEditorRunsOnTheSelectedTables)
{
    TestDb db("objtool");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE e1(a int); CREATE TABLE e2(a int)");
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    tvOption.UseLowerName = true;
    m.show();
    s.FirstPaint();
    TfrmObject *form = s.Form();
    ASSERT_NE(form, nullptr);
    TfrmUserCommand::RegisterLauncher();
    TfrmObject::RegisterCommandLaunchers();

    ModalSteps steps({{QStringLiteral("TfrmUserCommand"), [](QWidget *w) {
                           auto *e = static_cast<TfrmUserCommand *>(w);
                           QTest::keyClicks(e->txtName, QStringLiteral("mark"));
                           e->txtSQL->setFocus();
                           QTest::keyClicks(e->txtSQL, QStringLiteral("COMMENT ON TABLE &OWNER.&NAME IS 'e2e'"));
                           e->actAdd->trigger();
                           e->actExit->trigger();
                       }}});
    m.Action(QStringLiteral("actToolCommandSetup"))->trigger();
    ASSERT_TRUE(steps.finished());

    QTreeWidgetItem *pub = Child(form->tvTree->topLevelItem(0), QStringLiteral("public"));
    ASSERT_NE(pub, nullptr);
    form->tvTree->setCurrentItem(Child(pub, QStringLiteral("TABLE")));
    form->lstObject->selectAll();
    ASSERT_EQ(form->lstObject->SelectedItems().size(), 2);
    QAction *mark = CommandItem(form, QStringLiteral("MARK"));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->parent(), form->mnuCommand);
    EXPECT_EQ(form->mnuCommand->title(), QStringLiteral("ユーザー定義コマンド(&U)"));
    mark->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList({"コマンドを実行しました。"}));
    EXPECT_EQ(db.scalar("SELECT obj_description('e1'::regclass) || obj_description('e2'::regclass)"), "e2ee2e");

    // The main menu's item runs it on the current connection window.
    db.exec("COMMENT ON TABLE e1 IS NULL");
    form->lstObject->selectAll();
    s.dialogs.clear();
    QAction *main = m.mnuCommandMenu->actions().first();
    ASSERT_EQ(main->text(), QStringLiteral("MARK"));
    main->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList({"コマンドを実行しました。"}));
    EXPECT_EQ(db.scalar("SELECT obj_description('e1'::regclass)"), "e2e");
}

// The editor opened from the main window's tool menu: Ctrl+A selects the
// whole text of whichever box has the focus, and the SQL box shows several
// lines.
TEST(ObjectToolsEndToEnd, CommandEditorBoxesSelectAllAndTheSQLBoxShowsLines)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    {
        ModalSteps logon({CancelStep(QStringLiteral("frmLogon"))}); // no connection is needed
        s.FirstPaint();
    }
    ASSERT_TRUE(s.ShowMain());
    TfrmUserCommand::RegisterLauncher();
    bool checked = false;
    ModalSteps steps({{QStringLiteral("TfrmUserCommand"), [&](QWidget *w) {
                           auto *e = static_cast<TfrmUserCommand *>(w);
                           QApplication::setActiveWindow(e);
                           QApplication::processEvents(); // laid out at its size
                           // Typing over what Ctrl+A selected replaces all of it.
                           for (QLineEdit *box : {e->txtName, e->txtSeq}) {
                               SCOPED_TRACE(box->objectName().toStdString());
                               box->setFocus();
                               QTest::keyClicks(box, QStringLiteral("12"));
                               box->setCursorPosition(1);
                               QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                               QTest::keyClicks(box, QStringLiteral("7"));
                               EXPECT_EQ(box->text(), QStringLiteral("7"));
                           }
                           const QString sql = QStringLiteral("SELECT 1\nFROM t\nWHERE a = 1\nORDER BY 1");
                           e->txtSQL->setFocus();
                           e->txtSQL->Lines()->SetText(sql);
                           QTest::keyClick(e->txtSQL, Qt::Key_A, Qt::ControlModifier);
                           EXPECT_EQ(e->txtSQL->SelText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")), sql);
                           // Several lines at the size the window opens with.
                           EXPECT_TRUE(e->txtSQL->isVisible());
                           EXPECT_GE(e->txtSQL->viewport()->height(), 5 * e->txtSQL->RowHeight());
                           checked = true;
                           s.dialogs.queueButton(tv::ui::IDNO); // nothing to keep
                           e->actExit->trigger();
                       }}});
    m.Action(QStringLiteral("actToolCommandSetup"))->trigger();
    ASSERT_TRUE(steps.finished());
    EXPECT_TRUE(checked);
}
