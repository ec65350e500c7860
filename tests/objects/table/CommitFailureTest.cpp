// A compile whose statements all ran but whose COMMIT the server refuses:
// a deferred unique check fails at COMMIT (an event trigger records every
// DDL command in a table whose deferred key already holds the value). Each
// window shows the failure, keeps the user's edits, and the server keeps
// the object as it was.
#include "shell/ShellTestSupport.h"
#include "DDLExecUser.h"
#include "TableWindowTestSupport.h"

#include "controls/tvCheckBox.h"
#include "controls/tvStrEdit.h"
#include "objects/table/frmIndex.h"
#include "objects/table/frmTable.h"
#include "objects/table/frmTrigger.h"

#include <QAction>

#include <functional>

using namespace tvtest;

namespace {

const char *const Objects = "CREATE SCHEMA s1;"
                            "CREATE TABLE s1.t1 (id int, name text);"
                            "COMMENT ON TABLE s1.t1 IS 'before';"
                            "CREATE INDEX i1 ON s1.t1 (name);"
                            "CREATE FUNCTION s1.fn() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
                            "CREATE TRIGGER trg1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn();";

// From here on every DDL command of the database fails its COMMIT.
const char *const CommitGuard =
    "CREATE TABLE public.guard (k int UNIQUE DEFERRABLE INITIALLY DEFERRED);"
    "INSERT INTO public.guard VALUES (1);"
    "CREATE FUNCTION public.guard_ddl() RETURNS event_trigger LANGUAGE plpgsql AS "
    "$$BEGIN INSERT INTO public.guard VALUES (1); END$$;"
    "CREATE EVENT TRIGGER guard_ddl ON ddl_command_end EXECUTE FUNCTION public.guard_ddl();";

class CommitFailure : public TableWindowTest {
protected:
    void TearDown() override
    {
        DropChanges<TfrmTable>();
        DropChanges<TfrmIndex>();
        DropChanges<TfrmTrigger>();
    }
};

struct Case {
    const char *name;
    // Opens the window and makes the change.
    std::function<TfrmDefinition *(TfrmObject *)> edit;
    // The object on the server, read from a second connection.
    const char *state;
    const char *unchanged;
};

} // namespace

TEST_F(CommitFailure, ShownAsAFailureAndTheWindowStaysAsEdited)
{
    StartOn("cmtf", Objects);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec(CommitGuard);
    const Case cases[] = {
        {"table comment",
         [](TfrmObject *f) -> TfrmDefinition * {
             auto *w = dynamic_cast<TfrmTable *>(f->OpenObject(45, QStringLiteral("s1"), QStringLiteral("t1")));
             if (w) {
                 w->txtComment->setFocus();
                 w->txtComment->selectAll();
                 QTest::keyClicks(w->txtComment, QStringLiteral("after"));
             }
             return w;
         },
         "SELECT obj_description('s1.t1'::regclass, 'pg_class')", "before"},
        {"index made unique",
         [](TfrmObject *f) -> TfrmDefinition * {
             auto *w = dynamic_cast<TfrmIndex *>(f->OpenObject(46, QStringLiteral("s1"), QStringLiteral("i1")));
             if (w)
                 w->chkUnique->click();
             return w;
         },
         "SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i1'::regclass", "f"},
        {"trigger on update too",
         [](TfrmObject *f) -> TfrmDefinition * {
             auto *w = dynamic_cast<TfrmTrigger *>(f->OpenObject(57, QStringLiteral("s1"), QStringLiteral("trg1"),
                                                                omDefine, false, 0, -1, QStringLiteral("t1")));
             if (w)
                 w->chkUpdate->click();
             return w;
         },
         "SELECT pg_get_triggerdef(oid) FROM pg_trigger WHERE tgname = 'trg1'",
         "CREATE TRIGGER trg1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn()"},
    };
    s.main->show();
    s.main->activateWindow();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        s.dialogs.clear();
        TfrmDefinition *w = c.edit(form);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->Modified());
        {
            ExecDialogUser user(true, s.dialogs);
            w->UpdateActions();
            ASSERT_TRUE(w->actCompile->isEnabled());
            w->actCompile->trigger();
            EXPECT_FALSE(user.log.contains(QStringLiteral("《エラー》"))) << user.log.join(u'|').toStdString();
        }
        ASSERT_EQ(s.dialogs.calls().size(), 1) << s.dialogs.texts().join(u'|').toStdString();
        const QString text = s.dialogs.texts().first();
        EXPECT_TRUE(text.contains(QStringLiteral("guard_k_key"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("トランザクションがロールバックされました。"))) << text.toStdString();
        EXPECT_EQ(s.dialogs.calls().first().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONSTOP);
        EXPECT_EQ(db->scalar(c.state), c.unchanged);
        EXPECT_EQ(db->scalar("SELECT count(*) FROM public.guard"), "1");
        EXPECT_TRUE(w->Modified());
        EXPECT_EQ(w->OwnerForm()->dbsMain().TransactionLevel(), 0);
        EXPECT_EQ(w->OwnerForm()->dbsMain().transactionState(), tv::db::TransactionState::Idle);
        w->SetModified(false);
        w->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
