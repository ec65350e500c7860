#pragma once
// What the tests of the windows in objects/other share: a folder the test
// server may use as a tablespace location, and the execution dialog and
// preview answered as a user would.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"

#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <pwd.h>
#include <unistd.h>

namespace tvtest {

// A fresh empty folder owned by the account the test server runs as
// ("postgres" when scripts/test-db started it as root); removed at the end.
class ServerFolder {
public:
    ServerFolder()
    {
        QByteArray templ = QDir::tempPath().toUtf8() + "/tvx_tbs_XXXXXX";
        if (!mkdtemp(templ.data()))
            return;
        m_path = QString::fromUtf8(templ);
        if (const passwd *pw = getpwnam("postgres"); pw && geteuid() == 0)
            m_ok = chown(templ.constData(), pw->pw_uid, pw->pw_gid) == 0;
        else
            m_ok = false;
    }
    ~ServerFolder()
    {
        if (!m_path.isEmpty())
            QDir(m_path).removeRecursively();
    }
    // False when the folder cannot be handed to the server's account.
    bool ok() const { return m_ok; }
    const QString &path() const { return m_path; }

private:
    QString m_path;
    bool m_ok = false;
};

inline TfrmDDLExec *OpenExecDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Closes the execution dialog once its run has finished or stopped,
// keeping the log; a stopped run is abandoned ("処理を中断しますか？": Yes).
class ExecDialogUser {
public:
    explicit ExecDialogUser(tv::ui::ScriptedDialogs *dialogs = nullptr)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, dialogs] {
            TfrmDDLExec *d = OpenExecDialog();
            if (d && (d->Finished() || d->btnOK->isEnabled())) {
                log = d->txtLog->Lines()->ToStringList();
                if (!d->Finished() && dialogs)
                    dialogs->queueButton(tv::ui::IDYES);
                d->close();
            }
        });
        timer.start(0);
    }
    QStringList log;
    QTimer timer;
};

// Answers the next preview with OK, keeping the lines it showed.
struct PreviewAnswer {
    QStringList lines;
    ModalSteps steps{{{QStringLiteral("frmDDLPreview"), [this](QWidget *w) {
                           auto *p = static_cast<TfrmDDLPreview *>(w);
                           lines = p->txtLog->Lines()->ToStringList();
                           p->btnOK->click();
                       }}}};
};

// The captions of a tool bar's buttons from left to right, with whether
// each shows an image.
inline QStringList ToolBarButtons(QToolBar *bar)
{
    QStringList list;
    for (QAction *a : bar->actions()) {
        auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(a));
        if (b && a->isVisible())
            list << b->text() + (b->icon().isNull() ? QStringLiteral(" (no image)") : QString());
    }
    return list;
}

inline void FreeExecDialogs()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w))
            delete d;
}

} // namespace tvtest
