// The result grid frame against the test server, driven as a user would:
// editing and its commit rules, sorting and the record limit, NULL and bytes
// painting, aggregates, deleting, the cell editors and the column widths.
#include "support/DbTestSupport.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/ui/ScriptedDialogs.h"
#include "sql/fraData.h"
#include "sql/frmLob.h"
#include "sql/frmMemo.h"
#include "support/ScratchDir.h"
#include "support/TestDb.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tv::db;
using tv::ui::ScriptedDialogs;

namespace {

using dbtest::paramsOf;

struct FakeHost : IDataFrameHost {
    THostKind kind = THostKind::SQL;
    QString records;
    THostKind HostKind() const override { return kind; }
    QString RecordCountText() const override { return records; }
};

// Runs `work` on the next modal dialog as soon as it is shown.
template <class Dlg>
void OnNextModal(std::function<void(Dlg *)> work)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [work, poll] {
        if (auto *d = qobject_cast<Dlg *>(QApplication::activeModalWidget())) {
            work(d);
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

class FrameServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = tvOption;
        tvOption.TempDir = scratch.file(QStringLiteral("temp/"));
        tvOption.UpdateMode = true;
        tvOption.UpdateToCommit = true;
        tvOption.AddStripe = true;
        tvOption.DataShowMode = 0;
        if (!db.available())
            return;
        db.exec("CREATE TABLE t(id int PRIMARY KEY, name text UNIQUE, amount int, none int, bin bytea,"
                " d date);"
                "INSERT INTO t VALUES (1,'one',10,NULL,'\\x0aff','2024-01-02'),(2,'two',20,NULL,NULL,NULL),"
                "(3,'three',30,NULL,'\\x',NULL);");
        conn = std::make_unique<Connection>(paramsOf(db));
        conn->Open();
        frame = std::make_unique<TfraData>(nullptr, &host);
        frame->resize(900, 400);
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        frame.reset();
        conn.reset();
        tvOption = saved;
    }
    void open(const QString &sql, const QString &table = QString())
    {
        frame->SetConnection(conn.get());
        frame->SetTableName(table);
        frame->SetSQL(sql);
        frame->Prepare();
        frame->Open();
        QApplication::processEvents();
    }
    QPoint cell(int record, int column) const { return frame->grdData1->CellRect(record, column).center(); }
    QPoint title(int column) const
    {
        return {frame->grdData1->CellRect(0, column).center().x(), frame->grdData1->TitleExtent() / 2};
    }
    void click(const QPoint &p, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mouseClick(frame->grdData1->viewport(), Qt::LeftButton, mods, p);
        QApplication::processEvents();
    }
    QStringList lines() const { return frame->qryData.SQL().split(QLatin1Char('\n')); }

    TtvOption saved;
    tvtest::ScratchDir scratch;
    ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    tvtest::TestDb db{"frame"};
    std::unique_ptr<Connection> conn;
    FakeHost host;
    std::unique_ptr<TfraData> frame;
};

} // namespace

TEST_F(FrameServer, AnEditIsSeenByOthersAtOnceOnlyWithUpdateToCommit)
{
    TV_REQUIRE_DB(db);
    for (const bool commitEach : {true, false}) {
        SCOPED_TRACE(commitEach);
        db.exec("UPDATE t SET name = 'two' WHERE id = 2");
        tvOption.UpdateToCommit = commitEach;
        conn->SetAutoCommit(commitEach);
        open(QStringLiteral("SELECT id, name FROM t"));
        ASSERT_TRUE(frame->btnUpdate->isChecked());
        ASSERT_TRUE(frame->dsrTableData.CanModify());
        int row = 0; // the record of id 2 (the rows come in the table's order)
        while (row < frame->dsrTableData.RecordCount() && frame->dsrTableData.Text(row, 0) != u"2")
            ++row;
        ASSERT_LT(row, 3);
        click(cell(row, 1));
        frame->grdData1->InplaceEditor()->selectAll();
        QTest::keyClicks(frame->grdData1->InplaceEditor(), QStringLiteral("zwei"));
        QTest::keyClick(frame->grdData1->InplaceEditor(), Qt::Key_Down);
        EXPECT_TRUE(dialogs.calls().isEmpty()) << dialogs.texts().join(u'\n').toStdString();
        EXPECT_NE(frame->dsrTableData.State(), DataSetState::Edit);
        EXPECT_EQ(db.scalar("SELECT name FROM t WHERE id = 2"), commitEach ? "zwei" : "two");
        if (!commitEach) {
            EXPECT_EQ(conn->Commit(), CommitResult::Committed);
            EXPECT_EQ(db.scalar("SELECT name FROM t WHERE id = 2"), "zwei");
        }
    }
}

TEST_F(FrameServer, EditToggleUpIsReadOnlyAndAJoinRefusesEditMode)
{
    TV_REQUIRE_DB(db);
    frame->btnUpdate->setChecked(false);
    open(QStringLiteral("SELECT id, name FROM t ORDER BY id"));
    EXPECT_FALSE(frame->dsrTableData.CanModify());
    EXPECT_FALSE(frame->btnIns->isEnabled());
    EXPECT_FALSE(frame->btnDel->isEnabled());
    EXPECT_TRUE(frame->btnFirst->isEnabled());
    frame->btnUpdate->click();
    EXPECT_TRUE(frame->dsrTableData.CanModify());
    EXPECT_TRUE(frame->btnIns->isEnabled());

    open(QStringLiteral("SELECT id, name || '!' FROM t"));
    frame->btnUpdate->setChecked(false);
    frame->btnUpdate->click(); // down again: the result cannot be written
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls().at(0).text, QStringLiteral("この結果セットには書き込み出来ません。"));
    EXPECT_EQ(dialogs.calls().at(0).flags, tv::ui::MB_ICONWARNING);
    EXPECT_FALSE(frame->btnUpdate->isChecked());
    EXPECT_FALSE(frame->btnIns->isEnabled());
}

TEST_F(FrameServer, TitleClicksSortAndTheRecordLimitComesLast)
{
    TV_REQUIRE_DB(db);
    host.kind = IDataFrameHost::THostKind::Table;
    for (const QString &records : {QString(), QStringLiteral("100")}) {
        SCOPED_TRACE(records.toStdString());
        host.records = records;
        open(QStringLiteral("SELECT id, name FROM t;"));
        click(title(1));
        EXPECT_EQ(frame->Sort(), QStringLiteral("2"));
        EXPECT_FALSE(frame->Desc());
        click(title(1));
        QStringList l = lines();
        if (records.isEmpty()) {
            EXPECT_EQ(l.last(), QStringLiteral(" ORDER BY 2 DESC"));
        } else {
            EXPECT_EQ(l.last(), QStringLiteral("LIMIT 100"));
            EXPECT_EQ(l.at(l.size() - 2), QStringLiteral(" ORDER BY 2 DESC"));
        }
        EXPECT_EQ(l.first(), QStringLiteral("SELECT id, name FROM t"));
        EXPECT_EQ(frame->dsrTableData.Text(0, 1), QStringLiteral("two")); // two, three, one
        click(title(1));
        l = lines();
        EXPECT_EQ(l.at(records.isEmpty() ? l.size() - 1 : l.size() - 2), QStringLiteral(" ORDER BY 2"));
        EXPECT_EQ(frame->dsrTableData.Text(0, 1), QStringLiteral("one"));
        // Another title starts ascending.
        click(title(0));
        EXPECT_EQ(frame->Sort(), QStringLiteral("1"));
        EXPECT_FALSE(frame->Desc());
        EXPECT_TRUE(frame->qryData.SQL().contains(QStringLiteral("\n ORDER BY 1")));
    }
    host.records = QStringLiteral("2");
    open(QStringLiteral("SELECT id FROM t"));
    EXPECT_EQ(frame->dsrTableData.RecordCount(), 2);
}

TEST_F(FrameServer, SortingKeepsParametersAndLeavesAnExistingOrderAlone)
{
    TV_REQUIRE_DB(db);
    frame->SetConnection(conn.get());
    frame->SetSQL(QStringLiteral("SELECT id, name FROM t WHERE name <> ';' AND amount > :lo order by id"));
    frame->Prepare();
    frame->qryData.ParamByName(QStringLiteral("lo")).setAsInteger(15);
    frame->Open();
    ASSERT_EQ(frame->dsrTableData.RecordCount(), 2);
    click(title(1));
    click(title(1));
    EXPECT_TRUE(frame->Desc());
    EXPECT_FALSE(frame->qryData.SQL().contains(QStringLiteral("ORDER BY")));
    EXPECT_EQ(frame->dsrTableData.RecordCount(), 2);
    EXPECT_EQ(frame->dsrTableData.Text(0, 0), QStringLiteral("2"));
}

TEST_F(FrameServer, NullIsBlueBytesAreHexAndCtrlZeroSetsNull)
{
    TV_REQUIRE_DB(db);
    open(QStringLiteral("SELECT id, name, bin, none FROM t ORDER BY id"));
    const auto look = frame->CellLook(0, 2, false);
    EXPECT_EQ(look.text, QStringLiteral("0AFF"));
    EXPECT_FALSE(look.right);
    const auto nul = frame->CellLook(1, 2, false);
    EXPECT_TRUE(nul.null);
    EXPECT_EQ(nul.text, QStringLiteral("(NULL)"));
    EXPECT_TRUE(frame->CellLook(0, 0, false).right);
    tvOption.DataShowMode = 2;
    EXPECT_TRUE(frame->CellLook(1, 2, true).right);
    tvOption.DataShowMode = 1;
    EXPECT_FALSE(frame->CellLook(0, 0, true).right);
    tvOption.DataShowMode = 0;

    // The NULL marker is painted in blue.
    const QImage shot = frame->grdData1->viewport()->grab().toImage();
    const QRect r = frame->grdData1->CellRect(1, 3);
    int blue = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.blue() > 180 && c.red() < 90 && c.green() < 90)
                ++blue;
        }
    EXPECT_GT(blue, 5);

    click(cell(2, 1));
    QTest::keyClick(frame->grdData1->InplaceEditor(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.calls().isEmpty());
    EXPECT_EQ(frame->dsrTableData.State(), DataSetState::Edit);
    EXPECT_TRUE(frame->dsrTableData.FieldIsNull(1));
    QTest::keyClick(frame->grdData1->InplaceEditor(), Qt::Key_Up);
    EXPECT_EQ(db.scalar("SELECT coalesce(name, 'null') FROM t WHERE id = 3"), "null");
}

// The frame shows one query: a text that holds a second statement (a
// condition typed with one, say) is refused, with or without a row limit or
// a sort order, and nothing in it runs.
TEST_F(FrameServer, ATextOfSeveralStatementsIsRefusedAndNothingRuns)
{
    TV_REQUIRE_DB(db);
    host.kind = FakeHost::THostKind::Table;
    for (const QString &count : {QString(), QStringLiteral("2")}) {
        SCOPED_TRACE(count.toStdString());
        host.records = count;
        EXPECT_THROW(open(QStringLiteral("SELECT * FROM t WHERE 1 = 1; DELETE FROM t")), tv::db::DbError);
        EXPECT_FALSE(frame->Active());
        EXPECT_EQ(db.scalar("select count(*) from t"), "3");
    }
}

TEST_F(FrameServer, AggregatesBindParametersAndReportNullsAndFailures)
{
    TV_REQUIRE_DB(db);
    open(QStringLiteral("SELECT id, name, amount, none FROM t;"));
    click(cell(0, 2));
    frame->popColumnPopup();
    frame->mnuSum->trigger();
    frame->mnuCount->trigger();
    frame->mnuMax->trigger();
    click(cell(0, 3));
    frame->popColumnPopup();
    frame->mnuSum->trigger();
    ASSERT_EQ(dialogs.calls().size(), 4);
    EXPECT_EQ(dialogs.calls().at(0).text, QStringLiteral("\"amount\"列の合計 = 60"));
    EXPECT_EQ(dialogs.calls().at(0).flags, tv::ui::MB_OK);
    EXPECT_EQ(dialogs.calls().at(1).text, QStringLiteral("\"amount\"列の件数 = 3"));
    EXPECT_EQ(dialogs.calls().at(2).text, QStringLiteral("\"amount\"列の最大 = 30"));
    EXPECT_EQ(dialogs.calls().at(3).text, QStringLiteral("レコードがありません"));
    EXPECT_EQ(dialogs.calls().at(3).flags, tv::ui::MB_ICONWARNING);

    // With a parameter, inside an open transaction; a failing aggregate
    // leaves the transaction usable.
    dialogs.clear();
    conn->SetAutoCommit(false);
    conn->Exec(QStringLiteral("UPDATE t SET amount = 11 WHERE id = 1"));
    frame->SetSQL(QStringLiteral("SELECT id, name, amount FROM t WHERE amount > :lo;"));
    frame->Prepare();
    frame->qryData.ParamByName(QStringLiteral("lo")).setAsInteger(10);
    frame->Open();
    click(cell(0, 2));
    frame->popColumnPopup();
    frame->mnuSum->trigger();
    click(cell(0, 1));
    frame->popColumnPopup();
    frame->mnuAverage->trigger(); // AVG(text) fails on the server
    ASSERT_EQ(dialogs.calls().size(), 2);
    EXPECT_EQ(dialogs.calls().at(0).text, QStringLiteral("\"amount\"列の合計 = 61"));
    EXPECT_EQ(dialogs.calls().at(1).text, QStringLiteral("集計情報を求めることができません。"));
    EXPECT_EQ(dialogs.calls().at(1).flags, tv::ui::MB_ICONWARNING);
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT amount FROM t WHERE id = 1")), QStringLiteral("11"));
}

TEST_F(FrameServer, DeletingSelectedRecordsRereadsAndAFailedPostStaysInEdit)
{
    TV_REQUIRE_DB(db);
    open(QStringLiteral("SELECT id, name FROM t ORDER BY id"));
    const int ind = frame->grdData1->IndicatorExtent() / 2;
    click(QPoint(ind, cell(0, 0).y()));
    click(QPoint(ind, cell(2, 0).y()), Qt::ControlModifier);
    ASSERT_EQ(frame->grdData1->SelectedRows().Count(), 2);
    db.exec("INSERT INTO t(id, name) VALUES (4, 'four')"); // seen only when read again
    dialogs.queueButton(tv::ui::IDOK);
    QTest::mouseClick(frame->btnDel, Qt::LeftButton);
    ASSERT_GE(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls().at(0).text, QStringLiteral("レコードを削除しますか？"));
    EXPECT_EQ(dialogs.calls().at(0).flags, tv::ui::MB_OKCANCEL | tv::ui::MB_ICONQUESTION);
    EXPECT_EQ(db.scalar("SELECT string_agg(id::text, ',' ORDER BY id) FROM t"), "2,4");
    ASSERT_EQ(frame->dsrTableData.RecordCount(), 2);
    EXPECT_EQ(frame->dsrTableData.Text(1, 1), QStringLiteral("four"));

    // Cancel deletes nothing; no selection deletes the current record only.
    dialogs.clear();
    dialogs.queueButton(tv::ui::IDCANCEL);
    frame->btnDelClick();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t"), "2");

    // A unique violation: the server's text, the row in edit with its
    // values, the transaction still usable.
    conn->SetAutoCommit(false);
    tvOption.UpdateToCommit = false;
    dialogs.clear();
    click(cell(1, 1));
    frame->grdData1->InplaceEditor()->selectAll();
    QTest::keyClicks(frame->grdData1->InplaceEditor(), QStringLiteral("two"));
    QTest::keyClick(frame->grdData1->InplaceEditor(), Qt::Key_Up);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().at(0).text.startsWith(QStringLiteral("ERROR: "))) << dialogs.calls().at(0).text.toStdString();
    EXPECT_TRUE(dialogs.calls().at(0).text.contains(QStringLiteral("t_name_key")));
    EXPECT_EQ(frame->dsrTableData.State(), DataSetState::Edit);
    EXPECT_EQ(frame->dsrTableData.FieldText(1), QStringLiteral("two"));
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
    frame->dsrTableData.Cancel();

    dialogs.clear();
    dialogs.queueButton(tv::ui::IDOK);
    frame->grdData1->SelectedRows().Clear();
    frame->dsrTableData.SetRecNo(0);
    frame->btnDelClick();
    EXPECT_EQ(frame->dsrTableData.RecordCount(), 1);
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT string_agg(id::text, ',') FROM t")), QStringLiteral("4"));
    conn->Rollback();
}

TEST_F(FrameServer, LongTextOpensInTheMemoDialogAndSavesBack)
{
    TV_REQUIRE_DB(db);
    db.exec("UPDATE t SET name = E'line 1\\nline 2' WHERE id = 1");
    open(QStringLiteral("SELECT id, name FROM t ORDER BY id"));
    click(cell(0, 1));
    ASSERT_TRUE(frame->grdData1->EditButton()->isVisible());
    bool nullShown = false;
    QString seen;
    OnNextModal<TfrmMemo>([&](TfrmMemo *d) {
        nullShown = d->chkNull->isVisibleTo(d);
        seen = d->txtComment->Lines()->Text();
        d->txtComment->Lines()->SetText(QStringLiteral("first\r\nsecond"));
        d->btnOk->click();
    });
    QTest::mouseClick(frame->grdData1->EditButton(), Qt::LeftButton);
    EXPECT_TRUE(nullShown);
    EXPECT_TRUE(seen.startsWith(QStringLiteral("line 1"))) << seen.toStdString();
    EXPECT_EQ(frame->dsrTableData.State(), DataSetState::Edit);
    frame->dsrTableData.Post();
    EXPECT_EQ(db.scalar("SELECT name FROM t WHERE id = 1"), "first\nsecond");

    // The NULL box sets NULL; Cancel changes nothing.
    OnNextModal<TfrmMemo>([](TfrmMemo *d) {
        d->chkNull->setChecked(true);
        d->btnOk->click();
    });
    QTest::mouseDClick(frame->grdData1->viewport(), Qt::LeftButton, Qt::NoModifier, cell(1, 1));
    EXPECT_EQ(frame->dsrTableData.RecNo(), 1);
    EXPECT_TRUE(frame->dsrTableData.FieldIsNull(1));
    EXPECT_EQ(frame->dsrTableData.State(), DataSetState::Edit);
    frame->dsrTableData.Post();
    EXPECT_EQ(db.scalar("SELECT coalesce(name, 'null') FROM t WHERE id = 2"), "null");
    OnNextModal<TfrmMemo>([](TfrmMemo *d) { d->btnCancel->click(); });
    frame->dsrTableData.SetRecNo(2);
    frame->grdData1EditButtonClick();
    EXPECT_EQ(frame->dsrTableData.State(), DataSetState::Browse);
}

TEST_F(FrameServer, PngByteaOpensOnTheImagePageReadOnlyInTheSqlWindow)
{
    TV_REQUIRE_DB(db);
    QImage img(5, 4, QImage::Format_RGB32);
    img.fill(Qt::green);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    db.exec("UPDATE t SET bin = '\\x" + png.toHex().toStdString() + "' WHERE id = 2");
    for (const auto kind : {IDataFrameHost::THostKind::Table, IDataFrameHost::THostKind::SQL}) {
        host.kind = kind;
        open(QStringLiteral("SELECT id, bin FROM t ORDER BY id"));
        QString page;
        bool okEnabled = true;
        OnNextModal<TfrmLob>([&](TfrmLob *d) {
            page = d->pagData->tabText(d->pagData->currentIndex());
            okEnabled = d->btnOk->isEnabled();
            d->btnCancel->click();
        });
        QTest::mouseDClick(frame->grdData1->viewport(), Qt::LeftButton, Qt::NoModifier, cell(1, 1));
        EXPECT_EQ(page, QStringLiteral("画像"));
        EXPECT_EQ(okEnabled, kind == IDataFrameHost::THostKind::Table);
    }
    // OK on the binary page after loading a file stores the file's bytes.
    host.kind = IDataFrameHost::THostKind::Table;
    open(QStringLiteral("SELECT id, bin FROM t ORDER BY id"));
    QFile f(scratch.file(QStringLiteral("data.bin")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x00\x01\x02zz", 5));
    f.close();
    OnNextModal<TfrmLob>([&](TfrmLob *d) {
        dialogs.queuePath(f.fileName());
        d->btnLoadFromFile->click();
        d->btnOk->click();
    });
    click(cell(0, 1));
    frame->grdData1EditButtonClick();
    frame->dsrTableData.Post();
    EXPECT_EQ(db.scalar("SELECT encode(bin, 'hex') FROM t WHERE id = 1"), "0001027a7a");
}

TEST_F(FrameServer, ColumnWidthsAreKeptPerTableInTheWorkFolder)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE w(id int PRIMARY KEY, \"a/b\" text, long_text_column_name_here text)");
    host.kind = IDataFrameHost::THostKind::Table;
    tvOption.DataColWidthV = 4;
    const int cap = QFontMetrics(frame->grdData1->font()).horizontalAdvance(QStringLiteral("AAAA"));
    open(QStringLiteral("SELECT id, \"a/b\", long_text_column_name_here FROM w"), QStringLiteral("public.w"));
    EXPECT_LE(frame->grdData1->ColumnWidth(2), cap);
    frame->grdData1->SetColumnWidth(1, 123);
    frame->grdData2->SetDefaultColWidth(77);
    frame->Close();
    const QString file = tvOption.TempDir + QStringLiteral("public.w.ini");
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly)) << file.toStdString();
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[COLWIDTH_V]")));
    EXPECT_TRUE(text.contains(QStringLiteral("a/b=123")));
    EXPECT_TRUE(text.contains(QStringLiteral("[COLWIDTH_H]")));
    EXPECT_TRUE(text.contains(QStringLiteral("(ALL)=77")));
    frame->grdData2->SetDefaultColWidth(40);
    frame->Open();
    EXPECT_EQ(frame->grdData1->ColumnWidth(1), 123);
    EXPECT_EQ(frame->grdData2->DefaultColWidth(), 77);

    // Not a table window: capped, nothing written.
    host.kind = IDataFrameHost::THostKind::SQL;
    open(QStringLiteral("SELECT id, long_text_column_name_here FROM w"), QStringLiteral("SQL"));
    EXPECT_LE(frame->grdData1->ColumnWidth(1), cap);
    frame->Close();
    EXPECT_FALSE(QFile::exists(tvOption.TempDir + QStringLiteral("SQL.ini")));

    // 100 columns or more: neither capped nor kept.
    host.kind = IDataFrameHost::THostKind::Table;
    QString cols;
    for (int i = 0; i < 100; ++i)
        cols += QStringLiteral(", very_long_column_name_%1 int").arg(i);
    db.exec(("CREATE TABLE wide(id int PRIMARY KEY" + cols + ")").toStdString());
    open(QStringLiteral("SELECT * FROM wide"), QStringLiteral("public.wide"));
    EXPECT_GT(frame->grdData1->ColumnWidth(1), cap);
    frame->Close();
    EXPECT_FALSE(QFile::exists(tvOption.TempDir + QStringLiteral("public.wide.ini")));
}
