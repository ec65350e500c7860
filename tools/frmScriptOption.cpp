#include "tools/frmScriptOption.h"

#include "common/HTMLHelp.h"
#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "controls/tvRadioGroup.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ToolWidgets.h"
#include "tools/frmNameTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QStringList kPlaceItems{QStringLiteral("自身のスクリプトに追加"), QStringLiteral("別フォルダに出力"),
                              QStringLiteral("別ファイルに出力")};

// A check box whose click handler also runs when code changes its state.
QCheckBox *Check(const QString &caption, const char *name, QWidget *parent)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

} // namespace

TfrmScriptOption::TfrmScriptOption(QWidget *parent, IConnectionWindow *owner) : QDialog(parent), OwnerForm(owner)
{
    setObjectName(QStringLiteral("frmScriptOption"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    auto *lay = new QVBoxLayout(this);

    auto *grpDir = new QGroupBox(QStringLiteral(" 出力先 "), this);
    grpDir->setObjectName(QStringLiteral("grpDir"));
    auto *g = new QGridLayout(grpDir);
    chkOneScript = Check(QStringLiteral("同時に出力するスクリプトを一つにまとめる"), "chkOneScript", grpDir);
    chkDir = Check(QStringLiteral("タイプに応じたサブフォルダを作成する"), "chkDir", grpDir);
    g->addWidget(chkOneScript, 0, 0, 1, 3);
    g->addWidget(chkDir, 1, 0, 1, 3);
    lblNameTable = new QLabel(QStringLiteral("名前TBL"), grpDir);
    lblNameTable->setObjectName(QStringLiteral("lblNameTable"));
    auto *nameCombo = new TDropDownCombo(grpDir);
    nameCombo->OnDropDown = [this] { cmbNameTableDropDown(); };
    cmbNameTable = nameCombo;
    cmbNameTable->setObjectName(QStringLiteral("cmbNameTable"));
    cmbNameTable->setEditable(true);
    cmbNameTable->setMaxVisibleItems(20);
    btnNameTable = new QPushButton(QStringLiteral("設定"), grpDir);
    btnNameTable->setObjectName(QStringLiteral("btnNameTable"));
    btnNameTable->setAutoDefault(false);
    g->addWidget(lblNameTable, 2, 0);
    g->addWidget(cmbNameTable, 2, 1);
    g->addWidget(btnNameTable, 2, 2);
    auto *lblDir = new QLabel(QStringLiteral("出力先"), grpDir);
    txtDir = new QLineEdit(grpDir);
    txtDir->setObjectName(QStringLiteral("txtDir"));
    btnDialog = new QToolButton(grpDir);
    btnDialog->setObjectName(QStringLiteral("btnDialog"));
    btnDialog->setText(QStringLiteral("..."));
    g->addWidget(lblDir, 3, 0);
    g->addWidget(txtDir, 3, 1);
    g->addWidget(btnDialog, 3, 2);
    chkSameName = Check(QStringLiteral("すでに同じファイルが存在する場合は上書きする"), "chkSameName", grpDir);
    g->addWidget(chkSameName, 4, 0, 1, 3);
    lay->addWidget(grpDir);

    rdoOwner = new TtvRadioGroup(QStringLiteral(" スキーマ名の出力 "),
                                 {QStringLiteral("常に出力する"),
                                  QStringLiteral("オブジェクト所有者と違うスキーマの場合に出力する"),
                                  QStringLiteral("出力しない")},
                                 1, this);
    rdoOwner->setObjectName(QStringLiteral("rdoOwner"));
    lay->addWidget(rdoOwner);
    chkIndex = Check(QStringLiteral("テーブルスクリプトに従属インデックスも追加する"), "chkIndex", this);
    lay->addWidget(chkIndex);
    chkInsert = Check(QStringLiteral("テーブルスクリプト出力時、データも出力(INSERT文)"), "chkInsert", this);
    lay->addWidget(chkInsert);
    rdoInsert = new TtvRadioGroup(QString(), kPlaceItems, 3, this);
    rdoInsert->setObjectName(QStringLiteral("rdoInsert"));
    lay->addWidget(rdoInsert);
    chkStorage = Check(QStringLiteral("テーブルスクリプトに領域情報も追加する"), "chkStorage", this);
    lay->addWidget(chkStorage);
    chkListViewCol = Check(QStringLiteral("ビューのスクリプト出力時、項目名を出力する"), "chkListViewCol", this);
    lay->addWidget(chkListViewCol);
    chkGrant = Check(QStringLiteral("オブジェクト権限を出力する"), "chkGrant", this);
    lay->addWidget(chkGrant);
    rdoGrant = new TtvRadioGroup(QString(), kPlaceItems, 3, this);
    rdoGrant->setObjectName(QStringLiteral("rdoGrant"));
    lay->addWidget(rdoGrant);
    chkNullLine = Check(QStringLiteral("空白行を出力しない"), "chkNullLine", this);
    lay->addWidget(chkNullLine);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    // Neither button is the default: Enter and Esc do nothing special.
    for (QPushButton *b : {btnOk, btnCancel, btnHelp}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        buttons->addWidget(b);
    }
    lay->addLayout(buttons);

    // As designed.
    rdoInsert->setEnabled(false);
    rdoGrant->setEnabled(false);
    btnNameTable->setEnabled(false);
    chkSameName->setChecked(true);
    rdoOwner->SetItemIndex(1);

    connect(chkOneScript, &QCheckBox::toggled, this, [this] { chkOneScriptClick(); });
    connect(chkInsert, &QCheckBox::toggled, this, [this](bool on) { rdoInsert->setEnabled(on); });
    connect(chkGrant, &QCheckBox::toggled, this, [this](bool on) { rdoGrant->setEnabled(on); });
    connect(cmbNameTable, &QComboBox::editTextChanged, this, [this] { cmbNameTableChange(); });
    connect(btnOk, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(btnDialog, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnDialogClick(); }));
    connect(btnNameTable, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnNameTableClick(); }));
    connect(btnHelp, &QPushButton::clicked, this, tv::ui::Guarded([] { ShowHelpContext(20300); }));
}

QString TfrmScriptOption::Database() const
{
    return OwnerForm ? OwnerForm->dbsMain().Params().Database : QString();
}

QString TfrmScriptOption::NameTableEntry(const QString &Database)
{
    const QString prefix = Database + QLatin1Char('=');
    for (const QString &line : ScriptOption.NameTable)
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return QString();
}

void TfrmScriptOption::SetNameTableEntry(const QString &Database, const QString &Value)
{
    const QString prefix = Database + QLatin1Char('=');
    QStringList &list = ScriptOption.NameTable;
    int at = -1;
    for (int i = 0; i < list.size(); ++i)
        if (list.at(i).startsWith(prefix)) {
            at = i;
            break;
        }
    if (Value.isEmpty()) {
        if (at >= 0)
            list.removeAt(at);
    } else if (at >= 0) {
        list[at] = prefix + Value;
    } else {
        list.append(prefix + Value);
    }
}

QString TfrmScriptOption::NormalizePath(const QString &Text, bool OneScript)
{
    if (OneScript || Text.endsWith(QLatin1Char('/')))
        return Text;
    return Text.trimmed() + QLatin1Char('/');
}

void TfrmScriptOption::chkOneScriptClick()
{
    const bool one = chkOneScript->isChecked();
    chkDir->setEnabled(!one);
    cmbNameTable->setEnabled(!one && OwnerForm);
    if (one)
        chkDir->setChecked(false);
}

void TfrmScriptOption::cmbNameTableChange()
{
    btnNameTable->setEnabled(!cmbNameTable->currentText().trimmed().isEmpty() && OwnerForm);
}

void TfrmScriptOption::cmbNameTableDropDown()
{
    auto *f = dynamic_cast<TfrmObject *>(OwnerForm);
    if (!f)
        return;
    // The tables of the connection's default schema, without a schema.
    QStringList names;
    f->GetObject(names, f->dbsMain().Params().MetaDefSchema, QStringLiteral("TABLE"));
    const QSignalBlocker block(cmbNameTable);
    cmbNameTable->clear();
    cmbNameTable->addItems(names);
}

void TfrmScriptOption::SettingsToControls()
{
    const TScriptOption &o = ScriptOption;
    chkOneScript->setChecked(o.OneScript);
    chkOneScriptClick();
    chkDir->setChecked(o.Dir);
    txtDir->setText(o.Path);
    chkSameName->setChecked(o.SameName);
    if (OwnerForm)
        cmbNameTable->setEditText(NameTableEntry(Database()));
    rdoOwner->SetItemIndex(o.Owner);
    chkIndex->setChecked(o.Index);
    chkInsert->setChecked(o.Insert);
    rdoInsert->SetItemIndex(o.InsertMode);
    chkStorage->setChecked(o.Storage);
    chkListViewCol->setChecked(o.ViewCol);
    chkGrant->setChecked(o.Grant);
    rdoGrant->SetItemIndex(o.GrantMode);
    chkNullLine->setChecked(o.NullLine);
    cmbNameTableChange();
}

void TfrmScriptOption::ControlsToSettings()
{
    txtDir->setText(NormalizePath(txtDir->text(), chkOneScript->isChecked()));
    TScriptOption &o = ScriptOption;
    o.OneScript = chkOneScript->isChecked();
    o.Dir = chkDir->isChecked();
    o.SameName = chkSameName->isChecked();
    o.Path = txtDir->text();
    if (OwnerForm)
        SetNameTableEntry(Database(), cmbNameTable->currentText());
    o.Owner = rdoOwner->ItemIndex();
    o.Index = chkIndex->isChecked();
    o.Insert = chkInsert->isChecked();
    o.InsertMode = rdoInsert->ItemIndex();
    o.Storage = chkStorage->isChecked();
    o.ViewCol = chkListViewCol->isChecked();
    o.Grant = chkGrant->isChecked();
    o.GrantMode = rdoGrant->ItemIndex();
    o.NullLine = chkNullLine->isChecked();
}

void TfrmScriptOption::btnOkClick()
{
    const QString text = cmbNameTable->currentText();
    if (cmbNameTable->isEnabled() && !text.trimmed().isEmpty() && OwnerForm) {
        const QString table = QuoteIdentifierList(text, false, QStringLiteral("."));
        try {
            // Under a statement savepoint: a missing table leaves the
            // user's open transaction usable.
            tv::db::StatementSavepoint sp(OwnerForm->dbsMain());
            tv::db::Query &q = OwnerForm->OpenSQL(
                QStringLiteral("SELECT owner, object_name, object_type, script_name FROM ") + table);
            q.Close();
            sp.release();
        } catch (const tv::Error &e) {
            if (const auto *db = dynamic_cast<const tv::db::DbError *>(&e); db && db->connectionLost())
                throw;
            ShowMessageBox(QStringLiteral("名前TBL名が無効です。\r\n") + e.text(),
                           tv::ui::MB_ICONEXCLAMATION | tv::ui::MB_OK);
            cmbNameTable->setFocus();
            return;
        }
    }
    accept();
}

void TfrmScriptOption::btnDialogClick()
{
    if (chkOneScript->isChecked()) {
        QString path = txtDir->text();
        if (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        txtDir->setText(path);
        tv::ui::FileDialogRequest r;
        r.filter = QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*");
        r.fileName = path;
        r.overwritePrompt = true;
        r.mustExist = false;
        const QString chosen = tv::ui::CurrentDialogs().saveFile(r);
        if (!chosen.isEmpty())
            txtDir->setText(chosen);
    } else {
        QString chosen = tv::ui::CurrentDialogs().selectFolder(QStringLiteral("出力先を選択して下さい。"), txtDir->text());
        while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
            chosen.chop(1);
        if (!chosen.isEmpty())
            txtDir->setText(chosen);
    }
}

void TfrmScriptOption::btnNameTableClick()
{
    if (!OwnerForm)
        return;
    const QString db = Database();
    SetNameTableEntry(db, cmbNameTable->currentText());
    TfrmNameTable::ShowWindow(OwnerForm);
    cmbNameTable->setEditText(NameTableEntry(db));
}

bool TfrmScriptOption::ShowWindow(IConnectionWindow *AOwner, QString &ScriptPath, QString &NameTable)
{
    TfrmScriptOption dlg(AOwner ? AOwner->FormWidget()->window() : QApplication::activeWindow(), AOwner);
    dlg.setWindowTitle(QStringLiteral("スクリプト出力"));
    dlg.btnOk->setText(QStringLiteral("開始"));
    dlg.SettingsToControls();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    dlg.ControlsToSettings();
    ScriptPath = dlg.txtDir->text();
    NameTable = dlg.cmbNameTable->currentText();
    return true;
}

bool TfrmScriptOption::ShowWindow()
{
    TfrmScriptOption dlg(QApplication::activeWindow(), nullptr);
    dlg.setWindowTitle(QStringLiteral("スクリプト出力オプション"));
    dlg.btnOk->setText(QStringLiteral("OK"));
    dlg.SettingsToControls();
    dlg.lblNameTable->setEnabled(false);
    dlg.cmbNameTable->setEnabled(false);
    dlg.btnNameTable->setEnabled(false);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    dlg.ControlsToSettings();
    return true;
}

void TfrmScriptOption::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actToolScriptOption"), [](const TLaunchContext &) -> QWidget * {
        ShowWindow();
        return nullptr;
    });
    TfrmObject::RegisterScriptOptionDialog([](TfrmObject &owner, QString &path, QString &table) {
        return ShowWindow(&owner, path, table);
    });
}
