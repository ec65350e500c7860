#include "common/tvForm.h"

#include "common/ControlStyle.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/WindowPlacement.h"
#include "common/RecParam.h"
#include "common/ScriptOption.h"
#include "common/tvOption.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/db/Query.h"
#include "platform/ui/BusyWindow.h"
#include "platform/ui/Font.h"
#include "platform/ui/Guard.h"
#include "platform/ui/Mnemonic.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

// Gives a window with key preview every key pressed in its controls first.
// One filter serves every window; it acts on the key's first receiver only
// (the focus widget), not again while the key travels up to the parents.
class KeyPreviewFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress || !o->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(o);
        if (QWidget *focus = QApplication::focusWidget(); focus && focus != w)
            return false;
        TtvForm *form = nullptr;
        for (QWidget *p = w; p; p = p->parentWidget()) {
            if ((form = qobject_cast<TtvForm *>(p)))
                break;
            if (p->isWindow())
                break;
        }
        if (!form || !form->KeyPreview)
            return false;
        auto *k = static_cast<QKeyEvent *>(e);
        int key = k->key();
        bool consumed = false;
        tv::ui::Guard([&] {
            form->FormKeyDown(w, key, k->modifiers());
            consumed = key == 0;
        });
        return consumed;
    }
};

void InstallKeyPreview()
{
    static QPointer<KeyPreviewFilter> filter;
    if (filter || !qApp)
        return;
    filter = new KeyPreviewFilter(qApp);
    qApp->installEventFilter(filter);
}

// Depth first: an object, then its children in order.
template <class F>
void VisitChildren(QObject *parent, const F &visit)
{
    for (QObject *c : parent->children()) {
        visit(c);
        VisitChildren(c, visit);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

TtvForm::TtvForm(QObject *AOwner) : QWidget(nullptr)
{
    // The form's look: proportional gothic of 9 points.
    setFont(tv::ui::MakeFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    InstallKeyPreview();
    tv::ui::InstallMnemonicKeys();
    SourceMode = smShow;
    FUseLowerName = tvOption.UseLowerName;

    // The connection window, chosen by the opener.
    IConnectionWindow *owner = nullptr;
    IMainWindow *main = MainWindow();
    if (auto *conn = dynamic_cast<IConnectionWindow *>(AOwner))
        owner = conn;
    else if (AOwner && main && AOwner == main->MainWidget())
        owner = main->CurrentForm();
    else if (auto *form = qobject_cast<TtvForm *>(AOwner))
        owner = form->OwnerForm();
    SetOwnerForm(owner);
}

TtvForm::~TtvForm()
{
    if (FTaskButton) {
        if (IMainWindow *m = MainWindow())
            m->RemoveTaskButton(FTaskButton);
        else
            delete FTaskButton.data();
    }
    if (FOwnerWatch)
        disconnect(FOwnerWatch);
    for (auto &q : FQueries)
        q->Close();
    for (auto &d : FDataSets)
        d->Close();
    // The controls go before the data sets they show.
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
}

void TtvForm::FinishCreate()
{
    if (FCreated)
        return;
    FCreated = true;
    VisitChildren(this, [this](QObject *c) {
        if (auto *memo = qobject_cast<TtvMemo *>(c))
            ApplyControlStyle(memo);
        else if (auto *pages = qobject_cast<QTabWidget *>(c); pages && !FPageControl)
            FPageControl = pages;
    });
    LoadSettings();
}

// ---------------------------------------------------------------------------
// Properties

IConnectionWindow *TtvForm::OwnerForm() const
{
    return FOwnerWidget ? FOwnerForm : nullptr;
}

void TtvForm::SetOwnerForm(IConnectionWindow *Value)
{
    if (Value == OwnerForm())
        return;
    if (FOwnerWatch)
        disconnect(FOwnerWatch);
    FOwnerForm = Value;
    FOwnerWidget = Value ? Value->FormWidget() : nullptr;
    if (FOwnerWidget)
        FOwnerWatch = connect(FOwnerWidget, &QObject::destroyed, this, [this] { OwnerDestroyed(); });
    BindQueries();
}

void TtvForm::OwnerDestroyed()
{
    FOwnerForm = nullptr;
    FOwnerWidget = nullptr;
    BindQueries();
}

void TtvForm::BindQueries()
{
    tv::db::Connection *conn = OwnerForm() ? &OwnerForm()->dbsMain() : nullptr;
    for (auto &q : FQueries) {
        q->Close();
        q->SetConnection(conn);
    }
    for (auto &d : FDataSets) {
        d->Close();
        d->SetConnection(conn);
    }
}

tv::db::Query *TtvForm::NewQuery()
{
    FQueries.push_back(std::make_unique<tv::db::Query>(OwnerForm() ? &OwnerForm()->dbsMain() : nullptr));
    return FQueries.back().get();
}

tv::db::DataSet *TtvForm::NewDataSet()
{
    FDataSets.push_back(std::make_unique<tv::db::DataSet>());
    FDataSets.back()->SetConnection(OwnerForm() ? &OwnerForm()->dbsMain() : nullptr);
    return FDataSets.back().get();
}

void TtvForm::AddMergeMenu(int GroupIndex, QMenu *Menu)
{
    if (Menu)
        FMergeMenus.append({GroupIndex, QPointer<QMenu>(Menu)});
}

TMergeMenus TtvForm::MergeMenus() const
{
    TMergeMenus list;
    for (const auto &[group, menu] : FMergeMenus) {
        if (menu)
            list.append({group, menu.data()});
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const TMergeMenu &a, const TMergeMenu &b) { return a.GroupIndex < b.GroupIndex; });
    return list;
}

void TtvForm::SetObjType(int Value)
{
    if (Value == FObjType)
        return;
    FObjType = Value;
    SetWindowIcon(this, Value);
}

void TtvForm::SetIsNew(bool Value)
{
    FIsNew = Value;
    ChangedIsNew();
}

// ---------------------------------------------------------------------------
// Task button

void TtvForm::CreateTaskButton()
{
    if (FTaskButton)
        return;
    IMainWindow *m = MainWindow();
    if (!m)
        return;
    // A pressed check button of the task bar's group, at its right end; its
    // click shows the window.
    FTaskButton = m->AddTaskButton(this, QString(), windowTitle(), FObjType);
}

QString TtvForm::ShortTaskCaption(const QString &Value)
{
    // Counted in characters, so a character outside the BMP is never cut in half.
    const QList<uint> chars = Value.toUcs4();
    if (chars.size() <= 12)
        return Value;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()), 12) + QChar(0x2026);
}

QString TtvForm::TaskCaption() const
{
    return FTaskButton ? FTaskButton->text() : QString();
}

void TtvForm::SetTaskCaption(const QString &Value)
{
    if (FTaskButton)
        FTaskButton->setText(ShortTaskCaption(Value));
}

// ---------------------------------------------------------------------------
// Activation, showing and closing

QMdiSubWindow *TtvForm::Frame() const
{
    return qobject_cast<QMdiSubWindow *>(parentWidget());
}

void TtvForm::ShowForm()
{
    if (SourceMode == smText)
        return;
    FinishCreate();
    // The size the window was built or stored with: its frame takes it,
    // borders added, as far as the area has room for it.
    const QSize wanted = size();
    QMdiSubWindow *frame = Frame();
    const bool placed = frame != nullptr;
    if (!frame) {
        IMainWindow *m = MainWindow();
        QMdiArea *area = m ? m->MainWidget()->findChild<QMdiArea *>() : nullptr;
        if (area) {
            frame = area->addSubWindow(this);
            frame->setAttribute(Qt::WA_DeleteOnClose);
            frame->setWindowIcon(windowIcon());
        }
    }
    if (!frame) {
        show();
        return;
    }
    show();
    frame->show();
    if (!placed && size() != wanted && !(frame->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        frame->resize(frame->size() - size() + wanted);
    FitIntoMdiArea(frame);
    if (auto *area = frame->mdiArea())
        area->setActiveSubWindow(frame);
    // The keys go to the window shown. An activation alone leaves the focus
    // where it was (in another window, or in the frame's tool bar) when the
    // window opens from a menu; the main window's next activation would then
    // bring that other window to the front again.
    if (!frame->isAncestorOf(QApplication::focusWidget())) {
        QWidget *target = focusWidget();
        for (QWidget *w = nextInFocusChain(); !target && w && w != this; w = w->nextInFocusChain())
            if (isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
                target = w;
        (target ? target : this)->setFocus(Qt::ActiveWindowFocusReason);
    }
    FormPlaced();
}

void TtvForm::WatchFrame()
{
    QMdiSubWindow *frame = Frame();
    if (frame == FWatchedFrame)
        return;
    if (FWatchedFrame)
        disconnect(FWatchedFrame, nullptr, this, nullptr);
    FWatchedFrame = frame;
    if (frame) {
        connect(frame, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates oldState, Qt::WindowStates newState) {
                    if ((newState & Qt::WindowActive) && !(oldState & Qt::WindowActive))
                        tv::ui::Guard([this] { Activate(); });
                });
    }
}

void TtvForm::Activate()
{
    IMainWindow *m = MainWindow();
    if (!m)
        return;
    if (IConnectionWindow *owner = OwnerForm()) {
        const tv::db::ConnectionParams &p = owner->dbsMain().Params();
        const QString text =
            FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                               p.User_Name, p.Password, QString(), QString(), QString()),
                                  0, false);
        m->SelectConnection(text, Qt::CaseInsensitive, owner);
    }
    if (FTaskButton)
        m->PressTaskButton(FTaskButton);
}

bool TtvForm::CloseQuery()
{
    // One closing asks once: the main window asks every child and then
    // closes the connection windows, which ask the windows they own again.
    // A consent holds until control returns to the event loop.
    // A window busy with a run it started (an external program) stays
    // until the run ends or is stopped with Esc.
    if (tv::ui::IsBusy(this))
        return false;
    if (FCloseAgreed)
        return true;
    bool Result = FormCloseQuery();
    // Asked whatever the window's own handler said.
    if (FModified && !ToastReadOnly) {
        switch (ShowMessageBox(QStringLiteral("情報が変更されています。コンパイルしますか？"),
                               tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION)) {
        case tv::ui::IDYES:
            Compile(this);
            if (FModified)
                Result = false;
            break;
        case tv::ui::IDNO:
            // The changes go with the window.
            break;
        default:
            // Cancel, or the box closed without an answer: the window stays.
            Result = false;
            break;
        }
    }
    if (Result) {
        SaveSettings();
        FCloseAgreed = true;
        QTimer::singleShot(0, this, [this] { FCloseAgreed = false; });
    }
    return Result;
}

void TtvForm::Close()
{
    if (QMdiSubWindow *frame = Frame())
        frame->close();
    else
        close();
}

void TtvForm::closeEvent(QCloseEvent *e)
{
    bool may = false;
    // A failing Compile is shown and keeps the window open.
    tv::ui::Guard([&] { may = CloseQuery(); });
    if (!may) {
        e->ignore();
        return;
    }
    TCloseAction action = caFree;
    tv::ui::Guard([&] { FormClose(action); });
    QMdiSubWindow *frame = Frame();
    switch (action) {
    case caNone:
        e->ignore();
        return;
    case caHide:
        e->ignore();
        if (frame)
            frame->hide();
        else
            hide();
        return;
    case caMinimize:
        e->ignore();
        if (frame)
            frame->showMinimized();
        else
            showMinimized();
        return;
    case caFree:
        break;
    }
    e->accept();
    // Freed with its frame (also when the window, not the frame, was closed).
    if (frame)
        frame->deleteLater();
    else
        deleteLater();
}

// ---------------------------------------------------------------------------
// Messages and keys

bool TtvForm::event(QEvent *e)
{
    if (tv::ui::IsWindowMessage(e)) {
        auto *m = static_cast<tv::ui::WindowMessageEvent *>(e);
        tv::ui::Guard([&] {
            switch (m->message()) {
            case tv::ui::WM_RELOAD:
                Reload(this);
                break;
            case tv::ui::WM_DBCHANGE:
                DBChange(this);
                break;
            case tv::ui::WM_CODEASSIST:
                CodeAssist(int(m->wParam()), int(m->lParam()));
                break;
            default:
                break;
            }
        });
        return true;
    }
    switch (e->type()) {
    case QEvent::WindowTitleChange:
        if (FTaskButton)
            FTaskButton->setToolTip(windowTitle());
        break;
    case QEvent::ParentChange:
        WatchFrame();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TtvForm::keyPressEvent(QKeyEvent *e)
{
    // With key preview the filter has seen the key already.
    if (!KeyPreview) {
        int key = e->key();
        FormKeyDown(this, key, e->modifiers());
        if (key == 0) {
            e->accept();
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

void TtvForm::FormKeyDown(QObject * /*Sender*/, int &Key, Qt::KeyboardModifiers Shift)
{
    if ((Key != Qt::Key_PageUp && Key != Qt::Key_PageDown) || !(Shift & Qt::ControlModifier))
        return;
    if (FPageControl && FPageControl->count() > 1) {
        FPageControl->tabBar()->setFocus();
        const int to = FPageControl->currentIndex() + (Key == Qt::Key_PageUp ? -1 : 1);
        if (to >= 0 && to < FPageControl->count())
            FPageControl->setCurrentIndex(to);
    }
    Key = 0;
}

QString TtvForm::SchemaPrefix(const QString &Schema, const QString &RefSchema) const
{
    return SchemaPrefix(SourceMode, Schema, RefSchema);
}

QString TtvForm::SchemaPrefix(TSourceMode Mode, const QString &Schema, const QString &RefSchema)
{
    if (Mode == smText) {
        switch (ScriptOption.Owner) {
        case 0:
            break;
        case 1:
            if (Schema.trimmed() == RefSchema.trimmed())
                return QString();
            break;
        default:
            return QString();
        }
    }
    if (Schema.trimmed().isEmpty())
        return QString();
    return QuoteIdentifier(Schema) + QLatin1Char('.');
}
