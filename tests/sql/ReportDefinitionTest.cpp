// Report items and report definitions: the item lookup, the file format and
// its placement rule, and the definition editor driven as a user would
// (proposals, saving, renaming, checks, unreadable files), reached from the
// main window's tool menu.
#include "shell/ShellTestSupport.h"

#include "controls/tvRadioGroup.h"
#include "controls/tvStringGrid.h"
#include "shell/ModalSteps.h"
#include "shell/ReportDefinition.h"
#include "shell/WindowLaunchers.h"
#include "sql/RepData.h"
#include "sql/XlsDefinition.h"
#include "sql/frmXLSSetup.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>

using namespace tvtest;

namespace {

void WriteText(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray ReadText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Def(const QByteArray &type, const QByteArray &lines = QByteArray(), const QByteArray &version = "2",
               const QByteArray &output = "0")
{
    return "<?xml version=\"1.0\"?><TVDOC TVDOC-VERSION=\"" + version + "\"><XLSDEF XLSFILE=\"form.xlsx\" BODYTOP=\"5\" "
           "BODYCOUNT=\"10\" OUTPUTTYPE=\"" + output + "\" TYPE=\"" + type + "\">" + lines + "</XLSDEF></TVDOC>";
}

class Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterReportItems();
        dlg = std::make_unique<TfrmXLSSetup>();
        dlg->show();
    }
    void Choose(int type)
    {
        dlg->cmbDataType->setCurrentIndex(type);
        emit dlg->cmbDataType->activated(type);
    }
    // Types into a grid cell through the grid's own edit path.
    void Put(TtvStringGrid *g, int col, int row, const QString &text)
    {
        g->MoveCurrent(col, row);
        g->SetEditText(col, row, text);
    }

    ScratchDir scratch;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    std::unique_ptr<TfrmXLSSetup> dlg;
};

} // namespace

TEST(ReportItems, LookupByCaptionAndKey)
{
    struct Case {
        QString text;
        int index;
        TtvRepData expect;
    };
    const Case cases[] = {
        {QStringLiteral("TABLE"), 1, rtTable},
        {QStringLiteral("テーブル定義"), 0, rtTable},
        {QStringLiteral("table"), 1, rtObject},
        {QString(), 1, rtCreateDate},
        {QString(), 0, rtCreateDate},
        {QStringLiteral("INDEX"), 1, rtIndex},
        {QStringLiteral("OBJECTTYPE"), 1, rtObjectType},
        {QStringLiteral("COVERCROSS"), 1, rtCoverCross},
        {QStringLiteral("CONSTVALUE"), 1, rtConstValue},
        {QStringLiteral("制約・索引名"), 0, rtConstName},
        {QStringLiteral("DTYPE"), 0, rtObject},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FindRepData(c.text, c.index), c.expect) << c.text.toStdString();
    int filled = 0;
    for (const TRepDataItem &i : RepDataItems())
        filled += i.Key.isEmpty() ? 0 : 1;
    EXPECT_EQ(filled, 28);
    EXPECT_EQ(RepDataIndexOfKey(QStringLiteral("TABLENAME")), int(rtTableName));
    EXPECT_EQ(RepDataIndexOfKey(QStringLiteral("nothing")), -1);
}

TEST(ReportDefinitions, FileFormatPlacementAndRefusals)
{
    ScratchDir scratch;
    TReportDefinition def;
    def.XlsFile = QStringLiteral("form.xlsx");
    def.BodyTop = 5;
    def.BodyCount = 10;
    def.OutputType = 1;
    def.Type = QStringLiteral("TABLE");
    def.Header = {{QStringLiteral("SCHEMA"), 1, 2}};
    def.Body = {{QStringLiteral("COLUMNNAME"), 1, 1}, {QStringLiteral("DTYPE"), 2, 3}};
    def.Body2 = {{QStringLiteral("CONSTNAME"), 1, 1}};
    const QString path = xlsdef::FileOf(QStringLiteral("定義"));
    xlsdef::WriteDefinition(path, def);
    const QString text = QString::fromUtf8(ReadText(path));
    EXPECT_TRUE(text.contains(QStringLiteral("TVDOC-VERSION=\"2\"")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("<XLSDEF XLSFILE=\"form.xlsx\" BODYTOP=\"5\" BODYCOUNT=\"10\" "
                                                  "OUTPUTTYPE=\"1\" TYPE=\"TABLE\">"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
    EXPECT_LT(text.indexOf(QStringLiteral("<HEADER")), text.indexOf(QStringLiteral("<BODY ")));
    EXPECT_LT(text.indexOf(QStringLiteral("<BODY ")), text.indexOf(QStringLiteral("<BODY2")));
    EXPECT_TRUE(text.contains(QStringLiteral("<BODY NAME=\"DTYPE\" ROW=\"2\" COL=\"3\"/>")));

    const TReportDefinition back = xlsdef::ReadDefinition(path);
    EXPECT_EQ(back.Type, QStringLiteral("TABLE"));
    EXPECT_EQ(back.OutputType, 1);
    ASSERT_EQ(back.Body.size(), 2);
    EXPECT_EQ(back.Body[1].Name, QStringLiteral("DTYPE"));
    // Entry 3 of two-row entries from row 5 fills rows 11 and 12; 25
    // entries of blocks of 10 need the form's block three times.
    EXPECT_EQ(back.EntryRows(), 2);
    EXPECT_EQ(back.EntryRow(3, 1), 11);
    EXPECT_EQ(back.EntryRow(3, 2), 12);
    EXPECT_EQ(back.BlockCount(25), 3);
    EXPECT_EQ(back.BlockStart(2), 45);
    EXPECT_EQ(xlsdef::ListNames(), QStringList{QStringLiteral("定義")});

    // The registered reader and lookup reach the shell.
    RegisterReportItems();
    EXPECT_EQ(ReportServices().Read(path).Body2.size(), 1);
    EXPECT_EQ(ReportServices().ItemIndex(QStringLiteral("VIEW")), int(rtView));

    struct Bad {
        QByteArray content;
        QString message;
    };
    const QString version = QStringLiteral("このバージョンのファイルには対応していません。");
    const QString format = QStringLiteral("指定されたファイルの形式を認識できません。");
    const Bad bad[] = {
        {Def("TABLE", "", "3"), version},
        {"<TVDOC><XLSDEF TYPE=\"TABLE\"/></TVDOC>", version},
        {"<OTHER TVDOC-VERSION=\"2\"/>", version},
        {"<TVDOC TVDOC-VERSION=\"2\"><XLSDEF>", format},
        {"not xml", format},
    };
    for (const Bad &b : bad) {
        WriteText(path, b.content);
        try {
            xlsdef::ReadDefinition(path);
            ADD_FAILURE() << b.content.constData();
        } catch (const tv::Error &e) {
            EXPECT_EQ(e.text(), b.message) << b.content.constData();
        }
    }

    // Form lookup: a bare name in the folder, the output's extension first.
    EXPECT_EQ(ReportFormFile(QStringLiteral("form.xls"), QStringLiteral(".XLSX")), QString());
    WriteText(xlsdef::Folder() + QStringLiteral("form.xls"), "x");
    EXPECT_EQ(ReportFormFile(QStringLiteral("form.xls"), QStringLiteral(".XLSX")),
              xlsdef::Folder() + QStringLiteral("form.xls"));
    WriteText(xlsdef::Folder() + QStringLiteral("form.xlsx"), "x");
    EXPECT_EQ(ReportFormFile(QStringLiteral("form.xls"), QStringLiteral(".XLSX")),
              xlsdef::Folder() + QStringLiteral("form.xlsx"));
}

TEST_F(Editor, NewDefinitionGetsAFreeNameAndIsWrittenInOrder)
{
    WriteText(xlsdef::FileOf(QStringLiteral("テーブル定義")), Def("TABLE"));
    WriteText(xlsdef::FileOf(QStringLiteral("テーブル定義1")), Def("TABLE"));
    dlg->LoadDefinitionList();
    ASSERT_EQ(dlg->tabReport->count(), 2);
    EXPECT_EQ(dlg->txtName->text(), QStringLiteral("テーブル定義"));
    EXPECT_FALSE(dlg->Changed());
    dlg->actAdd->trigger();
    EXPECT_EQ(dlg->tabReport->count(), 3);
    EXPECT_TRUE(dlg->Changed());
    EXPECT_FALSE(dlg->actAdd->isEnabled());
    Choose(rtTable);
    EXPECT_EQ(dlg->txtName->text(), QStringLiteral("テーブル定義2"));
    EXPECT_TRUE(dlg->rdoOutputType->isEnabled());
    dlg->txtBodyTop->setText(QStringLiteral("5"));
    dlg->txtBodyCount->setText(QStringLiteral("10"));
    dlg->rdoOutputType->SetItemIndex(1);
    // Typing into the last row appends a new empty row.
    Put(dlg->grdBodyCol1, 0, 1, QStringLiteral("1"));
    EXPECT_EQ(dlg->grdBodyCol1->RowCount(), 3);
    Put(dlg->grdBodyCol1, 1, 1, QStringLiteral("2"));
    Put(dlg->grdBodyCol1, 2, 1, QStringLiteral("カラム名"));
    // A line without an item is neither checked nor written.
    Put(dlg->grdBodyCol1, 0, 2, QStringLiteral("x"));
    dlg->actOk->trigger();
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(u'|').toStdString();
    const QString file = xlsdef::FileOf(QStringLiteral("テーブル定義2"));
    const TReportDefinition def = xlsdef::ReadDefinition(file);
    EXPECT_EQ(def.Type, QStringLiteral("TABLE"));
    EXPECT_EQ(def.BodyTop, 5);
    EXPECT_EQ(def.BodyCount, 10);
    EXPECT_EQ(def.OutputType, 1);
    ASSERT_EQ(def.Body.size(), 1);
    EXPECT_EQ(def.Body[0].Name, QStringLiteral("COLUMNNAME"));
    EXPECT_EQ(def.Body[0].Row, 1);
    EXPECT_EQ(def.Body[0].Col, 2);
    // The list is read again and shows the first tab.
    EXPECT_EQ(dlg->tabReport->count(), 3);
    EXPECT_EQ(dlg->tabReport->currentIndex(), 0);
    EXPECT_FALSE(dlg->Changed());
}

TEST_F(Editor, ChecksStopSavingWithTheirMessage)
{
    dlg->LoadDefinitionList();
    EXPECT_TRUE(dlg->actAdd->isEnabled()); // also with no definition yet
    dlg->actAdd->trigger();
    struct Step {
        std::function<void()> set;
        QString message;
    };
    const Step steps[] = {
        {[] {}, QStringLiteral("定義タイプを入力して下さい。")},
        {[&] {
             Choose(rtObject);
             dlg->txtName->setText(QStringLiteral("  "));
         },
         QStringLiteral("Excel定義名を入力して下さい。")},
        {[&] { dlg->txtName->setText(QStringLiteral("../x")); },
         QStringLiteral("Excel定義名に使用できない文字が含まれています。")},
        {[&] { dlg->txtName->setText(QStringLiteral("一覧")); }, QStringLiteral("行の指定が無効です。")},
        {[&] { dlg->txtBodyTop->setText(QStringLiteral("1")); }, QStringLiteral("行の指定が無効です。")},
        {[&] {
             dlg->txtBodyCount->setText(QStringLiteral("1"));
             Put(dlg->grdHeaderCol, 0, 1, QStringLiteral("0"));
             Put(dlg->grdHeaderCol, 1, 1, QStringLiteral("1"));
             Put(dlg->grdHeaderCol, 2, 1, QStringLiteral("スキーマ"));
         },
         QStringLiteral("行の指定が無効です。")},
        {[&] {
             Put(dlg->grdHeaderCol, 0, 1, QStringLiteral("1"));
             Put(dlg->grdHeaderCol, 1, 1, QStringLiteral("A"));
         },
         QStringLiteral("桁の指定が無効です。")},
    };
    for (const Step &s : steps) {
        s.set();
        dialogs.clear();
        dlg->actOk->trigger();
        ASSERT_EQ(dialogs.texts().size(), 1);
        EXPECT_EQ(dialogs.texts()[0], s.message);
        EXPECT_TRUE(xlsdef::ListNames().isEmpty());
        EXPECT_TRUE(dlg->Changed());
    }
    EXPECT_EQ(dlg->grdHeaderCol->Col(), 1);
    EXPECT_FALSE(QFile::exists(scratch.file(QStringLiteral("x.def"))));
    Put(dlg->grdHeaderCol, 1, 1, QStringLiteral("3"));
    dialogs.clear();
    dlg->actOk->trigger();
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(xlsdef::ListNames(), QStringList{QStringLiteral("一覧")});
    EXPECT_FALSE(dlg->rdoOutputType->isEnabled());
}

TEST_F(Editor, UnknownKeysReadAsTheObjectListAndTabChangesAsk)
{
    WriteText(xlsdef::FileOf(QStringLiteral("a")),
              Def("VIEW", "<HEADER NAME=\"NOSUCH\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"DTYPE\" ROW=\"x\" COL=\"2\"/>"));
    WriteText(xlsdef::FileOf(QStringLiteral("b")), Def("OBJECT"));
    dlg->LoadDefinitionList();
    EXPECT_EQ(dlg->cmbDataType->currentText(), QStringLiteral("ビュー定義"));
    EXPECT_EQ(dlg->grdHeaderCol->Cells(2, 1), QStringLiteral("オブジェクト一覧"));
    EXPECT_EQ(dlg->grdBodyCol1->Cells(0, 1), QStringLiteral("0"));
    EXPECT_EQ(dlg->grdBodyCol1->Cells(2, 1), QStringLiteral("データ型"));
    EXPECT_EQ(dlg->grdBodyCol1->RowCount(), 3);
    // The same type again leaves the grids as they are.
    Choose(rtView);
    EXPECT_FALSE(dlg->Changed());
    EXPECT_EQ(dlg->grdHeaderCol->RowCount(), 3); // the title row, the line, the empty row

    // With a change, another tab asks: Cancel stays, No drops the change.
    dlg->txtXlsFile->setText(QStringLiteral("changed.xlsx"));
    emit dlg->txtXlsFile->textEdited(dlg->txtXlsFile->text());
    ASSERT_TRUE(dlg->Changed());
    dialogs.queueButton(tv::ui::IDCANCEL);
    dlg->tabReport->setCurrentIndex(1);
    EXPECT_EQ(dlg->tabReport->currentIndex(), 0);
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("情報が変更されています。保存しますか？"));
    dialogs.queueButton(tv::ui::IDNO);
    dlg->tabReport->setCurrentIndex(1);
    EXPECT_EQ(dlg->tabReport->currentIndex(), 1);
    EXPECT_EQ(dlg->txtName->text(), QStringLiteral("b"));
    EXPECT_FALSE(dlg->Changed());
    EXPECT_EQ(xlsdef::ReadDefinition(xlsdef::FileOf(QStringLiteral("a"))).XlsFile, QStringLiteral("form.xlsx"));

    // Saving the first one writes the unknown key as the object list's.
    dlg->tabReport->setCurrentIndex(0);
    Put(dlg->grdBodyCol1, 0, 1, QStringLiteral("1"));
    dlg->actOk->trigger();
    const TReportDefinition def = xlsdef::ReadDefinition(xlsdef::FileOf(QStringLiteral("a")));
    ASSERT_EQ(def.Header.size(), 1);
    EXPECT_EQ(def.Header[0].Name, QStringLiteral("OBJECT"));
}

TEST(ReportEditorWindow, RenameFromTheToolMenuRebuildsTheReportMenu)
{
    ShellSession s;
    TfrmXLSSetup::RegisterLauncher();
    WriteText(xlsdef::FileOf(QStringLiteral("old")), Def("TABLE", "", "2", "1"));
    WriteText(xlsdef::FileOf(QStringLiteral("zz")), Def("OBJECT"));
    s.Start({}); // no logon: the menus are built with the window
    auto menuNames = [&] {
        QStringList l;
        for (QAction *a : s.main->mnuReportMenu->actions())
            if (a->property("Path").isValid())
                l << a->text() + QLatin1Char('=') + QString::number(a->data().toInt());
        return l;
    };
    EXPECT_EQ(menuNames(), (QStringList{QStringLiteral("old=2"), QStringLiteral("zz=0")}));
    ModalSteps steps({{QStringLiteral("frmXLSSetup"), [](QWidget *w) {
                           auto *d = static_cast<TfrmXLSSetup *>(w);
                           d->txtName->setText(QStringLiteral("new"));
                           emit d->txtName->textEdited(d->txtName->text());
                           d->actOk->trigger();
                           d->actExit->trigger();
                       }}});
    s.main->Action(QStringLiteral("actToolReportSetup"))->trigger();
    for (int i = 0; i < 3000 && !steps.finished(); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(steps.finished());
    EXPECT_FALSE(QFile::exists(xlsdef::FileOf(QStringLiteral("old"))));
    EXPECT_TRUE(QFile::exists(xlsdef::FileOf(QStringLiteral("new"))));
    EXPECT_EQ(menuNames(), (QStringList{QStringLiteral("new=2"), QStringLiteral("zz=0")}));

    // A first definition that cannot be read keeps the editor closed.
    WriteText(xlsdef::FileOf(QStringLiteral("aaa")), Def("TABLE", "", "3"));
    s.main->Action(QStringLiteral("actToolReportSetup"))->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("このバージョンのファイルには対応していません。"));
    EXPECT_EQ(menuNames().size(), 3);
}

TEST_F(Editor, GridToolsDeleteRevertAndClose)
{
    WriteText(xlsdef::FileOf(QStringLiteral("a")),
              Def("OBJECT", "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"OBJECTNAME\" ROW=\"1\" COL=\"2\"/>"
                            "<BODY NAME=\"SCHEMA\" ROW=\"1\" COL=\"3\"/>"));
    WriteText(xlsdef::FileOf(QStringLiteral("b")), Def("VIEW"));
    dlg->LoadDefinitionList();
    TtvStringGrid *g = dlg->grdBodyCol1;
    auto items = [g] {
        QStringList l;
        for (int r = 1; r < g->RowCount(); ++r)
            l << g->Cells(2, r);
        return l;
    };
    ASSERT_EQ(items(), (QStringList{"連番", "オブジェクト名", "スキーマ", ""}));
    // The item list offers the detail items of the object list.
    QStringList offered;
    g->OnGetPickListitems(2, 1, offered);
    EXPECT_EQ(offered, (QStringList{"連番", "オブジェクト名", "スキーマ", "作成者", "コメント"}));

    struct State {
        int row;
        bool add, del, up, down;
    };
    const State states[] = {{1, true, true, false, true}, {2, true, true, true, true},
                            {3, true, true, true, false}, {4, false, false, false, false}};
    for (const State &st : states) {
        g->MoveCurrent(0, st.row);
        EXPECT_EQ(dlg->tolBody1.btnAdd->isEnabled(), st.add) << st.row;
        EXPECT_EQ(dlg->tolBody1.btnDel->isEnabled(), st.del) << st.row;
        EXPECT_EQ(dlg->tolBody1.btnUp->isEnabled(), st.up) << st.row;
        EXPECT_EQ(dlg->tolBody1.btnDown->isEnabled(), st.down) << st.row;
    }
    g->MoveCurrent(0, 1);
    QTest::mouseClick(dlg->tolBody1.btnDown, Qt::LeftButton);
    EXPECT_EQ(items(), (QStringList{"オブジェクト名", "連番", "スキーマ", ""}));
    EXPECT_EQ(g->Row(), 2);
    EXPECT_TRUE(dlg->Changed());
    QTest::mouseClick(dlg->tolBody1.btnUp, Qt::LeftButton);
    QTest::mouseClick(dlg->tolBody1.btnAdd, Qt::LeftButton);
    EXPECT_EQ(items(), (QStringList{"", "連番", "オブジェクト名", "スキーマ", ""}));
    EXPECT_EQ(g->Row(), 1);
    g->MoveCurrent(0, 3);
    QTest::mouseClick(dlg->tolBody1.btnDel, Qt::LeftButton);
    EXPECT_EQ(items(), (QStringList{"", "連番", "スキーマ", ""}));

    // Revert: No keeps the edits, Yes reads the files again.
    EXPECT_FALSE(dlg->actDelete->isEnabled());
    dialogs.queueButton(tv::ui::IDNO);
    dlg->actRefresh->trigger();
    EXPECT_TRUE(dlg->Changed());
    dialogs.queueButton(tv::ui::IDYES);
    dlg->actRefresh->trigger();
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("全ての変更を取り消しますか？"));
    EXPECT_FALSE(dlg->Changed());
    EXPECT_EQ(items(), (QStringList{"連番", "オブジェクト名", "スキーマ", ""}));

    // Ctrl+PageDown selects the next tab; delete asks (No the default).
    QTest::keyClick(dlg.get(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(dlg->txtName->text(), QStringLiteral("b"));
    dlg->actDelete->trigger(); // no answer: the default No
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("このExcel定義を削除しますか？"));
    EXPECT_TRUE(QFile::exists(xlsdef::FileOf(QStringLiteral("b"))));
    dialogs.queueButton(tv::ui::IDYES);
    dlg->actDelete->trigger();
    EXPECT_FALSE(QFile::exists(xlsdef::FileOf(QStringLiteral("b"))));
    EXPECT_EQ(dlg->tabReport->count(), 1);

    // Closing with changes asks: Cancel keeps the window, No closes it
    // without writing.
    dlg->txtXlsFile->setText(QStringLiteral("x.xlsx"));
    emit dlg->txtXlsFile->textEdited(dlg->txtXlsFile->text());
    dialogs.queueButton(tv::ui::IDCANCEL);
    dlg->actExit->trigger();
    EXPECT_TRUE(dlg->isVisible());
    dialogs.queueButton(tv::ui::IDNO);
    dlg->actExit->trigger();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(xlsdef::ReadDefinition(xlsdef::FileOf(QStringLiteral("a"))).XlsFile, QStringLiteral("form.xlsx"));
}
