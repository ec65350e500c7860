// The materialized-view window against the test server: scripts of a
// populated and an unpopulated materialized view, REFRESH with and without
// data, and a source-page compile that re-creates the object with its
// indexes, owner and grants, or rolls back as a whole.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/ViewDefinition.h"
#include "objects/other/frmMView.h"
#include "support/CatalogSnapshot.h"
#include "support/TestTablespace.h"

#include <QAction>
#include <QBuffer>
#include <QRadioButton>
#include <QTabWidget>

#include "controls/frmPrint.h"
#include "objects/table/fraStorage.h"

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

// The query's own semicolons survive; only the ending one is cut.
TEST(MViewDDL, CreateFormEndsWithNoDataAndComments)
{
    TViewDefinition d;
    d.Name = QStringLiteral("m");
    d.Materialized = true;
    d.Columns = {{QStringLiteral("a"), QStringLiteral("text"), QString(), QStringLiteral("c")}};
    d.Query = QStringList{" SELECT ';'::text AS a"};
    d.Populated = false;
    d.Comment = QStringLiteral("M");
    QStringList lines;
    ViewDDL::CreateMView(d, QStringLiteral("\"s\"."), true, {QStringLiteral("TABLESPACE x")}, lines);
    EXPECT_EQ(lines, (QStringList{"CREATE MATERIALIZED VIEW \"s\".\"m\"", "    (\"a\")", "TABLESPACE x", "AS",
                                  " SELECT ';'::text AS a", "WITH NO DATA", ";",
                                  "COMMENT ON MATERIALIZED VIEW \"s\".\"m\" IS 'M'", ";",
                                  "COMMENT ON COLUMN \"s\".\"m\".\"a\" IS 'c'", ";"}));
    EXPECT_EQ(ViewDDL::Refresh(QStringLiteral("\"s\"."), QStringLiteral("m"), true),
              QStringLiteral("REFRESH MATERIALIZED VIEW \"s\".\"m\" WITH NO DATA"));
    EXPECT_EQ(ViewDDL::DropMView(QStringLiteral("\"s\"."), QStringLiteral("m"), true),
              QStringLiteral(" DROP MATERIALIZED VIEW \"s\".\"m\" CASCADE"));
}

namespace {

class MViewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("mview");
        if (!db->available())
            return;
        db->ensureRole("tvx_mview_r1");
        db->exec("CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t (a int, b text);"
                 "INSERT INTO s1.t VALUES (1, 'x;y'), (2, 'y');"
                 "CREATE MATERIALIZED VIEW s1.mv1 AS SELECT a, b FROM s1.t;"
                 "CREATE INDEX mv1_i ON s1.mv1 (a);"
                 "GRANT SELECT ON s1.mv1 TO tvx_mview_r1;"
                 "CREATE MATERIALIZED VIEW s1.mv2 AS SELECT a FROM s1.t WHERE b = ';' WITH NO DATA;");
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
        tvOption.ShowDDL = true;
    }
    void TearDown() override
    {
        if (s.main)
            for (TfrmMView *w : WindowsOf<TfrmMView>(s))
                w->SetModified(false);
        FreeExecDialogs();
        if (db && db->available())
            db->exec("DROP SCHEMA s1 CASCADE");
    }
    TfrmMView *Open(const QString &name, TOpenMode mode = omDefine)
    {
        return dynamic_cast<TfrmMView *>(form->OpenObject(61, QStringLiteral("s1"), name, mode));
    }
    QStringList Script(const QString &name)
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(61, QStringLiteral("s1"), name, buffer);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                                buffer.data().size() / 2);
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    std::string Other(const std::string &sql) { return db->scalar(sql); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// An unpopulated materialized view scripts WITH NO DATA; the query keeps a
// ";" of its own literal.
TEST_F(MViewWindow, ScriptOfAnUnpopulatedView)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QStringList lines = Script(QStringLiteral("mv2"));
    ASSERT_GE(lines.size(), 4) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines.first(), QStringLiteral("CREATE MATERIALIZED VIEW \"s1\".\"mv2\""));
    EXPECT_EQ(lines.last(2), (QStringList{"WITH NO DATA", ";"}));
    EXPECT_TRUE(lines.join(u'\n').contains(QStringLiteral("';'::text"))) << lines.join(u'|').toStdString();
    const QStringList populated = Script(QStringLiteral("mv1"));
    ASSERT_FALSE(populated.isEmpty());
    EXPECT_FALSE(populated.contains(QStringLiteral("WITH NO DATA")));
    EXPECT_TRUE(Script(QStringLiteral("nothing")).isEmpty());
}

// 最新(&A) with "WITH NO DATA オプション" empties mv1 for every session.
TEST_F(MViewWindow, RefreshWithNoData)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmMView *w = Open(QStringLiteral("mv1"));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->fraData->btnUpdate->isEnabled());
    EXPECT_EQ(ToolBarButtons(w->tolCmd),
              (QStringList{"作成(C)", "出力(P)", "削除(D)", "戻す(R)", "最新(A)", "終了(X)"}));
    // With a TOAST table the second autovacuum target is offered, once.
    w->actRefresh->trigger();
    EXPECT_TRUE(w->fraStorage->rdoVacuumTarget->Button(1)->isVisibleTo(w->fraStorage));
    EXPECT_EQ(w->fraStorage->rdoVacuumTarget->findChildren<QRadioButton *>().size(), 2);
    s.dialogs.queueButton(tv::ui::IDYES, {true});
    w->UpdateActions();
    ASSERT_TRUE(w->actSendCommand->isEnabled());
    w->actSendCommand->trigger();
    EXPECT_EQ(s.dialogs.texts(),
              (QStringList{"REFRESHコマンドを送信しますか？", "REFRESHコマンドを送信しました。"}));
    EXPECT_EQ(Other("SELECT relispopulated FROM pg_class WHERE oid = 's1.mv1'::regclass"), "f");
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    w->actSendCommand->trigger();
    EXPECT_EQ(Other("SELECT relispopulated FROM pg_class WHERE oid = 's1.mv1'::regclass"), "t");
}

// The tool buttons from the keyboard: Alt+A presses the window's 最新(&A)
// (not the main menu's 管理(&A)) from the page tabs and from the source
// editor, which types nothing; the REFRESH reaches the server.
TEST_F(MViewWindow, AltKeysPressTheToolButtons)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(s.ShowMain());
    TfrmMView *w = Open(QStringLiteral("mv2"));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(PollUntil([w] { return w->actSendCommand->isEnabled(); }));
    for (const bool source : {false, true}) {
        SCOPED_TRACE(source ? "source editor" : "page tabs");
        w->pagObject->setCurrentWidget(source ? w->tabSource : w->tabDefine);
        QWidget *box = source ? static_cast<QWidget *>(w->txtSource) : w->pagObject->tabBar();
        box->setFocus();
        ASSERT_TRUE(PollUntil([box] { return QApplication::focusWidget() == box; }));
        ASSERT_TRUE(PollUntil([w] { return w->actSendCommand->isEnabled(); }));
        db->exec("REFRESH MATERIALIZED VIEW s1.mv2 WITH NO DATA");
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDYES, {false});
        const QString before = w->txtSource->Lines()->Text();
        QTest::keyClick(box, Qt::Key_A, Qt::AltModifier);
        EXPECT_EQ(s.dialogs.texts(),
                  (QStringList{"REFRESHコマンドを送信しますか？", "REFRESHコマンドを送信しました。"}));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(w->txtSource->Lines()->Text(), before);
        EXPECT_EQ(Other("SELECT relispopulated FROM pg_class WHERE oid = 's1.mv2'::regclass"), "t");
    }
}

// Recompiled unchanged from the source page: the index, owner and grant are
// back; a failing text rolls everything back and keeps the edit.
TEST_F(MViewWindow, SourceCompileKeepsIndexesOwnerAndGrants)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const std::string owner = Other("SELECT pg_get_userbyid(relowner) FROM pg_class WHERE oid = 's1.mv1'::regclass");
    TfrmMView *w = Open(QStringLiteral("mv1"), omSource);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ShownPage(), w->tabSource);
    const QStringList source = w->txtSource->Lines()->ToStringList();
    ASSERT_FALSE(source.isEmpty());
    EXPECT_EQ(source.first(), QStringLiteral("CREATE MATERIALIZED VIEW \"s1\".\"mv1\""));
    {
        PreviewAnswer preview;
        w->UpdateActions();
        w->actCompile->trigger();
        EXPECT_EQ(preview.lines, source);
    }
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    s.dialogs.clear();
    EXPECT_EQ(Other("SELECT count(*) FROM pg_indexes WHERE schemaname = 's1' AND indexname = 'mv1_i'"), "1");
    EXPECT_EQ(Other("SELECT pg_get_userbyid(relowner) FROM pg_class WHERE oid = 's1.mv1'::regclass"), owner);
    EXPECT_EQ(Other("SELECT has_table_privilege('tvx_mview_r1', 's1.mv1', 'SELECT')"), "t");
    EXPECT_EQ(Other("SELECT count(*) FROM s1.mv1"), "2");

    w->txtSource->Lines()->SetText(QStringLiteral("CREATE MATERIALIZED VIEW s1.mv1 AS SELECT nope FROM s1.t"));
    {
        PreviewAnswer preview;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.texts().first().contains(QStringLiteral("nope"))) << s.dialogs.texts().first().toStdString();
    EXPECT_EQ(Other("SELECT count(*) FROM s1.mv1"), "2");
    EXPECT_EQ(Other("SELECT count(*) FROM pg_indexes WHERE schemaname = 's1' AND indexname = 'mv1_i'"), "1");
    EXPECT_EQ(w->txtSource->Lines()->Get(0), QStringLiteral("CREATE MATERIALIZED VIEW s1.mv1 AS SELECT nope FROM s1.t"));
}

// A source-page compile of a materialized view whose indexes stand in a
// tablespace of their own (one of them partial): a second session sees the
// indexes where they were, the one left in the default tablespace there
// too, and the view's new query.
TEST_F(MViewWindow, SourceCompileKeepsIndexTablespaces)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TestTablespace space(*db);
    space.before = [this] { db->exec("DROP MATERIALIZED VIEW IF EXISTS s1.mv3"); };
    if (!space.Make("tvx_mvts_" + db->params().database.toStdString()))
        GTEST_SKIP() << "no folder the server may use";
    const std::string &ts = space.name;
    db->exec("CREATE MATERIALIZED VIEW s1.mv3 AS SELECT a, b FROM s1.t;"
             "CREATE INDEX mv3_a ON s1.mv3 (a) TABLESPACE " + ts + ";"
             "CREATE UNIQUE INDEX mv3_b ON s1.mv3 (b) TABLESPACE " + ts + " WHERE a > 0;"
             "CREATE INDEX mv3_ab ON s1.mv3 (a, b);");
    const std::vector<std::pair<std::string, std::string>> queries = {
        {"indexes", "SELECT ic.relname, pg_get_indexdef(i.indexrelid), coalesce(t.spcname, '<default>')"
                    " FROM pg_index i JOIN pg_class ic ON ic.oid = i.indexrelid"
                    " LEFT JOIN pg_tablespace t ON t.oid = ic.reltablespace WHERE i.indrelid = 's1.mv3'::regclass"},
        {"definition", "SELECT pg_get_viewdef('s1.mv3'::regclass)"}};
    const CatalogSnapshot before = CatalogSnapshot::Take(*db, queries);
    ASSERT_EQ(before.Section("indexes").size(), 3u);
    TfrmMView *w = Open(QStringLiteral("mv3"), omSource);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ShownPage(), w->tabSource);
    QString text = w->txtSource->Lines()->Text();
    ASSERT_TRUE(text.contains(QStringLiteral("FROM s1.t"))) << text.toStdString();
    w->txtSource->Lines()->SetText(text.replace(QStringLiteral("FROM s1.t"), QStringLiteral("FROM s1.t WHERE a < 10")));
    {
        PreviewAnswer preview;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    const CatalogSnapshot after = CatalogSnapshot::Take(*db, queries);
    EXPECT_EQ(CatalogSnapshot::Diff(before, after, {"definition"}), "");
    EXPECT_NE(before.Section("definition"), after.Section("definition"));
    w->SetModified(false);
    w->close();
}

// A recompile that the materialized view's dependants block names them in
// the server's report, and leaves the view, its dependant and the text as
// they were.
TEST_F(MViewWindow, SourceCompileBlockedByADependantNamesIt)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE VIEW s1.mv1_user AS SELECT a FROM s1.mv1");
    TfrmMView *w = Open(QStringLiteral("mv1"), omSource);
    ASSERT_NE(w, nullptr);
    const QStringList source = w->txtSource->Lines()->ToStringList();
    {
        PreviewAnswer preview;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    const QString shown = s.dialogs.texts().first();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("ERROR: cannot drop materialized view "))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("\nDETAIL: view s1.mv1_user depends on materialized view s1.mv1\n"
                                              "HINT: Use DROP ... CASCADE to drop the dependent objects too.")))
        << shown.toStdString();
    EXPECT_EQ(Other("SELECT count(*) FROM pg_views WHERE schemaname = 's1' AND viewname = 'mv1_user'"), "1");
    EXPECT_EQ(Other("SELECT count(*) FROM s1.mv1"), "2");
    EXPECT_EQ(w->txtSource->Lines()->ToStringList(), source);
}

// A comment edit on the definition page is one COMMENT statement; delete
// with CASCADE drops the materialized view.
TEST_F(MViewWindow, CommentAndDelete)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmMView *w = Open(QStringLiteral("mv2"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().left(24), QStringLiteral("MATERIALIZED VIEW - s1.m"));
    // Without a TOAST table only the table is an autovacuum target.
    EXPECT_FALSE(w->fraStorage->rdoVacuumTarget->Button(1)->isVisibleTo(w->fraStorage));
    w->txtComment->setFocus();
    QTest::keyClicks(w->txtComment, QStringLiteral("M"));
    {
        PreviewAnswer preview;
        w->UpdateActions();
        w->actCompile->trigger();
        EXPECT_EQ(preview.lines, (QStringList{"COMMENT ON MATERIALIZED VIEW \"s1\".\"mv2\" IS 'M'", ";"}));
    }
    EXPECT_EQ(Other("SELECT obj_description('s1.mv2'::regclass, 'pg_class')"), "M");
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES, {true});
    w->UpdateActions();
    w->actDelete->trigger();
    EXPECT_EQ(Other("SELECT count(*) FROM pg_matviews WHERE matviewname = 'mv2'"), "0");
}
