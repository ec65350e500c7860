// The options dialog (checks, storing, key bindings, open windows following),
// the editor options dialog (fonts, tab sizes, reserved words, OK and
// Cancel) and the support information (text, copy, print).
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/ControlStyle.h"
#include "common/FormatOption.h"
#include "common/ReserveWords.h"
#include "controls/frmPrint.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvPrinter.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvTreeView.h"
#include "editor/EditorCaret.h"
#include "editor/EditorMark.h"
#include "editor/EditorMarks.h"
#include "editor/FountainColor.h"
#include "editor/tvMemo.h"
#include "editor/tvMemoProp.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/ShortCut.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmEditorOption.h"
#include "shell/frmOption.h"
#include "shell/frmSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

using namespace tvtest;

namespace {

QTreeWidgetItem *Node(QTreeWidget *tree, const QString &group, const QString &caption)
{
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem *gi = tree->topLevelItem(g);
        if (gi->text(0) != group)
            continue;
        for (int i = 0; i < gi->childCount(); ++i)
            if (gi->child(i)->text(0) == caption)
                return gi->child(i);
    }
    return nullptr;
}

QString PageShown(TfrmOption &dlg)
{
    return dlg.pgcOption->tabText(dlg.pgcOption->currentIndex());
}

// --- Options dialog without a connection -----------------------------------

class OptionDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.Start({});
        savedOption = tvOption;
        savedFormat = FormatOption;
    }
    void TearDown() override
    {
        tvOption = savedOption;
        FormatOption = savedFormat;
    }
    ShellSession s;
    TtvOption savedOption;
    TFormatOption savedFormat;
};

TEST_F(OptionDialog, InvalidValuesKeepTheDialogOpenOnTheirPage)
{
    struct Case {
        TtvNumEdit *TfrmOption::*field;
        QString value;
        QString page;    // empty: accepted
        QString message;
    };
    const QList<Case> cases{
        {&TfrmOption::txtMatrixCol, "256", "外部出力", "桁数は1から255までの整数で入力して下さい。"},
        {&TfrmOption::txtMatrixCol, "255", "", ""},
        {&TfrmOption::txtMatrixRow, "65536", "外部出力", "頁行数は1から65535までの整数で入力して下さい。"},
        {&TfrmOption::txtSQLTop, "0", "外部出力", "開始行は1から65535までの整数で入力して下さい。"},
        {&TfrmOption::txtDataFontSize, "0", "データ", "サイズ(pt)は1以上の整数で入力して下さい。"},
        {&TfrmOption::txtDiagramFontSize, "0", "SQL実行", "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。"},
        {&TfrmOption::txtGridFontSize, "0", "SQL実行", "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"},
        {&TfrmOption::txtDefTopRecord, "0", "データ",
         "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.value + " " + c.message).toStdString());
        tvOption = savedOption;
        s.dialogs.clear();
        TfrmOption dlg(s.main.get(), nullptr);
        dlg.show();
        dlg.txtCrossLevel->SetValueInt(7);
        (dlg.*c.field)->setText(c.value);
        QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
        if (c.page.isEmpty()) {
            EXPECT_TRUE(s.dialogs.texts().isEmpty());
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
            EXPECT_EQ(tvOption.CrossLevel, 7);
        } else {
            EXPECT_EQ(s.dialogs.texts(), QStringList({c.message}));
            EXPECT_EQ(s.dialogs.calls().at(0).flags & 0xF0, tv::ui::MB_ICONEXCLAMATION);
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_EQ(PageShown(dlg), c.page);
            EXPECT_EQ(tvOption.CrossLevel, savedOption.CrossLevel); // nothing stored
        }
    }
}

TEST_F(OptionDialog, OkStoresDerivedValues)
{
    TfrmOption dlg(s.main.get(), nullptr);
    dlg.show();
    dlg.txtSQLTop->setText(QStringLiteral("1"));
    dlg.cmbSQLLeft->setCurrentIndex(27);
    dlg.cmbTimeFormat->setCurrentText(QStringLiteral("HH:mm:ss"));
    dlg.txtExcelDir->setText(QString());
    dlg.txtFileDir->setText(QStringLiteral(" /tmp/x "));
    dlg.chkFind->setChecked(false);
    EXPECT_FALSE(dlg.chkFindAuto->isEnabled());
    QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(tvOption.ExcelTop, 0);
    EXPECT_EQ(tvOption.ExcelLeft, 27);
    EXPECT_EQ(tvOption.TimeDelphi, QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(tvOption.TimeOracle, QStringLiteral("hh24:mi:ss"));
    EXPECT_EQ(tvOption.ExcelDir, QStringLiteral("/"));
    EXPECT_EQ(tvOption.FileDir, QStringLiteral("/tmp/x/"));
    EXPECT_FALSE(tvOption.Find);
}

TEST_F(OptionDialog, PreviewFollowsTheFormatButCancelKeepsTheRecord)
{
    FormatOption.ItemReturn = 0;
    FormatOption.Indent = 4;
    const TFormatOption before = FormatOption;
    QString previewBefore, previewAfter;
    bool commaEnabled = true;
    ModalSteps steps({{QStringLiteral("frmOption"), [&](QWidget *w) {
                           auto *dlg = static_cast<TfrmOption *>(w);
                           previewBefore = dlg->txtFormat->toPlainText();
                           dlg->rdoItemReturn->Button(1)->click();
                           commaEnabled = dlg->rdoCommaPos->isEnabled();
                           previewAfter = dlg->txtFormat->toPlainText();
                           dlg->txtIndent->setText(QStringLiteral("4.5"));
                           EXPECT_EQ(dlg->txtIndent->text(), QStringLiteral("45"));
                           QTest::mouseClick(dlg->btnCancel, Qt::LeftButton);
                       }}});
    EXPECT_FALSE(TfrmOption::ShowWindow(s.main.get(), nullptr));
    EXPECT_TRUE(steps.finished());
    EXPECT_FALSE(commaEnabled);
    EXPECT_NE(previewBefore, previewAfter);
    EXPECT_EQ(FormatOption.ItemReturn, before.ItemReturn);
    EXPECT_EQ(FormatOption.Indent, before.Indent);
}

TEST_F(OptionDialog, KeyBindingTreeTakesOnlyValidKeysOnce)
{
    TfrmOption dlg(s.main.get(), nullptr);
    dlg.show();
    dlg.pgcOption->setCurrentIndex(5);
    QTreeWidget *tree = dlg.lstShortCut;
    QTreeWidgetItem *sqlNode = Node(tree, QStringLiteral("表示メニュー"), s.main->Action("actViewSQL")->text());
    QTreeWidgetItem *jump = Node(tree, QStringLiteral("編集メニュー"), s.main->Action("actEditJump")->text());
    ASSERT_NE(sqlNode, nullptr);
    ASSERT_NE(jump, nullptr);
    EXPECT_EQ(sqlNode->text(1), QStringLiteral("Ctrl+S"));
    EXPECT_EQ(jump->text(1), QStringLiteral("Ctrl+G"));
    tree->setFocus();
    tree->setCurrentItem(jump);

    struct Step {
        int key;
        Qt::KeyboardModifiers mods;
        QString shown;   // the node's text afterwards
        QString message; // empty: none
    };
    const QList<Step> steps{
        {Qt::Key_S, Qt::ControlModifier, "Ctrl+G", "同じショートカットが既に存在しています。"},
        {Qt::Key_S, Qt::NoModifier, "Ctrl+G", ""},
        {Qt::Key_F11, Qt::NoModifier, "Ctrl+G", ""},
        {Qt::Key_F12, Qt::ShiftModifier, "Ctrl+G", ""},
        {Qt::Key_F3, Qt::ShiftModifier, "Ctrl+G", "同じショートカットが既に存在しています。"}, // the find-previous key
        {Qt::Key_F9, Qt::ShiftModifier, "Shift+F9", ""},
        {Qt::Key_L, Qt::ControlModifier, "Ctrl+L", ""},
        {Qt::Key_Space, Qt::NoModifier, "", ""},
    };
    for (const Step &st : steps) {
        SCOPED_TRACE(st.shown.toStdString());
        s.dialogs.clear();
        QTest::keyClick(tree, Qt::Key(st.key), st.mods);
        EXPECT_EQ(jump->text(1), st.shown);
        EXPECT_EQ(tree->currentItem(), jump);
        EXPECT_EQ(s.dialogs.texts(), st.message.isEmpty() ? QStringList() : QStringList({st.message}));
        EXPECT_TRUE(dlg.isVisible());
    }
    // Nothing reaches the action before OK.
    EXPECT_EQ(s.main->Action("actEditJump")->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
    EXPECT_TRUE(s.main->Action("actEditJump")->shortcut().isEmpty());
}

TEST_F(OptionDialog, WithoutAConnectionEveryTypeButtonShows)
{
    TfrmOption dlg(s.main.get(), nullptr);
    dlg.show();
    int shown = 0;
    for (QToolButton *b : dlg.findChildren<QToolButton *>())
        if (b->objectName().startsWith(QLatin1String("btn")) && b->isCheckable() && b->isVisibleTo(&dlg))
            ++shown;
    EXPECT_EQ(shown, 14);
}

// --- Options dialog with open connection windows ---------------------------

class OptionDialogConnected : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("optdlg");
        if (!db->available())
            return;
        TfrmOption::RegisterLauncher();
        s.Start(LogonArgs(db->params()));
        tvOption.TreeSort = 0;
        s.main->show();
        s.FirstPaint();
    }
    void TearDown() override { RegisterLauncher(QStringLiteral("actToolOption"), {}); }
    std::unique_ptr<TestDb> db;
    ShellSession s;
};

TEST_F(OptionDialogConnected, KeysAndTreeOrderReachEveryConnectionWindowAndSurviveExit)
{
    TV_REQUIRE_DB(*db);
    // A second connection window.
    TfrmObject *first = s.Form(0);
    ASSERT_NE(first, nullptr);
    auto *second = TfrmObject::Create(s.main.get(), db->params().host, db->params().port, db->params().database,
                                      QString(), db->params().user, db->params().password);
    ASSERT_NE(second, nullptr);
    auto hasSchemaNode = [](TfrmObject *f) {
        QTreeWidgetItem *root = f->tvTree->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            if (root->child(i)->text(0) == QLatin1String("public"))
                return true;
        return false;
    };
    ASSERT_TRUE(hasSchemaNode(first));

    ModalSteps steps({{QStringLiteral("frmOption"), [&](QWidget *w) {
                           auto *dlg = static_cast<TfrmOption *>(w);
                           for (int i = 0; i < dlg->pgcOption->count(); ++i)
                               if (dlg->pgcOption->tabText(i) == QLatin1String("キー操作"))
                                   dlg->pgcOption->setCurrentIndex(i);
                           QTreeWidgetItem *del = Node(dlg->lstShortCut, QStringLiteral("編集メニュー"),
                                                       QStringLiteral("削除(&D)"));
                           ASSERT_NE(del, nullptr);
                           dlg->lstShortCut->setFocus();
                           dlg->lstShortCut->setCurrentItem(del);
                           QTest::keyClick(dlg->lstShortCut, Qt::Key_D, Qt::ControlModifier);
                           EXPECT_EQ(del->text(1), QStringLiteral("Ctrl+D"));
                           dlg->rdoSort->Button(1)->click();
                           QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
                       }}});
    s.main->Action(QStringLiteral("actToolOption"))->trigger();
    ASSERT_TRUE(steps.finished());
    for (TfrmObject *f : {first, second}) {
        EXPECT_EQ(f->Action(QStringLiteral("actDelete"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        EXPECT_TRUE(f->btnTree2->isChecked());
        EXPECT_FALSE(hasSchemaNode(f));
    }
    EXPECT_EQ(tvOption.TreeSort, 1);

    // Ctrl+D on a selected table asks to delete it.
    db->exec("CREATE TABLE deleteme (x int)");
    tvOption.TreeSort = 0;
    first->btnTree1->setChecked(true);
    first->ShowTree();
    first->tvTree->setCurrentItem(first->tvTree->topLevelItem(0));
    first->ShowObject(false);
    TtvListItem *item = nullptr;
    for (int i = 0; i < first->lstObject->ItemCount(); ++i)
        if (first->lstObject->Item(i)->Caption() == QLatin1String("deleteme"))
            item = first->lstObject->Item(i);
    ASSERT_NE(item, nullptr);
    first->lstObject->setFocus();
    first->lstObject->setCurrentItem(item);
    item->setSelected(true);
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDNO);
    QTest::keyClick(first->lstObject, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(PollUntil([&] { return !s.dialogs.calls().isEmpty(); }));
    ASSERT_FALSE(s.dialogs.texts().isEmpty());
    EXPECT_EQ(s.dialogs.texts().first(), QStringLiteral("オブジェクトを削除しますか？"));

    // Exit keeps the binding.
    EXPECT_TRUE(s.CloseMain());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\SHORTCUT"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("EditDelete")), QStringLiteral("Ctrl+D"));
    reg.CloseKey();
}

// --- Editor options ---------------------------------------------------------

TEST(EditorOptionModel, FontListHoldsFixedPitchFamiliesThenMSUIGothic)
{
    const QStringList names = TfrmEditorOption::FontNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last(), QStringLiteral("MS UI Gothic"));
    EXPECT_EQ(names.count(QStringLiteral("MS UI Gothic")), 1);
    for (const QString &n : names.mid(0, names.size() - 1)) {
        EXPECT_FALSE(n.startsWith(QLatin1Char('@'))) << n.toStdString();
        EXPECT_TRUE(QFontDatabase::isFixedPitch(n)) << n.toStdString();
    }
    for (const QString &f : QFontDatabase::families())
        if (!QFontDatabase::isFixedPitch(f) && f != QLatin1String("MS UI Gothic"))
            EXPECT_FALSE(names.contains(f)) << f.toStdString();
}

TEST(EditorOptionModel, ReservedWordLines)
{
    struct Case {
        QString text;
        QStringList words;
        QString refused;
    };
    const QList<Case> cases{
        {"  SELECT  \nfrom", {"SELECT", "from"}, ""},
        {"\n\nSELECT", {"SELECT"}, ""},
        {"A\n\n\nB", {"A", "", "B"}, ""}, // two empty lines leave one
        {"A\n\nB", {"A", "B"}, ""},
        {"A\na b\nc d", {}, "a b"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QString refused;
        EXPECT_EQ(TfrmEditorOption::ReserveLines(c.text, &refused), c.words);
        EXPECT_EQ(refused, c.refused);
    }
}

class EditorOptionDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.Start({});
        savedWords = ReserveWordList;
        saved.Assign(*prpEditor);
    }
    void TearDown() override
    {
        ReserveWordList = savedWords;
        if (prpEditor)
            prpEditor->Assign(saved);
    }
    ShellSession s;
    QStringList savedWords;
    TtvMemoProp saved;
};

TEST_F(EditorOptionDialog, ChecksKeepTheDialogOpenAndOkReachesNewEditors)
{
    TfrmEditorOption::RegisterLauncher();
    prpEditor->Caret()->SetTabSpaceCount(8);
    QList<int> tabSizes;
    QStringList pages;
    ModalSteps steps({{QStringLiteral("frmEditorOption"), [&](QWidget *w) {
                           auto *dlg = static_cast<TfrmEditorOption *>(w);
                           // Only even tab sizes from 2 to 8.
                           dlg->spnTabSize->setValue(2);
                           for (int i = 0; i < 5; ++i) {
                               tabSizes << dlg->spnTabSize->value();
                               dlg->spnTabSize->stepUp();
                           }
                           dlg->spnTabSize->setValue(5);
                           tabSizes << dlg->spnTabSize->value();
                           dlg->txtReserve->setPlainText(QStringLiteral("SELECT\na b\nFROM"));
                           QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
                           pages << dlg->pagEditor->tabText(dlg->pagEditor->currentIndex());
                           dlg->txtReserve->setPlainText(QStringLiteral(" SELECT \nMYWORD"));
                           dlg->txtFontSize->setText(QStringLiteral("0"));
                           QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
                           pages << dlg->pagEditor->tabText(dlg->pagEditor->currentIndex());
                           dlg->txtFontSize->setText(QStringLiteral("12"));
                           QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
                       }}});
    s.main->Action(QStringLiteral("actToolEditorOption"))->trigger();
    ASSERT_TRUE(steps.finished());
    RegisterLauncher(QStringLiteral("actToolEditorOption"), {});
    EXPECT_EQ(tabSizes, QList<int>({2, 4, 6, 8, 8, 4}));
    EXPECT_EQ(s.dialogs.texts(), QStringList({"予約語に空白が含まれているため登録できません。(a b)",
                                              "サイズは1以上の整数で入力して下さい。"}));
    EXPECT_EQ(pages, QStringList({"予約語", "色・フォント"}));
    EXPECT_EQ(ReserveWordList, QStringList({"SELECT", "MYWORD"}));
    EXPECT_EQ(prpEditor->Caret()->TabSpaceCount(), 4);
    EXPECT_EQ(prpEditor->Font()->Size, 12);

    // An editor built now takes the settings.
    TtvMemo memo;
    ApplyControlStyle(&memo);
    EXPECT_EQ(memo.Caret()->TabSpaceCount(), 4);

    // Exit writes them.
    EXPECT_TRUE(s.CloseMain());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\EDITOR"), false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("TabSize")), 4);
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\RESERVE"), false));
    QStringList names = reg.GetValueNames();
    names.sort();
    EXPECT_EQ(names, QStringList({"MYWORD", "SELECT"}));
    reg.CloseKey();
}

TEST_F(EditorOptionDialog, CancelChangesNothingAndASmallFontTakesTheFirstSize)
{
    prpEditor->Font()->Size = 7;
    prpEditor->Caret()->SetTabSpaceCount(8);
    const QStringList words = ReserveWordList;
    int sampleSize = 0;
    QString shownSize;
    QList<bool> eofStates;
    tv::ui::TColor eofColor = 0;
    const tv::ui::TColor eofBefore = prpEditor->Marks()->EofMark()->Color();
    ModalSteps steps({{QStringLiteral("frmEditorOption"), [&](QWidget *w) {
                           auto *dlg = static_cast<TfrmEditorOption *>(w);
                           sampleSize = dlg->Sample().Font()->Size;
                           shownSize = dlg->txtFontSize->text();
                           dlg->spnTabSize->setValue(2);
                           dlg->txtReserve->setPlainText(QStringLiteral("ONLY"));
                           // "指定なし" on the EOF mark hides it in the sample; a grid colour shows it.
                           dlg->pagEditor->setCurrentWidget(dlg->tabColor);
                           dlg->lstColors->setCurrentRow(4);
                           TEditorMark *eof = dlg->Sample().Marks()->EofMark();
                           QTest::mouseClick(dlg->pnlColors, Qt::LeftButton);
                           eofStates << eof->Visible();
                           QTest::mouseClick(dlg->grdColors, Qt::LeftButton, {}, QPoint(4 + 16 + 8, 4 + 8));
                           eofStates << eof->Visible();
                           eofColor = eof->Color();
                           QTest::mouseClick(dlg->btnCancel, Qt::LeftButton);
                       }}});
    EXPECT_FALSE(TfrmEditorOption::ShowWindow(prpEditor));
    ASSERT_TRUE(steps.finished());
    EXPECT_EQ(sampleSize, 8);
    EXPECT_EQ(eofStates, QList<bool>({false, true}));
    EXPECT_EQ(eofColor, tv::ui::clMaroon);
    EXPECT_EQ(prpEditor->Marks()->EofMark()->Color(), eofBefore);
    EXPECT_EQ(shownSize, QStringLiteral("8"));
    EXPECT_EQ(prpEditor->Caret()->TabSpaceCount(), 8);
    EXPECT_EQ(prpEditor->Font()->Size, 7);
    EXPECT_EQ(ReserveWordList, words);
    EXPECT_FALSE(TfrmEditorOption::ShowWindow(nullptr));
}

TEST(EditorColorManager, GridOrderNoneEntryAndLabels)
{
    TColorGrid grid;
    QFrame none;
    QLabel fg, bg;
    QCheckBox bold, ul, italic;
    TEditorColorManager m(&grid, &none, &fg, &bg, &bold, &ul, &italic);
    ASSERT_EQ(m.FColorList.size(), 17);
    EXPECT_EQ(m.FColorList.at(7), tv::ui::clSilver);
    EXPECT_EQ(m.FColorList.at(8), tv::ui::clGray);
    EXPECT_EQ(m.FColorList.at(16), tv::ui::clNone);

    // A mark: none hides it, a grid colour shows it.
    TEditorMark mark;
    mark.SetColor(tv::ui::RGBColor(1, 2, 3)); // not one of the 16
    m.AttachEditorMark(&mark);
    EXPECT_FALSE(fg.isHidden());
    EXPECT_FALSE(bold.isEnabled());
    m.NoneMouseUp(Qt::LeftButton);
    EXPECT_EQ(mark.Color(), tv::ui::clNone);
    grid.ForegroundIndex = 9;
    m.ColorGridMouseUp(Qt::LeftButton);
    EXPECT_EQ(mark.Color(), tv::ui::clRed);
    EXPECT_TRUE(fg.isHidden());

    // A colour pair: right click sets the background, styles follow the boxes.
    TFountainColor pair;
    pair.SetColor(tv::ui::clBlack);
    pair.SetBkColor(tv::ui::clWhite);
    m.AttachFountainColor(&pair);
    EXPECT_TRUE(bold.isEnabled());
    grid.BackgroundIndex = 14;
    m.ColorGridMouseUp(Qt::RightButton);
    EXPECT_EQ(pair.BkColor(), tv::ui::clAqua);
    bold.setChecked(true);
    EXPECT_TRUE(pair.Style() & FontStyleBit(fsBold));
    m.NoneMouseUp(Qt::RightButton);
    EXPECT_EQ(pair.BkColor(), tv::ui::clNone);
    EXPECT_FALSE(bg.isHidden());
}

// --- Support information ----------------------------------------------------

TEST(SupportInfo, LinesFollowTheFixedForm)
{
    TSupportFacts f{"/opt/Talvex/talvex", "/usr/lib/libpq.so.5", "Debian GNU/Linux 12", "6.1.0", "Users", "/a:/b:"};
    const QStringList lines = TfrmSupport::SupportLines(f);
    const QString blanks(23, QLatin1Char(' '));
    EXPECT_EQ(lines, QStringList({"【Talvex情報】", "  バージョン         : 19.0.0.0",
                                  "  プログラムのパス   : /opt/Talvex/talvex", "", "【PostgreSQL情報】",
                                  "  libpq.dllのパス    : /usr/lib/libpq.so.5", "", "【OS情報】",
                                  "  OS                 : Debian GNU/Linux 12", "  OSバージョン       : 6.1.0",
                                  "  ユーザ権限         : Users", "  PATH環境変数       : /a", blanks + "/b", blanks}));
    struct PathCase {
        QString path;
        QStringList tail;
    };
    const QList<PathCase> paths{
        {"", {"  PATH環境変数       : "}},
        {"/usr/bin", {"  PATH環境変数       : /usr/bin"}},
        {"/ホーム/ツール:/bin", {"  PATH環境変数       : /ホーム/ツール", blanks + "/bin"}},
    };
    for (const PathCase &c : paths) {
        f.Path = c.path;
        const QStringList l = TfrmSupport::SupportLines(f);
        EXPECT_EQ(l.mid(11), c.tail) << c.path.toStdString();
    }
    f.LibpqPath.clear();
    EXPECT_EQ(TfrmSupport::SupportLines(f).at(5), QStringLiteral("  libpq.dllのパス    : "));
}

TEST(SupportInfo, UserGroups)
{
    EXPECT_EQ(TfrmSupport::UserGroupName(0, {"users"}), QStringLiteral("Administrator"));
    EXPECT_EQ(TfrmSupport::UserGroupName(1000, {"users", "sudo"}), QStringLiteral("Power Users"));
    EXPECT_EQ(TfrmSupport::UserGroupName(1000, {"wheel"}), QStringLiteral("Power Users"));
    EXPECT_EQ(TfrmSupport::UserGroupName(1000, {"users"}), QStringLiteral("Users"));
    // The library the program runs with is named.
    EXPECT_TRUE(TfrmSupport::LoadedLibpqPath().contains(QStringLiteral("libpq")));
}

TEST(SupportInfo, CopyAndPrint)
{
    tvtest::ScratchDir scratch;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    TfrmSupport dlg(TfrmSupport::SupportLines(TfrmSupport::ReadFacts()));
    dlg.show();
    EXPECT_TRUE(dlg.S.first() == QStringLiteral("【Talvex情報】"));
    EXPECT_TRUE(dlg.txtSupport->isReadOnly());
    QApplication::clipboard()->clear();
    dlg.actCopy->trigger();
    EXPECT_EQ(dialogs.texts(), QStringList({"クリップボードに出力しました。"}));
    EXPECT_EQ(QApplication::clipboard()->text(), dlg.S.join(QLatin1Char('\n')));
    EXPECT_EQ(dlg.actCopy->text(), QStringLiteral("クリップボード出力(&C)"));
    EXPECT_EQ(dlg.actPrint->text(), QStringLiteral("印刷(&P)"));
    dlg.PrintSupportInfo();
    EXPECT_GE(prtData.PageCount(), 1);
    dlg.resize(600, 300);
    QApplication::processEvents();
    EXPECT_EQ(dlg.btnOK->x(), qRound((dlg.width() - dlg.btnOK->width()) / 2.0));
}

} // namespace

namespace {

TEST(SupportInfo, HelpMenuOpensTheDialog)
{
    ShellSession s;
    s.Start({});
    TfrmSupport::RegisterLauncher();
    QString first;
    ModalSteps steps({{QStringLiteral("frmSupport"), [&](QWidget *w) {
                           auto *dlg = static_cast<TfrmSupport *>(w);
                           first = dlg->txtSupport->toPlainText().section(QLatin1Char('\n'), 0, 1);
                           QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
                       }}});
    s.main->Action(QStringLiteral("actHelpSupport"))->trigger();
    RegisterLauncher(QStringLiteral("actHelpSupport"), {});
    ASSERT_TRUE(steps.finished());
    EXPECT_EQ(first, QStringLiteral("【Talvex情報】\n  バージョン         : 19.0.0.0"));
}

} // namespace
