// The trigger window and the dependency frame against the test server,
// started as the program starts: opened through the dispatcher, the
// editor's "定義情報" and "新規トリガー"; compiled by drop and create in one
// transaction; scripted without a window.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"
#include "TableWindowTestSupport.h"

#include "controls/tvCheckBox.h"
#include "controls/tvRadioButton.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/TableWindows.h"
#include "objects/table/fraCross.h"
#include "objects/table/frmTrigger.h"
#include "sql/frmFieldList.h"

#include <QAction>
#include <QBuffer>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

using namespace tvtest;

namespace {

QList<TfrmTrigger *> TriggerWindows(const ShellSession &s)
{
    return WindowsOf<TfrmTrigger>(s);
}

QStringList Children(QTreeWidget *tree, const QString &under = QString())
{
    QStringList texts;
    QTreeWidgetItem *root = tree->topLevelItem(0);
    if (!root)
        return texts;
    QTreeWidgetItem *parent = root;
    if (!under.isEmpty())
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->text(0) == under)
                parent = root->child(i);
    for (int i = 0; i < parent->childCount(); ++i)
        texts << parent->child(i)->text(0);
    return texts;
}

class TriggerWindow : public TableWindowTest {
protected:
    void SetUp() override
    {
        StartOn("trg", "CREATE SCHEMA s1;"
                       "CREATE TABLE s1.t1 (id serial, a int, b int, note text);"
                       "CREATE TABLE s1.t2 (id int, c int);"
                       "CREATE VIEW s1.v1 AS SELECT t1.id, t2.c FROM s1.t1 JOIN s1.t2 ON t1.id = t2.id;"
                       "CREATE FUNCTION s1.fn() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
                       "CREATE TRIGGER trg1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn();"
                       "CREATE INDEX i1 ON s1.t1 (a);");
    }
    void TearDown() override { DropChanges<TfrmTrigger>(); }
    TfrmTrigger *Open(const QString &name, const QString &table = QStringLiteral("t1"), TOpenMode mode = omDefine)
    {
        return dynamic_cast<TfrmTrigger *>(form->OpenObject(57, QStringLiteral("s1"), name, mode, false, 0, -1, table));
    }
    std::string Def(const char *name)
    {
        return db->scalar(std::string("SELECT pg_get_triggerdef(oid) FROM pg_trigger WHERE tgname = '") + name + "'");
    }

};

void PressCompile(TfrmTrigger *w)
{
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
}

} // namespace

// Ctrl+O on "s1.trg1" opens the trigger; ticking UPDATE re-creates it for
// every session; a server error keeps the old trigger and the edits.
TEST_F(TriggerWindow, OpensFromTheEditorAndRecreatesOnCompile)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmMain &m = *s.main;
    TtvMemo *memo = EditorInMainWindow(m);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    memo->EditSetText(QStringLiteral("s1.trg1"));
    memo->setFocus();
    QCoreApplication::processEvents();
    memo->EditSetSel(0, 7);
    m.UpdateActions();
    m.Action(QStringLiteral("actEditOpen"))->trigger();
    ASSERT_EQ(TriggerWindows(s).size(), 1);
    TfrmTrigger *w = TriggerWindows(s).first();
    const DbParams &p = db->params();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("TRIGGER - s1.t1.trg1 @ ") + p.database + u'/' + p.host + u':' + p.port);
    EXPECT_TRUE(w->rdoAfter->Checked());
    EXPECT_TRUE(w->chkInsert->Checked());
    EXPECT_FALSE(w->chkUpdate->Checked());
    EXPECT_TRUE(w->chkRow->Checked());
    EXPECT_EQ(w->cmbFncNm->Text(), QStringLiteral("fn"));
    EXPECT_FALSE(w->txtParam->isEnabled() && !w->txtParam->Text().isEmpty());
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(Open(QStringLiteral("trg1")), nullptr);   // brought forward
    EXPECT_EQ(TriggerWindows(s).size(), 1);

    w->chkUpdate->click();
    EXPECT_TRUE(w->Modified());
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    EXPECT_NE(Def("trg1").find("AFTER INSERT OR UPDATE ON s1.t1"), std::string::npos) << Def("trg1");
    EXPECT_FALSE(w->Modified());
    EXPECT_TRUE(w->chkUpdate->Checked());

    s.dialogs.clear();
    w->txtWhen->setFocus();
    QTest::keyClicks(w->txtWhen, QStringLiteral("(new.nosuch > 0)"));
    EXPECT_TRUE(w->Modified());
    PressCompile(w);
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.texts().first().contains(QStringLiteral("nosuch"))) << s.dialogs.texts().first().toStdString();
    EXPECT_EQ(s.dialogs.calls().first().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONSTOP);
    EXPECT_NE(Def("trg1").find("AFTER INSERT OR UPDATE ON s1.t1"), std::string::npos);
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(w->txtWhen->Text(), QStringLiteral("(new.nosuch > 0)"));
}

// A new trigger from "新規トリガー": statement level over two update
// columns picked in the column chooser, with quoted arguments kept byte for
// byte; INSTEAD OF empties a table target and offers only views.
TEST_F(TriggerWindow, NewTriggerWithColumnsAndArguments)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    s.main->Action(QStringLiteral("btnNewTrigger"))->trigger();
    ASSERT_EQ(TriggerWindows(s).size(), 1);
    TfrmTrigger *w = TriggerWindows(s).first();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("TRIGGER - 新規"));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabCross)));
    EXPECT_TRUE(w->rdoBefore->Checked());
    EXPECT_FALSE(w->chkRow->Checked());

    w->cmbSchema->SetText(QStringLiteral("s1"));
    w->cmbTableName->SetText(QStringLiteral("t1"));
    w->txtName->SetText(QStringLiteral("trg2"));
    w->rdoAfter->click();
    w->chkUpdate->click();
    w->chkTruncate->click();
    ASSERT_TRUE(w->btnField->isEnabled());
    ModalSteps steps{{{QStringLiteral("frmFieldList"), [](QWidget *d) {
                           auto *f = static_cast<TfrmFieldList *>(d);
                           for (const char *col : {"a", "b"}) {
                               const auto items = f->lstAll->findItems(QString::fromLatin1(col), Qt::MatchExactly);
                               ASSERT_EQ(items.size(), 1);
                               f->lstAll->setCurrentItem(items.first());
                               f->btnIns->click();
                           }
                           d->findChild<QPushButton *>(QStringLiteral("btnSelect"))->click();
                       }}}};
    w->btnField->click();
    EXPECT_EQ(w->txtUpdCol->Text(), QStringLiteral("\"a\", \"b\""));
    w->cmbFncSkm->SetText(QStringLiteral("s1"));
    w->cmbFncNm->SetText(QStringLiteral("fn"));
    ASSERT_TRUE(w->txtParam->isEnabled());
    w->txtParam->SetText(QStringLiteral("'O''Brien', 'a,b'"));
    QStringList lines;
    w->GetSourceCreate(lines);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("CREATE TRIGGER \"trg2\""),
                                  QStringLiteral("AFTER UPDATE OF \"a\", \"b\" OR TRUNCATE "),
                                  QStringLiteral("ON \"s1\".\"t1\""),
                                  QStringLiteral("EXECUTE PROCEDURE \"s1\".\"fn\"('O''Brien', 'a,b')"),
                                  QStringLiteral(";")}));
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    EXPECT_EQ(db->scalar("SELECT encode(tgargs, 'escape') FROM pg_trigger WHERE tgname = 'trg2'"),
              "O'Brien\\000a,b\\000");
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->txtParam->Text(), QStringLiteral("'O''Brien', 'a,b'"));

    // INSTEAD OF on a new trigger.
    s.main->Action(QStringLiteral("btnNewTrigger"))->trigger();
    TfrmTrigger *n = nullptr;
    for (TfrmTrigger *t : TriggerWindows(s))
        if (t->IsNew())
            n = t;
    ASSERT_NE(n, nullptr);
    n->cmbSchema->SetText(QStringLiteral("s1"));
    n->cmbTableName->SetText(QStringLiteral("t1"));
    n->rdoInstead->click();
    EXPECT_TRUE(n->chkRow->Checked());
    EXPECT_FALSE(n->chkRow->isEnabled());
    EXPECT_TRUE(n->cmbTableName->Text().isEmpty());
    EXPECT_FALSE(n->txtWhen->isEnabled());
    n->cmbTableNameDropDown();
    QStringList items;
    for (int i = 0; i < n->cmbTableName->count(); ++i)
        items << n->cmbTableName->itemText(i);
    EXPECT_EQ(items, QStringList{QStringLiteral("v1")});
}

// Loading: only the timing-and-event clause counts; WHEN loads whole.
TEST_F(TriggerWindow, LoadsEventsAndConditionFromTheirClauses)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TRIGGER update_x BEFORE INSERT ON s1.t1 FOR EACH ROW WHEN (new.note <> 'EXECUTE WHEN') "
             "EXECUTE FUNCTION s1.fn()");
    TfrmTrigger *w = Open(QStringLiteral("update_x"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->chkInsert->Checked());
    EXPECT_FALSE(w->chkUpdate->Checked());
    EXPECT_TRUE(w->rdoBefore->Checked());
    EXPECT_EQ(w->txtWhen->Text(), QStringLiteral("(new.note <> 'EXECUTE WHEN'::text)"));
    EXPECT_FALSE(w->rdoInstead->isEnabled());

    // Script output of the same trigger; nothing for an unknown one.
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    form->OutputScript(57, QStringLiteral("s1"), QStringLiteral("update_x"), buf, QString(), QString(), -1,
                       QStringLiteral("t1"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buf.data().constData()),
                                            buf.data().size() / 2);
    EXPECT_TRUE(text.contains(QStringLiteral("WHEN (new.note <> 'EXECUTE WHEN'::text)\r\n"))) << text.toStdString();
    QBuffer none;
    none.open(QIODevice::WriteOnly);
    form->OutputScript(57, QStringLiteral("s1"), QStringLiteral("nosuch"), none, QString(), QString(), -1,
                       QStringLiteral("t1"));
    EXPECT_TRUE(none.data().isEmpty());
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// "相関": what the trigger uses; a table's sequence and dependants; a view's
// tables; the index filter.
TEST_F(TriggerWindow, CrossReferencePage)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTrigger *w = Open(QStringLiteral("trg1"), QStringLiteral("t1"), omCross);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ShownPage(), w->tabCross);
    QStringList uses = Children(w->fraCross->lstTree1);
    uses.sort();
    EXPECT_EQ(uses, (QStringList{QStringLiteral("s1.fn()"), QStringLiteral("s1.t1")}));
    EXPECT_EQ(w->fraCross->lstTree1->topLevelItem(0)->text(0), QStringLiteral("s1.t1.trg1"));

    // The table below the trigger lists its sequence (CrossLevel 3).
    EXPECT_TRUE(Children(w->fraCross->lstTree1, QStringLiteral("s1.t1")).contains(QStringLiteral("s1.t1_id_seq")));

    // Double click on the table node opens nothing for a kind without a
    // window, and the root opens nothing at all.
    QTreeWidget *tree = w->fraCross->lstTree1;
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(0));
    w->fraCross->popOpenClick();
    EXPECT_EQ(TriggerWindows(s).size(), 1);

    // Released index button: no INDEX node after a reload.
    w->fraCross->btnTree1Index->click();
    w->Reload(nullptr);
    for (QTreeWidget *t : {w->fraCross->lstTree1, w->fraCross->lstTree2}) {
        QList<QTreeWidgetItem *> todo{t->topLevelItem(0)};
        while (!todo.isEmpty()) {
            QTreeWidgetItem *i = todo.takeLast();
            EXPECT_NE(i->data(0, Qt::UserRole).toInt(), 46) << i->text(0).toStdString();
            for (int k = 0; k < i->childCount(); ++k)
                todo << i->child(k);
        }
    }
    EXPECT_GT(w->fraCross->LastStatements(), 0);
}

// A frame on a table's window: double click on a trigger node opens that
// trigger through the dispatcher, with its table.
TEST_F(TriggerWindow, CrossNodeOpensItsObject)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TtvForm host(form);
    host.SetObjType(45);
    auto *frame = new TfraCross(&host, &host);
    frame->ShowData(QStringLiteral("s1"), QStringLiteral("t1"), QString(), QString());
    QTreeWidget *tree = frame->lstTree2;
    const QStringList usedBy = Children(tree);
    EXPECT_TRUE(usedBy.contains(QStringLiteral("s1.t1.trg1")));
    EXPECT_TRUE(usedBy.contains(QStringLiteral("s1.i1")));
    EXPECT_TRUE(usedBy.contains(QStringLiteral("s1.v1")));
    EXPECT_TRUE(Children(frame->lstTree1).contains(QStringLiteral("s1.t1_id_seq")));
    QTreeWidgetItem *node = nullptr;
    for (int i = 0; i < tree->topLevelItem(0)->childCount(); ++i)
        if (tree->topLevelItem(0)->child(i)->text(0) == QLatin1String("s1.t1.trg1"))
            node = tree->topLevelItem(0)->child(i);
    ASSERT_NE(node, nullptr);
    tree->setCurrentItem(node);
    emit tree->itemDoubleClicked(node, 0);
    ASSERT_EQ(TriggerWindows(s).size(), 1);
    EXPECT_EQ(TriggerWindows(s).first()->cmbTableName->Text(), QStringLiteral("t1"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
}

// Delete with CASCADE offered; the trigger is gone and the window closes.
TEST_F(TriggerWindow, DeleteDropsTheTrigger)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmTrigger *w = Open(QStringLiteral("trg1"));
    ASSERT_NE(w, nullptr);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->UpdateActions();
    w->actDelete->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_trigger WHERE tgname = 'trg1'"), "0");
    EXPECT_TRUE(s.dialogs.texts().contains(QStringLiteral("オブジェクトが削除されました。")));
    EXPECT_TRUE(TriggerWindows(s).isEmpty());
}
