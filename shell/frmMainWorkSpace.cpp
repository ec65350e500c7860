// The main window's task bar, workspace panel and the menus built from the
// user-command and report-definition files.
#include "common/CatalogSQL.h"
#include "common/MessageDlg.h"
#include "common/tvOption.h"
#include "common/tvWorkSpace.h"
#include "controls/tvListView.h"
#include "platform/settings/Folders.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ShortCut.h"
#include "shell/ListItemImage.h"
#include "shell/ReportDefinition.h"
#include "shell/UserCommandFiles.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollArea>
#include <QSet>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int TitleRole = Qt::UserRole + 1;

bool IsProgram(int type) { return type == 51 || type == 52 || type == 128; }

// The entry an item of the panel shows (image = type, caption = title,
// sub-items: name, schema, connection, oid, table).
TtvWorkSpace EntryOf(const TtvListItem *item)
{
    TtvWorkSpace e;
    e.ObjectType = ItemImageIndex(item);
    e.Title = item->data(0, TitleRole).toString();
    e.ObjectName = item->SubItem(0);
    e.Schema = item->SubItem(1);
    e.Connect = item->SubItem(2);
    e.oid = item->SubItem(3).toLongLong();
    e.TableName = item->SubItem(4);
    return e;
}

bool SameObject(const TtvWorkSpace &a, const TtvWorkSpace &b)
{
    return a.ObjectType == b.ObjectType && a.ObjectName == b.ObjectName && a.Schema == b.Schema &&
           a.Connect == b.Connect;
}

} // namespace

// ---------------------------------------------------------------------------
// Building

void TfrmMain::BuildWorkSpace()
{
    lstWorkSpace->AddColumn(QStringLiteral("タイトル"), 200);
    lstWorkSpace->AddColumn(QStringLiteral("オブジェクト名"), 160);
    lstWorkSpace->AddColumn(QStringLiteral("スキーマ"), 160);
    lstWorkSpace->AddColumn(QStringLiteral("データベース"), 160);
    lstWorkSpace->SetMultiSelect(true);
    lstWorkSpace->setDragEnabled(true);
    lstWorkSpace->setAcceptDrops(true);
    lstWorkSpace->viewport()->setAcceptDrops(true);
    lstWorkSpace->setDragDropMode(QAbstractItemView::DragDrop);
    lstWorkSpace->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstWorkSpace->viewport()->installEventFilter(this);
    lstWorkSpace->installEventFilter(this);
    connect(lstWorkSpace, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (column == 0)
            tv::ui::Guard([&] { lstWorkSpaceEdited(item, item->text(0)); });
    });
    connect(lstWorkSpace, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this](QTreeWidgetItem *, int) {
                OpenWorkSpaceItems(false, false, tvOption.OpenMode);
            }));

    popWorkSpace = new QMenu(this);
    popWorkSpace->setObjectName(QStringLiteral("popWorkSpace"));
    auto add = [this](const QString &text, const char *name, std::function<void()> fn) {
        QAction *a = popWorkSpace->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, tv::ui::Guarded(std::move(fn)));
        return a;
    };
    add(QStringLiteral("定義情報を開く(&O)"), "mnuWSOpenDefine", [this] { OpenWorkSpaceItems(false, false, omDefine); });
    add(QStringLiteral("ソースを開く(&S)"), "mnuWSOpenSource", [this] { OpenWorkSpaceItems(false, false, omSource); });
    add(QStringLiteral("データを開く(&T)"), "mnuWSOpenData", [this] { OpenWorkSpaceItems(false, false, omData); });
    add(QStringLiteral("データを開く(件数指定)(&M)"), "mnuWSOpenDataTop",
        [this] { OpenWorkSpaceItems(false, true, omData); });
    add(QStringLiteral("実行(&E)"), "mnuWSExec", [this] { OpenWorkSpaceItems(true, false, omDefine); });
    popWorkSpace->addSeparator();
    add(QStringLiteral("名前の変更(&R)"), "mnuWSRename", [this] {
        if (TtvListItem *item = lstWorkSpace->Selected()) {
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            lstWorkSpace->editItem(item, 0);
        }
    });
    add(QStringLiteral("ワークスペースからオブジェクトを削除する(&D)"), "mnuWSDelete", [this] { RemoveWorkSpaceItems(); });
    popWorkSpace->addSeparator();
    QMenu *align = popWorkSpace->addMenu(QStringLiteral("表示位置(&A)"));
    align->menuAction()->setObjectName(QStringLiteral("mnuWSAlign"));
    auto *alignGroup = new QActionGroup(this);
    const struct {
        const char *text;
        int align;
    } aligns[] = {{"上(&T)", 1}, {"下(&B)", 2}, {"左(&L)", 3}, {"右(&R)", 4}};
    for (const auto &al : aligns) {
        QAction *a = align->addAction(QString::fromUtf8(al.text));
        a->setCheckable(true);
        a->setData(al.align);
        alignGroup->addAction(a);
        const int v = al.align;
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, v] { SetWorkSpaceAlign(v); }));
    }
    QAction *icons = add(QStringLiteral("アイコン表示(&V)"), "mnuWSIcon", [this] { WorkSpaceStyle = 0; });
    QAction *details = add(QStringLiteral("リスト表示(&L)"), "mnuWSList", [this] { WorkSpaceStyle = 1; });
    icons->setCheckable(true);
    details->setCheckable(true);
    connect(popWorkSpace, &QMenu::aboutToShow, this, [this, align, icons, details] {
        // popWorkSpacePopup: enabling follows the selected item.
        TtvListItem *sel = lstWorkSpace->Selected();
        const int type = sel ? ItemImageIndex(sel) : 0;
        for (QAction *a : popWorkSpace->actions()) {
            const QString n = a->objectName();
            if (n == QLatin1String("mnuWSOpenDefine") || n == QLatin1String("mnuWSOpenSource") ||
                n == QLatin1String("mnuWSRename") || n == QLatin1String("mnuWSDelete"))
                a->setEnabled(sel != nullptr);
            else if (n == QLatin1String("mnuWSOpenData") || n == QLatin1String("mnuWSOpenDataTop"))
                a->setEnabled(sel && (type == 45 || type == 47 || type == 61));
            else if (n == QLatin1String("mnuWSExec"))
                a->setEnabled(sel && type >= 51 && type <= 54);
        }
        align->menuAction()->setEnabled(!lstWorkSpace->isHidden());
        for (QAction *a : align->actions())
            a->setChecked(a->data().toInt() == WorkSpaceAlign);
        icons->setChecked(WorkSpaceStyle == 0);
        details->setChecked(WorkSpaceStyle == 1);
    });
    lstWorkSpace->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstWorkSpace, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popWorkSpace->popup(lstWorkSpace->viewport()->mapToGlobal(p)); });

    popTask = new QMenu(this);
    popTask->setObjectName(QStringLiteral("popTask"));
    QAction *close = popTask->addAction(QStringLiteral("閉じる"));
    close->setObjectName(QStringLiteral("mnuCloseWindow"));
    close->setToolTip(QStringLiteral("閉じる"));
    close->setStatusTip(QStringLiteral("選択中のウィンドウを閉じます。"));
    connect(close, &QAction::triggered, this, tv::ui::Guarded([this] { mnuCloseWindowClick(); }));
    tolTask->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tolTask, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        popTaskPopup(p);
        popTask->popup(tolTask->mapToGlobal(p));
    });
}

// ---------------------------------------------------------------------------
// Task bar

void TfrmMain::popTaskPopup(const QPoint &pos)
{
    // The window of the button under the mouse becomes the active one.
    auto *b = qobject_cast<QToolButton *>(tolTask->childAt(pos));
    if (b)
        b->click();
}

void TfrmMain::mnuCloseWindowClick()
{
    if (QMdiSubWindow *sw = mdiMain->activeSubWindow())
        sw->close();
}

// ---------------------------------------------------------------------------
// Workspace

void TfrmMain::ShowWorkSpace(QWidget *EraseForm)
{
    lstWorkSpace->setUpdatesEnabled(false);
    const QSignalBlocker block(lstWorkSpace);
    lstWorkSpace->clear();
    QSet<QString> connections;
    for (QWidget *w : MdiChildren()) {
        if (w == EraseForm)
            continue;
        if (auto *f = dynamic_cast<TfrmObject *>(w))
            connections.insert(f->ConnectionText());
    }
    try {
        LoadWorkSpace();
    } catch (...) {
        lstWorkSpace->setUpdatesEnabled(true);
        throw;
    }
    for (const TtvWorkSpace &e : tvWorkSpace) {
        if (!connections.contains(e.Connect))
            continue;
        TtvListItem *item = lstWorkSpace->AddItem(
            e.Title, {e.ObjectName, e.Schema, e.Connect, QString::number(e.oid), e.TableName});
        item->setIcon(0, MainImage(e.ObjectType));
        SetItemImageIndex(item, e.ObjectType);
        item->setData(0, TitleRole, e.Title);
    }
    lstWorkSpace->sortItems(0, Qt::AscendingOrder);
    lstWorkSpace->setUpdatesEnabled(true);
}

TfrmObject *TfrmMain::WorkSpaceDragSource(QObject *source) const
{
    if (!source)
        return nullptr;
    for (QWidget *w : MdiChildren()) {
        auto *f = dynamic_cast<TfrmObject *>(w);
        if (f && f->lstObject && (source == f->lstObject || source == f->lstObject->viewport()))
            return f;
    }
    return nullptr;
}

void TfrmMain::WorkSpaceDrop(TfrmObject *form)
{
    if (!form || !form->lstObject)
        return;
    LoadWorkSpace();
    const QString connect = form->ConnectionText();
    bool added = false;
    for (TtvListItem *item : form->lstObject->SelectedItems()) {
        TtvWorkSpace e;
        e.ObjectType = ItemImageIndex(item);
        e.ObjectName = item->Caption();
        e.Schema = item->SubItem(0);
        e.Connect = connect;
        e.oid = IsProgram(e.ObjectType) ? item->SubItem(8).toLongLong() : 0;
        e.TableName = WorkSpaceKeepsTableName(e.ObjectType) ? item->SubItem(11) : QString();
        const bool duplicate = std::any_of(tvWorkSpace.begin(), tvWorkSpace.end(), [&](const TtvWorkSpace &x) {
            if (!SameObject(x, e))
                return false;
            if ((e.ObjectType == 52 || e.ObjectType == 128) && x.oid != e.oid)
                return false;
            if (WorkSpaceKeepsTableName(e.ObjectType) && x.TableName != e.TableName)
                return false;
            return true;
        });
        if (duplicate)
            continue;
        if (e.ObjectType == 52 || e.ObjectType == 128)
            e.Title = e.ObjectName + QStringLiteral("(") + item->SubItem(3) + QStringLiteral(") (") + e.Schema +
                      QStringLiteral(")");
        else if (WorkSpaceKeepsTableName(e.ObjectType))
            e.Title = e.ObjectName + QStringLiteral(" (") + e.Schema + QStringLiteral(".") + e.TableName +
                      QStringLiteral(")");
        else
            e.Title = e.ObjectName + QStringLiteral(" (") + e.Schema + QStringLiteral(")");
        tvWorkSpace.push_back(e);
        added = true;
    }
    if (added) {
        SaveWorkSpace();
        ShowWorkSpace(nullptr);
    }
}

void TfrmMain::lstWorkSpaceEdited(QTreeWidgetItem *treeItem, const QString &text)
{
    auto *item = static_cast<TtvListItem *>(treeItem);
    const TtvWorkSpace key = EntryOf(item);
    if (text == key.Title)
        return;
    LoadWorkSpace();
    // The entry of exactly this item: overloads and same-named triggers of
    // other tables keep their titles.
    for (TtvWorkSpace &e : tvWorkSpace) {
        if (SameObject(e, key) && e.oid == key.oid && e.TableName == key.TableName) {
            e.Title = text;
            const QSignalBlocker block(lstWorkSpace);
            item->setData(0, TitleRole, text);
            SaveWorkSpace();
            return;
        }
    }
}

void TfrmMain::RemoveWorkSpaceItems()
{
    const QList<TtvListItem *> selected = lstWorkSpace->SelectedItems();
    if (selected.isEmpty())
        return;
    LoadWorkSpace();
    for (TtvListItem *item : selected) {
        const TtvWorkSpace key = EntryOf(item);
        for (auto it = tvWorkSpace.begin(); it != tvWorkSpace.end(); ++it) {
            if (SameObject(*it, key) && it->oid == key.oid && it->TableName == key.TableName) {
                tvWorkSpace.erase(it);
                break;
            }
        }
    }
    SaveWorkSpace();
    ShowWorkSpace(nullptr);
}

int TfrmMain::AskTopRecordCount()
{
    QString value = QString::number(tvOption.DefTopRecord);
    bool makeDefault = false;
    if (!InputQueryWithChecks(QApplication::applicationDisplayName(), QStringLiteral("レコード件数"), value, true,
                              {{QStringLiteral("既定値にする"), &makeDefault}}))
        return 0;
    if (value.trimmed().isEmpty())
        value = QStringLiteral("0");
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok)
        return 0;
    if (n > 0 && makeDefault)
        tvOption.DefTopRecord = n;
    return n;
}

namespace {
QString ProgramLookupSQL(int type, bool isEdb, int version, bool withOid)
{
    QString from, where;
    BuildObjectFromWhere(type, from, where, isEdb, version);
    QString sql = QStringLiteral("SELECT Prc.OID, Nms.nspname, Prc.proname\n") + from + QLatin1Char('\n');
    sql += where.trimmed().isEmpty() ? QStringLiteral("WHERE ") : where + QStringLiteral("\nAND ");
    sql += QStringLiteral("Nms.nspname = :OWNER AND Prc.proname = :FNCNM");
    if (withOid)
        sql += QStringLiteral(" AND Prc.OID = CAST(:OID AS oid)");
    return sql;
}
} // namespace

bool TfrmMain::FindWorkSpaceFunctionOid(TfrmObject *form, int type, const QString &name, const QString &schema,
                                        qint64 oid)
{
    tv::db::Query &q = form->OpenSQL(ProgramLookupSQL(type, form->g_bPostgresPlus(), form->DBVer(), true),
                                     {schema, name, QString::number(oid)});
    return !q.Eof();
}

QList<qint64> TfrmMain::FindWorkSpaceFunctionOids(TfrmObject *form, int type, const QString &name,
                                                  const QString &schema)
{
    tv::db::Query &q =
        form->OpenSQL(ProgramLookupSQL(type, form->g_bPostgresPlus(), form->DBVer(), false), {schema, name});
    QList<qint64> oids;
    while (!q.Eof()) {
        oids.append(q.Fields(0).AsInt64());
        q.Next();
    }
    return oids;
}

void TfrmMain::OpenWorkSpaceItems(bool execute, bool askCount, TOpenMode mode)
{
    bool openedByName = false;
    auto run = [&](TfrmObject *f, const TtvWorkSpace &e, int count, qint64 oid, const QString &table) {
        if (!execute) {
            TOpenObjectRequest r;
            r.ObjectType = e.ObjectType;
            r.Schema = e.Schema;
            r.ObjectName = e.ObjectName;
            r.OpenMode = mode;
            r.ShowRefObject = true;
            r.DefTopRecord = count;
            r.OID = oid;
            r.TableName = table;
            OpenObjectOn(f, r);
        } else if ((e.ObjectType >= 51 && e.ObjectType <= 54) || e.ObjectType == 128) {
            TLaunchContext c;
            c.Connection = f;
            c.MainWindow = this;
            c.Schema = e.Schema;
            c.ObjectName = e.ObjectName;
            c.ObjectType = e.ObjectType;
            c.OID = oid;
            Launch(QStringLiteral("TfrmExecProc"), c);
        }
    };
    for (TtvListItem *item : lstWorkSpace->SelectedItems()) {
        const TtvWorkSpace e = EntryOf(item);
        TfrmObject *f = GetDBForm(e.Connect);
        if (!f)
            continue;
        const int count = (mode == omData && askCount) ? AskTopRecordCount() : 0;
        if (IsProgram(e.ObjectType) && !FindWorkSpaceFunctionOid(f, e.ObjectType, e.ObjectName, e.Schema, e.oid)) {
            for (qint64 oid : FindWorkSpaceFunctionOids(f, e.ObjectType, e.ObjectName, e.Schema))
                run(f, e, count, oid, QString());
            openedByName = true;
            continue;
        }
        run(f, e, count, e.oid, e.TableName);
    }
    if (openedByName)
        ShowMessageBox(QStringLiteral("OID番号が一致するオブジェクトが見つからなかった為、") +
                           QStringLiteral("同じ名前のオブジェクトを全て開きました。") + QStringLiteral("\n") +
                           QStringLiteral("オブジェクトのOID番号が変わっている可能性がある為、") +
                           QStringLiteral("ワークスペースを登録し直して下さい。"),
                       tv::ui::MB_ICONWARNING);
}

void TfrmMain::SetWorkSpaceAlign(int align)
{
    if (lstWorkSpace->isHidden())
        return;
    WorkSpaceAlign = align;
    ApplyWorkSpaceAlign();
    if (!MdiChildren().isEmpty())
        ShowWorkSpace(nullptr);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstWorkSpace->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *e = static_cast<QDropEvent *>(event);
            if (WorkSpaceDragSource(e->source())) {
                e->acceptProposedAction();
            } else {
                e->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto *e = static_cast<QDropEvent *>(event);
            if (TfrmObject *f = WorkSpaceDragSource(e->source())) {
                e->acceptProposedAction();
                tv::ui::Guard([&] { WorkSpaceDrop(f); });
            } else {
                e->ignore();
            }
            return true;
        }
        default:
            break;
        }
    } else if (watched == lstWorkSpace && event->type() == QEvent::KeyPress) {
        // While a caption is being edited its editor has the keys.
        auto *k = static_cast<QKeyEvent *>(event);
        {
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                tv::ui::Guard([&] { OpenWorkSpaceItems(false, false, tvOption.OpenMode); });
                return true;
            }
            if (k->key() == Qt::Key_Delete) {
                tv::ui::Guard([&] { RemoveWorkSpaceItems(); });
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// User-command and report menus

void TfrmMain::SetCommandList()
{
    // Entries above the separator go; the built list comes in their place.
    for (QAction *a : mnuCommandMenu->actions()) {
        if (a == mnuTB1)
            break;
        mnuCommandMenu->removeAction(a);
        delete a;
    }
    const QList<TUserCommandFile> files = ListUserCommandFiles(tv::settings::DataDir() + QStringLiteral("usercmd"));
    QAction *before = mnuTB1;
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        auto *a = new QAction(it->Name, mnuCommandMenu);
        const TUserCommandInfo info = ReadUserCommandInfo(it->Path);
        a->setShortcut(tv::ui::ShortCutToKeySequence(info.ShortCut));
        a->setData(info.Seq); // Tag
        a->setProperty("Path", it->Path);
        connect(a, &QAction::triggered, this, [this, a] { mnuUserCommandClick(a); });
        mnuCommandMenu->insertAction(before, a);
        before = a;
    }
    // Every connection window copies the new menu.
    for (QWidget *w : MdiChildren())
        if (auto *f = dynamic_cast<TfrmObject *>(w))
            f->SetCommandList();
}

void TfrmMain::SetReportList()
{
    for (QAction *a : mnuReportMenu->actions()) {
        if (a == mnuTB2)
            break;
        mnuReportMenu->removeAction(a);
        delete a;
    }
    const QList<TUserCommandFile> files = ListMenuFiles(tv::settings::DataDir() + QStringLiteral("xlsdef"),
                                                        QStringLiteral(".def"));
    QAction *before = mnuTB2;
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        auto *a = new QAction(it->Name, mnuReportMenu);
        a->setData(ReadReportTag(it->Path, ReportServices().ItemIndex));
        a->setProperty("Path", it->Path);
        connect(a, &QAction::triggered, this, [this, a] { mnuReportClick(a); });
        mnuReportMenu->insertAction(before, a);
        before = a;
    }
    // Every connection window rebuilds its copy.
    for (QWidget *w : MdiChildren())
        if (auto *f = qobject_cast<TfrmObject *>(w))
            f->SetReportList();
}

void TfrmMain::SetHomePage()
{
    // The product has no pages of its own to open: no page has an address,
    // so the sub-menu has no entry and is left out of the help menu, with
    // its separator, instead of standing there empty.
    mnuHomePage->clear();
    const bool any = !mnuHomePage->actions().isEmpty();
    mnuHomePage->menuAction()->setVisible(any);
    mnuHomePageSep->setVisible(any);
}

void TfrmMain::mnuUserCommandClick(QAction *entry)
{
    if (cmbDBName->currentIndex() < 0)
        return;
    try {
        TLaunchContext c;
        c.Argument = entry->text();
        LaunchWindow(QStringLiteral("mnuUserCommand"), true, c);
    } catch (...) {
    }
}

void TfrmMain::mnuReportClick(QAction *entry)
{
    if (cmbDBName->currentIndex() < 0)
        return;
    try {
        TLaunchContext c;
        c.Argument = entry->text();
        c.ObjectType = entry->data().toInt();
        LaunchWindow(QStringLiteral("mnuReport"), true, c);
    } catch (...) {
    }
}
