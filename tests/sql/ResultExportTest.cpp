// The result frame's whole-result exports against the test server: the
// clipboard text, the options dialog and the workbook it writes, read back
// from the package.
#include "support/DbTestSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStringGrid.h"
#include "platform/db/Connection.h"
#include "platform/excel/Workbook.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ModalSteps.h"
#include "sql/ResultExport.h"
#include "sql/fraData.h"
#include "sql/frmXlsSQL.h"
#include "support/ScratchDir.h"
#include "support/TestDb.h"
#include "support/XlsxBook.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tv::db;
using tv::ui::ScriptedDialogs;
using tvtest::ModalSteps;
using tvtest::XlsxBook;

namespace {

using dbtest::paramsOf;

struct FakeHost : IDataFrameHost {
    THostKind kind = THostKind::SQL;
    TtvStringGrid *grid = nullptr;
    THostKind HostKind() const override { return kind; }
    const TtvStringGrid *ColumnGrid() const override { return grid; }
};

// Waits (generously) until the steps ran.
void WaitFor(const ModalSteps &steps)
{
    for (int i = 0; i < 3000 && !steps.finished(); ++i)
        QTest::qWait(10);
}

// Fills the dialog and presses a button.
ModalSteps::Step FillXls(const QString &file, const QString &row, int column, int direction, int title,
                         const char *button = "btnOk")
{
    return {QStringLiteral("frmXlsSQL"), [=](QWidget *w) {
                auto *d = static_cast<TfrmXlsSQL *>(w);
                d->txtSaveFile->setText(file);
                d->txtRow->setText(row);
                d->cmbColumn->setCurrentIndex(column);
                d->rdoExcel->Button(direction)->click();
                d->rdoExcelTitle->Button(title)->click();
                QTest::mouseClick(w->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
            }};
}

class ExportServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = tvOption;
        tvOption.TempDir = scratch.file(QStringLiteral("temp/"));
        tvOption.ExcelDir = scratch.path() + QLatin1Char('/');
        tvOption.ExcelExt = QStringLiteral(".XLSX");
        tvOption.ExcelDialog = false;
        tvOption.ExcelRefresh = false;
        tvOption.PasteDialog = false;
        tvOption.PasteTitle = tmColumnName;
        tvOption.UpdateToCommit = true;
        if (!db.available())
            return;
        conn = std::make_unique<Connection>(paramsOf(db));
        conn->Open();
        frame = std::make_unique<TfraData>(nullptr, &host);
        frame->resize(600, 300);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        conn.reset();
        tvOption = saved;
    }
    void open(const QString &sql, const QString &table = QStringLiteral("SQL"))
    {
        frame->SetConnection(conn.get());
        frame->SetTableName(table);
        frame->SetSQL(sql);
        frame->Prepare();
        frame->Open();
        QApplication::processEvents();
    }

    TtvOption saved;
    tvtest::ScratchDir scratch;
    ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    tvtest::TestDb db{"rexp"};
    std::unique_ptr<Connection> conn;
    FakeHost host;
    std::unique_ptr<TfraData> frame;
};

} // namespace

TEST(ResultExportText, QuotesValuesThatWouldBreakTheLayout)
{
    struct Case {
        QString value;
        QChar sep;
        QString expect;
    };
    const Case cases[] = {
        {QStringLiteral("plain"), u'\t', QStringLiteral("plain")},
        {QStringLiteral("a\tb"), u'\t', QStringLiteral("\"a\tb\"")},
        {QStringLiteral("x\r\ny"), u'\t', QStringLiteral("\"x\ny\"")},
        {QStringLiteral("x\ry\r\n"), u'\t', QStringLiteral("\"x\ny\n\"")},
        {QStringLiteral("say \"hi\""), u'\t', QStringLiteral("\"say \"\"hi\"\"\"")},
        {QStringLiteral("a,b"), u'\t', QStringLiteral("a,b")},
        // With the comma separator a comma inside a value keeps its column.
        {QStringLiteral("a,b"), u',', QStringLiteral("\"a,b\"")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(resexport::QuoteValue(c.value, c.sep), c.expect) << c.value.toStdString();
}

TEST(ResultExportText, RefusesLayoutsBeyondTheSheet)
{
    const QString cols = QStringLiteral("Excelの最大列数を超えているため、出力できません。");
    const QString rows = QStringLiteral("Excelの最大行数を超えているため、出力できません。");
    struct Case {
        int fields, records, top, left;
        bool horizontal, titled;
        QString expect;
    };
    const Case cases[] = {
        {16384, 1, 0, 0, false, true, QString()},
        {16385, 1, 0, 0, false, true, cols},
        {16384, 1, 0, 1, false, true, cols},
        {1, 1048575, 0, 0, false, true, QString()},
        {1, 1048576, 0, 0, false, true, rows},
        {1, 1048576, 0, 0, false, false, QString()},
        {1, 16383, 0, 0, true, true, QString()},
        {1, 16384, 0, 0, true, true, cols},
        {1, 16382, 0, 2, true, false, QString()},
        {1048577, 1, 0, 0, true, true, rows},
    };
    for (const Case &c : cases) {
        resexport::TXlsLayout l;
        l.top = c.top;
        l.left = c.left;
        l.horizontal = c.horizontal;
        if (c.titled)
            l.titles = QStringList{QStringLiteral("t")};
        EXPECT_EQ(resexport::CheckFits(c.fields, c.records, l), c.expect)
            << c.fields << " " << c.records << " " << c.horizontal;
    }
}

TEST_F(ExportServer, ClipboardTakesTheWholeResultQuoted)
{
    TV_REQUIRE_DB(db);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    open(QStringLiteral("select E'a\\tb' t, E'x\\r\\ny' n, 'say \"hi\"' q, '\\x0aff'::bytea b"));
    tvOption.PasteColumn = 1;
    tvOption.PasteDialog = true;
    // The dialog: titles on, comma box off.
    dialogs.queueButton(tv::ui::IDYES, {true, false});
    QTest::mouseClick(frame->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("t\tn\tq\tb\r\n\"a\tb\"\t\"x\ny\"\t\"say \"\"hi\"\"\"\t0AFF\r\n"));
    EXPECT_EQ(tvOption.PasteColumn, 0);
    ASSERT_GE(dialogs.calls().size(), 2);
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("結果をクリップボードにコピーしますか？"));
    EXPECT_EQ(dialogs.calls().last().text, QStringLiteral("クリップボードに出力しました。"));

    // No: nothing is copied.
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    dialogs.queueButton(tv::ui::IDNO);
    QTest::mouseClick(frame->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));

    // Comma separator, titles from the comment grid by position, NULL empty.
    TtvStringGrid grid;
    grid.SetColCount(7);
    grid.SetRowCount(3);
    grid.SetCells(6, 1, QStringLiteral("番号"));
    host.kind = IDataFrameHost::THostKind::Table;
    host.grid = &grid;
    tvOption.PasteDialog = false;
    tvOption.PasteColumn = 1;
    tvOption.PasteTitle = tmComment;
    open(QStringLiteral("select 1 as id, null::text as memo, 'a,b' as c"));
    QTest::mouseClick(frame->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("番号,memo,c\r\n1,,\"a,b\"\r\n"));

    // Titles off by the option but turned on in the dialog: display names.
    tvOption.PasteTitle = tmNone;
    tvOption.PasteDialog = true;
    dialogs.queueButton(tv::ui::IDYES, {true, true});
    QTest::mouseClick(frame->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("id,memo,c\r\n1,,\"a,b\"\r\n"));
}

TEST_F(ExportServer, WorkbookTitlesFromTheColumnGridByName)
{
    TV_REQUIRE_DB(db);
    // A table window's column grid: names in column 1, comments in column 6;
    // the last matching row wins and a missing comment keeps the name.
    TtvStringGrid grid;
    grid.SetColCount(7);
    grid.SetRowCount(4);
    grid.SetCells(1, 1, QStringLiteral("code"));
    grid.SetCells(6, 1, QStringLiteral("古い"));
    grid.SetCells(1, 2, QStringLiteral("id"));
    grid.SetCells(1, 3, QStringLiteral("code"));
    grid.SetCells(6, 3, QStringLiteral("コード"));
    host.kind = IDataFrameHost::THostKind::Table;
    host.grid = &grid;
    open(QStringLiteral("select 1 as id, 'x'::text as code"), QStringLiteral("t"));
    const QString file = scratch.file(QStringLiteral("c.xlsx"));
    ModalSteps steps({FillXls(file, QStringLiteral("1"), 0, 0, 1)});
    QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
    WaitFor(steps);
    ASSERT_TRUE(steps.finished());
    XlsxBook x;
    ASSERT_TRUE(x.open(file));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("id"));
    EXPECT_EQ(x.cell(1, 2).value, QStringLiteral("コード"));
    EXPECT_EQ(tvOption.ExcelTitle, tmComment);
}

TEST_F(ExportServer, WorkbookAtTheChosenCellInBothDirections)
{
    TV_REQUIRE_DB(db);
    open(QStringLiteral("select 1200.50::numeric(8,2) as amount, '007'::text as code, date '2024-03-04' as d "
                        "union all select 3, null, null"));
    const QString vertical = scratch.file(QStringLiteral("v.xlsx"));
    {
        ModalSteps steps({FillXls(vertical, QStringLiteral("3"), 1, 0, 0)});
        QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
        WaitFor(steps);
        ASSERT_TRUE(steps.finished());
    }
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    EXPECT_EQ(tvOption.ExcelTop, 2);
    EXPECT_EQ(tvOption.ExcelLeft, 1);
    XlsxBook v;
    ASSERT_TRUE(v.open(vertical));
    EXPECT_EQ(v.cell(3, 2).value, QStringLiteral("amount"));
    EXPECT_EQ(v.cell(3, 3).value, QStringLiteral("code"));
    EXPECT_EQ(v.cell(3, 4).value, QStringLiteral("d"));
    EXPECT_FALSE(v.cell(2, 2).exists);
    EXPECT_TRUE(v.cell(4, 2).isNumber());
    EXPECT_DOUBLE_EQ(v.cell(4, 2).number(), 1200.5);
    EXPECT_TRUE(v.cell(4, 3).isText());
    EXPECT_EQ(v.cell(4, 3).value, QStringLiteral("007"));
    EXPECT_EQ(v.cell(4, 3).format, QStringLiteral("@"));
    EXPECT_EQ(v.columnFormat(0, 3), QStringLiteral("@"));
    EXPECT_DOUBLE_EQ(v.cell(4, 4).number(), 45355);
    EXPECT_DOUBLE_EQ(v.cell(5, 2).number(), 3);
    EXPECT_FALSE(v.cell(5, 3).isText());
    EXPECT_EQ(v.extent(), std::make_pair(5, 4));

    const QString horizontal = scratch.file(QStringLiteral("h.xlsx"));
    {
        ModalSteps steps({FillXls(horizontal, QStringLiteral("3"), 2, 1, 0)});
        QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
        WaitFor(steps);
        ASSERT_TRUE(steps.finished());
    }
    XlsxBook h;
    ASSERT_TRUE(h.open(horizontal));
    EXPECT_EQ(h.cell(3, 3).value, QStringLiteral("amount"));
    EXPECT_EQ(h.cell(4, 3).value, QStringLiteral("code"));
    EXPECT_EQ(h.cell(5, 3).value, QStringLiteral("d"));
    EXPECT_DOUBLE_EQ(h.cell(3, 4).number(), 1200.5);
    EXPECT_EQ(h.cell(4, 4).value, QStringLiteral("007"));
    EXPECT_EQ(h.rowFormat(0, 4), QStringLiteral("@"));
    EXPECT_DOUBLE_EQ(h.cell(3, 5).number(), 3);
    EXPECT_EQ(h.extent(), std::make_pair(5, 5));

    // Without titles the records start at the start cell.
    const QString plain = scratch.file(QStringLiteral("p.xlsx"));
    {
        ModalSteps steps({FillXls(plain, QStringLiteral("1"), 0, 0, 2)});
        QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
        WaitFor(steps);
    }
    XlsxBook p;
    ASSERT_TRUE(p.open(plain));
    EXPECT_DOUBLE_EQ(p.cell(1, 1).number(), 1200.5);
}

TEST_F(ExportServer, DialogChecksRowFormAndTargetAndCancelKeepsOptions)
{
    TV_REQUIRE_DB(db);
    open(QStringLiteral("select 1 as x"));
    tvOption.ExcelTop = 4;
    tvOption.ExcelLeft = 3;
    tvOption.ExcelMode = 0;
    tvOption.ExcelTitle = tmColumnName;
    tvOption.ExcelSheet = QStringLiteral("S");
    const TtvOption before = tvOption;
    const QString file = scratch.file(QStringLiteral("d.xlsx"));

    // Rows out of range are refused and the dialog stays; Cancel then
    // leaves every option as it was and writes nothing.
    ModalSteps steps({{QStringLiteral("frmXlsSQL"), [&](QWidget *w) {
                           auto *d = static_cast<TfrmXlsSQL *>(w);
                           EXPECT_EQ(d->txtRow->text(), QStringLiteral("5"));
                           EXPECT_EQ(d->cmbColumn->currentText(), QStringLiteral("D"));
                           EXPECT_EQ(d->cmbColumn->count(), 256);
                           EXPECT_EQ(d->cmbColumn->itemText(255), QStringLiteral("IV"));
                           EXPECT_TRUE(d->chkRefresh->isEnabled());
                           d->txtSaveFile->setText(file);
                           d->rdoExcel->Button(1)->click();
                           d->txtSheet->setText(QStringLiteral("other"));
                           for (const QString row : {QStringLiteral("0"), QStringLiteral("65537"), QStringLiteral("x")}) {
                               d->txtRow->setText(row);
                               QTest::mouseClick(d->btnOk, Qt::LeftButton);
                               EXPECT_TRUE(d->isVisible());
                               EXPECT_EQ(dialogs.texts().last(),
                                         QStringLiteral("行は 1 ～ 65536 の範囲で指定して下さい。"));
                           }
                           d->txtRow->setText(QStringLiteral("65536"));
                           d->txtFormFile->setText(scratch.file(QStringLiteral("none.xlsx")));
                           QTest::mouseClick(d->btnOk, Qt::LeftButton);
                           EXPECT_TRUE(d->isVisible());
                           EXPECT_EQ(dialogs.texts().last(), scratch.file(QStringLiteral("none.xlsx")) +
                                                                 QStringLiteral(" が存在しません。"));
                           QTest::mouseClick(d->btnCancel, Qt::LeftButton);
                       }}});
    QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
    WaitFor(steps);
    ASSERT_TRUE(steps.finished());
    EXPECT_EQ(tvOption.ExcelTop, before.ExcelTop);
    EXPECT_EQ(tvOption.ExcelLeft, before.ExcelLeft);
    EXPECT_EQ(tvOption.ExcelMode, before.ExcelMode);
    EXPECT_EQ(tvOption.ExcelSheet, before.ExcelSheet);
    EXPECT_EQ(tvOption.ExcelForm, before.ExcelForm);
    EXPECT_FALSE(QFile::exists(file));

    // An existing target asks first; No keeps the dialog and the old file.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("OLD");
    }
    dialogs.clear();
    dialogs.queueButton(tv::ui::IDNO);
    ModalSteps again({{QStringLiteral("frmXlsSQL"), [&](QWidget *w) {
                           auto *d = static_cast<TfrmXlsSQL *>(w);
                           d->txtSaveFile->setText(file);
                           QTest::mouseClick(d->btnOk, Qt::LeftButton);
                           EXPECT_TRUE(d->isVisible());
                           EXPECT_EQ(dialogs.calls().last().text,
                                     file + QStringLiteral(" はすでに存在します。\r\n上書きしますか？"));
                           EXPECT_EQ(dialogs.calls().last().flags & tv::ui::MB_DEFMASK, tv::ui::MB_DEFBUTTON2);
                           QTest::mouseClick(d->btnCancel, Qt::LeftButton);
                       }}});
    QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
    WaitFor(again);
    ASSERT_TRUE(again.finished());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("OLD"));
}

TEST_F(ExportServer, SaveDialogModeUnwritableTargetAndFormFile)
{
    TV_REQUIRE_DB(db);
    open(QStringLiteral("select 1 as x"), QStringLiteral("tab/le"));
    tvOption.ExcelDialog = true;
    // The proposed name: the folder, the table name made safe, the extension.
    dialogs.queuePath(QString());
    QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].file.fileName, scratch.path() + QStringLiteral("/table.XLSX"));

    // A target that cannot be written shows the failure; the old file stays.
    const QString blocked = scratch.file(QStringLiteral("file.txt"));
    {
        QFile f(blocked);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("OLD");
    }
    dialogs.queuePath(blocked + QStringLiteral("/x.xlsx"));
    QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().last().contains(QStringLiteral("x.xlsx"))) << dialogs.texts().last().toStdString();
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("OLD"));
}
