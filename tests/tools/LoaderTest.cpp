// The COPY loader: its statements as text per server version, and the window
// inside the real main window against the test server — unloading tables
// to a folder of the server and loading a file back, as a user would, with
// the execution dialog answered.
#include "objects/other/OtherWindowTestSupport.h"

#include "common/LoadOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "platform/db/Connection.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "tools/LoaderSQL.h"
#include "tools/frmLoader.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"

#include <QAction>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

using namespace tvtest;

TEST(LoaderSQL, StatementsAndOptionLines)
{
    loader::TCopyChoices csv;
    csv.Format = 1;
    csv.Header = true;
    csv.Force = true;
    const QStringList opts = loader::OptionLines(csv, 150000, true, false);
    EXPECT_EQ(loader::UnloadTables("/srv/x/", {{"public", "a"}, {"public", "we\"ird"}}, opts),
              (QStringList{"COPY \"public\".\"a\"", "TO '/srv/x/public.a.dat'", "CSV", "HEADER", "FORCE QUOTE *", ";",
                           "COPY \"public\".\"we\"\"ird\"", "TO '/srv/x/public.weird.dat'", "CSV", "HEADER",
                           "FORCE QUOTE *", ";"}));
    // A name with "/" stays inside the folder; a quote in a path is doubled.
    EXPECT_EQ(loader::UnloadColumns("/d/it's/", "s", "a/b", {"x", "y"}, {}),
              (QStringList{"COPY \"s\".\"a/b\"(\"x\",\"y\")", "TO '/d/it''s/s.ab.dat'", ";"}));
    EXPECT_EQ(loader::UnloadQuery("/d/query01.dat", {"select 1", "from t"}, {"CSV"}),
              (QStringList{"COPY (", "select 1", "from t", ")", "TO '/d/query01.dat'", "CSV", ";"}));
    EXPECT_EQ(loader::LoadFile("s", "t", {"a", "b"}, "C:\\in\\t.dat", 90000, {}),
              (QStringList{"COPY \"s\".\"t\"(\"a\",\"b\")", "FROM 'C:/in/t.dat'", ";"}));

    struct Case {
        const char *what;
        loader::TCopyChoices c;
        int ver;
        bool unload, query;
        QStringList force;
        QStringList lines;
    };
    loader::TCopyChoices blanks;
    blanks.Delimiter = "  ";
    blanks.Null = " ";
    blanks.Quote = " ";
    loader::TCopyChoices binary;
    binary.Format = 2;
    binary.Delimiter = ";";
    binary.Null = "\\N";
    binary.Oid = true;
    loader::TCopyChoices load;
    load.Format = 1;
    load.Force = true;
    load.Oid = true;
    load.Encoding = "utf8";
    load.Quote = "'";
    const Case cases[] = {
        {"blanks count as not given", blanks, 150000, true, false, {}, {}},
        {"binary: no delimiter, NULL kept, no OIDS from 12", binary, 150000, false, false, {}, {"BINARY", "NULL '\\N'"}},
        {"OIDS below 12", binary, 110000, false, false, {}, {"BINARY", "NULL '\\N'", "OIDS"}},
        {"no OIDS for a query", binary, 110000, true, true, {}, {"BINARY", "NULL '\\N'"}},
        {"load: encoding, quote, FORCE NOT NULL", load, 150000, false, false, {"a", "b"},
         {"CSV", "ENCODING 'utf8'", "QUOTE ''''", "FORCE NOT NULL \"a\",\"b\""}},
        {"no ENCODING before 9.1", load, 90000, false, false, {"a"}, {"CSV", "OIDS", "QUOTE ''''", "FORCE NOT NULL \"a\""}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(loader::OptionLines(c.c, c.ver, c.unload, c.query, c.force), c.lines) << c.what;

    EXPECT_EQ(loader::SaveFolder(" /srv/out ", true, 150000), "/srv/out/");
    EXPECT_EQ(loader::SaveFolder("/srv/out/", true, 150000), "/srv/out/");
    EXPECT_EQ(loader::SaveFolder("C:\\out", false, 150000), "C:\\out\\");
    EXPECT_EQ(loader::SaveFolder("C:\\out/", false, 90000), "C:/out/");
    EXPECT_TRUE(loader::SingleByte(","));
    EXPECT_FALSE(loader::SingleByte("、"));
    // Partitioned tables have their columns read from 10 on.
    EXPECT_TRUE(loader::ColumnSQL(150000).contains("C.relkind IN ('r', 'p')"));
    EXPECT_TRUE(loader::ColumnSQL(90600).contains("C.relkind = 'r' "));
}

namespace {

QByteArray FileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

class LoaderWindow : public ::testing::Test {
protected:
    void SetUp() override { TfrmLoader::RegisterLauncher(); }
    TfrmObject *Logon(bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        return s.Form();
    }
    TfrmLoader *Opened() const
    {
        return s.main->FindWindowOf<TfrmLoader>(QStringLiteral("ロード - ") + s.Form()->ConnectionText(), false);
    }
    // 管理 → "ロード(&O)".
    TfrmLoader *OpenFromMenu()
    {
        QAction *item = MenuItem(s.main->menuBar(), QStringLiteral("管理(&A)"), QStringLiteral("ロード(&O)"));
        if (!item || !item->isEnabled())
            return nullptr;
        item->trigger();
        return Opened();
    }
    static TtvListItem *Entry(TtvListView *l, const QString &caption, const QString &sub)
    {
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->Caption() == caption && l->Item(i)->SubItem(0) == sub)
                return l->Item(i);
        return nullptr;
    }
    static QStringList Column(TtvListView *l, int column)
    {
        QStringList out;
        for (int i = 0; i < l->ItemCount(); ++i)
            out << (column == 0 ? l->Item(i)->Caption() : l->Item(i)->SubItem(column - 1));
        return out;
    }
    // A click on a list entry, Ctrl held to add it to the selection.
    static void CtrlClick(TtvListView *l, TtvListItem *it)
    {
        l->scrollToItem(it);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::ControlModifier, l->visualItemRect(it).center());
    }
    // A click on a button's box (the left end, where a check or radio
    // button has its mark).
    static void Click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    static void Type(QLineEdit *e, const QString &text)
    {
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(e, char(c.unicode()));
            } else {
                // A character typed through the input method.
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(e, &press);
            }
        }
    }
    static void Type(TtvComboBox *c, const QString &text) { Type(c->lineEdit(), text); }
    static void SetChecked(QCheckBox *c, bool on)
    {
        if (c->isChecked() != on)
            Click(c);
    }
    static void Execute(TfrmLoader *w) { QTest::mouseClick(w->tolCmd->widgetForAction(w->btnExec), Qt::LeftButton); }
    static void TurnTo(TfrmLoader *w, QWidget *page)
    {
        QTabBar *bar = w->pagLoader->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(w->pagLoader->indexOf(page)).center());
    }
    // Whether one of the two questions was asked.
    bool Asked() const
    {
        for (const QString &t : s.dialogs.texts())
            if (t.endsWith(QStringLiteral("よろしいですか？")))
                return true;
        return false;
    }

    TestDb db{"w3t5l"};
    ShellSession s;
};

} // namespace

TEST_F(LoaderWindow, UnloadFromTheAdminMenuEndToEnd)
{
    TV_REQUIRE_DB(db);
    ServerFolder folder;
    if (!folder.ok())
        GTEST_SKIP() << "the server's account cannot be given a folder";
    db.exec("CREATE TABLE public.a(id int, name text); INSERT INTO public.a VALUES (1, 'x'), (2, 'y,z');"
            "CREATE TABLE public.b(id int); INSERT INTO public.b VALUES (7);"
            "CREATE TABLE public.\"we\"\"ird\"(x int); INSERT INTO public.\"we\"\"ird\" VALUES (5);");
    ASSERT_NE(Logon(), nullptr);
    LoadOption.Output = 2;

    // Table mode whatever was stored; nothing preselected; no OID box on 15.
    TfrmLoader *w = OpenFromMenu();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ロード - ") + s.Form()->ConnectionText());
    EXPECT_EQ(w->pagLoader->currentWidget(), w->tabUnload);
    EXPECT_EQ(w->rdoOutput->ItemIndex(), 0);
    EXPECT_EQ(w->lstSelectTo->ItemCount(), 0);
    EXPECT_TRUE(w->chkOidTo->isHidden());

    // Input checks stop before anything is asked.
    Type(w->txtSaveDir, QStringLiteral("  "));
    Execute(w);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("保存先ディレクトリ名を入力して下さい。"));
    s.dialogs.queuePath(folder.path());
    Click(w->btnExpFile);
    EXPECT_EQ(s.dialogs.calls().last().caption, QStringLiteral("出力先を選択して下さい。"));
    EXPECT_EQ(w->txtSaveDir->Text(), folder.path());
    Execute(w);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクトを選択して下さい。"));
    EXPECT_FALSE(Asked());

    // Three tables as targets, CSV with a header.
    w->lstAllTo->clearSelection();
    for (const char *t : {"a", "b", "we\"ird"}) {
        TtvListItem *it = Entry(w->lstAllTo, QStringLiteral("public"), QString::fromUtf8(t));
        ASSERT_NE(it, nullptr) << t;
        CtrlClick(w->lstAllTo, it);
    }
    Click(w->btnIns);
    EXPECT_EQ(Column(w->lstSelectTo, 1), (QStringList{"a", "b", "we\"ird"}));
    EXPECT_EQ(Entry(w->lstAllTo, QStringLiteral("public"), QStringLiteral("a")), nullptr);
    Click(w->rdoFormatTo->Button(1));
    EXPECT_TRUE(w->grpCSVTo->isVisibleTo(w));
    SetChecked(w->chkHeaderTo, true);
    SetChecked(w->chkForceQuote, true);

    // "実行(&E)", Yes: the execution dialog runs the three statements.
    s.dialogs.queueButton(tv::ui::IDYES);
    QStringList log;
    {
        ExecDialogUser user(&s.dialogs);
        Execute(w);
        log = user.log;
    }
    const QString text = log.join(u'\n');
    EXPECT_TRUE(text.contains(QStringLiteral("《正常終了》"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("《エラー》"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("COPY \"public\".\"we\"\"ird\""))) << text.toStdString();
    EXPECT_TRUE(s.dialogs.texts().contains(QStringLiteral("データベースの内容をファイルに書き込みます。よろしいですか？")));
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("処理を完了しました。"));
    EXPECT_EQ(w->txtSaveDir->Text(), folder.path() + QStringLiteral("/"));
    EXPECT_EQ(LoadOption.SaveDir, folder.path() + QStringLiteral("/"));
    EXPECT_EQ(LoadOption.FormatTo, 1);
    EXPECT_EQ(FileText(folder.path() + QStringLiteral("/public.a.dat")),
              QByteArray("id,name\n\"1\",\"x\"\n\"2\",\"y,z\"\n"));
    EXPECT_EQ(FileText(folder.path() + QStringLiteral("/public.b.dat")), QByteArray("id\n\"7\"\n"));
    EXPECT_EQ(FileText(folder.path() + QStringLiteral("/public.weird.dat")), QByteArray("x\n\"5\"\n"));

    // Query mode: an existing query.dat makes it query01.dat.
    Click(w->rdoOutput->Button(2));
    EXPECT_TRUE(w->chkOidTo->isHidden());
    EXPECT_EQ(w->pagOutput->currentWidget(), w->txtQuery);
    w->txtQuery->Lines()->SetText(QStringLiteral("SELECT id FROM public.a ORDER BY id"));
    QFile(folder.path() + QStringLiteral("/query.dat")).open(QIODevice::WriteOnly);
    s.dialogs.queueButton(tv::ui::IDYES);
    {
        ExecDialogUser user(&s.dialogs);
        Execute(w);
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("《正常終了》"))) << user.log.join(u'\n').toStdString();
    }
    EXPECT_EQ(FileText(folder.path() + QStringLiteral("/query01.dat")), QByteArray("id\n\"1\"\n\"2\"\n"));
    EXPECT_EQ(FileText(folder.path() + QStringLiteral("/query.dat")), QByteArray());
    w->Close();
}

// An unload whose COPY the server cannot write ends with a failure, not
// "処理を完了しました。"; with stop-on-error off the failures are counted and
// the table that could be written is.
TEST_F(LoaderWindow, AFailedUnloadSaysItFailed)
{
    TV_REQUIRE_DB(db);
    ServerFolder folder;
    if (!folder.ok())
        GTEST_SKIP() << "the server's account cannot be given a folder";
    db.exec("CREATE TABLE public.a(id int); INSERT INTO public.a VALUES (1);"
            "CREATE TABLE public.b(id int); INSERT INTO public.b VALUES (2);");
    ASSERT_NE(Logon(), nullptr);
    LoadOption.Output = 2;
    TfrmLoader *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    w->lstAllTo->clearSelection();
    for (const char *t : {"a", "b"}) {
        TtvListItem *it = Entry(w->lstAllTo, QStringLiteral("public"), QString::fromUtf8(t));
        ASSERT_NE(it, nullptr) << t;
        CtrlClick(w->lstAllTo, it);
    }
    Click(w->btnIns);
    // The server cannot create public.a.dat: a folder holds the name.
    ASSERT_TRUE(QDir().mkpath(folder.path() + QStringLiteral("/public.a.dat")));
    Type(w->txtSaveDir, folder.path());
    struct Case {
        bool stopOnError;
        QString message;
        bool secondWritten;
    } cases[] = {
        {true, QStringLiteral("処理に失敗しました。"), false},
        {false, QStringLiteral("処理に失敗しました。\r\nエラー: 1 件"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stopOnError);
        QFile::remove(folder.path() + QStringLiteral("/public.b.dat"));
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDYES);
        QString text;
        {
            QTimer untick;
            QObject::connect(&untick, &QTimer::timeout, [&] {
                if (TfrmDDLExec *d = OpenExecDialog())
                    d->chkErrorStop->setChecked(c.stopOnError);
            });
            untick.start(0);
            ExecDialogUser user(&s.dialogs);
            Execute(w);
            text = user.log.join(u'\n');
        }
        EXPECT_TRUE(text.contains(QStringLiteral("《エラー》"))) << text.toStdString();
        EXPECT_FALSE(s.dialogs.texts().contains(QStringLiteral("処理を完了しました。")));
        EXPECT_EQ(s.dialogs.texts().last(), c.message);
        EXPECT_EQ(s.dialogs.calls().last().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONSTOP);
        EXPECT_EQ(QFileInfo::exists(folder.path() + QStringLiteral("/public.b.dat")), c.secondWritten);
        // The session is usable afterwards.
        EXPECT_EQ(s.Form()->dbsMain().ExecScalar(QStringLiteral("SELECT count(*) FROM public.b")),
                  QStringLiteral("1"));
    }
    w->Close();
}

TEST_F(LoaderWindow, PreselectedTablesAndALoadIntoColumns)
{
    TV_REQUIRE_DB(db);
    ServerFolder folder;
    if (!folder.ok())
        GTEST_SKIP() << "the server's account cannot be given a folder";
    db.exec("CREATE TABLE public.a(id int); CREATE TABLE public.b(id int); CREATE VIEW public.v AS SELECT 1 AS x;"
            "CREATE TABLE public.c(a int, b text, note text) PARTITION BY RANGE (a);"
            "CREATE TABLE public.c1 PARTITION OF public.c FOR VALUES FROM (0) TO (100)");
    const QString data = folder.path() + QStringLiteral("/in.dat");
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a,b\n1,x\n2,\"y,z\"\n3,\n");
    }
    ASSERT_NE(Logon(), nullptr);
    LoadOption.OidFrom = true;

    // "ロード(&L)" of the object list: the tables stay preselected, the view
    // is dropped, and the tables leave the available list.
    tv::ui::Guard([&] {
        TLaunchContext c;
        c.Connection = s.Form();
        c.Schema = QStringLiteral("public\r\npublic\r\npublic");
        c.ObjectName = QStringLiteral("a\r\nv\r\nb");
        ::Launch(QStringLiteral("actAdminLoad"), c);
    });
    TfrmLoader *w = Opened();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(Column(w->lstSelectTo, 1), (QStringList{"a", "b"}));
    EXPECT_EQ(Entry(w->lstAllTo, QStringLiteral("public"), QStringLiteral("b")), nullptr);

    // The load page's checks, in their order, each before anything is asked.
    TurnTo(w, w->tabLoad);
    struct Step {
        std::function<void()> change;
        const char *message;
    };
    const Step steps[] = {
        {[] {}, "データファイルを選択して下さい。"},
        {[&] { Type(w->txtDataFile, data); }, "スキーマを選択して下さい。"},
        {[&] { Type(w->cmbSchemaFrom, QStringLiteral("public")); }, "テーブルを選択して下さい。"},
        {[&] {
             Click(w->rdoInput->Button(1));
             Type(w->cmbSchemaFrom, QStringLiteral("public"));
             Type(w->cmbTableFrom, QStringLiteral("c"));
         },
         "カラムを選択して下さい。"},
        {[&] {
             w->lstAllFrom->clearSelection();
             CtrlClick(w->lstAllFrom, w->lstAllFrom->Item(0));
             CtrlClick(w->lstAllFrom, w->lstAllFrom->Item(1));
             Click(w->btnInsFrom);
             Type(w->txtDelimiterFrom, QStringLiteral("、"));
         },
         "列の区切り文字は1バイト文字を入力して下さい。"},
        {[&] {
             Type(w->txtDelimiterFrom, QString());
             Click(w->rdoFormatFrom->Button(1));
             Type(w->txtQuoteFrom, QStringLiteral("”"));
         },
         "引用符用文字は1バイト文字を入力して下さい。"},
    };
    for (const Step &step : steps) {
        step.change();
        Execute(w);
        EXPECT_EQ(s.dialogs.texts().last(), QString::fromUtf8(step.message));
        EXPECT_EQ(w->pagLoader->currentWidget(), w->tabLoad) << step.message;
    }
    EXPECT_FALSE(Asked());
    EXPECT_TRUE(LoadOption.DataFile.isEmpty());
    // The partitioned table's columns were listed; a and b are the targets.
    EXPECT_EQ(w->grpColumnFrom->title(), QStringLiteral("カラム指定"));
    EXPECT_EQ(Column(w->lstSelectFrom, 0), (QStringList{"a", "b"}));
    EXPECT_EQ(Column(w->lstAllFrom, 0), (QStringList{"note"}));

    // CSV, first line skipped, empty text for a missing value; no "OIDS"
    // line on 15 though OidFrom is stored true.
    Type(w->txtQuoteFrom, QString());
    SetChecked(w->chkHeaderFrom, true);
    SetChecked(w->chkForceNotNull, true);
    s.dialogs.queueButton(tv::ui::IDYES);
    QString text;
    {
        ExecDialogUser user(&s.dialogs);
        Execute(w);
        text = user.log.join(u'\n');
    }
    EXPECT_TRUE(text.contains(QStringLiteral("《正常終了》"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("FORCE NOT NULL \"a\",\"b\""))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("OIDS"))) << text.toStdString();
    EXPECT_TRUE(LoadOption.OidFrom);
    EXPECT_EQ(LoadOption.DataFile, data);
    EXPECT_EQ(LoadOption.Input, 1);
    // Another session sees the rows.
    EXPECT_EQ(db.scalar("SELECT string_agg(a || ':' || b, ' ' ORDER BY a) FROM public.c"), "1:x 2:y,z 3:");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM public.c WHERE b IS NOT NULL AND note IS NULL"), "3");
    w->Close();
}

TEST_F(LoaderWindow, ARefusedCopyIsLoggedAndTheSessionKeepsItsWork)
{
    TV_REQUIRE_DB(db);
    ServerFolder folder;
    if (!folder.ok())
        GTEST_SKIP() << "the server's account cannot be given a folder";
    db.exec("CREATE TABLE public.t(id int)");
    const QString data = folder.path() + QStringLiteral("/t.dat");
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\n2\nnot a number\n4\n");
    }
    // Auto-commit off: the session holds uncommitted work of its own.
    TfrmObject *form = Logon(false);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("INSERT INTO public.t VALUES (0)"));
    TfrmLoader *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    TurnTo(w, w->tabLoad);
    Type(w->txtDataFile, data);
    Type(w->cmbSchemaFrom, QStringLiteral("public"));
    Type(w->cmbTableFrom, QStringLiteral("t"));
    s.dialogs.queueButton(tv::ui::IDYES);
    QString text;
    {
        ExecDialogUser user(&s.dialogs);
        Execute(w);
        text = user.log.join(u'\n');
    }
    EXPECT_TRUE(text.contains(QStringLiteral("《エラー》"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("not a number"))) << text.toStdString();
    // Nothing of the file stays; the earlier insert is still there to commit.
    form->ExecuteSQL(QStringLiteral("COMMIT"));
    EXPECT_EQ(db.scalar("SELECT string_agg(id::text, ',') FROM public.t"), "0");
    w->Close();
}
