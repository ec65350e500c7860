#pragma once
// Small stand-ins for the main window and the connection windows, so windows
// of the shared base class can be tested without the shell: an MDI area, a
// connection list, a task bar and an editor menu, registered as the main
// window while the object lives.
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <QComboBox>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tvtest {

class FakeConnectionWindow : public QWidget, public IConnectionWindow {
public:
    FakeConnectionWindow(const QString &server, const QString &db, const QString &user, int port = 5432)
    {
        auto &p = conn.Params();
        p.Server = server;
        p.Database = db;
        p.User_Name = user;
        p.Port = port;
    }
    QWidget *FormWidget() override { return this; }
    tv::db::Connection &dbsMain() override { return conn; }
    QString ConnectionText() const override { return {}; }
    QString DBName() const override { return conn.Params().Database; }
    int DBVer() const override { return 150000; }
    bool g_bPostgresPlus() const override { return false; }
    bool g_Linux_Ver() const override { return true; }
    int MYSID() const override { return -1; }
    bool DBAMODE() const override { return false; }
    void ExecuteSQL(const QString &) override {}
    void ExecuteSQL(const QString &, const QStringList &) override {}
    void ExecuteSQL(const QStringList &, bool) override {}
    tv::db::Query &OpenSQL(const QString &) override { return query; }
    tv::db::Query &OpenSQL(const QString &, const QStringList &) override { return query; }
    int GetMySID() override { return -1; }
    QString VerStr(int, const QString &S1, const QString &) const override { return S1; }
    void GetSchemaInfo(QStringList &, bool) override {}

    tv::db::Connection conn;
    tv::db::Query query;
};

class FakeMainWindow : public QMainWindow, public IMainWindow {
public:
    FakeMainWindow()
    {
        auto *central = new QWidget;
        auto *lay = new QVBoxLayout(central);
        cmbDBName = new QComboBox;
        mdiMain = new QMdiArea;
        tolTask = new QToolBar;
        lay->addWidget(cmbDBName);
        lay->addWidget(mdiMain, 1);
        lay->addWidget(tolTask);
        setCentralWidget(central);
        popEditor = new QMenu(this);
        resize(800, 600);
        RegisterMainWindow(this);
    }
    ~FakeMainWindow() override
    {
        if (MainWindow() == this)
            RegisterMainWindow(nullptr);
    }

    void AddConnection(const QString &text, IConnectionWindow *form)
    {
        cmbDBName->addItem(text, QVariant::fromValue<void *>(form));
    }

    QWidget *MainWidget() override { return this; }
    IConnectionWindow *CurrentForm() const override
    {
        const int i = cmbDBName->currentIndex();
        return i < 0 ? nullptr : static_cast<IConnectionWindow *>(cmbDBName->itemData(i).value<void *>());
    }
    void SelectConnection(const QString &text, Qt::CaseSensitivity cs, IConnectionWindow *window) override
    {
        ++selectCalls;
        cmbDBName->setCurrentIndex(ConnectionItemIndex(
            cmbDBName, text, cs, [window](const QVariant &data) { return window && data.value<void *>() == window; }));
    }
    QToolBar *TaskBar() override { return tolTask; }
    QToolButton *AddTaskButton(QWidget *window, const QString &caption, const QString &hint,
                               int imageIndex) override
    {
        auto *b = new QToolButton;
        b->setText(caption);
        b->setToolTip(hint);
        b->setIcon(MainImage(imageIndex));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setProperty("tvWindow", QVariant::fromValue<QObject *>(window));
        tolTask->addWidget(b);
        PressTaskButton(b);
        return b;
    }
    void RemoveTaskButton(QToolButton *button) override
    {
        if (!button)
            return;
        ++removedButtons;
        button->setParent(nullptr);
        button->deleteLater();
    }
    void PressTaskButton(QToolButton *button) override
    {
        if (button)
            button->setChecked(true);
    }
    // Image n is a 16x16 pixmap whose red component is n, so a test can tell
    // which image an icon is.
    QIcon MainImage(int index) const override
    {
        QPixmap p(16, 16);
        p.fill(QColor(index & 0xFF, 0, 0));
        return QIcon(p);
    }
    QIcon ButtonImage(int index) const override { return MainImage(index); }
    TtvMemoProp *EditorProp() const override { return editorProp; }
    QMenu *EditorMenu() override { return popEditor; }
    TtvPrintdata *PrintData() override { return nullptr; }
    QWidget *FindWindow(const std::function<bool(QWidget *)> &, const QString &, bool) override { return nullptr; }
    void SetDefMessage() override {}
    void SetLoopMessage(int, int) override {}
    QList<QWidget *> MdiChildren() const override
    {
        QList<QWidget *> list;
        for (QMdiSubWindow *sw : mdiMain->subWindowList(QMdiArea::CreationOrder))
            if (sw->widget())
                list << sw->widget();
        return list;
    }

    QComboBox *cmbDBName;
    QMdiArea *mdiMain;
    QToolBar *tolTask;
    QMenu *popEditor;
    TtvMemoProp *editorProp = nullptr;
    int selectCalls = 0;
    int removedButtons = 0;
};

// The red component of an icon made by FakeMainWindow::MainImage.
inline int ImageCode(const QIcon &icon)
{
    if (icon.isNull())
        return -1;
    return icon.pixmap(16, 16).toImage().pixelColor(0, 0).red();
}

} // namespace tvtest
