#include "shell/frmDDLPreview.h"

#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/WindowBounds.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString PreviewKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\SQLPREVIEW");
const QString Defrag = QStringLiteral("インデックスの断片化解消");
constexpr int WindowImage = 10;

} // namespace

TfrmDDLPreview::TfrmDDLPreview(const QString &Schema, const QString &ObjName, QWidget *parent)
    : QDialog(parent), FSchema(Schema), FObjName(FileObjectName(ObjName))
{
    setObjectName(QStringLiteral("frmDDLPreview"));
    setWindowTitle(CaptionFor(Schema, ObjName));
    resize(560, 420);

    txtLog = new TtvMemo(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->SetReadOnly(true);
    // The switch that would make the script editable stays hidden.
    chkEdit = new QCheckBox(QStringLiteral("ソースを変更可能にする"), this);
    chkEdit->setObjectName(QStringLiteral("chkEdit"));
    chkEdit->setVisible(false);
    btnSave = new QPushButton(QStringLiteral("&SQL出力"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setAutoDefault(false);
    btnOK = new QPushButton(QStringLiteral("開始(&E)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chkEdit);
    buttons->addWidget(btnSave);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(buttons);

    connect(chkEdit, &QCheckBox::toggled, this, [this](bool on) { txtLog->SetReadOnly(!on); });
    connect(btnSave, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnSaveClick(); }));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (IMainWindow *main = MainWindow())
        setWindowIcon(main->MainImage(WindowImage));
}

QString TfrmDDLPreview::CaptionFor(const QString &Schema, const QString &ObjName)
{
    if (ObjName == Defrag)
        return ObjName + QStringLiteral("を実行");
    if (!Schema.isEmpty())
        return Schema + QLatin1Char('.') + ObjName + QStringLiteral(" のコンパイル");
    return ObjName + QStringLiteral(" のコンパイル");
}

QString TfrmDDLPreview::FileObjectName(const QString &ObjName)
{
    return ObjName == Defrag ? QStringLiteral("script") : ObjName;
}

QString TfrmDDLPreview::SaveFileName() const
{
    if (!FSchema.isEmpty())
        return FSchema + QLatin1Char('.') + FObjName + QStringLiteral(".sql");
    return FObjName + QStringLiteral(".sql");
}

bool TfrmDDLPreview::ShowWindow(QStringList &ASQL, const QString &Schema, const QString &ObjName)
{
    if (!tvOption.ShowDDL)
        return true;
    IMainWindow *main = MainWindow();
    TfrmDDLPreview dlg(Schema, ObjName, main ? main->MainWidget() : nullptr);
    dlg.txtLog->Lines()->Assign(ASQL);
    dlg.txtLog->SetRowCol(0, 0);
    tv::ui::Guard([&] { dlg.LoadPosition(); });
    const bool ok = dlg.exec() == QDialog::Accepted;
    tv::ui::Guard([&] { dlg.SavePosition(); });
    // Only a script the user could change is taken back: the editor splits
    // lines at embedded line breaks, which must not reach the caller unasked.
    if (ok && !dlg.txtLog->ReadOnly())
        ASQL = dlg.txtLog->Lines()->ToStringList();
    return ok;
}

void TfrmDDLPreview::btnSaveClick()
{
    tv::ui::FileDialogRequest request;
    request.caption = QStringLiteral("SQL文の保存");
    request.fileName = SaveFileName();
    request.defaultExt = QStringLiteral("SQL");
    request.filter = QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*");
    request.overwritePrompt = true;
    const QString path = tv::ui::CurrentDialogs().saveFile(request);
    if (path.isEmpty())
        return;
    txtLog->Lines()->SaveToFile(path, static_cast<tv::text::Encoding>(tvOption.Encoding));
    ShowMessageBox(QStringLiteral("SQL文の保存が完了しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmDDLPreview::LoadPosition()
{
    LoadWindowBounds(*this, PreviewKey);
}

void TfrmDDLPreview::SavePosition()
{
    SaveWindowBounds(*this, PreviewKey);
}
