// The completion driver: token splitting and the list decision as plain
// functions, then the whole road on the test server: a window owning a
// TtvMemo answers WM_CODEASSIST by calling ShowCodeAssist, and the tests ask
// for completion with F6 (or by typing a ".") and read the popup.
#include "support/DbTestSupport.h"
#include "common/CodeAssist.h"
#include "common/ISourceWindow.h"
#include "common/KeywordList.h"
#include "editor/EditorStrings.h"
#include "editor/tvCodeAssist.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/ui/WindowMessage.h"
#include "support/TestDb.h"
#include "OptionGuard.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <memory>

// ---------------------------------------------------------------------------
// Token and decision

TEST(CodeAssistToken, SplitsAtDots)
{
    struct Case {
        const char *token;
        bool valid;
        bool hasPrefix;
        QStringList parts;
    };
    const Case cases[] = {
        {"", true, true, {""}},
        {".", true, false, {""}},
        {"se", true, true, {"se"}},
        {"e.", true, false, {"e"}},
        {"e.na", true, true, {"e", "na"}},
        {"public.emp.", true, false, {"public", "emp"}},
        {"public.emp.na", true, true, {"public", "emp", "na"}},
        {"a..b.", true, false, {"a", "", "b"}},
        {"a.b.c.d", true, true, {"a", "b", "c", "d"}},
        {"a.b.c.d.", true, false, {"a", "b", "c", "d"}},
        {"a.b.c.d.e", false, true, {}},
        {"..", false, false, {}},
        {"...", false, false, {}},
    };
    for (const Case &c : cases) {
        const TCodeAssistToken t = SplitCodeAssistToken(QString::fromUtf8(c.token));
        EXPECT_EQ(t.Valid, c.valid) << c.token;
        EXPECT_EQ(t.HasPrefix, c.hasPrefix) << c.token;
        if (c.valid) {
            EXPECT_EQ(t.Parts, c.parts) << c.token;
        }
    }
}

TEST(CodeAssistDecision, FollowsPartKinds)
{
    struct Case {
        QStringList parts;
        QList<int> kinds;
        bool show;
        bool columns;
        const char *schema;
        const char *object;
        const char *prefix;
        bool keywords;
    };
    const Case cases[] = {
        {{"sales"}, {cpkSchema}, true, false, "sales", "", "", false},
        {{"se"}, {cpkPrefix}, true, false, "def", "", "se", true},
        {{"emp"}, {cpkTable}, true, true, "def", "emp", "", false},
        // an alias: the table as written in the statement, normalised
        {{"Sales.\"Emp\""}, {cpkAlias}, true, true, "sales", "Emp", "", false},
        {{"EMP"}, {cpkAlias}, true, true, "def", "emp", "", false},
        {{"sales", "em"}, {cpkSchema, cpkPrefix}, true, false, "sales", "", "em", false},
        {{"sales", "emp"}, {cpkSchema, cpkTable}, true, true, "sales", "emp", "", false},
        {{"emp", "na"}, {cpkTable, cpkPrefix}, true, true, "def", "emp", "na", false},
        {{"x.emp", "na"}, {cpkAlias, cpkPrefix}, true, true, "x", "emp", "na", false},
        {{"sales", "emp", "na"}, {cpkSchema, cpkTable, cpkPrefix}, true, true, "sales", "emp", "na", false},
        // kinds without a list
        {{"myfunc"}, {cpkFunction}, false, false, "", "", "", false},
        {{"seq"}, {cpkSequence}, false, false, "", "", "", false},
        {{"emp", "id"}, {cpkTable, cpkTable}, false, false, "", "", "", false},
        {{"sales", "emp", "x"}, {cpkSchema, cpkTable, cpkTable}, false, false, "", "", "", false},
        {{"a", "b", "c", "d"}, {cpkSchema, cpkTable, cpkTable, cpkPrefix}, false, false, "", "", "", false},
    };
    for (const Case &c : cases) {
        const TCodeAssistDecision d = DecideCodeAssist(c.parts, c.kinds, QStringLiteral("def"));
        const QString where = c.parts.join(u'.');
        EXPECT_EQ(d.Show, c.show) << where.toStdString();
        if (!c.show)
            continue;
        EXPECT_EQ(d.ListColumns, c.columns) << where.toStdString();
        EXPECT_EQ(d.Schema, QString::fromUtf8(c.schema)) << where.toStdString();
        EXPECT_EQ(d.Object, QString::fromUtf8(c.object)) << where.toStdString();
        EXPECT_EQ(d.Prefix, QString::fromUtf8(c.prefix)) << where.toStdString();
        EXPECT_EQ(d.WithKeywords, c.keywords) << where.toStdString();
    }
}

TEST(CodeAssistAlias, FoundWithoutRegardToCase)
{
    const QStringList lines{QStringLiteral("-- the report"), QStringLiteral("select * from public.emp E,"),
                            QStringLiteral("  dept /* no alias */ join \"Bonus\" b on b.id = E.id")};
    QString table;
    EXPECT_TRUE(FindAliasTable(lines, QStringLiteral("e"), table));
    EXPECT_EQ(table, QStringLiteral("public.emp"));
    EXPECT_TRUE(FindAliasTable(lines, QStringLiteral("B"), table));
    EXPECT_EQ(table, QStringLiteral("\"Bonus\""));
    // an empty part finds the first table without an alias
    EXPECT_TRUE(FindAliasTable(lines, QString(), table));
    EXPECT_EQ(table, QStringLiteral("dept"));
    EXPECT_FALSE(FindAliasTable(lines, QStringLiteral("x"), table));
    // a statement the parser gives up on finds nothing and raises nothing
    EXPECT_FALSE(FindAliasTable({QStringLiteral("select from from ((( where")}, QStringLiteral("x"), table));
}

// ---------------------------------------------------------------------------
// On the test server

namespace {

using dbtest::paramsOf;

// A window that answers completion requests of its editor the way the
// program's windows do: through the event guard, so a failure is shown once.
class AssistWindow : public QWidget {
public:
    explicit AssistWindow(tv::db::Connection *Conn) : qrySQL(Conn)
    {
        resize(800, 500);
        memo = new TtvMemo(this);
        memo->setGeometry(10, 10, 760, 440);
        QStringList words;
        FillKeywordList(words);
        memo->SetReserveWordList(words);
    }

    TtvMemo *memo;
    tv::db::Query qrySQL;
    int requests = 0;

protected:
    bool event(QEvent *e) override
    {
        if (tv::ui::IsWindowMessage(e)) {
            auto *m = static_cast<tv::ui::WindowMessageEvent *>(e);
            if (m->message() == tv::ui::WM_CODEASSIST) {
                ++requests;
                tv::ui::Guard([&] {
                    ShowCodeAssist(memo, this, qrySQL, QStringLiteral("public"), 150000, false, false,
                                   int(m->wParam()), int(m->lParam()));
                });
                return true;
            }
        }
        return QWidget::event(e);
    }
};

// The routine source window's stand-in.
class SourceWindow : public AssistWindow, public ISourceWindow {
public:
    using AssistWindow::AssistWindow;
    bool IsNew() const override { return isNew; }
    int ObjType() const override { return objType; }
    qint64 L_intOID() const override { return oid; }

    bool isNew = false;
    int objType = 52;
    qint64 oid = -1;
};

struct CodeAssistDb : ::testing::Test {
    void SetUp() override
    {
        TV_REQUIRE_DB(db);
        db.exec("create table public.emp(id int primary key, name varchar(20), amt numeric(10,2));"
                "create sequence public.seq_emp;"
                "create function public.myfunc() returns int language sql as 'select 1';"
                "create function public.f(a int, out b text) language sql as $$select 'x'$$;"
                "create schema other; create table other.street(\"straße\" int, id int);"
                "create table other.part(id int, tag text) partition by range(id);"
                "create table other.part_1 partition of other.part for values from (0) to (10);"
                "create table other.head(id int primary key);"
                "create table other.line(head_id int references other.head);"
                "create schema trap;"
                // shadows the catalog table for a session whose search path
                // puts pg_catalog after trap: the primary-key lookup then fails
                "create table trap.pg_constraint(x int);");
        conn = std::make_unique<tv::db::Connection>(paramsOf(db));
        conn->Open();
        TEditor::SetDefaultCaretBlink(false);
        MakeWindow<AssistWindow>();
    }
    void TearDown() override
    {
        if (win)
            win->memo->CloseCodeAssist();
        win.reset();
        QApplication::processEvents();
        if (conn)
            conn->Close();
    }

    template <class W>
    W *MakeWindow()
    {
        if (win)
            win->memo->CloseCodeAssist();
        auto *w = new W(conn.get());
        win.reset(w);
        win->show();
        QApplication::processEvents();
        win->memo->setFocus();
        return w;
    }

    // Puts Text in the memo with the caret at its end and presses F6.
    void Request(const QString &Text)
    {
        win->memo->CloseCodeAssist();
        win->memo->Lines()->SetText(Text);
        win->memo->SetSelStart(int(Text.size()));
        QTest::keyClick(win->memo, Qt::Key_F6);
    }
    TtvCodeAssist *Popup() const { return win->memo->CodeAssist; }
    QString Text() const { return win->memo->Lines()->Text(); }

    tvtest::TestDb db{"assist"};
    tvtest::OptionGuard options;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs useDialogs{&dialogs};
    std::unique_ptr<tv::db::Connection> conn;
    std::unique_ptr<AssistWindow> win;
};

} // namespace

TEST_F(CodeAssistDb, AliasListsColumnsWithKeyAndSizes)
{
    for (const char *text : {"select * from public.emp e where e.", "select * from public.emp e where E."}) {
        Request(QString::fromUtf8(text));
        ASSERT_NE(Popup(), nullptr) << text;
        EXPECT_TRUE(Popup()->isVisible());
        EXPECT_EQ(Popup()->CaptionListW, (QStringList{"*", "id", "name", "amt"})) << text;
        EXPECT_EQ(Popup()->SubItemListW, (QStringList{"", "int4", "varchar(20)", "numeric(10,2)"})) << text;
        EXPECT_EQ(Popup()->ImageListW, (QList<int>{-1, 46, -1, -1})) << text;
        QTreeWidget *list = Popup()->ListView();
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("列名"));
        EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("データ型"));
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    }
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

TEST_F(CodeAssistDb, SingleCandidateGoesInAtOnce)
{
    struct Case {
        const char *text, *after;
    };
    const Case cases[] = {
        {"select * from public.emp e where e.na", "select * from public.emp e where e.name"},
        {"select public.emp.A", "select public.emp.amt"},
        {"select * from public.seq", "select * from public.seq_emp"},
        // upper-casing makes "straß" longer; only the typed characters make way
        {"select other.street.straß", "select other.street.straße"},
    };
    for (const Case &c : cases) {
        Request(QString::fromUtf8(c.text));
        EXPECT_EQ(Popup(), nullptr) << c.text;
        EXPECT_EQ(Text(), QString::fromUtf8(c.after));
    }
}

TEST_F(CodeAssistDb, ObjectsOfTheDefaultSchemaThenKeywords)
{
    Request(QStringLiteral("se"));
    ASSERT_NE(Popup(), nullptr);
    const QStringList &captions = Popup()->CaptionListW;
    const QStringList &subs = Popup()->SubItemListW;
    const QList<int> &images = Popup()->ImageListW;
    ASSERT_GE(captions.size(), 3);
    EXPECT_EQ(captions[0], QStringLiteral("seq_emp"));
    EXPECT_EQ(subs[0], QStringLiteral("SEQUENCE"));
    EXPECT_EQ(images[0], 58);
    EXPECT_EQ(Popup()->ListView()->headerItem()->text(0), QStringLiteral("オブジェクト名"));
    EXPECT_EQ(Popup()->ListView()->headerItem()->text(1), QStringLiteral("タイプ"));
    for (int i = 1; i < captions.size(); ++i) {
        EXPECT_TRUE(captions[i].startsWith(QStringLiteral("SE"), Qt::CaseInsensitive)) << captions[i].toStdString();
        EXPECT_EQ(subs[i], QStringLiteral("KEYWORD"));
        EXPECT_EQ(images[i], 10);
    }
    EXPECT_TRUE(captions.contains(QStringLiteral("SELECT")));
    // the typed prefix stays as typed
    EXPECT_EQ(Text(), QStringLiteral("se"));

    // an empty token: everything, unfiltered
    Request(QStringLiteral("select "));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->CaptionListW.mid(0, 2), (QStringList{"emp", "emp_pkey"}));
    EXPECT_EQ(Popup()->ImageListW.mid(0, 2), (QList<int>{45, 46}));
    EXPECT_TRUE(Popup()->SubItemListW.contains(QStringLiteral("FUNCTION")));
    EXPECT_EQ(Popup()->SubItemListW.count(QStringLiteral("KEYWORD")), BuiltInKeywordCount());
}

TEST_F(CodeAssistDb, SchemaListsItsObjectsWithoutKeywords)
{
    Request(QStringLiteral("select * from public."));
    ASSERT_NE(Popup(), nullptr);
    const QStringList &captions = Popup()->CaptionListW;
    const QStringList &subs = Popup()->SubItemListW;
    EXPECT_FALSE(subs.contains(QStringLiteral("KEYWORD")));
    ASSERT_GE(captions.size(), 5);
    // in kind order, then by name
    EXPECT_EQ(captions.mid(0, 2), (QStringList{"emp", "emp_pkey"}));
    EXPECT_EQ(subs.mid(0, 2), (QStringList{"TABLE", "INDEX"}));
    EXPECT_TRUE(captions.contains(QStringLiteral("myfunc")));
    EXPECT_TRUE(captions.contains(QStringLiteral("seq_emp")));

    // a schema and a partial name filter the objects, still without keywords
    Request(QStringLiteral("select * from public.e"));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->CaptionListW, (QStringList{"emp", "emp_pkey", "emp_pkey"}));
    EXPECT_EQ(Popup()->ImageListW, (QList<int>{45, 46, 66}));
}

// A partitioned table and its partition are tables of their schema, with
// their columns; the foreign key's internal triggers are no objects.
TEST_F(CodeAssistDb, PartitionedTablesListedInternalTriggersNot)
{
    Request(QStringLiteral("select * from other."));
    ASSERT_NE(Popup(), nullptr);
    QStringList tables;
    for (int i = 0; i < Popup()->CaptionListW.size(); ++i) {
        if (Popup()->SubItemListW[i] == QLatin1String("TABLE"))
            tables << Popup()->CaptionListW[i];
        EXPECT_NE(Popup()->SubItemListW[i], QStringLiteral("TRIGGER")) << Popup()->CaptionListW[i].toStdString();
    }
    EXPECT_EQ(tables, (QStringList{"head", "line", "part", "part_1", "street"}));

    Request(QStringLiteral("select * from other.part p where p."));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->CaptionListW, (QStringList{"*", "id", "tag"}));
}

TEST_F(CodeAssistDb, TokensWithoutAListShowNothing)
{
    for (const char *text : {"select myfunc.", "select seq_emp.", "select nosuch.", "select public.emp.id.x",
                             "select public.emp.id.", "select a.b.c.d.e", "select Emp."}) {
        Request(QString::fromUtf8(text));
        EXPECT_EQ(Popup(), nullptr) << text;
        EXPECT_EQ(Text(), QString::fromUtf8(text));
    }
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

TEST_F(CodeAssistDb, OptionOffOrPopupOpenChangesNothing)
{
    tvOption.CodeAssist = false;
    Request(QStringLiteral("select * from public."));
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(win->requests, 1);

    tvOption.CodeAssist = true;
    Request(QStringLiteral("select * from public."));
    TtvCodeAssist *first = Popup();
    ASSERT_NE(first, nullptr);
    // a second request while it is open leaves it alone
    int x, y;
    win->memo->GetCaretXY(x, y);
    ShowCodeAssist(win->memo, win.get(), win->qrySQL, QStringLiteral("public"), 150000, false, false, x, y);
    EXPECT_EQ(Popup(), first);
    EXPECT_EQ(first->CaptionList.size(), first->CaptionListW.size());
}

TEST_F(CodeAssistDb, SourceWindowListsRoutineArgumentsFirst)
{
    const qint64 oid = QString::fromStdString(db.scalar("select 'public.f'::regproc::oid")).toLongLong();
    SourceWindow *w = MakeWindow<SourceWindow>();
    w->oid = oid;
    Request(QStringLiteral("select "));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->CaptionListW.mid(0, 3), (QStringList{"a", "b", "emp"}));
    EXPECT_EQ(Popup()->SubItemListW.mid(0, 2), (QStringList{"integer", "text"}));
    EXPECT_EQ(Popup()->ImageListW.mid(0, 3), (QList<int>{80, 81, 45}));

    // a new routine, or a window of another kind, has no argument rows
    for (auto set : {+[](SourceWindow *s) { s->isNew = true; }, +[](SourceWindow *s) { s->objType = 47; }}) {
        w->isNew = false;
        w->objType = 52;
        set(w);
        Request(QStringLiteral("select "));
        ASSERT_NE(Popup(), nullptr);
        EXPECT_EQ(Popup()->CaptionListW.value(0), QStringLiteral("emp"));
    }
    // a schema token lists no keywords, and no arguments either
    Request(QStringLiteral("select public."));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->CaptionListW.value(0), QStringLiteral("emp"));
}

TEST_F(CodeAssistDb, FailedLookupClosesThePopupAndIsShownOnce)
{
    conn->Exec(QStringLiteral("SET search_path = trap, pg_catalog, public"));
    // the column list opens the popup, then the primary-key lookup fails
    Request(QStringLiteral("select * from public.emp e where e."));
    EXPECT_EQ(Popup(), nullptr);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls()[0].text.contains(QStringLiteral("ERROR:"))) << dialogs.calls()[0].text.toStdString();

    // the next request works again
    conn->Exec(QStringLiteral("SET search_path = public"));
    Request(QStringLiteral("select * from public.emp e where e."));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->CaptionListW.size(), 4);
    EXPECT_EQ(dialogs.calls().size(), 1);
}

TEST_F(CodeAssistDb, FailedLookupInsideATransactionKeepsIt)
{
    conn->Exec(QStringLiteral("SET search_path = trap, pg_catalog, public"));
    conn->Exec(QStringLiteral("BEGIN"));
    conn->Exec(QStringLiteral("INSERT INTO public.emp VALUES (1, 'one', 1.5)"));
    Request(QStringLiteral("select * from public.emp e where e."));
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(conn->transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT count(*) FROM public.emp")), QStringLiteral("1"));

    // a successful lookup inside the block leaves it as it was too
    conn->Exec(QStringLiteral("SET search_path = public"));
    Request(QStringLiteral("select * from public.emp e where e."));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(conn->transactionState(), tv::db::TransactionState::InTransaction);
    conn->Exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(db.scalar("select name from public.emp where id = 1"), "one");
}

TEST_F(CodeAssistDb, AbortedTransactionOrLostConnectionIsOneMessage)
{
    conn->Exec(QStringLiteral("BEGIN"));
    EXPECT_THROW(conn->Exec(QStringLiteral("SELECT 1/0")), tv::db::DbError);
    Request(QStringLiteral("select * from public."));
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(conn->transactionState(), tv::db::TransactionState::Aborted);
    conn->Exec(QStringLiteral("ROLLBACK"));

    db.exec("select pg_terminate_backend(" + std::to_string(conn->BackendPid()) + ")");
    Request(QStringLiteral("select * from public."));
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(dialogs.calls().size(), 2);
}

TEST_F(CodeAssistDb, TypingADotAsksTheWindow)
{
    QTest::keyClicks(win->memo, QStringLiteral("select * from public."));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_TRUE(Popup()->isVisible());
    // typing narrows the objects; the blank accepts the table
    QTest::keyClicks(win->memo, QStringLiteral("emp e where e."));
    EXPECT_EQ(Text(), QStringLiteral("select * from public.emp e where e."));
    ASSERT_NE(Popup(), nullptr);
    EXPECT_TRUE(Popup()->isVisible());
    EXPECT_EQ(Popup()->CaptionListW, (QStringList{"*", "id", "name", "amt"}));
    QTreeWidget *list = Popup()->ListView();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->topLevelItem(2)->text(1), QStringLiteral("varchar(20)"));
    // the user picks a column
    QTest::keyClick(win->memo, Qt::Key_Down);
    QTest::keyClick(win->memo, Qt::Key_Return);
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(Text(), QStringLiteral("select * from public.emp e where e.id"));
    EXPECT_TRUE(dialogs.calls().isEmpty());
}
