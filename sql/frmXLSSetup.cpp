#include "sql/frmXLSSetup.h"

#include "common/Globals.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/WindowBounds.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStringGrid.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "sql/RepData.h"
#include "sql/XlsDefinition.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tv::settings::TRegistryKeyCloser;
using tv::settings::TtvRegistry;
using tv::settings::tvRegistry;

namespace {

const QString kLayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\XLSSETUP");
const QString kRowError = QStringLiteral("行の指定が無効です。");
const QString kColError = QStringLiteral("桁の指定が無効です。");
const QString kAskSave = QStringLiteral("情報が変更されています。保存しますか？");

// The items each part of each type offers, in the order of the item table.
const QList<TtvRepData> &Items(int type, int part)
{
    static const QList<TtvRepData> none;
    static const QList<TtvRepData> objHeader{rtObjectType, rtSchema};
    static const QList<TtvRepData> objBody{rtSeq, rtObjectName, rtSchema, rtMaker, rtComment};
    static const QList<TtvRepData> tabHeader{rtSchema,     rtComment,    rtTableName, rtStorageType,
                                             rtTableSpace, rtCross,      rtCoverCross};
    static const QList<TtvRepData> colBody{rtSeq,        rtComment, rtColumnName,   rtDataType,    rtDataLength,
                                           rtDataScale,  rtNotNull, rtDefaultValue, rtIsPrimaryKey};
    static const QList<TtvRepData> tabBody2{rtSeq, rtConstName, rtConstValue};
    static const QList<TtvRepData> viewHeader{rtSchema, rtComment, rtCross, rtCoverCross, rtViewName, rtDDL};
    switch (type) {
    case rtObject: return part == 0 ? objHeader : part == 1 ? objBody : none;
    case rtTable: return part == 0 ? tabHeader : part == 1 ? colBody : tabBody2;
    case rtView: return part == 0 ? viewHeader : part == 1 ? colBody : none;
    default: return none;
    }
}

bool PositiveInt(const QString &text, int *value = nullptr)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (value)
        *value = ok ? v : 0;
    return ok && v > 0;
}

} // namespace

QStringList TfrmXLSSetup::TypeCaptions()
{
    const auto &items = RepDataItems();
    return {items[rtObject].Caption, items[rtTable].Caption, items[rtView].Caption};
}

TfrmXLSSetup::TfrmXLSSetup(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmXLSSetup"));
    setWindowTitle(QStringLiteral("レポート定義"));
    auto *lay = new QVBoxLayout(this);

    tolMain = new QToolBar(this);
    tolMain->setObjectName(QStringLiteral("tolMain"));
    tolMain->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [this](QAction *&a, const char *name, const QString &text) {
        a = tolMain->addAction(text);
        a->setObjectName(QLatin1String(name));
        if (QWidget *b = tolMain->widgetForAction(a))
            b->setMinimumWidth(78);
    };
    action(actOk, "actOk", QStringLiteral("登録(&C)"));
    action(actAdd, "actAdd", QStringLiteral("追加(&A)"));
    action(actDelete, "actDelete", QStringLiteral("削除(&D)"));
    action(actRefresh, "actRefresh", QStringLiteral("戻す(&R)"));
    action(actExit, "actExit", QStringLiteral("終了(&X)"));
    lay->addWidget(tolMain);

    tabReport = new QTabBar(this);
    tabReport->setObjectName(QStringLiteral("tabReport"));
    tabReport->setExpanding(false);
    lay->addWidget(tabReport);

    auto *fields = new QFormLayout;
    cmbDataType = new QComboBox(this);
    cmbDataType->setObjectName(QStringLiteral("cmbDataType"));
    cmbDataType->addItems(TypeCaptions());
    fields->addRow(QStringLiteral("定義タイプ"), cmbDataType);
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    fields->addRow(QStringLiteral("Excel定義名"), txtName);
    auto *fileRow = new QHBoxLayout;
    txtXlsFile = new QLineEdit(this);
    txtXlsFile->setObjectName(QStringLiteral("txtXlsFile"));
    btnXlsFile = new QToolButton(this);
    btnXlsFile->setObjectName(QStringLiteral("btnXlsFile"));
    btnXlsFile->setText(QStringLiteral("..."));
    fileRow->addWidget(txtXlsFile, 1);
    fileRow->addWidget(btnXlsFile);
    fields->addRow(QStringLiteral("フォームファイル"), fileRow);
    auto *bodyRow = new QHBoxLayout;
    txtBodyTop = new QLineEdit(QStringLiteral("1"), this);
    txtBodyTop->setObjectName(QStringLiteral("txtBodyTop"));
    txtBodyCount = new QLineEdit(QStringLiteral("1"), this);
    txtBodyCount->setObjectName(QStringLiteral("txtBodyCount"));
    bodyRow->addWidget(new QLabel(QStringLiteral("明細開始位置"), this));
    bodyRow->addWidget(txtBodyTop);
    bodyRow->addWidget(new QLabel(QStringLiteral("明細行数"), this));
    bodyRow->addWidget(txtBodyCount);
    rdoOutputType = new TtvRadioGroup(QStringLiteral(" 複数データ出力時 "),
                                      {QStringLiteral("別ファイル"), QStringLiteral("別シート")}, 2, this);
    rdoOutputType->setObjectName(QStringLiteral("rdoOutputType"));
    bodyRow->addWidget(rdoOutputType);
    fields->addRow(bodyRow);
    lay->addLayout(fields);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(MakeGridGroup(QStringLiteral(" 見出部 "), grdHeaderCol, tolHeader, 156, "grdHeaderCol"));
    auto *detail = new QSplitter(Qt::Vertical, split);
    detail->addWidget(MakeGridGroup(QStringLiteral(" 明細部1 "), grdBodyCol1, tolBody1, 153, "grdBodyCol1"));
    detail->addWidget(MakeGridGroup(QStringLiteral(" 明細部2 "), grdBodyCol2, tolBody2, 153, "grdBodyCol2"));
    split->addWidget(detail);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    detail->setStretchFactor(0, 1);
    detail->setStretchFactor(1, 1);
    lay->addWidget(split, 1);

    using tv::ui::Guarded;
    connect(actOk, &QAction::triggered, this, Guarded([this] { actOkExecute(); }));
    connect(actAdd, &QAction::triggered, this, Guarded([this] { actAddExecute(); }));
    connect(actDelete, &QAction::triggered, this, Guarded([this] { actDeleteExecute(); }));
    connect(actRefresh, &QAction::triggered, this, Guarded([this] { actRefreshExecute(); }));
    connect(actExit, &QAction::triggered, this, Guarded([this] { actExitExecute(); }));
    connect(btnXlsFile, &QToolButton::clicked, this, Guarded([this] { btnXlsFileClick(); }));
    connect(cmbDataType, &QComboBox::activated, this, Guarded([this](int) { cmbDataTypeChange(); }));
    connect(tabReport, &QTabBar::currentChanged, this, Guarded([this](int i) { TabChanged(i); }));
    auto changed = [this] {
        if (!FLoading)
            SetChanged(true);
    };
    for (QLineEdit *e : {txtName, txtXlsFile, txtBodyTop, txtBodyCount})
        connect(e, &QLineEdit::textEdited, this, changed);
    connect(rdoOutputType, &TtvRadioGroup::Clicked, this, changed);

    ClearGrid(grdHeaderCol);
    ClearGrid(grdBodyCol1);
    ClearGrid(grdBodyCol2);
    resize(760, 560);
    UpdateActions();
}

QWidget *TfrmXLSSetup::MakeGridGroup(const QString &title, TtvStringGrid *&grid, TGridTools &tools, int itemWidth,
                                     const char *name)
{
    auto *box = new QGroupBox(title, this);
    auto *lay = new QVBoxLayout(box);
    auto *bar = new QHBoxLayout;
    auto button = [box, bar](const QString &text) {
        auto *b = new QToolButton(box);
        b->setText(text);
        bar->addWidget(b);
        return b;
    };
    tools.btnAdd = button(QStringLiteral("追加"));
    tools.btnDel = button(QStringLiteral("削除"));
    tools.btnUp = button(QStringLiteral("上に移動"));
    tools.btnDown = button(QStringLiteral("下に移動"));
    bar->addStretch(1);
    lay->addLayout(bar);
    grid = new TtvStringGrid(box);
    grid->setObjectName(QLatin1String(name));
    grid->SetColCount(3);
    grid->SetFixedCols(0);
    grid->SetGridMode(geAccess);
    grid->SetOptions(grid->Options() | goEditing | goColSizing);
    grid->SetEditStyles(2, geDropList);
    grid->SetColWidths(0, 50);
    grid->SetColWidths(1, 50);
    grid->SetColWidths(2, itemWidth);
    lay->addWidget(grid, 1);

    TtvStringGrid *g = grid;
    g->OnGetPickListitems = [this, g](int ACol, int, QStringList &items) {
        if (ACol == 2)
            items = PartItems(g);
    };
    g->OnSetEditText = [this, g](QObject *, int, int ARow, const QString &Value) {
        if (ARow == g->RowCount() - 1 && !Value.isEmpty())
            g->SetRowCount(g->RowCount() + 1);
        if (!FLoading)
            SetChanged(true);
        UpdateGridTools(g, g->Row());
    };
    g->OnSelectCell = [this, g](QObject *, int, int ARow, bool &) { UpdateGridTools(g, ARow); };
    using tv::ui::Guarded;
    connect(tools.btnAdd, &QToolButton::clicked, this, Guarded([this, g] { GridAdd(g); }));
    connect(tools.btnDel, &QToolButton::clicked, this, Guarded([this, g] { GridDelete(g); }));
    connect(tools.btnUp, &QToolButton::clicked, this, Guarded([this, g] { GridMove(g, -1); }));
    connect(tools.btnDown, &QToolButton::clicked, this, Guarded([this, g] { GridMove(g, 1); }));
    return box;
}

TfrmXLSSetup::TGridTools &TfrmXLSSetup::ToolsOf(TtvStringGrid *grid)
{
    return grid == grdHeaderCol ? tolHeader : grid == grdBodyCol1 ? tolBody1 : tolBody2;
}

QStringList TfrmXLSSetup::PartItems(TtvStringGrid *grid) const
{
    const int part = grid == grdHeaderCol ? 0 : grid == grdBodyCol1 ? 1 : 2;
    QStringList captions;
    for (TtvRepData d : Items(cmbDataType->currentIndex(), part))
        captions.append(RepDataItems()[d].Caption);
    return captions;
}

void TfrmXLSSetup::ClearGrid(TtvStringGrid *grid)
{
    if (grid->EditorMode())
        grid->SetEditorMode(false);
    grid->SetRowCount(2);
    grid->SetFixedRows(1);
    grid->SetHeader({QStringLiteral("行"), QStringLiteral("桁"), QStringLiteral("表示項目")});
    grid->SetRows(1, {QString(), QString(), QString()});
    grid->MoveCurrent(0, 1);
    UpdateGridTools(grid, 1);
}

void TfrmXLSSetup::UpdateGridTools(TtvStringGrid *grid, int row)
{
    TGridTools &t = ToolsOf(grid);
    const int last = grid->RowCount() - 1;
    const bool line = row >= 1 && row < last;
    t.btnAdd->setEnabled(line);
    t.btnDel->setEnabled(line);
    t.btnUp->setEnabled(line && row > 1);
    t.btnDown->setEnabled(line && row < last - 1);
}

void TfrmXLSSetup::GridAdd(TtvStringGrid *grid)
{
    const int row = grid->Row();
    if (row < 1 || row >= grid->RowCount() - 1)
        return;
    grid->InsertRow(row);
    grid->SetRows(row, {QString(), QString(), QString()});
    grid->MoveCurrent(grid->Col(), row);
    SetChanged(true);
    UpdateGridTools(grid, grid->Row());
}

void TfrmXLSSetup::GridDelete(TtvStringGrid *grid)
{
    const int row = grid->Row();
    if (row < 1 || row >= grid->RowCount() - 1)
        return;
    grid->DeleteRow(row);
    SetChanged(true);
    UpdateGridTools(grid, grid->Row());
}

void TfrmXLSSetup::GridMove(TtvStringGrid *grid, int by)
{
    const int row = grid->Row();
    const int to = row + by;
    const int last = grid->RowCount() - 1;
    if (row < 1 || row >= last || to < 1 || to >= last)
        return;
    const QStringList a = grid->Rows(row), b = grid->Rows(to);
    grid->SetRows(row, b);
    grid->SetRows(to, a);
    grid->MoveCurrent(grid->Col(), to);
    SetChanged(true);
    UpdateGridTools(grid, grid->Row());
}

void TfrmXLSSetup::SetChanged(bool on)
{
    FChanged = on;
    UpdateActions();
}

void TfrmXLSSetup::UpdateActions()
{
    const bool tab = tabReport->currentIndex() >= 0;
    actOk->setEnabled(FChanged);
    actRefresh->setEnabled(FChanged);
    // A first definition can be added while the folder holds none.
    actAdd->setEnabled((tab || tabReport->count() == 0) && !FChanged);
    actDelete->setEnabled(tab && !FChanged && !tabReport->tabText(tabReport->currentIndex()).isEmpty());
}

QStringList TfrmXLSSetup::TabCaptions() const
{
    QStringList l;
    for (int i = 0; i < tabReport->count(); ++i)
        l.append(tabReport->tabText(i));
    return l;
}

void TfrmXLSSetup::SelectTab(int index)
{
    const bool was = FLoading;
    FLoading = true;
    tabReport->setCurrentIndex(index);
    FLoading = was;
    FTab = tabReport->currentIndex();
}

void TfrmXLSSetup::LoadDefinitionList()
{
    const bool was = FLoading;
    FLoading = true;
    while (tabReport->count() > 0)
        tabReport->removeTab(0);
    for (const QString &name : xlsdef::ListNames())
        tabReport->addTab(name);
    FLoading = was;
    SelectTab(tabReport->count() > 0 ? 0 : -1);
    ShowDefinition();
}

void TfrmXLSSetup::ShowDefinition()
{
    struct Done {
        TfrmXLSSetup *w;
        bool was;
        ~Done()
        {
            w->FLoading = was;
            w->SetChanged(false);
        }
    } done{this, FLoading};
    FLoading = true;
    txtName->clear();
    txtXlsFile->clear();
    txtBodyTop->setText(QStringLiteral("0"));
    txtBodyCount->setText(QStringLiteral("0"));
    rdoOutputType->SetItemIndex(0);
    cmbDataType->setCurrentIndex(-1);
    FLastType = -1;
    for (TtvStringGrid *g : {grdHeaderCol, grdBodyCol1, grdBodyCol2})
        ClearGrid(g);
    FSavedName.clear();
    const int tab = tabReport->currentIndex();
    const QString name = tab >= 0 ? tabReport->tabText(tab) : QString();
    if (!name.isEmpty()) {
        const TReportDefinition def = xlsdef::ReadDefinition(xlsdef::FileOf(name));
        txtName->setText(name);
        txtXlsFile->setText(def.XlsFile);
        txtBodyTop->setText(QString::number(def.BodyTop));
        txtBodyCount->setText(QString::number(def.BodyCount));
        rdoOutputType->SetItemIndex(std::clamp(def.OutputType, 0, 1));
        const int type = int(FindRepData(def.Type, 1));
        cmbDataType->setCurrentIndex(type <= rtView ? type : -1);
        cmbDataTypeChange();
        const auto &items = RepDataItems();
        const std::pair<TtvStringGrid *, const QList<TReportLine> *> parts[] = {
            {grdHeaderCol, &def.Header}, {grdBodyCol1, &def.Body}, {grdBodyCol2, &def.Body2}};
        for (const auto &[grid, lines] : parts) {
            for (const TReportLine &l : *lines) {
                const int row = grid->RowCount() - 1;
                grid->InsertRow(row);
                grid->SetRows(row, {QString::number(l.Row), QString::number(l.Col),
                                    items[FindRepData(l.Name, 1)].Caption});
            }
            grid->MoveCurrent(0, 1);
            UpdateGridTools(grid, grid->Row());
        }
        FSavedName = name;
    }
    rdoOutputType->setEnabled(cmbDataType->currentIndex() > rtObject);
}

void TfrmXLSSetup::cmbDataTypeChange()
{
    const int index = cmbDataType->currentIndex();
    if (index != FLastType) {
        SetChanged(true);
        for (TtvStringGrid *g : {grdHeaderCol, grdBodyCol1, grdBodyCol2})
            ClearGrid(g);
        FLastType = index;
        if (txtName->text().isEmpty() && index >= 0)
            txtName->setText(xlsdef::ProposeName(cmbDataType->itemText(index), TabCaptions()));
    }
    rdoOutputType->setEnabled(index > rtObject);
}

bool TfrmXLSSetup::ValidateDefinition()
{
    auto fail = [](const QString &text, QWidget *focus) {
        ShowMessageBox(text, tv::ui::MB_ICONWARNING);
        focus->setFocus();
        return false;
    };
    if (cmbDataType->currentIndex() < 0)
        return fail(QStringLiteral("定義タイプを入力して下さい。"), cmbDataType);
    const QString name = txtName->text().trimmed();
    if (name.isEmpty())
        return fail(QStringLiteral("Excel定義名を入力して下さい。"), txtName);
    // The name becomes a file name as it stands.
    if (SanitizeFileName(name) != name)
        return fail(QStringLiteral("Excel定義名に使用できない文字が含まれています。"), txtName);
    if (!PositiveInt(txtBodyTop->text()))
        return fail(kRowError, txtBodyTop);
    if (!PositiveInt(txtBodyCount->text()))
        return fail(kRowError, txtBodyCount);
    for (TtvStringGrid *g : {grdHeaderCol, grdBodyCol1, grdBodyCol2}) {
        for (int r = 1; r < g->RowCount(); ++r) {
            if (g->Cells(2, r).isEmpty())
                continue;
            if (!PositiveInt(g->Cells(0, r))) {
                g->MoveCurrent(0, r);
                return fail(kRowError, g);
            }
            if (!PositiveInt(g->Cells(1, r))) {
                g->MoveCurrent(1, r);
                return fail(kColError, g);
            }
        }
    }
    return true;
}

bool TfrmXLSSetup::SaveDefinition()
{
    for (TtvStringGrid *g : {grdHeaderCol, grdBodyCol1, grdBodyCol2})
        if (g->EditorMode())
            g->HideEditor();
    if (!ValidateDefinition())
        return false;
    const auto &items = RepDataItems();
    TReportDefinition def;
    def.XlsFile = txtXlsFile->text();
    PositiveInt(txtBodyTop->text(), &def.BodyTop);
    PositiveInt(txtBodyCount->text(), &def.BodyCount);
    def.OutputType = std::max(0, rdoOutputType->ItemIndex());
    def.Type = items[cmbDataType->currentIndex()].Key;
    const std::pair<TtvStringGrid *, QList<TReportLine> *> parts[] = {
        {grdHeaderCol, &def.Header}, {grdBodyCol1, &def.Body}, {grdBodyCol2, &def.Body2}};
    for (const auto &[grid, lines] : parts) {
        for (int r = 1; r < grid->RowCount(); ++r) {
            const QString item = grid->Cells(2, r);
            if (item.isEmpty())
                continue;
            TReportLine l;
            l.Name = items[FindRepData(item, 0)].Key;
            PositiveInt(grid->Cells(0, r), &l.Row);
            PositiveInt(grid->Cells(1, r), &l.Col);
            lines->append(l);
        }
    }
    const QString name = txtName->text().trimmed();
    xlsdef::WriteDefinition(xlsdef::FileOf(name), def);
    const QString old = FSavedName.trimmed();
    if (!old.isEmpty() && old != name)
        QFile::remove(xlsdef::FileOf(old));
    FSavedName = name;
    SetChanged(false);
    return true;
}

void TfrmXLSSetup::actOkExecute()
{
    if (!FChanged)
        return;
    if (SaveDefinition())
        LoadDefinitionList();
}

void TfrmXLSSetup::actAddExecute()
{
    if (FChanged)
        return;
    const bool was = FLoading;
    FLoading = true;
    const int index = tabReport->addTab(QString());
    FLoading = was;
    SelectTab(index);
    ShowDefinition();
    SetChanged(true);
    txtName->setFocus();
}

void TfrmXLSSetup::actDeleteExecute()
{
    const int tab = tabReport->currentIndex();
    if (tab < 0 || FChanged)
        return;
    if (ShowMessageBox(QStringLiteral("このExcel定義を削除しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return;
    QFile::remove(xlsdef::FileOf(tabReport->tabText(tab)));
    LoadDefinitionList();
}

void TfrmXLSSetup::actRefreshExecute()
{
    if (ShowMessageBox(QStringLiteral("全ての変更を取り消しますか？"), tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) !=
        tv::ui::IDYES)
        return;
    LoadDefinitionList();
}

void TfrmXLSSetup::actExitExecute()
{
    reject();
}

void TfrmXLSSetup::btnXlsFileClick()
{
    tv::ui::FileDialogRequest req;
    req.caption = QStringLiteral("フォームファイルの選択");
    req.initialDir = xlsdef::Folder();
    req.fileName = txtXlsFile->text();
    req.defaultExt = QStringLiteral("xls");
    req.filter = (ExcelFileFilter.isEmpty() ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx") : ExcelFileFilter) +
                 QStringLiteral("|すべてのファイル(*.*)|*.*");
    const QString file = tv::ui::CurrentDialogs().openFile(req);
    if (file.isEmpty())
        return;
    txtXlsFile->setText(file);
    SetChanged(true);
}

bool TfrmXLSSetup::ConfirmLeave()
{
    for (TtvStringGrid *g : {grdHeaderCol, grdBodyCol1, grdBodyCol2})
        if (g->EditorMode())
            g->HideEditor();
    if (!FChanged)
        return true;
    const int answer = ShowMessageBox(kAskSave, tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION);
    if (answer == tv::ui::IDCANCEL)
        return false;
    if (answer == tv::ui::IDYES) {
        bool saved = false;
        tv::ui::Guard([&] { saved = SaveDefinition(); });
        return saved;
    }
    return true;
}

void TfrmXLSSetup::TabChanged(int index)
{
    if (FLoading || index == FTab)
        return;
    if (!FChanged) {
        FTab = index;
        ShowDefinition();
        return;
    }
    // Back to the shown tab while the user decides.
    const int wanted = index;
    SelectTab(FTab);
    const int answer = ShowMessageBox(kAskSave, tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION);
    if (answer == tv::ui::IDCANCEL)
        return;
    if (answer == tv::ui::IDYES) {
        if (SaveDefinition())
            LoadDefinitionList();
        return;
    }
    // No: the changes are dropped (and an unsaved new tab with them).
    int target = wanted;
    if (FTab >= 0 && tabReport->tabText(FTab).isEmpty()) {
        const bool was = FLoading;
        FLoading = true;
        tabReport->removeTab(FTab);
        FLoading = was;
        if (target > FTab)
            --target;
    }
    SelectTab(target);
    ShowDefinition();
}

void TfrmXLSSetup::reject()
{
    if (!ConfirmLeave())
        return;
    QDialog::reject();
}

void TfrmXLSSetup::keyPressEvent(QKeyEvent *e)
{
    if (e->modifiers() == Qt::ControlModifier && (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown)) {
        const int n = tabReport->count();
        if (n > 0) {
            const int by = e->key() == Qt::Key_PageUp ? -1 : 1;
            tabReport->setCurrentIndex((tabReport->currentIndex() + by + n) % n);
        }
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfrmXLSSetup::LoadWindowLayout()
{
    TtvRegistry &reg = tvRegistry();
    if (!reg.KeyExists(kLayoutKey))
        return;
    LoadWindowBounds(*this, kLayoutKey);
    TRegistryKeyCloser closer(reg);
    if (!reg.OpenKeyReadOnly(kLayoutKey))
        return;
    const std::pair<const char *, TtvStringGrid *> grids[] = {
        {"HEADER", grdHeaderCol}, {"BODY1", grdBodyCol1}, {"BODY2", grdBodyCol2}};
    for (const auto &[prefix, grid] : grids)
        for (int c = 0; c < 3; ++c) {
            const QString name = QLatin1String(prefix) + QString::number(c);
            if (reg.ValueExists(name))
                grid->SetColWidths(c, reg.ReadInteger(name));
        }
}

void TfrmXLSSetup::SaveWindowLayout()
{
    try {
        SaveWindowBounds(*this, kLayoutKey);
        TtvRegistry &reg = tvRegistry();
        TRegistryKeyCloser closer(reg);
        if (!reg.OpenKey(kLayoutKey, true))
            return;
        const std::pair<const char *, TtvStringGrid *> grids[] = {
            {"HEADER", grdHeaderCol}, {"BODY1", grdBodyCol1}, {"BODY2", grdBodyCol2}};
        for (const auto &[prefix, grid] : grids)
            for (int c = 0; c < 3; ++c)
                reg.WriteInteger(QLatin1String(prefix) + QString::number(c), grid->ColWidths(c));
    } catch (...) {
        // The layout is a convenience; a store that cannot be written loses it.
    }
}

void TfrmXLSSetup::ShowWindow()
{
    struct Rebuild {
        ~Rebuild()
        {
            if (frmMain)
                tv::ui::Guard([] { frmMain->SetReportList(); });
        }
    } rebuild;
    QWidget *owner = MainWindow() ? MainWindow()->MainWidget() : nullptr;
    TfrmXLSSetup dlg(owner);
    if (owner) {
        const QRect o = owner->frameGeometry();
        dlg.move(o.center() - QPoint(dlg.width() / 2, dlg.height() / 2));
    }
    dlg.LoadWindowLayout();
    // A first definition that cannot be read keeps the editor closed.
    if (!tv::ui::Guard([&] { dlg.LoadDefinitionList(); }))
        return;
    dlg.exec();
    dlg.SaveWindowLayout();
}

void TfrmXLSSetup::RegisterLauncher()
{
    RegisterReportItems();
    ::RegisterLauncher(QStringLiteral("actToolReportSetup"), [](const TLaunchContext &) -> QWidget * {
        ShowWindow();
        return nullptr;
    });
}
