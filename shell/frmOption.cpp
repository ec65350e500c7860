#include "shell/frmOption.h"

#include "common/Globals.h"
#include "common/HTMLHelp.h"
#include "common/MessageDlg.h"
#include "common/SQLFormatter.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioGroup.h"
#include "platform/excel/Workbook.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Font.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ShortCut.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int HelpContextOption = 50100;

// The key-binding tree: group captions and their actions, in order.
const struct {
    const char *caption;
    std::initializer_list<const char *> actions;
} ShortCutGroups[] = {
    {"ファイルメニュー", {"actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff", "actFileExit"}},
    {"編集メニュー",
     {"actEditUndo", "actEditRedo", "actEditCut", "actEditCopy", "actEditPaste", "actEditDelete", "actEditRename",
      "actEditSelectAll", "actEditSelectMode", "actEditFind", "actEditFindNext", "actEditFindPrev",
      "actEditReplace", "actEditJump", "actEditFormat", "actEditComment", "actEditUpperCase",
      "actEditLowerCase", "actEditIndentF", "actEditIndentR", "actEditMacroSave", "actEditMacroExec",
      "actEditOpen"}},
    {"オブジェクトリストメニュー",
     {"actNew", "actOpen", "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop", "actExec",
      "actScript", "actPrint", "actCross", "actMatrix", "actGrant", "actAnalyze", "actDelete", "actGrep",
      "actExport", "actLoad"}},
    {"表示メニュー", {"actViewSQL", "actViewScript", "actViewField", "actViewTemplate"}},
    {"管理メニュー",
     {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
      "actAdminPerform", "actAdminExport", "actAdminImport", "actAdminLoad"}},
    {"ツールメニュー",
     {"actToolCommandSetup", "actToolReportSetup", "actViewComp", "actToolIndexAdviser", "actViewSQLCatch",
      "actViewSQLCRUD", "actToolOption", "actToolEditorOption", "actToolScriptOption"}},
};

const QString FontSampleText = QStringLiteral("ABCxzy\nあいう亜井宇");

QCheckBox *Check(QCheckBox *&box, const char *name, const QString &caption)
{
    box = new QCheckBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

TtvNumEdit *Num(TtvNumEdit *&edit, const char *name)
{
    edit = new TtvNumEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(80);
    return edit;
}

QLineEdit *Edit(QLineEdit *&edit, const char *name)
{
    edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

TtvRadioGroup *Radio(TtvRadioGroup *&g, const char *name, const QString &title, const QStringList &items,
                     int columns = 1)
{
    g = new TtvRadioGroup(title, items, columns);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

QToolButton *Button(QToolButton *&b, const char *name, const QString &text = QStringLiteral("..."))
{
    b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    return b;
}

// A folder text as stored: trimmed, ending in "/" (an empty text is "/").
QString FolderText(const QString &text)
{
    if (text.endsWith(QLatin1Char('/')))
        return text;
    return text.trimmed() + QLatin1Char('/');
}

void FillFontList(QListWidget *list)
{
    list->addItems(QFontDatabase::families());
}

void SelectFont(QListWidget *list, const QString &name)
{
    const auto found = list->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.first());
    else
        list->setCurrentRow(-1);
}

QString SelectedFont(QListWidget *list, const QString &old)
{
    return list->currentItem() && list->currentItem()->isSelected() ? list->currentItem()->text() : old;
}

} // namespace

TfrmOption::TfrmOption(TfrmMain *main, TfrmObject *Owner) : QDialog(main), FMain(main), FOwner(Owner)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    BuildForm();
    // 2. The aggregate and materialized-view buttons follow the owner's server.
    if (FOwner) {
        btnAgrg->setVisible(FOwner->DBVer() >= 90400);
        btnMView->setVisible(FOwner->DBVer() >= 90300);
    }
    // 3.
    pgcOption->setCurrentIndex(0);
    SettingsToControls();
    // 4.
    FSavedFormat = FormatOption;
    SampleSQL = QStringLiteral(
        "/* 表示サンプル */\r\nBEGIN SELECT S01.COL01, S01.COL02 FROM SAMPLE01 S01, SMAPLE02 S02 WHERE S01.COL01 = "
        "S02.COL1 AND S01.COL2 IS NOT NULL GROUP BY COL1 HAVING COL1 > 1 AND COL2 IS NOT NULL ORDER BY COL1, COL2 "
        "DESC; END;");
    PreIndent = FormatOption.Indent;
    txtFormat->setPlainText(FormatSQLText(SampleSQL, FormatOption));
}

TfrmOption::~TfrmOption() = default;

bool TfrmOption::ShowWindow(TfrmMain *main, TfrmObject *Owner)
{
    TfrmOption dlg(main, Owner);
    const bool ok = dlg.exec() == QDialog::Accepted;
    if (!ok)
        FormatOption = dlg.FSavedFormat;
    return ok;
}

void TfrmOption::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actToolOption"), [](const TLaunchContext &c) -> QWidget * {
        ShowWindow(qobject_cast<TfrmMain *>(c.MainWindow), c.Connection);
        return nullptr;
    });
}

// ---------------------------------------------------------------------------
// Building

void TfrmOption::BuildForm()
{
    auto *top = new QVBoxLayout(this);
    pgcOption = new QTabWidget;
    pgcOption->setObjectName(QStringLiteral("pgcOption"));
    pgcOption->addTab(BuildListPage(), QStringLiteral("オブジェクトリスト"));
    pgcOption->addTab(BuildDefinePage(), QStringLiteral("定義情報"));
    pgcOption->addTab(BuildSQLPage(), QStringLiteral("SQL実行"));
    pgcOption->addTab(BuildDataPage(), QStringLiteral("データ"));
    pgcOption->addTab(BuildFormatPage(), QStringLiteral("整形出力"));
    pgcOption->addTab(BuildKeyPage(), QStringLiteral("キー操作"));
    pgcOption->addTab(BuildOutputPage(), QStringLiteral("外部出力"));
    pgcOption->addTab(BuildDetailPage(), QStringLiteral("詳細設定"));
    top->addWidget(pgcOption);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(QStringLiteral("OK"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"));
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton *b : {btnOk, btnCancel, btnHelp}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    btnOk->setDefault(true);
    top->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, tv::ui::Guarded([] { ShowHelpContext(HelpContextOption); }));
}

QWidget *TfrmOption::BuildListPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    v->addWidget(Radio(rdoSort, "rdoSort", QStringLiteral("ツリー順序"),
                       {QStringLiteral("スキーマ → オブジェクトタイプ 順"),
                        QStringLiteral("オブジェクトタイプ → スキーマ 順")}));
    auto *types = new QGroupBox(QStringLiteral("表示するオブジェクトタイプ"));
    auto *tl = new QHBoxLayout(types);
    const struct {
        QToolButton **b;
        const char *name;
        const char *hint;
        int image;
    } buttons[] = {
        {&btnTable, "btnTable", "テーブル", 45},         {&btnIndex, "btnIndex", "インデックス", 46},
        {&btnView, "btnView", "ビュー", 47},              {&btnProc, "btnProc", "プロシージャ", 51},
        {&btnFunc, "btnFunc", "ファンクション", 52},      {&btnPack, "btnPack", "パッケージ", 53},
        {&btnType, "btnType", "タイプ", 55},              {&btnTrigger, "btnTrigger", "トリガー", 57},
        {&btnSeq, "btnSeq", "シーケンス", 58},            {&btnSynonym, "btnSynonym", "シノニム", 60},
        {&btnMView, "btnMView", "マテリアライズドビュー", 61}, {&btnConst, "btnConst", "制約", 66},
        {&btnRule, "btnRule", "ルール", 127},              {&btnAgrg, "btnAgrg", "集約関数", 128},
    };
    for (const auto &b : buttons) {
        Button(*b.b, b.name, QString());
        (*b.b)->setCheckable(true);
        (*b.b)->setToolTip(QString::fromUtf8(b.hint));
        if (FMain)
            (*b.b)->setIcon(FMain->MainImage(b.image));
        if ((*b.b)->icon().isNull())
            (*b.b)->setText(QString::fromUtf8(b.hint));
        tl->addWidget(*b.b);
    }
    tl->addStretch();
    v->addWidget(types);
    v->addWidget(new QLabel(QStringLiteral("プロシージャはEDB PostgresまたはPostgreSQL 11以上に接続時、")));
    v->addWidget(new QLabel(QStringLiteral("パッケージ、パッケージボディ、シノニムはEnterpriseDB接続時のみ表示されます。")));
    v->addWidget(Check(chkUserFirst, "chkUserFirst", QStringLiteral("接続スキーマを一番最初に表示する")));
    v->addWidget(Check(chkData, "chkData", QStringLiteral("オブジェクト固有の詳細情報を表示する")));
    v->addWidget(Check(chkProgress, "chkProgress", QStringLiteral("一覧表示中の途中経過を表示する")));
    v->addWidget(Check(chkRowSelect, "chkRowSelect", QStringLiteral("オブジェクト選択時、行全体を反転する")));
    v->addWidget(Check(chkDelErr, "chkDelErr", QStringLiteral("オブジェクト一括削除時のエラーを無視する")));
    v->addWidget(Check(chkFind, "chkFind", QStringLiteral("絞り込み検索機能を表示する")));
    v->addWidget(Check(chkFindAuto, "chkFindAuto", QStringLiteral("総称検索を行う ( LIKE '%検索値%' )")));
    v->addStretch();
    connect(chkFind, &QCheckBox::toggled, this, [this] { chkFindClick(); });
    return page;
}

QWidget *TfrmOption::BuildDefinePage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    v->addWidget(new QLabel(QStringLiteral("各種オブジェクト定義画面の、共通設定を入力します。")));
    auto *h = new QHBoxLayout;
    h->addWidget(new QLabel(QStringLiteral("初期表示タブ")));
    cmbOpenMode = new QComboBox;
    cmbOpenMode->setObjectName(QStringLiteral("cmbOpenMode"));
    cmbOpenMode->addItems({QStringLiteral("定義情報"), QStringLiteral("ソース情報"), QStringLiteral("データ")});
    h->addWidget(cmbOpenMode);
    h->addStretch();
    v->addLayout(h);
    v->addWidget(Check(chkShowDDL, "chkShowDDL", QStringLiteral("定義変更時に実行される DDL 文を表示する")));
    v->addWidget(Check(chkShowStorageSource, "chkShowStorageSource", QStringLiteral("SQL文に領域情報を含める")));
    v->addWidget(Check(chkShowColumnSource, "chkShowColumnSource", QStringLiteral("SQL文に項目名を含める(VIEW)")));
    v->addWidget(Check(chkCloseDDL, "chkCloseDDL",
                       QStringLiteral("定義変更時にエラーが発生しなかった場合、自動で DDL 実行画面を閉じる")));
    auto group = [&](QCheckBox *&main, const char *mainName, const QString &caption, QCheckBox *&dialog,
                     const char *dialogName, QCheckBox *&renum, const char *renumName, QCheckBox *&head,
                     const char *headName, QLabel *&label, QLineEdit *&edit, const char *editName,
                     QToolButton *&button, const char *buttonName) {
        v->addWidget(Check(main, mainName, caption));
        auto *g = new QHBoxLayout;
        g->addSpacing(20);
        g->addWidget(Check(dialog, dialogName, QStringLiteral("ダイアログ表示")));
        g->addWidget(Check(renum, renumName, QStringLiteral("自動採番")));
        g->addWidget(Check(head, headName, QStringLiteral("修正履歴")));
        label = new QLabel(QStringLiteral("出力先"));
        g->addWidget(label);
        g->addWidget(Edit(edit, editName), 1);
        g->addWidget(Button(button, buttonName));
        v->addLayout(g);
        QLineEdit *e = edit;
        connect(button, &QToolButton::clicked, this, tv::ui::Guarded([this, e] {
                    SelectFolder(e, QStringLiteral("出力先を選択して下さい。"));
                }));
    };
    group(chkBeforeSource, "chkBeforeSource", QStringLiteral("変更前のソースを保存する"), chkBeforeSrcDialog,
          "chkBeforeSrcDialog", chkBeforeSrcRenum, "chkBeforeSrcRenum", chkBeforeSrcHead, "chkBeforeSrcHead",
          lblBeforeSource, txtBeforeSource, "txtBeforeSource", btnBeforeSource, "btnBeforeSource");
    group(chkAfterSource, "chkAfterSource", QStringLiteral("変更後のソースを保存する"), chkAfterSrcDialog,
          "chkAfterSrcDialog", chkAfterSrcRenum, "chkAfterSrcRenum", chkAfterSrcHead, "chkAfterSrcHead",
          lblAfterSource, txtAfterSource, "txtAfterSource", btnAfterSource, "btnAfterSource");
    v->addWidget(Check(chkBackupData, "chkBackupData",
                       QStringLiteral("テーブル再作成時に、データ退避テーブルを作成する")));
    v->addWidget(Check(chkDefaultAutoQuote, "chkDefaultAutoQuote",
                       QStringLiteral("省略時値に文字列を指定した際、シングルクォーテーョンを自動付加する(TABLE)")));
    v->addStretch();
    connect(chkBeforeSource, &QCheckBox::toggled, this, [this] { chkBeforeSourceClick(); });
    connect(chkAfterSource, &QCheckBox::toggled, this, [this] { chkAfterSourceClick(); });
    return page;
}

namespace {
// A font group: the list, the size field and the sample.
QGroupBox *FontGroup(const QString &title, QListWidget *&list, const char *listName, TtvNumEdit *&size,
                     const char *sizeName, QLabel *&sample)
{
    auto *g = new QGroupBox(title);
    auto *h = new QHBoxLayout(g);
    list = new QListWidget;
    list->setObjectName(QString::fromLatin1(listName));
    FillFontList(list);
    h->addWidget(list, 2);
    auto *v = new QVBoxLayout;
    v->addWidget(new QLabel(QStringLiteral("サイズ(pt)")));
    v->addWidget(Num(size, sizeName));
    sample = new QLabel(FontSampleText);
    sample->setFrameShape(QFrame::Box);
    v->addWidget(sample);
    v->addStretch();
    h->addLayout(v, 1);
    return g;
}
} // namespace

QWidget *TfrmOption::BuildSQLPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *builder = new QGroupBox(QStringLiteral("SQLビルダ"));
    auto *bv = new QVBoxLayout(builder);
    bv->addWidget(FontGroup(QStringLiteral(" ダイアグラム部 "), lstDiagramFontName, "lstDiagramFontName",
                            txtDiagramFontSize, "txtDiagramFontSize", lblDiagramSample));
    bv->addWidget(FontGroup(QStringLiteral(" グリッド部 "), lstGridFontName, "lstGridFontName", txtGridFontSize,
                            "txtGridFontSize", lblGridSample));
    v->addWidget(builder);
    auto *h = new QHBoxLayout;
    h->addWidget(new QLabel(QStringLiteral("SQL履歴数")));
    h->addWidget(Num(txtSQLBuf, "txtSQLBuf"));
    h->addStretch();
    v->addLayout(h);
    v->addWidget(Check(chkUsePartial, "chkUsePartial", QStringLiteral("文字選択された範囲のSQLのみを実行する")));
    v->addStretch();
    return page;
}

QWidget *TfrmOption::BuildDataPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    v->addWidget(FontGroup(QStringLiteral(" 結果表示 "), lstDataFontName, "lstDataFontName", txtDataFontSize,
                           "txtDataFontSize", lblDataSample));
    v->addWidget(Radio(rdoDataShowMode, "rdoDataShowMode", QStringLiteral("横方向出力時の表示方法"),
                       {QStringLiteral("標準"), QStringLiteral("左寄せ"), QStringLiteral("右寄せ")}, 3));
    auto *grid = new QGridLayout;
    int row = 0;
    auto line = [&](const QString &caption, QWidget *w) {
        grid->addWidget(new QLabel(caption), row, 0);
        grid->addWidget(w, row++, 1);
    };
    line(QStringLiteral("横方向出力時の列幅(字数)"), Num(txtDataColWidthH, "txtDataColWidthH"));
    line(QStringLiteral("縦方向出力時の最大列幅(字数)"), Num(txtDataColWidthV, "txtDataColWidthV"));
    cmbDateFormat = new QComboBox;
    cmbDateFormat->setObjectName(QStringLiteral("cmbDateFormat"));
    cmbDateFormat->setEditable(true);
    cmbDateFormat->addItems({QStringLiteral("yy/MM/dd"), QStringLiteral("yyyy/MM/dd"), QStringLiteral("MM/dd/yy"),
                             QStringLiteral("MM/dd/yyyy"), QStringLiteral("dd/MM/yy"), QStringLiteral("dd/MM/yyyy")});
    line(QStringLiteral("日付"), cmbDateFormat);
    cmbTimeFormat = new QComboBox;
    cmbTimeFormat->setObjectName(QStringLiteral("cmbTimeFormat"));
    cmbTimeFormat->setEditable(true);
    cmbTimeFormat->addItem(QStringLiteral("HH:mm:ss"));
    line(QStringLiteral("時刻"), cmbTimeFormat);
    line(QStringLiteral("件数を指定して開く場合の既定レコード件数"), Num(txtDefTopRecord, "txtDefTopRecord"));
    v->addLayout(grid);
    v->addWidget(Check(chkShowWhereGrid, "chkShowWhereGrid", QStringLiteral("抽出条件・ソート順設定画面を予め開いておく")));
    v->addWidget(Check(chkWhereAutoQuote, "chkWhereAutoQuote",
                       QStringLiteral("抽出条件に文字列を指定した際、シングルクォーテーョンを自動付加する")));
    v->addWidget(Check(chkUpdateMode, "chkUpdateMode", QStringLiteral("初期状態をデータ編集可能にする")));
    v->addWidget(Check(chkAddStripe, "chkAddStripe", QStringLiteral("グリッドを一行ごとに色分けする")));
    v->addStretch();

    // Font lists and size fields of the three groups.
    const struct {
        QListWidget *list;
        TtvNumEdit *size;
        QLabel *sample;
    } fonts[] = {{lstDiagramFontName, txtDiagramFontSize, lblDiagramSample},
                 {lstGridFontName, txtGridFontSize, lblGridSample},
                 {lstDataFontName, txtDataFontSize, lblDataSample}};
    for (const auto &f : fonts) {
        QLabel *sample = f.sample;
        connect(f.list, &QListWidget::itemClicked, this, [sample](QListWidgetItem *item) {
            QFont font = sample->font();
            font.setFamily(item->text());
            sample->setFont(font);
        });
        TtvNumEdit *size = f.size;
        connect(size, &QLineEdit::editingFinished, this, [this, size, sample] { FontSizeExit(size, sample); });
    }
    // The data font size's exit handler also serves these fields.
    for (TtvNumEdit *e : {txtSQLBuf, txtDataColWidthH, txtDataColWidthV})
        connect(e, &QLineEdit::editingFinished, this, [this] { FontSizeExit(txtDataFontSize, lblDataSample); });
    return page;
}

QWidget *TfrmOption::BuildFormatPage()
{
    auto *page = new QWidget;
    auto *h = new QHBoxLayout(page);
    auto *v = new QVBoxLayout;
    auto *ih = new QHBoxLayout;
    ih->addWidget(new QLabel(QStringLiteral("インデント")));
    ih->addWidget(Num(txtIndent, "txtIndent"));
    ih->addStretch();
    v->addLayout(ih);
    const QStringList upperLower{QStringLiteral("大文字"), QStringLiteral("小文字"), QStringLiteral("変更しない")};
    const QStringList startEnd{QStringLiteral("行頭"), QStringLiteral("行末")};
    v->addWidget(Radio(rdoItemReturn, "rdoItemReturn", QStringLiteral("項目の改行"),
                       {QStringLiteral("1行ずつ"), QStringLiteral("なし")}, 2));
    v->addWidget(Radio(rdoReserveTran, "rdoReserveTran", QStringLiteral("予約語の変換"), upperLower, 3));
    v->addWidget(Radio(rdoItemTran, "rdoItemTran", QStringLiteral("項目の変換"), upperLower, 3));
    v->addWidget(Radio(rdoCommaPos, "rdoCommaPos", QStringLiteral("カンマの位置"), startEnd, 2));
    v->addWidget(Radio(rdoAndPos, "rdoAndPos", QStringLiteral("AND(OR)の位置"), startEnd, 2));
    v->addWidget(Radio(rdoReservePos, "rdoReservePos", QStringLiteral("予約語の位置"),
                       {QStringLiteral("右揃え"), QStringLiteral("左揃え")}, 2));
    v->addStretch();
    h->addLayout(v);
    txtFormat = new QPlainTextEdit;
    txtFormat->setObjectName(QStringLiteral("txtFormat"));
    txtFormat->setReadOnly(true);
    txtFormat->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtFormat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtFormat->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtFormat->setFont(tv::ui::MakeFont(DefaultFontName(), 9));
    h->addWidget(txtFormat, 1);
    for (TtvRadioGroup *g : {rdoItemReturn, rdoReserveTran, rdoItemTran, rdoCommaPos, rdoAndPos, rdoReservePos})
        connect(g, &TtvRadioGroup::Clicked, this, tv::ui::Guarded([this](int) { FormatChange(); }));
    connect(txtIndent, &QLineEdit::textChanged, this, tv::ui::Guarded([this](const QString &) { txtIndentChange(); }));
    return page;
}

QWidget *TfrmOption::BuildKeyPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    v->addWidget(new QLabel(
        QStringLiteral("項目を選択し、割り当てたいショートカットキーを入力して下さい。(削除したい場合はSPACEキー)")));
    lstShortCut = new QTreeWidget;
    lstShortCut->setObjectName(QStringLiteral("lstShortCut"));
    lstShortCut->setColumnCount(2);
    lstShortCut->setHeaderLabels({QStringLiteral("コマンド"), QStringLiteral("ショートカット")});
    lstShortCut->header()->resizeSection(0, 260);
    lstShortCut->installEventFilter(this);
    // The selected node in white on the menu-highlight colour.
    QPalette p = lstShortCut->palette();
    p.setColor(QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::HighlightedText, Qt::white);
    lstShortCut->setPalette(p);
    v->addWidget(lstShortCut);
    return page;
}

QWidget *TfrmOption::BuildOutputPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *excel = new QGroupBox(QStringLiteral(" EXCEL出力 "));
    auto *eg = new QGridLayout(excel);
    eg->addWidget(new QLabel(QStringLiteral("デフォルトの出力先")), 0, 0);
    eg->addWidget(Edit(txtExcelDir, "txtExcelDir"), 0, 1, 1, 3);
    eg->addWidget(Button(btnExcelDir, "btnExcelDir"), 0, 4);
    eg->addWidget(Radio(rdoExcel, "rdoExcel", QStringLiteral(" 出力方向 "),
                        {QStringLiteral("縦方向"), QStringLiteral("横方向")}, 2),
                  1, 0, 1, 2);
    eg->addWidget(Check(chkExcelDialog, "chkExcelDialog", QStringLiteral("標準ダイアログを使用する")), 1, 2, 1, 2);
    auto *forms = new QGroupBox(QStringLiteral(" フォームファイル名 "));
    auto *fg = new QGridLayout(forms);
    fg->addWidget(new QLabel(QStringLiteral("マトリックス表")), 0, 0);
    fg->addWidget(Edit(txtFormMatrix, "txtFormMatrix"), 0, 1, 1, 4);
    fg->addWidget(Button(btnFormMatrix, "btnFormMatrix"), 0, 5);
    fg->addWidget(new QLabel(QStringLiteral("頁行数")), 1, 1);
    fg->addWidget(Num(txtMatrixRow, "txtMatrixRow"), 1, 2);
    fg->addWidget(new QLabel(QStringLiteral("桁数")), 1, 3);
    fg->addWidget(Num(txtMatrixCol, "txtMatrixCol"), 1, 4);
    fg->addWidget(new QLabel(QStringLiteral("ＳＱＬ結果")), 2, 0);
    fg->addWidget(Edit(txtFormSQL, "txtFormSQL"), 2, 1, 1, 4);
    fg->addWidget(Button(btnFormSQL, "btnFormSQL"), 2, 5);
    fg->addWidget(new QLabel(QStringLiteral("開始行")), 3, 1);
    fg->addWidget(Num(txtSQLTop, "txtSQLTop"), 3, 2);
    fg->addWidget(new QLabel(QStringLiteral("桁")), 3, 3);
    cmbSQLLeft = new QComboBox;
    cmbSQLLeft->setObjectName(QStringLiteral("cmbSQLLeft"));
    for (int c = 1; c <= 256; ++c)
        cmbSQLLeft->addItem(tv::excel::ColumnLetters(c));
    fg->addWidget(cmbSQLLeft, 3, 4);
    eg->addWidget(forms, 2, 0, 1, 5);
    eg->addWidget(Check(chkExcelRefresh, "chkExcelRefresh", QStringLiteral("最新のデータを読み直してから出力する")), 3,
                  0, 1, 3);
    const QStringList titles{QStringLiteral("項目名を使用"), QStringLiteral("コメントを使用"), QStringLiteral("出力しない")};
    eg->addWidget(Radio(rdoExcelTitle, "rdoExcelTitle", QStringLiteral(" 列タイトル出力 "), titles, 3), 4, 0, 1, 5);
    v->addWidget(excel);
    auto *paste = new QGroupBox(QStringLiteral(" クリップボード出力 "));
    auto *pg = new QHBoxLayout(paste);
    pg->addWidget(Radio(rdoPasteColumn, "rdoPasteColumn", QStringLiteral("項目区切り文字"),
                        {QStringLiteral("タブ"), QStringLiteral("カンマ")}, 2));
    pg->addWidget(Check(chkPasteDialog, "chkPasteDialog", QStringLiteral("出力時に確認ダイアログを表示する")));
    pg->addWidget(Radio(rdoPasteTitle, "rdoPasteTitle", QStringLiteral(" 列タイトル出力 "), titles, 3));
    v->addWidget(paste);
    auto *file = new QGroupBox(QStringLiteral(" ファイル入出力 "));
    auto *fl = new QGridLayout(file);
    fl->addWidget(new QLabel(QStringLiteral("デフォルトの出力先")), 0, 0);
    fl->addWidget(Edit(txtFileDir, "txtFileDir"), 0, 1);
    fl->addWidget(Button(btnFileDir, "btnFileDir"), 0, 2);
    fl->addWidget(new QLabel(QStringLiteral("テキストファイルの形式")), 1, 0);
    cmbEncoding = new QComboBox;
    cmbEncoding->setObjectName(QStringLiteral("cmbEncoding"));
    cmbEncoding->addItems({QStringLiteral("SHIFT-JIS"), QStringLiteral("UTF-7"), QStringLiteral("UTF-8"),
                           QStringLiteral("UTF-16 (LE)"), QStringLiteral("UTF-16 (BE)")});
    fl->addWidget(cmbEncoding, 1, 1);
    v->addWidget(file);
    v->addStretch();
    const QString outPrompt = QStringLiteral("出力先を選択して下さい。");
    connect(btnExcelDir, &QToolButton::clicked, this,
            tv::ui::Guarded([this, outPrompt] { SelectFolder(txtExcelDir, outPrompt); }));
    connect(btnFileDir, &QToolButton::clicked, this,
            tv::ui::Guarded([this, outPrompt] { SelectFolder(txtFileDir, outPrompt); }));
    connect(btnFormMatrix, &QToolButton::clicked, this, tv::ui::Guarded([this] { SelectFormFile(txtFormMatrix); }));
    connect(btnFormSQL, &QToolButton::clicked, this, tv::ui::Guarded([this] { SelectFormFile(txtFormSQL); }));
    return page;
}

QWidget *TfrmOption::BuildDetailPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *g = new QGroupBox(QStringLiteral(" その他設定 "));
    auto *grid = new QGridLayout(g);
    grid->addWidget(new QLabel(QStringLiteral("クロスリファレンス 最大階層")), 0, 0);
    grid->addWidget(Num(txtCrossLevel, "txtCrossLevel"), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("作業ファイル作成先")), 1, 0);
    grid->addWidget(Edit(txtTempDir, "txtTempDir"), 1, 1, 1, 2);
    grid->addWidget(Button(btnTempDir, "btnTempDir"), 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("データ生成ツール コミット件数")), 2, 0);
    grid->addWidget(Num(txtDataGenCommit, "txtDataGenCommit"), 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("件ごと")), 2, 2);
    grid->addWidget(Check(chkUseUpperName, "chkUseUpperName", QStringLiteral("英大文字のオブジェクト名を使用可能にする")),
                    3, 0, 1, 3);
    grid->addWidget(Check(chkCodeAssist, "chkCodeAssist", QStringLiteral("各種エディット時にコード補完を行う")), 4, 0,
                    1, 3);
    grid->addWidget(Check(chkUpdateToCommit, "chkUpdateToCommit", QStringLiteral("編集時に自動的に COMMIT する")), 5,
                    0, 1, 3);
    v->addWidget(g);
    v->addStretch();
    connect(btnTempDir, &QToolButton::clicked, this, tv::ui::Guarded([this] {
                SelectFolder(txtTempDir, QStringLiteral("作業ファイル作成先を選択して下さい。"));
            }));
    for (TtvNumEdit *e : {txtCrossLevel, txtDataGenCommit})
        connect(e, &QLineEdit::editingFinished, this, [this] { FontSizeExit(txtDataFontSize, lblDataSample); });
    return page;
}

// ---------------------------------------------------------------------------
// Records <-> controls

namespace {
struct CheckField {
    QCheckBox *TfrmOption::*box;
    bool TtvOption::*field;
};
const CheckField CheckFields[] = {
    {&TfrmOption::chkUserFirst, &TtvOption::UserFirst},
    {&TfrmOption::chkData, &TtvOption::TreeData},
    {&TfrmOption::chkProgress, &TtvOption::Progress},
    {&TfrmOption::chkRowSelect, &TtvOption::RowSelect},
    {&TfrmOption::chkDelErr, &TtvOption::DelErr},
    {&TfrmOption::chkFind, &TtvOption::Find},
    {&TfrmOption::chkFindAuto, &TtvOption::FindAuto},
    {&TfrmOption::chkShowDDL, &TtvOption::ShowDDL},
    {&TfrmOption::chkShowStorageSource, &TtvOption::ShowStorageSource},
    {&TfrmOption::chkShowColumnSource, &TtvOption::ShowColumnSource},
    {&TfrmOption::chkCloseDDL, &TtvOption::CloseDDL},
    {&TfrmOption::chkBeforeSource, &TtvOption::SaveBeforeSrc},
    {&TfrmOption::chkBeforeSrcDialog, &TtvOption::SaveBeforeSrcDialog},
    {&TfrmOption::chkBeforeSrcRenum, &TtvOption::SaveBeforeSrcRenum},
    {&TfrmOption::chkBeforeSrcHead, &TtvOption::SaveBeforeSrcHead},
    {&TfrmOption::chkAfterSource, &TtvOption::SaveAfterSrc},
    {&TfrmOption::chkAfterSrcDialog, &TtvOption::SaveAfterSrcDialog},
    {&TfrmOption::chkAfterSrcRenum, &TtvOption::SaveAfterSrcRenum},
    {&TfrmOption::chkAfterSrcHead, &TtvOption::SaveAfterSrcHead},
    {&TfrmOption::chkBackupData, &TtvOption::BackupData},
    {&TfrmOption::chkDefaultAutoQuote, &TtvOption::DefaultAutoQuote},
    {&TfrmOption::chkUsePartial, &TtvOption::UsePartial},
    {&TfrmOption::chkShowWhereGrid, &TtvOption::ShowWhereGrid},
    {&TfrmOption::chkWhereAutoQuote, &TtvOption::WhereAutoQuote},
    {&TfrmOption::chkUpdateMode, &TtvOption::UpdateMode},
    {&TfrmOption::chkAddStripe, &TtvOption::AddStripe},
    {&TfrmOption::chkExcelDialog, &TtvOption::ExcelDialog},
    {&TfrmOption::chkExcelRefresh, &TtvOption::ExcelRefresh},
    {&TfrmOption::chkPasteDialog, &TtvOption::PasteDialog},
    {&TfrmOption::chkUseUpperName, &TtvOption::UseLowerName},
    {&TfrmOption::chkCodeAssist, &TtvOption::CodeAssist},
    {&TfrmOption::chkUpdateToCommit, &TtvOption::UpdateToCommit},
};
struct TypeField {
    QToolButton *TfrmOption::*button;
    bool TtvOption::*field;
};
const TypeField TypeFields[] = {
    {&TfrmOption::btnTable, &TtvOption::ShowTable},     {&TfrmOption::btnIndex, &TtvOption::ShowIndex},
    {&TfrmOption::btnView, &TtvOption::ShowView},       {&TfrmOption::btnProc, &TtvOption::ShowProc},
    {&TfrmOption::btnFunc, &TtvOption::ShowFunc},       {&TfrmOption::btnPack, &TtvOption::ShowPack},
    {&TfrmOption::btnType, &TtvOption::ShowType},       {&TfrmOption::btnTrigger, &TtvOption::ShowTrigger},
    {&TfrmOption::btnSeq, &TtvOption::ShowSeq},         {&TfrmOption::btnSynonym, &TtvOption::ShowSynonym},
    {&TfrmOption::btnMView, &TtvOption::ShowMView},     {&TfrmOption::btnConst, &TtvOption::ShowConst},
    {&TfrmOption::btnRule, &TtvOption::ShowRule},       {&TfrmOption::btnAgrg, &TtvOption::ShowAgrg},
};
struct NumField {
    TtvNumEdit *TfrmOption::*edit;
    int TtvOption::*field;
};
const NumField NumFields[] = {
    {&TfrmOption::txtDiagramFontSize, &TtvOption::DiagramFontSize},
    {&TfrmOption::txtGridFontSize, &TtvOption::GridFontSize},
    {&TfrmOption::txtDataFontSize, &TtvOption::DataFontSize},
    {&TfrmOption::txtSQLBuf, &TtvOption::SQLBuf},
    {&TfrmOption::txtDataColWidthH, &TtvOption::DataColWidthH},
    {&TfrmOption::txtDataColWidthV, &TtvOption::DataColWidthV},
    {&TfrmOption::txtDefTopRecord, &TtvOption::DefTopRecord},
    {&TfrmOption::txtMatrixRow, &TtvOption::ExcelMatrixRow},
    {&TfrmOption::txtMatrixCol, &TtvOption::ExcelMatrixCol},
    {&TfrmOption::txtCrossLevel, &TtvOption::CrossLevel},
    {&TfrmOption::txtDataGenCommit, &TtvOption::DataGenCommit},
};
struct TextField {
    QLineEdit *TfrmOption::*edit;
    QString TtvOption::*field;
    bool folder;
};
const TextField TextFields[] = {
    {&TfrmOption::txtBeforeSource, &TtvOption::SaveBeforeSrcDir, true},
    {&TfrmOption::txtAfterSource, &TtvOption::SaveAfterSrcDir, true},
    {&TfrmOption::txtExcelDir, &TtvOption::ExcelDir, true},
    {&TfrmOption::txtFileDir, &TtvOption::FileDir, true},
    {&TfrmOption::txtTempDir, &TtvOption::TempDir, true},
    {&TfrmOption::txtFormMatrix, &TtvOption::ExcelFormMatrix, false},
    {&TfrmOption::txtFormSQL, &TtvOption::ExcelForm, false},
};
} // namespace

void TfrmOption::SettingsToControls()
{
    const TtvOption &o = tvOption;
    rdoSort->SetItemIndex(o.TreeSort == 1 ? 1 : 0);
    for (const auto &t : TypeFields)
        (this->*t.button)->setChecked(o.*t.field);
    for (const auto &c : CheckFields)
        (this->*c.box)->setChecked(o.*c.field);
    for (const auto &n : NumFields)
        (this->*n.edit)->SetValueInt(o.*n.field);
    for (const auto &t : TextFields)
        (this->*t.edit)->setText(o.*t.field);
    cmbOpenMode->setCurrentIndex(qBound(0, int(o.OpenMode), 2));
    const struct {
        QListWidget *list;
        QLabel *sample;
        const QString &name;
        int size;
    } fonts[] = {{lstDiagramFontName, lblDiagramSample, o.DiagramFontName, o.DiagramFontSize},
                 {lstGridFontName, lblGridSample, o.GridFontName, o.GridFontSize},
                 {lstDataFontName, lblDataSample, o.DataFontName, o.DataFontSize}};
    for (const auto &f : fonts) {
        SelectFont(f.list, f.name);
        f.sample->setFont(tv::ui::MakeFont(f.name, f.size > 0 ? f.size : 10));
    }
    rdoDataShowMode->SetItemIndex(o.DataShowMode);
    cmbDateFormat->setCurrentText(o.DateFormat);
    cmbTimeFormat->setCurrentText(o.TimeDelphi);
    rdoExcel->SetItemIndex(o.ExcelMode);
    txtSQLTop->SetValueInt(o.ExcelTop + 1);
    cmbSQLLeft->setCurrentIndex(qBound(0, o.ExcelLeft, cmbSQLLeft->count() - 1));
    rdoExcelTitle->SetItemIndex(int(o.ExcelTitle));
    rdoPasteColumn->SetItemIndex(o.PasteColumn);
    rdoPasteTitle->SetItemIndex(int(o.PasteTitle));
    cmbEncoding->setCurrentIndex(qBound(0, o.Encoding, 4));
    // The formatter's rules.
    const TFormatOption &f = FormatOption;
    txtIndent->SetValueInt(f.Indent);
    rdoItemReturn->SetItemIndex(f.ItemReturn);
    rdoReserveTran->SetItemIndex(f.ReserveTrans);
    rdoItemTran->SetItemIndex(f.ItemTrans);
    rdoCommaPos->SetItemIndex(f.CommaPos);
    rdoAndPos->SetItemIndex(f.AndPos);
    rdoReservePos->SetItemIndex(f.ReservePos);
    rdoCommaPos->setEnabled(f.ItemReturn == 0);
    rdoAndPos->setEnabled(f.ItemReturn == 0);
    chkFindClick();
    chkBeforeSourceClick();
    chkAfterSourceClick();
    // The key-binding tree.
    lstShortCut->clear();
    for (const auto &g : ShortCutGroups) {
        auto *group = new QTreeWidgetItem(lstShortCut, {QString::fromUtf8(g.caption)});
        for (const char *a : g.actions)
            AddShortCutNode(group, a);
        group->setExpanded(true);
    }
}

void TfrmOption::AddShortCutNode(QTreeWidgetItem *group, const char *actionName)
{
    QAction *a = FMain ? FMain->Action(QString::fromLatin1(actionName)) : nullptr;
    if (!a)
        return;
    auto *node = new QTreeWidgetItem(group, {a->text(), tv::ui::ShortCutToText(tv::ui::KeySequenceToShortCut(a->shortcut()))});
    node->setData(0, Qt::UserRole, QString::fromLatin1(actionName));
}

void TfrmOption::FillFormatOption(TFormatOption &f) const
{
    f.Indent = txtIndent->ValueInt();
    f.ItemReturn = qMax(0, rdoItemReturn->ItemIndex());
    f.ReserveTrans = qMax(0, rdoReserveTran->ItemIndex());
    f.ItemTrans = qMax(0, rdoItemTran->ItemIndex());
    f.CommaPos = qMax(0, rdoCommaPos->ItemIndex());
    f.AndPos = qMax(0, rdoAndPos->ItemIndex());
    f.ReservePos = qMax(0, rdoReservePos->ItemIndex());
}

void TfrmOption::ControlsToSettings()
{
    TtvOption &o = tvOption;
    // 1.
    o.TreeSort = rdoSort->ItemIndex() == 1 ? 1 : 0;
    for (const auto &t : TypeFields)
        o.*t.field = (this->*t.button)->isChecked();
    for (const auto &c : CheckFields)
        o.*c.field = (this->*c.box)->isChecked();
    for (const auto &n : NumFields)
        o.*n.field = (this->*n.edit)->ValueInt();
    o.OpenMode = TOpenMode(qMax(0, cmbOpenMode->currentIndex()));
    o.DiagramFontName = SelectedFont(lstDiagramFontName, o.DiagramFontName);
    o.GridFontName = SelectedFont(lstGridFontName, o.GridFontName);
    o.DataFontName = SelectedFont(lstDataFontName, o.DataFontName);
    o.DataShowMode = qMax(0, rdoDataShowMode->ItemIndex());
    o.DateFormat = cmbDateFormat->currentText();
    o.ExcelMode = qMax(0, rdoExcel->ItemIndex());
    o.ExcelTitle = TTitleMode(qMax(0, rdoExcelTitle->ItemIndex()));
    o.PasteColumn = qMax(0, rdoPasteColumn->ItemIndex());
    o.PasteTitle = TTitleMode(qMax(0, rdoPasteTitle->ItemIndex()));
    o.Encoding = qMax(0, cmbEncoding->currentIndex());
    FillFormatOption(FormatOption);
    // 2.
    for (const auto &t : TextFields)
        o.*t.field = t.folder ? FolderText((this->*t.edit)->text()) : (this->*t.edit)->text();
    // 3.
    o.TimeDelphi = cmbTimeFormat->currentText();
    o.TimeOracle = TtvOption::MakeTimeOracle(o.TimeDelphi);
    // 4.
    o.ExcelTop = txtSQLTop->ValueInt() - 1;
    o.ExcelLeft = qMax(0, cmbSQLLeft->currentIndex());
    // 5.
    if (FMain) {
        for (int g = 0; g < lstShortCut->topLevelItemCount(); ++g) {
            QTreeWidgetItem *group = lstShortCut->topLevelItem(g);
            for (int i = 0; i < group->childCount(); ++i) {
                QTreeWidgetItem *node = group->child(i);
                if (QAction *a = FMain->Action(node->data(0, Qt::UserRole).toString()))
                    a->setShortcut(tv::ui::ShortCutToKeySequence(tv::ui::TextToShortCut(node->text(1))));
            }
        }
        FMain->SetShortCut();
    }
}

// ---------------------------------------------------------------------------
// Handlers

bool TfrmOption::Fail(QWidget *field, const QString &page, const QString &message)
{
    for (int i = 0; i < pgcOption->count(); ++i)
        if (pgcOption->tabText(i) == page)
            pgcOption->setCurrentIndex(i);
    ShowMessageBox(message, tv::ui::MB_ICONEXCLAMATION);
    field->setFocus();
    return false;
}

void TfrmOption::btnOkClick()
{
    const QString data = QStringLiteral("データ"), sql = QStringLiteral("SQL実行"), out = QStringLiteral("外部出力");
    auto outside = [](TtvNumEdit *e, int low, int high) {
        const int v = e->ValueInt();
        return e->text().trimmed().isEmpty() || v < low || v > high;
    };
    if (txtDataFontSize->ValueInt() == 0)
        return void(Fail(txtDataFontSize, data, QStringLiteral("サイズ(pt)は1以上の整数で入力して下さい。")));
    if (txtDiagramFontSize->ValueInt() == 0)
        return void(Fail(txtDiagramFontSize, sql,
                         QStringLiteral("ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。")));
    if (txtGridFontSize->ValueInt() == 0)
        return void(Fail(txtGridFontSize, sql, QStringLiteral("グリッド部 サイズ(pt)は1以上の整数で入力して下さい。")));
    if (txtDefTopRecord->ValueInt() <= 0)
        return void(Fail(txtDefTopRecord, data,
                         QStringLiteral("件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。")));
    if (outside(txtSQLTop, 1, 65535))
        return void(Fail(txtSQLTop, out, QStringLiteral("開始行は1から65535までの整数で入力して下さい。")));
    if (outside(txtMatrixRow, 1, 65535))
        return void(Fail(txtMatrixRow, out, QStringLiteral("頁行数は1から65535までの整数で入力して下さい。")));
    if (outside(txtMatrixCol, 1, 255))
        return void(Fail(txtMatrixCol, out, QStringLiteral("桁数は1から255までの整数で入力して下さい。")));

    const int treeSort = tvOption.TreeSort;
    ControlsToSettings();
    // 6. The open connection windows follow.
    if (FMain) {
        for (QWidget *w : FMain->MdiChildren()) {
            auto *f = qobject_cast<TfrmObject *>(w);
            if (!f)
                continue;
            if (tvOption.TreeSort != treeSort) {
                QToolButton *b = tvOption.TreeSort == 1 ? f->btnTree2 : f->btnTree1;
                b->setChecked(true);
                f->ShowTree();
            }
            f->pnlFind->setVisible(tvOption.Find);
            f->lstObject->SetRowSelect(tvOption.RowSelect);
        }
    }
    accept();
}

void TfrmOption::FormatChange()
{
    TFormatOption f = FormatOption;
    FillFormatOption(f);
    txtFormat->setPlainText(FormatSQLText(SampleSQL, f));
    rdoCommaPos->setEnabled(rdoItemReturn->ItemIndex() == 0);
    rdoAndPos->setEnabled(rdoItemReturn->ItemIndex() == 0);
}

void TfrmOption::txtIndentChange()
{
    const QString text = txtIndent->text();
    if (text.contains(QLatin1Char('.'))) {
        QString t = text;
        t.remove(QLatin1Char('.'));
        txtIndent->setText(t);
        return;
    }
    const int value = txtIndent->ValueInt();
    if (value != PreIndent) {
        PreIndent = value;
        FormatChange();
    }
}

void TfrmOption::chkFindClick()
{
    chkFindAuto->setEnabled(chkFind->isChecked());
}

void TfrmOption::chkBeforeSourceClick()
{
    const bool on = chkBeforeSource->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{chkBeforeSrcDialog, chkBeforeSrcRenum, chkBeforeSrcHead,
                                                       lblBeforeSource, txtBeforeSource, btnBeforeSource})
        w->setEnabled(on);
}

void TfrmOption::chkAfterSourceClick()
{
    const bool on = chkAfterSource->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{chkAfterSrcDialog, chkAfterSrcRenum, chkAfterSrcHead,
                                                       lblAfterSource, txtAfterSource, btnAfterSource})
        w->setEnabled(on);
}

void TfrmOption::FontSizeExit(TtvNumEdit *size, QLabel *sample)
{
    QFont font = sample->font();
    if (size->text().trimmed().isEmpty()) {
        size->SetValueInt(font.pointSize());
        return;
    }
    bool ok = false;
    const int v = size->text().trimmed().toInt(&ok);
    font.setPointSize(ok && v > 0 ? v : 10);
    sample->setFont(font);
}

void TfrmOption::SelectFolder(QLineEdit *edit, const QString &prompt)
{
    const QString folder = tv::ui::CurrentDialogs().selectFolder(prompt, edit->text());
    if (!folder.isEmpty())
        edit->setText(folder);
}

void TfrmOption::SelectFormFile(QLineEdit *edit)
{
    QString start = edit->text();
    if (start.endsWith(QLatin1Char('/')))
        start.chop(1);
    tv::ui::FileDialogRequest r;
    r.filter = ExcelFileFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
    r.fileName = start;
    r.mustExist = true;
    const QString file = tv::ui::CurrentDialogs().openFile(r);
    if (!file.isEmpty())
        edit->setText(file);
}

int TfrmOption::NodeKey(int vk, int shiftState)
{
    using namespace tv::ui;
    if (vk == VK_SPACE)
        return -1;
    const bool punctuation = (vk >= 186 && vk <= 190) || (vk >= 192 && vk <= 221) || vk == 223;
    const bool fkey = vk >= VK_F1 && vk <= VK_F1 + 9;
    const bool alnum = (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z');
    if (vk == VK_DELETE || fkey || punctuation || (alnum && shiftState != 0))
        return ShortCut(vk, shiftState);
    return 0;
}

bool TfrmOption::lstShortCutKey(QKeyEvent *key)
{
    const int sc = tv::ui::KeyEventToShortCut(*key);
    const int vk = sc & 0xFF;
    // Modifier keys alone wait for the key they modify.
    if (vk == tv::ui::VK_SHIFT || vk == tv::ui::VK_CONTROL || vk == tv::ui::VK_MENU || vk == 0)
        return false;
    QTreeWidgetItem *node = lstShortCut->currentItem();
    if (!node || !node->parent())
        return false;
    const int k = NodeKey(vk, sc & (tv::ui::scShift | tv::ui::scCtrl | tv::ui::scAlt));
    if (k == 0) {
        // A bare letter or digit does nothing (no search of the node texts).
        const QString text = key->text();
        return !text.isEmpty() && text.at(0).isPrint();
    }
    if (k < 0) {
        node->setText(1, QString());
        return true;
    }
    const QString text = tv::ui::ShortCutToText(k);
    for (int g = 0; g < lstShortCut->topLevelItemCount(); ++g) {
        QTreeWidgetItem *group = lstShortCut->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem *other = group->child(i);
            if (other != node && other->text(1) == text) {
                ShowMessageBoxFmt(QStringLiteral("同じ%sが既に存在しています。"), {QStringLiteral("ショートカット")},
                                  tv::ui::MB_ICONEXCLAMATION);
                return true;
            }
        }
    }
    node->setText(1, text);
    return true;
}

bool TfrmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstShortCut) {
        switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Every key is the tree's while it has the focus (F1 included).
            auto *k = static_cast<QKeyEvent *>(event);
            if (lstShortCut->currentItem() && lstShortCut->currentItem()->parent() &&
                NodeKey(tv::ui::KeyEventToShortCut(*k) & 0xFF, 1) != 0) {
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyPress: {
            bool handled = false;
            tv::ui::Guarded([&] { handled = lstShortCutKey(static_cast<QKeyEvent *>(event)); })();
            if (handled)
                return true;
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
