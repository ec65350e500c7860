#include "shell/frmUserCommand.h"

#include "common/ControlStyle.h"
#include "common/MessageDlg.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ShortCut.h"
#include "shell/UserCommand.h"
#include "shell/UserCommandFiles.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

TfrmUserCommand::TfrmUserCommand(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmUserCommand"));
    setWindowTitle(QStringLiteral("ユーザー定義コマンド"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    resize(632, 406);
    auto *v = new QVBoxLayout(this);
    tlbMain = new QToolBar(this);
    tlbMain->setObjectName(QStringLiteral("tlbMain"));
    tlbMain->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [this](QAction *&a, const char *name, const char *text, const char *hint, void (TfrmUserCommand::*fn)()) {
        a = tlbMain->addAction(QString::fromUtf8(text));
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(QString::fromUtf8(hint));
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, fn] { (this->*fn)(); }));
    };
    action(actSave, "actSave", "保存(&S)", "現在の設定内容を選択中のコマンドに上書きします。", &TfrmUserCommand::actSaveExecute);
    action(actAdd, "actAdd", "追加(&A)", "現在の設定内容を新たに追加します。", &TfrmUserCommand::actAddExecute);
    action(actDelete, "actDelete", "削除(&D)", "選択中のコマンドを削除します。", &TfrmUserCommand::actDeleteExecute);
    action(actRefresh, "actRefresh", "戻す(&R)", "表示中の情報を変更前の状態に戻します。", &TfrmUserCommand::actRefreshExecute);
    action(actExit, "actExit", "終了(&X)", "画面を閉じます。", &TfrmUserCommand::actExitExecute);
    v->addWidget(tlbMain);

    auto *split = new QSplitter(Qt::Vertical, this);
    auto *upper = new QWidget(split);
    auto *h = new QHBoxLayout(upper);
    h->setContentsMargins(0, 0, 0, 0);
    lstCommand = new QListWidget(upper);
    lstCommand->setObjectName(QStringLiteral("lstCommand"));
    h->addWidget(lstCommand, 1);
    auto *fields = new QWidget(upper);
    auto *form = new QFormLayout(fields);
    txtName = new QLineEdit(fields);
    txtName->setObjectName(QStringLiteral("txtName"));
    form->addRow(QStringLiteral("名　前"), txtName);
    txtSeq = new QLineEdit(fields);
    txtSeq->setObjectName(QStringLiteral("txtSeq"));
    txtSeq->setValidator(new QIntValidator(txtSeq));
    form->addRow(QStringLiteral("コマンド番号"), txtSeq);
    hotCommand = new QKeySequenceEdit(fields);
    hotCommand->setObjectName(QStringLiteral("hotCommand"));
    form->addRow(QStringLiteral("ショートカット"), hotCommand);
    chkDialog = new QCheckBox(QStringLiteral("実行時に確認画面を表示する"), fields);
    chkDialog->setObjectName(QStringLiteral("chkDialog"));
    chkSQLWindow = new QCheckBox(QStringLiteral("SQL実行画面を使用する"), fields);
    chkSQLWindow->setObjectName(QStringLiteral("chkSQLWindow"));
    chkError = new QCheckBox(QStringLiteral("エラーを無視する"), fields);
    chkError->setObjectName(QStringLiteral("chkError"));
    form->addRow(chkDialog);
    form->addRow(chkSQLWindow);
    form->addRow(chkError);
    auto *help = new QLabel(QStringLiteral("【 利用可能な置換変数 】\n"
                                           "&0 または &NAME  →オブジェクト名\n"
                                           "&1 または &OWNER →スキーマ名\n"
                                           "&2 または &TYPE  →オブジェクトタイプ\n"
                                           "&3～ 　　        →その他の情報\n"
                                           "※数値はオブジェクトリスト中の詳細情報の連番です。"),
                            fields);
    help->setTextFormat(Qt::PlainText);
    form->addRow(help);
    h->addWidget(fields, 2);
    txtSQL = new TtvMemo(split);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    ApplyControlStyle(txtSQL);
    // The SQL box takes the height the fields leave and always shows
    // several lines; the window grows for them when the fields need more.
    txtSQL->setMinimumHeight(6 * txtSQL->RowHeight() + 2 * txtSQL->frameWidth());
    split->setChildrenCollapsible(false);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);

    connect(lstCommand, &QListWidget::currentRowChanged, this, tv::ui::Guarded([this] { lstCommandClick(); }));
    connect(txtName, &QLineEdit::textEdited, this, [this](const QString &t) {
        const QString up = t.toUpper();
        if (up != t) {
            const int pos = txtName->cursorPosition();
            txtName->setText(up);
            txtName->setCursorPosition(pos);
        }
        Changed();
    });
    connect(txtSeq, &QLineEdit::textEdited, this, [this] { Changed(); });
    connect(hotCommand, &QKeySequenceEdit::keySequenceChanged, this, [this] { Changed(); });
    for (QCheckBox *c : {chkDialog, chkSQLWindow, chkError})
        connect(c, &QCheckBox::clicked, this, [this] { Changed(); });
    txtSQL->OnChange = [this](TEditor *) { Changed(); };
    // The edit keys of the main window work in the boxes here too.
    if (frmMain)
        frmMain->LendEditCommands(this);
    UpdateActions();
}

void TfrmUserCommand::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actToolCommandSetup"), [](const TLaunchContext &) -> QWidget * {
        ShowWindow();
        return nullptr;
    });
}

void TfrmUserCommand::ShowWindow()
{
    struct Rebuild {
        ~Rebuild()
        {
            if (frmMain)
                frmMain->SetCommandList();
        }
    } rebuild;
    TfrmUserCommand dlg(frmMain);
    dlg.LoadCommandList();
    dlg.exec();
}

void TfrmUserCommand::Changed()
{
    if (FShowing)
        return;
    FModified = true;
    UpdateActions();
}

void TfrmUserCommand::UpdateActions()
{
    const bool selected = lstCommand->currentRow() >= 0;
    actSave->setEnabled(selected && FModified && txtName->text() == FSavedName);
    actAdd->setEnabled(FModified);
    actDelete->setEnabled(selected);
    actRefresh->setEnabled(FModified);
}

int TfrmUserCommand::FindEntry(const QString &name) const
{
    for (int i = 0; i < lstCommand->count(); ++i)
        if (lstCommand->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TfrmUserCommand::SelectRow(int row)
{
    const QSignalBlocker block(lstCommand);
    lstCommand->setCurrentRow(row);
}

void TfrmUserCommand::LoadCommandList()
{
    {
        const QSignalBlocker block(lstCommand);
        lstCommand->clear();
        for (const TUserCommandFile &f : ListUserCommandFiles(usercmd::Folder())) {
            auto *item = new QListWidgetItem(f.Name, lstCommand);
            item->setData(Qt::UserRole, f.Key);
        }
    }
    SortCommandList();
    SelectRow(lstCommand->count() > 0 ? 0 : -1);
    ShowCommand();
}

void TfrmUserCommand::SortCommandList()
{
    const QString current = lstCommand->currentItem() ? lstCommand->currentItem()->text() : QString();
    QList<TUserCommandFile> entries;
    for (int i = 0; i < lstCommand->count(); ++i)
        entries.append({lstCommand->item(i)->text(), QString(), lstCommand->item(i)->data(Qt::UserRole).toInt()});
    std::stable_sort(entries.begin(), entries.end(), [](const TUserCommandFile &a, const TUserCommandFile &b) {
        return QString::compare(a.Name, b.Name, Qt::CaseInsensitive) < 0;
    });
    OrderByKey(entries);
    const QSignalBlocker block(lstCommand);
    lstCommand->clear();
    for (const TUserCommandFile &e : entries) {
        auto *item = new QListWidgetItem(e.Name, lstCommand);
        item->setData(Qt::UserRole, e.Key);
    }
    if (!current.isEmpty())
        lstCommand->setCurrentRow(FindEntry(current));
    FBIndex = lstCommand->currentRow();
}

void TfrmUserCommand::ShowCommand()
{
    FShowing = true;
    struct Done {
        TfrmUserCommand *w;
        ~Done()
        {
            w->FShowing = false;
            w->FSavedName = w->txtName->text();
            w->FModified = false;
            w->UpdateActions();
        }
    } done{this};
    FBIndex = lstCommand->currentRow();
    txtName->clear();
    txtSeq->clear();
    hotCommand->clear();
    txtSQL->Lines()->SetText(QString());
    chkDialog->setChecked(false);
    chkSQLWindow->setChecked(false);
    chkError->setChecked(false);
    if (FBIndex < 0)
        return;
    const QString name = lstCommand->item(FBIndex)->text();
    TUserCommand cmd;
    switch (usercmd::ReadForEditor(usercmd::FilePath(name), cmd)) {
    case usercmd::ReadResult::Malformed:
        ShowMessageBox(QStringLiteral("指定されたファイルの形式を認識できません。"), tv::ui::MB_ICONERROR);
        throw tv::SilentAbort();
    case usercmd::ReadResult::WrongVersion:
        throw tv::Error(QStringLiteral("このバージョンのファイルには対応していません。"));
    case usercmd::ReadResult::NoCommand:
        return;
    case usercmd::ReadResult::Ok:
        break;
    }
    txtName->setText(name);
    txtSeq->setText(QString::number(cmd.Seq));
    hotCommand->setKeySequence(tv::ui::ShortCutToKeySequence(cmd.ShortCut));
    chkDialog->setChecked(cmd.Dialog);
    chkSQLWindow->setChecked(cmd.SQLWindow);
    chkError->setChecked(cmd.Error);
    txtSQL->Lines()->SetText(cmd.SQL);
    txtSQL->EmptyUndoBuffer();
    txtSQL->SetRowCol(0, 0);
}

void TfrmUserCommand::SaveCommand()
{
    if (txtName->text().trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("名前を入力して下さい。"), tv::ui::MB_ICONWARNING);
        txtName->setFocus();
        throw tv::SilentAbort();
    }
    if (txtSQL->Lines()->Text().trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("ＳＱＬ文を入力して下さい。"), tv::ui::MB_ICONWARNING);
        txtSQL->setFocus();
        throw tv::SilentAbort();
    }
    TUserCommand cmd;
    cmd.Name = txtName->text();
    cmd.Seq = txtSeq->text().trimmed().toInt();
    cmd.ShortCut = tv::ui::KeySequenceToShortCut(hotCommand->keySequence());
    cmd.Dialog = chkDialog->isChecked();
    cmd.SQLWindow = chkSQLWindow->isChecked();
    cmd.Error = chkError->isChecked();
    cmd.SQL = txtSQL->Lines()->Text();
    usercmd::Write(cmd);
    int row = FindEntry(cmd.Name);
    if (row < 0) {
        auto *item = new QListWidgetItem(cmd.Name, lstCommand);
        row = lstCommand->row(item);
    } else {
        lstCommand->item(row)->setText(cmd.Name);
    }
    lstCommand->item(row)->setData(Qt::UserRole, cmd.Seq);
    SelectRow(row);
    SortCommandList();
    FSavedName = cmd.Name;
    FModified = false;
    UpdateActions();
}

void TfrmUserCommand::lstCommandClick()
{
    const int row = lstCommand->currentRow();
    if (FModified && row != FBIndex) {
        const QString target = row >= 0 ? lstCommand->item(row)->text() : QString();
        const int answer = ShowMessageBox(QStringLiteral("情報が変更されています。登録しますか？"),
                                          tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION);
        if (answer == tv::ui::IDCANCEL) {
            SelectRow(FBIndex);
            return;
        }
        if (answer == tv::ui::IDYES) {
            try {
                SelectRow(FBIndex);
                SaveCommand();
            } catch (...) {
                SelectRow(FBIndex);
                throw;
            }
            SelectRow(FindEntry(target));
        }
    }
    ShowCommand();
}

void TfrmUserCommand::actSaveExecute()
{
    if (lstCommand->currentRow() < 0)
        return;
    SaveCommand();
}

void TfrmUserCommand::actAddExecute()
{
    const int other = FindEntry(txtName->text());
    if (other >= 0 && other != lstCommand->currentRow()) {
        ShowMessageBox(QStringLiteral("同名のコマンドが既に存在しています。"), tv::ui::MB_ICONWARNING);
        txtName->setFocus();
        throw tv::SilentAbort();
    }
    SaveCommand();
}

void TfrmUserCommand::actDeleteExecute()
{
    const int row = lstCommand->currentRow();
    if (row < 0)
        return;
    if (ShowMessageBox(QStringLiteral("選択中のコマンドを削除しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return;
    QFile::remove(usercmd::FilePath(lstCommand->item(row)->text()));
    FModified = false;
    LoadCommandList();
}

void TfrmUserCommand::actRefreshExecute()
{
    if (ShowMessageBox(QStringLiteral("全ての変更を取り消しますか？"), tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) !=
        tv::ui::IDYES)
        return;
    ShowCommand();
}

void TfrmUserCommand::actExitExecute()
{
    close();
}

void TfrmUserCommand::reject()
{
    close();
}

void TfrmUserCommand::closeEvent(QCloseEvent *e)
{
    if (FModified) {
        const int answer = ShowMessageBox(QStringLiteral("情報が変更されています。登録しますか？"),
                                          tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION);
        if (answer == tv::ui::IDCANCEL) {
            e->ignore();
            return;
        }
        if (answer == tv::ui::IDYES) {
            try {
                SaveCommand();
            } catch (...) {
                e->ignore();
                return;
            }
        }
    }
    e->accept();
    QDialog::done(QDialog::Rejected);
}
