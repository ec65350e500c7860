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
#include <QTabWidget>

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
}

namespace {

class LoaderWindow : public ::testing::Test {
protected:
    void SetUp() override { TfrmLoader::RegisterLauncher(); }
    TfrmObject *Logon()
    {
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        return s.Form();
    }
    TfrmLoader *Opened() const
    {
        return s.main->FindWindowOf<TfrmLoader>(QStringLiteral("ロード - ") + s.Form()->ConnectionText(), false);
    }
    static TtvListItem *Entry(TtvListView *l, const QString &caption, const QString &sub)
    {
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->Caption() == caption && l->Item(i)->SubItem(0) == sub)
                return l->Item(i);
        return nullptr;
    }

    TestDb db{"w3t5l"};
    ShellSession s;
};

} // namespace

TEST_F(LoaderWindow, UnloadAsCsvThenLoadColumnsBack)
{
    TV_REQUIRE_DB(db);
    ServerFolder folder;
    if (!folder.ok())
        GTEST_SKIP() << "the server's account cannot be given a folder";
    db.exec("CREATE TABLE public.a(id int, name text); INSERT INTO public.a VALUES (1, 'x'), (2, 'y,z');"
            "CREATE TABLE public.b(id int); CREATE VIEW public.v AS SELECT 1 AS x;"
            "CREATE TABLE public.c(a int, b text, note text)");
    ASSERT_NE(Logon(), nullptr);
    LoadOption.OidFrom = true;
    LoadOption.Output = 2;

    // 管理 → "ロード(&O)": table mode whatever was stored; nothing preselected.
    s.main->Action(QStringLiteral("actAdminLoad"))->trigger();
    TfrmLoader *w = Opened();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(w->rdoOutput->ItemIndex(), 0);
    EXPECT_EQ(w->lstSelectTo->ItemCount(), 0);
    EXPECT_TRUE(w->chkOidTo->isHidden());

    // Input checks stop before anything is asked.
    w->txtSaveDir->SetText(QStringLiteral("  "));
    w->btnExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("保存先ディレクトリ名を入力して下さい。"));
    w->txtSaveDir->SetText(folder.path());
    w->btnExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクトを選択して下さい。"));

    // The table a as target, CSV, run, Yes.
    TtvListItem *a = Entry(w->lstAllTo, QStringLiteral("public"), QStringLiteral("a"));
    ASSERT_NE(a, nullptr);
    w->lstAllTo->clearSelection();
    a->setSelected(true);
    w->btnIns->click();
    EXPECT_NE(Entry(w->lstSelectTo, QStringLiteral("public"), QStringLiteral("a")), nullptr);
    EXPECT_EQ(Entry(w->lstAllTo, QStringLiteral("public"), QStringLiteral("a")), nullptr);
    w->rdoFormatTo->SetItemIndex(1);
    emit w->rdoFormatTo->Clicked(1);
    w->chkHeaderTo->setChecked(true);
    w->chkForceQuote->setChecked(true);
    s.dialogs.queueButton(tv::ui::IDYES);
    {
        ExecDialogUser user(&s.dialogs);
        w->btnExec->trigger();
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("《正常終了》"))) << user.log.join(u'\n').toStdString();
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("TO '") + folder.path() + QStringLiteral("/public.a.dat'")))
            << user.log.join(u'\n').toStdString();
    }
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("処理を完了しました。"));
    EXPECT_EQ(LoadOption.SaveDir, folder.path() + QStringLiteral("/"));
    EXPECT_EQ(LoadOption.FormatTo, 1);
    QFile file(folder.path() + QStringLiteral("/public.a.dat"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("id,name\n\"1\",\"x\"\n\"2\",\"y,z\"\n"));
    file.close();

    // Query mode: an existing query.dat gives query01.dat.
    w->rdoOutput->SetItemIndex(2);
    emit w->rdoOutput->Clicked(2);
    EXPECT_TRUE(w->chkOidTo->isHidden());
    w->txtQuery->Lines()->SetText(QStringLiteral("SELECT id FROM public.a"));
    QFile(folder.path() + QStringLiteral("/query.dat")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(w->UnloadScript().contains(QStringLiteral("TO '") + folder.path() + QStringLiteral("/query01.dat'")))
        << w->UnloadScript().join(u'\n').toStdString();
    w->Close();

    // "ロード(&L)" of the object list preselects tables; the view is dropped.
    QDeadlineTimer deadline(60000);
    while (Opened() && !deadline.hasExpired())
        QTest::qWait(20);
    ASSERT_EQ(Opened(), nullptr);
    tv::ui::Guard([&] {
        TLaunchContext c;
        c.Connection = s.Form();
        c.Schema = QStringLiteral("public\r\npublic\r\npublic");
        c.ObjectName = QStringLiteral("a\r\nv\r\nb");
        ::Launch(QStringLiteral("actAdminLoad"), c);
    });
    w = Opened();
    ASSERT_NE(w, nullptr);
    QStringList targets;
    for (int i = 0; i < w->lstSelectTo->ItemCount(); ++i)
        targets << w->lstSelectTo->Item(i)->SubItem(0);
    EXPECT_EQ(targets, (QStringList{"a", "b"}));

    // Load the file into c's columns a and b, CSV, first line skipped.
    w->pagLoader->setCurrentWidget(w->tabLoad);
    w->txtDataFile->SetText(folder.path() + QStringLiteral("/public.a.dat"));
    w->rdoInput->SetItemIndex(1);
    emit w->rdoInput->Clicked(1);
    w->cmbSchemaFrom->setEditText(QStringLiteral("public"));
    w->cmbTableFrom->setEditText(QStringLiteral("c"));
    ASSERT_EQ(w->lstAllFrom->ItemCount(), 3);
    w->lstAllFrom->Item(0)->setSelected(true);
    w->lstAllFrom->Item(1)->setSelected(true);
    w->btnInsFrom->click();
    w->rdoFormatFrom->SetItemIndex(1);
    emit w->rdoFormatFrom->Clicked(1);
    w->chkHeaderFrom->setChecked(true);
    w->chkForceNotNull->setChecked(true);
    EXPECT_EQ(w->LoadScript(), (QStringList{"COPY \"public\".\"c\"(\"a\",\"b\")",
                                            "FROM '" + folder.path() + "/public.a.dat'", "CSV", "HEADER",
                                            "FORCE NOT NULL \"a\",\"b\"", ";"}));
    s.dialogs.queueButton(tv::ui::IDYES);
    {
        ExecDialogUser user(&s.dialogs);
        w->btnExec->trigger();
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("《正常終了》"))) << user.log.join(u'\n').toStdString();
    }
    if (s.Form()->dbsMain().TransactionLevel() > 0)
        s.Form()->ExecuteSQL(QStringLiteral("COMMIT"));
    EXPECT_EQ(db.scalar("SELECT string_agg(a || ':' || b, ' ' ORDER BY a) FROM public.c"), "1:x 2:y,z");
    EXPECT_TRUE(LoadOption.OidFrom);
    w->Close();
}

TEST_F(LoaderWindow, ARefusedCopyIsLoggedAndNothingStays)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE public.t(id int)");
    ASSERT_NE(Logon(), nullptr);
    s.main->Action(QStringLiteral("actAdminLoad"))->trigger();
    TfrmLoader *w = Opened();
    ASSERT_NE(w, nullptr);
    w->pagLoader->setCurrentWidget(w->tabLoad);
    w->txtDataFile->SetText(QStringLiteral("/nonexistent/dir/t.dat"));
    w->cmbSchemaFrom->setEditText(QStringLiteral("public"));
    w->cmbTableFrom->setEditText(QStringLiteral("t"));
    s.dialogs.queueButton(tv::ui::IDYES);
    {
        ExecDialogUser user(&s.dialogs);
        w->btnExec->trigger();
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("《エラー》"))) << user.log.join(u'\n').toStdString();
    }
    EXPECT_EQ(db.scalar("SELECT count(*) FROM public.t"), "0");
    w->Close();
}
