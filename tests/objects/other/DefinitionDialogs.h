#pragma once
// Answers to the definition windows' compile dialogs in the tests of the
// role, user, schema and grant windows: the DDL preview (OK, keeping the
// lines it showed) and the execution dialog (closed once its run ended,
// keeping its log).
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ModalSteps.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"

#include <QApplication>
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

struct PreviewAnswer {
    QStringList lines;
    ModalSteps steps{{{QStringLiteral("frmDDLPreview"), [this](QWidget *w) {
                           auto *p = static_cast<TfrmDDLPreview *>(w);
                           lines = p->txtLog->Lines()->ToStringList();
                           p->btnOK->click();
                       }}}};
};

} // namespace tvtest
