// The object list of the connection window: filling it from the selected
// tree node, its column widths, and printing the DDL of the selected objects.
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/WhereHistory.h"
#include "common/tvOption.h"
#include "controls/frmPrint.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/ResultSet.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectListModel.h"
#include "shell/ObjectListSQL.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QBuffer>
#include <QCollator>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QThreadPool>
#include <QToolButton>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString ObjectKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\OBJECT");
const QString TreeKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\OBJECTTREE\\");

// How often a growing list is repainted while it fills (and Esc is polled).
constexpr int RepaintIntervalMs = 150;
// Rows read ahead of the rest of a list: more than a screen holds.
constexpr int FirstRows = 200;

class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor &) = delete;
    OverrideCursor &operator=(const OverrideCursor &) = delete;
};

// Sorts items as TtvListView::Compare orders them by a text column, with
// one collation key per item instead of a locale comparison per pair. False
// (nothing done) where the list's own sort must decide: no sort column, a
// numeric column or a comparison hook.
bool SortByKeys(const TtvListView *list, QList<QTreeWidgetItem *> &items)
{
    const int id = list->SortID();
    const int m = std::abs(id);
    if (id == 0 || m > list->columnCount() || list->OnCompare || list->ColumnAlignment(m - 1) == Qt::AlignRight)
        return false;
    struct Keyed {
        QCollatorSortKey key;
        QTreeWidgetItem *item;
    };
    const QCollator collator;
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (QTreeWidgetItem *it : items) {
        auto *li = static_cast<TtvListItem *>(it);
        keyed.push_back({collator.sortKey(m == 1 ? li->Caption() : li->SubItem(m - 2)), it});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [id](const Keyed &a, const Keyed &b) {
        return id > 0 ? a.key.compare(b.key) < 0 : b.key.compare(a.key) < 0;
    });
    for (qsizetype i = 0; i < items.size(); ++i)
        items[i] = keyed[size_t(i)].item;
    return true;
}

// The widths of a list's columns under the names they are saved as: the view
// type followed by the column's position.
QList<std::pair<QString, int>> ColumnWidths(const TtvListView *list, const QString &viewType)
{
    QList<std::pair<QString, int>> widths;
    for (int i = 0; i < list->columnCount(); ++i)
        widths.append({viewType + QString::number(i), list->columnWidth(i)});
    return widths;
}

void WriteColumnWidths(const QList<std::pair<QString, int>> &widths)
{
    if (widths.isEmpty())
        return;
    auto &reg = tv::settings::tvRegistry();
    reg.OpenKey(ObjectKey, true);
    for (const auto &[name, width] : widths)
        reg.WriteInteger(name, width);
    reg.CloseKey();
}

// Frees items taken out of their list on a worker thread. Such an item
// belongs to no view and no parent, so freeing it touches nothing but its own
// memory and the reference counts of the texts and icons it shares; tens of
// thousands of them take longer to free than the server needs for the first
// screen of the next list.
void FreeTakenItems(QList<QTreeWidgetItem *> items)
{
    QThreadPool::globalInstance()->start([items = std::move(items)] { qDeleteAll(items); });
}

// Items taken out of a list, kept until release() hands them to
// FreeTakenItems (at the latest when this goes): the next list's first
// screen is built before they are freed.
class TakenItems {
public:
    TakenItems() = default;
    ~TakenItems() { release(); }
    TakenItems(const TakenItems &) = delete;
    TakenItems &operator=(const TakenItems &) = delete;
    void take(QList<QTreeWidgetItem *> items) { FItems += std::move(items); }
    void release()
    {
        if (!FItems.isEmpty())
            FreeTakenItems(std::exchange(FItems, {}));
    }

private:
    QList<QTreeWidgetItem *> FItems;
};

int Level(const QTreeWidgetItem *node)
{
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

} // namespace

void TfrmObject::ConnectObjectList()
{
    btnWhere = new QToolButton;
    btnWhere->setObjectName(QStringLiteral("btnWhere"));
    btnWhere->setToolTip(QStringLiteral("オブジェクト名検索"));
    btnWhere->setIcon(FMain->MainImage(23));
    if (auto *l = qobject_cast<QHBoxLayout *>(pnlFind->layout()))
        l->addWidget(btnWhere);
    connect(btnWhere, &QToolButton::clicked, this, [this] { tv::ui::Guard([this] { ShowObject(false); }); });
    if (QLineEdit *e = cmbFind->lineEdit())
        connect(e, &QLineEdit::returnPressed, this, [this] { tv::ui::Guard([this] { ShowObject(false); }); });
    connect(tvTree, &QTreeWidget::currentItemChanged, this,
            [this] { tv::ui::Guard([this] { ShowObject(false); }); });
}

void TfrmObject::SaveObjectColumnWidths()
{
    WriteColumnWidths(ColumnWidths(lstObject, FViewType));
}

void TfrmObject::ShowObject(bool IsGrep)
{
    // Esc polling runs the event loop: a click on another node meanwhile
    // waits for this listing instead of starting a second one inside it.
    if (FInShowObject)
        return;
    FInShowObject = true;
    struct Leave {
        bool &flag;
        ~Leave() { flag = false; }
    } leave{FInShowObject};

    OverrideCursor cursor(Qt::WaitCursor);
    // 1. Widths of the list shown so far. Writing the settings file waits for
    // the disk, so they are written when this listing ends, however it ends;
    // the new columns take them from here until then.
    struct SaveWidths {
        QList<std::pair<QString, int>> widths;
        ~SaveWidths()
        {
            try {
                WriteColumnWidths(widths);
            } catch (...) {
                // A settings store that cannot be written does not stop the listing.
            }
        }
    } shownWidths{ColumnWidths(lstObject, FViewType)};
    // 2. An empty list.
    qryObject->Close();
    qryObject->SQLClear();
    TakenItems oldItems;
    {
        const QSignalBlocker block(lstObject);
        oldItems.take(lstObject->invisibleRootItem()->takeChildren());
        lstObject->clear();
        lstObject->setColumnCount(0);
    }

    // 3. The node's scope.
    QTreeWidgetItem *node = tvTree->currentItem();
    if (!node)
        return;
    const tv::db::ConnectionParams &p = FdbsMain->Params();
    const QString loginSchema = DequoteIdentifier(p.MetaDefSchema);
    const TObjectNodeScope scope =
        ObjectNodeScope(Level(node), tvOption.TreeSort == 1, node->text(0), node->parent() ? node->parent()->text(0) : QString(),
                        Disp, loginSchema, tvOption.ShowLevel0, tvOption.ShowLevel1);
    if (!scope.List)
        return;
    QStringList configured;
    auto &reg = tv::settings::tvRegistry();
    const QString treeKey = TreeKey + tv::settings::EscapeKeyName(p.Database);
    if (reg.KeyExists(treeKey) && reg.OpenKey(treeKey, false)) {
        configured = tv::settings::TextToStrings(reg.GetString(QStringLiteral("Schema"), QString()));
        reg.CloseKey();
    }

    // 4. Conditions; the find history.
    TObjectListQuery q;
    q.SchemaCondition = ObjectListSchemaCondition(scope.SchemaText, Disp, configured);
    const QString findText = cmbFind->currentText();
    q.NamePattern = ObjectListNamePattern(tvOption.Find, tvOption.FindAuto, findText, IsGrep);
    if (!IsGrep && tvOption.Find && !findText.isEmpty()) {
        QStringList items;
        for (int i = 0; i < cmbFind->count(); ++i)
            items << cmbFind->itemText(i);
        items = PushFindHistory(items, findText);
        const QSignalBlocker block(cmbFind);
        cmbFind->clear();
        cmbFind->addItems(items);
        cmbFind->setCurrentIndex(0);
        SaveWhereHistory(QStringLiteral("%"), QStringLiteral("%"), items);
    }

    // 5, 6. Statement and columns.
    const QString typeText = scope.TypeText;
    g_TreeDispState = typeText;
    const bool treeData = tvOption.TreeData;
    q.DBName = FDBName;
    q.DBVer = FDBVer;
    q.IsEdb = FPostgresPlus;
    q.TreeData = treeData;
    const QString sql = BuildObjectListSQL(typeText, q);
    FViewType = ObjectListViewType(typeText, treeData);
    const QList<TObjectListColumn> columns = ObjectListColumns(typeText, treeData);
    {
        reg.OpenKey(ObjectKey, true);
        for (const TObjectListColumn &c : columns) {
            int width = reg.GetInteger(c.ValueName, c.Width);
            for (const auto &[name, shown] : std::as_const(shownWidths.widths))
                if (name.compare(c.ValueName, Qt::CaseInsensitive) == 0)
                    width = shown;
            lstObject->AddColumn(c.Caption, width, c.Alignment);
        }
        reg.CloseKey();
    }
    if (sql.isEmpty())
        return;

    // 7. Progress and the status line.
    const QSignalBlocker block(lstObject);
    FMain->SetLoopMessage(0, 0);
    const bool progress = tvOption.Progress;
    if (!progress)
        lstObject->setUpdatesEnabled(false);
    struct Finish {
        TfrmObject *f;
        bool progress;
        ~Finish()
        {
            if (!progress)
                f->lstObject->setUpdatesEnabled(true);
            f->qryObject->Close();
            f->FMain->SetDefMessage();
        }
    } finish{this, progress};
    tv::ui::ClearEscape();

    // 8. Type names of routine arguments, read once the listing statement is
    // open (the server plans that statement in about half the time when this
    // read does not come just before it): before the first routine row is
    // built, else before the rest of the rows are fetched.
    TTypeMap types;
    const bool routines = typeText == QLatin1String("%") || typeText == QLatin1String("FUNCTION") ||
                          typeText == QLatin1String("PROCEDURE") || typeText == QLatin1String("AGGREGATE");
    bool typesRead = !routines;
    const auto readTypes = [&] {
        if (typesRead)
            return;
        typesRead = true;
        // Only the types that routine arguments use: a database with many
        // tables has tens of thousands of row and array types.
        qryObject2->SetSQL(QStringLiteral(" SELECT  TY.oid,        TY.typname,        NA.nspname FROM    pg_type TY"
                                          " LEFT JOIN pg_namespace NA ON TY.typnamespace = NA.oid"
                                          " WHERE TY.oid IN (SELECT unnest(Prc.proargtypes::oid[]"
                                          " || COALESCE(Prc.proallargtypes, '{}'::oid[])) FROM pg_proc Prc)"
                                          " ORDER BY TY.oid"));
        qryObject2->Open();
        const std::shared_ptr<tv::db::ResultSet> rs = qryObject2->Results();
        const int n = rs ? rs->rowCount() : 0;
        types.reserve(n);
        for (int r = 0; r < n; ++r)
            types.insert(rs->text(r, 0).toLongLong(), {rs->text(r, 1), rs->text(r, 2)});
        qryObject2->Close();
    };

    TObjectListRowBuilder builder(typeText, treeData, loginSchema, &types);
    // Values of a detailed sequence list: from 10 on, one read of
    // pg_sequences serves every row.
    QHash<QString, QStringList> sequenceValues;
    if (treeData && typeText == QLatin1String("SEQUENCE")) {
        if (FDBVer >= 100000) {
            try {
                tv::db::StatementSavepoint sp(*FdbsMain);
                tv::db::Query &s = OpenSQL(QStringLiteral(
                    "SELECT schemaname, sequencename, last_value, min_value, max_value, increment_by,"
                    " CASE WHEN cycle THEN 'YES' ELSE 'NO' END CYCLED, cache_size FROM pg_sequences"));
                const std::shared_ptr<tv::db::ResultSet> rs = s.Results();
                for (int r = 0; rs && r < rs->rowCount(); ++r) {
                    QStringList v;
                    for (int c = 2; c < 8; ++c)
                        v << rs->text(r, c);
                    sequenceValues.insert(rs->text(r, 0) + QLatin1Char('\n') + rs->text(r, 1), v);
                }
                qryExec->Close();
                sp.release();
            } catch (const tv::db::DbError &e) {
                if (e.connectionLost())
                    throw;
            }
            builder.SequenceValues = [&sequenceValues](const QString &schema, const QString &name) {
                return sequenceValues.value(schema + QLatin1Char('\n') + name);
            };
        } else {
            builder.SequenceValues = [this](const QString &schema, const QString &name) {
                QStringList v;
                try {
                    tv::db::StatementSavepoint sp(*FdbsMain);
                    tv::db::Query &s = OpenSQL(
                        QStringLiteral("SELECT last_value, min_value, max_value, increment_by, CASE WHEN is_cycled"
                                       " THEN 'YES' ELSE 'NO' END CYCLED, cache_value FROM ") +
                        QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(name));
                    if (!s.Eof())
                        for (int c = 0; c < 6; ++c)
                            v << s.Fields(c).AsString();
                    qryExec->Close();
                    sp.release();
                } catch (const tv::db::DbError &e) {
                    if (e.connectionLost())
                        throw;
                    v.clear();
                }
                return v;
            };
        }
    }

    // 9. The rows, through a cursor: the first screen of rows comes back at
    // once and shows while the server reads the rest. The cursor lives in a
    // block of its own that is undone afterwards, so the user's transaction
    // is left as it was (and an Esc that cancels the read does not abort it).
    qryObject->SetSQL(sql);
    QHash<int, QIcon> icons;
    QList<QTreeWidgetItem *> pending;
    pending.reserve(progress ? FirstRows : 4096);
    QElapsedTimer clock;
    clock.start();
    bool stopped = false;
    QStringList f;
    QString kind;
    int code = -1;
    const auto addRows = [&](const tv::db::ResultSet &rs) {
        const int rows = rs.rowCount();
        const int fields = rs.fieldCount();
        for (int r = 0; r < rows; ++r) {
            if (clock.elapsed() >= RepaintIntervalMs) {
                clock.restart();
                if (progress && !pending.isEmpty()) {
                    lstObject->addTopLevelItems(pending);
                    pending.clear();
                    lstObject->viewport()->repaint();
                }
                if (tv::ui::EscapePressed()) {
                    stopped = true;
                    return;
                }
            }
            f.clear();
            for (int c = 0; c < fields; ++c)
                f << rs.text(r, c);
            // The rows come kind after kind.
            if (f.value(0) != kind) {
                kind = f.value(0);
                code = ObjectTypeFromName(kind);
                if (code == 51 || code == 52 || code == 128) // procedure, function, aggregate
                    readTypes();
            }
            auto *item = new TtvListItem(f.value(1), builder.SubItems(f));
            SetItemImageIndex(item, code);
            auto icon = icons.find(code);
            if (icon == icons.end())
                icon = icons.insert(code, FMain->MainImage(code));
            item->setIcon(0, *icon);
            pending << item;
        }
    };
    try {
        tv::db::ProtectedBlock cursorBlock(*FdbsMain);
        FdbsMain->Exec(QStringLiteral("DECLARE tv_object_list NO SCROLL CURSOR FOR ") + sql);
        const std::shared_ptr<tv::db::PgResultSet> first =
            FdbsMain->Exec(QStringLiteral("FETCH ") + QString::number(FirstRows) + QStringLiteral(" FROM tv_object_list"));
        addRows(*first);
        // Fewer rows than asked for: the list is complete.
        const bool more = first->rowCount() >= FirstRows;
        if (progress && !pending.isEmpty()) {
            SortByKeys(lstObject, pending);
            lstObject->addTopLevelItems(pending);
            pending.clear();
            lstObject->viewport()->repaint();
        }
        oldItems.release();
        if (more && !stopped) {
            readTypes();
            addRows(*FdbsMain->Exec(QStringLiteral("FETCH ALL FROM tv_object_list")));
        }
    } catch (const tv::db::DbError &e) {
        // Esc while the server works: the list keeps what came so far. Any
        // other failure keeps them too, and is raised.
        if (e.sqlState() != QLatin1String(tv::db::sqlstate::QueryCanceled)) {
            lstObject->addTopLevelItems(pending);
            throw;
        }
    }
    // 10. One sort at the end.
    if (lstObject->topLevelItemCount() > 0) {
        pending = lstObject->invisibleRootItem()->takeChildren() + pending;
    }
    if (SortByKeys(lstObject, pending)) {
        lstObject->addTopLevelItems(pending);
    } else {
        lstObject->addTopLevelItems(pending);
        lstObject->CustomSort();
    }
}

void TfrmObject::PrintSelectedObjects()
{
    if (lstObject->selectedItems().isEmpty())
        return;
    OverrideCursor cursor(Qt::BusyCursor);
    const QList<TtvListItem *> selected = lstObject->SelectedItems();
    const QSignalBlocker block(lstObject);
    TfrmPrint::BeginPrint();
    struct End {
        TfrmObject *f;
        ~End()
        {
            TfrmPrint::EndPrint();
            f->FMain->SetDefMessage();
        }
    } end{this};
    tv::ui::ClearEscape();
    int count = 0;
    for (TtvListItem *item : selected) {
        if (tv::ui::EscapePressed())
            break;
        ++count;
        lstObject->scrollToItem(item);
        FMain->SetLoopMessage(count, int(selected.size()));
        const int image = ItemImageIndex(item);
        const QString schema = item->SubItem(0);
        const QString name = item->Caption();
        if (image == 73 || image == 74) {
            item->setSelected(false);
            continue;
        }
        if (image == 46) {
            // An index that backs a primary-key or unique constraint is
            // printed with its table.
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
            if (backing) {
                item->setSelected(false);
                continue;
            }
        }
        const QString kind = item->SubItem(1);
        const int code = ObjectTypeFromName(kind);
        qint64 oid = -1;
        QString table;
        if (kind == QLatin1String("FUNCTION") || kind == QLatin1String("AGGREGATE") ||
            kind == QLatin1String("PROCEDURE"))
            oid = item->SubItem(8).toLongLong();
        else if (kind == QLatin1String("TRIGGER") || kind == QLatin1String("RULE") || kind == QLatin1String("CONSTRAINT"))
            table = item->SubItem(11);
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        OutputScript(code, schema, name, stream, QString(), QString(), oid, table);
        const QByteArray bytes = stream.data();
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QStringList lines = text.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        TfrmPrint::PrintSource(schema + QLatin1Char('.') + name, lines, true);
        item->setSelected(false);
    }
}
