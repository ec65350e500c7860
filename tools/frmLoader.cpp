#include "tools/frmLoader.h"

#include "common/CodeAssist.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/LoadOption.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvScrollBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmDDLExec.h"
#include "shell/frmObject.h"
#include "tools/ListPair.h"
#include "tools/LoaderSQL.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <array>

using namespace toolui;
using tv::ui::Guarded;

namespace {

TtvListView *NewList(QWidget *parent, const char *name)
{
    auto *l = new TtvListView(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->SetMultiSelect(true);
    l->setSelectionBehavior(QAbstractItemView::SelectRows);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setRootIsDecorated(false);
    return l;
}

TtvStrEdit *NewEdit(QWidget *parent, const char *name, int maxLength = 0)
{
    auto *e = new TtvStrEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

TtvComboBox *NewCombo(QWidget *parent, const char *name, std::function<void()> dropDown)
{
    auto *c = new TDropDownCombo(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->OnDropDown = std::move(dropDown);
    LowerCaseTyping(c->lineEdit(), [] { return !tvOption.UseLowerName; });
    return c;
}

TtvComboBox *NewEncoding(QWidget *parent, const char *name)
{
    auto *c = new TtvComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->addItems(CopyEncodings());
    c->setMaxVisibleItems(30);
    return c;
}

// The two lists of a page with the buttons between them.
QWidget *ListArea(QWidget *parent, TtvListView *&select, TtvListView *&all, const char *selectName,
                  const char *allName, const std::array<const char *, 4> &buttons, QToolButton *&insAll,
                  QToolButton *&ins, QToolButton *&del, QToolButton *&delAll)
{
    auto *area = new QWidget(parent);
    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("対象オブジェクト"), area), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("選択可能オブジェクト"), area), 0, 2);
    select = NewList(area, selectName);
    all = NewList(area, allName);
    grid->addWidget(select, 1, 0);
    grid->addWidget(TListPair::Buttons(area, buttons[0], buttons[1], buttons[2], buttons[3], insAll, ins, del, delAll),
                    1, 1);
    grid->addWidget(all, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    return area;
}

// The format, encoding, delimiter, NULL, OID and CSV controls of a page.
struct FormatControls {
    TtvRadioGroup *&format;
    QLabel *&encodingLabel;
    TtvComboBox *&encoding;
    TtvStrEdit *&delimiter;
    TtvStrEdit *&null;
    QCheckBox *&oid;
    QGroupBox *&csv;
};

QWidget *FormatArea(QWidget *parent, const QString &suffix, FormatControls c)
{
    auto *area = new QWidget(parent);
    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    c.format = new TtvRadioGroup(QStringLiteral("フォーマット"), {"TEXT", "CSV", "BINARY"}, 3, area);
    c.format->setObjectName(QStringLiteral("rdoFormat") + suffix);
    grid->addWidget(c.format, 0, 0, 1, 2);
    c.encodingLabel = new QLabel(QStringLiteral("エンコーディング"), area);
    c.encodingLabel->setObjectName(QStringLiteral("lblEncoding") + suffix);
    c.encoding = NewEncoding(area, ("cmbEncoding" + suffix.toStdString()).c_str());
    grid->addWidget(c.encodingLabel, 1, 0);
    grid->addWidget(c.encoding, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("列の区切り文字"), area), 2, 0);
    c.delimiter = NewEdit(area, ("txtDelimiter" + suffix.toStdString()).c_str(), 1);
    grid->addWidget(c.delimiter, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("NULL値を表す文字列"), area), 3, 0);
    c.null = NewEdit(area, ("txtNull" + suffix.toStdString()).c_str());
    grid->addWidget(c.null, 3, 1);
    c.oid = new QCheckBox(QStringLiteral("OIDをコピーする"), area);
    c.oid->setObjectName(QStringLiteral("chkOid") + suffix);
    grid->addWidget(c.oid, 4, 0, 1, 2);
    c.csv = new QGroupBox(QStringLiteral("CSVパラメータ"), area);
    c.csv->setObjectName(QStringLiteral("grpCSV") + suffix);
    new QGridLayout(c.csv);
    grid->addWidget(c.csv, 0, 2, 5, 1);
    return area;
}

QList<QPair<QString, QString>> Entries(const TtvListView *List)
{
    QList<QPair<QString, QString>> out;
    for (int i = 0; i < List->ItemCount(); ++i)
        out << qMakePair(List->Item(i)->Caption(), List->Item(i)->SubItem(0));
    return out;
}

QStringList Captions(const TtvListView *List)
{
    QStringList out;
    for (int i = 0; i < List->ItemCount(); ++i)
        out << List->Item(i)->Caption();
    return out;
}

} // namespace

TfrmLoader::TfrmLoader(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmLoader"))
{
    setObjectName(QStringLiteral("frmLoader"));
    resize(743, 560);

    btnExec = AddExecAction([this] { btnExecClick(); });
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    pagLoader = new QTabWidget(this);
    pagLoader->setObjectName(QStringLiteral("pagLoader"));
    layout()->addWidget(pagLoader);

    // --- DB→ファイル
    tabUnload = new QWidget(pagLoader);
    tabUnload->setObjectName(QStringLiteral("tabUnload"));
    pagLoader->addTab(tabUnload, QStringLiteral("DB→ファイル"));
    auto *un = new QVBoxLayout(TtvScrollBox::FillPage(tabUnload));
    auto *dirRow = new QHBoxLayout;
    dirRow->addWidget(new QLabel(QStringLiteral("保存先ディレクトリ"), tabUnload));
    txtSaveDir = NewEdit(tabUnload, "txtSaveDir");
    btnExpFile = Button(tabUnload, "btnExpFile", QStringLiteral("..."));
    dirRow->addWidget(txtSaveDir, 1);
    dirRow->addWidget(btnExpFile);
    un->addLayout(dirRow);
    rdoOutput = new TtvRadioGroup(QStringLiteral("出力形式"),
                                  {QStringLiteral("テーブル指定"), QStringLiteral("カラム指定"), QStringLiteral("クエリ作成")},
                                  3, tabUnload);
    rdoOutput->setObjectName(QStringLiteral("rdoOutput"));
    un->addWidget(rdoOutput);
    grpColumnTo = new QGroupBox(QStringLiteral("カラム指定"), tabUnload);
    grpColumnTo->setObjectName(QStringLiteral("grpColumnTo"));
    auto *colTo = new QHBoxLayout(grpColumnTo);
    cmbSchemaTo = NewCombo(grpColumnTo, "cmbSchemaTo", [this] {
        QStringList names;
        if (IConnectionWindow *cw = OwnerForm())
            cw->GetSchemaInfo(names, false);
        const QString keep = cmbSchemaTo->Text();
        cmbSchemaTo->clear();
        for (const QString &n : names)
            cmbSchemaTo->addItem(n.trimmed());
        cmbSchemaTo->setEditText(keep);
    });
    cmbTableTo = NewCombo(grpColumnTo, "cmbTableTo", [this] {
        QStringList names;
        if (auto *f = dynamic_cast<TfrmObject *>(OwnerForm()))
            f->GetObject(names, cmbSchemaTo->Text(), QStringLiteral("TABLE"));
        const QString keep = cmbTableTo->Text();
        cmbTableTo->clear();
        for (const QString &n : names)
            cmbTableTo->addItem(n.trimmed());
        cmbTableTo->setEditText(keep);
    });
    colTo->addWidget(new QLabel(QStringLiteral("スキーマ"), grpColumnTo));
    colTo->addWidget(cmbSchemaTo, 1);
    colTo->addWidget(new QLabel(QStringLiteral("テーブル"), grpColumnTo));
    colTo->addWidget(cmbTableTo, 1);
    un->addWidget(grpColumnTo);
    pagOutput = new QStackedWidget(tabUnload);
    pagOutput->setObjectName(QStringLiteral("pagOutput"));
    pagOutput->addWidget(ListArea(pagOutput, lstSelectTo, lstAllTo, "lstSelectTo", "lstAllTo",
                                  {"btnInsAll", "btnIns", "btnDel", "btnDelAll"}, btnInsAll, btnIns, btnDel,
                                  btnDelAll));
    txtQuery = new TtvMemo(pagOutput);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    pagOutput->addWidget(txtQuery);
    un->addWidget(pagOutput, 1);
    un->addWidget(FormatArea(tabUnload, QStringLiteral("To"),
                             {rdoFormatTo, lblEncodingTo, cmbEncodingTo, txtDelimiterTo, txtNullTo, chkOidTo, grpCSVTo}));
    chkHeaderTo = Check(grpCSVTo, grpCSVTo->layout(), "chkHeaderTo", QStringLiteral("ヘッダ行を出力"));
    chkForceQuote = Check(grpCSVTo, grpCSVTo->layout(), "chkForceQuote", QStringLiteral("非NULL値を引用符で囲む"));
    grpCSVTo->layout()->addWidget(new QLabel(QStringLiteral("引用符用文字"), grpCSVTo));
    txtQuoteTo = NewEdit(grpCSVTo, "txtQuoteTo", 1);
    grpCSVTo->layout()->addWidget(txtQuoteTo);
    grpCSVTo->layout()->addWidget(new QLabel(QStringLiteral("引用符の前の文字"), grpCSVTo));
    txtEscapeTo = NewEdit(grpCSVTo, "txtEscapeTo", 1);
    grpCSVTo->layout()->addWidget(txtEscapeTo);

    // --- ファイル→DB
    tabLoad = new QWidget(pagLoader);
    tabLoad->setObjectName(QStringLiteral("tabLoad"));
    pagLoader->addTab(tabLoad, QStringLiteral("ファイル→DB"));
    auto *ld = new QVBoxLayout(TtvScrollBox::FillPage(tabLoad));
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("データファイル"), tabLoad));
    txtDataFile = NewEdit(tabLoad, "txtDataFile");
    btnDataFile = Button(tabLoad, "btnDataFile", QStringLiteral("..."));
    fileRow->addWidget(txtDataFile, 1);
    fileRow->addWidget(btnDataFile);
    ld->addLayout(fileRow);
    rdoInput = new TtvRadioGroup(QStringLiteral("入力形式"), {QStringLiteral("テーブル指定"), QStringLiteral("カラム指定")}, 2,
                                 tabLoad);
    rdoInput->setObjectName(QStringLiteral("rdoInput"));
    ld->addWidget(rdoInput);
    grpColumnFrom = new QGroupBox(QStringLiteral("テーブル指定"), tabLoad);
    grpColumnFrom->setObjectName(QStringLiteral("grpColumnFrom"));
    auto *colFrom = new QHBoxLayout(grpColumnFrom);
    cmbSchemaFrom = NewCombo(grpColumnFrom, "cmbSchemaFrom", [this] {
        QStringList names;
        if (IConnectionWindow *cw = OwnerForm())
            cw->GetSchemaInfo(names, false);
        const QString keep = cmbSchemaFrom->Text();
        cmbSchemaFrom->clear();
        for (const QString &n : names)
            cmbSchemaFrom->addItem(n.trimmed());
        cmbSchemaFrom->setEditText(keep);
    });
    cmbTableFrom = NewCombo(grpColumnFrom, "cmbTableFrom", [this] {
        QStringList names;
        if (auto *f = dynamic_cast<TfrmObject *>(OwnerForm()))
            f->GetObject(names, cmbSchemaFrom->Text(), QStringLiteral("TABLE"));
        const QString keep = cmbTableFrom->Text();
        cmbTableFrom->clear();
        for (const QString &n : names)
            cmbTableFrom->addItem(n.trimmed());
        cmbTableFrom->setEditText(keep);
    });
    colFrom->addWidget(new QLabel(QStringLiteral("スキーマ"), grpColumnFrom));
    colFrom->addWidget(cmbSchemaFrom, 1);
    colFrom->addWidget(new QLabel(QStringLiteral("テーブル"), grpColumnFrom));
    colFrom->addWidget(cmbTableFrom, 1);
    ld->addWidget(grpColumnFrom);
    pagInput = ListArea(tabLoad, lstSelectFrom, lstAllFrom, "lstSelectFrom", "lstAllFrom",
                        {"btnInsAllFrom", "btnInsFrom", "btnDelFrom", "btnDelAllFrom"}, btnInsAllFrom, btnInsFrom,
                        btnDelFrom, btnDelAllFrom);
    pagInput->setObjectName(QStringLiteral("pagInput"));
    ld->addWidget(pagInput, 1);
    ld->addWidget(FormatArea(tabLoad, QStringLiteral("From"), {rdoFormatFrom, lblEncodingFrom, cmbEncodingFrom,
                                                               txtDelimiterFrom, txtNullFrom, chkOidFrom, grpCSVFrom}));
    chkHeaderFrom = Check(grpCSVFrom, grpCSVFrom->layout(), "chkHeaderFrom", QStringLiteral("先頭行を無視"));
    chkForceNotNull = Check(grpCSVFrom, grpCSVFrom->layout(), "chkForceNotNull", QStringLiteral("NULL値を空文字として読み込む"));
    grpCSVFrom->layout()->addWidget(new QLabel(QStringLiteral("引用符用文字"), grpCSVFrom));
    txtQuoteFrom = NewEdit(grpCSVFrom, "txtQuoteFrom", 1);
    grpCSVFrom->layout()->addWidget(txtQuoteFrom);
    grpCSVFrom->layout()->addWidget(new QLabel(QStringLiteral("引用符の前の文字"), grpCSVFrom));
    txtEscapeFrom = NewEdit(grpCSVFrom, "txtEscapeFrom", 1);
    grpCSVFrom->layout()->addWidget(txtEscapeFrom);
    ld->addStretch();

    new TListPair(this, lstAllTo, lstSelectTo, btnInsAll, btnIns, btnDel, btnDelAll);
    new TListPair(this, lstAllFrom, lstSelectFrom, btnInsAllFrom, btnInsFrom, btnDelFrom, btnDelAllFrom);
    connect(rdoOutput, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoOutputClick(); }));
    connect(rdoInput, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoInputClick(); }));
    connect(rdoFormatTo, &TtvRadioGroup::Clicked, this, [this](int i) { grpCSVTo->setVisible(i == 1); });
    connect(rdoFormatFrom, &TtvRadioGroup::Clicked, this, [this](int i) { grpCSVFrom->setVisible(i == 1); });
    connect(cmbSchemaTo, &QComboBox::currentTextChanged, this, [this] {
        const QSignalBlocker block(cmbTableTo);
        cmbTableTo->setEditText(QString());
        lstSelectTo->clear();
        lstAllTo->clear();
    });
    connect(cmbSchemaFrom, &QComboBox::currentTextChanged, this, [this] {
        const QSignalBlocker block(cmbTableFrom);
        cmbTableFrom->setEditText(QString());
        lstSelectFrom->clear();
        lstAllFrom->clear();
    });
    connect(cmbTableTo, &QComboBox::currentTextChanged, this, Guarded([this](const QString &t) {
                if (!t.isEmpty() && rdoOutput->ItemIndex() == 1)
                    LoadColumnList(true);
            }));
    connect(cmbTableFrom, &QComboBox::currentTextChanged, this, Guarded([this](const QString &t) {
                if (!t.isEmpty() && rdoInput->ItemIndex() == 1)
                    LoadColumnList(false);
            }));
    connect(btnExpFile, &QToolButton::clicked, this, Guarded([this] {
                const QString dir =
                    tv::ui::CurrentDialogs().selectFolder(QStringLiteral("出力先を選択して下さい。"), txtSaveDir->Text());
                if (!dir.isEmpty())
                    txtSaveDir->SetText(dir);
            }));
    connect(btnDataFile, &QToolButton::clicked, this, Guarded([this] {
                tv::ui::FileDialogRequest r;
                r.fileName = txtDataFile->Text();
                r.filter = QStringLiteral("データファイル(*.DAT)|*.DAT|すべてのファイル(*.*)|*.*");
                const QString f = tv::ui::CurrentDialogs().openFile(r);
                if (!f.isEmpty())
                    txtDataFile->SetText(f);
            }));

    FinishCreate();
}

TfrmLoader::~TfrmLoader()
{
    delete qrySQL;
}

void TfrmLoader::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actAdminLoad"), [](const TLaunchContext &c) -> QWidget * {
        return ShowWindow(c.Connection, c.Schema, c.ObjectName);
    });
}

TfrmLoader *TfrmLoader::ShowWindow(IConnectionWindow *AOwner, const QString &Schema, const QString &Table)
{
    if (!AOwner)
        return nullptr;
    if (IMainWindow *m = MainWindow()) {
        if (m->FindWindowOf<TfrmLoader>(QStringLiteral("ロード - ") + ConnectionText(AOwner), true))
            throw tv::SilentAbort();
    }
    TfrmLoader *w = Open<TfrmLoader>(AOwner);
    if (w)
        w->Opening(Schema, Table);
    return w;
}

void TfrmLoader::Opening(const QString &Schema, const QString &Table)
{
    const TLoadOption &o = LoadOption;
    txtSaveDir->SetText(o.SaveDir);
    rdoFormatTo->SetItemIndex(o.FormatTo);
    cmbEncodingTo->setEditText(o.EncodingTo);
    txtDelimiterTo->SetText(o.DelimiterTo);
    txtNullTo->SetText(o.NullTo);
    chkOidTo->setChecked(o.OidTo);
    chkHeaderTo->setChecked(o.HeaderTo);
    chkForceQuote->setChecked(o.ForceQuote);
    txtQuoteTo->SetText(o.QuoteTo);
    txtEscapeTo->SetText(o.EscapeTo);
    txtDataFile->SetText(o.DataFile);
    rdoFormatFrom->SetItemIndex(o.FormatFrom);
    cmbEncodingFrom->setEditText(o.EncodingFrom);
    txtDelimiterFrom->SetText(o.DelimiterFrom);
    txtNullFrom->SetText(o.NullFrom);
    chkOidFrom->setChecked(o.OidFrom);
    chkHeaderFrom->setChecked(o.HeaderFrom);
    chkForceNotNull->setChecked(o.ForceNotNull);
    txtQuoteFrom->SetText(o.QuoteFrom);
    txtEscapeFrom->SetText(o.EscapeFrom);
    grpCSVTo->setVisible(rdoFormatTo->ItemIndex() == 1);
    grpCSVFrom->setVisible(rdoFormatFrom->ItemIndex() == 1);
    pagLoader->setCurrentWidget(tabUnload);
    FOpened = true;
    ResetForConnection();
    LoadTableList();
    // The preselected tables: those the list holds move to the target list.
    const QStringList schemas = Schema.split(QRegularExpression(QStringLiteral("\r\n|\n")), Qt::SkipEmptyParts);
    const QStringList tables = Table.split(QRegularExpression(QStringLiteral("\r\n|\n")), Qt::SkipEmptyParts);
    for (int n = 0; n < schemas.size() && n < tables.size(); ++n)
        lstSelectTo->AddItem(schemas.at(n), {tables.at(n)});
    for (int i = lstSelectTo->ItemCount() - 1; i >= 0; --i) {
        TtvListItem *target = lstSelectTo->Item(i);
        bool found = false;
        for (int k = 0; k < lstAllTo->ItemCount(); ++k) {
            TtvListItem *it = lstAllTo->Item(k);
            if (it->Caption() == target->Caption() && it->SubItem(0) == target->SubItem(0)) {
                delete it;
                found = true;
                break;
            }
        }
        if (!found)
            delete target;
    }
}

void TfrmLoader::cmbDBNameChange()
{
    TtvToolForm::cmbDBNameChange();
    delete qrySQL;
    qrySQL = nullptr;
    if (IConnectionWindow *cw = OwnerForm())
        qrySQL = new tv::db::Query(&cw->dbsMain());
    if (!FOpened)
        return;
    ResetForConnection();
    LoadTableList();
}

void TfrmLoader::ShowOptions()
{
    IConnectionWindow *cw = OwnerForm();
    const int ver = cw ? cw->DBVer() : 0;
    const bool oids = ver <= 119999;
    chkOidTo->setVisible(oids && rdoOutput->ItemIndex() != 2);
    chkOidFrom->setVisible(oids);
    for (QWidget *w : std::initializer_list<QWidget *>{lblEncodingTo, cmbEncodingTo, lblEncodingFrom, cmbEncodingFrom})
        w->setVisible(ver > 90099);
}

void TfrmLoader::ResetForConnection()
{
    rdoOutput->SetItemIndex(0);
    rdoInput->SetItemIndex(0);
    grpColumnTo->hide();
    pagOutput->setCurrentIndex(0);
    cmbSchemaFrom->setEditText(QString());
    cmbTableFrom->setEditText(QString());
    pagInput->hide();
    grpColumnFrom->setTitle(QStringLiteral("テーブル指定"));
    ShowOptions();
}

void TfrmLoader::SetTableColumns(TtvListView *List)
{
    List->clear();
    List->setColumnCount(0);
    List->AddColumn(QStringLiteral("スキーマ"), 200);
    List->AddColumn(QStringLiteral("テーブル"), 200);
}

void TfrmLoader::SetColumnColumns(TtvListView *List)
{
    List->clear();
    List->setColumnCount(0);
    List->AddColumn(QStringLiteral("カラム"), 400);
}

void TfrmLoader::LoadTableList()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    tv::ui::SqlWaitCursor wait;
    SetTableColumns(lstSelectTo);
    SetTableColumns(lstAllTo);
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(QStringLiteral("SELECT schemaname, tablename FROM pg_tables ORDER BY 1,2"));
    OpenProtected(q);
    QList<QTreeWidgetItem *> items;
    for (q.First(); !q.Eof(); q.Next())
        items << new TtvListItem(q.Fields(0).AsString(), {q.Fields(1).AsString()});
    q.Close();
    lstAllTo->addTopLevelItems(items);
}

QStringList TfrmLoader::ReadColumns(const QString &Schema, const QString &Table)
{
    QStringList out;
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return out;
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(loader::ColumnSQL(cw->DBVer()));
    q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    q.ParamByName(QStringLiteral("TABLE")).setAsString(Table);
    OpenProtected(q);
    for (q.First(); !q.Eof(); q.Next())
        out << q.Fields(0).AsString() + QLatin1Char('\t') + q.Fields(1).AsString();
    q.Close();
    return out;
}

void TfrmLoader::LoadColumnList(bool Unload)
{
    tv::ui::SqlWaitCursor wait;
    TtvListView *select = Unload ? lstSelectTo : lstSelectFrom;
    TtvListView *all = Unload ? lstAllTo : lstAllFrom;
    SetColumnColumns(select);
    SetColumnColumns(all);
    const QString schema = Unload ? cmbSchemaTo->Text() : cmbSchemaFrom->Text();
    const QString table = Unload ? cmbTableTo->Text() : cmbTableFrom->Text();
    for (const QString &c : ReadColumns(schema, table))
        all->AddItem(c.section(QLatin1Char('\t'), 0, 0), {c.section(QLatin1Char('\t'), 1)});
}

void TfrmLoader::rdoOutputClick()
{
    switch (rdoOutput->ItemIndex()) {
    case 1:
        cmbSchemaTo->setEditText(QString());
        cmbTableTo->setEditText(QString());
        cmbSchemaTo->clear();
        cmbTableTo->clear();
        SetColumnColumns(lstSelectTo);
        SetColumnColumns(lstAllTo);
        grpColumnTo->show();
        pagOutput->setCurrentIndex(0);
        break;
    case 2:
        grpColumnTo->hide();
        txtQuery->Lines()->SetText(QString());
        pagOutput->setCurrentIndex(1);
        break;
    default:
        grpColumnTo->hide();
        pagOutput->setCurrentIndex(0);
        LoadTableList();
        break;
    }
    ShowOptions();
}

void TfrmLoader::rdoInputClick()
{
    cmbSchemaFrom->setEditText(QString());
    cmbTableFrom->setEditText(QString());
    const bool columns = rdoInput->ItemIndex() == 1;
    if (columns) {
        SetColumnColumns(lstSelectFrom);
        SetColumnColumns(lstAllFrom);
    }
    pagInput->setVisible(columns);
    grpColumnFrom->setTitle(columns ? QStringLiteral("カラム指定") : QStringLiteral("テーブル指定"));
}

void TfrmLoader::Fail(const QString &Text, QWidget *Page, QWidget *Focus)
{
    pagLoader->setCurrentWidget(Page);
    if (Focus)
        Focus->setFocus();
    ShowMessageBox(Text, tv::ui::MB_ICONEXCLAMATION);
    throw tv::SilentAbort();
}

bool TfrmLoader::CheckSingleByte(TtvStrEdit *Edit, const QString &Text, QWidget *Page)
{
    if (!Edit->Text().isEmpty() && !loader::SingleByte(Edit->Text()))
        Fail(Text, Page, Edit);
    return true;
}

QStringList TfrmLoader::UnloadScript()
{
    IConnectionWindow *cw = OwnerForm();
    const int ver = cw ? cw->DBVer() : 0;
    const int mode = rdoOutput->ItemIndex();
    loader::TCopyChoices c;
    c.Format = rdoFormatTo->ItemIndex();
    c.Encoding = cmbEncodingTo->Text();
    c.Delimiter = txtDelimiterTo->Text();
    c.Null = txtNullTo->Text();
    c.Oid = chkOidTo->isChecked();
    c.Header = chkHeaderTo->isChecked();
    c.Force = chkForceQuote->isChecked();
    c.Quote = txtQuoteTo->Text();
    c.Escape = txtEscapeTo->Text();
    const QStringList options = loader::OptionLines(c, ver, true, mode == 2);
    const QString folder = txtSaveDir->Text();
    if (mode == 1)
        return loader::UnloadColumns(folder, cmbSchemaTo->Text(), cmbTableTo->Text(), Captions(lstSelectTo), options);
    if (mode == 2)
        return loader::UnloadQuery(MakeUniqueFileName(folder + QStringLiteral("query.dat")),
                                   txtQuery->Lines()->ToStringList(), options);
    return loader::UnloadTables(folder, Entries(lstSelectTo), options);
}

QStringList TfrmLoader::LoadScript()
{
    IConnectionWindow *cw = OwnerForm();
    const int ver = cw ? cw->DBVer() : 0;
    const bool columns = rdoInput->ItemIndex() == 1;
    loader::TCopyChoices c;
    c.Format = rdoFormatFrom->ItemIndex();
    c.Encoding = cmbEncodingFrom->Text();
    c.Delimiter = txtDelimiterFrom->Text();
    c.Null = txtNullFrom->Text();
    c.Oid = chkOidFrom->isChecked();
    c.Header = chkHeaderFrom->isChecked();
    c.Force = chkForceNotNull->isChecked();
    c.Quote = txtQuoteFrom->Text();
    c.Escape = txtEscapeFrom->Text();
    QStringList force;
    if (c.Format == 1 && c.Force) {
        if (columns) {
            force = Captions(lstSelectFrom);
        } else {
            for (const QString &col : ReadColumns(cmbSchemaFrom->Text(), cmbTableFrom->Text()))
                force << col.section(QLatin1Char('\t'), 0, 0);
        }
    }
    return loader::LoadFile(cmbSchemaFrom->Text(), cmbTableFrom->Text(), columns ? Captions(lstSelectFrom) : QStringList(),
                            txtDataFile->Text(), ver, loader::OptionLines(c, ver, false, false, force));
}

void TfrmLoader::btnExecClick()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    if (pagLoader->currentWidget() == tabUnload) {
        const int mode = rdoOutput->ItemIndex();
        if (txtSaveDir->Text().trimmed().isEmpty())
            Fail(QStringLiteral("保存先ディレクトリ名を入力して下さい。"), tabUnload, txtSaveDir);
        if (mode == 0 && lstSelectTo->ItemCount() == 0)
            Fail(QStringLiteral("オブジェクトを選択して下さい。"), tabUnload, lstAllTo);
        if (mode == 1) {
            if (cmbSchemaTo->Text().isEmpty())
                Fail(QStringLiteral("スキーマを選択して下さい。"), tabUnload, cmbSchemaTo);
            if (cmbTableTo->Text().isEmpty())
                Fail(QStringLiteral("テーブルを選択して下さい。"), tabUnload, cmbTableTo);
            if (lstSelectTo->ItemCount() == 0)
                Fail(QStringLiteral("カラムを選択して下さい。"), tabUnload, lstAllTo);
        }
        if (mode == 2 && txtQuery->Lines()->Text().trimmed().isEmpty())
            Fail(QStringLiteral("クエリを入力して下さい。"), tabUnload, txtQuery);
        CheckSingleByte(txtDelimiterTo, QStringLiteral("列の区切り文字は1バイト文字を入力して下さい。"), tabUnload);
        if (rdoFormatTo->ItemIndex() == 1) {
            CheckSingleByte(txtQuoteTo, QStringLiteral("引用符用文字は1バイト文字を入力して下さい。"), tabUnload);
            CheckSingleByte(txtEscapeTo, QStringLiteral("引用符の前の文字は1バイト文字を入力して下さい。"), tabUnload);
        }
        if (ShowMessageBox(QStringLiteral("データベースの内容をファイルに書き込みます。よろしいですか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
            return;
        txtSaveDir->SetText(loader::SaveFolder(txtSaveDir->Text(), cw->g_Linux_Ver(), cw->DBVer()));
        TLoadOption &o = LoadOption;
        o.SaveDir = txtSaveDir->Text();
        o.Output = rdoOutput->ItemIndex();
        o.FormatTo = rdoFormatTo->ItemIndex();
        o.EncodingTo = cmbEncodingTo->Text();
        o.DelimiterTo = txtDelimiterTo->Text();
        o.NullTo = txtNullTo->Text();
        o.OidTo = chkOidTo->isChecked();
        o.HeaderTo = chkHeaderTo->isChecked();
        o.ForceQuote = chkForceQuote->isChecked();
        o.QuoteTo = txtQuoteTo->Text();
        o.EscapeTo = txtEscapeTo->Text();
        ExecuteUnload();
        return;
    }
    if (txtDataFile->Text().trimmed().isEmpty())
        Fail(QStringLiteral("データファイルを選択して下さい。"), tabLoad, txtDataFile);
    if (cmbSchemaFrom->Text().isEmpty())
        Fail(QStringLiteral("スキーマを選択して下さい。"), tabLoad, cmbSchemaFrom);
    if (cmbTableFrom->Text().isEmpty())
        Fail(QStringLiteral("テーブルを選択して下さい。"), tabLoad, cmbTableFrom);
    if (rdoInput->ItemIndex() == 1 && lstSelectFrom->ItemCount() == 0)
        Fail(QStringLiteral("カラムを選択して下さい。"), tabLoad, lstAllFrom);
    CheckSingleByte(txtDelimiterFrom, QStringLiteral("列の区切り文字は1バイト文字を入力して下さい。"), tabLoad);
    if (rdoFormatFrom->ItemIndex() == 1) {
        CheckSingleByte(txtQuoteFrom, QStringLiteral("引用符用文字は1バイト文字を入力して下さい。"), tabLoad);
        CheckSingleByte(txtEscapeFrom, QStringLiteral("引用符の前の文字は1バイト文字を入力して下さい。"), tabLoad);
    }
    if (ShowMessageBox(QStringLiteral("ファイルの内容をデータベースに読み込みます。よろしいですか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return;
    TLoadOption &o = LoadOption;
    o.DataFile = txtDataFile->Text();
    o.Input = rdoInput->ItemIndex();
    o.FormatFrom = rdoFormatFrom->ItemIndex();
    o.EncodingFrom = cmbEncodingFrom->Text();
    o.DelimiterFrom = txtDelimiterFrom->Text();
    o.NullFrom = txtNullFrom->Text();
    o.OidFrom = chkOidFrom->isChecked();
    o.HeaderFrom = chkHeaderFrom->isChecked();
    o.ForceNotNull = chkForceNotNull->isChecked();
    o.QuoteFrom = txtQuoteFrom->Text();
    o.EscapeFrom = txtEscapeFrom->Text();
    ExecuteLoad();
}

int TfrmLoader::RunScript(QStringList Script)
{
    int errors = -1;
    try {
        errors = TfrmDDLExec::ShowWindow(OwnerForm(), Script);
    } catch (...) {
        // The execution dialog logged what failed (or the user stopped it).
    }
    TfrmDDLExec::WaitProc();
    return errors;
}

void TfrmLoader::ExecuteUnload()
{
    QStringList script;
    {
        tv::ui::SqlWaitCursor wait;
        script = UnloadScript();
    }
    const int errors = RunScript(script);
    if (errors == 0) {
        ShowMessageBox(QStringLiteral("処理を完了しました。"), tv::ui::MB_ICONINFORMATION);
        return;
    }
    // A COPY the server could not write (or a run stopped): the files of
    // the failed statements are missing or incomplete.
    QString text = QStringLiteral("処理に失敗しました。");
    if (errors > 0)
        text += QStringLiteral("\r\nエラー: %1 件").arg(errors);
    ShowMessageBox(text, tv::ui::MB_ICONSTOP);
}

void TfrmLoader::ExecuteLoad()
{
    QStringList script;
    {
        tv::ui::SqlWaitCursor wait;
        script = LoadScript();
    }
    RunScript(script);
}

void TfrmLoader::CodeAssist(int X, int Y)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw || !qrySQL)
        return;
    ShowCodeAssist(txtQuery, this, *qrySQL, cw->dbsMain().Params().MetaDefSchema, cw->DBVer(), cw->g_bPostgresPlus(),
                   cw->DBAMODE(), X, Y);
}
