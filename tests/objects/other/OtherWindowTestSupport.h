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
#include "support/ServerFolder.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <pwd.h>
#include <unistd.h>

namespace tvtest {

// Replaces the first `from` of the editor's text by `to`, as typed keys.
inline void Retype(TtvMemo *m, const QString &from, const QString &to)
{
    const QStringList lines = m->Lines()->ToStringList();
    for (int r = 0; r < lines.size(); ++r) {
        const int c = int(lines[r].indexOf(from));
        if (c < 0)
            continue;
        m->setFocus();
        m->SetRow(r);
        m->SetCol(c);
        for (int i = 0; i < from.size(); ++i)
            QTest::keyClick(m, Qt::Key_Delete);
        QTest::keyClicks(m, to);
        return;
    }
    ADD_FAILURE() << "not in the text: " << from.toStdString();
}

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
