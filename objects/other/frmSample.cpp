#include "objects/other/frmSample.h"

#include "common/ControlStyle.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/TextUtil.h"
#include "common/WindowPlacement.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/settings/tvRegistry.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString SampleKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\SAMPLE");

} // namespace

QString TfrmSample::SampleFile(int ObjectType)
{
    QString file;
    switch (ObjectType) {
    case 51:
        file = QStringLiteral("procedure.sql");
        break;
    case 52:
        file = QStringLiteral("function.sql");
        break;
    case 53:
        file = QStringLiteral("package.sql");
        break;
    case 55:
        file = QStringLiteral("type.sql");
        break;
    case 128:
        file = QStringLiteral("aggregate.sql");
        break;
    default:
        return QString();
    }
    return QDir(tv::settings::DataDir()).filePath(QStringLiteral("sample/") + file);
}

TfrmSample::TfrmSample(TtvForm *AOwner, int ObjectType) : TtvForm(AOwner)
{
    setObjectName(QStringLiteral("frmSample"));
    setParent(AOwner, Qt::Tool | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(ObjectTypeName(ObjectType) + QStringLiteral(" - サンプル"));
    SetWindowIcon(this, 99);
    resize(480, 360);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    tolCmd = new QToolBar;
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    auto *exit = new QAction(MainWindowImage(42), QStringLiteral("終了(&X)"), this);
    exit->setObjectName(QStringLiteral("actExit"));
    btnExit = new QToolButton;
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setDefaultAction(exit);
    btnExit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tolCmd->addWidget(btnExit);
    connect(exit, &QAction::triggered, this, [this] { btnExitClick(); });
    root->addWidget(tolCmd);
    txtSample = new TtvMemo;
    txtSample->setObjectName(QStringLiteral("txtSample"));
    txtSample->SetReadOnly(true);
    root->addWidget(txtSample, 1);
    FinishCreate();

    // The place: at the mouse pointer, with the stored size.
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    if (reg.OpenKey(SampleKey, true)) {
        int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
        if (state == 1)
            state = 0;
        if (state == 2) {
            setWindowState(Qt::WindowMaximized);
        } else {
            const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
            const QPoint at = QCursor::pos();
            const int w = reg.GetInteger(QStringLiteral("Width"), width());
            const int h = reg.GetInteger(QStringLiteral("Height"), height());
            setGeometry(at.x() - caption, at.y() - caption, w, h);
            FitOnScreen(this);
        }
        reg.CloseKey();
    }
}

TfrmSample::~TfrmSample()
{
    try {
        tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
        if (reg.OpenKey(SampleKey, true)) {
            const Qt::WindowStates s = windowState();
            const int state = s & Qt::WindowMinimized ? 1 : s & Qt::WindowMaximized ? 2 : 0;
            reg.WriteInteger(QStringLiteral("WindowState"), state);
            if (state == 0) {
                const QRect g = geometry();
                reg.WriteInteger(QStringLiteral("Left"), g.left());
                reg.WriteInteger(QStringLiteral("Top"), g.top());
                reg.WriteInteger(QStringLiteral("Width"), g.width());
                reg.WriteInteger(QStringLiteral("Height"), g.height());
            }
            reg.CloseKey();
        }
    } catch (const tv::Error &) {
        // A store that cannot be written keeps the last size.
    }
}

void TfrmSample::btnExitClick()
{
    Close();
}

int TfrmSample::Show(TtvForm *AOwner, QPointer<TfrmSample> &Slot, int ObjectType, const QString &FileName)
{
    // A viewer closed a moment ago is on its way out: a new one replaces it.
    if (Slot && Slot->isHidden())
        Slot = nullptr;
    if (!Slot)
        Slot = new TfrmSample(AOwner, ObjectType);
    TfrmSample *w = Slot;
    if (!FileName.isEmpty() && QFileInfo(FileName).isFile()) {
        w->txtSample->Lines()->BeginUpdate();
        w->txtSample->Lines()->Clear();
        w->txtSample->Lines()->LoadFromFile(FileName, GetFileEncoding());
        w->txtSample->Lines()->EndUpdate();
        w->txtSample->SetModified(false);
        if (TEditorUndoObj *u = w->txtSample->EditorUndoObj())
            u->Clear();
        w->show();
        w->raise();
        return 1;
    }
    ShowMessageBox(QStringLiteral("ファイルが見つかりません。"), tv::ui::MB_ICONEXCLAMATION);
    Slot = nullptr;
    delete w;
    return 0;
}

int TfrmSample::ShowWindow(TtvForm *AOwner, QPointer<TfrmSample> &Slot, int ObjectType)
{
    return Show(AOwner, Slot, ObjectType, SampleFile(ObjectType));
}

int TfrmSample::ShowWindowAgr(TtvForm *AOwner, QPointer<TfrmSample> &Slot, int ObjectType)
{
    return Show(AOwner, Slot, ObjectType, ObjectType == 128 ? SampleFile(128) : QString());
}
