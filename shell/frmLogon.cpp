#include "shell/frmLogon.h"

#include "common/MessageDlg.h"
#include "common/PasswordScrambler.h"
#include "common/TextUtil.h"
#include "common/WindowBounds.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/frmConnection.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString DatabaseKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\DATABASE");
const QString SizeKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\LOGON");
const TWindowBoundsRules SizeOnly{.Position = false};

enum ProfileField { SubServer = 0, SubDatabase = 1, SubSchema = 2, SubPort = 3, SubPassword = 4, SubKey = 5 };

} // namespace

TfrmLogon::TfrmLogon(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmLogon"));
    setWindowTitle(QStringLiteral("ログオン"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMinimumSize(220, 400);
    resize(420, 460);

    auto edit = [this](const char *name) {
        auto *e = new TtvStrEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(255);
        return e;
    };
    txtUserID = edit("txtUserID");
    txtPassword = edit("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtDatabase = edit("txtDatabase");
    txtSchema = edit("txtSchema");
    txtHost = edit("txtHost");
    txtPort = new TtvNumEdit(this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setMaxLength(5);
    chkSave = new QCheckBox(QStringLiteral("接続先リストに登録する"), this);
    chkSave->setObjectName(QStringLiteral("chkSave"));
    chkSave->setChecked(false);

    lstUserID = new TtvListView(this);
    lstUserID->setObjectName(QStringLiteral("lstUserID"));
    lstUserID->SetMultiSelect(false);
    lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstUserID->AddColumn(QStringLiteral("ユーザーID"), 100);
    lstUserID->AddColumn(QStringLiteral("サーバー"), 120);
    lstUserID->AddColumn(QStringLiteral("データベース"), 100);
    lstUserID->AddColumn(QStringLiteral("スキーマ"), 100);
    lstUserID->AddColumn(QStringLiteral("ポート"), 60);
    lstUserID->installEventFilter(this);

    auto action = [this](const char *name, const QString &text, int image) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        if (image >= 0 && frmMain)
            a->setIcon(frmMain->MainImage(image));
        addAction(a);
        return a;
    };
    actOk = action("actOk", QStringLiteral("接続"), -1);
    actCancel = action("actCancel", QStringLiteral("キャンセル"), -1);
    actUp = action("actUp", QStringLiteral("上へ移動"), 35);
    actDown = action("actDown", QStringLiteral("下へ移動"), 36);
    actDel = action("actDel", QStringLiteral("削除"), 41);
    actImport = action("actImport", QStringLiteral("接続先リストの取込"), 8);

    btnOk = new QPushButton(actOk->text(), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(actCancel->text(), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *form = new QGridLayout;
    const struct {
        const char *label;
        QWidget *edit;
    } rows[] = {
        {"ユーザーＩＤ", txtUserID}, {"パスワード", txtPassword}, {"データベース", txtDatabase},
        {"接続スキーマ", txtSchema}, {"サーバー", txtHost},       {"ポート", txtPort},
    };
    int r = 0;
    for (const auto &row : rows) {
        auto *l = new QLabel(QString::fromUtf8(row.label), this);
        l->setBuddy(row.edit);
        form->addWidget(l, r, 0);
        form->addWidget(row.edit, r, 1);
        ++r;
    }
    form->addWidget(chkSave, r, 1);

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tlbLogon"));
    bar->addAction(actUp);
    bar->addAction(actDown);
    bar->addAction(actDel);
    bar->addAction(actImport);
    auto *listHead = new QHBoxLayout;
    listHead->addWidget(new QLabel(QStringLiteral("接続先リスト"), this));
    listHead->addStretch(1);
    listHead->addWidget(bar);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(listHead);
    lay->addWidget(lstUserID, 1);
    lay->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, tv::ui::Guarded([this] { actOk->trigger(); }));
    connect(btnCancel, &QPushButton::clicked, this, [this] { actCancel->trigger(); });
    connect(actOk, &QAction::triggered, this, tv::ui::Guarded([this] { actOkExecute(); }));
    connect(actCancel, &QAction::triggered, this, [this] { reject(); });
    connect(actUp, &QAction::triggered, this, tv::ui::Guarded([this] { actUpExecute(); }));
    connect(actDown, &QAction::triggered, this, tv::ui::Guarded([this] { actDownExecute(); }));
    connect(actDel, &QAction::triggered, this, tv::ui::Guarded([this] { actDelExecute(); }));
    connect(actImport, &QAction::triggered, this, tv::ui::Guarded([this] { actImportExecute(); }));
    connect(lstUserID, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actOkExecute(); }));
    connect(lstUserID, &QTreeWidget::itemSelectionChanged, this, tv::ui::Guarded([this] {
                lstUserIDSelect();
                UpdateActions();
            }));
    for (TtvStrEdit *e : {txtUserID, txtPassword})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdateActions(); });
    UpdateActions();
}

// ---------------------------------------------------------------------------
// Opening the dialog and logging on

bool TfrmLogon::ShowWindow(const QString &Host, const QString &Port, const QString &DBName, const QString &Schema,
                           const QString &UserID, const QString &Password, bool AutoPass)
{
    if (!frmMain)
        return false;
    QString host = Host, port = Port, db = DBName, schema = Schema, user = UserID, password = Password;
    bool autoPass = AutoPass;
    // A failed logon offers a new dialog with the values typed: a loop, so a
    // user who keeps retrying builds up nothing.
    for (;;) {
        TfrmLogon dlg(frmMain);
        auto &reg = tv::settings::tvRegistry();
        if (!user.isEmpty()) {
            dlg.txtUserID->setText(user.trimmed());
            dlg.txtPassword->setText(password.trimmed());
            dlg.txtDatabase->setText(db.trimmed());
            dlg.txtSchema->setText(schema.trimmed());
            dlg.txtHost->setText(host.trimmed());
            dlg.txtPort->setText(port.trimmed());
        } else if (reg.KeyExists(DatabaseKey) && reg.OpenKey(DatabaseKey, false)) {
            tv::settings::TRegistryKeyCloser closer;
            dlg.txtUserID->setText(reg.GetString(QStringLiteral("UserID"), QString()));
            dlg.txtDatabase->setText(reg.GetString(QStringLiteral("Database"), QString()));
            dlg.txtHost->setText(reg.GetString(QStringLiteral("Host"), QString()));
            dlg.txtPort->setText(reg.GetString(QStringLiteral("Port"), QString()));
            dlg.txtSchema->setText(reg.GetString(QStringLiteral("Schema"), QString()));
        }
        dlg.LoadProfileList();
        dlg.LoadSize();
        dlg.txtDatabase->deselect();
        if (!autoPass) {
            if (frmMain->isVisible()) {
                const QPoint c = frmMain->geometry().center();
                dlg.move(c - QPoint(dlg.width() / 2, dlg.height() / 2));
            }
            if (dlg.exec() != QDialog::Accepted)
                return false;
        }
        tv::ui::Guard([&dlg] { dlg.SaveSize(); });
        host = dlg.txtHost->text();
        port = dlg.txtPort->text();
        db = dlg.txtDatabase->text();
        schema = dlg.txtSchema->text();
        user = dlg.txtUserID->text();
        password = dlg.txtPassword->text();
        try {
            TfrmObject::Create(frmMain, host, port, db, schema, user, password);
        } catch (const tv::SilentAbort &) {
            return false;
        } catch (const tv::Error &e) {
            tv::ui::ShowError(e.text());
            autoPass = false;
            continue;
        } catch (const std::exception &e) {
            tv::ui::ShowError(QString::fromUtf8(e.what()));
            autoPass = false;
            continue;
        }
        // The window exists: a profile that cannot be stored is reported,
        // it does not undo the logon.
        tv::ui::Guard([&dlg] { dlg.SaveProfiles(true); });
        return true;
    }
}

void TfrmLogon::actOkExecute()
{
    for (TtvStrEdit *e : {txtUserID, txtPassword, txtDatabase, txtSchema, txtHost})
        e->setText(e->text().trimmed());
    txtPort->setText(txtPort->text().trimmed());
    const struct {
        QLineEdit *edit;
        const char *name;
    } required[] = {
        {txtUserID, "ユーザー名"}, {txtDatabase, "データベース"}, {txtHost, "ホスト"}, {txtPort, "ポート"},
    };
    for (const auto &r : required) {
        if (r.edit->text().isEmpty()) {
            ShowMessageBoxFmt(QStringLiteral("%sを入力して下さい。"), {QString::fromUtf8(r.name)},
                              tv::ui::MB_ICONEXCLAMATION);
            r.edit->setFocus();
            return;
        }
    }
    bool ok = false;
    const int port = txtPort->text().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        ShowMessageBox(QStringLiteral("ポートの範囲は1～65535です。"), tv::ui::MB_ICONEXCLAMATION);
        txtPort->setFocus();
        return;
    }
    accept();
}

// ---------------------------------------------------------------------------
// Profiles

bool TfrmLogon::ProfileMatches(const TtvListItem *item) const
{
    return item->Caption() == txtUserID->text() && item->SubItem(SubDatabase) == txtDatabase->text() &&
           item->SubItem(SubServer).compare(txtHost->text(), Qt::CaseInsensitive) == 0 &&
           item->SubItem(SubSchema) == txtSchema->text() &&
           item->SubItem(SubPort).compare(txtPort->text(), Qt::CaseInsensitive) == 0;
}

void TfrmLogon::LoadProfileList()
{
    FindPostgreSQLLocation();
    const QSignalBlocker block(lstUserID);
    lstUserID->clear();
    auto &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(DatabaseKey))
        return;
    QStringList keys, sort;
    {
        tv::settings::TRegistryKeyCloser closer;
        if (!reg.OpenKey(DatabaseKey, false))
            return;
        keys = reg.GetKeyNames();
        sort = tv::settings::TextToStrings(reg.GetString(QStringLiteral("Sort"), keys.join(QStringLiteral("\r\n"))));
    }
    QStringList order;
    for (const QString &name : sort)
        if (keys.contains(name, Qt::CaseInsensitive) && !order.contains(name, Qt::CaseInsensitive))
            order << name;
    for (const QString &name : keys)
        if (!order.contains(name, Qt::CaseInsensitive))
            order << name;

    QString matched;
    bool anyMatch = false;
    for (const QString &name : order) {
        tv::settings::TRegistryKeyCloser closer;
        if (!reg.OpenKey(DatabaseKey + QLatin1Char('\\') + name, false))
            continue;
        const QString user = reg.GetString(QStringLiteral("UserID"), QString());
        const QStringList sub{reg.GetString(QStringLiteral("Host"), QString()),
                              reg.GetString(QStringLiteral("Database"), QString()),
                              reg.GetString(QStringLiteral("Schema"), QString()),
                              reg.GetString(QStringLiteral("Port"), QString()),
                              UnscramblePassword(reg.GetString(QStringLiteral("Password"), QString())),
                              name};
        TtvListItem *item = lstUserID->AddItem(user, sub);
        if (ProfileMatches(item)) {
            matched = sub.at(SubPassword);
            anyMatch = true;
        }
    }
    if (anyMatch)
        txtPassword->setText(matched);
    UpdateActions();
}

void TfrmLogon::SaveProfiles(bool Connected)
{
    auto &reg = tv::settings::tvRegistry();
    {
        tv::settings::TRegistryKeyCloser closer;
        if (!reg.OpenKey(DatabaseKey, true))
            throw tv::Error(QStringLiteral("接続先リストを保存できません。"));
        if (Connected) {
            reg.WriteString(QStringLiteral("UserID"), txtUserID->text());
            reg.WriteString(QStringLiteral("Database"), txtDatabase->text());
            reg.WriteString(QStringLiteral("Host"), txtHost->text());
            reg.WriteString(QStringLiteral("Port"), txtPort->text());
            reg.WriteString(QStringLiteral("Schema"), txtSchema->text());
        }
        QStringList order;
        for (int i = 0; i < lstUserID->ItemCount(); ++i)
            order << lstUserID->Item(i)->SubItem(SubKey);
        reg.WriteString(QStringLiteral("Sort"), tv::settings::StringsToText(order));
        reg.CloseKey();
    }
    if (!chkSave->isChecked())
        return;
    for (int i = 0; i < lstUserID->ItemCount(); ++i) {
        TtvListItem *item = lstUserID->Item(i);
        if (!ProfileMatches(item))
            continue;
        tv::settings::TRegistryKeyCloser closer;
        if (reg.OpenKey(DatabaseKey + QLatin1Char('\\') + item->SubItem(SubKey), false)) {
            reg.WriteString(QStringLiteral("Password"), ScramblePassword(txtPassword->text()));
            reg.CloseKey();
        }
        return;
    }
    if (!Connected)
        return;
    QString name;
    for (int n = 0;; ++n) {
        name = QStringLiteral("DB%1").arg(n, 3, 10, QLatin1Char('0'));
        if (!reg.KeyExists(DatabaseKey + QLatin1Char('\\') + name))
            break;
    }
    tv::settings::TRegistryKeyCloser closer;
    if (!reg.OpenKey(DatabaseKey + QLatin1Char('\\') + name, true))
        throw tv::Error(QStringLiteral("接続先リストを保存できません。"));
    reg.WriteString(QStringLiteral("UserID"), txtUserID->text());
    reg.WriteString(QStringLiteral("Database"), txtDatabase->text());
    reg.WriteString(QStringLiteral("Password"), ScramblePassword(txtPassword->text()));
    reg.WriteString(QStringLiteral("Host"), txtHost->text());
    reg.WriteString(QStringLiteral("Port"), txtPort->text());
    reg.WriteString(QStringLiteral("Schema"), txtSchema->text());
    reg.CloseKey();
}

void TfrmLogon::lstUserIDSelect()
{
    TtvListItem *item = lstUserID->Selected();
    if (!item || !item->isSelected())
        return;
    txtUserID->setText(item->Caption());
    txtDatabase->setText(item->SubItem(SubDatabase));
    txtPassword->setText(item->SubItem(SubPassword));
    txtHost->setText(item->SubItem(SubServer));
    txtPort->setText(item->SubItem(SubPort));
    txtSchema->setText(item->SubItem(SubSchema));
}

void TfrmLogon::MoveSelected(int delta)
{
    TtvListItem *item = lstUserID->Selected();
    if (!item)
        return;
    const int from = lstUserID->indexOfTopLevelItem(item);
    const int to = from + delta;
    if (to < 0 || to >= lstUserID->ItemCount())
        return;
    {
        const QSignalBlocker block(lstUserID);
        lstUserID->takeTopLevelItem(from);
        lstUserID->insertTopLevelItem(to, item);
        lstUserID->setCurrentItem(item);
        item->setSelected(true);
    }
    lstUserID->setFocus();
    UpdateActions();
}

void TfrmLogon::actUpExecute()
{
    MoveSelected(-1);
}

void TfrmLogon::actDownExecute()
{
    MoveSelected(1);
}

void TfrmLogon::actDelExecute()
{
    TtvListItem *item = lstUserID->Selected();
    if (!item)
        return;
    tv::settings::tvRegistry().DeleteKey(DatabaseKey + QLatin1Char('\\') + item->SubItem(SubKey));
    delete item;
    UpdateActions();
}

void TfrmLogon::actImportExecute()
{
    const bool save = chkSave->isChecked();
    chkSave->setChecked(true);
    try {
        SaveProfiles(false);
    } catch (...) {
        chkSave->setChecked(save);
        throw;
    }
    chkSave->setChecked(save);
    LoadProfileList();
    if (TfrmConnection::ShowWindow(lstUserID))
        LoadProfileList();
}

void TfrmLogon::UpdateActions()
{
    const bool ok = !txtUserID->text().isEmpty() && !txtPassword->text().isEmpty();
    actOk->setEnabled(ok);
    btnOk->setEnabled(ok);
    TtvListItem *item = lstUserID->Selected();
    const int index = item ? lstUserID->indexOfTopLevelItem(item) : -1;
    actUp->setEnabled(item && index > 0);
    actDown->setEnabled(item && index >= 0 && index < lstUserID->ItemCount() - 1);
    actDel->setEnabled(item != nullptr);
    actImport->setEnabled(true);
}

bool TfrmLogon::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == lstUserID && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->modifiers() == Qt::NoModifier || k->modifiers() == Qt::KeypadModifier) {
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                tv::ui::Guard([this] { actOkExecute(); });
                return true;
            }
            if (k->key() == Qt::Key_Delete) {
                if (actDel->isEnabled())
                    actDel->trigger();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------
// Size

void TfrmLogon::LoadSize()
{
    LoadWindowBounds(*this, SizeKey, SizeOnly);
}

void TfrmLogon::SaveSize()
{
    SaveWindowBounds(*this, SizeKey, SizeOnly);
}
