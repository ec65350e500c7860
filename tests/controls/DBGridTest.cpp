// The data grids over an in-memory data set: record text, paste, copy,
// selection by mouse and keys, deletion questions, appending and the
// transposed layout.
#include "common/tvOption.h"
#include "controls/tvDBGridH.h"
#include "controls/tvDBGridRecordText.h"
#include "controls/tvDBGridV.h"
#include "platform/Errors.h"
#include "platform/db/MemResultSet.h"
#include "platform/ui/ScriptedDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>
#include <iterator>

using namespace tv::grid;
using tv::db::DataSet;
using tv::db::DataSetState;
using tv::db::FieldDesc;
using tv::db::FieldKind;
using tv::db::MemResultSet;

namespace {

std::shared_ptr<MemResultSet> textRows(int fields, int rows)
{
    std::vector<FieldDesc> defs;
    for (int f = 0; f < fields; ++f) {
        FieldDesc d;
        d.name = QStringLiteral("f%1").arg(f);
        d.kind = FieldKind::Text;
        defs.push_back(d);
    }
    auto m = std::make_shared<MemResultSet>(defs);
    for (int r = 0; r < rows; ++r) {
        QVariantList v;
        for (int f = 0; f < fields; ++f)
            v << QStringLiteral("r%1c%2").arg(r).arg(f);
        m->appendRow(v);
    }
    return m;
}

const TDBGridOptions kFrameOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColumnResize |
                                     dgColLines | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit |
                                     dgMultiSelect;

template <typename Grid>
struct GridFixture {
    DataSet ds;
    Grid grid;
    explicit GridFixture(std::shared_ptr<MemResultSet> rows)
    {
        ds.Open(std::move(rows));
        grid.SetOptions(kFrameOptions);
        grid.SetDataSet(&ds);
        grid.resize(600, 400);
        grid.show();
        QApplication::processEvents();
    }
    QPoint cell(int record, int item) { return grid.CellRect(record, item).center(); }
    void click(int record, int item, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, mods, cell(record, item));
    }
    // Values of every record, fields joined by "|".
    QStringList records() const
    {
        QStringList out;
        for (int r = 0; r < ds.RecordCount(); ++r) {
            QStringList f;
            for (int c = 0; c < ds.FieldCount(); ++c)
                f << (ds.IsNull(r, c) ? QStringLiteral("<null>") : ds.Text(r, c));
            out << f.join(QLatin1Char('|'));
        }
        return out;
    }
};

QString clip()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace

TEST(DBGridRecordText, QuotesOnlySpecialValuesAndParsesThemBack)
{
    EXPECT_EQ(QuoteRecordValue(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(QuoteRecordValue(QStringLiteral("b\r\nc")), QStringLiteral("\"b\nc\""));
    EXPECT_EQ(QuoteRecordValue(QStringLiteral("a\rb")), QStringLiteral("\"a\nb\""));
    EXPECT_EQ(QuoteRecordValue(QStringLiteral("d\"e")), QStringLiteral("\"d\"\"e\""));
    EXPECT_TRUE(IsRecordText(QStringLiteral("1\t2")));
    EXPECT_TRUE(IsRecordText(QStringLiteral("1\r\n")));
    EXPECT_FALSE(IsRecordText(QStringLiteral("abc")));
    // A doubled quote inside a quoted value neither ends it nor lets a later
    // TAB or line break split it.
    const auto recs = ParseRecordText(QStringLiteral("\"x\"\"y\tz\nw\"\tq\r\n"));
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0], (QStringList{QStringLiteral("x\"y\tz\nw"), QStringLiteral("q")}));
}

struct PasteCase {
    const char *name;
    int fields;
    QString text;
    QStringList records; // posted records, then the empty inserted one
};

class DBGridPaste : public ::testing::TestWithParam<PasteCase> {};

TEST_P(DBGridPaste, GivesTheListedValuesAndEndsOnAnEmptyInsertedRecord)
{
    const PasteCase &c = GetParam();
    GridFixture<TtvDBGridV> g(textRows(c.fields, 0));
    QGuiApplication::clipboard()->setText(c.text);
    g.grid.PasteFromClipboard();
    EXPECT_EQ(g.ds.State(), DataSetState::Insert);
    EXPECT_FALSE(g.ds.Modified());
    QStringList expected = c.records;
    expected << QStringList(c.fields, QStringLiteral("<null>")).join(QLatin1Char('|'));
    EXPECT_EQ(g.records(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DBGridPaste,
    ::testing::Values(
        PasteCase{"NoLineEnd", 3, QStringLiteral("1\t2"), {QStringLiteral("1|2|<null>")}},
        PasteCase{"ExtraValuesDropped", 2, QStringLiteral("a\tb\tc\td\r\n"), {QStringLiteral("a|b")}},
        PasteCase{"QuotedTab", 2, QStringLiteral("\"x\ty\"\tz\r\n"), {QStringLiteral("x\ty|z")}},
        PasteCase{"DoubledQuote", 1, QStringLiteral("\"a\"\"b\"\r\n"), {QStringLiteral("a\"b")}},
        PasteCase{"LfOnly", 1, QStringLiteral("a\nb\n"), {QStringLiteral("a"), QStringLiteral("b")}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DBGrid, PlainTextPastesIntoTheCell)
{
    GridFixture<TtvDBGridV> g(textRows(2, 2));
    g.click(0, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    g.grid.InplaceEditor()->setText(QString());
    g.grid.PasteFromClipboard();
    EXPECT_EQ(g.grid.InplaceEditor()->text(), QStringLiteral("abc"));
    EXPECT_EQ(g.ds.RecordCount(), 2);
    EXPECT_EQ(g.ds.State(), DataSetState::Edit);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(g.ds.Text(0, 1), QStringLiteral("abc"));
}

TEST(DBGrid, CopyOfRecordsUsesTheRecordTextAndPastesBackWhole)
{
    auto rows = textRows(3, 0);
    rows->appendRow({QStringLiteral("a"), QStringLiteral("b\r\nc"), QStringLiteral("d\"e")});
    rows->appendRow({QStringLiteral("a"), QStringLiteral("b\r\nc"), QStringLiteral("d\"e")});
    GridFixture<TtvDBGridV> g(rows);
    const QString line = QStringLiteral("a\t\"b\nc\"\t\"d\"\"e\"");
    // The indicator of record 0: one whole record, no line end.
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(5, g.grid.CellRect(0, 0).center().y()));
    ASSERT_EQ(g.grid.SelectedRows().Count(), 1);
    EXPECT_TRUE(TtvDBGridV::SelectWholeRecordsV);
    g.grid.CopyRecords();
    EXPECT_EQ(clip(), line);
    // Both records: each line ends in CR LF.
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(5, g.grid.CellRect(1, 0).center().y()));
    ASSERT_EQ(g.grid.SelectedRows().Count(), 2);
    g.grid.CopyRecords();
    EXPECT_EQ(clip(), line + QStringLiteral("\r\n") + line + QStringLiteral("\r\n"));

    GridFixture<TtvDBGridV> back(textRows(3, 0));
    back.grid.PasteFromClipboard();
    EXPECT_EQ(back.ds.Text(0, 0), QStringLiteral("a"));
    EXPECT_EQ(back.ds.Text(0, 1), QStringLiteral("b\nc"));
    EXPECT_EQ(back.ds.Text(0, 2), QStringLiteral("d\"e"));
    EXPECT_EQ(back.ds.RecordCount(), 3);
}

TEST(DBGrid, ClosedDataSetAndNoFields)
{
    DataSet ds;
    TtvDBGridV grid;
    grid.SetDataSet(&ds);
    try {
        (void)grid.SelectedRows().CurrentRowSelected();
        FAIL() << "no error";
    } catch (const tv::Error &e) {
        EXPECT_EQ(e.text(), QStringLiteral("データセットは閉じているため, この操作は実行できません"));
    }
    EXPECT_EQ(grid.ColumnCount(), 1);
    ds.Open(std::make_shared<MemResultSet>());
    EXPECT_EQ(grid.ColumnCount(), 1);
    EXPECT_EQ(grid.Fields(0), -1);
    EXPECT_FALSE(grid.SelectedRows().CurrentRowSelected());
}

TEST(DBGrid, ShiftClickSelectsABlockThatCopiesAsLines)
{
    GridFixture<TtvDBGridV> g(textRows(6, 10));
    g.click(3, 1);
    EXPECT_EQ(g.grid.SelectedRows().Count(), 0);
    EXPECT_EQ(g.grid.ColStart(), 1);
    g.grid.CopyRecords();
    EXPECT_EQ(clip(), QStringLiteral("r3c1"));
    g.click(6, 4, Qt::ShiftModifier);
    EXPECT_EQ(g.grid.SelectedRows().Count(), 4);
    EXPECT_EQ(g.grid.ColStart(), 1);
    EXPECT_EQ(g.grid.ColEnd(), 4);
    EXPECT_FALSE(TtvDBGridV::SelectWholeRecordsV);
    g.grid.CopyRecords();
    QString expected;
    for (int r = 3; r <= 6; ++r)
        expected += QStringLiteral("r%1c1\tr%1c2\tr%1c3\tr%1c4\r\n").arg(r);
    EXPECT_EQ(clip(), expected);

    // Shift+Right twice from column 1 keeps the start and selects the record.
    g.click(2, 1);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(g.grid.ColStart(), 1);
    EXPECT_EQ(g.grid.ColEnd(), 3);
    EXPECT_TRUE(g.grid.SelectedRows().CurrentRowSelected());
}

TEST(DBGrid, CtrlDeleteAsksByTheNumberOfSelectedRecords)
{
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    GridFixture<TtvDBGridV> g(textRows(2, 8));
    g.click(1, 0);
    g.click(3, 0, Qt::ShiftModifier);
    ASSERT_EQ(g.grid.SelectedRows().Count(), 3);
    dialogs.queueButton(tv::ui::IDCANCEL);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.texts(), QStringList{QStringLiteral("選択されたレコードをすべて削除してよいですか？")});
    EXPECT_EQ(g.ds.RecordCount(), 8);
    dialogs.queueButton(tv::ui::IDOK);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.ds.RecordCount(), 5);
    EXPECT_EQ(g.records().first(), QStringLiteral("r0c0|r0c1"));
    EXPECT_EQ(g.records().at(1), QStringLiteral("r4c0|r4c1"));

    dialogs.clear();
    g.click(0, 0);
    dialogs.queueButton(tv::ui::IDOK);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("レコードを削除しますか？")});
    EXPECT_EQ(g.ds.RecordCount(), 4);
}

TEST(DBGrid, DownOnTheLastRecordAppendsAndUpCancelsIt)
{
    GridFixture<TtvDBGridV> g(textRows(2, 3));
    g.click(2, 0);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(g.ds.State(), DataSetState::Insert);
    EXPECT_EQ(g.ds.RecordCount(), 4);
    EXPECT_EQ(g.ds.RecNo(), 3);
    // Down again on the untouched new record does nothing.
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(g.ds.RecordCount(), 4);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Up);
    EXPECT_EQ(g.ds.State(), DataSetState::Browse);
    EXPECT_EQ(g.ds.RecordCount(), 3);
    EXPECT_EQ(g.ds.RecNo(), 2);

    // Typed text posts when the grid moves on.
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Down);
    QTest::keyClicks(g.grid.InplaceEditor(), QStringLiteral("new"));
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Up);
    EXPECT_EQ(g.ds.RecordCount(), 4);
    EXPECT_EQ(g.ds.Text(3, 0), QStringLiteral("new"));
    EXPECT_EQ(g.ds.RecNo(), 2);
}

TEST(DBGrid, EscapeRestoresTheTextThenCancels)
{
    GridFixture<TtvDBGridV> g(textRows(2, 3));
    g.click(1, 1);
    g.grid.InplaceEditor()->selectAll();
    QTest::keyClicks(g.grid.InplaceEditor(), QStringLiteral("zz"));
    EXPECT_EQ(g.ds.State(), DataSetState::Edit);
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(g.grid.InplaceEditor()->text(), QStringLiteral("r1c1"));
    QTest::keyClick(g.grid.InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(g.ds.State(), DataSetState::Browse);
    EXPECT_EQ(g.ds.Text(1, 1), QStringLiteral("r1c1"));
}

// A value longer than the cell editor holds: the editor shows its start and
// takes no typing, so the value is never written back cut; a short value in
// the next record edits as before.
TEST(DBGrid, ValueLongerThanTheEditorIsShownNotCut)
{
    auto rows = textRows(1, 2);
    QString longText;
    for (int i = 0; longText.size() < 40000; ++i)
        longText += QStringLiteral("値%1,").arg(i);
    rows->setValue(0, 0, longText);
    GridFixture<TtvDBGridV> g(rows);
    g.click(0, 0);
    QLineEdit *ed = g.grid.InplaceEditor();
    ASSERT_TRUE(ed->isVisible());
    EXPECT_EQ(ed->text(), longText.left(ed->maxLength()));
    EXPECT_TRUE(ed->isReadOnly());
    ed->end(false);
    QTest::keyClicks(ed, QStringLiteral("zz"));
    QTest::keyClick(ed, Qt::Key_Backspace);
    EXPECT_EQ(g.ds.State(), DataSetState::Browse);
    EXPECT_EQ(g.ds.Text(0, 0), longText);

    QTest::keyClick(ed, Qt::Key_Down);
    EXPECT_FALSE(ed->isReadOnly());
    ed->selectAll();
    QTest::keyClicks(ed, QStringLiteral("short"));
    QTest::keyClick(ed, Qt::Key_Up);
    EXPECT_EQ(g.ds.Text(1, 0), QStringLiteral("short"));
    EXPECT_EQ(g.ds.Text(0, 0), longText);
}

// Values around the cell editor's limit, visited in turn with Down: a value
// it edits is held whole and takes typing; a longer one shows the start the
// cell paints and is neither typed over nor cleared by the Delete command
// (either would write the shown start back over the whole value); the value
// after it gets the whole limit back.
TEST(DBGrid, EditorHoldsValuesItEditsAndOnlyTheStartOfLongerOnes)
{
    struct Case {
        int length;
        int shown;
        bool readOnly;
    };
    const Case cases[] = {{40000, 500, true}, {1000, 1000, false}, {32767, 32767, false},
                          {32768, 500, true}, {600, 600, false}};
    const int n = int(std::size(cases));
    auto rows = textRows(1, n);
    QStringList values;
    for (int i = 0; i < n; ++i) {
        QString v;
        for (int k = 0; v.size() < cases[i].length; ++k)
            v += QStringLiteral("値%1,").arg(k);
        v.truncate(cases[i].length);
        rows->setValue(i, 0, v);
        values << v;
    }
    GridFixture<TtvDBGridV> g(rows);
    TDBGridInplaceEdit *ed = g.grid.InplaceEditor();
    g.click(0, 0);
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].length);
        if (i > 0)
            QTest::keyClick(ed, Qt::Key_Down);
        ASSERT_EQ(g.ds.RecNo(), i);
        ASSERT_TRUE(ed->isVisible());
        EXPECT_EQ(ed->text().size(), cases[i].shown);
        EXPECT_TRUE(ed->text() == values[i].left(cases[i].shown));
        EXPECT_EQ(ed->isReadOnly(), cases[i].readOnly);
        if (cases[i].readOnly)
            ed->Clear(); // the Delete command
        ed->end(false);
        QTest::keyClick(ed, Qt::Key_Backspace);
    }
    QTest::keyClick(ed, Qt::Key_Up);
    EXPECT_EQ(g.ds.State(), DataSetState::Browse);
    for (int i = 0; i < n; ++i) {
        const QString kept = g.ds.Text(i, 0);
        EXPECT_EQ(kept.size(), cases[i].readOnly ? cases[i].length : cases[i].length - 1) << "record " << i;
        EXPECT_TRUE(values[i].startsWith(kept)) << "record " << i;
    }
}

TEST(DBGrid, SelectAllCopiesEveryRecordInOrder)
{
    GridFixture<TtvDBGridV> g(textRows(2, 50));
    g.grid.SelectAll();
    EXPECT_EQ(g.grid.SelectedRows().Count(), 50);
    EXPECT_EQ(g.grid.SelectedRows().Item(49), g.ds.BookmarkAt(49));
    g.grid.CopyRecords();
    const QStringList lines = clip().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 51);
    EXPECT_EQ(lines[0], QStringLiteral("r0c0\tr0c1"));
    EXPECT_EQ(lines[49], QStringLiteral("r49c0\tr49c1"));
}

TEST(DBGridH, ShowsRecordsAsColumnsAndResizesThemAlike)
{
    GridFixture<TtvDBGridH> g(textRows(3, 5));
    EXPECT_EQ(g.grid.RowCount(), 3);
    // Record 1, field 2 sits in the second record column, third field row.
    const QRect r = g.grid.CellRect(1, 2);
    EXPECT_GT(r.x(), g.grid.CellRect(0, 2).x());
    EXPECT_GT(r.y(), g.grid.CellRect(1, 1).y());
    g.click(1, 2);
    EXPECT_EQ(g.ds.RecNo(), 1);
    EXPECT_EQ(g.grid.RowStart(), 2);
    EXPECT_EQ(g.grid.SelectedCols().Count(), 0);
    g.grid.CopyRecords();
    EXPECT_EQ(clip(), QStringLiteral("r1c2"));

    // Drag the right border of record column 1 (in the indicator row) to 120 px.
    const QRect col = g.grid.CellRect(1, 0);
    const QPoint from(col.right() + 1, 3);
    QTest::mousePress(g.grid.viewport(), Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(col.left() + 120, 3), g.grid.viewport()->mapToGlobal(QPointF(col.left() + 120, 3)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.grid.viewport(), &move);
    QTest::mouseRelease(g.grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(col.left() + 120, 3));
    EXPECT_EQ(g.grid.DefaultColWidth(), 120);
    EXPECT_EQ(g.grid.GetColWidth(1), 120);
    EXPECT_EQ(g.grid.GetColWidth(3), 120);
    EXPECT_EQ(g.grid.CellRect(2, 0).width(), 120);
}

TEST(DBGridH, RightClickInTheTopBandKeepsTheSelection)
{
    GridFixture<TtvDBGridH> g(textRows(3, 5));
    // Indicator row: select records 0..2.
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(g.grid.CellRect(0, 0).center().x(), 3));
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(g.grid.CellRect(2, 0).center().x(), 3));
    ASSERT_EQ(g.grid.SelectedCols().Count(), 3);
    EXPECT_TRUE(TtvDBGridH::SelectWholeRecordsH);
    QTest::mouseClick(g.grid.viewport(), Qt::RightButton, Qt::NoModifier, QPoint(g.grid.CellRect(1, 0).center().x(), 17));
    EXPECT_EQ(g.grid.SelectedCols().Count(), 3);
    g.grid.CopyRecords();
    EXPECT_EQ(clip().count(QStringLiteral("\r\n")), 3);
    QTest::mouseClick(g.grid.viewport(), Qt::RightButton, Qt::NoModifier, g.cell(1, 1) + QPoint(0, 0));
    EXPECT_EQ(g.grid.SelectedCols().Count(), 0);
}
