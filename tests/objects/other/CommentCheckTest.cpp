// The comment check: the scanner alone, then the window against the test
// server as the program starts ("コメントチェック(&O)" on the object list's
// selection, the list, the .xlsx output).
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "objects/other/CommentScan.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmComment.h"
#include "objects/table/frmDefinition.h"
#include "controls/tvTreeView.h"
#include "shell/ObjectDispatcher.h"
#include "support/XlsxBook.h"
#include "common/CatalogSQL.h"
#include "common/RecParam.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <QVBoxLayout>

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTableWidget>

using namespace tvtest;

TEST(CommentScan, LinesWithComments)
{
    struct Case {
        const char *line;
        TCommentState from;
        bool found;
        TCommentState to;
    };
    using S = TCommentState;
    const Case cases[] = {
        {"SELECT 1; -- note", S::Code, true, S::Line},
        {"x := 'a -- b';", S::Code, false, S::Code},
        {"SELECT \"a/*b\" FROM t", S::Code, false, S::Code},
        {"/* start", S::Code, true, S::Block},
        {"  inside", S::Block, true, S::Block},
        {"  end */ x := 1;", S::Block, true, S::Code},
        {"a /* b */ c", S::Code, true, S::Code},
        {"'open", S::Code, false, S::String},
        {"still' -- now", S::String, true, S::Line},
        {"-- a '", S::Code, true, S::Line},
    };
    for (const Case &c : cases) {
        TCommentState st = c.from;
        EXPECT_EQ(LineHasComment(QString::fromUtf8(c.line), st), c.found) << c.line;
        EXPECT_EQ(st, c.to) << c.line;
    }
}

TEST(CommentScan, ProgramsRowsAndColours)
{
    TCommentProgram f{7, QStringLiteral("f"), QStringLiteral("s1"), 52, QStringLiteral("integer")};
    const QList<TCommentRow> rows = ScanProgramComments(
        f, {"CREATE FUNCTION f()", "AS $$", "  -- one", "  /* two", "     three", "  four */", "x := '--';", "$$;"});
    ASSERT_EQ(rows.size(), 4);
    QStringList numbers;
    for (const TCommentRow &r : rows)
        numbers << r.LineNo;
    EXPECT_EQ(numbers, (QStringList{"3", "4", "5", "6"}));
    EXPECT_EQ(rows[0].Name, QStringLiteral("f"));
    EXPECT_EQ(rows[0].TypeName, QStringLiteral("FUNCTION"));
    EXPECT_EQ(rows[0].Args, QStringLiteral("integer"));
    EXPECT_TRUE(rows[1].Name.isEmpty());
    EXPECT_EQ(rows[1].ObjectName, QStringLiteral("f"));
    EXPECT_EQ(rows[2].StartState, TCommentState::Block);
    // The block's inner line is comment from its first character.
    const QList<TCommentSpan> inner = CommentSpans(rows[2].Text, rows[2].StartState);
    ASSERT_EQ(inner.size(), 1);
    EXPECT_EQ(inner[0].Start, 0);
    EXPECT_EQ(inner[0].End, rows[2].Text.size());
    const QList<TCommentSpan> closing = CommentSpans(QStringLiteral("  four */ x -- y"), TCommentState::Block);
    ASSERT_EQ(closing.size(), 2);
    EXPECT_EQ(closing[0].End, 9);
    EXPECT_EQ(closing[1].Start, 12);

    // A program left inside a block comment does not swallow the next one.
    TCommentProgram g{8, QStringLiteral("g"), QStringLiteral("s1"), 52, QString()};
    EXPECT_EQ(ScanProgramComments(g, {"/* never closed", "x"}).size(), 2);
    const QList<TCommentRow> none = ScanProgramComments(g, {"SELECT 1"});
    ASSERT_EQ(none.size(), 1);
    EXPECT_EQ(none[0].LineNo, QStringLiteral("-"));
    EXPECT_EQ(none[0].Text, NoComment);
    EXPECT_EQ(TabFill(QStringLiteral("ab"), 4), 2);
    EXPECT_EQ(TabFill(QStringLiteral("a\tあ"), 4), 2);
}

namespace {

// A function's DDL for the script service while no source window has
// registered one.
void EnsureFunctionScripts()
{
    if (TObjectDispatcher::ScriptProc(52))
        return;
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSource"), [](TfrmObject &Owner, const TObjectAddress &a,
                                                                      QIODevice &Stream) {
        const QString ddl = Owner.dbsMain().ExecScalar(QStringLiteral("SELECT pg_get_functiondef(") +
                                                       QString::number(a.OID) + u')');
        TfrmDefinition::WriteScript(Stream, ddl.split(QLatin1Char('\n')));
    });
}

// A routine's source window while none has registered: an MDI child with
// the source window's caption and its editor "txtSource" holding the DDL.
class StandInSource : public TtvForm {
public:
    StandInSource(TfrmObject *owner, const TObjectAddress &a) : TtvForm(owner)
    {
        auto *l = new QVBoxLayout(this);
        txtSource = new TtvMemo;
        txtSource->setObjectName(QStringLiteral("txtSource"));
        l->addWidget(txtSource);
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        owner->OutputScript(52, a.Schema, a.ObjectName, b, QString(), QString(), a.OID);
        txtSource->Lines()->SetText(
            QString::fromUtf16(reinterpret_cast<const char16_t *>(b.data().constData()), b.data().size() / 2)
                .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        tv::db::Query q(&owner->dbsMain());
        FncArgArray args;
        LoadFunctionArguments(a.OID, q, args, owner->DBVer());
        const tv::db::ConnectionParams &p = owner->dbsMain().Params();
        setWindowTitle(QStringLiteral("FUNCTION - ") +
                       FormatRecParamCaption(MakeRecParam(p.Server, p.Database, a.Schema, p.value(QStringLiteral("Port")),
                                                          p.User_Name, p.Password, a.ObjectName,
                                                          FormatFunctionSignature(args, 5, p.MetaDefSchema), QString()),
                                             5, false));
        FinishCreate();
        ShowForm();
    }
    TtvMemo *txtSource;
};

void EnsureFunctionWindows()
{
    if (TObjectDispatcher::OpenProc(52))
        return;
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmSource"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(new StandInSource(&Owner, a));
    });
}

QStringList Ddl(TfrmObject *form, const QString &name, qint64 oid)
{
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    form->OutputScript(52, QStringLiteral("s1"), name, b, QString(), QString(), oid);
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(b.data().constData()), b.data().size() / 2);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class CommentWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("cmt");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1;"
                 "CREATE FUNCTION s1.f(a integer) RETURNS integer LANGUAGE plpgsql AS $$\n"
                 "BEGIN\n"
                 "  -- e2e note\n"
                 "  /* block one\n"
                 "     block two\n"
                 "     block three */\n"
                 "  RETURN length('not -- a comment') + a;\n"
                 "END $$;"
                 "CREATE FUNCTION s1.g() RETURNS integer LANGUAGE sql AS 'SELECT 1';"
                 "CREATE FUNCTION s1.h(a text, b date) RETURNS integer LANGUAGE sql AS 'SELECT 1 -- h';"
                 "CREATE TABLE s1.t (id int);");
        RegisterOtherWindows();
        RegisterTableWindows();
        TfrmObject::RegisterLaunchers();
        EnsureFunctionScripts();
        EnsureFunctionWindows();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        s.main.reset();
    }
    void Select(const QString &kind)
    {
        form->ShowTree();
        QTreeWidgetItem *sn = Child(form->tvTree->topLevelItem(0), QStringLiteral("s1"));
        ASSERT_NE(sn, nullptr);
        QTreeWidgetItem *node = kind.isEmpty() ? sn : Child(sn, kind);
        ASSERT_NE(node, nullptr) << kind.toStdString();
        if (form->tvTree->currentItem() == node)
            form->ShowObject(false);
        else
            form->tvTree->setCurrentItem(node);
    }
    TfrmComment *RunCheck()
    {
        QAction *a = form->Action(QStringLiteral("actComment"));
        EXPECT_TRUE(a && a->isEnabled() && a->text() == QStringLiteral("コメントチェック(&O)"));
        if (!a)
            return nullptr;
        a->trigger();
        const QList<TfrmComment *> w = WindowsOf<TfrmComment>(s);
        return w.isEmpty() ? nullptr : w.last();
    }
    QString Cell(TfrmComment *w, int r, int c)
    {
        const QTableWidgetItem *i = w->grdComment->item(r, c);
        return i ? i->text() : QString();
    }
    // Written as the user would: 出力(&P) → Excel出力(&E), the file name typed.
    void ExcelTo(TfrmComment *w, const QString &path)
    {
        QAction *excel = nullptr;
        for (QAction *a : w->btnOutput->menu()->actions())
            if (a->text() == QStringLiteral("Excel出力(&E)"))
                excel = a;
        ASSERT_NE(excel, nullptr);
        s.dialogs.queuePath(path);
        excel->trigger();
    }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// Two functions and a table (left out): the line comment and the three
// block lines with their line numbers in the DDL, "--" in a string is none,
// the other function shows "-" and "（コメントはありません）" in red; the
// workbook's row 1 is the header without the OID.
TEST_F(CommentWindow, ListsCommentLinesAndWritesExcel)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    Select(QString());
    TtvListItem *f = FindListItem(form->lstObject, QStringLiteral("f"));
    ASSERT_NE(f, nullptr);
    const qint64 oid = f->SubItem(8).toLongLong();
    SelectListItems(form->lstObject, {QStringLiteral("f"), QStringLiteral("t"), QStringLiteral("g")});
    form->mnuObjectClick();
    TfrmComment *w = RunCheck();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("コメントチェック - "))) << w->windowTitle().toStdString();

    const QStringList ddl = Ddl(form, QStringLiteral("f"), oid);
    const int note = int(ddl.indexOf(QStringLiteral("  -- e2e note"))) + 1;
    ASSERT_GT(note, 0) << ddl.join(u'\n').toStdString();
    ASSERT_EQ(w->grdComment->rowCount(), 5);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(Cell(w, r, 4), QString::number(note + r)) << r;
    EXPECT_EQ(Cell(w, 0, 1), QStringLiteral("f"));
    EXPECT_EQ(Cell(w, 0, 2), QStringLiteral("FUNCTION"));
    EXPECT_EQ(Cell(w, 0, 3), f->SubItem(3));
    EXPECT_EQ(Cell(w, 0, 0), QString::number(oid));
    EXPECT_EQ(Cell(w, 2, 5), QStringLiteral("     block two"));
    EXPECT_TRUE(Cell(w, 2, 1).isEmpty());
    EXPECT_EQ(Cell(w, 4, 1), QStringLiteral("g"));
    EXPECT_EQ(Cell(w, 4, 4), QStringLiteral("-"));
    EXPECT_EQ(Cell(w, 4, 5), QStringLiteral("（コメントはありません）"));

    // Drawn red.
    w->resize(900, 400);
    w->show();
    const QRect cell = w->grdComment->visualRect(w->grdComment->model()->index(4, 5));
    const QImage img = w->grdComment->viewport()->grab(cell).toImage();
    bool red = false;
    for (int y = 0; y < img.height() && !red; ++y)
        for (int x = 0; x < img.width() && !red; ++x) {
            const QColor c = img.pixelColor(x, y);
            red = c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    EXPECT_TRUE(red);

    // The comment column takes the rest of the grid's width at every size.
    QWidget *outer = w->Frame() ? static_cast<QWidget *>(w->Frame()) : static_cast<QWidget *>(w);
    for (const int width : {1100, 700, 960}) {
        outer->resize(width, 400);
        QApplication::processEvents();
        int used = 0;
        for (int c = 1; c <= 4; ++c)
            used += w->grdComment->columnWidth(c);
        EXPECT_EQ(w->grdComment->columnWidth(5), std::max(50, w->grdComment->viewport()->width() - used - 6))
            << "at a width of " << width;
    }

    // The clipboard: OID first, no header.
    tvOption.PasteDialog = false;
    tvOption.PasteColumn = 0;
    w->actCopy->trigger();
    const QStringList clip = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(clip.size(), 5);
    EXPECT_EQ(clip[0].split(u'\t').mid(0, 3), (QStringList{QString::number(oid), "f", "FUNCTION"}));
    s.dialogs.clear();

    const QString path = s.scratch.file(QStringLiteral("c.xlsx"));
    ExcelTo(w, path);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ファイルに出力しました。")});
    XlsxBook book;
    ASSERT_TRUE(book.open(path));
    QStringList header;
    for (int c = 1; c <= 6; ++c)
        header << book.cell(1, c).value;
    EXPECT_EQ(header, (QStringList{"プログラム名", "タイプ", "引数", "行番号", "コメント", ""}));
    EXPECT_EQ(book.cell(2, 1).value, QStringLiteral("f"));
    EXPECT_EQ(book.cell(2, 5).value, QStringLiteral("  -- e2e note"));
    EXPECT_EQ(book.cell(6, 5).value, QStringLiteral("（コメントはありません）"));

    // A refresh reads the DDL again.
    db->exec("CREATE OR REPLACE FUNCTION s1.g() RETURNS integer LANGUAGE sql AS 'SELECT 1 -- now'");
    w->actRefresh->trigger();
    EXPECT_EQ(Cell(w, 4, 5).contains(QStringLiteral("-- now")), true) << Cell(w, 4, 5).toStdString();
}

// As a user: the program started with its logon switches, f selected in
// s1's FUNCTION list, "コメントチェック(&O)", 出力(&P) → "Excel出力(&E)", c.xlsx.
TEST_F(CommentWindow, EndToEnd)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    Select(QStringLiteral("FUNCTION"));
    SelectListItems(form->lstObject, {QStringLiteral("f")});
    const qint64 oid = FindListItem(form->lstObject, QStringLiteral("f"))->SubItem(8).toLongLong();
    form->mnuObjectClick();
    TfrmComment *w = RunCheck();
    ASSERT_NE(w, nullptr);
    const QString path = s.scratch.file(QStringLiteral("c.xlsx"));
    ExcelTo(w, path);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ファイルに出力しました。")});
    const QStringList ddl = Ddl(form, QStringLiteral("f"), oid);
    const int note = int(ddl.indexOf(QStringLiteral("  -- e2e note"))) + 1;
    XlsxBook book;
    ASSERT_TRUE(book.open(path));
    EXPECT_EQ(book.cell(2, 1).value, QStringLiteral("f"));
    EXPECT_EQ(book.cell(2, 2).value, QStringLiteral("FUNCTION"));
    EXPECT_EQ(book.cell(2, 4).value, QString::number(note));
    EXPECT_EQ(book.cell(2, 5).value, QStringLiteral("  -- e2e note"));
}

// A row opens its program's source at that line; the same program again is
// the window already open, moved to the new line; a "-" row moves nothing.
TEST_F(CommentWindow, SourceAtTheLine)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    Select(QStringLiteral("FUNCTION"));
    SelectListItems(form->lstObject, {QStringLiteral("f"), QStringLiteral("g")});
    form->mnuObjectClick();
    TfrmComment *w = RunCheck();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->grdComment->rowCount(), 5);
    const int line = Cell(w, 2, 4).toInt();
    w->grdComment->setCurrentCell(2, 5);
    w->mnuSource->trigger();
    QWidget *src = s.main->MdiChildren().isEmpty() ? nullptr : s.main->MdiChildren().last();
    auto *memo = src ? src->findChild<TtvMemo *>(QStringLiteral("txtSource")) : nullptr;
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Row(), line - 1);
    const auto before = s.main->MdiChildren().size();
    EXPECT_EQ(w->ShowSource(0), src);
    EXPECT_EQ(s.main->MdiChildren().size(), before);
    EXPECT_EQ(memo->Row(), Cell(w, 0, 4).toInt() - 1);
    memo->SetRow(1);
    QWidget *g = w->ShowSource(4);   // g: "-"
    ASSERT_NE(g, nullptr);
    EXPECT_NE(g, src);
    EXPECT_EQ(g->findChild<TtvMemo *>(QStringLiteral("txtSource"))->Row(), 0);
}

// The arguments column holds the list's argument text whatever columns the
// list shows (a kind's list or a schema's mixed list, detailed or not), on
// screen and on the clipboard.
TEST_F(CommentWindow, ArgumentsFromEveryListLayout)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const bool savedTreeData = tvOption.TreeData;
    const struct {
        bool treeData;
        QString node; // empty: the schema's mixed list
    } cases[] = {{false, QStringLiteral("FUNCTION")}, {true, QStringLiteral("FUNCTION")}, {false, QString()}, {true, QString()}};
    for (const auto &c : cases) {
        SCOPED_TRACE((c.node.isEmpty() ? QStringLiteral("mixed") : c.node).toStdString() + (c.treeData ? " detailed" : " simple"));
        tvOption.TreeData = c.treeData;
        Select(c.node);
        SelectListItems(form->lstObject, {QStringLiteral("h")});
        form->mnuObjectClick();
        TfrmComment *w = RunCheck();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(Cell(w, 0, 1), QStringLiteral("h"));
        EXPECT_EQ(Cell(w, 0, 3), QStringLiteral("text,date"));
        tvOption.PasteDialog = false;
        tvOption.PasteColumn = 0;
        w->actCopy->trigger();
        EXPECT_EQ(QApplication::clipboard()->text().split(u'\t').value(3), QStringLiteral("text,date"));
        s.dialogs.clear();
        w->Close();
        QCoreApplication::processEvents();
    }
    tvOption.TreeData = savedTreeData;
}

// While a comment check of a function is open, the function opens from the
// object list all the same: a click on its row (also on a column other than
// the name, so that with row select off only that cell is selected), then
// Enter; or a double click on its row.
TEST_F(CommentWindow, CheckedFunctionOpensFromTheList)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(s.ShowMain());
    const bool savedRowSelect = tvOption.RowSelect;
    tvOption.RowSelect = false;
    Select(QStringLiteral("FUNCTION"));
    SelectListItems(form->lstObject, {QStringLiteral("f")});
    form->mnuObjectClick();
    TfrmComment *w = RunCheck();
    ASSERT_NE(w, nullptr);
    auto sources = [&] {
        QList<QWidget *> found;
        for (QWidget *c : s.main->MdiChildren())
            if (c != w && c != form && c->windowTitle().contains(QStringLiteral(".f(")))
                found << c;
        return found;
    };
    ASSERT_TRUE(sources().isEmpty());

    const struct {
        int column;
        bool doubleClick;
    } cases[] = {{0, false}, {1, false}, {0, true}, {1, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + (c.doubleClick ? " double click" : " Enter"));
        form->lstObject->setSelectionBehavior(QAbstractItemView::SelectItems);
        TtvListItem *f = FindListItem(form->lstObject, QStringLiteral("f"));
        ASSERT_NE(f, nullptr);
        const QRect r = form->lstObject->visualRect(form->lstObject->model()->index(
            form->lstObject->indexOfTopLevelItem(f), c.column));
        const QPoint at(r.left() + 20, r.center().y());
        if (c.doubleClick) {
            // As the system delivers a double click: press, release, double click, release.
            QTest::mouseClick(form->lstObject->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(form->lstObject->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(form->lstObject->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        } else {
            QTest::mouseClick(form->lstObject->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            ASSERT_TRUE(PollUntil([&] { return QApplication::focusWidget() == form->lstObject; }));
            QTest::keyClick(form->lstObject, Qt::Key_Return);
        }
        ASSERT_TRUE(PollUntil([&] { return sources().size() == 1; }))
            << "windows: " << s.main->MdiChildren().size() << "; " << s.dialogs.texts().join(u'\n').toStdString();
        sources().first()->parentWidget()->close();
        ASSERT_TRUE(PollUntil([&] { return sources().isEmpty(); }));
        s.main->mdiMain->setActiveSubWindow(s.main->SubWindowOf(w));
    }
    EXPECT_EQ(WindowsOf<TfrmComment>(s).size(), 1);
    tvOption.RowSelect = savedRowSelect;
}
