// The main window's edit commands: one set of actions for the whole program
// that act on whatever control has the keyboard focus.
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/SQLFormatter.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "editor/tvMacroList.h"
#include "editor/tvMemo.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ShortCut.h"
#include "shell/DefinitionLookup.h"
#include "shell/EditRouting.h"
#include "shell/FindReplaceDialog.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

#include <functional>

namespace {

constexpr int MaxFormatLine = 1000;

struct TEditActionDef {
    const char *name;
    const char *text;
};

const TEditActionDef EditActions[] = {
    {"actEditUndo", "元に戻す(&U)"},
    {"actEditRedo", "やり直し(&R)"},
    {"actEditCut", "切り取り(&T)"},
    {"actEditCopy", "コピー(&C)"},
    {"actEditPaste", "貼り付け(&P)"},
    {"actEditDelete", "削除(&D)"},
    {"actEditRename", "名前の変更(&H)"},
    {"actEditSelectAll", "すべて選択(&L)"},
    {"actEditSelectMode", "矩形選択モード(&B)"},
    {"actEditFind", "検索(&F)"},
    {"actEditFindNext", "次を検索(&S)"},
    {"actEditFindPrev", "前を検索(&P)"},
    {"actEditReplace", "置換(&E)..."},
    {"actEditJump", "行ジャンプ(&J)..."},
    {"actEditFormat", "SQL整形(&O)"},
    {"actEditComment", "コメント挿入/削除"},
    {"actEditUpperCase", "大文字に変更"},
    {"actEditLowerCase", "小文字に変更"},
    {"actEditIndentF", "インデント"},
    {"actEditIndentR", "逆インデント"},
    {"actEditMacroSave", "マクロ記録開始"},
    {"actEditMacroExec", "マクロ実行"},
    {"actEditOpen", "定義情報"},
};

const QString MacroStartHint = QStringLiteral("マクロ記録開始|キーボードマクロの記録を開始します。");
const QString MacroEndHint = QStringLiteral("マクロ記録終了|キーボードマクロの記録を終了します。");

void SetHint(QAction *a, const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    a->setToolTip(bar < 0 ? hint : hint.left(bar));
    a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

bool ClipboardHasText()
{
    const QMimeData *d = QGuiApplication::clipboard()->mimeData();
    return d && d->hasText();
}

// Brings the main window's actions up to date before a key is matched
// against their shortcuts: the regular update runs only every 200 ms, and a
// key pressed right after the selection changed must find its command
// enabled (Ctrl+O on a name just selected).
class ShortcutRefresh : public QObject {
public:
    ShortcutRefresh(TfrmMain *Main, std::function<bool(const QKeySequence &)> IsShortcut)
        : QObject(Main), FMain(Main), FIsShortcut(std::move(IsShortcut))
    {
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::ShortcutOverride || o != QApplication::focusWidget())
            return false;
        if (FIsShortcut(QKeySequence(static_cast<QKeyEvent *>(e)->keyCombination())))
            FMain->UpdateActions();
        return false;
    }

private:
    TfrmMain *FMain;
    std::function<bool(const QKeySequence &)> FIsShortcut;
};

} // namespace

void TfrmMain::BuildEditActions()
{
    for (const auto &d : EditActions) {
        QAction *a = Action(QString::fromLatin1(d.name));
        a->setText(QString::fromUtf8(d.text));
        a->setProperty("Category", QStringLiteral("編集"));
    }
    SetHint(Action(QStringLiteral("actEditMacroSave")), MacroStartHint);
    Action(QStringLiteral("actEditSelectMode"))->setCheckable(true);

    auto route = [this](const char *name, TEditCommand cmd) {
        connect(Action(QString::fromLatin1(name)), &QAction::triggered, this,
                tv::ui::Guarded([this, cmd] { RouteEditCommand(ActiveControl(), cmd); }));
    };
    route("actEditUndo", TEditCommand::Undo);
    route("actEditRedo", TEditCommand::Redo);
    route("actEditCut", TEditCommand::Cut);
    route("actEditCopy", TEditCommand::Copy);
    route("actEditPaste", TEditCommand::Paste);
    route("actEditDelete", TEditCommand::Delete);
    route("actEditSelectAll", TEditCommand::SelectAll);
    auto on = [this](const char *name, std::function<void()> fn) {
        connect(Action(QString::fromLatin1(name)), &QAction::triggered, this, tv::ui::Guarded(std::move(fn)));
    };
    on("actEditRename", [this] { actEditRenameExecute(); });
    on("actEditSelectMode", [this] {
        if (TtvMemo *m = ActiveMemo())
            m->SetSelectionMode(m->SelectionMode() == smBox ? smLine : smBox);
        UpdateActions();
    });
    on("actEditFind", [this] { actEditFindExecute(); });
    on("actEditFindNext", [this] { actEditFindNextExecute(nullptr); });
    on("actEditFindPrev", [this] { actEditFindPrevExecute(); });
    on("actEditReplace", [this] { actEditReplaceExecute(); });
    on("actEditJump", [this] { actEditJumpExecute(); });
    on("actEditFormat", [this] { actEditFormatExecute(); });
    on("actEditComment", [this] {
        if (TtvMemo *m = ActiveMemo())
            m->SelCommentOut();
    });
    on("actEditUpperCase", [this] { actEditCaseExecute(true); });
    on("actEditLowerCase", [this] { actEditCaseExecute(false); });
    on("actEditIndentF", [this] {
        if (TtvMemo *m = ActiveMemo())
            m->SelTabIndent();
    });
    on("actEditIndentR", [this] {
        if (TtvMemo *m = ActiveMemo())
            m->SelTabUnIndent();
    });
    on("actEditMacroSave", [this] {
        TtvMemo *m = ActiveMemo();
        if (!m)
            return;
        if (MacroList && MacroList->Status() == msRecording)
            m->EndRec();
        else
            m->BeginRec();
        UpdateActions();
    });
    on("actEditMacroExec", [this] {
        TtvMemo *m = ActiveMemo();
        if (m && MacroList && MacroList->Status() == msWaiting)
            m->Execute();
    });
    // "定義情報" never shows an error.
    connect(Action(QStringLiteral("actEditOpen")), &QAction::triggered, this, [this] {
        try {
            actEditOpenExecute();
        } catch (...) {
        }
    });

    dlgFind = new TFindReplaceDialog(false, this);
    dlgReplace = new TFindReplaceDialog(true, this);
    connect(dlgFind, &TFindReplaceDialog::Find, this, tv::ui::Guarded([this] { actEditFindNextExecute(dlgFind); }));
    connect(dlgReplace, &TFindReplaceDialog::Find, this,
            tv::ui::Guarded([this] { actEditFindNextExecute(dlgReplace); }));
    connect(dlgReplace, &TFindReplaceDialog::Replace, this,
            tv::ui::Guarded([this](bool all) { dlgReplaceReplace(all); }));

    // A replayed key that is an action's shortcut runs that action.
    if (MacroList) {
        MacroList->OnShortCut = [this](int shortCut) {
            const QKeySequence seq = tv::ui::ShortCutToKeySequence(shortCut);
            if (seq.isEmpty())
                return false;
            for (QAction *a : std::as_const(FActions)) {
                if (a->shortcut() == seq && a->shortcutContext() != Qt::WidgetShortcut) {
                    UpdateActions();
                    if (a->isEnabled())
                        a->trigger();
                    return true;
                }
            }
            return false;
        };
    }

    // The update handlers run on focus changes, clipboard changes and
    // regularly while the program is idle.
    FAppWatches = {connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActions(); }),
                   connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateActions(); })};
    qApp->installEventFilter(new ShortcutRefresh(this, [this](const QKeySequence &key) {
        for (const QList<QAction *> &list : {actions(), FActions.values()})
            for (QAction *a : list)
                if (a->shortcuts().contains(key))
                    return true;
        return false;
    }));
    FUpdateTimer = new QTimer(this);
    FUpdateTimer->setInterval(200);
    connect(FUpdateTimer, &QTimer::timeout, this, [this] {
        if (isActiveWindow())
            UpdateActions();
    });
    FUpdateTimer->start();
}

void TfrmMain::LendEditCommands(QWidget *Window)
{
    const struct {
        const char *name;
        TEditCommand command;
    } commands[] = {{"actEditUndo", TEditCommand::Undo},   {"actEditRedo", TEditCommand::Redo},
                    {"actEditCut", TEditCommand::Cut},     {"actEditCopy", TEditCommand::Copy},
                    {"actEditPaste", TEditCommand::Paste}, {"actEditDelete", TEditCommand::Delete},
                    {"actEditSelectAll", TEditCommand::SelectAll}};
    for (const auto &c : commands) {
        const QAction *own = Action(QString::fromLatin1(c.name));
        if (!own || own->shortcuts().isEmpty())
            continue;
        auto *a = new QAction(Window);
        a->setObjectName(QString::fromLatin1(c.name));
        a->setShortcuts(own->shortcuts());
        a->setShortcutContext(Qt::WindowShortcut);
        const TEditCommand command = c.command;
        connect(a, &QAction::triggered, Window,
                tv::ui::Guarded([command] { RouteEditCommand(QApplication::focusWidget(), command); }));
        Window->addAction(a);
    }
}

QWidget *TfrmMain::ActiveControl() const
{
    return QApplication::focusWidget();
}

TtvMemo *TfrmMain::ActiveMemo() const
{
    return SqlEditorOf(ActiveControl());
}

void TfrmMain::UpdateActions()
{
    if (FClosing)
        return;
    QWidget *focus = ActiveControl();
    TtvMemo *memo = SqlEditorOf(focus);
    if (memo)
        FLastMemo = memo;
    const bool readOnlyMemo = memo && memo->ReadOnly();
    const bool writableMemo = memo && !memo->ReadOnly();
    const bool box = memo && memo->SelectionMode() == smBox;
    auto set = [this](const char *name, bool on) { Action(QString::fromLatin1(name))->setEnabled(on); };
    // A: anything but a read-only SQL editor.
    for (const char *n : {"actEditUndo", "actEditRedo", "actEditCut", "actEditDelete"})
        set(n, !readOnlyMemo);
    set("actEditCopy", true);
    set("actEditRename", true);
    set("actEditSelectAll", true);
    set("actEditPaste", ClipboardHasText() && !readOnlyMemo);
    // B: an SQL editor.
    for (const char *n : {"actEditSelectMode", "actEditFind", "actEditFindNext", "actEditFindPrev", "actEditJump"})
        set(n, memo != nullptr);
    Action(QStringLiteral("actEditSelectMode"))->setChecked(box);
    set("actEditReplace", writableMemo);
    // Run every 200 ms while idle: only questions that do not copy the text.
    set("actEditFormat", writableMemo && !box && memo->HasNonBlankText());
    set("actEditComment", writableMemo && (!box || memo->EditSelected()));
    // C: any other control, or an SQL editor with a selection that may change.
    const bool c = !memo || (writableMemo && memo->EditSelected());
    for (const char *n : {"actEditUpperCase", "actEditLowerCase", "actEditIndentF", "actEditIndentR", "actEditOpen"})
        set(n, c);
    QAction *rec = Action(QStringLiteral("actEditMacroSave"));
    const bool recording = MacroList && MacroList->Status() == msRecording;
    if (writableMemo && recording) {
        rec->setText(QStringLiteral("マクロ記録終了"));
        SetHint(rec, MacroEndHint);
    } else {
        rec->setText(QStringLiteral("マクロ記録開始"));
        SetHint(rec, MacroStartHint);
    }
    rec->setEnabled(writableMemo);
    set("actEditMacroExec", writableMemo && MacroList && MacroList->Status() == msWaiting);

    // Report entries need a selected item in the current object list.
    TfrmObject *cur = CurrentObjectForm();
    const bool reportOk = cur && cur->SelectedObjectCount() > 0;
    for (QAction *a : mnuReportMenu->actions()) {
        if (a != Action(QStringLiteral("actToolReportSetup")))
            a->setEnabled(reportOk);
    }
}

// ---------------------------------------------------------------------------
// Find and replace

void TfrmMain::actEditFindExecute()
{
    TtvMemo *m = ActiveMemo();
    if (!m)
        return;
    dlgFind->SetFindText(m->SelText());
    dlgFind->show();
    dlgFind->raise();
}

void TfrmMain::actEditFindNextExecute(TFindReplaceDialog *from)
{
    // The editor the command works on: the focused one, or, when a dialog
    // has the focus, the last SQL editor that had it.
    TtvMemo *m = ActiveMemo();
    if (!m)
        m = FLastMemo;
    if (!m)
        return;
    TFindReplaceDialog *dlg = from ? from : dlgFind;
    const QString text = dlg->FindText();
    m->setFocus();
    TSearchOptions opt = SearchOptionBit(sfrDown);
    if (dlg->MatchCase())
        opt |= SearchOptionBit(sfrMatchCase);
    if (!m->Search(text, opt))
        ShowMessageBox(QStringLiteral("検索文字列 ") + text + QStringLiteral(" は見つかりませんでした。"),
                       tv::ui::MB_ICONWARNING);
    m->setFocus();
}

void TfrmMain::actEditFindPrevExecute()
{
    TtvMemo *m = ActiveMemo();
    if (!m)
        return;
    const QString text = dlgFind->FindText();
    TSearchOptions opt = 0;
    if (dlgFind->MatchCase())
        opt |= SearchOptionBit(sfrMatchCase);
    if (!m->Search(text, opt))
        ShowMessageBox(QStringLiteral("検索文字列 ") + text + QStringLiteral(" は見つかりませんでした。"),
                       tv::ui::MB_ICONWARNING);
}

void TfrmMain::actEditReplaceExecute()
{
    TtvMemo *m = ActiveMemo();
    if (!m)
        return;
    dlgReplace->SetFindText(m->SelText());
    dlgReplace->show();
    dlgReplace->raise();
}

void TfrmMain::dlgReplaceReplace(bool all)
{
    TtvMemo *m = ActiveMemo();
    if (!m)
        m = FLastMemo;
    if (!m || m->ReadOnly())
        return;
    const QString text = dlgReplace->FindText();
    const QString with = dlgReplace->ReplaceText();
    const bool matchCase = dlgReplace->MatchCase();
    TSearchOptions opt = SearchOptionBit(sfrDown);
    if (matchCase)
        opt |= SearchOptionBit(sfrMatchCase);
    if (all) {
        m->SetSelLength(0);
        m->SetRow(0);
        m->SetCol(0);
        int n = 0;
        // An empty search text matches nothing (it would never advance).
        while (!text.isEmpty() && m->Search(text, opt)) {
            m->SetSelText(with);
            ++n;
        }
        ShowMessageBox(QString::number(n) + QStringLiteral("個の置換を行いました。"), tv::ui::MB_ICONINFORMATION);
        return;
    }
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!text.isEmpty() && QString::compare(m->SelText(), text, cs) == 0)
        m->SetSelText(with);
    if (!m->Search(text, opt))
        ShowMessageBox(QStringLiteral("検索文字列") + text + QStringLiteral("は見つかりませんでした。"),
                       tv::ui::MB_ICONWARNING);
}

// ---------------------------------------------------------------------------
// Jump, format, case, rename

void TfrmMain::actEditJumpExecute()
{
    TtvMemo *m = ActiveMemo();
    if (!m)
        return;
    QString entry;
    if (!InputQueryWithChecks(QStringLiteral("行ジャンプ"), QStringLiteral("指定行"), entry, true))
        return;
    bool ok = false;
    const int line = entry.trimmed().toInt(&ok);
    if (ok && line <= m->GetLineNumberCount()) {
        m->Jump(line);
        return;
    }
    ShowMessageBox(QStringLiteral("指定行 ") + entry + QStringLiteral(" は見つかりませんでした。"),
                   tv::ui::MB_ICONWARNING);
}

void TfrmMain::actEditFormatExecute()
{
    TtvMemo *m = ActiveMemo();
    if (!m || m->ReadOnly())
        return;
    const QString all = m->EditGetText();
    for (QStringView line : QStringView(all).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.size() > MaxFormatLine) {
            ShowMessageBox(QStringLiteral("1行の文字数が1000文字を超えているため、整形できません。"),
                           tv::ui::MB_ICONWARNING);
            return;
        }
    }
    int start = 0, end = 0;
    if (m->EditSelected()) {
        m->EditGetSel(start, end);
        if (start > end)
            std::swap(start, end);
        // Widened back to the start of the line the selection begins on.
        start = int(all.lastIndexOf(QLatin1Char('\n'), start - 1) + 1);
        if (start < 0)
            start = 0;
    } else {
        start = 0;
        end = int(all.size());
    }
    m->EditSetSel(start, end);
    QString formatted;
    FormatSQLText(all.mid(start, end - start), formatted);
    m->EditReplaceSel(formatted);
}

void TfrmMain::actEditCaseExecute(bool upper)
{
    QWidget *focus = ActiveControl();
    const QString sel = SelectedTextOf(focus);
    if (sel.isEmpty())
        return;
    const QLocale loc;
    ReplaceSelectedText(focus, upper ? loc.toUpper(sel) : loc.toLower(sel));
}

void TfrmMain::actEditRenameExecute()
{
    auto *list = qobject_cast<TtvListView *>(ActiveControl());
    if (!list)
        return;
    if (QTreeWidgetItem *item = list->Selected()) {
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        list->editItem(item, 0);
    }
}

// ---------------------------------------------------------------------------
// "定義情報"

void TfrmMain::actEditOpenExecute()
{
    TtvMemo *m = ActiveMemo();
    TfrmObject *f = CurrentObjectForm();
    if (!m || !f)
        return;
    const QString selection = m->SelText();
    if (selection.isEmpty())
        return;
    QString schema, name;
    SplitObjectSelection(selection, f->dbsMain().Params().value(QStringLiteral("MetaDefSchema")), schema, name);
    // A name without a schema may also be a role's.
    const bool qualified = selection.contains(QLatin1Char('.'));
    tv::db::Query &q = f->OpenSQL(DefinitionLookupSQL(f->g_bPostgresPlus(), f->DBVer(), !qualified), {name, schema});
    // The rows are copied first: opening a window may reuse the query.
    QList<TOpenObjectRequest> hits;
    while (!q.Eof()) {
        TOpenObjectRequest r;
        r.ObjectType = ObjectTypeFromName(q.FieldByName(QStringLiteral("ObjTyp")).AsString());
        r.Schema = q.FieldByName(QStringLiteral("SchemaNm")).AsString();
        r.ObjectName = name;
        r.OpenMode = tvOption.OpenMode;
        r.ShowRefObject = true;
        r.DefTopRecord = 0;
        const qint64 oid = q.FieldByName(QStringLiteral("OID")).AsInt64();
        r.OID = oid == 0 ? -1 : oid;
        r.TableName = q.FieldByName(QStringLiteral("TblNm")).AsString();
        hits.append(r);
        q.Next();
    }
    for (const TOpenObjectRequest &r : hits)
        OpenObjectOn(f, r);
}

QWidget *TfrmMain::OpenObjectOn(TfrmObject *form, const TOpenObjectRequest &request)
{
    if (!form)
        return nullptr;
    if (OpenObjectHook)
        return OpenObjectHook(form, request);
    return form->OpenObject(request.ObjectType, request.Schema, request.ObjectName, request.OpenMode,
                            request.ShowRefObject, request.DefTopRecord, request.OID, request.TableName);
}
