#pragma once
// What the lower layers use of the main window: the current connection, the
// connection list, the task bar, the image lists, the editor settings and
// menu, the print recorder, the one-window rule, the shared status messages
// and the MDI children in order. The shell's main window implements it and
// registers itself with RegisterMainWindow; tests of the lower layers register
// a small fake.
//
// Child order: MDI children are addressed by a child index; index 0 is the
// window opened first and the highest index the one opened last.
#include <QIcon>
#include <QList>
#include <QString>

#include <functional>

class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TtvMemoProp;
class TtvPrintdata;
class IConnectionWindow;

class IMainWindow {
public:
    virtual ~IMainWindow();

    // The main window itself (owner of dialogs, frame of the MDI children).
    virtual QWidget *MainWidget() = 0;

    // The connection window of the selected connection-list item; null when
    // no item is selected.
    virtual IConnectionWindow *CurrentForm() const = 0;
    // Selects the connection-list item whose text equals `text` (a kind-0
    // descriptor text) without running the list's change handler: the item of
    // `window` when that one has the text (two connections with the same
    // descriptor are told apart), else the first with it; no selection when no
    // item has that text.
    virtual void SelectConnection(const QString &text, Qt::CaseSensitivity cs = Qt::CaseSensitive,
                                  IConnectionWindow *window = nullptr) = 0;

    // The task bar: one grouped check button per child window.
    virtual QToolBar *TaskBar() = 0;
    // Adds a pressed check button for `window` at the right end of the task
    // bar (its click shows the window) and scrolls the bar to its end.
    virtual QToolButton *AddTaskButton(QWidget *window, const QString &caption, const QString &hint,
                                       int imageIndex) = 0;
    // Removes and frees the button (null: nothing).
    virtual void RemoveTaskButton(QToolButton *button) = 0;
    // Presses the button and releases the others of the task bar.
    virtual void PressTaskButton(QToolButton *button) = 0;

    // Images by index: imgMain (object-type codes; 0 the program icon) and
    // imgButton (tool-button images).
    virtual QIcon MainImage(int index) const = 0;
    virtual QIcon ButtonImage(int index) const = 0;

    // The editor settings of every SQL editor and the editors' context menu.
    virtual TtvMemoProp *EditorProp() const = 0;
    virtual QMenu *EditorMenu() = 0;
    // The print-page recorder (null until printing exists).
    virtual TtvPrintdata *PrintData() = 0;

    // The one-window rule: scans the MDI children from the highest child
    // index down to 0 for one that `isClass` accepts and whose caption equals
    // `caption` exactly; with `show` that window is shown and brought
    // forward. Null when there is none.
    virtual QWidget *FindWindow(const std::function<bool(QWidget *)> &isClass, const QString &caption,
                                bool show) = 0;
    template <class T>
    T *FindWindowOf(const QString &caption, bool show)
    {
        return dynamic_cast<T *>(
            FindWindow([](QWidget *w) { return dynamic_cast<T *>(w) != nullptr; }, caption, show));
    }

    // Status panel 2: the object count of the current connection's list, and
    // the progress of a long loop.
    virtual void SetDefMessage() = 0;
    virtual void SetLoopMessage(int NowCount, int MaxCount) = 0;

    // The MDI children (the windows inside the frames) by child index.
    virtual QList<QWidget *> MdiChildren() const = 0;
};

// A menu that a child window lends to the main window's menu bar while it is
// the active child. Group indexes order the bar: the main window's own menus
// carry theirs ("ファイル" 0, "編集" 1, "表示" 3, "管理" and "ツール" 4,
// "ウィンドウ" and "ヘルプ" 5). A child menu whose group index some of the
// main window's menus carry stands in for all of them; one with a new group
// index goes in after every menu of a lower index.
struct TMergeMenu {
    int GroupIndex = 0;
    QMenu *Menu = nullptr;
};
using TMergeMenus = QList<TMergeMenu>;

// An MDI child that takes part in the shell's protocol (the window base class
// and the connection window implement it). Children without it are treated as
// owned by no connection, always willing to close, and lend no menus.
class IChildWindow {
public:
    virtual ~IChildWindow();
    // The connection window the child belongs to (null: none).
    virtual IConnectionWindow *OwnerConnection() const = 0;
    // Whether the window may close now; may ask the user.
    virtual bool CanClose() = 0;
    // The menus the main window shows in its menu bar while this child is
    // active, in order of group index (none by default). The menus stay the
    // child's; the main window takes them back out when another child
    // becomes active or this one goes.
    virtual TMergeMenus MergeMenus() const { return {}; }
};

// The registered main window; null before the main window exists and after it
// has gone.
IMainWindow *MainWindow();
// Registers (or with null, unregisters) the main window.
void RegisterMainWindow(IMainWindow *window);
// An image of the main window's image list; none while there is no main
// window (a window shown on its own).
QIcon MainWindowImage(int index);

class QComboBox;
class QVariant;
// The rule of SelectConnection over a list of connections: the index of the
// item whose data `isOwn` accepts among those reading `text`, else the first
// reading `text`; -1 when none does.
int ConnectionItemIndex(const QComboBox *box, const QString &text, Qt::CaseSensitivity cs,
                        const std::function<bool(const QVariant &)> &isOwn);
