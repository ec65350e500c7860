// The connection window's object-list actions: the menu "オブジェクトリスト"
// and the tree's menu, their enabling, the list's keys, and the actions that
// open, create, run, script, print, cross-reference, add to the workspace,
// back up, load and rebuild the selected objects.
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/RecParam.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "common/tvWorkSpace.h"
#include "controls/frmPrint.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectActionSQL.h"
#include "shell/ObjectDispatcher.h"
#include "shell/ScriptFileSet.h"
#include "shell/SelectionWalk.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "shell/frmLogon.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "shell/frmProject.h"

#include <QAction>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QToolButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QStyledItemDelegate>
#include <QValidator>

namespace {

const struct {
    const char *name;
    const char *text;
} ActionTexts[] = {
    {"actNew", "新規作成(&N)"},
    {"actNewTable", "テーブル(&T)"},
    {"actNewIndex", "インデックス(&I)"},
    {"actNewView", "ビュー(&V)"},
    {"actNewProc", "プロシージャ(&P)"},
    {"actNewFunc", "ファンクション(&F)"},
    {"actNewPack", "パッケージ(&K)"},
    {"actNewType", "タイプ(&O)"},
    {"actNewTrigger", "トリガー(&G)"},
    {"actNewSeq", "シーケンス(&Q)"},
    {"actNewSynonym", "シノニム(&S)"},
    {"actNewMView", "マテリアライズドビュー(&M)"},
    {"actNewConst", "制約(&N)"},
    {"actNewRule", "ルール(&R)"},
    {"actNewAgrg", "集約関数(&H)"},
    {"actOpen", "開く(&O)"},
    {"actOpenDefine", "定義情報を開く"},
    {"actOpenSource", "ソースを開く"},
    {"actOpenData", "データを開く"},
    {"actOpenDataTop", "データを開く(件数指定)"},
    {"actExec", "実行(&E)"},
    {"actScript", "スクリプト出力(&S)"},
    {"actPrint", "印刷(&P)"},
    {"actCross", "相関 - クロスリファレンス(&F)"},
    {"actMatrix", "マトリックス表(&M)"},
    {"actGrant", "権限(&G)"},
    {"actAnalyze", "統計情報(&A)"},
    {"actComment", "コメントチェック(&O)"},
    {"actCopy", "コピー(&C)"},
    {"actPaste", "貼り付け(&V)"},
    {"actDelete", "削除(&D)"},
    {"actRename", "名前の変更(&H)"},
    {"actAddWorkSpace", "ワークスペースに追加(&W)"},
    {"actGrep", "全文検索"},
    {"actExport", "バックアップ(&R)"},
    {"actLoad", "ロード(&L)"},
    {"actSynonym", "シノニム作成(&Y)"},
    {"actIndexFragment", "インデックスの再構築"},
    {"actLogon", "接続(&C)"},
    {"actUser", "ユーザー情報(&U)"},
    {"actStorage", "テーブルスペース情報(&T)"},
    {"actSession", "セッション情報(&S)"},
    {"actLock", "ロック情報(&L)"},
    {"actDatabase", "サーバ情報(&D)"},
    {"actPerform", "パフォーマンス情報(&Q)"},
    {"actDBLink", "データベースリンク情報(&L)"},
    {"actDBExport", "バックアップ(&P)"},
    {"actProjectNew", ""},
    {"actProjectOpen", ""},
    {"actProjectDelete", ""},
    {"actNewDBLink", ""},
};

const struct {
    const char *name;
    int code;
} NewKinds[] = {
    {"actNewTable", 45}, {"actNewIndex", 46},   {"actNewView", 47},    {"actNewProc", 51},   {"actNewFunc", 52},
    {"actNewPack", 53},  {"actNewType", 55},    {"actNewTrigger", 57}, {"actNewSeq", 58},    {"actNewSynonym", 60},
    {"actNewMView", 61}, {"actNewConst", 66},   {"actNewRule", 127},   {"actNewAgrg", 128},
};

// Windows of later layers opened by launchers of the action's name.
const char *const LauncherActions[] = {"actUser", "actStorage", "actSession", "actLock",
                                       "actDatabase", "actPerform", "actDBLink"};
const char *const SelectionLauncherActions[] = {"actMatrix", "actGrant", "actComment"};

int TreeLevel(const QTreeWidgetItem *node)
{
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

// The address rules of the list's items: oid for programs and aggregates,
// the table for triggers, constraints and rules.
qint64 ItemOid(const TtvListItem *item)
{
    const int code = ItemImageIndex(item);
    return (code == 51 || code == 52 || code == 128) ? item->SubItem(8).toLongLong() : -1;
}

QString ItemTable(const TtvListItem *item)
{
    const int code = ItemImageIndex(item);
    return (code == 57 || code == 66 || code == 127) ? item->SubItem(11) : QString();
}

TfrmObject::TScriptOptionDialog &ScriptOptionDialog()
{
    static TfrmObject::TScriptOptionDialog dialog;
    return dialog;
}

// The list's name editor: an edit starts only when the window allows it,
// and its end renames the object instead of writing the text straight back.
class TObjectNameDelegate : public TtvListAlignDelegate {
public:
    explicit TObjectNameDelegate(TfrmObject *form) : TtvListAlignDelegate(form->lstObject, form), FForm(form) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        TtvListItem *item = ItemOf(index);
        bool allowed = false;
        tv::ui::Guard([&] { allowed = item && index.column() == 0 && FForm->lstObjectEditing(item); });
        if (!allowed)
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        TtvListItem *item = ItemOf(index);
        if (!edit || !item)
            return;
        QString text = edit->text();
        // The rename may show a message: it runs once the editor has gone.
        QPointer<TfrmObject> form(FForm);
        const QString old = item->Caption();
        tv::ui::PostAction(
            FForm,
            [form, item, text, old]() mutable {
                if (!form)
                    return;
                for (int i = 0; i < form->lstObject->topLevelItemCount(); ++i) {
                    if (form->lstObject->topLevelItem(i) == item && item->Caption() == old) {
                        tv::ui::Guard([&] { form->lstObjectEdited(item, text); });
                        return;
                    }
                }
            });
    }

private:
    TtvListItem *ItemOf(const QModelIndex &index) const
    {
        if (!index.isValid() || index.parent().isValid())
            return nullptr;
        return static_cast<TtvListItem *>(FForm->lstObject->topLevelItem(index.row()));
    }
    TfrmObject *FForm;
};

// Text typed into the find box kept in lower case.
class TLowerCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toLower();
        return Acceptable;
    }
};

} // namespace

QList<TCopyObjectList> TfrmObject::CopyObjectList;

bool TfrmObject::AskScriptOptions(TfrmObject &Owner, QString &ScriptPath, QString &NameTable, bool &OneScript)
{
    OneScript = ScriptOption.OneScript;
    if (ScriptOptionDialog()) {
        if (!ScriptOptionDialog()(Owner, ScriptPath, NameTable))
            return false;
        OneScript = ScriptOption.OneScript;
    } else {
        // Without the options dialog: a folder, one file per object.
        const QString folder =
            tv::ui::CurrentDialogs().selectFolder(QStringLiteral("スクリプト出力先"), ScriptOption.Path);
        if (folder.isEmpty())
            return false;
        ScriptPath = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        OneScript = false;
    }
    ScriptPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return true;
}

void TfrmObject::RegisterScriptOptionDialog(TScriptOptionDialog dialog)
{
    ScriptOptionDialog() = std::move(dialog);
}

void TfrmObject::RegisterLaunchers()
{
    RegisterLauncher(QStringLiteral("actNew"), [](const TLaunchContext &c) -> QWidget * {
        if (c.Connection)
            c.Connection->actNewExecute(c.ObjectType);
        return nullptr;
    });
}

// ---------------------------------------------------------------------------
// Building

void TfrmObject::BuildObjectActions()
{
    auto act = [this](const QString &name) {
        if (QAction *a = FActions.value(name))
            return a;
        auto *a = new QAction(this);
        a->setObjectName(name);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
        FActions.insert(name, a);
        return a;
    };
    for (const auto &t : ActionTexts)
        act(QString::fromLatin1(t.name))->setText(QString::fromUtf8(t.text));
    for (const auto &k : NewKinds) {
        QAction *a = act(QString::fromLatin1(k.name));
        a->setData(k.code);
        a->setIcon(FMain->MainImage(k.code));
        const int code = k.code;
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, code] { actNewExecute(code); }));
    }
    auto on = [this](const char *name, void (TfrmObject::*fn)()) {
        connect(Action(QString::fromLatin1(name)), &QAction::triggered, this, tv::ui::Guarded([this, fn] { (this->*fn)(); }));
    };
    connect(Action(QStringLiteral("actNew")), &QAction::triggered, this, tv::ui::Guarded([this] {
                actNewExecute(Action(QStringLiteral("actNew"))->data().toInt());
            }));
    on("actOpen", &TfrmObject::actOpenExecute);
    on("actOpenDefine", &TfrmObject::actOpenDefineExecute);
    on("actOpenSource", &TfrmObject::actOpenSourceExecute);
    on("actOpenData", &TfrmObject::actOpenDataExecute);
    on("actOpenDataTop", &TfrmObject::actOpenDataTopExecute);
    on("actExec", &TfrmObject::actExecExecute);
    on("actScript", &TfrmObject::actScriptExecute);
    on("actPrint", &TfrmObject::actPrintExecute);
    on("actCross", &TfrmObject::actCrossExecute);
    on("actSynonym", &TfrmObject::actSynonymExecute);
    on("actAddWorkSpace", &TfrmObject::actAddWorkSpaceExecute);
    on("actExport", &TfrmObject::actExportExecute);
    on("actLoad", &TfrmObject::actLoadExecute);
    on("actLogon", &TfrmObject::actLogonExecute);
    on("actDBExport", &TfrmObject::actDBExportExecute);
    on("actIndexFragment", &TfrmObject::actIndexFragmentExecute);
    on("actDelete", &TfrmObject::actDeleteExecute);
    on("actRename", &TfrmObject::actRenameExecute);
    on("actCopy", &TfrmObject::actCopyExecute);
    on("actPaste", &TfrmObject::actPasteExecute);
    on("actGrep", &TfrmObject::actGrepExecute);
    on("actAnalyze", &TfrmObject::actAnalyzeExecute);
    for (const char *n : LauncherActions) {
        const QString name = QString::fromLatin1(n);
        connect(Action(name), &QAction::triggered, this, tv::ui::Guarded([this, name] { RunLauncher(name, {}); }));
    }
    for (const char *n : SelectionLauncherActions) {
        const QString name = QString::fromLatin1(n);
        connect(Action(name), &QAction::triggered, this, tv::ui::Guarded([this, name] {
                    if (!lstObject->selectedItems().isEmpty())
                        RunLauncher(name, {});
                }));
    }

    // The menu of the list (also lent to the menu bar).
    mnuObject = new QMenu(QStringLiteral("オブジェクトリスト(&O)"), this);
    mnuObject->setObjectName(QStringLiteral("mnuObject"));
    mnuNew1 = new QMenu(QStringLiteral("新規作成(&N)"), mnuObject);
    mnuNew1->setObjectName(QStringLiteral("mnuNew1"));
    for (const auto &k : NewKinds)
        mnuNew1->addAction(Action(QString::fromLatin1(k.name)));
    mnuObject->addMenu(mnuNew1);
    auto add = [this](QMenu *m, const char *name) { m->addAction(Action(QString::fromLatin1(name))); };
    for (const char *n : {"actNew", "actCopy", "actPaste", "actDelete", "actRename"})
        add(mnuObject, n);
    mnuObject->addSeparator();
    for (const char *n : {"actOpenDefine", "actOpenData", "actOpenDataTop", "actOpenSource", "actIndexFragment"})
        add(mnuObject, n);
    mnuObject->addSeparator();
    add(mnuObject, "actScript");
    mnuReport = new QMenu(QStringLiteral("レポート出力(&X)"), mnuObject);
    mnuReport->setObjectName(QStringLiteral("mnuReport"));
    mnuObject->addMenu(mnuReport);
    for (const char *n : {"actPrint", "actExport", "actLoad"})
        add(mnuObject, n);
    mnuObject->addSeparator();
    if (QAction *field = FMain->Action(QStringLiteral("actViewField")))
        mnuObject->addAction(field);
    for (const char *n : {"actGrant", "actCross", "actMatrix", "actAnalyze", "actComment"})
        add(mnuObject, n);
    mnuCommand = new QMenu(QStringLiteral("ユーザー定義コマンド(&U)"), mnuObject);
    mnuCommand->setObjectName(QStringLiteral("mnuCommand"));
    mnuObject->addMenu(mnuCommand);
    mnuObject->addSeparator();
    for (const char *n : {"actExec", "actSynonym", "actGrep", "actAddWorkSpace"})
        add(mnuObject, n);
    connect(mnuObject, &QMenu::aboutToShow, this, tv::ui::Guarded([this] { mnuObjectClick(); }));

    // The tree's menu.
    popTree = new QMenu(this);
    popTree->setObjectName(QStringLiteral("popTree"));
    add(popTree, "actLogon");
    add(popTree, "actNew");
    popTree->addSeparator()->setObjectName(QStringLiteral("popTreeSep"));
    for (const char *n : {"actUser", "actStorage", "actSession", "actLock", "actDatabase", "actPerform", "actDBLink",
                          "actDBExport"})
        add(popTree, n);
    tvTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvTree, &QWidget::customContextMenuRequested, this, tv::ui::Guarded([this](const QPoint &pos) {
                if (QTreeWidgetItem *at = tvTree->itemAt(pos); at && at != tvTree->currentItem())
                    tvTree->setCurrentItem(at);
                popTreePopup();
                popTree->popup(tvTree->viewport()->mapToGlobal(pos));
            }));

    // The tree's tool buttons and the display choice.
    pnlTool = new QWidget;
    pnlTool->setObjectName(QStringLiteral("pnlTool"));
    auto *tl = new QHBoxLayout(pnlTool);
    tl->setContentsMargins(0, 0, 0, 0);
    tl->setSpacing(0);
    auto button = [&](QToolButton *&b, const char *name, const QString &hint, int image) {
        b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setIcon(FMain->MainImage(image));
        b->setCheckable(true);
        b->setAutoRaise(true);
        tl->addWidget(b);
    };
    button(btnTree1, "btnTree1", QStringLiteral("スキーマ→オブジェクト順に表示"), 4);
    button(btnTree2, "btnTree2", QStringLiteral("オブジェクト→スキーマ順に表示"), 45);
    button(btnLevel0, "btnLevel0", QStringLiteral("データベース選択時にオブジェクト一覧を表示する"), 1);
    button(btnLevel1, "btnLevel1", QString(), 17);
    tl->addStretch(1);
    auto *order = new QButtonGroup(pnlTool);
    order->addButton(btnTree1);
    order->addButton(btnTree2);
    btnTree1->setChecked(tvOption.TreeSort != 1);
    btnTree2->setChecked(tvOption.TreeSort == 1);
    btnLevel0->setChecked(tvOption.ShowLevel0);
    btnLevel1->setChecked(tvOption.ShowLevel1);
    btnLevel1->setToolTip(tvOption.TreeSort == 1 ? QStringLiteral("オブジェクトタイプ選択時にオブジェクト一覧を表示する")
                                                 : QStringLiteral("スキーマ選択時にオブジェクト一覧を表示する"));
    if (auto *ll = qobject_cast<QVBoxLayout *>(cmbTree->parentWidget()->layout())) {
        ll->removeWidget(cmbTree);
        auto *row = new QWidget;
        auto *rl = new QHBoxLayout(row);
        rl->setContentsMargins(0, 0, 0, 0);
        auto *label = new QLabel(QStringLiteral("表示"));
        label->setBuddy(cmbTree);
        rl->addWidget(label);
        rl->addWidget(cmbTree, 1);
        ll->insertWidget(0, row);
        ll->insertWidget(0, pnlTool);
    }
    for (QToolButton *b : {btnTree1, btnTree2})
        connect(b, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnTreeClick(); }));
    connect(btnLevel0, &QToolButton::clicked, this, [this] { btnLevel0Click(); });
    connect(btnLevel1, &QToolButton::clicked, this, [this] { btnLevel1Click(); });
    connect(cmbTree, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbTreeChange(); }));

    // The list: keys, double click, context menu, in-place rename.
    lstObject->installEventFilter(this);
    cmbFind->installEventFilter(this);
    lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstObject->setItemDelegate(new TObjectNameDelegate(this));
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this,
            tv::ui::Guarded([this](QTreeWidgetItem *, int) { actOpenExecute(); }));
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstObject, &QWidget::customContextMenuRequested, this,
            tv::ui::Guarded([this](const QPoint &pos) { lstObjectContextPopup(pos); }));
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] {
        FMain->SetDefMessage();
        // Keys of the actions follow a selection made with the keyboard too.
        tv::ui::Guard([this] { mnuObjectClick(); });
    });
    connect(lstObject, &QTreeWidget::itemClicked, this, tv::ui::Guarded([this] { mnuObjectClick(); }));
    connect(tvTree, &QTreeWidget::currentItemChanged, this, tv::ui::Guarded([this] { mnuObjectClick(); }));
    mnuObjectClick();
}

void TfrmObject::btnTreeClick()
{
    tvOption.TreeSort = btnTree2->isChecked() ? 1 : 0;
    btnLevel1->setToolTip(tvOption.TreeSort == 1 ? QStringLiteral("オブジェクトタイプ選択時にオブジェクト一覧を表示する")
                                                 : QStringLiteral("スキーマ選択時にオブジェクト一覧を表示する"));
    ShowTree();
}

void TfrmObject::btnLevel0Click()
{
    tvOption.ShowLevel0 = btnLevel0->isChecked();
}

void TfrmObject::btnLevel1Click()
{
    tvOption.ShowLevel1 = btnLevel1->isChecked();
}

void TfrmObject::cmbTreeChange()
{
    const int index = cmbTree->currentIndex();
    if (index == 2 && !TfrmProject::ShowWindow(this, QString())) {
        // The chooser was cancelled: the previous choice stays.
        const QSignalBlocker block(cmbTree);
        cmbTree->setCurrentIndex(Disp);
        tvTree->setFocus();
        return;
    }
    Disp = index;
    ShowTree();
    tvTree->setFocus();
}

TMergeMenus TfrmObject::MergeMenus() const
{
    return {{2, mnuObject}};
}

// ---------------------------------------------------------------------------
// Enabling and menus

void TfrmObject::mnuObjectClick()
{
    if (!mnuObject)
        return;
    const QList<TtvListItem *> selection = lstObject->SelectedItems();
    const bool selected = !selection.isEmpty();
    const int first = selected ? ItemImageIndex(selection.first()) : -1;
    auto set = [this](const char *name, bool on) {
        if (QAction *a = Action(QString::fromLatin1(name)))
            a->setEnabled(on);
    };

    // 1. New: the kind of a kind node, else the submenu.
    QTreeWidgetItem *node = tvTree->currentItem();
    bool kindNode = false;
    if (node) {
        const int level = TreeLevel(node);
        kindNode = tvOption.TreeSort == 1 ? level > 0 : level == 2;
    }
    QAction *actNew = Action(QStringLiteral("actNew"));
    mnuNew1->menuAction()->setVisible(!kindNode);
    actNew->setVisible(kindNode);
    if (kindNode) {
        const int image = NodeImage(node);
        actNew->setData(image);
        actNew->setIcon(FMain->MainImage(image));
    }
    // 2 .. 7.
    set("actRename", selected && first != 53 && first != 60 && first != 127);
    for (const char *n : {"actOpen", "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop", "actScript",
                          "actPrint", "actSynonym", "actCross", "actMatrix", "actGrant", "actAnalyze", "actCopy",
                          "actDelete", "actExport", "actLoad", "actAddWorkSpace"})
        set(n, selected);
    set("actExec", selected && (first == 51 || first == 52 || first == 53));
    set("actComment", first >= 51 && first <= 54);
    set("actIndexFragment", first == 46);
    set("actPaste", !CopyObjectList.isEmpty());
    // 8. The keys of the main window's copy and paste (unless the find box has them).
    if (!cmbFind->hasFocus()) {
        if (QAction *m = FMain->Action(QStringLiteral("actEditCopy")))
            Action(QStringLiteral("actCopy"))->setShortcut(m->shortcut());
        if (QAction *m = FMain->Action(QStringLiteral("actEditPaste")))
            Action(QStringLiteral("actPaste"))->setShortcut(m->shortcut());
    }
    // 9.
    mnuReport->setEnabled(!mnuReport->isEmpty() && selected);
    mnuCommand->setEnabled(!mnuCommand->isEmpty());
}

void TfrmObject::UpdatePasteActions()
{
    if (!frmMain)
        return;
    for (QWidget *w : frmMain->MdiChildren()) {
        if (auto *f = qobject_cast<TfrmObject *>(w))
            if (QAction *a = f->Action(QStringLiteral("actPaste")))
                a->setEnabled(!CopyObjectList.isEmpty());
    }
}

void TfrmObject::popTreePopup()
{
    FRSelected = tvTree->currentItem();
    const int image = NodeImage(FRSelected);
    const int level = FRSelected ? TreeLevel(FRSelected) : -1;
    QAction *actNew = Action(QStringLiteral("actNew"));
    actNew->setVisible(level > 0);
    actNew->setEnabled(true);
    if (level > 0) {
        actNew->setData(image);
        actNew->setIcon(FMain->MainImage(image));
    }
    const bool schema = image == 4 || image == 126;
    Action(QStringLiteral("actLogon"))->setVisible(schema);
    for (QAction *a : popTree->actions())
        if (a->objectName() == QLatin1String("popTreeSep"))
            a->setVisible(schema);
    for (const char *n : {"actUser", "actStorage", "actSession", "actLock", "actDatabase", "actPerform"})
        Action(QString::fromLatin1(n))->setVisible(image == 1);
    Action(QStringLiteral("actDBExport"))->setVisible(image == 1 || schema);
    Action(QStringLiteral("actDBLink"))->setVisible(image == 1 && FPostgresPlus);
}

void TfrmObject::lstObjectContextPopup(const QPoint &pos)
{
    mnuObjectClick();
    mnuObject->popup(lstObject->viewport()->mapToGlobal(pos));
}

bool TfrmObject::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstObject) {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto *k = static_cast<QKeyEvent *>(event);
            // While a name is being edited its editor has the keys.
            if (QWidget *fw = QApplication::focusWidget(); fw && fw != lstObject && lstObject->isAncestorOf(fw))
                return false;
            const QKeySequence key(k->keyCombination());
            auto is = [&](const char *name, Qt::Key fallback) {
                QAction *a = Action(QString::fromLatin1(name));
                return (a && !a->shortcut().isEmpty() && a->shortcut() == key) ||
                       (k->modifiers() == Qt::NoModifier && k->key() == fallback);
            };
            auto isCtrl = [&](const char *name, Qt::Key letter) {
                QAction *a = Action(QString::fromLatin1(name));
                return (a && !a->shortcut().isEmpty() && a->shortcut() == key) ||
                       (k->modifiers() == Qt::ControlModifier && k->key() == letter);
            };
            const bool ours = is("actRename", Qt::Key_F2) || k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter ||
                              is("actDelete", Qt::Key_Delete) || isCtrl("actCopy", Qt::Key_C) ||
                              isCtrl("actPaste", Qt::Key_V);
            if (!ours)
                return false;
            if (event->type() == QEvent::ShortcutOverride) {
                // The list's own keys must not reach the frame's shortcuts.
                event->accept();
                return true;
            }
            bool handled = false;
            tv::ui::Guard([&] { handled = lstObjectKeyDown(k); });
            return handled;
        }
        if (event->type() == QEvent::FocusIn)
            lstObjectEnter();
    } else if (watched == cmbFind && event->type() == QEvent::FocusIn) {
        cmbFindEnter();
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmObject::lstObjectKeyDown(QKeyEvent *k)
{
    const QKeySequence key(k->keyCombination());
    auto matches = [&](const char *name) {
        QAction *a = Action(QString::fromLatin1(name));
        return a && !a->shortcut().isEmpty() && a->shortcut() == key;
    };
    if (matches("actCopy") || (k->modifiers() == Qt::ControlModifier && k->key() == Qt::Key_C)) {
        if (Action(QStringLiteral("actCopy"))->isEnabled() || !lstObject->selectedItems().isEmpty())
            actCopyExecute();
        return true;
    }
    if (matches("actPaste") || (k->modifiers() == Qt::ControlModifier && k->key() == Qt::Key_V)) {
        if (!CopyObjectList.isEmpty())
            actPasteExecute();
        return true;
    }
    if (k->key() == Qt::Key_F2 || matches("actRename")) {
        if (!lstObject->selectedItems().isEmpty())
            actRenameExecute();
        return true;
    }
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        actOpenExecute();
        return true;
    }
    if (k->key() == Qt::Key_Delete || matches("actDelete")) {
        actDeleteExecute();
        return true;
    }
    return false;
}

void TfrmObject::cmbFindEnter()
{
    if (QLineEdit *e = cmbFind->lineEdit()) {
        // Names keep their case while UseLowerName is on; otherwise the
        // server folds them, and so does the box.
        if (tvOption.UseLowerName) {
            e->setValidator(nullptr);
        } else if (!e->validator()) {
            e->setValidator(new TLowerCaseValidator(e));
            e->setText(e->text().toLower());
        }
    }
    Action(QStringLiteral("actCopy"))->setShortcut(QKeySequence());
    Action(QStringLiteral("actPaste"))->setShortcut(QKeySequence());
}

void TfrmObject::lstObjectEnter()
{
    QAction *copy = Action(QStringLiteral("actCopy")), *paste = Action(QStringLiteral("actPaste"));
    if (copy->shortcut().isEmpty() && paste->shortcut().isEmpty()) {
        if (QAction *m = FMain->Action(QStringLiteral("actEditCopy")))
            copy->setShortcut(m->shortcut());
        if (QAction *m = FMain->Action(QStringLiteral("actEditPaste")))
            paste->setShortcut(m->shortcut());
    }
}

QWidget *TfrmObject::RunLauncher(const QString &action, const TLaunchContext &context)
{
    TLaunchContext c = context;
    c.Connection = this;
    c.MainWindow = FMain;
    return Launch(action, c);
}

// ---------------------------------------------------------------------------
// New and open

void TfrmObject::actNewExecute(int ObjectType)
{
    TOpenObjectRequest r;
    r.ObjectType = ObjectType;
    r.Schema = FdbsMain->Params().MetaDefSchema;
    r.OpenMode = omDefine;
    r.ShowRefObject = false;
    FMain->OpenObjectOn(this, r);
}

void TfrmObject::OpenSelected(TOpenMode mode, int topRecord)
{
    if (lstObject->selectedItems().isEmpty())
        return;
    TSelectionWalk walk(lstObject, false);
    while (TtvListItem *item = walk.Next()) {
        TOpenObjectRequest r;
        r.ObjectType = ItemImageIndex(item);
        r.Schema = item->SubItem(0);
        r.ObjectName = item->Caption();
        r.OpenMode = mode;
        r.ShowRefObject = false;
        r.DefTopRecord = topRecord;
        r.OID = ItemOid(item);
        r.TableName = ItemTable(item);
        FMain->OpenObjectOn(this, r);
        walk.Deselect();
    }
}

void TfrmObject::actOpenExecute() { OpenSelected(tvOption.OpenMode, 0); }
void TfrmObject::actOpenDefineExecute() { OpenSelected(omDefine, 0); }
void TfrmObject::actOpenSourceExecute() { OpenSelected(omSource, 0); }
void TfrmObject::actOpenDataExecute() { OpenSelected(omData, 0); }

void TfrmObject::actOpenDataTopExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    QString value = QString::number(tvOption.DefTopRecord);
    bool makeDefault = false;
    QString caption = Action(QStringLiteral("actOpenDataTop"))->text();
    if (!InputQueryWithChecks(caption, QStringLiteral("レコード件数"), value, true,
                              {{QStringLiteral("既定値にする"), &makeDefault}}))
        return;
    if (value.trimmed().isEmpty())
        value = QStringLiteral("0");
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok || n < 0)
        throw tv::Error(QStringLiteral("'") + value + QStringLiteral("' は有効な整数値ではありません。"));
    if (makeDefault && n > 0)
        tvOption.DefTopRecord = n;
    OpenSelected(omData, n);
}

// ---------------------------------------------------------------------------
// Execution, cross reference, synonyms

void TfrmObject::actExecExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    TSelectionWalk walk(lstObject, true);
    while (TtvListItem *item = walk.Next()) {
        const int code = ItemImageIndex(item);
        if (code != 51 && code != 52 && code != 53) {
            walk.Deselect();
            continue;
        }
        TLaunchContext c;
        c.Schema = item->SubItem(0);
        c.ObjectName = item->Caption();
        c.ObjectType = code;
        c.OID = code == 53 ? -1 : item->SubItem(8).toLongLong();
        RunLauncher(QStringLiteral("TfrmExecProc"), c);
        walk.Deselect();
    }
}

void TfrmObject::actCrossExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    static const int kinds[] = {45, 47, 51, 52, 53, 55, 57, 58, 61, 127, 128};
    TSelectionWalk walk(lstObject, true);
    while (TtvListItem *item = walk.Next()) {
        const int code = ItemImageIndex(item);
        if (std::find(std::begin(kinds), std::end(kinds), code) == std::end(kinds)) {
            walk.Deselect();
            continue;
        }
        TObjectAddress a;
        a.ObjectType = code;
        a.Schema = item->SubItem(0);
        a.ObjectName = item->Caption();
        a.OpenMode = omCross;
        a.OID = (code == 51 || code == 52 || code == 128) ? item->SubItem(8).toLongLong() : -1;
        a.TableName = (code == 57 || code == 127) ? item->SubItem(11) : QString();
        TObjectAddress args;
        const TOpenObjectProc open = TObjectDispatcher::OpenProc(code);
        if (open && TObjectDispatcher::OpenArguments(a, args)) {
            // The window's constructor itself: a failure (or an open twin
            // brought forward) ends the walk.
            open(*this, args);
        }
        walk.Deselect();
    }
}

void TfrmObject::actSynonymExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    static const int kinds[] = {45, 47, 51, 52, 55, 58, 60};
    TSelectionWalk walk(lstObject, false);
    while (TtvListItem *item = walk.Next()) {
        const int code = ItemImageIndex(item);
        if (std::find(std::begin(kinds), std::end(kinds), code) == std::end(kinds)) {
            walk.Deselect();
            continue;
        }
        TLaunchContext c;
        c.Schema = item->SubItem(0);
        c.ObjectName = item->Caption();
        c.ObjectType = code;
        c.Argument = item->SubItem(1);
        RunLauncher(QStringLiteral("actSynonym"), c);
        walk.Deselect();
    }
}

void TfrmObject::actPrintExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    TfrmPrint::ShowWindow(QStringLiteral("選択したオブジェクト"), [this] { PrintSelectedObjects(); });
}

// ---------------------------------------------------------------------------
// Workspace, backup and load, logon

void TfrmObject::actAddWorkSpaceExecute()
{
    const QList<TtvListItem *> selection = lstObject->SelectedItems();
    if (selection.isEmpty())
        return;
    const tv::db::ConnectionParams &p = FdbsMain->Params();
    const QString connect = FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema,
                                                               p.value(QStringLiteral("Port")), p.User_Name,
                                                               p.Password, QString(), QString(), QString()),
                                                  0, false);
    bool added = false;
    for (TtvListItem *item : selection) {
        const int code = ItemImageIndex(item);
        const bool program = code == 51 || code == 52 || code == 128;
        const bool tabled = code == 57 || code == 66 || code == 127;
        TtvWorkSpace e;
        e.ObjectType = code;
        e.ObjectName = item->Caption();
        e.Schema = item->SubItem(0);
        e.Connect = connect;
        e.oid = program ? item->SubItem(8).toLongLong() : 0;
        e.TableName = tabled ? item->SubItem(11) : QString();
        const bool known = std::any_of(tvWorkSpace.begin(), tvWorkSpace.end(), [&](const TtvWorkSpace &x) {
            return x.ObjectType == e.ObjectType && x.ObjectName == e.ObjectName && x.Schema == e.Schema &&
                   x.Connect == e.Connect && (!program || x.oid == e.oid) && (!tabled || x.TableName == e.TableName);
        });
        if (known)
            continue;
        if (program)
            e.Title = e.ObjectName + QStringLiteral("(") + item->SubItem(2) + QStringLiteral(") (") + e.Schema +
                      QStringLiteral(")");
        else if (tabled)
            e.Title = e.ObjectName + QStringLiteral(" (") + e.Schema + QStringLiteral(".") + e.TableName +
                      QStringLiteral(")");
        else
            e.Title = e.ObjectName + QStringLiteral(" (") + e.Schema + QStringLiteral(")");
        tvWorkSpace.push_back(e);
        added = true;
    }
    if (added) {
        SaveWorkSpace();
        FMain->ShowWorkSpace(nullptr);
    }
}

namespace {
void SelectionLists(TtvListView *list, QString &schemas, QString &names)
{
    for (TtvListItem *item : list->SelectedItems()) {
        schemas += item->SubItem(0).trimmed() + QStringLiteral("\r\n");
        names += item->Caption().trimmed() + QStringLiteral("\r\n");
    }
}
} // namespace

void TfrmObject::actExportExecute()
{
    TLaunchContext c;
    SelectionLists(lstObject, c.Schema, c.ObjectName);
    if (c.Schema.isEmpty())
        return;
    c.ObjectType = 2;
    RunLauncher(QStringLiteral("actAdminExport"), c);
}

void TfrmObject::actLoadExecute()
{
    TLaunchContext c;
    SelectionLists(lstObject, c.Schema, c.ObjectName);
    if (c.Schema.isEmpty())
        return;
    RunLauncher(QStringLiteral("actAdminLoad"), c);
}

void TfrmObject::actLogonExecute()
{
    if (!FRSelected)
        return;
    const tv::db::ConnectionParams &p = FdbsMain->Params();
    TfrmLogon::ShowWindow(p.Server, p.value(QStringLiteral("Port")), p.Database, FRSelected->text(0), p.User_Name,
                          QString(), false);
}

void TfrmObject::actDBExportExecute()
{
    if (!FRSelected)
        return;
    TLaunchContext c;
    if (TreeLevel(FRSelected) == 0) {
        c.ObjectType = 0;
    } else {
        c.ObjectType = 1;
        c.Schema = FRSelected->text(0);
    }
    RunLauncher(QStringLiteral("actAdminExport"), c);
}

// ---------------------------------------------------------------------------
// Index rebuild

void TfrmObject::actIndexFragmentExecute()
{
    const int selected = int(lstObject->selectedItems().size());
    if (selected == 0)
        return;
    bool ignore = false;
    TCheckList checks;
    if (selected > 1 && !tvOption.ShowDDL)
        checks.append({QStringLiteral("エラーを無視する"), &ignore});
    if (ShowCheckMessageDialog(QStringLiteral("インデックス再構築を行いますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION, checks) != tv::ui::IDYES)
        return;
    QStringList script;
    try {
        TSelectionWalk walk(lstObject, true);
        while (TtvListItem *item = walk.Next()) {
            if (ItemImageIndex(item) == 46)
                script << QStringLiteral("REINDEX INDEX ") + QuoteIdentifier(item->SubItem(0)) + QLatin1Char('.') +
                              QuoteIdentifier(item->Caption())
                       << QStringLiteral(";");
            walk.Deselect();
        }
    } catch (...) {
        ShowMessageBox(QStringLiteral("再構築に失敗しました。"), tv::ui::MB_ICONEXCLAMATION);
        throw;
    }
    if (script.isEmpty())
        return;
    if (tvOption.ShowDDL) {
        // Shown only for a run without errors; a declined preview says nothing.
        int errors = -1;
        try {
            if (TfrmDDLPreview::ShowWindow(script, QString(), QStringLiteral("インデックスの再構築")))
                errors = TfrmDDLExec::ShowWindow(this, script);
        } catch (const tv::SilentAbort &) {
            errors = 1;
        } catch (const tv::Error &) {
            errors = 1;
        }
        TfrmDDLExec::WaitProc();
        if (errors < 0)
            return;
        tv::ui::Guard([this] { ShowObject(false); });
        if (errors == 0)
            ShowMessageBox(QStringLiteral("再構築が完了しました。"), tv::ui::MB_ICONINFORMATION);
        else
            ShowMessageBox(QStringLiteral("再構築に失敗しました。"), tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    // Each statement under its own savepoint: a failure never aborts the
    // user's open transaction block.
    for (const QString &statement : SplitScript(script)) {
        try {
            tv::db::StatementSavepoint sp(*FdbsMain);
            ExecuteSQL(statement);
            sp.release();
        } catch (const tv::db::DbError &e) {
            if (ignore && !e.connectionLost())
                return;
            ShowMessageBox(QStringLiteral("再構築に失敗しました。"), tv::ui::MB_ICONEXCLAMATION);
            throw;
        }
    }
    ShowObject(false);
    ShowMessageBox(QStringLiteral("再構築が完了しました。"), tv::ui::MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Script output

void TfrmObject::actScriptExecute()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    QString scriptPath, nameTable;
    bool oneScript = ScriptOption.OneScript;
    if (!AskScriptOptions(*this, scriptPath, nameTable, oneScript))
        return;
    const bool sameName = ScriptOption.SameName;
    // With "上書きする" a file is emptied when the run first meets it; later
    // objects of the run that map to the same file (overloads, the one file,
    // a common grant file) are appended to it.
    TScriptFileSet files(sameName);
    if (oneScript && sameName)
        QFile::remove(scriptPath);
    const bool schemaFirst = tvOption.TreeSort == 0;
    {
        TSelectionWalk walk(lstObject, true);
        while (TtvListItem *item = walk.Next()) {
            const int code = ItemImageIndex(item);
            const QString schema = item->SubItem(0), name = item->Caption(), kind = item->SubItem(1);
            walk.Deselect();
            if (code == 46) {
                tv::db::Query &c = OpenSQL(QStringLiteral(" SELECT Con.conname"
                                                          " FROM   pg_constraint       AS Con"
                                                          " LEFT JOIN pg_namespace     AS Nms"
                                                          "  ON  Con.connamespace      =   Nms.oid"
                                                          " WHERE  Con.contype         IN  ('p', 'u')"
                                                          " AND    Nms.nspname         =   :OWNER"
                                                          " AND    Con.conname         =   :NAME"),
                                           {schema, name});
                const bool backing = !c.Eof();
                qryExec->Close();
                if (backing)
                    continue;
            }
            QFile file;
            if (oneScript) {
                files.Open(file, scriptPath);
            } else {
                QString fileName = ScriptFileName(name, code, ScriptOption.Dir);
                if (!nameTable.isEmpty()) {
                    tv::db::Query &q = OpenSQL(QStringLiteral(" SELECT script_name FROM   ") +
                                                   QuoteIdentifierList(nameTable, false, QStringLiteral(".")) +
                                                   QStringLiteral(" WHERE  owner         = :OWNER"
                                                                  " AND    object_name   = :OBJECT_NAME"
                                                                  " AND    object_type   = :OBJECT_TYPE"),
                                               {schema, name, ObjectTypeName(code)});
                    if (!q.Eof()) {
                        const QString given = q.Fields(0).AsString();
                        if (given.contains(QLatin1Char('/')) || given == QLatin1String(".") ||
                            given == QLatin1String(".."))
                            throw tv::Error(QStringLiteral("スクリプト名が不正です: ") + given);
                        fileName = given;
                    }
                    qryExec->Close();
                }
                files.Open(file, ScriptFilePath(scriptPath, schema, kind, fileName, ScriptOption.Dir, schemaFirst));
            }
            const int scriptCode = ObjectTypeFromName(kind);
            const bool program = kind == QLatin1String("FUNCTION") || kind == QLatin1String("PROCEDURE") ||
                                 kind == QLatin1String("AGGREGATE");
            const bool tabled = kind == QLatin1String("TRIGGER") || kind == QLatin1String("RULE") ||
                                kind == QLatin1String("CONSTRAINT");
            OutputScript(scriptCode, schema, name, file, QString(), QString(),
                         program ? item->SubItem(8).toLongLong() : -1, tabled ? item->SubItem(11) : QString());
            if (ScriptOption.Grant) {
                const QString oidText = program ? item->SubItem(8) : QString();
                if (ScriptOption.GrantMode == 0 || oneScript) {
                    OutputGrant(schema, name, file, 1, kind, oidText);
                } else {
                    const QString s = SanitizeFileName(schema), k = SanitizeFileName(kind);
                    QString grantPath;
                    if (ScriptOption.GrantMode == 1) {
                        const QString fileName = QFileInfo(file.fileName()).fileName();
                        grantPath = schemaFirst ? scriptPath + s + QStringLiteral("/GRANT/") + fileName
                                                : scriptPath + QStringLiteral("GRANT/") + s + QLatin1Char('/') + fileName;
                    } else if (ScriptOption.Dir) {
                        grantPath = scriptPath + (schemaFirst ? s : k) + QStringLiteral("/_GRANT.SQL");
                    } else {
                        grantPath = scriptPath + QStringLiteral("_GRANT.SQL");
                    }
                    // A missing grant file is created.
                    QFile grant;
                    files.Open(grant, grantPath);
                    OutputGrant(schema, name, grant, 1, kind, oidText);
                    grant.close();
                }
            }
            file.close();
        }
    }
    ShowMessageBox(QStringLiteral("スクリプトが出力されました。"), tv::ui::MB_ICONINFORMATION);
}
