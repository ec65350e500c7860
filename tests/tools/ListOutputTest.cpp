// The list output of the comparison, capture and table-access windows: the
// workbook read back, the clipboard text, the default file name, the folder
// remembered or not, and the actions following the list's rows.
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/ScratchDir.h"
#include "support/XlsxBook.h"
#include "tools/ListOutput.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tvtest;

namespace {

class ListOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = tvOption;
        window = std::make_unique<QWidget>();
        auto *lay = new QVBoxLayout(window.get());
        bar = new QToolBar(window.get());
        list = new TtvListView(window.get());
        lay->addWidget(bar);
        lay->addWidget(list);
        for (const char *c : {"オブジェクト名", "スキーマ", "タイプ", "補足①", "補足②", "比較結果", "OID1", "OID2"})
            list->AddColumn(QString::fromUtf8(c), 80);
        dir = scratch.path() + QStringLiteral("/out/");
        QDir().mkpath(dir);
        tvOption.ExcelDir = dir;
        tvOption.ExcelExt = QStringLiteral(".XLSX");
    }
    void TearDown() override { tvOption = saved; }
    TListOutput *Attach(const QString &base, int columns, bool remember)
    {
        return new TListOutput(window.get(), bar, list, base, columns, remember);
    }
    QString SaveFileOffered() const
    {
        for (const auto &c : dialogs.calls())
            if (c.kind == tv::ui::ScriptedDialogs::Kind::SaveFile)
                return c.file.fileName;
        return QString();
    }

    TtvOption saved;
    ScratchDir scratch;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs scope{&dialogs};
    std::unique_ptr<QWidget> window;
    QToolBar *bar = nullptr;
    TtvListView *list = nullptr;
    QString dir;
};

} // namespace

TEST_F(ListOutputTest, WorkbookHoldsTheWrittenColumnsOneLinePerCell)
{
    TListOutput *out = Attach(QStringLiteral("OBJECTCOMP"), 6, true);
    list->AddItem(QStringLiteral("t1"), {"app1", "TABLE", "", "", "内容一致", "16384", "16390"});
    list->AddItem(QStringLiteral("f"), {"app1", "FUNCTION", "a\r\nb", "x\ny", "内容不一致", "1", "2"});
    // An earlier output stands in the folder: the default name skips it.
    QFile(dir + QStringLiteral("OBJECTCOMP.XLSX")).open(QIODevice::WriteOnly);
    const QString chosen = scratch.path() + QStringLiteral("/elsewhere/deep/list.xlsx");
    dialogs.queuePath(chosen);
    out->actExcel->trigger();
    EXPECT_EQ(SaveFileOffered(), dir + QStringLiteral("OBJECTCOMP01.XLSX"));
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));

    XlsxBook book;
    QString error;
    ASSERT_TRUE(book.open(chosen, &error)) << error.toStdString();
    const QStringList heads{"オブジェクト名", "スキーマ", "タイプ", "補足①", "補足②", "比較結果"};
    for (int c = 0; c < heads.size(); ++c)
        EXPECT_EQ(book.cell(1, c + 1).value, heads.at(c)) << c;
    // Six columns: the oids are left out.
    EXPECT_EQ(book.extent().second, 6);
    EXPECT_EQ(book.extent().first, 3);
    EXPECT_EQ(book.cell(2, 6).value, QStringLiteral("内容一致"));
    EXPECT_FALSE(book.cell(2, 4).exists);
    EXPECT_EQ(book.cell(3, 4).value, QStringLiteral("a b"));
    EXPECT_EQ(book.cell(3, 5).value, QStringLiteral("x y"));
    // The comparison window remembers the folder chosen.
    EXPECT_EQ(QDir(tvOption.ExcelDir).canonicalPath(), QDir(QFileInfo(chosen).absolutePath()).canonicalPath());
    EXPECT_TRUE(tvOption.ExcelDir.endsWith(QLatin1Char('/')));
}

TEST_F(ListOutputTest, OtherWindowsKeepTheFolderAndWriteAllColumns)
{
    TListOutput *out = Attach(QStringLiteral("SQLCATCH"), -1, false);
    list->AddItem(QStringLiteral("r"), {"1", "2", "3", "4", "5", "6", "7"});
    const QString chosen = scratch.path() + QStringLiteral("/other/SQLCATCH.XLSX");
    dialogs.queuePath(chosen);
    out->actExcel->trigger();
    EXPECT_EQ(SaveFileOffered(), dir + QStringLiteral("SQLCATCH.XLSX"));
    XlsxBook book;
    ASSERT_TRUE(book.open(chosen));
    EXPECT_EQ(book.extent().second, 8);
    EXPECT_EQ(book.cell(2, 8).value, QStringLiteral("7"));
    EXPECT_EQ(tvOption.ExcelDir, dir);

    // Cancel in the save dialog writes nothing and says nothing.
    const int said = dialogs.texts().size();
    dialogs.queuePath(QString());
    out->actExcel->trigger();
    EXPECT_EQ(dialogs.texts().size(), said + 0);
}

TEST_F(ListOutputTest, ClipboardTextBySeparatorChoice)
{
    TListOutput *out = Attach(QStringLiteral("OBJECTCOMP"), 6, true);
    list->AddItem(QStringLiteral("t,1"), {"s", "TABLE", "a\r\nb", "", "内容一致", "9", "9"});
    list->AddItem(QStringLiteral("t2"), {"s", "VIEW", "", "", "比較先１にのみ存在", "9", "0"});

    struct Case {
        bool dialog;
        int pasteColumn;
        int answer;          // the question's button (dialog on)
        QList<bool> checks;  // the question's check box (dialog on)
        QString expected;    // clipboard after; "-" when unchanged
        int pasteAfter;
    };
    const Case cases[] = {
        // No question, comma: values are not quoted, no heading.
        {false, 1, 0, {}, "t,1,s,TABLE,a b,,内容一致\r\nt2,s,VIEW,,,比較先１にのみ存在\r\n", 1},
        {false, 0, 0, {}, "t,1\ts\tTABLE\ta b\t\t内容一致\r\nt2\ts\tVIEW\t\t\t比較先１にのみ存在\r\n", 0},
        // The question's box turns comma on and is stored.
        {true, 0, tv::ui::IDYES, {true}, "t,1,s,TABLE,a b,,内容一致\r\nt2,s,VIEW,,,比較先１にのみ存在\r\n", 1},
        // No ends without copying.
        {true, 1, tv::ui::IDNO, {false}, "-", 1},
    };
    for (const Case &c : cases) {
        tvOption.PasteDialog = c.dialog;
        tvOption.PasteColumn = c.pasteColumn;
        QApplication::clipboard()->setText(QStringLiteral("-"));
        if (c.dialog)
            dialogs.queueButton(c.answer, c.checks);
        out->actCopy->trigger();
        EXPECT_EQ(QApplication::clipboard()->text(), c.expected) << c.pasteColumn;
        EXPECT_EQ(tvOption.PasteColumn, c.pasteAfter);
    }
    // An Esc pressed before the copy began does not cut it short.
    tvOption.PasteDialog = false;
    tvOption.PasteColumn = 0;
    QTest::keyClick(list, Qt::Key_Escape);
    out->actCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().count(QStringLiteral("\r\n")), 2);
}

TEST_F(ListOutputTest, ActionsFollowTheRows)
{
    TListOutput *out = Attach(QStringLiteral("TBLACCESS"), -1, false);
    auto enabled = [out] {
        return QList<bool>{out->actOutput->isEnabled(), out->actExcel->isEnabled(), out->actCopy->isEnabled()};
    };
    EXPECT_EQ(enabled(), (QList<bool>{false, false, false}));
    list->AddItem(QStringLiteral("orders"), {"", "○"});
    EXPECT_EQ(enabled(), (QList<bool>{true, true, true}));
    list->clear();
    EXPECT_EQ(enabled(), (QList<bool>{false, false, false}));
    EXPECT_EQ(out->btnOutput->menu(), out->popOutput);
    EXPECT_EQ(out->popOutput->actions(), (QList<QAction *>{out->actExcel, out->actCopy}));
}
