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
#include "platform/db/Connection.h"
#include "platform/text/TextEncoding.h"

#include <QAction>
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
    perform::SaveSnapshot(folder, QStringLiteral("売上x"), at.addDays(-1), {"a"}, {"1"});
    // Another database whose name begins with this one's is listed too.
    EXPECT_EQ(perform::SnapshotFiles(folder, QStringLiteral("売上")),
              (QStringList{"DBSTAT売上202601020304.log", "DBSTAT売上20260102030401.log", "DBSTAT売上x202601010304.log"}));
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

template <class F>
bool PollUntil(F done, int ms = 60000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

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
    TfrmPerform *Open()
    {
        s.main->Action(QStringLiteral("actAdminPerform"))->trigger();
        return s.main->FindWindowOf<TfrmPerform>(QStringLiteral("パフォーマンス情報 - ") + s.Form()->ConnectionText(),
                                                 false);
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
    static QString Cell(TtvListView *l, int row, int col)
    {
        TtvListItem *it = l->Item(row);
        return col == 0 ? it->Caption() : it->SubItem(col - 1);
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
        ASSERT_NE(Logon(autoCommit), nullptr);
        TfrmPerform *w = Open();
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        EXPECT_EQ(w->pagStat->currentWidget(), w->tabDbStat);
        TtvListView *l = w->lstDbStat;
        EXPECT_EQ(l->Item(0)->Caption(), QStringLiteral("  1"));
        const std::string where = " FROM pg_stat_database WHERE datname = current_database()";
        for (const char *name : {"datname", "checksum_failures"})
            ASSERT_NE(Row(l, name), nullptr) << name;
        EXPECT_EQ(Row(l, "datname")->SubItem(1), db.params().database);
        EXPECT_EQ(Row(l, "checksum_failures")->SubItem(1).toStdString(),
                  db.scalar("SELECT checksum_failures::text" + where));
        ASSERT_NE(Row(l, "sessions"), nullptr);
        EXPECT_GT(Row(l, "sessions")->SubItem(1).toLongLong(), 0);
        // A counter with an explanation shows it below when selected.
        l->setCurrentItem(Row(l, "xact_commit"));
        EXPECT_TRUE(w->txtHint->Lines()->Text().startsWith(QStringLiteral("このデータベースの中でコミット")));
        EXPECT_TRUE(Row(l, "stats_reset")->SubItem(1).isEmpty() ||
                    QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                        .match(Row(l, "stats_reset")->SubItem(1))
                        .hasMatch());

        // The access page: columns of the view under their own titles.
        w->pagStat->setCurrentWidget(w->tabTblAcStat);
        TtvListView *ac = w->lstTblAcStat;
        const int ins = Column(ac, QStringLiteral("n_tup_ins"));
        for (const char *title : {"n_ins_since_vacuum", "autoanalyze_count", "last_vacuum"})
            EXPECT_GE(Column(ac, QString::fromLatin1(title)), 0) << title;
        EXPECT_EQ(Column(ac, QStringLiteral("ﾃｰﾌﾞﾙ名")), 2);
        ASSERT_GE(ins, 0);
        auto ordersRow = [&]() -> int {
            for (int r = 0; r < ac->ItemCount(); ++r)
                if (Cell(ac, r, 2) == QStringLiteral("orders"))
                    return r;
            return -1;
        };
        ASSERT_GE(ordersRow(), 0);
        const qint64 before = Cell(ac, ordersRow(), ins).toLongLong();
        {
            tv::db::ConnectionParams p;
            p.Server = db.params().host;
            p.Port = db.params().port.toInt();
            p.Database = db.params().database;
            p.User_Name = db.params().user;
            p.Password = db.params().password;
            tv::db::Connection other(p);
            other.Open();
            other.Exec(QStringLiteral("INSERT INTO orders SELECT generate_series(1, 5)"));
        }
        // The other session's counters reach the server as it ends.
        EXPECT_TRUE(PollUntil([&] {
            w->actRefresh->trigger();
            return ordersRow() >= 0 && Cell(ac, ordersRow(), ins).toLongLong() == before + 5;
        }));
        // The search narrows by name, whatever the case typed.
        w->txtFind->setText(QStringLiteral("ORDERS"));
        QTest::keyClick(w->txtFind, Qt::Key_Return);
        EXPECT_EQ(ac->ItemCount(), 1);
        w->txtFind->setText(QStringLiteral("nothing_like_it"));
        QTest::keyClick(w->txtFind, Qt::Key_Return);
        EXPECT_EQ(ac->ItemCount(), 0);
        w->Close();
        s.main.reset();
    }
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

    // No: nothing written.
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actSave->trigger();
    EXPECT_TRUE(perform::SnapshotFiles(folder, db.params().database).isEmpty());

    for (int i = 0; i < 2; ++i) {
        s.dialogs.queueButton(tv::ui::IDYES);
        w->actSave->trigger();
        EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("保存が完了しました。"));
    }
    const QStringList files = perform::SnapshotFiles(folder, db.params().database);
    ASSERT_EQ(files.size(), 2);
    const QString stem = QStringLiteral("DBSTAT") + db.params().database;
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(stem) + "\\d{12}\\.log$").match(files[0]).hasMatch())
        << files[0].toStdString();
    // A second save in the same minute takes "01".
    if (files[0].mid(stem.size(), 12) == files[1].mid(stem.size(), 12))
        EXPECT_EQ(files[1], files[0].left(files[0].size() - 4) + QStringLiteral("01.log"));
    QString text;
    ASSERT_TRUE(tv::text::ReadTextFile(folder + files[0], tv::text::Encoding::Ansi, &text));
    EXPECT_TRUE(text.startsWith(QStringLiteral("datid\t")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\ndatname\t") + db.params().database + QStringLiteral("\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), l->ItemCount());

    // Two snapshot columns, newest first, titled by date.
    ASSERT_EQ(l->ColumnCount(), 5);
    const QRegularExpression title("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d$");
    EXPECT_TRUE(title.match(l->headerItem()->text(3)).hasMatch()) << l->headerItem()->text(3).toStdString();
    EXPECT_EQ(l->headerItem()->text(3), perform::FileNameToDate(files[1], db.params().database));
    const QString name = db.params().database;
    EXPECT_EQ(Row(l, "datname")->SubItem(2), name);

    // Increments: current minus newest; a name counts as 0.
    TtvListItem *commits = Row(l, "xact_commit");
    const qint64 newest = commits->SubItem(2).toLongLong();
    const qint64 oldest = commits->SubItem(3).toLongLong();
    w->chkInc->setChecked(true);
    commits = Row(l, "xact_commit");
    EXPECT_EQ(Row(l, "datname")->SubItem(1), QStringLiteral("0"));
    EXPECT_EQ(commits->SubItem(2).toLongLong(), newest - oldest);
    EXPECT_EQ(commits->SubItem(3).toLongLong(), oldest);
    EXPECT_GE(commits->SubItem(1).toLongLong(), 0);
    w->chkInc->setChecked(false);

    // "履歴数" 0: no snapshot column; stored 0 reads back as 1.
    w->txtLogCount->SetText(QStringLiteral("0"));
    w->actRefresh->trigger();
    EXPECT_EQ(l->ColumnCount(), 3);
    w->Close();
    ASSERT_TRUE(PollUntil([&] { return Open() != nullptr; }));
    w = s.main->FindWindowOf<TfrmPerform>(QStringLiteral("パフォーマンス情報 - ") + s.Form()->ConnectionText(), false);
    EXPECT_EQ(w->txtLogCount->Text(), QStringLiteral("1"));
    EXPECT_EQ(w->lstDbStat->ColumnCount(), 4);

    // The picker deletes the ticked snapshot only and reloads.
    QStringList offered;
    ModalSteps steps{{{QStringLiteral("frmStatList"), [&](QWidget *d) {
                           auto *dlg = static_cast<TfrmStatList *>(d);
                           for (int i = 0; i < dlg->lstLog->count(); ++i)
                               offered << dlg->lstLog->item(i)->text();
                           dlg->lstLog->item(0)->setCheckState(Qt::Checked);
                           dlg->btnDelete->click();
                       }}}};
    w->actDelete->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(offered.size(), 2);
    EXPECT_EQ(perform::SnapshotFiles(folder, db.params().database), (QStringList{files[1]}));
    w->Close();
}
