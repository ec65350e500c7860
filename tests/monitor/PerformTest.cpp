// The statistics window: its queries, the snapshot files and increments as
// plain functions, and the window inside the real main window against the
// test server — the database page beside pg_stat_database, the access page
// following a second session's inserts, saving, showing and deleting
// snapshots.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"

#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorLaunchers.h"
#include "monitor/PerformStats.h"
#include "monitor/frmPerform.h"
#include "monitor/frmStatList.h"
#include "common/DataToolGlobals.h"
#include "support/XlsxBook.h"
#include "platform/db/Connection.h"
#include "platform/text/TextEncoding.h"
#include "support/TestSession.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

using namespace tvtest;

TEST(PerformFiles, NamesTitlesAndPlacement)
{
    const QDateTime at(QDate(2026, 12, 10), QTime(9, 5));
    EXPECT_EQ(perform::SnapshotStem(QStringLiteral("a/b:c"), at), QStringLiteral("DBSTATabc202612100905"));
    EXPECT_EQ(perform::FileNameToDate(QStringLiteral("DBSTATabc202612100905.log"), QStringLiteral("a/b:c")),
              QStringLiteral("26/12/10 09:05"));
    EXPECT_EQ(perform::FileNameToDate(QStringLiteral("DBSTATabc20261210090501.log"), QStringLiteral("abc")),
              QStringLiteral("26/12/10 09:05"));
    EXPECT_EQ(perform::SnapshotText({"a", "b"}, {"1", ""}), QStringLiteral("a\t1\r\nb\t\r\n"));

    const QStringList rows{"datid", "datname", "xact_commit"};
    // As many lines as rows: line by line, whatever the keys.
    EXPECT_EQ(perform::PlaceSnapshot({"x\t1", "y\t2", "z\t3"}, rows), (QStringList{"1", "2", "3"}));
    // Otherwise by name; a line without TAB has an empty key.
    EXPECT_EQ(perform::PlaceSnapshot({"xact_commit\t9", "gone\t5", "datid\t7", "novalue"}, rows),
              (QStringList{"7", "", "9"}));
    EXPECT_EQ(perform::PlaceSnapshot({}, rows), (QStringList{"", "", ""}));
}

TEST(PerformFiles, IncrementsUseAbsoluteValues)
{
    // Current, then snapshots newest first.
    std::vector<QStringList> cols{{"100", "db", "", "9223372036854775807", "1.5"},
                                  {"60", "db", "7", "1", "1"},
                                  {"10", "db", "", "0", "x"}};
    perform::ApplyIncrements(cols);
    EXPECT_EQ(cols[0], (QStringList{"40", "0", "-7", "9223372036854775806", "-1"}));
    EXPECT_EQ(cols[1], (QStringList{"50", "0", "7", "1", "1"}));
    EXPECT_EQ(cols[2], (QStringList{"10", "db", "", "0", "x"}));
}

TEST(PerformFiles, SnapshotsAreUniqueSortedAndAnsi)
{
    ScratchDir scratch;
    const QString folder = scratch.path() + QStringLiteral("/stat/");
    const QDateTime at(QDate(2026, 1, 2), QTime(3, 4));
    const QString first = perform::SaveSnapshot(folder, QStringLiteral("売上"), at, {"datname"}, {"売上"});
    const QString second = perform::SaveSnapshot(folder, QStringLiteral("売上"), at, {"datname"}, {"売上"});
    EXPECT_TRUE(first.endsWith(QStringLiteral("DBSTAT売上202601020304.log")));
    EXPECT_TRUE(second.endsWith(QStringLiteral("DBSTAT売上20260102030401.log")));
    // Only the database's own files: not those of a database whose name
    // begins with this one's, nor other files of the folder.
    perform::SaveSnapshot(folder, QStringLiteral("売上x"), at.addDays(-1), {"a"}, {"1"});
    perform::SaveSnapshot(folder, QStringLiteral("売上2"), at.addDays(1), {"a"}, {"1"});
    // "売上" + 14 digits, but no date and time of a save.
    perform::SaveSnapshot(folder, QStringLiteral("売上12"), at, {"a"}, {"1"});
    for (const char *other : {"DBSTAT売上.log", "DBSTAT売上2026010203.log", "DBSTAT売上202601020304.txt",
                              "DBSTAT売上2026010203041.log", "DBSTAT売上202613020304.log", "DBSTAT売上202601020304.log.bak"}) {
        QFile f(folder + QString::fromUtf8(other));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << other;
    }
    EXPECT_EQ(perform::SnapshotFiles(folder, QStringLiteral("売上")),
              (QStringList{"DBSTAT売上202601020304.log", "DBSTAT売上20260102030401.log"}));
    EXPECT_EQ(perform::SnapshotFiles(folder, QStringLiteral("売上2")), (QStringList{"DBSTAT売上2202601030304.log"}));
    EXPECT_EQ(perform::SnapshotFiles(folder, QStringLiteral("売上12")), (QStringList{"DBSTAT売上12202601020304.log"}));
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), tv::text::Encode(QStringLiteral("datname\t売上\r\n"), tv::text::Encoding::Ansi));
}

TEST(PerformQueries, ValuesByNameWithTimesFormatted)
{
    EXPECT_EQ(perform::DbStatValuesSQL({"datid", "sessions", "stats_reset"}),
              " SELECT datid, sessions, TO_CHAR( stats_reset , 'yyyy/mm/dd hh24:mi:ss') stats_reset"
              " FROM pg_stat_database WHERE datname = :datname");
    const QString ac = perform::ObjectValuesSQL(1, {"relid", "n_ins_since_vacuum", "last_vacuum"}, true);
    EXPECT_EQ(ac, " SELECT relid, n_ins_since_vacuum, TO_CHAR( last_vacuum , 'yyyy/mm/dd hh24:mi:ss') last_vacuum"
                  " FROM pg_stat_user_tables  WHERE 0 = 0 and ( ( cast(relid as varchar) like :kensaku )"
                  " or ( UPPER(schemaname) like UPPER(:kensaku) ) or ( UPPER(relname)    like UPPER(:kensaku) )  )");
    EXPECT_EQ(perform::ObjectValuesSQL(3, {}, false), "SELECT * FROM pg_stat_user_indexes  WHERE 0 = 0");
    EXPECT_EQ(perform::ObjectColumnTitle("indexrelname", true), QStringLiteral("ｲﾝﾃﾞｯｸｽ名"));
    EXPECT_EQ(perform::ObjectColumnTitle("indexrelname", false), QStringLiteral("indexrelname"));
    EXPECT_EQ(perform::ItemDesc("xact_rollback"), QStringLiteral("このデータベースの中でロールバックされたトランザクション数です。 "));
    EXPECT_TRUE(perform::ItemDesc("sessions").isEmpty());
}

namespace {

class PerformWindow : public ::testing::Test {
protected:
    void SetUp() override { RegisterMonitorWindows(); }
    TfrmObject *Logon(bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        return s.Form();
    }
    // 管理 → "パフォーマンス情報(&Q)": the window for the current connection.
    TfrmPerform *Open()
    {
        QMenu *admin = s.main->findChild<QMenu *>(QStringLiteral("mnuAdmin"));
        EXPECT_NE(admin, nullptr);
        for (QAction *a : admin ? admin->actions() : QList<QAction *>()) {
            if (a->text() == QStringLiteral("パフォーマンス情報(&Q)"))
                a->trigger();
        }
        return Window(s.Form());
    }
    TfrmPerform *Window(TfrmObject *form) const
    {
        return s.main->FindWindowOf<TfrmPerform>(QStringLiteral("パフォーマンス情報 - ") + form->ConnectionText(), false);
    }
    std::unique_ptr<tv::db::Connection> Connect() const
    {
        return tvtest::OpenSession(db);
    }
    static TtvListItem *Row(TtvListView *l, const QString &name)
    {
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->SubItem(0) == name)
                return l->Item(i);
        return nullptr;
    }
    static int Column(TtvListView *l, const QString &title)
    {
        for (int c = 0; c < l->ColumnCount(); ++c)
            if (l->headerItem()->text(c) == title)
                return c;
        return -1;
    }
    static QStringList Titles(TtvListView *l)
    {
        QStringList out;
        for (int c = 0; c < l->ColumnCount(); ++c)
            out << l->headerItem()->text(c);
        return out;
    }
    static QString Cell(TtvListView *l, int row, int col)
    {
        TtvListItem *it = l->Item(row);
        return col == 0 ? it->Caption() : it->SubItem(col - 1);
    }
    static void Click(QToolBar *bar, QAction *a)
    {
        QWidget *b = bar->widgetForAction(a);
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QString LastText() const { return s.dialogs.texts().isEmpty() ? QString() : s.dialogs.texts().last(); }
    QString File(const QString &stamp) const
    {
        return QStringLiteral("DBSTAT") + db.params().database + stamp + QStringLiteral(".log");
    }

    TestDb db{"w3t6p"};
    ShellSession s;
};

} // namespace

TEST_F(PerformWindow, DatabasePageAndAccessPageFollowTheServer)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE orders(id int)");
    for (const bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit" : "auto-commit off");
        db.exec("VACUUM orders");
        ASSERT_NE(Logon(autoCommit), nullptr);
        TfrmPerform *w = Open();
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        EXPECT_EQ(w->pagStat->currentWidget(), w->tabDbStat);
        EXPECT_TRUE(w->actLog->isEnabled());
        EXPECT_FALSE(w->pnlFind->isEnabled());
        TtvListView *l = w->lstDbStat;
        EXPECT_EQ(Titles(l), (QStringList{"No.", "項目名", "現在値"}));
        EXPECT_EQ(l->Item(0)->Caption(), QStringLiteral("  1"));
        EXPECT_EQ(Row(l, "datname")->SubItem(1), db.params().database);

        // Every row beside what pg_stat_database gives, also the columns the
        // explanations do not know (sessions, checksum_failures), once the
        // counters of the sessions that ended have reached the server.
        auto other = Connect();
        QStringList differ;
        EXPECT_TRUE(PollUntil([&] {
            Click(w->tolCmd, w->actRefresh);
            other->Exec(QStringLiteral("SELECT pg_stat_clear_snapshot()"));
            differ.clear();
            for (const char *name : {"datid", "sessions", "checksum_failures", "xact_rollback", "deadlocks"}) {
                TtvListItem *row = Row(l, QString::fromLatin1(name));
                const QString want = other->ExecScalar(
                    QStringLiteral("SELECT coalesce(%1::text, '') FROM pg_stat_database WHERE datname = current_database()")
                        .arg(QString::fromLatin1(name)));
                if (!row || row->SubItem(1) != want)
                    differ << QString::fromLatin1(name) + u'=' + (row ? row->SubItem(1) : QStringLiteral("-")) + u'/' + want;
            }
            return differ.isEmpty();
        })) << differ.join(u' ').toStdString();
        other.reset();
        EXPECT_TRUE(Row(l, "sessions")->icon(0).isNull());
        EXPECT_FALSE(Row(l, "xact_commit")->icon(0).isNull());
        // A counter with an explanation shows it below when selected.
        l->setCurrentItem(Row(l, "xact_commit"));
        EXPECT_EQ(w->txtHint->Lines()->Text().trimmed(),
                  QStringLiteral("このデータベースの中でコミットされたトランザクション数です。"));
        EXPECT_TRUE(Row(l, "stats_reset")->SubItem(1).isEmpty() ||
                    QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                        .match(Row(l, "stats_reset")->SubItem(1))
                        .hasMatch());

        // The access page: the view's columns under their own titles.
        w->pagStat->setCurrentWidget(w->tabTblAcStat);
        EXPECT_FALSE(w->actLog->isEnabled());
        EXPECT_TRUE(w->pnlFind->isEnabled());
        TtvListView *ac = w->lstTblAcStat;
        const QStringList titles = Titles(ac);
        ASSERT_GE(titles.size(), 3);
        EXPECT_EQ(titles.mid(0, 3), (QStringList{"ﾃｰﾌﾞﾙOID", "ｽｷｰﾏ名", "ﾃｰﾌﾞﾙ名"}));
        for (const char *title : {"n_ins_since_vacuum", "autoanalyze_count", "last_vacuum", "n_tup_ins"})
            EXPECT_TRUE(titles.contains(QString::fromLatin1(title))) << title;
        const int ins = Column(ac, QStringLiteral("n_tup_ins"));
        const int sinceVacuum = Column(ac, QStringLiteral("n_ins_since_vacuum"));
        auto ordersRow = [&]() -> int {
            for (int r = 0; r < ac->ItemCount(); ++r)
                if (Cell(ac, r, 2) == QStringLiteral("orders"))
                    return r;
            return -1;
        };
        ASSERT_GE(ordersRow(), 0);
        const qint64 before = Cell(ac, ordersRow(), ins).toLongLong();
        Connect()->Exec(QStringLiteral("INSERT INTO orders SELECT generate_series(1, 5)"));
        // The other session's counters reach the server as it ends.
        EXPECT_TRUE(PollUntil([&] {
            Click(w->tolCmd, w->actRefresh);
            return ordersRow() >= 0 && Cell(ac, ordersRow(), ins).toLongLong() == before + 5;
        }));
        EXPECT_EQ(Cell(ac, ordersRow(), sinceVacuum), QStringLiteral("5"));
        // Each value stands under the title of its own column.
        other = Connect();
        other->Exec(QStringLiteral("SELECT pg_stat_clear_snapshot()"));
        const QStringList columns = [&] {
            QStringList out;
            auto r = other->Exec(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = "
                                                "'pg_catalog.pg_stat_user_tables'::regclass AND attnum > 0 ORDER BY attnum"));
            for (int i = 0; i < r->rowCount(); ++i)
                out << r->text(i, 0);
            return out;
        }();
        ASSERT_EQ(columns.size(), titles.size());
        for (int c = 0; c < columns.size(); ++c) {
            const QString &name = columns.at(c);
            const QString value = name.startsWith(QLatin1String("last_"))
                                      ? QStringLiteral("to_char(%1, 'yyyy/mm/dd hh24:mi:ss')").arg(name)
                                      : name + QStringLiteral("::text");
            const QString want = other->ExecScalar(
                QStringLiteral("SELECT coalesce(%1, '') FROM pg_stat_user_tables WHERE relname = 'orders'").arg(value));
            EXPECT_EQ(Cell(ac, ordersRow(), Column(ac, c < 3 ? titles.at(c) : name)), want) << name.toStdString();
        }
        EXPECT_FALSE(Cell(ac, ordersRow(), Column(ac, QStringLiteral("last_vacuum"))).isEmpty());
        other.reset();

        // The search narrows by name, whatever the case typed.
        w->txtFind->setText(QStringLiteral("ORDERS"));
        QTest::keyClick(w->txtFind, Qt::Key_Return);
        EXPECT_EQ(ac->ItemCount(), 1);
        w->txtFind->setText(QStringLiteral("nothing_like_it"));
        QTest::keyClick(w->txtFind, Qt::Key_Return);
        EXPECT_EQ(ac->ItemCount(), 0);
        // Another page empties the search.
        w->pagStat->setCurrentWidget(w->tabIdxAcStat);
        EXPECT_TRUE(w->txtFind->Text().isEmpty());
        EXPECT_EQ(Titles(w->lstIdxAcStat).mid(0, 5),
                  (QStringList{"ﾃｰﾌﾞﾙOID", "ｲﾝﾃﾞｯｸｽOID", "ｽｷｰﾏ名", "ﾃｰﾌﾞﾙ名", "ｲﾝﾃﾞｯｸｽ名"}));
        w->Close();
        s.main.reset();
    }
}

// The connection window's tree menu opens the window of that connection,
// beside the one of another connection.
TEST_F(PerformWindow, TheTreeMenuOpensTheWindowOfItsConnection)
{
    TV_REQUIRE_DB(db);
    TestDb db2{"w3t6q"};
    TfrmObject *a = Logon();
    ASSERT_NE(a, nullptr);
    const DbParams &p = db2.params();
    TfrmObject *b = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(b, nullptr);
    for (TfrmObject *form : {a, b}) {
        QAction *open = form->Action(QStringLiteral("actPerform"));
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(open->text(), QStringLiteral("パフォーマンス情報(&Q)"));
        open->trigger();
        TfrmPerform *w = Window(form);
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        EXPECT_EQ(w->OwnerForm(), form);
        EXPECT_EQ(Row(w->lstDbStat, "datname")->SubItem(1), form->dbsMain().Params().Database);
    }
    EXPECT_NE(Window(a), Window(b));
}

TEST_F(PerformWindow, SnapshotsSavedShownAndDeleted)
{
    TV_REQUIRE_DB(db);
    ASSERT_NE(Logon(), nullptr);
    TfrmPerform *w = Open();
    ASSERT_NE(w, nullptr);
    TtvListView *l = w->lstDbStat;
    EXPECT_EQ(l->ColumnCount(), 3);
    const QString folder = perform::StatFolder();
    const QString database = db.params().database;

    // No: nothing written.
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actSave->trigger();
    EXPECT_EQ(LastText(), QStringLiteral("現在のデータベース統計を保存しますか？"));
    EXPECT_TRUE(perform::SnapshotFiles(folder, database).isEmpty());

    const QDateTime saved = QDateTime::currentDateTime();
    for (int i = 0; i < 2; ++i) {
        s.dialogs.queueButton(tv::ui::IDYES);
        w->actSave->trigger();
        EXPECT_EQ(LastText(), QStringLiteral("保存が完了しました。"));
    }
    EXPECT_GE(LastAutoSave, saved.addSecs(-1));
    const QStringList files = perform::SnapshotFiles(folder, database);
    ASSERT_EQ(files.size(), 2);
    const QString stem = QStringLiteral("DBSTAT") + database;
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(stem) + "\\d{12}(01)?\\.log$").match(files[0]).hasMatch())
        << files[0].toStdString();
    // A second save in the same minute takes "01".
    if (files[0].mid(stem.size(), 12) == files[1].mid(stem.size(), 12))
        EXPECT_EQ(files[1], files[0].left(files[0].size() - 4) + QStringLiteral("01.log"));
    QString text;
    ASSERT_TRUE(tv::text::ReadTextFile(folder + files[0], tv::text::Encoding::Ansi, &text));
    EXPECT_TRUE(text.startsWith(QStringLiteral("datid\t")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\ndatname\t") + database + QStringLiteral("\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), l->ItemCount());
    EXPECT_EQ(text.count(u'\t'), l->ItemCount());

    // Two snapshot columns, newest first, titled by date.
    ASSERT_EQ(l->ColumnCount(), 5);
    const QRegularExpression title("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d$");
    EXPECT_TRUE(title.match(l->headerItem()->text(3)).hasMatch()) << l->headerItem()->text(3).toStdString();
    EXPECT_EQ(l->headerItem()->text(3), perform::FileNameToDate(files[1], database));
    EXPECT_EQ(l->headerItem()->text(4), perform::FileNameToDate(files[0], database));
    EXPECT_EQ(Row(l, "datname")->SubItem(2), database);
    EXPECT_EQ(Row(l, "datid")->SubItem(3), Row(l, "datid")->SubItem(1));

    // The page to a workbook: the titles with the date titles in row 1, no
    // explanation column; the folder stays.
    const QString dir = s.scratch.path() + QStringLiteral("/xl/");
    QDir().mkpath(dir);
    tvOption.ExcelDir = dir;
    tvOption.ExcelExt = QStringLiteral(".XLSX");
    s.dialogs.queuePath(dir + QStringLiteral("DBSTAT.XLSX"));
    w->actExcel->trigger();
    EXPECT_EQ(s.dialogs.calls().last().text, QStringLiteral("ファイルに出力しました。"));
    EXPECT_EQ(s.dialogs.calls().at(s.dialogs.calls().size() - 2).file.fileName, dir + QStringLiteral("DBSTAT.XLSX"));
    {
        XlsxBook book;
        ASSERT_TRUE(book.open(dir + QStringLiteral("DBSTAT.XLSX")));
        EXPECT_EQ(book.extent(), std::make_pair(l->ItemCount() + 1, 5));
        QStringList heads;
        for (int c = 1; c <= 5; ++c)
            heads << book.cell(1, c).value;
        EXPECT_EQ(heads, Titles(l));
        EXPECT_EQ(book.cell(2, 1).value, QStringLiteral("  1"));
        EXPECT_EQ(book.cell(2, 2).value, QStringLiteral("datid"));
    }
    EXPECT_EQ(tvOption.ExcelDir, dir);

    // Files of our own: the newest names two rows only (placed by name, the
    // others empty), the next cannot be read as a snapshot at all.
    {
        QFile newest(folder + File(QStringLiteral("209912312359")));
        ASSERT_TRUE(newest.open(QIODevice::WriteOnly));
        newest.write("datid\t100\r\ntemp_bytes\t5000000000\r\n");
        QFile broken(folder + File(QStringLiteral("209901010000")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray("\x80\x81\x00\x01\xfd garbage", 13));
        // The newest-looking file of all is another database's ("<name>2"):
        // never shown, offered or deleted here.
        QFile other(folder + QStringLiteral("DBSTAT") + database + QStringLiteral("2209912312359.log"));
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("datid\t1\r\n");
    }
    Click(w->tolCmd, w->actRefresh);
    ASSERT_EQ(l->ColumnCount(), 7);
    EXPECT_EQ(Titles(l).mid(3, 2), (QStringList{"99/12/31 23:59", "99/01/01 00:00"}));
    const QString datid = Row(l, "datid")->SubItem(1);
    const QString tempBytes = Row(l, "temp_bytes")->SubItem(1);
    EXPECT_EQ(Row(l, "datid")->SubItem(2), QStringLiteral("100"));
    EXPECT_EQ(Row(l, "temp_bytes")->SubItem(2), QStringLiteral("5000000000"));
    for (int r = 0; r < l->ItemCount(); ++r) {
        EXPECT_EQ(l->Item(r)->SubItem(3), QString()) << r;
        if (l->Item(r)->SubItem(0) != QLatin1String("datid") && l->Item(r)->SubItem(0) != QLatin1String("temp_bytes"))
            EXPECT_EQ(l->Item(r)->SubItem(2), QString()) << r;
    }

    // Increments: each column less the next older one, from the absolute
    // values; the oldest stays as it was.
    w->chkInc->click();
    ASSERT_TRUE(w->chkInc->isChecked());
    const qint64 id = datid.toLongLong();
    EXPECT_EQ(Row(l, "datid")->SubItem(1), QString::number(id - 100));
    EXPECT_EQ(Row(l, "temp_bytes")->SubItem(1), QString::number(tempBytes.toLongLong() - 5000000000LL));
    EXPECT_EQ(Row(l, "datid")->SubItem(2), QStringLiteral("100"));      // 100 less the empty broken file
    EXPECT_EQ(Row(l, "datid")->SubItem(3), QString::number(-id));      // empty less the newer save
    EXPECT_EQ(Row(l, "datid")->SubItem(4), QStringLiteral("0"));       // the two saves
    EXPECT_EQ(Row(l, "datid")->SubItem(5), datid);                     // the oldest save
    EXPECT_EQ(Row(l, "datname")->SubItem(1), QStringLiteral("0"));
    EXPECT_TRUE(Row(l, "numbackends")->SubItems().last().startsWith(QStringLiteral("現在データベースに接続")));
    w->chkInc->click();
    ASSERT_FALSE(w->chkInc->isChecked());
    EXPECT_EQ(Row(l, "datid")->SubItem(1), datid);

    // "履歴数" 2: the two newest.
    w->txtLogCount->SetText(QStringLiteral("2"));
    Click(w->tolCmd, w->actRefresh);
    EXPECT_EQ(Titles(l).mid(3), (QStringList{"99/12/31 23:59", "99/01/01 00:00"}));
    // "履歴数" 0: no snapshot column; stored 0 reads back as 1.
    w->txtLogCount->SetText(QStringLiteral("0"));
    Click(w->tolCmd, w->actRefresh);
    EXPECT_EQ(l->ColumnCount(), 3);
    w->Close();
    ASSERT_TRUE(PollUntil([&] { return Open() != nullptr; }));
    w = Window(s.Form());
    l = w->lstDbStat;
    EXPECT_EQ(w->txtLogCount->Text(), QStringLiteral("1"));
    EXPECT_EQ(l->ColumnCount(), 4);

    // The picker offers every snapshot by date, oldest first; "削除(&D)"
    // deletes the ticked ones only and reloads.
    QStringList offered;
    QString caption;
    ModalSteps steps{{{QStringLiteral("frmStatList"), [&](QWidget *d) {
                           auto *dlg = static_cast<TfrmStatList *>(d);
                           caption = dlg->windowTitle();
                           for (int i = 0; i < dlg->lstLog->count(); ++i) {
                               offered << dlg->lstLog->item(i)->text();
                               EXPECT_EQ(dlg->lstLog->item(i)->checkState(), Qt::Unchecked);
                           }
                           dlg->lstLog->item(0)->setCheckState(Qt::Checked);
                           dlg->lstLog->item(3)->setCheckState(Qt::Checked);
                           dlg->btnDelete->click();
                       }}}};
    w->actDelete->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(caption, QStringLiteral("データベース統計履歴の削除"));
    EXPECT_EQ(offered, (QStringList{perform::FileNameToDate(files[0], database), perform::FileNameToDate(files[1], database),
                                    "99/01/01 00:00", "99/12/31 23:59"}));
    EXPECT_EQ(perform::SnapshotFiles(folder, database), (QStringList{files[1], File(QStringLiteral("209901010000"))}));
    EXPECT_EQ(Titles(l).mid(3), (QStringList{"99/01/01 00:00"}));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("DBSTAT") + database + QStringLiteral("2209912312359.log")));

    // Closing the picker deletes nothing.
    ModalSteps cancel{{CancelStep(QStringLiteral("frmStatList"))}};
    w->actDelete->trigger();
    EXPECT_TRUE(cancel.finished());
    EXPECT_EQ(perform::SnapshotFiles(folder, database).size(), 2);

    // A snapshot that cannot be written: the error, no completion message,
    // increments left off, the last save's time as it was.
    for (const QString &f : perform::SnapshotFiles(folder, database))
        QFile::remove(folder + f);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    {
        QFile blocker(folder.chopped(1));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    w->chkInc->click();
    ASSERT_TRUE(w->chkInc->isChecked());
    const QDateTime lastSave = LastAutoSave;
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actSave->trigger();
    EXPECT_FALSE(s.dialogs.texts().contains(QStringLiteral("保存が完了しました。")));
    EXPECT_EQ(s.dialogs.texts().size(), 2) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_FALSE(w->chkInc->isChecked());
    EXPECT_EQ(LastAutoSave, lastSave);
    QFile::remove(folder.chopped(1));
    w->Close();
}
// The database page as the user sees it: a counter with an explanation
// shows the row image, one without (sessions, checksum_failures) none, and
// the row numbers of both stand in one column: a row without an image keeps
// the image's room, as a list with images does.
TEST_F(PerformWindow, RowNumbersStandInOneColumnWithAndWithoutImage)
{
    TV_REQUIRE_DB(db);
    ASSERT_NE(Logon(true), nullptr);
    TfrmPerform *w = Open();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    TtvListView *l = w->lstDbStat;
    ASSERT_TRUE(PollUntil([&] { return l->isVisible() && l->ItemCount() > 0; }));
    // The rightmost dark pixel of a row's number, as painted.
    auto numberEnd = [&](const char *name) {
        TtvListItem *it = Row(l, QString::fromLatin1(name));
        if (!it)
            return -1;
        l->clearSelection();
        l->scrollToItem(it);
        QTest::qWait(0);
        const QRect r = l->visualItemRect(it).intersected(QRect(0, 0, l->columnWidth(0), l->viewport()->height()));
        const QImage image = l->viewport()->grab(r).toImage();
        int end = -1;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qGray(image.pixel(x, y)) < 128)
                    end = x;
        return end;
    };
    // Pairs of rows numbered with as many digits: one with an image, one without.
    const struct {
        const char *described, *other;
    } pairs[] = {{"blk_read_time", "checksum_failures"}, {"stats_reset", "sessions"}};
    for (const auto &p : pairs) {
        SCOPED_TRACE(std::string(p.described) + " / " + p.other);
        ASSERT_NE(Row(l, QString::fromLatin1(p.described)), nullptr);
        ASSERT_NE(Row(l, QString::fromLatin1(p.other)), nullptr);
        ASSERT_EQ(Row(l, QString::fromLatin1(p.described))->Caption().trimmed().size(),
                  Row(l, QString::fromLatin1(p.other))->Caption().trimmed().size());
        EXPECT_FALSE(Row(l, QString::fromLatin1(p.described))->icon(0).isNull());
        EXPECT_TRUE(Row(l, QString::fromLatin1(p.other))->icon(0).isNull());
        const int a = numberEnd(p.described), b = numberEnd(p.other);
        EXPECT_GT(a, 0);
        EXPECT_NEAR(a, b, 1);
    }
}
