#pragma once
// The user of the execution dialog in the table-family window tests.
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmDDLExec.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

namespace tvtest {

inline TfrmDDLExec *OpenExecDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Acts as the user in the execution dialog: unticks stop-on-error when
// asked, copies the log once the run has finished and closes the dialog.
class ExecDialogUser {
public:
    // dialogs: answers "処理を中断しますか？" when a stopped run is closed.
    ExecDialogUser(bool stopOnError, tv::ui::ScriptedDialogs &dialogs)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, stopOnError, &dialogs] {
            TfrmDDLExec *d = OpenExecDialog();
            if (!d)
                return;
            if (!stopOnError)
                d->chkErrorStop->setChecked(false);
            if (d->Finished() || d->btnOK->isEnabled()) {
                log = d->txtLog->Lines()->ToStringList();
                if (!d->Finished()) {
                    dialogs.queueButton(tv::ui::IDYES);
                    stopped = true;
                }
                d->close();
            }
        });
        timer.start(0);
    }
    QStringList log;
    bool stopped = false;
    QTimer timer;
};

} // namespace tvtest
