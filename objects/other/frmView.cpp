#include "objects/other/frmView.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/WhereHistory.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/SourceText.h"
#include "objects/other/ViewReport.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "sql/fraExplan.h"
#include "sql/frmFieldList.h"
#include "sql/RepData.h"
#include "sql/XlsDefinition.h"
#include "sql/frmMemo.h"
#include "common/TextUtil.h"
#include "platform/ui/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString LauncherDataGenerate = QStringLiteral("TfrmDataGenerate");

enum { colName, colType, colLength, colComment };

QString DoubleQuoted(const QString &s)
{
    QString t = s;
    t.replace(u'"', QStringLiteral("\"\""));
    return u'"' + t + u'"';
}

bool IsCharacterType(const QString &t)
{
    return t == QLatin1String("character") || t == QLatin1String("char") || t == QLatin1String("character varying") ||
           t == QLatin1String("varchar");
}

} // namespace

// ---------------------------------------------------------------------------
// The data page's statement

QString ViewDataSQL(const QString &Schema, const QString &Name, const QStringList &ShowFld,
                    QList<QStringList> &Rows, const QString &FreeCondition)
{
    QStringList fields;
    for (const QString &f : ShowFld)
        fields << DoubleQuoted(f);
    QString sql = QStringLiteral("SELECT ") + fields.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  DoubleQuoted(Schema) + u'.' + DoubleQuoted(Name);
    bool where = false;
    for (QStringList &r : Rows) {
        while (r.size() < 7)
            r << QString();
        if (r[1].isEmpty() && r[2].isEmpty() && r[3].isEmpty() && r[4].isEmpty() && r[5].isEmpty())
            continue;
        if (!where)
            sql += QStringLiteral(" WHERE ");
        where = true;
        const QString n = QuoteIdentifier(r[0]);
        if (!r[1].isEmpty())
            sql += n + QStringLiteral(" = ") + r[1] + QStringLiteral(" AND ");
        if (!r[2].isEmpty())
            sql += n + QStringLiteral(" <> ") + r[2] + QStringLiteral(" AND ");
        if (!r[5].isEmpty())
            sql += n + QStringLiteral(" LIKE ") + r[5] + QStringLiteral(" AND ");
        if (!r[3].isEmpty() && !r[4].isEmpty()) {
            sql += n + QStringLiteral(" BETWEEN ") + r[3] + QStringLiteral(" AND ") + r[4] + QStringLiteral(" AND ");
        } else {
            if (!r[3].isEmpty())
                sql += n + QStringLiteral(" >= ") + r[3] + QStringLiteral(" AND ");
            if (!r[4].isEmpty())
                sql += n + QStringLiteral(" <= ") + r[4] + QStringLiteral(" AND ");
        }
    }
    if (sql.trimmed().endsWith(QLatin1String("AND"), Qt::CaseInsensitive))
        sql.chop(4);
    if (!FreeCondition.isEmpty())
        sql += (where ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) + FreeCondition;
    struct Sort {
        QString key;
        bool desc;
        int row;
    };
    QList<Sort> sorts;
    for (int i = 0; i < Rows.size(); ++i) {
        QString cell = Rows[i][6].trimmed();
        if (cell.isEmpty())
            continue;
        const bool desc = cell.toUpper().contains(QLatin1String("DESC"));
        QString digits;
        for (QChar ch : cell)
            if (ch >= u'0' && ch <= u'9')
                digits += ch;
        if (!digits.isEmpty() || desc)
            sorts.append({QString::asprintf("%.5lld", digits.toLongLong()), desc, i});
        Rows[i][6].clear();
    }
    if (sorts.isEmpty())
        return sql;
    std::stable_sort(sorts.begin(), sorts.end(), [](const Sort &a, const Sort &b) { return a.key < b.key; });
    sql += QStringLiteral(" ORDER BY ");
    for (int i = 0; i < sorts.size(); ++i) {
        if (i > 0)
            sql += u',';
        sql += QuoteIdentifier(Rows[sorts[i].row][0]) + (sorts[i].desc ? QStringLiteral(" DESC") : QString());
        Rows[sorts[i].row][6] = QString::number(i + 1) + (sorts[i].desc ? QStringLiteral(" DESC") : QString());
    }
    return sql;
}

// ---------------------------------------------------------------------------
// Shared construction

TfrmViewBase::TfrmViewBase(IConnectionWindow *AOwner, const TDefinitionKind &Kind, bool Materialized)
    : TfrmDefinition(AOwner, Kind), FMaterialized(Materialized)
{
    BuildDefinePage();
    BuildDataPage();

    // The views' bar: compile, output, delete, revert, exit.
    for (QAction *a : {actDelete, actRefresh}) {
        tolCmd->removeAction(a);
        tolCmd->insertAction(actExit, a);
        if (QWidget *w = tolCmd->widgetForAction(a))
            w->setMinimumWidth(78);
    }

    fraGrant = new TfraGrant(this);
    tabGrant = AddFramePage(fraGrant, QStringLiteral("tabGrant"), QStringLiteral("権限"));

    fraCross = new TfraCross(this);
    tabCross = AddFramePage(fraCross, QStringLiteral("tabCross"), QStringLiteral("相関"));

    WatchNameBoxes();
    txtSource->installEventFilter(this);
}

void TfrmViewBase::BuildDefinePage()
{
    auto *root = new QVBoxLayout(tabDefine);
    root->setContentsMargins(0, 0, 0, 0);
    pnlFieldTop = new QWidget;
    pnlFieldTop->setObjectName(QStringLiteral("pnlFieldTop"));
    auto *top = new QVBoxLayout(pnlFieldTop);
    top->setContentsMargins(4, 2, 4, 2);
    auto *commentLine = new QHBoxLayout;
    commentLine->addWidget(new QLabel(QStringLiteral("コメント")));
    txtComment = new TtvStrEdit;
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->OnChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    commentLine->addWidget(txtComment, 1);
    top->addLayout(commentLine);
    root->addWidget(pnlFieldTop);

    grdColumn = new TtvStringGrid;
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    grdColumn->SetColCount(4);
    grdColumn->SetFixedCols(0);
    grdColumn->SetFixedRows(1);
    grdColumn->SetRowCount(2);
    grdColumn->SetGridMode(geAccess);
    grdColumn->SetHeader({QStringLiteral("項目名"), QStringLiteral("型"), QStringLiteral("長さ"),
                          QStringLiteral("コメント")});
    grdColumn->SetColWidths(colName, 180);
    grdColumn->SetColWidths(colType, 100);
    grdColumn->SetColWidths(colLength, 100);
    grdColumn->SetColWidths(colComment, 300);
    grdColumn->SetEditStyles(colComment, geEllipsis);
    grdColumn->OnSelectCell = [this](QObject *, int ACol, int, bool &) {
        TGridOptions o = grdColumn->Options();
        o.setFlag(goEditing, ACol == colComment);
        grdColumn->SetOptions(o);
    };
    grdColumn->OnSetEditText = [this](QObject *, int ACol, int ARow, const QString &) {
        if (FLoading || ACol != colComment)
            return;
        if (grdColumn->GetSaveCells(ACol, ARow) != grdColumn->Cells(ACol, ARow))
            Changed();
    };
    grdColumn->OnEditButtonClick = [this](QObject *) {
        tv::ui::Guard([this] {
            const int row = grdColumn->Row();
            QString text = grdColumn->Cells(colComment, row);
            bool isNull = false;
            if (TfrmMemo::ShowWindow(text, isNull, false, false) == 1 && text != grdColumn->Cells(colComment, row)) {
                grdColumn->SetCells(colComment, row, text);
                Changed();
            }
        });
    };
    root->addWidget(grdColumn, 1);
}

void TfrmViewBase::BuildDataPage()
{
    tabData = new QWidget;
    tabData->setObjectName(QStringLiteral("tabData"));
    auto *dl = new QVBoxLayout(tabData);
    dl->setContentsMargins(0, 0, 0, 0);

    pnlWhere = new QWidget;
    pnlWhere->setObjectName(QStringLiteral("pnlWhere"));
    auto *wl = new QVBoxLayout(pnlWhere);
    wl->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    // Image buttons: the hint is their text only where no image is at hand.
    IMainWindow *m = MainWindow();
    auto button = [&](const char *name, const QString &hint, int image) {
        auto *b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setText(hint);
        if (m)
            b->setIcon(m->ButtonImage(image));
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    btnExec = button("btnExec", QStringLiteral("データを表示"), 28);
    btnField = button("btnField", QStringLiteral("表示項目の指定"), 12);
    btnWhere = button("btnWhere", QStringLiteral("抽出条件・ソート順設定"), 96);
    btnWhere->setCheckable(true);
    btnGrdWhereClear = button("btnGrdWhereClear", QStringLiteral("抽出条件・ソート順設定クリア"), 117);
    btnExecSQL = button("btnExecSQL", QStringLiteral("指定した条件のSELECT文をクリップボードに出力"), 10);
    bar->addWidget(new QLabel(QStringLiteral(" 条件")));
    cmbWhere = new TtvComboBox;
    cmbWhere->setObjectName(QStringLiteral("cmbWhere"));
    cmbWhere->SetStyle(TtvComboBox::csDropDown);
    cmbWhere->setMaxVisibleItems(20);
    bar->addWidget(cmbWhere, 1);
    bar->addWidget(new QLabel(QStringLiteral("表示件数")));
    txtRecord = new TtvStrEdit;
    txtRecord->setObjectName(QStringLiteral("txtRecord"));
    txtRecord->setMaxLength(9);
    txtRecord->setFixedWidth(80);
    bar->addWidget(txtRecord);
    wl->addLayout(bar);
    grdWhere = new TtvStringGrid;
    grdWhere->setObjectName(QStringLiteral("grdWhere"));
    grdWhere->SetColCount(7);
    grdWhere->SetFixedCols(0);
    grdWhere->SetFixedRows(1);
    grdWhere->SetRowCount(2);
    grdWhere->SetGridMode(geAccess);
    grdWhere->SetHeader({QStringLiteral("項目名"), QStringLiteral("＝(一致)"), QStringLiteral("＜＞(不一致)"),
                         QStringLiteral("≦(下限値)"), QStringLiteral("≧(上限値)"), QStringLiteral("LIKE(部分一致)"),
                         QStringLiteral("ソート順序")});
    const int widths[] = {200, 120, 120, 120, 120, 120, 80};
    for (int c = 0; c < 7; ++c)
        grdWhere->SetColWidths(c, widths[c]);
    grdWhere->SetOptions(grdWhere->Options() | goEditing | goColSizing);
    grdWhere->OnSelectCell = [this](QObject *, int ACol, int, bool &) {
        TGridOptions o = grdWhere->Options();
        o.setFlag(goEditing, ACol != 0);
        grdWhere->SetOptions(o);
    };
    grdWhere->setMinimumHeight(120);
    wl->addWidget(grdWhere);
    dl->addWidget(pnlWhere);

    fraData = new TfraData(tabData, this);
    fraData->setObjectName(QStringLiteral("fraData"));
    if (OwnerForm())
        fraData->SetConnection(&OwnerForm()->dbsMain());
    dl->addWidget(fraData, 1);
    pagObject->addTab(tabData, QStringLiteral("データ"));

    connect(btnExec, &QToolButton::clicked, this, tv::ui::Guarded([this] { Reload(btnExec); }));
    connect(btnWhere, &QToolButton::toggled, this, [this](bool on) { ShowWhere(on); });
    connect(btnGrdWhereClear, &QToolButton::clicked, this, tv::ui::Guarded([this] {
                if (ShowMessageBox(QStringLiteral("抽出条件・ソート順をクリアしますか？"),
                                   tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
                    return;
                for (int r = 1; r < grdWhere->RowCount(); ++r)
                    for (int c = 1; c < 7; ++c)
                        grdWhere->SetCells(c, r, QString());
            }));
    connect(btnExecSQL, &QToolButton::clicked, this, tv::ui::Guarded([this] {
                QApplication::clipboard()->setText(GetDataSQL());
                ShowMessageBox(QStringLiteral("指定した条件のSELECT文を、") + QStringLiteral("\r\n") +
                                   QStringLiteral("クリップボードに出力しました。"),
                               tv::ui::MB_ICONINFORMATION);
            }));
    connect(btnField, &QToolButton::clicked, this, tv::ui::Guarded([this] {
                TfrmFieldList::ShowWindow(OwnerForm(), SchemaName(), ObjectName(), FShowFld);
                Reload(btnField);
            }));
    txtRecord->installEventFilter(this);
    cmbWhere->installEventFilter(this);
    btnWhere->setChecked(tvOption.ShowWhereGrid);
    ShowWhere(btnWhere->isChecked());
}

void TfrmViewBase::ShowWhere(bool On)
{
    grdWhere->setVisible(On);
    btnGrdWhereClear->setVisible(On);
    btnExecSQL->setVisible(On);
}

QString TfrmViewBase::RecordCountText() const
{
    return txtRecord->Text();
}

QWidget *TfrmViewBase::PageForMode(TOpenMode Mode)
{
    switch (Mode) {
    case omSource:
        return tabSource;
    case omData:
        return tabData;
    case omCross:
        return tabCross;
    case omGrant:
        return tabGrant;
    default:
        return tabDefine;
    }
}

QList<QWidget *> TfrmViewBase::PagesOfExisting()
{
    // A new object shows only its source page.
    return {tabDefine, tabData, tabGrant, tabCross};
}

bool TfrmViewBase::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::FocusIn) {
        if (Watched == txtSource && IsNew() && TrimBlanks(ObjectName()).isEmpty())
            QMetaObject::invokeMethod(txtName, [this] { txtName->setFocus(); }, Qt::QueuedConnection);
    } else if (Event->type() == QEvent::KeyPress && (Watched == txtRecord || Watched == cmbWhere)) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { pagObjectChange(); });
            return true;
        }
    }
    return TfrmDefinition::eventFilter(Watched, Event);
}

void TfrmViewBase::txtNameExit(QWidget *Box)
{
    if (!IsNew())
        return;
    const QString schema = SchemaName();
    const QString name = ObjectName();
    if (TrimBlanks(txtSource->Lines()->Text()).isEmpty()) {
        txtSource->Lines()->SetText(ViewDDL::Template(FMaterialized, schema, name).join(u'\n'));
        FEnterValue = Box == cmbSchema ? schema : name;
        return;
    }
    QStringList lines = txtSource->Lines()->ToStringList();
    bool changed = false;
    if (Box == cmbSchema && FEnterValue != schema)
        changed = SourceText::RenameFirst(lines, QuoteIdentifier(FEnterValue) + u'.', QuoteIdentifier(schema) + u'.',
                                          false);
    else if (Box == txtName && FEnterValue != name)
        changed = SourceText::RenameFirst(lines, u'.' + QuoteIdentifier(FEnterValue), u'.' + QuoteIdentifier(name),
                                          false);
    if (changed)
        txtSource->Lines()->SetText(lines.join(u'\n'));
    FEnterValue = Box == cmbSchema ? schema : name;
}

// ---------------------------------------------------------------------------
// Load

QString TfrmViewBase::Prefix() const
{
    return SchemaPrefix(SchemaName(), DefaultSchema());
}

bool TfrmViewBase::WithColumns() const
{
    return SourceMode == smText ? ScriptOption.ViewCol : tvOption.ShowColumnSource;
}

void TfrmViewBase::LoadDefinition()
{
    std::optional<TViewDefinition> def =
        LoadViewDefinition(*qrySQL, SchemaName(), ObjectName(), FMaterialized, DBVer());
    if (!def) {
        if (SourceMode == smShow)
            ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
        throw tv::SilentAbort();
    }
    FLoaded = *def;
}

void TfrmViewBase::FillColumns(const TViewDefinition &Def)
{
    grdColumn->Clear();
    grdColumn->SetRowCount(std::max<int>(2, int(Def.Columns.size()) + 1));
    for (int i = 0; i < Def.Columns.size(); ++i) {
        const TViewColumn &c = Def.Columns[i];
        grdColumn->SetRows(i + 1, {c.Name, c.Type, c.Length, c.Comment});
    }
    grdColumn->MoveCurrent(colComment, 1);

    // The condition grid keeps what was typed for columns that remain.
    QHash<QString, QStringList> old;
    for (int r = 1; r < grdWhere->RowCount(); ++r) {
        const QString n = grdWhere->Cells(0, r);
        if (!n.isEmpty())
            old.insert(n, grdWhere->Rows(r));
    }
    grdWhere->Clear();
    grdWhere->SetRowCount(grdColumn->RowCount());
    QStringList names;
    for (int i = 0; i < Def.Columns.size(); ++i) {
        const TViewColumn &c = Def.Columns[i];
        names << c.Name;
        QStringList row = old.value(c.Name);
        while (row.size() < 7)
            row << QString();
        row[0] = c.Name;
        if (tvOption.WhereAutoQuote && IsCharacterType(c.Type))
            for (int k = 1; k <= 5; ++k)
                if (!row[k].isEmpty() && !row[k].startsWith(u'\''))
                    row[k] = QuoteLiteral(row[k]);
        grdWhere->SetRows(i + 1, row);
    }
    grdWhere->MoveCurrent(1, 1);
    FShowFld.erase(std::remove_if(FShowFld.begin(), FShowFld.end(),
                                  [&names](const QString &f) { return !names.contains(f); }),
                   FShowFld.end());
    if (FShowFld.isEmpty())
        FShowFld = names;
}

void TfrmViewBase::ShowDefine()
{
    FLoading = true;
    struct Done {
        bool &b;
        ~Done() { b = false; }
    } done{FLoading};
    if (!IsNew()) {
        LoadDefinition();
        FillColumns(FLoaded);
        txtComment->SetText(FLoaded.Comment);
        ShowDefineExtra(FLoaded);
    }
    txtComment->Save();
    grdColumn->Save();
    SaveExtra();
    if (!IsNew())
        RefreshSource();
    else if (SourceMode == smText)
        txtSource->Lines()->Clear();
    if (ShownPage() == tabGrant)
        fraGrant->ShowData(SchemaName(), ObjectName(), -1);
    if (ShownPage() == tabCross)
        fraCross->ShowData(SchemaName(), ObjectName(), QString(), QString());
    SetModified(false);
}

void TfrmViewBase::ShowDataPage()
{
    pnlWhere->setParent(nullptr);
    static_cast<QVBoxLayout *>(tabData->layout())->insertWidget(0, pnlWhere);
    pnlWhere->show();
    fraData->SetTableName(SchemaName() + u'.' + ObjectName());
    const QString sql = GetDataSQL();
    fraData->SetSQL(sql);
    if (!sql.isEmpty()) {
        fraData->Prepare();
        fraData->Open();
    }
    grdWhere->MoveCurrent(1, 1);
}

QString TfrmViewBase::GetDataSQL()
{
    const QString limit = txtRecord->Text();
    if (!limit.isEmpty()) {
        bool ok = false;
        const qint64 n = limit.toLongLong(&ok);
        if (!ok || n <= 0) {
            ShowMessageBox(QStringLiteral("表示件数には1以上の整数を入力して下さい。"), tv::ui::MB_ICONEXCLAMATION);
            txtRecord->setFocus();
            throw tv::SilentAbort();
        }
    }
    QList<QStringList> rows;
    for (int r = 1; r < grdWhere->RowCount(); ++r)
        if (!grdWhere->Cells(0, r).isEmpty())
            rows << grdWhere->Rows(r);
    const QString free = cmbWhere->Text();
    const QString sql = ViewDataSQL(SchemaName(), ObjectName(), FShowFld, rows, free);
    int i = 0;
    for (int r = 1; r < grdWhere->RowCount(); ++r)
        if (!grdWhere->Cells(0, r).isEmpty())
            grdWhere->SetCells(6, r, rows[i++][6]);
    if (!free.isEmpty()) {
        QStringList items;
        for (int k = 0; k < cmbWhere->count(); ++k)
            if (cmbWhere->itemText(k) != free)
                items << cmbWhere->itemText(k);
        items.prepend(free);
        while (items.size() > 20)
            items.removeLast();
        const QSignalBlocker b(cmbWhere);
        cmbWhere->clear();
        cmbWhere->addItems(items);
        cmbWhere->setCurrentIndex(0);
        SaveWhereHistory(SchemaName(), ObjectName(), items);
    }
    return sql;
}

// ---------------------------------------------------------------------------
// Reports

void TfrmViewBase::PrepareOpen(const QString &Schema, const QString &ObjectName, int DefTopRecord)
{
    if (DefTopRecord > 0)
        txtRecord->SetText(QString::number(DefTopRecord));
    QStringList history;
    LoadWhereHistory(Schema, ObjectName, history);
    cmbWhere->addItems(history);
    cmbWhere->SetText(QString());
}

void TfrmViewBase::SetReportList()
{
    AddReportItems(rtView, [this](const QString &name) { ReportClick(name); });
}

void TfrmViewBase::ReportClick(const QString &ReportName)
{
    if (ReportName.isEmpty() || IsNew())
        return;
    const QString path = AskReportFile();
    if (path.isEmpty())
        return;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        const TReportDefinition def = ObjectReport::Read(ReportName);
        ObjectReport::WriteFile(def, ObjectReport::ViewData(OwnerForm(), def, SchemaName(), ObjectName(),
                                                            FMaterialized),
                                false, path);
    }
    ReportWritten(path);
}

// ---------------------------------------------------------------------------
// DDL

TViewDefinition TfrmViewBase::CurrentDefinition() const
{
    TViewDefinition d = FLoaded;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.Comment = txtComment->Text();
    d.Columns.clear();
    for (int r = 1; r < grdColumn->RowCount(); ++r) {
        if (grdColumn->Cells(colName, r).isEmpty())
            continue;
        d.Columns.append({grdColumn->Cells(colName, r), grdColumn->Cells(colType, r), grdColumn->Cells(colLength, r),
                          grdColumn->Cells(colComment, r)});
    }
    return d;
}

bool TfrmViewBase::IsCreate()
{
    return SourceMode == smText || ShownPage() == tabSource;
}

// ---------------------------------------------------------------------------
// The view window

const TDefinitionKind &TfrmView::ViewKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 47;
        k.CaptionPrefix = QStringLiteral("VIEW - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("VIEW");
        k.Keyword = QStringLiteral("VIEW");
        k.HasOutput = true;
        return k;
    }();
    return kind;
}

TfrmView *TfrmView::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                         TOpenMode OpenMode, int DefTopRecord)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmView>(CaptionFor(AOwner, ViewKind(), Schema, ObjectName)))
        throw tv::SilentAbort();
    auto *w = new TfrmView(AOwner);
    w->PrepareOpen(Schema, ObjectName, DefTopRecord);
    ShowBuilt(w, Schema, ObjectName, OpenMode);
    w->SetReportList();
    return w;
}

bool TfrmView::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           const QString &NewSchema, const QString &NewObjectName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    std::optional<TViewDefinition> def = LoadViewDefinition(q, Schema, ObjectName, false, AOwner->DBVer());
    if (!def)
        return false;
    if (!NewSchema.isEmpty() && !NewObjectName.isEmpty()) {
        def->Schema = NewSchema;
        def->Name = NewObjectName;
    }
    ViewDDL::CreateView(*def, TtvForm::SchemaPrefix(smText, def->Schema, conn.Params().MetaDefSchema),
                        ScriptOption.ViewCol, Lines);
    return true;
}

void TfrmView::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                         QIODevice &Stream, const QString &NewSchema, const QString &NewObjectName)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, NewSchema, NewObjectName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

void TfrmView::GetExcelFile(IConnectionWindow *AOwner, const QString &RepName, const QString &Schema,
                            const QString &ObjectName, const QString &Path)
{
    ObjectReport::ViewFile(AOwner, RepName, Schema, ObjectName, Path, false);
}

void TfrmView::GetExcelSheet(IConnectionWindow *AOwner, const QString &RepName, const QString &Schema,
                             const QString &ObjectName, tv::excel::Sheet &Sheet)
{
    ObjectReport::ViewSheet(AOwner, RepName, Schema, ObjectName, Sheet);
}

TfrmView::TfrmView(IConnectionWindow *AOwner) : TfrmViewBase(AOwner, ViewKind(), false)
{
    // The options below the comment, opened by "▼オプション".
    auto *opener = new QHBoxLayout;
    btnOptionOpener = new QPushButton(QStringLiteral("▼オプション"));
    btnOptionOpener->setObjectName(QStringLiteral("btnOptionOpener"));
    opener->addWidget(btnOptionOpener);
    opener->addStretch(1);
    auto *options = new QWidget;
    options->setObjectName(QStringLiteral("pnlOptions"));
    auto *ol = new QHBoxLayout(options);
    ol->setContentsMargins(0, 0, 0, 0);
    auto combo = [this](const char *name, const QStringList &items) {
        auto *c = new TtvComboBox;
        c->setObjectName(QString::fromLatin1(name));
        c->SetStyle(TtvComboBox::csDropDownList);
        c->addItems(items);
        c->setMaxVisibleItems(20);
        c->OnChange = [this](QObject *) {
            if (!FLoading)
                Changed();
        };
        return c;
    };
    cmbSecurityBarrier = combo("cmbSecurityBarrier", {QString(), QStringLiteral("false"), QStringLiteral("true")});
    cmbCheckOption = combo("cmbCheckOption", {QString(), QStringLiteral("cascaded"), QStringLiteral("local")});
    ol->addWidget(new QLabel(QStringLiteral("Security Barrier")));
    ol->addWidget(cmbSecurityBarrier);
    ol->addWidget(new QLabel(QStringLiteral("Check Option")));
    ol->addWidget(cmbCheckOption);
    ol->addStretch(1);
    options->setVisible(false);
    auto *top = static_cast<QVBoxLayout *>(pnlFieldTop->layout());
    top->addLayout(opener);
    top->addWidget(options);
    connect(btnOptionOpener, &QPushButton::clicked, this, [this] { btnOptionOpenerClick(); });
    const bool enable = DBVer() >= 90400;
    btnOptionOpener->setVisible(enable);

    tabExplan = new QWidget;
    tabExplan->setObjectName(QStringLiteral("tabExplan"));
    auto *el = new QVBoxLayout(tabExplan);
    el->setContentsMargins(0, 0, 0, 0);
    fraExplan = new TfraExplan(tabExplan);
    fraExplan->setObjectName(QStringLiteral("fraExplan"));
    if (OwnerForm())
        fraExplan->SetConnection(&OwnerForm()->dbsMain());
    el->addWidget(fraExplan, 1);
    pagObject->insertTab(pagObject->indexOf(tabData) + 1, tabExplan, QStringLiteral("実行計画"));

    actDataGenerate = new QAction(QStringLiteral("生成(&W)"), this);
    actDataGenerate->setObjectName(QStringLiteral("actDataGenerate"));
    actDataGenerate->setToolTip(QStringLiteral("テストデータを生成します。"));
    if (IMainWindow *m = MainWindow())
        actDataGenerate->setIcon(m->MainImage(103));
    actDataGenerate->setVisible(DBVer() > 90299);
    connect(actDataGenerate, &QAction::triggered, this, tv::ui::Guarded([this] { actDataGenerateExecute(); }));
    const QList<QAction *> bar = tolCmd->actions();
    tolCmd->insertAction(bar.size() > 1 ? bar[1] : nullptr, actDataGenerate);
    mnuObject->insertAction(mnuObject->actions().value(2), actDataGenerate);
    if (actPrint) {
        mnuObject->removeAction(actPrint);
        mnuObject->addSeparator();
        mnuObject->addAction(actPrint);
        mnuObject->addAction(actSave);
    }
}

void TfrmView::btnOptionOpenerClick()
{
    QWidget *options = pnlFieldTop->findChild<QWidget *>(QStringLiteral("pnlOptions"));
    const bool open = !options->isVisible();
    options->setVisible(open);
    btnOptionOpener->setText(open ? QStringLiteral("▲オプション") : QStringLiteral("▼オプション"));
}

QList<QWidget *> TfrmView::PagesOfExisting()
{
    return {tabDefine, tabData, tabExplan, tabGrant, tabCross};
}

void TfrmView::ShowDefineExtra(const TViewDefinition &Def)
{
    if (!Def.OptionsEnabled)
        return;
    cmbSecurityBarrier->SetText(Def.SecurityBarrier);
    cmbCheckOption->SetText(Def.CheckOption);
}

void TfrmView::SaveExtra()
{
    cmbSecurityBarrier->Save();
    cmbCheckOption->Save();
}

void TfrmView::ShowDefine()
{
    TfrmViewBase::ShowDefine();
    if (IsNew())
        return;
    if (ShownPage() == tabData) {
        ShowDataPage();
        SetModified(false);
    } else if (ShownPage() == tabExplan) {
        pnlWhere->setParent(nullptr);
        static_cast<QVBoxLayout *>(tabExplan->layout())->insertWidget(0, pnlWhere);
        pnlWhere->show();
        const QString sql = GetDataSQL();
        fraExplan->SetSQL(sql);
        if (!sql.isEmpty())
            fraExplan->ShowData();
        grdWhere->MoveCurrent(1, 1);
        SetModified(false);
    }
}

void TfrmView::GetSourceCreate(QStringList &List)
{
    if (IsNew())
        return;
    TViewDefinition d = CurrentDefinition();
    // The query is read again: the text is what the server holds now.
    std::optional<TViewDefinition> now = LoadViewDefinition(*qrySQL, SchemaName(), ObjectName(), false, DBVer());
    if (!now) {
        if (SourceMode == smShow)
            ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
        throw tv::SilentAbort();
    }
    d.Query = now->Query;
    if (!CopySchema.isEmpty() && !CopyView.isEmpty()) {
        d.Schema = CopySchema;
        d.Name = CopyView;
    }
    ViewDDL::CreateView(d, SchemaPrefix(d.Schema, DefaultSchema()), WithColumns(), List);
}

void TfrmView::GetSourceAlter(QStringList &List)
{
    TViewDefinition now = CurrentDefinition();
    now.SecurityBarrier = cmbSecurityBarrier->Text();
    now.CheckOption = cmbCheckOption->Text();
    TViewDefinition loaded = FLoaded;
    loaded.SecurityBarrier = cmbSecurityBarrier->SaveValue;
    loaded.CheckOption = cmbCheckOption->SaveValue;
    for (int i = 0; i < loaded.Columns.size() && i + 1 < grdColumn->SaveRowCount(); ++i)
        loaded.Columns[i].Comment = grdColumn->GetSaveCells(colComment, i + 1);
    loaded.Comment = txtComment->SaveValue;
    ViewDDL::AlterView(loaded, now, Prefix(), List);
}

void TfrmView::BuildCompileList(QStringList &List)
{
    QWidget *page = ShownPage();
    if (page == tabGrant)
        fraGrant->GetSource(List);
    else if (page == tabSource)
        List << txtSource->Lines()->ToStringList();
    else if (page == tabDefine && !IsNew())
        GetSourceAlter(List);
}

void TfrmView::Compile(QObject *Sender)
{
    TfrmDefinition::Compile(Sender);
    // Applied, or nothing to apply: the shown fields start again from all columns.
    if (!Modified())
        FShowFld.clear();
}

QString TfrmView::DropStatement(bool)
{
    return ViewDDL::DropView(SchemaName(), ObjectName());
}

void TfrmView::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    actDelete->setEnabled(!IsNew() && ShownPage() != tabData);
    actDataGenerate->setEnabled(!IsNew() && HasLauncher(LauncherDataGenerate));
}

void TfrmView::actDataGenerateExecute()
{
    if (IsNew())
        return;
    TLaunchContext c;
    c.Connection = dynamic_cast<TfrmObject *>(OwnerForm());
    c.Schema = SchemaName();
    c.ObjectName = ObjectName();
    c.ObjectType = 47;
    Launch(LauncherDataGenerate, c);
}
