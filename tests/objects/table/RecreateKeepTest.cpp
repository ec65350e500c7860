// A compile that drops and creates a trigger, an index, a constraint or a
// policy again keeps what the user did not change: a second session sees the
// table as before but for the one change made in the window.
#include "DDLExecUser.h"
#include "TableWindowTestSupport.h"

#include "controls/tvCheckBox.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/frmConst.h"
#include "objects/table/frmIndex.h"
#include "objects/table/frmPolicy.h"
#include "objects/table/frmTable.h"
#include "controls/tvStringGrid.h"
#include "objects/table/frmTrigger.h"
#include "support/CatalogSnapshot.h"

#include <QApplication>

#include <functional>

using namespace tvtest;

namespace {

class RecreateKeep : public TableWindowTest {
protected:
    void SetUp() override
    {
        StartOn("keep", "CREATE SCHEMA s1;"
                        "CREATE TABLE s1.t1 (id int, a int, b int);"
                        "CREATE FUNCTION s1.fn() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
                        "CREATE TRIGGER off1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn();"
                        "ALTER TABLE s1.t1 DISABLE TRIGGER off1;"
                        "COMMENT ON TRIGGER off1 ON s1.t1 IS 'kept off';"
                        "CREATE TRIGGER rep1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn();"
                        "ALTER TABLE s1.t1 ENABLE REPLICA TRIGGER rep1;"
                        "CREATE TRIGGER alw1 AFTER INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn();"
                        "ALTER TABLE s1.t1 ENABLE ALWAYS TRIGGER alw1;"
                        "COMMENT ON TRIGGER alw1 ON s1.t1 IS 'always';"
                        "CREATE INDEX i1 ON s1.t1 (a);"
                        "COMMENT ON INDEX s1.i1 IS 'by a';"
                        "ALTER TABLE s1.t1 ADD CONSTRAINT c1 CHECK (a > 0);"
                        "COMMENT ON CONSTRAINT c1 ON s1.t1 IS 'positive';"
                        "CREATE POLICY p1 ON s1.t1 USING (true);"
                        "COMMENT ON POLICY p1 ON s1.t1 IS 'everyone';");
    }
    void TearDown() override
    {
        DropChanges<TfrmTrigger>();
        DropChanges<TfrmIndex>();
        DropChanges<TfrmConst>();
        DropChanges<TfrmPolicy>();
        DropChanges<TfrmTable>();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
    }
};

void PressCompile(TfrmDefinition *w)
{
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
}

struct KeepCase {
    const char *what;
    int objType;
    const char *name;
    // The user's one change in the window.
    std::function<void(TfrmDefinition *)> change;
    // The snapshot section the change shows in, and the end of the object's
    // line there after the compile (what must have been kept).
    std::string section, keptTail;
};

} // namespace

TEST_F(RecreateKeep, OnlyTheUsersChangeDiffers)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const std::vector<KeepCase> cases = {
        {"disabled trigger", 57, "off1",
         [](TfrmDefinition *w) { dynamic_cast<TfrmTrigger *>(w)->chkUpdate->click(); }, "triggers",
         "| D | kept off"},
        {"replica trigger", 57, "rep1",
         [](TfrmDefinition *w) { dynamic_cast<TfrmTrigger *>(w)->chkUpdate->click(); }, "triggers", "| R | <null>"},
        {"always trigger", 57, "alw1",
         [](TfrmDefinition *w) { dynamic_cast<TfrmTrigger *>(w)->chkUpdate->click(); }, "triggers",
         "| A | always"},
        {"index", 46, "i1", [](TfrmDefinition *w) { dynamic_cast<TfrmIndex *>(w)->chkUnique->click(); }, "indexes",
         "| by a"},
        {"check constraint", 66, "c1",
         [](TfrmDefinition *w) {
             dynamic_cast<TfrmConst *>(w)->txtCheck->Lines()->SetText(QStringLiteral("a > 1"));
             w->SetModified(true);
         },
         "constraints", "| positive"},
        {"policy source", 129, "p1",
         [](TfrmDefinition *w) {
             ASSERT_TRUE(w->SelectPage(w->tabSource));
             w->txtSource->Lines()->SetText(
                 QStringLiteral("CREATE POLICY \"p1\" ON \"s1\".\"t1\"\nFOR SELECT\nUSING (\nid > 2\n)"));
             w->SetModified(true);
         },
         "policies", "| everyone"},
    };
    for (const KeepCase &c : cases) {
        SCOPED_TRACE(c.what);
        const CatalogSnapshot before = CatalogSnapshot::OfTable(*db, "s1", "t1");
        const QString name = QString::fromLatin1(c.name);
        // The dispatcher hands out no policy window: it opens through its class.
        auto *w = c.objType == 129 ? TfrmPolicy::Open(form, QStringLiteral("s1"), name, omDefine, QStringLiteral("t1"))
                                   : dynamic_cast<TfrmDefinition *>(form->OpenObject(
                                         c.objType, QStringLiteral("s1"), name, omDefine, false, 0, -1,
                                         QStringLiteral("t1")));
        ASSERT_NE(w, nullptr);
        c.change(w);
        {
            ExecDialogUser user(true, s.dialogs);
            PressCompile(w);
            TfrmDDLExec::WaitProc();
        }
        EXPECT_FALSE(w->Modified()) << s.dialogs.texts().join(u'|').toStdString();
        const CatalogSnapshot after = CatalogSnapshot::OfTable(*db, "s1", "t1");
        EXPECT_EQ(CatalogSnapshot::Diff(before, after, {c.section}), "");
        EXPECT_NE(before.Section(c.section), after.Section(c.section)) << "the change did not reach the server";
        bool kept = false;
        for (const std::string &line : after.Section(c.section))
            kept = kept || (line.rfind(std::string(c.name) + " |", 0) == 0 && line.size() >= c.keptTail.size() &&
                            line.compare(line.size() - c.keptTail.size(), c.keptTail.size(), c.keptTail) == 0);
        EXPECT_TRUE(kept) << CatalogSnapshot::Diff(before, after);
        w->SetModified(false);
        w->close();
        s.dialogs.clear();
    }
}

// A table rebuild (a column moved) gives every privilege back as its grantor
// gave it, column privileges too, and none that default privileges add; a
// table with the default privileges (its ACL NULL) gains none either.
TEST_F(RecreateKeep, TableRebuildKeepsGrantorsAndAddsNoDefaultPrivileges)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const std::string a = "tvx_keep_a", b = "tvx_keep_b", c = "tvx_keep_c";
    for (const std::string &r : {a, b, c})
        db->ensureRole(r);
    db->exec("GRANT USAGE, CREATE ON SCHEMA s1 TO " + a + ", " + b + ";"
             "CREATE TABLE s1.g (id int, name text, note text); ALTER TABLE s1.g OWNER TO " + a + ";"
             "GRANT SELECT ON s1.g TO " + b + " WITH GRANT OPTION; GRANT UPDATE (note) ON s1.g TO " + c + ";"
             "SET ROLE " + b + "; GRANT SELECT ON s1.g TO " + c + "; RESET ROLE;"
             "CREATE TABLE s1.h (id int, name text);"
             "ALTER DEFAULT PRIVILEGES GRANT ALL ON TABLES TO " + c + ";"
             "ALTER DEFAULT PRIVILEGES IN SCHEMA s1 GRANT SELECT ON TABLES TO PUBLIC;");
    for (const char *table : {"g", "h"}) {
        SCOPED_TRACE(table);
        const CatalogSnapshot before = CatalogSnapshot::OfTable(*db, "s1", table);
        auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("s1"), QString::fromLatin1(table)));
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(w->grdColumn->Cells(TfrmTable::colName, 2), QStringLiteral("name"));
        ASSERT_TRUE(w->grdColumn->MoveCurrent(TfrmTable::colName, 2));
        w->UpdateActions();
        ASSERT_TRUE(w->actColUp->isEnabled());
        w->actColUp->trigger();
        {
            ExecDialogUser user(true, s.dialogs);
            PressCompile(w);
            TfrmDDLExec::WaitProc();
        }
        EXPECT_FALSE(w->Modified()) << s.dialogs.texts().join(u'|').toStdString();
        const CatalogSnapshot after = CatalogSnapshot::OfTable(*db, "s1", table);
        EXPECT_EQ(CatalogSnapshot::Diff(before, after, {"column order"}), "");
        EXPECT_NE(before.Section("column order"), after.Section("column order"));
        w->SetModified(false);
        w->close();
        s.dialogs.clear();
    }
}
