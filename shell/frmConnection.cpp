#include "shell/frmConnection.h"

#include "common/MessageDlg.h"
#include "common/PasswordScrambler.h"
#include "controls/tvListView.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString VendorKey = QStringLiteral("\\Software\\Quenzor\\");
const QString CurrentVersionKey = QStringLiteral("TVX19");
constexpr int CurrentVersion = 19;
const QString DatabaseKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\DATABASE");
const QString LayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\CONNECTION");
constexpr int ColumnDefaults[] = {90, 110, 120, 110, 60};

} // namespace

const QStringList &TfrmConnection::FGuidList()
{
    static const QStringList list{
        QStringLiteral("TVX"),   QStringLiteral("TVXR"),   QStringLiteral("TVX2"),  QStringLiteral("TVX2R"),
        QStringLiteral("TVX3"),  QStringLiteral("TVX3R"),  QStringLiteral("TVX18"), QStringLiteral("TVX18R"),
        QStringLiteral("TVX19"), QStringLiteral("TVX19R"),
    };
    return list;
}

int TfrmConnection::VersionOfKey(const QString &name)
{
    QString rest = name;
    rest.remove(QStringLiteral("TVX"));
    rest.remove(QLatin1Char('R'));
    bool ok = false;
    const int v = rest.toInt(&ok);
    return ok ? v : 1;
}

TfrmConnection::TfrmConnection(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmConnection"));
    setWindowTitle(QStringLiteral("接続先リスト取込"));
    if (frmMain)
        setWindowIcon(frmMain->MainImage(8));
    resize(620, 360);

    lstUserID = new TtvListView(this);
    lstUserID->setObjectName(QStringLiteral("lstUserID"));
    lstUserID->SetMultiSelect(true);
    lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const char *columns[] = {"バージョン", "ユーザーID", "サーバー", "データベース", "スキーマ", "ポート"};
    for (int i = 0; i < 6; ++i)
        lstUserID->AddColumn(QString::fromUtf8(columns[i]), i < 5 ? ColumnDefaults[i] : 60);

    actImport = new QAction(QStringLiteral("取込(&I)"), this);
    actImport->setObjectName(QStringLiteral("actImport"));
    actExit = new QAction(QStringLiteral("終了(&X)"), this);
    actExit->setObjectName(QStringLiteral("actExit"));
    if (frmMain) {
        actImport->setIcon(frmMain->MainImage(28));
        actExit->setIcon(frmMain->MainImage(42));
    }
    auto *bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addAction(actImport);
    bar->addAction(actExit);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(bar);
    lay->addWidget(new QLabel(QStringLiteral(" 異なるバージョンのTalvexに登録された接続先リストを取り込みます"), this));
    lay->addWidget(lstUserID, 1);

    connect(actImport, &QAction::triggered, this, [this] { accept(); });
    connect(actExit, &QAction::triggered, this, [this] { reject(); });
    connect(lstUserID, &QTreeWidget::itemSelectionChanged, this,
            [this] { actImport->setEnabled(!lstUserID->selectedItems().isEmpty()); });
    actImport->setEnabled(false);
}

bool TfrmConnection::ShowWindow(TtvListView *AList)
{
    QWidget *owner = AList ? AList->window() : static_cast<QWidget *>(frmMain);
    TfrmConnection dlg(owner);
    dlg.LoadLayout();
    if (dlg.LoadOtherVersionProfiles() == 0) {
        ShowMessageBox(QStringLiteral("取込可能な接続情報が見つかりません。"), tv::ui::MB_ICONINFORMATION);
        throw tv::SilentAbort();
    }
    const int result = dlg.exec();
    tv::ui::Guard([&dlg] { dlg.SaveLayout(); });
    if (result != QDialog::Accepted)
        return false;
    dlg.ImportSelectedProfiles(AList);
    ShowMessageBox(QStringLiteral("接続情報を取り込みました。"), tv::ui::MB_ICONINFORMATION);
    return true;
}

int TfrmConnection::LoadOtherVersionProfiles()
{
    auto &reg = tv::settings::tvRegistry();
    lstUserID->clear();
    tv::settings::TRegistryKeyCloser closer;
    for (const QString &version : FGuidList()) {
        if (VersionOfKey(version) > CurrentVersion || version.compare(CurrentVersionKey, Qt::CaseInsensitive) == 0)
            continue;
        const QString base = VendorKey + version + QStringLiteral("\\DATABASE");
        if (!reg.KeyExists(base) || !reg.OpenKeyReadOnly(base))
            continue;
        const QStringList keys = reg.GetKeyNames();
        reg.CloseKey();
        for (const QString &key : keys) {
            if (!reg.OpenKeyReadOnly(base + QLatin1Char('\\') + key))
                continue;
            lstUserID->AddItem(version, {reg.GetString(QStringLiteral("UserID"), QString()),
                                         reg.GetString(QStringLiteral("Host"), QString()),
                                         reg.GetString(QStringLiteral("Database"), QString()),
                                         reg.GetString(QStringLiteral("Schema"), QString()),
                                         reg.GetString(QStringLiteral("Port"), QString()),
                                         UnscramblePassword(reg.GetString(QStringLiteral("Password"), QString()))});
            reg.CloseKey();
        }
    }
    return lstUserID->ItemCount();
}

void TfrmConnection::ImportSelectedProfiles(TtvListView *AList)
{
    const QList<TtvListItem *> selected = lstUserID->SelectedItems();
    if (selected.isEmpty())
        throw tv::SilentAbort();
    auto &reg = tv::settings::tvRegistry();
    QStringList sort;
    {
        tv::settings::TRegistryKeyCloser closer;
        if (reg.KeyExists(DatabaseKey) && reg.OpenKey(DatabaseKey, false))
            sort = tv::settings::TextToStrings(reg.GetString(QStringLiteral("Sort"), QString()));
    }
    for (TtvListItem *item : selected) {
        const QString user = item->SubItem(0), server = item->SubItem(1), db = item->SubItem(2),
                      schema = item->SubItem(3), port = item->SubItem(4), password = item->SubItem(5);
        bool duplicate = false;
        for (int i = 0; AList && i < AList->ItemCount() && !duplicate; ++i) {
            const TtvListItem *p = AList->Item(i);
            duplicate = p->Caption() == user && p->SubItem(0) == server && p->SubItem(1) == db &&
                        p->SubItem(2) == schema && p->SubItem(3) == port;
        }
        if (!duplicate) {
            QString name;
            for (int n = 0;; ++n) {
                name = QStringLiteral("DB%1").arg(n, 3, 10, QLatin1Char('0'));
                if (!sort.contains(name, Qt::CaseInsensitive) && !reg.KeyExists(DatabaseKey + QLatin1Char('\\') + name))
                    break;
            }
            bool written = false;
            {
                tv::settings::TRegistryKeyCloser closer;
                if (reg.OpenKey(DatabaseKey + QLatin1Char('\\') + name, true)) {
                    reg.WriteString(QStringLiteral("Database"), db);
                    reg.WriteString(QStringLiteral("Host"), server);
                    reg.WriteString(QStringLiteral("Password"), ScramblePassword(password));
                    reg.WriteString(QStringLiteral("Port"), port);
                    reg.WriteString(QStringLiteral("Schema"), schema);
                    reg.WriteString(QStringLiteral("UserID"), user);
                    reg.CloseKey();
                    written = true;
                }
            }
            if (written) {
                if (AList)
                    AList->AddItem(user, {server, db, schema, port, password, name});
                sort << name;
            }
        }
        item->setSelected(false);
    }
    tv::settings::TRegistryKeyCloser closer;
    if (reg.OpenKey(DatabaseKey, true)) {
        reg.WriteString(QStringLiteral("Sort"), tv::settings::StringsToText(sort));
        reg.CloseKey();
    }
}

void TfrmConnection::LoadLayout()
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(LayoutKey))
        return;
    tv::settings::TRegistryKeyCloser closer;
    if (!reg.OpenKey(LayoutKey, false))
        return;
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    for (int i = 0; i < 5; ++i)
        lstUserID->setColumnWidth(i, reg.GetInteger(QStringLiteral("Col%1").arg(i), ColumnDefaults[i]));
}

void TfrmConnection::SaveLayout()
{
    auto &reg = tv::settings::tvRegistry();
    tv::settings::TRegistryKeyCloser closer;
    if (!reg.OpenKey(LayoutKey, true))
        return;
    reg.WriteInteger(QStringLiteral("Width"), width());
    reg.WriteInteger(QStringLiteral("Height"), height());
    for (int i = 0; i < 5; ++i)
        reg.WriteInteger(QStringLiteral("Col%1").arg(i), lstUserID->columnWidth(i));
    reg.CloseKey();
}
