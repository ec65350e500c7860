#include "objects/table/frmDefinition.h"

#include "common/CodeAssist.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/NamedAction.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/RecParam.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/WindowBounds.h"
#include "controls/frmPrint.h"
#include "controls/tvComboBox.h"
#include "controls/tvStrEdit.h"
#include "objects/table/DropDownComboBox.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "shell/ReportDefinition.h"
#include "sql/RepData.h"
#include "sql/XlsDefinition.h"

#include <QAction>
#include <QScopeGuard>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

namespace {

const QString GuiRoot = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\");

TWindowBoundsRules SizeRules()
{
    TWindowBoundsRules r;
    r.Position = false;
    r.NormalStateOnly = true;
    return r;
}

} // namespace

TfrmDefinition::TfrmDefinition(IConnectionWindow *AOwner, const TDefinitionKind &Kind)
    : TtvForm(AOwner ? AOwner->FormWidget() : nullptr), FKind(Kind)
{
    if (AOwner && OwnerForm() != AOwner)
        SetOwnerForm(AOwner);
    SetObjType(Kind.ObjType);
    BuildFrame();
    qrySQL = NewQuery();
}

TfrmDefinition::~TfrmDefinition() = default;

void TfrmDefinition::BuildFrame()
{
    setObjectName(QStringLiteral("frm") + FKind.GuiKey);
    resize(640, 480);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(2, 2, 2, 2);

    actCompile = NewAction(this, "actCompile", QStringLiteral("作成(&C)"),
                            QStringLiteral("現在の設定値を元にオブジェクトを作成・修正します。"), 15);
    actRefresh = NewAction(this, "actRefresh", QStringLiteral("戻す(&R)"),
                            QStringLiteral("表示中の情報を変更前の状態に戻します。"), 16);
    actDelete = NewAction(this, "actDelete", QStringLiteral("削除(&D)"), QStringLiteral("オブジェクトを削除します。"), 41);
    actExit = NewAction(this, "actExit", QStringLiteral("終了(&X)"), QStringLiteral("画面を閉じます。"), 42);
    connect(actCompile, &QAction::triggered, this, tv::ui::Guarded([this] { Compile(actCompile); }));
    connect(actRefresh, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actRefresh); }));
    connect(actDelete, &QAction::triggered, this, tv::ui::Guarded([this] { actDeleteExecute(); }));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });

    tolCmd = new TtvToolBar;
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addAction(actCompile);
    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actDelete);
    if (FKind.HasOutput) {
        actOutput = NewAction(this, "actOutput", QStringLiteral("出力(&P)"),
                               QStringLiteral("オブジェクトの情報を外部に出力します。"), 36);
        actPrint = NewAction(this, "actPrint", QStringLiteral("印刷(&P)"), QStringLiteral("オブジェクトの情報を印刷します。"), 98);
        actSave = NewAction(this, "actSave", QStringLiteral("ファイル保存(&S)"),
                             QStringLiteral("オブジェクトの情報をファイルに保存します。"), 18);
        connect(actPrint, &QAction::triggered, this, tv::ui::Guarded([this] { actPrintExecute(); }));
        connect(actSave, &QAction::triggered, this, tv::ui::Guarded([this] { actSaveExecute(); }));
        popOutput = new QMenu(this);
        popOutput->setObjectName(QStringLiteral("popOutput"));
        QAction *p = popOutput->addAction(actPrint->icon(), QStringLiteral("印刷(&P)"));
        p->setObjectName(QStringLiteral("mnuOutputPrint"));
        connect(p, &QAction::triggered, actPrint, &QAction::trigger);
        QAction *s = popOutput->addAction(actSave->icon(), QStringLiteral("ファイル保存(&S)"));
        s->setObjectName(QStringLiteral("mnuOutputSave"));
        connect(s, &QAction::triggered, actSave, &QAction::trigger);
        btnOutput = new QToolButton;
        btnOutput->setObjectName(QStringLiteral("btnOutput"));
        btnOutput->setDefaultAction(actOutput);
        btnOutput->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        btnOutput->setPopupMode(QToolButton::InstantPopup);
        btnOutput->setMenu(popOutput);
        tolCmd->addWidget(btnOutput);
    }
    tolCmd->addAction(actExit);

    pnlName = new QWidget;
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *nl = new QHBoxLayout(pnlName);
    nl->setContentsMargins(4, 0, 4, 0);
    if (FKind.HasSchema) {
        auto *schemas = new TDropDownComboBox;
        cmbSchema = schemas;
        cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
        // cmbSchemaDropDown: the schemas of the connection, fresh each time.
        schemas->OnDropDown = [this] {
            if (!OwnerForm())
                return;
            QStringList names;
            OwnerForm()->GetSchemaInfo(names, false);
            // Refilling the list is no edit.
            const bool modified = Modified();
            const QString keep = cmbSchema->Text();
            cmbSchema->clear();
            cmbSchema->addItems(names);
            cmbSchema->SetText(keep);
            SetModified(modified);
        };
        cmbSchema->setMinimumWidth(140);
        nl->addWidget(new QLabel(QStringLiteral("スキーマ")));
        nl->addWidget(cmbSchema);
        cmbSchema->OnChange = [this](QObject *) { Changed(); };
    }
    txtName = new TtvStrEdit;
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMinimumWidth(180);
    txtName->OnChange = [this](QObject *) { Changed(); };
    nl->addWidget(new QLabel(QStringLiteral("名前")));
    nl->addWidget(txtName);
    tolCmd->addWidget(pnlName);
    root->addWidget(tolCmd);

    pagObject = new QTabWidget;
    pagObject->setObjectName(QStringLiteral("pagObject"));
    tabDefine = new QWidget;
    tabDefine->setObjectName(QStringLiteral("tabDefine"));
    tabSource = new QWidget;
    tabSource->setObjectName(QStringLiteral("tabSource"));
    auto *sl = new QVBoxLayout(tabSource);
    sl->setContentsMargins(0, 0, 0, 0);
    txtSource = new TtvMemo;
    txtSource->setObjectName(QStringLiteral("txtSource"));
    txtSource->OnChange = [this](TEditor *) { Changed(); };
    sl->addWidget(txtSource);
    pagObject->addTab(tabDefine, QStringLiteral("定義情報"));
    pagObject->addTab(tabSource, QStringLiteral("ソース"));
    root->addWidget(pagObject, 1);
    connect(pagObject, &QTabWidget::currentChanged, this, tv::ui::Guarded([this](int i) { PageChanged(i); }));

    mnuObject = new QMenu(FKind.Keyword + QStringLiteral("(&O)"), this);
    mnuObject->setObjectName(QStringLiteral("mnuObject"));
    mnuObject->addAction(actCompile);
    mnuObject->addAction(actDelete);
    if (actPrint)
        mnuObject->addAction(actPrint);
    AddMergeMenu(2, mnuObject);

    // Like an action list, the actions follow the window while it is idle.
    auto *update = new QTimer(this);
    update->setInterval(100);
    connect(update, &QTimer::timeout, this, [this] { tv::ui::Guard([this] { UpdateActions(); }); });
    update->start();
}

// ---------------------------------------------------------------------------
// Names and captions

QString TfrmDefinition::CaptionFor(IConnectionWindow *Owner, const TDefinitionKind &Kind, const QString &Schema,
                                   const QString &ObjectName, const QString &TableName)
{
    if (!Owner)
        return Kind.CaptionPrefix;
    const tv::db::ConnectionParams &p = Owner->dbsMain().Params();
    return Kind.CaptionPrefix +
           FormatRecParamCaption(MakeRecParam(p.Server, p.Database, Schema, p.value(QStringLiteral("Port")), p.User_Name,
                                              p.Password, ObjectName, QString(), TableName),
                                 Kind.CaptionKind, false);
}

QString TfrmDefinition::SchemaName() const
{
    return cmbSchema ? cmbSchema->Text() : QString();
}

QString TfrmDefinition::ObjectName() const
{
    return txtName->Text();
}

QString TfrmDefinition::DefaultSchema() const
{
    return OwnerForm() ? OwnerForm()->dbsMain().Params().MetaDefSchema : QString();
}

int TfrmDefinition::DBVer() const
{
    return OwnerForm() ? OwnerForm()->DBVer() : 0;
}

// ---------------------------------------------------------------------------
// Construction and state

void TfrmDefinition::StartShow(const QString &Schema, const QString &ObjectName, TOpenMode Mode)
{
    CreateTaskButton();
    PrepareQueries();
    FinishCreate();
    {
        // Filling the name panel is no edit.
        if (cmbSchema)
            cmbSchema->SetText(Schema);
        txtName->SetText(ObjectName);
    }
    FReadOnly = false;
    {
        ++FSwitching;
        QWidget *page = PageForMode(Mode);
        pagObject->setCurrentWidget(page ? page : tabDefine);
        FShownIndex = pagObject->currentIndex();
        --FSwitching;
    }
    SetIsNew(ObjectName.isEmpty());
    pagObjectChange();
    ShowForm();
    UpdateActions();
}

QWidget *TfrmDefinition::PageForMode(TOpenMode Mode)
{
    return Mode == omSource ? tabSource : tabDefine;
}

void TfrmDefinition::SetPageVisible(QWidget *Page, bool Visible)
{
    const int i = pagObject->indexOf(Page);
    if (i >= 0)
        pagObject->setTabVisible(i, Visible);
}

void TfrmDefinition::ChangedIsNew()
{
    ++FSwitching;
    if (IsNew()) {
        setWindowTitle(FKind.CaptionPrefix + QStringLiteral("新規"));
        SetTaskCaption(QStringLiteral("新規"));
        pnlName->setEnabled(true);
        if (PagesOfExisting().contains(pagObject->currentWidget()))
            pagObject->setCurrentWidget(tabDefine);
        for (QWidget *p : PagesOfExisting())
            SetPageVisible(p, false);
        FShownIndex = pagObject->currentIndex();
        if (QWidget *f = NewObjectFocus())
            f->setFocus();
    } else {
        setWindowTitle(CaptionFor(OwnerForm(), FKind, SchemaName(), ObjectName(), SourceTableName()));
        SetTaskCaption(ObjectName());
        pnlName->setEnabled(false);
        for (QWidget *p : PagesOfExisting())
            SetPageVisible(p, true);
    }
    --FSwitching;
}

QWidget *TfrmDefinition::ShownPage() const
{
    return pagObject->currentWidget();
}

bool TfrmDefinition::SelectPage(QWidget *Page)
{
    pagObject->setCurrentWidget(Page);
    return pagObject->currentWidget() == Page;
}

// ---------------------------------------------------------------------------
// Page change, reload, close

void TfrmDefinition::PageChanged(int Index)
{
    if (FSwitching || Index == FShownIndex)
        return;
    // The page changes only once the prompts allow it.
    {
        ++FSwitching;
        pagObject->setCurrentIndex(FShownIndex);
        --FSwitching;
    }
    if (!pagObjectChanging())
        return;
    ++FSwitching;
    pagObject->setCurrentIndex(Index);
    FShownIndex = pagObject->currentIndex();
    --FSwitching;
    pagObjectChange();
}

bool TfrmDefinition::pagObjectChanging()
{
    // A read-only window cannot apply its edits: they go with the page.
    if (FReadOnly)
        return true;
    if (Modified()) {
        switch (ShowMessageBox(QStringLiteral("情報が変更されています。コンパイルしますか？"),
                               tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION)) {
        case tv::ui::IDYES:
            try {
                Compile(this);
            } catch (const tv::SilentAbort &) {
            }
            break;
        case tv::ui::IDNO:
            SetModified(false);
            break;
        default:
            return false;
        }
    }
    return !Modified();
}

void TfrmDefinition::pagObjectChange()
{
    SqlWaitCursor wait;
    struct ClearModified {
        TfrmDefinition *w;
        ~ClearModified() { w->SetModified(false); }
    } clear{this};
    ShowDefine();
}

void TfrmDefinition::RefreshSource()
{
    txtSource->Lines()->Clear();
    if (ShownPage() == tabSource || SourceMode == smText) {
        QStringList lines;
        {
            const bool was = FForRun;
            FForRun = SourceMode == smShow && !IsNew();
            const auto reset = qScopeGuard([this, was] { FForRun = was; });
            GetSourceCreate(lines);
        }
        txtSource->Lines()->SetText(lines.join(QLatin1Char('\n')));
        if (TEditorUndoObj *u = txtSource->EditorUndoObj())
            u->Clear();
        txtSource->SetRow(0);
        txtSource->SetCol(0);
    }
    txtSource->SetModified(false);
}

void TfrmDefinition::Reload(QObject *)
{
    if (Modified() && ShowMessageBox(QStringLiteral("全ての変更を取り消しますか？"),
                                     tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
        return;
    pagObjectChange();
}

bool TfrmDefinition::FormCloseQuery()
{
    // A read-only window never asks to compile.
    if (FReadOnly)
        SetModified(false);
    return true;
}

// ---------------------------------------------------------------------------
// Compile

void TfrmDefinition::Require(bool Ok, const QString &Message, QWidget *Focus)
{
    if (Ok)
        return;
    ShowMessageBox(Message, tv::ui::MB_ICONEXCLAMATION);
    if (Focus)
        Focus->setFocus();
    throw tv::SilentAbort();
}

void TfrmDefinition::BuildCompileList(QStringList &List)
{
    const bool create = IsCreate();
    if (ShownPage() == tabSource) {
        if (!IsNew() && create)
            GetSourceDrop(List);
        List << txtSource->Lines()->ToStringList();
        if (!IsNew() && create)
            AppendKept(List);
        return;
    }
    if (!IsNew() && create)
        GetSourceDrop(List);
    if (create)
        GetSourceCreate(List);
    else
        GetSourceAlter(List);
    if (!IsNew() && create)
        AppendKept(List);
}

void TfrmDefinition::AppendKept(QStringList &List)
{
    TKeptObject object;
    unsigned parts = kpAll;
    IConnectionWindow *owner = OwnerForm();
    if (IsNew() || !owner || !KeptObject(object, parts))
        return;
    tv::db::Query q(&owner->dbsMain());
    const TKeptState kept = ReadKeptState(q, object, parts);
    if (!kept.Lost.isEmpty() &&
        ShowMessageBox(KeptLossQuestion(kept.Lost), tv::ui::MB_OKCANCEL | tv::ui::MB_ICONWARNING) != tv::ui::IDOK)
        throw tv::SilentAbort();
    if (kept.Restore.isEmpty())
        return;
    // The create may end without a line of its own closing it.
    if (!List.isEmpty() && List.last().trimmed() != QLatin1String(";"))
        List << QStringLiteral(";");
    List << kept.Restore;
}

void TfrmDefinition::Compile(QObject *)
{
    if (FReadOnly)
        return;
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    if (cmbSchema)
        Require(!TrimBlanks(SchemaName()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    CheckFields();

    QStringList list;
    {
        FForRun = true;
        const auto reset = qScopeGuard([this] { FForRun = false; });
        BuildCompileList(list);
    }
    if (TrimBlanks(list.join(QLatin1Char('\n'))).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), tv::ui::MB_ICONEXCLAMATION);
        // A new object stays new: nothing was created.
        pagObjectChange();
        return;
    }
    if (!TfrmDDLPreview::ShowWindow(list, SchemaName(), ObjectName()))
        return;
    if (!IsNew())
        SaveBeforeSource();

    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    tv::db::Connection &conn = owner->dbsMain();
    conn.StartTransaction();
    int errors = -1;
    try {
        errors = TfrmDDLExec::ShowWindow(owner, list, false, true);
    } catch (...) {
        // The execution dialog has logged the failure.
    }
    bool applied = false;
    if (errors == 0)
        applied = CommitApplied(conn);
    else
        // Errors logged with stop-on-error off: nothing of the run stays.
        RollbackQuietly(conn);
    if (applied) {
        SetIsNew(false);
        if (FKind.RefreshesLists)
            RefreshObjectWindows();
        pagObjectChange();
    }
    TfrmDDLExec::WaitProc();
    UpdateActions();
    // Last: a source that cannot be kept is reported with the window
    // already showing the applied object.
    if (applied)
        SaveAfterSource();
}

void TfrmDefinition::SaveBeforeSource()
{
    if (IConnectionWindow *owner = OwnerForm())
        owner->SaveBeforeSource(SchemaName(), ObjectName(), FKind.ObjType, -1, SourceTableName());
}

void TfrmDefinition::SaveAfterSource()
{
    if (IConnectionWindow *owner = OwnerForm())
        owner->SaveAfterSource(SchemaName(), ObjectName(), FKind.ObjType, -1, SourceTableName());
}

// ---------------------------------------------------------------------------
// Commands

void TfrmDefinition::actDeleteExecute()
{
    if (IsNew() || FReadOnly)
        return;
    bool cascade = false;
    const QString question = QStringLiteral("オブジェクトを削除しますか？");
    const unsigned flags = tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2;
    const int answer = FKind.DropCascade
                           ? ShowCheckMessageDialog(question, flags, {{QStringLiteral("CASCADE オプション"), &cascade}})
                           : ShowMessageBox(question, flags);
    if (answer != tv::ui::IDYES)
        return;
    {
        SqlWaitCursor wait;
        OwnerForm()->ExecuteSQL(DropStatement(cascade));
    }
    ShowMessageBox(QStringLiteral("オブジェクトが削除されました。"), tv::ui::MB_ICONINFORMATION);
    SetModified(false);
    if (FKind.RefreshesLists)
        RefreshObjectWindows();
    Close();
}

void TfrmDefinition::actSaveExecute()
{
    tv::ui::FileDialogRequest r;
    r.filter = QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*");
    r.defaultExt = QStringLiteral("sql");
    r.initialDir = tvOption.FileDir;
    r.fileName = QDir(tvOption.FileDir)
                     .filePath(SanitizeFileName(SchemaName() + u'.' + ObjectName() + QStringLiteral(".sql")));
    r.overwritePrompt = true;
    const QString path = tv::ui::CurrentDialogs().saveFile(r);
    if (path.isEmpty())
        return;
    QStringList lines;
    GetSourceCreate(lines);
    QString error;
    if (!tv::text::WriteTextFile(path, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), GetFileEncoding(),
                                 false, &error))
        throw tv::Error(error);
    ShowMessageBox(QStringLiteral("スクリプトが出力されました。"), tv::ui::MB_ICONINFORMATION);
    tvOption.FileDir = QFileInfo(path).absolutePath();
}

void TfrmDefinition::actPrintExecute()
{
    TfrmPrint::ShowWindow(SchemaName() + u'.' + ObjectName(), [this] { PrintProc(); });
}

void TfrmDefinition::PrintProc()
{
    TfrmPrint::BeginPrint();
    try {
        QStringList lines;
        GetSourceCreate(lines);
        TfrmPrint::PrintSource(SchemaName() + u'.' + ObjectName(), lines, true);
    } catch (...) {
        TfrmPrint::EndPrint();
        throw;
    }
    TfrmPrint::EndPrint();
}

void TfrmDefinition::UpdateActions()
{
    const bool exists = !IsNew();
    actCompile->setEnabled((Modified() || ShownPage() == tabSource) && !FReadOnly);
    actDelete->setEnabled(exists && !FReadOnly);
    actRefresh->setEnabled(true);
    for (QAction *a : {actOutput, actPrint, actSave})
        if (a)
            a->setEnabled(exists && !Modified());
}

// ---------------------------------------------------------------------------
// Settings and completion

void TfrmDefinition::LoadSettings()
{
    LoadWindowBounds(*this, GuiRoot + FKind.GuiKey, SizeRules());
}

void TfrmDefinition::SaveSettings()
{
    try {
        SaveWindowBounds(*this, GuiRoot + FKind.GuiKey, SizeRules());
    } catch (const tv::Error &) {
        // A store that cannot be written keeps the designed size.
    }
}

void TfrmDefinition::CodeAssist(int X, int Y)
{
    TtvMemo *memo = CompletionEditor();
    IConnectionWindow *owner = OwnerForm();
    if (!memo || !owner)
        return;
    ShowCodeAssist(memo, this, *qrySQL, DefaultSchema(), owner->DBVer(), owner->g_bPostgresPlus(), owner->DBAMODE(),
                   X, Y);
}

// ---------------------------------------------------------------------------
// Scripts

QWidget *TfrmDefinition::AddFramePage(QWidget *Frame, const QString &Name, const QString &Caption)
{
    auto *page = new QWidget;
    page->setObjectName(Name);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Frame);
    pagObject->addTab(page, Caption);
    return page;
}

void TfrmDefinition::AddReportItems(int ReportType, const std::function<void(const QString &)> &Click)
{
    const auto &read = ReportServices().Read;
    if (!read)
        return;
    QStringList names = xlsdef::ListNames();
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    // Each item goes in front of the ones before it.
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        const QString name = names[i];
        try {
            if (FindRepData(read(xlsdef::FileOf(name)).Type, 1) != ReportType)
                continue;
        } catch (const tv::Error &) {
            continue; // a file that cannot be read gets no item
        }
        QIcon icon = MainWindowImage(44);
        QAction *menuItem = mnuObject->addAction(icon, name);
        menuItem->setObjectName(QStringLiteral("mnuReport"));
        menuItem->setEnabled(!IsNew());
        connect(menuItem, &QAction::triggered, this, tv::ui::Guarded([Click, name] { Click(name); }));
        if (popOutput) {
            QAction *popItem = popOutput->addAction(icon, name);
            popItem->setObjectName(QStringLiteral("popReport"));
            connect(popItem, &QAction::triggered, this, tv::ui::Guarded([Click, name] { Click(name); }));
        }
    }
}

QString TfrmDefinition::AskReportFile() const
{
    const QString ext = tvOption.ExcelExt.isEmpty() ? QStringLiteral(".xlsx") : tvOption.ExcelExt.toLower();
    tv::ui::FileDialogRequest r;
    r.fileName = MakeUniqueFileName(tvOption.ExcelDir + SanitizeFileName(ObjectName()) + ext);
    r.filter = QStringLiteral("Excel ファイル(*") + ext + QStringLiteral(")|*") + ext +
               QStringLiteral("|すべてのファイル(*.*)|*.*");
    r.defaultExt = ext.mid(1);
    r.overwritePrompt = true;
    return tv::ui::CurrentDialogs().saveFile(r);
}

void TfrmDefinition::ReportWritten(const QString &Path)
{
    ShowMessageBox(QStringLiteral("ファイルが出力されました。"), tv::ui::MB_ICONINFORMATION);
    tvOption.ExcelDir = QFileInfo(Path).absolutePath() + u'/';
}

void TfrmDefinition::WriteScript(QIODevice &Stream, QStringList Lines)
{
    RemoveEmptyLines(Lines, ScriptOption.NullLine);
    QString text;
    for (const QString &l : std::as_const(Lines)) {
        text += l;
        text += QStringLiteral("\r\n");
    }
    const tv::text::Encoding enc =
        qobject_cast<QBuffer *>(&Stream) ? tv::text::Encoding::Utf16LE : GetFileEncoding();
    Stream.write(tv::text::Encode(text, enc, false));
}

void TfrmDefinition::WatchNameBoxes()
{
    txtName->installEventFilter(this);
    if (cmbSchema)
        cmbSchema->installEventFilter(this);
}

void TfrmDefinition::showEvent(QShowEvent *Event)
{
    TtvForm::showEvent(Event);
    if (FShownOnce)
        return;
    FShownOnce = true;
    tolCmd->SetButtonWidth(78);
    tolCmd->SetWrapable(FKind.WrapsToolBar);
}

bool TfrmDefinition::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::FocusIn) {
        if (Watched == txtName)
            FEnterValue = txtName->Text();
        else if (Watched == cmbSchema)
            FEnterValue = cmbSchema->Text();
    } else if (Event->type() == QEvent::FocusOut && IsNew()) {
        if (Watched == txtName || Watched == cmbSchema)
            tv::ui::Guard([this, Watched] { txtNameExit(static_cast<QWidget *>(Watched)); });
    }
    return TtvForm::eventFilter(Watched, Event);
}

void TfrmDefinition::WriteScriptOf(TfrmDefinition &W, const QString &ObjectName, QIODevice &Stream)
{
    QStringList lines;
    W.SourceMode = smText;
    W.txtName->SetText(ObjectName);
    W.SetIsNew(false);
    try {
        W.PrepareQueries();
        W.ShowDefine();
        W.GetSourceCreate(lines);
    } catch (const tv::SilentAbort &) {
        lines.clear();
    }
    W.SetModified(false);
    if (!lines.isEmpty())
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

bool TfrmDefinition::ExecuteInTransaction(const QStringList &List, const QString &RolledBackText)
{
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    tv::db::Connection &conn = owner->dbsMain();
    conn.StartTransaction();
    try {
        SqlWaitCursor wait;
        owner->ExecuteSQL(List, false);
    } catch (const std::exception &e) {
        RollbackQuietly(conn);
        const auto *err = dynamic_cast<const tv::Error *>(&e);
        ShowMessageBox(err ? err->text() : QString::fromLocal8Bit(e.what()), tv::ui::MB_ICONSTOP);
        return false;
    } catch (...) {
        // A stop the user asked for: nothing of the list stays.
        RollbackQuietly(conn);
        throw;
    }
    return CommitApplied(conn, RolledBackText);
}

bool TfrmDefinition::CommitApplied(tv::db::Connection &Conn, const QString &RolledBackText)
{
    QString failure;
    try {
        SqlWaitCursor wait;
        if (Conn.Commit() == tv::db::CommitResult::Committed)
            return true;
        failure = RolledBackText;
    } catch (const std::exception &e) {
        // Deferred checks run at COMMIT: the server refused it and has
        // ended the block.
        const auto *err = dynamic_cast<const tv::Error *>(&e);
        failure = (err ? err->text() : QString::fromLocal8Bit(e.what())) + QStringLiteral("\r\n") + RolledBackText;
    }
    RollbackQuietly(Conn);
    ShowMessageBox(failure, tv::ui::MB_ICONSTOP);
    return false;
}

void TfrmDefinition::RollbackQuietly(tv::db::Connection &Conn)
{
    try {
        if (Conn.TransactionLevel() > 0)
            Conn.Rollback();
    } catch (...) {
    }
}
