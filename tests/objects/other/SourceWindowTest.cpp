// The source and aggregate windows against the test server, started as the
// program starts: opened through the dispatcher (with the routine's oid),
// compiled from the edited text without preview, scripted without a window;
// the sample viewer beside them.
#include "OtherWindowTestSupport.h"
#include "shell/ShellTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "controls/tvCheckListBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvCodeAssist.h"
#include "editor/tvMemo.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmAggregate.h"
#include "objects/other/frmSample.h"
#include "objects/other/frmSource.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "shell/WindowLaunchers.h"
#include "platform/settings/Folders.h"
#include "platform/settings/tvRegistry.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

void FreeClosed()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Leaves a box as the user's Tab would: focus in, then out.
void EnterAndLeave(QWidget *box, const std::function<void()> &typed = {})
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(box, &in);
    if (typed)
        typed();
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

class SourceWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("srcw");
        if (!db->available())
            return;
        db->ensureRole("tvx_src_r1");
        db->exec("CREATE SCHEMA s1;");
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        tvOption.UseLowerName = true;
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        if (s.main) {
            for (TfrmSource *w : WindowsOf<TfrmSource>(s))
                w->SetModified(false);
            for (TfrmAggregate *w : WindowsOf<TfrmAggregate>(s))
                w->SetModified(false);
        }
        if (db && db->available())
            db->exec("DROP SCHEMA s1 CASCADE");
    }
    qint64 Oid(const std::string &signature)
    {
        return std::stoll(db->scalar("SELECT '" + signature + "'::regprocedure::oid"));
    }
    TfrmSource *OpenRoutine(int code, const std::string &signature, const QString &name, TOpenMode mode = omDefine)
    {
        return dynamic_cast<TfrmSource *>(
            form->OpenObject(code, QStringLiteral("s1"), name, mode, false, 0, Oid(signature)));
    }
    QStringList Script(int code, const QString &name, qint64 oid = -1)
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(code, QStringLiteral("s1"), name, buffer, QString(), QString(), oid);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                                buffer.data().size() / 2);
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    QString Suffix() const
    {
        const DbParams &p = db->params();
        return QStringLiteral(" @ ") + p.database + u'/' + p.host + u':' + p.port;
    }
    std::string Other(const std::string &sql) { return db->scalar(sql); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// Overloads open apart; a body-only compile keeps the window, a changed
// argument closes it with the new function committed; deleting one overload
// leaves the other; the arguments are offered by completion.
TEST_F(SourceWindow, FunctionsOverloadsCompileAndDelete)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE FUNCTION s1.f(integer) RETURNS integer LANGUAGE plpgsql AS $$BEGIN RETURN 1; END$$;"
             "CREATE FUNCTION s1.f(text) RETURNS integer LANGUAGE sql AS 'SELECT 2';"
             "CREATE FUNCTION s1.g(p_alpha integer, p_beta text) RETURNS integer LANGUAGE plpgsql"
             " AS $$BEGIN RETURN p_alpha; END$$;");
    TfrmSource *fi = OpenRoutine(52, "s1.f(integer)", QStringLiteral("f"));
    TfrmSource *ft = OpenRoutine(52, "s1.f(text)", QStringLiteral("f"));
    ASSERT_NE(fi, nullptr);
    ASSERT_NE(ft, nullptr);
    EXPECT_EQ(fi->windowTitle(), QStringLiteral("FUNCTION - s1.f(integer)") + Suffix());
    EXPECT_EQ(ft->windowTitle(), QStringLiteral("FUNCTION - s1.f(text)") + Suffix());
    EXPECT_EQ(OpenRoutine(52, "s1.f(integer)", QStringLiteral("f")), nullptr);   // brought forward
    EXPECT_EQ(WindowsOf<TfrmSource>(s).size(), 2);
    EXPECT_EQ(fi->pagObject->indexOf(fi->tabDefine), -1);
    const QStringList loaded = fi->txtSource->Lines()->ToStringList();
    EXPECT_EQ(loaded.first(), QStringLiteral("CREATE OR REPLACE FUNCTION s1.f(integer)"));
    EXPECT_EQ(loaded.last(), QStringLiteral(";"));
    EXPECT_FALSE(fi->Modified());
    fi->UpdateActions();
    EXPECT_TRUE(fi->actExec->isEnabled());
    EXPECT_TRUE(fi->PlPgSql());
    EXPECT_FALSE(ft->PlPgSql());

    // Body only: compiled, the window stays.
    Retype(fi->txtSource, QStringLiteral("RETURN 1"), QStringLiteral("RETURN 7"));
    EXPECT_TRUE(fi->Modified());
    fi->UpdateActions();
    EXPECT_FALSE(fi->actExec->isEnabled());
    QPointer<TfrmSource> keep(fi);
    fi->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    s.dialogs.clear();
    FreeClosed();
    ASSERT_FALSE(keep.isNull());
    EXPECT_FALSE(fi->Modified());
    EXPECT_EQ(Other("SELECT s1.f(0)"), "7");

    // integer -> bigint: a new function, the window closes.
    Retype(fi->txtSource, QStringLiteral("f(integer)"), QStringLiteral("f(bigint)"));
    fi->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(),
              (QStringList{QStringLiteral("コンパイルは正常に終了しました。"),
                           QStringLiteral("プログラム名または引数、戻り値情報が変更されたため、画面を閉じます。"
                                          "編集する場合は再度開きなおしてください。")}));
    s.dialogs.clear();
    FreeClosed();
    EXPECT_TRUE(keep.isNull());
    EXPECT_EQ(Other("SELECT count(*) FROM pg_proc WHERE proname = 'f'"), "3");

    // Deleting f(integer) leaves f(text) and f(bigint).
    TfrmSource *again = OpenRoutine(52, "s1.f(integer)", QStringLiteral("f"));
    ASSERT_NE(again, nullptr);
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    again->actDelete->trigger();
    EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("オブジェクトを削除しますか？"));
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクトが削除されました。"));
    s.dialogs.clear();
    EXPECT_EQ(Other("SELECT string_agg(oid::regprocedure::text, ',' ORDER BY oid) FROM pg_proc WHERE proname = 'f'"),
              "s1.f(text),s1.f(bigint)");

    // Completion offers the routine's arguments.
    TfrmSource *g = OpenRoutine(52, "s1.g(integer,text)", QStringLiteral("g"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->windowTitle(), QStringLiteral("FUNCTION - s1.g(integer, text)") + Suffix());
    TtvMemo *m = g->txtSource;
    m->Lines()->SetText(m->Lines()->Text() + QStringLiteral("\np_"));
    m->SetSelStart(int(m->Lines()->Text().size()));
    QTest::keyClick(m, Qt::Key_F6);
    ASSERT_NE(m->CodeAssist, nullptr);
    EXPECT_TRUE(m->CodeAssist->CaptionListW.contains(QStringLiteral("p_alpha")));
    EXPECT_TRUE(m->CodeAssist->CaptionListW.contains(QStringLiteral("p_beta")));
    m->CloseCodeAssist();
}

// A refused compile rolls back and shows the server's text, keeping the
// editor and the window; a new function needs a name, gets its template on
// leaving the name box, and closes once it is created.
TEST_F(SourceWindow, RefusedCompileAndANewFunction)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE FUNCTION s1.f() RETURNS integer LANGUAGE plpgsql AS $$BEGIN RETURN 1; END$$;");
    TfrmSource *w = OpenRoutine(52, "s1.f()", QStringLiteral("f"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("FUNCTION - s1.f") + Suffix());
    Retype(w->txtSource, QStringLiteral("RETURN 1"), QStringLiteral("RETURN ("));
    const QString edited = w->txtSource->Lines()->Text();
    w->actCompile->trigger();
    ASSERT_EQ(s.dialogs.texts().size(), 1);
    EXPECT_TRUE(s.dialogs.texts().first().startsWith(QStringLiteral("ERROR: "))) << s.dialogs.texts().first().toStdString();
    s.dialogs.clear();
    FreeClosed();
    ASSERT_EQ(WindowsOf<TfrmSource>(s).size(), 1);
    EXPECT_EQ(w->txtSource->Lines()->Text(), edited);
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(Other("SELECT s1.f()"), "1");
    form->ExecuteSQL(QStringLiteral("SELECT 1"));   // the session is usable
    // 戻す(&R): after Yes the server's text again.
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actRefresh->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("全ての変更を取り消しますか？")});
    s.dialogs.clear();
    EXPECT_FALSE(w->Modified());
    EXPECT_TRUE(w->txtSource->Lines()->Text().contains(QStringLiteral("RETURN 1;")));

    s.main->Action(QStringLiteral("btnNewFunc"))->trigger();
    TfrmSource *n = nullptr;
    for (TfrmSource *x : WindowsOf<TfrmSource>(s))
        if (x->IsNew())
            n = x;
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->windowTitle(), QStringLiteral("FUNCTION - 新規"));
    EXPECT_FALSE(n->pagObject->isTabVisible(n->pagObject->indexOf(n->tabGrant)));
    n->cmbSchema->SetText(QString());
    n->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("名前を入力して下さい。")});
    s.dialogs.clear();

    n->cmbSchema->SetText(QStringLiteral("s1"));
    EnterAndLeave(n->txtName, [n] { n->txtName->SetText(QStringLiteral("nf")); });
    EXPECT_EQ(n->txtSource->Lines()->Get(0), QStringLiteral("CREATE FUNCTION \"s1\".\"nf\"() /* (引数, 引数...) */"));
    // A renamed function renames its header.
    EnterAndLeave(n->txtName, [n] { n->txtName->SetText(QStringLiteral("nf2")); });
    EXPECT_EQ(n->txtSource->Lines()->Get(0), QStringLiteral("CREATE FUNCTION \"s1\".\"nf2\"() /* (引数, 引数...) */"));
    // The template's RETURNS line is refused by the server: still new.
    n->actCompile->trigger();
    ASSERT_EQ(s.dialogs.texts().size(), 1);
    s.dialogs.clear();
    EXPECT_TRUE(n->IsNew());
    Retype(n->txtSource, QStringLiteral("RETURNS -- 戻り値のデータ型"), QStringLiteral("RETURNS void"));
    QPointer<TfrmSource> created(n);
    n->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    FreeClosed();
    EXPECT_TRUE(created.isNull());
    EXPECT_EQ(Other("SELECT count(*) FROM pg_proc WHERE proname = 'nf2'"), "1");
}

// Types are rebuilt from the catalogs; an untouched type compiles to its
// grants only, a touched one is dropped and created with its grants again.
TEST_F(SourceWindow, TypesScriptAndCompile)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE TYPE s1.ty AS (a int, bb varchar(10));"
             "CREATE TYPE s1.en AS ENUM ('x', 'it''s');"
             "CREATE TYPE s1.rg AS RANGE (SUBTYPE = text, COLLATION = \"C\");"
             "CREATE TYPE s1.sh;"
             "GRANT USAGE ON TYPE s1.ty TO tvx_src_r1;");
    EXPECT_EQ(Script(55, QStringLiteral("ty")),
              (QStringList{"CREATE TYPE \"s1\".\"ty\"", "AS (",
                           QStringLiteral("    \"a\"") + QString(27, u' ') + QStringLiteral("integer,"),
                           QStringLiteral("    \"bb\"") + QString(26, u' ') + QStringLiteral("character varying(10)"),
                           ")", ";"}));
    EXPECT_EQ(Script(55, QStringLiteral("en")),
              (QStringList{"CREATE TYPE \"s1\".\"en\"", "AS ENUM (", "    'x',", "    'it''s'", ")", ";"}));
    EXPECT_EQ(Script(55, QStringLiteral("rg")),
              (QStringList{"CREATE TYPE \"s1\".\"rg\"", "AS RANGE (", "    SUBTYPE = text",
                           "  , SUBTYPE_OPCLASS = text_ops", "  , COLLATION = \"C\"", ")", ";"}));
    EXPECT_EQ(Script(55, QStringLiteral("sh")), (QStringList{"CREATE TYPE \"s1\".\"sh\"", ";"}));
    // A base type of a user category (its I/O functions need a superuser).
    if (Other("SELECT rolsuper FROM pg_roles WHERE rolname = current_user") == "t") {
        db->exec("CREATE TYPE s1.bt;"
                 "CREATE FUNCTION s1.bt_in(cstring) RETURNS s1.bt LANGUAGE internal IMMUTABLE STRICT AS 'int4in';"
                 "CREATE FUNCTION s1.bt_out(s1.bt) RETURNS cstring LANGUAGE internal IMMUTABLE STRICT AS 'int4out';"
                 "CREATE TYPE s1.bt (INPUT = s1.bt_in, OUTPUT = s1.bt_out, INTERNALLENGTH = 4, PASSEDBYVALUE,"
                 " ALIGNMENT = int4, STORAGE = plain, CATEGORY = 'Z', DEFAULT = 'it''s', DELIMITER = ',');");
        EXPECT_EQ(Script(55, QStringLiteral("bt")),
                  (QStringList{"CREATE TYPE \"s1\".\"bt\"", "(", "    INPUT = bt_in", "  , OUTPUT = bt_out",
                               "  , INTERNALLENGTH = 4", "  , PASSEDBYVALUE", "  , ALIGNMENT = int4",
                               "  , STORAGE = plain", "  , CATEGORY = 'Z'", "  , PREFERRED = FALSE",
                               "  , DEFAULT = 'it''s'", "  , DELIMITER = ','", "  , COLLATABLE = FALSE", ")", ";"}));
    }
    EXPECT_TRUE(Script(55, QStringLiteral("nothing")).isEmpty());

    // The enumeration's script re-creates it.
    const QStringList en = Script(55, QStringLiteral("en"));
    db->exec("DROP TYPE s1.en; " + en.join(u'\n').toStdString());
    EXPECT_EQ(Other("SELECT enum_range(null::s1.en)::text"), "{x,it's}");

    TfrmSource *w = dynamic_cast<TfrmSource *>(form->OpenObject(55, QStringLiteral("s1"), QStringLiteral("ty")));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("TYPE - s1.ty") + Suffix());
    const std::string oid = Other("SELECT 's1.ty'::regtype::oid");
    w->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    s.dialogs.clear();
    EXPECT_EQ(Other("SELECT 's1.ty'::regtype::oid"), oid);

    Retype(w->txtSource, QStringLiteral("character varying(10)"), QStringLiteral("text"));
    w->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    EXPECT_NE(Other("SELECT 's1.ty'::regtype::oid"), oid);
    EXPECT_EQ(Other("SELECT format_type(atttypid, atttypmod) FROM pg_attribute"
                    " WHERE attrelid = 's1.ty'::regclass AND attname = 'bb'"),
              "text");
    EXPECT_EQ(Other("SELECT typacl::text LIKE '%tvx_src_r1=U/%' FROM pg_type WHERE oid = 's1.ty'::regtype"), "t");
    EXPECT_EQ(WindowsOf<TfrmSource>(s).size(), 1);
}

// The aggregate window: its source from the catalogs, a compile that drops
// and re-creates it and closes; the ordered-set header; scripts.
TEST_F(SourceWindow, Aggregates)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE AGGREGATE s1.ag(integer) (SFUNC = int4pl, STYPE = integer, INITCOND = '0');"
             "CREATE AGGREGATE s1.pd(double precision ORDER BY anyelement) (SFUNC = ordered_set_transition,"
             " STYPE = internal, FINALFUNC = percentile_disc_final, FINALFUNC_EXTRA);"
             "GRANT EXECUTE ON FUNCTION s1.ag(integer) TO tvx_src_r1;");
    const QStringList ag = {"CREATE AGGREGATE \"s1\".\"ag\"(integer)", "(",
                            "  SFUNC         = \"pg_catalog\".\"int4pl\"", ", STYPE         = integer",
                            ", INITCOND      = '0'", ")", ";"};
    EXPECT_EQ(Script(128, QStringLiteral("ag"), Oid("s1.ag(integer)")), ag);
    const QStringList pd = Script(128, QStringLiteral("pd"), Oid("s1.pd(double precision, anyelement)"));
    ASSERT_FALSE(pd.isEmpty());
    EXPECT_EQ(pd.first(), QStringLiteral("CREATE AGGREGATE \"s1\".\"pd\"(double precision ORDER BY anyelement)"));
    EXPECT_TRUE(pd.contains(QStringLiteral(", FINALFUNC_EXTRA")));
    EXPECT_TRUE(Script(128, QStringLiteral("gone"), 1).isEmpty());

    auto *w = dynamic_cast<TfrmAggregate *>(form->OpenObject(128, QStringLiteral("s1"), QStringLiteral("ag"),
                                                             omDefine, false, 0, Oid("s1.ag(integer)")));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("AGGREGATE - s1.ag(integer)") + Suffix());
    EXPECT_EQ(w->txtSource->Lines()->ToStringList(), ag);
    Retype(w->txtSource, QStringLiteral("'0'"), QStringLiteral("'5'"));
    QPointer<TfrmAggregate> keep(w);
    w->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    s.dialogs.clear();
    FreeClosed();
    EXPECT_TRUE(keep.isNull());
    EXPECT_EQ(Other("SELECT s1.ag(x) FROM (VALUES (1), (2)) v(x)"), "8");

    // A refused compile: the old aggregate stays, the window and its text too.
    w = dynamic_cast<TfrmAggregate *>(form->OpenObject(128, QStringLiteral("s1"), QStringLiteral("ag"), omDefine,
                                                       false, 0, Oid("s1.ag(integer)")));
    ASSERT_NE(w, nullptr);
    Retype(w->txtSource, QStringLiteral("(integer)"), QStringLiteral("(nosuchtype)"));
    Retype(w->txtSource, QStringLiteral("= integer"), QStringLiteral("= nosuchtype"));
    w->actCompile->trigger();
    ASSERT_EQ(s.dialogs.texts().size(), 1);
    EXPECT_TRUE(s.dialogs.texts().first().contains(QStringLiteral("nosuchtype"))) << s.dialogs.texts().first().toStdString();
    s.dialogs.clear();
    FreeClosed();
    EXPECT_EQ(WindowsOf<TfrmAggregate>(s).size(), 1);
    EXPECT_EQ(Other("SELECT s1.ag(x) FROM (VALUES (1), (2)) v(x)"), "8");

    // A new aggregate: the template on leaving the name box; a new schema
    // renames all three CREATE AGGREGATE lines.
    s.main->Action(QStringLiteral("btnNewAgrg"))->trigger();
    TfrmAggregate *n = nullptr;
    for (TfrmAggregate *x : WindowsOf<TfrmAggregate>(s))
        if (x->IsNew())
            n = x;
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->windowTitle(), QStringLiteral("AGGREGATE - 新規"));
    n->cmbSchema->SetText(QStringLiteral("s1"));
    EnterAndLeave(n->txtName, [n] { n->txtName->SetText(QStringLiteral("na")); });
    EXPECT_EQ(n->txtSource->Lines()->ToStringList().filter(QStringLiteral("CREATE AGGREGATE \"s1\".\"na\"")).size(), 3);
    EnterAndLeave(n->cmbSchema, [n] { n->cmbSchema->SetText(QStringLiteral("s2")); });
    EXPECT_EQ(n->txtSource->Lines()->ToStringList().filter(QStringLiteral("CREATE AGGREGATE \"s2\".\"na\"")).size(), 3);
    n->SetModified(false);
    n->Close();

    // Delete with CASCADE.
    w->SetModified(false);
    s.dialogs.queueButton(tv::ui::IDYES, {true});
    w->actDelete->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクトが削除されました。"));
    EXPECT_EQ(Other("SELECT count(*) FROM pg_proc WHERE proname = 'ag'"), "0");
}

// "サンプル": one viewer per window, reused; a missing file gives the
// message and no viewer; closing stores the size under GUI\SAMPLE.
TEST_F(SourceWindow, SampleViewer)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    s.main->Action(QStringLiteral("btnNewFunc"))->trigger();
    ASSERT_EQ(WindowsOf<TfrmSource>(s).size(), 1);
    TfrmSource *w = WindowsOf<TfrmSource>(s).first();
    const QString file = TfrmSample::SampleFile(52);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile::remove(file);

    w->actSample->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ファイルが見つかりません。")});
    s.dialogs.clear();
    FreeClosed();
    EXPECT_TRUE(w->SampleWindow.isNull());
    EXPECT_TRUE(w->findChildren<TfrmSample *>().isEmpty());

    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("CREATE FUNCTION sample() RETURNS int\n");
    }
    w->actSample->trigger();
    w->actSample->trigger();
    EXPECT_TRUE(s.dialogs.texts().isEmpty());
    ASSERT_EQ(w->findChildren<TfrmSample *>().size(), 1);
    TfrmSample *v = w->SampleWindow;
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_TRUE(v->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(v->windowTitle(), QStringLiteral("FUNCTION - サンプル"));
    EXPECT_EQ(v->txtSample->Lines()->Get(0), QStringLiteral("CREATE FUNCTION sample() RETURNS int"));
    EXPECT_TRUE(v->txtSample->ReadOnly());

    v->resize(333, 222);
    v->btnExit->click();
    FreeClosed();
    EXPECT_TRUE(w->SampleWindow.isNull());
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\SAMPLE")));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Width"), 0), 333);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Height"), 0), 222);
    reg.CloseKey();

    // Closed and pressed again at once: a new viewer, with the stored size.
    QPointer<TfrmSample> first(w->SampleWindow);
    w->actSample->trigger();
    ASSERT_NE(w->SampleWindow, nullptr);
    first = w->SampleWindow;
    first->btnExit->click();
    w->actSample->trigger();
    ASSERT_NE(w->SampleWindow, nullptr);
    EXPECT_NE(w->SampleWindow, first);
    EXPECT_TRUE(w->SampleWindow->isVisible());
    EXPECT_EQ(w->SampleWindow->size(), QSize(333, 222));
    FreeClosed();
    EXPECT_EQ(w->findChildren<TfrmSample *>().size(), 1);

    // The file gone: the message, and the open viewer closes.
    QFile::remove(file);
    w->actSample->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ファイルが見つかりません。")});
    FreeClosed();
    EXPECT_TRUE(w->findChildren<TfrmSample *>().isEmpty());

    // Closing the definition window takes its viewer with it.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("-- sample\n");
    }
    w->actSample->trigger();
    QPointer<TfrmSample> owned(w->SampleWindow);
    ASSERT_FALSE(owned.isNull());
    w->SetModified(false);
    w->Close();
    FreeClosed();
    EXPECT_TRUE(owned.isNull());
    QFile::remove(file);
}

// As a user: double-click f in s1's FUNCTION list, change RETURN 1 to
// RETURN 2, 作成(&C); another session sees the new body.
TEST_F(SourceWindow, EndToEndFromTheObjectList)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE FUNCTION s1.f() RETURNS integer LANGUAGE plpgsql AS $$\nBEGIN\n  RETURN 1;\nEND\n$$;");
    s.main->show();
    form->ShowTree();
    QTreeWidgetItem *schema = Child(form->tvTree->topLevelItem(0), QStringLiteral("s1"));
    ASSERT_NE(schema, nullptr);
    QTreeWidgetItem *node = Child(schema, QStringLiteral("FUNCTION"));
    ASSERT_NE(node, nullptr);
    form->tvTree->setCurrentItem(node);
    TtvListItem *item = FindListItem(form->lstObject, QStringLiteral("f"));
    ASSERT_NE(item, nullptr);
    form->lstObject->scrollToItem(item);
    const QRect r = form->lstObject->visualItemRect(item);
    const QPoint at(r.left() + 8, r.center().y());
    QTest::mouseClick(form->lstObject->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form->lstObject->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(WindowsOf<TfrmSource>(s).size(), 1);
    TfrmSource *w = WindowsOf<TfrmSource>(s).first();
    Retype(w->txtSource, QStringLiteral("RETURN 1"), QStringLiteral("RETURN 2"));
    QToolButton *compile = nullptr;
    for (QToolButton *b : w->tolCmd->findChildren<QToolButton *>())
        if (b->defaultAction() == w->actCompile)
            compile = b;
    ASSERT_NE(compile, nullptr);
    QTest::mouseClick(compile, Qt::LeftButton);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    EXPECT_EQ(Other("SELECT s1.f()"), "2");
}

// 実行(&E) hands the program to the execution window; the cross reference
// finds the overload the window shows; its privileges page grants EXECUTE
// and keeps the window.
TEST_F(SourceWindow, ExecuteCrossReferenceAndPrivileges)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE FUNCTION s1.f(integer) RETURNS integer LANGUAGE plpgsql AS $$BEGIN RETURN 1; END$$;"
             "CREATE FUNCTION s1.f(text) RETURNS integer LANGUAGE sql AS 'SELECT 2';"
             "CREATE VIEW s1.v AS SELECT s1.f('a') AS x;");
    QList<TLaunchContext> launched;
    RegisterLauncher(QStringLiteral("TfrmExecProc"), [&launched](const TLaunchContext &c) {
        launched << c;
        return static_cast<QWidget *>(nullptr);
    });
    TfrmSource *w = OpenRoutine(52, "s1.f(integer)", QStringLiteral("f"));
    ASSERT_NE(w, nullptr);
    w->UpdateActions();
    w->actExec->trigger();
    RegisterLauncher(QStringLiteral("TfrmExecProc"), {});
    ASSERT_EQ(launched.size(), 1);
    EXPECT_EQ(launched[0].Connection, form);
    EXPECT_EQ(launched[0].ObjectName, QStringLiteral("f"));
    EXPECT_EQ(launched[0].ObjectType, 52);
    EXPECT_EQ(launched[0].OID, Oid("s1.f(integer)"));
    EXPECT_TRUE(launched[0].Debug);

    TfrmSource *t = OpenRoutine(52, "s1.f(text)", QStringLiteral("f"), omCross);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->ShownPage(), t->tabCross);
    QStringList texts;
    for (QTreeWidget *tree : {t->fraCross->lstTree1, t->fraCross->lstTree2})
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            texts << (*it)->text(0);
    EXPECT_TRUE(texts.contains(QStringLiteral("s1.v"))) << texts.join(u'|').toStdString();

    ASSERT_TRUE(t->SelectPage(t->tabGrant));
    TfraGrant *f = t->fraGrant;
    f->rdoShowMode->Button(1)->click();
    TtvListItem *r1 = FindListItem(f->lstGrant, QStringLiteral("tvx_src_r1"));
    ASSERT_NE(r1, nullptr);
    f->lstGrant->clearSelection();
    r1->setSelected(true);
    ASSERT_EQ(f->chkGrant->count(), 1);
    f->chkGrant->SetStateL(0, Qt::Checked);
    f->chkGrantClick();
    EXPECT_TRUE(t->Modified());
    t->actCompile->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("コンパイルは正常に終了しました。")});
    FreeClosed();
    EXPECT_EQ(WindowsOf<TfrmSource>(s).size(), 2);
    EXPECT_EQ(Other("SELECT has_function_privilege('tvx_src_r1', 's1.f(text)', 'EXECUTE')"), "t");
    EXPECT_EQ(Other("SELECT COALESCE(proacl::text, '') LIKE '%tvx_src_r1=X/%' FROM pg_proc WHERE oid = 's1.f(integer)'::regprocedure"),
              "f");
}

// A procedure is deleted without a CASCADE box, by its argument types, so
// that an overload stays.
TEST_F(SourceWindow, ProcedureDelete)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE PROCEDURE s1.p(a integer) LANGUAGE plpgsql AS $$BEGIN NULL; END$$;"
             "CREATE PROCEDURE s1.p(a text) LANGUAGE plpgsql AS $$BEGIN NULL; END$$;");
    TfrmSource *w = OpenRoutine(51, "s1.p(integer)", QStringLiteral("p"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("PROCEDURE - s1.p(integer)") + Suffix());
    EXPECT_EQ(w->mnuObject->title(), QStringLiteral("PROCEDURE(&O)"));
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actDelete->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    EXPECT_TRUE(s.dialogs.calls().at(0).checks.isEmpty());
    EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("オブジェクトが削除されました。"));
    EXPECT_EQ(Other("SELECT string_agg(oid::regprocedure::text, ',') FROM pg_proc WHERE proname = 'p'"), "s1.p(text)");
}
