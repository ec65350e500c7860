// The SQL reference: the reference file's entries and references, and the
// browser window with its file choice, find filter and the look-up of the
// editor's selection.
#include "shell/ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "shell/WindowLaunchers.h"
#include "platform/text/TextEncoding.h"
#include "sql/TemplateFile.h"
#include "sql/frmSQL.h"
#include "sql/frmTemplate.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTreeWidget>

using namespace tvtest;

namespace {

TTemplateFile Parse(const QStringList &lines)
{
    TTemplateFile f;
    f.SetLines(lines);
    return f;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A reference with categories, references, a cycle and a self-reference.
const QStringList kReference{
    "intro line",
    "【 TOP 】",
    "top text <A>",
    "%%%Queries",
    "【 A 】",
    "a SELECT <b> and <C> and <missing>",
    "【 b 】",
    "b text <a> <B>",
    "【 C 】",
    "c select lower only",
    "%%%Other",
    "【 D 】",
    "d refers <C>",
    "【 E 】",
    "e uses <C> then SELECT",
    "【 F 】",
    "f refers <A>",
};

} // namespace

TEST(TemplateFile, ReferencesAreCollectedDepthFirstOnceEach)
{
    const TTemplateFile f = Parse(kReference);
    EXPECT_EQ(f.IndexOf("a"), 4);
    EXPECT_EQ(f.IndexOf("B"), 6);
    EXPECT_EQ(f.IndexOf("missing"), -1);
    EXPECT_EQ(f.GetEntryText("A"), (QStringList{"【 A 】", "a SELECT <b> and <C> and <missing>", "【 b 】",
                                                "b text <a> <B>", "【 C 】", "c select lower only"}));
    // Two entries referring to each other: each text once.
    EXPECT_EQ(f.GetEntryText("b"), (QStringList{"【 b 】", "b text <a> <B>", "【 A 】",
                                                "a SELECT <b> and <C> and <missing>", "【 C 】", "c select lower only"}));
    // The body ends at the next category line.
    EXPECT_EQ(f.GetEntryText("C"), (QStringList{"【 C 】", "c select lower only"}));
    EXPECT_TRUE(f.GetEntryText("nothing").isEmpty());

    const QList<TTemplateFile::TNode> tree = f.BuildTree();
    ASSERT_EQ(tree.size(), 3);
    EXPECT_FALSE(tree.at(0).Category);
    EXPECT_EQ(tree.at(0).Text, "TOP");
    EXPECT_EQ(tree.at(1).Text, "Queries");
    EXPECT_EQ(tree.at(1).Children.size(), 3);
    EXPECT_EQ(tree.at(2).Children.size(), 3);
}

TEST(TemplateFile, HeaderNamesAndOddReferences)
{
    struct Case {
        QString line, name;
    } cases[] = {{"【 NAME 】 rest", "NAME"}, {"【 no end", ""}, {"【 two 】 】", "two"}, {"【  】", ""}};
    for (const Case &c : cases)
        EXPECT_EQ(TTemplateFile::HeaderName(c.line), c.name) << c.line.toStdString();
    // The first of two entries of one name counts; "<" without ">" names nothing.
    const TTemplateFile f = Parse({"【 X 】", "first <", "【 x 】", "second", "【 Y 】", "<X> <x> <<X>"});
    EXPECT_EQ(f.GetEntryText("x"), (QStringList{"【 X 】", "first <"}));
    EXPECT_EQ(f.GetEntryText("Y"), (QStringList{"【 Y 】", "<X> <x> <<X>", "【 X 】", "first <"}));
    // A long chain of references is walked without recursion.
    QStringList chain;
    for (int i = 0; i < 20000; ++i)
        chain << QString("【 E%1 】").arg(i) << QString("<E%1>").arg(i + 1);
    const TTemplateFile g = Parse(chain);
    EXPECT_EQ(g.CollectEntry(0).size(), 20000);
}

namespace {

class ReferenceWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = s.scratch.path() + "/ref";
        QDir().mkpath(folder);
        TfrmTemplate::SetTemplateFolder(folder);
        TfrmTemplate::RegisterLauncher();
    }
    void TearDown() override { TfrmTemplate::SetTemplateFolder(QString()); }
    void WriteReference(const QString &name, const QStringList &lines, bool bom = true)
    {
        // With a mark as UTF-8, without one in the ANSI code page.
        const QByteArray bytes = bom ? QByteArray("\xEF\xBB\xBF") + lines.join("\r\n").toUtf8()
                                     : tv::text::Encode(lines.join("\r\n"), tv::text::Encoding::Ansi);
        WriteFile(folder + "/" + name, bytes);
    }
    QString folder;
    TestDb db{"tpl"};
    ShellSession s;
};

} // namespace

TEST_F(ReferenceWindow, OpensOnTheLastFileAndFindKeepsEntriesWhoseTextHoldsTheWord)
{
    s.Start({});
    WriteReference("A.tpl", {"%%%Only A", "【 AONLY 】", "x"});
    WriteReference("B.tpl", kReference);
    TfrmTemplate *w = TfrmTemplate::ShowWindow("");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->cmbVersion->count(), 2);
    EXPECT_EQ(w->cmbVersion->currentText(), "B");
    EXPECT_EQ(w->EntryNames(), (QStringList{"A", "b", "C", "D", "E", "F"}));
    // Empty find: the first node is selected and shows nothing.
    EXPECT_EQ(w->lstTemplate->currentItem()->text(0), "TOP");
    EXPECT_TRUE(w->ShownText().isEmpty());

    // Upper-case word, case-sensitive: C holds only "select" and goes, with D,
    // which refers to it alone; A and b hold it (b through A), F through A.
    // The tree is built again when the find box loses the focus.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->txtFind->setFocus();
    QTest::keyClicks(w->txtFind, "select");
    EXPECT_EQ(w->txtFind->text(), "SELECT");
    w->lstTemplate->setFocus();
    EXPECT_EQ(w->EntryNames(), (QStringList{"A", "b", "E", "F"}));
    EXPECT_EQ(w->lstTemplate->currentItem()->text(0), "TOP"); // no caption holds the word

    w->lstTemplate->setCurrentItem(w->lstTemplate->findItems("b", Qt::MatchExactly | Qt::MatchRecursive).first());
    w->lstTemplateChange();
    EXPECT_EQ(w->ShownText().count("【 A 】"), 1);
    EXPECT_EQ(w->ShownText().count("【 b 】"), 1);
    EXPECT_TRUE(w->ShownText().startsWith("【 b 】"));

    // The other file.
    w->cmbVersion->setCurrentIndex(0);
    w->LoadTemplateFile();
    EXPECT_TRUE(w->EntryNames().isEmpty());
    w->close();
}

TEST_F(ReferenceWindow, CtrlJLooksUpTheSelectedWordAndNoFileShowsTheError)
{
    TV_REQUIRE_DB(db);
    WriteReference("R.tpl", {"%%%Q", "【 SELECT 】", "SELECT ...", "【 INSERT 】", "INSERT ..."}, false);
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    s.main->show();
    auto *sql = new TfrmSQL(s.Form());
    sql->ShowForm();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    sql->txtSQL->Lines()->SetText(" select ");
    sql->txtSQL->setFocus();
    sql->txtSQL->SelectAll();
    s.main->Action("actViewTemplate")->trigger();
    TfrmTemplate *w = s.main->findChild<TfrmTemplate *>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->txtFind->text(), "SELECT");
    EXPECT_EQ(w->EntryNames(), QStringList{"SELECT"});
    EXPECT_EQ(w->lstTemplate->currentItem()->text(0), "SELECT");
    EXPECT_EQ(w->ShownText(), "【 SELECT 】\r\nSELECT ...");
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // No reference file: the error, and no window.
    QFile::remove(folder + "/R.tpl");
    s.dialogs.clear();
    s.main->Action("actViewTemplate")->trigger();
    EXPECT_EQ(s.main->findChild<TfrmTemplate *>(), nullptr);
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.calls().first().text.contains(".tpl"));
}
